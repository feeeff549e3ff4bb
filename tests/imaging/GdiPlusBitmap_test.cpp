#include "imaging/GdiPlusBitmap.h"
#include "imaging/JpegWriter.h"
#include "imaging/PixelOps.h"
#include "imaging/WicImaging.h"
#include "foundation/Error.h"
#include "foundation/File.h"
#include "foundation/ResourceString.h"
#include "foundation/StringUtil.h"
#include "resources/strings_engine.h"
#include "resources/strings_imaging.h"
#include "tests/common/TestSupport.h"
#include "tests/common/DibTestSupport.h"
#include "tests/imaging/ImageFileSupport.h"
#include <gtest/gtest.h>
#include <climits>
#include <functional>
#include <string>
#include <vector>

using namespace Gdiplus;

namespace {

boost::shared_ptr<CDib> NewDib(int w, int h, WORD bits)
{
    boost::shared_ptr<CDib> d(new CDib);
    if (!d->CreateWithInfoHeader(w, h, bits) || !d->AllocBits())
        d.reset();
    else
        d->Clear();
    return d;
}

ARGB PixelOf(Bitmap& b, int x, int y)
{
    ARGB c = 0;
    EXPECT_EQ(Ok, b.GetPixel(x, y, &c));
    return c;
}

} // namespace

TEST(GdiPlusBitmap, DirectBitmapSharesBottomUpRows)
{
    boost::shared_ptr<CDib> dib = NewDib(3, 2, 32);
    Px(*dib, 0, 0) = 0x80112233;  // top-left, semi-transparent
    Px(*dib, 2, 1) = 0xFF445566;
    boost::shared_ptr<Bitmap> b = BitmapFromDib(*dib, true);
    ASSERT_TRUE(b);
    EXPECT_EQ(PixelFormat32bppARGB, b->GetPixelFormat());
    EXPECT_EQ(0x80112233u, PixelOf(*b, 0, 0));
    EXPECT_EQ(0xFF445566u, PixelOf(*b, 2, 1));
    // Drawing into the bitmap writes the DIB.
    {
        Graphics g(*b);
        ASSERT_TRUE(g.IsValid());
        g.SetCompositingMode(CompositingModeSourceCopy);
        SolidBrush brush(0xFF0000FF);
        g.FillRectangle(brush, 1, 0, 1, 1);
    }
    EXPECT_EQ(0xFF0000FFu, Px(*dib, 1, 0));

    // A top-down DIB keeps its row order too.
    CDib topDown;
    ASSERT_TRUE(topDown.CreateWithInfoHeader(2, -2, 32) && topDown.AllocBits());
    topDown.Clear();
    Px(topDown, 1, 0) = 0xFF010203;
    boost::shared_ptr<Bitmap> t = BitmapFromDib(topDown, true);
    ASSERT_TRUE(t);
    EXPECT_EQ(0xFF010203u, PixelOf(*t, 1, 0));
}

TEST(GdiPlusBitmap, CopiedAndIndexedBitmaps)
{
    boost::shared_ptr<CDib> rgb = NewDib(2, 2, 24);
    rgb->GetImageRow(0)[0] = 0x40;  // blue of the top-left pixel
    boost::shared_ptr<Bitmap> viaGdi = BitmapFromDib(*rgb, true);
    ASSERT_TRUE(viaGdi);
    rgb->GetImageRow(0)[0] = 0x41;  // the bitmap holds its own copy
    EXPECT_EQ(0xFF000040u, PixelOf(*viaGdi, 0, 0));

    boost::shared_ptr<Bitmap> copy = CopyBitmapFromDib(*rgb, false);
    ASSERT_TRUE(copy);
    EXPECT_EQ(PixelFormat24bppRGB, copy->GetPixelFormat());
    EXPECT_EQ(0xFF000041u, PixelOf(*copy, 0, 0));

    boost::shared_ptr<CDib> argb = NewDib(2, 2, 32);
    Px(*argb, 1, 0) = 0x7F00FF00;
    boost::shared_ptr<Bitmap> copy32 = CopyBitmapFromDib(*argb, true);
    ASSERT_TRUE(copy32);
    Px(*argb, 1, 0) = 0;
    EXPECT_EQ(0x7F00FF00u, PixelOf(*copy32, 1, 0));

    // 8 bits: the table's fourth byte becomes the palette's alpha.
    boost::shared_ptr<CDib> indexed = NewDib(2, 1, 8);
    SetMaskPalette(indexed->GetHeader(), 1);
    indexed->GetImageRow(0)[1] = 1;
    boost::shared_ptr<Bitmap> direct = BitmapFromDib(*indexed, true);
    ASSERT_TRUE(direct);
    EXPECT_EQ(PixelFormat8bppIndexed, direct->GetPixelFormat());
    EXPECT_EQ(0x00000000u, PixelOf(*direct, 0, 0));
    EXPECT_EQ(0xFFFFFFFFu, PixelOf(*direct, 1, 0));
    boost::shared_ptr<Bitmap> copied8 = CopyBitmapFromDib(*indexed, true);
    ASSERT_TRUE(copied8);
    EXPECT_EQ(0xFFFFFFFFu, PixelOf(*copied8, 1, 0));

    // A 16-entry table is padded, not read past its end.
    CDib shortTable;
    ASSERT_TRUE(shortTable.CreateWithInfoHeader(1, 1, 8, 16) && shortTable.AllocBits());
    shortTable.GetBits()[0] = 200;
    boost::shared_ptr<Bitmap> padded = BitmapFromDib(shortTable, true);
    ASSERT_TRUE(padded);
    EXPECT_EQ(0u, PixelOf(*padded, 0, 0));

    CDib none;
    EXPECT_FALSE(BitmapFromDib(none, true));
}

