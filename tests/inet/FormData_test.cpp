#include "inet/FormData.h"
#include "inet/HttpClient.h"
#include "inet/Variant.h"
#include "platform/Variant.h"
#include "tests/common/TestSupport.h"
#include <gtest/gtest.h>

namespace {

void SetText(CVariant& v, const std::wstring& text)
{
    v.Clear();
    v.Get().vt = VT_BSTR;
    v.Get().bstrVal = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
}

CFormFields Posted(const std::string& body, const std::wstring& headers)
{
    CVariant data, head;
    EXPECT_EQ(S_OK, BytesToVariant(&data, body));
    SetText(head, headers);
    CFormFields fields;
    EXPECT_EQ(S_OK, ParsePostData(fields, data.Get(), head.Get()));
    return fields;
}

std::list<std::wstring> List(std::initializer_list<const wchar_t*> items)
{
    std::list<std::wstring> out;
    for (const wchar_t* item : items)
        out.push_back(item);
    return out;
}

} // namespace

TEST(FormData, UrlEncodedFieldsAreDecoded)
{
    // The test runs in code page 932: "%93%FA%96%7B" is 日本 there.
    CFormFields fields = Posted("name=O%27Brien&note=it's+fine+%2B+more&jp=%93%FA%96%7B&empty=&no-value",
                                L"Referer: http://h/it's\r\nContent-Type: application/x-www-form-urlencoded\r\n");
    CFormFields expected = {
        {L"name", L"O'Brien"}, {L"note", L"it's fine + more"}, {L"jp", L"日本"}, {L"empty", L""},
    };
    EXPECT_EQ(expected, fields);

    CVariant data, none;
    BytesToVariant(&data, std::string("a=1&b=2"));
    CFormFields plain;
    ASSERT_EQ(S_OK, ParsePostData(plain, data.Get(), none.Get()));
    EXPECT_EQ((CFormFields{{L"a", L"1"}, {L"b", L"2"}}), plain);
}

TEST(FormData, MultipartKeepsQuotesApostrophesAndLineBreaks)
{
    const std::string body =
        "--XyZ\r\n"
        "Content-Disposition: form-data; name=\"title\"\r\n"
        "\r\n"
        "it's a \"test\"\r\n"
        "--XyZ\r\n"
        "Content-Disposition: form-data; name=\"my field\"\r\n"
        "Content-Type: text/plain\r\n"
        "\r\n"
        "line 1\r\n"
        "\r\n"
        "line 3\r\n"
        "--XyZ\r\n"
        "Content-Disposition: attachment; name=\"dropped\"\r\n"
        "\r\n"
        "x\r\n"
        "--XyZ\r\n"
        "CONTENT-DISPOSITION: FORM-DATA; NAME=upper\r\n"
        "\r\n"
        "U\r\n"
        "--XyZ\r\n"
        "Content-Disposition: form-data\r\n"
        "\r\n"
        "nameless\r\n"
        "--XyZ--\r\n";
    CFormFields fields = Posted(body, L"Content-Type: multipart/form-data; boundary=XyZ\r\n");
    CFormFields expected = {
        {L"title", L"it's a \"test\""},
        {L"my field", L"line 1\r\n\r\nline 3"},
        {L"upper", L"U"},
    };
    EXPECT_EQ(expected, fields);
}

TEST(FormData, HeaderLinesAndTheirAttributes)
{
    CHeaderMap headers;
    ASSERT_TRUE(ParseHeaderLine(headers, L"Content-Disposition: form-data; name=\"a b\"; filename='c d.txt'"));
    ASSERT_TRUE(ParseHeaderLine(headers, L"CONTENT-TYPE: Text/Plain; Charset=UTF-8; x=\"p;q\"; junk"));
    EXPECT_FALSE(ParseHeaderLine(headers, L"no colon here"));
    const HeaderField& disposition = headers[L"content-disposition"];
    EXPECT_EQ(L"form-data", disposition.value);
    EXPECT_EQ(L"a b", disposition.attributes.at(L"name"));
    EXPECT_EQ(L"c d.txt", disposition.attributes.at(L"filename"));
    const HeaderField& type = headers[L"content-type"];
    EXPECT_EQ(L"Text/Plain", type.value);
    EXPECT_EQ(L"UTF-8", type.attributes.at(L"charset"));
    EXPECT_EQ(L"p;q", type.attributes.at(L"x"));
    EXPECT_EQ(2u, type.attributes.size());
}

