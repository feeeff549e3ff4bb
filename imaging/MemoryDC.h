// Off-screen GDI drawing areas: a memory DC with a compatible bitmap that
// stands for a rectangle of a larger coordinate space (`CMemoryDC2`), a stack
// of such DCs under a pixel budget (`CMemoryDCBands`), and small wrappers of
// single GDI calls on a bare DC. Every DC's viewport origin is minus its
// area's top-left corner, so callers draw in the larger space's coordinates.
#pragma once
#include "platform/Gdi.h"
#include <windows.h>
#include <boost/shared_ptr.hpp>
#include <vector>

// The strips that frame a rectangle: top, bottom, left, right when both sides
// exceed twice the thickness, else the whole rectangle once.
std::vector<RECT> SplitFrameRects(const RECT& rect, int thickness);

inline int RectWidth(const RECT& r) { return r.right - r.left; }
inline int RectHeight(const RECT& r) { return r.bottom - r.top; }

// AlphaBlend with BLENDFUNCTION {AC_SRC_OVER, 0, alpha, format}; format 0 is
// constant alpha only, AC_SRC_ALPHA per-pixel premultiplied alpha.
bool AlphaBlendRect(HDC target, const RECT& targetRect, HDC source, const RECT& sourceRect, BYTE alpha, BYTE format);

// Single GDI calls on a bare DC.
namespace dc {
BOOL FillRect(HDC dc, const RECT& rect, HBRUSH brush);
// FillRect with the brush origin at `origin` (device pixels), the old origin
// put back afterwards.
BOOL FillRectAligned(HDC dc, const RECT& rect, HBRUSH brush, POINT origin);
BOOL AlphaBlend(HDC target, int x, int y, int width, int height, HDC source, int sourceX, int sourceY,
                int sourceWidth, int sourceHeight, BLENDFUNCTION blend);
HCOLORSPACE SetColorSpace(HDC dc, HCOLORSPACE space);
int SetICMMode(HDC dc, int mode);
BOOL DrawIcon(HDC dc, int x, int y, HICON icon);
int SetStretchBltMode(HDC dc, int mode);
HGDIOBJ SelectObject(HDC dc, HGDIOBJ object);
// SetBkColor, an opaque ExtTextOutW over the rectangle, the colour put back.
// CLR_INVALID when the colour cannot be set (nothing drawn), else the colour.
COLORREF FillSolidRect(HDC dc, const RECT& rect, COLORREF colour);
int IntersectClip(HDC dc, const RECT& rect);
int ExcludeClip(HDC dc, const RECT& rect);
BOOL SetViewportOrg(HDC dc, int x, int y);
// Nothing when the thickness is below 1; else the strips of SplitFrameRects.
void FrameRectSolid(HDC dc, const RECT& rect, int thickness, COLORREF colour);
} // namespace dc

class CMemoryDC2 {
public:
    CMemoryDC2() = default;
    ~CMemoryDC2() { Destroy(); }
    CMemoryDC2(const CMemoryDC2&) = delete;
    CMemoryDC2& operator=(const CMemoryDC2&) = delete;

    // Null (and nothing left behind) when the DC or its bitmap cannot be made.
    HDC Create(HDC reference, const RECT& area);
    BOOL Destroy();

    HDC GetHDC() const { return m_dc; }
    operator HDC() const { return m_dc; }
    const RECT& GetArea() const { return m_area; }

    BOOL ClearClip();
    BOOL FillRect(const RECT& rect, HBRUSH brush);
    BOOL FillArea(HBRUSH brush) { return FillRect(m_area, brush); }
    BOOL FillRectAligned(HBRUSH brush, const RECT& rect, POINT origin);
    BOOL FillAreaAligned(HBRUSH brush, POINT origin) { return FillRectAligned(brush, m_area, origin); }
    COLORREF FillSolid(COLORREF colour) { return FillRectSolid(m_area, colour); }
    COLORREF FillRectSolid(const RECT& rect, COLORREF colour);
    BOOL CopyTo(HDC target) const { return CopyRectTo(target, m_area); }
    BOOL CopyRectTo(HDC target, const RECT& rect) const;
    BOOL CopyRectToAt(HDC target, const RECT& rect, int x, int y) const;
    BOOL CopyFrom(HDC source) { return CopyRectFrom(source, m_area); }
    BOOL CopyRectFrom(HDC source, const RECT& rect);
    BOOL Blit(int x, int y, int w, int h, HDC source, int sx, int sy);
    BOOL StretchTo(const RECT& sourceRect, HDC target, const RECT& targetRect) const;
    BOOL StretchFrom(HDC source, const RECT& sourceRect, const RECT& targetRect);
    BOOL Stretch(int x, int y, int w, int h, HDC source, int sx, int sy, int sw, int sh);
    BOOL AlphaBlendFrom(HDC source, BYTE alpha, BYTE format);
    BOOL AlphaBlendTo(HDC target, BYTE alpha, BYTE format) const;

protected:
    // Drops the DC after putting back what the bitmap replaced.
    void ReleaseDC();

