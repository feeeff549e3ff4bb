#include "foundation/PathUtil.h"
#include "foundation/Error.h"
#include "foundation/StringUtil.h"
#include "resources/strings_foundation.h"
#include <shlobj.h>
#include <shlwapi.h>
#include <algorithm>
#include <vector>

namespace {

const wchar_t kSeparators[] = L"\\/";

bool IsAsciiLetter(wchar_t c) { return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z'); }

size_t FindLastSeparator(const std::wstring& path) { return path.find_last_of(kSeparators); }

bool StartsWithTwoBackslashes(const std::wstring& path)
{
    return path.size() >= 2 && path[0] == L'\\' && path[1] == L'\\';
}

} // namespace

bool EndsWithPathSeparator(const std::wstring& path) { return !path.empty() && IsPathSeparator(path.back()); }

bool AppendSeparator(std::wstring& path)
{
    if (EndsWithPathSeparator(path))
        return false;
    path.push_back(L'\\');
    return true;
}

bool RemoveTrailingBackslash(std::wstring& path)
{
    if (path.empty() || path.back() != L'\\')
        return false;
    path.pop_back();
    return true;
}

bool RemoveTrailingSeparator(std::wstring& path)
{
    if (!EndsWithPathSeparator(path))
        return false;
    path.pop_back();
    return true;
}

bool RemoveTrailingSeparatorKeepRoot(std::wstring& path)
{
    if (IsDriveRoot(path))
        return false;
    return RemoveTrailingSeparator(path);
}

bool AppendSeparatorAfterColon(std::wstring& path)
{
    if (!EndsWithColon(path))
        return false;
    path.push_back(L'\\');
    return true;
}

bool AppendSeparatorToDriveSpec(std::wstring& path)
{
    if (!IsDriveSpec(path))
        return false;
    path.push_back(L'\\');
    return true;
}

bool NormaliseSeparators(std::wstring& path, wchar_t sep)
{
    return ReplaceChar(path, sep == L'\\' ? L'/' : L'\\', sep);
}

wchar_t FoldPathChar(wchar_t c)
{
    if (c >= L'A' && c <= L'Z')
        return static_cast<wchar_t>(c + 32);
    return c == L'/' ? L'\\' : c;
}

bool IsRelativePath(const std::wstring& path) { return PathIsRelativeW(path.c_str()) != FALSE; }

bool IsAbsolutePath(const std::wstring& path)
{
    return path.size() >= 3 && ((path[1] == L':' && path[2] == L'\\') || StartsWithTwoBackslashes(path));
}

bool IsRootRelative(const std::wstring& path)
{
    return !path.empty() && path[0] == L'\\' && (path.size() == 1 || path[1] != L'\\');
}

bool IsDriveRoot(const std::wstring& path)
{
    size_t colon = path.find(L':');
    return colon != std::wstring::npos && colon + 2 == path.size() && path[colon + 1] == L'\\';
}

bool EndsWithColon(const std::wstring& path) { return !path.empty() && path.back() == L':'; }

bool IsDriveSpec(const std::wstring& path) { return EndsWithColon(path) && IsAsciiLetter(path[0]); }

bool EndsWithDriveRoot(const std::wstring& path)
{
    return path.size() >= 2 && path[path.size() - 2] == L':' && IsPathSeparator(path.back());
}

bool IsDriveOrDriveRoot(const std::wstring& path) { return IsDriveSpec(path) || EndsWithDriveRoot(path); }

bool IsUncShareRoot(const std::wstring& path)
{
    if (path.size() < 5 || !StartsWithTwoBackslashes(path))
        return false;
    size_t server = path.find(L'\\', 2);
    if (server == std::wstring::npos || server < 4)
        return false;
    size_t share = path.find(L'\\', server + 1);
    return share == std::wstring::npos || share + 1 == path.size();
}

bool IsUncRoot(const std::wstring& path)
{
    if (path.size() < 2 || !IsPathSeparator(path[0]) || !IsPathSeparator(path[1]))
        return false;
    size_t next = path.find_first_of(kSeparators, 2);
    return next == std::wstring::npos || next + 1 == path.size();
}

bool IsRootPath(const std::wstring& path)
{
    if (path.empty())
        return false;
    if (path.find(L':') != std::wstring::npos)
        return IsDriveRoot(path);
    if (path.find_first_not_of(L'\\') == std::wstring::npos)
        return true;
    if (!StartsWithTwoBackslashes(path))
        return false;
    // "\\server", "\\server\share", each with at most one trailing backslash.
    std::wstring rest = path.substr(2);
    if (!rest.empty() && rest.back() == L'\\')
        rest.pop_back();
    size_t cut = rest.find(L'\\');
    if (rest.empty() || cut == 0)
        return false;
    if (cut == std::wstring::npos)
        return true;
    return cut + 1 < rest.size() && rest.find(L'\\', cut + 1) == std::wstring::npos;
}

bool IsTopLevel(const std::wstring& path)
{
    return IsUncRoot(path) || IsDriveSpec(path) || EndsWithDriveRoot(path) || HasNoSeparator(path);
}

bool HasNoSeparator(const std::wstring& path)
{
    return !path.empty() && path.find_first_of(kSeparators) == std::wstring::npos;
}

bool HasNoFolderPart(const std::wstring& path)
{
    size_t last = path.rfind(L'\\');
    return last == std::wstring::npos || last == 0;
}

bool IsFloppyDrive(const std::wstring& path)
{
    if (path.size() < 2 || path[1] != L':')
        return false;
    wchar_t c = FoldPathChar(path[0]);
    return (c == L'a' || c == L'b') && GetDriveTypeW(path.c_str()) == DRIVE_REMOVABLE;
}

bool IsValidPathSyntax(const std::wstring& path)
{
    static const wchar_t kForbidden[] = L"\\/:*?\"<>|";
    size_t start = 0;
    while (start < path.size()) {
        size_t end = path.find_first_of(kSeparators, start);
        if (end == start)
            return false;  // leading or doubled separator
        size_t stop = end == std::wstring::npos ? path.size() : end;
        for (size_t i = start; i < stop; ++i) {
            if (wcschr(kForbidden, path[i]) && path[i] != L'\0')
                return false;
        }
        if (end == std::wstring::npos)
            break;
        start = end + 1;  // a single trailing separator ends the loop here
    }
    return true;
}

size_t GetPathRootLength(const std::wstring& path)
{
    if (StartsWithTwoBackslashes(path)) {
        size_t next = path.find(L'\\', 2);
        return next == std::wstring::npos ? path.size() : next + 1;
    }
    if (!path.empty() && path[0] == L'\\')
        return 1;
    if (path.size() >= 2 && path[1] == L':')
        return path.size() >= 3 && path[2] == L'\\' ? 3 : 2;
    return 0;
}

void SplitRoot(const std::wstring& path, std::wstring& root, std::wstring& rest)
{
    size_t n = GetPathRootLength(path);
    root = path.substr(0, n);
    rest = path.substr(n);
}

wchar_t GetDriveLetter(const std::wstring& path)
{
    return path.find(L':') == 1 ? path[0] : L'_';
}

std::wstring MakeDriveRoot(const std::wstring& path)
{
    std::wstring root(1, GetDriveLetter(path));
    root += L":\\";
    return root;
}

void SplitPathFileName(std::wstring& path, std::wstring& name)
{
    size_t last = FindLastSeparator(path);
    if (last == std::wstring::npos) {
        name = path;
        path.clear();
        return;
    }
    name = path.substr(last + 1);
    path.erase(last + 1);
}

void RemoveFileName(std::wstring& path)
{
    std::wstring name;
    SplitPathFileName(path, name);
}

bool SplitLastComponent(std::wstring& path, std::wstring& name)
{
    if (path.empty() || IsRootPath(path))
        return false;
    RemoveTrailingSeparatorKeepRoot(path);
    SplitPathFileName(path, name);
    return true;
}

bool RemoveLastComponent(std::wstring& path)
{
    std::wstring name;
    return SplitLastComponent(path, name);
}

std::wstring ParentFolderOf(const std::wstring& path)
{
    std::wstring parent = path;
    return RemoveLastComponent(parent) ? parent : std::wstring();
}

std::wstring ParentPath(const std::wstring& path)
{
    size_t last = FindLastSeparator(path);
    return last == std::wstring::npos ? std::wstring() : path.substr(0, last);
}

bool GetFileNamePart(const std::wstring& path, std::wstring& out)
{
    size_t last = FindLastSeparator(path);
    out = last == std::wstring::npos ? path : path.substr(last + 1);
    return !out.empty();
}

void GetLastComponent(const std::wstring& path, std::wstring& out)
{
    std::wstring trimmed = path;
    RemoveTrailingSeparator(trimmed);
    GetFileNamePart(trimmed, out);
}

void SplitFirstComponent(const std::wstring& path, std::wstring& first, std::wstring& rest)
{
    size_t cut = path.find(L'\\');
    if (cut == std::wstring::npos) {
        first = path;
        rest.clear();
        return;
    }
    std::wstring whole = path;  // path may alias first or rest
    first = whole.substr(0, cut);
    rest = whole.substr(cut + 1);
}

bool SplitFileTitleExt(const std::wstring& path, std::wstring& title, std::wstring& extension)
{
    std::wstring name;
    if (!GetFileNamePart(path, name)) {
        title.clear();
        extension.clear();
        return false;
    }
    size_t dot = name.rfind(L'.');
    if (dot == std::wstring::npos) {
        title = name;
        extension.clear();
    } else {
        title = name.substr(0, dot);
        extension = name.substr(dot + 1);
    }
    return true;
}

bool GetFileTitle(const std::wstring& path, std::wstring& out)
{
    std::wstring extension;
    return SplitFileTitleExt(path, out, extension);
}

bool GetFileExt(const std::wstring& path, std::wstring& out)
{
    std::wstring title;
    return SplitFileTitleExt(path, title, out);
}

void GetFileName(const std::wstring& path, std::wstring& out, bool withExtension)
{
    if (withExtension)
        GetFileNamePart(path, out);
    else
        GetFileTitle(path, out);
}

std::wstring MakeFileName(const std::wstring& title, const std::wstring& extension)
{
    return extension.empty() ? title : title + L"." + extension;
}

void PathJoin(std::wstring& path, const std::wstring& name)
{
    if (!path.empty() && !IsPathSeparator(path.back()) && path.back() != L':')
        path.push_back(L'\\');
    path += name;
}

std::wstring PathJoined(const std::wstring& folder, const std::wstring& name)
{
    std::wstring path = folder;
    PathJoin(path, name);
    return path;
}

void JoinPath(std::wstring& out, const std::wstring& name, const std::wstring& folder)
{
    out = PathJoined(folder, name);
}

void JoinPathWithSeparator(std::wstring& out, const std::wstring& a, const std::wstring& b, wchar_t sep)
{
    std::wstring joined;
    if (b.empty()) {
        joined = a;
    } else if (a.empty()) {
        joined = b;
    } else {
        bool aEnds = IsPathSeparator(a.back());
        bool bStarts = IsPathSeparator(b.front());
        if (aEnds && bStarts)
            joined = a + b.substr(1);
        else if (aEnds || bStarts)
            joined = a + b;
        else
            joined = a + sep + b;
    }
    out.swap(joined);
}

void CommonPathPrefix(const std::wstring& a, const std::wstring& b, std::wstring& out)
{
    size_t n = std::min(a.size(), b.size());
    size_t lastSeparator = std::wstring::npos;
    size_t i = 0;
    for (; i < n; ++i) {
        if (!SameCharNoCase(a[i], b[i]))
            break;
        if (IsPathSeparator(a[i]))
            lastSeparator = i;
    }
    bool aEnds = i == a.size() || IsPathSeparator(a[i]);
    bool bEnds = i == b.size() || IsPathSeparator(b[i]);
    size_t length = aEnds && bEnds ? i : (lastSeparator == std::wstring::npos ? 0 : lastSeparator);
    std::wstring prefix = a.substr(0, length);
    out.swap(prefix);
}

bool IsPathInFolder(const std::wstring& path, const std::wstring& folder)
{
    if (folder.empty())
        return true;
    if (path.size() < folder.size() || !EqualsNoCase(path.substr(0, folder.size()), folder))
        return false;
    if (!EndsWithPathSeparator(folder) && path.size() > folder.size())
        return IsPathSeparator(path[folder.size()]);
    return true;
}

bool MakeRelativeTo(std::wstring& out, const std::wstring& path, const std::wstring& base)
{
    if (base.empty()) {
        out = path;
        return true;
    }
    if (!IsPathInFolder(path, base))
        return false;
    std::wstring rest = path.substr(base.size());
    if (!rest.empty() && IsPathSeparator(rest[0]))
        rest.erase(0, 1);
    out.swap(rest);
    return true;
}

bool IsPathUnderFolder(const std::wstring& folder, const std::wstring& path)
{
    if (folder.empty() || path.empty())
        return false;
    std::wstring f = folder;
    RemoveTrailingSeparator(f);
    if (path.size() < f.size())
        return false;
    if (!StartsWithNoCase(path, f))
        return false;
    return path.size() == f.size() || IsPathSeparator(path[f.size()]);
}

void RebasePath(std::wstring& out, const std::wstring& path, const std::wstring& folder,
                const std::wstring& newFolder, wchar_t sep)
{
    if (!IsPathUnderFolder(folder, path)) {
        out.clear();
        return;
    }
    std::wstring f = folder;
    RemoveTrailingSeparator(f);
    std::wstring rest = path.substr(std::min(path.size(), f.size() + 1));
    for (wchar_t& c : rest) {
        if (IsPathSeparator(c))
            c = sep;
    }
    if (rest.empty())
        out = newFolder;
    else
        JoinPathWithSeparator(out, newFolder, rest, sep);
}

bool MakeRelativePath(std::wstring& out, const std::wstring& fromFolder, const std::wstring& toPath)
{
    out.clear();
    if (fromFolder.empty())
        return false;
    wchar_t buffer[MAX_PATH] = {};
    if (!PathRelativePathToW(buffer, fromFolder.c_str(), FILE_ATTRIBUTE_DIRECTORY, toPath.c_str(),
                             FILE_ATTRIBUTE_NORMAL))
        return false;
    out = buffer;
    return true;
}

bool ResolveRelativePath(std::wstring& out, const std::wstring& base, const std::wstring& relative)
{
    if (base.empty() || !IsRelativePath(relative))
        return false;
    std::wstring joined;
    JoinPathWithSeparator(joined, base, relative, L'\\');
    return CanonicalizePath(out, joined);
}

bool EqualPathsIgnoringTrailingSeparator(const std::wstring& a, const std::wstring& b)
{
    const std::wstring& shorter = a.size() <= b.size() ? a : b;
    const std::wstring& longer = a.size() <= b.size() ? b : a;
    if (longer.size() == shorter.size())
        return EqualsNoCase(a, b);
    if (longer.size() != shorter.size() + 1 || !IsPathSeparator(longer.back()))
        return false;
    return StartsWithNoCase(longer, shorter);
}

bool EqualPathsSeparatorsAlike(const std::wstring& a, const std::wstring& b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (a[i] != b[i] && !(IsPathSeparator(a[i]) && IsPathSeparator(b[i])))
            return false;
    }
    return true;
}

