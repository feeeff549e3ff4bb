#include "foundation/Error.h"
#include "foundation/ResourceString.h"
#include <gtest/gtest.h>
#include <boost/regex.hpp>
#include <sstream>

TEST(SimpleErr, SetZeroEmptiesEverything)
{
    CSimpleErr e;
    e.Set(53601, L"x");
    e.code = 5;
    e.Set(0);
    EXPECT_EQ(0u, e.id);
    EXPECT_EQ(0, e.code);
    EXPECT_TRUE(e.message.empty());
}

TEST(SimpleErr, CodeTextFillsFirstArgument)
{
    my::CException e(53631, HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND), L"7");
    std::wstring sys = FormatSystemMessage(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
    while (!sys.empty() && (sys.back() == L'\n' || sys.back() == L'\r' || sys.back() == L' '))
        sys.pop_back();
    EXPECT_EQ(L"文字列リソースが見つかりません - " + sys + L"\n\nID: 7", e.message);
    EXPECT_STREQ("Unknown exception", e.what());
}

TEST(SimpleErr, UnknownCodeText)
{
    CSimpleErr e;
    e.SetWithCode(53601, static_cast<HRESULT>(0x8123ABCD));
    EXPECT_EQ(L"内部エラー\n\nUnknown HRESULT: 8123abcd", e.message);
}

TEST(SimpleErr, RegexErrors)
{
    CSimpleErr e;
    try {
        boost::wregex r(L"(ab");
    } catch (const boost::regex_error& x) {
        e.SetFromRegexError(x);
    }
    EXPECT_EQ(54271u, e.id);
}

TEST(SimpleErr, SingleLineAndStream)
{
    CSimpleErr e;
    e.message = L"one\n\ntwo\nthree";
    EXPECT_EQ(L"one two three", e.GetSingleLineText());
    e.id = 12;
    e.code = static_cast<HRESULT>(0x80004005);
    std::wostringstream os;
    os << e << L" " << 255;
    EXPECT_EQ(L"No: 12 HR: 80004005 MSG: one\n\ntwo\nthree 255", os.str());
}

TEST(ResourceStrings, FormatTruncatesLongArguments)
{
    std::wstring arg(5000, L'a');
    std::wstring out;
    FormatString(out, L"0123456789012345:%s", arg.c_str());
    EXPECT_EQ(19u + 1023u, out.size());
}
