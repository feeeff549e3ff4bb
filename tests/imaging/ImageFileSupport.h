// Small image files made by the tests themselves, so that every decoder case
// has a file of exactly the kind it names: PNG (any colour type and depth,
// palette, transparency, embedded ICC profile; deflate in stored blocks),
// uncompressed CMYK TIFF, and minimal ICC profiles with a plain gamma curve.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

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

// Uncompressed, one strip; 4 samples (CMYK) or 5 (CMYK + unassociated alpha).
inline std::string MakeCmykTiff(uint32_t width, uint32_t height, const std::string& pixels, bool alpha)
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
        PutLE16(tiff, 8);
    return tiff + pixels;
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

// A v2 display profile: sRGB primaries (adapted to D50) and every channel on
// a plain gamma curve; or a grey profile with that curve.
inline std::string MakeProfile(bool gray, double gamma, const std::string& name)
{
    std::vector<std::pair<std::string, std::string>> tags;
    std::string desc("desc\0\0\0\0", 8);
    PutBE32(desc, static_cast<uint32_t>(name.size() + 1));
    desc += name + '\0';
    desc.append(4 + 4 + 2 + 1 + 67, '\0');
    tags.push_back({"desc", desc});
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
    std::string table, data;
    uint32_t at = 128 + 4 + 12 * static_cast<uint32_t>(tags.size());
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
    header += "mntr";
    header += gray ? "GRAY" : "RGB ";
    header += "XYZ ";
    header.append(12, '\0');
    header += "acsp";
    header.resize(68, '\0');
    header += XyzTag(0.9642, 1.0, 0.8249).substr(8);
    header.resize(128, '\0');
    return header + body;
}

} // namespace imagefile
