#include "imaging/ColorProfile.h"
#include "imaging/GdiPlusBitmap.h"
#include "imaging/Img.h"
#include "resources/strings_drawing.h"
#include "resources/strings_foundation.h"
#include "tests/common/TestSupport.h"
#include <gtest/gtest.h>
#include <cstring>
#include <sstream>

namespace {

std::string SrgbBytes()
{
    std::wstring path;
    if (FAILED(GetStandardSrgbProfilePath(path)))
        return std::string();
    return ReadFileBytes(path);
}

DWORD ReadBE(const std::string& b, size_t at)
{
    return (DWORD(BYTE(b[at])) << 24) | (DWORD(BYTE(b[at + 1])) << 16) | (DWORD(BYTE(b[at + 2])) << 8) |
           DWORD(BYTE(b[at + 3]));
}

void WriteBE(std::string& b, size_t at, DWORD v)
{
    for (int i = 0; i < 4; ++i)
        b[at + i] = static_cast<char>((v >> (24 - 8 * i)) & 0xFF);
}

// Offset of a tag's data in an ICC profile, 0 when absent.
size_t TagOffset(const std::string& profile, DWORD tag)
{
    DWORD count = ReadBE(profile, 128);
    for (DWORD i = 0; i < count; ++i) {
        size_t entry = 132 + i * 12;
        if (ReadBE(profile, entry) == tag)
            return ReadBE(profile, entry + 4);
    }
    return 0;
}

std::string DescElement(DWORD count, const std::string& text, size_t totalSize)
{
    std::string d("desc\0\0\0\0", 8);
    d.append(4, '\0');
    WriteBE(d, 8, count);
    d += text;
    d.resize(totalSize, '\0');
    return d;
}

} // namespace

TEST(ColorProfile, StandardSrgbOpensByNameAndByPath)
{
    std::wstring path;
    ASSERT_EQ(S_OK, GetStandardSrgbProfilePath(path));
    CColorProfile byPath;
    ASSERT_EQ(S_OK, byPath.OpenFile(path));
    EXPECT_FALSE(byPath.GetName().empty());
    EXPECT_EQ(kColorSpaceRgb, byPath.GetHeader().phDataColorSpace);

    // A bare file name is looked up in the colour folder.
    std::wstring bare = path.substr(path.rfind(L'\\') + 1);
    CColorProfile byName;
    ASSERT_EQ(S_OK, byName.OpenFile(bare));
    EXPECT_EQ(byPath.GetName(), byName.GetName());
    EXPECT_TRUE(byPath == byName);

    std::wstring dir;
    ASSERT_EQ(S_OK, GetColorDirectoryPath(dir));
    EXPECT_EQ(0, _wcsicmp(dir.c_str(), path.substr(0, path.rfind(L'\\')).c_str()));

    std::wstring desc;
    EXPECT_EQ(S_OK, byName.GetDescription(desc));
    EXPECT_EQ(byName.GetName(), desc);
}

TEST(ColorProfile, OpenCloseStates)
{
    CColorProfile p;
    EXPECT_EQ(S_FALSE, p.Close());
    DWORD count = 0;
    EXPECT_EQ(E_FAIL, p.GetElementCount(count));
    EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND), p.OpenFile(L"no such profile.icm"));
    EXPECT_FALSE(p.IsOpen());
    EXPECT_EQ(E_FAIL, p.OpenMemory(nullptr, 0));

    std::string bytes = SrgbBytes();
    ASSERT_FALSE(bytes.empty());
    ASSERT_EQ(S_OK, p.OpenMemory(reinterpret_cast<const BYTE*>(bytes.data()), static_cast<DWORD>(bytes.size())));
    EXPECT_EQ(bytes.size(), p.GetBytes().size());
    EXPECT_EQ(S_OK, p.Close());
    EXPECT_TRUE(p.GetBytes().empty());
    EXPECT_EQ(S_FALSE, p.Close());
}

