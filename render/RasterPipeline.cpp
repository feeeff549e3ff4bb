// The raster rendering pipeline: one unit of text to one 32-bit image.
//
// Every glyph is filled without anti-aliasing into an 8-bit mask cell at ten
// times the output resolution (one cell pixel = one font unit = a tenth of an
// output pixel). Each decoration layer of the glyph grows from the layer
// inside it by a disc of the decoration's Size and is shifted by its shadow
// offset, still at ten times; a layer after a shadow grows from the union of
// the shadow and the layer the shadow came from. Each layer cell is then
// reduced by an exact 10 x 10 area average onto a full-size layer image, which
// gives the anti-aliasing. Whole layer images are then blurred, weakened,
// painted and stacked outermost first, the face on top, then trimmed, laid on
// the background unless it stays transparent, turned for vertical text,
// palettised where the format allows, and saved.
//
// Cost: the cells are allocated once per run and every pass over them stays
// inside the rectangle the glyph and its layers actually touched.
#include "render/KanteloTask.h"
#include "render/DiscDilation.h"
#include "render/GlyphFill.h"
#include "render/MaskPlane.h"
#include "render/RasterEffects.h"
#include "render/TextWalk.h"
#include "decoration/Setting.h"
#include "imaging/PixelOps.h"
#include "imaging/TexturePaint.h"
#include "outline/VectorFontManager.h"
#include "platform/Gdi.h"
#include "platform/GdiPlusPath.h"
#include "imaging/GdiPlusBitmap.h"
#include "resources/strings_engine.h"
#include "resources/strings_foundation.h"
#include "resources/strings_imaging.h"
#include <algorithm>
#include <cmath>

namespace {

// Row 0 and the step to row 1 of a 32-bit bitmap, whatever its row order.
void TopRowAndStride(const CDib& dib, uint8_t*& top, ptrdiff_t& stride)
{
    top = dib.GetImageRow(0);
    stride = dib.IsBottomUp() ? -static_cast<ptrdiff_t>(dib.GetWidthBytes()) : dib.GetWidthBytes();
}

const std::vector<RECT>& RectsOfUnit(UINT unit, const std::vector<RECT>& chars, const std::vector<RECT>& lines,
                                     const std::vector<RECT>& paragraphs)
{
    if (unit == TextUnit::LINE)
        return lines;
    if (unit == TextUnit::PARAGRAPH)
        return paragraphs;
    return chars;
}

} // namespace

bool PaintLayer(CDib& image, const CPaintSetting& paint, const RECT& margins, bool vertical,
                const std::vector<RECT>& charRects, const std::vector<RECT>& lineRects,
                const std::vector<RECT>& paragraphRects, CSimpleErr& err)
{
    if (paint.Type != PaintType::LINEAR) {
        HRESULT hr = ColorizeDib(image, paint.Color);
        if (FAILED(hr)) {
            err.SetWithCode(IDS_SET_IMAGE_COLOR_FAILED, hr);
            return false;
        }
        if (paint.Type != PaintType::TEXTURE)
            return true;
    }
    CLinearGradation gradation;
    CTextureSetting texture;
    boost::shared_ptr<CDib> textureImage;
    UINT unit;
    if (paint.Type == PaintType::LINEAR) {
        gradation = paint.LinearGradation;
        if (vertical)
            gradation.Angle += 90;
        unit = gradation.Unit;
    } else {
        texture = paint.Texture;
        HRESULT hr = LoadDibFromFile(textureImage, texture.Path);
        if (FAILED(hr)) {
            err.SetWithCode(IDS_LOAD_TEXTURE_FAILED, hr, texture.Path);
            return false;
        }
        if (vertical) {
            boost::shared_ptr<CDib> turned;
            hr = RotateByOrientation(turned, *textureImage, 8);
            if (FAILED(hr)) {
                err.SetWithCode(IDS_ROTATE_IMAGE_FAILED, hr);
                return false;
            }
            textureImage = turned;
            texture.Rotate90();
        }
        unit = texture.Unit;
    }
    for (const RECT& r : RectsOfUnit(unit, charRects, lineRects, paragraphRects)) {
        double x = r.left / 10.0, y = r.top / 10.0, w = (r.right - r.left) / 10.0, h = (r.bottom - r.top) / 10.0;
        CRectD clip = {x + margins.left / 10.0, y + margins.top / 10.0, w - (margins.left + margins.right) / 10.0,
                       h - (margins.top + margins.bottom) / 10.0};
        bool entire = paint.Type == PaintType::LINEAR ? gradation.Entire != FALSE : texture.Entire;
        CRectD frame = entire ? CRectD{x, y, w, h} : clip;
        if (paint.Type == PaintType::LINEAR) {
            HRESULT hr = FillLinearGradationRect(image, gradation, clip, frame);
            if (FAILED(hr)) {
                err.SetWithCode(IDS_GRADATE_IMAGE_FAILED, hr);
                return false;
            }
        } else {
            HRESULT hr = PaintDibRectWithTexture(image, *textureImage, texture.Type, texture.RateX,
                                                 texture.SameRate ? texture.RateX : texture.RateY, texture.Flip,
                                                 texture.OffsetX, texture.OffsetY, false, vertical, clip, frame);
            if (FAILED(hr)) {
                err.SetWithCode(IDS_PASTE_TEXTURE_FAILED, hr);
                return false;
            }
        }
    }
    return true;
}

