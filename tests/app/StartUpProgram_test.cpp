// The program where it cannot start: without a display no window can be
// made, and the program says so and ends with 1 instead of ending as if the
// user had declined to go on (0).
#include "tests/app/ProgramDriver.h"
#include <gtest/gtest.h>

TEST(StartUpProgram, AMainWindowThatCannotBeMadeEndsWithOne)
{
    if (CanCreateWindows())
        GTEST_SKIP() << "windows can be made here: the program would start";
    ResetProgramState();
    const CDriveResult r = RunDriveScript(L"launch\nexit 1\n");
    ResetProgramState();
    EXPECT_EQ(0u, r.exitCode) << r.output;
}
