// Rendering off the user-interface thread: a pool of workers draining one
// first-in first-out queue of rendering tasks. A worker hands each finished
// task to the task's client (on the worker thread) and ends when the queue is
// empty. A running task polls its worker between steps, so a job stops
// cooperatively; a stop also cuts blocking file input and output short.
#pragma once
#include "app/Thread.h"
#include "platform/CriticalSection.h"
#include "render/KanteloTask.h"
#include <boost/shared_ptr.hpp>
#include <atomic>
#include <list>
#include <vector>

typedef boost::shared_ptr<CKanteloTask> CKanteloTaskPtr;

// Every access under the queue's own lock; no task runs under it.
class CTaskQueue {
public:
    void Push(const CKanteloTaskPtr& task);
    // The front task, or an empty pointer; also empty once `stop` is set, read
    // under the lock, so no task pushed after it was set goes to that worker.
    CKanteloTaskPtr Pop(const std::atomic<bool>* stop = nullptr);
    void Clear();
    bool IsEmpty();
    // The queued tasks in order, for a look at them before a job starts.
    std::vector<CKanteloTaskPtr> GetTasks();

private:
    std::list<CKanteloTaskPtr> m_tasks;
    CNamedCriticalSection m_lock;
};

// A worker that runs tasks from the pool's queue one after another.
class CMultiTaskThread : public CThreadImpl {
public:
    CMultiTaskThread(CTaskQueue& queue, int priority = THREAD_PRIORITY_IDLE)
        : CThreadImpl(priority), m_queue(&queue) {}
    // A thread still running would use this worker after it is gone: it is
    // told to abort and waited for.
    ~CMultiTaskThread() override;

    int Run() override;
    // Setting either flag also cancels the thread's blocking file input and
    // output, where the system has that.
    void SetTerminate(bool terminate) override;
    void SetAbort(bool abort) override;
    // Its job is over: what it still finishes belongs to no one.
    void Retire() { m_retired = true; }
    // Whether the calling thread is a retired worker's.
    static bool CallerIsRetired();

private:
    void CancelBlockingIo();

    std::atomic<bool> m_retired{false};

    CTaskQueue* m_queue;
    CKanteloTaskPtr m_current;
};

typedef boost::shared_ptr<CMultiTaskThread> CMultiTaskThreadPtr;

// Owned by the main window. Every call comes from the user-interface thread.
class CTaskThreadPool {
public:
    // One worker.
    CTaskThreadPool();
    // Aborts and waits: no worker outlives the queue it reads.
    ~CTaskThreadPool();
    CTaskThreadPool(const CTaskThreadPool&) = delete;
    CTaskThreadPool& operator=(const CTaskThreadPool&) = delete;

    // Below 1, or the present count: nothing. Removed workers are waited for.
    void SetThreadCount(int count);
    int GetThreadCount() const { return static_cast<int>(m_workers.size()); }
    // Starts every worker; true when all run. When none runs because no
    // thread could be made, the queued tasks are handed back to their
    // clients with that error, so that the job ends instead of waiting.
    bool Start();
    // The queued tasks move to the cancelled list; every worker gets the
    // terminate flag (set or cleared).
    void Cancel(bool terminate);
    // Cancel(true), a wait for every worker, both lists emptied.
    void Stop(DWORD timeout);
    // Cancel(true) without the wait: a worker still in its task (a picture's
    // decode cannot stop halfway) ends it on its own, replaced at once by a
    // new one; both lists emptied. Abort waits for it too.
    void Retire();
    // For good: every worker is told to abort before any is waited for; both
    // lists emptied. Afterwards Start refuses.
    void Abort(DWORD timeout);

    bool IsAborting() const { return m_aborting; }
    // Whether any worker still runs.
    bool IsRunning();
    // Waits for every worker; true when all have ended.
    bool Wait(DWORD timeout);

    CTaskQueue& GetQueue() { return m_queue; }
    const std::vector<CMultiTaskThreadPtr>& GetWorkers() const { return m_workers; }
    size_t GetCancelledCount();

protected:
    // Replaces a worker (tests use one that cannot start).
    void SetWorker(size_t index, const CMultiTaskThreadPtr& worker) { m_workers.at(index) = worker; }

private:
    void ClearLists();
    void FailQueuedTasks(HRESULT code);

    std::atomic<bool> m_aborting{false};
    std::vector<CMultiTaskThreadPtr> m_workers;
    std::vector<CMultiTaskThreadPtr> m_retired;  // told to stop, still ending their tasks
    CTaskQueue m_queue;
    std::list<CKanteloTaskPtr> m_cancelled;
    CNamedCriticalSection m_cancelledLock;
};
