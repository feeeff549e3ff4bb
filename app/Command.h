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
#include "foundation/CommandLine.h"
#include "foundation/Error.h"
#include "foundation/HasMixins.h"
#include "foundation/ItemIDList.h"
#include "foundation/Msg.h"
#include <boost/shared_ptr.hpp>
#include <string>
#include <vector>

class CFontListDlg;

namespace knt {

// The clipboard format of one decoration.
extern const wchar_t kBorderingsClipboardFormat[];
// The largest text file a drop on the text box reads.
const int kDroppedTextLimit = 32000;

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
// Sets up the application information and reads the settings file (asking
// how to go on when it is unreadable or newer than this program).
class CCommandInit : public CCommand {
public:
    using CCommand::CCommand;
    void Execute(bool doIt) override;
    bool Stop = false;

private:
    // False when the user chose to end start-up.
    bool LoadSettings();
};

// Records the window layout and writes the whole settings file.
class CCommandQuit : public CCommand {
public:
    using CCommand::CCommand;
    void Execute(bool doIt) override;
};

// Reads a decoration settings file into the settings. An empty path asks
// with the open dialog.
class CCommandOpen : public CCommand, public CHasPath {
public:
    using CCommand::CCommand;
    void Execute(bool doIt) override;

protected:
    // The open dialog; false on Cancel.
    virtual bool AskPath(std::wstring& path);
    // Reads Path; the settings and the window's current file change only
    // when the whole file was read.
    void OpenPath();
};

// Opens the file named on the command line, if any.
class CCommandInitOpen : public CCommandOpen {
public:
    using CCommandOpen::CCommandOpen;
    void Execute(bool doIt) override;

protected:
    virtual void ParseCommandLine(CSingleCommandLineParser& parser);
};

// The items of the last drag, and the error of their extraction, wait in a
// drop command for its run.
struct CDroppedItems {
    my::CCtrlException PendingError{nullptr, 0};
    std::vector<CItemIDList> Items;
};

class CCommandDropOpen : public CCommandOpen, public CDroppedItems {
public:
    using CCommandOpen::CCommandOpen;
    void Execute(bool doIt) override;
};

// Writes the decoration settings file. An empty path asks with the save
// dialog.
class CCommandSave : public CCommand, public CHasPath {
public:
    using CCommand::CCommand;
    void Execute(bool doIt) override;

protected:
    // The save dialog; false on Cancel.
    virtual bool AskPath(std::wstring& path);
};

// Writes the settings file after a change. A file that cannot be written is
// reported once, not at every keystroke, until a write succeeds again.
class CCommandAutoSave : public CCommand {
public:
    using CCommand::CCommand;
    void Execute(bool doIt) override;

private:
    bool m_failureShown = false;
};

// The font list dialog over the settings' record of it; the chosen face on OK.
class CCommandSelectFont : public CCommand {
public:
    using CCommand::CCommand;
    void Execute(bool doIt) override;

protected:
    // The modal run (tests answer in its place).
    virtual INT_PTR RunDialog(CFontListDlg& dlg);
};

// Moves decoration row Index one place up (or down).
class CCommandMoveDeco : public CCommand {
public:
    CCommandMoveDeco(::CMsg& msg, bool up) : CCommand(msg), Up(up) {}
    void Execute(bool doIt) override;
    const bool Up;
    int Index = 0;
};

// Decoration row Index to the clipboard.
class CCommandCopyDeco : public CCommand {
public:
    using CCommand::CCommand;
    void Execute(bool doIt) override;
    int Index = 0;
};

// The clipboard's decoration into row Index; the check asks whether the
// clipboard holds one.
class CCommandPasteDeco : public CCommand {
public:
    using CCommand::CCommand;
    void Execute(bool doIt) override;
    int Index = 0;
};

// The first dropped file read as the text to decorate (at most
// kDroppedTextLimit bytes).
class CCommandDropText : public CCommand, public CDroppedItems {
public:
    using CCommand::CCommand;
    void Execute(bool doIt) override;
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
