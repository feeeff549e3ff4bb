// Dilation of a mask plane by a disc: the growth of a decoration layer.
#pragma once
#include "render/MaskPlane.h"
#include <vector>

// The digital disc of radius r: the pixels (i, j) with i^2 + j^2 <= r^2 + r,
// i.e. those whose centre lies within r + 1/2 of the middle pixel, given as
// the half-width of each row: row j (|j| <= r) spans -HalfWidth(|j|) ..
// +HalfWidth(|j|). Radius 0 is the middle pixel alone.
class CDisc {
public:
    explicit CDisc(int radius = 0);
    int Radius() const { return m_radius; }
    int HalfWidth(int j) const { return m_half[j < 0 ? -j : j]; }
    bool Contains(int i, int j) const;
    // The last row d (1 .. r) at which the edge falls by less than `step`
    // from the row before (HalfWidth(d - 1) - HalfWidth(d) < step): beyond
    // it every row falls by step or more. 0 for a step of 0 or less.
    int RowsWithin(int step) const;
private:
    int m_radius;
    std::vector<int> m_half;
    std::vector<int> m_rowsWithin;  // by step, 1 .. the largest fall
};

// out := the union of the disc placed on every set pixel of `in`, moved by
// (dx, dy) and clipped to out (which has in's size and is cleared first).
// The row-span algorithm of DiscDilation.cpp; `in` and `out` must differ.
void DilateByDisc(CMaskPlane& out, const CMaskPlane& in, const CDisc& disc, int dx = 0, int dy = 0);

// The same by stamping the whole disc on every set pixel, pixel by pixel: the
// plain reference the fast form is checked against. Cost grows with r^2.
void DilateByDiscReference(CMaskPlane& out, const CMaskPlane& in, const CDisc& disc, int dx = 0, int dy = 0);
