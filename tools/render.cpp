// render SETTINGS TEXT OUTPUT_FOLDER
//
// Writes into the folder the files that a save job with the settings would
// write for the UTF-8 text (units, format, naming, one-file documents) and
// prints one line per file. On failure it prints the message and exits 1.
#include "render/SaveJob.h"
#include "tools/ToolRuntime.h"

int wmain(int argc, wchar_t** argv)
{
    if (argc != 4) {
        WriteLine(STD_ERROR_HANDLE, L"usage: render SETTINGS TEXT OUTPUT_FOLDER");
        return 2;
    }
    CToolRuntime runtime;
    CSetting setting;
    std::wstring text, error;
    std::vector<std::wstring> files;
    if (!LoadSettingsFile(setting, argv[1], error) || !ReadUtf8TextFile(text, argv[2], error) ||
        !RunSaveJob(setting, text, argv[3], files, error)) {
        WriteLine(STD_ERROR_HANDLE, error);
        return 1;
    }
    for (const std::wstring& f : files)
        WriteLine(STD_OUTPUT_HANDLE, f);
    return 0;
}
