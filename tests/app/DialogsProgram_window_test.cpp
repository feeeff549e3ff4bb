// The paint and font list dialogs in the program, driven through its
// windows: what they change reaches the settings file at once, Cancel puts
// the paint back exactly, and a negative sample size does no harm.
#include "app/FontChoices.h"
#include "app/FontCollection.h"
#include "app/FontListDlg.h"
#include "decoration/NamedEffects.h"
#include "foundation/NamedValues.h"
#include "outline/FontNames.h"
#include "platform/Gdi.h"
#include "resources/font_list.h"
#include "resources/main_window.h"
#include "resources/paint_dialog.h"
#include "tests/app/ProgramDriver.h"
#include "tests/imaging/ImageFileSupport.h"
#include <boost/make_shared.hpp>
#include <gtest/gtest.h>

namespace {

// A first-start setting whose first row is painted with a gradation.
CSetting GradationSetting()
{
    CSetting s = FirstStartSetting();
    s.UseBorderings[0] = 1;
    s.Borderings[0].Paint.Type = PaintType::LINEAR;
    return s;
}

// The driver fails at this line and ends the program, which then cannot
// save at its end: the file shows only what was saved while it ran.
const wchar_t kEndWithoutQuitting[] = L"expect 99999 x\n";

} // namespace

TEST(DialogsProgram, PaintDialogChangesLiveCancelRestoresOkKeeps)
{
    ResetProgramState();
    ASSERT_TRUE(WriteProgramSettings(GradationSetting()));
    CSetting before;
    ASSERT_TRUE(ReadProgramSettings(before));
    const std::wstring stop = Id(IDC_STOP_POS + 2);

    // While the dialog is open, a stop's new place is in the file already.
    CDriveResult r = RunDriveScript(L"start\nclick " + Id(IDC_DECO_PAINT) + L"\nwait 色の設定\ntext " + stop +
                                    L" 0.3\nexpect " + Id(IDC_STOP_SLIDER + 2) + L" \n" + kEndWithoutQuitting);
    EXPECT_NE(std::string::npos, r.output.find("line 6")) << r.output;
    CSetting saved;
    ASSERT_TRUE(ReadProgramSettings(saved));
    EXPECT_DOUBLE_EQ(0.3, saved.Borderings[0].Paint.LinearGradation.Stops[2].Pos);

    // Cancel puts the paint back exactly.
    ASSERT_TRUE(WriteProgramSettings(before));
    r = RunDriveScript(L"start\nclick " + Id(IDC_DECO_PAINT) + L"\nwait 色の設定\nshot " +
                       ScriptPath(TestOutputPath(L"program-paint-dialog.png")) + L"\ntext " + stop + L" 0.3\nclick " +
                       Id(IDCANCEL) + L"\nmain\nclose\nexit 2\n");
    EXPECT_EQ(0u, r.exitCode) << r.output;
    ASSERT_TRUE(ReadProgramSettings(saved));
    EXPECT_TRUE(before.Borderings[0].Paint == saved.Borderings[0].Paint);

    // OK keeps it, as the box shows it (the box is not left), and the window goes on with the new paint.
    r = RunDriveScript(L"start\nclick " + Id(IDC_DECO_PAINT) + L"\nwait 色の設定\ntext " + stop + L" 0.999\nclick " +
                       Id(IDOK) + L"\nmain\nshot " + ScriptPath(TestOutputPath(L"program-after-paint.png")) +
                       L"\nclose\nexit 2\n");
    EXPECT_EQ(0u, r.exitCode) << r.output;
    ASSERT_TRUE(ReadProgramSettings(saved));
    EXPECT_EQ(0.99, saved.Borderings[0].Paint.LinearGradation.Stops[2].Pos);
    EXPECT_EQ(PaintType::LINEAR, saved.Borderings[0].Paint.Type);
}

