// Pixel operations of the raster pipeline (see RasterEffects.h).
//
// Blur: a separable Gaussian with byte weights k[i] = 255 exp(-i^2 / 2 sigma^2)
// for i < n = ceil(sigma) + 1 (k[0] = 255). Each pass sums k[|j|] a(x + j)
// over the taps that fall inside the image and divides by the sum of those
// same weights, so edges are not darkened; the full sum is used wherever the
// whole window is inside. The taps are accumulated row against row so that
// the inner loops run over contiguous pixels, sixteen at a time; the integer
// quotient is taken as (sum + 1/2) x (1 / weight) in double precision, which
// is exact because the sums stay far below 2^53.
//
// Gradation: t along the gradation line of GetGradationLine; the colour of t
// interpolates between the two enabled stops around it (stops sorted by Pos;
// before the first and after the last the end colours hold). Columns are
// visited in the direction in which t grows, so the stop index only moves
// forward along a row.
//
// Maximum filter: one disc stamp (the pixels of CDisc, so that it agrees with
// the span dilation of DiscDilation.cpp) is laid on every contour pixel. All
// boundary pixels count, those of holes included, not only the outer
// contours a tracer would follow: otherwise the hole of an "o" would not
// shrink with its outside growing.
#include "render/RasterEffects.h"
#include "decoration/BorderingSetting.h"
#include "render/DiscDilation.h"
#include "imaging/GdiPlusBitmap.h"
#include "imaging/PixelOps.h"
#include "platform/GdiPlusGraphics.h"
#include <emmintrin.h>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <vector>

namespace {

bool Is32(const CDib& dib) { return dib.HasPixels() && dib.GetBitCount() == 32; }

bool CopyPixels(CDib& to, const CDib& from)
{
    int w = from.GetWidth(), h = from.GetAbsHeight();
    if (to.GetWidth() != w || to.GetAbsHeight() != h)
        return false;
    for (int y = 0; y < h; ++y)
        std::memcpy(to.GetImageRow(y), from.GetImageRow(y), static_cast<size_t>(w) * 4);
    return true;
}

HRESULT CopyDib32(boost::shared_ptr<CDib>& out, const CDib& source)
{
    HRESULT hr = CreateDib32(out, source.GetWidth(), source.GetAbsHeight());
    if (SUCCEEDED(hr))
        CopyPixels(*out, source);
    return hr;
}

inline uint8_t Quotient(unsigned sum, double inverse)
{
    return static_cast<uint8_t>(static_cast<unsigned>((sum + 0.5) * inverse));
}

// acc[x] += k in[x] over count values, sixteen at a time: a weight and a
// value are bytes, so their product fits a 16-bit lane, and only the sums
// are widened (the compiler would multiply in 32-bit lanes, two at a time).
void AddWeightedRow(unsigned* acc, const uint8_t* in, int count, unsigned k)
{
    const __m128i zero = _mm_setzero_si128(), weight = _mm_set1_epi16(static_cast<short>(k));
    int x = 0;
    for (; x + 16 <= count; x += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + x));
        const __m128i lo = _mm_mullo_epi16(_mm_unpacklo_epi8(v, zero), weight);
        const __m128i hi = _mm_mullo_epi16(_mm_unpackhi_epi8(v, zero), weight);
        const __m128i products[4] = {_mm_unpacklo_epi16(lo, zero), _mm_unpackhi_epi16(lo, zero),
                                     _mm_unpacklo_epi16(hi, zero), _mm_unpackhi_epi16(hi, zero)};
        for (int i = 0; i < 4; ++i) {
            __m128i* a = reinterpret_cast<__m128i*>(acc + x + 4 * i);
            _mm_storeu_si128(a, _mm_add_epi32(_mm_loadu_si128(a), products[i]));
        }
    }
    for (; x < count; ++x)
        acc[x] += k * in[x];
}

