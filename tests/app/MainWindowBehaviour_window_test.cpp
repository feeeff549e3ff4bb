// What the main window does that no other test shows, through the UI
// driver: the font line's cascade with the faces for vertical writing, the
// open-folder button without a folder and an address that cannot be opened,
// the title after a decoration file is saved and opened, the paint buttons
// while a save runs, a blank text on Run, and the end of a Windows session.
#include "tests/app/ProgramDriver.h"
#include "tests/imaging/ImageFileSupport.h"
#include "platform/RegKey.h"
#include "resources/main_window.h"
#include "resources/strings_app.h"
#include "resources/strings_engine.h"
#include <gtest/gtest.h>

namespace {

// The program that opens web addresses, replaced for a test by one that
// does not exist (so nothing starts) and put back afterwards.
class CBrokenBrowser {
public:
    CBrokenBrowser()
    {
        if (m_key.Open(HKEY_CLASSES_ROOT, L"https\\shell\\open\\command", KEY_QUERY_VALUE | KEY_SET_VALUE) !=
            ERROR_SUCCESS)
            return;
        wchar_t value[1024] = L"";
        ULONG chars = 1024;
        if (m_key.QueryStringValue(nullptr, value, &chars) != ERROR_SUCCESS)
            return;
        m_old = value;
        m_set = m_key.SetStringValue(nullptr, L"\"C:\\no-such-browser.exe\" \"%1\"") == ERROR_SUCCESS;
    }
    ~CBrokenBrowser()
    {
        if (m_set)
            m_key.SetStringValue(nullptr, m_old.c_str());
    }
    CBrokenBrowser(const CBrokenBrowser&) = delete;
    CBrokenBrowser& operator=(const CBrokenBrowser&) = delete;
    bool IsSet() const { return m_set; }

private:
    CRegKey m_key;
    std::wstring m_old;
    bool m_set = false;
};

} // namespace

TEST(MainWindowBehaviour, FontLineCascadesFromCharacterSetToFaceToStyle)
{
    // The vertical character set lists only "@" faces; a face lists its
    // styles; each choice reaches the settings file at once.
    ResetProgramState();
    ASSERT_TRUE(WriteProgramSettings(FirstStartSetting()));
    CDriveResult r = RunDriveScript(L"start\npick 155 @日本語\ncontains 157 @\npick 157 @IPA明朝\nexpect 159 標準\n"
                                    L"pick 159 太字\nkill\n");
    ASSERT_EQ(0u, r.exitCode) << r.output;
    CSetting saved;
    ASSERT_TRUE(ReadProgramSettings(saved));
    EXPECT_EQ(Narrow(L"@IPA明朝"), Narrow(saved.FontSetting.FontFace));
    EXPECT_EQ(SHIFTJIS_CHARSET, static_cast<int>(saved.FontSetting.CharSet));
    EXPECT_EQ(700, saved.FontSetting.Weight);

    // Back to horizontal writing: no "@" face is listed, so the first face
    // is taken, in the style chosen before (every face here has it).
    r = RunDriveScript(L"start\nexpect 155 @日本語\nexpect 157 @IPA明朝\npick 155 日本語\nexpect 159 太字\nkill\n");
    ASSERT_EQ(0u, r.exitCode) << r.output;
    ASSERT_TRUE(ReadProgramSettings(saved));
    ASSERT_FALSE(saved.FontSetting.FontFace.empty());
    EXPECT_NE(L'@', saved.FontSetting.FontFace[0]) << Narrow(saved.FontSetting.FontFace);
    EXPECT_EQ(700, saved.FontSetting.Weight);
    // A vertical face chosen by name is refused in horizontal writing.
    r = RunDriveScript(L"start\npick 157 @IPA明朝\nkill\n");
    EXPECT_NE(std::string::npos, r.output.find("line 2")) << r.output;
}

TEST(MainWindowBehaviour, OpenFolderWithoutAFolderAndAnAddressThatCannotOpen)
{
    ResetProgramState();
    CSetting s = FirstStartSetting();
    s.FolderPath.clear();
    ASSERT_TRUE(WriteProgramSettings(s));
    CBrokenBrowser browser;
    ASSERT_TRUE(browser.IsSet());
    CDriveResult r = RunDriveScript(L"start\nclick " + Id(IDC_OPEN_FOLDER) + L"\nwait " +
                                    LoadResourceString(IDS_OUTPUT_FOLDER_EMPTY) + L"\nclick 1\nmain\nclick " +
                                    Id(IDM_HELP_HOME_PAGE) + L"\nwait " + LoadResourceString(IDS_OPEN_URL_FAILED) +
                                    L"\nclick 1\nmain\nclose\nexit 2\n");
    EXPECT_EQ(0u, r.exitCode) << r.output;
}

