// An 8-bit plane of hard-edged pixels at ten times the output resolution:
// the plain form of a mask, which the run masks of the glyph pass
// (render/RunMask.h) are read from, painted into and checked against. A
// pixel is 0 (clear) or 0xFF (set); every writer keeps to those two values,
// which lets the reduction count set pixels with byte arithmetic.
//
// The plane remembers the rectangle its writers may have touched ("dirty"),
// so that clearing, scanning and reducing stay inside the shape and its
// margins instead of sweeping the whole plane.
#pragma once
#include "render/AlphaPlane.h"
#include "platform/ThreadLocal.h"
#include <windows.h>
#include <emmintrin.h>
#include <cstddef>
#include <cstdint>
#include <cstring>
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

// memset for the masks' spans: under Wine the runtime's memset stores four
// bytes at a time, this sixteen (the last store may overlap the one before).
inline void FillBytes(uint8_t* p, uint8_t value, size_t n)
{
    if (n < 16) {
        const uint32_t four = value * 0x01010101u;
        if (n >= 8) {
            std::memcpy(p, &four, 4);
            std::memcpy(p + 4, &four, 4);
            std::memcpy(p + n - 8, &four, 4);
            std::memcpy(p + n - 4, &four, 4);
        } else if (n >= 4) {
            std::memcpy(p, &four, 4);
            std::memcpy(p + n - 4, &four, 4);
        } else {
            for (size_t i = 0; i < n; ++i)
                p[i] = value;
        }
        return;
    }
    const __m128i v = _mm_set1_epi8(static_cast<char>(value));
    uint8_t* const last = p + n - 16;
    for (; p < last; p += 16) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v);
        // Hides the pointer's steps, or the compiler turns the loop back into a memset call.
        __asm__("" : "+r"(p));
    }
    _mm_storeu_si128(reinterpret_cast<__m128i*>(last), v);
}

class CMaskPlane {
public:
    CMaskPlane() = default;
    ~CMaskPlane();
    CMaskPlane(const CMaskPlane&) = delete;
    CMaskPlane& operator=(const CMaskPlane&) = delete;

    // Allocates a cleared plane; false (and no plane) when memory runs out or
    // a side is not positive.
    bool Create(int width, int height);
    void Free();

    int Width() const { return m_plane.Width(); }
    int Height() const { return m_plane.Height(); }
    // Bytes from one row to the next: the width rounded up to 16.
    int Stride() const { return m_plane.Stride(); }
    bool IsValid() const { return m_plane.IsValid(); }
    uint8_t* Row(int y) { return m_plane.Row(y); }
    const uint8_t* Row(int y) const { return m_plane.Row(y); }
    bool Get(int x, int y) const { return Row(y)[x] != 0; }

    // Where set pixels may be; empty (left >= right) when none.
    const RECT& Dirty() const { return m_dirty; }
    bool IsClean() const { return m_dirty.left >= m_dirty.right || m_dirty.top >= m_dirty.bottom; }
    // Widens the dirty rectangle by r (clipped to the plane).
    void MarkDirty(const RECT& r);
    void MarkAllDirty();
    // Clears the dirty rectangle and forgets it.
    void Clear();

private:
    CAlphaPlane m_plane;
    RECT m_dirty = {0, 0, 0, 0};
};

// out = a | b over both dirty rectangles. All three planes have one size;
// out may not be a or b.
void UniteMasks(CMaskPlane& out, const CMaskPlane& a, const CMaskPlane& b);

// One layer of one glyph at output resolution: coverage values (0..255) of a
// width x height block whose first value belongs to output pixel (x, y).
struct CCoverageBlock {
    int x = 0, y = 0;
    int width = 0, height = 0;  // 0 when there is nothing to lay
    std::vector<uint8_t> values;  // row by row
};

// The coverage of a 10 x 10 block with `count` (0..100) set pixels:
// count x 255 / 100, rounded.
extern const uint8_t* const kBlockCoverage;
inline uint8_t BlockCoverage(unsigned count) { return kBlockCoverage[count]; }

// Count of set pixels in each 10 x 10 block of the plane, as coverage
// (count x 255 / 100, rounded): the exact area average of the ten-times
// plane. The plane's block (0, 0) belongs to output pixel (x, y); blocks
// outside a target of targetWidth x targetHeight pixels are left out, and
// only the blocks that hold the dirty rectangle are counted. The plane's
// sides must be multiples of 10.
void ReduceMask(const CMaskPlane& plane, int x, int y, int targetWidth, int targetHeight, CCoverageBlock& out);

// The columns [left, right) of a row of a fresh (zeroed) target that laying
// has written; outside them the row still holds its zeros.
struct CWrittenColumns {
    int left = 0x3FFFFFFF, right = -0x3FFFFFFF;  // none; any column plus or minus these stays an int
};

// Lays a block, moved by (x, y), over an 8-bit target of width x height
// values (row j at top + j x stride) by source-over: a = s + d x (255 - s) /
// 255, rounded. What falls outside the target is left out. With `written`
// (one per target row, for a target that was zeroed when made), the values
// outside a row's written columns are stored, not blended (over a zero they
// are the same): the first touch of a fresh page is then a write. Under
// Wine a first read maps the zero page and the write after it replaces the
// mapping on every processor, which cost a tenth of the whole process of a
// text that repeats nothing.
void LayCoverageOver(const CCoverageBlock& block, int x, int y, uint8_t* top, ptrdiff_t stride, int width,
                     int height, CWrittenColumns* written = nullptr);
