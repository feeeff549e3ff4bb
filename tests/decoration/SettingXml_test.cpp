#include "decoration/RegistryForm.h"
#include "decoration/SettingXml.h"
#include "foundation/ReplacingFileWriter.h"
#include "foundation/GlobalMemory.h"
#include "foundation/ResourceString.h"
#include "resources/strings_decoration.h"
#include "resources/strings_foundation.h"
#include "resources/strings_foundation_io.h"
#include "tests/decoration/RegistryTestKey.h"
#include "tests/decoration/SettingTestData.h"
#include <boost/make_shared.hpp>
#include <gtest/gtest.h>
#include <climits>

namespace {

std::string Utf8(const std::wstring& text) { return Narrow(text); }

bool Contains(const std::string& bytes, const std::wstring& text)
{
    return bytes.find(Utf8(text)) != std::string::npos;
}

// A text as XML writes it inside an element.
std::wstring Escaped(const std::wstring& text)
{
    std::wstring out;
    for (wchar_t c : text)
        out += c == L'&' ? L"&amp;" : c == L'<' ? L"&lt;" : c == L'>' ? L"&gt;" : std::wstring(1, c);
    return out;
}

// A settings document written by hand, in the layout of one version.
std::string Document(const std::wstring& version, const std::wstring& borderingPaint,
                     const std::wstring& extraFont = L"", const std::wstring& facePaint = L"")
{
    std::wstring rows;
    for (int i = 0; i < 5; ++i)
        rows += L"<BorderingSetting><Size>2.5</Size><Alpha>80</Alpha><Blur>20</Blur><Angle>90</Angle>"
                L"<Distance>15</Distance>" + borderingPaint + L"</BorderingSetting>";
    std::wstring text = L"<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<Settings>";
    if (!version.empty())
        text += L"<Version>" + version + L"</Version>";
    text += L"<FontSetting><CharSet>128</CharSet><FontFace>IPAGothic</FontFace><Escapement>0</Escapement>"
            L"<Orientation>0</Orientation><Weight>400</Weight><Italic>false</Italic><Underline>false</Underline>"
            L"<StrikeOut>false</StrikeOut><Size>36</Size><Color>FF0000</Color><Alpha>90</Alpha>"
            L"<CharWidth>100</CharWidth><LineWidth>110</LineWidth>" + extraFont + L"</FontSetting>" + facePaint +
            L"<UseBorderings><bool>true</bool><bool>false</bool><bool>true</bool><bool>false</bool><bool>true</bool>"
            L"</UseBorderings><Borderings>" + rows + L"</Borderings><Unit>CHAR</Unit><FnameType>SEQ</FnameType>"
            L"<FnameSeqWidth>3</FnameSeqWidth><SaveFormat><Type>JPEG</Type><JpegQuality>70</JpegQuality></SaveFormat>"
            L"<BkColor>00FF00</BkColor><Transparent>true</Transparent><TrimType>TRIM_T|TRIM_B</TrimType></Settings>";
    return Utf8(text);
}

// A paint record with `stops` gradation stops.
std::wstring Paint(int stops)
{
    std::wstring text = L"<PaintSetting><Type>LINEAR</Type><Color>0000FF</Color><LinearGradation><Angle>30</Angle>"
                        L"<Unit>CHAR</Unit><Entire>true</Entire>";
    for (int i = 0; i < stops; ++i)
        text += L"<ColorPosSetting><Use>false</Use><Color>" + std::wstring(i % 2 ? L"10" : L"FF") +
                L"</Color><Pos>0.5</Pos></ColorPosSetting>";
    return text + L"</LinearGradation><Texture><Path>t.png</Path><Type>FIT_BOTH</Type><Unit>CHAR</Unit>"
                  L"<RateX>2</RateX><RateY>3</RateY><SameRate>false</SameRate><Entire>false</Entire>"
                  L"<Flip>true</Flip><OffsetX>1</OffsetX><OffsetY>2</OffsetY></Texture></PaintSetting>";
}

const std::wstring kPaint = Paint(12);

// Every text field holds `text`, every texture `path`, the font list `items` copies of the text.
CSetting WithTexts(const std::wstring& text, const std::wstring& path, size_t items = 1)
{
    CSetting s;
    s.FontSetting.FontFace = s.ConfigPath = s.FolderPath = s.FontListDlg.SampleText = text;
    s.PaintSetting.Texture.Path = path;
    for (CBorderingSetting& b : s.Borderings)
        b.Paint.Texture.Path = path;
    s.FontListDlg.SampleTexts.MaxSize = items;
    s.FontListDlg.SampleTexts.Items.assign(items, boost::make_shared<std::wstring>(text));
    return s;
}

CSetting ReadBack(const std::string& bytes, const std::wstring& path, bool& ok, CSimpleErr& err,
                  DWORD& version, CXmlDocument::CReadWork* work = nullptr)
{
    EXPECT_TRUE(WriteFileBytes(path, bytes));
    CSetting s;
    CSettingXmlReader reader;
    ok = reader.Read(s, path);
    err = reader.m_err;
    version = reader.FileVersion;
    if (work)
        *work = reader.m_work;
    return s;
}

} // namespace

// Written, read into a snapshot that differs in every field (so that a
// field the reader skips shows up), written again: the same record and the
// same bytes, from the defaults and to them, in both file forms. A
// decoration settings file leaves the parts of the settings file as the
// target held them.
TEST(SettingXml, EveryFieldSurvivesEachForm)
{
    CTempFolder folder;
    const CSetting unusual = UnusualSetting(folder.Path());
    for (const bool all : {true, false}) {
        for (const bool fromDefaults : {true, false}) {
            SCOPED_TRACE(std::string(all ? "settings file" : "decoration file") + (fromDefaults ? " of the defaults" : ""));
            const CSetting written = fromDefaults ? CSetting() : unusual;
            const CSetting target = fromDefaults ? unusual : CSetting();
            const std::wstring path = folder.File(all ? L"s.config" : L"d.knt");
            CSettingXmlWriter writer;
            writer.SetWriteAll(all);
            ASSERT_TRUE(writer.Write(written, path)) << Narrow(writer.m_err.message);
            const std::string text = ReadFileBytes(path);
            CSetting read = target;
            CSettingXmlReader reader;
            ASSERT_TRUE(reader.Read(read, path)) << Narrow(reader.m_err.message);
            EXPECT_EQ(kSettingsVersion, reader.FileVersion);
            ExpectSameFields(written, read, all ? kEveryForm : kDecorationFile);
            if (!all)
                ExpectSameFields(target, read, kSettingsFileParts);
            DeleteFileW(path.c_str());
            ASSERT_TRUE(writer.Write(read, path));
            EXPECT_EQ(text, ReadFileBytes(path));
            EXPECT_EQ(0u, text.find("<?xml version=\"1.0\" encoding=\"utf-8\"?>"));
            EXPECT_NE(std::string::npos, text.find("<Settings xmlns:xsi="));
            EXPECT_NE(std::string::npos, text.find("<Version>1.4.2.0</Version>"));
            for (const char* part : {"<WindowLayout>", "<ConfigPath", "<FolderPath", "<FontListDlg>"})
                EXPECT_EQ(all, text.find(part) != std::string::npos) << part;
        }
    }
}

