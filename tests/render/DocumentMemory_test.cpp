// The memory estimate of vector documents against what the documents hold.
#include "render/DocumentMemory.h"
#include "render/SaveFormatFactory.h"
#include "render/VectorKanteloTask.h"
#include "outline/PdfRenderer.h"
#include "tests/render/TaskTestSupport.h"
#include <gtest/gtest.h>

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
        boost::shared_ptr<CVectorKanteloTask> task(new CVectorKanteloTask);
        task->Init(nullptr);
        task->SetSetting(s);
        task->Text = text;
        task->Path = folder.File(L"page." + s->SaveFormat.GetExtension());
        task->SetRenderer(CreateRenderer(s->SaveFormat));
        const long long pdfBefore = PdfMemoryInUse();
        task->Execute();
        const std::string at = "case " + std::to_string(&c - cases);
        ASSERT_FALSE(task->HasError()) << at << ": " << Narrow(task->Err.message);
        // The task still holds its renderer, and the PDF renderer its document.
        const double file = static_cast<double>(ReadFileBytes(task->Path).size());
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
