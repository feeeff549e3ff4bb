#include "app/DibWindow.h"
#include "imaging/Dib.h"
#include "platform/Gdi.h"
#include <algorithm>

void CDibWindow::SetImage(const boost::shared_ptr<CDib>& image, int alignment)
{
    m_source = image;
    m_sourceSize = image ? SIZE{image->GetWidth(), image->GetAbsHeight()} : SIZE{0, 0};
    m_alignment = alignment;
    MakeCopy();
    ++m_serial;
    UpdateText();
    if (m_hWnd)
        InvalidateRect(nullptr, FALSE);
}

void CDibWindow::SetOverlayText(const std::wstring& text)
{
    if (text == m_overlay)
        return;
    m_overlay = text;
    UpdateText();
    if (m_hWnd)
        InvalidateRect(nullptr, FALSE);
}

void CDibWindow::MakeCopy()
{
    RECT client = {0, 0, 0x7FFF, 0x7FFF};
    if (m_hWnd)
        GetClientRect(&client);
    m_image = m_source ? MakePaneImage(*m_source, std::max(1L, client.right), std::max(1L, client.bottom), m_alignment == 1)
                       : boost::shared_ptr<CDibSection>();
}

SIZE CDibWindow::GetImageSize() const
{
    return m_sourceSize;
}

void CDibWindow::UpdateText()
{
    if (!m_hWnd)
        return;
    std::wstring text = m_overlay;
    if (text.empty() && m_source)
        text = std::to_wstring(m_sourceSize.cx) + L" x " + std::to_wstring(m_sourceSize.cy);
    SetWindowText(text);
}

LRESULT CDibWindow::OnPaint(UINT, WPARAM, LPARAM, BOOL&)
{
    const CPaintDC dc(m_hWnd);
    RECT client;
    GetClientRect(&client);
    CPanePicture picture;
    picture.image = m_image.get();
    picture.alignRight = m_alignment == 1;
    picture.overlay = m_overlay;
    PaintPreviewPane(dc, client, dc.GetPaintRect(), picture);
    return 0;
}

LRESULT CDibWindow::OnSizeMessage(UINT, WPARAM wp, LPARAM lp, BOOL&)
{
    // A larger pane shows more of the image than the copy holds.
    if (m_image && (m_image->GetWidth() < std::min<LONG>(m_sourceSize.cx, LOWORD(lp)) ||
                    m_image->GetAbsHeight() < std::min<LONG>(m_sourceSize.cy, HIWORD(lp))))
        MakeCopy();
    if (m_sizeHandler)
        m_sizeHandler->OnSize(m_hWnd, static_cast<UINT>(wp), LOWORD(lp), HIWORD(lp));
    return 0;
}
