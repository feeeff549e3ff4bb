// XML documents over the MSXML document object model.
//
// CXmlDocument owns one document object. Every operation returns true on
// success; on false the reason is in m_err (message id, HRESULT, text), which
// keeps the last failure until another overwrites it or ClearNotFoundError
// clears it. Nothing here throws, except for lack of memory and the one
// conversion that throws by design (ReadC3State, IDS_UNKNOWN_NAME).
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
#include "resources/strings_foundation_io.h"
#include <windows.h>
#include <functional>
#include <map>
#include <string>
#include <vector>

class CGlobalMemory;

class CXmlDocument {
public:
    typedef CComPtr<IXMLDOMNode> CNode;
    typedef CComPtr<IXMLDOMNodeList> CNodeList;

    CSimpleErr m_err;
    CComPtr<IXMLDOMDocument> m_doc;
    ULONGLONG m_maxBytes = 0;
    // What reading has cost so far, counted rather than timed so that a test
    // can tell a linear reader on any machine: the nodes our walks visited,
    // and the selections made (under Wine each walks every child of the node
    // it starts from, a cost not counted here).
    struct CReadWork {
        size_t nodesVisited = 0;
        size_t selections = 0;
    } m_work;

    CXmlDocument() = default;
    CXmlDocument(const CXmlDocument&) = delete;
    CXmlDocument& operator=(const CXmlDocument&) = delete;

    const CSimpleErr& GetError() const { return m_err; }
    IXMLDOMDocument* GetDocument() const { return m_doc; }

    // Creating, loading and saving. A new document replaces the old one only
    // when its load succeeded, that is the parser answered S_OK and true.
    // A document the parser refuses fails with where and why (IDS_XML_SYNTAX_AT:
    // line, column, reason) in place of the system's text; an empty one says
    // so (IDS_XML_EMPTY_DOCUMENT). One with a document type declaration is
    // refused before the parser reads it, at its place (IDS_XML_SYNTAX_DOCTYPE),
    // and the parser fetches nothing a document names; so is one that is not
    // well formed or whose shape would hold the parser for minutes
    // (FindXmlReadingFault). A text ends before the NUL characters that end
    // the bytes; a NUL before another character is a fault of the text.
    // UTF-16 reads with or without its byte order mark.
    bool Create(const std::wstring& xmlTemplate);   // IDS_XML_CREATE_DOC_FAILED, IDS_XML_CREATE_ROOT_FAILED
    bool LoadFile(const std::wstring& path);        // IDS_XML_LOAD_FAILED, IDS_XML_FILE_TOO_LARGE with the path
    // The block stays the caller's (a clipboard block, for example).
    bool LoadGlobalMemory(HGLOBAL block);           // IDS_OPEN_MEMORY_STREAM_FAILED, IDS_XML_PARSE_FAILED, IDS_XML_DATA_TOO_LARGE
    // Loads refuse a file or block larger than this many bytes before they
    // read it (0, the default: no limit).
    void SetSizeLimit(ULONGLONG bytes) { m_maxBytes = bytes; }
    bool SaveFile(const std::wstring& path);        // IDS_XML_FILE_SAVE_FAILED with the path
    bool SaveStream(IUnknown* stream);              // IDS_XML_SAVE_FAILED
    // A new movable block holding exactly the saved document, owned by the
    // caller; null on failure.
    HGLOBAL SaveGlobalMemory();

