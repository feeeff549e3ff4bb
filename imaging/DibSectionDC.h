// A memory DC whose bitmap is a DIB section, so that its pixels can be read
// and written directly, with the DC's colour profile cached for colour-managed
// drawing. Coordinates are those of the larger space, as in CMemoryDC2.
#pragma once
#include "imaging/ColorProfile.h"
#include "imaging/Dib.h"
#include "imaging/MemoryDC.h"
#include <boost/shared_ptr.hpp>
#include <cstdint>

// The GDI+ road of colour-managed drawing: the source rectangle of the DIB
// scaled to the destination and drawn onto the DC with the constant alpha;
// with `transform`, its colours carried from `from` to `to` first (when the
// drawing enlarges or keeps the size) or after the scaling (when it reduces),
// so the transform always works on the smaller image.
bool DrawDibThroughGdiplus(HDC dc, const RECT& destination, const CDib& dib, const RECT& source, BYTE alpha,
                           int quality, bool transform, const CColorProfilePtr& from, const CColorProfilePtr& to);

class CDibSectionDC : public CMemoryDC2 {
public:
    CDibSectionDC() = default;
    ~CDibSectionDC() { Destroy(); }

    // The DC, null only when no DC can be made. Without its section (a size or
    // depth it cannot take, no memory) the DC holds the 1 x 1 stock bitmap
    // and GetDib() is empty: the caller tests the bitmap before drawing.
    HDC Create(HDC reference, const RECT& area, WORD bitCount, DWORD colorsUsed = 0, DWORD compression = BI_RGB);
    HDC CreateLike(HDC reference, const RECT& area, WORD bitCount, const BITMAPINFOHEADER* pattern);
    HDC CreateLikeHeader(HDC reference, const RECT& area, const BITMAPINFOHEADER* pattern);
    // S_FALSE for the same area; S_OK when a bitmap at least as large (of the
    // same bit count) is kept and moved, or a new DC with its bitmap was made;
    // else E_FAIL.
    HRESULT EnsureArea(HDC reference, const RECT& area, WORD bitCount, DWORD colorsUsed = 0,
                       DWORD compression = BI_RGB);
    // Holds the given section with its top-left at (x, y). False when no DC
    // can be had to select it into.
    bool Attach(const boost::shared_ptr<CDibSection>& dib, int x, int y);
    BOOL Destroy();

    const boost::shared_ptr<CDibSection>& GetDib() const { return m_dib; }

    void Clear();
    // Rectangles in the larger space, clipped to the bitmap.
    void ClearRect(const RECT& rect);
    void FillRectValue(const RECT& rect, uint32_t value);

    // The DC's ICM profile, opened once; empty when the DC has none.
    CColorProfilePtr GetColorProfile();

    // The bitmap drawn through GDI+ with the transform from its embedded
    // profile to the DC's when ICM is on and the two differ.
    bool DrawDibWithProfile(const RECT& destination, const CDib& dib, const RECT& source, BYTE alpha, int quality);

private:
    // A new DC over the area, with the section selected when it was made.
    HDC Select(HDC reference, const RECT& area, const boost::shared_ptr<CDibSection>& dib, bool made);
    // The bitmap's pixel rectangle of a rectangle of the larger space.
    bool ToBitmapRect(const RECT& rect, RECT& out) const;

    boost::shared_ptr<CDibSection> m_dib;
    CColorProfilePtr m_profile;
};
