#include "app/StartUp.h"
#include "foundation/GuardedRunner.h"
#include "foundation/Msg.h"

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