// Quotient over out[from, to), four values at a time: the same operations in
// double precision give the same bits in vector lanes (the sums stay below
// 2^31, so the signed conversions hold them).
void QuotientRow(const unsigned* acc, uint8_t* out, int from, int to, double inverse)
{
    const __m128d half = _mm_set1_pd(0.5), inv = _mm_set1_pd(inverse);
    int x = from;
    for (; x + 4 <= to; x += 4) {
        const __m128i sums = _mm_loadu_si128(reinterpret_cast<const __m128i*>(acc + x));
        const __m128d lo = _mm_mul_pd(_mm_add_pd(_mm_cvtepi32_pd(sums), half), inv);
        const __m128d hi = _mm_mul_pd(_mm_add_pd(_mm_cvtepi32_pd(_mm_srli_si128(sums, 8)), half), inv);
        __m128i q = _mm_unpacklo_epi64(_mm_cvttpd_epi32(lo), _mm_cvttpd_epi32(hi));
        q = _mm_packs_epi32(q, q);
        q = _mm_packus_epi16(q, q);
        const int four = _mm_cvtsi128_si32(q);
        std::memcpy(out + x, &four, 4);
    }
    for (; x < to; ++x)
        out[x] = Quotient(acc[x], inverse);
}

} // namespace

CGaussianRows::CGaussianRows(double sigma)
{
    int n = 1;
    if (sigma > 0 && std::isfinite(sigma))
        n = static_cast<int>(std::ceil(sigma) + 1.0);
    m_k.resize(static_cast<size_t>(n));
    double s2 = sigma * sigma;
    for (int i = 0; i < n; ++i) {
        // The largest value of exp(-i^2 / 2s^2) is exp(0) = 1, so no rescaling.
        double v = i == 0 ? 255.0 : 255.0 * std::exp(-0.5 * i * i / s2);
        m_k[static_cast<size_t>(i)] = v > 254.9 ? 255u : static_cast<unsigned>(v);
    }
    m_full = m_k[0];
    for (int i = 1; i < n; ++i)
        m_full += 2 * m_k[static_cast<size_t>(i)];
}

unsigned CGaussianRows::WeightAt(int x, int count) const
{
    const int n = Taps();
    unsigned s = 0;
    for (int j = -(n - 1); j <= n - 1; ++j)
        if (x + j >= 0 && x + j < count)
            s += K(j);
    return s;
}

void CGaussianRows::Horizontal(const uint8_t* in, uint8_t* out, int w, unsigned* acc) const
{
    const int n = Taps();
    const double fullInverse = 1.0 / m_full;
    // Interior columns [lo, hi) have the whole window inside.
    const int lo = std::min(n - 1, w), hi = std::max(lo, w - (n - 1));
    for (int x = 0; x < w; ++x)
        if (x < lo || x >= hi) {
            unsigned sum = 0;
            for (int j = -(n - 1); j <= n - 1; ++j)
                if (x + j >= 0 && x + j < w)
                    sum += K(j) * in[x + j];
            out[x] = static_cast<uint8_t>(sum / WeightAt(x, w));
        }
    if (lo < hi) {
        for (int x = lo; x < hi; ++x)
            acc[x] = 0;
        for (int j = -(n - 1); j <= n - 1; ++j)
            AddWeightedRow(acc + lo, in + lo + j, hi - lo, K(j));
        QuotientRow(acc, out, lo, hi, fullInverse);
    }
}

void CGaussianRows::Vertical(const std::function<const uint8_t*(int)>& row, int y, int h, uint8_t* out, int w,
                             unsigned* acc) const
{
    const int n = Taps();
    std::fill(acc, acc + w, 0u);
    for (int j = -(n - 1); j <= n - 1; ++j) {
        if (y + j < 0 || y + j >= h)
            continue;
        AddWeightedRow(acc, row(y + j), w, K(j));
    }
    const unsigned weight = (y >= n - 1 && y < h - (n - 1)) ? m_full : WeightAt(y, h);
    QuotientRow(acc, out, 0, w, 1.0 / weight);
}

HRESULT CreateDib32(boost::shared_ptr<CDib>& out, int width, int height)
{
    if (width <= 0 || height <= 0)
        return E_INVALIDARG;
    boost::shared_ptr<CDib> dib(new (std::nothrow) CDib);
    if (!dib || !dib->CreateWithInfoHeader(width, height, 32) || !dib->AllocBits())
        return E_OUTOFMEMORY;
    dib->Clear();
    out = dib;
    return S_OK;
}

namespace {

HRESULT StatusToHResult(Gdiplus::Status s)
{
    switch (s) {
    case Gdiplus::Ok:
        return S_OK;
    case Gdiplus::OutOfMemory:
        return E_OUTOFMEMORY;
    case Gdiplus::InvalidParameter:
        return E_INVALIDARG;
    default:
        return E_FAIL;
    }
}

} // namespace