TEST(MainWindowBehaviour, TitleNamesTheDecorationFileAndItsFolder)
{
    ResetProgramState();
    ASSERT_TRUE(WriteProgramSettings(FirstStartSetting()));
    CTempFolder folder;
    const std::wstring saved = folder.File(L"deco.knt"), other = folder.File(L"other.knt");
    const std::wstring caption = LoadResourceString(IDS_DISPLAY_NAME);
    // "caption - name @ folder" after a save under a new name, and after
    // opening another file; the caption alone before either.
    std::wstring script = L"start\nwait " + caption + L"\nclick " + Id(IDM_FILE_SAVE_AS) + L"\nwait " + kFileDialog +
                          L"\ntext 1148 " + ScriptPath(saved) + L"\nclick 1\n";
    script += L"wait " + caption + L" - deco.knt @ " + ScriptPath(folder.Path()) + L"\nmain\n";
    script += L"click " + Id(IDM_FILE_SAVE_AS) + L"\nwait " + kFileDialog + L"\ntext 1148 " + ScriptPath(other) +
              L"\nclick 1\nwait " + caption + L" - other.knt @ \nmain\n";
    script += L"click " + Id(IDM_FILE_OPEN) + L"\nwait " + kFileDialog + L"\ntext 1148 " + ScriptPath(saved) +
              L"\nclick 1\nwait " + caption + L" - deco.knt @ " + ScriptPath(folder.Path()) + L"\nmain\nclose\nexit 2\n";
    CDriveResult r = RunDriveScript(script);
    EXPECT_EQ(0u, r.exitCode) << r.output;
}

TEST(MainWindowBehaviour, PaintButtonsShowThePlainFaceWhileASaveRuns)
{
    ResetProgramState();
    const std::wstring folder = FreshOutputFolder(L"paint-buttons");
    CSetting s = FirstStartSetting();
    s.FolderPath = folder;
    s.Unit = TextUnit::CHAR;
    // A colour nothing else in the window shows, on a row that is not drawn.
    const COLORREF marker = RGB(0x12, 0x9A, 0x56);
    s.UseBorderings[4] = 0;
    s.Borderings[4].Paint.Type = PaintType::MONO;
    s.Borderings[4].Paint.Color = marker;
    ASSERT_TRUE(WriteProgramSettings(s));
    const std::wstring idle = TestOutputPath(L"main-window-paint-buttons-idle.png");
    const std::wstring running = TestOutputPath(L"main-window-paint-buttons-running.png");
    // 20,000 characters, a file each: the save runs far longer than a
    // picture takes, also now that a file costs no look through its folder.
    std::wstring text;
    for (int line = 0; line < 200; ++line)
        text += std::wstring(100, L'縁') + L"\\n";
    std::wstring script = L"start\ntext 153 " + text + L"\nshot " + ScriptPath(idle) + L"\nclick 1\n";
    script += L"wait " + LoadResourceString(IDS_BROWSE_FOLDER_TITLE) + L"\nclick 1\nmain\nenabled " +
              Id(IDC_DECO_PAINT + 4) + L" 0\nshot " + ScriptPath(running) + L"\nclick " + Id(IDC_STOP) + L"\n";
    script += L"wait " + LoadResourceString(IDS_JOB_STOPPED) + L"\nclick 1\nmain\nclose\nexit 2\n";
    CDriveResult r = RunDriveScript(script);
    ASSERT_EQ(0u, r.exitCode) << r.output;
    boost::shared_ptr<CImg> a = LoadShot(idle), b = LoadShot(running);
    ASSERT_TRUE(a && b);
    const auto isMarker = [&](int red, int green, int blue) {
        return RGB(red, green, blue) == marker;
    };
    EXPECT_GT(CountPixels(*a, 0, 0, a->m_w, a->m_h, isMarker), 50) << "the enabled button shows its paint";
    EXPECT_EQ(0, CountPixels(*b, 0, 0, b->m_w, b->m_h, isMarker)) << "the disabled button shows its plain face";
}

