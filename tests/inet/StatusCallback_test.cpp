#include "inet/StatusCallback.h"
#include "inet/InternetHandle.h"
#include "resources/strings_inet.h"
#include "tests/common/TestSupport.h"
#include "tests/inet/LoopbackServer.h"
#include "tests/inet/TestSink.h"
#include <gtest/gtest.h>
#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

// Records which handler each status reached, with what it was given.
class CRecordingCallback : public CInternetStatusCallback {
public:
    std::vector<std::string> calls;
    void* info = nullptr;  // the info pointer the test passes

    void Pointer(const char* name, void* p) { calls.push_back(std::string(name) + (p == info ? " info" : " other")); }
    void Value(const char* name, DWORD v) { calls.push_back(std::string(name) + " " + std::to_string(v)); }

    void OnClosingConnection(CInternetSession*, HINTERNET) override { calls.push_back("ClosingConnection"); }
    void OnConnectedToServer(CInternetSession*, HINTERNET, void* p) override { Pointer("ConnectedToServer", p); }
    void OnConnectingToServer(CInternetSession*, HINTERNET, void* p) override { Pointer("ConnectingToServer", p); }
    void OnConnectionClosed(CInternetSession*, HINTERNET) override { calls.push_back("ConnectionClosed"); }
    void OnDetectingProxy(CInternetSession*, HINTERNET) override { calls.push_back("DetectingProxy"); }
    void OnHandleClosing(CInternetSession*, HINTERNET) override { calls.push_back("HandleClosing"); }
    void OnHandleCreated(CInternetSession*, HINTERNET, void* p) override { Pointer("HandleCreated", p); }
    void OnIntermediateResponse(CInternetSession*, HINTERNET) override { calls.push_back("IntermediateResponse"); }
    void OnNameResolved(CInternetSession*, HINTERNET, void* p) override { Pointer("NameResolved", p); }
    void OnReceivingResponse(CInternetSession*, HINTERNET) override { calls.push_back("ReceivingResponse"); }
    void OnRedirect(CInternetSession*, HINTERNET, void* p) override { Pointer("Redirect", p); }
    void OnRequestComplete(CInternetSession*, HINTERNET, void* p) override { Pointer("RequestComplete", p); }
    void OnRequestSent(CInternetSession*, HINTERNET, DWORD bytes) override { Value("RequestSent", bytes); }
    void OnResolvingName(CInternetSession*, HINTERNET, void* p) override { Pointer("ResolvingName", p); }
    void OnResponseReceived(CInternetSession*, HINTERNET, DWORD bytes) override { Value("ResponseReceived", bytes); }
    void OnSendingRequest(CInternetSession*, HINTERNET) override { calls.push_back("SendingRequest"); }
    void OnStateChange(CInternetSession*, HINTERNET, DWORD state) override { Value("StateChange", state); }
};

} // namespace

