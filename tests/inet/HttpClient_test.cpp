#include "inet/HttpClient.h"
#include "foundation/PathUtil.h"
#include "foundation/ResourceString.h"
#include "resources/strings_foundation_io.h"
#include "resources/strings_inet.h"
#include "tests/common/TestSupport.h"
#include "tests/inet/LoopbackServer.h"
#include "tests/inet/TestSink.h"
#include <gtest/gtest.h>
#include <map>
#include <streambuf>

namespace {

CUrlRequest Request(const std::wstring& text, const std::wstring& referer = L"")
{
    CUrlRequest request;
    EXPECT_EQ(S_OK, request.SetUrl(text.c_str()));
    request.referer = referer;
    return request;
}

// A client aimed at the server, with a short read time-out so that no test
// ever waits long.
struct CTestClient : CHttpClient {
    explicit CTestClient(const CLoopbackServer& server)
    {
        SetPort(server.Port());
        SetReadTimeout(3000);
    }
};

std::string Pattern(size_t size)
{
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 131 + i / 4096) & 0xFF);
    return bytes;
}

// Temporary download files this process left behind.
std::vector<std::wstring> LeftoverDownloads()
{
    std::wstring folder;
    GetTempPathString(folder);
    AppendSeparator(folder);
    std::wstring pattern = folder + FormatStr(L"ZVR_%08X_*", GetCurrentProcessId());
    std::vector<std::wstring> found;
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW(pattern.c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do
            found.push_back(folder + data.cFileName);
        while (FindNextFileW(find, &data));
        FindClose(find);
    }
    return found;
}

// Stands in for a full disk: every write fails.
class CFailingBuffer : public std::streambuf {
protected:
    int_type overflow(int_type) override { return traits_type::eof(); }
    std::streamsize xsputn(const char*, std::streamsize) override { return 0; }
};

struct CFullDiskClient : CTestClient {
    using CTestClient::CTestClient;
    CFailingBuffer failing;
    void OpenDownloadFile(CInetFileStream& stream, const std::wstring& path) override
    {
        stream.Open(path);
        static_cast<std::ostream&>(stream.file).rdbuf(&failing);
    }
};

} // namespace

TEST(HttpClient, GetSendsTheExactRequestAndReadsTheBody)
{
    CLoopbackServer server;
    server.Respond("200 OK", "hello", "Last-Modified: Wed, 21 Oct 2015 07:28:00 GMT\r\n");
    std::string body = "left over";
    {
        CTestClient client(server);
        client.SendRequest(Request(L"http://127.0.0.1/a/b.txt?x=1", L"http://127.0.0.1/from"), nullptr);
        ASSERT_EQ(0u, client.GetError().id) << Narrow(client.GetError().message);
        EXPECT_EQ(5u, client.GetContentLength());
        SYSTEMTIME modified;
        client.GetLastModified(modified);
        EXPECT_EQ(0u, client.GetError().id);
        EXPECT_EQ(2015, modified.wYear);
        EXPECT_EQ(28, modified.wMinute);
        client.DownloadToMemory(body);
        EXPECT_EQ(0u, client.GetError().id) << Narrow(client.GetError().message);
    }
    EXPECT_EQ("hello", body);
    std::vector<CReceivedRequest> received = server.Requests();
    ASSERT_EQ(1u, received.size());
    EXPECT_EQ("GET /a/b.txt?x=1 HTTP/1.1", received[0].requestLine);
    EXPECT_EQ("http://127.0.0.1/from", received[0].Header("Referer"));
    // An empty agent stands for the program's own name.
    EXPECT_EQ("test_inet", received[0].Header("User-Agent"));
    EXPECT_TRUE(received[0].Values("Content-Length").empty());
    EXPECT_TRUE(received[0].Values("Content-Type").empty());
    EXPECT_EQ("", received[0].body);
}

