#include "inet/InternetHandle.h"
#include "foundation/File.h"
#include "foundation/StringUtil.h"
#include "resources/strings_inet.h"
#include <shlwapi.h>
#include <algorithm>
#include <cstring>
#include <vector>

namespace {

// Context value of every handle: the session's number, whatever object made
// the call.
DWORD_PTR ContextOf(CInternetSession* session) { return session ? session->GetContext() : 0; }

bool IsPendingOn(CInternetSession* session, DWORD error)
{
    return session && session->IsAsync() && session->GetCallback() && error == ERROR_IO_PENDING;
}

} // namespace

CInternetCall::CInternetCall(CInternetSession* session, CInternetHandle& runsOn, bool createsHandle,
                             const boost::shared_ptr<void>& memory)
    : m_session(session), m_runsOn(runsOn), m_callback(session ? session->GetCallback() : nullptr)
{
    if (!m_callback)
        return;
    m_callback->Reset();
    if (createsHandle)
        m_callback->SetCreatingCall(runsOn.GetHandle());
    else
        m_callback->SetCall(runsOn.GetHandle(), memory);
}

CInternetCall::~CInternetCall()
{
    if (!m_callback || !m_callback->CallAbandoned())
        return;
    m_runsOn.m_handle = nullptr;
    m_runsOn.m_outlived = false;
    for (CInternetHandle* above = m_runsOn.GetParent(); above; above = above->GetParent())
        above->OutlivedByAbandonedCall();
}

HRESULT CInternetCall::Finish(bool done, UINT operation)
{
    if (done)
        return S_OK;
    const DWORD error = GetLastError();
    if (!IsPendingOn(m_session, error))
        throw CInternetException(m_runsOn.GetHandle(), operation, error);
    const HRESULT hr = Wait(BINDSTATUS_CONNECTING);
    return FAILED(hr) ? hr : S_OK;
}

HRESULT CInternetCall::Wait(ULONG statusCode) { return m_callback->Wait(statusCode, true); }

UINT InternetErrorMessageId(UINT operation)
{
    static const UINT ids[] = {
        IDS_INET_SUCCESS, IDS_INET_SET_OPTION_FAILED, IDS_INET_QUERY_OPTION_FAILED, IDS_INET_OPEN_SESSION_FAILED, IDS_INET_CONNECT_FAILED, IDS_INET_READ_FAILED, IDS_INET_WRITE_FAILED, IDS_INET_QUERY_LENGTH_FAILED,
        IDS_HTTP_OPEN_FAILED, IDS_HTTP_REQUEST_FAILED, IDS_HTTP_QUERY_INFO_FAILED, IDS_INET_UNKNOWN_RESPONSE, IDS_INET_OPEN_FILE_FAILED, IDS_INET_CLOSE_HANDLE_FAILED, IDS_INET_SET_CALLBACK_FAILED, IDS_INET_TERMINATED_BY_USER,
    };
    return operation < sizeof(ids) / sizeof(ids[0]) ? ids[operation] : IDS_INET_UNKNOWN_RESPONSE;
}

std::wstring NetworkErrorText(HRESULT code)
{
    // Loaded once and kept: only its message table is read.
    static const HMODULE netmsg = LoadLibraryExW(L"netmsg.dll", nullptr, LOAD_LIBRARY_AS_DATAFILE);
    std::wstring text = FormatSystemMessage(code, netmsg);
    TrimIf(text, IsSpaceOrCr);
    return text;
}

void ThrowInternetError(UINT messageId, HRESULT code)
{
    if (code == E_ABORT)
        throw my::CException(IDS_DOWNLOAD_FAILED, E_ABORT);
    CSimpleErr err;
    err.Set(messageId, NetworkErrorText(code));
    err.code = code;
    throw my::CException(err);
}

CInternetException::CInternetException(HINTERNET handle_, UINT operation_, const DWORD* error_)
    : my::CException(0u)
{
    Set(handle_, operation_, error_);
}

CInternetException::CInternetException(HINTERNET handle_, UINT operation_, DWORD error_)
    : my::CException(0u)
{
    Set(handle_, operation_, &error_);
}

