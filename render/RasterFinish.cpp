// The finishing stages of the raster run, on the composed result:
//   trim        with a texture layer, the transparent margins of the result
//               are cut afterwards (TrimTransparentMargins on the chosen
//               sides); otherwise the compose already cut to the ink;
//   background  the result laid on the settings' colour, in place, unless it
//               stays transparent (a preview, or a format that keeps alpha);
//   turn        vertical text is laid out across and turned a quarter
//               clockwise at the end;
//   palette     where the format takes a palette and the result is opaque,
//               an image of at most 256 colours is written with one (a
//               failure only keeps the 32-bit image: it costs file size);
//   save        the file, encoded in pieces on the run's threads.
// Each asks whether to stop before it begins; a stop while encoding is no
// error.
#include "render/RasterStages.h"
#include "render/KanteloTask.h"
#include "render/RasterEffects.h"
#include "decoration/Setting.h"
#include "imaging/PixelOps.h"
#include "resources/strings_engine.h"
#include "resources/strings_imaging.h"

bool TrimResult(CRasterRun& run)
{
    if (run.setting.TrimType == 0 || run.trimmed)
        return true;
    if (run.Stopped())
        return false;
    boost::shared_ptr<CDib> result = run.result;
    HRESULT hr = TrimTransparentMargins(result, static_cast<int>(run.setting.TrimType));
    // E_INVALIDARG for a 32-bit result: no pixel has ink, so there is nothing
    // to cut to; it stays as it is untrimmed (as FindTrimRegion keeps it).
    if (FAILED(hr) && !(hr == E_INVALIDARG && result->GetBitCount() == 32))
        throw my::CException(IDS_TRIM_IMAGE_FAILED, hr);
    CheckOutputLimits(run, result->GetWidth(), result->GetAbsHeight());
    run.Publish(result);
    return true;
}

bool LayOnBackground(CRasterRun& run)
{
    const boost::shared_ptr<Gdiplus::CImageSaver>& saver = run.task.m_saver;
    const bool keepsTransparency = !saver || saver->m_alphaCapable;
    if (run.setting.Transparent && keepsTransparency)
        return true;
    CDib& result = *run.result;
    const COLORREF color = run.setting.BkColor;
    const int w = result.GetWidth();
    // In place: the result is the largest thing the task holds.
    const int h = result.GetAbsHeight();
    return run.team->ForEachBand(h, BandRows(w, h, run.team->Size()), [&](int top, int bottom, int) {
        for (int y = top; y < bottom; ++y)
            FlattenRowOnColor(result.GetImageRow(y), result.GetImageRow(y), w, color);
    });
}

bool TurnVertical(CRasterRun& run)
{
    if (!run.layout.Vertical)
        return true;
    if (run.Stopped())
        return false;
    boost::shared_ptr<CDib> turned;
    HRESULT hr = RotateByOrientation(turned, *run.result, 6);
    if (FAILED(hr))
        throw my::CException(IDS_ROTATE_IMAGE_FAILED, hr);
    run.Publish(turned);
    return true;
}

bool ReducePalette(CRasterRun& run)
{
    const boost::shared_ptr<Gdiplus::CImageSaver>& saver = run.task.m_saver;
    if (!saver || !saver->m_paletteCapable || run.setting.Transparent)
        return true;
    if (run.Stopped())
        return false;
    // A failed reduction (too many colours, or no memory for the small
    // copy) costs only file size: the 32-bit image is saved instead.
    boost::shared_ptr<CDib> palettised = run.result;
    if (SUCCEEDED(run.task.ReduceResultToPalette(palettised)))
        run.Publish(palettised);
    return true;
}

bool SaveResult(CRasterRun& run)
{
    const boost::shared_ptr<Gdiplus::CImageSaver>& saver = run.task.m_saver;
    const std::wstring& path = run.task.Path;
    if (path.empty() || !saver)
        return true;
    if (run.Stopped())
        return false;
    CWorkTeam& team = *run.team;
    HRESULT hr = saver->Save(*run.result, true, path, [&team](int count, const std::function<void(int)>& piece) {
        return team.ForEach(count, [&piece](int i, int) { piece(i); });
    });
    if (hr == E_ABORT && run.Stopped())
        return false;  // stopped while encoding: no error
    if (FAILED(hr))
        throw my::CException(IDS_SAVE_IMAGE_FAILED, hr, path);
    return true;
}