TEST(MainWindowBehaviour, TheWindowAnswersWhileATextureLoads)
{
    // A picture of 100 million pixels takes seconds to decode: the window takes text meanwhile, a
    // paint button of it showing its colour; once loaded (the save shares the buttons' decode and
    // ends after it) the picture covers the colour.
    ResetProgramState();
    CTempFolder temp;
    const std::wstring picture = temp.File(L"slow.png");
    ASSERT_TRUE(WriteFileBytes(picture, imagefile::MakeGreyRgbPng(10000, '\x3C', '\x5A', '\xD2')));
    CSetting s = FirstStartSetting();
    s.FolderPath = FreshOutputFolder(L"slow-texture");
    s.Unit = TextUnit::CHAR;
    const COLORREF marker = RGB(0x12, 0x9A, 0x56);  // on a row that is not drawn
    s.UseBorderings[4] = 0;
    for (CPaintSetting* paint : {&s.PaintSetting, &s.Borderings[4].Paint}) {
        paint->Type = PaintType::TEXTURE;
        paint->Texture.Path = picture;
    }
    s.Borderings[4].Paint.Color = marker;
    ASSERT_TRUE(WriteProgramSettings(s));
    const std::wstring loading = TestOutputPath(L"main-window-texture-loading.png");
    const std::wstring loaded = TestOutputPath(L"main-window-texture-loaded.png");
    CDriveResult r = RunDriveScript(L"start\ntext 153 縁取\nexpect 153 縁取\nscreen " + ScriptPath(loading) +
                                    L"\nclick 1\nwait " + LoadResourceString(IDS_BROWSE_FOLDER_TITLE) +
                                    L"\nclick 1\nwaitlong 2 個のファイルを作成しました\nclick 1\nmain\nshot " +
                                    ScriptPath(loaded) + L"\nclose\nexit 2\n");
    ASSERT_EQ(0u, r.exitCode) << r.output;
    boost::shared_ptr<CImg> a = LoadShot(loading), b = LoadShot(loaded);
    ASSERT_TRUE(a && b);
    const auto isMarker = [&](int red, int green, int blue) { return RGB(red, green, blue) == marker; };
    EXPECT_GT(CountPixels(*a, 0, 0, a->m_w, a->m_h, isMarker), 50) << "loading, the button shows its colour";
    EXPECT_EQ(0, CountPixels(*b, 0, 0, b->m_w, b->m_h, isMarker)) << "loaded, the picture covers it";
}

TEST(MainWindowBehaviour, ABlankTextIsRefusedOnRun)
{
    ResetProgramState();
    CSetting s = FirstStartSetting();
    s.FolderPath = FreshOutputFolder(L"blank-text");
    ASSERT_TRUE(WriteProgramSettings(s));
    // The message comes instead of the folder chooser.
    CDriveResult r = RunDriveScript(L"start\ntext 153  \\n \\n\nclick 1\nwait " + LoadResourceString(IDS_TEXT_EMPTY) +
                                    L"\nclick 1\nmain\nenabled 1 1\nclose\nexit 2\n");
    EXPECT_EQ(0u, r.exitCode) << r.output;
}

TEST(MainWindowBehaviour, TheEndOfASessionSavesTheSettings)
{
    // A window made larger is saved by the closing save only (the automatic
    // save follows the settings): a killed program loses it, unless Windows
    // said first that the session ends (WM_ENDSESSION with true).
    const int width = 1000, height = 800;
    for (bool ending : {false, true}) {
        SCOPED_TRACE(ending ? "session ends" : "no session end");
        ResetProgramState();
        CSetting s = FirstStartSetting();
        s.WindowLayout.NormalBounds = RECT{40, 30, 40 + 900, 30 + 760};
        ASSERT_TRUE(WriteProgramSettings(s));
        std::wstring script = L"start\ncontains 300 x\nsize " + std::to_wstring(width) + L" " + std::to_wstring(height) +
                              L"\n";
        if (ending)
            script += L"send " + Id(WM_ENDSESSION) + L" 1 0\n";
        script += L"kill\n";
        CDriveResult r = RunDriveScript(script);
        ASSERT_EQ(0u, r.exitCode) << r.output;
        CSetting saved;
        ASSERT_TRUE(ReadProgramSettings(saved));
        const RECT& b = saved.WindowLayout.NormalBounds;
        EXPECT_EQ(ending ? width : 900, b.right - b.left);
        EXPECT_EQ(ending ? height : 760, b.bottom - b.top);
    }
}
