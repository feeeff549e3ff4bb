// The one-file dialog as its callers see it: OK gives the confirmed path,
// Cancel nothing, and a dialog that cannot be shown raises an error instead
// of passing for a Cancel.
#include "WindowTestSupport.h"
#include "tests/common/TestSupport.h"
#include "ui/SimpleFileDialog.h"
#include <gtest/gtest.h>

namespace {

// Presses one button as soon as the dialog is ready.
class CPressingDialog : public CSimpleFileDialogImpl<CPressingDialog> {
public:
    CPressingDialog(const std::wstring& name, HWND owner, int button)
        : CSimpleFileDialogImpl<CPressingDialog>(true, nullptr, name, OFN_HIDEREADONLY | OFN_FILEMUSTEXIST,
                                                 L"Text (*.txt)\0*.txt\0", owner),
          m_button(button)
    {
    }

protected:
    void OnInitDone(OFNOTIFYW*) override
    {
        ::PostMessageW(GetFileDialogWindow(), WM_COMMAND, MAKEWPARAM(m_button, BN_CLICKED), 0);
    }

private:
    int m_button;
};

} // namespace

TEST(SimpleFileDialogWindow, OkGivesThePathCancelNothingAndAFailureRaises)
{
    CTestFrame frame;
    REQUIRE_WINDOW(frame.m_hWnd);
    CTempFolder folder;
    const std::wstring file = folder.File(L"chosen.txt");
    ASSERT_TRUE(WriteFileBytes(file, "x"));

    CPressingDialog ok(file, frame.m_hWnd, IDOK);
    EXPECT_TRUE(ok.Run());
    EXPECT_EQ(file, ok.GetResultPath());

    CPressingDialog cancel(file, frame.m_hWnd, IDCANCEL);
    EXPECT_FALSE(cancel.Run());
    EXPECT_EQ(L"", cancel.GetResultPath());

    // A structure the dialog refuses stands for any failure to open.
    CPressingDialog broken(file, frame.m_hWnd, IDOK);
    broken.m_ofn.lStructSize = 0;
    EXPECT_EQ(UINT(IDS_COMMON_DIALOG_FAILED), ThrownId([&] { broken.Run(); }));
}