void CInternetException::Set(HINTERNET handle_, UINT operation_, const DWORD* error_)
{
    DWORD lastError = GetLastError();
    handle = handle_;
    operation = operation_;
    extendedError = 0;
    if (operation == kInetNone) {
        error = 0;
        CSimpleErr::Set(0);
        return;
    }
    error = error_ ? *error_ : lastError;
    DWORD length = 0;
    InternetGetLastResponseInfoW(&extendedError, nullptr, &length);
    HRESULT hr = static_cast<LONG>(error) > 0 ? HResultFromWin32(error) : static_cast<HRESULT>(error);
    CSimpleErr::Set(InternetErrorMessageId(operation), NetworkErrorText(hr));
    code = hr;
}

CInternetHandle::~CInternetHandle()
{
    CInternetHandle::Close();
    if (m_handle)
        InternetCloseHandle(m_handle);
}

bool CInternetHandle::Close() { return CloseWith(nullptr); }

bool CInternetHandle::CloseWith(CInternetSession* session)
{
    CInternetStatusCallback* callback = session ? session->GetCallback() : nullptr;
    if (callback) {
        callback->Reset();
        callback->SetCall(m_handle);
    }
    if (!m_handle)
        return true;
    if (m_outlived && !RouteStatusesAway(m_handle))
        return false;
    if (!InternetCloseHandle(m_handle)) {
        if (!IsPendingOn(session, GetLastError()))
            return false;
        // The end of a close routed away reaches nobody: it is done.
        if (!m_outlived && FAILED(callback->Wait(0, false)))
            return false;
    }
    m_handle = nullptr;
    m_outlived = false;
    return true;
}

CInternetSession::CInternetSession(const wchar_t* agent, DWORD accessType, const wchar_t* proxy,
                                   const wchar_t* proxyBypass, DWORD flags)
{
    HRESULT hr = Open(agent, accessType, proxy, proxyBypass, flags);
    if (FAILED(hr))
        throw CInternetException(nullptr, kInetOpenSession, static_cast<DWORD>(hr));
}

CInternetSession::~CInternetSession()
{
    Close();
    SetInternetStatusReceiver(m_context, nullptr, nullptr);
}

HRESULT CInternetSession::Open(const wchar_t* agent, DWORD accessType, const wchar_t* proxy,
                               const wchar_t* proxyBypass, DWORD flags)
{
    if (!Close())
        return E_FAIL;
    wchar_t program[260] = {};
    if (!agent) {
        GetModuleFileNameW(nullptr, program, 260);
        PathRemoveExtensionW(program);
        agent = PathFindFileNameW(program);
    }
    m_flags = flags;
    m_context = NewInternetContext();
    m_handle = InternetOpenW(agent, accessType, proxy, proxyBypass, flags);
    return m_handle ? S_OK : FailedCallResult();
}

bool CInternetSession::Close()
{
    if (!CloseWith(this))
        return false;
    // What its handles still report reaches nobody now.
    SetInternetStatusReceiver(m_context, nullptr, nullptr);
    return true;
}

void CInternetSession::SetStatusCallback(CInternetStatusCallback* callback)
{
    m_callback = callback;
    DWORD_PTR context = ContextOf(this);
    if (!InternetSetOptionW(m_handle, INTERNET_OPTION_CONTEXT_VALUE, &context, sizeof(context)))
        throw CInternetException(m_handle, kInetSetOption, GetLastError());
    SetInternetStatusReceiver(context, this, callback);
    if (InternetSetStatusCallbackW(m_handle, callback ? InternetStatusProc : nullptr) == INTERNET_INVALID_STATUS_CALLBACK)
        throw CInternetException(m_handle, kInetSetCallback, GetLastError());
}

void CInternetHandle::SetOption(DWORD option, DWORD value)
{
    if (!InternetSetOptionW(m_handle, option, &value, sizeof(value)))
        throw CInternetException(m_handle, kInetSetOption, GetLastError());
}

CInternetConnection::~CInternetConnection() { CInternetConnection::Close(); }

