#include "render/OutputUnits.h"
#include "decoration/Setting.h"
#include "foundation/Error.h"
#include "foundation/StringUtil.h"
#include "resources/strings_engine.h"
#include <algorithm>
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

// The longest device name, "CONOUT$".
const size_t kLongestDeviceName = 7;

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

} // namespace

// Every letter folded, as the file system folds names: "Été" and "été" are
// one title, and the second file would overwrite the first.
std::wstring FileNameKey(const std::wstring& name) { return NoCaseKey(name); }

std::wstring MakeSafeFileTitle(const std::wstring& title)
{
    std::wstring safe = title;
    // Windows reads "NUL.txt" and "nul  " as the device too: the name before
    // the first dot, without trailing blanks, decides.
    size_t dot = safe.find(L'.');
    size_t end = dot == std::wstring::npos ? safe.size() : dot;
    while (end > 0 && safe[end - 1] == L' ')
        --end;
    if (end <= kLongestDeviceName && IsDeviceName(safe.substr(0, end)))
        safe.insert(end, L"_");
    if (!safe.empty() && (safe.back() == L'.' || safe.back() == L' '))
        safe += L'_';
    return safe;
}

size_t Utf8Length(const std::wstring& text)
{
    size_t n = 0;
    for (size_t i = 0; i < text.size(); i += CharLengthAt(text, i))
        n += CharUtf8Length(text, i);
    return n;
}

namespace {

// The title cut from its end, by whole characters, until the title with the
// tail (" (n)", ".", extension) fits both limits; each cut is made safe again
// (a cut may end in a dot or a blank, or leave a device name). One character
// always stays: a name that cannot fit at all then fails where it is written,
// with the file system's own error.
//
// A line of a million characters must not cost a million measurements: made
// safe, a cut only gains marks of one byte each, and no character has fewer
// UTF-8 bytes than UTF-16 units, so no cut longer than the room the tail
// leaves (in units and in bytes) can fit. The cutting starts from the longest
// prefix within that room, and its byte count goes down with each character
// cut off rather than being counted again.
std::wstring FitTitle(const std::wstring& safe, const std::wstring& tail, size_t maxLength)
{
    const size_t tailBytes = Utf8Length(tail);
    const size_t roomUnits = maxLength > tail.size() ? maxLength - tail.size() : 0;
    const size_t roomBytes = kMaxFileNameBytes > tailBytes ? kMaxFileNameBytes - tailBytes : 0;
    size_t end = 0, bytes = 0;
    while (end < safe.size()) {
        const size_t units = CharLengthAt(safe, end);
        const size_t charBytes = CharUtf8Length(safe, end);
        if (end > 0 && (end + units > roomUnits || bytes + charBytes > roomBytes))
            break;
        end += units;
        bytes += charBytes;
    }
    std::wstring cut = safe.substr(0, end);
    std::wstring title = end == safe.size() ? safe : MakeSafeFileTitle(cut);
    // The marks are the units (and bytes) the title has beyond its cut.
    while (cut.size() > 1 && (bytes + title.size() - cut.size() > roomBytes || title.size() > roomUnits)) {
        size_t last = cut.size() - 1;
        if (last > 0 && IsLowSurrogate(cut[last]) && IsHighSurrogate(cut[last - 1]))
            --last;
        if (last == 0)
            break;
        bytes -= CharUtf8Length(cut, last);
        cut.resize(last);
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

bool IsMemoryFailure(const my::CException& e)
{
    return e.code == E_OUTOFMEMORY || e.code == HResultFromWin32(ERROR_NOT_ENOUGH_MEMORY);
}

namespace {

[[noreturn]] void ThrowForUnit(UINT id, const std::wstring& file, int number, const std::wstring& unitText)
{
    // Only what can be shown is copied: the unit may be a line of a million.
    const size_t line = unitText.find(L'\n');
    std::wstring shown = ShortenedForMessage(unitText.substr(0, std::min(line, kShownUnitChars + 1)), kShownUnitChars);
    if (line <= kShownUnitChars)
        shown += L"\x2026";  // the lines after the first are cut
    throw my::CException(id, file, std::to_wstring(number), shown);
}

} // namespace

void ThrowOutputTooLargeForMemory(const std::wstring& file, int number, const std::wstring& unitText)
{
    ThrowForUnit(IDS_OUTPUT_TOO_LARGE_FOR_MEMORY, file, number, unitText);
}

void ThrowOutputTooLargeForPdf(const std::wstring& file, int number, const std::wstring& unitText)
{
    ThrowForUnit(IDS_OUTPUT_TOO_LARGE_FOR_PDF, file, number, unitText);
}
