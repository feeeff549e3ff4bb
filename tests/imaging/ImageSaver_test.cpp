#include "imaging/ImageSaver.h"
#include "imaging/GdiPlusBitmap.h"
#include "imaging/JpegWriter.h"
#include "imaging/PixelOps.h"
#include "tests/common/DibTestSupport.h"
#include "tests/common/TestSupport.h"
#include "resources/strings_imaging.h"
#include <gtest/gtest.h>

using namespace Gdiplus;

namespace {

boost::shared_ptr<CDib> Pattern32(int w, int h)
{
    boost::shared_ptr<CDib> d(new CDib);
    if (!d->CreateWithInfoHeader(w, h, 32) || !d->AllocBits())
        return boost::shared_ptr<CDib>();
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint32_t alpha = static_cast<uint32_t>((x + y * w) * 255 / (w * h - 1));
            reinterpret_cast<uint32_t*>(d->GetImageRow(y))[x] =
                alpha << 24 | static_cast<uint32_t>(x * 60) << 16 | static_cast<uint32_t>(y * 50) << 8 | 0x33;
        }
    return d;
}

// The colour type byte of a PNG's IHDR chunk, and whether it has a tRNS chunk.
int PngColorType(const std::string& bytes) { return bytes.size() > 25 ? static_cast<unsigned char>(bytes[25]) : -1; }
bool PngHasChunk(const std::string& bytes, const char* type) { return bytes.find(type) != std::string::npos; }

// A loaded image against the one saved: same size and row order, the same
// alpha everywhere, the same colour wherever a pixel is visible.
void ExpectSameVisiblePixels(const CDib& want, const CDib& got)
{
    ASSERT_EQ(want.GetWidth(), got.GetWidth());
    ASSERT_EQ(want.GetAbsHeight(), got.GetAbsHeight());
    for (int y = 0; y < want.GetAbsHeight(); ++y)
        for (int x = 0; x < want.GetWidth(); ++x) {
            EXPECT_EQ(Px(want, x, y) >> 24, Px(got, x, y) >> 24) << x << "," << y;
            if ((Px(want, x, y) >> 24) != 0) {
                EXPECT_EQ(Px(want, x, y), Px(got, x, y)) << x << "," << y;
            }
        }
}

// The data of a PNG's first chunk of a type; empty when there is none.
std::string PngChunk(const std::string& bytes, const char* type)
{
    for (size_t at = 8; at + 12 <= bytes.size();) {
        const size_t length = static_cast<size_t>(static_cast<unsigned char>(bytes[at]) << 24 |
                                                  static_cast<unsigned char>(bytes[at + 1]) << 16 |
                                                  static_cast<unsigned char>(bytes[at + 2]) << 8 |
                                                  static_cast<unsigned char>(bytes[at + 3]));
        if (bytes.compare(at + 4, 4, type) == 0)
            return bytes.substr(at + 8, length);
        at += 12 + length;
    }
    return std::string();
}

std::string PhysOf(unsigned x, unsigned y)
{
    const char b[9] = {char(x >> 24), char(x >> 16), char(x >> 8), char(x),
                       char(y >> 24), char(y >> 16), char(y >> 8), char(y), 1};
    return std::string(b, 9);
}

} // namespace

TEST(ImageSaver, FlagsAndMimeLookup)
{
    struct Case { const wchar_t* mime; bool capable; bool found; } cases[] = {
        {L"image/png", true, true},
        {L"image/tiff", true, true},
        {L"image/gif", true, true},
        {L"image/jpeg", false, true},
        {L"image/bmp", false, true},
        {L"image/PNG", false, false},
        {L"text/plain", false, false},
        {L"", false, false},
    };
    for (const Case& c : cases) {
        CImageSaver saver;
        saver.m_alphaCapable = !c.capable;
        HRESULT hr = saver.SetMimeType(c.mime);
        EXPECT_EQ(c.capable, saver.m_alphaCapable) << Narrow(c.mime);
        EXPECT_EQ(c.capable, saver.m_paletteCapable) << Narrow(c.mime);
        EXPECT_EQ(c.found ? S_OK : E_FAIL, hr) << Narrow(c.mime);
        EXPECT_EQ(nullptr, saver.GetParams().GetParams());
    }
    CLSID png = {}, untouched = {};
    untouched.Data1 = 77;
    ASSERT_EQ(S_OK, FindEncoderClsid(L"image/png", &png));
    CLSID before = untouched;
    EXPECT_EQ(E_FAIL, FindEncoderClsid(L"image/none", &untouched));
    EXPECT_TRUE(IsEqualGUID(before, untouched));
    CImageSaver byConstructor(L"image/png");
    EXPECT_TRUE(IsEqualGUID(png, byConstructor.m_clsid));
}

