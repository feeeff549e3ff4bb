#include "outline/FontSetting.h"
#include "outline/FontNames.h"
#include "outline/VectorFontManager.h"
#include "foundation/Error.h"
#include "foundation/Globals.h"
#include "foundation/ResourceString.h"
#include "foundation/StringUtil.h"
#include "platform/Gdi.h"
#include "platform/GdiPlusText.h"
#include "resources/strings_outline.h"
#include <algorithm>
#include <sstream>

namespace {

// A face name in a message: a name read from a damaged file or registry may
// be thousands of characters long, so only its start is shown, marked as cut.
std::wstring FaceForMessage(const std::wstring& face) { return ShortenedForMessage(face); }

bool IsBlankFace(const std::wstring& face)
{
    return std::all_of(face.begin(), face.end(), [](wchar_t c) { return IsSpaceOrCr(c) || c == L'\x3000'; });
}

// Copies a face into the fixed field: at most 31 characters and the zero.
void CopyFace(LOGFONTW& lf, const std::wstring& face)
{
    const size_t n = std::min<size_t>(face.size(), LF_FACESIZE - 1);
    face.copy(lf.lfFaceName, n);
    lf.lfFaceName[n] = L'\0';
    lf.lfFaceName[LF_FACESIZE - 1] = L'\0';
}

// Why no font is made by that name (IDS_FONT_FACE_EMPTY, IDS_FONT_FACE_TOO_LONG), 0 for none.
UINT FaceNameFault(const std::wstring& face)
{
    if (IsBlankFace(StripVerticalPrefix(face)))
        return IDS_FONT_FACE_EMPTY;
    // The font engine keeps LF_FACESIZE - 1 characters of a name: a longer one
    // would be cut to the name of whatever font its start happens to name.
    return face.size() >= LF_FACESIZE ? IDS_FONT_FACE_TOO_LONG : 0;
}

// The one way a face's family is made, for the tasks and the face lists
// alike, so that a list never offers a face the tasks then refuse.
Gdiplus::Status MakeFontFamily(const std::wstring& face, boost::shared_ptr<Gdiplus::FontFamily>& family)
{
    family.reset(new Gdiplus::FontFamily(StripVerticalPrefix(face).c_str()));
    return family->GetLastStatus();
}

} // namespace

CFontSetting::CFontSetting()
{
    LOGFONTW icon;
    ZeroMemory(&icon, sizeof icon);
    if (::SystemParametersInfoW(SPI_GETICONTITLELOGFONT, sizeof icon, &icon, 0))
        FontFace = GetFaceName(icon);
}

bool CFontSetting::IsVertical() const { return IsVerticalFace(FontFace); }

void CFontSetting::ToLogFont(LOGFONTW& out) const
{
    ZeroMemory(&out, sizeof out);
    out.lfHeight = Size;
    out.lfEscapement = Escapement;
    out.lfOrientation = Orientation;
    out.lfWeight = Weight;
    out.lfItalic = Italic ? 255 : 0;
    out.lfUnderline = Underline;
    out.lfStrikeOut = StrikeOut;
    out.lfCharSet = static_cast<BYTE>(CharSet);
    CopyFace(out, FontFace);
}

void CFontSetting::GetLogFontStyle(LOGFONTW& out) const
{
    ZeroMemory(&out, sizeof out);
    out.lfEscapement = Escapement;
    out.lfOrientation = Orientation;
    out.lfWeight = Weight;
    out.lfItalic = Italic ? 255 : 0;
    out.lfUnderline = Underline;
    out.lfStrikeOut = StrikeOut;
}

void CFontSetting::SetLogFontStyle(const LOGFONTW& style)
{
    Escapement = style.lfEscapement;
    Orientation = style.lfOrientation;
    Weight = style.lfWeight;
    Italic = style.lfItalic != 0;
    Underline = style.lfUnderline != 0;
    StrikeOut = style.lfStrikeOut != 0;
}

boost::shared_ptr<CVectorFontManager> CFontSetting::CreateVectorFontManager(BYTE quality) const
{
    LOGFONTW lf;
    ToLogFont(lf);
    boost::shared_ptr<CVectorFontManager> manager(new CVectorFontManager);
    manager->Open(lf, quality);
    return manager;
}