TEST(FormData, Splitters)
{
    std::list<std::wstring> out;
    SplitQuoted(L"a\\;b;'c;d';;e", L";", out, L"'\"", L"\\");
    EXPECT_EQ(List({L"a;b", L"c;d", L"e"}), out);
    out.clear();
    SplitLines(L"a\r\n\r\nb\r\nc", out);
    EXPECT_EQ(List({L"a", L"", L"b", L"c"}), out);
    out.clear();
    SplitLines(L"it's\r\n--XyZ\r\n", out);
    EXPECT_EQ(List({L"it's", L"--XyZ"}), out);
    out.clear();
    SplitAtAny(L",,a, b,,", L", ", out);
    EXPECT_EQ(List({L"a", L"b"}), out);
}

TEST(FormData, VariantConversions)
{
    CVariant v;
    std::string bytes;
    ASSERT_EQ(S_OK, BytesToVariant(&v, std::string("a\0b", 3)));
    EXPECT_EQ(VT_ARRAY | VT_UI1, v.Get().vt);
    ASSERT_EQ(S_OK, VariantToBytes(bytes, &v));
    EXPECT_EQ(std::string("a\0b", 3), bytes);

    VARIANT byRef;
    VariantInit(&byRef);
    byRef.vt = VT_BYREF | VT_VARIANT;
    byRef.pvarVal = &v;
    ASSERT_EQ(S_OK, VariantToBytes(bytes, &byRef));
    EXPECT_EQ(3u, bytes.size());

    ASSERT_EQ(S_OK, WideTextToVariant(&v, L"日"));
    ASSERT_EQ(S_OK, VariantToBytes(bytes, &v));
    EXPECT_EQ(std::string("\xE5\x65", 2), bytes);

    ASSERT_EQ(S_OK, BytesToVariant(&v, std::string()));
    EXPECT_EQ(VT_EMPTY, v.Get().vt);
    EXPECT_EQ(S_FALSE, VariantToBytes(bytes, &v));

    SAFEARRAYBOUND bounds[2] = {{2, 0}, {2, 0}};
    CVariant square;
    square.Get().vt = VT_ARRAY | VT_UI1;
    square.Get().parray = SafeArrayCreate(VT_UI1, 2, bounds);
    EXPECT_EQ(E_FAIL, VariantToBytes(bytes, &square));
    EXPECT_TRUE(bytes.empty());

    std::wstring text;
    CVariant number;
    number.Get().vt = VT_I4;
    number.Get().lVal = -42;
    EXPECT_EQ(E_FAIL, VariantToString(text, &number));
    VariantToText(text, &number);
    EXPECT_EQ(L"-42", text);
    CVariant nullText;
    nullText.Get().vt = VT_BSTR;
    EXPECT_EQ(S_OK, VariantToString(text, &nullText));
    EXPECT_EQ(L"", text);
}

TEST(FormData, DownloadFileNames)
{
    struct Case {
        const wchar_t* header;
        const wchar_t* raw;
        const wchar_t* safe;
    } cases[] = {
        {L"attachment; filename=\"report 2024.pdf\"", L"report 2024.pdf", L"report 2024.pdf"},
        {L"attachment; filename=report.pdf; size=3", L"report.pdf", L"report.pdf"},
        {L"attachment; filename=\"..\\..\\x.exe\"", L"..\\..\\x.exe", L"x.exe"},
        {L"attachment; filename=\"a/b/CON.txt\"", L"a/b/CON.txt", L"_CON.txt"},
        {L"attachment; filename=\"x.exe. \"", L"x.exe. ", L"x.exe"},
        {L"attachment; filename=\"a\tb?.txt\"", L"a\tb?.txt", L"a_b？.txt"},
        {L"attachment; filename=\"..\"", L"..", L""},
        {L"inline", L"", L""},
    };
    for (const Case& c : cases) {
        std::wstring name;
        EXPECT_EQ(*c.raw != 0, ExtractDownloadFileName(c.header, name)) << Narrow(c.header);
        EXPECT_EQ(c.raw, name) << Narrow(c.header);
        EXPECT_EQ(c.safe, MakeDownloadFileNameSafe(name)) << Narrow(c.header);
    }
}

TEST(FormData, NavigationCarriesRefererAndBody)
{
    CUrlRequest request;
    request.SetUrl(L"http://h/post::b=x y&a=1");
    request.referer = L"http://h/";
    std::wstring headers;
    CVariant data;
    ASSERT_EQ(S_OK, MakeNavigation(request, headers, &data));
    EXPECT_EQ(L"Referer: http://h/\r\nContent-Type: application/x-www-form-urlencoded\r\n", headers);
    std::string body;
    ASSERT_EQ(S_OK, VariantToBytes(body, &data));
    EXPECT_EQ("a=1&b=x", body);

    request.fields.clear();
    request.referer.clear();
    ASSERT_EQ(S_OK, MakeNavigation(request, headers, &data));
    EXPECT_EQ(L"", headers);
    EXPECT_EQ(VT_EMPTY, data.Get().vt);
}
