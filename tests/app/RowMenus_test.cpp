#include "tests/app/CommandTestSupport.h"
#include "app/RowMenus.h"
#include "foundation/Clipboard.h"
#include "resources/main_window.h"
#include "resources/strings_app.h"

TEST(RowMenus, AnchorMovesIntoTheNearestWorkAreaOnlyOffTheDesktop)
{
    MONITORINFO info = {};
    info.cbSize = sizeof(info);
    ASSERT_TRUE(GetMonitorInfoW(MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY), &info));
    const RECT work = info.rcWork;
    const LONG midY = (work.top + work.bottom) / 2;
    struct Case {
        RECT button;
        POINT anchor;
    } const cases[] = {
        {{100, 50, 120, 70}, {100, 70}},                       // on the desktop: as it is
        {{-5000, midY - 20, -4980, midY}, {work.left, midY}},  // far left: x clamped
        {{90000, midY - 20, 90020, midY}, {work.right, midY}}, // far right
        {{100, 90000, 120, 90020}, {100, 90020}},              // below: x fits, y stays
    };
    for (const Case& c : cases) {
        const POINT p = knt::PopupAnchor(c.button);
        EXPECT_EQ(c.anchor.x, p.x) << c.button.left << "," << c.button.bottom;
        EXPECT_EQ(c.anchor.y, p.y) << c.button.left << "," << c.button.bottom;
    }
}

TEST_F(CommandTest, RowMenusDisableWhatCannotApply)
{
    CClipboardTestLock lock;
    knt::CCommandSet commands;
    knt::CRowMenus menus;
    menus.Create();
    const std::wstring texts[] = {LoadResourceString(IDS_DECO_MOVE_UP), LoadResourceString(IDS_DECO_MOVE_DOWN),
                                  L"", LoadResourceString(IDS_DECO_COPY), LoadResourceString(IDS_DECO_PASTE)};
    for (int r = 0; r < kDecorationRows; ++r) {
        SCOPED_TRACE(r);
        HMENU popup = menus.GetPopup(r);
        ASSERT_NE(nullptr, popup);
        ASSERT_EQ(5, GetMenuItemCount(popup));
        const UINT ids[] = {UINT(IDM_DECO_MOVE_UP + r), UINT(IDM_DECO_MOVE_DOWN + r), 0, UINT(IDM_DECO_COPY + r),
                            UINT(IDM_DECO_PASTE + r)};
        for (int i = 0; i < 5; ++i) {
            EXPECT_EQ(ids[i], GetMenuItemID(popup, i));
            wchar_t text[64] = L"";
            GetMenuStringW(popup, i, text, 64, MF_BYPOSITION);
            EXPECT_EQ(texts[i], text);
        }
        const bool upDisabled = r == 0, downDisabled = r == kDecorationRows - 1;
        // Plain disabled, never greyed.
        EXPECT_EQ(upDisabled ? UINT(MF_DISABLED) : 0u,
                  GetMenuState(popup, IDM_DECO_MOVE_UP + r, MF_BYCOMMAND) & (MF_DISABLED | MF_GRAYED));
        EXPECT_EQ(downDisabled ? UINT(MF_DISABLED) : 0u,
                  GetMenuState(popup, IDM_DECO_MOVE_DOWN + r, MF_BYCOMMAND) & (MF_DISABLED | MF_GRAYED));
    }

    // Paste follows the clipboard.
    ClipboardCopyText(view.window, L"not a decoration");
    menus.UpdatePasteEntry(2);
    EXPECT_EQ(UINT(MF_DISABLED),
              GetMenuState(menus.GetPopup(2), IDM_DECO_PASTE + 2, MF_BYCOMMAND) & (MF_DISABLED | MF_GRAYED));
    commands.CopyDeco->Index = 1;
    commands.CopyDeco->Run(true, false);
    menus.UpdatePasteEntry(2);
    EXPECT_EQ(0u, GetMenuState(menus.GetPopup(2), IDM_DECO_PASTE + 2, MF_BYCOMMAND) & (MF_DISABLED | MF_GRAYED));
    EXPECT_TRUE(boxes.boxes.empty());
}
