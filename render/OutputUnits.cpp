#include "render/OutputUnits.h"
#include "decoration/Setting.h"
#include "foundation/StringUtil.h"
#include <list>

std::vector<std::wstring> SplitTextIntoUnits(const std::wstring& text, UINT unit)
{
    std::vector<std::wstring> units;
    if (unit == 0) {
        for (size_t i = 0; i < text.size(); ++i) {
            wchar_t c = text[i];
            if (IsSpaceOrCr(c))
                continue;
            const size_t length = CharLengthAt(text, i);
            units.push_back(text.substr(i, length));
            i += length - 1;
        }
        return units;
    }
    std::list<std::wstring> pieces;
    SplitString(text, L"\n", pieces);
    if (unit != 2) {
        for (std::wstring& piece : pieces) {
            TrimIf(piece, IsSpaceOrCr);
            if (!piece.empty())
                units.push_back(piece);
        }
        return units;
    }
    std::wstring paragraph;
    for (std::wstring& piece : pieces) {
        TrimIf(piece, IsSpaceOrCr);
        if (piece.empty()) {
            if (!paragraph.empty())
                units.push_back(paragraph);
            paragraph.clear();
            continue;
        }
        if (!paragraph.empty())
            paragraph += L'\n';
        paragraph += piece;
    }
    if (!paragraph.empty())
        units.push_back(paragraph);
    return units;
}

namespace {

// Upper case of the ASCII letters only: device names are ASCII.
std::wstring AsciiUpper(const std::wstring& s)
{
    std::wstring u = s;
    for (wchar_t& c : u)
        if (c >= L'a' && c <= L'z')
            c = static_cast<wchar_t>(c - L'a' + L'A');
    return u;
}

bool IsDeviceName(const std::wstring& name)
{
    std::wstring u = AsciiUpper(name);
    static const wchar_t* const fixed[] = {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"};
    for (const wchar_t* f : fixed)
        if (u == f)
            return true;
    if (u.size() == 4 && (u.compare(0, 3, L"COM") == 0 || u.compare(0, 3, L"LPT") == 0)) {
        wchar_t d = u[3];
        // Digits, and the superscript digits that Windows also maps to ports.
        return (d >= L'0' && d <= L'9') || d == 0x00B9 || d == 0x00B2 || d == 0x00B3;
    }
    return false;
}

// The form in which Windows compares file names: upper case over all of
// Unicode. The runtime's towlower knows only A-Z, so "Été" and "été" would
// count as two titles and the second file would overwrite the first.
std::wstring FileNameKey(const std::wstring& s)
{
    std::wstring k = s;
    if (!k.empty())
        ::CharUpperBuffW(&k[0], static_cast<DWORD>(k.size()));
    return k;
}

} // namespace

std::wstring MakeSafeFileTitle(const std::wstring& title)
{
    std::wstring safe = title;
    // Windows reads "NUL.txt" and "nul  " as the device too: the name before
    // the first dot, without trailing blanks, decides.
    size_t dot = safe.find(L'.');
    size_t end = dot == std::wstring::npos ? safe.size() : dot;
    while (end > 0 && safe[end - 1] == L' ')
        --end;
    if (IsDeviceName(safe.substr(0, end)))
        safe.insert(end, L"_");
    if (!safe.empty() && (safe.back() == L'.' || safe.back() == L' '))
        safe += L'_';
    return safe;
}

size_t Utf8Length(const std::wstring& text)
{
    size_t n = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const wchar_t c = text[i];
        if (CharLengthAt(text, i) == 2) {
            n += 4;
            ++i;
        } else {
            n += c < 0x80 ? 1 : c < 0x800 ? 2 : 3;
        }
    }
    return n;
}

namespace {

// The title cut from its end, by whole characters, until the title with the
// tail (" (n)", ".", extension) fits both limits; each cut is made safe again
// (a cut may end in a dot or a blank, or leave a device name). One character
// always stays: a name that cannot fit at all then fails where it is written,
// with the file system's own error.
std::wstring FitTitle(const std::wstring& safe, const std::wstring& tail, size_t maxLength)
{
    const size_t tailBytes = Utf8Length(tail);
    std::wstring cut = safe;
    std::wstring title = safe;
    while (cut.size() > 1 &&
           (Utf8Length(title) + tailBytes > kMaxFileNameBytes || title.size() + tail.size() > maxLength)) {
        size_t end = cut.size() - 1;
        if (end > 0 && IsLowSurrogate(cut[end]) && IsHighSurrogate(cut[end - 1]))
            --end;
        if (end == 0)
            break;
        cut.resize(end);
        title = MakeSafeFileTitle(cut);
    }
    return title;
}

} // namespace

std::wstring MakeUniqueFileName(COutputNameCounts& used, const std::wstring& title, const std::wstring& extension,
                                size_t maxLength)
{
    const std::wstring safe = MakeSafeFileTitle(title);
    const std::wstring dotExtension = L"." + extension;
    std::wstring name = FitTitle(safe, dotExtension, maxLength);
    // Counted by the name as cut, so two long titles that cut to one name
    // still get two files.
    const std::wstring key = FileNameKey(name);
    COutputNameCounts::iterator it = used.find(key);
    if (it == used.end()) {
        used[key] = 1;
    } else {
        int count = it->second;
        do {
            ++count;
            const std::wstring suffix = L" (" + std::to_wstring(count) + L")";
            name = FitTitle(safe, suffix + dotExtension, maxLength) + suffix;
        } while (used.count(FileNameKey(name)) != 0);
        used[key] = count;
        used[FileNameKey(name)] = 1;
    }
    return name + dotExtension;
}

size_t FileNameRoom(const std::wstring& folder)
{
    size_t used = folder.size();
    if (!folder.empty() && folder.back() != L'\\' && folder.back() != L'/')
        ++used;  // the separator before the name
    return used < MAX_PATH - 1 ? MAX_PATH - 1 - used : 0;
}

std::wstring MakeOutputFileName(COutputNameCounts& used, int number, const std::wstring& unitText,
                                const CSetting& setting)
{
    return MakeUniqueFileName(used, setting.MakeFileTitle(number, unitText), setting.SaveFormat.GetExtension(),
                              FileNameRoom(setting.FolderPath));
}
