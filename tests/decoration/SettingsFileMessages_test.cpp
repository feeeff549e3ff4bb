// What a user reads when a settings or decoration settings file cannot be
// written or read: the file, and for a document that does not parse, where
// and why; a document too large to be one is refused by its size.
#include "decoration/SettingLimits.h"
#include "decoration/SettingXml.h"
#include "foundation/GlobalMemory.h"
#include "foundation/ResourceString.h"
#include "resources/strings_decoration.h"
#include "resources/strings_foundation_io.h"
#include "tests/common/TestSupport.h"
#include <gtest/gtest.h>

TEST(SettingsFileMessages, ASaveThatFailsNamesTheFile)
{
    CTempFolder folder;
    const std::wstring path = folder.File(L"held.knt");
    CSetting s;
    CSettingXmlWriter writer;
    ASSERT_TRUE(writer.Write(s, path));
    // Another program holds the file without sharing: it cannot be replaced.
    s.BkColor = 0x123456;
    CSettingXmlWriter again;
    {
        const CHandle held = HoldWithoutSharing(path);
        ASSERT_TRUE(held.IsValid());
        ASSERT_FALSE(again.Write(s, path));
    }
    EXPECT_EQ(UINT(IDS_XML_FILE_SAVE_FAILED), again.GetError().id);
    EXPECT_NE(std::wstring::npos, again.GetError().message.find(path)) << Narrow(again.GetError().message);
}

TEST(SettingsFileMessages, ADocumentThatDoesNotParseSaysWhereAndWhy)
{
    CTempFolder folder;
    const std::wstring path = folder.File(L"cut.knt");
    ASSERT_TRUE(WriteFileBytes(path, "<?xml version=\"1.0\"?>\r\n<Settings>\r\n  <Version>1.4.2.0</Version>\r\n"));
    CSetting s;
    CSettingXmlReader reader;
    EXPECT_FALSE(reader.Read(s, path));
    const CSimpleErr& err = reader.GetError();
    EXPECT_EQ(UINT(IDS_XML_LOAD_FAILED), err.id);
    EXPECT_NE(std::wstring::npos, err.message.find(path));
    const std::wstring where = CSimpleErr::Format(IDS_XML_SYNTAX_AT, L"4", L"1",
                                                  CSimpleErr::Format(IDS_XML_SYNTAX_UNCLOSED, L"Settings"));
    EXPECT_NE(std::wstring::npos, err.message.find(where)) << Narrow(err.message);

    // The clipboard's fragment has no file: where and why alone.
    CBorderingSetting b;
    const std::string fragment = "<BorderingSettings>\n<Version>1.4.2.0</Version>\n<Bordering><Size>1</Size>";
    EXPECT_FALSE(reader.ReadBorderingSettingsBytes(b, fragment));
    EXPECT_EQ(UINT(IDS_XML_PARSE_FAILED), reader.GetError().id);
    EXPECT_NE(std::wstring::npos, reader.GetError().message.find(L"3")) << Narrow(reader.GetError().message);
    EXPECT_NE(std::wstring::npos,
              reader.GetError().message.find(CSimpleErr::Format(IDS_XML_SYNTAX_UNCLOSED, L"Bordering")));
}

