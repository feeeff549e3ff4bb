// The program given what a careless or hostile user gives it: damaged
// textures, textures scaled past what can be made, faces no font has, texts
// longer than an edit keeps, numbers typed by an input method in full-width
// mode. Each case drives the real program through the UI driver and ends it
// itself.
#include "tests/app/ProgramDriver.h"
#include "foundation/ShellOps.h"
#include "imaging/GdiPlusBitmap.h"
#include "platform/RegKey.h"
#include "render/OutputUnits.h"
#include "render/SaveJob.h"
#include "resources/main_window.h"
#include "resources/strings_app.h"
#include "resources/strings_decoration.h"
#include "resources/strings_engine.h"
#include "resources/strings_foundation_io.h"
#include "resources/strings_foundation.h"
#include "resources/strings_imaging.h"
#include "resources/strings_outline.h"
#include "ui/WindowLayoutManager.h"
#include <gtest/gtest.h>

namespace {

// A JPEG that starts well and whose last segment claims 64 KB more than the
// file holds; a megabyte long, so that its memory ends where nothing else is
// mapped. A decoder skipping that segment reads past the end of the data.
std::string JpegReachingPastItsEnd()
{
    std::string file("\xFF\xD8", 2);
    while (file.size() < (1u << 20))
        file += std::string("\xFF\xFE\xFF\xFF", 4) + std::string(65533, 'c');  // comments
    file += std::string("\xFF\xEF\xFF\xFF", 4) + "ab";
    return file;
}

} // namespace

// The texture is read at every preview (and the paint button's picture): a
// damaged one is reported in the pane, and the program goes on. Its path is far
// wider than the pane: the window text holds it whole (the drawing breaks it).
TEST(HostileInputProgramTest, ADamagedTextureIsReportedAndTheProgramGoesOn)
{
    ResetProgramState();
    const std::wstring folder = FreshOutputFolder(L"hostile-texture-" + std::wstring(150, L'W'));
    const std::wstring texture = folder + L"\\damaged.jpg";
    ASSERT_TRUE(WriteFileBytes(texture, JpegReachingPastItsEnd()));
    CSetting s = FirstStartSetting();
    s.PaintSetting.Type = PaintType::TEXTURE;
    s.PaintSetting.Texture.Path = texture;
    ASSERT_TRUE(WriteProgramSettings(s));
    const std::wstring reason = CSimpleErr::Format(IDS_IMAGE_DATA_DAMAGED, L"JPEG");
    std::wstring script = L"start\ncontains 300 " + reason + L"\ncontains 300 " + ScriptPath(texture) + L"\n";
    script += L"text 161 41\ncontains 300 " + reason + L"\nclose\nexit 2\n";
    CDriveResult r = RunDriveScript(script);
    EXPECT_EQ(0u, r.exitCode) << r.output;
}

// A texture at the largest rate, too large to be made: the pane names the
// scale and the texture's file.
TEST(HostileInputProgramTest, ATextureScaledPastWhatCanBeMadeIsReported)
{
    ResetProgramState();
    // A 64 x 64 BMP of 32 bits; at 1000 its tile would be 64000 x 64000.
    std::string bmp("BM", 2);
    auto add32 = [&](uint32_t v) { bmp.append(reinterpret_cast<const char*>(&v), 4); };
    add32(54 + 64 * 64 * 4), add32(0), add32(54), add32(40), add32(64), add32(64);
    add32(1 | (32 << 16)), add32(0), add32(64 * 64 * 4), add32(2835), add32(2835), add32(0), add32(0);
    bmp.append(64 * 64 * 4, '\x80');
    const std::wstring texture = FreshOutputFolder(L"hostile-scale") + L"\\tile.bmp";
    ASSERT_TRUE(WriteFileBytes(texture, bmp));
    CSetting s = FirstStartSetting();
    s.PaintSetting.Type = PaintType::TEXTURE;
    s.PaintSetting.Texture.Path = texture;
    s.PaintSetting.Texture.Type = ImageFitType::CUSTOM_RATE;
    s.PaintSetting.Texture.RateX = 1000;
    ASSERT_TRUE(WriteProgramSettings(s));
    const std::wstring message = CSimpleErr::Format(IDS_TEXTURE_SCALE_TOO_LARGE, L"1000", L"64000", L"64000", texture);
    const std::wstring cause = message.substr(0, message.find(L'\n'));
    CDriveResult r =
        RunDriveScript(L"start\ncontains 300 " + cause + L"\ncontains 300 " + ScriptPath(texture) + L"\nclose\nexit 2\n");
    EXPECT_EQ(0u, r.exitCode) << r.output;
}

