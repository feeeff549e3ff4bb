// Header walks: where each format keeps its picture's size.
//
// JPEG: the markers are read as the decoder reads them: bytes up to an FF
// are stray (skipped), FF fill bytes before a marker are skipped, FF 00 is no
// marker, RST0-7 and TEM stand alone, every other marker's segment is skipped
// by its length (at least its two length bytes). SOF0 to SOF15 but DHT, JPG
// and DAC is the frame header; SOI, EOI or SOS before it ends the walk (the
// decoder refuses the file or finds no frame). Each step moves forward, so
// the walk is linear in the file however many segments stand before the
// frame (an ICC profile of some MB takes a hundred; nothing bounds them).
//
// TIFF: the first directory's entries in any order (they are meant to be
// sorted by tag, and need not be); a repeated tag counts once, first.
//
// GIF: every block up to the trailer: the extensions' and frames' data are
// chains of sub-blocks skipped by their lengths. Each frame may be larger
// than the logical screen, and frames need not lie inside it.
#include "imaging/ImageHeader.h"
#include <algorithm>
#include <cstring>

namespace {

const ULONG kWindowBytes = 1u << 16;

ULONG Be16(const BYTE* b) { return static_cast<ULONG>(b[0]) << 8 | b[1]; }
ULONG Le16(const BYTE* b) { return static_cast<ULONG>(b[1]) << 8 | b[0]; }

// Moves `at` past the bytes for which keep(byte) holds; false when the file
// ends first.
template <class Keep>
bool SkipBytes(CStreamWindow& file, ULONGLONG& at, Keep keep)
{
    ULONG count = 0;
    while (const BYTE* p = file.From(at, count)) {
        const BYTE* stop = std::find_if_not(p, p + count, keep);
        at += static_cast<ULONGLONG>(stop - p);
        if (stop != p + count)
            return true;
    }
    return false;
}

bool IsFrameMarker(BYTE m) { return m >= 0xC0 && m <= 0xCF && m != 0xC4 && m != 0xC8 && m != 0xCC; }
// A marker that a segment follows, and not the frame's: skipped by its length.
bool IsOtherSegment(BYTE m) { return m >= 0x02 && m != 0xFF && !IsFrameMarker(m) && !(m >= 0xD0 && m <= 0xDA); }

// The size of a colour table the packed byte announces (bit 7), else 0.
ULONG ColorTableBytes(BYTE packed) { return packed & 0x80 ? 3u << ((packed & 7) + 1) : 0; }

// The bytes of the extensions that lie whole at the start of p[0, count).
ULONG WholeExtensions(const BYTE* p, ULONG count)
{
    ULONG whole = 0;
    for (ULONG i = 0; whole + 2 < count && p[whole] == 0x21; whole = i + 1) {
        for (i = whole + 2; i < count && p[i] != 0; i += 1 + p[i]) {
        }
        if (i >= count)
            break;
    }
    return whole;
}

} // namespace

void CStreamWindow::Fill(ULONGLONG at)
{
    m_bytes.resize(kWindowBytes);
    m_start = at;
    m_size = 0;
    LARGE_INTEGER where = {};
    where.QuadPart = static_cast<LONGLONG>(at);
    if (FAILED(m_stream->Seek(where, STREAM_SEEK_SET, nullptr)) ||
        FAILED(m_stream->Read(m_bytes.data(), kWindowBytes, &m_size)))
        m_size = 0;
}

bool JpegFrameSize(CStreamWindow& file, ULONG& width, ULONG& height)
{
    for (ULONGLONG at = 2;;) {
        // The segments that lie whole in the window, at once: a file of
        // millions of empty ones costs about as much as its reading.
        ULONG count = 0, i = 0;
        for (const BYTE* p = file.From(at, count); i + 4 <= count && p[i] == 0xFF && IsOtherSegment(p[i + 1]);)
            i += 2 + std::max<ULONG>(Be16(p + i + 2), 2);
        at += i;
        const BYTE* b = file.At(at, 2);
        if (b && (b[0] != 0xFF || b[1] == 0xFF)) {
            // Stray bytes, then fill bytes: on to the last FF before the marker.
            if (!SkipBytes(file, at, [](BYTE c) { return c != 0xFF; }) ||
                !SkipBytes(file, at, [](BYTE c) { return c == 0xFF; }))
                return false;
            b = file.At(--at, 2);
        }
        if (!b)
            return false;
        const BYTE marker = b[1];
        at += 2;
        if (IsFrameMarker(marker)) {
            const BYTE* frame = file.At(at, 7);  // length, precision, height, width
            if (!frame)
                return false;
            height = Be16(frame + 3), width = Be16(frame + 5);
            return true;
        }
        if (marker == 0xD8 || marker == 0xD9 || marker == 0xDA)
            return false;
        if (marker == 0 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7))
            continue;  // a stuffed zero, or a marker without a segment
        if (!(b = file.At(at, 2)))
            return false;
        at += std::max<ULONG>(Be16(b), 2);
    }
}

