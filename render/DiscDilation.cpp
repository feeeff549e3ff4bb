// Disc dilation by row spans, writing only what each step adds.
//
// Goal: grow a binary shape at ten times the output resolution by a disc of
// radius r (up to a few hundred pixels) at a cost that does not grow with r^2.
//
// The shape is read as horizontal runs of set pixels. The disc placed on every
// pixel of a run [a, b] of row y covers, on row y + j, the single span
// [a - h(j), b + h(j)] (h = the disc's half-width of row j), so a run is
// stamped as 2r + 1 row spans rather than pixel by pixel. Runs that repeat
// unchanged over rows y0..y1 (the straight sides of strokes) form a stack whose
// stamp is one "stadium": row Y spans [a - h(d), b + h(d)] with d the distance
// from Y to [y0, y1]. A stack whose top run overlaps a run of the row above
// (its entry) writes above its rows only what its stamp adds to the entry's,
// and below its rows only what it adds to the stamp of the run just below it
// (its successor); its own rows it writes in full. Above a stack, the entry's
// stamp row is one row nearer its centre and so at least as wide: a piece is
// left only where the run reaches past the entry's by more than the disc's
// edge falls between those two rows, which happens near the disc's middle
// only, so a stack costs a few rows, not 2r + 1. The union stays whole: a
// pixel left out above a stack lies in the entry's stamp, which is written in
// its own rows and, above them, is whole but for what its own entry covers,
// and so on up to a stack without one, written whole; the same holds below
// with successors. So the union of the writes is the union of all stamps,
// i.e. exactly the plain pixel-by-pixel dilation.
//
// Edge cases: r = 0 copies the shape; shifts and stamps are clipped to the
// plane; an empty plane gives an empty result; only in's dirty rectangle is read.
#include "render/DiscDilation.h"
#include <emmintrin.h>
#include <algorithm>
#include <cmath>
#include <cstring>

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

namespace {

struct Run {
    int a, b;  // inclusive
};

// Set-pixel runs of row[x0, x1), appended in order. The row is read sixteen
// pixels at a time as a mask of set bits; the bits where a pixel differs from
// the one before it are the ends of runs, found by counting trailing zeros,
// so a row costs its chunks and its runs, not its pixels.
void ExtractRuns(const uint8_t* row, int x0, int x1, std::vector<Run>& runs)
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
                runs.push_back(Run{start, base + i - 1});
            else
                start = base + i;
            inRun = !inRun;
        }
    }
    if (inRun)
        runs.push_back(Run{start, x1 - 1});
}

class CSpanWriter {
public:
    CSpanWriter(CMaskPlane& out, int dx, int dy) : m_out(out), m_dx(dx), m_dy(dy) {}
    void Write(int y, int l, int r)
    {
        y += m_dy;
        if (y < 0 || y >= m_out.Height())
            return;
        l = std::max(l + m_dx, 0);
        r = std::min(r + m_dx, m_out.Width() - 1);
        if (l <= r)
            FillBytes(m_out.Row(y) + l, 0xFF, static_cast<size_t>(r - l + 1));
    }
private:
    CMaskPlane& m_out;
    int m_dx, m_dy;
};

// A stack of identical runs [a, b] over rows y0..y1, with the run of row y0 - 1
// that its first run was joined to (if any).
struct Stack {
    int a, b, y0;
    bool hasEntry;
    int ea, eb;
    bool continued;
};

