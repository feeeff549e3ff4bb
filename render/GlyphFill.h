// Filling a glyph outline into a mask without anti-aliasing.
#pragma once
#include "render/RunMask.h"
#include <vector>

struct CPathPoint {
    float x, y;
};

// Fills the figures of a path (points with GDI+ point types: low three bits 0
// start, 1 line, 3 Bezier; 0x80 closes the figure; every figure is closed for
// filling) with the non-zero winding rule: pixel (x, y) is set when its centre
// (x + 0.5, y + 0.5) lies inside. Coordinates are mask pixels. The mask (its
// size kept) becomes the filled shape, its dirty rectangle what was filled.
// False when the types hold an unknown kind of point (nothing is filled then).
bool FillPathWinding(CRunMask& mask, const std::vector<CPathPoint>& points, const std::vector<BYTE>& types);
