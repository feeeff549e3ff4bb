// The rules of the paint dialog's pages that need no window: how stop
// positions and texture scales are shown, which controls a texture setting
// enables, and where the texture's file list and browse dialog start.
#pragma once
#include "decoration/BorderingSetting.h"
#include "foundation/FolderList.h"
#include "foundation/Msg.h"
#include <string>
#include <vector>

typedef std::vector<CFolderFilePtr> CFolderFileList;

// One row of the gradation page for each stop a gradation can hold.
const int kGradationRows = static_cast<int>(kGradationStops);

// The stop a control of the gradation page's row table belongs to (use,
// button, "#" label, colour, position, trackbar), or -1.
int StopIndexOfControl(UINT id);
// A stop's position as its combo shows it: trunc(pos x 100) hundredths,
// two decimals (a product short of a whole number by its rounding error
// alone counts as that number: 0.29 shows as 0.29).
std::wstring FormatStopPos(double pos);
// The position that text stands for: what a stop's box stores, typed or
// left, so that it holds what it shows (0.999 is 0.99).
double ShownStopPos(double pos);
// Where the position trackbar (0..rangeMax) stands for a value: trunc(max x
// pos), as above. Not clamped to the range: the trackbar clamps itself.
int StopPosToTrackbar(double pos, int rangeMax);

// The texture scale combos' text: trunc(rate x 1000 + 0.5) per mille shown
// with one decimal ("100.0" for 1, "33.3" for 1/3).
std::wstring FormatTextureRate(double rate);
// The rate that text stands for: what a scale box stores, typed or left, so
// that it holds what it shows (33.33 % is 33.3 %).
double ShownTextureRate(double rate);
struct CTextureRateEnables {
    bool rateX;     // horizontal scale
    bool sameRate;  // "same as horizontal"
    bool rateY;     // vertical scale
};
CTextureRateEnables GetTextureRateEnables(const CTextureSetting& texture);
// The folder whose image files the texture box lists for `path`.
std::wstring TextureListFolder(const std::wstring& path);
// Refills the list with the image files in the folder of `path` (not
// recursive; a folder that cannot be listed leaves it empty). An empty path
// leaves the list as it is and gives false.
bool RefreshTextureFileList(CFolderFileList& list, const std::wstring& path);
// The path a text typed into the texture box names, as the painter opens
// it: a relative text taken from the current folder, "/" and doubled
// separators folded ("...\\tex.png" would otherwise keep "\tex.png" beside
// the settings folder, the drive's root once read back). Empty stays empty;
// a text the system makes no full path of, or one whose full path is longer
// than limits::kMaxTextLength, stays as typed.
std::wstring TexturePathOfTypedText(const std::wstring& typed);
// The longest text the texture box takes: what the current folder adds to
// it leaves the full path within limits::kMaxTextLength.
size_t RoomForTypedTexturePath();
// The browse dialog's initial name: a folder (ending in a separator) gets
// "image.jpg", so that the dialog opens in it.
std::wstring TextureBrowseInitialName(const std::wstring& comboText);
// After the image open dialog ended without a file: a failure of the
// dialog itself is shown with its code in decimal; a plain cancel (code 0)
// shows nothing.
void ShowCommonDialogFailure(CMsg& sink, DWORD code);
