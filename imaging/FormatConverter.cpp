#include "imaging/FormatConverter.h"
#include "imaging/WicImaging.h"
#include "foundation/Error.h"
#include "platform/ComObject.h"
#include "platform/ComPtr.h"
#include "resources/strings_wic.h"
#include <cmath>
#include <cstring>
#include <new>
#include <vector>

namespace wic {

namespace {

// sRGB-encoded byte -> linear light.
struct CLinearTable {
    double value[256];
    CLinearTable()
    {
        for (int i = 0; i < 256; ++i) {
            const double c = i / 255.0;
            value[i] = c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
        }
    }
};

double EncodeSrgb(double linear)
{
    return linear <= 0.0031308 ? linear * 12.92 : 1.055 * std::pow(linear, 1 / 2.4) - 0.055;
}

enum Mode { kForward, kCmyk, kViaBgra };

// Samples and bytes per sample of the CMYK formats converted here; 0 for others.
int CmykSamples(const GUID& format, int* sampleBytes = nullptr)
{
    const bool wide = IsEqualGUID(format, GUID_WICPixelFormat64bppCMYK) ||
                      IsEqualGUID(format, GUID_WICPixelFormat80bppCMYKAlpha);
    if (sampleBytes)
        *sampleBytes = wide ? 2 : 1;
    if (IsEqualGUID(format, GUID_WICPixelFormat32bppCMYK) || IsEqualGUID(format, GUID_WICPixelFormat64bppCMYK))
        return 4;
    if (IsEqualGUID(format, GUID_WICPixelFormat40bppCMYKAlpha) || IsEqualGUID(format, GUID_WICPixelFormat80bppCMYKAlpha))
        return 5;
    return 0;
}

// Whether the conversion is one of our CMYK copies: into 8-bit CMYK with or
// without alpha, from any other CMYK format.
bool IsOwnCmykCopy(const GUID& from, const GUID& to)
{
    int toBytes = 0;
    return !IsEqualGUID(from, to) && CmykSamples(from) != 0 && CmykSamples(to, &toBytes) != 0 && toBytes == 1;
}

bool IsViaBgraTarget(const GUID& format)
{
    return IsEqualGUID(format, GUID_WICPixelFormat24bppBGR) || IsEqualGUID(format, GUID_WICPixelFormat8bppGray) ||
           IsEqualGUID(format, GUID_WICPixelFormatBlackWhite);
}

UINT TargetBits(const GUID& format)
{
    if (IsEqualGUID(format, GUID_WICPixelFormat24bppBGR))
        return 24;
    if (IsEqualGUID(format, GUID_WICPixelFormat8bppGray))
        return 8;
    if (IsEqualGUID(format, GUID_WICPixelFormatBlackWhite))
        return 1;
    if (IsEqualGUID(format, GUID_WICPixelFormat40bppCMYKAlpha))
        return 40;
    return 32;
}

class CMyFormatConverter : public IWICFormatConverter {
public:
    BEGIN_COM_MAP(CMyFormatConverter)
        COM_INTERFACE_ENTRY(IWICFormatConverter)
    END_COM_MAP()

    CMyFormatConverter()
    {
        const HRESULT hr = RequireImagingFactory().CreateFormatConverter(&m_inner);
        if (FAILED(hr))
            throw my::CException(IDS_WIC_CREATE_CONVERTER_FAILED, hr);
    }
    virtual ~CMyFormatConverter() = default;

    STDMETHODIMP GetSize(UINT* width, UINT* height) override
    {
        if (m_mode == kForward)
            return m_inner->GetSize(width, height);
        if (!width || !height)
            return E_INVALIDARG;
        *width = m_width;
        *height = m_height;
        return S_OK;
    }
    STDMETHODIMP GetPixelFormat(WICPixelFormatGUID* format) override
    {
        if (m_mode == kForward)
            return m_inner->GetPixelFormat(format);
        if (!format)
            return E_INVALIDARG;
        *format = m_target;
        return S_OK;
    }
    STDMETHODIMP GetResolution(double* dpiX, double* dpiY) override
    {
        if (m_mode == kForward)
            return m_inner->GetResolution(dpiX, dpiY);
        return m_source->GetResolution(dpiX, dpiY);
    }
    STDMETHODIMP CopyPalette(IWICPalette*) override { return E_NOTIMPL; }

    STDMETHODIMP CopyPixels(const WICRect* rect, UINT stride, UINT bufferSize, BYTE* buffer) override
    {
        if (m_mode == kForward)
            return m_inner->CopyPixels(rect, stride, bufferSize, buffer);
        try {
            return CopyOwnPixels(rect, stride, bufferSize, buffer);
        } catch (...) {
            return E_OUTOFMEMORY;  // the row buffer; nothing else here throws
        }
    }

