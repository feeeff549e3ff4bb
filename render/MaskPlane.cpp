// Mask planes, their union and the 10:1 area reduction.
//
// Reduction: the raster engine fills glyphs without anti-aliasing at ten times
// the output resolution; the anti-aliasing comes from averaging each 10 x 10
// block into one output pixel. The average is exact (set pixels / 100), which
// a point-sampling scaler cannot give. Since set pixels are 0xFF, i.e. -1 as a
// signed byte, subtracting ten rows from a zeroed byte lane counts them
// (0..10) without widening; the ten column counts of a block are then summed.
#include "render/MaskPlane.h"
#include <emmintrin.h>
#include <malloc.h>
#include <algorithm>
#include <cstring>
#include <vector>

CMaskPlane::~CMaskPlane() { Free(); }

bool CMaskPlane::Create(int width, int height)
{
    Free();
    if (width <= 0 || height <= 0)
        return false;
    int stride = (width + 15) & ~15;
    unsigned long long bytes = static_cast<unsigned long long>(stride) * static_cast<unsigned>(height);
    if (bytes > 0x40000000ULL)  // 1 GB: no glyph cell comes near; refuse rather than thrash
        return false;
    m_bits = static_cast<uint8_t*>(_aligned_malloc(static_cast<size_t>(bytes), 16));
    if (!m_bits)
        return false;
    std::memset(m_bits, 0, static_cast<size_t>(bytes));
    m_width = width;
    m_height = height;
    m_stride = stride;
    m_dirty = RECT{0, 0, 0, 0};
    return true;
}

void CMaskPlane::Free()
{
    if (m_bits)
        _aligned_free(m_bits);
    m_bits = nullptr;
    m_width = m_height = m_stride = 0;
    m_dirty = RECT{0, 0, 0, 0};
}

void CMaskPlane::MarkDirty(const RECT& r)
{
    RECT c = {std::max<LONG>(r.left, 0), std::max<LONG>(r.top, 0), std::min<LONG>(r.right, m_width),
              std::min<LONG>(r.bottom, m_height)};
    if (c.left >= c.right || c.top >= c.bottom)
        return;
    if (IsClean()) {
        m_dirty = c;
        return;
    }
    m_dirty.left = std::min(m_dirty.left, c.left);
    m_dirty.top = std::min(m_dirty.top, c.top);
    m_dirty.right = std::max(m_dirty.right, c.right);
    m_dirty.bottom = std::max(m_dirty.bottom, c.bottom);
}

void CMaskPlane::MarkAllDirty() { MarkDirty(RECT{0, 0, m_width, m_height}); }

void CMaskPlane::Clear()
{
    if (!IsClean()) {
        size_t n = static_cast<size_t>(m_dirty.right - m_dirty.left);
        for (LONG y = m_dirty.top; y < m_dirty.bottom; ++y)
            std::memset(Row(y) + m_dirty.left, 0, n);
    }
    m_dirty = RECT{0, 0, 0, 0};
}

void UniteMasks(CMaskPlane& out, const CMaskPlane& a, const CMaskPlane& b)
{
    out.Clear();
    RECT r = a.Dirty();
    if (a.IsClean())
        r = b.Dirty();
    else if (!b.IsClean()) {
        r.left = std::min(r.left, b.Dirty().left);
        r.top = std::min(r.top, b.Dirty().top);
        r.right = std::max(r.right, b.Dirty().right);
        r.bottom = std::max(r.bottom, b.Dirty().bottom);
    }
    if (a.IsClean() && b.IsClean())
        return;
    for (LONG y = r.top; y < r.bottom; ++y) {
        const uint8_t* pa = a.Row(y);
        const uint8_t* pb = b.Row(y);
        uint8_t* po = out.Row(y);
        for (LONG x = r.left; x < r.right; ++x)
            po[x] = pa[x] | pb[x];
    }
    out.MarkDirty(r);
}

void ReduceMaskOverAlpha(const CMaskPlane& plane, uint8_t* targetTop, ptrdiff_t targetStride,
                         int targetWidth, int targetHeight, int x, int y)
{
    if (plane.IsClean())
        return;
    const RECT& d = plane.Dirty();
    // Whole blocks that hold the dirty rectangle.
    int bx0 = d.left / 10, bx1 = (d.right + 9) / 10;
    int by0 = d.top / 10, by1 = (d.bottom + 9) / 10;
    bx0 = std::max(bx0, -x);
    by0 = std::max(by0, -y);
    bx1 = std::min(bx1, targetWidth - x);
    by1 = std::min(by1, targetHeight - y);
    if (bx0 >= bx1 || by0 >= by1)
        return;
    int c0 = bx0 * 10;
    int c1 = bx1 * 10;
    int v0 = c0 & ~15;  // aligned start for the vector loop
    int v1 = (c1 + 15) & ~15;
    if (v1 > plane.Stride())
        v1 = plane.Stride();
    std::vector<uint8_t> counts(static_cast<size_t>(plane.Stride()) + 16);
    for (int by = by0; by < by1; ++by) {
        const uint8_t* rows[10];
        for (int k = 0; k < 10; ++k)
            rows[k] = plane.Row(by * 10 + k);
        for (int cx = v0; cx < v1; cx += 16) {
            __m128i acc = _mm_setzero_si128();
            for (int k = 0; k < 10; ++k)
                acc = _mm_sub_epi8(acc, _mm_load_si128(reinterpret_cast<const __m128i*>(rows[k] + cx)));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(&counts[cx]), acc);
        }
        uint8_t* out = targetTop + static_cast<ptrdiff_t>(y + by) * targetStride;
        for (int bx = bx0; bx < bx1; ++bx) {
            const uint8_t* c = &counts[bx * 10];
            unsigned n = 0;
            for (int k = 0; k < 10; ++k)
                n += c[k];
            if (n == 0)
                continue;
            unsigned s = (n * 255 + 50) / 100;
            uint8_t* a = out + static_cast<ptrdiff_t>(x + bx) * 4 + 3;
            unsigned dv = *a;
            *a = static_cast<uint8_t>(s + (dv * (255 - s) + 127) / 255);
        }
    }
}
