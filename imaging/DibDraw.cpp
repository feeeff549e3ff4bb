#include "imaging/DibDraw.h"
#include "imaging/GdiPlusBitmap.h"
#include "imaging/MemoryDC.h"
#include "platform/Gdi.h"
#include <cmath>
#include <cstring>

namespace {

const HRESULT kNotEnoughMemory = HRESULT_FROM_WIN32(ERROR_NOT_ENOUGH_MEMORY);  // 0x80070008

bool IsEmptySize(const RECT& r) { return r.right == r.left || r.bottom == r.top; }

RECT WholeRect(const CDib& dib) { return RECT{0, 0, dib.GetWidth(), dib.GetAbsHeight()}; }

// The scaled, premultiplied copy that AlphaBlend takes, and its blend format.
bool PrepareBlendCopy(CDibSection& copy, const CDib& dib, const RECT& destination, const RECT& source, int quality,
                      BYTE& format)
{
    SIZE size = {RectWidth(destination), RectHeight(destination)};
    HRESULT hr = ScaleDibSameBits(dib, source, copy, size,
                                  GetInterpolationForQuality(quality, ScalingDirection(destination, source)));
    if (FAILED(hr))
        return false;
    format = 0;
    if (copy.GetBitCount() == 32) {
        copy.Premultiply();
        format = AC_SRC_ALPHA;
    }
    return true;
}

// The 32-bit pixels of `from` into `to` (same size) at 24 or 16 (5-5-5) bits.
bool PackDib32(const CDib& from, CDib& to)
{
    const int width = to.GetWidth(), height = to.GetAbsHeight();
    for (int y = 0; y < height; ++y) {
        const BYTE* s = from.GetImageRow(y);
        BYTE* d = to.GetImageRow(y);
        if (to.GetBitCount() == 24) {
            for (int x = 0; x < width; ++x, s += 4, d += 3) {
                d[0] = s[0];
                d[1] = s[1];
                d[2] = s[2];
            }
        } else if (to.GetBitCount() == 16) {
            for (int x = 0; x < width; ++x, s += 4, d += 2) {
                WORD v = static_cast<WORD>(((s[2] >> 3) << 10) | ((s[1] >> 3) << 5) | (s[0] >> 3));
                d[0] = static_cast<BYTE>(v & 0xFF);
                d[1] = static_cast<BYTE>(v >> 8);
            }
        } else {
            return false;
        }
    }
    return true;
}

// Draws the source rectangle of `source` over the destination rectangle of
// `copy` (already made). GDI+ draws only into a bitmap it shares with a
// 32-bit DIB; any other depth is copied by BitmapFromDib, so it is drawn into
// a 32-bit twin and packed, or the copy would stay black.
HRESULT DrawDibInto(const CDib& source, const Gdiplus::RectF& sourceRect, CDib& copy, const Gdiplus::RectF& destination,
                    Gdiplus::InterpolationMode mode)
{
    CDib twin;
    CDib* target = &copy;
    if (copy.GetBitCount() != 32) {
        if (copy.GetBitCount() != 24 && copy.GetBitCount() != 16)
            return E_INVALIDARG;
        if (!twin.CreateWithInfoHeader(copy.GetWidth(), copy.GetAbsHeight(), 32) || !twin.AllocBits())
            return kNotEnoughMemory;
        twin.Clear();
        target = &twin;
    }
    boost::shared_ptr<Gdiplus::Bitmap> from = BitmapFromDib(source, true);
    boost::shared_ptr<Gdiplus::Bitmap> to = BitmapFromDib(*target, true);
    if (!from || !to)
        return kNotEnoughMemory;
    if (!DrawImageRectRectF(from.get(), sourceRect, to.get(), destination, mode))
        return E_INVALIDARG;
    if (target != &copy && !PackDib32(twin, copy))
        return E_INVALIDARG;
    return S_OK;
}

} // namespace

// ---- StretchDIBits drawing ----

