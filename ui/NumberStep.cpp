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
// The wheel: a notch per WHEEL_DELTA of accumulated turn (a fine-grained
// wheel sends a fraction per message); a turn the other way starts afresh.
#include "ui/NumberStep.h"
#include "foundation/Error.h"
#include "foundation/StringUtil.h"
#include "foundation/XmlValue.h"
#include "ui/BoundCombos.h"
#include "ui/ComboBox2.h"
#include "ui/ComboUtil.h"
#include "ui/Firewall.h"
#include <commctrl.h>
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

bool StepNumberCombo(HWND combo, const CNumberReading& reading, bool towardsFirst)
{
    CComboBoxW box(combo);
    double value = 0.0;
    if (!ReadNumberText(box.GetWindowText(), reading, value))
        return false;
    const int count = box.GetCount();
    std::vector<double> entries(static_cast<size_t>(count > 0 ? count : 0));
    for (int i = 0; i < count; ++i) {
        std::wstring item;
        if (!GetComboItemText(combo, i, item) || !ReadNumberText(item, reading, entries[static_cast<size_t>(i)]))
            return false;
    }
    const int index = NumberStepIndex(entries, value, towardsFirst);
    if (index < 0)
        return false;
    // Selecting the entry shows its text and tells nobody; the box then
    // hears of it as of a choice from its list.
    box.SetCurSel(index);
    if (ComboHasFocus(combo))
        box.SetEditSel(0, -1);
    ::SendMessageW(::GetParent(combo), WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(combo), CBN_SELCHANGE),
                   reinterpret_cast<LPARAM>(combo));
    return true;
}

namespace {

struct CStepState {
    CNumberReading reading;
    int wheel;  // turn not yet a whole notch
};

const UINT_PTR kStepSubclassId = 0x4E53;  // 'NS': one subclass of each window by this rule

bool IsDropped(HWND combo) { return ::SendMessageW(combo, CB_GETDROPPEDSTATE, 0, 0) != FALSE; }

// Whole notches of the turn so far, away from the user positive.
int TakeNotches(CStepState& state, int delta)
{
    if ((state.wheel < 0 && delta > 0) || (state.wheel > 0 && delta < 0))
        state.wheel = 0;
    state.wheel += delta;
    const int notches = state.wheel / WHEEL_DELTA;
    state.wheel -= notches * WHEEL_DELTA;
    return notches;
}

LRESULT CALLBACK ComboStepProc(HWND combo, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id, DWORD_PTR data)
{
    CStepState* state = reinterpret_cast<CStepState*>(data);
    switch (msg) {
    case WM_MOUSEWHEEL: {
        if (IsDropped(combo))
            break;
        GuardedCall([&] {
            const int notches = TakeNotches(*state, GET_WHEEL_DELTA_WPARAM(wp));
            for (int i = 0; i < std::abs(notches); ++i)
                if (!StepNumberCombo(combo, state->reading, notches > 0))
                    break;
        });
        return 0;
    }
    case WM_NCDESTROY:
        ::RemoveWindowSubclass(combo, ComboStepProc, id);
        delete state;
        break;
    }
    return ::DefSubclassProc(combo, msg, wp, lp);
}

// Up and Down reach the edit field, whose own procedure hands them to the
// list.
LRESULT CALLBACK EditStepProc(HWND edit, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id, DWORD_PTR)
{
    switch (msg) {
    case WM_KEYDOWN: {
        HWND combo = ::GetParent(edit);
        DWORD_PTR data = 0;
        // An extended-UI combo opens its list on Down: that stays.
        if ((wp == VK_UP || wp == VK_DOWN) && !IsDropped(combo) && !::SendMessageW(combo, CB_GETEXTENDEDUI, 0, 0) &&
            ::GetWindowSubclass(combo, ComboStepProc, kStepSubclassId, &data) && data) {
            const CNumberReading reading = reinterpret_cast<CStepState*>(data)->reading;
            GuardedCall([&] { StepNumberCombo(combo, reading, wp == VK_UP); });
            return 0;
        }
        break;
    }
    case WM_NCDESTROY:
        ::RemoveWindowSubclass(edit, EditStepProc, id);
        break;
    }
    return ::DefSubclassProc(edit, msg, wp, lp);
}

} // namespace

void StepNumbersByWheelAndArrows(HWND combo, const CNumberReading& reading)
{
    DWORD_PTR data = 0;
    if (::GetWindowSubclass(combo, ComboStepProc, kStepSubclassId, &data) && data) {
        reinterpret_cast<CStepState*>(data)->reading = reading;
        return;
    }
    std::unique_ptr<CStepState> state(new CStepState{reading, 0});
    HWND edit = FindComboEdit(combo);
    if (!::SetWindowSubclass(combo, ComboStepProc, kStepSubclassId, reinterpret_cast<DWORD_PTR>(state.get())))
        ThrowLastError(IDS_NUMBER_STEP_SETUP_FAILED, FormatInt(::GetDlgCtrlID(combo)));
    // The window owns it now: WM_NCDESTROY deletes it.
    state.release();
    if (edit && !::SetWindowSubclass(edit, EditStepProc, kStepSubclassId, 0))
        ThrowLastError(IDS_NUMBER_STEP_SETUP_FAILED, FormatInt(::GetDlgCtrlID(combo)));
    PassEditWheelToCombo(combo);
}
