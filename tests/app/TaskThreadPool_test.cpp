#include "app/TaskThreadPool.h"
#include "platform/CriticalSection.h"
#include "platform/Handle.h"
#include "resources/strings_foundation.h"
#include <gtest/gtest.h>
#include <boost/make_shared.hpp>
#include <objbase.h>
#include <atomic>
#include <functional>
#include <stdexcept>

namespace {

const DWORD kPatience = 10000;  // a worker that needs longer has hung

// A task with the test's body in place of rendering.
class CFakeTask : public CKanteloTask {
public:
    std::function<void(CFakeTask&)> body;
    DWORD thread = 0;
    int priority = 0;
    HRESULT comInit = E_FAIL;
    void Run() override
    {
        thread = GetCurrentThreadId();
        priority = GetThreadPriority(GetCurrentThread());
        comInit = CoInitialize(nullptr);  // S_FALSE: the worker already made an apartment
        if (SUCCEEDED(comInit))
            CoUninitialize();
        if (body)
            body(*this);
    }
};

class CFakeClient : public CKanteloTaskClient {
public:
    void OnTaskFinished(boost::shared_ptr<CKanteloTask> task) override
    {
        CAutoLock<CAutoCriticalSection> lock(m_lock);
        m_finished.push_back(task);
    }
    std::vector<boost::shared_ptr<CKanteloTask>> Finished()
    {
        CAutoLock<CAutoCriticalSection> lock(m_lock);
        return m_finished;
    }
private:
    CAutoCriticalSection m_lock;
    std::vector<boost::shared_ptr<CKanteloTask>> m_finished;
};

struct CEvent {
    CHandle h{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    void Set() { SetEvent(h.Get()); }
    bool WaitFor(DWORD ms = kPatience) { return WaitForSingleObject(h.Get(), ms) == WAIT_OBJECT_0; }
};

boost::shared_ptr<CFakeTask> Queue(CTaskThreadPool& pool, CFakeClient& client, std::function<void(CFakeTask&)> body = {})
{
    auto task = boost::make_shared<CFakeTask>();
    task->Init(&client);
    task->body = std::move(body);
    pool.GetQueue().Push(task);
    return task;
}

// Runs until told to stop (or released), and says when it has begun.
std::function<void(CFakeTask&)> Blocking(CEvent& started, CEvent& release, std::atomic<int>* sawStop = nullptr)
{
    return [&started, &release, sawStop](CFakeTask& task) {
        started.Set();
        while (!task.IsTerminated() && !release.WaitFor(5)) {
        }
        if (task.IsTerminated() && sawStop)
            ++*sawStop;
    };
}

// A worker whose thread cannot be made.
class CUnstartableWorker : public CMultiTaskThread {
public:
    using CMultiTaskThread::CMultiTaskThread;
protected:
    HANDLE BeginThread(unsigned&) override
    {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
};

class CTestPool : public CTaskThreadPool {
public:
    void BreakWorker(size_t index)
    {
        SetWorker(index, boost::make_shared<CUnstartableWorker>(GetQueue(), THREAD_PRIORITY_IDLE));
    }
};

} // namespace

TEST(TaskThreadPool, WorkerRunsTheQueueInOrderAtIdlePriorityInItsOwnApartment)
{
    CTaskThreadPool pool;
    CFakeClient client;
    ASSERT_EQ(1, pool.GetThreadCount());
    std::vector<boost::shared_ptr<CFakeTask>> tasks;
    for (int i = 0; i < 3; ++i)
        tasks.push_back(Queue(pool, client));
    tasks[1]->body = [](CFakeTask&) { throw std::runtime_error("broken"); };

    ASSERT_TRUE(pool.Start());
    ASSERT_TRUE(pool.Wait(kPatience));
    EXPECT_FALSE(pool.IsRunning());
    EXPECT_TRUE(pool.GetQueue().IsEmpty());

    auto finished = client.Finished();
    ASSERT_EQ(3u, finished.size());
    CThread* worker = pool.GetWorkers()[0].get();
    for (size_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(tasks[i], finished[i]);
        EXPECT_NE(GetCurrentThreadId(), tasks[i]->thread);
        EXPECT_EQ(tasks[0]->thread, tasks[i]->thread);  // one thread drains the queue
        // Set before the thread ran a line. (Wine keeps no boost setting to read back.)
        EXPECT_EQ(THREAD_PRIORITY_IDLE, tasks[i]->priority);
        EXPECT_EQ(S_FALSE, tasks[i]->comInit);
        EXPECT_EQ(worker, tasks[i]->GetTerminable());
    }
    // A failing task is reported through its record; the worker goes on.
    EXPECT_EQ(IDS_STD_EXCEPTION, tasks[1]->Err.id);
    EXPECT_EQ(0u, tasks[2]->Err.id);
}

TEST(TaskThreadPool, StartTwiceKeepsTheRunningThreadAndWaitZeroKeepsTheHandle)
{
    CTaskThreadPool pool;
    CFakeClient client;
    CEvent started, release;
    Queue(pool, client, Blocking(started, release));
    ASSERT_TRUE(pool.Start());
    ASSERT_TRUE(started.WaitFor());

    CMultiTaskThread& worker = *pool.GetWorkers()[0];
    HANDLE handle = worker.GetHandle();
    DWORD id = worker.GetThreadId();
    EXPECT_TRUE(worker.IsRunning());
    EXPECT_TRUE(pool.Start());
    EXPECT_EQ(handle, worker.GetHandle());
    EXPECT_EQ(id, worker.GetThreadId());
    EXPECT_FALSE(worker.Wait(0));
    EXPECT_EQ(handle, worker.GetHandle());

    release.Set();
    ASSERT_TRUE(worker.Wait(kPatience));
    EXPECT_EQ(nullptr, worker.GetHandle());
    EXPECT_TRUE(worker.Wait(0));  // nothing left to wait for

    // An ended worker starts a fresh thread for the next job.
    auto next = Queue(pool, client);
    ASSERT_TRUE(pool.Start());
    ASSERT_TRUE(pool.Wait(kPatience));
    EXPECT_EQ(2u, client.Finished().size());
    EXPECT_NE(0u, next->thread);
}

TEST(TaskThreadPool, CancelSetsTheQueueAsideAndStopWaitsForTheRunningTask)
{
    CTaskThreadPool pool;
    CFakeClient client;
    CEvent started, release;
    std::atomic<int> sawStop{0};
    auto first = Queue(pool, client, Blocking(started, release, &sawStop));
    Queue(pool, client);
    Queue(pool, client);
    ASSERT_TRUE(pool.Start());
    ASSERT_TRUE(started.WaitFor());

    pool.Cancel(true);
    EXPECT_TRUE(pool.GetQueue().IsEmpty());
    EXPECT_EQ(2u, pool.GetCancelledCount());
    pool.Stop(INFINITE);
    EXPECT_FALSE(pool.IsRunning());
    EXPECT_EQ(1, sawStop.load());
    EXPECT_EQ(0u, pool.GetCancelledCount());
    ASSERT_EQ(1u, client.Finished().size());  // the worker ended after the running task
    EXPECT_EQ(0u, first->Err.id);             // a stop is no error

    // The next start clears the terminate flag.
    Queue(pool, client);
    ASSERT_TRUE(pool.Start());
    ASSERT_TRUE(pool.Wait(kPatience));
    EXPECT_EQ(2u, client.Finished().size());
}

TEST(TaskThreadPool, AbortTellsEveryWorkerBeforeWaitingAndStartIsRefusedAfterwards)
{
    CTaskThreadPool pool;
    pool.SetThreadCount(3);
    CFakeClient client;
    CEvent started[3], release;
    std::atomic<int> told{0};
    std::atomic<int> gaveUp{0};
    for (int i = 0; i < 3; ++i) {
        // Each task ends only once all three have been told: an abort that
        // waited for one worker before telling the next would time out here.
        Queue(pool, client, [&, i](CFakeTask& task) {
            started[i].Set();
            while (!task.IsTerminated())
                Sleep(1);
            ++told;
            // Only an abort that never tells the others makes this give up.
            DWORD since = GetTickCount();
            while (told < 3) {
                if (GetTickCount() - since > kPatience) {
                    ++gaveUp;
                    return;
                }
                Sleep(1);
            }
        });
    }
    ASSERT_TRUE(pool.Start());
    for (CEvent& e : started)
        ASSERT_TRUE(e.WaitFor());

    pool.Abort(INFINITE);
    EXPECT_EQ(3, told.load());
    EXPECT_EQ(0, gaveUp.load());
    EXPECT_TRUE(pool.IsAborting());
    EXPECT_FALSE(pool.IsRunning());
    EXPECT_TRUE(pool.GetWorkers()[0]->IsAborted());

    Queue(pool, client);
    EXPECT_FALSE(pool.Start());
    EXPECT_FALSE(pool.IsRunning());
    EXPECT_EQ(3u, client.Finished().size());  // the refused task is not handed back
}

TEST(TaskThreadPool, AThreadThatCannotStartEndsTheJobWithAnError)
{
    CTestPool pool;
    pool.BreakWorker(0);
    CFakeClient client;
    auto a = Queue(pool, client);
    auto b = Queue(pool, client);
    EXPECT_FALSE(pool.Start());
    EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_NOT_ENOUGH_MEMORY), pool.GetWorkers()[0]->GetStartError());
    EXPECT_TRUE(pool.GetQueue().IsEmpty());
    auto finished = client.Finished();
    ASSERT_EQ(2u, finished.size());
    for (auto& task : {a, b}) {
        EXPECT_EQ(IDS_INTERNAL_ERROR, task->Err.id);
        EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_NOT_ENOUGH_MEMORY), task->Err.code);
        EXPECT_EQ(0u, task->thread);  // never ran
    }

    // With another worker running, that worker drains the queue instead.
    pool.SetThreadCount(2);
    auto c = Queue(pool, client);
    EXPECT_FALSE(pool.Start());
    ASSERT_TRUE(pool.Wait(kPatience));
    EXPECT_EQ(0u, c->Err.id);
    EXPECT_NE(0u, c->thread);
}

