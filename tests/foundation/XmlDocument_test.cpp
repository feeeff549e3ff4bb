#include "foundation/XmlDocument.h"
#include "foundation/GlobalMemory.h"
#include "foundation/StringUtil.h"
#include "resources/strings_foundation.h"
#include "resources/strings_foundation_io.h"
#include "tests/common/TestSupport.h"
#include <gtest/gtest.h>
#include <boost/shared_ptr.hpp>
#include <cstring>
#include <functional>

namespace {

const wchar_t kTemplate[] =
    L"<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n"
    L"<Settings xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
    L"xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\">\r\n</Settings>\r\n";

struct CEntry {
    std::wstring name;
    int value;
};
typedef std::vector<boost::shared_ptr<CEntry>> CTable;

CTable MakeTable(std::initializer_list<std::pair<const wchar_t*, int>> entries)
{
    CTable table;
    for (const auto& e : entries)
        table.push_back(boost::shared_ptr<CEntry>(new CEntry{e.first, e.second}));
    return table;
}

HGLOBAL BlockOf(const std::string& bytes)
{
    CGlobalMemory block;
    block.Alloc(bytes.size());
    void* p = nullptr;
    {
        CGlobalLocker lock(p, block);
        std::memcpy(p, bytes.data(), bytes.size());
    }
    return block.Detach();
}

// A document from the template with its root element selected.
class CDoc : public CXmlDocument {
public:
    CNode root;
    CDoc()
    {
        EXPECT_TRUE(Create(kTemplate)) << Narrow(m_err.message);
        EXPECT_TRUE(SelectSingleNode(L"Settings", root)) << Narrow(m_err.message);
    }
};

const CTable kFlags = MakeTable({{L"None", 0}, {L"Left", 1}, {L"Top", 2}, {L"Both", 3}, {L"Far", 8}});
const CTable kEnum = MakeTable({{L"PNG", 0}, {L"JPEG", 1}, {L"PDF", 2}});

// Writes one value of every form under the root.
bool WriteAll(CXmlDocument& doc, IXMLDOMNode* root, const std::wstring& docPath)
{
    const BYTE raw[] = {0, 0x7F, 0xAB, 0xFF};
    RECT rect = {-1, 2, 300, 400};
    SIZE size = {640, 480};
    return doc.AppendTextElement(root, L"Text", L"縁取り <&> \"文字\"") &&
           doc.AppendBufferElement(root, L"Buffer", L"abcdef", 3) &&
           doc.AppendMultilineTextElement(root, L"Lines", L"one\r\ntwo\r\nthree") &&
           doc.AppendIntElement(root, L"Int", 150, 2) && doc.AppendLongElement(root, L"Long", -2147483647L) &&
           doc.AppendSizeTElement(root, L"SizeT", 4000000000u) && doc.AppendDoubleElement(root, L"Double", 0.5) &&
           doc.AppendColorElement(root, L"Color", RGB(0x12, 0xAB, 0xEF)) && doc.AppendBoolElement(root, L"Bool", true) &&
           doc.AppendC3StateElement(root, L"State", static_cast<BYTE>(2)) &&
           doc.AppendEnumElement(root, L"Enum", 2, kEnum) && doc.AppendFlagsElement(root, L"Flags", 9, kFlags) &&
           doc.AppendDwordElement(root, L"Dword", 0xDEADBEEF) && doc.AppendWordElement(root, L"Word", 0x0A0B) &&
           doc.AppendByteElement(root, L"Byte", 0x0C) && doc.AppendBytesElement(root, L"Bytes", raw, sizeof raw) &&
           doc.AppendVersionElement(root, L"Version", 0x01040200) &&
           doc.AppendPathElement(root, L"Inside", L"C:\\d\\tex\\a.png", docPath) &&
           doc.AppendPathElement(root, L"Outside", L"D:\\a.png", docPath) && doc.AppendSizeElement(root, L"Size", size) &&
           doc.AppendRectElement(root, L"Rect", rect) && doc.AppendRectSizeElement(root, L"RectSize", rect, size) &&
           doc.AppendPointElement(root, L"Point", 1.25, -3);
}

void ExpectAll(CXmlDocument& doc, IXMLDOMNode* root, const std::wstring& docPath)
{
    std::wstring text, lines, inside, outside;
    wchar_t buffer[8] = {};
    int i = 0, state = 0, e = 0;
    long l = 0;
    size_t st = 0;
    double d = 0, x = 0, y = 0;
    COLORREF color = 0;
    bool b = false;
    DWORD flags = 0, dw = 0, version = 0;
    WORD w = 0;
    BYTE by = 0;
    std::vector<BYTE> raw;
    RECT rect = {}, rect2 = {};
    SIZE size = {}, size2 = {};
    ASSERT_TRUE(doc.ReadText(root, L"Text", text) && doc.ReadTextBuffer(root, L"Buffer", buffer, 8) &&
                doc.ReadMultilineText(root, L"Lines", lines) && doc.ReadInt(root, L"Int", i, 2) &&
                doc.ReadLong(root, L"Long", l) && doc.ReadSizeT(root, L"SizeT", st) && doc.ReadDouble(root, L"Double", d) &&
                doc.ReadColor(root, L"Color", color) && doc.ReadBool(root, L"Bool", b) &&
                doc.ReadC3State(root, L"State", state) && doc.ReadEnum(root, L"Enum", e, kEnum) &&
                doc.ReadFlags(root, L"Flags", flags, kFlags) && doc.ReadDword(root, L"Dword", dw) &&
                doc.ReadWord(root, L"Word", w) && doc.ReadByte(root, L"Byte", by) && doc.ReadBytes(root, L"Bytes", raw) &&
                doc.ReadVersion(root, L"Version", version) && doc.ReadPath(root, L"Inside", inside, docPath) &&
                doc.ReadPath(root, L"Outside", outside, docPath) && doc.ReadSize(root, L"Size", size) &&
                doc.ReadRect(root, L"Rect", rect) && doc.ReadRectSize(root, L"RectSize", rect2, size2) &&
                doc.ReadPoint(root, L"Point", x, y))
        << Narrow(doc.m_err.message);
    EXPECT_EQ(L"縁取り <&> \"文字\"", text);
    EXPECT_STREQ(L"abc", buffer);
    EXPECT_EQ(L"one\r\ntwo\r\nthree", lines);
    EXPECT_EQ(150, i);
    EXPECT_EQ(-2147483647L, l);
    EXPECT_EQ(4000000000u, st);
    EXPECT_EQ(0.5, d);
    EXPECT_EQ(RGB(0x12, 0xAB, 0xEF), color);
    EXPECT_TRUE(b);
    EXPECT_EQ(2, state);
    EXPECT_EQ(2, e);
    EXPECT_EQ(9u, flags);
    EXPECT_EQ(0xDEADBEEFu, dw);
    EXPECT_EQ(0x0A0B, w);
    EXPECT_EQ(0x0C, by);
    EXPECT_EQ((std::vector<BYTE>{0, 0x7F, 0xAB, 0xFF}), raw);
    EXPECT_EQ(0x01040200u, version);
    EXPECT_EQ(L"C:\\d\\tex\\a.png", inside);
    EXPECT_EQ(L"D:\\a.png", outside);
    EXPECT_EQ(640, size.cx);
    EXPECT_EQ(480, size.cy);
    EXPECT_EQ(-1, rect.left);
    EXPECT_EQ(400, rect.bottom);
    EXPECT_EQ(300, rect2.right);
    EXPECT_EQ(480, size2.cy);
    EXPECT_EQ(1.25, x);
    EXPECT_EQ(-3, y);
}

} // namespace

