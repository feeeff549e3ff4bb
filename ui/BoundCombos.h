// Combo boxes bound to one field of a settings record S: the owner attaches
// a box to its control with the record and a getter and setter of the field
// (plain functions; lambdas without captures will do), fills it, and listens
// to its lists. A box commits what the user chose: it reads the choice,
// compares it with the field through the getter and, only when it differs,
// calls the setter and tells its value-changed listeners (the owner's member
// functions, called with the box and 0).
//
//   CComboBoxCharSet<S, E>  character set and vertical flag of an entry E
//                        (fields Vertical, CharSet, Name) of the owner's list
//   CComboBoxEnum<S>     an int chosen from a CNamedInts list
//   CComboBoxInt<S, Lo, Hi>  an int typed, chosen or stepped to as text,
//                        within [Lo, Hi] (0, 0: the whole int range); errors
//                        stay in the box while the user is in it, which
//                        shows the value kept once left
//   CComboBoxNumber<S>   an int member typed, chosen or stepped to as
//                        fixed-point text, kept within its bounds when stored
//   CComboBoxString<S, L>    a text, with the used texts of L (L::Items: a
//                        sequence of shared pointers to std::wstring) in its list
//
// Notifications reach a box through its parent's reflection.
#pragma once
#include "foundation/Error.h"
#include "foundation/NamedValues.h"
#include "foundation/StringUtil.h"
#include "foundation/XmlValue.h"
#include "platform/ScopedFlag.h"
#include <vector>
#include "ui/ComboBox2.h"
#include "ui/ComboUtil.h"
#include "ui/EditEx.h"
#include "ui/EventListeners.h"
#include "ui/ListBoxCb.h"
#include "ui/NumberStep.h"
#include "ui/WindowImpl.h"
#include <algorithm>
#include <climits>
#include <string>

// An integer in [low, high] from a text (white space around it allowed): 0,
// or the message id of the failure (format, too small, too large).
UINT ParseBoundedInt(const std::wstring& text, int low, int high, int& value);
// A fixed-point number ("[+|-]digits[.[digits]]", the fraction cut to
// `decimals`) brought into [low, high], one too large for an int too; false
// for a text that is no number.
bool ParseClampedFixedPoint(const std::wstring& text, int decimals, int low, int high, int& value);
// The first child of the combo whose class is "Edit" (null for a drop-down list).
HWND FindComboEdit(HWND combo);
// The text of the combo's control, or my::CException 53620 with its id.
std::wstring ReadControlText(HWND control);

template <class T, class S>
class CBoundComboBase : public CComboWindowImpl<T> {
public:
    S* Setting = nullptr;
    CEventListeners ValueChangedListeners;

    template <class O>
    bool AddValueChangedListener(O* owner, void (O::*function)(UINT32, UINT32))
    {
        return AddMemfunListener(ValueChangedListeners, owner, function);
    }
    virtual void FireValueChanged() { BroadcastEvent(ValueChangedListeners, EventArg(this), 0); }

protected:
    bool AttachTo(HWND combo, S* setting)
    {
        Setting = setting;
        return this->SubclassWindow(combo) != FALSE;
    }
    // Sets the field only when the getter reads another value; true when it did.
    template <class Get, class Set, class V>
    bool StoreIfChanged(Get get, Set set, const V& value)
    {
        if (get(*Setting) == value)
            return false;
        set(*Setting, value);
        return true;
    }

    // Handlers for the boxes' maps, named there with this-> (a dependent
    // base's names are not found otherwise).
    LRESULT OnCommitNow(WORD, WORD, HWND, BOOL&)
    {
        static_cast<T*>(this)->Commit();
        return 0;
    }
    // The list closes and the selection settles first; the commit comes back
    // as WM_APP.
    LRESULT OnCommitLater(WORD, WORD, HWND, BOOL&)
    {
        this->PostMessage(WM_APP);
        return 0;
    }
    LRESULT OnDeferredCommit(UINT, WPARAM, LPARAM, BOOL&)
    {
        static_cast<T*>(this)->Commit();
        return 0;
    }
};

