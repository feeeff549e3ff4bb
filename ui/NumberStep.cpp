// Stepping a number box through its list by value.
//
// Goal: the wheel and the Up and Down keys over a box whose list holds ready
// numbers (sizes, opacities, angles, positions, rates, offsets) move from the
// value the box shows to the neighbouring entry, whatever set that value: the
// stored value shown as text, a typed one, a picked one or an earlier step.
// The combo's own procedure steps from its list's current entry, which a box
// showing its value as text does not have, and so jumps to the first entry.
//
// Method: the shown text and every entry are read as the box reads them
// (CNumberReading). An entry equal to the value steps by index: wheel up and
// Up take the entry before, wheel down and Down the one after. Otherwise the
// value lies in a gap between two neighbouring entries, the narrowest that
// holds it (in a list of runs the turn from 180 to -5 holds 7 too, as 5 to
// 10 does), and the step takes the end of that gap in its direction. "Before"
// and "after" follow the list's order, so ascending lists (0, 5, ... 100),
// descending ones and lists of runs (0 ... 180, then -5 ... -175) all work.
//
// Edge cases: a value that no gap holds lies beyond the largest or the
// smallest entry: beyond the first entry (seen from its neighbour) it steps
// onto that entry inwards and nowhere outwards, beyond any other it counts as
// following it (183 after 180, -178 after -175); at the ends the step
// outwards does nothing; a value between the starts of two runs (-2) lies in
// the gap at their turn, as -3 does; a text with no number, an empty list or
// an entry that is no number moves nothing; a list of one entry counts as
// ascending.
//
// Which keys and when (the wheel, Up, Down, the list closed or dropped) is
// the rule of every combo, in ComboBox2.cpp.
#include "ui/NumberStep.h"
#include "foundation/Error.h"
#include "foundation/StringUtil.h"
#include "foundation/XmlValue.h"
#include "ui/BoundCombos.h"
#include "ui/ComboBox2.h"
#include "ui/ComboUtil.h"
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cwchar>
#include <memory>

bool ReadNumberText(const std::wstring& text, const CNumberReading& reading, double& value)
{
    std::wstring t = text;
    TrimIf(t, IsSpaceOrCr);
    const std::wstring filtered = FilterNumberText(t, reading.allowSign, reading.decimals != 0);
    if (reading.decimals == kReadAsReal) {
        const wchar_t* begin = filtered.c_str();
        wchar_t* end = nullptr;
        value = std::wcstod(begin, &end);
        // Hundreds of digits read as infinity, which lies in no gap.
        return end != begin && std::isfinite(value);
    }
    int fixed = 0;
    if (!ParseClampedFixedPoint(filtered, reading.decimals, INT_MIN, INT_MAX, fixed))
        return false;
    value = fixed / std::pow(10.0, reading.decimals);
    return true;
}

int NumberStepIndex(const std::vector<double>& entries, double value, bool towardsFirst)
{
    const int n = static_cast<int>(entries.size());
    if (n == 0)
        return -1;
    const auto at = [&](int i) { return entries[static_cast<size_t>(i)]; };
    // The gap holding the value is (before, before + 1), -1 standing before
    // the first entry; n while no gap is found.
    int nearest = 0, before = n;
    for (int i = 0; i < n; ++i) {
        if (at(i) == value) {
            const int next = towardsFirst ? i - 1 : i + 1;
            return next >= 0 && next < n ? next : -1;
        }
        if (std::fabs(at(i) - value) < std::fabs(at(nearest) - value))
            nearest = i;
        if (i + 1 < n && (at(i) - value) * (at(i + 1) - value) < 0 &&
            (before == n || std::fabs(at(i + 1) - at(i)) < std::fabs(at(before + 1) - at(before))))
            before = i;
    }
    if (before == n) {
        const bool beforeFirst =
            nearest == 0 && (n == 1 ? value < at(0) : (at(1) - at(0)) * (value - at(0)) < 0);
        before = beforeFirst ? -1 : nearest;
    }
    const int next = towardsFirst ? before : before + 1;
    return next >= 0 && next < n ? next : -1;
}

namespace {

// A number box's entries compared by value, read as the box reads them.
class CNumberEntryOrder : public CComboEntryOrder {
public:
    explicit CNumberEntryOrder(const CNumberReading& reading) : m_reading(reading) {}

    int EqualEntry(HWND combo, const std::wstring& text) const override
    {
        double value = 0.0;
        std::vector<double> entries;
        if (!ReadNumberText(text, m_reading, value) || !ReadEntries(combo, entries))
            return kIgnoreStep;
        for (size_t i = 0; i < entries.size(); ++i)
            if (entries[i] == value)
                return static_cast<int>(i);
        return kNotInList;
    }
    int StepEntry(HWND combo, const std::wstring& text, bool towardsFirst) const override
    {
        double value = 0.0;
        std::vector<double> entries;
        if (!ReadNumberText(text, m_reading, value) || !ReadEntries(combo, entries))
            return kNotInList;
        const int index = NumberStepIndex(entries, value, towardsFirst);
        return index < 0 ? kNotInList : index;
    }
    std::wstring EntryText(HWND combo, int index) const override
    {
        std::wstring item;
        GetComboItemText(combo, index, item);
        return item;
    }

private:
    bool ReadEntries(HWND combo, std::vector<double>& entries) const
    {
        const int count = static_cast<int>(::SendMessageW(combo, CB_GETCOUNT, 0, 0));
        entries.assign(static_cast<size_t>(count > 0 ? count : 0), 0.0);
        for (int i = 0; i < count; ++i) {
            std::wstring item;
            if (!GetComboItemText(combo, i, item) || !ReadNumberText(item, m_reading, entries[static_cast<size_t>(i)]))
                return false;
        }
        return true;
    }

    CNumberReading m_reading;
};

} // namespace

void StepNumbersByWheelAndArrows(HWND combo, const CNumberReading& reading)
{
    FollowShownValue(combo, std::unique_ptr<CComboEntryOrder>(new CNumberEntryOrder(reading)));
}
