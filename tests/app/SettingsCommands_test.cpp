#include "tests/app/CommandTestSupport.h"
#include "decoration/SettingXml.h"
#include "foundation/AppInfo.h"
#include "foundation/ReplacingFileWriter.h"
#include "resources/main_window.h"
#include "resources/strings_app.h"
#include "resources/strings_decoration.h"
#include "resources/strings_foundation_io.h"
#include "resources/strings_shell.h"
#include <shlobj.h>

namespace {

class CTestOpen : public knt::CCommandOpen {
public:
    using CCommandOpen::CCommandOpen;
    std::wstring chosen;  // empty: the dialog is cancelled
    int asked = 0;
    bool AskPath(std::wstring& path) override
    {
        ++asked;
        path = chosen;
        return !chosen.empty();
    }
};

class CTestSave : public knt::CCommandSave {
public:
    using CCommandSave::CCommandSave;
    std::wstring chosen;
    int asked = 0;
    bool AskPath(std::wstring& path) override
    {
        ++asked;
        path = chosen;
        return !chosen.empty();
    }
};

class CTestInitOpen : public knt::CCommandInitOpen {
public:
    using CCommandInitOpen::CCommandInitOpen;
    std::wstring commandLine;
    void ParseCommandLine(CSingleCommandLineParser& parser) override { parser.Parse(commandLine); }
};

CItemIDList IdListOf(const std::wstring& path)
{
    CItemIDList list;
    list.SetFromPath(path);
    return list;
}

} // namespace

TEST_F(CommandTest, SaveChangeAndOpenAgain)
{
    setting.Borderings[2].Size = 77;
    setting.FontSetting.FontFace = L"IPAGothic";
    setting.FolderPath = L"C:\\before";
    CTestSave save(boxes);
    save.chosen = temp.File(L"deco");  // the dialog adds the extension; the test names it as it is
    save.Run(true, false);
    ASSERT_TRUE(boxes.boxes.empty()) << Narrow(boxes.Last().text);
    EXPECT_EQ(1, save.asked);
    EXPECT_EQ(save.chosen, view.filePath);
    EXPECT_EQ(save.chosen, setting.ConfigPath);
    EXPECT_EQ(std::vector<bool>{false}, view.previews);
    const std::string knt = ReadFileBytes(save.chosen);
    EXPECT_EQ(std::string::npos, knt.find("WindowLayout"));
    EXPECT_EQ(std::string::npos, knt.find("FolderPath"));
    // The automatic save that followed stored the new configuration path.
    CSetting saved;
    ASSERT_TRUE(CSettingXmlReader().Read(saved, SettingsFile()));
    EXPECT_EQ(save.chosen, saved.ConfigPath);

    setting.Borderings[2].Size = 11;
    setting.FontSetting.FontFace = L"IPAMincho";
    setting.FolderPath = L"C:\\after";
    setting.WindowLayout.SplitterPos = 321;
    CTestOpen open(boxes);
    open.chosen = save.chosen;
    open.Run(true, false);
    ASSERT_TRUE(boxes.boxes.empty()) << Narrow(boxes.Last().text);
    EXPECT_EQ(77, setting.Borderings[2].Size);
    EXPECT_EQ(L"IPAGothic", setting.FontSetting.FontFace);
    // What a decoration settings file does not hold stays as it was.
    EXPECT_EQ(L"C:\\after", setting.FolderPath);
    EXPECT_EQ(321, setting.WindowLayout.SplitterPos);
    EXPECT_EQ(1, view.initControls);
    EXPECT_EQ((std::vector<bool>{false, true}), view.previews);

    // Cancel changes nothing; an overwrite save with no current file asks.
    open.chosen.clear();
    open.Path.clear();
    open.Run(true, false);
    EXPECT_EQ(1, view.initControls);
    save.Path = L"";
    save.chosen.clear();
    save.Run(true, false);
    EXPECT_EQ(2, save.asked);
}

TEST_F(CommandTest, AFileThatDoesNotReadNeverBecomesCurrent)
{
    CTestSave save(boxes);
    save.Path = temp.File(L"current.knt");
    save.Run(true, false);
    view.filePath = save.Path;
    const std::string foreign = "just some text, not settings\r\n";
    ASSERT_TRUE(WriteFileBytes(temp.File(L"notes.txt"), foreign));
    setting.Borderings[0].Size = 42;

    CTestOpen open(boxes);
    open.Path = temp.File(L"notes.txt");
    open.Run(true, false);
    ASSERT_EQ(1u, boxes.boxes.size());
    EXPECT_EQ(UINT(MB_ICONERROR), boxes.Last().flags & MB_ICONMASK);
    EXPECT_EQ(save.Path, view.filePath);
    EXPECT_EQ(save.Path, setting.ConfigPath);
    EXPECT_EQ(42, setting.Borderings[0].Size);
    EXPECT_EQ(0, view.initControls);

    // The overwrite save goes to the file that is still current.
    save.Path = view.filePath;
    save.Run(true, false);
    EXPECT_EQ(foreign, ReadFileBytes(temp.File(L"notes.txt")));
    CSetting reread;
    ASSERT_TRUE(CSettingXmlReader().Read(reread, save.Path));
    EXPECT_EQ(42, reread.Borderings[0].Size);
}

