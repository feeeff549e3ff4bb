// Plain loops over the rows of 32-bit bitmaps. Channel arithmetic is integer
// with truncating division by 255. Rectangles and blocks are clipped to the
// image, so no operation reads or writes outside the pixel rows whatever the
// caller passes.
#include "imaging/PixelOps.h"
#include <algorithm>

namespace {

bool Is32(const CDib& dib) { return dib.IsValid() && dib.GetBitCount() == 32; }

// The rectangle cut to the image; false when nothing is left.
bool ClipToImage(const CDib& dib, const RECT& r, RECT& out)
{
    out.left = std::max<LONG>(r.left, 0);
    out.top = std::max<LONG>(r.top, 0);
    out.right = std::min<LONG>(r.right, dib.GetWidth());
    out.bottom = std::min<LONG>(r.bottom, dib.GetAbsHeight());
    return out.left < out.right && out.top < out.bottom;
}

boost::shared_ptr<CDib> NewDib32(int width, int height)
{
    boost::shared_ptr<CDib> dib(new CDib);
    if (!dib->CreateWithInfoHeader(width, height, 32, 0, BI_RGB) || !dib->AllocBits())
        dib.reset();
    return dib;
}

} // namespace

void CDib::SetAlpha(BYTE alpha)
{
    if (!Is32(*this))
        return;
    DWORD n = GetImageSize() / 4;
    for (DWORD i = 0; i < n; ++i)
        m_bits[i * 4 + 3] = alpha;
}

void CDib::SetAlphaRect(const RECT& rect, BYTE alpha)
{
    RECT r;
    if (!Is32(*this) || !ClipToImage(*this, rect, r))
        return;
    for (LONG y = r.top; y < r.bottom; ++y) {
        BYTE* row = GetImageRow(y);
        for (LONG x = r.left; x < r.right; ++x)
            row[x * 4 + 3] = alpha;
    }
}

HRESULT CDib::CopyMaskToAlpha(const CDib& mask)
{
    if (!Is32(*this) || !mask.IsValid() || mask.GetBitCount() != 8)
        return E_INVALIDARG;
    LONG w = GetWidth(), h = GetAbsHeight();
    if (mask.GetWidth() < w || mask.GetAbsHeight() < h)
        return E_INVALIDARG;
    int stride = GetWidthBytes(), maskStride = mask.GetWidthBytes();
    for (LONG r = 0; r < h; ++r) {
        BYTE* row = m_bits + static_cast<size_t>(r) * stride;
        const BYTE* m = mask.GetBits() + static_cast<size_t>(r) * maskStride;
        for (LONG x = 0; x < w; ++x)
            row[x * 4 + 3] = m[x];
    }
    return S_OK;
}

void CDib::MergeMaskIntoAlpha(const CDib& mask, int x, int y)
{
    if (!Is32(*this) || !mask.IsValid() || mask.GetBitCount() != 8)
        return;
    RECT placed = {x, y, x + mask.GetWidth(), y + mask.GetAbsHeight()};
    RECT r;
    if (!ClipToImage(*this, placed, r))
        return;
    for (LONG ty = r.top; ty < r.bottom; ++ty) {
        BYTE* row = GetImageRow(ty);
        const BYTE* m = mask.GetImageRow(ty - y);
        for (LONG tx = r.left; tx < r.right; ++tx) {
            unsigned mv = m[tx - x];
            BYTE& a = row[tx * 4 + 3];
            a = static_cast<BYTE>(mv + (255 - mv) * a / 255);
        }
    }
}

void CDib::FillColor(COLORREF color)
{
    if (!Is32(*this))
        return;
    uint32_t v = (static_cast<uint32_t>(GetRValue(color)) << 16) | (GetGValue(color) << 8) | GetBValue(color);
    FillU32(m_bits, GetImageSize(), v);
}

void CDib::FillRect32(const RECT& rect, uint32_t value)
{
    RECT r;
    if (!Is32(*this) || !ClipToImage(*this, rect, r))
        return;
    for (LONG y = r.top; y < r.bottom; ++y)
        FillU32(GetImageRow(y) + r.left * 4, static_cast<size_t>(r.right - r.left) * 4, value);
}

