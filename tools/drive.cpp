// The UI driver: runs the program and works its windows from a script, so that
// tests and people can check the whole program without a mouse. Not shipped.
//
//   drive [--program PATH] [--settings FILE] [SCRIPT]
//
// The script comes from the file SCRIPT, or from standard input when it is
// missing or "-": one command a line; a line whose first visible character is
// "#" is a comment. In the texts, "\n" stands for a line break and "\\" for a
// backslash. The driver stops at the first line that fails, prints it with
// the reason and exits 1 (ending the program it started); it exits 0 when
// every line passed. It only ever looks at windows of the process it started,
// so several programs may run on one display. With the environment variable
// KNT_DRIVE_TRACE set, it prints how long each line that passed took.
//
//   start ARGS...    start the program (kantelo.exe beside this build's
//                    tools folder, or --program) and wait up to 60 s for its
//                    first window
//   launch ARGS...   start the program without waiting for a window (one that
//                    shows none, such as one without a display: then `exit`)
//   main             the program's main window becomes current (waited for
//                    up to 60 s, until it takes input)
//   wait TEXT        wait up to 10 s for a window whose title or static text
//                    holds TEXT; it becomes current
//   waitlong TEXT    the same for up to 60 s (a job of large pictures)
//   text ID TEXT     replace the text of control ID as typing would
//   pick ID ITEM     choose the combo or list item ITEM and notify
//   check ID 0|1     set a check box or radio button and notify
//   click ID         press button ID, or send command ID to the window (posted)
//                    (these four, focus, press and clickat wait up to 3 s for a
//                    disabled control and then fail, as a user could not use it
//                    either)
//   key NAME         press and release a key as a user would, in the control
//                    that has the focus: esc, enter, tab, space, backspace,
//                    delete, insert, home, end, pageup, pagedown, left, right,
//                    up, down, f1-f12, a letter or a digit, with the modifiers
//                    ctrl+, shift+ and alt+ before it (ctrl+a). The key goes
//                    through the program's own message loop (its accelerators
//                    and dialog keys), with the modifiers down while it is read
//   focus ID         give control ID the focus as the Tab key would
//   tab N            show page N (0 first) of the current property sheet
//   press ID [X Y]   press the left mouse button over control ID at X, Y of its
//                    client area (its middle without them) and hold it: the
//                    window under that point gets the press as from the mouse
//   release          let the held button go where it was pressed (to the window
//                    that holds the mouse, when one does)
//   clickat ID [X Y] press and release there: a click by position, for what a
//                    posted command does not do as the mouse does
//   wheel ID N       move the pointer over the middle of control ID (of its
//                    text field, for a combo box that has one) and turn the
//                    mouse wheel N notches away from the user (N < 0: towards
//                    the user); the system hands each notch to the window it
//                    chooses, as it does a real wheel's
//   realclick ID [X Y]  a click of the real mouse at X, Y of control ID's
//                    client area (its middle without them): the pointer
//                    moves there and the left button goes down and up
//                    through the system's input queue, so the window that
//                    holds the mouse (a dropped list) gets it, as a user's
//                    click; the program's window is raised while it clicks
//   pickdropped ID ITEM  the same click on entry ITEM of combo box ID's
//                    dropped list (scrolled into view first, as its scroll
//                    bar would); fails when the list is not dropped
//   type TEXT        type TEXT as characters through the system's input
//                    queue into the control that has the focus, the
//                    program's window brought to the front first
//   size W H         make the current window W x H pixels, as dragging its frame
//   send MSG W L     send message number MSG with the numbers W and L to the
//                    current window and wait until it is handled
//   expect ID TEXT   fail unless the whole text of control ID is TEXT within
//                    3 s (line breaks compared as "\n")
//   contains ID TEXT the same for a text that holds TEXT anywhere (a message,
//                    the preview pane's "W x H", a long text)
//   stored PATH TEXT fail unless the element PATH (names from the root joined
//                    by "/", NAME[i] the i-th of that name, 0 first) of the
//                    XML file given by --settings (the program's settings,
//                    saved as they change) holds TEXT within 3 s
//   blank ID         fail unless control ID shows no text within 3 s (a combo
//                    box with nothing chosen)
//   enabled ID 0|1   fail unless the control's enabled state is that within 3 s
//   focused ID       fail unless control ID (or a child of it, a combo box's
//                    edit field) has the keyboard focus within 3 s (a window
//                    of another program that took the activation gives it
//                    back first, as for `key`)
//   fits ID          fail unless the whole text of control ID (an edit, or a
//                    combo box's edit field) is in view with the caret at its
//                    end, as after typing: not scrolled out at the start
//   page N           fail unless the current property sheet shows page N
//                    (0 first) within 3 s: its tab selected, its page shown
//   expanded ID 0|1  fail unless the selected item of tree view ID is expanded
//                    (1) or not (0) within 3 s
//   onscreen         fail unless the whole current window lies within the
//                    work area of a monitor within 3 s: none of it beyond the
//                    screen's edge, where a user could not see or reach it
//                    (the program works on after the driver's last input: a
//                    preview arrives, a box closes, a job starts or ends)
//   shot FILE        save a PNG picture of the current window (drawn anew first)
//   screen FILE      the same, of what the screen shows of it now, without
//                    asking the window to draw anything again
//                    (both fail for a window hidden for 3 s or at once for one
//                    reaching past the screen's edge: the screen cannot show it)
//   close            close the current window
//   kill             end the program at once, as a crash would: nothing it
//                    does when it closes runs (exit code 1)
//   exit CODE        wait up to 20 s for the program to end with that code
#include "tools/DriveScript.h"
#include "foundation/XmlDocument.h"
#include "imaging/ImageSaver.h"
#include "platform/Gdi.h"
#include "platform/GdiPlus.h"
#include "platform/GdiPlusGraphics.h"
#include "platform/Handle.h"
#include <windows.h>
#include <commctrl.h>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace {

const DWORD kWaitMs = 10000;
const DWORD kLongWaitMs = 60000;
const DWORD kExitWaitMs = 20000;
// A start, or a return to the main window after a document was read or
// refused, took over 10 s while the whole suite ran on a busy machine.
const DWORD kStartWaitMs = kLongWaitMs;
const DWORD kSettleMs = 150;       // lets posted work and repaints follow an input-idle report
const UINT kSendTimeoutMs = 10000;  // a sent message never blocks the driver for good
const int kCopyAttempts = 100;      // copies of a window's screen area, kCopyPauseMs apart
const DWORD kCopyPauseMs = 100;
const DWORD kStateWaitMs = 3000;   // for a control's state to follow the last input
const BYTE kUntouched = 0xA5;       // fills a picture before it is taken, to see whether anything was drawn

[[noreturn]] void Fail(const std::wstring& reason) { throw CDriveError{reason}; }

std::wstring ExeFolder()
{
    // The longest path the system takes: a build folder deeper than MAX_PATH
    // must not be cut.
    std::vector<wchar_t> path(32768, L'\0');
    const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    const std::wstring s(path.data(), n);
    return s.substr(0, s.rfind(L'\\'));
}

// The full form of a path, or the path itself when it has none.
std::wstring FullPath(const std::wstring& path)
{
    // Asked for the size first: a longer path than the buffer leaves it unwritten.
    const DWORD needed = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (needed == 0)
        return path;
    std::vector<wchar_t> full(needed, L'\0');
    const DWORD n = GetFullPathNameW(path.c_str(), needed, full.data(), nullptr);
    return n > 0 && n < needed ? std::wstring(full.data(), n) : path;
}

LRESULT Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG, kSendTimeoutMs, &result))
        Fail(L"the program does not answer");
    return static_cast<LRESULT>(result);
}

std::wstring WindowText(HWND window)
{
    const LRESULT length = Send(window, WM_GETTEXTLENGTH, 0, 0);
    std::vector<wchar_t> buffer(static_cast<size_t>(length) + 2, L'\0');
    Send(window, WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(buffer.data()));
    return buffer.data();
}

