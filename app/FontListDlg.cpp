#include "app/FontListDlg.h"
#include "app/FontListText.h"
#include "platform/Gdi.h"
#include "resources/strings_app.h"
#include "ui/Firewall.h"
#include <algorithm>

namespace {

CNamedInts MakeNames(std::initializer_list<UINT> ids)
{
    CNamedInts list;
    int value = 0;
    for (UINT id : ids)
        list.Add(id, value++);
    return list;
}

// A LOGFONTW of an entry, or the empty one of the dialog's character set
// and size when there is no entry.
LOGFONTW EntryOrEmpty(const CLogFontPtr& entry, const CFontListDlgSetting& s)
{
    if (entry)
        return *entry;
    LOGFONTW lf = {};
    lf.lfCharSet = static_cast<BYTE>(s.CharSet);
    lf.lfHeight = s.Size;
    return lf;
}

} // namespace

const CNamedInts& GetFontTypeNames()
{
    static const CNamedInts names = MakeNames({IDS_FONT_TYPE_BOTH, IDS_FONT_TYPE_RASTER, IDS_FONT_TYPE_VECTOR});
    return names;
}

const CNamedInts& GetFontWeightFilterNames()
{
    static const CNamedInts names = MakeNames(
        {IDS_WEIGHT_FILTER_ALL, IDS_WEIGHT_FILTER_NORMAL, IDS_WEIGHT_FILTER_LIGHTER, IDS_WEIGHT_FILTER_BOLDER});
    return names;
}

const CNamedInts& GetFontItalicFilterNames()
{
    static const CNamedInts names =
        MakeNames({IDS_ITALIC_FILTER_BOTH, IDS_ITALIC_FILTER_NONE, IDS_ITALIC_FILTER_ONLY});
    return names;
}

CFontListDlg::CFontListDlg()
{
    m_layout = &Setting.WindowLayout;
}

LRESULT CFontListDlg::OnInitDialog(UINT, WPARAM, LPARAM, BOOL&)
{
    DlgResize_Init(true, true, WS_THICKFRAME | WS_MAXIMIZEBOX);
    m_initializing = true;
    PostMessage(WM_APP);
    ApplyLayout(LAYOUT_CLAMP);
    // A stored size out of bounds (an older file, a hand edit) would give
    // entries of a height the list box cannot take.
    Setting.Size = std::min(kMaxSampleSize, std::max(kMinSampleSize, Setting.Size));

    typedef CFontListDlgSetting S;
    KeepDroppedListChoices(m_hWnd);
    CharSets.EnumerateCharSets();
    CharSetBox.Attach(GetDlgItem(IDC_FONT_LIST_CHARSET), &Setting, &CharSets.GetCharSets(),
                      [](const S& s) { return s.CharSet; },
                      [](S& s, int v) { s.CharSet = v; }, [](const S& s) { return s.Tategaki; },
                      [](S& s, int v) { s.Tategaki = v; });
    CharSetBox.Fill();
    CharSetBox.AddValueChangedListener(this, &CFontListDlg::OnCharSetChanged);
    CharSetBox.SelectCurrent();

    if (HWND type = GetDlgItem(IDC_FONT_LIST_TYPE)) {
        TypeBox.Attach(type, &Setting, [](const S& s) { return s.Type; }, [](S& s, int v) { s.Type = v; },
                       &GetFontTypeNames());
        TypeBox.Fill();
        TypeBox.AddValueChangedListener(this, &CFontListDlg::OnTypeChanged);
        TypeBox.SelectCurrent();
    }

    SizeBox.Attach(GetDlgItem(IDC_FONT_LIST_SIZE), &Setting, [](const S& s) { return s.Size; },
                   [](S& s, int v) { s.Size = v; });
    SizeBox.AddValueChangedListener(this, &CFontListDlg::OnSizeChanged);
    FillComboRange(SizeBox, 7, 48, 1, 0);
    SizeBox.ShowValue();

    WeightBox.Attach(GetDlgItem(IDC_FONT_LIST_WEIGHT), &Setting, [](const S& s) { return s.Weight; },
                     [](S& s, int v) { s.Weight = v; }, &GetFontWeightFilterNames());
    WeightBox.Fill();
    WeightBox.AddValueChangedListener(this, &CFontListDlg::OnFilterChanged);
    WeightBox.SelectCurrent();
    ItalicBox.Attach(GetDlgItem(IDC_FONT_LIST_ITALIC), &Setting, [](const S& s) { return s.Italic; },
                     [](S& s, int v) { s.Italic = v; }, &GetFontItalicFilterNames());
    ItalicBox.Fill();
    ItalicBox.AddValueChangedListener(this, &CFontListDlg::OnFilterChanged);
    ItalicBox.SelectCurrent();

    SampleBox.Attach(GetDlgItem(IDC_FONT_LIST_SAMPLE), &Setting, [](const S& s) { return s.SampleText; },
                     [](S& s, const std::wstring& v) { s.SampleText = v; }, &Setting.SampleTexts);
    SampleBox.CommitOnEdit = true;
    // The settings file keeps the sample text, and refuses a longer one.
    ::SendMessageW(GetDlgItem(IDC_FONT_LIST_SAMPLE), CB_LIMITTEXT, limits::kMaxTextLength, 0);
    SampleBox.CommitOnKillFocus = false;
    SampleBox.RebuildOnDropDown = false;
    SampleBox.AddValueChangedListener(this, &CFontListDlg::OnSampleTextChanged);
    AddMemfunListener(SampleBox.EnterListeners, this, &CFontListDlg::OnSampleEnter);
    SampleBox.Rebuild();
    SampleBox.ShowValue();

    List.SubclassWindow(GetDlgItem(IDC_FONT_LIST_LIST));
    List.SampleText = Setting.SampleText;
    RebuildList(true);
    List.ScrollToBestMatch(TopFont);
    List.SelectBestMatch(SelectedFont);
    List.SetFocus();
    return FALSE;  // the focus is set
}

