// The exception that carries a bare HRESULT (the framework's own failures,
// for example a critical section that cannot be initialised). The guarded
// runner turns it into a message with the HRESULT's system text.
#pragma once
#include <windows.h>

namespace ATL {

class CAtlException {
public:
    HRESULT m_hr;
    explicit CAtlException(HRESULT hr = E_FAIL) : m_hr(hr) {}
    operator HRESULT() const { return m_hr; }
};

[[noreturn]] inline void AtlThrow(HRESULT hr) { throw CAtlException(hr); }

} // namespace ATL
