#include "outline/PdfRenderer.h"
#include "foundation/ReplacingFileWriter.h"
#include "foundation/ResourceString.h"
#include "foundation/StringUtil.h"
#include "resources/strings_foundation_io.h"
#include "resources/strings_outline.h"
#include <hpdf_doc.h>
#include <hpdf_pages.h>
#include <hpdf_streams.h>
#include <algorithm>
#include <atomic>
#include <new>

// Where libHaru's save writes (nowhere: the bytes are only counted), what it
// wrote, and the first failure of a write.
struct CPdfFileSink {
    CReplacingFileWriter* writer;
    HRESULT result;
    unsigned long long bytes;
};

namespace {

// Codes inside the table's range that libHaru defines without a text of ours.
const unsigned long kUntold[] = {0x1006, 0x100D, 0x1010, 0x1012, 0x1018, 0x101D, 0x1024, 0x1029, 0x102A,
                                 0x103A, 0x103E, 0x1046, 0x1047, 0x105A, 0x106A, 0x106B, 0x106C, 0x106D,
                                 0x106E, 0x106F};

const std::wstring& PdfErrorTitle()
{
    static const std::wstring title = LoadResourceString(IDS_PDF_ERROR, false);
    return title;
}

// libHaru calls this on every error. No C++ exception may unwind through
// libHaru's C frames (they hold its state half-changed), so the first error is
// only kept here, and the renderer raises it once the libHaru call returned.
void HPDF_STDCALL OnPdfError(HPDF_STATUS error, HPDF_STATUS detail, void* data)
{
    CPdfErrorRecord* record = static_cast<CPdfErrorRecord*>(data);
    if (record && record->error == 0) {
        record->error = error;
        record->detail = detail;
    }
}

// libHaru's memory, counted so that the test limit of the vector renderers
// can stand for an exhausted address space, and estimates can be weighed
// against it: each block carries its size in front of it (8 bytes, so the
// block keeps the heap's alignment).
std::atomic<long long> g_pdfBytes(0);
const size_t kBlockHead = 8;

// libHaru's blocks come from a heap of their own. Among the blocks that each
// unit's drawing takes and lets go, they left holes that made a one-file PDF
// take 5-6% more of the address space than it holds (200 MB at 3.8 GB, which
// no projection of the document saw); on their own heap it takes 1% more.
// The heap lasts as long as the process, as its default heap does: a
// document may be let go by any owner until the end.
HANDLE PdfHeap()
{
    static const HANDLE heap = ::HeapCreate(0, 0, 0);
    return heap ? heap : ::GetProcessHeap();
}

void* HPDF_STDCALL AllocatePdfMemory(HPDF_UINT size)
{
    const long long limit = GetDocumentMemoryForTest();
    if (limit >= 0 && g_pdfBytes + static_cast<long long>(size) > limit)
        return nullptr;
    char* block = static_cast<char*>(::HeapAlloc(PdfHeap(), 0, size + kBlockHead));
    if (!block)
        return nullptr;
    *reinterpret_cast<HPDF_UINT*>(block) = size;
    g_pdfBytes += size;
    return block + kBlockHead;
}

void HPDF_STDCALL FreePdfMemory(void* memory)
{
    if (!memory)
        return;
    char* block = static_cast<char*>(memory) - kBlockHead;
    g_pdfBytes -= *reinterpret_cast<HPDF_UINT*>(block);
    ::HeapFree(PdfHeap(), 0, block);
}

// The document's save stream while it points at a sink on the stack: freed
// on every way out, and none left over from before.
class CSaveStream {
public:
    explicit CSaveStream(HPDF_Doc doc) : m_doc(doc) { Free(); }
    ~CSaveStream() { Free(); }
    CSaveStream(const CSaveStream&) = delete;
    CSaveStream& operator=(const CSaveStream&) = delete;

private:
    void Free()
    {
        if (m_doc->stream)
            HPDF_Stream_Free(m_doc->stream);
        m_doc->stream = nullptr;
    }
    HPDF_Doc m_doc;
};

HPDF_STATUS WriteToPdfFile(HPDF_Stream stream, const HPDF_BYTE* data, HPDF_UINT size)
{
    CPdfFileSink* sink = static_cast<CPdfFileSink*>(stream->attr);
    sink->bytes += size;
    if (SUCCEEDED(sink->result) && sink->writer)
        sink->result = sink->writer->Write(data, size);
    return SUCCEEDED(sink->result) ? HPDF_OK : HPDF_FILE_IO_ERROR;
}

long long g_tableOffsetLimitForTest = -1;

unsigned long long TableOffsetLimit()
{
    return g_tableOffsetLimitForTest >= 0 ? static_cast<unsigned long long>(g_tableOffsetLimitForTest)
                                          : kMaxPdfTableOffset;
}

// What the objects of a document take before its table besides the pages'
// (header, catalogue, page tree, information: about 300 bytes), and what
// each page adds besides its contents' bytes (its dictionary, its contents'
// dictionary and length, its place in the page tree: about 250 bytes at
// ten-digit numbers). Only bounds from above: a document that may come near
// the limit by them is counted exactly.
const unsigned long long kDocumentObjectsMost = 4096;
const unsigned long long kPageObjectsMost = 2048;

float F(double v) { return static_cast<float>(v); }

} // namespace

