#include "WindowTestSupport.h"
#include "ModalScript.h"
#include "tests/common/TestSupport.h"
#include "foundation/XmlValue.h"
#include "foundation/StringUtil.h"
#include "ui/BitmapOpenDialog.h"
#include "ui/ColorDlg.h"
#include <gtest/gtest.h>
#include <boost/make_shared.hpp>

namespace {

struct CColorEvents : CEventListener {
    std::vector<COLORREF> seen;
    void OnEvent(UINT32 sender, UINT32) override { seen.push_back(EventPointer<CColorDlg>(sender)->MonoPage.GetColor()); }
};

int TrackbarPos(HWND page, int id) { return static_cast<int>(SendDlgItemMessageW(page, id, TBM_GETPOS, 0, 0)); }

} // namespace

TEST(ColorDlg, EditsCombosAndPickersShareOneColourAndCancelRestoresIt)
{
    CTestFrame frame;
    REQUIRE_WINDOW(frame.m_hWnd);
    CColorDlg dlg;
    dlg.MonoPage.SetInitialColor(RGB(10, 20, 30), true);
    auto events = boost::make_shared<CColorEvents>();
    AddEventListener(dlg.Listeners, events);
    HWND page = nullptr;
    POINT marker = {0, 0};
    CModalScript script;
    script.steps = {
        [&] {
            page = dlg.MonoPage.m_hWnd;
            if (!page)
                return script.Again();
            EXPECT_TRUE(SaveWindowPicture(dlg, TestOutputPath(L"paint-mono.png")));
            EXPECT_EQ(L"10", DlgItemText(page, IDC_RED_EDIT));
            EXPECT_EQ(L"30", DlgItemText(page, IDC_BLUE_EDIT));
            EXPECT_EQ(20, TrackbarPos(page, IDC_GREEN_SLIDER));
            EXPECT_EQ(L"0A141E", DlgItemText(page, IDC_MONO_COLOR));
            EXPECT_EQ(L"0A141E", DlgItemText(page, IDC_MONO_PREVIOUS_COLOR));
            // Out of range: rewritten at once.
            SetDlgItemTextW(page, IDC_RED_EDIT, L"300");
            EXPECT_EQ(L"255", DlgItemText(page, IDC_RED_EDIT));
            EXPECT_EQ(RGB(255, 20, 30), dlg.MonoPage.GetColor());
            EXPECT_EQ(255, TrackbarPos(page, IDC_RED_SLIDER));
            EXPECT_EQ(L"FF141E", DlgItemText(page, IDC_MONO_COLOR));
            // Emptied: red is 0 and the edit stays empty.
            SetDlgItemTextW(page, IDC_RED_EDIT, L"");
            EXPECT_EQ(L"", DlgItemText(page, IDC_RED_EDIT));
            EXPECT_EQ(RGB(0, 20, 30), dlg.MonoPage.GetColor());
            SetDlgItemTextW(page, IDC_RED_EDIT, L"x");  // no number: ignored
            EXPECT_EQ(RGB(0, 20, 30), dlg.MonoPage.GetColor());
        },
        [&] {
            TypeIntoCombo(page, IDC_MONO_COLOR, L"80");
            EXPECT_EQ(RGB(128, 128, 128), dlg.MonoPage.GetColor());
            EXPECT_EQ(L"128", DlgItemText(page, IDC_GREEN_EDIT));
            EXPECT_EQ(L"80", DlgItemText(page, IDC_MONO_COLOR));  // the typed text stays
            TypeIntoCombo(page, IDC_MONO_COLOR, L"GG");
            EXPECT_EQ(RGB(0, 0, 0), dlg.MonoPage.GetColor());
            TypeIntoCombo(page, IDC_MONO_COLOR, L"FF0000");
            marker = dlg.MonoPage.PickerHS.GetMarker();
        },
        [&] {
            // A click in the field: the marker moves, the colour follows, the
            // field keeps its exact values.
            HWND field = GetDlgItem(page, IDC_PICKER_HS);
            RECT f = dlg.MonoPage.PickerHS.GetField();
            const int x = (f.left + f.right) / 2, y = f.top + (f.bottom - f.top) / 4;
            const size_t before = events->seen.size();
            ClickAt(field, x, y);
            EXPECT_GT(events->seen.size(), before);
            const POINT now = dlg.MonoPage.PickerHS.GetMarker();
            EXPECT_NE(marker.x, now.x);
            const double hue = (x - f.left) * 360.0 / (f.right - f.left - 1);
            EXPECT_DOUBLE_EQ(hue, dlg.MonoPage.PickerHS.Hue);
            const COLORREF c = dlg.MonoPage.GetColor();
            EXPECT_EQ(HslToRgb(dlg.MonoPage.PickerHS.Hue, dlg.MonoPage.PickerHS.Saturation, 0.5), c);
            EXPECT_EQ(FormatInt(GetGValue(c)), DlgItemText(page, IDC_GREEN_EDIT));
            // The bar: its top is white.
            HWND bar = GetDlgItem(page, IDC_PICKER_L);
            const LONG before_y = dlg.MonoPage.PickerL.GetMarker().y;
            RECT b = dlg.MonoPage.PickerL.GetBar();
            ClickAt(bar, (b.left + b.right) / 2, b.top);
            EXPECT_NE(before_y, dlg.MonoPage.PickerL.GetMarker().y);
            EXPECT_EQ(RGB(255, 255, 255), dlg.MonoPage.GetColor());
            EXPECT_DOUBLE_EQ(hue, dlg.MonoPage.PickerHS.Hue);  // not reset from the bytes
        },
        [&] { dlg.PressButton(PSBTN_CANCEL); },
    };
    script.Start();
    EXPECT_NE(1, dlg.Run(frame));
    EXPECT_TRUE(script.Finished());
    EXPECT_EQ(RGB(10, 20, 30), dlg.MonoPage.GetColor());
    ASSERT_FALSE(events->seen.empty());
    EXPECT_EQ(RGB(10, 20, 30), events->seen.back());
}

