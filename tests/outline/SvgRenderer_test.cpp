#include "outline/SvgRenderer.h"
#include "outline/SvgWriter.h"
#include "foundation/StringUtil.h"
#include "resources/strings_foundation_io.h"
#include "resources/strings_outline.h"
#include "tests/common/TestSupport.h"
#include "tests/outline/OutlineTestSupport.h"
#include "tests/outline/SampleDrawing.h"
#include <gtest/gtest.h>
#include <sstream>

using namespace Gdiplus;

namespace {

const char kPrologue[] =
    "<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"no\"?>\r\n"
    "<!DOCTYPE svg PUBLIC \"-//W3C//DTD SVG 1.1//EN\"\r\n"
    "\"http://www.w3.org/Graphics/SVG/1.1/DTD/svg11.dtd\">\r\n"
    "\r\n";

std::string Root(const char* w, const char* h)
{
    return std::string("<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" "
                       "xmlns:xlink=\"http://www.w3.org/1999/xlink\" width=\"") +
           w + "\" height=\"" + h + "\" viewBox=\"0 0 " + w + " " + h + "\">";
}

// The body of one page drawn by `draw`, as the document text holds it.
template <class F>
std::wstring PageBody(F draw)
{
    CSvgRenderer r;
    r.BeginDocument(L"x.svg");
    r.BeginPage(10, 10);
    draw(r);
    r.EndPage();
    std::wstring doc;
    MultiByteToWideString(CP_UTF8, 0, r.GetPageBytes(), doc);
    const size_t open = doc.find(L'>') + 1;
    return doc.substr(open, doc.size() - open - 6);
}

} // namespace

TEST(SvgRenderer, SvgFileByteForByte)
{
    CTempFolder folder;
    const std::wstring path = folder.File(L"square.svg");
    CSvgRenderer r(CSvgRenderer::kXmlPrologue);
    r.BeginDocument(path);
    r.BeginPage(100, 50);
    r.SetTransform(kIdentityTransform);
    r.SetName(L"square");
    r.SetFillColor(RGB(255, 0, 0));
    r.BeginPath();
    r.Rectangle(10, 10, 20, 20);
    r.Fill();
    r.SetLineWidth(2.5);
    r.SetStrokeColor(RGB(0, 0, 255));
    r.SetLineJoin(kJoinRound);
    r.SetLineCap(kCapSquare);
    r.SetFillColorRGB(0, 0.5, 1);
    r.BeginPath();
    r.MoveTo(0, 0);
    r.LineTo(5, 0);
    r.CurveTo(6, 0, 7, 1.5f, 7, 3);
    r.ClosePath();
    r.FillStroke();
    r.EndPage();
    r.EndDocument();
    const std::string expected = std::string(kPrologue) + Root("100", "50") +
        "<path id=\"square\" fill=\"#ff0000\" d=\"M 10 10 L 10 30 L 30 30 L 30 10 Z\" />"
        "<path id=\"square_\" stroke=\"#0000ff\" stroke-width=\"2.5\" stroke-linejoin=\"round\" "
        "stroke-linecap=\"square\" fill=\"#0080ff\" d=\"M 0 0 L 5 0 C 6 0 7 1.5 7 3 Z\" /></svg>";
    EXPECT_EQ(expected, ReadFileBytes(path));
}

TEST(SvgRenderer, HtmlFileOfTwoPages)
{
    CTempFolder folder;
    const std::wstring path = folder.File(L"pages.html");
    CSvgRenderer r;
    r.BeginDocument(path);
    r.BeginPage(10, 20);
    r.SetFillColor(RGB(1, 2, 3));
    r.BeginPath();
    r.Rectangle(0, 0, 1, 1);
    r.Fill();
    r.EndPage();
    r.BeginPage(30.5, 40);
    r.EndPage();
    r.EndDocument();
    const std::string expected = Root("10", "20") +
        "<path fill=\"#010203\" d=\"M 0 0 L 0 1 L 1 1 L 1 0 Z\" /></svg>" + Root("30.5", "40") + "</svg>";
    EXPECT_EQ(expected, ReadFileBytes(path));
}