TEST(XmlDocument, FileReadWriteReadRoundTrip)
{
    CTempFolder dir;
    std::wstring first = dir.File(L"first.xml"), second = dir.File(L"second.xml");
    {
        CDoc doc;
        ASSERT_TRUE(WriteAll(doc, doc.root, L"C:\\d\\s.xml")) << Narrow(doc.m_err.message);
        ASSERT_TRUE(doc.SaveFile(first)) << Narrow(doc.m_err.message);
        doc.SaveFile(TestOutputPath(L"XmlDocument.xml"));
    }
    std::string bytes = ReadFileBytes(first);
    // Elements are appended without white space of their own.
    EXPECT_NE(std::string::npos, bytes.find("<Int>1.5</Int><Long>-2147483647</Long>")) << bytes;
    EXPECT_NE(std::string::npos, bytes.find("<Inside>tex\\a.png</Inside><Outside>D:\\a.png</Outside>")) << bytes;
    EXPECT_NE(std::string::npos, bytes.find("<Flags>None|Left|Far</Flags>")) << bytes;
    EXPECT_NE(std::string::npos, bytes.find("<Size><cx>640</cx><cy>480</cy></Size>")) << bytes;
    EXPECT_NE(std::string::npos, bytes.find("<Lines>one\ntwo\nthree</Lines>")) << bytes;
    EXPECT_NE(std::string::npos, bytes.find("encoding=\"utf-8\"")) << bytes;

    CXmlDocument loaded;
    ASSERT_TRUE(loaded.LoadFile(first)) << Narrow(loaded.m_err.message);
    CXmlDocument::CNode root;
    ASSERT_TRUE(loaded.SelectSingleNode(L"Settings", root));
    ExpectAll(loaded, root, L"C:\\d\\s.xml");
    ASSERT_TRUE(loaded.SaveFile(second));
    EXPECT_TRUE(bytes == ReadFileBytes(second));
}

TEST(XmlDocument, APathIsStoredRelativeOnlyWhereItJoinsBackToItself)
{
    // Kept whole: a rest naming the drive's root, no file, or one trimmed on reading.
    const std::wstring doc = L"C:\\d\\s.xml", cases[][2] = {{L"c:\\D\\sub\\a.png", L"sub\\a.png"},
        {L"C:\\d\\\\a.png", L""}, {L"C:\\d\\/a.png", L""}, {L"C:\\d\\", L""}, {L"C:\\d\\ a.png", L""}};
    for (const auto& c : cases) {
        const std::wstring text = CXmlDocument::PathText(c[0], doc);
        EXPECT_EQ(c[1].empty() ? c[0] : c[1], text) << Narrow(c[0]);
        EXPECT_TRUE(EqualsNoCase(c[0], CXmlDocument::PathOfText(text, doc))) << Narrow(c[0]);
    }
}

TEST(XmlDocument, GlobalMemoryRoundTrip)
{
    CDoc doc;
    ASSERT_TRUE(WriteAll(doc, doc.root, L""));
    CGlobalMemory block(doc.SaveGlobalMemory());
    ASSERT_NE(nullptr, block.Get()) << Narrow(doc.m_err.message);
    CXmlDocument loaded;
    ASSERT_TRUE(loaded.LoadGlobalMemory(block)) << Narrow(loaded.m_err.message);
    CXmlDocument::CNode root;
    ASSERT_TRUE(loaded.SelectSingleNode(L"Settings", root));
    ExpectAll(loaded, root, L"");
    // The block stays the caller's and holds the document exactly: it ends
    // with the root's end tag and its line end.
    void* p = nullptr;
    CGlobalLocker lock(p, block);
    ASSERT_NE(nullptr, p);
    std::string text(static_cast<const char*>(p), GlobalSize(block));
    size_t end = text.rfind("</Settings>");
    ASSERT_NE(std::string::npos, end);
    EXPECT_LE(text.size() - end, std::strlen("</Settings>\r\n"));

    // Another program's block, larger than its text: the zeros that end the
    // block are no part of the text (a NUL before another character is,
    // HostileShapesAreReadOrRefusedAtTheirPlace). In UTF-16, with its byte
    // order mark or without, a NUL is a zero code unit; the zero half of the
    // last '>' belongs to the text.
    const std::string utf16("\xFF\xFE<\0a\0>\0" "1\0<\0/\0a\0>\0", 18), big("\0<\0a\0>\0" "1\0<\0/\0a\0>\0\0", 18);
    for (const std::string& bytes : {std::string("<a>1</a>\0\0", 10), utf16, utf16 + std::string(3, '\0'),
                                     utf16.substr(2) + std::string(2, '\0'), big}) {
        CGlobalMemory larger(BlockOf(bytes));
        EXPECT_TRUE(loaded.LoadGlobalMemory(larger)) << Narrow(loaded.m_err.message);
    }
}

