// preview_bench
//
// Times what a user waits for while typing: from a keystroke in the main
// window's text box to the new preview in its pane, for a line of 20
// characters typed one at a time at the first-start presets (IPAGothic 30,
// the five preset rows). The real window, job control and worker run in
// this process; the settings file goes to a temporary folder. Needs a
// display: run it with scripts/wine-run --mode=window. Prints key=value
// lines (milliseconds) and exits 1 when a preview never came. A preview
// starts the preview delay after the last change, at the next tick of the
// window's 100 ms timer: the wait beyond the delay is printed apart, as the
// part the engine and the window's own work make.
#include "app/Command.h"
#include "app/CommandView.h"
#include "app/MainDlg.h"
#include "decoration/NamedEffects.h"
#include "decoration/Setting.h"
#include "foundation/Globals.h"
#include "foundation/PathUtil.h"
#include "tools/ToolRuntime.h"
#include "ui/MessageLoop.h"
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

// Runs the window's messages until the pane has shown an image after
// `serial`; false after the patience.
bool PumpUntilPreview(const CDibWindow& pane, unsigned serial, double patienceMs)
{
    const double start = NowMs();
    while (pane.GetImageSerial() == serial) {
        if (NowMs() - start > patienceMs)
            return false;
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 1, QS_ALLINPUT);
    }
    return true;
}

} // namespace

int wmain()
{
    CToolRuntime runtime;
    InitLibraryGlobals();
    GetAppModule().Init(::GetModuleHandleW(nullptr));
    std::wstring folder;
    GetTempFolder(folder);
    PathJoin(folder, L"knt-preview-bench");
    knt::SetSettingsFolder(folder);

    CSetting setting;
    setting.FontSetting.FontFace = L"IPAGothic";
    setting.FontSetting.CharSet = SHIFTJIS_CHARSET;
    setting.FontSetting.Size = 300;
    const int ids[] = {IDS_PRESET_WHITE_THIN, IDS_PRESET_RED, IDS_PRESET_WHITE, IDS_PRESET_GLOW, IDS_PRESET_SHADOW};
    for (int i = 0; i < 5; ++i) {
        setting.Borderings[static_cast<size_t>(i)] = *GetNamedEffects().FindById(ids[i]);
        setting.UseBorderings[static_cast<size_t>(i)] = 1;
    }
    setting.Text.clear();
    knt::SetSetting(&setting);
    std::vector<double> waits;
    {
        knt::CMainDlg dialog(setting);
        knt::CCommandSet commands;
        CMessageLoop loop;
        GetAppModule().AddMessageLoop(&loop);
        if (!dialog.Create(nullptr)) {
            WriteLine(STD_ERROR_HANDLE, L"the main window cannot be made (no display?)");
            return 1;
        }
        dialog.ShowWindow(SW_SHOW);
        const CDibWindow& pane = dialog.GetPreviewPane();
        PumpUntilPreview(pane, 0, 5000);  // the window's first preview (of no text: none may come)
        HWND edit = dialog.GetTextBox();
        const std::wstring line = L"縁取り文字のテストです。プレビューの速度";  // 20 characters
        for (wchar_t c : line) {
            const unsigned serial = pane.GetImageSerial();
            const double t0 = NowMs();
            ::SendMessageW(edit, WM_CHAR, c, 1);
            if (!PumpUntilPreview(pane, serial, 5000)) {
                WriteLine(STD_ERROR_HANDLE, L"no preview followed a keystroke");
                return 1;
            }
            waits.push_back(NowMs() - t0);
        }
        dialog.DestroyWindow();
        GetAppModule().RemoveMessageLoop();
    }
    knt::SetSetting(nullptr);
    std::vector<double> sorted = waits;
    std::sort(sorted.begin(), sorted.end());
    WriteValue(L"keystroke_to_preview_ms_median", sorted[sorted.size() / 2], 1);
    WriteValue(L"keystroke_to_preview_ms_max", sorted.back(), 1);
    WriteValue(L"keystroke_to_preview_ms_last", waits.back(), 1);
    WriteValue(L"preview_delay_ms", CJobControl::kPreviewDelay, 1);
    WriteValue(L"beyond_delay_ms_median", sorted[sorted.size() / 2] - CJobControl::kPreviewDelay, 1);
    return 0;
}