template <class S, class E>
class CComboBoxCharSet : public CBoundComboBase<CComboBoxCharSet<S, E>, S> {
public:
    typedef int (*Getter)(const S&);
    typedef void (*Setter)(S&, int);
    const std::vector<E>* Entries = nullptr;  // not owned; in the order shown

    BEGIN_MSG_MAP(CComboBoxCharSet)
        REFLECTED_COMMAND_CODE_HANDLER(CBN_SELCHANGE, this->OnCommitNow)
        REFLECTED_COMMAND_CODE_HANDLER(CBN_SELENDCANCEL, this->OnCommitNow)
        DEFAULT_REFLECTION_HANDLER()
    END_MSG_MAP()

    bool Attach(HWND combo, S* setting, const std::vector<E>* entries, Getter getCharSet, Setter setCharSet,
                Getter getVertical, Setter setVertical)
    {
        Entries = entries;
        m_getCharSet = getCharSet;
        m_setCharSet = setCharSet;
        m_getVertical = getVertical;
        m_setVertical = setVertical;
        return this->AttachTo(combo, setting);
    }
    // The entries' names, in their order.
    void Fill()
    {
        this->DeleteAllItems();
        std::vector<std::wstring> names;
        for (size_t i = 0; Entries && i < Entries->size(); ++i)
            names.push_back((*Entries)[i].Name);
        AddComboItems(this->m_hWnd, names);
    }
    // Selects the entry of the bound values, or none.
    void SelectCurrent()
    {
        const S& s = *this->Setting;
        int found = -1;
        for (size_t i = 0; Entries && i < Entries->size() && found < 0; ++i)
            if (static_cast<int>((*Entries)[i].CharSet) == m_getCharSet(s) &&
                static_cast<int>((*Entries)[i].Vertical) == m_getVertical(s))
                found = static_cast<int>(i);
        this->SetCurSel(found);
    }
    const E* GetSelected() const
    {
        int i = this->GetCurSel();
        return Entries && i >= 0 && static_cast<size_t>(i) < Entries->size() ? &(*Entries)[static_cast<size_t>(i)]
                                                                             : nullptr;
    }
    // The character set and the vertical flag are compared and set apart;
    // one notification when either changed.
    void Commit()
    {
        const E* chosen = GetSelected();
        if (!chosen || !this->Setting)
            return;
        const bool charSetChanged = this->StoreIfChanged(m_getCharSet, m_setCharSet, static_cast<int>(chosen->CharSet));
        const bool verticalChanged = this->StoreIfChanged(m_getVertical, m_setVertical, static_cast<int>(chosen->Vertical));
        if (charSetChanged || verticalChanged)
            this->FireValueChanged();
    }

private:
    Getter m_getCharSet = nullptr, m_getVertical = nullptr;
    Setter m_setCharSet = nullptr, m_setVertical = nullptr;
};

template <class S, class L = CNamedInts, class V = int>
class CComboBoxEnum : public CBoundComboBase<CComboBoxEnum<S, L, V>, S> {
public:
    typedef V (*Getter)(const S&);
    typedef void (*Setter)(S&, V);
    const L* List = nullptr;

    BEGIN_MSG_MAP(CComboBoxEnum)
        REFLECTED_COMMAND_CODE_HANDLER(CBN_SELCHANGE, this->OnCommitLater)
        REFLECTED_COMMAND_CODE_HANDLER(CBN_SELENDOK, this->OnCommitLater)
        REFLECTED_COMMAND_CODE_HANDLER(CBN_SELENDCANCEL, this->OnCommitLater)
        MESSAGE_HANDLER(WM_APP, this->OnDeferredCommit)
        DEFAULT_REFLECTION_HANDLER()
    END_MSG_MAP()

