// Decoding image files, resources and packed DIBs into image buffers through
// the imaging component: the first frame, in one of the buffer formats the
// caller accepts (chosen by the frame's family, depth and alpha), with its
// resolution and colour context, optionally carried into a target colour
// profile, and turned upright by an EXIF orientation code.
//
// Under Wine the component's flip-rotator handles only two of the eight
// orientations and its colour transform passes pixels through unchanged, so
// both steps are done here: the orientation on the decoded buffer, the colour
// transform through the system's colour management.
#pragma once
#include "imaging/ColorProfile.h"
#include "imaging/Img.h"
#include "platform/ComPtr.h"
#include <windows.h>
#include <wincodec.h>
#include <boost/shared_ptr.hpp>
#include <cstdint>
#include <map>
#include <string>

// What turns a stream into an image buffer.
class CImgLoader {
public:
    virtual ~CImgLoader() = default;
    virtual void Load(boost::shared_ptr<CImg>& result, IStream* stream) = 0;
};

// A missing path raises IDS_PATH_EMPTY; the file is read as a stream (IDS_OPEN_FILE_FAILED).
void LoadFromFile(CImgLoader& loader, boost::shared_ptr<CImg>& result, const std::wstring& path);

namespace wic {

class CImgLoader : public ::CImgLoader {
public:
    enum { kNoColorContext = 1 };  // options: never attach a colour context

    uint32_t m_options = 0;
    uint32_t m_formats = 63;  // bit n: ImgFormat n may be produced
    CColorProfilePtr m_rgbTarget;
    CColorProfilePtr m_cmykTarget;
    uint32_t m_orientation = 1;  // EXIF code 1 to 8

    // Raises my::CException with the failing step's message; `result` is
    // untouched when the frame cannot be read at all.
    void Load(boost::shared_ptr<CImg>& result, IStream* stream) override;
    // The module resource of type "IMAGE" (IDS_RESOURCE_MISSING when missing).
    void LoadFromResource(boost::shared_ptr<CImg>& result, int id);
    // A header (40 bytes or more), colour table and bits, as on the
    // clipboard (IDS_CLIPBOARD_DATA_SIZE_INVALID below 40 bytes).
    void LoadFromPackedDib(boost::shared_ptr<CImg>& result, const void* data, size_t size);
    void LoadFromGlobal(boost::shared_ptr<CImg>& result, HGLOBAL block);
};

// Decoded "IMAGE" resources by id, as 32-bit BGRA; entries stay while the
// cache lives.
class CResourceImgCache {
public:
    CResourceImgCache() { m_loader.m_formats = 1u << BGRA32; }
    boost::shared_ptr<CImg> Get(int id);

private:
    std::map<int, boost::shared_ptr<CImg>> m_images;
    CImgLoader m_loader;
};

// The context itself when colours can be read with it: an ICC profile, or an
// EXIF colour space below 3 (sRGB, Adobe RGB); else empty (an uncalibrated
// 65535, for one, says nothing about the colours).
CComPtr<IWICColorContext> UsableColorContext(IWICColorContext* context);

// The buffer format for a frame of a family (gray, RGB or CMYK; an indexed
// frame passes the family of its palette), depth and alpha, from the mask of
// accepted formats; IDS_WIC_UNKNOWN_FORMAT when the mask allows none that fits.
uint32_t ChooseImgFormat(uint32_t family, uint32_t bitsPerPixel, bool hasAlpha, uint32_t mask);

// The buffer turned upright for an EXIF orientation code: 2 mirrors left to
// right, 3 turns 180 degrees, 4 mirrors top to bottom, 5 transposes, 6 turns
// 90 degrees clockwise, 7 transverses, 8 turns counter-clockwise; codes 5 to
// 8 swap the sides (and the resolutions). Other codes change nothing.
void OrientImg(CImg& image, uint32_t orientation);

// Bytes sourceFirst..sourceLast of every source pixel into targetFirst..
// targetLast of the buffer's pixel, row by row (IDS_WIC_COPY_CHANNELS_FAILED, IDS_WIC_DECODE_FAILED).
void CopyImgChannels(IWICBitmapSource* source, CImg& image, int sourceFirst, int sourceLast, int targetFirst,
                     int targetLast);

// A scaled view of a source (IDS_WIC_CREATE_SCALER_FAILED, IDS_WIC_INIT_SCALER_FAILED).
CComPtr<IWICBitmapScaler> CreateImgScaler(IWICBitmapSource* source, UINT width, UINT height,
                                          WICBitmapInterpolationMode mode);

} // namespace wic