HRESULT CKanteloTask::ReduceResultToPalette(boost::shared_ptr<CDib>& image) { return ReduceToPalette(image); }

void CKanteloTask::Run()
{
    CLayerImages layers;
    boost::shared_ptr<CDib> result;
    if (LayOutRaster() && DrawLayerMasks(layers) && ComposeLayers(layers, result))
        FinishResult(result);
}

bool CKanteloTask::LayOutRaster()
{
    if (Text.empty()) {
        Err.Set(IDS_TEXT_EMPTY);
        return false;
    }
    BuildLayers();
    CreateFonts();
    MeasureText();
    const RECT& m = m_totalMargins;
    m_imageWidth = static_cast<int>(std::ceil((GetTextWidth() + m.left + m.right) / 10.0f));
    m_imageHeight = static_cast<int>(std::ceil((m_textHeight + m.top + m.bottom) / 10.0f));
    if (m_imageWidth < 1 || m_imageHeight < 1) {
        Err.Set(IDS_OUTPUT_SIZE_ZERO);
        return false;
    }
    m_cellWidth = (m.left + m.right + 18 + m_maxGlyphAdvance) / 10 * 10;
    m_cellHeight = (m.top + m.bottom + 18 + GetLineCellHeight()) / 10 * 10;
    if (m_cellWidth < 1 || m_cellHeight < 1) {
        Err.Set(IDS_CHAR_OUTPUT_SIZE_ZERO);
        return false;
    }
    return true;
}

void CKanteloTask::AddUnitRects(const RECT& r, bool lineStart, bool& newParagraph)
{
    m_charRects.push_back(r);
    if (lineStart)
        m_lineRects.push_back(r);
    else
        m_lineRects.back().right = r.right;
    if (newParagraph) {
        m_paragraphRects.push_back(r);
        newParagraph = false;
    } else {
        RECT& p = m_paragraphRects.back();
        p.right = std::max(p.right, r.right);
        p.bottom = r.bottom;
    }
}

