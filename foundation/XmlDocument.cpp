#include "foundation/XmlDocument.h"
#include "foundation/ByteStream.h"
#include "foundation/File.h"
#include "foundation/GuardedRunner.h"
#include "foundation/NamedValues.h"
#include "foundation/PathUtil.h"
#include "foundation/ResourceString.h"
#include "foundation/Stream.h"
#include "foundation/StringUtil.h"
#include "foundation/TextDecode.h"
#include "foundation/XmlSyntaxCheck.h"
#include "platform/Bstr.h"
#include "platform/Variant.h"
#include "resources/strings_foundation_io.h"
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace {

// In-process server and handler, local and remote server.
const DWORD kDocumentContext = CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER |
                               CLSCTX_REMOTE_SERVER;

void SetVariantText(CVariant& var, const std::wstring& text)
{
    BSTR s = ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    if (!s)
        throw std::bad_alloc();
    var.Get().vt = VT_BSTR;
    var.Get().bstrVal = s;
}

void SetVariantUnknown(CVariant& var, IUnknown* unknown)
{
    var.Get().vt = VT_UNKNOWN;
    var.Get().punkVal = unknown;
    if (unknown)
        unknown->AddRef();
}

// The code to report for a load that did not succeed: the failing HRESULT,
// or E_FAIL when the parser answered S_FALSE or a false success flag (the
// code itself would read as success).
HRESULT LoadFailureCode(HRESULT hr) { return FAILED(hr) ? hr : E_FAIL; }

std::wstring DocumentFolder(const std::wstring& documentPath)
{
    size_t cut = documentPath.find_last_of(L"\\/");
    return cut == std::wstring::npos ? std::wstring() : documentPath.substr(0, cut + 1);
}

} // namespace

bool CXmlDocument::Fail(UINT id, CTextArg a1, CTextArg a2)
{
    m_err.Set(id, a1, a2);
    return false;
}

bool CXmlDocument::FailWithCode(UINT id, HRESULT code, CTextArg a1, CTextArg a2)
{
    m_err.SetWithCode(id, code, a1, a2);
    return false;
}

bool CXmlDocument::NewDocument(CComPtr<IXMLDOMDocument>& doc)
{
    HRESULT hr = ::CoCreateInstance(kClsidDOMDocument, nullptr, kDocumentContext, kIidIXMLDOMDocument,
                                    reinterpret_cast<void**>(&doc));
    if (FAILED(hr))
        return FailWithCode(IDS_XML_CREATE_DOC_FAILED, hr);
    // Synchronous, and nothing a document names outside itself is fetched
    // or checked against (MSXML 3 on Windows resolves external entities by
    // default).
    hr = doc->put_async(VARIANT_FALSE);
    if (SUCCEEDED(hr))
        hr = doc->put_resolveExternals(VARIANT_FALSE);
    if (SUCCEEDED(hr))
        hr = doc->put_validateOnParse(VARIANT_FALSE);
    if (FAILED(hr))
        return FailWithCode(IDS_XML_CREATE_DOC_FAILED, hr);
    // The loads refuse a document type declaration before the parser sees
    // one; a parser that knows ProhibitDTD refuses it again. One that does
    // not know it answers a failure that changes nothing (Wine's takes it
    // and ignores it).
    CComPtr<IXMLDOMDocument2> doc2;
    if (SUCCEEDED(doc->QueryInterface(kIidIXMLDOMDocument2, reinterpret_cast<void**>(&doc2))) && doc2) {
        CVariant prohibit;
        prohibit.Get().vt = VT_BOOL;
        prohibit.Get().boolVal = VARIANT_TRUE;
        doc2->setProperty(CBstr(L"ProhibitDTD"), prohibit.Get());
    }
    return true;
}

bool CXmlDocument::Create(const std::wstring& xmlTemplate)
{
    CComPtr<IXMLDOMDocument> doc;
    if (!NewDocument(doc))
        return false;
    CBstr xml(xmlTemplate);
    VARIANT_BOOL ok = VARIANT_FALSE;
    HRESULT hr = doc->loadXML(xml, &ok);
    if (hr != S_OK || ok != VARIANT_TRUE)
        return FailWithCode(IDS_XML_CREATE_ROOT_FAILED, LoadFailureCode(hr));
    m_doc = doc;
    return true;
}

namespace {

std::wstring PlacedFault(const CXmlSyntaxFault& fault)
{
    return CSimpleErr::Format(IDS_XML_SYNTAX_AT, std::to_wstring(fault.line), std::to_wstring(fault.column),
                              fault.reason);
}

// Where and why the parser refused a document, for a user to find the fault:
// MSXML's own parse error where it names a line (Windows), else the first
// fault expat finds in the same bytes (Wine's parse error is "error" at line
// 0), else the limit of Wine's parser the text passes, else the system's text
// of the code.
std::wstring ParseFailureDetail(IXMLDOMDocument* doc, const std::string& bytes, HRESULT code)
{
    CComPtr<IXMLDOMParseError> error;
    long line = 0, column = 0;
    CBstr reason;
    if (doc && SUCCEEDED(doc->get_parseError(&error)) && error && SUCCEEDED(error->get_line(&line)) && line > 0 &&
        SUCCEEDED(error->get_linepos(&column)) && SUCCEEDED(error->get_reason(&reason))) {
        const std::wstring text = TrimCopyIf(reason.str(), IsSpaceOrCr);
        if (!text.empty())
            return CSimpleErr::Format(IDS_XML_SYNTAX_AT, std::to_wstring(line), std::to_wstring(column), text);
    }
    CXmlSyntaxFault fault;
    if (FindXmlFault(bytes, fault))
        return PlacedFault(fault);
    CSimpleErr err;
    err.code = code;
    return err.GetCodeText();
}

} // namespace

