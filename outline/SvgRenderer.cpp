#include "outline/SvgRenderer.h"
#include "outline/SvgWriter.h"
#include "outline/PathStroker.h"
#include "foundation/Error.h"
#include "foundation/ReplacingFileWriter.h"
#include "foundation/StringUtil.h"
#include "resources/strings_foundation_io.h"
#include <boost/regex.hpp>
#include <algorithm>
#include <cmath>
#include <sstream>

namespace {

// A page's paths are kept in blocks of about this size: growing by a block,
// a page of hundreds of megabytes never needs room for itself twice over, as
// one string reallocating does (a line of 100,000 characters peaked at 1.6
// times its page).
const size_t kBodyBlock = 1u << 20;

const wchar_t kPrologue[] =
    L"<?xml version=\"1.0\" encoding=\"[ENCODING]\" standalone=\"no\"?>\n"
    L"<!DOCTYPE svg PUBLIC \"-//W3C//DTD SVG 1.1//EN\"\n"
    L"\"http://www.w3.org/Graphics/SVG/1.1/DTD/svg11.dtd\">\n"
    L"\n";

} // namespace

const std::string& CSvgRenderer::FileBytes(const std::wstring& text)
{
    WideToMultiByte(CP_UTF8, text, m_utf8);
    // What a text-mode file stream writes: every line feed as CR LF.
    m_bytes.clear();
    for (char c : m_utf8) {
        if (c == '\n')
            m_bytes += '\r';
        m_bytes += c;
    }
    return m_bytes;
}

void CSvgRenderer::AppendToBody(const std::string& bytes)
{
    if (m_body.empty() || m_body.back().size() + bytes.size() > m_body.back().capacity()) {
        m_body.emplace_back();
        m_body.back().reserve(std::max(kBodyBlock, bytes.size()));
    }
    m_body.back() += bytes;
    m_bodySize += bytes.size();
}

void CSvgRenderer::ClearPage()
{
    m_pageHead.clear();
    // The first block stays for the next page: most pages fit in it.
    if (m_body.size() > 1)
        m_body.resize(1);
    if (!m_body.empty())
        m_body[0].clear();
    m_bodySize = 0;
    m_pageEnded = false;
}

std::string CSvgRenderer::GetPageBytes() const
{
    std::string bytes = m_pageHead;
    for (const std::string& block : m_body)
        bytes += block;
    return bytes;
}

bool CIdLess::operator()(const std::wstring& a, const std::wstring& b) const
{
    return CompareAsciiNoCase(a.c_str(), b.c_str()) < 0;
}

std::wstring CSvgRenderer::MakeUniqueId(const std::wstring& text)
{
    std::wstring id = text;
    while (m_usedIds.count(id))
        id += L'_';
    m_usedIds.insert(id);
    return id;
}

std::wstring CSvgRenderer::IdAttribute(const std::wstring& name)
{
    if (name.empty())
        return std::wstring();
    return L"id=\"" + SvgEscape(MakeUniqueId(name)) + L"\"";
}

std::vector<std::wstring> CSvgRenderer::GetInvalidIds() const
{
    static const boost::wregex name(L"^[A-Za-z][A-Za-z0-9_\\-:\\.]*$");
    std::vector<std::wstring> out;
    for (const std::wstring& id : m_usedIds)
        if (!boost::regex_match(id, name))
            out.push_back(id);
    return out;
}

void CSvgRenderer::BeginDocument(const std::wstring& path)
{
    m_gradients.clear();
    m_patterns.clear();
    m_textures.clear();
    m_writtenGradients = 0;
    m_writtenPatterns = 0;
    m_outputPath.SetPath(path);
    m_usedIds.clear();
    m_file.reset();
    m_failedId = 0;
    ClearPage();
}

void CSvgRenderer::Fail(UINT id, HRESULT hr)
{
    // The temporary goes with the writer, and the pages written into it with
    // it: the document stays failed, or a later page would end a torn file.
    m_file.reset();
    m_failedId = id;
    m_failedHr = hr;
    throw my::CException(id, hr, m_outputPath.path);
}