TEST(SettingXml, PathsNumbersAndBackups)
{
    CTempFolder folder;
    const std::wstring path = folder.File(L"s.config");
    const CSetting original = UnusualSetting(folder.Path());
    CSettingXmlWriter writer;
    writer.SetWriteAll(true);
    ASSERT_TRUE(writer.Write(original, path)) << Narrow(writer.m_err.message);
    const std::string text = ReadFileBytes(path);
    WriteFileBytes(TestOutputPath(L"settings-sample.config"), text);
    // A texture inside the file's folder is stored relative, one elsewhere as it is.
    int inside = 0;
    for (const CBorderingSetting& b : original.Borderings) {
        std::wstring stored = b.Paint.Texture.Path;
        if (stored.compare(0, folder.Path().size() + 1, folder.Path() + L"\\") == 0) {
            stored.erase(0, folder.Path().size() + 1);
            ++inside;
        }
        EXPECT_TRUE(Contains(text, L"<Path>" + Escaped(stored) + L"</Path>")) << Narrow(stored);
    }
    EXPECT_TRUE(inside > 0 && inside < 5);
    // Size in tenths with one decimal, Blur and Distance as plain tenths.
    const CBorderingSetting& b = original.Borderings[0];
    EXPECT_TRUE(Contains(text, L"<Size>" + FormatFixedPoint(b.Size, 1) + L"</Size><Alpha>" + FormatInt(b.Alpha) +
                                   L"</Alpha><Blur>" + FormatInt(b.Blur) + L"</Blur>"));

    // Unchanged settings leave the file alone; a change keeps a backup; a
    // decoration settings file has none.
    ASSERT_TRUE(writer.Write(original, path));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW((path + L".bak").c_str()));
    CSetting changed = original;
    changed.BkColor ^= 1;
    ASSERT_TRUE(writer.Write(changed, path));
    EXPECT_EQ(text, ReadFileBytes(path + L".bak"));
    CSettingXmlWriter knt;
    ASSERT_TRUE(knt.Write(original, folder.File(L"d.knt")) && knt.Write(changed, folder.File(L"d.knt")));
    EXPECT_FALSE(FileExists(folder.File(L"d.knt.bak")));
}

TEST(SettingXml, ClipboardFragment)
{
    for (const CBorderingSetting& original : {CBorderingSetting(), UnusualSetting(L"C:\\x").Borderings[2]}) {
        CSettingXmlWriter writer;
        CGlobalMemory block(writer.WriteBorderingSettings(original));
        ASSERT_TRUE(block.Get()) << Narrow(writer.m_err.message);
        CBorderingSetting read = Mutated(original);
        CSettingXmlReader reader;
        ASSERT_TRUE(reader.ReadBorderingSettings(read, block)) << Narrow(reader.m_err.message);
        ExpectSameFields(original, read);
        EXPECT_EQ(kSettingsVersion, reader.FileVersion);
        const char* text = static_cast<const char*>(GlobalLock(block));
        EXPECT_EQ(0u, std::string(text).find("<?xml version=\"1.0\""));
        EXPECT_NE(nullptr, strstr(text, "<BorderingSettings xmlns:xsi="));
        EXPECT_NE(nullptr, strstr(text, "<Version>1.4.2.0</Version><Bordering><Size>"));
        GlobalUnlock(block);
    }

    // The fragment needs its version.
    const std::string noVersion =
        "<BorderingSettings><Bordering><Size>1</Size><Alpha>1</Alpha><Blur>1</Blur><Angle>1</Angle>"
        "<Distance>1</Distance><Color>FFFFFF</Color></Bordering></BorderingSettings>";
    CSettingXmlReader reader;
    CBorderingSetting b;
    EXPECT_FALSE(reader.ReadBorderingSettingsBytes(b, noVersion));
    EXPECT_EQ(UINT(IDS_XML_NODE_NOT_FOUND), reader.m_err.id);
}

TEST(SettingXml, VersionGates)
{
    CTempFolder folder;
    bool ok = false;
    CSimpleErr err;
    DWORD version = 0;

    // 1.0: no version, colours in the decorations, no paint records (those
    // present are ignored), no LeadingWidth.
    const std::wstring oldRow = L"<Color>00FF00</Color>";
    CSetting s10 = ReadBack(Document(L"", oldRow + kPaint, L"<LeadingWidth>50</LeadingWidth>", kPaint),
                            folder.File(L"v10.knt"), ok, err, version);
    ASSERT_TRUE(ok) << Narrow(err.message);
    EXPECT_EQ(0x01000000u, version);
    EXPECT_EQ(static_cast<UINT>(PaintType::MONO), s10.PaintSetting.Type);
    EXPECT_EQ(0x0000FFu, s10.PaintSetting.Color);  // the font's colour (red)
    EXPECT_EQ(0, s10.FontSetting.LeadingWidth);
    EXPECT_EQ(360, s10.FontSetting.Size);
    for (const CBorderingSetting& b : s10.Borderings) {
        EXPECT_EQ(static_cast<UINT>(PaintType::MONO), b.Paint.Type);
        EXPECT_EQ(0x00FF00u, b.Paint.Color);
        EXPECT_EQ(25, b.Size);  // "2.5" in tenths
        EXPECT_EQ(20, b.Blur);  // plain tenths
        EXPECT_TRUE(b.Paint.LinearGradation == CLinearGradation());
    }
    EXPECT_FALSE(s10.UseBorderings[1]);
    EXPECT_EQ(static_cast<UINT>(OutputType::JPEG), s10.SaveFormat.Type);
    EXPECT_EQ(10u, s10.TrimType);

    // Without the colour a 1.0 decoration fails.
    ReadBack(Document(L"", kPaint, L"", kPaint), folder.File(L"v10b.knt"), ok, err, version);
    EXPECT_FALSE(ok);
    EXPECT_EQ(UINT(IDS_XML_NODE_NOT_FOUND), err.id);

    // 1.3.5: paint records, still no LeadingWidth.
    CSetting s135 = ReadBack(Document(L"1.3.5.0", kPaint, L"<LeadingWidth>50</LeadingWidth>", kPaint),
                             folder.File(L"v135.knt"), ok, err, version);
    ASSERT_TRUE(ok) << Narrow(err.message);
    EXPECT_EQ(0x01030500u, version);
    EXPECT_EQ(static_cast<UINT>(PaintType::LINEAR), s135.PaintSetting.Type);
    EXPECT_EQ(30u, s135.PaintSetting.LinearGradation.Angle);
    EXPECT_EQ(folder.File(L"t.png"), s135.Borderings[0].Paint.Texture.Path);
    EXPECT_EQ(static_cast<UINT>(PaintType::LINEAR), s135.Borderings[4].Paint.Type);
    EXPECT_EQ(0, s135.FontSetting.LeadingWidth);
    EXPECT_EQ(0x101010u, s135.PaintSetting.LinearGradation.Stops[11].Color);
    EXPECT_FALSE(s135.PaintSetting.LinearGradation.Stops[11].Use);
    // As many stops as the record holds: extra ones are ignored, a missing one fails.
    CSetting more = ReadBack(Document(L"1.3.0.0", Paint(14), L"", Paint(13)), folder.File(L"v130.knt"), ok, err,
                             version);
    EXPECT_TRUE(ok) << Narrow(err.message);
    EXPECT_EQ(12u, more.PaintSetting.LinearGradation.Stops.size());
    ReadBack(Document(L"1.3.0.0", kPaint, L"", Paint(11)), folder.File(L"v130.knt"), ok, err, version);
    EXPECT_FALSE(ok);
    EXPECT_EQ(UINT(IDS_XML_NODE_NOT_FOUND), err.id);

    // 1.4 and a newer version read LeadingWidth; the caller learns the version.
    for (const wchar_t* v : {L"1.4.0.0", L"2.0.0.0"}) {
        CSetting s = ReadBack(Document(v, kPaint, L"<LeadingWidth>50</LeadingWidth>", kPaint),
                              folder.File(L"new.knt"), ok, err, version);
        EXPECT_TRUE(ok) << Narrow(v) << " " << Narrow(err.message);
        EXPECT_EQ(50, s.FontSetting.LeadingWidth) << Narrow(v);
        EXPECT_EQ(static_cast<UINT>(PaintType::LINEAR), s.Borderings[2].Paint.Type);
    }
    EXPECT_EQ(0x02000000u, version);
    // From 1.4 on LeadingWidth is required.
    ReadBack(Document(L"1.4.2.0", kPaint, L"", kPaint), folder.File(L"new.knt"), ok, err, version);
    EXPECT_FALSE(ok);
    EXPECT_EQ(UINT(IDS_XML_NODE_NOT_FOUND), err.id);
}

