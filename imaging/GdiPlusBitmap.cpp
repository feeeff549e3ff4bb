#include "imaging/GdiPlusBitmap.h"
#include "imaging/FormatConverter.h"
#include "imaging/GifLzw.h"
#include "imaging/ImageHeader.h"
#include "imaging/PixelOps.h"
#include "imaging/WicImaging.h"
#include "foundation/Error.h"
#include "foundation/File.h"
#include "foundation/ResourceString.h"
#include "foundation/Stream.h"
#include "foundation/StringUtil.h"
#include "platform/Gdi.h"
#include "platform/Icon.h"
#include "resources/strings_imaging.h"
#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <new>
#include <vector>

using namespace Gdiplus;

namespace {

typedef boost::shared_ptr<Bitmap> BitmapPtr;

// A bitmap pointer that is empty unless GDI+ made the object.
BitmapPtr Made(Bitmap* bitmap)
{
    BitmapPtr p(bitmap);
    if (!p->IsValid())
        p.reset();
    return p;
}

// A palette of 256 entries: the DIB's colour table read as ARGB values, the
// entries past a shorter table transparent black.
class CPalette256 {
public:
    CPalette256(const CDib& dib, UINT flags) : m_bytes(sizeof(ColorPalette) + 255 * sizeof(ARGB), 0)
    {
        ColorPalette* p = Get();
        p->Flags = flags;
        p->Count = 256;
        int n = std::min(dib.GetColorTableCount(), 256);
        if (n > 0)
            std::memcpy(p->Entries, dib.GetColorTable(), n * sizeof(ARGB));
    }
    ColorPalette* Get() { return reinterpret_cast<ColorPalette*>(m_bytes.data()); }
private:
    std::vector<BYTE> m_bytes;
};

const HRESULT kNotEnoughMemory = HRESULT_FROM_WIN32(ERROR_NOT_ENOUGH_MEMORY);  // 0x80070008

} // namespace

// ---------------------------------------------------------------------------

BitmapPtr BitmapFromDib(const CDib& dib, bool direct)
{
    if (!dib.IsValid())
        return BitmapPtr();
    const WORD bits = dib.GetBitCount();
    if (direct && (bits == 32 || bits == 8) && dib.GetHeader()->biCompression == BI_RGB) {
        const int stride = dib.GetWidthBytes();
        const int height = dib.GetAbsHeight();
        // GDI+ reads the rows from the top: a bottom-up DIB is walked backwards
        // from its last stored row.
        const int signedStride = dib.IsBottomUp() ? -stride : stride;
        BitmapPtr bitmap = Made(new Bitmap(dib.GetWidth(), height, signedStride,
                                           bits == 32 ? PixelFormat32bppARGB : PixelFormat8bppIndexed,
                                           dib.GetTopRow()));
        if (bitmap && bits == 8) {
            CPalette256 palette(dib, PaletteFlagsHasAlpha);
            bitmap->SetPalette(palette.Get());
        }
        return bitmap;
    }
    BitmapPtr bitmap(new Bitmap(dib.GetInfo(), dib.GetBits()));
    if (bitmap->GetLastStatus() != Ok || !bitmap->IsValid())
        bitmap.reset();
    return bitmap;
}

BitmapPtr CopyBitmapFromDib(const CDib& dib, bool direct)
{
    if (!dib.IsValid())
        return BitmapPtr();
    const WORD bits = dib.GetBitCount();
    PixelFormat format;
    if (direct && bits == 32)
        format = PixelFormat32bppARGB;
    else if (bits == 8)
        format = PixelFormat8bppIndexed;
    else if (bits == 16)
        format = PixelFormat16bppRGB555;
    else if (bits == 24)
        format = PixelFormat24bppRGB;
    else if (bits == 32)
        format = PixelFormat32bppRGB;
    else
        format = bits;  // GDI+ refuses it
    const int width = dib.GetWidth(), height = dib.GetAbsHeight();
    BitmapPtr bitmap = Made(new Bitmap(width, height, format));
    if (!bitmap)
        return bitmap;
    {
        CBitmapLock lock;
        RECT whole = {0, 0, width, height};
        if (lock.Lock(bitmap.get(), whole, format) != Ok)
            return BitmapPtr();
        const size_t n = std::min<size_t>(dib.GetWidthBytes(), static_cast<size_t>(std::abs(lock.Data().Stride)));
        for (int y = 0; y < height; ++y)
            std::memcpy(lock.Row(y), dib.GetImageRow(y), n);
        if (lock.Unlock() != Ok)
            return BitmapPtr();
    }
    if (bits == 8) {
        CPalette256 palette(dib, direct ? PaletteFlagsHasAlpha : 0);
        bitmap->SetPalette(palette.Get());
    }
    return bitmap;
}

BitmapPtr BitmapFromImg(const CImg& image)
{
    PixelFormat format;
    switch (image.m_format) {
    case BGRA32: format = PixelFormat32bppARGB; break;
    case BGR24: format = PixelFormat24bppRGB; break;
    case MONO8: format = PixelFormat8bppIndexed; break;
    case MONO1: format = PixelFormat1bppIndexed; break;
    default: throw my::CException(IDS_IMAGE_FORMAT_UNSUPPORTED);
    }
    if (image.m_w <= 0 || image.m_h <= 0)
        return BitmapPtr();
    const int stride = image.GetStride();
    if (image.m_bits.size() < static_cast<size_t>(stride) * image.m_h)
        return BitmapPtr();  // GDI+ would read past the rows
    BitmapPtr bitmap = Made(new Bitmap(image.m_w, image.m_h, stride, format,
                                       const_cast<BYTE*>(image.m_bits.data())));
    if (!bitmap)
        return bitmap;
    if (image.m_format == MONO8) {
        std::vector<BYTE> bytes(sizeof(ColorPalette) + 255 * sizeof(ARGB));
        ColorPalette* p = reinterpret_cast<ColorPalette*>(bytes.data());
        p->Flags = 0;
        p->Count = 256;
        for (UINT i = 0; i < 256; ++i)
            p->Entries[i] = 0xFF000000u + i * 0x10000u + i * 0x100u + i;
        bitmap->SetPalette(p);
    } else if (image.m_format == MONO1) {
        std::vector<BYTE> bytes(sizeof(ColorPalette) + sizeof(ARGB));
        ColorPalette* p = reinterpret_cast<ColorPalette*>(bytes.data());
        p->Flags = 0;
        p->Count = 2;
        p->Entries[0] = 0xFF000000u;
        p->Entries[1] = 0xFFFFFFFFu;
        bitmap->SetPalette(p);
    }
    return bitmap;
}

