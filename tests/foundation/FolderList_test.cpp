#include "foundation/FolderList.h"
#include "platform/FindFile.h"
#include "tests/common/TestSupport.h"
#include <gtest/gtest.h>
#include <shlobj.h>
#include <algorithm>
#include <sstream>

namespace {

void MakeTree(const CTempFolder& temp, const std::vector<std::wstring>& files)
{
    for (const std::wstring& f : files) {
        const std::wstring path = temp.File(f);
        const size_t slash = path.rfind(L'\\');
        SHCreateDirectoryExW(nullptr, path.substr(0, slash).c_str(), nullptr);
        ASSERT_TRUE(WriteFileBytes(path, "x")) << Narrow(path);
    }
}

CPathList Sorted(CPathList list)
{
    list.sort();
    return list;
}

} // namespace

std::vector<std::wstring> NamesOf(const std::vector<CFolderFilePtr>& files)
{
    std::vector<std::wstring> names;
    for (const CFolderFilePtr& file : files)
        names.push_back(file->name);
    return names;
}

TEST(FolderList, ImageFilesPatternsRecursionAndMissingFolder)
{
    CTempFolder temp;
    MakeTree(temp, {L"A.PNG", L"b.jpeg", L"c.jpe", L"d.tif", L"e.tiff", L"f.png.txt", L"g.jpegx", L"h.JPG",
                    L"i.jfif", L"j.Gif", L"k.bmp", L".png", L"png", L"l.t\x131f", L"x\\a.png",
                    L"x\\y\\deep.bmp", L"x\\note.txt", L"dir.png\\in.txt"});
    std::vector<CFolderFilePtr> files;
    ListImageFiles(files, temp.Path());
    std::vector<std::wstring> names = NamesOf(files);
    std::sort(names.begin(), names.end());
    EXPECT_EQ((std::vector<std::wstring>{L".png", L"A.PNG", L"b.jpeg", L"c.jpe", L"d.tif", L"e.tiff", L"h.JPG",
                                         L"i.jfif", L"j.Gif", L"k.bmp"}),
              names);

    CPathList out;
    ASSERT_TRUE(ListFolder(out, temp.Path().c_str(), L"\\.(PNG|png|bmp)$", true));
    EXPECT_EQ(Sorted({L".png", L"A.PNG", L"k.bmp", L"x\\a.png", L"x\\y\\deep.bmp"}), Sorted(out));
    // No pattern: every file, folders never.
    ASSERT_TRUE(ListFolder(out, (temp.Path() + L"\\x").c_str(), nullptr, false));
    EXPECT_EQ(Sorted({L"a.png", L"note.txt"}), Sorted(out));

    ASSERT_TRUE(ListFolder(out, temp.File(L"missing").c_str(), nullptr, true));
    EXPECT_TRUE(out.empty());
    files.clear();
    ListImageFiles(files, temp.File(L"missing"));
    ListImageFiles(files, temp.File(L"A.PNG"));
    EXPECT_TRUE(files.empty());
    out.push_back(L"stale");
    EXPECT_FALSE(ListFolder(out, temp.Path().c_str(), L"(unbalanced", true));
    EXPECT_TRUE(out.empty());

    ASSERT_TRUE(ListFolderFiles(files, temp.Path() + L"\\x", true, L"\\.png$"));
    ASSERT_EQ(1u, files.size());
    EXPECT_EQ(temp.Path() + L"\\x\\a.png", files[0]->path);
    EXPECT_EQ(L"a.png", files[0]->name);
    EXPECT_EQ(L"a", files[0]->Title());
    EXPECT_EQ(L"png", files[0]->Extension());
}

// The folder is read in blocks: every file comes once, in the order the
// system's own search gives.
TEST(FolderList, ImageFilesOfALargeFolderInTheSearchOrder)
{
    CTempFolder temp;
    std::vector<std::wstring> made;
    for (int i = 0; i < 300; ++i)
        made.push_back(L"picture number " + std::to_wstring(i) + (i % 3 ? L".png" : L".txt"));
    MakeTree(temp, made);
    std::vector<std::wstring> searched;
    CFindFile find;
    for (bool more = find.FindFile((temp.Path() + L"\\*").c_str()); more; more = find.FindNextFile())
        if (std::wstring(find.GetFileName()).find(L".png") != std::wstring::npos)
            searched.push_back(temp.Path() + L"\\" + find.GetFileName());
    std::vector<CFolderFilePtr> files;
    ListImageFiles(files, temp.Path());
    std::vector<std::wstring> listed;
    for (const CFolderFilePtr& file : files)
        listed.push_back(file->path);
    EXPECT_EQ(200u, listed.size());
    EXPECT_EQ(searched, listed);
}

