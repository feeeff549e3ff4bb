// The program as a person uses it, through the UI driver: a test resets the
// program's shared state (its settings file and its registry key in this
// prefix), then runs a driver script against the kantelo.exe of this build.
// Every such test holds the CTest resource lock "kantelo-program-state".
#pragma once
#include "decoration/Setting.h"
#include "decoration/SettingXml.h"
#include "foundation/PathUtil.h"
#include "foundation/ReplacingFileWriter.h"
#include "foundation/ResourceString.h"
#include "imaging/ImgLoader.h"
#include "imaging/WicImaging.h"
#include "tests/common/TestSupport.h"
#include "resources/strings_decoration.h"
#include <windows.h>
#include <shlobj.h>
#include <algorithm>
#include <cstring>
#include <string>

struct CDriveResult {
    DWORD exitCode = 0xFFFFFFFF;
    std::string output;  // what the driver printed (its failing line)
};

inline std::wstring ProgramSettingsPath()
{
    wchar_t appData[MAX_PATH] = L"";
    SHGetSpecialFolderPathW(nullptr, appData, CSIDL_APPDATA, TRUE);
    const std::wstring product = LoadResourceString(IDS_PRODUCT);
    return std::wstring(appData) + L"\\" + LoadResourceString(IDS_MAKER) + L"\\" + product + L"\\" + product +
           L"32.config";
}

inline void ResetProgramState()
{
    const std::wstring path = ProgramSettingsPath();
    for (const wchar_t* suffix : {L"", L".bak"})
        DeleteFileW((path + suffix).c_str());
    for (const std::wstring& name : {path, path + L".bak"})
        for (const std::wstring& copy : NumberedCopies(name, L".broken"))
            DeleteFileW(copy.c_str());
    RegDeleteTreeW(HKEY_CURRENT_USER, CSetting::GetProductKeyPath().c_str());
    RegDeleteKeyW(HKEY_CURRENT_USER, CSetting::GetProductKeyPath().c_str());
}

// The settings of a first start (the preset rows, read from a key that does
// not exist) in the Japanese gothic face that every test prefix has.
inline CSetting FirstStartSetting()
{
    const std::wstring key = L"Software\\KanteloTest\\FirstStart" + std::to_wstring(GetCurrentProcessId());
    CSetting s;
    s.ImportRegistryFrom(HKEY_CURRENT_USER, key.c_str());
    RegDeleteTreeW(HKEY_CURRENT_USER, key.c_str());
    RegDeleteKeyW(HKEY_CURRENT_USER, key.c_str());
    s.FontSetting.FontFace = L"IPAGothic";
    s.FontSetting.CharSet = SHIFTJIS_CHARSET;
    return s;
}

inline bool WriteProgramSettings(const CSetting& setting)
{
    const std::wstring path = ProgramSettingsPath();
    SHCreateDirectoryExW(nullptr, ParentFolderOf(path).c_str(), nullptr);
    CSettingXmlWriter writer;
    writer.SetWriteAll(true);
    return writer.Write(setting, path);
}

inline bool ReadProgramSettings(CSetting& setting)
{
    CSettingXmlReader reader;
    return reader.Read(setting, ProgramSettingsPath());
}

// A folder right below the root of drive C: for the program's files, emptied
// of the files an earlier run left there.
inline std::wstring FreshOutputFolder(const std::wstring& name)
{
    const std::wstring folder = L"C:\\kantelo-" + name;
    SHCreateDirectoryExW(nullptr, folder.c_str(), nullptr);
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                DeleteFileW((folder + L"\\" + found.cFileName).c_str());
        } while (FindNextFileW(find, &found));
        FindClose(find);
    }
    return folder;
}

// A control, command or message number as a script line writes it.
inline std::wstring Id(int id) { return std::to_wstring(id); }

