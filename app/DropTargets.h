// The main window's two drop targets. Files dropped anywhere on the window
// are opened as decoration settings (the DropOpen command); a file dropped
// on the text box is read as the text (DropText), and the text box is framed
// while a drag is over it. Only shell items ("Shell IDList Array") are taken;
// dragged text is refused. During the drag a target lets its command read
// the dragged items and test whether it could run, which decides the effect;
// on the drop it only posts the command (388 or 389) to the main window, so
// that the command's boxes and dialogs never open inside the OLE drag loop.
#pragma once
#include "ui/DropTarget.h"
#include <boost/shared_ptr.hpp>

namespace knt {

class CDropCtrler : public CDropCtrlerImpl {
protected:
    void HandleDrop(DWORD keys, POINTL point, DWORD* effect, bool drop) override;
};

class CEditDropCtrler : public CDropCtrlerImpl {
protected:
    void OnDragLeave() override;
    void HandleDrop(DWORD keys, POINTL point, DWORD* effect, bool drop) override;
};

// Both targets of the main window, with their registration. The window's
// registration holds COM references; the targets live until the owner lets go.
class CMainDropTargets {
public:
    // After the text box exists: the window's target, then the text box's.
    void Register(HWND dialog, HWND edit);
    // Before the rest of the window's teardown: the text box's, then the window's.
    void Revoke();

    boost::shared_ptr<CComObjectOnlyInterface<CDropCtrler> > Dialog;
    boost::shared_ptr<CComObjectOnlyInterface<CEditDropCtrler> > Edit;
};

} // namespace knt
