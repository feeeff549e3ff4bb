// A combo box bound to a list (named colours, JPEG quality presets, the
// image files of a folder). Choosing an entry is handled after the combo has
// finished its own update (a posted WM_APP): the edit field then shows the
// entry's value (a colour's hex text, a quality number, a file's full path)
// and the listener is told. The field always shows the value, never an
// entry's name: listeners read the window text. Leaving the box is told to
// the listener as CBN_KILLFOCUS: it then shows the value it stored, in the
// box's own form (the hex text of the colour a text stood for, say).
//
// Every combo box with an edit field follows one rule (FollowShownValue):
// its list's current entry follows the value the field shows, the wheel
// and the keys step from that value, and what the field shows after its
// list closes is what the box holds (described in ComboBox2.cpp).
//
// What a list type shows and compares lives in CComboBox2Traits<T>:
//   static std::wstring ItemText(const T&, size_t i);  // shown in the list
//   static std::wstring EditText(const T&, size_t i);  // put into the edit field
//   static int FindEntry(const T&, const std::wstring&); // the entry showing that
//       value, kNotInList, or kIgnoreStep when the text cannot be compared
//   static int StepIndex(const T&, const std::wstring&, bool towardsFirst);
//       // the entry one step from the value shown, or kNotInList
#pragma once
#include "foundation/NamedValues.h"
#include "ui/ComboUtil.h"
#include "ui/ControlListeners.h"
#include "ui/WindowImpl.h"
#include <memory>
#include <string>
#include <vector>

template <class T>
struct CComboBox2Traits;

enum : int {
    kNotInList = -1,
    kIgnoreStep = -2,
};

// The step of a list whose entries have no order among them (colours,
// files): from the entry equal to the value shown (`equal`) to its
// neighbour; a value no entry has stands outside the list, before its first
// entry and after its last, so Down enters at the first and Up at the last.
// kNotInList when nothing moves (an end, an empty list, kIgnoreStep).
int UnorderedStepIndex(int equal, bool towardsFirst, size_t count);

// Colours: the name in the list, the hex text in the edit field; the text
// is compared as a colour (black when it is no colour).
template <>
struct CComboBox2Traits<CNamedColors> {
    static std::wstring ItemText(const CNamedColors& list, size_t i) { return list[i]->name; }
    static std::wstring EditText(const CNamedColors& list, size_t i) { return FormatColorHex(list[i]->color); }
    static int FindEntry(const CNamedColors& list, const std::wstring& text);
    static int StepIndex(const CNamedColors& list, const std::wstring& text, bool towardsFirst)
    {
        return UnorderedStepIndex(FindEntry(list, text), towardsFirst, list.size());
    }
};

// Named numbers (the JPEG quality presets): the name in the list, the
// number in the edit field, read as the box reads it (its digits). A text
// that is no number is not stepped from; one between entries steps to the
// neighbouring entry that way, as in a number box.
template <>
struct CComboBox2Traits<CNamedInts> {
    static std::wstring ItemText(const CNamedInts& list, size_t i) { return list[i]->name; }
    static std::wstring EditText(const CNamedInts& list, size_t i);
    static int FindEntry(const CNamedInts& list, const std::wstring& text);
    static int StepIndex(const CNamedInts& list, const std::wstring& text, bool towardsFirst);
};

// Whether the window or its edit field has the focus.
bool ComboHasFocus(HWND combo);

// Makes the combo's edit field, when it has one, give the mouse wheel to the
// combo, as a one-line edit does on Windows; Wine's edit keeps the wheel and
// does nothing with it, so without this the wheel would not step the combo
// while the focus is in the field.
void PassEditWheelToCombo(HWND combo);

// What the rule asks of a box: how the value its field shows compares with
// its entries.
class CComboEntryOrder {
public:
    virtual ~CComboEntryOrder() {}
    // The entry whose value equals the one `text` shows; kNotInList, or
    // kIgnoreStep when the text (or the list) cannot be compared.
    virtual int EqualEntry(HWND combo, const std::wstring& text) const = 0;
    // The entry one step from that value towards the first entry or the
    // last; kNotInList when there is none.
    virtual int StepEntry(HWND combo, const std::wstring& text, bool towardsFirst) const = 0;
    // What the field shows for an entry.
    virtual std::wstring EntryText(HWND combo, int index) const = 0;
};

// The entry a key moves to: Up and Down one step (`stepped`, from
// StepEntry), Page Up and Page Down `page` entries (the first of them the
// step by value) but not past an end; kNotInList when nothing moves.
int ComboKeyTarget(UINT key, int stepped, int count, int page);

// Makes an editable combo follow the value its field shows, by `order`
// (kept by the combo, or only pointed at: the caller then keeps it alive and
// calls StopFollowingShownValue before it goes). Again on the same combo,
// only the order is renewed. my::CException IDS_COMBO_STEP_SETUP_FAILED when
// the combo cannot be taken over.
void FollowShownValue(HWND combo, std::unique_ptr<CComboEntryOrder> order);
void FollowShownValue(HWND combo, CComboEntryOrder& order);
void StopFollowingShownValue(HWND combo);

// Replaces the combo's entries by `items` and fits the dropped width to
// them; the field's text stays, and a dropped list takes the size a fresh
// drop gives. Under Wine each message through a subclassed window costs
// calls to the server (the subclass is found by a window property), a
// second for every few thousand entries, so the entries go to the list's
// own procedure, past every subclass of it.
void FillComboList(HWND combo, const std::vector<std::wstring>& items);

