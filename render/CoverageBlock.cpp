// Laying coverage blocks: source-over of coverage onto a plane, sixteen
// values at a time in 16-bit lanes, the rounded division by 255 done by adds
// and shifts (exact over every value it meets; the tests compare it with the
// plain formula). Where a row of a fresh plane was never laid on, the values
// are stored as they are, which over zeros is the same.
//
// Edge cases: what falls outside the target is left out; a block of zero
// values leaves the target as it was.
#include "render/CoverageBlock.h"
#include <emmintrin.h>
#include <algorithm>

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