// A face no installed font has, from a settings file or from the older
// registry form: the pane names it (a long one by its start), the face combo
// shows no other face as the one in use, and the face is saved as it came
// when another setting changes.
TEST(HostileInputProgramTest, AFaceNoFontHasIsNamedAndKept)
{
    // The longest text the registry gives (a longer one is not taken).
    const std::wstring longFace(limits::kMaxTextLength, L'x');
    const struct Case {
        const char* name;
        std::wstring face;
        bool fromRegistry;
        std::wstring message;
    } cases[] = {
        {"not installed", L"No Such Face 12345", false,
         CSimpleErr::Format(IDS_FONT_FACE_NOT_INSTALLED, L"No Such Face 12345")},
        {"empty", L"", false, CSimpleErr::Format(IDS_FONT_FACE_EMPTY)},
        // A font substitute, which the system's enumeration lists as a face.
        {"substitute", L"MS Shell Dlg 2", false, CSimpleErr::Format(IDS_FONT_FACE_NOT_INSTALLED, L"MS Shell Dlg 2")},
        {"4096 characters from the registry", longFace, true,
         CSimpleErr::Format(IDS_FONT_FACE_TOO_LONG, std::wstring(64, L'x') + L"\x2026", L"4096", L"31")},
    };
    for (const Case& c : cases) {
        ResetProgramState();
        if (c.fromRegistry) {
            CRegKey font;
            ASSERT_EQ(ERROR_SUCCESS, font.Create(HKEY_CURRENT_USER,
                                                 (CSetting::GetProductKeyPath() + L"\\Setting\\Font").c_str()));
            ASSERT_EQ(ERROR_SUCCESS, font.SetStringValue(L"FontFace", c.face.c_str()));
        } else {
            CSetting s = FirstStartSetting();
            s.FontSetting.FontFace = c.face;
            ASSERT_TRUE(WriteProgramSettings(s));
        }
        const std::wstring size = Id(IDC_FONT_SIZE), face = Id(IDC_FONT_FACE);
        CDriveResult r = RunDriveScript(L"start\ncontains 300 " + c.message + L"\nblank " + face + L"\ntext " + size +
                                        L" 41\nexpect " + size + L" 41\ncontains 300 " + c.message + L"\nblank " +
                                        face + L"\nkill\n");
        EXPECT_EQ(0u, r.exitCode) << c.name << ": " << r.output;
        CSetting saved;
        ASSERT_TRUE(ReadProgramSettings(saved)) << c.name;
        EXPECT_EQ(410, saved.FontSetting.Size) << c.name;
        EXPECT_TRUE(c.face == saved.FontSetting.FontFace) << c.name;
    }
}

