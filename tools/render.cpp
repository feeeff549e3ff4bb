// render [--preview IMAGE.png] SETTINGS TEXT OUTPUT_FOLDER
//
// Writes into the folder the files that a save job with the settings would
// write for the UTF-8 text (units, format, naming, one-file documents) and
// prints one line per file. With --preview it also writes, as PNG, the
// picture the first unit's task made: what the window's preview pane shows
// for that unit. On failure it prints the message and exits 1.
#include "render/SaveJob.h"
#include "tools/ToolRuntime.h"
#include "imaging/ImageSaver.h"
#include "foundation/Error.h"

int wmain(int argc, wchar_t** argv)
{
    std::wstring preview;
    int first = 1;
    if (argc > 2 && std::wstring(argv[1]) == L"--preview") {
        preview = argv[2];
        first = 3;
    }
    if (argc - first != 3) {
        WriteLine(STD_ERROR_HANDLE, L"usage: render [--preview IMAGE.png] SETTINGS TEXT OUTPUT_FOLDER");
        return 2;
    }
    CToolRuntime runtime;
    CSetting setting;
    std::wstring text, error;
    std::vector<std::wstring> files;
    boost::shared_ptr<CDib> image;
    if (!LoadSettingsFile(setting, argv[first], error) || !ReadUtf8TextFile(text, argv[first + 1], error) ||
        !RunSaveJob(setting, text, argv[first + 2], files, error, preview.empty() ? nullptr : &image)) {
        WriteLine(STD_ERROR_HANDLE, error);
        return 1;
    }
    for (const std::wstring& f : files)
        WriteLine(STD_OUTPUT_HANDLE, f);
    if (!preview.empty()) {
        boost::shared_ptr<Gdiplus::CImageSaver> png = CreatePngSaver();
        const HRESULT hr = image && png ? png->Save(*image, true, preview) : E_FAIL;
        if (FAILED(hr)) {
            WriteLine(STD_ERROR_HANDLE, preview + L": " + FormatSystemMessage(hr));
            return 1;
        }
        WriteLine(STD_OUTPUT_HANDLE, preview);
    }
    return 0;
}
