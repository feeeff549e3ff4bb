#include "imaging/Dib.h"
#include <gtest/gtest.h>
#include <cstring>
#include <vector>

TEST(Dib, StrideRule)
{
    struct Case { int width, bits, stride; } cases[] = {
        {1, 24, 4}, {3, 24, 12}, {5, 32, 20}, {1, 1, 4}, {33, 1, 8}, {5, 8, 8}, {0, 32, 0}, {7, 16, 16},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.stride, CalcDibStride(c.width, c.bits)) << c.width << "x" << c.bits;
        CDib dib;
        ASSERT_TRUE(dib.CreateWithInfoHeader(c.width, -3, static_cast<WORD>(c.bits)));
        EXPECT_EQ(c.stride, dib.GetWidthBytes());
        // Row order does not change the size of the rows.
        EXPECT_EQ(static_cast<DWORD>(c.stride * 3), dib.GetImageSize());
    }
}

TEST(Dib, ColorTableCounts)
{
    struct Case { WORD bits; DWORD used, compression; int entries; DWORD blockSize; } cases[] = {
        {8, 0, BI_RGB, 256, 40 + 1024},
        {8, 16, BI_RGB, 16, 40 + 64},
        {4, 0, BI_RGB, 16, 40 + 64},
        {1, 0, BI_RGB, 2, 40 + 8},
        {24, 5, BI_RGB, 0, 40},
        {32, 0, BI_RGB, 0, 40},
        {32, 0, BI_BITFIELDS, 3, 40 + 12},
    };
    for (const Case& c : cases) {
        CDib dib;
        ASSERT_TRUE(dib.CreateWithInfoHeader(3, 2, c.bits, c.used, c.compression));
        EXPECT_EQ(c.entries, dib.GetColorTableCount()) << c.bits << "/" << c.used;
        EXPECT_EQ(static_cast<DWORD>(c.entries), dib.GetHeader()->biClrUsed);
        EXPECT_EQ(c.blockSize, dib.GetHeaderBlockSize());
    }
    CDib bitfields;
    ASSERT_TRUE(bitfields.CreateWithInfoHeader(3, 2, 32, 0, BI_BITFIELDS));
    EXPECT_EQ(24u, bitfields.GetImageSize());
}

TEST(Dib, GrayRampOnlyForFull8BitTables)
{
    CDib full;
    ASSERT_TRUE(full.CreateWithInfoHeader(1, 1, 8));
    const RGBQUAD* t = full.GetColorTable();
    for (int i = 0; i < 256; ++i) {
        ASSERT_EQ(i, t[i].rgbBlue);
        ASSERT_EQ(i, t[i].rgbRed);
        ASSERT_EQ(255, t[i].rgbReserved);
    }
    CDib sixteen;
    ASSERT_TRUE(sixteen.CreateWithInfoHeader(1, 1, 8, 16));
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(0u, *reinterpret_cast<const DWORD*>(&sixteen.GetColorTable()[i]));

    SetMaskPalette(full.GetHeader(), 7);
    const DWORD* d = reinterpret_cast<const DWORD*>(full.GetColorTable());
    EXPECT_EQ(0u, d[0]);
    EXPECT_EQ(0xFFFFFFFFu, d[7]);
    EXPECT_EQ(0u, d[255]);
}

