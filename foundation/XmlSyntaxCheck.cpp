// Diagnosing a refused XML text with expat.
//
// Goal: the first fault of a document that MSXML refused, as line, column
// and a reason a user can act on. expat parses the same bytes once (UTF-8,
// UTF-16 by its byte order mark or its first characters, or a single-byte
// encoding it knows); its error code picks the reason, and for the codes
// that cover several faults (an invalid token above all) the characters at
// its place name the fault: a character XML does not allow, bytes that are
// no UTF-8, "--" in a comment, "]]>" in a text, "<?XML", a stray end tag.
// The same pass measures what Wine's parser (libxml2 behind MSXML) refuses in
// a well-formed text: its depth, text and name limits, the XML version.
// A document type declaration is refused where it begins, found by reading
// the prolog alone; expat never reads one (it stops at any it meets), so no
// entity is declared, expanded or fetched, whatever the text holds.
// Before the system parser reads a text, the same pass refuses the shapes
// whose cost under Wine's parser (libxml2) grows faster than the text: it
// compares each attribute of an element with every other, looks every element
// and prefixed name up through the namespace declarations in scope, every
// name and processing-instruction target through a table whose chains grow
// with the different ones read, and for every piece of a text walks from its
// element up to the nearest element holding xml:space, else the root, through
// every attribute of each. Counting these takes the pass constant work per
// attribute and element, and stops it at the first bound passed. It refuses
// as well, at the attribute's name (an element's prefix at its '<'), what
// Wine's parser refuses without a place (one local name in one namespace
// under two prefixes), a prefix no declaration binds (reported by that parser
// for every name that holds it), an xml:space whose value that walk would
// copy, and a declaration that binds the XML namespace to another prefix
// (xml:space under another name) or otherwise breaks the reserved prefixes,
// and an xml:id that parser would report on the error output.
// Edge cases: a byte order mark is no column; a mismatched end tag, "--" and
// "]]>" are placed where they begin, not where expat stopped; an element's
// text counts the references it holds as the characters they stand for, as
// libxml2 counts it; a lone high surrogate in UTF-16, which expat reads
// with the unit after it, is placed where it stands.
#include "foundation/XmlSyntaxCheck.h"
#include "foundation/Error.h"
#include "foundation/ResourceString.h"
#include "foundation/StringUtil.h"
#include "foundation/TextDecode.h"
#include "resources/strings_foundation_io.h"
#include <expat.h>
#include <algorithm>
#include <climits>
#include <cstring>
#include <memory>
#include <new>
#include <unordered_set>
#include <utility>
#include <vector>