    bool Attach(HWND combo, S* setting, Getter get, Setter set, const L* list)
    {
        m_get = get;
        m_set = set;
        List = list;
        return this->AttachTo(combo, setting);
    }
    void Fill()
    {
        this->DeleteAllItems();
        std::vector<std::wstring> names;
        for (size_t i = 0; List && i < List->size(); ++i)
            names.push_back((*List)[i]->name);
        AddComboItems(this->m_hWnd, names);
    }
    void SelectCurrent()
    {
        int found = -1;
        for (size_t i = 0; List && i < List->size(); ++i)
            if ((*List)[i]->value == m_get(*this->Setting))
                found = static_cast<int>(i);
        this->SetCurSel(found);
    }
    void Commit()
    {
        int i = this->GetCurSel();
        if (!List || !this->Setting || i < 0 || static_cast<size_t>(i) >= List->size())
            return;
        if (this->StoreIfChanged(m_get, m_set, static_cast<V>((*List)[static_cast<size_t>(i)]->value)))
            this->FireValueChanged();
    }

private:
    Getter m_get = nullptr;
    Setter m_set = nullptr;
};

template <class S, int Low = 0, int High = 0>
class CComboBoxInt : public CBoundComboBase<CComboBoxInt<S, Low, High>, S> {
public:
    typedef int (*Getter)(const S&);
    typedef void (*Setter)(S&, int);
    CEditEx Edit;
    CEventListeners FocusLostListeners;
    CEventListeners ErrorStateListeners;
    my::CCtrlException Error{nullptr, 0};  // id 0: no error
    bool HasError = false;

    static int LowBound() { return Low == 0 && High == 0 ? INT_MIN : Low; }
    static int HighBound() { return Low == 0 && High == 0 ? INT_MAX : High; }

    BEGIN_MSG_MAP(CComboBoxInt)
        REFLECTED_COMMAND_CODE_HANDLER(CBN_SELCHANGE, this->OnCommitNow)
        REFLECTED_COMMAND_CODE_HANDLER(CBN_SELENDCANCEL, this->OnCommitNow)
        REFLECTED_COMMAND_CODE_HANDLER(CBN_EDITCHANGE, this->OnCommitLater)
        REFLECTED_COMMAND_CODE_HANDLER(CBN_KILLFOCUS, OnKillFocus)
        MESSAGE_HANDLER(WM_APP, this->OnDeferredCommit)
        DEFAULT_REFLECTION_HANDLER()
    END_MSG_MAP()

