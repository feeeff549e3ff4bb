// The fonts of one rendering task, made from the settings' font record: the
// GDI font that measures (its height is the font's Size, so one font unit is
// one tenth of an output pixel), the font manager that fetches outlines, and
// what a task asks of them: ABC widths, a character's advance by its
// outline, and the outline placed as a path. Outlines and measures are kept
// for the task's run: the layout measures each character by its outline and
// the drawing comes back to the same characters, and fetching an outline
// makes the font engine load and hint the glyph again.
#pragma once
#include "outline/CodePointGlyphs.h"
#include "platform/Gdi.h"
#include <windows.h>
#include <boost/shared_ptr.hpp>
#include <map>
#include <string>
#include <vector>

class CFontSetting;
class CVectorFontManager;
namespace Gdiplus {
class FontFamily;
class GraphicsPath;
class PointF;
class StringFormat;
}

const int kUnknownBearing = 0x7fffffff;

// abcA + abcB + abcC.
inline int GetAbcWidth(const ABC& abc) { return abc.abcA + static_cast<int>(abc.abcB) + abc.abcC; }

class CTaskFonts {
public:
    CTaskFonts();
    ~CTaskFonts();
    CTaskFonts(const CTaskFonts&) = delete;
    CTaskFonts& operator=(const CTaskFonts&) = delete;

    // Makes every font of the record (quality 3) and forgets what was kept.
    // Throws the font record's errors.
    void Create(const CFontSetting& font);
    void Release();
    bool IsCreated() const { return m_manager != nullptr; }

    // GetCharABCWidthsW, else {0, GetCharWidth32W, 0}; throws IDS_GET_CHAR_WIDTH_FAILED.
    void GetCharWidths(HDC dc, UINT32 ch, ABC& abc);
    // The ABC widths and the advance: the width of the outline's black box
    // plus one (abcB for a white-space character).
    void GetCharAdvance(HDC dc, UINT32 ch, ABC& abc, float& advance);
    // GetCharAdvance, asked of the font once per character of a run.
    void MeasureChar(HDC dc, UINT32 ch, ABC& abc, float& advance);
    // The glyph outline of ch into `path` (reset first; empty for white
    // space) at `size` pixels, its black box's left edge at origin.X and the
    // top of its line at origin.Y, moved down by `leading`. Throws the font
    // manager's and parser's errors.
    void AddGlyphPath(Gdiplus::GraphicsPath& path, UINT32 ch, float size, const Gdiplus::PointF& origin,
                      float leading);
    // How many points AddGlyphPath puts into the path for ch (0 for white
    // space): what a vector renderer is given to draw for it.
    size_t OutlinePointCount(UINT32 ch);

    const boost::shared_ptr<CVectorFontManager>& GetManager() const { return m_manager; }
    HFONT GetFont() const { return m_font.Get(); }
    const LOGFONTW& GetLogFont() const { return m_logFont; }
    const TEXTMETRICW& GetTextMetrics() const { return m_textMetrics; }
    float GetEmSize() const { return m_emSize; }
    bool IsVertical() const { return m_vertical; }
    // Bit 0 of the outline font's tmPitchAndFamily: set for variable pitch.
    bool IsVariablePitch() const;

private:
    // The outline of ch with its metrics, and the shift (font units, y up)
    // that puts the outline where its metrics place it; kept up to
    // kKeptOutlineBytes.
    void LoadGlyph(UINT32 ch, GLYPHMETRICS& gm, std::vector<BYTE>& buffer, double& sx, double& sy);
    void LoadGlyphFromFont(UINT32 ch, GLYPHMETRICS& gm, std::vector<BYTE>& buffer, double& sx, double& sy);

    struct CCharMeasure {
        ABC abc;
        float advance;
    };
    struct CKeptOutline {
        GLYPHMETRICS gm;
        std::vector<BYTE> buffer;
        double sx, sy;
    };
    static const size_t kKeptOutlineBytes = 256u << 10;
    std::map<UINT32, CCharMeasure> m_measures;
    std::map<UINT32, CKeptOutline> m_outlines;
    size_t m_outlineBytes = 0;
    boost::shared_ptr<CVectorFontManager> m_manager;
    LOGFONTW m_logFont;
    CFontHandle m_font;
    TEXTMETRICW m_textMetrics;
    float m_emSize = 0;
    boost::shared_ptr<Gdiplus::FontFamily> m_fontFamily;
    boost::shared_ptr<Gdiplus::StringFormat> m_stringFormat;
    int m_fontStyle = 0;
    bool m_vertical = false;
};

// The smallest ABC A-width of the first character of any line of any unit
// (a line starts each unit and follows each '\n'), measured with the
// setting's GDI font; kUnknownBearing when no character was measured.
// Throws IDS_CREATE_FONT_FAILED, IDS_GET_TEXT_METRICS_FAILED (font) or IDS_GET_CHAR_WIDTH_FAILED (widths).
int CalcMinLineHeadBearing(const std::vector<std::wstring>& units, const CFontSetting& font);
