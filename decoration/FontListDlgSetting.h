// What the font list dialog remembers between runs: its filters (character
// set, vertical faces, raster or vector, weight, italic), the sample text with
// its recently used texts, and where its window stood. The record also owns
// the two filter rules that turn its fields into font enumeration flags and
// into the per-font style test.
#pragma once
#include "decoration/SettingLimits.h"
#include "decoration/SettingNames.h"
#include "decoration/WindowLayout.h"
#include <boost/shared_ptr.hpp>
#include <windows.h>
#include <list>
#include <string>

// A shared text: list copies share the string objects, and list equality is
// identity of those objects.
typedef std::wstring CSameNamedString;

class CMruStrings {
public:
    typedef std::list<boost::shared_ptr<CSameNamedString>> CItems;
    CItems Items;  // most recent first
    size_t MaxSize = 20;
    bool SaveContents = true;

    // Equality is that of the items alone.
    template <class V>
    static void Fields(V& v)
    {
        typedef CMruStrings R;
        v.Bool(CField(L"SaveContents").NotCompared(), &R::SaveContents);
        v.Texts(CField(L"Items").Items(L"Item"), &R::Items, &R::SaveContents, &R::MaxSize);
        v.Count(CField(L"MaxSize").NotCompared(), &R::MaxSize, limits::kMaxRecentTexts);
    }
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

    UINT GetEnumFlags() const;
    bool MatchesStyle(const LOGFONTW& font) const;

    template <class V>
    static void Fields(V& v)
    {
        typedef CFontListDlgSetting R;
        v.Int(L"CharSet", &R::CharSet);
        v.Int(L"Tategaki", &R::Tategaki);
        v.Enum(CField(L"Type").MayBeMissing(), &R::Type, FontType3Names(), FontType3::UNDEF);
        v.Int(L"Size", &R::Size, 1, 1000);
        v.Enum(L"Weight", &R::Weight, FontWeight4Names(), FontWeight4::UNDEF);
        v.Enum(L"Italic", &R::Italic, FontItalic3Names(), FontItalic3::UNDEF);
        v.Text(L"SampleText", &R::SampleText);
        v.Record(L"SampleTexts", &R::SampleTexts);
        v.Record(L"WindowLayout", &R::WindowLayout);
    }
};
