#include "foundation/ByteStream.h"
#include "platform/ComObject.h"
#include <boost/make_shared.hpp>
#include <boost/shared_ptr.hpp>
#include <algorithm>
#include <climits>
#include <cstring>
#include <new>

namespace {

typedef boost::shared_ptr<const std::vector<BYTE>> CBytesPtr;

class CByteStreamImpl : public IStream {
public:
    BEGIN_COM_MAP(CByteStreamImpl)
        COM_INTERFACE_ENTRY(IStream)
        COM_INTERFACE_ENTRY(ISequentialStream)
    END_COM_MAP()

    CByteStreamImpl(CBytesPtr bytes, ULONGLONG position) : m_bytes(bytes), m_position(position) {}
    virtual ~CByteStreamImpl() = default;

    STDMETHOD(Read)(void* buffer, ULONG count, ULONG* read) override
    {
        if (read)
            *read = 0;
        if (!buffer && count)
            return STG_E_INVALIDPOINTER;
        const ULONGLONG size = m_bytes->size();
        const ULONG n = m_position >= size ? 0 : static_cast<ULONG>(std::min<ULONGLONG>(count, size - m_position));
        if (n)
            std::memcpy(buffer, m_bytes->data() + m_position, n);
        m_position += n;
        if (read)
            *read = n;
        return S_OK;
    }
    STDMETHOD(Write)(const void*, ULONG, ULONG* written) override
    {
        if (written)
            *written = 0;
        return STG_E_ACCESSDENIED;
    }
    STDMETHOD(Seek)(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* position) override
    {
        LONGLONG base;
        switch (origin) {
        case STREAM_SEEK_SET: base = 0; break;
        case STREAM_SEEK_CUR: base = static_cast<LONGLONG>(m_position); break;
        case STREAM_SEEK_END: base = static_cast<LONGLONG>(m_bytes->size()); break;
        default: return STG_E_INVALIDFUNCTION;
        }
        // Both terms lie below 2^63 in magnitude only for sane moves: a move
        // that would overflow is refused like one before the start.
        if ((move.QuadPart > 0 && base > LLONG_MAX - move.QuadPart) || base + move.QuadPart < 0)
            return STG_E_INVALIDFUNCTION;
        m_position = static_cast<ULONGLONG>(base + move.QuadPart);
        if (position)
            position->QuadPart = m_position;
        return S_OK;
    }
    STDMETHOD(SetSize)(ULARGE_INTEGER) override { return STG_E_ACCESSDENIED; }
    STDMETHOD(CopyTo)(IStream* target, ULARGE_INTEGER count, ULARGE_INTEGER* read, ULARGE_INTEGER* written) override
    {
        if (read)
            read->QuadPart = 0;
        if (written)
            written->QuadPart = 0;
        if (!target)
            return STG_E_INVALIDPOINTER;
        const ULONGLONG size = m_bytes->size();
        const ULONGLONG available = m_position >= size ? 0 : size - m_position;
        const ULONG n = static_cast<ULONG>(std::min<ULONGLONG>(std::min<ULONGLONG>(count.QuadPart, available), ~0UL));
        ULONG put = 0;
        const HRESULT hr = n ? target->Write(m_bytes->data() + m_position, n, &put) : S_OK;
        m_position += n;
        if (read)
            read->QuadPart = n;
        if (written)
            written->QuadPart = put;
        return hr;
    }
    STDMETHOD(Commit)(DWORD) override { return S_OK; }
    STDMETHOD(Revert)() override { return S_OK; }
    STDMETHOD(LockRegion)(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return STG_E_INVALIDFUNCTION; }
    STDMETHOD(UnlockRegion)(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return STG_E_INVALIDFUNCTION; }
    STDMETHOD(Stat)(STATSTG* stat, DWORD) override
    {
        if (!stat)
            return STG_E_INVALIDPOINTER;
        std::memset(stat, 0, sizeof *stat);
        stat->type = STGTY_STREAM;
        stat->cbSize.QuadPart = m_bytes->size();
        stat->grfMode = STGM_READ;
        return S_OK;
    }
    STDMETHOD(Clone)(IStream** clone) override
    {
        if (!clone)
            return STG_E_INVALIDPOINTER;
        *clone = nullptr;
        CComObject<CByteStreamImpl>* copy = new (std::nothrow) CComObject<CByteStreamImpl>(m_bytes, m_position);
        if (!copy)
            return E_OUTOFMEMORY;
        return copy->QueryInterface(__uuidof(IStream), reinterpret_cast<void**>(clone));
    }

private:
    CBytesPtr m_bytes;
    ULONGLONG m_position;
};

} // namespace

HRESULT CreateByteStream(CComPtr<IStream>& stream, std::vector<BYTE>&& bytes)
{
    stream.Release();
    try {
        CBytesPtr shared = boost::make_shared<const std::vector<BYTE>>(std::move(bytes));
        CComObject<CByteStreamImpl>* made = new CComObject<CByteStreamImpl>(shared, 0);
        return made->QueryInterface(__uuidof(IStream), reinterpret_cast<void**>(&stream));
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}