TEST(DialogsProgram, PageKeysTurnThePaintDialogRoundAndTheFocusFollows)
{
    ResetProgramState();
    ASSERT_TRUE(WriteProgramSettings(FirstStartSetting()));
    // Pages: one colour, gradation, texture. Each turn is checked on the
    // tab shown; at the end the typed angle shows the focus came along.
    const struct {
        const wchar_t* key;
        int page;
    } turns[] = {{L"ctrl+tab", 1},      {L"ctrl+pagedown", 2}, {L"ctrl+tab", 0},
                 {L"ctrl+shift+tab", 2}, {L"ctrl+pageup", 1},   {L"ctrl+pageup", 0},
                 {L"ctrl+pageup", 2},    {L"ctrl+pagedown", 0}, {L"ctrl+pagedown", 1}};
    std::wstring script = L"start\nclick " + Id(IDC_FONT_PAINT) + L"\nwait 色の設定\npage 0\n";
    for (const auto& t : turns)
        script += L"key " + std::wstring(t.key) + L"\npage " + std::to_wstring(t.page) + L"\n";
    // The wheel over the box's text steps through its list: 90, 85.
    const std::wstring angle = Id(IDC_GRAD_ANGLE);
    script += L"key 9\nexpect " + angle + L" 9\npick " + angle + L" 90\nwheel " + angle + L" 1\nexpect " + angle +
              L" 85\nclick " + Id(IDOK) + L"\nmain\nclose\nexit 2\n";
    CDriveResult r = RunDriveScript(script);
    EXPECT_EQ(0u, r.exitCode) << r.output;
    CSetting saved;
    ASSERT_TRUE(ReadProgramSettings(saved));
    EXPECT_EQ(PaintType::LINEAR, saved.PaintSetting.Type);
    EXPECT_EQ(85u, saved.PaintSetting.LinearGradation.Angle);
}

TEST(DialogsProgram, PaintDialogNumberBoxesStepFromTheValueShown)
{
    // Each kind of box: an angle (0 to 180, then -5 to -175), a stop's place (0.09
    // at first) and a scale (real numbers), an offset ("between" lies past its end).
    // The texture's file box is closed every way over the files of its folder, and the
    // fit's dropped list keeps the entry the keys chose when a click elsewhere closes it.
    ResetProgramState();
    const std::wstring folder = FreshOutputFolder(L"closed-file-list");
    for (const wchar_t* name : {L"\\a.png", L"\\b.png", L"\\c.png"})
        ASSERT_TRUE(WriteFileBytes(folder + name, imagefile::MakePng(1, 1, 2, 8, "\x20\xA0\x60")));
    CSetting s = FirstStartSetting(), saved;
    s.PaintSetting.Type = PaintType::LINEAR;
    s.PaintSetting.Texture.Type = ImageFitType::CUSTOM_RATE;
    s.PaintSetting.Texture.Path = folder + L"\\a.png";
    ASSERT_TRUE(WriteProgramSettings(s));
    const CNumberSteps boxes[] = {
        {IDC_GRAD_ANGLE, 1, -1, L"130", L"-175", L"-175", L"7", L"10", L"5", L"0", L"25", L"7"},
        {IDC_STOP_POS + 1, -1, -1, L"0.1", L"1", L"1", L"0.33", L"0.35", L"0.3", L"0.25", L"0.1", L"1"},
        {IDC_TEXTURE_RATE_X, 1, -1, L"75.0", L"400", L"400", L"120", L"150.0", L"100.0", L"75.0", L"33.3", L"5"},
        {IDC_TEXTURE_OFFSET_X, -1, 1, L"1", L"-8", L"-8", L"20", L"20", L"8", L"7", L"-5", L"2"},
    };
    const CNamedInts& units = GetNamedTextUnits();
    std::wstring script = L"start\nclick " + Id(IDC_FONT_PAINT) + L"\nwait 色の設定\npage 1\n" +
                          DroppedListKeepsScript(IDC_UNIT, L"end", IDC_GRAD_ANGLE, units.back()->name);
    for (const CNumberSteps& b : boxes)
        script += (b.id == IDC_TEXTURE_RATE_X ? L"tab 2\n" : L"") + NumberStepsScript(b);
    const std::wstring file = ScriptPath(folder) + L"\\\\";
    script += ComboClosesScript({IDC_TEXTURE_FILE, IDC_TEXTURE_BROWSE, L"Settings/PaintSetting/Texture/Path",
                                 (file + L"a.png").c_str(), (file + L"b.png").c_str(), L"blue",
                                 (file + L"blue").c_str(), (file + L"22blue11").c_str(), L"c.png", L"x",
                                 (file + L"blue").c_str()});
    const CNamedInts& fits = GetImageFitTypeNames();
    script += DroppedListKeepsScript(IDC_TEXTURE_FIT, L"up", IDC_TEXTURE_OFFSET_X, fits[fits.size() - 2]->name);
    // Typed names are files of the program's current folder: the list stays that folder's.
    std::wstring here;
    ASSERT_TRUE(GetCurrentFolder(here) && SetCurrentDirectoryW(folder.c_str()));
    CDriveResult r = RunDriveScript(script + L"click " + Id(IDOK) + L"\nmain\nclose\nexit 2\n");
    SetCurrentDirectoryW(here.c_str());
    EXPECT_EQ(0u, r.exitCode) << r.output;
    ASSERT_TRUE(ReadProgramSettings(saved));
    EXPECT_EQ(7u, saved.PaintSetting.LinearGradation.Angle);
    EXPECT_EQ(static_cast<UINT>(units.back()->value), saved.PaintSetting.LinearGradation.Unit);
    EXPECT_DOUBLE_EQ(1, saved.PaintSetting.LinearGradation.Stops[1].Pos);
    EXPECT_DOUBLE_EQ(0.05, saved.PaintSetting.Texture.RateX);
    EXPECT_EQ(2, saved.PaintSetting.Texture.OffsetX);
    EXPECT_EQ(folder + L"\\x", saved.PaintSetting.Texture.Path);
    EXPECT_EQ(static_cast<UINT>(fits[fits.size() - 2]->value), saved.PaintSetting.Texture.Type);
}

