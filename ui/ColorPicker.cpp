// Drawing and mouse mapping of the colour pickers.
//
// The field maps column x to hue x * 360 / (w - 1) and row y (from the top)
// to saturation (h - 1 - y) / (h - 1); the bar maps row y to lightness the
// same way. A field or bar one pixel wide or high would divide by zero:
// the divisor is at least 1, so such a picker shows one value. Mouse
// positions outside are clamped to the ends of the ranges.
#include "ui/ColorPicker.h"
#include "platform/Gdi.h"
#include <algorithm>
#include <cstring>

namespace {

RECT Deflated(RECT r, const RECT& inset)
{
    r.left += inset.left;
    r.top += inset.top;
    r.right -= inset.right;
    r.bottom -= inset.bottom;
    if (r.right < r.left)
        r.right = r.left;
    if (r.bottom < r.top)
        r.bottom = r.top;
    return r;
}

double Divisor(LONG extent) { return extent > 1 ? static_cast<double>(extent - 1) : 1.0; }

double Clamp(double v, double lo, double hi) { return v < lo ? lo : (v > hi ? hi : v); }

// A w x h 32-bit sRGB image whose row y (from the top) comes from `row`,
// called with y and the row's first pixel.
template <class F>
bool BuildImage(CDibSection& dib, int w, int h, F row)
{
    if (!dib.IsValid() || dib.GetWidth() != w || dib.GetAbsHeight() != h) {
        dib.FreeBits();
        if (!dib.CreateWithV5Header(w, h, 32) || !dib.AllocBits())
            return false;
    }
    for (int y = 0; y < h; ++y)
        row(y, dib.GetImageRow(y));
    return true;
}

// Sets the value; true when it differs from the one held.
bool Update(double& field, double value)
{
    if (field == value)
        return false;
    field = value;
    return true;
}

inline void PutPixel(BYTE* p, COLORREF c)
{
    p[0] = GetBValue(c);
    p[1] = GetGValue(c);
    p[2] = GetRValue(c);
    p[3] = 255;
}

void DrawSunkenEdge(HDC dc, RECT r, UINT flags) { ::DrawEdge(dc, &r, BDR_SUNKENOUTER, flags); }

// Restores the DC's clipping (and everything else) when it goes.
class CSavedDC {
public:
    explicit CSavedDC(HDC dc) : m_dc(dc), m_saved(::SaveDC(dc)) {}
    ~CSavedDC() { if (m_saved) ::RestoreDC(m_dc, m_saved); }
    CSavedDC(const CSavedDC&) = delete;
    CSavedDC& operator=(const CSavedDC&) = delete;
private:
    HDC m_dc;
    int m_saved;
};

} // namespace

// --- hue and saturation ------------------------------------------------------

bool CColorPickerHS::SetColor(COLORREF color, bool redraw)
{
    CHsl hsl = ColorRefToHsl(color);
    // Both are set: no short cut between them.
    const bool changed = Update(Hue, hsl.hue) | Update(Saturation, hsl.saturation);
    if (changed && redraw && m_hWnd)
        InvalidateRect(nullptr, FALSE);
    NotifyListener();
    return changed;
}

RECT CColorPickerHS::GetField() const
{
    RECT client = {0, 0, 0, 0};
    if (m_hWnd)
        GetClientRect(&client);
    return Deflated(client, Inset);
}

POINT CColorPickerHS::GetMarker() const
{
    RECT f = GetField();
    POINT p;
    p.x = f.left + static_cast<LONG>(Divisor(f.right - f.left) * Hue / 360.0);
    p.y = f.top + static_cast<LONG>(Divisor(f.bottom - f.top) * (1.0 - Saturation));
    return p;
}

bool CColorPickerHS::EnsurePlane(int w, int h)
{
    if (m_plane.IsValid() && m_plane.GetWidth() == w && m_plane.GetAbsHeight() == h)
        return true;
    const double dx = Divisor(w), dy = Divisor(h);
    return BuildImage(m_plane, w, h, [&](int y, BYTE* p) {
        const double s = (h - 1 - y) / dy;
        for (int x = 0; x < w; ++x, p += 4)
            PutPixel(p, HslToRgb(x * 360.0 / dx, s, 0.5));
    });
}

