// XML documents over the MSXML document object model.
//
// CXmlDocument owns one document object. Every operation returns true on
// success; on false the reason is in m_err (message id, HRESULT, text), which
// keeps the last failure until another overwrites it or ClearNotFoundError
// clears it. Nothing here throws, except for lack of memory and the one
// conversion that throws by design (ReadC3State, 53907).
//
// Values are written as the text of child elements and read back by a
// selection path (a child element name; "name[i]" picks the i-th, from 0). The
// wrapper adds no declaration, indentation or line break of its own: a
// document holds what its template held plus the appended elements.
#pragma once
#include "foundation/Error.h"
#include "foundation/XmlValue.h"
#include "platform/ComPtr.h"
#include "platform/MsXml.h"
#include <windows.h>
#include <string>
#include <vector>

class CXmlDocument {
public:
    typedef CComPtr<IXMLDOMNode> CNode;
    typedef CComPtr<IXMLDOMNodeList> CNodeList;

    CSimpleErr m_err;
    CComPtr<IXMLDOMDocument> m_doc;

    CXmlDocument() = default;
    CXmlDocument(const CXmlDocument&) = delete;
    CXmlDocument& operator=(const CXmlDocument&) = delete;

    const CSimpleErr& GetError() const { return m_err; }
    IXMLDOMDocument* GetDocument() const { return m_doc; }

    // Creating, loading and saving. A new document replaces the old one only
    // when its load succeeded, that is the parser answered S_OK and true.
    bool Create(const std::wstring& xmlTemplate);   // 54032, 54033
    bool LoadFile(const std::wstring& path);        // 54040 with the path
    // The block stays the caller's (a clipboard block, for example).
    bool LoadGlobalMemory(HGLOBAL block);           // 53895, 54041
    bool SaveFile(const std::wstring& path);        // 54034
    bool SaveStream(IUnknown* stream);              // 54034
    // A new movable block holding exactly the saved document, owned by the
    // caller; null on failure.
    HGLOBAL SaveGlobalMemory();

    // Selecting.
    bool HasNode(IXMLDOMNode* node, const std::wstring& xpath);  // sets no error
    bool SelectSingleNode(const std::wstring& xpath, CNode& out);                       // 54035, 54048
    // An empty xpath gives the parent itself. Messages name the parent's path.
    bool SelectChildNode(IXMLDOMNode* parent, const std::wstring& xpath, CNode& out);   // 54035, 54048
    bool SelectChildOrSelf(IXMLDOMNode* node, const std::wstring& xpath, CNode& out);
    bool SelectNodes(IXMLDOMNode* node, const std::wstring& xpath, CNodeList& out);     // 54044, 54049
    bool GetNodeCount(IXMLDOMNodeList* list, long& count);                              // 54045
    bool GetNodeItem(IXMLDOMNodeList* list, long index, CNode& out);                    // 54047
    // Forgives a missing node (54035, 54048): clears the record, true.
    bool ClearNotFoundError();

    // Building.
    bool CreateElement(const std::wstring& name, const std::wstring& namespaceUri, CNode& out);  // 54036
    // An empty name hands out the existing node.
    bool CreateElementOrUse(IXMLDOMNode* existing, const std::wstring& name, const std::wstring& namespaceUri,
                            CNode& out);
    bool AppendChild(IXMLDOMNode* parent, IXMLDOMNode* child);            // 54037
    bool AppendChildUnlessSame(IXMLDOMNode* parent, IXMLDOMNode* child);
    bool SetText(IXMLDOMNode* node, const std::wstring& text);            // 54039
    bool GetText(IXMLDOMNode* node, std::wstring& text);                  // 54042

    // Typed values. Writers take (parent, element name, value) and append a
    // new element; readers take (node, xpath, out value), an empty xpath
    // meaning the node itself, and leave the value unchanged on failure.
    bool AppendTextElement(IXMLDOMNode* parent, const std::wstring& name, const std::wstring& text);
    bool ReadText(IXMLDOMNode* node, const std::wstring& xpath, std::wstring& text);

    bool AppendBufferElement(IXMLDOMNode* parent, const std::wstring& name, const wchar_t* text, size_t length);
    // Copies with its NUL when shorter than the capacity (characters), else 54065.
    bool ReadTextBuffer(IXMLDOMNode* node, const std::wstring& xpath, wchar_t* buffer, size_t capacity);

