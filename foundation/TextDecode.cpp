// Decoding a text file of undeclared encoding.
//
// The system's detection (MLang DetectInputCodepage) picks the code page and
// its single best answer is used as it stands. Where detection fails (Wine
// does not implement it), the bytes decide: a byte order mark names UTF-16LE,
// UTF-16BE or UTF-8; otherwise text that is valid UTF-8 is UTF-8, and
// anything else is taken as Shift-JIS (932), the files this program gets.
// UTF-16 is copied (byte-swapped for big-endian) by our own code; the other
// code pages go through MLang's conversion. A byte order mark never reaches
// the text.
#include "foundation/TextDecode.h"
#include "foundation/Error.h"
#include "resources/strings_foundation_io.h"

HRESULT TryCreateMultiLanguage(CComPtr<IMultiLanguage2>& ml)
{
    return ::CoCreateInstance(kClsidCMultiLanguage, nullptr, CLSCTX_ALL, kIidIMultiLanguage2,
                              reinterpret_cast<void**>(&ml));
}

void CreateMultiLanguage(CComPtr<IMultiLanguage2>& ml)
{
    HRESULT hr = TryCreateMultiLanguage(ml);
    if (FAILED(hr))
        ThrowComCreateError(hr, L"CLSID_CMultiLanguage");
}

HRESULT TryDetectInputCodepage(IMultiLanguage2* ml, const char* bytes, int count, DetectEncodingInfo& info)
{
    if (!ml)
        return E_HANDLE;
    INT size = count;
    INT scores = 1;  // room for exactly one result
    return ml->DetectInputCodepage(MLDETECTCP_NONE, 0, const_cast<char*>(bytes), &size, &info, &scores);
}

void DetectInputCodepage(IMultiLanguage2* ml, const char* bytes, int count, DetectEncodingInfo& info)
{
    HRESULT hr = TryDetectInputCodepage(ml, bytes, count, info);
    if (FAILED(hr))
        ThrowErrorCode(IDS_DETECT_CODE_PAGE_FAILED, hr);
}

HRESULT TryConvertStringToUnicode(IMultiLanguage2* ml, DWORD& mode, UINT codePage, const char* bytes,
                                  UINT count, std::wstring& text)
{
    if (!ml)
        return E_HANDLE;
    std::wstring out(static_cast<size_t>(count) + 1, L'\0');
    UINT srcSize = count;
    UINT dstSize = static_cast<UINT>(out.size());
    HRESULT hr = ml->ConvertStringToUnicode(&mode, codePage, const_cast<char*>(bytes), &srcSize, &out[0], &dstSize);
    if (FAILED(hr))
        return hr;
    // MLang answers S_FALSE for a conversion it cannot do, and leaves the
    // output empty: that would silently lose the whole text.
    if (hr != S_OK && count != 0 && dstSize == 0)
        return E_FAIL;
    out.resize(dstSize);
    text.swap(out);
    return S_OK;
}

void ConvertStringToUnicode(IMultiLanguage2* ml, DWORD& mode, UINT codePage, const char* bytes,
                            UINT count, std::wstring& text)
{
    HRESULT hr = TryConvertStringToUnicode(ml, mode, codePage, bytes, count, text);
    if (FAILED(hr))
        ThrowErrorCode(IDS_CONVERT_TO_UTF16_FAILED, hr);
}

