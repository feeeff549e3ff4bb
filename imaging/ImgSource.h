// An image buffer offered to the imaging component as an IWICBitmapSource,
// so that encoders, scalers, converters and colour transforms read its
// pixels without a copy. The source does not own the buffer: the buffer
// must outlive every object that reads from it.
#pragma once
#include "imaging/Img.h"
#include "platform/ComObject.h"
#include <windows.h>
#include <wincodec.h>

namespace wic {

class CImgSource : public IWICBitmapSource {
public:
    BEGIN_COM_MAP(CImgSource)
        COM_INTERFACE_ENTRY(IWICBitmapSource)
    END_COM_MAP()

    // A new source with one reference, or null without memory.
    static CImgSource* Create(const CImg* image = nullptr);

    void SetImage(const CImg* image) { m_image = image; }
    const CImg* GetImage() const { return m_image; }

    // E_POINTER without an image, for every method but CopyPalette.
    STDMETHODIMP GetSize(UINT* width, UINT* height) override;
    STDMETHODIMP GetPixelFormat(WICPixelFormatGUID* format) override;
    STDMETHODIMP GetResolution(double* dpiX, double* dpiY) override;
    // Always WINCODEC_ERR_PALETTEUNAVAILABLE.
    STDMETHODIMP CopyPalette(IWICPalette* palette) override;
    // E_INVALIDARG for a rectangle outside the image and for a buffer
    // shorter than (height - 1) x stride + the bytes of one output row.
    STDMETHODIMP CopyPixels(const WICRect* rect, UINT stride, UINT bufferSize, BYTE* buffer) override;

protected:
    CImgSource() = default;
    virtual ~CImgSource() = default;

private:
    const CImg* m_image = nullptr;
};

} // namespace wic