TEST(HttpClient, PostSendsFieldsEscapedWithTheirExactLength)
{
    CLoopbackServer server;
    server.Respond("201 Created", "done");
    CTestClient client(server);
    client.SetCharset(L"UTF-8");
    CUrlRequest request = Request(L"http://127.0.0.1/form", L"http://127.0.0.1/page");
    request.fields[L"name"] = L"a b+c";
    request.fields[L"city"] = L"日本";
    client.SendRequest(request, nullptr);
    ASSERT_EQ(0u, client.GetError().id) << Narrow(client.GetError().message);
    std::string body;
    client.DownloadToMemory(body);
    EXPECT_EQ("done", body);

    std::vector<CReceivedRequest> received = server.Requests();
    ASSERT_EQ(1u, received.size());
    const std::string expected = "city=%E6%97%A5%E6%9C%AC&name=a%20b%2Bc";
    EXPECT_EQ("POST /form HTTP/1.1", received[0].requestLine);
    EXPECT_EQ(expected, received[0].body);
    EXPECT_EQ(std::vector<std::string>{std::to_string(expected.size())}, received[0].Values("Content-Length"));
    EXPECT_EQ("application/x-www-form-urlencoded;charset=UTF-8", received[0].Header("Content-Type"));
    EXPECT_EQ("http://127.0.0.1/page", received[0].Header("Referer"));
}

TEST(HttpClient, RefusedConnectionIsAFailedRequest)
{
    unsigned short closedPort;
    {
        CLoopbackServer probe;
        closedPort = probe.Port();
    }
    CHttpClient client;
    client.SetPort(closedPort);
    client.SendRequest(Request(L"http://127.0.0.1/x"), nullptr);
    EXPECT_EQ(UINT(IDS_HTTP_REQUEST_FAILED), client.GetError().id);
    EXPECT_EQ(static_cast<HRESULT>(0x80072EFD), client.GetError().code);
    EXPECT_EQ(0u, client.GetError().message.find(L"HTTPリクエストに失敗しました - "));
}

TEST(HttpClient, SilentServerEndsTheRequestWithTheReadTimeout)
{
    CLoopbackServer server;
    server.RespondRaw("", true);
    CTestClient client(server);
    client.SetReadTimeout(300);
    DWORD start = GetTickCount();
    client.SendRequest(Request(L"http://127.0.0.1/x"), nullptr);
    EXPECT_LT(GetTickCount() - start, 5000u);
    EXPECT_EQ(UINT(IDS_HTTP_REQUEST_FAILED), client.GetError().id);
    EXPECT_EQ(static_cast<HRESULT>(0x80072EE2), client.GetError().code);
}

TEST(HttpClient, JapanesePathIsRetriedOnceInTheCharset)
{
    CLoopbackServer server;
    server.Respond("404 Not Found", "no");
    server.Respond("200 OK", "yes");
    CTestClient client(server);
    client.SetCharset(L"utf-8");
    client.SendRequest(Request(L"http://127.0.0.1/日本 語/a.txt?q=1"), nullptr);
    ASSERT_EQ(0u, client.GetError().id) << Narrow(client.GetError().message);
    std::string body;
    client.DownloadToMemory(body);
    EXPECT_EQ("yes", body);
    std::vector<CReceivedRequest> received = server.Requests();
    ASSERT_EQ(2u, received.size());
    // A space in a path is "%20": "+" would name another resource.
    EXPECT_EQ("GET /%e6%97%a5%e6%9c%ac%20%e8%aa%9e/a.txt?q=1 HTTP/1.1", received[1].requestLine);
}

TEST(HttpClient, OtherStatusesFailWithTheirCode)
{
    struct Case {
        std::vector<std::string> statuses;
        const wchar_t* charset;
        size_t requests;
    } cases[] = {
        {{"204 No Content"}, L"utf-8", 1},
        {{"301 Moved"}, L"utf-8", 1},
        {{"404 Not Found", "404 Not Found"}, L"utf-8", 2},  // one retry only
        {{"404 Not Found"}, L"", 1},                        // no charset, no retry
    };
    for (const Case& c : cases) {
        CLoopbackServer server;
        for (const std::string& status : c.statuses)
            server.Respond(status, "");
        CTestClient client(server);
        client.SetCharset(c.charset);
        client.SendRequest(Request(L"http://127.0.0.1/x"), nullptr);
        const std::string last = c.statuses.back();
        EXPECT_EQ(UINT(IDS_UNKNOWN_STATUS_CODE), client.GetError().id) << last;
        EXPECT_NE(std::wstring::npos, client.GetError().message.find(std::wstring(last.begin(), last.begin() + 3)))
            << last;
        EXPECT_EQ(c.requests, server.Requests().size()) << last;
    }
}

