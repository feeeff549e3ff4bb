// Mask planes, their union and the 10:1 area reduction.
//
// Reduction: the raster engine fills glyphs without anti-aliasing at ten times
// the output resolution; the anti-aliasing comes from averaging each 10 x 10
// block into one output pixel. The average is exact (set pixels / 100), which
// a point-sampling scaler cannot give. Since set pixels are 0xFF, i.e. -1 as a
// signed byte, subtracting ten rows from a zeroed byte lane counts them
// (0..10) without widening; the ten column counts of a block are then summed.
//
// Laying: source-over of coverage onto a plane, sixteen values at a time in
// 16-bit lanes, the rounded division by 255 done by adds and shifts (exact
// over every value it meets; the tests compare it with the plain formula).
// Where a row of a fresh plane was never laid on, the values are stored as
// they are, which over zeros is the same.
#include "render/MaskPlane.h"
#include <emmintrin.h>
#include <algorithm>
#include <cstring>
#include <vector>

CMaskPlane::~CMaskPlane() { Free(); }

bool CMaskPlane::Create(int width, int height)
{
    Free();
    if (width <= 0 || height <= 0)
        return false;
    if (CAlphaPlane::Bytes(width, height) > 0x40000000ULL)  // 1 GB: refuse rather than thrash
        return false;
    return m_plane.Create(width, height);
}

void CMaskPlane::Free()
{
    m_plane.Free();
    m_dirty = RECT{0, 0, 0, 0};
}

void CMaskPlane::MarkDirty(const RECT& r)
{
    RECT c = {std::max<LONG>(r.left, 0), std::max<LONG>(r.top, 0), std::min<LONG>(r.right, Width()),
              std::min<LONG>(r.bottom, Height())};
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

void CMaskPlane::MarkAllDirty() { MarkDirty(RECT{0, 0, Width(), Height()}); }

void CMaskPlane::Clear()
{
    if (!IsClean()) {
        size_t n = static_cast<size_t>(m_dirty.right - m_dirty.left);
        for (LONG y = m_dirty.top; y < m_dirty.bottom; ++y)
            FillBytes(Row(y) + m_dirty.left, 0, n);
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

namespace {

// (n x 255 + 50) / 100 for the counts 0..100 of a block.
struct CCoverageTable {
    uint8_t v[101];
    constexpr CCoverageTable() : v()
    {
        for (unsigned n = 0; n <= 100; ++n)
            v[n] = static_cast<uint8_t>((n * 255 + 50) / 100);
    }
};
constexpr CCoverageTable kCoverage;

struct CReductionScratch {
    std::vector<uint8_t> counts;
};

} // namespace

const uint8_t* const kBlockCoverage = kCoverage.v;

void ReduceMask(const CMaskPlane& plane, int x, int y, int targetWidth, int targetHeight, CCoverageBlock& out)
{
    out.width = out.height = 0;
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
    out.x = x + bx0;
    out.y = y + by0;
    out.width = bx1 - bx0;
    out.height = by1 - by0;
    out.values.resize(static_cast<size_t>(out.width) * out.height);
    int c0 = bx0 * 10;
    int c1 = bx1 * 10;
    int v0 = c0 & ~15;  // aligned start for the vector loop
    int v1 = (c1 + 15) & ~15;
    if (v1 > plane.Stride())
        v1 = plane.Stride();
    std::vector<uint8_t>& counts = ThreadScratch<CReductionScratch>().counts;
    if (counts.size() < static_cast<size_t>(v1 - v0))
        counts.resize(static_cast<size_t>(v1 - v0));
    uint8_t* base = counts.data();
    uint8_t* value = out.values.data();
    for (int by = by0; by < by1; ++by) {
        const uint8_t* rows[10];
        for (int k = 0; k < 10; ++k)
            rows[k] = plane.Row(by * 10 + k);
        for (int cx = v0; cx < v1; cx += 16) {
            __m128i acc = _mm_setzero_si128();
            for (int k = 0; k < 10; ++k)
                acc = _mm_sub_epi8(acc, _mm_load_si128(reinterpret_cast<const __m128i*>(rows[k] + cx)));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(base + (cx - v0)), acc);
        }
        for (int bx = bx0; bx < bx1; ++bx) {
            const uint8_t* c = base + (bx * 10 - v0);
            unsigned n = 0;
            for (int k = 0; k < 10; ++k)
                n += c[k];
            *value++ = BlockCoverage(n);
        }
    }
}

namespace {

// Source-over of values [i0, i1) of one block row onto a target row, sixteen
// at a time: eight values in 16-bit lanes, s + (d (255 - s) + 127) / 255,
// the quotient of t = d (255 - s) + 127 <= 65152 taken as (t + 1 + (t >>
// 8)) >> 8, which equals t / 255 for every t below 65535. A zero s leaves d.
// Over a row known to hold zeros (`fresh`) the values are stored as they are.
void LayRow(const uint8_t* value, uint8_t* a, int i0, int i1, bool fresh)
{
    const __m128i zero = _mm_setzero_si128(), c255 = _mm_set1_epi16(255), c127 = _mm_set1_epi16(127),
                  one = _mm_set1_epi16(1);
    const auto over = [&](__m128i s, __m128i d) {
        const __m128i t = _mm_add_epi16(_mm_mullo_epi16(d, _mm_sub_epi16(c255, s)), c127);
        return _mm_add_epi16(s, _mm_srli_epi16(_mm_add_epi16(_mm_add_epi16(t, one), _mm_srli_epi16(t, 8)), 8));
    };
    int i = i0;
    for (; i + 16 <= i1; i += 16) {
        const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(value + i));
        if (fresh) {
            _mm_storeu_si128(reinterpret_cast<__m128i*>(a + i), s);
            continue;
        }
        const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + i));
        const __m128i lo = over(_mm_unpacklo_epi8(s, zero), _mm_unpacklo_epi8(d, zero));
        const __m128i hi = over(_mm_unpackhi_epi8(s, zero), _mm_unpackhi_epi8(d, zero));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(a + i), _mm_packus_epi16(lo, hi));
    }
    for (; i < i1; ++i) {
        const unsigned s = value[i];
        if (s == 0)
            continue;
        const unsigned dv = fresh ? 0 : a[i];
        a[i] = static_cast<uint8_t>(s + (dv * (255 - s) + 127) / 255);
    }
}

} // namespace

void LayCoverageOver(const CCoverageBlock& block, int x, int y, uint8_t* top, ptrdiff_t stride, int width,
                     int height, CWrittenColumns* written)
{
    const int x0 = block.x + x, y0 = block.y + y;
    const int i0 = std::max(0, -x0), i1 = std::min(block.width, width - x0);
    const int j0 = std::max(0, -y0), j1 = std::min(block.height, height - y0);
    for (int j = j0; j < j1 && i0 < i1; ++j) {
        const uint8_t* value = block.values.data() + static_cast<ptrdiff_t>(j) * block.width;
        uint8_t* a = top + static_cast<ptrdiff_t>(y0 + j) * stride + x0;
        if (!written) {
            LayRow(value, a, i0, i1, false);
            continue;
        }
        // Block indices: [i0, b0) and [b1, i1) lie outside the written columns.
        CWrittenColumns& w = written[y0 + j];
        const int b0 = std::max(i0, std::min(i1, w.left - x0)), b1 = std::min(i1, std::max(b0, w.right - x0));
        LayRow(value, a, i0, b0, true);
        LayRow(value, a, b0, b1, false);
        LayRow(value, a, b1, i1, true);
        w.left = std::min(w.left, x0 + i0);
        w.right = std::max(w.right, x0 + i1);
    }
}
