// What the font list dialog remembers between runs: its filters (character
// set, vertical faces, raster or vector, weight, italic), the sample text with
// its recently used texts, and where its window stood. The record also owns
// the two filter rules that turn its fields into font enumeration flags and
// into the per-font style test.
#pragma once
#include "decoration/WindowLayout.h"
#include <boost/shared_ptr.hpp>
#include <windows.h>
#include <list>
#include <string>

class CXmlDocument;
struct IXMLDOMNode;

// A shared text: list copies share the string objects, and list equality is
// identity of those objects.
typedef std::wstring CSameNamedString;

class CMruStrings {
public:
    typedef std::list<boost::shared_ptr<CSameNamedString>> CItems;
    CItems Items;  // most recent first
    size_t MaxSize = 20;
    bool SaveContents = true;

    // Same length and the same string objects in the same places.
    bool SameItems(const CMruStrings& o) const { return Items == o.Items; }
};

namespace FontType3 { enum : int { UNDEF = 0, RASTER = 1, VECTOR = 2 }; }
namespace FontWeight4 { enum : int { UNDEF = 0, NORMAL = 1, LIGHTER = 2, BOLDER = 3 }; }
namespace FontItalic3 { enum : int { UNDEF = 0, OFF = 1, ON = 2 }; }

class CFontListDlgSetting {
public:
    int CharSet = 0;
    int Tategaki = 0;  // list the vertical-writing ("@") faces
    int Type = FontType3::UNDEF;
    int Size = 22;
    int Weight = FontWeight4::UNDEF;
    int Italic = FontItalic3::UNDEF;
    std::wstring SampleText;
    CMruStrings SampleTexts;
    CDialogLayout WindowLayout;

    bool operator==(const CFontListDlgSetting& o) const;
    bool operator!=(const CFontListDlgSetting& o) const { return !(*this == o); }

    UINT GetEnumFlags() const;
    bool MatchesStyle(const LOGFONTW& font) const;
};

bool WriteMruStrings(CXmlDocument& doc, IXMLDOMNode* parent, const std::wstring& name,
                     const CMruStrings& mru);
bool ReadMruStrings(CXmlDocument& doc, IXMLDOMNode* parent, const std::wstring& name,
                    CMruStrings& mru);
bool WriteFontListDlgSetting(CXmlDocument& doc, IXMLDOMNode* parent, const std::wstring& name,
                             const CFontListDlgSetting& setting);
bool ReadFontListDlgSetting(CXmlDocument& doc, IXMLDOMNode* parent, const std::wstring& name,
                            CFontListDlgSetting& setting);