TEST(GdiPlusBitmap, BitmapsOverImageBuffers)
{
    CImg grey(MONO8, 3, 1);
    grey.AllocBits();
    grey.m_bits[2] = 200;
    boost::shared_ptr<Bitmap> g = BitmapFromImg(grey);
    ASSERT_TRUE(g);
    EXPECT_EQ(0xFFC8C8C8u, PixelOf(*g, 2, 0));

    CImg bin(MONO1, 9, 1);
    bin.AllocBits();
    bin.m_bits[0] = 0x40;  // second pixel white
    boost::shared_ptr<Bitmap> b = BitmapFromImg(bin);
    ASSERT_TRUE(b);
    EXPECT_EQ(0xFF000000u, PixelOf(*b, 0, 0));
    EXPECT_EQ(0xFFFFFFFFu, PixelOf(*b, 1, 0));

    CImg rgba(BGRA32, 2, 2);
    rgba.AllocBits();
    rgba.Row(1)[4 + 3] = 0x99;
    boost::shared_ptr<Bitmap> a = BitmapFromImg(rgba);
    ASSERT_TRUE(a);
    EXPECT_EQ(0x99000000u, PixelOf(*a, 1, 1));

    CImg empty(BGRA32, 0, 4);
    EXPECT_FALSE(BitmapFromImg(empty));
    CImg shortRows(BGRA32, 4, 4);
    shortRows.m_bits.resize(4);
    EXPECT_FALSE(BitmapFromImg(shortRows));
    for (uint32_t format : {uint32_t(CMYK32), uint32_t(CMYKA40), 9u}) {
        CImg cmyk(format, 1, 1);
        cmyk.AllocBits();
        EXPECT_EQ(UINT(IDS_IMAGE_FORMAT_UNSUPPORTED), ThrownId([&] { BitmapFromImg(cmyk); }));
    }
}

TEST(GdiPlusBitmap, ImageToDibKeepsPixelsAndResolution)
{
    boost::shared_ptr<CDib> dib = NewDib(4, 3, 32);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x)
            Px(*dib, x, y) = 0xFF000000u | static_cast<uint32_t>(x * 40 + y * 7);
    Px(*dib, 3, 2) = 0x00123456u;  // read as transparent black: no colour hides under it
    boost::shared_ptr<Bitmap> b = CopyBitmapFromDib(*dib, true);
    ASSERT_TRUE(b);
    ASSERT_EQ(Ok, b->SetResolution(96, 300));
    boost::shared_ptr<CDib> back;
    ASSERT_EQ(S_OK, ImageToDib(b.get(), back));
    EXPECT_EQ(4, back->GetWidth());
    EXPECT_EQ(3, back->GetHeight());
    EXPECT_EQ(3780, back->GetHeader()->biXPelsPerMeter);
    EXPECT_EQ(11811, back->GetHeader()->biYPelsPerMeter);
    Px(*dib, 3, 2) = 0;
    EXPECT_TRUE(back->ComparePixels(*dib));

    // A part scaled up twice with nearest neighbour.
    CDib part;
    RECT source = {1, 1, 3, 2};
    SIZE size = {4, 2};
    ASSERT_EQ(S_OK, DibFromImage(b.get(), source, part, size, InterpolationModeNearestNeighbor));
    EXPECT_EQ(Px(*dib, 1, 1), Px(part, 0, 0));
    EXPECT_EQ(Px(*dib, 1, 1), Px(part, 1, 1));
    EXPECT_EQ(Px(*dib, 2, 1), Px(part, 3, 0));
    EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_NOT_ENOUGH_MEMORY), DibFromImage(nullptr, source, part, size, InterpolationModeDefault));
}

TEST(GdiPlusBitmap, ATurnedLoadIsThePictureTurned)
{
    // Vertical text's texture is read into its turned places, strip after
    // strip of rows (more rows here than one strip holds).
    CTempFolder folder;
    const int w = 97, h = 131;
    std::string rows;
    for (int i = 0; i < w * h; ++i)
        rows += std::string{char(i), char(i >> 8), char(i * 7), '\xFF'};
    const std::wstring path = folder.File(L"turn.png");
    ASSERT_TRUE(WriteFileBytes(path, imagefile::MakePng(w, h, 6, 8, rows)));
    boost::shared_ptr<CDib> plain, turned, expected;
    ASSERT_EQ(S_OK, LoadDibFromFile(plain, path));
    ASSERT_EQ(S_OK, LoadDibFromFile(turned, path, true));
    ASSERT_EQ(S_OK, RotateByOrientation(expected, *plain, 8));
    EXPECT_EQ(h, turned->GetWidth());
    EXPECT_TRUE(turned->ComparePixels(*expected));
}

TEST(GdiPlusBitmap, LoadingFailures)
{
    boost::shared_ptr<Image> image;
    EXPECT_TRUE(FAILED(LoadImageFromFile(image, L"Z:\\no\\such\\file.png")));
    boost::shared_ptr<CDib> dib;
    EXPECT_TRUE(FAILED(LoadDibFromFile(dib, L"Z:\\no\\such\\file.png")));
    EXPECT_FALSE(dib);

    CTempFolder folder;
    ASSERT_TRUE(WriteFileBytes(folder.File(L"text.png"), "not an image at all"));
    EXPECT_EQ(kImageFormatUnknown, LoadImageFromFile(image, folder.File(L"text.png")));
    EXPECT_EQ(kImageFormatUnknown, LoadDibFromFile(dib, folder.File(L"text.png")));
    EXPECT_FALSE(dib);

    EXPECT_EQ(UINT(IDS_LOAD_IMAGE_RESOURCE_FAILED), ThrownId([&] { LoadResourceImage(image, 61234); }));
    EXPECT_FALSE(image);
    EnsureResourceImage(image, 61234);
    EXPECT_FALSE(image);
    boost::shared_ptr<CDib> d = NewDib(1, 1, 32);
    boost::shared_ptr<Image> set(CopyBitmapFromDib(*d, true));
    Image* before = set.get();
    EnsureResourceImage(set, 61234);
    EXPECT_EQ(before, set.get());

    EXPECT_FALSE(BitmapFromIcon(61234, 16, 16));
}

