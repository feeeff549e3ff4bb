#include "decoration/NamedEffects.h"
#include "decoration/RegistryForm.h"
#include "decoration/Setting.h"
#include "tests/decoration/RegistryTestKey.h"
#include "tests/decoration/SettingTestData.h"
#include <gtest/gtest.h>
#include <climits>

TEST(Setting, Defaults)
{
    const CSetting s;
    EXPECT_EQ(L"カンテロ", s.Text);
    ASSERT_EQ(5u, s.UseBorderings.size());
    ASSERT_EQ(5u, s.Borderings.size());
    for (size_t i = 0; i < 5; ++i) {
        EXPECT_TRUE(s.UseBorderings[i]);
        EXPECT_TRUE(s.Borderings[i] == CBorderingSetting());
    }
    EXPECT_EQ(static_cast<UINT>(OutputType::PNG), s.SaveFormat.Type);
    EXPECT_EQ(80, s.SaveFormat.JpegQuality);
    EXPECT_EQ(15u, s.TrimType);
    EXPECT_EQ(0xFFFFFFu, s.BkColor);
    EXPECT_EQ(-1, s.WindowLayout.SplitterPos);
    EXPECT_EQ(22, s.FontListDlg.Size);
}

TEST(Setting, CopyIsDeep)
{
    CSetting a;
    a.Borderings[2].Paint.Texture.Path = L"a.png";
    CSetting b(a);
    b.Borderings[2].Paint.Texture.Path = L"b.png";
    EXPECT_EQ(L"a.png", a.Borderings[2].Paint.Texture.Path);
    CSetting& self = b;
    b = self;
    EXPECT_EQ(L"b.png", b.Borderings[2].Paint.Texture.Path);
}

TEST(Setting, MakeFileTitle)
{
    struct Case {
        UINT type;
        int width, number;
        const wchar_t* text;
        const wchar_t* title;
    } cases[] = {
        {FnameType::SEQ_TEXT, 3, 7, L"ab", L"007_ab"},
        {FnameType::SEQ_TEXT, 2, 1234, L"ab", L"1234_ab"},
        {FnameType::SEQ_TEXT, 0, 5, L"ab", L"5_ab"},
        {FnameType::SEQ_TEXT, -4, 5, L"ab", L"5_ab"},
        {FnameType::SEQ, 4, 12, L"ignored", L"0012"},
        {FnameType::TEXT, 3, 1, L"", L""},
        {7, 3, 1, L"xy", L"xy"},  // an unknown type names by the text
        {FnameType::TEXT, 1, 1, L"a:b\ncd", L"a\xFF1A" L"b"},
        // Controls, bidirectional controls and lone surrogates give no
        // honest name: each becomes a low line like TAB; a pair stays.
        {FnameType::TEXT, 1, 1, L"a\tb\rc\x01" L"d\x7F", L"a_b_c_d_"},
        {FnameType::SEQ_TEXT, 0, 3, L"\x202E" L"abc.exe", L"3__abc.exe"},
        {FnameType::TEXT, 1, 1, L"\x202A\x202B\x202C\x202D\x2066\x2067\x2068\x2069", L"________"},
        {FnameType::TEXT, 1, 1, L"x\xD800y\xDC00z\xD83D\xDE00", L"x_y_z\xD83D\xDE00"},
        {FnameType::TEXT, 1, 1, L"\xD83D", L"_"},
        {FnameType::TEXT, 1, 1, L"\\/:*?\"<>|", L"\xFFE5\xFF0F\xFF1A\xFF0A\xFF1F\x201D\xFF1C\xFF1E\xFF5C"},
        {FnameType::SEQ_TEXT, 2, 3, L"\nrest", L"03_"},
        // A width from a damaged file stays bounded.
        {FnameType::SEQ, INT_MAX, 1, L"", L"00000000000000000000000000000001"},
    };
    for (const Case& c : cases) {
        CSetting s;
        s.FnameType = c.type;
        s.FnameSeqWidth = c.width;
        EXPECT_EQ(std::wstring(c.title), s.MakeFileTitle(c.number, c.text))
            << c.type << " " << c.width << " " << c.number << " " << Narrow(c.text);
    }
}

