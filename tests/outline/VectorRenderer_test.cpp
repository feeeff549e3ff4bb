#include "outline/VectorRenderer.h"
#include "tests/outline/RecordingRenderer.h"
#include <gtest/gtest.h>
#include <cmath>

namespace {

// Overrides the rectangle and the ellipse, to see that the square and the
// circle reach them through the table.
class CShapeRenderer : public CRecordingRenderer {
public:
    void Rectangle(double x, double y, double w, double h) override { Log("Rectangle", x, y, w, h); }
    void Ellipse(double x, double y, double w, double h) override { Log("Ellipse", x, y, w, h); }
};

} // namespace

TEST(VectorRenderer, DefaultShapesAreClosedFiguresWithoutBeginPath)
{
    CRecordingRenderer r;
    r.Rectangle(1, 2, 3, 4);
    const std::vector<std::string> rect = {"MoveTo 1 2", "LineTo 1 6", "LineTo 4 6", "LineTo 4 2", "ClosePath"};
    EXPECT_EQ(rect, r.calls);

    r.calls.clear();
    r.Ellipse(0, 0, 20, 10);
    ASSERT_EQ(6u, r.calls.size());
    EXPECT_EQ("MoveTo 10 0", r.calls[0]);
    const double k = 0.5522847498307936;
    char expected[200];
    snprintf(expected, sizeof expected, "CurveTo %g 0 20 %g 20 5", 10 + k * 10, 5 - k * 5);
    EXPECT_EQ(expected, r.calls[1]);
    EXPECT_EQ("ClosePath", r.calls[5]);
    for (int i = 1; i <= 4; ++i)
        EXPECT_EQ(0u, r.calls[i].find("CurveTo")) << i;
    EXPECT_NE(std::string::npos, r.calls[4].find(" 10 0", r.calls[4].size() - 5));

    // A zero size still gives the whole figure of coincident points.
    r.calls.clear();
    r.Ellipse(3, 3, 0, 0);
    EXPECT_EQ(6u, r.calls.size());
    r.calls.clear();
    r.Rectangle(3, 3, 0, 0);
    EXPECT_EQ(5u, r.calls.size());
}

TEST(VectorRenderer, SquareAndCircleUseTheRenderersOwnShapes)
{
    CShapeRenderer r;
    r.Square(5, 6, 2);
    r.Circle(5, 6, 3);
    const std::vector<std::string> expected = {"Rectangle 3 4 4 4", "Ellipse 2 3 6 6"};
    EXPECT_EQ(expected, r.calls);
}

TEST(VectorRenderer, DefaultsOfOptionalSlots)
{
    CRecordingRenderer r;
    boost::shared_ptr<int> owner(new int(1));
    boost::shared_ptr<CImg> image(owner, reinterpret_cast<CImg*>(owner.get()));
    r.SetFillTexture(image);
    r.SetStrokeTexture(image, 2.0, 45.0, 3, 0.5, 0.5, 1, 2, 3);
    EXPECT_EQ(2, owner.use_count());  // the renderer kept no reference
    image.reset();
    EXPECT_EQ(1, owner.use_count());
    CGradationStop stops[2] = {CGradationStop(0, 255, 0, 0), CGradationStop(1, 0, 0, 255, 128)};
    r.SetFillGradation(stops, 2, 30);
    r.SetStrokeOpacity(0.5);
    r.BeginGroup(L"g");
    r.SetName(L"n");
    r.EndGroup();
    r.SetBackgroundColor(1, 1, 1, 1);
    EXPECT_TRUE(r.calls.empty());
    EXPECT_FALSE(r.GetNoAntiAliasing());
}

TEST(VectorRenderer, TransformRecords)
{
    double t[7];
    MakeTransform(t, 2, 0, 0, 2, 5, 6);
    EXPECT_DOUBLE_EQ(2, t[6]);
    MakeTransform(t, 0, -1, 1, 0, 100, 0);  // a quarter turn keeps line widths
    EXPECT_DOUBLE_EQ(1, t[6]);
    EXPECT_DOUBLE_EQ(100 - 7, TransformX(t, 3, 7));
    EXPECT_DOUBLE_EQ(3, TransformY(t, 3, 7));

    // B applied first, then A: compare with applying them one after the other.
    double a[7], b[7], ab[7];
    MakeTransform(a, 1, 2, -3, 0.5, 7, -1);
    MakeTransform(b, 0.25, -1, 4, 2, -3, 9);
    ComposeTransforms(ab, a, b);
    const double x = 1.5, y = -2.5;
    const double bx = TransformX(b, x, y), by = TransformY(b, x, y);
    EXPECT_NEAR(TransformX(a, bx, by), TransformX(ab, x, y), 1e-12);
    EXPECT_NEAR(TransformY(a, bx, by), TransformY(ab, x, y), 1e-12);
    EXPECT_NEAR(TransformLineScale(ab[0], ab[1], ab[2], ab[3]), ab[6], 1e-12);

    ComposeTransforms(ab, kIdentityTransform, b);
    for (int i = 0; i < 7; ++i)
        EXPECT_DOUBLE_EQ(b[i], ab[i]) << i;
}
