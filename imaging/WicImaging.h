// The Windows Imaging Component as the library uses it: the process-wide
// imaging factory, the classification of WIC pixel formats, and the mapping
// between the image-buffer formats and WIC pixel formats.
#pragma once
#include "imaging/Img.h"
#include <windows.h>
#include <wincodec.h>
#include <cstdint>

namespace wic {

// The one factory of the process, made at start-up on the user-interface
// thread before any window and released after the last (IDS_WIC_CREATE_FACTORY_FAILED).
void CreateImagingFactory();
void ReleaseImagingFactory();
// Null outside the run.
IWICImagingFactory* GetImagingFactory();
// The factory, or IDS_WIC_CREATE_FACTORY_FAILED with CO_E_NOTINITIALIZED when none was made.
IWICImagingFactory& RequireImagingFactory();

// The factory for one scope (start-up, a test).
class CImagingFactoryScope {
public:
    CImagingFactoryScope() { CreateImagingFactory(); }
    ~CImagingFactoryScope() { ReleaseImagingFactory(); }
    CImagingFactoryScope(const CImagingFactoryScope&) = delete;
    CImagingFactoryScope& operator=(const CImagingFactoryScope&) = delete;
};

enum PixelFamily : uint32_t {
    kFamilyUnsupported = 0,  // multi-channel formats
    kFamilyIndexed = 1,
    kFamilyGray = 2,
    kFamilyRgb = 3,
    kFamilyCmyk = 4,
};

struct CPixelFormatDesc {
    GUID guid = {};
    bool hasAlpha = false;
    uint32_t family = kFamilyUnsupported;
    uint32_t bitsPerPixel = 0;
};

// Family, bits and alpha of a WIC pixel format; anything unknown stays
// unsupported with 0 bits.
CPixelFormatDesc ClassifyPixelFormat(const GUID& format);
// The source's format, classified (IDS_WIC_GET_PIXEL_FORMAT_FAILED).
CPixelFormatDesc ReadPixelFormat(IWICBitmapSource* source);
// ICC colour-space signature of a family: "RGB ", "GRAY" or "CMYK".
DWORD FamilyColorSpace(uint32_t family);

// ImgFormat <-> WIC pixel format; IDS_IMAGE_FORMAT_UNSUPPORTED for a format outside the six, and
// false from the reverse lookup for any other GUID.
const GUID& GetImgWicFormat(uint32_t format);
bool GetImgFormatOfWic(const GUID& guid, uint32_t& format);
// The palette translation a conversion into the format uses.
WICBitmapPaletteType GetImgPaletteType(uint32_t format);
// "RGB ", "CMYK" or "GRAY".
DWORD GetImgColorSpace(uint32_t format);

} // namespace wic
