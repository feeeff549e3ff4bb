#include "platform/ScopedFlag.h"
#include <gtest/gtest.h>
#include <stdexcept>

TEST(ScopedFlag, UpForTheScopeAndBackAsItWas)
{
    bool flag = false;
    {
        CScopedFlag outer(flag);
        EXPECT_TRUE(flag);
        {
            CScopedFlag inner(flag);
            EXPECT_TRUE(flag);
        }
        EXPECT_TRUE(flag) << "an inner scope must not drop the outer one's flag";
    }
    EXPECT_FALSE(flag);
    try {
        CScopedFlag failing(flag);
        throw std::runtime_error("fails half-way");
    } catch (const std::runtime_error&) {
    }
    EXPECT_FALSE(flag) << "a failure must not leave the flag up";
}
