// A settings file that another program holds open without sharing, or that
// cannot be kept aside: start-up says so by name and never writes over a
// file it did not read.
#include "tests/app/CommandTestSupport.h"
#include "decoration/SettingXml.h"
#include "foundation/AppInfo.h"
#include "resources/main_window.h"
#include "resources/strings_app.h"
#include "resources/strings_decoration.h"
#include "resources/strings_foundation.h"

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
        EXPECT_EQ(S_FALSE, loader.AcceptFallback(path));
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
    EXPECT_FALSE(FileExists(SettingsFile() + L".broken"));

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

// The user agreed to go on after a damaged file, but the file cannot be kept
// aside as ".broken": the next save would write over it, so the start ends.
TEST_F(CommandTest, ADamagedFileThatCannotBeKeptAsideEndsTheStart)
{
    GetAppInfo().Initialize(IDS_MAKER, IDS_PRODUCT, IDS_DISPLAY_NAME, IDR_MAIN);
    CreateDirectoryW(knt::GetSettingsFolder().c_str(), nullptr);
    const std::string damaged = "<Settings><Font";
    ASSERT_TRUE(WriteFileBytes(SettingsFile(), damaged));
    // A folder that is not empty stands where the damaged file would go.
    const std::wstring aside = SettingsFile() + L".broken";
    ASSERT_TRUE(CreateDirectoryW(aside.c_str(), nullptr));
    ASSERT_TRUE(WriteFileBytes(aside + L"\\keep.txt", "x"));
    boxes.answer = IDOK;
    knt::CCommandInit init(knt::GetMsg());
    init.Run(true, false);
    EXPECT_TRUE(init.Stop);
    ASSERT_EQ(2u, boxes.boxes.size());
    EXPECT_TRUE(Shown(IDS_CONFIRM_CONTINUE_AFTER_ERROR, 0));
    EXPECT_TRUE(Shown(IDS_SETTINGS_NOT_KEPT_EXIT, 1)) << Narrow(boxes.boxes[1].text);
    EXPECT_NE(std::wstring::npos, boxes.boxes[1].text.find(aside));
    EXPECT_EQ(damaged, ReadFileBytes(SettingsFile()));
}
