#include "outline/PdfRenderer.h"
#include "foundation/ResourceString.h"
#include "resources/strings_outline.h"
#include "resources/strings_foundation_io.h"
#include "tests/common/TestSupport.h"
#include "tests/outline/OutlineTestSupport.h"
#include "tests/outline/PdfTestSupport.h"
#include "tests/outline/SampleDrawing.h"
#include <gtest/gtest.h>
#include <regex>

TEST(PdfRenderer, ErrorIdsAndTexts)
{
    struct Case {
        unsigned long code;
        UINT id;
    };
    const Case cases[] = {{0x1001, IDS_PDF_ARRAY_COUNT_INVALID}, {0x1005, IDS_PDF_PNG_PALETTE_FAILED}, {0x1006, 0}, {0x1011, IDS_PDF_OWNER_PASSWORD_INVALID}, {0x1054, IDS_PDF_PAGE_SIZE_INVALID},
                          {0x1069, IDS_PDF_PAGE_LAYOUT_OUT_OF_RANGE}, {0x106A, 0}, {0x106F, 0}, {0x1070, IDS_PDF_PAGE_MODE_OUT_OF_RANGE}, {0x1079, IDS_PDF_PAGE_SLIDESHOW_TIME_INVALID},
                          {0x1080, IDS_PDF_EXT_GSTATE_OUT_OF_RANGE}, {0x1083, IDS_PDF_U3D_DATA_INVALID}, {0x1000, 0}, {0x1084, 0}, {0, 0}};
    for (const Case& c : cases)
        EXPECT_EQ(c.id, PdfErrorMessageId(c.code)) << std::hex << c.code;
    // Every id the table gives has a text.
    for (unsigned long code = 0x1001; code <= 0x1083; ++code) {
        if (UINT id = PdfErrorMessageId(code)) {
            EXPECT_FALSE(LoadResourceString(id, false).empty()) << std::hex << code;
        }
    }

    EXPECT_EQ(L"PDF 作成中にエラーが発生しました\n\nPDF 不明なエラー 0x1006", FormatPdfError(0x1006, 0));
    EXPECT_EQ(L"PDF 作成中にエラーが発生しました\n\nPDF ページのサイズが不正です (5)", FormatPdfError(0x1054, 5));
    const hpdf::CPdfException e(0x1017, 2);
    EXPECT_EQ(UINT(IDS_PDF_ERROR), e.id);
    EXPECT_EQ(0, e.code);
    EXPECT_EQ(0x1017, e.errorNo);
    EXPECT_EQ(2, e.detailNo);
}

TEST(PdfRenderer, PagesMediaBoxAndPageTransform)
{
    CTempFolder folder;
    const std::wstring path = folder.File(L"two.pdf");
    {
        CPdfRenderer r;
        r.BeginDocument(path);
        r.BeginPage(100, 50);
        r.SetTransform(kIdentityTransform);
        r.SetFillColor(RGB(255, 0, 0));
        r.SetLineWidth(2);
        EXPECT_EQ(2, r.GetLineWidth());
        r.Rectangle(10, 10, 20, 5);
        r.FillStroke();
        // No effect in PDF, and no error either.
        r.SetFillOpacity(0.5);
        r.SetStrokeGradation(nullptr, 0, 0);
        r.SetFillTexture(boost::shared_ptr<CImg>());
        r.EndPage();
        r.BeginPage(30, 40);
        const double quarter[7] = {0, -1, 1, 0, 40, 0, 1};
        r.SetTransform(quarter);
        r.MoveTo(1, 1);
        r.LineTo(5, 1);
        r.CurveTo(6, 1, 7, 2, 7, 3);
        r.ClosePath();
        r.Fill();
        r.EndPage();
        r.EndDocument();
    }
    const CPdfFacts pdf = ReadPdfFacts(path);
    EXPECT_EQ("%PDF-", pdf.bytes.substr(0, 5));
    EXPECT_EQ(2, pdf.pages);
    const std::vector<std::string> boxes = {"0 0 100 50", "0 0 30 40"};
    EXPECT_EQ(boxes, pdf.mediaBoxes);
    EXPECT_EQ("", pdf.tableFault);
    EXPECT_NE(std::string::npos, pdf.bytes.find("1 0 0 -1 0 50 cm"));
    EXPECT_NE(std::string::npos, pdf.bytes.find("0 -1 -1 0 40 40 cm"));
    EXPECT_NE(std::string::npos, pdf.bytes.find("10 10 20 5 re"));
    // libHaru writes no real beyond 32767, so the miter limit reads that.
    EXPECT_NE(std::string::npos, pdf.bytes.find("32767 M"));
}

