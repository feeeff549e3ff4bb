#include "WindowTestSupport.h"
#include "resources/strings_foundation.h"
#include "tests/common/TestSupport.h"
#include "ui/BoundCombos.h"
#include "ui/DialogImpl.h"
#include "ui/WindowLayoutManager.h"
#include "ui/WindowUtil.h"
#include <gtest/gtest.h>
#include <list>

namespace {

struct CTestLayout {
    bool Maximized = false;
    RECT Rect = {0, 0, 0, 0};
};

struct CTestCharSet {
    bool Vertical;
    UINT CharSet;
    std::wstring Name;
};

struct CTestMru {
    std::list<boost::shared_ptr<std::wstring>> Items;
};

struct CTestSetting {
    int CharSet = 0;
    int Tategaki = 0;
    int Weight = 0;
    int Size = 22;
    std::wstring Sample = L"abc";
    CTestMru Samples;
    CTestLayout Layout;
};

enum { ID_CHARSET_BOX = 100, ID_WEIGHT_BOX, ID_SIZE_BOX, ID_SAMPLE_BOX };

class CBoxesDlg : public CDialogImpl<CBoxesDlg>, public CWindowLayoutManager<CBoxesDlg, WM_APP, CTestLayout> {
public:
    CTestSetting setting;
    CNamedInts weights;
    std::vector<CTestCharSet> charSets = {{false, ANSI_CHARSET, L"Western"}, {false, SHIFTJIS_CHARSET, L"Japanese"},
                                          {true, SHIFTJIS_CHARSET, L"@Japanese"}};
    CComboBoxCharSet<CTestSetting, CTestCharSet> charSet;
    CComboBoxEnum<CTestSetting> weight;
    CComboBoxInt<CTestSetting, 1, 255> size;
    CComboBoxString<CTestSetting, CTestMru> sample;
    int changes = 0, errorChanges = 0, enters = 0;

    BEGIN_MSG_MAP(CBoxesDlg)
        MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
        CHAIN_MSG_MAP(CWindowLayoutManager)
        REFLECT_NOTIFICATIONS()
    END_MSG_MAP()

    LRESULT OnInitDialog(UINT, WPARAM, LPARAM, BOOL&)
    {
        m_layout = &setting.Layout;
        PostMessage(WM_APP);
        ApplyLayout(LAYOUT_CLAMP);
        charSet.Attach(GetDlgItem(ID_CHARSET_BOX), &setting, &charSets, [](const CTestSetting& s) { return s.CharSet; },
                       [](CTestSetting& s, int v) { s.CharSet = v; }, [](const CTestSetting& s) { return s.Tategaki; },
                       [](CTestSetting& s, int v) { s.Tategaki = v; });
        charSet.Fill();
        charSet.SelectCurrent();
        charSet.AddValueChangedListener(this, &CBoxesDlg::OnChanged);
        weights.Add(0, 0);
        weights.Add(0, 400);
        weights.Add(0, 700);
        weight.Attach(GetDlgItem(ID_WEIGHT_BOX), &setting, [](const CTestSetting& s) { return s.Weight; },
                      [](CTestSetting& s, int v) { s.Weight = v; }, &weights);
        weight.Fill();
        weight.SelectCurrent();
        weight.AddValueChangedListener(this, &CBoxesDlg::OnChanged);
        size.Attach(GetDlgItem(ID_SIZE_BOX), &setting, [](const CTestSetting& s) { return s.Size; },
                    [](CTestSetting& s, int v) { s.Size = v; });
        FillComboRange(size, 7, 48, 1, 0);
        size.ShowValue();
        size.AddValueChangedListener(this, &CBoxesDlg::OnChanged);
        AddMemfunListener(size.ErrorStateListeners, this, &CBoxesDlg::OnError);
        sample.Attach(GetDlgItem(ID_SAMPLE_BOX), &setting, [](const CTestSetting& s) { return s.Sample; },
                      [](CTestSetting& s, const std::wstring& v) { s.Sample = v; }, &setting.Samples);
        for (const wchar_t* t : {L"abc", L"ab", L"xyz"})
            setting.Samples.Items.push_back(boost::shared_ptr<std::wstring>(new std::wstring(t)));
        sample.Rebuild();
        sample.ShowValue();
        sample.AddValueChangedListener(this, &CBoxesDlg::OnChanged);
        AddMemfunListener(sample.EnterListeners, this, &CBoxesDlg::OnEnter);
        return TRUE;
    }
    void OnChanged(UINT32, UINT32) { ++changes; }
    void OnError(UINT32, UINT32) { ++errorChanges; }
    void OnEnter(UINT32, UINT32) { ++enters; }
    // As a user types: the edit field tells the combo, the combo its parent.
    static void Type(CEditW edit, const wchar_t* text)
    {
        edit.SetSel(0, -1);
        edit.ReplaceSel(text);
    }
    void Reflect(int id, WORD code) { SendMessage(WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(GetDlgItem(id))); }
};

CDialogTemplateBuilder BoxesTemplate()
{
    CDialogTemplateBuilder t(WS_POPUP | WS_BORDER | WS_VISIBLE, 200, 120);
    t.Add(L"COMBOBOX", L"", ID_CHARSET_BOX, CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, 5, 5, 100, 80);
    t.Add(L"COMBOBOX", L"", ID_WEIGHT_BOX, CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, 5, 20, 100, 80);
    t.Add(L"COMBOBOX", L"", ID_SIZE_BOX, CBS_DROPDOWN | WS_VSCROLL | WS_TABSTOP, 5, 35, 100, 80);
    t.Add(L"COMBOBOX", L"", ID_SAMPLE_BOX, CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_VSCROLL | WS_TABSTOP, 5, 50, 100, 80);
    return t;
}

} // namespace