TEST(SettingXml, NewerVersionIsReported)
{
    CTempFolder folder;
    const std::wstring path = folder.File(L"s.config");
    CSettingXmlWriter writer;
    writer.SetWriteAll(true);
    ASSERT_TRUE(writer.Write(CSetting(), path));
    std::string text = ReadFileBytes(path);
    const size_t at = text.find("1.4.2.0");
    ASSERT_NE(std::string::npos, at);
    text.replace(at, 7, "2.0.0.0");
    ASSERT_TRUE(WriteFileBytes(path, text));
    CSetting s;
    CSettingsFileLoader loader;
    EXPECT_EQ(CSettingsFileLoader::LOADED, loader.Load(s, path));
    EXPECT_EQ(0x02000000u, loader.GetFileVersion());
    EXPECT_TRUE(loader.IsNewerVersion());
}

namespace {

// The default settings file with one text replaced.
std::string Edited(const std::string& base, const std::string& from, const std::string& to)
{
    std::string text = base;
    const size_t at = text.find(from);
    EXPECT_NE(std::string::npos, at) << from;
    if (at != std::string::npos)
        text.replace(at, from.size(), to);
    return text;
}

std::string DefaultFileText(const std::wstring& path)
{
    CSettingXmlWriter writer;
    writer.SetWriteAll(true);
    EXPECT_TRUE(writer.Write(CSetting(), path));
    return ReadFileBytes(path);
}

} // namespace

TEST(SettingXml, ListsAndValueForms)
{
    CTempFolder folder;
    const std::wstring path = folder.File(L"s.config");
    const std::string base = DefaultFileText(path);
    const std::string fiveBools = "<UseBorderings><bool>true</bool><bool>true</bool><bool>true</bool>"
                                  "<bool>true</bool><bool>true</bool></UseBorderings>";
    ASSERT_NE(std::string::npos, base.find(fiveBools));
    const std::string rowSize = "<BorderingSetting><Size>1</Size><Alpha>100</Alpha><Blur>0</Blur>";

    struct Case {
        const char* from;
        const char* to;
        UINT error;  // 0: reads
    } cases[] = {
        {"<bool>true</bool></UseBorderings>", "<bool>false</bool><bool>false</bool></UseBorderings>", 0},
        {"<bool>true</bool></UseBorderings>", "</UseBorderings>", IDS_XML_NODE_NOT_FOUND},
        {"<TrimType>TRIM_L|TRIM_T|TRIM_R|TRIM_B</TrimType>", "<TrimType>TRIM_L|TRIM_B</TrimType>", 0},
        {"<TrimType>TRIM_L|TRIM_T|TRIM_R|TRIM_B</TrimType>", "<TrimType></TrimType>", 0},
        {"<TrimType>TRIM_L|TRIM_T|TRIM_R|TRIM_B</TrimType>", "<TrimType>TRIM_L||TRIM_B</TrimType>", IDS_UNKNOWN_NAME},
        {"<TrimType>TRIM_L|TRIM_T|TRIM_R|TRIM_B</TrimType>", "<TrimType>trim_l</TrimType>", IDS_UNKNOWN_NAME},
        {"<Unit>LINE</Unit><FnameType>", "<Unit>Line</Unit><FnameType>", IDS_UNKNOWN_NAME},
        {"<Transparent>false</Transparent>", "<Transparent>False</Transparent>", IDS_XML_BOOL_INVALID},
        {"<BkColor>FFFFFF</BkColor>", "<BkColor>#FFFFFF</BkColor>", IDS_XML_COLOR_UNKNOWN},
        {"<BkColor>FFFFFF</BkColor>", "<BkColor>8</BkColor>", 0},
        {"<FnameSeqWidth>1</FnameSeqWidth>", "<FnameSeqWidth>x</FnameSeqWidth>", IDS_XML_PARSE_INT_FAILED},
        {"<SingleFile>false</SingleFile>", "", 0},  // optional
        {"<Version>1.4.2.0</Version>", "<Version>1.4.2</Version>", IDS_XML_PARSE_VERSION_FAILED},
        {rowSize.c_str(), "<BorderingSetting><Size>2.25</Size><Alpha>100</Alpha><Blur>2.5</Blur>", 0},
        // An unknown element does not stand in for a missing one.
        {"<Unit>LINE</Unit><FnameType>", "<Extra>1</Extra><FnameType>", IDS_XML_NODE_NOT_FOUND},
    };
    for (const Case& c : cases) {
        bool ok = false;
        CSimpleErr err;
        DWORD version = 0;
        CSetting s = ReadBack(Edited(base, c.from, c.to), path, ok, err, version);
        EXPECT_EQ(c.error == 0, ok) << c.to << " " << Narrow(err.message);
        EXPECT_EQ(c.error, err.id) << c.to;
        const std::string to = c.to;
        if (to == "<TrimType>TRIM_L|TRIM_B</TrimType>") {
            EXPECT_EQ(9u, s.TrimType);
        }
        if (to == "<TrimType></TrimType>") {
            EXPECT_EQ(0u, s.TrimType);
        }
        if (to == "<BkColor>8</BkColor>") {
            EXPECT_EQ(0x080808u, s.BkColor);
        }
        if (c.to[0] == '<' && std::string(c.to).find("2.25") != std::string::npos) {
            EXPECT_EQ(22, s.Borderings[0].Size);
            EXPECT_EQ(2, s.Borderings[0].Blur);
        }
        if (std::string(c.to).find("<bool>false</bool><bool>false</bool>") != std::string::npos) {
            EXPECT_FALSE(s.UseBorderings[4]);  // the sixth is ignored
            EXPECT_EQ(5u, s.UseBorderings.size());
        }
        if (c.error == IDS_UNKNOWN_NAME && to.find("TRIM") != std::string::npos) {
            EXPECT_NE(std::wstring::npos, err.message.find(L"TrimType"));
        }
    }

    // Moving an element to the end changes nothing.
    bool ok = false;
    CSimpleErr err;
    DWORD version = 0;
    std::string moved = Edited(base, "<Unit>LINE</Unit><FnameType>", "<FnameType>");
    moved = Edited(moved, "</Settings>", "<Unit>PARAGRAPH</Unit></Settings>");
    CSetting s = ReadBack(moved, path, ok, err, version);
    EXPECT_TRUE(ok) << Narrow(err.message);
    EXPECT_EQ(2u, s.Unit);
}

