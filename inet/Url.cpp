// URLs split by WinINet's cracker and rebuilt by its composer. A relative
// reference is resolved as a Windows path: its query is cut off first, the
// base folder put in front, "." and ".." segments removed by the shell's
// canonicaliser, the query put back. Unescaping decodes only plain printable
// ASCII outside the reserved set, so escaped multi-byte characters and
// escaped delimiters ("%2F", "%3F") keep their meaning.
#include "inet/Url.h"
#include "foundation/Error.h"
#include "foundation/File.h"
#include "foundation/PathUtil.h"
#include "foundation/StringUtil.h"
#include "platform/Crypt.h"
#include <cwctype>
#include <list>
#include <sstream>
#include <vector>
#include <wininet.h>

namespace {

bool IsUrlBlank(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n'; }

bool IsAsciiLetterOrDigit(wchar_t c)
{
    return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9');
}

const wchar_t kHexLower[] = L"0123456789abcdef";

} // namespace

bool IsUrlReservedChar(wchar_t c)
{
    return c != 0 && wcschr(L"#%&'()*+-./:=?_", c) != nullptr;
}

std::wstring EscapeUrlText(const std::wstring& text)
{
    std::wstring out;
    out.reserve(text.size());
    for (wchar_t c : text) {
        if (c >= 1 && c <= 255 && !IsAsciiLetterOrDigit(c) && !IsUrlReservedChar(c)) {
            out += L'%';
            out += kHexLower[(c >> 4) & 0xF];
            out += kHexLower[c & 0xF];
        } else {
            out += c;
        }
    }
    return out;
}

std::wstring UnescapeUrlText(const std::wstring& text)
{
    std::wstring out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'%' && i + 2 < text.size()) {
            int hi = HexDigitOrMinus(text[i + 1]);
            int lo = HexDigitOrMinus(text[i + 2]);
            if (hi >= 0 && lo >= 0) {
                wchar_t c = static_cast<wchar_t>(hi * 16 + lo);
                // Bytes above 0x7E belong to multi-byte escapes (UTF-8, Shift_JIS):
                // decoding one of them alone would corrupt the character.
                if (c >= 0x20 && c <= 0x7E && !IsUrlReservedChar(c)) {
                    out += c;
                    i += 2;
                    continue;
                }
            }
        }
        out += text[i];
    }
    return out;
}

// Both sets of each table have the same length, so TranslateChars never refuses them.
void MakeFileNameSafe(std::wstring& text)
{
    TranslateChars(text, L"/\\:*?\"<>|\u00A0",
                   L"\uFF0F\uFF3C\uFF1A\uFF0A\uFF1F\u201D\uFF1C\uFF1E\uFF5C ");
}

void UrlPathToLocalPath(std::wstring& text)
{
    TranslateChars(text, L"/\\:*?\"<>|\u00A0",
                   L"\\\uFF3C\uFF1A\uFF0A\uFF1F\u201D\uFF1C\uFF1E\uFF5C ");
}

void LocalPathToUrlPath(std::wstring& text)
{
    TranslateChars(text, L"\\\uFF3C\uFF0F\uFF1A\uFF0A\uFF1F\u201D\uFF1C\uFF1E\uFF5C",
                   L"/\\/:*?\"<>|");
}

void SpaceToNoBreakSpace(std::wstring& text) { TranslateChars(text, L" ", L"\u00A0"); }

void EnsureRootPath(std::wstring& path)
{
    if (path.empty())
        path = L"/";
}

bool CutAtIdeographicSpace(std::wstring& text)
{
    size_t pos = text.find(L'\u3000');
    if (pos == std::wstring::npos)
        return false;
    text.erase(pos);
    return true;
}

bool HasUrlScheme(const wchar_t* text)
{
    if (!text)
        return false;
    for (; *text; ++text) {
        if (*text == L'/')
            return false;
        if (*text == L':')
            return true;
    }
    return false;
}

