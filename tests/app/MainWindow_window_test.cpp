// The main window's keyboard, mouse and layout as a person meets them,
// through the UI driver: Esc, Tab and Ctrl+Tab in the text, the splitter bar dragged with the
// keys, a window made larger while it is shown, the number boxes with their
// widest values, the info strip under the preview and the output-folder
// chooser on drives C: and Z:.
#include "tests/app/ProgramDriver.h"
#include "platform/Handle.h"
#include "resources/font_list.h"
#include "resources/main_window.h"
#include "resources/paint_dialog.h"
#include "resources/strings_app.h"
#include "resources/strings_decoration.h"
#include "resources/strings_foundation.h"
#include <gtest/gtest.h>

namespace {

// The folder browser's folder name box and tree (Wine's browser).
const int kBrowserName = 14149;
const int kBrowserTree = 14145;

bool IsDark(int r, int g, int b) { return r < 128 && g < 128 && b < 128; }

// The preview pane's client area in a picture of the main window, found by
// its checkerboard: 8-pixel cells of two greys, each grey beside the other
// one cell away across and down.
RECT FindCheckerboard(const CImg& shot)
{
    auto grey = [&](int x, int y) -> int {
        if (x < 0 || y < 0 || x >= shot.m_w || y >= shot.m_h)
            return -1;
        const uint8_t* p = shot.Row(y) + 4 * x;
        return p[0] == p[1] && p[1] == p[2] && (p[0] == 220 || p[0] == 200) ? p[0] : -1;
    };
    RECT r = {shot.m_w, shot.m_h, -1, -1};
    for (int y = 0; y < shot.m_h; ++y)
        for (int x = 0; x < shot.m_w; ++x) {
            const int g = grey(x, y);
            if (g < 0)
                continue;
            const int other = g == 220 ? 200 : 220;
            const bool across = grey(x + 8, y) == other || grey(x - 8, y) == other;
            const bool down = grey(x, y + 8) == other || grey(x, y - 8) == other;
            if (!across || !down)
                continue;
            r.left = std::min<LONG>(r.left, x);
            r.top = std::min<LONG>(r.top, y);
            r.right = std::max<LONG>(r.right, x + 1);
            r.bottom = std::max<LONG>(r.bottom, y + 1);
        }
    return r;
}

// A folder's last access long ago: the next listing of it moves that time
// (the file system updates it when it is older than a day).
bool AgeAccessTime(const std::wstring& folder)
{
    CHandle h(CreateFileW(folder.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                          nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!h.IsValid())
        return false;
    SYSTEMTIME old = {2000, 1, 6, 1, 0, 0, 0, 0};
    FILETIME t;
    return SystemTimeToFileTime(&old, &t) && SetFileTime(h.Get(), nullptr, &t, nullptr);
}

} // namespace

TEST(MainWindow, EscInTheTextLeavesTheWindowAsItIs)
{
    ResetProgramState();
    ASSERT_TRUE(WriteProgramSettings(FirstStartSetting()));
    // A multi-line edit posts WM_CLOSE to its parent, the splitter, on Esc.
    CDriveResult r = RunDriveScript(L"start\ncontains 300 x\nfocus 153\nkey esc\nkey esc\n"
                                    L"text 153 typed after Esc\nexpect 153 typed after Esc\ncontains 300 x\n"
                                    L"close\nexit 2\n");
    EXPECT_EQ(0u, r.exitCode) << r.output;
}

TEST(MainWindow, TabLeavesTheTextAndShiftTabComesBack)
{
    ResetProgramState();
    ASSERT_TRUE(WriteProgramSettings(FirstStartSetting()));
    // Four tabs from the text reach the font size box, where the digits
    // land; four back, and the letters land in the text again, after what
    // it held before: nothing typed meanwhile went into it. Ctrl+Tab puts
    // a tab into the text.
    std::wstring script = L"start\ncontains 300 x\ntext 153 abc\nfocus 153\nkey end\n";
    for (int i = 0; i < 4; ++i)
        script += L"key tab\n";
    script += L"key 2\nkey 0\nexpect " + Id(IDC_FONT_SIZE) + L" 20\n";
    for (int i = 0; i < 4; ++i)
        script += L"key shift+tab\n";
    script += L"key end\nkey z\nkey ctrl+tab\nkey y\nexpect 153 abcz\ty\nclose\nexit 2\n";
    CDriveResult r = RunDriveScript(script);
    EXPECT_EQ(0u, r.exitCode) << r.output;
}

// A save started and stopped with the keys alone: Run turns itself off with
// the focus on it, which goes to Stop while the job runs and comes back to
// Run after it; Tab and Shift+Tab go on from there (Stop is off again). A
// save started with Enter elsewhere gives the focus back there, also when it
// ends while another window is in front.
TEST(MainWindow, TheFocusGoesToStopWhileAJobRunsAndBackToRun)
{
    ResetProgramState();
    const std::wstring folder = FreshOutputFolder(L"focus-job");
    ASSERT_TRUE(WriteFileBytes(folder + L"\\1.png", "x"));  // each save asks first, and the box takes the focus
    CSetting s = FirstStartSetting();
    s.FolderPath = folder;
    s.FnameType = FnameType::SEQ;
    s.Unit = TextUnit::CHAR;
    ASSERT_TRUE(WriteProgramSettings(s));
    // A file for each character: 4000 or 1500 of them are seconds of work,
    // however fast the engine, and far longer than a box takes to open.
    auto lines = [](int count) {
        std::wstring text;
        for (int line = 0; line < count; ++line)
            text += std::wstring(100, L'縁') + L"\\n";
        return text;
    };
    const std::wstring stop = Id(IDC_STOP), openFolder = Id(IDC_OPEN_FOLDER), size = Id(IDC_FONT_SIZE);
    // The chooser and the question answered with Enter; the save stopped
    // with Enter, and its box closed with Enter too.
    const std::wstring chooseByKeys = L"wait " + LoadResourceString(IDS_BROWSE_FOLDER_TITLE) + L"\nexpect " +
                                      Id(kBrowserName) + L" kantelo-focus-job\nkey enter\nwait 上書きしますか\nkey enter\nmain\n";
    const std::wstring stopByKeys = L"focused " + stop + L"\nkey enter\nwait 処理を中断しました\nkey enter\nmain\n";
    std::wstring script = L"start\ntext 153 " + lines(40) + L"\nfocus 153\nkey alt+r\n" + chooseByKeys;
    script += L"enabled 1 0\nfocused " + stop + L"\nkey tab\nfocused " + openFolder + L"\nkey shift+tab\n" + stopByKeys;
    script += L"enabled 1 1\nfocused 1\nkey tab\nfocused " + openFolder + L"\nkey shift+tab\nfocused 1\n";
    // Enter in the font size box presses Run too; the save ends under the
    // about box, and the focus comes back to the font size box once it closes.
    script += L"text 153 " + lines(15) + L"\nfocus " + size + L"\nkey enter\n" + chooseByKeys + L"focused " + stop +
              L"\nclick " + Id(IDM_APP_ABOUT) + L"\nwait バージョン情報\nwaitlong 1500 個のファイルを作成しました\n";
    script += L"key enter\nwait バージョン情報\nkey enter\nmain\nfocused " + size + L"\nclose\nexit 2\n";
    CDriveResult r = RunDriveScript(script);
    EXPECT_EQ(0u, r.exitCode) << r.output;
}

TEST(MainWindow, TheSplitterBarTakesTheKeysWhileItIsDragged)
{
    ResetProgramState();
    CSetting s = FirstStartSetting();
    s.WindowLayout.SplitterPos = 200;
    ASSERT_TRUE(WriteProgramSettings(s));
    // A press on the bar starts a drag: three steps to the right, Enter ends
    // it and the text has the focus again (a letter typed replaces the text
    // the focus change selected). A second drag is cancelled with Esc: the bar
    // goes back and the program stays.
    const int step = 10;
    std::wstring script = L"start\ncontains 300 x\nfocus 153\npress 152 202 40\n";
    script += L"key right\nkey right\nkey right\nkey enter\nrelease\nkey z\nexpect 153 z\n";
    script += L"press 152 " + std::to_wstring(202 + 3 * step) + L" 40\nkey left\nkey left\nkey esc\nrelease\n";
    script += L"contains 300 x\nclose\nexit 2\n";
    CDriveResult r = RunDriveScript(script);
    EXPECT_EQ(0u, r.exitCode) << r.output;
    CSetting saved;
    ASSERT_TRUE(ReadProgramSettings(saved));
    EXPECT_EQ(200 + 3 * step, saved.WindowLayout.SplitterPos);
}

TEST(MainWindow, AWindowMadeLargerIsDrawnWhereItsControlsWent)
{
    ResetProgramState();
    // Where the larger window is all on the 1280 x 1024 screen the pictures
    // are copied from, and clear of the top left corner, where other tests
    // show their windows.
    CSetting s = FirstStartSetting();
    s.WindowLayout.NormalBounds = RECT{300, 200, 300 + 700, 200 + 640};
    ASSERT_TRUE(WriteProgramSettings(s));
    // What the screen shows after the frame was dragged out, against the
    // same window drawn anew: the buttons, the group boxes and the grip
    // that moved must be where they now stand, and nowhere else.
    const std::wstring shown = TestOutputPath(L"main-window-after-resize.png");
    const std::wstring drawn = TestOutputPath(L"main-window-after-resize-redrawn.png");
    // The focus on a button: no caret blinks in the pictures.
    CDriveResult r = RunDriveScript(L"start\ncontains 300 x\nfocus 257\nsize 960 800\nscreen " + ScriptPath(shown) + L"\nshot " +
                                    ScriptPath(drawn) + L"\nclose\nexit 2\n");
    ASSERT_EQ(0u, r.exitCode) << r.output;
    boost::shared_ptr<CImg> a = LoadShot(shown), b = LoadShot(drawn);
    ASSERT_TRUE(a && b);
    ASSERT_EQ(a->m_w, b->m_w);
    ASSERT_EQ(a->m_h, b->m_h);
    // Below the text and the preview (the caret may blink up there).
    const int top = a->m_h * 2 / 5;
    EXPECT_EQ(0, DifferingPixels(*a, 0, top, *b, 0, top, a->m_w, a->m_h - top));
}

TEST(MainWindow, EveryNumberBoxShowsItsWidestValue)
{
    ResetProgramState();
    CSetting s = FirstStartSetting();
    s.SaveFormat.Type = OutputType::JPEG;  // the quality box takes input
    s.UseBorderings[0] = 1;
    s.Borderings[0].Paint.Type = PaintType::LINEAR;
    ASSERT_TRUE(WriteProgramSettings(s));
    struct CBox {
        int id;
        const wchar_t* widest;
    };
    std::vector<CBox> main = {{IDC_FONT_SIZE, L"100.0"},   {IDC_FONT_ALPHA, L"100"}, {IDC_CHAR_SPACING, L"1000"},
                              {IDC_LINE_SPACING, L"1000"}, {IDC_LEADING, L"1000"},    {IDC_JPEG_QUALITY, L"100"}};
    for (int row = 0; row < kDecorationRows; ++row) {
        main.push_back({IDC_DECO_SIZE + row, L"100.0"});
        main.push_back({IDC_DECO_ALPHA + row, L"100"});
        main.push_back({IDC_DECO_BLUR + row, L"100.0"});
        main.push_back({IDC_DECO_ANGLE + row, L"-175"});
        main.push_back({IDC_DECO_DISTANCE + row, L"100.0"});
    }
    auto typed = [](const std::vector<CBox>& boxes) {
        std::wstring lines;
        for (const CBox& box : boxes)
            lines += L"text " + Id(box.id) + L" " + box.widest + L"\nfits " + Id(box.id) + L"\n";
        return lines;
    };
    std::wstring script = L"start\ncontains 300 x\n" + typed(main);
    // The paint dialog's pages: the gradation's angle and stops, the
    // texture's rates (only with a rate of its own) and offsets, the colour's
    // channels. Cancel puts the paint back.
    std::vector<CBox> gradation = {{IDC_GRAD_ANGLE, L"-175"}, {IDC_STOP_POS, L"0.95"}};
    script += L"click " + Id(IDC_DECO_PAINT) + L"\nwait " + LoadResourceString(IDS_SELECT_COLOR_TITLE) + L"\ntab 1\n";
    script += typed(gradation);
    script += L"tab 2\npick " + Id(IDC_TEXTURE_FIT) + L" " + LoadResourceString(IDS_FIT_CUSTOM_RATE) + L"\n";
    script += typed({{IDC_TEXTURE_RATE_X, L"400.0"}, {IDC_TEXTURE_OFFSET_X, L"-1000"}, {IDC_TEXTURE_OFFSET_Y, L"-1000"}});
    script += L"tab 0\n" + typed({{IDC_RED_EDIT, L"255"}, {IDC_GREEN_EDIT, L"255"}, {IDC_BLUE_EDIT, L"255"}});
    script += L"click 2\nmain\n";
    // The font list's sample size.
    script += L"click " + Id(IDM_SELECT_FONT) + L"\nwait フォント一覧\n" + typed({{IDC_FONT_LIST_SIZE, L"255"}});
    script += L"click 2\nmain\nclose\nexit 2\n";
    CDriveResult r = RunDriveScript(script);
    EXPECT_EQ(0u, r.exitCode) << r.output;
}

TEST(MainWindow, TheInfoStripLiesUnderThePreviewAndCarriesTheVectorNote)
{
    ResetProgramState();
    CSetting s = FirstStartSetting();
    s.WindowLayout.SplitterPos = 200;
    ASSERT_TRUE(WriteProgramSettings(s));
    const std::wstring raster = TestOutputPath(L"main-window-raster-format.png");
    const std::wstring vector = TestOutputPath(L"main-window-vector-format.png");
    const std::wstring again = TestOutputPath(L"main-window-raster-again.png");
    const std::wstring format = Id(IDC_SAVE_FORMAT);
    CDriveResult r = RunDriveScript(
        L"start\ncontains 300 x\nshot " + ScriptPath(raster) + L"\npick " + format + L" " +
        LoadResourceString(IDS_SAVE_FORMAT_PDF) + L"\ncontains 300 x\nshot " + ScriptPath(vector) + L"\npick " +
        format + L" " + LoadResourceString(IDS_SAVE_FORMAT_PNG) + L"\ncontains 300 x\nshot " + ScriptPath(again) +
        L"\nclose\nexit 2\n");
    ASSERT_EQ(0u, r.exitCode) << r.output;
    boost::shared_ptr<CImg> a = LoadShot(raster), b = LoadShot(vector), c = LoadShot(again);
    ASSERT_TRUE(a && b && c);
    const RECT pane = FindCheckerboard(*a);
    ASSERT_LT(pane.left, pane.right);
    ASSERT_GT(pane.left, 100);  // the text is on the left
    // The strip: under the pane (and its 2-pixel edge), 15 pixels high. The
    // note is written from its left end; the sizes stand at its right end.
    const int top = pane.bottom + 2, height = 15 - 2;
    const int noteWidth = (pane.right - pane.left) / 2;
    EXPECT_EQ(0, CountPixels(*a, pane.left, top, noteWidth, height, IsDark)) << "no note for a raster format";
    EXPECT_GT(CountPixels(*b, pane.left, top, noteWidth, height, IsDark), 20) << "the note for a vector format";
    EXPECT_EQ(0, CountPixels(*c, pane.left, top, noteWidth, height, IsDark)) << "the note cleared again";
    // Under the text nothing changed: the note is not written there.
    EXPECT_EQ(0, DifferingPixels(*a, 0, top, *b, 0, top, pane.left - 8, height));
}

TEST(MainWindow, TheFolderChooserSelectsAndExpandsTheStoredFolderOnCAndZ)
{
    // Wine's browser stops short of a folder whose parent was listed after
    // the path was read (here the parse itself lists it: the stored path
    // names a folder in another case, here of a full-width letter) and would
    // then return the parent's parent. Each folder has a folder inside, so
    // that expanding shows.
    const std::wstring roots[] = {L"C:\\kantelo-chooser", TestOutputPath(L"chooser")};
    for (const std::wstring& root : roots) {
        SCOPED_TRACE(Narrow(root));
        ASSERT_EQ(L'Z', TestOutputPath(L"x")[0]) << "the test output lies on drive Z:";
        const std::wstring folder = root + L"\\\uFF24eep\\Er";
        SHCreateDirectoryExW(nullptr, (folder + L"\\Inner").c_str(), nullptr);
        DeleteFileW((folder + L"\\1.png").c_str());
        ASSERT_TRUE(AgeAccessTime(root));
        ASSERT_TRUE(AgeAccessTime(root + L"\\\uFF24eep"));
        ResetProgramState();
        CSetting s = FirstStartSetting();
        s.FolderPath = root + L"\\\uFF44eep\\Er";
        s.FnameType = FnameType::SEQ;
        ASSERT_TRUE(WriteProgramSettings(s));
        CDriveResult r = RunDriveScript(
            L"start\ntext 153 一\nclick 1\nwait " + LoadResourceString(IDS_BROWSE_FOLDER_TITLE) + L"\nexpect " +
            Id(kBrowserName) + L" Er\nexpanded " + Id(kBrowserTree) + L" 1\nclick 1\n" +
            L"wait 1 個のファイルを作成しました\nclick 1\nmain\nclose\nexit 2\n");
        EXPECT_EQ(0u, r.exitCode) << r.output;
        EXPECT_TRUE(FileExists(folder + L"\\1.png"));
        CSetting saved;
        ASSERT_TRUE(ReadProgramSettings(saved));
        EXPECT_EQ(Narrow(folder), Narrow(saved.FolderPath));
    }
}
