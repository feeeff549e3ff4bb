#include "app/CommandView.h"
#include "decoration/Setting.h"
#include "foundation/AppInfo.h"
#include "foundation/Error.h"
#include "foundation/PathUtil.h"

namespace knt {

namespace {

// Stands in while no window is registered: start-up runs Init before the
// window exists, and Quit may run after it is gone.
class CNullCommandView : public CCommandView {
public:
    HWND GetViewWindow() override { return nullptr; }
    std::wstring GetFilePath() override { return std::wstring(); }
    void SetFilePath(const std::wstring&) override {}
    void InitControls(bool) override {}
    void RefreshDecorationRow(int) override {}
    void RequestPreview(bool) override {}
    void StoreWindowLayout(CWindowLayout&) override {}
    void SetSettingText(const std::wstring&) override {}
    bool GetSelectedCharSet(int&, bool&) override { return false; }
    void SetDropHighlight(int) override {}
};

CNullCommandView g_nullView;
CCommandView* g_view = nullptr;
CSetting* g_setting = nullptr;
std::wstring g_settingsFolder;

} // namespace

CCommandView& GetCommandView() { return g_view ? *g_view : g_nullView; }
void SetCommandView(CCommandView* view) { g_view = view; }

CSetting& GetSetting()
{
    if (!g_setting)
        ThrowInternalError(L"no settings object");
    return *g_setting;
}
void SetSetting(CSetting* setting) { g_setting = setting; }

std::wstring GetSettingsFolder()
{
    return g_settingsFolder.empty() ? GetAppInfo().GetDataFolder() : g_settingsFolder;
}

std::wstring GetSettingsFilePath() { return PathJoined(GetSettingsFolder(), GetAppInfo().GetConfigFileName()); }

void SetSettingsFolder(const std::wstring& folder) { g_settingsFolder = folder; }

} // namespace knt