TEST(SvgRenderer, PathElementAttributes)
{
    struct Case {
        const char* name;
        void (*draw)(CSvgRenderer&);
        const wchar_t* body;
    };
    const Case cases[] = {
        {"stroke only", [](CSvgRenderer& r) { r.SetLineWidth(1); r.MoveTo(0, 0); r.LineTo(1, 2); r.Stroke(); },
         L"<path stroke=\"#000000\" stroke-width=\"1\" stroke-miterlimit=\"65535\" fill=\"none\" d=\"M 0 0 L 1 2\" />"},
        {"zero width, bevel, round cap",
         [](CSvgRenderer& r) { r.SetLineJoin(kJoinBevel); r.SetLineCap(kCapRound); r.MoveTo(0, 0); r.LineTo(1, 0); r.Stroke(); },
         L"<path stroke=\"#000000\" stroke-linejoin=\"bevel\" stroke-linecap=\"round\" fill=\"none\" d=\"M 0 0 L 1 0\" />"},
        {"negative width draws no stroke",
         [](CSvgRenderer& r) { r.SetLineWidth(-1); r.MoveTo(0, 0); r.LineTo(1, 0); r.FillStroke(); },
         L"<path fill=\"#ffffff\" d=\"M 0 0 L 1 0\" />"},
        {"opacity below 1",
         [](CSvgRenderer& r) { r.SetFillOpacity(0.5); r.SetStrokeOpacity(-2); r.MoveTo(0, 0); r.LineTo(1, 0); r.FillStroke(); },
         L"<path stroke=\"#000000\" stroke-opacity=\"0\" stroke-miterlimit=\"65535\" fill=\"#ffffff\" "
         L"fill-opacity=\"0.5\" d=\"M 0 0 L 1 0\" />"},
        // A line to the current point is a dot with a round cap, after the
        // figure's start, a line or a curve alike.
        {"line to the current point",
         [](CSvgRenderer& r) { r.SetLineWidth(4); r.SetLineCap(kCapRound); r.MoveTo(5, 5); r.LineTo(5, 5); r.Stroke(); },
         L"<path stroke=\"#000000\" stroke-width=\"4\" stroke-miterlimit=\"65535\" stroke-linecap=\"round\" "
         L"fill=\"none\" d=\"M 5 5 L 5 5\" />"},
        {"zero-length segments after a line and a curve",
         [](CSvgRenderer& r) { r.MoveTo(0, 0); r.LineTo(1, 0); r.LineTo(1, 0); r.CurveTo(1, 2, 2, 2, 2, 1); r.LineTo(2, 1);
                               r.LineTo(0, 0); r.Fill(); },
         L"<path fill=\"#ffffff\" d=\"M 0 0 L 1 0 L 1 0 C 1 2 2 2 2 1 L 2 1 L 0 0\" />"},
        {"second figure", [](CSvgRenderer& r) { r.MoveTo(0, 0); r.LineTo(1, 0); r.ClosePath(); r.MoveTo(5, 5); r.LineTo(6, 6); r.Fill(); },
         L"<path fill=\"#ffffff\" d=\"M 0 0 L 1 0 Z M 5 5 L 6 6\" />"},
        {"paths of the list in one element",
         [](CSvgRenderer& r) { r.BeginPath(); r.MoveTo(0, 0); r.LineTo(1, 0); r.BeginPath(); r.MoveTo(2, 2); r.LineTo(3, 3); r.Fill(); },
         L"<path fill=\"#ffffff\" d=\"M 0 0 L 1 0 M 2 2 L 3 3\" />"},
        {"transform and line scale",
         [](CSvgRenderer& r) { double t[7]; MakeTransform(t, 1.5, 0, 0, 1.5, 10, 0); r.SetTransform(t);
                               r.SetLineWidth(2); r.MoveTo(2, 2); r.LineTo(4, 2); r.Stroke(); },
         L"<path stroke=\"#000000\" stroke-width=\"3\" stroke-miterlimit=\"65535\" fill=\"none\" d=\"M 13 3 L 16 3\" />"},
        {"cmyk converted to the rgb that stands for it",
         [](CSvgRenderer& r) { r.SetFillColorCMYK(1, 0, 0.5, 0.25); r.MoveTo(0, 0); r.LineTo(1, 0); r.Fill(); },
         L"<path fill=\"#00bf60\" d=\"M 0 0 L 1 0\" />"},
        {"nothing begun, nothing written", [](CSvgRenderer& r) { r.Fill(); }, L""},
        {"group and escaped name",
         [](CSvgRenderer& r) { r.BeginGroup(L"layer"); r.BeginGroup(L""); r.SetName(L"a\"&<b");
                               r.MoveTo(0, 0); r.LineTo(1, 0); r.Fill(); },
         L"<g id=\"layer\"><g><path id=\"a&quot;&amp;&lt;b\" fill=\"#ffffff\" d=\"M 0 0 L 1 0\" /></g></g>"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.body, PageBody(c.draw)) << c.name;
}

TEST(SvgRenderer, UniqueIdsIgnoreLetterCase)
{
    CSvgRenderer r;
    r.BeginDocument(L"x.svg");
    EXPECT_EQ(L"Outline", r.MakeUniqueId(L"Outline"));
    EXPECT_EQ(L"outline_", r.MakeUniqueId(L"outline"));
    EXPECT_EQ(L"OUTLINE__", r.MakeUniqueId(L"OUTLINE"));
    EXPECT_EQ(L"other", r.MakeUniqueId(L"other"));
    r.MakeUniqueId(L"1st");
    r.MakeUniqueId(L"a b");
    r.MakeUniqueId(L"a-b:c.d_e");
    const std::vector<std::wstring> invalid = {L"1st", L"a b"};
    EXPECT_EQ(invalid, r.GetInvalidIds());
    r.BeginDocument(L"y.svg");  // a new document starts a new set
    EXPECT_EQ(L"outline", r.MakeUniqueId(L"outline"));
}

TEST(SvgRenderer, PathFaultsAndStateErrors)
{
    CSvgRenderer r;
    r.BeginDocument(L"x.svg");
    r.BeginPage(1, 1);
    EXPECT_EQ(UINT(IDS_PATH_NOT_BEGUN), ThrownId([&] { r.LineTo(1, 1); }));
    EXPECT_EQ(UINT(IDS_PATH_NOT_BEGUN), ThrownId([&] { r.CurveTo(1, 1, 2, 2, 3, 3); }));
    EXPECT_EQ(UINT(IDS_PATH_NOT_BEGUN), ThrownId([&] { r.ClosePath(); }));

    const BYTE S = PathPointTypeStart, L = PathPointTypeLine, B = PathPointTypeBezier;
    struct Case {
        const char* name;
        std::vector<BYTE> types;
        UINT id;
    };
    const Case cases[] = {
        {"start inside a bezier", {S, B, S}, IDS_PATH_START_IN_BEZIER},
        {"line inside a bezier", {S, B, B, L}, IDS_PATH_LINE_IN_BEZIER},
        {"line first", {L, L}, IDS_PATH_LINE_WITHOUT_START},
        {"unknown type", {S, 2}, IDS_PATH_POINT_TYPE_UNKNOWN},
    };
    for (const Case& c : cases) {
        std::vector<PointF> points;
        for (size_t i = 0; i < c.types.size(); ++i)
            points.push_back(PointF(REAL(i), REAL(i)));
        std::wostringstream os;
        bool first = true;
        EXPECT_EQ(c.id, ThrownId([&] { WriteSvgPointData(os, points, c.types, first); })) << c.name;
    }
}

TEST(SvgRenderer, FilesThatCannotBeWrittenAreErrors)
{
    CTempFolder folder;
    const std::wstring missing = folder.File(L"no such folder\\a.svg");
    CSvgRenderer r;
    r.BeginDocument(missing);
    r.BeginPage(1, 1);
    r.EndPage();
    const my::CException e = ThrownError([&] { r.EndDocument(); });
    EXPECT_EQ(UINT(IDS_CREATE_FILE_FAILED), e.id);
    EXPECT_NE(std::wstring::npos, e.message.find(missing)) << Narrow(e.message);
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(missing.c_str()));

    r.BeginDocument(folder.Path());  // a folder, not a file
    r.BeginPage(1, 1);
    r.EndPage();
    EXPECT_EQ(UINT(IDS_CREATE_FILE_FAILED), ThrownId([&] { r.EndDocument(); }));
    EXPECT_EQ(FILE_ATTRIBUTE_DIRECTORY, GetFileAttributesW(folder.Path().c_str()) & FILE_ATTRIBUTE_DIRECTORY);
}

