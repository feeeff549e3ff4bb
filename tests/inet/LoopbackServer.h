// A scripted HTTP server on 127.0.0.1 inside the test process: each accepted
// connection reads one request, records it exactly as received, answers with
// the next scripted response and closes. A response may instead be left
// hanging, the connection held open until the server stops.
#pragma once
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>
#include <atomic>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct CReceivedRequest {
    std::string requestLine;
    std::vector<std::string> headers;  // "Name: value", in order
    std::string body;

    // Values of every header of that name (case ignored).
    std::vector<std::string> Values(const std::string& name) const
    {
        std::vector<std::string> out;
        for (const std::string& line : headers) {
            size_t colon = line.find(':');
            if (colon != name.size() || _strnicmp(line.c_str(), name.c_str(), colon) != 0)
                continue;
            size_t start = line.find_first_not_of(' ', colon + 1);
            out.push_back(start == std::string::npos ? std::string() : line.substr(start));
        }
        return out;
    }
    std::string Header(const std::string& name) const
    {
        std::vector<std::string> values = Values(name);
        return values.empty() ? std::string() : values.front();
    }
};

class CLoopbackServer {
public:
    CLoopbackServer()
    {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
        m_listen = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in address = {};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = 0;
        bind(m_listen, reinterpret_cast<sockaddr*>(&address), sizeof(address));
        listen(m_listen, 8);
        int length = sizeof(address);
        getsockname(m_listen, reinterpret_cast<sockaddr*>(&address), &length);
        m_port = ntohs(address.sin_port);
        m_thread = std::thread([this] { Run(); });
    }

    ~CLoopbackServer()
    {
        m_stop = true;
        m_thread.join();
        for (SOCKET s : m_held)
            closesocket(s);
        closesocket(m_listen);
        WSACleanup();
    }

    CLoopbackServer(const CLoopbackServer&) = delete;
    CLoopbackServer& operator=(const CLoopbackServer&) = delete;

    unsigned short Port() const { return m_port; }

    // A complete response with its Content-Length and "Connection: close".
    void Respond(const std::string& status, const std::string& body, const std::string& headers = "")
    {
        RespondRaw("HTTP/1.1 " + status + "\r\n" + headers + "Content-Length: " + std::to_string(body.size()) +
                   "\r\nConnection: close\r\n\r\n" + body);
    }
    // Bytes sent as they are; hang keeps the connection open afterwards.
    void RespondRaw(const std::string& bytes, bool hang = false)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_script.push_back({bytes, hang});
    }

    std::vector<CReceivedRequest> Requests() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_received;
    }

private:
    struct Script {
        std::string bytes;
        bool hang;
    };

    void Run()
    {
        while (!m_stop) {
            fd_set ready;
            FD_ZERO(&ready);
            FD_SET(m_listen, &ready);
            timeval wait = {0, 50000};
            if (select(0, &ready, nullptr, nullptr, &wait) <= 0)
                continue;
            SOCKET s = accept(m_listen, nullptr, nullptr);
            if (s != INVALID_SOCKET)
                Serve(s);
        }
    }

    void Serve(SOCKET s)
    {
        DWORD timeout = 10000;
        setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout), sizeof(timeout));
        std::string data;
        size_t headEnd = std::string::npos;
        char chunk[4096];
        while ((headEnd = data.find("\r\n\r\n")) == std::string::npos) {
            int n = recv(s, chunk, sizeof(chunk), 0);
            if (n <= 0)
                break;
            data.append(chunk, static_cast<size_t>(n));
        }
        CReceivedRequest request;
        if (headEnd != std::string::npos) {
            std::string head = data.substr(0, headEnd);
            size_t start = 0;
            for (bool first = true;; first = false) {
                size_t end = head.find("\r\n", start);
                std::string line = head.substr(start, end == std::string::npos ? std::string::npos : end - start);
                if (first)
                    request.requestLine = line;
                else
                    request.headers.push_back(line);
                if (end == std::string::npos)
                    break;
                start = end + 2;
            }
            request.body = data.substr(headEnd + 4);
            size_t length = static_cast<size_t>(std::atoi(request.Header("Content-Length").c_str()));
            while (request.body.size() < length) {
                int n = recv(s, chunk, sizeof(chunk), 0);
                if (n <= 0)
                    break;
                request.body.append(chunk, static_cast<size_t>(n));
            }
        }
        Script script = {"HTTP/1.1 500 No script\r\nContent-Length: 0\r\nConnection: close\r\n\r\n", false};
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_received.push_back(request);
            if (!m_script.empty()) {
                script = m_script.front();
                m_script.pop_front();
            }
        }
        for (size_t sent = 0; sent < script.bytes.size();) {
            int n = send(s, script.bytes.data() + sent, static_cast<int>(script.bytes.size() - sent), 0);
            if (n <= 0)
                break;
            sent += static_cast<size_t>(n);
        }
        if (script.hang) {
            m_held.push_back(s);
            return;
        }
        shutdown(s, SD_SEND);
        closesocket(s);
    }

    SOCKET m_listen = INVALID_SOCKET;
    unsigned short m_port = 0;
    std::atomic<bool> m_stop{false};
    mutable std::mutex m_mutex;
    std::deque<Script> m_script;
    std::vector<CReceivedRequest> m_received;
    std::vector<SOCKET> m_held;  // touched by the server thread only until it is joined
    std::thread m_thread;
};
