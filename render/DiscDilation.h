// Dilation of a mask plane by a disc: the growth of a decoration layer.
#pragma once
#include "render/MaskPlane.h"
#include "render/RunMask.h"
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

// The rows of a dilation's result still being written, as bytes: a ring of
// rows, each knowing which of its 16-byte chunks were written. Rows are
// written at most 2r rows apart, so a ring of 2r + 1 rows (or more) of the
// result's width holds them, which stays in the processor's cache where the
// whole result would not. A row leaves as runs once nothing more can reach
// it. Its room is kept from one dilation to the next.
class CRowRing {
public:
    // Clear room for `rows` rows of `width` pixels; std::bad_alloc without it.
    void Start(int width, int rows);
    // Sets pixels l .. r (inside the width) of row y, which lies less than
    // the ring's rows from the oldest row not taken out.
    void Write(int y, int l, int r);
    // Appends row y's runs to `runs` and clears the row.
    void TakeOut(int y, std::vector<CRun>& runs);
    unsigned long long Bytes() const;

private:
    CMaskPlane m_plane;
    int m_mask = 0;  // ring rows - 1
    // Bit c of a row's words: its 16 bytes from 16c on were written. Only
    // those are read and cleared: a row's writes are mostly pieces a few
    // pixels wide at the sides of strokes, far apart.
    int m_words = 0;
    std::vector<uint32_t> m_chunks;
};

// out := the union of the disc placed on every set pixel of `in`, moved by
// (dx, dy) and clipped to in's size (out takes that size and loses what it
// held). The row-span algorithm of DiscDilation.cpp; `in` and `out` must
// differ.
void DilateRuns(CRunMask& out, const CRunMask& in, const CDisc& disc, CRowRing& ring, int dx = 0, int dy = 0);
// The same on planes of bytes (out has in's size and is cleared first).
void DilateByDisc(CMaskPlane& out, const CMaskPlane& in, const CDisc& disc, int dx = 0, int dy = 0);

// The same by stamping the whole disc on every set pixel, pixel by pixel: the
// plain reference the fast form is checked against. Cost grows with r^2.
void DilateByDiscReference(CMaskPlane& out, const CMaskPlane& in, const CDisc& disc, int dx = 0, int dy = 0);
