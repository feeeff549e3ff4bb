#include "app/PreviewPaint.h"
#include "platform/Gdi.h"
#include "tests/common/TestSupport.h"
#include <gtest/gtest.h>

namespace {

// A 32-bit surface to paint the pane into, read back pixel by pixel.
struct CSurface {
    CDibSection dib;
    CCreatedDC dc{CreateCompatibleDC(nullptr)};
    HGDIOBJ old = nullptr;
    CSurface(int w, int h)
    {
        dib.CreateWithInfoHeader(w, h, 32);
        dib.AllocBits();
        old = SelectObject(dc, dib.GetBitmap());
    }
    ~CSurface() { SelectObject(dc, old); }
    COLORREF At(int x, int y) const
    {
        GdiFlush();
        const BYTE* p = dib.GetImageRow(y) + 4 * x;
        return RGB(p[2], p[1], p[0]);
    }
};

boost::shared_ptr<CDib> SolidImage(int w, int h, BYTE b, BYTE g, BYTE r, BYTE a)
{
    boost::shared_ptr<CDib> image(new CDib);
    image->CreateWithInfoHeader(w, h, 32);
    image->AllocBits();
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            BYTE* p = image->GetImageRow(y) + 4 * x;
            p[0] = b, p[1] = g, p[2] = r, p[3] = a;
        }
    return image;
}

} // namespace

TEST(PreviewPaintTest, ImagesArePremultipliedForBlending)
{
    boost::shared_ptr<CDibSection> pane = MakePaneImage(*SolidImage(2, 1, 255, 255, 255, 128));
    ASSERT_TRUE(pane);
    const BYTE* p = pane->GetImageRow(0);
    EXPECT_EQ(128, p[0]);
    EXPECT_EQ(128, p[3]);

    // A palettised image keeps the alpha of its entries.
    CDib indexed;
    indexed.CreateWithInfoHeader(2, 1, 8, 2);
    indexed.AllocBits();
    indexed.GetColorTable()[0] = RGBQUAD{0, 0, 255, 255};
    indexed.GetColorTable()[1] = RGBQUAD{255, 255, 255, 0};
    indexed.GetImageRow(0)[0] = 0;
    indexed.GetImageRow(0)[1] = 1;
    pane = MakePaneImage(indexed);
    ASSERT_TRUE(pane);
    const BYTE* q = pane->GetImageRow(0);
    EXPECT_EQ(255, q[2]);
    EXPECT_EQ(255, q[3]);
    EXPECT_EQ(0, q[4] | q[5] | q[6] | q[7]);

    // Rows padded to four bytes and stored top-down come out in order.
    CDib topDown;
    topDown.CreateWithInfoHeader(3, -2, 8, 2);
    topDown.AllocBits();
    topDown.GetColorTable()[0] = RGBQUAD{0, 0, 255, 255};
    topDown.GetColorTable()[1] = RGBQUAD{0, 0, 0, 0};
    const BYTE rows[2][3] = {{0, 1, 0}, {1, 0, 1}};
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            topDown.GetImageRow(y)[x] = rows[y][x];
    pane = MakePaneImage(topDown);
    ASSERT_TRUE(pane);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(rows[y][x] == 0 ? 255 : 0, pane->GetImageRow(y)[4 * x + 3]) << x << "," << y;

    // Only what the pane shows is copied: the left part, or the right part
    // for an image aligned right.
    boost::shared_ptr<CDib> wide = SolidImage(5000, 3, 0, 0, 0, 255);
    wide->GetImageRow(0)[4 * 4999 + 2] = 200;
    pane = MakePaneImage(*wide, 300, 2, true);
    ASSERT_TRUE(pane);
    EXPECT_EQ(300, pane->GetWidth());
    EXPECT_EQ(2, pane->GetAbsHeight());
    EXPECT_EQ(200, pane->GetImageRow(0)[4 * 299 + 2]);
    pane = MakePaneImage(*wide, 300, 2, false);
    EXPECT_EQ(0, pane->GetImageRow(0)[4 * 299 + 2]);
}

TEST(PreviewPaintTest, CheckerStaysOnThePaneAndSoftEdgesBlendRight)
{
    const RECT client = {0, 0, 64, 40};
    boost::shared_ptr<CDibSection> image = MakePaneImage(*SolidImage(10, 10, 255, 255, 255, 128));
    CPanePicture picture;
    picture.image = image.get();

    CSurface whole(64, 40), parts(64, 40);
    PaintPreviewPane(whole.dc, client, client, picture);
    // The same picture painted as the system asks for it: in odd pieces.
    PaintPreviewPane(parts.dc, client, RECT{0, 0, 21, 13}, picture);
    PaintPreviewPane(parts.dc, client, RECT{21, 0, 64, 13}, picture);
    PaintPreviewPane(parts.dc, client, RECT{0, 13, 64, 40}, picture);
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 64; ++x)
            ASSERT_EQ(whole.At(x, y), parts.At(x, y)) << x << "," << y;

    EXPECT_EQ(RGB(200, 200, 200), whole.At(12, 3));   // dark cell right of the top-left one
    EXPECT_EQ(RGB(220, 220, 220), whole.At(12, 12));  // light cell below that one
    // Half-transparent white over the light cell: (220 + 255) / 2, not white.
    const COLORREF blended = whole.At(3, 3);
    EXPECT_NEAR(238, GetRValue(blended), 2);

    // Right alignment for a vertical face; the overlay text is drawn on top.
    picture.alignRight = true;
    picture.overlay = L"エラー";
    CSurface right(64, 40);
    PaintPreviewPane(right.dc, client, client, picture);
    EXPECT_NEAR(238, GetRValue(right.At(60, 9)), 2);
    EXPECT_EQ(RGB(220, 220, 220), right.At(3, 20));
}

// A message naming a path longer than the pane is wide, painted as the pane
// paints it: the whole path is drawn, in as many lines as it needs at the
// least (a path is a word the drawing would not break, and would cut at the
// pane's edge).
TEST(PreviewPaintTest, AnOverlayIsBrokenIntoLinesWithinThePane)
{
    const std::wstring path = L"C:\\kantelo\\" + std::wstring(90, L'W') + L"\\tile.png";
    CPanePicture picture;
    picture.overlay = L"テクスチャを読み込めません。\n\n" + path;
    const int width = 128, height = 400, inner = width - 8;  // the text lies 4 pixels inside the pane
    CSurface pane(width, height);
    PaintPreviewPane(pane.dc, RECT{0, 0, width, height}, RECT{0, 0, width, height}, picture);
    CFontHandle font(CreateOverlayFont());
    CSelectObjectGuard select(pane.dc, font.Get());
    SIZE extent = {};
    TEXTMETRICW metrics = {};
    ASSERT_TRUE(GetTextExtentPoint32W(pane.dc, path.c_str(), static_cast<int>(path.size()), &extent) &&
                GetTextMetricsW(pane.dc, &metrics));
    int lowest = -1;  // the lowest row with ink (the checker is light grey)
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (GetRValue(pane.At(x, y)) < 128)
                lowest = y;
    // Below the message's first line and the blank one, the path's lines.
    EXPECT_GT(lowest, 4 + (1 + (extent.cx + inner - 1) / inner) * metrics.tmHeight);
}