    bool Attach(HWND combo, S* setting, Getter get, Setter set)
    {
        m_get = get;
        m_set = set;
        if (!this->AttachTo(combo, setting))
            return false;
        if (HWND edit = FindComboEdit(combo))
            Edit.SubclassWindow(edit);
        // The box reads a minus sign whatever its bounds (a number below
        // them is an error it shows), and so does the step; a fraction
        // ("12.5") is no whole number, and lies between two entries.
        StepNumbersByWheelAndArrows(combo, {true, kReadAsReal});
        return true;
    }
    // Shows the bound value as decimal text.
    void ShowValue()
    {
        m_lastText = FormatLongText(m_get(*this->Setting));
        SetComboText(this->m_hWnd, m_lastText);
    }
    // Reads and stores the text; with throwOnError a failure is raised as
    // my::CCtrlException naming the control, else it stays in Error.
    bool Commit(bool throwOnError = false)
    {
        if (!this->Setting)
            return false;
        const std::wstring text = GetComboText(this->m_hWnd);
        if (text == m_lastText && !throwOnError)
            return !HasError;
        m_lastText = text;
        int value = 0;
        const UINT failure = ParseBoundedInt(text, LowBound(), HighBound(), value);
        const bool hadError = HasError;
        const UINT oldId = Error.id;
        HasError = failure != 0;
        if (HasError) {
            // Built with its text at once: the message's "%s" must never go unfilled.
            my::CCtrlException e(nullptr, 0);
            e.Set(failure, text);
            e.control = this->m_hWnd;
            Error = e;
        } else {
            Error = my::CCtrlException(nullptr, 0);
        }
        if (hadError != HasError || oldId != Error.id)
            FireErrorStateChanged();
        if (HasError) {
            if (throwOnError)
                throw Error;
            return false;
        }
        if (this->StoreIfChanged(m_get, m_set, value))
            this->FireValueChanged();
        return true;
    }
    virtual void FireFocusLost() { BroadcastEvent(FocusLostListeners, EventArg(this), 0); }
    virtual void FireErrorStateChanged() { BroadcastEvent(ErrorStateListeners, EventArg(this), HasError ? 1 : 0); }

private:
    static std::wstring FormatLongText(int value) { return std::to_wstring(value); }
    LRESULT OnKillFocus(WORD, WORD, HWND, BOOL&)
    {
        // What the box shows once the user leaves it is what it stored: a
        // text it refused gives way to the value kept ("300" to the size
        // the list last took), "007" to "7".
        Commit();
        if (this->Setting && this->GetWindowText() != FormatLongText(m_get(*this->Setting))) {
            ShowValue();
            if (HasError) {
                HasError = false;
                Error = my::CCtrlException(nullptr, 0);
                FireErrorStateChanged();
            }
        }
        FireFocusLost();
        return 0;
    }
    Getter m_get = nullptr;
    Setter m_set = nullptr;
    std::wstring m_lastText;
};

template <class S, class L>
class CComboBoxString : public CBoundComboBase<CComboBoxString<S, L>, S>, public CComboEntryOrder {
public:
    typedef std::wstring (*Getter)(const S&);
    typedef void (*Setter)(S&, const std::wstring&);
    const L* List = nullptr;
    CListBoxCb DropList;
    CEditEx Edit;
    CEventListeners EnterListeners;
    CEventListeners FocusLostListeners;
    bool CommitOnEdit = true;
    bool CommitOnKillFocus = false;
    bool RebuildOnDropDown = false;

    BEGIN_MSG_MAP(CComboBoxString)
        REFLECTED_COMMAND_CODE_HANDLER(CBN_EDITCHANGE, OnEditChange)
        REFLECTED_COMMAND_CODE_HANDLER(CBN_DROPDOWN, OnDropDown)
        REFLECTED_COMMAND_CODE_HANDLER(CBN_SELCHANGE, this->OnCommitNow)
        REFLECTED_COMMAND_CODE_HANDLER(CBN_SELENDOK, this->OnCommitLater)
        REFLECTED_COMMAND_CODE_HANDLER(CBN_SELENDCANCEL, this->OnCommitLater)
        REFLECTED_COMMAND_CODE_HANDLER(CBN_KILLFOCUS, OnKillFocus)
        MESSAGE_HANDLER(WM_APP, this->OnDeferredCommit)
        MESSAGE_HANDLER(WM_PAINT, OnPaint)
        DEFAULT_REFLECTION_HANDLER()
    END_MSG_MAP()

