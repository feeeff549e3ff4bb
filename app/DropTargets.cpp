#include "app/DropTargets.h"
#include "app/Command.h"
#include "app/CommandView.h"
#include "foundation/GuardedRunner.h"
#include "resources/main_window.h"

namespace knt {

namespace {

CCommandSet& Commands()
{
    CCommandSet* set = GetCommandSet();
    if (!set)
        ThrowInternalError(L"no command set");
    return *set;
}

// The dragged items into the command; a data object without shell items
// (dragged text, for example) leaves an error there instead of throwing.
template <class TCommand>
void Extract(TCommand& command, IDataObject* data)
{
    command.Items.clear();
    CatchToError(command.PendingError, [&] { ReadIDListsFromDataObject(data, command.Items, false); });
}

// A refused drop (the cursor said so) posts nothing: dropping it does nothing.
void PostCommand(WORD id) { PostMessageW(GetCommandView().GetViewWindow(), WM_COMMAND, MAKEWPARAM(id, 0), 0); }

// Clears the text box's frame when the drop ends, however it ends.
class CHighlightClearer {
public:
    explicit CHighlightClearer(bool active) : m_active(active) {}
    ~CHighlightClearer()
    {
        if (m_active)
            GetCommandView().SetDropHighlight(-1);
    }
private:
    bool m_active;
};

} // namespace

void CDropCtrler::HandleDrop(DWORD keys, POINTL point, DWORD* effect, bool drop)
{
    *effect = DROPEFFECT_COPY;
    CCommandDropOpen& command = *Commands().DropOpen;
    Extract(command, GetDataObject());
    if (!command.RunAndTest())
        *effect = DROPEFFECT_NONE;
    if (drop && *effect != DROPEFFECT_NONE)
        PostCommand(IDM_DROP_OPEN);
}

void CEditDropCtrler::OnDragLeave() { GetCommandView().SetDropHighlight(-1); }

void CEditDropCtrler::HandleDrop(DWORD keys, POINTL point, DWORD* effect, bool drop)
{
    *effect = DROPEFFECT_COPY;
    CHighlightClearer clearer(drop);
    GetCommandView().SetDropHighlight(IDC_TEXT);
    CCommandDropText& command = *Commands().DropText;
    Extract(command, GetDataObject());
    if (!command.RunAndTest())
        *effect = DROPEFFECT_NONE;
    if (drop && *effect != DROPEFFECT_NONE)
        PostCommand(IDM_DROP_TEXT);
}

void CMainDropTargets::Register(HWND dialog, HWND edit)
{
    Dialog.reset(new CComObjectOnlyInterface<CDropCtrler>);
    Dialog->CreateDragImageHelper();
    Dialog->Register(dialog);
    Edit.reset(new CComObjectOnlyInterface<CEditDropCtrler>);
    Edit->CreateDragImageHelper();
    Edit->Register(edit);
}

void CMainDropTargets::Revoke()
{
    if (Edit)
        Edit->Revoke();
    if (Dialog)
        Dialog->Revoke();
}

} // namespace knt