    // Selecting.
    bool HasNode(IXMLDOMNode* node, const std::wstring& xpath);  // sets no error
    bool SelectSingleNode(const std::wstring& xpath, CNode& out);                       // IDS_XML_SELECT_NODE_FAILED, IDS_XML_NODE_NOT_FOUND
    // An empty xpath gives the parent itself. Messages name the parent's path.
    bool SelectChildNode(IXMLDOMNode* parent, const std::wstring& xpath, CNode& out);   // IDS_XML_SELECT_NODE_FAILED, IDS_XML_NODE_NOT_FOUND
    bool SelectChildOrSelf(IXMLDOMNode* node, const std::wstring& xpath, CNode& out);
    bool SelectNodes(IXMLDOMNode* node, const std::wstring& xpath, CNodeList& out);     // IDS_XML_SELECT_NODES_FAILED, IDS_XML_NODES_NOT_FOUND
    bool GetNodeCount(IXMLDOMNodeList* list, long& count);                              // IDS_XML_NODE_COUNT_FAILED
    bool GetNodeItem(IXMLDOMNodeList* list, long index, CNode& out);                    // IDS_XML_NODE_ITEM_FAILED
    // Forgives a missing node (IDS_XML_SELECT_NODE_FAILED, IDS_XML_NODE_NOT_FOUND): clears the record, true.
    bool ClearNotFoundError();

    // Selecting many names among the children of one node, in one walk over
    // them (first child, next sibling): under Wine each selection walks every
    // child, so a record's n fields looked up among a million siblings took n
    // such walks. A name picks what a selection by it picks: the element
    // children written with that name (a prefixed name is another name, a
    // default namespace changes nothing), in document order.
    class CChildIndex {
    public:
        // The first `most` children named `name` (the largest of several asks).
        void Want(const std::wstring& name, size_t most = 1);
        // The index-th child of that name, from 0; null when there is none.
        IXMLDOMNode* Find(const std::wstring& name, size_t index = 0) const;
    private:
        friend class CXmlDocument;
        struct CNamed {
            size_t most = 0;
            std::vector<CNode> nodes;
        };
        std::map<std::wstring, CNamed> m_named;
        CNode m_parent;
    };
    bool IndexChildren(IXMLDOMNode* parent, CChildIndex& index);  // IDS_XML_SELECT_NODES_FAILED
    // As SelectChildNode(parent, "name") and (parent, "name[i]") from the index, with their messages.
    bool SelectIndexed(const CChildIndex& index, const std::wstring& name, CNode& out);
    bool SelectIndexedEntry(const CChildIndex& index, const std::wstring& name, size_t i, CNode& out);
    // Each element child, with its name, in order; visit answers false to stop.
    bool WalkChildElements(IXMLDOMNode* parent,
                           const std::function<bool(const std::wstring& name, IXMLDOMNode* child)>& visit);  // IDS_XML_SELECT_NODES_FAILED
    // Whether the nodes below node (at any depth) are more than `most`; looks
    // at no more than most + 1 of them.
    bool HoldsMoreNodesThan(IXMLDOMNode* node, size_t most, bool& more);  // IDS_XML_GET_TEXT_FAILED

    // Building.
    bool CreateElement(const std::wstring& name, const std::wstring& namespaceUri, CNode& out);  // IDS_XML_CREATE_NODE_FAILED
    // An empty name hands out the existing node.
    bool CreateElementOrUse(IXMLDOMNode* existing, const std::wstring& name, const std::wstring& namespaceUri,
                            CNode& out);
    bool AppendChild(IXMLDOMNode* parent, IXMLDOMNode* child);            // IDS_XML_APPEND_NODE_FAILED
    bool AppendChildUnlessSame(IXMLDOMNode* parent, IXMLDOMNode* child);
    // The text less the characters XML cannot carry (XmlCarriableText).
    bool SetText(IXMLDOMNode* node, const std::wstring& text);            // IDS_XML_SET_TEXT_FAILED
    bool GetText(IXMLDOMNode* node, std::wstring& text);                  // IDS_XML_GET_TEXT_FAILED

    // Typed values. Writers take (parent, element name, value) and append a
    // new element; readers take (node, xpath, out value), an empty xpath
    // meaning the node itself, and leave the value unchanged on failure.
    bool AppendTextElement(IXMLDOMNode* parent, const std::wstring& name, const std::wstring& text);
    bool ReadText(IXMLDOMNode* node, const std::wstring& xpath, std::wstring& text);

