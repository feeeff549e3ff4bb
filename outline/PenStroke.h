// The area a wide pen paints along flattened figures, as polygons for the
// coverage rasteriser (see PenStroke.cpp).
#pragma once
#include "outline/CoverageRaster.h"
#include <vector>

struct CPointD {
    double x, y;
};

// One figure of a path after its curves were flattened: device pixels.
struct CFlatFigure {
    std::vector<CPointD> points;
    bool closed = false;
};

struct CPenShape {
    double halfWidth = 0;
    int join = 0;              // kJoinMiter, kJoinRound, kJoinBevel
    int cap = 0;               // kCapButt, kCapRound, kCapSquare
    double miterLimit = 65535; // longest miter, in half widths
    // Every segment also ends in the cap, as when each one is drawn on its own.
    bool capEverySegment = false;
};

// Adds to the raster polygons whose union is what the pen paints: a
// rectangle along every segment, a join piece at every corner, a cap at
// every open end. All are wound the same way, so the non-zero rule of the
// raster unites them.
void AddPenStroke(CCoverageRaster& raster, const std::vector<CFlatFigure>& figures, const CPenShape& pen);

// Flattens a cubic Bezier from p0 (not added) to p3 into `out`, no point
// further than `tolerance` from the curve.
void FlattenBezier(std::vector<CPointD>& out, const CPointD& p0, const CPointD& p1, const CPointD& p2,
                   const CPointD& p3, double tolerance);