int ComparePathsNatural(const std::wstring& a, const std::wstring& b)
{
    size_t n = std::min(a.size(), b.size());
    size_t lastSeparator = std::wstring::npos;
    size_t i = 0;
    for (; i < n; ++i) {
        if (!SameCharNoCase(a[i], b[i]) && !(IsPathSeparator(a[i]) && IsPathSeparator(b[i])))
            break;
        if (IsPathSeparator(a[i]))
            lastSeparator = i;
    }
    if (i == n) {
        if (a.size() == b.size())
            return 0;
        return a.size() < b.size() ? -1 : 1;
    }
    // Compare the components that hold the first difference.
    size_t start = lastSeparator == std::wstring::npos ? 0 : lastSeparator + 1;
    size_t endA = a.find_first_of(kSeparators, start);
    size_t endB = b.find_first_of(kSeparators, start);
    std::wstring partA = a.substr(start, endA == std::wstring::npos ? std::wstring::npos : endA - start);
    std::wstring partB = b.substr(start, endB == std::wstring::npos ? std::wstring::npos : endB - start);
    return StrCmpLogicalW(partA.c_str(), partB.c_str());
}

bool PathExists(const std::wstring& path) { return PathFileExistsW(path.c_str()) != FALSE; }

bool IsExistingFile(const std::wstring& path)
{
    return PathFileExistsW(path.c_str()) && !PathIsDirectoryW(path.c_str());
}

