#include "decoration/SettingXmlAccess.h"
#include "decoration/SettingNames.h"

namespace sxml {

void SetError(CXmlDocument& doc, const CSimpleErr& err)
{
    static_cast<CSimpleErr&>(doc.m_err) = err;
}

bool Select(CXmlDocument& doc, IXMLDOMNode* parent, const std::wstring& name, CNode& out)
{
    if (name.empty()) {
        out = parent;
        return true;
    }
    return doc.SelectChildNode(parent, name, out);
}

bool SelectAt(CXmlDocument& doc, IXMLDOMNode* parent, const std::wstring& name, size_t index, CNode& out)
{
    // XSLPattern, the default selection language of the document: "name[i]"
    // counts from 0.
    return doc.SelectChildNode(parent, name + L"[" + std::to_wstring(index) + L"]", out);
}

bool Has(CXmlDocument& doc, IXMLDOMNode* parent, const std::wstring& name)
{
    return doc.HasNode(parent, name);
}

bool Begin(CXmlDocument& doc, IXMLDOMNode* parent, const std::wstring& name, CNode& out)
{
    if (name.empty()) {
        out = parent;
        return true;
    }
    return doc.CreateElement(name, std::wstring(), out);
}

bool End(CXmlDocument& doc, IXMLDOMNode* parent, IXMLDOMNode* element)
{
    if (element == parent)
        return true;
    return doc.AppendChild(parent, element);
}

bool WriteText(CXmlDocument& doc, IXMLDOMNode* parent, const std::wstring& name, const std::wstring& text)
{
    return doc.AppendTextElement(parent, name, text);
}

bool WriteInt(CXmlDocument& doc, IXMLDOMNode* parent, const std::wstring& name, int value, int decimals)
{
    return doc.AppendIntElement(parent, name, value, decimals);
}

bool WriteLong(CXmlDocument& doc, IXMLDOMNode* parent, const std::wstring& name, long value)
{
    return doc.AppendLongElement(parent, name, value);
}

bool WriteSizeT(CXmlDocument& doc, IXMLDOMNode* parent, const std::wstring& name, size_t value)
{
    return doc.AppendSizeTElement(parent, name, value);
}

bool WriteBool(CXmlDocument& doc, IXMLDOMNode* parent, const std::wstring& name, bool value)
{
    return doc.AppendBoolElement(parent, name, value);
}

bool WriteColor(CXmlDocument& doc, IXMLDOMNode* parent, const std::wstring& name, COLORREF value)
{
    return doc.AppendColorElement(parent, name, value);
}

bool WriteDouble(CXmlDocument& doc, IXMLDOMNode* parent, const std::wstring& name, double value)
{
    return doc.AppendDoubleElement(parent, name, value);
}

bool WriteVersion(CXmlDocument& doc, IXMLDOMNode* parent, const std::wstring& name, DWORD value)
{
    return doc.AppendVersionElement(parent, name, value);
}

bool WritePath(CXmlDocument& doc, IXMLDOMNode* parent, const std::wstring& name, const std::wstring& path,
               const std::wstring& documentPath)
{
    return doc.AppendPathElement(parent, name, path, documentPath);
}

bool WriteRect(CXmlDocument& doc, IXMLDOMNode* parent, const std::wstring& name, const RECT& value)
{
    return doc.AppendRectElement(parent, name, value);
}

bool WriteEnum(CXmlDocument& doc, IXMLDOMNode* parent, const std::wstring& name, const CNameTable& table,
               UINT value)
{
    std::wstring text;
    if (!Guard(doc, [&] { text = table.ToName(value); }))
        return false;
    return WriteText(doc, parent, name, text);
}

bool WriteFlags(CXmlDocument& doc, IXMLDOMNode* parent, const std::wstring& name, const CFlagTable& table,
                UINT value)
{
    std::wstring text;
    if (!Guard(doc, [&] { text = table.ToNames(value); }))
        return false;
    return WriteText(doc, parent, name, text);
}

bool ReadText(CXmlDocument& doc, IXMLDOMNode* parent, const std::wstring& name, std::wstring& out)
{
    return doc.ReadText(parent, name, out);
}

bool ReadInt(CXmlDocument& doc, IXMLDOMNode* parent, const std::wstring& name, int& out, int decimals)
{
    return doc.ReadInt(parent, name, out, decimals);
}

bool ReadUInt(CXmlDocument& doc, IXMLDOMNode* parent, const std::wstring& name, UINT& out)
{
    int v = 0;
    if (!ReadInt(doc, parent, name, v))
        return false;
    out = static_cast<UINT>(v);
    return true;
}

bool ReadLong(CXmlDocument& doc, IXMLDOMNode* parent, const std::wstring& name, long& out)
{
    return doc.ReadLong(parent, name, out);
}

bool ReadSizeT(CXmlDocument& doc, IXMLDOMNode* parent, const std::wstring& name, size_t& out)
{
    return doc.ReadSizeT(parent, name, out);
}

bool ReadBool(CXmlDocument& doc, IXMLDOMNode* parent, const std::wstring& name, bool& out)
{
    return doc.ReadBool(parent, name, out);
}

bool ReadColor(CXmlDocument& doc, IXMLDOMNode* parent, const std::wstring& name, COLORREF& out)
{
    return doc.ReadColor(parent, name, out);
}

bool ReadDouble(CXmlDocument& doc, IXMLDOMNode* parent, const std::wstring& name, double& out)
{
    return doc.ReadDouble(parent, name, out);
}

bool ReadVersion(CXmlDocument& doc, IXMLDOMNode* parent, const std::wstring& name, DWORD& out)
{
    return doc.ReadVersion(parent, name, out);
}

bool ReadPath(CXmlDocument& doc, IXMLDOMNode* parent, const std::wstring& name, std::wstring& out,
              const std::wstring& documentPath)
{
    return doc.ReadPath(parent, name, out, documentPath);
}

bool ReadRect(CXmlDocument& doc, IXMLDOMNode* parent, const std::wstring& name, RECT& out)
{
    RECT r = out;
    if (!doc.ReadRect(parent, name, r))
        return false;
    out = r;
    return true;
}

bool ReadEnum(CXmlDocument& doc, IXMLDOMNode* parent, const std::wstring& name, const CNameTable& table,
              UINT& out)
{
    std::wstring text;
    if (!ReadText(doc, parent, name, text))
        return false;
    return Guard(doc, [&] { out = table.FromName(text); });
}

bool ReadFlags(CXmlDocument& doc, IXMLDOMNode* parent, const std::wstring& name, const CFlagTable& table,
               UINT& out)
{
    std::wstring text;
    if (!ReadText(doc, parent, name, text))
        return false;
    return Guard(doc, [&] { out = table.FromNames(text); });
}

} // namespace sxml
