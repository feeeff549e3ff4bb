#include "inet/StatusCallback.h"
#include "foundation/Error.h"
#include "inet/InternetHandle.h"
#include "resources/strings_foundation.h"
#include <algorithm>
#include <map>

namespace {

// How long a wait that gave up without abandoning its call (a time-out, or a
// cancel of a call with no handle of its own) still lets the call end:
// WinINet's receive time-out (the limit and kReceiveMarginMs) ends a stalled
// call, this is its slack.
const DWORD kGiveUpGraceMs = 2000;
// Well above the 16 ms steps of Wine's tick count and a busy machine's delays,
// so that a call WinINet ended by its receive time-out never measures a
// silence shorter than the limit.
const DWORD kReceiveMarginMs = 500;
static_assert(kReceiveMarginMs < kGiveUpGraceMs, "a call given up must end within the slack");

DWORD InfoDword(const void* info, DWORD infoLength)
{
    return info && infoLength >= sizeof(DWORD) ? *static_cast<const DWORD*>(info) : 0;
}

// The calls left to end by themselves, each with the memory it may still
// write into, until their handle reports closing (its last status). Never
// destroyed: a call may end while the process exits.
struct CAbandonedCalls {
    CAutoCriticalSection lock;
    std::map<HINTERNET, boost::shared_ptr<void>> memory;
};

CAbandonedCalls& AbandonedCalls()
{
    static CAbandonedCalls* calls = new CAbandonedCalls;
    return *calls;
}

// The context of a handle whose statuses reach no callback: its address
// only is used.
const char kAbandonedContext = 0;

DWORD_PTR AbandonedContext() { return reinterpret_cast<DWORD_PTR>(&kAbandonedContext); }

void OnAbandonedStatus(HINTERNET handle, DWORD status)
{
    if (status != INTERNET_STATUS_HANDLE_CLOSING)
        return;
    boost::shared_ptr<void> released;
    CAbandonedCalls& calls = AbandonedCalls();
    CAutoLock<CAutoCriticalSection> lock(calls.lock);
    auto found = calls.memory.find(handle);
    if (found != calls.memory.end()) {
        released.swap(found->second);
        calls.memory.erase(found);
    }
}

} // namespace

void AbandonInternetCall(HINTERNET handle, const boost::shared_ptr<void>& memory)
{
    {
        CAbandonedCalls& calls = AbandonedCalls();
        CAutoLock<CAutoCriticalSection> lock(calls.lock);
        calls.memory[handle] = memory;
    }
    // Kept first, then routed: the closing status may come at once.
    RouteStatusesAway(handle);
    InternetCloseHandle(handle);
}

size_t PendingAbandonedInternetCalls()
{
    CAbandonedCalls& calls = AbandonedCalls();
    CAutoLock<CAutoCriticalSection> lock(calls.lock);
    return calls.memory.size();
}

void RouteStatusesAway(HINTERNET handle)
{
    DWORD_PTR context = AbandonedContext();
    InternetSetOptionW(handle, INTERNET_OPTION_CONTEXT_VALUE, &context, sizeof(context));
}

DWORD InternetReceiveTimeout(DWORD timeLimit)
{
    return timeLimit < INFINITE - kReceiveMarginMs ? timeLimit + kReceiveMarginMs : INFINITE;
}

void CALLBACK InternetStatusProc(HINTERNET handle, DWORD_PTR context, DWORD status, LPVOID info, DWORD infoLength)
{
    // Every handle of a session carries the session's address as its context
    // from its creation on, so no status can arrive with anything else but
    // the context of a handle routed away.
    if (context == AbandonedContext()) {
        OnAbandonedStatus(handle, status);
        return;
    }
    CInternetSession* session = reinterpret_cast<CInternetSession*>(context);
    if (!session)
        return;
    CInternetStatusCallback* callback = session->GetCallback();
    if (!callback)
        return;
    try {
        callback->OnStatus(session, handle, status, info, infoLength);
    } catch (...) {
        // A WinINet worker thread must never see an exception; the waiting
        // thread learns of the failure through the call's own outcome.
    }
}

CInternetStatusCallback::CInternetStatusCallback()
    : m_handle(nullptr), m_completed(false), m_result(S_OK),
      m_done(CreateEventW(nullptr, TRUE, FALSE, nullptr))
{
    if (!m_done.IsValid())
        ThrowLastError(IDS_INTERNAL_ERROR, L"CreateEvent");
}

CInternetStatusCallback::~CInternetStatusCallback() = default;

void CInternetStatusCallback::Reset()
{
    ResetEvent(m_done);
    m_callHandle = nullptr;
    m_callMemory.reset();
    m_callAbandoned = false;
    m_handle = nullptr;
    m_result = S_OK;
    m_completed = false;
}

