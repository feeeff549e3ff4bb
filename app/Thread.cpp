#include "app/Thread.h"
#include "foundation/GuardedRunner.h"
#include <objbase.h>
#include <process.h>
#include <utility>

bool CThreadImpl::Start()
{
    m_startError = 0;
    if (IsAborted())
        return false;
    if (m_handle) {
        if (IsRunning())
            return true;
        Wait(INFINITE);
    }
    CThread::SetTerminate(false);
    unsigned id = 0;
    CHandle handle(BeginThread(id));
    if (!handle.IsValid()) {
        m_startError = HResultFromLastError();
        if (m_startError == 0)
            m_startError = E_FAIL;
        return false;
    }
    SetThreadPriority(handle, m_priority);
    SetThreadPriorityBoost(handle, TRUE);  // TRUE turns dynamic boosting off
    if (ResumeThread(handle) == static_cast<DWORD>(-1)) {
        // Never ran a line of its own: nothing to unwind, and left suspended
        // it would look busy for ever.
        m_startError = HResultFromLastError();
        TerminateThread(handle, static_cast<DWORD>(-1));
        WaitForSingleObject(handle, INFINITE);
        return false;
    }
    m_handle = std::move(handle);
    m_threadId = id;
    return true;
}

HANDLE CThreadImpl::BeginThread(unsigned& threadId)
{
    return reinterpret_cast<HANDLE>(
        _beginthreadex(nullptr, 0, &CThreadImpl::ThreadProc, this,
                       CREATE_SUSPENDED | STACK_SIZE_PARAM_IS_A_RESERVATION, &threadId));
}

bool CThreadImpl::Wait(DWORD timeout)
{
    if (!m_handle)
        return true;
    if (WaitForSingleObject(m_handle, timeout) != WAIT_OBJECT_0)
        return false;
    m_handle.Close();
    m_threadId = 0;
    return true;
}

bool CThreadImpl::IsRunning()
{
    DWORD code = 0;
    return m_handle && GetExitCodeThread(m_handle, &code) && code == STILL_ACTIVE;
}

unsigned __stdcall CThreadImpl::ThreadProc(void* param)
{
    // Nothing may leave a thread procedure: under Wine an exception crossing
    // it ends the process.
    CThreadImpl* self = static_cast<CThreadImpl*>(param);
    // Each worker is an apartment of its own: the imaging and XML work of
    // the tasks needs COM.
    HRESULT init = CoInitialize(nullptr);
    int result = -1;
    my::CCtrlException error(nullptr, 0);
    CatchToError(error, [&] { result = self->Run(); });
    self->m_exitError = error;
    if (error.id != 0)
        result = -1;
    if (SUCCEEDED(init))
        CoUninitialize();
    return static_cast<unsigned>(result);
}
