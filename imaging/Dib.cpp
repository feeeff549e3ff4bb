#include "imaging/Dib.h"
#include "foundation/GlobalMemory.h"
#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {

const DWORD kV5HeaderSize = sizeof(BITMAPV5HEADER);  // 124
// The SDK spells these as multi-character constants.
const DWORD kProfileEmbedded = 0x4D424544;  // 'MBED'
const DWORD kColorSpaceSrgb = 0x73524742;   // 'sRGB'

DWORD EntriesFor(WORD bitCount, DWORD colorsUsed, DWORD compression)
{
    if (compression == BI_BITFIELDS)
        return 3;
    if (bitCount >= 9)
        return 0;
    if (colorsUsed != 0)
        return colorsUsed;
    return 1u << bitCount;
}

// Profile size named by a V5 header, 0 for every other header.
DWORD NamedProfileSize(const BITMAPINFOHEADER* h)
{
    if (!h || h->biSize < kV5HeaderSize)
        return 0;
    const BITMAPV5HEADER* v5 = reinterpret_cast<const BITMAPV5HEADER*>(h);
    return v5->bV5ProfileData != 0 ? v5->bV5ProfileSize : 0;
}

} // namespace

int GetDibColorTableCount(const BITMAPINFOHEADER* h)
{
    if (!h)
        return 0;
    return static_cast<int>(EntriesFor(h->biBitCount, h->biClrUsed, h->biCompression));
}

void FillGrayPalette(BITMAPINFOHEADER* header)
{
    int n = GetDibColorTableCount(header);
    if (n < 2)
        return;
    RGBQUAD* table = reinterpret_cast<RGBQUAD*>(reinterpret_cast<BYTE*>(header) + header->biSize);
    for (int i = 0; i < n; ++i) {
        BYTE v = static_cast<BYTE>(i * 255 / (n - 1));
        table[i].rgbBlue = table[i].rgbGreen = table[i].rgbRed = v;
        table[i].rgbReserved = 255;
    }
}

void SetMaskPalette(BITMAPINFOHEADER* header, int index)
{
    if (!header || header->biBitCount != 8 || GetDibColorTableCount(header) != 256)
        return;
    DWORD* table = reinterpret_cast<DWORD*>(reinterpret_cast<BYTE*>(header) + header->biSize);
    std::fill(table, table + 256, 0u);
    if (index >= 0 && index < 256)
        table[index] = 0xFFFFFFFFu;
}

// ---------------------------------------------------------------------------

CDib::~CDib()
{
    CDib::FreeHeader();
    CDib::FreeBits();
}

bool CDib::Create(DWORD headerSize, LONG width, LONG height, WORD bitCount,
                  DWORD colorsUsed, DWORD compression, DWORD profileSize)
{
    FreeHeader();
    if (headerSize < sizeof(BITMAPINFOHEADER) || width < 0)
        return false;
    // Rows whose total size does not fit the header's 32-bit size field would
    // be allocated short and then written past their end.
    const unsigned long long rows = static_cast<unsigned long long>(CalcDibStride(width, bitCount));
    if ((static_cast<unsigned long long>(width) * bitCount + 7) / 8 > 0x7FFFFFFFull ||
        rows * static_cast<unsigned long long>(std::llabs(static_cast<long long>(height))) > 0xFFFFFFFFull)
        return false;
    DWORD entries = EntriesFor(bitCount, colorsUsed, compression);
    size_t total = static_cast<size_t>(headerSize) + entries * 4 + profileSize;
    void* block = std::calloc(1, total);
    if (!block)
        return false;
    m_header = static_cast<BITMAPINFOHEADER*>(block);
    m_header->biSize = headerSize;
    m_header->biWidth = width;
    m_header->biHeight = height;
    m_header->biPlanes = 1;
    m_header->biBitCount = bitCount;
    m_header->biCompression = compression;
    m_header->biClrUsed = entries;
    m_header->biClrImportant = entries;
    if (headerSize >= kV5HeaderSize) {
        BITMAPV5HEADER* v5 = reinterpret_cast<BITMAPV5HEADER*>(m_header);
        if (profileSize) {
            v5->bV5CSType = kProfileEmbedded;
            v5->bV5ProfileData = kV5HeaderSize + entries * 4;
            v5->bV5ProfileSize = profileSize;
        } else {
            v5->bV5CSType = kColorSpaceSrgb;
        }
    }
    if (compression == BI_BITFIELDS)
        m_header->biSizeImage = static_cast<DWORD>(CalcDibStride(width, bitCount)) * static_cast<DWORD>(std::labs(height));
    if (bitCount == 8 && entries == 256)
        FillGrayPalette(m_header);
    return true;
}