namespace {

template <class Exists>
std::wstring NearestExisting(const std::wstring& path, Exists exists)
{
    std::wstring p = path;
    RemoveTrailingSeparator(p);
    while (!p.empty() && !IsTopLevel(p) && !exists(p))
        p = ParentPath(p);
    return p;
}

} // namespace

std::wstring NearestExistingFolder(const std::wstring& path)
{
    return NearestExisting(path, [](const std::wstring& p) { return PathIsDirectoryW(p.c_str()) != FALSE; });
}

std::wstring NearestExistingPath(const std::wstring& path)
{
    return NearestExisting(path, [](const std::wstring& p) { return PathFileExistsW(p.c_str()) != FALSE; });
}

bool GetFullPath(std::wstring& out, const std::wstring& path)
{
    out.clear();
    wchar_t buffer[MAX_PATH] = {};
    DWORD n = GetFullPathNameW(path.c_str(), MAX_PATH, buffer, nullptr);
    // A result of MAX_PATH or more is the size the text would need.
    if (n == 0 || n >= MAX_PATH)
        return false;
    out.assign(buffer, n);
    return true;
}

std::wstring GetFullPathOrSelf(const std::wstring& path)
{
    if (path.empty())
        return path;
    std::wstring full;
    return GetFullPath(full, path) ? full : path;
}

