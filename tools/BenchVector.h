// The vector formats' part of the benchmark (see BenchVector.cpp).
#pragma once
#include "decoration/Setting.h"
#include <string>

// The benchmark's face: IPAGothic at 200 pixels, solid red, no decoration on.
CSetting BenchFaceSetting();
// The benchmark line's settings with all five decorations at the largest size.
CSetting LargestDecorationsSetting();
// Saves the line once in each vector format into `folder`\vector and prints
// one line per format: largest_decorations_<format>_ms=<time>.
bool BenchVectorFormats(const std::wstring& folder, std::wstring& error);
