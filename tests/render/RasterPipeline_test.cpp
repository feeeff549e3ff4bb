// The raster pipeline end to end, without a window: what the image of a unit
// holds, and the errors of units that draw nothing.
#include "render/RasterEffects.h"
#include "imaging/GdiPlusBitmap.h"
#include "imaging/ImageSaver.h"
#include "imaging/PixelOps.h"
#include "resources/strings_engine.h"
#include "resources/strings_imaging.h"
#include "tests/common/TestSupport.h"
#include "tests/render/PaintLayerOracle.h"
#include "tests/render/TaskTestSupport.h"
#include <gtest/gtest.h>
#include <cmath>
#include <cstring>
#include <atomic>
#include <functional>
#include <random>
#include <thread>

namespace {

// The row with the most opaque pixels.
int FullestRow(const CDib& img)
{
    int best = 0, bestCount = -1;
    for (int y = 0; y < img.GetAbsHeight(); ++y) {
        int n = 0;
        for (int x = 0; x < img.GetWidth(); ++x)
            n += AlphaAt(img, x, y) == 255;
        if (n > bestCount) {
            bestCount = n;
            best = y;
        }
    }
    return best;
}

// The first and the last opaque pixel of row y; -1 when there is none.
void OpaqueEnds(const CDib& img, int y, int& firstX, int& lastX)
{
    firstX = lastX = -1;
    for (int x = 0; x < img.GetWidth(); ++x)
        if (AlphaAt(img, x, y) == 255) {
            if (firstX < 0)
                firstX = x;
            lastX = x;
        }
}

boost::shared_ptr<CKanteloTask> Render(const boost::shared_ptr<CSetting>& s, const std::wstring& text)
{
    boost::shared_ptr<CKanteloTask> t = MakeTask(s, text);
    t->Execute();
    return t;
}

bool NearColor(const BYTE* p, COLORREF c, int tolerance)
{
    return std::abs(p[2] - GetRValue(c)) <= tolerance && std::abs(p[1] - GetGValue(c)) <= tolerance &&
           std::abs(p[0] - GetBValue(c)) <= tolerance;
}

TEST(RasterPipelineTest, FirstStartPresetsOnALine)
{
    boost::shared_ptr<CSetting> s = MakeSetting(L"IPAGothic", SHIFTJIS_CHARSET, 300);
    UseFirstStartPresets(*s);
    boost::shared_ptr<CKanteloTask> t = Render(s, L"縁取り文字テスト");
    ASSERT_FALSE(t->HasError()) << Narrow(t->Err.message);
    const CDib& img = *t->GetResultImage();
    WriteDibAsBmp(img, TestOutputPath(L"presets-transparent.bmp"));
    EXPECT_EQ(32, img.GetBitCount());
    // Eight 30-pixel glyphs and margins of 2 + 2 + 2 + 0.1 pixels (glow and
    // shadow blurred by 2 more, the shadow 2 pixels away).
    EXPECT_NEAR(8 * 30 + 2 * 8, img.GetWidth(), 12);
    EXPECT_NEAR(30 + 2 * 8, img.GetAbsHeight(), 8);
    CAlphaStats st = MeasureAlpha(img);
    EXPECT_GT(st.opaque, 1000);
    EXPECT_GT(st.partial, 300) << "the reduction from ten times must anti-alias the edges";
    // Transparent background: the corners stay clear; the face colour is on top.
    EXPECT_EQ(0, AlphaAt(img, 0, 0));
    EXPECT_EQ(0, AlphaAt(img, img.GetWidth() - 1, 0));
    int faceColoured = 0;
    for (int y = 0; y < img.GetAbsHeight(); ++y)
        for (int x = 0; x < img.GetWidth(); ++x)
            faceColoured += AlphaAt(img, x, y) == 255 && NearColor(PixelAt(img, x, y), RGB(224, 48, 48), 2);
    EXPECT_GT(faceColoured, 500);
    // With the background on, every pixel is opaque and the corner has its colour.
    s->Transparent = false;
    s->BkColor = RGB(10, 200, 30);
    boost::shared_ptr<CKanteloTask> bg = Render(s, L"縁取り文字テスト");
    ASSERT_FALSE(bg->HasError());
    const CDib& flat = *bg->GetResultImage();
    EXPECT_EQ(static_cast<int>(img.GetWidth() * img.GetAbsHeight()), MeasureAlpha(flat).opaque);
    EXPECT_TRUE(NearColor(PixelAt(flat, 0, 0), RGB(10, 200, 30), 0));
    WriteDibAsBmp(flat, TestOutputPath(L"presets-background.bmp"));
}

TEST(RasterPipelineTest, EdgesAreAntiAliasedWithoutAnyBlur)
{
    // No decoration blurs here: every partial alpha comes from the reduction
    // of the hard-edged ten-times cells, and lies on an edge of the shape.
    boost::shared_ptr<CSetting> s = MakeSetting(L"DejaVu Sans", ANSI_CHARSET, 400);
    for (bool outlined : {false, true}) {
        s->Borderings[0].SetPreset(20, RGB(255, 255, 255), 100, 0, 120, 0);
        s->UseBorderings[0] = outlined;
        boost::shared_ptr<CKanteloTask> t = Render(s, L"AVo");
        ASSERT_FALSE(t->HasError()) << Narrow(t->Err.message);
        const CDib& img = *t->GetResultImage();
        CAlphaStats st = MeasureAlpha(img);
        EXPECT_GT(st.partial, 60) << "outlined " << outlined;
        int inner = 0;
        for (int y = 1; y + 1 < img.GetAbsHeight(); ++y)
            for (int x = 1; x + 1 < img.GetWidth(); ++x) {
                BYTE a = AlphaAt(img, x, y);
                if (a == 0 || a == 255)
                    continue;
                bool edge = false;
                for (int j = -1; j <= 1; ++j)
                    for (int i = -1; i <= 1; ++i)
                        edge |= AlphaAt(img, x + i, y + j) == 0 || AlphaAt(img, x + i, y + j) == 255;
                inner += !edge;
            }
        EXPECT_LT(inner, st.partial / 10) << "partial pixels lie along the edges";
    }
}

TEST(RasterPipelineTest, TrimCutsTheTransparentMargins)
{
    boost::shared_ptr<CSetting> s = MakeSetting(L"DejaVu Sans", ANSI_CHARSET, 400);
    s->Borderings[0].SetPreset(30, 0, 100, 0, 120, 0);
    s->UseBorderings[0] = 1;
    boost::shared_ptr<CKanteloTask> whole = Render(s, L"x");
    s->TrimType = 15;
    boost::shared_ptr<CKanteloTask> trimmed = Render(s, L"x");
    ASSERT_FALSE(whole->HasError());
    ASSERT_FALSE(trimmed->HasError());
    CAlphaStats st = MeasureAlpha(*whole->GetResultImage());
    EXPECT_EQ(st.box.right - st.box.left, trimmed->GetResultImage()->GetWidth());
    EXPECT_EQ(st.box.bottom - st.box.top, trimmed->GetResultImage()->GetAbsHeight());
    EXPECT_LT(trimmed->GetResultImage()->GetAbsHeight(), whole->GetResultImage()->GetAbsHeight());
}

TEST(RasterPipelineTest, VerticalTextIsTurnedAQuarter)
{
    boost::shared_ptr<CSetting> s = MakeSetting(L"@IPAGothic", SHIFTJIS_CHARSET, 300);
    s->Borderings[0].SetPreset(20, RGB(255, 255, 255), 100, 0, 120, 0);
    s->UseBorderings[0] = 1;
    boost::shared_ptr<CKanteloTask> v = Render(s, L"縦書きテスト");
    ASSERT_FALSE(v->HasError()) << Narrow(v->Err.message);
    s->FontSetting.FontFace = L"IPAGothic";
    boost::shared_ptr<CKanteloTask> h = Render(s, L"縦書きテスト");
    ASSERT_FALSE(h->HasError());
    const CDib& vi = *v->GetResultImage();
    WriteDibAsBmp(vi, TestOutputPath(L"vertical.bmp"));
    // The laid-out line is turned: as tall as the horizontal one is wide.
    EXPECT_GT(vi.GetAbsHeight(), 4 * vi.GetWidth());
    EXPECT_EQ(v->GetImageWidth(), vi.GetAbsHeight());
    EXPECT_EQ(v->GetImageHeight(), vi.GetWidth());
    EXPECT_NEAR(h->GetResultImage()->GetWidth(), vi.GetAbsHeight(), 4);
    // Every glyph lands inside its cell: as much ink as the horizontal line
    // (Wine returns the outlines of a vertical face unshifted).
    const double inkV = MeasureAlpha(vi).opaque, inkH = MeasureAlpha(*h->GetResultImage()).opaque;
    EXPECT_NEAR(inkH, inkV, inkH * 0.1);
}

TEST(RasterPipelineTest, GradationRunsAlongTheLine)
{
    boost::shared_ptr<CSetting> s = MakeSetting(L"IPAGothic", SHIFTJIS_CHARSET, 400);
    s->PaintSetting.Type = PaintType::LINEAR;
    CLinearGradation& g = s->PaintSetting.LinearGradation;
    g.Angle = 180;  // from the left (t = 0) to the right
    g.Unit = TextUnit::LINE;
    g.Stops.assign(2, CColorPosSetting());
    g.Stops[0].Set(true, RGB(255, 0, 0), 0.0);
    g.Stops[1].Set(true, RGB(0, 0, 255), 1.0);
    boost::shared_ptr<CKanteloTask> t = Render(s, L"一一一一一一");
    ASSERT_FALSE(t->HasError()) << Narrow(t->Err.message);
    const CDib& img = *t->GetResultImage();
    WriteDibAsBmp(img, TestOutputPath(L"gradation.bmp"));
    // The row through the horizontal strokes, from left to right: red falls, blue rises.
    const int y = FullestRow(img);
    int firstX, lastX;
    OpaqueEnds(img, y, firstX, lastX);
    ASSERT_LT(firstX + 10, lastX);
    const BYTE* left = PixelAt(img, firstX, y);
    const BYTE* right = PixelAt(img, lastX, y);
    EXPECT_GT(left[2], 220);
    EXPECT_LT(left[0], 35);
    EXPECT_LT(right[2], 35);
    EXPECT_GT(right[0], 220);
    // Unit CHAR limited by the output unit: a line cut into characters
    // restarts the gradation at every character.
    g.Unit = TextUnit::CHAR;
    boost::shared_ptr<CKanteloTask> c = Render(s, L"一一一一一一");
    const CDib& ci = *c->GetResultImage();
    int redStarts = 0;
    bool wasBlue = true;
    for (int x = 0; x < ci.GetWidth(); ++x) {
        if (AlphaAt(ci, x, y) != 255)
            continue;
        const BYTE* p = PixelAt(ci, x, y);
        if (wasBlue && p[2] > 180)
            ++redStarts;
        wasBlue = p[0] > p[2];
    }
    EXPECT_EQ(6, redStarts);
}

TEST(RasterPipelineTest, ALayerAfterAShadowGrowsFromBoth)
{
    // Face red, then a blue shadow 3 pixels to the right (Angle 180), then a
    // green outline of 1 pixel grown from the face and the shadow together.
    boost::shared_ptr<CSetting> s = MakeSetting(L"DejaVu Sans", ANSI_CHARSET, 400);
    s->PaintSetting.Color = RGB(255, 0, 0);
    s->Borderings[0].SetPreset(0, RGB(0, 0, 255), 100, 0, 180, 30);
    s->Borderings[1].SetPreset(10, RGB(0, 255, 0), 100, 0, 120, 0);
    s->UseBorderings[0] = s->UseBorderings[1] = 1;
    boost::shared_ptr<CKanteloTask> t = Render(s, L"l");
    ASSERT_FALSE(t->HasError()) << Narrow(t->Err.message);
    const CDib& img = *t->GetResultImage();
    WriteDibAsBmp(img, TestOutputPath(L"shadow-union.bmp"));
    const int y = img.GetAbsHeight() / 2;
    // Along the middle row, by the strongest channel: green, red (face), blue
    // (shadow), green.
    std::string runs;
    for (int x = 0; x < img.GetWidth(); ++x) {
        const BYTE* p = PixelAt(img, x, y);
        if (p[3] < 128)
            continue;
        char c = p[2] >= p[1] && p[2] >= p[0] ? 'R' : p[1] >= p[0] ? 'G' : 'B';
        if (runs.empty() || runs.back() != c)
            runs += c;
    }
    EXPECT_EQ("GRBG", runs);
}

TEST(RasterPipelineTest, UnitRectanglesOfCharactersLinesAndParagraphs)
{
    boost::shared_ptr<CSetting> s = MakeSetting(L"DejaVu Sans", ANSI_CHARSET, 300);
    boost::shared_ptr<CKanteloTask> t = Render(s, L"ab c\n\nde\nf");
    ASSERT_FALSE(t->HasError());
    EXPECT_EQ(7u, t->GetLayout().CharRects.size());  // the blank has its rectangle too
    ASSERT_EQ(3u, t->GetLayout().LineRects.size());
    ASSERT_EQ(2u, t->GetLayout().ParagraphRects.size());
    const RECT& line0 = t->GetLayout().LineRects[0];
    EXPECT_EQ(t->GetLayout().CharRects[0].left, line0.left);
    EXPECT_EQ(t->GetLayout().CharRects[3].right, line0.right);
    const RECT& para1 = t->GetLayout().ParagraphRects[1];
    EXPECT_EQ(t->GetLayout().LineRects[1].top, para1.top);
    EXPECT_EQ(t->GetLayout().LineRects[2].bottom, para1.bottom);
    EXPECT_EQ(2 * 300, para1.top);  // "de" is the third line of the layout
}

// A texture file: the left half green, the right half blue.
std::wstring WriteStripeTexture(const CTempFolder& temp)
{
    boost::shared_ptr<CDib> tex;
    EXPECT_EQ(S_OK, CreateDib32(tex, 8, 8));
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
            BYTE* p = tex->GetImageRow(y) + x * 4;
            p[0] = x < 4 ? 0 : 255;
            p[1] = x < 4 ? 255 : 0;
            p[2] = 0;
            p[3] = 255;
        }
    std::wstring path = temp.File(L"stripes.bmp");
    EXPECT_TRUE(WriteDibAsBmp(*tex, path));
    return path;
}