// A number box turned by a user: a wheel turn from the value it shows, one from a
// typed value, Down from a value between entries, it typed again and the wheel up, Up;
// the value between typed again, the list dropped (the text stays) and Down, closed by
// Esc (the text comes back), dropped again and Down chosen by Enter, then Up undone by Esc
// (what the box stored comes back too); last, `entry` clicked in the dropped list and one
// character typed over it: the box shows `last`, and stores it.
struct CNumberSteps {
    int id, notch1, notch2;
    const wchar_t *fromShown, *typed, *fromTyped, *between, *down, *up, *upAgain, *entry, *last;
};
inline std::wstring NumberStepsScript(const CNumberSteps& b)
{
    const std::wstring id = Id(b.id), expect = L"\nexpect " + id + L" ";
    return L"wheel " + id + L" " + Id(b.notch1) + expect + b.fromShown + L"\ntext " + id + L" " + b.typed +
           L"\nwheel " + id + L" " + Id(b.notch2) + expect + b.fromTyped + L"\ntext " + id + L" " + b.between +
           L"\nfocus " + id + L"\nkey down" + expect + b.down + L"\ntext " + id + L" " + b.between + L"\nwheel " +
           id + L" 1" + expect + b.up + L"\nkey up" + expect + b.upAgain + L"\ntext " + id + L" " + b.between +
           L"\nkey f4" + expect + b.between + L"\nkey down" + expect + b.down + L"\nkey esc" + expect + b.between +
           L"\nkey alt+down\nkey down\nkey enter" + expect + b.down + L"\nkey f4\nkey up\nkey esc" + expect + b.down +
           L"\nkey f4\npickdropped " + id + L" " + b.entry + L"\ntype " + b.last + expect + b.last + L"\n";
}

// A box whose list is closed every way, each checked on the text shown and, after each close, on
// `element` of the settings file (null: the box's dialog stores its values only when it ends): Down in
// the dropped list undone by a real click on control `away`, and chosen by Enter (`chosen`, which a list
// dropped and closed by Esc then keeps); `typed` into the dropped list (stored as `typedStored`) and left
// by Tab (typed over `chosen`, which dropping selected whole), by Esc and by a click (typed over the
// whole text): it stays; "1" typed at End and "2" at Home, the list closed, then dropped (the caret
// moves, nothing steps; `endsStored` once closed); `entry` clicked in the dropped list and `last`
// typed over it: the box shows `last`, and stores what that text is. Left by Tab, a box that stores `typed`
// as another text shows that, `left`.
struct CComboCloses {
    int id, away;
    const wchar_t *element, *shown, *chosen, *typed, *typedStored, *endsStored, *entry, *last, *left = nullptr;
};
inline std::wstring ComboClosesScript(const CComboCloses& b)
{
    const std::wstring id = Id(b.id), expect = L"\nexpect " + id + L" ", drop = L"\nfocus " + id + L"\nkey f4";
    const std::wstring typed = L"\ntype " + std::wstring(b.typed), ends = L"\nkey end\ntype 1\nkey home\ntype 2";
    const std::wstring left = b.left ? b.left : b.typed;
    const auto stored = [&](const wchar_t* value) {
        return b.element ? L"\nstored " + std::wstring(b.element) + L" " + value : std::wstring();
    };
    return drop.substr(1) + L"\nkey down\nrealclick " + Id(b.away) + expect + b.shown + stored(b.shown) + drop +
           L"\nkey down\nkey enter" + expect + b.chosen + stored(b.chosen) + L"\nkey f4\nkey esc" + expect + b.chosen +
           stored(b.chosen) + drop + typed + L"\nkey tab" + expect + left + stored(b.typedStored) + drop +
           L"\nkey ctrl+a" + typed + L"\nkey esc" + expect + b.typed + stored(b.typedStored) + drop + L"\nkey ctrl+a" +
           typed + L"\nrealclick " + Id(b.away) + expect + b.typed + stored(b.typedStored) + ends + expect + L"2" +
           b.typed + L"1\nkey f4" + ends + L"\nkey esc" + expect + L"22" + b.typed + L"11" + stored(b.endsStored) +
           L"\nkey f4\npickdropped " + id + L" " + b.entry + L"\ntype " + b.last + expect + b.last + L"\n";
}

