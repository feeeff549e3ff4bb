#include "outline/EmfRenderer.h"
#include "foundation/Error.h"
#include "foundation/LogFile.h"
#include "foundation/ReplacingFileWriter.h"
#include "resources/strings_outline.h"
#include "resources/strings_foundation_io.h"
#include <cmath>
#include <ostream>
#include <vector>

namespace {

// A metafile is already open: "file exists" as an HRESULT.
const HRESULT kAlreadyOpen = static_cast<HRESULT>(0x80070050);

// The sizes of the records our calls make, as the page's memory is counted:
// the header with the map mode, fill mode and end records; a record without
// points; a move or line; a rectangle, ellipse or paint (with its bounds);
// three Bezier points in 16 or in 32 bits; a brush, a pen (recorded as
// EMR_CREATEPEN), a selection or deletion of an object.
const unsigned kEmfPageRecords = sizeof(ENHMETAHEADER) + 12 + 12 + 20;
const unsigned kEmfBare = 8, kEmfPoint = 16, kEmfBox = 24, kEmfBezier16 = 40, kEmfBezier32 = 52;
const unsigned kEmfBrush = 24, kEmfPen = 28, kEmfObjectCall = 12;

bool IsShort(LONG v) { return v >= -32768 && v <= 32767; }

BYTE ChannelByte(double v)
{
    return static_cast<BYTE>(static_cast<int>(v * 255.0) & 0xFF);
}

std::wostream& operator<<(std::wostream& os, const POINT& p)
{
    return os << L"(" << p.x << L", " << p.y << L")";
}

// One trace line (or piece of one) under the log's lock, only while it is open.
template <class F>
void Trace(F write)
{
    boost::shared_ptr<CLogFile> log = GetGlobalLog();
    if (!log)
        return;
    CAutoLock<CAutoCriticalSection> lock(*log);
    if (log->is_open())
        write(static_cast<std::wostream&>(*log));
}

void TraceLine(const wchar_t* word)
{
    Trace([&](std::wostream& os) { os << word << std::endl; });
}

void TracePoint(const wchar_t* word, const POINT& p)
{
    Trace([&](std::wostream& os) { os << word << L" " << p << std::endl; });
}

void TraceBox(const wchar_t* word, const POINT& a, const POINT& b)
{
    Trace([&](std::wostream& os) { os << word << L" " << a << L"-" << b << std::endl; });
}

} // namespace

CEmfRenderer::CEmfRenderer()
{
    std::copy(kIdentityTransform, kIdentityTransform + kTransformSize, m_device);
}

void CEmfRenderer::BeginDocument(const std::wstring& path)
{
    if (m_metaDC)
        throw my::CException(IDS_BEGIN_DOC_FAILED, kAlreadyOpen);
    m_pageWidth = 0;
    m_pageHeight = 0;
    m_path = path;
    m_pathOpen = false;
    m_horzSize = ::GetDeviceCaps(m_referenceDC, HORZSIZE);
    m_vertSize = ::GetDeviceCaps(m_referenceDC, VERTSIZE);
    m_horzRes = ::GetDeviceCaps(m_referenceDC, HORZRES);
    m_vertRes = ::GetDeviceCaps(m_referenceDC, VERTRES);
}

void CEmfRenderer::BeginPage(double width, double height)
{
    if (m_metaDC)
        throw my::CException(IDS_BEGIN_PAGE_FAILED, kAlreadyOpen);
    m_pageWidth = width;
    m_pageHeight = height;
    RECT frame;
    frame.left = 0;
    frame.top = 0;
    frame.right = m_horzRes ? static_cast<LONG>(m_horzSize * width * 100 / m_horzRes) : 0;
    frame.bottom = m_vertRes ? static_cast<LONG>(m_vertSize * height * 100 / m_vertRes) : 0;
    // Recorded in memory and written by EndDocument with checked writes: GDI
    // reports neither a full disk nor a short write of a metafile on disk.
    m_metaDC.Reset(::CreateEnhMetaFileW(m_referenceDC, nullptr, &frame, nullptr));
    if (!m_metaDC)
        ThrowLastError(IDS_CREATE_EMF_FAILED, m_path);
    m_recorded = kEmfPageRecords;
    m_penRecorded = m_brushRecorded = false;
    TraceBox(L"BeginPage", POINT{frame.left, frame.top}, POINT{frame.right, frame.bottom});
    if (!::SetMapMode(m_metaDC, MM_HIMETRIC))
        ThrowLastError(IDS_SET_MAP_MODE_FAILED, L"3");
    if (!::SetPolyFillMode(m_metaDC, WINDING))
        ThrowLastError(IDS_SET_POLY_FILL_MODE_FAILED, L"2");
    if (!::SetMiterLimit(m_metaDC, 65535.0f, nullptr))
        ThrowLastError(IDS_SET_MITER_LIMIT_FAILED);
}

