#include "imaging/ImgSource.h"
#include "imaging/WicImaging.h"
#include "foundation/Error.h"
#include <cstring>
#include <new>

namespace wic {

CImgSource* CImgSource::Create(const CImg* image)
{
    CComObject<CImgSource>* source = new (std::nothrow) CComObject<CImgSource>();
    if (!source)
        return nullptr;
    source->SetImage(image);
    source->AddRef();
    return source;
}

STDMETHODIMP CImgSource::GetSize(UINT* width, UINT* height)
{
    if (!m_image || !width || !height)
        return E_POINTER;
    *width = static_cast<UINT>(m_image->m_w);
    *height = static_cast<UINT>(m_image->m_h);
    return S_OK;
}

STDMETHODIMP CImgSource::GetPixelFormat(WICPixelFormatGUID* format)
{
    if (!m_image || !format)
        return E_POINTER;
    if (m_image->m_format > MONO1)
        return E_NOTIMPL;
    *format = GetImgWicFormat(m_image->m_format);
    return S_OK;
}

STDMETHODIMP CImgSource::GetResolution(double* dpiX, double* dpiY)
{
    if (!m_image || !dpiX || !dpiY)
        return E_POINTER;
    *dpiX = m_image->m_dpiX;
    *dpiY = m_image->m_dpiY;
    return S_OK;
}

STDMETHODIMP CImgSource::CopyPalette(IWICPalette*)
{
    return WINCODEC_ERR_PALETTEUNAVAILABLE;
}

STDMETHODIMP CImgSource::CopyPixels(const WICRect* rect, UINT stride, UINT bufferSize, BYTE* buffer)
{
    if (!m_image)
        return E_POINTER;
    const CImg& image = *m_image;
    const WICRect whole = {0, 0, image.m_w, image.m_h};
    const WICRect r = rect ? *rect : whole;
    // The rectangle must lie inside the image.
    if (r.X < 0 || r.Y < 0 || r.Width < 0 || r.Height < 0 || static_cast<long long>(r.X) + r.Width > image.m_w ||
        static_cast<long long>(r.Y) + r.Height > image.m_h)
        return E_INVALIDARG;
    const int bits = image.GetBitsPerPixel();
    if (bits == 0)
        return E_NOTIMPL;
    if (r.Width == 0 || r.Height == 0)
        return S_OK;
    const size_t rowBytes = (static_cast<size_t>(bits) * r.Width + 7) / 8;
    const unsigned long long need = static_cast<unsigned long long>(r.Height - 1) * stride + rowBytes;
    if (!buffer || bufferSize < need)
        return E_INVALIDARG;
    const size_t imageStride = static_cast<size_t>(image.GetStride());
    if (image.m_bits.size() < imageStride * image.m_h)
        return E_UNEXPECTED;  // never sized for its header
    const size_t firstByte = static_cast<size_t>(r.X) * bits / 8;
    const int shift = bits == 1 ? r.X % 8 : 0;
    for (int y = 0; y < r.Height; ++y) {
        const BYTE* in = image.Row(r.Y + y) + firstByte;
        BYTE* out = buffer + static_cast<size_t>(y) * stride;
        if (shift == 0) {
            std::memcpy(out, in, rowBytes);
            continue;
        }
        // Pixels that start inside a byte: each output byte gathers the
        // tail of one source byte and the head of the next.
        const size_t available = (static_cast<size_t>(image.m_w) + 7) / 8 - firstByte;
        for (size_t k = 0; k < rowBytes; ++k) {
            const BYTE next = k + 1 < available ? in[k + 1] : 0;
            out[k] = static_cast<BYTE>((in[k] << shift) | (next >> (8 - shift)));
        }
    }
    return S_OK;
}

} // namespace wic