TEST(SettingXml, ValuesThatWillNotReadNameElementValueAndFile)
{
    CTempFolder folder;
    const std::wstring path = folder.File(L"設定.knt");
    const std::string base = DefaultFileText(path);
    // A text past its bound is shown by its start.
    const std::string tooLong(limits::kMaxTextLength + 1, 'x');
    const std::wstring shown = std::wstring(64, L'x') + L"\x2026";
    struct Case {
        std::string from;
        std::string to;
        UINT error;
        const wchar_t* where;
        const wchar_t* value;
    } cases[] = {
        {"<FnameSeqWidth>1</FnameSeqWidth>", "<FnameSeqWidth>99999999999</FnameSeqWidth>", IDS_XML_PARSE_INT_FAILED,
         L"Settings -> FnameSeqWidth", L"99999999999"},
        {"<Transparent>false</Transparent>", "<Transparent>False</Transparent>", IDS_XML_BOOL_INVALID,
         L"Settings -> Transparent", L"False"},
        {"<bool>true</bool></UseBorderings>", "<bool>yes</bool></UseBorderings>", IDS_XML_BOOL_INVALID,
         L"Settings -> UseBorderings -> bool[4]", L"yes"},
        {"<Distance>0</Distance>", "<Distance>1e3</Distance>", IDS_XML_PARSE_INT_FAILED,
         L"Settings -> Borderings -> BorderingSetting[0] -> Distance", L"1e3"},
        {"<Color>FF9F0B</Color>", "<Color>FF9F0G</Color>", IDS_XML_COLOR_UNKNOWN,
         L"Settings -> PaintSetting -> LinearGradation -> ColorPosSetting[1] -> Color", L"FF9F0G"},
        {"<top>0</top>", "<top>-</top>", IDS_XML_PARSE_LONG_FAILED, L"Settings -> WindowLayout -> NormalBounds -> top",
         L"-"},
        {"<Type>MONO</Type>", "<Type>mono</Type>", IDS_UNKNOWN_NAME, L"Settings -> PaintSetting -> Type", L"mono"},
        {"<TrimType>TRIM_L|TRIM_T|TRIM_R|TRIM_B</TrimType>", "<TrimType>TRIM_L||TRIM_B</TrimType>", IDS_UNKNOWN_NAME,
         L"Settings -> TrimType", L"TRIM_L||TRIM_B"},
        {"<Version>1.4.2.0</Version>", "<Version>1.4</Version>", IDS_XML_PARSE_VERSION_FAILED, L"Settings -> Version",
         L"1.4"},
        {"<Version>1.4.2.0</Version>", "<Version/>", IDS_XML_PARSE_VERSION_FAILED, L"Settings -> Version", L""},
        // No value: the element is missing.
        {"<Unit>LINE</Unit><FnameType>", "<FnameType>", IDS_XML_NODE_NOT_FOUND, L"Settings -> Unit", nullptr},
        {"<Unit>LINE</Unit><FnameType>", "<Unit/><FnameType>", IDS_UNKNOWN_NAME, L"Settings -> Unit", L""},
        {"<FontFace>", "<FontFace>" + tooLong, IDS_SETTING_TEXT_TOO_LONG, L"Settings -> FontSetting -> FontFace",
         shown.c_str()},
        {"<Path/>", "<Path>" + tooLong + "</Path>", IDS_SETTING_TEXT_TOO_LONG,
         L"Settings -> PaintSetting -> Texture -> Path", shown.c_str()},
        {"<Items/>", "<Items><Item>a</Item><Item>" + tooLong + "</Item></Items>", IDS_SETTING_TEXT_TOO_LONG,
         L"Settings -> FontListDlg -> SampleTexts -> Items -> Item[1]", shown.c_str()},
    };
    for (const Case& c : cases) {
        bool ok = false;
        CSimpleErr err;
        DWORD version = 0;
        ReadBack(Edited(base, c.from, c.to), path, ok, err, version);
        EXPECT_EQ(c.error, err.id) << c.to.substr(0, 80);
        // The value, the element and the file in one line; the element and
        // the file for an element that is not there.
        const std::vector<std::wstring> named =
            c.value ? std::vector<std::wstring>{CSimpleErr::Format(IDS_SETTING_VALUE_IN_FILE, c.value, c.where, path)}
                    : std::vector<std::wstring>{c.where, CSimpleErr::Format(IDS_SETTING_IN_FILE, path)};
        for (const std::wstring& text : named)
            EXPECT_NE(std::wstring::npos, err.message.find(text)) << Narrow(text) << " in " << Narrow(err.message);
        if (!c.value) {  // nothing but the element and the file: no call failed
            EXPECT_EQ(CSimpleErr::Format(c.error, c.where) + L"\n\n" + named[1], err.message);
        }
    }

    // The clipboard's fragment has no file; the decoration stands there.
    const std::string row = "<Bordering><Size>1</Size><Alpha>1</Alpha><Blur>0</Blur><Angle>0</Angle><Distance>0</Distance>";
    const struct {
        std::string fragment;
        UINT error;
        const wchar_t* where;
        const wchar_t* value;
    } fragments[] = {
        {"<Version>1.4.2.0</Version><Bordering><Size>99999999999</Size></Bordering>", IDS_XML_PARSE_INT_FAILED,
         L"BorderingSettings -> Bordering -> Size", L"99999999999"},
        {"<Version>1.4.2.0</Version>" + row + "<PaintSetting><Type>mono</Type></PaintSetting></Bordering>",
         IDS_UNKNOWN_NAME, L"BorderingSettings -> Bordering -> PaintSetting -> Type", L"mono"},
        {"<Version>1.4.2</Version>" + row + "</Bordering>", IDS_XML_PARSE_VERSION_FAILED,
         L"BorderingSettings -> Version", L"1.4.2"},
        {"<Version>1.4.2.0</Version>", IDS_XML_NODE_NOT_FOUND, L"BorderingSettings -> Bordering", nullptr},
        {"<Version>1.4.2.0</Version>" + row + "</Bordering>", IDS_XML_NODE_NOT_FOUND,
         L"BorderingSettings -> Bordering -> PaintSetting", nullptr},
    };
    for (const auto& f : fragments) {
        CBorderingSetting b;
        CSettingXmlReader reader;
        EXPECT_FALSE(reader.ReadBorderingSettingsBytes(b, "<BorderingSettings>" + f.fragment + "</BorderingSettings>"));
        EXPECT_EQ(f.error, reader.m_err.id) << f.fragment;
        const std::vector<std::wstring> named =
            f.value ? std::vector<std::wstring>{CSimpleErr::Format(IDS_SETTING_VALUE_IN_CLIPBOARD, f.value, f.where)}
                    : std::vector<std::wstring>{f.where, LoadResourceString(IDS_SETTING_IN_CLIPBOARD)};
        for (const std::wstring& text : named)
            EXPECT_NE(std::wstring::npos, reader.m_err.message.find(text))
                << Narrow(text) << " in " << Narrow(reader.m_err.message);
    }
}

