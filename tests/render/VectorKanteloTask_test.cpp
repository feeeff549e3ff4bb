// The vector task against a renderer that records its calls.
#include "render/VectorKanteloTask.h"
#include "outline/DibRenderer.h"
#include "resources/strings_engine.h"
#include "resources/strings_outline.h"
#include "tests/render/TaskTestSupport.h"
#include "tests/outline/RecordingRenderer.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <cmath>
#include <sstream>

namespace {

struct CRun {
    boost::shared_ptr<CVectorKanteloTask> task;
    boost::shared_ptr<CRecordingRenderer> out;
};

CRun RenderVector(const boost::shared_ptr<CSetting>& s, const std::wstring& text, CTerminable* worker = nullptr)
{
    CRun r;
    r.task.reset(new CVectorKanteloTask);
    r.task->Init(nullptr);
    r.task->SetSetting(s);
    r.task->Text = text;
    r.task->Path = L"C:\\out.pdf";
    r.out.reset(new CRecordingRenderer);
    r.task->SetRenderer(r.out);
    r.task->SetTerminable(worker);
    r.task->Execute();
    return r;
}

std::string Name(const std::string& call) { return call.substr(0, call.find(' ')); }

std::vector<double> Args(const std::string& call)
{
    std::istringstream is(call);
    std::string name;
    is >> name;
    std::vector<double> v;
    double d;
    while (is >> d)
        v.push_back(d);
    return v;
}

// The calls with one of the given names, in order.
std::vector<std::string> Only(const std::vector<std::string>& calls, std::initializer_list<const char*> names)
{
    std::vector<std::string> out;
    for (const std::string& c : calls)
        for (const char* n : names)
            if (Name(c) == n)
                out.push_back(c);
    return out;
}

boost::shared_ptr<CSetting> Face(const wchar_t* face = L"IPAGothic")
{
    boost::shared_ptr<CSetting> s = MakeSetting(face, SHIFTJIS_CHARSET, 400);
    s->PaintSetting.Color = RGB(255, 0, 0);
    return s;
}

TEST(VectorKanteloTaskTest, CallOrderOfAFaceWithBackground)
{
    boost::shared_ptr<CSetting> s = Face();
    s->Transparent = false;
    s->BkColor = RGB(0, 0, 255);
    CRun r = RenderVector(s, L"口");
    ASSERT_FALSE(r.task->HasError()) << Narrow(r.task->Err.message);
    const std::vector<std::string>& c = r.out->calls;
    ASSERT_GT(c.size(), 15u);
    EXPECT_EQ("BeginDocument", Name(c[0]));
    EXPECT_EQ("BeginPage", Name(c[1]));
    EXPECT_EQ("SetTransform 1 0 0 1 0 0 1", c[2]);
    EXPECT_EQ("SetLineJoin 1", c[3]);
    EXPECT_EQ("SetFillColor 16711680", c[4]);  // the background, then its rectangle
    EXPECT_EQ("MoveTo 0 0", c[5]);
    EXPECT_EQ("ClosePath", c[9]);
    EXPECT_EQ("Fill", c[10]);
    EXPECT_EQ("SetLineWidth 0", c[11]);
    EXPECT_EQ("SetFillColor 255", c[12]);
    EXPECT_EQ("SetStrokeColor 255", c[13]);
    EXPECT_EQ("MoveTo", Name(c[14]));
    EXPECT_EQ("EndPage", Name(c[c.size() - 2]));
    EXPECT_EQ("EndDocument", Name(c.back()));
    // The face alone is only filled: one figure set, no stroke.
    EXPECT_EQ(2u, Only(c, {"Fill"}).size());
    EXPECT_TRUE(Only(c, {"FillStroke", "Stroke"}).empty());
    // A transparent background draws no rectangle.
    s->Transparent = true;
    CRun t = RenderVector(s, L"口");
    EXPECT_EQ("SetLineWidth 0", t.out->calls[4]);
}

TEST(VectorKanteloTaskTest, ACharacterBeyondTheBasicPlaneIsOneOutline)
{
    boost::shared_ptr<CSetting> s = Face(L"DejaVu Sans");
    CRun r = RenderVector(s, L"\U0001D538a");
    ASSERT_FALSE(r.task->HasError()) << Narrow(r.task->Err.message);
    EXPECT_EQ(2u, Only(r.out->calls, {"Fill"}).size()) << "two characters, two outlines";
}

TEST(VectorKanteloTaskTest, DecorationsAndShadowsInDrawingOrder)
{
    boost::shared_ptr<CSetting> s = Face();
    s->Borderings[0].SetPreset(20, RGB(255, 255, 255), 100, 0, 120, 0);
    s->Borderings[1].SetPreset(30, RGB(0, 0, 0), 100, 0, 120, 50);
    s->UseBorderings[0] = s->UseBorderings[1] = 1;
    CRun r = RenderVector(s, L"口");
    ASSERT_FALSE(r.task->HasError()) << Narrow(r.task->Err.message);
    const std::vector<CVectorLayerGroup>& g = r.task->GetLayerGroups();
    ASSERT_EQ(2u, g.size());
    ASSERT_EQ(1u, g[0].size());
    ASSERT_EQ(2u, g[1].size());
    EXPECT_EQ(40, g[1][0].Width);
    EXPECT_EQ(100, g[1][1].Width);
    POINT d = s->Borderings[1].GetShadowOffset(false);
    EXPECT_EQ(g[1][0].X + d.x, g[1][1].X);
    EXPECT_EQ(g[1][0].Y + d.y, g[1][1].Y);
    // Black shifted copy first (10 px), the white one (4 px), the face.
    std::vector<std::string> widths = Only(r.out->calls, {"SetLineWidth", "SetStrokeColor"});
    std::vector<std::string> expected = {"SetLineWidth 10", "SetStrokeColor 0", "SetLineWidth 4",
                                         "SetStrokeColor 16777215", "SetLineWidth 0", "SetStrokeColor 255"};
    EXPECT_EQ(expected, widths);
    EXPECT_EQ(2u, Only(r.out->calls, {"FillStroke"}).size());
}

TEST(VectorKanteloTaskTest, OpacityBlurAndGradationAreIgnoredWithoutTouchingTheSnapshot)
{
    boost::shared_ptr<CSetting> plain = Face();
    plain->Borderings[0].SetPreset(20, RGB(0, 200, 0), 100, 0, 120, 0);
    plain->UseBorderings[0] = 1;
    boost::shared_ptr<CSetting> soft = boost::make_shared<CSetting>(*plain);
    soft->Borderings[0].Blur = 80;
    soft->Borderings[0].Alpha = 40;
    soft->Borderings[3].Blur = 50;  // a row that is switched off
    soft->PaintSetting.Type = PaintType::LINEAR;  // drawn in its solid colour
    CRun a = RenderVector(plain, L"字");
    CRun b = RenderVector(soft, L"字");
    ASSERT_FALSE(b.task->HasError()) << Narrow(b.task->Err.message);
    EXPECT_EQ(a.out->calls, b.out->calls);
    // The snapshot is the job's, shared by all its tasks: it stays as it was.
    EXPECT_EQ(80, soft->Borderings[0].Blur);
    EXPECT_EQ(40, soft->Borderings[0].Alpha);
    EXPECT_EQ(50, soft->Borderings[3].Blur);
    EXPECT_EQ(100, b.task->GetLayout().Layers[1].Alpha);
    EXPECT_EQ(0, b.task->GetLayout().Layers[1].Blur);
    EXPECT_EQ(1, std::count(b.out->calls.begin(), b.out->calls.end(), std::string("SetFillColor 255")));
}

TEST(VectorKanteloTaskTest, PageSizeWithoutAndWithTrimming)
{
    boost::shared_ptr<CSetting> s = Face(L"DejaVu Sans");
    s->Borderings[0].SetPreset(50, RGB(0, 0, 0), 100, 0, 120, 0);
    s->UseBorderings[0] = 1;
    s->TrimType = 0;
    CRun whole = RenderVector(s, L"ace");
    ASSERT_FALSE(whole.task->HasError());
    const CKanteloTask& t = *whole.task;
    const RECT& m = t.GetLayout().TotalMargins;
    std::vector<double> page = Args(Only(whole.out->calls, {"BeginPage"}).at(0));
    EXPECT_FLOAT_EQ((t.GetLayout().TextWidth + m.left + m.right) / 10.0f, static_cast<float>(page[0]));
    EXPECT_FLOAT_EQ((t.GetLayout().TextHeight + m.top + m.bottom) / 10.0f, static_cast<float>(page[1]));
    EXPECT_EQ(0.0f, whole.task->GetBounds().X);

    s->TrimType = 15;
    CRun trimmed = RenderVector(s, L"ace");
    const CBoxF& b = trimmed.task->GetLayerBounds();
    std::vector<double> cut = Args(Only(trimmed.out->calls, {"BeginPage"}).at(0));
    // The page's size is written with a few decimals: which digits it drops depends on the face.
    EXPECT_NEAR(b.Width, cut[0], 1e-3);
    EXPECT_NEAR(b.Height, cut[1], 1e-3);
    EXPECT_FLOAT_EQ(-b.X, trimmed.task->GetBounds().X);
    // The layer box is the text box widened by the outline: 5 px each side.
    const CBoxF& tb = trimmed.task->GetTextBounds();
    EXPECT_NEAR(tb.Width + 10, b.Width, 1e-3);
    EXPECT_LT(cut[1], page[1]);
    // Trimming the top only keeps the bottom margin.
    s->TrimType = 2;
    CRun top = RenderVector(s, L"ace");
    std::vector<double> topPage = Args(Only(top.out->calls, {"BeginPage"}).at(0));
    EXPECT_NEAR(page[1] - top.task->GetLayerBounds().Y, topPage[1], 1e-3);
}

TEST(VectorKanteloTaskTest, VerticalTextIsTurnedOnThePage)
{
    boost::shared_ptr<CSetting> s = Face(L"@IPAGothic");
    s->TrimType = 0;
    CRun r = RenderVector(s, L"縦書き");
    ASSERT_FALSE(r.task->HasError()) << Narrow(r.task->Err.message);
    const CBoxF& bounds = r.task->GetBounds();
    std::vector<double> page = Args(Only(r.out->calls, {"BeginPage"}).at(0));
    EXPECT_FLOAT_EQ(bounds.Height, static_cast<float>(page[0]));
    EXPECT_FLOAT_EQ(bounds.Width, static_cast<float>(page[1]));
    EXPECT_GT(page[1], 2 * page[0]) << "a page taller than wide";
    std::vector<double> t = Args(Only(r.out->calls, {"SetTransform"}).at(0));
    std::vector<double> expected = {0, -1, 1, 0, bounds.Height, 0, 1};
    ASSERT_EQ(7u, t.size());
    for (int i = 0; i < 7; ++i)
        EXPECT_NEAR(expected[i], t[i], 1e-4) << i;
}

// Told to stop while it measures the glyphs or while it draws them, the task
// ends at the next character: the page and the document stay unended (no
// file is written), no image, and a stop is no error.
TEST(VectorKanteloTaskTest, AStopEndsTheTaskAtTheNextCharacter)
{
    boost::shared_ptr<CSetting> s = Face();
    s->Borderings[0].SetPreset(20, RGB(0, 200, 0), 100, 0, 120, 0);
    s->UseBorderings[0] = 1;
    struct CStopAtAsk : CTerminable {
        int asks = 0, stopAt = 0;
        bool IsTerminated() override { return ++asks >= stopAt; }
    };
    // 30 characters measured, then drawn once per outline copy (two).
    for (int at : {1, 20, 31, 70, 90}) {
        CStopAtAsk stop;
        stop.stopAt = at;
        CRun r = RenderVector(s, std::wstring(30, L'\u5B57'), &stop);
        EXPECT_EQ(at, stop.asks) << "asked on after the stop";
        EXPECT_FALSE(r.task->HasError()) << at << ": " << Narrow(r.task->Err.message);
        EXPECT_FALSE(r.task->GetResultImage()) << at;
        EXPECT_TRUE(Only(r.out->calls, {"EndPage", "EndDocument"}).empty()) << at;
    }
    CStopAtAsk never;
    never.stopAt = 1000;
    CRun whole = RenderVector(s, std::wstring(30, L'\u5B57'), &never);
    EXPECT_EQ(90, never.asks);
    EXPECT_EQ(1u, Only(whole.out->calls, {"EndDocument"}).size());
}

TEST(VectorKanteloTaskTest, UnitsThatDrawNothing)
{
    // A page whose document surely cannot hold it (the test limit stands
    // for the address space) is refused before anything is drawn.
    struct Case {
        const wchar_t* text;
        UINT trim;
        UINT id;
        size_t glyphMoves;
        long long memory;
    } cases[] = {{L"", 15, IDS_TEXT_EMPTY, 0, -1}, {L"\n\n", 15, IDS_OUTPUT_SIZE_ZERO, 0, -1}, {L"\n\n", 0, IDS_OUTPUT_SIZE_ZERO, 0, -1}, {L"   ", 15, 0, 0, -1},
                 {L" x ", 15, 0, 1, -1}, {L" x ", 15, IDS_OUTPUT_TOO_LARGE_FOR_MEMORY, 0, 200LL << 20}};
    for (const Case& c : cases) {
        boost::shared_ptr<CSetting> s = Face(L"DejaVu Sans");
        s->TrimType = c.trim;
        s->SaveFormat.Type = OutputType::PDF;
        SetDocumentMemoryForTest(c.memory);
        CRun r = RenderVector(s, c.text);
        SetDocumentMemoryForTest(-1);
        EXPECT_EQ(c.id, r.task->Err.id) << Narrow(c.text) << " " << Narrow(r.task->Err.message);
        if (c.id != 0) {
            EXPECT_TRUE(r.out->calls.empty()) << "nothing is written after an error";
            continue;
        }
        // Blanks make no drawing call at all; they still give the page its size.
        EXPECT_GE(Only(r.out->calls, {"MoveTo"}).size(), c.glyphMoves);
        EXPECT_EQ(c.glyphMoves == 0, Only(r.out->calls, {"MoveTo", "Fill", "FillStroke"}).empty());
        EXPECT_GT(r.task->GetBounds().Width, 0.0f);
    }
}

// A drawing call that fails for want of memory (a metafile's record, a
// bitmap, a GDI+ path) is refused as too large, with the file and the unit;
// another failure is its own. So is a preview page whose bitmap the address
// space has no block for (every block of 16 MB taken; the page needs 18 MB).
TEST(VectorKanteloTaskTest, ACallFailingForWantOfMemoryIsNamedTooLarge)
{
    struct CFailingMove : CRecordingRenderer {
        HRESULT code = 0;
        void MoveTo(double, double) override { throw my::CException(IDS_MOVE_TO_FAILED, code); }
    };
    for (const HRESULT code : {E_OUTOFMEMORY, HResultFromWin32(ERROR_NOT_ENOUGH_MEMORY), E_INVALIDARG}) {
        boost::shared_ptr<CVectorKanteloTask> task(new CVectorKanteloTask);
        task->Init(nullptr);
        task->No = 2;
        task->SetSetting(Face());
        task->Text = L"字";
        task->Path = L"C:\\out.emf";
        boost::shared_ptr<CFailingMove> out(new CFailingMove);
        out->code = code;
        task->SetRenderer(out);
        task->Execute();
        const std::wstring expected = code == E_INVALIDARG
                                          ? my::CException(IDS_MOVE_TO_FAILED, code).message
                                          : CSimpleErr::Format(IDS_OUTPUT_TOO_LARGE_FOR_MEMORY, L"C:\\out.emf", L"3", L"字");
        EXPECT_EQ(Narrow(expected), Narrow(task->Err.message)) << code;
    }
    std::vector<void*> taken;
    for (void* block; (block = VirtualAlloc(nullptr, 16 << 20, MEM_RESERVE, PAGE_NOACCESS));)
        taken.push_back(block);
    CRun r = RenderVector(MakeSetting(L"IPAGothic", SHIFTJIS_CHARSET, 10000), L"字字字字字");
    for (void* block : taken) VirtualFree(block, 0, MEM_RELEASE);
    EXPECT_EQ(Narrow(CSimpleErr::Format(IDS_OUTPUT_TOO_LARGE_FOR_MEMORY, L"C:\\out.pdf", L"0", L"字字字字字")), Narrow(r.task->Err.message));
    for (const int step : {1, 2}) {  // GDI+ failing to wrap its pixels or make its graphics, whatever the status
        Gdiplus::SetPageFailureForTest(step);
        r = RenderVector(Face(), L"字字字字字");
        Gdiplus::SetPageFailureForTest(0);
        EXPECT_EQ(Narrow(CSimpleErr::Format(IDS_OUTPUT_TOO_LARGE_FOR_MEMORY, L"C:\\out.pdf", L"0", L"字字字字字")), Narrow(r.task->Err.message));
    }
}

TEST(VectorLayerGroupsTest, ShadowsJoinTheGroupBeforeThem)
{
    std::vector<CBorderingSetting> layers(4);
    layers[0].Alpha = 70;
    layers[0].Paint.Color = 1;
    layers[1].SetPreset(10, 2, 100, 0, 120, 100);  // shadow (49, 87)
    layers[2].SetPreset(20, 3, 100, 0, 120, 0);
    layers[3].SetPreset(5, 4, 100, 0, 0, 30);      // shadow (-30, 0)
    std::vector<CVectorLayerGroup> g = BuildVectorLayerGroups(layers, RECT{7, 8, 0, 0}, false);
    ASSERT_EQ(2u, g.size());
    ASSERT_EQ(2u, g[0].size());
    EXPECT_EQ(7, g[0][0].X);
    EXPECT_EQ(70, g[0][0].Alpha);
    EXPECT_EQ(7 + 49, g[0][1].X);
    EXPECT_EQ(8 + 87, g[0][1].Y);
    EXPECT_EQ(20, g[0][1].Width);
    ASSERT_EQ(4u, g[1].size());
    EXPECT_EQ(40, g[1][0].Width);
    EXPECT_EQ(60, g[1][1].Width);
    EXPECT_EQ(50, g[1][2].Width);
    EXPECT_EQ(7 - 30, g[1][2].X);
    EXPECT_EQ(4u, g[1][3].Color);
    EXPECT_EQ(7 + 49 - 30, g[1][3].X);
}

} // namespace