void CSvgRenderer::OpenFile()
{
    m_file.reset(new CReplacingFileWriter(m_outputPath.path, false));
    HRESULT hr = m_file->Open();
    if (FAILED(hr))
        Fail(IDS_CREATE_FILE_FAILED, hr);
    std::string prologue;
    if (HasFlag(kXmlPrologue)) {
        std::wstring text = kPrologue;
        ReplaceAll(text, L"[ENCODING]", L"utf-8");
        prologue = FileBytes(text);
    }
    hr = m_file->Write(prologue.data(), prologue.size());
    if (FAILED(hr))
        Fail(IDS_WRITE_FILE_FAILED, hr);
}

void CSvgRenderer::WriteEndedPage()
{
    if (m_failedId != 0)
        throw my::CException(m_failedId, m_failedHr, m_outputPath.path);
    if (!m_pageEnded)
        return;
    if (!m_file)
        OpenFile();
    HRESULT hr = m_file->Write(m_pageHead.data(), m_pageHead.size());
    for (size_t i = 0; i < m_body.size() && SUCCEEDED(hr); ++i)
        hr = m_file->Write(m_body[i].data(), m_body[i].size());
    if (FAILED(hr))
        Fail(IDS_WRITE_FILE_FAILED, hr);
    ClearPage();
}

void CSvgRenderer::BeginPage(double width, double height)
{
    WriteEndedPage();
    m_pageWidth = width;
    m_pageHeight = height;
    ClearPage();
}

void CSvgRenderer::BeginGroup(const std::wstring& name)
{
    m_groups.push_back(name);
    const std::wstring id = IdAttribute(name);
    AppendToBody(FileBytes(id.empty() ? L"<g>" : L"<g " + id + L">"));
}

void CSvgRenderer::EndGroup()
{
    if (m_groups.empty())
        return;
    AppendToBody("</g>");
    m_groups.pop_back();
}

const std::wstring& CSvgRenderer::GradientId(const std::vector<CGradationStop>& stops, double angle,
                                             const Gdiplus::Pen* pen)
{
    Gdiplus::RectF bounds;
    Gdiplus::PointF origin;
    GetRotatedPathListBounds(m_paths, bounds, &origin, pen, static_cast<float>(-angle));
    CSvgGradient gradient;
    gradient.stops = stops;
    const double a = angle * 3.14159265358979323846 / 180;
    gradient.x1 = origin.X;
    gradient.y1 = origin.Y;
    gradient.x2 = gradient.x1 + std::cos(a) * bounds.Width;
    gradient.y2 = gradient.y1 + std::sin(a) * bounds.Width;
    for (const CSvgGradient& g : m_gradients)
        if (SameGradient(g, gradient))
            return g.id;
    gradient.id = MakeUniqueId(L"gradation_" + std::to_wstring(m_gradients.size() + 1));
    m_gradients.push_back(gradient);
    return m_gradients.back().id;
}

const std::wstring& CSvgRenderer::PatternId(const CTextureDesc& texture, const Gdiplus::Pen* pen)
{
    const CSvgTextureImage& image =
        m_textures[AddTextureImage(m_textures, texture.m_image, m_outputPath, m_imageTemplate)];
    Gdiplus::RectF bounds;
    GetRotatedPathListBounds(m_paths, bounds, nullptr, pen, static_cast<float>(-texture.m_angle));
    const double w = texture.m_image->m_w, h = texture.m_image->m_h;
    double scale = texture.m_rateX;
    if (texture.m_fitType == TEXTURE_FIT_WIDTH || texture.m_fitType == TEXTURE_FIT_BOTH)
        scale = bounds.Width / w;
    else if (texture.m_fitType == TEXTURE_FIT_HEIGHT)
        scale = bounds.Height / h;
    CSvgPattern pattern;
    pattern.image = image.name;
    pattern.x = bounds.X + texture.m_offsetX;
    pattern.y = bounds.Y + texture.m_offsetY;
    pattern.width = w * scale;
    pattern.height = h * scale;
    pattern.angle = texture.m_angle;
    pattern.flags = static_cast<uint32_t>(texture.m_flags);
    pattern.id = MakeUniqueId(L"texture_" + std::to_wstring(m_patterns.size() + 1));
    m_patterns.push_back(pattern);
    return m_patterns.back().id;
}

