#include "imaging/ImageSaver.h"
#include "imaging/GdiPlusBitmap.h"
#include "imaging/JpegWriter.h"
#include "foundation/GlobalMemory.h"
#include "foundation/ReplacingFileWriter.h"
#include "foundation/Stream.h"
#include "platform/ComPtr.h"
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace Gdiplus {

namespace {
const GUID kEncoderQuality = {0x1d5be4b5, 0xfa4a, 0x452d, {0x9c, 0xdd, 0x5d, 0xb3, 0x51, 0x05, 0xe7, 0xeb}};

// The resolution a PNG of the DIB states, in pixels per metre: the DIB's
// own, else the 96 pixels per inch of a bitmap GDI+ makes over a DIB.
void PngResolutionOf(const CDib& dib, unsigned& x, unsigned& y)
{
    const unsigned k96Dpi = static_cast<unsigned>(DpiToPelsPerMeter(96, 0.5));
    const BITMAPINFOHEADER* h = dib.GetHeader();
    const bool own = h && h->biXPelsPerMeter > 0 && h->biYPelsPerMeter > 0;
    x = own ? static_cast<unsigned>(h->biXPelsPerMeter) : k96Dpi;
    y = own ? static_cast<unsigned>(h->biYPelsPerMeter) : k96Dpi;
}
} // namespace

CEncodeParams::~CEncodeParams()
{
    std::free(m_block);
}

int CEncodeParams::AddParameter()
{
    const UINT count = m_block ? m_block->Count : 0;
    const size_t size = offsetof(EncoderParameters, Parameter) + (count + 1) * sizeof(EncoderParameter);
    void* grown = std::realloc(m_block, size);
    if (!grown)
        return -1;
    m_block = static_cast<EncoderParameters*>(grown);
    m_block->Count = count + 1;
    std::memset(&m_block->Parameter[count], 0, sizeof(EncoderParameter));
    return static_cast<int>(count);
}

int CEncodeParams::AddQuality(ULONG quality)
{
    int index = AddParameter();
    if (index < 0)
        return -1;
    m_values.push_back(quality);
    EncoderParameter& p = m_block->Parameter[index];
    p.Guid = kEncoderQuality;
    p.NumberOfValues = 1;
    p.Type = EncoderParameterValueTypeLong;
    p.Value = &m_values.back();
    return index;
}

bool CEncodeParams::GetQuality(ULONG& quality) const
{
    for (UINT i = 0; m_block && i < m_block->Count; ++i) {
        const EncoderParameter& p = m_block->Parameter[i];
        if (IsEqualGUID(p.Guid, kEncoderQuality) && p.NumberOfValues == 1 && p.Value) {
            quality = *static_cast<const ULONG*>(p.Value);
            return true;
        }
    }
    return false;
}

CImageSaver::CImageSaver(const std::wstring& mimeType)
{
    FindEncoderClsid(mimeType, &m_clsid);
}

HRESULT CImageSaver::SetMimeType(const std::wstring& mimeType)
{
    const bool capable = mimeType == L"image/png" || mimeType == L"image/tiff" || mimeType == L"image/gif";
    m_alphaCapable = capable;
    m_paletteCapable = capable;
    m_png = mimeType == L"image/png";
    return FindEncoderClsid(mimeType, &m_clsid);
}

HRESULT CImageSaver::Save(const CDib& dib, bool direct, const std::wstring& path, const CParallelFor& parallel) const
{
    if (m_png && (dib.GetBitCount() == 32 || (dib.GetBitCount() == 8 && dib.GetColorTableCount() > 0))) {
        // GDI+'s encoder works on one thread at its slowest level: the
        // engine's large images would spend most of their time there. The
        // file says what the system's would: the copy path (not `direct`)
        // keeps no alpha, and the resolution goes along.
        CPngOptions options;
        options.opaque = !direct;
        PngResolutionOf(dib, options.pixelsPerMeterX, options.pixelsPerMeterY);
        std::string bytes;
        HRESULT hr = EncodePng(dib, bytes, parallel, options);
        return SUCCEEDED(hr) ? WriteOutputFile(path, bytes.data(), bytes.size()) : hr;
    }
    // The bitmap may share the DIB's pixels; it is released before returning.
    boost::shared_ptr<Bitmap> bitmap = BitmapFromDib(dib, direct);
    if (!bitmap)
        return E_FAIL;
    return SaveImage(bitmap.get(), path);
}

HRESULT CImageSaver::SaveImage(Image* image, const std::wstring& path) const
{
    if (!image)
        return E_INVALIDARG;
    // JPEG is encoded by our own encoder: the system's ignores the quality
    // under Wine. Its default quality is the GDI+ encoder's, 75.
    CLSID jpeg;
    if (SUCCEEDED(FindEncoderClsid(L"image/jpeg", &jpeg)) && IsEqualCLSID(jpeg, m_clsid)) {
        ULONG quality = 75;
        m_params.GetQuality(quality);
        CheckJpegSize(static_cast<int>(image->GetWidth()), static_cast<int>(image->GetHeight()), path);
        std::string bytes;
        const HRESULT encoded = EncodeImageAsJpeg(bytes, image, quality);
        return FAILED(encoded) ? encoded : WriteOutputFile(path, bytes.data(), bytes.size());
    }
    // The encoder writes into memory; the file is then replaced through a
    // checked temporary, so a failing encoder or a full disk never leaves a
    // truncated file in place of the one that was there.
    CComPtr<IStream> stream;
    HRESULT hr = ::CreateStreamOnHGlobal(nullptr, TRUE, &stream);
    if (FAILED(hr))
        return hr;
    Status s = GdipSaveImageToStream(image->Native(), stream, &m_clsid, m_params.GetParams());
    if (s != Ok) {
        image->SetStatus(s);
        return E_FAIL;
    }
    STATSTG stat = {};
    HGLOBAL memory = nullptr;
    hr = stream->Stat(&stat, STATFLAG_NONAME);
    if (SUCCEEDED(hr))
        hr = ::GetHGlobalFromStream(stream, &memory);
    if (FAILED(hr))
        return hr;
    if (stat.cbSize.QuadPart > ::GlobalSize(memory))
        return E_FAIL;
    void* bytes = nullptr;
    const CGlobalLocker lock(bytes, memory);
    if (!bytes && stat.cbSize.QuadPart != 0)
        return E_OUTOFMEMORY;
    return WriteOutputFile(path, bytes, static_cast<size_t>(stat.cbSize.QuadPart));
}

void CImageSaver::CheckSize(int width, int height, const std::wstring& path) const
{
    if (m_maxSide > 0)
        CheckJpegSize(width, height, path);
}

} // namespace Gdiplus