bool CXmlDocument::FailTooLarge(UINT id, ULONGLONG size, const std::wstring& path)
{
    m_err.Set(id, GroupedDigits(size), GroupedDigits(m_maxBytes), path);
    m_err.code = HRESULT_FROM_WIN32(ERROR_FILE_TOO_LARGE);
    return false;
}

bool CXmlDocument::FailParse(UINT id, const std::wstring& detail, HRESULT code, const std::wstring& path)
{
    m_err.Set(id, detail, path);
    m_err.code = code;
    return false;
}

bool CXmlDocument::ParseBytes(std::string bytes, UINT id, const std::wstring& path)
{
    // The text ends before the zeros that end the bytes (a block larger than
    // its text holds zeros never written). A NUL before another character
    // stays, and is refused there as a character XML does not allow: the
    // parser would stop reading at it and take the text before it alone.
    // In UTF-16, with its byte order mark or without, a NUL is a zero code
    // unit: a zero byte alone is half of a character such as the last '>'.
    size_t end = bytes.find_last_not_of('\0') + 1;
    if (XmlByteForm(bytes).utf16 && end % 2 != 0)
        ++end;
    bytes.resize(std::min(end, bytes.size()));
    // Said plainly: "no root element" at line 1 would send a reader looking
    // for a fault in a text that is not there.
    if (bytes.empty())
        return FailParse(id, LoadResourceString(IDS_XML_EMPTY_DOCUMENT), E_FAIL, path);
    // Wine's parser takes UTF-16 without its byte order mark only when the
    // text begins "<?": with the mark every parser reads it as expat does.
    const CXmlByteForm form = XmlByteForm(bytes);
    if (form.utf16 && !form.marked)
        bytes.insert(0, form.little ? "\xFF\xFE" : "\xFE\xFF", 2);
    // Refused before the parser reads it: a document type declaration (MSXML
    // would expand the entities it declares, minutes and hundreds of
    // megabytes from a few kilobytes, or fetch those it names), a text that
    // is not well formed, and the shapes that would hold Wine's parser for
    // minutes (thousands of attributes on one element, among others).
    CXmlSyntaxFault fault;
    if (FindXmlReadingFault(bytes, fault))
        return FailParse(id, PlacedFault(fault), E_FAIL, path);
    CComPtr<IXMLDOMDocument> doc;
    if (!NewDocument(doc))
        return false;
    CComPtr<IStream> stream;
    HRESULT hr = CreateByteStream(stream, std::vector<BYTE>(bytes.begin(), bytes.end()));
    if (FAILED(hr))
        return FailWithCode(IDS_OPEN_MEMORY_STREAM_FAILED, hr);
    CVariant source;
    SetVariantUnknown(source, stream);
    VARIANT_BOOL ok = VARIANT_FALSE;
    hr = doc->load(source.Get(), &ok);
    if (hr != S_OK || ok != VARIANT_TRUE)
        return FailParse(id, ParseFailureDetail(doc, bytes, LoadFailureCode(hr)), LoadFailureCode(hr), path);
    m_doc = doc;
    return true;
}

bool CXmlDocument::LoadFile(const std::wstring& path)
{
    if (::GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
        DWORD e = ::GetLastError();
        if (e == ERROR_FILE_NOT_FOUND || e == ERROR_PATH_NOT_FOUND)
            return FailWithCode(IDS_XML_LOAD_FAILED, HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND), path);
    }
    // Read here rather than by the parser, so that a file that cannot be
    // opened (in use, access denied) says so, and a parse failure can be
    // placed in the bytes.
    std::string bytes;
    CFile file;
    ULONGLONG size = 0;
    HRESULT hr = file.TryOpenRead(path.c_str());
    if (SUCCEEDED(hr))
        hr = file.TryGetSize(size);
    if (SUCCEEDED(hr) && m_maxBytes != 0 && size > m_maxBytes)
        return FailTooLarge(IDS_XML_FILE_TOO_LARGE, size, path);
    if (SUCCEEDED(hr))
        hr = file.TryReadAllToString(bytes);
    if (FAILED(hr))
        return FailWithCode(IDS_XML_LOAD_FAILED, hr, path);
    return ParseBytes(std::move(bytes), IDS_XML_LOAD_FAILED, path);
}

