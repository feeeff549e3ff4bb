#include "foundation/XmlSyntaxCheck.h"
#include "foundation/Error.h"
#include "foundation/ResourceString.h"
#include "foundation/XmlDocument.h"
#include "resources/strings_foundation_io.h"
#include "tests/common/TestSupport.h"
#include <gtest/gtest.h>
#include <tuple>

TEST(XmlSyntaxCheck, FindsTheFirstFaultWithItsLineAndColumn)
{
    struct Case {
        const char* text;
        int line, column;
        std::wstring reason;
    } const cases[] = {
        {"<a>\n<b>\n</a>", 3, 1, CSimpleErr::Format(IDS_XML_SYNTAX_END_TAG_MISMATCH, L"a", L"b")},
        {"<a>\r\n\r\n  <b x='1>\r\n</b></a>", 3, 6, CSimpleErr::Format(IDS_XML_SYNTAX_BAD_ATTRIBUTE, L"x")},
        {"<a>\n<b/>\n<!DOCTYPE a>\n</a>", 3, 1, LoadResourceString(IDS_XML_SYNTAX_DOCTYPE)},
        {"<a/>\n<!DOCTYPE a>", 2, 1, LoadResourceString(IDS_XML_SYNTAX_DOCTYPE)},
        {"<?xml version=\"1.0\"?>\n<a>&bogus;</a>", 2, 4, CSimpleErr::Format(IDS_XML_SYNTAX_BAD_REFERENCE, L"&bogus;")},
        {"garbage", 1, 1, LoadResourceString(IDS_XML_SYNTAX_TEXT_OUTSIDE_ROOT)},
        {"<a></a>junk", 1, 8, LoadResourceString(IDS_XML_SYNTAX_TEXT_OUTSIDE_ROOT)},
        {"<a></a><b/>", 1, 8, CSimpleErr::Format(IDS_XML_SYNTAX_SECOND_ROOT, L"b")},
        {"<Settings><Version>1.4", 1, 23, CSimpleErr::Format(IDS_XML_SYNTAX_UNCLOSED, L"Version")},
        {"", 1, 1, LoadResourceString(IDS_XML_SYNTAX_NO_ROOT)},
        {"<a x=1/>", 1, 4, CSimpleErr::Format(IDS_XML_SYNTAX_BAD_ATTRIBUTE, L"x")},
        {"<a x='1' x='2'/>", 1, 10, CSimpleErr::Format(IDS_XML_SYNTAX_BAD_ATTRIBUTE, L"x")},
        {"<a x='1'y='2'/>", 1, 9, LoadResourceString(IDS_XML_SYNTAX_BAD_TAG)},
        {"<a><!-- open </a>", 1, 4, LoadResourceString(IDS_XML_SYNTAX_UNCLOSED_MARKUP)},
        {"<a>\xE3\x81\x82\xFF</a>", 1, 5, LoadResourceString(IDS_XML_SYNTAX_BAD_BYTES)},
        {"<a>\x01</a>", 1, 4, LoadResourceString(IDS_XML_SYNTAX_BAD_CHARACTER)},
        {"</a>", 1, 1, CSimpleErr::Format(IDS_XML_SYNTAX_STRAY_END_TAG, L"a")},
        {"<1a/>", 1, 2, LoadResourceString(IDS_XML_SYNTAX_BAD_TAG)},
        {"\xFF\xFE<\0a\0>\0\n\0<\0/\0b\0>\0", 2, 1, CSimpleErr::Format(IDS_XML_SYNTAX_END_TAG_MISMATCH, L"b", L"a")},
        {"<a>\xE6\x97\xA5\xF0\x9F\x98\x80\x01</a>", 1, 6, LoadResourceString(IDS_XML_SYNTAX_BAD_CHARACTER)},
        {"<a>\rx\r<b></a>", 3, 4, CSimpleErr::Format(IDS_XML_SYNTAX_END_TAG_MISMATCH, L"a", L"b")},
        {"<a>1.4&2.0</a>", 1, 7, CSimpleErr::Format(IDS_XML_SYNTAX_BAD_REFERENCE, L"&2.0")},
        {"<a>\n&alse</a>", 2, 1, CSimpleErr::Format(IDS_XML_SYNTAX_BAD_REFERENCE, L"&alse")},
        {"<a>&#x1;</a>", 1, 4, CSimpleErr::Format(IDS_XML_SYNTAX_BAD_CHARACTER_REFERENCE, L"&#x1;")},
        {"<a b='&#0;'/>", 1, 7, CSimpleErr::Format(IDS_XML_SYNTAX_BAD_CHARACTER_REFERENCE, L"&#0;")},
        {"<a>&#xFFFE;&#x110000;</a>", 1, 4, CSimpleErr::Format(IDS_XML_SYNTAX_BAD_CHARACTER_REFERENCE, L"&#xFFFE;")},
        {"<a>&#99999999;</a>", 1, 4, CSimpleErr::Format(IDS_XML_SYNTAX_BAD_CHARACTER_REFERENCE, L"&#99999999;")},
        {"<a>&abcdefghij\xE3\x81\x82;</a>", 1, 4, CSimpleErr::Format(IDS_XML_SYNTAX_BAD_REFERENCE, L"&abcdefghij\u3042")},
    };
    for (const Case& c : cases) {
        CXmlSyntaxFault fault;
        const std::string text(c.text, c.text[0] == '\xFF' ? 18 : strlen(c.text));
        ASSERT_TRUE(FindXmlSyntaxFault(text, fault)) << c.text;
        EXPECT_EQ(c.line, fault.line) << c.text;
        EXPECT_EQ(c.column, fault.column) << c.text;
        EXPECT_EQ(c.reason, fault.reason) << c.text;
    }
}