TEST(FoundationsWindow, BoundBoxesCommitChangedValuesOnly)
{
    CTestFrame frame;
    REQUIRE_WINDOW(frame.m_hWnd);
    CRecordingSink sink;
    CBoxesDlg dlg;
    CDialogTemplateBuilder t = BoxesTemplate();
    ASSERT_TRUE(dlg.CreateIndirect(t.Get(), frame.m_hWnd));
    PumpMessages();

    // Character set: a vertical entry of the same set changes one field and tells once.
    EXPECT_EQ(0, dlg.charSet.GetCurSel());
    dlg.charSet.SetCurSel(2);
    dlg.Reflect(ID_CHARSET_BOX, CBN_SELCHANGE);
    EXPECT_EQ(SHIFTJIS_CHARSET, dlg.setting.CharSet);
    EXPECT_EQ(1, dlg.setting.Tategaki);
    EXPECT_EQ(1, dlg.changes);
    dlg.Reflect(ID_CHARSET_BOX, CBN_SELENDCANCEL);
    EXPECT_EQ(1, dlg.changes);

    // Enum: the choice is stored once the posted message arrives.
    dlg.weight.SetCurSel(2);
    dlg.Reflect(ID_WEIGHT_BOX, CBN_SELCHANGE);
    EXPECT_EQ(0, dlg.setting.Weight);
    PumpMessages();
    EXPECT_EQ(700, dlg.setting.Weight);
    EXPECT_EQ(2, dlg.changes);

    // Int: a number out of bounds stays in the box as an error, no exception leaves it.
    CBoxesDlg::Type(dlg.size.Edit, L"-300");
    PumpMessages();
    EXPECT_EQ(22, dlg.setting.Size);
    EXPECT_TRUE(dlg.size.HasError);
    EXPECT_EQ(static_cast<UINT>(IDS_NUMBER_TOO_SMALL), dlg.size.Error.id);
    EXPECT_EQ(1, dlg.errorChanges);
    EXPECT_EQ(static_cast<UINT>(IDS_NUMBER_TOO_SMALL), ThrownId([&] { dlg.size.Commit(true); }));
    CBoxesDlg::Type(dlg.size.Edit, L"30");
    PumpMessages();
    EXPECT_EQ(30, dlg.setting.Size);
    EXPECT_FALSE(dlg.size.HasError);
    EXPECT_EQ(2, dlg.errorChanges);
    EXPECT_EQ(3, dlg.changes);
    dlg.size.SetCurSel(0);
    dlg.Reflect(ID_SIZE_BOX, CBN_SELCHANGE);
    EXPECT_EQ(7, dlg.setting.Size);

    // String: typing commits at once; a prefix of a used text is not completed.
    CBoxesDlg::Type(dlg.sample.Edit, L"a");
    EXPECT_EQ(L"a", dlg.setting.Sample);
    EXPECT_EQ(CB_ERR, dlg.sample.SendMessage(CB_FINDSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(L"a")));
    EXPECT_EQ(1, dlg.sample.SendMessage(CB_FINDSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(L"ab")));
    // The wheel steps through the used texts; Enter in the edit field is consumed.
    CBoxesDlg::Type(dlg.sample.Edit, L"ab");
    dlg.sample.SendMessage(WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA)), 0);
    EXPECT_EQ(L"xyz", dlg.setting.Sample);
    // A step with the list dropped, then a close without a choice: text and value come back.
    dlg.sample.ShowDropDown(TRUE);
    dlg.sample.Edit.SendMessage(WM_KEYDOWN, VK_UP, 0);
    EXPECT_EQ(L"ab", dlg.setting.Sample);
    dlg.sample.ShowDropDown(FALSE);
    PumpMessages();
    EXPECT_EQ(L"xyz", dlg.setting.Sample);
    EXPECT_EQ(L"xyz", dlg.sample.GetWindowText());
    CBoxesDlg::Type(dlg.sample.Edit, L"typed");
    dlg.sample.Edit.SendMessage(WM_KEYDOWN, VK_RETURN, 1);
    dlg.sample.Edit.SendMessage(WM_CHAR, L'\r', 1);
    EXPECT_EQ(1, dlg.enters);
    EXPECT_EQ(L"typed", dlg.setting.Sample);
    EXPECT_TRUE(sink.errors.empty());
    dlg.DestroyWindow();
}

