// Stepping a number box: from the value the box shows to the neighbouring
// entry of its list (the algorithm is described in NumberStep.cpp).
#pragma once
#include <windows.h>
#include <string>
#include <vector>

// How a number box reads its text: the characters a number may hold (a minus
// sign where allowed), then fixed point with `decimals` (the fraction cut,
// a number beyond an int at the int's bound), or, with kReadAsReal, as a
// real number as the standard conversion reads it.
struct CNumberReading {
    bool allowSign;
    int decimals;
};
const int kReadAsReal = -1;

// The value of a text as the box reads it; false when it holds no number.
bool ReadNumberText(const std::wstring& text, const CNumberReading& reading, double& value);

// The entry one step from `value` towards the first entry (towardsFirst) or
// the last: the neighbour by index of an entry equal to it, else the nearest
// entry that way of the two it lies between; -1 past either end.
int NumberStepIndex(const std::vector<double>& entries, double value, bool towardsFirst);

// Makes a drop-down combo of numbers follow the value it shows
// (FollowShownValue in ui/ComboBox2.h), its text and entries read by
// `reading`. Again on the same combo, only the reading is renewed.
void StepNumbersByWheelAndArrows(HWND combo, const CNumberReading& reading);