bool TiffDirectorySize(CStreamWindow& file, ULONG& width, ULONG& height)
{
    const BYTE* b = file.At(0, 8);
    if (!b)
        return false;
    const bool motorola = b[0] == 'M';
    const auto u16 = [motorola](const BYTE* p) { return motorola ? Be16(p) : Le16(p); };
    const auto u32 = [motorola, &u16](const BYTE* p) {
        return u16(p + (motorola ? 0 : 2)) << 16 | u16(p + (motorola ? 2 : 0));
    };
    const ULONGLONG directory = u32(b + 4);
    b = file.At(directory, 2);
    const ULONG count = b ? u16(b) : 0;
    bool found[2] = {false, false};  // ImageWidth (256), ImageLength (257): SHORT (3) or LONG
    for (ULONG i = 0; i < count && !(found[0] && found[1]) && (b = file.At(directory + 2 + 12 * i, 12)); ++i) {
        const ULONG tag = u16(b);
        if ((tag == 256 || tag == 257) && !found[tag - 256]) {
            found[tag - 256] = true;
            (tag == 256 ? width : height) = u16(b + 2) == 3 ? u16(b + 8) : u32(b + 8);
        }
    }
    return found[0] && found[1];
}

bool SkipGifSubBlocks(CStreamWindow& file, ULONGLONG& at)
{
    ULONG count = 0;
    while (const BYTE* p = file.From(at, count)) {
        ULONG i = 0;
        while (i < count && p[i] != 0)
            i += 1 + p[i];
        at += i + (i < count ? 1 : 0);
        if (i < count)
            return true;
    }
    return false;
}

bool WalkGifFrames(CStreamWindow& file, ULONG& screenWidth, ULONG& screenHeight,
                   const std::function<void(const CGifFrame&)>& onFrame)
{
    const BYTE* b = file.At(0, 13);
    if (!b)
        return false;
    screenWidth = static_cast<ULONG>(b[7]) << 8 | b[6];
    screenHeight = static_cast<ULONG>(b[9]) << 8 | b[8];
    ULONGLONG at = 13 + ColorTableBytes(b[10]);
    for (;;) {
        ULONG count = 0;
        if (const BYTE* p = file.From(at, count))
            at += WholeExtensions(p, count);  // a file of millions costs about its reading
        b = file.At(at, 1);
        if (b && *b == 0x21) {  // an extension: its label, then its sub-blocks
            at += 2;
            if (!SkipGifSubBlocks(file, at))
                return true;
        } else if (b && *b == 0x2C && (b = file.At(at, 10)) != nullptr) {
            CGifFrame frame;
            frame.width = static_cast<ULONG>(b[6]) << 8 | b[5];
            frame.height = static_cast<ULONG>(b[8]) << 8 | b[7];
            frame.data = at + 10 + ColorTableBytes(b[9]);
            onFrame(frame);
            at = frame.data + 1;
            if (!SkipGifSubBlocks(file, at))
                return true;
        } else {
            return true;  // the trailer (0x3B), the end, or no block
        }
    }
}

bool GifPictureSize(CStreamWindow& file, ULONG& width, ULONG& height, ULONGLONG& framePixels)
{
    ULONG w = 0, h = 0;
    framePixels = 0;
    if (!WalkGifFrames(file, width, height, [&](const CGifFrame& frame) {
            framePixels += static_cast<ULONGLONG>(frame.width) * frame.height;  // 12 bytes a frame at least: no overflow
            if (static_cast<ULONGLONG>(frame.width) * frame.height > static_cast<ULONGLONG>(w) * h)
                w = frame.width, h = frame.height;
        }))
        return false;
    if (static_cast<ULONGLONG>(w) * h > static_cast<ULONGLONG>(width) * height)
        width = w, height = h;
    return true;
}
