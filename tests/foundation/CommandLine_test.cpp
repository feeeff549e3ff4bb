#include "foundation/CommandLine.h"
#include "foundation/Error.h"
#include "resources/strings_foundation.h"
#include "tests/common/TestSupport.h"
#include <gtest/gtest.h>
#include <windows.h>

namespace {

struct CRecordingParser : CSimpleCommandLineParser {
    std::vector<std::wstring> tokens;
    void OnArguments(const std::vector<std::wstring>& t) override { tokens = t; }
};

typedef std::vector<std::wstring> Tokens;

} // namespace

TEST(CommandLine, ProcessCommandLineTokens)
{
    struct Case {
        const wchar_t* line;
        Tokens tokens;
    } const cases[] = {
        {L"\"C:\\Program Files\\app.exe\" \"D:\\deco\\my file.knt\"",
         {L"C:\\Program Files\\app.exe", L"D:\\deco\\my file.knt"}},
        {L"app.exe", {L"app.exe"}},
        // An apostrophe is part of a file name, not a quote.
        {L"app.exe C:\\Bob's\\a.knt", {L"app.exe", L"C:\\Bob's\\a.knt"}},
        {L"app.exe  'x y'", {L"app.exe", L"'x", L"y'"}},
        {L"app.exe \"it's here.knt\"", {L"app.exe", L"it's here.knt"}},
        {L"app.exe \"\"", {L"app.exe"}},           // the empty argument is lost
        {L"app.exe a\"b", {L"app.exe", L"ab"}},    // an unclosed quote runs to the end
        {L"app.exe a\"b c\"d", {L"app.exe", L"ab cd"}},
        {L"app.exe \t x\t\ty  ", {L"app.exe", L"x", L"y"}},
        {L"app.exe C:\\dir\\ x", {L"app.exe", L"C:\\dir\\", L"x"}},  // backslashes stay ordinary
        {L"", {}},
    };
    for (const Case& c : cases) {
        CRecordingParser parser;
        parser.Parse(c.line);
        EXPECT_EQ(c.tokens, parser.tokens) << Narrow(c.line);
        EXPECT_EQ(std::wstring(c.line), parser.GetCommandLineText());
    }
}

TEST(CommandLine, GenericTokenizer)
{
    struct Case {
        const wchar_t* text;
        Tokens tokens;
    } const cases[] = {
        {L"'x y' \"a'b\"", {L"x y", L"a'b"}},       // either quote; the other is literal inside
        {L"^\"a b", {L"\"a", L"b"}},                // an escaped quote is literal
        {L"a^ b", {L"a b"}},                        // an escaped separator joins
        {L"'a^'b'", {L"a^b"}},                      // no escapes inside quotes
        {L"a^", {L"a^"}},                           // a trailing escape stays
        {L",,a,,b,", {L"a", L"b"}},
    };
    for (const Case& c : cases) {
        Tokens out{L"kept"};
        SplitQuotedTokens(c.text, L" ,", out, L"\"'", L"^");
        Tokens expected{L"kept"};
        expected.insert(expected.end(), c.tokens.begin(), c.tokens.end());
        EXPECT_EQ(expected, out) << Narrow(c.text);
    }
}

TEST(CommandLine, SingleArgument)
{
    CSingleCommandLineParser parser;
    parser.Parse(L"\"C:\\Program Files\\app.exe\" \"D:\\deco\\my file.knt\"");
    EXPECT_EQ(L"D:\\deco\\my file.knt", parser.GetArgument());
    parser.Parse(L"app.exe");
    EXPECT_EQ(L"D:\\deco\\my file.knt", parser.GetArgument());  // unchanged without an argument

    CSingleCommandLineParser none;
    none.Parse(L"app.exe");
    EXPECT_EQ(L"", none.GetArgument());

    try {
        none.Parse(L"app.exe a b");
        ADD_FAILURE();
    } catch (const my::CException& e) {
        EXPECT_EQ(UINT(IDS_TOO_MANY_ARGUMENTS), e.id);
        EXPECT_EQ(L"コマンドライン引数が多すぎます: 2\n\na\r\nb\r\n", e.message);
    }
    EXPECT_EQ(L"", none.GetArgument());
}

TEST(CommandLine, ProcessCommandLine)
{
    CRecordingParser parser;
    ParseProcessCommandLine(parser);
    EXPECT_EQ(std::wstring(GetCommandLineW()), parser.GetCommandLineText());
    ASSERT_FALSE(parser.tokens.empty());
    EXPECT_NE(std::wstring::npos, parser.tokens[0].find(L"test_foundation"));
}