void SetPdfTableOffsetLimitForTest(long long offset) { g_tableOffsetLimitForTest = offset; }

long long PdfMemoryInUse() { return g_pdfBytes; }

void CheckPdfPageSize(double width, double height, const std::wstring& path)
{
    const auto within = [](double side) { return F(side) >= HPDF_MIN_PAGE_SIZE && F(side) <= HPDF_MAX_PAGE_SIZE; };
    if (within(width) && within(height))
        return;
    CSimpleErr err;
    err.Set(IDS_PDF_PAGE_SIZE_OUT_OF_RANGE, FormatStr(L"%.1f", width), FormatStr(L"%.1f", height),
            std::to_wstring(HPDF_MIN_PAGE_SIZE), std::to_wstring(HPDF_MAX_PAGE_SIZE), path);
    throw my::CException(err);
}

UINT PdfErrorMessageId(unsigned long code)
{
    if (code >= 0x1001 && code <= 0x1079) {
        if (std::find(std::begin(kUntold), std::end(kUntold), code) != std::end(kUntold))
            return 0;
        return static_cast<UINT>(IDS_PDF_ARRAY_COUNT_INVALID + (code - 0x1001));
    }
    if (code >= 0x1080 && code <= 0x1083)
        return static_cast<UINT>(IDS_PDF_EXT_GSTATE_OUT_OF_RANGE + (code - 0x1080));
    return 0;
}

std::wstring FormatPdfError(unsigned long code, unsigned long detail)
{
    std::wstring text = PdfErrorTitle() + L"\n\n";
    const UINT id = PdfErrorMessageId(code);
    std::wstring part;
    if (id != 0)
        part = LoadResourceString(id, false);
    else
        FormatResource(part, IDS_PDF_UNKNOWN_ERROR, static_cast<unsigned>(code));
    text += part;
    if (detail != 0)
        text += L" (" + std::to_wstring(detail) + L")";
    return text;
}

hpdf::CPdfException::CPdfException(int error, int detail)
    : my::CException(CSimpleErr()), errorNo(error), detailNo(detail)
{
    id = IDS_PDF_ERROR;
    code = 0;
    message = FormatPdfError(static_cast<unsigned long>(error), static_cast<unsigned long>(detail));
}

CPdfRenderer::~CPdfRenderer()
{
    ReleasePdfDoc();
}

template <class F>
void CPdfRenderer::Call(F f)
{
    m_error = CPdfErrorRecord();
    f();
    RaiseRecordedError();
}

void CPdfRenderer::RaiseRecordedError()
{
    if (m_error.error == 0)
        return;
    const CPdfErrorRecord e = m_error;
    m_error = CPdfErrorRecord();
    // The document's error state is cleared, so the next call is not refused for it.
    if (m_doc)
        HPDF_ResetError(m_doc);
    // Raised as any allocation failure is, so the job names the file and the unit.
    if (e.error == HPDF_FAILD_TO_ALLOC_MEM)
        throw std::bad_alloc();
    throw hpdf::CPdfException(static_cast<int>(e.error), static_cast<int>(e.detail));
}

void CPdfRenderer::ReleasePdfDoc()
{
    if (m_doc) {
        HPDF_Free(m_doc);
        m_doc = nullptr;
        m_page = nullptr;
    }
}

