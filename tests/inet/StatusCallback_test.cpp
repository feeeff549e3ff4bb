#include "inet/StatusCallback.h"
#include <gtest/gtest.h>

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
        EXPECT_LT(GetTickCount() - start, 1000u) << c.name;  // an ended call is not waited for
    }
}
