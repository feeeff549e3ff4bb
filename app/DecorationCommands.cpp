// The commands of a decoration row's menu: move the row up or down, copy it
// to the clipboard, paste the clipboard's decoration into it.
#include "app/Command.h"
#include "app/CommandView.h"
#include "decoration/SettingXml.h"
#include "foundation/Clipboard.h"
#include "resources/strings_app.h"
#include <string>
#include <utility>

namespace knt {

const wchar_t kBorderingsClipboardFormat[] = L"Zevrand Kantelo Borderings";

namespace {

void CheckRowIndex(int index, int target)
{
    const int rows = static_cast<int>(GetSetting().Borderings.size());
    if (index < 0 || index >= rows || target < 0 || target >= rows)
        throw my::CException(IDS_DECO_INDEX_INVALID, std::to_wstring(index));
}

// Registered at each use: the name is the format's identity, the number is
// only this session's.
UINT BorderingsFormat() { return ClipboardRegisterFormat(kBorderingsClipboardFormat); }

} // namespace

void CCommandMoveDeco::Execute(bool doIt)
{
    const int target = Up ? Index - 1 : Index + 1;
    CheckRowIndex(Index, target);
    if (!doIt)
        return;
    // The decorations change places; the rows' on/off switches stay.
    std::vector<CBorderingSetting>& rows = GetSetting().Borderings;
    std::swap(rows[Index], rows[target]);
    CCommandView& view = GetCommandView();
    view.RefreshDecorationRow(target);
    view.RefreshDecorationRow(Index);
    view.RequestPreview(true);
}

void CCommandCopyDeco::Execute(bool doIt)
{
    CheckRowIndex(Index, Index);
    if (!doIt)
        return;
    CSettingXmlWriter writer;
    CGlobalMemory block(writer.WriteBorderingSettings(GetSetting().Borderings[Index]));
    if (!block.Get())
        throw my::CException(writer.GetError());
    const UINT format = BorderingsFormat();
    CClipboardOpener clipboard(GetCommandView().GetViewWindow());
    ClipboardEmpty();
    ClipboardSetData(format, block);
}

void CCommandPasteDeco::Execute(bool doIt)
{
    CheckRowIndex(Index, Index);
    const UINT format = BorderingsFormat();
    ClipboardGetPriorityFormat(std::vector<UINT>(1, format), true);
    if (!doIt)
        return;
    CBorderingSetting pasted;
    {
        // Closed on every path, before the window redraws.
        CClipboardOpener clipboard(GetCommandView().GetViewWindow());
        CSettingXmlReader reader;
        if (!reader.ReadBorderingSettings(pasted, static_cast<HGLOBAL>(ClipboardGetData(format))))
            throw my::CException(reader.GetError());
    }
    GetSetting().Borderings[Index] = pasted;
    CCommandView& view = GetCommandView();
    view.RefreshDecorationRow(Index);
    view.RequestPreview(true);
}

} // namespace knt