TEST(Setting, IsSingleOutputFile)
{
    for (UINT type = 0; type < 8; ++type) {
        for (bool single : {false, true}) {
            CSetting s;
            s.SaveFormat.Type = type;
            s.SingleFile = single;
            const bool expected = single && (type == OutputType::PDF || type == OutputType::SVG_TAG);
            EXPECT_EQ(expected, s.IsSingleOutputFile()) << type << " " << single;
        }
    }
}

TEST(Setting, OutputFolder)
{
    CSetting s;
    s.FolderPath = L"Q:\\does\\not\\exist";
    EXPECT_EQ(L"Q:\\does\\not\\exist", s.GetOutputFolder());
    s.FolderPath.clear();
    const std::wstring pictures = s.GetOutputFolder();
    ASSERT_FALSE(pictures.empty());
    const DWORD attributes = GetFileAttributesW(pictures.c_str());
    ASSERT_NE(INVALID_FILE_ATTRIBUTES, attributes);
    EXPECT_TRUE(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

TEST(SettingImport, EmptyKey)
{
    CTestRegistryKey key;
    const std::wstring product = key.Sub(L"Zevrand\\Kantelo32");
    CSetting s;
    EXPECT_FALSE(s.ImportRegistryFrom(HKEY_CURRENT_USER, product));
    // The product key is created and left empty.
    HKEY h = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CURRENT_USER, product.c_str(), 0, KEY_READ, &h));
    DWORD subkeys = 99, values = 99;
    RegQueryInfoKeyW(h, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr, nullptr,
                     nullptr, nullptr);
    RegCloseKey(h);
    EXPECT_EQ(0u, subkeys);
    EXPECT_EQ(0u, values);
    // The rows are the first-start presets; everything else keeps its default.
    const int presets[] = {IDS_PRESET_WHITE_THIN, IDS_PRESET_RED, IDS_PRESET_WHITE, IDS_PRESET_GLOW, IDS_PRESET_SHADOW};
    for (int i = 0; i < 5; ++i)
        EXPECT_TRUE(s.Borderings[i] == *GetNamedEffects().FindById(presets[i])) << i;
    const CSetting def;
    EXPECT_EQ(def.Unit, s.Unit);
    EXPECT_EQ(def.TrimType, s.TrimType);
    EXPECT_EQ(def.PaintSetting.Color, s.PaintSetting.Color);
    EXPECT_EQ(L"Software\\Zevrand\\Kantelo32", CSetting::GetProductKeyPath());
}

namespace {

void SeedFont(const CTestRegistryKey& key, const std::wstring& setting)
{
    const std::wstring font = setting + L"\\Font";
    key.SetString(font, L"FontFace", L"IPAGothic");
    const struct {
        const wchar_t* name;
        DWORD value;
    } values[] = {{L"CharSet", 1},  {L"Escapement", 0}, {L"Orientation", 0}, {L"Weight", 700},
                  {L"Italic", 1},   {L"Underline", 0},  {L"StrikeOut", 0},   {L"Size", 420},
                  {L"Color", 0x00FF00}, {L"Alpha", 80},  {L"CharWidth", 110}, {L"LineWidth", 90}};
    for (const auto& v : values)
        key.SetDword(font, v.name, v.value);
}

void SeedList(const CTestRegistryKey& key, const std::wstring& list, DWORD count)
{
    key.SetDword(list, L"Count", count);
}

} // namespace

