#include "imaging/ImgLoader.h"
#include "imaging/WicImaging.h"
#include "foundation/Stream.h"
#include "tests/common/TestSupport.h"
#include "tests/imaging/ImageFileSupport.h"
#include "resources/strings_wic.h"
#include "resources/strings_foundation_io.h"
#include "resources/strings_foundation.h"
#include <gtest/gtest.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <jpeglib.h>

using namespace imagefile;

namespace {

class ImgLoaderTest : public testing::Test {
protected:
    wic::CImagingFactoryScope m_factory;
    wic::CImgLoader m_loader;

    boost::shared_ptr<CImg> Load(const std::string& bytes)
    {
        CComPtr<IStream> stream;
        CreateStreamOnHGlobal(nullptr, TRUE, &stream);
        WriteStreamExact(stream, bytes.data(), static_cast<ULONG>(bytes.size()));
        LARGE_INTEGER zero = {};
        SeekStream(stream, zero, STREAM_SEEK_SET);
        boost::shared_ptr<CImg> image;
        m_loader.Load(image, stream);
        return image;
    }
};

// A file written by the system's encoder from 2 x 2 pixels of a format.
std::string Encode(const GUID& container, const GUID& format, const std::string& pixels, UINT stride)
{
    IWICImagingFactory& factory = wic::RequireImagingFactory();
    CComPtr<IStream> stream;
    CreateStreamOnHGlobal(nullptr, TRUE, &stream);
    CComPtr<IWICBitmapEncoder> encoder;
    factory.CreateEncoder(container, nullptr, &encoder);
    encoder->Initialize(stream, WICBitmapEncoderNoCache);
    CComPtr<IWICBitmapFrameEncode> frame;
    CComPtr<IPropertyBag2> bag;
    encoder->CreateNewFrame(&frame, &bag);
    frame->Initialize(bag);
    frame->SetSize(2, 2);
    WICPixelFormatGUID pf = format;
    frame->SetPixelFormat(&pf);
    EXPECT_TRUE(IsEqualGUID(pf, format));
    frame->WritePixels(2, stride, static_cast<UINT>(pixels.size()), reinterpret_cast<BYTE*>(const_cast<char*>(pixels.data())));
    frame->Commit();
    encoder->Commit();
    ULONGLONG size = 0;
    GetStreamSize(stream, size);
    std::string bytes(static_cast<size_t>(size), '\0');
    LARGE_INTEGER zero = {};
    SeekStream(stream, zero, STREAM_SEEK_SET);
    ReadStreamExact(stream, &bytes[0], static_cast<ULONG>(size));
    return bytes;
}

// A CMYK JPEG as print software writes it: Adobe marker, inks stored inverted.
std::string MakeCmykJpeg(int width, int height, const std::string& inks)
{
    jpeg_compress_struct info;
    jpeg_error_mgr error;
    info.err = jpeg_std_error(&error);
    jpeg_create_compress(&info);
    unsigned char* block = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &block, &size);
    info.image_width = width;
    info.image_height = height;
    info.input_components = 4;
    info.in_color_space = JCS_CMYK;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 100, TRUE);
    jpeg_start_compress(&info, TRUE);
    std::vector<JSAMPLE> row(static_cast<size_t>(width) * 4);
    while (info.next_scanline < info.image_height) {
        for (size_t i = 0; i < row.size(); ++i)
            row[i] = static_cast<JSAMPLE>(255 - static_cast<unsigned char>(inks[info.next_scanline * row.size() + i]));
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    const std::string out(reinterpret_cast<const char*>(block), size);
    std::free(block);
    return out;
}

std::string Pixel(const CImg& image, int x, int y)
{
    const int bytes = image.GetBytesPerPixel();
    return std::string(reinterpret_cast<const char*>(image.Row(y)) + x * bytes, bytes);
}

bool Near(const std::string& a, const std::string& b, int tolerance)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::abs(static_cast<unsigned char>(a[i]) - static_cast<unsigned char>(b[i])) > tolerance)
            return false;
    return true;
}

const std::string kGrayPalette("\x00\x00\x00\x80\x80\x80\xFF\xFF\xFF", 9);
const std::string kColorPalette("\xFF\x00\x00\x00\xFF\x00\x00\x00\xFF", 9);

} // namespace

