// JPEG files written by libjpeg: baseline, standard Huffman tables, 2x2
// chroma subsampling and the IJG quality scale, the form the system's GDI+
// encoder writes on Windows. Under Wine that encoder ignores the quality
// setting (10 and 100 give the same file), so the image saver writes JPEG
// through this instead.
#pragma once
#include "platform/GdiPlusGraphics.h"
#include <windows.h>
#include <string>

// Rows of 32-bit BGRA pixels (top-down, `stride` bytes apart; alpha is not
// written) to JPEG bytes. Quality 0..100, where 0 is taken as 1. E_FAIL when
// the encoder fails, E_OUTOFMEMORY without memory.
HRESULT EncodeJpeg(std::string& out, const BYTE* pixels, int width, int height, int stride, ULONG quality,
                   double dpiX, double dpiY);
// A GDI+ bitmap as JPEG bytes; E_INVALIDARG for an image that is no bitmap.
HRESULT EncodeImageAsJpeg(std::string& out, Gdiplus::Image* image, ULONG quality);
