#include "foundation/StringUtil.h"
#include "foundation/RegexUtil.h"
#include "foundation/Error.h"
#include "resources/strings_foundation.h"
#include "tests/common/TestSupport.h"
#include <gtest/gtest.h>
#include <vector>

TEST(StringUtil, NoCaseComparisons)
{
    // Names fold every letter, as the file system does (whatever the user's
    // settings); ASCII tokens fold A-Z only.
    struct Case {
        const wchar_t* a;
        const wchar_t* b;
        int names;  // the sign of CompareNoCase
        bool ascii;
    } const cases[] = {
        {L"Hello", L"hELLO", 0, true},
        {L"abc", L"ABD", -1, false},
        {L"b", L"A", 1, false},
        {L"abc", L"ab", 1, false},
        {L"\uFF26\uFF4F\uFF4F", L"\uFF46\uFF4F\uFF4F", 0, false},  // full-width Foo, foo
        {L"\u00C4rger", L"\u00E4RGER", 0, false},
        {L"\u00C9t\u00E9", L"\u00E9T\u00C9", 0, false},
        {L"\u0401\u0416", L"\u0451\u0436", 0, false},  // Cyrillic
        {L"\u00C4", L"\u00C5", -1, false},
        {L"\u30B4", L"\u30B3", 1, false},
    };
    for (const Case& c : cases) {
        const int r = CompareNoCase(c.a, c.b);
        EXPECT_EQ(c.names, (r > 0) - (r < 0)) << Narrow(c.a) << " " << Narrow(c.b);
        EXPECT_EQ(c.names == 0, EqualsNoCase(c.a, c.b)) << Narrow(c.a);
        EXPECT_EQ(c.names == 0, NoCaseKey(c.a) == NoCaseKey(c.b)) << Narrow(c.a);
        EXPECT_EQ(c.ascii, CompareAsciiNoCase(c.a, c.b) == 0) << Narrow(c.a);
    }

    EXPECT_TRUE(StartsWithNoCase(L"C:\\Windows\\x", L"c:\\WINDOWS"));
    EXPECT_TRUE(StartsWithNoCase(L"C:\\\uFF26\uFF4F\uFF4F\\x", L"c:\\\uFF46\uFF4F\uFF4F"));
    EXPECT_FALSE(StartsWithNoCase(L"C:", L"C:\\"));
    EXPECT_TRUE(StartsWithNoCase(L"abc", L""));
    EXPECT_TRUE(EndsWithNoCase(L"photo.JPG", L".jpg"));
    EXPECT_TRUE(EndsWithNoCase(L"x.\u00C4B", L".\u00E4b"));
    EXPECT_FALSE(EndsWithNoCase(L"jpg", L".jpg"));
    EXPECT_TRUE(FlagsAllSet(0x7u, 0x5u));
    EXPECT_FALSE(FlagsAllSet(0x6u, 0x5u));
}

TEST(StringUtil, SplitString)
{
    struct Case {
        const wchar_t* text;
        std::vector<std::wstring> pieces;
    } const cases[] = {
        {L"", {}},
        {L",", {L"", L""}},
        {L"a,,b", {L"a", L"", L"b"}},
        {L"a;b,c", {L"a", L"b", L"c"}},
        {L"abc", {L"abc"}},
    };
    for (const Case& c : cases) {
        std::list<std::wstring> out;
        SplitString(c.text, L",;", out);
        EXPECT_EQ(c.pieces, std::vector<std::wstring>(out.begin(), out.end())) << Narrow(c.text);
    }
}

TEST(StringUtil, StripEnclosingPairs)
{
    struct Case {
        const wchar_t* text;
        bool stripped;
        const wchar_t* result;
    } const cases[] = {
        {L"\"'a'\"", true, L"a"},
        {L"'a'", true, L"a"},
        {L"'\"a\"'", true, L"\"a\""},  // each pair character is tried once, in order
        {L"\"a\"", true, L"a"},
        {L"\"\"", true, L""},
        {L"\"", true, L""},
        {L"\"a", false, L"\"a"},
        {L"abc", false, L"abc"},
        {L"", false, L""},
    };
    for (const Case& c : cases) {
        std::wstring text = c.text;
        EXPECT_EQ(c.stripped, StripEnclosingPairs(text, L"\"'")) << Narrow(c.text);
        EXPECT_EQ(std::wstring(c.result), text) << Narrow(c.text);
    }
}

TEST(StringUtil, ToCrLf)
{
    struct Case {
        const wchar_t* in;
        const wchar_t* out;
    } const cases[] = {
        {L"a\nb\r", L"a\r\nb\r\n"},
        {L"a\r\nb", L"a\r\nb"},
        {L"a\rb", L"a\rb"},
        {L"\n\n", L"\r\n\r\n"},
        {L"\r", L"\r\n"},
        {L"", L""},
    };
    for (const Case& c : cases) {
        std::wstring text = c.in;
        ToCrLf(text);
        EXPECT_EQ(std::wstring(c.out), text);
    }
}

