// Writes the drawing as SVG: one <svg> element per page, <g> elements for
// groups and one <path> element per painted path. The SVG form starts with
// the XML prologue; the HTML form is the bare <svg> elements one after
// another. The file is written in UTF-8 by EndDocument.
#pragma once
#include "outline/CachedRenderer.h"
#include "outline/OutputPath.h"
#include "outline/SvgPaint.h"
#include "platform/GdiPlusGraphics.h"
#include <set>
#include <string>
#include <vector>

// A flag word mix-in.
class CFlagsImpl {
public:
    DWORD GetFlags() const { return m_flags; }
    void SetFlags(DWORD flags) { m_flags = flags; }
    bool HasFlag(DWORD flag) const { return (m_flags & flag) != 0; }
    void ModifyFlags(DWORD remove, DWORD add) { m_flags = (m_flags & ~remove) | add; }
protected:
    DWORD m_flags = 0;
};

// Ids compare without regard to ASCII letter case.
struct CIdLess {
    bool operator()(const std::wstring& a, const std::wstring& b) const;
};

class CSvgRenderer : public Gdiplus::CCachedRenderer, public CFlagsImpl {
public:
    // Flag bit 0: write the XML prologue (the SVG file form).
    enum { kXmlPrologue = 1 };

    CSvgRenderer() = default;
    explicit CSvgRenderer(DWORD flags) { m_flags = flags; }

    void BeginDocument(const std::wstring& path) override;
    void BeginPage(double width, double height) override;
    void BeginGroup(const std::wstring& name) override;
    void SetName(const std::wstring& name) override { m_name = name; }
    void EndGroup() override;
    void EndPage() override;
    // Throws IDS_CREATE_FILE_FAILED when the file cannot be created and IDS_WRITE_FILE_FAILED when it cannot
    // be written or closed; a file that was there stays as it was.
    void EndDocument() override;
    void PaintPath(bool fill, bool stroke) override;

    // An id not yet used, from the text with "_" appended while taken.
    std::wstring MakeUniqueId(const std::wstring& text);
    // The used ids that are no XML names.
    std::vector<std::wstring> GetInvalidIds() const;
    const std::wstring& GetDocumentText() const { return m_document; }
    const COutputPathParts& GetOutputPathParts() const { return m_outputPath; }
    const std::vector<CSvgGradient>& GetGradients() const { return m_gradients; }
    const std::vector<CSvgPattern>& GetPatterns() const { return m_patterns; }
    const std::vector<CSvgTextureImage>& GetTextureImages() const { return m_textures; }

private:
    // `name`="none", a plain colour, or a reference to a gradient or pattern
    // made for the current paths (measured with the pen for a stroke).
    void WritePaint(std::wostream& os, const wchar_t* name, bool enabled, BYTE space, const double* color,
                    double opacity, const std::vector<CGradationStop>& stops, double angle,
                    const CTextureDesc& texture, const Gdiplus::Pen* pen);
    const std::wstring& GradientId(const std::vector<CGradationStop>& stops, double angle, const Gdiplus::Pen* pen);
    const std::wstring& PatternId(const CTextureDesc& texture, const Gdiplus::Pen* pen);
    // ` id="..."` made unique, or nothing for an empty name.
    std::wstring IdAttribute(const std::wstring& name);

    std::set<std::wstring, CIdLess> m_usedIds;
    std::wstring m_name;
    std::vector<std::wstring> m_groups;
    std::wstring m_body;
    double m_pageWidth = 0;
    double m_pageHeight = 0;
    std::wstring m_document;
    COutputPathParts m_outputPath;
    std::wstring m_imageTemplate = L"<fname>_img_<no>.<ext>";
    std::vector<CSvgGradient> m_gradients;
    std::vector<CSvgPattern> m_patterns;
    std::vector<CSvgTextureImage> m_textures;
    size_t m_writtenGradients = 0;
    size_t m_writtenPatterns = 0;
};