TEST(Dib, V5HeaderWithAndWithoutProfile)
{
    CDib plain;
    ASSERT_TRUE(plain.CreateWithV5Header(4, 4, 32));
    EXPECT_EQ(0x73524742u, plain.GetV5Header()->bV5CSType);
    EXPECT_EQ(nullptr, plain.GetProfileData());
    EXPECT_EQ(124u, plain.GetHeaderSizeWithProfile());

    std::string profile = "ICC-profile-bytes";
    CDib withProfile;
    ASSERT_TRUE(withProfile.CreateWithV5Profile(4, 4, 8, 0, BI_RGB, profile));
    const DWORD offset = 124 + 256 * 4;
    EXPECT_EQ(0x4D424544u, withProfile.GetV5Header()->bV5CSType);
    EXPECT_EQ(offset, withProfile.GetV5Header()->bV5ProfileData);
    EXPECT_EQ(profile.size(), withProfile.GetProfileSize());
    EXPECT_EQ(offset + profile.size(), withProfile.GetHeaderBlockSize());
    EXPECT_EQ(offset + profile.size(), withProfile.GetHeaderSizeWithProfile());
    EXPECT_EQ(profile, std::string(reinterpret_cast<char*>(withProfile.GetProfileData()), profile.size()));

    // A copy carries table and profile along.
    CDib copy;
    ASSERT_TRUE(copy.CopyHeaderFrom(withProfile.GetHeader()));
    EXPECT_EQ(profile, std::string(reinterpret_cast<char*>(copy.GetProfileData()), copy.GetProfileSize()));
    EXPECT_EQ(0, copy.CompareColorTable(withProfile));

    // Handed on as a plain info header.
    std::vector<BYTE> buffer(40 + 1024);
    EXPECT_FALSE(withProfile.CopyInfoHeaderTo(buffer.data(), buffer.size() - 1));
    ASSERT_TRUE(withProfile.CopyInfoHeaderTo(buffer.data(), buffer.size()));
    EXPECT_EQ(40u, reinterpret_cast<BITMAPINFOHEADER*>(buffer.data())->biSize);
    EXPECT_EQ(4, reinterpret_cast<BITMAPINFOHEADER*>(buffer.data())->biWidth);
}

TEST(Dib, CreateLikeKeepsTableOnlyForPalettedTargets)
{
    CDib src;
    ASSERT_TRUE(src.CreateWithInfoHeader(2, 2, 8, 4));
    src.GetColorTable()[3].rgbRed = 99;
    CDib like8;
    ASSERT_TRUE(like8.CreateLike(5, 6, 8, src.GetHeader()));
    EXPECT_EQ(256, like8.GetColorTableCount());
    EXPECT_EQ(99, like8.GetColorTable()[3].rgbRed);
    EXPECT_EQ(4, like8.GetColorTable()[4].rgbRed);  // rest of the grey ramp
    CDib like32;
    ASSERT_TRUE(like32.CreateLike(5, 6, 32, src.GetHeader()));
    EXPECT_EQ(0, like32.GetColorTableCount());
    // From its own header.
    ASSERT_TRUE(like8.CreateLike(7, 7, 8, like8.GetHeader()));
    EXPECT_EQ(99, like8.GetColorTable()[3].rgbRed);
}

TEST(Dib, RowsAndQueries)
{
    CDib dib;
    EXPECT_FALSE(dib.AllocBits());
    EXPECT_FALSE(dib.IsValid());
    EXPECT_EQ(nullptr, dib.GetTopRow());
    ASSERT_TRUE(dib.CreateWithInfoHeader(3, 4, 32));
    EXPECT_FALSE(dib.IsValid());
    ASSERT_TRUE(dib.AllocBits());
    EXPECT_TRUE(dib.HasPixels());
    EXPECT_EQ(dib.GetBits() + 3 * 12, dib.GetTopRow());
    EXPECT_EQ(dib.GetBits() + 2 * 12, dib.GetImageRow(1));

    CDib topDown;
    ASSERT_TRUE(topDown.CreateWithInfoHeader(3, -4, 32));
    ASSERT_TRUE(topDown.AllocBits());
    EXPECT_EQ(topDown.GetBits(), topDown.GetTopRow());
    EXPECT_EQ(-4, topDown.GetSize().cy);

    CDib empty;
    ASSERT_TRUE(empty.CreateWithInfoHeader(0, 4, 32));
    ASSERT_TRUE(empty.AllocBits());
    EXPECT_FALSE(empty.HasPixels());
}