    // Stored with LF line ends, read back with CR LF.
    bool AppendMultilineTextElement(IXMLDOMNode* parent, const std::wstring& name, const std::wstring& text);
    bool ReadMultilineText(IXMLDOMNode* node, const std::wstring& xpath, std::wstring& text);

    // value / 10^decimals as fixed-point text.
    bool AppendIntElement(IXMLDOMNode* parent, const std::wstring& name, int value, int decimals = 0);
    bool ReadInt(IXMLDOMNode* node, const std::wstring& xpath, int& value, int decimals = 0);   // 54055
    bool AppendLongElement(IXMLDOMNode* parent, const std::wstring& name, long value);
    bool ReadLong(IXMLDOMNode* node, const std::wstring& xpath, long& value);                   // 54056
    bool AppendSizeTElement(IXMLDOMNode* parent, const std::wstring& name, size_t value);
    bool ReadSizeT(IXMLDOMNode* node, const std::wstring& xpath, size_t& value);               // 54057
    // Six significant digits; the reader takes the longest leading number
    // (none reads as 0) and never fails on the text.
    bool AppendDoubleElement(IXMLDOMNode* parent, const std::wstring& name, double value);
    bool ReadDouble(IXMLDOMNode* node, const std::wstring& xpath, double& value);
    // "RRGGBB".
    bool AppendColorElement(IXMLDOMNode* parent, const std::wstring& name, COLORREF value);
    bool ReadColor(IXMLDOMNode* node, const std::wstring& xpath, COLORREF& value);             // 54059
    // Exactly "true" or "false".
    bool AppendBoolElement(IXMLDOMNode* parent, const std::wstring& name, bool value);
    bool ReadBool(IXMLDOMNode* node, const std::wstring& xpath, bool& value);                  // 54043
    // A missing element succeeds and leaves the value as it was.
    bool ReadBoolOptional(IXMLDOMNode* node, const std::wstring& xpath, bool& value);
    // "UNDEF", "ON", "OFF"; another text throws 53907.
    bool AppendC3StateElement(IXMLDOMNode* parent, const std::wstring& name, int value);
    bool AppendC3StateElement(IXMLDOMNode* parent, const std::wstring& name, BYTE value);
    bool ReadC3State(IXMLDOMNode* node, const std::wstring& xpath, int& value);
    bool ReadC3StateByte(IXMLDOMNode* node, const std::wstring& xpath, BYTE& value);

    // Named-entry tables: sequences of pointers to entries with `name` and `value`.
    template <class Table>
    bool AppendEnumElement(IXMLDOMNode* parent, const std::wstring& name, int value, const Table& table);   // 54050
    template <class Table>
    bool ReadEnum(IXMLDOMNode* node, const std::wstring& xpath, int& value, const Table& table);            // 54058
    // Names of the entries whose bits are all set, joined by "|".
    template <class Table>
    bool AppendFlagsElement(IXMLDOMNode* parent, const std::wstring& name, DWORD flags, const Table& table);
    template <class Table>
    bool ReadFlags(IXMLDOMNode* node, const std::wstring& xpath, DWORD& flags, const Table& table);         // 54052

    // 8, 4 or 2 upper-case hexadecimal digits.
    bool AppendDwordElement(IXMLDOMNode* parent, const std::wstring& name, DWORD value);
    bool AppendWordElement(IXMLDOMNode* parent, const std::wstring& name, WORD value);
    bool AppendByteElement(IXMLDOMNode* parent, const std::wstring& name, BYTE value);
    bool ReadDword(IXMLDOMNode* node, const std::wstring& xpath, DWORD& value);   // 54060
    bool ReadWord(IXMLDOMNode* node, const std::wstring& xpath, WORD& value);     // 54061
    bool ReadByte(IXMLDOMNode* node, const std::wstring& xpath, BYTE& value);     // 54062
    // Two upper-case hexadecimal digits per byte.
    bool AppendBytesElement(IXMLDOMNode* parent, const std::wstring& name, const void* bytes, size_t size);
    bool AppendBytesElement(IXMLDOMNode* parent, const std::wstring& name, const std::vector<BYTE>& bytes);
    bool AppendBytesElement(IXMLDOMNode* parent, const std::wstring& name, const std::string& bytes);
    bool ReadBytes(IXMLDOMNode* node, const std::wstring& xpath, std::vector<BYTE>& bytes);   // 54064
    bool ReadBytes(IXMLDOMNode* node, const std::wstring& xpath, std::string& bytes);         // 54064
    // "a.b.c.d".
    bool AppendVersionElement(IXMLDOMNode* parent, const std::wstring& name, DWORD version);
    bool ReadVersion(IXMLDOMNode* node, const std::wstring& xpath, DWORD& version);           // 54063