// The font list chooses a face and keeps its settings; its size box steps from the size shown (12.5 lies between
// 12 and 13), and its list dropped and closed by Esc leaves the size typed. A sample from a text with U+FFFE and U+000B (a word
// processor's line break) is kept without them, and a relative texture path typed at length stops where, joined
// to the current folder, it reaches the bound: the next start asks nothing.
TEST(DialogsProgram, FontListChoosesAFaceAndKeepsItsSettings)
{
    ResetProgramState();
    CSetting s = GradationSetting();
    s.FontSetting.FontFace = L"NoSuchFace";  // nothing matches: the first entry is chosen
    ASSERT_TRUE(WriteProgramSettings(s));
    CFontListDlgSetting listed;
    listed.CharSet = SHIFTJIS_CHARSET;
    listed.Type = FontType3::VECTOR;
    CFontCollection fonts;
    {
        CScreenDC dc;
        fonts.Enumerate(dc, SHIFTJIS_CHARSET, listed.GetEnumFlags());
    }
    ASSERT_FALSE(fonts.Fonts.empty());

    const std::wstring size = Id(IDC_FONT_LIST_SIZE), typed(limits::kMaxTextLength, L'a');
    const std::wstring openList = L"click " + Id(IDM_SELECT_FONT) + L"\nwait フォント一覧\n";
    CDriveResult r = RunDriveScript(L"start\ntext " + Id(IDC_TEXT) + L" abc\xFFFE" L"def\x000B" L"ghi\n" + openList +
                                    L"shot " + ScriptPath(TestOutputPath(L"program-font-list.png")) + L"\ntext " +
                                    size + L" -300\nexpect " + size + L" -300\nwheel " + size + L" -1\nexpect " +
                                    size + L" 7\ntext " + size + L" 30\nwheel " + size +
                                    L" -1\nexpect " + size + L" 31\ntext " + size + L" 60\nfocus " + size +
                                    L"\nkey up\nexpect " + size + L" 48\ntext " + size + L" 12.5\nwheel " + size +
                                    L" 1\nexpect " + size + L" 12\ntext " + size + L" 3\nkey f4\nexpect " + size +
                                    L" 3\nkey esc\nexpect " + size + L" 3\ntext " + size + L" 60\nkey f4\nkey up\nkey enter" +
                                    L"\nexpect " + size + L" 48\nclick " + Id(IDOK) + L"\nmain\nclick " +
                                    Id(IDC_DECO_PAINT) + L"\nwait 色の設定\ntab 2\ntext " + Id(IDC_TEXTURE_FILE) +
                                    L" " + typed + L"\nclick 1\nmain\nclose\nexit 2\n");
    EXPECT_EQ(0u, r.exitCode) << r.output;
    CSetting saved;
    ASSERT_TRUE(ReadProgramSettings(saved));
    EXPECT_EQ(GetFaceName(*fonts.Fonts[0]), saved.FontSetting.FontFace);
    EXPECT_EQ(48, saved.FontListDlg.Size);
    EXPECT_EQ(FontType3::VECTOR, saved.FontListDlg.Type);
    ASSERT_FALSE(saved.FontListDlg.SampleTexts.Items.empty());
    EXPECT_EQ(limits::kMaxTextLength, saved.Borderings[0].Paint.Texture.Path.size());
    // The used texts step from the one shown, the list closed or dropped, and the list is closed every
    // way; the drop-down lists keep the keys' entry through a click elsewhere; Enter in the dropped list
    // chooses, and Esc then ends the dialog with that text and those filters kept.
    CFontChoices choices;
    choices.EnumerateCharSets();
    const CNamedInts &weights = GetFontWeightFilterNames(), &italics = GetFontItalicFilterNames();
    const std::wstring lists =
        DroppedListKeepsScript(IDC_FONT_LIST_CHARSET, L"home", IDC_FONT_LIST_SIZE, choices.GetCharSets()[0].Name) +
        DroppedListKeepsScript(IDC_FONT_LIST_WEIGHT, L"end", IDC_FONT_LIST_SIZE, weights.back()->name) +
        DroppedListKeepsScript(IDC_FONT_LIST_ITALIC, L"end", IDC_FONT_LIST_SIZE, italics.back()->name);
    for (const wchar_t* text : {L"two", L"three"})
        saved.FontListDlg.SampleTexts.Items.push_back(boost::make_shared<std::wstring>(text));
    saved.FontListDlg.SampleText = L"two";
    ASSERT_TRUE(WriteProgramSettings(saved));
    r = RunDriveScript(L"start\nmain\n" + openList +
                       ComboClosesScript({IDC_FONT_LIST_SAMPLE, IDC_FONT_LIST_SIZE, nullptr, L"two", L"three", L"abc",
                                          nullptr, nullptr, L"two", L"q"}) +
                       lists + L"focus " + Id(IDC_FONT_LIST_SAMPLE) +
                       L"\nkey f4\nkey up\nkey enter\nkey esc\nmain\nclose\nexit 2\n");
    EXPECT_EQ(0u, r.exitCode) << r.output;
    ASSERT_TRUE(ReadProgramSettings(saved));
    EXPECT_EQ(L"three", saved.FontListDlg.SampleText);
    EXPECT_EQ(std::vector<int>({static_cast<int>(choices.GetCharSets()[0].CharSet), weights.back()->value,
                                italics.back()->value}),
              std::vector<int>({saved.FontListDlg.CharSet, saved.FontListDlg.Weight, saved.FontListDlg.Italic}));
}

