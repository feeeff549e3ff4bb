// The run command's picture (scripts/run --shot) on this build and this
// prefix, as a person without a screen would take it: the file must show the
// main window at its size with the preview drawn.
#include "tests/app/ProgramDriver.h"
#include "platform/GdiPlus.h"
#include <gtest/gtest.h>

namespace {

// The red of the second preset row ("カンテロ(赤)"); nothing else above the
// font group is red.
bool IsRedInk(Gdiplus::ARGB c)
{
    const int r = (c >> 16) & 0xFF, g = (c >> 8) & 0xFF, b = c & 0xFF;
    return r > 150 && g < 90 && b < 90;
}

// A host path for the shell, in single quotes.
std::string Quoted(const std::string& path)
{
    std::string out = "'";
    for (char c : path)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

} // namespace

TEST(RunCommandTest, ShotPicturesTheMainWindowWithItsPreview)
{
    using namespace Gdiplus;
    ResetProgramState();
    CSetting s = FirstStartSetting();
    s.WindowLayout.NormalBounds = RECT{40, 30, 40 + 900, 30 + 760};
    s.WindowLayout.SplitterPos = 300;
    s.FontSetting.Size = 600;
    ASSERT_TRUE(WriteProgramSettings(s));
    const std::wstring shot = TestOutputPath(L"run-command-shot.png");
    DeleteFileW(shot.c_str());

    const std::string command = "cd " + Quoted(KNT_SOURCE_DIR) + " && KNT_RUN_NO_BUILD=1 KNT_BUILD_DIR=" +
                                HostPathArg(BuildPath(L"")) + " KNT_RUN_PREFIX=" + Quoted(KNT_WINEPREFIX) +
                                " scripts/run --shot " + HostPathArg(shot);
    const CHostCommandResult run = RunHostCommand(command, 90000);
    ASSERT_TRUE(run.finished) << run.output;
    ASSERT_EQ(0, run.exitCode) << run.output;

    // The driver's picture is the client area with the menu bar: the window
    // the program recorded at its close, less the frame and caption.
    CSetting closed;
    ASSERT_TRUE(ReadProgramSettings(closed));
    const RECT bounds = closed.WindowLayout.NormalBounds;
    RECT frame = {0, 0, 0, 0};
    AdjustWindowRectEx(&frame, WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME,
                       FALSE, 0);
    GpBitmap* bitmap = nullptr;
    ASSERT_EQ(Ok, GdipCreateBitmapFromFile(shot.c_str(), &bitmap)) << run.output;
    UINT width = 0, height = 0;
    GdipGetImageWidth(bitmap, &width);
    GdipGetImageHeight(bitmap, &height);
    EXPECT_EQ(bounds.right - bounds.left - (frame.right - frame.left), static_cast<LONG>(width));
    EXPECT_EQ(bounds.bottom - bounds.top - (frame.bottom - frame.top), static_cast<LONG>(height));

    // The preview pane lies right of the splitter, below the menu bar; its
    // image starts at the pane's top left corner.
    const int menu = GetSystemMetrics(SM_CYMENU);
    int ink = 0;
    for (int y = menu + 10; y < menu + 100 && y < static_cast<int>(height); ++y)
        for (int x = closed.WindowLayout.SplitterPos + 30; x < static_cast<int>(width) - 30; ++x) {
            ARGB c = 0;
            GdipBitmapGetPixel(bitmap, x, y, &c);
            ink += IsRedInk(c) ? 1 : 0;
        }
    GdipDisposeImage(bitmap);
    EXPECT_GT(ink, 200);
}
