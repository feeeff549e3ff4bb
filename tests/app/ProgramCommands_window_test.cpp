// The program's file and row commands as a person uses them, through the UI
// driver: decoration settings files saved and opened through the file
// dialogs and the command line, an unreadable settings file at start-up, and
// the row menu commands followed by the automatic save.
#include "tests/app/ProgramDriver.h"
#include "resources/main_window.h"
#include "resources/strings_foundation.h"
#include <gtest/gtest.h>

namespace {

std::wstring Line(const std::wstring& command, const std::wstring& argument)
{
    return command + L" " + argument + L"\n";
}

// A decoration settings file whose first row has the size given (tenths).
std::wstring WriteDecorationFile(const std::wstring& path, int size)
{
    CSetting s;
    s.Borderings[0].Size = size;
    CSettingXmlWriter writer;
    writer.SetWriteAll(false);
    EXPECT_TRUE(writer.Write(s, path));
    return path;
}

std::vector<int> SavedSizes()
{
    CSetting s;
    std::vector<int> sizes;
    if (ReadProgramSettings(s))
        for (const CBorderingSetting& b : s.Borderings)
            sizes.push_back(b.Size);
    return sizes;
}

} // namespace

TEST(ProgramCommandsTest, SaveChangeAndOpenAgain)
{
    ResetProgramState();
    CTempFolder folder;
    const std::wstring path = folder.File(L"deco.knt");
    // The save dialog adds the extension to a name typed without it; the open
    // dialog starts on the file just saved.
    std::wstring script = L"start\ntext 192 5\nclick " + std::to_wstring(IDM_FILE_SAVE_AS) + L"\n";
    script += Line(L"wait", kFileDialog) + Line(L"text 1148", ScriptPath(folder.File(L"deco"))) + L"click 1\nmain\n";
    script += L"text 192 7\nclick " + std::to_wstring(IDM_FILE_OPEN) + L"\n";
    script += Line(L"wait", kFileDialog) + L"expect 1148 deco.knt\n" + Line(L"text 1148", ScriptPath(path));
    script += L"click 1\nmain\n";
    script += L"expect 192 5.0\nclose\nexit 2\n";
    CDriveResult r = RunDriveScript(script);
    EXPECT_EQ(0u, r.exitCode) << r.output;
    CSetting saved;
    ASSERT_TRUE(ReadProgramSettings(saved));
    EXPECT_EQ(50, saved.Borderings[0].Size);
    EXPECT_EQ(path, saved.ConfigPath);
}

TEST(ProgramCommandsTest, CommandLineOpensOneFileAndRefusesTwo)
{
    ResetProgramState();
    CTempFolder folder;
    const std::wstring a = WriteDecorationFile(folder.File(L"a.knt"), 65);
    const std::wstring b = WriteDecorationFile(folder.File(L"b.knt"), 15);
    CDriveResult r = RunDriveScript(Line(L"start", ScriptPath(a)) + L"expect 192 6.5\nclose\nexit 2\n");
    EXPECT_EQ(0u, r.exitCode) << r.output;
    CSetting saved;
    ASSERT_TRUE(ReadProgramSettings(saved));
    EXPECT_EQ(a, saved.ConfigPath);

    const std::wstring tooMany = LoadResourceString(IDS_TOO_MANY_ARGUMENTS).substr(0, 8);
    r = RunDriveScript(Line(L"start", ScriptPath(a) + L" " + ScriptPath(b)) + Line(L"wait", tooMany) +
                       L"click 1\nmain\nexpect 192 6.5\nclose\nexit 2\n");
    EXPECT_EQ(0u, r.exitCode) << r.output;
}