void CPdfRenderer::BeginDocument(const std::wstring& path)
{
    m_path = path;
    ReleasePdfDoc();
    m_error = CPdfErrorRecord();
    m_countedTableOffset = m_contentsSinceCount = m_pagesSinceCount = 0;
    m_doc = HPDF_NewEx(OnPdfError, AllocatePdfMemory, FreePdfMemory, 0, &m_error);
    if (!m_doc) {
        RaiseRecordedError();
        // HPDF_NewEx may report its own allocation failure only by null.
        throw std::bad_alloc();
    }
    // libHaru's page tree is one array of at most HPDF_LIMIT_MAX_ARRAY
    // (32,767) pages unless its pages hang below nodes of that many each,
    // which must be said before the first page.
    Call([&] { HPDF_SetPagesConfiguration(m_doc, HPDF_LIMIT_MAX_ARRAY); });
}

void CPdfRenderer::BeginPage(double width, double height)
{
    CheckPdfPageSize(width, height, m_path);
    Call([&] { m_page = HPDF_AddPage(m_doc); });
    m_pageWidth = width;
    m_pageHeight = height;
    Call([&] { HPDF_Page_SetWidth(m_page, F(width)); });
    Call([&] { HPDF_Page_SetHeight(m_page, F(height)); });
    Call([&] { HPDF_Page_SetMiterLimit(m_page, 65535.0f); });
}

void CPdfRenderer::SetTransform(const double* t)
{
    Call([&] { HPDF_Page_Concat(m_page, F(t[0]), F(t[1]), F(-t[2]), F(-t[3]), F(t[4]), F(t[5] + m_pageHeight)); });
}

void CPdfRenderer::SetLineJoin(int join)
{
    static const HPDF_LineJoin joins[] = {HPDF_MITER_JOIN, HPDF_ROUND_JOIN, HPDF_BEVEL_JOIN};
    if (join >= 0 && join <= 2)
        Call([&] { HPDF_Page_SetLineJoin(m_page, joins[join]); });
}

void CPdfRenderer::SetLineCap(int cap)
{
    static const HPDF_LineCap caps[] = {HPDF_BUTT_END, HPDF_ROUND_END, HPDF_PROJECTING_SCUARE_END};
    if (cap >= 0 && cap <= 2)
        Call([&] { HPDF_Page_SetLineCap(m_page, caps[cap]); });
}

void CPdfRenderer::SetLineWidth(double width)
{
    m_lineWidth = width;
    Call([&] { HPDF_Page_SetLineWidth(m_page, F(width)); });
}

void CPdfRenderer::SetStrokeColorRGB(double r, double g, double b)
{
    Call([&] { HPDF_Page_SetRGBStroke(m_page, F(r), F(g), F(b)); });
}

void CPdfRenderer::SetStrokeColor(COLORREF c)
{
    SetStrokeColorRGB(GetRValue(c) / 255.0, GetGValue(c) / 255.0, GetBValue(c) / 255.0);
}

void CPdfRenderer::SetStrokeColorCMYK(double c, double m, double y, double k)
{
    Call([&] { HPDF_Page_SetCMYKStroke(m_page, F(c), F(m), F(y), F(k)); });
}

void CPdfRenderer::SetFillColorRGB(double r, double g, double b)
{
    Call([&] { HPDF_Page_SetRGBFill(m_page, F(r), F(g), F(b)); });
}

void CPdfRenderer::SetFillColor(COLORREF c)
{
    SetFillColorRGB(GetRValue(c) / 255.0, GetGValue(c) / 255.0, GetBValue(c) / 255.0);
}

void CPdfRenderer::SetFillColorCMYK(double c, double m, double y, double k)
{
    Call([&] { HPDF_Page_SetCMYKFill(m_page, F(c), F(m), F(y), F(k)); });
}

void CPdfRenderer::MoveTo(double x, double y)
{
    Call([&] { HPDF_Page_MoveTo(m_page, F(x), F(y)); });
}

void CPdfRenderer::LineTo(double x, double y)
{
    Call([&] { HPDF_Page_LineTo(m_page, F(x), F(y)); });
}

void CPdfRenderer::CurveTo(double x1, double y1, double x2, double y2, double x3, double y3)
{
    Call([&] { HPDF_Page_CurveTo(m_page, F(x1), F(y1), F(x2), F(y2), F(x3), F(y3)); });
}