bool CXmlDocument::LoadGlobalMemory(HGLOBAL block)
{
    std::string bytes;
    const SIZE_T size = block ? ::GlobalSize(block) : 0;
    if (m_maxBytes != 0 && size > m_maxBytes)
        return FailTooLarge(IDS_XML_DATA_TOO_LARGE, size, std::wstring());
    if (size != 0) {
        void* p = nullptr;
        CGlobalLocker lock(p, block);
        if (!p)
            return FailWithCode(IDS_OPEN_MEMORY_STREAM_FAILED, FailedCallResult());
        bytes.assign(static_cast<const char*>(p), size);
    } else if (!block) {
        return FailWithCode(IDS_OPEN_MEMORY_STREAM_FAILED, E_POINTER);
    }
    // A fragment the parser refused is a failure here, not later with a
    // misleading "node not found".
    return ParseBytes(std::move(bytes), IDS_XML_PARSE_FAILED, std::wstring());
}

bool CXmlDocument::SaveFile(const std::wstring& path)
{
    if (!m_doc)
        return FailWithCode(IDS_XML_FILE_SAVE_FAILED, E_POINTER, path);
    CVariant target;
    SetVariantText(target, path);
    HRESULT hr = m_doc->save(target.Get());
    if (FAILED(hr))
        return FailWithCode(IDS_XML_FILE_SAVE_FAILED, hr, path);
    return true;
}

bool CXmlDocument::SaveStream(IUnknown* stream)
{
    if (!m_doc || !stream)
        return FailWithCode(IDS_XML_SAVE_FAILED, E_POINTER);
    CVariant target;
    SetVariantUnknown(target, stream);
    HRESULT hr = m_doc->save(target.Get());
    if (FAILED(hr))
        return FailWithCode(IDS_XML_SAVE_FAILED, hr);
    return true;
}

HGLOBAL CXmlDocument::SaveGlobalMemory() { return SaveGlobalMemoryThrough(CreateOwnedMemoryStream); }

HGLOBAL CXmlDocument::SaveGlobalMemoryThrough(void (*createStream)(CComPtr<IStream>&, CGlobalMemory&))
{
    m_err.Set(0);
    CGlobalMemory owner;
    CComPtr<IStream> stream;
    // Whatever the step throws, a failed allocation included, becomes the
    // error record: this wrapper reports, it never throws.
    my::CCtrlException caught(nullptr, 0);
    CatchToError(caught, [&] { createStream(stream, owner); });
    if (caught.IsError()) {
        m_err = caught;
        return nullptr;
    }
    if (!SaveStream(stream))
        return nullptr;
    ULONGLONG size = 0;
    HGLOBAL current = nullptr;
    HRESULT hr = TryGetStreamSize(stream, size);
    if (SUCCEEDED(hr))
        hr = TryGetHGlobal(stream, current);
    if (FAILED(hr)) {
        FailWithCode(IDS_XML_SAVE_FAILED, hr);
        return nullptr;
    }
    stream.Release();
    if (current != owner.Get()) {
        owner.Detach();  // the stream moved the block: the old handle is gone
        owner.Attach(current);
    }
    // The block holds exactly the document: a reader of the clipboard sees
    // its size, and spare bytes after the root element would not parse.
    if (::GlobalSize(owner) > size && size > 0) {
        HGLOBAL exact = ::GlobalReAlloc(owner, static_cast<SIZE_T>(size), GMEM_MOVEABLE);
        if (exact) {
            owner.Detach();
            owner.Attach(exact);
        }
    }
    return owner.Detach();
}

bool CXmlDocument::HasNode(IXMLDOMNode* node, const std::wstring& xpath)
{
    if (!node)
        return false;
    CNode found;
    ++m_work.selections;
    HRESULT hr = node->selectSingleNode(CBstr(xpath), &found);
    return hr == S_OK && found;
}

namespace {

// A plain element name (no prefix, path, index, axis or wildcard): from
// the document it picks the root element or nothing.
bool IsPlainName(const std::wstring& xpath)
{
    return !xpath.empty() && xpath.find_first_of(L"/[]@*()|=!<>$: \t\r\n'\"") == std::wstring::npos &&
           xpath[0] != L'.' && xpath[0] != L'-' && (xpath[0] < L'0' || xpath[0] > L'9');
}

} // namespace

bool CXmlDocument::SelectSingleNode(const std::wstring& xpath, CNode& out)
{
    if (!m_doc)
        return FailWithCode(IDS_XML_SELECT_NODE_FAILED, E_POINTER, xpath);
    CNode found;
    HRESULT hr = S_OK;
    if (IsPlainName(xpath)) {
        // The root alone, not a selection: that walks every comment and
        // instruction beside the root.
        CComPtr<IXMLDOMElement> root;
        CBstr name;
        hr = m_doc->get_documentElement(&root);
        if (SUCCEEDED(hr) && root)
            hr = root->get_nodeName(&name);
        if (SUCCEEDED(hr) && root && name.str() == xpath)
            found = root.Get();  // an element is a node
    } else {
        ++m_work.selections;
        hr = m_doc->selectSingleNode(CBstr(xpath), &found);
    }
    if (FAILED(hr))
        return FailWithCode(IDS_XML_SELECT_NODE_FAILED, hr, xpath);
    if (!found)  // S_FALSE: no such node; no call failed, so the message carries no system text
        return Fail(IDS_XML_NODE_NOT_FOUND, xpath);
    out = found;
    return true;
}

