// Thin owners of GDI+ font families, fonts and string formats over the flat
// API, keeping the last failing status like the GDI+ C++ classes do.
#pragma once
#include "platform/GdiPlus.h"
#include <string>

namespace Gdiplus {

class FontFamily {
public:
    // A family of the installed fonts (or of `collection`); check GetLastStatus.
    explicit FontFamily(const wchar_t* name, GpFontCollection* collection = nullptr)
    {
        SetStatus(GdipCreateFontFamilyFromName(name, collection, &m_family));
    }
    ~FontFamily() { if (m_family) GdipDeleteFontFamily(m_family); }
    FontFamily(const FontFamily&) = delete;
    FontFamily& operator=(const FontFamily&) = delete;

    GpFontFamily* Native() const { return m_family; }
    bool IsAvailable() const { return m_family != nullptr; }
    std::wstring GetFamilyName(LANGID language = 0) const
    {
        WCHAR name[LF_FACESIZE] = {};
        if (SetStatus(GdipGetFamilyName(m_family, name, language)) != Ok)
            return std::wstring();
        return name;
    }
    bool IsStyleAvailable(INT style) const
    {
        BOOL available = FALSE;
        SetStatus(GdipIsStyleAvailable(m_family, style, &available));
        return available != FALSE;
    }
    UINT16 GetEmHeight(INT style) const
    {
        UINT16 v = 0;
        SetStatus(GdipGetEmHeight(m_family, style, &v));
        return v;
    }
    Status GetLastStatus() const { Status s = m_last; m_last = Ok; return s; }
    Status SetStatus(Status s) const { if (s != Ok) m_last = s; return s; }

private:
    GpFontFamily* m_family = nullptr;
    mutable Status m_last = Ok;
};

class Font {
public:
    Font(const FontFamily& family, REAL emSize, INT style = FontStyleRegular, Unit unit = UnitPoint)
    {
        SetStatus(GdipCreateFont(family.Native(), emSize, style, unit, &m_font));
    }
    Font(HDC dc, const LOGFONTW& logFont) { SetStatus(GdipCreateFontFromLogfontW(dc, &logFont, &m_font)); }
    ~Font() { if (m_font) GdipDeleteFont(m_font); }
    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;

    GpFont* Native() const { return m_font; }
    bool IsAvailable() const { return m_font != nullptr; }
    REAL GetSize() const
    {
        REAL size = 0;
        SetStatus(GdipGetFontSize(m_font, &size));
        return size;
    }
    INT GetStyle() const
    {
        INT style = 0;
        SetStatus(GdipGetFontStyle(m_font, &style));
        return style;
    }
    Status GetLastStatus() const { Status s = m_last; m_last = Ok; return s; }
    Status SetStatus(Status s) const { if (s != Ok) m_last = s; return s; }

private:
    GpFont* m_font = nullptr;
    mutable Status m_last = Ok;
};

class StringFormat {
public:
    explicit StringFormat(INT flags = 0, LANGID language = LANG_NEUTRAL)
    {
        SetStatus(GdipCreateStringFormat(flags, language, &m_format));
    }
    ~StringFormat() { if (m_format) GdipDeleteStringFormat(m_format); }
    StringFormat(const StringFormat&) = delete;
    StringFormat& operator=(const StringFormat&) = delete;

    GpStringFormat* Native() const { return m_format; }
    bool IsValid() const { return m_format != nullptr; }
    Status SetFormatFlags(INT flags) { return SetStatus(GdipSetStringFormatFlags(m_format, flags)); }
    INT GetFormatFlags() const
    {
        INT flags = 0;
        SetStatus(GdipGetStringFormatFlags(m_format, &flags));
        return flags;
    }
    Status SetAlignment(StringAlignment align) { return SetStatus(GdipSetStringFormatAlign(m_format, align)); }
    Status SetLineAlignment(StringAlignment align) { return SetStatus(GdipSetStringFormatLineAlign(m_format, align)); }
    Status GetLastStatus() const { Status s = m_last; m_last = Ok; return s; }
    Status SetStatus(Status s) const { if (s != Ok) m_last = s; return s; }

private:
    GpStringFormat* m_format = nullptr;
    mutable Status m_last = Ok;
};

} // namespace Gdiplus
