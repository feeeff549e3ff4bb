// The program as a person uses it, driven through its windows by the UI
// driver. Each case starts from a first start (no settings file, no product
// key) or from a settings file it writes, and ends the program itself.
#include "tests/app/ProgramDriver.h"
#include "resources/main_window.h"
#include "resources/info_dialogs.h"
#include "resources/strings_app.h"
#include "resources/strings_foundation.h"
#include <gtest/gtest.h>

namespace {

// The settings of a save into `folder`: three lines, one file per line,
// named by number, transparent PNG.
CSetting SaveSetting(const std::wstring& folder)
{
    CSetting s = FirstStartSetting();
    s.FolderPath = folder;
    s.FnameType = FnameType::SEQ;
    s.Transparent = true;
    return s;
}

bool HasKey(const std::wstring& path)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

// Colour type of a PNG file (6: RGB with alpha).
int PngColorType(const std::string& bytes) { return bytes.size() > 25 ? static_cast<unsigned char>(bytes[25]) : -1; }

} // namespace

TEST(ProgramTest, FirstStartMakesItsKeyAndSettingsAndShowsAPreview)
{
    ResetProgramState();
    const std::wstring shot = TestOutputPath(L"main-window-first-start.png");
    std::wstring script = L"start\ncontains 300 x\n";
    const int presets[] = {IDS_PRESET_WHITE_THIN, IDS_PRESET_RED, IDS_PRESET_WHITE, IDS_PRESET_GLOW, IDS_PRESET_SHADOW};
    for (int row = 0; row < 5; ++row)
        script += L"expect " + std::to_wstring(IDC_DECO_PRESET + row) + L" " + LoadResourceString(presets[row]) + L"\n";
    script += L"shot " + ScriptPath(shot) + L"\nclose\nexit 2\n";
    CDriveResult r = RunDriveScript(script);
    EXPECT_EQ(0u, r.exitCode) << r.output;
    EXPECT_TRUE(HasKey(CSetting::GetProductKeyPath()));
    EXPECT_TRUE(FileExists(ProgramSettingsPath()));
    EXPECT_TRUE(FileExists(shot));
}

TEST(ProgramTest, ChangesAreSavedAtOnceAndTheLayoutComesBack)
{
    ResetProgramState();
    CSetting s = SaveSetting(L"");
    s.WindowLayout.NormalBounds = RECT{40, 30, 40 + 900, 30 + 760};
    s.WindowLayout.SplitterPos = 180;
    ASSERT_TRUE(WriteProgramSettings(s));
    // Each change is in the file at once: the last line names no control,
    // so the driver fails there and ends the program before it could save.
    CDriveResult r = RunDriveScript(L"start\ntext 161 40\ncheck 253 0\ncheck 183 0\nexpect 99999 x\n");
    EXPECT_NE(std::string::npos, r.output.find("line 5")) << r.output;
    CSetting saved;
    ASSERT_TRUE(ReadProgramSettings(saved));
    EXPECT_EQ(400, saved.FontSetting.Size);
    EXPECT_FALSE(saved.Transparent);
    EXPECT_EQ(0, saved.UseBorderings[1]);
    // A closed window records where it stood: the layout written before the
    // start was applied and is recorded again; in full screen the window's
    // normal rectangle stays the one it had before.
    saved.WindowLayout.FullScreen = true;
    ASSERT_TRUE(WriteProgramSettings(saved));
    const std::wstring shot = TestOutputPath(L"main-window-full-screen.png");
    r = RunDriveScript(L"start\ncontains 300 x\nshot " + ScriptPath(shot) + L"\nclose\nexit 2\n");
    EXPECT_EQ(0u, r.exitCode) << r.output;
    // Without caption and frame, menu bar and client area cover the screen.
    boost::shared_ptr<CImg> picture = LoadShot(shot);
    ASSERT_TRUE(picture);
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), picture->m_w);
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), picture->m_h);
    ASSERT_TRUE(ReadProgramSettings(saved));
    EXPECT_TRUE(saved.WindowLayout.FullScreen);
    EXPECT_EQ(180, saved.WindowLayout.SplitterPos);
    EXPECT_EQ(900, saved.WindowLayout.NormalBounds.right - saved.WindowLayout.NormalBounds.left);
    EXPECT_EQ(760, saved.WindowLayout.NormalBounds.bottom - saved.WindowLayout.NormalBounds.top);
}

