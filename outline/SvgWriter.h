// Text of SVG elements from the cached renderer's state and its GDI+ paths:
// numbers, colours, the plain paint and stroke attributes, and path data.
#pragma once
#include "platform/GdiPlusPath.h"
#include <ostream>
#include <string>
#include <vector>

// Numbers as the settings store them (FormatReal); path points are floats
// and reach it widened.
std::wstring SvgNumber(double value);
// "#rrggbb", each channel value x 255 + 0.5, truncated, low 8 bits.
std::wstring SvgColor(double r, double g, double b);
// Text of an attribute value: &, <, > and the double quote as entities.
std::wstring SvgEscape(const std::wstring& text);

// `name`="none" when not enabled, else the colour and, below 1, the opacity.
void WriteSvgPaintAttribute(std::wostream& os, const wchar_t* name, bool enabled, const double* rgb, double opacity);
// Width (when not 0), join or miter limit, cap (when not flat), each with a
// leading space. Join and cap are GDI+ values.
void WriteSvgStrokeAttributes(std::wostream& os, double width, int join, int cap, double miterLimit);
// "M x y L x y C ... Z" of every figure of every path; throws IDS_GET_PATH_DATA_FAILED, IDS_PATH_POINT_TYPE_UNKNOWN,
// IDS_PATH_START_IN_BEZIER, IDS_PATH_LINE_IN_BEZIER or IDS_PATH_LINE_WITHOUT_START for data no outline holds.
void WriteSvgPathData(std::wostream& os, const Gdiplus::CGraphicsPathList& paths);
// The same for one path's points and types; `firstFigure` says whether
// the next start point opens the element's data.
void WriteSvgPointData(std::wostream& os, const std::vector<Gdiplus::PointF>& points, const std::vector<BYTE>& types,
                       bool& firstFigure);
