// The task's life cycle, layers and margins, and the text layout with two
// real fonts. Glyph coordinates come from FreeType, so expectations are built
// from the widths the font reports, never pinned.
#include "render/KanteloTask.h"
#include "render/VectorKanteloTask.h"
#include "outline/VectorFontManager.h"
#include "platform/Gdi.h"
#include "resources/strings_engine.h"
#include "resources/strings_foundation.h"
#include "tests/render/TaskTestSupport.h"
#include <gtest/gtest.h>
#include <cmath>
#include <new>
#include <stdexcept>

namespace {

struct CFontCase {
    const wchar_t* face;
    UINT charSet;
};
const CFontCase kFonts[] = {{L"IPAGothic", SHIFTJIS_CHARSET}, {L"DejaVu Sans", ANSI_CHARSET}};

// ABC widths of a character in the setting's font, measured here directly.
ABC WidthsOf(const CSetting& s, wchar_t ch)
{
    LOGFONTW lf;
    TEXTMETRICW tm;
    float em;
    CFontHandle font = s.FontSetting.CreateGdiFont(lf, tm, em, NONANTIALIASED_QUALITY);
    CScreenDC dc;
    CSelectObjectGuard sel(dc, font);
    ABC abc = {};
    EXPECT_TRUE(GetCharABCWidthsW(dc, ch, ch, &abc));
    return abc;
}

boost::shared_ptr<CKanteloTask> Measured(const boost::shared_ptr<CSetting>& s, const std::wstring& text,
                                         SIZE bound = SIZE{0, 0}, int bearing = kUnknownBearing)
{
    boost::shared_ptr<CKanteloTask> t = MakeTask(s, text);
    t->Size = bound;
    t->SetLineHeadBearing(bearing);
    t->BuildLayers();
    t->LayOut();
    return t;
}

int Step(const ABC& abc, int spacing = 0) { return std::max(0, abc.abcA + static_cast<int>(abc.abcB) + abc.abcC + spacing); }

TEST(KanteloTaskTest, InitKeepsTheTextAndForgetsTheRest)
{
    CKanteloTask t;
    t.Text = L"abc";
    t.No = 4;
    t.Path = L"x.png";
    t.Size = SIZE{3, 4};
    t.Err.Set(IDS_TEXT_EMPTY);
    t.SetLineHeadBearing(-5);
    t.Init(nullptr);
    EXPECT_EQ(L"abc", t.Text);
    EXPECT_EQ(-1, t.No);
    EXPECT_TRUE(t.Path.empty());
    EXPECT_EQ(0, t.Size.cx);
    EXPECT_FALSE(t.HasError());
    EXPECT_EQ(kUnknownBearing, t.GetLineHeadBearing());
}

TEST(KanteloTaskTest, LayersAndMargins)
{
    boost::shared_ptr<CSetting> s = MakeSetting(L"IPAGothic", SHIFTJIS_CHARSET, 300);
    s->FontSetting.Alpha = 70;
    s->Borderings[0].SetPreset(10, 0, 100, 5, 120, 0);    // outline 10, blur 5
    s->Borderings[2].SetPreset(20, 0, 100, 0, 120, 100);  // shadow (49, 87)
    s->Borderings[4].SetPreset(30, 0, 100, 0, 0, 0);
    s->UseBorderings[0] = s->UseBorderings[2] = s->UseBorderings[4] = 1;
    boost::shared_ptr<CKanteloTask> t = MakeTask(s, L"a");
    t->BuildLayers();
    ASSERT_EQ(4, t->GetLayout().LayerCount());
    EXPECT_EQ(300, t->GetLayout().Layers[0].Size);
    EXPECT_EQ(70, t->GetLayout().Layers[0].Alpha);
    EXPECT_EQ(s->PaintSetting, t->GetLayout().Layers[0].Paint);
    EXPECT_EQ(s->Borderings[2], t->GetLayout().Layers[2]);
    // margins[k]: how far the layers outside k reach beyond it.
    struct Expect {
        LONG l, t, r, b;
    } expected[] = {{15 + 0 + 30, 15 + 0 + 30, 15 + 69 + 30, 15 + 107 + 30},
                    {0 + 30, 0 + 30, 69 + 30, 107 + 30},
                    {30, 30, 30, 30},
                    {0, 0, 0, 0}};
    for (int k = 0; k < 4; ++k) {
        const RECT& m = t->GetLayout().LayerMargins[k];
        EXPECT_EQ(expected[k].l, m.left) << k;
        EXPECT_EQ(expected[k].t, m.top) << k;
        EXPECT_EQ(expected[k].r, m.right) << k;
        EXPECT_EQ(expected[k].b, m.bottom) << k;
    }
    EXPECT_EQ(t->GetLayout().LayerMargins[0].right, t->GetLayout().TotalMargins.right);
    // A vertical face turns the shadow by a quarter: (86, -49).
    s->FontSetting.FontFace = L"@IPAGothic";
    t->BuildLayers();
    EXPECT_TRUE(t->GetLayout().Vertical);
    EXPECT_EQ(30 + 20 + 49, t->GetLayout().LayerMargins[1].top);
    EXPECT_EQ(30 + 20 + 86, t->GetLayout().LayerMargins[1].right);
    EXPECT_EQ(30, t->GetLayout().LayerMargins[1].bottom);
}

TEST(KanteloTaskTest, OnlyTheFiveDecorationRowsAreLayers)
{
    // A record that somehow holds more rows (an old or foreign file) still
    // draws the five the window shows; the rows beyond them are never layers.
    boost::shared_ptr<CSetting> s = MakeSetting(L"IPAGothic", SHIFTJIS_CHARSET, 300);
    s->Borderings.resize(7);
    s->UseBorderings.assign(7, 1);
    for (size_t i = 0; i < 7; ++i)
        s->Borderings[i].SetPreset(static_cast<int>(10 * (i + 1)), 0, 100, 0, 120, 0);
    boost::shared_ptr<CKanteloTask> t = MakeTask(s, L"a");
    t->BuildLayers();
    ASSERT_EQ(6, t->GetLayout().LayerCount());
    EXPECT_EQ(s->Borderings[4], t->GetLayout().Layers[5]);
    EXPECT_EQ(10 + 20 + 30 + 40 + 50, t->GetLayout().TotalMargins.left);
}

TEST(KanteloTaskTest, MeasureOneLineInBothFonts)
{
    for (const CFontCase& f : kFonts) {
        boost::shared_ptr<CSetting> s = MakeSetting(f.face, f.charSet, 400);
        const std::wstring text = L"AbW";
        boost::shared_ptr<CKanteloTask> t = Measured(s, text);
        const TEXTMETRICW& tm = t->GetFonts().GetTextMetrics();
        EXPECT_EQ(400, tm.tmHeight) << Narrow(f.face);
        int x = 0, ink = 0, adv = 0, maxAdv = 0, minA = kUnknownBearing;
        for (wchar_t ch : text) {
            ABC abc = WidthsOf(*s, ch);
            float a = 0;
            ABC again;
            t->GetFonts().GetCharAdvance(CScreenDC(), ch, again, a);
            int ia = static_cast<int>(std::ceil(a));
            // The advance is the outline's black box plus one, near abcB.
            EXPECT_NEAR(static_cast<double>(abc.abcB) + 1, a, 2.0) << Narrow(f.face) << " " << char(ch);
            if (x == 0)
                minA = std::min(minA, abc.abcA);
            ink = std::max(ink, x + abc.abcA + ia);
            adv = std::max(adv, x + abc.abcA + static_cast<int>(abc.abcB) + abc.abcC);
            maxAdv = std::max(maxAdv, ia);
            x += Step(abc);
        }
        int offset = minA < 0 ? -minA : 0;
        EXPECT_EQ(ink + offset, t->GetLayout().InkWidth) << Narrow(f.face);
        EXPECT_EQ(adv, t->GetLayout().AdvanceWidth);
        EXPECT_EQ(maxAdv, t->GetLayout().MaxGlyphAdvance);
        EXPECT_EQ(1, t->GetLayout().LineCount);
        EXPECT_EQ(400, t->GetLayout().TextHeight);
        EXPECT_EQ(minA, t->GetLineHeadBearing());
        // Proportional fonts are as wide as their ink; fixed-pitch ones as the
        // wider of ink and advance.
        bool proportional = (t->GetFonts().GetManager()->GetMetrics().tmPitchAndFamily & TMPF_FIXED_PITCH) != 0;
        EXPECT_EQ(proportional ? t->GetLayout().InkWidth : std::max(t->GetLayout().InkWidth, t->GetLayout().AdvanceWidth),
                  t->GetLayout().TextWidth);
    }
    // The two fonts differ here: IPAGothic is fixed pitch, DejaVu Sans is not.
    EXPECT_FALSE(Measured(MakeSetting(L"IPAGothic", SHIFTJIS_CHARSET, 400), L"a")->GetFonts().GetManager()->GetMetrics()
                     .tmPitchAndFamily & TMPF_FIXED_PITCH);
}

TEST(KanteloTaskTest, SpacingLinesAndLeading)
{
    for (const CFontCase& f : kFonts) {
        boost::shared_ptr<CSetting> s = MakeSetting(f.face, f.charSet, 300);
        const std::wstring text = L"ab\ncd\n\nef";
        int plainAdv = Measured(s, text)->GetLayout().AdvanceWidth;
        s->FontSetting.CharWidth = 150;
        s->FontSetting.LineWidth = 120;
        boost::shared_ptr<CKanteloTask> t = Measured(s, text);
        // Each line has two characters: one spacing step of 150 - 100 percent.
        EXPECT_EQ(plainAdv + 50 * 300 / 100, t->GetLayout().AdvanceWidth) << Narrow(f.face);
        EXPECT_EQ(4, t->GetLayout().LineCount);
        EXPECT_EQ(3 * (120 * 300 / 100) + 300, t->GetLayout().TextHeight);
        // A negative spacing larger than any character never moves the pen back.
        s->FontSetting.CharWidth = -400;
        boost::shared_ptr<CKanteloTask> n = Measured(s, L"WWW");
        ABC w = WidthsOf(*s, L'W');
        EXPECT_EQ(w.abcA + static_cast<int>(w.abcB) + w.abcC, n->GetLayout().AdvanceWidth);
        // Leading: the cell grows by LeadingWidth percent of the height.
        s->FontSetting.CharWidth = 100;
        s->FontSetting.LeadingWidth = 25;
        boost::shared_ptr<CKanteloTask> l = Measured(s, L"a");
        EXPECT_EQ(375, l->GetLayout().LineCellHeight);
        EXPECT_EQ(375, l->GetLayout().TextHeight);
        EXPECT_FLOAT_EQ(7.5f, l->GetLayout().LeadingOffset(30.0f));
    }
}

TEST(KanteloTaskTest, LineBreaksOnlyMeasureNothing)
{
    boost::shared_ptr<CSetting> s = MakeSetting(L"DejaVu Sans", ANSI_CHARSET, 300);
    boost::shared_ptr<CKanteloTask> t = Measured(s, L"\n\n");
    EXPECT_EQ(0, t->GetLayout().InkWidth);
    EXPECT_EQ(0, t->GetLayout().AdvanceWidth);
    EXPECT_EQ(2, t->GetLayout().LineCount);
    EXPECT_EQ(kUnknownBearing, t->GetLineHeadBearing());
    EXPECT_EQ(0, t->GetLayout().LineHeadOffset);
    // Tabs and carriage returns are measured like any character.
    boost::shared_ptr<CKanteloTask> tab = Measured(s, L"\t\r");
    EXPECT_GT(tab->GetLayout().AdvanceWidth, 0);
    EXPECT_EQ(1, tab->GetLayout().LineCount);
}

TEST(KanteloTaskTest, LineHeadBearingShiftsEveryLine)
{
    for (const CFontCase& f : kFonts) {
        boost::shared_ptr<CSetting> s = MakeSetting(f.face, f.charSet, 300);
        // 'j' reaches left of its origin in most Latin faces.
        boost::shared_ptr<CKanteloTask> own = Measured(s, L"xo\njo\nAo");
        int a = std::min(std::min(WidthsOf(*s, L'x').abcA, WidthsOf(*s, L'j').abcA), WidthsOf(*s, L'A').abcA);
        EXPECT_EQ(a, own->GetLineHeadBearing()) << Narrow(f.face);
        EXPECT_EQ(a < 0 ? -a : 0, own->GetLayout().LineHeadOffset) << Narrow(f.face);
        // A job's bearing, preset from all its units, wins when it is smaller.
        boost::shared_ptr<CKanteloTask> preset = Measured(s, L"xo\njo\nAo", SIZE{0, 0}, -37);
        const int expectedOffset = std::max(37, -a);
        EXPECT_EQ(std::min(-37, a), preset->GetLineHeadBearing()) << Narrow(f.face);
        EXPECT_EQ(expectedOffset, preset->GetLayout().LineHeadOffset);
        EXPECT_EQ(own->GetLayout().InkWidth - own->GetLayout().LineHeadOffset + expectedOffset, preset->GetLayout().InkWidth);
        std::vector<std::wstring> units = {L"xo", L"q\nAo", L"\nW"};
        int expected = kUnknownBearing;
        for (wchar_t ch : std::wstring(L"xqAW"))
            expected = std::min(expected, WidthsOf(*s, ch).abcA);
        EXPECT_EQ(expected, CalcMinLineHeadBearing(units, s->FontSetting)) << Narrow(f.face);
        EXPECT_EQ(kUnknownBearing, CalcMinLineHeadBearing({L"\n\n"}, s->FontSetting));
    }
}

// "5\n4\n1" -> five, four and one copies of ch on three lines.
std::wstring Lines(wchar_t ch, const char* counts)
{
    std::wstring text;
    for (const char* p = counts; *p; ++p)
        text += *p == '\n' ? std::wstring(1, L'\n') : std::wstring(static_cast<size_t>(*p - '0'), ch);
    return text;
}

TEST(KanteloTaskTest, BoundedModeDropsWhatDoesNotFit)
{
    struct CBoundFont {
        CFontCase font;
        wchar_t ch;
    } fonts[] = {{kFonts[0], L'一'}, {kFonts[1], L'W'}};
    for (const CBoundFont& bf : fonts) {
        boost::shared_ptr<CSetting> s = MakeSetting(bf.font.face, bf.font.charSet, 300);
        const int step = Step(WidthsOf(*s, bf.ch));
        const int h = 300;
        // Width limit: characters are kept while the pen is below limit + cell
        // height; the limit here lets three characters start on a line.
        const LONG cx = (2 * step - h) / 10 + 1;
        ASSERT_GE(3 * step, cx * 10 + h) << "a fourth character would fit";
        struct Case {
            LONG cx, cy;
            const char* text;
            const char* kept;
            int lines;
        } cases[] = {
            {cx, 100, "5\n4\n1", "3\n3\n1", 3},
            {cx, 55, "5\n4\n1", "3\n3", 2},
            {cx, 30, "2\n1", "2", 1},
            {1000, 1000, "2", "2", 1},
        };
        for (const Case& c : cases) {
            boost::shared_ptr<CKanteloTask> t = Measured(s, Lines(bf.ch, c.text), SIZE{c.cx, c.cy});
            EXPECT_EQ(Lines(bf.ch, c.kept), t->Text) << Narrow(bf.font.face) << " " << c.cx << "x" << c.cy;
            EXPECT_EQ(c.lines, t->GetLayout().LineCount);
            EXPECT_EQ((c.lines - 1) * 300 + h, t->GetLayout().TextHeight);
        }
        // Vertical text swaps the two limits.
        s->FontSetting.FontFace = std::wstring(L"@") + bf.font.face;
        const int vstep = Step(WidthsOf(*s, bf.ch));
        boost::shared_ptr<CKanteloTask> v = Measured(s, Lines(bf.ch, "5\n1"), SIZE{55, (2 * vstep - h) / 10 + 1});
        EXPECT_EQ(Lines(bf.ch, "3\n1"), v->Text) << Narrow(bf.font.face);
    }
}

class CThrowingTask : public CKanteloTask {
public:
    int kind = 0;
    void Run() override
    {
        GetFonts().Create(GetSetting()->FontSetting);  // something to release
        switch (kind) {
        case 0: throw std::bad_alloc();
        case 1: throw std::runtime_error("boom");
        case 2: throw my::CException(IDS_GET_CHAR_WIDTH_FAILED);
        case 3: throw 42;
        default: break;
        }
    }
};

class CRecordingClient : public CKanteloTaskClient {
public:
    std::vector<boost::shared_ptr<CKanteloTask> > finished;
    void OnTaskFinished(boost::shared_ptr<CKanteloTask> task) override { finished.push_back(task); }
};

TEST(KanteloTaskTest, EveryExceptionIsHandedBackAsAnError)
{
    struct Case {
        int kind;
        UINT id;
        const char* text;
    } cases[] = {{0, IDS_STD_EXCEPTION, "bad allocation"}, {1, IDS_STD_EXCEPTION, "boom"}, {2, IDS_GET_CHAR_WIDTH_FAILED, ""}, {3, IDS_UNKNOWN_EXCEPTION, ""}, {4, 0, ""}};
    for (const Case& c : cases) {
        CRecordingClient client;
        boost::shared_ptr<CThrowingTask> t(new CThrowingTask);
        t->Init(&client);
        t->SetSetting(MakeSetting(L"DejaVu Sans", ANSI_CHARSET, 300));
        t->kind = c.kind;
        t->Execute();
        EXPECT_EQ(c.id, t->Err.id) << c.kind;
        EXPECT_NE(std::string::npos, Narrow(t->Err.message).find(c.text)) << Narrow(t->Err.message);
        ASSERT_EQ(1u, client.finished.size()) << "the client is told in every case";
        EXPECT_EQ(t, client.finished[0]);
        EXPECT_FALSE(t->GetFonts().GetManager()) << "fonts are released";
        EXPECT_EQ(nullptr, t->GetFonts().GetFont());
    }
}

TEST(KanteloTaskTest, TerminationComesFromTheAttachedWorker)
{
    struct CFlag : CTerminable {
        bool on = false;
        bool IsTerminated() override { return on; }
    } flag;
    CKanteloTask t;
    EXPECT_FALSE(t.IsTerminated());
    t.SetTerminable(&flag);
    EXPECT_FALSE(t.IsTerminated());
    flag.on = true;
    EXPECT_TRUE(t.IsTerminated());
}

// Every spacing the settings accept, at its limits and where glyphs and
// lines overlap: the raster image and the vector page hold every glyph
// whole. The vector task's layer bounds (the exact ink of the outlines and
// their strokes) must lie on its page, and the raster image must hold its
// ink in the same box.
TEST(KanteloTaskTest, ExtremeSpacingKeepsEveryGlyphWhole)
{
    struct Case {
        int charWidth, lineWidth, leading;
        const wchar_t* face;
        UINT charSet;
        const wchar_t* text;
    } cases[] = {
        {0, 100, 0, L"IPAGothic", SHIFTJIS_CHARSET, L"縁取り\n文字"},
        {1, 100, 0, L"DejaVu Sans", ANSI_CHARSET, L"Test\njfj"},
        {7, 100, 0, L"DejaVu Sans", ANSI_CHARSET, L"Wjy\nfj"},
        {-1000, 100, 0, L"IPAGothic", SHIFTJIS_CHARSET, L"縁取り"},
        {1000, 100, 0, L"DejaVu Sans", ANSI_CHARSET, L"ab"},
        {100, -45, 0, L"IPAGothic", SHIFTJIS_CHARSET, L"縁取り\n文字\nテスト"},
        {100, -1000, 0, L"DejaVu Sans", ANSI_CHARSET, L"a\nb\nc"},
        {100, 0, 0, L"IPAGothic", SHIFTJIS_CHARSET, L"縁\n取"},
        {100, 1000, 0, L"DejaVu Sans", ANSI_CHARSET, L"a\ng"},
        {100, 100, -1000, L"IPAGothic", SHIFTJIS_CHARSET, L"縁\n取"},
        {100, 100, -60, L"DejaVu Sans", ANSI_CHARSET, L"Ag\nyj"},
        {100, 100, 1000, L"DejaVu Sans", ANSI_CHARSET, L"Ag"},
        {0, -45, -1000, L"IPAGothic", SHIFTJIS_CHARSET, L"縁取\n文字"},
    };
    for (const Case& c : cases) {
        const std::string what = std::to_string(c.charWidth) + " " + std::to_string(c.lineWidth) + " " +
                                 std::to_string(c.leading) + " " + Narrow(c.text);
        boost::shared_ptr<CSetting> s = MakeSetting(c.face, c.charSet, 300);
        s->FontSetting.CharWidth = c.charWidth;
        s->FontSetting.LineWidth = c.lineWidth;
        s->FontSetting.LeadingWidth = c.leading;
        s->Borderings[0].SetPreset(20, RGB(0, 0, 255), 100, 0, 0, 0);
        s->UseBorderings[0] = 1;
        boost::shared_ptr<CVectorKanteloTask> vector(new CVectorKanteloTask);
        vector->Init(nullptr);
        vector->SetSetting(s);
        vector->Text = c.text;
        vector->Execute();
        boost::shared_ptr<CKanteloTask> raster = MakeTask(s, c.text);
        raster->Execute();
        ASSERT_FALSE(vector->HasError()) << what << ": " << Narrow(vector->Err.message);
        ASSERT_FALSE(raster->HasError()) << what << ": " << Narrow(raster->Err.message);
        // The layers' ink on the page (no trimming: the page starts at 0, 0).
        const CBoxF& layers = vector->GetLayerBounds();
        const CBoxF& page = vector->GetBounds();
        EXPECT_GE(layers.X, 0) << what;
        EXPECT_GE(layers.Y, 0) << what;
        EXPECT_LE(layers.X + layers.Width, page.Width) << what;
        EXPECT_LE(layers.Y + layers.Height, page.Height) << what;
        const CDib& img = *raster->GetResultImage();
        const CAlphaStats ink = MeasureAlpha(img);
        EXPECT_NEAR(layers.X, ink.box.left, 1.01) << what;
        EXPECT_NEAR(layers.Y, ink.box.top, 1.01) << what;
        EXPECT_NEAR(layers.X + layers.Width, ink.box.right, 1.01) << what;
        EXPECT_NEAR(layers.Y + layers.Height, ink.box.bottom, 1.01) << what;
        EXPECT_LE(ink.box.right, img.GetWidth()) << what;
        EXPECT_LE(ink.box.bottom, img.GetAbsHeight()) << what;
    }
}

// Glyphs laid exactly on one another (no pen step, no line advance) cover
// the pixels of one glyph at the usual spacing: none of them is cut. (Their
// anti-aliased edges add up, so the alpha there is higher.)
TEST(KanteloTaskTest, OverlaidGlyphsCoverThePixelsOfOne)
{
    const auto footprintOf = [](int charWidth, int lineWidth, const std::wstring& text) {
        boost::shared_ptr<CSetting> s = MakeSetting(L"IPAGothic", SHIFTJIS_CHARSET, 300);
        s->FontSetting.CharWidth = charWidth;
        s->FontSetting.LineWidth = lineWidth;
        boost::shared_ptr<CKanteloTask> t = MakeTask(s, text);
        t->Execute();
        EXPECT_FALSE(t->HasError()) << Narrow(t->Err.message);
        std::vector<bool> covered;
        const CDib& d = *t->GetResultImage();
        for (int y = 0; y < d.GetAbsHeight(); ++y)
            for (int x = 0; x < d.GetWidth(); ++x)
                covered.push_back(AlphaAt(d, x, y) != 0);
        return covered;
    };
    const std::vector<bool> one = footprintOf(100, 100, L"字");
    EXPECT_EQ(one, footprintOf(0, 100, L"字字字"));
    EXPECT_EQ(one, footprintOf(-1000, 100, L"字字"));
    EXPECT_EQ(one, footprintOf(100, 0, L"字\n字\n字"));
    EXPECT_EQ(one, footprintOf(0, 0, L"字字\n字"));
}

} // namespace
