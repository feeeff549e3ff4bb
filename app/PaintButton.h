// A push button that shows a paint (a solid colour, a linear gradation or a
// texture) inside its face: the face of the font line, of each decoration
// row and of the background. A disabled button shows the plain face.
//
// A texture's picture is never decoded on the window's thread: the buttons'
// loader thread decodes it (shared with the preview's decode of the same
// file, imaging/SharedPicture.h) and hands back a copy reduced to what the
// face can show; until then the face shows the paint's colour. A change of
// colour, scale, offset or fit redraws the face from that copy.
#pragma once
#include "decoration/BorderingSetting.h"
#include "imaging/Dib.h"
#include "ui/WindowImpl.h"
#include <boost/shared_ptr.hpp>

class CPaintFaceLoader;

class CPaintButton : public CWindowImplBaseT<CWindow> {
public:
    CPaintButton();
    ~CPaintButton();

    // The paint shown; nothing is redrawn when it equals the shown one.
    void SetPaint(const CPaintSetting& paint);
    const CPaintSetting& GetPaint() const { return m_paint; }

    // The paint's picture at a size (32-bit, opaque), a texture from its
    // reduced copy (none: the colour alone); exposed for tests.
    static bool RenderPaint(CDib& picture, const CPaintSetting& paint, int width, int height,
                            const CDib* kept = nullptr, SIZE original = SIZE{});
    // The reduced copy of the texture's picture the face is drawn from, once
    // it came (null before, and when it could not be read); for tests.
    const CDib* GetKeptPicture() const { return m_keptPath == m_paint.Texture.Path ? m_kept.get() : nullptr; }

    BEGIN_MSG_MAP(CPaintButton)
        MESSAGE_HANDLER(WM_PAINT, OnPaint)
        MESSAGE_HANDLER(WM_ENABLE, OnEnable)
        MESSAGE_HANDLER(kFaceLoaded, OnFaceLoaded)
        MESSAGE_HANDLER(WM_DESTROY, OnDestroy)
    END_MSG_MAP()

    // Posted by the loader when a picture asked for is ready.
    static const UINT kFaceLoaded = WM_APP + 0x50;

private:
    LRESULT OnPaint(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnEnable(UINT, WPARAM, LPARAM, BOOL& handled);
    LRESULT OnFaceLoaded(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnDestroy(UINT, WPARAM, LPARAM, BOOL& handled);

    CPaintSetting m_paint;
    bool m_stale = true;
    CDib m_picture;
    // The texture's picture reduced for the face, of the path it was read from.
    std::wstring m_keptPath;
    boost::shared_ptr<CDib> m_kept;
    SIZE m_original = {};
    std::wstring m_askedPath;  // asked of the loader, not come yet
    UINT m_asked = 0;          // the number of that request
    boost::shared_ptr<CPaintFaceLoader> m_loader;
};