BitmapPtr CreateScaledBitmap(InterpolationMode mode, boost::shared_ptr<Image> source, int width, int height)
{
    if (!source || !source->IsValid())
        return BitmapPtr();
    PixelFormat format = source->GetPixelFormat();
    if (source->GetLastStatus() != Ok)
        return BitmapPtr();
    BitmapPtr bitmap = Made(new Bitmap(width, height, format));
    if (!bitmap)
        return bitmap;
    Graphics graphics(*bitmap);
    if (!graphics.IsValid())
        return BitmapPtr();
    graphics.SetInterpolationMode(mode);
    graphics.SetPixelOffsetMode(PixelOffsetModeHighQuality);
    if (graphics.DrawImage(*source, 0, 0, width, height) != Ok)
        return BitmapPtr();
    return bitmap;
}

BitmapPtr BitmapFromIcon(WORD iconId, int cx, int cy)
{
    CIconHandle icon(static_cast<HICON>(
        ::LoadImageW(GetResourceInstance(), MAKEINTRESOURCEW(iconId), IMAGE_ICON, cx, cy, 0)));
    if (!icon.Get())
        return BitmapPtr();
    ICONINFO info = {};
    if (!::GetIconInfo(icon.Get(), &info))
        return BitmapPtr();
    CBitmapHandle color(info.hbmColor), mask(info.hbmMask);
    if (!color.Get())
        return BitmapPtr();
    BitmapPtr bitmap = Made(new Bitmap(cx, cy, PixelFormat32bppARGB));
    if (!bitmap)
        return bitmap;
    CBitmapLock lock;
    RECT whole = {0, 0, cx, cy};
    if (lock.Lock(bitmap.get(), whole, PixelFormat32bppARGB) != Ok || lock.Data().Stride != cx * 4)
        return BitmapPtr();
    BITMAPINFOHEADER header = {};
    header.biSize = sizeof header;
    header.biWidth = cx;
    header.biHeight = -cy;  // top-down, like the locked rows
    header.biPlanes = 1;
    header.biBitCount = 32;
    header.biCompression = BI_RGB;
    CScreenDC screen;
    int rows = ::GetDIBits(screen, color, 0, cy, lock.Data().Scan0, reinterpret_cast<BITMAPINFO*>(&header),
                           DIB_RGB_COLORS);
    if (rows < cy)
        return BitmapPtr();
    if (lock.Unlock() != Ok)
        return BitmapPtr();
    return bitmap;
}

// ---------------------------------------------------------------------------

