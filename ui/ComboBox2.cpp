// The value a combo box shows, and its list: one rule for every editable
// combo of ours (number boxes, colour, quality, file and used-text boxes).
//
// Goal: the list's current entry follows the value the field shows, and
// every way of stepping moves from that value, whatever set it (the stored
// value shown as text, a typed one, a picked one, an earlier step); what
// the field shows is what the box holds, however its list closes. The
// combo's own procedure keeps a current entry apart from the text: a text
// set by WM_SETTEXT or typed has none, so its wheel and arrow keys step from
// none, to the first entry; dropping its list selects the first entry that
// begins with the text and shows it ("12" becomes "120", "FFFFFF" a name),
// closing the list without a choice leaves that, and an entry picked stays
// current while the first character typed after it replaces its text.
//
// Method: the box tells how its text and entries compare (CComboEntryOrder:
// numbers by value, colours by RGB, files by path, used texts exactly; a
// list without order has a value no entry has stand outside it, so Down
// enters at the first entry and Up at the last). The wheel (a notch per
// WHEEL_DELTA of accumulated turn) and Up, Down, Page Up and Page Down in
// the field, with the list closed or dropped, show the entry the step
// reaches and tell the box's parent as the combo would: CBN_SELCHANGE with
// the entry selected where the field shows the entry's own text (a number),
// else CBN_EDITCHANGE with the value as text (a colour's hex text for its
// name). Home and End stay the field's (the caret), as on Windows. The
// list's search of the text, which the combo runs when it drops the list,
// when the text changes while it is dropped and on a click on its button, is
// answered by value: the entry of equal value is highlighted, or none, and
// the text is left as it is (the combo copies an entry it found into the
// field, so the answer is "none found" and the highlight is put in place of
// the selection the combo then makes); dropped on a text equal to an entry,
// the field's whole text is selected, as the combo does with what it finds.
// When the list closes, a choice (Enter, which takes the highlighted entry,
// or a click on an entry) stays; any other close (Esc, F4, Alt+Up or
// Alt+Down, a click elsewhere, the focus leaving) undoes the steps made in
// the list: it puts back the text the list opened with or, once the user
// typed, cut, pasted or deleted in the open list, the text that left, and
// the box is told, so it stores that value again. A list entry whose text
// the field does not show is never current: it is let go before the box
// hears of a typed change and after the list closes.
//
// A drop-down list without an edit field keeps the combo's own keys (Home
// and End the first and last entry); what the rule adds there is that a
// click away from its dropped list keeps the entry the keys chose, as Tab,
// Esc and the focus leaving do (Wine's list put back the entry it opened
// on, unannounced, while the box kept the stepped one).
//
// Edge cases: a text that cannot be compared (no number) moves nothing;
// an extended-UI combo keeps Down to open its list; a list of no entries
// moves nothing.
#include "ui/ComboBox2.h"
#include "foundation/Error.h"
#include "foundation/StringUtil.h"
#include "foundation/XmlValue.h"
#include "resources/strings_foundation.h"
#include "ui/Firewall.h"
#include "ui/NumberStep.h"
#include <commctrl.h>
#include <algorithm>
#include <cstdlib>
#include <cwchar>
#include <vector>