bool GetAppDataFolder(std::wstring& out)
{
    out.clear();
    wchar_t buffer[MAX_PATH] = {};
    if (!SHGetSpecialFolderPathW(nullptr, buffer, CSIDL_APPDATA, TRUE))
        return false;
    out = buffer;
    return true;
}

bool GetProgramPath(std::wstring& out)
{
    out.clear();
    const wchar_t* line = GetCommandLineW();
    if (!line || !*line)
        return false;
    std::wstring text = line;
    std::wstring token;
    if (text[0] == L'"') {
        size_t close = text.find(L'"', 1);
        if (close == std::wstring::npos)
            return false;
        token = text.substr(1, close - 1);
    } else {
        token = text.substr(0, text.find_first_of(L" \t"));
    }
    wchar_t buffer[MAX_PATH] = {};
    DWORD n = SearchPathW(nullptr, token.c_str(), L".EXE", MAX_PATH, buffer, nullptr);
    // Not found (0) is a failure, not whatever the buffer holds.
    if (n == 0 || n >= MAX_PATH)
        return false;
    out.assign(buffer, n);
    return true;
}

bool GetProgramFolder(std::wstring& out)
{
    if (!GetProgramPath(out))
        return false;
    RemoveFileName(out);
    return true;
}

bool GetCurrentFolder(std::wstring& out)
{
    out.clear();
    wchar_t buffer[520] = {};
    DWORD n = GetCurrentDirectoryW(520, buffer);
    if (n == 0 || n >= 520)
        return false;
    out.assign(buffer, n);
    return true;
}

