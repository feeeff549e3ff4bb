// Task life cycle, fonts, glyph measures and the text layout.
//
// Layout (MeasureText), in tenths of a pixel: characters are placed one after
// another, each moving the pen by max(0, abcA + abcB + abcC + letter
// spacing); only '\n' breaks a line, which moves down by the line advance.
// The ink of a character reaches from pen + abcA to pen + abcA + its advance
// (the outline's black box, rounded up); the smallest A width at a line start
// (the line-head bearing, possibly preset over all units of a job) shifts
// every line right when it is negative. In bounded mode (Size set) characters
// past the width limit of a line and lines past the height limit are dropped
// from Text.
#include "render/KanteloTask.h"
#include "render/TextWalk.h"
#include "foundation/GuardedRunner.h"
#include "decoration/Setting.h"
#include "outline/FontSetting.h"
#include "outline/GlyphOutline.h"
#include "outline/VectorRenderer.h"
#include "outline/VectorFontManager.h"
#include "platform/Gdi.h"
#include "platform/GdiPlusPath.h"
#include "platform/GdiPlusText.h"
#include "resources/strings_engine.h"
#include "resources/strings_foundation.h"
#include <algorithm>
#include <cstdlib>
#include <cmath>
#include <new>

namespace {

bool IsVerticalFace(const std::wstring& face) { return !face.empty() && face[0] == L'@'; }

// GetCharABCWidthsW, else {0, GetCharWidth32W, 0}; a character beyond
// U+FFFF by its glyph, which `glyphs` finds. Throws IDS_GET_CHAR_WIDTH_FAILED.
template <class FindGlyph>
void MeasureCharWidths(HDC dc, UINT32 code, ABC& abc, FindGlyph glyphs)
{
    if (code > 0xFFFF) {
        if (!GetGlyphAbcWidths(dc, glyphs(code), abc))
            throw my::CException(IDS_GET_CHAR_WIDTH_FAILED);
        return;
    }
    const wchar_t ch = static_cast<wchar_t>(code);
    ZeroMemory(&abc, sizeof abc);
    if (::GetCharABCWidthsW(dc, ch, ch, &abc))
        return;
    INT width = 0;
    if (::GetCharWidth32W(dc, ch, ch, &width)) {
        abc.abcB = static_cast<UINT>(width);
        return;
    }
    throw my::CException(IDS_GET_CHAR_WIDTH_FAILED);
}

} // namespace

CKanteloTask::CKanteloTask()
{
    ZeroMemory(&m_logFont, sizeof m_logFont);
    ZeroMemory(&m_textMetrics, sizeof m_textMetrics);
}

CKanteloTask::~CKanteloTask() { ReleaseFonts(); }

void CKanteloTask::Init(CKanteloTaskClient* client)
{
    Err = CSimpleErr();
    No = -1;
    Size.cx = Size.cy = 0;
    Path.clear();
    m_client = client;
    m_lineHeadBearing = kUnknownBearing;
}

void CKanteloTask::Execute()
{
    // Whatever leaves Run becomes the task's error: a worker thread must never
    // end without telling its client, or the job would wait for ever.
    // The guarded runner's conversion, so a task reports what a command would.
    my::CCtrlException result(nullptr, 0);
    try {
        CatchToError(result, [this] { Run(); });
        // Run may also have set the error itself and returned.
        if (result.id != 0)
            Err = result;
    } catch (...) {
        // Only the message text of the error itself could not be loaded.
        Err.id = IDS_UNKNOWN_EXCEPTION;
        Err.code = E_FAIL;
        Err.message = L"Unknown exception is occurred";
    }
    ReleaseFonts();
    if (m_client)
        m_client->OnTaskFinished(shared_from_this());
}

void CKanteloTask::CreateFonts()
{
    const CFontSetting& fs = m_setting->FontSetting;
    m_charMeasures.clear();
    ForgetOutlines();
    m_fontManager = fs.CreateVectorFontManager(NONANTIALIASED_QUALITY);
    m_font.Reset();
    m_font = fs.CreateGdiFont(m_logFont, m_textMetrics, m_emSize, NONANTIALIASED_QUALITY);
    m_fontFamily = fs.CreateFontFamily();
    m_stringFormat = fs.CreateStringFormat();
    m_fontStyle = fs.GetGdiplusFontStyle();
    m_vertical = IsVerticalFace(fs.FontFace);
}

