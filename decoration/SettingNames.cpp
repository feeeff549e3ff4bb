#include "decoration/SettingNames.h"
#include "foundation/Error.h"

namespace {

// Plain constant arrays: initialised at compile time, so no file's static
// initialisation can see them half built.
const wchar_t* const kFnameType[] = {L"SEQ_TEXT", L"SEQ", L"TEXT"};
const wchar_t* const kTextUnit[] = {L"CHAR", L"LINE", L"PARAGRAPH"};
const wchar_t* const kOutputType[] = {L"PNG", L"JPEG", L"PDF", L"SVG", L"SVG_TAG", L"EMF"};
const wchar_t* const kPaintType[] = {L"MONO", L"LINEAR", L"TEXTURE"};
const wchar_t* const kImageFitType[] = {L"FIT_WIDTH", L"FIT_HEIGHT", L"FIT_BOTH", L"CUSTOM_RATE"};
const wchar_t* const kTrimType[] = {L"TRIM_L", L"TRIM_T", L"TRIM_R", L"TRIM_B"};
const wchar_t* const kFontType3[] = {L"UNDEF", L"RASTER", L"VECTOR"};
const wchar_t* const kFontWeight4[] = {L"UNDEF", L"NORMAL", L"LIGHTER", L"BOLDER"};
// "OFF" before "ON": the opposite order of the three-state names.
const wchar_t* const kFontItalic3[] = {L"UNDEF", L"OFF", L"ON"};

template <size_t N>
constexpr UINT CountOf(const wchar_t* const (&)[N]) { return static_cast<UINT>(N); }

const CNameTable kFnameTypeTable = {L"FnameType", kFnameType, CountOf(kFnameType)};
const CNameTable kTextUnitTable = {L"TextUnit", kTextUnit, CountOf(kTextUnit)};
const CNameTable kOutputTypeTable = {L"OutputType", kOutputType, CountOf(kOutputType)};
const CNameTable kPaintTypeTable = {L"PaintType", kPaintType, CountOf(kPaintType)};
const CNameTable kImageFitTypeTable = {L"ImageFitType", kImageFitType, CountOf(kImageFitType)};
const CFlagTable kTrimTypeTable = {L"TrimType", kTrimType, CountOf(kTrimType)};
const CNameTable kFontType3Table = {L"FontType3", kFontType3, CountOf(kFontType3)};
const CNameTable kFontWeight4Table = {L"FontWeight4", kFontWeight4, CountOf(kFontWeight4)};
const CNameTable kFontItalic3Table = {L"FontItalic3", kFontItalic3, CountOf(kFontItalic3)};

// An empty name is shown as "": left empty, the message would seem to have
// lost a word.
std::wstring Shown(const std::wstring& name) { return name.empty() ? L"\"\"" : name; }

} // namespace

std::wstring CNameTable::ToName(UINT value) const
{
    if (value >= Count)
        ThrowUnknownValue(TypeName, UInt64ToWString(value));
    return Names[value];
}

std::wstring CNameTable::ToName(int value) const
{
    if (value < 0)
        ThrowUnknownValue(TypeName, NumberToWString(value));
    return ToName(static_cast<UINT>(value));
}

int CNameTable::Find(const std::wstring& name) const
{
    for (UINT i = 0; i < Count; ++i)
        if (name == Names[i])
            return static_cast<int>(i);
    return -1;
}

UINT CNameTable::FromName(const std::wstring& name) const
{
    const int i = Find(name);
    if (i < 0)
        ThrowUnknownName(TypeName, Shown(name));
    return static_cast<UINT>(i);
}

std::wstring CFlagTable::ToNames(UINT flags) const
{
    const UINT extra = flags & ~Mask();
    if (extra != 0) {
        wchar_t hex[16];
        swprintf(hex, 16, L"0x%x", extra);
        ThrowUnknownValue(TypeName, hex);
    }
    std::wstring text;
    for (UINT i = 0; i < Count; ++i) {
        if (flags & (1u << i)) {
            if (!text.empty())
                text += L'|';
            text += Names[i];
        }
    }
    return text;
}

UINT CFlagTable::FromNames(const std::wstring& text) const
{
    UINT flags = 0;
    if (text.empty())
        return flags;
    size_t begin = 0;
    for (;;) {
        const size_t end = text.find(L'|', begin);
        const std::wstring piece = text.substr(begin, end == std::wstring::npos ? std::wstring::npos : end - begin);
        UINT i = 0;
        while (i < Count && piece != Names[i])
            ++i;
        if (i == Count)
            ThrowUnknownName(TypeName, Shown(piece));
        flags |= 1u << i;
        if (end == std::wstring::npos)
            break;
        begin = end + 1;
    }
    return flags;
}

const CNameTable& FnameTypeNames() { return kFnameTypeTable; }
const CNameTable& TextUnitNames() { return kTextUnitTable; }
const CNameTable& OutputTypeNames() { return kOutputTypeTable; }
const CNameTable& PaintTypeNames() { return kPaintTypeTable; }
const CNameTable& ImageFitTypeNames() { return kImageFitTypeTable; }
const CFlagTable& TrimTypeFlags() { return kTrimTypeTable; }
const CNameTable& FontType3Names() { return kFontType3Table; }
const CNameTable& FontWeight4Names() { return kFontWeight4Table; }
const CNameTable& FontItalic3Names() { return kFontItalic3Table; }
