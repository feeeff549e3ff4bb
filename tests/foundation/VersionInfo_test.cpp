#include "foundation/AppInfo.h"
#include "foundation/VersionInfo.h"
#include "resources/strings_foundation.h"
#include "tests/common/TestSupport.h"
#include <gtest/gtest.h>

namespace {

// One node of a version resource: its length, the length of its value (in
// characters for a text, in bytes otherwise), its type (1 text, 0 binary),
// its key, the value and the children, each part aligned on 4 bytes.
std::string VersionNode(const std::wstring& key, const std::string& value, WORD valueLength, bool text,
                        const std::vector<std::string>& children = {})
{
    std::string node(6, '\0');
    node.append(reinterpret_cast<const char*>(key.c_str()), (key.size() + 1) * sizeof(wchar_t));
    node.resize((node.size() + 3) & ~size_t(3));
    node += value;
    for (const std::string& child : children) {
        node.resize((node.size() + 3) & ~size_t(3));
        node += child;
    }
    const WORD words[3] = {static_cast<WORD>(node.size()), valueLength, static_cast<WORD>(text ? 1 : 0)};
    node.replace(0, 6, reinterpret_cast<const char*>(words), 6);
    return node;
}

// A string value; `withTerminator` false writes an empty value as length 0.
std::string VersionString(const std::wstring& key, const std::wstring& value, bool withTerminator = true)
{
    const size_t chars = value.size() + (withTerminator ? 1 : 0);
    std::string bytes(reinterpret_cast<const char*>(value.c_str()), chars * sizeof(wchar_t));
    return VersionNode(key, bytes, static_cast<WORD>(chars), true);
}

struct CTranslation {
    WORD language, codePage;
    std::vector<std::string> strings;
};

// A whole VS_VERSIONINFO resource: the fixed part, one string table per
// translation and the translation list in the same order.
std::string VersionResource(const std::vector<CTranslation>& translations)
{
    VS_FIXEDFILEINFO fixed = {};
    fixed.dwSignature = VS_FFI_SIGNATURE;
    fixed.dwStrucVersion = VS_FFI_STRUCVERSION;
    std::vector<std::string> tables;
    std::string list;
    for (const CTranslation& t : translations) {
        wchar_t code[9];
        _snwprintf(code, 9, L"%04x%04x", t.language, t.codePage);
        tables.push_back(VersionNode(code, "", 0, true, t.strings));
        const WORD pair[2] = {t.language, t.codePage};
        list.append(reinterpret_cast<const char*>(pair), 4);
    }
    return VersionNode(L"VS_VERSION_INFO", std::string(reinterpret_cast<const char*>(&fixed), sizeof fixed),
                       sizeof fixed, false,
                       {VersionNode(L"StringFileInfo", "", 0, true, tables),
                        VersionNode(L"VarFileInfo", "", 0, true,
                                    {VersionNode(L"Translation", list, static_cast<WORD>(list.size()), false)})});
}

// A copy of a small system library whose only resource is the given version
// resource.
bool WriteLibraryWithVersion(const std::wstring& path, const std::string& resource)
{
    wchar_t system[MAX_PATH];
    const UINT n = GetSystemDirectoryW(system, MAX_PATH);
    if (n == 0 || n >= MAX_PATH || !CopyFileW((std::wstring(system) + L"\\version.dll").c_str(), path.c_str(), FALSE))
        return false;
    HANDLE update = BeginUpdateResourceW(path.c_str(), TRUE);
    if (!update)
        return false;
    const BOOL added = UpdateResourceW(update, MAKEINTRESOURCEW(16), MAKEINTRESOURCEW(1),
                                       MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL),
                                       const_cast<char*>(resource.data()), static_cast<DWORD>(resource.size()));
    return EndUpdateResourceW(update, !added) && added;
}

} // namespace

TEST(VersionInfo, VersionTextsToNumbers)
{
    struct Case {
        const wchar_t* text;
        bool ok;
        std::vector<DWORD> numbers;
    } const cases[] = {
        {L"2, 4, 1, 0", true, {2, 4, 1, 0}},
        {L"1.5", true, {1, 5, 0, 0}},
        {L"1.4.2.0.9", true, {1, 4, 2, 0}},      // pieces beyond the count are ignored
        {L"+3.\t7 .0,1", true, {3, 7, 0, 1}},
        {L"", true, {0, 0, 0, 0}},
        {L"2.4.x.0", false, {}},
        {L"2.-4", false, {}},
        {L"1.99999999999", false, {}},           // beyond 32 bits
    };
    for (const Case& c : cases) {
        std::vector<DWORD> out;
        EXPECT_EQ(c.ok, ParseVersionNumbers(c.text, 4, out)) << Narrow(c.text);
        if (c.ok) {
            EXPECT_EQ(c.numbers, out) << Narrow(c.text);
        }
    }
}

TEST(VersionInfo, PartsAbove16BitsAreACastError)
{
    WORD words[4];
    my::CException e = ThrownError([&] { NarrowVersionWords({2, 4, 1, 70000}, words); });
    EXPECT_EQ(UINT(IDS_CAST_ERROR), e.id);
    EXPECT_NE(std::wstring::npos, e.message.find(L"70000")) << Narrow(e.message);
    NarrowVersionWords({2, 4, 1, 65535}, words);
    EXPECT_EQ(L"2.4.1.65535", FormatVersion(words));
}