void CDib::FreeHeader()
{
    std::free(m_header);
    m_header = nullptr;
}

bool CDib::AllocBits()
{
    if (!m_header)
        return false;
    FreeBits();
    DWORD size = GetImageSize();
    m_bits = static_cast<BYTE*>(std::malloc(size ? size : 1));
    return m_bits != nullptr;
}

void CDib::FreeBits()
{
    std::free(m_bits);
    m_bits = nullptr;
}

bool CDib::CreateWithInfoHeader(LONG width, LONG height, WORD bitCount, DWORD colorsUsed, DWORD compression)
{
    return Create(sizeof(BITMAPINFOHEADER), width, height, bitCount, colorsUsed, compression, 0);
}

bool CDib::CreateWithV5Header(LONG width, LONG height, WORD bitCount, DWORD colorsUsed, DWORD compression)
{
    return Create(kV5HeaderSize, width, height, bitCount, colorsUsed, compression, 0);
}

bool CDib::CreateWithV5Profile(LONG width, LONG height, WORD bitCount, DWORD colorsUsed,
                               DWORD compression, const std::string& profile)
{
    if (!Create(kV5HeaderSize, width, height, bitCount, colorsUsed, compression,
                static_cast<DWORD>(profile.size())))
        return false;
    if (!profile.empty())
        std::memcpy(GetProfileData(), profile.data(), profile.size());
    return true;
}

bool CDib::CopyHeaderFrom(const BITMAPINFOHEADER* source)
{
    if (!source)
        return false;
    if (source == m_header)
        return true;  // Create would free the very block it copies from
    DWORD profileSize = NamedProfileSize(source);
    if (!Create(source->biSize, source->biWidth, source->biHeight, source->biBitCount, 0,
                source->biCompression, profileSize))
        return false;
    // Keep the resolution: a copy must save with the same dots per inch.
    m_header->biXPelsPerMeter = source->biXPelsPerMeter;
    m_header->biYPelsPerMeter = source->biYPelsPerMeter;
    int n = std::min(GetDibColorTableCount(m_header), GetDibColorTableCount(source));
    if (n > 0)
        std::memcpy(GetColorTable(), reinterpret_cast<const BYTE*>(source) + source->biSize, n * 4u);
    if (profileSize) {
        const BITMAPV5HEADER* v5 = reinterpret_cast<const BITMAPV5HEADER*>(source);
        std::memcpy(GetProfileData(), reinterpret_cast<const BYTE*>(source) + v5->bV5ProfileData, profileSize);
    }
    return true;
}

bool CDib::CreateFromHeader(const BITMAPINFOHEADER* source)
{
    return CopyHeaderFrom(source) && AllocBits();
}

