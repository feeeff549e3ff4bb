// The output format of a save: file type and JPEG quality, and the factory
// that turns the choice into what the rendering tasks need (an image saver
// for the raster formats, a vector renderer for the others, the extension).
// An unknown type never fails: it behaves as PNG and yields no renderer.
#pragma once
#include <boost/shared_ptr.hpp>
#include <windows.h>
#include <string>

class CVectorRenderer;
namespace Gdiplus { class CImageSaver; }

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

    // PNG saver, JPEG saver with JpegQuality, or empty for the vector formats.
    boost::shared_ptr<Gdiplus::CImageSaver> CreateImageSaver() const;
    // A new renderer of the vector formats, owned with its own class's
    // deleter; empty for PNG, JPEG and unknown types.
    boost::shared_ptr<CVectorRenderer> CreateRenderer() const;
    // Without the dot: "png", "jpg", "pdf", "svg", "html", "emf".
    std::wstring GetExtension() const;
    bool IsVector() const;

    // Older registry form: REG_DWORD "Type" and "JpegQuality". JpegQuality is
    // clamped to 0..100 once the key opened, read or not.
    bool Load(const std::wstring& keyPath, HKEY parent);
    bool Save(const std::wstring& keyPath, HKEY parent) const;
};
