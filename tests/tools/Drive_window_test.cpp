// The UI driver as tests and people use it, on the stand-in program that
// shows one dialog template: every command, the stop at the first failing
// line, pictures refused for a window past the screen's edge, windows of
// other programs left alone, and a picture of every dialog of the program
// in build/test-output/dialog-<id>.png.
#include "platform/GdiPlus.h"
#include "resources/font_list.h"
#include "resources/info_dialogs.h"
#include "resources/main_window.h"
#include "resources/paint_dialog.h"
#include "tests/common/TestSupport.h"
#include <gtest/gtest.h>
#include <set>
#include <string>
#include <vector>

namespace {

std::wstring Tool(const wchar_t* name) { return BuildPath(std::wstring(L"tools\\") + name); }

struct CDriveResult {
    DWORD exitCode = 0xFFFFFFFF;
    std::string err;
};

// Runs the driver on the stand-in program with a UTF-8 script; its error
// output is read from a file, so no pipe can fill up.
CDriveResult Drive(const std::string& script, const std::wstring& program = Tool(L"dialoghost.exe"))
{
    CTempFolder folder;
    const std::wstring scriptPath = folder.File(L"script.txt"), errPath = folder.File(L"err.txt");
    WriteFileBytes(scriptPath, script);
    const std::wstring cmd = L"\"" + Tool(L"drive.exe") + L"\" --program \"" + program + L"\" \"" +
                             scriptPath + L"\"";
    CDriveResult r;
    r.exitCode = RunWithOutputFile(cmd, errPath, 100000);
    r.err = ReadFileBytes(errPath);
    return r;
}

std::string Utf8(const std::wstring& text) { return Narrow(text); }

// Width, height and the number of distinct colours of a PNG file.
bool ReadPicture(const std::wstring& path, UINT& width, UINT& height, size_t& colours)
{
    using namespace Gdiplus;
    GpBitmap* bitmap = nullptr;
    if (GdipCreateBitmapFromFile(path.c_str(), &bitmap) != Ok)
        return false;
    GdipGetImageWidth(bitmap, &width);
    GdipGetImageHeight(bitmap, &height);
    std::set<ARGB> seen;
    for (UINT y = 0; y < height; y += 3)
        for (UINT x = 0; x < width; x += 3) {
            ARGB c = 0;
            GdipBitmapGetPixel(bitmap, static_cast<INT>(x), static_cast<INT>(y), &c);
            seen.insert(c);
        }
    colours = seen.size();
    GdipDisposeImage(bitmap);
    return true;
}

struct CFindWindow {
    DWORD pid;
    HWND window;
};

BOOL CALLBACK FindVisibleWindow(HWND window, LPARAM p)
{
    auto* f = reinterpret_cast<CFindWindow*>(p);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid == f->pid && IsWindowVisible(window))
        f->window = window;
    return f->window == nullptr;
}

} // namespace

TEST(Drive, PictureOfEveryDialog)
{
    if (!CanCreateWindows())
        GTEST_SKIP() << "no window can be created on this desktop";
    const UINT dialogs[] = {IDD_MAIN,      IDD_FINISHED, IDD_PAGE_LINEAR, IDD_PAGE_TEXTURE,
                            IDD_FONT_LIST, IDD_ABOUT,    IDD_PAGE_MONO};
    std::string script = "# one picture per dialog template\n";
    for (UINT id : dialogs) {
        const std::string n = std::to_string(id);
        script += "start " + n + "\nshot " + Utf8(TestOutputPath(L"dialog-" + std::to_wstring(id) + L".png")) +
                  "\nclose\nexit 2\n";
    }
    const CDriveResult r = Drive(script);
    ASSERT_EQ(0u, r.exitCode) << r.err;
    for (UINT id : dialogs) {
        UINT width = 0, height = 0;
        size_t colours = 0;
        ASSERT_TRUE(ReadPicture(TestOutputPath(L"dialog-" + std::to_wstring(id) + L".png"), width, height, colours))
            << id;
        EXPECT_GT(width, 150u) << id;
        EXPECT_GT(height, 60u) << id;
        EXPECT_GT(colours, 3u) << id;  // controls were drawn, not a blank area
    }
}