TEST(GdiPlusBitmap, ScaledBitmap)
{
    boost::shared_ptr<CDib> dib = NewDib(2, 1, 32);
    Px(*dib, 0, 0) = 0xFFFF0000;
    Px(*dib, 1, 0) = 0xFF0000FF;
    boost::shared_ptr<Image> src(CopyBitmapFromDib(*dib, true));
    boost::shared_ptr<Bitmap> big = CreateScaledBitmap(InterpolationModeNearestNeighbor, src, 4, 2);
    ASSERT_TRUE(big);
    EXPECT_EQ(4u, big->GetWidth());
    EXPECT_EQ(0xFFFF0000u, PixelOf(*big, 0, 1));
    EXPECT_EQ(0xFF0000FFu, PixelOf(*big, 3, 0));
    EXPECT_FALSE(CreateScaledBitmap(InterpolationModeDefault, boost::shared_ptr<Image>(), 4, 2));
}

// Reference for one pixel of a tiled area: which tile column and row it is
// in, and the tile pixel it shows.
TEST(GdiPlusBitmap, TiledDrawingOffsetsAndParity)
{
    const int TW = 4, TH = 3;
    boost::shared_ptr<CDib> tileDib = NewDib(TW, TH, 32);
    for (int y = 0; y < TH; ++y)
        for (int x = 0; x < TW; ++x)
            Px(*tileDib, x, y) = 0xFF000000u | static_cast<uint32_t>(y << 8 | x);
    boost::shared_ptr<Bitmap> tile = CopyBitmapFromDib(*tileDib, true);

    struct Case { bool mirror; int offsetX, offsetY; } cases[] = {
        {false, 0, 0}, {true, 0, 0}, {true, 1, 0}, {true, 5, 2}, {true, -5, -1}, {true, -15, 7},
        {false, 3, -2}, {true, 4, 3}, {true, 123, -77},
    };
    const int AX = 2, AY = 1, AW = 13, AH = 8;  // area inside a 17 x 11 target
    for (const Case& c : cases) {
        boost::shared_ptr<CDib> target = NewDib(17, 11, 32);
        FillU32(target->GetBits(), target->GetImageSize(), 0x12345678);
        boost::shared_ptr<Bitmap> tb = BitmapFromDib(*target, true);
        ASSERT_EQ(S_OK, DrawImageTiled(tb.get(), tile.get(), c.mirror, AX, AY, AW, AH, 0, 0, TW, TH, c.offsetX,
                                       c.offsetY));
        tb.reset();
        for (int y = 0; y < 11; ++y)
            for (int x = 0; x < 17; ++x) {
                uint32_t expected = 0x12345678;
                if (x >= AX && x < AX + AW && y >= AY && y < AY + AH) {
                    const int lx = x - AX - c.offsetX, ly = y - AY - c.offsetY;
                    const int col = lx >= 0 ? lx / TW : -((-lx + TW - 1) / TW);
                    const int row = ly >= 0 ? ly / TH : -((-ly + TH - 1) / TH);
                    int tx = lx - col * TW, ty = ly - row * TH;
                    if (c.mirror && (col % 2 != 0))
                        tx = TW - 1 - tx;
                    if (c.mirror && (row % 2 != 0))
                        ty = TH - 1 - ty;
                    expected = 0xFF000000u | static_cast<uint32_t>(ty << 8 | tx);
                }
                ASSERT_EQ(expected, Px(*target, x, y))
                    << "mirror " << c.mirror << " offset " << c.offsetX << "," << c.offsetY << " at " << x << "," << y;
            }
    }

    boost::shared_ptr<CDib> target = NewDib(4, 4, 32);
    boost::shared_ptr<Bitmap> tb = BitmapFromDib(*target, true);
    EXPECT_EQ(S_OK, DrawImageTiled(tb.get(), tile.get(), true, 0, 0, 0, 4, 0, 0, TW, TH, 0, 0));
    EXPECT_EQ(E_INVALIDARG, DrawImageTiled(tb.get(), tile.get(), true, 0, 0, -1, 4, 0, 0, TW, TH, 0, 0));
    EXPECT_EQ(S_OK, DrawImageTiled(tb.get(), tile.get(), true, 0, 0, 4, 4, 0, 0, 0, TH, 0, 0));
    EXPECT_EQ(0u, Px(*target, 0, 0));
}

TEST(GdiPlusBitmap, DrawImgOpacity)
{
    CImg img(BGRA32, 2, 2);
    img.AllocBits();
    for (size_t i = 0; i < img.m_bits.size(); i += 4) {
        img.m_bits[i + 2] = 255;  // opaque red
        img.m_bits[i + 3] = 255;
    }
    struct Case { float opacity; int alphaLow, alphaHigh; } cases[] = {{0.0f, 0, 0}, {-1.0f, 0, 0}, {0.5f, 126, 129}, {1.0f, 255, 255}};
    for (const Case& c : cases) {
        boost::shared_ptr<CDib> target = NewDib(4, 4, 32);
        boost::shared_ptr<Bitmap> tb = BitmapFromDib(*target, true);
        Graphics g(*tb);
        DrawImg(g, img, 1, 1, c.opacity);
        EXPECT_EQ(Ok, g.GetLastStatus());
        uint32_t p = Px(*target, 1, 1);
        EXPECT_GE(static_cast<int>(p >> 24), c.alphaLow) << c.opacity;
        EXPECT_LE(static_cast<int>(p >> 24), c.alphaHigh) << c.opacity;
        EXPECT_EQ(0u, Px(*target, 0, 0));
        EXPECT_EQ(0u, Px(*target, 3, 3));
    }
    CImg cmyk(CMYK32, 1, 1);
    cmyk.AllocBits();
    boost::shared_ptr<CDib> target = NewDib(4, 4, 32);
    boost::shared_ptr<Bitmap> tb = BitmapFromDib(*target, true);
    Graphics g(*tb);
    EXPECT_EQ(UINT(IDS_IMAGE_FORMAT_UNSUPPORTED), ThrownId([&] { DrawImg(g, cmyk, 0, 0, 1.0f); }));
}

