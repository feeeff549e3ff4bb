#include "imaging/JpegWriter.h"
#include "foundation/Error.h"
#include "resources/strings_imaging.h"
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>
#include <jpeglib.h>

namespace {

// libjpeg reports a fatal error by calling error_exit, which must not
// return; the longjmp leaves the encoder's frame, which holds no C++ object.
struct CJpegError {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
};

void OnJpegError(j_common_ptr info)
{
    std::longjmp(reinterpret_cast<CJpegError*>(info->err)->jump, 1);
}

void OnJpegMessage(j_common_ptr) {}  // warnings are not shown anywhere

// Only plain data lives here (see OnJpegError). The row buffer is the
// caller's; the output block is malloc'ed by libjpeg and freed by the caller.
int EncodeRows(const BYTE* pixels, int width, int height, int stride, int quality, UINT16 dpiX, UINT16 dpiY,
               BYTE* row, unsigned char** block, unsigned long* size)
{
    jpeg_compress_struct info;
    CJpegError error;
    info.err = jpeg_std_error(&error.manager);
    error.manager.error_exit = OnJpegError;
    error.manager.output_message = OnJpegMessage;
    if (setjmp(error.jump)) {
        jpeg_destroy_compress(&info);
        return 0;
    }
    jpeg_create_compress(&info);
    jpeg_mem_dest(&info, block, size);
    info.image_width = static_cast<JDIMENSION>(width);
    info.image_height = static_cast<JDIMENSION>(height);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    info.density_unit = 1;  // dots per inch
    info.X_density = dpiX;
    info.Y_density = dpiY;
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        const BYTE* in = pixels + static_cast<ptrdiff_t>(info.next_scanline) * stride;
        for (int x = 0; x < width; ++x, in += 4) {
            row[x * 3] = in[2];
            row[x * 3 + 1] = in[1];
            row[x * 3 + 2] = in[0];
        }
        JSAMPROW rows[1] = {row};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    return 1;
}

UINT16 Density(double dpi)
{
    return dpi >= 1 && dpi <= 65535 ? static_cast<UINT16>(dpi + 0.5) : 96;
}

} // namespace

static_assert(kJpegMaxSide == JPEG_MAX_DIMENSION, "the limit named to users is libjpeg's");

void CheckJpegSize(int width, int height, const std::wstring& path)
{
    if (width <= kJpegMaxSide && height <= kJpegMaxSide)
        return;
    CSimpleErr err;
    err.Set(IDS_JPEG_SIZE_TOO_LARGE, std::to_wstring(width), std::to_wstring(height), std::to_wstring(kJpegMaxSide),
            path);
    throw my::CException(err);
}

HRESULT EncodeJpeg(std::string& out, const BYTE* pixels, int width, int height, int stride, ULONG quality,
                   double dpiX, double dpiY)
{
    if (!pixels || width <= 0 || height <= 0)
        return E_INVALIDARG;
    CheckJpegSize(width, height);
    std::vector<BYTE> row;
    try {
        row.resize(static_cast<size_t>(width) * 3);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    unsigned char* block = nullptr;
    unsigned long size = 0;
    const int q = quality < 1 ? 1 : (quality > 100 ? 100 : static_cast<int>(quality));
    const int ok = EncodeRows(pixels, width, height, stride, q, Density(dpiX), Density(dpiY), row.data(), &block, &size);
    HRESULT hr = ok ? S_OK : E_FAIL;
    if (ok) {
        try {
            out.assign(reinterpret_cast<const char*>(block), size);
        } catch (const std::bad_alloc&) {
            hr = E_OUTOFMEMORY;
        }
    }
    std::free(block);
    return hr;
}

HRESULT EncodeImageAsJpeg(std::string& out, Gdiplus::Image* image, ULONG quality)
{
    using namespace Gdiplus;
    if (!image)
        return E_INVALIDARG;
    ImageType type = ImageTypeUnknown;
    if (GdipGetImageType(image->Native(), &type) != Ok || type != ImageTypeBitmap)
        return E_INVALIDARG;
    GpBitmap* bitmap = static_cast<GpBitmap*>(image->Native());
    const Rect all(0, 0, static_cast<INT>(image->GetWidth()), static_cast<INT>(image->GetHeight()));
    BitmapData data = {};
    if (GdipBitmapLockBits(bitmap, &all, ImageLockModeRead, PixelFormat32bppARGB, &data) != Ok)
        return E_FAIL;
    const HRESULT hr = EncodeJpeg(out, static_cast<const BYTE*>(data.Scan0), all.Width, all.Height, data.Stride,
                                  quality, image->GetHorizontalResolution(), image->GetVerticalResolution());
    GdipBitmapUnlockBits(bitmap, &data);
    return hr;
}
