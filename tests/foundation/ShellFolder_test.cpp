#include "foundation/ShellFolder.h"
#include "resources/strings_shell.h"
#include "tests/common/TestSupport.h"
#include <gtest/gtest.h>

namespace {

std::wstring LongPath(const std::wstring& path)
{
    wchar_t buffer[MAX_PATH];
    const DWORD n = GetLongPathNameW(path.c_str(), buffer, MAX_PATH);
    return n && n < MAX_PATH ? std::wstring(buffer) : path;
}

// A temporary folder with two files and a subfolder, and the folder bound.
struct CShellFixture {
    CTempFolder temp;
    std::wstring dir = LongPath(temp.Path());
    CShellFolder folder;
    CShellFixture()
    {
        WriteFileBytes(dir + L"\\Report.v2.txt", "x");
        WriteFileBytes(dir + L"\\noext", "x");
        CreateDirectoryW((dir + L"\\sub").c_str(), nullptr);
        WriteFileBytes(dir + L"\\sub\\inner.txt", "x");
        CItemIDList list;
        list.SetFromPath(dir);
        folder.BindToIDList(list);
    }
    CItemIDList Child(const wchar_t* name)
    {
        CItemIDList child;
        folder.ParseDisplayName(name, child);
        return child;
    }
};

} // namespace

TEST(ShellFolder, BindsNamesAndAttributes)
{
    CShellFixture f;
    ASSERT_FALSE(f.folder.IsEmpty());

    CShellFolder desktop;
    ASSERT_EQ(S_OK, desktop.TryBindToIDList(CItemIDList()));
    EXPECT_FALSE(desktop.IsEmpty());
    EXPECT_EQ(-1, desktop.CompareIDs(CItemIDList(), f.Child(L"noext")));
    EXPECT_EQ(1, desktop.CompareIDs(f.Child(L"noext"), nullptr));

    std::wstring text;
    EXPECT_EQ(S_OK, f.folder.GetParsingExtension(f.Child(L"Report.v2.txt"), text));
    EXPECT_EQ(L"txt", text);
    EXPECT_EQ(S_OK, f.folder.GetParsingExtension(f.Child(L"noext"), text));
    EXPECT_EQ(L"", text);
    text = L"kept";
    EXPECT_EQ(E_FAIL, f.folder.GetDisplayNameOf(nullptr, SHGDN_NORMAL, text));
    EXPECT_EQ(L"kept", text);

    // Relative path through a subfolder, and the absolute list of a child.
    const CItemIDList sub = f.Child(L"sub");
    CItemIDList inner;
    ASSERT_EQ(S_OK, f.folder.ParseDisplayName(L"sub\\inner.txt", inner));
    ASSERT_EQ(S_OK, f.folder.GetRelativeDisplayPath(inner, text));
    EXPECT_EQ(0u, text.find(L"sub\\inner")) << Narrow(text);
    CItemIDList absolute;
    ASSERT_EQ(S_OK, absolute.SetFromChild(f.folder, sub));
    EXPECT_EQ(f.dir + L"\\sub", absolute.GetPath());
    ASSERT_EQ(S_OK, CShellFolder::GetItemDisplayName(absolute, SHGDN_FORPARSING, text));
    EXPECT_EQ(f.dir + L"\\sub", text);

    SFGAOF attributes = SFGAO_FOLDER;
    f.folder.GetAttributesOf(sub, attributes);
    EXPECT_TRUE(attributes & SFGAO_FOLDER);
    EXPECT_EQ(E_HANDLE, CShellFolder().TryGetAttributesOf(sub, attributes));
    EXPECT_EQ(UINT(IDS_GET_SHELL_ATTRIBUTES_FAILED), ThrownId([&] { CShellFolder().GetAttributesOf(sub, attributes); }));
    EXPECT_TRUE(f.folder.HasChildren(SHCONTF_FOLDERS | SHCONTF_NONFOLDERS, nullptr));
    DWORD effects = 0;
    EXPECT_EQ(S_OK, f.folder.GetAllowedDropEffects(sub, effects));
    EXPECT_TRUE(effects & DROPEFFECT_COPY);

    CShellFolder child;
    ASSERT_EQ(S_OK, f.folder.BindToChild(sub, child));
    EXPECT_TRUE(child.HasChildren(SHCONTF_NONFOLDERS, nullptr));
    EXPECT_FALSE(child.HasChildren(SHCONTF_FOLDERS, nullptr));
}