namespace {

std::string Repeated(const std::string& piece, size_t n)
{
    std::string text;
    for (size_t i = 0; i < n; ++i)
        text += piece;
    return text;
}

} // namespace

// Documents of unusual shape: many siblings (unknown, or a field repeated),
// unknown subtrees, long lists, values made of many pieces. Each reads as
// one walk over its children would read it (the first element of a name
// wins, unknown and prefixed elements are passed over) or is refused by
// its element.
TEST(SettingXml, DocumentsOfEveryShapeReadOrAreRefusedByName)
{
    CTempFolder folder;
    const std::wstring path = folder.File(L"s.config");
    const std::string base = DefaultFileText(path);
    const size_t n = 20000;
    const std::string unknown = Repeated("<u/>", n), stop = "<ColorPosSetting><Use>false</Use><Color>0000FF</Color>"
                                                            "<Pos>0.5</Pos></ColorPosSetting>";
    struct Case {
        std::string from, to;
        UINT error;  // 0: reads
        bool (*read)(const CSetting&);
    } cases[] = {
        {"<Version>", unknown + "<Version>", 0, [](const CSetting& s) { return s.Unit == CSetting().Unit; }},
        {"</Settings>", unknown + "</Settings>", 0, nullptr},
        {"<CharSet>", Repeated("<u><a><b/>x</a></u>", n) + "<CharSet>", 0, nullptr},
        {"<Size>30</Size>", Repeated("<Size>7</Size>", n) + "<Size>30</Size>", 0,
         [](const CSetting& s) { return s.FontSetting.Size == 70; }},
        {"<Size>30</Size>", "<Size>30</Size>" + Repeated("<Size>7</Size>", n), 0,
         [](const CSetting& s) { return s.FontSetting.Size == 300; }},
        // A name is picked as written: a prefixed one is another name, a default namespace changes nothing.
        {"<Unit>LINE</Unit><FnameType>", "<x:Unit xmlns:x=\"urn:x\">CHAR</x:Unit><?Unit CHAR?><!--<Unit>CHAR</Unit>-->"
         "<Unit xmlns=\"urn:x\">PARAGRAPH</Unit><Unit>CHAR</Unit><FnameType>", 0,
         [](const CSetting& s) { return s.Unit == 2; }},
        {"<Unit>LINE</Unit><FnameType>", "<x:Unit xmlns:x=\"urn:x\">CHAR</x:Unit><FnameType>", IDS_XML_NODE_NOT_FOUND,
         nullptr},
        {"<ColorPosSetting>", Repeated(stop, n / 20) + unknown + "<ColorPosSetting>", 0,
         [](const CSetting& s) { return s.PaintSetting.LinearGradation.Stops[11].Color == 0xFF0000; }},
        {"<BorderingSetting>", unknown + "<BorderingSetting>", 0, nullptr},
        {"<bool>true</bool>", unknown + "<bool>false</bool>", 0, [](const CSetting& s) { return !s.UseBorderings[0]; }},
        {"<top>", unknown + "<top>", 0, nullptr},
        {"<Items/>", "<Items>" + Repeated("<Item>a</Item><u/>", n) + "</Items>", 0,
         [](const CSetting& s) { return s.FontListDlg.SampleTexts.Items.size() == 20; }},
        {"<Items/>", "<Items>" + Repeated("<Item>a</Item>", limits::kMaxRecentTexts) + "<Item>" +
                         std::string(limits::kMaxTextLength + 1, 'x') + "</Item></Items>", 0, nullptr},  // never kept
        {"<FontFace>", "<FontFace>I<!--x-->P<a>A</a>", 0,
         [](const CSetting& s) { return s.FontSetting.FontFace == L"IPAIPAゴシック"; }},
        {"<FontFace>", "<FontFace>" + Repeated("<a/>", 63), 0, nullptr},  // 64 nodes, the most a value holds
        {"<FontFace>", "<FontFace>" + Repeated("<a/>", 64), IDS_SETTING_VALUE_OF_MANY_NODES, nullptr},
        {"<FontFace>", "<FontFace>" + Repeated("x<a/>", n), IDS_SETTING_VALUE_OF_MANY_NODES, nullptr},
        {"<Size>30</Size>", "<Size>3<a>" + Repeated("<b/>", n) + "</a>0</Size>", IDS_SETTING_VALUE_OF_MANY_NODES,
         nullptr},
    };
    for (const Case& c : cases) {
        bool ok = false;
        CSimpleErr err;
        DWORD version = 0;
        CXmlDocument::CReadWork work;
        const CSetting s = ReadBack(Edited(base, c.from, c.to), path, ok, err, version, &work);
        EXPECT_EQ(c.error, err.id) << c.to.substr(0, 120) << " " << Narrow(err.message);
        // Each piece is one sibling, visited once (the document's own nodes are far fewer than n / 5); no selection.
        EXPECT_TRUE(work.selections == 0 && work.nodesVisited < n * 6 / 5) << c.to.substr(0, 120);
        if (c.read) {
            EXPECT_TRUE(c.read(s)) << c.to.substr(0, 120);
        }
        if (c.error) {
            EXPECT_NE(std::wstring::npos, err.message.find(CSimpleErr::Format(IDS_SETTING_IN_FILE, path)));
        }
    }

    // The clipboard's fragment alike.
    const std::string row = "<Size>3</Size><Alpha>1</Alpha><Blur>0</Blur><Angle>0</Angle><Distance>0</Distance>" +
                            unknown + "<Color>00FF00</Color>";  // before paint records: the colour stands for one
    CBorderingSetting b;
    CSettingXmlReader reader;
    EXPECT_TRUE(reader.ReadBorderingSettingsBytes(b, "<BorderingSettings>" + unknown + "<Version>1.2.0.0</Version>" +
                                                         unknown + "<Bordering>" + unknown + row +
                                                         "</Bordering></BorderingSettings>"))
        << Narrow(reader.m_err.message);
    EXPECT_TRUE(reader.m_work.selections == 0 && reader.m_work.nodesVisited < 4 * n + 100);
    EXPECT_EQ(30, b.Size);
    EXPECT_EQ(0x00FF00u, b.Paint.Color);
}

// What the program writes it reads back: every text at its bound, each
// character one that is written as a reference, every sample text the list
// keeps. A text one past the bound is refused (above), a registry text is not
// taken.
TEST(SettingXml, TextsAtTheirBoundsReadBack)
{
    CTempFolder folder;
    const std::wstring path = folder.File(L"s.config"), text(limits::kMaxTextLength, L'&');
    CSetting s = WithTexts(text, L"C:\\" + text.substr(3), 1000);
    ClampFields(s);
    EXPECT_EQ(limits::kMaxRecentTexts, s.FontListDlg.SampleTexts.Items.size());
    CSettingXmlWriter writer;
    writer.SetWriteAll(true);
    ASSERT_TRUE(writer.Write(s, path)) << Narrow(writer.m_err.message);
    EXPECT_LE(ReadFileBytes(path).size(), limits::kMaxDocumentBytes);
    CSetting back;
    CSettingXmlReader reader;
    ASSERT_TRUE(reader.Read(back, path)) << Narrow(reader.m_err.message);
    ExpectSameFields(s, back);

    CTestRegistryKey key;
    ASSERT_TRUE(key.SetString(L"P32\\Setting\\Font", L"FontFace", text + L"x"));
    CSetting imported;
    imported.ImportRegistryFrom(HKEY_CURRENT_USER, key.Sub(L"P32"));
    EXPECT_EQ(CSetting().FontSetting.FontFace, imported.FontSetting.FontFace);
}

