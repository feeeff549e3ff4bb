// Folder listing and the natural order of names and paths.
//
// Listing walks a folder (and, when asked, its subfolders depth first, each
// subfolder's entries entering the list where the subfolder was met) and
// collects the entries as paths relative to the listed folder. A name filter
// is a wide regular expression (perl syntax) searched in the entry's name
// alone, never in its relative path; an empty filter takes every name. A
// folder that cannot be searched contributes nothing: file-system errors are
// not reported. Entries come in the order the file system reports them.
//
// Natural order compares runs of digits by value (img2 before img10), the
// way the shell orders names. For paths it goes component by component, and
// a path that ends at a level sorts before (files first) or after one that
// goes on into a subfolder.
//
// Path lists also travel as NUL-separated text (each entry followed by a NUL,
// the list by one more), the form the shell's file operations take.
#pragma once
#include <windows.h>
#include <boost/regex_fwd.hpp>
#include <boost/shared_ptr.hpp>
#include <iosfwd>
#include <list>
#include <string>
#include <vector>

typedef std::list<std::wstring> CPathList;

// Every file whose name passes the pattern (null or empty: all), from the
// subfolders too when recursive; folders themselves are never listed. False
// only when the pattern does not compile (the list is then empty). A missing
// folder gives an empty list.
bool ListFolder(CPathList& out, const wchar_t* folder, const wchar_t* pattern, bool recursive);
// Every entry but "." and ".." whose (attributes & mask) == value and whose
// name passes the filter (null: all), folders included. When recursive it
// descends into every subfolder, listed or not.
void ListEntries(CPathList& out, const std::wstring& folder, const boost::wregex* filter, DWORD attributeMask,
                 DWORD attributeValue, bool recursive);
// The same with a pattern compiled first; false when it does not compile.
bool ListEntries(CPathList& out, const std::wstring& folder, const std::wstring& pattern, DWORD attributeMask,
                 DWORD attributeValue, bool recursive);
// The names of the subfolders of a folder, or of the folders a search
// pattern ("C:\x\a*") finds. False, with the last error ERROR_INVALID_NAME,
// for a search pattern longer than MAX_PATH.
bool ListSubfolderNames(CPathList& out, const wchar_t* folder);
bool ListSubfolderNamesMatching(CPathList& out, const std::wstring& searchPattern);

// base joined with each entry, in order.
void MakeFullPaths(const CPathList& in, const std::wstring& base, CPathList& out);
// The full path of each entry; false at the first one the system cannot
// make, or whose full path is longer than MAX_PATH - 1 characters.
bool MakeAbsolutePaths(const CPathList& in, CPathList& out);

void JoinNulSeparated(const CPathList& in, std::wstring& out);
// Each entry followed by CR LF.
void JoinLines(const CPathList& in, std::wstring& out);
// Each entry followed by a line end, flushed.
void WriteLines(const CPathList& in, std::wostream& os);
// The pieces of a NUL-separated list up to its first empty piece.
void SplitNulSeparated(CPathList& out, const wchar_t* text);
// The same for text in the thread's ANSI code page.
void SplitNulSeparatedAnsi(CPathList& out, const char* text);

// The shell's natural order of two names.
bool StrCmpLogicalLess(const std::wstring& a, const std::wstring& b);

// Natural order of "\"-separated paths.
struct PathLessNatural {
    explicit PathLessNatural(bool filesFirst) : filesFirst(filesFirst) {}
    bool operator()(const std::wstring& a, const std::wstring& b) const;
    bool filesFirst;
};

void SortNatural(CPathList& paths);
void SortPathsNatural(CPathList& paths, bool filesFirst);

// One file of a folder listing.
class CFolderFile {
public:
    // name is the entry relative to folder.
    CFolderFile(const std::wstring& folder, std::wstring name);
    std::wstring path;  // folder joined with the name
    std::wstring name;
    std::wstring Title() const;      // the file name before its last "."
    std::wstring Extension() const;  // after it, without the dot
};
typedef boost::shared_ptr<CFolderFile> CFolderFilePtr;

// Appends one entry per file ListFolder finds; false when it fails.
bool ListFolderFiles(std::vector<CFolderFilePtr>& out, const std::wstring& folder, bool recursive,
                     const wchar_t* filter);
// Appends one entry per image file a texture can be read from (a name
// ending in .bmp, .png, .gif, .jpg, .jpe, .jpeg, .jfif, .tif or .tiff, its
// ASCII letters in either case) in the folder, not in its subfolders; a
// folder that cannot be listed adds none.
void ListImageFiles(std::vector<CFolderFilePtr>& out, const std::wstring& folder);
