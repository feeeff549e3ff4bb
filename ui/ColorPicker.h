// The two colour pickers of the single-colour page: a hue-saturation field
// (x: hue 0..360, y: saturation 1 at the top to 0 at the bottom, drawn at
// lightness 0.5) and a lightness bar (white at the top, black at the bottom)
// of the field's hue and saturation. Each takes over a static control of the
// dialog template, keeps its values as doubles, draws from a cached bitmap,
// follows the mouse while the left button is held and tells its listener
// after every change (also when nothing changed).
#pragma once
#include "imaging/Dib.h"
#include "platform/Gdi.h"
#include "ui/HslColor.h"
#include "ui/WindowImpl.h"

class COnChangeColorHandler {
public:
    // picker: the picker that changed.
    virtual void OnChangeColor(CWindow* picker) = 0;
protected:
    ~COnChangeColorHandler() = default;
};

// The part both pickers share: painting, mouse capture and the listener.
// T provides Paint(HDC) and ApplyPoint(int x, int y).
template <class T>
class CColorPickerImpl : public CWindowImpl<T, CWindow> {
public:
    COnChangeColorHandler* Listener = nullptr;  // not owned

    BEGIN_MSG_MAP(CColorPickerImpl)
        // A static answers HTTRANSPARENT unless it has SS_NOTIFY; the picker
        // must get the mouse either way.
        MESSAGE_HANDLER(WM_NCHITTEST, OnNcHitTest)
        MESSAGE_HANDLER(WM_ERASEBKGND, OnEraseBackground)
        MESSAGE_HANDLER(WM_PAINT, OnPaint)
        MESSAGE_HANDLER(WM_LBUTTONDOWN, OnButtonDown)
        MESSAGE_HANDLER(WM_MOUSEMOVE, OnMouseMove)
        MESSAGE_HANDLER(WM_LBUTTONUP, OnButtonUp)
    END_MSG_MAP()

protected:
    void NotifyListener()
    {
        if (Listener)
            Listener->OnChangeColor(this);
    }
    // Paints on a window DC at once, so the marker follows the mouse without
    // waiting for WM_PAINT.
    void PaintNow();

private:
    T& Self() { return static_cast<T&>(*this); }
    LRESULT OnNcHitTest(UINT, WPARAM, LPARAM, BOOL&) { return HTCLIENT; }
    LRESULT OnEraseBackground(UINT, WPARAM, LPARAM, BOOL&) { return 1; }  // every pixel is painted
    LRESULT OnPaint(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnButtonDown(UINT, WPARAM, LPARAM lp, BOOL&)
    {
        this->SetCapture();
        Self().ApplyPoint(static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp)));
        return 0;
    }
    LRESULT OnMouseMove(UINT, WPARAM, LPARAM lp, BOOL&)
    {
        if (::GetCapture() == this->m_hWnd)
            Self().ApplyPoint(static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp)));
        return 0;
    }
    LRESULT OnButtonUp(UINT, WPARAM, LPARAM lp, BOOL&)
    {
        if (::GetCapture() == this->m_hWnd) {
            Self().ApplyPoint(static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp)));
            ::ReleaseCapture();
        }
        return 0;
    }
};

class CColorPickerHS : public CColorPickerImpl<CColorPickerHS> {
public:
    double Hue = 0.0;         // degrees, 0..360
    double Saturation = 0.0;  // 0..1
    RECT Inset = {1, 1, 1, 1};

    // Takes hue and saturation of the colour (its lightness is not kept);
    // true when either changed. The listener is told in any case.
    bool SetColor(COLORREF color, bool redraw);

    // The field inside the sunken edge, in client coordinates.
    RECT GetField() const;
    // Where the marker's centre stands for the current values.
    POINT GetMarker() const;

    void Paint(HDC dc);
    void ApplyPoint(int x, int y);

private:
    bool EnsurePlane(int w, int h);
    CDibSection m_plane;
};

class CColorPickerL : public CColorPickerImpl<CColorPickerL> {
public:
    double Lightness = 0.0;   // 0..1
    double Hue = 0.0;
    double Saturation = 0.0;
    int MarkerWidth = 7;      // the strip right of the bar that holds the marker
    RECT Inset = {1, 1, 1, 1};

    bool SetColor(COLORREF color, bool redraw);
    // The bar follows the hue and saturation dragged in the field.
    bool SetHueSaturation(double hue, double saturation, bool redraw);

    RECT GetBar() const;
    POINT GetMarker() const;

    void Paint(HDC dc);
    void ApplyPoint(int x, int y);

private:
    bool EnsureBar(int w, int h);
    CDibSection m_bar;
    bool m_barDirty = false;
};

// ---------------------------------------------------------------------------

template <class T>
LRESULT CColorPickerImpl<T>::OnPaint(UINT, WPARAM, LPARAM, BOOL&)
{
    CPaintDC dc(this->m_hWnd);
    if (dc.Get())
        Self().Paint(dc);
    return 0;
}

template <class T>
void CColorPickerImpl<T>::PaintNow()
{
    CWindowDC dc(this->m_hWnd);
    if (dc.IsValid())
        Self().Paint(dc);
}