namespace {

// The format a file's first bytes name, among those GDI+ decodes; null for
// none of them.
const wchar_t* FormatOfSignature(const BYTE* b, ULONG n)
{
    struct CSignature {
        const char* bytes;
        ULONG size;
        const wchar_t* name;
    };
    static const CSignature signatures[] = {
        {"\x89PNG\r\n\x1A\n", 8, L"PNG"}, {"\xFF\xD8", 2, L"JPEG"},   {"GIF8", 4, L"GIF"},
        {"BM", 2, L"BMP"},                  {"II*\0", 4, L"TIFF"},       {"MM\0*", 4, L"TIFF"},
        {"\0\0\1\0", 4, L"ICO"},           {"\x01\0\0\0", 4, L"EMF"}, {"\xD7\xCD\xC6\x9A", 4, L"WMF"},
    };
    for (const CSignature& s : signatures)
        if (n >= s.size && std::memcmp(b, s.bytes, s.size) == 0)
            return s.name;
    return nullptr;
}

bool ReadAt(IStream* stream, ULONGLONG at, BYTE* to, ULONG size)
{
    LARGE_INTEGER where = {};
    where.QuadPart = static_cast<LONGLONG>(at);
    ULONG got = 0;
    return SUCCEEDED(stream->Seek(where, STREAM_SEEK_SET, nullptr)) && SUCCEEDED(stream->Read(to, size, &got)) &&
           got == size;
}

ULONG Be16(const BYTE* b) { return static_cast<ULONG>(b[0]) << 8 | b[1]; }
ULONG Le16(const BYTE* b) { return static_cast<ULONG>(b[1]) << 8 | b[0]; }
ULONG Be32(const BYTE* b) { return Be16(b) << 16 | Be16(b + 2); }
ULONG Le32(const BYTE* b) { return Le16(b + 2) << 16 | Le16(b); }

// The width and height a PNG, GIF, BMP, JPEG or TIFF header gives (a JPEG's
// first frame header, a TIFF's first directory, a GIF's largest picture:
// ImageHeader.h), read before anything is decoded: under Wine the imaging
// component decodes a whole PNG as it opens it, so it cannot tell the size of
// one too large for memory. A GIF's frames' pixels together, which its
// decoder holds at once, else 0. False for another format or a header cut
// short. The stream is left anywhere.
bool HeaderPixelSize(IStream* stream, ULONG& width, ULONG& height, ULONGLONG& framePixels)
{
    BYTE b[26] = {};
    const wchar_t* format = ReadAt(stream, 0, b, sizeof b) ? FormatOfSignature(b, sizeof b) : nullptr;
    framePixels = 0;
    if (!format)
        return false;
    CStreamWindow file(stream);
    if (std::wcscmp(format, L"JPEG") == 0)
        return JpegFrameSize(file, width, height);
    if (std::wcscmp(format, L"TIFF") == 0)
        return TiffDirectorySize(file, width, height);
    if (std::wcscmp(format, L"GIF") == 0)
        return GifPictureSize(file, width, height, framePixels);
    if (std::wcscmp(format, L"PNG") == 0 && std::memcmp(b + 12, "IHDR", 4) == 0)
        width = Be32(b + 16), height = Be32(b + 20);
    else if (std::wcscmp(format, L"BMP") == 0 && Le32(b + 14) == 12)  // the OS/2 core header
        width = Le16(b + 18), height = Le16(b + 20);
    else if (std::wcscmp(format, L"BMP") == 0 && Le32(b + 18) >= 0x80000000u)  // negative: the decoder says damaged
        return false;
    else if (std::wcscmp(format, L"BMP") == 0)  // a top-down bitmap gives its height negative
        width = Le32(b + 18), height = Le32(b + 22) & 0x80000000u ? 0u - Le32(b + 22) : Le32(b + 22);
    else
        return false;
    return true;
}

CComPtr<IWICBitmapFrameDecode> DecodeFirstFrame(IStream* stream);

// The channels and bits of a pixel of the frame as the imaging component tells them.
bool FramePixelBits(IWICBitmapFrameDecode* frame, UINT& channels, UINT& bits)
{
    WICPixelFormatGUID format = {};
    CComPtr<IWICComponentInfo> info;
    CComPtr<IWICPixelFormatInfo> pixels;
    IWICImagingFactory* factory = wic::GetImagingFactory();
    return frame && factory && SUCCEEDED(frame->GetPixelFormat(&format)) &&
           SUCCEEDED(factory->CreateComponentInfo(format, &info)) &&
           SUCCEEDED(info->QueryInterface(IID_PPV_ARGS(&pixels))) && SUCCEEDED(pixels->GetChannelCount(&channels)) &&
           SUCCEEDED(pixels->GetBitsPerPixel(&bits));
}

// The bytes a pixel of the picture takes as the decoders give it (under
// Wine: grey with alpha and RGBA of 8 bits as 32-bit BGRA, of 16 bits as
// 64-bit RGBA, RGB of 16 bits as 48 bits, CMYK as 32 bits); 3 for what takes
// no more, or cannot be told. A PNG's and a BMP's header say it where it
// always stands, a GIF is a palette's, a JPEG's at most CMYK's (the imaging
// component decodes a whole JPEG, PNG or GIF as it opens it); a TIFF's is
// asked of the imaging component, which reads only its header. The stream
// is left anywhere.
UINT DecodedPixelBytes(IStream* stream)
{
    BYTE b[30] = {};
    const wchar_t* format = ReadAt(stream, 0, b, sizeof b) ? FormatOfSignature(b, sizeof b) : nullptr;
    if (!format || std::wcscmp(format, L"GIF") == 0)
        return 3;
    if (std::wcscmp(format, L"JPEG") == 0)
        return 4;
    if (std::wcscmp(format, L"PNG") == 0) {
        const bool alpha = b[25] == 4 || b[25] == 6, wide = b[24] == 16;
        return alpha ? (wide ? 8 : 4) : b[25] == 2 && wide ? 6 : 3;
    }
    if (std::wcscmp(format, L"BMP") == 0)
        return Le32(b + 14) >= 40 && Le16(b + 28) == 32 ? 4 : 3;
    UINT channels = 0, bits = 0;
    if (std::wcscmp(format, L"TIFF") != 0 || !FramePixelBits(DecodeFirstFrame(stream), channels, bits))
        return 3;
    return std::max(3u, (bits + 7) / 8);
}

// The pixels by which the stream's picture passes its format's bound, as a
// refusal names them ("width x height", or a GIF's frames' pixels
// together), and the bound they pass; empty for a picture within it or
// whose size cannot be read. While a GIF is decoded its decoder holds every
// frame at a byte a pixel (and its extensions: a comment as large as the
// file), and GDI+ an animated GIF's picture at 32 bits beside the DIB's 32:
// the frames' pixels and 8 for each of the picture's may add up to 10 times
// the bound, no more. Here the most that loaded in the window program were
// 4 frames of 15,000 x 15,000, 8 of 13,000 x 13,000 (9 in the render tool)
// and 47 of 8,000 x 8,000 (60 were called damaged); with 500 MB of comments
// 2 of 15,000 x 15,000 (3 ran out of memory), and 5 of 13,000 x 13,000, 27
// of 8,000 x 8,000 and 1,077 of 1,920 x 1,080, the most the room lets
// through, load with them too.
// The stream is left anywhere.
std::wstring PixelsOverBound(IStream* stream, ULONGLONG& bound)
{
    ULONG width = 0, height = 0;
    ULONGLONG frames = 0;
    bound = kMaxImagePixels;
    if (!HeaderPixelSize(stream, width, height, frames))
        return std::wstring();
    bound = MaxImagePixels(DecodedPixelBytes(stream));
    const ULONGLONG pixels = static_cast<ULONGLONG>(width) * height;
    if (pixels > bound)
        return GroupedDigits(width) + L" x " + GroupedDigits(height);
    const ULONGLONG room = 10 * bound - 8 * pixels;
    if (frames <= room)
        return std::wstring();
    bound = room;
    return GroupedDigits(frames);
}

// kImageTooManyPixels for a picture whose header passes its format's bound,
// before anything is decoded; the stream is at its start again.
HRESULT CheckImagePixels(IStream* stream)
{
    ULONGLONG bound = 0;
    const bool over = !PixelsOverBound(stream, bound).empty();
    LARGE_INTEGER start = {};
    stream->Seek(start, STREAM_SEEK_SET, nullptr);
    return over ? kImageTooManyPixels : S_OK;
}

// Why GDI+ refused the stream, in terms a user can act on: GDI+ itself says
// little more than "generic error" (and under Wine nothing more), so the
// stream's first bytes tell an unknown format from a damaged image.
HRESULT ImageFailureCode(Status status, IStream* stream)
{
    if (status == OutOfMemory)
        return E_OUTOFMEMORY;
    BYTE head[8] = {};
    ULONG got = 0;
    LARGE_INTEGER start = {};
    if (!stream || FAILED(stream->Seek(start, STREAM_SEEK_SET, nullptr)) || FAILED(stream->Read(head, sizeof head, &got)))
        return kImageDataDamaged;
    if (got == 0)
        return kImageFileEmpty;
    return FormatOfSignature(head, got) ? kImageDataDamaged : kImageFormatUnknown;
}

// The first frame of a stream, through the imaging component; null when it
// cannot decode the stream either (or no factory was made).
CComPtr<IWICBitmapFrameDecode> DecodeFirstFrame(IStream* stream)
{
    CComPtr<IWICBitmapFrameDecode> frame;
    CComPtr<IWICBitmapDecoder> decoder;
    IWICImagingFactory* factory = wic::GetImagingFactory();
    LARGE_INTEGER start = {};
    if (stream && factory && SUCCEEDED(stream->Seek(start, STREAM_SEEK_SET, nullptr)) &&
        SUCCEEDED(factory->CreateDecoderFromStream(stream, nullptr, WICDecodeMetadataCacheOnDemand, &decoder)))
        decoder->GetFrame(0, &frame);
    return frame;
}

// Whether the frame's pixels can become colours: through our converter (a
// 16-bit CMYK frame into 8-bit CMYK) or the system's (into BGRA).
bool ConvertsFrame(IWICBitmapSource* frame, const GUID& target)
{
    CComPtr<IWICFormatConverter> converter;
    try {
        return SUCCEEDED(wic::CreateFormatConverter(&converter)) &&
               SUCCEEDED(converter->Initialize(frame, target, WICBitmapDitherTypeNone, nullptr, 0.0,
                                               WICBitmapPaletteTypeCustom));
    } catch (const my::CException&) {
        return false;  // no system converter: nothing can be said of the pixels
    }
}

// A 16-bit CMYK frame as GDI+ reads an 8-bit one: GDI+ under Wine reads only
// what the system converter turns into BGRA, which has no 16-bit CMYK
// source; our converter rounds the inks to 8 bits and has the system convert
// those, as it does for an 8-bit file. Both depths of one picture give the
// same colours.
HRESULT DibOfWideCmykFrame(IWICBitmapFrameDecode* frame, boost::shared_ptr<CDib>& dib)
{
    UINT width = 0, height = 0;
    HRESULT hr = frame->GetSize(&width, &height);
    if (FAILED(hr) || width == 0 || height == 0)
        return kImageDataDamaged;
    if (width > INT_MAX / 4 || 4ULL * width * height > INT_MAX)
        return kNotEnoughMemory;
    boost::shared_ptr<CDib> out(new CDib);
    if (!out->CreateWithInfoHeader(static_cast<int>(width), static_cast<int>(height), 32, 0, BI_RGB) || !out->AllocBits())
        return kNotEnoughMemory;
    CComPtr<IWICFormatConverter> converter;
    try {
        hr = wic::CreateFormatConverter(&converter);
    } catch (const my::CException& e) {
        hr = e.code ? e.code : E_FAIL;
    }
    if (SUCCEEDED(hr))
        hr = converter->Initialize(frame, GUID_WICPixelFormat32bppBGRA, WICBitmapDitherTypeNone, nullptr, 0.0,
                                   WICBitmapPaletteTypeCustom);
    for (UINT y = 0; y < height && SUCCEEDED(hr); ++y) {
        const WICRect row = {0, static_cast<INT>(y), static_cast<INT>(width), 1};
        hr = converter->CopyPixels(&row, width * 4, width * 4, out->GetImageRow(static_cast<int>(y)));
    }
    if (FAILED(hr))
        return hr == E_OUTOFMEMORY ? kNotEnoughMemory : kImageDataDamaged;
    double dpiX = 96, dpiY = 96;
    if (FAILED(frame->GetResolution(&dpiX, &dpiY)) || dpiX <= 0 || dpiY <= 0)
        dpiX = dpiY = 96;
    out->GetHeader()->biXPelsPerMeter = DpiToPelsPerMeter(dpiX, 0.5);
    out->GetHeader()->biYPelsPerMeter = DpiToPelsPerMeter(dpiY, 0.5);
    dib = out;
    return S_OK;
}

// What the imaging component makes of a stream GDI+ called damaged: a
// 16-bit CMYK image is read (above); a frame whose pixels nothing here
// converts is "not supported", not damaged; anything else stays damaged.
HRESULT RetryDamagedImage(IStream* stream, boost::shared_ptr<CDib>& dib)
{
    CComPtr<IWICBitmapFrameDecode> frame = DecodeFirstFrame(stream);
    WICPixelFormatGUID format = {};
    if (!frame || FAILED(frame->GetPixelFormat(&format)))
        return kImageDataDamaged;
    if (IsEqualGUID(format, GUID_WICPixelFormat64bppCMYK))
        return DibOfWideCmykFrame(frame, dib);
    return ConvertsFrame(frame, GUID_WICPixelFormat32bppBGRA) ? kImageDataDamaged : kImagePixelFormatUnsupported;
}

// "N channels of B bits" of a file's first frame, for the unsupported-format text.
std::wstring DescribeFramePixels(const std::wstring& path)
{
    CComPtr<IStream> stream;
    UINT channels = 0, bits = 0;
    if (FAILED(CreateStreamFromFile(stream, path, kMaxImageFileBytes)) ||
        !FramePixelBits(DecodeFirstFrame(stream), channels, bits) || channels == 0)
        return std::wstring();
    return CSimpleErr::Format(IDS_IMAGE_PIXEL_CHANNELS, std::to_wstring(channels), std::to_wstring(bits / channels));
}

} // namespace

