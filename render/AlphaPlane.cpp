#include "render/AlphaPlane.h"

unsigned long long CAlphaPlane::Bytes(int width, int height)
{
    const unsigned long long stride = (static_cast<unsigned long long>(width) + 15) & ~15ULL;
    return stride * static_cast<unsigned long long>(height);
}

bool CAlphaPlane::Create(int width, int height)
{
    Free();
    if (width <= 0 || height <= 0)
        return false;
    const unsigned long long bytes = Bytes(width, height);
    if (bytes > 0x7FFFFFFFULL)
        return false;
    // Fresh pages come zeroed, and a page nobody writes to costs no memory.
    m_bits = static_cast<uint8_t*>(
        ::VirtualAlloc(nullptr, static_cast<SIZE_T>(bytes), MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    if (!m_bits)
        return false;
    m_width = width;
    m_height = height;
    m_stride = static_cast<int>((width + 15) & ~15);
    return true;
}

void CAlphaPlane::Free()
{
    if (m_bits)
        ::VirtualFree(m_bits, 0, MEM_RELEASE);
    m_bits = nullptr;
    m_width = m_height = m_stride = 0;
}
