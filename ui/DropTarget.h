// An OLE drop target for one window. It keeps the dragged data object from
// DragEnter (or a Drop without an enter) until DragLeave or the end of Drop,
// lets the system's drag-image service draw over the window, and hands the
// decisions to three hooks that subclasses override: the enter and leave
// hooks, and the drop hook, which sets the effect during the drag (drop
// false) and acts on the drop (drop true).
//
// Every hook runs through the guarded runner: a hook that throws gives the
// effect DROPEFFECT_NONE (and, in Drop, a message through the error sink
// when one is set), and nothing leaves a COM method. The object's lifetime
// belongs to its owner: a subclass is made as CComObjectOnlyInterface<T>
// (platform/ComObject.h), whose Release never deletes it.
#pragma once
#include "platform/ComObject.h"
#include "platform/ComPtr.h"
#include <windows.h>
#include <ole2.h>
#include <shlobj.h>

class CMsg;
class CSimpleErr;

class CDropCtrlerImpl : public IDropTarget {
public:
    CDropCtrlerImpl() = default;
    virtual ~CDropCtrlerImpl();
    CDropCtrlerImpl(const CDropCtrlerImpl&) = delete;
    CDropCtrlerImpl& operator=(const CDropCtrlerImpl&) = delete;

    // IUnknown answers IDropTarget only.
    BEGIN_COM_MAP(CDropCtrlerImpl)
        COM_INTERFACE_ENTRY(IDropTarget)
    END_COM_MAP()

    // IDropTarget; every one returns S_OK (E_INVALIDARG for a null effect).
    HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD keys, POINTL point, DWORD* effect) override;
    HRESULT STDMETHODCALLTYPE DragOver(DWORD keys, POINTL point, DWORD* effect) override;
    HRESULT STDMETHODCALLTYPE DragLeave() override;
    HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD keys, POINTL point, DWORD* effect) override;

    bool HasDataObject() const { return m_data.Get() != nullptr; }
    IDataObject* GetDataObject() const { return m_data; }

    // Makes the drag-image service when there is none yet; a failure leaves
    // the target without one.
    void CreateDragImageHelper();
    // RegisterDragDrop for the window; the window is kept only on success.
    HRESULT Register(HWND window);
    // RevokeDragDrop when registered.
    void Revoke();
    HWND GetTargetWindow() const { return m_target; }

    // Shows the error of a failed drop; none by default.
    CMsg* ErrorSink = nullptr;

protected:
    virtual void OnDragEnter(DWORD keys, POINTL point) {}
    virtual void OnDragLeave() {}
    virtual void HandleDrop(DWORD keys, POINTL point, DWORD* effect, bool drop) { *effect = DROPEFFECT_NONE; }

private:
    void Keep(IDataObject* data);
    // The hook through the guarded runner; false when it threw.
    template <class F>
    bool Hook(F&& hook, CSimpleErr* error = nullptr);

    HWND m_target = nullptr;
    CComPtr<IDropTargetHelper> m_helper;
    CComPtr<IDataObject> m_data;
};
