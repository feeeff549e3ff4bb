#include "app/PaintButton.h"
#include "imaging/GdiPlusBitmap.h"
#include "imaging/TexturePaint.h"
#include "imaging/MemoryDC.h"
#include "platform/Gdi.h"
#include "render/RasterEffects.h"

namespace {

const int kMargin = 4;  // between the button's edge and the picture's frame
const int kFrame = 1;

} // namespace

void CPaintButton::SetPaint(const CPaintSetting& paint)
{
    if (paint == m_paint && !m_stale)
        return;
    m_paint = paint;
    m_stale = true;
    if (m_hWnd)
        Invalidate(FALSE);
}

bool CPaintButton::RenderPaint(CDib& picture, const CPaintSetting& paint, int width, int height)
{
    if (width < 1 || height < 1 || !picture.CreateWithInfoHeader(width, height, 32) || !picture.AllocBits())
        return false;
    const COLORREF c = paint.Color;
    picture.FillColor(c);
    picture.SetAlpha(255);
    if (paint.Type == PaintType::LINEAR) {
        FillLinearGradation(picture, paint.LinearGradation);
    } else if (paint.Type == PaintType::TEXTURE) {
        boost::shared_ptr<CDib> texture;
        if (!paint.Texture.Path.empty() && SUCCEEDED(LoadDibFromFile(texture, paint.Texture.Path)) && texture)
            PaintDibWithTexture(picture, *texture, paint.Texture.Type, paint.Texture.RateX, paint.Texture.RateY,
                                paint.Texture.Flip, paint.Texture.OffsetX, paint.Texture.OffsetY);
    }
    picture.FlattenOnColor(::GetSysColor(COLOR_BTNFACE));
    return true;
}

LRESULT CPaintButton::OnPaint(UINT, WPARAM, LPARAM, BOOL&)
{
    // The button paints its own face first.
    DefWindowProc();
    if (!IsWindowEnabled())
        return 0;
    RECT r;
    GetClientRect(&r);
    ::InflateRect(&r, -kMargin, -kMargin);
    const int w = r.right - r.left - 2 * kFrame, h = r.bottom - r.top - 2 * kFrame;
    if (w < 1 || h < 1)
        return 0;
    if (m_stale || m_picture.GetWidth() != w || m_picture.GetAbsHeight() != h) {
        if (!RenderPaint(m_picture, m_paint, w, h))
            return 0;
        m_stale = false;
    }
    CWindowDC dc(m_hWnd);
    dc::FrameRectSolid(dc, r, kFrame, ::GetSysColor(COLOR_BTNSHADOW));
    m_picture.DrawAt(dc, r.left + kFrame, r.top + kFrame);
    return 0;
}

LRESULT CPaintButton::OnEnable(UINT, WPARAM, LPARAM, BOOL& handled)
{
    Invalidate(FALSE);
    handled = FALSE;
    return 0;
}
