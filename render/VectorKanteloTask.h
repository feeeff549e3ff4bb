// The task of the vector formats (PDF, SVG, HTML, EMF): the unit drawn as
// glyph outlines, each decoration as the outlines filled and stroked in its
// paint's colour, from the outermost layer to the face. The same calls go to
// a bitmap renderer, whose image is the task's result (the preview), and to
// the job's output renderer when there is one. Vector output has no opacity,
// no blur, no gradation and no texture. It shares the task protocol and the
// text layout with the raster task, none of the raster stages.
#pragma once
#include "render/KanteloTask.h"
#include "outline/VectorRenderer.h"
#include <boost/shared_ptr.hpp>
#include <vector>

class CMultiRenderer;
class CDocumentGrowth;
struct CDocumentPlan;
namespace Gdiplus {
class CDibRenderer;
}

// One outline copy to draw (tenths of a pixel): offset, stroke width (0 for
// the face: filled only), twice the blur (0 in vector output), opacity and
// colour.
struct CVectorLayer {
    int X = 0;
    int Y = 0;
    int Width = 0;
    int Blur = 0;
    int Alpha = 100;
    COLORREF Color = 0;
};
typedef std::vector<CVectorLayer> CVectorLayerGroup;

// The preview of a larger page is drawn scaled down to about this many
// pixels: its cost then follows the drawing, not the page's area (a page of
// the largest decorations has over 100 million pixels), and it stays within
// the memory of a 32-bit process.
const double kMaxPreviewPixels = 16e6;

// The outline copies of the layers: group 0 holds the face at the glyph
// origin; a plain decoration copies the last group, widened by twice its
// Size; a shadow extends the last group by displaced, widened copies of its
// records. Groups are drawn last to first, records last to first.
std::vector<CVectorLayerGroup> BuildVectorLayerGroups(const std::vector<CBorderingSetting>& layers,
                                                      const RECT& totalMargins, bool vertical);

// (x, y, width, height) in pixels as floats; union of boxes where a box of
// zero width and height counts as nothing yet.
struct CBoxF {
    float X = 0, Y = 0, Width = 0, Height = 0;
};
void UniteBox(CBoxF& into, const CBoxF& box);

class CVectorKanteloTask : public CKanteloTask {
public:
    CVectorKanteloTask() = default;
    ~CVectorKanteloTask() override;

    // The job's output renderer; none for a preview.
    void SetRenderer(const boost::shared_ptr<CVectorRenderer>& renderer) { m_renderer = renderer; }
    const boost::shared_ptr<CVectorRenderer>& GetRenderer() const { return m_renderer; }
    // The one-file document the renderer's pages go into; empty when the unit
    // has a file of its own (Path).
    void SetDocumentPath(const std::wstring& path) { m_documentPath = path; }
    // The memory plan of a one-file document that holds every page (PDF).
    void SetDocumentPlan(const boost::shared_ptr<CDocumentPlan>& plan) { m_plan = plan; }
    // With an output renderer, memory that runs out (std::bad_alloc, a
    // string at its longest, a call failing for want of memory) is
    // IDS_OUTPUT_TOO_LARGE_FOR_MEMORY for the file and this unit; so is a
    // page whose estimate (DocumentMemory.h) exceeds what the process can
    // still get, before anything is drawn, and one whose document's growth,
    // projected to the page's end while it is drawn, would not fit. A PDF
    // page past which the document's table could not be written is
    // IDS_OUTPUT_TOO_LARGE_FOR_PDF for the file and this unit.
    void Run() override;

    // The page: X and Y move every glyph, Width and Height are its size.
    const CBoxF& GetBounds() const { return m_bounds; }
    const CBoxF& GetTextBounds() const { return m_textBounds; }
    const CBoxF& GetLayerBounds() const { return m_layerBounds; }
    const std::vector<CVectorLayerGroup>& GetLayerGroups() const { return m_groups; }

private:
    // The renderers, the fonts, the layout with the layers as vector output
    // draws them (no opacity, no blur), and the outline copies.
    void LayOutVector();
    // Whether the page's least memory is within what the process can still get.
    bool PageFitsInMemory();
    // The page from the layout, cut to the layer bounds on the trimmed sides;
    // throws IDS_OUTPUT_SIZE_ZERO when nothing is left. These three return
    // false when the task was told to stop on the way.
    bool MeasurePage();
    bool DrawPage();
    // Every character of the layout but a line feed: draw(char, x, y), the
    // glyph origin in pixels moved by (ox, oy).
    template <class Draw>
    bool WalkText(float ox, float oy, Draw draw);
    bool MeasureTextBounds();
    void DrawGlyph(UINT32 ch, float x, float y);
    // Weighs the document's growth after a glyph is drawn; throws when the
    // document would stop fitting by the page's end.
    void WeighGrowth(CDocumentGrowth& growth, double restOfPage);

    CBoxF m_bounds;
    boost::shared_ptr<CVectorRenderer> m_renderer;
    std::wstring m_documentPath;
    boost::shared_ptr<CDocumentPlan> m_plan;
    // One copy of each layout character's glyph, and the page without its
    // glyphs, by the estimate; what the page will hold in all.
    std::vector<double> m_glyphBytes;
    double m_pageBaseBytes = 0;
    double m_pageBytes = 0;
    boost::shared_ptr<Gdiplus::CDibRenderer> m_dibRenderer;
    boost::shared_ptr<CMultiRenderer> m_multiRenderer;
    std::vector<CVectorLayerGroup> m_groups;
    CBoxF m_textBounds;
    CBoxF m_layerBounds;
};