TEST(XmlDocument, MalformedInputIsRefused)
{
    struct Case { const char* name; std::string bytes; } cases[] = {
        {"unclosed root", "<Settings><a>1</a>"},
        {"not xml", "hello"},
        {"empty", std::string(1, '\0')},
        {"two roots", "<a/><b/>"},
    };
    for (const Case& c : cases) {
        CDoc doc;
        IXMLDOMDocument* before = doc.GetDocument();
        CGlobalMemory block(BlockOf(c.bytes));
        EXPECT_FALSE(doc.LoadGlobalMemory(block)) << c.name;
        EXPECT_EQ(UINT(IDS_XML_PARSE_FAILED), doc.m_err.id) << c.name;
        EXPECT_TRUE(FAILED(doc.m_err.code)) << c.name;
        EXPECT_EQ(before, doc.GetDocument()) << c.name;  // the old document stays
    }
    CDoc doc;
    EXPECT_FALSE(doc.Create(L"<Settings>"));
    EXPECT_EQ(UINT(IDS_XML_CREATE_ROOT_FAILED), doc.m_err.id);
    EXPECT_TRUE(FAILED(doc.m_err.code));
    CXmlDocument::CNode root;
    EXPECT_TRUE(doc.SelectSingleNode(L"Settings", root));

    CTempFolder dir;
    ASSERT_TRUE(WriteFileBytes(dir.File(L"bad.xml"), "<Settings>"));
    CXmlDocument file;
    EXPECT_FALSE(file.LoadFile(dir.File(L"bad.xml")));
    EXPECT_EQ(UINT(IDS_XML_LOAD_FAILED), file.m_err.id);
    EXPECT_TRUE(FAILED(file.m_err.code));
}

