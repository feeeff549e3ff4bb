// The font of one rendering task: one GDI font realised on a screen DC of the
// task's own, its text metrics, and the glyph outlines fetched through it.
#pragma once
#include "outline/CodePointGlyphs.h"
#include "platform/Gdi.h"
#include <windows.h>
#include <boost/shared_ptr.hpp>
#include <string>
#include <vector>

class CVectorFontManager {
public:
    CVectorFontManager();
    virtual ~CVectorFontManager();
    CVectorFontManager(const CVectorFontManager&) = delete;
    CVectorFontManager& operator=(const CVectorFontManager&) = delete;

    // Realises the font with the given quality (the tasks pass
    // NONANTIALIASED_QUALITY) and reads its metrics. Throws IDS_CREATE_FONT_FAILED or IDS_GET_TEXT_METRICS_FAILED;
    // what was done before a failure is undone by the destructor.
    void Open(const LOGFONTW& logFont, BYTE quality);
    // Selects the previous font back into the screen DC, once.
    void Close();

    // GetGlyphOutlineW into `buffer`; 0 on success, else the Win32 code (50
    // when the system left none). An empty outline (a blank) counts as a
    // failure, and a failure leaves the buffer empty. A character beyond
    // U+FFFF is fetched by its glyph index (GetGlyphIndex).
    DWORD GetGlyphOutlineData(GLYPHMETRICS* metrics, std::vector<BYTE>& buffer, UINT32 ch, UINT format,
                              const MAT2* matrix);
    // The same, throwing IDS_GET_GLYPH_OUTLINE_FAILED with the character.
    void GetGlyphOutline(GLYPHMETRICS* metrics, std::vector<BYTE>& buffer, UINT32 ch, UINT format,
                         const MAT2* matrix);
    // The font's glyph of a code point beyond U+FFFF (0, its missing glyph,
    // when it has none); the character map is read at the first call.
    UINT GetGlyphIndex(UINT32 code);

    const LOGFONTW& GetLogFont() const { return m_logFont; }
    HFONT GetFont() const { return m_font.Get(); }
    HDC GetScreenDC() const { return m_screenDC ? m_screenDC->Get() : nullptr; }
    // tmAscent places the baseline; bit 0 of tmPitchAndFamily is set for
    // variable-pitch fonts.
    const TEXTMETRICW& GetMetrics() const { return m_textMetrics; }

private:
    LOGFONTW m_logFont;
    CFontHandle m_font;
    boost::shared_ptr<CScreenDC> m_screenDC;
    TEXTMETRICW m_textMetrics;
    HGDIOBJ m_previousFont = nullptr;
    CCodePointGlyphs m_glyphs;
    bool m_glyphsLoaded = false;
};

// The character itself as the "char: %s" argument of messages.
std::wstring CharToMessageText(UINT32 ch);
// CT_CTYPE1 flags of one character; throws IDS_GET_CHAR_TYPE_FAILED when the system fails with a
// last error, and gives 0 when it fails without one.
WORD GetCharTypeFlags(WCHAR ch);
// Space, ideographic space, tabs, line breaks: characters with no outline.
// Nothing beyond U+FFFF is one.
bool IsSpaceChar(UINT32 ch);

// The identity MAT2 the tasks fetch outlines with.
MAT2 IdentityMat2();
