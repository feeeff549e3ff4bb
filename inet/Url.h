// HTTP URLs split into their parts, and the text functions around them:
// %-escaping, the translation tables between URL paths and file names,
// MD5 digests. Nothing here throws except on exhausted memory; failures are
// results.
#pragma once
#include <windows.h>
#include <iosfwd>
#include <string>

// One URL. Folder, FileName and Extension are derived from Path and
// recomputed whenever Path is set. User name and password are not kept.
class CUrl {
public:
    std::wstring Host;
    std::wstring Url;        // the text the record was made from, or rebuilt by SetPath
    std::wstring Path;       // never holds the query
    std::wstring Port;       // decimal; empty for 80
    std::wstring Scheme;     // with its colon: "http:"
    std::wstring Extra;      // the query, from its "?"; empty when none
    std::wstring Folder;     // Path up to and including its last separator
    std::wstring FileName;
    std::wstring Extension;  // after the last "." of FileName

    void Clear();
    // A text WinINet cannot split leaves the record cleared.
    void Parse(const std::wstring& text);
    HRESULT Compose(std::wstring& out) const;
    void WritePrefix(std::wostream& os, bool withSlashes) const;
    void SetPath(const std::wstring& text);
    // A reference with a scheme is parsed on its own; any other is taken
    // relative to this URL's Folder (or its root for "/..."), with "." and
    // ".." segments removed. E_FAIL when that fails.
    HRESULT Resolve(CUrl& out, const std::wstring& reference) const;

    bool IsSameServer(const CUrl& other) const;
    // 2: another server; 0: other's Path lies in this Folder; 1: it does not.
    int GetRelation(const CUrl& other) const;
    // Paths compared as they stand or both unescaped; "" counts as "/".
    bool Equals(const CUrl& other) const;
    bool EqualsExactly(const CUrl& other) const;

    const std::wstring& GetFolder() const { return Folder; }
    std::wstring GetExtensionLower() const;

    // A relative file path for this URL: "/" becomes "\", the characters a
    // file name cannot hold become full-width ones.
    void ToLocalPath(std::wstring& out, bool withServer) const;
    // The reverse of ToLocalPath(.., true); keepLast false drops the last segment.
    void FromLocalPath(const std::wstring& localPath, bool keepLast);
    void WriteHostLabels(std::wostream& os) const;
    // The prefix, then the MD5 of Folder (thread ANSI code page) as upper-case
    // hexadecimal bytes without zero padding. Nothing when hashing fails.
    void WriteFolderDigest(std::wostream& os, const std::wstring& prefix) const;

private:
    void DerivePathParts();
    void RebuildUrl();
};

// Characters 1-255 other than letters, digits and # % & ' ( ) * + - . / : = ? _
// become "%xx" (lower-case hexadecimal); all others stay.
std::wstring EscapeUrlText(const std::wstring& text);
// "%XX" becomes its character only for 0x20-0x7E outside the set above, so
// "%2F" stays a literal slash and UTF-8 escapes ("%E6%97%A5") stay escaped.
std::wstring UnescapeUrlText(const std::wstring& text);
inline std::wstring EscapeUrl(const std::wstring& text) { return EscapeUrlText(text); }
inline std::wstring UnescapeUrl(const std::wstring& text) { return UnescapeUrlText(text); }
bool IsUrlReservedChar(wchar_t c);

// Translation tables between URL text and Windows file names.
void MakeFileNameSafe(std::wstring& text);
void UrlPathToLocalPath(std::wstring& text);
void LocalPathToUrlPath(std::wstring& text);
void SpaceToNoBreakSpace(std::wstring& text);

void EnsureRootPath(std::wstring& path);
bool CutAtIdeographicSpace(std::wstring& text);
// A colon before any slash.
bool HasUrlScheme(const wchar_t* text);
void ToLowerInPlace(std::wstring& text);
int ParseInt(const std::wstring& text);

// The 16 raw digest bytes, through CryptoAPI; out stays empty on failure.
HRESULT Md5Digest(std::string& out, const std::string& input);