TEST(ProgramTest, ColourAndQualityBoxesTakeNamesTypedValuesAndTheWheel)
{
    ResetProgramState();
    const std::wstring folder = FreshOutputFolder(L"program-closed-lists");
    CSetting s = SaveSetting(folder);
    s.SaveFormat.Type = OutputType::JPEG;
    ASSERT_TRUE(WriteProgramSettings(s));
    // A named entry shows its value in the box; a typed quality keeps its
    // digits only. The wheel over a box whose text field has the focus steps
    // through the entries (away from the user: the one before), and so do
    // the keys, from the value shown (a quality between entries, a colour no
    // entry has: Down enters the list at its first entry), with the list
    // closed or dropped; a list dropped and closed without a choice leaves
    // the value as it was. Then each box's list is closed every way. The
    // format's dropped list keeps Home and End as its ends and the entry the
    // keys chose when a click elsewhere closes it, and Run writes that format.
    const std::wstring row2 = std::to_wstring(IDC_DECO_COLOR + 2);
    std::wstring script = L"start\npick 248 " + LoadResourceString(IDS_QUALITY_HIGH) + L"\nexpect 248 80\n";
    script += L"focus 248\nwheel 248 -1\nexpect 248 100\nwheel 248 2\nexpect 248 50\nkey down\nexpect 248 80\n";
    script += L"key f4\nexpect 248 80\nkey up\nexpect 248 50\nkey esc\nexpect 248 80\nkey pageup\nexpect 248 0\n";
    script += L"key pagedown\nexpect 248 100\n";
    script += L"text 248 9x5\nexpect 248 95\nkey up\nexpect 248 80\ntext 248 250\nexpect 248 250\ntext 248 80\n";
    script += ComboClosesScript({248, IDC_TEXT, L"Settings/SaveFormat/JpegQuality", L"80", L"100", L"55", L"55", L"100",
                                 LoadResourceString(IDS_QUALITY_LOW).c_str(), L"7"});
    script += L"pick 165 " + LoadResourceString(IDS_COLOR_BROWN) + L"\nexpect 165 6B492D\n";
    script += L"focus 165\nwheel 165 1\nexpect 165 ABFF7F\ntext 165 FFFFFF\n";
    script += L"key down\nexpect 165 000000\nkey f4\nexpect 165 000000\nkey down\nexpect 165 7F7F7F\nkey esc\n";
    script += L"expect 165 000000\nkey alt+down\nkey up\nkey enter\nexpect 165 FFFFFF\ntext 165 123456\nkey down\n";
    script += L"expect 165 FFFFFF\n";
    script += ComboClosesScript({165, IDC_TEXT, L"Settings/FontSetting/Color", L"FFFFFF", L"000000", L"0A0B0C",
                                 L"0A0B0C", L"000000", LoadResourceString(IDS_COLOR_BROWN).c_str(), L"7"});
    script += L"pick " + row2 + L" " + LoadResourceString(IDS_COLOR_YELLOW) + L"\nexpect " + row2 + L" FFFF00\n";
    script += L"focus " + row2 + L"\nwheel " + row2 + L" -1\nexpect " + row2 + L" FF8119\n";
    script += L"pick 252 " + LoadResourceString(IDS_COLOR_BLUE) + L"\nexpect 252 0C00CC\n";
    script += L"focus 252\nwheel 252 2\nexpect 252 CC0000\n";
    const std::wstring emf = L"\nexpect 259 " + LoadResourceString(IDS_SAVE_FORMAT_EMF);
    script += L"focus 259\nkey end" + emf + L"\nkey home\nexpect 259 " + LoadResourceString(IDS_SAVE_FORMAT_PNG) +
              L"\nkey f4\nkey end\nkey enter" + emf + L"\nkey f4\nkey home\nkey down\nrealclick 153\nexpect 259 " +
              LoadResourceString(IDS_SAVE_FORMAT_JPEG) + L"\nclick 1\n" + ChooseFolderScript(folder) +
              L"wait 個のファイルを作成しました\nclick 1\nmain\nkill\n";
    CDriveResult r = RunDriveScript(script);
    EXPECT_EQ(0u, r.exitCode) << r.output;
    CSetting saved;
    ASSERT_TRUE(ReadProgramSettings(saved));
    EXPECT_EQ(7, saved.SaveFormat.JpegQuality);
    EXPECT_EQ(OutputType::JPEG, saved.SaveFormat.Type);
    EXPECT_TRUE(FileExists(folder + L"\\1.jpg") && !FileExists(folder + L"\\1.png"));
    EXPECT_EQ(RGB(7, 7, 7), saved.PaintSetting.Color);  // one digit is a grey
    EXPECT_EQ(RGB(0xFF, 0x81, 0x19), saved.Borderings[2].Paint.Color);
    EXPECT_EQ(RGB(0xCC, 0x00, 0x00), saved.BkColor);
}