// What Wine's parser would spend minutes on is refused before it reads the
// text, at the element that passes the bound; at each bound the text reads.
// The same from a file and from a block, in any encoding, and so is a NUL
// before another character (the parser would take the text before it alone).
TEST(XmlDocument, HostileShapesAreReadOrRefusedAtTheirPlace)
{
    auto attributes = [](const char* prefix, int from, int to) {
        std::string s;
        for (int i = from; i < to; ++i)
            s += std::string(" ") + prefix + std::to_string(i) + "='u'";
        return s;
    };
    std::string names = "<r>";  // 10,000 names: r, e1, a2 ... e9997, a9998, z
    for (int i = 1; i < 9999; i += 2)
        names += "<e" + std::to_string(i) + " a" + std::to_string(i + 1) + "=''/>";
    names += "<z/>";
    std::string spaced = "<r xml:space='default'>", closed = "</r>";  // 24 levels, each its own walk's end
    for (int i = 1; i < 24; ++i) {
        spaced += "<e xml:space='preserve'" + attributes("a", 0, 56) + ">";
        closed = "</e>" + closed;
    }
    std::string chain = "<r>", unchained = "</r>";  // 23 bare levels: with one more, 192
    for (int i = 1; i < 23; ++i) {
        chain += "<e>";
        unchained = "</e>" + unchained;
    }
    const std::string xmlX = "'http://www.w3.org/XML/1998/namespacX'";
    std::string worst = "<Settings";  // the worst 4 MB: one element holds it all
    for (int i = 0; worst.size() < (4u << 20) - 12; ++i)
        worst += " a" + std::to_string(i) + "=\"\"";
    std::string nodes = "<r>";  // 100,000 elements, texts, comments and processing instructions
    for (int i = 0; i < 24999; ++i)
        nodes += "<a/>b<!--c--><?p?>";
    nodes += "<a/>b<!--c-->";
    std::string ids = "<r>";  // 10,000 xml:id values
    for (int i = 0; i < 10000; ++i)
        ids += "<e xml:id='i" + std::to_string(i) + "'/>";
    const std::string utf16("\xFF\xFE<\0a\0>\0" "1\0<\0/\0a\0>\0", 18);
    auto little = [](const std::string& ascii) {  // as UTF-16 with its byte order mark
        std::string s = "\xFF\xFE";
        for (char c : ascii)
            s += std::string(1, c) + '\0';
        return s;
    };
    struct Case {
        std::string text;
        int line, column;  // 0: read
        UINT id;
        const wchar_t* bound;
    } const cases[] = {
        {"<r" + attributes("xmlns:n", 0, 2) + attributes("a", 2, 128) + "/>", 0, 0, 0, L""},
        {"<r>\n <e" + attributes("a", 0, 129) + "/></r>", 2, 2, IDS_XML_LIMIT_TOO_MANY_ATTRIBUTES, L"128"},
        {"<r" + attributes("xmlns:n", 0, 16) + "><e" + attributes("xmlns:m", 0, 16) + "/><e" +
             attributes("xmlns:m", 0, 16) + "/></r>", 0, 0, 0, L""},
        {"<r" + attributes("xmlns:n", 0, 16) + "><e" + attributes("xmlns:m", 0, 16) + "><f xmlns='u'/></e></r>", 1, 435,
         IDS_XML_LIMIT_TOO_MANY_NAMESPACES, L"32"},
        {names + "</r>", 0, 0, 0, L""},
        {names + "<x/></r>", 1, 83884, IDS_XML_LIMIT_TOO_MANY_NAMES, L"10,000"},
        {names + "<?x?></r>", 1, 83884, IDS_XML_LIMIT_TOO_MANY_NAMES, L"10,000"},
        {worst + "/>", 1, 1, IDS_XML_LIMIT_TOO_MANY_ATTRIBUTES, L"128"},
        // Weight: 8 an element, 4 an attribute in a namespace, 1 another, 128 one named space in a namespace.
        {"<r" + attributes("a", 0, 60) + "><e" + attributes("a", 0, 60) + ">\n <f" + attributes("a", 0, 48) +
             ">&amp;</f></e></r>", 0, 0, 0, L""},
        {"<r" + attributes("a", 0, 60) + "><e" + attributes("a", 0, 60) + ">\n <f" + attributes("a", 0, 49) +
             ">&amp;</f></e></r>", 2, 2, IDS_XML_LIMIT_TOO_MANY_NESTED, L"192"},
        {"<r" + attributes("xmlns:n", 0, 32) + attributes("a", 0, 60) + "><e" + attributes("a", 0, 60) + "><f" +
             attributes("a", 0, 48) + ">&amp;</f></e></r>", 0, 0, 0, L""},
        {"<r xmlns:p='u'>\n<e" + attributes("p:a", 0, 44) + ">x</e></r>", 0, 0, 0, L""},
        {"<r xmlns:p='u'>\n<e" + attributes("p:a", 0, 44) + " b=''>x</e></r>", 2, 1, IDS_XML_LIMIT_TOO_MANY_NESTED, L"192"},
        {"<r xmlns:p=" + xmlX + ">\n<e p:space=''" + attributes("a", 0, 48) + ">x</e></r>", 0, 0, 0, L""},
        {"<r xmlns:p=" + xmlX + ">\n<e p:space=''" + attributes("a", 0, 49) + ">x</e></r>", 2, 1,
         IDS_XML_LIMIT_TOO_MANY_NESTED, L"192"},
        {chain + "<e>x</e>" + unchained, 0, 0, 0, L""},
        {chain + "\n<e b=''>x</e>" + unchained, 2, 1, IDS_XML_LIMIT_TOO_MANY_NESTED, L"192"},
        {"<r xmlns:p=" + xmlX + " xml:space='default'>\n <e p:space=''/></r>", 2, 2,
         IDS_XML_LIMIT_TOO_MANY_NESTED, L"192"},
        // Wine's parser looks for xml:space no further than the nearest element that holds it.
        {"<r xmlns:p=" + xmlX + "><e p:space=''><e xml:space='default'>a</e></e></r>", 0, 0, 0, L""},
        {"<Settings xml:space='preserve'><FontFace xml:space='preserve'>a</FontFace></Settings>", 0, 0, 0, L""},
        {spaced + "a" + closed, 0, 0, 0, L""},
        {spaced + "\n<e xml:space='default'/>" + closed, 2, 1, IDS_XML_LIMIT_TOO_DEEP, L"24"},
        // 100,000 pieces of text in xml:space's scope, each line end its own; not those outside it.
        {"<r xml:space='preserve'>" + std::string(100000, '\n') + "</r>", 0, 0, 0, L""},
        {"<r><e xml:space='default'>" + std::string(99999, '\n') + "</e>\n<e>x</e><e xml:space='preserve'>\n\n</e></r>",
         100002, 1, IDS_XML_LIMIT_TOO_MANY_SPACED_TEXTS, L"100,000"},
        // xml:space under another prefix, which Namespaces in XML forbids, as xml on another name.
        {"<Settings xmlns:p='http://www.w3.org/XML/1998/namespace' p:space='vvv'>a</Settings>", 1, 11,
         IDS_XML_SYNTAX_BAD_ATTRIBUTE, L"xmlns:p"},
        {"<r xmlns:xml='http://www.w3.org/XML/1998/namespace'>\n <e xmlns:xml='u'/></r>", 2, 5,
         IDS_XML_SYNTAX_BAD_ATTRIBUTE, L"xmlns:xml"},
        {"<r>\n <e xmlns='http://www.w3.org/2000/xmlns/'/></r>", 2, 5, IDS_XML_SYNTAX_BAD_ATTRIBUTE, L"xmlns"},
        {"<r xml:lang='ja'>\n<e xml:space='Preserve'/></r>", 2, 4, IDS_XML_SYNTAX_BAD_ATTRIBUTE, L"xml:space"},
        // An xml:id that Wine's parser takes for no name (by XML 1.0's letters before its fifth edition) or
        // repeats one: it writes an error out for each. An empty one it keeps no id for; blanks may stand around.
        {u8"<r xml:id='見出し'>\n <e xml:id='a-1.b_2'/><e xml:id='x'/><e xml:id='é'/><e xml:id='한글'/><e xml:id='αβγ'/>"
         u8"<e xml:id='龥'/><e xml:id='_\u0301ー々'/><e xml:id='Ö·'/><e xml:id=' x&#9;'/><e xml:id=''/><e xml:id=''/></r>",
         0, 0, 0, L""},
        {"<r xml:id='a'>\n <e xml:id='1'/></r>", 2, 5, IDS_XML_SYNTAX_ID_NOT_A_NAME, L"1"},
        {u8"<r>\n <e xml:id='㐀'/></r>", 2, 5, IDS_XML_SYNTAX_ID_NOT_A_NAME, L"\u3400"},
        {u8"<r>\n <e xml:id='鿐'/></r>", 2, 5, IDS_XML_SYNTAX_ID_NOT_A_NAME, L"\u9FD0"},
        {u8"<r>\n <e xml:id='ｱ'/></r>", 2, 5, IDS_XML_SYNTAX_ID_NOT_A_NAME, L"\uFF71"},
        {u8"<r>\n <e xml:id='ー'/></r>", 2, 5, IDS_XML_SYNTAX_ID_NOT_A_NAME, L"\u30FC"},
        {u8"<r>\n <e xml:id='a×'/></r>", 2, 5, IDS_XML_SYNTAX_ID_NOT_A_NAME, L"a\u00D7"},
        {u8"<r>\n <e xml:id='a😀'/></r>", 2, 5, IDS_XML_SYNTAX_ID_NOT_A_NAME, L"a\U0001F600"},
        {"<r>\n <e xml:id='a:b'/></r>", 2, 5, IDS_XML_SYNTAX_ID_NOT_A_NAME, L"a:b"},
        {"<r>\n <e xml:id='a b'/></r>", 2, 5, IDS_XML_SYNTAX_ID_NOT_A_NAME, L"a b"},
        {"<r>\n <e xml:id=' '/></r>", 2, 5, IDS_XML_SYNTAX_ID_NOT_A_NAME, L" "},
        {"<r xml:id='a'><e xml:id='b'/>\n<e xml:id=\"a\"/></r>", 2, 4, IDS_XML_SYNTAX_ID_REPEATED, L"a"},
        {"<r xml:id='&#x41;b'>\n<e xml:id='a'/><e xml:id=' Ab'/><e xml:id='Ab'/></r>", 2, 36, IDS_XML_SYNTAX_ID_REPEATED,
         L"Ab"},
        {"<?xml version='1.0' encoding='windows-1252'?>\n<r xml:id='a\xD7'/>", 2, 4, IDS_XML_SYNTAX_ID_NOT_A_NAME,
         L"a\u00D7"},
        {nodes + "</r>", 0, 0, 0, L""},
        {nodes + "<?p?></r>", 1, static_cast<int>(nodes.size()) + 1, IDS_XML_LIMIT_TOO_MANY_NODES, L"100,000"},
        {ids + "<e xml:id=''/></r>", 0, 0, 0, L""},
        {ids + "<e xml:id='x'/></r>", 1, static_cast<int>(ids.size()) + 4, IDS_XML_LIMIT_TOO_MANY_IDS, L"10,000"},
        // A character XML does not allow, where it stands: a lone high surrogate (a pair reads), also before a
        // unit above the low surrogates (a full-width digit), which expat would take with it for a pair; U+FFFF.
        {little("<e>ab") + std::string("\0\xD8", 2) + little("cd</e>").substr(2), 1, 6, IDS_XML_SYNTAX_BAD_CHARACTER, L""},
        {little("<e>ab") + std::string("\0\xD8\x11\xFF", 4) + little("</e>").substr(2), 1, 6, IDS_XML_SYNTAX_BAD_CHARACTER,
         L""},
        {little("<Settings>\n<FontFace>ab") + std::string("\0\xD8", 2) + little("</FontFace></Settings>").substr(2), 2,
         13, IDS_XML_SYNTAX_BAD_CHARACTER, L""},
        {little("<r a='") + std::string("\x3D\xD8\0\xDE", 4) + little("' b='x").substr(2) + std::string("\0\xD8", 2) +
             little("'/>").substr(2), 1, 14, IDS_XML_SYNTAX_BAD_CHARACTER, L""},
        {"<r a='x\xEF\xBF\xBF'/>", 1, 8, IDS_XML_SYNTAX_BAD_CHARACTER, L""},
        // A prefix no declaration binds; one local name in one namespace under two prefixes.
        {"<r xml:lang='ja'>\n <p:e/></r>", 2, 2, IDS_XML_SYNTAX_UNDECLARED_PREFIX, L"p"},
        {"<r xmlns:p='u'><e p:a='' q:b=''/></r>", 1, 26, IDS_XML_SYNTAX_UNDECLARED_PREFIX, L"q"},
        {"<r xmlns:p='u' xmlns:q='v' p:a='' q:a=''/>", 0, 0, 0, L""},
        {"<r xmlns:p='u' xmlns:q='u' p:a='' q:a=''/>", 1, 35, IDS_XML_SYNTAX_BAD_ATTRIBUTE, L"q:a"},
        {"<r xmlns:p='u'>\n <e xmlns:q='u' q:a='1'\n  p:b='2' p:a='3'/></r>", 3, 11, IDS_XML_SYNTAX_BAD_ATTRIBUTE,
         L"p:a"},
        {little("<r xmlns:p='u'\n xmlns:q='u' p:a='' q:a=''/>"), 2, 21, IDS_XML_SYNTAX_BAD_ATTRIBUTE, L"q:a"},
        {"<Settings><FontFace xmlns:x='u' xml:lang='ja' x:lang='' y:lang='' xmlns:y='u'>a</FontFace></Settings>", 1, 57,
         IDS_XML_SYNTAX_BAD_ATTRIBUTE, L"y:lang"},
        // Encodings expat does not read, or not as declared: their markup is read all the same.
        {"\xEF\xBB\xBF<?xml version='1.0' encoding='windows-1252'?>\n<\x8A" + attributes("a", 0, 129) + "/>", 2, 1,
         IDS_XML_LIMIT_TOO_MANY_ATTRIBUTES, L"128"},
        {"<?xml version='1.0' encoding='UTF-16'?><r" + attributes("a", 0, 129) + "/>", 1, 40,
         IDS_XML_LIMIT_TOO_MANY_ATTRIBUTES, L"128"},
        {"<?xml version='1.0' encoding='ASCII'?><r" + attributes("a", 0, 129) + " x/>", 1, 1094, IDS_XML_SYNTAX_BAD_TAG, L""},
        {little("<?xml version='1.0' encoding='utf-8'?><r xml:id='\xE9'/>"), 0, 0, 0, L""},  // read as UTF-16 all the same
        {std::string("<a>1</a>\0\xFF<b", 12), 1, 9, IDS_XML_SYNTAX_BAD_CHARACTER, L""},
        {utf16 + std::string("\0\0<\0b\0/\0>\0", 10), 1, 9, IDS_XML_SYNTAX_BAD_CHARACTER, L""},
        {std::string("<a/>\0<a/>\0\0", 12), 1, 5, IDS_XML_SYNTAX_BAD_CHARACTER, L""},
    };
    CTempFolder dir;
    for (const Case& c : cases) {
        const std::string shown = c.text.substr(0, 40);
        ASSERT_TRUE(WriteFileBytes(dir.File(L"shape.knt"), c.text));
        CXmlDocument file, block;
        CGlobalMemory memory(BlockOf(c.text));
        EXPECT_EQ(c.line == 0, file.LoadFile(dir.File(L"shape.knt"))) << shown;
        EXPECT_EQ(c.line == 0, block.LoadGlobalMemory(memory)) << shown;
        if (c.line == 0)
            continue;
        const std::wstring where = CSimpleErr::Format(IDS_XML_SYNTAX_AT, std::to_wstring(c.line),
                                                      std::to_wstring(c.column), CSimpleErr::Format(c.id, c.bound));
        EXPECT_NE(std::wstring::npos, file.m_err.message.find(where)) << shown << Narrow(file.m_err.message);
        EXPECT_NE(std::wstring::npos, block.m_err.message.find(where)) << shown << Narrow(block.m_err.message);
    }
}

