#include "app/PaintPageRules.h"
#include "decoration/SettingLimits.h"
#include "foundation/PathUtil.h"
#include "resources/paint_dialog.h"
#include "tests/common/RecordingMsg.h"
#include "tests/common/TestSupport.h"
#include "resources/strings_foundation.h"
#include <gtest/gtest.h>
#include <algorithm>

TEST(PaintPageRules, RowTableMapsEveryRowControlToItsStop)
{
    for (int first : {IDC_STOP_USE, IDC_STOP_BUTTON, IDC_STOP_COLOR_LABEL, IDC_STOP_COLOR, IDC_STOP_POS,
                      IDC_STOP_SLIDER}) {
        EXPECT_EQ(0, StopIndexOfControl(first));
        EXPECT_EQ(11, StopIndexOfControl(first + 11));
    }
    EXPECT_EQ(-1, StopIndexOfControl(IDC_STOP_USE - 1));  // 280, the preview
    EXPECT_EQ(-1, StopIndexOfControl(IDC_STOP_SLIDER + 12));
}

TEST(PaintPageRules, PositionsAndRatesAsShownUnclamped)
{
    struct PosCase { double pos; const wchar_t* text; int track; } positions[] = {
        {0.5, L"0.50", 50}, {0.0, L"0.00", 0}, {1.0, L"1.00", 100}, {0.999, L"0.99", 99},
        {1.5, L"1.50", 150},  // not clamped: the trackbar clamps itself
        {-0.25, L"-0.25", -25}, {1e300, L"21474836.47", 2147483647},
        {0.29, L"0.29", 29},  // 28.999999999999996 hundredths: the trackbar's 29 / 100 shows as itself
    };
    for (const PosCase& c : positions) {
        EXPECT_EQ(c.text, FormatStopPos(c.pos)) << c.pos;
        EXPECT_EQ(c.track, StopPosToTrackbar(c.pos, 100)) << c.pos;
        EXPECT_EQ(c.text, FormatStopPos(ShownStopPos(c.pos))) << c.pos;  // what a box left stores
    }
    struct RateCase { double rate; const wchar_t* text; } rates[] = {
        {1.0, L"100.0"}, {1.0 / 3, L"33.3"}, {1.25, L"125.0"}, {0.0, L"0.0"}, {0.00049, L"0.0"},
        {0.0005, L"0.1"}, {-0.5, L"-49.9"}, {1e12, L"214748364.7"},
    };
    for (const RateCase& c : rates)
        EXPECT_EQ(c.text, FormatTextureRate(c.rate)) << c.rate;
}

TEST(PaintPageRules, ScaleControlsEnabledOnlyForACustomRate)
{
    struct Case { UINT type; bool same; CTextureRateEnables e; } cases[] = {
        {ImageFitType::FIT_WIDTH, true, {false, false, false}},
        {ImageFitType::FIT_BOTH, false, {false, false, false}},
        {ImageFitType::CUSTOM_RATE, true, {true, true, false}},
        {ImageFitType::CUSTOM_RATE, false, {true, true, true}},
    };
    for (const Case& c : cases) {
        CTextureSetting t;
        t.Type = c.type;
        t.SameRate = c.same;
        CTextureRateEnables e = GetTextureRateEnables(t);
        EXPECT_EQ(c.e.rateX, e.rateX);
        EXPECT_EQ(c.e.sameRate, e.sameRate);
        EXPECT_EQ(c.e.rateY, e.rateY);
    }
}

TEST(PaintPageRules, FileListComesFromThePathsFolder)
{
    CTempFolder folder;
    for (const wchar_t* name : {L"a.png", L"b.JPEG", L"c.txt", L"d.tiff", L"e.jpe", L"f.gif.bak"})
        WriteFileBytes(folder.Path() + L"\\" + name, "x");
    CFolderFileList list;
    EXPECT_FALSE(RefreshTextureFileList(list, L""));
    EXPECT_TRUE(RefreshTextureFileList(list, folder.Path() + L"\\typed-so-far"));
    std::vector<std::wstring> names;
    for (const CFolderFilePtr& f : list)
        names.push_back(f->name);
    std::sort(names.begin(), names.end());
    EXPECT_EQ((std::vector<std::wstring>{L"a.png", L"b.JPEG", L"d.tiff", L"e.jpe"}), names);
    EXPECT_EQ(folder.Path() + L"\\a.png", std::find_if(list.begin(), list.end(), [](const CFolderFilePtr& f) {
                                              return f->name == L"a.png";
                                          })->get()->path);
    // An empty path keeps the list; a folder without images empties it.
    EXPECT_FALSE(RefreshTextureFileList(list, L""));
    EXPECT_EQ(4u, list.size());
    EXPECT_TRUE(RefreshTextureFileList(list, folder.Path() + L"\\none\\x.png"));
    EXPECT_TRUE(list.empty());

    EXPECT_EQ(L"C:\\pics\\image.jpg", TextureBrowseInitialName(L"C:\\pics\\"));
    EXPECT_EQ(L"C:/pics/image.jpg", TextureBrowseInitialName(L"C:/pics/"));
    EXPECT_EQ(L"C:\\pics\\a.png", TextureBrowseInitialName(L"C:\\pics\\a.png"));
    EXPECT_EQ(L"", TextureBrowseInitialName(L""));
}

TEST(PaintPageRules, ATypedTexturePathIsStoredAsTheFileThePainterOpens)
{
    std::wstring here;
    ASSERT_TRUE(GetCurrentFolder(here));
    const std::wstring tooLong(RoomForTypedTexturePath() + 1, L'a');  // its full path is past the bound
    const std::wstring cases[][2] = {
        {L"", L""}, {L"a\\..\\tex.png", PathJoined(here, L"tex.png")}, {L"C:/a//b\\\\c.png", L"C:\\a\\b\\c.png"},
        {L"\\\\server\\share\\\\a.png", L"\\\\server\\share\\a.png"}, {tooLong, tooLong},
        {L"\\\\?\\C:\\a\\\\b.png", L"\\\\?\\C:\\a\\\\b.png"},  // taken by the system as it is
    };
    for (const auto& c : cases)
        EXPECT_EQ(c[1], TexturePathOfTypedText(c[0])) << Narrow(c[0].substr(0, 40));
    // At the room, past MAX_PATH, the full path reaches the bound.
    EXPECT_EQ(limits::kMaxTextLength, TexturePathOfTypedText(tooLong.substr(1)).size());
}

TEST(PaintPageRules, CommonDialogFailureShowsItsCodeInDecimal)
{
    CRecordingMsg sink;
    ShowCommonDialogFailure(sink, 0);  // a plain cancel
    EXPECT_TRUE(sink.boxes.empty());
    ShowCommonDialogFailure(sink, 0x3002);
    ASSERT_EQ(1u, sink.boxes.size());
    std::wstring expected;
    FormatResource(expected, IDS_COMMON_DIALOG_FAILED, L"12290");
    EXPECT_EQ(expected, sink.boxes[0].text);
    EXPECT_EQ(UINT(MB_ICONERROR), sink.boxes[0].flags & MB_ICONMASK);
}
