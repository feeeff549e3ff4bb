#include "decoration/NamedEffects.h"
#include "decoration/FontListDlgSetting.h"
#include "decoration/SettingNames.h"
#include "foundation/Error.h"
#include "resources/strings_foundation.h"
#include "tests/common/TestSupport.h"
#include <gtest/gtest.h>

TEST(NamedEffects, PresetTable)
{
    const CNamedEffects& list = GetNamedEffects();
    ASSERT_EQ(9u, list.size());
    struct Row {
        int id, size;
        COLORREF color;
        int alpha, blur, angle, distance;
    } rows[] = {
        {391, 20, 0xFFFFFF, 100, 0, 120, 0}, {392, 20, 0x000000, 100, 0, 120, 0},
        {393, 20, 0x0000CC, 100, 0, 120, 0}, {394, 1, 0xFFFFFF, 100, 0, 120, 0},
        {395, 1, 0x000000, 100, 0, 120, 0},  {396, 1, 0x0000CC, 100, 0, 120, 0},
        {397, 20, 0xFFFFFF, 50, 20, 120, 0}, {398, 0, 0x000000, 50, 20, 120, 20},
    };
    EXPECT_EQ(IDS_PRESET_CUSTOM, list[0]->Id);
    EXPECT_FALSE(list[0]->GetEffect());
    EXPECT_EQ(L"カスタム", list[0]->Name);
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        const Row& r = rows[i];
        ASSERT_EQ(r.id, list[i + 1]->Id);
        boost::shared_ptr<CBorderingSetting> b = list.FindById(r.id);
        ASSERT_TRUE(b) << r.id;
        EXPECT_EQ(r.size, b->Size) << r.id;
        EXPECT_EQ(r.color, b->Paint.Color) << r.id;
        EXPECT_EQ(r.alpha, b->Alpha) << r.id;
        EXPECT_EQ(r.blur, b->Blur) << r.id;
        EXPECT_EQ(r.angle, b->Angle) << r.id;
        EXPECT_EQ(r.distance, b->Distance) << r.id;
        EXPECT_EQ(static_cast<UINT>(PaintType::MONO), b->Paint.Type);
        EXPECT_EQ(static_cast<int>(i + 1), list.IndexOf(*b)) << r.id;
    }
    EXPECT_EQ(L"影", list[8]->Name);
}

TEST(NamedEffects, Lookups)
{
    const CNamedEffects& list = GetNamedEffects();
    EXPECT_FALSE(list.FindById(IDS_PRESET_CUSTOM));
    EXPECT_FALSE(list.FindById(12345));

    CBorderingSetting white = *list.FindById(IDS_PRESET_WHITE);
    white.Paint.Type = PaintType::LINEAR;
    EXPECT_EQ(-1, list.IndexOf(white));
    EXPECT_FALSE(list.Find(white));
    EXPECT_EQ(-1, list.IndexOf(CBorderingSetting()));  // no preset of Size 10

    // A change of a paint part that a solid paint does not show still counts.
    CBorderingSetting glow = *list.FindById(IDS_PRESET_GLOW);
    EXPECT_EQ(list[7], list.Find(glow));
    glow.Paint.Texture.Path = L"t.png";
    EXPECT_EQ(-1, list.IndexOf(glow));
}

TEST(NamedEffects, ChoiceLists)
{
    const CNamedDwords& trims = GetNamedTrimTypes();
    const DWORD trimValues[] = {0, 15, 10, 5, 3, 12, 1, 2, 4, 8};
    ASSERT_EQ(10u, trims.size());
    for (size_t i = 0; i < 10; ++i)
        EXPECT_EQ(trimValues[i], trims[i]->Value);
    EXPECT_EQ(3u, trims[4]->Value);
    EXPECT_EQ(L"左上", trims[4]->Name);
    EXPECT_EQ(4, trims.IndexOfValue(3));

    const CNamedDwords& names = GetNamedFnameTypes();
    ASSERT_EQ(3u, names.size());
    EXPECT_EQ(L"連番_テキスト", names[0]->Name);
    EXPECT_EQ(2u, names[2]->Value);

    const CNamedInts& formats = GetNamedSaveFormats();
    ASSERT_EQ(6u, formats.size());
    EXPECT_EQ(L"HTML（SVGタグ）", formats[4]->name);
    EXPECT_EQ(5, formats[5]->value);

    const CNamedInts& units = GetNamedTextUnits();
    ASSERT_EQ(3u, units.size());
    EXPECT_EQ(L"段落", units[2]->name);
    EXPECT_EQ(1, units[1]->value);

    // A new entry is named by its value until the list names it.
    EXPECT_EQ(L"30", CNamedDword(30).Name);
}