CFontHandle CFontSetting::CreateGdiFont(LOGFONTW& logFont, TEXTMETRICW& metrics, float& emSize, BYTE quality) const
{
    ToLogFont(logFont);
    logFont.lfQuality = quality;
    CFontHandle font(::CreateFontIndirectW(&logFont));
    if (!font.Get())
        throw my::CException(IDS_CREATE_FONT_FAILED);
    {
        // The guards give back the font selection and the DC on every path.
        CScreenDC dc;
        CSelectObjectGuard select(dc, font);
        ZeroMemory(&metrics, sizeof metrics);
        if (!dc.IsValid() || select.Failed() || !::GetTextMetricsW(dc, &metrics))
            throw my::CException(IDS_GET_TEXT_METRICS_FAILED);
    }
    if (metrics.tmHeight == 0)
        throw my::CException(IDS_GET_TEXT_METRICS_FAILED);
    emSize = static_cast<float>(static_cast<double>(Size) * (metrics.tmHeight - metrics.tmInternalLeading) /
                                metrics.tmHeight);
    return font;
}

void CFontSetting::CheckFaceName() const
{
    const UINT fault = FaceNameFault(FontFace);
    if (fault == IDS_FONT_FACE_TOO_LONG)
        throw my::CException(fault, FaceForMessage(FontFace), std::to_wstring(FontFace.size()),
                             std::to_wstring(LF_FACESIZE - 1));
    if (fault != 0)
        throw my::CException(fault);
}

boost::shared_ptr<Gdiplus::FontFamily> CFontSetting::CreateFontFamily() const
{
    CheckFaceName();
    boost::shared_ptr<Gdiplus::FontFamily> family;
    const Gdiplus::Status status = MakeFontFamily(FontFace, family);
    if (status == Gdiplus::FontFamilyNotFound)
        throw my::CException(IDS_FONT_FACE_NOT_INSTALLED, FaceForMessage(FontFace));
    if (status != Gdiplus::Ok)
        throw my::CException(IDS_SET_FONT_FAMILY_FAILED);
    return family;
}

bool CanDrawFace(const std::wstring& face)
{
    boost::shared_ptr<Gdiplus::FontFamily> family;
    return FaceNameFault(face) == 0 && MakeFontFamily(face, family) == Gdiplus::Ok;
}

INT CFontSetting::GetGdiplusFontStyle() const
{
    INT style = Gdiplus::FontStyleRegular;
    switch (Weight) {
    case 500: case 600: case 700: case 800: case 900:
        style |= Gdiplus::FontStyleBold;
        break;
    default:
        break;
    }
    if (Italic)
        style |= Gdiplus::FontStyleItalic;
    if (Underline)
        style |= Gdiplus::FontStyleUnderline;
    if (StrikeOut)
        style |= Gdiplus::FontStyleStrikeout;
    return style;
}

boost::shared_ptr<Gdiplus::StringFormat> CFontSetting::CreateStringFormat() const
{
    boost::shared_ptr<Gdiplus::StringFormat> format(new Gdiplus::StringFormat(0, LANG_NEUTRAL));
    if (format->GetLastStatus() != Gdiplus::Ok)
        throw my::CException(IDS_SET_VERTICAL_FAILED);
    if (IsVertical()) {
        if (format->SetFormatFlags(Gdiplus::StringFormatFlagsDirectionRightToLeft |
                                   Gdiplus::StringFormatFlagsDirectionVertical) != Gdiplus::Ok)
            throw my::CException(IDS_SET_VERTICAL_FAILED);
    }
    return format;
}

bool CFontStyle::IsSameStyle(const LOGFONTW& other) const
{
    return logFont.lfEscapement == other.lfEscapement && logFont.lfOrientation == other.lfOrientation &&
           logFont.lfWeight == other.lfWeight && logFont.lfItalic == other.lfItalic &&
           logFont.lfUnderline == other.lfUnderline && logFont.lfStrikeOut == other.lfStrikeOut;
}

bool EnumFontStyles(CFontStyles& out, HDC dc, BYTE charSet, const wchar_t* face)
{
    LOGFONTW lf;
    ZeroMemory(&lf, sizeof lf);
    lf.lfCharSet = charSet;
    if (face)
        CopyFace(lf, face);
    for (int weight = 100; weight <= 900; weight += 100) {
        for (BYTE italic : {BYTE(0), BYTE(255)}) {
            lf.lfWeight = weight;
            lf.lfItalic = italic;
            CFontHandle font(::CreateFontIndirectW(&lf));
            if (!font)
                continue;
            TEXTMETRICW tm;
            ZeroMemory(&tm, sizeof tm);
            bool read;
            {
                CSelectObjectGuard select(dc, font);
                read = ::GetTextMetricsW(dc, &tm) != FALSE;
            }
            if (!read || tm.tmWeight != weight || (tm.tmItalic != 0) != (italic != 0))
                continue;
            boost::shared_ptr<CFontStyle> style(new CFontStyle);
            style->name = FormatFontWeight(weight);
            if (italic)
                style->name += L" " + GetItalicLabel();
            style->logFont = lf;
            out.push_back(style);
        }
    }
    return true;
}

std::wstring EmptyStreamText()
{
    std::wostringstream os;
    return os.str();
}
