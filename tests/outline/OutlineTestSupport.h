// Helpers shared by the outline tests: synthetic glyph-outline buffers.
#pragma once
#include "tests/common/TestSupport.h"
#include <windows.h>
#include <cstring>
#include <vector>

// Builds GGO_BEZIER-style buffers record by record.
class COutlineBuilder {
public:
    // Opens a polygon at (x, y); its cb is patched by the next Polygon or by Bytes.
    COutlineBuilder& Polygon(double x, double y, DWORD type = 24)
    {
        Finish();
        m_start = m_bytes.size();
        Put32(0);
        Put32(type);
        PutFixed(x);
        PutFixed(y);
        return *this;
    }
    // One curve record: type 1 line, 2 quadratic, 3 cubic.
    COutlineBuilder& Curve(WORD type, std::initializer_list<double> xy)
    {
        Put16(type);
        Put16(static_cast<WORD>(xy.size() / 2));
        for (double v : xy)
            PutFixed(v);
        return *this;
    }
    // Replaces the cb of the open polygon (for malformed buffers).
    COutlineBuilder& ForceSize(DWORD cb) { m_forced = cb; m_hasForced = true; return *this; }
    COutlineBuilder& Raw(std::initializer_list<BYTE> bytes)
    {
        m_bytes.insert(m_bytes.end(), bytes);
        return *this;
    }
    std::vector<BYTE> Bytes()
    {
        Finish();
        return m_bytes;
    }

private:
    void Finish()
    {
        if (m_start == kNone)
            return;
        DWORD cb = m_hasForced ? m_forced : static_cast<DWORD>(m_bytes.size() - m_start);
        std::memcpy(&m_bytes[m_start], &cb, 4);
        m_start = kNone;
        m_hasForced = false;
    }
    void Put16(WORD v) { Put(&v, 2); }
    void Put32(DWORD v) { Put(&v, 4); }
    void PutFixed(double v)
    {
        const long raw = static_cast<long>(v * 65536.0);
        Put32(static_cast<DWORD>(raw));  // fract in the low word, value in the high word
    }
    void Put(const void* p, size_t n)
    {
        const BYTE* b = static_cast<const BYTE*>(p);
        m_bytes.insert(m_bytes.end(), b, b + n);
    }
    static const size_t kNone = static_cast<size_t>(-1);
    std::vector<BYTE> m_bytes;
    size_t m_start = kNone;
    DWORD m_forced = 0;
    bool m_hasForced = false;
};