void CKanteloTask::ReleaseFonts()
{
    m_fontManager.reset();
    m_font.Reset();
    ForgetOutlines();
}

void CKanteloTask::ForgetOutlines()
{
    m_outlines.clear();
    m_outlineBytes = 0;
}

void CKanteloTask::GetCharWidths(HDC dc, UINT32 ch, ABC& abc)
{
    MeasureCharWidths(dc, ch, abc, [this](UINT32 code) { return m_fontManager->GetGlyphIndex(code); });
}

void CKanteloTask::LoadGlyph(UINT32 ch, GLYPHMETRICS& gm, std::vector<BYTE>& buffer, double& sx, double& sy)
{
    const auto kept = m_outlines.find(ch);
    if (kept != m_outlines.end()) {
        gm = kept->second.gm;
        buffer = kept->second.buffer;
        sx = kept->second.sx;
        sy = kept->second.sy;
        return;
    }
    LoadGlyphFromFont(ch, gm, buffer, sx, sy);
    if (m_outlineBytes + buffer.size() <= kKeptOutlineBytes) {
        m_outlines[ch] = CKeptOutline{gm, buffer, sx, sy};
        m_outlineBytes += buffer.size();
    }
}

void CKanteloTask::LoadGlyphFromFont(UINT32 ch, GLYPHMETRICS& gm, std::vector<BYTE>& buffer, double& sx, double& sy)
{
    MAT2 identity = IdentityMat2();
    m_fontManager->GetGlyphOutline(&gm, buffer, ch, GGO_BEZIER, &identity);
    sx = sy = 0;
    if (!m_vertical)
        return;
    // Wine turns the outline of a vertical face a quarter about the glyph
    // origin but leaves out the shift that its own origin and black box
    // describe. Outlines that already sit on their box (Windows) are off by
    // rounding only and stay as they are.
    Gdiplus::GraphicsPath path;
    CGlyphParseState state;
    ParseGlyphOutline(state, path, ch, buffer, kIdentityTransform);
    Gdiplus::RectF b;
    if (GetTightPathBounds(b, path, nullptr) != Gdiplus::Ok || (b.Width == 0 && b.Height == 0))
        return;
    const double dx = gm.gmptGlyphOrigin.x - b.X, dy = gm.gmptGlyphOrigin.y - (b.Y + b.Height);
    if (std::fabs(dx) > 4 || std::fabs(dy) > 4) {
        sx = dx;
        sy = dy;
    }
}

void CKanteloTask::GetCharAdvance(HDC dc, UINT32 ch, ABC& abc, float& advance)
{
    GetCharWidths(dc, ch, abc);
    if (IsSpaceChar(ch)) {
        advance = static_cast<float>(abc.abcB);
        return;
    }
    GLYPHMETRICS gm;
    std::vector<BYTE> buffer;
    double sx, sy;
    LoadGlyph(ch, gm, buffer, sx, sy);
    // Black box from x = 1, y axis flipped: its right edge is the advance.
    double t[kTransformSize];
    MakeTransform(t, 1, 0, 0, -1, 1 - gm.gmptGlyphOrigin.x + sx, -sy);
    Gdiplus::GraphicsPath path(Gdiplus::FillModeWinding);
    CGlyphParseState state;
    ParseGlyphOutline(state, path, ch, buffer, t);
    Gdiplus::RectF bounds;
    if (GetTightPathBounds(bounds, path, nullptr) != Gdiplus::Ok)
        throw my::CException(IDS_GET_STROKE_BOUNDS_FAILED);
    advance = bounds.X + bounds.Width;
}

void CKanteloTask::MeasureChar(HDC dc, UINT32 ch, ABC& abc, float& advance)
{
    const auto found = m_charMeasures.find(ch);
    if (found != m_charMeasures.end()) {
        abc = found->second.abc;
        advance = found->second.advance;
        return;
    }
    GetCharAdvance(dc, ch, abc, advance);
    m_charMeasures[ch] = CCharMeasure{abc, advance};
}