// Each status reaches its own handler with its own argument: a pointer, or
// the number the pointer holds; a status of no handler reaches none.
TEST(StatusCallback, EachStatusReachesItsHandler)
{
    struct Case {
        DWORD status;
        const char* call;  // null: no handler
    } cases[] = {
        {INTERNET_STATUS_RESOLVING_NAME, "ResolvingName info"},
        {INTERNET_STATUS_NAME_RESOLVED, "NameResolved info"},
        {INTERNET_STATUS_CONNECTING_TO_SERVER, "ConnectingToServer info"},
        {INTERNET_STATUS_CONNECTED_TO_SERVER, "ConnectedToServer info"},
        {INTERNET_STATUS_SENDING_REQUEST, "SendingRequest"},
        {INTERNET_STATUS_REQUEST_SENT, "RequestSent 1234"},
        {INTERNET_STATUS_RECEIVING_RESPONSE, "ReceivingResponse"},
        {INTERNET_STATUS_RESPONSE_RECEIVED, "ResponseReceived 1234"},
        {INTERNET_STATUS_CLOSING_CONNECTION, "ClosingConnection"},
        {INTERNET_STATUS_CONNECTION_CLOSED, "ConnectionClosed"},
        {INTERNET_STATUS_HANDLE_CREATED, "HandleCreated info"},
        {INTERNET_STATUS_HANDLE_CLOSING, "HandleClosing"},
        {INTERNET_STATUS_DETECTING_PROXY, "DetectingProxy"},
        {INTERNET_STATUS_REQUEST_COMPLETE, "RequestComplete info"},
        {INTERNET_STATUS_REDIRECT, "Redirect info"},
        {INTERNET_STATUS_INTERMEDIATE_RESPONSE, "IntermediateResponse"},
        {INTERNET_STATUS_STATE_CHANGE, "StateChange 1234"},
        {INTERNET_STATUS_COOKIE_SENT, nullptr},
        {INTERNET_STATUS_PRIVACY_IMPACTED, nullptr},
        {0, nullptr},
    };
    for (const Case& c : cases) {
        CRecordingCallback callback;
        DWORD value = 1234;
        callback.info = &value;
        callback.OnStatus(nullptr, nullptr, c.status, &value, sizeof(value));
        const std::vector<std::string> expected = c.call ? std::vector<std::string>{c.call} : std::vector<std::string>();
        EXPECT_EQ(expected, callback.calls) << c.status;
    }

    // The base's handlers: an unknown status leaves the call armed and
    // unfinished; only the end of a call or a new handle finishes it.
    CInternetStatusCallback base;
    base.Reset();
    DWORD value = 1;
    base.OnStatus(nullptr, nullptr, INTERNET_STATUS_COOKIE_SENT, &value, sizeof(value));
    base.OnStatus(nullptr, nullptr, INTERNET_STATUS_RESPONSE_RECEIVED, &value, sizeof(value));
    EXPECT_FALSE(base.IsCompleted());
    EXPECT_EQ(nullptr, base.GetHandle());
    INTERNET_ASYNC_RESULT failed = {0, ERROR_INTERNET_CANNOT_CONNECT};
    base.OnStatus(nullptr, nullptr, INTERNET_STATUS_REQUEST_COMPLETE, &failed, sizeof(failed));
    EXPECT_TRUE(base.IsCompleted());
    EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_INTERNET_CANNOT_CONNECT), base.GetResult());
}

// A new handle is kept, takes the session's context (so that its own
// statuses reach the session's callback) and ends the armed call.
TEST(StatusCallback, HandleCreatedTakesTheSessionAsContext)
{
    CInternetSession session;
    ASSERT_EQ(S_OK, session.Open(nullptr, INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0));
    HINTERNET created = InternetOpenW(L"other", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
    ASSERT_NE(nullptr, created);
    CInternetStatusCallback callback;
    callback.Reset();
    callback.SetCreatingCall(session.GetHandle());
    INTERNET_ASYNC_RESULT result = {reinterpret_cast<DWORD_PTR>(created), 0};
    callback.OnStatus(&session, session.GetHandle(), INTERNET_STATUS_HANDLE_CREATED, &result, sizeof(result));
    EXPECT_EQ(created, callback.GetHandle());
    EXPECT_TRUE(callback.IsCompleted());
    EXPECT_EQ(S_OK, callback.GetResult());
    DWORD_PTR context = 0;
    DWORD size = sizeof(context);
    ASSERT_TRUE(InternetQueryOptionW(created, INTERNET_OPTION_CONTEXT_VALUE, &context, &size));
    EXPECT_EQ(session.GetContext(), context);
    InternetCloseHandle(created);

    // Reset arms the next call, which only a status of its own handle ends.
    callback.Reset();
    EXPECT_FALSE(callback.IsCompleted());
    EXPECT_EQ(nullptr, callback.GetHandle());
    callback.SetCall(session.GetHandle());
    INTERNET_ASYNC_RESULT failed = {0, ERROR_INTERNET_TIMEOUT};
    callback.OnStatus(&session, created, INTERNET_STATUS_REQUEST_COMPLETE, &failed, sizeof(failed));
    EXPECT_FALSE(callback.IsCompleted());
    callback.OnStatus(&session, session.GetHandle(), INTERNET_STATUS_REQUEST_COMPLETE, &failed, sizeof(failed));
    EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_INTERNET_TIMEOUT), callback.GetResult());
}

