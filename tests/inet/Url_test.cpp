#include "inet/HttpClient.h"
#include "inet/Url.h"
#include "inet/UrlRequest.h"
#include "tests/common/TestSupport.h"
#include <gtest/gtest.h>
#include <sstream>

namespace {

CUrl Parsed(const std::wstring& text)
{
    CUrl url;
    url.Parse(text);
    return url;
}

std::string Hex(const std::string& bytes)
{
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 0xF];
    }
    return out;
}

} // namespace

TEST(Url, ParseSplitsTheParts)
{
    CUrl url = Parsed(L" \thttp://example.com:80/a/b.TXT?x=1 \r\n");
    EXPECT_EQ(L"http://example.com:80/a/b.TXT?x=1", url.Url);
    EXPECT_EQ(L"example.com", url.Host);
    EXPECT_EQ(L"", url.Port);
    EXPECT_EQ(L"http:", url.Scheme);
    EXPECT_EQ(L"/a/b.TXT", url.Path);
    EXPECT_EQ(L"/a/", url.Folder);
    EXPECT_EQ(L"b.TXT", url.FileName);
    EXPECT_EQ(L"TXT", url.Extension);
    EXPECT_EQ(L"txt", url.GetExtensionLower());
    EXPECT_EQ(L"?x=1", url.Extra);

    EXPECT_EQ(L"8080", Parsed(L"http://h:8080/").Port);
    // UTF-8 escapes survive parsing; only plain ASCII escapes are decoded.
    EXPECT_EQ(L"/%E6%97%A5 x", Parsed(L"http://h/%E6%97%A5%20x").Path);
    EXPECT_EQ(L"", Parsed(L"not a url").Host);
}

TEST(Url, ComposeRoundTrips)
{
    const wchar_t* texts[] = {L"http://example.com/a/b.txt?x=1", L"http://h:8080/p", L"http://h/"};
    for (const wchar_t* text : texts) {
        std::wstring composed;
        ASSERT_EQ(S_OK, Parsed(text).Compose(composed)) << Narrow(text);
        EXPECT_EQ(text, composed);
        EXPECT_TRUE(Parsed(composed).EqualsExactly(Parsed(text))) << Narrow(text);
    }
    // Longer than the first buffer: the size WinINet asks for is enough.
    CUrl longUrl = Parsed(L"http://h/");
    longUrl.SetPath(L"/" + std::wstring(3000, L'a') + L"?q=1");
    std::wstring composed;
    ASSERT_EQ(S_OK, longUrl.Compose(composed));
    EXPECT_EQ(longUrl.Url, composed);
}

TEST(Url, ResolveAgainstTheBaseFolder)
{
    CUrl base = Parsed(L"http://h:81/a/b/c.html?q");
    struct Case {
        const wchar_t* reference;
        const wchar_t* url;
    } cases[] = {
        {L"../c", L"http://h:81/a/c"},
        {L"/d", L"http://h:81/d"},
        {L"x/./y/../z.png", L"http://h:81/a/b/x/z.png"},
        // The query takes no part in removing "." and ".." segments.
        {L"e?r=/../f", L"http://h:81/a/b/e?r=/../f"},
        {L"http://other/p", L"http://other/p"},
    };
    for (const Case& c : cases) {
        CUrl out;
        ASSERT_EQ(S_OK, base.Resolve(out, c.reference)) << Narrow(c.reference);
        EXPECT_EQ(c.url, out.Url) << Narrow(c.reference);
    }
}

TEST(Url, EqualityAndRelation)
{
    CUrl a = Parsed(L"http://h/a/b");
    struct Case {
        const wchar_t* other;
        bool equals, exactly;
        int relation;
    } cases[] = {
        {L"http://h/a/b", true, true, 0},
        {L"http://h/x/b", false, false, 1},
        {L"http://h:81/a/b", false, false, 2},
        {L"ftp://h/a/b", false, false, 2},
        {L"http://h/a/b?x", false, false, 0},
    };
    for (const Case& c : cases) {
        CUrl other = Parsed(c.other);
        EXPECT_EQ(c.equals, a.Equals(other)) << Narrow(c.other);
        EXPECT_EQ(c.exactly, a.EqualsExactly(other)) << Narrow(c.other);
        EXPECT_EQ(c.relation, a.GetRelation(other)) << Narrow(c.other);
    }
    // Set paths are not unescaped: Equals compares them unescaped as well.
    CUrl escaped = Parsed(L"http://h/");
    escaped.SetPath(L"/a/%62");
    EXPECT_TRUE(a.Equals(escaped));
    EXPECT_FALSE(a.EqualsExactly(escaped));
    // An empty path and "/" are the same resource.
    CUrl root = Parsed(L"http://h/");
    root.SetPath(L"");
    EXPECT_TRUE(root.Equals(Parsed(L"http://h/")));
    EXPECT_TRUE(root.EqualsExactly(Parsed(L"http://h/")));
}

