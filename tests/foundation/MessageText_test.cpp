#include "foundation/MessageText.h"
#include <gtest/gtest.h>
#include <algorithm>

namespace {

// One unit of width per UTF-16 unit, two for a CJK one (U+3000 up to the surrogates).
int UnitWidth(const wchar_t* text, size_t length)
{
    int width = 0;
    for (size_t i = 0; i < length; ++i)
        width += text[i] >= 0x3000 && text[i] < 0xD800 ? 2 : 1;
    return width;
}

} // namespace

TEST(MessageText, LongRunsBreakAfterASeparatorElseBetweenCharacters)
{
    const std::wstring smile = L"\xD83D\xDE00";  // one character of two units
    struct Case {
        const char* name;
        std::wstring text;
        int limit;
        std::wstring shown;
    } const cases[] = {
        {"fits", L"短い text\r\nC:\\a\\b", 8, L"短い text\r\nC:\\a\\b"},
        {"white space breaks by itself", L"aaaa bbbb\tcccc\ndddd", 4, L"aaaa bbbb\tcccc\ndddd"},
        {"after the last separator that fits", L"see C:\\aaaa\\bbbb\\cc.png now", 9,
         L"see C:\\aaaa\\\nbbbb\\\ncc.png now"},
        {"a separator that begins a line does not end it", L"\\\\server\\share", 3,
         L"\\\\\nser\nver\n\\sh\nare"},
        {"no separator: between characters", L"abcdefghij", 4, L"abcd\nefgh\nij"},
        {"a pair never split", L"ab" + smile + L"cd", 3, L"ab\n" + smile + L"c\nd"},
        {"a character wider than the limit stands alone", L"abc", 0, L"a\nb\nc"},
        {"Japanese breaks by itself", L"フォルダーはありますが、名前が長すぎます。", 6,
         L"フォルダーはありますが、名前が長すぎます。"},
        {"but not before a long mark, nor after an opening bracket", L"「アーーー」", 6, L"「アー\nーー」"},
        {"nor before a small kana or closing punctuation (any one break would fit)", L"字ぁぃぅぇぉっゃゅょゎゕゖァィゥェォッャュョヮヵヶ」。", 52,
         L"字ぁぃぅぇぉっゃゅょゎゕゖァィゥェォッャュョヮヵヶ」\n。"},
        {"a path between Japanese characters", L"先C:\\日本\\aaaaaaaa", 7, L"先C:\\日本\\\naaaaaaa\na"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.shown, BreakLongRuns(c.text, UnitWidth, c.limit));
    }
}

// Each line's search measures a few times its own length, never what is left
// of the run (a quadratic cost on a long text).
TEST(MessageText, AVeryLongRunIsMeasuredLineByLine)
{
    const std::wstring run(200000, L'x');
    size_t measured = 0;
    const CTextWidth counting = [&](const wchar_t* text, size_t length) {
        measured += length;
        return UnitWidth(text, length);
    };
    const std::wstring shown = BreakLongRuns(run, counting, 100);
    EXPECT_EQ(run.size() + run.size() / 100 - 1, shown.size());
    EXPECT_EQ(L'\n', shown[100]);
    EXPECT_GT(run.size() * 40, measured);
}

// With the message font of this prefix: a folder path of 247 characters is
// broken after its separator and between characters, a short message stays.
TEST(MessageText, TheMessageFontBreaksALongPathWithinTheScreen)
{
    const std::wstring shortText = L"同名のファイルがあります。上書きしますか？\n\nC:\\out\\1.png";
    EXPECT_EQ(shortText, FitMessageText(shortText, nullptr));
    const std::wstring path = L"C:\\kantelo\\" + std::wstring(236, L'W');
    std::wstring shown = FitMessageText(path, nullptr);
    EXPECT_EQ(0u, shown.find(L"C:\\kantelo\\\nW"));
    shown.erase(std::remove(shown.begin(), shown.end(), L'\n'), shown.end());
    EXPECT_EQ(path, shown);
}
