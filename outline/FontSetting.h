// The font part of the settings and the font objects made from it: the
// LOGFONTW, the task's glyph font, a GDI font with its em height, the GDI+
// family, style bits and string format, and the styles one face offers. The
// settings documents' list of its fields is in decoration/Setting.h.
#pragma once
#include "platform/Gdi.h"
#include <windows.h>
#include <boost/shared_ptr.hpp>
#include <string>
#include <vector>

class CVectorFontManager;
namespace Gdiplus {
class FontFamily;
class StringFormat;
}

class CFontSetting {
public:
    UINT32 CharSet = SHIFTJIS_CHARSET;
    // A leading "@" selects the vertical-writing variant of the face.
    std::wstring FontFace;
    INT32 Escapement = 0;
    INT32 Orientation = 0;
    INT32 Weight = FW_NORMAL;
    bool Italic = false;
    bool Underline = false;
    bool StrikeOut = false;
    // Cell height in pixels of the screen, in tenths of the drawn size.
    INT32 Size = 300;
    COLORREF Color = 0xFFFFFF;
    INT32 Alpha = 100;
    INT32 CharWidth = 100;
    INT32 LineWidth = 100;
    INT32 LeadingWidth = 0;

    // The face of the icon-title font and the defaults above.
    CFontSetting();

    // An "@" face: the text is written vertically.
    bool IsVertical() const;

    void ToLogFont(LOGFONTW& out) const;
    // Only the style fields: escapement, orientation, weight, italic,
    // underline, strike-out; everything else zero.
    void GetLogFontStyle(LOGFONTW& out) const;
    void SetLogFontStyle(const LOGFONTW& style);

    // An opened font object for one task (throws IDS_CREATE_FONT_FAILED, IDS_GET_TEXT_METRICS_FAILED).
    boost::shared_ptr<CVectorFontManager> CreateVectorFontManager(BYTE quality) const;
    // Makes the GDI font and reads its metrics, with the em height
    // Size * (tmHeight - tmInternalLeading) / tmHeight. Throws IDS_CREATE_FONT_FAILED, IDS_GET_TEXT_METRICS_FAILED
    // (the font is deleted then).
    CFontHandle CreateGdiFont(LOGFONTW& logFont, TEXTMETRICW& metrics, float& emSize, BYTE quality) const;
    // Throws IDS_FONT_FACE_EMPTY for an empty or blank face and
    // IDS_FONT_FACE_TOO_LONG for one no font can have (over LF_FACESIZE - 1);
    // the messages name the face, a long one by its start.
    void CheckFaceName() const;
    // GDI+ family of the face without its "@": CheckFaceName, then
    // IDS_FONT_FACE_NOT_INSTALLED (naming the face) or IDS_SET_FONT_FAMILY_FAILED.
    boost::shared_ptr<Gdiplus::FontFamily> CreateFontFamily() const;
    // FontStyle bits: bold for the weights 500 to 900 in hundreds only.
    INT GetGdiplusFontStyle() const;
    // Vertical, right-to-left for an "@" face (throws IDS_SET_VERTICAL_FAILED).
    boost::shared_ptr<Gdiplus::StringFormat> CreateStringFormat() const;
};

// Whether the tasks draw that face: CreateFontFamily makes its family. The
// face lists offer only such faces, as the system's enumeration also lists
// names no family is made by (a font substitute's, under Wine a face's whose
// full name names no family).
bool CanDrawFace(const std::wstring& face);

// One style of a face, as the style list shows it.
class CFontStyle {
public:
    std::wstring name;
    LOGFONTW logFont;

    CFontStyle() { ZeroMemory(&logFont, sizeof logFont); }
    // Same escapement, orientation, weight, italic, underline and strike-out.
    bool IsSameStyle(const LOGFONTW& other) const;
};
typedef std::vector<boost::shared_ptr<CFontStyle> > CFontStyles;

// The weights 100..900, plain then italic, whose realised metrics match the
// request on `dc`. Always true.
bool EnumFontStyles(CFontStyles& out, HDC dc, BYTE charSet, const wchar_t* face);

// The text of a wide string stream into which nothing was written.
std::wstring EmptyStreamText();
