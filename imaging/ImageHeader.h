// A picture's size read from where its format keeps it, before any decoder
// sees the file: a JPEG's frame header, a TIFF's first directory, a GIF's
// screen and frames. Each walk goes through the file once, front to back
// (a TIFF from its directory on), through a window of the stream.
#pragma once
#include <windows.h>
#include <objidl.h>
#include <functional>
#include <vector>

// Reads a stream through a window of 64 KiB, so that a walk over millions of
// small pieces (segments, sub-blocks) costs a call to the stream per window.
class CStreamWindow {
public:
    explicit CStreamWindow(IStream* stream) : m_stream(stream) {}
    // The n bytes at `at` (n at most the window's size); null where the
    // stream ends before them.
    const BYTE* At(ULONGLONG at, ULONG n)
    {
        if (at < m_start || at + n > m_start + m_size)
            Fill(at);
        return at >= m_start && at + n <= m_start + m_size ? m_bytes.data() + (at - m_start) : nullptr;
    }
    // The bytes from `at` to the window's end, at least one unless the
    // stream ends at `at`.
    const BYTE* From(ULONGLONG at, ULONG& count)
    {
        if (at < m_start || at >= m_start + m_size)
            Fill(at);
        count = at >= m_start && at < m_start + m_size ? static_cast<ULONG>(m_start + m_size - at) : 0;
        return count ? m_bytes.data() + (at - m_start) : nullptr;
    }

private:
    void Fill(ULONGLONG at);

    IStream* m_stream;
    std::vector<BYTE> m_bytes;
    ULONGLONG m_start = 0;
    ULONG m_size = 0;
};

// The width and height of a JPEG's first frame header, sought as the
// decoder seeks it: past any number of segments, fill bytes and stray bytes
// between them. False when no frame header comes before a scan, the end of
// the image or the file.
bool JpegFrameSize(CStreamWindow& file, ULONG& width, ULONG& height);
// ImageWidth and ImageLength of a TIFF's first directory, wherever they
// stand among its entries (the first of a repeated tag, as the decoder
// takes it). False when either is missing.
bool TiffDirectorySize(CStreamWindow& file, ULONG& width, ULONG& height);

// A GIF's image descriptor: the frame's size and where its LZW data begins
// (the code size byte, before the data's sub-blocks).
struct CGifFrame {
    ULONG width, height;
    ULONGLONG data;
};
// Calls onFrame for each image descriptor, in the order of the file, up to
// the trailer, the file's end or a block that is no GIF block (where the
// decoder stops too); a frame whose data the file cuts short is the last
// (the decoder has allocated it before it reads the data). The logical
// screen's size is given first; false, and no call, for a header cut short.
bool WalkGifFrames(CStreamWindow& file, ULONG& screenWidth, ULONG& screenHeight,
                   const std::function<void(const CGifFrame&)>& onFrame);
// Past a chain of sub-blocks (a frame's data after its code size byte, an
// extension's after its label) starting at `at`; false when the file ends in it.
bool SkipGifSubBlocks(CStreamWindow& file, ULONGLONG& at);
// The largest picture a GIF holds, its logical screen or one of its frames,
// and the pixels of its frames together: under Wine the decoder holds every
// frame and gives the first frame's size, not the screen's, so a small
// screen may hide a frame too large to load, and frames each small enough
// may together be too many.
bool GifPictureSize(CStreamWindow& file, ULONG& width, ULONG& height, ULONGLONG& framePixels);
