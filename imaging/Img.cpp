#include "imaging/Img.h"
#include "foundation/Error.h"
#include "imaging/ColorProfile.h"
#include "resources/strings_imaging.h"
#include <cstring>
#include <iomanip>
#include <ostream>
#include <sstream>

int GetImgBitsPerPixel(uint32_t format)
{
    switch (format) {
    case BGRA32: return 32;
    case BGR24: return 24;
    case CMYKA40: return 40;
    case CMYK32: return 32;
    case MONO8: return 8;
    case MONO1: return 1;
    default: return 0;
    }
}

int GetImgBytesPerPixel(uint32_t format)
{
    switch (format) {
    case BGRA32: return 4;
    case BGR24: return 3;
    case CMYKA40: return 5;
    case CMYK32: return 4;
    case MONO8: return 1;
    default: return 0;
    }
}

int GetImgFormatFamily(uint32_t format)
{
    switch (format) {
    case CMYKA40:
    case CMYK32: return 1;
    case MONO8:
    case MONO1: return 2;
    default: return 0;
    }
}

int GetImgAlphaIndex(uint32_t format)
{
    switch (format) {
    case BGRA32: return 3;
    case CMYKA40: return 4;
    default: return -1;
    }
}

int CalcImgStride(uint32_t format, int width)
{
    long long bytes = (static_cast<long long>(width) * GetImgBitsPerPixel(format) + 7) / 8;
    return static_cast<int>((bytes + 3) & ~3LL);
}

// ---------------------------------------------------------------------------

void CColorContext::SetExifColorSpace(uint32_t space)
{
    m_type = ColorContextType::EXIF;
    m_exifColorSpace = space;
}

void CColorContext::SetProfile(const void* data, size_t size)
{
    m_type = ColorContextType::PROFILE;
    const uint8_t* p = static_cast<const uint8_t*>(data);
    m_profile.assign(p, p + size);
}

void CColorContext::SetProfile(const std::vector<uint8_t>& bytes)
{
    m_type = ColorContextType::PROFILE;
    m_profile = bytes;
}

void CColorContext::TakeProfile(std::vector<uint8_t>& bytes)
{
    m_type = ColorContextType::PROFILE;
    m_profile.swap(bytes);
}

boost::shared_ptr<CColorContext> CColorContext::Clone() const
{
    return boost::shared_ptr<CColorContext>(new CColorContext(*this));
}

boost::shared_ptr<CColorContext> CColorContext::FromColorProfile(const boost::shared_ptr<CColorProfile>& profile)
{
    boost::shared_ptr<CColorContext> cc;
    if (profile) {
        cc.reset(new CColorContext);
        const std::vector<unsigned char>& bytes = profile->GetBytes();
        cc->SetProfile(bytes.data(), bytes.size());
    }
    return cc;
}

bool CColorContext::operator==(const CColorContext& other) const
{
    if (m_type != other.m_type)
        return false;
    switch (m_type) {
    case ColorContextType::NONE: return true;
    case ColorContextType::PROFILE: return m_profile == other.m_profile;
    case ColorContextType::EXIF: return m_exifColorSpace == other.m_exifColorSpace;
    default: return false;
    }
}

bool ColorContextsEqual(const boost::shared_ptr<CColorContext>& a, const boost::shared_ptr<CColorContext>& b)
{
    if (a == b)
        return true;
    if (!a || !b)
        return false;
    return *a == *b;
}

// ---------------------------------------------------------------------------

CImg& CImg::operator=(const CImg& other)
{
    if (this != &other) {
        CopyHeader(other);
        m_bits = other.m_bits;
    }
    return *this;
}

void CImg::CopyHeader(const CImg& source)
{
    m_format = source.m_format;
    m_w = source.m_w;
    m_h = source.m_h;
    m_dpiX = source.m_dpiX;
    m_dpiY = source.m_dpiY;
    m_cc = source.m_cc;
}

boost::shared_ptr<CImg> CImg::Clone() const
{
    return boost::shared_ptr<CImg>(new CImg(*this));
}

boost::shared_ptr<CImg> CImg::CloneHeader() const
{
    boost::shared_ptr<CImg> copy(new CImg);
    copy->CopyHeader(*this);
    return copy;
}

void CImg::Swap(CImg& other)
{
    std::swap(m_format, other.m_format);
    std::swap(m_w, other.m_w);
    std::swap(m_h, other.m_h);
    m_bits.swap(other.m_bits);
    std::swap(m_dpiX, other.m_dpiX);
    std::swap(m_dpiY, other.m_dpiY);
    m_cc.swap(other.m_cc);
}

bool CImg::Equals(const CImg& other) const
{
    return m_format == other.m_format && m_w == other.m_w && m_h == other.m_h && m_bits == other.m_bits &&
           m_dpiX == other.m_dpiX && m_dpiY == other.m_dpiY && ColorContextsEqual(m_cc, other.m_cc);
}

// ---------------------------------------------------------------------------

