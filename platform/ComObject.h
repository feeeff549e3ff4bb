// A small base for COM objects of our own: the interfaces an object answers
// are listed in its interface map; the reference count is interlocked.
// CComObjectOnlyInterface never deletes the object (its owner holds it);
// CComObject deletes it when the last reference goes.
//
//   class CDropTargetImpl : public IDropTarget {
//   public:
//       BEGIN_COM_MAP(CDropTargetImpl)
//           COM_INTERFACE_ENTRY(IDropTarget)
//       END_COM_MAP()
//       ... the IDropTarget methods, each catching everything ...
//   };
//   CComObjectOnlyInterface<CDropTargetImpl> target;
//
// The first entry also answers IUnknown. The COM methods here cannot throw.
#pragma once
#include <windows.h>
#include <objbase.h>
#include <cstddef>

struct CComInterfaceEntry {
    const IID* iid;  // null ends a map
    std::ptrdiff_t offset;
};

// The offset of interface I inside T (computed on a fake address, never dereferenced).
#define KNT_COM_OFFSET_(theClass, theInterface)                                                              \
    (reinterpret_cast<std::ptrdiff_t>(static_cast<theInterface*>(reinterpret_cast<theClass*>(0x100))) - 0x100)

#define BEGIN_COM_MAP(theClass)                                                                              \
    typedef theClass ComMapClass;                                                                            \
    static const CComInterfaceEntry* GetComInterfaceMap()                                                    \
    {                                                                                                        \
        static const CComInterfaceEntry map[] = {
#define COM_INTERFACE_ENTRY(theInterface) {&__uuidof(theInterface), KNT_COM_OFFSET_(ComMapClass, theInterface)},
#define END_COM_MAP()                                                                                        \
    {                                                                                                        \
        nullptr, 0                                                                                           \
    }                                                                                                        \
    }                                                                                                        \
    ;                                                                                                        \
    return map;                                                                                              \
    }

// The interface of the map that answers iid (IUnknown: the first entry).
inline HRESULT ComMapQueryInterface(void* object, const CComInterfaceEntry* map, REFIID iid, void** out)
{
    if (!out)
        return E_POINTER;
    *out = nullptr;
    if (!map || !map->iid)
        return E_NOINTERFACE;
    for (const CComInterfaceEntry* e = map; e->iid; ++e) {
        if (IsEqualIID(iid, *e->iid) || (e == map && IsEqualIID(iid, IID_IUnknown))) {
            *out = static_cast<char*>(object) + e->offset;
            return S_OK;
        }
    }
    return E_NOINTERFACE;
}

template <class T>
class CComObjectOnlyInterface : public T {
public:
    template <class... A>
    explicit CComObjectOnlyInterface(A&&... args) : T(static_cast<A&&>(args)...)
    {
    }
    STDMETHOD(QueryInterface)(REFIID iid, void** out) override
    {
        // The map's offsets count from the class that declares it, which may be a base of T.
        HRESULT hr = ComMapQueryInterface(static_cast<typename T::ComMapClass*>(this), T::GetComInterfaceMap(), iid, out);
        if (SUCCEEDED(hr))
            AddRef();
        return hr;
    }
    STDMETHOD_(ULONG, AddRef)() override { return static_cast<ULONG>(InterlockedIncrement(&m_refs)); }
    STDMETHOD_(ULONG, Release)() override { return static_cast<ULONG>(InterlockedDecrement(&m_refs)); }
    LONG GetRefCount() const { return m_refs; }

protected:
    volatile LONG m_refs = 0;
};

template <class T>
class CComObject : public CComObjectOnlyInterface<T> {
public:
    template <class... A>
    explicit CComObject(A&&... args) : CComObjectOnlyInterface<T>(static_cast<A&&>(args)...)
    {
    }
    virtual ~CComObject() = default;
    STDMETHOD_(ULONG, Release)() override
    {
        LONG n = InterlockedDecrement(&this->m_refs);
        if (n == 0)
            delete this;
        return static_cast<ULONG>(n);
    }
};
