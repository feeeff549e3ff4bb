#include "ui/MessageLoop.h"
#include "ui/Firewall.h"
#include <algorithm>

namespace {

template <class T>
bool AddOnce(std::vector<T*>& list, T* item)
{
    if (!item || std::find(list.begin(), list.end(), item) != list.end())
        return false;
    list.push_back(item);
    return true;
}

template <class T>
bool RemoveFrom(std::vector<T*>& list, T* item)
{
    auto it = std::find(list.begin(), list.end(), item);
    if (it == list.end())
        return false;
    list.erase(it);
    return true;
}

template <class T>
bool Contains(const std::vector<T*>& list, T* item)
{
    return std::find(list.begin(), list.end(), item) != list.end();
}

const UINT kCaretBlinkTimer = 0x118;

} // namespace

bool IsIdleResetMessage(UINT msg)
{
    return msg != WM_MOUSEMOVE && msg != WM_NCMOUSEMOVE && msg != WM_PAINT && msg != kCaretBlinkTimer;
}

bool CMessageLoop::AddMessageFilter(CMessageFilter* filter) { return AddOnce(m_filters, filter); }
bool CMessageLoop::RemoveMessageFilter(CMessageFilter* filter) { return RemoveFrom(m_filters, filter); }
bool CMessageLoop::AddIdleHandler(CIdleHandler* handler) { return AddOnce(m_idleHandlers, handler); }
bool CMessageLoop::RemoveIdleHandler(CIdleHandler* handler) { return RemoveFrom(m_idleHandlers, handler); }

BOOL CMessageLoop::PreTranslateMessage(MSG* msg)
{
    // A filter may remove itself or another one (a dialog that closes): walk
    // a copy and skip those that have gone meanwhile.
    const std::vector<CMessageFilter*> filters(m_filters);
    for (auto it = filters.rbegin(); it != filters.rend(); ++it) {
        if (!Contains(m_filters, *it))
            continue;
        BOOL taken = FALSE;
        GuardedCall([&] { taken = (*it)->PreTranslateMessage(msg); });
        if (taken)
            return TRUE;
    }
    return FALSE;
}

BOOL CMessageLoop::OnIdle(int)
{
    const std::vector<CIdleHandler*> handlers(m_idleHandlers);
    BOOL more = FALSE;
    for (CIdleHandler* handler : handlers) {
        if (!Contains(m_idleHandlers, handler))
            continue;
        BOOL again = FALSE;
        GuardedCall([&] { again = handler->OnIdle(); });
        if (again)
            more = TRUE;
    }
    return more;
}

int CMessageLoop::Run()
{
    bool idle = true;
    int idleCount = 0;
    for (;;) {
        while (idle && !::PeekMessageW(&m_msg, nullptr, 0, 0, PM_NOREMOVE)) {
            if (!OnIdle(idleCount++))
                idle = false;
        }
        BOOL got = ::GetMessageW(&m_msg, nullptr, 0, 0);
        // -1 means the call itself failed; asking again would fail for ever.
        if (got == -1)
            return -1;
        if (!got)
            break;
        if (!PreTranslateMessage(&m_msg)) {
            ::TranslateMessage(&m_msg);
            ::DispatchMessageW(&m_msg);
        }
        if (IsIdleResetMessage(m_msg.message)) {
            idle = true;
            idleCount = 0;
        }
    }
    return static_cast<int>(m_msg.wParam);
}

void CAppModule::Term()
{
    CAutoLock<CAutoCriticalSection> lock(m_lock);
    m_loops.clear();
}

bool CAppModule::AddMessageLoop(CMessageLoop* loop)
{
    CAutoLock<CAutoCriticalSection> lock(m_lock);
    return loop && m_loops.insert(std::make_pair(::GetCurrentThreadId(), loop)).second;
}

bool CAppModule::RemoveMessageLoop()
{
    CAutoLock<CAutoCriticalSection> lock(m_lock);
    return m_loops.erase(::GetCurrentThreadId()) != 0;
}

CMessageLoop* CAppModule::GetMessageLoop(DWORD threadId)
{
    CAutoLock<CAutoCriticalSection> lock(m_lock);
    auto it = m_loops.find(threadId);
    return it == m_loops.end() ? nullptr : it->second;
}

CAppModule& GetAppModule()
{
    static CAppModule module;
    return module;
}
