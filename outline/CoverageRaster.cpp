// Exact-area anti-aliasing of polygons by signed-area accumulation.
//
// Goal: the coverage of every pixel, the exact area of it that lies inside
// the polygons, as an infinitely fine area average would give it, at a cost
// that follows the length of the edges and the rows they span, not the
// resolution of any supersampling.
//
// Each edge adds, in every pixel row it crosses, the winding it contributes
// to everything right of it: the row's coverage is then the running sum of an
// accumulator along the row. For an edge piece of height dy (signed by its
// direction) whose x runs evenly from a to b within the row, the part of
// pixel [i, i + 1] right of it is dy * (g(i + 1) - g(i)), with
// g(t) = E[max(0, t - X)] for X uniform on [a, b]; the accumulator takes the
// differences of that, dy * (g(i + 1) - 2 g(i) + g(i - 1)), which vanish
// outside [floor(a), ceil(b)]. A vertical piece is the limit b = a.
//
// Edge cases: winding numbers of any sign and size count as inside (|sum|
// clamped to 1), so overlapping contours and stacked pieces of one stroke
// stay solid. Parts left of column 0 are moved onto it (they still wind
// everything to their right), parts right of the last column are dropped,
// rows outside are cut away. Rows are accumulated in bands so that the
// buffer stays small whatever the size of the page. Between the columns the
// edges reach the running sum stays as it is, so those stretches are filled
// as runs.
#include "outline/CoverageRaster.h"
#include "outline/FloorInt.h"
#include <algorithm>
#include <cmath>
#include <cstring>
#include <emmintrin.h>

void CCoverageRaster::Reset(int width, int height)
{
    m_width = std::max(0, width);
    m_height = std::max(0, height);
    m_edges.clear();
    m_figure.clear();
}

void CCoverageRaster::MoveTo(double x, double y)
{
    Close();
    m_figure.push_back(std::make_pair(x, y));
}

void CCoverageRaster::LineTo(double x, double y)
{
    if (m_figure.empty()) {
        m_figure.push_back(std::make_pair(x, y));
        return;
    }
    const std::pair<double, double>& p = m_figure.back();
    AddEdge(p.first, p.second, x, y);
    m_figure.push_back(std::make_pair(x, y));
}

void CCoverageRaster::Close()
{
    if (m_figure.size() > 1) {
        const std::pair<double, double>& a = m_figure.back();
        const std::pair<double, double>& b = m_figure.front();
        AddEdge(a.first, a.second, b.first, b.second);
    }
    m_figure.clear();
}

void CCoverageRaster::AddEdge(double x0, double y0, double x1, double y1)
{
    if (!(std::isfinite(x0) && std::isfinite(y0) && std::isfinite(x1) && std::isfinite(y1)))
        return;
    float sign = 1;
    if (y0 > y1) {
        std::swap(x0, x1);
        std::swap(y0, y1);
        sign = -1;
    }
    const double h = m_height;
    if (y0 == y1 || y1 <= 0 || y0 >= h)
        return;  // horizontal, or wholly above or below the rows
    const double dxdy = (x1 - x0) / (y1 - y0);
    if (y0 < 0) {
        x0 -= y0 * dxdy;
        y0 = 0;
    }
    if (y1 > h) {
        x1 -= (y1 - h) * dxdy;
        y1 = h;
    }
    // Cut where the edge crosses the left and right sides, then clamp x:
    // left of column 0 becomes vertical on it, right of the last column on
    // its right side, where it winds no pixel.
    double cuts[4] = {y0, y1, y1, y1};
    int n = 1;
    const double w = m_width;
    for (double side : {0.0, w}) {
        if ((x0 - side) * (x1 - side) < 0) {
            const double y = y0 + (side - x0) / dxdy;
            if (y > y0 && y < y1)
                cuts[n++] = y;
        }
    }
    if (n == 3 && cuts[2] < cuts[1])
        std::swap(cuts[1], cuts[2]);
    cuts[n] = y1;
    for (int i = 0; i < n; ++i) {
        const double ya = cuts[i], yb = cuts[i + 1];
        if (!(yb > ya))
            continue;
        const double xa = std::min(w, std::max(0.0, x0 + (ya - y0) * dxdy));
        const double xb = std::min(w, std::max(0.0, x0 + (yb - y0) * dxdy));
        Edge e = {static_cast<float>(xa), static_cast<float>(ya), static_cast<float>(xb), static_cast<float>(yb), sign};
        m_edges.push_back(e);
    }
}