void CSvgRenderer::WritePaint(std::wostream& os, const wchar_t* name, bool enabled, BYTE space, const double* color,
                              double opacity, const std::vector<CGradationStop>& stops, double angle,
                              const CTextureDesc& texture, const Gdiplus::Pen* pen)
{
    const bool textured = texture.m_image && texture.m_image->m_w > 0 && texture.m_image->m_h > 0;
    if (enabled && textured) {
        os << name << L"=\"url(#" << SvgEscape(PatternId(texture, pen)) << L")\"";
    } else if (enabled && !stops.empty()) {
        os << name << L"=\"url(#" << SvgEscape(GradientId(stops, angle, pen)) << L")\"";
    } else {
        // A CMYK colour is shown by the RGB that stands for it.
        double rgb[3] = {color[0], color[1], color[2]};
        if (space == kColorCMYK)
            CmykToRgb(color, rgb);
        WriteSvgPaintAttribute(os, name, enabled, rgb, opacity);
    }
}

void CSvgRenderer::PaintPath(bool fill, bool stroke)
{
    if (m_paths.empty())
        return;
    std::wostringstream attributes;
    const std::wstring id = IdAttribute(m_name);
    attributes << id;
    // A negative width makes no pen: the path is not stroked at all.
    if (stroke && m_lineWidth >= 0) {
        if (!id.empty())
            attributes << L' ';
        // The pen that measures the stroked extent for a gradient or pattern.
        Gdiplus::Pen pen(0xFF000000, static_cast<Gdiplus::REAL>(std::max(1.0, m_lineWidth)));
        pen.SetLineJoin(static_cast<Gdiplus::LineJoin>(m_lineJoin));
        pen.SetLineCap(static_cast<Gdiplus::LineCap>(m_lineCap), static_cast<Gdiplus::LineCap>(m_lineCap),
                       Gdiplus::DashCapFlat);
        pen.SetMiterLimit(static_cast<Gdiplus::REAL>(m_miterLimit));
        WritePaint(attributes, L"stroke", true, m_strokeSpace, m_strokeColor, m_strokeOpacity, m_strokeStops,
                   m_strokeGradationAngle, m_strokeTexture, &pen);
        WriteSvgStrokeAttributes(attributes, m_lineWidth, m_lineJoin, m_lineCap, m_miterLimit);
    }
    if (!attributes.str().empty())
        attributes << L' ';
    WritePaint(attributes, L"fill", fill, m_fillSpace, m_fillColor, m_fillOpacity, m_fillStops,
               m_fillGradationAngle, m_fillTexture, nullptr);

    std::wostringstream element;
    element << L"<path";
    if (!attributes.str().empty())
        element << L' ' << attributes.str();
    element << L" d=\"";
    try {
        WriteSvgPathData(element, m_paths);
    } catch (...) {
        // What was written stays in the page, unfinished, as the fault left it.
        AppendToBody(FileBytes(element.str()));
        m_paths.clear();
        throw;
    }
    element << L"\" />";
    AppendToBody(FileBytes(element.str()));
    CCachedRenderer::PaintPath(fill, stroke);
}

void CSvgRenderer::EndPage()
{
    while (!m_groups.empty())
        EndGroup();
    std::wostringstream os;
    os << L"<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\""
       << L" xmlns:xlink=\"http://www.w3.org/1999/xlink\""
       << L" width=\"" << SvgNumber(m_pageWidth) << L"\" height=\"" << SvgNumber(m_pageHeight) << L"\""
       << L" viewBox=\"0 0 " << SvgNumber(m_pageWidth) << L' ' << SvgNumber(m_pageHeight) << L"\">";
    if (m_writtenGradients < m_gradients.size() || m_writtenPatterns < m_patterns.size()) {
        os << L"<defs>";
        for (; m_writtenGradients < m_gradients.size(); ++m_writtenGradients)
            WriteSvgGradient(os, m_gradients[m_writtenGradients]);
        for (; m_writtenPatterns < m_patterns.size(); ++m_writtenPatterns)
            WriteSvgPattern(os, m_patterns[m_writtenPatterns]);
        os << L"</defs>";
    }
    m_pageHead = FileBytes(os.str());
    AppendToBody("</svg>");
    m_pageEnded = true;
}

void CSvgRenderer::EndDocument()
{
    WriteEndedPage();
    if (!m_file)
        OpenFile();
    const HRESULT hr = m_file->Commit();
    if (FAILED(hr))
        Fail(IDS_WRITE_FILE_FAILED, hr);
    m_file.reset();
}