HRESULT DrawDibScaled(CDib& target, float x, float y, float width, float height, CDib& source,
                      Gdiplus::InterpolationMode mode)
{
    if (!Is32(target) || !Is32(source))
        return E_INVALIDARG;
    boost::shared_ptr<Gdiplus::Bitmap> to = BitmapFromDib(target, true), from = BitmapFromDib(source, true);
    if (!to || !from)
        return E_FAIL;
    Gdiplus::Graphics g(*to);
    if (!g.IsValid())
        return StatusToHResult(g.GetLastStatus());
    // Every status counts: a dropped failure would lose a whole layer unseen.
    Gdiplus::Status s = g.SetInterpolationMode(mode);
    if (s == Gdiplus::Ok)
        s = g.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHighQuality);
    if (s == Gdiplus::Ok)
        s = g.DrawImage(*from, Gdiplus::RectF(x, y, width, height), 0, 0, static_cast<Gdiplus::REAL>(source.GetWidth()),
                        static_cast<Gdiplus::REAL>(source.GetAbsHeight()), Gdiplus::UnitPixel);
    return StatusToHResult(s);
}

HRESULT CopyChannelToAlpha(CDib& image, int channel)
{
    if (!Is32(image) || channel < 0 || channel > 3)
        return E_INVALIDARG;
    int w = image.GetWidth(), h = image.GetAbsHeight();
    for (int y = 0; y < h; ++y) {
        BYTE* p = image.GetImageRow(y);
        for (int x = 0; x < w; ++x)
            p[x * 4 + 3] = p[x * 4 + channel];
    }
    return S_OK;
}

HRESULT MakeDiscStamp(boost::shared_ptr<CDibSection>& stamp, int r)
{
    if (r < 0)
        return E_INVALIDARG;
    const int side = 2 * r + 1;
    boost::shared_ptr<CDibSection> s(new (std::nothrow) CDibSection);
    if (!s || !s->CreateWithInfoHeader(side, side, 8, 256) || !s->AllocBits())
        return E_OUTOFMEMORY;
    FillGrayPalette(s->GetHeader());
    s->Clear();
    const CDisc disc(r);
    for (int j = 0; j < side; ++j) {
        BYTE* row = s->GetImageRow(j);
        const int half = disc.HalfWidth(j - r);
        std::memset(row + r - half, 255, static_cast<size_t>(2 * half + 1));
    }
    stamp = s;
    return S_OK;
}

void StampDisc(CDib& target, int cx, int cy, int r, const CDib& stamp)
{
    const int w = target.GetWidth(), h = target.GetAbsHeight();
    const int i0 = std::max(0, r - cx), i1 = std::min(2 * r, w - 1 - cx + r);
    for (int j = std::max(0, r - cy); j <= 2 * r && cy - r + j < h; ++j) {
        const BYTE* s = stamp.GetImageRow(j);
        BYTE* row = target.GetImageRow(cy - r + j);
        for (int i = i0; i <= i1; ++i)
            if (s[i] > 254)
                row[(cx - r + i) * 4 + 3] = 255;
    }
}

HRESULT MaxFilterByDisc(boost::shared_ptr<CDib>& out, const CDib& source, int r)
{
    if (!Is32(source))
        return E_INVALIDARG;
    boost::shared_ptr<CDibSection> stamp;
    HRESULT hr = MakeDiscStamp(stamp, std::max(r, 0));
    if (FAILED(hr))
        return hr;
    boost::shared_ptr<CDib> result;
    hr = CopyDib32(result, source);
    if (FAILED(hr))
        return hr;
    // Radius 0 keeps the source as it is: a contour pixel of partial alpha
    // would otherwise be raised to 255.
    if (r > 0) {
        const int w = source.GetWidth(), h = source.GetAbsHeight();
        auto opaque = [&](int x, int y) {
            return x >= 0 && y >= 0 && x < w && y < h && source.GetImageRow(y)[x * 4 + 3] != 0;
        };
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                if (!opaque(x, y))
                    continue;
                bool edge = false;
                for (int j = -1; j <= 1 && !edge; ++j)
                    for (int i = -1; i <= 1 && !edge; ++i)
                        edge = !opaque(x + i, y + j);
                if (edge)
                    StampDisc(*result, x, y, r, *stamp);
            }
    }
    out = result;
    return S_OK;
}

