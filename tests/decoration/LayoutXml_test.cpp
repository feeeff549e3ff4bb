#include "decoration/FontListDlgSetting.h"
#include "decoration/XmlForm.h"
#include "resources/strings_foundation.h"
#include "resources/strings_foundation_io.h"
#include "tests/common/TestSupport.h"
#include <gtest/gtest.h>

namespace {

// A document holding `body` under the root "R".
bool Load(CXmlDocument& doc, CXmlDocument::CNode& root, const std::wstring& body)
{
    return doc.Create(L"<?xml version=\"1.0\" encoding=\"utf-8\"?><R>" + body + L"</R>") &&
           doc.SelectSingleNode(L"R", root);
}

// The node's markup. Wine indents the "xml" property (saving does not), so
// line breaks and tabs are dropped; the values here hold none.
std::wstring Xml(CXmlDocument& doc, IXMLDOMNode* node)
{
    BSTR text = nullptr;
    node->get_xml(&text);
    std::wstring out;
    for (const wchar_t* p = text; p && *p; ++p)
        if (*p != L'\r' && *p != L'\n' && *p != L'\t')
            out += *p;
    SysFreeString(text);
    return out;
}

// The record from the element `name` below the root, or into one.
template <class R>
bool ReadChild(CXmlDocument& doc, IXMLDOMNode* root, const wchar_t* name, R& r)
{
    CXmlForm form(doc);
    CXmlDocument::CNode e;
    return doc.SelectChildNode(root, name, e) && ReadXml(form, e, r);
}

template <class R>
bool WriteChild(CXmlDocument& doc, IXMLDOMNode* root, const wchar_t* name, const R& r)
{
    CXmlForm form(doc);
    CXmlDocument::CNode e;
    return doc.CreateElement(name, std::wstring(), e) && WriteXml(form, e, r) && doc.AppendChild(root, e);
}

const wchar_t kBounds[] = L"<NormalBounds><left>1</left><top>2</top><right>3</right><bottom>4</bottom></NormalBounds>";

std::wstring FontListBody(const std::wstring& type, const std::wstring& italic, const std::wstring& mru)
{
    return L"<FontListDlg><CharSet>128</CharSet><Tategaki>1</Tategaki>" + type +
           L"<Size>24</Size><Weight>LIGHTER</Weight><Italic>" + italic +
           L"</Italic><SampleText>abc</SampleText><SampleTexts>" + mru +
           L"</SampleTexts><WindowLayout><Maximized>true</Maximized><Rect><left>5</left><top>6</top>"
           L"<right>7</right><bottom>8</bottom></Rect></WindowLayout></FontListDlg>";
}

std::wstring Items(int n)
{
    std::wstring items = L"<Items>";
    for (int i = 0; i < n; ++i)
        items += L"<Item>t" + std::to_wstring(i) + L"</Item>";
    return items + L"</Items>";
}

} // namespace

TEST(WindowLayoutXml, DefaultRoundTrip)
{
    CXmlDocument doc;
    CXmlDocument::CNode root;
    ASSERT_TRUE(Load(doc, root, L""));
    ASSERT_TRUE(WriteChild(doc, root, L"WindowLayout", CWindowLayout()));
    EXPECT_EQ(L"<R><WindowLayout><FullScreen>false</FullScreen><Maximized>false</Maximized><NormalBounds>"
              L"<left>0</left><top>0</top><right>0</right><bottom>0</bottom></NormalBounds>"
              L"<SplitterPos>-1</SplitterPos></WindowLayout></R>",
              Xml(doc, root));
    CWindowLayout read;
    read.FullScreen = true;
    read.SplitterPos = 5;
    ASSERT_TRUE(ReadChild(doc, root, L"WindowLayout", read));
    EXPECT_TRUE(read == CWindowLayout());

    // A record's fields go into the element it is given.
    CXmlDocument doc2;
    CXmlDocument::CNode root2;
    ASSERT_TRUE(Load(doc2, root2, L""));
    CDialogLayout dialog;
    dialog.Maximized = true;
    SetRect(&dialog.Rect, -1, 2, 30, 40);
    CXmlForm form(doc2);
    ASSERT_TRUE(WriteXml(form, root2, dialog));
    EXPECT_EQ(L"<R><Maximized>true</Maximized><Rect><left>-1</left><top>2</top><right>30</right><bottom>40</bottom>"
              L"</Rect></R>",
              Xml(doc2, root2));
    CDialogLayout back;
    ASSERT_TRUE(ReadXml(form, root2, back));
    EXPECT_TRUE(back == dialog);
}

