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

// Documents that Wine's parser refuses without a reason of its own: each
// message says why, and names the file or the clipboard.
TEST(SettingsFileMessages, EveryRefusedDocumentSaysWhy)
{
    CTempFolder folder;
    const std::wstring path = folder.File(L"refused.knt");
    auto document = [](const std::string& root, const std::string& declaration, const std::string& body) {
        return "<?xml version=\"1.0\" encoding=\"" + declaration + "\"?>\r\n<" + root + "><Version>1.4.2.0</Version>" +
               body + "</" + root + ">";
    };
    std::string deep;
    for (int i = 0; i < 300; ++i)
        deep += "<Bordering>";
    for (int i = 0; i < 300; ++i)
        deep += "</Bordering>";
    const struct {
        const char* declaration;
        std::string body;
        std::wstring reason;
    } cases[] = {
        {"Shift_JIS", "<FontFace>\x82\xA0</FontFace>", CSimpleErr::Format(IDS_XML_LIMIT_ENCODING, L"Shift_JIS")},
        {"x-unknown-enc", "", CSimpleErr::Format(IDS_XML_LIMIT_ENCODING, L"x-unknown-enc")},
        {"utf-8", deep, CSimpleErr::Format(IDS_XML_LIMIT_TOO_DEEP, L"257")},
        {"utf-8", "<Unit>&#x1;</Unit>", CSimpleErr::Format(IDS_XML_SYNTAX_BAD_CHARACTER_REFERENCE, L"&#x1;")},
        {"utf-8", "<Unit>&#0;</Unit>", CSimpleErr::Format(IDS_XML_SYNTAX_BAD_CHARACTER_REFERENCE, L"&#0;")},
        {nullptr, "", LoadResourceString(IDS_XML_EMPTY_DOCUMENT)},
    };
    for (const auto& c : cases) {
        const std::string shown = c.declaration ? c.declaration + c.body.substr(0, 20) : "(empty)";
        ASSERT_TRUE(WriteFileBytes(path, c.declaration ? document("Settings", c.declaration, c.body) : ""));
        CSetting s;
        CSettingXmlReader reader;
        EXPECT_FALSE(reader.Read(s, path));
        EXPECT_EQ(UINT(IDS_XML_LOAD_FAILED), reader.GetError().id) << shown;
        for (const std::wstring& named : {c.reason, path})
            EXPECT_NE(std::wstring::npos, reader.GetError().message.find(named))
                << Narrow(named) << " in " << Narrow(reader.GetError().message);

        CBorderingSetting b;
        CSettingXmlReader clip;
        EXPECT_FALSE(clip.ReadBorderingSettingsBytes(
            b, c.declaration ? document("BorderingSettings", c.declaration, c.body) : ""));
        EXPECT_EQ(UINT(IDS_XML_PARSE_FAILED), clip.GetError().id) << shown;
        for (const std::wstring& named : {c.reason, LoadResourceString(IDS_SETTING_IN_CLIPBOARD)})
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
