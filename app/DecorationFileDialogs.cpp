#include "app/DecorationFileDialogs.h"

namespace knt {

namespace {
// Two entries, each a text and a pattern; the literal's own NUL ends the list.
const wchar_t kFilter[] =
    L"カンテロ設定ファイル (*.knt)\0*.knt\0"
    L"全ての種類のファイル (*.*)\0*.*\0";
} // namespace

CSimpleOpenDialog::CSimpleOpenDialog(const std::wstring& initialName, HWND owner)
    : CSimpleFileDialogImpl<CSimpleOpenDialog>(true, nullptr, initialName, OFN_FILEMUSTEXIST | OFN_HIDEREADONLY,
                                               kFilter, owner)
{
}

CSimpleSaveDialog::CSimpleSaveDialog(const std::wstring& initialName, HWND owner)
    : CSimpleFileDialogImpl<CSimpleSaveDialog>(false, L"knt", initialName, OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY,
                                               kFilter, owner)
{
}

} // namespace knt