TEST(HttpClient, MegabyteToMemoryAndToFile)
{
    const std::string payload = Pattern(1 << 20);
    CLoopbackServer server;
    server.Respond("200 OK", payload);
    server.Respond("200 OK", payload);
    CTestClient client(server);
    CTestSink sink;
    client.SendRequest(Request(L"http://127.0.0.1/big"), &sink);
    std::string body;
    client.DownloadToMemory(body);
    ASSERT_EQ(0u, client.GetError().id) << Narrow(client.GetError().message);
    EXPECT_TRUE(body == payload) << body.size();
    EXPECT_EQ(1, sink.reports[BINDSTATUS_BEGINDOWNLOADDATA]);
    EXPECT_LE(1 << 20 >> 14, sink.reports[BINDSTATUS_DOWNLOADINGDATA]);
    EXPECT_EQ(1, sink.reports[BINDSTATUS_ENDDOWNLOADDATA]);

    client.SendRequest(Request(L"http://127.0.0.1/big"), nullptr);
    std::wstring path = L"unchanged";
    client.DownloadToFile(path);
    ASSERT_EQ(0u, client.GetError().id) << Narrow(client.GetError().message);
    std::wstring name = path.substr(path.find_last_of(L'\\') + 1);
    EXPECT_EQ(FormatStr(L"ZVR_%08X_", GetCurrentProcessId()), name.substr(0, 13)) << Narrow(path);
    EXPECT_TRUE(ReadFileBytes(path) == payload);
    DeleteFileW(path.c_str());
}

TEST(HttpClient, BodyLengthDecidesWhereTheDownloadEnds)
{
    struct Case {
        const char* name;
        std::string response;
        std::string body;
    } cases[] = {
        {"empty", "HTTP/1.1 200 OK\r\nContent-Length: 0\r\nConnection: close\r\n\r\n", ""},
        // Without a length the body ends where the connection does.
        {"no length", "HTTP/1.1 200 OK\r\nConnection: close\r\n\r\nuntil the end", "until the end"},
    };
    for (const Case& c : cases) {
        CLoopbackServer server;
        server.RespondRaw(c.response);
        CTestClient client(server);
        client.SendRequest(Request(L"http://127.0.0.1/x"), nullptr);
        std::string body = "old";
        client.DownloadToMemory(body);
        EXPECT_EQ(0u, client.GetError().id) << c.name << " " << Narrow(client.GetError().message);
        EXPECT_EQ(c.body, body) << c.name;
        if (c.body.empty())
            continue;
        EXPECT_EQ(UINT(IDS_HTTP_QUERY_INFO_FAILED), ThrownId([&] { client.GetContentLength(); }));
        SYSTEMTIME modified;
        client.GetLastModified(modified);
        EXPECT_EQ(UINT(IDS_HTTP_QUERY_INFO_FAILED), client.GetError().id);
        EXPECT_EQ(0, modified.wYear);
    }
}

TEST(HttpClient, StalledBodyEndsWithTheReadTimeout)
{
    CLoopbackServer server;
    server.RespondRaw("HTTP/1.1 200 OK\r\nContent-Length: 1000\r\nConnection: close\r\n\r\n0123456789", true);
    CTestClient client(server);
    client.SetReadTimeout(300);
    client.SendRequest(Request(L"http://127.0.0.1/slow"), nullptr);
    ASSERT_EQ(0u, client.GetError().id) << Narrow(client.GetError().message);
    std::string body;
    DWORD start = GetTickCount();
    client.DownloadToMemory(body);
    DWORD elapsed = GetTickCount() - start;
    EXPECT_EQ(UINT(IDS_INET_READ_TIMEOUT), client.GetError().id) << Narrow(client.GetError().message);
    EXPECT_LT(elapsed, 5000u);
}