// Every redirect is listed in order over the callback's whole life; the
// bytes received add up until ResetProgress.
TEST(StatusCallback, RedirectsAndProgressOutliveReset)
{
    CInternetStatusCallbackBS callback;
    std::wstring first = L"http://a/1", second = L"http://b/2";
    callback.OnStatus(nullptr, nullptr, INTERNET_STATUS_REDIRECT, &first[0], static_cast<DWORD>(first.size() * 2));
    callback.Reset();
    callback.OnStatus(nullptr, nullptr, INTERNET_STATUS_REDIRECT, nullptr, 0);
    callback.OnStatus(nullptr, nullptr, INTERNET_STATUS_REDIRECT, &second[0], static_cast<DWORD>(second.size() * 2));
    const std::list<std::wstring> expected = {L"http://a/1", L"", L"http://b/2"};
    EXPECT_EQ(expected, callback.GetRedirects());

    DWORD bytes = 700;
    callback.OnStatus(nullptr, nullptr, INTERNET_STATUS_RESPONSE_RECEIVED, &bytes, sizeof(bytes));
    callback.Reset();
    callback.OnStatus(nullptr, nullptr, INTERNET_STATUS_RESPONSE_RECEIVED, &bytes, sizeof(bytes));
    EXPECT_EQ(1400u, callback.GetProgress());
    callback.ResetProgress();
    EXPECT_EQ(0u, callback.GetProgress());
    EXPECT_EQ(3u, callback.GetRedirects().size());
}

// WinINet's worker may end a call before the waiting thread looks again (a
// busy machine): the silence before the end, not which thread ran first,
// tells a time-out from the call's own outcome.
TEST(StatusCallback, CallEndedAfterTheSilenceLimitIsATimeout)
{
    struct Case {
        const char* name;
        DWORD limit;
        DWORD silence;
        INTERNET_ASYNC_RESULT end;
        HRESULT expected;
    } cases[] = {
        {"prompt read failure", 10000, 0, {0, WSAETIMEDOUT}, HRESULT_FROM_WIN32(WSAETIMEDOUT)},
        {"prompt success", 10000, 0, {1, 0}, S_OK},
        // How Wine ends a read and a request when its receive time-out expires.
        {"socket time-out after the limit", 50, 150, {0, WSAETIMEDOUT}, E_INTERNET_WAIT_TIMEOUT},
        {"no response after the limit", 50, 150, {1, 0}, E_INTERNET_WAIT_TIMEOUT},
    };
    for (const Case& c : cases) {
        CInternetStatusCallbackBS callback;
        callback.SetTimeLimit(c.limit);
        callback.Reset();
        Sleep(c.silence);
        INTERNET_ASYNC_RESULT end = c.end;
        callback.OnStatus(nullptr, nullptr, INTERNET_STATUS_REQUEST_COMPLETE, &end, sizeof(end));
        DWORD start = GetTickCount();
        EXPECT_EQ(c.expected, callback.Wait(BINDSTATUS_DOWNLOADINGDATA, false)) << c.name;
        // An ended call is not waited for: a wait for the limit would take 10 s in the
        // prompt cases; half of it leaves room for a loaded machine.
        EXPECT_LT(GetTickCount() - start, 5000u) << c.name;
    }
}

namespace {

// Counts the statuses that reach it once its handles are closed.
class CLateStatusCallback : public CInternetStatusCallbackBS {
public:
    std::atomic<bool> closed{false};
    std::atomic<int> late{0};
    void OnStatus(CInternetSession* context, HINTERNET handle, DWORD status, void* info, DWORD infoLength) override
    {
        if (closed)
            ++late;
        CInternetStatusCallbackBS::OnStatus(context, handle, status, info, infoLength);
    }
};

} // namespace

