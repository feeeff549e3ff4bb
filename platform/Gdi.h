// Owners of GDI resources: a DC from GetDC, a created DC, a GDI object, and the
// selection of an object into a DC. Each releases on every path.
#pragma once
#include <windows.h>

// A window's (or, for null, the screen's) DC from GetDC.
class CWindowDC {
public:
    explicit CWindowDC(HWND window = nullptr) : m_window(window), m_dc(::GetDC(window)) {}
    ~CWindowDC() { if (m_dc) ::ReleaseDC(m_window, m_dc); }
    CWindowDC(const CWindowDC&) = delete;
    CWindowDC& operator=(const CWindowDC&) = delete;
    HDC Get() const { return m_dc; }
    operator HDC() const { return m_dc; }
    bool IsValid() const { return m_dc != nullptr; }
private:
    HWND m_window;
    HDC m_dc;
};

// The screen DC: what font metrics and glyph outlines are read on.
class CScreenDC : public CWindowDC {
public:
    CScreenDC() : CWindowDC(nullptr) {}
};

// The DC of one WM_PAINT: BeginPaint, then EndPaint on every path.
class CPaintDC {
public:
    explicit CPaintDC(HWND window) : m_window(window), m_dc(::BeginPaint(window, &m_ps)) {}
    ~CPaintDC() { ::EndPaint(m_window, &m_ps); }
    CPaintDC(const CPaintDC&) = delete;
    CPaintDC& operator=(const CPaintDC&) = delete;
    HDC Get() const { return m_dc; }
    operator HDC() const { return m_dc; }
    const RECT& GetPaintRect() const { return m_ps.rcPaint; }
private:
    HWND m_window;
    PAINTSTRUCT m_ps = {};
    HDC m_dc;
};

// A DC made by CreateCompatibleDC or CreateDC, deleted with DeleteDC.
class CCreatedDC {
public:
    CCreatedDC() = default;
    explicit CCreatedDC(HDC dc) : m_dc(dc) {}
    ~CCreatedDC() { Reset(); }
    CCreatedDC(const CCreatedDC&) = delete;
    CCreatedDC& operator=(const CCreatedDC&) = delete;
    void Reset(HDC dc = nullptr) { if (m_dc) ::DeleteDC(m_dc); m_dc = dc; }
    HDC Detach() { HDC dc = m_dc; m_dc = nullptr; return dc; }
    HDC Get() const { return m_dc; }
    operator HDC() const { return m_dc; }
private:
    HDC m_dc = nullptr;
};

// A font, brush, pen, bitmap or region, deleted with DeleteObject.
template <class T>
class CGdiObject {
public:
    CGdiObject() = default;
    explicit CGdiObject(T h) : m_h(h) {}
    ~CGdiObject() { Reset(); }
    CGdiObject(const CGdiObject&) = delete;
    CGdiObject& operator=(const CGdiObject&) = delete;
    CGdiObject(CGdiObject&& o) noexcept : m_h(o.Detach()) {}
    CGdiObject& operator=(CGdiObject&& o) noexcept { Reset(o.Detach()); return *this; }
    void Reset(T h = nullptr) { if (m_h) ::DeleteObject(m_h); m_h = h; }
    T Detach() { T h = m_h; m_h = nullptr; return h; }
    T Get() const { return m_h; }
    operator T() const { return m_h; }
private:
    T m_h = nullptr;
};
typedef CGdiObject<HFONT> CFontHandle;
typedef CGdiObject<HBRUSH> CBrushHandle;
typedef CGdiObject<HPEN> CPenHandle;
typedef CGdiObject<HBITMAP> CBitmapHandle;
typedef CGdiObject<HRGN> CRgnHandle;

// Selects an object into a DC for a scope and puts the previous one back.
// Nothing is selected without a DC or an object.
class CSelectObjectGuard {
public:
    CSelectObjectGuard(HDC dc, HGDIOBJ obj) : m_dc(dc), m_old(dc && obj ? ::SelectObject(dc, obj) : nullptr) {}
    ~CSelectObjectGuard() { Restore(); }
    CSelectObjectGuard(const CSelectObjectGuard&) = delete;
    CSelectObjectGuard& operator=(const CSelectObjectGuard&) = delete;
    bool Failed() const { return m_old == nullptr || m_old == HGDI_ERROR; }
    // Puts the previous object back now and forgets the DC, so that the
    // object may be deleted (or the DC let go) before the scope ends.
    void Restore()
    {
        if (m_dc && m_old && m_old != HGDI_ERROR)
            ::SelectObject(m_dc, m_old);
        m_dc = nullptr;
        m_old = nullptr;
    }
private:
    HDC m_dc;
    HGDIOBJ m_old;
};

// An enhanced-metafile handle, deleted with DeleteEnhMetaFile.
class CEnhMetaFileHandle {
public:
    explicit CEnhMetaFileHandle(HENHMETAFILE h = nullptr) : m_h(h) {}
    ~CEnhMetaFileHandle() { if (m_h) ::DeleteEnhMetaFile(m_h); }
    CEnhMetaFileHandle(const CEnhMetaFileHandle&) = delete;
    CEnhMetaFileHandle& operator=(const CEnhMetaFileHandle&) = delete;
    HENHMETAFILE Get() const { return m_h; }
    operator HENHMETAFILE() const { return m_h; }
private:
    HENHMETAFILE m_h;
};

// The recording DC of an enhanced metafile (CreateEnhMetaFile). Close ends the
// recording and hands the metafile over; a recording dropped unclosed is
// closed and its metafile deleted.
class CEnhMetaFileDC {
public:
    CEnhMetaFileDC() = default;
    explicit CEnhMetaFileDC(HDC dc) : m_dc(dc) {}
    ~CEnhMetaFileDC() { Reset(); }
    CEnhMetaFileDC(const CEnhMetaFileDC&) = delete;
    CEnhMetaFileDC& operator=(const CEnhMetaFileDC&) = delete;
    void Reset(HDC dc = nullptr) { CEnhMetaFileHandle discarded(Close()); m_dc = dc; }
    // Null when nothing was recording or GDI made no metafile.
    HENHMETAFILE Close() { HDC dc = m_dc; m_dc = nullptr; return dc ? ::CloseEnhMetaFile(dc) : nullptr; }
    HDC Get() const { return m_dc; }
    operator HDC() const { return m_dc; }
private:
    HDC m_dc = nullptr;
};
