#include "outline/FontNames.h"
#include "outline/FontSetting.h"
#include "outline/GlyphOutline.h"
#include "outline/VectorFontManager.h"
#include "platform/GdiPlusText.h"
#include "resources/strings_outline.h"
#include "tests/outline/OutlineTestSupport.h"
#include "tests/common/TestSupport.h"
#include <gtest/gtest.h>

using namespace Gdiplus;

namespace {

// Fixtures name a face that the test prefix has, with its character set.
CFontSetting IpaGothic(int size = 200)
{
    CFontSetting s;
    s.FontFace = L"IPAGothic";
    s.CharSet = SHIFTJIS_CHARSET;
    s.Size = size;
    return s;
}

LOGFONTW MakeLogFont(const wchar_t* face, LONG height = 0, LONG weight = 400, BYTE italic = 0)
{
    LOGFONTW lf;
    ZeroMemory(&lf, sizeof lf);
    wcsncpy(lf.lfFaceName, face, LF_FACESIZE - 1);
    lf.lfHeight = height;
    lf.lfWeight = weight;
    lf.lfItalic = italic;
    return lf;
}

} // namespace

TEST(FontNames, FormatFontWeight)
{
    struct Case {
        int weight;
        const wchar_t* text;
    };
    const Case cases[] = {
        {100, L"超極細"}, {400, L"標準"}, {700, L"太字"}, {900, L"超極太"},
        {0, L"0"}, {450, L"450"}, {950, L"950"}, {1000, L"1000"}, {-100, L"-100"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.text, FormatFontWeight(c.weight)) << c.weight;
    EXPECT_EQ(9u, GetFontWeightNames().size());
}

TEST(FontNames, FaceNameOperations)
{
    EXPECT_EQ(L"@X", StripVerticalPrefix(L"@@X"));
    EXPECT_EQ(L"", StripVerticalPrefix(L"@"));
    EXPECT_EQ(L"", StripVerticalPrefix(L""));
    EXPECT_EQ(L"X@", StripVerticalPrefix(L"X@"));
    CFontSetting font;
    for (const wchar_t* face : {L"@IPAGothic", L"@", L"IPAGothic", L"X@", L""}) {
        font.FontFace = face;
        EXPECT_EQ(face[0] == L'@', font.IsVertical()) << Narrow(face);
        EXPECT_EQ(font.IsVertical(), IsVerticalFace(font.FontFace));
    }
    EXPECT_TRUE(StrLessLogical(L"Font2", L"font10"));
    EXPECT_FALSE(StrLessLogical(L"Font10", L"Font2"));
    EXPECT_TRUE(StrEqual(L"abc", L"abc"));
    EXPECT_FALSE(StrEqual(L"abc", L"ABC"));
    EXPECT_FALSE(StrEqual(std::wstring(L"ab\0c", 4), L"ab"));

    LOGFONTW lf = MakeLogFont(L"");
    for (int i = 0; i < LF_FACESIZE; ++i)
        lf.lfFaceName[i] = L'x';  // no terminating zero at all
    EXPECT_EQ(std::wstring(LF_FACESIZE, L'x'), GetFaceName(lf));
}

// A family answers to its localised and its English name in any case; the
// list's (localised) name comes back, and nothing for a name no font has.
TEST(FontNames, ListedFaceNameAnswersToEveryNameOfAFamily)
{
    const struct Case {
        const wchar_t* face;
        const wchar_t* listed;
    } cases[] = {
        {L"ipagothic", L"IPA\u30B4\u30B7\u30C3\u30AF"}, {L"IPAMincho", L"IPA\u660E\u671D"},
        {L"@IPAGOTHIC", L"@IPA\u30B4\u30B7\u30C3\u30AF"}, {L"IPA\u30B4\u30B7\u30C3\u30AF", L"IPA\u30B4\u30B7\u30C3\u30AF"},
        {L"No Such Face 12345", L""}, {L"", L""}, {L"@", L""}, {L"IPAGothic                        x", L""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(std::wstring(c.listed), ListedFaceName(c.face, SHIFTJIS_CHARSET)) << Narrow(c.face);
}

TEST(FontNames, CompareLogFontsOrder)
{
    struct Case {
        const char* name;
        LOGFONTW a, b;
    };
    LOGFONTW strike = MakeLogFont(L"Face");
    strike.lfStrikeOut = 1;
    LOGFONTW underline = MakeLogFont(L"Face");
    underline.lfUnderline = 1;
    const Case cases[] = {
        {"2 before 10", MakeLogFont(L"Face 2"), MakeLogFont(L"Face 10")},
        {"letters without case", MakeLogFont(L"alpha"), MakeLogFont(L"Beta")},
        {"strike-out decides before weight", MakeLogFont(L"Face", 0, 900), strike},
        {"underline before italic", MakeLogFont(L"Face", 0, 400, 255), underline},
        {"italic before weight", MakeLogFont(L"Face", 0, 900), MakeLogFont(L"Face", 0, 100, 255)},
        {"weight before height", MakeLogFont(L"Face", 50, 400), MakeLogFont(L"Face", 10, 700)},
        {"height signed", MakeLogFont(L"Face", -20), MakeLogFont(L"Face", 10)},
    };
    for (const Case& c : cases) {
        EXPECT_LT(CompareLogFonts(c.a, c.b), 0) << c.name;
        EXPECT_GT(CompareLogFonts(c.b, c.a), 0) << c.name;
    }
    EXPECT_EQ(0, CompareLogFonts(MakeLogFont(L"Face", 10), MakeLogFont(L"Face", 10)));
}

TEST(FontNames, FontMatchScore)
{
    const LOGFONTW wanted = MakeLogFont(L"IPAGothic", 20, 700);
    struct Case {
        const char* name;
        LOGFONTW candidate;
        bool wantedVertical;
        unsigned score;
    };
    const Case cases[] = {
        {"horizontal, same style", MakeLogFont(L"IPAGothic", 20, 700), false, 205},
        {"vertical candidate, other case", MakeLogFont(L"@ipagothic", 20, 700), false, 105},
        {"vertical wanted", MakeLogFont(L"@IPAGOTHIC", 20, 700), true, 205},
        {"one field differs", MakeLogFont(L"IPAGothic", 20, 400), false, 204},
        {"two fields differ", MakeLogFont(L"IPAGothic", 12, 400, 255), false, 202},
        {"another face", MakeLogFont(L"IPAMincho", 20, 700), false, 0},
        {"a prefix is not the face", MakeLogFont(L"IPAGothic2", 20, 700), false, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.score, FontMatchScore(c.candidate, wanted, L"IPAGothic", c.wantedVertical)) << c.name;
}

TEST(FontSetting, ToLogFontAndStyle)
{
    CFontSetting s = IpaGothic(300);
    s.FontFace = L"@IPAGothic";
    s.Weight = 700;
    s.Italic = true;
    s.StrikeOut = true;
    s.Escapement = 900;
    s.CharSet = 0x180;  // only the low byte reaches the record
    LOGFONTW lf;
    s.ToLogFont(lf);
    EXPECT_EQ(300, lf.lfHeight);
    EXPECT_EQ(700, lf.lfWeight);
    EXPECT_EQ(255, lf.lfItalic);
    EXPECT_EQ(0, lf.lfUnderline);
    EXPECT_EQ(1, lf.lfStrikeOut);
    EXPECT_EQ(900, lf.lfEscapement);
    EXPECT_EQ(0x80, lf.lfCharSet);
    EXPECT_EQ(0, lf.lfQuality);
    EXPECT_EQ(L"@IPAGothic", GetFaceName(lf));

    s.FontFace = std::wstring(40, L'F');
    s.ToLogFont(lf);
    EXPECT_EQ(std::wstring(31, L'F'), GetFaceName(lf));

    LOGFONTW style;
    s.GetLogFontStyle(style);
    EXPECT_EQ(0, style.lfHeight);
    EXPECT_EQ(L"", GetFaceName(style));
    CFontSetting other;
    other.SetLogFontStyle(style);
    EXPECT_EQ(700, other.Weight);
    EXPECT_TRUE(other.Italic);
    EXPECT_FALSE(other.Underline);
    EXPECT_TRUE(other.StrikeOut);
    EXPECT_EQ(900, other.Escapement);

    CFontStyle entry;
    entry.logFont = lf;
    EXPECT_TRUE(entry.IsSameStyle(style));
    style.lfUnderline = 1;
    EXPECT_FALSE(entry.IsSameStyle(style));
}

TEST(FontSetting, GdiplusStyleBits)
{
    struct Case {
        int weight;
        bool italic, underline, strike;
        INT style;
    };
    const Case cases[] = {
        {400, false, false, false, 0}, {500, false, false, false, 1}, {650, false, false, false, 0},
        {700, false, false, false, 1}, {900, false, false, false, 1}, {1000, false, false, false, 0},
        {400, true, false, false, 2}, {700, true, true, true, 15}, {300, false, true, false, 4},
        {300, false, false, true, 8},
    };
    for (const Case& c : cases) {
        CFontSetting s;
        s.Weight = c.weight;
        s.Italic = c.italic;
        s.Underline = c.underline;
        s.StrikeOut = c.strike;
        EXPECT_EQ(c.style, s.GetGdiplusFontStyle()) << c.weight;
    }
}

TEST(FontSetting, GdiplusFamilyAndStringFormat)
{
    CFontSetting s = IpaGothic();
    s.FontFace = L"@IPAGothic";
    boost::shared_ptr<FontFamily> family = s.CreateFontFamily();
    ASSERT_TRUE(family && family->IsAvailable());
    // The family of the face without its "@" (the name comes back localised).
    EXPECT_EQ(FontFamily(L"IPAGothic").GetFamilyName(), family->GetFamilyName());
    EXPECT_NE(FontFamily(L"IPAMincho").GetFamilyName(), family->GetFamilyName());
    EXPECT_EQ(StringFormatFlagsDirectionRightToLeft | StringFormatFlagsDirectionVertical,
              s.CreateStringFormat()->GetFormatFlags());

    s.FontFace = L"";
    EXPECT_EQ(0, s.CreateStringFormat()->GetFormatFlags());
}

TEST(FontSetting, AFaceNoFontHasIsNamedInTheRefusal)
{
    // The engine keeps 31 characters of a name: "@" and 31 more cannot be
    // realised, 31 alone can. A long name is shown by its first 64.
    const std::wstring face31(31, L'q'), face20000(20000, L'x');
    const struct Case {
        std::wstring face;
        UINT id;
        std::wstring message;
    } cases[] = {
        {L"No Such Face 12345", IDS_FONT_FACE_NOT_INSTALLED,
         CSimpleErr::Format(IDS_FONT_FACE_NOT_INSTALLED, L"No Such Face 12345")},
        {L"@No Such Face", IDS_FONT_FACE_NOT_INSTALLED, CSimpleErr::Format(IDS_FONT_FACE_NOT_INSTALLED, L"@No Such Face")},
        {face31, IDS_FONT_FACE_NOT_INSTALLED, CSimpleErr::Format(IDS_FONT_FACE_NOT_INSTALLED, face31)},
        {L"", IDS_FONT_FACE_EMPTY, CSimpleErr::Format(IDS_FONT_FACE_EMPTY)},
        {L" \t\x3000", IDS_FONT_FACE_EMPTY, CSimpleErr::Format(IDS_FONT_FACE_EMPTY)},
        {L"@", IDS_FONT_FACE_EMPTY, CSimpleErr::Format(IDS_FONT_FACE_EMPTY)},
        {L"@" + face31, IDS_FONT_FACE_TOO_LONG, CSimpleErr::Format(IDS_FONT_FACE_TOO_LONG, L"@" + face31, L"32", L"31")},
        {face20000, IDS_FONT_FACE_TOO_LONG,
         CSimpleErr::Format(IDS_FONT_FACE_TOO_LONG, std::wstring(64, L'x') + L"\x2026", L"20000", L"31")},
        // A character is not cut in two.
        {std::wstring(63, L'y') + L"\U0001F600" + face31, IDS_FONT_FACE_TOO_LONG,
         CSimpleErr::Format(IDS_FONT_FACE_TOO_LONG, std::wstring(63, L'y') + L"\x2026", L"96", L"31")},
    };
    for (const Case& c : cases) {
        CFontSetting s = IpaGothic();
        s.FontFace = c.face;
        const my::CException e = ThrownError([&] { s.CreateFontFamily(); });
        EXPECT_EQ(c.id, e.id) << Narrow(c.face.substr(0, 40));
        EXPECT_EQ(Narrow(c.message), Narrow(e.message));
        EXPECT_FALSE(CanDrawFace(c.face));  // the face lists' test agrees
    }
    // The same name in other letter case is the installed face.
    CFontSetting s = IpaGothic();
    s.FontFace = L"ipagothic";
    EXPECT_TRUE(s.CreateFontFamily()->IsAvailable() && CanDrawFace(s.FontFace));
}

TEST(FontSetting, GdiFontAndEmHeight)
{
    const CFontSetting s = IpaGothic(300);
    LOGFONTW lf;
    TEXTMETRICW tm;
    float em = 0;
    CFontHandle font = s.CreateGdiFont(lf, tm, em, NONANTIALIASED_QUALITY);
    ASSERT_NE(nullptr, font.Get());
    EXPECT_EQ(NONANTIALIASED_QUALITY, lf.lfQuality);
    EXPECT_EQ(L"IPAGothic", GetFaceName(lf));
    ASSERT_GT(tm.tmHeight, 0);
    EXPECT_FLOAT_EQ(float(300.0 * (tm.tmHeight - tm.tmInternalLeading) / tm.tmHeight), em);
    EXPECT_LT(em, 300.0f);

    // The screen DC goes back on every path: many calls leave no DC behind.
    for (int i = 0; i < 50; ++i)
        s.CreateGdiFont(lf, tm, em, NONANTIALIASED_QUALITY);
}

TEST(FontSetting, EnumFontStylesOfIpaGothic)
{
    CScreenDC dc;
    CFontStyles styles;
    EXPECT_TRUE(EnumFontStyles(styles, dc, SHIFTJIS_CHARSET, L"IPAGothic"));
    // The prefix's faces report 400 and 700, each also in italic.
    std::vector<std::wstring> names;
    for (const auto& s : styles) {
        names.push_back(s->name);
        EXPECT_EQ(L"IPAGothic", GetFaceName(s->logFont));
    }
    const std::vector<std::wstring> expected = {L"標準", L"標準 斜体", L"太字", L"太字 斜体"};
    EXPECT_EQ(expected, names);
}

TEST(VectorFontManager, OpenAndMetrics)
{
    boost::shared_ptr<CVectorFontManager> font = IpaGothic(200).CreateVectorFontManager(NONANTIALIASED_QUALITY);
    EXPECT_EQ(NONANTIALIASED_QUALITY, font->GetLogFont().lfQuality);
    EXPECT_EQ(200, font->GetMetrics().tmHeight);
    EXPECT_GT(font->GetMetrics().tmAscent, 100);
    const HDC dc = font->GetScreenDC();
    EXPECT_EQ(font->GetFont(), GetCurrentObject(dc, OBJ_FONT));
    font->Close();
    EXPECT_NE(font->GetFont(), GetCurrentObject(dc, OBJ_FONT));
    const HGDIOBJ restored = GetCurrentObject(dc, OBJ_FONT);
    font->Close();
    EXPECT_EQ(restored, GetCurrentObject(dc, OBJ_FONT));

    // Opening again replaces the font and its metrics.
    LOGFONTW lf;
    IpaGothic(100).ToLogFont(lf);
    font->Open(lf, NONANTIALIASED_QUALITY);
    EXPECT_EQ(100, font->GetMetrics().tmHeight);
    EXPECT_EQ(font->GetFont(), GetCurrentObject(font->GetScreenDC(), OBJ_FONT));
}

TEST(VectorFontManager, GlyphsAreClosedFiguresInsideTheirBlackBox)
{
    boost::shared_ptr<CVectorFontManager> font = IpaGothic(200).CreateVectorFontManager(NONANTIALIASED_QUALITY);
    const MAT2 identity = IdentityMat2();
    for (WCHAR ch : {L'あ', L'O', L'縁'}) {
        GLYPHMETRICS gm;
        std::vector<BYTE> buffer;
        font->GetGlyphOutline(&gm, buffer, ch, GGO_BEZIER, &identity);
        ASSERT_FALSE(buffer.empty());
        GraphicsPath path(FillModeWinding);
        CGlyphParseState state;
        ParseGlyphOutline(state, path, ch, buffer, nullptr);
        ASSERT_EQ(Ok, path.GetLastStatus());
        std::vector<PointF> points;
        std::vector<BYTE> types;
        ASSERT_EQ(Ok, path.GetPathData(points, types));
        int starts = 0, closes = 0;
        for (size_t i = 0; i < types.size(); ++i) {
            if ((types[i] & PathPointTypePathTypeMask) == PathPointTypeStart) {
                ++starts;
                EXPECT_TRUE(i == 0 || (types[i - 1] & PathPointTypeCloseSubpath)) << "figure left open before " << i;
            }
            closes += (types[i] & PathPointTypeCloseSubpath) != 0;
        }
        EXPECT_TRUE(types.back() & PathPointTypeCloseSubpath);
        EXPECT_EQ(starts, closes);
        EXPECT_GE(starts, ch == L'O' ? 2 : 1);

        // Font units, y upwards: the black box runs from the glyph origin
        // right and down. Its edges are whole pixels, so allow one.
        RectF tight, hull;
        ASSERT_EQ(Ok, GetTightPathBounds(tight, path, nullptr));
        ASSERT_EQ(Ok, path.GetBounds(&hull));
        const float left = float(gm.gmptGlyphOrigin.x), top = float(gm.gmptGlyphOrigin.y);
        EXPECT_GE(tight.X, left - 1) << char(ch);
        EXPECT_LE(tight.X + tight.Width, left + gm.gmBlackBoxX + 1) << char(ch);
        EXPECT_LE(tight.Y + tight.Height, top + 1) << char(ch);
        EXPECT_GE(tight.Y, top - gm.gmBlackBoxY - 1) << char(ch);
        EXPECT_GT(tight.Width, gm.gmBlackBoxX * 0.8f);
        EXPECT_GT(tight.Height, gm.gmBlackBoxY * 0.8f);
        // Never wider than the control points.
        EXPECT_GE(tight.X, hull.X - 1e-3f);
        EXPECT_LE(tight.Y + tight.Height, hull.Y + hull.Height + 1e-3f);
    }
}

TEST(VectorFontManager, BlankAndFailedGlyphs)
{
    boost::shared_ptr<CVectorFontManager> font = IpaGothic(200).CreateVectorFontManager(NONANTIALIASED_QUALITY);
    const MAT2 identity = IdentityMat2();
    GLYPHMETRICS gm;
    std::vector<BYTE> buffer;
    font->GetGlyphOutline(&gm, buffer, L'O', GGO_BEZIER, &identity);
    ASSERT_FALSE(buffer.empty());
    EXPECT_NE(0u, font->GetGlyphOutlineData(&gm, buffer, L' ', GGO_BEZIER, &identity));
    EXPECT_TRUE(buffer.empty());

    const my::CException e = ThrownError([&] { font->GetGlyphOutline(&gm, buffer, L' ', GGO_BEZIER, &identity); });
    EXPECT_EQ(UINT(IDS_GET_GLYPH_OUTLINE_FAILED), e.id);
    EXPECT_EQ(HRESULT(0x80070032), e.code);
    EXPECT_NE(std::wstring::npos, e.message.find(L"文字:  ")) << Narrow(e.message);
}

TEST(VectorFontManager, CharacterTypes)
{
    struct Case {
        WCHAR ch;
        bool space;
    };
    const Case cases[] = {{L' ', true}, {0x3000, true}, {L'\t', true}, {L'\n', true}, {L'\r', true},
                          {L'a', false}, {L'あ', false}, {L'縁', false}, {L'.', false}};
    for (const Case& c : cases)
        EXPECT_EQ(c.space, IsSpaceChar(c.ch)) << int(c.ch);
    EXPECT_EQ(L"あ", CharToMessageText(L'あ'));
    EXPECT_TRUE(GetCharTypeFlags(L'A') & C1_UPPER);
}
