#include "app/FontListBox.h"
#include "foundation/Error.h"
#include "foundation/ResourceString.h"
#include "outline/FontNames.h"
#include "platform/Gdi.h"
#include "resources/strings_outline.h"
#include <algorithm>
#include <climits>

namespace {

const int kMaxItemHeight = 255;  // a list box item's height is one byte

const std::wstring& ItalicText()
{
    static const std::wstring text = LoadResourceString(IDS_FONT_ITALIC);
    return text;
}

int IndexOf(const CLogFonts& items, const CLogFontPtr& font)
{
    if (!font)
        return -1;
    for (size_t i = 0; i < items.size(); ++i)
        if (*items[i] == *font)
            return static_cast<int>(i);
    return -1;
}

// The grey of a colour: 0.299 R + 0.587 G + 0.114 B.
COLORREF GreyOf(COLORREF c)
{
    double y = 0.299 * GetRValue(c) + 0.587 * GetGValue(c) + 0.114 * GetBValue(c);
    int v = static_cast<int>(y);
    v = v < 0 ? 0 : (v > 255 ? 255 : v);
    return RGB(v, v, v);
}

} // namespace

CLogFontPtr CFontListBox::GetItem(int index) const
{
    if (index < 0 || static_cast<size_t>(index) >= Items.size())
        return CLogFontPtr();
    return Items[static_cast<size_t>(index)];
}

std::wstring CFontListBox::FormatCaption(const LOGFONTW& font)
{
    std::wstring caption = GetFaceName(font) + L", " + FormatFontWeight(font.lfWeight);
    if (font.lfItalic)
        caption += L", " + ItalicText();
    return caption;
}

CFontListBox::CPositions CFontListBox::Remember() const
{
    CPositions p;
    p.top = GetTopItem();
    p.selected = GetSelectedItem();
    p.caret = GetItem(GetCaretIndex());
    return p;
}

void CFontListBox::Restore(const CPositions& old)
{
    const int count = static_cast<int>(Items.size());
    if (count == 0)
        return;
    int top = -1;
    if (old.top) {
        // The first entry not ordered before the old first visible one.
        top = count - 1;
        for (int i = 0; i < count; ++i)
            if (CompareLogFonts(*Items[static_cast<size_t>(i)], *old.top) >= 0) {
                top = i;
                break;
            }
    }
    const int selected = IndexOf(Items, old.selected);
    const int caret = IndexOf(Items, old.caret);
    if (selected >= 0) {
        if (top >= 0)
            SetTopIndex(std::min(top, count - 1));
        SetCurSel(selected);
    } else {
        SetCaretIndex(caret >= 0 ? std::min(caret, count - 1) : 0, FALSE);
        if (top >= 0)
            SetTopIndex(top);
    }
}

void CFontListBox::SetItems(const CLogFonts& items)
{
    CPositions old = Remember();
    Items = items;
    Refresh(true);
    Restore(old);
}

int CFontListBox::CalcItemHeight() const
{
    if (Items.empty())
        return 0;
    const long long sum = static_cast<long long>(Margins.top) + Margins.bottom + CaptionGap + Metrics.tmHeight +
                          Items.front()->lfHeight;
    if (sum < 0)
        ThrowCastErrorInt(L"LONG", L"UINT", static_cast<long>(std::max<long long>(sum, LONG_MIN)));
    return static_cast<int>(std::min<long long>(sum, kMaxItemHeight));
}

void CFontListBox::Refresh(bool keepNothing)
{
    CPositions old;
    if (!keepNothing)
        old = Remember();
    if (Items.size() > static_cast<size_t>(INT_MAX))
        ThrowCastErrorU64(L"size_t", L"int", Items.size());
    SetCount(static_cast<int>(Items.size()));
    if (!keepNothing)
        Restore(old);
    if (!Items.empty()) {
        CWindowDC dc(m_hWnd);
        if (dc.IsValid()) {
            CSelectObjectGuard font(dc, GetFont());
            ::GetTextMetricsW(dc, &Metrics);
        }
        SetItemHeight(0, CalcItemHeight());
    }
    Invalidate(TRUE);
}

void CFontListBox::SelectBestMatch(const LOGFONTW& wanted)
{
    size_t i = CFontCollection::FindBestMatch(Items, wanted);
    SetCurSel(i < Items.size() ? static_cast<int>(i) : 0);
}

void CFontListBox::ScrollToBestMatch(const LOGFONTW& wanted)
{
    size_t i = CFontCollection::FindBestMatch(Items, wanted);
    SetTopIndex(i < Items.size() ? static_cast<int>(i) : 0);
}

LRESULT CFontListBox::OnMeasureItem(UINT, WPARAM, LPARAM lp, BOOL&)
{
    // The real height comes from Refresh.
    MEASUREITEMSTRUCT* item = reinterpret_cast<MEASUREITEMSTRUCT*>(lp);
    item->itemWidth = 100;
    item->itemHeight = 60;
    return TRUE;
}

LRESULT CFontListBox::OnDrawItem(UINT, WPARAM, LPARAM lp, BOOL&)
{
    DrawEntry(*reinterpret_cast<const DRAWITEMSTRUCT*>(lp));
    return TRUE;
}

void CFontListBox::DrawEntry(const DRAWITEMSTRUCT& item)
{
    HDC dc = item.hDC;
    const bool selected = (item.itemState & ODS_SELECTED) != 0;
    COLORREF text = ::GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT);
    COLORREF back = ::GetSysColor(COLOR_WINDOW);
    if (selected)
        back = ::GetFocus() == m_hWnd ? ::GetSysColor(COLOR_HIGHLIGHT) : GreyOf(::GetSysColor(COLOR_HIGHLIGHT));
    ::SetBkColor(dc, back);
    ::ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &item.rcItem, nullptr, 0, nullptr);
    if (item.itemState & ODS_FOCUS)
        ::DrawFocusRect(dc, &item.rcItem);
    ::SetTextColor(dc, text);
    ::SetBkColor(dc, back);
    CLogFontPtr font = GetItem(static_cast<int>(item.itemID));
    if (!font)
        return;
    RECT content = item.rcItem;
    content.left += Margins.left;
    content.top += Margins.top;
    content.right = std::max(content.left, content.right - Margins.right);
    content.bottom = std::max(content.top, content.bottom - Margins.bottom);
    RECT caption = content;
    caption.bottom = std::min(content.bottom, content.top + Metrics.tmHeight);
    RECT sample = content;
    sample.top = std::min(content.bottom, caption.bottom + CaptionGap);

    const int mode = ::SetBkMode(dc, TRANSPARENT);
    {
        CSelectObjectGuard own(dc, GetFont());
        std::wstring line = FormatCaption(*font);
        ::DrawTextW(dc, line.c_str(), static_cast<int>(line.size()), &caption,
                    DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    }
    {
        // A font that cannot be made draws in the DC's current one.
        CFontHandle face(::CreateFontIndirectW(font.get()));
        CSelectObjectGuard select(dc, face.Get());
        const std::wstring& shown = SampleText.empty() ? GetFaceName(*font) : SampleText;
        std::wstring copy = shown;
        ::DrawTextW(dc, copy.c_str(), static_cast<int>(copy.size()), &sample,
                    DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    }
    ::SetBkMode(dc, mode);
}
