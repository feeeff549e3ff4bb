#include "app/FontListBox.h"
#include "app/LinearGradationPanel.h"
#include "foundation/ResourceString.h"
#include "outline/FontNames.h"
#include "render/RasterEffects.h"
#include "resources/font_list.h"
#include "resources/strings_outline.h"
#include "tests/common/TestSupport.h"
#include "tests/ui/WindowTestSupport.h"
#include "resources/strings_foundation.h"
#include <gtest/gtest.h>
#include <cstring>

namespace {

void Paint(HWND hwnd)
{
    UpdateWindow(hwnd);
    PumpMessages();
}

// The strip a w x h panel should show: the gradation at 180 degrees.
bool SameAsReference(const CDib& strip, CLinearGradation g)
{
    CDibSection reference;
    if (!reference.CreateWithV5Header(strip.GetWidth(), strip.GetAbsHeight(), 32) || !reference.AllocBits())
        return false;
    reference.SetAlpha(255);
    g.Angle = 180;
    if (FAILED(FillLinearGradation(reference, g)))
        return false;
    return memcmp(reference.GetBits(), strip.GetBits(), strip.GetImageSize()) == 0;
}

LOGFONTW Font(const wchar_t* face, LONG weight, LONG height)
{
    LOGFONTW lf = {};
    wcsncpy(lf.lfFaceName, face, LF_FACESIZE - 1);
    lf.lfWeight = weight;
    lf.lfHeight = height;
    lf.lfCharSet = SHIFTJIS_CHARSET;
    return lf;
}

CLogFonts MakeFonts(const std::vector<std::wstring>& faces, LONG height)
{
    CFontCollection c;
    for (const std::wstring& f : faces)
        c.Insert(Font(f.c_str(), 400, height));
    return c.Fonts;
}

} // namespace

TEST(LinearGradationPanel, StripFollowsGradationAndSizeButNotAngle)
{
    CTestFrame parent;
    REQUIRE_WINDOW(parent.m_hWnd);
    CLinearGradationPanel panel;
    ASSERT_TRUE(panel.Create(parent, {10, 10, 112, 30}, nullptr, 0, 0, 280));
    Paint(panel);
    ASSERT_TRUE(panel.GetStrip().IsValid());
    EXPECT_EQ(100, panel.GetStrip().GetWidth());
    EXPECT_EQ(18, panel.GetStrip().GetAbsHeight());
    EXPECT_TRUE(SameAsReference(panel.GetStrip(), panel.GetGradation()));

    // An equal gradation changes nothing; another angle alone marks it
    // changed but draws the same strip.
    panel.SetGradation(CLinearGradation());
    EXPECT_FALSE(panel.IsDirty());
    CLinearGradation turned;
    turned.Angle = 45;
    panel.SetGradation(turned);
    EXPECT_TRUE(panel.IsDirty());
    std::vector<BYTE> before(panel.GetStrip().GetBits(), panel.GetStrip().GetBits() + panel.GetStrip().GetImageSize());
    Paint(panel);
    EXPECT_FALSE(panel.IsDirty());
    EXPECT_EQ(0, memcmp(before.data(), panel.GetStrip().GetBits(), before.size()));

    // The first stop shows at the left, inside the frame.
    CLinearGradation two;
    for (CColorPosSetting& s : two.Stops)
        s.Use = FALSE;
    two.Stops[0].Set(true, RGB(250, 0, 0), 0.0);
    two.Stops[1].Set(true, RGB(0, 0, 250), 1.0);
    panel.SetGradation(two);
    Paint(panel);
    // Pixel centres lie half a pixel inside the ends.
    EXPECT_TRUE(Near(RGB(250, 0, 0), PixelAt(panel, 1, 5), 4));
    EXPECT_TRUE(Near(RGB(0, 0, 250), PixelAt(panel, 100, 5), 4));

    // A new size rebuilds the strip without a new gradation.
    panel.MoveWindow(10, 10, 62, 20);
    Paint(panel);
    EXPECT_EQ(60, panel.GetStrip().GetWidth());
    EXPECT_TRUE(SameAsReference(panel.GetStrip(), two));

    // Without a stop in use the strip is empty, and that is no failure.
    two.Stops[0].Use = two.Stops[1].Use = FALSE;
    panel.SetGradation(two);
    Paint(panel);
    EXPECT_FALSE(panel.IsDirty());
    EXPECT_EQ(RGB(0, 0, 0), PixelAt(panel, 30, 5));
}

