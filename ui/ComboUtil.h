// Combo-box routines the dialogs share: filling with number ranges and
// choice lists, reading numbers back (filtering typed text down to what a
// number may hold), setting a text through the list, and fitting the
// drop-down width to the widest item.
#pragma once
#include "foundation/NamedValues.h"
#include <windows.h>
#include <boost/shared_ptr.hpp>
#include <string>
#include <vector>

// first, first + step, ... up to last: |(last - first) / step| + 1 items in
// integer division, each as FormatFixedPoint(value, decimals). Nothing for a
// step of 0 or one that leads away from last.
void FillComboRange(HWND combo, int first, int last, int step, int decimals);
// The number of items FillComboRange adds.
int ComboRangeCount(int first, int last, int step);
void FillComboFromNamedInts(HWND combo, const CNamedInts& list);
// The entry at the selection; empty when nothing (or no entry) is selected.
boost::shared_ptr<CNamedInt> GetSelectedNamedInt(HWND combo, const CNamedInts& list);
// False for an invalid index.
bool GetComboItemText(HWND combo, int index, std::wstring& text);
// The selected item's text, else the window text.
std::wstring GetComboText(HWND combo);
// The first item whose text is exactly the text, or CB_ERR; asked of the
// combo by a search, never item by item (under Wine each message to a
// subclassed combo costs calls to the server: seconds for thousands).
int FindComboEntry(HWND combo, const std::wstring& text);
// Unless the text is shown already: selects the first item whose text is
// exactly the text, else clears the selection and shows the text.
void SetComboText(HWND combo, const std::wstring& text);
// Fits the dropped width to the items, whose texts the caller holds: the
// widest (in the combo's font) + 6, plus a scroll bar when the list has
// one, never narrower than the combo.
void FitDroppedWidth(HWND combo, const std::vector<std::wstring>& items);
// Adds the items to an emptied combo and fits the dropped width to them.
void AddComboItems(HWND combo, const std::vector<std::wstring>& items);

// The text (selected item, else the trimmed window text) filtered to digits,
// '-' when a sign is allowed and '.' for decimals (full-width forms pass the
// filter and then do not parse). A filtered text is written back with the
// caret kept in place. ReadComboInt parses with ParseFixedPoint(decimals);
// ReadComboDouble reads what is numeric (0 when nothing is). False when the
// combo holds no text or the number does not parse.
bool ReadComboInt(HWND dialog, int id, bool allowSign, int decimals, int& value);
bool ReadComboDouble(HWND dialog, int id, bool allowSign, double& value);
// The filter alone: digits, and "-" and "." where allowed; their full-width
// forms become the ASCII characters.
std::wstring FilterNumberText(const std::wstring& text, bool allowSign, bool allowPoint);
// The filter of a text typed into the combo; a text it changed is shown as
// read, the caret where the user left it (less what was dropped before it).
std::wstring ShowFilteredNumberText(HWND combo, const std::wstring& text, bool allowSign, bool allowPoint);
