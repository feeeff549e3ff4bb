// Dilation of a mask by a disc: the growth of a decoration layer.
#pragma once
#include "render/RunMask.h"
#include <cstdint>
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

// The rows of a dilation's result still being written, as bits: a ring of
// rows, each knowing the first and last of its words written. Rows are
// written at most 2r rows apart, so a ring of 2r + 1 rows (or more) of the
// result's width holds them, in a few kilobytes for a glyph's decoration:
// they stay in the processor's first cache, which pieces of a few pixels
// scattered over many rows need (bytes, eight times larger, missed it on
// most writes). A row leaves as runs once nothing more can reach it. Its
// room is kept from one dilation to the next.
class CRowRing {
public:
    // Clear room for `rows` rows of `width` pixels.
    void Start(int width, int rows);
    // Sets pixels l .. r (inside the width) of row y, which lies less than
    // the ring's rows from the oldest row not taken out.
    void Write(int y, int l, int r);
    // Appends row y's runs to `runs` and clears the row.
    void TakeOut(int y, std::vector<CRun>& runs);
    // Every row written was taken out: the next Start need not clear.
    void Finish() { m_clear = true; }
    unsigned long long Bytes() const;
    // What a ring for a disc of radius r over `width` pixels takes.
    static unsigned long long BytesFor(int width, int radius);

private:
    int m_mask = 0;  // ring rows - 1
    int m_words = 0;  // words of a row
    bool m_clear = true;
    CSystemVector<uint32_t> m_bits;
    CSystemVector<int> m_first, m_last;  // the words written on each row
};

// out := the union of the disc placed on every set pixel of `in`, moved by
// (dx, dy) and clipped to in's size (out takes that size and loses what it
// held). The row-span algorithm of DiscDilation.cpp; `in` and `out` must
// differ.
void DilateRuns(CRunMask& out, const CRunMask& in, const CDisc& disc, CRowRing& ring, int dx = 0, int dy = 0);