    STDMETHODIMP Initialize(IWICBitmapSource* source, REFWICPixelFormatGUID target, WICBitmapDitherType dither,
                            IWICPalette* palette, double alphaThreshold,
                            WICBitmapPaletteType paletteTranslate) override
    {
        m_mode = kForward;
        m_source.Release();
        if (!source)
            return E_INVALIDARG;
        WICPixelFormatGUID from = {};
        HRESULT hr = source->GetPixelFormat(&from);
        if (SUCCEEDED(hr))
            hr = source->GetSize(&m_width, &m_height);
        if (FAILED(hr))
            return hr;
        m_narrowed.Release();
        int fromBytes = 0;
        const int fromSamples = CmykSamples(from, &fromBytes);
        if (fromBytes == 2 && !IsEqualGUID(from, target) && !IsOwnCmykCopy(from, target)) {
            // The system converter has no 16-bit CMYK source: the inks are
            // narrowed to 8 bits here, and that is converted on.
            const GUID eight = fromSamples == 5 ? GUID_WICPixelFormat40bppCMYKAlpha : GUID_WICPixelFormat32bppCMYK;
            try {
                hr = CreateFormatConverter(&m_narrowed);
            } catch (const my::CException& e) {
                hr = FAILED(e.code) ? e.code : E_FAIL;  // no exception leaves a COM method
            }
            if (SUCCEEDED(hr))
                hr = m_narrowed->Initialize(source, eight, dither, palette, alphaThreshold, paletteTranslate);
            if (FAILED(hr)) {
                m_narrowed.Release();
                return hr;
            }
            source = m_narrowed;
            from = eight;
        }
        Mode mode = kForward;
        if (IsOwnCmykCopy(from, target))
            mode = kCmyk;
        else if (IsViaBgraTarget(target) && !IsEqualGUID(from, target))
            mode = kViaBgra;
        if (mode == kForward)
            return m_inner->Initialize(source, target, dither, palette, alphaThreshold, paletteTranslate);
        if (mode == kViaBgra) {
            hr = m_inner->Initialize(source, GUID_WICPixelFormat32bppBGRA, WICBitmapDitherTypeNone, nullptr,
                                     alphaThreshold, WICBitmapPaletteTypeCustom);
            if (FAILED(hr))
                return hr;
        }
        m_mode = mode;
        m_source = source;
        m_target = target;
        m_inSamples = CmykSamples(from, &m_inSampleBytes);
        return S_OK;
    }

    STDMETHODIMP CanConvert(REFWICPixelFormatGUID from, REFWICPixelFormatGUID to, BOOL* can) override
    {
        if (!can)
            return E_INVALIDARG;
        if (IsOwnCmykCopy(from, to)) {
            *can = TRUE;
            return S_OK;
        }
        int fromBytes = 0;
        const int fromSamples = CmykSamples(from, &fromBytes);
        if (fromBytes == 2)
            return CanConvert(fromSamples == 5 ? GUID_WICPixelFormat40bppCMYKAlpha : GUID_WICPixelFormat32bppCMYK, to, can);
        if (IsViaBgraTarget(to)) {
            if (IsEqualGUID(from, to) || IsEqualGUID(from, GUID_WICPixelFormat32bppBGRA)) {
                *can = TRUE;
                return S_OK;
            }
            return m_inner->CanConvert(from, GUID_WICPixelFormat32bppBGRA, can);
        }
        return m_inner->CanConvert(from, to, can);
    }

private:
    HRESULT CopyOwnPixels(const WICRect* rect, UINT stride, UINT bufferSize, BYTE* buffer)
    {
        const WICRect whole = {0, 0, static_cast<INT>(m_width), static_cast<INT>(m_height)};
        const WICRect r = rect ? *rect : whole;
        if (r.X < 0 || r.Y < 0 || r.Width < 0 || r.Height < 0 ||
            static_cast<long long>(r.X) + r.Width > static_cast<long long>(m_width) ||
            static_cast<long long>(r.Y) + r.Height > static_cast<long long>(m_height))
            return E_INVALIDARG;
        if (r.Width == 0 || r.Height == 0)
            return S_OK;
        // The caller's buffer must hold every output row: a short one is
        // refused, never overrun.
        const size_t outRow = (static_cast<size_t>(TargetBits(m_target)) * r.Width + 7) / 8;
        if (!buffer || bufferSize < static_cast<unsigned long long>(r.Height - 1) * stride + outRow)
            return E_INVALIDARG;
        const size_t inPixel = m_mode == kCmyk ? static_cast<size_t>(m_inSamples * m_inSampleBytes) : 4;
        const UINT rowSize = static_cast<UINT>((inPixel * r.Width + 3) & ~size_t(3));
        std::vector<BYTE> row(rowSize);
        for (INT y = 0; y < r.Height; ++y) {
            const WICRect one = {r.X, r.Y + y, r.Width, 1};
            IWICBitmapSource* from = m_mode == kViaBgra ? static_cast<IWICBitmapSource*>(m_inner) : m_source.Get();
            const HRESULT hr = from->CopyPixels(&one, rowSize, rowSize, row.data());
            if (FAILED(hr))
                return hr;
            BYTE* out = buffer + static_cast<size_t>(y) * stride;
            const UINT count = static_cast<UINT>(r.Width);
            switch (m_mode) {
            case kCmyk:
                CmykRow(row.data(), out, count);
                break;
            default:
                if (IsEqualGUID(m_target, GUID_WICPixelFormat24bppBGR))
                    BgraRowToBgr(row.data(), out, count);
                else if (IsEqualGUID(m_target, GUID_WICPixelFormat8bppGray))
                    BgraRowToGray(row.data(), out, count);
                else
                    BgraRowToBlackWhite(row.data(), out, count);
                break;
            }
        }
        return S_OK;
    }