void ToLowerInPlace(std::wstring& text)
{
    for (wchar_t& c : text)
        c = static_cast<wchar_t>(towlower(c));
}

int ParseInt(const std::wstring& text) { return _wtoi(text.c_str()); }

HRESULT Md5Digest(std::string& out, const std::string& input)
{
    out.clear();
    CCryptProvider provider;
    if (!provider.Acquire(MS_STRONG_PROV_W, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT))
        return FailedCallResult();
    CCryptHash hash;
    if (!hash.Create(provider.Get(), CALG_MD5))
        return FailedCallResult();
    if (!CryptHashData(hash.Get(), reinterpret_cast<const BYTE*>(input.data()),
                       static_cast<DWORD>(input.size()), 0))
        return FailedCallResult();
    DWORD size = 0;
    DWORD sizeLength = sizeof(size);
    if (!CryptGetHashParam(hash.Get(), HP_HASHSIZE, reinterpret_cast<BYTE*>(&size), &sizeLength, 0))
        return FailedCallResult();
    std::string digest(size, '\0');
    if (size && !CryptGetHashParam(hash.Get(), HP_HASHVAL, reinterpret_cast<BYTE*>(&digest[0]), &size, 0))
        return FailedCallResult();
    digest.resize(size);
    out.swap(digest);
    return S_OK;
}

void CUrl::Clear()
{
    Host.clear();
    Url.clear();
    Path.clear();
    Port.clear();
    Scheme.clear();
    Extra.clear();
    Folder.clear();
    FileName.clear();
    Extension.clear();
}

void CUrl::DerivePathParts()
{
    size_t cut = Path.find_last_of(L"/\\");
    if (cut == std::wstring::npos) {
        Folder.clear();
        FileName = Path;
    } else {
        Folder = Path.substr(0, cut + 1);
        FileName = Path.substr(cut + 1);
    }
    size_t dot = FileName.rfind(L'.');
    Extension = dot == std::wstring::npos ? std::wstring() : FileName.substr(dot + 1);
}

void CUrl::RebuildUrl()
{
    std::wostringstream os;
    WritePrefix(os, true);
    os << Path << Extra;
    Url = os.str();
}

void CUrl::Parse(const std::wstring& text)
{
    Clear();
    std::wstring url = UnescapeUrlText(text);
    TrimIf(url, IsUrlBlank);
    wchar_t scheme[33] = {}, host[257] = {}, user[129] = {}, password[129] = {};
    std::vector<wchar_t> path(2049), extra(2049);
    URL_COMPONENTSW parts = {};
    parts.dwStructSize = sizeof(parts);
    parts.lpszScheme = scheme;
    parts.dwSchemeLength = 33;
    parts.lpszHostName = host;
    parts.dwHostNameLength = 257;
    parts.lpszUserName = user;
    parts.dwUserNameLength = 129;
    parts.lpszPassword = password;
    parts.dwPasswordLength = 129;
    parts.lpszUrlPath = path.data();
    parts.dwUrlPathLength = 2049;
    parts.lpszExtraInfo = extra.data();
    parts.dwExtraInfoLength = 2049;
    if (!InternetCrackUrlW(url.c_str(), 0, 0, &parts))
        return;
    Url = url;
    Host.assign(host, parts.dwHostNameLength);
    Path.assign(path.data(), parts.dwUrlPathLength);
    DerivePathParts();
    if (parts.nPort != 80)
        Port = std::to_wstring(parts.nPort);
    Scheme.assign(scheme, parts.dwSchemeLength);
    Scheme += L':';
    Extra.assign(extra.data(), parts.dwExtraInfoLength);
}

