#include "foundation/Error.h"
#include "foundation/NamedValues.h"
#include "foundation/ResourceString.h"
#include "foundation/StringUtil.h"
#include "resources/strings_foundation.h"
#include "tests/common/TestSupport.h"
#include <gtest/gtest.h>

// The same messages under an English user interface.
TEST(ErrorEnglish, MessagesAndListsInEnglish)
{
    HRESULT hr = HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
    my::CException e(IDS_STRING_RESOURCE_MISSING, hr, L"7");
    EXPECT_EQ(L"Resource string is missing - " + TrimCopyIf(FormatSystemMessage(hr), IsSpaceOrCr) + L"\n\nID: 7",
              e.message);
    EXPECT_EQ(L"Error", LoadResourceString(IDS_ERROR_TITLE));

    // The English text of IDS_START_DOC_FAILED has no "%s": the system text is dropped.
    SetLastError(ERROR_ACCESS_DENIED);
    try {
        ThrowStartDocError();
    } catch (const my::CException& x) {
        EXPECT_EQ(L"Failed to start document for printing task", x.message);
    }
    std::wstring cut;
    FormatResource(cut, IDS_INTERNAL_ERROR, std::wstring(3000, L'z').c_str());
    EXPECT_EQ(LoadResourceString(IDS_INTERNAL_ERROR).size() + 1023, cut.size());

    EXPECT_EQ(L"White", GetNamedColors().front()->name);
    EXPECT_EQ(L"Highest (Low compress)", GetJpegQualityPresets().back()->name);
    EXPECT_EQ(L"Not-flip X | Flip Y (alternate)", FlipModeText(2 | 8));
}

// Under an English user interface every library message loads its English
// text, and the application's own texts fall back to the Japanese ones.
TEST(ErrorEnglish, EveryLibraryMessageLoadsItsEnglishText)
{
    const WORD english = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);
    const WORD japanese = MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT);
    size_t library = 0;
    for (WORD block : StringTableBlocks()) {
        std::map<UINT, std::wstring> en, ja;
        ReadStringTableBlock(block, english, en);
        ReadStringTableBlock(block, japanese, ja);
        for (const auto& t : en) {
            if (t.first < 53248)
                continue;
            EXPECT_EQ(t.second, LoadResourceString(t.first, true)) << t.first;
            ++library;
        }
        for (const auto& t : ja) {
            if (t.first >= 53248 || en.count(t.first))
                continue;
            EXPECT_EQ(t.second, LoadResourceString(t.first, true)) << t.first;
        }
    }
    EXPECT_GT(library, 100u);
}
