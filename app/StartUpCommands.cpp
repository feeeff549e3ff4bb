// The commands of the settings file's life: Init reads it at start (or, on
// the first start, sets the rows from presets and imports the older registry
// form), AutoSave writes it after every change, Quit records the window
// layout and writes it as the main window goes away.
#include "app/AppSetting.h"
#include "app/Command.h"
#include "app/MainDlg.h"
#include "decoration/SettingXml.h"
#include "foundation/AppInfo.h"
#include "foundation/ShellOps.h"
#include "resources/strings_app.h"
#include "resources/strings_decoration.h"
#include "resources/main_window.h"

namespace knt {

namespace {

std::wstring SettingsFilePath()
{
    return GetAppInfo().GetConfigFilePath();
}

void WriteSettingsFile(const CSetting& setting)
{
    CreateFolder(GetAppInfo().GetDataFolder());
    CSettingXmlWriter writer;
    writer.SetWriteAll(true);
    if (!writer.Write(setting, SettingsFilePath()))
        throw my::CException(writer.GetError());
}

} // namespace

void CCommandInit::Execute(bool doIt)
{
    if (!doIt)
        return;
    CAppInfo& info = GetAppInfo();
    info.Initialize(IDS_MAKER, IDS_PRODUCT, IDS_DISPLAY_NAME, IDR_MAIN);
    info.SetWebPageUrl(IDS_HOME_PAGE_URL);

    CSetting& setting = GetAppSetting();
    const std::wstring path = SettingsFilePath();
    CSettingsFileLoader loader;
    switch (loader.Load(setting, path)) {
    case CSettingsFileLoader::MISSING:
        // First start: rows from presets, the older registry form, the product key.
        setting.ImportRegistry();
        return;
    case CSettingsFileLoader::LOADED:
        break;
    case CSettingsFileLoader::FROM_BACKUP:
    case CSettingsFileLoader::UNREADABLE:
        if (!GetMsg().ConfirmContinueAfterError(loader.GetError())) {
            Stop = true;
            return;
        }
        loader.AcceptFallback(path);
        break;
    }
    if (loader.IsNewerVersion() && !GetMsg().ConfirmOverwriteNewerConfig())
        Stop = true;
}

void CCommandAutoSave::Execute(bool doIt)
{
    if (!doIt)
        return;
    try {
        WriteSettingsFile(GetAppSetting());
        m_failing = false;
    } catch (const my::CException&) {
        const bool shown = m_failing;
        m_failing = true;
        if (!shown)
            throw;
    }
}

void CCommandQuit::Execute(bool doIt)
{
    if (!doIt)
        return;
    CSetting& setting = GetAppSetting();
    if (CMainDlg* dialog = GetMainDlg())
        dialog->CaptureLayout(setting.WindowLayout);
    WriteSettingsFile(setting);
    // The main window is going away: later boxes have no owner.
    knt::GetMsg().owner = nullptr;
}

} // namespace knt
