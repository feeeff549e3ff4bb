#include "WindowTestSupport.h"
#include "tests/common/TestSupport.h"
#include "platform/GdiPlusGraphics.h"
#include "ui/ComboBox2.h"
#include "ui/DialogImpl.h"
#include "ui/ImageButton.h"
#include "ui/NumberStep.h"
#include <boost/make_shared.hpp>
#include <gtest/gtest.h>

namespace {

struct CSelChanges : COnSelChangeHandler {
    std::vector<UINT> codes;
    void OnSelChange(CWindow*, UINT code, UINT, HWND) override { codes.push_back(code); }
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
    FitDroppedWidth(box);
    RECT client;
    box.GetClientRect(&client);
    EXPECT_GE(box.GetDroppedWidth(), client.right);

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
