// PNG encoding: signature, IHDR, pHYs when a resolution is given, PLTE (and
// tRNS for entries that are not opaque) for palettised images, one IDAT with
// a zlib stream, IEND; every chunk carries its CRC-32.
//
// Rows: each gets the "Sub" filter (the byte minus the one a pixel to its
// left), which turns runs of one colour into zeros for any colour, at the
// cost of one subtraction a byte.
//
// Compression in pieces: the filtered rows are cut into pieces of whole rows,
// each compressed as raw deflate data on its own (no dictionary shared). A
// piece but the last ends with a sync flush, which closes it on a byte
// boundary without marking the last block, so the pieces joined in order are
// one valid deflate stream; the last ends the stream. The zlib stream's
// Adler-32 is the pieces' checksums combined in order. Level 3, the last of
// zlib's fast levels: the images are mostly flat colour, which compresses
// well even so (the file is about a third larger than at the default level,
// written in a third of the time).
#include "imaging/PngEncoder.h"
#include <zlib.h>
#include <algorithm>
#include <cstring>
#include <vector>

namespace {

void Put32(std::string& s, uint32_t v)
{
    const char b[4] = {char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
    s.append(b, 4);
}

void PutChunk(std::string& out, const char* type, const std::string& data)
{
    Put32(out, static_cast<uint32_t>(data.size()));
    const size_t start = out.size();
    out.append(type, 4);
    out += data;
    uLong crc = crc32(0L, Z_NULL, 0);
    crc = crc32(crc, reinterpret_cast<const Bytef*>(out.data() + start), static_cast<uInt>(out.size() - start));
    Put32(out, static_cast<uint32_t>(crc));
}

// One piece: rows [top, bottom) filtered and compressed.
struct CPiece {
    int top = 0, bottom = 0;
    std::string data;
    uLong adler = 0;
    uLong length = 0;  // filtered bytes
    bool ok = false;
};

// Row y as PNG bytes after its filter byte: RGBA or RGB from BGRA, or the
// indices.
void FilterRow(const CDib& image, int y, int bytesPerPixel, std::vector<Bytef>& raw, std::vector<Bytef>& row)
{
    const int w = image.GetWidth();
    const BYTE* s = image.GetImageRow(y);
    Bytef* r = row.data();
    if (bytesPerPixel == 4) {
        for (int x = 0; x < w; ++x, s += 4, r += 4) {
            r[0] = s[2];
            r[1] = s[1];
            r[2] = s[0];
            r[3] = s[3];
        }
    } else if (bytesPerPixel == 3) {
        for (int x = 0; x < w; ++x, s += 4, r += 3) {
            r[0] = s[2];
            r[1] = s[1];
            r[2] = s[0];
        }
    } else {
        std::memcpy(r, s, static_cast<size_t>(w));
    }
    const int n = w * bytesPerPixel;
    raw[0] = 1;  // Sub
    Bytef* f = raw.data() + 1;
    for (int i = 0; i < bytesPerPixel && i < n; ++i)
        f[i] = row[static_cast<size_t>(i)];
    for (int i = bytesPerPixel; i < n; ++i)
        f[i] = static_cast<Bytef>(row[static_cast<size_t>(i)] - row[static_cast<size_t>(i - bytesPerPixel)]);
}

void CompressPiece(const CDib& image, int bytesPerPixel, bool last, CPiece& piece)
{
    const size_t rowBytes = static_cast<size_t>(image.GetWidth()) * bytesPerPixel + 1;
    std::vector<Bytef> raw(rowBytes), row(rowBytes);
    z_stream z;
    std::memset(&z, 0, sizeof z);
    if (deflateInit2(&z, 3, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        return;
    piece.adler = adler32(0L, Z_NULL, 0);
    piece.length = 0;
    std::vector<Bytef> buffer(std::max<size_t>(65536, rowBytes + rowBytes / 8 + 64));
    bool ok = true;
    for (int y = piece.top; y < piece.bottom && ok; ++y) {
        FilterRow(image, y, bytesPerPixel, raw, row);
        piece.adler = adler32(piece.adler, raw.data(), static_cast<uInt>(rowBytes));
        piece.length += static_cast<uLong>(rowBytes);
        const bool end = y + 1 == piece.bottom;
        const int flush = !end ? Z_NO_FLUSH : last ? Z_FINISH : Z_SYNC_FLUSH;
        z.next_in = raw.data();
        z.avail_in = static_cast<uInt>(rowBytes);
        do {
            z.next_out = buffer.data();
            z.avail_out = static_cast<uInt>(buffer.size());
            const int rc = deflate(&z, flush);
            if (rc == Z_STREAM_ERROR) {
                ok = false;
                break;
            }
            piece.data.append(reinterpret_cast<const char*>(buffer.data()), buffer.size() - z.avail_out);
        } while (z.avail_out == 0);  // a full buffer may have more to give
    }
    deflateEnd(&z);
    piece.ok = ok;
}

} // namespace

HRESULT EncodePng(const CDib& image, std::string& out, const CParallelFor& parallel, const CPngOptions& options)
{
    const int bits = image.GetBitCount();
    const int w = image.GetWidth(), h = image.GetAbsHeight();
    if (!image.HasPixels() || w <= 0 || h <= 0 || (bits != 32 && bits != 8))
        return E_INVALIDARG;
    const int colors = bits == 8 ? image.GetColorTableCount() : 0;
    if (bits == 8 && (colors <= 0 || colors > 256))
        return E_INVALIDARG;
    // Bytes a pixel takes in the file: without alpha, RGB.
    const int bytesPerPixel = bits == 8 ? 1 : options.opaque ? 3 : 4;
    try {
        // Pieces of about 1 MB of pixels: enough of them to share out.
        const size_t rowBytes = static_cast<size_t>(w) * bytesPerPixel + 1;
        const int rowsPerPiece = static_cast<int>(std::max<size_t>(1, (1u << 20) / rowBytes));
        std::vector<CPiece> pieces(static_cast<size_t>((h + rowsPerPiece - 1) / rowsPerPiece));
        for (size_t i = 0; i < pieces.size(); ++i) {
            pieces[i].top = static_cast<int>(i) * rowsPerPiece;
            pieces[i].bottom = std::min(h, pieces[i].top + rowsPerPiece);
        }
        const auto work = [&](int i) {
            CompressPiece(image, bytesPerPixel, static_cast<size_t>(i) + 1 == pieces.size(), pieces[static_cast<size_t>(i)]);
        };
        if (parallel) {
            if (!parallel(static_cast<int>(pieces.size()), work))
                return E_ABORT;
        } else {
            for (size_t i = 0; i < pieces.size(); ++i)
                work(static_cast<int>(i));
        }
        std::string idat = "\x78\x5E";  // deflate, 32K window, a fast level
        uLong adler = adler32(0L, Z_NULL, 0);
        for (const CPiece& p : pieces) {
            if (!p.ok)
                return E_FAIL;
            idat += p.data;
            adler = adler32_combine(adler, p.adler, static_cast<z_off_t>(p.length));
        }
        Put32(idat, static_cast<uint32_t>(adler));
        out.assign("\x89PNG\r\n\x1a\n", 8);
        std::string header;
        Put32(header, static_cast<uint32_t>(w));
        Put32(header, static_cast<uint32_t>(h));
        header += char(8);                   // bits per sample
        header += char(bits == 8 ? 3 : bytesPerPixel == 4 ? 6 : 2);  // palette, RGBA or RGB
        header.append(3, '\0');              // deflate, adaptive filters, no interlace
        PutChunk(out, "IHDR", header);
        if (options.pixelsPerMeterX > 0 && options.pixelsPerMeterY > 0) {
            std::string density;
            Put32(density, options.pixelsPerMeterX);
            Put32(density, options.pixelsPerMeterY);
            density += char(1);  // the unit is the metre
            PutChunk(out, "pHYs", density);
        }
        if (bits == 8) {
            std::string palette;
            const RGBQUAD* table = image.GetColorTable();
            for (int i = 0; i < colors; ++i) {
                palette += char(table[i].rgbRed);
                palette += char(table[i].rgbGreen);
                palette += char(table[i].rgbBlue);
            }
            PutChunk(out, "PLTE", palette);
            // The fourth byte of an entry is its alpha; tRNS lists the alphas
            // up to the last entry that is not opaque.
            int transparent = 0;
            for (int i = 0; i < colors; ++i)
                if (table[i].rgbReserved != 255)
                    transparent = i + 1;
            if (transparent > 0 && !options.opaque) {
                std::string alphas;
                for (int i = 0; i < transparent; ++i)
                    alphas += char(table[i].rgbReserved);
                PutChunk(out, "tRNS", alphas);
            }
        }
        PutChunk(out, "IDAT", idat);
        PutChunk(out, "IEND", std::string());
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    return S_OK;
}
