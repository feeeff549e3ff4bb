// The base of the paint dialog's pages: a property page that is its own
// message-box sink and keeps two listener lists, one told after every edit
// of the page's value (FireChanged) and one when the sheet activates the
// page (FireActivated). Listeners get the page as the first value. The
// pages never refuse a PSN_ notification, so the sheet closes whenever
// asked.
#pragma once
#include "foundation/Msg.h"
#include "foundation/StringUtil.h"
#include "resources/strings_foundation.h"
#include "ui/PropertySheet.h"
#include <boost/shared_ptr.hpp>
#include <functional>

// A listener that runs a function.
class CFunctionEventListener : public CEventListener {
public:
    explicit CFunctionEventListener(std::function<void(UINT32, UINT32)> f) : m_f(std::move(f)) {}
    void OnEvent(UINT32 a, UINT32 b) override
    {
        if (m_f)
            m_f(a, b);
    }
private:
    std::function<void(UINT32, UINT32)> m_f;
};

inline boost::shared_ptr<CEventListener> MakeListener(std::function<void(UINT32, UINT32)> f)
{
    return boost::shared_ptr<CEventListener>(new CFunctionEventListener(std::move(f)));
}

// Adds a listener unless the same object is in the list already.
inline bool AddListener(CEventListeners& list, const boost::shared_ptr<CEventListener>& listener)
{
    for (const boost::shared_ptr<CEventListener>& l : list)
        if (l == listener)
            return false;
    list.push_back(listener);
    return true;
}

// A pointer as a listener's first value (the program is 32-bit).
template <class T>
UINT32 SenderValue(T* sender)
{
    return static_cast<UINT32>(reinterpret_cast<UINT_PTR>(sender));
}

template <class T>
class CColorPageImpl : public CPropertyPageImpl<T>, public CSimpleMsgImpl<T, IDS_ERROR_TITLE, IDS_QUERY_TITLE> {
public:
    CEventListeners ContentListeners;
    CEventListeners ActivationListeners;

    explicit CColorPageImpl(UINT titleId) : CPropertyPageImpl<T>(titleId) {}
    virtual ~CColorPageImpl() = default;

    virtual void FireChanged(UINT32 value) { BroadcastEvent(ContentListeners, SenderValue(this), value); }
    virtual void FireActivated(UINT32 value) { BroadcastEvent(ActivationListeners, SenderValue(this), value); }

    BEGIN_MSG_MAP(CColorPageImpl)
        MESSAGE_HANDLER(WM_NOTIFY, OnSheetNotify)
    END_MSG_MAP()

private:
    // Notifications of the sheet answer 0: every PSN_ request succeeds.
    LRESULT OnSheetNotify(UINT, WPARAM, LPARAM lp, BOOL& handled)
    {
        const NMHDR* header = reinterpret_cast<const NMHDR*>(lp);
        if (!header || header->hwndFrom != this->GetParent()) {
            handled = FALSE;
            return 0;
        }
        if (header->code == static_cast<UINT>(PSN_SETACTIVE))
            FireActivated(0);
        return 0;
    }
};