HRESULT GaussianBlurAlpha(boost::shared_ptr<CDib>& out, const CDib& source, double sigma)
{
    if (!Is32(source))
        return E_INVALIDARG;
    const int w = source.GetWidth(), h = source.GetAbsHeight();
    boost::shared_ptr<CDib> result;
    HRESULT hr = CopyDib32(result, source);
    if (FAILED(hr))
        return hr;
    const CGaussianRows blur(sigma);
    std::vector<uint8_t> tmp, alpha, column;
    std::vector<unsigned> acc;
    try {
        tmp.resize(static_cast<size_t>(w) * h);
        alpha.resize(static_cast<size_t>(w));
        acc.resize(static_cast<size_t>(w));
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    for (int y = 0; y < h; ++y) {
        const BYTE* p = source.GetImageRow(y);
        for (int x = 0; x < w; ++x)
            alpha[static_cast<size_t>(x)] = p[x * 4 + 3];
        blur.Horizontal(alpha.data(), &tmp[static_cast<size_t>(y) * w], w, acc.data());
    }
    const auto tmpRow = [&](int y) { return &tmp[static_cast<size_t>(y) * w]; };
    for (int y = 0; y < h; ++y) {
        blur.Vertical(tmpRow, y, h, alpha.data(), w, acc.data());
        BYTE* p = result->GetImageRow(y);
        for (int x = 0; x < w; ++x)
            p[x * 4 + 3] = alpha[static_cast<size_t>(x)];
    }
    out = result;
    return S_OK;
}

void CompositeRowOver(BYTE* d, const BYTE* s, int count)
{
    for (int x = 0; x < count; ++x, d += 4, s += 4)
        BlendPixelOver(d, s, s[3]);
}

void CompositeColorRowOver(BYTE* d, const uint8_t* alpha, int count, COLORREF color)
{
    const BYTE colour[3] = {GetBValue(color), GetGValue(color), GetRValue(color)};
    const __m128i opaque =
        _mm_set1_epi32(static_cast<int>(0xFF000000u | (colour[2] << 16) | (colour[1] << 8) | colour[0]));
    const __m128i clear = _mm_setzero_si128(), full = _mm_set1_epi8(-1);
    int x = 0;
    // Sixteen alphas at a time: all 0 leave the pixels, all 255 set the colour.
    for (; x + 16 <= count; x += 16) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(alpha + x));
        if (_mm_movemask_epi8(_mm_cmpeq_epi8(a, clear)) == 0xFFFF)
            continue;
        BYTE* p = d + 4 * x;
        if (_mm_movemask_epi8(_mm_cmpeq_epi8(a, full)) == 0xFFFF) {
            for (int i = 0; i < 4; ++i)
                _mm_storeu_si128(reinterpret_cast<__m128i*>(p + 16 * i), opaque);
            continue;
        }
        for (int i = 0; i < 16; ++i)
            BlendPixelOver(p + 4 * i, colour, alpha[x + i]);
    }
    for (; x < count; ++x)
        BlendPixelOver(d + 4 * x, colour, alpha[x]);
}

void FlattenRowOnColor(BYTE* d, const BYTE* s, int count, COLORREF color)
{
    const unsigned bg[3] = {GetBValue(color), GetGValue(color), GetRValue(color)};
    int x = 0;
    // Four pixels at a time in 16-bit lanes: t = s a + bg (255 - a) + 127
    // stays below 65535, where (t + 1 + (t >> 8)) >> 8 is exactly t / 255.
    const __m128i zero = _mm_setzero_si128(), c255 = _mm_set1_epi16(255), c127 = _mm_set1_epi16(127),
                  one = _mm_set1_epi16(1), alphaBytes = _mm_set1_epi32(static_cast<int>(0xFF000000u));
    const __m128i background = _mm_setr_epi16(static_cast<short>(bg[0]), static_cast<short>(bg[1]),
                                              static_cast<short>(bg[2]), 0, static_cast<short>(bg[0]),
                                              static_cast<short>(bg[1]), static_cast<short>(bg[2]), 0);
    const auto flatten = [&](__m128i px) {
        const __m128i a = _mm_shufflehi_epi16(_mm_shufflelo_epi16(px, 0xFF), 0xFF);
        const __m128i t = _mm_add_epi16(_mm_add_epi16(_mm_mullo_epi16(px, a),
                                                      _mm_mullo_epi16(background, _mm_sub_epi16(c255, a))), c127);
        return _mm_srli_epi16(_mm_add_epi16(_mm_add_epi16(t, one), _mm_srli_epi16(t, 8)), 8);
    };
    for (; x + 4 <= count; x += 4, s += 16, d += 16) {
        const __m128i px = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s));
        const __m128i flat =
            _mm_packus_epi16(flatten(_mm_unpacklo_epi8(px, zero)), flatten(_mm_unpackhi_epi8(px, zero)));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d), _mm_or_si128(flat, alphaBytes));
    }
    for (; x < count; ++x, s += 4, d += 4) {
        const unsigned a = s[3];
        for (int c = 0; c < 3; ++c)
            d[c] = static_cast<BYTE>((s[c] * a + bg[c] * (255 - a) + 127) / 255);
        d[3] = 255;
    }
}

