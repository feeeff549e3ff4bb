#include "inet/StatusCallback.h"
#include "foundation/Error.h"
#include "inet/InternetHandle.h"
#include "resources/strings_foundation.h"
#include <algorithm>
#include <map>

namespace {

// How long a wait that gave up on a time-out, without abandoning its call,
// still lets the call end: WinINet's receive time-out (the limit and
// kReceiveMarginMs) ends a stalled call, this is its slack.
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

// The context of a handle whose statuses reach no callback; session context
// numbers start above it.
const DWORD_PTR kAbandonedContext = 1;

// The receivers of statuses by context number. A delivery holds the lock
// shared for its whole length, a change holds it exclusive, so that a
// receiver taken away has no delivery left running into it. Never destroyed:
// WinINet's threads may deliver while the process exits.
struct CStatusReceivers {
    struct Receiver {
        CInternetSession* session;
        CInternetStatusCallback* callback;
    };
    CSlimLock lock;
    std::map<DWORD_PTR, Receiver> byContext;
};

CStatusReceivers& StatusReceivers()
{
    static CStatusReceivers* receivers = new CStatusReceivers;
    return *receivers;
}

HINTERNET CreatedHandle(const void* info)
{
    return info ? reinterpret_cast<HINTERNET>(static_cast<const INTERNET_ASYNC_RESULT*>(info)->dwResult) : nullptr;
}

// Raises operation 1 when the statuses stay with the session, 13 when the
// handle does not close. Routed away first: its closing status, which WinINet
// may send on this very thread, must find no session lock to take.
void RouteAwayAndClose(HINTERNET handle)
{
    if (!RouteStatusesAway(handle)) {
        const DWORD error = GetLastError();
        throw CInternetException(handle, kInetSetOption, error);
    }
    if (!InternetCloseHandle(handle)) {
        const DWORD error = GetLastError();
        if (error != ERROR_IO_PENDING)
            throw CInternetException(handle, kInetCloseHandle, error);
    }
}

// A handle created for no call of ours (one given up, or of a session gone)
// would stay open for good.
void CloseOrphan(HINTERNET created)
{
    if (created)
        RouteAwayAndClose(created);
}

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
    // Kept first, then routed: the closing status may come at once. Kept
    // even when the routing fails: the call still writes into it.
    if (memory) {
        CAbandonedCalls& calls = AbandonedCalls();
        CAutoLock<CAutoCriticalSection> lock(calls.lock);
        calls.memory[handle] = memory;
    }
    RouteAwayAndClose(handle);
}

size_t PendingAbandonedInternetCalls()
{
    CAbandonedCalls& calls = AbandonedCalls();
    CAutoLock<CAutoCriticalSection> lock(calls.lock);
    return calls.memory.size();
}

bool RouteStatusesAway(HINTERNET handle)
{
    DWORD_PTR context = kAbandonedContext;
    return InternetSetOptionW(handle, INTERNET_OPTION_CONTEXT_VALUE, &context, sizeof(context)) != FALSE;
}

DWORD_PTR NewInternetContext()
{
    static std::atomic<DWORD_PTR> last(kAbandonedContext);
    return ++last;
}

void SetInternetStatusReceiver(DWORD_PTR context, CInternetSession* session, CInternetStatusCallback* callback)
{
    CStatusReceivers& receivers = StatusReceivers();
    CSlimLockGuard lock(receivers.lock);
    if (callback)
        receivers.byContext[context] = {session, callback};
    else
        receivers.byContext.erase(context);
}

DWORD InternetReceiveTimeout(DWORD timeLimit)
{
    return timeLimit < INFINITE - kReceiveMarginMs ? timeLimit + kReceiveMarginMs : INFINITE;
}