TEST(XmlDocument, MissingFileAndNodes)
{
    CTempFolder dir;
    CXmlDocument file;
    std::wstring path = dir.File(L"none.xml");
    EXPECT_FALSE(file.LoadFile(path));
    EXPECT_EQ(UINT(IDS_XML_LOAD_FAILED), file.m_err.id);
    EXPECT_EQ(static_cast<HRESULT>(0x80070002), file.m_err.code);
    EXPECT_EQ(nullptr, file.GetDocument());
    EXPECT_NE(std::wstring::npos, file.m_err.message.find(path));

    CDoc doc;
    CXmlDocument::CNode unit;
    EXPECT_FALSE(doc.SelectChildNode(doc.root, L"Unit", unit));
    EXPECT_EQ(UINT(IDS_XML_NODE_NOT_FOUND), doc.m_err.id);
    EXPECT_EQ(L"XMLドキュメント指定のノードが見つかりません\n\nSettings -> Unit", doc.m_err.message);
    EXPECT_FALSE(doc.HasNode(doc.root, L"Unit"));
    EXPECT_TRUE(doc.ClearNotFoundError());
    EXPECT_EQ(0u, doc.m_err.id);
    EXPECT_FALSE(doc.ClearNotFoundError());

    EXPECT_FALSE(doc.SelectSingleNode(L"Other", unit));
    EXPECT_EQ(UINT(IDS_XML_NODE_NOT_FOUND), doc.m_err.id);
    EXPECT_EQ(L"Settings", CXmlDocument::GetNodePath(doc.root));
    EXPECT_EQ(L"(!null)", CXmlDocument::GetNodePath(nullptr));

    // Deeper down, every element from the root; a node not yet in the tree
    // is its own path.
    CXmlDocument::CNode decoration, size;
    ASSERT_TRUE(doc.CreateElement(L"Decoration", L"", decoration) && doc.AppendChild(doc.root, decoration));
    EXPECT_FALSE(doc.SelectChildNode(decoration, L"Size", size));
    EXPECT_EQ(L"XMLドキュメント指定のノードが見つかりません\n\nSettings -> Decoration -> Size", doc.m_err.message);
    CXmlDocument::CNode loose;
    ASSERT_TRUE(doc.CreateElement(L"Loose", L"", loose));
    EXPECT_EQ(L"Loose", CXmlDocument::GetNodePath(loose));
}