    // Relative to the document's folder when the path lies inside it.
    bool AppendPathElement(IXMLDOMNode* parent, const std::wstring& name, const std::wstring& path,
                           const std::wstring& documentPath);
    // A relative text is joined to the document's folder.
    bool ReadPath(IXMLDOMNode* node, const std::wstring& xpath, std::wstring& path, const std::wstring& documentPath);

    // Compound values: children "cx", "cy" / "left", "top", "right", "bottom"
    // (+ "cx", "cy") / "x", "y". Readers stop at the first failure.
    bool AppendSizeElement(IXMLDOMNode* parent, const std::wstring& name, const SIZE& value);
    bool ReadSize(IXMLDOMNode* node, const std::wstring& xpath, SIZE& value);
    bool AppendRectElement(IXMLDOMNode* parent, const std::wstring& name, const RECT& value);
    bool ReadRect(IXMLDOMNode* node, const std::wstring& xpath, RECT& value);
    bool AppendRectSizeElement(IXMLDOMNode* parent, const std::wstring& name, const RECT& rect, const SIZE& size);
    bool ReadRectSize(IXMLDOMNode* node, const std::wstring& xpath, RECT& rect, SIZE& size);
    bool AppendPointElement(IXMLDOMNode* parent, const std::wstring& name, double x, double y);
    bool ReadPoint(IXMLDOMNode* node, const std::wstring& xpath, double& x, double& y);

    // "#document/Settings/Unit": node names from the outermost ancestor down.
    static std::wstring GetNodePath(IXMLDOMNode* node);

private:
    bool NewDocument(CComPtr<IXMLDOMDocument>& doc);
    bool Fail(UINT id, CTextArg a1 = {}, CTextArg a2 = {});
    bool FailWithCode(UINT id, HRESULT code, CTextArg a1 = {}, CTextArg a2 = {});
    // The text at xpath handed to parse; a text that parse refuses fails with id.
    template <class Parse>
    bool ReadParsed(IXMLDOMNode* node, const std::wstring& xpath, UINT id, Parse parse);
};

template <class Parse>
bool CXmlDocument::ReadParsed(IXMLDOMNode* node, const std::wstring& xpath, UINT id, Parse parse)
{
    std::wstring text;
    if (!ReadText(node, xpath, text))
        return false;
    if (!parse(text))
        return Fail(id, text);
    return true;
}

template <class Table>
bool CXmlDocument::AppendEnumElement(IXMLDOMNode* parent, const std::wstring& name, int value, const Table& table)
{
    int index = FindNamedEntryByValue(table, value);
    if (index < 0)
        return Fail(54050, FormatInt(value));
    return AppendTextElement(parent, name, table[static_cast<size_t>(index)]->name);
}

template <class Table>
bool CXmlDocument::ReadEnum(IXMLDOMNode* node, const std::wstring& xpath, int& value, const Table& table)
{
    std::wstring text;
    if (!ReadText(node, xpath, text))
        return false;
    int index = FindNamedEntryByName(table, text);
    if (index < 0)
        return Fail(54058, text);
    value = table[static_cast<size_t>(index)]->value;
    return true;
}

template <class Table>
bool CXmlDocument::AppendFlagsElement(IXMLDOMNode* parent, const std::wstring& name, DWORD flags, const Table& table)
{
    std::wstring text;
    for (const auto& entry : table) {
        DWORD bits = static_cast<DWORD>(entry->value);
        if ((flags & bits) == bits) {
            if (!text.empty())
                text += L"|";
            text += entry->name;
        }
    }
    return AppendTextElement(parent, name, text);
}

template <class Table>
bool CXmlDocument::ReadFlags(IXMLDOMNode* node, const std::wstring& xpath, DWORD& flags, const Table& table)
{
    std::wstring text;
    if (!ReadText(node, xpath, text))
        return false;
    DWORD result = 0;
    std::vector<std::wstring> names;
    SplitStringAt(names, text, L"|");
    for (const std::wstring& n : names) {
        int index = FindNamedEntryByName(table, n);
        if (index < 0)
            return Fail(54052, n);
        result |= static_cast<DWORD>(table[static_cast<size_t>(index)]->value);
    }
    flags = result;
    return true;
}
