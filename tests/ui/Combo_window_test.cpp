#include "WindowTestSupport.h"
#include "tests/common/TestSupport.h"
#include "platform/GdiPlusGraphics.h"
#include "platform/Gdi.h"
#include "ui/BoundCombos.h"
#include "ui/ComboBox2.h"
#include "ui/DialogImpl.h"
#include "ui/ImageButton.h"
#include "ui/NumberStep.h"
#include <boost/make_shared.hpp>
#include <gtest/gtest.h>
#include <functional>
#include <list>

namespace {

struct CSelChanges : COnSelChangeHandler {
    std::vector<UINT> codes;
    void OnSelChange(CWindow*, UINT code, UINT, HWND) override { codes.push_back(code); }
};

// Counts one message as it reaches a window, before any other subclass of it.
class CMessageCount {
public:
    CMessageCount(HWND window, UINT message) : m_window(window), m_message(message)
    {
        SetWindowSubclass(window, Proc, 1, reinterpret_cast<DWORD_PTR>(this));
    }
    ~CMessageCount() { RemoveWindowSubclass(m_window, Proc, 1); }
    int count = 0;

private:
    static LRESULT CALLBACK Proc(HWND window, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR data)
    {
        CMessageCount* self = reinterpret_cast<CMessageCount*>(data);
        if (msg == self->m_message)
            ++self->count;
        return DefSubclassProc(window, msg, wp, lp);
    }
    HWND m_window;
    UINT m_message;
};

HWND DroppedListOf(HWND combo)
{
    COMBOBOXINFO info = {sizeof info};
    return GetComboBoxInfo(combo, &info) ? info.hwndList : nullptr;
}

struct CUsedTexts {
    std::list<boost::shared_ptr<std::wstring>> Items;
};
struct CBoxSetting {
    int choice = 0;
    std::wstring text;
};

} // namespace