HRESULT CInternetConnection::Open(CInternetSession* session, const wchar_t* server, INTERNET_PORT port)
{
    if (!Close())
        return E_FAIL;
    m_session = session;
    CInternetCall call(session, *session, true);
    m_handle = InternetConnectW(session->GetHandle(), server, port, nullptr, nullptr,
                                INTERNET_SERVICE_HTTP, 0, ContextOf(session));
    const HRESULT hr = call.Finish(m_handle != nullptr, kInetConnect);
    if (SUCCEEDED(hr) && !m_handle)
        m_handle = call.CreatedHandle();
    return hr;
}

bool CInternetConnection::Close() { return CloseWith(m_session); }

CHttpConnection::~CHttpConnection() { CHttpConnection::Close(); }

bool CHttpConnection::Close() { return CInternetConnection::Close(); }

CInternetFile::~CInternetFile() { CInternetFile::Close(); }

CInternetSession* CInternetFile::GetSession() const
{
    return m_connection ? m_connection->GetSession() : nullptr;
}

bool CInternetFile::Close()
{
    if (!CloseWith(GetSession()))
        return false;
    m_connection = nullptr;
    return true;
}

HRESULT CInternetFile::ReadEx(INTERNET_BUFFERSA* buffers)
{
    struct CReadMemory {
        INTERNET_BUFFERSA buffers;
        std::vector<char> bytes;
    };
    boost::shared_ptr<CReadMemory> memory(new CReadMemory());
    memory->bytes.resize(buffers->dwBufferLength);
    memory->buffers = INTERNET_BUFFERSA();
    memory->buffers.dwStructSize = sizeof(INTERNET_BUFFERSA);
    memory->buffers.lpvBuffer = memory->bytes.data();
    memory->buffers.dwBufferLength = buffers->dwBufferLength;
    const auto deliver = [&] {
        const DWORD read = std::min(memory->buffers.dwBufferLength, buffers->dwBufferLength);
        if (read)
            std::memcpy(buffers->lpvBuffer, memory->bytes.data(), read);
        buffers->dwBufferLength = read;
        return S_OK;
    };

    CInternetSession* session = GetSession();
    CInternetCall call(session, *this, false, memory);
    if (InternetReadFileExA(m_handle, &memory->buffers, 0, ContextOf(session)))
        return deliver();
    DWORD error = GetLastError();
    if (!session || !session->IsAsync())
        throw CInternetException(m_handle, kInetRead, error);
    if (!IsPendingOn(session, error))
        return HResultFromWin32(error);
    HRESULT hr = call.Wait(BINDSTATUS_DOWNLOADINGDATA);
    return FAILED(hr) ? hr : deliver();
}

void CInternetFile::ReadAll(std::string& out)
{
    const DWORD step = 1024;
    out.clear();
    DWORD total = 0;
    for (;;) {
        if (out.size() - total < step)
            out.resize(total + step);
        DWORD read = 0;
        if (!InternetReadFile(m_handle, &out[total], step, &read))
            throw CInternetException(m_handle, kInetRead, GetLastError());
        if (read == 0)
            break;
        total += read;
    }
    out.resize(total);
}

DWORD CInternetFile::Write(const std::string& data)
{
    DWORD total = 0;
    while (total < data.size()) {
        DWORD written = 0;
        if (!InternetWriteFile(m_handle, data.data() + total, static_cast<DWORD>(data.size() - total), &written))
            throw CInternetException(m_handle, kInetWrite, GetLastError());
        // A write that takes nothing would loop for ever.
        if (written == 0)
            throw CInternetException(m_handle, kInetWrite, static_cast<DWORD>(ERROR_WRITE_FAULT));
        total += written;
    }
    return total;
}

CHttpFile::CHttpFile(CInternetConnection* connection, const wchar_t* verb, const wchar_t* object,
                     const wchar_t* version, const wchar_t* referrer, const wchar_t** acceptTypes, DWORD flags)
{
    Open(connection, verb, object, version, referrer, acceptTypes, flags);
}

CHttpFile::~CHttpFile() { CHttpFile::Close(); }

bool CHttpFile::Close() { return CInternetFile::Close(); }