TEST(RasterPipelineTest, TextureLayerFittedToTheLine)
{
    CTempFolder temp;
    boost::shared_ptr<CSetting> s = MakeSetting(L"IPAGothic", SHIFTJIS_CHARSET, 400);
    s->PaintSetting.Type = PaintType::TEXTURE;
    s->PaintSetting.Texture.Path = WriteStripeTexture(temp);
    s->PaintSetting.Texture.Type = ImageFitType::FIT_BOTH;
    s->PaintSetting.Texture.Unit = TextUnit::LINE;
    boost::shared_ptr<CKanteloTask> t = Render(s, L"一一一一");
    ASSERT_FALSE(t->HasError()) << Narrow(t->Err.message);
    const CDib& img = *t->GetResultImage();
    WriteDibAsBmp(img, TestOutputPath(L"texture.bmp"));
    const int y = FullestRow(img);
    int firstX, lastX;
    OpaqueEnds(img, y, firstX, lastX);
    ASSERT_LT(firstX + 10, lastX);
    EXPECT_TRUE(NearColor(PixelAt(img, firstX + 1, y), RGB(0, 255, 0), 40));
    EXPECT_TRUE(NearColor(PixelAt(img, lastX - 1, y), RGB(0, 0, 255), 40));
    // The layer keeps its shape: nothing outside the glyphs gets colour.
    EXPECT_EQ(0, AlphaAt(img, 0, 0));

    s->PaintSetting.Texture.Path = temp.File(L"missing.png");
    boost::shared_ptr<CKanteloTask> missing = Render(s, L"一");
    EXPECT_EQ(UINT(IDS_LOAD_TEXTURE_FAILED), missing->Err.id);
    EXPECT_NE(std::string::npos, Narrow(missing->Err.message).find("missing.png"));
    // A texture paint stored without a file says so.
    s->PaintSetting.Texture.Path.clear();
    EXPECT_EQ(UINT(IDS_TEXTURE_FILE_NOT_CHOSEN), Render(s, L"一")->Err.id);
}

