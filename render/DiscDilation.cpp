// Disc dilation by row spans, writing only what each step adds.
//
// Goal: grow a binary shape at ten times the output resolution by a disc of
// radius r (up to a few hundred pixels) at a cost that does not grow with r^2.
//
// The shape and the result are run masks (render/RunMask.h), each row's runs
// of set pixels. The disc placed on every pixel of a run [a, b] of row y
// covers, on row y + j, the single span [a - h(j), b + h(j)] (h = the disc's
// half-width of row j), so a run is stamped as 2r + 1 row spans rather than
// pixel by pixel. Runs that repeat unchanged over rows y0..y1 (the straight
// sides of strokes) form a stack whose stamp is one "stadium": row Y spans
// [a - h(d), b + h(d)] with d the distance from Y to [y0, y1]. A stack whose
// top run overlaps a run of the row above (its entry) writes above its rows
// only what its stamp adds to the entry's, and below its rows only what it
// adds to the stamp of the run just below it (its successor); its own rows it
// writes in full. Above a stack, the entry's stamp row is one row nearer its
// centre and so at least as wide: a piece is left only where the run reaches
// past the entry's by more than the disc's edge falls between those two rows,
// which happens near the disc's middle only, so a stack costs a few rows, not
// 2r + 1. The union stays whole: a pixel left out above a stack lies in the
// entry's stamp, which is written in its own rows and, above them, is whole
// but for what its own entry covers, and so on up to a stack without one,
// written whole; the same holds below with successors. So the union of the
// writes is the union of all stamps, i.e. exactly the plain pixel-by-pixel
// dilation.
//
// The rows above and below stacks go into a ring of rows of bits
// (CRowRing), the spans set however they overlap; input row y writes result
// rows y - r .. y + r - 1 only (a stack writes its rows above when it
// starts, its rows below when it ends). So once row y is done, result row
// y - r is whole and leaves the ring as runs, rows in order; the ring's
// 2r + 1 rows of bits stay in the processor's cache where a whole cell of
// millions of bytes would not. The stacks' own rows, most of the bytes, are
// not written at all: a result row merges the ring's runs with the runs of
// its input row widened by h(0), by their left ends.
//
// Edge cases: r = 0 copies the shape; shifts and stamps are clipped to the
// mask; an empty mask gives an empty result; the result's dirty rectangle is
// the input's grown by r and moved.
#include "render/DiscDilation.h"
#include <algorithm>
#include <cmath>
#include <climits>

CDisc::CDisc(int radius) : m_radius(radius < 0 ? 0 : radius)
{
    m_half.resize(static_cast<size_t>(m_radius) + 1);
    long long limit = static_cast<long long>(m_radius) * m_radius + m_radius;
    for (int j = 0; j <= m_radius; ++j) {
        long long rest = limit - static_cast<long long>(j) * j;
        int h = static_cast<int>(std::sqrt(static_cast<double>(rest)));
        while (static_cast<long long>(h + 1) * (h + 1) <= rest)  // correct the root's rounding
            ++h;
        while (static_cast<long long>(h) * h > rest)
            --h;
        m_half[static_cast<size_t>(j)] = h;
    }
    // m_rowsWithin[step] = the last d whose fall is below step. The falls
    // grow along the edge but not strictly (they are differences of rounded
    // values), so the table is taken from the far end.
    int largest = 0;
    for (int d = 1; d <= m_radius; ++d)
        largest = std::max(largest, m_half[static_cast<size_t>(d - 1)] - m_half[static_cast<size_t>(d)]);
    m_rowsWithin.assign(static_cast<size_t>(largest) + 1, 0);
    for (int step = 1; step <= largest; ++step)
        for (int d = m_radius; d >= 1; --d)
            if (m_half[static_cast<size_t>(d - 1)] - m_half[static_cast<size_t>(d)] < step) {
                m_rowsWithin[static_cast<size_t>(step)] = d;
                break;
            }
}

