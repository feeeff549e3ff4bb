// Texture resampling.
//
// ScaleImg maps every destination pixel back through offset, rotation and
// scale into the source, which repeats endlessly (plainly, or mirrored with a
// period of twice its size) and may be flipped, and blends the four nearest
// source pixels bilinearly. Below half size the bilinear taps would skip
// source pixels, so the source is first halved (by area) until the remaining
// rate is at least 0.5 or the axis is one pixel long.
//
// ReduceImgByArea is the exact area average: each target pixel covers a span
// of source pixels in 1/256 fixed point, partial pixels at the ends weighted
// by their covered part. Sums are 64-bit (a target pixel may cover millions of
// source pixels) and divided by the weight actually covered, so a uniform
// image stays uniform whatever the sizes.
//
// ReduceDibByArea is the same average over 32-bit bitmaps, in two passes per
// target row: the row's source rows summed into one row of column sums (the
// colours multiplied by their alpha, so a transparent pixel lends no colour),
// then each target pixel's span of columns. The source is read once, row
// after row; its colour is the weighted colour sum over the alpha sum (a
// pixel that covers only transparent ones is transparent black).
// SampleDibByNearest takes for target pixel x the source pixel
// x x source / target, rounded down in integers, as a face samples its tile.
#include "imaging/Resample.h"
#include "foundation/Error.h"
#include "resources/strings_imaging.h"
#include <algorithm>
#include <cmath>
#include <new>
#include <vector>

