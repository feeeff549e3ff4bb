// The objects a save needs for the chosen format. Each renderer is owned by
// a shared_ptr made from its own class, so its own destructor runs.
#include "render/SaveFormatFactory.h"
#include "imaging/ImageSaver.h"
#include "outline/EmfRenderer.h"
#include "outline/PdfRenderer.h"
#include "outline/SvgRenderer.h"

boost::shared_ptr<CVectorRenderer> CreateRenderer(const CSaveFormat& format)
{
    switch (format.Type) {
    case OutputType::PDF:
        return boost::shared_ptr<CPdfRenderer>(new CPdfRenderer);
    case OutputType::SVG:
        return boost::shared_ptr<CSvgRenderer>(new CSvgRenderer(CSvgRenderer::kXmlPrologue));
    case OutputType::SVG_TAG:
        return boost::shared_ptr<CSvgRenderer>(new CSvgRenderer);
    case OutputType::EMF:
        return boost::shared_ptr<CEmfRenderer>(new CEmfRenderer);
    default:
        return boost::shared_ptr<CVectorRenderer>();
    }
}

boost::shared_ptr<Gdiplus::CImageSaver> CreateImageSaver(const CSaveFormat& format)
{
    if (format.Type == OutputType::JPEG)
        return CreateJpegSaver(static_cast<ULONG>(format.JpegQuality));
    if (format.IsVector())
        return boost::shared_ptr<Gdiplus::CImageSaver>();
    return CreatePngSaver();  // PNG and every unknown type
}
