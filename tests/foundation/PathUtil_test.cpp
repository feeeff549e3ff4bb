#include "foundation/PathUtil.h"
#include "foundation/Error.h"
#include "tests/common/TestSupport.h"
#include <gtest/gtest.h>
#include <shlwapi.h>
#include <algorithm>
#include <functional>
#include <vector>

namespace {

struct EditCase {
    const wchar_t* in;
    bool result;
    const wchar_t* out;
};

void CheckEdits(const char* what, bool (*edit)(std::wstring&), std::initializer_list<EditCase> cases)
{
    for (const EditCase& c : cases) {
        std::wstring path = c.in;
        EXPECT_EQ(c.result, edit(path)) << what << " " << Narrow(c.in);
        EXPECT_EQ(std::wstring(c.out), path) << what << " " << Narrow(c.in);
    }
}

} // namespace

TEST(PathUtil, SeparatorEdits)
{
    CheckEdits("AppendSeparator", AppendSeparator,
               {{L"", true, L"\\"}, {L"a", true, L"a\\"}, {L"a/", false, L"a/"}, {L"a\\", false, L"a\\"}});
    CheckEdits("RemoveTrailingBackslash", RemoveTrailingBackslash,
               {{L"a\\", true, L"a"}, {L"a/", false, L"a/"}, {L"", false, L""}});
    CheckEdits("RemoveTrailingSeparator", RemoveTrailingSeparator,
               {{L"a/", true, L"a"}, {L"a\\\\", true, L"a\\"}, {L"a", false, L"a"}});
    CheckEdits("RemoveTrailingSeparatorKeepRoot", RemoveTrailingSeparatorKeepRoot,
               {{L"D:\\", false, L"D:\\"}, {L"D:\\dir\\", true, L"D:\\dir"}, {L"D:/", true, L"D:"},
                {L"\\", true, L""}});
    CheckEdits("AppendSeparatorAfterColon", AppendSeparatorAfterColon,
               {{L"D:", true, L"D:\\"}, {L"1:", true, L"1:\\"}, {L"D:\\", false, L"D:\\"}});
    CheckEdits("AppendSeparatorToDriveSpec", AppendSeparatorToDriveSpec,
               {{L"D:", true, L"D:\\"}, {L"1:", false, L"1:"}, {L"", false, L""}});

    std::wstring p = L"a/b\\c";
    EXPECT_TRUE(NormaliseSeparators(p, L'\\'));
    EXPECT_EQ(L"a\\b\\c", p);
    EXPECT_FALSE(NormaliseSeparators(p, L'\\'));
    EXPECT_TRUE(NormaliseSeparators(p, L'/'));
    EXPECT_EQ(L"a/b/c", p);
    EXPECT_EQ(L'a', FoldPathChar(L'A'));
    EXPECT_EQ(L'\\', FoldPathChar(L'/'));
    EXPECT_EQ(L'\u00C9', FoldPathChar(L'\u00C9'));
}

