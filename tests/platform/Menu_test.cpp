#include "platform/Menu.h"
#include <gtest/gtest.h>
#include <utility>

TEST(MenuHandle, DestroysWhatItOwnsOnce)
{
    CMenuHandle menu(::CreatePopupMenu());
    ASSERT_TRUE(menu.Get());
    const HMENU first = menu.Get();
    CMenuHandle moved(std::move(menu));
    EXPECT_EQ(nullptr, menu.Get());
    EXPECT_TRUE(::IsMenu(first));
    moved.Reset(::CreatePopupMenu());
    EXPECT_FALSE(::IsMenu(first));
    const HMENU second = moved.Get();
    EXPECT_TRUE(::IsMenu(second));
    ::DestroyMenu(moved.Detach());
    EXPECT_EQ(nullptr, moved.Get());
}