bool CDib::CreateLike(LONG width, LONG height, WORD bitCount, const BITMAPINFOHEADER* templ)
{
    if (!templ)
        return false;
    if (templ == m_header) {
        // Create frees the template; work from a copy of the block.
        std::string copy(reinterpret_cast<const char*>(templ), GetHeaderBlockSize());
        return CreateLike(width, height, bitCount, reinterpret_cast<const BITMAPINFOHEADER*>(copy.data()));
    }
    DWORD profileSize = NamedProfileSize(templ);
    if (!Create(templ->biSize, width, height, bitCount, 0, BI_RGB, profileSize))
        return false;
    if (bitCount <= 8) {
        int n = std::min(GetDibColorTableCount(m_header), GetDibColorTableCount(templ));
        if (n > 0)
            std::memcpy(GetColorTable(), reinterpret_cast<const BYTE*>(templ) + templ->biSize, n * 4u);
    }
    if (profileSize) {
        const BITMAPV5HEADER* v5 = reinterpret_cast<const BITMAPV5HEADER*>(templ);
        std::memcpy(GetProfileData(), reinterpret_cast<const BYTE*>(templ) + v5->bV5ProfileData, profileSize);
    }
    return true;
}

bool CDib::Attach(BITMAPINFOHEADER* header, BYTE* bits)
{
    FreeHeader();
    FreeBits();
    m_header = header;
    m_bits = bits;
    return true;
}

void CDib::Detach(BITMAPINFOHEADER** header, BYTE** bits)
{
    if (header)
        *header = m_header;
    if (bits)
        *bits = m_bits;
    m_header = nullptr;
    m_bits = nullptr;
}

BITMAPV5HEADER* CDib::GetV5Header() const
{
    return m_header && m_header->biSize >= kV5HeaderSize ? reinterpret_cast<BITMAPV5HEADER*>(m_header) : nullptr;
}

RGBQUAD* CDib::GetColorTable() const
{
    return m_header ? reinterpret_cast<RGBQUAD*>(reinterpret_cast<BYTE*>(m_header) + m_header->biSize) : nullptr;
}

LONG CDib::GetAbsHeight() const
{
    return m_header ? std::labs(m_header->biHeight) : 0;
}

bool CDib::HasPixels() const
{
    return IsValid() && m_header->biWidth >= 1 && GetAbsHeight() >= 1;
}

RECT CDib::GetRect() const
{
    RECT r = {0, 0, GetWidth(), GetHeight()};
    return r;
}

SIZE CDib::GetSize() const
{
    SIZE s = {GetWidth(), GetHeight()};
    return s;
}

int CDib::GetWidthBytes() const
{
    return m_header ? CalcDibStride(m_header->biWidth, m_header->biBitCount) : 0;
}

DWORD CDib::GetImageSize() const
{
    if (!m_header)
        return 0;
    if (m_header->biCompression != BI_RGB)
        return m_header->biSizeImage;
    return static_cast<DWORD>(GetWidthBytes()) * static_cast<DWORD>(GetAbsHeight());
}

BYTE* CDib::GetTopRow() const
{
    if (!m_header || !m_bits)
        return nullptr;
    if (m_header->biHeight > 0)
        return m_bits + static_cast<size_t>(m_header->biHeight - 1) * GetWidthBytes();
    return m_bits;
}

BYTE* CDib::GetImageRow(int y) const
{
    BYTE* top = GetTopRow();
    if (!top)
        return nullptr;
    ptrdiff_t stride = GetWidthBytes();
    return IsBottomUp() ? top - stride * y : top + stride * y;
}

BYTE* CDib::GetProfileData() const
{
    BITMAPV5HEADER* v5 = GetV5Header();
    if (!v5 || v5->bV5ProfileData == 0)
        return nullptr;
    return reinterpret_cast<BYTE*>(m_header) + v5->bV5ProfileData;
}

DWORD CDib::GetProfileSize() const
{
    BITMAPV5HEADER* v5 = GetV5Header();
    return v5 ? v5->bV5ProfileSize : 0;
}

DWORD CDib::GetHeaderSizeWithProfile() const
{
    if (!m_header)
        return 0;
    BITMAPV5HEADER* v5 = GetV5Header();
    if (v5 && v5->bV5ProfileData != 0)
        return v5->bV5ProfileData + v5->bV5ProfileSize;
    return m_header->biSize;
}