TEST(GdiPlusBitmap, TextureBrushes)
{
    CImg img(BGRA32, 2, 1);
    img.AllocBits();
    img.m_bits[0] = 255;  // blue, opaque
    img.m_bits[3] = 255;
    img.m_bits[5] = 255;  // green, opaque
    img.m_bits[7] = 255;
    for (float opacity : {1.0f, 0.5f}) {
        boost::shared_ptr<TextureBrush> brush = opacity < 1 ? TextureBrushFromImgAlpha(img, WrapModeTile, opacity)
                                                            : TextureBrushFromImg(img, WrapModeTile);
        ASSERT_TRUE(brush);
        EXPECT_EQ(WrapModeTile, brush->GetWrapMode());
        boost::shared_ptr<CDib> target = NewDib(4, 1, 32);
        boost::shared_ptr<Bitmap> tb = BitmapFromDib(*target, true);
        {
            Graphics g(*tb);
            EXPECT_EQ(Ok, g.FillRectangle(*brush, 0, 0, 4, 1));
        }
        const uint32_t p0 = Px(*target, 0, 0), p3 = Px(*target, 3, 0);
        EXPECT_EQ(0x0000FFu, p0 & 0xFFFFFF) << opacity;
        EXPECT_EQ(0x00FF00u, p3 & 0xFFFFFF) << opacity;
        EXPECT_NEAR(opacity * 255, static_cast<int>(p0 >> 24), 1.5) << opacity;
    }
    CImg empty(BGRA32, 0, 0);
    EXPECT_FALSE(TextureBrushFromImg(empty, WrapModeTile));
}

TEST(GdiPlusBitmap, LockScope)
{
    Bitmap b(3, 2, PixelFormat32bppARGB);
    ASSERT_TRUE(b.IsValid());
    {
        CBitmapLock lock;
        RECT r = {1, 0, 3, 2};
        ASSERT_EQ(Ok, lock.Lock(&b, r, PixelFormat32bppARGB));
        EXPECT_TRUE(lock.IsLocked());
        EXPECT_EQ(2u, lock.Data().Width);
        reinterpret_cast<uint32_t*>(lock.Row(1))[1] = 0xFFABCDEF;
        // A second lock of the same bitmap releases the first one.
        ASSERT_EQ(Ok, lock.Lock(&b, r, PixelFormat32bppARGB));
    }
    EXPECT_EQ(0xFFABCDEFu, PixelOf(b, 2, 1));
    CBitmapLock none;
    RECT r = {0, 0, 1, 1};
    EXPECT_NE(Ok, none.Lock(nullptr, r, PixelFormat32bppARGB));
    EXPECT_FALSE(none.IsLocked());
}

TEST(GdiPlusBitmap, ScaledDrawsBetweenImages)
{
    boost::shared_ptr<CDib> src = NewDib(2, 2, 32);
    Px(*src, 0, 0) = 0xFF0000FF;
    Px(*src, 1, 1) = 0xFFFF0000;
    boost::shared_ptr<Bitmap> s = CopyBitmapFromDib(*src, true);
    struct Case { bool useFloat; } cases[] = {{false}, {true}};
    for (const Case& c : cases) {
        boost::shared_ptr<CDib> dst = NewDib(6, 6, 32);
        boost::shared_ptr<Bitmap> d = BitmapFromDib(*dst, true);
        bool ok;
        if (c.useFloat) {
            ok = DrawImageRectRectF(s.get(), RectF(0, 0, 2, 2), d.get(), RectF(1, 1, 4, 4), InterpolationModeNearestNeighbor);
        } else {
            RECT sr = {0, 0, 2, 2}, dr = {1, 1, 5, 5};
            ok = DrawImageRectRectI(s.get(), sr, d.get(), dr, InterpolationModeNearestNeighbor);
        }
        ASSERT_TRUE(ok) << c.useFloat;
        EXPECT_EQ(0xFF0000FFu, Px(*dst, 1, 1)) << c.useFloat;
        EXPECT_EQ(0xFF0000FFu, Px(*dst, 2, 2)) << c.useFloat;
        EXPECT_EQ(0xFFFF0000u, Px(*dst, 4, 4)) << c.useFloat;
        EXPECT_EQ(0u, Px(*dst, 0, 0)) << c.useFloat;
        EXPECT_EQ(0u, Px(*dst, 5, 5)) << c.useFloat;
    }
    RECT r = {0, 0, 1, 1};
    EXPECT_FALSE(DrawImageRectRectI(nullptr, r, s.get(), r, InterpolationModeDefault));
}

TEST(GdiPlusBitmap, DrawImgToDeviceContext)
{
    CDibSection section;
    ASSERT_TRUE(section.CreateWithInfoHeader(4, 4, 32) && section.AllocBits());
    section.Clear();
    CImg img(BGR24, 2, 1);
    img.AllocBits();
    img.m_bits[0] = 0x10;  // blue of the first pixel
    img.m_bits[5] = 0x20;  // red of the second
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, section.GetBitmap());
    DrawImgToDC(dc, img, 1, 2, 1.0f, InterpolationModeNearestNeighbor);
    GdiFlush();
    SelectObject(dc, old);
    DeleteDC(dc);
    EXPECT_EQ(0x10u, Px(section, 1, 2) & 0xFFFFFF);
    EXPECT_EQ(0x200000u, Px(section, 2, 2) & 0xFFFFFF);
    EXPECT_EQ(0u, Px(section, 3, 2));
}