void CFontListDlg::RebuildList(bool enumerate)
{
    if (enumerate) {
        CScreenDC dc;
        Fonts.Enumerate(dc, static_cast<BYTE>(Setting.CharSet), Setting.GetEnumFlags());
        Fonts.SetHeights(Setting.Size);
        Fonts.SetWidths(0);
    }
    CLogFonts visible;
    for (const CLogFontPtr& f : Fonts.Fonts)
        if (Setting.MatchesStyle(*f))
            visible.push_back(f);
    List.SetItems(visible);
}

void CFontListDlg::OnCharSetChanged(UINT32, UINT32) { RebuildList(true); }

void CFontListDlg::OnTypeChanged(UINT32, UINT32) { RebuildList(true); }

void CFontListDlg::OnFilterChanged(UINT32, UINT32) { RebuildList(false); }

void CFontListDlg::OnSizeChanged(UINT32, UINT32)
{
    // Runs inside the size box's own notification: what fails here is
    // reported, and the box and the dialog go on.
    GuardedCall([&] {
        Fonts.SetHeights(Setting.Size);
        List.Refresh(false);
    });
}

void CFontListDlg::OnSampleTextChanged(UINT32, UINT32)
{
    List.SampleText = Setting.SampleText;
    List.Invalidate(TRUE);
}

void CFontListDlg::KeepSampleText()
{
    SampleBox.Commit();
    AddMruText(Setting.SampleTexts, Setting.SampleText);
    SampleBox.Rebuild();
}

void CFontListDlg::OnSampleEnter(UINT32, UINT32) { KeepSampleText(); }

bool CFontListDlg::IsInSampleBox(HWND window) const
{
    return window && SampleBox.m_hWnd && (window == SampleBox.m_hWnd || ::IsChild(SampleBox.m_hWnd, window));
}

bool CFontListDlg::PreTranslateModalMessage(MSG& msg)
{
    // Bit 30: the key was already down (a repeat).
    if (msg.message != WM_KEYDOWN || msg.wParam != VK_RETURN || (msg.lParam & (1 << 30)))
        return false;
    // In the dropped list Enter chooses the highlighted entry.
    if (!IsInSampleBox(::GetFocus()) || SampleBox.GetDroppedState())
        return false;
    KeepSampleText();
    return true;
}

LRESULT CFontListDlg::OnEnd(WORD, WORD id, HWND, BOOL&)
{
    SelectedFont = EntryOrEmpty(List.GetSelectedItem(), Setting);
    TopFont = EntryOrEmpty(List.GetTopItem(), Setting);
    if (id == IDOK)
        AddMruText(Setting.SampleTexts, Setting.SampleText);
    EndModal(id);
    return 0;
}

LRESULT CFontListDlg::OnListDoubleClick(WORD, WORD, HWND, BOOL&)
{
    const DWORD pos = ::GetMessagePos();
    POINT pt = {static_cast<short>(LOWORD(pos)), static_cast<short>(HIWORD(pos))};
    List.ScreenToClient(&pt);
    const DWORD hit = List.ItemFromPoint(pt);
    if (HIWORD(hit) == 0 && static_cast<int>(LOWORD(hit)) == List.GetCurSel())
        PostMessage(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(IDOK)));
    return 0;
}
