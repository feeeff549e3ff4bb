#include "foundation/XmlValue.h"
#include "foundation/Error.h"
#include "resources/strings_foundation.h"
#include "tests/common/TestSupport.h"
#include <gtest/gtest.h>
#include <boost/shared_ptr.hpp>
#include <climits>
#include <locale>
#include <sstream>

namespace {

struct FixedCase {
    const wchar_t* text;
    int decimals;
    bool ok;
    int value;
};

const FixedCase kFixedCases[] = {
    {L"12", 1, true, 120},
    {L"12.", 1, true, 120},
    {L"+1.25", 1, true, 12},   // cut, not rounded
    {L"1.29", 1, true, 12},
    {L"-0.5", 1, true, -5},
    {L"-0", 0, true, 0},
    {L"7", 3, true, 7000},
    {L"0.05", 3, true, 50},
    {L"214748364.7", 1, true, INT_MAX},
    {L"214748364.8", 1, false, 0},
    {L"-214748364.8", 1, true, INT_MIN},
    {L"-214748364.9", 1, false, 0},
    {L"2147483647", 0, true, INT_MAX},
    {L"2147483648", 0, false, 0},
    {L"-2147483648", 0, true, INT_MIN},
    {L"99999999999999999999999", 0, false, 0},  // beyond 64 bits too
    {L"0.000000000000000000001", 2, true, 0},     // long fraction cut to two digits
    {L"1", 12, false, 0},                          // 10^12 leaves the range
    {L"0", 40, true, 0},
    {L".5", 1, false, 0},
    {L"1e3", 1, false, 0},
    {L" 1", 1, false, 0},
    {L"1 ", 1, false, 0},
    {L"1,5", 1, false, 0},
    {L"", 1, false, 0},
    {L"+", 0, false, 0},
    {L"-", 0, false, 0},
    {L"+-1", 0, false, 0},
    {L"1..0", 1, false, 0},
    {L"1.2.3", 1, false, 0},
    {L"\uFF11", 0, false, 0},  // full-width digit
    {L"1", -1, false, 0},
};

} // namespace

TEST(XmlValue, ParseFixedPointTable)
{
    for (const FixedCase& c : kFixedCases) {
        int out = 12345;
        bool ok = ParseFixedPoint(out, c.text, c.decimals);
        SCOPED_TRACE(testing::Message() << "text #" << (&c - kFixedCases) << " d=" << c.decimals);
        EXPECT_EQ(c.ok, ok);
        EXPECT_EQ(c.ok ? c.value : 12345, out);  // unchanged on failure
    }
}