TEST_F(ImgLoaderTest, FormatsOfGeneratedFiles)
{
    const std::string profile = MakeProfile(false, 1.0, "Linear test RGB");
    const std::string rgba = "\x10\x20\x30\xFF\x40\x50\x60\x80";
    const struct {
        const char* what;
        std::string file;
        uint32_t mask;
        uint32_t format;
        std::string firstPixel;
        bool profile;
    } cases[] = {
        {"grey 8", MakePng(2, 1, 0, 8, "\x40\xC0"), 63, MONO8, "\x40", false},
        {"grey 1", MakePng(9, 1, 0, 1, "\xA5\x80"), 63, MONO1, "", false},
        {"grey 1 for the cache", MakePng(9, 1, 0, 1, "\xA5\x80"), 1, BGRA32, std::string("\xFF\xFF\xFF\xFF", 4), false},
        {"grey + alpha", MakePng(1, 1, 4, 8, "\x40\x80"), 63, BGRA32, "\x40\x40\x40\x80", false},
        {"grey palette", MakePng(3, 1, 3, 8, std::string("\x00\x01\x02", 3), kGrayPalette), 63, MONO8,
         std::string("\x00", 1), false},
        {"grey palette with a profile", MakePng(3, 1, 3, 8, std::string("\x01\x01\x02", 3), kGrayPalette, "", profile),
         63, BGR24, "\x80\x80\x80", true},
        {"colour palette", MakePng(3, 1, 3, 8, std::string("\x02\x01\x00", 3), kColorPalette), 63, BGR24,
         std::string("\xFF\x00\x00", 3), false},
        {"palette with transparency", MakePng(2, 1, 3, 8, std::string("\x01\x00", 2), kColorPalette, "\xFF\x40"), 63,
         BGRA32, std::string("\x00\xFF\x00\x40", 4), false},
        {"RGB", MakePng(1, 1, 2, 8, "\x10\x20\x30"), 63, BGR24, "\x30\x20\x10", false},
        {"RGBA", MakePng(2, 1, 6, 8, rgba), 63, BGRA32, "\x30\x20\x10\xFF", false},
        {"RGBA without alpha formats", MakePng(2, 1, 6, 8, rgba), (1u << BGR24) | (1u << CMYK32), BGR24,
         "\x30\x20\x10", false},
        {"RGB as grey only", MakePng(1, 1, 2, 8, "\x80\x80\x80"), 1u << MONO8, MONO8, "\x80", false},
        {"RGB with a profile", MakePng(1, 1, 2, 8, "\x10\x20\x30", "", "", profile), 63, BGR24, "\x30\x20\x10", true},
        {"CMYK TIFF", MakeCmykTiff(2, 1, "\x01\x02\x03\x04\x05\x06\x07\x08", false), 63, CMYK32, "\x01\x02\x03\x04",
         false},
        {"CMYK TIFF without CMYK32", MakeCmykTiff(2, 1, "\x01\x02\x03\x04\x05\x06\x07\x08", false), 1u << CMYKA40,
         CMYKA40, "\x01\x02\x03\x04\xFF", false},
        // 16-bit inks are rounded to 8 bits (0x0182 to 2), and read as colours as 8-bit ones are.
        {"16-bit CMYK TIFF", MakeCmykTiff(1, 1, "\x82\x01\x02\x02\x80\x80\x14\x14", false, "", 16), 63, CMYK32,
         "\x02\x02\x80\x14", false},
        {"CMYK TIFF as colours", MakeCmykTiff(1, 1, "\x02\x02\x80\x14", false), 1u << BGRA32, BGRA32, "\x75\xE9\xE9\xFF", false},
        {"16-bit CMYK TIFF as colours", MakeCmykTiff(1, 1, "\x82\x01\x02\x02\x80\x80\x14\x14", false, "", 16),
         1u << BGRA32, BGRA32, "\x75\xE9\xE9\xFF", false},
        {"BGRA TIFF", Encode(GUID_ContainerFormatTiff, GUID_WICPixelFormat32bppBGRA, rgba + rgba, 8), 63, BGRA32,
         "\x10\x20\x30\xFF", false},
    };
    for (const auto& c : cases) {
        m_loader.m_formats = c.mask;
        boost::shared_ptr<CImg> image;
        try {
            image = Load(c.file);
        } catch (const my::CException& e) {
            ADD_FAILURE() << c.what << ": " << Narrow(e.message);
            continue;
        }
        ASSERT_TRUE(image) << c.what;
        EXPECT_EQ(ImgFormatName(c.format), ImgFormatName(image->m_format)) << c.what;
        if (!c.firstPixel.empty()) {
            EXPECT_EQ(c.firstPixel, Pixel(*image, 0, 0)) << c.what;
        }
        EXPECT_EQ(static_cast<size_t>(image->GetStride()) * image->m_h, image->m_bits.size()) << c.what;
        EXPECT_EQ(c.profile, image->m_cc && image->m_cc->Type() == ColorContextType::PROFILE) << c.what;
        if (c.profile) {
            EXPECT_EQ(profile, std::string(image->m_cc->m_profile.begin(), image->m_cc->m_profile.end()));
        }
    }
    // The 1-bit row 10100101 1 keeps its bits.
    m_loader.m_formats = 63;
    boost::shared_ptr<CImg> bits = Load(MakePng(9, 1, 0, 1, "\xA5\x80"));
    EXPECT_EQ(0xA5, bits->m_bits[0]);
    EXPECT_EQ(0x80, bits->m_bits[1] & 0x80);

    m_loader.m_options = wic::CImgLoader::kNoColorContext;
    EXPECT_FALSE(Load(MakePng(1, 1, 2, 8, "\x10\x20\x30", "", "", profile))->m_cc);
}

