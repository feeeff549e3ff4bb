#include "outline/OutputPath.h"
#include <gtest/gtest.h>

TEST(OutputPath, ReplaceAll)
{
    struct Case {
        const wchar_t* source;
        const wchar_t* what;
        const wchar_t* with;
        const wchar_t* result;
        bool replaced;
    };
    const Case cases[] = {
        {L"a-b-c", L"-", L"+", L"a+b+c", true},
        {L"aaa", L"a", L"aa", L"aaaaaa", true},      // replacements are not searched again
        {L"abab", L"aba", L"x", L"xb", true},        // the search goes on behind the match
        {L"abc", L"x", L"y", L"abc", false},
        {L"abc", L"", L"y", L"abc", false},
        {L"abc", nullptr, L"y", L"abc", false},
        {L"abc", L"b", nullptr, L"ac", true},
        {nullptr, L"a", L"b", L"", false},
        {L"", L"a", L"b", L"", false},
    };
    for (const Case& c : cases) {
        std::wstring out = L"junk";
        EXPECT_EQ(c.replaced, ReplaceAll(out, c.source, c.what, c.with)) << (c.source ? "" : "null");
        EXPECT_EQ(c.result, out);
    }
    std::wstring text = L"x<a>y<a>";
    EXPECT_TRUE(ReplaceAll(text, L"<a>", L"<a><a>"));
    EXPECT_EQ(L"x<a><a>y<a><a>", text);
}

TEST(OutputPath, SplitAndTemplate)
{
    struct Case {
        const wchar_t* path;
        const wchar_t* templ;
        int index;
        const wchar_t* reference;
        const wchar_t* file;
    };
    const Case cases[] = {
        {L"C:\\out\\title.svg", L"<fname>_img_<no>.<ext>", 0, L"title_img_1.png", L"C:\\out\\title_img_1.png"},
        {L"C:\\out\\title.svg", L"<fname>_<index>.<ext>", 4, L"title_4.png", L"C:\\out\\title_4.png"},
        {L"title.svg", L"<fname>_img_<no>.<ext>", 1, L"title_img_2.png", L"title_img_2.png"},
        {L"C:/out/a.b.svg", L"sub\\<fname>.<ext>", 0, L"sub/a.b.png", L"C:\\out\\sub\\a.b.png"},
        {L"C:\\out\\plain.svg", L"fixed\\name.bmp", 3, L"fixed/name.bmp", L"C:\\out\\fixed\\name.bmp"},
        {L"C:\\out\\x\\t.svg", L"..\\<fname>.<ext>", 0, L"../t.png", L"C:\\out\\t.png"},
        // Each step runs over the text the step before left: a stem that
        // holds a later placeholder is expanded by that later step.
        {L"C:\\out\\<ext>.svg", L"<fname>.<ext>", 0, L"png.png", L"C:\\out\\png.png"},
    };
    for (const Case& c : cases) {
        COutputPathParts parts;
        parts.SetPath(c.path);
        EXPECT_EQ(c.reference, parts.ExpandTemplate(c.templ, c.index, parts.imageExtension)) << c.path;
        EXPECT_EQ(c.file, parts.MakeFilePath(c.templ, c.index, parts.imageExtension)) << c.path;
    }
    COutputPathParts parts;
    parts.SetPath(L"C:\\out\\title.svg");
    EXPECT_EQ(L"C:\\out\\", parts.folder);
    EXPECT_EQ(L"title", parts.stem);
    EXPECT_EQ(L"svg", parts.extension);
    parts.SetPath(L"noext");
    EXPECT_EQ(L"", parts.folder);
    EXPECT_EQ(L"noext", parts.stem);
    EXPECT_EQ(L"", parts.extension);
    EXPECT_EQ(L"a/b/c", SlashesToForward(L"a\\b/c"));
    EXPECT_EQ(L"a\\b\\c", SlashesToBackward(L"a\\b/c"));
}