bool CXmlDocument::SelectChildNode(IXMLDOMNode* parent, const std::wstring& xpath, CNode& out)
{
    if (xpath.empty() && parent) {
        out = parent;
        return true;
    }
    if (!parent)
        return FailWithCode(IDS_XML_SELECT_NODE_FAILED, E_POINTER, GetNodePath(parent) + L" -> " + xpath);
    CNode found;
    ++m_work.selections;
    HRESULT hr = parent->selectSingleNode(CBstr(xpath), &found);
    if (FAILED(hr))
        return FailWithCode(IDS_XML_SELECT_NODE_FAILED, hr, GetNodePath(parent) + L" -> " + xpath);
    if (!found)
        return Fail(IDS_XML_NODE_NOT_FOUND, GetNodePath(parent) + L" -> " + xpath);
    out = found;
    return true;
}

void CXmlDocument::CChildIndex::Want(const std::wstring& name, size_t most)
{
    CNamed& named = m_named[name];
    named.most = std::max(named.most, most);
}

IXMLDOMNode* CXmlDocument::CChildIndex::Find(const std::wstring& name, size_t index) const
{
    const auto found = m_named.find(name);
    return found != m_named.end() && index < found->second.nodes.size() ? found->second.nodes[index].Get() : nullptr;
}

bool CXmlDocument::IndexChildren(IXMLDOMNode* parent, CChildIndex& index)
{
    index.m_parent = parent;
    for (auto& named : index.m_named)
        named.second.nodes.clear();
    return WalkChildElements(parent, [&](const std::wstring& name, IXMLDOMNode* child) {
        const auto found = index.m_named.find(name);
        if (found != index.m_named.end() && found->second.nodes.size() < found->second.most)
            found->second.nodes.push_back(child);
        return true;
    });
}

bool CXmlDocument::SelectIndexed(const CChildIndex& index, const std::wstring& name, CNode& out)
{
    out = index.Find(name);
    return out || Fail(IDS_XML_NODE_NOT_FOUND, GetNodePath(index.m_parent) + L" -> " + name);
}

bool CXmlDocument::SelectIndexedEntry(const CChildIndex& index, const std::wstring& name, size_t i, CNode& out)
{
    out = index.Find(name, i);
    return out || Fail(IDS_XML_NODE_NOT_FOUND,
                       GetNodePath(index.m_parent) + L" -> " + name + L"[" + std::to_wstring(i) + L"]");
}

bool CXmlDocument::WalkChildElements(IXMLDOMNode* parent,
                                     const std::function<bool(const std::wstring& name, IXMLDOMNode* child)>& visit)
{
    if (!parent)
        return FailWithCode(IDS_XML_SELECT_NODES_FAILED, E_POINTER, GetNodePath(parent));
    std::wstring name;
    CNode child;
    HRESULT hr = parent->get_firstChild(&child);
    while (SUCCEEDED(hr) && child) {
        ++m_work.nodesVisited;
        DOMNodeType type = NODE_INVALID;
        CBstr text;
        hr = child->get_nodeType(&type);
        if (SUCCEEDED(hr) && type == NODE_ELEMENT)
            hr = child->get_nodeName(&text);
        if (FAILED(hr))
            break;
        if (type == NODE_ELEMENT) {
            name.assign(text ? static_cast<const wchar_t*>(text) : L"", text ? ::SysStringLen(text) : 0);
            if (!visit(name, child))
                return true;
        }
        CNode next;
        hr = child->get_nextSibling(&next);
        child = next;
    }
    return SUCCEEDED(hr) || FailWithCode(IDS_XML_SELECT_NODES_FAILED, hr, GetNodePath(parent));
}

bool CXmlDocument::HoldsMoreNodesThan(IXMLDOMNode* node, size_t most, bool& more)
{
    // Depth first by first child, next sibling and parent, counting the
    // levels below node (Wine hands out a new object for every node, so the
    // way back up is known by its depth, not by comparing pointers).
    more = false;
    if (!node)
        return FailWithCode(IDS_XML_GET_TEXT_FAILED, E_POINTER);
    size_t seen = 0, depth = 1;
    CNode current;
    HRESULT hr = node->get_firstChild(&current);
    while (SUCCEEDED(hr) && current) {
        ++m_work.nodesVisited;
        if (++seen > most) {
            more = true;
            return true;
        }
        CNode next;
        hr = current->get_firstChild(&next);
        if (next) {
            ++depth;
            current = next;
            continue;
        }
        while (SUCCEEDED(hr)) {
            hr = current->get_nextSibling(&next);
            if (FAILED(hr) || next || --depth == 0)
                break;
            CNode parent;
            hr = current->get_parentNode(&parent);
            if (SUCCEEDED(hr) && !parent)
                hr = E_POINTER;
            current = parent;
        }
        current = next;
    }
    return SUCCEEDED(hr) || FailWithCode(IDS_XML_GET_TEXT_FAILED, hr);
}