TEST_F(ImgLoaderTest, Jpeg)
{
    const std::string bgr("\x20\x60\xC0\x20\x60\xC0\x00\x00\x20\x60\xC0\x20\x60\xC0\x00\x00", 16);
    boost::shared_ptr<CImg> image = Load(Encode(GUID_ContainerFormatJpeg, GUID_WICPixelFormat24bppBGR, bgr, 8));
    EXPECT_EQ(BGR24, image->m_format);
    EXPECT_TRUE(Near("\x20\x60\xC0", Pixel(*image, 1, 1), 6));
    EXPECT_FALSE(image->m_cc);  // the JPEG decoder's "no colour context"

    const std::string cmyk = "\x10\x80\xF0\x40\x10\x80\xF0\x40\x10\x80\xF0\x40\x10\x80\xF0\x40";
    const std::string file = MakeCmykJpeg(2, 2, cmyk);
    image = Load(file);
    EXPECT_EQ(CMYK32, image->m_format);
    EXPECT_TRUE(Near("\x10\x80\xF0\x40", Pixel(*image, 0, 1), 6)) << testing::PrintToString(Pixel(*image, 0, 1));
    m_loader.m_formats = (1u << CMYKA40) | (1u << MONO8);
    image = Load(file);
    EXPECT_EQ(CMYKA40, image->m_format);
    EXPECT_TRUE(Near("\x10\x80\xF0\x40\xFF", Pixel(*image, 1, 0), 6));
    m_loader.m_formats = 1u << BGR24;
    EXPECT_EQ(BGR24, Load(file)->m_format);
}

// Every orientation on a 4 x 2 image against the table's own mapping.
TEST_F(ImgLoaderTest, EightOrientations)
{
    std::string rows;
    for (int i = 0; i < 8; ++i)
        rows += std::string{static_cast<char>(i * 30), 1, 2, static_cast<char>(0xFF)};
    const std::string file = MakePng(4, 2, 6, 8, rows);
    const int W = 4, H = 2;
    for (uint32_t code = 1; code <= 8; ++code) {
        m_loader.m_orientation = code;
        boost::shared_ptr<CImg> image = Load(file);
        const bool swap = code >= 5;
        ASSERT_EQ(swap ? H : W, image->m_w) << code;
        ASSERT_EQ(swap ? W : H, image->m_h) << code;
        for (int y = 0; y < H; ++y) {
            for (int x = 0; x < W; ++x) {
                const int X[] = {0, x, W - 1 - x, W - 1 - x, x, y, H - 1 - y, H - 1 - y, y};
                const int Y[] = {0, y, y, H - 1 - y, H - 1 - y, x, x, W - 1 - x, W - 1 - x};
                EXPECT_EQ(static_cast<BYTE>((y * W + x) * 30), image->Row(Y[code])[X[code] * 4 + 2])
                    << "code " << code << " pixel " << x << "," << y;
            }
        }
    }
}

// The packed 1-bit form turns like the byte form.
TEST(ImgOrientation, BinaryMatchesGrey)
{
    CImg mono(MONO1, 11, 3), gray(MONO8, 11, 3);
    mono.AllocBits();
    gray.AllocBits();
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 11; ++x)
            if ((x * 7 + y * 3) % 5 < 2) {
                mono.Row(y)[x / 8] |= 0x80 >> (x % 8);
                gray.Row(y)[x] = 255;
            }
    for (uint32_t code = 1; code <= 8; ++code) {
        CImg m = mono, g = gray;
        wic::OrientImg(m, code);
        wic::OrientImg(g, code);
        ASSERT_EQ(g.m_w, m.m_w);
        for (int y = 0; y < g.m_h; ++y)
            for (int x = 0; x < g.m_w; ++x)
                EXPECT_EQ(g.Row(y)[x] != 0, (m.Row(y)[x / 8] & (0x80 >> (x % 8))) != 0) << code;
    }
}

