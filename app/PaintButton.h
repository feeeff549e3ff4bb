// A push button that shows a paint (a solid colour, a linear gradation or a
// texture) inside its face: the face of the font line, of each decoration
// row and of the background. A disabled button shows the plain face.
#pragma once
#include "decoration/BorderingSetting.h"
#include "imaging/Dib.h"
#include "ui/WindowImpl.h"

class CPaintButton : public CWindowImplBaseT<CWindow> {
public:
    // The paint shown; nothing is redrawn when it equals the shown one.
    void SetPaint(const CPaintSetting& paint);
    const CPaintSetting& GetPaint() const { return m_paint; }

    // The paint's picture at a size (32-bit, opaque); exposed for tests.
    static bool RenderPaint(CDib& picture, const CPaintSetting& paint, int width, int height);

    BEGIN_MSG_MAP(CPaintButton)
        MESSAGE_HANDLER(WM_PAINT, OnPaint)
        MESSAGE_HANDLER(WM_ENABLE, OnEnable)
    END_MSG_MAP()

private:
    LRESULT OnPaint(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnEnable(UINT, WPARAM, LPARAM, BOOL& handled);

    CPaintSetting m_paint;
    bool m_stale = true;
    CDib m_picture;
};
