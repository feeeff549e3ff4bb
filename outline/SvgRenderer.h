// Writes the drawing as SVG: one <svg> element per page, <g> elements for
// groups and one <path> element per painted path. The SVG form starts with
// the XML prologue; the HTML form is the bare <svg> elements one after
// another. The text is kept as the file holds it (UTF-8, line feeds as
// CR LF), and only one page of it: an ended page goes into the document's
// temporary file when the next page begins, and EndDocument puts the file in
// place. So a one-file document of thousands of pages is never in memory
// whole: even large-address-aware, a 32-bit process gets about 4 GB only in
// small blocks, 3.6 GB in blocks of a megabyte and one block of at most about
// 1.8 GB.
#pragma once
#include "outline/CachedRenderer.h"
#include "foundation/ReplacingFileWriter.h"
#include "outline/OutputPath.h"
#include "outline/SvgPaint.h"
#include "platform/GdiPlusGraphics.h"
#include <memory>
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

    // Drops a document begun and not ended, with its temporary file.
    void BeginDocument(const std::wstring& path) override;
    // Writes the page ended before (creating the temporary file with the
    // first one): IDS_CREATE_FILE_FAILED or IDS_WRITE_FILE_FAILED on failure,
    // and the document is dropped.
    void BeginPage(double width, double height) override;
    void BeginGroup(const std::wstring& name) override;
    void SetName(const std::wstring& name) override { m_name = name; }
    void EndGroup() override;
    void EndPage() override;
    // Writes the last page and puts the file in place. Throws IDS_CREATE_FILE_FAILED when the file cannot be
    // created and IDS_WRITE_FILE_FAILED when it cannot be written or closed; a file that was there stays as it
    // was, and no temporary file stays.
    void EndDocument() override;
    void PaintPath(bool fill, bool stroke) override;
    unsigned long long HeldBytes() const override { return m_pageHead.size() + m_bodySize; }

    // An id not yet used, from the text with "_" appended while taken.
    std::wstring MakeUniqueId(const std::wstring& text);
    // The used ids that are no XML names.
    std::vector<std::wstring> GetInvalidIds() const;
    // The page ended last, as the file will hold it (until the next page
    // begins or the document ends).
    std::string GetPageBytes() const;
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
    // The text as the file holds it (valid until the next call).
    const std::string& FileBytes(const std::wstring& text);
    void AppendToBody(const std::string& bytes);
    void ClearPage();
    // The ended page into the temporary file, made first when there is none.
    // A file that failed stays failed until the next document: throws the id
    // with the path.
    void WriteEndedPage();
    void OpenFile();
    [[noreturn]] void Fail(UINT id, HRESULT hr);

    std::set<std::wstring, CIdLess> m_usedIds;
    std::wstring m_name;
    std::vector<std::wstring> m_groups;
    // The page: the root element's start and definitions (once it ended)
    // and the paths, as file bytes.
    std::string m_pageHead;
    std::vector<std::string> m_body;
    size_t m_bodySize = 0;
    bool m_pageEnded = false;
    std::string m_utf8, m_bytes;  // scratch of FileBytes
    double m_pageWidth = 0;
    double m_pageHeight = 0;
    std::unique_ptr<CReplacingFileWriter> m_file;
    UINT m_failedId = 0;
    HRESULT m_failedHr = S_OK;
    COutputPathParts m_outputPath;
    std::wstring m_imageTemplate = L"<fname>_img_<no>.<ext>";
    std::vector<CSvgGradient> m_gradients;
    std::vector<CSvgPattern> m_patterns;
    std::vector<CSvgTextureImage> m_textures;
    size_t m_writtenGradients = 0;
    size_t m_writtenPatterns = 0;
};
