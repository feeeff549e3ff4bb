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

namespace FnameType { enum Value : UINT { SEQ_TEXT = 0, SEQ = 1, TEXT = 2 }; const UINT Count = 3; }
namespace TrimType { enum Value : UINT { TRIM_L = 1, TRIM_T = 2, TRIM_R = 4, TRIM_B = 8 }; const UINT All = 15; }

const int kDecorationRows = 5;

// The font's fields in the settings documents; the older registry form
// has no LeadingWidth.
template <>
struct CFieldsOf<CFontSetting> {
    template <class V>
    static void Walk(V& v)
    {
        typedef CFontSetting R;
        v.Int(L"CharSet", &R::CharSet);
        v.Text(L"FontFace", &R::FontFace);
        v.Int(L"Escapement", &R::Escapement);
        v.Int(L"Orientation", &R::Orientation);
        v.Int(L"Weight", &R::Weight, 0, 1000);
        v.Bool(L"Italic", &R::Italic);
        v.Bool(L"Underline", &R::Underline);
        v.Bool(L"StrikeOut", &R::StrikeOut);
        v.Tenths(L"Size", &R::Size, 1, limits::kMaxFontSize);
        v.Color(L"Color", &R::Color);
        v.Int(L"Alpha", &R::Alpha, 0, 100);
        v.Int(L"CharWidth", &R::CharWidth, -limits::kMaxSpacing, limits::kMaxSpacing);
        v.Int(L"LineWidth", &R::LineWidth, -limits::kMaxSpacing, limits::kMaxSpacing);
        v.Int(CField(L"LeadingWidth").Since(kVersionWithLeading).NoRegistry(), &R::LeadingWidth,
              -limits::kMaxSpacing, limits::kMaxSpacing);
    }
};

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

    // The older registry form keeps the window layout's values in the
    // settings key itself; it knows no font list dialog. Every value beyond
    // its table names by the text (see MakeFileTitle), so an unknown
    // FnameType becomes TEXT. There are five rows everywhere: a row the
    // window cannot show must not be drawn, so the registry's "Count" reads
    // five at most, and neither the snapshot nor the writer holds more.
    template <class V>
    static void Fields(V& v)
    {
        typedef CSetting R;
        v.Text(CField(L"ConfigPath").OnlyIn(SettingPart::CONFIG_PATH), &R::ConfigPath);
        v.Record(CField(L"WindowLayout").OnlyIn(SettingPart::WINDOW_LAYOUT).InParentKey(), &R::WindowLayout);
        v.Record(CField(L"FontSetting").Key(L"Font"), &R::FontSetting);
        v.Record(CField(L"PaintSetting").Key(L"Paint").Since(kVersionWithPaint), &R::PaintSetting, &FaceColorBeforePaint);
        v.List(CField(L"UseBorderings").Items(L"bool"), &R::UseBorderings, kDecorationRows);
        v.List(CField(L"Borderings").Items(L"BorderingSetting"), &R::Borderings, kDecorationRows);
        v.Enum(L"Unit", &R::Unit, TextUnitNames(), TextUnit::LINE);
        v.Enum(L"FnameType", &R::FnameType, FnameTypeNames(), FnameType::TEXT);
        v.Int(L"FnameSeqWidth", &R::FnameSeqWidth, 0, limits::kMaxSeqWidth);
        v.Record(L"SaveFormat", &R::SaveFormat);
        v.Color(CField(L"BkColor").AnyRegistryType(), &R::BkColor);
        v.Bool(L"Transparent", &R::Transparent);
        v.Bool(CField(L"SingleFile").MayBeMissing(), &R::SingleFile);
        v.Flags(CField(L"TrimType").AnyRegistryType(), &R::TrimType, TrimTypeFlags());
        v.Text(CField(L"FolderPath").OnlyIn(SettingPart::FOLDER_PATH), &R::FolderPath);
        v.Record(CField(L"FontListDlg").OnlyIn(SettingPart::FONT_LIST_DLG).NoRegistry(), &R::FontListDlg);
    }

private:
    // Versions before the face paint drew the face in the font's colour.
    static COLORREF FaceColorBeforePaint(const CSetting& s) { return s.FontSetting.Color; }
};