// Nothing the stream's making throws leaves SaveGlobalMemory: it becomes the
// error record, and no block is handed out.
TEST(XmlDocument, SavingToMemoryCatchesEveryException)
{
    struct CThrowing : CDoc {
        static void NoMemory(CComPtr<IStream>&, CGlobalMemory&) { throw std::bad_alloc(); }
        static void Library(CComPtr<IStream>&, CGlobalMemory&) { throw my::CException(IDS_OPEN_MEMORY_STREAM_FAILED, E_OUTOFMEMORY); }
        HGLOBAL Save(void (*create)(CComPtr<IStream>&, CGlobalMemory&)) { return SaveGlobalMemoryThrough(create); }
    } doc;
    EXPECT_EQ(nullptr, doc.Save(CThrowing::NoMemory));
    EXPECT_EQ(UINT(IDS_STD_EXCEPTION), doc.m_err.id);
    EXPECT_FALSE(doc.m_err.message.empty());
    EXPECT_EQ(nullptr, doc.Save(CThrowing::Library));
    EXPECT_EQ(UINT(IDS_OPEN_MEMORY_STREAM_FAILED), doc.m_err.id);
    EXPECT_EQ(E_OUTOFMEMORY, doc.m_err.code);
    // The next save starts from a clean record.
    CGlobalMemory block(doc.SaveGlobalMemory());
    EXPECT_NE(nullptr, block.Get());
    EXPECT_EQ(0u, doc.m_err.id);
}

