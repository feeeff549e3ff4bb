// The one-file job's page collector.
#include "render/MultiPageRenderer.h"
#include "foundation/Error.h"
#include "resources/strings_foundation.h"
#include "tests/outline/RecordingRenderer.h"
#include <gtest/gtest.h>

namespace {

typedef std::vector<std::string> Calls;

// What one unit's task sends to its output renderer.
void DrawOnePage(CVectorRenderer& r, double w)
{
    r.BeginDocument(L"C:\\ignored.pdf");
    r.BeginPage(w, 20);
    r.BeginGroup(L"layer");
    r.SetName(L"glyph");
    r.SetFillOpacity(0.5);
    r.SetStrokeOpacity(0.5);
    r.SetFillGradation(nullptr, 0, 45);
    r.SetStrokeTexture(boost::shared_ptr<CImg>());
    r.SetFillColor(RGB(1, 2, 3));
    r.SetLineWidth(2.5);
    r.MoveTo(1, 2);
    r.CurveTo(1, 2, 3, 4, 5, 6);
    r.ClosePath();
    r.FillStroke();
    r.EndGroup();
    r.EndPage();
    r.EndDocument();
}

TEST(MultiPageRendererTest, PassesPagesAndSwallowsTheDocument)
{
    boost::shared_ptr<CRecordingRenderer> inner(new CRecordingRenderer);
    CMultiPageRenderer pages;
    pages.SetRenderer(inner);
    for (double w : {10.0, 11.0, 12.0})
        DrawOnePage(pages, w);
    Calls one = {"SetFillColor 197121", "SetLineWidth 2.5", "MoveTo 1 2", "CurveTo 1 2 3 4 5 6", "ClosePath",
                 "FillStroke", "EndPage"};
    Calls expected;
    for (const char* page : {"BeginPage 10 20", "BeginPage 11 20", "BeginPage 12 20"}) {
        expected.push_back(page);
        expected.insert(expected.end(), one.begin(), one.end());
    }
    EXPECT_EQ(expected, inner->calls);
    EXPECT_EQ(2.5, pages.GetLineWidth());
}

TEST(MultiPageRendererTest, ShapesReachTheDocumentAsPaths)
{
    boost::shared_ptr<CRecordingRenderer> inner(new CRecordingRenderer);
    CMultiPageRenderer pages;
    pages.SetRenderer(inner);
    pages.Square(5, 5, 1);
    pages.Ellipse(0, 0, 2, 2);
    ASSERT_EQ(5u + 6u, inner->calls.size());
    EXPECT_EQ("MoveTo 4 4", inner->calls[0]);
    EXPECT_EQ("MoveTo 1 0", inner->calls[5]);
    EXPECT_EQ(0u, inner->calls[6].find("CurveTo"));
}

TEST(MultiPageRendererTest, DrawingWithoutADocumentFailsTheTask)
{
    CMultiPageRenderer pages;
    pages.BeginDocument(L"x");  // swallowed, fine without a document
    try {
        pages.BeginPage(1, 1);
        FAIL() << "no exception";
    } catch (const my::CException& e) {
        EXPECT_EQ(UINT(IDS_INTERNAL_ERROR), e.id);
    }
    boost::shared_ptr<CRecordingRenderer> first(new CRecordingRenderer), second(new CRecordingRenderer);
    pages.SetRenderer(first);
    pages.SetRenderer(second);
    pages.Fill();
    EXPECT_TRUE(first->calls.empty());
    EXPECT_EQ(Calls{"Fill"}, second->calls);
}

} // namespace
