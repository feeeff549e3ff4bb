// Device-independent bitmaps: one header block (header, colour table and an
// optional embedded ICC profile) and one block of pixel rows, both owned.
// 32-bit pixels are the bytes B, G, R, A with straight alpha; every bitmap the
// program draws into is bottom-up (positive height).
#pragma once
#include "platform/Gdi.h"
#include <windows.h>
#include <boost/shared_ptr.hpp>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <string>
#include <utility>

// Bytes of one row: (width x bit count + 7) / 8, rounded up to a multiple of 4.
inline int CalcDibStride(int width, int bitCount)
{
    return static_cast<int>(((static_cast<long long>(width) * bitCount + 7) / 8 + 3) & ~3LL);
}

// Colour-table entries of a header: 3 masks for BI_BITFIELDS, none from 9
// bits up, else biClrUsed or 2^bit count.
int GetDibColorTableCount(const BITMAPINFOHEADER* header);

// Entry i = i x 255 / (entries - 1) in blue, green and red, fourth byte 255.
void FillGrayPalette(BITMAPINFOHEADER* header);
// 8-bit headers with 256 entries only: every entry black with fourth byte 0,
// the given one 0xFFFFFFFF.
void SetMaskPalette(BITMAPINFOHEADER* header, int index);

class CDib {
public:
    CDib() = default;
    virtual ~CDib();
    CDib(const CDib&) = delete;
    CDib& operator=(const CDib&) = delete;

    // Builds the header block; frees the old header, never the bits.
    virtual bool Create(DWORD headerSize, LONG width, LONG height, WORD bitCount,
                        DWORD colorsUsed, DWORD compression, DWORD profileSize);
    virtual void FreeHeader();
    // Pixel rows of GetImageSize() bytes, not zero-filled.
    virtual bool AllocBits();
    virtual void FreeBits();

    bool CreateWithInfoHeader(LONG width, LONG height, WORD bitCount, DWORD colorsUsed = 0,
                              DWORD compression = BI_RGB);
    bool CreateWithV5Header(LONG width, LONG height, WORD bitCount, DWORD colorsUsed = 0,
                            DWORD compression = BI_RGB);
    bool CreateWithV5Profile(LONG width, LONG height, WORD bitCount, DWORD colorsUsed,
                             DWORD compression, const std::string& profile);
    bool CopyHeaderFrom(const BITMAPINFOHEADER* source);
    bool CreateFromHeader(const BITMAPINFOHEADER* source);
    bool CreateLike(LONG width, LONG height, WORD bitCount, const BITMAPINFOHEADER* templ);
    // CreateLike, then AllocBits (defined with the DIB drawing).
    bool CreateAndAlloc(LONG width, LONG height, WORD bitCount, const BITMAPINFOHEADER* templ);
    bool Attach(BITMAPINFOHEADER* header, BYTE* bits);
    void Detach(BITMAPINFOHEADER** header, BYTE** bits);

    // Raw access.
    BITMAPINFOHEADER* GetHeader() const { return m_header; }
    BITMAPINFO* GetInfo() const { return reinterpret_cast<BITMAPINFO*>(m_header); }
    BITMAPV5HEADER* GetV5Header() const;  // null unless the header is 124 bytes or more
    BYTE* GetBits() const { return m_bits; }
    RGBQUAD* GetColorTable() const;
    int GetColorTableCount() const { return GetDibColorTableCount(m_header); }

    LONG GetWidth() const { return m_header ? m_header->biWidth : 0; }
    LONG GetHeight() const { return m_header ? m_header->biHeight : 0; }  // sign = row order
    LONG GetAbsHeight() const;
    WORD GetBitCount() const { return m_header ? m_header->biBitCount : 0; }
    bool IsBottomUp() const { return GetHeight() > 0; }

    bool IsValid() const { return m_header && m_bits; }
    bool HasPixels() const;
    RECT GetRect() const;
    SIZE GetSize() const;
    int GetWidthBytes() const;
    DWORD GetImageSize() const;
    BYTE* GetTopRow() const;
    // Image row y (0 at the top) whatever the row order; no bounds check.
    BYTE* GetImageRow(int y) const;
    BYTE* GetProfileData() const;
    DWORD GetProfileSize() const;
    DWORD GetHeaderSizeWithProfile() const;
    DWORD GetHeaderBlockSize() const;
    bool CopyInfoHeaderTo(void* buffer, size_t bufferSize) const;
    bool ComparePixels(const CDib& other) const;
    int CompareColorTable(const CDib& other) const;

    // Whole image.
    void Clear();
    void FillBytes(BYTE value);
    HBRUSH CreatePatternBrush() const;

    // Pixel operations on 32-bit bitmaps (PixelOps.cpp). Each does nothing
    // without bits or at another bit count.
    void SetAlpha(BYTE alpha);
    void SetAlphaRect(const RECT& rect, BYTE alpha);
    // E_INVALIDARG, nothing changed, unless the mask is 8-bit and at least as
    // large as this bitmap.
    HRESULT CopyMaskToAlpha(const CDib& mask);
    void MergeMaskIntoAlpha(const CDib& mask, int x, int y);
    void FillColor(COLORREF color);
    // Rectangles are clipped to the image.
    void FillRect32(const RECT& rect, uint32_t value);
    void ClearRect(const RECT& rect);
    void Premultiply();
    void PremultiplyRect(const RECT& rect);
    void FlattenOnColor(COLORREF background);
    bool CopyFrom(const CDib& other);