TEST(FolderList, EntriesAndSubfoldersTestTheDirectoryAttribute)
{
    CTempFolder temp;
    MakeTree(temp, {L"file.txt", L"s1\\in.txt", L"s2\\t\\deep.txt"});
    CPathList out;
    ListEntries(out, temp.Path(), nullptr, FILE_ATTRIBUTE_DIRECTORY, FILE_ATTRIBUTE_DIRECTORY, true);
    EXPECT_EQ(Sorted({L"s1", L"s2", L"s2\\t"}), Sorted(out));
    ASSERT_TRUE(ListEntries(out, temp.Path(), std::wstring(L"^[a-z]+\\.txt$"), FILE_ATTRIBUTE_DIRECTORY, 0, true));
    EXPECT_EQ(Sorted({L"file.txt", L"s1\\in.txt", L"s2\\t\\deep.txt"}), Sorted(out));
    EXPECT_FALSE(ListEntries(out, temp.Path(), std::wstring(L"["), 0, 0, true));

    // The folders-only search returns files under Wine; they must stay out.
    ASSERT_TRUE(ListSubfolderNames(out, temp.Path().c_str()));
    EXPECT_EQ(Sorted({L"s1", L"s2"}), Sorted(out));
    EXPECT_FALSE(ListSubfolderNamesMatching(out, std::wstring(MAX_PATH + 1, L'a')));
    EXPECT_EQ(DWORD(ERROR_INVALID_NAME), GetLastError());
}

TEST(FolderList, NaturalOrder)
{
    struct Case {
        const wchar_t* a;
        const wchar_t* b;
        bool filesFirst;
        bool less;
    } const cases[] = {
        {L"img2.png", L"img10.png", true, true},
        {L"img10.png", L"img2.png", true, false},
        {L"x\\2\\a", L"x\\10\\a", true, true},
        {L"b.png", L"a\\c.png", true, true},
        {L"b.png", L"a\\c.png", false, false},
        {L"a\\c.png", L"b.png", false, true},
        {L"same\\p", L"same\\p", true, false},
        {L"same\\p", L"same\\p", false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Narrow(std::wstring(c.a) + L" < " + c.b));
        EXPECT_EQ(c.less, PathLessNatural(c.filesFirst)(c.a, c.b));
    }
    CPathList names = {L"p10", L"p9", L"P1", L"p100"};
    SortNatural(names);
    EXPECT_EQ(CPathList({L"P1", L"p9", L"p10", L"p100"}), names);
    CPathList paths = {L"d\\z", L"b10", L"b9", L"a\\1"};
    SortPathsNatural(paths, true);
    EXPECT_EQ(CPathList({L"b9", L"b10", L"a\\1", L"d\\z"}), paths);
}

TEST(FolderList, SeparatedForms)
{
    std::wstring joined;
    JoinNulSeparated({L"a", L"b"}, joined);
    EXPECT_EQ(std::wstring(L"a\0b\0\0", 5), joined);
    CPathList out;
    SplitNulSeparated(out, joined.c_str());
    EXPECT_EQ(CPathList({L"a", L"b"}), out);
    SplitNulSeparated(out, L"\0a\0");
    EXPECT_TRUE(out.empty());
    SplitNulSeparatedAnsi(out, "\x82\xa0\0b\0");  // "あ" in code page 932
    EXPECT_EQ(CPathList({L"\u3042", L"b"}), out);

    JoinLines({L"a", L"b"}, joined);
    EXPECT_EQ(L"a\r\nb\r\n", joined);
    std::wostringstream os;
    WriteLines({L"a", L"b"}, os);
    EXPECT_EQ(L"a\nb\n", os.str());

    MakeFullPaths({L"x", L"s\\y"}, L"C:\\base", out);
    EXPECT_EQ(CPathList({L"C:\\base\\x", L"C:\\base\\s\\y"}), out);
    ASSERT_TRUE(MakeAbsolutePaths({L"C:\\a\\..\\b"}, out));
    EXPECT_EQ(CPathList({L"C:\\b"}), out);
    EXPECT_FALSE(MakeAbsolutePaths({L"C:\\" + std::wstring(MAX_PATH, L'a')}, out));
}
