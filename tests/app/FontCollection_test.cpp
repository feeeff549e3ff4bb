#include "app/FontChoices.h"
#include "app/FontCollection.h"
#include "outline/FontNames.h"
#include "platform/Gdi.h"
#include "tests/common/TestSupport.h"
#include <gtest/gtest.h>
#include <shlwapi.h>
#include <algorithm>
#include <cwchar>

namespace {

LOGFONTW Font(const wchar_t* face, LONG weight = 400, BYTE italic = 0, LONG height = 0)
{
    LOGFONTW lf = {};
    wcsncpy(lf.lfFaceName, face, LF_FACESIZE - 1);
    lf.lfWeight = weight;
    lf.lfItalic = italic;
    lf.lfHeight = height;
    return lf;
}

std::vector<std::wstring> Faces(const CLogFonts& fonts)
{
    std::vector<std::wstring> out;
    for (const CLogFontPtr& f : fonts)
        out.push_back(GetFaceName(*f));
    return out;
}

} // namespace

TEST(FontCollection, InsertKeepsOrderAndDropsOnlyExactDuplicates)
{
    CFontCollection c;
    // "AB" and "ab" are one place in the order but two faces: a duplicate of
    // the second must still be found behind the first.
    EXPECT_TRUE(c.Insert(Font(L"AB")));
    EXPECT_TRUE(c.Insert(Font(L"ab")));
    EXPECT_FALSE(c.Insert(Font(L"ab")));
    EXPECT_FALSE(c.Insert(Font(L"AB")));
    EXPECT_TRUE(c.Insert(Font(L"Font10")));
    EXPECT_TRUE(c.Insert(Font(L"Font9")));
    EXPECT_TRUE(c.Insert(Font(L"Font9", 700)));
    EXPECT_TRUE(c.Insert(Font(L"Font9", 400, 255)));
    EXPECT_TRUE(c.Insert(Font(L"Font9", 100, 255)));
    // Natural order of faces, then plain before italic, then weight.
    const std::vector<std::wstring> faces = {L"AB", L"ab", L"Font9", L"Font9", L"Font9", L"Font9", L"Font10"};
    EXPECT_EQ(faces, Faces(c.Fonts));
    EXPECT_EQ(700, c.Fonts[3]->lfWeight);
    EXPECT_EQ(100, c.Fonts[4]->lfWeight);
    EXPECT_EQ(255, c.Fonts[5]->lfItalic);

    // The face names of the main window's list go through the same insertion.
    std::vector<std::wstring> names;
    const auto logical = [](const std::wstring& a, const std::wstring& b) { return StrCmpLogicalW(a.c_str(), b.c_str()); };
    const auto same = [](const std::wstring& a, const std::wstring& b) { return a == b; };
    for (const wchar_t* name : {L"ab", L"AB", L"ab", L"AB", L"Font10", L"Font9"})
        InsertOrderedUnique(names, name, logical, same);
    EXPECT_EQ((std::vector<std::wstring>{L"ab", L"AB", L"Font9", L"Font10"}), names);

    c.SetHeights(30);
    c.SetWidths(0);
    for (const CLogFontPtr& f : c.Fonts)
        EXPECT_EQ(30, f->lfHeight);
}

TEST(FontCollection, BestMatchPrefersFaceThenVerticalStateThenFields)
{
    CFontCollection c;
    for (const LOGFONTW& lf : {Font(L"Alpha", 400), Font(L"Alpha", 700), Font(L"@Alpha", 700), Font(L"Beta", 400, 255),
                               Font(L"Beta", 700, 255)})
        c.Insert(lf);
    // Order: @Alpha 700, Alpha 400, Alpha 700, Beta 400 i, Beta 700 i.
    struct Case { LOGFONTW wanted; size_t index; } cases[] = {
        {Font(L"Alpha", 700), 2},
        {Font(L"alpha", 400), 1},             // face compared without case
        {Font(L"@Alpha", 400), 0},            // the vertical entry, though another weight
        {Font(L"Beta", 900), 3},              // face present at other weights: first of equal scores
        {Font(L"Beta", 700, 255), 4},
        {Font(L"Gamma"), c.Fonts.size()},     // no such face
        {Font(L""), c.Fonts.size()},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(testing::Message() << Narrow(GetFaceName(k.wanted)) << " " << k.wanted.lfWeight);
        EXPECT_EQ(k.index, c.FindBestMatch(k.wanted));
    }
}

