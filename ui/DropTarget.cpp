#include "ui/DropTarget.h"
#include "foundation/GuardedRunner.h"
#include "foundation/Msg.h"

namespace {
// The shell's drag-image service; spelt here because the headers do not
// declare the class id.
const CLSID kClsidDragDropHelper = {0x4657278A, 0x411B, 0x11D2, {0x83, 0x9A, 0x00, 0xC0, 0x4F, 0xD9, 0x18, 0xD0}};
} // namespace

CDropCtrlerImpl::~CDropCtrlerImpl()
{
    m_data.Release();
    m_helper.Release();
}

template <class F>
bool CDropCtrlerImpl::Hook(F&& hook, CSimpleErr* error)
{
    my::CCtrlException record(nullptr, 0);
    CatchToError(record, hook);
    if (error)
        *error = record;
    return record.id == 0;
}

void CDropCtrlerImpl::Keep(IDataObject* data)
{
    // AddRef of the new one before the old one goes: they may be the same.
    CComPtr<IDataObject> kept(data);
    m_data = kept;
}

HRESULT STDMETHODCALLTYPE CDropCtrlerImpl::DragEnter(IDataObject* data, DWORD keys, POINTL point, DWORD* effect)
{
    if (!effect)
        return E_INVALIDARG;
    // Nothing here throws: the hooks run guarded, the rest are COM calls.
    Keep(data);
    if (!Hook([&] { OnDragEnter(keys, point); }))
        *effect = DROPEFFECT_NONE;
    if (!Hook([&] { HandleDrop(keys, point, effect, false); }))
        *effect = DROPEFFECT_NONE;
    if (m_helper) {
        POINT pt = {point.x, point.y};
        m_helper->DragEnter(m_target, data, &pt, *effect);
    }
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CDropCtrlerImpl::DragOver(DWORD keys, POINTL point, DWORD* effect)
{
    if (!effect)
        return E_INVALIDARG;
    if (!Hook([&] { HandleDrop(keys, point, effect, false); }))
        *effect = DROPEFFECT_NONE;
    if (m_helper) {
        POINT pt = {point.x, point.y};
        m_helper->DragOver(&pt, *effect);
    }
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CDropCtrlerImpl::DragLeave()
{
    Hook([&] { OnDragLeave(); });
    if (m_helper)
        m_helper->DragLeave();
    m_data.Release();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CDropCtrlerImpl::Drop(IDataObject* data, DWORD keys, POINTL point, DWORD* effect)
{
    if (!effect)
        return E_INVALIDARG;
    try {
        Keep(data);
        CSimpleErr error;
        if (!Hook([&] { HandleDrop(keys, point, effect, true); }, &error)) {
            *effect = DROPEFFECT_NONE;
            if (ErrorSink)
                ErrorSink->ShowError(error);
        }
        if (m_helper) {
            POINT pt = {point.x, point.y};
            m_helper->Drop(data, &pt, *effect);
        }
    } catch (...) {
        *effect = DROPEFFECT_NONE;
    }
    m_data.Release();
    return S_OK;
}

void CDropCtrlerImpl::CreateDragImageHelper()
{
    if (m_helper)
        return;
    IDropTargetHelper* helper = nullptr;
    if (SUCCEEDED(CoCreateInstance(kClsidDragDropHelper, nullptr, CLSCTX_INPROC_SERVER, IID_IDropTargetHelper,
                                   reinterpret_cast<void**>(&helper))))
        m_helper.Attach(helper);
}

HRESULT CDropCtrlerImpl::Register(HWND window)
{
    const HRESULT hr = RegisterDragDrop(window, this);
    if (SUCCEEDED(hr))
        m_target = window;
    return hr;
}

void CDropCtrlerImpl::Revoke()
{
    if (!m_target)
        return;
    RevokeDragDrop(m_target);
    m_target = nullptr;
}