TEST(RasterPipelineTest, TasksOfVerticalTextShareOneTurnedTexture)
{
    // The preview and a save draw at once: each turning a copy of the picture
    // they shared held the largest picture three times, past the room there is.
    CTempFolder temp;
    CPaintSetting paint;
    paint.Type = PaintType::TEXTURE;
    paint.Texture.Path = WriteStripeTexture(temp);
    CTextureSetting preview, save;
    boost::shared_ptr<const CDib> first, second;
    LoadLayerTexture(paint, true, preview, first);
    LoadLayerTexture(paint, true, save, second);
    EXPECT_EQ(first.get(), second.get());
}

TEST(RasterPipelineTest, ATextureScaledPastWhatCanBeMadeNamesTheScaleAndItsFile)
{
    // 64 x 64 pixels at 1000 x 500 is a tile of 8 GB. The message gives the
    // rates and the tile as the user set them, also when vertical text turns
    // the texture.
    CTempFolder temp;
    boost::shared_ptr<CDib> tex;
    ASSERT_EQ(S_OK, CreateDib32(tex, 64, 64));
    const std::wstring path = temp.File(L"big.bmp");
    ASSERT_TRUE(WriteDibAsBmp(*tex, path));
    for (const wchar_t* face : {L"IPAGothic", L"@IPAGothic"}) {
        boost::shared_ptr<CSetting> s = MakeSetting(face, SHIFTJIS_CHARSET, 300);
        CTextureSetting& t = s->PaintSetting.Texture;
        s->PaintSetting.Type = PaintType::TEXTURE;
        t.Path = path;
        t.Type = ImageFitType::CUSTOM_RATE;
        t.RateX = 1000;
        t.RateY = 500;
        t.SameRate = false;
        boost::shared_ptr<CKanteloTask> task = Render(s, L"一");
        EXPECT_EQ(UINT(IDS_TEXTURE_SCALE_TOO_LARGE), task->Err.id) << Narrow(face);
        EXPECT_EQ(Narrow(CSimpleErr::Format(IDS_TEXTURE_SCALE_TOO_LARGE, L"1000 x 500", L"64000", L"32000", path)),
                  Narrow(task->Err.message));
    }
}

TEST(RasterPipelineTest, PaintsKeepTheirDirectionOnVerticalText)
{
    // A gradation from red on the left to blue on the right, and a texture
    // green on the left and blue on the right, both over the whole line: on a
    // vertical line the reader sees them the same way round, across the line.
    CTempFolder temp;
    struct Case {
        UINT type;
        COLORREF left, right;
        const wchar_t* sample;
    } cases[] = {{PaintType::LINEAR, RGB(255, 0, 0), RGB(0, 0, 255), L"vertical-gradation.bmp"},
                 {PaintType::TEXTURE, RGB(0, 255, 0), RGB(0, 0, 255), L"vertical-texture.bmp"}};
    for (const Case& c : cases) {
        boost::shared_ptr<CSetting> s = MakeSetting(L"@IPAGothic", SHIFTJIS_CHARSET, 400);
        CPaintSetting& p = s->PaintSetting;
        p.Type = c.type;
        p.LinearGradation.Angle = 180;
        p.LinearGradation.Unit = TextUnit::LINE;
        p.LinearGradation.Stops.assign(2, CColorPosSetting());
        p.LinearGradation.Stops[0].Set(true, RGB(255, 0, 0), 0.0);
        p.LinearGradation.Stops[1].Set(true, RGB(0, 0, 255), 1.0);
        p.Texture.Path = WriteStripeTexture(temp);
        p.Texture.Type = ImageFitType::FIT_BOTH;
        p.Texture.Unit = TextUnit::LINE;
        boost::shared_ptr<CKanteloTask> t = Render(s, L"一一一");
        ASSERT_FALSE(t->HasError()) << Narrow(t->Err.message);
        const CDib& img = *t->GetResultImage();
        WriteDibAsBmp(img, TestOutputPath(c.sample));
        ASSERT_GT(img.GetAbsHeight(), 2 * img.GetWidth()) << "a vertical line";
        // A stroke of the upright glyph runs across the line.
        const int y = FullestRow(img);
        int firstX, lastX;
        OpaqueEnds(img, y, firstX, lastX);
        ASSERT_LT(firstX + 10, lastX);
        EXPECT_TRUE(NearColor(PixelAt(img, firstX + 1, y), c.left, 90)) << Narrow(c.sample);
        EXPECT_TRUE(NearColor(PixelAt(img, lastX - 1, y), c.right, 90)) << Narrow(c.sample);
    }
}

TEST(RasterPipelineTest, SavedPngAndJpeg)
{
    CTempFolder temp;
    struct Case {
        UINT type;
        bool transparent;
        const wchar_t* name;
        const char* magic;
        bool opaque;
    } cases[] = {
        {OutputType::PNG, true, L"t.png", "\x89PNG", false},
        {OutputType::PNG, false, L"o.png", "\x89PNG", true},
        {OutputType::JPEG, true, L"t.jpg", "\xFF\xD8", true},  // JPEG always gets the background
    };
    for (const Case& c : cases) {
        boost::shared_ptr<CSetting> s = MakeSetting(L"IPAGothic", SHIFTJIS_CHARSET, 300);
        UseFirstStartPresets(*s);
        s->SaveFormat.Type = c.type;
        s->Transparent = c.transparent;
        s->BkColor = RGB(30, 60, 200);
        boost::shared_ptr<CKanteloTask> t = MakeTask(s, L"保存テスト");
        t->Path = temp.File(c.name);
        t->m_saver = c.type == OutputType::JPEG ? CreateJpegSaver(80) : CreatePngSaver();
        ASSERT_TRUE(t->m_saver);
        t->Execute();
        ASSERT_FALSE(t->HasError()) << Narrow(t->Err.message);
        std::string bytes = ReadFileBytes(t->Path);
        ASSERT_GT(bytes.size(), 100u);
        EXPECT_EQ(0, bytes.compare(0, strlen(c.magic), c.magic)) << Narrow(c.name);
        const CDib& img = *t->GetResultImage();
        if (c.type == OutputType::PNG && c.transparent) {
            // The file holds exactly the image the task hands to the preview.
            boost::shared_ptr<CDib> back;
            ASSERT_EQ(S_OK, LoadDibFromFile(back, t->Path));
            ASSERT_EQ(img.GetWidth(), back->GetWidth());
            ASSERT_EQ(img.GetAbsHeight(), back->GetAbsHeight());
            int differing = 0;
            for (int y = 0; y < img.GetAbsHeight(); ++y)
                for (int x = 0; x < img.GetWidth(); ++x)
                    differing += AlphaAt(img, x, y) != AlphaAt(*back, x, y) ||
                                 (AlphaAt(img, x, y) != 0 && memcmp(PixelAt(img, x, y), PixelAt(*back, x, y), 3) != 0);
            EXPECT_EQ(0, differing);
        }
        if (c.opaque) {
            // The corner shows the background colour, in the image and the file.
            boost::shared_ptr<CDib> back;
            ASSERT_EQ(S_OK, LoadDibFromFile(back, t->Path));
            EXPECT_TRUE(NearColor(PixelAt(*back, 0, 0), RGB(30, 60, 200), 12)) << Narrow(c.name);
            if (img.GetBitCount() == 32) {
                EXPECT_TRUE(NearColor(PixelAt(img, 0, 0), RGB(30, 60, 200), 0)) << Narrow(c.name);
            }
        }
        if (img.GetBitCount() == 32) {
            CAlphaStats st = MeasureAlpha(img);
            EXPECT_EQ(c.opaque, st.opaque == static_cast<int>(img.GetWidth() * img.GetAbsHeight())) << Narrow(c.name);
        } else {
            EXPECT_TRUE(c.opaque) << "only an opaque image may be palettised";
        }
    }
    // A path that cannot be written is reported with the path.
    boost::shared_ptr<CSetting> s = MakeSetting(L"IPAGothic", SHIFTJIS_CHARSET, 300);
    s->SaveFormat.Type = OutputType::PNG;
    boost::shared_ptr<CKanteloTask> bad = MakeTask(s, L"x");
    bad->Path = temp.File(L"no\\such\\folder\\x.png");
    bad->m_saver = CreatePngSaver();
    bad->Execute();
    EXPECT_EQ(UINT(IDS_SAVE_IMAGE_FAILED), bad->Err.id);
    EXPECT_NE(std::string::npos, Narrow(bad->Err.message).find("folder"));
}