HRESULT CUrl::Compose(std::wstring& out) const
{
    std::wstring scheme = Scheme;
    if (!scheme.empty() && scheme.back() == L':')
        scheme.pop_back();
    URL_COMPONENTSW parts = {};
    parts.dwStructSize = sizeof(parts);
    parts.lpszScheme = const_cast<wchar_t*>(scheme.c_str());
    parts.dwSchemeLength = static_cast<DWORD>(scheme.size());
    parts.nScheme = INTERNET_SCHEME_HTTP;
    parts.lpszHostName = const_cast<wchar_t*>(Host.c_str());
    parts.dwHostNameLength = static_cast<DWORD>(Host.size());
    parts.nPort = static_cast<INTERNET_PORT>(Port.empty() ? 80 : ParseInt(Port));
    // Null, not empty: with empty strings Wine writes "http://:@host".
    parts.lpszUserName = nullptr;
    parts.lpszPassword = nullptr;
    parts.lpszUrlPath = const_cast<wchar_t*>(Path.c_str());
    parts.dwUrlPathLength = static_cast<DWORD>(Path.size());
    parts.lpszExtraInfo = const_cast<wchar_t*>(Extra.c_str());
    parts.dwExtraInfoLength = static_cast<DWORD>(Extra.size());
    std::vector<wchar_t> buffer(2084);
    for (int attempt = 0; attempt < 2; ++attempt) {
        DWORD length = static_cast<DWORD>(buffer.size());
        if (InternetCreateUrlW(&parts, 0, buffer.data(), &length)) {
            out.assign(buffer.data(), wcsnlen(buffer.data(), buffer.size()));
            return S_OK;
        }
        DWORD error = GetLastError();
        if (error != ERROR_INSUFFICIENT_BUFFER)
            return error ? HResultFromWin32(error) : E_FAIL;
        // Windows reports the size needed in characters, Wine in bytes: taken as
        // characters, either is enough.
        buffer.assign(static_cast<size_t>(length) + 1, L'\0');
    }
    return HResultFromWin32(ERROR_INSUFFICIENT_BUFFER);
}

void CUrl::WritePrefix(std::wostream& os, bool withSlashes) const
{
    os << Scheme;
    if (withSlashes)
        os << L"//";
    os << Host;
    if (!Port.empty())
        os << L':' << Port;
}

void CUrl::SetPath(const std::wstring& text)
{
    Path = TrimCopyIf(text, IsUrlBlank);
    size_t query = Path.find(L'?');
    if (query != std::wstring::npos) {
        Extra = Path.substr(query);
        Path.erase(query);
    } else {
        Extra.clear();
    }
    DerivePathParts();
    RebuildUrl();
}

HRESULT CUrl::Resolve(CUrl& out, const std::wstring& reference) const
{
    if (HasUrlScheme(reference.c_str())) {
        out.Parse(reference);
        return S_OK;
    }
    std::wstring path = UnescapeUrlText(reference);
    // The query is no path: its "/" and ".." must not take part in canonicalising.
    std::wstring query;
    size_t cut = path.find(L'?');
    if (cut != std::wstring::npos) {
        query = path.substr(cut);
        path.erase(cut);
    }
    if (path.empty() || path[0] != L'/')
        path = Folder + path;
    ReplaceChar(path, L'/', L'\\');
    std::wstring canonical;
    if (!CanonicalizePath(canonical, path))
        return E_FAIL;
    ReplaceChar(canonical, L'\\', L'/');
    CUrl result = *this;
    result.SetPath(canonical + query);
    out = result;
    return S_OK;
}

bool CUrl::IsSameServer(const CUrl& other) const
{
    return Host == other.Host && Port == other.Port && Scheme == other.Scheme;
}

int CUrl::GetRelation(const CUrl& other) const
{
    if (!IsSameServer(other))
        return 2;
    return other.Path.compare(0, Folder.size(), Folder) == 0 ? 0 : 1;
}

bool CUrl::Equals(const CUrl& other) const
{
    if (!IsSameServer(other) || Extra != other.Extra)
        return false;
    std::wstring a = Path, b = other.Path;
    EnsureRootPath(a);
    EnsureRootPath(b);
    return a == b || UnescapeUrlText(a) == UnescapeUrlText(b);
}