// Every kind of box, typed into and left with Tab, shows what it stored: a
// quality and numbers within their bounds, a text that is no colour as black,
// a colour's own hex text, a size the font list refused as the size kept, a
// texture file typed relative to the current folder as its full path.
TEST(DialogsProgram, EveryBoxLeftShowsWhatItStored)
{
    ResetProgramState();
    const std::wstring folder = FreshOutputFolder(L"left-texture"), tile = ScriptPath(folder + L"\\tile.png");
    CSetting s = GradationSetting(), saved;
    s.SaveFormat.Type = OutputType::JPEG;
    s.Borderings[0].Paint.Texture.Type = ImageFitType::CUSTOM_RATE;
    s.FontListDlg.Size = 20;
    s.Borderings[0].Paint.LinearGradation.Stops[3].Pos = 0.125;  // from a file: left, it is what the box shows
    s.Borderings[0].Paint.Texture.SameRate = false;
    s.Borderings[0].Paint.Texture.RateY = 0.12345;  // the same: 12.3
    ASSERT_TRUE(WriteProgramSettings(s));
    const struct {
        std::wstring open;  // the dialog or page the box is on
        int id;
        const wchar_t *typed, *shown;
    } boxes[] = {
        {L"", IDC_JPEG_QUALITY, L"250", L"100"},
        {L"", IDC_FONT_COLOR, L"GGG", L"000000"},
        {L"", IDC_DECO_COLOR + 1, L"#FF0000", L"000000"},
        {L"", IDC_BK_COLOR, L"a0", L"A0A0A0"},
        {L"click " + Id(IDC_DECO_PAINT) + L"\nwait 色の設定\ntab 0\n", IDC_MONO_COLOR, L"12345", L"000000"},
        {L"", IDC_RED_EDIT, L"007", L"7"},
        {L"tab 1\n", IDC_GRAD_ANGLE, L"1500000000", L"1000000000"},
        {L"", IDC_STOP_POS + 1, L"5", L"1.00"},
        {L"", IDC_STOP_POS + 2, L"0.999", L"0.99"},
        {L"focus " + Id(IDC_STOP_POS + 3) + L"\n", IDC_STOP_COLOR + 1, L"ff8", L"000000"},
        {L"tab 2\n", IDC_TEXTURE_RATE_X, L"0", L"0.1"},
        {L"", IDC_TEXTURE_RATE_X, L"33.33", L"33.3"},
        {L"focus " + Id(IDC_TEXTURE_RATE_Y) + L"\n", IDC_TEXTURE_OFFSET_X, L"-200000", L"-100000"},
        {L"", IDC_TEXTURE_FILE, L"tile.png", tile.c_str()},
        {L"click 1\nmain\nclick " + Id(IDM_SELECT_FONT) + L"\nwait フォント一覧\n", IDC_FONT_LIST_SIZE, L"300", L"20"},
    };
    std::wstring script = L"start\n";
    for (const auto& b : boxes)
        script += b.open + (L"focus " + Id(b.id) + L"\ntext " + Id(b.id) + L" " + b.typed + L"\nkey tab\nexpect " +
                            Id(b.id) + L" " + b.shown + L"\n");
    std::wstring here;
    ASSERT_TRUE(GetCurrentFolder(here) && SetCurrentDirectoryW(folder.c_str()));
    CDriveResult r = RunDriveScript(script + L"click 2\nmain\nclose\nexit 2\n");
    SetCurrentDirectoryW(here.c_str());
    EXPECT_EQ(0u, r.exitCode) << r.output;
    ASSERT_TRUE(ReadProgramSettings(saved));
    const CPaintSetting& paint = saved.Borderings[0].Paint;
    EXPECT_EQ(100, saved.SaveFormat.JpegQuality);
    EXPECT_EQ(std::vector<COLORREF>({0, 0, RGB(0xA0, 0xA0, 0xA0), RGB(7, 0, 0), 0}),
              std::vector<COLORREF>({saved.PaintSetting.Color, saved.Borderings[1].Paint.Color, saved.BkColor,
                                     paint.Color, paint.LinearGradation.Stops[1].Color}));
    EXPECT_EQ(1000000000u, paint.LinearGradation.Angle);
    EXPECT_EQ(std::vector<double>({1.0, 0.99, 0.12}),
              std::vector<double>({paint.LinearGradation.Stops[1].Pos, paint.LinearGradation.Stops[2].Pos,
                                   paint.LinearGradation.Stops[3].Pos}));
    EXPECT_EQ(std::vector<double>({0.333, 0.123}), std::vector<double>({paint.Texture.RateX, paint.Texture.RateY}));
    EXPECT_EQ(-100000, paint.Texture.OffsetX);
    EXPECT_EQ(20, saved.FontListDlg.Size);
}