TEST(ColorProfile, ElementsAndCloneAndDump)
{
    CColorProfilePtr srgb = GetSharedSrgbProfile();
    ASSERT_TRUE(srgb);
    DWORD count = 0;
    ASSERT_EQ(S_OK, srgb->GetElementCount(count));
    ASSERT_GT(count, 0u);
    bool sawDesc = false;
    for (DWORD i = 1; i <= count; ++i) {
        TAGTYPE tag = 0;
        ASSERT_EQ(S_OK, srgb->GetElementTag(i, tag));
        std::string data;
        bool reference = false;
        ASSERT_EQ(S_OK, srgb->GetElementAt(i, data, reference)) << i;
        EXPECT_FALSE(data.empty());
        std::string zeroBased;
        ASSERT_EQ(S_OK, srgb->GetElementAtZero(i - 1, zeroBased, reference));
        EXPECT_EQ(data, zeroBased);
        sawDesc = sawDesc || tag == kTagDesc;
    }
    EXPECT_TRUE(sawDesc);
    std::string missing;
    bool reference = false;
    EXPECT_TRUE(FAILED(srgb->GetElement(0x6E6F6E65 /* "none" */, missing, reference)));

    CColorProfilePtr copy = srgb->Clone();
    ASSERT_TRUE(copy->IsOpen());
    EXPECT_EQ(srgb->GetName(), copy->GetName());
    EXPECT_TRUE(*srgb == *copy);
    EXPECT_FALSE(*srgb < *copy);

    std::wostringstream os;
    srgb->Dump(os);
    EXPECT_NE(std::wstring::npos, os.str().find(L"desc")) << Narrow(os.str());
    EXPECT_NE(std::wstring::npos, os.str().find(srgb->GetName()));
    EXPECT_NE(std::wstring::npos, os.str().find(L"RGB "));
    std::wostringstream closed;
    CColorProfile().Dump(closed);
    EXPECT_NE(std::wstring::npos, closed.str().find(L"m_hProfile == NULL"));
}

TEST(ColorProfile, ProfilesDiffer)
{
    CColorProfilePtr srgb = GetSharedSrgbProfile();
    ASSERT_TRUE(srgb);
    std::string bytes = SrgbBytes();
    bytes[80] ^= 0x5A;  // the creator field: same colours, another header
    CColorProfilePtr other(new CColorProfile);
    ASSERT_EQ(S_OK, other->OpenMemory(reinterpret_cast<const BYTE*>(bytes.data()), static_cast<DWORD>(bytes.size())));

    struct Case { CColorProfilePtr a, b; bool differ; } cases[] = {
        {CColorProfilePtr(), CColorProfilePtr(), false},
        {CColorProfilePtr(), srgb, false},
        {srgb, CColorProfilePtr(), false},
        {srgb, srgb->Clone(), false},
        {srgb, other, true},
        {other, CColorProfilePtr(), true},
    };
    for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i)
        EXPECT_EQ(cases[i].differ, ProfilesDiffer(cases[i].a, cases[i].b)) << i;

    EXPECT_FALSE(ColorTransformNeeded(ICM_OFF, srgb, other));
    EXPECT_FALSE(ColorTransformNeeded(ICM_QUERY, srgb, other));
    EXPECT_TRUE(ColorTransformNeeded(ICM_ON, srgb, other));
    EXPECT_TRUE(ColorTransformNeeded(ICM_ON, CColorProfilePtr(), other));
    EXPECT_FALSE(ColorTransformNeeded(ICM_ON, CColorProfilePtr(), srgb));
}

TEST(ColorProfile, TextDescriptionBounds)
{
    const size_t size = 40;
    struct Case { const char* what; std::string data; HRESULT hr; const wchar_t* text; } cases[] = {
        {"plain", DescElement(5, std::string("abcd\0", 5), size), S_OK, L"abcd"},
        {"only the NUL", DescElement(1, std::string(1, '\0'), size), S_OK, L""},
        {"count 0", DescElement(0, "", size), E_FAIL, nullptr},
        {"count + 10 wraps", DescElement(0xFFFFFFF8u, "abc", size), E_FAIL, nullptr},
        {"count reaches the end", DescElement(size - 12, "x", size), S_OK, nullptr},
        {"count one past the end", DescElement(size - 11, "x", size), E_FAIL, nullptr},
        {"other type", std::string("text") + DescElement(5, "abcd", size).substr(4), E_FAIL, nullptr},
        {"header only", DescElement(1, "", 12), E_FAIL, nullptr},
    };
    for (const Case& c : cases) {
        std::wstring text = L"unchanged";
        EXPECT_EQ(c.hr, ParseTextDescription(c.data, text)) << c.what;
        if (c.text) {
            EXPECT_EQ(c.text, text) << c.what;
        }
    }
}