TEST(PathUtil, RootForms)
{
    typedef bool (*Pred)(const std::wstring&);
    struct Case {
        const char* name;
        Pred pred;
        const wchar_t* path;
        bool expected;
    } const cases[] = {
        {"IsAbsolutePath", IsAbsolutePath, L"C:\\x", true},
        {"IsAbsolutePath", IsAbsolutePath, L"C:/x", false},
        {"IsAbsolutePath", IsAbsolutePath, L"\\\\s", true},
        {"IsAbsolutePath", IsAbsolutePath, L"C:", false},
        {"IsRootRelative", IsRootRelative, L"\\", true},
        {"IsRootRelative", IsRootRelative, L"\\x", true},
        {"IsRootRelative", IsRootRelative, L"\\\\x", false},
        {"IsDriveRoot", IsDriveRoot, L"D:\\", true},
        {"IsDriveRoot", IsDriveRoot, L"D:\\x", false},
        {"IsDriveRoot", IsDriveRoot, L"D:", false},
        {"IsDriveSpec", IsDriveSpec, L"D:", true},
        {"IsDriveSpec", IsDriveSpec, L"1:", false},
        {"IsDriveSpec", IsDriveSpec, L"", false},
        {"EndsWithDriveRoot", EndsWithDriveRoot, L"D:/", true},
        {"IsDriveOrDriveRoot", IsDriveOrDriveRoot, L"D:\\", true},
        {"IsUncShareRoot", IsUncShareRoot, L"\\\\srv\\share", true},
        {"IsUncShareRoot", IsUncShareRoot, L"\\\\srv\\share\\", true},
        {"IsUncShareRoot", IsUncShareRoot, L"\\\\srv\\share\\x", false},
        {"IsUncShareRoot", IsUncShareRoot, L"\\\\srv", false},
        {"IsUncRoot", IsUncRoot, L"\\\\", true},
        {"IsUncRoot", IsUncRoot, L"\\\\srv", true},
        {"IsUncRoot", IsUncRoot, L"//srv/", true},
        {"IsUncRoot", IsUncRoot, L"\\\\srv\\share", false},
        {"IsRootPath", IsRootPath, L"\\\\srv\\share\\", true},
        {"IsRootPath", IsRootPath, L"\\\\srv\\share", true},
        {"IsRootPath", IsRootPath, L"\\\\srv", true},
        {"IsRootPath", IsRootPath, L"\\\\srv\\share\\x", false},
        {"IsRootPath", IsRootPath, L"\\\\srv\\share\\\\", false},
        {"IsRootPath", IsRootPath, L"\\", true},
        {"IsRootPath", IsRootPath, L"\\\\\\", true},
        {"IsRootPath", IsRootPath, L"C:\\", true},
        {"IsRootPath", IsRootPath, L"C:", false},
        {"IsRootPath", IsRootPath, L"C:\\x", false},
        {"IsRootPath", IsRootPath, L"\\x", false},
        {"IsRootPath", IsRootPath, L"", false},
        {"IsTopLevel", IsTopLevel, L"name", true},
        {"IsTopLevel", IsTopLevel, L"C:", true},
        {"IsTopLevel", IsTopLevel, L"C:\\", true},
        {"IsTopLevel", IsTopLevel, L"C:\\x", false},
        {"IsTopLevel", IsTopLevel, L"", false},
        {"HasNoSeparator", HasNoSeparator, L"a/b", false},
        {"HasNoFolderPart", HasNoFolderPart, L"\\a", true},
        {"HasNoFolderPart", HasNoFolderPart, L"a\\b", false},
        {"IsRelativePath", IsRelativePath, L"a\\b", true},
        {"IsRelativePath", IsRelativePath, L"C:\\a", false},
        {"IsFloppyDrive", IsFloppyDrive, L"C:\\", false},
        {"IsFloppyDrive", IsFloppyDrive, L"x", false},
        {"IsValidPathSyntax", IsValidPathSyntax, L"", true},
        {"IsValidPathSyntax", IsValidPathSyntax, L"a", true},
        {"IsValidPathSyntax", IsValidPathSyntax, L"a\\b/c\\", true},
        {"IsValidPathSyntax", IsValidPathSyntax, L"a\\\\b", false},
        {"IsValidPathSyntax", IsValidPathSyntax, L"\\a", false},
        {"IsValidPathSyntax", IsValidPathSyntax, L"a\\\\", false},
        {"IsValidPathSyntax", IsValidPathSyntax, L"C:\\a", false},
        {"IsValidPathSyntax", IsValidPathSyntax, L"a?b", false},
        {"IsValidPathSyntax", IsValidPathSyntax, L"a|b", false},
        {"IsValidPathSyntax", IsValidPathSyntax, L"\u65E5\u672C\\x y.txt", true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.expected, c.pred(c.path)) << c.name << " " << Narrow(c.path);
}

TEST(PathUtil, RootLengthAndDrive)
{
    struct Case {
        const wchar_t* path;
        size_t rootLength;
        wchar_t drive;
    } const cases[] = {
        {L"\\\\srv\\share\\x", 6, L'_'}, {L"\\\\srv", 5, L'_'}, {L"\\x", 1, L'_'},
        {L"C:\\x", 3, L'C'},             {L"C:x", 2, L'C'},     {L"x\\y", 0, L'_'},
        {L"", 0, L'_'},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.rootLength, GetPathRootLength(c.path)) << Narrow(c.path);
        EXPECT_EQ(c.drive, GetDriveLetter(c.path)) << Narrow(c.path);
    }
    std::wstring root, rest;
    SplitRoot(L"C:\\a\\b", root, rest);
    EXPECT_EQ(L"C:\\", root);
    EXPECT_EQ(L"a\\b", rest);
    EXPECT_EQ(L"_:\\", MakeDriveRoot(L"\\\\srv\\share"));
    EXPECT_EQ(L"d:\\", MakeDriveRoot(L"d:\\x"));
}

