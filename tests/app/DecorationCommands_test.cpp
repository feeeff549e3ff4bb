#include "tests/app/CommandTestSupport.h"
#include "decoration/SettingXml.h"
#include "foundation/Clipboard.h"
#include "resources/strings_app.h"
#include "resources/strings_decoration.h"
#include "resources/strings_foundation_io.h"

namespace {

CSetting SavedSettings(const std::wstring& path)
{
    CSetting saved;
    EXPECT_TRUE(CSettingXmlReader().Read(saved, path)) << Narrow(path);
    return saved;
}

} // namespace

TEST_F(CommandTest, RowIndexChecks)
{
    // A valid copy writes the clipboard, which other test processes open too.
    CClipboardTestLock lock;
    knt::CCommandMoveDeco up(boxes, true), down(boxes, false);
    knt::CCommandCopyDeco copy(boxes);
    struct Case {
        knt::CCommand* command;
        int* index;
        int value;
        bool valid;
    } const cases[] = {
        {&up, &up.Index, 0, false},     {&up, &up.Index, 1, true},       {&up, &up.Index, 4, true},
        {&down, &down.Index, 4, false}, {&down, &down.Index, 3, true},   {&down, &down.Index, -1, false},
        {&copy, &copy.Index, 4, true},  {&copy, &copy.Index, 5, false},  {&copy, &copy.Index, -1, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        *c.index = c.value;
        EXPECT_EQ(c.valid, c.command->RunAndTest());
        my::CCtrlException record(nullptr, 0);
        c.command->RunInto(record);
        if (c.valid)
            continue;
        EXPECT_EQ(UINT(IDS_DECO_INDEX_INVALID), record.id);
        // The row index is named, also when only the target is out of range.
        EXPECT_EQ(std::to_wstring(c.value), record.message.substr(record.message.rfind(L'\n') + 1));
    }
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(CommandTest, CopyPasteAndMoveEachReachTheSettingsFile)
{
    CClipboardTestLock lock;
    for (int r = 0; r < kDecorationRows; ++r) {
        setting.Borderings[r].Size = 10 * (r + 1);
        setting.UseBorderings[r] = r % 2;
    }
    setting.Borderings[1].Paint.Color = 0x123456;

    knt::CCommandCopyDeco copy(boxes);
    knt::CCommandPasteDeco paste(boxes);
    copy.Index = 1;
    copy.Run(true, false);
    paste.Index = 3;
    EXPECT_TRUE(paste.RunAndTest());
    paste.Run(true, false);
    ASSERT_TRUE(boxes.boxes.empty()) << Narrow(boxes.Last().text);
    EXPECT_TRUE(setting.Borderings[3] == setting.Borderings[1]);
    EXPECT_EQ(20, SavedSettings(SettingsFile()).Borderings[3].Size);
    EXPECT_EQ(std::vector<int>{3}, view.refreshedRows);

    knt::CCommandMoveDeco up(boxes, true), down(boxes, false);
    setting.Borderings[3].Size = 44;
    up.Index = 3;
    up.Run(true, false);
    CSetting saved = SavedSettings(SettingsFile());
    EXPECT_EQ(44, saved.Borderings[2].Size);
    EXPECT_EQ(30, saved.Borderings[3].Size);
    // The decorations move; the on/off switches stay with their rows.
    EXPECT_EQ(setting.UseBorderings, saved.UseBorderings);
    EXPECT_EQ((std::vector<BYTE>{0, 1, 0, 1, 0}), saved.UseBorderings);
    EXPECT_EQ((std::vector<int>{3, 2, 3}), view.refreshedRows);

    down.Index = 0;
    down.Run(true, false);
    saved = SavedSettings(SettingsFile());
    EXPECT_EQ(20, saved.Borderings[0].Size);
    EXPECT_EQ(10, saved.Borderings[1].Size);
    EXPECT_EQ((std::vector<bool>{true, true, true}), view.previews);
    EXPECT_TRUE(boxes.boxes.empty());

    // The clipboard holds another program's text, then nothing at all.
    ClipboardCopyText(view.window, L"plain text");
    paste.Index = 0;
    EXPECT_FALSE(paste.RunAndTest());
    paste.Run(true, false);
    {
        CClipboardOpener clipboard(view.window);
        ClipboardEmpty();
    }
    paste.Run(true, false);
    ASSERT_EQ(2u, boxes.boxes.size());
    EXPECT_TRUE(Shown(IDS_CLIPBOARD_FORMAT_UNSUPPORTED, 0)) << Narrow(boxes.boxes[0].text);
    EXPECT_TRUE(Shown(IDS_CLIPBOARD_EMPTY, 1)) << Narrow(boxes.boxes[1].text);
    EXPECT_EQ(20, setting.Borderings[0].Size);

    // Damaged data of the right format leaves the row as it was, and the
    // clipboard closed.
    {
        CClipboardOpener clipboard(view.window);
        ClipboardEmpty();
        CGlobalMemory block;
        ASSERT_TRUE(block.Alloc(8));
        void* p = nullptr;
        {
            CGlobalLocker locker(p, block);
            memcpy(p, "<Bord", 6);
        }
        ClipboardSetData(ClipboardRegisterFormat(knt::kBorderingsClipboardFormat), block);
    }
    paste.Run(true, false);
    ASSERT_EQ(3u, boxes.boxes.size());
    EXPECT_NE(std::wstring::npos, boxes.boxes[2].text.find(LoadResourceString(IDS_SETTING_IN_CLIPBOARD)))
        << Narrow(boxes.boxes[2].text);
    EXPECT_EQ(20, setting.Borderings[0].Size);
    EXPECT_TRUE(OpenClipboard(view.window));
    CloseClipboard();
}
