// A hard-edged mask kept as runs of set pixels, the raster engine's working
// form of a glyph and of its decoration layers at ten times the output
// resolution. A glyph's cell at that resolution holds millions of pixels but
// a few thousand runs: filling, uniting and reducing its layers as runs
// costs their edges, where a plane of bytes costs every pixel (and its
// memory traffic) several times a layer.
#pragma once
#include "render/CoverageBlock.h"
#include "platform/ThreadLocal.h"
#include <windows.h>
#include <cstddef>
#include <new>
#include <vector>

// The calling thread's own T, kept for the thread's life: the engine's
// passes keep their scratch vectors here, because allocations from several
// threads would queue on the heap's one lock under Wine. Take it once per
// call. Not a thread_local: the window's worker ends after every job, and a
// thread_local vector's storage is freed before its destructor runs then
// (platform/ThreadLocal.h).
template <class T>
T& ThreadScratch()
{
    static CThreadLocal<T> slot;
    return slot.Get();
}

// Room for the masks straight from the system, a page at least: the
// process heap keeps what it has once held (under Wine it does not give
// small blocks back), and the masks' room, freed when the glyph pass ends,
// would add to the peak of the stages after it.
template <class T>
struct CSystemAllocator {
    typedef T value_type;
    CSystemAllocator() = default;
    template <class U>
    CSystemAllocator(const CSystemAllocator<U>&)
    {
    }
    T* allocate(size_t n)
    {
        void* p = ::VirtualAlloc(nullptr, n * sizeof(T), MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
        if (!p)
            throw std::bad_alloc();
        return static_cast<T*>(p);
    }
    void deallocate(T* p, size_t) { ::VirtualFree(p, 0, MEM_RELEASE); }
    template <class U>
    bool operator==(const CSystemAllocator<U>&) const
    {
        return true;
    }
    template <class U>
    bool operator!=(const CSystemAllocator<U>&) const
    {
        return false;
    }
};
template <class T>
using CSystemVector = std::vector<T, CSystemAllocator<T> >;

// Pixels a .. b (both included) of one row.
struct CRun {
    int a, b;
};

// Each row's set pixels as runs left to right that neither overlap nor touch
// (the maximal runs), and the rectangle its writers were allowed to touch
// ("dirty"): rows outside it hold no run, and the reduction counts the
// blocks that hold it.
//
// A mask is written row by row, top to bottom: Begin with the dirty rows,
// Append each row's runs left to right, End with the dirty columns.
class CRunMask {
public:
    // An empty mask of width x height pixels; the room of its runs is kept.
    void Reset(int width, int height);
    // The room its runs take.
    unsigned long long Bytes() const { return m_runs.capacity() * sizeof(CRun) + m_rows.capacity() * sizeof(int); }

    // Starts the runs anew for rows [top, bottom) (clipped to the mask).
    void Begin(int top, int bottom);
    // Pixels a .. b of row y, which is no row above the last one given and
    // within [top, bottom); a is not left of the last run given on the row.
    // A run that overlaps or touches the one before on its row joins it.
    void Append(int y, int a, int b);
    // Ends the runs with the dirty columns [left, right) (clipped to the
    // mask); the mask is clean when they or the rows are empty.
    void End(int left, int right);

    int Width() const { return m_width; }
    int Height() const { return m_height; }
    const RECT& Dirty() const { return m_dirty; }
    bool IsClean() const { return m_dirty.left >= m_dirty.right || m_dirty.top >= m_dirty.bottom; }
    // The runs of row y: [RowBegin, RowEnd), none outside the dirty rows.
    const CRun* RowBegin(int y) const { return Holds(y) ? m_runs.data() + m_rows[Index(y)] : nullptr; }
    const CRun* RowEnd(int y) const { return Holds(y) ? m_runs.data() + m_rows[Index(y) + 1] : nullptr; }

private:
    bool Holds(int y) const { return y >= m_dirty.top && y < m_dirty.bottom; }
    size_t Index(int y) const { return static_cast<size_t>(y - m_dirty.top); }

    int m_width = 0, m_height = 0;
    RECT m_dirty = {0, 0, 0, 0};
    CSystemVector<CRun> m_runs;
    CSystemVector<int> m_rows;  // row y's runs start at m_rows[y - top], the next row's at the entry after
    size_t m_started = 0;     // rows whose start is set, while the mask is written
};

// out := a | b over both dirty rectangles (out takes a's size; it may be
// neither a nor b).
void UniteRuns(CRunMask& out, const CRunMask& a, const CRunMask& b);

// The count of set pixels in each 10 x 10 block that holds the dirty
// rectangle, as coverage (count x 255 / 100, rounded): the exact area average
// of the ten-times mask. out's (x, y) is the place of its first block among
// the mask's blocks; laying moves it to the glyph's output pixel.
void ReduceRuns(const CRunMask& mask, CCoverageBlock& out);
