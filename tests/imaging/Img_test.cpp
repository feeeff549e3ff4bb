#include "imaging/Img.h"
#include "foundation/Error.h"
#include "imaging/ColorProfile.h"
#include "resources/strings_imaging.h"
#include <gtest/gtest.h>
#include <sstream>

TEST(Img, FormatTable)
{
    struct Case { uint32_t format; int bits, bytes, family, alpha, strideW1, strideW5; } cases[] = {
        {BGRA32, 32, 4, 0, 3, 4, 20},
        {BGR24, 24, 3, 0, -1, 4, 16},
        {CMYKA40, 40, 5, 1, 4, 8, 28},
        {CMYK32, 32, 4, 1, -1, 4, 20},
        {MONO8, 8, 1, 2, -1, 4, 8},
        {MONO1, 1, 0, 2, -1, 4, 4},
        {77, 0, 0, 0, -1, 0, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.bits, GetImgBitsPerPixel(c.format)) << c.format;
        EXPECT_EQ(c.bytes, GetImgBytesPerPixel(c.format)) << c.format;
        EXPECT_EQ(c.family, GetImgFormatFamily(c.format)) << c.format;
        EXPECT_EQ(c.alpha, GetImgAlphaIndex(c.format)) << c.format;
        EXPECT_EQ(0, CImg(c.format, 0, 3).GetStride()) << c.format;
        EXPECT_EQ(c.strideW1, CImg(c.format, 1, 3).GetStride()) << c.format;
        EXPECT_EQ(c.strideW5, CImg(c.format, 5, 3).GetStride()) << c.format;
    }
    EXPECT_EQ(12, CImg(BGR24, 3, 1).GetStride());
    EXPECT_EQ(8, CImg(MONO1, 33, 1).GetStride());
}

TEST(Img, EqualsComparesEveryField)
{
    CImg a(BGRA32, 2, 2);
    a.AllocBits();
    a.m_dpiX = a.m_dpiY = 96;
    CImg b = a;
    EXPECT_TRUE(a.Equals(b));
    b.m_dpiY = 96.0000001;
    EXPECT_FALSE(a.Equals(b));
    b = a;
    b.m_bits[3] = 1;
    EXPECT_FALSE(a.Equals(b));

    // Distinct context objects with equal bytes are equal; one empty is not.
    b = a;
    a.m_cc.reset(new CColorContext);
    a.m_cc->SetProfile("abc", 3);
    EXPECT_FALSE(a.Equals(b));
    b.m_cc = a.m_cc->Clone();
    EXPECT_NE(a.m_cc.get(), b.m_cc.get());
    EXPECT_TRUE(a.Equals(b));
    b.m_cc->m_profile[0] = 'x';
    EXPECT_FALSE(a.Equals(b));

    boost::shared_ptr<CImg> clone = a.Clone();
    EXPECT_TRUE(clone->Equals(a));
    EXPECT_EQ(a.m_cc.get(), clone->m_cc.get());
    boost::shared_ptr<CImg> header = a.CloneHeader();
    EXPECT_TRUE(header->m_bits.empty());
    EXPECT_EQ(2, header->m_w);

    CImg c(MONO8, 7, 1);
    c.Swap(a);
    EXPECT_EQ(MONO8, a.m_format);
    EXPECT_EQ(BGRA32, c.m_format);
    EXPECT_EQ(16u, c.m_bits.size());
}

TEST(Img, ColorContextEquality)
{
    CColorContext none1, none2;
    none1.m_profile.assign(3, 1);  // stale bytes do not count for NONE
    EXPECT_TRUE(none1 == none2);
    CColorContext exif1, exif2;
    exif1.SetExifColorSpace(1);
    exif2.SetExifColorSpace(2);
    EXPECT_FALSE(exif1 == exif2);
    exif2.SetExifColorSpace(1);
    EXPECT_TRUE(exif1 == exif2);
    EXPECT_FALSE(exif1 == none1);
    CColorContext odd1, odd2;
    odd1.m_type = odd2.m_type = static_cast<ColorContextType>(9);
    EXPECT_FALSE(odd1 == odd2);

    std::vector<uint8_t> bytes = {1, 2, 3};
    CColorContext taken;
    taken.TakeProfile(bytes);
    EXPECT_TRUE(bytes.empty());
    EXPECT_EQ(ColorContextType::PROFILE, taken.Type());
    EXPECT_EQ(3u, taken.m_profile.size());
}

