#include "foundation/Registry.h"
#include "platform/RegKey.h"
#include "tests/common/TestSupport.h"
#include <gtest/gtest.h>
#include <cstring>
#include <string>

namespace {

// A key of its own under HKCU\Software\KanteloTest, deleted with everything
// in it at the end of the test.
class CTestKey {
public:
    CTestKey()
    {
        m_name = L"Registry-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(GetTickCount());
        m_parent.Create(HKEY_CURRENT_USER, L"Software\\KanteloTest");
        m_key.Create(m_parent, m_name.c_str());
    }
    ~CTestKey()
    {
        m_key.Close();
        m_parent.RecurseDeleteKey(m_name.c_str());
    }
    HKEY Key() const { return m_key; }
    HKEY Parent() const { return m_parent; }
    const std::wstring& Name() const { return m_name; }
private:
    std::wstring m_name;
    CRegKey m_parent;
    CRegKey m_key;
};

void SetRaw(HKEY key, const wchar_t* name, DWORD type, const void* data, DWORD bytes)
{
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), bytes));
}

} // namespace

TEST(Registry, StringRoundTrip)
{
    CTestKey key;
    ASSERT_NE(nullptr, key.Key());
    // 1023 characters and their NUL fill the first buffer exactly; longer
    // values need the buffer to grow once or twice.
    const size_t lengths[] = {0, 1, 1023, 1024, 2047, 3000, 5000};
    for (size_t n : lengths) {
        std::wstring text;
        for (size_t i = 0; i < n; ++i)
            text.push_back(static_cast<wchar_t>(L'あ' + i % 80));
        ASSERT_TRUE(RegSetStringValue(key.Key(), L"Text", text)) << n;
        std::wstring back = L"unchanged";
        EXPECT_TRUE(RegQueryStringValue(key.Key(), L"Text", back)) << n;
        EXPECT_EQ(text, back) << n;
    }
}

TEST(Registry, EmptyStringStoresOneNul)
{
    CTestKey key;
    ASSERT_TRUE(RegSetStringValue(key.Key(), L"Empty", std::wstring()));
    DWORD type = 0, bytes = 0;
    ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExW(key.Key(), L"Empty", nullptr, &type, nullptr, &bytes));
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
    EXPECT_EQ(2u, bytes);
    EXPECT_FALSE(RegSetStringValue(key.Key(), L"Null", static_cast<const wchar_t*>(nullptr)));
    EXPECT_TRUE(RegSetStringValue(key.Key(), L"Literal", L"abc"));
    std::wstring back;
    EXPECT_TRUE(RegQueryStringValue(key.Key(), L"Literal", back));
    EXPECT_EQ(L"abc", back);
}

TEST(Registry, StoredFormsThatReadOrFail)
{
    CTestKey key;
    const DWORD number = 7;
    const wchar_t noNul[] = {L'a', L'b'};
    const wchar_t expand[] = L"%TEMP%\\x";
    const char odd[] = {'a', 0, 0};
    struct Case { const wchar_t* name; DWORD type; const void* data; DWORD bytes; bool ok; std::wstring text; } cases[] = {
        {L"Dword", REG_DWORD, &number, 4, false, L""},
        {L"ZeroBytes", REG_SZ, L"", 0, true, L""},
        {L"NoNul", REG_SZ, noNul, 4, false, L""},
        {L"Expand", REG_EXPAND_SZ, expand, sizeof expand, true, L"%TEMP%\\x"},
        {L"OddCount", REG_SZ, odd, 3, false, L""},
        {L"Binary", REG_BINARY, L"a", 4, false, L""},
    };
    for (const Case& c : cases) {
        SetRaw(key.Key(), c.name, c.type, c.data, c.bytes);
        std::wstring value = L"before";
        EXPECT_EQ(c.ok, RegQueryStringValue(key.Key(), c.name, value)) << Narrow(c.name);
        EXPECT_EQ(c.ok ? c.text : std::wstring(L"before"), value) << Narrow(c.name);
    }
    std::wstring value = L"before";
    EXPECT_FALSE(RegQueryStringValue(key.Key(), L"Missing", value));
    EXPECT_EQ(L"before", value);
}

TEST(RegKey, OpenCreateAndTypedValues)
{
    CTestKey test;
    CRegKey key;
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, key.Open(test.Key(), L"Font", KEY_READ));
    EXPECT_EQ(nullptr, key.m_hKey);

    DWORD disposition = 0;
    ASSERT_EQ(ERROR_SUCCESS, key.Create(test.Key(), L"Font", nullptr, REG_OPTION_NON_VOLATILE,
                                        KEY_READ | KEY_WRITE, nullptr, &disposition));
    EXPECT_EQ(static_cast<DWORD>(REG_CREATED_NEW_KEY), disposition);
    EXPECT_EQ(ERROR_SUCCESS, key.SetDWORDValue(L"Weight", 700));
    EXPECT_EQ(ERROR_SUCCESS, key.SetStringValue(L"FontFace", L"IPAGothic"));
    const unsigned char blob[] = {1, 2, 3, 0, 255};
    EXPECT_EQ(ERROR_SUCCESS, key.SetBinaryValue(L"Blob", blob, sizeof blob));

    CRegKey reader;
    ASSERT_EQ(ERROR_SUCCESS, reader.Open(test.Key(), L"Font", KEY_READ));
    DWORD weight = 0;
    EXPECT_EQ(ERROR_SUCCESS, reader.QueryDWORDValue(L"Weight", weight));
    EXPECT_EQ(700u, weight);
    EXPECT_NE(ERROR_SUCCESS, reader.QueryDWORDValue(L"FontFace", weight));
    EXPECT_EQ(700u, weight);

    wchar_t face[32];
    ULONG chars = 32;
    EXPECT_EQ(ERROR_SUCCESS, reader.QueryStringValue(L"FontFace", face, &chars));
    EXPECT_STREQ(L"IPAGothic", face);
    EXPECT_EQ(10u, chars);
    chars = 4;
    EXPECT_EQ(ERROR_MORE_DATA, reader.QueryStringValue(L"FontFace", face, &chars));

    unsigned char back[8] = {};
    ULONG bytes = sizeof back;
    EXPECT_EQ(ERROR_SUCCESS, reader.QueryBinaryValue(L"Blob", back, &bytes));
    EXPECT_EQ(sizeof blob, bytes);
    EXPECT_EQ(0, memcmp(blob, back, sizeof blob));
    bytes = sizeof back;
    EXPECT_EQ(ERROR_INVALID_DATA, reader.QueryBinaryValue(L"Weight", back, &bytes));

    // A second create opens the existing key and closes the one held before.
    ASSERT_EQ(ERROR_SUCCESS, key.Create(test.Key(), L"Font", nullptr, REG_OPTION_NON_VOLATILE,
                                        KEY_READ | KEY_WRITE, nullptr, &disposition));
    EXPECT_EQ(static_cast<DWORD>(REG_OPENED_EXISTING_KEY), disposition);
    EXPECT_EQ(ERROR_SUCCESS, key.Close());
    EXPECT_EQ(ERROR_SUCCESS, key.Close());  // nothing open: nothing to close
}
