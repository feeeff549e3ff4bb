// Paths as plain wide strings: splitting into folder, name, title and
// extension, joining with exactly one separator, recognising drive, UNC and
// root forms, comparing without case, and asking the system for well-known
// folders, full paths and free file names. "\" and "/" both count as a
// separator unless a comment says backslash. Comparisons without case fold
// every letter, as the file system does (EqualsNoCase and its kin in
// StringUtil.h); only FoldPathChar, for drive letters, folds A-Z alone.
// Only MakeUniquePath and GetTempPathOrThrow raise errors; everything else
// reports by its result.
#pragma once
#include <windows.h>
// commdlg.h defines GetFileTitle as a macro; take it in first and drop the
// macro so that the path function of that name stays reachable.
#include <commdlg.h>
#ifdef GetFileTitle
#undef GetFileTitle
#endif
#include <string>

// Separators and ends
inline bool IsPathSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }
bool EndsWithPathSeparator(const std::wstring& path);
// Appends "\" unless the path ends with a separator; "" becomes "\".
bool AppendSeparator(std::wstring& path);
bool RemoveTrailingBackslash(std::wstring& path);
bool RemoveTrailingSeparator(std::wstring& path);
// As RemoveTrailingSeparator, but a drive root such as "D:\" stays.
bool RemoveTrailingSeparatorKeepRoot(std::wstring& path);
bool AppendSeparatorAfterColon(std::wstring& path);
bool AppendSeparatorToDriveSpec(std::wstring& path);
// Turns the other separator into sep.
bool NormaliseSeparators(std::wstring& path, wchar_t sep);
// ASCII upper case lowered, "/" turned into "\".
wchar_t FoldPathChar(wchar_t c);

// Roots and forms
bool IsRelativePath(const std::wstring& path);
bool IsAbsolutePath(const std::wstring& path);
bool IsRootRelative(const std::wstring& path);
bool IsDriveRoot(const std::wstring& path);
bool EndsWithColon(const std::wstring& path);
bool IsDriveSpec(const std::wstring& path);
bool EndsWithDriveRoot(const std::wstring& path);
bool IsDriveOrDriveRoot(const std::wstring& path);
bool IsUncShareRoot(const std::wstring& path);
bool IsUncRoot(const std::wstring& path);
bool IsRootPath(const std::wstring& path);
bool IsTopLevel(const std::wstring& path);
bool HasNoSeparator(const std::wstring& path);
bool HasNoFolderPart(const std::wstring& path);
bool IsFloppyDrive(const std::wstring& path);
// Components of characters other than \ / : * ? " < > |, single separators
// between them and at most one at the end: no drive, no leading separator.
bool IsValidPathSyntax(const std::wstring& path);

size_t GetPathRootLength(const std::wstring& path);
void SplitRoot(const std::wstring& path, std::wstring& root, std::wstring& rest);
// The drive letter, or "_" when the path has none.
wchar_t GetDriveLetter(const std::wstring& path);
std::wstring MakeDriveRoot(const std::wstring& path);

// Splitting and joining
// path keeps the folder with its trailing separator; name gets the rest.
void SplitPathFileName(std::wstring& path, std::wstring& name);
void RemoveFileName(std::wstring& path);
// The parent folder with a trailing separator; false for "" or a root.
bool RemoveLastComponent(std::wstring& path);
bool SplitLastComponent(std::wstring& path, std::wstring& name);
std::wstring ParentFolderOf(const std::wstring& path);
// The text before the last separator.
std::wstring ParentPath(const std::wstring& path);
bool GetFileNamePart(const std::wstring& path, std::wstring& out);
void GetLastComponent(const std::wstring& path, std::wstring& out);
// Split at the first backslash.
void SplitFirstComponent(const std::wstring& path, std::wstring& first, std::wstring& rest);
bool SplitFileTitleExt(const std::wstring& path, std::wstring& title, std::wstring& extension);
bool GetFileTitle(const std::wstring& path, std::wstring& out);
bool GetFileExt(const std::wstring& path, std::wstring& out);
void GetFileName(const std::wstring& path, std::wstring& out, bool withExtension);
std::wstring MakeFileName(const std::wstring& title, const std::wstring& extension);
// Adds "\" unless the path is empty or ends in "\", "/" or ":".
void PathJoin(std::wstring& path, const std::wstring& name);
std::wstring PathJoined(const std::wstring& folder, const std::wstring& name);
void JoinPath(std::wstring& out, const std::wstring& name, const std::wstring& folder);
// Exactly one separator between a and b.
void JoinPathWithSeparator(std::wstring& out, const std::wstring& a, const std::wstring& b, wchar_t sep);
// The longest common leading folder of a and b, without a trailing separator.
void CommonPathPrefix(const std::wstring& a, const std::wstring& b, std::wstring& out);
bool IsPathInFolder(const std::wstring& path, const std::wstring& folder);
bool MakeRelativeTo(std::wstring& out, const std::wstring& path, const std::wstring& base);
bool IsPathUnderFolder(const std::wstring& folder, const std::wstring& path);
void RebasePath(std::wstring& out, const std::wstring& path, const std::wstring& folder,
                const std::wstring& newFolder, wchar_t sep);
// The path of toPath (a file) relative to fromFolder (a folder).
bool MakeRelativePath(std::wstring& out, const std::wstring& fromFolder, const std::wstring& toPath);
bool ResolveRelativePath(std::wstring& out, const std::wstring& base, const std::wstring& relative);

// Comparison
bool EqualPathsIgnoringTrailingSeparator(const std::wstring& a, const std::wstring& b);
bool EqualPathsSeparatorsAlike(const std::wstring& a, const std::wstring& b);
// Folders compare component by component; inside one component numbers
// compare by value ("x2" before "x10").
int ComparePathsNatural(const std::wstring& a, const std::wstring& b);

// File system and system folders
bool PathExists(const std::wstring& path);
bool IsExistingFile(const std::wstring& path);
std::wstring NearestExistingFolder(const std::wstring& path);
std::wstring NearestExistingPath(const std::wstring& path);
bool GetFullPath(std::wstring& out, const std::wstring& path);
std::wstring GetFullPathOrSelf(const std::wstring& path);
bool GetAppDataFolder(std::wstring& out);
bool GetProgramPath(std::wstring& out);
bool GetProgramFolder(std::wstring& out);
bool GetCurrentFolder(std::wstring& out);
bool GetTempFolder(std::wstring& out);
HRESULT GetTempPathString(std::wstring& out);
void GetTempPathOrThrow(std::wstring& out);  // IDS_GET_TEMP_PATH_FAILED
bool CanonicalizePath(std::wstring& out, const std::wstring& path);
bool CanonicalizePathInPlace(std::wstring& path);
// A backslash component of n dots becomes n / 2 ".." components.
bool NormaliseDotComponents(std::wstring& path);
// folder\prefix<n>suffix for the first n from 0 that names nothing; IDS_GET_TEMP_PATH_FAILED
// when every counter value is taken.
std::wstring MakeUniquePath(const std::wstring& folder, const std::wstring& prefix, const std::wstring& suffix);
// Creates the folder of a file path (or the path itself when it ends in "\"),
// with its missing parents.
bool CreateFolderForPath(const std::wstring& path);
// Characters a file name may not hold replaced by their full-width forms.
std::wstring ToFullWidthFileNameChars(const std::wstring& name);