int CDisc::RowsWithin(int step) const
{
    if (step <= 0)
        return 0;
    return step < static_cast<int>(m_rowsWithin.size()) ? m_rowsWithin[static_cast<size_t>(step)] : m_radius;
}

bool CDisc::Contains(int i, int j) const
{
    if (j < -m_radius || j > m_radius)
        return false;
    return std::abs(i) <= HalfWidth(j);
}

void CRowRing::Start(int width, int rows)
{
    // Room for `rows` rows, rounded up to a power of two: a row's place is
    // then its number masked, where a division would cost more than most
    // spans take to write.
    int ring = 1;
    while (ring < rows)
        ring *= 2;
    const int words = (width + 31) / 32;
    if (static_cast<size_t>(ring) * words > m_bits.size() || static_cast<size_t>(ring) > m_first.size()) {
        m_bits.assign(static_cast<size_t>(ring) * words, 0);
        m_first.assign(static_cast<size_t>(ring), INT_MAX);
        m_last.assign(static_cast<size_t>(ring), -1);
    } else if (!m_clear) {
        // Rows a growth that threw left written.
        std::fill(m_bits.begin(), m_bits.end(), 0u);
        std::fill(m_first.begin(), m_first.end(), INT_MAX);
        std::fill(m_last.begin(), m_last.end(), -1);
    }
    m_clear = false;
    m_words = words;
    m_mask = ring - 1;
}

void CRowRing::Write(int y, int l, int r)
{
    const size_t i = static_cast<size_t>(y & m_mask);  // two's complement: right for rows above 0 too
    uint32_t* const row = m_bits.data() + i * static_cast<size_t>(m_words);
    const int wl = l >> 5, wr = r >> 5;
    const uint32_t left = ~0u << (l & 31), right = ~0u >> (31 - (r & 31));
    if (wl == wr) {
        row[wl] |= left & right;
    } else {
        row[wl] |= left;
        for (int k = wl + 1; k < wr; ++k)
            row[k] = ~0u;
        row[wr] |= right;
    }
    m_first[i] = std::min(m_first[i], wl);
    m_last[i] = std::max(m_last[i], wr);
}

void CRowRing::TakeOut(int y, std::vector<CRun>& runs)
{
    const size_t i = static_cast<size_t>(y & m_mask);
    uint32_t* const row = m_bits.data() + i * static_cast<size_t>(m_words);
    bool inRun = false;
    int start = 0;
    for (int k = m_first[i]; k <= m_last[i]; ++k) {
        const uint32_t set = row[k];
        row[k] = 0;
        // Bit j: pixel j differs from pixel j - 1 (bit 0: from the state so far).
        uint32_t changes = set ^ ((set << 1) | (inRun ? 1u : 0u));
        while (changes != 0) {
            const int j = __builtin_ctz(changes);
            changes &= changes - 1;
            if (inRun)
                runs.push_back(CRun{start, k * 32 + j - 1});
            else
                start = k * 32 + j;
            inRun = !inRun;
        }
    }
    if (inRun)
        runs.push_back(CRun{start, m_last[i] * 32 + 31});  // the word after was never written
    m_first[i] = INT_MAX;
    m_last[i] = -1;
}

unsigned long long CRowRing::BytesFor(int width, int radius)
{
    unsigned long long ring = 1;
    while (ring < 2ull * radius + 1)
        ring *= 2;
    return ring * ((static_cast<unsigned long long>(width) + 31) / 32 * 4 + 8);
}

unsigned long long CRowRing::Bytes() const
{
    return (m_bits.capacity() + m_first.capacity() + m_last.capacity()) * 4ull;
}