// Colours carried into a target profile: a linear-light image shown in sRGB
// gets lighter mid tones; without a target the pixels stay as stored.
TEST_F(ImgLoaderTest, TargetProfile)
{
    const std::string linear = MakeProfile(false, 1.0, "Linear test RGB");
    const std::string file = MakePng(2, 1, 6, 8, std::string("\x80\x80\x80\xFF\x20\x20\x20\x40", 8), "", "", linear);
    CColorProfilePtr srgb = GetDefaultRgbProfile();
    ASSERT_TRUE(srgb);
    m_loader.m_rgbTarget = srgb;
    boost::shared_ptr<CImg> image = Load(file);
    ASSERT_EQ(BGRA32, image->m_format);
    // 0.502 in linear light is 0.735 in sRGB: 188; 0.125 gives 0.39: 99.
    EXPECT_TRUE(Near("\xBC\xBC\xBC\xFF", Pixel(*image, 0, 0), 3)) << testing::PrintToString(Pixel(*image, 0, 0));
    EXPECT_TRUE(Near("\x63\x63\x63\x40", Pixel(*image, 1, 0), 3)) << testing::PrintToString(Pixel(*image, 1, 0));
    ASSERT_TRUE(image->m_cc);
    EXPECT_EQ(srgb->GetBytes(), image->m_cc->m_profile);

    m_loader.m_formats = 1u << BGR24;
    image = Load(file);
    EXPECT_TRUE(Near("\xBC\xBC\xBC", Pixel(*image, 0, 0), 3));

    // A grey image with a grey profile into an RGB target.
    m_loader.m_formats = 1u << BGR24;
    image = Load(MakePng(1, 1, 0, 8, "\x80", "", "", MakeProfile(true, 1.0, "Linear test grey")));
    EXPECT_TRUE(Near("\xBC\xBC\xBC", Pixel(*image, 0, 0), 3)) << testing::PrintToString(Pixel(*image, 0, 0));
}

// Colours into a CMYK target: inks from RGB, and alpha kept beside them.
TEST_F(ImgLoaderTest, CmykTargetProfile)
{
    const std::string bytes = MakeCmykProfile();
    CColorProfilePtr cmyk(new CColorProfile);
    ASSERT_EQ(S_OK, cmyk->OpenMemory(reinterpret_cast<const BYTE*>(bytes.data()), static_cast<DWORD>(bytes.size())));
    m_loader.m_cmykTarget = cmyk;
    m_loader.m_formats = 1u << CMYK32;
    const std::string rows("\xFF\xFF\xFF\x00\x00\x00\xFF\x00\x00", 9);  // white, black, red
    boost::shared_ptr<CImg> image = Load(MakePng(3, 1, 2, 8, rows));
    ASSERT_EQ(CMYK32, image->m_format);
    EXPECT_TRUE(Near(std::string(4, '\0'), Pixel(*image, 0, 0), 12)) << testing::PrintToString(Pixel(*image, 0, 0));
    EXPECT_LT(200, static_cast<unsigned char>(Pixel(*image, 1, 0)[3])) << testing::PrintToString(Pixel(*image, 1, 0));
    EXPECT_TRUE(Near(std::string("\x00\xFF\xFF\x00", 4), Pixel(*image, 2, 0), 40))
        << testing::PrintToString(Pixel(*image, 2, 0));
    EXPECT_EQ(bytes, std::string(image->m_cc->m_profile.begin(), image->m_cc->m_profile.end()));

    m_loader.m_formats = 1u << CMYKA40;
    image = Load(MakePng(1, 1, 6, 8, std::string("\xFF\xFF\xFF\x40", 4)));
    ASSERT_EQ(CMYKA40, image->m_format);
    EXPECT_TRUE(Near(std::string("\0\0\0\0\x40", 5), Pixel(*image, 0, 0), 12))
        << testing::PrintToString(Pixel(*image, 0, 0));
}