void CALLBACK InternetStatusProc(HINTERNET handle, DWORD_PTR context, DWORD status, LPVOID info, DWORD infoLength)
{
    // Every handle of a session carries the session's context number from
    // its creation on, until it is routed away.
    if (context == kAbandonedContext) {
        OnAbandonedStatus(handle, status);
        return;
    }
    try {
        {
            CStatusReceivers& receivers = StatusReceivers();
            CSlimSharedLockGuard lock(receivers.lock);
            auto found = receivers.byContext.find(context);
            if (found != receivers.byContext.end()) {
                found->second.callback->OnStatus(found->second.session, handle, status, info, infoLength);
                return;
            }
        }
        if (status == INTERNET_STATUS_HANDLE_CREATED)
            CloseOrphan(CreatedHandle(info));
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
    CSlimLockGuard lock(m_callLock);
    ResetEvent(m_done);
    m_callHandle = nullptr;
    m_callCreates = false;
    m_callMemory.reset();
    m_callAbandoned = false;
    m_handle = nullptr;
    m_result = S_OK;
    m_completed = false;
}

HRESULT CInternetStatusCallback::Wait(ULONG, bool) { return S_OK; }

void CInternetStatusCallback::CompleteLocked(HRESULT result)
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
    CSlimLockGuard lock(m_callLock);
    m_callHandle = handle;
    m_callCreates = false;
    m_callMemory = memory;
}

void CInternetStatusCallback::SetCreatingCall(HINTERNET parent)
{
    CSlimLockGuard lock(m_callLock);
    m_callHandle = parent;
    m_callCreates = true;
    m_callMemory.reset();
}

bool CInternetStatusCallback::AbandonCall()
{
    HINTERNET handle;
    {
        CSlimLockGuard lock(m_callLock);
        handle = m_callHandle;
    }
    if (!handle)
        return false;
    const auto forget = [this] {
        // Its late statuses are routed away; none may end a later call.
        CSlimLockGuard lock(m_callLock);
        m_callHandle = nullptr;
        m_callMemory.reset();
        m_callAbandoned = true;
    };
    try {
        AbandonInternetCall(handle, m_callMemory);
    } catch (const CInternetException& e) {
        // Routed away but not closed: nothing of it reaches us, so its owner
        // forgets it all the same.
        if (e.operation == kInetCloseHandle)
            forget();
        throw;
    }
    forget();
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

void CInternetStatusCallback::OnHandleCreated(CInternetSession* context, HINTERNET handle, void* info)
{
    HINTERNET created = CreatedHandle(info);
    if (!created)
        return;
    {
        CSlimLockGuard lock(m_callLock);
        // Wine reports a creation on the parent; the new handle is accepted
        // too, as the documentation leaves it open.
        if (m_callCreates && (handle == m_callHandle || handle == created)) {
            m_handle = created;
            DWORD_PTR value = context ? context->GetContext() : 0;
            if (value && !InternetSetOptionW(created, INTERNET_OPTION_CONTEXT_VALUE, &value, sizeof(value)))
                CompleteLocked(HResultFromWin32(GetLastError()));
            else
                CompleteLocked(S_OK);
            return;
        }
    }
    CloseOrphan(created);
}

void CInternetStatusCallback::OnRequestComplete(CInternetSession*, HINTERNET handle, void* info)
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
    CSlimLockGuard lock(m_callLock);
    if (handle == m_callHandle)
        CompleteLocked(result);
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
    for (;;) {
        if (report && m_sink) {
            HRESULT hr = ReportProgress(statusCode);
            if (FAILED(hr)) {
                // Nothing of ours waits on an abandoned call any more (a
                // connect or an open gives up the handle it runs on), and no
                // late status of it can end a call armed later on another
                // handle.
                AbandonCall();
                return hr;
            }
        }
        if (IsCompleted())
            return GetLongestSilence() >= m_timeLimit ? E_INTERNET_WAIT_TIMEOUT : GetResult();
        DWORD idle = GetIdleTime();
        if (idle >= m_timeLimit)
            break;
        WaitForCompletion(std::min<DWORD>(1000, m_timeLimit - idle));
    }
    // The call timed out is not abandoned: it still writes into its memory
    // and reports to the session when it ends, so it is let end (WinINet's
    // receive time-out ends it) before the caller unwinds.
    DWORD grace = m_timeLimit < INFINITE - kGiveUpGraceMs ? m_timeLimit + kGiveUpGraceMs : INFINITE - 1;
    WaitForCompletion(grace);
    return E_INTERNET_WAIT_TIMEOUT;
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
