// Named value lists: small sets of values shown in combo boxes and stored in
// settings, each a process-wide vector of (display name, value) built once at
// start with names from the string table, in the order shown. Also colours as
// "RRGGBB" text, and the scale factors of the texture fit modes.
#pragma once
#include <windows.h>
#include <boost/shared_ptr.hpp>
#include <string>
#include <vector>

struct CNamedInt {
    std::wstring name;
    int value;
    // Named by the value's decimal text until a list names it.
    explicit CNamedInt(int v);
};

class CNamedInts : public std::vector<boost::shared_ptr<CNamedInt>> {
public:
    // Appends an entry named by the text of id.
    void Add(UINT id, int value);
};

// Quality presets of the JPEG encoder (0 to 100).
typedef CNamedInts CNamedJpegQualities;

struct CNamedColor {
    std::wstring name;
    COLORREF color;
    CNamedColor(const std::wstring& n, COLORREF c) : name(n), color(c) {}
};

class CNamedColors : public std::vector<boost::shared_ptr<CNamedColor>> {
public:
    void AddNamedColor(UINT id, COLORREF color);
};

// Fillers of the global lists; each appends its entries.
void InitNamedColors(CNamedColors& list);
void InitImageFitTypeNames(CNamedInts& list);
void InitPixelFormatNames(CNamedInts& list);
void InitJpegQualityPresets(CNamedJpegQualities& list);

// The global lists, built before the entry point and only read afterwards.
const CNamedColors& GetNamedColors();
const CNamedInts& GetImageFitTypeNames();
const CNamedInts& GetPixelFormatNames();
const CNamedJpegQualities& GetJpegQualityPresets();

// Texture flip flags: bit 0 flips horizontally, bit 1 vertically, bit 2
// alternates the horizontal flip from tile to tile, bit 3 the vertical one.
// "<horizontal text> | <vertical text>".
std::wstring FlipModeText(unsigned flags);
void FlipFlagsToBools(unsigned flags, bool& flipX, bool& flipY);
// Mirrored repetition: across x for fit modes 0 and 2 or flag 0x4, across y
// for fit modes 1 and 2 or flag 0x8.
void MirrorFlagsFromFitMode(unsigned flags, int fitMode, bool& mirrorX, bool& mirrorY);
// Fit modes: 0 width, 1 height, 2 both, 3 (or anything else) a custom rate.
void FitModeFlags(int mode, bool& byWidth, bool& byHeight);
// Scale of an image laid over a target; mode 3 leaves both outputs as the
// caller set them. The image size must not be empty.
void CalcFitScale(double& scaleX, double& scaleY, int mode, double imageWidth, double imageHeight,
                  double targetWidth, double targetHeight);
void CalcFitScaleSize(double& scaleX, double& scaleY, int mode, SIZE image, SIZE target);

// "RRGGBB" (or one or two digits for a grey) into a COLORREF; out is
// unchanged on false.
bool ParseColorHex(COLORREF& out, const std::wstring& text);
// What a colour box's text stands for: its colour, spaces around it aside;
// black for a text that is no colour.
COLORREF ColorOfBoxText(const std::wstring& text);
// Red, green, blue as two upper-case digits each, no "#".
std::wstring FormatColorHex(COLORREF color);
COLORREF InvertColor(COLORREF color);
// 0 to 15 for a hexadecimal digit, 0 for anything else.
int HexDigitValue(wchar_t c);