TEST(ComboWindow, RangesAndNumbersReadBack)
{
    CTestFrame frame;
    REQUIRE_WINDOW(frame.m_hWnd);
    CComboBoxW box(frame.AddChild(L"COMBOBOX", CBS_DROPDOWN | WS_VSCROLL, 7, 10, 10, 100, 200));
    FillComboRange(box, -5, -175, -5, 0);
    ASSERT_EQ(35, box.GetCount());
    EXPECT_EQ(L"-5", box.GetLBText(0));
    EXPECT_EQ(L"-175", box.GetLBText(34));
    box.DeleteAllItems();
    EXPECT_EQ(0, box.GetCount());
    FillComboRange(box, 0, 100, 5, 1);
    ASSERT_EQ(21, box.GetCount());
    EXPECT_EQ(L"0.5", box.GetLBText(1));
    EXPECT_EQ(L"10", box.GetLBText(20));
    // The dropped width is the widest text + 6, the scroll bar beside it, as the text is measured whole
    // (its characters are measured one by one, once): kerning pairs, Japanese, a character beyond
    // U+FFFF, and the widest of many.
    CWindowDC dc(box);
    CSelectObjectGuard font(dc, box.GetFont());
    const auto measured = [&](const std::wstring& t) {
        SIZE size = {};
        GetTextExtentPoint32W(dc, t.c_str(), static_cast<int>(t.size()), &size);
        return static_cast<int>(size.cx) + 6 + GetSystemMetrics(SM_CXVSCROLL);
    };
    std::vector<std::wstring> many;
    for (int i = 0; i < 900; ++i)
        many.push_back(std::wstring(static_cast<size_t>(i % 13), static_cast<wchar_t>(L'a' + i % 26)) + L"W.png");
    for (const wchar_t* piece : {L"AVAWToTy.", L"\x6587\x5b57\x5217", L"\xD842\xDFB7\x91ce", L"iiiiiiiiiiiiM"}) {
        std::wstring text;
        for (int i = 0; i < 8; ++i)
            text += piece;
        many.push_back(text);
        FitDroppedWidth(box, {text});
        EXPECT_EQ(measured(text), box.GetDroppedWidth()) << Narrow(text);
    }
    FitDroppedWidth(box, many);
    int widest = 0;
    for (const std::wstring& t : many)
        widest = std::max(widest, measured(t));
    EXPECT_EQ(widest, box.GetDroppedWidth());

    // Letters typed into a number box leave at once; the caret stays after the digits.
    box.SetCurSel(-1);
    box.SetWindowText(L"12a5");
    box.SetEditSel(4, 4);
    int value = 0;
    ASSERT_TRUE(ReadComboInt(frame, 7, true, 0, value));
    EXPECT_EQ(125, value);
    EXPECT_EQ(L"125", box.GetWindowText());
    EXPECT_EQ(3u, HIWORD(box.GetEditSel()));
    box.SetWindowText(L"x");
    EXPECT_FALSE(ReadComboInt(frame, 7, true, 0, value));
    EXPECT_EQ(125, value);
    double rate = 0;
    box.SetWindowText(L"12a5.5%");
    ASSERT_TRUE(ReadComboDouble(frame, 7, true, rate));
    EXPECT_DOUBLE_EQ(125.5, rate);

    // The wheel steps a notch per WHEEL_DELTA, however finely it is sent;
    // Down steps too. Dropping the list keeps the text and highlights the
    // entry of its value; Down and the wheel still go on from the value
    // shown, not from the list's own entry (put there apart from the text);
    // closing without a choice puts the text back.
    box.SetWindowText(L"4.2");
    StepNumbersByWheelAndArrows(box, {false, 1});
    for (const auto& turn : {std::make_pair(72, L"4.2"), std::make_pair(48, L"4"), std::make_pair(-240, L"5")}) {
        box.SendMessage(WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(turn.first)), 0);
        EXPECT_EQ(turn.second, box.GetWindowText());
    }
    HWND edit = FindWindowExW(box, nullptr, L"Edit", nullptr);
    ::SendMessageW(edit, WM_KEYDOWN, VK_DOWN, 0);
    EXPECT_EQ(L"5.5", box.GetWindowText());
    box.ShowDropDown(TRUE);
    EXPECT_EQ(L"5.5", box.GetWindowText());
    EXPECT_EQ(11, box.GetCurSel());
    COMBOBOXINFO info;
    ASSERT_TRUE(box.GetComboBoxInfo(&info));
    ::SendMessageW(info.hwndList, LB_SETCURSEL, 3, 0);
    ::SendMessageW(edit, WM_KEYDOWN, VK_DOWN, 0);
    EXPECT_EQ(L"6", box.GetWindowText());
    ::SendMessageW(info.hwndList, LB_SETCURSEL, 3, 0);
    box.SendMessage(WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA)), 0);
    EXPECT_EQ(L"6.5", box.GetWindowText());
    box.ShowDropDown(FALSE);  // put back at once, before anyone hears of the close
    EXPECT_EQ(L"5.5", box.GetWindowText());
    // Dropped on a text an entry has, the text is selected whole: a character typed replaces it
    // and stays, while a step after it is undone when another window takes the activation.
    box.SetFocus();
    box.SetEditSel(3, 3);
    box.ShowDropDown(TRUE);
    ::SendMessageW(edit, WM_CHAR, L'7', 1);
    ::SendMessageW(edit, WM_KEYDOWN, VK_DOWN, 0);
    EXPECT_EQ(L"7.5", box.GetWindowText());
    CTestFrame other;
    ::SetActiveWindow(other);
    PumpMessages();
    EXPECT_FALSE(box.GetDroppedState());
    EXPECT_EQ(L"7", box.GetWindowText());
    // Enter in the dropped list takes the entry the pointer highlighted; a cut, paste,
    // clear or Delete there is typing: what it leaves stays through a close without a choice.
    box.ShowDropDown(TRUE);
    ::SendMessageW(info.hwndList, LB_SETCURSEL, 3, 0);  // as the pointer moving over it does
    box.SendMessage(WM_KEYDOWN, VK_RETURN, 0);  // as the field hands it on in a dialog
    PumpMessages();
    EXPECT_EQ(L"1.5", box.GetWindowText());
    CClipboardTestLock clipboard;
    const struct { UINT message; WPARAM key; int from, to; const wchar_t* left; } edits[] = {
        {WM_CUT, 0, 0, 1, L".5"}, {WM_PASTE, 0, 2, 3, L"1.1"}, {WM_CLEAR, 0, 0, 2, L"5"}, {WM_KEYDOWN, VK_DELETE, 1, 1, L"15"}};
    for (const auto& e : edits) {
        box.SetWindowText(L"1.5");
        box.ShowDropDown(TRUE);
        box.SetEditSel(e.from, e.to);
        ::SendMessageW(edit, e.message, e.key, 0);
        box.ShowDropDown(FALSE);
        EXPECT_EQ(e.left, box.GetWindowText()) << e.message;
    }
}

