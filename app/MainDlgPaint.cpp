// The main window's paint buttons: the paint dialog of the text face and of
// each decoration row, and the colour dialog of the background. Every change
// in the dialog is applied at once (settings, paint button, colour box,
// preview); whatever the dialog ends with, its listener has the last word.
#include "app/MainDlg.h"
#include "app/PaintDlg.h"
#include "decoration/Setting.h"
#include "foundation/NamedValues.h"
#include "platform/ScopedFlag.h"

namespace knt {

namespace {

// What a paint dialog edits, for its listener to find.
struct CPaintTarget {
    int row;            // -1: the text face
    int colorId;        // the colour box that shows the paint's colour
    CPaintSetting* paint;
    CPaintButton* button;
};

} // namespace

LRESULT CMainDlg::OnPaintButton(WORD, WORD id, HWND, BOOL&)
{
    CPaintTarget target = {-1, IDC_FONT_COLOR, &m_setting.PaintSetting, &m_facePaint};
    if (id != IDC_FONT_PAINT) {
        const int row = static_cast<int>(id) - IDC_DECO_PAINT;
        if (row < 0 || row >= kDecorationRows || static_cast<size_t>(row) >= m_setting.Borderings.size())
            return 0;
        target = {row, IDC_DECO_COLOR + row, &m_setting.Borderings[static_cast<size_t>(row)].Paint, &m_rowPaints[row]};
    }

    // Applies the sheet's paint to the target; a local class may reach what
    // this member function reaches.
    class CApply : public CEventListener {
    public:
        explicit CApply(CMainDlg& dlg) : m_dlg(dlg) {}
        void OnEvent(UINT32 sender, UINT32) override
        {
            const CPaintDlg* sheet = EventPointer<CPaintDlg>(sender);
            const CPaintTarget& t = *static_cast<const CPaintTarget*>(sheet->Tag);
            *t.paint = sheet->CurrentPaint;
            bool schedule = true;
            if (t.row < 0)
                m_dlg.m_setting.FontSetting.Color = t.paint->Color;
            t.button->SetPaint(*t.paint);
            {
                CScopedFlag filling(m_dlg.m_filling);
                SetComboText(m_dlg.GetDlgItem(t.colorId), FormatColorHex(t.paint->Color));
            }
            if (t.row >= 0) {
                m_dlg.SelectMatchingPreset(t.row);
                schedule = m_dlg.m_setting.UseBorderings[static_cast<size_t>(t.row)] != 0;
            }
            m_dlg.RequestPreview(schedule);
        }
    private:
        CMainDlg& m_dlg;
    };

    CPaintDlg dlg;
    dlg.SetPaint(*target.paint);
    dlg.Tag = &target;
    AddEventListener(dlg.Listeners, boost::shared_ptr<CEventListener>(new CApply(*this)));
    dlg.Run(::GetActiveWindow());
    return 0;
}

LRESULT CMainDlg::OnBkPaintButton(WORD, WORD, HWND, BOOL&)
{
    class CApply : public CEventListener {
    public:
        explicit CApply(CMainDlg& dlg) : m_dlg(dlg) {}
        void OnEvent(UINT32 sender, UINT32) override
        {
            const COLORREF color = EventPointer<CColorDlg>(sender)->MonoPage.GetColor();
            m_dlg.m_setting.BkColor = color;
            {
                CScopedFlag filling(m_dlg.m_filling);
                SetComboText(m_dlg.GetDlgItem(IDC_BK_COLOR), FormatColorHex(color));
            }
            CPaintSetting background;
            background.Color = color;
            m_dlg.m_bkPaint.SetPaint(background);
            m_dlg.RequestPreview(true);
        }
    private:
        CMainDlg& m_dlg;
    };

    CColorDlg dlg;
    dlg.MonoPage.SetInitialColor(m_setting.BkColor, true);
    AddEventListener(dlg.Listeners, boost::shared_ptr<CEventListener>(new CApply(*this)));
    dlg.Run(::GetActiveWindow());
    return 0;
}

} // namespace knt