// CMYK frames into an RGB target, with and without alpha in the result: the
// inks read with the file's own profile, paper white, cyan and black.
TEST_F(ImgLoaderTest, CmykSourcesIntoAnRgbTarget)
{
    const std::string profile = MakeCmykProfile();
    const std::string inks("\x00\x00\x00\x00\xFF\x00\x00\x00\x00\x00\x00\xFF", 12);  // paper, cyan, black
    const std::string file = MakeCmykTiff(3, 1, inks, false, profile);
    CColorProfilePtr srgb = GetDefaultRgbProfile();
    ASSERT_TRUE(srgb);
    m_loader.m_rgbTarget = srgb;
    const struct {
        uint32_t format;
        std::string paper, cyan, black;
    } cases[] = {
        {BGR24, "\xFF\xFF\xFF", std::string("\xFF\xFF\x00", 3), std::string(3, '\0')},
        {BGRA32, "\xFF\xFF\xFF\xFF", std::string("\xFF\xFF\x00\xFF", 4), std::string("\0\0\0\xFF", 4)},
    };
    for (const auto& c : cases) {
        m_loader.m_formats = 1u << c.format;
        boost::shared_ptr<CImg> image = Load(file);
        ASSERT_EQ(ImgFormatName(c.format), ImgFormatName(image->m_format));
        EXPECT_TRUE(Near(c.paper, Pixel(*image, 0, 0), 8)) << testing::PrintToString(Pixel(*image, 0, 0));
        EXPECT_TRUE(Near(c.cyan, Pixel(*image, 1, 0), 40)) << testing::PrintToString(Pixel(*image, 1, 0));
        EXPECT_TRUE(Near(c.black, Pixel(*image, 2, 0), 8)) << testing::PrintToString(Pixel(*image, 2, 0));
        if (c.format == BGRA32) {
            for (int x = 0; x < 3; ++x)
                EXPECT_EQ('\xFF', Pixel(*image, x, 0)[3]) << x;  // no alpha in the file: opaque
        }
        ASSERT_TRUE(image->m_cc);
        EXPECT_EQ(srgb->GetBytes(), image->m_cc->m_profile);
    }
}

// Colours are read with a frame's context only when it says how: a profile,
// or the EXIF colour spaces sRGB and Adobe RGB; "uncalibrated" (65535) is as
// good as none.
TEST_F(ImgLoaderTest, UsableColorContexts)
{
    IWICImagingFactory& factory = wic::RequireImagingFactory();
    const struct {
        UINT exifSpace;
        bool usable;
    } cases[] = {{1, true}, {2, true}, {3, false}, {65535, false}};
    for (const auto& c : cases) {
        CComPtr<IWICColorContext> context;
        ASSERT_EQ(S_OK, factory.CreateColorContext(&context));
        ASSERT_EQ(S_OK, context->InitializeFromExifColorSpace(c.exifSpace));
        EXPECT_EQ(c.usable, wic::UsableColorContext(context).Get() == context.Get()) << c.exifSpace;
        EXPECT_EQ(c.usable, wic::UsableColorContext(context).Get() != nullptr) << c.exifSpace;
    }
    const std::string bytes = MakeProfile(false, 2.2, "Some RGB");
    CComPtr<IWICColorContext> profile;
    ASSERT_EQ(S_OK, factory.CreateColorContext(&profile));
    ASSERT_EQ(S_OK, profile->InitializeFromMemory(reinterpret_cast<const BYTE*>(bytes.data()), static_cast<UINT>(bytes.size())));
    EXPECT_EQ(profile.Get(), wic::UsableColorContext(profile).Get());
    CComPtr<IWICColorContext> empty;
    ASSERT_EQ(S_OK, factory.CreateColorContext(&empty));
    EXPECT_EQ(nullptr, wic::UsableColorContext(empty).Get());
    EXPECT_EQ(nullptr, wic::UsableColorContext(nullptr).Get());
}

