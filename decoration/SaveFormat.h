// The output format of a save: file type and JPEG quality, and its extension.
// An unknown type never fails: it behaves as PNG. The savers and renderers a
// format needs are made by the engine (render/SaveFormatFactory.h).
#pragma once
#include <windows.h>
#include <string>

namespace OutputType {
enum Value : UINT { PNG = 0, JPEG = 1, PDF = 2, SVG = 3, SVG_TAG = 4, EMF = 5 };
const UINT Count = 6;
}

class CSaveFormat {
public:
    UINT Type = OutputType::PNG;
    int JpegQuality = 80;

    bool operator==(const CSaveFormat& o) const { return Type == o.Type && JpegQuality == o.JpegQuality; }
    bool operator!=(const CSaveFormat& o) const { return !(*this == o); }

    // Without the dot: "png", "jpg", "pdf", "svg", "html", "emf".
    std::wstring GetExtension() const;
    bool IsVector() const;

    // Older registry form: REG_DWORD "Type" and "JpegQuality". JpegQuality is
    // clamped to 0..100 once the key opened, read or not.
    bool Load(const std::wstring& keyPath, HKEY parent);
    bool Save(const std::wstring& keyPath, HKEY parent) const;
};