namespace {

// GetTempPathW with a buffer that grows to the size it asks for, `retries` times.
HRESULT TempPath(std::wstring& out, int retries)
{
    out.clear();
    std::vector<wchar_t> buffer(MAX_PATH);
    for (int attempt = 0; attempt <= retries; ++attempt) {
        DWORD n = GetTempPathW(static_cast<DWORD>(buffer.size()), buffer.data());
        if (n == 0) {
            HRESULT hr = HResultFromLastError();
            return FAILED(hr) ? hr : E_FAIL;
        }
        if (n < buffer.size()) {
            out.assign(buffer.data(), n);
            return S_OK;
        }
        buffer.assign(static_cast<size_t>(n) + 1, L'\0');
    }
    return E_FAIL;
}

} // namespace

bool GetTempFolder(std::wstring& out) { return SUCCEEDED(TempPath(out, 1)); }

HRESULT GetTempPathString(std::wstring& out) { return TempPath(out, 2); }

void GetTempPathOrThrow(std::wstring& out)
{
    HRESULT hr = GetTempPathString(out);
    if (FAILED(hr))
        throw my::CException(IDS_GET_TEMP_PATH_FAILED, hr);
}

bool CanonicalizePath(std::wstring& out, const std::wstring& path)
{
    // Twice MAX_PATH: the system writes up to MAX_PATH characters and we keep a margin.
    wchar_t buffer[520] = {};
    // The system takes no longer path; Wine's copies any length into the
    // buffer and overruns it (a long link resolved against a page did).
    if (path.size() >= MAX_PATH || !PathCanonicalizeW(buffer, path.c_str())) {
        out.clear();
        return false;
    }
    out = buffer;
    return true;
}