HRESULT CInternetStatusCallback::Wait(ULONG, bool) { return S_OK; }

void CInternetStatusCallback::Complete(HRESULT result)
{
    m_result = result;
    m_completed = true;
    SetEvent(m_done);
}

bool CInternetStatusCallback::WaitForCompletion(DWORD milliseconds)
{
    if (IsCompleted())
        return true;
    WaitForSingleObject(m_done, milliseconds);
    return IsCompleted();
}

void CInternetStatusCallback::SetCall(HINTERNET handle, const boost::shared_ptr<void>& memory)
{
    m_callHandle = handle;
    m_callMemory = memory;
}

bool CInternetStatusCallback::AbandonCall()
{
    if (!m_callHandle)
        return false;
    AbandonInternetCall(m_callHandle, m_callMemory);
    m_callHandle = nullptr;
    m_callMemory.reset();
    m_callAbandoned = true;
    return true;
}

void CInternetStatusCallback::OnStatus(CInternetSession* context, HINTERNET handle, DWORD status,
                                       void* info, DWORD infoLength)
{
    switch (status) {
    case INTERNET_STATUS_RESOLVING_NAME: OnResolvingName(context, handle, info); break;
    case INTERNET_STATUS_NAME_RESOLVED: OnNameResolved(context, handle, info); break;
    case INTERNET_STATUS_CONNECTING_TO_SERVER: OnConnectingToServer(context, handle, info); break;
    case INTERNET_STATUS_CONNECTED_TO_SERVER: OnConnectedToServer(context, handle, info); break;
    case INTERNET_STATUS_SENDING_REQUEST: OnSendingRequest(context, handle); break;
    case INTERNET_STATUS_REQUEST_SENT: OnRequestSent(context, handle, InfoDword(info, infoLength)); break;
    case INTERNET_STATUS_RECEIVING_RESPONSE: OnReceivingResponse(context, handle); break;
    case INTERNET_STATUS_RESPONSE_RECEIVED: OnResponseReceived(context, handle, InfoDword(info, infoLength)); break;
    case INTERNET_STATUS_CLOSING_CONNECTION: OnClosingConnection(context, handle); break;
    case INTERNET_STATUS_CONNECTION_CLOSED: OnConnectionClosed(context, handle); break;
    case INTERNET_STATUS_HANDLE_CREATED: OnHandleCreated(context, handle, info); break;
    case INTERNET_STATUS_HANDLE_CLOSING: OnHandleClosing(context, handle); break;
    case INTERNET_STATUS_DETECTING_PROXY: OnDetectingProxy(context, handle); break;
    case INTERNET_STATUS_REQUEST_COMPLETE: OnRequestComplete(context, handle, info); break;
    case INTERNET_STATUS_REDIRECT: OnRedirect(context, handle, info); break;
    case INTERNET_STATUS_INTERMEDIATE_RESPONSE: OnIntermediateResponse(context, handle); break;
    case INTERNET_STATUS_STATE_CHANGE: OnStateChange(context, handle, InfoDword(info, infoLength)); break;
    default: break;
    }
}

void CInternetStatusCallback::OnClosingConnection(CInternetSession*, HINTERNET) {}
void CInternetStatusCallback::OnConnectedToServer(CInternetSession*, HINTERNET, void*) {}
void CInternetStatusCallback::OnConnectingToServer(CInternetSession*, HINTERNET, void*) {}
void CInternetStatusCallback::OnConnectionClosed(CInternetSession*, HINTERNET) {}
void CInternetStatusCallback::OnDetectingProxy(CInternetSession*, HINTERNET) {}
void CInternetStatusCallback::OnHandleClosing(CInternetSession*, HINTERNET) {}
void CInternetStatusCallback::OnIntermediateResponse(CInternetSession*, HINTERNET) {}
void CInternetStatusCallback::OnNameResolved(CInternetSession*, HINTERNET, void*) {}
void CInternetStatusCallback::OnReceivingResponse(CInternetSession*, HINTERNET) {}
void CInternetStatusCallback::OnRedirect(CInternetSession*, HINTERNET, void*) {}
void CInternetStatusCallback::OnRequestSent(CInternetSession*, HINTERNET, DWORD) {}
void CInternetStatusCallback::OnResolvingName(CInternetSession*, HINTERNET, void*) {}
void CInternetStatusCallback::OnResponseReceived(CInternetSession*, HINTERNET, DWORD) {}
void CInternetStatusCallback::OnSendingRequest(CInternetSession*, HINTERNET) {}
void CInternetStatusCallback::OnStateChange(CInternetSession*, HINTERNET, DWORD) {}

