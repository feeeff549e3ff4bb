// A paint button's texture: decoded off the window's thread, and kept as a
// copy no larger than the face can show.
#include "app/PaintButton.h"
#include "app/PaintFace.h"
#include "tests/common/DibTestSupport.h"
#include "tests/common/TestSupport.h"
#include "tests/imaging/ImageFileSupport.h"
#include "tests/ui/WindowTestSupport.h"
#include <gtest/gtest.h>

TEST(PaintButton, AFaceKeepsWhatItsPixelsShowAndLoadsOffTheWindowThread)
{
    CTempFolder folder;
    const std::wstring path = folder.File(L"big.png");
    ASSERT_TRUE(WriteFileBytes(path, imagefile::MakeGreyRgbPng(2000)));
    CTestFrame frame;
    HWND child = frame.AddChild(L"BUTTON", BS_PUSHBUTTON, 100, 10, 10, 60, 24);
    REQUIRE_WINDOW(child);
    CPaintButton button;
    button.SubclassWindow(child);
    CPaintSetting paint;
    paint.Type = PaintType::TEXTURE;
    paint.Texture.Path = path;
    button.SetPaint(paint);
    ::UpdateWindow(child);
    EXPECT_EQ(nullptr, button.GetKeptPicture()) << "the picture was decoded on the window's thread";
    MSG msg;
    while (!button.GetKeptPicture() && ::GetMessageW(&msg, nullptr, 0, 0) > 0)
        ::DispatchMessageW(&msg);
    const CDib* kept = button.GetKeptPicture();
    ASSERT_TRUE(kept);
    RECT face;
    ::GetClientRect(child, &face);
    EXPECT_LE(kept->GetWidth() * kept->GetAbsHeight(), kFaceDetail * face.right * face.bottom);
    EXPECT_EQ(kept->GetWidth(), kept->GetAbsHeight());
}

TEST(PaintButton, AFacesCopyWeighsColoursByTheirAlphaAsTheLayerDoes)
{
    // Opaque red beside transparent black, two columns to a kept pixel: half-covered red, not a darker red.
    CDib picture;
    ASSERT_TRUE(MakeDib32(picture, 16, 16, [](int x, int) { return x & 1 ? 0u : 0xFFFF0000u; }));
    boost::shared_ptr<CDib> kept;
    ASSERT_EQ(S_OK, ReducePictureForFace(picture, SIZE{1, 1}, kept));
    ASSERT_EQ(8, kept->GetWidth());
    EXPECT_EQ(0x80FF0000u, Px(*kept, 3, 5));
}
