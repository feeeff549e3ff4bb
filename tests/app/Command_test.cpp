#include "app/Command.h"
#include "foundation/GuardedRunner.h"
#include "tests/common/RecordingMsg.h"
#include "tests/common/TestSupport.h"
#include "resources/strings_foundation.h"
#include <gtest/gtest.h>
#include <boost/regex.hpp>
#include <functional>
#include <new>
#include <stdexcept>
#include <typeinfo>

namespace {

// A command whose work is given by the test; it remembers every doIt.
class CProbeCommand : public knt::CCommand {
public:
    using CCommand::CCommand;
    std::function<void()> work;
    std::vector<bool> calls;
    void Execute(bool doIt) override
    {
        calls.push_back(doIt);
        if (work)
            work();
    }
};

} // namespace

TEST(Command, EveryModeConvertsLikeTheGuardedRunner)
{
    HWND control = reinterpret_cast<HWND>(0x4321);
    const std::function<void()> throws[] = {
        [] {},
        [=] { ThrowNoSelectionCtrl(control); },
        [] { throw my::CException(IDS_INTERNAL_ERROR, E_OUTOFMEMORY, L"x"); },
        [] { boost::wregex r(L"a{"); },
        [] { throw std::bad_alloc(); },
        [] { throw std::logic_error("broken"); },
        [] { throw 7; },
    };
    for (size_t i = 0; i < sizeof throws / sizeof throws[0]; ++i) {
        SCOPED_TRACE(i);
        my::CCtrlException expected(nullptr, 0);
        CatchToError(expected, throws[i]);
        bool fails = expected.id != 0;

        CRecordingMsg sink;
        CProbeCommand command(sink);
        command.work = throws[i];

        my::CCtrlException record(reinterpret_cast<HWND>(1), IDS_ABORTED);  // stale: cleared first
        command.RunInto(record);
        EXPECT_EQ(expected.id, record.id);
        EXPECT_EQ(expected.code, record.code);
        EXPECT_EQ(expected.message, record.message);
        EXPECT_EQ(expected.control, record.control);

        command.RunQuiet();
        EXPECT_EQ(!fails, command.RunAndTest());
        EXPECT_TRUE(sink.boxes.empty());  // no mode but Run shows anything

        command.Run(true, false);
        ASSERT_EQ(fails ? 1u : 0u, sink.errors.size());
        if (fails) {
            EXPECT_EQ(expected.id, sink.errors[0].id);
            EXPECT_EQ(expected.message, sink.Last().text);
            EXPECT_EQ(static_cast<UINT>(MB_ICONERROR), sink.Last().flags);
        }

        my::CCtrlException thrown(nullptr, 0);
        bool rethrown = false;
        try {
            command.Run(false, true);
        } catch (const my::CCtrlException& e) {
            rethrown = true;
            thrown = e;
        }
        EXPECT_EQ(fails, rethrown);
        EXPECT_EQ(expected.id, thrown.id);
        EXPECT_EQ(expected.control, thrown.control);
        EXPECT_EQ(fails ? 2u : 0u, sink.errors.size());  // shown before it is thrown again

        // Only the test mode and Run(false) ask for the checks alone.
        EXPECT_EQ((std::vector<bool>{true, true, false, true, false}), command.calls);
    }
}

TEST(Command, SetMakesEveryCommandInOrderAndIsReachableWhileItLives)
{
    EXPECT_EQ(nullptr, knt::GetCommandSet());
    {
        knt::CCommandSet set;
        EXPECT_EQ(&set, knt::GetCommandSet());
        const knt::CCommandPtr inOrder[] = {set.Init,     set.Quit,         set.Open,       set.InitOpen, set.DropOpen,
                                            set.Save,     set.AutoSave,     set.SelectFont, set.MoveDecoUp,
                                            set.MoveDecoDown, set.CopyDeco, set.PasteDeco,  set.DropText};
        ASSERT_EQ(13u, set.All.size());
        for (size_t i = 0; i < set.All.size(); ++i) {
            ASSERT_TRUE(inOrder[i]) << i;
            EXPECT_EQ(inOrder[i], set.All[i]) << i;
            EXPECT_EQ(&knt::GetMsg(), &set.All[i]->GetMsg()) << i;
        }
        EXPECT_TRUE(set.MoveDecoUp->Up);
        EXPECT_FALSE(set.MoveDecoDown->Up);
        EXPECT_EQ(typeid(knt::CCommandMoveDeco), typeid(*set.MoveDecoDown));
        EXPECT_TRUE(dynamic_cast<knt::CCommandOpen*>(set.DropOpen.get()));
        EXPECT_TRUE(dynamic_cast<knt::CCommandOpen*>(set.InitOpen.get()));
    }
    EXPECT_EQ(nullptr, knt::GetCommandSet());
}
