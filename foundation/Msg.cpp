#include "foundation/Msg.h"
#include "foundation/Error.h"
#include "foundation/GuardedRunner.h"
#include "foundation/MessageText.h"
#include "foundation/ShellOps.h"
#include "resources/strings_foundation.h"
#include <shlwapi.h>
#include <exception>
#include <sstream>

namespace {

const UINT kAskOkCancel = MB_OKCANCEL | MB_ICONWARNING;  // 49
const UINT kAskYesNo = MB_YESNO | MB_ICONWARNING;        // 52
const size_t kListedNames = 10;

bool AskOk(CMsg& sink, const std::wstring& text) { return sink.Show(text, kAskOkCancel) == IDOK; }

std::wstring Text(UINT id) { return LoadResourceString(id, true); }

std::wstring Format(UINT id, const std::wstring& a)
{
    std::wstring text;
    FormatResource(text, id, a.c_str());
    return text;
}

std::wstring Format(UINT id, const std::wstring& a, const std::wstring& b)
{
    std::wstring text;
    FormatResource(text, id, a.c_str(), b.c_str());
    return text;
}

template <class Container>
std::wstring ListNames(const Container& names)
{
    std::wostringstream list;
    size_t written = 0;
    for (const std::wstring& name : names) {
        if (written == kListedNames) {
            list << L"\r\n...";
            break;
        }
        if (written != 0)
            list << L"\r\n";
        list << name;
        ++written;
    }
    return list.str();
}

template <class Container>
bool AskOverwriteFiles(CMsg& sink, const Container& names)
{
    return AskOk(sink, Format(IDS_CONFIRM_OVERWRITE_FILES, std::to_wstring(names.size()), ListNames(names)));
}

} // namespace

int ShowMessageBox(HWND owner, const std::wstring& text, const std::wstring& caption, UINT flags)
{
    std::wstring shown;
    try {
        shown = FitMessageText(text, owner);
    } catch (const std::exception&) {
        // Without memory for the fitted copy the text is shown as it came:
        // a box too wide still tells the user more than none.
        return MessageBoxW(owner, text.c_str(), caption.c_str(), flags);
    }
    return MessageBoxW(owner, shown.c_str(), caption.c_str(), flags);
}

int CMsg::ShowError(const CSimpleErr& err) { return Show(err.message, MB_ICONERROR); }

int CMsg::Show(const std::wstring& text, UINT flags) { return ShowMessageBox(nullptr, text, L"", flags); }

bool CMsg::ConfirmDiscardWork() { return AskOk(*this, Text(IDS_CONFIRM_DISCARD_WORK)); }

bool CMsg::ConfirmCreateFolder(const std::wstring& path) { return AskOk(*this, Format(IDS_CONFIRM_CREATE_FOLDER, path)); }

bool CMsg::ConfirmAndCreateFolder(const std::wstring& path)
{
    if (!ConfirmCreateFolder(path))
        return false;
    return RunAndReport(*this, [&] { CreateFolder(path); }, true);
}

bool CMsg::ConfirmOverwrite(const std::wstring& path) { return AskOk(*this, Format(IDS_CONFIRM_OVERWRITE, path)); }

bool CMsg::ConfirmOverwriteIfExists(const std::wstring& path)
{
    if (!PathFileExistsW(path.c_str()))
        return true;
    return ConfirmOverwrite(path);
}

bool CMsg::ConfirmOverwriteFiles(const std::vector<std::wstring>& names) { return AskOverwriteFiles(*this, names); }

bool CMsg::ConfirmOverwriteFiles(const std::list<std::wstring>& names) { return AskOverwriteFiles(*this, names); }

bool CMsg::ConfirmResetShortcuts() { return AskOk(*this, Text(IDS_CONFIRM_RESET_SHORTCUTS)); }

bool CMsg::ConfirmOverwriteShortcut(const std::wstring& keyText) { return AskOk(*this, Format(IDS_CONFIRM_OVERWRITE_SHORTCUT, keyText)); }

bool CMsg::ConfirmContinueAfterError(const CSimpleErr& err) { return AskOk(*this, Format(IDS_CONFIRM_CONTINUE_AFTER_ERROR, err.message)); }

bool CMsg::ConfirmContinueAfterConfigError(const std::wstring& path, const CSimpleErr& err)
{
    // The loader's words usually name the file already; a line of its own
    // would only print the path twice.
    if (!path.empty() && err.message.find(path) != std::wstring::npos)
        return ConfirmContinueAfterError(err);
    return AskOk(*this, Format(IDS_CONFIRM_CONTINUE_AFTER_CONFIG_ERROR, path, err.message));
}

bool CMsg::ConfirmOverwriteNewerConfig() { return AskOk(*this, Text(IDS_CONFIRM_OVERWRITE_NEWER_CONFIG)); }

bool CMsg::ConfirmExitPrinting() { return Show(Text(IDS_CONFIRM_EXIT_PRINTING), kAskYesNo) == IDYES; }

int CMsg::ShowResourceMessage(UINT id, UINT flags)
{
    std::wstring text;
    if (id != 0)
        text = Text(id);
    return Show(text, flags);
}

int CMsg::ShowResourceMessage1(UINT id, const std::wstring& a, UINT flags) { return Show(Format(id, a), flags); }

int CMsg::ShowResourceMessage2(UINT id, const std::wstring& a, const std::wstring& b, UINT flags)
{
    return Show(Format(id, a, b), flags);
}

int CMessageBoxMsg::Show(const std::wstring& text, UINT flags)
{
    if (redirect)
        return redirect->Show(text, flags);
    return ShowMessageBox(GetBoxOwner(), text, GetCaption(flags), flags);
}

HWND CMessageBoxMsg::GetBoxOwner() const
{
    HWND active = GetActiveWindow();
    return active ? active : owner;
}

const std::wstring& CMessageBoxMsg::GetCaption(UINT flags)
{
    // Loaded once, on first use; static initialisation is thread-safe.
    if (IsErrorIconFlags(flags)) {
        static const ResourceString error(IDS_ERROR_TITLE);
        return error.str();
    }
    static const ResourceString query(IDS_QUERY_TITLE);
    return query.str();
}

namespace knt {

namespace {
// Constant-initialised: usable before and after every other global.
CMsg g_msg;
} // namespace

CMsg& GetMsg() { return g_msg; }

} // namespace knt