TEST(ProgramTest, NumberBoxesStepFromTheValueShownByWheelAndArrows)
{
    // Each box from its stored value, turned first while another one has the
    // focus. The rows' columns are runs of five ids from IDC_DECO_SIZE on.
    using F = CFontSetting;
    using B = CBorderingSetting;
    const struct {
        CNumberSteps steps;
        int F::*font, B::*row;
        int stored, last;
    } boxes[] = {
        {{IDC_FONT_SIZE, 1, -1, L"29", L"12", L"13", L"20.5", L"21", L"20", L"19", L"12", L"9"}, &F::Size, {}, 300, 90},
        {{IDC_FONT_ALPHA, 1, -1, L"95", L"100", L"100", L"42", L"45", L"40", L"35", L"50", L"7"}, &F::Alpha, {}, 100, 7},
        {{IDC_CHAR_SPACING, -1, 1, L"105", L"90", L"90", L"123", L"125", L"120", L"115", L"100", L"9"}, &F::CharWidth, {}, 100, 9},
        {{IDC_LINE_SPACING, 1, -1, L"115", L"150", L"150", L"97", L"100", L"95", L"90", L"120", L"8"}, &F::LineWidth, {}, 120, 8},
        {{IDC_LEADING, -1, -1, L"55", L"0", L"5", L"33", L"35", L"30", L"25", L"50", L"6"}, &F::LeadingWidth, {}, 50, 6},
        {{IDC_DECO_SIZE, 1, -1, L"2.5", L"0.4", L"0.5", L"1.7", L"2", L"1.5", L"1", L"4", L"3"}, {}, &B::Size, 30, 30},
        {{IDC_DECO_ALPHA + 1, 1, 1, L"95", L"5", L"0", L"58", L"60", L"55", L"50", L"25", L"4"}, {}, &B::Alpha, 100, 4},
        {{IDC_DECO_BLUR + 2, -1, -1, L"2.5", L"10", L"10", L"3.2", L"3.5", L"3", L"2.5", L"5", L"5"}, {}, &B::Blur, 20, 50},
        {{IDC_DECO_ANGLE + 3, 1, -1, L"115", L"180", L"-5", L"-7", L"-10", L"-5", L"180", L"-90", L"6"}, {}, &B::Angle, 120, 6},
        {{IDC_DECO_DISTANCE + 4, 1, 1, L"0", L"6", L"5.5", L"7.7", L"8", L"7.5", L"7", L"2", L"2"}, {}, &B::Distance, 0, 20},
    };
    const auto field = [](CSetting& s, const decltype(boxes[0])& b) -> int& {
        return b.font ? s.FontSetting.*b.font : s.Borderings[static_cast<size_t>(b.steps.id - IDC_DECO_SIZE) % 5].*b.row;
    };
    ResetProgramState();
    CSetting s = SaveSetting(L""), saved;
    std::wstring script = L"start\n";
    for (const auto& b : boxes) {
        field(s, b) = b.stored;
        script += NumberStepsScript(b.steps);
    }
    // A row's alpha closed every way; a digit beyond the box's one decimal is not left on screen once the box is left.
    script += ComboClosesScript({IDC_DECO_ALPHA + 3, IDC_TEXT, L"Settings/Borderings/BorderingSetting[3]/Alpha", L"50",
                                 L"55", L"25", L"25", L"100", L"60", L"7"});
    const std::wstring size = Id(IDC_DECO_SIZE + 1);
    script += L"focus " + size + L"\ntext " + size + L" 0.45\nexpect " + size + L" 0.45\nfocus " + Id(IDC_FONT_ALPHA) +
              L"\nexpect " + size + L" 0.4\n";
    ASSERT_TRUE(WriteProgramSettings(s));
    CDriveResult r = RunDriveScript(script + L"kill\n");
    EXPECT_EQ(0u, r.exitCode) << r.output;
    ASSERT_TRUE(ReadProgramSettings(saved));
    for (const auto& b : boxes)
        EXPECT_EQ(b.last, field(saved, b)) << b.steps.id;
    EXPECT_EQ(4, saved.Borderings[1].Size);
    EXPECT_EQ(7, saved.Borderings[3].Alpha);
}

