// The unit of work of the rendering engine: one output unit (the whole text, a
// character, a line or a paragraph) rendered with one settings snapshot, on a
// worker thread, reported back through a client. The task measures and places
// the glyphs in tenths of an output pixel (the GDI font is made with the
// font's Size as its height, so one font unit is one tenth of a pixel); its
// own Run draws a raster image, the vector task overrides Run.
#pragma once
#include "decoration/BorderingSetting.h"
#include "render/CanTerminate.h"
#include "foundation/HasMixins.h"
#include "imaging/Dib.h"
#include "imaging/ImageSaver.h"
#include "platform/Gdi.h"
#include "platform/GdiPlus.h"
#include <boost/enable_shared_from_this.hpp>
#include <boost/shared_ptr.hpp>
#include <map>
#include <string>
#include <vector>

class CSetting;
class CVectorFontManager;
namespace Gdiplus {
class FontFamily;
class GraphicsPath;
class StringFormat;
}

class CKanteloTask;

// The owner of running tasks. Both calls come on the worker thread.
class CKanteloTaskClient {
public:
    virtual void OnProgress(int done, int total) {}
    virtual void OnTaskFinished(boost::shared_ptr<CKanteloTask> task) = 0;
protected:
    ~CKanteloTaskClient() = default;
};

const int kUnknownBearing = 0x7fffffff;

// abcA + abcB + abcC.
inline int GetAbcWidth(const ABC& abc) { return abc.abcA + static_cast<int>(abc.abcB) + abc.abcC; }

