// The status callbacks through which WinINet reports the progress and the end
// of asynchronous calls. WinINet calls them on its own worker threads; the
// caller's thread waits for the end of one call at a time.
#pragma once
#include "platform/CriticalSection.h"
#include "platform/Handle.h"
#include "platform/SlimLock.h"
#include <windows.h>
#include <urlmon.h>
#include <wininet.h>
#include <boost/shared_ptr.hpp>
#include <atomic>
#include <list>
#include <string>

class CInternetSession;
class CInternetStatusCallback;

// The WinINet status procedure: the context of every handle is its session's
// context number, and the status reaches the callback registered for that
// number, if any (SetInternetStatusReceiver). A handle created for a context
// nobody receives any more belongs to nobody and is closed. Nothing it raises
// leaves it.
void CALLBACK InternetStatusProc(HINTERNET handle, DWORD_PTR context, DWORD status, LPVOID info, DWORD infoLength);

// A context number no session of this process has had: a late status of a
// closed session's handles never reaches a session opened after it, even at
// the same address.
DWORD_PTR NewInternetContext();
// From now on the statuses with this context reach `callback` with `session`
// (a null callback: nobody). Changing or removing a receiver first lets a
// delivery to it in progress end, so that once this returns WinINet's threads
// no longer touch what was registered before. Never call it from a status.
void SetInternetStatusReceiver(DWORD_PTR context, CInternetSession* session, CInternetStatusCallback* callback);

class CInternetStatusCallback {
public:
    CInternetStatusCallback();
    virtual ~CInternetStatusCallback();
    CInternetStatusCallback(const CInternetStatusCallback&) = delete;
    CInternetStatusCallback& operator=(const CInternetStatusCallback&) = delete;

    // Arms the callback for one call that may complete asynchronously; called
    // before that call, since its end may be reported before the call returns.
    // Only a status of the handle the armed call runs on (SetCall) ends it: a
    // late status of an earlier call on another handle cannot.
    virtual void Reset();
    // The end of the armed call: S_OK, or the call's failure. This base does
    // not wait.
    virtual HRESULT Wait(ULONG statusCode, bool report);
    virtual void OnStatus(CInternetSession* context, HINTERNET handle, DWORD status, void* info, DWORD infoLength);

    virtual void OnClosingConnection(CInternetSession* context, HINTERNET handle);
    virtual void OnConnectedToServer(CInternetSession* context, HINTERNET handle, void* info);
    virtual void OnConnectingToServer(CInternetSession* context, HINTERNET handle, void* info);
    virtual void OnConnectionClosed(CInternetSession* context, HINTERNET handle);
    virtual void OnDetectingProxy(CInternetSession* context, HINTERNET handle);
    virtual void OnHandleClosing(CInternetSession* context, HINTERNET handle);
    virtual void OnHandleCreated(CInternetSession* context, HINTERNET handle, void* info);
    virtual void OnIntermediateResponse(CInternetSession* context, HINTERNET handle);
    virtual void OnNameResolved(CInternetSession* context, HINTERNET handle, void* info);
    virtual void OnReceivingResponse(CInternetSession* context, HINTERNET handle);
    virtual void OnRedirect(CInternetSession* context, HINTERNET handle, void* info);
    virtual void OnRequestComplete(CInternetSession* context, HINTERNET handle, void* info);
    virtual void OnRequestSent(CInternetSession* context, HINTERNET handle, DWORD bytes);
    virtual void OnResolvingName(CInternetSession* context, HINTERNET handle, void* info);
    virtual void OnResponseReceived(CInternetSession* context, HINTERNET handle, DWORD bytes);
    virtual void OnSendingRequest(CInternetSession* context, HINTERNET handle);
    virtual void OnStateChange(CInternetSession* context, HINTERNET handle, DWORD state);

    // The handle the armed call runs on and the memory the call writes into,
    // given after Reset by the handle's owner. Such a call can be abandoned on
    // a cancel.
    void SetCall(HINTERNET handle, const boost::shared_ptr<void>& memory = boost::shared_ptr<void>());
    // The armed call creates a handle under `parent` (a connect, an open) and
    // ends with its creation status. On a cancel, `parent` is abandoned.
    void SetCreatingCall(HINTERNET parent);
    // True once a wait abandoned the armed call: the handle it runs on is
    // closed, and its owner must forget it.
    bool CallAbandoned() const { return m_callAbandoned; }

    // The handle reported by the last handle-created status.
    HINTERNET GetHandle() const { return m_handle.load(); }
    bool IsCompleted() const { return m_completed.load(); }
    // The outcome of the completed call.
    HRESULT GetResult() const { return m_result.load(); }

protected:
    // True when the armed call ended within the time.
    bool WaitForCompletion(DWORD milliseconds);
    // Leaves the armed call to end by itself (AbandonInternetCall); false
    // when it has no handle to give up. Raises as AbandonInternetCall does;
    // on a failed close the call counts as abandoned all the same.
    bool AbandonCall();

private:
    // Ends the armed call with `result`; m_callLock is held.
    void CompleteLocked(HRESULT result);