TEST(SettingNames, EnumsAndFlags)
{
    EXPECT_EQ(L"SVG_TAG", OutputTypeNames().ToName(4));
    EXPECT_EQ(2u, TextUnitNames().FromName(L"PARAGRAPH"));
    try {
        TextUnitNames().FromName(L"line");
        FAIL();
    } catch (const my::CException& e) {
        EXPECT_EQ(UINT(IDS_UNKNOWN_NAME), e.id);
        EXPECT_NE(std::wstring::npos, e.message.find(L"TextUnit"));
    }
    try {
        PaintTypeNames().ToName(3);
        FAIL();
    } catch (const my::CException& e) {
        EXPECT_EQ(UINT(IDS_UNKNOWN_VALUE), e.id);
        EXPECT_NE(std::wstring::npos, e.message.find(L"PaintType"));
    }

    const CFlagTable& trim = TrimTypeFlags();
    struct Read {
        const wchar_t* text;
        int value;  // -1: fails with IDS_UNKNOWN_NAME
    } reads[] = {
        {L"TRIM_L|TRIM_B", 9}, {L"", 0}, {L"TRIM_L|TRIM_T|TRIM_R|TRIM_B", 15},
        {L"TRIM_B|TRIM_L", 9}, {L"TRIM_L||TRIM_B", -1}, {L"trim_l", -1},
        {L"TRIM_L|", -1}, {L"|", -1}, {L" TRIM_L", -1},
    };
    for (const Read& r : reads) {
        if (r.value >= 0) {
            EXPECT_EQ(static_cast<UINT>(r.value), trim.FromNames(r.text)) << Narrow(r.text);
        } else {
            EXPECT_THROW(trim.FromNames(r.text), my::CException) << Narrow(r.text);
        }
    }
    // An empty name is shown, not left out.
    EXPECT_NE(std::wstring::npos, ThrownError([&] { trim.FromNames(L"TRIM_L||TRIM_B"); }).message.find(L" \"\" "));
    EXPECT_EQ(L"TRIM_L|TRIM_T|TRIM_R|TRIM_B", trim.ToNames(15));
    EXPECT_EQ(L"", trim.ToNames(0));
    EXPECT_EQ(L"TRIM_T|TRIM_B", trim.ToNames(10));
    try {
        trim.ToNames(0x1F);
        FAIL();
    } catch (const my::CException& e) {
        EXPECT_EQ(UINT(IDS_UNKNOWN_VALUE), e.id);
        EXPECT_NE(std::wstring::npos, e.message.find(L"0x10"));
    }
}

TEST(FontListDlgSetting, NameTables)
{
    EXPECT_EQ(L"OFF", FontItalic3Names().ToName(1));
    EXPECT_EQ(2u, FontItalic3Names().FromName(L"ON"));
    EXPECT_EQ(L"BOLDER", FontWeight4Names().ToName(3));
    EXPECT_EQ(1u, FontType3Names().FromName(L"RASTER"));
    try {
        FontItalic3Names().FromName(L"on");
        FAIL();
    } catch (const my::CException& e) {
        EXPECT_EQ(UINT(IDS_UNKNOWN_NAME), e.id);
        EXPECT_NE(std::wstring::npos, e.message.find(L"FontItalic3"));
    }
    EXPECT_THROW(FontType3Names().ToName(3), my::CException);
    // A negative value is named with its sign, not as a huge unsigned number.
    const my::CException e = ThrownError([] { FontWeight4Names().ToName(-1); });
    EXPECT_EQ(UINT(IDS_UNKNOWN_VALUE), e.id);
    EXPECT_NE(std::wstring::npos, e.message.find(L"FontWeight4")) << Narrow(e.message);
    EXPECT_NE(std::wstring::npos, e.message.find(L" -1 ")) << Narrow(e.message);
}

TEST(FontListDlgSetting, EnumFlags)
{
    struct Case {
        int type, tategaki;
        UINT flags;
    } cases[] = {
        {0, 0, 0x30001}, {0, 1, 0x30002}, {1, 0, 0x30009}, {1, 1, 0x3000A},
        {2, 0, 0x30005}, {2, 7, 0x30006}, {5, 0, 0x30001}, {-1, 1, 0x30002},
    };
    for (const Case& c : cases) {
        CFontListDlgSetting s;
        s.Type = c.type;
        s.Tategaki = c.tategaki;
        EXPECT_EQ(c.flags, s.GetEnumFlags()) << c.type << " " << c.tategaki;
    }
}

TEST(FontListDlgSetting, MatchesStyle)
{
    struct Case {
        int weightFilter, italicFilter;
        LONG weight;
        BYTE italic;
        bool matches;
    } cases[] = {
        {0, 0, 100, 255, true},  {1, 0, 400, 0, true},  {1, 0, 700, 0, false},
        {2, 0, 400, 0, false},   {2, 0, 300, 0, true},  {3, 0, 400, 0, false},
        {3, 0, 401, 0, true},    {7, 0, 50, 0, true},   {0, 1, 400, 255, false},
        {0, 1, 400, 0, true},    {0, 2, 400, 255, true}, {0, 2, 400, 0, false},
        {0, 9, 400, 1, true},    {1, 2, 400, 1, true},  {1, 2, 700, 1, false},
    };
    for (const Case& c : cases) {
        CFontListDlgSetting s;
        s.Weight = c.weightFilter;
        s.Italic = c.italicFilter;
        LOGFONTW lf = {};
        lf.lfWeight = c.weight;
        lf.lfItalic = c.italic;
        EXPECT_EQ(c.matches, s.MatchesStyle(lf))
            << c.weightFilter << " " << c.italicFilter << " " << c.weight << " " << int(c.italic);
    }
}

TEST(FontListDlgSetting, EqualityComparesSharedStrings)
{
    CFontListDlgSetting a;
    a.SampleTexts.Items.push_back(boost::shared_ptr<std::wstring>(new std::wstring(L"x")));
    CFontListDlgSetting b = a;  // shares the string object
    EXPECT_TRUE(a == b);
    b.SampleTexts.MaxSize = 3;  // not compared
    b.SampleTexts.SaveContents = false;
    EXPECT_TRUE(a == b);
    CFontListDlgSetting c = a;
    c.SampleTexts.Items.front().reset(new std::wstring(L"x"));  // same text, other object
    EXPECT_FALSE(a == c);
    CFontListDlgSetting d = a;
    d.WindowLayout.Rect.right = 1;
    EXPECT_FALSE(a == d);
}