// A read the sink cancels is left pending on a server that sends nothing:
// the wait returns the sink's answer at once, the request forgets its handle,
// and when the read ends at last, after every handle was closed, nothing of
// it reaches the callback and its memory is let go.
TEST(StatusCallback, CancelledReadIsAbandoned)
{
    std::unique_ptr<CLoopbackServer> server(new CLoopbackServer);
    // Closed, not kept: a connection WinINet keeps when the read ends starts
    // its collecting thread then, as the test ends, and a process that exits
    // while a thread is starting ends with a segmentation fault under Wine.
    server->RespondRaw("HTTP/1.1 200 OK\r\nContent-Length: 1000\r\nConnection: close\r\n\r\n", true);
    CLateStatusCallback callback;
    const DWORD limit = 60000;
    callback.SetTimeLimit(limit);
    CTestSink sink;
    sink.abortOn = BINDSTATUS_DOWNLOADINGDATA;
    callback.SetBindStatusCallback(&sink);
    CInternetSession session;
    ASSERT_EQ(S_OK, session.Open(nullptr, INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, INTERNET_FLAG_ASYNC));
    session.SetStatusCallback(&callback);
    CHttpConnection connection;
    ASSERT_EQ(S_OK, connection.Open(&session, L"127.0.0.1", server->Port()));
    CHttpFile request;
    ASSERT_EQ(S_OK, request.Open(&connection, L"GET", L"/stalled", nullptr, nullptr, nullptr, INTERNET_FLAG_RELOAD));
    ASSERT_EQ(S_OK, request.SendRequestEx());
    ASSERT_EQ(S_OK, request.EndRequest());

    char bytes[64];
    INTERNET_BUFFERSA buffers = {sizeof(buffers)};
    buffers.lpvBuffer = bytes;
    buffers.dwBufferLength = sizeof(bytes);
    const DWORD start = GetTickCount();
    EXPECT_EQ(E_ABORT, request.ReadEx(&buffers));
    EXPECT_LT(GetTickCount() - start, limit / 4);
    EXPECT_EQ(1, sink.reports[BINDSTATUS_DOWNLOADINGDATA]);
    EXPECT_EQ(nullptr, request.GetHandle());
    EXPECT_EQ(1u, PendingAbandonedInternetCalls());

    EXPECT_TRUE(request.Close());
    EXPECT_TRUE(connection.Close());
    EXPECT_TRUE(session.Close());
    callback.closed = true;
    server.reset();  // the read ends
    const DWORD ending = GetTickCount();
    while (PendingAbandonedInternetCalls() != 0 && GetTickCount() - ending < 30000)
        Sleep(10);
    EXPECT_EQ(0u, PendingAbandonedInternetCalls());
    EXPECT_EQ(0, callback.late.load());
}