TEST(ProgramTest, AWindowMadeLargerKeepsItsControlsAtTheirEdges)
{
    ResetProgramState();
    ASSERT_TRUE(WriteProgramSettings(SaveSetting(L"")));
    const std::wstring small = TestOutputPath(L"main-window-own-size.png");
    const std::wstring large = TestOutputPath(L"main-window-enlarged.png");
    CDriveResult r = RunDriveScript(L"start\ncontains 300 x\nshot " + ScriptPath(small) + L"\nclose\nexit 2\n");
    ASSERT_EQ(0u, r.exitCode) << r.output;
    CSetting s;
    ASSERT_TRUE(ReadProgramSettings(s));
    const int dx = 160, dy = 120;
    s.WindowLayout.NormalBounds.right += dx;
    s.WindowLayout.NormalBounds.bottom += dy;
    ASSERT_TRUE(WriteProgramSettings(s));
    r = RunDriveScript(L"start\ncontains 300 x\nshot " + ScriptPath(large) + L"\nclose\nexit 2\n");
    ASSERT_EQ(0u, r.exitCode) << r.output;
    boost::shared_ptr<CImg> a = LoadShot(small), b = LoadShot(large);
    ASSERT_TRUE(a && b);
    ASSERT_EQ(a->m_w + dx, b->m_w);
    ASSERT_EQ(a->m_h + dy, b->m_h);
    // Below the text and the preview everything keeps its distance from the
    // bottom edge; the buttons of the last line keep theirs from the right.
    const int below = a->m_h * 3 / 5, buttons = a->m_h / 16, right = a->m_w * 2 / 5;
    EXPECT_EQ(0, DifferingPixels(*a, 0, a->m_h - below, *b, 0, b->m_h - below, a->m_w / 2, below));
    EXPECT_EQ(0, DifferingPixels(*a, a->m_w - right, a->m_h - buttons, *b, b->m_w - right, b->m_h - buttons, right,
                                 buttons));
}

TEST(ProgramTest, ThreeLinesBecomeThreePngsAndARunAgainAsksFirst)
{
    ResetProgramState();
    const std::wstring folder = FreshOutputFolder(L"program-three-pngs");
    ASSERT_TRUE(WriteProgramSettings(SaveSetting(folder)));
    std::wstring script = L"start\ntext 153 一行目\\n二行目\\n三行目\ncheck 239 1\nclick 1\n";
    script += ChooseFolderScript(folder);
    script += L"wait 3 個のファイルを作成しました\nclick 1\nmain\n";
    script += L"click 1\n" + ChooseFolderScript(folder) + L"wait 上書きしますか\nclick 2\nmain\nenabled 1 1\nclose\nexit 2\n";
    CDriveResult r = RunDriveScript(script);
    EXPECT_EQ(0u, r.exitCode) << r.output;
    for (const wchar_t* name : {L"1.png", L"2.png", L"3.png"})
        EXPECT_EQ(6, PngColorType(ReadFileBytes(folder + L"\\" + name))) << Narrow(name);
}

TEST(ProgramTest, OneFilePdfHoldsEveryLineAsAPage)
{
    ResetProgramState();
    const std::wstring folder = FreshOutputFolder(L"program-one-pdf");
    CSetting s = SaveSetting(folder);
    s.SaveFormat.Type = OutputType::PDF;
    s.SingleFile = true;
    ASSERT_TRUE(WriteProgramSettings(s));
    std::wstring script = L"start\ntext 153 一\\n二\\n三\nclick 1\n";
    script += ChooseFolderScript(folder);
    script += L"wait 3 枚のページを出力しました\nclick 1\nmain\nclose\nexit 2\n";
    CDriveResult r = RunDriveScript(script);
    EXPECT_EQ(0u, r.exitCode) << r.output;
    EXPECT_NE(std::string::npos, ReadFileBytes(folder + L"\\1.pdf").find("/Count 3"));
}

TEST(ProgramTest, StopEndsALongCharacterJobAndGivesTheControlsBack)
{
    ResetProgramState();
    const std::wstring folder = FreshOutputFolder(L"program-stopped-job");
    CSetting s = SaveSetting(folder);
    s.Unit = TextUnit::CHAR;
    s.Text = std::wstring(400, L'字');
    ASSERT_TRUE(WriteProgramSettings(s));
    // 4000 characters, a file each: every file is written, flushed and moved
    // into place, so however fast the engine the job runs for seconds, far
    // longer than the driver takes to reach the stop button.
    std::wstring text;
    for (int line = 0; line < 40; ++line)
        text += std::wstring(100, L'縁') + L"\\n";
    std::wstring script = L"start\ntext 153 " + text + L"\nclick 1\n" + ChooseFolderScript(folder);
    // While the job runs, the rows and the format's controls are off too.
    script += L"enabled 1 0\nenabled 182 0\nenabled 212 0\nenabled 167 0\nenabled 253 0\nenabled 244 1\n";
    script += L"click 256\nwait 処理を中断しました\nclick 1\nmain\nenabled 1 1\nenabled 256 0\nenabled 157 1\nclose\nexit 2\n";
    CDriveResult r = RunDriveScript(script);
    EXPECT_EQ(0u, r.exitCode) << r.output;
}

TEST(ProgramTest, AboutShowsTheVersion)
{
    ResetProgramState();
    CDriveResult r = RunDriveScript(L"start\nclick 57664\nwait バージョン情報\ncontains 53283 1.4.2.0\nclick 1\nmain\nclose\nexit 2\n");
    EXPECT_EQ(0u, r.exitCode) << r.output;
}