HRESULT CompositeOver(CDib& target, const CDib& source)
{
    if (!Is32(target) || !Is32(source) || target.GetWidth() != source.GetWidth() ||
        target.GetAbsHeight() != source.GetAbsHeight())
        return E_INVALIDARG;
    const int w = target.GetWidth(), h = target.GetAbsHeight();
    for (int y = 0; y < h; ++y)
        CompositeRowOver(target.GetImageRow(y), source.GetImageRow(y), w);
    return S_OK;
}

HRESULT FlattenOnColor(boost::shared_ptr<CDib>& image, const CDib& source, COLORREF color)
{
    if (!Is32(source))
        return E_INVALIDARG;
    boost::shared_ptr<CDib> flat;
    HRESULT hr = CreateDib32(flat, source.GetWidth(), source.GetAbsHeight());
    if (FAILED(hr))
        return hr;
    const int w = source.GetWidth(), h = source.GetAbsHeight();
    for (int y = 0; y < h; ++y)
        FlattenRowOnColor(flat->GetImageRow(y), source.GetImageRow(y), w, color);
    image = flat;
    return S_OK;
}

HRESULT ScaleChannel(CDib& image, int channel, int numerator, int denominator)
{
    if (!Is32(image) || channel < 0 || channel > 3 || denominator == 0)
        return E_INVALIDARG;
    if (numerator == denominator)
        return S_OK;
    BYTE table[256];
    for (int v = 0; v < 256; ++v) {
        long long s = static_cast<long long>(v) * numerator / denominator;
        table[v] = static_cast<BYTE>(s < 0 ? 0 : s > 255 ? 255 : s);
    }
    int w = image.GetWidth(), h = image.GetAbsHeight();
    for (int y = 0; y < h; ++y) {
        BYTE* p = image.GetImageRow(y) + channel;
        for (int x = 0; x < w; ++x)
            p[x * 4] = table[p[x * 4]];
    }
    return S_OK;
}

HRESULT OffsetChannel(CDib& image, int channel, int dx, int dy)
{
    if (!Is32(image) || channel < 0 || channel > 3)
        return E_INVALIDARG;
    if (dx == 0 && dy == 0)
        return S_OK;
    const int w = image.GetWidth(), h = image.GetAbsHeight();
    // The far side first, so no value is read after it was overwritten.
    for (int k = 0; k < h; ++k) {
        int y = dy > 0 ? h - 1 - k : k;
        int sy = y - dy;
        BYTE* p = image.GetImageRow(y) + channel;
        const BYTE* s = (sy >= 0 && sy < h) ? image.GetImageRow(sy) + channel : nullptr;
        for (int m = 0; m < w; ++m) {
            int x = dx > 0 ? w - 1 - m : m;
            int sx = x - dx;
            p[x * 4] = (s && sx >= 0 && sx < w) ? s[sx * 4] : 0;
        }
    }
    return S_OK;
}