TEST(Drive, EveryCommandWorksTheWindows)
{
    if (!CanCreateWindows())
        GTEST_SKIP() << "no window can be created on this desktop";
    // The stand-in echoes every command it receives in its title: "[code id]".
    const CDriveResult r = Drive(
        "start --fill 147\n"
        "expect 1 実行(&R)\n"
        "enabled 256 1\n"
        "text 165 FF0000\n"                 // typed into the combo's edit field
        "wait [5 165]\n"                    // CBN_EDITCHANGE
        "expect 165 FF0000\n"
        "pick 159 二\n"
        "wait [1 159]\n"                    // CBN_SELCHANGE
        "expect 159 二\n"
        "check 182 1\n"
        "wait [0 182]\n"
        "check 239 1\n"
        "wait [0 239]\n"
        "click 257\n"
        "wait [0 257]\n"
        "click 363\n"                       // a menu command: no control has the id
        "wait [0 363]\n"
        "main\n"
        "close\n"
        "exit 2\n"
        "# a message box at start-up comes first\n"
        "start --message お知らせです 148\n"
        "wait お知らせです\n"
        "click 1\n"
        "wait 正常終了\n"
        "contains 260 個のファイル\n"
        "expect 260 %d 個のファイルを作成しました\n"
        "click 1\n"
        "exit 1\n");
    EXPECT_EQ(0u, r.exitCode) << r.err;
}

TEST(Drive, KeysAndClicksGoThroughTheProgramsOwnLoop)
{
    if (!CanCreateWindows())
        GTEST_SKIP() << "no window can be created on this desktop";
    // A letter typed into the focused combo box's field, a click by place
    // on a button, then Esc: the dialog manager turns it into Cancel, which
    // closes the stand-in with 2. Real input: typed characters, a click on
    // an entry of a dropped list and a click on a button.
    const CDriveResult r = Drive(
        "start --fill 147\n"
        "focus 165\n"
        "focused 165\n"                     // the focus is in its edit field
        "key a\n"
        "wait [5 165]\n"                    // CBN_EDITCHANGE
        "expect 165 a\n"
        "key shift+b\n"
        "expect 165 aB\n"
        "type c一\n"
        "expect 165 aBc一\n"
        "focus 159\nkey f4\npickdropped 159 三\n"
        "wait [1 159]\n"                    // CBN_SELCHANGE
        "expect 159 三\n"
        "realclick 256\n"
        "wait [0 256]\n"
        "clickat 257\n"
        "wait [0 257]\n"                    // BN_CLICKED from the press and release
        "key esc\n"
        "exit 2\n"
        "# a page is shown in a sheet of its own, with one page\n"
        "start 149\n"
        "tab 0\n"
        "close\n"
        "exit 2\n");
    EXPECT_EQ(0u, r.exitCode) << r.err;
    EXPECT_EQ(1u, Drive("start 149\ntab 1\n").exitCode);      // no second page
    EXPECT_EQ(1u, Drive("start 148\nrelease\n").exitCode);    // nothing was pressed
    EXPECT_EQ(1u, Drive("start --fill 147\nfocus 165\nfocused 159\n").exitCode);
}

