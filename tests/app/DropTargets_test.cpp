#include "tests/app/CommandTestSupport.h"
#include "app/DropTargets.h"
#include "resources/main_window.h"
#include "resources/strings_shell.h"
#include <shlobj.h>

namespace {

// A data object offering one format as a global-memory block (a fresh copy
// at each GetData, as the shell's do).
class CTestDataObject : public IDataObject {
public:
    CTestDataObject(CLIPFORMAT format, const std::string& bytes) : m_format(format), m_bytes(bytes) {}
    LONG refs = 1;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDataObject)) {
            *out = this;
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs; }
    HRESULT STDMETHODCALLTYPE GetData(FORMATETC* format, STGMEDIUM* medium) override
    {
        if (QueryGetData(format) != S_OK)
            return DV_E_FORMATETC;
        HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, m_bytes.size());
        memcpy(GlobalLock(block), m_bytes.data(), m_bytes.size());
        GlobalUnlock(block);
        medium->tymed = TYMED_HGLOBAL;
        medium->hGlobal = block;
        medium->pUnkForRelease = nullptr;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* format) override
    {
        return format->cfFormat == m_format && (format->tymed & TYMED_HGLOBAL) ? S_OK : DV_E_FORMATETC;
    }
    HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC*, FORMATETC*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD, IEnumFORMATETC**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override { return E_NOTIMPL; }

private:
    CLIPFORMAT m_format;
    std::string m_bytes;
};

CLIPFORMAT IdListFormat() { return static_cast<CLIPFORMAT>(RegisterClipboardFormatW(CFSTR_SHELLIDLIST)); }

// The "Shell IDList Array" block of the files.
std::string IdListArrayOf(const std::vector<std::wstring>& paths)
{
    std::vector<CItemIDList> lists(paths.size());
    for (size_t i = 0; i < paths.size(); ++i)
        lists[i].SetFromPath(paths[i]);
    HGLOBAL block = nullptr;
    EXPECT_EQ(S_OK, MakeIDListArray(lists, block));
    std::string bytes(static_cast<const char*>(GlobalLock(block)), GlobalSize(block));
    GlobalUnlock(block);
    GlobalFree(block);
    return bytes;
}

// The command posted to the window, 0 for none.
WORD PostedCommand(HWND window)
{
    MSG msg;
    WORD id = 0;
    while (PeekMessageW(&msg, window, WM_COMMAND, WM_COMMAND, PM_REMOVE))
        id = LOWORD(msg.wParam);
    return id;
}

// The extraction error the command's check would raise, 0 for none.
UINT PendingId(knt::CCommand& command) { return dynamic_cast<knt::CDroppedItems&>(command).PendingError.id; }

class DropTargetTest : public CommandTest {
protected:
    knt::CCommandSet commands;
    POINTL point = {10, 10};

    std::wstring File(const std::wstring& name)
    {
        EXPECT_TRUE(WriteFileBytes(temp.File(name), "x"));
        return temp.File(name);
    }
};

} // namespace

