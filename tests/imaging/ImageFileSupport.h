// Small image files made by the tests themselves, so that every decoder case
// has a file of exactly the kind it names: PNG (any colour type and depth,
// palette, transparency, embedded ICC profile; deflate in stored blocks),
// uncompressed CMYK TIFF, GIF (LZW with the clear code when due or deferred),
// and minimal ICC profiles with a plain gamma curve.
#pragma once
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <map>
#include <string>
#include <vector>
#include <zlib.h>

namespace imagefile {

inline void PutBE32(std::string& s, uint32_t v)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        s += static_cast<char>(v >> shift & 0xFF);
}
inline void PutBE16(std::string& s, uint32_t v)
{
    s += static_cast<char>(v >> 8 & 0xFF);
    s += static_cast<char>(v & 0xFF);
}
inline void PutLE32(std::string& s, uint32_t v)
{
    for (int shift = 0; shift < 32; shift += 8)
        s += static_cast<char>(v >> shift & 0xFF);
}
inline void PutLE16(std::string& s, uint32_t v)
{
    s += static_cast<char>(v & 0xFF);
    s += static_cast<char>(v >> 8 & 0xFF);
}

inline uint32_t Crc32(const std::string& data)
{
    uint32_t crc = 0xFFFFFFFFu;
    for (unsigned char c : data) {
        crc ^= c;
        for (int k = 0; k < 8; ++k)
            crc = crc & 1 ? 0xEDB88320u ^ (crc >> 1) : crc >> 1;
    }
    return ~crc;
}

// A zlib stream of stored (uncompressed) deflate blocks.
inline std::string ZlibStored(const std::string& data)
{
    std::string out("\x78\x01", 2);
    size_t at = 0;
    do {
        const size_t n = data.size() - at < 65535 ? data.size() - at : 65535;
        out += static_cast<char>(at + n == data.size() ? 1 : 0);
        PutLE16(out, static_cast<uint32_t>(n));
        PutLE16(out, static_cast<uint32_t>(~n & 0xFFFF));
        out.append(data, at, n);
        at += n;
    } while (at < data.size());
    uint32_t a = 1, b = 0;
    for (unsigned char c : data) {
        a = (a + c) % 65521;
        b = (b + a) % 65521;
    }
    PutBE32(out, b << 16 | a);
    return out;
}

inline void PutChunk(std::string& png, const char* type, const std::string& data)
{
    PutBE32(png, static_cast<uint32_t>(data.size()));
    const std::string body = std::string(type, 4) + data;
    png += body;
    PutBE32(png, Crc32(body));
}

// Colour types: 0 grey, 2 RGB, 3 palette, 4 grey + alpha, 6 RGBA. `rows`
// are the packed pixel rows without filter bytes, each rowBytes long.
inline std::string MakePng(uint32_t width, uint32_t height, int colorType, int depth, const std::string& rows,
                           const std::string& palette = std::string(), const std::string& transparency = std::string(),
                           const std::string& profile = std::string())
{
    std::string png("\x89PNG\r\n\x1A\n", 8);
    std::string header;
    PutBE32(header, width);
    PutBE32(header, height);
    header += static_cast<char>(depth);
    header += static_cast<char>(colorType);
    header.append(3, '\0');
    PutChunk(png, "IHDR", header);
    if (!profile.empty())
        PutChunk(png, "iCCP", std::string("test\0\0", 6) + ZlibStored(profile));
    if (!palette.empty())
        PutChunk(png, "PLTE", palette);
    if (!transparency.empty())
        PutChunk(png, "tRNS", transparency);
    const size_t rowBytes = rows.size() / height;
    std::string filtered;
    for (uint32_t y = 0; y < height; ++y)
        filtered += '\0' + rows.substr(y * rowBytes, rowBytes);
    PutChunk(png, "IDAT", ZlibStored(filtered));
    PutChunk(png, "IEND", std::string());
    return png;
}