// A folder of 10,000 images, as a user's pictures: each key typed into the texture box is answered at once
// (nothing is listed until the list drops), and the dropped list holds every image, the one clicked put into the box
// by its full path.
TEST(DialogsProgram, TheTextureBoxKeepsUpOverAFolderOfThousandsOfImages)
{
    ResetProgramState();
    const std::wstring folder = L"C:\\kantelo-many-images", box = Id(IDC_TEXTURE_FILE);
    SHCreateDirectoryExW(nullptr, folder.c_str(), nullptr);
    // Made by the host's shell: Wine reads the whole folder for each new name, half a minute for 10,000.
    std::string png;
    for (unsigned char c : imagefile::MakePng(1, 1, 2, 8, "\x20\xA0\x60"))
        png += "\\" + std::to_string(c >> 6) + std::to_string((c >> 3) & 7) + std::to_string(c & 7);
    const CHostCommandResult made = RunHostCommand("cd " + HostPathArg(folder) + " && for i in $(seq 10000 19999); do " +
                                                   "[ -e img$i.png ] || printf '" + png + "' > img$i.png; done");
    ASSERT_TRUE(made.finished && made.exitCode == 0) << made.output;
    CSetting s = FirstStartSetting(), saved;
    s.PaintSetting.Type = PaintType::TEXTURE;
    s.PaintSetting.Texture.Path = folder + L"\\img10000.png";
    ASSERT_TRUE(WriteProgramSettings(s));
    const std::wstring path = ScriptPath(folder) + L"\\\\img1";
    CDriveResult r = RunDriveScript(L"start\nclick " + Id(IDC_FONT_PAINT) + L"\nwait 色の設定\npage 2\ntext " + box + L" " +
                                    path + L"2345.png\nfocus " + box + L"\nkey end\ntype xy\nexpect " + box + L" " + path +
                                    L"2345.pngxy\nkey backspace\nkey backspace\nexpect " + box + L" " + path +
                                    L"2345.png\nkey f4\npickdropped " + box + L" img19999.png\nexpect " + box + L" " + path +
                                    L"9999.png\nclick " + Id(IDOK) + L"\nmain\nclose\nexit 2\n");
    EXPECT_EQ(0u, r.exitCode) << r.output;
    ASSERT_TRUE(ReadProgramSettings(saved));
    EXPECT_EQ(folder + L"\\img19999.png", saved.PaintSetting.Texture.Path);
}

