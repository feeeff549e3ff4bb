// Run masks: writing one row by row, uniting two, and the 10:1 reduction.
//
// Writing: every writer gives rows top to bottom and each row's runs left
// to right, so a mask is built in one pass with no sorting; a run that
// overlaps or touches the last one of its row joins it, which keeps the
// maximal runs a plane of bytes would show. Uniting merges the two lists of
// each row by their left ends.
//
// Reduction: the raster engine fills glyphs without anti-aliasing at ten
// times the output resolution; the anti-aliasing comes from averaging each
// 10 x 10 block into one output pixel. The average is exact (set pixels /
// 100), which a point-sampling scaler cannot give. A block row adds each run
// of its ten pixel rows to the blocks it covers: its own pixels to the
// blocks at its two ends, and ten to every block between, noted once as +10
// where they begin and -10 where they end and summed from left to right. The
// runs of a row are disjoint, so no count passes 100.
//
// Edge cases: a clean mask reduces to nothing; a run given outside the rows
// begun or above the last row given is left out (no writer of the engine
// makes one) rather than breaking the rows' order.
#include "render/RunMask.h"
#include <algorithm>

void CRunMask::Reset(int width, int height)
{
    m_width = width;
    m_height = height;
    m_dirty = RECT{0, 0, 0, 0};
    m_runs.clear();
    m_rows.clear();
    m_started = 0;
}

void CRunMask::Begin(int top, int bottom)
{
    m_runs.clear();
    // Room from the system comes a page at least: start with a few runs a row.
    if (m_runs.capacity() < 1024)
        m_runs.reserve(std::max(1024, 2 * (bottom - top)));
    m_dirty = RECT{0, std::max(top, 0), 0, std::min(bottom, m_height)};
    m_rows.assign(static_cast<size_t>(std::max<LONG>(m_dirty.bottom - m_dirty.top, 0)) + 1, 0);
    m_started = 0;
}

void CRunMask::Append(int y, int a, int b)
{
    if (!Holds(y) || Index(y) + 1 < m_started)
        return;
    const size_t row = Index(y);
    while (m_started <= row)
        m_rows[m_started++] = static_cast<int>(m_runs.size());
    if (m_runs.size() > static_cast<size_t>(m_rows[row]) && a <= m_runs.back().b + 1)
        m_runs.back().b = std::max(m_runs.back().b, b);
    else
        m_runs.push_back(CRun{a, b});
}

void CRunMask::End(int left, int right)
{
    while (m_started < m_rows.size())
        m_rows[m_started++] = static_cast<int>(m_runs.size());
    m_dirty.left = std::max(left, 0);
    m_dirty.right = std::min(right, m_width);
    if (IsClean()) {
        m_dirty = RECT{0, 0, 0, 0};
        m_runs.clear();
        m_rows.assign(1, 0);
    }
}

void UniteRuns(CRunMask& out, const CRunMask& a, const CRunMask& b)
{
    out.Reset(a.Width(), a.Height());
    RECT r = a.Dirty();
    if (a.IsClean())
        r = b.Dirty();
    else if (!b.IsClean())
        r = RECT{std::min(r.left, b.Dirty().left), std::min(r.top, b.Dirty().top),
                 std::max(r.right, b.Dirty().right), std::max(r.bottom, b.Dirty().bottom)};
    out.Begin(r.top, r.bottom);
    for (int y = r.top; y < r.bottom; ++y) {
        const CRun *p = a.RowBegin(y), *pe = a.RowEnd(y), *q = b.RowBegin(y), *qe = b.RowEnd(y);
        while (p != pe || q != qe) {
            const CRun& next = q == qe || (p != pe && p->a <= q->a) ? *p++ : *q++;
            out.Append(y, next.a, next.b);
        }
    }
    out.End(r.left, r.right);
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

// The coverage of a 10 x 10 block with `count` (0..100) set pixels.
inline uint8_t BlockCoverage(unsigned count) { return kCoverage.v[count]; }

struct CRunReductionScratch {
    std::vector<int> counts, steps;
};

} // namespace

void ReduceRuns(const CRunMask& mask, CCoverageBlock& out)
{
    out.width = out.height = 0;
    if (mask.IsClean())
        return;
    const RECT& d = mask.Dirty();
    const int bx0 = d.left / 10, bx1 = (d.right + 9) / 10;
    const int by0 = d.top / 10, by1 = (d.bottom + 9) / 10;
    out.x = bx0;
    out.y = by0;
    out.width = bx1 - bx0;
    out.height = by1 - by0;
    out.values.resize(static_cast<size_t>(out.width) * out.height);
    CRunReductionScratch& scratch = ThreadScratch<CRunReductionScratch>();
    std::vector<int>& counts = scratch.counts;
    std::vector<int>& steps = scratch.steps;  // +10 where whole blocks begin, -10 past them
    uint8_t* value = out.values.data();
    const int left = bx0 * 10;
    for (int by = by0; by < by1; ++by) {
        counts.assign(static_cast<size_t>(out.width), 0);
        steps.assign(static_cast<size_t>(out.width) + 1, 0);
        for (int y = by * 10; y < by * 10 + 10; ++y)
            for (const CRun* run = mask.RowBegin(y); run != mask.RowEnd(y); ++run) {
                const int first = (run->a - left) / 10, last = (run->b - left) / 10;
                if (first == last) {
                    counts[static_cast<size_t>(first)] += run->b - run->a + 1;
                    continue;
                }
                counts[static_cast<size_t>(first)] += left + 10 * (first + 1) - run->a;
                counts[static_cast<size_t>(last)] += run->b - (left + 10 * last) + 1;
                steps[static_cast<size_t>(first) + 1] += 10;
                steps[static_cast<size_t>(last)] -= 10;
            }
        int whole = 0;
        for (int i = 0; i < out.width; ++i) {
            whole += steps[static_cast<size_t>(i)];
            *value++ = BlockCoverage(static_cast<unsigned>(counts[static_cast<size_t>(i)] + whole));
        }
    }
}