TEST(SettingImport, SeededKey)
{
    CTestRegistryKey key;
    const std::wstring product = key.Sub(L"P32");
    const std::wstring setting = L"P32\\Setting";
    key.SetString(setting, L"ConfigPath", L"C:\\a.knt");
    key.SetDword(setting, L"Unit", 2);
    key.SetDword(setting, L"BkColor", 0x123456);
    key.SetDword(setting, L"Transparent", 5);
    key.SetDword(setting, L"SingleFile", 1);
    key.SetString(setting, L"FolderPath", L"C:\\out");
    key.SetDword(setting, L"FnameType", 1);
    key.SetDword(setting, L"FnameSeqWidth", 4);
    key.SetDword(setting, L"TrimType", 10);
    key.SetDword(setting, L"SplitterPos", 300);
    key.SetDword(setting + L"\\Window", L"FullScreen", 1);
    key.SetDword(setting + L"\\Window", L"Left", static_cast<DWORD>(-10));
    key.SetDword(setting + L"\\Window", L"Top", 20);
    key.SetDword(setting + L"\\Window", L"Right", 630);
    key.SetDword(setting + L"\\Window", L"Bottom", 500);
    SeedFont(key, setting);
    SeedList(key, setting + L"\\UseBorderings", 5);
    for (int i = 0; i < 5; ++i) {
        wchar_t sub[8];
        swprintf(sub, 8, L"\\%02d", i);
        key.SetDword(setting + L"\\UseBorderings" + sub, nullptr, i % 2);
    }
    // Seven rows against five switches: the lists may end up of other lengths.
    SeedList(key, setting + L"\\Borderings", 7);
    CBorderingSetting row;
    row.SetPreset(33, 0x0000FF, 60, 10, 45, 15);
    for (int i = 0; i < 7; ++i) {
        wchar_t sub[8];
        swprintf(sub, 8, L"\\%02d", i);
        row.Size = 30 + i;
        ASSERT_TRUE(row.Save(key.Sub(setting + L"\\Borderings" + sub), HKEY_CURRENT_USER));
    }
    CSaveFormat format;
    format.Type = OutputType::JPEG;
    format.JpegQuality = 55;
    ASSERT_TRUE(regform::Save(format, key.Sub(setting + L"\\SaveFormat"), HKEY_CURRENT_USER));

    CSetting s;
    EXPECT_TRUE(s.ImportRegistryFrom(HKEY_CURRENT_USER, product));
    EXPECT_EQ(L"C:\\a.knt", s.ConfigPath);
    EXPECT_EQ(2u, s.Unit);
    EXPECT_EQ(0x123456u, s.BkColor);
    EXPECT_TRUE(s.Transparent);
    EXPECT_TRUE(s.SingleFile);
    EXPECT_EQ(L"C:\\out", s.FolderPath);
    EXPECT_EQ(1u, s.FnameType);
    EXPECT_EQ(4, s.FnameSeqWidth);
    EXPECT_EQ(10u, s.TrimType);
    EXPECT_EQ(300, s.WindowLayout.SplitterPos);
    EXPECT_TRUE(s.WindowLayout.FullScreen);
    EXPECT_FALSE(s.WindowLayout.Maximized);
    EXPECT_EQ(-10, s.WindowLayout.NormalBounds.left);
    EXPECT_EQ(500, s.WindowLayout.NormalBounds.bottom);
    EXPECT_EQ(L"IPAGothic", s.FontSetting.FontFace);
    EXPECT_EQ(420, s.FontSetting.Size);
    EXPECT_TRUE(s.FontSetting.Italic);
    ASSERT_EQ(5u, s.UseBorderings.size());
    EXPECT_FALSE(s.UseBorderings[0]);
    EXPECT_TRUE(s.UseBorderings[1]);
    // Rows beyond the five the window shows are not read: they would be
    // drawn without being seen.
    ASSERT_EQ(5u, s.Borderings.size());
    EXPECT_EQ(34, s.Borderings[4].Size);
    EXPECT_EQ(0x0000FFu, s.Borderings[4].Paint.Color);
    EXPECT_EQ(static_cast<UINT>(OutputType::JPEG), s.SaveFormat.Type);
    EXPECT_EQ(55, s.SaveFormat.JpegQuality);
    // No "Paint" key: the face keeps its paint in the font's colour.
    EXPECT_EQ(0x00FF00u, s.PaintSetting.Color);
    EXPECT_EQ(static_cast<UINT>(PaintType::MONO), s.PaintSetting.Type);
}