void CKanteloTask::AddGlyphPath(Gdiplus::GraphicsPath& path, UINT32 ch, float size, const Gdiplus::PointF& origin)
{
    path.Reset();
    if (IsSpaceChar(ch))
        return;
    GLYPHMETRICS gm;
    std::vector<BYTE> buffer;
    double sx, sy;
    LoadGlyph(ch, gm, buffer, sx, sy);
    const double s = size / m_emSize;
    const double dx = origin.X - (gm.gmptGlyphOrigin.x - sx) * s;
    const double dy = (m_fontManager->GetMetrics().tmAscent - sy) * s + origin.Y + GetLeadingOffset(size);
    double t[kTransformSize];
    MakeTransform(t, s, 0, 0, -s, dx, dy);
    CGlyphParseState state;
    ParseGlyphOutline(state, path, ch, buffer, t);
}

float CKanteloTask::GetLeadingOffset(float size) const
{
    int leading = m_setting->FontSetting.LeadingWidth;
    return leading == 0 ? 0.0f : leading / 100.0f * size;
}

int CKanteloTask::GetLetterSpacing() const
{
    return (m_setting->FontSetting.CharWidth - 100) * m_textMetrics.tmHeight / 100;
}

int CKanteloTask::GetLineAdvance() const { return m_setting->FontSetting.LineWidth * m_textMetrics.tmHeight / 100; }

int CKanteloTask::GetLineCellHeight() const
{
    int leading = m_setting->FontSetting.LeadingWidth;
    float extra = leading / 100.0f * static_cast<float>(m_textMetrics.tmHeight);
    if (leading == 0 || extra == 0.0f)
        return m_textMetrics.tmHeight;
    // A leading of -100 percent or less leaves no cell: one unit stands for it.
    return std::max(1, static_cast<int>(std::ceil(m_textMetrics.tmHeight + extra)));
}

void CKanteloTask::GetLineInkBand(int& top, int& bottom) const
{
    // The glyph box (ascent to descent) starts at the leading offset.
    const float lead = GetLeadingOffset(m_emSize);
    top = std::min(0, static_cast<int>(std::floor(lead)));
    bottom = std::max(GetLineCellHeight(), static_cast<int>(std::ceil(lead)) + static_cast<int>(m_textMetrics.tmHeight));
}

int CKanteloTask::GetPenStep(const ABC& abc) const { return std::max(0, GetAbcWidth(abc) + m_letterSpacing); }

int CKanteloTask::GetTextWidth() const
{
    // The bit is set for variable-pitch fonts (the name says the opposite).
    if (m_fontManager && (m_fontManager->GetMetrics().tmPitchAndFamily & TMPF_FIXED_PITCH))
        return m_inkWidth;
    return std::max(m_inkWidth, m_advanceWidth);
}

void CKanteloTask::BuildLayers()
{
    CollectLayers();
    ComputeLayerMargins();
}

void CKanteloTask::CollectLayers()
{
    const CSetting& s = *m_setting;
    m_layers.clear();
    CBorderingSetting face;
    face.Size = s.FontSetting.Size;
    face.Alpha = s.FontSetting.Alpha;
    face.Paint = s.PaintSetting;
    m_layers.push_back(face);
    size_t rows = std::min(s.UseBorderings.size(), s.Borderings.size());
    for (size_t i = 0; i < rows; ++i)
        if (s.UseBorderings[i])
            m_layers.push_back(s.Borderings[i]);
    m_layerCount = static_cast<int>(m_layers.size());
    m_vertical = IsVerticalFace(s.FontSetting.FontFace);
}

void CKanteloTask::ComputeLayerMargins()
{
    m_layerMargins.assign(m_layers.size(), RECT{0, 0, 0, 0});
    for (size_t k = m_layers.size() - 1; k >= 1; --k) {
        RECT m;
        m_layers[k].GetMargins(m, m_vertical);
        const RECT& outer = m_layerMargins[k];
        m_layerMargins[k - 1] =
            RECT{outer.left + m.left, outer.top + m.top, outer.right + m.right, outer.bottom + m.bottom};
    }
    m_totalMargins = m_layerMargins[0];
}

