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
// and an xml:id that parser would report on the error output (by its own
// rule of names, measured). It counts the nodes too: each costs that parser
// some 450 ns, and a reader's walk through MSXML a new object.
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
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <random>
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
// Elements, texts (a run of characters between markup), comments and
// processing instructions in a document: Wine's parser spends some 450 ns on
// each, and a reader's walk through MSXML a new object on each it passes (4
// MB of "a<a/>", 1.7 million nodes, took 0.8 s to parse and 0.35 s to walk
// on an idle machine, over 2 s in all on a loaded one). Our documents hold
// some 500.
const size_t kMaxNodes = 100000;
// Different xml:id values: an element that holds one costs Wine's parser
// 4.6 us, one with another attribute 2.6 us (98,000 of either in 2 MB: 0.45 s
// and 0.26 s). Our documents hold none.
const size_t kMaxIds = 10000;
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
// expat takes such a surrogate and the unit after it for one character,
// whatever that unit is (a full-width digit above the low surrogates too), so
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

// The characters beyond ASCII that XML 1.0 took in names before its fifth
// edition (its appendix B, drawn from Unicode 2.0 less the compatibility
// forms): the letters, which may begin a name, and the digits, combining
// marks and extenders that may only follow. Wine's parser judges an xml:id
// by these alone (measured for every character, first and after a letter):
// it takes é, hangul and greek letters but no CJK ideograph past U+9FA5, no
// half-width kana and nothing beyond U+FFFF.
struct CCodeRange {
    unsigned short first, last;
};
const CCodeRange kNameLetters[] = {
    {0x00C0, 0x00D6}, {0x00D8, 0x00F6}, {0x00F8, 0x0131}, {0x0134, 0x013E}, {0x0141, 0x0148}, {0x014A, 0x017E},
    {0x0180, 0x01C3}, {0x01CD, 0x01F0}, {0x01F4, 0x01F5}, {0x01FA, 0x0217}, {0x0250, 0x02A8}, {0x02BB, 0x02C1},
    {0x0386, 0x0386}, {0x0388, 0x038A}, {0x038C, 0x038C}, {0x038E, 0x03A1}, {0x03A3, 0x03CE}, {0x03D0, 0x03D6},
    {0x03DA, 0x03DA}, {0x03DC, 0x03DC}, {0x03DE, 0x03DE}, {0x03E0, 0x03E0}, {0x03E2, 0x03F3}, {0x0401, 0x040C},
    {0x040E, 0x044F}, {0x0451, 0x045C}, {0x045E, 0x0481}, {0x0490, 0x04C4}, {0x04C7, 0x04C8}, {0x04CB, 0x04CC},
    {0x04D0, 0x04EB}, {0x04EE, 0x04F5}, {0x04F8, 0x04F9}, {0x0531, 0x0556}, {0x0559, 0x0559}, {0x0561, 0x0586},
    {0x05D0, 0x05EA}, {0x05F0, 0x05F2}, {0x0621, 0x063A}, {0x0641, 0x064A}, {0x0671, 0x06B7}, {0x06BA, 0x06BE},
    {0x06C0, 0x06CE}, {0x06D0, 0x06D3}, {0x06D5, 0x06D5}, {0x06E5, 0x06E6}, {0x0905, 0x0939}, {0x093D, 0x093D},
    {0x0958, 0x0961}, {0x0985, 0x098C}, {0x098F, 0x0990}, {0x0993, 0x09A8}, {0x09AA, 0x09B0}, {0x09B2, 0x09B2},
    {0x09B6, 0x09B9}, {0x09DC, 0x09DD}, {0x09DF, 0x09E1}, {0x09F0, 0x09F1}, {0x0A05, 0x0A0A}, {0x0A0F, 0x0A10},
    {0x0A13, 0x0A28}, {0x0A2A, 0x0A30}, {0x0A32, 0x0A33}, {0x0A35, 0x0A36}, {0x0A38, 0x0A39}, {0x0A59, 0x0A5C},
    {0x0A5E, 0x0A5E}, {0x0A72, 0x0A74}, {0x0A85, 0x0A8B}, {0x0A8D, 0x0A8D}, {0x0A8F, 0x0A91}, {0x0A93, 0x0AA8},
    {0x0AAA, 0x0AB0}, {0x0AB2, 0x0AB3}, {0x0AB5, 0x0AB9}, {0x0ABD, 0x0ABD}, {0x0AE0, 0x0AE0}, {0x0B05, 0x0B0C},
    {0x0B0F, 0x0B10}, {0x0B13, 0x0B28}, {0x0B2A, 0x0B30}, {0x0B32, 0x0B33}, {0x0B36, 0x0B39}, {0x0B3D, 0x0B3D},
    {0x0B5C, 0x0B5D}, {0x0B5F, 0x0B61}, {0x0B85, 0x0B8A}, {0x0B8E, 0x0B90}, {0x0B92, 0x0B95}, {0x0B99, 0x0B9A},
    {0x0B9C, 0x0B9C}, {0x0B9E, 0x0B9F}, {0x0BA3, 0x0BA4}, {0x0BA8, 0x0BAA}, {0x0BAE, 0x0BB5}, {0x0BB7, 0x0BB9},
    {0x0C05, 0x0C0C}, {0x0C0E, 0x0C10}, {0x0C12, 0x0C28}, {0x0C2A, 0x0C33}, {0x0C35, 0x0C39}, {0x0C60, 0x0C61},
    {0x0C85, 0x0C8C}, {0x0C8E, 0x0C90}, {0x0C92, 0x0CA8}, {0x0CAA, 0x0CB3}, {0x0CB5, 0x0CB9}, {0x0CDE, 0x0CDE},
    {0x0CE0, 0x0CE1}, {0x0D05, 0x0D0C}, {0x0D0E, 0x0D10}, {0x0D12, 0x0D28}, {0x0D2A, 0x0D39}, {0x0D60, 0x0D61},
    {0x0E01, 0x0E2E}, {0x0E30, 0x0E30}, {0x0E32, 0x0E33}, {0x0E40, 0x0E45}, {0x0E81, 0x0E82}, {0x0E84, 0x0E84},
    {0x0E87, 0x0E88}, {0x0E8A, 0x0E8A}, {0x0E8D, 0x0E8D}, {0x0E94, 0x0E97}, {0x0E99, 0x0E9F}, {0x0EA1, 0x0EA3},
    {0x0EA5, 0x0EA5}, {0x0EA7, 0x0EA7}, {0x0EAA, 0x0EAB}, {0x0EAD, 0x0EAE}, {0x0EB0, 0x0EB0}, {0x0EB2, 0x0EB3},
    {0x0EBD, 0x0EBD}, {0x0EC0, 0x0EC4}, {0x0F40, 0x0F47}, {0x0F49, 0x0F69}, {0x10A0, 0x10C5}, {0x10D0, 0x10F6},
    {0x1100, 0x1100}, {0x1102, 0x1103}, {0x1105, 0x1107}, {0x1109, 0x1109}, {0x110B, 0x110C}, {0x110E, 0x1112},
    {0x113C, 0x113C}, {0x113E, 0x113E}, {0x1140, 0x1140}, {0x114C, 0x114C}, {0x114E, 0x114E}, {0x1150, 0x1150},
    {0x1154, 0x1155}, {0x1159, 0x1159}, {0x115F, 0x1161}, {0x1163, 0x1163}, {0x1165, 0x1165}, {0x1167, 0x1167},
    {0x1169, 0x1169}, {0x116D, 0x116E}, {0x1172, 0x1173}, {0x1175, 0x1175}, {0x119E, 0x119E}, {0x11A8, 0x11A8},
    {0x11AB, 0x11AB}, {0x11AE, 0x11AF}, {0x11B7, 0x11B8}, {0x11BA, 0x11BA}, {0x11BC, 0x11C2}, {0x11EB, 0x11EB},
    {0x11F0, 0x11F0}, {0x11F9, 0x11F9}, {0x1E00, 0x1E9B}, {0x1EA0, 0x1EF9}, {0x1F00, 0x1F15}, {0x1F18, 0x1F1D},
    {0x1F20, 0x1F45}, {0x1F48, 0x1F4D}, {0x1F50, 0x1F57}, {0x1F59, 0x1F59}, {0x1F5B, 0x1F5B}, {0x1F5D, 0x1F5D},
    {0x1F5F, 0x1F7D}, {0x1F80, 0x1FB4}, {0x1FB6, 0x1FBC}, {0x1FBE, 0x1FBE}, {0x1FC2, 0x1FC4}, {0x1FC6, 0x1FCC},
    {0x1FD0, 0x1FD3}, {0x1FD6, 0x1FDB}, {0x1FE0, 0x1FEC}, {0x1FF2, 0x1FF4}, {0x1FF6, 0x1FFC}, {0x2126, 0x2126},
    {0x212A, 0x212B}, {0x212E, 0x212E}, {0x2180, 0x2182}, {0x3007, 0x3007}, {0x3021, 0x3029}, {0x3041, 0x3094},
    {0x30A1, 0x30FA}, {0x3105, 0x312C}, {0x4E00, 0x9FA5}, {0xAC00, 0xD7A3},
};
const CCodeRange kNameFollowers[] = {
    {0x00B7, 0x00B7}, {0x02D0, 0x02D1}, {0x0300, 0x0345}, {0x0360, 0x0361}, {0x0387, 0x0387}, {0x0483, 0x0486},
    {0x0591, 0x05A1}, {0x05A3, 0x05B9}, {0x05BB, 0x05BD}, {0x05BF, 0x05BF}, {0x05C1, 0x05C2}, {0x05C4, 0x05C4},
    {0x0640, 0x0640}, {0x064B, 0x0652}, {0x0660, 0x0669}, {0x0670, 0x0670}, {0x06D6, 0x06E4}, {0x06E7, 0x06E8},
    {0x06EA, 0x06ED}, {0x06F0, 0x06F9}, {0x0901, 0x0903}, {0x093C, 0x093C}, {0x093E, 0x094D}, {0x0951, 0x0954},
    {0x0962, 0x0963}, {0x0966, 0x096F}, {0x0981, 0x0983}, {0x09BC, 0x09BC}, {0x09BE, 0x09C4}, {0x09C7, 0x09C8},
    {0x09CB, 0x09CD}, {0x09D7, 0x09D7}, {0x09E2, 0x09E3}, {0x09E6, 0x09EF}, {0x0A02, 0x0A02}, {0x0A3C, 0x0A3C},
    {0x0A3E, 0x0A42}, {0x0A47, 0x0A48}, {0x0A4B, 0x0A4D}, {0x0A66, 0x0A71}, {0x0A81, 0x0A83}, {0x0ABC, 0x0ABC},
    {0x0ABE, 0x0AC5}, {0x0AC7, 0x0AC9}, {0x0ACB, 0x0ACD}, {0x0AE6, 0x0AEF}, {0x0B01, 0x0B03}, {0x0B3C, 0x0B3C},
    {0x0B3E, 0x0B43}, {0x0B47, 0x0B48}, {0x0B4B, 0x0B4D}, {0x0B56, 0x0B57}, {0x0B66, 0x0B6F}, {0x0B82, 0x0B83},
    {0x0BBE, 0x0BC2}, {0x0BC6, 0x0BC8}, {0x0BCA, 0x0BCD}, {0x0BD7, 0x0BD7}, {0x0BE7, 0x0BEF}, {0x0C01, 0x0C03},
    {0x0C3E, 0x0C44}, {0x0C46, 0x0C48}, {0x0C4A, 0x0C4D}, {0x0C55, 0x0C56}, {0x0C66, 0x0C6F}, {0x0C82, 0x0C83},
    {0x0CBE, 0x0CC4}, {0x0CC6, 0x0CC8}, {0x0CCA, 0x0CCD}, {0x0CD5, 0x0CD6}, {0x0CE6, 0x0CEF}, {0x0D02, 0x0D03},
    {0x0D3E, 0x0D43}, {0x0D46, 0x0D48}, {0x0D4A, 0x0D4D}, {0x0D57, 0x0D57}, {0x0D66, 0x0D6F}, {0x0E31, 0x0E31},
    {0x0E34, 0x0E3A}, {0x0E46, 0x0E4E}, {0x0E50, 0x0E59}, {0x0EB1, 0x0EB1}, {0x0EB4, 0x0EB9}, {0x0EBB, 0x0EBC},
    {0x0EC6, 0x0EC6}, {0x0EC8, 0x0ECD}, {0x0ED0, 0x0ED9}, {0x0F18, 0x0F19}, {0x0F20, 0x0F29}, {0x0F35, 0x0F35},
    {0x0F37, 0x0F37}, {0x0F39, 0x0F39}, {0x0F3E, 0x0F3F}, {0x0F71, 0x0F84}, {0x0F86, 0x0F8B}, {0x0F90, 0x0F95},
    {0x0F97, 0x0F97}, {0x0F99, 0x0FAD}, {0x0FB1, 0x0FB7}, {0x0FB9, 0x0FB9}, {0x20D0, 0x20DC}, {0x20E1, 0x20E1},
    {0x3005, 0x3005}, {0x302A, 0x302F}, {0x3031, 0x3035}, {0x3099, 0x309A}, {0x309D, 0x309E}, {0x30FC, 0x30FE},
};

