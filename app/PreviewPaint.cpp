#include "app/PreviewPaint.h"
#include "foundation/MessageText.h"
#include "imaging/MemoryDC.h"
#include "imaging/PixelOps.h"
#include "platform/Gdi.h"
#include <algorithm>

namespace {

const COLORREF kCheckerLight = RGB(220, 220, 220);
const COLORREF kCheckerDark = RGB(200, 200, 200);
const int kCheckerCell = 8;
const int kOverlayMargin = 4;

uint32_t Bgra(COLORREF c) { return 0xFF000000u | (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c); }

// A 16 x 16 tile of four 8 x 8 cells, light at the top-left and bottom-right.
HBRUSH CreateCheckerBrush()
{
    CDib tile;
    if (!tile.CreateWithInfoHeader(2 * kCheckerCell, 2 * kCheckerCell, 32) || !tile.AllocBits())
        return nullptr;
    if (FAILED(FillCheckerboard(tile, 0, 0, 2 * kCheckerCell, 2 * kCheckerCell, Bgra(kCheckerLight), Bgra(kCheckerDark))))
        return nullptr;
    return tile.CreatePatternBrush();
}

} // namespace

boost::shared_ptr<CDibSection> MakePaneImage(const CDib& image, int maxWidth, int maxHeight, bool alignRight)
{
    boost::shared_ptr<CDibSection> out;
    const WORD bits = image.GetBitCount();
    if (!image.IsValid() || (bits != 32 && bits != 8))
        return out;
    const int fullWidth = image.GetWidth();
    const int w = std::max(1, std::min(fullWidth, maxWidth)), h = std::max(1, std::min<int>(image.GetAbsHeight(), maxHeight));
    if (fullWidth < 1 || image.GetAbsHeight() < 1)
        return out;
    const int left = alignRight ? fullWidth - w : 0;
    boost::shared_ptr<CDibSection> copy(new CDibSection);
    if (!copy->CreateWithInfoHeader(w, h, 32) || !copy->AllocBits())
        return out;
    const RGBQUAD* palette = bits == 8 ? image.GetColorTable() : nullptr;
    const int entries = bits == 8 ? image.GetColorTableCount() : 0;
    for (int y = 0; y < h; ++y) {
        const BYTE* from = image.GetImageRow(y);
        BYTE* to = copy->GetImageRow(y);
        for (int x = 0; x < w; ++x, to += 4) {
            BYTE b, g, r, a;
            if (palette) {
                const int i = std::min<int>(from[left + x], entries - 1);
                const RGBQUAD q = i >= 0 ? palette[i] : RGBQUAD{0, 0, 0, 0};
                b = q.rgbBlue, g = q.rgbGreen, r = q.rgbRed, a = q.rgbReserved;
            } else {
                const BYTE* p = from + 4 * (left + x);
                b = p[0], g = p[1], r = p[2], a = p[3];
            }
            // Rounded c x a / 255.
            to[0] = static_cast<BYTE>((b * a + 127) / 255);
            to[1] = static_cast<BYTE>((g * a + 127) / 255);
            to[2] = static_cast<BYTE>((r * a + 127) / 255);
            to[3] = a;
        }
    }
    return copy;
}

HFONT CreateOverlayFont()
{
    LOGFONTW lf = {};
    SystemParametersInfoW(SPI_GETICONTITLELOGFONT, sizeof(lf), &lf, 0);
    return CreateFontIndirectW(&lf);
}

void PaintPreviewPane(HDC dc, const RECT& client, const RECT& update, const CPanePicture& picture)
{
    RECT area;
    if (!IntersectRect(&area, &client, &update))
        return;
    CMemoryDC2 memory;
    if (!memory.Create(dc, area))
        return;
    CBrushHandle checker(CreateCheckerBrush());
    if (checker)
        memory.FillAreaAligned(checker, POINT{client.left, client.top});
    else
        memory.FillSolid(kCheckerLight);

    if (picture.image && picture.image->IsValid()) {
        const CDibSection& image = *picture.image;
        const int w = image.GetWidth(), h = image.GetAbsHeight();
        const int x = picture.alignRight ? client.right - w : client.left;
        CCreatedDC source(CreateCompatibleDC(dc));
        CSelectObjectGuard select(source, image.GetBitmap());
        const RECT target = {x, client.top, x + w, client.top + h};
        AlphaBlendRect(memory, target, source, RECT{0, 0, w, h}, 255, AC_SRC_ALPHA);
    }

    if (!picture.overlay.empty()) {
        CFontHandle font(CreateOverlayFont());
        CSelectObjectGuard select(memory, font.Get());
        SetBkMode(memory, TRANSPARENT);
        SetTextColor(memory, RGB(0, 0, 0));
        RECT text = client;
        InflateRect(&text, -kOverlayMargin, -kOverlayMargin);
        // Broken for the pane's width at every paint: a resized pane is drawn anew.
        const std::wstring shown = BreakLongRunsOn(memory, picture.overlay, text.right - text.left);
        DrawTextW(memory, shown.c_str(), static_cast<int>(shown.size()), &text,
                  DT_LEFT | DT_TOP | DT_WORDBREAK | DT_NOPREFIX);
    }
    memory.CopyTo(dc);
}