namespace {

// The stamps' spans, moved and clipped to the result, into the ring (by the
// row before the move).
class CSpanWriter {
public:
    CSpanWriter(CRowRing& ring, int width, int height, int dx, int dy)
        : m_ring(ring), m_width(width), m_height(height), m_dx(dx), m_dy(dy)
    {
    }
    void Write(int y, int l, int r)
    {
        if (y + m_dy < 0 || y + m_dy >= m_height)
            return;
        l = std::max(l + m_dx, 0);
        r = std::min(r + m_dx, m_width - 1);
        if (l <= r)
            m_ring.Write(y, l, r);
    }
private:
    CRowRing& m_ring;
    int m_width, m_height, m_dx, m_dy;
};

// A stack of identical runs [a, b] over rows y0..y1, with the run of row y0 - 1
// that its first run was joined to (if any).
struct Stack {
    int a, b, y0;
    bool hasEntry;
    int ea, eb;
    bool continued;
};

// Writes the rows of a stack's stamp beyond one edge: side -1, the rows above
// row `edge` less the stamp of the entry (the run just above); side +1, the
// rows below less the stamp of the successor (the run just below, when
// `neighbour`). A neighbour's stamp row is the wider one, one row nearer, so
// only where the stack's run reaches past the neighbour's by more than the
// disc's edge falls from one row to the next is anything left: a few rows,
// not the disc's height. (See the file comment for why the union stays whole.)
void EmitBeyond(CSpanWriter& w, const CDisc& disc, const Stack& s, int side, int edge, bool neighbour, int na, int nb)
{
    // Rows d = 1 .. r away; with a neighbour only as far as some piece can
    // show: where the run reaches past it by more than the edge's fall
    // h(d - 1) - h(d).
    int last = disc.Radius();
    if (neighbour)
        last = std::max(disc.RowsWithin(na - s.a), disc.RowsWithin(s.b - nb));
    for (int d = 1; d <= last; ++d) {
        const int Y = edge + side * d;
        const int h = disc.HalfWidth(d);
        const int nl = s.a - h, nr = s.b + h;
        if (!neighbour) {
            w.Write(Y, nl, nr);
            continue;
        }
        const int hn = disc.HalfWidth(d - 1);
        const int ol = na - hn, orr = nb + hn;
        if (nl < ol)
            w.Write(Y, nl, std::min(nr, ol - 1));
        if (nr > orr)
            w.Write(Y, std::max(nl, orr + 1), nr);
    }
}

struct CDilationScratch {
    std::vector<Stack> prev, cur;
    std::vector<CRun> pieces;
};

// Result row y + dy, once whole: the pieces the ring holds for input row y
// and the row's own runs widened by h0, merged by their left ends.
void TakeOutRow(CRowRing& ring, const CRunMask& in, int y, int h0, int dx, int dy, CRunMask& out,
                std::vector<CRun>& pieces)
{
    pieces.clear();
    ring.TakeOut(y, pieces);
    const CRun* own = in.RowBegin(y);
    const CRun* const ownEnd = in.RowEnd(y);
    const int last = out.Width() - 1;
    size_t p = 0;
    while (own != ownEnd || p < pieces.size()) {
        if (own != ownEnd && (p == pieces.size() || own->a - h0 + dx <= pieces[p].a)) {
            const int l = std::max(own->a - h0 + dx, 0), rr = std::min(own->b + h0 + dx, last);
            ++own;
            if (l <= rr)
                out.Append(y + dy, l, rr);
        } else {
            out.Append(y + dy, pieces[p].a, pieces[p].b);
            ++p;
        }
    }
}

// The stacks of row y, each joined to the stack of the row above that it
// continues or to the run it starts under (its entry); a new stack writes
// its rows above at once.
void StartRow(CSpanWriter& w, const CDisc& disc, int y, const CRun* runs, size_t count, std::vector<Stack>& prev,
              std::vector<Stack>& cur)
{
    cur.clear();
    size_t j = 0;
    for (size_t i = 0; i < count; ++i) {
        const CRun& run = runs[i];
        // The run of the row above that overlaps this one most.
        while (j < prev.size() && prev[j].b < run.a)
            ++j;
        int best = -1, bestOverlap = 0;
        for (size_t k = j; k < prev.size() && prev[k].a <= run.b; ++k) {
            int overlap = std::min(prev[k].b, run.b) - std::max(prev[k].a, run.a) + 1;
            if (overlap > bestOverlap) {
                bestOverlap = overlap;
                best = static_cast<int>(k);
            }
        }
        Stack s;
        if (best >= 0 && prev[best].a == run.a && prev[best].b == run.b) {
            s = prev[best];
            prev[best].continued = true;
        } else {
            s.a = run.a;
            s.b = run.b;
            s.y0 = y;
            s.hasEntry = best >= 0;
            s.ea = best >= 0 ? prev[best].a : 0;
            s.eb = best >= 0 ? prev[best].b : 0;
            EmitBeyond(w, disc, s, -1, y, s.hasEntry, s.ea, s.eb);
        }
        s.continued = false;
        cur.push_back(s);
    }
}

// The stacks of the row above that row y does not continue write their rows
// below, against their successor: the run of row y that overlaps them most.
void EndStacks(CSpanWriter& w, const CDisc& disc, int y, const CRun* runs, size_t count, const std::vector<Stack>& prev)
{
    size_t k = 0;
    for (const Stack& s : prev) {
        if (s.continued)
            continue;
        while (k < count && runs[k].b < s.a)
            ++k;
        const CRun* next = nullptr;
        int bestOverlap = 0;
        for (size_t i = k; i < count && runs[i].a <= s.b; ++i) {
            const int overlap = std::min(runs[i].b, s.b) - std::max(runs[i].a, s.a) + 1;
            if (overlap > bestOverlap) {
                bestOverlap = overlap;
                next = &runs[i];
            }
        }
        EmitBeyond(w, disc, s, 1, y - 1, next != nullptr, next ? next->a : 0, next ? next->b : 0);
    }
}

// The disc is one pixel: the shape itself, moved.
void MoveRuns(CRunMask& out, const CRunMask& in, int dx, int dy)
{
    const RECT& d = in.Dirty();
    for (int y = d.top; y < d.bottom; ++y)
        for (const CRun* run = in.RowBegin(y); run != in.RowEnd(y); ++run) {
            const int l = std::max(run->a + dx, 0), r = std::min(run->b + dx, out.Width() - 1);
            if (l <= r)
                out.Append(y + dy, l, r);
        }
}

} // namespace

