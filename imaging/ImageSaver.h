// Writing a CDib to an image file through the GDI+ encoder of a MIME type
// (JPEG through our own encoder, which honours the quality),
// and what the format can keep: per-pixel transparency, and whether an 8-bit
// palettised image may be handed to it.
#pragma once
#include "imaging/Dib.h"
#include "imaging/PngEncoder.h"
#include "platform/GdiPlusGraphics.h"
#include <boost/shared_ptr.hpp>
#include <list>
#include <string>

namespace Gdiplus {

// The encoder parameter block handed to GDI+. Each entry's value pointer
// points into a list node, and list nodes never move, so the block may be
// reallocated as it grows.
class CEncodeParams {
public:
    CEncodeParams() = default;
    virtual ~CEncodeParams();
    CEncodeParams(const CEncodeParams&) = delete;
    CEncodeParams& operator=(const CEncodeParams&) = delete;

    // Grows the block by one zeroed entry; its index, or -1 without memory.
    int AddParameter();
    // EncoderQuality with one long value.
    int AddQuality(ULONG quality);
    // The value of the first EncoderQuality entry; false when there is none.
    bool GetQuality(ULONG& quality) const;
    // Null while no parameter was added.
    EncoderParameters* GetParams() const { return m_block; }

private:
    EncoderParameters* m_block = nullptr;
    std::list<ULONG> m_values;
};

class CImageSaver {
public:
    CLSID m_clsid = {};
    CEncodeParams m_params;
    bool m_alphaCapable = false;
    bool m_paletteCapable = false;
    bool m_png = false;
    int m_maxSide = 0;  // the longest side the format can store; 0 for no limit of ours

    CImageSaver() = default;
    // Looks the encoder up; neither the outcome nor the flags are set.
    explicit CImageSaver(const std::wstring& mimeType);
    CImageSaver(const CImageSaver&) = delete;
    CImageSaver& operator=(const CImageSaver&) = delete;

    // Both flags from the exact text ("image/png", "image/tiff", "image/gif"),
    // then the encoder lookup's result.
    HRESULT SetMimeType(const std::wstring& mimeType);
    const CEncodeParams& GetParams() const { return m_params; }
    // `direct` as for BitmapFromDib; E_FAIL when no bitmap or GDI+ fails.
    // The file is replaced only by a complete image: any failure, of the
    // encoder or of the disk, leaves a file that was there as it was. The
    // PNG saver writes 32-bit and palettised images with the program's own
    // encoder (PngEncoder.h), its pieces run through `parallel`.
    HRESULT Save(const CDib& dib, bool direct, const std::wstring& path,
                 const CParallelFor& parallel = CParallelFor()) const;
    HRESULT SaveImage(Image* image, const std::wstring& path) const;
    // Refuses an image the format cannot store, naming its size, the limit
    // and the file (JPEG: CheckJpegSize).
    void CheckSize(int width, int height, const std::wstring& path) const;
};

// Mix-in of the tasks that write a raster file.
class CHasSaver {
public:
    boost::shared_ptr<CImageSaver> m_saver;
};

} // namespace Gdiplus

// The encoder whose MIME type equals the text exactly; E_FAIL for none.
HRESULT FindEncoderClsid(const std::wstring& mimeType, CLSID* clsid);
// Empty when no encoder serves the format.
boost::shared_ptr<Gdiplus::CImageSaver> CreatePngSaver();
boost::shared_ptr<Gdiplus::CImageSaver> CreateTiffSaver();
boost::shared_ptr<Gdiplus::CImageSaver> CreateJpegSaver(ULONG quality);