TEST(PathUtil, Splitting)
{
    struct Case {
        const wchar_t* path;
        const wchar_t* folder;
        const wchar_t* name;
    } const cases[] = {
        {L"file.txt", L"", L"file.txt"},
        {L"C:\\dir\\file.txt", L"C:\\dir\\", L"file.txt"},
        {L"C:/dir/", L"C:/dir/", L""},
        {L"", L"", L""},
    };
    for (const Case& c : cases) {
        std::wstring path = c.path, name = L"x";
        SplitPathFileName(path, name);
        EXPECT_EQ(std::wstring(c.folder), path) << Narrow(c.path);
        EXPECT_EQ(std::wstring(c.name), name) << Narrow(c.path);
    }

    struct Parent {
        const wchar_t* path;
        const wchar_t* parentFolder;  // ParentFolderOf
        const wchar_t* parentPath;    // ParentPath
        const wchar_t* last;          // GetLastComponent
    } const parents[] = {
        {L"C:\\dir\\sub\\", L"C:\\dir\\", L"C:\\dir\\sub", L"sub"},
        {L"C:\\dir", L"C:\\", L"C:", L"dir"},
        {L"C:\\", L"", L"C:", L"C:"},
        {L"\\\\srv\\share", L"", L"\\\\srv", L"share"},
        {L"\\\\srv\\share\\d", L"\\\\srv\\share\\", L"\\\\srv\\share", L"d"},
        {L"name", L"", L"", L"name"},
        {L"", L"", L"", L""},
    };
    for (const Parent& c : parents) {
        EXPECT_EQ(std::wstring(c.parentFolder), ParentFolderOf(c.path)) << Narrow(c.path);
        EXPECT_EQ(std::wstring(c.parentPath), ParentPath(c.path)) << Narrow(c.path);
        std::wstring last;
        GetLastComponent(c.path, last);
        EXPECT_EQ(std::wstring(c.last), last) << Narrow(c.path);
    }
    std::wstring path = L"C:\\a\\b\\", name;
    EXPECT_TRUE(SplitLastComponent(path, name));
    EXPECT_EQ(L"C:\\a\\", path);
    EXPECT_EQ(L"b", name);
    path = L"C:\\";
    EXPECT_FALSE(RemoveLastComponent(path));
    EXPECT_EQ(L"C:\\", path);

    std::wstring first, rest;
    SplitFirstComponent(L"a\\b\\c", first, rest);
    EXPECT_EQ(L"a", first);
    EXPECT_EQ(L"b\\c", rest);
    SplitFirstComponent(L"a/b", first, rest);
    EXPECT_EQ(L"a/b", first);
    EXPECT_EQ(L"", rest);
}

TEST(PathUtil, TitlesAndExtensions)
{
    struct Case {
        const wchar_t* path;
        bool ok;
        const wchar_t* title;
        const wchar_t* ext;
    } const cases[] = {
        {L"C:\\d.x\\a.tar.gz", true, L"a.tar", L"gz"},
        {L"C:\\d.x\\readme", true, L"readme", L""},
        {L".hidden", true, L"", L"hidden"},
        {L"name.", true, L"name", L""},
        {L"C:\\dir\\", false, L"", L""},
    };
    for (const Case& c : cases) {
        std::wstring title = L"t", ext = L"e";
        EXPECT_EQ(c.ok, SplitFileTitleExt(c.path, title, ext)) << Narrow(c.path);
        EXPECT_EQ(std::wstring(c.title), title) << Narrow(c.path);
        EXPECT_EQ(std::wstring(c.ext), ext) << Narrow(c.path);
    }
    std::wstring out;
    GetFileName(L"x\\photo.jpg", out, false);
    EXPECT_EQ(L"photo", out);
    GetFileName(L"x\\photo.jpg", out, true);
    EXPECT_EQ(L"photo.jpg", out);
    EXPECT_TRUE(GetFileExt(L"a.PNG", out));
    EXPECT_EQ(L"PNG", out);
    EXPECT_EQ(L"a.png", MakeFileName(L"a", L"png"));
    EXPECT_EQ(L"a", MakeFileName(L"a", L""));
}