// A face stored by another of its names (the English one, in any letter
// case), from the settings file or an opened .knt: the combo shows the
// installed face, the preview draws, and the face is saved as it was written.
TEST(HostileInputProgramTest, AFaceByAnotherOfItsNamesShowsAsTheInstalledFace)
{
    const struct Case {
        const wchar_t* face;
        const wchar_t* shown;
        bool knt;
    } cases[] = {{L"ipagothic", L"IPA\u30B4\u30B7\u30C3\u30AF", false}, {L"IPAMincho", L"IPA\u660E\u671D", true}};
    for (const Case& c : cases) {
        ResetProgramState();
        CSetting s = FirstStartSetting();
        ASSERT_TRUE(WriteProgramSettings(s));
        s.FontSetting.FontFace = c.face;
        const std::wstring knt = FreshOutputFolder(L"other-name") + L"\\face.knt";
        CSettingXmlWriter writer;
        ASSERT_TRUE(c.knt ? writer.Write(s, knt) : WriteProgramSettings(s));
        const std::wstring size = Id(IDC_FONT_SIZE), face = Id(IDC_FONT_FACE);
        CDriveResult r = RunDriveScript(L"start" + (c.knt ? L" " + knt : L"") + L"\nexpect " + face + L" " + c.shown +
                                        L"\ntext " + size + L" 41\nexpect " + size + L" 41\ncontains 300 x\nexpect " +
                                        face + L" " + c.shown + L"\nkill\n");
        EXPECT_EQ(0u, r.exitCode) << Narrow(c.face) << ": " << r.output;
        CSetting saved;
        ASSERT_TRUE(ReadProgramSettings(saved));
        EXPECT_EQ(410, saved.FontSetting.Size);
        EXPECT_EQ(std::wstring(c.face), saved.FontSetting.FontFace);
    }
}

// A pasted text longer than the edit's default limit (30000 characters) is
// kept whole: its last line is still there.
TEST(HostileInputProgramTest, ALongPastedTextIsKeptWhole)
{
    ResetProgramState();
    ASSERT_TRUE(WriteProgramSettings(FirstStartSetting()));
    std::wstring text;
    for (int i = 0; i < 400; ++i)
        text += std::wstring(99, static_cast<wchar_t>(L'a' + i % 26)) + L"\\n";
    text += L"END-OF-THE-TEXT";
    CDriveResult r = RunDriveScript(L"start\ntext 153 " + text + L"\ncontains 153 END-OF-THE-TEXT\nclose\nexit 2\n");
    EXPECT_EQ(0u, r.exitCode) << r.output;
}

// An input method in full-width mode types U+FF10-FF19, U+FF0D and U+FF0E:
// each box reads them as the ASCII characters and shows what it read.
TEST(HostileInputProgramTest, FullWidthNumbersAreReadAsTheyLook)
{
    ResetProgramState();
    CSetting s = FirstStartSetting();
    s.SaveFormat.Type = OutputType::JPEG;
    ASSERT_TRUE(WriteProgramSettings(s));
    const std::wstring angle = std::to_wstring(IDC_DECO_ANGLE + 4);
    std::wstring script = L"start\ntext 248 \xFF19\xFF10\nexpect 248 90\n";
    script += L"text 161 \xFF11\xFF12\xFF0E\xFF15\nexpect 161 12.5\n";
    script += L"text " + angle + L" \xFF0D\xFF13\nexpect " + angle + L" -3\nkill\n";
    CDriveResult r = RunDriveScript(script);
    EXPECT_EQ(0u, r.exitCode) << r.output;
    CSetting saved;
    ASSERT_TRUE(ReadProgramSettings(saved));
    EXPECT_EQ(90, saved.SaveFormat.JpegQuality);
    EXPECT_EQ(125, saved.FontSetting.Size);
}

// Another program holds the settings file open without sharing: the start
// says the file is in use, by name, and writes nothing over it or its backup.
TEST(HostileInputProgramTest, ASettingsFileInUseIsNamedAndLeftAlone)
{
    ResetProgramState();
    CSetting s = FirstStartSetting();
    s.Borderings[3].Alpha = 33;
    ASSERT_TRUE(WriteProgramSettings(s));
    s.Borderings[3].Alpha = 44;
    ASSERT_TRUE(WriteProgramSettings(s));  // the first is now the backup
    const std::wstring path = ProgramSettingsPath();
    const std::string file = ReadFileBytes(path), backup = ReadFileBytes(path + L".bak");
    ASSERT_NE(file, backup);
    CHandle held = HoldWithoutSharing(path);
    ASSERT_TRUE(held.IsValid());
    std::wstring name;
    GetLastComponent(path, name);
    const std::wstring inUse = LoadResourceString(IDS_SETTINGS_FILE_IN_USE).substr(0, 12);
    // Retry while it is held asks again; Cancel ends the program.
    CDriveResult r = RunDriveScript(L"start\nwait " + inUse + L"\nwait " + name + L"\nclick 4\nwait " + inUse +
                                    L"\nclick 2\nexit 0\n");
    held.Close();
    EXPECT_EQ(0u, r.exitCode) << r.output;
    EXPECT_EQ(file, ReadFileBytes(path));
    EXPECT_EQ(backup, ReadFileBytes(path + L".bak"));
    EXPECT_TRUE(NumberedCopies(path, L".broken").empty());
}

