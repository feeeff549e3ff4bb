#include "imaging/MemoryDC.h"
#include "imaging/ColorProfile.h"
#include <algorithm>

namespace {

bool IsEmptyRect(const RECT& r) { return r.right <= r.left || r.bottom <= r.top; }

bool Intersect(RECT& out, const RECT& a, const RECT& b)
{
    out.left = std::max(a.left, b.left);
    out.top = std::max(a.top, b.top);
    out.right = std::min(a.right, b.right);
    out.bottom = std::min(a.bottom, b.bottom);
    return !IsEmptyRect(out);
}

} // namespace

std::vector<RECT> SplitFrameRects(const RECT& rect, int thickness)
{
    std::vector<RECT> strips;
    const long long t = thickness;
    if (RectWidth(rect) > 2 * t && RectHeight(rect) > 2 * t) {
        strips.push_back({rect.left, rect.top, rect.right, rect.top + thickness});
        strips.push_back({rect.left, rect.bottom - thickness, rect.right, rect.bottom});
        strips.push_back({rect.left, rect.top + thickness, rect.left + thickness, rect.bottom - thickness});
        strips.push_back({rect.right - thickness, rect.top + thickness, rect.right, rect.bottom - thickness});
    } else {
        strips.push_back(rect);
    }
    return strips;
}

bool AlphaBlendRect(HDC target, const RECT& targetRect, HDC source, const RECT& sourceRect, BYTE alpha, BYTE format)
{
    BLENDFUNCTION blend = {AC_SRC_OVER, 0, alpha, format};
    return dc::AlphaBlend(target, targetRect.left, targetRect.top, RectWidth(targetRect), RectHeight(targetRect),
                          source, sourceRect.left, sourceRect.top, RectWidth(sourceRect), RectHeight(sourceRect),
                          blend) != FALSE;
}

namespace dc {

BOOL FillRect(HDC dc, const RECT& rect, HBRUSH brush) { return ::FillRect(dc, &rect, brush) != 0; }

BOOL AlphaBlend(HDC target, int x, int y, int width, int height, HDC source, int sourceX, int sourceY,
                int sourceWidth, int sourceHeight, BLENDFUNCTION blend)
{
    return ::AlphaBlend(target, x, y, width, height, source, sourceX, sourceY, sourceWidth, sourceHeight, blend);
}

HCOLORSPACE SetColorSpace(HDC dc, HCOLORSPACE space) { return ::SetColorSpace(dc, space); }
int SetICMMode(HDC dc, int mode) { return ::SetICMMode(dc, mode); }
BOOL DrawIcon(HDC dc, int x, int y, HICON icon) { return ::DrawIcon(dc, x, y, icon); }
int SetStretchBltMode(HDC dc, int mode) { return ::SetStretchBltMode(dc, mode); }
HGDIOBJ SelectObject(HDC dc, HGDIOBJ object) { return ::SelectObject(dc, object); }

BOOL FillRectAligned(HDC dc, const RECT& rect, HBRUSH brush, POINT origin)
{
    POINT old;
    BOOL set = SetBrushOrgEx(dc, origin.x, origin.y, &old);
    BOOL result = FillRect(dc, rect, brush);
    if (set)
        SetBrushOrgEx(dc, old.x, old.y, nullptr);
    return result;
}

COLORREF FillSolidRect(HDC dc, const RECT& rect, COLORREF colour)
{
    COLORREF old = SetBkColor(dc, colour);
    if (old == CLR_INVALID)
        return CLR_INVALID;
    ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &rect, nullptr, 0, nullptr);
    SetBkColor(dc, old);
    return colour;
}

int IntersectClip(HDC dc, const RECT& rect) { return IntersectClipRect(dc, rect.left, rect.top, rect.right, rect.bottom); }
int ExcludeClip(HDC dc, const RECT& rect) { return ExcludeClipRect(dc, rect.left, rect.top, rect.right, rect.bottom); }
BOOL SetViewportOrg(HDC dc, int x, int y) { return SetViewportOrgEx(dc, x, y, nullptr); }

