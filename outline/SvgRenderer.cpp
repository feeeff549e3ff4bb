#include "outline/SvgRenderer.h"
#include "outline/SvgWriter.h"
#include "foundation/Error.h"
#include "foundation/ReplacingFileWriter.h"
#include "foundation/StringUtil.h"
#include "resources/strings_foundation_io.h"
#include <boost/regex.hpp>
#include <sstream>

namespace {

const wchar_t kPrologue[] =
    L"<?xml version=\"1.0\" encoding=\"[ENCODING]\" standalone=\"no\"?>\n"
    L"<!DOCTYPE svg PUBLIC \"-//W3C//DTD SVG 1.1//EN\"\n"
    L"\"http://www.w3.org/Graphics/SVG/1.1/DTD/svg11.dtd\">\n"
    L"\n";

// What a text-mode file stream writes: every line feed as CR LF.
std::string ToFileBytes(const std::wstring& text)
{
    std::string utf8;
    WideToMultiByte(CP_UTF8, text, utf8);
    std::string out;
    out.reserve(utf8.size() + utf8.size() / 16);
    for (char c : utf8) {
        if (c == '\n')
            out += '\r';
        out += c;
    }
    return out;
}

} // namespace

bool CIdLess::operator()(const std::wstring& a, const std::wstring& b) const
{
    return CompareNoCase(a, b) < 0;
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
    m_outputPath.SetPath(path);
    m_usedIds.clear();
    m_document.clear();
}

void CSvgRenderer::BeginPage(double width, double height)
{
    m_pageWidth = width;
    m_pageHeight = height;
    m_body.clear();
}

void CSvgRenderer::BeginGroup(const std::wstring& name)
{
    m_groups.push_back(name);
    const std::wstring id = IdAttribute(name);
    m_body += L"<g";
    if (!id.empty())
        m_body += L" " + id;
    m_body += L">";
}

void CSvgRenderer::EndGroup()
{
    if (m_groups.empty())
        return;
    m_body += L"</g>";
    m_groups.pop_back();
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
        WriteSvgPaintAttribute(attributes, L"stroke", true, m_strokeColor, m_strokeOpacity);
        WriteSvgStrokeAttributes(attributes, m_lineWidth, m_lineJoin, m_lineCap, m_miterLimit);
    }
    if (!attributes.str().empty())
        attributes << L' ';
    WriteSvgPaintAttribute(attributes, L"fill", fill, m_fillColor, m_fillOpacity);

    std::wostringstream element;
    element << L"<path";
    if (!attributes.str().empty())
        element << L' ' << attributes.str();
    element << L" d=\"";
    try {
        WriteSvgPathData(element, m_paths);
    } catch (...) {
        // What was written stays in the page, unfinished, as the fault left it.
        m_body += element.str();
        m_paths.clear();
        throw;
    }
    element << L"\" />";
    m_body += element.str();
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
    m_document += os.str();
    m_document += m_body;
    m_document += L"</svg>";
    m_body.clear();
}

void CSvgRenderer::EndDocument()
{
    std::string bytes;
    if (HasFlag(kXmlPrologue)) {
        std::wstring prologue = kPrologue;
        ReplaceAll(prologue, L"[ENCODING]", L"utf-8");
        bytes = ToFileBytes(prologue);
    }
    bytes += ToFileBytes(m_document);

    WriteOutputFileOrThrow(m_outputPath.path, bytes.data(), bytes.size());
}
