#include "foundation/Clipboard.h"
#include "foundation/Error.h"
#include "resources/strings_foundation_io.h"
#include "tests/common/TestSupport.h"
#include <gtest/gtest.h>
#include <cstring>

namespace {

// SetClipboardData needs an owner window after EmptyClipboard; a message-only
// window needs no display.
class COwnerWindow {
public:
    COwnerWindow() : m_hwnd(CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr)) {}
    ~COwnerWindow() { DestroyWindow(m_hwnd); }
    HWND Get() const { return m_hwnd; }
private:
    HWND m_hwnd;
};

} // namespace

TEST(GlobalMemory, OwnerAndLocker)
{
    CGlobalMemory block;
    ASSERT_TRUE(block.Alloc(16));
    HGLOBAL first = block.Get();
    {
        void* p = nullptr;
        CGlobalLocker lock(p, block);
        ASSERT_NE(nullptr, p);
        EXPECT_TRUE(lock.IsLocked());
        EXPECT_EQ(1u, GlobalFlags(first) & GMEM_LOCKCOUNT);
        // Locking again unlocks the block held before.
        void* q = lock.Lock(first);
        EXPECT_EQ(p, q);
        EXPECT_EQ(1u, GlobalFlags(first) & GMEM_LOCKCOUNT);
    }
    EXPECT_EQ(0u, GlobalFlags(first) & GMEM_LOCKCOUNT);

    CGlobalLocker none;
    void* p = &none;
    EXPECT_FALSE(none.TryLock(p, nullptr));
    EXPECT_EQ(nullptr, p);
    EXPECT_FALSE(none.IsLocked());

    HGLOBAL detached = block.Detach();
    EXPECT_EQ(first, detached);
    EXPECT_EQ(nullptr, block.Get());
    block.Attach(detached);
    EXPECT_EQ(detached, block.Get());
}

TEST(Clipboard, RegisteredFormatRoundTrip)
{
    CClipboardTestLock guard;
    COwnerWindow owner;
    UINT format = ClipboardRegisterFormat(L"KanteloTest Fragment");
    ASSERT_NE(0u, format);
    EXPECT_EQ(format, ClipboardRegisterFormat(L"KanteloTest Fragment"));

    const char fragment[] = "<?xml version=\"1.0\"?><Settings><a>1</a></Settings>";
    {
        CGlobalMemory block;
        ASSERT_TRUE(block.Alloc(sizeof fragment));
        {
            void* p = nullptr;
            CGlobalLocker lock(p, block);
            std::memcpy(p, fragment, sizeof fragment);
        }
        CClipboardOpener opener(owner.Get());
        ClipboardEmpty();
        ClipboardSetData(format, block);
        EXPECT_EQ(nullptr, block.Get());  // the clipboard owns it now
    }

    EXPECT_EQ(static_cast<int>(format), ClipboardGetPriorityFormat({CF_UNICODETEXT, format}, true));
    CClipboardOpener opener(owner.Get());
    HANDLE data = ClipboardGetData(format);
    void* p = nullptr;
    CGlobalLocker lock(p, data);
    ASSERT_NE(nullptr, p);
    ASSERT_GE(GlobalSize(data), sizeof fragment);
    EXPECT_EQ(0, std::memcmp(fragment, p, sizeof fragment));
}

TEST(Clipboard, UnicodeText)
{
    CClipboardTestLock guard;
    COwnerWindow owner;
    struct Case { std::wstring put; std::wstring get; SIZE_T bytes; } cases[] = {
        {L"", L"", 2},
        {L"abc", L"abc", 8},
        {std::wstring(L"a\0b", 3), L"a", 4},
        {L"縁取り\r\n文字", L"縁取り\r\n文字", 16},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(ClipboardCopyText(owner.Get(), c.put));
        CClipboardOpener opener(owner.Get());
        HANDLE data = GetClipboardData(CF_UNICODETEXT);
        ASSERT_NE(nullptr, data);
        EXPECT_GE(GlobalSize(data), c.bytes);
        std::wstring text = L"old";
        EXPECT_TRUE(ClipboardGetText(text));
        EXPECT_EQ(c.get, text) << Narrow(c.get);
    }
}

TEST(Clipboard, MissingDataAndFormats)
{
    CClipboardTestLock guard;
    COwnerWindow owner;
    UINT format = ClipboardRegisterFormat(L"KanteloTest Fragment");
    {
        CClipboardOpener opener(owner.Get());
        ClipboardEmpty();
        std::wstring text = L"old";
        EXPECT_FALSE(ClipboardGetText(text));
        EXPECT_EQ(L"", text);
        EXPECT_EQ(UINT(IDS_GET_CLIPBOARD_DATA_FAILED), ThrownId([] { ClipboardGetData(CF_UNICODETEXT); }));
    }
    EXPECT_EQ(0, ClipboardGetPriorityFormat({format}, false));
    EXPECT_EQ(UINT(IDS_CLIPBOARD_EMPTY), ThrownId([] { ClipboardGetPriorityFormat({ClipboardRegisterFormat(L"KanteloTest Fragment")}, true); }));

    ASSERT_TRUE(ClipboardCopyText(owner.Get(), L"only text"));
    EXPECT_EQ(-1, ClipboardGetPriorityFormat({format}, false));
    EXPECT_EQ(UINT(IDS_CLIPBOARD_FORMAT_UNSUPPORTED), ThrownId([] { ClipboardGetPriorityFormat({ClipboardRegisterFormat(L"KanteloTest Fragment")}, true); }));
}

TEST(Clipboard, FailedSetLeavesTheBlockWithItsOwner)
{
    CClipboardTestLock guard;
    // Not open: SetClipboardData fails.
    CGlobalMemory block;
    ASSERT_TRUE(block.Alloc(4));
    HGLOBAL held = block.Get();
    try {
        ClipboardSetData(CF_UNICODETEXT, block);
        ADD_FAILURE() << "set without an open clipboard";
    } catch (const my::CException& e) {
        EXPECT_EQ(UINT(IDS_SET_CLIPBOARD_DATA_FAILED), e.id);
        EXPECT_TRUE(FAILED(e.code));
    }
    EXPECT_EQ(held, block.Get());
    EXPECT_EQ(UINT(IDS_EMPTY_CLIPBOARD_FAILED), ThrownId([] { ClipboardEmpty(); }));
}

TEST(Clipboard, OpenerAndDropEffect)
{
    CClipboardTestLock guard;
    COwnerWindow owner;
    CClipboardOpener opener;
    EXPECT_TRUE(opener.Close());  // not open: nothing to close
    opener.Open(owner.Get());
    EXPECT_TRUE(opener.IsOpen());
    opener.Open(owner.Get());  // already open: no second OpenClipboard
    ClipboardEmpty();
    HANDLE set = ClipboardSetPreferredDropEffect(DROPEFFECT_MOVE);
    EXPECT_NE(nullptr, set);
    EXPECT_TRUE(opener.Close());
    EXPECT_FALSE(opener.IsOpen());

    CClipboardOpener reader(owner.Get());
    HANDLE data = ClipboardGetData(ClipboardRegisterFormat(L"Preferred DropEffect"));
    void* p = nullptr;
    CGlobalLocker lock(p, data);
    ASSERT_NE(nullptr, p);
    EXPECT_EQ(static_cast<DWORD>(DROPEFFECT_MOVE), *static_cast<DWORD*>(p));
}
