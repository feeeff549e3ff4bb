// The text a message box shows, fitted to the screen it appears on: a run of
// characters the box cannot break (a long path, a long file name) gets line
// breaks of our own, so that no line of the box is wider than the screen.
// Only the shown text changes; the sinks and their records keep the text as
// it was made. The preview pane breaks its message within its width alike.
#pragma once
#include <windows.h>
#include <functional>
#include <string>

// The width, in pixels or any other unit, of `length` UTF-16 units from
// `text`, as one line.
typedef std::function<int(const wchar_t* text, size_t length)> CTextWidth;

// The text with a line break ("\n") inserted wherever a run the box cannot
// break is wider than `limit`: after the last path separator ("\" or "/")
// that leaves the line within the limit, else after the last character that
// does. A text with no such run comes back unchanged.
std::wstring BreakLongRuns(const std::wstring& text, const CTextWidth& width, int limit);

// BreakLongRuns with the font selected into `dc`; a text that cannot be
// measured counts as fitting, and a limit of 0 or less breaks nothing.
std::wstring BreakLongRunsOn(HDC dc, const std::wstring& text, int limit);

// The widest line, in pixels, that a message box owned by `owner` (none: the
// thread's active window) may show: a box of that text, its icon and its
// margins lies within the work area of the monitor it appears on.
int MessageLineLimit(HWND owner);

// The text as a message box owned by `owner` should show it: BreakLongRuns
// with the message font against MessageLineLimit. Unchanged when it cannot be
// measured.
std::wstring FitMessageText(const std::wstring& text, HWND owner);
