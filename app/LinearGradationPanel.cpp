#include "app/LinearGradationPanel.h"
#include "platform/Gdi.h"
#include "render/RasterEffects.h"

namespace {
// The strip shows the stops from left to right: the angle that points left.
const UINT kStripAngle = 180;
}

void CLinearGradationPanel::SetGradation(const CLinearGradation& gradation)
{
    if (gradation == m_gradation)
        return;
    m_gradation = gradation;
    m_dirty = true;
    if (m_hWnd)
        InvalidateRect(nullptr, FALSE);
}

bool CLinearGradationPanel::Rebuild(int w, int h)
{
    if (!m_strip.IsValid() || m_strip.GetWidth() != w || m_strip.GetAbsHeight() != h) {
        m_strip.FreeBits();
        if (!m_strip.CreateWithV5Header(w, h, 32) || !m_strip.AllocBits())
            return false;
        m_strip.SetAlpha(255);
    }
    CLinearGradation strip = m_gradation;
    strip.Angle = kStripAngle;
    // A gradation without a stop in use cannot be drawn: the strip is then
    // left empty (black), which is what such a paint gives.
    if (FAILED(FillLinearGradation(m_strip, strip)))
        m_strip.Clear();
    return true;
}

void CLinearGradationPanel::Paint(HDC dc)
{
    RECT client;
    GetClientRect(&client);
    ::DrawEdge(dc, &client, BDR_SUNKENOUTER, BF_RECT);
    RECT inner = {client.left + Inset.left, client.top + Inset.top, client.right - Inset.right,
                  client.bottom - Inset.bottom};
    if (inner.right < inner.left)
        inner.right = inner.left;
    if (inner.bottom < inner.top)
        inner.bottom = inner.top;
    const int w = inner.right - inner.left, h = inner.bottom - inner.top;
    if (w <= 0 || h <= 0)
        return;
    const bool fits = m_strip.IsValid() && m_strip.GetWidth() == w && m_strip.GetAbsHeight() == h;
    if (m_dirty || !fits) {
        if (!Rebuild(w, h))
            return;
        m_dirty = false;
    }
    m_strip.DrawAt(dc, inner.left, inner.top);
}

LRESULT CLinearGradationPanel::OnPaint(UINT, WPARAM, LPARAM, BOOL&)
{
    CPaintDC dc(m_hWnd);
    if (dc.Get())
        Paint(dc);
    return 0;
}
