// The HTTP client: one GET or POST at a time over an asynchronous WinINet
// session, its status checked, and then its body read into memory or into a
// temporary file. The public operations never raise: each leaves its outcome
// in the error record (id 0: success).
#pragma once
#include "inet/InetStream.h"
#include "inet/InternetHandle.h"
#include "inet/StatusCallback.h"
#include "inet/UrlRequest.h"
#include <windows.h>
#include <exdisp.h>
#include <string>

class CHttpClient {
public:
    CHttpClient();
    virtual ~CHttpClient();
    CHttpClient(const CHttpClient&) = delete;
    CHttpClient& operator=(const CHttpClient&) = delete;

    // GET, or POST of the fields form-encoded in the charset. Statuses 200
    // to 203 succeed and leave the request open for a download; a 400 or 404
    // is tried once more with the path converted to the charset and escaped.
    void SendRequest(const CUrlRequest& url, IBindStatusCallback* sink);
    // The body, replacing what the string held; on failure the bytes received.
    void DownloadToMemory(std::string& body);
    // The body in a new temporary file that then belongs to the caller; path
    // is set only on success, and a failed download leaves no file.
    void DownloadToFile(std::wstring& path);
    // The read loop; raises on failure.
    void Download(CInetStream& stream);
    // Raises CInternetException (operation 10) without a Content-Length.
    DWORD GetContentLength();
    void GetLastModified(SYSTEMTIME& time);
    // The server's suggested file name, reduced to a safe one; IDS_HTTP_QUERY_INFO_FAILED when
    // there is none.
    void GetDownloadFileName(std::wstring& name);
    const CSimpleErr& GetError() const { return m_error; }

    void SetCharset(const std::wstring& charset) { m_charset = charset; }
    const std::wstring& GetCharset() const { return m_charset; }
    // Empty: the program's own name.
    void SetUserAgent(const std::wstring& agent) { m_userAgent = agent; }
    // The longest silence a request or a download tolerates, in milliseconds.
    void SetReadTimeout(DWORD milliseconds) { m_readTimeout = milliseconds; }
    DWORD GetReadTimeout() const { return m_readTimeout; }
    void SetChunkSize(DWORD bytes) { m_chunkSize = bytes ? bytes : 1; }
    DWORD GetChunkSize() const { return m_chunkSize; }
    void SetRequestFlags(DWORD flags) { m_requestFlags = flags; }
    DWORD GetRequestFlags() const { return m_requestFlags; }
    // Never taken from the URL.
    void SetPort(INTERNET_PORT port) { m_port = port; }
    INTERNET_PORT GetPort() const { return m_port; }

    const CInternetStatusCallbackBS& GetCallback() const { return m_callback; }

protected:
    // Opens the temporary file of DownloadToFile.
    virtual void OpenDownloadFile(CInetFileStream& stream, const std::wstring& path);

private:
    void RunRequest(const CUrlRequest& url, IBindStatusCallback* sink);
    void CloseHandles();

    // Declared first, so destroyed last: the handles below report to it until
    // they are closed.
    CInternetStatusCallbackBS m_callback;
    CSimpleErr m_error;
    std::wstring m_charset;
    std::wstring m_userAgent;
    DWORD m_readTimeout = 60000;
    DWORD m_chunkSize = 16384;
    DWORD m_requestFlags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_KEEP_CONNECTION;
    INTERNET_PORT m_port = 80;
    CInternetSession m_session;
    CHttpConnection m_connection;
    CHttpFile m_request;
};

// The request line's object after a 400 or 404: the bytes in the charset,
// letters, digits and # % & ' ( ) * + - . / : = ? _ as they are, a space as
// "%20", every other byte as "%xx". False when the text does not convert.
bool EscapeObjectName(const std::wstring& object, UINT codePage, std::wstring& out);

// The headers and post data a browser control is given for the request:
// the referer, and for fields the content type and the body in the ANSI code
// page.
HRESULT MakeNavigation(const CUrlRequest& url, std::wstring& headers, VARIANT* postData);
HRESULT Navigate(const CUrlRequest& url, IWebBrowser2* browser, const std::wstring& targetFrame);
