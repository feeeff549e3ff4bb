#include "app/FontListText.h"
#include "foundation/ResourceString.h"
#include "resources/strings_app.h"
#include <gtest/gtest.h>
#include <boost/make_shared.hpp>

namespace {

std::vector<std::wstring> Texts(const CMruStrings& list)
{
    std::vector<std::wstring> out;
    for (const auto& s : list.Items)
        out.push_back(*s);
    return out;
}

} // namespace

TEST(FontListText, MostRecentFirstWithoutDuplicatesCutToMaxSize)
{
    CMruStrings list;
    list.MaxSize = 3;
    for (const wchar_t* t : {L"a", L"b", L"A", L"b", L"c"})
        AddMruText(list, t);
    EXPECT_EQ((std::vector<std::wstring>{L"c", L"b", L"A"}), Texts(list));  // "a" fell off the back
    list.MaxSize = 0;
    AddMruText(list, L"d");
    EXPECT_TRUE(list.Items.empty());
}

TEST(FontListText, FirstNonEmptyLineTrimmed)
{
    struct Case { const wchar_t* text; bool found; const wchar_t* line; } cases[] = {
        {L"", false, L""},
        {L" \r\n\t\r\n", false, L""},
        {L"\r\n  first line \r\nsecond", true, L"first line"},
        {L"only", true, L"only"},
        {L"\n\n\u3000x\u3000", true, L"x"},
    };
    for (const Case& c : cases) {
        std::wstring line;
        EXPECT_EQ(c.found, FirstTextLine(c.text, line));
        if (c.found) {
            EXPECT_EQ(c.line, line);
        }
    }
}

TEST(FontListText, SamplesPrecedeOlderTextsAndTheTextLineComesFirst)
{
    CMruStrings list;
    list.Items.push_back(boost::make_shared<CSameNamedString>(L"older"));
    list.Items.push_back(boost::make_shared<CSameNamedString>(LoadResourceString(IDS_SAMPLE_UPPER_CASE)));
    AddSampleTexts(list, L"\n  Hello  \nworld");
    const std::vector<std::wstring> expected = {
        L"Hello", LoadResourceString(IDS_SAMPLE_SENTENCE), LoadResourceString(IDS_SAMPLE_DIGITS_SIGNS),
        LoadResourceString(IDS_SAMPLE_LOWER_CASE), LoadResourceString(IDS_SAMPLE_UPPER_CASE), L"older"};
    EXPECT_EQ(expected, Texts(list));
    AddSampleTexts(list, L"");
    EXPECT_EQ(LoadResourceString(IDS_SAMPLE_SENTENCE), *list.Items.front());
    EXPECT_EQ(6u, list.Items.size());
}