// A texture path typed relative to the program's current folder, or with a doubled separator inside the
// settings folder, is stored as the file the row draws, and a start from another folder draws it (the row's
// button shows the tile's colour).
TEST(DialogsProgram, ATypedTexturePathNamesTheSameFileAfterARestart)
{
    const std::wstring folder = FreshOutputFolder(L"typed-texture"), settings = ParentPath(ProgramSettingsPath());
    const std::wstring cases[][2] = {{L"tile.png", folder + L"\\tile.png"},
                                     {settings + L"\\\\tile2.png", settings + L"\\tile2.png"}};
    std::wstring here, shot = TestOutputPath(L"program-typed-texture.png");
    ASSERT_TRUE(GetCurrentFolder(here));
    for (const auto& c : cases) {
        ResetProgramState();
        ASSERT_TRUE(WriteProgramSettings(GradationSetting()) &&
                    WriteFileBytes(c[1], imagefile::MakePng(1, 1, 2, 8, "\x20\xA0\x60")));
        SetCurrentDirectoryW(folder.c_str());
        CDriveResult r = RunDriveScript(L"start\nclick " + Id(IDC_DECO_PAINT) + L"\nwait 色の設定\ntab 2\ntext " +
                                        Id(IDC_TEXTURE_FILE) + L" " + ScriptPath(c[0]) +
                                        L"\nclick 1\nmain\nclose\nexit 2\n");
        SetCurrentDirectoryW(here.c_str());
        EXPECT_EQ(0u, r.exitCode) << r.output;
        CSetting saved;
        ASSERT_TRUE(ReadProgramSettings(saved));
        EXPECT_EQ(c[1], saved.Borderings[0].Paint.Texture.Path);
        r = RunDriveScript(L"start\ncontains 300 x\nshot " + ScriptPath(shot) + L"\nclose\nexit 2\n");
        DeleteFileW(c[1].c_str());
        ASSERT_EQ(0u, r.exitCode) << Narrow(c[0]) << ": " << r.output;
        const boost::shared_ptr<CImg> image = LoadShot(shot);
        EXPECT_GT(CountPixels(*image, 0, 0, image->m_w, image->m_h,
                              [](int red, int green, int blue) { return red == 0x20 && green == 0xA0 && blue == 0x60; }),
                  100);
    }
}

