// Settings records declare their fields once: one list per record, in the
// order its documents hold them. Everything that touches every field (the
// XML documents, the older registry form, equality, bringing values read
// from outside into range, the tests' mutator and comparison) is a walk over
// those lists, so that a new field is one line in its record's list.
//
// A record lists its fields in a static member template:
//
//     template <class V>
//     static void Fields(V& v)
//     {
//         typedef CBorderingSetting R;
//         v.Tenths(L"Size", &R::Size, 0, limits::kMaxLength);
//         v.Int(L"Alpha", &R::Alpha, 0, 100);
//         ...
//     }
//
// A record that lives below this library (CFontSetting) gets its list from a
// specialisation of CFieldsOf. The walk is the visitor V: the list calls one
// member per form below with the field (CField; a plain element name converts
// to one) and a pointer to the member, so that a visitor may walk one record
// or two at once. Visitors derive from CFieldForms, which hands every value
// form to the visitor's Leaf as a form object (CIntForm, CBoolForm...), so a
// visitor treats alike what it treats alike, and apart by overloads.
//
//   form    members         in documents                 in the registry    into range
//   Int     int, UINT       decimal                      DWORD              [low, high]
//   Tenths  int             decimal, one fraction digit  DWORD              [low, high]
//   Angle   int, UINT       decimal degrees, signed, never folded into one turn;
//                           a UINT holds the bits of a signed angle        within +-kMaxAngle
//   Bool    bool, BOOL, UINT, BYTE: "true" or "false"    DWORD, not 0 true
//   Color   COLORREF        "RRGGBB"                     DWORD              24 bits
//   Enum    UINT, int       its name in the table        DWORD              else the fallback
//   Flags   UINT            the set bits' names, "|"     DWORD              the table's bits
//   Double  double          six significant digits       REG_SZ text        by its rule
//   Text    wstring         the text, less what XML      REG_SZ             at most `most` characters
//                           cannot carry
//   Path    wstring         relative to the file's folder when inside it; REG_SZ; as Text,
//                           the bound holding for the path as read back (joined to the folder)
//                           (a longer text is refused in documents, neither taken nor written
//                           in the registry)
//   Rect    RECT            "left" "top" "right" "bottom"; "Left" "Top" "Right" "Bottom",
//                           read all four or none
//   Count   size_t          unsigned decimal             none               at most `most`
//   Record  a record        an element of its fields     a subkey
//   List    vector of records or switches: entries by position; in the
//           registry "Count" and the subkeys "00", "01", ...; at most `most`
//   Texts   list of shared texts, stored while a switch is on, at most a
//           limit of them kept (the oldest, at the end, go first)
#pragma once
#include "decoration/SettingLimits.h"
#include <windows.h>
#include <climits>
#include <string>

// Versions of the settings documents, a.b.c.d packed from the highest byte.
const DWORD kSettingsVersion = 0x01040200;     // 1.4.2.0, the one written
const DWORD kVersionUnstated = 0x01000000;     // 1.0.0.0: a document without a version
const DWORD kVersionWithPaint = 0x01030000;    // 1.3.0.0: paint records
const DWORD kVersionWithLeading = 0x01040000;  // 1.4.0.0: LeadingWidth

// Parts of the settings file that a decoration settings file leaves out.
namespace SettingPart {
enum Value : UINT { WINDOW_LAYOUT = 1, CONFIG_PATH = 2, FOLDER_PATH = 4, FONT_LIST_DLG = 8, ALL = 15 };
}

// How a real number read from outside is brought into range.
enum CDoubleRule {
    kUnitInterval,  // 0 to 1; NaN is 0
    kScaleRate,     // within the texture limits, the nearest for one beyond them; NaN is 1
};

// One field's names and how the forms treat it.
class CField {
public:
    const wchar_t* element;            // in documents
    const wchar_t* key = nullptr;      // in the registry where it differs; "Window\FullScreen": in a subkey
    const wchar_t* item = nullptr;     // a list's entries; a list without element stands in its parent
    UINT part = 0;                     // written only with this part of the settings file, read when present
    DWORD since = 0;                   // documents before this version lack it; the registry may
    const wchar_t* olderColor = nullptr;  // before it, the colour element that stood for this record
    bool mayBeMissing = false;         // documents may lack it
    bool inParentKey = false;          // registry: the record's values stand in its parent's key
    bool noRegistry = false;           // not in the registry form
    bool anyRegistryType = false;      // registry: taken whatever the value's type (up to four bytes)
    bool notCompared = false;          // equality leaves it out