TEST(ColorDlg, OkKeepsTheColour)
{
    CTestFrame frame;
    REQUIRE_WINDOW(frame.m_hWnd);
    CColorDlg dlg;
    dlg.MonoPage.SetInitialColor(RGB(10, 20, 30), true);
    CModalScript script;
    script.steps = {
        [&] {
            if (!dlg.MonoPage.m_hWnd)
                return script.Again();
            SetDlgItemTextW(dlg.MonoPage.m_hWnd, IDC_BLUE_EDIT, L"200");
        },
        [&] { dlg.PressButton(PSBTN_OK); },
    };
    script.Start();
    EXPECT_EQ(1, dlg.Run(frame));
    EXPECT_EQ(RGB(10, 20, 200), dlg.MonoPage.GetColor());
}

TEST(ColorDlg, ChannelTextRules)
{
    struct Case { const wchar_t* text; bool ok; int value; bool clamped; } cases[] = {
        {L"", true, 0, false}, {L" 12 ", true, 12, false}, {L"300", true, 255, true},
        {L"-4", true, 0, true}, {L"+7", true, 7, false}, {L"1a", false, 0, false}, {L"99999999999", false, 0, false},
    };
    for (const Case& c : cases) {
        BYTE v = 77;
        bool clamped = false;
        EXPECT_EQ(c.ok, ParseChannelText(c.text, v, clamped)) << Narrow(c.text);
        if (c.ok) {
            EXPECT_EQ(c.value, v) << Narrow(c.text);
            EXPECT_EQ(c.clamped, clamped) << Narrow(c.text);
        }
    }
}

TEST(BitmapOpenDialog, ConfirmedFileGivesPathSpecAndFolder)
{
    CTestFrame frame;
    REQUIRE_WINDOW(frame.m_hWnd);
    CTempFolder folder;
    ASSERT_TRUE(WriteFileBytes(folder.File(L"tile.png"), "x"));
    Gdiplus::CBitmapOpenDialog dialog(folder.File(L"tile.png"), OFN_HIDEREADONLY | OFN_FILEMUSTEXIST);
    CModalScript script;
    script.steps = {
        [&] {
            HWND box = dialog.GetFileDialogWindow();
            if (!box)
                return script.Again();
            PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        },
    };
    script.Start();
    ASSERT_EQ(IDOK, dialog.DoModal(frame));
    EXPECT_EQ(0, CompareNoCase(folder.File(L"tile.png"), dialog.GetPath())) << Narrow(dialog.GetPath());
    EXPECT_EQ(L"tile.png", dialog.GetSpec());
    EXPECT_FALSE(dialog.GetFolder().IsNull());
}