using namespace Gdiplus;

HRESULT FindEncoderClsid(const std::wstring& mimeType, CLSID* clsid)
{
    UINT count = 0, size = 0;
    if (GdipGetImageEncodersSize(&count, &size) != Ok || size == 0 || count == 0)
        return E_FAIL;
    std::vector<BYTE> buffer(size);
    ImageCodecInfo* codecs = reinterpret_cast<ImageCodecInfo*>(buffer.data());
    if (GdipGetImageEncoders(count, size, codecs) != Ok)
        return E_FAIL;
    for (UINT i = 0; i < count; ++i) {
        if (codecs[i].MimeType && mimeType == codecs[i].MimeType) {
            if (clsid)
                *clsid = codecs[i].Clsid;
            return S_OK;
        }
    }
    return E_FAIL;
}

namespace {

boost::shared_ptr<CImageSaver> CreateSaver(const wchar_t* mimeType)
{
    boost::shared_ptr<CImageSaver> saver(new CImageSaver);
    if (FAILED(saver->SetMimeType(mimeType)))
        saver.reset();
    return saver;
}

} // namespace

boost::shared_ptr<CImageSaver> CreatePngSaver()
{
    return CreateSaver(L"image/png");
}

boost::shared_ptr<CImageSaver> CreateTiffSaver()
{
    return CreateSaver(L"image/tiff");
}

boost::shared_ptr<CImageSaver> CreateJpegSaver(ULONG quality)
{
    boost::shared_ptr<CImageSaver> saver = CreateSaver(L"image/jpeg");
    if (saver && saver->m_params.AddQuality(quality) < 0)
        saver.reset();
    if (saver)
        saver->m_maxSide = kJpegMaxSide;
    return saver;
}
