// The one settings object of the run. It lives in the start-up frame; the
// main window, the commands and the dialogs reach it through this pointer.
#pragma once

class CSetting;

namespace knt {

// Null before start-up made the settings and after they are gone.
CSetting* GetAppSettingPtr();
void SetAppSettingPtr(CSetting* setting);
// The settings; an internal error when there are none.
CSetting& GetAppSetting();

} // namespace knt
