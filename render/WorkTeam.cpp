#include "render/WorkTeam.h"
#include "render/CanTerminate.h"
#include "platform/SlimLock.h"
#include <algorithm>
#include <atomic>
#include <exception>
#include <thread>
#include <vector>

int GetProcessorCount()
{
    SYSTEM_INFO info;
    ::GetSystemInfo(&info);
    return info.dwNumberOfProcessors > 0 ? static_cast<int>(info.dwNumberOfProcessors) : 1;
}

// The helper threads of the process. They are never joined: they sleep
// between rounds, and the end of the process ends them.
class CHelperThreads {
public:
    static CHelperThreads& Instance()
    {
        // Never destroyed: a joinable thread must not meet its destructor.
        static CHelperThreads* helpers = new CHelperThreads;
        return *helpers;
    }

    bool TryAcquire() { return m_owner.TryLock(); }
    void Release() { m_owner.Unlock(); }

    // Makes helpers until there are n (or no more can be made); their count.
    int Grow(int n)
    {
        while (static_cast<int>(m_threads.size()) < n) {
            try {
                m_threads.emplace_back(&CHelperThreads::Loop, this, static_cast<int>(m_threads.size()) + 1);
            } catch (...) {
                break;  // fewer helpers: the work is only slower
            }
        }
        return std::min(n, static_cast<int>(m_threads.size()));
    }

    // One round on the calling thread and the first `helpers` helpers.
    bool Run(int count, const std::function<void(int, int)>& work, int helpers, CTerminable* terminable)
    {
        m_stop = false;
        m_error = nullptr;
        m_terminable = terminable;
        {
            CSlimLockGuard lock(m_lock);
            m_work = &work;
            m_count = count;
            m_next = 0;
            m_roundHelpers = helpers;
            // The helpers work at the priority of the task they help.
            m_priority = ::GetThreadPriority(::GetCurrentThread());
            ++m_round;
            m_open = true;
        }
        m_wake.WakeAll();
        RunItems(0, true);
        {
            CSlimLockGuard lock(m_lock);
            m_open = false;
            while (m_inside > 0) {
                // A helper may hold a long item: keep asking whether to stop.
                if (!m_done.Wait(m_lock, 5) && m_inside > 0) {
                    m_lock.Unlock();
                    AskStop();
                    m_lock.Lock();
                }
            }
            m_work = nullptr;
        }
        if (m_error) {
            std::exception_ptr error = m_error;
            m_error = nullptr;
            std::rethrow_exception(error);
        }
        return !m_stop;
    }

private:
    CHelperThreads() = default;

    void Loop(int index)
    {
        unsigned seen = 0;
        int priority = THREAD_PRIORITY_NORMAL;
        for (;;) {
            // Nothing may leave a thread procedure; RunItems keeps what the
            // items throw.
            try {
                {
                    CSlimLockGuard lock(m_lock);
                    while (!(m_open && m_round != seen))
                        m_wake.Wait(m_lock);
                    seen = m_round;
                    if (index > m_roundHelpers)
                        continue;
                    ++m_inside;
                    if (m_priority != priority && m_priority != THREAD_PRIORITY_ERROR_RETURN) {
                        priority = m_priority;
                        ::SetThreadPriority(::GetCurrentThread(), priority);
                    }
                }
                RunItems(index, false);
                CSlimLockGuard lock(m_lock);
                if (--m_inside == 0)
                    m_done.WakeAll();
            } catch (...) {
            }
        }
    }

    bool AskStop()
    {
        if (!m_stop && m_terminable && m_terminable->IsTerminated())
            m_stop = true;
        return m_stop;
    }

    void RunItems(int thread, bool taskThread)
    {
        while (!m_stop) {
            const int item = m_next.fetch_add(1);
            if (item >= m_count)
                break;
            try {
                (*m_work)(item, thread);
            } catch (...) {
                CSlimLockGuard lock(m_lock);
                if (!m_error)
                    m_error = std::current_exception();
                m_stop = true;
            }
            if (taskThread)
                AskStop();
        }
    }

    // Win32's own locks: see platform/SlimLock.h for why not the standard ones.
    CSlimLock m_owner;  // held by the team that has the helpers
    std::vector<std::thread> m_threads;
    CSlimLock m_lock;
    CConditionVariable m_wake;
    CConditionVariable m_done;
    const std::function<void(int, int)>* m_work = nullptr;
    int m_count = 0;
    std::atomic<int> m_next{0};
    int m_roundHelpers = 0;
    int m_priority = THREAD_PRIORITY_NORMAL;
    unsigned m_round = 0;
    bool m_open = false;
    int m_inside = 0;  // helpers inside the current round
    std::atomic<bool> m_stop{false};
    std::exception_ptr m_error;
    CTerminable* m_terminable = nullptr;
};

CWorkTeam::CWorkTeam(int threads)
{
    if (threads <= 1)
        return;
    CHelperThreads& helpers = CHelperThreads::Instance();
    if (!helpers.TryAcquire())
        return;
    const int have = helpers.Grow(threads - 1);
    if (have == 0) {
        helpers.Release();
        return;
    }
    m_helpers = &helpers;
    m_size = have + 1;
}

CWorkTeam::~CWorkTeam()
{
    if (m_helpers)
        m_helpers->Release();
}

bool CWorkTeam::ForEach(int count, const std::function<void(int, int)>& work, int maxThreads)
{
    int threads = std::min(m_size, count);
    if (maxThreads > 0)
        threads = std::min(threads, maxThreads);
    if (threads > 1)
        return m_helpers->Run(count, work, threads - 1, m_terminable);
    for (int item = 0; item < count; ++item) {
        if (m_terminable && m_terminable->IsTerminated())
            return false;
        work(item, 0);
    }
    return !(m_terminable && m_terminable->IsTerminated());
}

bool CWorkTeam::ForEachBand(int rows, int bandRows, const std::function<void(int, int, int)>& work)
{
    if (bandRows < 1)
        bandRows = 1;
    const int bands = rows <= 0 ? 0 : (rows + bandRows - 1) / bandRows;
    return ForEach(bands, [&](int band, int thread) {
        const int top = band * bandRows;
        work(top, std::min(rows, top + bandRows), thread);
    });
}