TEST(ColorProfile, UntrustedEmbeddedDescriptionFailsToOpen)
{
    std::string bytes = SrgbBytes();
    ASSERT_FALSE(bytes.empty());
    size_t desc = TagOffset(bytes, kTagDesc);
    ASSERT_GT(desc, 0u);
    for (DWORD count : {0u, 0xFFFFFFF7u, 0xFFFFFFFFu}) {
        std::string bad = bytes;
        WriteBE(bad, desc + 8, count);
        CColorProfile p;
        HRESULT hr = S_OK;
        EXPECT_NO_THROW(hr = p.OpenMemory(reinterpret_cast<const BYTE*>(bad.data()), static_cast<DWORD>(bad.size())));
        EXPECT_EQ(E_FAIL, hr) << count;
    }
}

TEST(ColorProfile, ProfileChoice)
{
    const wchar_t* const cmyk[] = {L"JapanStandard.icc", L"RSWOP.icm"};
    const wchar_t* const rgb[] = {L"sRGB Color Space Profile.icm"};
    struct Case {
        const char* what;
        std::vector<std::wstring> installed;
        const wchar_t* const* preferred;
        int count;
        const wchar_t* expected;
    } cases[] = {
        {"both preferred installed", {L"a.icm", L"RSWOP.icm", L"JapanStandard.icc"}, cmyk, 2, L"JapanStandard.icc"},
        {"second preference, other case", {L"a.icm", L"rswop.ICM"}, cmyk, 2, L"rswop.ICM"},
        {"none preferred", {L"first.icc", L"second.icc"}, cmyk, 2, L"first.icc"},
        {"nothing installed", {}, cmyk, 2, L""},
        {"wine's lower-case sRGB", {L"other.icm", L"srgb color space profile.icm"}, rgb, 1,
         L"srgb color space profile.icm"},
        {"prefix is not a match", {L"sRGB Color Space Profile.icm.bak"}, rgb, 1, L"sRGB Color Space Profile.icm.bak"},
        {"only A-Z fold", {L"x.icm", L"\xFF33RGB Color Space Profile.icm"}, rgb, 1, L"x.icm"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.expected, ChooseProfileName(c.installed, c.preferred, c.count)) << c.what;
}

TEST(ColorProfile, DefaultProfilesOnThisSystem)
{
    std::wstring rgb = DefaultProfileName(kColorSpaceRgb);
    ASSERT_FALSE(rgb.empty());
    EXPECT_EQ(0, _wcsicmp(L"sRGB Color Space Profile.icm", rgb.c_str()));
    EXPECT_TRUE(DefaultProfileName(kColorSpaceGray).empty());
    EXPECT_TRUE(DefaultProfileName(0x12345678).empty());

    CColorProfilePtr def = GetDefaultRgbProfile();
    ASSERT_TRUE(def);
    EXPECT_FALSE(ProfilesDiffer(def, CColorProfilePtr()));
    EXPECT_EQ(def, DefaultProfileForColorSpace(kColorSpaceRgb));
    EXPECT_TRUE(GetDisplayOrRgbProfile());

    EXPECT_FALSE(DefaultProfileForColorSpace(kColorSpaceGray));
    try {
        DefaultProfileForColorSpace(0x58595A20);  // "XYZ "
        ADD_FAILURE() << "no exception";
    } catch (const my::CException& e) {
        EXPECT_EQ(UINT(IDS_ICM_UNKNOWN_COLOR_SPACE), e.id);
        EXPECT_NE(std::wstring::npos, e.message.find(L"1482250784"));
    }
}

TEST(ColorProfile, CacheRecordsMissingProfileOnce)
{
    // This system has no CMYK profile.
    if (!DefaultProfileName(kColorSpaceCmyk).empty())
        GTEST_SKIP() << "a CMYK profile is installed";
    CProfileCache cache(0, kColorSpaceCmyk);
    EXPECT_FALSE(cache.Get());
    EXPECT_EQ(UINT(IDS_ICM_DEFAULT_PROFILE_NOT_FOUND), cache.GetError().id);
    EXPECT_NE(std::wstring::npos, cache.GetError().message.find(L"1129142603"));
    EXPECT_FALSE(cache.Get());
    EXPECT_EQ(UINT(IDS_ICM_DEFAULT_PROFILE_NOT_FOUND), cache.GetError().id);
    EXPECT_FALSE(DefaultProfileForColorSpace(kColorSpaceCmyk));

    CProfileCache rgb(0, kColorSpaceRgb);
    CColorProfilePtr first = rgb.Get();
    ASSERT_TRUE(first);
    EXPECT_EQ(first, rgb.Get());
    EXPECT_FALSE(rgb.GetError().IsError());
}

TEST(ColorProfile, SmallHelpers)
{
    EXPECT_EQ(L"RGB ", SignatureText(kColorSpaceRgb));
    EXPECT_EQ(L"CMYK", SignatureText(kColorSpaceCmyk));
    const BYTE twelve[12] = {0, 0, 0, 0, 0, 0, 0, 0, 0x12, 0x34, 0x56, 0x78};
    EXPECT_EQ(0x12345678u, MakeDwordBE(twelve, 12));
    try {
        MakeDwordBE(twelve, 11);
        ADD_FAILURE() << "no exception";
    } catch (const my::CException& e) {
        EXPECT_EQ(UINT(IDS_BUFFER_OVERRUN), e.id);
        EXPECT_NE(std::wstring::npos, e.message.find(L"MakeDwordBE"));
    }
    COLOR c;
    c.rgb.red = 0xFF80;
    c.rgb.green = 0x01FF;
    c.rgb.blue = 0x8000;
    EXPECT_EQ(RGB(0xFF, 0x01, 0x80), ColorToColorref(c));

    // Bands skip a band that answers 0; a surface's DCs must all agree.
    struct Case { std::vector<int> answers; int bands, surface; } cases[] = {
        {{}, 0, 0}, {{1, 1}, 1, 1}, {{2, 1}, 0, 0}, {{0, 2}, 2, 0}, {{2, 0, 2}, 2, 0}, {{0, 0}, 0, 0}, {{2}, 2, 2},
    };
    for (const Case& k : cases) {
        EXPECT_EQ(k.bands, CombineIcmQueryAnswers(k.answers)) << k.answers.size();
        EXPECT_EQ(k.surface, CommonIcmQueryAnswer(k.answers)) << k.answers.size();
    }
}

TEST(ColorTransform, TranslatesThroughSrgb)
{
    CColorProfilePtr srgb = GetSharedSrgbProfile();
    ASSERT_TRUE(srgb);
    CColorTransform t;
    EXPECT_EQ(S_FALSE, t.Delete());
    EXPECT_EQ(E_FAIL, t.TranslateBits(nullptr, 0, 0, 0, nullptr, 0));
    ASSERT_EQ(S_OK, t.Create(srgb->GetHandle(), srgb->GetHandle()));

    // Two rows of three pixels, padded rows in the source.
    const DWORD srcStride = 16, dstStride = 12;
    BYTE src[32] = {};
    const BYTE colours[6][4] = {{0, 0, 0, 10}, {255, 255, 255, 20}, {0, 0, 255, 30},
                                {0, 255, 0, 40}, {255, 0, 0, 50}, {128, 64, 32, 255}};
    for (int i = 0; i < 6; ++i)
        std::memcpy(src + (i / 3) * srcStride + (i % 3) * 4, colours[i], 4);
    BYTE dst[24];
    std::memset(dst, 0xEE, sizeof dst);
    ASSERT_EQ(S_OK, t.TranslateBits(src, 3, 2, srcStride, dst, dstStride));
    for (int i = 0; i < 6; ++i)
        for (int ch = 0; ch < 3; ++ch)
            EXPECT_NEAR(colours[i][ch], dst[(i / 3) * dstStride + (i % 3) * 4 + ch], 3) << i << "/" << ch;

    // The fourth byte is not carried by the transform: it is copied after it.
    CopyAlphaChannel(src, srcStride, dst, dstStride, 3, 2);
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(colours[i][3], dst[(i / 3) * dstStride + (i % 3) * 4 + 3]) << i;

    COLOR in[1], out[1];
    in[0].rgb.red = 0xFFFF;
    in[0].rgb.green = 0;
    in[0].rgb.blue = 0;
    ASSERT_EQ(S_OK, t.TranslateColors(in, 1, COLOR_RGB, out, COLOR_RGB));
    EXPECT_EQ(RGB(255, 0, 0), ColorToColorref(out[0]));
    EXPECT_EQ(S_OK, t.Delete());
    EXPECT_EQ(S_FALSE, t.Delete());
}

TEST(ColorProfile, FromColorContext)
{
    EXPECT_FALSE(CColorProfile::FromColorContext(boost::shared_ptr<CColorContext>()));
    boost::shared_ptr<CColorContext> cc(new CColorContext);
    EXPECT_FALSE(CColorProfile::FromColorContext(cc));

    std::string bytes = SrgbBytes();
    cc->SetProfile(bytes.data(), bytes.size());
    CColorProfilePtr embedded = CColorProfile::FromColorContext(cc);
    ASSERT_TRUE(embedded);
    EXPECT_FALSE(ProfilesDiffer(embedded, CColorProfilePtr()));

    cc->SetExifColorSpace(1);
    EXPECT_EQ(GetDefaultRgbProfile(), CColorProfile::FromColorContext(cc));

    struct Case { const char* what; ColorContextType type; uint32_t exif; std::string profile; UINT id; } cases[] = {
        {"no bytes", ColorContextType::PROFILE, 0, "", IDS_ICM_OPEN_PROFILE_FAILED},
        {"not a profile", ColorContextType::PROFILE, 0, std::string(200, 'x'), IDS_ICM_OPEN_PROFILE_FAILED},
        {"unknown exif space", ColorContextType::EXIF, 2, "", IDS_ICM_UNKNOWN_EXIF_SPACE},
        {"unknown type", static_cast<ColorContextType>(7), 0, "", IDS_INTERNAL_ERROR},
    };
    for (const Case& c : cases) {
        boost::shared_ptr<CColorContext> bad(new CColorContext);
        bad->m_type = c.type;
        bad->m_exifColorSpace = c.exif;
        bad->m_profile.assign(c.profile.begin(), c.profile.end());
        try {
            CColorProfile::FromColorContext(bad);
            ADD_FAILURE() << c.what;
        } catch (const my::CException& e) {
            EXPECT_EQ(c.id, e.id) << c.what;
        }
    }
}

TEST(ColorTransform, TransformedBitmapKeepsItsAlpha)
{
    CColorProfilePtr srgb = GetSharedSrgbProfile();
    ASSERT_TRUE(srgb);
    std::string bytes = SrgbBytes();
    bytes[80] ^= 0x5A;  // same colours, another header
    CColorProfilePtr other(new CColorProfile);
    ASSERT_EQ(S_OK, other->OpenMemory(reinterpret_cast<const BYTE*>(bytes.data()), static_cast<DWORD>(bytes.size())));

    // A bottom-up DIB: GDI+ sees it through a negative stride.
    CDib dib;
    ASSERT_TRUE(dib.CreateWithInfoHeader(3, 2, 32));
    ASSERT_TRUE(dib.AllocBits());
    const uint32_t pixels[2][3] = {{0x80FF0000u, 0x00000000u, 0xFF00FF00u}, {0x400000FFu, 0xC0808080u, 0x01FFFFFFu}};
    for (int y = 0; y < 2; ++y)
        std::memcpy(dib.GetImageRow(y), pixels[y], 12);
    boost::shared_ptr<Gdiplus::Bitmap> source = BitmapFromDib(dib, true);
    ASSERT_TRUE(source);

    struct Case { const char* what; CColorProfilePtr from, to; RECT rect; } cases[] = {
        {"whole, both given", srgb, other, {0, 0, 3, 2}},
        {"missing source profile", CColorProfilePtr(), other, {0, 0, 3, 2}},
        {"part", other, CColorProfilePtr(), {1, 1, 3, 2}},
    };
    for (const Case& c : cases) {
        boost::shared_ptr<Gdiplus::Bitmap> out;
        ASSERT_EQ(S_OK, TransformBitmapRect(c.from, source, c.rect, c.to, out)) << c.what;
        ASSERT_TRUE(out);
        ASSERT_EQ(UINT(c.rect.right - c.rect.left), out->GetWidth());
        for (LONG y = c.rect.top; y < c.rect.bottom; ++y)
            for (LONG x = c.rect.left; x < c.rect.right; ++x) {
                Gdiplus::ARGB got = 0;
                ASSERT_EQ(Gdiplus::Ok, out->GetPixel(x - c.rect.left, y - c.rect.top, &got));
                uint32_t expected = pixels[y][x];
                EXPECT_EQ(expected >> 24, got >> 24) << c.what << " " << x << "," << y;
                if ((expected >> 24) != 0) {
                    for (int ch = 0; ch < 24; ch += 8)
                        EXPECT_NEAR(int((expected >> ch) & 0xFF), int((got >> ch) & 0xFF), 3) << c.what;
                }
            }
    }
    boost::shared_ptr<Gdiplus::Bitmap> whole;
    ASSERT_EQ(S_OK, TransformBitmap(srgb, source, other, whole));
    EXPECT_EQ(3u, whole->GetWidth());
    EXPECT_EQ(2u, whole->GetHeight());
    boost::shared_ptr<Gdiplus::Bitmap> none;
    EXPECT_EQ(E_INVALIDARG, TransformBitmap(srgb, boost::shared_ptr<Gdiplus::Bitmap>(), other, none));
    EXPECT_FALSE(none);
}
