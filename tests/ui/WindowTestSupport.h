// Helpers of the window tests: dialog templates built in memory, a message
// pump, a sink that records what the exception firewall reports, and a
// top-level frame that reflects its children's notifications.
#pragma once
#include "foundation/Msg.h"
#include "foundation/Error.h"
#include "ui/Firewall.h"
#include "ui/WindowImpl.h"
#include <commctrl.h>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

// A DLGTEMPLATE with its items, for dialogs the tests make up.
class CDialogTemplateBuilder {
public:
    CDialogTemplateBuilder(DWORD style, short cx, short cy, const wchar_t* title = L"Test");
    CDialogTemplateBuilder& Add(const wchar_t* className, const wchar_t* text, WORD id, DWORD style, short x, short y,
                                short cx, short cy);
    const DLGTEMPLATE* Get() const { return reinterpret_cast<const DLGTEMPLATE*>(m_words.data()); }

private:
    void Text(const wchar_t* text);
    void AlignDword();
    std::vector<WORD> m_words;
};

// Dispatches what is queued (and what that queues) until the queue is empty.
void PumpMessages();

// What the screen shows at a point of the window's client area.
inline COLORREF PixelAt(HWND hwnd, int x, int y)
{
    HDC dc = GetDC(hwnd);
    COLORREF c = GetPixel(dc, x, y);
    ReleaseDC(hwnd, dc);
    return c;
}

// A left click at a point of the window's client area, sent (not posted).
inline void ClickAt(HWND hwnd, int x, int y)
{
    SendMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    SendMessageW(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
}

// Colours whose channels differ by at most the tolerance (a drawn gradient
// lands a step or two from its exact value).
inline bool Near(COLORREF a, COLORREF b, int tolerance = 2)
{
    return abs(GetRValue(a) - GetRValue(b)) <= tolerance && abs(GetGValue(a) - GetGValue(b)) <= tolerance &&
           abs(GetBValue(a) - GetBValue(b)) <= tolerance;
}

// Records the reports of the exception firewall while it lives.
class CRecordingSink : public CMsg {
public:
    CRecordingSink() : m_previous(SetWindowErrorSink(this)) {}
    ~CRecordingSink() { SetWindowErrorSink(m_previous); }
    int ShowError(const CSimpleErr& err) override
    {
        errors.push_back(err.message);
        return IDOK;
    }
    int Show(const std::wstring& text, UINT) override
    {
        errors.push_back(text);
        return IDOK;
    }
    std::vector<std::wstring> errors;

private:
    CMsg* m_previous;
};

// A visible top-level window that reflects notifications to its children.
class CTestFrame : public CWindowImpl<CTestFrame, CWindow, CFrameWinTraits> {
public:
    BEGIN_MSG_MAP(CTestFrame)
        REFLECT_NOTIFICATIONS()
    END_MSG_MAP()
    CTestFrame();
    ~CTestFrame();
    // A child control of a system class.
    HWND AddChild(const wchar_t* className, DWORD style, int id, int x, int y, int cx, int cy,
                  const wchar_t* text = L"");
};

inline CDialogTemplateBuilder::CDialogTemplateBuilder(DWORD style, short cx, short cy, const wchar_t* title)
{
    DLGTEMPLATE head = {};
    head.style = style | DS_SETFONT;
    head.cx = cx;
    head.cy = cy;
    m_words.resize(sizeof head / sizeof(WORD));
    memcpy(m_words.data(), &head, sizeof head);
    m_words.push_back(0);  // no menu
    m_words.push_back(0);  // the standard dialog class
    Text(title);
    m_words.push_back(8);
    Text(L"MS Shell Dlg");
}

inline CDialogTemplateBuilder& CDialogTemplateBuilder::Add(const wchar_t* className, const wchar_t* text, WORD id,
                                                    DWORD style, short x, short y, short cx, short cy)
{
    AlignDword();
    DLGITEMTEMPLATE item = {};
    item.style = style | WS_CHILD | WS_VISIBLE;
    item.x = x;
    item.y = y;
    item.cx = cx;
    item.cy = cy;
    item.id = id;
    size_t at = m_words.size();
    m_words.resize(at + sizeof item / sizeof(WORD));
    memcpy(&m_words[at], &item, sizeof item);
    Text(className);
    Text(text);
    m_words.push_back(0);  // no creation data
    reinterpret_cast<DLGTEMPLATE*>(m_words.data())->cdit++;
    return *this;
}

inline void CDialogTemplateBuilder::Text(const wchar_t* text)
{
    for (; *text; ++text)
        m_words.push_back(static_cast<WORD>(*text));
    m_words.push_back(0);
}

inline void CDialogTemplateBuilder::AlignDword()
{
    if (m_words.size() % 2)
        m_words.push_back(0);
}

inline void PumpMessages()
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

inline CTestFrame::CTestFrame()
{
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_STANDARD_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&icc);
    RECT r = {0, 0, 400, 300};
    // No caption: Wine waits 2 s for a window manager when a framed window goes.
    Create(nullptr, r, L"frame", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, WS_EX_TOOLWINDOW);
}

inline CTestFrame::~CTestFrame()
{
    if (m_hWnd)
        DestroyWindow();
}

inline HWND CTestFrame::AddChild(const wchar_t* className, DWORD style, int id, int x, int y, int cx, int cy,
                          const wchar_t* text)
{
    return CreateWindowExW(0, className, text, WS_CHILD | WS_VISIBLE | style, x, y, cx, cy, m_hWnd,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
}
// Skips the test when no window can be made (a headless wineserver).
#define REQUIRE_WINDOW(hwnd)                                                                                 \
    if (!(hwnd))                                                                                             \
    GTEST_SKIP() << "no window can be created on this desktop"