TEST(XmlValue, FormatFixedPointTable)
{
    struct Case {
        int value;
        int decimals;
        bool keepZeros;
        const wchar_t* text;
    } const cases[] = {
        {150, 2, false, L"1.5"},     {100, 2, false, L"1"},       {100, 2, true, L"1.00"},
        {-5, 1, false, L"-0.5"},     {-5, 1, true, L"-0.5"},      {7, 0, false, L"7"},
        {7, 0, true, L"7"},          {5, 3, false, L"0.005"},     {5, 3, true, L"0.005"},
        {-10, 1, false, L"-1"},      {-10, 1, true, L"-1.0"},     {0, 2, false, L"0"},
        {0, 2, true, L"0.00"},       {1050, 3, false, L"1.05"},   {INT_MIN, 1, false, L"-214748364.8"},
        {INT_MIN, 0, false, L"-2147483648"}, {INT_MAX, 0, false, L"2147483647"},
        {-7, -2, true, L"-7"},       {1, 20, false, L"0.00000000000000000001"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(std::wstring(c.text), FormatFixedPoint(c.value, c.decimals, c.keepZeros))
            << c.value << " " << c.decimals << " " << c.keepZeros;
}

TEST(XmlValue, FixedPointRoundTrip)
{
    const int values[] = {0, 1, -1, 9, 10, -99, 100, 12345, INT_MAX, INT_MIN, INT_MIN + 1};
    for (int d = 0; d <= 4; ++d) {
        for (int v : values) {
            for (bool keep : {false, true}) {
                int back = 0;
                ASSERT_TRUE(ParseFixedPoint(back, FormatFixedPoint(v, d, keep), d)) << v << " " << d;
                EXPECT_EQ(v, back);
            }
        }
    }
}

TEST(XmlValue, LongAndSizeT)
{
    long l = 3;
    EXPECT_TRUE(ParseLong(l, L"-1.9"));
    EXPECT_EQ(-1, l);
    EXPECT_TRUE(ParseLong(l, L"7.9"));
    EXPECT_EQ(7, l);
    EXPECT_FALSE(ParseLong(l, L"2147483648"));
    EXPECT_EQ(7, l);

    size_t s = 5;
    EXPECT_FALSE(ParseSizeT(s, L"-1"));
    EXPECT_EQ(5u, s);
    EXPECT_TRUE(ParseSizeT(s, L"+4294967295.99"));
    EXPECT_EQ(4294967295u, s);
    EXPECT_FALSE(ParseSizeT(s, L"4294967296"));
    EXPECT_TRUE(ParseSizeT(s, L"12."));
    EXPECT_EQ(12u, s);
    EXPECT_FALSE(ParseSizeT(s, L".1"));
}

TEST(XmlValue, HexParsers)
{
    DWORD d = 1;
    EXPECT_TRUE(ParseHexDword(d, L"DeadBeef"));
    EXPECT_EQ(0xDEADBEEFu, d);
    EXPECT_TRUE(ParseHexDword(d, L"123456789"));  // wraps: the top digit is lost
    EXPECT_EQ(0x23456789u, d);
    EXPECT_TRUE(ParseHexDword(d, L""));
    EXPECT_EQ(0u, d);
    d = 7;
    EXPECT_FALSE(ParseHexDword(d, L"0x12"));
    EXPECT_FALSE(ParseHexDword(d, L"12 "));
    EXPECT_FALSE(ParseHexDword(d, L"g"));
    EXPECT_EQ(7u, d);

    WORD w = 0;
    EXPECT_TRUE(ParseHexWord(w, L"12345"));
    EXPECT_EQ(0x2345, w);
    EXPECT_TRUE(ParseHexWord(w, std::wstring(100, L'f')));
    EXPECT_EQ(0xFFFF, w);

    BYTE b = 0;
    EXPECT_TRUE(ParseHexByte(b, L"fF"));
    EXPECT_EQ(0xFF, b);
    EXPECT_TRUE(ParseHexByte(b, L"a"));
    EXPECT_EQ(0x0A, b);
}

TEST(XmlValue, HexBytes)
{
    std::vector<BYTE> v;
    EXPECT_FALSE(ParseHexBytes(v, L"0a1"));
    EXPECT_TRUE(ParseHexBytes(v, L"0A1b"));
    EXPECT_EQ((std::vector<BYTE>{0x0A, 0x1B}), v);
    EXPECT_TRUE(ParseHexBytes(v, L""));
    EXPECT_TRUE(v.empty());
    EXPECT_FALSE(ParseHexBytes(v, L"01zz02"));

    std::string s;
    EXPECT_TRUE(ParseHexBytes(s, L"00FF41"));
    EXPECT_EQ(std::string("\0\xFF" "A", 3), s);
}

TEST(XmlValue, Versions)
{
    struct Case {
        const wchar_t* text;
        bool ok;
        DWORD value;
    } const cases[] = {
        {L"2.4.1.0", true, 0x02040100u}, {L"255.255.255.255", true, 0xFFFFFFFFu},
        {L"0.0.0.0", true, 0},           {L"+1.2.3.4", true, 0x01020304u},
        {L"2.4.1", false, 0},            {L"2.4.1.0.0", false, 0},
        {L"2.256.0.0", false, 0},        {L"2..1.0", false, 0},
        {L"-1.0.0.0", false, 0},         {L"", false, 0},
        {L"1.2.3.4.", false, 0},         {L"a.b.c.d", false, 0},
    };
    for (const Case& c : cases) {
        DWORD v = 0xABCDu;
        EXPECT_EQ(c.ok, ParseVersionDword(v, c.text)) << Narrow(c.text);
        EXPECT_EQ(c.ok ? c.value : 0xABCDu, v);
    }
    EXPECT_EQ(L"2.4.1.0", FormatVersionDword(0x02040100u));
    EXPECT_EQ(L"255.0.128.7", FormatVersionDword(0xFF008007u));

    std::vector<BYTE> bytes;
    VersionDwordToBytes(0x01020304u, bytes);
    EXPECT_EQ((std::vector<BYTE>{1, 2, 3, 4}), bytes);
    DWORD back = 0;
    EXPECT_TRUE(VersionBytesToDword(bytes, back));
    EXPECT_EQ(0x01020304u, back);
    bytes.push_back(5);
    EXPECT_FALSE(VersionBytesToDword(bytes, back));
}

// The writer's own rule, apart from any parser (Wine's drops U+000B itself,
// so a round trip keeps passing when the rule lets it through): each class
// at its edges, kept or left out; a surrogate is kept only in its pair.
TEST(XmlValue, CarriableTextTable)
{
    const struct { std::wstring in, out; } cases[] = {
        {std::wstring(L"a\0b", 3), L"ab"},
        {L"\x1\x8\xB\xC\xE\x1F", L""},
        {L"\t\n\r \x7F", L"\t\n\r \x7F"},
        {L"\xD7FF\xE000\xFFFD", L"\xD7FF\xE000\xFFFD"},
        {L"x\xFFFEy\xFFFF", L"xy"},
        {L"\xD800\xDC00|\xDBFF\xDFFF", L"\xD800\xDC00|\xDBFF\xDFFF"},
        {L"\xD800x\xDC00\xDBFF", L"x"},
        {L"\xDC00\xD800\xDC00", L"\xD800\xDC00"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.out, XmlCarriableText(c.in)) << Narrow(c.in);
}

TEST(XmlValue, SplitStringAtKeepsEmptyPieces)
{
    struct Case {
        const wchar_t* text;
        const wchar_t* separators;
        std::vector<std::wstring> pieces;
    } const cases[] = {
        {L"1.5,3", L".,", {L"1", L"5", L"3"}},
        {L"a||b", L"|", {L"a", L"", L"b"}},
        {L"a|", L"|", {L"a", L""}},
        {L"|", L"|", {L"", L""}},
        {L"", L"|", {}},
        {L"abc", L"", {L"abc"}},
    };
    for (const Case& c : cases) {
        std::vector<std::wstring> out;
        SplitStringAt(out, c.text, c.separators);
        EXPECT_EQ(c.pieces, out) << Narrow(c.text);
    }
    std::vector<std::wstring> out{L"kept"};
    SplitStringAt(out, L"x", L",");
    EXPECT_EQ((std::vector<std::wstring>{L"kept", L"x"}), out);
}

TEST(XmlValue, NumberTexts)
{
    EXPECT_EQ(L"-2147483648", FormatInt(INT_MIN));
    EXPECT_EQ(L"1234567", FormatInt(1234567));  // never grouped
    EXPECT_EQ(L"-2147483648", FormatLong(LONG_MIN));
    EXPECT_EQ(L"4294967295", UIntToString(4294967295u));
    EXPECT_EQ(L"0.5", FloatToWString(0.5f));
    EXPECT_EQ(L"1e+07", FloatToWString(1e7f));
    EXPECT_EQ(L"3.14159", FloatToWString(3.1415926f));
}

// A locale that writes 1234.5 as "1.234,5", as a user's regional settings may.
struct CCommaDecimals : std::numpunct<wchar_t> {
    wchar_t do_decimal_point() const override { return L','; }
    wchar_t do_thousands_sep() const override { return L'.'; }
    std::string do_grouping() const override { return "\3"; }
};

class CGlobalLocaleScope {
public:
    explicit CGlobalLocaleScope(const std::locale& locale) : m_previous(std::locale::global(locale)) {}
    ~CGlobalLocaleScope() { std::locale::global(m_previous); }
private:
    std::locale m_previous;
};

// Settings files, SVG and the registry read these texts back: the program's
// global locale must not reach them.
TEST(XmlValue, FormatRealTable)
{
    const struct {
        double value;
        const wchar_t* text;
    } cases[] = {
        {0, L"0"},
        {0.5, L"0.5"},
        {-2.5, L"-2.5"},
        {1.0 / 3, L"0.333333"},
        {123456.7, L"123457"},    // rounded to six digits
        {1000000, L"1e+06"},      // from 1e6 an exponent
        {1234567, L"1.23457e+06"},
        {0.0001, L"0.0001"},
        {0.00001, L"1e-05"},      // below 1e-4 an exponent
        {0.1f, L"0.1"},           // a float widened keeps its short text
        {1234.5, L"1234.5"},      // no grouping, a point
    };
    CGlobalLocaleScope comma(std::locale(std::locale::classic(), new CCommaDecimals));
    std::wostringstream plain;
    plain << 1234.5;
    ASSERT_EQ(L"1.234,5", plain.str());  // the locale is in force
    for (const auto& c : cases)
        EXPECT_EQ(c.text, FormatReal(c.value)) << c.value;
}

TEST(XmlValue, C3States)
{
    EXPECT_EQ(L"UNDEF", C3StateToString(0));
    EXPECT_EQ(L"ON", C3StateToString(1));
    EXPECT_EQ(L"OFF", C3StateToString(2));
    EXPECT_EQ(2, C3StateFromString(L"OFF"));
    EXPECT_EQ(-1, FindC3State(L"on"));
    EXPECT_EQ(-1, FindC3State(L"ON "));
    for (int bad : {3, -1}) {
        try {
            C3StateToString(bad);
            ADD_FAILURE() << bad;
        } catch (const my::CException& e) {
            EXPECT_EQ(UINT(IDS_UNKNOWN_VALUE), e.id);
            EXPECT_EQ(L"C3State として不明な値 " + std::to_wstring(bad) + L" が指定されました", e.message);
        }
    }
    try {
        C3StateFromString(L"on");
        ADD_FAILURE();
    } catch (const my::CException& e) {
        EXPECT_EQ(UINT(IDS_UNKNOWN_NAME), e.id);
        EXPECT_EQ(L"C3State として不明な名前 on が指定されました", e.message);
    }
}

TEST(XmlValue, NamedEntryLookups)
{
    struct Entry {
        std::wstring name;
        int value;
    };
    std::vector<boost::shared_ptr<Entry>> table{
        boost::shared_ptr<Entry>(new Entry{L"PNG", 0}), boost::shared_ptr<Entry>(new Entry{L"JPEG", 1}),
        boost::shared_ptr<Entry>(new Entry{L"Jpeg", 1})};
    EXPECT_EQ(1, FindNamedEntryByName(table, L"JPEG"));
    EXPECT_EQ(2, FindNamedEntryByName(table, L"Jpeg"));
    EXPECT_EQ(-1, FindNamedEntryByName(table, L"png"));
    EXPECT_EQ(1, FindNamedEntryByValue(table, 1));
    EXPECT_EQ(-1, FindNamedEntryByValue(table, 7));
}