TEST(ImageSaver, FactoriesAndParameters)
{
    boost::shared_ptr<CImageSaver> png = CreatePngSaver();
    ASSERT_TRUE(png);
    EXPECT_TRUE(png->m_alphaCapable);
    EXPECT_EQ(nullptr, png->GetParams().GetParams());
    ASSERT_TRUE(CreateTiffSaver());

    for (ULONG quality : {0ul, 80ul}) {
        boost::shared_ptr<CImageSaver> jpeg = CreateJpegSaver(quality);
        ASSERT_TRUE(jpeg);
        EXPECT_FALSE(jpeg->m_paletteCapable);
        const EncoderParameters* p = jpeg->GetParams().GetParams();
        ASSERT_NE(nullptr, p);
        EXPECT_EQ(1u, p->Count);
        EXPECT_EQ(1u, p->Parameter[0].NumberOfValues);
        EXPECT_EQ(static_cast<ULONG>(EncoderParameterValueTypeLong), p->Parameter[0].Type);
        EXPECT_EQ(quality, *static_cast<const ULONG*>(p->Parameter[0].Value));
        EXPECT_EQ(0x1d5be4b5u, p->Parameter[0].Guid.Data1);
    }

    // Values stay valid while the block grows.
    CEncodeParams params;
    EXPECT_EQ(0, params.AddQuality(10));
    EXPECT_EQ(1, params.AddParameter());
    EXPECT_EQ(2, params.AddQuality(20));
    EXPECT_EQ(3u, params.GetParams()->Count);
    EXPECT_EQ(10u, *static_cast<const ULONG*>(params.GetParams()->Parameter[0].Value));
    EXPECT_EQ(20u, *static_cast<const ULONG*>(params.GetParams()->Parameter[2].Value));
    EXPECT_EQ(nullptr, params.GetParams()->Parameter[1].Value);
}

TEST(ImageSaver, PngRoundTripKeepsStraightAlphaAndRowOrder)
{
    CTempFolder folder;
    boost::shared_ptr<CDib> dib = Pattern32(5, 4);
    ASSERT_TRUE(dib);
    boost::shared_ptr<CImageSaver> png = CreatePngSaver();
    ASSERT_TRUE(png);
    const std::wstring path = folder.File(L"round.png");
    ASSERT_EQ(S_OK, png->Save(*dib, true, path));
    EXPECT_EQ(6, PngColorType(ReadFileBytes(path)));  // RGBA

    boost::shared_ptr<CDib> back;
    ASSERT_EQ(S_OK, LoadDibFromFile(back, path));
    ASSERT_EQ(5, back->GetWidth());
    ASSERT_EQ(4, back->GetHeight());
    ExpectSameVisiblePixels(*dib, *back);
}

// Without `direct` the PNG holds what the system's copy of the DIB keeps:
// the colours, opaque. Either way the file states the bitmap's resolution,
// so that a page it is placed on shows it at its size.
TEST(ImageSaver, PngCopyPathIsOpaqueAndEveryPngHasItsResolution)
{
    CTempFolder folder;
    boost::shared_ptr<CDib> dib = Pattern32(5, 4);
    const std::wstring path = folder.File(L"copy.png");
    ASSERT_EQ(S_OK, CreatePngSaver()->Save(*dib, false, path));
    std::string bytes = ReadFileBytes(path);
    EXPECT_EQ(2, PngColorType(bytes));  // RGB
    EXPECT_EQ(PhysOf(3780, 3780), PngChunk(bytes, "pHYs"));
    boost::shared_ptr<CDib> back;
    ASSERT_EQ(S_OK, LoadDibFromFile(back, path));
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 5; ++x)
            EXPECT_EQ(Px(*dib, x, y) | 0xFF000000u, Px(*back, x, y)) << x << "," << y;

    // 300 pixels per inch, from the bitmap's header, for the direct path too.
    dib->GetHeader()->biXPelsPerMeter = 11811;
    dib->GetHeader()->biYPelsPerMeter = 5906;
    ASSERT_EQ(S_OK, CreatePngSaver()->Save(*dib, true, path));
    bytes = ReadFileBytes(path);
    EXPECT_EQ(6, PngColorType(bytes));
    EXPECT_EQ(PhysOf(11811, 5906), PngChunk(bytes, "pHYs"));
    ASSERT_EQ(S_OK, LoadDibFromFile(back, path));
    EXPECT_NEAR(11811, back->GetHeader()->biXPelsPerMeter, 1);
    EXPECT_NEAR(5906, back->GetHeader()->biYPelsPerMeter, 1);

    // A palette's alphas go with the copy path too.
    boost::shared_ptr<CDib> indexed;
    ASSERT_EQ(S_OK, ReduceToPalette(indexed, *Pattern32(4, 2)));
    ASSERT_EQ(S_OK, CreatePngSaver()->Save(*indexed, false, path));
    bytes = ReadFileBytes(path);
    EXPECT_EQ(3, PngColorType(bytes));
    EXPECT_FALSE(PngHasChunk(bytes, "tRNS"));
}

