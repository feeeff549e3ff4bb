// GIF's LZW: finding a deferred clear code, and coding a frame's data again.
//
// Codes are read least significant bit first from the frame's chain of
// sub-blocks. The j-th code after a clear code (or the data's start) is
// min(12, bit length of (clear + j)) bits wide, as every decoder reads it.
// The decoder adds a table entry, numbered clear + j, for every code but the
// first after a clear; entry 4,095 is the last, so a code other than clear
// or end with clear + j past it goes on with a full table: the clear code is
// deferred.
//
// Decoding: each entry is (prefix code, last byte, first byte, length); a
// code one past the last entry (KwKwK) is the previous string and its own
// first byte; a code further on, or any but a literal first, is no LZW data.
// Encoding: the table as a trie (first child and next sibling per code),
// the longest string it holds sent at each step; a clear code follows once
// entry 4,094 is made, as common encoders do, so the decoder's table never
// fills. Pixels past the frame's count are dropped (the decoder stops there
// too); fewer are kept as they are, for the decoder to judge.
#include "imaging/GifLzw.h"
#include "imaging/ImageHeader.h"
#include "foundation/ByteStream.h"
#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

namespace {

const unsigned kTableSize = 4096;
const unsigned kNoCode = kTableSize;

// The codes read since a clear code (the data's start counts as one) and
// the width of the next: the j-th is min(12, bit length of (clear + j)) bits.
struct CCodePlace {
    explicit CCodePlace(unsigned codeSize) : clear(1u << codeSize), start(codeSize + 1) {}
    void Restart() { j = 0, width = start; }
    void Count()
    {
        ++j;
        if (width < 12 && (clear + j + 1) >> width)
            ++width;
    }
    unsigned clear, start, j = 0, width = start;
};

// The codes of one frame's chain of sub-blocks.
class CCodeReader {
public:
    CCodeReader(CStreamWindow& file, ULONGLONG at) : m_file(file), m_at(at) {}
    // False at the chain's end or the file's.
    bool Next(unsigned width, unsigned& code)
    {
        while (m_bits < width) {
            if (m_left == 0 && !NextBlock())
                return false;
            m_value |= static_cast<unsigned>(*m_byte++) << m_bits;
            m_bits += 8;
            --m_left;
        }
        code = m_value & ((1u << width) - 1);
        m_value >>= width;
        m_bits -= width;
        return true;
    }
    // Past the chain's closing empty sub-block; false when the file ends first.
    bool End(ULONGLONG& end)
    {
        end = m_at;
        return m_closed || SkipGifSubBlocks(m_file, end);
    }

private:
    bool NextBlock()
    {
        const BYTE* size = m_closed ? nullptr : m_file.At(m_at, 1);
        const ULONG n = size ? *size : 0;
        if (size && n == 0)
            m_closed = true, ++m_at;
        const BYTE* block = n ? m_file.At(m_at + 1, n) : nullptr;  // may move the window
        if (!block)
            return false;
        m_left = n;
        m_byte = block;
        m_at += 1 + static_cast<ULONGLONG>(n);
        return true;
    }

    CStreamWindow& m_file;
    ULONGLONG m_at;  // past the sub-block being read, or its closing one
    const BYTE* m_byte = nullptr;
    ULONG m_left = 0;
    unsigned m_value = 0, m_bits = 0;
    bool m_closed = false;
};

bool DefersClearCode(CStreamWindow& file, ULONGLONG data)
{
    const BYTE* size = file.At(data, 1);
    if (!size || *size < 1 || *size > 11)
        return false;
    CCodePlace place(*size);
    CCodeReader codes(file, data + 1);
    for (unsigned code = 0; codes.Next(place.width, code);) {
        if (code == place.clear) {
            place.Restart();
            continue;
        }
        place.Count();
        if (code == place.clear + 1)
            return false;
        if (place.j >= 2 && place.clear + place.j >= kTableSize)
            return true;
    }
    return false;
}

// Codes sent into sub-blocks of up to 255 bytes.
class CCodeWriter {
public:
    explicit CCodeWriter(std::vector<BYTE>& out) : m_out(out) {}
    void Put(unsigned code, unsigned width)
    {
        m_value |= code << m_bits;
        for (m_bits += width; m_bits >= 8; m_bits -= 8, m_value >>= 8)
            PutByte(static_cast<BYTE>(m_value));
    }
    // The last bits, and the empty sub-block that closes the chain.
    void Close()
    {
        if (m_bits)
            PutByte(static_cast<BYTE>(m_value));
        m_out.push_back(0);
    }

private:
    void PutByte(BYTE b)
    {
        if (m_count == 0 || m_out[m_count] == 255) {
            m_count = m_out.size();
            m_out.push_back(0);
        }
        ++m_out[m_count];
        m_out.push_back(b);
    }