    bool AppendBufferElement(IXMLDOMNode* parent, const std::wstring& name, const wchar_t* text, size_t length);
    // Copies with its NUL when shorter than the capacity (characters), else IDS_XML_VALUE_TOO_LONG.
    bool ReadTextBuffer(IXMLDOMNode* node, const std::wstring& xpath, wchar_t* buffer, size_t capacity);

    // Stored with LF line ends, read back with CR LF.
    bool AppendMultilineTextElement(IXMLDOMNode* parent, const std::wstring& name, const std::wstring& text);
    bool ReadMultilineText(IXMLDOMNode* node, const std::wstring& xpath, std::wstring& text);

    // value / 10^decimals as fixed-point text.
    bool AppendIntElement(IXMLDOMNode* parent, const std::wstring& name, int value, int decimals = 0);
    bool ReadInt(IXMLDOMNode* node, const std::wstring& xpath, int& value, int decimals = 0);   // IDS_XML_PARSE_INT_FAILED
    bool AppendLongElement(IXMLDOMNode* parent, const std::wstring& name, long value);
    bool ReadLong(IXMLDOMNode* node, const std::wstring& xpath, long& value);                   // IDS_XML_PARSE_LONG_FAILED
    bool AppendSizeTElement(IXMLDOMNode* parent, const std::wstring& name, size_t value);
    bool ReadSizeT(IXMLDOMNode* node, const std::wstring& xpath, size_t& value);               // IDS_XML_PARSE_SIZE_FAILED
    // Six significant digits; the reader takes the longest leading number
    // (none reads as 0) and never fails on the text.
    bool AppendDoubleElement(IXMLDOMNode* parent, const std::wstring& name, double value);
    bool ReadDouble(IXMLDOMNode* node, const std::wstring& xpath, double& value);
    // "RRGGBB".
    bool AppendColorElement(IXMLDOMNode* parent, const std::wstring& name, COLORREF value);
    bool ReadColor(IXMLDOMNode* node, const std::wstring& xpath, COLORREF& value);             // IDS_XML_COLOR_UNKNOWN
    // Exactly "true" or "false".
    bool AppendBoolElement(IXMLDOMNode* parent, const std::wstring& name, bool value);
    bool ReadBool(IXMLDOMNode* node, const std::wstring& xpath, bool& value);                  // IDS_XML_BOOL_INVALID
    // A missing element succeeds and leaves the value as it was.
    bool ReadBoolOptional(IXMLDOMNode* node, const std::wstring& xpath, bool& value);
    // "UNDEF", "ON", "OFF"; another text throws IDS_UNKNOWN_NAME.
    bool AppendC3StateElement(IXMLDOMNode* parent, const std::wstring& name, int value);
    bool AppendC3StateElement(IXMLDOMNode* parent, const std::wstring& name, BYTE value);
    bool ReadC3State(IXMLDOMNode* node, const std::wstring& xpath, int& value);
    bool ReadC3StateByte(IXMLDOMNode* node, const std::wstring& xpath, BYTE& value);

    // Named-entry tables: sequences of pointers to entries with `name` and `value`.
    template <class Table>
    bool AppendEnumElement(IXMLDOMNode* parent, const std::wstring& name, int value, const Table& table);   // IDS_XML_ENUM_UNKNOWN
    template <class Table>
    bool ReadEnum(IXMLDOMNode* node, const std::wstring& xpath, int& value, const Table& table);            // IDS_XML_PARSE_ENUM_FAILED
    // Names of the entries whose bits are all set, joined by "|".
    template <class Table>
    bool AppendFlagsElement(IXMLDOMNode* parent, const std::wstring& name, DWORD flags, const Table& table);
    template <class Table>
    bool ReadFlags(IXMLDOMNode* node, const std::wstring& xpath, DWORD& flags, const Table& table);         // IDS_XML_FLAG_UNKNOWN

