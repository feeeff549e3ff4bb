// What a vector document holds in memory while it is made, known from its
// text before anything is drawn: a save whose document cannot fit in the
// address space is refused at once (IDS_OUTPUT_TOO_LARGE_FOR_MEMORY) instead
// of after minutes of drawing that end in the same refusal.
#pragma once
#include "render/TaskFonts.h"
#include <windows.h>
#include <memory>
#include <string>
#include <unordered_map>

class CSetting;
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

// What a document may take: the address space the process can still get,
// or the test limit (SetDocumentMemoryForTest) while one is set.
unsigned long long DocumentMemoryBudget();
