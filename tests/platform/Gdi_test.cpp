#include "platform/Gdi.h"
#include <gtest/gtest.h>

// A selection is undone when its scope ends, or earlier by Restore, after
// which the guard leaves the DC alone.
TEST(SelectObjectGuard, RestoresOnceAtTheEndOrWhenAsked)
{
    CCreatedDC dc(CreateCompatibleDC(nullptr));
    ASSERT_NE(nullptr, dc.Get());
    const HGDIOBJ original = GetCurrentObject(dc, OBJ_BRUSH);
    CBrushHandle red(CreateSolidBrush(RGB(255, 0, 0))), blue(CreateSolidBrush(RGB(0, 0, 255)));
    {
        CSelectObjectGuard select(dc, red);
        EXPECT_FALSE(select.Failed());
        EXPECT_EQ(red.Get(), GetCurrentObject(dc, OBJ_BRUSH));
    }
    EXPECT_EQ(original, GetCurrentObject(dc, OBJ_BRUSH));
    {
        CSelectObjectGuard select(dc, red);
        select.Restore();
        EXPECT_EQ(original, GetCurrentObject(dc, OBJ_BRUSH));
        // What is selected after the restore stays at the end of the scope.
        SelectObject(dc, blue);
        select.Restore();
    }
    EXPECT_EQ(blue.Get(), GetCurrentObject(dc, OBJ_BRUSH));
    SelectObject(dc, original);

    // Nothing to select into, or nothing to select: nothing happens.
    CSelectObjectGuard noDC(nullptr, red);
    EXPECT_TRUE(noDC.Failed());
    CSelectObjectGuard noObject(dc, nullptr);
    EXPECT_TRUE(noObject.Failed());
    EXPECT_EQ(original, GetCurrentObject(dc, OBJ_BRUSH));
}

// Close ends a recording and hands its metafile over; a recording dropped
// unclosed takes its metafile with it, and no DC is left behind either way.
TEST(EnhMetaFileDC, CloseHandsTheMetafileOverAndResetDiscardsIt)
{
    CEnhMetaFileDC dc(CreateEnhMetaFileW(nullptr, nullptr, nullptr, nullptr));
    const HDC first = dc.Get();
    ASSERT_EQ(DWORD(OBJ_ENHMETADC), GetObjectType(first));
    ASSERT_TRUE(Rectangle(dc, 0, 0, 10, 10));
    CEnhMetaFileHandle meta(dc.Close());
    ASSERT_NE(nullptr, meta.Get());
    EXPECT_EQ(0u, GetObjectType(first));
    EXPECT_EQ(nullptr, dc.Close());  // nothing left to close
    ENHMETAHEADER header = {};
    ASSERT_NE(0u, GetEnhMetaFileHeader(meta, sizeof header, &header));
    EXPECT_LT(2u, header.nRecords);  // header, rectangle, end

    const HDC dropped = CreateEnhMetaFileW(nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, dropped);
    dc.Reset(dropped);
    dc.Reset();
    EXPECT_EQ(nullptr, dc.Get());
    EXPECT_EQ(0u, GetObjectType(dropped));
}
