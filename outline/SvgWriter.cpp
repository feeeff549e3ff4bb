#include "outline/SvgWriter.h"
#include "foundation/Error.h"
#include "foundation/XmlValue.h"
#include "resources/strings_outline.h"
#include <algorithm>
#include <vector>

using namespace Gdiplus;

namespace {

int ColorChannel(double v)
{
    return static_cast<int>(v * 255.0 + 0.5) & 0xFF;
}

void WritePoint(std::wostream& os, const PointF& p)
{
    os << SvgNumber(p.X) << L' ' << SvgNumber(p.Y);
}

} // namespace

std::wstring SvgNumber(double value) { return FormatReal(value); }

std::wstring SvgColor(double r, double g, double b)
{
    static const wchar_t digits[] = L"0123456789abcdef";
    std::wstring text = L"#";
    for (double v : {r, g, b}) {
        const int c = ColorChannel(v);
        text += digits[c >> 4];
        text += digits[c & 15];
    }
    return text;
}

std::wstring SvgEscape(const std::wstring& text)
{
    std::wstring out;
    for (wchar_t c : text) {
        switch (c) {
        case L'&': out += L"&amp;"; break;
        case L'<': out += L"&lt;"; break;
        case L'>': out += L"&gt;"; break;
        case L'"': out += L"&quot;"; break;
        default: out += c; break;
        }
    }
    return out;
}

void WriteSvgPaintAttribute(std::wostream& os, const wchar_t* name, bool enabled, const double* rgb, double opacity)
{
    os << name;
    if (!enabled) {
        os << L"=\"none\"";
        return;
    }
    os << L"=\"" << SvgColor(rgb[0], rgb[1], rgb[2]) << L'"';
    if (opacity < 1.0)
        os << L' ' << name << L"-opacity=\"" << SvgNumber(std::max(0.0, opacity)) << L'"';
}

void WriteSvgStrokeAttributes(std::wostream& os, double width, int join, int cap, double miterLimit)
{
    if (width != 0)
        os << L" stroke-width=\"" << SvgNumber(width) << L'"';
    if (join != LineJoinMiter)
        os << L" stroke-linejoin=\"" << (join == LineJoinBevel ? L"bevel" : L"round") << L'"';
    else
        os << L" stroke-miterlimit=\"" << SvgNumber(miterLimit) << L'"';
    if (cap != LineCapFlat)
        os << L" stroke-linecap=\"" << (cap == LineCapSquare ? L"square" : L"round") << L'"';
}

void WriteSvgPointData(std::wostream& os, const std::vector<PointF>& points, const std::vector<BYTE>& types,
                       bool& firstFigure)
{
    int pending = 0;
    for (size_t i = 0; i < points.size() && i < types.size(); ++i) {
        switch (types[i] & PathPointTypePathTypeMask) {
        case PathPointTypeStart:
            if (pending != 0)
                throw my::CException(IDS_PATH_START_IN_BEZIER);
            os << (firstFigure ? L"M " : L" M ");
            WritePoint(os, points[i]);
            firstFigure = false;
            break;
        case PathPointTypeLine:
            if (pending != 0)
                throw my::CException(IDS_PATH_LINE_IN_BEZIER);
            if (i == 0)
                throw my::CException(IDS_PATH_LINE_WITHOUT_START);
            // Every point is written, a zero-length segment included: the
            // caller drew it, and with a round cap it shows as a dot.
            os << L" L ";
            WritePoint(os, points[i]);
            break;
        case PathPointTypeBezier:
            if (++pending == 3) {
                os << L" C ";
                WritePoint(os, points[i - 2]);
                os << L' ';
                WritePoint(os, points[i - 1]);
                os << L' ';
                WritePoint(os, points[i]);
                pending = 0;
            }
            break;
        default:
            throw my::CException(IDS_PATH_POINT_TYPE_UNKNOWN);
        }
        if (types[i] & PathPointTypeCloseSubpath)
            os << L" Z";
    }
}

void WriteSvgPathData(std::wostream& os, const CGraphicsPathList& paths)
{
    bool firstFigure = true;
    std::vector<PointF> points;
    std::vector<BYTE> types;
    for (const auto& path : paths) {
        if (path->GetPathData(points, types) != Ok)
            throw my::CException(IDS_GET_PATH_DATA_FAILED);
        WriteSvgPointData(os, points, types, firstFigure);
    }
}
