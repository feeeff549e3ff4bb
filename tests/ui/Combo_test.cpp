#include "tests/common/TestSupport.h"
#include "ui/ComboBox2.h"
#include "ui/ImageButton.h"
#include "ui/NumberStep.h"
#include <climits>
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
    // Lists without order: a value no entry has enters at either end.
    struct { int equal; bool up; size_t count; int expected; } steps[] = {
        {0, false, 12, 1},          {0, true, 12, kNotInList},  {11, false, 12, kNotInList}, {5, true, 12, 4},
        {kNotInList, false, 12, 0}, {kNotInList, true, 12, 11}, {kNotInList, false, 0, kNotInList},
        {kIgnoreStep, false, 12, kNotInList},
    };
    for (const auto& s : steps)
        EXPECT_EQ(s.expected, UnorderedStepIndex(s.equal, s.up, s.count)) << s.equal << " " << s.up;
    // Keys over 12 entries, a page of 5: from the step by value; Home and End are the field's.
    struct { UINT key; int stepped, expected; } keys[] = {
        {VK_UP, 3, 3},    {VK_DOWN, kNotInList, kNotInList}, {VK_PRIOR, 6, 2}, {VK_PRIOR, 2, 0},
        {VK_NEXT, 9, 11}, {VK_NEXT, 4, 8},                   {VK_HOME, 4, kNotInList}, {VK_END, 4, kNotInList},
    };
    for (const auto& k : keys)
        EXPECT_EQ(k.expected, ComboKeyTarget(k.key, k.stepped, 12, 5)) << k.key << " " << k.stepped;

    const CNamedColors& colours = GetNamedColors();
    EXPECT_EQ(0, CComboBox2Traits<CNamedColors>::FindEntry(colours, L"FFFFFF"));
    EXPECT_EQ(1, CComboBox2Traits<CNamedColors>::FindEntry(colours, L"GG"));  // no colour reads as black
    EXPECT_EQ(kNotInList, CComboBox2Traits<CNamedColors>::FindEntry(colours, L"123456"));
    EXPECT_EQ(L"FFFFFF", CComboBox2Traits<CNamedColors>::EditText(colours, 0));

    CNamedInts qualities;
    qualities.Add(0, 30);
    qualities.Add(0, 80);
    EXPECT_EQ(1, CComboBox2Traits<CNamedInts>::FindEntry(qualities, L"80"));
    EXPECT_EQ(kNotInList, CComboBox2Traits<CNamedInts>::FindEntry(qualities, L"81"));
    EXPECT_EQ(kIgnoreStep, CComboBox2Traits<CNamedInts>::FindEntry(qualities, L"high"));
    EXPECT_EQ(1, CComboBox2Traits<CNamedInts>::FindEntry(qualities, L"8x0"));  // read as the box reads it
    EXPECT_EQ(0, CComboBox2Traits<CNamedInts>::StepIndex(qualities, L"50", true));
    EXPECT_EQ(1, CComboBox2Traits<CNamedInts>::StepIndex(qualities, L"50", false));
    EXPECT_EQ(kNotInList, CComboBox2Traits<CNamedInts>::StepIndex(qualities, L"90", false));
    EXPECT_EQ(L"30", CComboBox2Traits<CNamedInts>::EditText(qualities, 0));

    POINT at = CImageButton::ImageOrigin(RECT{10, 20, 41, 40}, 16, 16);
    EXPECT_EQ(17, at.x);
    EXPECT_EQ(22, at.y);
}

TEST(NumberStep, FromTheValueToTheNeighbourThatWay)
{
    // Two runs (the angles), a descending list, one entry, none.
    std::vector<double> angles, down = {100, 95, 90}, one = {5}, none;
    for (int a = 0; a <= 180; a += 5)
        angles.push_back(a);
    for (int a = -5; a >= -175; a -= 5)
        angles.push_back(a);
    const double kNone = -1e9;
    struct { const std::vector<double>& list; double value; bool up; double expected; } cases[] = {
        {angles, 120, true, 115}, {angles, 180, false, -5}, {angles, -5, true, 180},    {angles, 0, true, kNone},
        {angles, -175, false, kNone}, {angles, 7, true, 5}, {angles, -7, false, -10},   {angles, 183, false, -5},
        {angles, -178, true, -175}, {angles, -2, true, 180}, {angles, -2, false, -5},  {down, 92.5, true, 95},
        {down, 92, false, 90},      {down, 101, false, 100}, {down, 101, true, kNone}, {down, 80, true, 90},
        {one, 7, true, 5},          {one, 3, true, kNone},   {none, 3, false, kNone},
    };
    for (const auto& c : cases) {
        const int i = NumberStepIndex(c.list, c.value, c.up);
        EXPECT_EQ(c.expected, i < 0 ? kNone : c.list[static_cast<size_t>(i)]) << c.value << (c.up ? " up" : " down");
    }
    struct { const wchar_t* text; CNumberReading reading; double value; } texts[] = {
        {L" 0.50 ", {true, kReadAsReal}, 0.5}, {L"20.55", {false, 1}, 20.5}, {L"-7", {false, 0}, 7},
        {L"99999999999", {true, 0}, INT_MAX},  {L"px", {true, kReadAsReal}, kNone},
    };
    for (const auto& t : texts) {
        double value = 0;
        EXPECT_EQ(t.value, ReadNumberText(t.text, t.reading, value) ? value : kNone) << Narrow(t.text);
    }
}
