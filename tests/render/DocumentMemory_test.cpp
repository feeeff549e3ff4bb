// The memory estimate of vector documents against what the documents hold.
#include "render/DocumentMemory.h"
#include "render/MultiPageRenderer.h"
#include "render/OutputUnits.h"
#include "render/SaveFormatFactory.h"
#include "render/VectorKanteloTask.h"
#include "outline/PdfRenderer.h"
#include "resources/strings_engine.h"
#include "tests/render/TaskTestSupport.h"
#include <gtest/gtest.h>

namespace {

// A task's page in a document of its own left unended (a page collector lets
// the task's end pass): the test reads what it holds, then ends it.
struct CPageRun {
    boost::shared_ptr<CVectorRenderer> document;
    boost::shared_ptr<CVectorKanteloTask> task;
};

CPageRun RunPage(const boost::shared_ptr<CSetting>& s, const std::wstring& text, const std::wstring& path,
                 CTerminable* worker = nullptr)
{
    CPageRun run;
    run.document = CreateRenderer(s->SaveFormat);
    run.document->BeginDocument(path);
    boost::shared_ptr<CMultiPageRenderer> pages(new CMultiPageRenderer);
    pages->SetRenderer(run.document);
    run.task.reset(new CVectorKanteloTask);
    run.task->Init(nullptr);
    run.task->No = 0;
    run.task->SetSetting(s);
    run.task->Text = text;
    run.task->Path = path;
    run.task->SetRenderer(pages);
    run.task->SetTerminable(worker);
    run.task->Execute();
    return run;
}

} // namespace

// A page's estimate lies below what its document holds (PDF: libHaru's
// memory; HTML: the page's bytes; EMF: the metafile and its copy), so it
// never refuses a document that would be written, and not far below, so it
// refuses one that surely cannot be: across faces, sizes, decorations,
// vertical text, many lines and a line long enough for EMF's 32-bit records
// and PDF's five-digit coordinates.
TEST(DocumentMemoryTest, AnEstimateLiesJustBelowWhatThePageHolds)
{
    struct CCase {
        UINT type;
        const wchar_t* face;
        int size, decorated, lines, chars;
    } cases[] = {
        {OutputType::PDF, L"IPAGothic", 300, 1, 1, 40},      {OutputType::PDF, L"IPAMincho", 80, 0, 3, 30},
        {OutputType::PDF, L"@IPAGothic", 300, 1, 3, 20},     {OutputType::PDF, L"IPAGothic", 80, 0, 1, 1500},
        {OutputType::SVG_TAG, L"IPAGothic", 300, 1, 1, 40},  {OutputType::SVG_TAG, L"DejaVu Sans", 2000, 0, 2, 20},
        {OutputType::SVG_TAG, L"@IPAMincho", 300, 1, 3, 20}, {OutputType::EMF, L"IPAGothic", 300, 1, 1, 40},
        {OutputType::EMF, L"IPAMincho", 80, 0, 3, 30},       {OutputType::EMF, L"IPAGothic", 300, 0, 1, 200},
    };
    for (const CCase& c : cases) {
        boost::shared_ptr<CSetting> s = MakeSetting(c.face, c.face[0] == L'D' ? ANSI_CHARSET : SHIFTJIS_CHARSET, c.size);
        if (c.decorated)
            UseFirstStartPresets(*s);
        s->SaveFormat.Type = c.type;
        // Kanji, kana, Latin letters and blanks.
        const std::wstring mix = L"縁取りの文字 Outline 漢字とかなを書く、Text ";
        std::wstring text;
        for (int i = 0; i < c.lines * (c.chars + 1) - 1; ++i)
            text += i % (c.chars + 1) == c.chars ? L'\n' : mix[i % mix.size()];
        CTempFolder folder;
        const long long pdfBefore = PdfMemoryInUse();
        CPageRun run = RunPage(s, text, folder.File(L"page." + s->SaveFormat.GetExtension()));
        const boost::shared_ptr<CVectorKanteloTask>& task = run.task;
        const std::string at = "case " + std::to_string(&c - cases);
        ASSERT_FALSE(task->HasError()) << at << ": " << Narrow(task->Err.message);
        // An EMF's or HTML page's count is its file; PDF: what libHaru holds.
        const unsigned long long counted = run.document->HeldBytes();
        run.document->EndDocument();
        const double file = static_cast<double>(ReadFileBytes(task->Path).size());
        if (c.type != OutputType::PDF) {
            EXPECT_EQ(file, static_cast<double>(counted)) << at;
        }
        const double held = c.type == OutputType::PDF ? static_cast<double>(PdfMemoryInUse() - pdfBefore)
                                                      : c.type == OutputType::EMF ? 2 * file : file;
        CTaskFonts fonts;
        fonts.Create(s->FontSetting);
        CDocumentMemoryEstimate estimate(*s, fonts);
        // From the text, as the job estimates a document that holds every
        // page, and from the layout, as the task estimates its page.
        for (const double bytes : {static_cast<double>(estimate.PageBytes(text)),
                                   static_cast<double>(estimate.PageBytes(task->GetLayout()))}) {
            EXPECT_LE(bytes, held) << at;
            EXPECT_GE(bytes, 0.65 * held) << at;
        }
    }
}

