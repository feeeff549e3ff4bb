// Font weights, face names and the ordering and matching of LOGFONTW records
// shared by the font code and the font dialogs.
#pragma once
#include <windows.h>
#include <string>
#include <utility>
#include <vector>

// Builds the table of the nine weight names (Thin .. Heavy, values 0..8);
// the first use builds it too, once.
void InitFontWeightNames();
// The table: (value, name) for the weights 100 .. 900.
const std::vector<std::pair<int, std::wstring> >& GetFontWeightNames();
// The name of a standard weight (100, 200, ... 900), else the decimal number.
std::wstring FormatFontWeight(int weight);

// Natural order: digit runs as numbers, letters without case.
bool StrLessLogical(const std::wstring& a, const std::wstring& b);
// Same length and the same code units.
bool StrEqual(const std::wstring& a, const std::wstring& b);
std::wstring GetFaceName(const LOGFONTW& lf);
// A leading "@" names the vertical-writing variant of a face.
bool IsVerticalFace(const std::wstring& face);
bool IsVerticalFace(const LOGFONTW& font);
// Removes one leading "@".
std::wstring StripVerticalPrefix(const std::wstring& face);

// The name the font list shows for the family that face names in that
// character set: a family answers to each of its names (the localised one
// the list shows and the English one a settings file may hold) in any letter
// case, as the font mapper and the tasks find it. Empty when no font of the
// character set answers to face. A "@" stays in front.
std::wstring ListedFaceName(const std::wstring& face, BYTE charSet);

// -1, 0 or 1: face (natural order), then strike-out, underline, italic,
// weight and height.
int CompareLogFonts(const LOGFONTW& a, const LOGFONTW& b);
// 0 for another face; 200 (same vertical state) or 100, plus one for each of
// strike-out, underline, italic, weight and height that agree.
unsigned FontMatchScore(const LOGFONTW& candidate, const LOGFONTW& wanted, const std::wstring& wantedFace,
                        bool wantedVertical);
