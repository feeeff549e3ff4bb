// What a user reads when a settings or decoration settings file cannot be
// written or read: the file, and for a document that does not parse, where
// and why.
#include "decoration/SettingXml.h"
#include "foundation/ResourceString.h"
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