bool CXmlDocument::SelectChildOrSelf(IXMLDOMNode* node, const std::wstring& xpath, CNode& out)
{
    if (xpath.empty()) {
        out = node;
        return true;
    }
    return SelectChildNode(node, xpath, out);
}

bool CXmlDocument::SelectNodes(IXMLDOMNode* node, const std::wstring& xpath, CNodeList& out)
{
    if (!node)
        return FailWithCode(IDS_XML_SELECT_NODES_FAILED, E_POINTER, xpath);
    CNodeList list;
    ++m_work.selections;
    HRESULT hr = node->selectNodes(CBstr(xpath), &list);
    if (FAILED(hr))
        return FailWithCode(IDS_XML_SELECT_NODES_FAILED, hr, xpath);
    if (!list)
        return FailWithCode(IDS_XML_NODES_NOT_FOUND, E_FAIL, xpath);
    out = list;
    return true;
}

bool CXmlDocument::GetNodeCount(IXMLDOMNodeList* list, long& count)
{
    if (!list)
        return FailWithCode(IDS_XML_NODE_COUNT_FAILED, E_POINTER);
    long n = 0;
    HRESULT hr = list->get_length(&n);
    if (FAILED(hr))
        return FailWithCode(IDS_XML_NODE_COUNT_FAILED, hr);
    count = n;
    return true;
}

bool CXmlDocument::GetNodeItem(IXMLDOMNodeList* list, long index, CNode& out)
{
    if (!list)
        return FailWithCode(IDS_XML_NODE_ITEM_FAILED, E_POINTER);
    CNode item;
    HRESULT hr = list->get_item(index, &item);
    if (FAILED(hr))
        return FailWithCode(IDS_XML_NODE_ITEM_FAILED, hr);
    // Past the end the list answers S_FALSE and no node: that is no item.
    if (!item)
        return FailWithCode(IDS_XML_NODE_ITEM_FAILED, E_FAIL);
    out = item;
    return true;
}

bool CXmlDocument::ClearNotFoundError()
{
    if (m_err.id != IDS_XML_SELECT_NODE_FAILED && m_err.id != IDS_XML_NODE_NOT_FOUND)
        return false;
    m_err.Set(0);
    return true;
}

bool CXmlDocument::CreateElement(const std::wstring& name, const std::wstring& namespaceUri, CNode& out)
{
    if (!m_doc)
        return FailWithCode(IDS_XML_CREATE_NODE_FAILED, E_POINTER);
    CVariant type;
    type.Get().vt = VT_I4;
    type.Get().lVal = NODE_ELEMENT;
    CNode node;
    HRESULT hr = m_doc->createNode(type.Get(), CBstr(name), CBstr(namespaceUri), &node);
    if (FAILED(hr))
        return FailWithCode(IDS_XML_CREATE_NODE_FAILED, hr);
    if (!node)
        return FailWithCode(IDS_XML_CREATE_NODE_FAILED, E_FAIL);
    out = node;
    return true;
}

bool CXmlDocument::CreateElementOrUse(IXMLDOMNode* existing, const std::wstring& name,
                                      const std::wstring& namespaceUri, CNode& out)
{
    if (name.empty()) {
        out = existing;
        return true;
    }
    return CreateElement(name, namespaceUri, out);
}

bool CXmlDocument::AppendChild(IXMLDOMNode* parent, IXMLDOMNode* child)
{
    if (!parent || !child)
        return FailWithCode(IDS_XML_APPEND_NODE_FAILED, E_POINTER);
    CNode added;
    HRESULT hr = parent->appendChild(child, &added);
    if (FAILED(hr))
        return FailWithCode(IDS_XML_APPEND_NODE_FAILED, hr);
    return true;
}

bool CXmlDocument::AppendChildUnlessSame(IXMLDOMNode* parent, IXMLDOMNode* child)
{
    if (parent && child) {
        // COM identity: the same object may be reached through two pointers.
        CComPtr<IUnknown> a, b;
        if (SUCCEEDED(CComPtr<IXMLDOMNode>(parent).QueryInterface(&a)) &&
            SUCCEEDED(CComPtr<IXMLDOMNode>(child).QueryInterface(&b)) && a.Get() == b.Get())
            return true;
    }
    return AppendChild(parent, child);
}

bool CXmlDocument::SetText(IXMLDOMNode* node, const std::wstring& text)
{
    if (!node)
        return FailWithCode(IDS_XML_SET_TEXT_FAILED, E_POINTER);
    // What XML cannot carry is left out here, before MSXML sees it: under
    // Wine it writes U+FFFE and U+FFFF as they are (a document no parser
    // reads back), drops control characters and makes a lone surrogate
    // U+FFFD.
    HRESULT hr = node->put_text(CBstr(XmlCarriableText(text)));
    if (FAILED(hr))
        return FailWithCode(IDS_XML_SET_TEXT_FAILED, hr);
    return true;
}

