#include "platform/ComObject.h"
#include "ui/DialogResize.h"
#include "ui/PropertySheet.h"
#include "ui/SplitterWindow.h"
#include <gtest/gtest.h>
#include <oleidl.h>
#include <vector>

TEST(DialogResize, ControlsMoveOrGrowByTheDialogsGrowth)
{
    const RECT r = {10, 20, 110, 70};
    struct {
        DWORD flags;
        RECT expected;
    } cases[] = {
        {0, {10, 20, 110, 70}},
        {DLSZ_SIZE_X, {10, 20, 140, 70}},
        {DLSZ_SIZE_X | DLSZ_SIZE_Y, {10, 20, 140, 85}},
        {DLSZ_SIZE_X | DLSZ_MOVE_Y, {10, 35, 140, 85}},
        {DLSZ_MOVE_X | DLSZ_MOVE_Y, {40, 35, 140, 85}},
        {DLSZ_MOVE_X | DLSZ_SIZE_X, {40, 20, 140, 70}},  // moving wins: the size stays
    };
    for (const auto& c : cases) {
        RECT got = ResizeControlRect(r, c.flags, 30, 15);
        EXPECT_TRUE(EqualRect(&got, &c.expected)) << "flags " << c.flags << ": " << got.left << "," << got.top
                                                  << "," << got.right << "," << got.bottom;
    }
    RECT back = ResizeControlRect(ResizeControlRect(r, DLSZ_SIZE_X | DLSZ_MOVE_Y, 30, 15), DLSZ_SIZE_X | DLSZ_MOVE_Y, -30, -15);
    EXPECT_TRUE(EqualRect(&back, &r));
}

TEST(Splitter, BarPositionKeepsBothPanesAtTheirMinimum)
{
    struct {
        int width, pos, expected;
    } cases[] = {
        {400, 100, 100}, {400, -1, 197},  // the middle of the width without the bar
        {400, 5, 20},    {400, 390, 374}, // 20 pixels on each side
        {30, 10, 20},    {10, 5, 4},      // too narrow: the left pane first, never past the bar
    };
    for (const auto& c : cases) {
        CSplitterLayout l = LayOutSplitter(c.width, 50, 6, 20, c.pos);
        EXPECT_EQ(c.expected, l.pos) << c.width << " " << c.pos;
        EXPECT_EQ(l.pos, l.left.right);
        EXPECT_EQ(l.bar.right, l.right.left);
        EXPECT_LE(l.bar.right - l.bar.left, 6);
    }
}

TEST(SheetTemplate, ContextHelpLeavesEitherTemplateForm)
{
    DLGTEMPLATE plain = {};
    plain.style = WS_POPUP | DS_CONTEXTHELP | DS_MODALFRAME;
    RemoveContextHelpStyle(&plain);
    EXPECT_EQ(static_cast<DWORD>(WS_POPUP | DS_MODALFRAME), plain.style);

    // An extended template: version 1, signature 0xFFFF, help id, extended style, style.
    std::vector<WORD> ex = {1, 0xFFFF, 0, 0, 0x88, 0, LOWORD(WS_POPUP | DS_CONTEXTHELP | DS_MODALFRAME),
                            HIWORD(WS_POPUP | DS_CONTEXTHELP | DS_MODALFRAME)};
    RemoveContextHelpStyle(ex.data());
    EXPECT_EQ(static_cast<DWORD>(WS_POPUP | DS_MODALFRAME), MAKELONG(ex[6], ex[7]));
    EXPECT_EQ(0x88, ex[4]);  // the extended style is left alone
}

namespace {

class CTarget : public IDropTarget {
public:
    BEGIN_COM_MAP(CTarget)
        COM_INTERFACE_ENTRY(IDropTarget)
    END_COM_MAP()
    STDMETHOD(DragEnter)(IDataObject*, DWORD, POINTL, DWORD*) override { return S_OK; }
    STDMETHOD(DragOver)(DWORD, POINTL, DWORD*) override { return S_OK; }
    STDMETHOD(DragLeave)() override { return S_OK; }
    STDMETHOD(Drop)(IDataObject*, DWORD, POINTL, DWORD*) override { return S_OK; }
};

struct CCounted : CTarget {
    static int alive;
    CCounted() { ++alive; }
    ~CCounted() { --alive; }
};
int CCounted::alive = 0;

} // namespace

TEST(ComObject, InterfaceMapAndReferenceCount)
{
    CComObjectOnlyInterface<CTarget> target;
    IUnknown* unknown = nullptr;
    IDropTarget* drop = nullptr;
    IDataObject* data = reinterpret_cast<IDataObject*>(1);
    ASSERT_EQ(S_OK, target.QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown)));
    ASSERT_EQ(S_OK, target.QueryInterface(IID_IDropTarget, reinterpret_cast<void**>(&drop)));
    EXPECT_EQ(static_cast<IDropTarget*>(&target), drop);
    EXPECT_EQ(static_cast<void*>(drop), static_cast<void*>(unknown));
    EXPECT_EQ(E_NOINTERFACE, target.QueryInterface(IID_IDataObject, reinterpret_cast<void**>(&data)));
    EXPECT_EQ(nullptr, data);
    EXPECT_EQ(2, target.GetRefCount());
    EXPECT_EQ(1u, drop->Release());
    EXPECT_EQ(0u, unknown->Release());  // the owner's object lives on

    CComObject<CCounted>* owned = new CComObject<CCounted>;
    owned->AddRef();
    owned->AddRef();
    EXPECT_EQ(1, CCounted::alive);
    owned->Release();
    EXPECT_EQ(1, CCounted::alive);
    owned->Release();
    EXPECT_EQ(0, CCounted::alive);
}
