// Outer boundaries of the opaque regions of a 32-bit bitmap, as chain codes.
#pragma once
#include <windows.h>
#include <boost/shared_ptr.hpp>
#include <vector>

class CDib;

// A start pixel and one direction code per step along the boundary:
// 0 right, 1 down-right, 2 down, 3 down-left, 4 left, 5 up-left, 6 up,
// 7 up-right (x from the left, y from the top).
class CContour {
public:
    int x = 0;
    int y = 0;
    std::vector<BYTE> codes;
};
typedef std::vector<boost::shared_ptr<CContour> > CContours;

extern const int kContourDx[8];
extern const int kContourDy[8];

// Appends every contour found; E_INVALIDARG unless 32 bits per pixel,
// E_OUTOFMEMORY when the visited mask cannot be made.
HRESULT FindContours(CContours& out, const CDib& source);
// Traces one contour from the opaque pixel (x, y), marking the mask (an 8-bit
// bitmap of the source's size).
void TraceContour(CContours& out, const CDib& source, CDib& mask, int x, int y);