namespace {

// Wine's parser refuses a text, attribute value, comment or processing
// instruction longer than this in UTF-8, and a name longer than this in
// UTF-8. (It refuses nesting beyond 256 levels too; the shape bounds below
// refuse far less.)
const size_t kMaxParsedText = 10000000;
const size_t kMaxParsedName = 50000;
const size_t kNowhere = static_cast<size_t>(-1);
// Beyond these Wine's parser takes seconds for a 4 MB text (tools/xmlbench:
// 425,000 attributes on one element, minutes); at them the worst such text
// reads in about a second on a loaded machine. Our documents hold 2, 2 and
// fewer than 300.
const size_t kMaxAttributes = 128;  // on one element, namespace declarations included
const size_t kMaxNamespaces = 32;   // declared by the open elements together
// Different element and attribute names and processing-instruction targets
// in a document: Wine's parser keeps each in one table of names (540,000
// different targets in 4 MB took it 5.4 s, one target repeated 0.3 s).
const size_t kMaxNames = 10000;
// For every piece of a text (a run of characters between markup, references
// and line ends: 2.5 bytes each at the least, "a&lt;") Wine's parser looks
// for xml:space from the piece's element up to the nearest element that
// holds one (its value "default" or "preserve", the only ones let through),
// else to the root, through every attribute of each; every element costs it
// more for each element around it too, whatever they hold. Its work per
// piece is the weight of the element: 8 for it and each element the walk
// passes, 4 for each of their attributes in a namespace, 1 for another
// attribute (a namespace declaration, which the walk passes by, for none),
// 128 for one named "space" in a namespace (its namespace's name
// is compared with the XML namespace's; xml:space's value is copied). Its
// work per element is 8 a level, bounded as depth alone. Measured
// (tools/xmlbench chain-*): 6 ns a level for each piece and 8 ns for each
// element, 2 ns an attribute, 7 ns one in a namespace, 30 ns a p:space,
// 150 ns an xml:space; an element weighs 8 as the texts richest in elements
// cost the most already (840,000 elements and spaces between them in 4 MB
// take 1.4 s at one level). At these bounds the worst 4 MB text reads in
// about 2 s on a loaded machine; our documents weigh 56 (7 levels; the
// root's 2 attributes are declarations).
const size_t kMaxWeight = 192;
const size_t kElementWeight = 8;
const size_t kNamespacedWeight = 4;  // an attribute in a namespace
const size_t kSpaceWeight = 128;
const size_t kMaxDepth = kMaxWeight / kElementWeight;  // 24, as the weight alone bounds a bare chain
// Each piece of text in xml:space's scope costs Wine's parser a copy of its
// value besides the walk (240 ns, and "preserve" keeps every blank piece as
// a node): 840,000 pieces, " <a/>" in 4 MB, took 1.5-2 s. Our documents hold
// no xml:space.
const size_t kMaxSpacedPieces = 100000;
// The names the Namespaces in XML recommendation reserves: no other prefix
// may be bound to them, nor these prefixes to another name (xmlns to none).
const char kXmlNamespace[] = "http://www.w3.org/XML/1998/namespace";
const char kXmlnsNamespace[] = "http://www.w3.org/2000/xmlns/";

std::wstring FromUtf8(const std::string& s)
{
    std::wstring out;
    if (!s.empty())
        MultiByteToWideString(CP_UTF8, 0, s, out);
    return out;
}

bool IsUtf8Name(std::string name)
{
    for (char& c : name)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return name == "utf-8" || name == "utf8";
}

bool IsSpaceUnit(unsigned long c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

bool IsNamespaceDeclaration(const char* name)
{
    return std::strncmp(name, "xmlns", 5) == 0 && (name[5] == '\0' || name[5] == ':');
}

// The text as expat reads it: code units of one or two bytes after any byte
// order mark (XmlByteForm); a single zero byte is a NUL character.
class CUnits {
public:
    explicit CUnits(const std::string& bytes) : b(bytes)
    {
        const CXmlByteForm form = XmlByteForm(bytes);
        width = form.utf16 ? 2 : 1;
        start = form.marked ? 2 : 0;
        little = form.little;
        if (width == 1 && b.compare(0, 3, "\xEF\xBB\xBF") == 0)
            start = 3;
        if (width == 1) {
            size_t at = 0;
            const std::string declared = Declared("encoding", at);
            utf8 = declared.empty() || IsUtf8Name(declared);
        }
    }

    const std::string& b;
    size_t width = 1;
    size_t start = 0;
    bool little = true;
    bool utf8 = true;  // single bytes: UTF-8, else a single-byte encoding

    // The unit at byte i; 0x110000 past the end (no character).
    unsigned long At(size_t i) const
    {
        if (i < start || i + width > b.size())
            return 0x110000;
        return width == 1 ? Byte(i) : little ? Byte(i) | (Byte(i + 1) << 8) : (Byte(i) << 8) | Byte(i + 1);
    }
    // Whether the units from byte i spell the ASCII text s.
    bool Spells(size_t i, const char* s) const
    {
        for (; *s; ++s, i += width)
            if (At(i) != static_cast<unsigned char>(*s))
                return false;
        return true;
    }
    // The byte after the first s at or past byte i; kNowhere when none.
    size_t After(size_t i, const char* s) const
    {
        for (; At(i) != 0x110000; i += width)
            if (Spells(i, s))
                return i + std::strlen(s) * width;
        return kNowhere;
    }
    // Whether the units before byte i spell s; `i` moves to where s begins.
    bool Follows(size_t& i, const char* s) const
    {
        const size_t n = std::strlen(s) * width;
        if (i < start + n || !Spells(i - n, s))
            return false;
        i -= n;
        return true;
    }

    // The characters from byte i up to one of `stops` (kept when `keepStop`),
    // at most `most` of them.
    std::wstring Text(size_t i, const char* stops, bool keepStop, size_t most = 64) const
    {
        std::string bytes;
        std::wstring units;
        for (size_t count = 0; At(i) != 0x110000; i += width) {
            const unsigned long c = At(i);
            const bool stop = c != 0 && c < 0x80 && std::strchr(stops, static_cast<int>(c));
            // The last character is taken whole, its continuation units too.
            if ((stop && !keepStop) || (count == most && !IsContinuation(c)))
                break;
            count += IsContinuation(c) ? 0 : 1;
            if (width == 2 || !utf8)
                units.push_back(static_cast<wchar_t>(c));
            else
                bytes.push_back(static_cast<char>(c));
            if (stop)
                break;
        }
        return width == 1 && utf8 ? FromUtf8(bytes) : units;
    }

    // The value of a pseudo-attribute of a declaration at the start ("version",
    // "encoding"); `at` receives its byte offset. Empty for none.
    std::string Declared(const char* name, size_t& at) const
    {
        if (!Spells(start, "<?xml"))
            return std::string();
        std::string value;
        for (size_t i = start; At(i) != 0x110000 && !Spells(i, "?>"); i += width) {
            if (!Spells(i, name))
                continue;
            size_t q = i + std::strlen(name) * width;
            while (At(q) == ' ' || At(q) == '=' || At(q) == '\t' || At(q) == '\r' || At(q) == '\n')
                q += width;
            const unsigned long quote = At(q);
            if (quote != '"' && quote != '\'')
                return std::string();
            at = q + width;
            for (size_t k = at; At(k) < 0x80 && At(k) != quote; k += width)
                value.push_back(static_cast<char>(At(k)));
            return value;
        }
        return value;
    }

    // Where the document type declaration begins: the first markup past
    // spaces, the XML declaration, comments and processing instructions.
    // kNowhere when that markup is another (the root element, or a fault
    // the parser names) or the prolog ends unclosed.
    size_t DocumentType() const
    {
        size_t i = start;
        while (i != kNowhere) {
            if (IsSpaceUnit(At(i))) {
                i += width;
                continue;
            }
            const char* open = Spells(i, "<?") ? "<?" : Spells(i, "<!--") ? "<!--" : nullptr;
            if (!open)
                return Spells(i, "<!DOCTYPE") ? i : kNowhere;
            i = After(i + std::strlen(open) * width, open[1] == '?' ? "?>" : "-->");
        }
        return kNowhere;
    }

    // Line and column of byte i.
    void Place(size_t i, CXmlSyntaxFault& fault) const
    {
        fault.line = 1;
        fault.column = 1;
        for (size_t k = start; k < i && k + width <= b.size(); k += width) {
            const unsigned long c = At(k);
            if (c == '\n' || (c == '\r' && At(k + width) != '\n')) {
                ++fault.line;
                fault.column = 1;
            } else if (c != '\r' && !IsContinuation(c)) {
                ++fault.column;
            }
        }
    }

private:
    unsigned Byte(size_t i) const { return i < b.size() ? static_cast<unsigned char>(b[i]) : 0u; }
    // A unit that continues a character rather than begins one.
    bool IsContinuation(unsigned long c) const
    {
        return width == 1 ? utf8 && (c & 0xC0) == 0x80 : c >= 0xDC00 && c <= 0xDFFF;
    }
};

// The characters that end a name an error names, and its prefix.
const char kNameEnds[] = " \t\r\n=/<>;\"'!?";
const char kPrefixEnds[] = " \t\r\n=/<>;\"'!?:";
bool IsNameEnd(unsigned long c) { return c <= ' ' || (c < 0x80 && std::strchr(kNameEnds, static_cast<int>(c))); }

// Where the index-th attribute (from 0) of the well-formed start tag at byte
// `tag` begins: past the element's name, and each attribute's name and
// quoted value before it.
size_t AttributeAt(const CUnits& u, size_t tag, size_t index)
{
    const size_t w = u.width;
    size_t i = tag + w;
    while (!IsNameEnd(u.At(i)))
        i += w;
    for (;; --index) {
        while (IsSpaceUnit(u.At(i)))
            i += w;
        if (index == 0 || u.At(i) == 0x110000)
            return i;
        while (u.At(i) != '"' && u.At(i) != '\'' && u.At(i) != 0x110000)
            i += w;
        const unsigned long quote = u.At(i);
        do
            i += w;
        while (u.At(i) != quote && u.At(i) != 0x110000);
        i += w;
    }
}

// The bytes with each high surrogate that no low one follows made U+FFFF,
// into `patched`; false, and `patched` untouched, when the text holds none.
// expat takes such a surrogate and the unit after it for one character, so
// the lone one went unseen (Wine's parser then refused the text without a
// place) or shifted what expat read after it; U+FFFF it refuses where it
// stands, as any character XML does not allow (a lone low surrogate too).
bool PatchLoneSurrogates(const CUnits& u, std::string& patched)
{
    if (u.width != 2)
        return false;
    bool found = false;
    for (size_t i = u.start; i + 2 <= u.b.size(); i += 2) {
        const unsigned long c = u.At(i), next = u.At(i + 2);
        if (c < 0xD800 || c > 0xDBFF)
            continue;
        if (next >= 0xDC00 && next <= 0xDFFF) {
            i += 2;
            continue;
        }
        if (!found)
            patched = u.b;
        found = true;
        patched[i] = patched[i + 1] = '\xFF';
    }
    return found;
}

// Whether an xml:id value is a name Wine's parser takes without writing a
// validity error to the error output: it judges names by the older XML
// rules, whose letters are fewer than today's, so beyond ASCII only kana
// and the common kanji (letters under both) are let through.
bool IsPlainIdName(const std::wstring& v)
{
    for (size_t i = 0; i < v.size(); ++i) {
        const wchar_t c = v[i];
        const bool letter = (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z') || c == L'_' ||
                            (c >= 0x3041 && c <= 0x3094) || (c >= 0x30A1 && c <= 0x30FA) ||
                            (c >= 0x4E00 && c <= 0x9FA5);
        const bool follower = (c >= L'0' && c <= L'9') || c == L'.' || c == L'-' || c == 0x3005 || c == 0x309D ||
                              c == 0x309E || (c >= 0x30FC && c <= 0x30FE);
        if (!letter && (i == 0 || !follower))
            return false;
    }
    return !v.empty();
}

// One pass of expat over the bytes: its error, the open elements, and where
// the text first went beyond what Wine's parser takes.
class CExpatRun {
public:
    // readPrologFirst false leaves a document type declaration to expat's
    // handler alone (for a test). markupOnly reads the markup of a text in
    // a single-byte encoding that keeps ASCII as it is, its declaration set
    // aside.
    explicit CExpatRun(const std::string& bytes, bool readPrologFirst = true, bool markupOnly = false)
        : units(bytes), doctypeAt(readPrologFirst ? units.DocumentType() : kNowhere), markupOnly(markupOnly)
    {
        if (doctypeAt != kNowhere)
            return;
        std::string patched;
        const std::string& given = PatchLoneSurrogates(units, patched) ? patched : bytes;
        // A name expat does not know brings its handler in, for every byte
        // past a UTF-8 byte order mark (expat reads one only in UTF-8).
        const XML_Char* encoding = !markupOnly ? nullptr : units.width == 2 ? "UTF-16" : "x-markup-bytes";
        skipped = markupOnly && units.width == 1 ? units.start : 0;
        std::unique_ptr<XML_ParserStruct, void (*)(XML_Parser)> owner(XML_ParserCreate(encoding), XML_ParserFree);
        parser = owner.get();
        if (!parser)
            throw std::bad_alloc();
        if (markupOnly)
            XML_SetUnknownEncodingHandler(parser, OnUnknownEncoding, nullptr);
        XML_SetUserData(parser, this);
        XML_SetElementHandler(parser, OnStart, OnEnd);
        XML_SetCharacterDataHandler(parser, OnText);
        XML_SetCommentHandler(parser, OnComment);
        XML_SetProcessingInstructionHandler(parser, OnInstruction);
        XML_SetCdataSectionHandler(parser, OnBreak, OnBreak);
        XML_SetStartDoctypeDeclHandler(parser, OnDoctype);
        // expat takes an int length: a larger text goes in pieces.
        const size_t piece = INT_MAX / 2;
        size_t done = skipped;
        do {
            const size_t n = std::min(piece, bytes.size() - done);
            const bool last = done + n == bytes.size();
            if (XML_Parse(parser, given.data() + done, static_cast<int>(n), last ? XML_TRUE : XML_FALSE) ==
                XML_STATUS_ERROR) {
                error = XML_GetErrorCode(parser);
                const XML_Index at = XML_GetCurrentByteIndex(parser);
                errorAt = at < 0 ? bytes.size() : skipped + static_cast<size_t>(at);
                break;
            }
            done += n;
        } while (done < bytes.size());
        if (outOfMemory)
            throw std::bad_alloc();
    }

    const CUnits units;
    size_t doctypeAt;  // where a document type declaration begins
    XML_Error error = XML_ERROR_NONE;
    size_t errorAt = 0;
    std::vector<std::string> open;
    size_t longAt = kNowhere, nameAt = kNowhere;
    // Where a handler stopped expat, with the message and its argument: the
    // first shape bound passed, or an attribute Wine's parser would refuse
    // or copy for every piece of text (a fault of the text's form).
    size_t shapeAt = kNowhere;
    UINT shapeId = 0;
    std::wstring shapeArgument;
    bool ofForm = false;

private:
    XML_Parser parser = nullptr;
    const bool markupOnly;
    size_t skipped = 0;  // bytes before what expat was given
    size_t textAt = kNowhere;  // where the text being measured began
    size_t textBytes = 0;
    bool outOfMemory = false;  // a handler's failure, raised once expat has returned
    struct COpenShape {
        size_t declared;  // its namespace declarations
        size_t weight;    // with the elements around it (kMaxWeight)
        bool holdsSpace;  // xml:space
    };
    std::vector<COpenShape> shapes;  // of each open element
    size_t spaceHolders = 0;         // open elements that hold xml:space
    size_t spacedPieces = 0;       // pieces of text read in xml:space's scope (kMaxSpacedPieces)
    // The prefix and namespace of each declaration in scope, the innermost last.
    std::vector<std::pair<std::string, std::string>> bindings;
    std::unordered_set<std::string> names;  // and processing-instruction targets (kMaxNames)
    std::unordered_set<std::string> ids;    // the values of xml:id

    static CExpatRun& Of(void* data) { return *static_cast<CExpatRun*>(data); }
    size_t Here() const { return skipped + static_cast<size_t>(XML_GetCurrentByteIndex(parser)); }
    static void Mark(size_t& first, size_t at)
    {
        if (first == kNowhere)
            first = at;
    }
    void Stop(size_t at, UINT id, const std::wstring& argument, bool ofForm = false)
    {
        if (shapeAt != kNowhere)
            return;
        shapeAt = at;
        shapeId = id;
        shapeArgument = argument;
        this->ofForm = ofForm;
        XML_StopParser(parser, XML_FALSE);
    }
    void PassBound(UINT id, size_t bound) { Stop(Here(), id, GroupedDigits(bound)); }
    // Counts the element's shape; may throw std::bad_alloc.
    void CountShape(const XML_Char* name, const XML_Char** attributes)
    {
        size_t count = 0;
        while (attributes[2 * count])
            ++count;
        // The declarations are kept and the weight counted within the bound
        // alone: one element may declare 400,000.
        const size_t before = bindings.size();
        size_t weight = kElementWeight;
        bool holdsSpace = false;
        if (count <= kMaxAttributes) {
            for (const XML_Char** a = attributes; a[0]; a += 2)
                if (IsNamespaceDeclaration(a[0]))
                    bindings.emplace_back(a[0][5] ? a[0] + 6 : "", a[1]);
            for (const XML_Char** a = attributes; a[0]; a += 2) {
                weight += AttributeWeight(a[0]);
                holdsSpace = holdsSpace || IsXmlSpace(a[0]);
            }
        }
        // The walk for xml:space stops at the element that holds it: nothing
        // above costs the pieces inside.
        if (!holdsSpace && !shapes.empty())
            weight += shapes.back().weight;
        shapes.push_back({bindings.size() - before, weight, holdsSpace});
        spaceHolders += holdsSpace;
        if (count > kMaxAttributes)
            return PassBound(IDS_XML_LIMIT_TOO_MANY_ATTRIBUTES, kMaxAttributes);
        if (bindings.size() > kMaxNamespaces)
            return PassBound(IDS_XML_LIMIT_TOO_MANY_NAMESPACES, kMaxNamespaces);
        if (open.size() > kMaxDepth)
            return PassBound(IDS_XML_LIMIT_TOO_DEEP, kMaxDepth);
        if (weight > kMaxWeight)
            return PassBound(IDS_XML_LIMIT_TOO_MANY_NESTED, kMaxWeight);
        names.insert(name);
        for (const XML_Char** a = attributes; a[0]; a += 2)
            names.insert(a[0]);
        if (names.size() > kMaxNames)
            return PassBound(IDS_XML_LIMIT_TOO_MANY_NAMES, kMaxNames);
        FindNameFault(name, attributes);
    }
    // What one attribute of the element being read adds to its weight.
    size_t AttributeWeight(const char* name) const
    {
        if (IsNamespaceDeclaration(name))
            return 0;
        const char* colon = std::strchr(name, ':');
        if (!colon || colon == name || !Namespace(name, colon - name))
            return 1;
        return std::strcmp(colon + 1, "space") == 0 ? kSpaceWeight : kNamespacedWeight;
    }
    // The namespace a prefix of `length` bytes names in the element being
    // read; null for none (undeclared, or bound to an empty name, which XML
    // 1.0 does not allow).
    const std::string* Namespace(const char* prefix, size_t length) const
    {
        static const std::string xml = kXmlNamespace;
        for (size_t i = bindings.size(); i-- > 0;)
            if (bindings[i].first.compare(0, std::string::npos, prefix, length) == 0)
                return bindings[i].second.empty() ? nullptr : &bindings[i].second;
        return length == 3 && std::strncmp(prefix, "xml", 3) == 0 ? &xml : nullptr;
    }
    // Whether an attribute of the element being read is xml:space by its
    // expanded name: "space" in the XML namespace, whatever the prefix.
    bool IsXmlSpace(const char* name) const { return IsXmlAttribute(name, "space"); }
    bool IsXmlAttribute(const char* name, const char* local) const
    {
        const char* colon = std::strchr(name, ':');
        const std::string* space = colon && colon != name ? Namespace(name, colon - name) : nullptr;
        return space && *space == kXmlNamespace && std::strcmp(colon + 1, local) == 0;
    }
    // Whether a namespace declaration breaks the reserved names' bindings:
    // another prefix on the XML namespace would give its attributes the
    // expanded name of xml:space (p:space) under a name the value check
    // would not know.
    static bool IsReservedBinding(const char* name, const char* space)
    {
        const char* prefix = name[5] ? name + 6 : "";
        const bool xml = std::strcmp(prefix, "xml") == 0;
        return std::strcmp(prefix, "xmlns") == 0 || std::strcmp(space, kXmlnsNamespace) == 0 ||
               xml != (std::strcmp(space, kXmlNamespace) == 0);
    }
    // Whether a name's prefix, if it has one, is bound to a namespace.
    bool IsBound(const char* name) const
    {
        const char* colon = std::strchr(name, ':');
        return !colon || colon == name || Namespace(name, colon - name);
    }
    // What expat without namespaces reads and Wine's parser does not take
    // as it is. A prefix no declaration in scope binds (p:a without
    // xmlns:p): MSXML refuses it; Wine's parser reports it for every name
    // (4 MB of such names took it 2 s). Two attributes of one local name
    // under two prefixes of one namespace (p:a and q:a): Wine's parser
    // refuses them as one repeated and says nothing of where; the later one
    // is refused, as expat refuses a repeated name. A declaration that binds
    // a prefix other than xml to the XML namespace, xml to another, or
    // anything to the xmlns namespace (Namespaces in XML forbids each). An
    // xml:space that is neither "default" nor "preserve", the values XML
    // gives it: Wine's parser copies the value for every piece of text
    // inside (a 100 KB value took it 20 s for 1 MB of text). An xml:id that
    // is no name (IsPlainIdName) or repeats an earlier one: Wine's parser
    // reads it but writes a validity error with context lines to the error
    // output for each (4 MB of them: 122 MB).
    void FindNameFault(const XML_Char* name, const XML_Char** attributes)
    {
        if (!IsBound(name))
            return Stop(Here(), IDS_XML_SYNTAX_UNDECLARED_PREFIX, units.Text(Here() + units.width, kPrefixEnds, false),
                        true);
        size_t index = 0;
        for (const XML_Char** a = attributes; a[0]; a += 2, ++index) {
            if (IsNamespaceDeclaration(a[0])) {
                if (IsReservedBinding(a[0], a[1]))
                    return RefuseAttribute(index, IDS_XML_SYNTAX_BAD_ATTRIBUTE, kNameEnds);
                continue;
            }
            if (!IsBound(a[0]))
                return RefuseAttribute(index, IDS_XML_SYNTAX_UNDECLARED_PREFIX, kPrefixEnds);
            if (IsXmlSpace(a[0]) && std::strcmp(a[1], "default") != 0 && std::strcmp(a[1], "preserve") != 0)
                return RefuseAttribute(index, IDS_XML_SYNTAX_BAD_ATTRIBUTE, kNameEnds);
            if (IsXmlAttribute(a[0], "id")) {
                // A text expat reads as bytes has characters it does not know.
                const std::wstring value = FromUtf8(a[1]);
                const size_t at = AttributeAt(units, Here(), index);
                if (!IsPlainIdName(value) || (markupOnly && value.size() != std::strlen(a[1])))
                    return Stop(at, IDS_XML_SYNTAX_ID_NOT_A_NAME, WrittenValue(at), true);
                if (!ids.insert(a[1]).second)
                    return Stop(at, IDS_XML_SYNTAX_ID_REPEATED, WrittenValue(at), true);
            }
        }
        struct CNamed {
            const std::string* space;
            const char* local;
            size_t index;
        };
        std::vector<CNamed> named;
        index = 0;
        for (const XML_Char** a = attributes; a[0]; a += 2, ++index) {
            const char* colon = std::strchr(a[0], ':');
            const std::string* space = colon && !IsNamespaceDeclaration(a[0]) ? Namespace(a[0], colon - a[0]) : nullptr;
            if (space)
                named.push_back({space, colon + 1, index});
        }
        if (named.size() < 2)
            return;
        std::sort(named.begin(), named.end(), [](const CNamed& x, const CNamed& y) {
            const int local = std::strcmp(x.local, y.local);
            const int order = local ? local : x.space->compare(*y.space);
            return order ? order < 0 : x.index < y.index;
        });
        size_t first = kNowhere;
        for (size_t i = 1; i < named.size(); ++i)
            if (std::strcmp(named[i].local, named[i - 1].local) == 0 && *named[i].space == *named[i - 1].space)
                first = std::min(first, named[i].index);
        if (first != kNowhere)
            RefuseAttribute(first, IDS_XML_SYNTAX_BAD_ATTRIBUTE, kNameEnds);
    }
    // The value of the attribute whose name begins at byte `at`, as written
    // (expat's reading of a text it reads as bytes is no character).
    std::wstring WrittenValue(size_t at) const
    {
        while (units.At(at) != '"' && units.At(at) != '\'' && units.At(at) != 0x110000)
            at += units.width;
        const char quote[] = {static_cast<char>(units.At(at)), '\0'};
        return units.Text(at + units.width, quote, false);
    }
    // The index-th attribute of the element being read, placed at its name
    // and named to one of `ends`.
    void RefuseAttribute(size_t index, UINT id, const char* ends)
    {
        const size_t at = AttributeAt(units, Here(), index);
        Stop(at, id, units.Text(at, ends, false), true);
    }

    static void XMLCALL OnStart(void* data, const XML_Char* name, const XML_Char** attributes)
    {
        CExpatRun& r = Of(data);
        r.textAt = kNowhere;
        if (std::strlen(name) > kMaxParsedName)
            Mark(r.nameAt, r.Here());
        for (const XML_Char** a = attributes; a[0]; a += 2) {
            if (std::strlen(a[0]) > kMaxParsedName)
                Mark(r.nameAt, r.Here());
            if (std::strlen(a[1]) > kMaxParsedText)
                Mark(r.longAt, r.Here());
        }
        // Nothing may be thrown through expat's frames.
        try {
            r.open.push_back(name);
            r.CountShape(name, attributes);
        } catch (...) {
            r.outOfMemory = true;
            XML_StopParser(r.parser, XML_FALSE);
        }
    }
    static void XMLCALL OnEnd(void* data, const XML_Char*)
    {
        CExpatRun& r = Of(data);
        r.textAt = kNowhere;
        if (!r.open.empty())
            r.open.pop_back();
        if (!r.shapes.empty()) {
            r.bindings.resize(r.bindings.size() - r.shapes.back().declared);
            r.spaceHolders -= r.shapes.back().holdsSpace;
            r.shapes.pop_back();
        }
    }
    static void XMLCALL OnText(void* data, const XML_Char*, int length)
    {
        CExpatRun& r = Of(data);
        if (r.textAt == kNowhere) {
            r.textAt = r.Here();
            r.textBytes = 0;
        }
        r.textBytes += static_cast<size_t>(length);
        if (r.textBytes > kMaxParsedText)
            Mark(r.longAt, r.textAt);
        // expat hands a text over in the pieces Wine's parser walks for:
        // apart at references and line ends.
        if (r.spaceHolders && ++r.spacedPieces > kMaxSpacedPieces) {
            try {
                r.PassBound(IDS_XML_LIMIT_TOO_MANY_SPACED_TEXTS, kMaxSpacedPieces);
            } catch (...) {
                r.outOfMemory = true;
                XML_StopParser(r.parser, XML_FALSE);
            }
        }
    }
    static void XMLCALL OnComment(void* data, const XML_Char* text)
    {
        CExpatRun& r = Of(data);
        r.textAt = kNowhere;
        if (std::strlen(text) > kMaxParsedText)
            Mark(r.longAt, r.Here());
    }
    static void XMLCALL OnInstruction(void* data, const XML_Char* target, const XML_Char* text)
    {
        CExpatRun& r = Of(data);
        r.textAt = kNowhere;
        if (std::strlen(target) > kMaxParsedName)
            Mark(r.nameAt, r.Here());
        if (std::strlen(text) > kMaxParsedText)
            Mark(r.longAt, r.Here());
        try {
            if (r.names.insert(target).second && r.names.size() > kMaxNames)
                r.PassBound(IDS_XML_LIMIT_TOO_MANY_NAMES, kMaxNames);
        } catch (...) {
            r.outOfMemory = true;
            XML_StopParser(r.parser, XML_FALSE);
        }
    }
    // One the reading of the prolog missed (expat took the bytes otherwise)
    // stops expat once its name and identifiers are read, before any
    // declaration inside it.
    static void XMLCALL OnDoctype(void* data, const XML_Char*, const XML_Char*, const XML_Char*, int)
    {
        CExpatRun& r = Of(data);
        // expat stands past the name and identifiers: placed at "<!DOCTYPE".
        size_t at = r.Here();
        while (at > r.units.start && !r.units.Spells(at, "<!DOCTYPE"))
            at -= r.units.width;
        Mark(r.doctypeAt, at);
        XML_StopParser(r.parser, XML_FALSE);
    }
    // Every byte from 0x80 up stands for an ideograph, a character a name may
    // begin with: whatever the bytes mean, in a name or a text, the markup
    // around them reads as it is.
    static int XMLCALL OnUnknownEncoding(void*, const XML_Char*, XML_Encoding* info)
    {
        for (int i = 0; i < 256; ++i)
            info->map[i] = i < 0x80 ? i : 0x4E00 + i;
        info->data = nullptr;
        info->convert = nullptr;
        info->release = nullptr;
        return XML_STATUS_OK;
    }
    // A CDATA section is a text of its own.
    static void XMLCALL OnBreak(void* data) { Of(data).textAt = kNowhere; }
};

// A character XML does not allow anywhere where expat stopped (a surrogate
// in UTF-16 stands alone there; U+FFFE and U+FFFF are three bytes in UTF-8).
bool IsForbidden(const CUnits& u, size_t at)
{
    const unsigned long c = u.At(at);
    if (c < 0x20)
        return c != '\t' && c != '\n' && c != '\r';
    if (u.width == 1)
        return u.utf8 && (u.Spells(at, "\xEF\xBF\xBE") || u.Spells(at, "\xEF\xBF\xBF"));
    return (c >= 0xD800 && c <= 0xDFFF) || c == 0xFFFE || c == 0xFFFF;
}

// Bytes at `at` that are no UTF-8 character.
bool IsBadUtf8(const CUnits& u, size_t at)
{
    if (u.width != 1 || !u.utf8 || u.At(at) < 0x80 || u.At(at) == 0x110000)
        return false;
    const unsigned long c = u.At(at);
    const size_t length = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : 2;
    return !IsValidUtf8(reinterpret_cast<const unsigned char*>(u.b.data()) + at, std::min(length, u.b.size() - at));
}

// Whether byte `at` lies inside a start tag: a '<' of an element comes
// before it sooner than a '>'.
bool IsInTag(const CUnits& u, size_t at)
{
    for (size_t i = at; i >= u.start + u.width;) {
        i -= u.width;
        const unsigned long c = u.At(i);
        if (c == '>')
            return false;
        if (c == '<')
            return u.At(i + u.width) != '!' && u.At(i + u.width) != '?';
    }
    return false;
}

// A reference as written: to its ';', at most 12 characters, and not into
// the markup or the spaces after it.
std::wstring Reference(const CUnits& u, size_t at)
{
    const std::wstring text = u.Text(at, ";", true, 12);
    return text.substr(0, text.find_first_of(L"< \t\r\n"));
}

// The '&' of a reference that ends at byte `at` without its ';' (expat
// stops after the '&' or its name); kNowhere when there is none.
size_t ReferenceBefore(const CUnits& u, size_t at)
{
    const size_t w = u.width;
    if (u.At(at) == '&')
        return at;
    while (at > u.start && u.At(at - w) != '&' && (u.At(at - w) == '#' || !IsNameEnd(u.At(at - w))))
        at -= w;
    return at > u.start && u.At(at - w) == '&' ? at - w : kNowhere;
}

// Where the name of the attribute begins whose '=' stands before byte `at`
// (spaces aside); kNowhere when none does.
size_t AttributeBefore(const CUnits& u, size_t at)
{
    const size_t w = u.width;
    while (at > u.start && IsSpaceUnit(u.At(at - w)))
        at -= w;
    if (!u.Follows(at, "="))
        return kNowhere;
    while (at > u.start && IsSpaceUnit(u.At(at - w)))
        at -= w;
    const size_t end = at;
    while (at > u.start && !IsNameEnd(u.At(at - w)))
        at -= w;
    return at < end ? at : kNowhere;
}

// The attribute whose quoted value is still open at byte `at` (a '<' may not
// stand in one): the quotes of the start tag before it are followed from its
// '<'. kNowhere when `at` is in no value.
size_t AttributeOfOpenValue(const CUnits& u, size_t at)
{
    const size_t w = u.width;
    size_t tag = at;
    do {
        if (tag < u.start + w)
            return kNowhere;
        tag -= w;
    } while (u.At(tag) != '<' || IsNameEnd(u.At(tag + w)));
    unsigned long quote = 0;
    size_t opened = tag;
    for (size_t i = tag; i < at; i += w) {
        const unsigned long c = u.At(i);
        if (quote) {
            quote = c == quote ? 0 : quote;
        } else if (c == '"' || c == '\'') {
            quote = c;
            opened = i;
        } else if (c == '>') {
            return kNowhere;
        }
    }
    return quote ? AttributeBefore(u, opened) : kNowhere;
}

bool DocumentTypeFault(const CUnits& u, size_t at, CXmlSyntaxFault& fault)
{
    if (at == kNowhere)
        return false;
    u.Place(at, fault);
    fault.reason = LoadResourceString(IDS_XML_SYNTAX_DOCTYPE);
    return true;
}

bool SyntaxFault(const CExpatRun& run, CXmlSyntaxFault& fault)
{
    const CUnits& u = run.units;
    if (DocumentTypeFault(u, run.doctypeAt, fault))
        return true;
    // An attribute refused by a handler is a fault of the form; a shape
    // bound that stopped expat is none.
    if (run.shapeAt != kNowhere && run.ofForm) {
        u.Place(run.shapeAt, fault);
        fault.reason = CSimpleErr::Format(run.shapeId, run.shapeArgument);
        return true;
    }
    if (run.error == XML_ERROR_NONE || run.shapeAt != kNowhere)
        return false;
    const size_t w = u.width;
    size_t at = run.errorAt;
    UINT id = IDS_XML_SYNTAX_NOT_WELL_FORMED;
    std::wstring a1, a2;
    size_t name = kNowhere;
    // expat takes a zero first or second byte for half of a UTF-16
    // character and stops somewhere after it: the zero is the fault.
    const size_t nul = w == 1 ? u.b.find('\0') : kNowhere;
    switch (nul < 2 ? XML_ERROR_NONE : run.error) {
    case XML_ERROR_NONE:
        at = nul;
        id = IDS_XML_SYNTAX_BAD_CHARACTER;
        break;
    case XML_ERROR_SYNTAX:
        if (u.At(at) != '<')
            id = IDS_XML_SYNTAX_TEXT_OUTSIDE_ROOT;
        break;
    case XML_ERROR_NO_ELEMENTS:
        id = run.open.empty() ? IDS_XML_SYNTAX_NO_ROOT : IDS_XML_SYNTAX_UNCLOSED;
        a1 = run.open.empty() ? std::wstring() : FromUtf8(run.open.back());
        break;
    case XML_ERROR_INVALID_TOKEN:
        if (IsBadUtf8(u, at)) {
            id = IDS_XML_SYNTAX_BAD_BYTES;
        } else if (IsForbidden(u, at)) {
            id = IDS_XML_SYNTAX_BAD_CHARACTER;
        } else if (u.Spells(at, "DOCTYPE") && u.Follows(at, "<!")) {
            id = IDS_XML_SYNTAX_DOCTYPE;
        } else if (u.Follows(at, "--")) {
            id = IDS_XML_SYNTAX_COMMENT_DASHES;
        } else if (u.Spells(at, ">") && u.Follows(at, "]]")) {
            id = IDS_XML_SYNTAX_CDATA_END_IN_TEXT;
        } else if (at >= u.start + 5 * w && u.Spells(at - 5 * w, "<?") &&
                   EqualsNoCase(u.Text(at - 3 * w, "", false, 3), L"xml")) {
            // "<?XML": the target is reserved in every letter case.
            at -= 5 * w;
            id = IDS_XML_SYNTAX_BAD_DECLARATION;
        } else if ((name = ReferenceBefore(u, at)) != kNowhere) {
            id = IDS_XML_SYNTAX_BAD_REFERENCE;
            a1 = Reference(u, name);
            at = name;
        } else if (u.Spells(at, "/") && u.Follows(at, "<")) {
            id = IDS_XML_SYNTAX_STRAY_END_TAG;
            a1 = u.Text(at + 2 * w, kNameEnds, false);
        } else if ((name = AttributeOfOpenValue(u, at)) != kNowhere ||
                   (IsInTag(u, at) && (name = AttributeBefore(u, at)) != kNowhere)) {
            id = IDS_XML_SYNTAX_BAD_ATTRIBUTE;
            a1 = u.Text(name, kNameEnds, false);
            at = name;
        } else if (IsInTag(u, at)) {
            id = IDS_XML_SYNTAX_BAD_TAG;
        }
        break;
    case XML_ERROR_UNCLOSED_TOKEN:
    case XML_ERROR_UNCLOSED_CDATA_SECTION:
        id = u.Spells(at, "<!") || u.Spells(at, "<?") ? IDS_XML_SYNTAX_UNCLOSED_MARKUP : IDS_XML_SYNTAX_BAD_TAG;
        break;
    case XML_ERROR_PARTIAL_CHAR:
        id = u.width == 2 ? IDS_XML_SYNTAX_BAD_CHARACTER : IDS_XML_SYNTAX_BAD_BYTES;
        break;
    case XML_ERROR_TAG_MISMATCH:
        // expat stops at the end tag's name: the tag begins two before.
        id = IDS_XML_SYNTAX_END_TAG_MISMATCH;
        a1 = u.Text(at, kNameEnds, false);
        a2 = run.open.empty() ? std::wstring() : FromUtf8(run.open.back());
        u.Follows(at, "</");
        break;
    case XML_ERROR_DUPLICATE_ATTRIBUTE:
        id = IDS_XML_SYNTAX_BAD_ATTRIBUTE;
        a1 = u.Text(at, kNameEnds, false);
        break;
    case XML_ERROR_JUNK_AFTER_DOC_ELEMENT:
        if (u.Spells(at, "</")) {
            id = IDS_XML_SYNTAX_STRAY_END_TAG;
            a1 = u.Text(at + 2 * w, kNameEnds, false);
        } else if (u.Spells(at, "<!DOCTYPE")) {
            id = IDS_XML_SYNTAX_DOCTYPE;
        } else if (u.Spells(at, "<")) {
            id = IDS_XML_SYNTAX_SECOND_ROOT;
            a1 = u.Text(at + w, kNameEnds, false);
        } else {
            id = IDS_XML_SYNTAX_TEXT_OUTSIDE_ROOT;
        }
        break;
    case XML_ERROR_BAD_CHAR_REF:
        id = IDS_XML_SYNTAX_BAD_CHARACTER_REFERENCE;
        a1 = Reference(u, at);
        break;
    case XML_ERROR_UNDEFINED_ENTITY:
    case XML_ERROR_PARAM_ENTITY_REF:
    case XML_ERROR_RECURSIVE_ENTITY_REF:
    case XML_ERROR_BINARY_ENTITY_REF:
    case XML_ERROR_ATTRIBUTE_EXTERNAL_ENTITY_REF:
        id = IDS_XML_SYNTAX_BAD_REFERENCE;
        a1 = Reference(u, at);
        break;
    case XML_ERROR_MISPLACED_XML_PI:
        id = IDS_XML_SYNTAX_DECLARATION_NOT_AT_START;
        break;
    case XML_ERROR_XML_DECL:
    case XML_ERROR_TEXT_DECL:
        id = IDS_XML_SYNTAX_BAD_DECLARATION;
        break;
    case XML_ERROR_UNKNOWN_ENCODING:
    case XML_ERROR_INCORRECT_ENCODING: {
        // Named where the declaration names it.
        size_t nameAt = at;
        a1 = FromUtf8(u.Declared("encoding", nameAt));
        at = nameAt;
        id = IDS_XML_LIMIT_ENCODING;
        break;
    }
    default:
        break;
    }
    u.Place(at, fault);
    fault.reason = CSimpleErr::Format(id, a1, a2);
    return true;
}

bool ShapeFault(const CExpatRun& run, CXmlSyntaxFault& fault)
{
    if (run.shapeAt == kNowhere || run.ofForm)
        return false;
    run.units.Place(run.shapeAt, fault);
    fault.reason = CSimpleErr::Format(run.shapeId, run.shapeArgument);
    return true;
}

bool ParserLimit(const CExpatRun& run, CXmlSyntaxFault& fault)
{
    const CUnits& u = run.units;
    // The first limit the text passes is where Wine's parser stopped.
    const size_t first = std::min(run.longAt, run.nameAt);
    if (first != kNowhere) {
        u.Place(first, fault);
        if (first == run.longAt)
            fault.reason = CSimpleErr::Format(IDS_XML_LIMIT_TEXT_TOO_LONG, std::to_wstring(kMaxParsedText));
        else
            fault.reason = CSimpleErr::Format(IDS_XML_LIMIT_NAME_TOO_LONG, std::to_wstring(kMaxParsedName));
        return true;
    }
    size_t at = 0;
    // XML 1.0 readers take any 1.x; expat reads any version at all.
    const std::string version = u.Declared("version", at);
    if (!version.empty() && (version.size() < 3 || version.compare(0, 2, "1.") != 0 ||
                             version.find_first_not_of("0123456789", 2) != std::string::npos)) {
        u.Place(at, fault);
        fault.reason = CSimpleErr::Format(IDS_XML_SYNTAX_BAD_VERSION, FromUtf8(version));
        return true;
    }
    if (u.width == 2 && u.start == 2)
        return false;
    const std::string declared = u.Declared("encoding", at);
    if (declared.empty() || IsUtf8Name(declared))
        return false;
    u.Place(at, fault);
    fault.reason = CSimpleErr::Format(IDS_XML_LIMIT_ENCODING, FromUtf8(declared));
    return true;
}

} // namespace

CXmlByteForm XmlByteForm(const std::string& bytes)
{
    auto byte = [&bytes](size_t i) { return i < bytes.size() ? static_cast<unsigned char>(bytes[i]) : 0u; };
    // Four bytes decide: a zero first or second byte alone may be a NUL in
    // a text of single bytes, refused there as a character XML forbids.
    const bool fewer = bytes.size() < 4;
    CXmlByteForm form;
    if ((byte(0) == 0xFF && byte(1) == 0xFE) || (byte(0) == 0xFE && byte(1) == 0xFF)) {
        form.utf16 = form.marked = true;
        form.little = byte(0) == 0xFF;
    } else if (bytes.size() >= 2 && byte(0) == 0 && (fewer || byte(2) == 0)) {
        form.utf16 = true;
        form.little = false;
    } else if (bytes.size() >= 2 && byte(1) == 0 && (fewer || byte(3) == 0)) {
        form.utf16 = true;
    }
    return form;
}

bool FindXmlDocumentType(const std::string& bytes, CXmlSyntaxFault& fault)
{
    const CUnits units(bytes);
    return DocumentTypeFault(units, units.DocumentType(), fault);
}

bool FindXmlSyntaxFault(const std::string& bytes, CXmlSyntaxFault& fault)
{
    return SyntaxFault(CExpatRun(bytes), fault);
}

bool FindXmlSyntaxFaultByExpatForTest(const std::string& bytes, CXmlSyntaxFault& fault)
{
    return SyntaxFault(CExpatRun(bytes, false), fault);
}

bool FindXmlParserLimit(const std::string& bytes, CXmlSyntaxFault& fault)
{
    return ParserLimit(CExpatRun(bytes), fault);
}

bool FindXmlFault(const std::string& bytes, CXmlSyntaxFault& fault)
{
    const CExpatRun run(bytes);
    return SyntaxFault(run, fault) || ShapeFault(run, fault) || ParserLimit(run, fault);
}

bool FindXmlReadingFault(const std::string& bytes, CXmlSyntaxFault& fault)
{
    const CExpatRun run(bytes);
    if (run.doctypeAt != kNowhere ||
        (run.error != XML_ERROR_UNKNOWN_ENCODING && run.error != XML_ERROR_INCORRECT_ENCODING))
        return SyntaxFault(run, fault) || ShapeFault(run, fault);
    // What expat cannot decode the system parser may (windows-1252 under
    // Wine): the markup is read as bytes, a fault of it or a shape refused (a
    // tag that does not close would leave its attributes uncounted), and the
    // characters left to that parser. In a two-byte code page a trail byte
    // below 0x80 reads as ASCII, so a name holding such a character (a
    // Shift_JIS "表" ends in "\") is refused; Wine's parser refuses those
    // encodings whole, and the program writes only UTF-8.
    const CExpatRun markup(bytes, true, true);
    return SyntaxFault(markup, fault) || ShapeFault(markup, fault);
}