bool CXmlDocument::GetText(IXMLDOMNode* node, std::wstring& text)
{
    if (!node)
        return FailWithCode(IDS_XML_GET_TEXT_FAILED, E_POINTER);
    CBstr value;
    HRESULT hr = node->get_text(&value);
    if (FAILED(hr))
        return FailWithCode(IDS_XML_GET_TEXT_FAILED, hr);
    text = value.str();
    return true;
}

bool CXmlDocument::AppendTextElement(IXMLDOMNode* parent, const std::wstring& name, const std::wstring& text)
{
    CNode element;
    return CreateElement(name, std::wstring(), element) && SetText(element, text) && AppendChild(parent, element);
}

bool CXmlDocument::ReadText(IXMLDOMNode* node, const std::wstring& xpath, std::wstring& text)
{
    if (xpath.empty())
        return GetText(node, text);
    CNode child;
    return SelectChildNode(node, xpath, child) && GetText(child, text);
}

bool CXmlDocument::AppendBufferElement(IXMLDOMNode* parent, const std::wstring& name, const wchar_t* text,
                                       size_t length)
{
    return AppendTextElement(parent, name, text ? std::wstring(text, length) : std::wstring());
}

bool CXmlDocument::ReadTextBuffer(IXMLDOMNode* node, const std::wstring& xpath, wchar_t* buffer, size_t capacity)
{
    std::wstring text;
    if (!ReadText(node, xpath, text))
        return false;
    if (text.size() >= capacity)
        return Fail(IDS_XML_VALUE_TOO_LONG, text);
    std::memcpy(buffer, text.c_str(), (text.size() + 1) * sizeof(wchar_t));
    return true;
}

bool CXmlDocument::AppendMultilineTextElement(IXMLDOMNode* parent, const std::wstring& name,
                                              const std::wstring& text)
{
    return AppendTextElement(parent, name, ConvertCrLfToLf(text));
}

bool CXmlDocument::ReadMultilineText(IXMLDOMNode* node, const std::wstring& xpath, std::wstring& text)
{
    std::wstring stored;
    if (!ReadText(node, xpath, stored))
        return false;
    text = ConvertLfToCrLf(stored);
    return true;
}

bool CXmlDocument::AppendIntElement(IXMLDOMNode* parent, const std::wstring& name, int value, int decimals)
{
    return AppendTextElement(parent, name, FormatFixedPoint(value, decimals, false));
}

bool CXmlDocument::ReadInt(IXMLDOMNode* node, const std::wstring& xpath, int& value, int decimals)
{
    return ReadParsed(node, xpath, IDS_XML_PARSE_INT_FAILED,
                      [&](const std::wstring& text) { return ParseFixedPoint(value, text, decimals); });
}

bool CXmlDocument::AppendLongElement(IXMLDOMNode* parent, const std::wstring& name, long value)
{
    return AppendTextElement(parent, name, FormatLong(value));
}

bool CXmlDocument::ReadLong(IXMLDOMNode* node, const std::wstring& xpath, long& value)
{
    return ReadParsed(node, xpath, IDS_XML_PARSE_LONG_FAILED, [&](const std::wstring& text) { return ParseLong(value, text); });
}

bool CXmlDocument::AppendSizeTElement(IXMLDOMNode* parent, const std::wstring& name, size_t value)
{
    return AppendTextElement(parent, name, UIntToString(static_cast<unsigned int>(value)));
}

bool CXmlDocument::ReadSizeT(IXMLDOMNode* node, const std::wstring& xpath, size_t& value)
{
    return ReadParsed(node, xpath, IDS_XML_PARSE_SIZE_FAILED, [&](const std::wstring& text) { return ParseSizeT(value, text); });
}

bool CXmlDocument::AppendDoubleElement(IXMLDOMNode* parent, const std::wstring& name, double value)
{
    return AppendTextElement(parent, name, FormatReal(value));
}

bool CXmlDocument::ReadDouble(IXMLDOMNode* node, const std::wstring& xpath, double& value)
{
    std::wstring text;
    if (!ReadText(node, xpath, text))
        return false;
    value = _wtof(text.c_str());
    return true;
}

bool CXmlDocument::AppendColorElement(IXMLDOMNode* parent, const std::wstring& name, COLORREF value)
{
    return AppendTextElement(parent, name, FormatColorHex(value));
}

bool CXmlDocument::ReadColor(IXMLDOMNode* node, const std::wstring& xpath, COLORREF& value)
{
    return ReadParsed(node, xpath, IDS_XML_COLOR_UNKNOWN, [&](const std::wstring& text) { return ParseColorHex(value, text); });
}

bool CXmlDocument::AppendBoolElement(IXMLDOMNode* parent, const std::wstring& name, bool value)
{
    return AppendTextElement(parent, name, value ? L"true" : L"false");
}

bool CXmlDocument::ReadBool(IXMLDOMNode* node, const std::wstring& xpath, bool& value)
{
    std::wstring text;
    if (!ReadText(node, xpath, text))
        return false;
    if (text == L"true")
        value = true;
    else if (text == L"false")
        value = false;
    else
        return FailWithCode(IDS_XML_BOOL_INVALID, E_FAIL);
    return true;
}