bool CDib::StretchTo(HDC dc, const RECT& destination, const RECT& source) const
{
    if (!IsValid())
        return false;
    if (IsEmptySize(destination) || IsEmptySize(source))
        return true;
    // Wine answers 0, not GDI_ERROR, for a DC that is none.
    if (!dc)
        return false;
    // StretchDIBits counts source rows from the bottom of the image. Its count
    // of lines is no verdict (a destination clipped away copies none): only
    // GDI_ERROR is a failure.
    int result = ::StretchDIBits(dc, destination.left, destination.top, RectWidth(destination), RectHeight(destination),
                                 source.left, GetAbsHeight() - source.bottom, RectWidth(source), RectHeight(source),
                                 m_bits, GetInfo(), DIB_RGB_COLORS, SRCCOPY);
    return result != static_cast<int>(GDI_ERROR);
}

bool CDib::DrawAt(HDC dc, int x, int y) const
{
    if (!IsValid())
        return false;
    RECT destination = {x, y, x + GetWidth(), y + GetAbsHeight()};
    CStretchModeScope halftone(dc);
    return StretchTo(dc, destination, WholeRect(*this));
}

bool CDib::DrawTo(HDC dc, const RECT& destination) const
{
    if (!IsValid())
        return false;
    CStretchModeScope halftone(dc);
    return StretchTo(dc, destination, WholeRect(*this));
}

bool CDib::DrawRectTo(HDC dc, const RECT& destination, const RECT& source) const
{
    if (!IsValid())
        return false;
    CStretchModeScope halftone(dc);
    return StretchTo(dc, destination, source);
}

bool CDib::CreateAndAlloc(LONG width, LONG height, WORD bitCount, const BITMAPINFOHEADER* pattern)
{
    return CreateLike(width, height, bitCount, pattern) && AllocBits();
}

// ---- Scaling ----

int ScalingDirection(int dw, int dh, int sw, int sh)
{
    if (dw == sw && dh == sh)
        return 0;
    return static_cast<double>(dw) * dh > static_cast<double>(sw) * sh ? 1 : -1;
}

int ScalingDirection(const RECT& destination, const RECT& source)
{
    return ScalingDirection(RectWidth(destination), RectHeight(destination), RectWidth(source), RectHeight(source));
}

Gdiplus::InterpolationMode GetInterpolationForQuality(int quality, int direction)
{
    if (quality <= 0)
        return Gdiplus::InterpolationModeNearestNeighbor;
    if (quality == 1)
        return direction == 1 ? Gdiplus::InterpolationModeHighQualityBilinear : Gdiplus::InterpolationModeDefault;
    return Gdiplus::InterpolationModeHighQualityBicubic;
}

HRESULT CreateDibLike(CDib& out, const CDib& source, int width, int height, WORD bitCount)
{
    const BITMAPINFOHEADER* header = source.GetHeader();
    if (!header)
        return E_INVALIDARG;
    // The source's header with the new geometry; CopyHeaderFrom recomputes the
    // colour table and keeps the profile.
    std::string block(reinterpret_cast<const char*>(header), source.GetHeaderBlockSize());
    BITMAPINFOHEADER* h = reinterpret_cast<BITMAPINFOHEADER*>(&block[0]);
    h->biWidth = width;
    h->biHeight = height < 0 ? -height : height;
    h->biBitCount = bitCount;
    h->biCompression = BI_RGB;
    h->biSizeImage = 0;
    if (!out.CopyHeaderFrom(h) || !out.AllocBits())
        return kNotEnoughMemory;
    out.Clear();
    return S_OK;
}

HRESULT ScaleDib(const CDib& source, const RECT& sourceRect, CDib& copy, SIZE size, WORD bitCount,
                 Gdiplus::InterpolationMode mode)
{
    HRESULT hr = CreateDibLike(copy, source, size.cx, size.cy, bitCount);
    if (FAILED(hr))
        return hr;
    Gdiplus::RectF s(static_cast<Gdiplus::REAL>(sourceRect.left), static_cast<Gdiplus::REAL>(sourceRect.top),
                     static_cast<Gdiplus::REAL>(RectWidth(sourceRect)), static_cast<Gdiplus::REAL>(RectHeight(sourceRect)));
    Gdiplus::RectF d(0, 0, static_cast<Gdiplus::REAL>(size.cx), static_cast<Gdiplus::REAL>(size.cy));
    return DrawDibInto(source, s, copy, d, mode);
}