bool CKanteloTask::DrawLayerMasks(CLayerImages& layerImages)
{
    const RECT& m = m_totalMargins;
    const int layers = m_layerCount;
    layerImages.assign(static_cast<size_t>(layers), boost::shared_ptr<CDib>());
    for (boost::shared_ptr<CDib>& image : layerImages)
        if (FAILED(CreateDib32(image, m_imageWidth, m_imageHeight))) {
            Err.Set(IDS_CREATE_BITMAP_FAILED);
            return false;
        }
    // One cell per layer, plus one for the union a layer after a shadow grows from.
    std::vector<CMaskPlane> cells(static_cast<size_t>(layers));
    CMaskPlane shadowUnion;
    bool needUnion = false;
    for (int k = 2; k < layers; ++k)
        needUnion |= m_layers[static_cast<size_t>(k - 1)].Distance >= 1;
    for (CMaskPlane& cell : cells)
        if (!cell.Create(m_cellWidth, m_cellHeight)) {
            Err.Set(IDS_CREATE_BITMAP_FAILED);
            return false;
        }
    if (needUnion && !shadowUnion.Create(m_cellWidth, m_cellHeight)) {
        Err.Set(IDS_CREATE_BITMAP_FAILED);
        return false;
    }
    std::vector<CDisc> discs;
    std::vector<POINT> shifts;
    for (int k = 0; k < layers; ++k) {
        discs.push_back(CDisc(k == 0 ? 0 : m_layers[static_cast<size_t>(k)].Size));
        shifts.push_back(m_layers[static_cast<size_t>(k)].GetShadowOffset(m_vertical));
    }
    std::vector<uint8_t*> targetTops(static_cast<size_t>(layers));
    std::vector<ptrdiff_t> targetStrides(static_cast<size_t>(layers));
    for (int k = 0; k < layers; ++k)
        TopRowAndStride(*layerImages[static_cast<size_t>(k)], targetTops[static_cast<size_t>(k)],
                        targetStrides[static_cast<size_t>(k)]);

    CScreenDC screen;
    CCreatedDC memoryDC(::CreateCompatibleDC(screen));
    if (!memoryDC.Get())
        ThrowLastError(IDS_CREATE_DC_FAILED, L"CreateCompatibleDC");
    CSelectObjectGuard selectFont(memoryDC, m_font);
    ::SetBkMode(memoryDC, TRANSPARENT);
    ::SetTextColor(memoryDC, RGB(255, 255, 255));

    Gdiplus::GraphicsPath path(Gdiplus::FillModeWinding);
    std::vector<Gdiplus::PointF> points;
    std::vector<CPathPoint> fillPoints;
    std::vector<BYTE> types;
    m_charRects.clear();
    m_lineRects.clear();
    m_paragraphRects.clear();
    const int cellHeightOfLine = GetLineCellHeight();
    bool newParagraph = true;
    const int length = static_cast<int>(Text.size());
    CTextWalk walk(Text, m_lineHeadOffset, m_lineAdvance);
    while (walk.Next()) {
        if (IsTerminated())
            return false;
        if (m_client)
            m_client->OnProgress(static_cast<int>(walk.Index()), length);
        if (walk.IsLineBreak()) {
            if (walk.EndedEmptyLine())
                newParagraph = true;
            continue;
        }
        for (CMaskPlane& cell : cells)
            cell.Clear();
        if (IsTerminated())
            return false;
        const int penX = walk.PenX(), y = walk.LineTop();
        ABC abc;
        float advance = 0;
        GetCharAdvance(memoryDC, walk.Char(), abc, advance);
        const int gl = penX + abc.abcA - 1;
        const int px = gl / 10, py = y / 10;
        const float gx = static_cast<float>(m.left + penX + abc.abcA - 10 * px);
        const float gy = static_cast<float>(m.top + y - 10 * py);
        // The winding rule: glyphs whose contours overlap (common in CJK
        // fonts) would get holes under the alternate rule.
        AddGlyphPath(path, walk.Char(), m_emSize, Gdiplus::PointF(gx, gy));
        if (path.GetPathData(points, types) != Gdiplus::Ok)
            throw my::CException(IDS_FILL_GDIP_PATH_FAILED);
        fillPoints.resize(points.size());
        for (size_t p = 0; p < points.size(); ++p)
            fillPoints[p] = CPathPoint{points[p].X, points[p].Y};
        if (!FillPathWinding(cells[0], fillPoints, types))
            throw my::CException(IDS_FILL_GDIP_PATH_FAILED);
        if (IsTerminated())
            return false;
        for (int k = 1; k < layers; ++k) {
            const CMaskPlane* source = &cells[static_cast<size_t>(k - 1)];
            if (m_layers[static_cast<size_t>(k - 1)].Distance >= 1) {
                UniteMasks(shadowUnion, cells[static_cast<size_t>(k - 2)], cells[static_cast<size_t>(k - 1)]);
                source = &shadowUnion;
            }
            if (IsTerminated())
                return false;
            // Growth and shift in one pass: the stamps are written shifted.
            const POINT& d = shifts[static_cast<size_t>(k)];
            DilateByDisc(cells[static_cast<size_t>(k)], *source, discs[static_cast<size_t>(k)], d.x, d.y);
            if (IsTerminated())
                return false;
        }
        for (int k = 0; k < layers; ++k) {
            if (IsTerminated())
                return false;
            ReduceMaskOverAlpha(cells[static_cast<size_t>(k)], targetTops[static_cast<size_t>(k)],
                                targetStrides[static_cast<size_t>(k)], m_imageWidth, m_imageHeight, px, py);
        }
        const LONG right = gl + static_cast<LONG>(std::ceil(advance)) + m.left + m.right;
        const LONG bottom = y + cellHeightOfLine + m.top + m.bottom;
        AddUnitRects(RECT{gl, y, right, bottom}, walk.AtLineStart(), newParagraph);
        walk.Place(GetPenStep(abc));
    }
    return true;
}