void CPdfRenderer::ClosePath()
{
    Call([&] { HPDF_Page_ClosePath(m_page); });
}

void CPdfRenderer::Fill()
{
    Call([&] { HPDF_Page_Fill(m_page); });
}

void CPdfRenderer::Stroke()
{
    Call([&] { HPDF_Page_Stroke(m_page); });
}

void CPdfRenderer::FillStroke()
{
    Call([&] { HPDF_Page_FillStroke(m_page); });
}

void CPdfRenderer::Rectangle(double x, double y, double w, double h)
{
    Call([&] { HPDF_Page_Rectangle(m_page, F(x), F(y), F(w), F(h)); });
}

void CPdfRenderer::EndDocument()
{
    SavePdfFile();
}

void CPdfRenderer::EndPage()
{
    if (!m_page)
        return;
    ++m_pagesSinceCount;
    m_contentsSinceCount += static_cast<HPDF_PageAttr>(m_page->attr)->stream->size;
    const unsigned long long limit = TableOffsetLimit();
    const unsigned long long most = (m_countedTableOffset ? m_countedTableOffset : kDocumentObjectsMost) +
                                    m_contentsSinceCount + m_pagesSinceCount * kPageObjectsMost;
    if (most <= limit)
        return;
    // Near the limit the document is saved into a count: a page is refused
    // exactly when the table of the document ending with it would lie past
    // the limit, whatever pages would come after it. The bound passes the
    // limit at most 2 KB a page before the document does, so the gap left
    // after a count shrinks by the share of the bound's 2 KB in each page's:
    // a document of pages of hundreds of kilobytes is counted about twice,
    // one of pages of ten kilobytes about six times.
    CPdfFileSink count = {nullptr, S_OK, 0};
    m_countedTableOffset = SaveInto(count);
    m_contentsSinceCount = m_pagesSinceCount = 0;
    if (m_countedTableOffset > limit)
        throw my::CException(IDS_PDF_PAST_TABLE_LIMIT, m_path);
}

unsigned long long CPdfRenderer::SaveInto(CPdfFileSink& sink)
{
    // libHaru's save goes into its own stream of the document; a writing
    // stream stands in for its memory stream, so the saved document is not
    // held a second time beside the one being saved.
    CSaveStream stream(m_doc);
    Call([&] { m_doc->stream = HPDF_CallbackWriter_New(m_doc->mmgr, WriteToPdfFile, &sink); });
    if (!m_doc->stream)
        throw std::bad_alloc();
    HPDF_STATUS status = HPDF_OK;
    try {
        Call([&] { status = HPDF_SaveToStream(m_doc); });
    } catch (const hpdf::CPdfException&) {
        // A write that failed is said as such, not as libHaru's I/O error.
        if (FAILED(sink.result))
            throw my::CException(IDS_WRITE_FILE_FAILED, sink.result, m_path);
        throw;
    }
    if (FAILED(sink.result))
        throw my::CException(IDS_WRITE_FILE_FAILED, sink.result, m_path);
    if (status != HPDF_OK)
        throw hpdf::CPdfException(static_cast<int>(status), 0);
    // libHaru counts in 32 bits: its table's offset is the true one less a
    // multiple of 4 GiB, and the table with the trailer after it is shorter.
    return sink.bytes - static_cast<HPDF_UINT32>(sink.bytes - m_doc->xref->addr);
}

void CPdfRenderer::SavePdfFile()
{
    if (!m_doc)
        throw hpdf::CPdfException(HPDF_INVALID_DOCUMENT, 0);
    // The file is replaced through a checked temporary beside it, so a failure
    // never truncates the file that was there, and libHaru never needs a
    // narrow file name.
    CReplacingFileWriter writer(m_path, false);
    HRESULT hr = writer.Open();
    if (FAILED(hr))
        throw my::CException(IDS_CREATE_FILE_FAILED, hr, m_path);
    CPdfFileSink sink = {&writer, S_OK, 0};
    if (SaveInto(sink) > TableOffsetLimit())
        throw my::CException(IDS_PDF_PAST_TABLE_LIMIT, m_path);
    hr = writer.Commit();
    if (FAILED(hr))
        throw my::CException(IDS_WRITE_FILE_FAILED, hr, m_path);
}