namespace {

TEST(VectorKanteloTaskTest, PreviewImageComesFromTheSameCalls)
{
    struct Case {
        const wchar_t* face;
        bool vertical;
    } cases[] = {{L"IPAGothic", false}, {L"@IPAGothic", true}};
    for (const Case& c : cases) {
        boost::shared_ptr<CSetting> s = Face(c.face);
        s->Borderings[0].SetPreset(30, RGB(0, 0, 255), 40, 60, 120, 0);
        s->UseBorderings[0] = 1;
        boost::shared_ptr<CVectorKanteloTask> t(new CVectorKanteloTask);
        t->Init(nullptr);
        t->SetSetting(s);
        t->Text = L"縁取り";
        t->Execute();  // a preview: no output renderer, no path
        ASSERT_FALSE(t->HasError()) << Narrow(t->Err.message);
        ASSERT_TRUE(t->GetResultImage());
        const CDib& img = *t->GetResultImage();
        WriteDibAsBmp(img, TestOutputPath(c.vertical ? L"vector-preview-vertical.bmp" : L"vector-preview.bmp"));
        const CBoxF& b = t->GetBounds();
        EXPECT_EQ(static_cast<LONG>(std::ceil(c.vertical ? b.Height : b.Width)), img.GetWidth());
        EXPECT_EQ(static_cast<LONG>(std::ceil(c.vertical ? b.Width : b.Height)), img.GetAbsHeight());
        int red = 0, blue = 0;
        for (int y = 0; y < img.GetAbsHeight(); ++y)
            for (int x = 0; x < img.GetWidth(); ++x) {
                const BYTE* p = PixelAt(img, x, y);
                red += p[3] == 255 && p[2] > 200 && p[0] < 60;
                blue += p[3] == 255 && p[0] > 200 && p[2] < 60;  // opaque: vector output has no opacity
            }
        EXPECT_GT(red, 200);
        EXPECT_GT(blue, 100);
    }
}

// The preview is anti-aliased by pixel area as the raster pipeline is: the
// same unit drawn both ways gives the same alpha, within what separates an
// exact area from a 10 x 10 area average (the raster's digital disc also
// reaches about a twentieth of a pixel further). A shift of half a pixel
// would differ by half the edge's range on every edge pixel.
TEST(VectorKanteloTaskTest, PreviewAlphaMatchesTheRasterImage)
{
    for (int size : {0, 40}) {
        boost::shared_ptr<CSetting> s = Face();
        s->Borderings[0].SetPreset(size, RGB(0, 0, 255), 100, 0, 0, 0);
        s->UseBorderings[0] = size > 0;
        boost::shared_ptr<CKanteloTask> raster = MakeTask(s, L"縁a");
        raster->Execute();
        boost::shared_ptr<CVectorKanteloTask> vector(new CVectorKanteloTask);
        vector->Init(nullptr);
        vector->SetSetting(s);
        vector->Text = L"縁a";
        vector->Execute();
        ASSERT_FALSE(raster->HasError() || vector->HasError());
        const CDib& a = *raster->GetResultImage();
        const CDib& b = *vector->GetResultImage();
        ASSERT_EQ(a.GetWidth(), b.GetWidth());
        ASSERT_EQ(a.GetAbsHeight(), b.GetAbsHeight());
        int worst = 0, levels[256] = {}, edge = 0;
        long long total = 0;
        for (int y = 0; y < a.GetAbsHeight(); ++y)
            for (int x = 0; x < a.GetWidth(); ++x) {
                const int d = std::abs(AlphaAt(a, x, y) - AlphaAt(b, x, y));
                worst = std::max(worst, d);
                total += d;
                const BYTE v = AlphaAt(b, x, y);
                edge += v > 0 && v < 255;
                levels[v] = 1;
            }
        EXPECT_LE(worst, 72) << size;
        EXPECT_LT(total, edge * 16LL) << size;
        EXPECT_GT(std::count(levels + 1, levels + 255, 1), 20) << size;
    }
}

// A page too large for a preview at full size is drawn scaled down, whole.
TEST(VectorKanteloTaskTest, HugePagesGiveAScaledPreview)
{
    boost::shared_ptr<CSetting> s = Face();
    for (int i = 0; i < 5; ++i) {
        s->Borderings[i].SetPreset(10000, RGB(0, 50 * i, 255), 100, 0, 0, 0);
        s->UseBorderings[i] = 1;
    }
    s->Transparent = false;
    s->BkColor = RGB(0, 255, 0);
    CRun r = RenderVector(s, L"縁a");
    ASSERT_FALSE(r.task->HasError()) << Narrow(r.task->Err.message);
    const CBoxF& page = r.task->GetBounds();
    EXPECT_GT(page.Width * page.Height, 4 * kMaxPreviewPixels);
    const CDib& img = *r.task->GetResultImage();
    const double pixels = static_cast<double>(img.GetWidth()) * img.GetAbsHeight();
    EXPECT_LE(pixels, kMaxPreviewPixels * 1.01);
    EXPECT_GT(pixels, kMaxPreviewPixels * 0.99);
    EXPECT_NEAR(page.Width / page.Height, static_cast<double>(img.GetWidth()) / img.GetAbsHeight(), 0.01);
    // The outermost decoration reaches the corners' neighbourhood, the face
    // sits in the middle: the scale applies to the strokes too.
    const int cx = img.GetWidth() / 2, cy = img.GetAbsHeight() / 2;
    bool red = false;
    for (int y = cy - 30; y < cy + 30 && !red; ++y)
        for (int x = cx - 30; x < cx + 30 && !red; ++x)
            red = PixelAt(img, x, y)[2] > 200 && PixelAt(img, x, y)[1] < 50;
    EXPECT_TRUE(red);
    EXPECT_EQ(255, PixelAt(img, img.GetWidth() / 20, cy)[0]);   // blue of the outermost layer
    EXPECT_EQ(200, PixelAt(img, img.GetWidth() / 20, cy)[1]);
}

} // namespace
