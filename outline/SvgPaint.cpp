#include "outline/SvgPaint.h"
#include "outline/SvgWriter.h"

namespace {

// A NaN on either side is unequal, as the comparison of doubles gives.
inline bool SameDouble(double a, double b) { return a == b; }

} // namespace

bool SameStops(const std::vector<CGradationStop>& a, const std::vector<CGradationStop>& b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        const CGradationStop &s = a[i], &t = b[i];
        if (!SameDouble(s.position, t.position) || s.red != t.red || s.green != t.green || s.blue != t.blue ||
            s.alpha != t.alpha || s.extra != t.extra)
            return false;
    }
    return true;
}

bool SameGradient(const CSvgGradient& a, const CSvgGradient& b)
{
    return SameStops(a.stops, b.stops) && SameDouble(a.x1, b.x1) && SameDouble(a.y1, b.y1) &&
           SameDouble(a.x2, b.x2) && SameDouble(a.y2, b.y2);
}

bool SameTextureImage(const boost::shared_ptr<CImg>& a, const boost::shared_ptr<CImg>& b)
{
    if (a == b)
        return true;
    return a && b && a->Equals(*b);
}

size_t AddTextureImage(std::vector<CSvgTextureImage>& list, const boost::shared_ptr<CImg>& image,
                       const COutputPathParts& output, const std::wstring& nameTemplate)
{
    for (size_t i = 0; i < list.size(); ++i)
        if (SameTextureImage(list[i].image, image))
            return i;
    const int n = static_cast<int>(list.size());
    CSvgTextureImage entry;
    entry.image = image;
    entry.name = output.ExpandTemplate(nameTemplate, n, output.imageExtension);
    entry.path = output.MakeFilePath(nameTemplate, n, output.imageExtension);
    list.push_back(entry);
    return list.size() - 1;
}

std::wstring SvgStopColor(const CGradationStop& stop)
{
    return SvgColor(stop.red / 255.0, stop.green / 255.0, stop.blue / 255.0);
}

void WriteSvgGradient(std::wostream& os, const CSvgGradient& g)
{
    os << L"<linearGradient id=\"" << SvgEscape(g.id) << L"\" gradientUnits = \"userSpaceOnUse\""
       << L" x1=\"" << SvgNumber(g.x1) << L"\" y1=\"" << SvgNumber(g.y1) << L"\" x2=\"" << SvgNumber(g.x2)
       << L"\" y2=\"" << SvgNumber(g.y2) << L"\">";
    for (const CGradationStop& stop : g.stops) {
        os << L"<stop offset=\"" << SvgNumber(stop.position) << L"\" stop-color=\"" << SvgStopColor(stop) << L'"';
        if (stop.alpha < 255)
            os << L" stop-opacity=\"" << SvgNumber(stop.alpha / 255.0) << L'"';
        os << L" />";
    }
    os << L"</linearGradient>";
}

void WriteSvgImage(std::wostream& os, double x, double y, double w, double h, bool flipX, bool flipY,
                   const std::wstring& reference)
{
    os << L"<image x=\"" << SvgNumber(x) << L"\" y=\"" << SvgNumber(y) << L"\" width=\"" << SvgNumber(w)
       << L"\" height=\"" << SvgNumber(h) << L'"';
    if (flipX || flipY) {
        // Mirrored about the image's own box: move it to the origin, flip,
        // and move it back where it belongs.
        os << L" transform=\"";
        if ((flipX && x != 0) || (flipY && y != 0))
            os << L"translate(" << SvgNumber(flipX ? x : 0.0) << L',' << SvgNumber(flipY ? y : 0.0) << L") ";
        os << L"scale(" << (flipX ? -1 : 1) << L',' << (flipY ? -1 : 1) << L')';
        os << L" translate(" << SvgNumber(flipX ? -x - w : 0.0) << L',' << SvgNumber(flipY ? -y - h : 0.0)
           << L")\"";
    }
    os << L" xlink:href=\"" << SvgEscape(reference) << L"\" />";
}

void WriteSvgPattern(std::wostream& os, const CSvgPattern& p)
{
    const bool flipX = (p.flags & 1) != 0, flipY = (p.flags & 2) != 0;
    const bool mirrorX = (p.flags & 4) != 0, mirrorY = (p.flags & 8) != 0;
    os << L"<pattern id=\"" << SvgEscape(p.id) << L'"';
    if (p.angle != 0)
        os << L" patternTransform=\"rotate(" << SvgNumber(p.angle) << L")\"";
    os << L" x=\"" << SvgNumber(p.x) << L"\" y=\"" << SvgNumber(p.y) << L"\" width=\""
       << SvgNumber(mirrorX ? 2 * p.width : p.width) << L"\" height=\""
       << SvgNumber(mirrorY ? 2 * p.height : p.height) << L"\" patternUnits=\"userSpaceOnUse\">";
    WriteSvgImage(os, 0, 0, p.width, p.height, flipX, flipY, p.image);
    if (mirrorX)
        WriteSvgImage(os, p.width, 0, p.width, p.height, !flipX, flipY, p.image);
    if (mirrorY)
        WriteSvgImage(os, 0, p.height, p.width, p.height, flipX, !flipY, p.image);
    if (mirrorX && mirrorY)
        WriteSvgImage(os, p.width, p.height, p.width, p.height, !flipX, !flipY, p.image);
    os << L"</pattern>";
}

void CmykToRgb(const double* cmyk, double* rgb)
{
    for (int i = 0; i < 3; ++i)
        rgb[i] = (1 - cmyk[i]) * (1 - cmyk[3]);
}
