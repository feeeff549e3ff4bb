#include "decoration/BorderingSetting.h"
#include "tests/decoration/RegistryTestKey.h"
#include <gtest/gtest.h>

namespace {

CBorderingSetting Unusual()
{
    CBorderingSetting b;
    b.SetPreset(35, 0x123456, 40, 15, 300, 25);
    b.Paint.Type = PaintType::TEXTURE;
    CLinearGradation& g = b.Paint.LinearGradation;
    g.Angle = 10;
    g.Unit = TextUnit::PARAGRAPH;
    g.Entire = TRUE;
    g.Stops.resize(3);
    g.Stops[0].Set(false, 0x010203, 0.25);
    g.Stops[1].Set(true, 0xFFFFFF, 0.181818);
    g.Stops[2].Set(true, 0, 1.0);
    CTextureSetting& t = b.Paint.Texture;
    t.Path = L"C:\\テクスチャー\\wood.png";
    t.Type = ImageFitType::CUSTOM_RATE;
    t.Unit = TextUnit::CHAR;
    t.RateX = 2.5;
    t.RateY = 0.125;
    t.SameRate = false;
    t.Entire = true;
    t.Flip = true;
    t.OffsetX = -7;
    t.OffsetY = 9;
    return b;
}

} // namespace

TEST(BorderingRegistry, RoundTripOfEveryRecord)
{
    CTestRegistryKey key;
    const CBorderingSetting written = Unusual();
    ASSERT_TRUE(written.Save(key.Path(), HKEY_CURRENT_USER));
    CBorderingSetting read;
    EXPECT_TRUE(read.Load(key.Path(), HKEY_CURRENT_USER));
    // A stop list is never shrunk by reading: the three stops land in the
    // first three of the default twelve.
    ASSERT_EQ(12u, read.Paint.LinearGradation.Stops.size());
    EXPECT_TRUE(read.Paint.LinearGradation.Stops[3] == CLinearGradation().Stops[3]);
    read.Paint.LinearGradation.Stops.resize(3);
    EXPECT_TRUE(read == written);

    // The default record, with its twelve stops, goes the same way.
    CTestRegistryKey key2;
    CBorderingSetting def;
    ASSERT_TRUE(def.Save(key2.Path(), HKEY_CURRENT_USER));
    CBorderingSetting other = Unusual();
    other.Paint.LinearGradation = CLinearGradation();
    EXPECT_TRUE(other.Load(key2.Path(), HKEY_CURRENT_USER));
    EXPECT_TRUE(other == def);

    // Doubles are stored as their default stream text.
    std::wstring text;
    ASSERT_TRUE(key2.GetString(L"Paint\\Linear\\Colors\\01", L"Pos", text));
    EXPECT_EQ(L"0.09", text);
    ASSERT_TRUE(key2.GetString(L"Paint\\Linear\\Colors\\11", L"Pos", text));
    EXPECT_EQ(L"1", text);
}

TEST(BorderingRegistry, MissingKeysAndValues)
{
    CTestRegistryKey key;
    CBorderingSetting b;
    EXPECT_FALSE(b.Load(key.Path(), HKEY_CURRENT_USER));
    EXPECT_TRUE(b == CBorderingSetting());

    // An older decoration key: five numbers and its own colour, no paint.
    ASSERT_TRUE(key.SetDword(L"", L"Size", 40));
    for (const wchar_t* name : {L"Alpha", L"Blur", L"Angle", L"Distance"})
        ASSERT_TRUE(key.SetDword(L"", name, 5));
    ASSERT_TRUE(key.SetDword(L"", L"Color", 0xABCDEF));
    EXPECT_TRUE(b.Load(key.Path(), HKEY_CURRENT_USER));
    EXPECT_EQ(40, b.Size);
    EXPECT_EQ(0xABCDEFu, b.Paint.Color);

    // A number of another type counts as missing and leaves its field.
    ASSERT_TRUE(key.SetString(L"", L"Blur", L"7"));
    b.Blur = 3;
    EXPECT_FALSE(b.Load(key.Path(), HKEY_CURRENT_USER));
    EXPECT_EQ(3, b.Blur);
    EXPECT_EQ(40, b.Size);
}

TEST(BorderingRegistry, TextureMissingOneValue)
{
    CTestRegistryKey key;
    CTextureSetting written = Unusual().Paint.Texture;
    ASSERT_TRUE(written.Save(key.Path(), HKEY_CURRENT_USER));
    HKEY h = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CURRENT_USER, key.Path().c_str(), 0, KEY_WRITE, &h));
    RegDeleteValueW(h, L"Flip");
    RegCloseKey(h);
    CTextureSetting read;
    EXPECT_FALSE(read.Load(key.Path(), HKEY_CURRENT_USER));
    EXPECT_FALSE(read.Flip);  // kept
    read.Flip = written.Flip;
    EXPECT_TRUE(read == written);  // the other nine were read
}

TEST(BorderingRegistry, StopListCount)
{
    struct Case {
        DWORD count;
        size_t stopsAfter;
        bool result;
    } cases[] = {
        {3, 12, true},           // reads stops 0-2, keeps 3-11
        {14, 14, false},         // grows; stops 12 and 13 have no key
        {0, 12, true},
        {0xFFFFFFFF, 256, false},  // a damaged count is capped, not allocated
    };
    for (const Case& c : cases) {
        CTestRegistryKey key;
        const std::wstring colors = L"Colors";
        ASSERT_TRUE(key.SetDword(colors, L"Count", c.count));
        for (int i = 0; i < 3; ++i) {
            CColorPosSetting s(true, 0x111111 * (i + 1), 0.5);
            ASSERT_TRUE(s.Save(key.Sub(colors + (i == 0 ? L"\\00" : i == 1 ? L"\\01" : L"\\02")),
                               HKEY_CURRENT_USER));
        }
        CLinearGradation g;
        const CLinearGradation def;
        EXPECT_EQ(c.result, LoadColorPosSettings(g.Stops, key.Sub(colors), HKEY_CURRENT_USER)) << c.count;
        ASSERT_EQ(c.stopsAfter, g.Stops.size()) << c.count;
        if (c.count >= 3) {
            EXPECT_EQ(0x333333u, g.Stops[2].Color);
            EXPECT_EQ(0.5, g.Stops[2].Pos);
        }
        if (c.count == 3) {
            EXPECT_TRUE(g.Stops[3] == def.Stops[3]);
        }
        if (c.stopsAfter > 12) {
            EXPECT_TRUE(g.Stops[12] == CColorPosSetting());
        }
    }
    // A missing "Colors" key fails.
    CTestRegistryKey key;
    CColorPosSettings stops;
    EXPECT_FALSE(LoadColorPosSettings(stops, key.Sub(L"Colors"), HKEY_CURRENT_USER));
}
