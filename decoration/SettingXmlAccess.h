// The element-level vocabulary the settings documents are built from, over
// the XML document wrapper: every call returns true or false and leaves the
// reason in the document's error record. An empty element name means the
// node itself (write into it, read from it). Enumerations and flags go
// through the settings' own name tables, whose exceptions (IDS_UNKNOWN_VALUE, IDS_UNKNOWN_NAME)
// are turned into the error record here.
#pragma once
#include "foundation/XmlDocument.h"
#include "platform/ComPtr.h"
#include <windows.h>
#include <string>

class CNameTable;
class CFlagTable;

namespace sxml {

typedef CComPtr<IXMLDOMNode> CNode;

// The named child (required: a missing one is IDS_XML_NODE_NOT_FOUND), or the node itself.
bool Select(CXmlDocument& doc, IXMLDOMNode* parent, const std::wstring& name, CNode& out);
// The i-th child of that name, counted from 0.
bool SelectAt(CXmlDocument& doc, IXMLDOMNode* parent, const std::wstring& name, size_t index, CNode& out);
// Presence test for an optional element; reports nothing.
bool Has(CXmlDocument& doc, IXMLDOMNode* parent, const std::wstring& name);
// A new element to fill, or the parent itself for an empty name.
bool Begin(CXmlDocument& doc, IXMLDOMNode* parent, const std::wstring& name, CNode& out);
// Appends what Begin made (nothing for the parent itself).
bool End(CXmlDocument& doc, IXMLDOMNode* parent, IXMLDOMNode* element);

bool WriteText(CXmlDocument& doc, IXMLDOMNode* parent, const std::wstring& name, const std::wstring& text);
bool WriteInt(CXmlDocument& doc, IXMLDOMNode* parent, const std::wstring& name, int value, int decimals = 0);
bool WriteLong(CXmlDocument& doc, IXMLDOMNode* parent, const std::wstring& name, long value);
bool WriteSizeT(CXmlDocument& doc, IXMLDOMNode* parent, const std::wstring& name, size_t value);
bool WriteBool(CXmlDocument& doc, IXMLDOMNode* parent, const std::wstring& name, bool value);
bool WriteColor(CXmlDocument& doc, IXMLDOMNode* parent, const std::wstring& name, COLORREF value);
bool WriteDouble(CXmlDocument& doc, IXMLDOMNode* parent, const std::wstring& name, double value);
bool WriteVersion(CXmlDocument& doc, IXMLDOMNode* parent, const std::wstring& name, DWORD value);
bool WritePath(CXmlDocument& doc, IXMLDOMNode* parent, const std::wstring& name, const std::wstring& path,
               const std::wstring& documentPath);
bool WriteRect(CXmlDocument& doc, IXMLDOMNode* parent, const std::wstring& name, const RECT& value);
bool WriteEnum(CXmlDocument& doc, IXMLDOMNode* parent, const std::wstring& name, const CNameTable& table,
               UINT value);
bool WriteFlags(CXmlDocument& doc, IXMLDOMNode* parent, const std::wstring& name, const CFlagTable& table,
                UINT value);

bool ReadText(CXmlDocument& doc, IXMLDOMNode* parent, const std::wstring& name, std::wstring& out);
bool ReadInt(CXmlDocument& doc, IXMLDOMNode* parent, const std::wstring& name, int& out, int decimals = 0);
bool ReadUInt(CXmlDocument& doc, IXMLDOMNode* parent, const std::wstring& name, UINT& out);
bool ReadLong(CXmlDocument& doc, IXMLDOMNode* parent, const std::wstring& name, long& out);
bool ReadSizeT(CXmlDocument& doc, IXMLDOMNode* parent, const std::wstring& name, size_t& out);
bool ReadBool(CXmlDocument& doc, IXMLDOMNode* parent, const std::wstring& name, bool& out);
bool ReadColor(CXmlDocument& doc, IXMLDOMNode* parent, const std::wstring& name, COLORREF& out);
bool ReadDouble(CXmlDocument& doc, IXMLDOMNode* parent, const std::wstring& name, double& out);
bool ReadVersion(CXmlDocument& doc, IXMLDOMNode* parent, const std::wstring& name, DWORD& out);
bool ReadPath(CXmlDocument& doc, IXMLDOMNode* parent, const std::wstring& name, std::wstring& out,
              const std::wstring& documentPath);
// All four sides or nothing.
bool ReadRect(CXmlDocument& doc, IXMLDOMNode* parent, const std::wstring& name, RECT& out);
bool ReadEnum(CXmlDocument& doc, IXMLDOMNode* parent, const std::wstring& name, const CNameTable& table,
              UINT& out);
bool ReadFlags(CXmlDocument& doc, IXMLDOMNode* parent, const std::wstring& name, const CFlagTable& table,
               UINT& out);

// Runs a conversion that may throw my::CException and turns the exception
// into the document's error record.
template <class F>
bool Guard(CXmlDocument& doc, F f);
void SetError(CXmlDocument& doc, const CSimpleErr& err);

template <class F>
bool Guard(CXmlDocument& doc, F f)
{
    try {
        f();
        return true;
    } catch (const my::CException& e) {
        SetError(doc, e);
        return false;
    }
}

} // namespace sxml