HRESULT ImageFromStream(boost::shared_ptr<Image>& image, IStream* stream)
{
    Image* made = new (std::nothrow) Image;
    if (!made)
        return E_FAIL;
    image.reset(made);
    GpImage* native = nullptr;
    Status status = GdipLoadImageFromStream(stream, &native);
    made->Attach(native);
    if (made->SetStatus(status) != Ok || !native)
        return ImageFailureCode(status == Ok ? GenericError : status, stream);
    return S_OK;
}

ULONGLONG MaxImagePixels(UINT decodedPixelBytes)
{
    return decodedPixelBytes <= 4 ? kMaxImagePixels : decodedPixelBytes <= 6 ? 13000ull * 13000 : 12000ull * 12000;
}

std::wstring ImageLoadFailureText(HRESULT code, const BYTE* head, size_t size, const std::wstring& detail,
                                  ULONGLONG pixelLimit)
{
    // A size that could not be read again (the file gone or barred since) leaves the limit alone.
    if (code == kImageFileTooLarge)
        return detail.empty() ? CSimpleErr::Format(IDS_IMAGE_FILE_OVER_LIMIT, GroupedDigits(kMaxImageFileBytes))
                              : CSimpleErr::Format(IDS_IMAGE_FILE_TOO_LARGE, detail, GroupedDigits(kMaxImageFileBytes));
    if (code == kImageTooManyPixels)
        return detail.empty() ? CSimpleErr::Format(IDS_IMAGE_PIXELS_OVER_LIMIT, GroupedDigits(pixelLimit))
                              : CSimpleErr::Format(IDS_IMAGE_TOO_MANY_PIXELS, detail, GroupedDigits(pixelLimit));
    if (code == kImageFormatUnknown)
        return LoadResourceString(IDS_IMAGE_FORMAT_UNKNOWN);
    if (code == kImageFileEmpty)
        return LoadResourceString(IDS_IMAGE_FILE_EMPTY);
    const wchar_t* format = head ? FormatOfSignature(head, static_cast<ULONG>(size)) : nullptr;
    if (code == kImageDataDamaged)
        return CSimpleErr::Format(IDS_IMAGE_DATA_DAMAGED, format ? format : L"");
    if (code == kImagePixelFormatUnsupported)
        return CSimpleErr::Format(IDS_IMAGE_PIXEL_FORMAT_UNSUPPORTED, format ? format : L"", detail);
    CSimpleErr err;
    err.code = code;
    return err.GetCodeText();
}