TEST_F(CommandTest, CommandLineOpensItsOneArgument)
{
    CTestSave save(boxes);
    save.Path = temp.File(L"start.knt");
    setting.Borderings[1].Blur = 55;
    save.Run(true, false);
    setting.Borderings[1].Blur = 0;

    CTestInitOpen init(boxes);
    init.commandLine = L"kantelo.exe \"" + save.Path + L"\" second";
    init.Run(true, false);
    ASSERT_EQ(1u, boxes.boxes.size());
    EXPECT_TRUE(Shown(IDS_TOO_MANY_ARGUMENTS, 0)) << Narrow(boxes.Last().text);
    EXPECT_EQ(0, setting.Borderings[1].Blur);

    init.commandLine = L"kantelo.exe \"" + save.Path + L"\"";
    init.Run(true, false);
    EXPECT_EQ(1u, boxes.boxes.size());
    EXPECT_EQ(55, setting.Borderings[1].Blur);
    EXPECT_EQ(save.Path, view.filePath);

    init.commandLine = L"kantelo.exe";
    init.Run(true, false);
    EXPECT_EQ(1u, boxes.boxes.size());
}

TEST_F(CommandTest, StartUpAsksAboutAnUnreadableOrNewerFile)
{
    GetAppInfo().Initialize(IDS_MAKER, IDS_PRODUCT, IDS_DISPLAY_NAME, IDR_MAIN);
    ASSERT_EQ(L"Kantelo32.config", GetAppInfo().GetConfigFileName());
    CreateDirectoryW(knt::GetSettingsFolder().c_str(), nullptr);
    const std::string broken = "<Settings><Version>1.4";
    CSetting good;
    good.Borderings[3].Alpha = 33;
    CSettingXmlWriter writer;
    writer.SetWriteAll(true);
    std::string goodBytes;
    ASSERT_TRUE(writer.Build(good) && writer.GetBytes(goodBytes));
    std::string newer = goodBytes;
    const size_t v = newer.find("1.4.2.0");
    ASSERT_NE(std::string::npos, v);
    newer.replace(v, 7, "200.0.0.0");  // above 127 in the top byte: compared unsigned

    struct Case {
        const char* what;
        std::string file;
        std::string backup;
        int answer;
        UINT asked;
        bool stop;
        int alpha;
    } const cases[] = {
        {"readable", goodBytes, "", IDOK, 0, false, 33},
        {"unreadable, cancelled", broken, "", IDCANCEL, IDS_CONFIRM_CONTINUE_AFTER_ERROR, true, 100},
        {"unreadable, go on", broken, "", IDOK, IDS_CONFIRM_CONTINUE_AFTER_ERROR, false, 100},
        {"backup offered", broken, goodBytes, IDOK, IDS_CONFIRM_CONTINUE_AFTER_ERROR, false, 33},
        {"newer, cancelled", newer, "", IDCANCEL, IDS_CONFIRM_OVERWRITE_NEWER_CONFIG, true, 33},
        {"newer, go on", newer, "", IDOK, IDS_CONFIRM_OVERWRITE_NEWER_CONFIG, false, 33},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DeleteFileW((SettingsFile() + L".bak").c_str());
        for (const std::wstring& copy : NumberedCopies(SettingsFile(), L".broken"))
            DeleteFileW(copy.c_str());
        ASSERT_TRUE(WriteFileBytes(SettingsFile(), c.file));
        if (!c.backup.empty()) {
            ASSERT_TRUE(WriteFileBytes(SettingsFile() + L".bak", c.backup));
        }
        setting = CSetting();
        setting.Borderings[3].Alpha = 100;
        // What the loader says of the file is what the box must say.
        CSetting scratch;
        CSettingsFileLoader loader;
        loader.Load(scratch, SettingsFile());
        boxes.Clear();
        boxes.answer = c.answer;
        knt::CCommandInit init(knt::GetMsg());
        init.Run(true, false);
        EXPECT_EQ(c.stop, init.Stop);
        EXPECT_EQ(c.alpha, setting.Borderings[3].Alpha);
        if (c.asked == 0) {
            EXPECT_TRUE(boxes.boxes.empty());
            continue;
        }
        ASSERT_EQ(1u, boxes.boxes.size());
        EXPECT_TRUE(Shown(c.asked, 0)) << Narrow(boxes.Last().text);
        if (c.asked == IDS_CONFIRM_CONTINUE_AFTER_ERROR) {
            // The loader's own words: the file by its path (once), the element and why.
            EXPECT_NE(std::wstring::npos, loader.GetError().message.find(SettingsFile()));
            EXPECT_EQ(CSimpleErr::Format(c.asked, loader.GetError().message), boxes.Last().text);
            // Cancel leaves the file for the user to mend; going on keeps it aside.
            EXPECT_EQ(c.stop, ReadFileBytes(SettingsFile()) == c.file);
            EXPECT_EQ(!c.stop, ReadFileBytes(SettingsFile() + L".1.broken") == c.file);
        }
    }
}

