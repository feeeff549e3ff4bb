// The whole state the user edits and the program keeps between runs: text,
// font, face paint, the five decoration rows with their switches, the save
// options and the layouts of the main window and the font list dialog. One
// instance lives for the whole run; every rendering job takes its own copy.
#pragma once
#include "decoration/BorderingSetting.h"
#include "decoration/FontListDlgSetting.h"
#include "decoration/SaveFormat.h"
#include "decoration/WindowLayout.h"
#include "outline/FontSetting.h"
#include <windows.h>
#include <string>
#include <vector>

namespace FnameType {
enum Value : UINT { SEQ_TEXT = 0, SEQ = 1, TEXT = 2 };
const UINT Count = 3;
}
namespace TrimType {
enum Value : UINT { TRIM_L = 1, TRIM_T = 2, TRIM_R = 4, TRIM_B = 8 };
const UINT All = 15;
}

const int kDecorationRows = 5;

class CSetting {
public:
    std::wstring Text;  // not stored in the settings file
    std::wstring ConfigPath;
    // Carried and copied with the snapshot; stored nowhere.
    std::vector<BYTE> Bytes1;
    std::vector<BYTE> Bytes2;
    CWindowLayout WindowLayout;
    CFontSetting FontSetting;
    CPaintSetting PaintSetting;
    std::vector<BYTE> UseBorderings;  // one switch per row, same index as Borderings
    std::vector<CBorderingSetting> Borderings;
    CSaveFormat SaveFormat;
    UINT Unit = TextUnit::LINE;
    COLORREF BkColor = 0xFFFFFF;
    bool Transparent = false;
    bool SingleFile = false;
    std::wstring FolderPath;  // empty: the user's picture folder
    UINT FnameType = FnameType::SEQ_TEXT;
    int FnameSeqWidth = 1;
    UINT TrimType = TrimType::All;
    CFontListDlgSetting FontListDlg;

    CSetting();

    // File name of one output unit without folder and extension.
    std::wstring MakeFileTitle(int number, const std::wstring& unitText) const;
    // FolderPath, or the user's picture folder (created when missing); empty
    // when that folder cannot be found.
    std::wstring GetOutputFolder() const;
    // PDF or HTML with SingleFile set: every unit goes into one document.
    bool IsSingleOutputFile() const;
    // First-start decoration rows from the presets, then the older registry
    // form under HKEY_CURRENT_USER\Software\<maker>\<product>32\Setting.
    bool ImportRegistry();
    // The same from any product key (the tests use a key of their own).
    bool ImportRegistryFrom(HKEY root, const std::wstring& productKeyPath);

    // Software\<maker>\<product>32
    static std::wstring GetProductKeyPath();
};

// Clamps the numbers of a snapshot read from outside into ranges the
// rendering arithmetic can hold, and sets enumerated values that are outside
// their tables back to their defaults.
void NormalizeSetting(CSetting& setting);
void ClampFontSetting(CFontSetting& font);
