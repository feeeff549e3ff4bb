#include "outline/Contour.h"
#include "imaging/Dib.h"
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

// A 32-bit bottom-up bitmap from rows of text: '#' opaque, anything else clear.
boost::shared_ptr<CDib> MakeMask(const std::vector<std::string>& rows)
{
    boost::shared_ptr<CDib> dib(new CDib);
    const int h = static_cast<int>(rows.size()), w = static_cast<int>(rows[0].size());
    EXPECT_TRUE(dib->CreateWithInfoHeader(w, h, 32) && dib->AllocBits());
    dib->Clear();
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (rows[y][x] == '#') {
                BYTE* p = dib->GetImageRow(y) + 4 * x;
                p[0] = 10;
                p[3] = static_cast<BYTE>(1 + x);  // any non-zero alpha is opaque
            }
    return dib;
}

struct Expected {
    int x, y;
    std::vector<BYTE> codes;
};

} // namespace

TEST(Contour, ShapesGiveTheirChains)
{
    struct Case {
        const char* name;
        std::vector<std::string> rows;
        std::vector<Expected> contours;
    };
    const Case cases[] = {
        {"transparent", {"...", "..."}, {}},
        {"single pixel", {"...", ".#.", "..."}, {{1, 1, {}}}},
        {"2x2 block", {"##.", "##.", "..."}, {{0, 0, {0, 2, 4}}}},
        {"thin ring is walked clockwise once",
         {".......", ".#####.", ".#...#.", ".#...#.", ".#...#.", ".#####.", "......."},
         {{1, 1, {0, 0, 0, 0, 2, 2, 2, 2, 4, 4, 4, 4, 6, 6, 6}}}},
        {"thick ring: the hole's unvisited edge starts a contour",
         {"######", "######", "##..##", "##..##", "######", "######"},
         {{0, 0, {0, 0, 0, 0, 0, 2, 2, 2, 2, 2, 4, 4, 4, 4, 4, 6, 6, 6, 6}}, {4, 2, {5, 4, 3, 2, 1, 0, 7}}}},
        {"diagonal steps", {"#..", ".#.", "..#"}, {{0, 0, {1, 1, 5}}}},
        // The first boundary returns to its start through the bridge pixel
        // and stops there; the pixel on the far side starts its own contour.
        {"bridge through the start", {".#.", "#.#"}, {{1, 0, {1}}, {0, 1, {7, 1, 5}}}},
        {"two regions in scan order", {"#..#", "#..#"}, {{0, 0, {2}}, {3, 0, {2}}}},
    };
    for (const Case& c : cases) {
        boost::shared_ptr<CDib> dib = MakeMask(c.rows);
        CContours found;
        ASSERT_EQ(S_OK, FindContours(found, *dib)) << c.name;
        ASSERT_EQ(c.contours.size(), found.size()) << c.name;
        for (size_t i = 0; i < found.size(); ++i) {
            EXPECT_EQ(c.contours[i].x, found[i]->x) << c.name << " #" << i;
            EXPECT_EQ(c.contours[i].y, found[i]->y) << c.name << " #" << i;
            EXPECT_EQ(c.contours[i].codes, found[i]->codes) << c.name << " #" << i;
        }
    }
}

TEST(Contour, ChainsStayOnOpaquePixelsAndEndBesideTheirStart)
{
    const std::vector<std::string> rows = {
        "..........", ".####.....", ".#..##....", ".#...##.#.", ".######..#", "....#.....", "...###....",
    };
    boost::shared_ptr<CDib> dib = MakeMask(rows);
    CContours found;
    ASSERT_EQ(S_OK, FindContours(found, *dib));
    ASSERT_FALSE(found.empty());
    for (const auto& c : found) {
        int x = c->x, y = c->y;
        for (BYTE code : c->codes) {
            ASSERT_LT(code, 8);
            x += kContourDx[code];
            y += kContourDy[code];
            ASSERT_EQ('#', rows[y][x]);
        }
        EXPECT_LE(std::abs(x - c->x), 1);
        EXPECT_LE(std::abs(y - c->y), 1);
    }
}

TEST(Contour, RefusesOtherDepthsAndKeepsTheList)
{
    CDib dib;
    ASSERT_TRUE(dib.CreateWithInfoHeader(4, 4, 24) && dib.AllocBits());
    CContours found(1, boost::shared_ptr<CContour>(new CContour));
    EXPECT_EQ(E_INVALIDARG, FindContours(found, dib));
    EXPECT_EQ(1u, found.size());
    CDib empty;
    EXPECT_EQ(E_INVALIDARG, FindContours(found, empty));
}