// Documents that Wine's parser refuses without a reason of its own, or
// would read for minutes into hundreds of megabytes (entities a document
// type declaration defines): each message says where and why, and names the
// file or the clipboard. The body stands on a line of its own after the
// root's start tag.
TEST(SettingsFileMessages, EveryRefusedDocumentSaysWhy)
{
    CTempFolder folder;
    const std::wstring path = folder.File(L"refused.knt");
    auto document = [](const std::string& root, const std::string& head, const std::string& body) {
        return head + "<" + root + "><Version>1.4.2.0</Version>\r\n" + body + "</" + root + ">";
    };
    auto declaration = [](const std::string& encoding) {
        return "<?xml version=\"1.0\" encoding=\"" + encoding + "\"?>\r\n";
    };
    const std::string utf8 = declaration("utf-8"), plain = "<?xml version=\"1.0\"?>";
    std::string deep;
    for (int i = 0; i < 300; ++i)
        deep += "<Bordering>";
    for (int i = 0; i < 300; ++i)
        deep += "</Bordering>";
    auto repeated = [](const std::string& text, int count) {
        std::string out;
        while (count-- > 0)
            out += text;
        return out;
    };
    // Entity i names entity i - 1 `refs` times; the face names the last.
    auto chain = [&](int count, int refs) {
        std::string d = "<!DOCTYPE Settings [<!ENTITY e0 'lol'>";
        for (int i = 1; i <= count; ++i)
            d += "<!ENTITY e" + std::to_string(i) + " '" + repeated("&e" + std::to_string(i - 1) + ";", refs) + "'>";
        return d + "]>\r\n";
    };
    auto entity = [](const std::string& value) { return "<!DOCTYPE Settings [<!ENTITY e " + value + ">]>\r\n"; };
    const std::wstring notAtStart = LoadResourceString(IDS_XML_SYNTAX_DECLARATION_NOT_AT_START),
                       badDeclaration = LoadResourceString(IDS_XML_SYNTAX_BAD_DECLARATION),
                       doctype = LoadResourceString(IDS_XML_SYNTAX_DOCTYPE);
    const struct {
        std::string head, body;
        int line, column;  // 0: an empty document, said without a place
        std::wstring reason;
    } cases[] = {
        {declaration("Shift_JIS"), "<FontFace>\x82\xA0</FontFace>", 1, 31, CSimpleErr::Format(IDS_XML_LIMIT_ENCODING, L"Shift_JIS")},
        {declaration("x-unknown-enc"), "", 1, 31, CSimpleErr::Format(IDS_XML_LIMIT_ENCODING, L"x-unknown-enc")},
        {utf8, deep, 3, 1 + 11 * 23, CSimpleErr::Format(IDS_XML_LIMIT_TOO_DEEP, L"24")},
        {utf8, "<Unit>&#x1;</Unit>", 3, 7, CSimpleErr::Format(IDS_XML_SYNTAX_BAD_CHARACTER_REFERENCE, L"&#x1;")},
        {utf8, "<Unit>&#0;</Unit>", 3, 7, CSimpleErr::Format(IDS_XML_SYNTAX_BAD_CHARACTER_REFERENCE, L"&#0;")},
        {"", "", 0, 0, LoadResourceString(IDS_XML_EMPTY_DOCUMENT)},
        {"\r\n" + utf8, "", 2, 1, notAtStart},
        {" " + utf8, "", 1, 2, notAtStart},
        {"<!-- c -->" + utf8, "", 1, 11, notAtStart},
        {"\xEF\xBB\xBF " + utf8, "", 1, 2, notAtStart},
        {utf8 + utf8, "", 2, 1, notAtStart},
        {utf8, plain, 3, 1, notAtStart},
        {"<?XML version=\"1.0\"?>", "", 1, 1, badDeclaration},
        {"<?xml version=\"2.0\"?>", "", 1, 16, CSimpleErr::Format(IDS_XML_SYNTAX_BAD_VERSION, L"2.0")},
        {"<?xml encoding=\"utf-8\"?>", "", 1, 7, badDeclaration},
        {"<?xml version=\"1.0\" standalone=\"maybe\"?>", "", 1, 33, badDeclaration},
        {utf8, "<!-- a -- b -->", 3, 8, LoadResourceString(IDS_XML_SYNTAX_COMMENT_DASHES)},
        {utf8, "a ]]> b", 3, 3, LoadResourceString(IDS_XML_SYNTAX_CDATA_END_IN_TEXT)},
        {utf8, std::string("<Unit>\0</Unit>", 14), 3, 7, LoadResourceString(IDS_XML_SYNTAX_BAD_CHARACTER)},
        {std::string(1, '\0'), "", 1, 1, LoadResourceString(IDS_XML_SYNTAX_BAD_CHARACTER)},
        {utf8 + entity("'" + std::string(50000, 'x') + "'"), "<FontFace>" + repeated("&e;", 2000) + "</FontFace>", 2, 1, doctype},
        {utf8 + entity("'" + std::string(100000, 'x') + "'"), "<FontFace>" + repeated("&e;", 20000) + "</FontFace>", 2, 1, doctype},
        {utf8 + chain(18, 2), "<FontFace>&e18;</FontFace>", 2, 1, doctype},
        {utf8 + chain(4, 10), "<FontFace>&e4;</FontFace>", 2, 1, doctype},
        {utf8 + chain(9, 10), "<FontFace>&e9;</FontFace>", 2, 1, doctype},
        {utf8 + entity("SYSTEM 'file:///C:/windows/win.ini'"), "<FontFace>&e;</FontFace>", 2, 1, doctype},
        {utf8 + entity("'" + std::string(3800000, 'x') + "'"), "<FontFace a='" + repeated("&e;", 99) + "'/>", 2, 1, doctype},
        {"\xEF\xBB\xBF<!-- c --><?pi?><!DOCTYPE Settings>", "", 1, 17, doctype},
    };
    for (const auto& c : cases) {
        const std::string text = c.line ? document("Settings", c.head, c.body) : "";
        const std::string shown = text.substr(0, 60);
        const std::wstring said =
            c.line ? CSimpleErr::Format(IDS_XML_SYNTAX_AT, std::to_wstring(c.line), std::to_wstring(c.column), c.reason)
                   : c.reason;
        ASSERT_TRUE(WriteFileBytes(path, text));
        CSetting s;
        CSettingXmlReader reader;
        EXPECT_FALSE(reader.Read(s, path));
        EXPECT_EQ(UINT(IDS_XML_LOAD_FAILED), reader.GetError().id) << shown;
        for (const std::wstring& named : {said, path})
            EXPECT_NE(std::wstring::npos, reader.GetError().message.find(named))
                << Narrow(named) << " in " << Narrow(reader.GetError().message);

        CBorderingSetting b;
        CSettingXmlReader clip;
        EXPECT_FALSE(clip.ReadBorderingSettingsBytes(b, c.line ? document("BorderingSettings", c.head, c.body) : ""));
        EXPECT_EQ(UINT(IDS_XML_PARSE_FAILED), clip.GetError().id) << shown;
        for (const std::wstring& named : {said, LoadResourceString(IDS_SETTING_IN_CLIPBOARD)})
            EXPECT_NE(std::wstring::npos, clip.GetError().message.find(named))
                << Narrow(named) << " in " << Narrow(clip.GetError().message);
    }
}