TEST(ProgramCommandsTest, UnreadableSettingsFileAsksAndOffersTheBackup)
{
    const std::string broken = "<Settings><Version>1.4";
    const std::wstring question = LoadResourceString(IDS_CONFIRM_CONTINUE_AFTER_CONFIG_ERROR).substr(0, 8);
    CSetting backup;
    backup.Borderings[0].Size = 65;

    // Cancel ends the program at once; the file is left for the user to mend.
    ResetProgramState();
    ASSERT_TRUE(WriteProgramSettings(backup));
    ASSERT_TRUE(CopyFileW(ProgramSettingsPath().c_str(), (ProgramSettingsPath() + L".bak").c_str(), FALSE));
    ASSERT_TRUE(WriteFileBytes(ProgramSettingsPath(), broken));
    CDriveResult r = RunDriveScript(L"start\n" + Line(L"wait", question) + L"click 2\nexit 0\n");
    EXPECT_EQ(0u, r.exitCode) << r.output;
    EXPECT_EQ(broken, ReadFileBytes(ProgramSettingsPath()));
    EXPECT_TRUE(NumberedCopies(ProgramSettingsPath(), L".broken").empty());

    // Going on takes the backup and keeps the unreadable file aside.
    r = RunDriveScript(L"start\n" + Line(L"wait", question) + L"click 1\nmain\nexpect 192 6.5\nclose\nexit 2\n");
    EXPECT_EQ(0u, r.exitCode) << r.output;
    EXPECT_EQ(broken, ReadFileBytes(ProgramSettingsPath() + L".1.broken"));
    EXPECT_EQ(65, SavedSizes().at(0));
}

TEST(ProgramCommandsTest, AFileThatIsNotSettingsNeverBecomesCurrent)
{
    ResetProgramState();
    CTempFolder folder;
    const std::wstring current = WriteDecorationFile(folder.File(L"current.knt"), 30);
    const std::string notes = "some notes\r\n";
    ASSERT_TRUE(WriteFileBytes(folder.File(L"notes.txt"), notes));
    std::wstring script = Line(L"start", ScriptPath(current));
    script += L"click " + std::to_wstring(IDM_FILE_OPEN) + L"\n" + Line(L"wait", kFileDialog);
    script += Line(L"text 1148", ScriptPath(folder.File(L"notes.txt"))) + L"click 1\n";
    script += Line(L"wait", LoadResourceString(IDS_ERROR_TITLE)) + L"click 1\nmain\n";
    // The overwrite save goes to the file that was current before.
    script += L"text 192 7\nclick " + std::to_wstring(IDM_FILE_SAVE) + L"\nclose\nexit 2\n";
    CDriveResult r = RunDriveScript(script);
    EXPECT_EQ(0u, r.exitCode) << r.output;
    EXPECT_EQ(notes, ReadFileBytes(folder.File(L"notes.txt")));
    CSetting saved;
    ASSERT_TRUE(CSettingXmlReader().Read(saved, current));
    EXPECT_EQ(70, saved.Borderings[0].Size);
}

TEST(ProgramCommandsTest, RowCommandsReachTheSettingsFileAtOnce)
{
    ResetProgramState();
    CSetting s;
    for (int row = 0; row < kDecorationRows; ++row)
        s.Borderings[row].Size = 10 * (row + 1);
    ASSERT_TRUE(WriteProgramSettings(s));
    // Each script kills the program instead of closing it: only the automatic
    // save can have written what the file holds.
    struct Step {
        std::vector<int> commands;
        std::vector<int> sizes;
    } const steps[] = {
        {{IDM_DECO_COPY + 0, IDM_DECO_PASTE + 3}, {10, 20, 30, 10, 50}},
        {{IDM_DECO_MOVE_UP + 2}, {10, 30, 20, 10, 50}},
        {{IDM_DECO_MOVE_DOWN + 3}, {10, 30, 20, 50, 10}},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.commands.back());
        std::wstring script = L"start\n";
        for (int command : step.commands)
            script += L"click " + std::to_wstring(command) + L"\n";
        script += L"kill\n";
        CDriveResult r = RunDriveScript(script);
        EXPECT_EQ(0u, r.exitCode) << r.output;
        EXPECT_EQ(step.sizes, SavedSizes());
    }
}