void CColorPickerHS::Paint(HDC dc)
{
    RECT client;
    GetClientRect(&client);
    DrawSunkenEdge(dc, client, BF_RECT);
    RECT f = Deflated(client, Inset);
    const int w = f.right - f.left, h = f.bottom - f.top;
    if (w <= 0 || h <= 0)
        return;
    CSavedDC saved(dc);
    ::IntersectClipRect(dc, f.left, f.top, f.right, f.bottom);
    if (EnsurePlane(w, h))
        m_plane.DrawAt(dc, f.left, f.top);
    POINT m = GetMarker();
    CSelectObjectGuard brush(dc, ::GetStockObject(BLACK_BRUSH));
    ::Rectangle(dc, m.x - 1, m.y - 10, m.x + 2, m.y - 4);
    ::Rectangle(dc, m.x - 1, m.y + 5, m.x + 2, m.y + 11);
    ::Rectangle(dc, m.x - 10, m.y - 1, m.x - 4, m.y + 2);
    ::Rectangle(dc, m.x + 5, m.y - 1, m.x + 11, m.y + 2);
}

void CColorPickerHS::ApplyPoint(int x, int y)
{
    RECT f = GetField();
    const LONG w = f.right - f.left, h = f.bottom - f.top;
    const double hue = Clamp((x - f.left) * 360.0 / Divisor(w), 0.0, 360.0);
    const double sat = Clamp((f.top + h - 1 - y) / Divisor(h), 0.0, 1.0);
    if (Update(Hue, hue) | Update(Saturation, sat))
        PaintNow();
    NotifyListener();
}

// --- lightness -----------------------------------------------------------------

bool CColorPickerL::SetColor(COLORREF color, bool redraw)
{
    CHsl hsl = ColorRefToHsl(color);
    const bool barChanged = Update(Hue, hsl.hue) | Update(Saturation, hsl.saturation);
    m_barDirty = m_barDirty || barChanged;
    const bool changed = Update(Lightness, hsl.lightness) || barChanged;
    if (changed && redraw && m_hWnd)
        InvalidateRect(nullptr, FALSE);
    NotifyListener();
    return changed;
}

bool CColorPickerL::SetHueSaturation(double hue, double saturation, bool redraw)
{
    const bool changed = Update(Hue, hue) | Update(Saturation, saturation);
    if (changed) {
        m_barDirty = true;
        if (redraw && m_hWnd)
            InvalidateRect(nullptr, FALSE);
    }
    NotifyListener();
    return changed;
}

RECT CColorPickerL::GetBar() const
{
    RECT client = {0, 0, 0, 0};
    if (m_hWnd)
        GetClientRect(&client);
    client.right = std::max(client.left, client.right - MarkerWidth);
    return Deflated(client, Inset);
}

POINT CColorPickerL::GetMarker() const
{
    RECT b = GetBar();
    POINT p;
    p.x = b.right + Inset.right;
    p.y = b.top + static_cast<LONG>(Divisor(b.bottom - b.top) * (1.0 - Lightness));
    return p;
}

bool CColorPickerL::EnsureBar(int w, int h)
{
    if (!m_barDirty && m_bar.IsValid() && m_bar.GetWidth() == w && m_bar.GetAbsHeight() == h)
        return true;
    const double dy = Divisor(h);
    if (!BuildImage(m_bar, w, h, [&](int y, BYTE* p) {
            const COLORREF c = HslToRgb(Hue, Saturation, (h - 1 - y) / dy);
            for (int x = 0; x < w; ++x, p += 4)
                PutPixel(p, c);
        }))
        return false;
    m_barDirty = false;
    return true;
}

void CColorPickerL::Paint(HDC dc)
{
    RECT client;
    GetClientRect(&client);
    CSavedDC saved(dc);
    ::IntersectClipRect(dc, client.left, client.top, client.right, client.bottom);
    RECT frame = client;
    frame.right = std::max(frame.left, frame.right - MarkerWidth);
    DrawSunkenEdge(dc, frame, BF_RECT);
    RECT b = Deflated(frame, Inset);
    const int w = b.right - b.left, h = b.bottom - b.top;
    if (w > 0 && h > 0 && EnsureBar(w, h))
        m_bar.DrawAt(dc, b.left, b.top);
    RECT strip = {client.right - MarkerWidth, client.top, client.right, client.bottom};
    ::FillRect(dc, &strip, ::GetSysColorBrush(COLOR_BTNHIGHLIGHT));
    POINT m = GetMarker();
    POINT triangle[3] = {{m.x, m.y}, {m.x + 6, m.y + 3}, {m.x + 6, m.y - 3}};
    CSelectObjectGuard brush(dc, ::GetStockObject(BLACK_BRUSH));
    ::Polygon(dc, triangle, 3);
}

void CColorPickerL::ApplyPoint(int, int y)
{
    RECT b = GetBar();
    const LONG h = b.bottom - b.top;
    if (Update(Lightness, Clamp((b.top + h - 1 - y) / Divisor(h), 0.0, 1.0))) {
        InvalidateRect(nullptr, FALSE);
        PaintNow();
    }
    NotifyListener();
}