TEST(ImageSaver, PalettePngWithTransparency)
{
    CTempFolder folder;
    boost::shared_ptr<CDib> dib = Pattern32(4, 2);
    boost::shared_ptr<CDib> indexed;
    ASSERT_EQ(S_OK, ReduceToPalette(indexed, *dib));
    const std::wstring path = folder.File(L"palette.png");
    ASSERT_EQ(S_OK, CreatePngSaver()->Save(*indexed, true, path));
    const std::string bytes = ReadFileBytes(path);
    EXPECT_EQ(3, PngColorType(bytes));  // indexed
    EXPECT_TRUE(PngHasChunk(bytes, "tRNS"));

    boost::shared_ptr<CDib> back;
    ASSERT_EQ(S_OK, LoadDibFromFile(back, path));
    ExpectSameVisiblePixels(*dib, *back);
}

TEST(ImageSaver, JpegAndFailures)
{
    CTempFolder folder;
    boost::shared_ptr<CDib> dib = Pattern32(8, 8);
    dib->SetAlpha(255);
    const std::wstring jpg = folder.File(L"out.jpg");
    ASSERT_EQ(S_OK, CreateJpegSaver(80)->Save(*dib, true, jpg));
    const std::string bytes = ReadFileBytes(jpg);
    ASSERT_GT(bytes.size(), 2u);
    EXPECT_EQ('\xFF', bytes[0]);
    EXPECT_EQ('\xD8', bytes[1]);

    CDib empty;
    const std::wstring none = folder.File(L"none.png");
    EXPECT_EQ(E_FAIL, CreatePngSaver()->Save(empty, true, none));
    EXPECT_FALSE(FileExists(none));
    EXPECT_EQ(E_INVALIDARG, CreatePngSaver()->SaveImage(nullptr, none));
    EXPECT_TRUE(FAILED(CreatePngSaver()->Save(*dib, true, folder.File(L"missing\\dir\\x.png"))));

    CImageSaver noEncoder;  // all-zero CLSID
    EXPECT_EQ(E_FAIL, noEncoder.Save(*dib, true, none));
    EXPECT_FALSE(FileExists(none));

    // A side of 65,500 pixels is JPEG's most: one more is refused by name,
    // by the saver with the file, and nothing is written.
    for (SIZE size : {SIZE{65500, 1}, SIZE{65501, 1}, SIZE{1, 65501}}) {
        boost::shared_ptr<CDib> line = NewDib32(size.cx, size.cy, 0xFF808080u);
        const std::wstring path = folder.File(L"line.jpg");
        const bool over = size.cx > 65500 || size.cy > 65500;
        const std::string message = Narrow(ThrownError([&] { CreateJpegSaver(80)->Save(*line, true, path); }).message);
        EXPECT_EQ(over, message.find(Narrow(CSimpleErr::Format(IDS_JPEG_SIZE_TOO_LARGE, std::to_wstring(size.cx),
                                                                   std::to_wstring(size.cy), L"65500", path))) == 0)
            << message;
        EXPECT_EQ(!over, FileExists(path));
        DeleteFileW(path.c_str());
        std::string bytes;
        EXPECT_EQ(UINT(over ? IDS_JPEG_SIZE_TOO_LARGE : 0),
                  ThrownId([&] { EncodeJpeg(bytes, line->GetImageRow(0), size.cx, size.cy, 4, 80, 96, 96); }))
            << "the writer refuses too (its rows are not read then)";
    }
}

// The quality setting reaches the file: a low quality gives a clearly
// smaller file, a high one stays close to the picture, and both decode.
TEST(ImageSaver, JpegQualityShowsInTheFile)
{
    CTempFolder folder;
    boost::shared_ptr<CDib> dib(new CDib);
    ASSERT_TRUE(MakeDib32(*dib, 64, 48, [](int x, int y) {
        // Fine grey detail over a smooth tint.
        const uint32_t detail = static_cast<uint32_t>((x * y + x * 7) % 97);
        return 0xFF000000u | (x * 2 + detail) << 16 | (y * 2 + detail) << 8 | (60 + detail);
    }));
    size_t sizes[2] = {};
    const ULONG qualities[2] = {10, 95};
    for (int i = 0; i < 2; ++i) {
        const std::wstring path = folder.File(i ? L"q95.jpg" : L"q10.jpg");
        ASSERT_EQ(S_OK, CreateJpegSaver(qualities[i])->Save(*dib, true, path));
        sizes[i] = ReadFileBytes(path).size();
        boost::shared_ptr<CDib> back;
        ASSERT_EQ(S_OK, LoadDibFromFile(back, path));
        ASSERT_EQ(64, back->GetWidth());
        ASSERT_EQ(48, back->GetAbsHeight());
        long error = 0;
        for (int y = 0; y < 48; ++y)
            for (int x = 0; x < 64; ++x)
                for (int shift = 0; shift < 24; shift += 8)
                    error += std::abs(static_cast<int>(Px(*dib, x, y) >> shift & 255) -
                                      static_cast<int>(Px(*back, x, y) >> shift & 255));
        if (i == 1) {
            EXPECT_LE(error / (64 * 48 * 3), 3);
        }
    }
    EXPECT_LT(sizes[0] * 2, sizes[1]) << sizes[0] << " vs " << sizes[1];
}
