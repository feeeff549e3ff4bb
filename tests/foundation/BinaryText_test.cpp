#include "foundation/BinaryText.h"
#include "tests/common/TestSupport.h"
#include "resources/strings_foundation.h"
#include <gtest/gtest.h>
#include <wincrypt.h>
#include <vector>

TEST(BinaryText, Base64)
{
    const BYTE abc[] = {'a', 'b', 'c'};
    std::wstring text;
    ASSERT_EQ(S_OK, BinaryToString(text, abc, 3, CRYPT_STRING_BASE64, true));
    EXPECT_EQ(L"YWJj", text);
    ASSERT_EQ(S_OK, BinaryToString(text, abc, 3, CRYPT_STRING_BASE64, false));
    EXPECT_EQ(L"YWJj\r\n", text);
    BinaryToStringEx(text, abc, 3, CRYPT_STRING_BASE64, true, true);
    EXPECT_EQ(L"Y2Jh", text);
    std::string utf8;
    BinaryToUtf8String(utf8, abc, 3, CRYPT_STRING_BASE64, false, true);
    EXPECT_EQ("YWJj", utf8);
    WideStringToBase64(text, L"日本");
    EXPECT_EQ(L"5pel5pys", text);
    EXPECT_EQ(UINT(IDS_BINARY_TO_STRING_FAILED), ThrownId([&] { BinaryToStringOrThrow(text, abc, 3, 0xFFFF, true); }));

    // Every length round-trips through the system's decoder, and long texts
    // lose all their line breaks.
    std::vector<BYTE> bytes;
    for (int n = 1; n <= 200; ++n) {
        bytes.push_back(static_cast<BYTE>(n * 37 + 11));
        BinaryToStringEx(text, bytes.data(), n, CRYPT_STRING_BASE64, false, true);
        ASSERT_EQ(std::wstring::npos, text.find_first_of(L"\r\n"));
        ASSERT_EQ(static_cast<size_t>((n + 2) / 3 * 4), text.size());
        DWORD size = 0;
        ASSERT_TRUE(CryptStringToBinaryW(text.c_str(), 0, CRYPT_STRING_BASE64, nullptr, &size, nullptr, nullptr));
        std::vector<BYTE> decoded(size);
        ASSERT_TRUE(CryptStringToBinaryW(text.c_str(), 0, CRYPT_STRING_BASE64, decoded.data(), &size, nullptr,
                                         nullptr));
        ASSERT_EQ(bytes, decoded) << n;
    }
    std::wstring copy;
    CopyWithoutLineBreaks(copy, L"a\r\nb\nc\r");
    EXPECT_EQ(L"abc", copy);
    CopyWithoutLineBreaks(copy, nullptr);
    EXPECT_EQ(L"", copy);
}