// Makes every drop-down list (a combo without an edit field) among the
// dialog's controls keep the entry the keys chose in its dropped list when
// a click away closes it, as Tab and Esc do (ComboBox2.cpp). Again on the
// same dialog, nothing changes.
void KeepDroppedListChoices(HWND dialog);

// The base of every combo box class of ours: the wheel over the box's edit
// field reaches the box.
template <class T>
class CComboWindowImpl : public CWindowImpl<T, CComboBoxW> {
public:
    BOOL SubclassWindow(HWND combo)
    {
        if (!CWindowImpl<T, CComboBoxW>::SubclassWindow(combo))
            return FALSE;
        PassEditWheelToCombo(combo);
        return TRUE;
    }
};

// A list made only when it is needed (the image files of a folder, which
// may be many thousands): asked before the list drops and before a step of
// the wheel or the keys reads its entries. `dropping`: the list is about to
// show (made anew, so that it holds what is there now); else made only when
// it is not there yet.
class CComboListMaker {
public:
    virtual void MakeList(bool dropping) = 0;

protected:
    ~CComboListMaker() = default;
};

template <class T>
class CComboBox2 : public CComboWindowImpl<CComboBox2<T>>, public CComboEntryOrder {
    typedef CComboBox2Traits<T> Traits;

public:
    const T* List = nullptr;                     // not owned
    COnSelChangeHandler* Listener = nullptr;     // not owned
    CComboListMaker* ListMaker = nullptr;        // not owned; null: the owner fills the list

    ~CComboBox2()
    {
        if (::IsWindow(this->m_hWnd))
            StopFollowingShownValue(this->m_hWnd);
    }

    BEGIN_MSG_MAP(CComboBox2)
        MESSAGE_HANDLER(WM_APP, OnDeferredSelection)
        REFLECTED_COMMAND_CODE_HANDLER(CBN_SELCHANGE, OnSelectionEnd)
        REFLECTED_COMMAND_CODE_HANDLER(CBN_EDITCHANGE, OnEditChange)
        REFLECTED_COMMAND_CODE_HANDLER(CBN_KILLFOCUS, OnKillFocus)
        REFLECTED_COMMAND_CODE_HANDLER(CBN_DROPDOWN, OnDropDown)
        DEFAULT_REFLECTION_HANDLER()
    END_MSG_MAP()

    BOOL SubclassWindow(HWND combo)
    {
        if (!CComboWindowImpl<CComboBox2<T>>::SubclassWindow(combo))
            return FALSE;
        FollowShownValue(combo, *this);
        return TRUE;
    }
    // Replaces the items by the list's item texts and fits the drop-down
    // width; the field's text stays.
    void Fill()
    {
        std::vector<std::wstring> items;
        if (List)
            for (size_t i = 0; i < List->size(); ++i)
                items.push_back(Traits::ItemText(*List, i));
        FillComboList(this->m_hWnd, items);
    }
    // Unless the text is shown already: selects the entry whose name it is,
    // else none, and shows the text. The entry is looked for in List, never
    // asked of the combo (the field's values are no names: a file's full path
    // was compared with each of 100,000 entries through the combo's
    // subclasses, seconds under Wine).
    void SetText(const std::wstring& text)
    {
        if (this->GetWindowText() == text)
            return;
        int index = kNotInList;
        for (size_t i = 0; List && i < List->size() && index < 0; ++i)
            if (Traits::ItemText(*List, i) == text)
                index = static_cast<int>(i);
        if (this->SetCurSel(index) == CB_ERR)
            this->SetWindowText(text);
    }

    int EqualEntry(HWND, const std::wstring& text) const override
    {
        return List ? Traits::FindEntry(*List, text) : kIgnoreStep;
    }
    int StepEntry(HWND, const std::wstring& text, bool towardsFirst) const override
    {
        if (ListMaker)
            ListMaker->MakeList(false);
        return List ? Traits::StepIndex(*List, text, towardsFirst) : kNotInList;
    }
    std::wstring EntryText(HWND, int index) const override
    {
        return List && index >= 0 && static_cast<size_t>(index) < List->size()
                   ? Traits::EditText(*List, static_cast<size_t>(index))
                   : std::wstring();
    }

private:
    void Notify(UINT code)
    {
        if (Listener)
            Listener->OnSelChange(this, code, static_cast<UINT>(this->GetDlgCtrlID()), this->m_hWnd);
    }
    LRESULT OnSelectionEnd(WORD code, WORD, HWND, BOOL&)
    {
        // An entry picked from the list: the combo writes its name into the
        // edit field after this notification; the value goes there once it
        // has. A step shows the value itself and tells as typed text does.
        if (this->GetCurSel() != CB_ERR)
            this->PostMessage(WM_APP, code);
        return 0;
    }
    LRESULT OnEditChange(WORD, WORD, HWND, BOOL&)
    {
        Notify(CBN_EDITCHANGE);
        return 0;
    }
    LRESULT OnKillFocus(WORD, WORD, HWND, BOOL&)
    {
        Notify(CBN_KILLFOCUS);
        return 0;
    }
    LRESULT OnDropDown(WORD, WORD, HWND, BOOL&)
    {
        // Sent before the combo sizes the list and looks the text up in it.
        if (ListMaker)
            ListMaker->MakeList(true);
        return 0;
    }
    LRESULT OnDeferredSelection(UINT, WPARAM wp, LPARAM, BOOL&)
    {
        int index = this->GetCurSel();
        if (List && index >= 0 && static_cast<size_t>(index) < List->size()) {
            SetText(Traits::EditText(*List, static_cast<size_t>(index)));
            if (ComboHasFocus(this->m_hWnd))
                this->SetEditSel(0, -1);
        }
        Notify(static_cast<UINT>(wp));
        return 0;
    }
};
