// Value records that say how the text face and each decoration are painted:
// a decoration (outline size, blur, shadow offset, opacity) with its paint, and
// the paint's solid colour, linear gradation and texture. All are plain values
// (copy and equality member by member). Besides the values they carry the two
// geometric rules every renderer shares (shadow offset, margins) and the
// registry form that older versions stored them in.
#pragma once
#include <windows.h>
#include <string>
#include <vector>

// Enumerated fields are stored as 32-bit numbers; the names in the settings
// file are the position in the name tables of SettingNames.h.
namespace PaintType {
enum Value : UINT { MONO = 0, LINEAR = 1, TEXTURE = 2 };
const UINT Count = 3;
}
namespace TextUnit {
enum Value : UINT { CHAR = 0, LINE = 1, PARAGRAPH = 2 };
const UINT Count = 3;
}
namespace ImageFitType {
enum Value : UINT { FIT_WIDTH = 0, FIT_HEIGHT = 1, FIT_BOTH = 2, CUSTOM_RATE = 3 };
const UINT Count = 4;
}

// Base of the decoration records. The destructor is deliberately not virtual
// (decorations are held by value or through a shared_ptr made from the
// concrete type); it is protected so nobody deletes through the base.
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
    bool operator==(const CColorPosSetting& o) const;
    bool operator!=(const CColorPosSetting& o) const { return !(*this == o); }

    bool Load(const std::wstring& keyPath, HKEY parent);
    bool Save(const std::wstring& keyPath, HKEY parent) const;
};

typedef std::vector<CColorPosSetting> CColorPosSettings;

class CLinearGradation {
public:
    UINT Angle = 135;
    UINT Unit = TextUnit::LINE;
    BOOL Entire = FALSE;
    CColorPosSettings Stops;

    CLinearGradation();  // the twelve-stop rainbow
    bool operator==(const CLinearGradation& o) const;
    bool operator!=(const CLinearGradation& o) const { return !(*this == o); }

    bool Load(const std::wstring& keyPath, HKEY parent);
    bool Save(const std::wstring& keyPath, HKEY parent) const;
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

    bool operator==(const CTextureSetting& o) const;
    bool operator!=(const CTextureSetting& o) const { return !(*this == o); }
    // Turns the fit, rates and offsets with a texture image turned a quarter
    // counter-clockwise for vertical text.
    void Rotate90();

    bool Load(const std::wstring& keyPath, HKEY parent);
    bool Save(const std::wstring& keyPath, HKEY parent) const;
};

class CPaintSetting {
public:
    UINT Type = PaintType::MONO;
    COLORREF Color = 0;
    CLinearGradation LinearGradation;
    CTextureSetting Texture;

    bool operator==(const CPaintSetting& o) const;
    bool operator!=(const CPaintSetting& o) const { return !(*this == o); }
    // Lowers the gradation's and the texture's unit to `unit` where larger.
    void LimitUnit(UINT unit);

    bool Load(const std::wstring& keyPath, HKEY parent);
    bool Save(const std::wstring& keyPath, HKEY parent) const;
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

    bool operator==(const CBorderingSetting& o) const;
    bool operator!=(const CBorderingSetting& o) const { return !(*this == o); }

    // Shadow offset (dx, dy) in tenths of a pixel; y grows downward.
    POINT GetShadowOffset(bool vertical) const;
    // How far the decoration reaches beyond the glyph outline on each side.
    void GetMargins(RECT& margins, bool vertical) const;
    void SetPreset(int size, COLORREF color, int alpha, int blur, int angle, int distance);

    bool Load(const std::wstring& keyPath, HKEY parent) override;
    bool Save(const std::wstring& keyPath, HKEY parent) const override;
};

// Registry form of a stop list: "Count" and one numbered subkey per stop.
bool LoadColorPosSettings(CColorPosSettings& stops, const std::wstring& keyPath, HKEY parent);
bool SaveColorPosSettings(const CColorPosSettings& stops, const std::wstring& keyPath, HKEY parent);