bool IsValidUtf8(const unsigned char* s, size_t n)
{
    size_t i = 0;
    while (i < n) {
        unsigned char c = s[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        size_t extra;
        unsigned long cp;
        if (c >= 0xC2 && c <= 0xDF) { extra = 1; cp = c & 0x1F; }
        else if (c >= 0xE0 && c <= 0xEF) { extra = 2; cp = c & 0x0F; }
        else if (c >= 0xF0 && c <= 0xF4) { extra = 3; cp = c & 0x07; }
        else return false;  // a continuation byte, C0/C1 or F5 and up
        if (n - i <= extra)
            return false;
        for (size_t k = 1; k <= extra; ++k) {
            if ((s[i + k] & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (s[i + k] & 0x3F);
        }
        if ((extra == 2 && cp < 0x800) || (extra == 3 && cp < 0x10000) || cp > 0x10FFFF ||
            (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += extra + 1;
    }
    return true;
}

namespace {

size_t BomLength(const std::vector<unsigned char>& b, UINT codePage)
{
    if (codePage == 1200 && b.size() >= 2 && b[0] == 0xFF && b[1] == 0xFE)
        return 2;
    if (codePage == 1201 && b.size() >= 2 && b[0] == 0xFE && b[1] == 0xFF)
        return 2;
    if (codePage == 65001 && b.size() >= 3 && b[0] == 0xEF && b[1] == 0xBB && b[2] == 0xBF)
        return 3;
    return 0;
}

// UTF-16 of either byte order; a stray last byte shows as U+FFFD.
std::wstring DecodeUtf16(const unsigned char* p, size_t n, bool bigEndian)
{
    std::wstring out;
    out.reserve(n / 2 + 1);
    for (size_t i = 0; i + 1 < n; i += 2)
        out.push_back(static_cast<wchar_t>(bigEndian ? (p[i] << 8) | p[i + 1] : p[i] | (p[i + 1] << 8)));
    if (n % 2 != 0)
        out.push_back(L'\xFFFD');
    return out;
}

} // namespace

UINT GuessCodePage(const std::vector<unsigned char>& b)
{
    if (b.size() >= 2 && b[0] == 0xFF && b[1] == 0xFE)
        return 1200;
    if (b.size() >= 2 && b[0] == 0xFE && b[1] == 0xFF)
        return 1201;
    if (b.size() >= 3 && b[0] == 0xEF && b[1] == 0xBB && b[2] == 0xBF)
        return 65001;
    return IsValidUtf8(b.data(), b.size()) ? 65001 : 932;
}

void DecodeTextBuffer(std::wstring& text, const std::vector<unsigned char>& bytes)
{
    if (bytes.empty()) {
        text.clear();
        return;
    }
    if (bytes.size() > 0x7FFFFFFFu)
        ThrowCastErrorU64(L"size_t", L"INT", bytes.size());
    CComPtr<IMultiLanguage2> ml;
    CreateMultiLanguage(ml);

    const char* data = reinterpret_cast<const char*>(bytes.data());
    DetectEncodingInfo info = {};
    HRESULT hr = TryDetectInputCodepage(ml, data, static_cast<int>(bytes.size()), info);
    UINT codePage = SUCCEEDED(hr) && info.nCodePage != 0 ? info.nCodePage : GuessCodePage(bytes);

    size_t skip = BomLength(bytes, codePage);
    const unsigned char* p = bytes.data() + skip;
    size_t n = bytes.size() - skip;
    if (codePage == 1200 || codePage == 1201) {
        text = DecodeUtf16(p, n, codePage == 1201);
        return;
    }
    DWORD mode = 0;
    ConvertStringToUnicode(ml, mode, codePage, reinterpret_cast<const char*>(p), static_cast<UINT>(n), text);
}

std::wstring ConvertLfToCrLf(const std::wstring& text)
{
    std::wstring out;
    out.reserve(text.size() + text.size() / 8);
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'\n' && (i == 0 || text[i - 1] != L'\r'))
            out.push_back(L'\r');
        out.push_back(text[i]);
    }
    return out;
}

std::wstring ConvertCrLfToLf(const std::wstring& text)
{
    std::wstring out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n')
            continue;
        out.push_back(text[i]);
    }
    return out;
}

std::wstring NormaliseLineEndsToLf(const std::wstring& text)
{
    return ReplaceLineEnds(text, L"\n");
}

std::wstring ReplaceLineEnds(const std::wstring& text, const std::wstring& newline)
{
    std::wstring out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        wchar_t c = text[i];
        if (c == L'\r') {
            if (i + 1 < text.size() && text[i + 1] == L'\n')
                ++i;
            out += newline;
        } else if (c == L'\n') {
            out += newline;
        } else {
            out.push_back(c);
        }
    }
    return out;
}
