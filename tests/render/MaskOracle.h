// The glyph pass's masks done the plain way, as the tests' reference: a
// plane of one byte a pixel, and the disc growth, union, 10:1 reduction and
// conversions with run masks as loops over its pixels. The engine works in
// run masks (render/RunMask.h); both must give the same pixels.
#pragma once
#include "render/DiscDilation.h"
#include "render/RunMask.h"
#include <windows.h>
#include <algorithm>
#include <cstdint>
#include <vector>

// A hard-edged mask, a byte a pixel, and the rectangle its writers may have
// touched ("dirty"), which becomes a run mask's and bounds the reduction.
class CPlainMask {
public:
    CPlainMask(int width, int height)
        : m_width(width), m_height(height), m_pixels(static_cast<size_t>(width) * height, 0)
    {
    }
    int Width() const { return m_width; }
    int Height() const { return m_height; }
    bool Get(int x, int y) const { return m_pixels[static_cast<size_t>(y) * m_width + x] != 0; }
    void Set(int x, int y, bool on = true) { m_pixels[static_cast<size_t>(y) * m_width + x] = on ? 1 : 0; }

    const RECT& Dirty() const { return m_dirty; }
    bool IsClean() const { return m_dirty.left >= m_dirty.right || m_dirty.top >= m_dirty.bottom; }
    // Widens the dirty rectangle by r (clipped to the plane).
    void MarkDirty(const RECT& r)
    {
        const RECT c = {std::max<LONG>(r.left, 0), std::max<LONG>(r.top, 0), std::min<LONG>(r.right, m_width),
                        std::min<LONG>(r.bottom, m_height)};
        if (c.left >= c.right || c.top >= c.bottom)
            return;
        if (IsClean()) {
            m_dirty = c;
            return;
        }
        m_dirty = RECT{std::min(m_dirty.left, c.left), std::min(m_dirty.top, c.top), std::max(m_dirty.right, c.right),
                       std::max(m_dirty.bottom, c.bottom)};
    }
    void MarkAllDirty() { MarkDirty(RECT{0, 0, m_width, m_height}); }

private:
    int m_width, m_height;
    std::vector<uint8_t> m_pixels;
    RECT m_dirty = {0, 0, 0, 0};
};

// The runs of the plane's dirty rectangle, which becomes the mask's.
inline void PlainRunsOf(const CPlainMask& plane, CRunMask& mask)
{
    mask.Reset(plane.Width(), plane.Height());
    if (plane.IsClean()) {
        mask.Begin(0, 0);
        mask.End(0, 0);
        return;
    }
    const RECT& d = plane.Dirty();
    mask.Begin(d.top, d.bottom);
    for (int y = d.top; y < d.bottom; ++y)
        for (int x = d.left; x < d.right; ++x) {
            if (!plane.Get(x, y))
                continue;
            const int a = x;
            while (x + 1 < d.right && plane.Get(x + 1, y))
                ++x;
            mask.Append(y, a, x);
        }
    mask.End(d.left, d.right);
}

// A plane of the mask's size holding its pixels and its dirty rectangle.
inline CPlainMask PlaneOf(const CRunMask& mask)
{
    CPlainMask plane(mask.Width(), mask.Height());
    if (mask.IsClean())
        return plane;
    for (int y = mask.Dirty().top; y < mask.Dirty().bottom; ++y)
        for (const CRun* run = mask.RowBegin(y); run != mask.RowEnd(y); ++run)
            for (int x = run->a; x <= run->b; ++x)
                plane.Set(x, y);
    plane.MarkDirty(mask.Dirty());
    return plane;
}

// a | b, over both dirty rectangles.
inline CPlainMask PlainUnion(const CPlainMask& a, const CPlainMask& b)
{
    CPlainMask out(a.Width(), a.Height());
    for (int y = 0; y < a.Height(); ++y)
        for (int x = 0; x < a.Width(); ++x)
            out.Set(x, y, a.Get(x, y) || b.Get(x, y));
    out.MarkDirty(a.Dirty());
    out.MarkDirty(b.Dirty());
    return out;
}

// The whole disc stamped on every set pixel, moved by (dx, dy) and clipped
// to the plane, pixel by pixel (dirty: the whole plane).
inline CPlainMask PlainDilation(const CPlainMask& in, const CDisc& disc, int dx, int dy)
{
    CPlainMask out(in.Width(), in.Height());
    const int r = disc.Radius();
    for (int y = 0; y < in.Height(); ++y)
        for (int x = 0; x < in.Width(); ++x) {
            if (!in.Get(x, y))
                continue;
            for (int j = -r; j <= r; ++j)
                for (int i = -r; i <= r; ++i) {
                    const int tx = x + i + dx, ty = y + j + dy;
                    if (disc.Contains(i, j) && tx >= 0 && ty >= 0 && tx < out.Width() && ty < out.Height())
                        out.Set(tx, ty);
                }
        }
    out.MarkAllDirty();
    return out;
}

// The set pixels of each 10 x 10 block that holds the dirty rectangle,
// counted one by one, as coverage: count x 255 / 100, rounded.
inline void PlainReduction(const CPlainMask& plane, CCoverageBlock& out)
{
    out.width = out.height = 0;
    if (plane.IsClean())
        return;
    const RECT& d = plane.Dirty();
    const int bx0 = d.left / 10, bx1 = (d.right + 9) / 10, by0 = d.top / 10, by1 = (d.bottom + 9) / 10;
    out.x = bx0;
    out.y = by0;
    out.width = bx1 - bx0;
    out.height = by1 - by0;
    out.values.clear();
    for (int by = by0; by < by1; ++by)
        for (int bx = bx0; bx < bx1; ++bx) {
            int n = 0;
            for (int y = by * 10; y < by * 10 + 10 && y < plane.Height(); ++y)
                for (int x = bx * 10; x < bx * 10 + 10 && x < plane.Width(); ++x)
                    n += plane.Get(x, y);
            out.values.push_back(static_cast<uint8_t>((n * 255 + 50) / 100));
        }
}
