#include "foundation/ItemIDList.h"
#include "foundation/GlobalMemory.h"
#include "foundation/ShellFolder.h"
#include "resources/strings_shell.h"
#include "tests/common/TestSupport.h"
#include <gtest/gtest.h>
#include <cstring>
#include <sstream>

namespace {

// A list of items with the given data bytes each, built by hand.
CItemIDList MakeList(const std::vector<std::string>& items)
{
    std::string bytes;
    for (const std::string& data : items) {
        const USHORT cb = static_cast<USHORT>(data.size() + 2);
        bytes.append(reinterpret_cast<const char*>(&cb), 2);
        bytes += data;
    }
    bytes.append(2, '\0');
    CItemIDList list;
    list.Alloc(static_cast<UINT>(bytes.size()));
    std::memcpy(list.Get(), bytes.data(), bytes.size());
    return list;
}

std::string Bytes(LPCITEMIDLIST list)
{
    const UINT size = CItemIDListHandle(list).GetSize();
    return size ? std::string(reinterpret_cast<const char*>(list), size) : std::string();
}

// A movable block holding the given bytes.
HGLOBAL MakeBlock(const std::string& bytes)
{
    HGLOBAL block = GlobalAlloc(GHND, bytes.size());
    void* p = GlobalLock(block);
    std::memcpy(p, bytes.data(), bytes.size());
    GlobalUnlock(block);
    return block;
}

std::wstring LongPath(const std::wstring& path)
{
    wchar_t buffer[MAX_PATH];
    const DWORD n = GetLongPathNameW(path.c_str(), buffer, MAX_PATH);
    return n && n < MAX_PATH ? std::wstring(buffer) : path;
}

// Offers one HGLOBAL block under "Shell IDList Array", or nothing.
class CIdListDataObject : public IDataObject {
public:
    explicit CIdListDataObject(HGLOBAL block) : m_block(block) {}
    ~CIdListDataObject() { if (m_block) GlobalFree(m_block); }
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override
    {
        if (iid == IID_IUnknown || iid == IID_IDataObject) {
            *out = this;
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP GetData(FORMATETC* format, STGMEDIUM* medium) override
    {
        if (!m_block || format->cfFormat != RegisterClipboardFormatW(L"Shell IDList Array"))
            return DV_E_FORMATETC;
        ++m_gets;
        // The reader owns (and releases) what it gets: hand out a copy.
        const SIZE_T size = GlobalSize(m_block);
        HGLOBAL copy = GlobalAlloc(GHND, size);
        std::memcpy(GlobalLock(copy), GlobalLock(m_block), size);
        GlobalUnlock(copy);
        GlobalUnlock(m_block);
        medium->tymed = TYMED_HGLOBAL;
        medium->hGlobal = copy;
        medium->pUnkForRelease = nullptr;
        return S_OK;
    }
    STDMETHODIMP GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    STDMETHODIMP QueryGetData(FORMATETC*) override { return E_NOTIMPL; }
    STDMETHODIMP GetCanonicalFormatEtc(FORMATETC*, FORMATETC*) override { return E_NOTIMPL; }
    STDMETHODIMP SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP EnumFormatEtc(DWORD, IEnumFORMATETC**) override { return E_NOTIMPL; }
    STDMETHODIMP DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override { return E_NOTIMPL; }
    STDMETHODIMP DUnadvise(DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP EnumDAdvise(IEnumSTATDATA**) override { return E_NOTIMPL; }
    int m_gets = 0;

private:
    HGLOBAL m_block;
};

} // namespace

TEST(ItemIDList, SizesPartsAndCombinations)
{
    const CItemIDList none;
    CItemIDList empty;
    ASSERT_TRUE(empty.SetEmpty());
    CItemIDList three = MakeList({"abc", "de", "fghi"});

    EXPECT_EQ(0u, none.GetSize());
    EXPECT_EQ(2u, empty.GetSize());
    EXPECT_EQ(0u, empty.GetItemCount());
    EXPECT_TRUE(empty.IsEmpty());
    EXPECT_EQ(nullptr, empty.FindLastItem());
    EXPECT_EQ(5u + 4u + 6u + 2u, three.GetSize());
    EXPECT_EQ(3u, three.GetItemCount());
    EXPECT_EQ(9u, three.GetParentSize());
    EXPECT_EQ(Bytes(MakeList({"fghi"})), Bytes(CItemIDListHandle(three.FindLastItem()).CopyFirstItem()));

    EXPECT_TRUE(MakeList({"x"}).CopyParent().IsNull());
    EXPECT_TRUE(empty.CopyParent().IsNull());
    EXPECT_EQ(Bytes(MakeList({"abc", "de"})), Bytes(three.CopyParent()));
    EXPECT_EQ(Bytes(three), Bytes(CItemIDListHandle::Combine(empty, three)));
    EXPECT_EQ(Bytes(three), Bytes(CItemIDListHandle::Combine(three, nullptr)));
    EXPECT_EQ(Bytes(MakeList({"abc", "de", "fghi", "de"})),
              Bytes(CItemIDListHandle::Combine(three, MakeList({"de"}))));

    // Prefixes and relative lists.
    const CItemIDList parent = MakeList({"abc", "de"});
    EXPECT_TRUE(empty.IsPrefixOf(three));
    EXPECT_TRUE(parent.IsPrefixOf(three));
    EXPECT_FALSE(three.IsPrefixOf(parent));
    EXPECT_FALSE(none.IsPrefixOf(three));
    EXPECT_FALSE(parent.IsPrefixOf(nullptr));
    EXPECT_EQ(Bytes(MakeList({"fghi"})), Bytes(three.RelativeTo(parent)));
    EXPECT_EQ(2u, three.RelativeTo(three).GetSize());
    EXPECT_TRUE(three.RelativeTo(MakeList({"abc", "dx"})).IsNull());
    EXPECT_FALSE(CItemIDListHandle::IsFirstItemEqual(MakeList({"ab"}), MakeList({"abc"})));
    EXPECT_TRUE(CItemIDListHandle::IsFirstItemEqual(empty, MakeList({})));

    // Popping cuts the list in place.
    CItemIDList popped = three.PopLastItem();
    EXPECT_EQ(Bytes(MakeList({"fghi"})), Bytes(popped));
    EXPECT_EQ(Bytes(parent), Bytes(three));
    LPITEMIDLIST emptyPointer = empty.Get();
    CItemIDList handedOver = empty.PopLastItem();
    EXPECT_EQ(emptyPointer, handedOver.Get());
    EXPECT_TRUE(empty.IsNull());

    // Copies are deep; combining into itself works.
    CItemIDList copy(parent);
    EXPECT_NE(parent.Get(), copy.Get());
    copy = copy;
    EXPECT_EQ(Bytes(parent), Bytes(copy));
    EXPECT_EQ(S_OK, copy.SetCombined(copy, copy));
    EXPECT_EQ(Bytes(MakeList({"abc", "de", "abc", "de"})), Bytes(copy));
    EXPECT_EQ(S_OK, copy.SetCombined(nullptr, nullptr));
    EXPECT_TRUE(copy.IsEmpty());

    std::wostringstream hex;
    MakeList({"\x01\xAB", "z"}).WriteHex(hex);
    hex << 10;
    EXPECT_EQ(L"040001ab/03007a10", hex.str());
}

TEST(ItemIDList, IDListArrayRoundTrip)
{
    std::vector<CItemIDList> lists;
    lists.push_back(MakeList({"abc", "de"}));
    lists.push_back(MakeList({"fghi"}));
    HGLOBAL block = nullptr;
    ASSERT_EQ(S_OK, MakeIDListArray(lists, block));
    CGlobalMemory owner(block);
    ASSERT_EQ(4u * 4 + 2 + 11 + 8, GlobalSize(block));
    {
        void* p = nullptr;
        CGlobalLocker lock(p, block);
        const UINT* header = static_cast<const UINT*>(p);
        EXPECT_EQ(2u, header[0]);
        EXPECT_EQ(16u, header[1]);
        EXPECT_EQ(18u, header[2]);
        EXPECT_EQ(18u + 11u, header[3]);
    }
    std::vector<CItemIDList> read;
    ASSERT_EQ(S_OK, ReadIDListArray(block, read));
    ASSERT_EQ(2u, read.size());
    EXPECT_EQ(Bytes(lists[0]), Bytes(read[0]));
    EXPECT_EQ(Bytes(lists[1]), Bytes(read[1]));

    HGLOBAL none = nullptr;
    EXPECT_EQ(E_INVALIDARG, MakeIDListArray(std::vector<CItemIDList>(), none));
    EXPECT_EQ(nullptr, none);
}

// A block from another process is checked against its size before any read.
TEST(ItemIDList, MalformedIDListArraysAreRefused)
{
    auto u32 = [](UINT v) { return std::string(reinterpret_cast<const char*>(&v), 4); };
    const std::string list = std::string("\x04\x00" "ab" "\x00\x00", 6);
    const struct {
        const char* what;
        std::string bytes;
    } cases[] = {
        {"shorter than a header", std::string("\x01\x00", 2)},
        {"count beyond the block", u32(0x40000000) + u32(12) + u32(12)},
        {"count that wraps the header size", u32(0xFFFFFFFF) + u32(12) + u32(12)},
        {"offset beyond the block", u32(1) + u32(12) + u32(5000) + list},
        {"list running past the end", u32(1) + u32(12) + u32(14) + std::string("\0\0\x09\x00xx", 6)},
        {"item shorter than its size field", u32(1) + u32(12) + u32(14) + std::string("\0\0\x01\x00\0\0", 6)},
        {"parent at the last byte", u32(1) + u32(17) + u32(12) + list},
    };
    for (const auto& c : cases) {
        HGLOBAL block = MakeBlock(c.bytes);
        CGlobalMemory owner(block);
        std::vector<CItemIDList> read(3);
        EXPECT_EQ(E_INVALIDARG, ReadIDListArray(block, read)) << c.what;
        EXPECT_TRUE(read.empty()) << c.what;

        CIdListDataObject data(MakeBlock(c.bytes));
        std::vector<CItemIDList> lists;
        EXPECT_EQ(UINT(IDS_GET_PATHS_FAILED), ThrownId([&] { ReadIDListsFromDataObject(&data, lists, false); })) << c.what;
    }
    // A well-formed block with no list is no drop either.
    CIdListDataObject empty(MakeBlock(u32(0) + u32(8) + std::string(2, '\0')));
    std::vector<CItemIDList> lists;
    EXPECT_EQ(UINT(IDS_GET_PATHS_FAILED), ThrownId([&] { ReadIDListsFromDataObject(&empty, lists, false); }));
    CIdListDataObject nothing(nullptr);
    EXPECT_EQ(UINT(IDS_DATA_OBJECT_GET_DATA_FAILED), ThrownId([&] { ReadIDListsFromDataObject(&nothing, lists, false); }));
    ReadIDListsFromDataObject(nullptr, lists, false);
    EXPECT_TRUE(lists.empty());
}

TEST(ItemIDList, PathsThroughTheShell)
{
    CTempFolder folder;
    const std::wstring dir = LongPath(folder.Path());
    for (const wchar_t* name : {L"b.txt", L"a.txt", L"日本語.txt"})
        ASSERT_TRUE(WriteFileBytes(dir + L"\\" + name, "x"));

    std::vector<CItemIDList> lists(3);
    lists[0].SetFromPath(dir + L"\\b.txt");
    lists[1].SetFromPath(dir + L"\\日本語.txt");
    lists[2].SetFromPath(dir + L"\\a.txt");
    EXPECT_EQ(dir + L"\\b.txt", lists[0].GetPath());

    HGLOBAL block = nullptr;
    ASSERT_EQ(S_OK, MakeIDListArray(lists, block));
    std::list<std::wstring> paths;
    ASSERT_EQ(S_OK, ReadPathsFromIDListArray(block, paths));
    EXPECT_EQ((std::list<std::wstring>{dir + L"\\b.txt", dir + L"\\日本語.txt", dir + L"\\a.txt"}), paths);

    // The drop road: read back from a data object, sorted by the shell.
    CIdListDataObject data(block);
    std::vector<CItemIDList> read;
    ReadIDListsFromDataObject(&data, read, true);
    ASSERT_EQ(3u, read.size());
    EXPECT_EQ(dir + L"\\a.txt", read[0].GetPath());
    EXPECT_EQ(dir + L"\\b.txt", read[1].GetPath());
    EXPECT_LT(CShellFolder::CompareIDLists(read[0], read[1]), 0);
    EXPECT_GT(CShellFolder::CompareIDLists(read[1], read[0]), 0);
    EXPECT_EQ(0, CShellFolder::CompareIDLists(read[2], lists[1]));

    // A virtual folder has no path: the first such list ends the read.
    CItemIDList computer;
    ASSERT_EQ(S_OK, computer.SetComputer());
    const my::CException e = ThrownError([&] { computer.GetPath(); });
    EXPECT_EQ(UINT(IDS_ID_LIST_TO_PATH_FAILED), e.id);
    EXPECT_EQ(E_FAIL, e.code);
    lists.insert(lists.begin() + 1, computer);
    ASSERT_EQ(S_OK, MakeIDListArray(lists, block));
    CGlobalMemory owner(block);
    EXPECT_EQ(E_FAIL, ReadPathsFromIDListArray(block, paths));
    EXPECT_EQ(std::list<std::wstring>{dir + L"\\b.txt"}, paths);

    EXPECT_EQ(UINT(IDS_PATH_TO_ID_LIST_FAILED), ThrownId([&] { lists[0].SetFromPath(dir + L"\\missing\\none.txt"); }));
    EXPECT_TRUE(lists[0].IsNull());
}

TEST(ItemIDList, DisplayNamesAndDesktop)
{
    CTempFolder folder;
    const std::wstring dir = LongPath(folder.Path());
    CreateDirectoryW((dir + L"\\sub").c_str(), nullptr);
    ASSERT_TRUE(WriteFileBytes(dir + L"\\sub\\f.txt", "x"));
    CItemIDList file;
    file.SetFromPath(dir + L"\\sub\\f.txt");
    std::wostringstream os;
    os << file;
    // The last two names are the folder and the file, as the shell names them.
    const std::wstring text = os.str();
    EXPECT_NE(std::wstring::npos, text.find(L"/sub/f")) << Narrow(text);
    std::wostringstream null;
    null << CItemIDList();
    EXPECT_EQ(L"NULL", null.str());

    std::wstring name;
    EXPECT_EQ(S_OK, file.GetDisplayName(name));
    EXPECT_EQ(0u, name.find(L"f")) << Narrow(name);
    CItemIDList desktop;
    desktop.SetDesktop();
    EXPECT_TRUE(desktop.IsEmpty());
    EXPECT_TRUE(desktop.IsPrefixOf(file));
}
