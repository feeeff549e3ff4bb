// Name tables of the enumerated settings: the settings file stores each value
// by the upper-case name at its position in the table, and a set of flags as
// the names of its bits joined by "|". Names are compared exactly (case
// matters). Conversions throw my::CException IDS_UNKNOWN_VALUE for a value outside the
// table and IDS_UNKNOWN_NAME for a name that is not in it, naming the table's type.
#pragma once
#include <windows.h>
#include <string>

class CNameTable {
public:
    const wchar_t* TypeName;
    const wchar_t* const* Names;
    UINT Count;

    std::wstring ToName(UINT value) const;          // throws IDS_UNKNOWN_VALUE
    // A negative value is reported in decimal with its sign.
    std::wstring ToName(int value) const;
    UINT FromName(const std::wstring& name) const;  // throws IDS_UNKNOWN_NAME
    int Find(const std::wstring& name) const;       // -1 when not found
    bool Has(UINT value) const { return value < Count; }
};

// Flags whose bit i is named by entry i.
class CFlagTable {
public:
    const wchar_t* TypeName;
    const wchar_t* const* Names;
    UINT Count;

    UINT Mask() const { return (1u << Count) - 1; }
    // Names of the set bits in table order joined by "|"; bits outside the
    // table throw IDS_UNKNOWN_VALUE with those bits as "0x" and lower-case hex digits.
    std::wstring ToNames(UINT flags) const;
    // "" is no flag; every piece between separators must be a name (IDS_UNKNOWN_NAME).
    UINT FromNames(const std::wstring& text) const;
};

const CNameTable& FnameTypeNames();
const CNameTable& TextUnitNames();
const CNameTable& OutputTypeNames();
const CNameTable& PaintTypeNames();
const CNameTable& ImageFitTypeNames();
const CFlagTable& TrimTypeFlags();

// Filters of the font list dialog.
const CNameTable& FontType3Names();
const CNameTable& FontWeight4Names();
const CNameTable& FontItalic3Names();