    // The inks (and alpha) of one row into 8-bit CMYK: a 16-bit sample
    // (little-endian, as the decoders give it) is rounded to the nearest 8-bit
    // value, so that 257 x v comes back as v; a missing alpha is opaque.
    void CmykRow(const BYTE* in, BYTE* out, UINT count) const
    {
        const int outSamples = CmykSamples(m_target);
        for (UINT i = 0; i < count; ++i, in += m_inSamples * m_inSampleBytes, out += outSamples)
            for (int s = 0; s < outSamples; ++s) {
                if (s >= m_inSamples)
                    out[s] = 255;
                else if (m_inSampleBytes == 1)
                    out[s] = in[s];
                else
                    out[s] = static_cast<BYTE>(((in[2 * s] | in[2 * s + 1] << 8) * 255 + 32767) / 65535);
            }
    }

    CComPtr<IWICFormatConverter> m_inner;
    CComPtr<IWICFormatConverter> m_narrowed;  // a 16-bit CMYK source narrowed to 8 bits
    Mode m_mode = kForward;
    int m_inSamples = 4;
    int m_inSampleBytes = 1;
    CComPtr<IWICBitmapSource> m_source;  // held while an own conversion reads it
    UINT m_width = 0;
    UINT m_height = 0;
    GUID m_target = {};
};

} // namespace

HRESULT CreateFormatConverter(IWICFormatConverter** out)
{
    if (!out)
        return E_POINTER;
    CComObject<CMyFormatConverter>* converter = new (std::nothrow) CComObject<CMyFormatConverter>();
    *out = converter;
    if (!converter)
        return E_OUTOFMEMORY;
    converter->AddRef();
    return S_OK;
}

BYTE GrayOfBgr(BYTE blue, BYTE green, BYTE red)
{
    static const CLinearTable linear;
    const double y = 0.2126 * linear.value[red] + 0.7152 * linear.value[green] + 0.0722 * linear.value[blue];
    const double v = EncodeSrgb(y) * 255.0 + 0.5;
    return static_cast<BYTE>(v >= 255.0 ? 255 : (v <= 0.0 ? 0 : static_cast<int>(v)));
}

void BgraRowToBgr(const BYTE* in, BYTE* out, UINT count)
{
    for (UINT i = 0; i < count; ++i, in += 4, out += 3) {
        out[0] = in[0];
        out[1] = in[1];
        out[2] = in[2];
    }
}

void BgraRowToGray(const BYTE* in, BYTE* out, UINT count)
{
    for (UINT i = 0; i < count; ++i, in += 4)
        out[i] = in[0] == in[1] && in[1] == in[2] ? in[0] : GrayOfBgr(in[0], in[1], in[2]);
}

void BgraRowToBlackWhite(const BYTE* in, BYTE* out, UINT count)
{
    std::memset(out, 0, (count + 7) / 8);
    for (UINT i = 0; i < count; ++i, in += 4) {
        const BYTE gray = in[0] == in[1] && in[1] == in[2] ? in[0] : GrayOfBgr(in[0], in[1], in[2]);
        if (gray >= 128)
            out[i / 8] |= static_cast<BYTE>(0x80 >> (i % 8));
    }
}

} // namespace wic