void CDib::ClearRect(const RECT& rect)
{
    if (!Is32(*this))
        return;
    if (rect.left == 0 && rect.top == 0 && rect.right == GetWidth() && rect.bottom == GetAbsHeight()) {
        Clear();
        return;
    }
    FillRect32(rect, 0);
}

void CDib::Premultiply()
{
    PremultiplyRect(GetRect());
}

void CDib::PremultiplyRect(const RECT& rect)
{
    RECT r;
    if (!Is32(*this) || !ClipToImage(*this, rect, r))
        return;
    for (LONG y = r.top; y < r.bottom; ++y) {
        BYTE* row = GetImageRow(y);
        for (LONG x = r.left; x < r.right; ++x)
            PremultiplyPixel(row, x);
    }
}

void CDib::FlattenOnColor(COLORREF background)
{
    if (!Is32(*this))
        return;
    const unsigned bg[3] = {GetBValue(background), GetGValue(background), GetRValue(background)};
    DWORD n = GetImageSize() / 4;
    for (DWORD i = 0; i < n; ++i) {
        BYTE* p = m_bits + i * 4;
        unsigned a = p[3];
        if (a == 255)
            continue;
        for (int c = 0; c < 3; ++c)
            p[c] = static_cast<BYTE>((255 - a) * bg[c] / 255 + a * p[c] / 255);
        p[3] = 255;
    }
}

bool CDib::CopyFrom(const CDib& other)
{
    if (&other == this)
        return true;
    if (!CopyHeaderFrom(other.GetHeader()) || !AllocBits())
        return false;
    DWORD size = std::min(GetImageSize(), other.GetImageSize());
    if (size && other.GetBits())
        std::memcpy(m_bits, other.GetBits(), size);
    return true;
}

// ---------------------------------------------------------------------------

HRESULT ColorizeDib(CDib& dib, COLORREF color)
{
    if (dib.GetBitCount() != 32)
        return E_INVALIDARG;
    if (!dib.IsValid())
        return S_OK;
    const BYTE b = GetBValue(color), g = GetGValue(color), r = GetRValue(color);
    BYTE* p = dib.GetBits();
    DWORD n = dib.GetImageSize() / 4;
    for (DWORD i = 0; i < n; ++i, p += 4) {
        if (p[3] != 0) {
            p[0] = b;
            p[1] = g;
            p[2] = r;
        } else {
            p[0] = p[1] = p[2] = 0;
        }
    }
    return S_OK;
}

HRESULT FillCheckerboard(CDib& dib, int x, int y, int w, int h, uint32_t a, uint32_t b)
{
    if (dib.GetBitCount() != 32 || !dib.IsValid())
        return E_INVALIDARG;
    if (w <= 0 || h <= 0)
        return S_OK;
    RECT block = {x, y, x + w, y + h};
    RECT r;
    if (!ClipToImage(dib, block, r))
        return S_OK;
    for (LONG py = r.top; py < r.bottom; ++py) {
        uint32_t* row = reinterpret_cast<uint32_t*>(dib.GetImageRow(py));
        int j = py - y;
        for (LONG px = r.left; px < r.right; ++px) {
            int i = px - x;
            row[px] = ((2 * i) / w + (2 * j) / h) % 2 == 0 ? a : b;
        }
    }
    return S_OK;
}