    std::vector<BYTE>& m_out;
    size_t m_count = 0;  // where the current sub-block's size stands; 0: none yet
    unsigned m_value = 0, m_bits = 0;
};

class CLzwEncoder {
public:
    CLzwEncoder(std::vector<BYTE>& out, unsigned codeSize) : m_writer(out), m_place(codeSize), m_clear(1u << codeSize)
    {
        Restart();
    }
    void Put(unsigned pixel)
    {
        if (m_prefix == kNoCode) {
            m_prefix = pixel;
            return;
        }
        for (unsigned c = m_child[m_prefix]; c; c = m_sibling[c])
            if (m_last[c] == pixel) {
                m_prefix = c;
                return;
            }
        Send(m_prefix);
        m_last[m_next] = static_cast<BYTE>(pixel);
        m_sibling[m_next] = m_child[m_prefix];
        m_child[m_prefix] = static_cast<unsigned short>(m_next);
        if (++m_next == kTableSize - 1)
            Restart();
        m_prefix = pixel;
    }
    void Finish()
    {
        if (m_prefix != kNoCode)
            Send(m_prefix);
        Send(m_clear + 1);
        m_writer.Close();
    }

private:
    void Send(unsigned code)
    {
        m_writer.Put(code, m_place.width);
        m_place.Count();
    }
    void Restart()
    {
        Send(m_clear);
        m_place.Restart();
        m_next = m_clear + 2;
        std::fill(m_child, m_child + kTableSize, static_cast<unsigned short>(0));
    }

    CCodeWriter m_writer;
    CCodePlace m_place;
    unsigned m_clear, m_next = 0, m_prefix = kNoCode;
    unsigned short m_child[kTableSize], m_sibling[kTableSize];
    BYTE m_last[kTableSize];
};

// The frame's data (from its code size byte) decoded and coded again into
// `out`, at most `pixels` of them; `end` is past the frame's own data. False
// when its codes are no LZW data or the file ends in them.
bool RecodeFrame(CStreamWindow& file, ULONGLONG data, ULONGLONG pixels, std::vector<BYTE>& out, ULONGLONG& end)
{
    const BYTE codeSize = *file.At(data, 1);
    const unsigned clear = 1u << codeSize;
    out.push_back(codeSize);
    std::unique_ptr<CLzwEncoder> encoder(new CLzwEncoder(out, codeSize));
    unsigned short prefix[kTableSize], length[kTableSize];
    BYTE first[kTableSize], last[kTableSize], text[kTableSize];
    for (unsigned c = 0; c < clear; ++c)
        prefix[c] = kNoCode, length[c] = 1, first[c] = last[c] = static_cast<BYTE>(c);
    CCodeReader codes(file, data + 1);
    CCodePlace place(codeSize);
    unsigned code = 0, previous = kNoCode, next = clear + 2;
    while (pixels > 0 && codes.Next(place.width, code)) {
        if (code == clear) {
            place.Restart(), previous = kNoCode, next = clear + 2;
            continue;
        }
        place.Count();
        if (code == clear + 1)
            break;
        if (previous == kNoCode ? code >= clear : code > next)
            return false;
        if (previous != kNoCode && next < kTableSize) {
            prefix[next] = static_cast<unsigned short>(previous);
            length[next] = static_cast<unsigned short>(length[previous] + 1);
            first[next] = first[previous];
            last[next] = first[code == next ? previous : code];
            ++next;
        }
        previous = code;
        const unsigned n = length[code];
        for (unsigned k = n, c = code; k-- > 0; c = prefix[c])
            text[k] = last[c];
        for (unsigned k = 0; k < n && pixels > 0; ++k, --pixels)
            encoder->Put(text[k]);
    }
    encoder->Finish();
    return codes.End(end);
}

void CopyBytes(CStreamWindow& file, ULONGLONG from, ULONGLONG to, std::vector<BYTE>& out)
{
    ULONG count = 0;
    for (const BYTE* p; from < to && (p = file.From(from, count)) != nullptr; from += count) {
        count = static_cast<ULONG>(std::min<ULONGLONG>(count, to - from));
        out.insert(out.end(), p, p + count);
    }
}

// The GIF with each frame that defers its clear code coded again, every
// other byte as it was; false, with `out` untouched, when no frame defers it
// or a frame that does is cut short or no LZW data (left to the decoder).
bool RecodeDeferredClearGif(IStream* stream, std::vector<BYTE>& out)
{
    CStreamWindow file(stream);
    const BYTE* head = file.At(0, 4);
    if (!head || std::memcmp(head, "GIF8", 4) != 0)
        return false;
    std::vector<CGifFrame> deferring;
    ULONG screenWidth = 0, screenHeight = 0;
    WalkGifFrames(file, screenWidth, screenHeight, [&](const CGifFrame& frame) {
        if (DefersClearCode(file, frame.data))
            deferring.push_back(frame);
    });
    if (deferring.empty())
        return false;
    std::vector<BYTE> recoded;
    ULONGLONG copied = 0;
    for (const CGifFrame& frame : deferring) {
        CopyBytes(file, copied, frame.data, recoded);
        if (!RecodeFrame(file, frame.data, static_cast<ULONGLONG>(frame.width) * frame.height, recoded, copied))
            return false;
    }
    CopyBytes(file, copied, ~0ull, recoded);
    out.swap(recoded);
    return true;
}

} // namespace

HRESULT UndeferGifClearCodes(CComPtr<IStream>& stream)
{
    HRESULT hr = S_OK;
    try {
        std::vector<BYTE> bytes;
        CComPtr<IStream> recoded;
        if (RecodeDeferredClearGif(stream, bytes) && SUCCEEDED(hr = CreateByteStream(recoded, std::move(bytes))))
            stream = recoded;
    } catch (const std::bad_alloc&) {
        hr = E_OUTOFMEMORY;
    }
    LARGE_INTEGER start = {};
    stream->Seek(start, STREAM_SEEK_SET, nullptr);
    return hr;
}
