// The memory estimate of a vector document (see DocumentMemory.h).
//
// Method: the vector task draws every glyph of a page once per outline copy
// (the records of all layer groups), each copy as its outline's points, and
// the document holds what its format writes for them. So a page holds at
// least
//     page + copies x sum over its glyphs of (glyph + its points' bytes)
// bytes, times two for EMF, whose metafile is copied whole at its end. What
// a point costs follows from where it lies: PDF writes two coordinates as
// text with all their integer digits and up to five decimals, SVG with six
// significant digits (eleven characters from a million on), EMF a point of
// a Bezier record in 16 bits while the page's hundredths of a millimetre fit
// in them, else in 32. The glyphs stand where the layout puts them (a text
// is walked as the layout walks it, its line head's offsets left out), and a
// point is taken at its glyph's top left corner, before which no point of
// the glyph lies: the digits are never more than the coordinates have. The
// decimals and the page and glyph costs are the least measured over lines of
// kanji, kana and Latin letters in Gothic, Mincho and Latin faces, at 6 to
// 200 pixels, short and long, across and down, trimmed and not: the estimate
// stays below what the document really takes (0.65 to 0.98 of it), so it
// never refuses one that would have been written, and near enough to it to
// refuse at once one that surely cannot be.
// Edge cases: white space has no outline and costs nothing; a line feed is
// not drawn; a character beyond U+FFFF is one character (its outline and
// widths by glyph index); characters that come again are looked at once;
// the pen never moves back (a spacing below -100 percent keeps it in place).
//
// The projection (CDocumentGrowth): the estimate stays below what a
// document holds by a share that depends on the script, the face and the
// decorations, not on how much is drawn, so what the document really grew
// by per byte of the estimate, measured over what was drawn first, holds for
// the rest of it. It is measured over a sample (a sixteenth of the whole,
// at least 64 KB and at most 1 MB of the estimate: a PDF grows in 4 KB
// blocks and by some kilobytes of objects a page, so a smaller sample
// overstates the rate) and weighed again at every quarter of the sample
// drawn after it, so the rate follows a text whose later part differs. A
// document too small to reach the sample is weighed by the estimate alone.
// What is still to be drawn of the page is projected with a margin of 5%:
// at its first weighing the rate of a steady text lies within 0.5% of its
// last, libHaru's heap takes up to 1.3% more of the address space than
// libHaru holds, the tasks and fonts of the job take some tens of megabytes
// after the plan has read the free figure, and Wine reads that figure at
// most once a second. The projection ends with the page, never over later
// pages: a rate measured earlier or later, or the estimate of the pages
// after, would move the unit refused with the text that follows it, so
// the unit refused is where the document stops fitting and the text before
// it is written (a one-file PDF too large is refused as that unit is drawn).
#include "render/DocumentMemory.h"
#include "decoration/Setting.h"
#include "outline/PdfRenderer.h"
#include "outline/VectorRenderer.h"
#include "platform/Gdi.h"
#include "render/TextLayout.h"
#include "render/TextWalk.h"
#include "render/VectorKanteloTask.h"
#include <algorithm>
#include <cmath>

