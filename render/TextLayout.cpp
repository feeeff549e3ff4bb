// The text layout of one unit (see TextLayout.h).
//
// Layout, in tenths of a pixel: characters are placed one after another,
// each moving the pen by max(0, abcA + abcB + abcC + letter spacing); only
// '\n' breaks a line, which moves down by the line advance. The ink of a
// character reaches from pen + abcA to pen + abcA + its advance (the
// outline's black box, rounded up); the smallest A width at a line start (the
// line-head bearing, possibly preset over all units of a job) shifts every
// line right when it is negative, and so does ink that a tight spacing puts
// left of the line head. In bounded mode (a size set) characters past the
// width limit of a line and lines past the height limit are dropped from the
// text. Lines may go upwards (a negative line advance) and a leading may
// lift ink above its line: the first line's top moves down so that every
// line's band of ink lies inside the text.
//
// The unit rectangles: a character's runs from its ink's left edge less one
// to its advance, and over its line cell, widened by the margins of all
// layers; a line's joins its characters; a paragraph's joins its lines, and
// an empty line starts a new one.
#include "render/TextLayout.h"
#include "render/TextWalk.h"
#include "decoration/Setting.h"
#include "outline/FontSetting.h"
#include "platform/Gdi.h"
#include <algorithm>
#include <cmath>
#include <cstdlib>

std::vector<CBorderingSetting> CollectLayers(const CSetting& s)
{
    std::vector<CBorderingSetting> layers;
    CBorderingSetting face;
    face.Size = s.FontSetting.Size;
    face.Alpha = s.FontSetting.Alpha;
    face.Paint = s.PaintSetting;
    layers.push_back(face);
    const size_t rows = std::min(static_cast<size_t>(kDecorationRows), std::min(s.UseBorderings.size(), s.Borderings.size()));
    for (size_t i = 0; i < rows; ++i)
        if (s.UseBorderings[i])
            layers.push_back(s.Borderings[i]);
    return layers;
}

namespace {

// margins[k]: how far the layers outside k reach beyond it.
void AddUpMargins(const std::vector<CBorderingSetting>& layers, bool vertical, std::vector<RECT>& margins)
{
    margins.assign(layers.size(), RECT{0, 0, 0, 0});
    for (size_t k = layers.size() - 1; k >= 1; --k) {
        RECT m;
        layers[k].GetMargins(m, vertical);
        const RECT& outer = margins[k];
        margins[k - 1] = RECT{outer.left + m.left, outer.top + m.top, outer.right + m.right, outer.bottom + m.bottom};
    }
}

} // namespace

void SetLayers(CTextLayout& layout, const std::vector<CBorderingSetting>& layers, bool vertical)
{
    layout.Layers = layers;
    layout.Vertical = vertical;
    AddUpMargins(layers, vertical, layout.LayerMargins);
    layout.TotalMargins = layout.LayerMargins[0];
    std::vector<CBorderingSetting> shapes = layers;
    for (CBorderingSetting& l : shapes)
        l.Blur = 0;
    std::vector<RECT> growth;
    AddUpMargins(shapes, vertical, growth);
    layout.GrowthMargins = growth[0];
}

