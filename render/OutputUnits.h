// A save job's cut of the text into output units and the names of their
// files. Free functions: the job control calls them when it builds its tasks,
// and the render tool does the same without a window.
#pragma once
#include "foundation/Error.h"
#include <windows.h>
#include <map>
#include <string>
#include <vector>

class CSetting;

// Output units of a text, in text order, by save unit (0 character, 1 line,
// 2 paragraph; any other value cuts by line):
// - character: every character that is not white space or CR, one unit each
//   (a surrogate pair stays one unit);
// - line: the text cut at each '\n', each piece trimmed of white space and CR,
//   empty pieces dropped;
// - paragraph: the trimmed lines, runs of non-empty lines joined by '\n';
//   empty lines end a paragraph and produce nothing themselves.
std::vector<std::wstring> SplitTextIntoUnits(const std::wstring& text, UINT unit);

// A title that Windows would not write as a plain file gets "_": a device name
// (CON, PRN, AUX, NUL, COM0-9, LPT0-9, CONIN$, CONOUT$, in any case, also with
// an extension or trailing blanks) gets it right after the name, and a title
// ending in a dot or a space gets it at the end.
std::wstring MakeSafeFileTitle(const std::wstring& title);

// The form in which Windows compares file names.
std::wstring FileNameKey(const std::wstring& name);

// Titles used so far in one job, by the form in which Windows compares file
// names (case folded over all of Unicode), with the count of their last suffix.
typedef std::map<std::wstring, int> COutputNameCounts;

// The longest file name, in UTF-8 bytes, that the file systems the program
// writes to take: Windows counts 255 UTF-16 units, the Linux file systems
// under Wine 255 UTF-8 bytes, and the bytes are never fewer than the units.
const size_t kMaxFileNameBytes = 255;
// UTF-8 bytes of a text (a lone surrogate counted as the three of U+FFFD).
size_t Utf8Length(const std::wstring& text);

// title (made safe) + "." + extension; a title already used in this job
// (compared without case) gets " (n)" before the dot, n counting 2, 3, ...
// A suffixed name is itself remembered, so no two files of a job share a name.
// A long title is cut, by whole characters from its end, so that the whole
// name with suffix and extension holds at most kMaxFileNameBytes and at most
// maxLength UTF-16 units; names are counted as cut, so they stay unique.
std::wstring MakeUniqueFileName(COutputNameCounts& used, const std::wstring& title,
                                const std::wstring& extension, size_t maxLength = MAX_PATH - 1);

// How many UTF-16 units a file name in the folder may have for the whole
// path to stay within MAX_PATH (with its terminating null).
size_t FileNameRoom(const std::wstring& folder);

// The file name (no folder) of unit number `number` (from 1): the settings'
// title of the unit, made unique and fitted to the setting's FolderPath, with
// the save format's extension.
std::wstring MakeOutputFileName(COutputNameCounts& used, int number, const std::wstring& unitText,
                                const CSetting& setting);

// Raises IDS_OUTPUT_TOO_LARGE_FOR_MEMORY: the file, the unit's number (from 1)
// and the start of its text, its first line up to kShownUnitChars UTF-16
// units, never half a pair (a unit may be a line of a million), marked as cut.
const size_t kShownUnitChars = 32;
[[noreturn]] void ThrowOutputTooLargeForMemory(const std::wstring& file, int number, const std::wstring& unitText);
// The same for IDS_OUTPUT_TOO_LARGE_FOR_PDF: with the unit the PDF's table
// would lie past what libHaru writes.
[[noreturn]] void ThrowOutputTooLargeForPdf(const std::wstring& file, int number, const std::wstring& unitText);
// Whether an error is a call's failure for want of memory (a metafile's
// record, a bitmap, a GDI+ path): its code says that memory ran out.
bool IsMemoryFailure(const my::CException& e);
