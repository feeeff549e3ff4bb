// The bridge between the program's pixel containers (CDib, CImg) and GDI+:
// bitmaps over or copied from them, images loaded from files, streams and
// resources, texture brushes, tiled drawing and scoped bitmap locks.
// A bitmap made "direct" from a CDib, or made from a CImg, shares the
// container's pixels: the container must outlive it unchanged in size.
#pragma once
#include "imaging/Dib.h"
#include "foundation/Error.h"
#include "imaging/Img.h"
#include "platform/GdiPlusGraphics.h"
#include <boost/shared_ptr.hpp>
#include <objidl.h>
#include <string>

// 32 and 8 bits in direct mode share the DIB's pixels (PixelFormat32bppARGB,
// or 8bppIndexed with the DIB's palette); everything else is copied by GDI+.
// Empty when no bitmap could be made.
boost::shared_ptr<Gdiplus::Bitmap> BitmapFromDib(const CDib& dib, bool direct = true);
// A bitmap that owns a copy of the DIB's pixels.
boost::shared_ptr<Gdiplus::Bitmap> CopyBitmapFromDib(const CDib& dib, bool direct);
// Shares the buffer's rows. Empty for a zero size (or rows that are short);
// throws IDS_IMAGE_FORMAT_UNSUPPORTED for the CMYK formats and unknown ones.
boost::shared_ptr<Gdiplus::Bitmap> BitmapFromImg(const CImg& image);
// The whole source drawn into a new bitmap of the given size.
boost::shared_ptr<Gdiplus::Bitmap> CreateScaledBitmap(Gdiplus::InterpolationMode mode,
                                                      boost::shared_ptr<Gdiplus::Image> source, int width, int height);
// The module's icon at the given size as 32-bit ARGB.
boost::shared_ptr<Gdiplus::Bitmap> BitmapFromIcon(WORD iconId, int cx, int cy);

// Why an image could not be loaded, beyond the system's codes: the data is
// no image GDI+ reads, an image of a known format that is damaged or cut,
// an empty file, an image whose pixel format nothing here converts.
const HRESULT kImageFormatUnknown = static_cast<HRESULT>(0x88982F50);  // WINCODEC_ERR_COMPONENTNOTFOUND
const HRESULT kImageDataDamaged = static_cast<HRESULT>(0x88982F60);    // WINCODEC_ERR_BADIMAGE
const HRESULT kImageFileEmpty = static_cast<HRESULT>(0x88982F61);     // WINCODEC_ERR_BADHEADER
const HRESULT kImagePixelFormatUnsupported = static_cast<HRESULT>(0x88982F80);  // WINCODEC_ERR_UNSUPPORTEDPIXELFORMAT
const HRESULT kImageFileTooLarge = static_cast<HRESULT>(0x800700DF);  // HRESULT_FROM_WIN32(ERROR_FILE_TOO_LARGE)
const HRESULT kImageTooManyPixels = static_cast<HRESULT>(0x88982F51);  // WINCODEC_ERR_IMAGESIZEOUTOFRANGE

// An image file is read whole, and its bytes stay while GDI+ decodes it and
// its pixels are copied into a 32-bit DIB: the three must fit the 32-bit
// address space at once. Here an uncompressed 24-bit BMP of 507 MB and a
// 32-bit one of 529 MB load (8 s), one of 547 MB fails for memory; compressed
// files are far smaller than their pixels. A larger file is refused by its
// size before it is read (2 GiB could not even be held).
const ULONGLONG kMaxImageFileBytes = 512ull << 20;
// Its pixels are held by the decoder, by GDI+ and by the DIB at once, so
// the bound depends on the bytes a decoded pixel takes. Measured in the
// window program with its preview and a save running, and in the render
// tool (tools/texture-bound.sh), the largest square that draws as a texture:
// 16,000 pixels a side for RGB of 8 bits a channel, 15,500 for grey PNGs and
// 32-bit pictures (RGBA, grey with alpha, CMYK), 13,500 for RGB of 16 bits a
// channel, 12,500 for RGBA and grey with alpha of 16 bits; each bound is a
// step of 500 below, room for more fonts and a longer text. A PNG, JPEG,
// GIF, BMP or TIFF whose header gives more pixels than its format's bound is
// refused by its size before it is decoded (the decoder called a PNG of
// 20,000 x 20,000 damaged), and so is a GIF whose frames together leave no
// room for its picture (the decoder holds every frame).
const ULONGLONG kMaxImagePixels = 15000ull * 15000;
// The bound for a picture whose decoded pixels take this many bytes each
// (kMaxImagePixels up to 4).
ULONGLONG MaxImagePixels(UINT decodedPixelBytes);

// E_FAIL when no object could be made; when GDI+ refuses the data,
// E_OUTOFMEMORY or one of the codes above (the out pointer then holds the
// failed object and must not be used).
HRESULT ImageFromStream(boost::shared_ptr<Gdiplus::Image>& image, IStream* stream);
// The reason for a failed load as a user reads it: the texts of the codes
// above (the format of a damaged or unsupported image named from the file's
// first bytes, when given; `detail` describing the unsupported pixels, or the
// size of a file or picture too large, if known), else the system's text of the code.
std::wstring ImageLoadFailureText(HRESULT code, const BYTE* head = nullptr, size_t size = 0,
                                  const std::wstring& detail = std::wstring(),
                                  ULONGLONG pixelLimit = kMaxImagePixels);
