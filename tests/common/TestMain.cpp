#include "foundation/ResourceString.h"
#include "platform/GdiPlus.h"
#include <gtest/gtest.h>
#include <ole2.h>

namespace {

// Threads of this process that have finished starting (a thread-attach
// notification arrives only once a thread is set up).
volatile LONG g_threadsStarted = 0;

void NTAPI CountStartedThread(PVOID, DWORD reason, PVOID)
{
    if (reason == DLL_THREAD_ATTACH)
        InterlockedIncrement(&g_threadsStarted);
}

// Wine ends a process with a segmentation fault, after every test passed,
// when the process exits while one of its threads is still starting. Google
// Test starts a thread that watches the main thread the first time a test
// uses a per-thread value (SCOPED_TRACE does), often right before the end:
// it is started here instead, and waited for.
void StartMainThreadWatcher()
{
    const LONG before = g_threadsStarted;
    {
        SCOPED_TRACE("start-up");
    }
    for (int i = 0; i < 500 && g_threadsStarted == before; ++i)
        Sleep(10);
}

} // namespace

// The executable's thread callback (the loader calls every entry of the
// .CRT$XL* list for each thread that starts).
extern "C" {
__attribute__((section(".CRT$XLY"), used)) PIMAGE_TLS_CALLBACK knt_count_started_thread = CountStartedThread;
}

int wmain(int argc, wchar_t** argv)
{
    SetResourceInstance(GetModuleHandleW(nullptr));
    OleInitialize(nullptr);
    int rc;
    {
        Gdiplus::CGdiplusStartup gdiplus;
        testing::InitGoogleTest(&argc, argv);
        StartMainThreadWatcher();
        rc = RUN_ALL_TESTS();
    }
    OleUninitialize();
    return rc;
}