TEST(Url, LocalPathRoundTrips)
{
    const wchar_t* texts[] = {
        L"http://h/a/b.txt", L"http://h:8080/dir/sub/", L"http://h/q?x=1/2&y=*", L"http://h/日本/a b.txt",
    };
    for (const wchar_t* text : texts) {
        CUrl url = Parsed(text);
        std::wstring local;
        url.ToLocalPath(local, true);
        EXPECT_EQ(std::wstring::npos, local.find_first_of(L"/:*?\"<>|")) << Narrow(local);
        CUrl back;
        back.FromLocalPath(local, true);
        EXPECT_TRUE(back.EqualsExactly(url)) << Narrow(local) << " -> " << Narrow(back.Url);
        EXPECT_EQ(url.Url, back.Url);
    }
    std::wstring local;
    Parsed(L"http://h:8080/a/b.txt").ToLocalPath(local, true);
    EXPECT_EQ(L"http：h：8080\\a\\b.txt", local);
    CUrl folderOnly;
    folderOnly.FromLocalPath(local, false);
    EXPECT_EQ(L"http://h:8080/a", folderOnly.Url);
}

TEST(Url, TranslationTables)
{
    struct Case {
        void (*translate)(std::wstring&);
        const wchar_t* in;
        const wchar_t* out;
    } cases[] = {
        {MakeFileNameSafe, L"a/b:c\\d*e?f\"g<h>i|j\u00A0k", L"a／b：c＼d＊e？f”g＜h＞i｜j k"},
        {UrlPathToLocalPath, L"/x\\y:z", L"\\x＼y：z"},
        {LocalPathToUrlPath, L"\\x＼y：z／w", L"/x\\y:z/w"},
        {SpaceToNoBreakSpace, L"a b", L"a\u00A0b"},
    };
    for (const Case& c : cases) {
        std::wstring text = c.in;
        c.translate(text);
        EXPECT_EQ(c.out, text) << Narrow(c.in);
    }
}

