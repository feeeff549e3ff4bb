// bench [OUTPUT_FOLDER]
//
// Times the engine inside the process and prints key=value lines for
// bench.sh: the benchmark line (IPAGothic 200 px, face E03030, a white
// outline of 5 px and a black one of 5 px more blurred by 4 px, transparent
// PNG, trimmed) as a whole save job and as a render alone, and the preview
// (20 characters at 30 px with the five first-start presets). It also writes
// the benchmark's settings and text files, for timing the whole process: the
// line, 10 lines of 80 characters and 20 lines of 160 (the line repeated, by
// paragraph), and 10 lines of 80 characters that are all different. The
// heavy preview has six lines at 48 px with five decorations of 8 px, each
// blurred by 10 px. With "--stages" it times the stages of the raster run
// instead (where the time goes): the heavy preview on 1, 2 and 4 threads,
// then the preview, the heavy preview and the 10 x 80 cases.
#include "render/SaveJob.h"
#include "tools/ToolRuntime.h"
#include "tools/BenchStages.h"
#include "tools/BenchVector.h"
#include "render/KanteloTask.h"
#include "render/SaveFormatFactory.h"
#include "render/WorkTeam.h"
#include "decoration/NamedEffects.h"
#include "decoration/SettingXml.h"
#include "foundation/PathUtil.h"
#include "platform/Handle.h"
#include <psapi.h>
#include <algorithm>
#include <cstdio>
#include <functional>

