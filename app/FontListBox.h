// The owner-drawn font list: one entry per font, a caption line (face,
// weight name and, for an italic font, the italic text) above a sample text
// drawn in that very font. The list box holds no strings, only the item
// count; it keeps the first visible, caret and selected entries in place
// when its items change.
#pragma once
#include "app/FontCollection.h"
#include "ui/WindowImpl.h"
#include <string>

class CFontListBox : public CWindowImpl<CFontListBox, CListBoxW> {
public:
    RECT Margins = {2, 2, 2, 2};
    int HorizontalGap = 0;
    int CaptionGap = 1;        // between caption and sample
    CLogFonts Items;           // shared with the owner's collection
    TEXTMETRICW Metrics = {};  // of the list box's own font, measured at each refresh
    std::wstring SampleText;   // empty: each entry shows its face name

    BEGIN_MSG_MAP(CFontListBox)
        MESSAGE_HANDLER(OCM_MEASUREITEM, OnMeasureItem)
        MESSAGE_HANDLER(OCM_DRAWITEM, OnDrawItem)
        DEFAULT_REFLECTION_HANDLER()
    END_MSG_MAP()

    // Replaces the list, keeping the first visible, caret and selected
    // entries where they are still present.
    void SetItems(const CLogFonts& items);
    // Recounts, remeasures and repaints; without keepNothing the first
    // visible, caret and selected entries stay.
    void Refresh(bool keepNothing);

    CLogFontPtr GetSelectedItem() const { return GetItem(GetCurSel()); }
    CLogFontPtr GetTopItem() const { return GetItem(GetTopIndex()); }
    CLogFontPtr GetItem(int index) const;
    void SelectBestMatch(const LOGFONTW& wanted);
    void ScrollToBestMatch(const LOGFONTW& wanted);

    // The item height the entries need (top and bottom margins, caption
    // gap, caption height, sample height), at most 255: a list box item
    // cannot be taller.
    int CalcItemHeight() const;
    // "Face, Weight[, Italic]".
    static std::wstring FormatCaption(const LOGFONTW& font);

private:
    struct CPositions {
        CLogFontPtr top, selected, caret;
    };
    CPositions Remember() const;
    void Restore(const CPositions& old);
    LRESULT OnMeasureItem(UINT, WPARAM, LPARAM lp, BOOL&);
    LRESULT OnDrawItem(UINT, WPARAM, LPARAM lp, BOOL&);
    void DrawEntry(const DRAWITEMSTRUCT& item);
};
