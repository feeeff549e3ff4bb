// Value records that say how the text face and each decoration are painted:
// a decoration (outline size, blur, shadow offset, opacity) with its paint, and
// the paint's solid colour, linear gradation and texture. All are plain values
// with equality field by field; each lists its fields once (FieldList.h) for
// the settings documents, the older registry form and the limits of values
// read from outside. Besides the values they carry the two geometric rules
// every renderer shares (shadow offset, margins).
#pragma once
#include "decoration/FieldWalks.h"
#include "decoration/SettingNames.h"
#include <windows.h>
#include <string>
#include <vector>

// Enumerated fields are stored as 32-bit numbers; the settings file names
// them by their position in the name tables of SettingNames.h.
namespace PaintType { enum Value : UINT { MONO = 0, LINEAR = 1, TEXTURE = 2 }; const UINT Count = 3; }
namespace TextUnit { enum Value : UINT { CHAR = 0, LINE = 1, PARAGRAPH = 2 }; const UINT Count = 3; }
namespace ImageFitType { enum Value : UINT { FIT_WIDTH = 0, FIT_HEIGHT = 1, FIT_BOTH = 2, CUSTOM_RATE = 3 }; const UINT Count = 4; }

// Base of the decoration records: the older registry form. The destructor
// is deliberately not virtual (decorations are held by value or through a
// shared_ptr made from the concrete type); it is protected so nobody
// deletes through the base.
class CEffectSetting {
public:
    virtual bool Load(const std::wstring& keyPath, HKEY parent) = 0;
    virtual bool Save(const std::wstring& keyPath, HKEY parent) const = 0;
protected:
    CEffectSetting() = default;
    CEffectSetting(const CEffectSetting&) = default;
    CEffectSetting& operator=(const CEffectSetting&) = default;
    ~CEffectSetting() = default;
};

// One gradation stop.
class CColorPosSetting {
public:
    UINT Use = FALSE;
    COLORREF Color = 0;
    double Pos = 0.0;

    CColorPosSetting() = default;
    CColorPosSetting(bool use, COLORREF color, double pos) { Set(use, color, pos); }
    void Set(bool use, COLORREF color, double pos);

    template <class V>
    static void Fields(V& v)
    {
        v.Bool(L"Use", &CColorPosSetting::Use);
        v.Color(L"Color", &CColorPosSetting::Color);
        v.Double(L"Pos", &CColorPosSetting::Pos, kUnitInterval);
    }
};

typedef std::vector<CColorPosSetting> CColorPosSettings;

// The stops of a gradation, as many as the settings file reads back: a longer
// list (the older registry form may hold one) is cut to them, so that what
// a session draws is what the next one reads.
const size_t kGradationStops = 12;

class CLinearGradation {
public:
    UINT Angle = 135;
    UINT Unit = TextUnit::LINE;
    BOOL Entire = FALSE;
    CColorPosSettings Stops;

    CLinearGradation();  // the twelve-stop rainbow

    template <class V>
    static void Fields(V& v)
    {
        typedef CLinearGradation R;
        v.Angle(L"Angle", &R::Angle);
        v.Enum(L"Unit", &R::Unit, TextUnitNames(), TextUnit::LINE);
        v.Bool(L"Entire", &R::Entire);
        // The stops stand in the gradation's own element.
        v.List(CField(L"").Items(L"ColorPosSetting").Key(L"Colors").AnyRegistryType(), &R::Stops,
               kGradationStops);
    }
};

class CTextureSetting {
public:
    std::wstring Path;
    UINT Type = ImageFitType::FIT_WIDTH;
    UINT Unit = TextUnit::LINE;
    double RateX = 1.0;
    double RateY = 1.0;
    bool SameRate = true;
    bool Entire = false;
    bool Flip = false;
    int OffsetX = 0;
    int OffsetY = 0;

    // Turns the fit, rates and offsets with a texture image turned a quarter
    // counter-clockwise for vertical text.
    void Rotate90();

    template <class V>
    static void Fields(V& v)
    {
        typedef CTextureSetting R;
        v.Path(L"Path", &R::Path);
        v.Enum(L"Type", &R::Type, ImageFitTypeNames(), ImageFitType::FIT_WIDTH);
        v.Enum(L"Unit", &R::Unit, TextUnitNames(), TextUnit::LINE);
        v.Double(L"RateX", &R::RateX, kScaleRate);
        v.Double(L"RateY", &R::RateY, kScaleRate);
        v.Bool(L"SameRate", &R::SameRate);
        v.Bool(L"Entire", &R::Entire);
        v.Bool(L"Flip", &R::Flip);
        v.Int(L"OffsetX", &R::OffsetX, -limits::kMaxOffset, limits::kMaxOffset);
        v.Int(L"OffsetY", &R::OffsetY, -limits::kMaxOffset, limits::kMaxOffset);
    }
};

class CPaintSetting {
public:
    UINT Type = PaintType::MONO;
    COLORREF Color = 0;
    CLinearGradation LinearGradation;
    CTextureSetting Texture;

    // Lowers the gradation's and the texture's unit to `unit` where larger.
    void LimitUnit(UINT unit);

    template <class V>
    static void Fields(V& v)
    {
        typedef CPaintSetting R;
        v.Enum(L"Type", &R::Type, PaintTypeNames(), PaintType::MONO);
        v.Color(L"Color", &R::Color);
        v.Record(CField(L"LinearGradation").Key(L"Linear"), &R::LinearGradation);
        v.Record(L"Texture", &R::Texture);
    }
};

class CBorderingSetting : public CEffectSetting {
public:
    int Size = 10;       // tenths of a pixel
    int Alpha = 100;     // percent
    int Blur = 0;        // tenths of a pixel
    int Angle = 120;     // degrees, direction the light comes from
    int Distance = 0;    // tenths of a pixel; 0 or less: no shadow offset
    CPaintSetting Paint;

    CBorderingSetting() = default;
    CBorderingSetting(const CBorderingSetting&) = default;
    CBorderingSetting& operator=(const CBorderingSetting&) = default;
    ~CBorderingSetting() = default;

    // Shadow offset (dx, dy) in tenths of a pixel; y grows downward.
    POINT GetShadowOffset(bool vertical) const;
    // How far the decoration reaches beyond the glyph outline on each side.
    void GetMargins(RECT& margins, bool vertical) const;
    void SetPreset(int size, COLORREF color, int alpha, int blur, int angle, int distance);

    bool Load(const std::wstring& keyPath, HKEY parent) override;
    bool Save(const std::wstring& keyPath, HKEY parent) const override;

    template <class V>
    static void Fields(V& v)
    {
        typedef CBorderingSetting R;
        v.Tenths(L"Size", &R::Size, 0, limits::kMaxLength);
        v.Int(L"Alpha", &R::Alpha, 0, 100);
        v.Int(L"Blur", &R::Blur, 0, limits::kMaxLength);  // tenths, written as they are
        v.Angle(L"Angle", &R::Angle);
        v.Int(L"Distance", &R::Distance, 0, limits::kMaxLength);  // likewise
        // Before paint records a decoration had only a colour.
        v.Record(CField(L"PaintSetting").Key(L"Paint").Since(kVersionWithPaint, L"Color"), &R::Paint);
    }
};
