#include "tests/common/TestSupport.h"
#include "ui/ComboBox2.h"
#include "ui/ImageButton.h"
#include <gtest/gtest.h>

TEST(ComboRange, CountIsTheIntegerStepsPlusOne)
{
    struct { int first, last, step, count; } cases[] = {
        {0, 180, 5, 37}, {-5, -175, -5, 35}, {70, 480, 10, 42}, {0, 9, 1, 10}, {10, 80, 5, 15},
        {0, 0, 1, 1},    {0, 7, 5, 2},       {5, 0, 1, 0},      {-5, 5, -5, 0}, {0, 10, 0, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.count, ComboRangeCount(c.first, c.last, c.step)) << c.first << " " << c.last << " " << c.step;
}

TEST(ComboRange, NumberFilterKeepsWhatANumberMayHold)
{
    struct { const wchar_t* text; bool sign, point; const wchar_t* expected; } cases[] = {
        {L"12a5", true, false, L"125"},
        {L"-1.5px", true, true, L"-1.5"},
        {L"-1.5", false, false, L"15"},
        // Full-width digits, signs and points are read as their ASCII forms.
        {L"\xFF19\xFF10", false, false, L"90"},
        {L"\xFF0D\xFF13", true, false, L"-3"},
        {L"\xFF11\xFF12\xFF0E\xFF15", false, true, L"12.5"},
        {L"\xFF0D\xFF11\xFF0E\xFF15", false, false, L"15"},
        {L"\xFF21\xFF11", false, false, L"1"},  // a full-width letter goes like an ASCII one
        {L"abc", true, true, L""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.expected, FilterNumberText(c.text, c.sign, c.point)) << Narrow(c.text);
}

TEST(ComboBox2, WheelStepsAndListValues)
{
    struct { int current, delta; size_t count; int expected; } steps[] = {
        {0, -120, 12, 1}, {0, 120, 12, kNotInList}, {11, -120, 12, kNotInList}, {5, 240, 12, 4},
        {kNotInList, -120, 12, 0}, {kNotInList, 120, 12, kNotInList}, {kNotInList, -120, 0, kNotInList},
    };
    for (const auto& s : steps)
        EXPECT_EQ(s.expected, WheelStepIndex(s.current, s.delta, s.count)) << s.current << " " << s.delta;

    const CNamedColors& colours = GetNamedColors();
    EXPECT_EQ(0, CComboBox2Traits<CNamedColors>::FindText(colours, L"FFFFFF"));
    EXPECT_EQ(1, CComboBox2Traits<CNamedColors>::FindText(colours, L"GG"));  // no colour reads as black
    EXPECT_EQ(kNotInList, CComboBox2Traits<CNamedColors>::FindText(colours, L"123456"));
    EXPECT_EQ(L"FFFFFF", CComboBox2Traits<CNamedColors>::EditText(colours, 0));

    CNamedInts qualities;
    qualities.Add(0, 30);
    qualities.Add(0, 80);
    EXPECT_EQ(1, CComboBox2Traits<CNamedInts>::FindText(qualities, L"80"));
    EXPECT_EQ(kNotInList, CComboBox2Traits<CNamedInts>::FindText(qualities, L"81"));
    EXPECT_EQ(kIgnoreStep, CComboBox2Traits<CNamedInts>::FindText(qualities, L"high"));
    EXPECT_EQ(L"30", CComboBox2Traits<CNamedInts>::EditText(qualities, 0));

    POINT at = CImageButton::ImageOrigin(RECT{10, 20, 41, 40}, 16, 16);
    EXPECT_EQ(17, at.x);
    EXPECT_EQ(22, at.y);
}