std::wstring ClassOf(HWND window)
{
    wchar_t name[64] = L"";
    GetClassNameW(window, name, 64);
    return name;
}

bool IsClass(HWND window, const wchar_t* name) { return _wcsicmp(ClassOf(window).c_str(), name) == 0; }

DWORD ProcessOf(HWND window)
{
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    return pid;
}

// Enumeration callbacks: nothing thrown may cross them, so a failure to
// allocate ends the enumeration instead.
BOOL CALLBACK CollectVisibleWindow(HWND window, LPARAM p)
{
    try {
        if (IsWindowVisible(window))
            reinterpret_cast<std::vector<HWND>*>(p)->push_back(window);
        return TRUE;
    } catch (...) {
        return FALSE;
    }
}

// Visible top-level windows of every process, topmost first.
std::vector<HWND> VisibleTopWindows()
{
    std::vector<HWND> found;
    EnumWindows(CollectVisibleWindow, reinterpret_cast<LPARAM>(&found));
    return found;
}

struct CFindId {
    int id;
    HWND found;
};

BOOL CALLBACK FindId(HWND child, LPARAM p)
{
    auto* f = reinterpret_cast<CFindId*>(p);
    if (GetDlgCtrlID(child) != f->id)
        return TRUE;
    f->found = child;
    return FALSE;
}

struct CFindText {
    const std::wstring* text;
    bool found;
};

BOOL CALLBACK FindStaticText(HWND child, LPARAM p)
{
    try {
        auto* f = reinterpret_cast<CFindText*>(p);
        if (!IsClass(child, L"Static"))
            return TRUE;
        wchar_t buffer[1024] = L"";
        DWORD_PTR ignored = 0;
        SendMessageTimeoutW(child, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(buffer), SMTO_ABORTIFHUNG,
                            kSendTimeoutMs, &ignored);
        f->found = ContainsText(buffer, *f->text);
        return !f->found;
    } catch (...) {
        return FALSE;
    }
}

// Appends " | text" for each visible static control with a text.
BOOL CALLBACK CollectStaticText(HWND child, LPARAM p)
{
    try {
        if (IsClass(child, L"Static") && IsWindowVisible(child)) {
            wchar_t buffer[256] = L"";
            DWORD_PTR ignored = 0;
            SendMessageTimeoutW(child, WM_GETTEXT, 256, reinterpret_cast<LPARAM>(buffer), SMTO_ABORTIFHUNG,
                                kSendTimeoutMs, &ignored);
            if (*buffer)
                *reinterpret_cast<std::wstring*>(p) += std::wstring(L" | ") + buffer;
        }
        return TRUE;
    } catch (...) {
        return FALSE;
    }
}

// Where visible top-level windows of other processes overlap `area` (screen
// coordinates), in the order the system lists them.
std::vector<RECT> ForeignWindowsOver(HWND window, const RECT& area)
{
    const DWORD own = ProcessOf(window);
    std::vector<RECT> found;
    for (HWND other : VisibleTopWindows()) {
        const DWORD pid = ProcessOf(other);
        RECT r, overlap;
        if (pid != own && pid != GetCurrentProcessId() && GetWindowRect(other, &r) &&
            IntersectRect(&overlap, &r, &area))
            found.push_back(overlap);
    }
    return found;
}

bool SameRects(const std::vector<RECT>& a, const std::vector<RECT>& b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (!EqualRect(&a[i], &b[i]))
            return false;
    return true;
}

// A 32-bit picture of a window: PrintWindow first; where that draws nothing
// (Wine sends WM_PRINT with our DC to the other process, where the handle
// means nothing), a copy of what the screen shows of the window's client area,
// with the window raised above every other window for the moment. Nobody draws
// the frame then: without a window manager it stays black. Without a window
// manager a window another program shows later may cover this one on the
// screen, whatever the order of the windows says: where a window of another
// program lies over the copied area, the picture is magenta (255, 0, 255),
// a colour to leave out of comparisons.
class CWindowPicture {
public:
    ~CWindowPicture() { Free(); }