TEST(RasterPipelineTest, JpegSideLimitIsNamedBeforeTheDrawing)
{
    // 2,400 characters at 30 points make a line about 67,000 pixels long:
    // refused, with its size, JPEG's limit and the file, before any layer is
    // drawn (no result image), with trim off and on, across and down.
    CTempFolder temp;
    std::wstring text;
    for (int i = 0; i < 300; ++i)
        text += L"縁取り文字テスト";
    for (const wchar_t* face : {L"IPAGothic", L"@IPAGothic"})
        for (UINT trim : {0u, 15u}) {
            boost::shared_ptr<CSetting> s = MakeSetting(face, SHIFTJIS_CHARSET, 300);
            s->TrimType = trim;
            boost::shared_ptr<CKanteloTask> t = MakeTask(s, text);
            t->Path = temp.File(L"long.jpg");
            t->m_saver = CreateJpegSaver(80);
            t->Execute();
            const std::string message = Narrow(t->Err.message), at = Narrow(face) + " trim " + std::to_string(trim);
            EXPECT_EQ(UINT(IDS_JPEG_SIZE_TOO_LARGE), t->Err.id) << at << ": " << message;
            EXPECT_NE(std::string::npos, message.find("65500")) << message;
            EXPECT_NE(std::string::npos, message.find(Narrow(t->Path))) << message;
            const size_t x = message.find(" x ");
            ASSERT_NE(std::string::npos, x) << message;
            const int w = std::atoi(message.c_str() + message.rfind(' ', x - 1) + 1), h = std::atoi(message.c_str() + x + 3);
            EXPECT_GT(face[0] == L'@' ? h : w, 65500) << "the file's size, turned for vertical text: " << message;
            EXPECT_FALSE(t->GetResultImage()) << at;
            EXPECT_FALSE(FileExists(t->Path)) << at;
        }
}

// A task whose palette step answers as told, counting its calls.
class CPaletteTask : public CKanteloTask {
public:
    HRESULT answer = S_OK;
    bool real = false;
    int calls = 0;
protected:
    HRESULT ReduceResultToPalette(boost::shared_ptr<CDib>& image) override
    {
        ++calls;
        return real ? CKanteloTask::ReduceResultToPalette(image) : answer;
    }
};

TEST(RasterPipelineTest, APaletteThatCannotBeMadeKeepsTheFullImage)
{
    // An opaque PNG of a plain face: few enough colours for a palette.
    struct Case {
        bool real;
        HRESULT answer;
        int bits;
    } cases[] = {{true, S_OK, 8}, {false, E_NOTIMPL, 32}, {false, E_OUTOFMEMORY, 32}, {false, E_FAIL, 32}};
    CTempFolder temp;
    for (const Case& c : cases) {
        boost::shared_ptr<CSetting> s = MakeSetting(L"DejaVu Sans", ANSI_CHARSET, 300);
        s->Transparent = false;
        s->BkColor = RGB(250, 250, 240);
        boost::shared_ptr<CPaletteTask> t(new CPaletteTask);
        t->Init(nullptr);
        t->SetSetting(s);
        t->Text = L"Ab";
        t->Path = temp.File(L"palette.png");
        t->m_saver = CreatePngSaver();
        t->real = c.real;
        t->answer = c.answer;
        t->Execute();
        // Any failure of the reduction costs only file size, never the file.
        ASSERT_FALSE(t->HasError()) << std::hex << c.answer << ": " << Narrow(t->Err.message);
        EXPECT_EQ(1, t->calls);
        const CDib& img = *t->GetResultImage();
        EXPECT_EQ(c.bits, img.GetBitCount()) << std::hex << c.answer;
        boost::shared_ptr<CDib> back;
        ASSERT_EQ(S_OK, LoadDibFromFile(back, t->Path)) << std::hex << c.answer;
        EXPECT_EQ(img.GetWidth(), back->GetWidth());
        EXPECT_EQ(img.GetAbsHeight(), back->GetAbsHeight());
        EXPECT_EQ(static_cast<int>(back->GetWidth() * back->GetAbsHeight()), MeasureAlpha(*back).opaque);
        EXPECT_TRUE(NearColor(PixelAt(*back, 0, 0), RGB(250, 250, 240), 0));
        DeleteFileW(t->Path.c_str());
    }
    // A transparent image is never offered to the palette step.
    boost::shared_ptr<CSetting> s = MakeSetting(L"DejaVu Sans", ANSI_CHARSET, 300);
    boost::shared_ptr<CPaletteTask> t(new CPaletteTask);
    t->Init(nullptr);
    t->SetSetting(s);
    t->Text = L"Ab";
    t->m_saver = CreatePngSaver();
    t->Execute();
    EXPECT_FALSE(t->HasError());
    EXPECT_EQ(0, t->calls);
}

// A texture file of w x h pixels coloured by pixel(x, y).
std::wstring WriteTexture(const CTempFolder& temp, const wchar_t* name, int w, int h,
                          const std::function<COLORREF(int, int)>& pixel)
{
    boost::shared_ptr<CDib> tex;
    EXPECT_EQ(S_OK, CreateDib32(tex, w, h));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            BYTE* p = tex->GetImageRow(y) + x * 4;
            const COLORREF c = pixel(x, y);
            p[0] = GetBValue(c);
            p[1] = GetGValue(c);
            p[2] = GetRValue(c);
            p[3] = 255;
        }
    std::wstring path = temp.File(name);
    EXPECT_TRUE(WriteDibAsBmp(*tex, path));
    return path;
}

// Centre of the pixels for which `take` holds; false when there is none.
bool Centroid(const CDib& img, const std::function<bool(const BYTE*)>& take, double& cx, double& cy)
{
    double sx = 0, sy = 0, n = 0;
    for (int y = 0; y < img.GetAbsHeight(); ++y)
        for (int x = 0; x < img.GetWidth(); ++x)
            if (take(PixelAt(img, x, y))) {
                sx += x;
                sy += y;
                ++n;
            }
    if (n == 0)
        return false;
    cx = sx / n;
    cy = sy / n;
    return true;
}

TEST(RasterPipelineTest, AShadowFallsTheSameWayOnVerticalText)
{
    // The layout of a vertical face turns the light by 90 degrees and the
    // image then turns back: on the page the shadow falls as for a
    // horizontal line, away from the light.
    struct Case {
        int angle;
        double dx, dy;  // direction of the shadow on the page
    } cases[] = {{0, -1, 0}, {90, 0, 1}, {180, 1, 0}, {270, 0, -1}, {120, 0.5, 0.87}};
    for (const wchar_t* face : {L"IPAGothic", L"@IPAGothic"})
        for (const Case& c : cases) {
            boost::shared_ptr<CSetting> s = MakeSetting(face, SHIFTJIS_CHARSET, 400);
            s->PaintSetting.Color = RGB(255, 0, 0);
            s->Borderings[0].SetPreset(0, RGB(0, 0, 255), 100, 0, c.angle, 80);
            s->UseBorderings[0] = 1;
            boost::shared_ptr<CKanteloTask> t = Render(s, L"■");
            ASSERT_FALSE(t->HasError()) << Narrow(t->Err.message);
            const CDib& img = *t->GetResultImage();
            double rx, ry, bx, by;
            ASSERT_TRUE(Centroid(img, [](const BYTE* p) { return p[3] == 255 && p[2] > 200 && p[0] < 50; }, rx, ry));
            ASSERT_TRUE(Centroid(img, [](const BYTE* p) { return p[3] == 255 && p[0] > 200 && p[2] < 50; }, bx, by));
            const double len = std::hypot(bx - rx, by - ry);
            ASSERT_GT(len, 1.0);
            EXPECT_GT(((bx - rx) * c.dx + (by - ry) * c.dy) / len, 0.9)
                << Narrow(face) << " angle " << c.angle << ": shadow at (" << bx - rx << ", " << by - ry << ")";
        }
}