namespace {

// A small valid JPEG from the program's own encoder.
std::string SmallJpeg(int w, int h)
{
    std::vector<BYTE> pixels(static_cast<size_t>(w) * h * 4);
    for (size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = static_cast<BYTE>(i * 7 + i / 13);
    std::string jpeg;
    EXPECT_EQ(S_OK, EncodeJpeg(jpeg, pixels.data(), w, h, w * 4, 80, 96, 96));
    return jpeg;
}

// Deterministic garbage: a linear congruential generator, so a failing
// file can be made again from its seed.
std::string Garbage(size_t size, unsigned seed)
{
    std::string bytes(size, '\0');
    for (char& c : bytes) {
        seed = seed * 1103515245u + 12345u;
        c = static_cast<char>(seed >> 16);
    }
    return bytes;
}

// Everything up to the first scan's data: a decoder reads the frame and
// then meets the damage.
std::string JpegHeader(const std::string& jpeg)
{
    const size_t sos = jpeg.find("\xFF\xDA");
    const size_t length = (static_cast<unsigned char>(jpeg[sos + 2]) << 8) | static_cast<unsigned char>(jpeg[sos + 3]);
    return jpeg.substr(0, sos + 2 + length);
}

} // namespace

// The textures come from files the user names, and a damaged one must give
// an error, never end the program: a decoder that skips a segment reaches
// past the end of the data, and a memory stream read there must read nothing.
TEST(GdiPlusBitmap, DamagedImagesFailWithoutCrashing)
{
    wic::CImagingFactoryScope imaging;  // what GDI+ calls damaged is read again through it
    CTempFolder folder;
    const std::string jpeg = SmallJpeg(64, 48);
    const std::string header = JpegHeader(jpeg);
    std::vector<std::string> files;
    for (unsigned seed = 1; seed <= 12; ++seed)
        files.push_back(header + Garbage(20000 + 7919 * seed, seed));
    // The header alone, cut at several points, and the whole file cut.
    for (size_t cut : {size_t(2), size_t(20), header.size() / 2, header.size(), jpeg.size() - 10})
        files.push_back(jpeg.substr(0, cut));
    // A segment whose length reaches past the end of the file; in a large
    // file, whose memory ends where nothing else is mapped, a read beyond
    // its end faults.
    files.push_back(std::string("\xFF\xD8\xFF\xEF\xFF\xFF", 6) + Garbage(100, 99));
    for (size_t size : {size_t(1) << 20, (size_t(1) << 20) + 3000, (size_t(3) << 19) + 7000}) {
        std::string file("\xFF\xD8", 2);
        while (file.size() + 65537 + 8 < size)
            file += std::string("\xFF\xFE\xFF\xFF", 4) + std::string(65533, 'c');  // comments, skipped
        file += std::string("\xFF\xEF\xFF\xFF", 4) + "ab";
        files.push_back(file);
    }
    // The other formats a texture may have: cut, and with garbage after
    // their headers.
    const std::string png = imagefile::MakePng(40, 30, 6, 8, Garbage(40 * 30 * 4, 7));
    std::string bmp("BM", 2);
    imagefile::PutLE32(bmp, 54 + 40 * 30 * 4);
    imagefile::PutLE32(bmp, 0);
    imagefile::PutLE32(bmp, 54);
    for (uint32_t v : {40u, 40u, 30u})
        imagefile::PutLE32(bmp, v);
    imagefile::PutLE16(bmp, 1);
    imagefile::PutLE16(bmp, 32);
    bmp += std::string(24, '\0') + Garbage(40 * 30 * 4, 8);
    std::string hugeBmp = bmp;
    hugeBmp[18] = hugeBmp[19] = hugeBmp[20] = '\x7F';  // a width the data cannot hold
    hugeBmp[10] = '\xFF';                              // bits far beyond the end
    const std::string gif = std::string("GIF89a\x28\x00\x1E\x00\xF7\x00\x00", 13) + Garbage(800, 9) + ";";
    for (const std::string* image : std::vector<const std::string*>{&png, &bmp, &gif}) {
        for (size_t cut : {size_t(8), size_t(30), image->size() / 2, image->size() - 1})
            files.push_back(image->substr(0, cut));
        files.push_back(image->substr(0, 26) + Garbage(5000, static_cast<unsigned>(image->size())));
    }
    files.push_back(hugeBmp);
    for (size_t i = 0; i < files.size(); ++i) {
        const std::wstring path = folder.File(L"damaged" + std::to_wstring(i) + L".jpg");
        ASSERT_TRUE(WriteFileBytes(path, files[i]));
        boost::shared_ptr<CDib> dib;
        const HRESULT hr = LoadDibFromFile(dib, path);
        EXPECT_EQ(SUCCEEDED(hr), dib != nullptr) << i;
    }
}

// A GIF may go on coding over a full LZW table and send the clear code later,
// or never; under Wine the system's decoder then draws wrong pixels or calls
// the file damaged. Such a GIF reads as its colours, whatever its code size;
// cut short or garbled it fails, or reads, without crashing.
TEST(GdiPlusBitmap, GifDeferringItsClearCodeReadsItsColours)
{
    wic::CImagingFactoryScope imaging;
    CTempFolder folder;
    const std::wstring path = folder.File(L"deferred.gif");
    struct Case { const char* what; int codeSize, step, deferred; } cases[] = {
        {"a code size of 2, never cleared", 2, 1, INT_MAX},
        {"a code size of 8, cleared 3,000 codes late", 8, 85, 3000},
    };
    for (const Case& c : cases) {
        std::string pixels = Garbage(300 * 300, static_cast<unsigned>(c.codeSize));
        for (char& p : pixels)
            p = static_cast<char>((p & 3) * c.step);  // four colours: long strings, codes used again and again
        const std::string gif = imagefile::MakeGif(300, 300, c.codeSize, pixels, c.deferred);
        boost::shared_ptr<CDib> dib;
        ASSERT_TRUE(WriteFileBytes(path, gif));
        ASSERT_EQ(S_OK, LoadDibFromFile(dib, path)) << c.what;
        for (size_t i = 0; i < pixels.size(); ++i)
            ASSERT_EQ(0xFF000000u | imagefile::GifColor(static_cast<unsigned char>(pixels[i])),
                      Px(*dib, static_cast<int>(i % 300), static_cast<int>(i / 300))) << c.what << ", pixel " << i;
        std::string garbled = gif;
        garbled.replace(gif.size() * 3 / 4, 40, 40, '\xFF');
        for (const std::string& file : {gif.substr(0, gif.size() / 2), gif.substr(0, gif.size() - 3), garbled}) {
            ASSERT_TRUE(WriteFileBytes(path, file));
            dib.reset();
            const HRESULT hr = LoadDibFromFile(dib, path);
            EXPECT_EQ(SUCCEEDED(hr), dib != nullptr) << c.what;
        }
    }
}

// Each cause of a failed load is told as it is, with the file: a texture
// that "is not implemented" sends nobody to the file.
TEST(GdiPlusBitmap, LoadFailuresNameTheirCause)
{
    CTempFolder folder;
    const std::string png = imagefile::MakePng(4, 4, 6, 8, std::string(64, 'x'));
    struct Case {
        const wchar_t* name;
        const std::string* bytes;  // null: no file
        HRESULT code;
        std::wstring reason;
        LONGLONG size = 0;  // not 0: a file of this many zeros, made sparse
    };
    const std::string empty, text("plain words"), cutPng = png.substr(0, png.size() / 2), cutJpeg("\xFF\xD8\xFF", 3);
    // Over the pixels that load, by their headers (JPEG: APP0, a fill byte, SOF0 giving the height first;
    // TIFF: a LONG width, a SHORT height);
    // a top-down BMP of as many pixels as load is only cut short, one -10 pixels wide damaged.
    const std::string hugePng = imagefile::MakeGreyRgbPng(20000), pad(20, '\0'), bmp = "BM" + std::string(12, '\0') +
        std::string("\x28\0\0\0\x98\x3A\0\0\x68\xC5\xFF\xFF", 12) + pad, hugeGif = "GIF89a\x99\x3A\x99\x3A" + pad,
        negativeBmp = "BM" + std::string(12, '\0') + std::string("\x28\0\0\0\xF6\xFF\xFF\xFF\x0A\0\0\0", 12) + pad,
        hugeJpeg = std::string("\xFF\xD8\xFF\xE0\0\4ab\xFF\xFF\xC0\0\x11\x08\x3A\x99\x3E\x80\x03", 19) + pad,
        hugeTiff = std::string("MM\0*\0\0\0\x08\0\2\1\0\0\4\0\0\0\1\0\0\x4E\x20\1\1\0\3\0\0\0\1\x32\xC9", 32) + pad;
    // Each size where its format keeps it: a JPEG's frame header behind 5,000 segments, stray bytes, a
    // stuffed FF 00, a marker without a segment and fill bytes, or behind a Huffman table; a TIFF's
    // size tags after a tag above 257, the width repeated (the first counts); a GIF's frame larger
    // than its screen, after a smaller one; an OS/2 BMP's 16-bit sides.
    const std::string sof = std::string("\xFF\xC0\0\x11\x08\x32\xC8\x4E\x20\x03", 10) + pad;
    std::string deepJpeg("\xFF\xD8", 2), unsortedTiff("MM\0*\0\0\0\x08\0\4", 10), os2Bmp = "BM" + std::string(12, '\0');
    for (int i = 0; i < 5000; ++i)
        deepJpeg += std::string("\xFF\xFE\0\2", 4);
    deepJpeg += std::string("ab\xFF\0\xFF\xD0\xFF\xFF", 8) + sof;
    const std::string huffmanFirstJpeg = std::string("\xFF\xD8\xFF\xC4\0\5\0\0\1", 9) + sof;
    for (uint32_t entry : {273u << 16 | 4, 256u << 16 | 4, 256u << 16 | 3, 257u << 16 | 3}) {
        imagefile::PutBE32(unsortedTiff, entry), imagefile::PutBE32(unsortedTiff, 1);
        const uint32_t tag = entry >> 16;
        imagefile::PutBE32(unsortedTiff, tag == 257 ? 13001u << 16 : tag == 273 ? 8 : entry & 1 ? 10u << 16 : 20000);
    }
    const std::string framedGif = std::string("GIF89a\x40\0\x40\0\0\0\0\x21\xF9\4\1\0\0\0\0"
                                              "\x2C\0\0\0\0\x0A\0\x0A\0\0\2\0\x2C\5\0\5\0\x20\x4E\x20\x4E\0\2\0;", 46);
    for (uint32_t v : {12u, 15001u | 15001u << 16, 1u | 24u << 16})
        imagefile::PutLE32(os2Bmp, v);
    os2Bmp += pad;
    // The GIF decoder holds every frame: 28 of 8,000 x 8,000 are too many together beside their
    // picture, which leaves 1,738,000,000 pixels for them; 200 of 1,920 x 1,080 are not (their data,
    // missing, is then damaged).
    std::string manyFrames("GIF89a\x40\0\x40\0\0\0\0", 13), longAnimation = manyFrames;
    for (int i = 0; i < 200; ++i) {
        manyFrames += i < 28 ? std::string("\x2C\0\0\0\0\x40\x1F\x40\x1F\0\2\0", 12) : "";
        longAnimation += std::string("\x2C\0\0\0\0\x80\7\x38\4\0\2\0", 12);
    }
    const auto tooMany = [](const wchar_t* size) {
        return CSimpleErr::Format(IDS_IMAGE_TOO_MANY_PIXELS, size, GroupedDigits(kMaxImagePixels));
    };
    const Case cases[] = {
        {L"missing.png", nullptr, HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND), TrimCopyIf(SystemText(0x80070002), IsSpaceOrCr)},
        {L"empty.png", &empty, kImageFileEmpty, LoadResourceString(IDS_IMAGE_FILE_EMPTY)},
        {L"text.png", &text, kImageFormatUnknown, LoadResourceString(IDS_IMAGE_FORMAT_UNKNOWN)},
        {L"cut.png", &cutPng, kImageDataDamaged, CSimpleErr::Format(IDS_IMAGE_DATA_DAMAGED, L"PNG")},
        {L"cut.jpg", &cutJpeg, kImageDataDamaged, CSimpleErr::Format(IDS_IMAGE_DATA_DAMAGED, L"JPEG")},
        {L"huge.bmp", &empty, kImageFileTooLarge, CSimpleErr::Format(IDS_IMAGE_FILE_TOO_LARGE,
         GroupedDigits(kMaxImageFileBytes + 1), GroupedDigits(kMaxImageFileBytes)), kMaxImageFileBytes + 1},
        {L"huge.png", &hugePng, kImageTooManyPixels, tooMany(L"20,000 x 20,000")},
        {L"huge.jpg", &hugeJpeg, kImageTooManyPixels, tooMany(L"16,000 x 15,001")},
        {L"huge.gif", &hugeGif, kImageTooManyPixels, tooMany(L"15,001 x 15,001")},
        {L"huge.tif", &hugeTiff, kImageTooManyPixels, tooMany(L"20,000 x 13,001")},
        {L"deep.jpg", &deepJpeg, kImageTooManyPixels, tooMany(L"20,000 x 13,000")},
        {L"huffman-table-first.jpg", &huffmanFirstJpeg, kImageTooManyPixels, tooMany(L"20,000 x 13,000")},
        {L"unsorted.tif", &unsortedTiff, kImageTooManyPixels, tooMany(L"20,000 x 13,001")},
        {L"frame-past-screen.gif", &framedGif, kImageTooManyPixels, tooMany(L"20,000 x 20,000")},
        {L"os2.bmp", &os2Bmp, kImageTooManyPixels, tooMany(L"15,001 x 15,001")},
        {L"many-frames.gif", &manyFrames, kImageTooManyPixels,
         CSimpleErr::Format(IDS_IMAGE_TOO_MANY_PIXELS, L"1,792,000,000", L"1,738,000,000")},
        {L"long-animation.gif", &longAnimation, kImageDataDamaged, CSimpleErr::Format(IDS_IMAGE_DATA_DAMAGED, L"GIF")},
        {L"cut.bmp", &bmp, kImageDataDamaged, CSimpleErr::Format(IDS_IMAGE_DATA_DAMAGED, L"BMP")},
        {L"wide.bmp", &negativeBmp, kImageDataDamaged, CSimpleErr::Format(IDS_IMAGE_DATA_DAMAGED, L"BMP")},
    };
    for (const Case& c : cases) {
        const std::wstring path = folder.File(c.name);
        CFile writer;  // open in another program that may write it, as an editor keeps it
        if (c.bytes) {
            ASSERT_TRUE(c.size ? MakeFileOfSize(path, c.size) : WriteFileBytes(path, *c.bytes));
            ASSERT_EQ(S_OK, writer.TryOpenWrite(path.c_str()));
        }
        boost::shared_ptr<CDib> dib;
        const HRESULT hr = LoadDibFromFile(dib, path);
        EXPECT_EQ(c.code, hr) << Narrow(c.name);
        CSimpleErr err;
        SetImageLoadError(err, IDS_LOAD_TEXTURE_FAILED, hr, path);
        EXPECT_EQ(c.code, err.code);
        EXPECT_NE(std::wstring::npos, err.message.find(c.reason)) << Narrow(c.name) << " " << Narrow(err.message) << "/" << Narrow(c.reason);
        EXPECT_NE(std::wstring::npos, err.message.find(path)) << Narrow(err.message);
    }
    CSimpleErr gone;  // a file too large, gone by the time its size is read again: the limit alone
    SetImageLoadError(gone, IDS_LOAD_TEXTURE_FAILED, kImageFileTooLarge, folder.File(L"gone.bmp"));
    EXPECT_NE(std::wstring::npos, gone.message.find(CSimpleErr::Format(IDS_IMAGE_FILE_OVER_LIMIT,
                                                                       GroupedDigits(kMaxImageFileBytes))));
}

