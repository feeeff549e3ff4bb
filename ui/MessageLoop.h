// The thread's message loop with its message filters (which may take a
// message before it is translated and dispatched) and idle handlers (run
// when the queue has run dry), and the application module that maps each
// UI thread to its loop, so that a window can find the loop it runs in.
#pragma once
#include "platform/CriticalSection.h"
#include <windows.h>
#include <map>
#include <vector>

class CMessageFilter {
public:
    // True when the filter took the message (it is then not dispatched).
    virtual BOOL PreTranslateMessage(MSG* msg) = 0;
protected:
    ~CMessageFilter() = default;
};

class CIdleHandler {
public:
    // True to be called again before the next message arrives.
    virtual BOOL OnIdle() = 0;
protected:
    ~CIdleHandler() = default;
};

// Whether a message ends an idle phase, so that the idle handlers run again
// once the queue is empty. Mouse moves, paints and the caret's blink timer
// (0x118) do not count: they arrive all the time and would keep the idle
// handlers busy.
bool IsIdleResetMessage(UINT msg);

class CMessageLoop {
public:
    CMessageLoop() = default;
    virtual ~CMessageLoop() = default;
    CMessageLoop(const CMessageLoop&) = delete;
    CMessageLoop& operator=(const CMessageLoop&) = delete;

    // False when the object is already registered (or, for removal, is not).
    bool AddMessageFilter(CMessageFilter* filter);
    bool RemoveMessageFilter(CMessageFilter* filter);
    bool AddIdleHandler(CIdleHandler* handler);
    bool RemoveIdleHandler(CIdleHandler* handler);

    // Runs until WM_QUIT and returns its wParam; -1 when GetMessageW fails.
    int Run();
    // The message being handled by Run.
    const MSG& GetCurrentMessage() const { return m_msg; }

    // Offers the message to the filters, the one added last first; each runs
    // behind the exception firewall, a failing one counting as not taking it.
    virtual BOOL PreTranslateMessage(MSG* msg);
    // Calls every idle handler; true when one of them wants to run again.
    virtual BOOL OnIdle(int idleCount);

private:
    std::vector<CMessageFilter*> m_filters;
    std::vector<CIdleHandler*> m_idleHandlers;
    MSG m_msg = {};
};

class CAppModule {
public:
    CAppModule() = default;
    CAppModule(const CAppModule&) = delete;
    CAppModule& operator=(const CAppModule&) = delete;

    void Init(HINSTANCE instance) { m_instance = instance; }
    // Forgets every registered loop.
    void Term();
    HINSTANCE GetModuleInstance() const { return m_instance ? m_instance : ::GetModuleHandleW(nullptr); }

    // One loop per thread; false when the current thread has one already.
    bool AddMessageLoop(CMessageLoop* loop);
    bool RemoveMessageLoop();
    // Null when the thread has no loop.
    CMessageLoop* GetMessageLoop(DWORD threadId = ::GetCurrentThreadId());

private:
    HINSTANCE m_instance = nullptr;
    CAutoCriticalSection m_lock;
    std::map<DWORD, CMessageLoop*> m_loops;
};

// The program's one module object.
CAppModule& GetAppModule();
