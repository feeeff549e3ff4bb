// Worker threads that stop cooperatively. A worker's terminate and abort
// flags are written by the user-interface thread and read by the worker
// between steps; termination ends the current run, abort ends the worker for
// good (it refuses to start again).
#pragma once
#include "foundation/Error.h"
#include "platform/Handle.h"
#include "render/CanTerminate.h"
#include <windows.h>
#include <atomic>

class CThread : public CTerminable {
public:
    bool IsTerminated() override { return m_terminate || m_abort; }
    virtual ~CThread() = default;
    // The thread's body; its result is the thread's exit code.
    virtual int Run() = 0;
    virtual bool Start() = 0;
    virtual bool Wait(DWORD timeout) = 0;
    virtual bool IsAborted() { return m_abort; }
    virtual bool IsRunning() = 0;
    virtual void SetTerminate(bool terminate) { m_terminate = terminate; }
    virtual void SetAbort(bool abort) { m_abort = abort; }

private:
    std::atomic<bool> m_terminate{false};
    std::atomic<bool> m_abort{false};
};

// One Win32 thread at a time, created suspended and resumed only after its
// priority and boost setting are in place, in a COM apartment of its own.
// The owner calls Start, Wait and IsRunning from one thread.
class CThreadImpl : public CThread {
public:
    explicit CThreadImpl(int priority = THREAD_PRIORITY_IDLE) : m_priority(priority) {}
    // Closes the thread's handle and never waits: a running thread must have
    // been waited for by the most derived class or the owner.
    ~CThreadImpl() override = default;
    CThreadImpl(const CThreadImpl&) = delete;
    CThreadImpl& operator=(const CThreadImpl&) = delete;

    // False after abort or when no thread can be made; true when a thread runs
    // (a running one is kept, an ended one is closed and replaced).
    bool Start() override;
    // True when no thread is left: none was started, or it ended within the
    // timeout (its handle is closed then).
    bool Wait(DWORD timeout) override;
    bool IsRunning() override;

    HANDLE GetHandle() const { return m_handle.Get(); }
    DWORD GetThreadId() const { return m_threadId; }
    int GetPriority() const { return m_priority; }
    // Why the last Start made no thread; 0 after a refusal for abort.
    HRESULT GetStartError() const { return m_startError; }
    // What escaped Run in the last thread (id 0 when nothing did). Read it
    // after Wait.
    const CSimpleErr& GetExitError() const { return m_exitError; }

protected:
    // Makes the thread suspended; null (with the last error) on failure.
    virtual HANDLE BeginThread(unsigned& threadId);

private:
    static unsigned __stdcall ThreadProc(void* self);

    CHandle m_handle;
    int m_priority;
    unsigned m_threadId = 0;
    HRESULT m_startError = 0;
    CSimpleErr m_exitError;
};
