// JPEG files written by libjpeg: baseline, standard Huffman tables, 2x2
// chroma subsampling and the IJG quality scale, the form the system's GDI+
// encoder writes on Windows. Under Wine that encoder ignores the quality
// setting (10 and 100 give the same file), so the image saver writes JPEG
// through this instead.
#pragma once
#include "platform/GdiPlusGraphics.h"
#include <windows.h>
#include <string>

// The longest side a JPEG file may have: libjpeg's JPEG_MAX_DIMENSION (the
// format stores each side in 16 bits, and libjpeg keeps a margin below 65,535).
const int kJpegMaxSide = 65500;
// Refuses a side over kJpegMaxSide with IDS_JPEG_SIZE_TOO_LARGE, which names
// the image's size, the limit and `path` (the file, when known).
void CheckJpegSize(int width, int height, const std::wstring& path = std::wstring());

// Rows of 32-bit BGRA pixels (top-down, `stride` bytes apart; alpha is not
// written) to JPEG bytes. Quality 0..100, where 0 is taken as 1. E_FAIL when
// the encoder fails, E_OUTOFMEMORY without memory; a side over kJpegMaxSide
// throws (CheckJpegSize).
HRESULT EncodeJpeg(std::string& out, const BYTE* pixels, int width, int height, int stride, ULONG quality,
                   double dpiX, double dpiY);
// A GDI+ bitmap as JPEG bytes; E_INVALIDARG for an image that is no bitmap.
HRESULT EncodeImageAsJpeg(std::string& out, Gdiplus::Image* image, ULONG quality);
