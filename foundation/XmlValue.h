// Text forms of stored values: fixed-point decimals, plain integers,
// hexadecimal words and bytes, four-part versions and three-valued states.
// The XML document, the settings and the dialogs read and write numbers
// through these. Parsers return true when the whole text was accepted and
// leave the out value unchanged otherwise (ParseHexBytes may leave a partial
// result). Nothing here depends on the user's regional settings.
#pragma once
#include <windows.h>
#include <string>
#include <vector>

// v / 10^decimals; "[+|-]digits[.[digits]]", fraction cut (not rounded) or
// padded to `decimals` digits. ".5", " 1", "1e3" are refused, and so is any
// value outside the 32-bit signed range.
bool ParseFixedPoint(int& out, const std::wstring& text, int decimals);
// Fixed point with no decimals: a fraction is accepted and dropped.
bool ParseLong(long& out, const std::wstring& text);
// As ParseLong without a minus sign, up to the full unsigned range.
bool ParseSizeT(size_t& out, const std::wstring& text);

// Any number of hexadecimal digits, walked from the right; digits beyond the
// width wrap around, an empty text is 0.
bool ParseHexDword(DWORD& out, const std::wstring& text);
bool ParseHexWord(WORD& out, const std::wstring& text);
bool ParseHexByte(BYTE& out, const std::wstring& text);
// Two digits per byte; an odd count is refused.
bool ParseHexBytes(std::vector<BYTE>& out, const std::wstring& text);
bool ParseHexBytes(std::string& out, const std::wstring& text);

// "a.b.c.d", each part 0 to 255, highest byte first.
bool ParseVersionDword(DWORD& out, const std::wstring& text);
std::wstring FormatVersionDword(DWORD version);
void VersionDwordToBytes(DWORD version, std::vector<BYTE>& out);
DWORD VersionBytesToDword(const BYTE* bytes);
// False unless the vector holds exactly four bytes.
bool VersionBytesToDword(const std::vector<BYTE>& bytes, DWORD& out);

// The text without the characters XML 1.0 cannot carry: U+0000-U+0008,
// U+000B, U+000C, U+000E-U+001F, U+FFFE, U+FFFF and surrogates that are not
// part of a pair (a pair is one character and stays). Every text an XML
// document of ours holds passes through it, so that the document reads back
// as written, less these characters.
std::wstring XmlCarriableText(const std::wstring& text);

// Appends the pieces between any of the separator characters, empty pieces
// kept; an empty text appends nothing.
void SplitStringAt(std::vector<std::wstring>& out, const std::wstring& text, const std::wstring& separators);

// Trailing fraction zeros are cut unless keepZeros: (150, 2) gives "1.5",
// (100, 2) gives "1", (100, 2, true) gives "1.00", (-5, 1) gives "-0.5".
std::wstring FormatFixedPoint(int value, int decimals, bool keepZeros = false);
std::wstring FormatInt(int value);
std::wstring FormatLong(long value);
std::wstring UIntToString(unsigned int value);
// A real number as the settings, SVG and the registry store it: six
// significant digits, trailing zeros dropped, an exponent below 1e-4 and from
// 1e6 ("0.5", "123457", "1e+06"), and a point for the decimal mark whatever
// locale the program has made global.
std::wstring FormatReal(double value);
std::wstring FloatToWString(float value);  // FormatReal of the widened value

// Three-valued setting: 0 "UNDEF", 1 "ON", 2 "OFF".
enum C3State { C3STATE_UNDEF = 0, C3STATE_ON = 1, C3STATE_OFF = 2 };
// Throws IDS_UNKNOWN_VALUE for a value that is not a state.
std::wstring C3StateToString(int value);
// Throws IDS_UNKNOWN_NAME for a name that is not a state (names are case-sensitive).
int C3StateFromString(const std::wstring& name);
// The state of the name, or -1.
int FindC3State(const std::wstring& name);

// Lookups in a named-entry table (a sequence of pointers to entries with
// `name` and `value`): the index of the first match, or -1.
template <class Table>
int FindNamedEntryByName(const Table& table, const std::wstring& name)
{
    int index = 0;
    for (const auto& entry : table) {
        if (entry->name == name)
            return index;
        ++index;
    }
    return -1;
}

template <class Table, class Value>
int FindNamedEntryByValue(const Table& table, Value value)
{
    int index = 0;
    for (const auto& entry : table) {
        if (entry->value == value)
            return index;
        ++index;
    }
    return -1;
}
