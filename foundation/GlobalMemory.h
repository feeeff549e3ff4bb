// Movable global-memory blocks: the owner of one block and a scoped lock of
// one. The clipboard, OLE and streams over global memory take such blocks; a
// block handed to one of them is detached first so that it is freed once.
#pragma once
#include <windows.h>

class CGlobalMemory {
public:
    CGlobalMemory() = default;
    explicit CGlobalMemory(HGLOBAL block) : m_block(block) {}
    virtual ~CGlobalMemory() { Free(); }
    CGlobalMemory(const CGlobalMemory&) = delete;
    CGlobalMemory& operator=(const CGlobalMemory&) = delete;

    // Frees the block held before; true when a new block was obtained.
    bool Alloc(SIZE_T size, UINT flags = GMEM_MOVEABLE)
    {
        Free();
        m_block = ::GlobalAlloc(flags, size);
        return m_block != nullptr;
    }
    // Takes over a block, freeing the one held before.
    void Attach(HGLOBAL block)
    {
        if (block != m_block)
            Free();
        m_block = block;
    }
    // Gives the block up without freeing it.
    HGLOBAL Detach()
    {
        HGLOBAL block = m_block;
        m_block = nullptr;
        return block;
    }
    void Free()
    {
        if (m_block) {
            ::GlobalFree(m_block);
            m_block = nullptr;
        }
    }
    HGLOBAL Get() const { return m_block; }
    operator HGLOBAL() const { return m_block; }

private:
    HGLOBAL m_block = nullptr;
};

class CGlobalLocker {
public:
    CGlobalLocker() = default;
    // Locks the block; the pointer receives the address, or null on failure.
    CGlobalLocker(void*& pointer, HGLOBAL block) { pointer = Lock(block); }
    virtual ~CGlobalLocker() { Unlock(); }
    CGlobalLocker(const CGlobalLocker&) = delete;
    CGlobalLocker& operator=(const CGlobalLocker&) = delete;

    // Unlocks a block held before; the block is held only when the lock succeeds.
    void* Lock(HGLOBAL block)
    {
        Unlock();
        void* p = block ? ::GlobalLock(block) : nullptr;
        if (p)
            m_block = block;
        return p;
    }
    bool TryLock(void*& pointer, HGLOBAL block)
    {
        pointer = Lock(block);
        return pointer != nullptr;
    }
    void Unlock()
    {
        if (m_block) {
            ::GlobalUnlock(m_block);
            m_block = nullptr;
        }
    }
    bool IsLocked() const { return m_block != nullptr; }

private:
    HGLOBAL m_block = nullptr;
};
