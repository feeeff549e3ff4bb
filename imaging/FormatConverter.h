// The library's pixel-format converter: the system's converter wrapped, with
// the conversions it gets wrong or lacks done here. Its own conversions:
// - any CMYK format (8 or 16 bits a sample, with or without alpha) ->
//   32bppCMYK or 40bppCMYKAlpha: 16-bit samples rounded to 8 bits, alpha 255
//   added or dropped (the system converter has no 16-bit CMYK source: into
//   any other format, 16-bit CMYK goes through 8-bit CMYK first);
// - anything -> 24bppBGR, 8bppGray and BlackWhite, through 32bppBGRA from the
//   system converter (which decodes every source correctly to it) and a
//   final step here: alpha dropped; grey as the luminance of linear light
//   (Rec. 709 weights on sRGB-decoded channels, encoded back, rounded), so
//   that a grey stays the same grey; black and white as that grey at 128
//   and above, first pixel in the top bit.
// Everything else goes to the system converter unchanged.
#pragma once
#include <windows.h>
#include <wincodec.h>

namespace wic {

// E_POINTER for a null out pointer; raises IDS_WIC_CREATE_CONVERTER_FAILED when the system converter
// cannot be made.
HRESULT CreateFormatConverter(IWICFormatConverter** out);

// The final steps, one row of 32-bit BGRA pixels at a time.
void BgraRowToBgr(const BYTE* in, BYTE* out, UINT count);
void BgraRowToGray(const BYTE* in, BYTE* out, UINT count);
void BgraRowToBlackWhite(const BYTE* in, BYTE* out, UINT count);
BYTE GrayOfBgr(BYTE blue, BYTE green, BYTE red);

} // namespace wic
