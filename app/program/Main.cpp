// The process entry. Everything long-lived is built here in one order (OLE
// and the common controls, GDI+, the imaging factory, the settings, the main
// window object, the command set, the message loop) and torn down in the
// exact reverse, so no window or worker outlives what it uses.
//
// Nothing may end the process unannounced: whatever start-up throws (a
// constructor, a missing text, the settings) or fails to start (OLE, GDI+,
// the main window) is shown in a message box and the program ends with exit
// code 1. The Init command's own errors are shown by the command; a user who
// declines to go on after a settings problem ends it with 0. The close box
// and Esc end it with 2.
#include "app/Command.h"
#include "app/CommandView.h"
#include "app/MainDlg.h"
#include "app/StartUp.h"
#include "decoration/Setting.h"
#include "foundation/Globals.h"
#include "foundation/GuardedRunner.h"
#include "foundation/Msg.h"
#include "imaging/WicImaging.h"
#include "platform/GdiPlus.h"
#include "ui/Firewall.h"
#include "ui/MessageLoop.h"
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

namespace {

// The settings pointer lives exactly as long as the settings.
class CPublishedSetting {
public:
    explicit CPublishedSetting(CSetting& setting) { knt::SetSetting(&setting); }
    ~CPublishedSetting() { knt::SetSetting(nullptr); }
    CPublishedSetting(const CPublishedSetting&) = delete;
    CPublishedSetting& operator=(const CPublishedSetting&) = delete;
};

// The loop is known to the module while it runs.
class CRegisteredLoop {
public:
    explicit CRegisteredLoop(CMessageLoop& loop) { GetAppModule().AddMessageLoop(&loop); }
    ~CRegisteredLoop() { GetAppModule().RemoveMessageLoop(); }
    CRegisteredLoop(const CRegisteredLoop&) = delete;
    CRegisteredLoop& operator=(const CRegisteredLoop&) = delete;
};

int Run(int show)
{
    Gdiplus::CGdiplusStartup gdiplus;
    CheckGdiplusStarted(gdiplus.GetStatus());
    wic::CImagingFactoryScope imaging;
    CSetting setting;
    CPublishedSetting published(setting);
    knt::CMainDlg dialog(setting);
    knt::CCommandSet commands;
    commands.Init->Run(true, false);
    if (commands.Init->Stop)
        return 0;
    CMessageLoop loop;
    CRegisteredLoop registered(loop);
    CheckMainWindowCreated(dialog.Create(nullptr));
    dialog.ShowWindow(show);
    return loop.Run();
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int show)
{
    // First of all (the UI thread is an OLE apartment); a failure is shown
    // once the module can show boxes.
    const HRESULT ole = ::OleInitialize(nullptr);
    ::DefWindowProcW(nullptr, 0, 0, 0);
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_BAR_CLASSES};
    ::InitCommonControlsEx(&controls);
    GetAppModule().Init(instance);
    SetWindowErrorSink(&knt::GetMsg());

    const int code = RunGuarded(
        [&] {
            CheckOleStarted(ole);
            InitLibraryGlobals();
            return Run(show);
        },
        knt::GetMsg());

    SetWindowErrorSink(nullptr);
    GetAppModule().Term();
    if (SUCCEEDED(ole))
        ::OleUninitialize();
    return code;
}
