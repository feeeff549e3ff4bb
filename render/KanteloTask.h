// The unit of work of the rendering engine: one output unit (the whole text, a
// character, a line or a paragraph) rendered with one settings snapshot, on a
// worker thread, reported back through a client. The task holds what the
// worker and the job need (number, text, path, bound, error, saver, result)
// and the layout of its text; its own Run is the raster run (the stages of
// RasterStages.h), the vector task overrides Run.
#pragma once
#include "render/CanTerminate.h"
#include "render/TaskFonts.h"
#include "render/TextLayout.h"
#include "foundation/HasMixins.h"
#include "imaging/Dib.h"
#include "imaging/ImageSaver.h"
#include <boost/enable_shared_from_this.hpp>
#include <boost/shared_ptr.hpp>
#include <string>
#include <vector>

class CSetting;

class CKanteloTask;

// The owner of running tasks. Both calls come on the worker thread.
class CKanteloTaskClient {
public:
    virtual void OnProgress(int done, int total) {}
    virtual void OnTaskFinished(boost::shared_ptr<CKanteloTask> task) = 0;
protected:
    ~CKanteloTaskClient() = default;
};

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
    // path and a saver). Failures are thrown as my::CException; a stop
    // returns quietly.
    virtual void Run();

    // Clears the error, No, Size and Path, stores the client and forgets the
    // line-head bearing. Text stays.
    void Init(CKanteloTaskClient* client);
    // What a worker runs: Run, every exception turned into the error record,
    // the fonts released, and the client told, whatever happened.
    void Execute();

    void SetSetting(const boost::shared_ptr<CSetting>& setting) { m_setting = setting; }
    const boost::shared_ptr<CSetting>& GetSetting() const { return m_setting; }
    void SetLineHeadBearing(int bearing) { m_lineHeadBearing = bearing; }
    int GetLineHeadBearing() const { return m_lineHeadBearing; }
    // Threads of the raster run, the task's own included; 0 (the default)
    // chooses by the processor count and the size of the work. The image is
    // the same whatever the count.
    void SetThreadCount(int threads) { m_threadCount = threads; }
    int GetThreadCount() const { return m_threadCount; }
    // The threads the last raster run used.
    int GetThreadsUsed() const { return m_threadsUsed; }
    void SetThreadsUsed(int threads) { m_threadsUsed = threads; }
    // The raster image before it is trimmed and turned (output pixels), as
    // the last raster run found it.
    int GetImageWidth() const { return m_imageWidth; }
    int GetImageHeight() const { return m_imageHeight; }
    void SetImageSize(int width, int height) { m_imageWidth = width; m_imageHeight = height; }
    CKanteloTaskClient* GetClient() const { return m_client; }
    const boost::shared_ptr<CDib>& GetResultImage() const { return m_resultImage; }
    void SetResultImage(const boost::shared_ptr<CDib>& image) { m_resultImage = image; }
    void ReleaseResultImage() { m_resultImage.reset(); }

    // The layers of the settings (no fonts needed).
    void BuildLayers();
    // The fonts, then the layout of Text with them (after BuildLayers or
    // SetLayoutLayers); in bounded mode Text keeps only what fits.
    void LayOut();
    const CTextLayout& GetLayout() const { return m_layout; }
    CTaskFonts& GetFonts() { return m_fonts; }
    const CTaskFonts& GetFonts() const { return m_fonts; }

    // The palette step of the raster run (ReduceToPalette); a failure only
    // keeps the 32-bit image. Virtual so that a test can make it fail.
    virtual HRESULT ReduceResultToPalette(boost::shared_ptr<CDib>& image);

protected:
    // The layout with layers of the caller's choice.
    void SetLayoutLayers(const std::vector<CBorderingSetting>& layers);

    CKanteloTaskClient* m_client = nullptr;
    boost::shared_ptr<CSetting> m_setting;
    int m_lineHeadBearing = kUnknownBearing;
    int m_threadCount = 0;
    int m_threadsUsed = 0;
    int m_imageWidth = 0;
    int m_imageHeight = 0;
    boost::shared_ptr<CDib> m_resultImage;
    CTaskFonts m_fonts;
    CTextLayout m_layout;
};