namespace {

// What a document holds besides its points: for a page (libHaru's page
// objects and first content buffer, over 7 KB a page of a one-file
// document; an SVG page's root element; an EMF's header and end records),
// for a copy of a glyph (PDF's paint operator; the SVG path element without
// its points, <path fill="#rrggbb" d="" />; EMF's path bracket and paint
// records), and how many times the whole is held at the end (EMF: the
// metafile and its copy).
struct CFormatCosts {
    unsigned page, glyph, held;
};
const CFormatCosts kPdfCosts = {6000, 2, 1};
const CFormatCosts kSvgCosts = {150, 28, 1};
const CFormatCosts kEmfCosts = {100, 40, 2};
const CFormatCosts kRasterCosts = {0, 0, 0};
// A point's separators and its share of the path's operators: PDF "x y "
// and "l" or a third of "c", SVG "x y " and "L" or a third of "C".
const double kSeparatorBytes = 2.5;
// PDF's decimals of a coordinate, a point and up to five digits: 5.2 on
// average, as trailing zeros are cut.
const double kPdfDecimalBytes = 4.5;
// An SVG coordinate of six significant digits: seven characters below a
// million, eleven from there on ("1.23457e+06"), less trailing zeros (at
// small sizes six on average).
const double kSvgSmallNumberBytes = 5.5;
const double kSvgLargeNumberBytes = 9.5;
// An EMF Bezier point: a POLYBEZIERTO16 record of three points is 40 bytes,
// a POLYBEZIERTO 52. Points are written in hundredths of a millimetre of the
// screen, at least 10 a pixel (a screen of 254 dpi; 26 at 96 dpi): asking
// the screen costs most of a millisecond under Wine, each unit of a job.
const double kEmfShortPointBytes = 40.0 / 3;
const double kEmfLongPointBytes = 52.0 / 3;
const double kEmfLeastUnitsPerPixel = 10;
// The projection's sample, in bytes of the estimate, and its margin (see
// above).
const double kLeastSample = 64 * 1024;
const double kMostSample = 1024 * 1024;
const double kProjectionMargin = 1.05;

double IntegerDigits(double v)
{
    double digits = 1;
    for (v = std::fabs(v); v >= 10; v /= 10)
        ++digits;
    return digits;
}

} // namespace

bool HoldsEveryPage(const CSetting& setting)
{
    return setting.IsSingleOutputFile() && setting.SaveFormat.Type == OutputType::PDF;
}

struct CDocumentMemoryEstimate::CMeasuringDC {
    explicit CMeasuringDC(HFONT font) : select(screen, font) {}
    CScreenDC screen;
    CSelectObjectGuard select;
};

CDocumentMemoryEstimate::CDocumentMemoryEstimate(const CSetting& setting, CTaskFonts& fonts)
    : m_fonts(fonts), m_type(setting.SaveFormat.Type)
{
    const CFormatCosts& costs = m_type == OutputType::PDF ? kPdfCosts
                                : m_type == OutputType::SVG || m_type == OutputType::SVG_TAG ? kSvgCosts
                                : m_type == OutputType::EMF ? kEmfCosts : kRasterCosts;
    m_pageBytes = costs.page;
    m_glyphBytes = costs.glyph;
    m_held = costs.held;
    const RECT none = {0, 0, 0, 0};
    for (const CVectorLayerGroup& group :
         BuildVectorLayerGroups(CollectLayers(setting), none, setting.FontSetting.IsVertical()))
        m_copies += group.size();
    // The layout's spacing (TextLayout.cpp).
    const LONG height = fonts.GetTextMetrics().tmHeight;
    m_letterSpacing = (setting.FontSetting.CharWidth - 100) * height / 100;
    m_lineAdvance = setting.FontSetting.LineWidth * height / 100;
}

CDocumentMemoryEstimate::~CDocumentMemoryEstimate() = default;

double CDocumentMemoryEstimate::PointBytes(double x, double y) const
{
    switch (m_type) {
    case OutputType::PDF:
        return kSeparatorBytes + IntegerDigits(x) + IntegerDigits(y) + 2 * kPdfDecimalBytes;
    case OutputType::SVG:
    case OutputType::SVG_TAG: {
        const auto number = [](double v) { return std::fabs(v) < 1e6 ? kSvgSmallNumberBytes : kSvgLargeNumberBytes; };
        return kSeparatorBytes + number(x) + number(y);
    }
    case OutputType::EMF: {
        const double most = std::max(std::fabs(x), std::fabs(y)) * kEmfLeastUnitsPerPixel;
        return most < 32768 ? kEmfShortPointBytes : kEmfLongPointBytes;
    }
    default:
        return 0;
    }
}

double CDocumentMemoryEstimate::GlyphBytes(UINT32 ch, double x, double y)
{
    auto found = m_points.find(ch);
    if (found == m_points.end())
        found = m_points.emplace(ch, m_fonts.OutlinePointCount(ch)).first;
    if (found->second == 0)
        return 0;  // nothing is drawn
    return m_glyphBytes + static_cast<double>(found->second) * PointBytes(x, y);
}