void SetImageLoadError(CSimpleErr& err, UINT id, HRESULT code, const std::wstring& path)
{
    // The format is named again from the file's first bytes, which the
    // failed load no longer holds.
    BYTE head[8] = {};
    DWORD got = 0;
    if (code == kImageDataDamaged || code == kImagePixelFormatUnsupported) {
        CFile file;
        if (FAILED(file.TryOpenRead(path.c_str())) || FAILED(file.TryRead(head, sizeof head, &got)))
            got = 0;
    }
    ULONGLONG bytes = 0;
    std::wstring detail = code == kImagePixelFormatUnsupported ? DescribeFramePixels(path)
                          : code == kImageFileTooLarge && SUCCEEDED(GetFileSizeByPath(path.c_str(), bytes))
                              ? GroupedDigits(bytes)
                              : std::wstring();
    // Walked over the file itself: read whole again, a file of 500 MiB took 0.4 s more and its size in
    // memory. Others may write it, as they could while it was loaded.
    CComPtr<IStream> stream;
    ULONGLONG limit = kMaxImagePixels;
    if (code == kImageTooManyPixels && SUCCEEDED(OpenStream(stream, path.c_str(), STGM_READ | STGM_SHARE_DENY_NONE)))
        detail = PixelsOverBound(stream, limit);
    err.Set(id, ImageLoadFailureText(code, head, got, detail, limit), path);
    err.code = code;
}

HRESULT LoadImageFromFile(boost::shared_ptr<Image>& image, const std::wstring& path)
{
    CComPtr<IStream> stream;
    HRESULT hr = CreateStreamFromFile(stream, path, kMaxImageFileBytes);
    if (SUCCEEDED(hr))
        hr = CheckImagePixels(stream);
    if (SUCCEEDED(hr))
        hr = UndeferGifClearCodes(stream);
    if (FAILED(hr))
        return hr;
    return ImageFromStream(image, stream);
}

HRESULT LoadImageFromResource(boost::shared_ptr<Image>& image, const wchar_t* name, const wchar_t* type)
{
    CComPtr<IStream> stream;
    HRESULT hr = CreateStreamOnResource(stream, name, type);
    if (FAILED(hr))
        return hr;
    return ImageFromStream(image, stream);
}

namespace {

// A picture turned in a copy, where it was not read into its turned places.
HRESULT TurnInCopy(boost::shared_ptr<CDib>& dib)
{
    boost::shared_ptr<CDib> turned;
    const HRESULT hr = RotateByOrientation(turned, *dib, 8);
    dib = turned;
    return hr;
}

} // namespace