namespace {

// The settings file's bytes with one element's text replaced.
std::string SettingsWith(const std::string& element, const std::string& text)
{
    if (!WriteProgramSettings(FirstStartSetting()))
        return std::string();
    std::string bytes = ReadFileBytes(ProgramSettingsPath());
    const std::string open = "<" + element + ">", close = "</" + element + ">";
    const size_t from = bytes.find(open), to = bytes.find(close);
    if (from == std::string::npos || to == std::string::npos)
        return std::string();
    return bytes.replace(from + open.size(), to - from - open.size(), text);
}

} // namespace

// A damaged settings file: the question names the file and says what was
// wrong where (the loader's own words); going on keeps the file aside. A
// second damaged start, with a damaged backup too, keeps both of them and
// the first copy as well.
TEST(HostileInputProgramTest, ADamagedSettingsFileIsNamedAndEveryDamagedCopyKept)
{
    ResetProgramState();
    const std::wstring path = ProgramSettingsPath();
    const std::string first = SettingsWith("FnameSeqWidth", "x"), second = SettingsWith("FnameSeqWidth", "y"),
                      backup = SettingsWith("BkColor", "zz");
    ASSERT_FALSE(first.empty() || second.empty() || backup.empty());
    ResetProgramState();
    ASSERT_TRUE(WriteFileBytes(path, first));
    CSetting scratch;
    CSettingsFileLoader loader;
    ASSERT_EQ(CSettingsFileLoader::UNREADABLE, loader.Load(scratch, path));
    const std::wstring said = loader.GetError().message;
    ASSERT_NE(std::wstring::npos, said.find(L"FnameSeqWidth")) << Narrow(said);
    ASSERT_NE(std::wstring::npos, said.find(path)) << Narrow(said);
    // The box's lines, each waited for: the loader's words line by line,
    // which name the file (once: no second line gives the path again).
    std::wstring waits;
    for (size_t at = 0; at < said.size();) {
        const size_t end = std::min(said.find(L'\n', at), said.size());
        if (end > at)
            waits += L"wait " + ScriptPath(said.substr(at, end - at)) + L"\n";
        at = end + 1;
    }
    CDriveResult r = RunDriveScript(L"start\n" + waits + L"click 1\nmain\nclose\nexit 2\n");
    EXPECT_EQ(0u, r.exitCode) << r.output;
    EXPECT_EQ(first, ReadFileBytes(path + L".1.broken"));
    CSetting saved;
    EXPECT_TRUE(ReadProgramSettings(saved));

    ASSERT_TRUE(WriteFileBytes(path, second));
    ASSERT_TRUE(WriteFileBytes(path + L".bak", backup));
    r = RunDriveScript(L"start\nwait " + ScriptPath(path) + L"\nclick 1\nmain\nclose\nexit 2\n");
    EXPECT_EQ(0u, r.exitCode) << r.output;
    EXPECT_EQ(first, ReadFileBytes(path + L".1.broken"));
    EXPECT_EQ(second, ReadFileBytes(path + L".2.broken"));
    EXPECT_EQ(backup, ReadFileBytes(path + L".bak.1.broken"));
    EXPECT_TRUE(ReadProgramSettings(saved));
}

