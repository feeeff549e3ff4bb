#include "app/StartUp.h"
#include "foundation/Error.h"
#include "tests/common/RecordingMsg.h"
#include "resources/strings_app.h"
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

TEST(StartUp, StartUpCallsThatFailAreShownAndEndWithOne)
{
    struct Case {
        const char* name;
        std::function<void()> check;
        UINT shownId;  // 0: it passes
    } const cases[] = {
        {"OLE started", [] { CheckOleStarted(S_OK); }, 0},
        {"OLE started before", [] { CheckOleStarted(S_FALSE); }, 0},
        {"OLE in another apartment", [] { CheckOleStarted(RPC_E_CHANGED_MODE); }, IDS_OLE_START_FAILED},
        {"GDI+ started", [] { CheckGdiplusStarted(0); }, 0},
        {"GDI+ version refused", [] { CheckGdiplusStarted(17); }, IDS_GDIPLUS_START_FAILED},
        {"no main window", [] {
             SetLastError(ERROR_NOT_ENOUGH_MEMORY);
             CheckMainWindowCreated(nullptr);
         }, IDS_MAIN_WINDOW_FAILED},
        {"no main window, no reason", [] {
             SetLastError(0);
             CheckMainWindowCreated(nullptr);
         }, IDS_MAIN_WINDOW_FAILED},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CRecordingMsg sink;
        const int code = RunGuarded(
            [&] {
                c.check();
                return 2;
            },
            sink);
        if (c.shownId == 0) {
            EXPECT_EQ(2, code);
            EXPECT_TRUE(sink.boxes.empty());
            continue;
        }
        EXPECT_EQ(1, code);
        ASSERT_EQ(1u, sink.errors.size());
        EXPECT_EQ(c.shownId, sink.errors[0].id);
        EXPECT_FALSE(sink.errors[0].message.empty());
    }
}