template <size_t N>
bool InRanges(const CCodeRange (&ranges)[N], unsigned long c)
{
    const CCodeRange* after = std::upper_bound(ranges, ranges + N, c,
                                               [](unsigned long x, const CCodeRange& r) { return x < r.first; });
    return after != ranges && c <= after[-1].last;
}

// The character at p in the valid UTF-8 expat hands over; p moves past it.
unsigned long NextUtf8(const unsigned char*& p)
{
    unsigned long c = *p++;
    if (c < 0x80)
        return c;
    const int more = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : 1;
    c &= 0x3Fu >> more;
    for (int i = 0; i < more; ++i)
        c = (c << 6) | (*p++ & 0x3Fu);
    return c;
}

// Whether Wine's parser takes an xml:id value without writing a validity
// error to the error output: an empty one (it keeps no id for it), or a
// name by the rule above (a letter or '_' first, then letters, digits,
// combining marks, extenders, '.', '-' and '_'; no ':') with blanks at most
// before and after it. `asciiOnly`: characters beyond ASCII are unknown (a
// text expat reads as bytes), so refused.
bool IsTakenIdValue(const char* value, bool asciiOnly)
{
    const unsigned char* p = reinterpret_cast<const unsigned char*>(value);
    if (!*p)
        return true;
    while (IsSpaceUnit(*p))
        ++p;
    bool first = true;
    while (*p && !IsSpaceUnit(*p)) {
        if (asciiOnly && *p >= 0x80)
            return false;
        const unsigned long c = NextUtf8(p);
        const bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' ||
                            (c >= 0x80 && InRanges(kNameLetters, c));
        const bool follower =
            (c >= '0' && c <= '9') || c == '.' || c == '-' || (c >= 0x80 && InRanges(kNameFollowers, c));
        if (!letter && (first || !follower))
            return false;
        first = false;
    }
    while (IsSpaceUnit(*p))
        ++p;
    return !first && !*p;
}

