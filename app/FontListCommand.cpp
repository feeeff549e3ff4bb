// The font command: the font list dialog over a copy of the settings' own
// record of it, the chosen font taken back on OK. The record is stored back
// whatever the dialog ended with (filters, sample texts, window place).
#include "app/Command.h"
#include "app/CommandView.h"
#include "app/FontListDlg.h"
#include "app/FontListText.h"
#include "decoration/Setting.h"
#include "outline/FontNames.h"

namespace knt {

INT_PTR CCommandSelectFont::RunDialog(CFontListDlg& dlg)
{
    // Owned by the main window, whatever window is active: the window stays
    // disabled, so no other command runs under the dialog.
    HWND owner = GetCommandView().GetViewWindow();
    return dlg.DoModal(owner ? owner : ::GetActiveWindow());
}

void CCommandSelectFont::Execute(bool doIt)
{
    if (!doIt)
        return;
    CSetting& setting = GetSetting();
    CCommandView& view = GetCommandView();
    CFontListDlg dlg;
    dlg.Setting = setting.FontListDlg;
    dlg.Setting.Type = FontType3::VECTOR;  // the renderers draw outlines only
    int charSet = 0;
    bool vertical = false;
    if (view.GetSelectedCharSet(charSet, vertical)) {
        dlg.Setting.CharSet = charSet;
        dlg.Setting.Tategaki = vertical ? 1 : 0;
    }
    AddSampleTexts(dlg.Setting.SampleTexts, setting.Text);
    setting.FontSetting.ToLogFont(dlg.SelectedFont);

    const INT_PTR result = RunDialog(dlg);
    setting.FontListDlg = dlg.Setting;
    const bool ok = result == IDOK;
    if (ok) {
        const std::wstring face = GetFaceName(dlg.SelectedFont);
        if (!face.empty()) {
            CFontSetting& font = setting.FontSetting;
            font.CharSet = dlg.SelectedFont.lfCharSet;
            font.FontFace = face;
            font.Weight = dlg.SelectedFont.lfWeight;
            font.Italic = dlg.SelectedFont.lfItalic != 0;
        }
        view.InitControls(false);
    }
    // The dialog's record changed either way: the settings file keeps it.
    view.RequestPreview(ok);
}

} // namespace knt
