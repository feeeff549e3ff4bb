#include "decoration/Setting.h"
#include "decoration/NamedEffects.h"
#include "decoration/RegistryForm.h"
#include "decoration/SettingLimits.h"
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

namespace {

// "Count" and one numbered subkey per entry. The list grows to "Count"
// (capped: a damaged count must not allocate billions of rows) and is
// never shrunk; true only when every entry was read.
template <class T, class ReadEntry>
bool LoadRegistryList(std::vector<T>& list, HKEY settingKey, const std::wstring& listPath,
                      ReadEntry readEntry)
{
    CRegKey key;
    if (key.Open(settingKey, listPath.c_str(), KEY_READ) != ERROR_SUCCESS)
        return false;
    DWORD count = 0;
    if (!regform::ReadDword(key, L"Count", count))
        count = 0;
    if (count > limits::kMaxListCount)
        count = limits::kMaxListCount;
    if (list.size() < count)
        list.resize(count, T());
    bool ok = true;
    for (DWORD i = 0; i < count && i < list.size(); ++i)
        ok = readEntry(list[i], regform::IndexedPath(listPath, i)) && ok;
    return ok;
}

} // namespace

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

    using namespace regform;
    bool ok = ReadString(key, L"ConfigPath", ConfigPath);
    ok = ReadUInt(key, L"Unit", Unit) && ok;
    ok = QueryRawDword(key, L"BkColor", BkColor) && ok;
    ok = ReadBool(key, L"Transparent", Transparent) && ok;
    ok = ReadBool(key, L"SingleFile", SingleFile) && ok;
    ok = ReadString(key, L"FolderPath", FolderPath) && ok;
    ok = ReadUInt(key, L"FnameType", FnameType) && ok;
    ok = ReadInt(key, L"FnameSeqWidth", FnameSeqWidth) && ok;
    DWORD trim = TrimType;
    ok = QueryRawDword(key, L"TrimType", trim) && ok;
    TrimType = trim;
    ok = LoadWindowLayoutRegistry(WindowLayout, key) && ok;
    ok = FontSetting.LoadRegistry(key, L"Font") && ok;
    ok = LoadRegistryList(UseBorderings, key, L"UseBorderings",
                          [&key](BYTE& use, const std::wstring& path) {
                              CRegKey entry;
                              bool value = false;
                              if (entry.Open(key, path.c_str(), KEY_READ) != ERROR_SUCCESS ||
                                  !ReadBool(entry, nullptr, value))
                                  return false;
                              use = value ? TRUE : FALSE;
                              return true;
                          }) &&
         ok;
    ok = LoadRegistryList(Borderings, key, L"Borderings",
                          [&key](CBorderingSetting& b, const std::wstring& path) {
                              return b.Load(path, key);
                          }) &&
         ok;
    ok = SaveFormat.Load(L"SaveFormat", key) && ok;
    // Versions before the face paint drew the face in the font's colour.
    PaintSetting.Color = FontSetting.Color;
    PaintSetting.Load(L"Paint", key);  // optional
    // Older versions stored any number; the settings file accepts only the
    // named values, and a value it refuses would make every later save fail.
    NormalizeSetting(*this);
    return ok;
}

void ClampFontSetting(CFontSetting& font)
{
    font.Size = ClampInt(font.Size, 1, limits::kMaxFontSize);
    font.Alpha = ClampInt(font.Alpha, 0, 100);
    font.Weight = ClampInt(font.Weight, 0, 1000);
    font.CharWidth = ClampInt(font.CharWidth, -limits::kMaxSpacing, limits::kMaxSpacing);
    font.LineWidth = ClampInt(font.LineWidth, -limits::kMaxSpacing, limits::kMaxSpacing);
    font.LeadingWidth = ClampInt(font.LeadingWidth, -limits::kMaxSpacing, limits::kMaxSpacing);
    font.Color &= 0x00FFFFFF;
}

void NormalizeSetting(CSetting& s)
{
    if (s.Unit >= TextUnit::Count)
        s.Unit = TextUnit::LINE;
    // Every value beyond the table names by text (see MakeFileTitle), so
    // it becomes TEXT: the same names, and a value the file can hold.
    if (s.FnameType >= FnameType::Count)
        s.FnameType = FnameType::TEXT;
    if (s.SaveFormat.Type >= OutputType::Count)
        s.SaveFormat.Type = OutputType::PNG;
    // Only the four named sides mean anything; stray bits are dropped.
    s.TrimType &= TrimType::All;
    s.SaveFormat.JpegQuality = ClampInt(s.SaveFormat.JpegQuality, 0, 100);
    s.FnameSeqWidth = ClampInt(s.FnameSeqWidth, 0, limits::kMaxSeqWidth);
    s.BkColor &= 0x00FFFFFF;
    ClampFontSetting(s.FontSetting);
    NormalizePaintEnums(s.PaintSetting);
    ClampPaint(s.PaintSetting);
    for (CBorderingSetting& b : s.Borderings) {
        NormalizePaintEnums(b.Paint);
        ClampBordering(b);
    }
    s.FontListDlg.Size = ClampInt(s.FontListDlg.Size, 1, 1000);
}