TEST(TaskThreadPool, ThreadCountAndTheEndOfAPoolWithWorkRunning)
{
    CFakeClient client;
    CEvent started, release;
    std::atomic<int> sawStop{0};
    {
        CTaskThreadPool pool;
        pool.SetThreadCount(0);
        EXPECT_EQ(1, pool.GetThreadCount());
        pool.SetThreadCount(3);
        ASSERT_EQ(3, pool.GetThreadCount());
        for (auto& worker : pool.GetWorkers()) {
            EXPECT_EQ(THREAD_PRIORITY_IDLE, worker->GetPriority());
            EXPECT_EQ(nullptr, worker->GetHandle());
            EXPECT_FALSE(worker->IsTerminated());
        }
        pool.SetThreadCount(1);
        EXPECT_EQ(1, pool.GetThreadCount());

        Queue(pool, client, Blocking(started, release, &sawStop));
        ASSERT_TRUE(pool.Start());
        ASSERT_TRUE(started.WaitFor());
    }  // the pool goes with a task running: told to stop and waited for
    EXPECT_EQ(1, sawStop.load());
}

TEST(TaskThreadPool, WhatEscapesAThreadBodyEndsOnlyThatThread)
{
    struct CThrowingThread : CThreadImpl {
        int Run() override { throw std::runtime_error("lost"); }
    } thread;
    ASSERT_TRUE(thread.Start());
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread.GetHandle(), kPatience));
    DWORD code = 0;
    GetExitCodeThread(thread.GetHandle(), &code);
    EXPECT_EQ(static_cast<DWORD>(-1), code);
    EXPECT_TRUE(thread.Wait(0));
    EXPECT_EQ(IDS_STD_EXCEPTION, thread.GetExitError().id);
}
