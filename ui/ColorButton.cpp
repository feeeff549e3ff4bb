#include "ui/ColorButton.h"
#include "ui/Screen.h"

namespace {
const COLORREF kFrameColour = RGB(100, 100, 100);
}

void CColorButton::OnPaint()
{
    RECT client;
    if (!GetClientRect(&client))
        return;
    CDCScreen screen;
    if (FAILED(screen.AttachWindow(m_hWnd, client)))
        return;
    InflateRect(&client, -4, -4);
    if (IsWindowEnabled())
        screen.FillSolidRect(Color, client);
    screen.FrameRect(client, 1, kFrameColour, 255);
}