TEST(Img, MultiplyImgAlpha)
{
    CImg dst(BGRA32, 2, 1), src(CMYKA40, 2, 1);
    dst.AllocBits();
    src.AllocBits();
    uint8_t* d = dst.Row(0);
    d[0] = 9; d[3] = 255; d[7] = 254;
    src.Row(0)[4] = 128;
    src.Row(0)[9] = 1;
    MultiplyImgAlpha(dst, src);
    EXPECT_EQ(128, d[3]);
    EXPECT_EQ(0, d[7]);  // 1 x 254 / 255 truncates
    EXPECT_EQ(9, d[0]);

    CImg rgb(BGR24, 2, 1), other(BGRA32, 3, 1);
    rgb.AllocBits();
    other.AllocBits();
    for (CImg* bad : {&rgb, &other}) {
        try {
            MultiplyImgAlpha(dst, *bad);
            ADD_FAILURE() << "accepted";
        } catch (const my::CException& e) {
            EXPECT_EQ(UINT(IDS_IMAGE_FORMAT_UNSUPPORTED), e.id);
            EXPECT_EQ(L"未対応の画像フォーマットが指定されました", e.message);
        }
    }
    ScaleImgAlpha(dst, 32768);
    EXPECT_EQ(64, d[3]);
}

TEST(Img, CheckEqualsNamesTheMember)
{
    CImg a(BGRA32, 1, 1), b(BGRA32, 1, 1);
    a.AllocBits();
    b.AllocBits();
    EXPECT_NO_THROW(check_equals(a, b));
    auto detail = [&]() -> std::wstring {
        try {
            check_equals(a, b);
        } catch (const my::CException& e) {
            return e.message;
        }
        return L"";
    };
    b.m_dpiX = 1;
    EXPECT_NE(std::wstring::npos, detail().find(L"CImg::m_dpiX"));
    b.m_dpiX = 0;
    b.m_cc.reset(new CColorContext);
    EXPECT_NE(std::wstring::npos, detail().find(L"only left is null!"));
    a.m_cc.reset(new CColorContext);
    a.m_cc->SetExifColorSpace(1);
    EXPECT_NE(std::wstring::npos, detail().find(L"CColorContext::m_type"));
}

TEST(Img, Dump)
{
    CImg a(BGR24, 2, 2);
    a.AllocBits();
    a.m_bits[0] = 0xAB;
    a.m_bits[9] = 0x05;
    a.m_dpiX = 96;
    a.m_dpiY = 72.5;
    std::wostringstream os;
    Dump(os, a, true);
    EXPECT_EQ(L"Img [BGR24], (2, 2), dpi: (96, 72.5), bits: 16 bytes\n"
              L"ColorContext: (null)\n"
              L"ab00000000000000\n"
              L"0005000000000000\n",
              os.str());
    a.m_format = 12;
    a.m_cc.reset(new CColorContext);
    a.m_cc->SetExifColorSpace(65535);
    std::wostringstream os2;
    Dump(os2, a, false);
    EXPECT_EQ(L"Img [ImgFormat::(12)], (2, 2), dpi: (96, 72.5), bits: 16 bytes\n"
              L"ColorContext type: EXIF\n  exifColorSpace: 65535\n  profile: (empty)\n",
              os2.str());
}

TEST(Img, ContextFromProfileAndItsDump)
{
    EXPECT_FALSE(CColorContext::FromColorProfile(CColorProfilePtr()));
    CColorProfilePtr srgb = GetSharedSrgbProfile();
    ASSERT_TRUE(srgb);
    boost::shared_ptr<CColorContext> cc = CColorContext::FromColorProfile(srgb);
    ASSERT_TRUE(cc);
    EXPECT_EQ(ColorContextType::PROFILE, cc->Type());
    EXPECT_EQ(srgb->GetBytes().size(), cc->m_profile.size());
    std::wostringstream os;
    Dump(os, *cc);
    EXPECT_EQ(L"ColorContext type: PROFILE\n  exifColorSpace: 0\n  profile: " + srgb->GetName() + L"\n", os.str());
    EXPECT_FALSE(srgb->GetName().empty());

    CColorContext broken;
    broken.SetProfile("not a profile", 13);
    std::wostringstream os2;
    Dump(os2, broken);
    EXPECT_NE(std::wstring::npos, os2.str().find(L"  profile: FAILED "));
}
