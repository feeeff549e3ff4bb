#include "app/PaintDlg.h"
#include "tests/common/TestSupport.h"
#include "tests/ui/ModalScript.h"
#include "tests/ui/WindowTestSupport.h"
#include <gtest/gtest.h>
#include <boost/make_shared.hpp>
#include <algorithm>
#include <vector>

namespace {

struct CPaintEvents : CEventListener {
    std::vector<CPaintSetting> seen;
    void OnEvent(UINT32 sender, UINT32) override { seen.push_back(EventPointer<CPaintDlg>(sender)->CurrentPaint); }
};

bool Enabled(HWND page, int id) { return IsWindowEnabled(GetDlgItem(page, id)) != FALSE; }

struct CNewSheet {
    std::vector<HWND> known;
    HWND found;
};

BOOL CALLBACK FindNewSheet(HWND window, LPARAM p)
{
    auto* f = reinterpret_cast<CNewSheet*>(p);
    if (!IsWindowVisible(window) || !SendMessageW(window, PSM_GETCURRENTPAGEHWND, 0, 0) ||
        std::find(f->known.begin(), f->known.end(), window) != f->known.end())
        return TRUE;
    f->found = window;
    return FALSE;
}

// A property sheet of this thread that is none of `known`. The active window
// will not do: a window of another test on the shared display may take the
// activation at any moment.
HWND NewSheet(std::vector<HWND> known)
{
    CNewSheet f{std::move(known), nullptr};
    EnumThreadWindows(GetCurrentThreadId(), FindNewSheet, reinterpret_cast<LPARAM>(&f));
    return f.found;
}

void Tick(HWND page, int id) { SendDlgItemMessageW(page, id, BM_CLICK, 0, 0); }

CPaintSetting LinearPaint()
{
    CPaintSetting paint;
    paint.Type = PaintType::LINEAR;
    paint.Color = RGB(1, 2, 3);
    paint.LinearGradation.Angle = 90;
    return paint;
}

// The sheet over a frame, its changes recorded; each case sets its paint and
// runs a script in the sheet's loop.
class PaintDlg : public ::testing::Test {
protected:
    void SetUp() override
    {
        REQUIRE_WINDOW(frame.m_hWnd);
        AddEventListener(dlg.Listeners, events);
    }
    INT_PTR Run(CModalScript& script)
    {
        script.Start();
        const INT_PTR result = dlg.Run(frame);
        EXPECT_TRUE(script.Finished());
        return result;
    }

    CTestFrame frame;
    CPaintDlg dlg;
    boost::shared_ptr<CPaintEvents> events = boost::make_shared<CPaintEvents>();
};

} // namespace