// Every UTF-16 code unit in the texts of each form (a clipboard row as the second) reads back less what XML
// cannot carry. Batches run downwards (only their last pair is one), bracketed against MSXML's trimming.
TEST(SettingXml, EveryCodeUnitReadsBackLessWhatXmlCannotCarry)
{
    CTempFolder folder;
    const unsigned dropped[][2] = {{0, 8}, {0xB, 0xC}, {0xE, 0x1F}, {0xD800, 0xDFFF}, {0xFFFE, 0xFFFF}};
    for (unsigned start = 0; start < 0x10000; start += 4000) {
        std::wstring text = L"[", kept = L"[";
        for (unsigned u = std::min(start + 3999, 0xFFFFu); u + 1 > start; --u) {
            text += wchar_t(u);
            if (std::none_of(std::begin(dropped), std::end(dropped),
                             [u](const unsigned* r) { return u >= r[0] && u <= r[1]; }))
                kept += wchar_t(u);
        }
        text += L"\xD83D\xDE00]", kept += L"\xD83D\xDE00]";
        const CSetting written = WithTexts(text, L"C:\\" + text), expected = WithTexts(kept, L"C:\\" + kept);
        for (const bool all : {true, false}) {
            CSettingXmlWriter writer;
            writer.SetWriteAll(all);
            CGlobalMemory row(writer.WriteBorderingSettings(written.Borderings[1]));
            CSetting read;
            CSettingXmlReader reader;
            ASSERT_TRUE(writer.Write(written, folder.File(L"s.knt")) && reader.Read(read, folder.File(L"s.knt")) &&
                        reader.ReadBorderingSettings(read.Borderings[1], row)) << start;
            ExpectSameFields(expected, read, all ? kEveryForm : kDecorationFile);
        }
    }
}

TEST(SettingXml, NumbersAreClampedOnRead)
{
    CTempFolder folder;
    const std::wstring path = folder.File(L"s.config");
    const std::string base = DefaultFileText(path);
    std::string text = base;
    auto edit = [&text](const char* from, const char* to) { text = Edited(text, from, to); };
    edit("<BorderingSetting><Size>1</Size><Alpha>100</Alpha><Blur>0</Blur><Angle>120</Angle><Distance>0</Distance>",
         "<BorderingSetting><Size>214748364.7</Size><Alpha>-5</Alpha><Blur>2147483647</Blur><Angle>-30</Angle>"
         "<Distance>-2147483648</Distance>");
    edit("<RateX>1</RateX><RateY>1</RateY>", "<RateX>1e999</RateX><RateY>-4</RateY>");
    edit("<Pos>0.09</Pos>", "<Pos>-3</Pos>");
    edit("<Pos>0.18</Pos>", "<Pos>1e400</Pos>");
    edit("<FnameSeqWidth>1</FnameSeqWidth>", "<FnameSeqWidth>100000</FnameSeqWidth>");
    edit("<JpegQuality>80</JpegQuality>", "<JpegQuality>-7</JpegQuality>");
    edit("<Size>30</Size>", "<Size>0</Size>");
    edit("<Alpha>100</Alpha><CharWidth>", "<Alpha>101</Alpha><CharWidth>");
    edit("<Angle>135</Angle>", "<Angle>-45</Angle>");
    edit("<OffsetX>0</OffsetX>", "<OffsetX>2147483647</OffsetX>");
    bool ok = false;
    CSimpleErr err;
    DWORD version = 0;
    CSetting s = ReadBack(text, path, ok, err, version);
    ASSERT_TRUE(ok) << Narrow(err.message);
    const CBorderingSetting& b = s.Borderings[0];
    EXPECT_EQ(10000, b.Size);
    EXPECT_EQ(0, b.Alpha);
    EXPECT_EQ(10000, b.Blur);
    EXPECT_EQ(-30, b.Angle);  // signed: kept as it is
    EXPECT_EQ(0, b.Distance);
    RECT m;
    b.GetMargins(m, false);
    EXPECT_EQ(20000, m.left);
    EXPECT_EQ(limits::kMaxRate, s.PaintSetting.Texture.RateX);
    EXPECT_EQ(limits::kMinRate, s.PaintSetting.Texture.RateY);
    EXPECT_EQ(0.0, s.PaintSetting.LinearGradation.Stops[1].Pos);
    EXPECT_EQ(1.0, s.PaintSetting.LinearGradation.Stops[2].Pos);
    // The gradation's angle reads as an int: the record holds its bits.
    EXPECT_EQ(static_cast<UINT>(-45), s.PaintSetting.LinearGradation.Angle);
    EXPECT_EQ(100000, s.PaintSetting.Texture.OffsetX);
    EXPECT_EQ(32, s.FnameSeqWidth);
    EXPECT_EQ(0, s.SaveFormat.JpegQuality);
    EXPECT_EQ(1, s.FontSetting.Size);
    EXPECT_EQ(100, s.FontSetting.Alpha);
}

TEST(SettingXml, FiveRowsAreWrittenAndRead)
{
    // A snapshot that somehow holds more rows writes five, and a file that
    // holds more reads five.
    CTempFolder folder;
    const std::wstring path = folder.File(L"s.config");
    CSetting s;
    s.Borderings.resize(7, Mutated(CBorderingSetting()));
    s.UseBorderings.resize(7, FALSE);
    std::string text;
    CSettingXmlWriter writer;
    writer.SetWriteAll(true);
    ASSERT_TRUE(writer.Build(s) && writer.GetBytes(text));
    EXPECT_EQ(DefaultFileText(path), text);
    const std::string row = text.substr(text.find("<BorderingSetting>"), text.find("</BorderingSetting>") + 19 - text.find("<BorderingSetting>"));
    text = Edited(text, "</Borderings>", row + row + "</Borderings>");
    text = Edited(text, "</UseBorderings>", "<bool>false</bool></UseBorderings>");
    bool ok = false;
    CSimpleErr err;
    DWORD version = 0;
    const CSetting read = ReadBack(text, path, ok, err, version);
    ASSERT_TRUE(ok) << Narrow(err.message);
    EXPECT_EQ(5u, read.Borderings.size());
    EXPECT_EQ(5u, read.UseBorderings.size());
    CSetting clamped = s;
    ClampFields(clamped);
    EXPECT_EQ(5u, clamped.Borderings.size());
    EXPECT_EQ(5u, clamped.UseBorderings.size());
}