void CCoverageRaster::SortForSweep()
{
    std::sort(m_edges.begin(), m_edges.end(), [](const Edge& a, const Edge& b) { return a.y0 < b.y0; });
    if (m_edges.empty())
        return;
    float minX = m_edges[0].x0, maxX = minX, minY = m_edges[0].y0, maxY = m_edges[0].y1;
    for (const Edge& e : m_edges) {
        minX = std::min(minX, std::min(e.x0, e.x1));
        maxX = std::max(maxX, std::max(e.x0, e.x1));
        minY = std::min(minY, e.y0);
        maxY = std::max(maxY, e.y1);
    }
    m_minX = std::max(0, FloorToInt(minX));
    m_maxX = std::min(m_width, CeilToInt(maxX));
    m_minY = std::max(0, FloorToInt(minY));
    m_maxY = std::min(m_height, CeilToInt(maxY));
    if (m_maxX <= m_minX || m_maxY <= m_minY) {
        m_edges.clear();
        return;
    }
    const size_t stride = static_cast<size_t>(m_maxX - m_minX + 2);
    // A pixel's sum takes the same edges in the same order whatever the
    // band's height, so the coverage does not change with it.
    m_bandRows = static_cast<int>(std::max<size_t>(1, std::min<size_t>(kBandRows, kBandFloats / stride)));
    m_accum.assign(stride * m_bandRows, 0.0f);
    m_row.assign(stride, 0);
}

void CCoverageRaster::AccumulateBand(int top, int rows)
{
    for (size_t index : m_active)
        AddToBand(m_edges[index], top, rows);
}

void CCoverageRaster::AddToBand(const Edge& e, int top, int rows)
{
    const size_t stride = static_cast<size_t>(m_maxX - m_minX + 2);
    const double dxdy = (static_cast<double>(e.x1) - e.x0) / (static_cast<double>(e.y1) - e.y0);
    const int first = std::max(top, FloorToInt(e.y0));
    const int last = std::min(top + rows, CeilToInt(e.y1));
    for (int y = first; y < last; ++y) {
        const double ya = std::max<double>(y, e.y0), yb = std::min<double>(y + 1, e.y1);
        const double dy = (yb - ya) * e.sign;
        if (dy == 0)
            continue;
        const double xa = e.x0 + (ya - e.y0) * dxdy, xb = e.x0 + (yb - e.y0) * dxdy;
        // Interpolated, an end on the first column can come out a rounding
        // error left of it, which would reach into the row before (or, on
        // the band's first row, before the buffer).
        const double a = std::max(0.0, std::min(xa, xb) - m_minX), b = std::max(xa, xb) - m_minX;
        float* acc = &m_accum[static_cast<size_t>(y - top) * stride];
        const int i0 = FloorToInt(a);
        const double span = b - a;
        if (span < 1e-9) {
            const double f = a - i0;
            acc[i0] += static_cast<float>(dy * (1 - f));
            acc[i0 + 1] += static_cast<float>(dy * f);
            continue;
        }
        // g(t) = E[max(0, t - X)], X uniform on [a, b].
        auto g = [&](double t) {
            if (t <= a)
                return 0.0;
            if (t >= b)
                return t - (a + b) / 2;
            return (t - a) * (t - a) / (2 * span);
        };
        const int i1 = CeilToInt(b);
        double gPrev = 0, gCur = g(i0);
        for (int i = i0; i <= i1; ++i) {
            const double gNext = g(i + 1);
            acc[i] += static_cast<float>(dy * (gNext - 2 * gCur + gPrev));
            gPrev = gCur;
            gCur = gNext;
        }
    }
}

int CCoverageRaster::ResolveRow(float* accum, int& first)
{
    const int n = m_maxX - m_minX;
    uint8_t* row = m_row.data();
    float sum = 0;
    uint8_t v = 0;
    int lo = -1, hi = -1;
    for (int i = 0; i < n;) {
        if (accum[i] == 0) {
            // No edge in these columns: the sum, and so the coverage, stays.
            int j = i + 1;
            while (j + 4 <= n && _mm_movemask_ps(_mm_cmpneq_ps(_mm_loadu_ps(accum + j), _mm_setzero_ps())) == 0)
                j += 4;
            while (j < n && accum[j] == 0)
                ++j;
            std::memset(row + i, v, static_cast<size_t>(j - i));
            if (v != 0) {
                if (lo < 0)
                    lo = i;
                hi = j - 1;
            }
            i = j;
            continue;
        }
        sum += accum[i];
        accum[i] = 0;
        const float c = std::min(std::fabs(sum), 1.0f);
        v = static_cast<uint8_t>(c * 255.0f + 0.5f);
        row[i] = v;
        if (v != 0) {
            if (lo < 0)
                lo = i;
            hi = i;
        }
        ++i;
    }
    accum[n] = 0;
    accum[n + 1] = 0;
    first = lo < 0 ? 0 : lo;
    return lo < 0 ? 0 : hi - lo + 1;
}