bool CanonicalizePathInPlace(std::wstring& path)
{
    std::wstring out;
    if (!CanonicalizePath(out, path))
        return false;
    path.swap(out);
    return true;
}

bool NormaliseDotComponents(std::wstring& path)
{
    std::wstring out;
    bool first = true;
    auto add = [&](const std::wstring& part) {
        if (!first)
            out.push_back(L'\\');
        out += part;
        first = false;
    };
    size_t start = 0;
    for (;;) {
        size_t cut = path.find(L'\\', start);
        std::wstring part = path.substr(start, cut == std::wstring::npos ? std::wstring::npos : cut - start);
        if (!part.empty() && IsAllDots(part)) {
            for (size_t k = 0; k < part.size() / 2; ++k)
                add(L"..");
        } else {
            add(part);
        }
        if (cut == std::wstring::npos)
            break;
        start = cut + 1;
    }
    path.swap(out);
    return true;
}

std::wstring MakeUniquePath(const std::wstring& folder, const std::wstring& prefix, const std::wstring& suffix)
{
    unsigned counter = 0;
    do {
        std::wstring path = PathJoined(folder, prefix + std::to_wstring(counter) + suffix);
        if (!PathFileExistsW(path.c_str()))
            return path;
        ++counter;
    } while (counter != 0);
    throw my::CException(IDS_GET_TEMP_PATH_FAILED, E_FAIL);
}

bool CreateFolderForPath(const std::wstring& path)
{
    size_t last = path.rfind(L'\\');
    std::wstring folder = path;
    if (last != std::wstring::npos && last != 0 && last + 1 != path.size() && path[last - 1] != L'\\')
        folder = path.substr(0, last + 1);
    int rc = SHCreateDirectory(nullptr, folder.c_str());
    return rc == ERROR_SUCCESS || rc == ERROR_ALREADY_EXISTS;
}

std::wstring ToFullWidthFileNameChars(const std::wstring& name)
{
    static const struct {
        wchar_t from;
        wchar_t to;
    } kMap[] = {
        {L'"', L'\u201D'}, {L'*', L'\uFF0A'}, {L',', L'\uFF0C'}, {L'/', L'\uFF0F'},
        {L':', L'\uFF1A'}, {L';', L'\uFF1B'}, {L'<', L'\uFF1C'}, {L'>', L'\uFF1E'},
        {L'?', L'\uFF1F'}, {L'\\', L'\uFF3C'}, {L'|', L'\uFF5C'},
    };
    std::wstring out = name;
    for (wchar_t& c : out) {
        for (const auto& m : kMap) {
            if (c == m.from) {
                c = m.to;
                break;
            }
        }
    }
    return out;
}