// GDI+ under Wine calls a 16-bit CMYK TIFF damaged (the system converter has
// no such source): it is read through the imaging component, as its 8-bit
// equivalent reads. Cut short it is still damaged; a pixel format nothing
// converts is named "not supported" with the file's format.
TEST(GdiPlusBitmap, SixteenBitCmykReadsAsItsEightBitEquivalent)
{
    wic::CImagingFactoryScope imaging;
    CTempFolder folder;
    const std::string inks("\x0A\x00\x64\x14\x80\xC0\x30\x08", 8);
    std::string wide;
    for (char c : inks)
        wide += std::string(2, c);  // v x 257
    const std::string file = imagefile::MakeCmykTiff(2, 1, wide, false, "", 16);
    ASSERT_TRUE(WriteFileBytes(folder.File(L"8.tif"), imagefile::MakeCmykTiff(2, 1, inks, false)));
    ASSERT_TRUE(WriteFileBytes(folder.File(L"16.tif"), file));
    ASSERT_TRUE(WriteFileBytes(folder.File(L"cut.tif"), file.substr(0, file.size() - 8)));
    boost::shared_ptr<CDib> eight, sixteen, cut;
    ASSERT_EQ(S_OK, LoadDibFromFile(eight, folder.File(L"8.tif")));
    ASSERT_EQ(S_OK, LoadDibFromFile(sixteen, folder.File(L"16.tif")));
    ASSERT_EQ(2, sixteen->GetWidth());
    EXPECT_EQ(Px(*eight, 0, 0), Px(*sixteen, 0, 0));
    EXPECT_EQ(Px(*eight, 1, 0), Px(*sixteen, 1, 0));
    EXPECT_EQ(kImageDataDamaged, LoadDibFromFile(cut, folder.File(L"cut.tif")));
    const std::wstring text = ImageLoadFailureText(kImagePixelFormatUnsupported, reinterpret_cast<const BYTE*>("II*\0"), 4, L"5");
    EXPECT_EQ(CSimpleErr::Format(IDS_IMAGE_PIXEL_FORMAT_UNSUPPORTED, L"TIFF", L"5"), text);
}