HRESULT CHttpFile::Open(CInternetConnection* connection, const wchar_t* verb, const wchar_t* object,
                        const wchar_t* version, const wchar_t* referrer, const wchar_t** acceptTypes, DWORD flags)
{
    if (!Close())
        return E_FAIL;
    m_connection = connection;
    CInternetSession* session = GetSession();
    CInternetCall call(session, *connection, true);
    static const wchar_t* anyType[] = {L"*/*", nullptr};
    m_handle = HttpOpenRequestW(connection->GetHandle(), verb, object, version, referrer,
                                acceptTypes ? acceptTypes : anyType, flags, ContextOf(session));
    const HRESULT hr = call.Finish(m_handle != nullptr, kInetHttpOpen);
    if (SUCCEEDED(hr) && !m_handle)
        m_handle = call.CreatedHandle();
    return hr;
}

HRESULT CHttpFile::SendRequest(const wchar_t* headers, DWORD headersLength, const void* optional, DWORD optionalLength)
{
    CInternetSession* session = GetSession();
    CInternetCall call(session, *this, false);
    if (HttpSendRequestW(m_handle, headers, headersLength, const_cast<void*>(optional), optionalLength))
        return S_OK;
    DWORD error = GetLastError();
    if (IsPendingOn(session, error))
        return S_OK;
    throw CInternetException(m_handle, kInetHttpRequest, error);
}

HRESULT CHttpFile::SendForm(const std::string& body, const std::wstring& charset)
{
    std::wstring headers = L"Content-Type: application/x-www-form-urlencoded";
    if (!charset.empty())
        headers += L";charset=" + charset;
    return SendRequest(headers.c_str(), static_cast<DWORD>(headers.size()), body.data(),
                       static_cast<DWORD>(body.size()));
}

HRESULT CHttpFile::SendFormText(const std::wstring& body, const std::wstring& charset)
{
    std::string bytes;
    WideToMultiByte(CP_THREAD_ACP, body, bytes);
    return SendForm(bytes, charset);
}

HRESULT CHttpFile::SendRequestEx()
{
    CInternetSession* session = GetSession();
    CInternetCall call(session, *this, false);
    const bool done = HttpSendRequestExW(m_handle, nullptr, nullptr, 0, ContextOf(session)) != FALSE;
    return call.Finish(done, kInetHttpRequest);
}

HRESULT CHttpFile::EndRequest()
{
    CInternetSession* session = GetSession();
    CInternetCall call(session, *this, false);
    const bool done = HttpEndRequestW(m_handle, nullptr, HSR_INITIATE, ContextOf(session)) != FALSE;
    return call.Finish(done, kInetHttpRequest);
}

void CHttpFile::QueryInfo(DWORD infoLevel, std::wstring& out)
{
    DWORD bytes = 0;
    DWORD index = 0;
    if (HttpQueryInfoW(m_handle, infoLevel, nullptr, &bytes, &index)) {
        out.clear();
        return;
    }
    DWORD error = GetLastError();
    if (error != ERROR_INSUFFICIENT_BUFFER)
        throw CInternetException(m_handle, kInetHttpQuery, error);
    std::wstring text((bytes + 1) / 2 + 1, L'\0');
    bytes = static_cast<DWORD>(text.size() * sizeof(wchar_t));
    index = 0;
    if (!HttpQueryInfoW(m_handle, infoLevel, &text[0], &bytes, &index))
        throw CInternetException(m_handle, kInetHttpQuery, GetLastError());
    text.resize(std::min<size_t>((bytes + 1) / 2, wcsnlen(text.c_str(), text.size())));
    out.swap(text);
}

void CHttpFile::QueryContentLength(DWORD& length)
{
    DWORD size = sizeof(length);
    if (!HttpQueryInfoW(m_handle, HTTP_QUERY_FLAG_NUMBER | HTTP_QUERY_CONTENT_LENGTH, &length, &size, nullptr))
        throw CInternetException(m_handle, kInetHttpQuery, GetLastError());
}

void CHttpFile::QueryLastModified(SYSTEMTIME& time)
{
    DWORD size = sizeof(time);
    if (!HttpQueryInfoW(m_handle, HTTP_QUERY_FLAG_SYSTEMTIME | HTTP_QUERY_LAST_MODIFIED, &time, &size, nullptr))
        throw CInternetException(m_handle, kInetHttpQuery, GetLastError());
}