TEST(SettingImport, OutOfRangeValuesAreNormalised)
{
    CTestRegistryKey key;
    const std::wstring setting = L"P32\\Setting";
    key.SetDword(setting, L"Unit", 3);
    key.SetDword(setting, L"FnameType", 9);
    key.SetDword(setting, L"FnameSeqWidth", 1000000);
    key.SetDword(setting, L"TrimType", 0x1F);
    key.SetDword(setting, L"BkColor", 0xFF123456);
    SeedFont(key, setting);
    key.SetDword(setting + L"\\Font", L"Size", 0x7FFFFFFF);
    key.SetDword(setting + L"\\Font", L"Alpha", static_cast<DWORD>(-20));
    // Counts that would allocate billions of entries.
    SeedList(key, setting + L"\\UseBorderings", 0xFFFFFFFF);
    SeedList(key, setting + L"\\Borderings", 1);
    CBorderingSetting row;
    row.Size = INT_MAX;
    row.Blur = -1;
    row.Alpha = 1000;
    row.Angle = -90;
    row.Paint.Type = 9;
    row.Paint.LinearGradation.Unit = 4;
    row.Paint.Texture.Type = 8;
    row.Paint.Texture.RateX = -3;
    ASSERT_TRUE(row.Save(key.Sub(setting + L"\\Borderings\\00"), HKEY_CURRENT_USER));
    key.SetDword(setting + L"\\SaveFormat", L"Type", 7);
    key.SetDword(setting + L"\\SaveFormat", L"JpegQuality", 150);
    CPaintSetting face;
    face.Type = 3;
    ASSERT_TRUE(regform::Save(face, key.Sub(setting + L"\\Paint"), HKEY_CURRENT_USER));

    CSetting s;
    s.ImportRegistryFrom(HKEY_CURRENT_USER, key.Sub(L"P32"));
    EXPECT_EQ(static_cast<UINT>(TextUnit::LINE), s.Unit);
    EXPECT_EQ(static_cast<UINT>(FnameType::TEXT), s.FnameType);
    EXPECT_EQ(32, s.FnameSeqWidth);
    EXPECT_EQ(15u, s.TrimType);
    EXPECT_EQ(0x123456u, s.BkColor);
    EXPECT_EQ(10000, s.FontSetting.Size);
    EXPECT_EQ(0, s.FontSetting.Alpha);
    EXPECT_EQ(5u, s.UseBorderings.size());
    const CBorderingSetting& b = s.Borderings[0];
    EXPECT_EQ(10000, b.Size);
    EXPECT_EQ(0, b.Blur);
    EXPECT_EQ(100, b.Alpha);
    EXPECT_EQ(-90, b.Angle);
    EXPECT_EQ(static_cast<UINT>(PaintType::MONO), b.Paint.Type);
    EXPECT_EQ(static_cast<UINT>(TextUnit::LINE), b.Paint.LinearGradation.Unit);
    EXPECT_EQ(static_cast<UINT>(ImageFitType::FIT_WIDTH), b.Paint.Texture.Type);
    EXPECT_EQ(limits::kMinRate, b.Paint.Texture.RateX);
    EXPECT_EQ(static_cast<UINT>(OutputType::PNG), s.SaveFormat.Type);
    EXPECT_EQ(100, s.SaveFormat.JpegQuality);
    EXPECT_EQ(static_cast<UINT>(PaintType::MONO), s.PaintSetting.Type);
}

