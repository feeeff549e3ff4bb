#include "foundation/FolderList.h"
#include "foundation/PathUtil.h"
#include "platform/FindFile.h"
#include <boost/make_shared.hpp>
#include <boost/regex.hpp>
#include <shlwapi.h>
#include <ostream>

const wchar_t kImageFilePattern[] =
    L"(\\.[bB][mM][pP]|\\.[pP][nN][gG]|\\.[gG][iI][fF]|\\.[jJ][pP][gG]|\\.[jJ][pP][eE][gG]{0,1}"
    L"|\\.[jJ][fF][iI][fF]|\\.[tT][iI][fF]{1,2})$";

namespace {

bool Passes(const boost::wregex* filter, const wchar_t* name)
{
    return !filter || boost::regex_search(name, *filter);
}

// One level of a listing; relative is the path of this level below the root.
void ListLevel(CPathList& out, const std::wstring& folder, const std::wstring& relative,
               const boost::wregex* filter, DWORD mask, DWORD value, bool directoriesListed, bool recursive)
{
    std::wstring pattern = folder;
    if (!relative.empty())
        PathJoin(pattern, relative);
    PathJoin(pattern, L"*.*");
    CFindFile find;
    for (bool more = find.FindFile(pattern.c_str()); more; more = find.FindNextFile()) {
        if (find.IsDots())
            continue;
        const std::wstring entry = PathJoined(relative, find.GetFileName());
        const bool isDirectory = find.IsDirectory();
        if ((directoriesListed || !isDirectory) && (find.GetData().dwFileAttributes & mask) == value &&
            Passes(filter, find.GetFileName()))
            out.push_back(entry);
        if (isDirectory && recursive)
            ListLevel(out, folder, entry, filter, mask, value, directoriesListed, recursive);
    }
}

bool Compile(const wchar_t* pattern, boost::wregex& regex)
{
    try {
        regex.assign(pattern, boost::regex::perl);
        return true;
    } catch (const boost::regex_error&) {
        return false;
    }
}

} // namespace

bool ListFolder(CPathList& out, const wchar_t* folder, const wchar_t* pattern, bool recursive)
{
    out.clear();
    boost::wregex regex;
    const bool filtered = pattern && *pattern;
    if (filtered && !Compile(pattern, regex))
        return false;
    ListLevel(out, folder ? folder : L"", std::wstring(), filtered ? &regex : nullptr, 0, 0, false, recursive);
    return true;
}

void ListEntries(CPathList& out, const std::wstring& folder, const boost::wregex* filter, DWORD attributeMask,
                 DWORD attributeValue, bool recursive)
{
    out.clear();
    ListLevel(out, folder, std::wstring(), filter, attributeMask, attributeValue, true, recursive);
}

bool ListEntries(CPathList& out, const std::wstring& folder, const std::wstring& pattern, DWORD attributeMask,
                 DWORD attributeValue, bool recursive)
{
    out.clear();
    boost::wregex regex;
    if (!pattern.empty() && !Compile(pattern.c_str(), regex))
        return false;
    ListEntries(out, folder, pattern.empty() ? nullptr : &regex, attributeMask, attributeValue, recursive);
    return true;
}

bool ListSubfolderNamesMatching(CPathList& out, const std::wstring& searchPattern)
{
    out.clear();
    if (searchPattern.size() > MAX_PATH) {
        SetLastError(ERROR_INVALID_NAME);
        return false;
    }
    CFindFile find;
    for (bool more = find.FindDirectories(searchPattern.c_str()); more; more = find.FindNextFile()) {
        // The system may ignore the folders-only request (Wine does).
        if (find.IsDirectory() && !find.IsDots())
            out.push_back(find.GetFileName());
    }
    return true;
}

bool ListSubfolderNames(CPathList& out, const wchar_t* folder)
{
    return ListSubfolderNamesMatching(out, PathJoined(folder ? folder : L"", L"*.*"));
}