    // redraw: the window draws itself anew first; else the picture shows what
    // the screen shows now, parts the window failed to draw included.
    bool Take(HWND window, bool redraw)
    {
        RECT r;
        GetWindowRect(window, &r);
        if (!Create(r.right - r.left, r.bottom - r.top))
            return false;
        if (redraw && PrintWindow(window, m_dc, 0) && (GdiFlush(), !Untouched()))
            return true;
        // The client area and the menu bar above it: what Wine paints itself.
        GetClientRect(window, &r);
        const int menu = GetMenu(window) ? GetSystemMetrics(SM_CYMENU) : 0;
        if (!Create(r.right, r.bottom + menu))
            return false;
        POINT origin = {0, 0};
        ClientToScreen(window, &origin);
        origin.y -= menu;
        const RECT area = {origin.x, origin.y, origin.x + m_width, origin.y + m_height};
        RequireOnScreen(window, area);
        if (redraw)
            RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        // The other process puts its painting on the screen when it gets to
        // it: copy until two copies in a row agree and show more than one
        // colour. Without a window manager a window that another program
        // shows later covers this one on the screen, topmost or not, and Wine
        // restacks the screen only when the window order changes: the window
        // leaves the topmost band and enters it again before every copy. The
        // copy is read from the screen: read through the window's own DC, it
        // stays black for seconds now and then while the screen shows it.
        std::vector<BYTE> previous;
        bool copied = false;
        const DWORD start = GetTickCount();
        for (int attempt = 0; attempt < kCopyAttempts; ++attempt) {
            SetWindowPos(window, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
            SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
            Sleep(kCopyPauseMs);
            const std::vector<RECT> before = ForeignWindowsOver(window, area);
            {
                const CScreenDC screen;
                copied = screen.IsValid() &&
                         BitBlt(m_dc, 0, 0, m_width, m_height, screen, origin.x, origin.y, SRCCOPY);
            }
            GdiFlush();
            if (!copied)
                break;
            // Another program's window came or went during the copy: again.
            if (!SameRects(before, ForeignWindowsOver(window, area)))
                continue;
            for (const RECT& r : before)
                Mask(r.left - origin.x, r.top - origin.y, r.right - origin.x, r.bottom - origin.y);
            // Other programs' windows over all of it (another test's window
            // at the same place, for a few seconds): the copy does not count
            // while they stay, up to the long wait.
            if (Covered() && GetTickCount() - start < kLongWaitMs) {
                --attempt;
                continue;
            }
            if (!Uniform() && previous.size() == Size() && std::memcmp(previous.data(), m_bits, Size()) == 0)
                break;
            previous.assign(m_bits, m_bits + Size());
        }
        SetWindowPos(window, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        // One colour to the last copy: nothing of the window reached the
        // screen.
        if (copied && Covered())
            Fail(L"other programs' windows lay over all of the window for a minute");
        if (copied && Uniform())
            Fail(L"the screen shows nothing of the window: every copy of its area was one colour");
        return copied;
    }

    bool SavePng(const std::wstring& path)
    {
        using namespace Gdiplus;
        // GDI leaves the alpha bytes undefined: the picture is opaque.
        for (size_t i = 0; i < Size(); i += 4)
            m_bits[i + 3] = 255;
        CLSID png;
        if (FAILED(FindEncoderClsid(L"image/png", &png)))
            return false;
        const Bitmap image(m_width, m_height, m_width * 4, PixelFormat32bppARGB, m_bits);
        return image.IsValid() && GdipSaveImageToFile(image.Native(), path.c_str(), &png, nullptr) == Ok;
    }

private:
    CCreatedDC m_dc;
    CBitmapHandle m_bitmap;
    HGDIOBJ m_old = nullptr;
    BYTE* m_bits = nullptr;
    LONG m_width = 0, m_height = 0;

    size_t Size() const { return static_cast<size_t>(m_width) * m_height * 4; }

    bool Create(LONG width, LONG height)
    {
        Free();
        if (width <= 0 || height <= 0)
            return false;
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;  // top-down, as GDI+ reads a scan0 buffer
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        m_dc.Reset(CreateCompatibleDC(nullptr));
        m_bitmap.Reset(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
        if (!m_dc || !m_bitmap)
            return false;
        m_old = SelectObject(m_dc, m_bitmap);
        m_bits = static_cast<BYTE*>(bits);
        m_width = width;
        m_height = height;
        std::memset(m_bits, kUntouched, Size());
        return true;
    }

    static std::wstring Corners(const RECT& r)
    {
        return L"(" + std::to_wstring(r.left) + L", " + std::to_wstring(r.top) + L") to (" +
               std::to_wstring(r.right) + L", " + std::to_wstring(r.bottom) + L")";
    }

    // The screen keeps no picture of what lies past its edges (a copy of such
    // an area comes back black): a window hidden, minimised or reaching
    // past an edge fails at once rather than give a picture of nothing.
    static void RequireOnScreen(HWND window, const RECT& area)
    {
        if (!IsWindowVisible(window) || IsIconic(window))
            Fail(L"the window is not shown on the screen");
        const int left = GetSystemMetrics(SM_XVIRTUALSCREEN), top = GetSystemMetrics(SM_YVIRTUALSCREEN);
        const RECT screen = {left, top, left + GetSystemMetrics(SM_CXVIRTUALSCREEN),
                             top + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
        RECT inside;
        if (!IntersectRect(&inside, &area, &screen) || !EqualRect(&inside, &area))
            Fail(L"the window reaches past the screen's edge: its client area spans " + Corners(area) +
                 L", the screen " + Corners(screen));
    }

    // Magenta over the part of the picture from (left, top) to (right, bottom).
    void Mask(LONG left, LONG top, LONG right, LONG bottom)
    {
        for (LONG y = std::max(0L, top); y < std::min(m_height, bottom); ++y)
            for (LONG x = std::max(0L, left); x < std::min(m_width, right); ++x) {
                BYTE* p = m_bits + (static_cast<size_t>(y) * m_width + x) * 4;
                p[0] = 255;
                p[1] = 0;
                p[2] = 255;
            }
    }

    bool Uniform() const
    {
        for (size_t i = 4; i < Size(); i += 4)
            if (std::memcmp(m_bits + i, m_bits, 3) != 0)
                return false;
        return true;
    }

    // All of the picture masked.
    bool Covered() const { return Uniform() && m_bits[0] == 255 && m_bits[1] == 0 && m_bits[2] == 255; }

    bool Untouched() const
    {
        for (size_t i = 0; i < Size(); ++i)
            if (m_bits[i] != kUntouched)
                return false;
        return true;
    }

    void Free()
    {
        if (m_dc && m_old)
            SelectObject(m_dc, m_old);
        m_bitmap.Reset();
        m_dc.Reset();
        m_old = nullptr;
        m_bits = nullptr;
        m_width = m_height = 0;
    }
};

class CDriver {
public:
    CDriver(const std::wstring& program, const std::wstring& settings) : m_program(program), m_settings(settings) {}

    void Run(const CDriveLine& line)
    {
        const std::wstring& c = line.command;
        if (c == L"start")
            Start(line.rest, true);
        else if (c == L"launch")
            Start(line.rest, false);
        else if (!m_process)
            Fail(L"no program was started");
        else if (c == L"main")
            Main();
        else if (c == L"wait")
            Wait(line.Text(0), kWaitMs);
        else if (c == L"waitlong")
            Wait(line.Text(0), kLongWaitMs);
        else if (c == L"text")
            SetText(Control(line.Id(0)), line.Text(1));
        else if (c == L"pick")
            Pick(Control(line.Id(0)), line.Text(1));
        else if (c == L"check")
            Check(Control(line.Id(0)), line.Flag(1));
        else if (c == L"click")
            Click(line.Id(0));
        else if (c == L"expect")
            Expect(Control(line.Id(0)), line.Text(1), true);
        else if (c == L"contains")
            Expect(Control(line.Id(0)), line.Text(1), false);
        else if (c == L"stored")
            Stored(line.WordAt(0), line.Text(1));
        else if (c == L"blank")
            Blank(Control(line.Id(0)));
        else if (c == L"enabled")
            Enabled(Control(line.Id(0)), line.Flag(1));
        else if (c == L"key")
            Key(ParseKeyName(line.Text(0)));
        else if (c == L"focus")
            Focus(Control(line.Id(0)));
        else if (c == L"focused")
            Focused(Control(line.Id(0)));
        else if (c == L"tab")
            Tab(line.Id(0));
        else if (c == L"press")
            Press(line, true);
        else if (c == L"release")
            Release();
        else if (c == L"clickat") {
            // Released at once: the press is held no longer than a quick click.
            Press(line, false);
            Release();
        } else if (c == L"realclick") {
            HWND control = Control(line.Id(0));
            RealClick(control, line.Words() == 3 ? POINT{line.Number(1), line.Number(2)} : Middle(control));
        } else if (c == L"pickdropped")
            PickDropped(Control(line.Id(0)), line.Text(1));
        else if (c == L"type")
            Type(line.Text(0));
        else if (c == L"wheel")
            Wheel(Control(line.Id(0)), line.Number(1));
        else if (c == L"size")
            Size(line.Number(0), line.Number(1));
        else if (c == L"send")
            Send(Current(), static_cast<UINT>(line.Id(0)), static_cast<WPARAM>(line.Number(1)),
                 static_cast<LPARAM>(line.Number(2)));
        else if (c == L"fits")
            Fits(Control(line.Id(0)));
        else if (c == L"page")
            Page(line.Id(0));
        else if (c == L"expanded")
            Expanded(Control(line.Id(0)), line.Flag(1));
        else if (c == L"onscreen")
            OnScreen(Current());
        else if (c == L"shot")
            Shot(line.Text(0), true);
        else if (c == L"screen")
            Shot(line.Text(0), false);
        else if (c == L"close")
            Close();
        else if (c == L"kill")
            Kill();
        else if (c == L"exit")
            Exit(line.Number(0));
        else
            Fail(L"unknown command");
    }

    // A failed script leaves no window of its program behind.
    void EndProgram()
    {
        if (m_process && WaitForSingleObject(m_process, 0) == WAIT_TIMEOUT)
            TerminateProcess(m_process, 1);
    }

private:
    std::wstring m_program;
    std::wstring m_settings;
    CHandle m_process;
    DWORD m_pid = 0;
    HWND m_current = nullptr;
    // The left button held by `press`: where, and the window that got it.
    bool m_pressed = false;
    POINT m_pressedAt = {0, 0};
    HWND m_pressedWindow = nullptr;

    // Visible top-level windows of the program, topmost first.
    std::vector<HWND> TopWindows() const
    {
        std::vector<HWND> windows = VisibleTopWindows();
        windows.erase(std::remove_if(windows.begin(), windows.end(), [&](HWND w) { return ProcessOf(w) != m_pid; }),
                      windows.end());
        return windows;
    }

    bool Ended() const { return WaitForSingleObject(m_process, 0) == WAIT_OBJECT_0; }

    void FailIfEnded()
    {
        DWORD code = 0;
        if (Ended() && GetExitCodeProcess(m_process, &code))
            Fail(L"the program ended with exit code " + std::to_wstring(code));
    }

    // Input idle, then a short pause for what the program posted to itself.
    void Settle()
    {
        WaitForInputIdle(m_process, kWaitMs);
        Sleep(kSettleMs);
    }

    // Polls until `holds` or the state wait is over; the last answer.
    template <class Pred>
    bool WaitFor(Pred holds)
    {
        const DWORD start = GetTickCount();
        for (;;) {
            if (holds())
                return true;
            FailIfEnded();
            if (GetTickCount() - start > kStateWaitMs)
                return false;
            Sleep(50);
        }
    }

    void RequireEnabled(HWND control)
    {
        if (!WaitFor([&] { return IsWindowEnabled(control) != FALSE; }))
            Fail(L"the control is disabled");
    }

    HWND Current()
    {
        if (!m_current || !IsWindow(m_current))
            Fail(L"there is no current window");
        return m_current;
    }

    // Control ID of the current window: a direct child first, else the first
    // descendant with that id (the text box sits inside a splitter).
    HWND Control(int id)
    {
        HWND window = Current();
        if (HWND direct = GetDlgItem(window, id))
            return direct;
        CFindId find{id, nullptr};
        EnumChildWindows(window, FindId, reinterpret_cast<LPARAM>(&find));
        if (!find.found)
            Fail(L"no control " + std::to_wstring(id) + L" in the current window");
        return find.found;
    }

    void Start(const std::wstring& args, bool waitForWindow)
    {
        if (m_process && !Ended())
            Fail(L"the program is already running");
        m_process.Close();
        m_current = nullptr;
        std::wstring commandLine = L"\"" + m_program + L"\"";
        if (!args.empty())
            commandLine += L" " + args;
        std::vector<wchar_t> buffer(commandLine.begin(), commandLine.end());
        buffer.push_back(L'\0');
        STARTUPINFOW si = {};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi = {};
        if (!CreateProcessW(m_program.c_str(), buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
            Fail(L"cannot start " + m_program + L" (error " + std::to_wstring(GetLastError()) + L")");
        CloseHandle(pi.hThread);  // only the process is watched
        m_process.Attach(pi.hProcess);
        m_pid = pi.dwProcessId;
        if (!waitForWindow)
            return;
        WaitForInputIdle(m_process, kWaitMs);
        const DWORD start = GetTickCount();
        for (;;) {
            // An enabled window is the one in front: a message box at start-up
            // disables the window it belongs to.
            for (HWND window : TopWindows()) {
                if (IsWindowEnabled(window)) {
                    m_current = window;
                    break;
                }
            }
            if (m_current)
                break;
            FailIfEnded();
            if (GetTickCount() - start > kStartWaitMs)
                Fail(L"the program showed no window within 60 s");
            Sleep(50);
        }
        Settle();
    }

    // The main window: the unowned window with a menu bar, else the first
    // unowned one; waited for until it takes input again.
    void Main()
    {
        const DWORD start = GetTickCount();
        for (;;) {
            HWND best = nullptr;
            for (HWND window : TopWindows()) {
                if (GetWindow(window, GW_OWNER))
                    continue;
                if (GetMenu(window)) {
                    best = window;
                    break;
                }
                if (!best)
                    best = window;
            }
            if (best && IsWindowEnabled(best)) {
                m_current = best;
                Settle();
                return;
            }
            FailIfEnded();
            if (GetTickCount() - start > kStartWaitMs)
                Fail(best ? L"the main window does not take input" : L"the program has no main window");
            Sleep(50);
        }
    }

    static bool HasStaticText(HWND window, const std::wstring& text)
    {
        CFindText find{&text, false};
        EnumChildWindows(window, FindStaticText, reinterpret_cast<LPARAM>(&find));
        return find.found;
    }

    // What the program's windows show (title, then static texts), for a
    // failed wait's report.
    std::wstring ShownTexts()
    {
        const size_t kMaxPerWindow = 200;
        std::wstring shown;
        for (HWND window : TopWindows()) {
            std::wstring texts = WindowText(window);
            EnumChildWindows(window, CollectStaticText, reinterpret_cast<LPARAM>(&texts));
            if (texts.size() > kMaxPerWindow)
                texts = texts.substr(0, kMaxPerWindow) + L"...";
            shown += (shown.empty() ? L"\"" : L", \"") + texts + L"\"";
        }
        return shown.empty() ? L"no window" : shown;
    }

    void Wait(const std::wstring& text, DWORD limit)
    {
        const DWORD start = GetTickCount();
        for (;;) {
            for (HWND window : TopWindows()) {
                if (ContainsText(WindowText(window), text) || HasStaticText(window, text)) {
                    m_current = window;
                    Settle();
                    return;
                }
            }
            FailIfEnded();
            if (GetTickCount() - start > limit)
                Fail(L"no window shows this text within " + std::to_wstring(limit / 1000) + L" s (shown: " +
                     ShownTexts() + L")");
            Sleep(100);
        }
    }

    // Edits and the edit field of a combo box take the text as typed input
    // (EM_REPLACESEL sends EN_CHANGE, WM_SETTEXT does not on a multi-line edit);
    // other controls take it as their window text.
    void SetText(HWND control, const std::wstring& text)
    {
        RequireEnabled(control);
        HWND edit = control;
        if (IsClass(control, L"ComboBox")) {
            edit = FindWindowExW(control, nullptr, L"Edit", nullptr);
            if (!edit)
                Fail(L"the combo box has no edit field (use pick)");
        }
        if (IsClass(edit, L"Edit")) {
            const bool multiLine = (GetWindowLongW(edit, GWL_STYLE) & ES_MULTILINE) != 0;
            const std::wstring typed = multiLine ? ToCrLf(text) : text;
            Send(edit, EM_SETSEL, 0, -1);
            Send(edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(typed.c_str()));
        } else {
            Send(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
        }
        Settle();
    }

    static void NotifyParent(HWND control, WORD code)
    {
        Send(GetParent(control), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(control), code), reinterpret_cast<LPARAM>(control));
    }

    // The index of the combo box's or list box's entry ITEM; fails without
    // one. Found by the control's own search, a message or two however long
    // the list: read entry by entry across the processes, the last of 10,000
    // took the driver 43 s. The search ignores case: an entry found in
    // another case is passed over.
    LRESULT ItemIndex(HWND control, bool combo, const std::wstring& item)
    {
        const UINT find = combo ? CB_FINDSTRINGEXACT : LB_FINDSTRINGEXACT;
        const UINT length = combo ? CB_GETLBTEXTLEN : LB_GETTEXTLEN;
        const UINT get = combo ? CB_GETLBTEXT : LB_GETTEXT;
        const LPARAM text = reinterpret_cast<LPARAM>(item.c_str());
        for (LRESULT i = Send(control, find, static_cast<WPARAM>(-1), text), last = -1; i > last;
             last = i, i = Send(control, find, static_cast<WPARAM>(i), text)) {
            const LRESULT len = Send(control, length, static_cast<WPARAM>(i), 0);
            std::vector<wchar_t> buffer(static_cast<size_t>(std::max<LRESULT>(len, 0)) + 1, L'\0');
            if (len >= 0 && Send(control, get, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(buffer.data())) >= 0 &&
                item == buffer.data())
                return i;
        }
        Fail(L"no item with this text");
    }

    void Pick(HWND control, const std::wstring& item)
    {
        const bool combo = IsClass(control, L"ComboBox");
        if (!combo && !IsClass(control, L"ListBox"))
            Fail(L"the control is neither a combo box nor a list box");
        RequireEnabled(control);
        const LRESULT i = ItemIndex(control, combo, item);
        if (combo) {
            Send(control, CB_SETCURSEL, i, 0);
            NotifyParent(control, CBN_SELCHANGE);
        } else {
            Send(control, LB_SETCURSEL, i, 0);
            if (GetWindowLongW(control, GWL_STYLE) & LBS_NOTIFY)
                NotifyParent(control, LBN_SELCHANGE);
        }
        Settle();
    }

    // An automatic box that must change is clicked (a radio button then clears
    // the others of its group); anything else is set and announced.
    void Check(HWND control, bool on)
    {
        if (!IsClass(control, L"Button"))
            Fail(L"the control is not a button");
        const LONG type = GetWindowLongW(control, GWL_STYLE) & BS_TYPEMASK;
        const bool autoBox = type == BS_AUTOCHECKBOX || type == BS_AUTO3STATE;
        const bool autoRadio = type == BS_AUTORADIOBUTTON;
        const bool box = autoBox || type == BS_CHECKBOX || type == BS_3STATE;
        if (!box && !autoRadio && type != BS_RADIOBUTTON)
            Fail(L"the control is neither a check box nor a radio button");
        RequireEnabled(control);
        const bool isOn = Send(control, BM_GETCHECK, 0, 0) == BST_CHECKED;
        if ((autoBox && isOn != on) || (autoRadio && on && !isOn)) {
            Send(control, BM_CLICK, 0, 0);
        } else {
            Send(control, BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
            NotifyParent(control, BN_CLICKED);
        }
        Settle();
    }

    // Returns once the program has handled the click: a `kill` right after
    // one found a command's automatic save not yet made.
    void Click(int id)
    {
        HWND window = Current();
        HWND control = nullptr;
        try {
            control = Control(id);
        } catch (const CDriveError&) {
            // Not a control: a command of the window's menu or accelerators.
        }
        if (control)
            RequireEnabled(control);
        // Attached before the post: a click that closes its window may leave
        // no thread to attach to afterwards.
        CInputLink link(WindowThread(window));
        if (!link.Attached())
            Fail(L"cannot reach the program");
        if (!control)
            PostMessageW(window, WM_COMMAND, MAKEWPARAM(id, 0), 0);
        else if (IsClass(control, L"Button"))
            PostMessageW(control, BM_CLICK, 0, 0);
        else
            PostMessageW(GetParent(control), WM_COMMAND, MAKEWPARAM(id, 0), reinterpret_cast<LPARAM>(control));
        WaitForPosted(window);
        Settle();
    }

    void Expect(HWND control, const std::wstring& text, bool whole)
    {
        std::wstring actual;
        if (!WaitFor([&] {
                actual = FromCrLf(WindowText(control));
                return whole ? actual == text : ContainsText(actual, text);
            }))
            Fail(L"the text is \"" + actual + L"\"");
    }

    // Read anew until it holds the text: a file read while the program
    // replaces it is read again.
    void Stored(const std::wstring& path, const std::wstring& text)
    {
        if (m_settings.empty())
            Fail(L"no settings file was given (--settings)");
        std::wstring actual, unread;
        if (!WaitFor([&] {
                CXmlDocument document;
                CXmlDocument::CNode node;
                const bool read = document.LoadFile(m_settings) && document.SelectSingleNode(path, node) &&
                                  document.GetText(node, actual);
                unread = read ? std::wstring() : document.GetError().message;
                return read && actual == text;
            }))
            Fail(unread.empty() ? L"the settings file holds \"" + actual + L"\"" : unread);
    }

    void Blank(HWND control)
    {
        std::wstring actual;
        if (!WaitFor([&] { return (actual = WindowText(control)).empty(); }))
            Fail(L"the text is \"" + actual + L"\"");
    }

    void Enabled(HWND control, bool on)
    {
        if (!WaitFor([&] { return (IsWindowEnabled(control) != FALSE) == on; }))
            Fail(on ? L"the control is disabled" : L"the control is enabled");
    }

    void Shot(const std::wstring& path, bool redraw)
    {
        // The program may hide its window for a moment as it works on after
        // the last input (WM_SETREDRAW off takes WS_VISIBLE away while a save
        // switches its seventy controls): only a window that stays hidden fails.
        const HWND window = Current();
        WaitFor([&] { return IsWindowVisible(window) && !IsIconic(window); });
        CWindowPicture picture;
        if (!picture.Take(window, redraw))
            Fail(L"cannot take a picture of the window");
        if (!picture.SavePng(path))
            Fail(L"cannot save the picture");
    }


    // --- Keys and the mouse ------------------------------------------------
    //
    // Input is posted to the program's windows, so it goes through the
    // program's own message loop as a user's would (accelerators, dialog
    // keys, the window under the mouse), and never reaches another program's
    // window, whichever window holds the activation. What the program reads
    // of the keyboard's state (the modifiers, the mouse button) is set in its
    // thread's input state while the driver is attached to it.

    // Attaches the driver's input to the program's window thread while it lives.
    class CInputLink {
    public:
        explicit CInputLink(DWORD thread) : m_thread(thread)
        {
            m_attached = AttachThreadInput(GetCurrentThreadId(), thread, TRUE) != FALSE;
        }
        ~CInputLink()
        {
            if (m_attached)
                AttachThreadInput(GetCurrentThreadId(), m_thread, FALSE);
        }
        CInputLink(const CInputLink&) = delete;
        CInputLink& operator=(const CInputLink&) = delete;
        bool Attached() const { return m_attached; }

    private:
        DWORD m_thread;
        bool m_attached;
    };

    DWORD WindowThread(HWND window) { return GetWindowThreadProcessId(window, nullptr); }

    // The keyboard state the program reads: the modifiers and the held button.
    void SetInputState(const CKeyStroke& held)
    {
        BYTE keys[256] = {};
        const BYTE down = 0x80;
        if (held.ctrl)
            keys[VK_CONTROL] = keys[VK_LCONTROL] = down;
        if (held.shift)
            keys[VK_SHIFT] = keys[VK_LSHIFT] = down;
        if (held.alt)
            keys[VK_MENU] = keys[VK_LMENU] = down;
        if (m_pressed)
            keys[VK_LBUTTON] = down;
        if (!SetKeyboardState(keys))
            Fail(L"cannot set the keyboard state of the program");
    }

    // Waits until the program's thread has taken everything posted to it so
    // far. A message posted behind them sets the thread's cursor when it is
    // handled, which the attached driver sees. (Wine's WaitForInputIdle says
    // idle at once, whatever is queued.) Input that closes its window (Esc or
    // OK on a dialog) or ends the program is taken once the window is hidden:
    // the shell's folder chooser is destroyed 2 s after it is hidden, and by
    // then the job its OK starts may have ended with a box over the main
    // window. What follows in the script tells whether closing was right.
    void WaitForPosted(HWND window)
    {
        HWND root = GetAncestor(window, GA_ROOT);
        SetCursor(nullptr);
        if (!PostMessageW(root, WM_SETCURSOR, reinterpret_cast<WPARAM>(root), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE))) {
            if (Ended() || !IsWindow(root))
                return;
            Fail(L"cannot post to the program");
        }
        const DWORD start = GetTickCount();
        while (!GetCursor()) {
            if (Ended() || !IsWindowVisible(root))
                return;
            if (GetTickCount() - start > kWaitMs)
                Fail(L"the program does not take its input");
            Sleep(5);
        }
    }

    static HWND ThreadFocus(DWORD thread)
    {
        GUITHREADINFO info = {};
        info.cbSize = sizeof info;
        return GetGUIThreadInfo(thread, &info) ? info.hwndFocus : nullptr;
    }

    // The window that has the focus in the program's current window's thread.
    // Windows of other programs on the display (other tests) may take the
    // activation, and the focus with it: the current window is brought back
    // to the front first, as a user would click it before typing.
    HWND FocusedWindow(DWORD thread)
    {
        HWND focus = ThreadFocus(thread);
        if (!focus) {
            SetForegroundWindow(GetAncestor(Current(), GA_ROOT));
            WaitFor([&] { return (focus = ThreadFocus(thread)) != nullptr; });
        }
        if (!focus)
            Fail(L"no window of the program has the focus");
        return focus;
    }

    static bool IsExtendedKey(UINT vk)
    {
        switch (vk) {
        case VK_LEFT: case VK_RIGHT: case VK_UP: case VK_DOWN: case VK_HOME: case VK_END:
        case VK_PRIOR: case VK_NEXT: case VK_INSERT: case VK_DELETE:
            return true;
        default:
            return false;
        }
    }

    void Key(const CKeyStroke& key)
    {
        const DWORD thread = WindowThread(Current());
        CInputLink link(thread);
        if (!link.Attached())
            Fail(L"cannot reach the keyboard of the program");
        HWND target = FocusedWindow(thread);
        // Alt turns a key into a system key, as F10 is one.
        const bool system = key.alt || key.vk == VK_F10;
        const UINT scan = MapVirtualKeyW(key.vk, MAPVK_VK_TO_VSC);
        LPARAM lp = 1 | (static_cast<LPARAM>(scan) << 16);
        if (IsExtendedKey(key.vk))
            lp |= 1L << 24;
        if (key.alt)
            lp |= 1L << 29;
        SetInputState(key);
        PostMessageW(target, system ? WM_SYSKEYDOWN : WM_KEYDOWN, key.vk, lp);
        PostMessageW(target, system ? WM_SYSKEYUP : WM_KEYUP, key.vk, lp | (1L << 30) | (1UL << 31));
        WaitForPosted(target);
        if (!Ended())
            SetInputState(CKeyStroke());
        Settle();
    }

    void Focus(HWND control)
    {
        RequireEnabled(control);
        // The dialog moves the focus as the Tab key does (a text field's
        // text is selected on the way in).
        Send(GetAncestor(control, GA_ROOT), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
        const DWORD thread = WindowThread(control);
        if (!WaitFor([&] {
                HWND focus = ThreadFocus(thread);
                return focus && (focus == control || IsChild(control, focus));
            }))
            Fail(L"the control did not take the focus");
        Settle();
    }

    // Names what has the focus instead, so that a failure says where it went.
    // Another program's window (another test's) may take the activation, and
    // the focus with it: the window is brought back to the front, and its
    // dialog gives the focus back to the control that had it.
    void Focused(HWND control)
    {
        const DWORD thread = WindowThread(control);
        HWND focus = nullptr;
        if (!WaitFor([&] {
                focus = ThreadFocus(thread);
                if (!focus && ProcessOf(GetForegroundWindow()) != m_pid)
                    SetForegroundWindow(GetAncestor(Current(), GA_ROOT));
                return focus && (focus == control || IsChild(control, focus));
            }))
            Fail(focus ? L"control " + std::to_wstring(GetDlgCtrlID(focus)) + L" has the focus"
                       : L"no window of the program has the focus");
    }

    HWND SheetTabs(HWND sheet)
    {
        HWND tabs = reinterpret_cast<HWND>(Send(sheet, PSM_GETTABCONTROL, 0, 0));
        if (!tabs)
            Fail(L"the current window is no property sheet");
        return tabs;
    }

    void Page(int page)
    {
        HWND sheet = Current();
        HWND tabs = SheetTabs(sheet);
        int shown = -1;
        if (!WaitFor([&] {
                shown = static_cast<int>(Send(tabs, TCM_GETCURSEL, 0, 0));
                HWND current = reinterpret_cast<HWND>(Send(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
                return shown == page && current && IsWindowVisible(current);
            }))
            Fail(L"the sheet shows page " + std::to_wstring(shown));
    }

    void Tab(int page)
    {
        HWND sheet = Current();
        HWND tabs = SheetTabs(sheet);
        if (page >= Send(tabs, TCM_GETITEMCOUNT, 0, 0))
            Fail(L"the sheet has no page " + std::to_wstring(page));
        Send(sheet, PSM_SETCURSEL, static_cast<WPARAM>(page), 0);
        if (!WaitFor([&] { return Send(tabs, TCM_GETCURSEL, 0, 0) == page; }))
            Fail(L"the sheet did not show page " + std::to_wstring(page));
        Settle();
    }

    // The deepest visible child of `window` at the screen point, as the mouse
    // would find it.
    static HWND WindowAt(HWND window, POINT screen)
    {
        for (;;) {
            POINT client = screen;
            ScreenToClient(window, &client);
            HWND child = ChildWindowFromPointEx(window, client, CWP_SKIPINVISIBLE | CWP_SKIPTRANSPARENT);
            if (!child || child == window)
                return window;
            window = child;
        }
    }

    static LPARAM ClientPoint(HWND window, POINT screen)
    {
        ScreenToClient(window, &screen);
        return MAKELPARAM(screen.x, screen.y);
    }

    void Press(const CDriveLine& line, bool settle)
    {
        HWND control = Control(line.Id(0));
        RequireEnabled(control);
        if (m_pressed)
            Fail(L"the button is held already (release it first)");
        RECT r;
        GetClientRect(control, &r);
        POINT at = {r.right / 2, r.bottom / 2};
        if (line.Words() == 3) {
            at.x = line.Number(1);
            at.y = line.Number(2);
        }
        ClientToScreen(control, &at);
        HWND target = WindowAt(GetAncestor(control, GA_ROOT), at);
        CInputLink link(WindowThread(target));
        if (!link.Attached())
            Fail(L"cannot reach the mouse of the program");
        m_pressed = true;
        m_pressedAt = at;
        m_pressedWindow = target;
        SetInputState(CKeyStroke());
        const LPARAM lp = ClientPoint(target, at);
        PostMessageW(target, WM_MOUSEMOVE, 0, lp);
        PostMessageW(target, WM_LBUTTONDOWN, MK_LBUTTON, lp);
        WaitForPosted(target);
        if (settle)
            Settle();
    }

    void Release()
    {
        if (!m_pressed)
            Fail(L"no button is held");
        HWND target = m_pressedWindow;
        m_pressed = false;
        if (!IsWindow(target))
            Fail(L"the window that was pressed is gone");
        const DWORD thread = WindowThread(target);
        CInputLink link(thread);
        if (!link.Attached())
            Fail(L"cannot reach the mouse of the program");
        GUITHREADINFO info = {};
        info.cbSize = sizeof info;
        if (GetGUIThreadInfo(thread, &info) && info.hwndCapture)
            target = info.hwndCapture;
        SetInputState(CKeyStroke());
        PostMessageW(target, WM_LBUTTONUP, 0, ClientPoint(target, m_pressedAt));
        WaitForPosted(target);
        Settle();
    }

    // Raises a window above every other program's window (none shown
    // meanwhile comes over it) and puts back, however the wheel ends, what
    // that changed on the shared display: the window's place in the window
    // order, and the pointer.
    class CPutBack {
    public:
        explicit CPutBack(HWND window)
            : m_window(window), m_above(GetWindow(window, GW_HWNDPREV)),
              m_topmost((GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0)
        {
            if (!GetCursorPos(&m_pointer))
                Fail(L"cannot tell where the pointer is");
            SetWindowPos(m_window, HWND_TOPMOST, 0, 0, 0, 0, kFlags);
        }
        ~CPutBack()
        {
            PointerBack();
            if (m_topmost)
                return;
            SetWindowPos(m_window, HWND_NOTOPMOST, 0, 0, 0, 0, kFlags);
            // Below the window that was above it, when that one is still
            // there and not topmost (the top of its band otherwise).
            if (m_above && IsWindow(m_above) && !(GetWindowLongW(m_above, GWL_EXSTYLE) & WS_EX_TOPMOST))
                SetWindowPos(m_window, m_above, 0, 0, 0, 0, kFlags);
        }
        CPutBack(const CPutBack&) = delete;
        CPutBack& operator=(const CPutBack&) = delete;
        POINT Pointer() const { return m_pointer; }
        void LeavePointer() { m_pointerAway = false; }
        void PointerBack()
        {
            POINT now = {0, 0};
            if (m_pointerAway && (!GetCursorPos(&now) || now.x != m_pointer.x || now.y != m_pointer.y))
                SetCursorPos(m_pointer.x, m_pointer.y);
            m_pointerAway = false;
        }

    private:
        static const UINT kFlags = SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE;
        HWND m_window;
        HWND m_above;
        bool m_topmost;
        bool m_pointerAway = true;
        POINT m_pointer = {0, 0};
    };

    // Real input (SendInput), unlike the posted keys and clicks: which
    // window a wheel goes to is the system's choice, and that choice is what
    // is tried. Other tests' programs share the display: the program's
    // window is above theirs only while the wheel turns, so that none of
    // them gets it, and the pointer goes back to where it was.
    void Wheel(HWND control, int notches)
    {
        RequireEnabled(control);
        HWND root = GetAncestor(control, GA_ROOT);
        CInputLink link(WindowThread(control));
        if (!link.Attached())
            Fail(L"cannot reach the mouse of the program");
        // Over a combo box's text, where one points to turn through its list.
        HWND over = control;
        if (IsClass(control, L"ComboBox"))
            if (HWND edit = FindWindowExW(control, nullptr, L"Edit", nullptr))
                over = edit;
        RECT r;
        GetClientRect(over, &r);
        POINT at = {r.right / 2, r.bottom / 2};
        ClientToScreen(over, &at);
        // Only the top-level window counts: a group box over the control is
        // found here, but the program's own hit test looks through it.
        const auto reached = [&](POINT p) { return GetAncestor(WindowFromPoint(p), GA_ROOT) == root; };
        CPutBack putBack(root);
        if (!reached(at))
            Fail(L"the control is off the screen or under another window");
        const POINT was = putBack.Pointer();
        if (was.x != at.x || was.y != at.y)
            TakeMouseInput([&] { return SetCursorPos(at.x, at.y) != FALSE; });
        SetInputState(CKeyStroke());
        for (int i = 0; i < std::abs(notches); ++i)
            TakeMouseInput([&] {
                INPUT input = {};
                input.type = INPUT_MOUSE;
                input.mi.dwFlags = MOUSEEVENTF_WHEEL;
                input.mi.mouseData = static_cast<DWORD>(notches > 0 ? WHEEL_DELTA : -WHEEL_DELTA);
                return SendInput(1, &input, sizeof input) == 1;
            });
        WaitForPosted(control);
        // A move back onto the program's own window is waited for, so that it
        // cannot stand in for the taking of the next command's mouse input.
        if (was.x != at.x || was.y != at.y) {
            if (reached(was))
                TakeMouseInput([&] { return SetCursorPos(was.x, was.y) != FALSE; });
            putBack.PointerBack();
        }
        Settle();
    }

    // Gives the program one piece of mouse input and waits until its thread
    // has taken it: the system asks the window under the pointer for its
    // cursor (WM_SETCURSOR) as it hands the input over, which the attached
    // driver sees.
    template <class Give>
    void TakeMouseInput(Give give)
    {
        SetCursor(nullptr);
        if (!give())
            Fail(L"the system refused the mouse input");
        const DWORD start = GetTickCount();
        while (!GetCursor()) {
            FailIfEnded();
            if (GetTickCount() - start > kWaitMs)
                Fail(L"the program does not take its mouse input");
            Sleep(5);
        }
    }

    static POINT Middle(HWND control)
    {
        RECT r;
        GetClientRect(control, &r);
        return POINT{r.right / 2, r.bottom / 2};
    }

    // Waits until the program's thread has read a piece of real input: the
    // key state it shares with the attached driver changes only as the
    // input is read (the cursor question does not come while a dropped
    // list holds the mouse).
    void WaitForKeyState(int vk, bool down)
    {
        const DWORD start = GetTickCount();
        while ((GetKeyState(vk) < 0) != down) {
            FailIfEnded();
            if (GetTickCount() - start > kWaitMs)
                Fail(L"the program does not take its input");
            Sleep(5);
        }
    }

    static bool SendOne(INPUT input) { return SendInput(1, &input, sizeof input) == 1; }

    // The button goes down or up at `at` (screen): the event carries its
    // place, since under Wine a button sent right after SetCursorPos was now
    // and then read at the pointer's place before it.
    void SendMouseButton(DWORD flag, bool down, POINT at)
    {
        const LONGLONG left = GetSystemMetrics(SM_XVIRTUALSCREEN), top = GetSystemMetrics(SM_YVIRTUALSCREEN);
        const LONGLONG width = std::max(1, GetSystemMetrics(SM_CXVIRTUALSCREEN));
        const LONGLONG height = std::max(1, GetSystemMetrics(SM_CYVIRTUALSCREEN));
        INPUT input = {};
        input.type = INPUT_MOUSE;
        // Normalised to 0..65535 over the screen, rounded up so that the
        // system's (n * width) >> 16 gives the pixel back.
        input.mi.dx = static_cast<LONG>(((at.x - left) * 65536 + width - 1) / width);
        input.mi.dy = static_cast<LONG>(((at.y - top) * 65536 + height - 1) / height);
        input.mi.dwFlags = flag | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_VIRTUALDESK;
        if (!SendOne(input))
            Fail(L"the system refused the mouse input");
        WaitForKeyState(VK_LBUTTON, down);
    }

    // A click of the real mouse at `client` in `target`'s client area. The
    // window under the point must be the program's (a dropped list lies
    // over the window's own controls); the program's window is raised for
    // the click and the pointer goes back where it was, as for the wheel.
    void RealClick(HWND target, POINT client)
    {
        RequireEnabled(target);
        if (m_pressed)
            Fail(L"the button is held already (release it first)");
        HWND root = GetAncestor(Current(), GA_ROOT);
        CInputLink link(WindowThread(target));
        if (!link.Attached())
            Fail(L"cannot reach the mouse of the program");
        POINT at = client;
        ClientToScreen(target, &at);
        const auto ours = [&](POINT p) { return ProcessOf(WindowFromPoint(p)) == m_pid; };
        CPutBack putBack(root);
        if (!ours(at))
            Fail(L"the point is off the screen or under another program's window");
        const POINT was = putBack.Pointer();
        SetInputState(CKeyStroke());
        if (!SetCursorPos(at.x, at.y))
            Fail(L"the system refused to move the pointer");
        SendMouseButton(MOUSEEVENTF_LEFTDOWN, true, at);
        SendMouseButton(MOUSEEVENTF_LEFTUP, false, at);
        WaitForPosted(root);
        // The pointer's way back is read too, so that a move read later
        // cannot reach a list the next command drops; while a list the click
        // dropped holds the mouse, the pointer stays (no cursor question
        // would tell when the move was read, and the move would go to it).
        GUITHREADINFO info = {};
        info.cbSize = sizeof info;
        if (GetGUIThreadInfo(WindowThread(target), &info) && info.hwndCapture) {
            putBack.LeavePointer();
        } else {
            if ((was.x != at.x || was.y != at.y) && ours(was))
                TakeMouseInput([&] { return SetCursorPos(was.x, was.y) != FALSE; });
            putBack.PointerBack();
        }
        Settle();
    }

    // The program's dropped combo list (a window of its own on the desktop).
    HWND DroppedList()
    {
        for (HWND window : TopWindows())
            if (IsClass(window, L"ComboLBox"))
                return window;
        Fail(L"the program shows no dropped list");
    }

    void PickDropped(HWND combo, const std::wstring& item)
    {
        if (!IsClass(combo, L"ComboBox"))
            Fail(L"the control is no combo box");
        if (!Send(combo, CB_GETDROPPEDSTATE, 0, 0))
            Fail(L"the combo box's list is not dropped");
        const LRESULT index = ItemIndex(combo, true, item);
        HWND list = DroppedList();
        RECT r;
        GetClientRect(list, &r);
        const LRESULT height = std::max<LRESULT>(Send(list, LB_GETITEMHEIGHT, static_cast<WPARAM>(index), 0), 1);
        LRESULT top = Send(list, LB_GETTOPINDEX, 0, 0);
        if (index < top || (index - top + 1) * height > r.bottom) {
            Send(list, LB_SETTOPINDEX, static_cast<WPARAM>(index), 0);
            top = Send(list, LB_GETTOPINDEX, 0, 0);
        }
        RealClick(list, POINT{r.right / 2, static_cast<LONG>((index - top) * height + height / 2)});
    }

    // Characters as a keyboard gives them (KEYEVENTF_UNICODE), then Shift
    // pressed and let go: it types nothing, and its state tells when the
    // program has read everything before it.
    void Type(const std::wstring& text)
    {
        HWND root = GetAncestor(Current(), GA_ROOT);
        const DWORD thread = WindowThread(root);
        CInputLink link(thread);
        if (!link.Attached())
            Fail(L"cannot reach the keyboard of the program");
        HWND target = FocusedWindow(thread);
        if (!WaitFor([&] {
                if (ProcessOf(GetForegroundWindow()) == m_pid)
                    return true;
                SetForegroundWindow(root);
                return false;
            }))
            Fail(L"the program's window does not come to the front");
        SetInputState(CKeyStroke());
        for (wchar_t c : text)
            for (DWORD up : {DWORD(0), DWORD(KEYEVENTF_KEYUP)}) {
                INPUT input = {};
                input.type = INPUT_KEYBOARD;
                input.ki.wScan = c;
                input.ki.dwFlags = KEYEVENTF_UNICODE | up;
                if (!SendOne(input))
                    Fail(L"the system refused the keyboard input");
            }
        for (bool down : {true, false}) {
            INPUT input = {};
            input.type = INPUT_KEYBOARD;
            input.ki.wVk = VK_SHIFT;
            input.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
            if (!SendOne(input))
                Fail(L"the system refused the keyboard input");
            WaitForKeyState(VK_SHIFT, down);
        }
        WaitForPosted(target);
        Settle();
    }

    void Size(int width, int height)
    {
        HWND window = Current();
        // Another thread's window is sized by its own thread: the call
        // returns once the program has laid the window out.
        if (!SetWindowPos(window, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE))
            Fail(L"cannot size the window");
        RECT r;
        if (!WaitFor([&] {
                GetWindowRect(window, &r);
                return r.right - r.left == width && r.bottom - r.top == height;
            }))
            Fail(L"the window is " + std::to_wstring(r.right - r.left) + L" x " + std::to_wstring(r.bottom - r.top));
        WaitForPostedTo(window);
        Settle();
    }

    // WaitForPosted with the driver attached for the moment.
    void WaitForPostedTo(HWND window)
    {
        CInputLink link(WindowThread(window));
        if (!link.Attached())
            Fail(L"cannot reach the program");
        WaitForPosted(window);
    }

    void Fits(HWND control)
    {
        HWND edit = IsClass(control, L"ComboBox") ? FindWindowExW(control, nullptr, L"Edit", nullptr) : control;
        if (!edit || !IsClass(edit, L"Edit"))
            Fail(L"the control shows no text field");
        // The caret at the end, as typing leaves it: a field too narrow
        // scrolls its start out of view to show the caret.
        const LRESULT length = Send(edit, WM_GETTEXTLENGTH, 0, 0);
        Send(edit, EM_SETSEL, static_cast<WPARAM>(length), length);
        if (length == 0)
            return;
        const int first = static_cast<short>(LOWORD(Send(edit, EM_POSFROMCHAR, 0, 0)));
        const int margin = LOWORD(Send(edit, EM_GETMARGINS, 0, 0));
        if (first < margin)
            Fail(L"the start of \"" + WindowText(edit) + L"\" is scrolled out of view (" +
                 std::to_wstring(margin - first) + L" pixels)");
    }

    void OnScreen(HWND window)
    {
        RECT r = {0, 0, 0, 0}, area = {0, 0, 0, 0};
        if (!WaitFor([&] {
                MONITORINFO info = {sizeof info};
                HMONITOR monitor = GetWindowRect(window, &r) ? MonitorFromRect(&r, MONITOR_DEFAULTTONULL) : nullptr;
                if (!monitor || !GetMonitorInfoW(monitor, &info))
                    return false;
                area = info.rcWork;
                return r.left >= area.left && r.top >= area.top && r.right <= area.right && r.bottom <= area.bottom;
            })) {
            auto text = [](const RECT& x) {
                return std::to_wstring(x.left) + L"," + std::to_wstring(x.top) + L"-" + std::to_wstring(x.right) + L"," +
                       std::to_wstring(x.bottom);
            };
            Fail(L"the window " + text(r) + L" reaches beyond the work area " + text(area));
        }
    }

    void Expanded(HWND tree, bool on)
    {
        if (!IsClass(tree, WC_TREEVIEWW))
            Fail(L"the control is no tree view");
        bool expanded = false;
        if (!WaitFor([&] {
                const LRESULT item = Send(tree, TVM_GETNEXTITEM, TVGN_CARET, 0);
                expanded = item && (Send(tree, TVM_GETITEMSTATE, static_cast<WPARAM>(item), TVIS_EXPANDED) & TVIS_EXPANDED);
                return item && expanded == on;
            }))
            Fail(expanded ? L"the selected item is expanded" : L"the selected item is not expanded (or none is selected)");
    }

    void Close()
    {
        PostMessageW(Current(), WM_CLOSE, 0, 0);
        m_current = nullptr;
        if (WaitForSingleObject(m_process, 0) == WAIT_TIMEOUT)
            Settle();
    }

    void Kill()
    {
        m_current = nullptr;
        if (WaitForSingleObject(m_process, 0) == WAIT_TIMEOUT)
            TerminateProcess(m_process, 1);
        if (WaitForSingleObject(m_process, kExitWaitMs) != WAIT_OBJECT_0)
            Fail(L"the program did not end within 20 s");
    }

    void Exit(int code)
    {
        if (WaitForSingleObject(m_process, kExitWaitMs) != WAIT_OBJECT_0)
            Fail(L"the program did not end within 20 s");
        DWORD actual = 0;
        GetExitCodeProcess(m_process, &actual);
        if (static_cast<int>(actual) != code)
            Fail(L"the program ended with exit code " + std::to_wstring(actual));
    }
};

bool ReadScript(const std::wstring& name, std::string& bytes)
{
    if (name.empty() || name == L"-") {
        bytes.assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
        return true;
    }
    std::ifstream file(name.c_str(), std::ios::binary);
    if (!file)
        return false;
    std::ostringstream all;
    all << file.rdbuf();
    bytes = all.str();
    return true;
}

void PrintError(const std::wstring& text)
{
    const std::string utf8 = ToUtf8(text + L"\n");
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    std::wstring program = ExeFolder() + L"\\..\\app\\kantelo.exe";
    std::wstring scriptName, settings;
    for (int i = 1; i < argc; ++i) {
        const std::wstring arg = argv[i];
        if (arg == L"--program" && i + 1 < argc) {
            program = argv[++i];
        } else if (arg == L"--settings" && i + 1 < argc) {
            settings = argv[++i];
        } else if (!scriptName.empty()) {
            PrintError(L"usage: drive [--program PATH] [--settings FILE] [SCRIPT]");
            return 2;
        } else {
            scriptName = arg;
        }
    }
    std::string bytes;
    if (!ReadScript(scriptName, bytes)) {
        PrintError(L"drive: cannot read " + scriptName);
        return 2;
    }
    program = FullPath(program);

    Gdiplus::CGdiplusStartup gdiplus;
    const CComApartment com;  // for the XML reader of `stored`
    CDriver driver(program, settings);
    const std::vector<std::wstring> lines = SplitScriptLines(bytes);
    for (size_t i = 0; i < lines.size(); ++i) {
        CDriveLine line;
        if (!ParseDriveLine(lines[i], line))
            continue;
        try {
            line.Check();
            const DWORD begun = GetTickCount();
            driver.Run(line);
            if (GetEnvironmentVariableW(L"KNT_DRIVE_TRACE", nullptr, 0))
                PrintError(L"drive: line " + std::to_wstring(i + 1) + L" took " + std::to_wstring(GetTickCount() - begun) + L" ms");
        } catch (const CDriveError& e) {
            PrintError(L"drive: line " + std::to_wstring(i + 1) + L": " + lines[i] + L"\n  " + e.reason);
            driver.EndProgram();
            return 1;
        }
    }
    return 0;
}