TEST(RasterPipelineTest, TrimmingOfVerticalTextActsBeforeTheTurn)
{
    // The trim sides name the sides of the laid-out line: on a vertical
    // line, left is the top of the page, top the right, right the bottom and
    // bottom the left. Trimming only cuts: what stays is the untrimmed image.
    enum { Left, Top, Right, Bottom };
    struct Case {
        const wchar_t* face;
        UINT side;
        int cut;  // the side of the image that is cut
    } cases[] = {{L"IPAGothic", TrimType::TRIM_L, Left},   {L"IPAGothic", TrimType::TRIM_T, Top},
                 {L"IPAGothic", TrimType::TRIM_R, Right},  {L"IPAGothic", TrimType::TRIM_B, Bottom},
                 {L"@IPAGothic", TrimType::TRIM_L, Top},   {L"@IPAGothic", TrimType::TRIM_T, Right},
                 {L"@IPAGothic", TrimType::TRIM_R, Bottom}, {L"@IPAGothic", TrimType::TRIM_B, Left}};
    for (const Case& c : cases) {
        boost::shared_ptr<CSetting> s = MakeSetting(c.face, SHIFTJIS_CHARSET, 400);
        // A shadow to the lower right leaves every side of the line some room.
        s->Borderings[0].SetPreset(20, RGB(0, 0, 255), 100, 0, 120, 60);
        s->UseBorderings[0] = 1;
        boost::shared_ptr<CKanteloTask> whole = Render(s, L"口口");
        s->TrimType = c.side;
        boost::shared_ptr<CKanteloTask> trimmed = Render(s, L"口口");
        ASSERT_FALSE(whole->HasError() || trimmed->HasError());
        const CDib& w = *whole->GetResultImage();
        const CDib& t = *trimmed->GetResultImage();
        const int dw = w.GetWidth() - t.GetWidth(), dh = w.GetAbsHeight() - t.GetAbsHeight();
        const bool across = c.cut == Left || c.cut == Right;
        EXPECT_GT(across ? dw : dh, 0) << Narrow(c.face) << " side " << c.side;
        EXPECT_EQ(0, across ? dh : dw) << Narrow(c.face) << " side " << c.side;
        if (dw < 0 || dh < 0)
            continue;
        const int ox = c.cut == Left ? dw : 0, oy = c.cut == Top ? dh : 0;
        int differing = 0;
        for (int y = 0; y < t.GetAbsHeight(); ++y)
            differing += memcmp(PixelAt(t, 0, y), PixelAt(w, ox, y + oy), static_cast<size_t>(t.GetWidth()) * 4) != 0;
        EXPECT_EQ(0, differing) << Narrow(c.face) << " side " << c.side;
    }
}

// Red of the pixel (x, y).
int RedAt(const CDib& img, int x, int y) { return PixelAt(img, x, y)[2]; }

TEST(RasterPipelineTest, EntireLetsFaceAndDecorationShareOnePaint)
{
    // A ramp from red at the left to blue at the right, on the face and on a
    // 10-pixel outline. Each layer runs it over its own extent, so the face
    // starts red again inside the outline; with Entire both show parts of
    // one ramp over the whole unit, which only loses red to the right.
    CTempFolder temp;
    const std::wstring ramp = WriteTexture(temp, L"ramp.bmp", 64, 4, [](int x, int) {
        return RGB(255 - x * 4, 0, x * 4);
    });
    for (UINT type : {PaintType::LINEAR, PaintType::TEXTURE})
        for (bool entire : {false, true}) {
            boost::shared_ptr<CSetting> s = MakeSetting(L"IPAGothic", SHIFTJIS_CHARSET, 400);
            CPaintSetting paint;
            paint.Type = type;
            paint.LinearGradation.Angle = 180;
            paint.LinearGradation.Unit = TextUnit::LINE;
            paint.LinearGradation.Entire = entire;
            paint.LinearGradation.Stops.assign(2, CColorPosSetting());
            paint.LinearGradation.Stops[0].Set(true, RGB(255, 0, 0), 0.0);
            paint.LinearGradation.Stops[1].Set(true, RGB(0, 0, 255), 1.0);
            paint.Texture.Path = ramp;
            paint.Texture.Type = ImageFitType::FIT_BOTH;
            paint.Texture.Unit = TextUnit::LINE;
            paint.Texture.Entire = entire;
            s->PaintSetting = paint;
            s->Borderings[0].SetPreset(100, 0, 100, 0, 120, 0);
            s->Borderings[0].Paint = paint;
            s->UseBorderings[0] = 1;
            boost::shared_ptr<CKanteloTask> t = Render(s, L"一");
            ASSERT_FALSE(t->HasError()) << Narrow(t->Err.message);
            const CDib& img = *t->GetResultImage();
            // The stroke's row: the face's first pixel is the first one that
            // differs from the outline's smooth run by more than the ramp's step.
            const int y = FullestRow(img);
            const int x0 = img.GetWidth() / 2 - 1;
            int edge = -1;  // where the face begins, seen from the middle of the stroke
            s->UseBorderings[0] = 0;
            boost::shared_ptr<CKanteloTask> bare = Render(s, L"一");
            const CDib& face = *bare->GetResultImage();
            int faceStart = -1, faceEnd;
            OpaqueEnds(face, FullestRow(face), faceStart, faceEnd);
            ASSERT_GE(faceStart, 0);
            // The bare face is laid out 10 pixels further left (no margins).
            edge = faceStart + 10;
            ASSERT_LT(edge + 2, x0);
            const int outlineRed = RedAt(img, edge - 3, y), faceRed = RedAt(img, edge + 3, y);
            if (entire)
                EXPECT_GT(outlineRed, faceRed) << "type " << type << ": one ramp";
            else
                EXPECT_LT(outlineRed, faceRed) << "type " << type << ": the face's own ramp";
        }
}

TEST(RasterPipelineTest, ParagraphGradationRunsOverItsLines)
{
    // From red at the top to blue at the bottom: a paragraph of three lines
    // shows one ramp over the three, the next paragraph starts again; by
    // line, each line shows the whole ramp.
    for (UINT unit : {TextUnit::PARAGRAPH, TextUnit::LINE}) {
        boost::shared_ptr<CSetting> s = MakeSetting(L"IPAGothic", SHIFTJIS_CHARSET, 400);
        s->Unit = TextUnit::PARAGRAPH;
        CLinearGradation& g = s->PaintSetting.LinearGradation;
        s->PaintSetting.Type = PaintType::LINEAR;
        g.Angle = 90;
        g.Unit = unit;
        g.Stops.assign(2, CColorPosSetting());
        g.Stops[0].Set(true, RGB(255, 0, 0), 0.0);
        g.Stops[1].Set(true, RGB(0, 0, 255), 1.0);
        boost::shared_ptr<CKanteloTask> t = Render(s, L"一一\n一一\n一一\n\n一一");
        ASSERT_FALSE(t->HasError()) << Narrow(t->Err.message);
        const CDib& img = *t->GetResultImage();
        WriteDibAsBmp(img, TestOutputPath(unit == TextUnit::PARAGRAPH ? L"paragraph-gradation.bmp"
                                                                      : L"line-gradation.bmp"));
        // The red of the middle of each line's first stroke, top to bottom.
        std::vector<int> reds;
        int runStart = -1;
        for (int y = 0; y <= img.GetAbsHeight(); ++y) {
            bool ink = false;
            if (y < img.GetAbsHeight())
                for (int x = 0; x < img.GetWidth() && !ink; ++x)
                    ink = AlphaAt(img, x, y) == 255;
            if (ink && runStart < 0)
                runStart = y;
            if (!ink && runStart >= 0) {
                const int mid = (runStart + y - 1) / 2;
                int first, last;
                OpaqueEnds(img, mid, first, last);
                reds.push_back(RedAt(img, first + 4, mid));
                runStart = -1;
            }
        }
        ASSERT_EQ(4u, reds.size());
        if (unit == TextUnit::PARAGRAPH) {
            EXPECT_GT(reds[0], reds[1] + 40);
            EXPECT_GT(reds[1], reds[2] + 40);
            EXPECT_GT(reds[3], reds[2] + 40) << "a new paragraph starts the ramp again";
        } else {
            for (int r : reds)
                EXPECT_NEAR(reds[0], r, 8);
        }
    }
}

