// Run masks: writing one row by row, uniting two, the 10:1 reduction, and
// the conversions with planes of bytes.
//
// Writing: every writer gives rows top to bottom and each row's runs left
// to right, so a mask is built in one pass with no sorting; a run that
// overlaps or touches the last one of its row joins it, which keeps the
// maximal runs a plane of bytes would show. Uniting merges the two lists of
// each row by their left ends.
//
// Reduction: the exact area average of ReduceMask, from runs. A block row
// adds each run of its ten pixel rows to the blocks it covers: its own
// pixels to the blocks at its two ends, and ten to every block between,
// noted once as +10 where they begin and -10 where they end and summed from
// left to right. The runs of a row are disjoint, so no count passes 100.
//
// Edge cases: a clean mask reduces to nothing; a run given outside the rows
// begun or above the last row given is left out (no writer of the engine
// makes one) rather than breaking the rows' order.
#include "render/RunMask.h"
#include <emmintrin.h>
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

namespace {

// Appends the runs of row[x0, x1) (aligned to 16 bytes, readable up to x1
// rounded up to 16) to `runs`. The row is read sixteen pixels at a time as
// a mask of set bits; the bits where a pixel differs from the one before it
// are the ends of runs, found by counting trailing zeros, so a row costs its
// chunks and its runs, not its pixels.
void AppendRunsOfRow(const uint8_t* row, int x0, int x1, std::vector<CRun>& runs)
{
    bool inRun = false;
    int start = 0;
    const __m128i zero = _mm_setzero_si128();
    for (int base = x0 & ~15; base < x1; base += 16) {
        const __m128i chunk = _mm_load_si128(reinterpret_cast<const __m128i*>(row + base));
        unsigned set = ~static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(chunk, zero))) & 0xFFFFu;
        if (base < x0)
            set &= 0xFFFFu << (x0 - base);  // pixels before x0 read as clear
        if (x1 - base < 16)
            set &= (1u << (x1 - base)) - 1;  // and those from x1 on: a run reaching x1 ends there
        // Bit i: pixel i differs from pixel i - 1 (bit 0: from the state so far).
        unsigned changes = (set ^ ((set << 1) | (inRun ? 1u : 0u))) & 0xFFFFu;
        while (changes != 0) {
            const int i = __builtin_ctz(changes);
            changes &= changes - 1;
            if (inRun)
                runs.push_back(CRun{start, base + i - 1});
            else
                start = base + i;
            inRun = !inRun;
        }
    }
    if (inRun)
        runs.push_back(CRun{start, x1 - 1});
}

} // namespace

void ReadRuns(const CMaskPlane& plane, CRunMask& mask)
{
    mask.Reset(plane.Width(), plane.Height());
    const RECT& d = plane.Dirty();
    if (plane.IsClean()) {
        mask.Begin(0, 0);
        mask.End(0, 0);
        return;
    }
    mask.Begin(d.top, d.bottom);
    std::vector<CRun> runs;
    for (int y = d.top; y < d.bottom; ++y) {
        runs.clear();
        AppendRunsOfRow(plane.Row(y), d.left, d.right, runs);
        for (const CRun& run : runs)
            mask.Append(y, run.a, run.b);
    }
    mask.End(d.left, d.right);
}

void PaintRuns(const CRunMask& mask, CMaskPlane& plane)
{
    if (mask.IsClean())
        return;
    for (int y = mask.Dirty().top; y < mask.Dirty().bottom; ++y)
        for (const CRun* run = mask.RowBegin(y); run != mask.RowEnd(y); ++run)
            FillBytes(plane.Row(y) + run->a, 0xFF, static_cast<size_t>(run->b - run->a + 1));
    plane.MarkDirty(mask.Dirty());
}