// A window stored where no screen is now (a monitor that is gone), and
// smaller than the window can be: it comes back wholly on the screen.
TEST(HostileInputProgramTest, AWindowStoredOffTheScreenComesBackOnIt)
{
    ResetProgramState();
    CSetting s = FirstStartSetting();
    s.WindowLayout.NormalBounds = RECT{5000, 5000, 5600, 5600};
    ASSERT_TRUE(WriteProgramSettings(s));
    CDriveResult r = RunDriveScript(L"start\nmain\nonscreen\nclose\nexit 2\n");
    EXPECT_EQ(0u, r.exitCode) << r.output;
    CSetting saved;
    ASSERT_TRUE(ReadProgramSettings(saved));
    const RECT placed = saved.WindowLayout.NormalBounds, area = WorkAreaFor(placed);
    RECT inside;
    EXPECT_TRUE(IntersectRect(&inside, &placed, &area) && EqualRect(&inside, &placed))
        << placed.left << "," << placed.top << "," << placed.right << "," << placed.bottom;
    EXPECT_LE(600, placed.right - placed.left);
    EXPECT_LE(600, placed.bottom - placed.top);
}

// A message naming a path or file name too long for one line of the screen:
// the box breaks it itself and lies within the screen (Wine's box stretched to
// the path's whole width, -132 to 1,412 on a 1,280-pixel screen). A save into
// an existing folder of 247 characters is refused by name; a save that would
// replace a file of the longest name its folder takes asks first.
TEST(HostileInputProgramTest, AMessageOfALongPathOrFileNameLiesWithinTheScreen)
{
    ResetProgramState();
    const std::wstring base = FreshOutputFolder(L"long-path");
    // Capitals: wide in every face, so that the path is wider than any screen.
    const std::wstring folder = base + L"\\" + std::wstring(kMaxFolderPath - base.size(), L'W');
    ASSERT_EQ(kMaxFolderPath + 1, folder.size());
    CreateDirectoryW(folder.c_str(), nullptr);
    CSetting s = FirstStartSetting();
    s.FolderPath = folder;
    s.FnameType = FnameType::TEXT;
    s.Unit = TextUnit::LINE;
    ASSERT_TRUE(WriteProgramSettings(s));
    std::wstring script = L"start\ntext 153 一\nclick 1\n" + ChooseFolderScript(folder);
    script += L"wait フォルダーはありますが\nonscreen\nclick 1\nmain\nclose\nexit 2\n";
    CDriveResult r = RunDriveScript(script);
    EXPECT_EQ(0u, r.exitCode) << r.output;

    s.FolderPath = base;
    ASSERT_TRUE(WriteProgramSettings(s));
    const std::wstring line(300, L'W');
    COutputNameCounts used;
    const std::wstring name = MakeOutputFileName(used, 1, line, s);
    ASSERT_EQ(FileNameRoom(base), name.size());
    ASSERT_TRUE(WriteFileBytes(base + L"\\" + name, "x"));
    script = L"start\ntext 153 " + line + L"\nclick 1\n" + ChooseFolderScript(base);
    script += L"wait 上書きしますか\nonscreen\nclick 2\nmain\nclose\nexit 2\n";
    r = RunDriveScript(script);
    EXPECT_EQ(0u, r.exitCode) << r.output;
}

namespace {

// Width and height from a PNG's header.
SIZE PngSize(const std::string& png)
{
    auto be32 = [&](size_t at) {
        return png.size() < at + 4 ? 0 : (static_cast<unsigned char>(png[at]) << 24) |
                                             (static_cast<unsigned char>(png[at + 1]) << 16) |
                                             (static_cast<unsigned char>(png[at + 2]) << 8) |
                                             static_cast<unsigned char>(png[at + 3]);
    };
    return SIZE{be32(16), be32(20)};
}

} // namespace

