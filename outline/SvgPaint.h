// The paint definitions of an SVG document: linear gradients (kept once and
// reused by every path that paints with an equal one), texture patterns with
// their image elements, and the list of texture images the patterns name.
#pragma once
#include "imaging/Img.h"
#include "outline/OutputPath.h"
#include "outline/VectorRenderer.h"
#include <boost/shared_ptr.hpp>
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

struct CSvgGradient {
    std::vector<CGradationStop> stops;
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    std::wstring id;
};

// Same number of stops, each with an equal position (as doubles; a NaN is
// equal to nothing) and the same five bytes after it.
bool SameStops(const std::vector<CGradationStop>& a, const std::vector<CGradationStop>& b);
// Same stops and end points; the ids are not compared.
bool SameGradient(const CSvgGradient& a, const CSvgGradient& b);

struct CSvgPattern {
    std::wstring image;  // the reference the image elements use
    double x = 0, y = 0, width = 0, height = 0;
    double angle = 0;  // degrees
    uint32_t flags = 0;  // bit 0 / 1 flip, bit 2 / 3 mirrored copy beside / below
    std::wstring id;
};

struct CSvgTextureImage {
    boost::shared_ptr<CImg> image;
    std::wstring name;  // as the document refers to it
    std::wstring path;  // where it would be beside the document
};

// Both empty, the same object, or equal buffers.
bool SameTextureImage(const boost::shared_ptr<CImg>& a, const boost::shared_ptr<CImg>& b);
// The entry of an equal image, or a new one named from the template with
// its number; the index of the entry.
size_t AddTextureImage(std::vector<CSvgTextureImage>& list, const boost::shared_ptr<CImg>& image,
                       const COutputPathParts& output, const std::wstring& nameTemplate);

void WriteSvgGradient(std::wostream& os, const CSvgGradient& gradient);
// The tile and its images: the image flipped by bits 0 and 1, and the
// mirrored copies of bits 2 and 3 beside, below and diagonally.
void WriteSvgPattern(std::wostream& os, const CSvgPattern& pattern);
void WriteSvgImage(std::wostream& os, double x, double y, double w, double h, bool flipX, bool flipY,
                   const std::wstring& reference);
// "#rrggbb" of a stop's colour bytes.
std::wstring SvgStopColor(const CGradationStop& stop);
// The RGB that stands for a CMYK colour: each channel (1 - ink) x (1 - black).
void CmykToRgb(const double* cmyk, double* rgb);
