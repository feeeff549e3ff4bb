// XML form of the record inside the settings documents.
#include "decoration/WindowLayout.h"
#include "decoration/SettingXmlAccess.h"

bool SaveWindowLayoutXml(CXmlDocument& doc, IXMLDOMNode* parent, const std::wstring& name,
                         const CWindowLayout& layout)
{
    sxml::CNode e;
    return sxml::Begin(doc, parent, name, e) && sxml::WriteBool(doc, e, L"FullScreen", layout.FullScreen) &&
           sxml::WriteBool(doc, e, L"Maximized", layout.Maximized) &&
           sxml::WriteRect(doc, e, L"NormalBounds", layout.NormalBounds) &&
           sxml::WriteInt(doc, e, L"SplitterPos", layout.SplitterPos) && sxml::End(doc, parent, e);
}

bool LoadWindowLayoutXml(CXmlDocument& doc, IXMLDOMNode* parent, const std::wstring& name,
                         CWindowLayout& layout)
{
    sxml::CNode e;
    return sxml::Select(doc, parent, name, e) && sxml::ReadBool(doc, e, L"FullScreen", layout.FullScreen) &&
           sxml::ReadBool(doc, e, L"Maximized", layout.Maximized) &&
           sxml::ReadRect(doc, e, L"NormalBounds", layout.NormalBounds) &&
           sxml::ReadInt(doc, e, L"SplitterPos", layout.SplitterPos);
}

bool SaveWindowLayoutXml(CXmlDocument& doc, IXMLDOMNode* parent, const std::wstring& name,
                         const CDialogLayout& layout)
{
    sxml::CNode e;
    return sxml::Begin(doc, parent, name, e) && sxml::WriteBool(doc, e, L"Maximized", layout.Maximized) &&
           sxml::WriteRect(doc, e, L"Rect", layout.Rect) && sxml::End(doc, parent, e);
}

bool LoadWindowLayoutXml(CXmlDocument& doc, IXMLDOMNode* parent, const std::wstring& name,
                         CDialogLayout& layout)
{
    sxml::CNode e;
    return sxml::Select(doc, parent, name, e) && sxml::ReadBool(doc, e, L"Maximized", layout.Maximized) &&
           sxml::ReadRect(doc, e, L"Rect", layout.Rect);
}
