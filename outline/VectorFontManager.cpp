#include "outline/VectorFontManager.h"
#include "foundation/Error.h"
#include "resources/strings_outline.h"

namespace {

// A failing call that leaves no last error still needs a code.
DWORD LastErrorOrNotSupported()
{
    const DWORD e = ::GetLastError();
    return e != 0 ? e : ERROR_NOT_SUPPORTED;
}

} // namespace

CVectorFontManager::CVectorFontManager()
{
    ZeroMemory(&m_logFont, sizeof m_logFont);
    ZeroMemory(&m_textMetrics, sizeof m_textMetrics);
}

CVectorFontManager::~CVectorFontManager()
{
    Close();
    m_screenDC.reset();
    m_font.Reset();
}

void CVectorFontManager::Open(const LOGFONTW& logFont, BYTE quality)
{
    // A second Open replaces the first font instead of leaking it.
    Close();
    m_screenDC.reset();
    m_font.Reset();
    m_logFont = logFont;
    m_logFont.lfQuality = quality;
    m_font.Reset(::CreateFontIndirectW(&m_logFont));
    if (!m_font)
        throw my::CException(IDS_CREATE_FONT_FAILED);
    m_screenDC.reset(new CScreenDC);
    m_previousFont = ::SelectObject(m_screenDC->Get(), m_font.Get());
    if (m_previousFont == HGDI_ERROR)
        m_previousFont = nullptr;
    ZeroMemory(&m_textMetrics, sizeof m_textMetrics);
    if (!::GetTextMetricsW(m_screenDC->Get(), &m_textMetrics))
        throw my::CException(IDS_GET_TEXT_METRICS_FAILED);
}

void CVectorFontManager::Close()
{
    if (m_previousFont) {
        ::SelectObject(m_screenDC->Get(), m_previousFont);
        m_previousFont = nullptr;
    }
}

DWORD CVectorFontManager::GetGlyphOutlineData(GLYPHMETRICS* metrics, std::vector<BYTE>& buffer, UINT32 ch,
                                              UINT format, const MAT2* matrix)
{
    const HDC dc = GetScreenDC();
    UINT id = ch;
    if (ch > 0xFFFF) {
        id = GetGlyphIndex(ch);
        format |= GGO_GLYPH_INDEX;
    }
    ::SetLastError(0);
    DWORD size = ::GetGlyphOutlineW(dc, id, format, metrics, 0, nullptr, matrix);
    if (size == GDI_ERROR || size == 0) {
        const DWORD code = LastErrorOrNotSupported();
        buffer.clear();
        return code;
    }
    buffer.resize(size);
    ::SetLastError(0);
    const DWORD got = ::GetGlyphOutlineW(dc, id, format, metrics, size, buffer.data(), matrix);
    if (got == GDI_ERROR || got == 0) {
        const DWORD code = LastErrorOrNotSupported();
        buffer.clear();
        return code;
    }
    return 0;
}

void CVectorFontManager::GetGlyphOutline(GLYPHMETRICS* metrics, std::vector<BYTE>& buffer, UINT32 ch,
                                         UINT format, const MAT2* matrix)
{
    const DWORD code = GetGlyphOutlineData(metrics, buffer, ch, format, matrix);
    if (code != 0)
        throw my::CException(IDS_GET_GLYPH_OUTLINE_FAILED, HResultFromWin32(code), CharToMessageText(ch));
}

UINT CVectorFontManager::GetGlyphIndex(UINT32 code)
{
    if (!m_glyphsLoaded) {
        m_glyphs.Load(GetScreenDC());
        m_glyphsLoaded = true;
    }
    return m_glyphs.Find(code);
}

std::wstring CharToMessageText(UINT32 ch) { return CodePointText(ch); }

WORD GetCharTypeFlags(WCHAR ch)
{
    WORD flags = 0;
    ::SetLastError(0);
    if (!::GetStringTypeW(CT_CTYPE1, &ch, 1, &flags)) {
        const DWORD e = ::GetLastError();
        if (e != 0)
            throw my::CException(IDS_GET_CHAR_TYPE_FAILED, HResultFromWin32(e), CharToMessageText(ch));
        return 0;
    }
    return flags;
}

bool IsSpaceChar(UINT32 ch)
{
    return ch <= 0xFFFF && (GetCharTypeFlags(static_cast<WCHAR>(ch)) & C1_SPACE) != 0;
}

MAT2 IdentityMat2()
{
    MAT2 m;
    ZeroMemory(&m, sizeof m);
    m.eM11.value = 1;
    m.eM22.value = 1;
    return m;
}
