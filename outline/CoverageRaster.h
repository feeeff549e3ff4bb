// Exact-area anti-aliasing of polygons (see CoverageRaster.cpp).
#pragma once
#include <cstdint>
#include <vector>

class CCoverageRaster {
public:
    // The pixels that may receive coverage: columns 0..width-1, rows 0..height-1.
    // Edges added before are dropped.
    void Reset(int width, int height);

    // Polygon building: a figure is closed back to its start by the next
    // MoveTo, by Close and by Sweep.
    void MoveTo(double x, double y);
    void LineTo(double x, double y);
    void Close();
    // One directed edge; its direction decides the sign of its winding.
    void AddEdge(double x0, double y0, double x1, double y1);
    bool IsEmpty() const { return m_edges.empty() && m_figure.empty(); }

    // The coverage of every row the edges reach, 0 to 255: the area of the
    // pixel inside the polygons, with winding numbers of any sign and size
    // counting as inside (the non-zero rule). Exact where the winding keeps
    // one sign; where regions of both signs meet inside a pixel they partly
    // cancel there. For each row with coverage it
    // calls paint(y, x, coverage, count) for the columns x .. x + count - 1.
    // The edges are dropped afterwards.
    template <class Paint>
    void Sweep(Paint paint);

private:
    static const int kBandRows = 64;  // rows accumulated at once: a small buffer, few passes over the edges
    // Fewer rows for a wide extent, down to one: the band holds no more
    // floats than this (4 MB) unless one row of the extent alone holds more.
    // A line of 100,000 characters drawn its whole width is millions of
    // columns: one row of them is megabytes, 64 rows hundreds of megabytes.
    static const size_t kBandFloats = size_t(1) << 20;

    struct Edge {
        float x0, y0, x1, y1;  // y0 < y1
        float sign;            // +1 downwards, -1 upwards
    };
    // Rasterises the rows of the band [top, top + rows) into m_accum.
    void AccumulateBand(int top, int rows);
    void AddToBand(const Edge& e, int top, int rows);
    // Coverage of one accumulated row into m_row, clearing the row of the
    // accumulator; the first column with coverage and how many follow
    // (0 when the row has none).
    int ResolveRow(float* accum, int& first);
    void SortForSweep();

    int m_width = 0;
    int m_height = 0;
    std::vector<Edge> m_edges;
    std::vector<std::pair<double, double> > m_figure;
    std::vector<float> m_accum;
    std::vector<uint8_t> m_row;
    std::vector<size_t> m_active;
    int m_minX = 0, m_maxX = 0;  // columns any edge touches, m_maxX exclusive
    int m_minY = 0, m_maxY = 0;  // rows any edge touches, m_maxY exclusive
    int m_bandRows = kBandRows;
};

template <class Paint>
void CCoverageRaster::Sweep(Paint paint)
{
    Close();
    SortForSweep();
    if (m_edges.empty())
        return;
    const int band = m_bandRows;
    size_t next = 0;
    m_active.clear();
    for (int top = m_minY; top < m_maxY; top += band) {
        const int rows = top + band < m_maxY ? band : m_maxY - top;
        // Edges enter in order of their top and leave once above the band.
        while (next < m_edges.size() && m_edges[next].y0 < top + rows)
            m_active.push_back(next++);
        size_t kept = 0;
        for (size_t i = 0; i < m_active.size(); ++i)
            if (m_edges[m_active[i]].y1 > top)
                m_active[kept++] = m_active[i];
        m_active.resize(kept);
        AccumulateBand(top, rows);
        const int stride = m_maxX - m_minX + 2;
        for (int r = 0; r < rows; ++r) {
            int first = 0;
            const int count = ResolveRow(&m_accum[static_cast<size_t>(r) * stride], first);
            if (count > 0)
                paint(top + r, m_minX + first, m_row.data() + first, count);
        }
    }
    m_edges.clear();
}