TEST_F(PaintDlg, GradationEditsAreLiveAndCancelRestoresThePaint)
{
    const CPaintSetting paint = LinearPaint();
    dlg.SetPaint(paint);
    HWND page = nullptr;
    CModalScript script;
    script.steps = {
        [&] {
            page = dlg.LinearPage.m_hWnd;
            if (!page)
                return script.Again();
            EXPECT_EQ(1, dlg.GetActiveIndex());
            EXPECT_TRUE(SaveWindowPicture(dlg, TestOutputPath(L"paint-linear.png")));
            EXPECT_EQ(L"90", DlgItemText(page, IDC_GRAD_ANGLE));
            EXPECT_EQ(paint.LinearGradation, dlg.LinearPage.Preview.GetGradation());
            // A position typed: the trackbar and the paint follow at once.
            TypeIntoCombo(page, IDC_STOP_POS + 2, L"0.3");
            EXPECT_EQ(30, SendDlgItemMessageW(page, IDC_STOP_SLIDER + 2, TBM_GETPOS, 0, 0));
            EXPECT_DOUBLE_EQ(0.3, dlg.CurrentPaint.LinearGradation.Stops[2].Pos);
            EXPECT_EQ(PaintType::LINEAR, dlg.CurrentPaint.Type);
            EXPECT_EQ(dlg.LinearPage.Gradation, dlg.LinearPage.Preview.GetGradation());
            // Its trackbar to the middle shows 0.50.
            HWND trackbar = GetDlgItem(page, IDC_STOP_SLIDER + 2);
            SendMessageW(trackbar, TBM_SETPOS, TRUE, 50);
            SendMessageW(page, WM_HSCROLL, MAKEWPARAM(TB_THUMBPOSITION, 50), reinterpret_cast<LPARAM>(trackbar));
            EXPECT_EQ(L"0.50", DlgItemText(page, IDC_STOP_POS + 2));
            EXPECT_DOUBLE_EQ(0.5, dlg.CurrentPaint.LinearGradation.Stops[2].Pos);
        },
        [&] {
            // A stop out of use takes a colour without firing; ticking it fires.
            Tick(page, IDC_STOP_USE + 11);
            EXPECT_FALSE(dlg.CurrentPaint.LinearGradation.Stops[11].Use);
            const size_t before = events->seen.size();
            TypeIntoCombo(page, IDC_STOP_COLOR + 11, L"123456");
            EXPECT_EQ(before, events->seen.size());
            EXPECT_EQ(RGB(0x12, 0x34, 0x56), dlg.LinearPage.StopButtons[11].GetColor());
            EXPECT_EQ(RGB(0x12, 0x34, 0x56), dlg.LinearPage.Preview.GetGradation().Stops[11].Color);
            Tick(page, IDC_STOP_USE + 11);
            EXPECT_EQ(before + 1, events->seen.size());
            EXPECT_EQ(RGB(0x12, 0x34, 0x56), events->seen.back().LinearGradation.Stops[11].Color);
            // An angle typed with letters in it.
            TypeIntoCombo(page, IDC_GRAD_ANGLE, L"4x5");
            EXPECT_EQ(L"45", DlgItemText(page, IDC_GRAD_ANGLE));
            EXPECT_EQ(45u, dlg.CurrentPaint.LinearGradation.Angle);
        },
        [&] {
            // Another tab is another paint type at once.
            dlg.SetActivePage(0);
        },
        [&] {
            EXPECT_EQ(PaintType::MONO, dlg.CurrentPaint.Type);
            EXPECT_EQ(PaintType::MONO, events->seen.back().Type);
            dlg.PressButton(PSBTN_CANCEL);
        },
    };
    EXPECT_NE(1, Run(script));
    EXPECT_EQ(paint, dlg.CurrentPaint);
    ASSERT_FALSE(events->seen.empty());
    EXPECT_EQ(paint, events->seen.back());
}

