// XML form of the record inside the settings documents.
#include "decoration/FontListDlgSetting.h"
#include "decoration/SettingNames.h"
#include "decoration/SettingXmlAccess.h"

bool WriteMruStrings(CXmlDocument& doc, IXMLDOMNode* parent, const std::wstring& name, const CMruStrings& mru)
{
    sxml::CNode e;
    if (!sxml::Begin(doc, parent, name, e) || !sxml::WriteBool(doc, e, L"SaveContents", mru.SaveContents))
        return false;
    if (mru.SaveContents) {
        sxml::CNode items;
        if (!sxml::Begin(doc, e, L"Items", items))
            return false;
        for (const auto& item : mru.Items)
            if (!sxml::WriteText(doc, items, L"Item", item ? *item : std::wstring()))
                return false;
        if (!sxml::End(doc, e, items))
            return false;
    }
    return sxml::WriteSizeT(doc, e, L"MaxSize", mru.MaxSize) && sxml::End(doc, parent, e);
}

bool ReadMruStrings(CXmlDocument& doc, IXMLDOMNode* parent, const std::wstring& name, CMruStrings& mru)
{
    sxml::CNode e;
    if (!sxml::Select(doc, parent, name, e) || !sxml::ReadBool(doc, e, L"SaveContents", mru.SaveContents))
        return false;
    if (mru.SaveContents) {
        sxml::CNode items;
        CComPtr<IXMLDOMNodeList> list;
        long count = 0;
        if (!sxml::Select(doc, e, L"Items", items) || !doc.SelectNodes(items, L"Item", list) ||
            !doc.GetNodeCount(list, count))
            return false;
        mru.Items.clear();
        for (long i = 0; i < count; ++i) {
            sxml::CNode item;
            std::wstring text;
            if (!doc.GetNodeItem(list, i, item) || !sxml::ReadText(doc, item, std::wstring(), text))
                return false;
            mru.Items.push_back(boost::shared_ptr<CSameNamedString>(new CSameNamedString(text)));
        }
    }
    size_t maxSize = 0;
    if (!sxml::ReadSizeT(doc, e, L"MaxSize", maxSize))
        return false;
    mru.MaxSize = maxSize;
    while (mru.Items.size() > mru.MaxSize)
        mru.Items.pop_back();  // the oldest go first
    return true;
}

bool WriteFontListDlgSetting(CXmlDocument& doc, IXMLDOMNode* parent, const std::wstring& name,
                             const CFontListDlgSetting& s)
{
    sxml::CNode e;
    std::wstring type, weight, italic;
    if (!sxml::Guard(doc, [&] {
            type = FontType3ToString(s.Type);
            weight = FontWeight4ToString(s.Weight);
            italic = FontItalic3ToString(s.Italic);
        }))
        return false;
    return sxml::Begin(doc, parent, name, e) && sxml::WriteInt(doc, e, L"CharSet", s.CharSet) &&
           sxml::WriteInt(doc, e, L"Tategaki", s.Tategaki) && sxml::WriteText(doc, e, L"Type", type) &&
           sxml::WriteInt(doc, e, L"Size", s.Size) && sxml::WriteText(doc, e, L"Weight", weight) &&
           sxml::WriteText(doc, e, L"Italic", italic) && sxml::WriteText(doc, e, L"SampleText", s.SampleText) &&
           WriteMruStrings(doc, e, L"SampleTexts", s.SampleTexts) &&
           SaveWindowLayoutXml(doc, e, L"WindowLayout", s.WindowLayout) && sxml::End(doc, parent, e);
}

namespace {

bool ReadNamed(CXmlDocument& doc, IXMLDOMNode* parent, const wchar_t* name, int (*fromString)(const std::wstring&),
               int& out)
{
    std::wstring text;
    return sxml::ReadText(doc, parent, name, text) && sxml::Guard(doc, [&] { out = fromString(text); });
}

} // namespace

bool ReadFontListDlgSetting(CXmlDocument& doc, IXMLDOMNode* parent, const std::wstring& name,
                            CFontListDlgSetting& s)
{
    sxml::CNode e;
    if (!sxml::Select(doc, parent, name, e) || !sxml::ReadInt(doc, e, L"CharSet", s.CharSet) ||
        !sxml::ReadInt(doc, e, L"Tategaki", s.Tategaki))
        return false;
    if (sxml::Has(doc, e, L"Type") && !ReadNamed(doc, e, L"Type", FontType3FromString, s.Type))
        return false;
    return sxml::ReadInt(doc, e, L"Size", s.Size) && ReadNamed(doc, e, L"Weight", FontWeight4FromString, s.Weight) &&
           ReadNamed(doc, e, L"Italic", FontItalic3FromString, s.Italic) &&
           sxml::ReadText(doc, e, L"SampleText", s.SampleText) &&
           ReadMruStrings(doc, e, L"SampleTexts", s.SampleTexts) &&
           LoadWindowLayoutXml(doc, e, L"WindowLayout", s.WindowLayout);
}