// Writes the stamp of a stack: its own rows in full; the rows above it less
// the stamp of its entry (the run just above), the rows below it less the
// stamp of its successor (the run just below, `next`, when there is one).
// A neighbour's stamp row is the wider one, one row nearer, so only where the
// stack's run reaches past the neighbour's by more than the disc's edge falls
// from one row to the next is anything left: a few rows, not the disc's
// height. (See the file comment for why the union stays whole.)
void EmitStack(CSpanWriter& w, const CDisc& disc, const Stack& s, int y1, const Run* next)
{
    const int r = disc.Radius();
    for (int Y = s.y0; Y <= y1; ++Y)
        w.Write(Y, s.a - disc.HalfWidth(0), s.b + disc.HalfWidth(0));
    // side = -1: the rows above, against the entry; +1: below, against next.
    for (int side = -1; side <= 1; side += 2) {
        const bool neighbour = side < 0 ? s.hasEntry : next != nullptr;
        const int na = side < 0 ? s.ea : next ? next->a : 0, nb = side < 0 ? s.eb : next ? next->b : 0;
        const int edge = side < 0 ? s.y0 : y1;
        // Rows d = 1 .. r away; with a neighbour only as far as some piece
        // can show: where the run reaches past it by more than the edge's
        // fall h(d - 1) - h(d).
        int last = r;
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
}

struct CDilationScratch {
    std::vector<Run> runs;
    std::vector<Stack> prev, cur;
};

} // namespace

void DilateByDisc(CMaskPlane& out, const CMaskPlane& in, const CDisc& disc, int dx, int dy)
{
    out.Clear();
    if (in.IsClean())
        return;
    const RECT& d = in.Dirty();
    const int r = disc.Radius();
    if (r == 0) {
        // The disc is one pixel: the shape itself, moved.
        const int x0 = std::max<int>(d.left, -dx), x1 = std::min<int>(d.right, out.Width() - dx);
        const int y0 = std::max<int>(d.top, -dy), y1 = std::min<int>(d.bottom, out.Height() - dy);
        for (int y = y0; y < y1 && x0 < x1; ++y)
            std::memcpy(out.Row(y + dy) + x0 + dx, in.Row(y) + x0, static_cast<size_t>(x1 - x0));
        out.MarkDirty(RECT{d.left + dx, d.top + dy, d.right + dx, d.bottom + dy});
        return;
    }
    CSpanWriter writer(out, dx, dy);
    CDilationScratch& scratch = ThreadScratch<CDilationScratch>();
    std::vector<Run>& runs = scratch.runs;
    std::vector<Stack>& prev = scratch.prev;
    std::vector<Stack>& cur = scratch.cur;
    prev.clear();
    for (int y = d.top; y <= d.bottom; ++y) {
        runs.clear();
        if (y < d.bottom)
            ExtractRuns(in.Row(y), d.left, d.right, runs);
        cur.clear();
        size_t j = 0;
        for (const Run& run : runs) {
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
            }
            s.continued = false;
            cur.push_back(s);
        }
        // A finished stack's successor: the run of this row that overlaps it most.
        size_t k = 0;
        for (const Stack& s : prev) {
            if (s.continued)
                continue;
            while (k < runs.size() && runs[k].b < s.a)
                ++k;
            const Run* next = nullptr;
            int bestOverlap = 0;
            for (size_t i = k; i < runs.size() && runs[i].a <= s.b; ++i) {
                const int overlap = std::min(runs[i].b, s.b) - std::max(runs[i].a, s.a) + 1;
                if (overlap > bestOverlap) {
                    bestOverlap = overlap;
                    next = &runs[i];
                }
            }
            EmitStack(writer, disc, s, y - 1, next);
        }
        prev.swap(cur);
    }
    out.MarkDirty(RECT{d.left - r + dx, d.top - r + dy, d.right + r + dx, d.bottom + r + dy});
}

void DilateByDiscReference(CMaskPlane& out, const CMaskPlane& in, const CDisc& disc, int dx, int dy)
{
    out.Clear();
    const int r = disc.Radius();
    for (int y = 0; y < in.Height(); ++y)
        for (int x = 0; x < in.Width(); ++x) {
            if (!in.Get(x, y))
                continue;
            for (int j = -r; j <= r; ++j)
                for (int i = -r; i <= r; ++i) {
                    int tx = x + i + dx, ty = y + j + dy;
                    if (disc.Contains(i, j) && tx >= 0 && ty >= 0 && tx < out.Width() && ty < out.Height())
                        out.Row(ty)[tx] = 0xFF;
                }
        }
    out.MarkAllDirty();
}