TEST(XmlDocument, ValueTextsAndTheirFailures)
{
    CDoc doc;
    IXMLDOMNode* r = doc.root;
    ASSERT_TRUE(doc.AppendIntElement(r, L"I1", 150, 2) && doc.AppendIntElement(r, L"I2", 100, 2) &&
                doc.AppendIntElement(r, L"I3", -5, 1) && doc.AppendDoubleElement(r, L"D1", 1e20) &&
                doc.AppendDoubleElement(r, L"D2", 1.0 / 3));
    struct Written { const wchar_t* name; const wchar_t* text; } written[] = {
        {L"I1", L"1.5"}, {L"I2", L"1"}, {L"I3", L"-0.5"}, {L"D1", L"1e+20"}, {L"D2", L"0.333333"},
    };
    for (const Written& w : written) {
        std::wstring text;
        EXPECT_TRUE(doc.ReadText(r, w.name, text));
        EXPECT_EQ(w.text, text) << Narrow(w.name);
    }

    // Each stored text, the reader applied to it, and the id it must fail with.
    struct Read { const wchar_t* text; std::function<bool(CXmlDocument&, IXMLDOMNode*)> read; UINT id; } reads[] = {
        {L"True", [](CXmlDocument& d, IXMLDOMNode* n) { bool v; return d.ReadBool(n, L"", v); }, IDS_XML_BOOL_INVALID},
        {L"1", [](CXmlDocument& d, IXMLDOMNode* n) { bool v; return d.ReadBool(n, L"", v); }, IDS_XML_BOOL_INVALID},
        {L"yes", [](CXmlDocument& d, IXMLDOMNode* n) { bool v; return d.ReadBoolOptional(n, L"", v); }, IDS_XML_BOOL_INVALID},
        {L"0x10", [](CXmlDocument& d, IXMLDOMNode* n) { DWORD v; return d.ReadDword(n, L"", v); }, IDS_XML_PARSE_DWORD_FAILED},
        {L"g", [](CXmlDocument& d, IXMLDOMNode* n) { WORD v; return d.ReadWord(n, L"", v); }, IDS_XML_PARSE_WORD_FAILED},
        {L"-1", [](CXmlDocument& d, IXMLDOMNode* n) { BYTE v; return d.ReadByte(n, L"", v); }, IDS_XML_PARSE_BYTE_FAILED},
        {L"ABC", [](CXmlDocument& d, IXMLDOMNode* n) { std::vector<BYTE> v; return d.ReadBytes(n, L"", v); }, IDS_XML_PARSE_BYTES_FAILED},
        {L"1.2.3", [](CXmlDocument& d, IXMLDOMNode* n) { DWORD v; return d.ReadVersion(n, L"", v); }, IDS_XML_PARSE_VERSION_FAILED},
        {L".5", [](CXmlDocument& d, IXMLDOMNode* n) { int v; return d.ReadInt(n, L"", v, 1); }, IDS_XML_PARSE_INT_FAILED},
        {L"1e3", [](CXmlDocument& d, IXMLDOMNode* n) { long v; return d.ReadLong(n, L"", v); }, IDS_XML_PARSE_LONG_FAILED},
        {L"-1", [](CXmlDocument& d, IXMLDOMNode* n) { size_t v; return d.ReadSizeT(n, L"", v); }, IDS_XML_PARSE_SIZE_FAILED},
        {L"GG0000", [](CXmlDocument& d, IXMLDOMNode* n) { COLORREF v; return d.ReadColor(n, L"", v); }, IDS_XML_COLOR_UNKNOWN},
        {L"GIF", [&](CXmlDocument& d, IXMLDOMNode* n) { int v; return d.ReadEnum(n, L"", v, kEnum); }, IDS_XML_PARSE_ENUM_FAILED},
        {L"Left|Up", [&](CXmlDocument& d, IXMLDOMNode* n) { DWORD v; return d.ReadFlags(n, L"", v, kFlags); }, IDS_XML_FLAG_UNKNOWN},
        {L"toolong", [](CXmlDocument& d, IXMLDOMNode* n) { wchar_t b[7]; return d.ReadTextBuffer(n, L"", b, 7); }, IDS_XML_VALUE_TOO_LONG},
    };
    for (const Read& c : reads) {
        CXmlDocument::CNode e;
        ASSERT_TRUE(doc.CreateElement(L"V", L"", e) && doc.SetText(e, c.text));
        EXPECT_FALSE(c.read(doc, e)) << Narrow(c.text);
        EXPECT_EQ(c.id, doc.m_err.id) << Narrow(c.text);
    }

    struct Good { const wchar_t* text; DWORD dword; double dbl; bool number; int fixed; } goods[] = {
        {L"", 0, 0, false, 0}, {L"ff", 255, 0, false, 0}, {L"FF", 255, 0, false, 0},
        {L"1", 1, 1, true, 10}, {L"25", 0x25, 25, true, 250},
    };
    for (const Good& g : goods) {
        CXmlDocument::CNode e;
        ASSERT_TRUE(doc.CreateElement(L"V", L"", e) && doc.SetText(e, g.text));
        DWORD dw = 7;
        double dbl = 7;
        EXPECT_TRUE(doc.ReadDword(e, L"", dw));
        EXPECT_EQ(g.dword, dw) << Narrow(g.text);
        EXPECT_TRUE(doc.ReadDouble(e, L"", dbl));
        EXPECT_EQ(g.dbl, dbl) << Narrow(g.text);
        int fixed = 7;
        if (g.number) {
            EXPECT_TRUE(doc.ReadInt(e, L"", fixed, 1));
            EXPECT_EQ(g.fixed, fixed) << Narrow(g.text);
        }
    }
    int fixed = 0;
    CXmlDocument::CNode e;
    ASSERT_TRUE(doc.CreateElement(L"V", L"", e) && doc.SetText(e, L"-0.5"));
    EXPECT_TRUE(doc.ReadInt(e, L"", fixed, 1));
    EXPECT_EQ(-5, fixed);

    bool kept = true;
    EXPECT_TRUE(doc.ReadBoolOptional(r, L"Missing", kept));
    EXPECT_TRUE(kept);
    EXPECT_EQ(0u, doc.m_err.id);

    EXPECT_FALSE(doc.AppendEnumElement(r, L"E", 7, kEnum));
    EXPECT_EQ(UINT(IDS_XML_ENUM_UNKNOWN), doc.m_err.id);
    EXPECT_THROW(
        {
            int state;
            ASSERT_TRUE(doc.SetText(e, L"MAYBE"));
            doc.ReadC3State(e, L"", state);
        },
        my::CException);
}