TEST(DialogsProgram, BackgroundColourFollowsTheSheetAndCancelPutsItBack)
{
    ResetProgramState();
    CSetting s = GradationSetting();
    s.BkColor = RGB(0x11, 0x22, 0x33);
    ASSERT_TRUE(WriteProgramSettings(s));
    const std::wstring open = L"start\nclick " + Id(IDC_BK_PAINT) + L"\nwait 色の設定\n";
    // Live: each colour tried is in the settings at once.
    CDriveResult r = RunDriveScript(open + L"text " + Id(IDC_MONO_COLOR) + L" FF0000\ntext " + Id(IDC_MONO_COLOR) +
                                    L" 00FF00\nexpect " + Id(IDC_MONO_COLOR) + L" 00FF00\n" + kEndWithoutQuitting);
    EXPECT_NE(std::string::npos, r.output.find("line 7")) << r.output;
    CSetting saved;
    ASSERT_TRUE(ReadProgramSettings(saved));
    EXPECT_EQ(RGB(0, 0xFF, 0), saved.BkColor);
    // Cancel after trying colours: the colour as it was.
    ASSERT_TRUE(WriteProgramSettings(s));
    r = RunDriveScript(open + L"text " + Id(IDC_MONO_COLOR) + L" FF0000\ntext " + Id(IDC_MONO_COLOR) +
                       L" 00FF00\nclick " + Id(IDCANCEL) + L"\nmain\nexpect " + Id(IDC_BK_COLOR) +
                       L" 112233\nclose\nexit 2\n");
    EXPECT_EQ(0u, r.exitCode) << r.output;
    ASSERT_TRUE(ReadProgramSettings(saved));
    EXPECT_EQ(RGB(0x11, 0x22, 0x33), saved.BkColor);
}

TEST(DialogsProgram, AStopsColourIsChosenInASheetOfItsOwn)
{
    // A click on a stop's colour button (by its place, as the mouse clicks)
    // opens the stop's colour sheet over the paint dialog; its OK gives the
    // stop the colour.
    ResetProgramState();
    ASSERT_TRUE(WriteProgramSettings(GradationSetting()));
    CDriveResult r = RunDriveScript(L"start\nclick " + Id(IDC_DECO_PAINT) + L"\nwait 色の設定\ntab 1\nclickat " +
                                    Id(IDC_STOP_BUTTON) + L"\nwait 色の設定\ntext " + Id(IDC_MONO_COLOR) +
                                    L" 00FF00\nclick " + Id(IDOK) + L"\nwait 色の設定\nexpect " + Id(IDC_STOP_COLOR) +
                                    L" 00FF00\nclick " + Id(IDOK) + L"\nmain\nclose\nexit 2\n");
    EXPECT_EQ(0u, r.exitCode) << r.output;
    CSetting saved;
    ASSERT_TRUE(ReadProgramSettings(saved));
    EXPECT_EQ(RGB(0, 0xFF, 0), saved.Borderings[0].Paint.LinearGradation.Stops[0].Color);
}