    CCreatedDC m_dc;
    RECT m_area = {0, 0, 0, 0};
    CBitmapHandle m_bitmap;
    HGDIOBJ m_previous = nullptr;  // what the bitmap replaced in the DC
};

typedef boost::shared_ptr<CMemoryDC2> CMemoryDC2Ptr;

// The band rectangles that cover an area under a pixel budget per band: full
// width, top to bottom, adjacent, the last possibly shorter. A budget of 0
// gives one band; an empty area none.
std::vector<RECT> LayoutBands(const RECT& area, unsigned budget);

class CMemoryDCBands {
public:
    explicit CMemoryDCBands(unsigned budget) : m_budget(budget) {}
    ~CMemoryDCBands() { Destroy(); }
    CMemoryDCBands(const CMemoryDCBands&) = delete;
    CMemoryDCBands& operator=(const CMemoryDCBands&) = delete;

    HDC Create(HDC reference, const RECT& area);
    // S_FALSE when the bands already cover the area from the same corner.
    HRESULT EnsureArea(HDC reference, const RECT& area);
    bool CopyLayout(const CMemoryDCBands& other);
    void Destroy();

    bool GetHDCs(std::vector<HDC>& out) const;
    HDC GetFirstHDC() const { return m_bands.empty() ? nullptr : m_bands.front()->GetHDC(); }
    bool IsEmpty() const { return m_bands.empty(); }
    const std::vector<CMemoryDC2Ptr>& GetBands() const { return m_bands; }
    const RECT& GetArea() const { return m_area; }
    unsigned GetBudget() const { return m_budget; }

    int SetICMMode(int mode);
    int QueryICMMode();
    HCOLORSPACE SetColorSpace(HCOLORSPACE space);
    void ClearClip();
    void IntersectClip(const RECT& rect);
    void ExcludeClip(const RECT& rect);
    void SetStretchBltMode(int mode);
    void FillArea(HBRUSH brush);
    void FillRect(const RECT& rect, HBRUSH brush);
    void FillRectAligned(HBRUSH brush, const RECT& rect, POINT origin);
    void FillSolid(COLORREF colour);
    void FillRectSolid(const RECT& rect, COLORREF colour);
    void DrawIcon(HICON icon);
    void CopyTo(HDC target) const;
    bool CopyRectTo(HDC target, const RECT& rect) const;
    bool CopyRectToAt(HDC target, const RECT& rect, int x, int y) const;
    bool CopyFrom(HDC source);
    bool CopyRectFrom(HDC source, const RECT& rect);
    bool CopyFromBands(const CMemoryDCBands& other, const RECT& rect);
    bool StretchFrom(HDC source, const RECT& sourceRect, const RECT& targetRect);
    bool StretchAreaFrom(HDC source, const RECT& targetRect);
    bool StretchTo(const RECT& sourceRect, HDC target, const RECT& targetRect) const;
    bool AlphaBlendFrom(HDC source, BYTE alpha, BYTE format);
    bool AlphaBlendTo(HDC target, BYTE alpha, BYTE format) const;
    bool AlphaBlendRectFrom(const RECT& targetRect, HDC source, const RECT& sourceRect, BYTE alpha, BYTE format);
    bool AlphaBlendToBands(const CMemoryDCBands& other, BYTE alpha, BYTE format) const;
    // Moves the content of the rectangle by (-dx, -dy) across the bands.
    bool Scroll(const RECT& rect, int dx, int dy);
    bool FrameRectAlpha(const RECT& rect, int thickness, COLORREF colour, BYTE alpha);

private:
    std::vector<CMemoryDC2Ptr> m_bands;
    unsigned m_budget;
    RECT m_area = {0, 0, 0, 0};
};

// Blends the source onto every band over the source's area.
bool AlphaBlendMemoryDC(const CMemoryDC2& source, const CMemoryDCBands& bands, BYTE alpha, BYTE format);