TEST(VersionInfo, ReadsTheRunningProgramsResource)
{
    CVersionInfo info;
    info.Load(GetModuleFilePath());
    WORD words[4];
    info.GetProductVersionWords(words);
    EXPECT_EQ(L"1.4.2.0", FormatVersion(words));
    EXPECT_FALSE(info.GetLegalCopyright().empty());
    // A value that no translation holds names every translation at once.
    my::CException e = ThrownError([&] { info.QueryString(L"\\StringFileInfo\\", L"\\NoSuchValue"); });
    EXPECT_EQ(UINT(IDS_VERSION_VALUE_MISSING), e.id);
    EXPECT_NE(std::wstring::npos, e.message.find(L"[ALL_TRANSLATES]\\NoSuchValue")) << Narrow(e.message);
}

// Both load failures read: the system text of the error, then the path.
TEST(VersionInfo, LoadFailuresNameTheErrorAndThePath)
{
    CTempFolder folder;
    const std::wstring plain = folder.File(L"plain.txt");
    WriteFileBytes(plain, "no resources here");
    CVersionInfo info;
    my::CException e = ThrownError([&] { info.Load(plain); });
    EXPECT_EQ(UINT(IDS_VERSION_SIZE_FAILED), e.id);
    EXPECT_TRUE(FAILED(e.code)) << std::hex << e.code;
    EXPECT_EQ(L"バージョン情報のサイズ取得に失敗しました: " + SystemText(e.code) + L"\n\n" + plain, e.message);
    EXPECT_EQ(plain, info.GetPath());

    SetLastError(ERROR_ACCESS_DENIED);
    e = VersionApiError(IDS_VERSION_INFO_FAILED, L"C:\\a b\\x.exe");
    EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED), e.code);
    EXPECT_EQ(L"バージョン情報の取得に失敗しました: " + SystemText(e.code) + L"\n\nC:\\a b\\x.exe", e.message);
    // A call that failed without saying why is still a failure.
    SetLastError(0);
    EXPECT_EQ(E_FAIL, VersionApiError(IDS_VERSION_INFO_FAILED, L"x").code);
}

// A value is taken from the first translation whose value is not empty, an
// empty value being written either with or without its terminator.
TEST(VersionInfo, EmptyValuesFallThroughToTheNextTranslation)
{
    CTempFolder folder;
    const std::wstring path = folder.File(L"two.dll");
    const std::string resource = VersionResource({
        {0x0411, 0x04B0, {VersionString(L"LegalCopyright", L""), VersionString(L"ProductVersion", L"", false)}},
        {0x0409, 0x04E4, {VersionString(L"LegalCopyright", L"(c) Second"), VersionString(L"ProductVersion", L"2, 4, 1, 0")}},
        {0x0407, 0x04B0, {VersionString(L"LegalCopyright", L"(c) Third")}},
    });
    ASSERT_TRUE(WriteLibraryWithVersion(path, resource));
    CVersionInfo info;
    info.Load(path);

    EXPECT_EQ(L"(c) Second", info.GetLegalCopyright());
    EXPECT_EQ(L"2, 4, 1, 0", info.GetProductVersion());
    const DWORD* translations = nullptr;
    UINT count = 0;
    ASSERT_TRUE(info.QueryValue(L"\\VarFileInfo\\Translation", translations, count));
    ASSERT_EQ(3u, count);
    EXPECT_EQ(MAKELONG(0x0411, 0x04B0), translations[0]);
    EXPECT_EQ(MAKELONG(0x0407, 0x04B0), translations[2]);
    EXPECT_FALSE(info.QueryValue(L"\\VarFileInfo\\Nothing", translations, count));
    EXPECT_EQ(nullptr, translations);
    EXPECT_EQ(0u, count);

    DLLVERSIONINFO dll = {};
    info.GetProductVersionDllInfo(dll);
    EXPECT_EQ(20u, dll.cbSize);
    EXPECT_EQ(2u, dll.dwMajorVersion);
    EXPECT_EQ(4u, dll.dwMinorVersion);
    EXPECT_EQ(1u, dll.dwBuildNumber);
    EXPECT_EQ(DWORD(DLLVER_PLATFORM_NT), dll.dwPlatformID);

    // No translation with a value at all, and a list without a whole pair.
    my::CException e = ThrownError([&] { info.QueryString(L"\\StringFileInfo\\", L"\\Comments"); });
    EXPECT_EQ(UINT(IDS_VERSION_VALUE_MISSING), e.id);
    EXPECT_EQ(L"バージョン情報が見つかりません\n\n" + path + L"\n\\StringFileInfo\\[ALL_TRANSLATES]\\Comments",
              e.message);
    std::string broken = VersionResource({});
    ASSERT_TRUE(WriteLibraryWithVersion(path, broken));
    info.Load(path);
    e = ThrownError([&] { info.GetLegalCopyright(); });
    EXPECT_EQ(UINT(IDS_VERSION_VALUE_EMPTY), e.id);
    EXPECT_EQ(L"バージョン情報が空です\n\n" + path + L"\n\\VarFileInfo\\Translation", e.message);
}