bool CXmlDocument::ReadBoolOptional(IXMLDOMNode* node, const std::wstring& xpath, bool& value)
{
    return ReadBool(node, xpath, value) || ClearNotFoundError();
}

bool CXmlDocument::AppendC3StateElement(IXMLDOMNode* parent, const std::wstring& name, int value)
{
    return AppendTextElement(parent, name, C3StateToString(value));
}

bool CXmlDocument::AppendC3StateElement(IXMLDOMNode* parent, const std::wstring& name, BYTE value)
{
    return AppendC3StateElement(parent, name, static_cast<int>(value));
}

bool CXmlDocument::ReadC3State(IXMLDOMNode* node, const std::wstring& xpath, int& value)
{
    std::wstring text;
    if (!ReadText(node, xpath, text))
        return false;
    value = C3StateFromString(text);
    return true;
}

bool CXmlDocument::ReadC3StateByte(IXMLDOMNode* node, const std::wstring& xpath, BYTE& value)
{
    int state = 0;
    if (!ReadC3State(node, xpath, state))
        return false;
    value = static_cast<BYTE>(state);
    return true;
}

bool CXmlDocument::AppendDwordElement(IXMLDOMNode* parent, const std::wstring& name, DWORD value)
{
    return AppendTextElement(parent, name, FormatStr(L"%08lX", static_cast<unsigned long>(value)));
}

bool CXmlDocument::AppendWordElement(IXMLDOMNode* parent, const std::wstring& name, WORD value)
{
    return AppendTextElement(parent, name, FormatStr(L"%04X", static_cast<unsigned>(value)));
}

bool CXmlDocument::AppendByteElement(IXMLDOMNode* parent, const std::wstring& name, BYTE value)
{
    return AppendTextElement(parent, name, FormatStr(L"%02X", static_cast<unsigned>(value)));
}

bool CXmlDocument::ReadDword(IXMLDOMNode* node, const std::wstring& xpath, DWORD& value)
{
    return ReadParsed(node, xpath, IDS_XML_PARSE_DWORD_FAILED, [&](const std::wstring& text) { return ParseHexDword(value, text); });
}

bool CXmlDocument::ReadWord(IXMLDOMNode* node, const std::wstring& xpath, WORD& value)
{
    return ReadParsed(node, xpath, IDS_XML_PARSE_WORD_FAILED, [&](const std::wstring& text) { return ParseHexWord(value, text); });
}

bool CXmlDocument::ReadByte(IXMLDOMNode* node, const std::wstring& xpath, BYTE& value)
{
    return ReadParsed(node, xpath, IDS_XML_PARSE_BYTE_FAILED, [&](const std::wstring& text) { return ParseHexByte(value, text); });
}

bool CXmlDocument::AppendBytesElement(IXMLDOMNode* parent, const std::wstring& name, const void* bytes, size_t size)
{
    static const wchar_t digits[] = L"0123456789ABCDEF";
    std::wstring text;
    text.reserve(size * 2);
    const BYTE* p = static_cast<const BYTE*>(bytes);
    for (size_t i = 0; i < size; ++i) {
        text.push_back(digits[p[i] >> 4]);
        text.push_back(digits[p[i] & 0xF]);
    }
    return AppendTextElement(parent, name, text);
}

bool CXmlDocument::AppendBytesElement(IXMLDOMNode* parent, const std::wstring& name, const std::vector<BYTE>& bytes)
{
    return AppendBytesElement(parent, name, bytes.data(), bytes.size());
}

bool CXmlDocument::AppendBytesElement(IXMLDOMNode* parent, const std::wstring& name, const std::string& bytes)
{
    return AppendBytesElement(parent, name, bytes.data(), bytes.size());
}

bool CXmlDocument::ReadBytes(IXMLDOMNode* node, const std::wstring& xpath, std::vector<BYTE>& bytes)
{
    return ReadParsed(node, xpath, IDS_XML_PARSE_BYTES_FAILED, [&](const std::wstring& text) { return ParseHexBytes(bytes, text); });
}

bool CXmlDocument::ReadBytes(IXMLDOMNode* node, const std::wstring& xpath, std::string& bytes)
{
    return ReadParsed(node, xpath, IDS_XML_PARSE_BYTES_FAILED, [&](const std::wstring& text) { return ParseHexBytes(bytes, text); });
}

bool CXmlDocument::AppendVersionElement(IXMLDOMNode* parent, const std::wstring& name, DWORD version)
{
    return AppendTextElement(parent, name, FormatVersionDword(version));
}

bool CXmlDocument::ReadVersion(IXMLDOMNode* node, const std::wstring& xpath, DWORD& version)
{
    return ReadParsed(node, xpath, IDS_XML_PARSE_VERSION_FAILED, [&](const std::wstring& text) { return ParseVersionDword(version, text); });
}

std::wstring CXmlDocument::PathText(const std::wstring& path, const std::wstring& documentPath)
{
    const std::wstring folder = DocumentFolder(documentPath);
    if (folder.empty() || !StartsWithNoCase(path, folder))
        return path;
    // Only a rest that PathOfText joins back to this path: after a doubled
    // separator "\tex.png" would name the drive's root, an empty one no file,
    // and spaces at its start are trimmed from the text that is read.
    const std::wstring rest = path.substr(folder.size());
    const bool joinsBack = !rest.empty() && IsRelativePath(rest) && !IsPathSeparator(rest[0]) &&
                           std::wstring(L" \t\r\n").find(rest[0]) == std::wstring::npos;
    return joinsBack ? rest : path;
}

