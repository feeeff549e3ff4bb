#include "app/StartUp.h"
#include "foundation/Error.h"
#include "tests/common/RecordingMsg.h"
#include "resources/strings_foundation.h"
#include <gtest/gtest.h>
#include <new>

TEST(StartUp, WhatStartUpThrowsIsShownAndEndsWithOne)
{
    struct Case {
        std::function<int()> run;
        int code;
        UINT shownId;  // 0: no box
    } const cases[] = {
        {[] { return 2; }, 2, 0},
        {[] { return 0; }, 0, 0},
        {[]() -> int { throw my::CException(IDS_INTERNAL_ERROR, L"no imaging factory"); }, 1, IDS_INTERNAL_ERROR},
        {[]() -> int { throw std::bad_alloc(); }, 1, IDS_STD_EXCEPTION},
        {[]() -> int { throw 7; }, 1, IDS_UNKNOWN_EXCEPTION},
    };
    for (const Case& c : cases) {
        CRecordingMsg sink;
        EXPECT_EQ(c.code, RunGuarded(c.run, sink));
        if (c.shownId == 0) {
            EXPECT_TRUE(sink.boxes.empty());
        } else {
            ASSERT_EQ(1u, sink.errors.size());
            EXPECT_EQ(c.shownId, sink.errors[0].id);
            EXPECT_EQ(static_cast<UINT>(MB_ICONERROR), sink.boxes[0].flags & MB_ICONMASK);
        }
    }
}