HRESULT LoadDibFromFile(boost::shared_ptr<CDib>& dib, const std::wstring& path, bool turned)
{
    CComPtr<IStream> stream;
    HRESULT hr = CreateStreamFromFile(stream, path, kMaxImageFileBytes);
    if (SUCCEEDED(hr))
        hr = CheckImagePixels(stream);
    if (SUCCEEDED(hr))
        hr = UndeferGifClearCodes(stream);
    if (FAILED(hr))
        return hr;
    boost::shared_ptr<Image> image;
    hr = ImageFromStream(image, stream);
    if (hr == kImageDataDamaged) {
        hr = RetryDamagedImage(stream, dib);
        return SUCCEEDED(hr) && turned ? TurnInCopy(dib) : hr;
    }
    if (FAILED(hr))
        return hr;
    return ImageToDib(image.get(), dib, turned);
}

HRESULT LoadDibFromResource(boost::shared_ptr<CDib>& dib, const wchar_t* name, const wchar_t* type)
{
    boost::shared_ptr<Image> image;
    HRESULT hr = LoadImageFromResource(image, name, type);
    if (FAILED(hr))
        return hr;
    return ImageToDib(image.get(), dib);
}

HRESULT DibFromImage(Image* image, const RECT& source, CDib& dib, SIZE destination, InterpolationMode mode)
{
    if (!image || !dib.CreateWithInfoHeader(destination.cx, destination.cy, 32, 0, BI_RGB) || !dib.AllocBits())
        return kNotEnoughMemory;
    dib.Clear();
    BitmapPtr bitmap = BitmapFromDib(dib, true);
    if (!bitmap)
        return kNotEnoughMemory;
    RECT whole = {0, 0, destination.cx, destination.cy};
    if (!DrawImageRectRectI(image, source, bitmap.get(), whole, mode))
        return kNotEnoughMemory;
    return S_OK;
}

namespace {

// A bitmap's pixels read straight into a new 32-bit DIB: drawing it, as a
// metafile is, takes GDI+ a second copy of the whole picture. Turned, strips
// of rows are read and each pixel put where RotateByOrientation's 8 puts it,
// (x, y) at (y, width - 1 - x): no unturned picture beside the turned one.
// A pixel of alpha 0 becomes transparent black, as drawing left it.
HRESULT ReadBitmapPixels(GpBitmap* bitmap, int width, int height, bool turned, CDib& dib)
{
    if (!dib.CreateWithInfoHeader(turned ? height : width, turned ? width : height, 32, 0, BI_RGB) ||
        !dib.AllocBits())
        return kNotEnoughMemory;
    const int strip = turned ? std::min(height, 64) : height;
    std::vector<uint32_t> rows;
    try {
        rows.resize(turned ? static_cast<size_t>(width) * static_cast<size_t>(strip) : 0);
    } catch (const std::bad_alloc&) {
        return kNotEnoughMemory;
    }
    for (int top = 0; top < height; top += strip) {
        const int n = std::min(strip, height - top);
        const Rect part(0, top, width, n);
        BitmapData data = {};
        data.Width = static_cast<UINT>(width);
        data.Height = static_cast<UINT>(n);
        data.Stride = turned ? width * 4 : dib.IsBottomUp() ? -dib.GetWidthBytes() : dib.GetWidthBytes();
        data.PixelFormat = PixelFormat32bppARGB;
        data.Scan0 = turned ? static_cast<void*>(rows.data()) : dib.GetTopRow();
        // A read into our rows: the lock holds nothing once undone.
        if (GdipBitmapLockBits(bitmap, &part, ImageLockModeRead | ImageLockModeUserInputBuf, PixelFormat32bppARGB,
                               &data) != Ok ||
            GdipBitmapUnlockBits(bitmap, &data) != Ok)
            return kNotEnoughMemory;
        for (int x = 0; turned && x < width; ++x) {
            uint32_t* to = reinterpret_cast<uint32_t*>(dib.GetImageRow(width - 1 - x)) + top;
            for (int k = 0; k < n; ++k)
                to[k] = rows[static_cast<size_t>(k) * static_cast<size_t>(width) + static_cast<size_t>(x)];
        }
    }
    for (int y = 0; y < dib.GetAbsHeight(); ++y) {
        uint32_t* row = reinterpret_cast<uint32_t*>(dib.GetImageRow(y));
        for (int x = 0; x < dib.GetWidth(); ++x)
            if (row[x] >> 24 == 0)
                row[x] = 0;
    }
    return S_OK;
}

} // namespace

HRESULT ImageToDib(Image* image, boost::shared_ptr<CDib>& dib, bool turned)
{
    if (!image || !image->IsValid())
        return kNotEnoughMemory;
    const int width = static_cast<int>(image->GetWidth()), height = static_cast<int>(image->GetHeight());
    boost::shared_ptr<CDib> out(new CDib);
    RECT source = {0, 0, width, height};
    SIZE size = {width, height};
    ImageType type = ImageTypeUnknown;
    const bool bitmap = GdipGetImageType(image->Native(), &type) == Ok && type == ImageTypeBitmap;
    HRESULT hr = bitmap ? ReadBitmapPixels(static_cast<GpBitmap*>(image->Native()), width, height, turned, *out)
                        : DibFromImage(image, source, *out, size, InterpolationModeHighQualityBicubic);
    if (FAILED(hr))
        return hr;
    const REAL across = image->GetHorizontalResolution(), down = image->GetVerticalResolution();
    out->GetHeader()->biXPelsPerMeter = DpiToPelsPerMeter(turned ? down : across, 0.5);
    out->GetHeader()->biYPelsPerMeter = DpiToPelsPerMeter(turned ? across : down, 0.5);
    dib = out;
    return turned && !bitmap ? TurnInCopy(dib) : S_OK;
}