// A square 8-bit RGB PNG of one colour (grey unless given), deflated at the fastest: 20,000 pixels a
// side take 5.3 MB. Empty when the buffer could not hold it all, rather than a PNG cut short.
inline std::string MakeGreyRgbPng(uint32_t side, char red = '\x80', char green = '\x80', char blue = '\x80')
{
    std::string png("\x89PNG\r\n\x1A\n", 8), header, idat(8 << 20, '\0'), row(1, '\0');
    for (uint32_t x = 0; x < side; ++x)
        row += {red, green, blue};
    PutBE32(header, side), PutBE32(header, side), header.append("\x08\x02\0\0\0", 5);
    z_stream z = {};
    deflateInit(&z, Z_BEST_SPEED);
    z.next_out = reinterpret_cast<Bytef*>(&idat[0]), z.avail_out = uInt(idat.size());
    int status = Z_OK;
    for (uint32_t y = 0; y <= side; ++y) {
        z.next_in = reinterpret_cast<Bytef*>(&row[0]), z.avail_in = y < side ? uInt(row.size()) : 0;
        status = deflate(&z, y < side ? Z_NO_FLUSH : Z_FINISH);
    }
    idat.resize(idat.size() - z.avail_out), deflateEnd(&z);
    if (status != Z_STREAM_END)
        return std::string();
    PutChunk(png, "IHDR", header), PutChunk(png, "IDAT", idat), PutChunk(png, "IEND", std::string());
    return png;
}

// Uncompressed, one strip; 4 samples (CMYK) or 5 (CMYK + unassociated alpha)
// of 8 or 16 bits (little-endian); an ICC profile, when given, after the pixels.
inline std::string MakeCmykTiff(uint32_t width, uint32_t height, const std::string& pixels, bool alpha,
                                const std::string& profile = std::string(), uint32_t bits = 8)
{
    const uint32_t samples = alpha ? 5 : 4;
    struct Entry {
        uint16_t tag, type;
        uint32_t count, value;
    };
    std::vector<Entry> entries = {
        {256, 4, 1, width},  {257, 4, 1, height}, {258, 3, samples, 0}, {259, 3, 1, 1},
        {262, 3, 1, 5},      {273, 4, 1, 0},      {277, 3, 1, samples}, {278, 4, 1, height},
        {279, 4, 1, static_cast<uint32_t>(pixels.size())}, {284, 3, 1, 1}, {332, 3, 1, 1}};
    if (alpha)
        entries.push_back({338, 3, 1, 2});
    if (!profile.empty())
        entries.push_back({34675, 7, static_cast<uint32_t>(profile.size()), 0});
    const uint32_t ifdSize = 2 + 12 * static_cast<uint32_t>(entries.size()) + 4;
    const uint32_t bitsAt = 8 + ifdSize, dataAt = bitsAt + 2 * samples;
    std::string tiff("II*\0", 4);
    PutLE32(tiff, 8);
    PutLE16(tiff, static_cast<uint32_t>(entries.size()));
    for (Entry e : entries) {
        if (e.tag == 258)
            e.value = bitsAt;
        if (e.tag == 273)
            e.value = dataAt;
        if (e.tag == 34675)
            e.value = dataAt + static_cast<uint32_t>(pixels.size());
        PutLE16(tiff, e.tag);
        PutLE16(tiff, e.type);
        PutLE32(tiff, e.count);
        if (e.type == 3 && e.count == 1) {
            PutLE16(tiff, e.value);
            PutLE16(tiff, 0);
        } else {
            PutLE32(tiff, e.value);
        }
    }
    PutLE32(tiff, 0);
    for (uint32_t i = 0; i < samples; ++i)
        PutLE16(tiff, bits);
    return tiff + pixels + profile;
}

// A one-frame GIF of `pixels` (indices below 2^codeSize, row by row) with a
// global table of 2^codeSize colours, entry i being GifColor(i). Its LZW codes
// send the clear code once the table is full, or, with a full table of 4,096
// entries, `deferred` codes later (a deferred clear code, which GIF allows).
inline uint32_t GifColor(unsigned i) { return (i * 37 & 255) << 16 | (i * 91 & 255) << 8 | ((i * 13 + 7) & 255); }
inline std::string MakeGif(uint32_t width, uint32_t height, int codeSize, const std::string& pixels, int deferred = 0)
{
    const unsigned clear = 1u << codeSize;
    std::string gif("GIF89a", 6), data(1, static_cast<char>(codeSize)), bytes;
    PutLE16(gif, width), PutLE16(gif, height), gif += static_cast<char>(0x80 | (codeSize - 1)), gif.append(2, '\0');
    for (unsigned i = 0; i < 3 * clear; ++i)
        gif += static_cast<char>(GifColor(i / 3) >> (16 - i % 3 * 8));
    gif += '\x2C', PutLE32(gif, 0), PutLE16(gif, width), PutLE16(gif, height), gif += '\0';
    std::map<std::pair<unsigned, char>, unsigned> table;
    unsigned value = 0, bits = 0, sent = 0, next = clear + 2, prefix = static_cast<unsigned char>(pixels[0]);
    int late = 0;
    const auto put = [&](unsigned code) {  // the n-th code after a clear: min(12, bit length of clear + n) bits
        unsigned width = 0;
        for (unsigned v = clear + ++sent; v && width < 12; v >>= 1)
            ++width;
        for (value |= code << bits, bits += width; bits >= 8; bits -= 8, value >>= 8)
            bytes += static_cast<char>(value);
    };
    put(clear), sent = 0;
    for (size_t i = 1; i < pixels.size(); ++i) {
        const auto found = table.find(std::make_pair(prefix, pixels[i]));
        if (found != table.end()) {
            prefix = found->second;
            continue;
        }
        put(prefix);
        if (next < 4096)
            table[std::make_pair(prefix, pixels[i])] = next++;
        if (next == 4096 && late++ == deferred)
            put(clear), table.clear(), sent = 0, next = clear + 2, late = 0;
        prefix = static_cast<unsigned char>(pixels[i]);
    }
    put(prefix), put(clear + 1);
    if (bits)
        bytes += static_cast<char>(value);
    for (size_t at = 0; at < bytes.size(); at += 255)
        data += static_cast<char>(std::min<size_t>(255, bytes.size() - at)) + bytes.substr(at, 255);
    return gif + data + std::string("\0;", 2);
}

