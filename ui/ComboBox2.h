// A combo box bound to a list (named colours, JPEG quality presets, the
// image files of a folder). Choosing an entry is handled after the combo has
// finished its own update (a posted WM_APP): the edit field then shows the
// entry's value (a colour's hex text, a quality number, a file's full path)
// and the listener is told. The mouse wheel steps to the previous or next
// entry, counted from the entry whose value the combo shows (over the edit
// field too: CComboWindowImpl passes it on); the combo's own
// procedure never sees the wheel.
//
// What a list type shows and compares lives in CComboBox2Traits<T>:
//   static std::wstring ItemText(const T&, size_t i);  // shown in the list
//   static std::wstring EditText(const T&, size_t i);  // put into the edit field
//   static int FindText(const T&, const std::wstring&); // the entry showing that
//       value, kNotInList, or kIgnoreStep when the text cannot be compared
#pragma once
#include "foundation/NamedValues.h"
#include "ui/ComboUtil.h"
#include "ui/ControlListeners.h"
#include "ui/WindowImpl.h"
#include <string>

template <class T>
struct CComboBox2Traits;

enum : int {
    kNotInList = -1,
    kIgnoreStep = -2,
};

// Colours: the name in the list, the hex text in the edit field; the text
// is compared as a colour (black when it is no colour).
template <>
struct CComboBox2Traits<CNamedColors> {
    static std::wstring ItemText(const CNamedColors& list, size_t i) { return list[i]->name; }
    static std::wstring EditText(const CNamedColors& list, size_t i) { return FormatColorHex(list[i]->color); }
    static int FindText(const CNamedColors& list, const std::wstring& text);
};

// Named numbers (the JPEG quality presets): the name in the list, the
// number in the edit field. A text that is no number is not stepped from.
template <>
struct CComboBox2Traits<CNamedInts> {
    static std::wstring ItemText(const CNamedInts& list, size_t i) { return list[i]->name; }
    static std::wstring EditText(const CNamedInts& list, size_t i);
    static int FindText(const CNamedInts& list, const std::wstring& text);
};

// The index the wheel moves to from `current` (kNotInList: down goes to the
// first entry, up nowhere); kNotInList when there is none.
int WheelStepIndex(int current, int delta, size_t count);

// Whether the window or its edit field has the focus.
bool ComboHasFocus(HWND combo);

// Makes the combo's edit field, when it has one, give the mouse wheel to the
// combo, as a one-line edit does on Windows; Wine's edit keeps the wheel and
// does nothing with it, so without this the wheel would not step the combo
// while the focus is in the field.
void PassEditWheelToCombo(HWND combo);

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

template <class T>
class CComboBox2 : public CComboWindowImpl<CComboBox2<T>> {
    typedef CComboBox2Traits<T> Traits;

public:
    const T* List = nullptr;                     // not owned
    COnSelChangeHandler* Listener = nullptr;     // not owned

    BEGIN_MSG_MAP(CComboBox2)
        MESSAGE_HANDLER(WM_MOUSEWHEEL, OnMouseWheel)
        MESSAGE_HANDLER(WM_APP, OnDeferredSelection)
        REFLECTED_COMMAND_CODE_HANDLER(CBN_SELCHANGE, OnSelectionEnd)
        REFLECTED_COMMAND_CODE_HANDLER(CBN_SELENDCANCEL, OnSelectionEnd)
        REFLECTED_COMMAND_CODE_HANDLER(CBN_EDITCHANGE, OnEditChange)
        DEFAULT_REFLECTION_HANDLER()
    END_MSG_MAP()

    // Replaces the items by the list's item texts and fits the drop-down width.
    void Fill()
    {
        this->DeleteAllItems();
        if (List)
            for (size_t i = 0; i < List->size(); ++i)
                this->AddString(Traits::ItemText(*List, i).c_str());
        FitDroppedWidth(this->m_hWnd);
    }
    void SetText(const std::wstring& text) { SetComboText(this->m_hWnd, text); }

private:
    void Notify(UINT code)
    {
        if (Listener)
            Listener->OnSelChange(this, code, static_cast<UINT>(this->GetDlgCtrlID()), this->m_hWnd);
    }
    void ShowEntry(size_t index)
    {
        SetText(Traits::EditText(*List, index));
        if (ComboHasFocus(this->m_hWnd))
            this->SetEditSel(0, -1);
    }
    LRESULT OnSelectionEnd(WORD code, WORD, HWND, BOOL&)
    {
        // The combo writes the item's text into its edit field after this
        // notification; the value goes there once it has.
        if (this->GetCurSel() != CB_ERR)
            this->PostMessage(WM_APP, code);
        return 0;
    }
    LRESULT OnEditChange(WORD, WORD, HWND, BOOL&)
    {
        Notify(CBN_EDITCHANGE);
        return 0;
    }
    LRESULT OnDeferredSelection(UINT, WPARAM wp, LPARAM, BOOL&)
    {
        int index = this->GetCurSel();
        if (List && index >= 0 && static_cast<size_t>(index) < List->size())
            ShowEntry(static_cast<size_t>(index));
        Notify(static_cast<UINT>(wp));
        return 0;
    }
    LRESULT OnMouseWheel(UINT, WPARAM wp, LPARAM, BOOL&)
    {
        const int delta = static_cast<short>(HIWORD(wp));
        if (delta == 0 || !List)
            return 0;
        const int current = Traits::FindText(*List, GetComboText(this->m_hWnd));
        if (current == kIgnoreStep)
            return 0;
        const int next = WheelStepIndex(current, delta, List->size());
        if (next == kNotInList)
            return 0;
        ShowEntry(static_cast<size_t>(next));
        Notify(CBN_SELCHANGE);
        return 0;
    }
};
