#include "foundation/TextDecode.h"
#include "foundation/Error.h"
#include "resources/strings_foundation_io.h"
#include "tests/common/TestSupport.h"
#include <gtest/gtest.h>

namespace {

std::vector<unsigned char> B(const std::string& s) { return std::vector<unsigned char>(s.begin(), s.end()); }

} // namespace

TEST(TextDecode, Encodings)
{
    struct Case { const char* name; std::string bytes; std::wstring text; } cases[] = {
        {"empty", "", L""},
        {"ascii", "plain text\r\n", L"plain text\r\n"},
        {"utf-8", "\xE7\xB8\x81\xE5\x8F\x96\xE3\x82\x8A abc", L"縁取り abc"},
        {"utf-8 bom", "\xEF\xBB\xBF\xE6\x96\x87\xE5\xAD\x97", L"文字"},
        {"utf-8 4 bytes", "\xF0\x9F\x98\x80!", L"\xD83D\xDE00!"},
        // 日本語テキスト in Shift-JIS
        {"shift-jis", "\x93\xFA\x96\x7B\x8C\xEA\x83\x65\x83\x4C\x83\x58\x83\x67", L"日本語テキスト"},
        {"half-width kana", "\xB1\xB2", L"ｱｲ"},
        {"utf-16le bom", std::string("\xFF\xFE\x87\x65\x57\x5B\x0A\x00", 8), L"文字\n"},
        {"utf-16be bom", std::string("\xFE\xFF\x65\x87\x5B\x57", 6), L"文字"},
        {"utf-16le odd", std::string("\xFF\xFE" "a\0b", 5), L"a\xFFFD"},
    };
    for (const Case& c : cases) {
        std::wstring text = L"old";
        DecodeTextBuffer(text, B(c.bytes));
        EXPECT_EQ(c.text, text) << c.name << ": " << Narrow(text);
    }
}

TEST(TextDecode, GuessedCodePages)
{
    struct Case { std::string bytes; UINT codePage; } cases[] = {
        {"", 65001},
        {"abc", 65001},
        {"\xFF\xFE", 1200},
        {"\xFE\xFF", 1201},
        {"\xEF\xBB\xBF", 65001},
        {"\xC3\xA9", 65001},            // é
        {"\xC0\xAF", 932},              // overlong
        {"\xED\xA0\x80", 932},          // a surrogate
        {"\xF4\x90\x80\x80", 932},      // above U+10FFFF
        {"\xE3\x81", 932},              // cut short
        {"\x82\xA0", 932},              // あ in Shift-JIS
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.codePage, GuessCodePage(B(c.bytes))) << Narrow(std::wstring(c.bytes.begin(), c.bytes.end()));
}

TEST(TextDecode, NullObjectIsAHandleError)
{
    DetectEncodingInfo info = {};
    EXPECT_EQ(E_HANDLE, TryDetectInputCodepage(nullptr, "a", 1, info));
    std::wstring text;
    DWORD mode = 0;
    EXPECT_EQ(E_HANDLE, TryConvertStringToUnicode(nullptr, mode, 65001, "a", 1, text));
    try {
        ConvertStringToUnicode(nullptr, mode, 65001, "a", 1, text);
        ADD_FAILURE() << "no exception";
    } catch (const my::CException& e) {
        EXPECT_EQ(UINT(IDS_CONVERT_TO_UTF16_FAILED), e.id);
        EXPECT_EQ(E_HANDLE, e.code);
    }
}

TEST(LineEnds, Conversions)
{
    struct Case { std::wstring in, lfToCrLf, crLfToLf, toLf, toR; } cases[] = {
        {L"", L"", L"", L"", L""},
        {L"\n", L"\r\n", L"\n", L"\n", L"R"},
        {L"\r\n", L"\r\n", L"\n", L"\n", L"R"},
        {L"A\n", L"A\r\n", L"A\n", L"A\n", L"AR"},
        {L"\r", L"\r", L"\r", L"\n", L"R"},
        {L"\n\n", L"\r\n\r\n", L"\n\n", L"\n\n", L"RR"},
        {L"\r\n\r\n", L"\r\n\r\n", L"\n\n", L"\n\n", L"RR"},
        {L"a\rb\r\nc\n", L"a\rb\r\nc\r\n", L"a\rb\nc\n", L"a\nb\nc\n", L"aRbRcR"},
        {L"a\r\n\rb", L"a\r\n\rb", L"a\n\rb", L"a\n\nb", L"aRRb"},
        {L"\r\r\n\n", L"\r\r\n\r\n", L"\r\n\n", L"\n\n\n", L"RRR"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.lfToCrLf, ConvertLfToCrLf(c.in)) << Narrow(c.in);
        EXPECT_EQ(c.crLfToLf, ConvertCrLfToLf(c.in)) << Narrow(c.in);
        EXPECT_EQ(c.toLf, NormaliseLineEndsToLf(c.in)) << Narrow(c.in);
        EXPECT_EQ(c.toR, ReplaceLineEnds(c.in, L"R")) << Narrow(c.in);
    }
}
