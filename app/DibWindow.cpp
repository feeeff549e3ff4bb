#include "app/DibWindow.h"
#include "imaging/Dib.h"

void CDibWindow::SetImage(const boost::shared_ptr<CDib>& image, int alignment)
{
    m_image = image ? MakePaneImage(*image) : boost::shared_ptr<CDibSection>();
    m_alignment = alignment;
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

SIZE CDibWindow::GetImageSize() const
{
    return m_image ? SIZE{m_image->GetWidth(), m_image->GetAbsHeight()} : SIZE{0, 0};
}

void CDibWindow::UpdateText()
{
    if (!m_hWnd)
        return;
    std::wstring text = m_overlay;
    if (text.empty() && m_image)
        text = std::to_wstring(m_image->GetWidth()) + L" x " + std::to_wstring(m_image->GetAbsHeight());
    SetWindowText(text);
}

LRESULT CDibWindow::OnPaint(UINT, WPARAM, LPARAM, BOOL&)
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(m_hWnd, &ps);
    RECT client;
    GetClientRect(&client);
    CPanePicture picture;
    picture.image = m_image.get();
    picture.alignRight = m_alignment == 1;
    picture.overlay = m_overlay;
    PaintPreviewPane(dc, client, ps.rcPaint, picture);
    EndPaint(m_hWnd, &ps);
    return 0;
}

LRESULT CDibWindow::OnSizeMessage(UINT, WPARAM wp, LPARAM lp, BOOL&)
{
    if (m_sizeHandler)
        m_sizeHandler->OnSize(m_hWnd, static_cast<UINT>(wp), LOWORD(lp), HIWORD(lp));
    return 0;
}