DWORD CDib::GetHeaderBlockSize() const
{
    if (!m_header)
        return 0;
    return m_header->biSize + GetColorTableCount() * 4 + NamedProfileSize(m_header);
}

bool CDib::CopyInfoHeaderTo(void* buffer, size_t bufferSize) const
{
    if (!buffer || !m_header)
        return false;
    size_t table = static_cast<size_t>(GetColorTableCount()) * 4;
    if (bufferSize < sizeof(BITMAPINFOHEADER) + table)
        return false;
    BYTE* out = static_cast<BYTE*>(buffer);
    std::memcpy(out, m_header, sizeof(BITMAPINFOHEADER));
    if (table)
        std::memcpy(out + sizeof(BITMAPINFOHEADER), GetColorTable(), table);
    reinterpret_cast<BITMAPINFOHEADER*>(out)->biSize = sizeof(BITMAPINFOHEADER);
    return true;
}

bool CDib::ComparePixels(const CDib& other) const
{
    DWORD size = GetImageSize();
    if (size != other.GetImageSize())
        return false;
    if (size == 0)
        return true;
    if (!m_bits || !other.m_bits)
        return false;
    return std::memcmp(m_bits, other.m_bits, size) == 0;
}

int CDib::CompareColorTable(const CDib& other) const
{
    int n = GetColorTableCount();
    int m = other.GetColorTableCount();
    if (n != m)
        return n < m ? -1 : 1;
    if (n == 0)
        return 0;
    return std::memcmp(GetColorTable(), other.GetColorTable(), n * 4u);
}

void CDib::Clear()
{
    if (m_bits)
        std::memset(m_bits, 0, GetImageSize());
}

void CDib::FillBytes(BYTE value)
{
    if (m_bits)
        std::memset(m_bits, value, GetImageSize());
}

HBRUSH CDib::CreatePatternBrush() const
{
    if (!IsValid())
        return nullptr;
    size_t headerBytes = sizeof(BITMAPINFOHEADER) + GetColorTableCount() * 4u;
    DWORD image = GetImageSize();
    CGlobalMemory block;
    void* locked = nullptr;
    if (!block.Alloc(headerBytes + image, GMEM_MOVEABLE))
        return nullptr;
    CGlobalLocker lock(locked, block);
    if (!locked)
        return nullptr;
    BYTE* p = static_cast<BYTE*>(locked);
    if (!CopyInfoHeaderTo(p, headerBytes))
        return nullptr;
    std::memcpy(p + headerBytes, m_bits, image);
    return ::CreateDIBPatternBrushPt(p, DIB_RGB_COLORS);
}

// ---------------------------------------------------------------------------

CDibSection::~CDibSection()
{
    CDib::FreeHeader();
    CDibSection::FreeBits();
}