namespace {

// Runs `work` n times; the times in milliseconds, sorted.
std::vector<double> Time(int n, const std::function<bool()>& work)
{
    std::vector<double> ms;
    for (int i = 0; i < n; ++i) {
        double t0 = NowMs();
        if (!work())
            return std::vector<double>();
        ms.push_back(NowMs() - t0);
    }
    std::sort(ms.begin(), ms.end());
    return ms;
}

double Median(const std::vector<double>& v) { return v.empty() ? -1 : v[v.size() / 2]; }

CSetting BenchmarkSetting()
{
    CSetting s = BenchFaceSetting();
    for (size_t i = 0; i < s.UseBorderings.size(); ++i)
        s.UseBorderings[i] = 0;
    s.Borderings[0].SetPreset(50, RGB(255, 255, 255), 100, 0, 120, 0);
    s.Borderings[1].SetPreset(50, RGB(0, 0, 0), 100, 40, 120, 0);
    s.UseBorderings[0] = s.UseBorderings[1] = 1;
    s.SaveFormat.Type = OutputType::PNG;
    s.Unit = TextUnit::LINE;
    s.Transparent = true;
    s.TrimType = TrimType::All;
    s.FnameType = FnameType::SEQ;
    return s;
}

CSetting PreviewSetting()
{
    CSetting s;
    s.FontSetting.FontFace = L"IPAGothic";
    s.FontSetting.CharSet = SHIFTJIS_CHARSET;
    s.FontSetting.Size = 300;
    const int ids[] = {IDS_PRESET_WHITE_THIN, IDS_PRESET_RED, IDS_PRESET_WHITE, IDS_PRESET_GLOW, IDS_PRESET_SHADOW};
    for (int i = 0; i < 5; ++i) {
        s.Borderings[i] = *GetNamedEffects().FindById(ids[i]);
        s.UseBorderings[i] = 1;
    }
    return s;
}

// The preview at its heaviest: six lines at 48 px, five rows of 8 px each
// blurred by 10 px.
CSetting HeavyPreviewSetting()
{
    CSetting s = PreviewSetting();
    s.FontSetting.Size = 480;
    for (size_t i = 0; i < s.Borderings.size(); ++i) {
        s.Borderings[i].Size = 80;
        s.Borderings[i].Blur = 100;
        s.UseBorderings[i] = 1;
    }
    return s;
}

const wchar_t kPreviewText[] = L"縁取り文字のテストです。プレビューの速度";
const wchar_t kHeavyPreviewText[] =
    L"縁取り文字のテスト\nプレビューの速さ\n六行の文章を\n太い縁取りと\nぼかしで描く\n最後の行です";

// Times n runs of one task over `text`, bounded by `size` as a preview is
// when it is not 0 x 0; the last error goes to `error`.
std::vector<double> TimeTask(int n, const boost::shared_ptr<CSetting>& setting, const std::wstring& text, SIZE size,
                             const boost::shared_ptr<Gdiplus::CImageSaver>& saver, std::wstring& error)
{
    return Time(n, [&] {
        boost::shared_ptr<CKanteloTask> task(new CKanteloTask);
        task->Init(nullptr);
        task->SetSetting(setting);
        task->Size = size;
        task->Text = text;
        task->m_saver = saver;
        task->Execute();
        error = task->Err.message;
        return !task->HasError();
    });
}

bool WriteUtf8(const std::wstring& path, const std::wstring& text)
{
    int n = ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<size_t>(n), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &bytes[0], n, nullptr, nullptr);
    const CHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    if (!file.IsValid())
        return false;
    DWORD written = 0;
    return ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    CToolRuntime runtime;
    std::wstring folder;
    if (argc > 1) {
        folder = argv[1];
    } else {
        GetTempFolder(folder);
        PathJoin(folder, L"knt-bench");
    }
    ::CreateDirectoryW(folder.c_str(), nullptr);
    std::wstring vectorError;
    // "--vector": only the vector formats with the largest decorations.
    if (argc > 2 && std::wstring(argv[2]) == L"--vector")
        return BenchVectorFormats(folder, vectorError) ? 0 : (WriteLine(STD_ERROR_HANDLE, vectorError), 1);
    const bool stages = argc > 2 && std::wstring(argv[2]) == L"--stages";
    const std::wstring line = L"縁取り文字テスト";
    const CSetting bench = BenchmarkSetting();
    CSettingXmlWriter writer;
    writer.SetWriteAll(false);
    const std::wstring settingsPath = PathJoined(folder, L"bench.knt"), textPath = PathJoined(folder, L"bench.txt");
    if (!writer.Write(bench, settingsPath) || !WriteUtf8(textPath, line)) {
        WriteLine(STD_ERROR_HANDLE, L"cannot write the benchmark's files: " + writer.GetError().message);
        return 1;
    }
    WriteLine(STD_OUTPUT_HANDLE, L"settings=" + settingsPath);
    WriteLine(STD_OUTPUT_HANDLE, L"text=" + textPath);
    CSetting paragraphs = bench;
    paragraphs.Unit = TextUnit::PARAGRAPH;
    const std::wstring paragraphPath = PathJoined(folder, L"paragraph.knt");
    std::wstring lines10, lines20, different;
    for (int y = 0; y < 20; ++y) {
        std::wstring row10, row20;
        for (int i = 0; i < 20; ++i)
            (i < 10 ? row10 : row20) += line;
        if (y < 10) {
            lines10 += (y ? L"\n" : L"") + row10;
            for (int i = 0; i < 80; ++i)
                different += static_cast<wchar_t>(0x4E00 + 97 * (y * 80 + i) % 20000);
            different += y < 9 ? L"\n" : L"";
        }
        lines20 += (y ? L"\n" : L"") + row10 + row20;
    }
    const struct {
        const wchar_t* key;
        const wchar_t* file;
        const std::wstring& text;
    } texts[] = {{L"text10x80", L"lines10.txt", lines10}, {L"text20x160", L"lines20.txt", lines20},
                 {L"text10x80different", L"different10.txt", different}};
    if (!writer.Write(paragraphs, paragraphPath)) {
        WriteLine(STD_ERROR_HANDLE, L"cannot write the benchmark's files: " + writer.GetError().message);
        return 1;
    }
    WriteLine(STD_OUTPUT_HANDLE, L"paragraph_settings=" + paragraphPath);
    for (const auto& t : texts) {
        const std::wstring path = PathJoined(folder, t.file);
        if (!WriteUtf8(path, t.text)) {
            WriteLine(STD_ERROR_HANDLE, L"cannot write " + path);
            return 1;
        }
        WriteLine(STD_OUTPUT_HANDLE, std::wstring(t.key) + L"=" + path);
    }