void FrameRectSolid(HDC dc, const RECT& rect, int thickness, COLORREF colour)
{
    if (thickness < 1)
        return;
    for (const RECT& strip : SplitFrameRects(rect, thickness))
        FillSolidRect(dc, strip, colour);
}

} // namespace dc

// ---- CMemoryDC2 ----

HDC CMemoryDC2::Create(HDC reference, const RECT& area)
{
    Destroy();
    m_area = area;
    // An empty area would get the 1 x 1 monochrome stock bitmap: drawing
    // would vanish into it without a word.
    if (IsEmptyRect(area))
        return nullptr;
    m_dc.Reset(CreateCompatibleDC(reference));
    if (!m_dc)
        return nullptr;
    m_bitmap.Reset(CreateCompatibleBitmap(reference, RectWidth(area), RectHeight(area)));
    if (!m_bitmap) {
        m_dc.Reset();
        return nullptr;
    }
    m_previous = dc::SelectObject(m_dc, m_bitmap);
    SetViewportOrgEx(m_dc, -area.left, -area.top, nullptr);
    return m_dc;
}

void CMemoryDC2::ReleaseDC()
{
    if (m_dc && m_previous)
        dc::SelectObject(m_dc, m_previous);
    m_previous = nullptr;
    // The DC goes first: a bitmap still selected into it, because putting
    // the previous one back failed, could not be deleted before.
    m_dc.Reset();
    m_bitmap.Reset();
}

BOOL CMemoryDC2::Destroy()
{
    ReleaseDC();
    return TRUE;
}

BOOL CMemoryDC2::ClearClip() { return SelectClipRgn(m_dc, nullptr) != ERROR; }

BOOL CMemoryDC2::FillRect(const RECT& rect, HBRUSH brush) { return dc::FillRect(m_dc, rect, brush); }

BOOL CMemoryDC2::FillRectAligned(HBRUSH brush, const RECT& rect, POINT origin)
{
    POINT device = {origin.x - m_area.left, origin.y - m_area.top};
    return dc::FillRectAligned(m_dc, rect, brush, device);
}

COLORREF CMemoryDC2::FillRectSolid(const RECT& rect, COLORREF colour) { return dc::FillSolidRect(m_dc, rect, colour); }

BOOL CMemoryDC2::CopyRectTo(HDC target, const RECT& rect) const
{
    return ::BitBlt(target, rect.left, rect.top, RectWidth(rect), RectHeight(rect), m_dc, rect.left, rect.top, SRCCOPY);
}

BOOL CMemoryDC2::CopyRectToAt(HDC target, const RECT& rect, int x, int y) const
{
    return ::BitBlt(target, x, y, RectWidth(rect), RectHeight(rect), m_dc, rect.left, rect.top, SRCCOPY);
}

BOOL CMemoryDC2::CopyRectFrom(HDC source, const RECT& rect)
{
    return ::BitBlt(m_dc, rect.left, rect.top, RectWidth(rect), RectHeight(rect), source, rect.left, rect.top, SRCCOPY);
}

BOOL CMemoryDC2::Blit(int x, int y, int w, int h, HDC source, int sx, int sy)
{
    return ::BitBlt(m_dc, x, y, w, h, source, sx, sy, SRCCOPY);
}

BOOL CMemoryDC2::StretchTo(const RECT& s, HDC target, const RECT& t) const
{
    return ::StretchBlt(target, t.left, t.top, RectWidth(t), RectHeight(t), m_dc, s.left, s.top, RectWidth(s),
                        RectHeight(s), SRCCOPY);
}

BOOL CMemoryDC2::StretchFrom(HDC source, const RECT& s, const RECT& t)
{
    return ::StretchBlt(m_dc, t.left, t.top, RectWidth(t), RectHeight(t), source, s.left, s.top, RectWidth(s),
                        RectHeight(s), SRCCOPY);
}

BOOL CMemoryDC2::Stretch(int x, int y, int w, int h, HDC source, int sx, int sy, int sw, int sh)
{
    return ::StretchBlt(m_dc, x, y, w, h, source, sx, sy, sw, sh, SRCCOPY);
}