// Classes of the texture's quadrant colours along a line of the image:
// G, B, R, Y, or '.' for anything else.
std::string Classes(const CDib& img, int x, int y, int dx, int dy, int count)
{
    std::string out;
    for (int i = 0; i < count; ++i, x += dx, y += dy) {
        const BYTE* p = PixelAt(img, x, y);
        const bool r = p[2] > 200, g = p[1] > 200, b = p[0] > 200;
        out += p[3] != 255 ? '.' : (g && !r && !b) ? 'G' : (b && !r && !g) ? 'B' : (r && !g && !b) ? 'R' : (r && g && !b) ? 'Y' : '.';
    }
    return out;
}

int LongestRun(const std::string& s)
{
    int best = 0, n = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        n = (i > 0 && s[i] == s[i - 1]) ? n + 1 : 1;
        best = std::max(best, n);
    }
    return best;
}

TEST(RasterPipelineTest, TextureOffsetFlipAndRateOnBothLineDirections)
{
    // Quadrants green, blue (top) and red, yellow (bottom) on an 8 x 8 image,
    // drawn twice its width: 16 x 8 pixels a tile, or 16 x 16 with the same
    // rate. A vertical line turns the texture and its settings with the
    // layout, so on the page every option acts as on a horizontal line.
    CTempFolder temp;
    const std::wstring quads = WriteTexture(temp, L"quads.bmp", 8, 8, [](int x, int y) {
        return y < 4 ? (x < 4 ? RGB(0, 255, 0) : RGB(0, 0, 255)) : (x < 4 ? RGB(255, 0, 0) : RGB(255, 255, 0));
    });
    for (const wchar_t* face : {L"IPAGothic", L"@IPAGothic"}) {
        auto render = [&](int ox, int oy, bool flip, bool sameRate) {
            boost::shared_ptr<CSetting> s = MakeSetting(face, SHIFTJIS_CHARSET, 1000);
            CTextureSetting& tex = s->PaintSetting.Texture;
            s->PaintSetting.Type = PaintType::TEXTURE;
            tex.Path = quads;
            tex.Type = ImageFitType::CUSTOM_RATE;
            tex.RateX = 2;
            tex.RateY = 1;
            tex.SameRate = sameRate;
            tex.Flip = flip;
            tex.OffsetX = ox;
            tex.OffsetY = oy;
            boost::shared_ptr<CKanteloTask> t = Render(s, L"■");
            EXPECT_FALSE(t->HasError()) << Narrow(t->Err.message);
            return t->GetResultImage();
        };
        boost::shared_ptr<CDib> plain = render(0, 0, false, false);
        ASSERT_TRUE(plain);
        CAlphaStats st = MeasureAlpha(*plain);
        // A row and a column through the middle of the square, its edges left out.
        const int left = st.box.left + 4, width = st.box.right - st.box.left - 8;
        const int top = st.box.top + 4, height = st.box.bottom - st.box.top - 8;
        const int midX = (st.box.left + st.box.right) / 2, midY = (st.box.top + st.box.bottom) / 2;
        ASSERT_GT(width, 40);
        ASSERT_GT(height, 40);
        const std::string row = Classes(*plain, left, midY, 1, 0, width);
        const std::string column = Classes(*plain, midX, top, 0, 1, height);
        const std::string where = Narrow(face) + " row " + row + " column " + column;
        EXPECT_EQ(std::string::npos, (row + column).find('.')) << where;
        EXPECT_EQ(8, LongestRun(row)) << where;
        EXPECT_EQ(4, LongestRun(column)) << where;

        // Offsets move the tiles right and down on the page.
        boost::shared_ptr<CDib> moved = render(3, 0, false, false);
        EXPECT_EQ(row.substr(0, width - 3), Classes(*moved, left + 3, midY, 1, 0, width - 3)) << where;
        moved = render(0, 3, false, false);
        EXPECT_EQ(column.substr(0, height - 3), Classes(*moved, midX, top + 3, 0, 1, height - 3)) << where;
        // Mirrored tiles meet with their like: runs twice as long.
        boost::shared_ptr<CDib> flipped = render(0, 0, true, false);
        EXPECT_EQ(16, LongestRun(Classes(*flipped, left, midY, 1, 0, width))) << where;
        EXPECT_EQ(8, LongestRun(Classes(*flipped, midX, top, 0, 1, height))) << where;
        // The same rate makes the tiles square.
        boost::shared_ptr<CDib> square = render(0, 0, false, true);
        EXPECT_EQ(8, LongestRun(Classes(*square, left, midY, 1, 0, width))) << where;
        EXPECT_EQ(8, LongestRun(Classes(*square, midX, top, 0, 1, height))) << where;
    }
}

// The image of a task run with the given number of threads.
boost::shared_ptr<CKanteloTask> RenderWith(const boost::shared_ptr<CSetting>& s, const std::wstring& text,
                                           int threads)
{
    boost::shared_ptr<CKanteloTask> t = MakeTask(s, text);
    t->SetThreadCount(threads);
    t->Execute();
    return t;
}

// Byte for byte: the size, the bits and every pixel.
::testing::AssertionResult SameImage(const CKanteloTask& a, const CKanteloTask& b)
{
    if (a.HasError() || b.HasError())
        return ::testing::AssertionFailure() << Narrow(a.Err.message) << " / " << Narrow(b.Err.message);
    const CDib& x = *a.GetResultImage();
    const CDib& y = *b.GetResultImage();
    if (x.GetWidth() != y.GetWidth() || x.GetHeight() != y.GetHeight() || x.GetBitCount() != y.GetBitCount())
        return ::testing::AssertionFailure() << "sizes " << x.GetWidth() << "x" << x.GetHeight() << " and "
                                             << y.GetWidth() << "x" << y.GetHeight();
    const size_t rowBytes = (static_cast<size_t>(x.GetWidth()) * x.GetBitCount() + 7) / 8;
    for (int row = 0; row < x.GetAbsHeight(); ++row)
        if (memcmp(x.GetImageRow(row), y.GetImageRow(row), rowBytes) != 0)
            return ::testing::AssertionFailure() << "row " << row << " differs";
    return ::testing::AssertionSuccess();
}

TEST(RasterPipelineTest, ThreadsChangeNoPixel)
{
    // Reference cases: every kind of layer and paint, both line directions,
    // trimming and the background, large enough to be shared out in bands;
    // then random small texts and decorations.
    CTempFolder temp;
    const std::wstring quads = WriteTexture(temp, L"quads.bmp", 8, 8, [](int x, int y) {
        return RGB(x * 30, 255 - y * 30, (x ^ y) * 20);
    });
    struct Case {
        const wchar_t* face;
        const wchar_t* text;
        UINT paint;
        UINT trim;
        bool transparent;
    } cases[] = {
        {L"IPAGothic", L"縁取り文字テスト\nふたつめの行", PaintType::MONO, 0, true},
        {L"@IPAGothic", L"縦書きの行\n\n次の段落", PaintType::LINEAR, TrimType::All, true},
        {L"DejaVu Sans", L"Outlined AVo\nglow & shadow", PaintType::TEXTURE, TrimType::TRIM_L | TrimType::TRIM_B, false},
        {L"IPAGothic", L"一一一\n一一一", PaintType::LINEAR, TrimType::All, false},
    };
    for (const Case& c : cases) {
        boost::shared_ptr<CSetting> s = MakeSetting(c.face, c.face[0] == L'D' ? ANSI_CHARSET : SHIFTJIS_CHARSET, 1500);
        UseFirstStartPresets(*s);
        s->Unit = TextUnit::PARAGRAPH;
        s->TrimType = c.trim;
        s->Transparent = c.transparent;
        s->BkColor = RGB(20, 40, 90);
        s->PaintSetting.Type = c.paint;
        s->PaintSetting.LinearGradation.Unit = TextUnit::PARAGRAPH;
        s->PaintSetting.Texture.Path = quads;
        s->PaintSetting.Texture.Type = ImageFitType::CUSTOM_RATE;
        s->PaintSetting.Texture.RateX = 3;
        s->Borderings[1].Paint.Type = PaintType::LINEAR;
        s->Borderings[1].Alpha = 70;
        boost::shared_ptr<CKanteloTask> one = RenderWith(s, c.text, 1);
        EXPECT_EQ(1, one->GetThreadsUsed());
        for (int threads : {2, 4}) {
            boost::shared_ptr<CKanteloTask> many = RenderWith(s, c.text, threads);
            EXPECT_TRUE(SameImage(*one, *many)) << Narrow(c.text) << ", " << threads << " threads";
        }
    }

    std::mt19937 rng(2024);
    const std::wstring pool = L"abcdefgxyzAVW019あいうえおかきくけこ縁取文字漢字テスト。、 \n";
    const wchar_t* faces[] = {L"IPAGothic", L"@IPAGothic", L"DejaVu Sans"};
    for (int round = 0; round < 12; ++round) {
        const wchar_t* face = faces[rng() % 3];
        boost::shared_ptr<CSetting> s =
            MakeSetting(face, face[0] == L'D' ? ANSI_CHARSET : SHIFTJIS_CHARSET, 100 + static_cast<int>(rng() % 400));
        s->FontSetting.CharWidth = 80 + static_cast<int>(rng() % 60);
        for (int i = 0; i < 5; ++i) {
            s->UseBorderings[i] = rng() % 2;
            s->Borderings[i].SetPreset(static_cast<int>(rng() % 60), RGB(rng() % 256, rng() % 256, rng() % 256),
                                       40 + static_cast<int>(rng() % 61), static_cast<int>(rng() % 3) * 15,
                                       static_cast<int>(rng() % 360), rng() % 3 == 0 ? static_cast<int>(rng() % 60) : 0);
        }
        s->TrimType = rng() % 16;
        std::wstring text;
        for (int n = 1 + static_cast<int>(rng() % 24); n > 0; --n)
            text += pool[rng() % pool.size()];
        boost::shared_ptr<CKanteloTask> one = RenderWith(s, text, 1);
        boost::shared_ptr<CKanteloTask> many = RenderWith(s, text, 3);
        EXPECT_EQ(one->Err.id, many->Err.id) << "round " << round;
        if (!one->HasError()) {
            EXPECT_TRUE(SameImage(*one, *many)) << "round " << round << ": " << Narrow(text);
        }
    }
}