// Each orientation is one pass of 4-byte copies: the source is walked row by
// row, and the destination is stepped by one pixel or one row per pixel.
HRESULT RotateByOrientation(boost::shared_ptr<CDib>& out, const CDib& source, int orientation)
{
    if (!Is32(source) || orientation < 1 || orientation > 8)
        return E_INVALIDARG;
    const int W = source.GetWidth(), H = source.GetAbsHeight();
    const bool swap = orientation >= 5;
    boost::shared_ptr<CDib> dst = NewDib32(swap ? H : W, swap ? W : H);
    if (!dst)
        return E_OUTOFMEMORY;
    const ptrdiff_t down = -static_cast<ptrdiff_t>(dst->GetWidthBytes());  // bottom-up
    for (int y = 0; y < H; ++y) {
        const uint32_t* s = reinterpret_cast<const uint32_t*>(source.GetImageRow(y));
        int X = 0, Y = 0;
        ptrdiff_t step = 0;
        switch (orientation) {
        case 1: X = 0;         Y = y;         step = 4;     break;
        case 2: X = W - 1;     Y = y;         step = -4;    break;
        case 3: X = W - 1;     Y = H - 1 - y; step = -4;    break;
        case 4: X = 0;         Y = H - 1 - y; step = 4;     break;
        case 5: X = y;         Y = 0;         step = down;  break;
        case 6: X = H - 1 - y; Y = 0;         step = down;  break;
        case 7: X = H - 1 - y; Y = W - 1;     step = -down; break;
        case 8: X = y;         Y = W - 1;     step = -down; break;
        }
        BYTE* d = dst->GetImageRow(Y) + X * 4;
        for (int x = 0; x < W; ++x, d += step)
            *reinterpret_cast<uint32_t*>(d) = s[x];
    }
    out = dst;
    return S_OK;
}

namespace {

// Leading lines of a range in which every pixel has alpha 0.
int CountTransparentLines(const CDibLines& lines)
{
    int n = 0;
    for (CDibLineIterator it = lines.first; it != lines.second; ++it, ++n) {
        CDibLine line = *it;
        for (BYTE* p : line)
            if (p[3] != 0)
                return n;
    }
    return n;
}

} // namespace

HRESULT MeasureTransparentMargins(const CDib& source, int sides, int* left, int* top, int* right, int* bottom)
{
    if (!Is32(source))
        return E_INVALIDARG;
    const int W = source.GetWidth(), H = source.GetAbsHeight();
    int m[4] = {0, 0, 0, 0};
    if (sides & TRIM_L) {
        m[0] = CountTransparentLines(GetDibColumnLines(source, 0, 0, W, H, false, false));
        if (m[0] >= W)
            return E_INVALIDARG;
    }
    if (sides & TRIM_T) {
        m[1] = CountTransparentLines(GetDibRowLines(source, 0, 0, W, H, false, false));
        if (m[1] >= H)
            return E_INVALIDARG;
    }
    if (sides & TRIM_R) {
        m[2] = CountTransparentLines(GetDibColumnLines(source, W - 1, 0, W, H, false, true));
        if (m[2] >= W)
            return E_INVALIDARG;
    }
    if (sides & TRIM_B) {
        m[3] = CountTransparentLines(GetDibRowLines(source, 0, H - 1, W, H, false, true));
        if (m[3] >= H)
            return E_INVALIDARG;
    }
    if (left) *left = m[0];
    if (top) *top = m[1];
    if (right) *right = m[2];
    if (bottom) *bottom = m[3];
    return S_OK;
}

HRESULT TrimTransparentMargins(boost::shared_ptr<CDib>& out, const CDib& source, int sides)
{
    int l, t, r, b;
    HRESULT hr = MeasureTransparentMargins(source, sides, &l, &t, &r, &b);
    if (FAILED(hr))
        return hr;
    return CropDib(out, source, l, t, r, b);
}

HRESULT TrimTransparentMargins(boost::shared_ptr<CDib>& image, int sides)
{
    if (!image)
        return E_INVALIDARG;
    boost::shared_ptr<CDib> trimmed;
    HRESULT hr = TrimTransparentMargins(trimmed, *image, sides);
    if (SUCCEEDED(hr))
        image = trimmed;
    return hr;
}

HRESULT CropDib(boost::shared_ptr<CDib>& out, const CDib& source, int left, int top, int right, int bottom)
{
    if (!Is32(source) || left < 0 || top < 0 || right < 0 || bottom < 0)
        return E_INVALIDARG;
    const int W = source.GetWidth(), H = source.GetAbsHeight();
    const int w = W - left - right, h = H - top - bottom;
    if (w < 0 || h < 0)
        return E_INVALIDARG;
    boost::shared_ptr<CDib> dst = NewDib32(w, h);
    if (!dst)
        return E_OUTOFMEMORY;
    if (left == 0 && right == 0 && source.IsBottomUp()) {
        // Whole rows: one block from the memory row of the bottom margin.
        std::memcpy(dst->GetBits(), source.GetBits() + static_cast<size_t>(bottom) * source.GetWidthBytes(),
                    static_cast<size_t>(h) * dst->GetWidthBytes());
    } else {
        for (int y = 0; y < h; ++y)
            std::memcpy(dst->GetImageRow(y), source.GetImageRow(top + y) + left * 4, static_cast<size_t>(w) * 4);
    }
    out = dst;
    return S_OK;
}

