#include "decoration/Setting.h"
#include "decoration/NamedEffects.h"
#include "decoration/RegistryForm.h"
#include "foundation/ResourceString.h"
#include "foundation/StringUtil.h"
#include "platform/RegKey.h"
#include "resources/strings_decoration.h"
#include <shlobj.h>

namespace {

// Characters a file name cannot hold, and what stands in for each: the
// full-width forms, and a low line for TAB.
const wchar_t kNameFrom[] = L"\\/:*?\"<>|\t";
const wchar_t kNameTo[] = L"\xFFE5\xFF0F\xFF1A\xFF0A\xFF1F\x201D\xFF1C\xFF1E\xFF5C_";

// Characters that make no honest file name: controls (the file system
// refuses them), the bidirectional embeddings, overrides and isolates (U+202E
// makes "abc.exe.png" read backwards) and a surrogate without its partner
// (no character at all). Each becomes a low line, as TAB does.
void ReplaceDishonestChars(std::wstring& text)
{
    for (size_t i = 0; i < text.size(); ++i) {
        const wchar_t c = text[i];
        if (IsHighSurrogate(c) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
            ++i;
            continue;
        }
        if (c < 0x20 || c == 0x7F || (c >= 0x80 && c < 0xA0) || (c >= 0x202A && c <= 0x202E) ||
            (c >= 0x2066 && c <= 0x2069) || IsHighSurrogate(c) || IsLowSurrogate(c))
            text[i] = L'_';
    }
}

} // namespace

CSetting::CSetting()
    : UseBorderings(kDecorationRows, TRUE), Borderings(kDecorationRows)
{
    AssignResourceString(Text, IDS_DEFAULT_TEXT);
}

std::wstring CSetting::MakeFileTitle(int number, const std::wstring& unitText) const
{
    std::wstring title;
    if (FnameType == FnameType::SEQ_TEXT || FnameType == FnameType::SEQ) {
        title = std::to_wstring(number);
        // The width is limited on reading; keep a stray value from building
        // a giant name all the same.
        const int width = ClampInt(FnameSeqWidth, 0, limits::kMaxSeqWidth);
        const bool negative = number < 0;
        const size_t digits = title.size() - (negative ? 1 : 0);
        if (static_cast<size_t>(width) > digits)
            title.insert(negative ? 1 : 0, static_cast<size_t>(width) - digits, L'0');
        if (FnameType == FnameType::SEQ)
            return title;
        title += L'_';
    }
    std::wstring text = unitText.substr(0, unitText.find(L'\n'));
    TranslateChars(text, kNameFrom, kNameTo);
    ReplaceDishonestChars(text);
    return title + text;
}

std::wstring CSetting::GetOutputFolder() const
{
    if (!FolderPath.empty())
        return FolderPath;
    wchar_t path[MAX_PATH] = {};
    if (!SHGetSpecialFolderPathW(nullptr, path, CSIDL_MYPICTURES, TRUE))
        return std::wstring();
    return path;
}

bool CSetting::IsSingleOutputFile() const
{
    return SingleFile && (SaveFormat.Type == OutputType::PDF || SaveFormat.Type == OutputType::SVG_TAG);
}

std::wstring CSetting::GetProductKeyPath()
{
    return L"Software\\" + LoadResourceString(IDS_MAKER) + L"\\" + LoadResourceString(IDS_PRODUCT) + L"32";
}

bool CSetting::ImportRegistry()
{
    return ImportRegistryFrom(HKEY_CURRENT_USER, GetProductKeyPath());
}

bool CSetting::ImportRegistryFrom(HKEY root, const std::wstring& productKeyPath)
{
    // First-start rows: the smallest white outline, the red outline, the
    // white outline, the glow and the shadow, whatever the registry holds.
    const int presetRows[kDecorationRows] = {IDS_PRESET_WHITE_THIN, IDS_PRESET_RED, IDS_PRESET_WHITE,
                                             IDS_PRESET_GLOW, IDS_PRESET_SHADOW};
    for (size_t i = 0; i < kDecorationRows && i < Borderings.size(); ++i) {
        boost::shared_ptr<CBorderingSetting> preset = GetNamedEffects().FindById(presetRows[i]);
        if (preset)
            Borderings[i] = *preset;
    }

    CRegKey product;
    if (product.Create(root, productKeyPath.c_str(), nullptr, REG_OPTION_NON_VOLATILE, KEY_READ | KEY_WRITE) !=
        ERROR_SUCCESS)
        return false;
    CRegKey key;
    if (key.Open(root, (productKeyPath + L"\\Setting").c_str(), KEY_READ) != ERROR_SUCCESS)
        return false;
    const bool ok = regform::ReadKey(*this, key);
    // Older versions stored any number; the settings file accepts only the
    // named values, and a value it refuses would make every later save fail.
    ClampFields(*this);
    return ok;
}