namespace {

LRESULT CALLBACK EditWheelProc(HWND edit, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id, DWORD_PTR)
{
    switch (msg) {
    case WM_MOUSEWHEEL:
    case WM_MOUSEHWHEEL:
        // A one-line field has nothing to scroll: the default procedure
        // hands the wheel to the parent, the combo.
        return ::DefWindowProcW(edit, msg, wp, lp);
    case WM_NCDESTROY:
        ::RemoveWindowSubclass(edit, EditWheelProc, id);
        break;
    }
    return ::DefSubclassProc(edit, msg, wp, lp);
}

struct CFollowState {
    CComboEntryOrder* order;
    std::unique_ptr<CComboEntryOrder> owned;
    int wheel = 0;                 // turn not yet a whole notch
    bool open = false;             // the list is shown
    bool chosen = false;           // ... and an entry was chosen in it
    std::wstring openText;         // the text a close without a choice puts back
    int lookUpSettings = 0;        // the list's settings still to follow its search
    int found = kNotInList;        // the entry the search found by value
};

const UINT_PTR kFollowId = 0x4356;  // 'CV': one subclass of each window by this rule

UINT SettleMessage()
{
    static const UINT message = ::RegisterWindowMessageW(L"KanteloComboSettle");
    return message;
}

CFollowState* StateOf(HWND combo);

bool IsDropped(HWND combo) { return ::SendMessageW(combo, CB_GETDROPPEDSTATE, 0, 0) != FALSE; }

HWND ListOf(HWND combo)
{
    COMBOBOXINFO info = {};
    info.cbSize = sizeof(info);
    return ::GetComboBoxInfo(combo, &info) ? info.hwndList : nullptr;
}

// Entries the list shows at once (a page); 1 at least.
int PageOf(HWND list)
{
    RECT client = {};
    if (!list || !::GetClientRect(list, &client))
        return 1;
    const int height = static_cast<int>(::SendMessageW(list, LB_GETITEMHEIGHT, 0, 0));
    return height > 0 ? std::max(1, static_cast<int>(client.bottom) / height) : 1;
}

// A list refilled while dropped takes the size a fresh drop gives it: the
// combo sizes its list only as it drops (a row for each entry up to its
// least visible number, the height it was made with for none; the dropped
// width just fitted to the entries), so 10,000 entries listed into a list
// dropped over one showed one row, and longer names were cut at the old
// width. Placed as the drop places it: below the combo, or above it where
// the work area ends.
void FitDroppedSize(HWND combo, HWND list)
{
    RECT made = {}, box = {}, frame = {}, client = {};
    ::SendMessageW(combo, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&made));  // answers CB_OKAY, 0
    if (!::GetWindowRect(combo, &box) || !::GetWindowRect(list, &frame) || !::GetClientRect(list, &client))
        return;
    int height = made.bottom - made.top;
    const int count = static_cast<int>(::SendMessageW(list, LB_GETCOUNT, 0, 0));
    const int rows = std::min(count, static_cast<int>(::SendMessageW(combo, CB_GETMINVISIBLE, 0, 0)));
    if (rows > 0 && !(::GetWindowLongW(combo, GWL_STYLE) & CBS_NOINTEGRALHEIGHT))
        height = rows * static_cast<int>(::SendMessageW(list, LB_GETITEMHEIGHT, 0, 0)) +
                 (frame.bottom - frame.top) - client.bottom;
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof monitor;
    int top = box.bottom;
    if (::GetMonitorInfoW(::MonitorFromRect(&box, MONITOR_DEFAULTTOPRIMARY), &monitor) &&
        top + height > monitor.rcWork.bottom) {
        top = std::max(static_cast<int>(box.top) - height, static_cast<int>(monitor.rcWork.top));
        height = std::min(height, static_cast<int>(monitor.rcWork.bottom) - top);
    }
    ::SetWindowPos(list, nullptr, frame.left, top, made.right - made.left, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void TellParent(HWND combo, WORD code)
{
    ::SendMessageW(::GetParent(combo), WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(combo), code),
                   reinterpret_cast<LPARAM>(combo));
}

// Shows the entry and tells the box; the dropped list highlights it.
void ShowEntry(HWND combo, const CComboEntryOrder& order, int index)
{
    CComboBoxW box(combo);
    HWND list = ListOf(combo);
    const std::wstring shown = order.EntryText(combo, index);
    std::wstring item;
    const bool ownText = GetComboItemText(combo, index, item) && item == shown;
    if (ownText) {
        box.SetCurSel(index);
    } else {
        ::SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(-1), 0);
        box.SetWindowText(shown);
    }
    if (ComboHasFocus(combo))
        box.SetEditSel(0, -1);
    TellParent(combo, ownText ? CBN_SELCHANGE : CBN_EDITCHANGE);
    if (!ownText && ::IsWindow(combo) && IsDropped(combo))
        ::SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

bool Step(HWND combo, const CComboEntryOrder& order, UINT key)
{
    const std::wstring text = CWindow(combo).GetWindowText();
    const int stepped = order.StepEntry(combo, text, key == VK_UP || key == VK_PRIOR);
    const int count = static_cast<int>(::SendMessageW(combo, CB_GETCOUNT, 0, 0));
    const int target = ComboKeyTarget(key, stepped, count, PageOf(ListOf(combo)));
    if (target < 0)
        return false;
    ShowEntry(combo, order, target);
    return true;
}

// Whole notches of the turn so far, away from the user positive.
int TakeNotches(CFollowState& state, int delta)
{
    if ((state.wheel < 0 && delta > 0) || (state.wheel > 0 && delta < 0))
        state.wheel = 0;
    state.wheel += delta;
    const int notches = state.wheel / WHEEL_DELTA;
    state.wheel -= notches * WHEEL_DELTA;
    return notches;
}

// Lets go of a current entry whose text the field does not show (readers
// take a selected entry's text for the combo's).
void DropStaleEntry(HWND combo)
{
    CComboBoxW box(combo);
    std::wstring item;
    const int current = box.GetCurSel();
    if (current >= 0 && (!GetComboItemText(combo, current, item) || item != box.GetWindowText()))
        ::SendMessageW(ListOf(combo), LB_SETCURSEL, static_cast<WPARAM>(-1), 0);
}

// After the list closed: puts back the text a close without a choice
// leaves, and leaves no stale entry current.
void Settle(HWND combo, const std::wstring& openText, bool chosen)
{
    CComboBoxW box(combo);
    const bool putBack = !chosen && box.GetWindowText() != openText;
    if (putBack)
        box.SetWindowText(openText);
    DropStaleEntry(combo);
    if (putBack) {
        if (ComboHasFocus(combo))
            box.SetEditSel(0, -1);
        TellParent(combo, CBN_EDITCHANGE);
    }
}

// Enter in the dropped list: the entry it highlights (the mouse moves the
// highlight too) is the choice, shown before the list closes.
void ChooseHighlighted(HWND combo, const CComboEntryOrder& order)
{
    const int highlighted = static_cast<int>(::SendMessageW(ListOf(combo), LB_GETCURSEL, 0, 0));
    if (highlighted >= 0 && order.EntryText(combo, highlighted) != CWindow(combo).GetWindowText())
        ShowEntry(combo, order, highlighted);
}

// Messages by which the user edits the field's text.
bool IsTyping(UINT msg)
{
    switch (msg) {
    case WM_CHAR:
    case WM_IME_CHAR:
    case WM_UNICHAR:
    case WM_KEYDOWN:  // Delete, Shift+Delete, Shift+Insert
    case WM_PASTE:
    case WM_CUT:
    case WM_CLEAR:
    case WM_UNDO:
    case EM_UNDO:
    case WM_IME_COMPOSITION:
    case WM_IME_ENDCOMPOSITION:
        return true;
    }
    return false;
}

LRESULT CALLBACK ComboFollowProc(HWND combo, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id, DWORD_PTR data)
{
    CFollowState* state = reinterpret_cast<CFollowState*>(data);
    if (msg == WM_MOUSEWHEEL) {
        GuardedCall([&] {
            const int notches = TakeNotches(*state, GET_WHEEL_DELTA_WPARAM(wp));
            for (int i = 0; i < std::abs(notches); ++i)
                if (!Step(combo, *state->order, notches > 0 ? VK_UP : VK_DOWN))
                    break;
        });
        return 0;
    }
    if (msg == SettleMessage() && msg != 0) {
        const std::wstring openText = state->openText;
        GuardedCall([&] { Settle(combo, openText, wp != 0); });
        return 0;
    }
    if (msg == WM_KEYDOWN && wp == VK_RETURN && IsDropped(combo)) {
        // The field hands Enter to the combo, which closes the list with a choice.
        state->chosen = true;
        CComboEntryOrder* order = state->order;
        GuardedCall([&] { ChooseHighlighted(combo, *order); });
    } else if (msg == WM_COMMAND && HIWORD(wp) == EN_CHANGE) {  // only its field sends one
        // Typed over an entry the field showed: the combo would leave the
        // entry current for this change, and the box would read it.
        GuardedCall([&] { DropStaleEntry(combo); });
    }
    if (msg == WM_NCDESTROY) {
        ::RemoveWindowSubclass(combo, ComboFollowProc, id);
        delete state;
    }
    return ::DefSubclassProc(combo, msg, wp, lp);
}

// The keys reach the edit field, whose own procedure hands them to the list.
LRESULT CALLBACK EditFollowProc(HWND edit, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id, DWORD_PTR data)
{
    HWND combo = reinterpret_cast<HWND>(data);
    CFollowState* state = msg == WM_NCDESTROY ? nullptr : StateOf(combo);
    if (msg == WM_KEYDOWN && state) {
        bool ours = wp == VK_UP || wp == VK_DOWN || wp == VK_PRIOR || wp == VK_NEXT;
        // An extended-UI combo opens its list on Down: that stays.
        if (ours && !IsDropped(combo) && ::SendMessageW(combo, CB_GETEXTENDEDUI, 0, 0))
            ours = false;
        if (ours) {
            CComboEntryOrder* order = state->order;
            GuardedCall([&] { Step(combo, *order, static_cast<UINT>(wp)); });
            return 0;
        }
    } else if (msg == WM_NCDESTROY) {
        ::RemoveWindowSubclass(edit, EditFollowProc, id);
    }
    if (!state || !state->open || !IsTyping(msg))
        return ::DefSubclassProc(edit, msg, wp, lp);
    // What the user types into the open list stays when it closes: the text
    // it leaves is the one put back (the rule's own changes never come here).
    const std::wstring before = CWindow(edit).GetWindowText();
    const LRESULT result = ::DefSubclassProc(edit, msg, wp, lp);
    if (CFollowState* still = StateOf(combo))
        if (still->open) {
            std::wstring after = CWindow(edit).GetWindowText();
            if (after != before)
                still->openText = std::move(after);
        }
    return result;
}

LRESULT CALLBACK ListFollowProc(HWND list, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id, DWORD_PTR data)
{
    HWND combo = reinterpret_cast<HWND>(data);
    CFollowState* state = msg == WM_NCDESTROY ? nullptr : StateOf(combo);
    switch (msg) {
    case LB_FINDSTRING:
        // The combo's search of its text while the list is dropped (the only
        // prefix search made on this list): found by value, reported as
        // none so that the combo does not copy the entry into the field.
        if (state && lp && IsDropped(combo)) {
            const std::wstring text(reinterpret_cast<const wchar_t*>(lp));
            CComboEntryOrder* order = state->order;
            int found = kNotInList;
            GuardedCall([&] { found = order->EqualEntry(combo, text); });
            state->found = found;
            state->lookUpSettings = 3;  // selection, caret and top entry follow the search
            return LB_ERR;
        }
        break;
    case LB_SETCURSEL:
    case LB_SETCARETINDEX:
    case LB_SETTOPINDEX:
        if (state && state->lookUpSettings > 0) {
            --state->lookUpSettings;
            if (state->found >= 0)
                wp = static_cast<WPARAM>(state->found);
        }
        break;
    case WM_WINDOWPOSCHANGED: {
        const WINDOWPOS* pos = reinterpret_cast<const WINDOWPOS*>(lp);
        if (state && pos && (pos->flags & SWP_SHOWWINDOW)) {
            state->open = true;
            state->chosen = false;
            state->openText = CWindow(combo).GetWindowText();
            CComboEntryOrder* order = state->order;
            const std::wstring text = state->openText;
            GuardedCall([&] {
                if (ComboHasFocus(combo) && order->EqualEntry(combo, text) >= 0)
                    CComboBoxW(combo).SetEditSel(0, -1);
            });
        } else if (state && pos && (pos->flags & SWP_HIDEWINDOW) && state->open) {
            state->open = false;
            if (state->chosen) {
                // Posted: the combo still writes the chosen entry into the field.
                ::PostMessageW(combo, SettleMessage(), 1, 0);
            } else {
                // At once: the box that loses the focus shows what it
                // stored once it hears of it, after this.
                const std::wstring openText = state->openText;
                GuardedCall([&] { Settle(combo, openText, false); });
            }
        }
        break;
    }
    case WM_LBUTTONUP: {
        // A release over an entry chooses it.
        RECT client = {};
        const POINT at = {static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
        if (state && state->open && ::GetClientRect(list, &client) && ::PtInRect(&client, at))
            state->chosen = true;
        break;
    }
    case WM_NCDESTROY:
        ::RemoveWindowSubclass(list, ListFollowProc, id);
        break;
    default:
        if (state && msg >= LB_ADDSTRING && msg <= LB_MSGMAX)
            state->lookUpSettings = 0;
    }
    return ::DefSubclassProc(list, msg, wp, lp);
}

// The dropped list of a drop-down list: a press outside it closes it as
// Esc does, keeping the entry the keys chose (Wine's list put back the entry
// it opened on first, unannounced, while the box had stored the stepped
// one). A press on its scroll bar stays the list's.
LRESULT CALLBACK DropListProc(HWND list, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id, DWORD_PTR data)
{
    HWND combo = reinterpret_cast<HWND>(data);
    if ((msg == WM_LBUTTONDOWN || msg == WM_LBUTTONDBLCLK) && IsDropped(combo)) {
        POINT at = {static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
        RECT window = {};
        ::ClientToScreen(list, &at);
        if (::GetWindowRect(list, &window) && !::PtInRect(&window, at)) {
            if (::GetCapture() == list)
                ::ReleaseCapture();
            ::SendMessageW(combo, CB_SHOWDROPDOWN, FALSE, 0);
            return 0;
        }
    } else if (msg == WM_NCDESTROY) {
        ::RemoveWindowSubclass(list, DropListProc, id);
    }
    return ::DefSubclassProc(list, msg, wp, lp);
}

BOOL CALLBACK KeepDroppedListChoice(HWND child, LPARAM)
{
    wchar_t name[16] = L"";
    if (::GetClassNameW(child, name, 16) && _wcsicmp(name, L"ComboBox") == 0 &&
        (::GetWindowLongW(child, GWL_STYLE) & 3) == CBS_DROPDOWNLIST)
        if (HWND list = ListOf(child))
            ::SetWindowSubclass(list, DropListProc, kFollowId, reinterpret_cast<DWORD_PTR>(child));
    return TRUE;
}

CFollowState* StateOf(HWND combo)
{
    DWORD_PTR data = 0;
    return combo && ::GetWindowSubclass(combo, ComboFollowProc, kFollowId, &data)
               ? reinterpret_cast<CFollowState*>(data)
               : nullptr;
}

void Follow(HWND combo, CComboEntryOrder& order, std::unique_ptr<CComboEntryOrder> owned)
{
    if (CFollowState* state = StateOf(combo)) {
        state->order = &order;
        state->owned = std::move(owned);
        return;
    }
    std::unique_ptr<CFollowState> state(new CFollowState);
    state->order = &order;
    state->owned = std::move(owned);
    HWND edit = FindWindowExW(combo, nullptr, L"Edit", nullptr);
    HWND list = ListOf(combo);
    if (!::SetWindowSubclass(combo, ComboFollowProc, kFollowId, reinterpret_cast<DWORD_PTR>(state.get())))
        ThrowLastError(IDS_COMBO_STEP_SETUP_FAILED, FormatInt(::GetDlgCtrlID(combo)));
    // The window owns it now: WM_NCDESTROY deletes it.
    state.release();
    const DWORD_PTR ref = reinterpret_cast<DWORD_PTR>(combo);
    if ((edit && !::SetWindowSubclass(edit, EditFollowProc, kFollowId, ref)) ||
        (list && !::SetWindowSubclass(list, ListFollowProc, kFollowId, ref)))
        ThrowLastError(IDS_COMBO_STEP_SETUP_FAILED, FormatInt(::GetDlgCtrlID(combo)));
    PassEditWheelToCombo(combo);
}

} // namespace

int CComboBox2Traits<CNamedColors>::FindEntry(const CNamedColors& list, const std::wstring& text)
{
    const COLORREF colour = ColorOfBoxText(text);
    for (size_t i = 0; i < list.size(); ++i)
        if (list[i]->color == colour)
            return static_cast<int>(i);
    return kNotInList;
}

std::wstring CComboBox2Traits<CNamedInts>::EditText(const CNamedInts& list, size_t i)
{
    return FormatFixedPoint(list[i]->value, 0, false);
}

namespace {

// The quality box keeps the digits of what is typed.
const CNumberReading kNamedIntReading = {false, 0};

} // namespace

int CComboBox2Traits<CNamedInts>::FindEntry(const CNamedInts& list, const std::wstring& text)
{
    double value = 0;
    if (!ReadNumberText(text, kNamedIntReading, value))
        return kIgnoreStep;
    for (size_t i = 0; i < list.size(); ++i)
        if (list[i]->value == value)
            return static_cast<int>(i);
    return kNotInList;
}

int CComboBox2Traits<CNamedInts>::StepIndex(const CNamedInts& list, const std::wstring& text, bool towardsFirst)
{
    double value = 0;
    if (!ReadNumberText(text, kNamedIntReading, value))
        return kNotInList;
    std::vector<double> values;
    for (const auto& entry : list)
        values.push_back(entry->value);
    const int index = NumberStepIndex(values, value, towardsFirst);
    return index < 0 ? kNotInList : index;
}

int UnorderedStepIndex(int equal, bool towardsFirst, size_t count)
{
    const int n = static_cast<int>(count);
    if (equal == kIgnoreStep || n == 0)
        return kNotInList;
    if (equal == kNotInList)
        return towardsFirst ? n - 1 : 0;
    const int next = towardsFirst ? equal - 1 : equal + 1;
    return next >= 0 && next < n ? next : kNotInList;
}

int ComboKeyTarget(UINT key, int stepped, int count, int page)
{
    if (count <= 0 || stepped < 0)
        return kNotInList;
    switch (key) {
    case VK_UP:
    case VK_DOWN:
        return stepped;
    case VK_PRIOR:
        return std::max(0, stepped - std::max(page, 1) + 1);
    case VK_NEXT:
        return std::min(count - 1, stepped + std::max(page, 1) - 1);
    }
    return kNotInList;
}

bool ComboHasFocus(HWND combo)
{
    HWND focus = ::GetFocus();
    return focus && (focus == combo || ::IsChild(combo, focus));
}

void PassEditWheelToCombo(HWND combo)
{
    // Installed again on the same field, the subclass is only renewed.
    if (HWND edit = ::FindWindowExW(combo, nullptr, L"Edit", nullptr))
        ::SetWindowSubclass(edit, EditWheelProc, 0, 0);
}

void FollowShownValue(HWND combo, std::unique_ptr<CComboEntryOrder> order)
{
    CComboEntryOrder& kept = *order;
    Follow(combo, kept, std::move(order));
}

void FollowShownValue(HWND combo, CComboEntryOrder& order) { Follow(combo, order, nullptr); }

void StopFollowingShownValue(HWND combo)
{
    CFollowState* state = StateOf(combo);
    if (!state)
        return;
    ::RemoveWindowSubclass(combo, ComboFollowProc, kFollowId);
    delete state;
    if (HWND edit = FindWindowExW(combo, nullptr, L"Edit", nullptr))
        ::RemoveWindowSubclass(edit, EditFollowProc, kFollowId);
    if (HWND list = ListOf(combo))
        ::RemoveWindowSubclass(list, ListFollowProc, kFollowId);
}

void FillComboList(HWND combo, const std::vector<std::wstring>& items)
{
    HWND list = ListOf(combo);
    if (!list)
        return;
    // Straight to the list's own procedure, past its subclasses: under Wine
    // each message through them costs calls to the server, and one still
    // running (the list hands F4 on to its combo, whose drop asks for the
    // entries) cannot even be taken off: 7 s for 100,000 entries.
    const WNDPROC own = reinterpret_cast<WNDPROC>(::GetClassLongPtrW(list, GCLP_WNDPROC));
    const auto call = [&](UINT msg, WPARAM wp, LPARAM lp) { return ::CallWindowProcW(own, list, msg, wp, lp); };
    call(WM_SETREDRAW, FALSE, 0);
    call(LB_RESETCONTENT, 0, 0);
    size_t chars = 0;
    for (const std::wstring& item : items)
        chars += item.size() + 1;
    call(LB_INITSTORAGE, items.size(), static_cast<LPARAM>(chars * sizeof(wchar_t)));
    for (const std::wstring& item : items)
        call(LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
    call(WM_SETREDRAW, TRUE, 0);
    ::InvalidateRect(list, nullptr, TRUE);  // a dropped list shows the new entries
    FitDroppedWidth(combo, items);
    if (IsDropped(combo))
        FitDroppedSize(combo, list);
}

void KeepDroppedListChoices(HWND dialog) { ::EnumChildWindows(dialog, KeepDroppedListChoice, 0); }
