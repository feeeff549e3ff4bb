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
// (its entry) writes only what its stamp adds to the entry's stamp: two short
// pieces per row near the entry, full spans below it. Order does not matter:
// every stamp is either written in full or contained in the stamp of its entry,
// which is itself written (by induction over rows), so the union of the writes
// is the union of all stamps, i.e. exactly the plain pixel-by-pixel dilation.
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

// Set-pixel runs of row[x0, x1), appended in order. Sixteen bytes at a time are
// skipped while they are all clear outside a run or all set inside one.
void ExtractRuns(const uint8_t* row, int x0, int x1, std::vector<Run>& runs)
{
    int x = x0;
    bool inRun = false;
    int start = 0;
    const __m128i zero = _mm_setzero_si128();
    while (x < x1) {
        if ((x & 15) == 0 && x + 16 <= x1) {
            int clear = _mm_movemask_epi8(
                _mm_cmpeq_epi8(_mm_load_si128(reinterpret_cast<const __m128i*>(row + x)), zero));
            if ((!inRun && clear == 0xFFFF) || (inRun && clear == 0)) {
                x += 16;
                continue;
            }
        }
        bool set = row[x] != 0;
        if (set != inRun) {
            if (set)
                start = x;
            else
                runs.push_back(Run{start, x - 1});
            inRun = set;
        }
        ++x;
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
            std::memset(m_out.Row(y) + l, 0xFF, static_cast<size_t>(r - l + 1));
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

void EmitStack(CSpanWriter& w, const CDisc& disc, const Stack& s, int y1)
{
    const int r = disc.Radius();
    const int entryRow = s.y0 - 1;
    for (int Y = s.y0 - r; Y <= y1 + r; ++Y) {
        int d = Y < s.y0 ? s.y0 - Y : (Y > y1 ? Y - y1 : 0);
        int h = disc.HalfWidth(d);
        int nl = s.a - h, nr = s.b + h;
        int t = Y - entryRow;
        if (s.hasEntry && t >= -r && t <= r) {
            int he = disc.HalfWidth(t);
            int ol = s.ea - he, orr = s.eb + he;
            if (nl < ol)
                w.Write(Y, nl, std::min(nr, ol - 1));
            if (nr > orr)
                w.Write(Y, std::max(nl, orr + 1), nr);
        } else {
            w.Write(Y, nl, nr);
        }
    }
}

} // namespace

void DilateByDisc(CMaskPlane& out, const CMaskPlane& in, const CDisc& disc, int dx, int dy)
{
    out.Clear();
    if (in.IsClean())
        return;
    const RECT& d = in.Dirty();
    const int r = disc.Radius();
    CSpanWriter writer(out, dx, dy);
    // Kept by each thread: allocations would queue the threads on the heap's lock.
    static thread_local std::vector<Run> runs;
    static thread_local std::vector<Stack> prev, cur;
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
        for (const Stack& s : prev)
            if (!s.continued)
                EmitStack(writer, disc, s, y - 1);
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