TEST(ComboWindow, ColourComboShowsHexAndWheelsThroughTheList)
{
    CTestFrame frame;
    REQUIRE_WINDOW(frame.m_hWnd);
    HWND hwnd = frame.AddChild(L"COMBOBOX", CBS_DROPDOWN | WS_VSCROLL, 165, 10, 10, 100, 200);
    CComboBox2<CNamedColors> combo;
    CSelChanges listener;
    ASSERT_TRUE(combo.SubclassWindow(hwnd));
    combo.List = &GetNamedColors();
    combo.Listener = &listener;
    combo.Fill();
    ASSERT_EQ(12, combo.GetCount());

    // Choosing "White" leaves its value in the edit field and no selection.
    combo.SetCurSel(0);
    frame.SendMessage(WM_COMMAND, MAKEWPARAM(165, CBN_SELCHANGE), reinterpret_cast<LPARAM>(hwnd));
    PumpMessages();
    EXPECT_EQ(L"FFFFFF", combo.GetWindowText());
    EXPECT_EQ(CB_ERR, combo.GetCurSel());
    ASSERT_EQ(1u, listener.codes.size());
    EXPECT_EQ(static_cast<UINT>(CBN_SELCHANGE), listener.codes[0]);

    // The wheel towards the user: the next entry, black, told as a typed value.
    combo.SendMessage(WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA)), 0);
    EXPECT_EQ(L"000000", combo.GetWindowText());
    ASSERT_EQ(2u, listener.codes.size());
    EXPECT_EQ(static_cast<UINT>(CBN_EDITCHANGE), listener.codes[1]);
    // Away from the user twice: back to white, then nothing above the first.
    combo.SendMessage(WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), 0);
    EXPECT_EQ(L"FFFFFF", combo.GetWindowText());
    combo.SendMessage(WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), 0);
    EXPECT_EQ(L"FFFFFF", combo.GetWindowText());
    EXPECT_EQ(3u, listener.codes.size());
    // Typing is passed on at once.
    frame.SendMessage(WM_COMMAND, MAKEWPARAM(165, CBN_EDITCHANGE), reinterpret_cast<LPARAM>(hwnd));
    ASSERT_EQ(4u, listener.codes.size());
    EXPECT_EQ(static_cast<UINT>(CBN_EDITCHANGE), listener.codes[3]);

    // A quality combo with text that is no number does not step (and raises nothing).
    CRecordingSink sink;
    CComboBox2<CNamedInts> quality;
    CNamedInts presets;
    presets.Add(0, 30);
    presets.Add(0, 80);
    ASSERT_TRUE(quality.SubclassWindow(frame.AddChild(L"COMBOBOX", CBS_DROPDOWN, 248, 10, 40, 100, 200)));
    quality.List = &presets;
    quality.Fill();
    quality.SetText(L"abc");
    quality.SendMessage(WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA)), 0);
    EXPECT_EQ(L"abc", quality.GetWindowText());
    quality.SetText(L"30");
    quality.SendMessage(WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA)), 0);
    EXPECT_EQ(L"80", quality.GetWindowText());
    EXPECT_TRUE(sink.errors.empty());
}

