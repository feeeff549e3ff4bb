#include "app/FontListDlg.h"
#include "decoration/SettingXml.h"
#include "outline/FontNames.h"
#include "tests/app/CommandTestSupport.h"
#include <functional>
#include <cwchar>

namespace {

// The command with the dialog's run answered by the test.
class CAnsweredSelectFont : public knt::CCommandSelectFont {
public:
    using CCommandSelectFont::CCommandSelectFont;
    std::function<INT_PTR(CFontListDlg&)> answer;
    CFontListDlgSetting seen;
    LOGFONTW seenFont = {};
protected:
    INT_PTR RunDialog(CFontListDlg& dlg) override
    {
        seen = dlg.Setting;
        seenFont = dlg.SelectedFont;
        return answer(dlg);
    }
};

class CCharSetView : public CFakeCommandView {
public:
    bool GetSelectedCharSet(int& charSet, bool& vertical) override
    {
        charSet = 128;
        vertical = true;
        return true;
    }
};

void Choose(CFontListDlg& dlg, const wchar_t* face, LONG weight, BYTE italic)
{
    dlg.SelectedFont = LOGFONTW();
    wcsncpy(dlg.SelectedFont.lfFaceName, face, LF_FACESIZE - 1);
    dlg.SelectedFont.lfCharSet = 128;
    dlg.SelectedFont.lfWeight = weight;
    dlg.SelectedFont.lfItalic = italic;
}

} // namespace

using FontListCommand = CommandTest;

TEST_F(FontListCommand, OkTakesTheFaceAndBothEndsStoreTheDialogsRecord)
{
    setting.Text = L"\r\n  first line  \r\nsecond";
    setting.FontSetting.FontFace = L"Before";
    setting.FontListDlg.Type = FontType3::RASTER;
    CAnsweredSelectFont command(knt::GetMsg());
    command.answer = [](CFontListDlg& dlg) {
        Choose(dlg, L"After", 700, 255);
        dlg.Setting.Size = 40;
        return static_cast<INT_PTR>(IDOK);
    };
    command.Run(true, false);
    // What the dialog was given: vector fonts, the samples, the current font.
    EXPECT_EQ(FontType3::VECTOR, command.seen.Type);
    ASSERT_EQ(5u, command.seen.SampleTexts.Items.size());
    EXPECT_EQ(L"first line", *command.seen.SampleTexts.Items.front());
    EXPECT_EQ(L"Before", GetFaceName(command.seenFont));
    // What came back.
    EXPECT_EQ(L"After", setting.FontSetting.FontFace);
    EXPECT_EQ(700, setting.FontSetting.Weight);
    EXPECT_TRUE(setting.FontSetting.Italic);
    EXPECT_EQ(40, setting.FontListDlg.Size);
    EXPECT_EQ(1, view.initControls);
    ASSERT_EQ(1u, view.previews.size());
    EXPECT_TRUE(view.previews.back());
    // The settings file holds the dialog's record.
    CSetting read;
    CSettingXmlReader reader;
    ASSERT_TRUE(reader.Read(read, SettingsFile()));
    EXPECT_EQ(40, read.FontListDlg.Size);
    EXPECT_EQ(L"After", read.FontSetting.FontFace);
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(FontListCommand, CancelOrNoFaceLeavesTheFontButKeepsTheRecord)
{
    setting.FontSetting.FontFace = L"Before";
    CAnsweredSelectFont command(knt::GetMsg());
    command.answer = [](CFontListDlg& dlg) {
        Choose(dlg, L"After", 400, 0);
        dlg.Setting.Weight = FontWeight4::BOLDER;
        return static_cast<INT_PTR>(IDCANCEL);
    };
    command.Run(true, false);
    EXPECT_EQ(L"Before", setting.FontSetting.FontFace);
    EXPECT_EQ(FontWeight4::BOLDER, setting.FontListDlg.Weight);
    EXPECT_EQ(0, view.initControls);
    EXPECT_EQ(std::vector<bool>{false}, view.previews);  // saved, no new preview

    // OK on an empty list: no face, the font stays.
    command.answer = [](CFontListDlg& dlg) {
        dlg.SelectedFont = LOGFONTW();
        return static_cast<INT_PTR>(IDOK);
    };
    command.Run(true, false);
    EXPECT_EQ(L"Before", setting.FontSetting.FontFace);
    EXPECT_EQ(1, view.initControls);
}

TEST_F(FontListCommand, TheWindowsCharacterSetChoosesTheList)
{
    CCharSetView charSetView;
    knt::SetCommandView(&charSetView);
    CAnsweredSelectFont command(knt::GetMsg());
    command.answer = [](CFontListDlg&) { return static_cast<INT_PTR>(IDCANCEL); };
    command.Run(true, false);
    EXPECT_EQ(128, command.seen.CharSet);
    EXPECT_EQ(1, command.seen.Tategaki);
    knt::SetCommandView(&view);
}