TEST(Url, EscapingLeavesMultiByteEscapesAlone)
{
    EXPECT_EQ(L"a%20b%3c%e9%7f日/?=", EscapeUrlText(L"a b<é\x7F日/?="));
    struct Case {
        const wchar_t* in;
        const wchar_t* out;
    } cases[] = {
        {L"%41%20%7e", L"A ~"},
        {L"%2F%3f%25%5F%2e", L"%2F%3f%25%5F%2e"},  // reserved characters stay escaped
        {L"%E6%97%A5%C3%A9", L"%E6%97%A5%C3%A9"},  // bytes of multi-byte characters too
        {L"%0A%zz%4", L"%0A%zz%4"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.out, UnescapeUrlText(c.in)) << Narrow(c.in);
    EXPECT_TRUE(HasUrlScheme(L"mailto:x"));
    EXPECT_FALSE(HasUrlScheme(L"a/b:c"));
    EXPECT_FALSE(HasUrlScheme(nullptr));
}

TEST(Url, Md5AndTheTextsBuiltOnIt)
{
    std::string digest;
    ASSERT_EQ(S_OK, Md5Digest(digest, "abc"));
    EXPECT_EQ("900150983cd24fb0d6963f7d28e17f72", Hex(digest));
    ASSERT_EQ(S_OK, Md5Digest(digest, ""));
    EXPECT_EQ("d41d8cd98f00b204e9800998ecf8427e", Hex(digest));

    std::wostringstream os;
    Parsed(L"http://h/a/").WriteFolderDigest(os, L"d:");
    ASSERT_EQ(S_OK, Md5Digest(digest, "/a/"));
    std::wostringstream expected;
    expected << L"d:" << std::hex << std::uppercase;
    for (unsigned char c : digest)
        expected << static_cast<unsigned>(c);
    EXPECT_EQ(expected.str(), os.str());

    std::wostringstream labels;
    Parsed(L"http://www.example.com/").WriteHostLabels(labels);
    Parsed(L"http://example.com/").WriteHostLabels(labels);
    EXPECT_EQ(L"super:example.comsub:example.com", labels.str());
}

TEST(UrlRequest, TextFormCarriesTheFields)
{
    struct Case {
        const wchar_t* text;
        const wchar_t* path;
        CFormFields fields;
    } cases[] = {
        {L"http://h/p::a=1&b", L"/p", {{L"a", L"1"}}},
        {L"http://h/p::a=1&a=2", L"/p", {{L"a", L"2"}}},
        {L"http://h/p::a=b=c", L"/p", {{L"a=b", L"c"}}},
        {L"http://h:8080/p", L"/p", {}},
    };
    for (const Case& c : cases) {
        CUrlRequest request;
        ASSERT_EQ(S_OK, request.SetUrl(c.text)) << Narrow(c.text);
        EXPECT_EQ(c.path, request.url.Path) << Narrow(c.text);
        EXPECT_EQ(c.fields, request.fields) << Narrow(c.text);
    }
    CUrlRequest request;
    request.SetUrl(L"http://h/p?q=1");
    request.fields[L"b"] = L"2";
    request.fields[L"a"] = L"1";
    EXPECT_EQ(L"http://h/p?q=1::a=1&b=2", request.ToString());
    CUrlRequest again;
    again.SetUrl(request.ToString().c_str());
    EXPECT_TRUE(again == request);
    again.referer = L"r";
    EXPECT_FALSE(again == request);
    EXPECT_TRUE(request < again);
    CUrlRequest page2, page10;
    page2.SetUrl(L"http://h/page2");
    page10.SetUrl(L"http://h/page10");
    EXPECT_LT(CompareLogical(page2, page10), 0);
}

// The reference's fields go into the record resolved against; the resolved
// URL into the out record, whose own referer and fields stay.
TEST(UrlRequest, ResolveTakesTheFieldsIntoThisRecord)
{
    CUrlRequest page;
    ASSERT_EQ(S_OK, page.SetUrl(L"http://h/a/b.html::keep=1"));
    CUrlRequest out;
    out.referer = L"http://h/from";
    out.fields[L"x"] = L"9";
    ASSERT_EQ(S_OK, page.Resolve(out, L"c/d.html::q=2&p=3"));
    EXPECT_EQ(L"http://h/a/c/d.html", out.url.Url);
    EXPECT_EQ(L"http://h/from", out.referer);
    EXPECT_EQ((CFormFields{{L"x", L"9"}}), out.fields);
    EXPECT_EQ(L"http://h/a/b.html::p=3&q=2", page.ToString());

    // Into the record itself: a link followed with its own fields, or none.
    ASSERT_EQ(S_OK, page.Resolve(page, L"../e.html::z=1"));
    EXPECT_EQ(L"http://h/e.html::z=1", page.ToString());
    ASSERT_EQ(S_OK, page.Resolve(page, L"http://other/f"));
    EXPECT_EQ(L"http://other/f", page.ToString());

    // A reference that cannot be resolved changes neither record.
    page.fields[L"k"] = L"v";
    EXPECT_TRUE(FAILED(page.Resolve(out, (std::wstring(700, L'a') + L"::z=1").c_str())));
    EXPECT_EQ(L"http://other/f::k=v", page.ToString());
    EXPECT_EQ(L"http://h/a/c/d.html", out.url.Url);
}

TEST(UrlRequest, ShortFormKeepsTheTail)
{
    CUrlRequest request;
    request.SetUrl(L"http://host/one/two/three.html?x=1");
    struct Case {
        int length;
        const wchar_t* text;
    } cases[] = {
        {100, L"http://host/one/two/three.html?x=1"},
        {30, L"http://host/.../three.html?x=1"},
        {20, L"three.html?x=1"},
        {10, L"three.h..."},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.text, request.ToShortString(c.length)) << c.length;
}

TEST(UrlRequest, FormEncodingAndCharsets)
{
    CFormFields fields = {{L"k-._~", L"a b+&=é"}, {L"z", L""}};
    EXPECT_EQ("k-._~=a%20b%2B%26%3D%C3%A9&z=", EncodeFormFields(fields, CP_UTF8));
    EXPECT_EQ(65001u, CodePageOfCharset(L"UTF-8"));
    EXPECT_EQ(932u, CodePageOfCharset(L"Shift_JIS"));
    EXPECT_EQ(50220u, CodePageOfCharset(L"iso-2022-jp"));
    EXPECT_EQ(0u, CodePageOfCharset(L""));
    EXPECT_EQ(0u, CodePageOfCharset(L"latin1"));

    // A long Japanese path needs three bytes a character: the escaped form
    // must hold all of it.
    std::wstring path = L"/a b/" + std::wstring(1000, L'日');
    std::wstring escaped;
    ASSERT_TRUE(EscapeObjectName(path, CP_UTF8, escaped));
    std::wstring expected = L"/a%20b/";
    for (int i = 0; i < 1000; ++i)
        expected += L"%e6%97%a5";
    EXPECT_EQ(expected, escaped);
}