namespace {

// The distinct colours of an image while there are at most 256, in an
// open-addressed table four times that size: a tree lookup per pixel cost
// more than a small preview's whole palette step.
class CPaletteColors {
public:
    CPaletteColors() { std::fill(m_value, m_value + kSlots, -1); }
    // False once a 257th colour comes.
    bool Add(uint32_t color)
    {
        const unsigned slot = Find(color);
        if (m_value[slot] >= 0)
            return true;
        if (m_count == 256)
            return false;
        m_key[slot] = color;
        m_value[slot] = m_count;
        m_colors[m_count++] = color;
        return true;
    }
    // Numbers the colours in ascending order of their values.
    void Sort()
    {
        std::sort(m_colors, m_colors + m_count);
        for (int i = 0; i < m_count; ++i)
            m_value[Find(m_colors[i])] = i;
    }
    int Count() const { return m_count; }
    uint32_t Color(int i) const { return m_colors[i]; }
    int IndexOf(uint32_t color) const { return m_value[Find(color)]; }
private:
    static const unsigned kSlots = 1024;
    unsigned Find(uint32_t color) const
    {
        unsigned slot = (color * 2654435761u) >> 22;  // Fibonacci hashing to ten bits
        while (m_value[slot] >= 0 && m_key[slot] != color)
            slot = (slot + 1) & (kSlots - 1);
        return slot;
    }
    uint32_t m_key[kSlots];
    int m_value[kSlots];
    uint32_t m_colors[256];
    int m_count = 0;
};

} // namespace

HRESULT ReduceToPalette(boost::shared_ptr<CDib>& out, const CDib& source)
{
    if (!Is32(source))
        return E_NOTIMPL;
    const int W = source.GetWidth(), H = source.GetAbsHeight();
    CPaletteColors colors;
    // Runs of one colour (a background, a solid face) are looked up once.
    bool any = false;
    uint32_t last = 0;
    for (int y = 0; y < H; ++y) {
        const uint32_t* row = reinterpret_cast<const uint32_t*>(source.GetImageRow(y));
        for (int x = 0; x < W; ++x) {
            if (any && row[x] == last)
                continue;
            any = true;
            last = row[x];
            if (!colors.Add(last))
                return E_NOTIMPL;
        }
    }
    colors.Sort();
    boost::shared_ptr<CDib> dst(new CDib);
    if (!dst->CreateWithInfoHeader(W, H, 8, 0, BI_RGB) || !dst->AllocBits())
        return E_OUTOFMEMORY;
    uint32_t* table = reinterpret_cast<uint32_t*>(dst->GetColorTable());
    for (int i = 0; i < colors.Count(); ++i)
        table[i] = colors.Color(i);  // B, G, R, A bytes read as 0xAARRGGBB: same layout as RGBQUAD
    CDibPixelCursor cursor(*dst);
    BYTE index = 0;
    any = false;
    for (int y = 0; y < H; ++y) {
        const uint32_t* row = reinterpret_cast<const uint32_t*>(source.GetImageRow(y));
        BYTE* d = cursor.Row(y);
        for (int x = 0; x < W; ++x) {
            if (!any || row[x] != last) {
                any = true;
                last = row[x];
                index = static_cast<BYTE>(colors.IndexOf(last));
            }
            d[x] = index;
        }
    }
    out = dst;
    return S_OK;
}

HRESULT ReduceToPalette(boost::shared_ptr<CDib>& image)
{
    if (!image)
        return E_INVALIDARG;
    boost::shared_ptr<CDib> reduced;
    HRESULT hr = ReduceToPalette(reduced, *image);
    if (SUCCEEDED(hr))
        image = reduced;
    return hr;
}