TEST(PdfRenderer, WorksOnAfterAnError)
{
    CTempFolder folder;
    CPdfRenderer r;
    r.BeginDocument(folder.File(L"x.pdf"));
    // A page outside libHaru's 3 to 14,400 points is refused before it is
    // added, naming the page, the range and the file; the limits pass.
    const my::CException big = ThrownError([&] { r.BeginPage(20000, 10); });
    EXPECT_EQ(CSimpleErr::Format(IDS_PDF_PAGE_SIZE_OUT_OF_RANGE, L"20000.0", L"10.0", L"3", L"14400",
                                 folder.File(L"x.pdf")),
              big.message);
    EXPECT_EQ(UINT(IDS_PDF_PAGE_SIZE_OUT_OF_RANGE), ThrownId([&] { r.BeginPage(50, 2.99); }));
    r.BeginPage(3, 14400);
    const my::CException negative = ThrownError([&] { r.SetLineWidth(-1); });
    EXPECT_EQ(UINT(IDS_PDF_ERROR), negative.id);

    // The document is not left refusing every later call.
    r.BeginPage(50, 60);
    r.SetTransform(kIdentityTransform);
    r.Rectangle(1, 1, 5, 5);
    r.Fill();
    r.EndDocument();
    const CPdfFacts pdf = ReadPdfFacts(folder.File(L"x.pdf"));
    ASSERT_FALSE(pdf.mediaBoxes.empty());
    EXPECT_EQ("0 0 50 60", pdf.mediaBoxes.back());

    // A file that cannot be written is an error, not a made file.
    r.BeginDocument(folder.File(L"no folder\\y.pdf"));
    r.BeginPage(50, 60);
    EXPECT_EQ(UINT(IDS_CREATE_FILE_FAILED), ThrownId([&] { r.EndDocument(); }));

    // A table past what libHaru writes (2 GiB, lowered) is refused at the save too; no file.
    r.BeginDocument(folder.File(L"big.pdf"));
    r.BeginPage(50, 60);
    SetPdfTableOffsetLimitForTest(100);
    EXPECT_EQ(UINT(IDS_PDF_PAST_TABLE_LIMIT), ThrownId([&] { r.EndDocument(); }));
    SetPdfTableOffsetLimitForTest(-1);
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(folder.File(L"big.pdf").c_str()));
    CPdfRenderer idle;
    EXPECT_EQ(UINT(IDS_PDF_ERROR), ThrownId([&] { idle.EndDocument(); }));
}

TEST(PdfRenderer, LibHarusOutOfMemoryIsAnAllocationFailure)
{
    // Raised as any allocation failure, so the job names the file and unit.
    CPdfRenderer r;
    r.BeginDocument(L"unused.pdf");
    r.BeginPage(100, 100);
    SetDocumentMemoryForTest(0);
    EXPECT_THROW(for (int i = 0; i < 1000; ++i) r.Rectangle(i, i, 10, 10), std::bad_alloc);
    SetDocumentMemoryForTest(-1);
}

// The bound on the table's place holds what a page's own objects and the document's take up to its
// margins, 2 KB a page and 4 KB the document (libHaru writes a few hundred bytes for each: the rest is
// room): padded near them (pages to 1.7 KB, the document to 4 KB), the page that takes the table past
// the limit is refused as it ends.
TEST(PdfRenderer, TheTableBoundHoldsThePagesAndTheDocumentsOwnObjects)
{
    CTempFolder folder;
    const struct { size_t pagePad, documentPad; int pages; } cases[] = {{1400, 0, 2}, {0, 3700, 1}};
    for (const auto& c : cases) {
        const auto draw = [&](CPdfRenderer& r) {
            r.BeginDocument(folder.File(L"padded.pdf"));
            HPDF_SetInfoAttr(r.GetDoc(), HPDF_INFO_SUBJECT, std::string(c.documentPad, 'd').c_str());
            for (int i = 0; i < c.pages; ++i) {
                r.BeginPage(50, 50);
                HPDF_Page_CreateTextAnnot(HPDF_GetCurrentPage(r.GetDoc()), HPDF_Rect{0, 0, 1, 1},
                                          std::string(c.pagePad, 'p').c_str(), nullptr);
                r.Rectangle(1, 1, 5, 5), r.Fill(), r.EndPage();
            }
        };
        CPdfRenderer whole, limited;
        draw(whole);
        whole.EndDocument();
        SetPdfTableOffsetLimitForTest(ReadPdfFacts(folder.File(L"padded.pdf")).table - 1);
        EXPECT_EQ(UINT(IDS_PDF_PAST_TABLE_LIMIT), ThrownId([&] { draw(limited); })) << c.pages;
        SetPdfTableOffsetLimitForTest(-1);
    }
}