TEST_F(ImgLoaderTest, PackedDibs)
{
    EXPECT_EQ(UINT(IDS_CLIPBOARD_DATA_SIZE_INVALID), ThrownId([&] {
        boost::shared_ptr<CImg> image;
        const std::string short39(39, '\0');
        m_loader.LoadFromPackedDib(image, short39.data(), short39.size());
    }));
    // 2 x 1 pixels, 32 bits, bitfields; red and blue swapped by the masks.
    auto dib = [](DWORD headerSize, bool profileFirst) {
        std::string header(headerSize, '\0');
        BITMAPV5HEADER h = {};
        h.bV5Size = headerSize;
        h.bV5Width = 2;
        h.bV5Height = 1;
        h.bV5Planes = 1;
        h.bV5BitCount = 32;
        h.bV5Compression = BI_BITFIELDS;
        h.bV5RedMask = 0x000000FF;
        h.bV5GreenMask = 0x0000FF00;
        h.bV5BlueMask = 0x00FF0000;
        const std::string pixels("\x11\x22\x33\x00\x44\x55\x66\x00", 8);
        const std::string profile = MakeProfile(false, 2.2, "Some RGB");
        std::string out;
        if (headerSize == 40) {
            std::memcpy(&header[0], &h, 40);
            std::string masks;
            PutLE32(masks, 0xFF);
            PutLE32(masks, 0xFF00);
            PutLE32(masks, 0xFF0000);
            return header + masks + pixels;
        }
        h.bV5CSType = 0x4D424544;  // embedded profile
        h.bV5ProfileData = headerSize + (profileFirst ? 0 : 8);
        h.bV5ProfileSize = static_cast<DWORD>(profile.size());
        std::memcpy(&header[0], &h, sizeof h);
        return profileFirst ? header + profile + pixels : header + pixels + profile;
    };
    const struct {
        const char* what;
        std::string data;
    } cases[] = {
        {"40-byte header with masks", dib(40, false)},
        {"V5 header, profile after the bits", dib(124, false)},
        {"V5 header, profile before the bits", dib(124, true)},
    };
    for (const auto& c : cases) {
        boost::shared_ptr<CImg> image;
        try {
            m_loader.LoadFromPackedDib(image, c.data.data(), c.data.size());
        } catch (const my::CException& e) {
            ADD_FAILURE() << c.what << ": " << Narrow(e.message);
            continue;
        }
        ASSERT_EQ(2, image->m_w) << c.what;
        // Red is the low byte: blue, green, red come out as 33 22 11.
        EXPECT_EQ(std::string("\x33\x22\x11", 3), Pixel(*image, 0, 0).substr(0, 3)) << c.what;
        EXPECT_EQ(std::string("\x66\x55\x44", 3), Pixel(*image, 1, 0).substr(0, 3)) << c.what;
    }
}

TEST_F(ImgLoaderTest, Refusals)
{
    EXPECT_EQ(UINT(IDS_WIC_CREATE_DECODER_FAILED), ThrownId([&] { Load("not an image at all"); }));
    boost::shared_ptr<CImg> image;
    EXPECT_EQ(UINT(IDS_PATH_EMPTY), ThrownId([&] { LoadFromFile(m_loader, image, L""); }));
    EXPECT_EQ(UINT(IDS_OPEN_FILE_FAILED), ThrownId([&] { LoadFromFile(m_loader, image, L"Z:\\no\\such\\file.png"); }));
    EXPECT_EQ(UINT(IDS_RESOURCE_MISSING), ThrownId([&] { m_loader.LoadFromResource(image, 4242); }));
    EXPECT_FALSE(image);
    m_loader.m_formats = 0;
    EXPECT_EQ(UINT(IDS_WIC_UNKNOWN_FORMAT), ThrownId([&] { Load(MakePng(1, 1, 2, 8, "\x10\x20\x30")); }));
    EXPECT_EQ(UINT(IDS_WIC_UNKNOWN_FORMAT), ThrownId([] { wic::ChooseImgFormat(wic::kFamilyUnsupported, 32, true, 63); }));
    EXPECT_EQ(wic::kFamilyUnsupported, wic::ClassifyPixelFormat(GUID_WICPixelFormat32bppRGBA).family);
    EXPECT_EQ(MONO1, wic::ChooseImgFormat(wic::kFamilyGray, 8, false, 1u << MONO1));
    EXPECT_EQ(CMYKA40, wic::ChooseImgFormat(wic::kFamilyGray, 8, false, (1u << MONO1) | (1u << CMYKA40)));
    wic::CResourceImgCache cache;
    EXPECT_EQ(UINT(IDS_RESOURCE_MISSING), ThrownId([&] { cache.Get(4242); }));

    // A CMYK TIFF with alpha decodes where the system has a decoder for it;
    // Wine's refuses to make one, which is the decoder's failure.
    m_loader.m_formats = 63;
    const std::string tiff = MakeCmykTiff(1, 1, "\x01\x02\x03\x04\x80", true);
    try {
        image = Load(tiff);
        EXPECT_EQ(CMYKA40, image->m_format);
    } catch (const my::CException& e) {
        EXPECT_EQ(UINT(IDS_WIC_CREATE_DECODER_FAILED), e.id) << Narrow(e.message);
    }
}