TEST(FoundationsWindow, LayoutIsRecordedOnlyAfterInitialisation)
{
    CTestFrame frame;
    REQUIRE_WINDOW(frame.m_hWnd);
    CBoxesDlg dlg;
    dlg.setting.Layout.Rect = RECT{-5000, 40, -5000 + 300, 40 + 200};  // on a monitor that is gone
    CDialogTemplateBuilder t = BoxesTemplate();
    ASSERT_TRUE(dlg.CreateIndirect(t.Get(), frame.m_hWnd));
    RECT placed;
    dlg.GetWindowRect(&placed);
    const RECT screen = GetVirtualScreenRect();
    EXPECT_EQ(screen.left, placed.left);
    EXPECT_EQ(300, placed.right - placed.left);
    EXPECT_EQ(-5000, dlg.setting.Layout.Rect.left);  // not recorded while initialising
    PumpMessages();
    EXPECT_FALSE(dlg.m_initializing);
    dlg.SetWindowPos(nullptr, 30, 50, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    EXPECT_EQ(30, dlg.setting.Layout.Rect.left);
    EXPECT_EQ(50, dlg.setting.Layout.Rect.top);
    EXPECT_FALSE(dlg.setting.Layout.Maximized);
    dlg.DestroyWindow();
}

// Drawing held off for a batch of changes shows no hidden window (the main
// window appeared before its stored layout) and shows a shown one again.
TEST(FoundationsWindow, RedrawSuspensionLeavesTheWindowAsShownAsItWas)
{
    for (const bool shown : {false, true}) {
        HWND w = CreateWindowExW(0, L"STATIC", L"", WS_POPUP | (shown ? WS_VISIBLE : 0), 0, 0, 10, 10, nullptr,
                                 nullptr, nullptr, nullptr);
        ASSERT_TRUE(w);
        { CRedrawSuspension batch(w); }
        EXPECT_EQ(shown, IsWindowVisible(w) != FALSE);
        DestroyWindow(w);
    }
}
