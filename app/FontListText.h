// The used sample texts of the font list: the most-recent rule of the list
// and the texts the font command offers each time it opens the dialog.
#pragma once
#include "decoration/FontListDlgSetting.h"
#include <string>

// The text (by its first limits::kMaxTextLength units) goes first; an entry
// with exactly that text (case-sensitive) leaves its old place, and the list
// is cut to MaxSize from the back.
void AddMruText(CMruStrings& list, const std::wstring& text);
// The first line (lines end at LF) that is not empty once white space and
// CR are trimmed from both ends, trimmed; false when there is none.
bool FirstTextLine(const std::wstring& text, std::wstring& line);
// The fixed samples (upper case, lower case, digits and signs, a sentence)
// and then the first line of the text, each by the most-recent rule, so the
// line ends up first.
void AddSampleTexts(CMruStrings& list, const std::wstring& text);
