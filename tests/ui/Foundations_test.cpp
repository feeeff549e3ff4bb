#include "resources/strings_foundation.h"
#include "ui/BoundCombos.h"
#include "ui/WindowLayoutManager.h"
#include "tests/common/TestSupport.h"
#include <gtest/gtest.h>
#include <vector>

TEST(DialogLayout, RectanglesAreClampedBottomTopRightLeft)
{
    const RECT area = {0, 0, 1000, 800};
    struct {
        RECT rect, expected;
    } cases[] = {
        {{100, 100, 300, 200}, {100, 100, 300, 200}},
        {{900, 750, 1100, 850}, {800, 700, 1000, 800}},  // off to the lower right
        {{-50, -20, 150, 80}, {0, 0, 200, 100}},          // off to the upper left
        {{-100, -100, 1200, 900}, {0, 0, 1300, 1000}},    // larger: pinned to the top-left corner
        {{1500, 100, 1700, 300}, {800, 100, 1000, 300}},  // on a monitor that is gone
    };
    for (const auto& c : cases) {
        RECT got = ClampRectToArea(c.rect, area);
        EXPECT_TRUE(EqualRect(&got, &c.expected)) << got.left << "," << got.top << "," << got.right << "," << got.bottom;
    }
}

TEST(DialogLayout, AStoredRectangleIsKeptWhollyOnTheScreen)
{
    // A 1280 x 1024 screen with a task bar of 40 pixels; the window takes at
    // least 680 x 500.
    const RECT area = {0, 0, 1280, 984};
    const SIZE least = {680, 500};
    const LONG lo = LONG(0x80000000), hi = 0x7FFFFFFF;
    struct {
        RECT rect, expected;
    } cases[] = {
        {{100, 100, 900, 700}, {100, 100, 900, 700}},        // on the screen: untouched
        {{5000, 5000, 6000, 5700}, {280, 284, 1280, 984}},   // a monitor that is gone: size kept
        {{5000, 5000, 5600, 5600}, {600, 384, 1280, 984}},   // smaller than the window takes: grown, then kept inside
        {{-300, 200, 900, 800}, {0, 200, 1200, 800}},        // off to the left
        {{-10, -10, 2000, 1500}, {0, 0, 1280, 984}},         // larger than the screen: cut
        {{900, 700, 100, 100}, {600, 484, 1280, 984}},       // inverted: the least size
        {{lo, lo, hi, hi}, {0, 0, 1280, 984}},               // the whole range
        {{hi - 10, hi - 10, hi, hi}, {600, 484, 1280, 984}},
    };
    for (const auto& c : cases) {
        const RECT got = KeepRectOnScreen(c.rect, least, area);
        EXPECT_TRUE(EqualRect(&got, &c.expected)) << c.rect.left << "," << c.rect.top << ": " << got.left << ","
                                                  << got.top << "," << got.right << "," << got.bottom;
    }
    // A window that takes more than the screen holds: at the top-left corner.
    const RECT got = KeepRectOnScreen(RECT{300, 300, 900, 900}, SIZE{1400, 1000}, area);
    const RECT expected = {0, 0, 1400, 1000};
    EXPECT_TRUE(EqualRect(&got, &expected));
}

namespace {
struct COwner {
    std::vector<UINT32> seen;
    void OnChanged(UINT32, UINT32 arg) { seen.push_back(arg); }
    void OnOther(UINT32, UINT32 arg) { seen.push_back(arg + 100); }
};
} // namespace