// Under Wine each message through a subclassed combo or list costs calls to the server: seconds
// for one per entry of thousands. Filling, choosing, setting a text and stepping through used texts
// ask the combo a message or two, however long the list.
TEST(ComboWindow, LongListsAreNeverReadEntryByEntry)
{
    CTestFrame frame;
    REQUIRE_WINDOW(frame.m_hWnd);
    const int n = 3000;
    CNamedColors colours;
    CNamedInts numbers;
    for (int i = 0; i < n; ++i) {
        colours.push_back(boost::make_shared<CNamedColor>(L"entry " + std::to_wstring(i), RGB(i % 256, i / 256, 9)));
        numbers.push_back(boost::make_shared<CNamedInt>(i));
    }
    CComboBox2<CNamedColors> colour;
    ASSERT_TRUE(colour.SubclassWindow(frame.AddChild(L"COMBOBOX", CBS_DROPDOWN | WS_VSCROLL, 165, 10, 10, 100, 200)));
    colour.List = &colours;
    colour.Fill();
    CBoxSetting setting;
    CComboBoxEnum<CBoxSetting> named;
    ASSERT_TRUE(named.Attach(frame.AddChild(L"COMBOBOX", CBS_DROPDOWNLIST | WS_VSCROLL, 166, 120, 10, 100, 200),
                             &setting, [](const CBoxSetting& s) { return s.choice; },
                             [](CBoxSetting& s, int v) { s.choice = v; }, &numbers));
    CUsedTexts used;
    for (const wchar_t* text : {L"one", L"two", L"three", L"four", L"five"})
        used.Items.push_back(boost::make_shared<std::wstring>(text));
    CComboBoxString<CBoxSetting, CUsedTexts> texts;
    ASSERT_TRUE(texts.Attach(frame.AddChild(L"COMBOBOX", CBS_DROPDOWN | WS_VSCROLL, 167, 230, 10, 100, 200),
                             &setting, [](const CBoxSetting& s) { return s.text; },
                             [](CBoxSetting& s, const std::wstring& v) { s.text = v; }, &used));
    texts.Rebuild();
    texts.SetWindowText(L"four");
    const struct {
        const char* what;
        HWND window;
        UINT message;
        std::function<void()> act;
        std::function<bool()> done;
    } cases[] = {
        {"fill", DroppedListOf(colour), LB_ADDSTRING, [&] { colour.Fill(); }, [&] { return colour.GetCount() == n; }},
        {"choice", colour, CB_GETLBTEXT,
         [&] {
             colour.SetCurSel(n - 1);
             frame.SendMessage(WM_COMMAND, MAKEWPARAM(165, CBN_SELCHANGE), reinterpret_cast<LPARAM>(colour.m_hWnd));
             PumpMessages();
         },
         [&] { return colour.GetWindowText() == L"B70B09" && colour.GetCurSel() == CB_ERR; }},
        {"named text", colour, CB_GETLBTEXT, [&] { colour.SetText(L"entry 2998"); },
         [&] { return colour.GetCurSel() == n - 2; }},
        {"searched text", colour, CB_GETLBTEXT, [&] { SetComboText(colour, L"ENTRY 7"); },
         [&] { return colour.GetCurSel() == CB_ERR && colour.GetWindowText() == L"ENTRY 7"; }},
        {"named fill", named, CB_GETLBTEXT, [&] { named.Fill(); }, [&] { return named.GetCount() == n; }},
        {"used texts", texts, CB_GETLBTEXT,
         [&] { texts.SendMessage(WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA)), 0); },
         [&] { return texts.GetWindowText() == L"five"; }},
    };
    for (const auto& c : cases) {
        CMessageCount count(c.window, c.message);
        c.act();
        EXPECT_LE(count.count, 2) << c.what;
        EXPECT_TRUE(c.done()) << c.what;
    }
}