TEST(SvgRenderer, TextForms)
{
    EXPECT_EQ(L"#000000", SvgColor(0, 0, 0));
    EXPECT_EQ(L"#ff8001", SvgColor(1, 0.5, 0.002));
    EXPECT_EQ(L"#00ff00", SvgColor(1.0 / 255 * 256, 1, 0));  // channel 256 keeps its low 8 bits
    EXPECT_EQ(L"0.333333", SvgNumber(1.0 / 3));
    EXPECT_EQ(L"1e+06", SvgNumber(1000000.0));
    EXPECT_EQ(L"123457", SvgNumber(123456.7));
    EXPECT_EQ(L"0.1", SvgNumber(0.1f));
    EXPECT_EQ(L"-2.5", SvgNumber(-2.5));
}

TEST(SvgRenderer, SampleFiles)
{
    for (DWORD flags : {DWORD(CSvgRenderer::kXmlPrologue), DWORD(0)}) {
        const std::wstring path = TestOutputPath(flags ? L"outline_sample.svg" : L"outline_sample.html");
        CSvgRenderer r(flags);
        r.BeginDocument(path);
        EXPECT_EQ(3, DrawSamplePage(r, L"縁取り"));
        r.EndDocument();
        const std::string bytes = ReadFileBytes(path);
        EXPECT_EQ(flags ? "<?xml" : "<svg ", bytes.substr(0, 5));
        EXPECT_EQ("</svg>", bytes.substr(bytes.size() - 6));
        EXPECT_NE(std::string::npos, bytes.find(" C "));

        // Well-formed for xmllint: the SVG file as it stands, the HTML file's
        // pages (elements side by side) under one root.
        const std::string file = HostPathArg(path);
        ASSERT_FALSE(file.empty());
        const std::string command = flags ? "xmllint --noout --nonet " + file
                                          : "{ printf '<div>'; cat " + file + "; printf '</div>'; } | xmllint --noout --nonet -";
        const CHostCommandResult lint = RunHostCommand(command);
        ASSERT_TRUE(lint.finished);
        EXPECT_EQ(0, lint.exitCode) << lint.output;
        EXPECT_EQ("", lint.output);
    }
}