    // StretchDIBits drawing, defined with the rest of the DIB drawing.
    bool DrawAt(HDC dc, int x, int y) const;
    bool DrawTo(HDC dc, const RECT& destination) const;
    bool DrawRectTo(HDC dc, const RECT& destination, const RECT& source) const;
    bool StretchTo(HDC dc, const RECT& destination, const RECT& source) const;

protected:
    BITMAPINFOHEADER* m_header = nullptr;
    BYTE* m_bits = nullptr;
};

// A CDib whose rows live in a GDI DIB section, so that a DC can select it.
class CDibSection : public CDib {
public:
    CDibSection() = default;
    ~CDibSection() override;
    bool AllocBits() override;
    void FreeBits() override;
    HBITMAP GetBitmap() const { return m_bitmap; }
private:
    CBitmapHandle m_bitmap;
};

// A DIB pattern brush over a global-memory block holding a packed DIB. The
// brush is deleted with the holder; a failed deletion keeps the handle.
class CDibPatternBrush {
public:
    CDibPatternBrush() = default;
    ~CDibPatternBrush() { Delete(); }
    CDibPatternBrush(const CDibPatternBrush&) = delete;
    CDibPatternBrush& operator=(const CDibPatternBrush&) = delete;
    bool Create(HGLOBAL packedDib);
    bool Delete();
    HBRUSH Get() const { return m_brush; }
private:
    CBrushHandle m_brush;
};

// Cursor over an area of a 32-bit bottom-up bitmap, addressed from the top.
struct CDibPixelCursor {
    BYTE* current;
    BYTE* bits;
    BYTE* end;
    int width;
    int height;
    int stride;
    RECT area;

    CDibPixelCursor(BYTE* bits, int width, int height, int stride, int bytesPerPixel = 4);
    explicit CDibPixelCursor(const CDib& dib);
    // Restricts the cursor to an area (image coordinates, clipped).
    void SetArea(const RECT& r);
    // First pixel of row y of the area.
    BYTE* Row(int y) const { return bits + static_cast<ptrdiff_t>(height - area.top - y - 1) * stride + area.left * bpp; }
    int AreaWidth() const { return area.right - area.left; }
    int AreaHeight() const { return area.bottom - area.top; }
private:
    int bpp;
};

// Line iterators: a range of lines, each a range of pixels, over a bitmap
// whose bit count is a multiple of 8. Dereferencing a pixel gives a pointer
// to its first byte.
class CDibPixelIterator {
public:
    typedef std::random_access_iterator_tag iterator_category;
    typedef BYTE* value_type;
    typedef ptrdiff_t difference_type;
    typedef BYTE* const* pointer;
    typedef BYTE* reference;
    CDibPixelIterator() = default;
    CDibPixelIterator(BYTE* base, ptrdiff_t step, int index) : m_base(base), m_step(step), m_index(index) {}
    BYTE* operator*() const { return m_base + m_step * m_index; }
    CDibPixelIterator& operator++() { ++m_index; return *this; }
    CDibPixelIterator operator++(int) { CDibPixelIterator t = *this; ++m_index; return t; }
    difference_type operator-(const CDibPixelIterator& o) const { return m_index - o.m_index; }
    bool operator==(const CDibPixelIterator& o) const { return m_index == o.m_index && m_base == o.m_base; }
    bool operator!=(const CDibPixelIterator& o) const { return !(*this == o); }
private:
    BYTE* m_base = nullptr;
    ptrdiff_t m_step = 0;
    int m_index = 0;
};

struct CDibLine {
    CDibPixelIterator first, last;
    CDibPixelIterator begin() const { return first; }
    CDibPixelIterator end() const { return last; }
};

class CDibLineIterator {
public:
    typedef std::forward_iterator_tag iterator_category;
    typedef CDibLine value_type;
    typedef ptrdiff_t difference_type;
    typedef const CDibLine* pointer;
    typedef CDibLine reference;
    CDibLineIterator() = default;
    CDibLineIterator(BYTE* first, ptrdiff_t lineStep, ptrdiff_t pixelStep, int length, int index)
        : m_first(first), m_lineStep(lineStep), m_pixelStep(pixelStep), m_length(length), m_index(index) {}
    CDibLine operator*() const
    {
        BYTE* base = m_first + m_lineStep * m_index;
        return CDibLine{CDibPixelIterator(base, m_pixelStep, 0), CDibPixelIterator(base, m_pixelStep, m_length)};
    }
    CDibLineIterator& operator++() { ++m_index; return *this; }
    CDibLineIterator operator++(int) { CDibLineIterator t = *this; ++m_index; return t; }
    difference_type operator-(const CDibLineIterator& o) const { return m_index - o.m_index; }
    bool operator==(const CDibLineIterator& o) const { return m_index == o.m_index && m_first == o.m_first; }
    bool operator!=(const CDibLineIterator& o) const { return !(*this == o); }
private:
    BYTE* m_first = nullptr;
    ptrdiff_t m_lineStep = 0, m_pixelStep = 0;
    int m_length = 0;
    int m_index = 0;
};

typedef std::pair<CDibLineIterator, CDibLineIterator> CDibLines;

// Columns starting at (x, y): `lines` columns of `length` pixels, downwards
// (upwards with reversePixels), rightwards (leftwards with reverseLines).
// Counts that would leave the image are cut at its edge.
CDibLines GetDibColumnLines(const CDib& dib, int x, int y, int lines, int length,
                            bool reversePixels, bool reverseLines);
// Rows starting at (x, y): `lines` rows of `length` pixels, rightwards
// (leftwards with reversePixels), downwards (upwards with reverseLines).
CDibLines GetDibRowLines(const CDib& dib, int x, int y, int length, int lines,
                         bool reversePixels, bool reverseLines);