void LoadResourceImage(boost::shared_ptr<Image>& image, WORD id)
{
    HRESULT hr = LoadImageFromResource(image, MAKEINTRESOURCEW(id), L"Image");
    if (FAILED(hr)) {
        image.reset();
        throw my::CException(IDS_LOAD_IMAGE_RESOURCE_FAILED);
    }
}

void EnsureResourceImage(boost::shared_ptr<Image>& image, WORD id)
{
    if (image)
        return;
    if (FAILED(LoadImageFromResource(image, MAKEINTRESOURCEW(id), L"Image")))
        image.reset();
}

// ---------------------------------------------------------------------------

boost::shared_ptr<TextureBrush> TextureBrushFromImg(const CImg& image, WrapMode wrap)
{
    BitmapPtr bitmap = BitmapFromImg(image);
    if (!bitmap)
        return boost::shared_ptr<TextureBrush>();
    // The brush keeps its own copy of the image.
    boost::shared_ptr<TextureBrush> brush(new TextureBrush(*bitmap, wrap));
    if (!brush->IsValid())
        brush.reset();
    return brush;
}

boost::shared_ptr<TextureBrush> TextureBrushFromImgAlpha(const CImg& image, WrapMode wrap, float opacity)
{
    BitmapPtr bitmap = BitmapFromImg(image);
    if (!bitmap)
        return boost::shared_ptr<TextureBrush>();
    ColorMatrix matrix = {};
    matrix.m[0][0] = matrix.m[1][1] = matrix.m[2][2] = matrix.m[4][4] = 1.0f;
    matrix.m[3][3] = opacity;
    ImageAttributes attributes;
    if (!attributes.IsValid() || attributes.SetColorMatrix(&matrix) != Ok)
        return boost::shared_ptr<TextureBrush>();
    boost::shared_ptr<TextureBrush> brush(new TextureBrush(*bitmap, &attributes, 0, 0, image.m_w, image.m_h));
    if (!brush->IsValid())
        return boost::shared_ptr<TextureBrush>();
    brush->SetWrapMode(wrap);  // a failure stays recorded in the brush
    return brush;
}

// ---------------------------------------------------------------------------

namespace {

// Moves the offset by whole steps into (-step, 0]; the parity of the number
// of steps tells whether the first tile of that axis is a mirrored one.
void AlignTileOffset(int& offset, int step, bool& odd)
{
    long long k;  // steps taken back: offset - k x step ends in (-step, 0]
    if (offset > 0)
        k = (static_cast<long long>(offset) + step - 1) / step;
    else
        k = -(-static_cast<long long>(offset) / step);
    offset = static_cast<int>(offset - k * step);
    odd = (k < 0 ? -k : k) % 2 == 1;
}

// The tiles over the area once the offsets are aligned; mirrored as for
// DrawImageTiled, null for plain tiles.
HRESULT DrawTiles(Graphics& graphics, Image* tile, Image* const* mirrored, int x, int y, int width, int height,
                  int tileX, int tileY, int tileWidth, int tileHeight, int offsetX, int offsetY)
{
    bool oddX, oddY;
    AlignTileOffset(offsetX, tileWidth, oddX);
    AlignTileOffset(offsetY, tileHeight, oddY);
    int row = oddY ? 1 : 0;
    for (int py = offsetY; py < height; py += tileHeight, ++row) {
        int column = oddX ? 1 : 0;
        for (int px = offsetX; px < width; px += tileWidth, ++column) {
            const bool flipX = mirrored && column % 2 == 1;
            const bool flipY = mirrored && row % 2 == 1;
            // The tile's rectangle cut to the area.
            const int left = std::max(px, 0), top = std::max(py, 0);
            const int right = std::min(px + tileWidth, width), bottom = std::min(py + tileHeight, height);
            if (left >= right || top >= bottom)
                continue;
            const int w = right - left, h = bottom - top;
            // The matching part of the tile, or of its mirrored copy (the
            // copy placed at the tile's position shows the mirrored tile).
            const int sx = left - px, sy = top - py;
            const Point points[3] = {Point(x + left, y + top), Point(x + left + w, y + top), Point(x + left, y + top + h)};
            Status status;
            if (flipX || flipY) {
                Image* copy = mirrored[(flipX ? 1 : 0) | (flipY ? 2 : 0)];
                if (!copy)
                    return E_INVALIDARG;
                status = graphics.DrawImage(*copy, points, sx, sy, w, h, UnitPixel);
            } else {
                status = graphics.DrawImage(*tile, points, tileX + sx, tileY + sy, w, h, UnitPixel);
            }
            if (status != Ok)
                return status == OutOfMemory ? kNotEnoughMemory : E_FAIL;
        }
    }
    return S_OK;
}

// Checks the arguments, then draws with the quality every tiling uses.
HRESULT DrawTilesChecked(Image* target, Image* tile, Image* const* mirrored, int x, int y, int width, int height,
                         int tileX, int tileY, int tileWidth, int tileHeight, int offsetX, int offsetY)
{
    if (x < 0 || y < 0 || width < 0 || height < 0)
        return E_INVALIDARG;
    if (tileWidth < 1 || tileHeight < 1)
        return S_OK;
    Graphics graphics(*target);
    if (!graphics.IsValid())
        return E_FAIL;
    graphics.SetInterpolationMode(InterpolationModeDefault);
    graphics.SetPixelOffsetMode(PixelOffsetModeHighQuality);
    return DrawTiles(graphics, tile, mirrored, x, y, width, height, tileX, tileY, tileWidth, tileHeight, offsetX,
                     offsetY);
}

} // namespace

