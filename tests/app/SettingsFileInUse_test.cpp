// A settings file that another program holds open without sharing, or that
// cannot be kept aside: start-up says so by name and never writes over a
// file it did not read; the saves while typing do not wait for it each time.
#include "tests/app/CommandTestSupport.h"
#include "decoration/SettingXml.h"
#include "foundation/AppInfo.h"
#include "foundation/ReplacingFileWriter.h"
#include "resources/main_window.h"
#include "resources/strings_app.h"
#include "resources/strings_decoration.h"
#include "resources/strings_foundation.h"
#include "resources/strings_foundation_io.h"

namespace {

std::string SettingsBytes(int alpha)
{
    CSetting s;
    s.Borderings[3].Alpha = alpha;
    CSettingXmlWriter writer;
    writer.SetWriteAll(true);
    std::string bytes;
    EXPECT_TRUE(writer.Build(s) && writer.GetBytes(bytes));
    return bytes;
}

} // namespace

TEST(SettingsFileLoader, AFileThatCannotBeOpenedIsNotADamagedOne)
{
    CTempFolder folder;
    const std::wstring path = folder.File(L"s.config"), backup = path + L".bak";
    const std::string good = SettingsBytes(33), older = SettingsBytes(44);
    ASSERT_TRUE(WriteFileBytes(path, good));
    ASSERT_TRUE(WriteFileBytes(backup, older));
    {
        const CHandle lock = HoldWithoutSharing(path);
        ASSERT_TRUE(lock.IsValid());
        CSetting s;
        CSettingsFileLoader loader;
        EXPECT_EQ(CSettingsFileLoader::UNOPENED, loader.Load(s, path));
        EXPECT_EQ(path, loader.GetUnopenedPath());
        EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_SHARING_VIOLATION), loader.GetError().code);
        EXPECT_NE(std::wstring::npos, loader.GetError().message.find(path));
        EXPECT_EQ(100, s.Borderings[3].Alpha);  // nothing read, not even the backup
        EXPECT_TRUE(loader.AcceptFallback(path));
        EXPECT_TRUE(loader.GetKeptCopies().empty());
    }
    // A damaged file whose backup is held: the backup may be the one good
    // copy, so nothing is decided.
    ASSERT_TRUE(WriteFileBytes(path, "<Settings><Font"));
    {
        const CHandle lock = HoldWithoutSharing(backup);
        ASSERT_TRUE(lock.IsValid());
        CSetting s;
        CSettingsFileLoader loader;
        EXPECT_EQ(CSettingsFileLoader::UNOPENED, loader.Load(s, path));
        EXPECT_EQ(backup, loader.GetUnopenedPath());
    }
    CSetting s;
    CSettingsFileLoader loader;
    EXPECT_EQ(CSettingsFileLoader::FROM_BACKUP, loader.Load(s, path));
    EXPECT_EQ(44, s.Borderings[3].Alpha);
}

TEST_F(CommandTest, StartUpWithASettingsFileInUseAsksAndWritesNothing)
{
    GetAppInfo().Initialize(IDS_MAKER, IDS_PRODUCT, IDS_DISPLAY_NAME, IDR_MAIN);
    CreateDirectoryW(knt::GetSettingsFolder().c_str(), nullptr);
    const std::string good = SettingsBytes(33), older = SettingsBytes(44);
    ASSERT_TRUE(WriteFileBytes(SettingsFile(), good));
    ASSERT_TRUE(WriteFileBytes(SettingsFile() + L".bak", older));
    {
        const CHandle lock = HoldWithoutSharing(SettingsFile());
        ASSERT_TRUE(lock.IsValid());
        // Retry while it is still held asks again; Cancel ends the start.
        boxes.answers = {IDRETRY, IDCANCEL};
        knt::CCommandInit init(knt::GetMsg());
        init.Run(true, false);
        EXPECT_TRUE(init.Stop);
        ASSERT_EQ(2u, boxes.boxes.size());
        EXPECT_TRUE(Shown(IDS_SETTINGS_FILE_IN_USE, 0)) << Narrow(boxes.boxes[0].text);
        EXPECT_NE(std::wstring::npos, boxes.boxes[0].text.find(SettingsFile()));
        EXPECT_EQ(UINT(MB_RETRYCANCEL), boxes.boxes[0].flags & MB_TYPEMASK);
        EXPECT_FALSE(Shown(IDS_CONFIRM_CONTINUE_AFTER_ERROR, 0));
    }
    EXPECT_EQ(good, ReadFileBytes(SettingsFile()));
    EXPECT_EQ(older, ReadFileBytes(SettingsFile() + L".bak"));
    EXPECT_TRUE(NumberedCopies(SettingsFile(), L".broken").empty());

    // Retry once the other program let go reads the file.
    struct CLettingGo : CRecordingMsg {
        CHandle* lock = nullptr;
        int Show(const std::wstring& text, UINT flags) override
        {
            lock->Close();  // the user closes the other program, then retries
            return CRecordingMsg::Show(text, flags);
        }
    } lettingGo;
    lettingGo.answer = IDRETRY;
    CHandle lock = HoldWithoutSharing(SettingsFile());
    ASSERT_TRUE(lock.IsValid());
    lettingGo.lock = &lock;
    CMsgRedirect toLettingGo(knt::GetMsg(), lettingGo);
    setting = CSetting();
    knt::CCommandInit init(knt::GetMsg());
    init.Run(true, false);
    EXPECT_FALSE(init.Stop);
    EXPECT_EQ(1u, lettingGo.boxes.size());
    EXPECT_EQ(33, setting.Borderings[3].Alpha);
}

