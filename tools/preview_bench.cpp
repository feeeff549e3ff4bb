// preview_bench
// preview_bench --texture [N]
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
//
// With --texture it times the paint dialog's texture box instead, with a
// path into a folder of N small PNG files (10,000 without N) beside one into
// an empty folder: the dialog's opening on that path (until its loop is
// idle), a character typed at the end of the path and Backspace (medians),
// and the dropping of the list, which then holds every image.
#include "app/Command.h"
#include "app/CommandView.h"
#include "app/MainDlg.h"
#include "app/PaintDlg.h"
#include "decoration/NamedEffects.h"
#include "decoration/Setting.h"
#include "foundation/Globals.h"
#include "foundation/PathUtil.h"
#include "tools/ToolRuntime.h"
#include "platform/Handle.h"
#include "ui/MessageLoop.h"
#include <algorithm>
#include <cstdio>
#include <cwchar>
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

double MedianOf(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? -1 : v[v.size() / 2];
}

// A 1 x 1 grey PNG: signature, IHDR, IDAT, IEND.
const unsigned char kTinyPng[] = {
    0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A, 0x00, 0x00, 0x00, 0x0D, 0x49, 0x48, 0x44, 0x52,
    0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x08, 0x00, 0x00, 0x00, 0x00, 0x3A, 0x7E, 0x9B,
    0x55, 0x00, 0x00, 0x00, 0x0A, 0x49, 0x44, 0x41, 0x54, 0x78, 0x9C, 0x63, 0x68, 0x00, 0x00, 0x00,
    0x82, 0x00, 0x81, 0x77, 0xCD, 0x72, 0xB6, 0x00, 0x00, 0x00, 0x00, 0x49, 0x45, 0x4E, 0x44, 0xAE,
    0x42, 0x60, 0x82};

// The folder `name` in the temporary folder holding img00000.png... up to
// `count` files (those of an earlier run are kept).
std::wstring ImageFolder(const std::wstring& name, int count)
{
    std::wstring folder;
    GetTempFolder(folder);
    PathJoin(folder, name);
    ::CreateDirectoryW(folder.c_str(), nullptr);
    for (int i = 0; i < count; ++i) {
        wchar_t file[16];
        swprintf(file, 16, L"img%05d.png", i);
        CHandle out(::CreateFileW(PathJoined(folder, file).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
        DWORD written = 0;
        if (out.IsValid())
            ::WriteFile(out, kTinyPng, sizeof(kTinyPng), &written, nullptr);
    }
    return folder;
}

struct CTextureBoxTimes {
    double openMs = -1, keyMs = -1, backspaceMs = -1, dropMs = -1;
    size_t listed = 0;
};

CTextureBoxTimes* s_times = nullptr;
CPaintDlg* s_dialog = nullptr;
double s_openStart = 0;

// Runs once the dialog's loop is idle: the keys and the drop, then OK.
void CALLBACK TimeTextureBox(HWND, UINT, UINT_PTR timer, DWORD)
{
    ::KillTimer(nullptr, timer);
    s_times->openMs = NowMs() - s_openStart;
    CColorPageTexture& page = s_dialog->TexturePage;
    COMBOBOXINFO info = {sizeof info};
    if (page.m_hWnd && ::GetComboBoxInfo(page.FileCombo.m_hWnd, &info) && info.hwndItem) {
        const int end = ::GetWindowTextLengthW(info.hwndItem);
        ::SendMessageW(info.hwndItem, EM_SETSEL, end, end);
        std::vector<double> keys, backspaces;
        for (int i = 0; i < 15; ++i) {
            double t0 = NowMs();
            ::SendMessageW(info.hwndItem, WM_CHAR, L'x', 1);
            keys.push_back(NowMs() - t0);
            t0 = NowMs();
            ::SendMessageW(info.hwndItem, WM_CHAR, VK_BACK, 1);
            backspaces.push_back(NowMs() - t0);
        }
        s_times->keyMs = MedianOf(keys);
        s_times->backspaceMs = MedianOf(backspaces);
        const double t0 = NowMs();
        page.FileCombo.ShowDropDown(TRUE);
        s_times->dropMs = NowMs() - t0;
        s_times->listed = page.FileList.size();
        page.FileCombo.ShowDropDown(FALSE);
    }
    s_dialog->PressButton(PSBTN_OK);
}

CTextureBoxTimes TimeTextureBoxOn(const std::wstring& folder)
{
    CTextureBoxTimes times;
    CPaintDlg dialog;
    CPaintSetting paint;
    paint.Type = PaintType::TEXTURE;
    paint.Texture.Path = PathJoined(folder, L"img00000.png");
    dialog.SetPaint(paint);
    s_times = &times;
    s_dialog = &dialog;
    ::SetTimer(nullptr, 0, 1, TimeTextureBox);
    s_openStart = NowMs();
    dialog.Run(nullptr);
    return times;
}

int TextureBench(int count)
{
    const std::wstring full = ImageFolder(L"knt-texture-bench-" + std::to_wstring(count), count);
    const CTextureBoxTimes empty = TimeTextureBoxOn(ImageFolder(L"knt-texture-bench-empty", 0));
    const CTextureBoxTimes many = TimeTextureBoxOn(full);
    if (many.keyMs < 0 || empty.keyMs < 0) {
        WriteLine(STD_ERROR_HANDLE, L"the texture page did not open");
        return 1;
    }
    WriteValue(L"texture_images", count, 0);
    WriteValue(L"texture_open_ms", many.openMs, 1);
    WriteValue(L"texture_open_empty_ms", empty.openMs, 1);
    WriteValue(L"texture_key_ms_median", many.keyMs, 2);
    WriteValue(L"texture_key_empty_ms_median", empty.keyMs, 2);
    WriteValue(L"texture_backspace_ms_median", many.backspaceMs, 2);
    WriteValue(L"texture_backspace_empty_ms_median", empty.backspaceMs, 2);
    WriteValue(L"texture_drop_ms", many.dropMs, 1);
    WriteValue(L"texture_listed", static_cast<double>(many.listed), 0);
    WriteLine(STD_OUTPUT_HANDLE, L"goals: a key as fast as in the empty folder, opening under 1000 ms, "
                                 L"dropping under 1000 ms (10,000 images) with every image listed");
    return 0;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    CToolRuntime runtime;
    InitLibraryGlobals();
    GetAppModule().Init(::GetModuleHandleW(nullptr));
    if (argc > 1 && wcscmp(argv[1], L"--texture") == 0)
        return TextureBench(argc > 2 ? _wtoi(argv[2]) : 10000);
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