TEST(HttpClient, AbortFromTheSinkLeavesNoFile)
{
    CLoopbackServer server;
    server.Respond("200 OK", Pattern(200000));
    CTestClient client(server);
    CTestSink sink;
    sink.abortOn = BINDSTATUS_DOWNLOADINGDATA;
    client.SendRequest(Request(L"http://127.0.0.1/big"), &sink);
    ASSERT_EQ(0u, client.GetError().id) << Narrow(client.GetError().message);
    std::wstring path = L"unchanged";
    client.DownloadToFile(path);
    EXPECT_EQ(UINT(IDS_DOWNLOAD_FAILED), client.GetError().id);
    EXPECT_EQ(E_ABORT, client.GetError().code);
    EXPECT_EQ(L"unchanged", path);
    EXPECT_TRUE(LeftoverDownloads().empty());
}

TEST(HttpClient, CancelDuringAStalledReadReturnsAtOnce)
{
    // The body never comes, so every report of the download comes from the
    // wait on a pending read.
    CLoopbackServer server;
    server.RespondRaw("HTTP/1.1 200 OK\r\nContent-Length: 1000\r\nConnection: close\r\n\r\n", true);
    server.Respond("200 OK", "next");
    CTestClient client(server);
    const DWORD limit = 60000;
    client.SetReadTimeout(limit);
    CTestSink sink;
    sink.abortOn = BINDSTATUS_DOWNLOADINGDATA;
    client.SendRequest(Request(L"http://127.0.0.1/stalled"), &sink);
    ASSERT_EQ(0u, client.GetError().id) << Narrow(client.GetError().message);
    std::string body;
    const DWORD start = GetTickCount();
    client.DownloadToMemory(body);
    EXPECT_LT(GetTickCount() - start, limit / 4);
    EXPECT_EQ(1, sink.reports[BINDSTATUS_DOWNLOADINGDATA]);
    EXPECT_EQ(UINT(IDS_DOWNLOAD_FAILED), client.GetError().id);
    EXPECT_EQ(E_ABORT, client.GetError().code);

    // The client goes on with new handles.
    client.SendRequest(Request(L"http://127.0.0.1/next"), nullptr);
    client.DownloadToMemory(body);
    EXPECT_EQ(0u, client.GetError().id) << Narrow(client.GetError().message);
    EXPECT_EQ("next", body);
}

TEST(HttpClient, FailingFileWriteIsReportedAndTheFileRemoved)
{
    CLoopbackServer server;
    server.Respond("200 OK", Pattern(100000));
    CFullDiskClient client(server);
    client.SendRequest(Request(L"http://127.0.0.1/big"), nullptr);
    ASSERT_EQ(0u, client.GetError().id) << Narrow(client.GetError().message);
    std::wstring path = L"unchanged";
    client.DownloadToFile(path);
    EXPECT_EQ(UINT(IDS_OPEN_FILE_FAILED), client.GetError().id);
    EXPECT_EQ(E_FAIL, client.GetError().code);
    EXPECT_EQ(L"unchanged", path);
    EXPECT_TRUE(LeftoverDownloads().empty());
}

TEST(HttpClient, DownloadFileNameKeepsOnlyASafeLastComponent)
{
    struct Case {
        std::string header;
        const wchar_t* name;
    } cases[] = {
        {"Content-Disposition: attachment; filename=\"..\\..\\Windows\\evil:x.exe\"\r\n", L"evil：x.exe"},
        {"Content-Disposition: attachment; filename=\"report 2024.pdf\"\r\n", L"report 2024.pdf"},
        {"Content-Disposition: attachment; filename=../../etc/passwd\r\n", L"passwd"},
        {"Content-Disposition: attachment; filename=\"..\"\r\n", L""},
        {"", L""},
    };
    for (const Case& c : cases) {
        CLoopbackServer server;
        server.Respond("200 OK", "x", c.header);
        CTestClient client(server);
        client.SendRequest(Request(L"http://127.0.0.1/f"), nullptr);
        ASSERT_EQ(0u, client.GetError().id) << c.header;
        std::wstring name = L"old";
        client.GetDownloadFileName(name);
        EXPECT_EQ(c.name, name) << c.header;
        EXPECT_EQ(*c.name ? 0u : UINT(IDS_HTTP_QUERY_INFO_FAILED), client.GetError().id) << c.header;
    }
}