// A set of byte strings kept end to end in one buffer and found through a
// table of slots (open addressing, probed in turn, at most half full), for
// the names and the xml:id values of a document: no allocation for each.
// The hash is a polynomial over the bytes modulo 2^31 - 1 at a base drawn
// for each set, so no document can be made whose strings collide whatever
// the base: lookups stay constant time on average, the pass linear.
class CTextSet {
public:
    CTextSet() : m_base(2 + std::random_device()() % (kPrime - 2)) {}
    // Adds the text; false when the set held it already. May throw std::bad_alloc.
    bool Insert(const char* text)
    {
        const size_t length = std::strlen(text);
        const uint32_t hash = Hash(text, length);
        if ((m_count + 1) * 2 > m_slots.size())
            Grow();
        const size_t mask = m_slots.size() - 1;
        for (size_t i = hash & mask;; i = (i + 1) & mask) {
            CSlot& slot = m_slots[i];
            if (slot.at == 0) {
                slot = {hash, static_cast<uint32_t>(m_texts.size() + 1), static_cast<uint32_t>(length)};
                m_texts.append(text, length);
                ++m_count;
                return true;
            }
            if (slot.hash == hash && slot.length == length &&
                std::memcmp(m_texts.data() + slot.at - 1, text, length) == 0)
                return false;
        }
    }
    size_t Size() const { return m_count; }

private:
    static const uint32_t kPrime = 0x7FFFFFFF;
    struct CSlot {
        uint32_t hash;
        uint32_t at;  // where the text begins in m_texts, from 1; 0: a free slot
        uint32_t length;
    };
    uint32_t Hash(const char* text, size_t length) const
    {
        // Each step folds the product below 2^31 + 1 (not always the least
        // remainder: a hash need not be).
        uint32_t h = 0;
        for (size_t i = 0; i < length; ++i) {
            const uint64_t x = static_cast<uint64_t>(h) * m_base + static_cast<unsigned char>(text[i]) + 1;
            h = (static_cast<uint32_t>(x) & kPrime) + static_cast<uint32_t>(x >> 31);
            h = (h & kPrime) + (h >> 31);
        }
        return h;
    }
    void Grow()
    {
        std::vector<CSlot> slots(std::max<size_t>(64, m_slots.size() * 2), CSlot{0, 0, 0});
        const size_t mask = slots.size() - 1;
        for (const CSlot& slot : m_slots) {
            size_t i = slot.hash & mask;
            while (slot.at != 0 && slots[i].at != 0)
                i = (i + 1) & mask;
            if (slot.at != 0)
                slots[i] = slot;
        }
        m_slots.swap(slots);
    }

