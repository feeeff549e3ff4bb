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
