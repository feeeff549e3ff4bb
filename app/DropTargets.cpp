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

// The dragged items into the command, whose check sets the cursor; a drop
// posts the command's id to the window. A data object without shell items
// (dragged text, for example) leaves an error in the command instead of
// throwing, and a refused drop (the cursor said so) posts nothing.
template <class TCommand>
void OfferDrop(TCommand& command, IDataObject* data, DWORD* effect, bool drop, WORD id)
{
    CDroppedItems& dropped = command;
    dropped.Items.clear();
    CatchToError(dropped.PendingError, [&] { ReadIDListsFromDataObject(data, dropped.Items, false); });
    *effect = command.RunAndTest() ? DROPEFFECT_COPY : DROPEFFECT_NONE;
    if (drop && *effect != DROPEFFECT_NONE)
        PostMessageW(GetCommandView().GetViewWindow(), WM_COMMAND, MAKEWPARAM(id, 0), 0);
}

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
    OfferDrop(*Commands().DropOpen, GetDataObject(), effect, drop, IDM_DROP_OPEN);
}

void CEditDropCtrler::OnDragLeave() { GetCommandView().SetDropHighlight(-1); }

void CEditDropCtrler::HandleDrop(DWORD keys, POINTL point, DWORD* effect, bool drop)
{
    CHighlightClearer clearer(drop);
    GetCommandView().SetDropHighlight(IDC_TEXT);
    OfferDrop(*Commands().DropText, GetDataObject(), effect, drop, IDM_DROP_TEXT);
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
