// Why an XML text did not parse, to tell a user where and why a document
// was refused.
//
// MSXML's parse error names the reason and the line on Windows; under Wine
// it says only "error" at line 0. expat reads the same bytes again and gives
// the place and the kind of its first well-formedness error; these functions
// turn them into our messages (a tag mismatch names both tags, a reference
// names itself, a character XML does not allow is named as one). Lines count
// LF, CR LF and a lone CR; columns count characters from 1, a byte order
// mark not among them.
#pragma once
#include <windows.h>
#include <string>

struct CXmlSyntaxFault {
    int line = 0;
    int column = 0;
    std::wstring reason;  // the message, in the program's language
};

// How expat reads the bytes of an XML text: UTF-16 after its byte order
// mark, or without one when a zero stands among the first bytes
// (little-endian when the zero is second); else single bytes.
struct CXmlByteForm {
    bool utf16 = false;
    bool marked = false;  // begins with its byte order mark
    bool little = true;
};
CXmlByteForm XmlByteForm(const std::string& bytes);

// No document of ours has a document type declaration, and one may declare
// entities that expand a few kilobytes into gigabytes or name files to
// fetch: a text whose prolog holds one is refused, placed at its
// "<!DOCTYPE" (IDS_XML_SYNTAX_DOCTYPE). Only the prolog is read (spaces, the
// XML declaration, comments and processing instructions before the first
// element); nothing in it is expanded. False when there is none.
bool FindXmlDocumentType(const std::string& bytes, CXmlSyntaxFault& fault);

// False when expat finds the text well formed. A document type declaration
// is the fault of its text, found as above; expat reads nothing of it.
bool FindXmlSyntaxFault(const std::string& bytes, CXmlSyntaxFault& fault);
// The same with the prolog left to expat: a declaration the reading of the
// prolog would miss stops expat before anything inside it (for a test).
bool FindXmlSyntaxFaultByExpatForTest(const std::string& bytes, CXmlSyntaxFault& fault);

// Why Wine's parser may refuse a text that expat finds well formed: a text
// (or attribute value, comment, processing instruction) too long, a name too
// long, an XML version other than 1.x, or an encoding other than UTF-8
// declared (Wine reads no Japanese code page and no UTF-16 without its byte
// order mark). False when none of these holds, or when a shape bound of
// FindXmlReadingFault stops the reading first (nesting Wine's parser
// refuses among them). The loads name these through FindXmlFault once the
// parser has refused a text; this one alone serves the tests.
bool FindXmlParserLimit(const std::string& bytes, CXmlSyntaxFault& fault);

// The first of the above that holds, from one reading of the text: why the
// parser refused a text, where it does not say.
bool FindXmlFault(const std::string& bytes, CXmlSyntaxFault& fault);

// What the loads refuse before the system parser reads the text, from one
// pass of expat: a document type declaration, a fault of the text's form (a
// NUL before another character among them; a prefix no declaration in scope
// binds, two attributes of one local name under prefixes of one namespace,
// a declaration binding the XML namespace to a prefix other than xml, xml
// to another namespace or anything to the xmlns one, an xml:space (by its
// namespace and local name) other than "default" or "preserve", an xml:id
// that is no name by the rule of XML 1.0 before its fifth edition or repeats
// an earlier one, placed at the attribute's name or the element's '<'; a
// lone surrogate in UTF-16 where it stands), more than 100,000 elements,
// texts, comments and processing instructions and more than 10,000 xml:id
// values (placed at the one past the bound), and the shapes that cost Wine's
// parser more than linear time:
// an element with more than 128 attributes (namespace declarations
// included), more than 32 namespace declarations in scope, more than 10,000
// different element and attribute names and processing-instruction targets
// (placed at the one past the bound), more than 24 levels
// (IDS_XML_LIMIT_TOO_DEEP), an element weighing more than 192 with those
// around it up to the nearest that holds xml:space (8 an element, 4 an
// attribute in a namespace, 1 another attribute, 128 one named space in a
// namespace, 0 a namespace declaration: what Wine's parser spends on each piece of text inside)
// (IDS_XML_LIMIT_TOO_MANY_*), each placed at the element's '<', and more
// than 100,000 pieces of text in the scope of an xml:space in the whole
// document, placed at the piece.
// A text in an encoding expat does not read (or not as declared) has its
// markup read as bytes and judged; its characters are left to the system
// parser. False when none holds.
bool FindXmlReadingFault(const std::string& bytes, CXmlSyntaxFault& fault);