namespace {

// Channel c of the pixel at p, as the destination family sees it.
enum ReaderKind { READ_BYTES, READ_BGR24, READ_CMYK_INTO_A40, READ_MONO_RGB, READ_MONO_CMYK };

template <ReaderKind K>
inline unsigned ReadChannel(const uint8_t* p, int c)
{
    switch (K) {
    case READ_BYTES: return p[c];
    case READ_BGR24: return c < 3 ? p[c] : 255u;
    case READ_CMYK_INTO_A40: return c < 4 ? p[c] : 255u;
    case READ_MONO_RGB: return c < 3 ? p[0] : 255u;
    case READ_MONO_CMYK: return c < 3 ? 0u : c == 3 ? 255u - p[0] : 255u;
    }
    return 0;
}

int ChannelCount(uint32_t format)
{
    switch (format) {
    case BGRA32: return 4;
    case BGR24: return 3;
    case CMYKA40: return 5;
    case CMYK32: return 4;
    default: return 0;
    }
}

// The reader for a destination/source pair; false for a refused pair.
bool ChooseReader(uint32_t dst, uint32_t src, ReaderKind& kind)
{
    const int df = GetImgFormatFamily(dst), sf = GetImgFormatFamily(src);
    if (df == 2)
        return false;
    if ((df == 0 && sf == 1) || (df == 1 && sf == 0))
        return false;
    if (GetImgAlphaIndex(dst) < 0 && GetImgAlphaIndex(src) >= 0)
        return false;
    switch (dst) {
    case BGRA32:
        if (src == BGRA32) { kind = READ_BYTES; return true; }
        if (src == BGR24) { kind = READ_BGR24; return true; }
        if (src == MONO8) { kind = READ_MONO_RGB; return true; }
        return false;
    case BGR24:
        if (src == BGR24) { kind = READ_BYTES; return true; }
        if (src == MONO8) { kind = READ_MONO_RGB; return true; }
        return false;
    case CMYKA40:
        if (src == CMYKA40) { kind = READ_BYTES; return true; }
        if (src == CMYK32) { kind = READ_CMYK_INTO_A40; return true; }
        if (src == MONO8) { kind = READ_MONO_CMYK; return true; }
        return false;
    case CMYK32:
        if (src == CMYK32) { kind = READ_BYTES; return true; }
        if (src == MONO8) { kind = READ_MONO_CMYK; return true; }
        return false;
    default:
        return false;
    }
}

void CheckSourceRows(const CImg& source)
{
    if (source.m_w <= 0 || source.m_h <= 0 ||
        source.m_bits.size() < static_cast<size_t>(source.GetStride()) * source.m_h)
        ThrowInvalidImageSize(source.m_w, source.m_h);
}

// Integer part as the sampler wants it: toward zero from u >= 0, else from u - 1.
inline long long SampleBase(double u)
{
    const double kLimit = 1e15;  // keeps the conversion defined for absurd offsets
    if (u > kLimit) u = kLimit;
    if (u < -kLimit) u = -kLimit;
    return u >= 0 ? static_cast<long long>(u) : static_cast<long long>(u - 1);
}

inline long long Wrap(long long v, long long period)
{
    v %= period;
    return v < 0 ? v + period : v;
}

// The two neighbouring source indices of base index v0 along one axis.
inline void WrapAxis(long long v0, int size, bool mirror, bool flip, int& a, int& b)
{
    long long i0, i1;
    if (mirror) {
        const long long period = 2LL * size;
        i0 = Wrap(v0, period);
        i1 = i0 == period - 1 ? 0 : i0 + 1;
        if (i0 >= size) i0 = period - 1 - i0;
        if (i1 >= size) i1 = period - 1 - i1;
    } else {
        i0 = Wrap(v0, size);
        i1 = i0 == size - 1 ? 0 : i0 + 1;
    }
    if (flip) {
        i0 = size - 1 - i0;
        i1 = size - 1 - i1;
    }
    a = static_cast<int>(i0);
    b = static_cast<int>(i1);
}

template <ReaderKind K>
void SampleLoop(CImg& dst, const CImg& src, int channels, bool flipX, bool flipY, bool mirrorX, bool mirrorY,
                double offsetX, double offsetY, double rateX, double rateY, double angle)
{
    const double c = std::cos(-angle), s = std::sin(-angle);
    const int W = src.m_w, H = src.m_h;
    const int dn = dst.GetBytesPerPixel(), sn = src.GetBytesPerPixel();
    const size_t sstride = static_cast<size_t>(src.GetStride());
    const uint8_t* sbits = src.m_bits.data();
    for (int y = 0; y < dst.m_h; ++y) {
        uint8_t* out = dst.Row(y);
        const double dy = y - offsetY;
        for (int x = 0; x < dst.m_w; ++x, out += dn) {
            const double dx = x - offsetX;
            const double u = (dx * c - dy * s) / rateX;
            const double v = (dx * s + dy * c) / rateY;
            const long long bx = SampleBase(u), by = SampleBase(v);
            const double fx = u - static_cast<double>(bx), fy = v - static_cast<double>(by);
            int x0, x1, y0, y1;
            WrapAxis(bx, W, mirrorX, flipX, x0, x1);
            WrapAxis(by, H, mirrorY, flipY, y0, y1);
            const uint8_t* p00 = sbits + y0 * sstride + static_cast<size_t>(x0) * sn;
            const uint8_t* p10 = sbits + y0 * sstride + static_cast<size_t>(x1) * sn;
            const uint8_t* p01 = sbits + y1 * sstride + static_cast<size_t>(x0) * sn;
            const uint8_t* p11 = sbits + y1 * sstride + static_cast<size_t>(x1) * sn;
            for (int k = 0; k < channels; ++k) {
                const double value = (ReadChannel<K>(p11, k) * fx + ReadChannel<K>(p01, k) * (1 - fx)) * fy +
                                     (ReadChannel<K>(p00, k) * (1 - fx) + ReadChannel<K>(p10, k) * fx) * (1 - fy);
                out[k] = value >= 255.0 ? 255 : static_cast<uint8_t>(value);
            }
        }
    }
}

// The halved size and the rate left for one axis.
void ReducedAxis(int size, double rate, int& newSize, double& newRate)
{
    long long n = size;
    while (rate < 0.5 && n >= 2) {
        long long half = n / 2;
        rate = rate * static_cast<double>(n) / static_cast<double>(half);
        n = half;
    }
    newSize = static_cast<int>(n);
    newRate = rate;
}

// Source pixels covered by one target index: (index, weight in 1/256).
struct CSpanTap {
    int index;
    uint32_t weight;
};

// For every target index the taps of the span [i x step, (i + 1) x step).
void BuildSpans(int sourceSize, int targetSize, std::vector<size_t>& starts, std::vector<CSpanTap>& taps)
{
    const long long step = static_cast<long long>(sourceSize) * 256 / targetSize;
    starts.assign(1, 0);
    taps.clear();
    for (int i = 0; i < targetSize; ++i) {
        const long long p = i * step, end = p + step;
        for (long long k = p / 256; k * 256 < end && k < sourceSize; ++k) {
            const long long lo = std::max(p, k * 256), hi = std::min(end, (k + 1) * 256);
            if (hi > lo)
                taps.push_back(CSpanTap{static_cast<int>(k), static_cast<uint32_t>(hi - lo)});
        }
        starts.push_back(taps.size());
    }
}

} // namespace

