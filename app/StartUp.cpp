#include "app/StartUp.h"
#include "foundation/GuardedRunner.h"
#include "foundation/Msg.h"
#include "foundation/XmlValue.h"
#include "resources/strings_app.h"

int RunGuarded(const std::function<int()>& run, CMsg& sink)
{
    int code = 1;
    try {
        my::CCtrlException error(nullptr, 0);
        CatchToError(error, [&] { code = run(); });
        if (!error.IsError())
            return code;
        sink.ShowError(error);
    } catch (...) {
        // Even the error's text could not be had.
        sink.Show(L"Kantelo could not start.", MB_ICONERROR);
    }
    return 1;
}

void CheckOleStarted(HRESULT result)
{
    if (FAILED(result))
        throw my::CException(IDS_OLE_START_FAILED, result);
}

void CheckGdiplusStarted(int status)
{
    if (status != 0)
        throw my::CException(IDS_GDIPLUS_START_FAILED, FormatInt(status));
}

void CheckMainWindowCreated(HWND window)
{
    if (!window)
        ThrowLastError(IDS_MAIN_WINDOW_FAILED);
}