inline void PutS15(std::string& s, double v) { PutBE32(s, static_cast<uint32_t>(static_cast<int32_t>(v * 65536 + (v < 0 ? -0.5 : 0.5)))); }

inline std::string XyzTag(double x, double y, double z)
{
    std::string t("XYZ \0\0\0\0", 8);
    PutS15(t, x);
    PutS15(t, y);
    PutS15(t, z);
    return t;
}

// The "desc" tag of a profile named `name` (ASCII part only).
inline std::string DescTag(const std::string& name)
{
    std::string desc("desc\0\0\0\0", 8);
    PutBE32(desc, static_cast<uint32_t>(name.size() + 1));
    desc += name + '\0';
    desc.append(4 + 4 + 2 + 1 + 67, '\0');
    return desc;
}

// A v2 profile of the tags in order: the 128-byte header with the device
// class, colour space and connection space (12 characters, e.g. "mntrRGB XYZ "),
// the tag table, then the tags, each padded to 4 bytes.
inline std::string AssembleProfile(const std::string& classSpacePcs,
                                   const std::vector<std::pair<std::string, std::string>>& tags)
{
    std::string table, data;
    const uint32_t at = 128 + 4 + 12 * static_cast<uint32_t>(tags.size());
    for (const auto& tag : tags) {
        table += tag.first;
        PutBE32(table, at + static_cast<uint32_t>(data.size()));
        PutBE32(table, static_cast<uint32_t>(tag.second.size()));
        data += tag.second;
        while (data.size() % 4)
            data += '\0';
    }
    std::string body;
    PutBE32(body, static_cast<uint32_t>(tags.size()));
    body += table + data;
    std::string header;
    PutBE32(header, static_cast<uint32_t>(128 + body.size()));
    header.append(4, '\0');
    PutBE32(header, 0x02100000);
    header += classSpacePcs;
    header.append(12, '\0');
    header += "acsp";
    header.resize(68, '\0');
    header += XyzTag(0.9642, 1.0, 0.8249).substr(8);
    header.resize(128, '\0');
    return header + body;
}

// A v2 display profile: sRGB primaries (adapted to D50) and every channel on
// a plain gamma curve; or a grey profile with that curve.
inline std::string MakeProfile(bool gray, double gamma, const std::string& name)
{
    std::vector<std::pair<std::string, std::string>> tags;
    tags.push_back({"desc", DescTag(name)});
    tags.push_back({"wtpt", XyzTag(0.9642, 1.0, 0.8249)});
    std::string curve("curv\0\0\0\0", 8);
    PutBE32(curve, 1);
    PutBE16(curve, static_cast<uint32_t>(gamma * 256 + 0.5));
    curve.append(2, '\0');
    if (gray) {
        tags.push_back({"kTRC", curve});
    } else {
        tags.push_back({"rXYZ", XyzTag(0.4361, 0.2225, 0.0139)});
        tags.push_back({"gXYZ", XyzTag(0.3851, 0.7169, 0.0971)});
        tags.push_back({"bXYZ", XyzTag(0.1431, 0.0606, 0.7141)});
        tags.push_back({"rTRC", curve});
        tags.push_back({"gTRC", curve});
        tags.push_back({"bTRC", curve});
    }
    return AssembleProfile(std::string("mntr") + (gray ? "GRAY" : "RGB ") + "XYZ ", tags);
}