std::wstring CXmlDocument::PathOfText(const std::wstring& text, const std::wstring& documentPath)
{
    return text.empty() || !IsRelativePath(text) ? text : PathJoined(DocumentFolder(documentPath), text);
}

bool CXmlDocument::AppendPathElement(IXMLDOMNode* parent, const std::wstring& name, const std::wstring& path,
                                     const std::wstring& documentPath)
{
    return AppendTextElement(parent, name, PathText(path, documentPath));
}

bool CXmlDocument::ReadPath(IXMLDOMNode* node, const std::wstring& xpath, std::wstring& path,
                            const std::wstring& documentPath)
{
    std::wstring text;
    if (!ReadText(node, xpath, text))
        return false;
    path = PathOfText(text, documentPath);
    return true;
}

bool CXmlDocument::AppendSizeElement(IXMLDOMNode* parent, const std::wstring& name, const SIZE& value)
{
    CNode e;
    return CreateElement(name, std::wstring(), e) && AppendLongElement(e, L"cx", value.cx) &&
           AppendLongElement(e, L"cy", value.cy) && AppendChild(parent, e);
}

bool CXmlDocument::ReadSize(IXMLDOMNode* node, const std::wstring& xpath, SIZE& value)
{
    CNode e;
    return SelectChildNode(node, xpath, e) && ReadLong(e, L"cx", value.cx) && ReadLong(e, L"cy", value.cy);
}

bool CXmlDocument::AppendRectElement(IXMLDOMNode* parent, const std::wstring& name, const RECT& value)
{
    CNode e;
    return CreateElement(name, std::wstring(), e) && AppendLongElement(e, L"left", value.left) &&
           AppendLongElement(e, L"top", value.top) && AppendLongElement(e, L"right", value.right) &&
           AppendLongElement(e, L"bottom", value.bottom) && AppendChild(parent, e);
}

bool CXmlDocument::ReadRect(IXMLDOMNode* node, const std::wstring& xpath, RECT& value)
{
    CNode e;
    return SelectChildNode(node, xpath, e) && ReadLong(e, L"left", value.left) && ReadLong(e, L"top", value.top) &&
           ReadLong(e, L"right", value.right) && ReadLong(e, L"bottom", value.bottom);
}

bool CXmlDocument::AppendRectSizeElement(IXMLDOMNode* parent, const std::wstring& name, const RECT& rect,
                                         const SIZE& size)
{
    CNode e;
    return CreateElement(name, std::wstring(), e) && AppendLongElement(e, L"left", rect.left) &&
           AppendLongElement(e, L"top", rect.top) && AppendLongElement(e, L"right", rect.right) &&
           AppendLongElement(e, L"bottom", rect.bottom) && AppendLongElement(e, L"cx", size.cx) &&
           AppendLongElement(e, L"cy", size.cy) && AppendChild(parent, e);
}

bool CXmlDocument::ReadRectSize(IXMLDOMNode* node, const std::wstring& xpath, RECT& rect, SIZE& size)
{
    CNode e;
    return SelectChildNode(node, xpath, e) && ReadLong(e, L"left", rect.left) && ReadLong(e, L"top", rect.top) &&
           ReadLong(e, L"right", rect.right) && ReadLong(e, L"bottom", rect.bottom) &&
           ReadLong(e, L"cx", size.cx) && ReadLong(e, L"cy", size.cy);
}

bool CXmlDocument::AppendPointElement(IXMLDOMNode* parent, const std::wstring& name, double x, double y)
{
    CNode e;
    return CreateElement(name, std::wstring(), e) && AppendDoubleElement(e, L"x", x) &&
           AppendDoubleElement(e, L"y", y) && AppendChild(parent, e);
}

bool CXmlDocument::ReadPoint(IXMLDOMNode* node, const std::wstring& xpath, double& x, double& y)
{
    CNode e;
    return SelectChildNode(node, xpath, e) && ReadDouble(e, L"x", x) && ReadDouble(e, L"y", y);
}

std::wstring CXmlDocument::GetNodePath(IXMLDOMNode* node)
{
    if (!node)
        return L"(!null)";
    std::wstring path;
    CNode current = node;
    while (current) {
        // The document node above the root is no element: a reader of the
        // message knows the file, not "#document".
        DOMNodeType type = NODE_INVALID;
        if (SUCCEEDED(current->get_nodeType(&type)) && type == NODE_DOCUMENT)
            break;
        CBstr name;
        std::wstring piece = SUCCEEDED(current->get_nodeName(&name)) && name ? name.str() : std::wstring(L"(!name)");
        path = path.empty() ? piece : piece + L" -> " + path;
        CNode parent;
        if (FAILED(current->get_parentNode(&parent)))
            break;
        current = parent;
    }
    return path;
}