// A decoration 1000 pixels wide: the window saves what the render tool (the
// same engine without a window) saves, and its preview shows it.
TEST(HostileInputProgramTest, ALargeDecorationIsSavedAsWithoutAWindow)
{
    ResetProgramState();
    const std::wstring folder = FreshOutputFolder(L"hostile-large");
    CSetting s = FirstStartSetting();
    s.FolderPath = folder;
    s.FnameType = FnameType::SEQ;
    s.Borderings[0].Size = 10000;
    s.Borderings[0].Distance = 100;
    ASSERT_TRUE(WriteProgramSettings(s));
    CTempFolder alone;
    std::vector<std::wstring> files;
    std::wstring error;
    ASSERT_TRUE(RunSaveJob(s, L"abc\ndef", alone.File(L""), files, error)) << Narrow(error);
    ASSERT_EQ(2u, files.size());

    std::wstring script = L"start\ntext 153 abc\\ndef\nclick 1\n" + ChooseFolderScript(folder);
    script += L"waitlong 2 個のファイルを作成しました\nclick 1\nmain\nclose\nexit 2\n";
    CDriveResult r = RunDriveScript(script);
    EXPECT_EQ(0u, r.exitCode) << r.output;
    for (size_t i = 0; i < files.size(); ++i) {
        const SIZE expected = PngSize(ReadFileBytes(files[i]));
        const SIZE size = PngSize(ReadFileBytes(folder + L"\\" + std::to_wstring(i + 1) + L".png"));
        EXPECT_LT(2000, expected.cx);
        EXPECT_EQ(expected.cx, size.cx) << i;
        EXPECT_EQ(expected.cy, size.cy) << i;
    }
}

// A long line named by its text, after a short one. Drawn as SVG it would
// take minutes: Stop, pressed once the short line's picture is in the pane,
// ends it. As PNG it is too large, and the save says so at once; so does an
// SVG save of a line of a million characters, whose page cannot fit in
// memory. The window answers all the while; only the short line's files are
// written.
TEST(HostileInputProgramTest, AMillionCharacterLineNamedByItsTextIsStoppedOrRefused)
{
    ResetProgramState();
    const std::wstring folder = FreshOutputFolder(L"hostile-long-line");
    CSetting s = FirstStartSetting();
    s.FolderPath = folder;
    s.FnameType = FnameType::TEXT;
    s.SaveFormat.Type = OutputType::SVG;
    ASSERT_TRUE(WriteProgramSettings(s));
    CTempFolder alone;
    std::vector<std::wstring> files;
    std::wstring error;
    boost::shared_ptr<CDib> shortLine;
    ASSERT_TRUE(RunSaveJob(s, L"a", alone.File(L""), files, error, &shortLine)) << Narrow(error);
    ASSERT_TRUE(shortLine);
    const std::wstring shown = std::to_wstring(shortLine->GetWidth()) + L" x " + std::to_wstring(shortLine->GetAbsHeight());
    std::wstring line;
    while (line.size() < 300000)
        line += L"縁取り文字テスト";
    std::wstring million = line;
    while (million.size() < 1000000)
        million += L"縁取り文字テスト";
    const auto head = [](UINT id) {
        const std::wstring text = LoadResourceString(id);
        return text.substr(0, text.find(L'%'));
    };
    std::wstring script = L"start\ntext 153 a\\n" + line + L"\nclick 1\n" + ChooseFolderScript(folder);
    script += L"contains 300 " + shown + L"\nclick " + Id(IDC_STOP) + L"\nwaitlong " + LoadResourceString(IDS_JOB_STOPPED) +
              L"\nclick 1\nmain\n";
    script += L"pick " + Id(IDC_SAVE_FORMAT) + L" " + LoadResourceString(IDS_SAVE_FORMAT_PNG) + L"\nclick 1\n" +
              ChooseFolderScript(folder);
    script += L"waitlong " + head(IDS_IMAGE_TOO_LARGE) + L"\nclick 1\nmain\nenabled 1 1\n";
    script += L"pick " + Id(IDC_SAVE_FORMAT) + L" " + LoadResourceString(IDS_SAVE_FORMAT_SVG) + L"\ntext 153 " +
              million + L"\nclick 1\n" + ChooseFolderScript(folder);
    script += L"waitlong " + head(IDS_OUTPUT_TOO_LARGE_FOR_MEMORY) + L"\nclick 1\nmain\nenabled 1 1\nclose\nexit 2\n";
    CDriveResult r = RunDriveScript(script);
    EXPECT_EQ(0u, r.exitCode) << r.output.substr(0, 300);
    EXPECT_TRUE(FileExists(folder + L"\\a.svg"));
    EXPECT_TRUE(FileExists(folder + L"\\a.png"));
    EXPECT_EQ(2, CountFiles(folder));
}

