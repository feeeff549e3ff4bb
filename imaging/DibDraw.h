// How a CDib reaches a device context or another bitmap at another size:
// StretchDIBits for opaque bitmaps, a scaled copy through GDI+ and AlphaBlend
// for bitmaps with alpha or a constant opacity, and scaled or converted copies.
#pragma once
#include "imaging/Dib.h"
#include "platform/GdiPlus.h"
#include <boost/shared_ptr.hpp>
#include <vector>

namespace Gdiplus { class ImageAttributes; }

// Sets HALFTONE for a scope and puts the previous stretch mode back.
class CStretchModeScope {
public:
    explicit CStretchModeScope(HDC dc) : m_dc(dc), m_previous(SetStretchBltMode(dc, HALFTONE)) {}
    ~CStretchModeScope() { if (m_previous) SetStretchBltMode(m_dc, m_previous); }
    CStretchModeScope(const CStretchModeScope&) = delete;
    CStretchModeScope& operator=(const CStretchModeScope&) = delete;
private:
    HDC m_dc;
    int m_previous;
};

// 0 when the sizes are equal, 1 when the destination's area is larger, -1 otherwise.
int ScalingDirection(int destinationWidth, int destinationHeight, int sourceWidth, int sourceHeight);
int ScalingDirection(const RECT& destination, const RECT& source);

// Quality 0 nearest neighbour; 1 high-quality bilinear when enlarging, the
// default otherwise; 2 and more high-quality bicubic.
Gdiplus::InterpolationMode GetInterpolationForQuality(int quality, int direction);

// A zero-filled bottom-up bitmap like the source (colour table and profile
// kept) of another size and bit count. E_INVALIDARG without a source header,
// 0x80070008 when it cannot be made.
HRESULT CreateDibLike(CDib& out, const CDib& source, int width, int height, WORD bitCount);

HRESULT ScaleDib(const CDib& source, const RECT& sourceRect, CDib& copy, SIZE size, WORD bitCount,
                 Gdiplus::InterpolationMode mode);
HRESULT ScaleDibSameBits(const CDib& source, const RECT& sourceRect, CDib& copy, SIZE size,
                         Gdiplus::InterpolationMode mode);
// The copy is ceil(width) x ceil(height) pixels.
HRESULT ScaleDibF(const CDib& source, const Gdiplus::RectF& sourceRect, CDib& copy, const Gdiplus::RectF& destination,
                  WORD bitCount, Gdiplus::InterpolationMode mode);
HRESULT ConvertDibBits(const CDib& source, CDib& copy, WORD bitCount);

// Image attributes whose colour matrix is the identity with alpha scaled by
// alpha / 255; none (an empty pointer) at 255. False when GDI+ cannot make them.
bool MakeAlphaAttributes(BYTE alpha, boost::shared_ptr<Gdiplus::ImageAttributes>& out);

// Null rectangles stand for the whole bitmap (the destination then at 0, 0).
// True when nothing was to be drawn (empty rectangle, alpha 0). An opaque
// bitmap of other than 32 bits goes through StretchDIBits; any other is
// scaled into a copy and blended from a memory DC. True only when every DC's
// draw succeeded.
bool DrawDib(HDC dc, const RECT* destination, const CDib& dib, const RECT* source, BYTE alpha, int quality);
bool DrawDibToAll(const std::vector<HDC>& dcs, const RECT* destination, const CDib& dib, const RECT* source,
                  BYTE alpha, int quality);
