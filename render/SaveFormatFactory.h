// What a save needs for the chosen output format: an image saver for the
// raster formats, a vector renderer for the others. An unknown type behaves as
// PNG and yields no renderer. Kept beside the engine so that the settings
// library need not link the PDF, SVG and EMF renderers.
#pragma once
#include "decoration/SaveFormat.h"
#include <boost/shared_ptr.hpp>

class CVectorRenderer;
namespace Gdiplus { class CImageSaver; }

// PNG saver, JPEG saver with the format's quality, or empty for the vector formats.
boost::shared_ptr<Gdiplus::CImageSaver> CreateImageSaver(const CSaveFormat& format);
// A new renderer of the vector formats, owned with its own class's deleter;
// empty for PNG, JPEG and unknown types.
boost::shared_ptr<CVectorRenderer> CreateRenderer(const CSaveFormat& format);
