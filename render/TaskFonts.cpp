// The fonts of one task and the glyph measures (see TaskFonts.h).
//
// A character's advance is measured by its outline: the outline's black box
// is put at x = 1 with the y axis flipped, and the right edge of its tight
// bounds (true Bezier extremes) is the advance. Under Wine the outline of a
// vertical face is turned about the glyph origin without the shift its own
// origin and black box describe; LoadGlyphFromFont finds that shift.
#include "render/TaskFonts.h"
#include "render/TextWalk.h"
#include "foundation/Error.h"
#include "outline/FontSetting.h"
#include "outline/GlyphOutline.h"
#include "outline/VectorFontManager.h"
#include "outline/VectorRenderer.h"
#include "platform/GdiPlusPath.h"
#include "platform/GdiPlusText.h"
#include "resources/strings_engine.h"
#include "resources/strings_foundation.h"
#include <algorithm>
#include <cmath>
#include <unordered_set>

namespace {

template <class FindGlyph>
void MeasureCharWidths(HDC dc, UINT32 code, ABC& abc, FindGlyph findGlyph)
{
    if (code > 0xFFFF) {
        if (!GetGlyphAbcWidths(dc, findGlyph(code), abc))
            throw my::CException(IDS_GET_CHAR_WIDTH_FAILED);
        return;
    }
    const wchar_t ch = static_cast<wchar_t>(code);
    ZeroMemory(&abc, sizeof abc);
    if (::GetCharABCWidthsW(dc, ch, ch, &abc))
        return;
    INT width = 0;
    if (!::GetCharWidth32W(dc, ch, ch, &width))
        throw my::CException(IDS_GET_CHAR_WIDTH_FAILED);
    abc.abcB = static_cast<UINT>(width);
}

} // namespace

CTaskFonts::CTaskFonts()
{
    ZeroMemory(&m_logFont, sizeof m_logFont);
    ZeroMemory(&m_textMetrics, sizeof m_textMetrics);
}

CTaskFonts::~CTaskFonts() = default;

void CTaskFonts::Create(const CFontSetting& fs)
{
    m_measures.clear();
    m_outlines.clear();
    m_outlineBytes = 0;
    m_manager = fs.CreateVectorFontManager(NONANTIALIASED_QUALITY);
    m_font.Reset();
    m_font = fs.CreateGdiFont(m_logFont, m_textMetrics, m_emSize, NONANTIALIASED_QUALITY);
    m_fontFamily = fs.CreateFontFamily();
    m_stringFormat = fs.CreateStringFormat();
    m_fontStyle = fs.GetGdiplusFontStyle();
    m_vertical = fs.IsVertical();
}

void CTaskFonts::Release()
{
    m_manager.reset();
    m_font.Reset();
    m_outlines.clear();
    m_outlineBytes = 0;
}

bool CTaskFonts::IsVariablePitch() const
{
    // The bit is set for variable-pitch fonts (the name says the opposite).
    return m_manager && (m_manager->GetMetrics().tmPitchAndFamily & TMPF_FIXED_PITCH);
}

void CTaskFonts::GetCharWidths(HDC dc, UINT32 ch, ABC& abc)
{
    MeasureCharWidths(dc, ch, abc, [this](UINT32 code) { return m_manager->GetGlyphIndex(code); });
}

void CTaskFonts::LoadGlyph(UINT32 ch, GLYPHMETRICS& gm, std::vector<BYTE>& buffer, double& sx, double& sy)
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

void CTaskFonts::LoadGlyphFromFont(UINT32 ch, GLYPHMETRICS& gm, std::vector<BYTE>& buffer, double& sx, double& sy)
{
    MAT2 identity = IdentityMat2();
    m_manager->GetGlyphOutline(&gm, buffer, ch, GGO_BEZIER, &identity);
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

void CTaskFonts::GetCharAdvance(HDC dc, UINT32 ch, ABC& abc, float& advance)
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

void CTaskFonts::MeasureChar(HDC dc, UINT32 ch, ABC& abc, float& advance)
{
    const auto found = m_measures.find(ch);
    if (found != m_measures.end()) {
        abc = found->second.abc;
        advance = found->second.advance;
        return;
    }
    GetCharAdvance(dc, ch, abc, advance);
    m_measures[ch] = CCharMeasure{abc, advance};
}

void CTaskFonts::AddGlyphPath(Gdiplus::GraphicsPath& path, UINT32 ch, float size, const Gdiplus::PointF& origin,
                              float leading)
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
    const double dy = (m_manager->GetMetrics().tmAscent - sy) * s + origin.Y + leading;
    double t[kTransformSize];
    MakeTransform(t, s, 0, 0, -s, dx, dy);
    CGlyphParseState state;
    ParseGlyphOutline(state, path, ch, buffer, t);
}

size_t CTaskFonts::OutlinePointCount(UINT32 ch)
{
    if (IsSpaceChar(ch))
        return 0;
    GLYPHMETRICS gm;
    std::vector<BYTE> buffer;
    double sx, sy;
    LoadGlyph(ch, gm, buffer, sx, sy);
    // The placement moves the points, never adds or drops one.
    Gdiplus::GraphicsPath path;
    CGlyphParseState state;
    ParseGlyphOutline(state, path, ch, buffer, kIdentityTransform);
    return static_cast<size_t>(std::max(0, path.GetPointCount()));
}

int CalcMinLineHeadBearing(const std::vector<std::wstring>& units, const CFontSetting& fontSetting)
{
    LOGFONTW lf;
    TEXTMETRICW tm;
    float em;
    CFontHandle font = fontSetting.CreateGdiFont(lf, tm, em, NONANTIALIASED_QUALITY);
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
    // Each distinct character is measured once, however many units hold it:
    // the window builds a save's tasks on its own thread, where a million
    // one-character units must cost a million set lookups, not measures.
    std::unordered_set<UINT32> measured;
    for (const std::wstring& unit : units) {
        CTextWalk walk(unit, 0, 0);
        while (walk.Next()) {
            if (walk.IsLineBreak() || !walk.AtLineStart())
                continue;
            if (measured.insert(walk.Char()).second) {
                ABC abc;
                MeasureCharWidths(screen, walk.Char(), abc, findGlyph);
                bearing = std::min(bearing, abc.abcA);
            }
            walk.Place(0);
        }
    }
    return bearing;
}
