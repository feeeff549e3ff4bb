#include "imaging/ImgLoader.h"
#include "imaging/FormatConverter.h"
#include "imaging/ImgSource.h"
#include "imaging/WicImaging.h"
#include "foundation/ByteStream.h"
#include "foundation/Error.h"
#include "foundation/GlobalMemory.h"
#include "foundation/Stream.h"
#include "resources/strings_foundation_io.h"
#include "resources/strings_wic.h"
#include <algorithm>
#include <climits>
#include <cstring>
#include <new>
#include <vector>

namespace wic {

namespace {

// Pixels of a source copied into the buffer, whose format the source's must be.
void CopySourceToImg(IWICBitmapSource* source, CImg& image)
{
    WICPixelFormatGUID format = {};
    HRESULT hr = source->GetPixelFormat(&format);
    if (FAILED(hr))
        throw my::CException(IDS_WIC_GET_PIXEL_FORMAT_FAILED, hr);
    UINT width = 0, height = 0;
    hr = source->GetSize(&width, &height);
    if (FAILED(hr))
        throw my::CException(IDS_WIC_GET_SIZE_FAILED, hr);
    uint32_t imgFormat = 0;
    if (!GetImgFormatOfWic(format, imgFormat) || imgFormat != image.m_format)
        throw my::CException(IDS_WIC_UNKNOWN_FORMAT, WINCODEC_ERR_UNSUPPORTEDPIXELFORMAT);
    // A buffer must stay addressable by int strides and sizes.
    const unsigned long long stride = (static_cast<unsigned long long>(width) * image.GetBitsPerPixel() + 31) / 32 * 4;
    const unsigned long long total = stride * height;
    if (width > INT_MAX || height > INT_MAX || total > INT_MAX)
        throw my::CException(IDS_WIC_DECODE_FAILED, E_OUTOFMEMORY);
    image.m_w = static_cast<int32_t>(width);
    image.m_h = static_cast<int32_t>(height);
    try {
        image.AllocBits();
    } catch (const std::bad_alloc&) {
        throw my::CException(IDS_WIC_DECODE_FAILED, E_OUTOFMEMORY);
    }
    hr = source->CopyPixels(nullptr, static_cast<UINT>(stride), static_cast<UINT>(total), image.m_bits.data());
    if (FAILED(hr))
        throw my::CException(IDS_WIC_DECODE_FAILED, hr);
}

// The source converted (when its format differs) to the buffer's format and copied.
void DecodePlain(IWICBitmapSource* source, const GUID& sourceFormat, CImg& image)
{
    const GUID& target = GetImgWicFormat(image.m_format);
    CComPtr<IWICFormatConverter> converter;
    IWICBitmapSource* from = source;
    if (!IsEqualGUID(sourceFormat, target)) {
        HRESULT hr = CreateFormatConverter(&converter);
        if (FAILED(hr))
            throw my::CException(IDS_WIC_CREATE_CONVERTER_FAILED, hr);
        hr = converter->Initialize(source, target, WICBitmapDitherTypeNone, nullptr, 0.0,
                                   GetImgPaletteType(image.m_format));
        if (FAILED(hr))
            throw my::CException(IDS_WIC_INIT_CONVERTER_FAILED, hr);
        from = converter;
    }
    CopySourceToImg(from, image);
}

// A buffer of the format decoded from the source.
CImg DecodeAs(IWICBitmapSource* source, const GUID& sourceFormat, uint32_t format)
{
    CImg image(format, 0, 0);
    DecodePlain(source, sourceFormat, image);
    return image;
}

// A source over a buffer, for the WIC objects that read it.
CComPtr<IWICBitmapSource> SourceOver(const CImg& image)
{
    CComPtr<IWICBitmapSource> source;
    source.Attach(CImgSource::Create(&image));
    if (!source)
        throw my::CException(IDS_WIC_DECODE_FAILED, E_OUTOFMEMORY);
    return source;
}

struct CPaletteInfo {
    bool gray = true;
    bool alpha = false;
};

CPaletteInfo ReadPalette(IWICImagingFactory& factory, IWICBitmapFrameDecode* frame)
{
    CComPtr<IWICPalette> palette;
    HRESULT hr = factory.CreatePalette(&palette);
    if (FAILED(hr))
        throw my::CException(IDS_WIC_CREATE_PALETTE_FAILED, hr);
    hr = frame->CopyPalette(palette);
    if (FAILED(hr))
        throw my::CException(IDS_WIC_GET_PALETTE_FAILED, hr);
    BOOL hasAlpha = FALSE;
    hr = palette->HasAlpha(&hasAlpha);
    if (FAILED(hr))
        throw my::CException(IDS_WIC_PALETTE_ALPHA_FAILED, hr);
    UINT count = 0;
    hr = palette->GetColorCount(&count);
    std::vector<WICColor> colors(count);
    if (SUCCEEDED(hr) && count)
        hr = palette->GetColors(count, colors.data(), &count);
    if (FAILED(hr))
        throw my::CException(IDS_WIC_GET_PALETTE_FAILED, hr);
    CPaletteInfo info;
    bool below = false;
    for (UINT i = 0; i < count && i < colors.size(); ++i) {
        const WICColor c = colors[i];
        const BYTE r = static_cast<BYTE>(c >> 16), g = static_cast<BYTE>(c >> 8), b = static_cast<BYTE>(c);
        if (r != g || g != b)
            info.gray = false;
        if ((c >> 24) < 255)
            below = true;
    }
    info.alpha = hasAlpha && below;
    return info;
}

// The frame's colour context when it has a usable one (UsableColorContext).
CComPtr<IWICColorContext> ReadSourceContext(IWICImagingFactory& factory, IWICBitmapFrameDecode* frame)
{
    CComPtr<IWICColorContext> context;
    HRESULT hr = factory.CreateColorContext(&context);
    if (FAILED(hr))
        throw my::CException(IDS_WIC_CREATE_COLOR_CONTEXT_FAILED, hr);
    IWICColorContext* list[1] = {context.Get()};
    UINT actual = 0;
    // A decoder without colour contexts answers with a failure (Wine's JPEG
    // decoder: WINCODEC_ERR_UNSUPPORTEDOPERATION): that is "no context".
    hr = frame->GetColorContexts(1, list, &actual);
    if (FAILED(hr) || actual == 0)
        return CComPtr<IWICColorContext>();
    return UsableColorContext(context);
}

boost::shared_ptr<CColorContext> ToColorContext(IWICColorContext* context)
{
    WICColorContextType type = WICColorContextUninitialized;
    HRESULT hr = context->GetType(&type);
    if (FAILED(hr))
        throw my::CException(IDS_WIC_COLOR_CONTEXT_TYPE_FAILED, hr);
    boost::shared_ptr<CColorContext> out(new CColorContext);
    if (type == WICColorContextProfile) {
        UINT size = 0;
        hr = context->GetProfileBytes(0, nullptr, &size);
        std::vector<uint8_t> bytes(size);
        if (SUCCEEDED(hr) && size)
            hr = context->GetProfileBytes(size, bytes.data(), &size);
        if (FAILED(hr))
            throw my::CException(IDS_WIC_PROFILE_BYTES_FAILED, hr);
        bytes.resize(std::min<size_t>(size, bytes.size()));
        out->TakeProfile(bytes);
    } else if (type == WICColorContextExifColorSpace) {
        UINT space = 0;
        hr = context->GetExifColorSpace(&space);
        if (FAILED(hr))
            throw my::CException(IDS_WIC_EXIF_COLOR_SPACE_FAILED, hr);
        out->SetExifColorSpace(space);
    } else {
        throw my::CException(IDS_WIC_UNKNOWN_COLOR_CONTEXT_TYPE, L"ConvertCc");
    }
    return out;
}

// The profile colours entering a transform are read with: the frame's own,
// or the default of the entering format's colour space.
CColorProfilePtr SourceProfile(const boost::shared_ptr<CColorContext>& own, uint32_t enteringFormat)
{
    if (own)
        return CColorProfile::FromColorContext(own);
    CColorProfilePtr profile = DefaultProfileForColorSpace(GetImgColorSpace(enteringFormat));
    if (!profile)
        throw my::CException(IDS_ICM_DEFAULT_PROFILE_FAILED, ImgFormatName(enteringFormat));
    return profile;
}

COLORTYPE TransformColorType(uint32_t format)
{
    switch (format) {
    case CMYK32:
    case CMYKA40: return COLOR_CMYK;
    case MONO8: return COLOR_GRAY;
    default: return COLOR_RGB;
    }
}

inline WORD Wide(BYTE v) { return static_cast<WORD>(v * 257); }
inline BYTE Narrow16(WORD v) { return static_cast<BYTE>((v + 128) / 257); }

// The buffer's colours carried from one profile to another into a buffer of
// `outFormat` (BGRA32, BGR24 or CMYK32). The input may be any of BGRA32,
// BGR24, CMYK32, CMYKA40 (its inks) and MONO8. Alpha is carried from an
// input with alpha, else opaque. Colours go through the named fields of
// COLOR records: Wine's TranslateBitmapBits mixes up the byte order of the
// CMYK bitmap formats.
CImg TransformImg(const CImg& in, const CColorProfile& from, uint32_t outFormat, const CColorProfile& to)
{
    CColorTransform transform;
    HRESULT hr = transform.Create(from.GetHandle(), to.GetHandle());
    if (FAILED(hr))
        throw my::CException(IDS_WIC_CREATE_COLOR_TRANSFORM_FAILED, hr);
    CImg out(outFormat, in.m_w, in.m_h);
    out.m_dpiX = in.m_dpiX;
    out.m_dpiY = in.m_dpiY;
    out.AllocBits();
    const int w = in.m_w;
    const int inBytes = in.GetBytesPerPixel(), outBytes = out.GetBytesPerPixel();
    const COLORTYPE inType = TransformColorType(in.m_format), outType = TransformColorType(outFormat);
    const int inAlpha = in.GetAlphaIndex(), outAlpha = out.GetAlphaIndex();
    std::vector<COLOR> colors(static_cast<size_t>(w) + 1), results(static_cast<size_t>(w) + 1);
    for (int y = 0; y < in.m_h; ++y) {
        const BYTE* src = in.Row(y);
        for (int x = 0; x < w; ++x) {
            const BYTE* p = src + static_cast<size_t>(x) * inBytes;
            COLOR& c = colors[x];
            if (inType == COLOR_CMYK) {
                c.cmyk.cyan = Wide(p[0]);
                c.cmyk.magenta = Wide(p[1]);
                c.cmyk.yellow = Wide(p[2]);
                c.cmyk.black = Wide(p[3]);
            } else if (inType == COLOR_GRAY) {
                c.gray.gray = Wide(p[0]);
            } else {
                c.rgb.red = Wide(p[2]);
                c.rgb.green = Wide(p[1]);
                c.rgb.blue = Wide(p[0]);
            }
        }
        if (w > 0) {
            hr = transform.TranslateColors(colors.data(), static_cast<DWORD>(w), inType, results.data(), outType);
            if (FAILED(hr))
                throw my::CException(IDS_WIC_INIT_COLOR_TRANSFORM_FAILED, hr);
        }
        BYTE* dst = out.Row(y);
        for (int x = 0; x < w; ++x) {
            BYTE* p = dst + static_cast<size_t>(x) * outBytes;
            const COLOR& c = results[x];
            if (outType == COLOR_CMYK) {
                p[0] = Narrow16(c.cmyk.cyan);
                p[1] = Narrow16(c.cmyk.magenta);
                p[2] = Narrow16(c.cmyk.yellow);
                p[3] = Narrow16(c.cmyk.black);
            } else {
                p[0] = Narrow16(c.rgb.blue);
                p[1] = Narrow16(c.rgb.green);
                p[2] = Narrow16(c.rgb.red);
            }
            if (outAlpha >= 0)
                p[outAlpha] = inAlpha >= 0 ? src[static_cast<size_t>(x) * inBytes + inAlpha] : 255;
        }
    }
    return out;
}

// The colour path: the frame decoded and carried into the target profile,
// by the frame's family and the result's format.
void LoadColorManaged(IWICBitmapFrameDecode* frame, const GUID& frameFormat, uint32_t family,
                      const boost::shared_ptr<CColorContext>& own, const CColorProfile& target, CImg& result)
{
    const uint32_t format = result.m_format;
    const bool gray = family == kFamilyGray, cmyk = family == kFamilyCmyk;
    if (!gray && !cmyk) {
        if (format == BGRA32 || format == BGR24) {
            const CImg plain = DecodeAs(frame, frameFormat, format);
            result = TransformImg(plain, *SourceProfile(own, format), format, target);
        } else if (format == CMYK32) {
            const CImg plain = DecodeAs(frame, frameFormat, BGR24);
            result = TransformImg(plain, *SourceProfile(own, BGR24), CMYK32, target);
        } else {
            const CImg plain = DecodeAs(frame, frameFormat, BGRA32);
            const CImg inks = TransformImg(plain, *SourceProfile(own, BGRA32), CMYK32, target);
            result = CImg(CMYKA40, plain.m_w, plain.m_h);
            result.AllocBits();
            CopyImgChannels(SourceOver(inks), result, 0, 3, 0, 3);
            CopyImgChannels(SourceOver(plain), result, 3, 3, 4, 4);
        }
        return;
    }
    if (gray && format != CMYKA40) {
        if (own) {
            const CImg plain = DecodeAs(frame, frameFormat, MONO8);
            result = TransformImg(plain, *SourceProfile(own, MONO8), format, target);
        } else {
            const CImg plain = DecodeAs(frame, frameFormat, format);
            result = TransformImg(plain, *SourceProfile(own, format), format, target);
        }
        return;
    }
    if (gray && own) {
        const CImg plain = DecodeAs(frame, frameFormat, MONO8);
        const CImg inks = TransformImg(plain, *SourceProfile(own, MONO8), CMYK32, target);
        DecodePlain(SourceOver(inks), GUID_WICPixelFormat32bppCMYK, result);
        return;
    }
    switch (format) {
    case CMYKA40: {
        DecodePlain(frame, frameFormat, result);
        const CImg plain = DecodeAs(frame, frameFormat, CMYK32);
        const CImg inks = TransformImg(plain, *SourceProfile(own, CMYK32), CMYK32, target);
        CopyImgChannels(SourceOver(inks), result, 0, 3, 0, 3);
        break;
    }
    case BGRA32: {
        const CImg plain = DecodeAs(frame, frameFormat, CMYKA40);
        result = TransformImg(plain, *SourceProfile(own, CMYK32), BGRA32, target);
        break;
    }
    default: {
        const CImg plain = DecodeAs(frame, frameFormat, CMYK32);
        result = TransformImg(plain, *SourceProfile(own, CMYK32), format, target);
        break;
    }
    }
}

bool Accepts(uint32_t mask, uint32_t format) { return (mask >> format & 1u) != 0; }

} // namespace

CComPtr<IWICColorContext> UsableColorContext(IWICColorContext* context)
{
    WICColorContextType type = WICColorContextUninitialized;
    if (!context || FAILED(context->GetType(&type)))
        return CComPtr<IWICColorContext>();
    if (type == WICColorContextProfile)
        return context;
    UINT space = 0;
    if (type == WICColorContextExifColorSpace && SUCCEEDED(context->GetExifColorSpace(&space)) && space < 3)
        return context;
    return CComPtr<IWICColorContext>();
}

uint32_t ChooseImgFormat(uint32_t family, uint32_t bits, bool alpha, uint32_t mask)
{
    // Each order lists (format, condition) pairs; the first accepted wins.
    struct CStep {
        uint32_t format;
        bool when;
    };
    const CStep gray[] = {{BGRA32, alpha}, {CMYKA40, alpha}, {MONO1, bits == 1}, {MONO8, true}, {BGR24, true},
                          {BGRA32, !alpha}, {CMYK32, true}, {CMYKA40, !alpha}, {MONO1, bits > 1}};
    const CStep rgb[] = {{BGRA32, alpha}, {CMYKA40, alpha}, {BGR24, true}, {BGRA32, !alpha},
                         {CMYK32, true},  {CMYKA40, !alpha}, {MONO8, true}, {MONO1, true}};
    const CStep cmyk[] = {{CMYKA40, alpha}, {BGRA32, alpha}, {CMYK32, true}, {CMYKA40, !alpha},
                          {BGR24, true},    {BGRA32, !alpha}, {MONO8, true}, {MONO1, true}};
    const CStep* steps = nullptr;
    size_t count = 0;
    if (family == kFamilyGray) {
        steps = gray;
        count = sizeof gray / sizeof gray[0];
    } else if (family == kFamilyRgb || family == kFamilyIndexed) {
        steps = rgb;
        count = sizeof rgb / sizeof rgb[0];
    } else if (family == kFamilyCmyk) {
        steps = cmyk;
        count = sizeof cmyk / sizeof cmyk[0];
    }
    for (size_t i = 0; i < count; ++i)
        if (steps[i].when && Accepts(mask, steps[i].format))
            return steps[i].format;
    throw my::CException(IDS_WIC_UNKNOWN_FORMAT, WINCODEC_ERR_UNSUPPORTEDPIXELFORMAT);
}

void CImgLoader::Load(boost::shared_ptr<CImg>& result, IStream* stream)
{
    IWICImagingFactory& factory = RequireImagingFactory();
    CComPtr<IWICBitmapDecoder> decoder;
    HRESULT hr = factory.CreateDecoderFromStream(stream, nullptr, WICDecodeMetadataCacheOnDemand, &decoder);
    if (FAILED(hr))
        throw my::CException(IDS_WIC_CREATE_DECODER_FAILED, hr);
    CComPtr<IWICBitmapFrameDecode> frame;
    hr = decoder->GetFrame(0, &frame);
    if (FAILED(hr))
        throw my::CException(IDS_WIC_GET_FRAME_FAILED, hr);
    CComPtr<IWICColorContext> sourceContext = ReadSourceContext(factory, frame);

    const CPixelFormatDesc desc = ReadPixelFormat(frame);
    uint32_t family = desc.family;
    bool alpha = desc.hasAlpha;
    if (family == kFamilyIndexed) {
        const CPaletteInfo palette = ReadPalette(factory, frame);
        family = palette.gray && !sourceContext ? kFamilyGray : kFamilyRgb;
        alpha = palette.alpha;
    }
    if (family == kFamilyUnsupported)
        throw my::CException(IDS_WIC_UNKNOWN_FORMAT, WINCODEC_ERR_UNSUPPORTEDPIXELFORMAT);
    const uint32_t format = ChooseImgFormat(family, desc.bitsPerPixel, alpha, m_formats);
    const DWORD space = GetImgColorSpace(format);
    const CColorProfilePtr target =
        space == kColorSpaceRgb ? m_rgbTarget : (space == kColorSpaceCmyk ? m_cmykTarget : CColorProfilePtr());

    result.reset(new CImg(format, 0, 0));
    CImg& image = *result;
    if (!target) {
        DecodePlain(frame, desc.guid, image);
    } else {
        const boost::shared_ptr<CColorContext> own =
            sourceContext ? ToColorContext(sourceContext) : boost::shared_ptr<CColorContext>();
        LoadColorManaged(frame, desc.guid, family, own, *target, image);
    }
    double dpiX = 0, dpiY = 0;
    if (SUCCEEDED(frame->GetResolution(&dpiX, &dpiY))) {
        image.m_dpiX = dpiX;
        image.m_dpiY = dpiY;
    }
    image.m_cc.reset();
    if (!(m_options & kNoColorContext)) {
        if (target) {
            image.m_cc.reset(new CColorContext);
            image.m_cc->SetProfile(target->GetBytes());
        } else if (sourceContext && FamilyColorSpace(family) == space) {
            image.m_cc = ToColorContext(sourceContext);
        }
    }
    OrientImg(image, m_orientation);
}

void CImgLoader::LoadFromResource(boost::shared_ptr<CImg>& result, int id)
{
    CComPtr<IStream> stream;
    const HRESULT hr = CreateStreamOnResource(stream, MAKEINTRESOURCEW(id), L"IMAGE");
    if (FAILED(hr))
        ThrowResourceDataMissing(hr, L"IMAGE", NumberToWString(id));
    Load(result, stream);
}

void CImgLoader::LoadFromPackedDib(boost::shared_ptr<CImg>& result, const void* data, size_t size)
{
    if (!data || size < sizeof(BITMAPINFOHEADER))
        throw my::CException(IDS_CLIPBOARD_DATA_SIZE_INVALID);
    BITMAPINFOHEADER header;
    std::memcpy(&header, data, sizeof header);
    if (header.biSize < sizeof(BITMAPINFOHEADER) || header.biSize > size || size > 0xFFFFFFF0u - 14)
        throw my::CException(IDS_CLIPBOARD_DATA_SIZE_INVALID);
    // The bits follow the header, the masks (inside V4 and V5 headers, after
    // a 40-byte one) and the colour table; an embedded profile placed there
    // comes before them, one placed after the bits does not move them.
    unsigned long long masks = 0;
    if (header.biSize == sizeof(BITMAPINFOHEADER))
        masks = header.biCompression == BI_BITFIELDS ? 3 : (header.biCompression == 6 ? 4 : 0);  // 6: alpha bitfields
    const unsigned long long table =
        header.biBitCount <= 8 ? (header.biClrUsed ? header.biClrUsed : 1ull << header.biBitCount) : header.biClrUsed;
    unsigned long long bits = header.biSize + 4 * (masks + table);
    if (header.biSize >= sizeof(BITMAPV5HEADER)) {
        BITMAPV5HEADER v5;
        std::memcpy(&v5, data, sizeof v5);
        if (v5.bV5CSType == 0x4D424544 /* "MBED": embedded profile */ && v5.bV5ProfileData && v5.bV5ProfileSize &&
            v5.bV5ProfileData <= bits)
            bits = std::max<unsigned long long>(bits, static_cast<unsigned long long>(v5.bV5ProfileData) +
                                                          v5.bV5ProfileSize);
    }
    // A file header and the packed DIB; the offset of the bits comes from a
    // header that may be damaged, and the stream must not read beyond its
    // end when the decoder seeks there (see ByteStream.h).
    std::vector<BYTE> bytes(size + 14);
    BITMAPFILEHEADER file = {};
    file.bfType = 0x4D42;  // "BM"
    file.bfSize = static_cast<DWORD>(size + 14);
    file.bfOffBits = static_cast<DWORD>(std::min<unsigned long long>(bits + 14, 0xFFFFFFFFu));
    std::memcpy(bytes.data(), &file, 14);
    std::memcpy(bytes.data() + 14, data, size);
    CComPtr<IStream> stream;
    const HRESULT hr = CreateByteStream(stream, std::move(bytes));
    if (FAILED(hr))
        throw my::CException(IDS_OPEN_MEMORY_STREAM_FAILED, hr);
    Load(result, stream);
}

void CImgLoader::LoadFromGlobal(boost::shared_ptr<CImg>& result, HGLOBAL block)
{
    void* p = nullptr;
    CGlobalLocker lock(p, block);
    if (!p)
        ThrowLastError(IDS_GLOBAL_LOCK_FAILED);
    LoadFromPackedDib(result, p, ::GlobalSize(block));
}

boost::shared_ptr<CImg> CResourceImgCache::Get(int id)
{
    auto found = m_images.find(id);
    if (found != m_images.end())
        return found->second;
    boost::shared_ptr<CImg> image;
    m_loader.LoadFromResource(image, id);
    if (image)
        m_images[id] = image;
    return image;
}

void OrientImg(CImg& image, uint32_t orientation)
{
    if (orientation < 2 || orientation > 8)
        return;
    const int w = image.m_w, h = image.m_h;
    const bool swap = orientation >= 5;
    CImg out;
    out.CopyHeader(image);
    if (swap) {
        out.m_w = h;
        out.m_h = w;
        std::swap(out.m_dpiX, out.m_dpiY);
    }
    out.AllocBits();
    const int bytes = image.GetBytesPerPixel();
    const bool packed = image.GetBitsPerPixel() == 1;
    for (int y = 0; y < h; ++y) {
        const BYTE* in = image.Row(y);
        for (int x = 0; x < w; ++x) {
            int X = x, Y = y;
            switch (orientation) {
            case 2: X = w - 1 - x; break;
            case 3: X = w - 1 - x; Y = h - 1 - y; break;
            case 4: Y = h - 1 - y; break;
            case 5: X = y; Y = x; break;
            case 6: X = h - 1 - y; Y = x; break;
            case 7: X = h - 1 - y; Y = w - 1 - x; break;
            default: X = y; Y = w - 1 - x; break;
            }
            BYTE* row = out.Row(Y);
            if (packed) {
                if (in[x / 8] & (0x80 >> (x % 8)))
                    row[X / 8] |= static_cast<BYTE>(0x80 >> (X % 8));
            } else {
                std::memcpy(row + static_cast<size_t>(X) * bytes, in + static_cast<size_t>(x) * bytes, bytes);
            }
        }
    }
    image.Swap(out);
}

void CopyImgChannels(IWICBitmapSource* source, CImg& image, int sourceFirst, int sourceLast, int targetFirst,
                     int targetLast)
{
    UINT width = 0, height = 0;
    HRESULT hr = source->GetSize(&width, &height);
    if (FAILED(hr))
        throw my::CException(IDS_WIC_GET_SIZE_FAILED, hr);
    const CPixelFormatDesc desc = ReadPixelFormat(source);
    const int sourceBytes = static_cast<int>(desc.bitsPerPixel / 8), targetBytes = image.GetBytesPerPixel();
    const bool fits = static_cast<int>(width) == image.m_w && static_cast<int>(height) == image.m_h &&
                      desc.bitsPerPixel % 8 == 0 && sourceBytes > 0 && targetBytes > 0 && sourceFirst >= 0 &&
                      targetFirst >= 0 && sourceFirst <= sourceLast && targetFirst <= targetLast &&
                      sourceLast - sourceFirst == targetLast - targetFirst && sourceLast < sourceBytes &&
                      targetLast < targetBytes;
    if (!fits)
        throw my::CException(IDS_WIC_COPY_CHANNELS_FAILED, E_INVALIDARG);
    const int count = sourceLast - sourceFirst + 1;
    const UINT rowSize = (width * sourceBytes + 3) & ~3u;
    std::vector<BYTE> row(rowSize);
    for (UINT y = 0; y < height; ++y) {
        const WICRect one = {0, static_cast<INT>(y), static_cast<INT>(width), 1};
        hr = source->CopyPixels(&one, rowSize, rowSize, row.data());
        if (FAILED(hr))
            throw my::CException(IDS_WIC_DECODE_FAILED, hr);
        BYTE* out = image.Row(static_cast<int>(y));
        for (UINT x = 0; x < width; ++x)
            std::memcpy(out + x * targetBytes + targetFirst, row.data() + x * sourceBytes + sourceFirst, count);
    }
}

CComPtr<IWICBitmapScaler> CreateImgScaler(IWICBitmapSource* source, UINT width, UINT height,
                                          WICBitmapInterpolationMode mode)
{
    CComPtr<IWICBitmapScaler> scaler;
    HRESULT hr = RequireImagingFactory().CreateBitmapScaler(&scaler);
    if (FAILED(hr))
        throw my::CException(IDS_WIC_CREATE_SCALER_FAILED, hr);
    hr = scaler->Initialize(source, width, height, mode);
    if (FAILED(hr))
        throw my::CException(IDS_WIC_INIT_SCALER_FAILED, hr);
    return scaler;
}

} // namespace wic

void LoadFromFile(CImgLoader& loader, boost::shared_ptr<CImg>& result, const std::wstring& path)
{
    if (path.empty())
        throw my::CException(IDS_PATH_EMPTY);
    CComPtr<IStream> stream;
    OpenFileStream(stream, path);
    loader.Load(result, stream);
}