void MakeFullPaths(const CPathList& in, const std::wstring& base, CPathList& out)
{
    CPathList result;
    for (const std::wstring& entry : in)
        result.push_back(PathJoined(base, entry));
    out.swap(result);
}

bool MakeAbsolutePaths(const CPathList& in, CPathList& out)
{
    CPathList result;
    bool ok = true;
    for (const std::wstring& entry : in) {
        wchar_t buffer[MAX_PATH];
        DWORD n = GetFullPathNameW(entry.c_str(), MAX_PATH, buffer, nullptr);
        if (n == 0 || n >= MAX_PATH) {
            ok = false;
            break;
        }
        result.push_back(std::wstring(buffer, n));
    }
    out.swap(result);
    return ok;
}

void JoinNulSeparated(const CPathList& in, std::wstring& out)
{
    out.clear();
    for (const std::wstring& entry : in) {
        out += entry;
        out.push_back(L'\0');
    }
    out.push_back(L'\0');
}

void JoinLines(const CPathList& in, std::wstring& out)
{
    out.clear();
    for (const std::wstring& entry : in)
        out += entry + L"\r\n";
}

void WriteLines(const CPathList& in, std::wostream& os)
{
    for (const std::wstring& entry : in)
        os << entry << std::endl;
}

void SplitNulSeparated(CPathList& out, const wchar_t* text)
{
    out.clear();
    if (!text)
        return;
    for (const wchar_t* p = text; *p; p += wcslen(p) + 1)
        out.push_back(p);
}

void SplitNulSeparatedAnsi(CPathList& out, const char* text)
{
    out.clear();
    if (!text)
        return;
    for (const char* p = text; *p; p += strlen(p) + 1) {
        const int length = static_cast<int>(strlen(p));
        const int n = MultiByteToWideChar(CP_THREAD_ACP, 0, p, length, nullptr, 0);
        std::wstring piece(n, L'\0');
        if (n > 0)
            MultiByteToWideChar(CP_THREAD_ACP, 0, p, length, &piece[0], n);
        out.push_back(piece);
    }
}

bool StrCmpLogicalLess(const std::wstring& a, const std::wstring& b)
{
    return StrCmpLogicalW(a.c_str(), b.c_str()) < 0;
}

bool PathLessNatural::operator()(const std::wstring& a, const std::wstring& b) const
{
    size_t pa = 0, pb = 0;
    for (;;) {
        const size_t sa = a.find(L'\\', pa);
        const size_t sb = b.find(L'\\', pb);
        // One path ends at this level, the other goes on into a subfolder.
        if (sa == std::wstring::npos && sb != std::wstring::npos)
            return filesFirst;
        if (sa != std::wstring::npos && sb == std::wstring::npos)
            return !filesFirst;
        const std::wstring partA = a.substr(pa, sa == std::wstring::npos ? std::wstring::npos : sa - pa);
        const std::wstring partB = b.substr(pb, sb == std::wstring::npos ? std::wstring::npos : sb - pb);
        const int c = StrCmpLogicalW(partA.c_str(), partB.c_str());
        if (c != 0)
            return c < 0;
        if (sa == std::wstring::npos)
            return false;
        pa = sa + 1;
        pb = sb + 1;
    }
}

void SortNatural(CPathList& paths) { paths.sort(StrCmpLogicalLess); }

void SortPathsNatural(CPathList& paths, bool filesFirst) { paths.sort(PathLessNatural(filesFirst)); }

CFolderFile::CFolderFile(const std::wstring& folder, const std::wstring& name)
    : path(PathJoined(folder, name)), name(name)
{
    SplitFileTitleExt(path, title, extension);
}

bool ListFolderFiles(std::vector<CFolderFilePtr>& out, const std::wstring& folder, bool recursive,
                     const wchar_t* filter)
{
    CPathList names;
    if (!ListFolder(names, folder.c_str(), filter, recursive))
        return false;
    for (const std::wstring& name : names)
        out.push_back(boost::make_shared<CFolderFile>(folder, name));
    return true;
}