namespace {

// The head of a picture of the given size and pixels, its pixel data left out (a decode calls it damaged).
std::string PngHead(uint32_t w, uint32_t h, int colorType, int depth)
{
    std::string png("\x89PNG\r\n\x1A\n", 8), header;
    imagefile::PutBE32(header, w), imagefile::PutBE32(header, h);
    header += {char(depth), char(colorType), 0, 0, 0};
    imagefile::PutChunk(png, "IHDR", header);
    return png;
}

std::string JpegHead(uint32_t w, uint32_t h, int components)
{
    const auto seg = [](int marker, const std::string& d) {
        std::string s{'\xFF', char(marker)};
        imagefile::PutBE16(s, uint32_t(d.size() + 2));
        return s + d;
    };
    std::string sof{8}, sos{char(components)}, one{1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    imagefile::PutBE16(sof, h), imagefile::PutBE16(sof, w), sof += char(components);
    for (int i = 1; i <= components; ++i)
        sof += {char(i), 0x11, 0}, sos += {char(i), 0};
    return "\xFF\xD8" + seg(0xEE, std::string("Adobe\0\x64\0\0\0\0\0", 12)) + seg(0xDB, std::string(1, 0) + std::string(64, 1)) +
           seg(0xC0, sof) + seg(0xC4, std::string(1, 0) + one + '\x10' + one) + seg(0xDA, sos + std::string("\0\x3F\0", 3)) +
           std::string(4096, '\0') + "\xFF\xD9";
}

std::string TiffHead(uint32_t w, uint32_t h, int samples, int bits)
{
    std::string t("II*\0\x08\0\0\0", 8);
    const uint32_t entries[][3] = {{256, 4, w}, {257, 4, h}, {258, 3, uint32_t(bits)}, {259, 3, 1},
                                   {262, 3, 2}, {273, 4, 0}, {277, 3, uint32_t(samples)}, {338, 3, 2}};
    imagefile::PutLE16(t, 8);
    for (const auto& e : entries)
        imagefile::PutLE16(t, e[0]), imagefile::PutLE16(t, e[1]), imagefile::PutLE32(t, e[0] == 258 ? samples : 1),
            imagefile::PutLE32(t, e[0] == 258 && samples > 2 ? 110 : e[0] == 258 ? bits : e[2]);
    imagefile::PutLE32(t, 0);
    for (int i = 0; i < samples; ++i)
        imagefile::PutLE16(t, bits);
    return t;
}

} // namespace

// The bound holds by the bytes a decoded pixel takes, for every format: one row over it a
// picture is refused by its pixels, naming them and its bound; at it, it is decoded (and,
// cut short, called damaged).
TEST(GdiPlusBitmap, ThePixelBoundFollowsTheDecodedPixels)
{
    wic::CImagingFactoryScope imaging;
    CTempFolder folder;
    std::string bmp32 = "BM" + std::string(12, '\0');
    imagefile::PutLE32(bmp32, 40), imagefile::PutLE32(bmp32, 15000), imagefile::PutLE32(bmp32, 15001);
    imagefile::PutLE16(bmp32, 1), imagefile::PutLE16(bmp32, 32), bmp32 += std::string(24, '\0');
    const ULONGLONG wide = 13000ull * 13000, wider = 12000ull * 12000;
    const struct {
        const wchar_t* name;
        std::string bytes;
        const wchar_t* pixels;  // null: within the bound
        ULONGLONG bound;
    } cases[] = {
        {L"rgb.png", PngHead(15000, 15000, 2, 8), nullptr, 0},
        {L"rgb-over.png", PngHead(15000, 15001, 2, 8), L"15,000 x 15,001", kMaxImagePixels},
        {L"grey16.png", PngHead(15000, 15001, 0, 16), L"15,000 x 15,001", kMaxImagePixels},
        {L"rgba.png", PngHead(15000, 15000, 6, 8), nullptr, 0},
        {L"rgba-over.png", PngHead(15000, 15001, 6, 8), L"15,000 x 15,001", kMaxImagePixels},
        {L"greyalpha.png", PngHead(15000, 15001, 4, 8), L"15,000 x 15,001", kMaxImagePixels},
        {L"rgb16.png", PngHead(13000, 13000, 2, 16), nullptr, 0},
        {L"rgb16-over.png", PngHead(13000, 13001, 2, 16), L"13,000 x 13,001", wide},
        {L"rgba16.png", PngHead(12000, 12001, 6, 16), L"12,000 x 12,001", wider},
        {L"rgba.bmp", bmp32, L"15,000 x 15,001", kMaxImagePixels},
        {L"cmyk.jpg", JpegHead(15000, 15001, 4), L"15,000 x 15,001", kMaxImagePixels},
        {L"rgb.jpg", JpegHead(15000, 15001, 3), L"15,000 x 15,001", kMaxImagePixels},
        {L"rgba16.tif", TiffHead(12000, 12001, 4, 16), L"12,000 x 12,001", wider},
        {L"rgba.tif", TiffHead(15000, 15001, 4, 8), L"15,000 x 15,001", kMaxImagePixels},
    };
    for (const auto& c : cases) {
        const std::wstring path = folder.File(c.name);
        ASSERT_TRUE(WriteFileBytes(path, c.bytes));
        boost::shared_ptr<CDib> dib;
        const HRESULT hr = LoadDibFromFile(dib, path);
        EXPECT_EQ(c.pixels ? kImageTooManyPixels : kImageDataDamaged, hr) << Narrow(c.name);
        if (!c.pixels)
            continue;
        CSimpleErr err;
        SetImageLoadError(err, IDS_LOAD_TEXTURE_FAILED, hr, path);
        EXPECT_NE(std::wstring::npos, err.message.find(CSimpleErr::Format(IDS_IMAGE_TOO_MANY_PIXELS, c.pixels,
                                                                          GroupedDigits(c.bound))))
            << Narrow(err.message);
        EXPECT_NE(std::wstring::npos, err.message.find(path));
    }
}
