#include "foundation/NamedValues.h"
#include "foundation/ResourceString.h"
#include "foundation/StringUtil.h"
#include "foundation/XmlValue.h"
#include "resources/strings_foundation.h"

CNamedInt::CNamedInt(int v) : name(FormatInt(v)), value(v) {}

void CNamedInts::Add(UINT id, int value)
{
    boost::shared_ptr<CNamedInt> entry(new CNamedInt(value));
    AssignResourceString(entry->name, id);
    push_back(entry);
}

void CNamedColors::AddNamedColor(UINT id, COLORREF color)
{
    std::wstring name;
    AssignResourceString(name, id);
    push_back(boost::shared_ptr<CNamedColor>(new CNamedColor(name, color)));
}

void InitNamedColors(CNamedColors& list)
{
    list.AddNamedColor(IDS_COLOR_WHITE, RGB(0xFF, 0xFF, 0xFF));
    list.AddNamedColor(IDS_COLOR_BLACK, RGB(0x00, 0x00, 0x00));
    list.AddNamedColor(IDS_COLOR_GRAY, RGB(0x7F, 0x7F, 0x7F));
    list.AddNamedColor(IDS_COLOR_RED, RGB(0xCC, 0x00, 0x00));
    list.AddNamedColor(IDS_COLOR_PINK, RGB(0xEF, 0x75, 0xBC));
    list.AddNamedColor(IDS_COLOR_BLUE, RGB(0x0C, 0x00, 0xCC));
    list.AddNamedColor(IDS_COLOR_LIGHT_BLUE, RGB(0x19, 0x87, 0xE5));
    list.AddNamedColor(IDS_COLOR_YELLOW, RGB(0xFF, 0xFF, 0x00));
    list.AddNamedColor(IDS_COLOR_ORANGE, RGB(0xFF, 0x81, 0x19));
    list.AddNamedColor(IDS_COLOR_GREEN, RGB(0x22, 0xC3, 0x50));
    list.AddNamedColor(IDS_COLOR_YELLOW_GREEN, RGB(0xAB, 0xFF, 0x7F));
    list.AddNamedColor(IDS_COLOR_BROWN, RGB(0x6B, 0x49, 0x2D));
}

void InitImageFitTypeNames(CNamedInts& list)
{
    for (int mode = 0; mode <= 3; ++mode)
        list.Add(IDS_FIT_WIDTH + mode, mode);
}

void InitPixelFormatNames(CNamedInts& list)
{
    for (int format = 0; format <= 5; ++format)
        list.Add(IDS_PIXEL_RGBA32 + format, format);
}

void InitJpegQualityPresets(CNamedJpegQualities& list)
{
    list.Add(IDS_QUALITY_LOWEST, 0);
    list.Add(IDS_QUALITY_LOW, 30);
    list.Add(IDS_QUALITY_MIDDLE, 50);
    list.Add(IDS_QUALITY_HIGH, 80);
    list.Add(IDS_QUALITY_HIGHEST, 100);
}

// Each list is built on first use under the runtime's thread-safe static
// initialisation; the program builds them all before any window or worker
// exists (InitLibraryGlobals).
const CNamedColors& GetNamedColors()
{
    static const CNamedColors list = [] {
        CNamedColors l;
        InitNamedColors(l);
        return l;
    }();
    return list;
}

const CNamedInts& GetImageFitTypeNames()
{
    static const CNamedInts list = [] {
        CNamedInts l;
        InitImageFitTypeNames(l);
        return l;
    }();
    return list;
}

const CNamedInts& GetPixelFormatNames()
{
    static const CNamedInts list = [] {
        CNamedInts l;
        InitPixelFormatNames(l);
        return l;
    }();
    return list;
}

const CNamedJpegQualities& GetJpegQualityPresets()
{
    static const CNamedJpegQualities list = [] {
        CNamedJpegQualities l;
        InitJpegQualityPresets(l);
        return l;
    }();
    return list;
}

