// Drawing surfaces: one object that stands for one or more device contexts
// and repeats every drawing operation on each of them (`CScreen`), its
// implementation over a single DC (`CDCScreen`), and the scoped selection of
// a GDI object. A surface without DC draws nothing and reports failure.
#pragma once
#include "imaging/Dib.h"
#include "imaging/MemoryDC.h"
#include "platform/Gdi.h"
#include "platform/GdiPlus.h"
#include <boost/shared_ptr.hpp>
#include <optional>
#include <string>
#include <vector>

namespace Gdiplus {
class Brush;
class Font;
class GraphicsPath;
class Image;
class Pen;
}

class CScreenHDC {
public:
    virtual ~CScreenHDC() {}
    virtual int GetCount() const = 0;
    virtual HDC GetAt(int index) const = 0;
};

class CComplexHDC : public CScreenHDC {
public:
    CComplexHDC() = default;
    explicit CComplexHDC(const std::vector<HDC>& dcs) : m_dcs(dcs) {}
    int GetCount() const override { return static_cast<int>(m_dcs.size()); }
    HDC GetAt(int index) const override
    {
        return index >= 0 && index < GetCount() ? m_dcs[static_cast<size_t>(index)] : nullptr;
    }
    std::vector<HDC>& Get() { return m_dcs; }
private:
    std::vector<HDC> m_dcs;
};

typedef boost::shared_ptr<CScreenHDC> CScreenHDCPtr;

// Whether a text of the font's LOGFONT height fits a rectangle's height.
inline bool TextHeightFits(LONG logFontHeight, LONG rectHeight)
{
    return (logFontHeight < 0 ? -static_cast<long long>(logFontHeight) : logFontHeight) + 2 <= rectHeight;
}

// ARGB of a COLORREF and an alpha.
inline Gdiplus::ARGB MakeArgb(BYTE alpha, COLORREF colour)
{
    return (static_cast<Gdiplus::ARGB>(alpha) << 24) | (static_cast<Gdiplus::ARGB>(GetRValue(colour)) << 16) |
           (static_cast<Gdiplus::ARGB>(GetGValue(colour)) << 8) | GetBValue(colour);
}

