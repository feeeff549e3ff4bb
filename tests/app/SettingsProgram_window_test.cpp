// The numbers of the main window as the program stores them: typed values
// reach the settings file within their fields' bounds, an angle keeps its
// sign across a restart without the file being written again, and the JPEG
// quality keeps only the digits typed.
#include "tests/app/ProgramDriver.h"
#include "decoration/SettingLimits.h"
#include "foundation/ResourceString.h"
#include "resources/main_window.h"
#include "resources/strings_decoration.h"
#include <gtest/gtest.h>

TEST(ProgramSettings, ANegativeAngleStaysAcrossARestart)
{
    ResetProgramState();
    ASSERT_TRUE(WriteProgramSettings(FirstStartSetting()));
    const std::wstring angle = Id(IDC_DECO_ANGLE);
    // Only the automatic save may write the file: the kills end the program
    // before its closing save.
    CDriveResult r = RunDriveScript(L"start\ncontains 300 x\ntext " + angle + L" -30\nexpect " + angle + L" -30\nkill\n");
    EXPECT_EQ(0u, r.exitCode) << r.output;
    CSetting saved;
    ASSERT_TRUE(ReadProgramSettings(saved));
    EXPECT_EQ(-30, saved.Borderings[0].Angle);
    const std::string bytes = ReadFileBytes(ProgramSettingsPath());

    r = RunDriveScript(L"start\nexpect " + angle + L" -30\ncontains 300 x\nkill\n");
    EXPECT_EQ(0u, r.exitCode) << r.output;
    EXPECT_TRUE(bytes == ReadFileBytes(ProgramSettingsPath())) << "the start wrote the settings file again";
}

TEST(ProgramSettings, TypedNumbersAreStoredWithinTheirBounds)
{
    ResetProgramState();
    ASSERT_TRUE(WriteProgramSettings(FirstStartSetting()));
    std::wstring script = L"start\ncontains 300 x\n";
    script += L"text " + Id(IDC_DECO_ALPHA) + L" 150\n";
    script += L"text " + Id(IDC_DECO_SIZE + 1) + L" 99999999999\n";
    script += L"text " + Id(IDC_DECO_ANGLE + 2) + L" -99999999999\n";
    script += L"text " + Id(IDC_DECO_BLUR + 3) + L" 2.55\n";
    script += L"text " + Id(IDC_FONT_SIZE) + L" 0\n";
    script += L"text " + Id(IDC_LEADING) + L" 5000\ncontains 300 x\nkill\n";
    CDriveResult r = RunDriveScript(script);
    EXPECT_EQ(0u, r.exitCode) << r.output;
    CSetting saved;
    ASSERT_TRUE(ReadProgramSettings(saved));
    EXPECT_EQ(100, saved.Borderings[0].Alpha);
    EXPECT_EQ(limits::kMaxLength, saved.Borderings[1].Size);
    EXPECT_EQ(-limits::kMaxAngle, saved.Borderings[2].Angle);
    EXPECT_EQ(25, saved.Borderings[3].Blur);
    EXPECT_EQ(1, saved.FontSetting.Size);
    EXPECT_EQ(limits::kMaxSpacing, saved.FontSetting.LeadingWidth);
}

TEST(ProgramSettings, TypedJpegQualityKeepsItsDigits)
{
    ResetProgramState();
    ASSERT_TRUE(WriteProgramSettings(FirstStartSetting()));
    const std::wstring quality = Id(IDC_JPEG_QUALITY);
    CDriveResult r = RunDriveScript(L"start\ncontains 300 x\npick " + Id(IDC_SAVE_FORMAT) + L" " +
                                    LoadResourceString(IDS_SAVE_FORMAT_JPEG) + L"\ntext " + quality + L" 9x5\nexpect " +
                                    quality + L" 95\ncontains 300 x\nkill\n");
    EXPECT_EQ(0u, r.exitCode) << r.output;
    CSetting saved;
    ASSERT_TRUE(ReadProgramSettings(saved));
    EXPECT_EQ(UINT(OutputType::JPEG), saved.SaveFormat.Type);
    EXPECT_EQ(95, saved.SaveFormat.JpegQuality);
}