TEST(EventListeners, SameListenerIsKeptOnce)
{
    CEventListeners list;
    COwner a, b;
    EXPECT_TRUE(AddMemfunListener(list, &a, &COwner::OnChanged));
    EXPECT_FALSE(AddMemfunListener(list, &a, &COwner::OnChanged));
    EXPECT_TRUE(AddMemfunListener(list, &a, &COwner::OnOther));
    EXPECT_TRUE(AddMemfunListener(list, &b, &COwner::OnChanged));
    boost::shared_ptr<CEventListener> shared(new CMemfunEventListener<COwner>(&b, &COwner::OnOther));
    EXPECT_TRUE(AddEventListener(list, shared));
    EXPECT_FALSE(AddEventListener(list, shared));
    BroadcastEvent(list, 0, 7);
    EXPECT_EQ((std::vector<UINT32>{7, 107}), a.seen);
    EXPECT_EQ((std::vector<UINT32>{7, 107}), b.seen);
    CMemfunEventListener<COwner> empty(nullptr, nullptr);
    empty.OnEvent(0, 1);  // nothing to call: nothing happens
}

TEST(ListBoxCb, ExactSearchFindsOnlyWholeTexts)
{
    const std::vector<std::wstring> items = {L"abc", L"ab", L"x", L"ab"};
    auto text = [&](int i) { return items[static_cast<size_t>(i)]; };
    EXPECT_EQ(1, FindExactText(4, -1, L"ab", text));
    EXPECT_EQ(LB_ERR, FindExactText(4, -1, L"a", text));
    EXPECT_EQ(LB_ERR, FindExactText(4, -1, L"AB", text));
    EXPECT_EQ(3, FindExactText(4, 2, L"ab", text));
    EXPECT_EQ(0, FindExactText(4, 1, L"abc", text));  // wraps to the items before the start
}

TEST(BoundCombos, IntegersAreParsedWithinBounds)
{
    struct {
        const wchar_t* text;
        int low, high;
        UINT error;
        int value;
    } cases[] = {
        {L"12", 1, 255, 0, 12},
        {L" 255 ", 1, 255, 0, 255},
        {L"-300", 1, 255, IDS_NUMBER_TOO_SMALL, 0},
        {L"300", 1, 255, IDS_NUMBER_TOO_LARGE, 0},
        {L"abc", 1, 255, IDS_NUMBER_FORMAT_INVALID, 0},
        {L"", INT_MIN, INT_MAX, IDS_NUMBER_FORMAT_INVALID, 0},
        {L"1.5", INT_MIN, INT_MAX, IDS_NUMBER_FORMAT_INVALID, 0},
        {L"-2147483648", INT_MIN, INT_MAX, 0, INT_MIN},
        {L"2147483648", INT_MIN, INT_MAX, IDS_NUMBER_TOO_LARGE, 0},
        {L"-99999999999999999999", INT_MIN, INT_MAX, IDS_NUMBER_TOO_SMALL, 0},
    };
    for (const auto& c : cases) {
        int value = 0;
        EXPECT_EQ(c.error, ParseBoundedInt(c.text, c.low, c.high, value)) << c.text;
        EXPECT_EQ(c.value, value) << c.text;
    }
}

TEST(BoundCombos, FixedPointNumbersAreKeptWithinBounds)
{
    // A number box stores what is typed within its field's bounds: beyond
    // them, and beyond an int, at the bound; a text that is no number not at all.
    struct {
        const wchar_t* text;
        int decimals;
        bool read;
        int value;
    } cases[] = {
        {L"12.5", 1, true, 125},  {L"12.55", 1, true, 125},  {L"5.", 1, true, 50},
        {L"150", 0, true, 130},   {L"-5", 0, true, -5},      {L"-50", 0, true, -10},
        {L"99999999999", 1, true, 130},
        {L"-99999999999.5", 0, true, -10}, {L"", 0, false, 7},  {L"-", 0, false, 7},
        {L".5", 1, false, 7},     {L"1.2.3", 1, false, 7},   {L"99999999999.5.1", 1, false, 7},
    };
    for (const auto& c : cases) {
        int value = 7;
        EXPECT_EQ(c.read, ParseClampedFixedPoint(c.text, c.decimals, -10, 130, value)) << Narrow(c.text);
        EXPECT_EQ(c.value, value) << Narrow(c.text);
    }
}