    const uint32_t m_base;
    std::string m_texts;  // the texts end to end
    std::vector<CSlot> m_slots;
    size_t m_count = 0;
};

// One pass of expat over the bytes: its error, the open elements, and where
// the text first went beyond what Wine's parser takes.
class CExpatRun {
public:
    // readPrologFirst false leaves a document type declaration to expat's
    // handler alone (for a test). markupOnly reads the markup of a text in
    // a single-byte encoding that keeps ASCII as it is (UTF-16 as UTF-16),
    // its declaration set aside.
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
    size_t nodes = 0;              // kMaxNodes
    // The prefix and namespace of each declaration in scope, the innermost last.
    std::vector<std::pair<std::string, std::string>> bindings;
    // The namespace of each attribute of the element being read, looked up
    // once (null for none, and for a namespace declaration).
    std::vector<const std::string*> spaces;
    CTextSet names;  // and processing-instruction targets (kMaxNames)
    CTextSet ids;    // the values of xml:id

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
    // Runs a handler's step that may throw std::bad_alloc: nothing may be
    // thrown through expat's frames, so the failure stops expat and is raised
    // once it has returned.
    template <class F>
    void Guarded(F step)
    {
        try {
            step();
        } catch (...) {
            outOfMemory = true;
            XML_StopParser(parser, XML_FALSE);
        }
    }
    // One more element, text, comment or processing instruction; may throw.
    void CountNode()
    {
        if (++nodes > kMaxNodes)
            PassBound(IDS_XML_LIMIT_TOO_MANY_NODES, kMaxNodes);
    }
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
            spaces.clear();
            for (const XML_Char** a = attributes; a[0]; a += 2) {
                spaces.push_back(HasPrefix(a[0]) && !IsNamespaceDeclaration(a[0]) ? Namespace(a[0]) : nullptr);
                weight += AttributeWeight(a[0], spaces.back());
                holdsSpace = holdsSpace || IsXmlAttribute(a[0], spaces.back(), "space");
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
        names.Insert(name);
        for (const XML_Char** a = attributes; a[0]; a += 2)
            names.Insert(a[0]);
        if (names.Size() > kMaxNames)
            return PassBound(IDS_XML_LIMIT_TOO_MANY_NAMES, kMaxNames);
        FindNameFault(name, attributes);
    }
    // What one attribute of the element being read, in the namespace
    // `space` (null for none), adds to its weight.
    static size_t AttributeWeight(const char* name, const std::string* space)
    {
        if (IsNamespaceDeclaration(name))
            return 0;
        if (!space)
            return 1;
        return std::strcmp(std::strchr(name, ':') + 1, "space") == 0 ? kSpaceWeight : kNamespacedWeight;
    }
    static bool HasPrefix(const char* name)
    {
        const char* colon = std::strchr(name, ':');
        return colon && colon != name;
    }
    // The namespace the prefix of a name (to its first ':') names in the
    // element being read; null for none (undeclared, or bound to an empty
    // name, which XML 1.0 does not allow).
    const std::string* Namespace(const char* name) const
    {
        static const std::string xml = kXmlNamespace;
        const size_t length = std::strchr(name, ':') - name;
        for (size_t i = bindings.size(); i-- > 0;)
            if (bindings[i].first.compare(0, std::string::npos, name, length) == 0)
                return bindings[i].second.empty() ? nullptr : &bindings[i].second;
        return length == 3 && std::strncmp(name, "xml", 3) == 0 ? &xml : nullptr;
    }
    // Whether an attribute of the element being read, in the namespace
    // `space`, is xml:`local` by its expanded name (xml:space is "space" in
    // the XML namespace, whatever the prefix).
    static bool IsXmlAttribute(const char* name, const std::string* space, const char* local)
    {
        return space && *space == kXmlNamespace && std::strcmp(std::strchr(name, ':') + 1, local) == 0;
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
    bool IsBound(const char* name) const { return !HasPrefix(name) || Namespace(name); }
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
    // is no name (IsTakenIdValue) or repeats an earlier one: Wine's parser
    // reads it but writes a validity error with context lines to the error
    // output for each (4 MB of them: 122 MB); and more than kMaxIds of them.
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
            if (HasPrefix(a[0]) && !spaces[index])
                return RefuseAttribute(index, IDS_XML_SYNTAX_UNDECLARED_PREFIX, kPrefixEnds);
            if (IsXmlAttribute(a[0], spaces[index], "space") && std::strcmp(a[1], "default") != 0 &&
                std::strcmp(a[1], "preserve") != 0)
                return RefuseAttribute(index, IDS_XML_SYNTAX_BAD_ATTRIBUTE, kNameEnds);
            if (IsXmlAttribute(a[0], spaces[index], "id")) {
                // A text expat reads as bytes has characters it does not know
                // (UTF-16 it reads as it is, whatever the declaration says, as
                // Wine's parser does).
                const bool asciiOnly = markupOnly && units.width == 1;
                const UINT fault = !IsTakenIdValue(a[1], asciiOnly)     ? IDS_XML_SYNTAX_ID_NOT_A_NAME
                                   : a[1][0] && !ids.Insert(a[1]) ? IDS_XML_SYNTAX_ID_REPEATED
                                   : ids.Size() > kMaxIds         ? IDS_XML_LIMIT_TOO_MANY_IDS
                                                                  : 0;
                if (fault) {
                    const size_t at = AttributeAt(units, Here(), index);
                    const bool ofForm = fault != IDS_XML_LIMIT_TOO_MANY_IDS;
                    return Stop(at, fault, ofForm ? WrittenValue(at) : GroupedDigits(kMaxIds), ofForm);
                }
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
            // ":a" is looked up as no prefix (the default namespace's).
            const char* colon = std::strchr(a[0], ':');
            const std::string* space = colon == a[0] && !IsNamespaceDeclaration(a[0]) ? Namespace(a[0]) : spaces[index];
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
        r.Guarded([&] {
            r.open.push_back(name);
            r.CountNode();
            r.CountShape(name, attributes);
        });
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
            r.Guarded([&] { r.CountNode(); });
        }
        r.textBytes += static_cast<size_t>(length);
        if (r.textBytes > kMaxParsedText)
            Mark(r.longAt, r.textAt);
        // expat hands a text over in the pieces Wine's parser walks for:
        // apart at references and line ends.
        if (r.spaceHolders && ++r.spacedPieces > kMaxSpacedPieces)
            r.Guarded([&] { r.PassBound(IDS_XML_LIMIT_TOO_MANY_SPACED_TEXTS, kMaxSpacedPieces); });
    }
    static void XMLCALL OnComment(void* data, const XML_Char* text)
    {
        CExpatRun& r = Of(data);
        r.textAt = kNowhere;
        if (std::strlen(text) > kMaxParsedText)
            Mark(r.longAt, r.Here());
        r.Guarded([&] { r.CountNode(); });
    }
    static void XMLCALL OnInstruction(void* data, const XML_Char* target, const XML_Char* text)
    {
        CExpatRun& r = Of(data);
        r.textAt = kNowhere;
        if (std::strlen(target) > kMaxParsedName)
            Mark(r.nameAt, r.Here());
        if (std::strlen(text) > kMaxParsedText)
            Mark(r.longAt, r.Here());
        r.Guarded([&] {
            r.CountNode();
            if (r.names.Insert(target) && r.names.Size() > kMaxNames)
                r.PassBound(IDS_XML_LIMIT_TOO_MANY_NAMES, kMaxNames);
        });
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
