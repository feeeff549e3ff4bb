#include "app/PaintPageRules.h"
#include "decoration/SettingLimits.h"
#include "foundation/PathUtil.h"
#include "foundation/XmlValue.h"
#include "resources/paint_dialog.h"
#include "resources/strings_foundation.h"
#include <algorithm>
#include <climits>
#include <cmath>

namespace {

const int kRowFirstIds[] = {IDC_STOP_USE, IDC_STOP_BUTTON, IDC_STOP_COLOR_LABEL,
                            IDC_STOP_COLOR, IDC_STOP_POS, IDC_STOP_SLIDER};
const wchar_t kBrowseDefaultName[] = L"image.jpg";

// trunc(v) kept inside the int range: positions and rates are stored as
// typed, unbounded, and a cast of a larger double is undefined.
int TruncToInt(double v)
{
    if (v != v)
        return 0;
    if (v <= INT_MIN)
        return INT_MIN;
    if (v >= INT_MAX)
        return INT_MAX;
    return static_cast<int>(v);
}

// trunc(v) for v = pos x 100 and the like: a product short of a whole number
// by a billionth of it at the most, its rounding, counts as that number (0.29 x 100 is
// 28.999999999999996, and the trackbar's 29 / 100 must show as 0.29).
int TruncScaled(double v)
{
    const double whole = std::round(v);
    return TruncToInt(std::fabs(v - whole) <= 1e-9 * std::max(1.0, std::fabs(v)) ? whole : v);
}

// "/" as "\" and a run of separators as one, but for the two that open a
// UNC path ("\\server\share").
std::wstring FoldSeparators(const std::wstring& path)
{
    std::wstring out;
    for (wchar_t c : path) {
        const bool separator = IsPathSeparator(c);
        if (separator && out.size() > 1 && out.back() == L'\\')
            continue;
        out += separator ? L'\\' : c;
    }
    return out;
}

// The full path the system makes of `path`, of any length it allows.
bool FullPathOf(const std::wstring& path, std::wstring& out)
{
    const DWORD size = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (size == 0)
        return false;
    std::wstring buffer(size, L'\0');
    const DWORD n = GetFullPathNameW(path.c_str(), size, &buffer[0], nullptr);
    // n >= size: the current folder grew between the two calls.
    if (n == 0 || n >= size)
        return false;
    out.assign(buffer, 0, n);
    return true;
}

} // namespace

int StopIndexOfControl(UINT id)
{
    for (int first : kRowFirstIds)
        if (id >= static_cast<UINT>(first) && id < static_cast<UINT>(first + kGradationRows))
            return static_cast<int>(id) - first;
    return -1;
}

std::wstring FormatStopPos(double pos) { return FormatFixedPoint(TruncScaled(pos * 100.0), 2, true); }

double ShownStopPos(double pos) { return TruncScaled(pos * 100.0) / 100.0; }

int StopPosToTrackbar(double pos, int rangeMax) { return TruncScaled(rangeMax * pos); }

std::wstring FormatTextureRate(double rate) { return FormatFixedPoint(TruncToInt(rate * 1000.0 + 0.5), 1, true); }

double ShownTextureRate(double rate) { return TruncToInt(rate * 1000.0 + 0.5) / 1000.0; }

CTextureRateEnables GetTextureRateEnables(const CTextureSetting& texture)
{
    const bool custom = texture.Type == ImageFitType::CUSTOM_RATE;
    return {custom, custom, custom && !texture.SameRate};
}

std::wstring TextureListFolder(const std::wstring& path)
{
    std::wstring folder = path, name;
    SplitPathFileName(folder, name);
    return folder;
}

bool RefreshTextureFileList(CFolderFileList& list, const std::wstring& path)
{
    if (path.empty())
        return false;
    list.clear();
    ListImageFiles(list, TextureListFolder(path));
    return true;
}

std::wstring TexturePathOfTypedText(const std::wstring& typed)
{
    // "\\?\" and "\\.\" paths are taken by the system as they are.
    if (typed.empty() || (typed.size() > 3 && IsPathSeparator(typed[0]) && IsPathSeparator(typed[1]) &&
                          (typed[2] == L'?' || typed[2] == L'.') && IsPathSeparator(typed[3])))
        return typed;
    std::wstring full;
    if (!FullPathOf(FoldSeparators(typed), full) || full.size() > limits::kMaxTextLength)
        return typed;
    return full;
}

size_t RoomForTypedTexturePath()
{
    // The folder's share of a resolution: the resolution of one character, less it.
    const size_t folder = TexturePathOfTypedText(L"x").size() - 1;
    return folder < limits::kMaxTextLength ? limits::kMaxTextLength - folder : 1;
}

std::wstring TextureBrowseInitialName(const std::wstring& comboText)
{
    if (EndsWithPathSeparator(comboText))
        return comboText + kBrowseDefaultName;
    return comboText;
}

void ShowCommonDialogFailure(CMsg& sink, DWORD code)
{
    if (code != 0)
        sink.ShowResourceMessage1(IDS_COMMON_DIALOG_FAILED, FormatLong(static_cast<long>(code)), MB_ICONERROR);
}
