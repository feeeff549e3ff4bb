// Decoration presets and the fixed choice lists of the main dialog's combo
// boxes. Each list is built on first use (a function-local static), so it is
// never read half built by another file's static initialisation, and is
// never changed afterwards. A combo index equals a list index.
#pragma once
#include "decoration/BorderingSetting.h"
#include "foundation/NamedValues.h"
#include "resources/strings_decoration.h"
#include <boost/shared_ptr.hpp>
#include <windows.h>
#include <string>
#include <vector>

class CNamedEffect {
public:
    std::wstring Name;
    int Id = 0;
    boost::shared_ptr<CEffectSetting> Effect;  // empty for the custom entry

    CNamedEffect(int id, const boost::shared_ptr<CEffectSetting>& effect) { Set(id, effect); }
    void Set(int id, const boost::shared_ptr<CEffectSetting>& effect);
    boost::shared_ptr<CEffectSetting> GetEffect() const { return Effect; }
};

class CNamedEffects : public std::vector<boost::shared_ptr<CNamedEffect>> {
public:
    void Add(int id, int size, COLORREF color, int alpha, int blur, int angle, int distance);
    void AddEntry(int id, const boost::shared_ptr<CEffectSetting>& effect);
    // The preset of that string id; empty when there is none or it has no effect.
    boost::shared_ptr<CBorderingSetting> FindById(int id) const;
    // The first preset equal to the decoration (paint included); never the custom entry.
    boost::shared_ptr<CNamedEffect> Find(const CBorderingSetting& setting) const;
    int IndexOf(const CBorderingSetting& setting) const;
};

class CNamedDword {
public:
    std::wstring Name;
    DWORD Value = 0;
    explicit CNamedDword(DWORD value);
};

class CNamedDwords : public std::vector<boost::shared_ptr<CNamedDword>> {
public:
    void Add(UINT id, DWORD value);
    int IndexOfValue(DWORD value) const;  // -1 when absent
};

const CNamedEffects& GetNamedEffects();
const CNamedDwords& GetNamedFnameTypes();
const CNamedDwords& GetNamedTrimTypes();
const CNamedInts& GetNamedSaveFormats();
const CNamedInts& GetNamedTextUnits();