TEST(FontCollection, SkipFlags)
{
    LOGFONTW plain = Font(L"Face"), vertical = Font(L"@Face");
    struct Case { const LOGFONTW* font; DWORD type; UINT flags; bool skip; } cases[] = {
        {&vertical, TRUETYPE_FONTTYPE, FontEnumFlags::SkipVertical, true},
        {&plain, TRUETYPE_FONTTYPE, FontEnumFlags::SkipVertical, false},
        {&plain, TRUETYPE_FONTTYPE, FontEnumFlags::SkipHorizontal, true},
        {&vertical, TRUETYPE_FONTTYPE, FontEnumFlags::SkipHorizontal, false},
        {&plain, RASTER_FONTTYPE, FontEnumFlags::SkipRaster, true},
        {&plain, TRUETYPE_FONTTYPE, FontEnumFlags::SkipRaster, false},
        {&plain, TRUETYPE_FONTTYPE, FontEnumFlags::SkipTrueType, true},
        {&plain, DEVICE_FONTTYPE, FontEnumFlags::SkipTrueType | FontEnumFlags::SkipRaster, false},
    };
    for (const Case& k : cases)
        EXPECT_EQ(k.skip, SkipEnumeratedFont(*k.font, k.type, k.flags)) << k.flags << " " << k.type;
}

// Only combinations the system realises are listed; Wine realises 400 and
// 700, plain and italic, so nothing beyond that is expected here.
TEST(FontCollection, EnumerationListsRealisedStylesOnly)
{
    CScreenDC dc;
    CFontCollection c;
    c.Enumerate(dc, SHIFTJIS_CHARSET, 0x30005);  // vector fonts, no "@" faces, every weight, italic too
    ASSERT_FALSE(c.Fonts.empty());
    EXPECT_EQ(nullptr, c.DC);
    bool plain400 = false;
    for (size_t i = 0; i < c.Fonts.size(); ++i) {
        const CLogFontW& f = *c.Fonts[i];
        EXPECT_FALSE(IsVerticalFace(f));
        EXPECT_EQ(0, f.lfWidth);
        EXPECT_EQ(0, f.lfWeight % 100);
        if (i > 0) {
            EXPECT_LT(CompareLogFonts(*c.Fonts[i - 1], f), 0);  // sorted, no equal neighbours
        }
        plain400 = plain400 || (f.lfWeight == 400 && !f.lfItalic);
        // Realising it again gives the same weight and slant.
        CFontHandle font(CreateFontIndirectW(&f));
        CSelectObjectGuard select(dc, font.Get());
        TEXTMETRICW tm = {};
        ASSERT_TRUE(GetTextMetricsW(dc, &tm));
        EXPECT_EQ(f.lfWeight, tm.tmWeight) << Narrow(GetFaceName(f));
        EXPECT_EQ(f.lfItalic != 0, tm.tmItalic != 0);
    }
    EXPECT_TRUE(plain400);

    CFontCollection vertical;
    vertical.Enumerate(dc, SHIFTJIS_CHARSET, 0x30006);
    for (const CLogFontPtr& f : vertical.Fonts)
        EXPECT_TRUE(IsVerticalFace(*f));
}

// Both lists offer only faces the tasks draw, in every character set, which
// the enumeration alone does not give ("MS Shell Dlg 2", a font substitute).
TEST(FontCollection, EveryFaceOfferedIsOneTheTasksDraw)
{
    CFontChoices choices;
    choices.EnumerateCharSets();
    CScreenDC dc;
    for (const CCharSet& set : choices.GetCharSets()) {
        choices.EnumerateFaces(set.CharSet, set.Vertical);
        CFontSetting font;
        CFontCollection listed;
        listed.Enumerate(dc, static_cast<BYTE>(set.CharSet), set.Vertical ? 2 : 1);  // raster fonts too
        for (const CLogFontPtr& f : listed.Fonts)
            EXPECT_TRUE(std::count(choices.GetFaces().begin(), choices.GetFaces().end(), GetFaceName(*f)))
                << set.CharSet << " " << Narrow(GetFaceName(*f));
        for (const std::wstring& face : choices.GetFaces()) {
            font.FontFace = face;
            EXPECT_NO_THROW(font.CreateFontFamily()) << set.CharSet << " " << Narrow(face);
        }
    }
}