// A page whose estimate fits in the limit but whose real growth would not is
// refused from what it grew by over its first part, before half of it is
// drawn, with the file and the unit, in every format.
TEST(DocumentMemoryTest, APageThatWouldOutgrowTheLimitIsRefusedFromItsFirstGrowth)
{
    struct CAsks : CTerminable { int asks = 0; bool IsTerminated() override { return ++asks < 0; } };
    for (const UINT type : {OutputType::PDF, OutputType::SVG, OutputType::SVG_TAG, OutputType::EMF}) {
        boost::shared_ptr<CSetting> s = MakeSetting(L"IPAGothic", SHIFTJIS_CHARSET, 300);
        UseFirstStartPresets(*s);
        s->SaveFormat.Type = type;
        const std::wstring text(200, L'縁');
        CTempFolder folder;
        const std::wstring path = folder.File(L"page." + s->SaveFormat.GetExtension());
        const long long pdfBefore = PdfMemoryInUse();
        CAsks whole, cut;
        CPageRun fits = RunPage(s, text, path, &whole);
        ASSERT_FALSE(fits.task->HasError()) << type << ": " << Narrow(fits.task->Err.message);
        const double held = type == OutputType::PDF ? static_cast<double>(PdfMemoryInUse() - pdfBefore)
                                                    : fits.document->HeldBytes() * (type == OutputType::EMF ? 2.0 : 1.0);
        CTaskFonts fonts;
        fonts.Create(s->FontSetting);
        const double estimate = static_cast<double>(CDocumentMemoryEstimate(*s, fonts).PageBytes(fits.task->GetLayout()));
        fits = CPageRun();  // the first document goes, as a save lets it go
        SetDocumentMemoryForTest(static_cast<long long>(kSaveReserve + (held + estimate) / 2));
        CPageRun refused = RunPage(s, text, path, &cut);
        SetDocumentMemoryForTest(-1);
        EXPECT_EQ(Narrow(ThrownError([&] { ThrowOutputTooLargeForMemory(path, 1, text); }).message),
                  Narrow(refused.task->Err.message)) << type;
        EXPECT_LT(cut.asks, whole.asks / 2) << type;
    }
}

// An EMF's metafile stays below where Wine's recording fails however much is
// free, and a free figure that fell since a document began (memory taken by
// something else) refuses what the figure at its start would clear.
TEST(DocumentMemoryTest, TheMetafileCapAndTheFreeFigureNowBoundADocument)
{
    const long long gb = 1LL << 30, reserve = PdfMemoryInUse() + static_cast<long long>(kSaveReserve);
    CSetting emf;
    emf.SaveFormat.Type = OutputType::EMF;
    SetDocumentMemoryForTest(reserve + 3 * gb);
    const CDocumentGrowth metafile(emf, 0, 0);
    std::vector<bool> fits = {metafile.Fits(0.85 * gb, 0), metafile.Fits(0.95 * gb, 0)};
    SetDocumentMemoryForTest(reserve + gb);
    fits.push_back(metafile.Fits(0.85 * gb, 0));
    SetDocumentMemoryForTest(-1);
    EXPECT_EQ((std::vector<bool>{true, false, false}), fits);
}
