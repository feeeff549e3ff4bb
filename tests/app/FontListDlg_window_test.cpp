#include "app/FontListDlg.h"
#include "outline/FontNames.h"
#include "tests/common/TestSupport.h"
#include "tests/ui/ModalScript.h"
#include "tests/ui/WindowTestSupport.h"
#include <gtest/gtest.h>

namespace {

// The fonts the dialog lists for the Japanese character set.
CLogFonts JapaneseFonts()
{
    CFontListDlgSetting s;
    s.CharSet = SHIFTJIS_CHARSET;
    s.Type = FontType3::VECTOR;
    CScreenDC dc;
    CFontCollection c;
    c.Enumerate(dc, SHIFTJIS_CHARSET, s.GetEnumFlags());
    return c.Fonts;
}

} // namespace

TEST(FontListDlg, ChoosesAFaceAndSurvivesANegativeSize)
{
    CTestFrame frame;
    REQUIRE_WINDOW(frame.m_hWnd);
    CRecordingSink reports;
    const CLogFonts fonts = JapaneseFonts();
    ASSERT_GE(fonts.size(), 2u);
    CFontListDlg dlg;
    dlg.Setting.CharSet = SHIFTJIS_CHARSET;
    dlg.Setting.Type = FontType3::VECTOR;
    dlg.Setting.SampleText = L"Sample";
    dlg.SelectedFont = *fonts[1];
    dlg.SelectedFont.lfHeight = 0;
    std::wstring chosenFace;
    CModalScript script;
    script.steps = {
        [&] {
            if (!dlg.List.m_hWnd)
                return script.Again();
            EXPECT_FALSE(frame.IsWindowEnabled());
            EXPECT_TRUE(SaveWindowPicture(dlg, TestOutputPath(L"font-list.png")));
            EXPECT_EQ(static_cast<int>(fonts.size()), dlg.List.GetCount());
            ASSERT_TRUE(dlg.List.GetSelectedItem());
            EXPECT_EQ(GetFaceName(*fonts[1]), GetFaceName(*dlg.List.GetSelectedItem()));
            // A negative size is refused and kept out of the list.
            TypeIntoCombo(dlg, IDC_FONT_LIST_SIZE, L"-300");
        },
        [&] {
            EXPECT_TRUE(dlg.SizeBox.HasError);
            EXPECT_EQ(22, dlg.Setting.Size);
            TypeIntoCombo(dlg, IDC_FONT_LIST_SIZE, L"300");  // too tall for an entry
        },
        [&] {
            EXPECT_TRUE(dlg.SizeBox.HasError);
            TypeIntoCombo(dlg, IDC_FONT_LIST_SIZE, L"30");
        },
        [&] {
            EXPECT_FALSE(dlg.SizeBox.HasError);
            EXPECT_EQ(30, dlg.Setting.Size);
            EXPECT_EQ(2 + 2 + 1 + dlg.List.Metrics.tmHeight + 30, dlg.List.GetItemHeight(0));
            EXPECT_EQ(GetFaceName(*fonts[1]), GetFaceName(*dlg.List.GetSelectedItem()));  // kept
            // Enter in the sample box: the text joins the used ones, the dialog stays.
            TypeIntoCombo(dlg, IDC_FONT_LIST_SAMPLE, L"Hello");
            EXPECT_EQ(L"Hello", dlg.Setting.SampleText);
            EXPECT_EQ(L"Hello", dlg.List.SampleText);
            HWND edit = FindComboEdit(GetDlgItem(dlg, IDC_FONT_LIST_SAMPLE));
            SetFocus(edit);
            PostMessageW(edit, WM_KEYDOWN, VK_RETURN, 1);
        },
        [&] {
            ASSERT_FALSE(dlg.Setting.SampleTexts.Items.empty());
            EXPECT_EQ(L"Hello", *dlg.Setting.SampleTexts.Items.front());
            EXPECT_TRUE(dlg.IsWindow());
            // Only the bold entries.
            ChooseInCombo(dlg, IDC_FONT_LIST_WEIGHT, FontWeight4::BOLDER);
        },
        [&] {
            EXPECT_EQ(FontWeight4::BOLDER, dlg.Setting.Weight);
            for (int i = 0; i < dlg.List.GetCount(); ++i)
                EXPECT_GT(dlg.List.GetItem(i)->lfWeight, 400);
            ChooseInCombo(dlg, IDC_FONT_LIST_WEIGHT, FontWeight4::UNDEF);
        },
        [&] {
            dlg.List.SetCurSel(0);
            chosenFace = GetFaceName(*dlg.List.GetSelectedItem());
            dlg.PostMessage(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(dlg.GetDlgItem(IDOK)));
        },
    };
    script.Start();
    EXPECT_EQ(IDOK, dlg.DoModal(frame));
    EXPECT_TRUE(script.Finished());
    EXPECT_TRUE(frame.IsWindowEnabled());
    MSG msg;
    EXPECT_FALSE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE));  // the loop took its own quit
    EXPECT_EQ(chosenFace, GetFaceName(dlg.SelectedFont));
    EXPECT_EQ(30, dlg.SelectedFont.lfHeight);
    EXPECT_EQ(L"Hello", *dlg.Setting.SampleTexts.Items.front());
    EXPECT_TRUE(reports.errors.empty());  // nothing failed on the way
}

TEST(FontListDlg, CancelKeepsTheRecordAndAnEmptyListGivesNoFace)
{
    CTestFrame frame;
    REQUIRE_WINDOW(frame.m_hWnd);
    // A number that names no character set, so that no font can report it
    // (a real one, such as Thai, has fonts on some machines).
    const int kNoCharSet = 99;
    CFontListDlg dlg;
    dlg.Setting.CharSet = kNoCharSet;
    dlg.Setting.Type = FontType3::VECTOR;
    dlg.Setting.Size = -300;    // from an older file: brought into bounds
    CModalScript script;
    script.steps = {
        [&] {
            if (!dlg.List.m_hWnd)
                return script.Again();
            EXPECT_EQ(0, dlg.List.GetCount());
            EXPECT_EQ(kMinSampleSize, dlg.Setting.Size);
            ChooseInCombo(dlg, IDC_FONT_LIST_ITALIC, FontItalic3::ON);
        },
        [&] { dlg.PostMessage(WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0); },
    };
    script.Start();
    EXPECT_EQ(IDCANCEL, dlg.DoModal(frame));
    EXPECT_EQ(FontItalic3::ON, dlg.Setting.Italic);
    EXPECT_EQ(L"", GetFaceName(dlg.SelectedFont));
    EXPECT_EQ(kNoCharSet, dlg.SelectedFont.lfCharSet);
    EXPECT_TRUE(dlg.Setting.SampleTexts.Items.empty());  // Cancel adds no used text
}