TEST(SaveFormat, ExtensionsAndRegistry)
{
    const wchar_t* ext[] = {L"png", L"jpg", L"pdf", L"svg", L"html", L"emf", L"png", L"png"};
    for (UINT t = 0; t < 8; ++t) {
        CSaveFormat f;
        f.Type = t;
        EXPECT_EQ(std::wstring(ext[t]), f.GetExtension()) << t;
        EXPECT_EQ(t >= 2 && t <= 5, f.IsVector()) << t;
    }
    // The import brings the quality into 0..100, read or not.
    struct Case {
        const wchar_t* type;  // the name of the type's value, or none
        DWORD stored;
        bool read;
        int imported;
    } cases[] = {{L"Type", 150, true, 100}, {L"Type", static_cast<DWORD>(-5), true, 0}, {L"Type", 42, true, 42},
                 {L"Kind", 900, false, 100}};
    for (const Case& c : cases) {
        CTestRegistryKey key;
        key.SetDword(L"", c.type, 1);
        key.SetDword(L"", L"JpegQuality", c.stored);
        CSaveFormat f;
        EXPECT_EQ(c.read, regform::Load(f, key.Path(), HKEY_CURRENT_USER));
        ClampFields(f);
        EXPECT_EQ(c.imported, f.JpegQuality);
    }
}

TEST(SettingImport, FontOfTheOlderForm)
{
    CTestRegistryKey key;
    CFontSetting s;
    s.Size = 123;
    EXPECT_FALSE(regform::Load(s, key.Sub(L"no such key"), HKEY_CURRENT_USER));
    EXPECT_EQ(123, s.Size);

    const wchar_t* names[] = {L"CharSet", L"Escapement", L"Orientation", L"Weight", L"Italic", L"Underline",
                              L"StrikeOut", L"Size", L"Color", L"Alpha", L"CharWidth", L"LineWidth"};
    const DWORD values[] = {1, 900, 450, 700, 1, 0, 5, 480, 0x123456, 80, 120, 90};
    for (int i = 0; i < 12; ++i)
        key.SetDword(L"", names[i], values[i]);
    key.SetString(L"", L"FontFace", L"IPAMincho");
    CFontSetting read;
    read.LeadingWidth = 7;
    EXPECT_TRUE(regform::Load(read, key.Path(), HKEY_CURRENT_USER));
    CFontSetting expected;
    expected.CharSet = 1;
    expected.FontFace = L"IPAMincho";
    expected.Escapement = 900;
    expected.Orientation = 450;
    expected.Weight = 700;
    expected.Italic = true;
    expected.StrikeOut = true;
    expected.Size = 480;
    expected.Color = 0x123456;
    expected.Alpha = 80;
    expected.CharWidth = 120;
    expected.LineWidth = 90;
    expected.LeadingWidth = 7;  // the older form has none
    ExpectSameFields(expected, read);

    // A colour of another type is not read: the field stays, the result is false.
    key.SetString(L"", L"Color", L"FF0000");
    CFontSetting t;
    EXPECT_FALSE(regform::Load(t, key.Path(), HKEY_CURRENT_USER));
    EXPECT_EQ(0xFFFFFFu, t.Color);
    EXPECT_EQ(480, t.Size);
}

TEST(SettingImport, EveryFieldOfTheOlderForm)
{
    // Written by the form's own writer, imported back: everything the form
    // holds comes back, and the older colour of a row does not count.
    CTestRegistryKey key;
    const CSetting written = UnusualSetting(L"C:\\settings");
    ASSERT_TRUE(regform::Save(written, key.Sub(L"P32\\Setting"), HKEY_CURRENT_USER));
    ASSERT_TRUE(key.SetDword(L"P32\\Setting\\Borderings\\01", L"Color", 0x123456));
    CSetting read;
    EXPECT_TRUE(read.ImportRegistryFrom(HKEY_CURRENT_USER, key.Sub(L"P32")));
    ExpectSameFields(written, read, kRegistryForm);
    EXPECT_EQ(CSetting().FontSetting.LeadingWidth, read.FontSetting.LeadingWidth);
}