BOOL CMemoryDC2::AlphaBlendFrom(HDC source, BYTE alpha, BYTE format)
{
    return AlphaBlendRect(m_dc, m_area, source, m_area, alpha, format);
}

BOOL CMemoryDC2::AlphaBlendTo(HDC target, BYTE alpha, BYTE format) const
{
    return AlphaBlendRect(target, m_area, m_dc, m_area, alpha, format);
}

// ---- Bands ----

std::vector<RECT> LayoutBands(const RECT& area, unsigned budget)
{
    std::vector<RECT> bands;
    if (IsEmptyRect(area))
        return bands;
    unsigned long long width = static_cast<unsigned long long>(static_cast<long long>(area.right) - area.left);
    unsigned long long quotient = width > 0xFFFFFFFFull ? 0 : budget / width;
    long long height = (budget == 0 || quotient >= 0x80000000ull) ? 0x7FFFFFFF
                       : quotient == 0                         ? 1
                                                               : static_cast<long long>(quotient);
    // In 64 bits: y + 0x7FFFFFFF overflows int for every area below y = 0.
    for (long long y = area.top; y < area.bottom; y += height) {
        long long bottom = std::min<long long>(y + height, area.bottom);
        bands.push_back({area.left, static_cast<LONG>(y), area.right, static_cast<LONG>(bottom)});
    }
    return bands;
}

HDC CMemoryDCBands::Create(HDC reference, const RECT& area)
{
    Destroy();
    m_area = area;
    for (const RECT& rect : LayoutBands(area, m_budget)) {
        CMemoryDC2Ptr band(new CMemoryDC2);
        if (!band->Create(reference, rect)) {
            Destroy();
            return nullptr;
        }
        m_bands.push_back(band);
    }
    return GetFirstHDC();
}

HRESULT CMemoryDCBands::EnsureArea(HDC reference, const RECT& area)
{
    if (!m_bands.empty()) {
        if (EqualRect(&area, &m_area))
            return S_FALSE;
        if (area.left == m_area.left && area.top == m_area.top && RectWidth(area) <= RectWidth(m_area) &&
            RectHeight(area) <= RectHeight(m_area))
            return S_FALSE;
    }
    return Create(reference, area) ? S_OK : E_FAIL;
}

bool CMemoryDCBands::CopyLayout(const CMemoryDCBands& other)
{
    Destroy();
    m_budget = other.m_budget;
    m_area = other.m_area;
    for (const CMemoryDC2Ptr& source : other.m_bands) {
        CMemoryDC2Ptr band(new CMemoryDC2);
        if (!band->Create(source->GetHDC(), source->GetArea())) {
            Destroy();
            return false;
        }
        m_bands.push_back(band);
    }
    return true;
}

void CMemoryDCBands::Destroy()
{
    for (const CMemoryDC2Ptr& band : m_bands)
        band->Destroy();
    m_bands.clear();
}

bool CMemoryDCBands::GetHDCs(std::vector<HDC>& out) const
{
    for (const CMemoryDC2Ptr& band : m_bands)
        out.push_back(band->GetHDC());
    return !out.empty();
}

int CMemoryDCBands::SetICMMode(int mode)
{
    if (mode == ICM_QUERY) {
        std::vector<int> answers;
        for (const CMemoryDC2Ptr& band : m_bands)
            answers.push_back(dc::SetICMMode(band->GetHDC(), ICM_QUERY));
        return CombineIcmQueryAnswers(answers);
    }
    bool all = true;
    for (const CMemoryDC2Ptr& band : m_bands)
        all = dc::SetICMMode(band->GetHDC(), mode) != 0 && all;
    return all ? 1 : 0;
}

int CMemoryDCBands::QueryICMMode()
{
    int answer = 0;
    for (const CMemoryDC2Ptr& band : m_bands) {
        answer = dc::SetICMMode(band->GetHDC(), ICM_QUERY);
        if (answer == 0)
            break;
    }
    return answer;
}