    bool Attach(HWND combo, S* setting, Getter get, Setter set, const L* list)
    {
        m_get = get;
        m_set = set;
        List = list;
        if (!this->AttachTo(combo, setting))
            return false;
        COMBOBOXINFO info;
        if (this->GetComboBoxInfo(&info) && info.hwndList)
            DropList.SubclassWindow(info.hwndList);
        if (HWND edit = FindComboEdit(combo)) {
            Edit.SubclassWindow(edit);
            AddMemfunListener(Edit.KeyDownListeners, this, &CComboBoxString::OnEditKeyDown);
            AddMemfunListener(Edit.CharListeners, this, &CComboBoxString::OnEditChar);
        }
        // The wheel and the keys step through the used texts from the one
        // shown (a text not among them stands outside the list).
        FollowShownValue(combo, *this);
        return true;
    }
    ~CComboBoxString()
    {
        if (::IsWindow(this->m_hWnd))
            StopFollowingShownValue(this->m_hWnd);
    }
    // The entries are the used texts, in the list's order (Rebuild): they
    // are compared there, not asked of the combo one by one.
    int EqualEntry(HWND, const std::wstring& text) const override
    {
        int i = 0;
        for (const auto& item : Items()) {
            if (*item == text)
                return i;
            ++i;
        }
        return kNotInList;
    }
    int StepEntry(HWND combo, const std::wstring& text, bool towardsFirst) const override
    {
        return UnorderedStepIndex(EqualEntry(combo, text), towardsFirst, Items().size());
    }
    std::wstring EntryText(HWND, int index) const override
    {
        for (const auto& item : Items())
            if (index-- == 0)
                return *item;
        return std::wstring();
    }
    // The items from the list, most recent first; the edit text and its
    // selection stay as they are.
    void Rebuild()
    {
        const std::wstring text = this->GetWindowText();
        const DWORD sel = this->GetEditSel();
        this->DeleteAllItems();
        std::vector<std::wstring> texts;
        if (List)
            for (const auto& item : List->Items)
                texts.push_back(*item);
        AddComboItems(this->m_hWnd, texts);
        if (this->GetWindowText() != text)
            this->SetWindowText(text);
        this->SetEditSel(LOWORD(sel), HIWORD(sel));
    }
    void ShowValue() { SetComboText(this->m_hWnd, m_get(*this->Setting)); }
    void Commit()
    {
        if (!this->Setting)
            return;
        std::wstring text;
        int index = this->GetCurSel();
        bool fromList = false;
        if (List && index >= 0) {
            int i = 0;
            for (const auto& item : List->Items) {
                if (i++ == index) {
                    text = *item;
                    fromList = true;
                    break;
                }
            }
        }
        if (!fromList)
            text = ReadControlText(this->m_hWnd);
        if (this->StoreIfChanged(m_get, m_set, text))
            this->FireValueChanged();
    }
    virtual void FireEnterPressed() { BroadcastEvent(EnterListeners, EventArg(this), 0); }
    virtual void FireFocusLost() { BroadcastEvent(FocusLostListeners, EventArg(this), 0); }

private:
    LRESULT OnEditChange(WORD, WORD, HWND, BOOL&)
    {
        if (CommitOnEdit)
            Commit();
        return 0;
    }
    LRESULT OnDropDown(WORD, WORD, HWND, BOOL&)
    {
        if (RebuildOnDropDown)
            Rebuild();
        return 0;
    }
    LRESULT OnKillFocus(WORD, WORD, HWND, BOOL&)
    {
        if (CommitOnKillFocus)
            Commit();
        else if (!CommitOnEdit)
            ShowValue();
        FireFocusLost();
        return 0;
    }
    LRESULT OnPaint(UINT, WPARAM, LPARAM, BOOL&)
    {
        LRESULT result = this->DefWindowProc();
        // A selection shown in a box without the focus would read as a choice.
        if (!ComboHasFocus(this->m_hWnd) && Edit.m_hWnd) {
            int start = 0, end = 0;
            Edit.GetSel(start, end);
            if (start != end)
                Edit.SetSelNone(TRUE);
        }
        return result;
    }
    // Enter keeps the text, except in the dropped list: there it chooses
    // the highlighted entry, as in every combo.
    void OnEditKeyDown(UINT32, UINT32 arg)
    {
        CKeyEvent* key = EventPointer<CKeyEvent>(arg);
        if (key->code != VK_RETURN || this->GetDroppedState())
            return;
        key->handled = true;
        Commit();
        FireEnterPressed();
    }
    void OnEditChar(UINT32, UINT32 arg)
    {
        CKeyEvent* key = EventPointer<CKeyEvent>(arg);
        if (key->code == L'\r' && !this->GetDroppedState())
            key->handled = true;
    }
    const decltype(L::Items)& Items() const
    {
        static const decltype(L::Items) none;
        return List ? List->Items : none;
    }
    Getter m_get = nullptr;
    Setter m_set = nullptr;
};

