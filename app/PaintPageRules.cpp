#include "app/PaintPageRules.h"
#include "foundation/PathUtil.h"
#include "foundation/XmlValue.h"
#include "resources/paint_dialog.h"
#include "resources/strings_foundation.h"
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

} // namespace

int StopIndexOfControl(UINT id)
{
    for (int first : kRowFirstIds)
        if (id >= static_cast<UINT>(first) && id < static_cast<UINT>(first + kGradationRows))
            return static_cast<int>(id) - first;
    return -1;
}

std::wstring FormatStopPos(double pos) { return FormatFixedPoint(TruncToInt(pos * 100.0), 2, true); }

int StopPosToTrackbar(double pos, int rangeMax) { return TruncToInt(rangeMax * pos); }

std::wstring FormatTextureRate(double rate) { return FormatFixedPoint(TruncToInt(rate * 1000.0 + 0.5), 1, true); }

CTextureRateEnables GetTextureRateEnables(const CTextureSetting& texture)
{
    const bool custom = texture.Type == ImageFitType::CUSTOM_RATE;
    return {custom, custom, custom && !texture.SameRate};
}

bool RefreshTextureFileList(CFolderFileList& list, const std::wstring& path)
{
    if (path.empty())
        return false;
    std::wstring folder = path, name;
    SplitPathFileName(folder, name);
    list.clear();
    ListFolderFiles(list, folder, false, kImageFilePattern);
    return true;
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