TEST(StringUtil, TranslateAndReplace)
{
    std::wstring text = L"a/b:c";
    EXPECT_FALSE(TranslateChars(text, L"/:", L"_"));
    EXPECT_EQ(L"a/b:c", text);
    EXPECT_TRUE(TranslateChars(text, L"/:/", L"_-+"));  // the first occurrence in from counts
    EXPECT_EQ(L"a_b-c", text);
    EXPECT_TRUE(TranslateChars(text, L"", L""));
    EXPECT_EQ(L"a_b-c", text);

    EXPECT_FALSE(ReplaceChar(text, L'_', L'_'));
    EXPECT_FALSE(ReplaceChar(text, L'x', L'y'));
    EXPECT_TRUE(ReplaceChar(text, L'_', L'/'));
    EXPECT_EQ(L"a/b-c", text);

    EXPECT_TRUE(IsAllDots(L""));
    EXPECT_TRUE(IsAllDots(L"..."));
    EXPECT_FALSE(IsAllDots(L"..a"));
}

TEST(StringUtil, TrimIf)
{
    std::wstring text = L" \r\n\t x y\r\n";
    TrimIf(text, IsSpaceOrCr);
    EXPECT_EQ(L"x y", text);
    text = L"\r\r";
    TrimIf(text, IsSpaceOrCr);
    EXPECT_EQ(L"", text);
    EXPECT_EQ(L"a", TrimCopyIf(std::wstring(L"\u3000a "), IsSpaceOrCr));  // ideographic space
    EXPECT_EQ(L"", TrimCopyIfSz(nullptr, IsSpaceOrCr));
    EXPECT_EQ(L"b", TrimCopyIfSz(L" b ", IsSpaceOrCr));
}

namespace {
struct CRecorder : CEventListener {
    std::vector<int>* log;
    int tag;
    CRecorder(std::vector<int>* l, int t) : log(l), tag(t) {}
    void OnEvent(UINT32 a, UINT32 b) override { log->push_back(tag * 100 + static_cast<int>(a + b)); }
};
} // namespace

TEST(StringUtil, BroadcastInListOrder)
{
    std::vector<int> log;
    CEventListeners listeners;
    BroadcastEvent(listeners, 1, 2);
    EXPECT_TRUE(log.empty());
    listeners.push_back(boost::shared_ptr<CEventListener>(new CRecorder(&log, 2)));
    listeners.push_back(boost::shared_ptr<CEventListener>(new CRecorder(&log, 1)));
    BroadcastEvent(listeners, 3, 4);
    EXPECT_EQ((std::vector<int>{207, 107}), log);
}

TEST(StringUtil, RegexMatchNoThrow)
{
    boost::wsmatch m;
    std::wstring error = L"old";
    EXPECT_TRUE(RegexMatchNoThrow(L"abc123", boost::wregex(L"([a-z]+)([0-9]+)"), m, error));
    EXPECT_EQ(L"123", m.str(2));
    EXPECT_TRUE(error.empty());
    EXPECT_FALSE(RegexMatchNoThrow(L"abc", boost::wregex(L"[a-z]"), m, error));
    EXPECT_TRUE(error.empty());
    // Catastrophic backtracking makes the matcher give up with an exception.
    std::wstring text(40, L'a');
    text += L"b";
    EXPECT_FALSE(RegexMatchNoThrow(text, boost::wregex(L"(a*)*(a*)*c"), m, error));
    EXPECT_FALSE(error.empty());
}

TEST(StringUtil, CodePageConversions)
{
    std::string bytes = "old";
    WideCharsToMultiByte(CP_UTF8, 0, L"x", 0, bytes);
    EXPECT_TRUE(bytes.empty());
    WideToMultiByte(CP_UTF8, L"a\u3042", bytes);
    EXPECT_EQ("a\xE3\x81\x82", bytes);
    WideToMultiByte(932, L"\u3042", bytes);
    EXPECT_EQ("\x82\xA0", bytes);
    WideCharsToMultiByte(CP_UTF8, 0, L"ab", -1, bytes);
    EXPECT_EQ("ab", bytes);

    std::wstring wide = L"old";
    MultiByteToWideString(CP_UTF8, 0, std::string("a\xE3\x81\x82"), wide);
    EXPECT_EQ(L"a\u3042", wide);
    MultiBytesToWide(932, 0, "\x82\xA0", 2, wide);
    EXPECT_EQ(L"\u3042", wide);
    MultiBytesToWide(CP_UTF8, 0, "x", 0, wide);
    EXPECT_TRUE(wide.empty());

    // Invalid UTF-8 with MB_ERR_INVALID_CHARS, and an unknown code page.
    wide = L"old";
    try {
        MultiByteToWideString(CP_UTF8, MB_ERR_INVALID_CHARS, std::string("\xC3"), wide);
        ADD_FAILURE();
    } catch (const my::CException& e) {
        EXPECT_EQ(UINT(IDS_CONVERT_TO_UNICODE_FAILED), e.id);
        EXPECT_EQ(L"UNICODE への文字コード変換に失敗しました\n\nコードページ: 65001", e.message);
        EXPECT_TRUE(wide.empty());
    }
    try {
        WideToMultiByte(12345, L"a", bytes);
        ADD_FAILURE();
    } catch (const my::CException& e) {
        EXPECT_EQ(UINT(IDS_CONVERT_CODE_PAGE_FAILED), e.id);
        EXPECT_EQ(L"文字コード変換に失敗しました\n\nコードページ: 12345", e.message);
    }
}