void ReduceImgByArea(CImg& destination, const CImg& source, int width, int height)
{
    const int n = source.GetBytesPerPixel();
    if (n == 0)
        throw my::CException(IDS_IMAGE_FORMAT_UNSUPPORTED);
    CImg out(source.m_format, width, height);
    out.m_dpiX = source.m_w ? source.m_dpiX * width / source.m_w : 0.0;
    out.m_dpiY = source.m_h ? source.m_dpiY * height / source.m_h : 0.0;
    out.m_cc = source.m_cc;
    if (width > 0 && height > 0) {
        CheckSourceRows(source);
        out.AllocBits();
        std::vector<size_t> xs, ys;
        std::vector<CSpanTap> xt, yt;
        BuildSpans(source.m_w, width, xs, xt);
        BuildSpans(source.m_h, height, ys, yt);
        uint64_t sum[5];
        for (int ty = 0; ty < height; ++ty) {
            uint8_t* o = out.Row(ty);
            for (int tx = 0; tx < width; ++tx, o += n) {
                for (int c = 0; c < n; ++c)
                    sum[c] = 0;
                uint64_t total = 0;
                for (size_t j = ys[ty]; j < ys[ty + 1]; ++j) {
                    const uint8_t* row = source.Row(yt[j].index);
                    const uint64_t wy = yt[j].weight;
                    for (size_t i = xs[tx]; i < xs[tx + 1]; ++i) {
                        const uint8_t* p = row + static_cast<size_t>(xt[i].index) * n;
                        const uint64_t w = wy * xt[i].weight;
                        for (int c = 0; c < n; ++c)
                            sum[c] += p[c] * w;
                        total += w;
                    }
                }
                // By the weight covered, not the nominal area of a target
                // pixel: the spans' rounding would shade a uniform image.
                for (int c = 0; c < n; ++c) {
                    const uint64_t v = total ? sum[c] / total : 0;
                    o[c] = v < 255 ? static_cast<uint8_t>(v) : 255;
                }
            }
        }
    }
    destination.Swap(out);
}

void ScaleImg(CImg& destination, const CImg& source, bool flipX, bool flipY, bool mirrorX, bool mirrorY,
              double offsetX, double offsetY, double rateX, double rateY, double angle)
{
    ReaderKind kind = READ_BYTES;
    if (!ChooseReader(destination.m_format, source.m_format, kind))
        throw my::CException(IDS_IMAGE_FORMAT_UNSUPPORTED);
    if (!(rateX > 0))
        ThrowInvalidImageRate(rateX);
    if (!(rateY > 0))
        ThrowInvalidImageRate(rateY);
    CheckSourceRows(source);

    const CImg* src = &source;
    CImg reduced;
    if (&destination == &source) {
        reduced = source;  // the destination's rows are about to be replaced
        src = &reduced;
    }
    if (rateX < 0.5 || rateY < 0.5) {
        int w, h;
        ReducedAxis(source.m_w, rateX, w, rateX);
        ReducedAxis(source.m_h, rateY, h, rateY);
        ReduceImgByArea(reduced, *src, w, h);
        src = &reduced;
    }

    destination.AllocBits();
    const int channels = ChannelCount(destination.m_format);
    switch (kind) {
    case READ_BYTES:
        SampleLoop<READ_BYTES>(destination, *src, channels, flipX, flipY, mirrorX, mirrorY, offsetX, offsetY, rateX, rateY, angle);
        break;
    case READ_BGR24:
        SampleLoop<READ_BGR24>(destination, *src, channels, flipX, flipY, mirrorX, mirrorY, offsetX, offsetY, rateX, rateY, angle);
        break;
    case READ_CMYK_INTO_A40:
        SampleLoop<READ_CMYK_INTO_A40>(destination, *src, channels, flipX, flipY, mirrorX, mirrorY, offsetX, offsetY, rateX, rateY, angle);
        break;
    case READ_MONO_RGB:
        SampleLoop<READ_MONO_RGB>(destination, *src, channels, flipX, flipY, mirrorX, mirrorY, offsetX, offsetY, rateX, rateY, angle);
        break;
    case READ_MONO_CMYK:
        SampleLoop<READ_MONO_CMYK>(destination, *src, channels, flipX, flipY, mirrorX, mirrorY, offsetX, offsetY, rateX, rateY, angle);
        break;
    }
}

