// Scan-line polygon fill with the non-zero winding rule.
//
// Goal: the hard-edged glyph fill of the raster engine. Glyph outlines of CJK
// fonts often overlap their own contours (strokes drawn over strokes); the
// even-odd rule would leave holes there, the winding rule does not.
//
// Cubic Bezier segments are flattened into lines by uniform subdivision
// (FlattenBezier), the chord error below a fifth of a pixel. Each
// non-horizontal edge is active on the scan lines whose centre y + 0.5 lies
// in [ymin, ymax); on each line the crossings are sorted by x and walked with
// their winding directions, and the pixels whose centres fall where the
// winding is non-zero are set, as the runs of a run mask.
//
// Edge cases: open figures are closed; horizontal edges and figures of one
// point add nothing; spans are clipped to the mask; coordinates far outside
// the mask only cost their edges.
#include "render/GlyphFill.h"
#include "outline/PenStroke.h"
#include <algorithm>
#include <cmath>

namespace {

struct Edge {
    double x0, y0, x1, y1;
    int dir;
    double slope;  // dx / dy
    double x;      // x at the current scan line's centre
    int yEnd;      // last scan line (inclusive)
};

class CEdgeBuilder {
public:
    // Both vectors are the thread's scratch, kept from glyph to glyph.
    CEdgeBuilder(std::vector<Edge>& edges, std::vector<CPointD>& flat) : m_edges(edges), m_flat(flat) {}
    void Line(double x0, double y0, double x1, double y1)
    {
        if (y0 == y1)
            return;
        Edge e;
        e.dir = y1 > y0 ? 1 : -1;
        if (y0 > y1) {
            std::swap(x0, x1);
            std::swap(y0, y1);
        }
        e.x0 = x0;
        e.y0 = y0;
        e.x1 = x1;
        e.y1 = y1;
        e.slope = (x1 - x0) / (y1 - y0);
        e.x = 0;
        e.yEnd = 0;
        m_edges.push_back(e);
    }
    void Bezier(double x0, double y0, double x1, double y1, double x2, double y2, double x3, double y3)
    {
        m_flat.clear();
        FlattenBezier(m_flat, CPointD{x0, y0}, CPointD{x1, y1}, CPointD{x2, y2}, CPointD{x3, y3}, 0.2);
        double px = x0, py = y0;
        for (const CPointD& q : m_flat) {
            Line(px, py, q.x, q.y);
            px = q.x;
            py = q.y;
        }
    }
private:
    std::vector<Edge>& m_edges;
    std::vector<CPointD>& m_flat;
};

bool BuildEdges(const std::vector<CPathPoint>& points, const std::vector<BYTE>& types, std::vector<Edge>& edges,
                std::vector<CPointD>& flat)
{
    CEdgeBuilder b(edges, flat);
    size_t n = std::min(points.size(), types.size());
    bool open = false;
    double sx = 0, sy = 0, cx = 0, cy = 0;
    for (size_t i = 0; i < n; ++i) {
        int kind = types[i] & 7;
        double x = points[i].x, y = points[i].y;
        if (kind == 0) {
            if (open)
                b.Line(cx, cy, sx, sy);
            sx = cx = x;
            sy = cy = y;
            open = true;
        } else if (kind == 1) {
            b.Line(cx, cy, x, y);
            cx = x;
            cy = y;
        } else if (kind == 3) {
            if (i + 2 >= n || (types[i + 1] & 7) != 3 || (types[i + 2] & 7) != 3)
                return false;
            b.Bezier(cx, cy, x, y, points[i + 1].x, points[i + 1].y, points[i + 2].x, points[i + 2].y);
            cx = points[i + 2].x;
            cy = points[i + 2].y;
            i += 2;
        } else {
            return false;
        }
        if (types[i] & 0x80) {
            b.Line(cx, cy, sx, sy);
            cx = sx;
            cy = sy;
        }
    }
    if (open)
        b.Line(cx, cy, sx, sy);
    return true;
}

struct Crossing {
    double x;
    int dir;
};

struct CFillScratch {
    std::vector<Edge> edges, pending, active;
    std::vector<Crossing> crossings;
    std::vector<CPointD> flat;  // one Bezier segment's points
};

// The edges that cross the mask's scan lines, each with its first line (in
// y0), its last line and its x on its first line; the lines they span.
void PlaceEdges(std::vector<Edge>& edges, int height, std::vector<Edge>& pending, int& yMin, int& yMax)
{
    // Scan lines each edge covers: centres y + 0.5 in [y0, y1).
    pending.clear();
    yMin = height;
    yMax = -1;
    for (Edge& e : edges) {
        double first = std::ceil(e.y0 - 0.5), last = std::ceil(e.y1 - 0.5) - 1;
        if (last < 0 || first >= height || first > last)
            continue;
        int yFirst = static_cast<int>(std::max(first, 0.0));
        e.yEnd = static_cast<int>(std::min(last, static_cast<double>(height - 1)));
        e.x = e.x0 + (yFirst + 0.5 - e.y0) * e.slope;
        // Keep the first line in y0 (reused as the start line after sorting).
        e.y0 = yFirst;
        pending.push_back(e);
        yMin = std::min(yMin, yFirst);
        yMax = std::max(yMax, e.yEnd);
    }
    std::sort(pending.begin(), pending.end(), [](const Edge& a, const Edge& b) { return a.y0 < b.y0; });
}

// The crossings of the active edges with one scan line, by x.
void SortCrossings(const std::vector<Edge>& active, std::vector<Crossing>& crossings)
{
    crossings.clear();
    for (const Edge& e : active)
        crossings.push_back(Crossing{e.x, e.dir});
    // Few crossings per line: insertion sort.
    for (size_t i = 1; i < crossings.size(); ++i) {
        Crossing c = crossings[i];
        size_t k = i;
        while (k > 0 && crossings[k - 1].x > c.x) {
            crossings[k] = crossings[k - 1];
            --k;
        }
        crossings[k] = c;
    }
}

// Sets the pixels of row y whose centres lie where the winding is not zero;
// widens [fillLeft, fillRight) by what it set.
void FillSpans(CRunMask& out, int y, int width, const std::vector<Crossing>& crossings, LONG& fillLeft,
               LONG& fillRight)
{
    int winding = 0;
    double start = 0;
    for (const Crossing& c : crossings) {
        int before = winding;
        winding += c.dir;
        if (before == 0 && winding != 0) {
            start = c.x;
        } else if (before != 0 && winding == 0) {
            double l = std::ceil(start - 0.5), r = std::ceil(c.x - 0.5) - 1;
            if (l < 0)
                l = 0;
            if (r > width - 1)
                r = width - 1;
            if (l <= r) {
                int il = static_cast<int>(l), ir = static_cast<int>(r);
                out.Append(y, il, ir);
                fillLeft = std::min<LONG>(fillLeft, il);
                fillRight = std::max<LONG>(fillRight, ir + 1);
            }
        }
    }
}

// Moves the active edges to the next line and drops the finished ones.
void AdvanceEdges(std::vector<Edge>& active, int y)
{
    size_t keep = 0;
    for (size_t i = 0; i < active.size(); ++i) {
        Edge& e = active[i];
        if (e.yEnd <= y)
            continue;
        e.x += e.slope;
        active[keep++] = e;
    }
    active.resize(keep);
}

} // namespace

bool FillPathWinding(CRunMask& mask, const std::vector<CPathPoint>& points, const std::vector<BYTE>& types)
{
    CFillScratch& scratch = ThreadScratch<CFillScratch>();
    std::vector<Edge>& edges = scratch.edges;
    std::vector<Edge>& pending = scratch.pending;
    std::vector<Edge>& active = scratch.active;
    mask.Reset(mask.Width(), mask.Height());
    edges.clear();
    if (!BuildEdges(points, types, edges, scratch.flat))
        return false;
    const int width = mask.Width();
    int yMin = 0, yMax = -1;
    PlaceEdges(edges, mask.Height(), pending, yMin, yMax);
    mask.Begin(yMin, yMax + 1);
    active.clear();
    size_t next = 0;
    LONG fillLeft = width, fillRight = 0;
    for (int y = yMin; y <= yMax; ++y) {
        while (next < pending.size() && static_cast<int>(pending[next].y0) <= y)
            active.push_back(pending[next++]);
        if (active.empty())
            continue;
        SortCrossings(active, scratch.crossings);
        FillSpans(mask, y, width, scratch.crossings, fillLeft, fillRight);
        AdvanceEdges(active, y);
    }
    mask.End(fillLeft, fillRight);
    return true;
}
