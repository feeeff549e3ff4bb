// Limits of the numbers that come from outside the program (settings files,
// clipboard fragments, the older registry form). The records store whatever
// they are given; their field lists (FieldList.h) name these limits, and the
// walk that brings values read from a file or key into range applies them,
// so that the rendering arithmetic can hold every value: a Size near INT_MAX
// would overflow the cell sizes, a negative opacity would wrap, an infinite
// scale rate would make an unbounded tile.
#pragma once
#include <windows.h>

namespace limits {
const int kMaxLength = 10000;     // decoration Size, Blur, Distance (tenths)
const int kMaxFontSize = 10000;   // font Size (tenths)
const int kMaxSeqWidth = 32;      // digits of a file's serial number
const int kMaxOffset = 100000;    // texture tiling offset (pixels)
const int kMaxSpacing = 1000;     // character, line and leading widths (percent)
const double kMinRate = 0.001;    // texture scale
const double kMaxRate = 1000.0;
// A settings document (a settings or .knt file, a clipboard fragment) is some
// 10 KB; one beyond this is refused before it is read, not parsed for a minute.
const ULONGLONG kMaxDocumentBytes = 4u << 20;
// Texts from outside (faces, paths, sample texts) mean far less: a face at
// most 31 characters, a path MAX_PATH. A longer one (a path as it reads back,
// joined to the file's folder) is refused by name when a document is written
// and when it is read, so that what the program writes it reads back: at this
// bound every text of a settings file, each character written as a
// five-byte reference ("&amp;"), stays below kMaxDocumentBytes. Generous,
// so that a stored face too long to draw is still kept and named by the
// tasks.
const size_t kMaxTextLength = 4096;
// The font list's recently used sample texts (it keeps 20).
const size_t kMaxRecentTexts = 100;
// Angles are signed and any turn is kept as it is (-30 stays -30, not
// 330); the bound leaves room for the quarter turn vertical text adds.
const int kMaxAngle = 1000000000;
}

int ClampInt(int value, int lo, int hi);
// A scale rate within its bounds, the nearest one for a rate beyond them
// (0 or less: the least, which a typed rate gets too); a rate that is no
// number becomes 1.
double ClampRate(double rate);
// A position 0..1; NaN becomes 0.
double ClampUnit(double value);