class CKanteloTask : public CCanTerminate,
                     public CHasNo,
                     public CHasText,
                     public CHasPath,
                     public CHasSize,
                     public CHasSimpleErr,
                     public Gdiplus::CHasSaver,
                     public boost::enable_shared_from_this<CKanteloTask> {
public:
    CKanteloTask();
    virtual ~CKanteloTask();
    CKanteloTask(const CKanteloTask&) = delete;
    CKanteloTask& operator=(const CKanteloTask&) = delete;

    // Renders the unit into the result image (and its file, when there is a
    // path and a saver). Errors go to the error record.
    virtual void Run();
    // ABC widths of one character on `dc`, and its advance: the width of the
    // outline's black box plus one (abcB for a white-space character).
    virtual void GetCharAdvance(HDC dc, UINT32 ch, ABC& abc, float& advance);
    // GetCharABCWidthsW, else {0, GetCharWidth32W, 0}; throws IDS_GET_CHAR_WIDTH_FAILED.
    virtual void GetCharWidths(HDC dc, UINT32 ch, ABC& abc);

    // Clears the error, No, Size and Path, stores the client and forgets the
    // line-head bearing. Text stays.
    void Init(CKanteloTaskClient* client);
    // What a worker runs: Run, every exception turned into the error record,
    // the fonts released, and the client told, whatever happened.
    void Execute();

    void SetSetting(const boost::shared_ptr<CSetting>& setting) { m_setting = setting; }
    const boost::shared_ptr<CSetting>& GetSetting() const { return m_setting; }
    void SetLineHeadBearing(int bearing) { m_lineHeadBearing = bearing; }
    // Threads of the raster run, the task's own included; 0 (the default)
    // chooses by the processor count and the size of the work. The image is
    // the same whatever the count.
    void SetThreadCount(int threads) { m_threadCount = threads; }
    // The threads the last raster run used.
    int GetThreadsUsed() const { return m_threadsUsed; }
    int GetLineHeadBearing() const { return m_lineHeadBearing; }
    CKanteloTaskClient* GetClient() const { return m_client; }
    const boost::shared_ptr<CDib>& GetResultImage() const { return m_resultImage; }
    void ReleaseResultImage() { m_resultImage.reset(); }

    // Face first, then the enabled decoration rows; the margins of each
    // layer (how far the layers outside it reach) and of all together.
    void BuildLayers();
    // The two halves of BuildLayers: copying the layers, and their margins.
    void CollectLayers();
    void ComputeLayerMargins();
    // Lays out Text with the GDI font (see the .cpp); needs the fonts.
    void MeasureText();
    // Makes the fonts of the setting's font record (quality 3).
    void CreateFonts();
    void ReleaseFonts();
    // The glyph outline of ch into `path` (reset first; empty for white
    // space) at `size` pixels, its black box's left edge at origin.X and the
    // top of its line at origin.Y. Throws the font manager's and parser's errors.
    void AddGlyphPath(Gdiplus::GraphicsPath& path, UINT32 ch, float size, const Gdiplus::PointF& origin);

    // How far a character moves the pen: its ABC width plus the letter
    // spacing, never backwards.
    int GetPenStep(const ABC& abc) const;

    float GetLeadingOffset(float size) const;
    int GetLetterSpacing() const;
    int GetLineAdvance() const;
    int GetLineCellHeight() const;
    int GetTextWidth() const;

    // Results of the layout (tenths of a pixel unless said otherwise).
    const std::vector<CBorderingSetting>& GetLayers() const { return m_layers; }
    const std::vector<RECT>& GetLayerMargins() const { return m_layerMargins; }
    const RECT& GetTotalMargins() const { return m_totalMargins; }
    int GetLayerCount() const { return m_layerCount; }
    bool IsVertical() const { return m_vertical; }
    int GetLineHeadOffset() const { return m_lineHeadOffset; }
    // Where the first line's top lies below the text's top: above it go the
    // lines a negative line advance puts upwards, and ink that a negative
    // leading lifts above its line.
    int GetLineTopOffset() const { return m_lineTopOffset; }
    // The rows a line's glyphs may reach, from its top (tenths): the line
    // cell, and the glyph box wherever the leading moves it.
    void GetLineInkBand(int& top, int& bottom) const;
    int GetMaxGlyphAdvance() const { return m_maxGlyphAdvance; }
    int GetInkWidth() const { return m_inkWidth; }
    int GetAdvanceWidth() const { return m_advanceWidth; }
    int GetLineCount() const { return m_lineCount; }
    int GetTextHeight() const { return m_textHeight; }
    float GetEmSize() const { return m_emSize; }
    const TEXTMETRICW& GetTextMetrics() const { return m_textMetrics; }
    HFONT GetGdiFont() const { return m_font.Get(); }
    const boost::shared_ptr<CVectorFontManager>& GetFontManager() const { return m_fontManager; }
    const std::vector<RECT>& GetCharRects() const { return m_charRects; }
    const std::vector<RECT>& GetLineRects() const { return m_lineRects; }
    const std::vector<RECT>& GetParagraphRects() const { return m_paragraphRects; }
    int GetImageWidth() const { return m_imageWidth; }
    int GetImageHeight() const { return m_imageHeight; }
    int GetCellWidth() const { return m_cellWidth; }
    int GetCellHeight() const { return m_cellHeight; }

protected:
    // The palette step of the raster pipeline (ReduceToPalette); a failure
    // only keeps the 32-bit image. Virtual so that a test can make it fail.
    virtual HRESULT ReduceResultToPalette(boost::shared_ptr<CDib>& image);

    // The stages of the raster Run, in order, over the work of one run (its
    // threads and layer planes). Each returns false when Run ends there: an
    // error is stored, or the task was stopped.
    struct CRasterWork;
    bool LayOutRaster();
    bool PlanRasterWork(CRasterWork& work);
    bool DrawLayerMasks(CRasterWork& work);
    bool ComposeLayers(CRasterWork& work, boost::shared_ptr<CDib>& result);
    bool FinishResult(CRasterWork& work, boost::shared_ptr<CDib>& result);
    // GetCharAdvance, asked of the font once per character of a run: the
    // layout and the raster pass come back to the same characters.
    void MeasureChar(HDC dc, UINT32 ch, ABC& abc, float& advance);
    // The character, line and paragraph rectangles of one placed glyph.
    void AddUnitRects(const RECT& glyph, bool lineStart, bool& newParagraph);

    // The outline of ch with its metrics, and the shift (font units, y up)
    // that puts the outline where its metrics place it. Kept for the run (up
    // to kKeptOutlineBytes): the layout measures each character by its
    // outline, and the drawing comes back to the same characters; fetching
    // an outline makes the font engine load and hint the glyph again.
    void LoadGlyph(UINT32 ch, GLYPHMETRICS& gm, std::vector<BYTE>& buffer, double& sx, double& sy);
    void LoadGlyphFromFont(UINT32 ch, GLYPHMETRICS& gm, std::vector<BYTE>& buffer, double& sx, double& sy);
    void ForgetOutlines();

    CKanteloTaskClient* m_client = nullptr;
    boost::shared_ptr<CSetting> m_setting;
    int m_lineHeadBearing = kUnknownBearing;
    struct CCharMeasure {
        ABC abc;
        float advance;
    };
    std::map<UINT32, CCharMeasure> m_charMeasures;
    struct CKeptOutline {
        GLYPHMETRICS gm;
        std::vector<BYTE> buffer;
        double sx, sy;
    };
    static const size_t kKeptOutlineBytes = 256u << 10;
    std::map<UINT32, CKeptOutline> m_outlines;
    size_t m_outlineBytes = 0;
    int m_threadCount = 0;
    int m_threadsUsed = 0;
    boost::shared_ptr<CDib> m_resultImage;
    boost::shared_ptr<CVectorFontManager> m_fontManager;
    int m_layerCount = 0;
    RECT m_totalMargins = {0, 0, 0, 0};
    LOGFONTW m_logFont;
    CFontHandle m_font;
    TEXTMETRICW m_textMetrics;
    float m_emSize = 0;
    boost::shared_ptr<Gdiplus::FontFamily> m_fontFamily;
    boost::shared_ptr<Gdiplus::StringFormat> m_stringFormat;
    int m_fontStyle = 0;
    bool m_vertical = false;
    int m_lineHeadOffset = 0;
    int m_lineTopOffset = 0;
    int m_maxGlyphAdvance = 0;
    int m_inkWidth = 0;
    int m_advanceWidth = 0;
    int m_lineCount = 0;
    int m_letterSpacing = 0;
    int m_lineAdvance = 0;
    int m_textHeight = 0;
    std::vector<RECT> m_layerMargins;
    std::vector<CBorderingSetting> m_layers;
    std::vector<RECT> m_charRects;
    std::vector<RECT> m_lineRects;
    std::vector<RECT> m_paragraphRects;
    int m_imageWidth = 0;
    int m_imageHeight = 0;
    int m_cellWidth = 0;
    int m_cellHeight = 0;
};

// The smallest ABC A-width of the first character of any line of any unit
// (a line starts each unit and follows each '\n'), measured with the
// setting's GDI font; kUnknownBearing when no character was measured.
// Throws IDS_CREATE_FONT_FAILED, IDS_GET_TEXT_METRICS_FAILED (font) or IDS_GET_CHAR_WIDTH_FAILED (widths).
int CalcMinLineHeadBearing(const std::vector<std::wstring>& units, const CSetting& setting);

// The layer painting of the raster pipeline on a whole layer image: colours
// it by its paint over the unit rectangles, each shrunk by the layer's
// margins. The pipeline itself paints band by band to the same pixels. False
// after storing an error in `err`.
bool PaintLayer(CDib& image, const CPaintSetting& paint, const RECT& margins, bool vertical,
                const std::vector<RECT>& charRects, const std::vector<RECT>& lineRects,
                const std::vector<RECT>& paragraphRects, CSimpleErr& err);