bool CUrl::EqualsExactly(const CUrl& other) const
{
    if (!IsSameServer(other) || Extra != other.Extra)
        return false;
    std::wstring a = Path, b = other.Path;
    EnsureRootPath(a);
    EnsureRootPath(b);
    return a == b;
}

std::wstring CUrl::GetExtensionLower() const
{
    std::wstring out = Extension;
    ToLowerInPlace(out);
    return out;
}

void CUrl::ToLocalPath(std::wstring& out, bool withServer) const
{
    std::wostringstream os;
    if (withServer)
        WritePrefix(os, false);
    std::wstring path = Path;
    if (!path.empty() && path.back() == L'/')
        path.back() = L'\uFF0F';
    std::wstring extra = Extra;
    ReplaceChar(extra, L'/', L'\uFF0F');
    os << path << extra;
    out = os.str();
    UrlPathToLocalPath(out);
}

void CUrl::FromLocalPath(const std::wstring& localPath, bool keepLast)
{
    Clear();
    std::list<std::wstring> pieces;
    SplitString(localPath, L"\\", pieces);
    if (!keepLast && !pieces.empty())
        pieces.pop_back();
    std::vector<std::wstring> segments;
    for (std::wstring& piece : pieces) {
        if (piece.empty() || piece[0] == L'_')
            break;
        CutAtIdeographicSpace(piece);
        if (piece.empty())
            continue;
        LocalPathToUrlPath(piece);
        segments.push_back(piece);
    }
    if (segments.empty())
        return;
    std::wstring& last = segments.back();
    size_t query = last.find(L'?');
    std::wstring extra;
    if (query != std::wstring::npos) {
        extra = last.substr(query);
        last.erase(query);
    }
    std::list<std::wstring> server;
    SplitString(segments.front(), L":", server);
    std::vector<std::wstring> parts(server.begin(), server.end());
    if (parts.empty())
        return;
    if (parts.size() == 1) {
        Host = parts[0];
    } else if (parts.size() <= 3) {
        Scheme = parts[0] + L":";
        Host = parts[1];
        if (parts.size() == 3)
            Port = parts[2];
    }
    Extra = extra;
    for (size_t i = 1; i < segments.size(); ++i)
        Path += L"/" + segments[i];
    if (!Path.empty() && Path.back() == L'\uFF0E')
        Path.pop_back();
    DerivePathParts();
    RebuildUrl();
}

void CUrl::WriteHostLabels(std::wostream& os) const
{
    std::list<std::wstring> labels;
    SplitString(Host, L".", labels);
    bool super = labels.size() >= 3;
    if (super)
        labels.pop_front();
    os << (super ? L"super:" : L"sub:");
    bool first = true;
    for (const std::wstring& label : labels) {
        if (!first)
            os << L'.';
        os << label;
        first = false;
    }
}

void CUrl::WriteFolderDigest(std::wostream& os, const std::wstring& prefix) const
{
    std::string folder;
    if (!Folder.empty()) {
        int n = WideCharToMultiByte(CP_THREAD_ACP, 0, Folder.c_str(), static_cast<int>(Folder.size()),
                                    nullptr, 0, nullptr, nullptr);
        if (n <= 0)
            return;
        folder.assign(static_cast<size_t>(n), '\0');
        WideCharToMultiByte(CP_THREAD_ACP, 0, Folder.c_str(), static_cast<int>(Folder.size()),
                            &folder[0], n, nullptr, nullptr);
    }
    std::string digest;
    if (FAILED(Md5Digest(digest, folder)))
        return;
    std::ios_base::fmtflags flags = os.flags();
    os << prefix << std::hex << std::uppercase;
    for (unsigned char byte : digest)
        os << static_cast<unsigned>(byte);
    os.flags(flags);
}
