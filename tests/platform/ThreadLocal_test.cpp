#include "platform/ThreadLocal.h"
#include <gtest/gtest.h>
#include <process.h>
#include <atomic>
#include <vector>

namespace {

std::atomic<int> g_destroyed{0};
std::atomic<int> g_damaged{0};

// Knows whether its storage still holds what it wrote when it goes.
struct CCanary {
    std::vector<int> values = std::vector<int>(100, 7);
    unsigned mark = 0xC0FFEE11;
    ~CCanary()
    {
        if (mark != 0xC0FFEE11 || values.size() != 100 || values[99] != 7)
            ++g_damaged;
        ++g_destroyed;
    }
};

CThreadLocal<CCanary>& Slot()
{
    static CThreadLocal<CCanary> slot;
    return slot;
}

unsigned __stdcall UseTwice(void* out)
{
    CCanary* first = &Slot().Get();
    *static_cast<CCanary**>(out) = first;
    return &Slot().Get() == first ? 0 : 1;
}

} // namespace

// Threads that end one after another (as the window's workers do): each
// gets its own object, keeps it across calls, and the object is destroyed
// once, whole, when the thread ends.
TEST(ThreadLocal, EachEndingThreadDestroysItsOwnObjectOnceAndWhole)
{
    CCanary* mine = &Slot().Get();
    const int before = g_destroyed;
    std::vector<CCanary*> seen;
    for (int i = 0; i < 6; ++i) {
        CCanary* theirs = nullptr;
        HANDLE thread = reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, &UseTwice, &theirs, 0, nullptr));
        ASSERT_NE(nullptr, thread);
        ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread, 10000));
        DWORD code = 1;
        GetExitCodeThread(thread, &code);
        CloseHandle(thread);
        EXPECT_EQ(0u, code) << "a second Get gave another object";
        EXPECT_NE(mine, theirs);
        EXPECT_EQ(before + i + 1, g_destroyed.load());
    }
    EXPECT_EQ(0, g_damaged.load());
    EXPECT_EQ(mine, &Slot().Get());  // the calling thread's stays
    EXPECT_EQ(7, mine->values[0]);
}
