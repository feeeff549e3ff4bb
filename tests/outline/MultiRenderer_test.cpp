#include "outline/MultiRenderer.h"
#include "resources/strings_foundation.h"
#include "tests/outline/RecordingRenderer.h"
#include "foundation/Error.h"
#include <gtest/gtest.h>

namespace {

class CFailingRenderer : public CRecordingRenderer {
public:
    void Fill() override { throw my::CException(IDS_INTERNAL_ERROR, L"fill"); }
};

} // namespace

TEST(MultiRenderer, ForwardsEveryCallInListOrder)
{
    boost::shared_ptr<CRecordingRenderer> a(new CRecordingRenderer), b(new CRecordingRenderer);
    CMultiRenderer multi;
    multi.Add(a);
    multi.Add(b);
    const double t[7] = {1, 0, 0, 1, 2, 3, 1};
    multi.BeginDocument(L"abc");
    multi.BeginPage(10, 20);
    multi.SetTransform(t);
    multi.SetLineJoin(1);
    multi.SetLineCap(2);
    multi.SetLineWidth(3);
    multi.SetStrokeColor(0x010203);
    multi.SetFillColor(0x040506);
    multi.MoveTo(1, 2);
    multi.LineTo(3, 4);
    multi.CurveTo(1, 2, 3, 4, 5, 6);
    multi.ClosePath();
    multi.Fill();
    multi.Rectangle(0, 0, 1, 1);
    multi.FillStroke();
    multi.Ellipse(0, 0, 2, 2);
    multi.EndPage();
    multi.EndDocument();
    EXPECT_EQ(a->calls, b->calls);
    const std::vector<std::string> head = {"BeginDocument 3", "BeginPage 10 20", "SetTransform 1 0 0 1 2 3 1",
                                           "SetLineJoin 1", "SetLineCap 2", "SetLineWidth 3",
                                           "SetStrokeColor 66051", "SetFillColor 263430", "MoveTo 1 2",
                                           "LineTo 3 4", "CurveTo 1 2 3 4 5 6", "ClosePath", "Fill"};
    ASSERT_GE(a->calls.size(), head.size());
    EXPECT_EQ(head, std::vector<std::string>(a->calls.begin(), a->calls.begin() + head.size()));
    EXPECT_EQ("EndDocument", a->calls.back());
    a->lineWidth = 7;
    b->lineWidth = 9;
    EXPECT_EQ(7, multi.GetLineWidth());
}

TEST(MultiRenderer, EmptyListAndFailureStopsTheCall)
{
    CMultiRenderer empty;
    empty.BeginPage(1, 1);
    empty.Fill();
    empty.EndDocument();

    boost::shared_ptr<CRecordingRenderer> first(new CFailingRenderer), second(new CRecordingRenderer);
    CMultiRenderer multi;
    multi.Add(first);
    multi.Add(second);
    EXPECT_THROW(multi.Fill(), my::CException);
    EXPECT_TRUE(second->calls.empty());
}
