// What a vector document holds in memory while it is made, known from its
// text before anything is drawn, and projected from what it really grew by
// while it is drawn: a page that cannot fit in the address space (or, for
// EMF, in the metafile) is refused (IDS_OUTPUT_TOO_LARGE_FOR_MEMORY) before
// it is drawn, or as it grows, instead of when memory runs out.
#pragma once
#include "render/TaskFonts.h"
#include <windows.h>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

class CSetting;
struct CPlacedChar;
struct CTextLayout;

// Whether the format's one-file document holds every page until it ends
// (PDF: libHaru keeps the document whole until the save), rather than one
// page at a time (SVG and HTML write each ended page out).
bool HoldsEveryPage(const CSetting& setting);

class CDocumentMemoryEstimate {
public:
    // For the setting's vector format, layers and spacing; measures and
    // outlines come from `fonts`, made from the setting's font record.
    CDocumentMemoryEstimate(const CSetting& setting, CTaskFonts& fonts);
    CDocumentMemoryEstimate(const CDocumentMemoryEstimate&) = delete;
    CDocumentMemoryEstimate& operator=(const CDocumentMemoryEstimate&) = delete;
    ~CDocumentMemoryEstimate();

    // At least what the page of a unit adds to its document, in bytes; 0
    // for a raster format. From the unit's layout, or from its text placed
    // as the layout would place it (the line head's offsets left out).
    // Each character's outline is looked at once, however often it comes.
    unsigned long long PageBytes(const CTextLayout& layout);
    unsigned long long PageBytes(const std::wstring& text);
    // The outline copies drawn of each glyph: one per record of every layer
    // group (a shadow adds copies of the group it extends).
    size_t CopiesPerGlyph() const { return m_copies; }
    // The parts of PageBytes, once over and without the format's holding
    // the document twice: one copy of a placed character's glyph (0 for a
    // line feed), and the page without its glyphs.
    double GlyphBytes(const CPlacedChar& c);
    unsigned PageBaseBytes() const { return m_pageBytes; }

private:
    // What one copy of the glyph of ch costs with its top left corner at
    // (x, y) pixels of the page.
    double GlyphBytes(UINT32 ch, double x, double y);
    double PointBytes(double x, double y) const;
    unsigned long long PageOf(double glyphBytes) const;

    struct CMeasuringDC;
    CTaskFonts& m_fonts;
    UINT m_type;
    unsigned m_pageBytes = 0, m_glyphBytes = 0, m_held = 0;
    size_t m_copies = 0;
    int m_letterSpacing = 0;
    int m_lineAdvance = 0;
    std::unordered_map<UINT32, size_t> m_points;
    std::unique_ptr<CMeasuringDC> m_measuring;  // made for the first text
};

// The address space the process can still get, as the system reports it
// (~0 when it cannot tell), or the test's stand-in (SetDocumentMemoryForTest)
// less what libHaru holds while one is set.
unsigned long long FreeAddressSpace();
// What the process is told is free but cannot get for a document, and what
// a save needs beside it: under Wine the heap hands out no more blocks with
// about 140 MB still said to be free, libHaru's 4 KB blocks take 1% more
// than they hold, and the save holds the preview page (up to 64 MB), the
// fonts and the layout. (Measured: a one-file PDF that held 3.83 GB, as
// projected, was written with 375 MB still said to be free.)
const unsigned long long kSaveReserve = 320ull << 20;
// What a document may take: FreeAddressSpace less kSaveReserve.
unsigned long long DocumentMemoryBudget();

// A document's growth while it is drawn, projected to the end of the page
// drawn: what it really grew by (its renderer's HeldBytes), per byte of the
// estimate of what was drawn, over the estimate of what is still to be drawn
// of the page, with a margin (DocumentMemory.cpp), so that a page that would
// fit only narrowly is refused as it grows rather than once memory runs out. The
// estimate is a lower bound, so the rate is never below 1; before enough is
// drawn for the rate to be steady it is 1 (the estimate alone). A document
// fits while what it will hold at its end (twice that for EMF, copied whole
// as it is written) is within what it held when it began plus what the
// process could then still get (less what it grew by since: under Wine a
// large block leaves the free figure as it was, or less what it can get now,
// when that is less), and an EMF's metafile within the most a metafile
// records.
class CDocumentGrowth {
public:
    // `held`: what the document's renderer holds as the growth begins;
    // `estimate`: the estimate of all that it will draw from there.
    CDocumentGrowth(const CSetting& setting, unsigned long long held, double estimate);
    void AddDrawn(double estimate) { m_drawn += estimate; }
    // True once the growth should be weighed again (at the sample, then at
    // every quarter of it drawn).
    bool Due() const { return m_drawn >= m_nextCheck; }
    void Weighed() { m_nextCheck = m_drawn + m_sample / 4; }
    // What the document will hold, with the margin, once `remaining` of the
    // estimate is drawn, holding `held` now.
    double Projected(unsigned long long held, double remaining) const;
    // Whether the document, holding `held` now, fits with `bytes` at its end.
    bool Fits(double bytes, unsigned long long held) const;

private:
    unsigned long long m_held0;
    unsigned long long m_free0;
    bool m_metafile;  // held twice, and within kMaxMetafileBytes
    double m_drawn = 0;
    double m_sample;
    double m_nextCheck;
};

// The memory of a one-file document that holds every page (PDF), shared by
// the job's tasks in turn: the growth of the whole document, from before its
// first page, weighed over a sample of the estimate of all its pages.
struct CDocumentPlan {
    CDocumentPlan(const CSetting& setting, double estimate);
    std::unique_ptr<CDocumentGrowth> Growth;
};

// The most a metafile holds: Wine records it in one block that grows by
// half at a time, and the growth beyond about 990 MB (to 1.5 GB, with the
// old block still held) fails; the metafile stays below it, with room for
// the task's other blocks.
const unsigned long long kMaxMetafileBytes = 900ull << 20;
