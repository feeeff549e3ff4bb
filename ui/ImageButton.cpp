#include "ui/ImageButton.h"
#include "imaging/GdiPlusBitmap.h"
#include "ui/Firewall.h"

namespace {

void DrawImageAt(HDC dc, Gdiplus::Image& image, int x, int y)
{
    Gdiplus::Graphics g(dc);
    g.DrawImage(image, x, y, static_cast<INT>(image.GetWidth()), static_cast<INT>(image.GetHeight()));
}

// DrawStateW's callback: paints the image, which the system then greys.
BOOL CALLBACK DrawImageState(HDC dc, LPARAM data, WPARAM, int, int)
{
    bool ok = GuardedCall([&] { DrawImageAt(dc, *reinterpret_cast<Gdiplus::Image*>(data), 0, 0); });
    return ok ? TRUE : FALSE;
}

} // namespace

BOOL CImageButton::SubclassWindow(HWND button)
{
    if (!CWindowImpl<CImageButton, CButtonW>::SubclassWindow(button))
        return FALSE;
    m_style = GetStyle();
    return TRUE;
}

void CImageButton::SetImage(UINT id, const wchar_t* type, bool disabled)
{
    boost::shared_ptr<Gdiplus::Image> image;
    if (FAILED(LoadImageFromResource(image, MAKEINTRESOURCEW(id), type)) || !image || !image->IsValid())
        image.reset();
    (disabled ? DisabledImage : Image) = image;
}

void CImageButton::SetImages(UINT id, const wchar_t* type)
{
    SetImage(id, type, false);
    SetImage(id + 1, type, true);
}

POINT CImageButton::ImageOrigin(const RECT& item, UINT width, UINT height)
{
    return POINT{item.left + (item.right - item.left - static_cast<LONG>(width)) / 2,
                 item.top + (item.bottom - item.top - static_cast<LONG>(height)) / 2};
}

void CImageButton::Draw(HDC dc, const RECT& item, bool disabled)
{
    Gdiplus::Image* image = (disabled && DisabledImage) ? DisabledImage.get() : Image.get();
    if (!image)
        return;
    const UINT w = image->GetWidth(), h = image->GetHeight();
    const POINT at = ImageOrigin(item, w, h);
    if (!disabled || DisabledImage) {
        DrawImageAt(dc, *image, at.x, at.y);
        return;
    }
    ::DrawStateW(dc, nullptr, DrawImageState, reinterpret_cast<LPARAM>(image), 0, at.x, at.y,
                 static_cast<int>(w), static_cast<int>(h), DST_COMPLEX | DSS_DISABLED);
}

LRESULT CImageButton::OnCustomDraw(int, NMHDR* header, BOOL&)
{
    NMCUSTOMDRAW* draw = reinterpret_cast<NMCUSTOMDRAW*>(header);
    switch (draw->dwDrawStage) {
    case CDDS_PREPAINT:
        return CDRF_NOTIFYPOSTPAINT;
    case CDDS_POSTPAINT:
        Draw(draw->hdc, draw->rc, (draw->uItemState & CDIS_DISABLED) != 0);
        return CDRF_DODEFAULT;
    default:
        return CDRF_DODEFAULT;
    }
}

LRESULT CImageButton::OnEnable(UINT, WPARAM, LPARAM, BOOL&)
{
    LRESULT result = DefWindowProc();
    Invalidate(TRUE);
    return result;
}

LRESULT CImageButton::OnKillFocus(UINT, WPARAM, LPARAM, BOOL&)
{
    LRESULT result = DefWindowProc();
    // A button not created as the default must not keep the default frame
    // the dialog gave it while it had the focus.
    if (!(m_style & BS_DEFPUSHBUTTON) && (GetStyle() & BS_DEFPUSHBUTTON)) {
        ModifyStyle(BS_DEFPUSHBUTTON, 0);
        SetWindowPos(nullptr, 0, 0, 0, 0,
                     SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOREDRAW | SWP_NOACTIVATE);
        Invalidate(TRUE);
    }
    return result;
}