bool ReduceDibByArea(const CDib& source, CDib& destination, int width, int height)
{
    const int sw = source.GetWidth(), sh = source.GetAbsHeight();
    if (width < 1 || height < 1 || sw < 1 || sh < 1 || source.GetBitCount() != 32 ||
        !destination.CreateWithInfoHeader(width, height, 32, 0, BI_RGB) || !destination.AllocBits())
        return false;
    std::vector<size_t> xs, ys;
    std::vector<CSpanTap> xt, yt;
    std::vector<uint64_t> columns;
    try {
        BuildSpans(sw, width, xs, xt);
        BuildSpans(sh, height, ys, yt);
        columns.resize(static_cast<size_t>(sw) * 4);
    } catch (const std::bad_alloc&) {
        return false;
    }
    for (int ty = 0; ty < height; ++ty) {
        std::fill(columns.begin(), columns.end(), 0);
        uint64_t rowWeight = 0;
        for (size_t j = ys[ty]; j < ys[ty + 1]; ++j) {
            const uint8_t* p = source.GetImageRow(yt[j].index);
            const uint32_t wy = yt[j].weight;
            rowWeight += wy;
            uint64_t* c = columns.data();
            for (int x = 0; x < sw; ++x, p += 4, c += 4) {
                // 255 x 255 x 256 fits 32 bits; the sums over rows need 64.
                const uint32_t aw = p[3] * wy;
                c[0] += p[0] * aw;
                c[1] += p[1] * aw;
                c[2] += p[2] * aw;
                c[3] += aw;
            }
        }
        uint8_t* o = destination.GetImageRow(ty);
        for (int tx = 0; tx < width; ++tx, o += 4) {
            uint64_t sum[4] = {}, weight = 0;
            for (size_t i = xs[tx]; i < xs[tx + 1]; ++i) {
                const uint64_t* c = &columns[static_cast<size_t>(xt[i].index) * 4];
                for (int k = 0; k < 4; ++k)
                    sum[k] += c[k] * xt[i].weight;
                weight += xt[i].weight;
            }
            weight *= rowWeight;
            const uint64_t alpha = weight ? (sum[3] + weight / 2) / weight : 0;
            for (int k = 0; k < 3; ++k)
                o[k] = static_cast<uint8_t>(alpha ? std::min<uint64_t>(255, (sum[k] + sum[3] / 2) / sum[3]) : 0);
            o[3] = static_cast<uint8_t>(std::min<uint64_t>(255, alpha));
        }
    }
    return true;
}

bool SampleDibByNearest(const CDib& source, CDib& destination, int width, int height)
{
    const int sw = source.GetWidth(), sh = source.GetAbsHeight();
    if (width < 1 || height < 1 || sw < 1 || sh < 1 || source.GetBitCount() != 32 ||
        !destination.CreateWithInfoHeader(width, height, 32, 0, BI_RGB) || !destination.AllocBits())
        return false;
    std::vector<int> columns;
    try {
        columns.resize(static_cast<size_t>(width));
    } catch (const std::bad_alloc&) {
        return false;
    }
    for (int x = 0; x < width; ++x)
        columns[static_cast<size_t>(x)] = static_cast<int>(static_cast<long long>(x) * sw / width);
    for (int y = 0; y < height; ++y) {
        const uint32_t* from = reinterpret_cast<const uint32_t*>(
            source.GetImageRow(static_cast<int>(static_cast<long long>(y) * sh / height)));
        uint32_t* to = reinterpret_cast<uint32_t*>(destination.GetImageRow(y));
        for (int x = 0; x < width; ++x)
            to[x] = from[columns[static_cast<size_t>(x)]];
    }
    return true;
}
