// The output format of a save: file type and JPEG quality, and its extension.
// An unknown type never fails: it behaves as PNG. The savers and renderers a
// format needs are made by the engine (render/SaveFormatFactory.h).
#pragma once
#include "decoration/FieldWalks.h"
#include "decoration/SettingNames.h"
#include <windows.h>
#include <string>

namespace OutputType { enum Value : UINT { PNG = 0, JPEG = 1, PDF = 2, SVG = 3, SVG_TAG = 4, EMF = 5 }; const UINT Count = 6; }

class CSaveFormat {
public:
    UINT Type = OutputType::PNG;
    int JpegQuality = 80;

    // Without the dot: "png", "jpg", "pdf", "svg", "html", "emf".
    std::wstring GetExtension() const;
    bool IsVector() const;

    template <class V>
    static void Fields(V& v)
    {
        v.Enum(L"Type", &CSaveFormat::Type, OutputTypeNames(), OutputType::PNG);
        v.Int(L"JpegQuality", &CSaveFormat::JpegQuality, 0, 100);
    }
};
