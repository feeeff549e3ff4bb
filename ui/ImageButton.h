// A push button that shows an image from the module's resources over the
// themed button face. The system paints the face, focus and pressed state;
// the image is drawn after it, at the custom-draw post-paint stage, centred
// in the item rectangle. A disabled button shows its disabled image, or the
// normal one greyed by the system. Custom draw reaches push buttons only
// with the version-6 common controls (the program's manifest asks for them),
// and only when the parent reflects its notifications.
#pragma once
#include "platform/GdiPlusGraphics.h"
#include "ui/WindowImpl.h"
#include <boost/shared_ptr.hpp>

class CImageButton : public CWindowImpl<CImageButton, CButtonW> {
public:
    boost::shared_ptr<Gdiplus::Image> Image;
    boost::shared_ptr<Gdiplus::Image> DisabledImage;

    BEGIN_MSG_MAP(CImageButton)
        REFLECTED_NOTIFY_CODE_HANDLER(NM_CUSTOMDRAW, OnCustomDraw)
        MESSAGE_HANDLER(WM_ENABLE, OnEnable)
        MESSAGE_HANDLER(WM_KILLFOCUS, OnKillFocus)
        DEFAULT_REFLECTION_HANDLER()
    END_MSG_MAP()

    // Takes over the button and keeps its style as created.
    BOOL SubclassWindow(HWND button);
    // The image of the resource (PNG data of the given type); a resource
    // that is missing or does not decode leaves the image empty.
    void SetImage(UINT id, const wchar_t* type, bool disabled);
    // Image from id, DisabledImage from id + 1.
    void SetImages(UINT id, const wchar_t* type);

    // Where an image of that size goes in the item rectangle.
    static POINT ImageOrigin(const RECT& item, UINT width, UINT height);

private:
    LRESULT OnCustomDraw(int, NMHDR* header, BOOL&);
    LRESULT OnEnable(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnKillFocus(UINT, WPARAM, LPARAM, BOOL&);
    void Draw(HDC dc, const RECT& item, bool disabled);

    DWORD m_style = 0;
};