    // 8, 4 or 2 upper-case hexadecimal digits.
    bool AppendDwordElement(IXMLDOMNode* parent, const std::wstring& name, DWORD value);
    bool AppendWordElement(IXMLDOMNode* parent, const std::wstring& name, WORD value);
    bool AppendByteElement(IXMLDOMNode* parent, const std::wstring& name, BYTE value);
    bool ReadDword(IXMLDOMNode* node, const std::wstring& xpath, DWORD& value);   // IDS_XML_PARSE_DWORD_FAILED
    bool ReadWord(IXMLDOMNode* node, const std::wstring& xpath, WORD& value);     // IDS_XML_PARSE_WORD_FAILED
    bool ReadByte(IXMLDOMNode* node, const std::wstring& xpath, BYTE& value);     // IDS_XML_PARSE_BYTE_FAILED
    // Two upper-case hexadecimal digits per byte.
    bool AppendBytesElement(IXMLDOMNode* parent, const std::wstring& name, const void* bytes, size_t size);
    bool AppendBytesElement(IXMLDOMNode* parent, const std::wstring& name, const std::vector<BYTE>& bytes);
    bool AppendBytesElement(IXMLDOMNode* parent, const std::wstring& name, const std::string& bytes);
    bool ReadBytes(IXMLDOMNode* node, const std::wstring& xpath, std::vector<BYTE>& bytes);   // IDS_XML_PARSE_BYTES_FAILED
    bool ReadBytes(IXMLDOMNode* node, const std::wstring& xpath, std::string& bytes);         // IDS_XML_PARSE_BYTES_FAILED
    // "a.b.c.d".
    bool AppendVersionElement(IXMLDOMNode* parent, const std::wstring& name, DWORD version);
    bool ReadVersion(IXMLDOMNode* node, const std::wstring& xpath, DWORD& version);           // IDS_XML_PARSE_VERSION_FAILED

    // Relative to the document's folder when the path lies inside it and the
    // relative text reads back as the same path.
    bool AppendPathElement(IXMLDOMNode* parent, const std::wstring& name, const std::wstring& path,
                           const std::wstring& documentPath);
    // A relative text is joined to the document's folder.
    bool ReadPath(IXMLDOMNode* node, const std::wstring& xpath, std::wstring& path, const std::wstring& documentPath);
    // The two conversions alone.
    static std::wstring PathText(const std::wstring& path, const std::wstring& documentPath);
    static std::wstring PathOfText(const std::wstring& text, const std::wstring& documentPath);

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

    // "Settings -> Decoration -> Unit": the element names from the root down
    // to the node; "(!name)" for a name that cannot be read, "(!null)" for no node.
    static std::wstring GetNodePath(IXMLDOMNode* node);

protected:
    // SaveGlobalMemory with the step that makes the stream over its block
    // given, so that a test can stand a failing one in.
    HGLOBAL SaveGlobalMemoryThrough(void (*createStream)(CComPtr<IStream>& stream, CGlobalMemory& owner));

private:
    bool NewDocument(CComPtr<IXMLDOMDocument>& doc);
    // Parses the bytes into a new document; a refusal fails with id, the
    // place and reason, and the path when there is one.
    bool ParseBytes(std::string bytes, UINT id, const std::wstring& path);
    // id with the detail (where and why) and the path, none for a block.
    bool FailParse(UINT id, const std::wstring& detail, HRESULT code, const std::wstring& path);
    bool Fail(UINT id, CTextArg a1 = {}, CTextArg a2 = {});
    // id with the size, the limit and the path (none for a block).
    bool FailTooLarge(UINT id, ULONGLONG size, const std::wstring& path);
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
        return Fail(IDS_XML_ENUM_UNKNOWN, FormatInt(value));
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
        return Fail(IDS_XML_PARSE_ENUM_FAILED, text);
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
            return Fail(IDS_XML_FLAG_UNKNOWN, n);
        result |= static_cast<DWORD>(table[static_cast<size_t>(index)]->value);
    }
    flags = result;
    return true;
}