// A settings document is some 10 KB: one of 60 MB is refused by its size,
// before it is read, with the file and the size named. Up to the limit a
// document reads.
TEST(SettingsFileMessages, HugeDocumentsAreRefusedBeforeTheyAreRead)
{
    CTempFolder folder;
    const std::wstring huge = folder.File(L"huge.knt");
    ASSERT_TRUE(MakeFileOfSize(huge, 60 << 20));
    CSetting s;
    CSettingXmlReader reader;
    EXPECT_FALSE(reader.Read(s, huge));
    EXPECT_EQ(UINT(IDS_XML_FILE_TOO_LARGE), reader.GetError().id);
    for (const std::wstring& named : {huge, std::wstring(L"62,914,560")})
        EXPECT_NE(std::wstring::npos, reader.GetError().message.find(named)) << Narrow(reader.GetError().message);

    CGlobalMemory block;
    ASSERT_TRUE(block.Alloc(60 << 20, GMEM_MOVEABLE | GMEM_ZEROINIT));
    CBorderingSetting b;
    CSettingXmlReader clip;
    EXPECT_FALSE(clip.ReadBorderingSettings(b, block));
    EXPECT_EQ(UINT(IDS_XML_DATA_TOO_LARGE), clip.GetError().id);
    for (const std::wstring& named : {LoadResourceString(IDS_SETTING_IN_CLIPBOARD), std::wstring(L"62,914,560")})
        EXPECT_NE(std::wstring::npos, clip.GetError().message.find(named)) << Narrow(clip.GetError().message);

    // A real document padded with a comment to the limit, and one byte more.
    const std::wstring path = folder.File(L"large.knt");
    CSettingXmlWriter writer;
    ASSERT_TRUE(writer.Write(CSetting(), path));
    const std::string written = ReadFileBytes(path);
    const size_t cut = written.find("<Settings");
    ASSERT_NE(std::string::npos, cut);
    const size_t padding = static_cast<size_t>(limits::kMaxDocumentBytes) - written.size() - 7;
    const std::string padded = written.substr(0, cut) + "<!--" + std::string(padding, 'x') + "-->" + written.substr(cut);
    ASSERT_EQ(limits::kMaxDocumentBytes, padded.size());
    for (const std::string& text : {padded, padded + "\n"}) {
        ASSERT_TRUE(WriteFileBytes(path, text));
        CSettingXmlReader large;
        EXPECT_EQ(text.size() == padded.size(), large.Read(s, path)) << Narrow(large.GetError().message);
    }
}
