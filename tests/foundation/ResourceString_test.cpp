#include "foundation/ResourceString.h"
#include "foundation/Error.h"
#include "resources/strings_foundation.h"
#include "tests/common/TestSupport.h"
#include <gtest/gtest.h>
#include <map>
#include <set>
#include <vector>

namespace {

const UINT kFirstLibraryId = 53248;
const WORD kJapanese = MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT);  // 1041
const WORD kEnglish = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);  // 1033

} // namespace

// Covers every area's string file: each library message exists in both
// languages, and no text is empty.
TEST(StringTable, LibraryMessagesInBothLanguages)
{
    std::vector<WORD> blocks = StringTableBlocks();
    ASSERT_FALSE(blocks.empty());
    size_t libraryIds = 0;
    for (WORD block : blocks) {
        std::map<UINT, std::wstring> ja, en;
        bool hasJa = ReadStringTableBlock(block, kJapanese, ja);
        bool hasEn = ReadStringTableBlock(block, kEnglish, en);
        UINT first = (block - 1u) * 16u;
        if (first + 15 < kFirstLibraryId) {
            EXPECT_TRUE(hasJa) << "application ids from " << first << " have no Japanese block";
            continue;
        }
        std::set<UINT> jaIds, enIds;
        for (const auto& t : ja) {
            if (t.first >= kFirstLibraryId)
                jaIds.insert(t.first);
        }
        for (const auto& t : en) {
            if (t.first >= kFirstLibraryId)
                enIds.insert(t.first);
        }
        for (UINT id : jaIds) {
            EXPECT_TRUE(enIds.count(id)) << id << " has no English text";
            EXPECT_NE(L"", ja[id]) << id;
        }
        for (UINT id : enIds)
            EXPECT_TRUE(jaIds.count(id)) << id << " has no Japanese text";
        EXPECT_TRUE(hasJa || !hasEn) << "block of " << first;
        libraryIds += jaIds.size();
    }
    EXPECT_GT(libraryIds, 100u);
}

TEST(StringTable, EveryLibraryFormatLoads)
{
    for (WORD block : StringTableBlocks()) {
        std::map<UINT, std::wstring> ja;
        ReadStringTableBlock(block, kJapanese, ja);
        for (const auto& t : ja) {
            std::wstring loaded;
            LoadResourceString(loaded, t.first, true);
            EXPECT_EQ(t.second, loaded) << t.first;  // the Japanese table is the one in use
        }
    }
}

TEST(ResourceStrings, LoadAndMissing)
{
    EXPECT_EQ(L"エラー", LoadResourceString(IDS_ERROR_TITLE));
    std::wstring out = L"old";
    LoadResourceString(out, 1, false);  // no such id
    EXPECT_EQ(L"", out);
    out = L"old";
    try {
        LoadResourceString(out, 1, true);
        ADD_FAILURE();
    } catch (const my::CException& e) {
        EXPECT_EQ(UINT(IDS_STRING_RESOURCE_MISSING), e.id);
        std::wstring prefix = L"文字列リソースが見つかりません - ";
        EXPECT_EQ(prefix, e.message.substr(0, prefix.size()));
        EXPECT_EQ(L"\n\nID: 1", e.message.substr(e.message.size() - 7));
    }
    EXPECT_EQ(L"", out);

    // An id missing from a block that exists: the code still reads as a failure.
    SetLastError(0);
    try {
        LoadResourceString(out, 53250, true);
        ADD_FAILURE();
    } catch (const my::CException& e) {
        EXPECT_EQ(UINT(IDS_STRING_RESOURCE_MISSING), e.id);
        EXPECT_TRUE(FAILED(e.code)) << std::hex << e.code;
    }

    AssignResourceString(out, 0);
    EXPECT_EQ(L"", out);
    AssignResourceString(out, IDS_QUERY_TITLE);
    EXPECT_EQ(L"確認", out);
}

TEST(ResourceStrings, Holder)
{
    ResourceString none;
    EXPECT_EQ(0u, none.id);
    EXPECT_EQ(L"", none.text);

    ResourceString holder(IDS_ERROR_TITLE);
    EXPECT_EQ(L"エラー", holder.str());
    holder.text = L"edited";
    holder.SetId(IDS_ERROR_TITLE);  // the same id does not reload
    EXPECT_EQ(L"edited", holder.text);
    holder.SetId(IDS_QUERY_TITLE);
    EXPECT_EQ(L"確認", holder.text);
    EXPECT_EQ(UINT(IDS_QUERY_TITLE), holder.id);
    holder.SetId(0);
    EXPECT_EQ(L"", holder.text);
    EXPECT_THROW(ResourceString(1), my::CException);
}

TEST(ResourceStrings, Maps)
{
    CResourceStringMap map;
    LoadResourceStringMap(map, IDS_QUERY_TITLE, IDS_ERROR_TITLE, true);
    EXPECT_TRUE(map.empty());
    map[IDS_ERROR_TITLE] = L"stale";
    LoadResourceStringMap(map, IDS_ERROR_TITLE, IDS_QUERY_TITLE, true);
    EXPECT_EQ(2u, map.size());
    EXPECT_EQ(L"エラー", map[IDS_ERROR_TITLE]);

    LoadResourceStringToMap(map, 1, false);  // missing: an empty text
    EXPECT_EQ(L"", map.at(1));
    EXPECT_THROW(LoadResourceStringToMap(map, 2, true), my::CException);
    EXPECT_EQ(0u, map.count(2));
}

TEST(ResourceStrings, FormattingIsCutAtItsLimit)
{
    // A message is never longer than its format plus 1023 characters.
    std::wstring format = LoadResourceString(IDS_INTERNAL_ERROR);
    std::wstring out;
    EXPECT_TRUE(FormatResource(out, IDS_INTERNAL_ERROR, std::wstring(5000, L'a').c_str()));
    EXPECT_EQ(format.size() + 1023, out.size());
    EXPECT_EQ(L"内部エラー\n\naaa", out.substr(0, 10));

    FormatString(out, L"01234567890123456789%s", std::wstring(5000, L'b').c_str());
    EXPECT_EQ(22u + 1023u, out.size());

    // A text that just fits is kept whole.
    FormatString(out, L"%s", std::wstring(1025, L'c').c_str());
    EXPECT_EQ(1025u, out.size());
    FormatString(out, L"%s", std::wstring(1026, L'c').c_str());
    EXPECT_EQ(1025u, out.size());

    EXPECT_EQ(L"7 x 3.50", FormatStr(L"%d %s %.2f", 7, L"x", 3.5));
}