// libHaru's blocks live on a heap of their own, away from the holes of the process heap.
TEST(PdfRenderer, LibHarusBlocksAreOutsideTheProcessHeap)
{
    CPdfRenderer r;
    r.BeginDocument(L"unused.pdf");
    const char* doc = reinterpret_cast<const char*>(r.GetDoc());
    PROCESS_HEAP_ENTRY e = {};
    while (HeapWalk(GetProcessHeap(), &e))
        EXPECT_FALSE((e.wFlags & PROCESS_HEAP_ENTRY_BUSY) && static_cast<DWORD>(doc - static_cast<const char*>(e.lpData)) < e.cbData);
}

// libHaru's arrays hold 32,767 entries: a document of more pages is written whole.
TEST(PdfRenderer, MorePagesThanAnArrayHoldsAreWritten)
{
    CTempFolder folder;
    CPdfRenderer r;
    r.BeginDocument(folder.File(L"many.pdf"));
    for (int i = 0; i < 32768; ++i)
        r.BeginPage(10, 10), r.EndPage();
    r.EndDocument();
    const CPdfFacts pdf = ReadPdfFacts(folder.File(L"many.pdf"));
    EXPECT_TRUE(pdf.pages == 32768 && pdf.tableFault.empty()) << pdf.pages << " " << pdf.tableFault;
}

TEST(PdfRenderer, SecondDocumentDiscardsTheFirst)
{
    CTempFolder folder;
    CPdfRenderer r;
    r.BeginDocument(folder.File(L"first.pdf"));
    r.BeginPage(10, 10);
    r.BeginDocument(folder.File(L"second.pdf"));
    r.BeginPage(20, 20);
    r.EndDocument();
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(folder.File(L"first.pdf").c_str()));
    EXPECT_EQ(1, ReadPdfFacts(folder.File(L"second.pdf")).pages);
    r.ReleasePdfDoc();
    EXPECT_EQ(nullptr, r.GetDoc());
}

TEST(PdfRenderer, JapaneseFileNameSavesDirectly)
{
    // Code page 932 holds the name: libHaru gets it as it stands.
    CTempFolder folder;
    const std::wstring path = folder.File(L"縁取り.pdf");
    CPdfRenderer r;
    r.BeginDocument(path);
    r.BeginPage(10, 10);
    r.EndDocument();
    EXPECT_EQ(1, ReadPdfFacts(path).pages);
}

TEST(PdfRenderer, SampleFile)
{
    const std::wstring path = TestOutputPath(L"outline_sample.pdf");
    CPdfRenderer r;
    r.BeginDocument(path);
    EXPECT_EQ(3, DrawSamplePage(r, L"縁取り"));
    r.EndDocument();
    const CPdfFacts pdf = ReadPdfFacts(path);
    EXPECT_EQ(1, pdf.pages);
    EXPECT_NE(std::string::npos, pdf.bytes.find(" c\n"));  // glyph curves

    // A reader other than our own takes the file.
    const std::string file = HostPathArg(path);
    ASSERT_FALSE(file.empty());
    const CHostCommandResult info = RunHostCommand("pdfinfo " + file);
    ASSERT_TRUE(info.finished);
    EXPECT_EQ(0, info.exitCode) << info.output;
    EXPECT_TRUE(std::regex_search(info.output, std::regex("\\nPages: +1\\n"))) << info.output;
    EXPECT_TRUE(std::regex_search(info.output, std::regex("\\nPage size: +336 x 144 pts"))) << info.output;
}

TEST(PdfRenderer, DroppedRendererFreesItsDocument)
{
    // A one-file job drops its renderer without ReleasePdfDoc: the document
    // must go with the renderer, or every job leaks one.
    auto makeAndDrop = [] {
        CPdfRenderer r;
        r.BeginDocument(L"unused.pdf");
        for (int page = 0; page < 4; ++page) {
            r.BeginPage(100, 100);
            r.SetTransform(kIdentityTransform);
            for (int i = 0; i < 50; ++i)
                r.Rectangle(i, i, 10, 10);
            r.Fill();
        }
    };
    const long long before = PdfMemoryInUse();
    for (int i = 0; i < 300; ++i)
        makeAndDrop();
    EXPECT_EQ(before, PdfMemoryInUse());
}