void CInternetStatusCallback::OnHandleCreated(CInternetSession* context, HINTERNET, void* info)
{
    if (!info)
        return;
    HINTERNET created = reinterpret_cast<HINTERNET>(static_cast<INTERNET_ASYNC_RESULT*>(info)->dwResult);
    m_handle = created;
    DWORD_PTR value = reinterpret_cast<DWORD_PTR>(context);
    InternetSetOptionW(created, INTERNET_OPTION_CONTEXT_VALUE, &value, sizeof(value));
    Complete(S_OK);
}

void CInternetStatusCallback::OnRequestComplete(CInternetSession*, HINTERNET, void* info)
{
    // dwResult 0 is a failed call whatever else happened: a refused
    // connection must not read as success.
    HRESULT result = E_FAIL;
    if (info) {
        const INTERNET_ASYNC_RESULT* async = static_cast<const INTERNET_ASYNC_RESULT*>(info);
        if (async->dwResult)
            result = S_OK;
        else if (async->dwError)
            result = HResultFromWin32(async->dwError);
    }
    Complete(result);
}

CInternetStatusCallbackBS::CInternetStatusCallbackBS()
    : m_lastActivity(GetTickCount()), m_longestSilence(0), m_progress(0), m_progressMax(0)
{
}

CInternetStatusCallbackBS::~CInternetStatusCallbackBS() = default;

void CInternetStatusCallbackBS::Reset()
{
    CInternetStatusCallback::Reset();
    m_lastActivity = GetTickCount();
    m_longestSilence = 0;
}

HRESULT CInternetStatusCallbackBS::Wait(ULONG statusCode, bool report)
{
    HRESULT outcome = S_OK;
    for (;;) {
        if (report && m_sink) {
            HRESULT hr = ReportProgress(statusCode);
            if (FAILED(hr)) {
                // Nothing of ours waits on an abandoned call any more.
                if (AbandonCall())
                    return hr;
                outcome = hr;
                break;
            }
        }
        if (IsCompleted())
            return GetLongestSilence() >= m_timeLimit ? E_INTERNET_WAIT_TIMEOUT : GetResult();
        DWORD idle = GetIdleTime();
        if (idle >= m_timeLimit) {
            outcome = E_INTERNET_WAIT_TIMEOUT;
            break;
        }
        WaitForCompletion(std::min<DWORD>(1000, m_timeLimit - idle));
    }
    // The call given up is not abandoned: it still writes into its memory and
    // reports to the session when it ends, so it is let end before the caller
    // unwinds.
    DWORD grace = m_timeLimit < INFINITE - kGiveUpGraceMs ? m_timeLimit + kGiveUpGraceMs : INFINITE - 1;
    WaitForCompletion(grace);
    return outcome;
}

void CInternetStatusCallbackBS::OnStatus(CInternetSession* context, HINTERNET handle, DWORD status,
                                         void* info, DWORD infoLength)
{
    // Measured before the dispatch, which may complete the call and wake the wait.
    const DWORD now = GetTickCount();
    const DWORD silence = now - m_lastActivity.exchange(now);
    DWORD longest = m_longestSilence.load();
    while (silence > longest && !m_longestSilence.compare_exchange_weak(longest, silence)) {
    }
    CInternetStatusCallback::OnStatus(context, handle, status, info, infoLength);
}

void CInternetStatusCallbackBS::OnRedirect(CInternetSession*, HINTERNET, void* info)
{
    std::wstring url = info ? static_cast<const wchar_t*>(info) : L"";
    CAutoLock<CAutoCriticalSection> lock(m_redirectLock);
    m_redirects.push_back(url);
}

void CInternetStatusCallbackBS::OnResponseReceived(CInternetSession*, HINTERNET, DWORD bytes)
{
    m_progress += bytes;
}

HRESULT CInternetStatusCallbackBS::ReportProgress(ULONG statusCode)
{
    if (!m_sink)
        return S_FALSE;
    return m_sink->OnProgress(m_progress, m_progressMax, statusCode, L"");
}

HRESULT CInternetStatusCallbackBS::ReportEnd()
{
    if (!m_sink)
        return S_FALSE;
    return m_sink->OnProgress(0xFFFFFFFF, m_progressMax, BINDSTATUS_ENDDOWNLOADDATA, L"");
}

DWORD CInternetStatusCallbackBS::GetIdleTime() const { return GetTickCount() - m_lastActivity.load(); }

std::list<std::wstring> CInternetStatusCallbackBS::GetRedirects() const
{
    CAutoLock<CAutoCriticalSection> lock(m_redirectLock);
    return m_redirects;
}