namespace {

// The measures that follow from the font alone.
void SetFontMeasures(CTextLayout& layout, const CTaskFonts& fonts, const CFontSetting& font)
{
    const LONG height = fonts.GetTextMetrics().tmHeight;
    layout.EmSize = fonts.GetEmSize();
    layout.LeadingWidth = font.LeadingWidth;
    layout.LetterSpacing = (font.CharWidth - 100) * height / 100;
    layout.LineAdvance = font.LineWidth * height / 100;
    const float extra = font.LeadingWidth / 100.0f * static_cast<float>(height);
    // A leading of -100 percent or less leaves no cell: one unit stands for it.
    layout.LineCellHeight = font.LeadingWidth == 0 || extra == 0.0f
                                ? height
                                : std::max(1, static_cast<int>(std::ceil(height + extra)));
    // The glyph box (ascent to descent) starts at the leading offset.
    const float lead = layout.LeadingOffset(layout.EmSize);
    layout.InkBandTop = std::min(0, static_cast<int>(std::floor(lead)));
    layout.InkBandBottom =
        std::max(layout.LineCellHeight, static_cast<int>(std::ceil(lead)) + static_cast<int>(height));
}

// The measuring walk: the widths, the line count and the line-head offset;
// in bounded mode the kept characters replace the text.
void MeasureText(CTextLayout& layout, CTaskFonts& fonts, HDC dc, std::wstring& text, SIZE bound)
{
    const bool bounded = bound.cx != 0 || bound.cy != 0;
    long widthLimit = bound.cx * 10, heightLimit = bound.cy * 10;
    if (layout.Vertical)
        std::swap(widthLimit, heightLimit);
    std::wstring kept;
    // The leftmost ink of any character: with a tight spacing a character
    // after the first may reach further left than the line head's.
    int inkLeft = 0;
    bool stopped = false;
    CTextWalk walk(text, 0, layout.LineAdvance);
    while (walk.Next()) {
        if (walk.IsLineBreak()) {
            ++layout.LineCount;
            if (bounded && walk.LineTop() >= heightLimit) {
                stopped = true;
                break;
            }
            kept += L'\n';
            continue;
        }
        const int x = walk.PenX();
        if (bounded && x >= widthLimit + layout.LineCellHeight)
            continue;
        kept.append(text, walk.Index(), walk.Length());
        ABC abc;
        float advance = 0;
        fonts.MeasureChar(dc, walk.Char(), abc, advance);
        const int adv = static_cast<int>(std::ceil(advance));
        layout.MaxGlyphAdvance = std::max(layout.MaxGlyphAdvance, adv);
        if (x == 0)
            layout.LineHeadBearing = std::min(layout.LineHeadBearing, abc.abcA);
        inkLeft = std::min(inkLeft, x + abc.abcA);
        layout.InkWidth = std::max(layout.InkWidth, x + abc.abcA + adv);
        layout.AdvanceWidth = std::max(layout.AdvanceWidth, x + GetAbcWidth(abc));
        walk.Place(layout.PenStep(abc));
    }
    // A last line counts when a character stands on it (the pen may not
    // have moved: a spacing of -100 percent or less keeps it in place).
    if (!stopped && !walk.AtLineStart())
        ++layout.LineCount;
    const int bearing = layout.LineHeadBearing;
    layout.LineHeadOffset = std::max(bearing < 0 ? -bearing : 0, -inkLeft);
    layout.InkWidth += layout.LineHeadOffset;
    if (bounded)
        text = kept;
}

// The text's height and width from the measures.
void SetTextExtent(CTextLayout& layout, const CTaskFonts& fonts)
{
    // Lines run from the first line's top by the advance, upwards when it is
    // negative; every line's band of ink must lie inside the text.
    const int lastTop = layout.LineCount == 0 ? 0 : (layout.LineCount - 1) * layout.LineAdvance;
    layout.LineTopOffset = -std::min(0, lastTop) - layout.InkBandTop;
    layout.TextHeight =
        layout.LineCount == 0 ? 0 : std::abs(lastTop) + layout.InkBandBottom - layout.InkBandTop;
    layout.TextWidth =
        fonts.IsVariablePitch() ? layout.InkWidth : std::max(layout.InkWidth, layout.AdvanceWidth);
}

void AddUnitRects(CTextLayout& layout, const RECT& r, bool lineStart, bool& newParagraph)
{
    layout.CharRects.push_back(r);
    if (lineStart)
        layout.LineRects.push_back(r);
    else
        layout.LineRects.back().right = r.right;
    if (newParagraph) {
        layout.ParagraphRects.push_back(r);
        newParagraph = false;
    } else {
        RECT& p = layout.ParagraphRects.back();
        p.right = std::max(p.right, r.right);
        p.bottom = r.bottom;
    }
}

// Every character where it stands, with its unit rectangles.
void PlaceChars(CTextLayout& layout, CTaskFonts& fonts, HDC dc, const std::wstring& text)
{
    const RECT& m = layout.TotalMargins;
    bool newParagraph = true;
    CTextWalk walk(text, layout.LineHeadOffset, layout.LineAdvance, layout.LineTopOffset);
    while (walk.Next()) {
        CPlacedChar c;
        c.Ch = walk.Char();
        c.Index = walk.Index();
        if (walk.IsLineBreak()) {
            c.LineBreak = true;
            c.EndedEmptyLine = walk.EndedEmptyLine();
            newParagraph |= c.EndedEmptyLine;
            layout.Chars.push_back(c);
            continue;
        }
        c.PenX = walk.PenX();
        c.LineTop = walk.LineTop();
        fonts.MeasureChar(dc, c.Ch, c.Abc, c.Advance);
        const LONG gl = c.PenX + c.Abc.abcA - 1;
        const LONG right = gl + static_cast<LONG>(std::ceil(c.Advance)) + m.left + m.right;
        const LONG bottom = c.LineTop + layout.LineCellHeight + m.top + m.bottom;
        AddUnitRects(layout, RECT{gl, c.LineTop, right, bottom}, walk.AtLineStart(), newParagraph);
        layout.Chars.push_back(c);
        walk.Place(layout.PenStep(c.Abc));
    }
}

} // namespace

void LayOutText(CTextLayout& layout, CTaskFonts& fonts, const CFontSetting& font, std::wstring& text, SIZE bound,
                int bearing)
{
    CScreenDC screen;
    CSelectObjectGuard select(screen, fonts.GetFont());
    layout.LineHeadBearing = bearing;
    layout.InkWidth = layout.AdvanceWidth = layout.MaxGlyphAdvance = layout.LineCount = 0;
    layout.Chars.clear();
    layout.CharRects.clear();
    layout.LineRects.clear();
    layout.ParagraphRects.clear();
    SetFontMeasures(layout, fonts, font);
    MeasureText(layout, fonts, screen, text, bound);
    SetTextExtent(layout, fonts);
    PlaceChars(layout, fonts, screen, text);
}