// What Wine's parser refuses in a text expat reads: too long, a name too
// long, a version other than 1.x, an encoding it does not read.
// Lines and columns are those of the fault.
TEST(XmlSyntaxCheck, ParserLimitsAreNamedWhereTheyAreMet)
{
    std::string wide = "<a>\n<b x='1'>";
    for (int i = 0; i < 3400000; ++i)
        wide += "\xE3\x81\x82";  // three bytes each: 10.2 MB in 3.4 million characters
    wide += "</b></a>";
    const std::string declaration = "<?xml version=\"1.0\" encoding=\"";
    struct Case {
        std::string text;
        int line, column;
        std::wstring reason;  // empty: within every limit
    } const cases[] = {
        {wide, 2, 10, CSimpleErr::Format(IDS_XML_LIMIT_TEXT_TOO_LONG, L"10000000")},
        {declaration + "Shift_JIS\"?>\n<a>\x82\xA0</a>", 1, 31, CSimpleErr::Format(IDS_XML_LIMIT_ENCODING, L"Shift_JIS")},
        {"\xEF\xBB\xBF" + declaration + "x-unknown-enc\"?><a/>", 1, 31,
         CSimpleErr::Format(IDS_XML_LIMIT_ENCODING, L"x-unknown-enc")},
        {"<a>\n <" + std::string(50001, 'n') + "/></a>", 2, 2, CSimpleErr::Format(IDS_XML_LIMIT_NAME_TOO_LONG, L"50000")},
        {"<?xml version='1.10'?>\r\n<a " + std::string(50000, 'n') + "='1'/>", 0, 0, L""},
        {"<?xml version=\"1.\"?><a/>", 1, 16, CSimpleErr::Format(IDS_XML_SYNTAX_BAD_VERSION, L"1.")},
        {declaration + "UTF-8\"?><a/>", 0, 0, L""},
        {std::string("\xFF\xFE<\0a\0/\0>\0", 10), 0, 0, L""},
    };
    for (const Case& c : cases) {
        CXmlSyntaxFault fault;
        const std::string shown = c.text.substr(0, 60);
        ASSERT_EQ(!c.reason.empty(), FindXmlParserLimit(c.text, fault)) << shown;
        if (c.reason.empty())
            continue;
        EXPECT_EQ(c.line, fault.line) << shown;
        EXPECT_EQ(c.column, fault.column) << shown;
        EXPECT_EQ(c.reason, fault.reason) << shown;
    }
}