// A decoration settings file that does not parse: the box names the file and
// says on which line and why, and the program goes on.
TEST(HostileInputProgramTest, ADamagedDecorationFileSaysWhereAndWhy)
{
    ResetProgramState();
    ASSERT_TRUE(WriteProgramSettings(FirstStartSetting()));
    const std::wstring path = FreshOutputFolder(L"hostile-knt") + L"\\bad.knt";
    ASSERT_TRUE(WriteFileBytes(path, "<?xml version=\"1.0\"?>\n<Settings>\n  <Unit>LINE</Units>\n</Settings>\n"));
    const std::wstring where = CSimpleErr::Format(IDS_XML_SYNTAX_AT, L"3", L"13",
                                                  CSimpleErr::Format(IDS_XML_SYNTAX_END_TAG_MISMATCH, L"Units", L"Unit"));
    CDriveResult r = RunDriveScript(L"start " + path + L"\nwait " + where + L"\nwait bad.knt\nclick 1\nmain\nclose\nexit 2\n");
    EXPECT_EQ(0u, r.exitCode) << r.output;
}

// A document that would hold the parser for minutes (4 MB: one element with
// 425,000 attributes) is refused at once at its place, as the settings file
// at start (kept aside) and as a decoration file on the command line.
TEST(HostileInputProgramTest, ADocumentThatWouldStallTheParserIsRefusedAtItsPlace)
{
    ResetProgramState();
    std::string text = "<Settings";
    for (int i = 0; text.size() < (4u << 20) - 16; ++i)
        text += " a" + std::to_string(i) + "=\"\"";
    text += "/>";
    const std::wstring where = CSimpleErr::Format(IDS_XML_SYNTAX_AT, L"1", L"1",
                                                  CSimpleErr::Format(IDS_XML_LIMIT_TOO_MANY_ATTRIBUTES, L"128"));
    ASSERT_TRUE(WriteFileBytes(ProgramSettingsPath(), text));
    CDriveResult r = RunDriveScript(L"start\nwait " + where + L"\nclick 1\nmain\nclose\nexit 2\n");
    EXPECT_EQ(0u, r.exitCode) << r.output;
    EXPECT_EQ(text, ReadFileBytes(ProgramSettingsPath() + L".1.broken"));
    const std::wstring path = FreshOutputFolder(L"hostile-shape") + L"\\wide.knt";
    ASSERT_TRUE(WriteFileBytes(path, text));
    r = RunDriveScript(L"start " + path + L"\nwait " + where + L"\nwait wide.knt\nclick 1\nmain\nclose\nexit 2\n");
    EXPECT_EQ(0u, r.exitCode) << r.output;
}

// A decoration settings file of 60 MB opened through the menu is refused at
// once by its size: the box names the file and the size, and the program
// goes on.
TEST(HostileInputProgramTest, AHugeDecorationFileIsRefusedByItsSize)
{
    ResetProgramState();
    ASSERT_TRUE(WriteProgramSettings(FirstStartSetting()));
    const std::wstring path = FreshOutputFolder(L"hostile-huge") + L"\\huge.knt";
    ASSERT_TRUE(MakeFileOfSize(path, 60 << 20));
    std::wstring script = L"start\nclick " + Id(IDM_FILE_OPEN) + L"\nwait " + kFileDialog + L"\ntext 1148 " +
                          ScriptPath(path) + L"\nclick 1\n";
    script += L"wait 62,914,560\nwait huge.knt\nclick 1\nmain\nclose\nexit 2\n";
    CDriveResult r = RunDriveScript(script);
    EXPECT_EQ(0u, r.exitCode) << r.output;
}