// A list refilled while dropped (a path typed into another folder) has the size and place of a fresh drop
// over its new entries, whether it had fewer entries or more, shorter names or longer.
TEST(ComboWindow, AListRefilledWhileDroppedHasTheSizeOfAFreshDrop)
{
    CTestFrame frame;
    REQUIRE_WINDOW(frame.m_hWnd);
    CComboBoxW box(frame.AddChild(L"COMBOBOX", CBS_DROPDOWN | WS_VSCROLL, 7, 10, 10, 100, 200));
    const auto entries = [](int count, size_t longer) {
        std::vector<std::wstring> items;
        for (int i = 0; i < count; ++i)
            items.push_back(L"img" + std::wstring(longer, L'W') + std::to_wstring(i) + L".png");
        return items;
    };
    const auto droppedRect = [&] {
        RECT r = {};
        GetWindowRect(DroppedListOf(box), &r);
        return std::vector<LONG>{r.left, r.top, r.right, r.bottom};
    };
    const int refills[][4] = {{1, 0, 100, 0}, {100, 0, 2, 0}, {2, 0, 0, 0}, {2, 0, 3, 40}, {3, 40, 4, 0}};
    for (const auto& counts : refills) {
        FillComboList(box, entries(counts[0], counts[1]));
        box.ShowDropDown(TRUE);
        FillComboList(box, entries(counts[2], counts[3]));
        const std::vector<LONG> refilled = droppedRect();
        box.ShowDropDown(FALSE);
        box.ShowDropDown(TRUE);
        EXPECT_EQ(droppedRect(), refilled) << counts[0] << " to " << counts[2] << " " << counts[3];
        box.ShowDropDown(FALSE);
    }
}

namespace {

class CButtonDlg : public CDialogImpl<CButtonDlg> {
public:
    CImageButton button;
    BEGIN_MSG_MAP(CButtonDlg)
        MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
        REFLECT_NOTIFICATIONS()
    END_MSG_MAP()
    LRESULT OnInitDialog(UINT, WPARAM, LPARAM, BOOL&)
    {
        button.SubclassWindow(GetDlgItem(300));
        return TRUE;
    }
};

} // namespace

TEST(ComboWindow, ImageButtonDrawsItsImageAfterTheFace)
{
    CTestFrame frame;
    REQUIRE_WINDOW(frame.m_hWnd);
    CDialogTemplateBuilder t(WS_POPUP | WS_BORDER | WS_VISIBLE, 120, 60);
    t.Add(L"BUTTON", L"", 300, BS_PUSHBUTTON | WS_TABSTOP, 10, 10, 40, 30);
    t.Add(L"BUTTON", L"OK", IDOK, BS_DEFPUSHBUTTON | WS_TABSTOP, 60, 10, 40, 14);
    CButtonDlg dlg;
    ASSERT_TRUE(dlg.CreateIndirect(t.Get(), frame.m_hWnd));
    auto image = boost::make_shared<Gdiplus::Bitmap>(8, 8, PixelFormat32bppARGB);
    {
        Gdiplus::Graphics g(*image);
        g.Clear(0xFF2040C0);
    }
    dlg.button.Image = image;

    // The reflected custom-draw notification is answered through DWLP_MSGRESULT.
    NMCUSTOMDRAW draw = {};
    draw.hdr = NMHDR{dlg.button.m_hWnd, 300, static_cast<UINT>(NM_CUSTOMDRAW)};
    draw.dwDrawStage = CDDS_PREPAINT;
    EXPECT_EQ(CDRF_NOTIFYPOSTPAINT, dlg.SendMessage(WM_NOTIFY, 300, reinterpret_cast<LPARAM>(&draw)));

    // Painted for real: the image in the middle of the face.
    dlg.button.Invalidate();
    dlg.button.UpdateWindow();
    RECT client;
    dlg.button.GetClientRect(&client);
    const int cx = client.right / 2, cy = client.bottom / 2;
    EXPECT_EQ(RGB(0x20, 0x40, 0xC0), PixelAt(dlg.button, cx, cy));
    EXPECT_NE(RGB(0x20, 0x40, 0xC0), PixelAt(dlg.button, 2, 2));
    // Disabled without a disabled image: the system greys the image.
    dlg.button.EnableWindow(FALSE);
    dlg.button.UpdateWindow();
    EXPECT_NE(RGB(0x20, 0x40, 0xC0), PixelAt(dlg.button, cx, cy));

    // Losing the focus takes away a default frame the button was not created with.
    dlg.button.EnableWindow(TRUE);
    dlg.button.SetFocus();
    dlg.button.SetButtonStyle(BS_DEFPUSHBUTTON);
    ::SetFocus(dlg.GetDlgItem(IDOK));
    EXPECT_FALSE(dlg.button.GetStyle() & BS_DEFPUSHBUTTON);
    dlg.DestroyWindow();
}