bool GetGradationLine(int angle, double w, double h, double& a, double& b, double& c, double& d)
{
    const double pi = 3.141592653589793;
    int deg = angle % 360;
    if (deg < 0)
        deg += 360;
    double q = deg * pi / 180.0;
    switch (deg / 45) {
    case 0:
        a = -1; b = std::tan(q); c = w; d = std::tan(q) * h + w;
        return true;
    case 1:
        a = -1 / std::tan(q); b = 1; c = w / std::tan(q); d = w / std::tan(q) + h;
        return true;
    case 2: {
        double t = std::tan(q - pi / 2);
        a = t; b = 1; c = 0; d = t * w + h;
        return true;
    }
    case 3: {
        double t = std::tan(q - pi / 2);
        a = 1; b = 1 / t; c = 0; d = h / t + w;
        return true;
    }
    case 4: {
        double t = std::tan(q - pi);
        a = 1; b = -t; c = t * h; d = t * h + w;
        return true;
    }
    case 5: {
        double t = std::tan(q - pi);
        a = 1 / t; b = -1; c = h; d = w / t + h;
        return true;
    }
    case 6: {
        double t = std::tan(q - 3 * pi / 2);
        a = -t; b = -1; c = t * w + h; d = t * w + h;
        return true;
    }
    case 7: {
        double t = std::tan(q - 3 * pi / 2);
        a = -1; b = -1 / t; c = h / t + w; d = h / t + w;
        return true;
    }
    default:
        return false;
    }
}

HRESULT FillLinearGradationRect(CDib& image, const CLinearGradation& gradation, const CRectD& clip,
                                const CRectD& frame, int firstRow)
{
    if (!Is32(image))
        return E_INVALIDARG;
    int x0 = static_cast<int>(clip.x), x1 = static_cast<int>(std::ceil(clip.x + clip.width));
    int y0 = static_cast<int>(clip.y), y1 = static_cast<int>(std::ceil(clip.y + clip.height));
    if (x0 >= x1 || y0 >= y1)
        return S_OK;
    x0 = std::max(x0, 0);
    y0 = std::max(y0, firstRow);
    x1 = std::min(x1, static_cast<int>(image.GetWidth()));
    y1 = std::min(y1, firstRow + static_cast<int>(image.GetAbsHeight()));
    if (x0 >= x1 || y0 >= y1)
        return S_OK;
    struct Stop {
        double pos;
        int rgb[3];
    };
    std::vector<Stop> stops;
    for (const CColorPosSetting& s : gradation.Stops)
        if (s.Use)
            stops.push_back(Stop{s.Pos, {GetRValue(s.Color), GetGValue(s.Color), GetBValue(s.Color)}});
    if (stops.empty())
        return E_INVALIDARG;
    std::stable_sort(stops.begin(), stops.end(), [](const Stop& l, const Stop& r) { return l.pos < r.pos; });
    double a, b, c, d;
    if (!GetGradationLine(static_cast<int>(gradation.Angle), frame.width, frame.height, a, b, c, d))
        return E_FAIL;
    const int count = static_cast<int>(stops.size());
    // t grows with x when a >= 0 (d is positive for any frame of positive
    // size); otherwise the search restarts at every pixel.
    const bool leftToRight = a >= 0;
    const bool monotonic = d > 0;
    for (int y = y0; y < y1; ++y) {
        BYTE* p = image.GetImageRow(y - firstRow);
        int k = 0;
        for (int col = x0; col < x1; ++col) {
            int x = leftToRight ? col : x0 + x1 - 1 - col;
            double t = ((x - frame.x) * a + (y - frame.y) * b + c) / d;
            if (!monotonic)
                k = 0;
            while (k < count && stops[static_cast<size_t>(k)].pos <= t)
                ++k;
            const int* rgb;
            int mixed[3];
            if (k == 0) {
                rgb = stops.front().rgb;
            } else if (k == count) {
                rgb = stops.back().rgb;
            } else {
                const Stop& s0 = stops[static_cast<size_t>(k - 1)];
                const Stop& s1 = stops[static_cast<size_t>(k)];
                for (int i = 0; i < 3; ++i)
                    mixed[i] = static_cast<int>((s0.rgb[i] * (s1.pos - t) + s1.rgb[i] * (t - s0.pos)) /
                                                (s1.pos - s0.pos));
                rgb = mixed;
            }
            p[x * 4 + 0] = static_cast<BYTE>(rgb[2]);
            p[x * 4 + 1] = static_cast<BYTE>(rgb[1]);
            p[x * 4 + 2] = static_cast<BYTE>(rgb[0]);
        }
    }
    return S_OK;
}

HRESULT FillLinearGradation(CDib& image, const CLinearGradation& gradation)
{
    if (!image.IsValid())
        return E_INVALIDARG;
    CRectD all = {0, 0, static_cast<double>(image.GetWidth()), static_cast<double>(image.GetAbsHeight())};
    return FillLinearGradationRect(image, gradation, all, all);
}
