// One request over an asynchronous session: open, send the body, end, check
// the status, and on a 400 or 404 one more try with the path in the charset.
// The read loop asks for a chunk at a time; a read that returns nothing ends
// the body unless a known length is still short, in which case silence
// longer than the read time-out is an error.
#include "inet/HttpClient.h"
#include "foundation/File.h"
#include "foundation/GuardedRunner.h"
#include "foundation/StringUtil.h"
#include "inet/FormData.h"
#include "inet/Variant.h"
#include "platform/Bstr.h"
#include "platform/Variant.h"
#include "resources/strings_inet.h"

namespace {

// A converted path longer than this is no path a server would answer.
const size_t kMaxObjectBytes = 0x100000;

bool IsSuccessStatus(const std::wstring& status)
{
    return status == L"200" || status == L"201" || status == L"202" || status == L"203";
}

template <class F>
void RunGuarded(CSimpleErr& error, F&& action)
{
    my::CCtrlException result(nullptr, 0);
    CatchToError(result, action);
    error = result;
}

} // namespace

bool EscapeObjectName(const std::wstring& object, UINT codePage, std::wstring& out)
{
    out.clear();
    if (object.empty())
        return true;
    // Sized by asking first: a kanji takes three bytes in UTF-8, and a fixed
    // two bytes per character would make exactly the Japanese paths fail.
    int size = WideCharToMultiByte(codePage, 0, object.c_str(), static_cast<int>(object.size()),
                                   nullptr, 0, nullptr, nullptr);
    if (size <= 0 || static_cast<size_t>(size) > kMaxObjectBytes)
        return false;
    std::string bytes(static_cast<size_t>(size), '\0');
    if (WideCharToMultiByte(codePage, 0, object.c_str(), static_cast<int>(object.size()),
                            &bytes[0], size, nullptr, nullptr) != size)
        return false;
    static const wchar_t hex[] = L"0123456789abcdef";
    for (unsigned char c : bytes) {
        if (c == 0)
            break;
        if ((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || IsUrlReservedChar(c)) {
            out += static_cast<wchar_t>(c);
        } else {
            // A space too: "+" is a literal plus in a path and names another resource.
            out += L'%';
            out += hex[c >> 4];
            out += hex[c & 0xF];
        }
    }
    return true;
}

CHttpClient::CHttpClient() = default;

CHttpClient::~CHttpClient() { CloseHandles(); }

void CHttpClient::CloseHandles()
{
    m_request.Close();
    m_connection.Close();
    m_session.Close();
}

void CHttpClient::SendRequest(const CUrlRequest& url, IBindStatusCallback* sink)
{
    RunGuarded(m_error, [&] { RunRequest(url, sink); });
}

void CHttpClient::RunRequest(const CUrlRequest& url, IBindStatusCallback* sink)
{
    m_error = CSimpleErr();
    m_callback.SetBindStatusCallback(sink);
    m_callback.SetProgressMax(0x32000);
    m_callback.SetTimeLimit(m_readTimeout);
    const UINT codePage = CodePageOfCharset(m_charset);
    const std::string body = url.fields.empty() ? std::string() : EncodeFormFields(url.fields, codePage);
    std::wstring object = url.url.Path + url.url.Extra;
    std::wstring headers;
    if (!body.empty()) {
        headers = L"Content-Type: application/x-www-form-urlencoded";
        if (!m_charset.empty())
            headers += L";charset=" + m_charset;
        // Sent by hand: HttpSendRequestEx without buffers would announce 0
        // bytes, and the body would then poison the pooled connection.
        headers += L"\r\nContent-Length: " + std::to_wstring(body.size()) + L"\r\n";
    }
    if (!url.referer.empty())
        headers += L"Referer: " + url.referer + L"\r\n";
    const wchar_t* verb = body.empty() ? L"GET" : L"POST";

    // Children first: closing the session first would leave the older
    // connection and request holding handles that WinINet already dropped.
    CloseHandles();
    HRESULT hr = m_session.Open(m_userAgent.empty() ? nullptr : m_userAgent.c_str(),
                                INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, INTERNET_FLAG_ASYNC);
    if (FAILED(hr))
        ThrowInternetError(IDS_INET_OPEN_SESSION_FAILED, hr);
    m_session.SetStatusCallback(&m_callback);
    hr = m_connection.Open(&m_session, url.url.Host.c_str(), m_port);
    if (FAILED(hr))
        ThrowInternetError(IDS_INET_CONNECT_FAILED, hr);
    bool retried = false;
    for (;;) {
        hr = m_request.Open(&m_connection, verb, object.c_str(), nullptr, nullptr, nullptr, m_requestFlags);
        if (FAILED(hr))
            ThrowInternetError(IDS_HTTP_OPEN_FAILED, hr);
        // WinINet then gives up a stalled read by itself soon after the wait
        // does, so that a wait that gives up never leaves a read running into
        // our buffers. Wine takes it only from the request, not from the session.
        m_request.SetOption(INTERNET_OPTION_RECEIVE_TIMEOUT, InternetReceiveTimeout(m_readTimeout));
        if (!headers.empty() &&
            !HttpAddRequestHeadersW(m_request.GetHandle(), headers.c_str(), static_cast<DWORD>(headers.size()),
                                    HTTP_ADDREQ_FLAG_ADD))
            ThrowInternetError(IDS_HTTP_REQUEST_FAILED, FailedCallResult());
        hr = m_request.SendRequestEx();
        if (FAILED(hr))
            ThrowInternetError(IDS_HTTP_REQUEST_FAILED, hr);
        if (!body.empty())
            m_request.Write(body);
        hr = m_request.EndRequest();
        if (FAILED(hr))
            ThrowInternetError(IDS_HTTP_REQUEST_FAILED, hr);
        std::wstring status;
        m_request.QueryInfo(HTTP_QUERY_STATUS_CODE, status);
        if (status.size() != 3)
            throw my::CException(IDS_UNKNOWN_STATUS_CODE, status);
        if (IsSuccessStatus(status))
            return;
        std::wstring escaped;
        if (!retried && (status == L"400" || status == L"404") && m_request.Close() && codePage != 0 &&
            EscapeObjectName(object, codePage, escaped)) {
            retried = true;
            object = escaped;
            continue;
        }
        throw my::CException(IDS_UNKNOWN_STATUS_CODE, status);
    }
}

void CHttpClient::DownloadToMemory(std::string& body)
{
    RunGuarded(m_error, [&] {
        CInetMemStream stream(body);
        Download(stream);
    });
}

void CHttpClient::OpenDownloadFile(CInetFileStream& stream, const std::wstring& path) { stream.Open(path); }

void CHttpClient::DownloadToFile(std::wstring& path)
{
    RunGuarded(m_error, [&] {
        std::wstring name;
        MakeTempFileNameOrThrow(name);
        // Before the stream, so destroyed after it: the file is closed before
        // it is deleted.
        CAutoDeleteFile autoDelete;
        autoDelete.SetFile(name);
        CInetFileStream stream;
        OpenDownloadFile(stream, name);
        Download(stream);
        stream.Close();
        autoDelete.Release();
        path = name;
    });
}

void CHttpClient::Download(CInetStream& stream)
{
    m_error = CSimpleErr();
    DWORD length = 0xFFFFFFFF;
    try {
        m_request.QueryContentLength(length);
    } catch (const my::CException&) {
        length = 0xFFFFFFFF;
    }
    m_callback.SetProgressMax(length);
    m_callback.SetTimeLimit(m_readTimeout);
    stream.Begin(length, m_chunkSize);
    INTERNET_BUFFERSA buffers = {};
    buffers.dwStructSize = sizeof(buffers);
    DWORD total = 0;
    HRESULT hr = m_callback.ReportProgress(BINDSTATUS_BEGINDOWNLOADDATA);
    if (FAILED(hr))
        ThrowInternetError(IDS_DOWNLOAD_FAILED, hr);
    m_callback.ResetProgress();
    DWORD lastData = GetTickCount();
    for (;;) {
        void* buffer = nullptr;
        DWORD size = 0;
        stream.GetBuffer(buffer, size);
        buffers.lpvBuffer = buffer;
        buffers.dwBufferLength = size;
        hr = m_request.ReadEx(&buffers);
        if (hr == E_INTERNET_WAIT_TIMEOUT)
            ThrowInternetError(IDS_INET_READ_TIMEOUT, hr);
        if (FAILED(hr))
            ThrowInternetError(IDS_INET_READ_FAILED, hr);
        const DWORD now = GetTickCount();
        const DWORD read = buffers.dwBufferLength;
        if (read == 0) {
            if (length == 0 || length == 0xFFFFFFFF || total == length)
                break;
            if (now - lastData >= m_readTimeout)
                ThrowInternetError(IDS_INET_READ_TIMEOUT, E_FAIL);
            Sleep(100);
            continue;
        }
        lastData = now;
        stream.Commit(buffer, read);
        total += read;
        Sleep(0);
        hr = m_callback.ReportProgress(BINDSTATUS_DOWNLOADINGDATA);
        if (FAILED(hr))
            ThrowInternetError(IDS_DOWNLOAD_FAILED, hr);
    }
    stream.End();
    std::wstring status;
    m_request.QueryInfo(HTTP_QUERY_STATUS_CODE, status);
    if (status.size() != 3 || !IsSuccessStatus(status))
        throw my::CException(IDS_UNKNOWN_STATUS_CODE, status);
    hr = m_callback.ReportEnd();
    if (FAILED(hr))
        ThrowInternetError(IDS_DOWNLOAD_FAILED, hr);
}

DWORD CHttpClient::GetContentLength()
{
    DWORD length = 0;
    m_request.QueryContentLength(length);
    return length;
}

void CHttpClient::GetLastModified(SYSTEMTIME& time)
{
    m_error = CSimpleErr();
    time = SYSTEMTIME();
    try {
        m_request.QueryLastModified(time);
    } catch (const CInternetException& e) {
        m_error.Set(InternetErrorMessageId(e.operation), L"");
    }
}

void CHttpClient::GetDownloadFileName(std::wstring& name)
{
    m_error = CSimpleErr();
    name.clear();
    std::wstring header;
    try {
        m_request.QueryInfo(HTTP_QUERY_CONTENT_DISPOSITION, header);
    } catch (const CInternetException&) {
        header.clear();
    }
    std::wstring suggested;
    if (ExtractDownloadFileName(header, suggested))
        name = MakeDownloadFileNameSafe(suggested);
    if (name.empty())
        m_error.Set(IDS_HTTP_QUERY_INFO_FAILED, L"");
}

HRESULT MakeNavigation(const CUrlRequest& url, std::wstring& headers, VARIANT* postData)
{
    headers.clear();
    if (!url.referer.empty())
        headers += L"Referer: " + url.referer + L"\r\n";
    if (url.fields.empty())
        return VariantClear(postData);
    headers += L"Content-Type: application/x-www-form-urlencoded\r\n";
    std::string body;
    try {
        body = EncodeFormFields(url.fields, 0);
    } catch (const my::CException& e) {
        return e.code ? e.code : E_FAIL;
    }
    return BytesToVariant(postData, body);
}

HRESULT Navigate(const CUrlRequest& url, IWebBrowser2* browser, const std::wstring& targetFrame)
{
    std::wstring headerText;
    CVariant postData;
    HRESULT hr = MakeNavigation(url, headerText, &postData);
    if (FAILED(hr))
        return hr;
    CBstr address(url.url.Url);
    CVariant flags, frame, headers;
    frame.Get().vt = VT_BSTR;
    frame.Get().bstrVal = SysAllocStringLen(targetFrame.data(), static_cast<UINT>(targetFrame.size()));
    headers.Get().vt = VT_BSTR;
    headers.Get().bstrVal = SysAllocStringLen(headerText.data(), static_cast<UINT>(headerText.size()));
    if (!frame.Get().bstrVal || !headers.Get().bstrVal)
        return E_OUTOFMEMORY;
    return browser->Navigate(address, &flags, &frame, &postData, &headers);
}
