// The vector formats at their heaviest: the benchmark line with all five
// decorations at the largest size the settings accept, saved once in every
// vector format as a whole save job, timed against the goal of 1 s.
#include "tools/BenchVector.h"
#include "tools/ToolRuntime.h"
#include "render/SaveJob.h"
#include "decoration/SettingLimits.h"
#include "foundation/PathUtil.h"
#include <cstdio>

CSetting BenchFaceSetting()
{
    CSetting s;
    s.FontSetting.FontFace = L"IPAGothic";
    s.FontSetting.CharSet = SHIFTJIS_CHARSET;
    s.FontSetting.Size = 2000;
    s.PaintSetting.Type = PaintType::MONO;
    s.PaintSetting.Color = RGB(0xE0, 0x30, 0x30);
    s.FontSetting.Color = s.PaintSetting.Color;
    return s;
}

CSetting LargestDecorationsSetting()
{
    CSetting s = BenchFaceSetting();
    const COLORREF colors[] = {RGB(255, 255, 255), RGB(0, 0, 0), RGB(0, 128, 255), RGB(255, 200, 0), RGB(40, 40, 40)};
    for (size_t i = 0; i < 5; ++i) {
        s.Borderings[i].SetPreset(limits::kMaxLength, colors[i], 100, 0, 0, 0);
        s.UseBorderings[i] = 1;
    }
    s.Unit = TextUnit::LINE;
    s.Transparent = false;
    s.TrimType = TrimType::All;
    s.FnameType = FnameType::SEQ;
    return s;
}

bool BenchVectorFormats(const std::wstring& folder, std::wstring& error)
{
    const std::wstring line = L"縁取り文字テスト";
    struct Format {
        UINT type;
        const wchar_t* key;
    } formats[] = {{OutputType::PDF, L"pdf"}, {OutputType::SVG, L"svg"}, {OutputType::SVG_TAG, L"html"},
                   {OutputType::EMF, L"emf"}};
    for (const Format& f : formats) {
        CSetting s = LargestDecorationsSetting();
        s.SaveFormat.Type = f.type;
        std::vector<std::wstring> files;
        const double t0 = NowMs();
        if (!RunSaveJob(s, line, PathJoined(folder, L"vector"), files, error))
            return false;
        const double ms = NowMs() - t0;
        wchar_t text[160];
        _snwprintf(text, 160, L"largest_decorations_%ls_ms=%.1f (goal < 1000)", f.key, ms);
        WriteLine(STD_OUTPUT_HANDLE, text);
    }
    return true;
}