class CScreen {
public:
    virtual ~CScreen() {}
    virtual bool IsValid() const = 0;
    virtual HRESULT CreateCompatible(HDC reference, const RECT& bounds, DWORD reserved = 0) = 0;
    virtual HRESULT CreateEx() = 0;
    // Empty when there is no surface.
    virtual CScreenHDCPtr GetHDC() const = 0;
    virtual boost::shared_ptr<CDib> GetDib() const { return boost::shared_ptr<CDib>(); }
    virtual const RECT* GetBounds() const = 0;
    // ICM_QUERY: the common answer of every DC, 0 when two differ (a DC
    // that answers 0 among them); other modes: 1 when every DC took it.
    virtual int SetICMMode(int mode);
    virtual bool SetColorSpace(HCOLORSPACE space);
    virtual bool SelectClipRgn(HRGN region);
    virtual bool IntersectClipRect(const RECT& rect);
    virtual bool ExcludeClipRect(const RECT& rect);
    virtual void ReservedA(DWORD, DWORD) {}
    virtual void ReservedB(DWORD) {}
    virtual bool BitBlt(HDC source, const RECT& rect);
    virtual bool BitBltFrom(const CScreen& source, const RECT& rect);
    // Moves the rectangle's content by (-dx, -dy).
    virtual bool ScrollRect(const RECT& rect, int dx, int dy);
    // Constant alpha only.
    virtual bool AlphaBlend(HDC source, const RECT& rect, BYTE alpha);
    virtual bool AlphaBlendFrom(const CScreen& source, const RECT& rect, BYTE alpha);
    virtual bool StretchDib(const RECT* destination, const CDib& dib, const RECT* source, BYTE alpha, int quality) = 0;
    virtual bool Polyline(const std::vector<POINT>& points, int penStyle, int width, COLORREF colour);
    // Frame strips filled through GDI+ with the alpha; thickness below 1 draws nothing.
    virtual bool FrameRect(const RECT& rect, int thickness, COLORREF colour, BYTE alpha);
    virtual bool DrawRect(const RECT& rect, int penStyle, int width, COLORREF colour);
    virtual bool FrameRectSolid(const RECT& rect, int thickness, COLORREF colour);
    virtual bool DrawIcon(const RECT* destination, HICON icon, int sourceWidth, int sourceHeight, BYTE alpha);
    // GDI+ images drawn in UnitPixel; below full alpha through a colour
    // matrix that scales alpha.
    virtual bool DrawImageAlpha(const Gdiplus::Image& image, const Gdiplus::RectF& destination,
                                const Gdiplus::RectF& source, BYTE alpha);
    virtual bool DrawImage(const Gdiplus::Image& image, const Gdiplus::RectF& destination, const Gdiplus::RectF& source)
    {
        return DrawImageAlpha(image, destination, source, 255);
    }
    virtual bool DrawImageIntAlpha(const Gdiplus::Image& image, const RECT& destination, const RECT& source, BYTE alpha);
    virtual bool DrawImageInt(const Gdiplus::Image& image, const RECT& destination, const RECT& source)
    {
        return DrawImageIntAlpha(image, destination, source, 255);
    }
    // The image's whole bounds; a failure to read them is kept in the image.
    virtual bool DrawImageWholeAlpha(const Gdiplus::Image& image, BYTE alpha, const RECT& destination);
    virtual bool DrawImageWhole(const Gdiplus::Image& image, const RECT& destination)
    {
        return DrawImageWholeAlpha(image, 255, destination);
    }
    virtual bool DrawPath(const Gdiplus::Pen& pen, const Gdiplus::GraphicsPath& path);
    virtual bool DrawPolygon(const std::vector<POINT>& points, Gdiplus::ARGB colour);
    virtual bool DrawScreen(const CScreen& source, const RECT& rect);
    // Drawn only where the font's height + 2 fits the rectangle.
    virtual bool DrawString(const Gdiplus::Font& font, Gdiplus::ARGB colour, const RECT& rect, const std::wstring& text,
                            Gdiplus::StringAlignment lineAlignment);
    virtual bool FillPath(const Gdiplus::Brush& brush, const Gdiplus::GraphicsPath& path);
    virtual bool FillPolygon(const std::vector<POINT>& points, Gdiplus::ARGB colour);
    virtual bool FillRectBrushAlpha(HBRUSH brush, BYTE alpha, const RECT& rect, DWORD reserved, int originX,
                                    int originY);
    virtual bool FillRectBrushOrg(HBRUSH brush, const RECT& rect, DWORD reserved, int originX, int originY);
    virtual bool FillRectArgb(Gdiplus::ARGB colour, const RECT& rect);
    virtual bool FillSolidRect(COLORREF colour, const RECT& rect);
};

class CDCScreen : public CScreen {
public:
    CDCScreen() = default;
    // Over an existing DC, which stays its owner's.
    CDCScreen(HDC dc, const RECT& bounds);
    ~CDCScreen() override;
    CDCScreen(const CDCScreen&) = delete;
    CDCScreen& operator=(const CDCScreen&) = delete;

    HRESULT AttachWindow(HWND window, const RECT& bounds);
    HRESULT AttachDC(HDC dc, const RECT& bounds);
    // Hands the created bitmap to the caller, who then owns it.
    HBITMAP DetachBitmap();
    void ReleaseDC();
    HDC GetDC() const { return m_dc; }

    bool IsValid() const override { return m_dc != nullptr; }
    // A memory DC with its own bitmap of the bounds' size; E_FAIL, and no DC
    // left, when either cannot be made.
    HRESULT CreateCompatible(HDC reference, const RECT& bounds, DWORD reserved = 0) override;
    HRESULT CreateEx() override { return E_NOTIMPL; }
    CScreenHDCPtr GetHDC() const override;
    const RECT* GetBounds() const override { return &m_bounds; }
    bool StretchDib(const RECT* destination, const CDib& dib, const RECT* source, BYTE alpha, int quality) override;

private:
    void SetOrigin();

    RECT m_bounds = {0, 0, 0, 0};
    // The DC drawn on: a caller's, or the one held by one of the owners.
    HDC m_dc = nullptr;
    std::optional<CWindowDC> m_windowDC;
    CCreatedDC m_createdDC;
    CBitmapHandle m_bitmap;
    HGDIOBJ m_previous = nullptr;  // what the bitmap replaced in the created DC
};