TEST(Dib, ComparePixelsAndCopy)
{
    CDib a, b;
    ASSERT_TRUE(a.CreateWithInfoHeader(2, 2, 32) && a.AllocBits());
    a.FillBytes(7);
    a.GetHeader()->biXPelsPerMeter = 3780;
    ASSERT_TRUE(b.CopyFrom(a));
    EXPECT_TRUE(a.ComparePixels(b));
    EXPECT_EQ(3780, b.GetHeader()->biXPelsPerMeter);
    b.GetBits()[5] = 8;
    EXPECT_FALSE(a.ComparePixels(b));
    b.Clear();
    EXPECT_EQ(0, b.GetBits()[5]);
    CDib c;
    ASSERT_TRUE(c.CreateWithInfoHeader(2, 3, 32) && c.AllocBits());
    EXPECT_FALSE(a.ComparePixels(c));
    EXPECT_TRUE(a.CopyFrom(a));
}

TEST(Dib, AttachAndDetachHandOverOwnership)
{
    CDib a;
    ASSERT_TRUE(a.CreateWithInfoHeader(2, 2, 32) && a.AllocBits());
    BITMAPINFOHEADER* h = nullptr;
    BYTE* bits = nullptr;
    a.Detach(&h, &bits);
    EXPECT_EQ(nullptr, a.GetHeader());
    ASSERT_NE(nullptr, h);
    CDib b;
    EXPECT_TRUE(b.Attach(h, bits));
    EXPECT_TRUE(b.IsValid());
    EXPECT_EQ(2, b.GetWidth());
}

TEST(Dib, SectionLifetime)
{
    CDibSection section;
    ASSERT_TRUE(section.CreateWithV5Header(8, 8, 32));
    ASSERT_TRUE(section.AllocBits());
    HBITMAP first = section.GetBitmap();
    ASSERT_NE(nullptr, first);
    DIBSECTION info = {};
    ASSERT_EQ(static_cast<int>(sizeof info), GetObjectW(first, sizeof info, &info));
    EXPECT_EQ(section.GetBits(), info.dsBm.bmBits);

    // Reallocating replaces the section and deletes the old one.
    ASSERT_TRUE(section.AllocBits());
    EXPECT_NE(nullptr, section.GetBitmap());
    EXPECT_EQ(0, GetObjectW(first, sizeof info, &info));

    HBITMAP second = section.GetBitmap();
    section.FreeBits();
    EXPECT_EQ(nullptr, section.GetBits());
    EXPECT_EQ(nullptr, section.GetBitmap());
    EXPECT_EQ(0, GetObjectW(second, sizeof info, &info));

    // Selected into a DC, the section receives GDI drawing.
    ASSERT_TRUE(section.AllocBits());
    section.Clear();
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, section.GetBitmap());
    RECT r = {0, 0, 1, 1};
    HBRUSH brush = CreateSolidBrush(RGB(10, 20, 30));
    FillRect(dc, &r, brush);
    GdiFlush();
    SelectObject(dc, old);
    DeleteObject(brush);
    DeleteDC(dc);
    const BYTE* top = section.GetTopRow();
    EXPECT_EQ(30, top[0]);
    EXPECT_EQ(20, top[1]);
    EXPECT_EQ(10, top[2]);
}

TEST(Dib, SizesWhoseRowsOverflowAreRefused)
{
    struct Case { LONG w, h; WORD bits; bool ok; } cases[] = {
        {-1, 5, 32, false}, {0x40000000, 1, 32, false}, {70000, 70000, 32, false}, {65536, -16384, 32, false},
        {65536, 16383, 32, true}, {1, 1, 1, true},
    };
    for (const Case& c : cases) {
        CDib dib;
        EXPECT_EQ(c.ok, dib.CreateWithInfoHeader(c.w, c.h, c.bits)) << c.w << "x" << c.h;
        EXPECT_EQ(c.ok, dib.GetHeader() != nullptr);
    }
}