// The message id filled with that reason and the file's path (its format
// and size read again from the file), with the code kept.
void SetImageLoadError(CSimpleErr& err, UINT id, HRESULT code, const std::wstring& path);
HRESULT LoadImageFromFile(boost::shared_ptr<Gdiplus::Image>& image, const std::wstring& path);
HRESULT LoadImageFromResource(boost::shared_ptr<Gdiplus::Image>& image, const wchar_t* name, const wchar_t* type);
// A file GDI+ calls damaged is tried again through the imaging component:
// a 16-bit CMYK image is read (as its 8-bit equivalent), a pixel format that
// cannot be converted is kImagePixelFormatUnsupported. `turned`: the picture
// turned a quarter as RotateByOrientation's orientation 8 turns it (vertical
// text's texture), a bitmap's pixels read into their turned places.
HRESULT LoadDibFromFile(boost::shared_ptr<CDib>& dib, const std::wstring& path, bool turned = false);
HRESULT LoadDibFromResource(boost::shared_ptr<CDib>& dib, const wchar_t* name, const wchar_t* type);
// A new 32-bit DIB of the image's size, pixels and resolution (turned as above).
HRESULT ImageToDib(Gdiplus::Image* image, boost::shared_ptr<CDib>& dib, bool turned = false);
// The image's source rectangle drawn into a new zeroed 32-bit DIB of the
// destination size; 0x80070008 when that fails.
HRESULT DibFromImage(Gdiplus::Image* image, const RECT& source, CDib& dib, SIZE destination,
                     Gdiplus::InterpolationMode mode);
// The resource of type "Image"; throws IDS_LOAD_IMAGE_RESOURCE_FAILED when it cannot be loaded.
void LoadResourceImage(boost::shared_ptr<Gdiplus::Image>& image, WORD id);
// Loads only into an empty pointer; a failure leaves it empty, silently.
void EnsureResourceImage(boost::shared_ptr<Gdiplus::Image>& image, WORD id);

boost::shared_ptr<Gdiplus::TextureBrush> TextureBrushFromImg(const CImg& image, Gdiplus::WrapMode wrap);
// As above with every pixel's alpha multiplied by the opacity.
boost::shared_ptr<Gdiplus::TextureBrush> TextureBrushFromImgAlpha(const CImg& image, Gdiplus::WrapMode wrap,
                                                                  float opacity);

// The tile's source rectangle drawn repeatedly over the area of the target,
// the grid shifted by the offsets; with mirror, every other column and row
// is mirrored so that neighbouring tiles meet at mirrored edges.
HRESULT DrawImageTiled(Gdiplus::Image* target, Gdiplus::Image* tile, bool mirror, int x, int y, int width,
                       int height, int tileX, int tileY, int tileWidth, int tileHeight, int offsetX, int offsetY);
// The same with the whole of `tile` as the tile and its mirrored copies made
// by the caller: mirrored[(flip x) | (flip y) << 1] ([0] unused), or null for
// plain tiles. A copy that a drawn tile needs but is null fails E_INVALIDARG.
HRESULT DrawImageTiled(Gdiplus::Image* target, Gdiplus::Image* tile, Gdiplus::Image* const* mirrored, int x, int y,
                       int width, int height, int tileWidth, int tileHeight, int offsetX, int offsetY);

// One scaled draw of an image part into another image, deleting its
// Graphics on every path; true when every call succeeded.
bool DrawImageRectRectI(Gdiplus::Image* source, const RECT& sourceRect, Gdiplus::Image* destination,
                        const RECT& destinationRect, Gdiplus::InterpolationMode mode);
bool DrawImageRectRectF(Gdiplus::Image* source, const Gdiplus::RectF& sourceRect, Gdiplus::Image* destination,
                        const Gdiplus::RectF& destinationRect, Gdiplus::InterpolationMode mode);

// Drawing a CImg through GDI+ without copying it. GDI+ failures are kept as
// the Graphics' last status; a CMYK buffer throws IDS_IMAGE_FORMAT_UNSUPPORTED.
void DrawImg(Gdiplus::Graphics& graphics, const CImg& image, int x, int y, int width, int height, float opacity);
void DrawImg(Gdiplus::Graphics& graphics, const CImg& image, const RECT& rect, float opacity);
void DrawImg(Gdiplus::Graphics& graphics, const CImg& image, int x, int y, float opacity);
void DrawImgToDC(HDC dc, const CImg& image, int x, int y, int width, int height, float opacity,
                 Gdiplus::InterpolationMode mode);
void DrawImgToDC(HDC dc, const CImg& image, int x, int y, float opacity, Gdiplus::InterpolationMode mode);

// A scoped lock of a rectangle of a bitmap.
class CBitmapLock {
public:
    CBitmapLock() = default;
    ~CBitmapLock() { Unlock(); }
    CBitmapLock(const CBitmapLock&) = delete;
    CBitmapLock& operator=(const CBitmapLock&) = delete;

    // Locks (left, top, right - left, bottom - top) for writing.
    Gdiplus::Status Lock(Gdiplus::Bitmap* bitmap, const RECT& rect, Gdiplus::PixelFormat format);
    Gdiplus::Status Lock(Gdiplus::Bitmap* bitmap, const Gdiplus::Rect& rect, UINT flags, Gdiplus::PixelFormat format);
    // Forgets the bitmap only when the unlock succeeds.
    Gdiplus::Status Unlock();
    bool IsLocked() const { return m_bitmap != nullptr; }
    const Gdiplus::BitmapData& Data() const { return m_data; }
    BYTE* Row(int y) const { return static_cast<BYTE*>(m_data.Scan0) + static_cast<ptrdiff_t>(y) * m_data.Stride; }

private:
    Gdiplus::BitmapData m_data = {};
    Gdiplus::Bitmap* m_bitmap = nullptr;
};