// A document type declaration is refused where it begins, with nothing of
// it read: not a chain of entities that would overflow expat's stack, not a
// file it names. Only the prolog is looked at, in UTF-8 or UTF-16, with or
// without a byte order mark; expat, when it meets one itself, stops at it
// before its first declaration.
TEST(XmlSyntaxCheck, DocumentTypeIsRefusedUnread)
{
    std::string chain = "<!DOCTYPE r [";
    for (int i = 0; i < 20000; ++i)
        chain += "<!ENTITY e" + std::to_string(i) + " '&e" + std::to_string(i + 1) + ";'>";
    chain += "<!ENTITY e20000 'x'>]><r a='&e0;'>&e0;</s>";
    auto wide = [](const std::string& ascii, bool big) {
        std::string out;
        for (char c : ascii)
            out += big ? std::string(1, '\0') + c : std::string(1, c) + '\0';
        return out;
    };
    struct Case {
        std::string text;
        int line, column;  // 0: no declaration
    } const cases[] = {
        {chain, 1, 1},
        {"<?xml version=\"1.0\"?>\r\n<!-- <!DOCTYPE x> --><?pi <a/>?>\n <!DOCTYPE a SYSTEM 'file:///C:/x'><a/>", 3, 2},
        {"\xFF\xFE" + wide("<!--c-->\n<!DOCTYPE a><a/>", false), 2, 1},
        {wide("<?xml version='1.0'?><!DOCTYPE a [<!ENTITY e 'x'>]><a>&e;</a>", true), 1, 22},
        {"<!-- <!DOCTYPE a> --><a/>", 0, 0},
        {"<a><!DOCTYPE a></a>", 0, 0},
    };
    for (const Case& c : cases) {
        const std::string shown = c.text.substr(0, 60);
        const auto expected = std::make_tuple(c.line, c.column, LoadResourceString(IDS_XML_SYNTAX_DOCTYPE));
        CXmlSyntaxFault fault, syntax;
        ASSERT_EQ(c.line != 0, FindXmlDocumentType(c.text, fault)) << shown;
        if (!c.line)
            continue;
        EXPECT_EQ(expected, std::make_tuple(fault.line, fault.column, fault.reason)) << shown;
        ASSERT_TRUE(FindXmlSyntaxFault(c.text, syntax)) << shown;
        EXPECT_EQ(expected, std::make_tuple(syntax.line, syntax.column, syntax.reason)) << shown;
        ASSERT_TRUE(FindXmlSyntaxFaultByExpatForTest(c.text, syntax)) << shown;
        EXPECT_EQ(expected, std::make_tuple(syntax.line, syntax.column, syntax.reason)) << shown;
        EXPECT_FALSE(FindXmlParserLimit(c.text, syntax)) << shown;
    }
}

// A document that does not parse says where and why, and in which file; one
// that cannot be saved names its file.
TEST(XmlSyntaxCheck, DocumentsNameTheFaultAndTheFile)
{
    CTempFolder folder;
    const std::wstring path = folder.File(L"bad.knt");
    ASSERT_TRUE(WriteFileBytes(path, "<Settings>\n  <Unit>LINE</Units>\n</Settings>"));
    CXmlDocument doc;
    EXPECT_FALSE(doc.LoadFile(path));
    EXPECT_EQ(UINT(IDS_XML_LOAD_FAILED), doc.GetError().id);
    const std::wstring where = CSimpleErr::Format(IDS_XML_SYNTAX_AT, L"2", L"13",
                                                  CSimpleErr::Format(IDS_XML_SYNTAX_END_TAG_MISMATCH, L"Units", L"Unit"));
    EXPECT_NE(std::wstring::npos, doc.GetError().message.find(where)) << Narrow(doc.GetError().message);
    EXPECT_NE(std::wstring::npos, doc.GetError().message.find(path));

    const char fragment[] = "<BorderingSettings><Version>1.4.2.0</Version>";
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, sizeof fragment);
    ASSERT_TRUE(block);
    memcpy(GlobalLock(block), fragment, sizeof fragment);
    GlobalUnlock(block);
    CXmlDocument clip;
    EXPECT_FALSE(clip.LoadGlobalMemory(block));
    GlobalFree(block);
    EXPECT_EQ(UINT(IDS_XML_PARSE_FAILED), clip.GetError().id);
    EXPECT_NE(std::wstring::npos,
              clip.GetError().message.find(CSimpleErr::Format(IDS_XML_SYNTAX_UNCLOSED, L"BorderingSettings")))
        << Narrow(clip.GetError().message);

    CXmlDocument good;
    ASSERT_TRUE(good.Create(L"<a/>"));
    const std::wstring unwritable = folder.File(L"no\\such\\folder\\out.knt");
    EXPECT_FALSE(good.SaveFile(unwritable));
    EXPECT_EQ(UINT(IDS_XML_FILE_SAVE_FAILED), good.GetError().id);
    EXPECT_NE(std::wstring::npos, good.GetError().message.find(unwritable));
}
