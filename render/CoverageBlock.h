// A glyph layer's coverage at output resolution, as the glyph pass's 10:1
// reduction gives it (render/RunMask.h), and laying it over a layer's plane.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

// One layer of one glyph at output resolution: coverage values (0..255) of a
// width x height block whose first value belongs to output pixel (x, y).
struct CCoverageBlock {
    int x = 0, y = 0;
    int width = 0, height = 0;  // 0 when there is nothing to lay
    std::vector<uint8_t> values;  // row by row
};

// The columns [left, right) of a row of a fresh (zeroed) target that laying
// has written; outside them the row still holds its zeros.
struct CWrittenColumns {
    int left = 0x3FFFFFFF, right = -0x3FFFFFFF;  // none; any column plus or minus these stays an int
};

// Lays a block, moved by (x, y), over an 8-bit target of width x height
// values (row j at top + j x stride) by source-over: a = s + d x (255 - s) /
// 255, rounded. What falls outside the target is left out. With `written`
// (one per target row, for a target that was zeroed when made), the values
// outside a row's written columns are stored, not blended (over a zero they
// are the same): the first touch of a fresh page is then a write. Under
// Wine a first read maps the zero page and the write after it replaces the
// mapping on every processor, which cost a tenth of the whole process of a
// text that repeats nothing.
void LayCoverageOver(const CCoverageBlock& block, int x, int y, uint8_t* top, ptrdiff_t stride, int width,
                     int height, CWrittenColumns* written = nullptr);