TEST(SettingXml, AnglesKeepTheirSignAcrossReads)
{
    // Typed angles outside one turn, and below 0, are the user's: a reload
    // neither folds them nor writes the file anew. Only overflow is bounded.
    CTempFolder folder;
    const std::wstring path = folder.File(L"s.config");
    std::string text = DefaultFileText(path);
    text = Edited(text, "<Angle>120</Angle>", "<Angle>-30</Angle>");
    text = Edited(text, "<Angle>120</Angle>", "<Angle>725</Angle>");
    text = Edited(text, "<Angle>135</Angle>", "<Angle>-45</Angle>");
    bool ok = false;
    CSimpleErr err;
    DWORD version = 0;
    CSetting s = ReadBack(text, path, ok, err, version);
    ASSERT_TRUE(ok) << Narrow(err.message);
    EXPECT_EQ(-30, s.Borderings[0].Angle);
    EXPECT_EQ(725, s.Borderings[1].Angle);
    EXPECT_EQ(-45, static_cast<int>(s.PaintSetting.LinearGradation.Angle));
    CSettingXmlWriter writer;
    writer.SetWriteAll(true);
    ASSERT_TRUE(writer.Write(s, path));
    EXPECT_EQ(text, ReadFileBytes(path));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW((path + L".bak").c_str()));  // not even rewritten

    s = ReadBack(Edited(text, "<Angle>-30</Angle>", "<Angle>2147483647</Angle>"), path, ok, err, version);
    ASSERT_TRUE(ok) << Narrow(err.message);
    EXPECT_EQ(limits::kMaxAngle, s.Borderings[0].Angle);
}

TEST(SettingXml, WriteRefusesWhatWouldNotReadAndKeepsFile)
{
    CTempFolder folder;
    const std::wstring path = folder.File(L"s.config");
    const std::string before = DefaultFileText(path);
    struct Case {
        void (*mutate)(CSetting&);
        const wchar_t* type;
        const wchar_t* value;
    } cases[] = {
        {[](CSetting& s) { s.TrimType = 0x1F; }, L"TrimType", L"0x10"},
        {[](CSetting& s) { s.TrimType = 0x35; }, L"TrimType", L"0x30"},
        {[](CSetting& s) { s.Unit = 3; }, L"TextUnit", L"3"},
        {[](CSetting& s) { s.SaveFormat.Type = 7; }, L"OutputType", L"7"},
        {[](CSetting& s) { s.Borderings[3].Paint.Texture.Type = 4; }, L"ImageFitType", L"4"},
        {[](CSetting& s) { s.FontListDlg.Italic = 3; }, L"FontItalic3", L"3"},
    };
    for (const Case& c : cases) {
        CSetting s;
        s.BkColor = 0;  // would change the file if it were written
        c.mutate(s);
        CSettingXmlWriter writer;
        writer.SetWriteAll(true);
        EXPECT_FALSE(writer.Write(s, path));
        EXPECT_EQ(UINT(IDS_UNKNOWN_VALUE), writer.m_err.id);
        EXPECT_NE(std::wstring::npos, writer.m_err.message.find(c.type)) << Narrow(writer.m_err.message);
        EXPECT_NE(std::wstring::npos, writer.m_err.message.find(c.value)) << Narrow(writer.m_err.message);
        EXPECT_EQ(before, ReadFileBytes(path));
    }
    // A relative path's bound holds joined to the file's folder (DialogsProgram: at it).
    CSetting s;
    s.Borderings[2].Paint.Texture.Path = std::wstring(limits::kMaxTextLength + 1 - folder.File(L"").size(), L'a');
    CSettingXmlWriter writer;
    writer.SetWriteAll(true);
    EXPECT_FALSE(writer.Write(s, path));
    EXPECT_EQ(UINT(IDS_SETTING_PATH_TOO_LONG), writer.m_err.id);
    EXPECT_NE(std::wstring::npos, writer.m_err.message.find(L"BorderingSetting[2] -> PaintSetting -> Texture -> Path"));
    // One that reads back relative where it was written as none: less what XML cannot carry, or trimmed.
    for (const wchar_t* head : {L"\xFFFE:", L" :"}) {
        s.Borderings[2].Paint.Texture.Path = head + std::wstring(limits::kMaxTextLength - 2, L'a');
        EXPECT_TRUE(!writer.Write(s, path) && writer.m_err.id == IDS_SETTING_PATH_TOO_LONG) << Narrow(head);
    }
    s = CSetting();  // a sample text by its entry
    s.FontListDlg.SampleTexts.Items.assign(1, boost::make_shared<std::wstring>(limits::kMaxTextLength + 1, L'a'));
    EXPECT_TRUE(!writer.Write(s, path) && writer.m_err.message.find(L"Items -> Item[0] - ") != std::wstring::npos);
    EXPECT_EQ(before, ReadFileBytes(path));
    // A folder where the backup goes is named, not the file it blocks.
    ASSERT_TRUE(CreateDirectoryW((path + L".bak").c_str(), nullptr));
    s.FontListDlg.SampleTexts.Items.clear();
    s.BkColor = 0;
    EXPECT_FALSE(writer.Write(s, path));
    EXPECT_EQ(UINT(IDS_SETTING_BACKUP_IS_FOLDER), writer.m_err.id);
    EXPECT_NE(std::wstring::npos, writer.m_err.message.find(path + L".bak")) << Narrow(writer.m_err.message);
    EXPECT_EQ(before, ReadFileBytes(path));
}

TEST(SettingXml, ImportedOutOfRangeValuesCanBeSaved)
{
    // The older form stored any number. Every FnameType beyond the table
    // names by text; only the four named trim sides count.
    struct Case {
        DWORD fnameType, trimType;
        UINT expectedFnameType, expectedTrimType;
    } cases[] = {
        {3, 0x10F, FnameType::TEXT, 0xF},
        {0xFFFFFFFF, 0xFFFFFFF5, FnameType::TEXT, 0x5},
        {1, 0x100, FnameType::SEQ, 0},
        {0, 0xA, FnameType::SEQ_TEXT, 0xA},
    };
    for (const Case& c : cases) {
        CTestRegistryKey key;
        const std::wstring setting = L"P32\\Setting";
        key.SetDword(setting, L"Unit", 3);
        key.SetDword(setting, L"FnameType", c.fnameType);
        key.SetDword(setting, L"TrimType", c.trimType);
        key.SetDword(setting + L"\\SaveFormat", L"Type", 7);
        key.SetDword(setting + L"\\SaveFormat", L"JpegQuality", 80);
        CPaintSetting paint;
        paint.Type = 5;
        paint.Texture.Type = 9;
        ASSERT_TRUE(regform::Save(paint, key.Sub(setting + L"\\Paint"), HKEY_CURRENT_USER));
        CSetting s;
        s.FnameSeqWidth = 3;
        s.ImportRegistryFrom(HKEY_CURRENT_USER, key.Sub(L"P32"));
        EXPECT_EQ(c.expectedFnameType, s.FnameType) << c.fnameType;
        EXPECT_EQ(c.expectedTrimType, s.TrimType) << c.trimType;
        if (c.fnameType >= FnameType::Count) {
            EXPECT_EQ(L"ab", s.MakeFileTitle(7, L"ab"));
        }
        CTempFolder folder;
        CSettingXmlWriter writer;
        writer.SetWriteAll(true);
        EXPECT_TRUE(writer.Write(s, folder.File(L"s.config"))) << Narrow(writer.m_err.message);
    }
}