TEST(WindowLayoutXml, FailuresKeepWhatWasNotRead)
{
    struct Case {
        std::wstring body;
        UINT error;
        bool boundsRead;
    } cases[] = {
        {L"<WindowLayout><FullScreen>true</FullScreen><Maximized>true</Maximized>" + std::wstring(kBounds) +
             L"</WindowLayout>",
         IDS_XML_NODE_NOT_FOUND, true},
        {L"<WindowLayout><FullScreen>true</FullScreen><Maximized>true</Maximized><NormalBounds><left>1</left>"
         L"<top>x</top><right>3</right><bottom>4</bottom></NormalBounds><SplitterPos>1</SplitterPos></WindowLayout>",
         IDS_XML_PARSE_LONG_FAILED, false},
        {L"<WindowLayout><FullScreen>yes</FullScreen></WindowLayout>", IDS_XML_BOOL_INVALID, false},
        {L"<WindowLayout><FullScreen>true</FullScreen><Maximized>true</Maximized>" + std::wstring(kBounds) +
             L"<SplitterPos>1.5.</SplitterPos></WindowLayout>",
         IDS_XML_PARSE_INT_FAILED, true},
    };
    for (const Case& c : cases) {
        CXmlDocument doc;
        CXmlDocument::CNode root;
        ASSERT_TRUE(Load(doc, root, c.body));
        CWindowLayout layout;
        EXPECT_FALSE(ReadChild(doc, root, L"WindowLayout", layout));
        EXPECT_EQ(c.error, doc.m_err.id) << Narrow(c.body);
        EXPECT_EQ(c.boundsRead, layout.NormalBounds.right == 3) << Narrow(c.body);
        if (c.error != IDS_XML_BOOL_INVALID) {
            EXPECT_TRUE(layout.FullScreen);
            EXPECT_TRUE(layout.Maximized);
        }
        EXPECT_EQ(-1, layout.SplitterPos);
    }
}

TEST(FontListDlgXml, NamesListAndOptionalType)
{
    // Every field's round trip is the settings file's (SettingXml); here the
    // names of the three tables and the text list's form.
    CFontListDlgSetting s;
    s.Type = 2;
    s.Italic = 1;
    s.SampleTexts.Items.push_back(boost::shared_ptr<std::wstring>(new std::wstring(L"a")));
    s.SampleTexts.Items.push_back(boost::shared_ptr<std::wstring>(new std::wstring(L"b")));
    s.SampleTexts.MaxSize = 9;
    CXmlDocument doc;
    CXmlDocument::CNode root;
    ASSERT_TRUE(Load(doc, root, L""));
    ASSERT_TRUE(WriteChild(doc, root, L"FontListDlg", s));
    const std::wstring xml = Xml(doc, root);
    EXPECT_NE(std::wstring::npos, xml.find(L"<Type>VECTOR</Type><Size>22</Size><Weight>UNDEF</Weight>"
                                           L"<Italic>OFF</Italic>"));
    EXPECT_NE(std::wstring::npos,
              xml.find(L"<SampleTexts><SaveContents>true</SaveContents><Items><Item>a</Item><Item>b</Item></Items>"
                       L"<MaxSize>9</MaxSize></SampleTexts>"));

    // Without "Type" everything else is read and Type stays.
    CXmlDocument doc2;
    CXmlDocument::CNode root2;
    ASSERT_TRUE(Load(doc2, root2, FontListBody(L"", L"ON", L"<SaveContents>true</SaveContents>" + Items(1) +
                                                             L"<MaxSize>20</MaxSize>")));
    CFontListDlgSetting noType;
    noType.Type = 1;
    ASSERT_TRUE(ReadChild(doc2, root2, L"FontListDlg", noType)) << Narrow(doc2.m_err.message);
    EXPECT_EQ(1, noType.Type);
    EXPECT_EQ(2, noType.Italic);
    EXPECT_EQ(2, noType.Weight);
    EXPECT_EQ(1, noType.Tategaki);
    EXPECT_TRUE(noType.WindowLayout.Maximized);
}