TEST(Drive, StopsAtTheFirstFailingLine)
{
    if (!CanCreateWindows())
        GTEST_SKIP() << "no window can be created on this desktop";
    const CDriveResult r = Drive("start 148\n"
                                 "contains 260 個のファイル\n"
                                 "contains 260 枚のページ\n"
                                 "close\n");
    EXPECT_EQ(1u, r.exitCode);
    EXPECT_NE(std::string::npos, r.err.find("line 3: contains 260 " + Utf8(L"枚のページ"))) << r.err;
    EXPECT_EQ(std::string::npos, r.err.find("line 4")) << r.err;
    // expect takes the whole text: a value inside it fails.
    const CDriveResult part = Drive("start 147\ntext 212 100\nexpect 212 100\ncontains 212 0\nexpect 212 0\n");
    EXPECT_EQ(1u, part.exitCode);
    EXPECT_NE(std::string::npos, part.err.find("line 5: expect 212 0")) << part.err;

    EXPECT_EQ(1u, Drive("start 148\nenabled 261 0\n").exitCode);
    EXPECT_EQ(1u, Drive("start 148\npick 261 x\n").exitCode);
    EXPECT_EQ(1u, Drive("main\n").exitCode);  // nothing started

    // A program path longer than MAX_PATH is reported as given.
    const std::wstring longPath = L"C:\\" + std::wstring(300, L'x') + L".exe";
    const CDriveResult missing = Drive("start\n", longPath);
    EXPECT_EQ(1u, missing.exitCode);
    EXPECT_NE(std::string::npos, missing.err.find("cannot start " + Utf8(longPath))) << missing.err;
}

TEST(Drive, PicturesFailForAWindowTheScreenCannotShow)
{
    if (!CanCreateWindows())
        GTEST_SKIP() << "no window can be created on this desktop";
    // The screen keeps nothing of what lies past its edges: a window placed
    // past the left edge, or past the right and bottom ones, gives no
    // picture and no file, and the line says why.
    const std::string right = std::to_string(GetSystemMetrics(SM_XVIRTUALSCREEN) +
                                             GetSystemMetrics(SM_CXVIRTUALSCREEN) - 60);
    const std::string bottom = std::to_string(GetSystemMetrics(SM_YVIRTUALSCREEN) +
                                              GetSystemMetrics(SM_CYVIRTUALSCREEN) - 40);
    const struct {
        std::string at, command;
    } cases[] = {{"-100 50", "shot"}, {right + " " + bottom, "screen"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.command + " at " + c.at);
        const std::wstring picture = TestOutputPath(L"drive-past-the-edge.png");
        DeleteFileW(picture.c_str());
        const CDriveResult r = Drive("start --at " + c.at + " 148\n" + c.command + " " + Utf8(picture) + "\nclose\n");
        EXPECT_EQ(1u, r.exitCode);
        EXPECT_NE(std::string::npos, r.err.find("line 2: " + c.command)) << r.err;
        EXPECT_NE(std::string::npos, r.err.find("past the screen's edge")) << r.err;
        EXPECT_FALSE(FileExists(picture));
    }
}

TEST(Drive, LeavesOtherProgramsAlone)
{
    if (!CanCreateWindows())
        GTEST_SKIP() << "no window can be created on this desktop";
    // Another copy of the stand-in with the same dialog, started first.
    std::wstring cmd = L"\"" + Tool(L"dialoghost.exe") + L"\" 148";
    std::vector<wchar_t> line(cmd.begin(), cmd.end());
    line.push_back(0);
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    ASSERT_TRUE(CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
    WaitForInputIdle(pi.hProcess, 10000);

    const CDriveResult r = Drive("start 148\ntext 260 driven\nexpect 260 driven\nclose\nexit 2\n");
    EXPECT_EQ(0u, r.exitCode) << r.err;

    // The other program's window still shows its own text and stays open.
    CFindWindow find{pi.dwProcessId, nullptr};
    EnumWindows(FindVisibleWindow, reinterpret_cast<LPARAM>(&find));
    ASSERT_TRUE(find.window);
    wchar_t text[128] = L"";
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(GetDlgItem(find.window, 260), WM_GETTEXT, 128, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                        10000, &ignored);
    EXPECT_EQ(Utf8(L"%d 個のファイルを作成しました"), Utf8(text));
    EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(pi.hProcess, 0));
    TerminateProcess(pi.hProcess, 0);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
}
