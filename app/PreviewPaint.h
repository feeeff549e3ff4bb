// The pictures of the preview pane: the pane's own copy of a finished image
// (32-bit, alpha premultiplied, as AlphaBlend wants it) and the painting of
// the pane: a grey checker fixed to the pane's top-left corner, the image
// blended over it, and an overlay text broken into lines within the pane.
#pragma once
#include "imaging/Dib.h"
#include <windows.h>
#include <boost/shared_ptr.hpp>
#include <string>

// A 32-bit DIB section of the image with premultiplied alpha. The engine's
// images carry straight alpha (and may be 8-bit with a palette whose fourth
// bytes are alpha); blending straight alpha would brighten every soft edge
// and glow. Only what a pane of maxWidth x maxHeight shows is copied: the
// top-left part, or the top-right part for an image aligned right (a saved
// line may be far wider than the pane). Null for an image that is neither
// 32- nor 8-bit.
boost::shared_ptr<CDibSection> MakePaneImage(const CDib& image, int maxWidth = 0x7FFF, int maxHeight = 0x7FFF,
                                             bool alignRight = false);

// What the pane shows.
struct CPanePicture {
    const CDibSection* image = nullptr;  // premultiplied (MakePaneImage)
    bool alignRight = false;             // at the right edge (vertical faces)
    std::wstring overlay;                // drawn over everything when not empty
};

// The font of the pane's overlay text.
HFONT CreateOverlayFont();

// Paints the update rectangle of a pane whose client area is `client`
// through an off-screen bitmap of that rectangle. The checker's origin stays
// at the client's top-left whatever part is painted.
void PaintPreviewPane(HDC dc, const RECT& client, const RECT& update, const CPanePicture& picture);
