// Where the raster engine's time goes: one task's run taken stage by stage.
#pragma once
#include "decoration/Setting.h"
#include <string>

// Runs the raster stages of one task over `text` one at a time and prints
// "stages_<name>_<stage>_ms=..." for each, the layout's share that fetches
// and measures outlines, how many distinct characters it met, and how many
// threads were busy on average while the masks were drawn (processor time
// over wall time). The file goes to `path` (PNG). False with `error` set
// when the run failed.
bool BenchRasterStages(const CSetting& setting, const std::wstring& text, const std::wstring& name,
                       const std::wstring& path, std::wstring& error, int threads = 0);