TEST(PathUtil, Joining)
{
    struct Case {
        const wchar_t* folder;
        const wchar_t* name;
        const wchar_t* joined;
    } const cases[] = {
        {L"D:", L"x", L"D:x"},       {L"", L"x", L"x"},          {L"a/", L"x", L"a/x"},
        {L"a\\", L"x", L"a\\x"},     {L"a", L"x", L"a\\x"},      {L"a", L"", L"a\\"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(std::wstring(c.joined), PathJoined(c.folder, c.name));
        std::wstring out;
        JoinPath(out, c.name, c.folder);
        EXPECT_EQ(std::wstring(c.joined), out);
    }

    struct SepCase {
        const wchar_t* a;
        const wchar_t* b;
        const wchar_t* joined;
    } const sepCases[] = {
        {L"a", L"", L"a"},       {L"", L"b", L"b"},      {L"a\\", L"\\b", L"a\\b"},
        {L"a/", L"b", L"a/b"},   {L"a", L"/b", L"a/b"},  {L"a", L"b", L"a|b"},
    };
    for (const SepCase& c : sepCases) {
        std::wstring out = L"old";
        JoinPathWithSeparator(out, c.a, c.b, L'|');
        EXPECT_EQ(std::wstring(c.joined), out) << Narrow(c.a) << "+" << Narrow(c.b);
    }
    std::wstring same = L"a";
    JoinPathWithSeparator(same, same, L"b", L'\\');  // out may be one of the inputs
    EXPECT_EQ(L"a\\b", same);
}

TEST(PathUtil, FoldersAndRelativePaths)
{
    struct Prefix {
        const wchar_t* a;
        const wchar_t* b;
        const wchar_t* common;
    } const prefixes[] = {
        {L"C:\\dir\\a", L"c:\\DIR\\b", L"C:\\dir"},
        {L"C:\\dir", L"C:\\dir\\file", L"C:\\dir"},
        {L"C:\\abc", L"C:\\abd", L"C:"},
        {L"C:\\x\\y", L"C:\\x/z", L"C:\\x"},
        {L"abc", L"abd", L""},
        {L"same", L"same", L"same"},
        {L"C:\\\u00C4\\a", L"c:\\\u00E4\\b", L"C:\\\u00C4"},
    };
    for (const Prefix& c : prefixes) {
        std::wstring out;
        CommonPathPrefix(c.a, c.b, out);
        EXPECT_EQ(std::wstring(c.common), out) << Narrow(c.a) << " " << Narrow(c.b);
    }

    EXPECT_TRUE(IsPathInFolder(L"C:\\Dir\\x", L"c:\\dir"));
    EXPECT_TRUE(IsPathInFolder(L"C:\\Dir\\x", L"c:\\dir\\"));
    EXPECT_TRUE(IsPathInFolder(L"C:\\dir", L"C:\\dir"));
    EXPECT_FALSE(IsPathInFolder(L"C:\\directory", L"C:\\dir"));
    EXPECT_TRUE(IsPathInFolder(L"anything", L""));

    std::wstring rel;
    EXPECT_TRUE(MakeRelativeTo(rel, L"C:\\Dir\\sub\\f.txt", L"c:\\dir"));
    EXPECT_EQ(L"sub\\f.txt", rel);
    EXPECT_TRUE(MakeRelativeTo(rel, L"C:\\dir\\f.txt", L"C:\\dir\\"));
    EXPECT_EQ(L"f.txt", rel);
    EXPECT_FALSE(MakeRelativeTo(rel, L"C:\\other\\f.txt", L"C:\\dir"));
    EXPECT_TRUE(MakeRelativeTo(rel, L"x", L""));
    EXPECT_EQ(L"x", rel);

    EXPECT_TRUE(IsPathUnderFolder(L"C:\\Dir\\", L"c:\\dir\\x"));
    EXPECT_TRUE(IsPathUnderFolder(L"C:\\Dir", L"c:\\dir"));
    EXPECT_FALSE(IsPathUnderFolder(L"C:\\Dir", L"c:\\dirt"));
    EXPECT_TRUE(IsPathUnderFolder(L"C:\\\uFF26\uFF4F\uFF4F", L"c:\\\uFF46\uFF4F\uFF4F\\x"));
    EXPECT_FALSE(IsPathUnderFolder(L"", L"c:\\dir"));

    std::wstring out = L"old";
    RebasePath(out, L"C:\\old\\a/b.txt", L"c:\\OLD\\", L"D:/new", L'/');
    EXPECT_EQ(L"D:/new/a/b.txt", out);
    RebasePath(out, L"C:\\old", L"C:\\old", L"D:\\new", L'\\');
    EXPECT_EQ(L"D:\\new", out);
    RebasePath(out, L"C:\\elsewhere\\a", L"C:\\old", L"D:\\new", L'\\');
    EXPECT_EQ(L"", out);

    EXPECT_TRUE(MakeRelativePath(rel, L"C:\\a\\b", L"C:\\a\\c\\d.txt"));
    EXPECT_EQ(L"..\\c\\d.txt", rel);
    EXPECT_TRUE(MakeRelativePath(rel, L"C:\\a", L"C:\\a\\d.txt"));
    EXPECT_EQ(L".\\d.txt", rel);
    EXPECT_FALSE(MakeRelativePath(rel, L"", L"C:\\a\\d.txt"));
    EXPECT_FALSE(MakeRelativePath(rel, L"C:\\a", L"D:\\a\\d.txt"));

    EXPECT_TRUE(ResolveRelativePath(rel, L"C:\\a\\b\\", L"..\\c\\.\\d.txt"));
    EXPECT_EQ(L"C:\\a\\c\\d.txt", rel);
    EXPECT_FALSE(ResolveRelativePath(rel, L"C:\\a", L"C:\\d.txt"));
    EXPECT_FALSE(ResolveRelativePath(rel, L"", L"d.txt"));
}

TEST(PathUtil, Comparisons)
{
    EXPECT_TRUE(EqualPathsIgnoringTrailingSeparator(L"C:\\Dir", L"c:\\dir"));
    EXPECT_TRUE(EqualPathsIgnoringTrailingSeparator(L"C:\\Dir\\", L"c:\\dir"));
    EXPECT_TRUE(EqualPathsIgnoringTrailingSeparator(L"c:\\dir", L"C:\\Dir/"));
    EXPECT_FALSE(EqualPathsIgnoringTrailingSeparator(L"C:\\Dirs", L"c:\\dir"));
    EXPECT_TRUE(EqualPathsIgnoringTrailingSeparator(L"C:\\\u00C4\\", L"c:\\\u00E4"));
    EXPECT_FALSE(EqualPathsIgnoringTrailingSeparator(L"C:\\Dir\\\\", L"c:\\dir"));
    EXPECT_TRUE(EqualPathsSeparatorsAlike(L"a/b\\c", L"a\\b/c"));
    EXPECT_FALSE(EqualPathsSeparatorsAlike(L"A/b", L"a/b"));
}

TEST(PathUtil, NaturalOrder)
{
    struct Case {
        const wchar_t* a;
        const wchar_t* b;
        int sign;
    } const cases[] = {
        {L"dir\\x2.png", L"dir\\x10.png", -1},
        {L"dir\\x10.png", L"dir\\x2.png", 1},
        {L"DIR/x2", L"dir\\X2", 0},
        {L"a", L"a\\b", -1},
        {L"a\\b", L"a", 1},
        {L"a10\\z", L"a9\\a", 1},    // components compare as wholes
        {L"a\\z", L"b\\a", -1},
        {L"", L"", 0},
    };
    for (const Case& c : cases) {
        int r = ComparePathsNatural(c.a, c.b);
        EXPECT_EQ(c.sign, (r > 0) - (r < 0)) << Narrow(c.a) << " vs " << Narrow(c.b);
    }
    std::vector<std::wstring> names{L"p\\img10.png", L"p\\img2.png", L"p\\img1.png", L"o\\img9.png"};
    std::sort(names.begin(), names.end(),
              [](const std::wstring& a, const std::wstring& b) { return ComparePathsNatural(a, b) < 0; });
    EXPECT_EQ((std::vector<std::wstring>{L"o\\img9.png", L"p\\img1.png", L"p\\img2.png", L"p\\img10.png"}), names);
}

TEST(PathUtil, DotComponentsAndFullWidth)
{
    struct Case {
        const wchar_t* in;
        const wchar_t* out;
    } const cases[] = {
        {L"a\\....\\b", L"a\\..\\..\\b"}, {L"a\\.\\b", L"a\\b"},     {L"a\\...\\b", L"a\\..\\b"},
        {L"a\\\\b", L"a\\\\b"},           {L".", L""},                {L"a/./b", L"a/./b"},
        {L"..", L".."},                   {L"", L""},
    };
    for (const Case& c : cases) {
        std::wstring p = c.in;
        EXPECT_TRUE(NormaliseDotComponents(p));
        EXPECT_EQ(std::wstring(c.out), p) << Narrow(c.in);
    }
    EXPECT_EQ(L"a\u201D\uFF0A\uFF0C\uFF0F\uFF1A\uFF1B\uFF1C\uFF1E\uFF1F\uFF3C\uFF5Cz",
              ToFullWidthFileNameChars(L"a\"*,/:;<>?\\|z"));
}

TEST(PathUtil, FileSystem)
{
    CTempFolder temp;
    std::wstring file = temp.File(L"f.txt");
    ASSERT_TRUE(WriteFileBytes(file, "x"));
    EXPECT_TRUE(PathExists(file));
    EXPECT_TRUE(IsExistingFile(file));
    EXPECT_TRUE(PathExists(temp.Path()));
    EXPECT_FALSE(IsExistingFile(temp.Path()));

    EXPECT_TRUE(EqualPathsIgnoringTrailingSeparator(temp.Path(), NearestExistingFolder(temp.File(L"no\\such\\x"))));
    EXPECT_EQ(file, NearestExistingPath(file + L"\\deeper\\"));
    EXPECT_EQ(L"C:", NearestExistingFolder(L"C:\\"));

    // Unique names count from 0 and skip what exists.
    EXPECT_EQ(temp.File(L"out0.png"), MakeUniquePath(temp.Path(), L"out", L".png"));
    ASSERT_TRUE(WriteFileBytes(temp.File(L"out0.png"), ""));
    ASSERT_TRUE(WriteFileBytes(temp.File(L"out1.png"), ""));
    EXPECT_EQ(temp.File(L"out2.png"), MakeUniquePath(temp.Path(), L"out", L".png"));

    // The folder of a file, or the folder itself with a trailing backslash.
    EXPECT_TRUE(CreateFolderForPath(temp.File(L"a\\b\\file.txt")));
    EXPECT_TRUE(PathIsDirectoryW(temp.File(L"a\\b").c_str()));
    EXPECT_FALSE(PathExists(temp.File(L"a\\b\\file.txt")));
    EXPECT_TRUE(CreateFolderForPath(temp.File(L"c\\d\\")));
    EXPECT_TRUE(PathIsDirectoryW(temp.File(L"c\\d").c_str()));
    EXPECT_TRUE(CreateFolderForPath(temp.File(L"c\\d\\")));  // already there

    std::wstring full;
    EXPECT_TRUE(GetFullPath(full, temp.File(L"a\\..\\f.txt")));
    EXPECT_EQ(file, full);
    EXPECT_FALSE(GetFullPath(full, std::wstring(400, L'x')));
    EXPECT_EQ(std::wstring(400, L'x'), GetFullPathOrSelf(std::wstring(400, L'x')));
    EXPECT_EQ(L"", GetFullPathOrSelf(L""));

    std::wstring canon;
    EXPECT_TRUE(CanonicalizePath(canon, L"C:\\a\\.\\b\\..\\c"));
    EXPECT_EQ(L"C:\\a\\c", canon);
    std::wstring inPlace = L"C:\\x\\..\\y";
    EXPECT_TRUE(CanonicalizePathInPlace(inPlace));
    EXPECT_EQ(L"C:\\y", inPlace);
    // A path longer than the system takes is refused, never written past the buffer.
    std::wstring longPath = L"C:\\" + std::wstring(700, L'a');
    EXPECT_FALSE(CanonicalizePath(canon, longPath));
    EXPECT_EQ(L"", canon);
    EXPECT_FALSE(CanonicalizePathInPlace(longPath));
    EXPECT_EQ(703u, longPath.size());
}

TEST(PathUtil, SystemFolders)
{
    std::wstring program, folder, module(MAX_PATH, L'\0');
    module.resize(GetModuleFileNameW(nullptr, &module[0], MAX_PATH));
    ASSERT_TRUE(GetProgramPath(program));
    EXPECT_TRUE(EqualPathsIgnoringTrailingSeparator(module, program)) << Narrow(program);
    ASSERT_TRUE(GetProgramFolder(folder));
    EXPECT_TRUE(EndsWithPathSeparator(folder));
    EXPECT_TRUE(IsPathInFolder(program, folder));

    std::wstring temp, temp2, current, appData;
    EXPECT_TRUE(GetTempFolder(temp));
    EXPECT_TRUE(EndsWithPathSeparator(temp));
    EXPECT_EQ(S_OK, GetTempPathString(temp2));
    EXPECT_EQ(temp, temp2);
    GetTempPathOrThrow(temp2);
    EXPECT_EQ(temp, temp2);
    EXPECT_TRUE(GetCurrentFolder(current));
    EXPECT_TRUE(PathIsDirectoryW(current.c_str()));
    EXPECT_TRUE(GetAppDataFolder(appData));
    EXPECT_TRUE(PathIsDirectoryW(appData.c_str()));
}