// An int member typed or chosen as fixed-point text (with one decimal, 12.5
// is stored as 125), a minus sign only where the field takes one. Typed text
// is filtered to what the number may hold and shown as read; the number is
// kept within the bounds when it is stored (one beyond them is stored at the
// bound) and the box shows what was stored once it loses the focus. A text
// that is no number changes nothing. What the box shows itself it does not
// take back. The wheel and the keys step from the value shown to the
// neighbouring entry of the list (ui/NumberStep.h), stored as a choice.
template <class S>
class CComboBoxNumber : public CBoundComboBase<CComboBoxNumber<S>, S> {
public:
    struct CForm {
        int decimals;
        bool keepZeros;  // "3.0" rather than "3"
        bool allowSign;
        int low, high;
    };
    CForm Form = {0, false, false, INT_MIN, INT_MAX};

    BEGIN_MSG_MAP(CComboBoxNumber)
        REFLECTED_COMMAND_CODE_HANDLER(CBN_SELCHANGE, OnChange)
        REFLECTED_COMMAND_CODE_HANDLER(CBN_EDITCHANGE, OnChange)
        REFLECTED_COMMAND_CODE_HANDLER(CBN_KILLFOCUS, OnKillFocus)
        DEFAULT_REFLECTION_HANDLER()
    END_MSG_MAP()

    bool Attach(HWND combo, S* setting, int S::*member, const CForm& form)
    {
        m_member = member;
        Form = form;
        if (!this->AttachTo(combo, setting))
            return false;
        StepNumbersByWheelAndArrows(combo, {Form.allowSign, Form.decimals});
        return true;
    }
    // Ready-made values first, first + step, ... to last.
    void AddValues(int first, int last, int step) { FillComboRange(this->m_hWnd, first, last, step, Form.decimals); }
    void ShowValue()
    {
        CScopedFlag showing(m_showing);
        ::SetWindowTextW(this->m_hWnd, Text(this->Setting->*m_member).c_str());
    }
    // The chosen entry, or else the typed text, into the member.
    void Commit(bool fromList)
    {
        const int index = this->GetCurSel();
        std::wstring text;
        if (!(fromList && index >= 0 && GetComboItemText(this->m_hWnd, index, text))) {
            text = this->GetWindowText();
            TrimIf(text, IsSpaceOrCr);
            text = ShowFilteredNumberText(this->m_hWnd, text, Form.allowSign, Form.decimals > 0);
        }
        int value = 0;
        if (this->Setting && ParseClampedFixedPoint(FilterNumberText(text, Form.allowSign, Form.decimals > 0),
                                                    Form.decimals, Form.low, Form.high, value) &&
            this->StoreIfChanged([this](const S& s) { return s.*m_member; },
                                 [this](S& s, int v) { s.*m_member = v; }, value))
            this->FireValueChanged();
    }

private:
    std::wstring Text(int value) const { return FormatFixedPoint(value, Form.decimals, Form.keepZeros); }
    LRESULT OnChange(WORD code, WORD, HWND, BOOL&)
    {
        if (!m_showing)
            Commit(code == CBN_SELCHANGE);
        return 0;
    }
    LRESULT OnKillFocus(WORD, WORD, HWND, BOOL&)
    {
        // What the box shows once the user leaves it is what it stored: a
        // digit beyond its decimals ("0.45" stores 0.4) is not left on screen.
        if (this->Setting && this->GetWindowText() != Text(this->Setting->*m_member))
            ShowValue();
        return 0;
    }

    int S::*m_member = nullptr;
    bool m_showing = false;
};