void CEmfRenderer::SetTransform(const double* t)
{
    const double sx = m_horzRes ? static_cast<double>(m_horzSize) * 100 / m_horzRes : 0;
    const double sy = m_vertRes ? -(static_cast<double>(m_vertSize) * 100 / m_vertRes) : 0;
    MakeTransform(m_device, t[0] * sx, t[1] * sx, t[2] * sy, t[3] * sy, t[4] * sx, t[5] * sy);
    DropPen();
    DropBrush();
}

POINT CEmfRenderer::MapPoint(double x, double y) const
{
    POINT p;
    p.x = static_cast<LONG>(TransformX(m_device, x, y));
    p.y = static_cast<LONG>(TransformY(m_device, x, y));
    return p;
}

void CEmfRenderer::SetLineJoin(int join)
{
    m_lineJoin = join;
    DropPen();
}

void CEmfRenderer::SetLineCap(int cap)
{
    m_lineCap = cap;
    DropPen();
}

void CEmfRenderer::SetLineWidth(double width)
{
    m_lineWidth = width;
    DropPen();
}

void CEmfRenderer::SetStrokeColorRGB(double r, double g, double b)
{
    SetStrokeColor(RGB(ChannelByte(r), ChannelByte(g), ChannelByte(b)));
}

void CEmfRenderer::SetStrokeColor(COLORREF color)
{
    m_penColor = color;
    DropPen();
}

void CEmfRenderer::SetStrokeColorCMYK(double, double, double, double)
{
    throw my::CException(IDS_COLOR_SPACE_NOT_SUPPORTED, L"CMYK");
}

void CEmfRenderer::SetFillColorRGB(double r, double g, double b)
{
    SetFillColor(RGB(ChannelByte(r), ChannelByte(g), ChannelByte(b)));
}

void CEmfRenderer::SetFillColor(COLORREF color)
{
    m_brushColor = color;
    DropBrush();
}

void CEmfRenderer::SetFillColorCMYK(double, double, double, double)
{
    throw my::CException(IDS_COLOR_SPACE_NOT_SUPPORTED, L"CMYK");
}

void CEmfRenderer::DropPen()
{
    // A pen the metafile knows is deleted from it as it goes.
    if (m_penRecorded)
        m_recorded += kEmfObjectCall;
    m_penRecorded = false;
    m_pen.Reset();
}

void CEmfRenderer::DropBrush()
{
    if (m_brushRecorded)
        m_recorded += kEmfObjectCall;
    m_brushRecorded = false;
    m_brush.Reset();
}

void CEmfRenderer::OpenPath()
{
    if (m_pathOpen)
        return;
    if (!::BeginPath(m_metaDC))
        ThrowLastError(IDS_BEGIN_PATH_FAILED);
    m_recorded += kEmfBare;
    TraceLine(L"BeginPath");
    m_pathOpen = true;
}

void CEmfRenderer::MoveTo(double x, double y)
{
    OpenPath();
    const POINT p = MapPoint(x, y);
    if (!::MoveToEx(m_metaDC, p.x, p.y, nullptr))
        ThrowLastError(IDS_MOVE_TO_FAILED);
    m_recorded += kEmfPoint;
    TracePoint(L"MoveTo", p);
}

void CEmfRenderer::LineTo(double x, double y)
{
    const POINT p = MapPoint(x, y);
    if (!::LineTo(m_metaDC, p.x, p.y))
        ThrowLastError(IDS_DRAW_LINE_FAILED);
    m_recorded += kEmfPoint;
    TracePoint(L"LineTo", p);
}

void CEmfRenderer::CurveTo(double x1, double y1, double x2, double y2, double x3, double y3)
{
    const POINT p[3] = {MapPoint(x1, y1), MapPoint(x2, y2), MapPoint(x3, y3)};
    if (!::PolyBezierTo(m_metaDC, p, 3))
        ThrowLastError(IDS_DRAW_BEZIER_FAILED);
    bool small = true;
    for (const POINT& q : p)
        small = small && IsShort(q.x) && IsShort(q.y);
    m_recorded += small ? kEmfBezier16 : kEmfBezier32;
    // Four writes, each under the lock, as the other traces.
    Trace([&](std::wostream& os) { os << L"PolyBezierTo"; });
    Trace([&](std::wostream& os) { os << L" " << p[0]; });
    Trace([&](std::wostream& os) { os << L" " << p[1]; });
    Trace([&](std::wostream& os) { os << L" " << p[2] << std::endl; });
}

void CEmfRenderer::ClosePath()
{
    if (!::CloseFigure(m_metaDC))
        ThrowLastError(IDS_CLOSE_FIGURE_FAILED);
    m_recorded += kEmfBare;
    TraceLine(L"CloseFigure");
}