    std::wstring error;
    if (stages) {
        CSetting heavyPreview = HeavyPreviewSetting();
        heavyPreview.TrimType = 0;
        // One thread against all: how far the glyph pass gains from more.
        bool ok = true;
        for (int threads : {1, 2, 4})
            ok = ok && BenchRasterStages(heavyPreview, kHeavyPreviewText, L"heavy_preview_t" + std::to_wstring(threads),
                                         L"", error, threads);
        CSetting preview = PreviewSetting();
        preview.TrimType = 0;
        ok = ok && BenchRasterStages(preview, kPreviewText, L"preview", L"", error) &&
             BenchRasterStages(heavyPreview, kHeavyPreviewText, L"heavy_preview", L"", error) &&
             BenchRasterStages(paragraphs, lines10, L"10x80", PathJoined(folder, L"stages-10x80.png"), error) &&
             BenchRasterStages(paragraphs, different, L"10x80different", PathJoined(folder, L"stages-different.png"),
                               error);
        if (!ok)
            WriteLine(STD_ERROR_HANDLE, error);
        return ok ? 0 : 1;
    }
    const int runs = 9;
    const std::wstring jobFolder = PathJoined(folder, L"out");
    std::vector<double> job = Time(runs, [&] {
        std::vector<std::wstring> files;
        return RunSaveJob(bench, line, jobFolder, files, error);
    });
    boost::shared_ptr<CSetting> snapshot(new CSetting(bench));
    std::vector<double> render = TimeTask(runs, snapshot, line, SIZE{0, 0}, nullptr, error);
    boost::shared_ptr<CSetting> preview(new CSetting(PreviewSetting()));
    boost::shared_ptr<Gdiplus::CImageSaver> saver = CreateImageSaver(preview->SaveFormat);
    std::vector<double> previews = TimeTask(15, preview, kPreviewText, SIZE{1200, 200}, saver, error);
    boost::shared_ptr<CSetting> heavy(new CSetting(HeavyPreviewSetting()));
    std::vector<double> heavyPreviews = TimeTask(runs, heavy, kHeavyPreviewText, SIZE{1200, 800}, saver, error);
    if (job.empty() || render.empty() || previews.empty() || heavyPreviews.empty()) {
        WriteLine(STD_ERROR_HANDLE, error);
        return 1;
    }
    WriteValue(L"line_job_ms_median", Median(job));
    WriteValue(L"line_job_ms_min", job.front());
    WriteValue(L"line_render_ms_median", Median(render));
    WriteValue(L"preview_ms_median", Median(previews));
    // The machine is shared: the fastest run shows the cost without the others' load.
    WriteValue(L"preview_ms_min", previews.front());
    WriteValue(L"heavy_preview_ms_median", Median(heavyPreviews));
    WriteValue(L"heavy_preview_ms_min", heavyPreviews.front());
    WriteValue(L"threads", GetProcessorCount());
    PROCESS_MEMORY_COUNTERS pmc = {};
    pmc.cb = sizeof pmc;
    if (::GetProcessMemoryInfo(::GetCurrentProcess(), &pmc, sizeof pmc)) {
        WriteValue(L"peak_working_set_mb", pmc.PeakWorkingSetSize / 1048576.0);
        WriteValue(L"peak_pagefile_mb", pmc.PeakPagefileUsage / 1048576.0);
    }
    if (!BenchVectorFormats(folder, vectorError)) {
        WriteLine(STD_ERROR_HANDLE, vectorError);
        return 1;
    }
    return 0;
}
