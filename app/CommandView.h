// What the commands and the drop targets need of the main window, and where they find it and the
// settings. knt::CMainDlg implements CCommandView and registers itself while
// it exists; start-up publishes the settings object. Tests put a view and a
// settings object of their own in place.
#pragma once
#include <windows.h>
#include <string>

class CSetting;
class CWindowLayout;

namespace knt {

class CCommandView {
public:
    // The owner of the commands' dialogs and of the clipboard; null before
    // the window exists.
    virtual HWND GetViewWindow() = 0;
    // The decoration settings file the window shows (may be empty).
    virtual std::wstring GetFilePath() = 0;
    // Stores the path and refreshes the title when it changed.
    virtual void SetFilePath(const std::wstring& path) = 0;
    // Fills every control from the settings.
    virtual void InitControls(bool first) = 0;
    // Fills one decoration row's controls from the settings.
    virtual void RefreshDecorationRow(int row) = 0;
    // The settings-changed notification: writes the settings file (AutoSave)
    // and, when asked, schedules a preview.
    virtual void RequestPreview(bool schedule) = 0;
    // The window's layout recorded into the settings' record.
    virtual void StoreWindowLayout(CWindowLayout& layout) = 0;
    // The settings' text := text, shown in the text box, with a preview.
    virtual void SetSettingText(const std::wstring& text) = 0;
    // The character-set box's current entry; false when none is selected.
    virtual bool GetSelectedCharSet(int& charSet, bool& vertical) = 0;
    // Frames the control (the text box) as the target of a drag; -1 for none.
    // Repaints only when the id changed.
    virtual void SetDropHighlight(int controlId) = 0;

protected:
    ~CCommandView() = default;
};

// The registered view, or a view that does nothing while none is.
CCommandView& GetCommandView();
void SetCommandView(CCommandView* view);

// The settings object of the run; raises an internal error while none is
// published.
CSetting& GetSetting();
void SetSetting(CSetting* setting);

} // namespace knt

namespace knt {

// The settings file: the application data folder joined with the settings
// file name, built afresh at each use. A folder set here stands in for the
// data folder (tests keep the prefix's own file out of their way).
std::wstring GetSettingsFolder();
std::wstring GetSettingsFilePath();
void SetSettingsFolder(const std::wstring& folder);

} // namespace knt