void CEmfRenderer::Rectangle(double x, double y, double w, double h)
{
    OpenPath();
    const POINT a = MapPoint(x, y);
    const POINT b = MapPoint(x + w + 1, y + h + 1);
    if (!::Rectangle(m_metaDC, a.x, a.y, b.x, b.y))
        ThrowLastError(IDS_DRAW_RECTANGLE_FAILED);
    m_recorded += kEmfBox;
    TraceBox(L"Rectangle", a, b);
}

void CEmfRenderer::Ellipse(double x, double y, double w, double h)
{
    OpenPath();
    const POINT a = MapPoint(x, y);
    const POINT b = MapPoint(x + w + 1, y + h + 1);
    if (!::Ellipse(m_metaDC, a.x, a.y, b.x, b.y))
        ThrowLastError(IDS_DRAW_ELLIPSE_FAILED);
    m_recorded += kEmfBox;
    TraceBox(L"Ellipse", a, b);
}

void CEmfRenderer::PaintPath(bool fill, bool stroke)
{
    if (!m_pathOpen)
        return;
    if (!::EndPath(m_metaDC))
        ThrowLastError(IDS_END_PATH_FAILED);
    m_recorded += kEmfBare;
    TraceLine(L"EndPath");
    m_pathOpen = false;

    const UINT failure = fill && stroke ? IDS_STROKE_AND_FILL_PATH_FAILED : (fill ? IDS_FILL_PATH_FAILED : IDS_STROKE_PATH_FAILED);
    if (fill && !m_brush) {
        m_brush.Reset(::CreateSolidBrush(m_brushColor));
        if (!m_brush)
            ThrowLastError(failure);
    }
    if (stroke && !m_pen) {
        static const DWORD caps[] = {PS_ENDCAP_FLAT, PS_ENDCAP_ROUND, PS_ENDCAP_SQUARE};
        static const DWORD joins[] = {PS_JOIN_MITER, PS_JOIN_ROUND, PS_JOIN_BEVEL};
        const DWORD cap = m_lineCap >= 0 && m_lineCap <= 2 ? caps[m_lineCap] : PS_ENDCAP_FLAT;
        const DWORD join = m_lineJoin >= 0 && m_lineJoin <= 2 ? joins[m_lineJoin] : PS_JOIN_MITER;
        LOGBRUSH brush = {BS_SOLID, m_penColor, 0};
        const double width = m_device[6] * m_lineWidth;
        m_pen.Reset(::ExtCreatePen(PS_GEOMETRIC | cap | join, width > 0 ? static_cast<DWORD>(width) : 0, &brush, 0,
                                   nullptr));
        if (!m_pen)
            ThrowLastError(failure);
    }
    // The guards put the earlier brush and pen back on every path.
    CSelectObjectGuard selectBrush(m_metaDC, fill ? m_brush.Get() : nullptr);
    CSelectObjectGuard selectPen(m_metaDC, stroke ? m_pen.Get() : nullptr);
    // Each selection and its undoing, and an object's first use in the page.
    if (fill) {
        m_recorded += 2 * kEmfObjectCall + (m_brushRecorded ? 0 : kEmfBrush);
        m_brushRecorded = true;
    }
    if (stroke) {
        m_recorded += 2 * kEmfObjectCall + (m_penRecorded ? 0 : kEmfPen);
        m_penRecorded = true;
    }
    if (fill && stroke) {
        if (!::StrokeAndFillPath(m_metaDC))
            ThrowLastError(IDS_STROKE_AND_FILL_PATH_FAILED);
        TraceLine(L"StrokeAndFillPath");
    } else if (fill) {
        if (!::FillPath(m_metaDC))
            ThrowLastError(IDS_FILL_PATH_FAILED);
        TraceLine(L"FillPath");
    } else {
        if (!::StrokePath(m_metaDC))
            ThrowLastError(IDS_STROKE_PATH_FAILED);
        TraceLine(L"StrokePath");
    }
    m_recorded += kEmfBox;
}

void CEmfRenderer::EndDocument()
{
    if (!m_metaDC)
        return;
    m_pathOpen = false;
    CEnhMetaFileHandle meta(m_metaDC.Close());
    if (!meta)
        ThrowLastError(IDS_CREATE_EMF_FAILED, m_path);
    const UINT size = ::GetEnhMetaFileBits(meta, 0, nullptr);
    m_recorded = size;
    std::vector<BYTE> bits(size);
    // The bits must be one whole metafile: the header's own size says how long.
    if (size < sizeof(ENHMETAHEADER) || ::GetEnhMetaFileBits(meta, size, bits.data()) != size)
        ThrowLastError(IDS_CREATE_EMF_FAILED, m_path);
    const ENHMETAHEADER& header = *reinterpret_cast<const ENHMETAHEADER*>(bits.data());
    if (header.iType != EMR_HEADER || header.dSignature != ENHMETA_SIGNATURE || header.nBytes != size)
        throw my::CException(IDS_CREATE_EMF_FAILED, HResultFromWin32(ERROR_INVALID_DATA), m_path);
    WriteOutputFileOrThrow(m_path, bits.data(), bits.size());
}