bool CDibSection::AllocBits()
{
    if (!m_header)
        return false;
    FreeBits();
    void* bits = nullptr;
    m_bitmap.Reset(::CreateDIBSection(nullptr, GetInfo(), DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!m_bitmap)
        return false;
    m_bits = static_cast<BYTE*>(bits);
    return true;
}

void CDibSection::FreeBits()
{
    m_bitmap.Reset();
    m_bits = nullptr;  // the section's rows, gone with it
}

// ---------------------------------------------------------------------------

bool CDibPatternBrush::Create(HGLOBAL packedDib)
{
    Delete();
    void* locked = nullptr;
    CGlobalLocker lock(locked, packedDib);
    if (!locked)
        return false;
    m_brush.Reset(::CreateDIBPatternBrushPt(locked, DIB_RGB_COLORS));
    return m_brush != nullptr;
}

bool CDibPatternBrush::Delete()
{
    if (!m_brush)
        return true;
    if (!::DeleteObject(m_brush))
        return false;
    m_brush.Detach();
    return true;
}

// ---------------------------------------------------------------------------

CDibPixelCursor::CDibPixelCursor(BYTE* bits_, int width_, int height_, int stride_, int bytesPerPixel)
    : current(nullptr), bits(bits_), end(bits_ + static_cast<ptrdiff_t>(height_) * stride_),
      width(width_), height(height_), stride(stride_), bpp(bytesPerPixel)
{
    area.left = 0;
    area.top = 0;
    area.right = width_;
    area.bottom = height_;
    current = Row(0);
}

CDibPixelCursor::CDibPixelCursor(const CDib& dib)
    : CDibPixelCursor(dib.GetBits(), dib.GetWidth(), dib.GetAbsHeight(), dib.GetWidthBytes(),
                      dib.GetBitCount() / 8)
{
}

void CDibPixelCursor::SetArea(const RECT& r)
{
    area.left = std::max(0L, std::min<LONG>(r.left, width));
    area.top = std::max(0L, std::min<LONG>(r.top, height));
    area.right = std::max(area.left, std::min<LONG>(r.right, width));
    area.bottom = std::max(area.top, std::min<LONG>(r.bottom, height));
    current = Row(0);
}

// ---------------------------------------------------------------------------

namespace {

bool LinesPossible(const CDib& dib, int x, int y)
{
    if (!dib.IsValid() || dib.GetBitCount() % 8 != 0 || dib.GetBitCount() == 0)
        return false;
    if (dib.GetHeader()->biCompression != BI_RGB && dib.GetHeader()->biCompression != BI_BITFIELDS)
        return false;
    return x >= 0 && y >= 0 && x < dib.GetWidth() && y < dib.GetAbsHeight();
}

// Image rows grow downwards; in memory that is -stride for a bottom-up bitmap.
ptrdiff_t DownStep(const CDib& dib)
{
    ptrdiff_t stride = dib.GetWidthBytes();
    return dib.IsBottomUp() ? -stride : stride;
}

CDibLines MakeLines(BYTE* first, ptrdiff_t lineStep, ptrdiff_t pixelStep, int length, int lines)
{
    if (length <= 0 || lines <= 0)
        return CDibLines();
    return CDibLines(CDibLineIterator(first, lineStep, pixelStep, length, 0),
                     CDibLineIterator(first, lineStep, pixelStep, length, lines));
}

} // namespace

CDibLines GetDibColumnLines(const CDib& dib, int x, int y, int lines, int length,
                            bool reversePixels, bool reverseLines)
{
    if (!LinesPossible(dib, x, y))
        return CDibLines();
    int bpp = dib.GetBitCount() / 8;
    int W = dib.GetWidth(), H = dib.GetAbsHeight();
    length = std::min(length, reversePixels ? y + 1 : H - y);
    lines = std::min(lines, reverseLines ? x + 1 : W - x);
    BYTE* first = dib.GetImageRow(y) + static_cast<ptrdiff_t>(x) * bpp;
    ptrdiff_t down = DownStep(dib);
    return MakeLines(first, reverseLines ? -bpp : bpp, reversePixels ? -down : down, length, lines);
}

CDibLines GetDibRowLines(const CDib& dib, int x, int y, int length, int lines,
                         bool reversePixels, bool reverseLines)
{
    if (!LinesPossible(dib, x, y))
        return CDibLines();
    int bpp = dib.GetBitCount() / 8;
    int W = dib.GetWidth(), H = dib.GetAbsHeight();
    length = std::min(length, reversePixels ? x + 1 : W - x);
    lines = std::min(lines, reverseLines ? y + 1 : H - y);
    BYTE* first = dib.GetImageRow(y) + static_cast<ptrdiff_t>(x) * bpp;
    ptrdiff_t down = DownStep(dib);
    return MakeLines(first, reverseLines ? -down : down, reversePixels ? -bpp : bpp, length, lines);
}
