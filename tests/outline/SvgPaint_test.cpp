#include "outline/SvgPaint.h"
#include "outline/SvgRenderer.h"
#include "outline/SvgWriter.h"
#include "foundation/StringUtil.h"
#include "tests/common/TestSupport.h"
#include <gtest/gtest.h>
#include <cmath>
#include <limits>
#include <sstream>

namespace {

// The document text between the root element and its end.
std::wstring Inside(const CSvgRenderer& r)
{
    std::wstring doc;
    MultiByteToWideString(CP_UTF8, 0, r.GetPageBytes(), doc);
    const size_t open = doc.find(L'>') + 1;
    return doc.substr(open, doc.rfind(L"</svg>") - open);
}

size_t Count(const std::wstring& text, const std::wstring& what)
{
    size_t n = 0;
    for (size_t at = text.find(what); at != std::wstring::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

void Square(CSvgRenderer& r, double x)
{
    r.BeginPath();
    r.Rectangle(x, 0, 10, 10);
    r.Fill();
}

boost::shared_ptr<CImg> Texture()
{
    boost::shared_ptr<CImg> image(new CImg(BGRA32, 4, 2));
    image->AllocBits();
    image->m_bits[0] = 7;
    return image;
}

} // namespace

TEST(SvgPaint, GradientDefinedOnceForEqualUses)
{
    const CGradationStop stops[] = {CGradationStop(0, 255, 0, 0), CGradationStop(1, 0, 0, 255, 128)};
    CSvgRenderer r;
    r.BeginDocument(L"x.svg");
    r.BeginPage(40, 10);
    r.SetFillGradation(stops, 2, 0);
    Square(r, 0);
    Square(r, 0);
    r.EndPage();
    EXPECT_EQ(L"<defs><linearGradient id=\"gradation_1\" gradientUnits = \"userSpaceOnUse\" x1=\"0\" y1=\"0\" "
              L"x2=\"10\" y2=\"0\"><stop offset=\"0\" stop-color=\"#ff0000\" /><stop offset=\"1\" "
              L"stop-color=\"#0000ff\" stop-opacity=\"0.501961\" /></linearGradient></defs>"
              L"<path fill=\"url(#gradation_1)\" d=\"M 0 0 L 0 10 L 10 10 L 10 0 Z\" />"
              L"<path fill=\"url(#gradation_1)\" d=\"M 0 0 L 0 10 L 10 10 L 10 0 Z\" />",
              Inside(r));

    // Another place, another extra byte, a NaN: each is a definition of its own,
    // and a NaN equals nothing, itself included.
    CSvgRenderer s;
    s.BeginDocument(L"y.svg");
    s.BeginPage(40, 10);
    s.SetFillGradation(stops, 2, 0);
    Square(s, 0);
    Square(s, 20);
    CGradationStop extra[] = {stops[0], stops[1]};
    extra[1].extra = 1;
    s.SetFillGradation(extra, 2, 0);
    Square(s, 0);
    CGradationStop nan[] = {stops[0], stops[1]};
    nan[1].position = std::numeric_limits<double>::quiet_NaN();
    s.SetFillGradation(nan, 2, 0);
    Square(s, 0);
    Square(s, 0);
    s.EndPage();
    EXPECT_EQ(5u, s.GetGradients().size());
    EXPECT_EQ(5u, Count(Inside(s), L"<linearGradient"));

    // A turned gradation runs along its angle over the turned extent.
    CSvgRenderer t;
    t.BeginDocument(L"z.svg");
    t.BeginPage(40, 40);
    t.SetFillGradation(stops, 2, 90);
    Square(t, 0);
    ASSERT_EQ(1u, t.GetGradients().size());
    const CSvgGradient& g = t.GetGradients()[0];
    EXPECT_NEAR(g.x1, g.x2, 1e-4);
    EXPECT_NEAR(10, std::fabs(g.y2 - g.y1), 1e-4);
}

TEST(SvgPaint, TexturePatternsAndTheirImages)
{
    CSvgRenderer r;
    r.BeginDocument(L"C:\\out\\page.svg");
    r.BeginPage(40, 10);
    r.SetFillTexture(Texture(), 1.0, 0, 0, 1, 1, 4 | 8, 0.5, 0);
    Square(r, 0);
    r.SetFillTexture(Texture(), 1.0, 30, 0, 1, 1, 1, 0, 0);  // an equal image, another object
    Square(r, 0);
    r.EndPage();
    ASSERT_EQ(1u, r.GetTextureImages().size());
    EXPECT_EQ(L"page_img_1.png", r.GetTextureImages()[0].name);
    EXPECT_EQ(L"C:\\out\\page_img_1.png", r.GetTextureImages()[0].path);
    ASSERT_EQ(2u, r.GetPatterns().size());
    const std::wstring text = Inside(r);
    // Fitted to the width: 4 x 2 pixels become 10 x 5; mirrored both ways
    // the tile doubles and holds four images.
    EXPECT_NE(std::wstring::npos,
              text.find(L"<pattern id=\"texture_1\" x=\"0.5\" y=\"0\" width=\"20\" height=\"10\" "
                        L"patternUnits=\"userSpaceOnUse\"><image x=\"0\" y=\"0\" width=\"10\" height=\"5\" "
                        L"xlink:href=\"page_img_1.png\" /><image x=\"10\" y=\"0\" width=\"10\" height=\"5\" "
                        L"transform=\"translate(10,0) scale(-1,1) translate(-20,0)\" xlink:href=\"page_img_1.png\" />"))
        << Narrow(text);
    EXPECT_EQ(4u + 1u, Count(text, L"<image"));
    EXPECT_NE(std::wstring::npos, text.find(L"<pattern id=\"texture_2\" patternTransform=\"rotate(30)\""));
    EXPECT_NE(std::wstring::npos, text.find(L"fill=\"url(#texture_2)\""));

    std::wostringstream os;
    WriteSvgImage(os, 0, 3, 5, 5, false, true, L"a.png");
    EXPECT_EQ(L"<image x=\"0\" y=\"3\" width=\"5\" height=\"5\" transform=\"translate(0,3) scale(1,-1) "
              L"translate(0,-8)\" xlink:href=\"a.png\" />",
              os.str());
}

TEST(SvgPaint, CmykColoursAndNumbers)
{
    CSvgRenderer r;
    r.BeginDocument(L"x.svg");
    r.BeginPage(10, 10);
    r.SetFillColorCMYK(0, 1, 1, 0);
    r.SetStrokeColorCMYK(0, 0, 0, 0.5);
    r.SetLineWidth(1);
    r.BeginPath();
    r.Rectangle(0, 0, 1, 1);
    r.FillStroke();
    r.EndPage();
    const std::wstring text = Inside(r);
    EXPECT_NE(std::wstring::npos, text.find(L"fill=\"#ff0000\"")) << Narrow(text);
    EXPECT_NE(std::wstring::npos, text.find(L"stroke=\"#808080\"")) << Narrow(text);
    EXPECT_EQ(L"0.333333", SvgNumber(1.0 / 3));
    EXPECT_EQ(L"1.23457e+06", SvgNumber(1234567.0));
}

// A page with gradients and patterns is well-formed for xmllint.
TEST(SvgPaint, SampleWithDefinitions)
{
    const std::wstring path = TestOutputPath(L"outline_paint_sample.svg");
    const CGradationStop stops[] = {CGradationStop(0, 255, 128, 0), CGradationStop(0.5, 0, 128, 255, 200),
                                    CGradationStop(1, 20, 20, 20)};
    CSvgRenderer r(CSvgRenderer::kXmlPrologue);
    r.BeginDocument(path);
    r.BeginPage(60, 30);
    r.SetFillGradation(stops, 3, 30);
    Square(r, 0);
    r.SetLineWidth(3);
    r.SetStrokeTexture(Texture(), 1.0, 15, 1, 1, 1, 1 | 8, 0, 0);
    r.BeginPath();
    r.Ellipse(20, 2, 30, 20);
    r.Stroke();
    r.EndPage();
    r.EndDocument();
    const std::string file = HostPathArg(path);
    ASSERT_FALSE(file.empty());
    const CHostCommandResult lint = RunHostCommand("xmllint --noout --nonet " + file);
    ASSERT_TRUE(lint.finished);
    EXPECT_EQ(0, lint.exitCode) << lint.output;
    EXPECT_EQ("", lint.output);
}