TEST(SettingXml, LongRegistryGradationReadsBackAsImported)
{
    // The older form may hold more stops than a gradation keeps: the import
    // takes as many as the saved file gives the next start.
    CTestRegistryKey key;
    const std::wstring paint = L"P32\\Setting\\Paint";
    CPaintSetting face;
    face.Type = PaintType::LINEAR;
    for (size_t i = 0; i < face.LinearGradation.Stops.size(); ++i)
        face.LinearGradation.Stops[i] = CColorPosSetting(i % 3 != 0, 0x010203 * COLORREF(i + 1), i / 20.0);
    ASSERT_TRUE(regform::Save(face, key.Sub(paint), HKEY_CURRENT_USER));
    const DWORD stored = 14;
    ASSERT_TRUE(key.SetDword(paint + L"\\Linear\\Colors", L"Count", stored));
    for (DWORD i = kGradationStops; i < stored; ++i) {
        const std::wstring stop = key.Sub(paint + L"\\Linear\\Colors\\" + regform::IndexName(i));
        ASSERT_TRUE(regform::Save(CColorPosSetting(true, 0xABCDEF, 0.9), stop, HKEY_CURRENT_USER));
    }

    CSetting imported;
    imported.ImportRegistryFrom(HKEY_CURRENT_USER, key.Sub(L"P32"));
    EXPECT_TRUE(imported.PaintSetting.LinearGradation == face.LinearGradation);
    CTempFolder folder;
    const std::wstring path = folder.File(L"s.config");
    CSettingXmlWriter writer;
    writer.SetWriteAll(true);
    ASSERT_TRUE(writer.Write(imported, path)) << Narrow(writer.m_err.message);
    CSetting next;
    CSettingXmlReader reader;
    ASSERT_TRUE(reader.Read(next, path)) << Narrow(reader.m_err.message);
    ExpectSameFields(imported.PaintSetting, next.PaintSetting);
}

TEST(SettingXml, BackupIsUsedWhenTheFileWillNotRead)
{
    CTempFolder folder;
    const std::wstring path = folder.File(L"s.config");
    CSetting good;
    good.BkColor = 0x112233;
    CSettingXmlWriter writer;
    writer.SetWriteAll(true);
    ASSERT_TRUE(writer.Write(good, path));
    good.BkColor = 0x445566;
    ASSERT_TRUE(writer.Write(good, path));  // the first text is now the backup

    // The file is damaged.
    const std::string damaged = "<?xml version=\"1.0\"?><Settings><Font";
    ASSERT_TRUE(WriteFileBytes(path, damaged));
    CSetting s;
    CSettingsFileLoader loader;
    EXPECT_EQ(CSettingsFileLoader::FROM_BACKUP, loader.Load(s, path));
    EXPECT_EQ(UINT(IDS_XML_LOAD_FAILED), loader.GetError().id);  // the damaged file's error, for message IDS_CONFIRM_CONTINUE_AFTER_CONFIG_ERROR
    EXPECT_EQ(0x112233u, s.BkColor);
    // Nothing is touched before the user answered.
    EXPECT_EQ(damaged, ReadFileBytes(path));

    EXPECT_EQ(path, loader.GetErrorPath());
    ASSERT_TRUE(loader.AcceptFallback(path));
    EXPECT_EQ(std::vector<std::wstring>{path + L".1.broken"}, loader.GetKeptCopies());
    EXPECT_EQ(damaged, ReadFileBytes(path + L".1.broken"));
    EXPECT_EQ(ReadFileBytes(path + L".bak"), ReadFileBytes(path));
    CSetting again;
    CSettingsFileLoader loader2;
    EXPECT_EQ(CSettingsFileLoader::LOADED, loader2.Load(again, path));
    EXPECT_EQ(0x112233u, again.BkColor);

    // Neither readable: the target keeps its defaults, not half a file.
    const std::string partly = Edited(DefaultFileText(folder.File(L"x.config")), "<TrimType>", "<TrimType>bad");
    const std::string partlyFile = Edited(partly, "<BkColor>FFFFFF</BkColor>", "<BkColor>000001</BkColor>");
    ASSERT_TRUE(WriteFileBytes(path, partlyFile));
    ASSERT_TRUE(WriteFileBytes(path + L".bak", damaged));
    CSetting untouched;
    CSettingsFileLoader loader3;
    EXPECT_EQ(CSettingsFileLoader::UNREADABLE, loader3.Load(untouched, path));
    EXPECT_EQ(UINT(IDS_UNKNOWN_NAME), loader3.GetError().id);
    EXPECT_EQ(0xFFFFFFu, untouched.BkColor);
    EXPECT_EQ(path, loader3.GetErrorPath());
    // Going on keeps both damaged files aside, the earlier copy too; the next
    // save starts afresh.
    ASSERT_TRUE(loader3.AcceptFallback(path));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(path.c_str()));
    EXPECT_FALSE(FileExists(path + L".bak"));
    EXPECT_EQ(damaged, ReadFileBytes(path + L".1.broken"));
    EXPECT_EQ(partlyFile, ReadFileBytes(path + L".2.broken"));
    EXPECT_EQ(damaged, ReadFileBytes(path + L".bak.1.broken"));
    EXPECT_EQ(2u, loader3.GetKeptCopies().size());
    CSettingXmlWriter fresh;
    fresh.SetWriteAll(true);
    EXPECT_TRUE(fresh.Write(untouched, path));
    CSettingsFileLoader loader5;
    EXPECT_EQ(CSettingsFileLoader::LOADED, loader5.Load(untouched, path));

    // Only a damaged backup: its own reason is told, and it is kept aside.
    ASSERT_TRUE(DeleteFileW(path.c_str()));
    ASSERT_TRUE(WriteFileBytes(path + L".bak", damaged));
    CSettingsFileLoader loader6;
    EXPECT_EQ(CSettingsFileLoader::UNREADABLE, loader6.Load(untouched, path));
    EXPECT_EQ(path + L".bak", loader6.GetErrorPath());
    EXPECT_EQ(UINT(IDS_XML_LOAD_FAILED), loader6.GetError().id);
    ASSERT_TRUE(loader6.AcceptFallback(path));
    EXPECT_EQ(damaged, ReadFileBytes(path + L".bak.2.broken"));

    // No file at all.
    CTempFolder empty;
    CSettingsFileLoader loader4;
    EXPECT_EQ(CSettingsFileLoader::MISSING, loader4.Load(untouched, empty.File(L"s.config")));
}

TEST(SettingXml, InterruptedSaveKeepsTheOldSettings)
{
    CTempFolder folder;
    const std::wstring path = folder.File(L"s.config");
    CSetting s;
    s.BkColor = 0x010101;
    CSettingXmlWriter writer;
    writer.SetWriteAll(true);
    ASSERT_TRUE(writer.Write(s, path));

    s.BkColor = 0x020202;
    CSettingXmlWriter next;
    next.SetWriteAll(true);
    std::string bytes;
    ASSERT_TRUE(next.Build(s) && next.GetBytes(bytes));
    CReplacingFileWriter file(path);
    ASSERT_EQ(S_OK, file.WriteTemporary(bytes));
    file.Abandon();  // power cut before the replace

    CSetting read;
    CSettingsFileLoader loader;
    EXPECT_EQ(CSettingsFileLoader::LOADED, loader.Load(read, path));
    EXPECT_EQ(0x010101u, read.BkColor);
}