    CField(const wchar_t* name) : element(name) {}

    CField Key(const wchar_t* name) const { return With(&CField::key, name); }
    CField Items(const wchar_t* name) const { return With(&CField::item, name); }
    CField OnlyIn(UINT settingPart) const { return With(&CField::part, settingPart); }
    CField Since(DWORD version, const wchar_t* colorBefore = nullptr) const
    {
        return With(&CField::since, version).With(&CField::olderColor, colorBefore);
    }
    CField MayBeMissing() const { return With(&CField::mayBeMissing, true); }
    CField InParentKey() const { return With(&CField::inParentKey, true); }
    CField NoRegistry() const { return With(&CField::noRegistry, true); }
    CField AnyRegistryType() const { return With(&CField::anyRegistryType, true); }
    CField NotCompared() const { return With(&CField::notCompared, true); }

private:
    template <class T, class U>
    CField With(T CField::*member, U value) const
    {
        CField f = *this;
        f.*member = value;
        return f;
    }
};

// The colour that stands for a record in documents older than the record
// (CField::Since): its Color member, or null for a record without one.
template <class C>
auto ColorOf(C& record, int) -> decltype(&record.Color) { return &record.Color; }
template <class C>
COLORREF* ColorOf(C&, long) { return nullptr; }

// The field list of R.
template <class R>
struct CFieldsOf {
    template <class V>
    static void Walk(V& v) { R::Fields(v); }
};

// The forms, each a value that carries what its field list adds: bounds,
// decimals, a name table, a rule.
struct CIntForm {
    int decimals;  // 1: Tenths
    int low, high;
};
struct CAngleForm {};
struct CBoolForm {};
struct CColorForm {};
template <class Table>
struct CEnumForm {
    const Table& table;
    UINT fallback;
};
template <class Table>
struct CFlagsForm {
    const Table& table;
};
struct CDoubleForm {
    CDoubleRule rule;
};
struct CTextForm {
    size_t most;
};
struct CPathForm {
    size_t most;
};
struct CRectForm {};
struct CCountForm {
    size_t most;
};

// Every visitor derives from this: it turns each value form of a list into
// a call of the visitor's Leaf(form, field, member), overloaded by the form
// where the visitor treats forms apart. Records, lists and text lists are
// the visitor's own members Record, List and Texts.
template <class D>
class CFieldForms {
public:
    template <class R, class T>
    void Int(const CField& f, T R::*m, int low = INT_MIN, int high = INT_MAX) { Visit(CIntForm{0, low, high}, f, m); }
    template <class R>
    void Tenths(const CField& f, int R::*m, int low, int high) { Visit(CIntForm{1, low, high}, f, m); }
    template <class R, class T, class Table, class F>
    void Enum(const CField& f, T R::*m, const Table& t, F fallback) { Visit(CEnumForm<Table>{t, UINT(fallback)}, f, m); }
    template <class R, class T>
    void Angle(const CField& f, T R::*m) { Visit(CAngleForm(), f, m); }
    template <class R>
    void Double(const CField& f, double R::*m, CDoubleRule rule) { Visit(CDoubleForm{rule}, f, m); }
    template <class R, class T>
    void Bool(const CField& f, T R::*m) { Visit(CBoolForm(), f, m); }
    template <class R, class Table>
    void Flags(const CField& f, UINT R::*m, const Table& table) { Visit(CFlagsForm<Table>{table}, f, m); }
    template <class R>
    void Color(const CField& f, COLORREF R::*m) { Visit(CColorForm(), f, m); }
    template <class R>
    void Text(const CField& f, std::wstring R::*m, size_t most = limits::kMaxTextLength) { Visit(CTextForm{most}, f, m); }
    template <class R>
    void Rect(const CField& f, RECT R::*m) { Visit(CRectForm(), f, m); }
    template <class R>
    void Path(const CField& f, std::wstring R::*m, size_t most = limits::kMaxTextLength) { Visit(CPathForm{most}, f, m); }
    template <class R>
    void Count(const CField& f, size_t R::*m, size_t most) { Visit(CCountForm{most}, f, m); }

private:
    template <class Form, class R, class T>
    void Visit(const Form& form, const CField& f, T R::*m) { static_cast<D*>(this)->Leaf(form, f, m); }
};
