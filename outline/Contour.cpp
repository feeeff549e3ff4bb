// Contour tracing by Moore-neighbour tracing.
//
// The scan runs over the rows from the top, left to right. A pixel starts a
// contour when it is opaque (alpha not 0), its left neighbour is transparent
// (or it is in column 0) and no earlier trace has visited it. From there the
// eight neighbours are probed clockwise on the screen, beginning just after
// the direction that points back to the previous pixel, and the first opaque
// one is the next boundary pixel. An outer boundary is so walked clockwise
// from the leftmost pixel of its top row. The trace stops on its first return
// to the start pixel, so a boundary that crosses its start through a one-pixel
// bridge is cut there; a lone pixel gives a contour of no steps. Neighbours
// outside the image count as transparent. Visited pixels are marked in an
// 8-bit mask so that one boundary starts one contour only; the edges of holes
// whose left neighbour is transparent start contours of their own.
#include "outline/Contour.h"
#include "imaging/Dib.h"

const int kContourDx[8] = {1, 1, 0, -1, -1, -1, 0, 1};
const int kContourDy[8] = {0, 1, 1, 1, 0, -1, -1, -1};

namespace {

inline bool IsOpaque(const CDib& source, int x, int y)
{
    return source.GetImageRow(y)[x * 4 + 3] != 0;
}

inline BYTE& MaskAt(CDib& mask, int x, int y)
{
    return mask.GetImageRow(y)[x];
}

} // namespace

void TraceContour(CContours& out, const CDib& source, CDib& mask, int x, int y)
{
    const int width = source.GetWidth();
    const int height = source.GetAbsHeight();
    boost::shared_ptr<CContour> contour(new CContour);
    contour->x = x;
    contour->y = y;
    out.push_back(contour);
    MaskAt(mask, x, y) = 255;

    int cx = x, cy = y;
    int search = 4;
    for (;;) {
        int found = -1;
        for (int i = 1; i <= 8; ++i) {
            const int code = (search + i) & 7;
            const int nx = cx + kContourDx[code];
            const int ny = cy + kContourDy[code];
            if (nx >= 0 && ny >= 0 && nx < width && ny < height && IsOpaque(source, nx, ny)) {
                found = code;
                break;
            }
        }
        if (found < 0)
            return;
        cx += kContourDx[found];
        cy += kContourDy[found];
        if (cx == x && cy == y)
            return;
        MaskAt(mask, cx, cy) = 255;
        contour->codes.push_back(static_cast<BYTE>(found));
        search = (found + 4) & 7;
    }
}

HRESULT FindContours(CContours& out, const CDib& source)
{
    if (source.GetBitCount() != 32 || !source.IsValid())
        return E_INVALIDARG;
    const int width = source.GetWidth();
    const int height = source.GetAbsHeight();
    CDib mask;
    if (!mask.CreateWithInfoHeader(width, height, 8) || !mask.AllocBits())
        return E_OUTOFMEMORY;
    mask.Clear();
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            if (IsOpaque(source, x, y) && (x == 0 || !IsOpaque(source, x - 1, y)) && MaskAt(mask, x, y) == 0)
                TraceContour(out, source, mask, x, y);
        }
    }
    return S_OK;
}