TEST_F(PaintDlg, OkKeepsTheChangeAndTheStopSheetsCancelPutsTheStopBack)
{
    const CPaintSetting paint = LinearPaint();
    dlg.SetPaint(paint);
    const COLORREF stop1 = paint.LinearGradation.Stops[1].Color;
    HWND nested = nullptr;
    CModalScript script;
    script.steps = {
        [&] {
            if (!dlg.LinearPage.m_hWnd)
                return script.Again();
            TypeIntoCombo(dlg.LinearPage.m_hWnd, IDC_STOP_POS, L"0.25");
            // The stop's colour button opens a colour sheet of its own, owned
            // by the paint sheet.
            PostMessageW(GetDlgItem(dlg.LinearPage.m_hWnd, IDC_STOP_BUTTON + 1), BM_CLICK, 0, 0);
        },
        [&] {
            nested = NewSheet({dlg.m_hWnd});
            if (!nested)
                return script.Again();
            EXPECT_EQ(dlg.m_hWnd, GetWindow(nested, GW_OWNER));
            EXPECT_FALSE(IsWindowEnabled(dlg.m_hWnd));
            HWND page = reinterpret_cast<HWND>(SendMessageW(nested, PSM_GETCURRENTPAGEHWND, 0, 0));
            TypeIntoCombo(GetDlgItem(page, IDC_MONO_COLOR), L"00FF00");
            // Live in the row: button, combo and preview.
            EXPECT_EQ(RGB(0, 255, 0), dlg.LinearPage.StopButtons[1].GetColor());
            EXPECT_EQ(L"00FF00", DlgItemText(dlg.LinearPage.m_hWnd, IDC_STOP_COLOR + 1));
            EXPECT_EQ(RGB(0, 255, 0), dlg.LinearPage.Preview.GetGradation().Stops[1].Color);
            PostMessageW(nested, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
        },
        [&] {
            // Its Cancel puts the stop back everywhere.
            EXPECT_FALSE(IsWindow(nested));
            EXPECT_EQ(stop1, dlg.LinearPage.StopButtons[1].GetColor());
            EXPECT_EQ(FormatColorHex(stop1), DlgItemText(dlg.LinearPage.m_hWnd, IDC_STOP_COLOR + 1));
            EXPECT_EQ(stop1, dlg.LinearPage.Preview.GetGradation().Stops[1].Color);
            EXPECT_EQ(stop1, dlg.CurrentPaint.LinearGradation.Stops[1].Color);
        },
        [&] { dlg.PressButton(PSBTN_OK); },
    };
    EXPECT_EQ(1, Run(script));
    EXPECT_DOUBLE_EQ(0.25, dlg.CurrentPaint.LinearGradation.Stops[0].Pos);
    ASSERT_FALSE(events->seen.empty());
    EXPECT_EQ(dlg.CurrentPaint, events->seen.back());
}

TEST_F(PaintDlg, TextureScalesEnablesAndFileListKeepingTheCaret)
{
    CTempFolder folder;
    for (const wchar_t* name : {L"a.png", L"b.jpg", L"c.txt"})
        WriteFileBytes(folder.File(name), "x");
    CPaintSetting paint;
    paint.Type = PaintType::TEXTURE;
    paint.Texture.Path = folder.File(L"a.png");
    paint.Texture.Type = ImageFitType::FIT_WIDTH;
    paint.Texture.RateX = 1.0 / 3;
    dlg.SetPaint(paint);
    HWND page = nullptr;
    CModalScript script;
    script.steps = {
        [&] {
            page = dlg.TexturePage.m_hWnd;
            if (!page)
                return script.Again();
            EXPECT_TRUE(SaveWindowPicture(dlg, TestOutputPath(L"paint-texture.png")));
            EXPECT_EQ(L"33.3", DlgItemText(page, IDC_TEXTURE_RATE_X));
            EXPECT_EQ(L"100.0", DlgItemText(page, IDC_TEXTURE_RATE_Y));
            // Nothing is listed before the list is needed.
            EXPECT_EQ(0, SendDlgItemMessageW(page, IDC_TEXTURE_FILE, CB_GETCOUNT, 0, 0));
            EXPECT_EQ(paint.Texture.Path, DlgItemText(page, IDC_TEXTURE_FILE));
            EXPECT_FALSE(Enabled(page, IDC_TEXTURE_RATE_X));
            EXPECT_FALSE(Enabled(page, IDC_TEXTURE_SAME_RATE));
            EXPECT_FALSE(Enabled(page, IDC_TEXTURE_RATE_Y));
            ChooseInCombo(page, IDC_TEXTURE_FIT, ImageFitType::CUSTOM_RATE);
            EXPECT_EQ(ImageFitType::CUSTOM_RATE, dlg.CurrentPaint.Texture.Type);
            EXPECT_TRUE(Enabled(page, IDC_TEXTURE_RATE_X));
            EXPECT_TRUE(Enabled(page, IDC_TEXTURE_SAME_RATE));
            EXPECT_FALSE(Enabled(page, IDC_TEXTURE_RATE_Y));  // same as horizontal
            Tick(page, IDC_TEXTURE_SAME_RATE);
            EXPECT_TRUE(Enabled(page, IDC_TEXTURE_RATE_Y));
            EXPECT_FALSE(dlg.CurrentPaint.Texture.SameRate);
        },
        [&] {
            TypeIntoCombo(page, IDC_TEXTURE_RATE_X, L"12a5");
            EXPECT_EQ(L"125", DlgItemText(page, IDC_TEXTURE_RATE_X));
            EXPECT_DOUBLE_EQ(1.25, dlg.CurrentPaint.Texture.RateX);
            TypeIntoCombo(page, IDC_TEXTURE_OFFSET_X, L"-3");
            EXPECT_EQ(-3, dlg.CurrentPaint.Texture.OffsetX);
        },
        [&] {
            // Keys typed at the end of the file name list nothing; once the
            // list is made, one that leaves its folder lets it go. The text
            // and the caret stay where the user left them.
            COMBOBOXINFO info = {sizeof info};
            ASSERT_TRUE(GetComboBoxInfo(GetDlgItem(page, IDC_TEXTURE_FILE), &info));
            HWND edit = info.hwndItem;
            const CFolderFileList& files = dlg.TexturePage.FileList;
            const int end = static_cast<int>(paint.Texture.Path.size());
            for (const wchar_t* key : {L"x", L"\\"}) {
                TypeIntoCombo(page, IDC_TEXTURE_FILE, paint.Texture.Path.c_str());
                if (*key == L'\\')  // the wheel makes the list
                    SendDlgItemMessageW(page, IDC_TEXTURE_FILE, WM_MOUSEWHEEL, MAKEWPARAM(0, -WHEEL_DELTA), 0);
                const std::wstring typed = DlgItemText(page, IDC_TEXTURE_FILE) + key;
                SendMessageW(edit, EM_SETSEL, end, end);
                SendMessageW(edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(key));
                EXPECT_EQ(typed, CWindow(edit).GetWindowText());
                EXPECT_EQ(typed, dlg.CurrentPaint.Texture.Path);
                DWORD start = 0, stop = 0;
                SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&stop));
                EXPECT_EQ(static_cast<DWORD>(end + 1), start);
                EXPECT_EQ(static_cast<DWORD>(end + 1), stop);
                EXPECT_EQ(0, SendDlgItemMessageW(page, IDC_TEXTURE_FILE, CB_GETCOUNT, 0, 0));
            }
            // The wheel steps to the other image of the folder (down, or up
            // when the folder lists a.png last).
            TypeIntoCombo(page, IDC_TEXTURE_FILE, paint.Texture.Path.c_str());
            for (int notch : {-WHEEL_DELTA, WHEEL_DELTA})
                if (DlgItemText(page, IDC_TEXTURE_FILE) == paint.Texture.Path)
                    SendDlgItemMessageW(page, IDC_TEXTURE_FILE, WM_MOUSEWHEEL, MAKEWPARAM(0, notch), 0);
            ASSERT_EQ(2u, files.size());
            EXPECT_EQ(folder.File(L"b.jpg"), dlg.CurrentPaint.Texture.Path);
            EXPECT_EQ(folder.File(L"b.jpg"), DlgItemText(page, IDC_TEXTURE_FILE));
            // A path typed in another case names the same file: the wheel steps on from it.
            std::wstring upper = files[0]->path;
            CharUpperBuffW(&upper[0], static_cast<DWORD>(upper.size()));
            TypeIntoCombo(page, IDC_TEXTURE_FILE, upper.c_str());
            SendDlgItemMessageW(page, IDC_TEXTURE_FILE, WM_MOUSEWHEEL, MAKEWPARAM(0, -WHEEL_DELTA), 0);
            EXPECT_EQ(files[1]->path, DlgItemText(page, IDC_TEXTURE_FILE));
            // Dropped, the list holds what the folder holds then, and what a folder typed into it holds.
            WriteFileBytes(folder.File(L"d.png"), "x");
            SendDlgItemMessageW(page, IDC_TEXTURE_FILE, CB_SHOWDROPDOWN, TRUE, 0);
            EXPECT_EQ(3, SendDlgItemMessageW(page, IDC_TEXTURE_FILE, CB_GETCOUNT, 0, 0));
            const std::wstring sub = folder.File(L"sub");
            ASSERT_TRUE(CreateDirectoryW(sub.c_str(), nullptr) && WriteFileBytes(sub + L"\\e.png", "x"));
            TypeIntoCombo(page, IDC_TEXTURE_FILE, (sub + L"\\e").c_str());
            EXPECT_EQ(1, SendDlgItemMessageW(page, IDC_TEXTURE_FILE, CB_GETCOUNT, 0, 0));
            SendDlgItemMessageW(page, IDC_TEXTURE_FILE, CB_SHOWDROPDOWN, FALSE, 0);
            // A folder without images empties the list.
            TypeIntoCombo(page, IDC_TEXTURE_FILE, (folder.Path() + L"\\nothing\\x").c_str());
            EXPECT_EQ(0, SendDlgItemMessageW(page, IDC_TEXTURE_FILE, CB_GETCOUNT, 0, 0));
        },
        [&] { dlg.PressButton(PSBTN_OK); },
    };
    EXPECT_EQ(1, Run(script));
    EXPECT_EQ(PaintType::TEXTURE, dlg.CurrentPaint.Type);
    EXPECT_DOUBLE_EQ(1.25, dlg.CurrentPaint.Texture.RateX);
}