std::wstring FlipModeText(unsigned flags)
{
    static const CResourceStringMap texts = [] {
        CResourceStringMap m;
        LoadResourceStringMap(m, IDS_FLIP_X_NONE, IDS_FLIP_Y_ALTERNATE, true);
        return m;
    }();
    unsigned horizontal = (flags & 1) + ((flags & 4) ? 2 : 0);
    unsigned vertical = ((flags & 2) ? 5 : 4) + ((flags & 8) ? 2 : 0);
    return texts.at(IDS_FLIP_X_NONE + horizontal) + L" | " + texts.at(IDS_FLIP_X_NONE + vertical);
}

void FlipFlagsToBools(unsigned flags, bool& flipX, bool& flipY)
{
    flipX = (flags & 1) != 0;
    flipY = (flags & 2) != 0;
}

void MirrorFlagsFromFitMode(unsigned flags, int fitMode, bool& mirrorX, bool& mirrorY)
{
    mirrorX = fitMode == 0 || fitMode == 2 || (flags & 0x4) != 0;
    mirrorY = fitMode == 1 || fitMode == 2 || (flags & 0x8) != 0;
}

void FitModeFlags(int mode, bool& byWidth, bool& byHeight)
{
    byWidth = mode == 0 || mode == 2;
    byHeight = mode == 1 || mode == 2;
}

void CalcFitScale(double& scaleX, double& scaleY, int mode, double imageWidth, double imageHeight,
                  double targetWidth, double targetHeight)
{
    switch (mode) {
    case 0:
        scaleX = scaleY = targetWidth / imageWidth;
        break;
    case 1:
        scaleX = scaleY = targetHeight / imageHeight;
        break;
    case 2:
        scaleX = targetWidth / imageWidth;
        scaleY = targetHeight / imageHeight;
        break;
    default:
        break;  // the caller's own rates stay
    }
}

void CalcFitScaleSize(double& scaleX, double& scaleY, int mode, SIZE image, SIZE target)
{
    CalcFitScale(scaleX, scaleY, mode, image.cx, image.cy, target.cx, target.cy);
}

int HexDigitValue(wchar_t c)
{
    const int digit = HexDigitOrMinus(c);
    return digit < 0 ? 0 : digit;
}

bool ParseColorHex(COLORREF& out, const std::wstring& text)
{
    if (text.empty() || text.find_first_not_of(L"0123456789ABCDEFabcdef") != std::wstring::npos)
        return false;
    auto byteAt = [&](size_t i) { return static_cast<BYTE>(HexDigitValue(text[i]) * 16 + HexDigitValue(text[i + 1])); };
    switch (text.size()) {
    case 1:
        // One digit is a dark grey: "F" gives 0x0F0F0F, not white.
        out = static_cast<COLORREF>(HexDigitValue(text[0])) * 0x010101u;
        return true;
    case 2:
        out = static_cast<COLORREF>(byteAt(0)) * 0x010101u;
        return true;
    case 6:
        out = RGB(byteAt(0), byteAt(2), byteAt(4));
        return true;
    default:
        return false;
    }
}

COLORREF ColorOfBoxText(const std::wstring& text)
{
    COLORREF color = 0;
    return ParseColorHex(color, TrimCopyIf(text, IsSpaceOrCr)) ? color : 0;
}

std::wstring FormatColorHex(COLORREF color)
{
    static const wchar_t kDigits[] = L"0123456789ABCDEF";
    const BYTE channels[3] = {GetRValue(color), GetGValue(color), GetBValue(color)};
    std::wstring text;
    for (BYTE c : channels) {
        text.push_back(kDigits[c >> 4]);
        text.push_back(kDigits[c & 0xF]);
    }
    return text;
}

COLORREF InvertColor(COLORREF color)
{
    return RGB(255 - GetRValue(color), 255 - GetGValue(color), 255 - GetBValue(color));
}
