// One layer of the raster pipeline at output resolution: a plane of 8-bit
// alpha values, a quarter of what a 32-bit layer image would take. The glyph
// pass lays each glyph's coverage on it; the layer passes blur and weaken it,
// and the composition paints it into the result image.
#pragma once
#include <windows.h>
#include <cstddef>
#include <cstdint>

class CAlphaPlane {
public:
    CAlphaPlane() = default;
    ~CAlphaPlane() { Free(); }
    CAlphaPlane(const CAlphaPlane&) = delete;
    CAlphaPlane& operator=(const CAlphaPlane&) = delete;

    // A plane of zeros; false (and no plane) when memory runs out or a side
    // is not positive.
    bool Create(int width, int height);
    void Free();

    bool IsValid() const { return m_bits != nullptr; }
    int Width() const { return m_width; }
    int Height() const { return m_height; }
    // Bytes from one row to the next: the width rounded up to 16.
    int Stride() const { return m_stride; }
    uint8_t* Row(int y) { return m_bits + static_cast<ptrdiff_t>(y) * m_stride; }
    const uint8_t* Row(int y) const { return m_bits + static_cast<ptrdiff_t>(y) * m_stride; }

    // What a plane of that size takes.
    static unsigned long long Bytes(int width, int height);

private:
    uint8_t* m_bits = nullptr;
    int m_width = 0;
    int m_height = 0;
    int m_stride = 0;
};