// WinINet leaves no connect or open pending over HTTP (Wine's are synchronous),
// so the pending return is made here as it would come. Such a call has no
// handle of its own: a cancel gives up the handle it runs on and returns at
// once, and when the call ends late, its creation status ends no later call
// and the handle it made, which belongs to nobody, is closed.
TEST(StatusCallback, CancelledConnectOrOpenReturnsAtOnce)
{
    for (const bool open : {false, true}) {
        // Made first, as WinINet makes it while the handle it runs on still exists.
        HINTERNET late = InternetOpenW(L"late", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
        ASSERT_NE(nullptr, late);
        CInternetStatusCallbackBS callback;
        const DWORD limit = 60000;
        callback.SetTimeLimit(limit);
        CTestSink sink;
        sink.abortOn = BINDSTATUS_CONNECTING;
        callback.SetBindStatusCallback(&sink);
        CInternetSession session;
        ASSERT_EQ(S_OK, session.Open(nullptr, INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, INTERNET_FLAG_ASYNC));
        session.SetStatusCallback(&callback);
        CHttpConnection connection;
        if (open) {
            ASSERT_EQ(S_OK, connection.Open(&session, L"127.0.0.1", 80));
        }
        CInternetHandle& runsOn = open ? static_cast<CInternetHandle&>(connection) : session;
        const HINTERNET parent = runsOn.GetHandle();
        const DWORD start = GetTickCount();
        {
            CInternetCall call(&session, runsOn, true);
            SetLastError(ERROR_IO_PENDING);
            EXPECT_EQ(E_ABORT, call.Finish(false, open ? kInetHttpOpen : kInetConnect)) << open;
        }
        EXPECT_LT(GetTickCount() - start, limit / 4) << open;
        EXPECT_EQ(1, sink.reports[BINDSTATUS_CONNECTING]) << open;
        EXPECT_EQ(nullptr, runsOn.GetHandle()) << open;

        callback.Reset();
        callback.SetCreatingCall(open ? session.GetHandle() : nullptr);
        INTERNET_ASYNC_RESULT created = {reinterpret_cast<DWORD_PTR>(late), 0};
        InternetStatusProc(parent, session.GetContext(), INTERNET_STATUS_HANDLE_CREATED, &created, sizeof(created));
        EXPECT_FALSE(callback.IsCompleted()) << open;
        DWORD_PTR context = 0;
        DWORD size = sizeof(context);
        EXPECT_FALSE(InternetQueryOptionW(late, INTERNET_OPTION_CONTEXT_VALUE, &context, &size)) << open;
        EXPECT_EQ(DWORD(ERROR_INVALID_HANDLE), GetLastError()) << open;
        EXPECT_TRUE(connection.Close()) << open;
        EXPECT_TRUE(session.Close()) << open;

        // A handle WinINet does not know cannot be routed away: the cancel
        // says so, and abandons nothing.
        callback.Reset();
        callback.SetCreatingCall(late);
        my::CException e = ThrownError([&] { callback.Wait(BINDSTATUS_CONNECTING, true); });
        EXPECT_EQ(UINT(IDS_INET_SET_OPTION_FAILED), e.id) << open;
        EXPECT_FALSE(callback.CallAbandoned()) << open;
    }
}

namespace {

// Holds the state-change statuses it gets until the session's handle reports
// its closing, and notes when the last of them ends.
class CParkingCallback : public CInternetStatusCallback {
public:
    explicit CParkingCallback(int deliveries) : m_deliveries(deliveries) {}
    CHandle parked{CreateEventW(nullptr, TRUE, FALSE, nullptr)};  // all of them held
    CHandle release{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    std::atomic<bool> releaseOnClosing{false};
    std::atomic<int> order{0};
    std::atomic<int> lastEnded{0};

    void OnHandleClosing(CInternetSession*, HINTERNET) override
    {
        if (releaseOnClosing)
            SetEvent(release);
    }
    void OnStateChange(CInternetSession*, HINTERNET, DWORD) override
    {
        if (++m_held == m_deliveries)
            SetEvent(parked);
        WaitForSingleObject(release, INFINITE);
        lastEnded = ++order;
    }

private:
    const int m_deliveries;
    std::atomic<int> m_held{0};
};

} // namespace

// A session destroyed while statuses are being delivered to it goes only once
// those deliveries have ended, and nothing that comes later reaches its
// callback. Several are held, so that a destruction that did not wait would
// all but surely end before the last of them.
TEST(StatusCallback, SessionGoesOnlyAfterTheDeliveriesInProgress)
{
    const int deliveries = 4;
    CParkingCallback callback(deliveries);
    std::unique_ptr<CInternetSession> session(new CInternetSession);
    ASSERT_EQ(S_OK, session->Open(nullptr, INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, INTERNET_FLAG_ASYNC));
    session->SetStatusCallback(&callback);
    const HINTERNET handle = session->GetHandle();
    const DWORD_PTR context = session->GetContext();
    DWORD state = 1;
    std::vector<std::thread> threads;
    for (int i = 0; i < deliveries; ++i)
        threads.emplace_back([&] { InternetStatusProc(handle, context, INTERNET_STATUS_STATE_CHANGE, &state, sizeof(state)); });
    WaitForSingleObject(callback.parked, INFINITE);
    callback.releaseOnClosing = true;
    session.reset();
    const int sessionGone = ++callback.order;
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_LT(callback.lastEnded.load(), sessionGone);

    callback.order = 0;
    InternetStatusProc(handle, context, INTERNET_STATUS_STATE_CHANGE, &state, sizeof(state));
    EXPECT_EQ(0, callback.order.load());
}
