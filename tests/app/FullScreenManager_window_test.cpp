#include "app/FullScreenManager.h"
#include "tests/ui/WindowTestSupport.h"
#include <gtest/gtest.h>

namespace {

class CPlacedWindow : public CWindowImpl<CPlacedWindow, CWindow, CFrameWinTraits>,
                      public CFullScreenManager<CPlacedWindow, WM_APP> {
public:
    int fullScreenEvents = 0;
    BEGIN_MSG_MAP(CPlacedWindow)
        CHAIN_MSG_MAP(CFullScreenManager)
    END_MSG_MAP()
    int GetLayoutSplitterPos() const { return 123; }
    void OnFullScreen(UINT32, UINT32) { ++fullScreenEvents; }
};

bool Equal(const RECT& a, const RECT& b) { return EqualRect(&a, &b) != FALSE; }

} // namespace

TEST(FullScreenManager, PlacementFromTheStoredLayout)
{
    const RECT area = {0, 0, 1000, 800}, parent = {100, 100, 500, 400}, present = {10, 20, 210, 120};
    struct {
        RECT bounds;
        int cx, cy;
        bool centre;
        RECT expected;
    } cases[] = {
        {{1500, 50, 1800, 250}, 0, 0, false, {700, 50, 1000, 250}},  // a monitor that is gone
        {{-10, -10, 2000, 300}, 0, 0, false, {0, 0, 1000, 310}},     // wider than the screen: cut
        {{0, 0, 0, 0}, 0, 0, false, {0, 0, 0, 0}},                   // never stored: stays
        {{0, 0, 0, 0}, 300, 200, false, {10, 20, 310, 220}},
        {{0, 0, 0, 0}, 0, 0, true, {200, 200, 400, 300}},
    };
    for (const auto& c : cases) {
        RECT got = PlaceFromLayout(c.bounds, SIZE{100, 100}, present, c.cx, c.cy, c.centre, parent, area);
        EXPECT_TRUE(Equal(c.expected, got)) << got.left << "," << got.top << "," << got.right << "," << got.bottom;
    }
}

TEST(FullScreenManager, StoredFullScreenComesBackAndLeavesAgain)
{
    CPlacedWindow window;
    RECT r = {50, 60, 450, 360};
    REQUIRE_WINDOW(window.Create(nullptr, r, L"placed"));
    AddMemfunListener(window.FullScreenListeners, &window, &CPlacedWindow::OnFullScreen);
    const DWORD style = window.GetStyle();

    CWindowLayout layout;
    layout.FullScreen = true;
    layout.NormalBounds = RECT{40, 30, 540, 430};
    window.ApplyLayout(layout, 0, 0, false);
    RECT now;
    window.GetWindowRect(&now);
    EXPECT_TRUE(Equal(layout.NormalBounds, now));
    EXPECT_FALSE(window.IsFullScreen());
    PumpMessages();  // the posted message shows the state
    ASSERT_TRUE(window.IsFullScreen());
    EXPECT_EQ(1, window.fullScreenEvents);
    EXPECT_EQ(0u, window.GetStyle() & kFullScreenRemovedStyle);
    window.GetWindowRect(&now);
    RECT target = FullScreenTarget(window);
    EXPECT_TRUE(Equal(target, now));
    window.SetFullScreen(true);  // already: nothing changes, nothing is told
    EXPECT_EQ(1, window.fullScreenEvents);

    CWindowLayout captured;
    window.CaptureLayout(captured);
    EXPECT_TRUE(captured.FullScreen);
    EXPECT_TRUE(Equal(layout.NormalBounds, captured.NormalBounds));
    EXPECT_EQ(123, captured.SplitterPos);

    window.SetFullScreen(false);
    EXPECT_EQ(2, window.fullScreenEvents);
    EXPECT_EQ(style & kFullScreenRemovedStyle, window.GetStyle() & kFullScreenRemovedStyle);
    window.GetWindowRect(&now);
    EXPECT_TRUE(Equal(layout.NormalBounds, now));
    // Moves are recorded again.
    window.SetWindowPos(nullptr, 70, 80, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    EXPECT_EQ(70, window.GetNormalRect().left);
    window.DestroyWindow();
}

TEST(FullScreenManager, RestoreFromAStoredMaximiseGoesToTheNormalRectangle)
{
    const RECT own = {50, 60, 450, 360};
    // Stored bounds, and none (a layout written maximised before any
    // normal rectangle was known): the window's own place, never an empty one.
    const RECT cases[][2] = {{{60, 70, 360, 270}, {60, 70, 360, 270}}, {{0, 0, 0, 0}, own}};
    for (const auto& c : cases) {
        CPlacedWindow window;
        RECT r = own;
        REQUIRE_WINDOW(window.Create(nullptr, r, L"placed"));
        CWindowLayout layout;
        layout.Maximized = true;
        layout.NormalBounds = c[0];
        window.ApplyLayout(layout, 0, 0, false);
        PumpMessages();
        ASSERT_TRUE(window.IsZoomed());
        EXPECT_TRUE(Equal(c[1], window.GetNormalRect()));  // not overwritten while maximised
        window.SendMessage(WM_SYSCOMMAND, SC_RESTORE, 0);
        EXPECT_FALSE(window.IsZoomed());
        RECT now;
        window.GetWindowRect(&now);
        EXPECT_TRUE(Equal(c[1], now)) << now.left << "," << now.top << "," << now.right << "," << now.bottom;
        window.DestroyWindow();
    }
}
