// A rectangle in doubles, (x, y, width, height) in output pixels: the paint
// regions and fit areas of gradients and textures.
#pragma once

struct CRectD {
    double x, y, width, height;
};