TEST(Dib, PatternBrush)
{
    CDib dib;
    ASSERT_TRUE(dib.CreateWithInfoHeader(8, 8, 32) && dib.AllocBits());
    dib.FillBytes(0x40);
    HBRUSH brush = dib.CreatePatternBrush();
    ASSERT_NE(nullptr, brush);
    DeleteObject(brush);
    CDib none;
    EXPECT_EQ(nullptr, none.CreatePatternBrush());

    // The holder over a packed DIB in global memory.
    const size_t bytes = 40 + dib.GetImageSize();
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes);
    ASSERT_NE(nullptr, block);
    BYTE* p = static_cast<BYTE*>(GlobalLock(block));
    ASSERT_TRUE(dib.CopyInfoHeaderTo(p, bytes));
    memcpy(p + 40, dib.GetBits(), dib.GetImageSize());
    GlobalUnlock(block);
    {
        CDibPatternBrush holder;
        ASSERT_TRUE(holder.Create(block));
        EXPECT_NE(nullptr, holder.Get());
        EXPECT_TRUE(holder.Delete());
        EXPECT_EQ(nullptr, holder.Get());
        EXPECT_FALSE(holder.Create(nullptr));
    }
    GlobalFree(block);
}

TEST(Dib, PixelCursorAddressesFromTheTop)
{
    CDib dib;
    ASSERT_TRUE(dib.CreateWithInfoHeader(4, 3, 32) && dib.AllocBits());
    CDibPixelCursor c(dib);
    EXPECT_EQ(dib.GetTopRow(), c.current);
    EXPECT_EQ(dib.GetBits() + 3 * 16, c.end);
    RECT area = {1, 1, 3, 9};
    c.SetArea(area);
    EXPECT_EQ(3, c.area.bottom);  // clipped
    EXPECT_EQ(dib.GetImageRow(1) + 4, c.current);
    EXPECT_EQ(dib.GetImageRow(2) + 4, c.Row(1));
}

// Expected pixel order of each line walk, by image coordinates.
TEST(Dib, LineIterators)
{
    CDib dib;
    ASSERT_TRUE(dib.CreateWithInfoHeader(3, 2, 32) && dib.AllocBits());
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            reinterpret_cast<uint32_t*>(dib.GetImageRow(y))[x] = static_cast<uint32_t>(y * 10 + x);
    auto walk = [](const CDibLines& lines) {
        std::vector<std::vector<uint32_t>> out;
        for (CDibLineIterator it = lines.first; it != lines.second; ++it) {
            out.emplace_back();
            for (BYTE* p : *it)
                out.back().push_back(*reinterpret_cast<uint32_t*>(p));
        }
        return out;
    };
    typedef std::vector<std::vector<uint32_t>> V;
    EXPECT_EQ((V{{0, 10}, {1, 11}, {2, 12}}), walk(GetDibColumnLines(dib, 0, 0, 3, 2, false, false)));
    EXPECT_EQ((V{{12, 2}, {11, 1}}), walk(GetDibColumnLines(dib, 2, 1, 2, 2, true, true)));
    EXPECT_EQ((V{{0, 1, 2}, {10, 11, 12}}), walk(GetDibRowLines(dib, 0, 0, 3, 2, false, false)));
    EXPECT_EQ((V{{12, 11, 10}, {2, 1, 0}}), walk(GetDibRowLines(dib, 2, 1, 3, 2, true, true)));
    // Counts past the edge are cut; starts outside give nothing.
    EXPECT_EQ((V{{1, 2}, {11, 12}}), walk(GetDibRowLines(dib, 1, 0, 9, 9, false, false)));
    EXPECT_TRUE(walk(GetDibRowLines(dib, 3, 0, 1, 1, false, false)).empty());
    EXPECT_TRUE(walk(GetDibColumnLines(dib, 0, 2, 1, 1, false, false)).empty());
}
