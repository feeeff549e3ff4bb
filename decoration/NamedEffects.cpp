#include "decoration/NamedEffects.h"
#include "decoration/Setting.h"
#include "foundation/Error.h"
#include "foundation/ResourceString.h"
#include "resources/strings_decoration.h"

void CNamedEffect::Set(int id, const boost::shared_ptr<CEffectSetting>& effect)
{
    Id = id;
    AssignResourceString(Name, static_cast<UINT>(id));
    Effect = effect;
}

void CNamedEffects::Add(int id, int size, COLORREF color, int alpha, int blur, int angle,
                        int distance)
{
    boost::shared_ptr<CBorderingSetting> b(new CBorderingSetting);
    b->SetPreset(size, color, alpha, blur, angle, distance);
    AddEntry(id, b);
}

void CNamedEffects::AddEntry(int id, const boost::shared_ptr<CEffectSetting>& effect)
{
    push_back(boost::shared_ptr<CNamedEffect>(new CNamedEffect(id, effect)));
}

boost::shared_ptr<CBorderingSetting> CNamedEffects::FindById(int id) const
{
    for (const auto& e : *this) {
        if (e->Id == id) {
            return boost::dynamic_pointer_cast<CBorderingSetting>(e->Effect);
        }
    }
    return boost::shared_ptr<CBorderingSetting>();
}

boost::shared_ptr<CNamedEffect> CNamedEffects::Find(const CBorderingSetting& setting) const
{
    const int i = IndexOf(setting);
    return i < 0 ? boost::shared_ptr<CNamedEffect>() : (*this)[static_cast<size_t>(i)];
}

int CNamedEffects::IndexOf(const CBorderingSetting& setting) const
{
    for (size_t i = 0; i < size(); ++i) {
        const CBorderingSetting* b = dynamic_cast<const CBorderingSetting*>((*this)[i]->Effect.get());
        if (b && *b == setting)
            return static_cast<int>(i);
    }
    return -1;
}

CNamedDword::CNamedDword(DWORD value) : Name(UInt64ToWString(value)), Value(value) {}

void CNamedDwords::Add(UINT id, DWORD value)
{
    boost::shared_ptr<CNamedDword> entry(new CNamedDword(value));
    AssignResourceString(entry->Name, id);
    push_back(entry);
}

int CNamedDwords::IndexOfValue(DWORD value) const
{
    for (size_t i = 0; i < size(); ++i)
        if ((*this)[i]->Value == value)
            return static_cast<int>(i);
    return -1;
}

const CNamedEffects& GetNamedEffects()
{
    static const CNamedEffects list = [] {
        CNamedEffects l;
        l.AddEntry(IDS_PRESET_CUSTOM, boost::shared_ptr<CEffectSetting>());
        l.Add(IDS_PRESET_WHITE, 20, 0xFFFFFF, 100, 0, 120, 0);
        l.Add(IDS_PRESET_BLACK, 20, 0x000000, 100, 0, 120, 0);
        l.Add(IDS_PRESET_RED, 20, 0x0000CC, 100, 0, 120, 0);
        l.Add(IDS_PRESET_WHITE_THIN, 1, 0xFFFFFF, 100, 0, 120, 0);
        l.Add(IDS_PRESET_BLACK_THIN, 1, 0x000000, 100, 0, 120, 0);
        l.Add(IDS_PRESET_RED_THIN, 1, 0x0000CC, 100, 0, 120, 0);
        l.Add(IDS_PRESET_GLOW, 20, 0xFFFFFF, 50, 20, 120, 0);
        l.Add(IDS_PRESET_SHADOW, 0, 0x000000, 50, 20, 120, 20);
        return l;
    }();
    return list;
}

namespace {

struct CIdValue {
    UINT id;  // the entry's name in the string table
    DWORD value;
};

const CIdValue kFnameTypes[] = {
    {IDS_FNAME_SEQ_TEXT, FnameType::SEQ_TEXT}, {IDS_FNAME_SEQ, FnameType::SEQ}, {IDS_FNAME_TEXT, FnameType::TEXT}};
const CIdValue kTrimTypes[] = {{IDS_TRIM_NONE, 0},
                               {IDS_TRIM_ALL, TrimType::All},
                               {IDS_TRIM_TOP_BOTTOM, TrimType::TRIM_T | TrimType::TRIM_B},
                               {IDS_TRIM_LEFT_RIGHT, TrimType::TRIM_L | TrimType::TRIM_R},
                               {IDS_TRIM_LEFT_TOP, TrimType::TRIM_L | TrimType::TRIM_T},
                               {IDS_TRIM_RIGHT_BOTTOM, TrimType::TRIM_R | TrimType::TRIM_B},
                               {IDS_TRIM_LEFT, TrimType::TRIM_L},
                               {IDS_TRIM_TOP, TrimType::TRIM_T},
                               {IDS_TRIM_RIGHT, TrimType::TRIM_R},
                               {IDS_TRIM_BOTTOM, TrimType::TRIM_B}};

template <size_t N>
CNamedDwords NamedDwords(const CIdValue (&entries)[N])
{
    CNamedDwords list;
    for (const CIdValue& e : entries)
        list.Add(e.id, e.value);
    return list;
}

// The values 0 to count - 1, named by the string ids from `first` on.
CNamedInts NumberedInts(UINT first, int count)
{
    CNamedInts list;
    for (int i = 0; i < count; ++i)
        list.Add(first + static_cast<UINT>(i), i);
    return list;
}

} // namespace

const CNamedDwords& GetNamedFnameTypes()
{
    static const CNamedDwords list = NamedDwords(kFnameTypes);
    return list;
}

const CNamedDwords& GetNamedTrimTypes()
{
    static const CNamedDwords list = NamedDwords(kTrimTypes);
    return list;
}

// PNG, JPEG, PDF, SVG, SVG_TAG, EMF.
const CNamedInts& GetNamedSaveFormats()
{
    static const CNamedInts list = NumberedInts(IDS_SAVE_FORMAT_PNG, 6);
    return list;
}

// CHAR, LINE, PARAGRAPH.
const CNamedInts& GetNamedTextUnits()
{
    static const CNamedInts list = NumberedInts(IDS_UNIT_CHAR, 3);
    return list;
}