// A drop-down list whose dropped list the keys step (`key`) and a real click on control `away` closes:
// it keeps the entry the keys chose, `entry`.
inline std::wstring DroppedListKeepsScript(int id, const wchar_t* key, int away, const std::wstring& entry)
{
    return L"focus " + Id(id) + L"\nkey f4\nkey " + key + L"\nrealclick " + Id(away) + L"\nexpect " + Id(id) + L" " +
           entry + L"\n";
}

// Both file dialogs show this label; the main window does not.
const wchar_t kFileDialog[] = L"ファイルの種類";

// The Run button's folder browser, closed with OK once it shows the folder
// it opened on (it selects it after it appears; 14149 is its name box).
inline std::wstring ChooseFolderScript(const std::wstring& folder)
{
    std::wstring leaf;
    GetLastComponent(folder, leaf);
    return L"wait ファイルを保存するフォルダを指定してください\nexpect 14149 " + leaf + L"\nclick 1\nmain\n";
}

inline std::wstring ScriptPath(const std::wstring& path)
{
    std::wstring out;
    for (wchar_t c : path) {
        out.push_back(c);
        if (c == L'\\')
            out.push_back(L'\\');
    }
    return out;
}

inline CDriveResult RunDriveScript(const std::wstring& script)
{
    CDriveResult result;
    CTempFolder temp;
    const std::wstring scriptFile = temp.File(L"script.txt"), outFile = temp.File(L"out.txt");
    if (!WriteFileBytes(scriptFile, Narrow(script)))
        return result;
    const std::wstring cmd = L"\"" + BuildPath(L"tools\\drive.exe") + L"\" --program \"" +
                             BuildPath(L"app\\kantelo.exe") + L"\" --settings \"" + ProgramSettingsPath() + L"\" \"" +
                             scriptFile + L"\"";
    result.exitCode = RunWithOutputFile(cmd, outFile, 100000);
    result.output = ReadFileBytes(outFile);
    return result;
}

// A picture the driver took, as 32-bit pixels (blue, green, red, alpha).
inline boost::shared_ptr<CImg> LoadShot(const std::wstring& path)
{
    wic::CImagingFactoryScope factory;
    wic::CImgLoader loader;
    loader.m_formats = 1u << BGRA32;
    loader.m_options = wic::CImgLoader::kNoColorContext;
    boost::shared_ptr<CImg> image;
    LoadFromFile(loader, image, path);
    return image;
}

// Where the driver's picture shows another program's window (magenta).
inline bool IsMasked(const uint8_t* bgr) { return bgr[0] == 255 && bgr[1] == 0 && bgr[2] == 255; }

// How many pixels of the w x h block at (ax, ay) in a differ from the block
// at (bx, by) in b; pixels another program's window covered in either are
// left out.
inline int DifferingPixels(const CImg& a, int ax, int ay, const CImg& b, int bx, int by, int w, int h)
{
    int count = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const uint8_t* pa = a.Row(ay + y) + 4 * (ax + x);
            const uint8_t* pb = b.Row(by + y) + 4 * (bx + x);
            if (!IsMasked(pa) && !IsMasked(pb) && std::memcmp(pa, pb, 3) != 0)
                ++count;
        }
    return count;
}

// How many pixels of the w x h block at (x0, y0) pass the test, which gets
// red, green and blue.
template <class Test>
int CountPixels(const CImg& image, int x0, int y0, int w, int h, Test test)
{
    int count = 0;
    for (int y = std::max(0, y0); y < std::min(image.m_h, y0 + h); ++y)
        for (int x = std::max(0, x0); x < std::min(image.m_w, x0 + w); ++x) {
            const uint8_t* p = image.Row(y) + 4 * x;
            if (test(p[2], p[1], p[0]))
                ++count;
        }
    return count;
}