TEST(FontListBox, KeepsPositionsAndDrawsSelectionGreyWithoutFocus)
{
    CTestFrame parent;
    REQUIRE_WINDOW(parent.m_hWnd);
    HWND hwnd = parent.AddChild(L"LISTBOX",
                                LBS_NOTIFY | LBS_OWNERDRAWFIXED | LBS_NOINTEGRALHEIGHT | LBS_NODATA | WS_VSCROLL |
                                    WS_BORDER,
                                IDC_FONT_LIST_LIST, 10, 10, 300, 200);
    CFontListBox list;
    ASSERT_TRUE(list.SubclassWindow(hwnd));
    list.SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    std::vector<std::wstring> faces;
    for (int i = 0; i < 30; ++i)
        faces.push_back(L"Face" + std::to_wstring(i));
    list.SetItems(MakeFonts(faces, 20));
    EXPECT_EQ(30, list.GetCount());
    EXPECT_EQ(2 + 2 + 1 + list.Metrics.tmHeight + 20, list.GetItemHeight(0));
    list.SetTopIndex(10);
    list.SetCurSel(12);
    ASSERT_EQ(10, list.GetTopIndex());

    // Faces 0-9 and 11 go: "Face10" stays first visible, "Face12" selected.
    faces.erase(faces.begin() + 11);
    faces.erase(faces.begin(), faces.begin() + 10);
    list.SetItems(MakeFonts(faces, 20));
    EXPECT_EQ(L"Face12", GetFaceName(*list.GetSelectedItem()));
    EXPECT_EQ(L"Face10", GetFaceName(*list.GetTopItem()));

    // Taller samples: at most 255, the positions kept.
    for (const CLogFontPtr& f : list.Items)
        f->lfHeight = 600;
    list.Refresh(false);
    EXPECT_EQ(255, list.GetItemHeight(0));
    EXPECT_EQ(L"Face12", GetFaceName(*list.GetSelectedItem()));
    for (const CLogFontPtr& f : list.Items)
        f->lfHeight = -300;
    EXPECT_EQ(UINT(IDS_CAST_ERROR), ThrownId([&] { list.CalcItemHeight(); }));
    for (const CLogFontPtr& f : list.Items)
        f->lfHeight = 20;
    list.Refresh(false);

    // The selection without the focus: a grey of the highlight colour.
    SetFocus(parent);
    list.SetTopIndex(0);
    list.SetCurSel(0);
    list.Invalidate();
    Paint(list);
    COLORREF h = GetSysColor(COLOR_HIGHLIGHT);
    int grey = static_cast<int>(0.299 * GetRValue(h) + 0.587 * GetGValue(h) + 0.114 * GetBValue(h));
    EXPECT_EQ(RGB(grey, grey, grey), PixelAt(list, 1, 1));

    // Best matches; none gives the first entry.
    list.SelectBestMatch(Font(L"face15", 700, 0));
    EXPECT_EQ(L"Face15", GetFaceName(*list.GetSelectedItem()));
    list.SelectBestMatch(Font(L"Other", 400, 0));
    EXPECT_EQ(0, list.GetCurSel());
    EXPECT_FALSE(list.GetItem(100));
}

TEST(FontListBox, CaptionNamesFaceWeightAndItalic)
{
    LOGFONTW lf = Font(L"Some Face", 700, 10);
    EXPECT_EQ(L"Some Face, " + FormatFontWeight(700), CFontListBox::FormatCaption(lf));
    lf.lfItalic = 255;
    lf.lfWeight = 450;
    EXPECT_EQ(L"Some Face, 450, " + LoadResourceString(IDS_FONT_ITALIC), CFontListBox::FormatCaption(lf));
}