TEST(RasterPipelineTest, TextureBandsMatchAWholeLayer)
{
    // The engine paints a texture band by band; PaintLayer paints the whole
    // layer at once. The face alone is textured (the decorations are there,
    // at no opacity, for the face's margins), so the reference is the face's
    // coverage, painted whole and laid on a clear image, turned like the
    // result. Large enough for several bands on several threads.
    CTempFolder temp;
    const std::wstring path = WriteTexture(temp, L"odd.bmp", 13, 7, [](int x, int y) {
        return RGB(x * 19, 255 - y * 31, (x ^ y) * 17);
    });
    struct Case {
        UINT type, unit;
        bool flip, entire, sameRate;
        int offsetX, offsetY;
    } cases[] = {
        {ImageFitType::FIT_WIDTH, TextUnit::CHAR, true, true, false, 3, -5},
        {ImageFitType::FIT_HEIGHT, TextUnit::LINE, false, false, true, -17, 11},
        {ImageFitType::FIT_BOTH, TextUnit::PARAGRAPH, true, false, false, 0, 7},
        {ImageFitType::CUSTOM_RATE, TextUnit::CHAR, true, false, false, -4, 9},
        {ImageFitType::CUSTOM_RATE, TextUnit::LINE, false, true, true, 0, 0},
    };
    for (const wchar_t* face : {L"IPAGothic", L"@IPAGothic"})
        for (const Case& c : cases) {
            const std::string where = Narrow(face) + " fit " + std::to_string(c.type) + " unit " +
                                      std::to_string(c.unit);
            boost::shared_ptr<CSetting> s = MakeSetting(face, SHIFTJIS_CHARSET, 1600);
            UseFirstStartPresets(*s);
            for (CBorderingSetting& b : s->Borderings)
                b.Alpha = 0;
            s->Unit = TextUnit::PARAGRAPH;
            CTextureSetting& tex = s->PaintSetting.Texture;
            tex.Path = path;
            tex.Type = c.type;
            tex.Unit = c.unit;
            tex.Flip = c.flip;
            tex.Entire = c.entire;
            tex.SameRate = c.sameRate;
            tex.RateX = 1.7;
            tex.RateY = 0.6;
            tex.OffsetX = c.offsetX;
            tex.OffsetY = c.offsetY;
            const std::wstring text = L"縁取り文字\nテスト一\n\n次の段落";
            s->PaintSetting.Type = PaintType::MONO;
            boost::shared_ptr<CKanteloTask> coverage = RenderWith(s, text, 1);
            s->PaintSetting.Type = PaintType::TEXTURE;
            boost::shared_ptr<CKanteloTask> banded = RenderWith(s, text, 4);
            ASSERT_FALSE(coverage->HasError()) << Narrow(coverage->Err.message);
            ASSERT_FALSE(banded->HasError()) << Narrow(banded->Err.message);
            ASSERT_GT(banded->GetThreadsUsed(), 1) << where;
            const int W = banded->GetImageWidth(), H = banded->GetImageHeight();
            ASSERT_GT(W * H, 1 << 18) << where << ": one band only";

            const bool vertical = s->FontSetting.IsVertical();
            boost::shared_ptr<CDib> shape = coverage->GetResultImage();
            if (vertical) {
                ASSERT_EQ(S_OK, RotateByOrientation(shape, *coverage->GetResultImage(), 8));
            }
            boost::shared_ptr<CDib> layer, reference;
            ASSERT_EQ(S_OK, CreateDib32(layer, W, H));
            ASSERT_EQ(S_OK, CreateDib32(reference, W, H));
            ASSERT_EQ(W, shape->GetWidth());
            for (int y = 0; y < H; ++y)
                for (int x = 0; x < W; ++x)
                    layer->GetImageRow(y)[x * 4 + 3] = AlphaAt(*shape, x, y);
            CPaintSetting paint = s->PaintSetting;
            paint.LimitUnit(s->Unit);
            CSimpleErr err;
            ASSERT_TRUE(PaintLayer(*layer, paint, banded->GetLayout().LayerMargins[0], banded->GetLayout(), err))
                << Narrow(err.message);
            for (int y = 0; y < H; ++y)
                CompositeRowOver(reference->GetImageRow(y), layer->GetImageRow(y), W);
            if (vertical) {
                const boost::shared_ptr<CDib> upright = reference;
                ASSERT_EQ(S_OK, RotateByOrientation(reference, *upright, 6));
            }
            const CDib& got = *banded->GetResultImage();
            ASSERT_EQ(reference->GetWidth(), got.GetWidth()) << where;
            ASSERT_EQ(reference->GetAbsHeight(), got.GetAbsHeight()) << where;
            for (int y = 0; y < got.GetAbsHeight(); ++y)
                ASSERT_EQ(0, memcmp(reference->GetImageRow(y), got.GetImageRow(y), 4 * static_cast<size_t>(W)))
                    << where << ", row " << y;
        }
}

TEST(RasterPipelineTest, ACharacterBeyondTheBasicPlaneIsOneGlyph)
{
    // DejaVu Sans has the double-struck capitals (U+1D538 among them) and
    // draws its own glyph, not the missing one that a code point it lacks
    // (U+10FFFD) gets. IPAGothic has no emoji: one missing glyph, not two.
    boost::shared_ptr<CSetting> dejavu = MakeSetting(L"DejaVu Sans", ANSI_CHARSET, 400);
    boost::shared_ptr<CKanteloTask> a = Render(dejavu, L"\U0001D538");
    boost::shared_ptr<CKanteloTask> missing = Render(dejavu, L"\U0010FFFD");
    ASSERT_FALSE(a->HasError()) << Narrow(a->Err.message);
    ASSERT_FALSE(missing->HasError()) << Narrow(missing->Err.message);
    EXPECT_EQ(1u, a->GetLayout().CharRects.size());
    EXPECT_GT(MeasureAlpha(*a->GetResultImage()).opaque, 20);
    EXPECT_FALSE(SameImage(*a, *missing)) << "the font's own glyph";
    WriteDibAsBmp(*a->GetResultImage(), TestOutputPath(L"double-struck-a.bmp"));

    boost::shared_ptr<CSetting> ipa = MakeSetting(L"IPAGothic", SHIFTJIS_CHARSET, 400);
    boost::shared_ptr<CKanteloTask> face = Render(ipa, L"\U0001F600");
    boost::shared_ptr<CKanteloTask> box = Render(ipa, L"\U0010FFFD");
    EXPECT_EQ(1u, face->GetLayout().CharRects.size());
    EXPECT_TRUE(SameImage(*face, *box));
    // A lone half of a pair stays a character of its own.
    boost::shared_ptr<CKanteloTask> lone = Render(dejavu, std::wstring(1, L'\xD835') + L"a");
    ASSERT_FALSE(lone->HasError()) << Narrow(lone->Err.message);
    EXPECT_EQ(2u, lone->GetLayout().CharRects.size());
}