void MultiplyImgAlpha(CImg& destination, const CImg& source)
{
    const int da = destination.GetAlphaIndex(), sa = source.GetAlphaIndex();
    if (da < 0 || sa < 0 || destination.m_w != source.m_w || destination.m_h != source.m_h)
        throw my::CException(IDS_IMAGE_FORMAT_UNSUPPORTED);
    const int dn = destination.GetBytesPerPixel(), sn = source.GetBytesPerPixel();
    const size_t need = static_cast<size_t>(destination.GetStride()) * (destination.m_h > 0 ? destination.m_h : 0);
    if (destination.m_bits.size() < need || source.m_bits.size() < need / destination.GetStride() * source.GetStride())
        throw my::CException(IDS_IMAGE_FORMAT_UNSUPPORTED);
    for (int y = 0; y < destination.m_h; ++y) {
        uint8_t* d = destination.Row(y) + da;
        const uint8_t* s = source.Row(y) + sa;
        for (int x = 0; x < destination.m_w; ++x, d += dn, s += sn)
            *d = static_cast<uint8_t>(*s * *d / 255);
    }
}

void ScaleImgAlpha(CImg& image, uint16_t factor)
{
    const int a = image.GetAlphaIndex();
    if (a < 0 || image.m_bits.size() < static_cast<size_t>(image.GetStride()) * (image.m_h > 0 ? image.m_h : 0))
        return;
    const int n = image.GetBytesPerPixel();
    for (int y = 0; y < image.m_h; ++y) {
        uint8_t* p = image.Row(y) + a;
        for (int x = 0; x < image.m_w; ++x, p += n)
            *p = static_cast<uint8_t>(static_cast<uint32_t>(*p) * factor / 65535);
    }
}

// ---------------------------------------------------------------------------

std::wstring ImgFormatName(uint32_t format)
{
    static const wchar_t* const names[] = {L"BGRA32", L"BGR24", L"CMYKA40", L"CMYK32", L"MONO8", L"MONO1"};
    if (format < 6)
        return names[format];
    std::wostringstream os;
    os << L"ImgFormat::(" << format << L")";
    return os.str();
}

std::wstring ColorContextTypeName(ColorContextType type)
{
    switch (type) {
    case ColorContextType::NONE: return L"NONE";
    case ColorContextType::PROFILE: return L"PROFILE";
    case ColorContextType::EXIF: return L"EXIF";
    }
    std::wostringstream os;
    os << L"ColorContextType::(" << static_cast<uint32_t>(type) << L")";
    return os.str();
}

void check_equals(const CColorContext& a, const CColorContext& b)
{
    if (a.m_type != b.m_type)
        ThrowCheckEqualsFailed(L"CColorContext::m_type");
    if (a.m_exifColorSpace != b.m_exifColorSpace)
        ThrowCheckEqualsFailed(L"CColorContext::m_exifColorSpace");
    if (a.m_profile != b.m_profile)
        ThrowCheckEqualsFailed(L"CColorContext::m_profile");
}

void check_equals(const CImg& a, const CImg& b)
{
    if (a.m_format != b.m_format)
        ThrowCheckEqualsFailed(L"CImg::m_format");
    if (a.m_w != b.m_w)
        ThrowCheckEqualsFailed(L"CImg::m_w");
    if (a.m_h != b.m_h)
        ThrowCheckEqualsFailed(L"CImg::m_h");
    if (a.m_bits != b.m_bits)
        ThrowCheckEqualsFailed(L"CImg::m_bits");
    if (a.m_dpiX != b.m_dpiX)
        ThrowCheckEqualsFailed(L"CImg::m_dpiX");
    if (a.m_dpiY != b.m_dpiY)
        ThrowCheckEqualsFailed(L"CImg::m_dpiY");
    if (a.m_cc && b.m_cc)
        check_equals(*a.m_cc, *b.m_cc);
    else if (a.m_cc)
        ThrowCheckEqualsFailed(L"CImg::m_cc only right is null!");
    else if (b.m_cc)
        ThrowCheckEqualsFailed(L"CImg::m_cc only left is null!");
}

namespace {

// The name of the profile opened from the bytes, or "FAILED " and the code.
std::wstring ProfileNameOf(const std::vector<uint8_t>& bytes)
{
    CColorProfile profile;
    HRESULT hr = profile.OpenMemory(bytes.data(), static_cast<DWORD>(bytes.size()));
    if (FAILED(hr)) {
        std::wostringstream os;
        os << L"FAILED " << std::hex << static_cast<unsigned long>(hr);
        return os.str();
    }
    return profile.GetName();
}

} // namespace

void Dump(std::wostream& os, const CColorContext& context)
{
    os << L"ColorContext type: " << ColorContextTypeName(context.m_type) << L"\n";
    os << L"  exifColorSpace: " << context.m_exifColorSpace << L"\n";
    os << L"  profile: ";
    if (context.m_profile.empty())
        os << L"(empty)";
    else
        os << ProfileNameOf(context.m_profile);
    os << L"\n";
}

void Dump(std::wostream& os, const CImg& image, bool withPixels)
{
    os << L"Img [" << ImgFormatName(image.m_format) << L"]" << L", (" << image.m_w << L", " << image.m_h << L")"
       << L", dpi: (" << image.m_dpiX << L", " << image.m_dpiY << L")" << L", bits: " << image.m_bits.size()
       << L" bytes\n";
    if (image.m_cc)
        Dump(os, *image.m_cc);
    else
        os << L"ColorContext: (null)\n";
    if (!withPixels)
        return;
    const size_t stride = static_cast<size_t>(image.GetStride());
    static const wchar_t hex[] = L"0123456789abcdef";
    for (size_t offset = 0; stride && offset + stride <= image.m_bits.size(); offset += stride) {
        std::wstring line;
        for (size_t i = 0; i < stride; ++i) {
            uint8_t b = image.m_bits[offset + i];
            line += hex[b >> 4];
            line += hex[b & 15];
        }
        os << line << L"\n";
    }
}