void CKanteloTask::MeasureText()
{
    CScreenDC screen;
    CSelectObjectGuard select(screen, m_font);
    const int h = GetLineCellHeight();
    m_letterSpacing = GetLetterSpacing();
    m_lineAdvance = GetLineAdvance();
    const bool bounded = Size.cx != 0 || Size.cy != 0;
    long widthLimit = Size.cx * 10, heightLimit = Size.cy * 10;
    if (m_vertical)
        std::swap(widthLimit, heightLimit);
    std::wstring kept;
    m_inkWidth = m_advanceWidth = m_maxGlyphAdvance = 0;
    m_lineCount = 0;
    // The leftmost ink of any character: with a tight spacing a character
    // after the first may reach further left than the line head's.
    int inkLeft = 0;
    bool stopped = false;
    CTextWalk walk(Text, 0, m_lineAdvance);
    while (walk.Next()) {
        if (walk.IsLineBreak()) {
            ++m_lineCount;
            if (bounded && walk.LineTop() >= heightLimit) {
                stopped = true;
                break;
            }
            kept += L'\n';
            continue;
        }
        const int x = walk.PenX();
        if (bounded && x >= widthLimit + h)
            continue;
        kept.append(Text, walk.Index(), walk.Length());
        ABC abc;
        float advance = 0;
        MeasureChar(screen, walk.Char(), abc, advance);
        int adv = static_cast<int>(std::ceil(advance));
        m_maxGlyphAdvance = std::max(m_maxGlyphAdvance, adv);
        if (x == 0)
            m_lineHeadBearing = std::min(m_lineHeadBearing, abc.abcA);
        inkLeft = std::min(inkLeft, x + abc.abcA);
        m_inkWidth = std::max(m_inkWidth, x + abc.abcA + adv);
        m_advanceWidth = std::max(m_advanceWidth, x + GetAbcWidth(abc));
        walk.Place(GetPenStep(abc));
    }
    // A last line counts when a character stands on it (the pen may not
    // have moved: a spacing of -100 percent or less keeps it in place).
    if (!stopped && !walk.AtLineStart())
        ++m_lineCount;
    m_lineHeadOffset = std::max(m_lineHeadBearing < 0 ? -m_lineHeadBearing : 0, -inkLeft);
    m_inkWidth += m_lineHeadOffset;
    // Lines run from the first line's top by the advance, upwards when it is
    // negative; every line's band of ink must lie inside the text.
    int bandTop = 0, bandBottom = 0;
    GetLineInkBand(bandTop, bandBottom);
    const int lastTop = m_lineCount == 0 ? 0 : (m_lineCount - 1) * m_lineAdvance;
    m_lineTopOffset = -std::min(0, lastTop) - bandTop;
    m_textHeight = m_lineCount == 0 ? 0 : std::abs(lastTop) + bandBottom - bandTop;
    if (bounded)
        Text = kept;
}

int CalcMinLineHeadBearing(const std::vector<std::wstring>& units, const CSetting& setting)
{
    LOGFONTW lf;
    TEXTMETRICW tm;
    float em;
    CFontHandle font = setting.FontSetting.CreateGdiFont(lf, tm, em, NONANTIALIASED_QUALITY);
    CScreenDC screen;
    CSelectObjectGuard select(screen, font);
    CCodePointGlyphs glyphs;
    bool glyphsLoaded = false;
    const auto findGlyph = [&](UINT32 code) {
        if (!glyphsLoaded) {
            glyphs.Load(screen);
            glyphsLoaded = true;
        }
        return glyphs.Find(code);
    };
    int bearing = kUnknownBearing;
    for (const std::wstring& unit : units) {
        CTextWalk walk(unit, 0, 0);
        while (walk.Next()) {
            if (walk.IsLineBreak() || !walk.AtLineStart())
                continue;
            ABC abc;
            MeasureCharWidths(screen, walk.Char(), abc, findGlyph);
            bearing = std::min(bearing, abc.abcA);
            walk.Place(0);
        }
    }
    return bearing;
}
