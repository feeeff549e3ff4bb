// The raster stages of one task, each timed (see BenchStages.h). The stages
// are the engine's own functions called in the engine's order, so the image
// is the one a save would write.
#include "tools/BenchStages.h"
#include "tools/ToolRuntime.h"
#include "render/KanteloTask.h"
#include "render/RasterStages.h"
#include "render/SaveFormatFactory.h"
#include "render/TextWalk.h"
#include "render/DiscDilation.h"
#include "render/GlyphFill.h"
#include "render/RunMask.h"
#include "platform/GdiPlusPath.h"
#include "platform/Gdi.h"
#include "foundation/GuardedRunner.h"
#include <psapi.h>
#include <cstdio>
#include <functional>
#include <set>

namespace {

double ProcessCpuMs()
{
    FILETIME created, exited, kernel, user;
    if (!::GetProcessTimes(::GetCurrentProcess(), &created, &exited, &kernel, &user))
        return 0;
    const auto ms = [](const FILETIME& t) {
        return (static_cast<unsigned long long>(t.dwHighDateTime) << 32 | t.dwLowDateTime) / 10000.0;
    };
    return ms(kernel) + ms(user);
}

// The process's memory in use now, in MB (its peak is the largest of these
// as each stage ends, or between them).
double ResidentMb()
{
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    if (!::GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof counters))
        return -1;
    return static_cast<double>(counters.WorkingSetSize) / (1 << 20);
}

// The cost of fetching and measuring each distinct character with fonts of
// its own (nothing kept from the run).
double OutlineMs(const CSetting& setting, const std::wstring& text, size_t& distinct)
{
    std::set<UINT32> chars;
    CTextWalk walk(text, 0, 0);
    while (walk.Next())
        if (!walk.IsLineBreak())
            chars.insert(walk.Char());
    distinct = chars.size();
    CTaskFonts fonts;
    fonts.Create(setting.FontSetting);
    CScreenDC screen;
    CSelectObjectGuard select(screen, fonts.GetFont());
    const double t0 = NowMs();
    for (UINT32 ch : chars) {
        ABC abc;
        float advance;
        fonts.GetCharAdvance(screen, ch, abc, advance);
    }
    return NowMs() - t0;
}

// One thread's cost of each step of drawing a glyph's layers, summed over
// the first `count` characters that are not blank: fill, each growth and
// the reductions, the way the masks stage does them; and the runs a layer
// holds, on average.
void TimeGlyphSteps(CKanteloTask& task, const CRasterRun& run, const std::wstring& prefix, size_t count)
{
    const CTextLayout& l = run.layout;
    std::vector<CRunMask> masks(l.Layers.size());
    CRowRing ring;
    double fill = 0, grow = 0, reduce = 0, runs = 0;
    size_t done = 0;
    Gdiplus::GraphicsPath path(Gdiplus::FillModeWinding);
    std::vector<Gdiplus::PointF> points;
    std::vector<BYTE> types;
    std::vector<CPathPoint> cellPoints;
    CCoverageBlock block;
    for (const CPlacedChar& c : l.Chars) {
        if (c.LineBreak || done == count)
            continue;
        const RECT& m = l.TotalMargins;
        task.GetFonts().AddGlyphPath(path, c.Ch, l.EmSize, Gdiplus::PointF(static_cast<float>(m.left + 5),
                                                                            static_cast<float>(m.top)),
                                     l.LeadingOffset(l.EmSize));
        path.GetPathData(points, types);
        if (points.empty())
            continue;
        cellPoints.resize(points.size());
        for (size_t p = 0; p < points.size(); ++p)
            cellPoints[p] = CPathPoint{points[p].X, points[p].Y};
        double t = NowMs();
        masks[0].Reset(run.cellWidth, run.cellHeight);
        FillPathWinding(masks[0], cellPoints, types);
        fill += NowMs() - t;
        t = NowMs();
        for (size_t k = 1; k < masks.size(); ++k) {
            const POINT d = l.Layers[k].GetShadowOffset(l.Vertical);
            DilateRuns(masks[k], masks[k - 1], CDisc(l.Layers[k].Size), ring, d.x, d.y);
        }
        grow += NowMs() - t;
        t = NowMs();
        for (CRunMask& mask : masks)
            ReduceRuns(mask, block);
        reduce += NowMs() - t;
        for (const CRunMask& mask : masks)
            if (!mask.IsClean())
                runs += static_cast<double>(mask.RowEnd(mask.Dirty().bottom - 1) - mask.RowBegin(mask.Dirty().top));
        ++done;
    }
    const double n = done ? static_cast<double>(done) : 1.0;
    WriteValue(prefix + L"glyph_cell_pixels", static_cast<double>(run.cellWidth) * run.cellHeight);
    WriteValue(prefix + L"glyph_layer_runs", runs / n / static_cast<double>(masks.size()));
    WriteValue(prefix + L"glyph_fill_ms", fill / n);
    WriteValue(prefix + L"glyph_grow_ms", grow / n);
    WriteValue(prefix + L"glyph_reduce_ms", reduce / n);
}

} // namespace

bool BenchRasterStages(const CSetting& setting, const std::wstring& text, const std::wstring& name,
                       const std::wstring& path, std::wstring& error, int threads)
{
    boost::shared_ptr<CSetting> snapshot(new CSetting(setting));
    boost::shared_ptr<CKanteloTask> task(new CKanteloTask);
    task->Init(nullptr);
    task->SetSetting(snapshot);
    task->Text = text;
    task->Path = path;
    task->m_saver = CreateImageSaver(snapshot->SaveFormat);
    task->SetThreadCount(threads);
    const std::wstring prefix = L"stages_" + name + L"_";
    my::CCtrlException caught(nullptr, 0);
    CatchToError(caught, [&] {
        const auto step = [&](const wchar_t* stage, const std::function<bool()>& run) {
            const double t0 = NowMs(), cpu0 = ProcessCpuMs();
            const bool going = run();
            const double ms = NowMs() - t0;
            WriteValue(prefix + stage + L"_ms", ms);
            WriteValue(prefix + stage + L"_resident_mb", ResidentMb());
            if (std::wstring(stage) == L"masks" && ms > 0)
                WriteValue(prefix + L"masks_busy_threads", (ProcessCpuMs() - cpu0) / ms);
            return going;
        };
        step(L"layout", [&] { task->BuildLayers(); task->LayOut(); return true; });
        CRasterRun run(*task);
        step(L"plan", [&] { SetRasterSizes(run); PlanRasterWork(run); return true; });
        step(L"masks", [&] { return DrawLayerMasks(run); }) && step(L"blur", [&] { return BlurLayers(run); }) &&
            step(L"opacity", [&] { return ApplyOpacity(run); }) &&
            step(L"trim_region", [&] { return FindTrimRegion(run); }) &&
            step(L"compose", [&] { return ComposeLayers(run); }) && step(L"trim", [&] { return TrimResult(run); }) &&
            step(L"background", [&] { return LayOnBackground(run); }) &&
            step(L"turn", [&] { return TurnVertical(run); }) && step(L"palette", [&] { return ReducePalette(run); }) &&
            step(L"save", [&] { return SaveResult(run); });
        WriteValue(prefix + L"threads", run.team->Size());
        TimeGlyphSteps(*task, run, prefix, 60);
        size_t distinct = 0;
        const double outlines = OutlineMs(*snapshot, text, distinct);
        WriteValue(prefix + L"distinct_chars", static_cast<double>(distinct));
        WriteValue(prefix + L"outlines_alone_ms", outlines);
    });
    error = caught.message;
    return caught.id == 0;
}
