// The plain pixel buffer: format, size, top-down rows padded to 4 bytes,
// resolution and an optional colour context. Texture images and everything
// the imaging-component loader decodes live in one.
#pragma once
#include <boost/shared_ptr.hpp>
#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

enum ImgFormat : uint32_t {
    BGRA32 = 0,   // blue, green, red, straight alpha
    BGR24 = 1,    // blue, green, red
    CMYKA40 = 2,  // cyan, magenta, yellow, black, alpha
    CMYK32 = 3,   // cyan, magenta, yellow, black
    MONO8 = 4,    // grey, 0 black
    MONO1 = 5,    // 8 pixels a byte, first in the top bit; 1 white
};

int GetImgBitsPerPixel(uint32_t format);
int GetImgBytesPerPixel(uint32_t format);  // 0 for MONO1 and unknown formats
int GetImgFormatFamily(uint32_t format);   // 0 RGB, 1 CMYK, 2 grey
int GetImgAlphaIndex(uint32_t format);     // -1 without alpha
// Row bytes: (width x bits + 7) / 8, rounded up to a multiple of 4.
int CalcImgStride(uint32_t format, int width);

// How the pixels' colours are to be read. A context is never changed once a
// buffer holds it: buffers share it.
enum class ColorContextType : uint32_t { NONE = 0, PROFILE = 1, EXIF = 2 };

class CColorProfile;

class CColorContext {
public:
    ColorContextType m_type = ColorContextType::NONE;
    uint32_t m_exifColorSpace = 0;
    std::vector<uint8_t> m_profile;

    CColorContext() = default;
    CColorContext(const CColorContext&) = default;
    CColorContext& operator=(const CColorContext&) = default;

    ColorContextType Type() const { return m_type; }
    void SetExifColorSpace(uint32_t space);
    void SetProfile(const void* data, size_t size);
    void SetProfile(const std::vector<uint8_t>& bytes);
    // Takes the bytes over without a copy; `bytes` is left with the old ones.
    void TakeProfile(std::vector<uint8_t>& bytes);
    boost::shared_ptr<CColorContext> Clone() const;
    // A PROFILE context with a copy of the profile's bytes; empty for none.
    static boost::shared_ptr<CColorContext> FromColorProfile(const boost::shared_ptr<CColorProfile>& profile);

    bool operator==(const CColorContext& other) const;
    bool operator!=(const CColorContext& other) const { return !(*this == other); }
};

// Equal when both are empty, the same object, or equal contexts.
bool ColorContextsEqual(const boost::shared_ptr<CColorContext>& a, const boost::shared_ptr<CColorContext>& b);

class CImg {
public:
    uint32_t m_format = BGRA32;
    int32_t m_w = 0;
    int32_t m_h = 0;
    std::vector<uint8_t> m_bits;
    double m_dpiX = 0.0;
    double m_dpiY = 0.0;
    boost::shared_ptr<CColorContext> m_cc;

    CImg() = default;
    CImg(uint32_t format, int32_t width, int32_t height) : m_format(format), m_w(width), m_h(height) {}
    CImg(const CImg& other) { *this = other; }
    CImg& operator=(const CImg& other);

    int GetStride() const { return CalcImgStride(m_format, m_w); }
    int GetBitsPerPixel() const { return GetImgBitsPerPixel(m_format); }
    int GetBytesPerPixel() const { return GetImgBytesPerPixel(m_format); }
    int GetAlphaIndex() const { return GetImgAlphaIndex(m_format); }
    int GetFormatFamily() const { return GetImgFormatFamily(m_format); }
    // Sizes the rows for the current header (stride x height bytes, zeroed).
    void AllocBits() { m_bits.assign(static_cast<size_t>(GetStride()) * (m_h > 0 ? m_h : 0), 0); }
    uint8_t* Row(int y) { return m_bits.data() + static_cast<size_t>(y) * GetStride(); }
    const uint8_t* Row(int y) const { return m_bits.data() + static_cast<size_t>(y) * GetStride(); }

    void CopyHeader(const CImg& source);
    boost::shared_ptr<CImg> Clone() const;
    boost::shared_ptr<CImg> CloneHeader() const;
    void Swap(CImg& other);
    bool Equals(const CImg& other) const;
};

// destination alpha = source alpha x destination alpha / 255 for every pixel.
// Both BGRA32 or CMYKA40 and of one size; else my::CException IDS_IMAGE_FORMAT_UNSUPPORTED.
void MultiplyImgAlpha(CImg& destination, const CImg& source);
// alpha = alpha x factor / 65535 for every pixel of a buffer with alpha.
void ScaleImgAlpha(CImg& image, uint16_t factor);

// Diagnostics: raise the internal error naming the first member that differs.
void check_equals(const CImg& a, const CImg& b);
void check_equals(const CColorContext& a, const CColorContext& b);
void Dump(std::wostream& os, const CImg& image, bool withPixels);
void Dump(std::wostream& os, const CColorContext& context);
std::wstring ImgFormatName(uint32_t format);
std::wstring ColorContextTypeName(ColorContextType type);
