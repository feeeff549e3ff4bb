// Pixel operations of the raster pipeline over 32-bit bitmaps: channel copy
// and scaling, scaled drawing, the disc-shaped maximum filter that grows a
// decoration, the shadow shift, the Gaussian blur of a glow, the flattening
// onto a background colour and the linear gradation fill.
//
// Pixels are the bytes B, G, R, A; rows are addressed from the top whatever
// the row order. Results are HRESULTs: S_OK, E_INVALIDARG for an image that is
// not 32-bit or an unusable argument, E_OUTOFMEMORY when a new image cannot be
// made, E_FAIL (or the GDI+ status as an HRESULT) when GDI+ fails. Operations
// that make a new image hand it back through `out` and leave it untouched on
// failure.
#pragma once
#include "imaging/Dib.h"
#include "imaging/RectD.h"
#include "platform/GdiPlus.h"
#include <boost/shared_ptr.hpp>
#include <cstdint>
#include <functional>
#include <vector>

class CLinearGradation;


// A new cleared 32-bit bottom-up image; E_OUTOFMEMORY when it cannot be made.
HRESULT CreateDib32(boost::shared_ptr<CDib>& out, int width, int height);

// Every pixel's alpha = its byte `channel` (0..3).
HRESULT CopyChannelToAlpha(CDib& image, int channel);

// Draws the whole source into (x, y, width, height) of the target through
// GDI+ (source-over, PixelOffsetModeHighQuality, the given interpolation).
// Any failure of GDI+ is returned, never dropped. Reductions are not for this
// call: GDI+ under Wine point-samples them (the engine reduces masks itself).
HRESULT DrawDibScaled(CDib& target, float x, float y, float width, float height, CDib& source,
                      Gdiplus::InterpolationMode mode);

// An 8-bit grey (2r + 1)-pixel square whose pixels of the disc of radius r
// around its middle (CDisc) are 255, the rest 0. E_INVALIDARG for r < 0,
// E_OUTOFMEMORY when it cannot be made.
HRESULT MakeDiscStamp(boost::shared_ptr<CDibSection>& stamp, int r);
// Raises to 255 the alpha of the target pixels under the stamp's disc pixels
// (value above 254), the stamp centred on (cx, cy); clipped to the target.
void StampDisc(CDib& target, int cx, int cy, int r, const CDib& stamp);

// out = a copy of the source whose alpha is raised to 255 within a disc of
// radius r around every contour pixel (an opaque pixel with a transparent
// one, or the image edge, among its eight neighbours), one stamp per contour
// pixel. On a shape of opaque and transparent pixels only, this is the
// dilation of the shape by the disc; holes shrink too. The raster pipeline
// grows its layers with the span dilation of DiscDilation.h instead, whose
// cost does not grow with r^2.
HRESULT MaxFilterByDisc(boost::shared_ptr<CDib>& out, const CDib& source, int r);

// out = the source with its alpha blurred by the separable integer Gaussian
// of sigma (output pixels); the other bytes are copied.
HRESULT GaussianBlurAlpha(boost::shared_ptr<CDib>& out, const CDib& source, double sigma);

// The two passes of that blur over rows of bytes, for any row layout: the
// layer planes of the raster pipeline blur with them band by band.
class CGaussianRows {
public:
    explicit CGaussianRows(double sigma);
    // Taps n: the window reaches n - 1 values to each side.
    int Taps() const { return static_cast<int>(m_k.size()); }
    // out[x] of a row of w values; acc holds w unsigned values of scratch.
    void Horizontal(const uint8_t* in, uint8_t* out, int w, unsigned* acc) const;
    // out = row y of an image of h rows of w values, given by row(i).
    void Vertical(const std::function<const uint8_t*(int)>& row, int y, int h, uint8_t* out, int w,
                  unsigned* acc) const;
private:
    unsigned K(int j) const { return m_k[static_cast<size_t>(j < 0 ? -j : j)]; }
    unsigned WeightAt(int x, int count) const;
    std::vector<unsigned> m_k;
    unsigned m_full = 0;
};

// byte `channel` = byte x numerator / denominator (truncating, kept within
// 0..255) everywhere; nothing when they are equal; E_INVALIDARG for
// denominator 0.
HRESULT ScaleChannel(CDib& image, int channel, int numerator, int denominator);

// In place: byte `channel` of (x, y) takes that of (x - dx, y - dy), 0 where
// that lies outside. The other bytes stay.
HRESULT OffsetChannel(CDib& image, int channel, int dx, int dy);

// A new opaque image of the colour with the source drawn over it (source-over);
// on success it replaces `image`.
HRESULT FlattenOnColor(boost::shared_ptr<CDib>& image, const CDib& source, COLORREF color);

// Source-over of two images of one size with straight (not premultiplied)
// alpha: a = sa + da (255 - sa) / 255 and each colour byte weighted by the
// alphas, rounded. E_INVALIDARG when the sizes differ.
HRESULT CompositeOver(CDib& target, const CDib& source);
// The same along one row of `count` pixels.
void CompositeRowOver(BYTE* target, const BYTE* source, int count);
// The same with a source of one colour whose alphas are the bytes `alpha`.
void CompositeColorRowOver(BYTE* target, const uint8_t* alpha, int count, COLORREF color);
// One row of FlattenOnColor; target may be the source.
void FlattenRowOnColor(BYTE* target, const BYTE* source, int count, COLORREF color);

// Colours the pixels of `clip` by the gradation running over `frame` (see
// the .cpp); alpha stays. E_INVALIDARG without an enabled stop. The image may
// hold only a band of the picture: its row 0 is the picture's row firstRow.
HRESULT FillLinearGradationRect(CDib& image, const CLinearGradation& gradation, const CRectD& clip,
                                const CRectD& frame, int firstRow = 0);
// The same over the whole image.
HRESULT FillLinearGradation(CDib& image, const CLinearGradation& gradation);

// The line of a gradation of `angle` degrees over a w x h frame: for a pixel
// (x, y) of the frame at (fx, fy), t = ((x - fx) a + (y - fy) b + c) / d runs
// from 0 at the side or corner the angle points to (0 right, 90 top, 180
// left, 270 bottom) to 1 at the opposite one.
bool GetGradationLine(int angle, double w, double h, double& a, double& b, double& c, double& d);