// While another program keeps the settings file, the save after a success
// waits for it a while and says it is in use; the next ones try once each.
TEST_F(CommandTest, AutoSavesWaitForAFileInUseOnlyAfterASuccess)
{
    view.RequestPreview(true);  // the file made
    for (unsigned round = 1; round <= 2; ++round) {
        CHandle lock = HoldWithoutSharing(SettingsFile());
        const unsigned long before = ReplacingWriterTriesForTest();
        view.RequestPreview(true);
        const unsigned long waited = ReplacingWriterTriesForTest() - before;
        view.RequestPreview(true), view.RequestPreview(true);
        EXPECT_TRUE(waited > 1 && ReplacingWriterTriesForTest() == before + waited + 2) << waited;
        ASSERT_EQ(round, boxes.boxes.size());
        EXPECT_NE(std::wstring::npos, boxes.Last().text.find(LoadResourceString(IDS_FILE_IN_USE)));
        lock.Close();
        view.RequestPreview(true);  // a success again
    }
}

// The user agreed to go on after a damaged file, but another program took
// the file (or the damaged backup) meanwhile, so it cannot be kept aside: the
// next save would write over it, so the start ends.
TEST_F(CommandTest, ADamagedFileThatCannotBeKeptAsideEndsTheStart)
{
    GetAppInfo().Initialize(IDS_MAKER, IDS_PRODUCT, IDS_DISPLAY_NAME, IDR_MAIN);
    CreateDirectoryW(knt::GetSettingsFolder().c_str(), nullptr);
    const std::string damaged = "<Settings><Font", damagedBackup = "<Settings><Unit";
    struct CTakenMeanwhile : CRecordingMsg {
        std::wstring path;
        CHandle lock;
        int Show(const std::wstring& text, UINT flags) override
        {
            if (!lock.IsValid())
                lock = HoldWithoutSharing(path);
            return CRecordingMsg::Show(text, flags);
        }
    };
    const std::wstring file = SettingsFile(), backup = SettingsFile() + L".bak";
    struct Case {
        const wchar_t* taken;
        bool fileKept;
    } const cases[] = {{L"", false}, {L".bak", true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(Narrow(c.taken));
        DeleteFileW((file + L".1.broken").c_str());
        ASSERT_TRUE(WriteFileBytes(file, damaged));
        ASSERT_TRUE(WriteFileBytes(backup, damagedBackup));
        CTakenMeanwhile taker;
        taker.path = file + c.taken;
        CMsgRedirect toTaker(knt::GetMsg(), taker);
        knt::CCommandInit init(knt::GetMsg());
        init.Run(true, false);
        taker.lock.Close();
        EXPECT_TRUE(init.Stop);
        ASSERT_EQ(2u, taker.boxes.size());
        EXPECT_TRUE(ShownIn(taker, IDS_SETTINGS_NOT_KEPT_EXIT, 1)) << Narrow(taker.boxes[1].text);
        EXPECT_NE(std::wstring::npos, taker.boxes[1].text.find(file + c.taken + L".1.broken"));
        EXPECT_EQ(damagedBackup, ReadFileBytes(backup));
        EXPECT_EQ(c.fileKept ? "" : damaged, ReadFileBytes(file));
        EXPECT_EQ(c.fileKept ? damaged : "", ReadFileBytes(file + L".1.broken"));
    }
}

// The backup read, but it cannot be copied into the file's place (the disk is
// full): nothing is lost, so the user is told and the start goes on.
TEST_F(CommandTest, ABackupThatCannotBePutBackIsToldAndTheStartGoesOn)
{
    GetAppInfo().Initialize(IDS_MAKER, IDS_PRODUCT, IDS_DISPLAY_NAME, IDR_MAIN);
    CreateDirectoryW(knt::GetSettingsFolder().c_str(), nullptr);
    const std::string older = SettingsBytes(44);
    ASSERT_TRUE(WriteFileBytes(SettingsFile(), "<Settings><Font"));
    ASSERT_TRUE(WriteFileBytes(SettingsFile() + L".bak", older));
    SetReplacingWriterSpaceForTest(0);
    knt::CCommandInit init(knt::GetMsg());
    init.Run(true, false);
    SetReplacingWriterSpaceForTest(-1);
    EXPECT_FALSE(init.Stop);
    EXPECT_EQ(44, setting.Borderings[3].Alpha);
    ASSERT_EQ(2u, boxes.boxes.size());
    EXPECT_TRUE(Shown(IDS_COPY_FILE_FAILED, 1)) << Narrow(boxes.boxes[1].text);
    EXPECT_NE(std::wstring::npos, boxes.boxes[1].text.find(SystemText(HRESULT_FROM_WIN32(ERROR_DISK_FULL))));
    EXPECT_EQ(older, ReadFileBytes(SettingsFile() + L".bak"));
    EXPECT_FALSE(FileExists(SettingsFile()));
}