HCOLORSPACE CMemoryDCBands::SetColorSpace(HCOLORSPACE space)
{
    HCOLORSPACE first = nullptr;
    bool all = !m_bands.empty();
    for (const CMemoryDC2Ptr& band : m_bands) {
        HCOLORSPACE previous = dc::SetColorSpace(band->GetHDC(), space);
        if (!previous)
            all = false;
        else if (!first)
            first = previous;
    }
    return all ? first : nullptr;
}

void CMemoryDCBands::ClearClip()
{
    for (const CMemoryDC2Ptr& band : m_bands)
        band->ClearClip();
}

void CMemoryDCBands::IntersectClip(const RECT& rect)
{
    for (const CMemoryDC2Ptr& band : m_bands)
        dc::IntersectClip(band->GetHDC(), rect);
}

void CMemoryDCBands::ExcludeClip(const RECT& rect)
{
    for (const CMemoryDC2Ptr& band : m_bands)
        dc::ExcludeClip(band->GetHDC(), rect);
}

void CMemoryDCBands::SetStretchBltMode(int mode)
{
    for (const CMemoryDC2Ptr& band : m_bands)
        dc::SetStretchBltMode(band->GetHDC(), mode);
}

void CMemoryDCBands::FillArea(HBRUSH brush)
{
    for (const CMemoryDC2Ptr& band : m_bands)
        band->FillArea(brush);
}

void CMemoryDCBands::FillRect(const RECT& rect, HBRUSH brush)
{
    for (const CMemoryDC2Ptr& band : m_bands)
        band->FillRect(rect, brush);
}

void CMemoryDCBands::FillRectAligned(HBRUSH brush, const RECT& rect, POINT origin)
{
    for (const CMemoryDC2Ptr& band : m_bands)
        band->FillRectAligned(brush, rect, origin);
}

void CMemoryDCBands::FillSolid(COLORREF colour)
{
    for (const CMemoryDC2Ptr& band : m_bands)
        band->FillSolid(colour);
}

void CMemoryDCBands::FillRectSolid(const RECT& rect, COLORREF colour)
{
    for (const CMemoryDC2Ptr& band : m_bands)
        band->FillRectSolid(rect, colour);
}

void CMemoryDCBands::DrawIcon(HICON icon)
{
    for (const CMemoryDC2Ptr& band : m_bands)
        dc::DrawIcon(band->GetHDC(), m_area.left, m_area.top, icon);
}

void CMemoryDCBands::CopyTo(HDC target) const
{
    for (const CMemoryDC2Ptr& band : m_bands)
        band->CopyTo(target);
}

bool CMemoryDCBands::CopyRectTo(HDC target, const RECT& rect) const
{
    bool all = true;
    for (const CMemoryDC2Ptr& band : m_bands)
        all = band->CopyRectTo(target, rect) && all;
    return all;
}

bool CMemoryDCBands::CopyRectToAt(HDC target, const RECT& rect, int x, int y) const
{
    bool all = true;
    for (const CMemoryDC2Ptr& band : m_bands)
        all = band->CopyRectToAt(target, rect, x, y) && all;
    return all;
}

bool CMemoryDCBands::CopyFrom(HDC source)
{
    bool all = true;
    for (const CMemoryDC2Ptr& band : m_bands)
        all = band->CopyFrom(source) && all;
    return all;
}

bool CMemoryDCBands::CopyRectFrom(HDC source, const RECT& rect)
{
    bool all = true;
    for (const CMemoryDC2Ptr& band : m_bands)
        all = band->CopyRectFrom(source, rect) && all;
    return all;
}

bool CMemoryDCBands::CopyFromBands(const CMemoryDCBands& other, const RECT& rect)
{
    bool all = true;
    for (const CMemoryDC2Ptr& source : other.m_bands) {
        // Only what the source band holds: reading past its bitmap would copy
        // undefined pixels over what an earlier band delivered.
        RECT part;
        if (Intersect(part, rect, source->GetArea()))
            all = CopyRectFrom(source->GetHDC(), part) && all;
    }
    return all;
}

bool CMemoryDCBands::StretchFrom(HDC source, const RECT& sourceRect, const RECT& targetRect)
{
    bool all = true;
    for (const CMemoryDC2Ptr& band : m_bands)
        all = band->StretchFrom(source, sourceRect, targetRect) && all;
    return all;
}

