#include "foundation/NamedValues.h"
#include "foundation/ResourceString.h"
#include "resources/strings_foundation.h"
#include "tests/common/TestSupport.h"
#include <gtest/gtest.h>

TEST(NamedValues, PresetColoursInOrder)
{
    const COLORREF expected[] = {0xFFFFFF, 0x000000, 0x7F7F7F, 0x0000CC, 0xBC75EF, 0xCC000C,
                                 0xE58719, 0x00FFFF, 0x1981FF, 0x50C322, 0x7FFFAB, 0x2D496B};
    const CNamedColors& colors = GetNamedColors();
    ASSERT_EQ(12u, colors.size());
    for (size_t i = 0; i < colors.size(); ++i) {
        EXPECT_EQ(expected[i], colors[i]->color) << i;
        EXPECT_EQ(LoadResourceString(IDS_COLOR_WHITE + static_cast<UINT>(i)), colors[i]->name);
    }
    EXPECT_EQ(L"白", colors[0]->name);
    EXPECT_EQ(L"茶色", colors[11]->name);
}

TEST(NamedValues, ValueLists)
{
    struct Expect {
        const CNamedInts* list;
        std::vector<int> values;
        UINT firstId;
    } const lists[] = {
        {&GetImageFitTypeNames(), {0, 1, 2, 3}, IDS_FIT_WIDTH},
        {&GetPixelFormatNames(), {0, 1, 2, 3, 4, 5}, IDS_PIXEL_RGBA32},
        {&GetJpegQualityPresets(), {0, 30, 50, 80, 100}, IDS_QUALITY_LOWEST},
    };
    for (const Expect& e : lists) {
        ASSERT_EQ(e.values.size(), e.list->size());
        for (size_t i = 0; i < e.values.size(); ++i) {
            EXPECT_EQ(e.values[i], (*e.list)[i]->value);
            EXPECT_EQ(LoadResourceString(e.firstId + static_cast<UINT>(i)), (*e.list)[i]->name);
        }
    }
    EXPECT_EQ(L"描画領域に合わせる", GetImageFitTypeNames()[2]->name);
    EXPECT_EQ(L"白黒2値", GetPixelFormatNames()[5]->name);

    CNamedInt fresh(30);
    EXPECT_EQ(L"30", fresh.name);
    CNamedInt negative(-7);
    EXPECT_EQ(L"-7", negative.name);
}

TEST(NamedValues, FlipTexts)
{
    EXPECT_EQ(L"左右反転なし | 上下反転なし", FlipModeText(0));
    EXPECT_EQ(L"左右反転、交互 | 上下反転、交互", FlipModeText(15));
    EXPECT_EQ(L"左右反転 | 上下反転なし、交互", FlipModeText(1 | 8));
    EXPECT_EQ(L"左右反転なし、交互 | 上下反転", FlipModeText(4 | 2));

    bool x = false, y = true;
    FlipFlagsToBools(1, x, y);
    EXPECT_TRUE(x);
    EXPECT_FALSE(y);

    struct Case {
        unsigned flags;
        int fitMode;
        bool mirrorX, mirrorY;
    } const cases[] = {
        {0, 0, true, false}, {0, 1, false, true}, {0, 2, true, true}, {0, 3, false, false},
        {4, 3, true, false}, {8, 3, false, true}, {12, 1, true, true},
    };
    for (const Case& c : cases) {
        bool mx = false, my = false;
        MirrorFlagsFromFitMode(c.flags, c.fitMode, mx, my);
        EXPECT_EQ(c.mirrorX, mx) << c.flags << "/" << c.fitMode;
        EXPECT_EQ(c.mirrorY, my) << c.flags << "/" << c.fitMode;
    }
}

TEST(NamedValues, FitScale)
{
    struct Case {
        int mode;
        double sx, sy;
        bool byWidth, byHeight;
    } const cases[] = {
        {0, 2.0, 2.0, true, false},
        {1, 0.5, 0.5, false, true},
        {2, 2.0, 0.5, true, true},
        {3, 7.0, 9.0, false, false},  // custom rate: left as the caller set them
        {42, 7.0, 9.0, false, false},
    };
    for (const Case& c : cases) {
        double sx = 7.0, sy = 9.0;
        CalcFitScale(sx, sy, c.mode, 100, 400, 200, 200);
        EXPECT_DOUBLE_EQ(c.sx, sx) << c.mode;
        EXPECT_DOUBLE_EQ(c.sy, sy) << c.mode;
        sx = 7.0;
        sy = 9.0;
        CalcFitScaleSize(sx, sy, c.mode, SIZE{100, 400}, SIZE{200, 200});
        EXPECT_DOUBLE_EQ(c.sx, sx) << c.mode;
        bool w = !c.byWidth, h = !c.byHeight;
        FitModeFlags(c.mode, w, h);
        EXPECT_EQ(c.byWidth, w);
        EXPECT_EQ(c.byHeight, h);
    }
    double sx = 0, sy = 0;
    CalcFitScaleSize(sx, sy, 2, SIZE{3, 3}, SIZE{1, 2});
    EXPECT_DOUBLE_EQ(1.0 / 3.0, sx);  // divided in double, not in integers
}

TEST(NamedValues, ColourText)
{
    struct Case {
        const wchar_t* text;
        bool ok;
        COLORREF color;
    } const cases[] = {
        {L"ff", true, 0xFFFFFF},        {L"F", true, 0x0F0F0F},     {L"0", true, 0},
        {L"FF0000", true, 0x0000FF},    {L"00ff00", true, 0x00FF00}, {L"0000FF", true, 0xFF0000},
        {L"EF75BC", true, 0xBC75EF},    {L"12345", false, 0},        {L"#FF0000", false, 0},
        {L"", false, 0},                {L"GG0000", false, 0},       {L"1234567", false, 0},
        {L"FFF", false, 0},             {L"ＦＦ", false, 0},
    };
    for (const Case& c : cases) {
        COLORREF out = 0x12345678;
        EXPECT_EQ(c.ok, ParseColorHex(out, c.text)) << Narrow(c.text);
        EXPECT_EQ(c.ok ? c.color : 0x12345678u, out) << Narrow(c.text);
    }
    EXPECT_EQ(0xA0A0A0u, ColorOfBoxText(L" a0\t"));  // a colour box's text: spaces aside, else black
    EXPECT_EQ(0u, ColorOfBoxText(L"#FF0000"));
    EXPECT_EQ(L"EF75BC", FormatColorHex(0x00BC75EF));
    EXPECT_EQ(L"0000FF", FormatColorHex(RGB(0, 0, 255)));
    EXPECT_EQ(L"0A0B0C", FormatColorHex(0xFF0C0B0A));  // the top byte is not a channel

    for (const auto& named : GetNamedColors()) {
        COLORREF back = 0;
        ASSERT_TRUE(ParseColorHex(back, FormatColorHex(named->color)));
        EXPECT_EQ(named->color, back);
    }

    EXPECT_EQ(0x00FFFFFFu, InvertColor(0xFF000000));
    EXPECT_EQ(RGB(0xFF - 0x12, 0xFF - 0x34, 0xFF - 0x56), InvertColor(RGB(0x12, 0x34, 0x56)));
    EXPECT_EQ(15, HexDigitValue(L'f'));
    EXPECT_EQ(10, HexDigitValue(L'A'));
    EXPECT_EQ(0, HexDigitValue(L'g'));
}
