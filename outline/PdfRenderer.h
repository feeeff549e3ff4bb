// Writes the drawing as a PDF document through libHaru: every page of the
// renderer becomes a page of one document, saved by EndDocument. Layout
// units are PDF points; the page transform turns the layout's downward y axis
// upwards. libHaru's errors become hpdf::CPdfException, raised after the
// libHaru call that reported them has returned.
#pragma once
#include "outline/VectorRenderer.h"
#include "foundation/Error.h"
#include <hpdf.h>
#include <string>

namespace hpdf {

// Message IDS_PDF_ERROR with the text of libHaru's error and its detail number.
class CPdfException : public my::CException {
public:
    int errorNo;
    int detailNo;
    CPdfException(int error, int detail);
};

} // namespace hpdf

// Refuses a page side outside what libHaru writes (HPDF_MIN_PAGE_SIZE to
// HPDF_MAX_PAGE_SIZE points, compared as libHaru does, in single precision)
// with IDS_PDF_PAGE_SIZE_OUT_OF_RANGE, naming the page, the range and `path`.
void CheckPdfPageSize(double width, double height, const std::wstring& path);

// What libHaru holds now, every document together, in bytes (its memory
// goes through our own allocator, which counts it).
long long PdfMemoryInUse();

// libHaru writes each object's offset in the table, and the table's own
// (startxref), as a signed 32-bit number, and an offset beyond it as this
// one: a document reads through its table while its table starts at or
// before it.
const unsigned long long kMaxPdfTableOffset = 0x7FFFFFFF;
// Stands for kMaxPdfTableOffset in tests; -1 puts it back.
void SetPdfTableOffsetLimitForTest(long long offset);

// The string id of a libHaru error code, 0 for codes without a text.
UINT PdfErrorMessageId(unsigned long code);
// The whole text of a libHaru error as the exception carries it.
std::wstring FormatPdfError(unsigned long code, unsigned long detail);

// The first error libHaru reported during one call.
struct CPdfErrorRecord {
    HPDF_STATUS error = 0;
    HPDF_STATUS detail = 0;
};

struct CPdfFileSink;

class CPdfRenderer : public CVectorRenderer {
public:
    CPdfRenderer() = default;
    CPdfRenderer(const CPdfRenderer&) = delete;  // libHaru holds the address of m_error
    CPdfRenderer& operator=(const CPdfRenderer&) = delete;
    // Frees a document still held: a one-file job may drop the renderer
    // without ReleasePdfDoc.
    ~CPdfRenderer() override;

    void BeginDocument(const std::wstring& path) override;
    // CheckPdfPageSize first: nothing is added for a page libHaru would refuse.
    void BeginPage(double width, double height) override;
    void SetTransform(const double* t) override;
    void SetLineJoin(int join) override;
    void SetLineCap(int cap) override;
    double GetLineWidth() override { return m_lineWidth; }
    void SetLineWidth(double width) override;
    void SetStrokeColorRGB(double r, double g, double b) override;
    void SetStrokeColor(COLORREF color) override;
    void SetStrokeColorCMYK(double c, double m, double y, double k) override;
    void SetFillColorRGB(double r, double g, double b) override;
    void SetFillColor(COLORREF color) override;
    void SetFillColorCMYK(double c, double m, double y, double k) override;
    void BeginPath() override {}
    void MoveTo(double x, double y) override;
    void LineTo(double x, double y) override;
    void CurveTo(double x1, double y1, double x2, double y2, double x3, double y3) override;
    void ClosePath() override;
    void Fill() override;
    void Stroke() override;
    void FillStroke() override;
    // Refuses (IDS_PDF_PAST_TABLE_LIMIT) a page with which the document
    // would be saved with its table past kMaxPdfTableOffset; the page and
    // the document stay unsaved.
    void EndPage() override;
    // Saves the document to the path given to BeginDocument; the file is
    // replaced only by a complete document (IDS_CREATE_FILE_FAILED or IDS_WRITE_FILE_FAILED when it cannot be
    // written there, IDS_PDF_PAST_TABLE_LIMIT when its table would lie past
    // kMaxPdfTableOffset).
    void EndDocument() override;
    void Rectangle(double x, double y, double w, double h) override;
    unsigned long long HeldBytes() const override { return static_cast<unsigned long long>(PdfMemoryInUse()); }

    // Frees the document (the tasks call it when they drop the renderer).
    void ReleasePdfDoc();
    HPDF_Doc GetDoc() const { return m_doc; }
    void SavePdfFile();

private:
    // Runs libHaru calls, then raises the first error they reported.
    template <class F>
    void Call(F f);
    void RaiseRecordedError();
    // libHaru's save of the document into `sink`; where its table began.
    unsigned long long SaveInto(CPdfFileSink& sink);

    double m_pageWidth = 0;
    double m_pageHeight = 0;
    double m_lineWidth = 0;
    HPDF_Doc m_doc = nullptr;
    HPDF_Page m_page = nullptr;
    CPdfErrorRecord m_error;
    std::wstring m_path;
    // Where the table of the document saved at its last counting began, and
    // the pages ended since, with their contents' bytes (0: never counted).
    unsigned long long m_countedTableOffset = 0;
    unsigned long long m_contentsSinceCount = 0;
    unsigned long long m_pagesSinceCount = 0;
};