bool CMemoryDCBands::StretchAreaFrom(HDC source, const RECT& targetRect)
{
    return StretchFrom(source, m_area, targetRect);
}

bool CMemoryDCBands::StretchTo(const RECT& sourceRect, HDC target, const RECT& targetRect) const
{
    bool all = true;
    for (const CMemoryDC2Ptr& band : m_bands)
        all = band->StretchTo(sourceRect, target, targetRect) && all;
    return all;
}

bool CMemoryDCBands::AlphaBlendFrom(HDC source, BYTE alpha, BYTE format)
{
    bool all = true;
    for (const CMemoryDC2Ptr& band : m_bands)
        all = band->AlphaBlendFrom(source, alpha, format) && all;
    return all;
}

bool CMemoryDCBands::AlphaBlendTo(HDC target, BYTE alpha, BYTE format) const
{
    bool all = true;
    for (const CMemoryDC2Ptr& band : m_bands)
        all = band->AlphaBlendTo(target, alpha, format) && all;
    return all;
}

bool CMemoryDCBands::AlphaBlendRectFrom(const RECT& targetRect, HDC source, const RECT& sourceRect, BYTE alpha,
                                        BYTE format)
{
    bool all = true;
    for (const CMemoryDC2Ptr& band : m_bands)
        all = AlphaBlendRect(band->GetHDC(), targetRect, source, sourceRect, alpha, format) && all;
    return all;
}

bool CMemoryDCBands::AlphaBlendToBands(const CMemoryDCBands& other, BYTE alpha, BYTE format) const
{
    bool all = true;
    for (const CMemoryDC2Ptr& band : m_bands)
        all = AlphaBlendMemoryDC(*band, other, alpha, format) && all;
    return all;
}

bool CMemoryDCBands::Scroll(const RECT& rect, int dx, int dy)
{
    const int count = static_cast<int>(m_bands.size());
    auto copy = [&](int target, int source) {
        RECT part;
        if (!Intersect(part, rect, m_bands[source]->GetArea()))
            return;
        ::BitBlt(m_bands[target]->GetHDC(), part.left - dx, part.top - dy, RectWidth(part), RectHeight(part),
                 m_bands[source]->GetHDC(), part.left, part.top, SRCCOPY);
    };
    // Content moving up reads from the same and later bands, so those must not
    // have been overwritten yet; moving down, the same and earlier bands.
    if (dy >= 0) {
        for (int t = 0; t < count; ++t)
            for (int s = t; s < count; ++s)
                copy(t, s);
    } else {
        for (int t = count - 1; t >= 0; --t)
            for (int s = t; s >= 0; --s)
                copy(t, s);
    }
    return true;
}

bool CMemoryDCBands::FrameRectAlpha(const RECT& rect, int thickness, COLORREF colour, BYTE alpha)
{
    if (m_bands.empty() || !m_bands.front()->GetHDC() || thickness < 1)
        return true;
    if (alpha == 255) {
        for (const CMemoryDC2Ptr& band : m_bands)
            dc::FrameRectSolid(band->GetHDC(), rect, thickness, colour);
        return true;
    }
    CMemoryDC2 temp;
    if (!temp.Create(m_bands.front()->GetHDC(), rect))
        return false;
    for (const CMemoryDC2Ptr& band : m_bands) {
        RECT part;
        if (Intersect(part, rect, band->GetArea()))
            band->CopyRectTo(temp, part);
    }
    dc::FrameRectSolid(temp, rect, thickness, colour);
    return AlphaBlendMemoryDC(temp, *this, alpha, 0);
}

bool AlphaBlendMemoryDC(const CMemoryDC2& source, const CMemoryDCBands& bands, BYTE alpha, BYTE format)
{
    bool all = true;
    for (const CMemoryDC2Ptr& band : bands.GetBands())
        all = AlphaBlendRect(band->GetHDC(), source.GetArea(), source.GetHDC(), source.GetArea(), alpha, format) && all;
    return all;
}