// A printer profile for a naive CMYK (ink = 1 - channel, black taken out
// fully) over sRGB primaries in linear light, PCS Lab, 8-bit tables: enough
// for colours to go into and out of CMYK through the colour management.
inline std::string MakeCmykProfile()
{
    const double m[3][3] = {{0.4361, 0.3851, 0.1431}, {0.2225, 0.7169, 0.0606}, {0.0139, 0.0971, 0.7141}};
    const double white[3] = {0.9642, 1.0, 0.8249};
    auto f = [](double t) { return t > 216.0 / 24389 ? std::cbrt(t) : (24389.0 / 27 * t + 16) / 116; };
    auto finv = [](double t) { return t * t * t > 216.0 / 24389 ? t * t * t : (116 * t - 16) / (24389.0 / 27); };
    auto clamp = [](double v) { return v < 0 ? 0.0 : (v > 1 ? 1.0 : v); };
    auto byte = [](double v) { return static_cast<char>(static_cast<int>(v < 0 ? 0 : (v > 255 ? 255 : v + 0.5))); };
    auto lutHeader = [](int in, int out, int grid) {
        std::string t("mft1\0\0\0\0", 8);
        t += static_cast<char>(in);
        t += static_cast<char>(out);
        t += static_cast<char>(grid);
        t += '\0';
        for (int i = 0; i < 9; ++i)
            PutS15(t, i % 4 == 0 ? 1.0 : 0.0);
        for (int c = 0; c < in; ++c)
            for (int v = 0; v < 256; ++v)
                t += static_cast<char>(v);
        return t;
    };
    auto outputTables = [](std::string& t, int out) {
        for (int c = 0; c < out; ++c)
            for (int v = 0; v < 256; ++v)
                t += static_cast<char>(v);
    };
    // CMYK -> Lab at the 16 corners.
    std::string a2b = lutHeader(4, 3, 2);
    for (int i = 0; i < 16; ++i) {
        const double c = i >> 3 & 1, mm = i >> 2 & 1, y = i >> 1 & 1, k = i & 1;
        const double rgb[3] = {(1 - c) * (1 - k), (1 - mm) * (1 - k), (1 - y) * (1 - k)};
        double xyz[3];
        for (int r = 0; r < 3; ++r)
            xyz[r] = m[r][0] * rgb[0] + m[r][1] * rgb[1] + m[r][2] * rgb[2];
        const double fx = f(xyz[0] / white[0]), fy = f(xyz[1] / white[1]), fz = f(xyz[2] / white[2]);
        a2b += byte((116 * fy - 16) * 255 / 100);
        a2b += byte(500 * (fx - fy) + 128);
        a2b += byte(200 * (fy - fz) + 128);
    }
    outputTables(a2b, 3);
    // Lab -> CMYK on a 17-point grid.
    const int grid = 17;
    std::string b2a = lutHeader(3, 4, grid);
    const double inv[3][3] = {{3.1339, -1.6169, -0.4906}, {-0.9785, 1.9160, 0.0333}, {0.0720, -0.2290, 1.4057}};
    for (int li = 0; li < grid; ++li)
        for (int ai = 0; ai < grid; ++ai)
            for (int bi = 0; bi < grid; ++bi) {
                const double L = li * 100.0 / (grid - 1), A = ai * 255.0 / (grid - 1) - 128,
                             B = bi * 255.0 / (grid - 1) - 128;
                const double fy = (L + 16) / 116, fx = fy + A / 500, fz = fy - B / 200;
                const double xyz[3] = {white[0] * finv(fx), white[1] * finv(fy), white[2] * finv(fz)};
                double rgb[3];
                for (int r = 0; r < 3; ++r)
                    rgb[r] = clamp(inv[r][0] * xyz[0] + inv[r][1] * xyz[1] + inv[r][2] * xyz[2]);
                const double k = 1 - std::max(rgb[0], std::max(rgb[1], rgb[2]));
                for (int ch = 0; ch < 3; ++ch)
                    b2a += byte(k >= 1 ? 0 : (1 - rgb[ch] - k) / (1 - k) * 255);
                b2a += byte(k * 255);
            }
    outputTables(b2a, 4);

    std::vector<std::pair<std::string, std::string>> tags;
    tags.push_back({"desc", DescTag("Test CMYK")});
    tags.push_back({"wtpt", XyzTag(0.9642, 1.0, 0.8249)});
    tags.push_back({"A2B0", a2b});
    tags.push_back({"B2A0", b2a});
    return AssembleProfile("prtrCMYKLab ", tags);
}

} // namespace imagefile
