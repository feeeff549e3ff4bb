#include "ui/ColorControl.h"
#include "platform/Gdi.h"

LRESULT CColorControl::OnPaint(UINT, WPARAM, LPARAM, BOOL&)
{
    CPaintDC dc(m_hWnd);
    if (!dc.Get())
        return 0;
    RECT client;
    GetClientRect(&client);
    ::SetBkColor(dc, Color);
    ::ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &client, nullptr, 0, nullptr);
    ::DrawEdge(dc, &client, BDR_SUNKENOUTER, EdgeFlags);
    return 0;
}
