#include "app/TaskThreadPool.h"
#include "foundation/Globals.h"
#include "resources/strings_foundation.h"
#include <boost/make_shared.hpp>
#include <algorithm>

void CTaskQueue::Push(const CKanteloTaskPtr& task)
{
    CNamedLock lock(m_lock);
    m_tasks.push_back(task);
}

CKanteloTaskPtr CTaskQueue::Pop(const std::atomic<bool>* stop)
{
    CNamedLock lock(m_lock);
    if (m_tasks.empty() || (stop && *stop))
        return CKanteloTaskPtr();
    CKanteloTaskPtr task = m_tasks.front();
    m_tasks.pop_front();
    return task;
}

void CTaskQueue::Clear()
{
    std::list<CKanteloTaskPtr> gone;
    {
        CNamedLock lock(m_lock);
        gone.swap(m_tasks);
    }
    // The tasks are released outside the lock.
}

bool CTaskQueue::IsEmpty()
{
    CNamedLock lock(m_lock);
    return m_tasks.empty();
}

std::vector<CKanteloTaskPtr> CTaskQueue::GetTasks()
{
    CNamedLock lock(m_lock);
    return std::vector<CKanteloTaskPtr>(m_tasks.begin(), m_tasks.end());
}

CMultiTaskThread::~CMultiTaskThread()
{
    if (IsRunning()) {
        SetAbort(true);
        Wait(INFINITE);
    }
    m_current.reset();
}

namespace {
// The worker whose thread this is (a plain value: no destructor to run).
thread_local CMultiTaskThread* t_worker = nullptr;
} // namespace

bool CMultiTaskThread::CallerIsRetired() { return t_worker && t_worker->m_retired; }

int CMultiTaskThread::Run()
{
    t_worker = this;
    if (IsTerminated()) {
        m_current.reset();
        return 0;
    }
    for (;;) {
        // A retired worker between two tasks must not take the next job's.
        m_current = m_queue->Pop(&m_retired);
        if (!m_current)
            return 0;
        m_current->SetTerminable(this);
        m_current->Execute();
        if (IsTerminated()) {
            m_current.reset();
            return 0;
        }
    }
}

void CMultiTaskThread::CancelBlockingIo()
{
    if (GetWindowsVersionFlags().atLeast60 && GetHandle())
        CancelSynchronousIo(GetHandle());
}

// The flag goes first, so that a task whose file call fails on the cancel
// already sees that it was told to stop.
void CMultiTaskThread::SetTerminate(bool terminate)
{
    CThreadImpl::SetTerminate(terminate);
    if (terminate)
        CancelBlockingIo();
}

void CMultiTaskThread::SetAbort(bool abort)
{
    CThreadImpl::SetAbort(abort);
    if (abort)
        CancelBlockingIo();
}

CTaskThreadPool::CTaskThreadPool() { SetThreadCount(1); }

CTaskThreadPool::~CTaskThreadPool() { Abort(INFINITE); }

void CTaskThreadPool::SetThreadCount(int count)
{
    if (count < 1 || count == GetThreadCount())
        return;
    while (GetThreadCount() < count)
        m_workers.push_back(boost::make_shared<CMultiTaskThread>(m_queue, THREAD_PRIORITY_IDLE));
    // The removed workers wait for their threads as they go.
    m_workers.resize(static_cast<size_t>(count));
}

bool CTaskThreadPool::Start()
{
    bool all = true;
    HRESULT creationError = 0;
    for (const CMultiTaskThreadPtr& worker : m_workers) {
        if (!worker->Start()) {
            all = false;
            if (creationError == 0)
                creationError = worker->GetStartError();
        }
    }
    if (creationError != 0 && !m_aborting && !IsRunning())
        FailQueuedTasks(creationError);
    return all;
}

void CTaskThreadPool::FailQueuedTasks(HRESULT code)
{
    CSimpleErr error;
    error.SetIdAndCode(IDS_INTERNAL_ERROR, code);
    while (CKanteloTaskPtr task = m_queue.Pop()) {
        task->Err = error;
        if (CKanteloTaskClient* client = task->GetClient())
            client->OnTaskFinished(task);
    }
}

void CTaskThreadPool::Cancel(bool terminate)
{
    while (CKanteloTaskPtr task = m_queue.Pop()) {
        CNamedLock lock(m_cancelledLock);
        m_cancelled.push_back(task);
    }
    for (const CMultiTaskThreadPtr& worker : m_workers)
        worker->SetTerminate(terminate);
}

void CTaskThreadPool::Stop(DWORD timeout)
{
    Cancel(true);
    Wait(timeout);
    ClearLists();
}

void CTaskThreadPool::Retire()
{
    Cancel(true);
    // The queue they read outlives them: it is the pool's own.
    for (CMultiTaskThreadPtr& worker : m_workers)
        if (worker->IsRunning()) {
            worker->Retire();
            m_retired.push_back(worker);
            worker = boost::make_shared<CMultiTaskThread>(m_queue, worker->GetPriority());
        }
    m_retired.erase(std::remove_if(m_retired.begin(), m_retired.end(),
                                   [](const CMultiTaskThreadPtr& w) { return w->Wait(0); }),
                    m_retired.end());
    ClearLists();
}

void CTaskThreadPool::Abort(DWORD timeout)
{
    m_aborting = true;
    for (const CMultiTaskThreadPtr& worker : m_workers)
        worker->SetAbort(true);
    for (const CMultiTaskThreadPtr& worker : m_retired)
        worker->SetAbort(true);
    Wait(timeout);
    for (const CMultiTaskThreadPtr& worker : m_retired)
        worker->Wait(timeout);
    ClearLists();
}

bool CTaskThreadPool::IsRunning()
{
    for (const CMultiTaskThreadPtr& worker : m_workers) {
        if (worker->IsRunning())
            return true;
    }
    return false;
}

bool CTaskThreadPool::Wait(DWORD timeout)
{
    bool all = true;
    for (const CMultiTaskThreadPtr& worker : m_workers) {
        if (!worker->Wait(timeout))
            all = false;
    }
    return all;
}

size_t CTaskThreadPool::GetCancelledCount()
{
    CNamedLock lock(m_cancelledLock);
    return m_cancelled.size();
}

void CTaskThreadPool::ClearLists()
{
    m_queue.Clear();
    std::list<CKanteloTaskPtr> gone;
    {
        CNamedLock lock(m_cancelledLock);
        gone.swap(m_cancelled);
    }
}