TEST_F(DropTargetTest, EffectAndPostedCommandFollowTheData)
{
    std::string malformed = IdListArrayOf({File(L"a.knt")});
    malformed[5] = '\x7f';  // the parent list's offset far beyond the block
    struct Case {
        const char* what;
        CLIPFORMAT format;
        std::string bytes;
        DWORD effect;
        UINT pendingError;
    } const cases[] = {
        {"two files", IdListFormat(), IdListArrayOf({File(L"a.knt"), File(L"b.knt")}), DROPEFFECT_COPY, 0},
        {"text only", CF_UNICODETEXT, std::string("h\0i\0\0\0", 6), DROPEFFECT_NONE,
         IDS_DATA_OBJECT_GET_DATA_FAILED},
        {"malformed block", IdListFormat(), malformed, DROPEFFECT_NONE, IDS_GET_PATHS_FAILED},
        {"count without lists", IdListFormat(), std::string("\xff\xff\xff\x0f\x08\0\0\0", 8), DROPEFFECT_NONE,
         IDS_GET_PATHS_FAILED},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CTestDataObject data(c.format, c.bytes);
        struct Target {
            CDropCtrlerImpl* target;
            knt::CCommand* command;
            WORD posted;
        };
        CComObjectOnlyInterface<knt::CDropCtrler> dialogTarget;
        CComObjectOnlyInterface<knt::CEditDropCtrler> editTarget;
        dialogTarget.CreateDragImageHelper();  // the drag image is drawn, when the system has the service
        const Target targets[] = {{&dialogTarget, commands.DropOpen.get(), IDM_DROP_OPEN},
                                  {&editTarget, commands.DropText.get(), IDM_DROP_TEXT}};
        for (const Target& t : targets) {
            DWORD effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
            EXPECT_EQ(S_OK, t.target->DragEnter(&data, MK_LBUTTON, point, &effect));
            EXPECT_EQ(c.effect, effect);
            EXPECT_TRUE(t.target->HasDataObject());
            effect = DROPEFFECT_COPY;
            EXPECT_EQ(S_OK, t.target->DragOver(MK_LBUTTON, point, &effect));
            EXPECT_EQ(c.effect, effect);
            effect = DROPEFFECT_COPY;
            EXPECT_EQ(S_OK, t.target->Drop(&data, 0, point, &effect));
            EXPECT_EQ(c.effect, effect);
            // Drop let go of the data object and left the work to the posted command.
            EXPECT_FALSE(t.target->HasDataObject());
            EXPECT_EQ(1, data.refs);
            EXPECT_EQ(c.effect == DROPEFFECT_COPY ? t.posted : 0, PostedCommand(view.window));
            EXPECT_EQ(c.pendingError, PendingId(*t.command));
        }
        if (c.effect == DROPEFFECT_COPY) {
            EXPECT_EQ(2u, commands.DropOpen->Items.size());
        }
    }
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(DropTargetTest, TextBoxFramedOnlyWhileTheDragIsOverIt)
{
    CTestDataObject data(IdListFormat(), IdListArrayOf({File(L"t.txt")}));
    CComObjectOnlyInterface<knt::CEditDropCtrler> target;
    DWORD effect = DROPEFFECT_COPY;
    target.DragEnter(&data, 0, point, &effect);
    target.DragOver(0, point, &effect);
    target.DragLeave();
    EXPECT_EQ((std::vector<int>{IDC_TEXT, IDC_TEXT, -1}), view.highlights);
    EXPECT_FALSE(target.HasDataObject());
    EXPECT_EQ(1, data.refs);

    view.highlights.clear();
    target.Drop(&data, 0, point, &effect);
    EXPECT_EQ((std::vector<int>{IDC_TEXT, -1}), view.highlights);
    EXPECT_EQ(IDM_DROP_TEXT, PostedCommand(view.window));

    // A hook that throws (no commands to run) still clears the frame, and a
    // drop's error reaches the error sink.
    CRecordingMsg sink;
    target.ErrorSink = &sink;
    {
        knt::CCommandSet other;  // published, then gone: no set any more
    }
    ASSERT_EQ(nullptr, knt::GetCommandSet());
    view.highlights.clear();
    effect = DROPEFFECT_COPY;
    EXPECT_EQ(S_OK, target.Drop(&data, 0, point, &effect));
    EXPECT_EQ(DWORD(DROPEFFECT_NONE), effect);
    EXPECT_EQ((std::vector<int>{IDC_TEXT, -1}), view.highlights);
    EXPECT_EQ(1u, sink.errors.size());
    EXPECT_EQ(0, PostedCommand(view.window));
}

TEST_F(DropTargetTest, ReleaseNeverDeletes)
{
    CComObjectOnlyInterface<knt::CDropCtrler> target;
    IUnknown* unknown = nullptr;
    ASSERT_EQ(S_OK, target.QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown)));
    IDropTarget* dropTarget = nullptr;
    ASSERT_EQ(S_OK, target.QueryInterface(IID_IDropTarget, reinterpret_cast<void**>(&dropTarget)));
    void* other = &target;
    EXPECT_EQ(E_NOINTERFACE, target.QueryInterface(IID_IDataObject, &other));
    EXPECT_EQ(nullptr, other);
    EXPECT_EQ(1u, unknown->Release());
    EXPECT_EQ(0u, dropTarget->Release());
    EXPECT_EQ(E_INVALIDARG, target.DragOver(0, point, nullptr));
}
