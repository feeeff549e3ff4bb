#include "foundation/XmlValue.h"
#include "foundation/Error.h"
#include "foundation/StringUtil.h"
#include <climits>
#include <locale>
#include <sstream>

namespace {

bool IsAsciiDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

// Reads "[+|-]digits[.[digits]]" as a sign and the magnitude scaled by
// 10^decimals, the fraction cut or padded to `decimals` digits (no rounding).
// The magnitude is built in 64 bits and refused as soon as it passes `limit`
// (at most 2^32), so no count of digits can overflow.
bool ParseScaled(const std::wstring& text, int decimals, bool allowMinus, unsigned long long limit,
                 bool& negative, unsigned long long& magnitude)
{
    if (decimals < 0)
        return false;
    size_t i = 0;
    const size_t n = text.size();
    negative = false;
    if (i < n && (text[i] == L'+' || (allowMinus && text[i] == L'-'))) {
        negative = text[i] == L'-';
        ++i;
    }
    unsigned long long m = 0;
    bool inRange = true;
    auto push = [&](unsigned digit) {
        if (inRange) {
            m = m * 10 + digit;
            inRange = m <= limit;
        }
    };
    const size_t intStart = i;
    while (i < n && IsAsciiDigit(text[i]))
        push(static_cast<unsigned>(text[i++] - L'0'));
    if (i == intStart)
        return false;  // no integer digit: ".5", "+", ""
    int fractionDigits = 0;
    if (i < n && text[i] == L'.') {
        ++i;
        for (; i < n && IsAsciiDigit(text[i]); ++i) {
            if (fractionDigits < decimals) {
                push(static_cast<unsigned>(text[i] - L'0'));
                ++fractionDigits;
            }
        }
    }
    if (i != n)
        return false;
    // Padding a zero changes nothing; otherwise the limit stops it within a few steps.
    for (; fractionDigits < decimals && m != 0 && inRange; ++fractionDigits)
        push(0);
    if (!inRange)
        return false;
    magnitude = m;
    return true;
}

template <class T>
bool ParseHex(T& out, const std::wstring& text)
{
    const unsigned bits = sizeof(T) * 8;
    T value = 0;
    unsigned shift = 0;
    for (size_t k = text.size(); k-- > 0;) {
        int digit = HexDigitOrMinus(text[k]);
        if (digit < 0)
            return false;
        // Digits beyond the width wrap around, that is, they add nothing.
        if (shift < bits) {
            value = static_cast<T>(value + (static_cast<T>(digit) << shift));
            shift += 4;
        }
    }
    out = value;
    return true;
}

template <class Bytes>
bool ParseHexPairs(Bytes& out, const std::wstring& text)
{
    if (text.size() % 2 != 0)
        return false;
    out.assign(text.size() / 2, 0);
    for (size_t i = 0; i < out.size(); ++i) {
        BYTE b = 0;
        if (!ParseHexByte(b, text.substr(2 * i, 2)))
            return false;
        out[i] = static_cast<typename Bytes::value_type>(b);
    }
    return true;
}

// Plain decimal whatever locale the program has made global.
template <class T>
std::wstring StreamText(T value)
{
    std::wostringstream os;
    os.imbue(std::locale::classic());
    os << value;
    return os.str();
}

const wchar_t* const kC3StateNames[3] = {L"UNDEF", L"ON", L"OFF"};

} // namespace

bool ParseFixedPoint(int& out, const std::wstring& text, int decimals)
{
    bool negative = false;
    unsigned long long m = 0;
    if (!ParseScaled(text, decimals, true, 0x80000000ull, negative, m))
        return false;
    if (!negative && m > static_cast<unsigned long long>(INT_MAX))
        return false;
    out = negative ? static_cast<int>(-static_cast<long long>(m)) : static_cast<int>(m);
    return true;
}

bool ParseLong(long& out, const std::wstring& text)
{
    int value = 0;
    if (!ParseFixedPoint(value, text, 0))
        return false;
    out = value;
    return true;
}

bool ParseSizeT(size_t& out, const std::wstring& text)
{
    bool negative = false;
    unsigned long long m = 0;
    if (!ParseScaled(text, 0, false, static_cast<unsigned long long>(SIZE_MAX), negative, m))
        return false;
    out = static_cast<size_t>(m);
    return true;
}

bool ParseHexDword(DWORD& out, const std::wstring& text) { return ParseHex(out, text); }
bool ParseHexWord(WORD& out, const std::wstring& text) { return ParseHex(out, text); }
bool ParseHexByte(BYTE& out, const std::wstring& text) { return ParseHex(out, text); }
bool ParseHexBytes(std::vector<BYTE>& out, const std::wstring& text) { return ParseHexPairs(out, text); }
bool ParseHexBytes(std::string& out, const std::wstring& text) { return ParseHexPairs(out, text); }