TEST(FontListDlgXml, MruLists)
{
    struct Case {
        std::wstring mru;
        size_t items;
        const wchar_t* last;
    } cases[] = {
        // Twenty-five items, twenty kept: the first twenty of the document.
        {L"<SaveContents>true</SaveContents>" + Items(25) + L"<MaxSize>20</MaxSize>", 20, L"t19"},
        {L"<SaveContents>true</SaveContents>" + Items(3) + L"<MaxSize>0</MaxSize>", 0, nullptr},
        {L"<SaveContents>true</SaveContents><Items></Items><MaxSize>5</MaxSize>", 0, nullptr},
        // Contents not saved: the items in memory stay, MaxSize is still read.
        {L"<SaveContents>false</SaveContents><MaxSize>1</MaxSize>", 1, L"old0"},
    };
    for (const Case& c : cases) {
        CXmlDocument doc;
        CXmlDocument::CNode root;
        ASSERT_TRUE(Load(doc, root, L"<M>" + c.mru + L"</M>"));
        CMruStrings mru;
        mru.Items.push_back(boost::shared_ptr<std::wstring>(new std::wstring(L"old0")));
        mru.Items.push_back(boost::shared_ptr<std::wstring>(new std::wstring(L"old1")));
        ASSERT_TRUE(ReadChild(doc, root, L"M", mru)) << Narrow(c.mru);
        ClampFields(mru);  // as after every read: the oldest beyond MaxSize go
        ASSERT_EQ(c.items, mru.Items.size()) << Narrow(c.mru);
        if (c.last) {
            EXPECT_EQ(c.last, *mru.Items.back());
        }
    }

    // Not saving the contents writes no "Items".
    CXmlDocument doc;
    CXmlDocument::CNode root;
    ASSERT_TRUE(Load(doc, root, L""));
    CMruStrings mru;
    mru.SaveContents = false;
    mru.Items.push_back(boost::shared_ptr<std::wstring>(new std::wstring(L"secret")));
    ASSERT_TRUE(WriteChild(doc, root, L"M", mru));
    EXPECT_EQ(L"<R><M><SaveContents>false</SaveContents><MaxSize>20</MaxSize></M></R>", Xml(doc, root));
}

TEST(FontListDlgXml, NamesAndFailures)
{
    struct Case {
        std::wstring body;
        UINT error;
        const wchar_t* named;
    } cases[] = {
        {FontListBody(L"", L"on", L""), IDS_UNKNOWN_NAME, L"FontItalic3"},
        {FontListBody(L"<Type>Raster</Type>", L"ON", L""), IDS_UNKNOWN_NAME, L"FontType3"},
        {FontListBody(L"", L"ON", L"<SaveContents>true</SaveContents><MaxSize>3</MaxSize>"), IDS_XML_NODE_NOT_FOUND, nullptr},
        {FontListBody(L"", L"ON", L"<SaveContents>true</SaveContents>" + Items(1) + L"<MaxSize>-1</MaxSize>"), IDS_XML_PARSE_SIZE_FAILED,
         nullptr},
    };
    for (const Case& c : cases) {
        CXmlDocument doc;
        CXmlDocument::CNode root;
        ASSERT_TRUE(Load(doc, root, c.body));
        CFontListDlgSetting s;
        EXPECT_FALSE(ReadChild(doc, root, L"FontListDlg", s));
        EXPECT_EQ(c.error, doc.m_err.id) << Narrow(c.body);
        if (c.named) {
            EXPECT_NE(std::wstring::npos, doc.m_err.message.find(c.named)) << Narrow(doc.m_err.message);
        }
    }
    // A value outside a table is refused on writing, naming the table.
    CXmlDocument doc;
    CXmlDocument::CNode root;
    ASSERT_TRUE(Load(doc, root, L""));
    CFontListDlgSetting bad;
    bad.Weight = 4;
    EXPECT_FALSE(WriteChild(doc, root, L"FontListDlg", bad));
    EXPECT_EQ(UINT(IDS_UNKNOWN_VALUE), doc.m_err.id);
    EXPECT_NE(std::wstring::npos, doc.m_err.message.find(L"FontWeight4"));
}