double CDocumentMemoryEstimate::GlyphBytes(const CPlacedChar& c)
{
    return c.LineBreak ? 0 : GlyphBytes(c.Ch, std::max(0, c.PenX + c.Abc.abcA) / 10.0, c.LineTop / 10.0);
}

unsigned long long CDocumentMemoryEstimate::PageOf(double glyphBytes) const
{
    return (m_pageBytes + static_cast<unsigned long long>(glyphBytes * static_cast<double>(m_copies))) * m_held;
}

unsigned long long CDocumentMemoryEstimate::PageBytes(const CTextLayout& layout)
{
    double drawn = 0;
    for (const CPlacedChar& c : layout.Chars)
        drawn += GlyphBytes(c);
    return PageOf(drawn);
}

unsigned long long CDocumentMemoryEstimate::PageBytes(const std::wstring& text)
{
    if (!m_measuring)
        m_measuring.reset(new CMeasuringDC(m_fonts.GetFont()));
    double drawn = 0;
    CTextWalk walk(text, 0, m_lineAdvance);
    while (walk.Next()) {
        if (walk.IsLineBreak())
            continue;
        ABC abc;
        float advance = 0;
        m_fonts.MeasureChar(m_measuring->screen, walk.Char(), abc, advance);
        drawn += GlyphBytes(walk.Char(), std::max(0, walk.PenX() + abc.abcA) / 10.0, walk.LineTop() / 10.0);
        walk.Place(std::max(0, GetAbcWidth(abc) + m_letterSpacing));
    }
    return PageOf(drawn);
}

unsigned long long FreeAddressSpace()
{
    const long long stand = GetDocumentMemoryForTest();
    if (stand >= 0)
        return static_cast<unsigned long long>(std::max(0LL, stand - PdfMemoryInUse()));
    // Under Wine a large-address-aware process is told of about 4 GB free
    // and gets 3.9 GB in small blocks (3.6 GB in blocks of a megabyte): no
    // document holds more than the free address space.
    MEMORYSTATUSEX status = {};
    status.dwLength = sizeof status;
    if (!::GlobalMemoryStatusEx(&status))
        return ~0ULL;  // unknown: nothing is refused beforehand
    return status.ullAvailVirtual;
}

unsigned long long DocumentMemoryBudget()
{
    const unsigned long long free = FreeAddressSpace();
    return free > kSaveReserve ? free - kSaveReserve : 0;
}

CDocumentGrowth::CDocumentGrowth(const CSetting& setting, unsigned long long held, double estimate)
    : m_held0(held), m_free0(DocumentMemoryBudget()), m_metafile(setting.SaveFormat.Type == OutputType::EMF),
      m_sample(std::min(kMostSample, std::max(kLeastSample, estimate / 16))), m_nextCheck(m_sample)
{
}

double CDocumentGrowth::Projected(unsigned long long held, double remaining) const
{
    const double grown = held > m_held0 ? static_cast<double>(held - m_held0) : 0;
    const double rate = m_drawn >= m_sample ? std::max(1.0, grown / m_drawn) : 1.0;
    return static_cast<double>(held) + rate * remaining * kProjectionMargin;
}

bool CDocumentGrowth::Fits(double bytes, unsigned long long held) const
{
    if (m_metafile && bytes > static_cast<double>(kMaxMetafileBytes))
        return false;
    const double needed = m_metafile ? 2 * bytes : bytes;
    return needed <= static_cast<double>(m_held0) + static_cast<double>(m_free0) &&
           needed <= static_cast<double>(held) + static_cast<double>(DocumentMemoryBudget());
}

CDocumentPlan::CDocumentPlan(const CSetting& setting, double estimate)
    : Growth(new CDocumentGrowth(setting, static_cast<unsigned long long>(PdfMemoryInUse()), estimate))
{
}
