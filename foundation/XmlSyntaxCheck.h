// Finding the first well-formedness fault of an XML text, to tell a user
// where and why a document did not parse.
//
// MSXML's parse error names the reason and the line on Windows; under Wine
// it says only "error" at line 0. This scanner walks the text once, as a
// small non-validating parser: declarations, comments, CDATA sections and
// processing instructions are skipped whole, start and end tags must pair,
// attributes must be name="value", references must be the five predefined
// entities or character references to characters XML allows, text and a
// second element may not stand outside the root, and the bytes must be UTF-8
// (or UTF-16 with its byte order mark; a document declaring another encoding
// is read byte by byte, which keeps its markup and lines). Lines count LF, CR LF and a lone CR;
// columns count characters from 1. A DOCTYPE is skipped to its closing '>',
// with its internal subset; what it declares is not checked.
#pragma once
#include <windows.h>
#include <string>

struct CXmlSyntaxFault {
    int line = 0;
    int column = 0;
    std::wstring reason;  // the message, in the program's language
};

// False when the text is well formed as far as the scanner sees.
bool FindXmlSyntaxFault(const std::string& bytes, CXmlSyntaxFault& fault);

// Why Wine's parser may refuse a text that is well formed: an element nested
// too deeply, a text (or attribute value, comment, CDATA section) too long,
// or an encoding other than UTF-8 declared (Wine reads no Japanese code page
// and no UTF-16 without its byte order mark). False when none of these holds.
bool FindXmlParserLimit(const std::string& bytes, CXmlSyntaxFault& fault);
