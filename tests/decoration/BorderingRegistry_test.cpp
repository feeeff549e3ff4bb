#include "decoration/BorderingSetting.h"
#include "decoration/RegistryForm.h"
#include "tests/decoration/RegistryTestKey.h"
#include "tests/decoration/SettingTestData.h"
#include <gtest/gtest.h>

TEST(BorderingRegistry, RoundTripOfEveryRecord)
{
    CTestRegistryKey key;
    CBorderingSetting written = Mutated(CBorderingSetting());
    written.Paint.LinearGradation.Stops.resize(3);
    ASSERT_TRUE(written.Save(key.Path(), HKEY_CURRENT_USER));
    CBorderingSetting read;
    EXPECT_TRUE(read.Load(key.Path(), HKEY_CURRENT_USER));
    // A stop list is never shrunk by reading: the three stops land in the
    // first three of the default twelve.
    ASSERT_EQ(12u, read.Paint.LinearGradation.Stops.size());
    EXPECT_TRUE(read.Paint.LinearGradation.Stops[3] == CLinearGradation().Stops[3]);
    read.Paint.LinearGradation.Stops.resize(3);
    ExpectSameFields(written, read);

    // The default record, with its twelve stops, goes the same way.
    CTestRegistryKey key2;
    CBorderingSetting def;
    ASSERT_TRUE(def.Save(key2.Path(), HKEY_CURRENT_USER));
    CBorderingSetting other = Mutated(CBorderingSetting());
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
    const CTextureSetting written = Mutated(CTextureSetting());
    ASSERT_TRUE(regform::Save(written, key.Path(), HKEY_CURRENT_USER));
    HKEY h = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CURRENT_USER, key.Path().c_str(), 0, KEY_WRITE, &h));
    RegDeleteValueW(h, L"Flip");
    RegCloseKey(h);
    CTextureSetting read;
    EXPECT_FALSE(regform::Load(read, key.Path(), HKEY_CURRENT_USER));
    EXPECT_FALSE(read.Flip);  // kept
    read.Flip = written.Flip;
    ExpectSameFields(written, read);  // the other nine were read
}

TEST(BorderingRegistry, StopListCount)
{
    struct Case {
        DWORD count;
        size_t stopsAfter;
        bool result;
    } cases[] = {
        {3, 12, true},   // reads stops 0-2, keeps 3-11
        {14, 12, false},  // stops beyond the twelve are not read; 3-11 have no key
        {0, 12, true},
        {0xFFFFFFFF, 12, false},  // a damaged count allocates nothing
    };
    for (const Case& c : cases) {
        CTestRegistryKey key;
        const std::wstring colors = L"Colors";
        for (const wchar_t* name : {L"Angle", L"Unit", L"Entire"})
            ASSERT_TRUE(key.SetDword(L"", name, 1));
        ASSERT_TRUE(key.SetDword(colors, L"Count", c.count));
        for (int i = 0; i < 3; ++i) {
            CColorPosSetting s(true, 0x111111 * (i + 1), 0.5);
            ASSERT_TRUE(regform::Save(s, key.Sub(colors + L"\\0" + std::to_wstring(i)), HKEY_CURRENT_USER));
        }
        CLinearGradation g;
        const CLinearGradation def;
        EXPECT_EQ(c.result, regform::Load(g, key.Path(), HKEY_CURRENT_USER)) << c.count;
        ASSERT_EQ(c.stopsAfter, g.Stops.size()) << c.count;
        if (c.count >= 3) {
            EXPECT_EQ(0x333333u, g.Stops[2].Color);
            EXPECT_EQ(0.5, g.Stops[2].Pos);
        }
        if (c.count == 3) {
            EXPECT_TRUE(g.Stops[3] == def.Stops[3]);
        }
    }
    // A missing "Colors" key fails.
    CTestRegistryKey key;
    for (const wchar_t* name : {L"Angle", L"Unit", L"Entire"})
        ASSERT_TRUE(key.SetDword(L"", name, 1));
    CLinearGradation g;
    EXPECT_FALSE(regform::Load(g, key.Path(), HKEY_CURRENT_USER));
}