TEST(XmlDocument, NodeListsAndPositions)
{
    CDoc doc;
    for (const wchar_t* t : {L"a", L"b", L"c"})
        ASSERT_TRUE(doc.AppendTextElement(doc.root, L"Item", t));
    CXmlDocument::CNodeList list;
    long count = 0;
    ASSERT_TRUE(doc.SelectNodes(doc.root, L"Item", list) && doc.GetNodeCount(list, count));
    EXPECT_EQ(3, count);
    std::wstring joined;
    for (long i = 0; i < count; ++i) {
        CXmlDocument::CNode item;
        std::wstring text;
        ASSERT_TRUE(doc.GetNodeItem(list, i, item) && doc.ReadText(item, L"", text));
        joined += text;
    }
    EXPECT_EQ(L"abc", joined);
    CXmlDocument::CNode item;
    EXPECT_FALSE(doc.GetNodeItem(list, 3, item));
    EXPECT_EQ(UINT(IDS_XML_NODE_ITEM_FAILED), doc.m_err.id);

    std::wstring second;
    EXPECT_TRUE(doc.ReadText(doc.root, L"Item[1]", second));
    EXPECT_EQ(L"b", second);

    ASSERT_TRUE(doc.SelectNodes(doc.root, L"Nothing", list) && doc.GetNodeCount(list, count));
    EXPECT_EQ(0, count);

    // The node itself for an empty path; no self-append.
    CXmlDocument::CNode self;
    EXPECT_TRUE(doc.SelectChildOrSelf(doc.root, L"", self));
    EXPECT_TRUE(doc.AppendChildUnlessSame(doc.root, self));
    CXmlDocument::CNode made;
    EXPECT_TRUE(doc.CreateElementOrUse(doc.root, L"", L"", made));
    EXPECT_TRUE(doc.AppendChildUnlessSame(doc.root, made));
    ASSERT_TRUE(doc.SelectNodes(doc.root, L"*", list) && doc.GetNodeCount(list, count));
    EXPECT_EQ(3, count);
    // Another node is appended.
    ASSERT_TRUE(doc.CreateElement(L"Item", L"", made));
    EXPECT_TRUE(doc.AppendChildUnlessSame(doc.root, made));
    ASSERT_TRUE(doc.SelectNodes(doc.root, L"*", list) && doc.GetNodeCount(list, count));
    EXPECT_EQ(4, count);
}

// One walk over the children picks what a selection by each name picks, and
// the count below a node climbs back from every depth.
TEST(XmlDocument, ChildIndexAndNodeCountsAgreeWithSelection)
{
    CXmlDocument doc;
    ASSERT_TRUE(doc.Create(L"<!--r--><?r?><r xmlns:p=\"urn:p\"><!--<a>c</a>--><?a pi?><p:a>p</p:a><b>b0</b><a xmlns=\"urn:d\">d</a>"
                           L"<a>1</a><b>b1</b><u/><a>2</a></r>"));
    CXmlDocument::CNode root;
    ASSERT_TRUE(doc.SelectSingleNode(L"r", root));
    CXmlDocument::CChildIndex index;
    index.Want(L"a", 5);
    index.Want(L"b");
    ASSERT_TRUE(doc.IndexChildren(root, index));
    for (const wchar_t* name : {L"a", L"b"})
        for (size_t i = 0; i < 4; ++i) {
            const std::wstring entry = std::wstring(name) + L"[" + std::to_wstring(i) + L"]";
            std::wstring selected, indexed;
            const bool found = doc.ReadText(root, entry, selected);
            EXPECT_EQ(found && (name[0] == L'a' || i == 0), index.Find(name, i) != nullptr) << Narrow(entry);
            if (index.Find(name, i) && doc.GetText(index.Find(name, i), indexed)) {
                EXPECT_EQ(selected, indexed) << Narrow(entry);
            }
        }
    CXmlDocument::CNode none;
    EXPECT_FALSE(doc.SelectIndexedEntry(index, L"b", 1, none));  // asked for one only
    EXPECT_EQ(L"XMLドキュメント指定のノードが見つかりません\n\nr -> b[1]", doc.m_err.message);

    const struct {
        const wchar_t* xml;
        size_t nodes;
    } shapes[] = {{L"<v/>", 0}, {L"<v>x</v>", 1}, {L"<v><a><b/><b/></a>x</v>", 4},
                  {L"<v><a><a><a/></a></a>y<!--z--></v>", 5}, {L"<v><a><a><a>t</a></a></a></v>", 4}};
    for (const auto& shape : shapes) {
        CXmlDocument small;
        CXmlDocument::CNode v;
        ASSERT_TRUE(small.Create(shape.xml) && small.SelectSingleNode(L"v", v));
        for (size_t most = 0; most < 7; ++most) {
            bool more = false;
            EXPECT_TRUE(small.HoldsMoreNodesThan(v, most, more));
            EXPECT_EQ(shape.nodes > most, more) << Narrow(shape.xml) << " " << most;
        }
    }
}