class CProgressClient : public CKanteloTaskClient {
public:
    std::vector<int> done;
    int total = 0;
    int finished = 0;
    void OnProgress(int d, int t) override
    {
        done.push_back(d);
        total = t;
    }
    void OnTaskFinished(boost::shared_ptr<CKanteloTask>) override { ++finished; }
};

TEST(RasterPipelineTest, ATextTooLargeForMemoryFailsAtOnce)
{
    // 40 lines of 400 characters at 2000 pixels: tens of gigapixels. The
    // layout alone shows it, before any plane is made and before the first
    // glyph is drawn (drawing reports each character). The size is the
    // image's as it would be saved: turned for vertical text.
    for (const wchar_t* face : {L"IPAGothic", L"@IPAGothic"}) {
        boost::shared_ptr<CSetting> s = MakeSetting(face, SHIFTJIS_CHARSET, 20000);
        UseFirstStartPresets(*s);
        std::wstring text;
        for (int y = 0; y < 40; ++y)
            text += std::wstring(400, L'\u7E01') + L"\n";
        CProgressClient client;
        boost::shared_ptr<CKanteloTask> t = MakeTask(s, text);
        t->Init(&client);
        t->No = 0;
        t->Text = text;
        t->Execute();
        EXPECT_TRUE(client.done.empty()) << client.done.size() << " characters drawn";
        EXPECT_EQ(UINT(IDS_IMAGE_TOO_LARGE), t->Err.id);
        const bool turned = face[0] == L'@';
        const int w = t->GetImageWidth(), h = t->GetImageHeight();
        EXPECT_NE(std::string::npos, Narrow(t->Err.message).find(std::to_string(turned ? h : w) + " x " +
                                                                  std::to_string(turned ? w : h)))
            << Narrow(t->Err.message);
        EXPECT_FALSE(t->GetResultImage());
    }
}

TEST(RasterPipelineTest, AStopEndsTheRunPromptly)
{
    // Hundreds of different large glyphs: seconds of work, stopped at a
    // point the test chooses rather than after a time: while the glyphs are
    // drawn, and at the last glyph (the layers are then made and painted on
    // every thread). The run ends at the next check: no character is drawn
    // after the stop, no image comes out, and a stop is no error.
    boost::shared_ptr<CSetting> s = MakeSetting(L"IPAGothic", SHIFTJIS_CHARSET, 2000);
    s->Borderings[0].SetPreset(80, RGB(255, 255, 255), 100, 0, 120, 0);
    s->Borderings[1].SetPreset(80, 0, 100, 40, 120, 0);
    s->UseBorderings[0] = s->UseBorderings[1] = 1;
    std::wstring text;
    for (int i = 0; i < 600; ++i)
        text += static_cast<wchar_t>(i % 40 == 39 ? L'\n' : 0x4E00 + i * 7);
    // Says stop from the character it is told on; counts what is drawn after.
    struct CStopAt : CTerminable, CKanteloTaskClient {
        int at = 0;
        std::atomic<bool> stop{false};
        int drawnAfterStop = 0, drawn = 0;
        bool IsTerminated() override { return stop; }
        void OnProgress(int done, int) override
        {
            if (stop)
                ++drawnAfterStop;
            ++drawn;
            if (done >= at)
                stop = true;
        }
        void OnTaskFinished(boost::shared_ptr<CKanteloTask>) override {}
    };
    const int last = static_cast<int>(text.size()) - 1;
    for (int threads : {1, 4}) {
        for (int at : {20, last}) {
            SCOPED_TRACE(std::to_string(threads) + " threads, stop at " + std::to_string(at));
            CStopAt stopper;
            stopper.at = at;
            boost::shared_ptr<CKanteloTask> t = MakeTask(s, text);
            t->Init(&stopper);
            t->No = 0;
            t->Text = text;
            t->SetThreadCount(threads);
            t->SetTerminable(&stopper);
            t->Execute();
            EXPECT_TRUE(stopper.stop);
            EXPECT_EQ(0, stopper.drawnAfterStop);
            EXPECT_FALSE(t->HasError()) << "a stop is not an error";
            EXPECT_FALSE(t->GetResultImage()) << "the run ended before its end";
        }
    }
}

TEST(RasterPipelineTest, ErrorsOfUnitsThatDrawNothing)
{
    // With no ink a trim has nothing to cut to: the image stays as trim off
    // makes it (also where a texture layer trims after the paint, and for a
    // text too small to reach a pixel), rather than failing the unit.
    struct Case {
        const wchar_t* text;
        bool decorated;
        UINT trim;
        UINT id;
        bool texture;
        int size;
    } cases[] = {
        {L"", false, 0, IDS_TEXT_EMPTY},  {L"\n\n", false, 0, IDS_OUTPUT_SIZE_ZERO}, {L"   ", false, 15, 0},
        {L"   ", false, 0, 0},            {L"\n\n", true, 0, 0},                     {L"\n\n", true, 1, 0},
        {L"   ", false, 15, 0, true},     {L"xyz", false, 15, 0, false, 1},
    };
    CTempFolder temp;
    for (const Case& c : cases) {
        boost::shared_ptr<CSetting> s = MakeSetting(L"DejaVu Sans", ANSI_CHARSET, c.size ? c.size : 300);
        if (c.decorated) {
            s->Borderings[0].SetPreset(20, 0, 100, 0, 120, 0);
            s->UseBorderings[0] = 1;
        }
        if (c.texture) {
            s->PaintSetting.Type = PaintType::TEXTURE;
            s->PaintSetting.Texture.Path = WriteStripeTexture(temp);
        }
        boost::shared_ptr<CKanteloTask> untrimmed = Render(s, c.text);
        s->TrimType = c.trim;
        boost::shared_ptr<CKanteloTask> t = Render(s, c.text);
        EXPECT_EQ(c.id, t->Err.id) << Narrow(c.text) << " trim " << c.trim << ": " << Narrow(t->Err.message);
        if (c.id == 0) {
            ASSERT_TRUE(t->GetResultImage() && untrimmed->GetResultImage());
            EXPECT_EQ(0, MeasureAlpha(*t->GetResultImage()).opaque + MeasureAlpha(*t->GetResultImage()).partial)
                << "blanks draw no ink";
            EXPECT_EQ(untrimmed->GetResultImage()->GetSize().cx, t->GetResultImage()->GetSize().cx) << Narrow(c.text);
            EXPECT_EQ(untrimmed->GetResultImage()->GetSize().cy, t->GetResultImage()->GetSize().cy) << Narrow(c.text);
        }
    }
}

TEST(RasterPipelineTest, ProgressAndStop)
{
    boost::shared_ptr<CSetting> s = MakeSetting(L"DejaVu Sans", ANSI_CHARSET, 300);
    CProgressClient client;
    boost::shared_ptr<CKanteloTask> t = MakeTask(s, L"ab\ncd");
    t->Init(&client);
    t->Text = L"ab\ncd";
    t->SetSetting(s);
    t->Execute();
    EXPECT_EQ((std::vector<int>{0, 1, 2, 3, 4}), client.done);
    EXPECT_EQ(5, client.total);
    EXPECT_EQ(1, client.finished);

    struct CStop : CTerminable {
        bool IsTerminated() override { return true; }
    } stop;
    boost::shared_ptr<CKanteloTask> stopped = MakeTask(s, L"abc");
    stopped->SetTerminable(&stop);
    stopped->Execute();
    EXPECT_FALSE(stopped->HasError()) << "a stop is not an error";
    EXPECT_FALSE(stopped->GetResultImage());
}

} // namespace
