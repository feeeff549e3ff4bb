// The commands that read and write the settings file and the decoration
// settings files: start-up, quit, the automatic save, open (from the menu,
// the command line or a drop), save, and a text file dropped on the text box.
#include "app/Command.h"
#include "app/CommandView.h"
#include "app/DecorationFileDialogs.h"
#include "decoration/SettingXml.h"
#include "foundation/AppInfo.h"
#include "foundation/File.h"
#include "foundation/GuardedRunner.h"
#include "foundation/PathUtil.h"
#include "foundation/ResourceString.h"
#include "foundation/ShellOps.h"
#include "foundation/TextDecode.h"
#include "resources/main_window.h"
#include "resources/strings_app.h"
#include "resources/strings_decoration.h"
#include "resources/strings_foundation_io.h"
#include "resources/strings_shell.h"

namespace knt {

namespace {

void WriteSettingsFile(DWORD inUseRetryMs = kReplaceInUseRetryMs)
{
    CreateFolder(GetSettingsFolder());
    CSettingXmlWriter writer;
    writer.SetWriteAll(true);
    writer.InUseRetryMs = inUseRetryMs;
    if (!writer.Write(GetSetting(), GetSettingsFilePath()))
        throw my::CException(writer.GetError());
}

// The name the file dialogs start with: the window's current file, else the
// file the settings came from.
std::wstring InitialDialogPath()
{
    std::wstring path = GetCommandView().GetFilePath();
    if (path.empty())
        path = GetSetting().ConfigPath;
    return path;
}

// The decoration file's dialog; false on Cancel. A dialog that fails to
// open (a start name it refuses, for example) raises an error.
bool AskDecorationFilePath(bool save, std::wstring& path)
{
    const std::wstring initial = InitialDialogPath();
    HWND owner = GetCommandView().GetViewWindow();
    if (save) {
        CSimpleSaveDialog dialog(initial, owner);
        if (!dialog.Run())
            return false;
        path = dialog.GetResultPath();
    } else {
        CSimpleOpenDialog dialog(initial, owner);
        if (!dialog.Run())
            return false;
        path = dialog.GetResultPath();
    }
    return true;
}

// The file-system path of the first dropped item.
std::wstring FirstDroppedPath(const std::vector<CItemIDList>& items)
{
    if (items.empty())
        throw my::CException(IDS_GET_PATHS_FAILED, E_INVALIDARG);
    return items.front().GetPath();
}

} // namespace

// ---------------------------------------------------------------- start and end

void CCommandInit::Execute(bool doIt)
{
    if (!doIt)
        return;
    CAppInfo& info = GetAppInfo();
    info.Initialize(IDS_MAKER, IDS_PRODUCT, IDS_DISPLAY_NAME, IDR_MAIN);
    info.SetWebPageUrl(IDS_HOME_PAGE_URL);
    Stop = !LoadSettings();
}

bool CCommandInit::LoadSettings()
{
    CSetting& setting = GetSetting();
    const std::wstring path = GetSettingsFilePath();
    CSettingsFileLoader loader;
    CSettingsFileLoader::Result result;
    while ((result = loader.Load(setting, path)) == CSettingsFileLoader::UNOPENED) {
        // Not a damaged file: it is in use or barred. Nothing was read, so
        // going on would save the defaults over it; the user may try again
        // or end the program.
        const HRESULT code = loader.GetError().code;
        const bool inUse = code == HRESULT_FROM_WIN32(ERROR_SHARING_VIOLATION) ||
                           code == HRESULT_FROM_WIN32(ERROR_LOCK_VIOLATION);
        if (GetMsg().ShowResourceMessage2(inUse ? IDS_SETTINGS_FILE_IN_USE : IDS_SETTINGS_FILE_UNOPENED,
                                          loader.GetUnopenedPath(), loader.GetError().GetCodeText(),
                                          MB_RETRYCANCEL | MB_ICONWARNING) != IDRETRY)
            return false;
    }
    switch (result) {
    case CSettingsFileLoader::UNOPENED:
        return false;
    case CSettingsFileLoader::MISSING:
        // First start: presets and the older registry form; nothing to ask.
        setting.ImportRegistry();
        return true;
    case CSettingsFileLoader::LOADED:
        break;
    case CSettingsFileLoader::FROM_BACKUP:
    case CSettingsFileLoader::UNREADABLE: {
        // The box names the file and says what the loader said of it (the
        // element and the reason), so that the user can mend it by hand.
        if (!GetMsg().ConfirmContinueAfterConfigError(loader.GetErrorPath(), loader.GetError()))
            return false;
        // What did not read goes aside (the backup into the file's place), so
        // that the next save neither overwrites it nor turns it into the backup.
        if (!loader.AcceptFallback(path)) {
            // A damaged file could not be kept aside: the next save would
            // write over it. The program ends instead.
            GetMsg().ShowResourceMessage1(IDS_SETTINGS_NOT_KEPT_EXIT, loader.GetKeepError().message, MB_ICONERROR);
            return false;
        }
        if (loader.GetRestoreError().IsError())
            GetMsg().ShowError(loader.GetRestoreError());
        break;
    }
    }
    // Compared as unsigned numbers; a file naming no version counts as 1.0.0.0.
    if (loader.IsNewerVersion() && !GetMsg().ConfirmOverwriteNewerConfig())
        return false;
    return true;
}

void CCommandQuit::Execute(bool doIt)
{
    if (!doIt)
        return;
    GetCommandView().StoreWindowLayout(GetSetting().WindowLayout);
    WriteSettingsFile();
    // The main window is going away: boxes after this have no owner.
    knt::GetMsg().owner = nullptr;
}

void CCommandAutoSave::Execute(bool doIt)
{
    if (!doIt)
        return;
    try {
        // Every keystroke saves, in the window's thread: a file another
        // instance's save has for moments is waited for, but after a failure
        // (a file another program keeps) each save tries once, so typing
        // does not stall until a save succeeds again.
        WriteSettingsFile(m_failureShown ? 0 : kReplaceInUseRetryMs);
    } catch (...) {
        // An unwritable file is reported once.
        if (m_failureShown)
            return;
        m_failureShown = true;
        throw;
    }
    m_failureShown = false;
}

// ---------------------------------------------------------------- open

bool CCommandOpen::AskPath(std::wstring& path) { return AskDecorationFilePath(false, path); }

void CCommandOpen::Execute(bool doIt)
{
    if (!doIt)
        return;
    if (Path.empty() && !AskPath(Path))
        return;
    OpenPath();
}

void CCommandOpen::OpenPath()
{
    CSetting& setting = GetSetting();
    CSetting copy(setting);
    CSettingXmlReader reader;
    if (!reader.Read(copy, Path))
        throw my::CException(reader.GetError());
    // Only now does the file become current: a file that did not read must
    // never be the target of a later overwrite save.
    CCommandView& view = GetCommandView();
    view.SetFilePath(Path);
    setting = copy;
    setting.ConfigPath = Path;
    view.InitControls(false);
    view.RequestPreview(true);
}

void CCommandInitOpen::ParseCommandLine(CSingleCommandLineParser& parser) { ParseProcessCommandLine(parser); }

void CCommandInitOpen::Execute(bool doIt)
{
    if (!doIt)
        return;
    CSingleCommandLineParser parser;
    my::CCtrlException error(nullptr, 0);
    CatchToError(error, [&] { ParseCommandLine(parser); });
    if (error.IsError())
        GetMsg().ShowError(error);
    if (parser.GetArgument().empty())
        return;
    // Made full now: the file dialogs may change the current folder later.
    Path = GetFullPathOrSelf(parser.GetArgument());
    OpenPath();
}

void CCommandDropOpen::Execute(bool doIt)
{
    if (PendingError.IsError())
        throw my::CCtrlException(PendingError);
    if (!doIt)
        return;
    Path = FirstDroppedPath(Items);
    OpenPath();
}

void CCommandDropText::Execute(bool doIt)
{
    if (PendingError.IsError())
        throw my::CCtrlException(PendingError);
    if (!doIt)
        return;
    const std::wstring path = FirstDroppedPath(Items);
    std::vector<unsigned char> bytes;
    {
        CFile file;
        file.OpenRead(path);
        const HRESULT hr = file.TryReadAll(bytes, kDroppedTextLimit);
        if (FAILED(hr))
            throw my::CException(IDS_FILE_TOO_LARGE, hr, path);
    }
    std::wstring text;
    DecodeTextBuffer(text, bytes);
    GetCommandView().SetSettingText(NormaliseLineEndsToLf(text));
}

// ---------------------------------------------------------------- save

bool CCommandSave::AskPath(std::wstring& path) { return AskDecorationFilePath(true, path); }

void CCommandSave::Execute(bool doIt)
{
    if (!doIt)
        return;
    CCommandView& view = GetCommandView();
    const bool chosen = Path.empty();
    if (chosen && !AskPath(Path))
        return;
    CSetting& setting = GetSetting();
    CSettingXmlWriter writer;
    writer.SetWriteAll(false);
    if (!writer.Write(setting, Path))
        throw my::CException(writer.GetError());
    // As with Open, a name becomes current only once it holds the settings.
    if (chosen)
        view.SetFilePath(Path);
    setting.ConfigPath = Path;
    view.RequestPreview(false);
}

} // namespace knt