bool ParseVersionDword(DWORD& out, const std::wstring& text)
{
    std::vector<std::wstring> parts;
    SplitStringAt(parts, text, L".");
    if (parts.size() != 4)
        return false;
    DWORD value = 0;
    for (const std::wstring& part : parts) {
        int n = 0;
        if (!ParseFixedPoint(n, part, 0) || n < 0 || n > 255)
            return false;
        value = (value << 8) | static_cast<DWORD>(n);
    }
    out = value;
    return true;
}

std::wstring FormatVersionDword(DWORD version)
{
    return StreamText(version >> 24) + L"." + StreamText((version >> 16) & 0xFF) + L"." +
           StreamText((version >> 8) & 0xFF) + L"." + StreamText(version & 0xFF);
}

void VersionDwordToBytes(DWORD version, std::vector<BYTE>& out)
{
    out.assign({static_cast<BYTE>(version >> 24), static_cast<BYTE>(version >> 16),
                static_cast<BYTE>(version >> 8), static_cast<BYTE>(version)});
}

DWORD VersionBytesToDword(const BYTE* bytes)
{
    return (static_cast<DWORD>(bytes[0]) << 24) | (static_cast<DWORD>(bytes[1]) << 16) |
           (static_cast<DWORD>(bytes[2]) << 8) | bytes[3];
}

bool VersionBytesToDword(const std::vector<BYTE>& bytes, DWORD& out)
{
    if (bytes.size() != 4)
        return false;
    out = VersionBytesToDword(bytes.data());
    return true;
}

namespace {

// A whole character XML may hold; a surrogate is judged with its partner.
bool IsXmlCharacterUnit(wchar_t c)
{
    return c == L'\t' || c == L'\n' || c == L'\r' || (c >= 0x20 && c < 0xD800) || (c >= 0xE000 && c <= 0xFFFD);
}

} // namespace

std::wstring XmlCarriableText(const std::wstring& text)
{
    std::wstring out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (CharLengthAt(text, i) == 2) {
            out.append(text, i, 2);
            ++i;
        } else if (IsXmlCharacterUnit(text[i])) {
            out.push_back(text[i]);
        }
    }
    return out;
}

void SplitStringAt(std::vector<std::wstring>& out, const std::wstring& text, const std::wstring& separators)
{
    if (text.empty())
        return;
    size_t start = 0;
    for (;;) {
        size_t pos = text.find_first_of(separators, start);
        if (pos == std::wstring::npos) {
            out.push_back(text.substr(start));
            return;
        }
        out.push_back(text.substr(start, pos - start));
        start = pos + 1;
    }
}

std::wstring FormatFixedPoint(int value, int decimals, bool keepZeros)
{
    long long v = value;
    long long magnitude = v < 0 ? -v : v;
    long long q = magnitude;
    long long r = 0;
    int width = decimals > 0 ? decimals : 0;
    // Beyond 18 decimals 10^d leaves 64 bits; every 32-bit value is then all fraction.
    if (width > 18) {
        q = 0;
        r = magnitude;
    } else if (width > 0) {
        long long m = 1;
        for (int i = 0; i < width; ++i)
            m *= 10;
        q = magnitude / m;
        r = magnitude % m;
    }
    std::wstring out = v < 0 ? L"-" : L"";
    out += StreamText(q);
    if (width == 0)
        return out;
    if (!keepZeros) {
        if (r == 0)
            return out;
        while (r % 10 == 0) {
            r /= 10;
            --width;
        }
    }
    std::wstring digits = StreamText(r);
    out += L".";
    if (digits.size() < static_cast<size_t>(width))
        out.append(static_cast<size_t>(width) - digits.size(), L'0');
    out += digits;
    return out;
}

std::wstring FormatInt(int value) { return StreamText(value); }
std::wstring FormatLong(long value) { return StreamText(value); }
std::wstring UIntToString(unsigned int value) { return StreamText(value); }
std::wstring FormatReal(double value) { return StreamText(value); }
std::wstring FloatToWString(float value) { return FormatReal(value); }

int FindC3State(const std::wstring& name)
{
    for (int i = 0; i < 3; ++i) {
        if (name == kC3StateNames[i])
            return i;
    }
    return -1;
}

std::wstring C3StateToString(int value)
{
    // Read as unsigned so that a negative value is refused, not used as an index.
    if (static_cast<unsigned>(value) >= 3)
        ThrowUnknownValue(L"C3State", NumberToWString(value));
    return kC3StateNames[value];
}

int C3StateFromString(const std::wstring& name)
{
    int state = FindC3State(name);
    if (state < 0)
        ThrowUnknownName(L"C3State", name);
    return state;
}