HRESULT ScaleDibF(const CDib& source, const Gdiplus::RectF& sourceRect, CDib& copy, const Gdiplus::RectF& destination,
                  WORD bitCount, Gdiplus::InterpolationMode mode)
{
    int width = static_cast<int>(std::ceil(destination.Width));
    int height = static_cast<int>(std::ceil(destination.Height));
    HRESULT hr = CreateDibLike(copy, source, width, height, bitCount);
    if (FAILED(hr))
        return hr;
    Gdiplus::RectF d(0, 0, destination.Width, destination.Height);
    return DrawDibInto(source, sourceRect, copy, d, mode);
}

HRESULT ScaleDibSameBits(const CDib& source, const RECT& sourceRect, CDib& copy, SIZE size,
                         Gdiplus::InterpolationMode mode)
{
    return ScaleDib(source, sourceRect, copy, size, source.GetBitCount(), mode);
}

HRESULT ConvertDibBits(const CDib& source, CDib& copy, WORD bitCount)
{
    SIZE size = {source.GetWidth(), source.GetAbsHeight()};
    return ScaleDib(source, WholeRect(source), copy, size, bitCount, Gdiplus::InterpolationModeNearestNeighbor);
}

// ---- Drawing onto device contexts ----

bool MakeAlphaAttributes(BYTE alpha, boost::shared_ptr<Gdiplus::ImageAttributes>& out)
{
    out.reset();
    if (alpha == 255)
        return true;
    boost::shared_ptr<Gdiplus::ImageAttributes> attributes(new Gdiplus::ImageAttributes);
    Gdiplus::ColorMatrix m = {};
    for (int i = 0; i < 5; ++i)
        m.m[i][i] = 1.0f;
    m.m[3][3] = alpha / 255.0f;
    if (!attributes->IsValid() || attributes->SetColorMatrix(&m) != Gdiplus::Ok)
        return false;
    out = attributes;
    return true;
}


namespace {

// DrawDib for one DC or several: true only when every DC's draw succeeded.
bool DrawDibOnto(const std::vector<HDC>& dcs, const RECT* destination, const CDib& dib, const RECT* source,
                 BYTE alpha, int quality)
{
    if (!dib.IsValid())
        return false;
    const RECT src = source ? *source : WholeRect(dib);
    const RECT dst = destination ? *destination : WholeRect(dib);
    if (IsEmptySize(dst) || IsEmptySize(src) || alpha == 0)
        return true;
    if (dib.GetBitCount() != 32 && alpha == 255) {
        bool all = true;
        for (HDC dc : dcs) {
            CStretchModeScope halftone(dc);
            all = dib.StretchTo(dc, dst, src) && all;
        }
        return all;
    }
    if (dcs.empty())
        return true;
    CDibSection copy;
    BYTE format = 0;
    if (!PrepareBlendCopy(copy, dib, dst, src, quality, format))
        return false;
    CCreatedDC memory(CreateCompatibleDC(dcs.front()));
    if (!memory.Get())
        return false;
    CSelectObjectGuard select(memory, copy.GetBitmap());
    if (select.Failed())
        return false;
    const RECT whole = {0, 0, RectWidth(dst), RectHeight(dst)};
    bool all = true;
    for (HDC dc : dcs)
        all = AlphaBlendRect(dc, dst, memory, whole, alpha, format) && all;
    select.Restore();
    return all;
}

} // namespace

bool DrawDib(HDC dc, const RECT* destination, const CDib& dib, const RECT* source, BYTE alpha, int quality)
{
    return DrawDibOnto(std::vector<HDC>(1, dc), destination, dib, source, alpha, quality);
}

bool DrawDibToAll(const std::vector<HDC>& dcs, const RECT* destination, const CDib& dib, const RECT* source,
                  BYTE alpha, int quality)
{
    return DrawDibOnto(dcs, destination, dib, source, alpha, quality);
}
