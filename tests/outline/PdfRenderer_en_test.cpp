#include "outline/PdfRenderer.h"
#include "foundation/PathUtil.h"
#include "tests/common/TestSupport.h"
#include "tests/outline/PdfTestSupport.h"
#include <gtest/gtest.h>

TEST(PdfRendererEnglish, ErrorTexts)
{
    EXPECT_EQ(L"Error occurs on creating PDF\n\nPDF Unknown error 0x1006", FormatPdfError(0x1006, 0));
    EXPECT_EQ(L"Error occurs on creating PDF\n\nPDF Invalid U3D data (7)", FormatPdfError(0x1083, 7));
    const std::wstring tiny = ThrownError([] { CheckPdfPageSize(2, 5, L"C:\\a.pdf"); }).message;
    EXPECT_EQ(0u, tiny.find(L"The PDF page would be 2.0 x 5.0 points, outside the 3 to 14400 points")) << Narrow(tiny);
}

TEST(PdfRendererEnglish, NameOutsideTheCodePageIsSaved)
{
    // Code page 1252 cannot hold the name; libHaru never sees it, and no
    // temporary file is left in the temporary folder or beside the file.
    std::wstring temp;
    ASSERT_EQ(S_OK, GetTempPathString(temp));
    const std::wstring next = MakeUniquePath(temp, L"zvrpdf", L".pdf");
    CTempFolder folder;
    const std::wstring path = folder.File(L"縁取り.pdf");
    try {
        CPdfRenderer r;
        r.BeginDocument(path);
        r.BeginPage(10, 20);
        r.EndDocument();
    } catch (const my::CException& e) {
        FAIL() << Narrow(e.message);
    }
    const CPdfFacts pdf = ReadPdfFacts(path);
    EXPECT_EQ(1, pdf.pages);
    EXPECT_EQ(std::vector<std::string>{"0 0 10 20"}, pdf.mediaBoxes);
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(next.c_str()));
}