void DilateRuns(CRunMask& out, const CRunMask& in, const CDisc& disc, CRowRing& ring, int dx, int dy)
{
    out.Reset(in.Width(), in.Height());
    const RECT& d = in.Dirty();
    const int r = disc.Radius();
    if (in.IsClean()) {
        out.Begin(0, 0);
        out.End(0, 0);
        return;
    }
    out.Begin(d.top - r + dy, d.bottom + r + dy);
    if (r == 0) {
        MoveRuns(out, in, dx, dy);
        out.End(d.left + dx, d.right + dx);
        return;
    }
    CDilationScratch& scratch = ThreadScratch<CDilationScratch>();
    ring.Start(out.Width(), 2 * r + 1);
    CSpanWriter writer(ring, out.Width(), out.Height(), dx, dy);
    scratch.prev.clear();
    // Row y writes rows y - r .. y + r - 1, so once it is done row y - r is whole.
    for (int y = d.top; y <= d.bottom; ++y) {
        // The row past the shape has no runs and ends every stack.
        const CRun* const runs = y < d.bottom ? in.RowBegin(y) : nullptr;
        const size_t count = y < d.bottom ? static_cast<size_t>(in.RowEnd(y) - runs) : 0;
        StartRow(writer, disc, y, runs, count, scratch.prev, scratch.cur);
        EndStacks(writer, disc, y, runs, count, scratch.prev);
        scratch.prev.swap(scratch.cur);
        TakeOutRow(ring, in, y - r, disc.HalfWidth(0), dx, dy, out, scratch.pieces);
    }
    for (int y = d.bottom - r + 1; y < d.bottom + r; ++y)
        TakeOutRow(ring, in, y, disc.HalfWidth(0), dx, dy, out, scratch.pieces);
    ring.Finish();
    out.End(d.left - r + dx, d.right + r + dx);
}