TEST(ShellFolder, FindsRenamesAndParsesMissingPaths)
{
    CShellFixture f;
    CItemIDList found;
    ASSERT_EQ(S_OK, f.folder.SearchChild(L"REPORT.V2.TXT", found, SHGDN_INFOLDER | SHGDN_FORPARSING, nullptr));
    std::wstring name;
    f.folder.GetDisplayNameOf(found, SHGDN_INFOLDER | SHGDN_FORPARSING, name);
    EXPECT_EQ(L"Report.v2.txt", name);
    EXPECT_EQ(S_FALSE, f.folder.SearchChild(L"absent", found, SHGDN_INFOLDER, nullptr));
    EXPECT_TRUE(found.IsNull());
    EXPECT_EQ(S_OK, f.folder.FindChild(L"noext", found, SHGDN_INFOLDER, nullptr));

    CItemIDList renamed;
    f.folder.SetNameOf(f.Child(L"noext"), L"renamed", &renamed);
    EXPECT_TRUE(FileExists(f.dir + L"\\renamed"));
    EXPECT_FALSE(FileExists(f.dir + L"\\noext"));

    // A path that does not exist parses from the data handed in.
    CShellFolder desktop;
    desktop.SetDesktopFolder();
    CItemIDList missing;
    ASSERT_EQ(S_OK, desktop.ParseNonExistingPath(f.dir + L"\\later\\folder", missing, true));
    EXPECT_EQ(f.dir + L"\\later\\folder", missing.GetPath());
    EXPECT_FALSE(FileExists(f.dir + L"\\later"));
    CShellFolder parent;
    LPCITEMIDLIST last = nullptr;
    ASSERT_EQ(S_OK, parent.TryBindToParent(missing, last));
    SFGAOF attributes = SFGAO_FOLDER;
    EXPECT_EQ(S_OK, parent.TryGetAttributesOf(last, attributes));
    EXPECT_TRUE(attributes & SFGAO_FOLDER);

    IDataObject* data = nullptr;
    EXPECT_EQ(E_INVALIDARG, f.folder.TryGetDataObject({}, nullptr, &data));
    EXPECT_EQ(UINT(IDS_CREATE_DATA_OBJECT_FAILED), ThrownId([&] { f.folder.GetDataObject({}, nullptr, &data); }));
}

// The shell's own data object carries the lists a drop would.
TEST(ShellFolder, DataObjectOfItems)
{
    CShellFixture f;
    const CItemIDList a = f.Child(L"Report.v2.txt"), b = f.Child(L"noext");
    IDataObject* data = nullptr;
    f.folder.GetDataObject({a, b}, nullptr, &data);
    ASSERT_NE(nullptr, data);
    std::vector<CItemIDList> lists;
    ReadIDListsFromDataObject(data, lists, true);
    data->Release();
    ASSERT_EQ(2u, lists.size());
    EXPECT_EQ(f.dir + L"\\noext", lists[0].GetPath());
    EXPECT_EQ(f.dir + L"\\Report.v2.txt", lists[1].GetPath());
}

// GetDetailsEx may be missing (it is under Wine): the find data then fails
// cleanly; where it exists it names the file.
TEST(ShellFolder, FindDataWhereTheShellHasIt)
{
    CShellFixture f;
    WIN32_FIND_DATAW data = {};
    const HRESULT hr = f.folder.GetFindData(f.Child(L"noext"), data);
    if (SUCCEEDED(hr))
        EXPECT_STREQ(L"noext", data.cFileName);
    else
        EXPECT_EQ(0, data.cFileName[0]);

    IFileSystemBindData* bindData = nullptr;
    WIN32_FIND_DATAW in = {};
    in.nFileSizeLow = 42;
    EXPECT_EQ(E_POINTER, CreateFileSystemBindData(in, nullptr));
    ASSERT_EQ(S_OK, CreateFileSystemBindData(in, &bindData));
    WIN32_FIND_DATAW out = {};
    EXPECT_EQ(S_OK, bindData->GetFindData(&out));
    EXPECT_EQ(42u, out.nFileSizeLow);
    EXPECT_EQ(0u, bindData->Release());
}
