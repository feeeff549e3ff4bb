// The base of the paint dialog's pages: a property page that is its own
// message-box sink and keeps two listener lists, one told after every edit
// of the page's value (FireChanged) and one when the sheet activates the
// page (FireActivated). Listeners get the page as the first value. The
// pages never refuse a PSN_ notification, so the sheet closes whenever
// asked.
#pragma once
#include "foundation/Msg.h"
#include "foundation/NamedValues.h"
#include "ui/ComboUtil.h"
#include "ui/EventListeners.h"
#include "resources/strings_foundation.h"
#include "ui/PropertySheet.h"

// Selects the item of the choice list whose value is `value`, or none.
inline void SelectNamedIntValue(HWND combo, const CNamedInts& list, int value)
{
    int found = -1;
    for (size_t i = 0; i < list.size() && found < 0; ++i)
        if (list[i]->value == value)
            found = static_cast<int>(i);
    ::SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(found), 0);
}

template <class T>
class CColorPageImpl : public CPropertyPageImpl<T>, public CSimpleMsgImpl<T, IDS_ERROR_TITLE, IDS_QUERY_TITLE> {
public:
    CEventListeners ContentListeners;
    CEventListeners ActivationListeners;

    explicit CColorPageImpl(UINT titleId) : CPropertyPageImpl<T>(titleId) {}
    virtual ~CColorPageImpl() = default;

    virtual void FireChanged(UINT32 value) { BroadcastEvent(ContentListeners, EventArg(this), value); }
    virtual void FireActivated(UINT32 value) { BroadcastEvent(ActivationListeners, EventArg(this), value); }

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
