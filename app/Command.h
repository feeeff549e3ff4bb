// Every user action that reads, changes or saves the settings outside the
// ordinary control edits is a command object. A caller sets the command's
// parameter fields, then runs it in one of four modes; every mode goes through
// the guarded runner, so nothing the work throws leaves the command except
// through Run with rethrow.
//
// Execute(doIt): with true the command does its work; with false it only makes
// its checks and throws exactly what the real run would throw for them, so a
// caller can ask "would it work now?" without side effects.
#pragma once
#include "foundation/Error.h"
#include "foundation/HasMixins.h"
#include "foundation/ItemIDList.h"
#include "foundation/Msg.h"
#include <boost/shared_ptr.hpp>
#include <string>
#include <vector>

namespace knt {

class CCommand {
public:
    explicit CCommand(::CMsg& msg) : m_msg(&msg) {}
    virtual ~CCommand() = default;
    CCommand(const CCommand&) = delete;
    CCommand& operator=(const CCommand&) = delete;

    // Execute(doIt); an error focuses its control (when it names one) and is
    // shown through the sink, then thrown again when rethrow is set.
    virtual void Run(bool doIt, bool rethrow);
    // Execute(true); the error is left in the caller's record, nothing shown.
    virtual void RunInto(my::CCtrlException& record);
    // Execute(true); the error is dropped.
    virtual void RunQuiet();
    // Execute(false): true when the checks pass; nothing shown.
    virtual bool RunAndTest();
    virtual void Execute(bool doIt) {}

    ::CMsg& GetMsg() const { return *m_msg; }

protected:
    // Clears the record, calls the member with its argument and turns
    // whatever it throws into the record (the guarded runner's conversion).
    void InvokeCatching(my::CCtrlException& record, void (CCommand::*member)(bool), bool arg);

private:
    ::CMsg* m_msg;
};

typedef boost::shared_ptr<CCommand> CCommandPtr;

// Set when start-up must end.
class CCommandInit : public CCommand {
public:
    using CCommand::CCommand;
    bool Stop = false;
    void Execute(bool doIt) override;
};

class CCommandQuit : public CCommand {
public:
    using CCommand::CCommand;
    void Execute(bool doIt) override;
};

// An empty path asks with the open dialog.
class CCommandOpen : public CCommand, public CHasPath {
public:
    using CCommand::CCommand;
};

class CCommandInitOpen : public CCommandOpen {
public:
    using CCommandOpen::CCommandOpen;
};

// The items of the last drag, and the error of their extraction, wait here
// for the run.
class CCommandDropOpen : public CCommandOpen {
public:
    using CCommandOpen::CCommandOpen;
    my::CCtrlException PendingError{nullptr, 0};
    std::vector<CItemIDList> Items;
};

// An empty path asks with the save dialog.
class CCommandSave : public CCommand, public CHasPath {
public:
    using CCommand::CCommand;
};

class CCommandAutoSave : public CCommand {
public:
    using CCommand::CCommand;
    void Execute(bool doIt) override;

private:
    // The last write failed and was shown: the next failure is not shown
    // again (every keystroke saves), until a write succeeds.
    bool m_failing = false;
};

class CCommandSelectFont : public CCommand {
public:
    using CCommand::CCommand;
};

// Moves decoration row Index one place up (or down).
class CCommandMoveDeco : public CCommand {
public:
    CCommandMoveDeco(::CMsg& msg, bool up) : CCommand(msg), Up(up) {}
    const bool Up;
    int Index = 0;
};

class CCommandCopyDeco : public CCommand {
public:
    using CCommand::CCommand;
    int Index = 0;
};

class CCommandPasteDeco : public CCommand {
public:
    using CCommand::CCommand;
    int Index = 0;
};

class CCommandDropText : public CCommand {
public:
    using CCommand::CCommand;
    my::CCtrlException PendingError{nullptr, 0};
    std::vector<CItemIDList> Items;
};

// The commands of the program, made once at start-up and living for the whole
// run; reached through GetCommandSet while the set exists.
class CCommandSet {
public:
    CCommandSet();
    ~CCommandSet();
    CCommandSet(const CCommandSet&) = delete;
    CCommandSet& operator=(const CCommandSet&) = delete;

    // Every command, in creation order.
    std::vector<CCommandPtr> All;
    boost::shared_ptr<CCommandInit> Init;
    boost::shared_ptr<CCommandQuit> Quit;
    boost::shared_ptr<CCommandOpen> Open;
    boost::shared_ptr<CCommandInitOpen> InitOpen;
    boost::shared_ptr<CCommandDropOpen> DropOpen;
    boost::shared_ptr<CCommandSave> Save;
    boost::shared_ptr<CCommandAutoSave> AutoSave;
    boost::shared_ptr<CCommandSelectFont> SelectFont;
    boost::shared_ptr<CCommandMoveDeco> MoveDecoUp;
    boost::shared_ptr<CCommandMoveDeco> MoveDecoDown;
    boost::shared_ptr<CCommandCopyDeco> CopyDeco;
    boost::shared_ptr<CCommandPasteDeco> PasteDeco;
    boost::shared_ptr<CCommandDropText> DropText;

private:
    template <class T, class... Args>
    void Make(boost::shared_ptr<T>& member, Args&&... args);
    void ReleaseAll();
};

// The set while it exists, else null.
CCommandSet* GetCommandSet();

} // namespace knt
