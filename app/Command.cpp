#include "app/Command.h"
#include "foundation/GuardedRunner.h"
#include <boost/make_shared.hpp>

namespace knt {

void CCommand::InvokeCatching(my::CCtrlException& record, void (CCommand::*member)(bool), bool arg)
{
    CatchToError(record, [&] { (this->*member)(arg); });
}

void CCommand::Run(bool doIt, bool rethrow)
{
    my::CCtrlException record(nullptr, 0);
    InvokeCatching(record, &CCommand::Execute, doIt);
    if (!ReportCaughtError(*m_msg, record, true) && rethrow)
        throw my::CCtrlException(record);
}

void CCommand::RunInto(my::CCtrlException& record) { InvokeCatching(record, &CCommand::Execute, true); }

void CCommand::RunQuiet()
{
    my::CCtrlException record(nullptr, 0);
    InvokeCatching(record, &CCommand::Execute, true);
}

bool CCommand::RunAndTest()
{
    my::CCtrlException record(nullptr, 0);
    InvokeCatching(record, &CCommand::Execute, false);
    return record.id == 0;
}

namespace {
CCommandSet* g_commandSet = nullptr;
}

CCommandSet* GetCommandSet() { return g_commandSet; }

template <class T, class... Args>
void CCommandSet::Make(boost::shared_ptr<T>& member, Args&&... args)
{
    member = boost::make_shared<T>(GetMsg(), std::forward<Args>(args)...);
    All.push_back(member);
}

CCommandSet::CCommandSet()
{
    // Published first: a command may look for its siblings while it is made.
    g_commandSet = this;
    try {
        Make(Init);
        Make(Quit);
        Make(Open);
        Make(InitOpen);
        Make(DropOpen);
        Make(Save);
        Make(AutoSave);
        Make(SelectFont);
        Make(MoveDecoUp, true);
        Make(MoveDecoDown, false);
        Make(CopyDeco);
        Make(PasteDeco);
        Make(DropText);
    } catch (...) {
        ReleaseAll();
        throw;
    }
}

CCommandSet::~CCommandSet() { ReleaseAll(); }

void CCommandSet::ReleaseAll()
{
    // Newest first, the reverse of creation; the members go with their slot.
    while (!All.empty())
        All.pop_back();
    DropText.reset();
    PasteDeco.reset();
    CopyDeco.reset();
    MoveDecoDown.reset();
    MoveDecoUp.reset();
    SelectFont.reset();
    AutoSave.reset();
    Save.reset();
    DropOpen.reset();
    InitOpen.reset();
    Open.reset();
    Quit.reset();
    Init.reset();
    // A set that failed to be made, or is gone, must not stay reachable.
    if (g_commandSet == this)
        g_commandSet = nullptr;
}

} // namespace knt