TEST_F(CommandTest, UnwritableSettingsFileIsReportedOnce)
{
    // A file where the data folder should be: no folder, no settings file.
    ASSERT_TRUE(WriteFileBytes(knt::GetSettingsFolder(), "in the way"));
    for (int i = 0; i < 3; ++i)
        view.RequestPreview(true);
    ASSERT_EQ(1u, boxes.boxes.size());
    EXPECT_TRUE(Shown(IDS_CREATE_FOLDER_FAILED, 0)) << Narrow(boxes.Last().text);

    DeleteFileW(knt::GetSettingsFolder().c_str());
    view.RequestPreview(true);
    EXPECT_TRUE(FileExists(SettingsFile()));
    EXPECT_EQ(1u, boxes.boxes.size());

    // Once a write has succeeded, the next failure is shown again.
    RemoveDirectoryW(knt::GetSettingsFolder().c_str());
    DeleteFileW(SettingsFile().c_str());
    RemoveDirectoryW(knt::GetSettingsFolder().c_str());
    ASSERT_TRUE(WriteFileBytes(knt::GetSettingsFolder(), "in the way"));
    view.RequestPreview(true);
    view.RequestPreview(true);
    EXPECT_EQ(2u, boxes.boxes.size());
}

TEST_F(CommandTest, QuitStoresTheLayoutAndReleasesTheOwner)
{
    view.layout.SplitterPos = 222;
    view.layout.Maximized = true;
    knt::GetMsg().owner = view.window;
    knt::CCommandQuit quit(knt::GetMsg());
    quit.Run(true, false);
    ASSERT_TRUE(boxes.boxes.empty()) << Narrow(boxes.Last().text);
    EXPECT_EQ(nullptr, knt::GetMsg().owner);
    CSetting saved;
    ASSERT_TRUE(CSettingXmlReader().Read(saved, SettingsFile()));
    EXPECT_EQ(222, saved.WindowLayout.SplitterPos);
    EXPECT_TRUE(saved.WindowLayout.Maximized);
}

TEST_F(CommandTest, DroppedFiles)
{
    // A drop on the window opens the first file as decoration settings.
    CTestSave save(boxes);
    save.Path = temp.File(L"dropped.knt");
    setting.Borderings[4].Angle = 135;
    save.Run(true, false);
    setting.Borderings[4].Angle = 0;
    knt::CCommandDropOpen dropOpen(boxes);
    dropOpen.Items.push_back(IdListOf(save.Path));
    dropOpen.Items.push_back(IdListOf(temp.File(L"data")));
    EXPECT_TRUE(dropOpen.RunAndTest());
    dropOpen.Run(true, false);
    EXPECT_EQ(135, setting.Borderings[4].Angle);
    EXPECT_EQ(save.Path, view.filePath);
    dropOpen.PendingError.SetWithCode(IDS_DATA_OBJECT_GET_DATA_FAILED, DV_E_FORMATETC);
    EXPECT_FALSE(dropOpen.RunAndTest());

    // A drop on the text box reads the text, up to the limit.
    struct Case {
        size_t size;
        UINT error;
    } const cases[] = {{knt::kDroppedTextLimit, 0}, {knt::kDroppedTextLimit + 1, IDS_FILE_TOO_LARGE}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.size);
        std::string bytes = "a\r\nb\rc\n";
        bytes.resize(c.size, 'x');
        ASSERT_TRUE(WriteFileBytes(temp.File(L"text.txt"), bytes));
        knt::CCommandDropText dropText(boxes);
        dropText.Items.push_back(IdListOf(temp.File(L"text.txt")));
        my::CCtrlException record(nullptr, 0);
        dropText.RunInto(record);
        EXPECT_EQ(c.error, record.id);
        if (c.error == 0) {
            ASSERT_FALSE(view.texts.empty());
            EXPECT_EQ(L"a\nb\nc\nxxx", view.texts.back().substr(0, 9));
            EXPECT_EQ(c.size - 1, view.texts.back().size());  // one CR LF became LF
        }
    }
}
