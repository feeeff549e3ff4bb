// The layout of one unit of text, computed once per task from the settings
// and the text, and read by every stage of the raster run and by the vector
// task: the layers with their margins, the measures of the text, where every
// character stands, and the character, line and paragraph rectangles the
// paints run over. All in tenths of an output pixel (one font unit).
#pragma once
#include "decoration/BorderingSetting.h"
#include "render/TaskFonts.h"
#include <windows.h>
#include <algorithm>
#include <string>
#include <vector>

class CSetting;
class CFontSetting;

// One character of the text where the layout puts it. A line feed is an
// item too (the raster run reports progress over every character) but has
// no measure.
struct CPlacedChar {
    UINT32 Ch = 0;
    size_t Index = 0;       // in the text, UTF-16 units
    bool LineBreak = false;
    bool EndedEmptyLine = false;  // a line feed ending a line without characters
    int PenX = 0;           // the pen, line-head offset included
    int LineTop = 0;        // the top of its line, line-top offset included
    ABC Abc = {0, 0, 0};
    float Advance = 0;      // the outline's black box plus one
};

struct CTextLayout {
    // Layer 0 is the face, then the enabled decoration rows; LayerMargins[k]
    // is how far the layers outside k reach beyond it.
    std::vector<CBorderingSetting> Layers;
    std::vector<RECT> LayerMargins;
    RECT TotalMargins = {0, 0, 0, 0};
    // How far the shapes of all layers reach beyond the face, their blur
    // left out: what a glyph's cell must hold.
    RECT GrowthMargins = {0, 0, 0, 0};
    bool Vertical = false;

    int LineHeadBearing = kUnknownBearing;
    int LineHeadOffset = 0;
    // Where the first line's top lies below the text's top: above it go the
    // lines a negative line advance puts upwards, and ink that a negative
    // leading lifts above its line.
    int LineTopOffset = 0;
    int MaxGlyphAdvance = 0;
    int InkWidth = 0;
    int AdvanceWidth = 0;
    int LineCount = 0;
    int LetterSpacing = 0;
    int LineAdvance = 0;
    int LineCellHeight = 0;
    // The rows a line's glyphs may reach, from its top: the line cell, and
    // the glyph box wherever the leading moves it.
    int InkBandTop = 0;
    int InkBandBottom = 0;
    int TextHeight = 0;
    // The ink width for a variable-pitch font, else the larger of the ink
    // and advance widths.
    int TextWidth = 0;
    float EmSize = 0;
    int LeadingWidth = 0;  // percent of the font size

    std::vector<CPlacedChar> Chars;
    std::vector<RECT> CharRects;
    std::vector<RECT> LineRects;
    std::vector<RECT> ParagraphRects;

    int LayerCount() const { return static_cast<int>(Layers.size()); }
    // How far a character moves the pen: its ABC width plus the letter
    // spacing, never backwards.
    int PenStep(const ABC& abc) const { return std::max(0, GetAbcWidth(abc) + LetterSpacing); }
    // How far the leading moves a glyph down at `size` pixels.
    float LeadingOffset(float size) const { return LeadingWidth == 0 ? 0.0f : LeadingWidth / 100.0f * size; }
};

// The decorations a settings record shows: its face and the enabled rows of
// the decoration rows (five; a record with more shows the first five), in
// row order.
std::vector<CBorderingSetting> CollectLayers(const CSetting& setting);
// The layers and each one's margins (what the layers outside it add).
void SetLayers(CTextLayout& layout, const std::vector<CBorderingSetting>& layers, bool vertical);

// Measures and places the text with the fonts (see TextLayout.cpp). With a
// bound (not 0 x 0, output pixels) the characters beyond it are dropped from
// `text`. `bearing` is a line-head bearing the job found over all its units,
// or kUnknownBearing.
void LayOutText(CTextLayout& layout, CTaskFonts& fonts, const CFontSetting& font, std::wstring& text, SIZE bound,
                int bearing);