    // What the armed call runs on: set by the waiting thread, read by
    // WinINet's, so that arming a call and ending it exclude each other.
    CSlimLock m_callLock;
    HINTERNET m_callHandle = nullptr;
    bool m_callCreates = false;
    // Touched by the waiting thread only.
    boost::shared_ptr<void> m_callMemory;
    bool m_callAbandoned = false;
    std::atomic<HINTERNET> m_handle;
    std::atomic<bool> m_completed;
    std::atomic<HRESULT> m_result;
    CHandle m_done;  // manual-reset event: set by completion, cleared by Reset
};

// A callback that reports progress to a bind-status sink while it waits, and
// that never waits longer than its time limit without hearing from WinINet.
class CInternetStatusCallbackBS : public CInternetStatusCallback {
public:
    CInternetStatusCallbackBS();
    ~CInternetStatusCallbackBS() override;

    void SetBindStatusCallback(IBindStatusCallback* sink) { m_sink = sink; }
    IBindStatusCallback* GetBindStatusCallback() const { return m_sink; }
    void SetProgressMax(DWORD max) { m_progressMax = max; }
    DWORD GetProgressMax() const { return m_progressMax.load(); }
    void ResetProgress() { m_progress = 0; }
    DWORD GetProgress() const { return m_progress.load(); }
    // The longest silence (no status at all) a wait tolerates, in milliseconds.
    void SetTimeLimit(DWORD milliseconds) { m_timeLimit = milliseconds; }
    DWORD GetTimeLimit() const { return m_timeLimit; }

    void Reset() override;
    // Reports progress about once a second while the armed call runs. Ends
    // with the call's outcome, with the sink's failure (at once: the call is
    // abandoned, so that a stalled one cannot hold the cancel up),
    // or with HRESULT_FROM_WIN32(ERROR_INTERNET_TIMEOUT) after the time limit. A call
    // that ended only after a silence as long as the limit timed out too,
    // whatever it reports: WinINet's own receive time-out ended it while the
    // waiting thread was held up.
    HRESULT Wait(ULONG statusCode, bool report) override;
    void OnStatus(CInternetSession* context, HINTERNET handle, DWORD status, void* info, DWORD infoLength) override;
    void OnRedirect(CInternetSession* context, HINTERNET handle, void* info) override;
    void OnResponseReceived(CInternetSession* context, HINTERNET handle, DWORD bytes) override;

    // S_FALSE without a sink.
    HRESULT ReportProgress(ULONG statusCode);
    HRESULT ReportEnd();
    // Milliseconds since the last status or reset.
    DWORD GetIdleTime() const;
    // The longest pause between statuses of the armed call so far, in milliseconds.
    DWORD GetLongestSilence() const { return m_longestSilence.load(); }
    std::list<std::wstring> GetRedirects() const;

private:
    IBindStatusCallback* m_sink = nullptr;  // not owned
    std::atomic<DWORD> m_lastActivity;
    std::atomic<DWORD> m_longestSilence;
    std::atomic<DWORD> m_progress;
    std::atomic<DWORD> m_progressMax;
    DWORD m_timeLimit = 60000;
    mutable CAutoCriticalSection m_redirectLock;
    std::list<std::wstring> m_redirects;
};

// From now on the statuses of `handle` reach no callback: the handle may
// outlive its session. False, with the last error set, when WinINet refuses.
bool RouteStatusesAway(HINTERNET handle);

// Leaves a call pending on `handle` to end by itself with nothing of its
// caller's in its way: its statuses go to a context of their own instead of
// the session's, `memory` (what the call writes into, if anything) is kept
// until WinINet reports the handle closing, and the handle is closed. WinINet ends the call
// on that close as documented; Wine's lets it run until its receive time-out.
// Raises CInternetException: operation 1 when the statuses cannot be routed
// away (nothing is abandoned, the handle still reports to its session),
// operation 13 when the routed handle does not close.
void AbandonInternetCall(HINTERNET handle, const boost::shared_ptr<void>& memory);

// Abandoned calls whose memory is kept: their handle has not reported its
// closing yet.
size_t PendingAbandonedInternetCalls();

// HRESULT of a wait that gave up after the time limit.
const HRESULT E_INTERNET_WAIT_TIMEOUT = static_cast<HRESULT>(0x80070000u | ERROR_INTERNET_TIMEOUT);

// WinINet's receive time-out for calls waited with this time limit: a little
// longer, so that the wait, not WinINet, tells a time-out (WinINet under Wine
// reports its own as a socket error or as a request with no response at
// all), and short enough that a call the wait gave up still ends within the
// wait's slack.
DWORD InternetReceiveTimeout(DWORD timeLimit);
