// Cutting a text into output units and naming their files.
#include "render/OutputUnits.h"
#include "foundation/StringUtil.h"
#include "resources/strings_engine.h"
#include "tests/common/TestSupport.h"
#include <gtest/gtest.h>
#include <random>

namespace {

typedef std::vector<std::wstring> Units;

// The plain way to cut a title: a character at a time from its end, the
// whole cut made safe and measured again each time.
std::wstring CutOneByOne(const std::wstring& title, const std::wstring& tail, size_t room)
{
    std::wstring cut = MakeSafeFileTitle(title), fitted = cut;
    while (cut.size() > 1 && (Utf8Length(fitted + tail) > kMaxFileNameBytes || fitted.size() + tail.size() > room)) {
        size_t end = cut.size() - 1;
        if (IsLowSurrogate(cut[end]) && IsHighSurrogate(cut[end - 1]))
            --end;
        if (end == 0)
            break;
        cut.resize(end);
        fitted = MakeSafeFileTitle(cut);
    }
    return fitted;
}

TEST(SplitTextIntoUnitsTest, ByCharacterLineAndParagraph)
{
    struct Case {
        const wchar_t* text;
        UINT unit;
        Units expected;
    } cases[] = {
        {L"a\r\n\r\nb c", 0, {L"a", L"b", L"c"}},
        {L"a\r\n\r\nb c", 1, {L"a", L"b c"}},
        {L"a\r\n\r\nb c", 2, {L"a", L"b c"}},
        {L"x\ny\n\nz", 2, {L"x\ny", L"z"}},
        {L"x\ny\n\nz", 1, {L"x", L"y", L"z"}},
        {L"\n\n  line one \t\n\n\n\n line two\n", 1, {L"line one", L"line two"}},
        {L"\n\n p1a\n p1b \n \n\n p2\n\n", 2, {L"p1a\np1b", L"p2"}},
        {L"縁取り\u3000文字", 0, {L"縁", L"取", L"り", L"文", L"字"}},  // the ideographic space is white space
        {L"a\U0001F600b", 0, {L"a", L"\U0001F600", L"b"}},
        {L"", 1, {}},
        {L" \r\n\t\n", 0, {}},
        {L" \r\n\t\n", 1, {}},
        {L" \r\n\t\n", 2, {}},
        {L"tab\tinside", 1, {L"tab\tinside"}},
        {L"a\nb", 7, {L"a", L"b"}},  // an unknown unit cuts by line
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.expected, SplitTextIntoUnits(c.text, c.unit)) << "unit " << c.unit;
}

TEST(OutputFileNameTest, DeviceNamesAndTrailingDotsGetAnUnderscore)
{
    struct Case {
        const wchar_t* title;
        const wchar_t* expected;
    } cases[] = {
        {L"NUL", L"NUL_"},         {L"con", L"con_"},         {L"Com1", L"Com1_"},
        {L"LPT9", L"LPT9_"},       {L"COM\u00B9", L"COM\u00B9_"}, {L"nul.txt", L"nul_.txt"},
        {L"aux  .x", L"aux_  .x"}, {L"conin$", L"conin$_"},   {L"abc.", L"abc._"},
        {L"abc ", L"abc _"},       {L"COM10", L"COM10"},      {L"CONSOLE", L"CONSOLE"},
        {L"1_NUL", L"1_NUL"},      {L"文字", L"文字"},        {L"", L""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(std::wstring(c.expected), MakeSafeFileTitle(c.title));
}

TEST(OutputFileNameTest, RepeatedTitlesAreCountedWithoutRegardToCase)
{
    COutputNameCounts used;
    struct Step {
        const wchar_t* title;
        const wchar_t* expected;
    } steps[] = {
        {L"Abc", L"Abc.png"},
        {L"abc", L"abc (2).png"},
        {L"ABC", L"ABC (3).png"},
        {L"other", L"other.png"},
        // A title equal to a name made earlier does not take that file.
        {L"abc (2)", L"abc (2) (2).png"},
        {L"nul", L"nul_.png"},
        {L"NUL", L"NUL_ (2).png"},
        // Case beyond A-Z: the file system folds it too.
        {L"\u00C9t\u00E9", L"\u00C9t\u00E9.png"},
        {L"\u00E9t\u00E9", L"\u00E9t\u00E9 (2).png"},
        {L"\uFF21\uFF22", L"\uFF21\uFF22.png"},
        {L"\uFF41\uFF42", L"\uFF41\uFF42 (2).png"},
        {L"\u0416", L"\u0416.png"},
        {L"\u0436", L"\u0436 (2).png"},
        {L"\u5B57", L"\u5B57.png"},
    };
    for (const Step& s : steps)
        EXPECT_EQ(std::wstring(s.expected), MakeUniqueFileName(used, s.title, L"png"));
}

TEST(OutputFileNameTest, AGeneratedNameSkipsATitleAlreadyTaken)
{
    COutputNameCounts used;
    EXPECT_EQ(L"a (2).svg", MakeUniqueFileName(used, L"a (2)", L"svg"));
    EXPECT_EQ(L"a.svg", MakeUniqueFileName(used, L"a", L"svg"));
    EXPECT_EQ(L"a (3).svg", MakeUniqueFileName(used, L"a", L"svg"));
}

TEST(OutputFileNameTest, LongTitlesAreCutToFitAndStayUnique)
{
    const std::wstring kana(300, L'\u3042');          // 3 UTF-8 bytes each
    const std::wstring emoji = L"\U0001F600";        // a surrogate pair, 4 bytes
    struct Case {
        std::wstring title;
        size_t room;
        std::wstring expected;
    } cases[] = {
        // 84 kana (252 bytes) and ".png" would be 256 bytes: 83 stay.
        {kana.substr(0, 84), MAX_PATH - 1, kana.substr(0, 83) + L".png"},
        {kana.substr(0, 83), MAX_PATH - 1, kana.substr(0, 83) + L".png"},
        {kana, MAX_PATH - 1, kana.substr(0, 83) + L".png"},
        {std::wstring(300, L'a'), MAX_PATH - 1, std::wstring(251, L'a') + L".png"},
        // The room the folder leaves counts UTF-16 units.
        {std::wstring(300, L'a'), 20, std::wstring(16, L'a') + L".png"},
        {kana, 20, kana.substr(0, 16) + L".png"},
        // A pair is never split, and a cut never ends in a blank or a dot.
        {std::wstring(62, L'a') + emoji + L"b", 67, std::wstring(62, L'a') + L".png"},
        {L"ab. c" + std::wstring(300, L'd'), 8, L"ab._.png"},
    };
    for (const Case& c : cases) {
        COutputNameCounts used;
        const std::wstring name = MakeUniqueFileName(used, c.title, L"png", c.room);
        EXPECT_EQ(c.expected, name) << Narrow(c.title.substr(0, 20));
        EXPECT_LE(Utf8Length(name), kMaxFileNameBytes);
        EXPECT_LE(name.size(), c.room);
    }

    // Titles that differ only beyond the cut still get a file each, and the
    // suffix makes room for itself.
    COutputNameCounts used;
    const std::wstring a = MakeUniqueFileName(used, kana + L"a", L"emf");
    const std::wstring b = MakeUniqueFileName(used, kana + L"b", L"emf");
    const std::wstring c = MakeUniqueFileName(used, kana.substr(0, 100), L"emf");
    EXPECT_EQ(kana.substr(0, 83) + L".emf", a);
    EXPECT_EQ(kana.substr(0, 82) + L" (2).emf", b);
    EXPECT_EQ(kana.substr(0, 82) + L" (3).emf", c);

    EXPECT_EQ(MAX_PATH - 1 - 7u, FileNameRoom(L"C:\\out"));
    EXPECT_EQ(MAX_PATH - 1 - 3u, FileNameRoom(L"C:\\"));
    EXPECT_EQ(0u, FileNameRoom(std::wstring(400, L'x')));
}

// Titles of pieces that each bend the cut (blanks, dots, device names, pairs,
// lone halves, two- and three-byte characters), cut for rooms from nothing
// up: the same names as the plain way, the suffixed one included. A line of
// a million characters is named from its start, the way any other is.
TEST(OutputFileNameTest, CuttingFindsThePlainWaysNameForTitlesOfAnyLength)
{
    const wchar_t* const pieces[] = {L"a",   L"\u3042", L"\u00E9", L" ",      L".",      L"CON",
                                     L"nul", L"com1",    L"\U0001F600", L"\xD800", L"\xDC00", L"b c"};
    const size_t rooms[] = {0, 1, 2, 5, 8, 13, 40, 67, 120, MAX_PATH - 1};
    std::mt19937 rng(29);
    for (int i = 0; i < 600; ++i) {
        std::wstring title;
        const size_t count = rng() % (i % 3 == 0 ? 200 : 12);
        for (size_t k = 0; k < count; ++k)
            title += pieces[rng() % (sizeof(pieces) / sizeof(pieces[0]))];
        const size_t room = rooms[rng() % (sizeof(rooms) / sizeof(rooms[0]))];
        COutputNameCounts used;
        EXPECT_EQ(CutOneByOne(title, L".png", room) + L".png", MakeUniqueFileName(used, title, L"png", room))
            << i;
        EXPECT_EQ(CutOneByOne(title, L" (2).png", room) + L" (2).png", MakeUniqueFileName(used, title, L"png", room))
            << i;
    }

    const std::wstring line(1000000, L'\u5B57');
    COutputNameCounts used;
    EXPECT_EQ(line.substr(0, 83) + L".png", MakeUniqueFileName(used, line, L"png"));
    EXPECT_EQ(line.substr(0, 82) + L" (2).png", MakeUniqueFileName(used, line, L"png"));
}

} // namespace

#include "decoration/Setting.h"

namespace {

TEST(OutputFileNameTest, SettingsNameTheFileAndChooseTheExtension)
{
    CSetting s;
    s.FnameType = FnameType::SEQ_TEXT;
    s.FnameSeqWidth = 3;
    struct Case {
        UINT type;
        int number;
        const wchar_t* text;
        const wchar_t* expected;
    } cases[] = {
        {OutputType::PNG, 7, L"ab", L"007_ab.png"},     {OutputType::JPEG, 8, L"a:b\ncd", L"008_a：b.jpg"},
        {OutputType::PDF, 9, L"x", L"009_x.pdf"},       {OutputType::SVG, 10, L"x", L"010_x.svg"},
        {OutputType::SVG_TAG, 11, L"x", L"011_x.html"}, {OutputType::EMF, 12, L"x", L"012_x.emf"},
    };
    for (const Case& c : cases) {
        COutputNameCounts used;
        s.SaveFormat.Type = c.type;
        EXPECT_EQ(std::wstring(c.expected), MakeOutputFileName(used, c.number, c.text, s));
    }
    // Naming by text alone: a device name and a repeat.
    s.FnameType = FnameType::TEXT;
    s.SaveFormat.Type = OutputType::PNG;
    COutputNameCounts used;
    EXPECT_EQ(L"Con_.png", MakeOutputFileName(used, 1, L"Con", s));
    EXPECT_EQ(L"con_ (2).png", MakeOutputFileName(used, 2, L"con", s));
}

} // namespace

TEST(OutputFileNameTest, AUnitInAMessageIsItsFirstLineCutToFewCharacters)
{
    const std::wstring a31(31, L'a');
    const std::pair<std::wstring, std::wstring> cases[] = {
        {L"short", L"short"},
        {L"first\nsecond", L"first\u2026"},
        {a31 + L"bc", a31 + L"b\u2026"},
        {a31 + L"\U00020B9F", a31 + L"\u2026"},  // the pair is not split
    };
    for (const auto& c : cases) {
        const my::CException e = ThrownError([&] { ThrowOutputTooLargeForMemory(L"C:\\f.svg", 7, c.first); });
        EXPECT_EQ(Narrow(CSimpleErr::Format(IDS_OUTPUT_TOO_LARGE_FOR_MEMORY, L"C:\\f.svg", L"7", c.second)),
                  Narrow(e.message));
    }
}