bool CKanteloTask::ComposeLayers(CLayerImages& layerImages, boost::shared_ptr<CDib>& result)
{
    const int layers = m_layerCount;
    for (int k = 1; k < layers; ++k) {
        const int blur = m_layers[static_cast<size_t>(k)].Blur;
        if (blur <= 0)
            continue;
        if (IsTerminated())
            return false;
        boost::shared_ptr<CDib> blurred;
        HRESULT hr = GaussianBlurAlpha(blurred, *layerImages[static_cast<size_t>(k)], blur / 10.0);
        if (FAILED(hr)) {
            Err.SetWithCode(IDS_BLUR_IMAGE_FAILED, hr);
            return false;
        }
        layerImages[static_cast<size_t>(k)] = blurred;
    }
    for (int k = 0; k < layers; ++k) {
        const int alpha = m_layers[static_cast<size_t>(k)].Alpha;
        if (alpha >= 100)
            continue;
        if (IsTerminated())
            return false;
        HRESULT hr = ScaleChannel(*layerImages[static_cast<size_t>(k)], 3, alpha, 100);
        if (FAILED(hr)) {
            Err.SetWithCode(IDS_SET_IMAGE_OPACITY_FAILED, hr);
            return false;
        }
    }
    for (int k = 0; k < layers; ++k) {
        if (IsTerminated())
            return false;
        CPaintSetting paint = m_layers[static_cast<size_t>(k)].Paint;
        paint.LimitUnit(m_setting->Unit);
        if (!PaintLayer(*layerImages[static_cast<size_t>(k)], paint, m_layerMargins[static_cast<size_t>(k)],
                        m_vertical, m_charRects, m_lineRects, m_paragraphRects, Err))
            return false;
    }
    if (FAILED(CreateDib32(result, m_imageWidth, m_imageHeight))) {
        Err.Set(IDS_CREATE_BITMAP_FAILED);
        return false;
    }
    m_resultImage = result;
    for (int k = layers - 1; k >= 0; --k) {
        if (IsTerminated())
            return false;
        HRESULT hr = CompositeOver(*result, *layerImages[static_cast<size_t>(k)]);
        if (FAILED(hr)) {
            Err.SetWithCode(IDS_DRAW_IMAGE_FAILED, hr);
            return false;
        }
        layerImages[static_cast<size_t>(k)].reset();
    }
    return true;
}

bool CKanteloTask::FinishResult(boost::shared_ptr<CDib>& result)
{
    const CSetting& setting = *m_setting;
    if (setting.TrimType != 0) {
        if (IsTerminated())
            return false;
        HRESULT hr = TrimTransparentMargins(result, static_cast<int>(setting.TrimType));
        if (FAILED(hr)) {
            Err.SetWithCode(IDS_TRIM_IMAGE_FAILED, hr);
            return false;
        }
        m_resultImage = result;
    }
    const bool keepsTransparency = !m_saver || m_saver->m_alphaCapable;
    if (!(setting.Transparent && keepsTransparency)) {
        if (IsTerminated())
            return false;
        HRESULT hr = FlattenOnColor(result, *result, setting.BkColor);
        if (FAILED(hr)) {
            Err.SetWithCode(IDS_SET_IMAGE_BACKGROUND_FAILED, hr);
            return false;
        }
        m_resultImage = result;
    }
    if (m_vertical) {
        if (IsTerminated())
            return false;
        boost::shared_ptr<CDib> turned;
        HRESULT hr = RotateByOrientation(turned, *result, 6);
        if (FAILED(hr)) {
            Err.SetWithCode(IDS_ROTATE_IMAGE_FAILED, hr);
            return false;
        }
        result = turned;
        m_resultImage = result;
    }
    if (m_saver && m_saver->m_paletteCapable && !setting.Transparent) {
        if (IsTerminated())
            return false;
        // A failed reduction (too many colours, or no memory for the small
        // copy) costs only file size: the 32-bit image is saved instead.
        boost::shared_ptr<CDib> palettised = result;
        if (SUCCEEDED(ReduceResultToPalette(palettised))) {
            result = palettised;
            m_resultImage = result;
        }
    }
    if (!Path.empty() && m_saver) {
        if (IsTerminated())
            return false;
        HRESULT hr = m_saver->Save(*result, true, Path);
        if (FAILED(hr)) {
            Err.SetWithCode(IDS_SAVE_IMAGE_FAILED, hr, Path);
            return false;
        }
    }
    return true;
}