HRESULT DrawImageTiled(Image* target, Image* tile, bool mirror, int x, int y, int width, int height, int tileX,
                       int tileY, int tileWidth, int tileHeight, int offsetX, int offsetY)
{
    if (!target || !tile)
        return E_INVALIDARG;
    // Mirrored tiles are drawn unflipped from mirrored copies of the tile:
    // GDI+ under Wine places mirrored draws one pixel off.
    BitmapPtr flipped[4];  // by (flip x) | (flip y) << 1; 0 unused
    Image* copies[4] = {};
    if (mirror && tileWidth >= 1 && tileHeight >= 1) {
        static const RotateFlipType kinds[4] = {RotateNoneFlipNone, RotateNoneFlipX, RotateNoneFlipY, RotateNoneFlipXY};
        for (int i = 1; i < 4; ++i) {
            GpBitmap* copy = nullptr;
            if (GdipCloneBitmapAreaI(tileX, tileY, tileWidth, tileHeight, PixelFormat32bppARGB,
                                     static_cast<GpBitmap*>(tile->Native()), &copy) != Ok)
                return E_FAIL;
            flipped[i].reset(new Bitmap(copy));
            if (flipped[i]->RotateFlip(kinds[i]) != Ok)
                return E_FAIL;
            copies[i] = flipped[i].get();
        }
    }
    return DrawTilesChecked(target, tile, mirror ? copies : nullptr, x, y, width, height, tileX, tileY, tileWidth,
                            tileHeight, offsetX, offsetY);
}

HRESULT DrawImageTiled(Image* target, Image* tile, Image* const* mirrored, int x, int y, int width, int height,
                       int tileWidth, int tileHeight, int offsetX, int offsetY)
{
    if (!target || !tile)
        return E_INVALIDARG;
    return DrawTilesChecked(target, tile, mirrored, x, y, width, height, 0, 0, tileWidth, tileHeight, offsetX, offsetY);
}

// ---------------------------------------------------------------------------

bool DrawImageRectRectI(Image* source, const RECT& s, Image* destination, const RECT& d, InterpolationMode mode)
{
    if (!source || !destination)
        return false;
    Graphics graphics(*destination);
    if (!graphics.IsValid())
        return false;
    bool ok = graphics.SetInterpolationMode(mode) == Ok;
    ok = graphics.SetPixelOffsetMode(PixelOffsetModeHighQuality) == Ok && ok;
    Rect dst(d.left, d.top, d.right - d.left, d.bottom - d.top);
    ok = graphics.DrawImage(*source, dst, s.left, s.top, s.right - s.left, s.bottom - s.top, UnitPixel) == Ok && ok;
    return ok;
}

bool DrawImageRectRectF(Image* source, const RectF& s, Image* destination, const RectF& d, InterpolationMode mode)
{
    if (!source || !destination)
        return false;
    Graphics graphics(*destination);
    if (!graphics.IsValid())
        return false;
    bool ok = graphics.SetInterpolationMode(mode) == Ok;
    ok = graphics.SetPixelOffsetMode(PixelOffsetModeHighQuality) == Ok && ok;
    ok = graphics.DrawImage(*source, d, s.X, s.Y, s.Width, s.Height, UnitPixel) == Ok && ok;
    return ok;
}

// ---------------------------------------------------------------------------

void DrawImg(Graphics& graphics, const CImg& image, int x, int y, int width, int height, float opacity)
{
    BitmapPtr bitmap = BitmapFromImg(image);
    if (!bitmap || opacity <= 0)
        return;
    if (opacity < 1) {
        ColorMatrix matrix = {};
        matrix.m[0][0] = matrix.m[1][1] = matrix.m[2][2] = matrix.m[4][4] = 1.0f;
        matrix.m[3][3] = opacity;
        ImageAttributes attributes;
        if (!attributes.IsValid()) {
            graphics.SetStatus(attributes.GetLastStatus());
            return;
        }
        Status s = attributes.SetColorMatrix(&matrix);
        if (s != Ok) {
            graphics.SetStatus(s);
            return;
        }
        graphics.DrawImage(*bitmap, Rect(x, y, width, height), 0, 0, image.m_w, image.m_h, UnitPixel, &attributes);
    } else {
        graphics.DrawImage(*bitmap, x, y, width, height);
    }
}

void DrawImg(Graphics& graphics, const CImg& image, const RECT& rect, float opacity)
{
    DrawImg(graphics, image, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, opacity);
}

void DrawImg(Graphics& graphics, const CImg& image, int x, int y, float opacity)
{
    DrawImg(graphics, image, x, y, image.m_w, image.m_h, opacity);
}

void DrawImgToDC(HDC dc, const CImg& image, int x, int y, int width, int height, float opacity, InterpolationMode mode)
{
    Graphics graphics(dc);
    if (!graphics.IsValid())
        return;
    graphics.SetInterpolationMode(mode);
    DrawImg(graphics, image, x, y, width, height, opacity);
}

void DrawImgToDC(HDC dc, const CImg& image, int x, int y, float opacity, InterpolationMode mode)
{
    DrawImgToDC(dc, image, x, y, image.m_w, image.m_h, opacity, mode);
}

// ---------------------------------------------------------------------------

Status CBitmapLock::Lock(Bitmap* bitmap, const RECT& rect, PixelFormat format)
{
    Rect r(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
    return Lock(bitmap, r, ImageLockModeWrite, format);
}

Status CBitmapLock::Lock(Bitmap* bitmap, const Rect& rect, UINT flags, PixelFormat format)
{
    Unlock();
    if (!bitmap)
        return InvalidParameter;
    Status s = bitmap->LockBits(&rect, flags, format, &m_data);
    if (s == Ok)
        m_bitmap = bitmap;
    return s;
}

Status CBitmapLock::Unlock()
{
    if (!m_bitmap)
        return Ok;
    Status s = m_bitmap->UnlockBits(&m_data);
    if (s == Ok)
        m_bitmap = nullptr;
    return s;
}
