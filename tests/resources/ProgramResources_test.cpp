// The program's dialog templates, menus, accelerators, images and string ids
// as the running module holds them: every template against the table of its
// controls (id, kind, text) and the styles the window code relies on; every
// string id named once, with its texts.
#include "resources/font_list.h"
#include "resources/info_dialogs.h"
#include "resources/main_window.h"
#include "resources/paint_dialog.h"
#include "tests/common/TestSupport.h"
#include <gtest/gtest.h>
#include <commctrl.h>
#include <algorithm>
#include <cstring>
#include <cwctype>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <tuple>
#include <vector>

namespace {

enum Kind { kStatic, kPush, kCheck, kRadio, kGroup, kEdit, kCombo, kList, kSlider, kProgress, kOther };

const char* KindName(Kind k)
{
    const char* names[] = {"static", "push button", "check box", "radio button", "group box", "edit",
                           "combo box", "list box", "trackbar", "progress bar", "other"};
    return names[k];
}

struct CItem {
    DWORD style = 0, exStyle = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    int id = 0;
    std::wstring cls, text;
    Kind kind = kOther;
};

struct CTemplate {
    DWORD style = 0;
    short cx = 0, cy = 0;
    std::wstring menu, title, face;
    WORD pointSize = 0;
    std::vector<CItem> items;
};

Kind KindOf(const CItem& item)
{
    // The resource compiler writes some class names in capitals, others as atoms.
    std::wstring c = item.cls;
    for (wchar_t& ch : c)
        ch = static_cast<wchar_t>(towlower(ch));
    if (c == L"button") {
        switch (item.style & BS_TYPEMASK) {
        case BS_PUSHBUTTON: case BS_DEFPUSHBUTTON: return kPush;
        case BS_CHECKBOX: case BS_AUTOCHECKBOX: return kCheck;
        case BS_RADIOBUTTON: case BS_AUTORADIOBUTTON: return kRadio;
        case BS_GROUPBOX: return kGroup;
        }
        return kOther;
    }
    if (c == L"static") return kStatic;
    if (c == L"edit") return kEdit;
    if (c == L"combobox") return kCombo;
    if (c == L"listbox") return kList;
    if (c == L"msctls_trackbar32") return kSlider;
    if (c == L"msctls_progress32") return kProgress;
    return kOther;
}

// A name or an ordinal, as the template stores both.
std::wstring ReadSzOrOrd(const WORD*& p)
{
    static const wchar_t* atoms[] = {L"Button", L"Edit", L"Static", L"ListBox", L"ScrollBar", L"ComboBox"};
    if (*p == 0xFFFF) {
        const WORD ordinal = p[1];
        p += 2;
        if (ordinal >= 0x80 && ordinal <= 0x85)
            return atoms[ordinal - 0x80];
        return L"#" + std::to_wstring(ordinal);
    }
    std::wstring s(reinterpret_cast<const wchar_t*>(p));
    p += s.size() + 1;
    return s;
}

const WORD* AlignDword(const WORD* p, const BYTE* base)
{
    const size_t offset = reinterpret_cast<const BYTE*>(p) - base;
    return reinterpret_cast<const WORD*>(base + ((offset + 3) & ~size_t(3)));
}

template <typename T> T Take(const WORD*& p)
{
    T v;
    std::memcpy(&v, p, sizeof v);
    p += sizeof v / sizeof(WORD);
    return v;
}

// The extended template (the resource compiler writes no other kind).
bool LoadTemplate(UINT id, WORD language, CTemplate& out)
{
    HMODULE module = GetModuleHandleW(nullptr);
    HRSRC info = FindResourceExW(module, MAKEINTRESOURCEW(5), MAKEINTRESOURCEW(id), language);  // RT_DIALOG
    if (!info)
        return false;
    const BYTE* base = static_cast<const BYTE*>(LockResource(LoadResource(module, info)));
    const WORD* p = reinterpret_cast<const WORD*>(base);
    if (p[0] != 1 || p[1] != 0xFFFF)
        return false;
    p += 2;
    Take<DWORD>(p);  // help id
    Take<DWORD>(p);  // extended style
    out.style = Take<DWORD>(p);
    const WORD count = Take<WORD>(p);
    Take<short>(p);
    Take<short>(p);
    out.cx = Take<short>(p);
    out.cy = Take<short>(p);
    out.menu = ReadSzOrOrd(p);
    ReadSzOrOrd(p);  // window class
    out.title = ReadSzOrOrd(p);
    if (out.style & DS_SETFONT) {
        out.pointSize = Take<WORD>(p);
        Take<WORD>(p);  // weight
        Take<WORD>(p);  // italic, character set
        out.face = ReadSzOrOrd(p);
    }
    for (WORD i = 0; i < count; ++i) {
        p = AlignDword(p, base);
        CItem item;
        Take<DWORD>(p);  // help id
        item.exStyle = Take<DWORD>(p);
        item.style = Take<DWORD>(p);
        item.x = Take<short>(p);
        item.y = Take<short>(p);
        item.cx = Take<short>(p);
        item.cy = Take<short>(p);
        item.id = static_cast<int>(Take<DWORD>(p));
        item.cls = ReadSzOrOrd(p);
        item.text = ReadSzOrOrd(p);
        const WORD extra = Take<WORD>(p);
        p = reinterpret_cast<const WORD*>(reinterpret_cast<const BYTE*>(p) + extra);
        item.kind = KindOf(item);
        out.items.push_back(item);
    }
    return true;
}

const UINT kFirstLibraryId = 53248;  // library texts exist in English too
const WORD kJapanese = MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT);
const WORD kEnglish = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);

// One control of a template as its users expect it; text null when any.
struct CExpected {
    int id;
    Kind kind;
    const wchar_t* text;
};

typedef std::vector<CExpected> CTable;

void AddRange(CTable& t, int first, int count, Kind kind, const wchar_t* text = nullptr)
{
    for (int i = 0; i < count; ++i)
        t.push_back({first + i, kind, text});
}

CTable MainTable()
{
    CTable t = {{IDC_TEXT_AREA, kStatic, nullptr}, {IDC_FONT_GROUP, kGroup, L"フォント"},
                {IDC_CHARSET, kCombo, nullptr}, {IDC_FONT_FACE, kCombo, nullptr},
                {IDC_FONT_STYLE_LABEL, kStatic, L"種類:"}, {IDC_FONT_STYLE, kCombo, nullptr},
                {IDC_FONT_SIZE_LABEL, kStatic, L"サイズ:"}, {IDC_FONT_SIZE, kCombo, nullptr},
                {IDC_FONT_PAINT_LABEL, kStatic, L"色:"}, {IDC_FONT_PAINT, kPush, nullptr},
                {IDC_FONT_COLOR_LABEL, kStatic, L"#"}, {IDC_FONT_COLOR, kCombo, nullptr},
                {IDC_FONT_ALPHA_LABEL, kStatic, L"濃さ:"}, {IDC_FONT_ALPHA, kCombo, nullptr},
                {IDC_CHAR_SPACING_LABEL, kStatic, L"文字間:"}, {IDC_CHAR_SPACING, kCombo, nullptr},
                {IDC_LINE_SPACING_LABEL, kStatic, L"行間:"}, {IDC_LINE_SPACING, kCombo, nullptr},
                {IDC_LEADING_LABEL, kStatic, L"先行幅:"}, {IDC_LEADING, kCombo, nullptr},
                {IDC_FONT_MENU, kPush, nullptr}, {IDC_DECO_GROUP, kGroup, L"装飾"},
                {IDC_DECO_SIZE_HEAD, kStatic, L"サイズ:"}, {IDC_DECO_PAINT_HEAD, kStatic, L"色:"},
                {IDC_DECO_ALPHA_HEAD, kStatic, L"濃さ:"}, {IDC_DECO_BLUR_HEAD, kStatic, L"ぼかし:"},
                {IDC_DECO_ANGLE_HEAD, kStatic, L"角度:"}, {IDC_DECO_DISTANCE_HEAD, kStatic, L"距離:"},
                {IDC_UNIT_GROUP, kGroup, L"保存単位"}, {IDC_UNIT_CHAR, kRadio, L"文字"},
                {IDC_UNIT_LINE, kRadio, L"行"}, {IDC_UNIT_PARAGRAPH, kRadio, L"段落"},
                {IDC_FNAME_GROUP, kGroup, L"ファイル名"}, {IDC_FNAME_TYPE, kCombo, nullptr},
                {IDC_FNAME_SEQ_LABEL, kStatic, L"連番桁:"}, {IDC_FNAME_SEQ_WIDTH, kCombo, nullptr},
                {IDC_FORMAT_GROUP, kGroup, L"保存形式"}, {IDC_SAVE_FORMAT, kCombo, nullptr},
                {IDC_SINGLE_FILE, kCheck, L"1 ファイルにまとめる"}, {IDC_JPEG_QUALITY_LABEL, kStatic, L"画質(&Q):"},
                {IDC_JPEG_QUALITY, kCombo, nullptr}, {IDC_BK_GROUP, kGroup, L"背景"},
                {IDC_BK_PAINT, kPush, nullptr}, {IDC_BK_COLOR_LABEL, kStatic, L"#"},
                {IDC_BK_COLOR, kCombo, nullptr}, {IDC_TRANSPARENT, kCheck, L"透明"},
                {IDC_TRIM_LABEL, kStatic, L"自動トリム:"}, {IDC_TRIM, kCombo, nullptr},
                {IDC_RUN, kPush, L"実行(&R)"}, {IDC_STOP, kPush, L"中断(&S)"},
                {IDC_OPEN_FOLDER, kPush, L"保存先を開く(&E)"}, {IDC_PROGRESS, kProgress, nullptr}};
    AddRange(t, IDC_DECO_USE, 5, kCheck);
    AddRange(t, IDC_DECO_PRESET, 5, kCombo);
    AddRange(t, IDC_DECO_SIZE, 5, kCombo);
    AddRange(t, IDC_DECO_PAINT, 5, kPush);
    AddRange(t, IDC_DECO_COLOR_LABEL, 5, kStatic, L"#");
    AddRange(t, IDC_DECO_COLOR, 5, kCombo);
    AddRange(t, IDC_DECO_ALPHA, 5, kCombo);
    AddRange(t, IDC_DECO_BLUR, 5, kCombo);
    AddRange(t, IDC_DECO_ANGLE, 5, kCombo);
    AddRange(t, IDC_DECO_DISTANCE, 5, kCombo);
    AddRange(t, IDC_DECO_MENU, 5, kPush);
    return t;
}

CTable LinearTable()
{
    CTable t = {{IDC_GRAD_ANGLE, kCombo, nullptr}, {IDC_UNIT, kCombo, nullptr},
                {IDC_ENTIRE, kCheck, L"画像全体"}, {IDC_GRAD_PREVIEW, kStatic, nullptr}};
    AddRange(t, IDC_STOP_USE, 12, kCheck);
    AddRange(t, IDC_STOP_BUTTON, 12, kPush);
    AddRange(t, IDC_STOP_COLOR_LABEL, 12, kStatic, L"#");
    AddRange(t, IDC_STOP_COLOR, 12, kCombo);
    AddRange(t, IDC_STOP_POS, 12, kCombo);
    AddRange(t, IDC_STOP_SLIDER, 12, kSlider);
    return t;
}

struct CDialogCase {
    UINT id;
    WORD language;
    const wchar_t* title;
    CTable controls;
    std::vector<const wchar_t*> labels;  // texts of the controls without an id
};

std::vector<CDialogCase> DialogCases()
{
    return {
        {IDD_MAIN, kJapanese, L"カンテロ", MainTable(), {}},
        {IDD_FINISHED, kJapanese, L"正常終了",
         {{IDC_FINISHED_TEXT, kStatic, L"%d 個のファイルを作成しました"}, {IDC_OPEN_FILE, kPush, L"ファイルを開く"},
          {IDC_OPEN_OUTPUT_FOLDER, kPush, L"保存先フォルダを開く"}, {IDOK, kPush, L"OK"}},
         {}},
        {IDD_PAGE_LINEAR, kJapanese, L"グラデーション", LinearTable(), {L"角度:", L"単位:", L"プレビュー:"}},
        {IDD_PAGE_TEXTURE, kJapanese, L"テクスチャー",
         {{IDC_TEXTURE_FILE, kCombo, nullptr}, {IDC_TEXTURE_BROWSE, kPush, L"参照"},
          {IDC_TEXTURE_FIT, kCombo, nullptr}, {IDC_TEXTURE_RATE_X, kCombo, nullptr},
          {IDC_TEXTURE_RATE_Y, kCombo, nullptr}, {IDC_TEXTURE_SAME_RATE, kCheck, L"横と同じ"},
          {IDC_UNIT, kCombo, nullptr}, {IDC_ENTIRE, kCheck, L"画像全体"}, {IDC_TEXTURE_FLIP, kCheck, L"交互に反転"},
          {IDC_TEXTURE_OFFSET_X, kCombo, nullptr}, {IDC_TEXTURE_OFFSET_Y, kCombo, nullptr}},
         {L"テクスチャー画像ファイル", L"拡大、縮小", L"横:", L"%", L"縦:", L"単位:", L"描画位置の調整", L"ピクセル",
          L"ピクセル ( 負の値も指定できます )"}},
        {IDD_FONT_LIST, kJapanese, L"フォント一覧",
         {{IDC_FONT_LIST_CHARSET, kCombo, nullptr}, {IDC_FONT_LIST_SIZE, kCombo, nullptr},
          {IDC_FONT_LIST_WEIGHT, kCombo, nullptr}, {IDC_FONT_LIST_ITALIC, kCombo, nullptr},
          {IDC_FONT_LIST_SAMPLE, kCombo, nullptr}, {IDC_FONT_LIST_LIST, kList, nullptr},
          {IDC_FONT_LIST_INFO, kStatic, nullptr}, {IDOK, kPush, L"OK"}, {IDCANCEL, kPush, L"キャンセル"}},
         {L"文字セット(&C):", L"サイズ(&S):", L"太さ(&W):", L"斜体(&I):", L"サンプル文字列(&T):"}},
        {IDD_ABOUT, kJapanese, L"バージョン情報",
         {{IDC_ABOUT_ICON, kStatic, nullptr}, {IDC_ABOUT_NAME, kStatic, nullptr}, {IDC_ABOUT_NOTICE, kStatic, nullptr},
          {IDC_ABOUT_LINK, kStatic, nullptr}, {IDOK, kPush, L"OK"}},
         {L"詳しくはホームページをご覧ください"}},
        {IDD_ABOUT, kEnglish, L"About",
         {{IDC_ABOUT_ICON, kStatic, nullptr}, {IDC_ABOUT_NAME, kStatic, nullptr}, {IDC_ABOUT_NOTICE, kStatic, nullptr},
          {IDC_ABOUT_LINK, kStatic, nullptr}, {IDOK, kPush, L"OK"}},
         {L"Homepage shows more details:"}},
        {IDD_PAGE_MONO, kJapanese, L"単色",
         {{IDC_MONO_SELECTED, kStatic, nullptr}, {IDC_MONO_COLOR_LABEL, kStatic, L"#"},
          {IDC_MONO_COLOR, kCombo, nullptr}, {IDC_MONO_PREVIOUS, kStatic, nullptr},
          {IDC_MONO_PREVIOUS_LABEL, kStatic, L"#"}, {IDC_MONO_PREVIOUS_COLOR, kEdit, nullptr},
          {IDC_PICKER_HS, kStatic, nullptr}, {IDC_PICKER_L, kStatic, nullptr}, {IDC_RED_EDIT, kEdit, nullptr},
          {IDC_RED_SLIDER, kSlider, nullptr}, {IDC_GREEN_EDIT, kEdit, nullptr}, {IDC_GREEN_SLIDER, kSlider, nullptr},
          {IDC_BLUE_EDIT, kEdit, nullptr}, {IDC_BLUE_SLIDER, kSlider, nullptr}},
         {L"選択色:", L"変更前:", L"赤(&R):", L"緑(&G):", L"青(&B):"}},
    };
}

const CItem* FindItem(const CTemplate& t, int id)
{
    for (const CItem& item : t.items)
        if (item.id == id)
            return &item;
    return nullptr;
}

CTemplate Loaded(UINT id, WORD language = kJapanese)
{
    CTemplate t;
    EXPECT_TRUE(LoadTemplate(id, language, t)) << "dialog " << id;
    return t;
}

} // namespace

TEST(ProgramResources, EveryTemplateHoldsTheControlsOfItsTable)
{
    for (const CDialogCase& c : DialogCases()) {
        SCOPED_TRACE("dialog " + std::to_string(c.id) + (c.language == kEnglish ? " (English)" : ""));
        CTemplate t;
        ASSERT_TRUE(LoadTemplate(c.id, c.language, t));
        EXPECT_EQ(Narrow(c.title), Narrow(t.title));
        EXPECT_EQ("MS Shell Dlg", Narrow(t.face));
        EXPECT_EQ(8, t.pointSize);
        EXPECT_EQ(static_cast<DWORD>(DS_SETFONT | DS_FIXEDSYS), t.style & (DS_SETFONT | DS_FIXEDSYS));

        std::map<int, const CExpected*> expected;
        for (const CExpected& e : c.controls)
            EXPECT_TRUE(expected.emplace(e.id, &e).second) << "table lists " << e.id << " twice";
        std::set<int> seen;
        std::multiset<std::wstring> labels;
        for (const CItem& item : t.items) {
            if (item.id == -1 || item.id == 0xFFFF) {
                labels.insert(item.text);
                continue;
            }
            EXPECT_TRUE(seen.insert(item.id).second) << "control " << item.id << " twice";
            auto it = expected.find(item.id);
            if (it == expected.end()) {
                ADD_FAILURE() << "control " << item.id << " is not in the table";
                continue;
            }
            EXPECT_STREQ(KindName(it->second->kind), KindName(item.kind)) << "control " << item.id;
            if (it->second->text) {
                EXPECT_EQ(Narrow(it->second->text), Narrow(item.text)) << "control " << item.id;
            }
        }
        for (const CExpected& e : c.controls)
            EXPECT_TRUE(seen.count(e.id)) << "control " << e.id << " is missing";
        for (const wchar_t* label : c.labels)
            EXPECT_TRUE(labels.count(label)) << "no label " << Narrow(label);
    }
}

TEST(ProgramResources, StylesTheWindowCodeReliesOn)
{
    // Buttons that open a dialog or a menu must not report focus changes.
    const CTemplate main = Loaded(IDD_MAIN);
    EXPECT_EQ(L"#" + std::to_wstring(IDR_MAIN), main.menu);
    EXPECT_NE(0u, main.style & WS_THICKFRAME);
    EXPECT_EQ(0u, main.style & WS_VISIBLE);  // the program shows it itself
    std::vector<int> opening = {IDC_FONT_PAINT, IDC_FONT_MENU, IDC_BK_PAINT};
    for (int r = 0; r < 5; ++r) {
        opening.push_back(IDC_DECO_PAINT + r);
        opening.push_back(IDC_DECO_MENU + r);
    }
    for (int id : opening) {
        const CItem* item = FindItem(main, id);
        ASSERT_TRUE(item) << id;
        EXPECT_EQ(0u, item->style & BS_NOTIFY) << id;
    }
    // The text area leaves about 15 pixels under it for the info strip.
    const CItem* area = FindItem(main, IDC_TEXT_AREA);
    ASSERT_TRUE(area);
    int below = 10000;
    for (const CItem& item : main.items)
        if (item.y >= area->y + area->cy)
            below = std::min(below, item.y - (area->y + area->cy));
    EXPECT_GE(below, 9);  // dialog units: 8 make a line of the dialog's font

    // The pickers and the link take the mouse.
    const CTemplate mono = Loaded(IDD_PAGE_MONO);
    for (int id : {IDC_PICKER_HS, IDC_PICKER_L})
        EXPECT_NE(0u, FindItem(mono, id)->style & SS_NOTIFY) << id;
    for (WORD language : {kJapanese, kEnglish}) {
        const CTemplate about = Loaded(IDD_ABOUT, language);
        EXPECT_EQ(332, about.cx);
        EXPECT_EQ(108, about.cy);
        EXPECT_NE(0u, FindItem(about, IDC_ABOUT_LINK)->style & SS_NOTIFY);
        EXPECT_EQ(static_cast<DWORD>(SS_ICON), FindItem(about, IDC_ABOUT_ICON)->style & SS_TYPEMASK);
    }

    // Pages are disabled child windows with a caption for the tab.
    for (UINT id : {IDD_PAGE_MONO, IDD_PAGE_LINEAR, IDD_PAGE_TEXTURE}) {
        const DWORD wanted = WS_CHILD | WS_DISABLED | WS_CAPTION | DS_3DLOOK;
        EXPECT_EQ(wanted, Loaded(id).style & (wanted | WS_POPUP)) << id;
    }

    // The font list: resizable, an owner-drawn list without strings, a
    // right-aligned size box.
    const CTemplate fonts = Loaded(IDD_FONT_LIST);
    EXPECT_EQ(303, fonts.cx);
    EXPECT_EQ(217, fonts.cy);
    EXPECT_NE(0u, fonts.style & WS_THICKFRAME);
    const DWORD list = LBS_NOTIFY | LBS_OWNERDRAWFIXED | LBS_NOINTEGRALHEIGHT | LBS_NODATA;
    EXPECT_EQ(list, FindItem(fonts, IDC_FONT_LIST_LIST)->style & (list | LBS_SORT | LBS_HASSTRINGS));
    EXPECT_NE(0u, FindItem(fonts, IDC_FONT_LIST_SIZE)->exStyle & WS_EX_RIGHT);
    EXPECT_EQ(static_cast<DWORD>(CBS_DROPDOWNLIST), FindItem(fonts, IDC_FONT_LIST_CHARSET)->style & 3);
    EXPECT_EQ(static_cast<DWORD>(CBS_DROPDOWN), FindItem(fonts, IDC_FONT_LIST_SAMPLE)->style & 3);
}

TEST(ProgramResources, MenusAndAccelerators)
{
    HMODULE module = GetModuleHandleW(nullptr);
    struct CMenuCase {
        int position;
        std::vector<UINT> ids;  // 0 for a separator
    } bar[] = {{0, {IDM_FILE_OPEN, IDM_FILE_SAVE, IDM_FILE_SAVE_AS, 0, IDM_SELECT_FONT}},
               {1, {IDM_HELP_HOME_PAGE, IDM_HELP_USAGE, 0, IDM_APP_ABOUT}}};
    HMENU menu = LoadMenuW(module, MAKEINTRESOURCEW(IDR_MAIN));
    ASSERT_TRUE(menu);
    EXPECT_EQ(2, GetMenuItemCount(menu));
    for (const CMenuCase& c : bar) {
        HMENU sub = GetSubMenu(menu, c.position);
        ASSERT_TRUE(sub);
        ASSERT_EQ(static_cast<int>(c.ids.size()), GetMenuItemCount(sub));
        for (size_t i = 0; i < c.ids.size(); ++i)
            EXPECT_EQ(c.ids[i], GetMenuItemID(sub, static_cast<int>(i)));
    }
    const std::pair<UINT, const wchar_t*> texts[] = {
        {IDM_FILE_OPEN, L"開く(&O)..."}, {IDM_FILE_SAVE, L"上書き保存(&S)"},
        {IDM_FILE_SAVE_AS, L"名前を付けて保存(&A)..."}, {IDM_SELECT_FONT, L"フォント一覧から選択..."},
        {IDM_APP_ABOUT, L"バージョン情報(&A)..."}};
    for (const auto& t : texts) {
        wchar_t text[64] = L"";
        GetMenuStringW(menu, t.first, text, 64, MF_BYCOMMAND);
        EXPECT_EQ(Narrow(t.second), Narrow(text));
    }
    DestroyMenu(menu);

    HMENU font = LoadMenuW(module, MAKEINTRESOURCEW(IDR_FONT_MENU));
    ASSERT_TRUE(font);
    HMENU popup = GetSubMenu(font, 0);
    ASSERT_TRUE(popup);
    EXPECT_EQ(1, GetMenuItemCount(popup));
    EXPECT_EQ(static_cast<UINT>(IDM_SELECT_FONT), GetMenuItemID(popup, 0));
    DestroyMenu(font);

    HACCEL table = LoadAcceleratorsW(module, MAKEINTRESOURCEW(IDR_MAIN));
    ASSERT_TRUE(table);
    std::vector<ACCEL> accels(static_cast<size_t>(CopyAcceleratorTableW(table, nullptr, 0)));
    CopyAcceleratorTableW(table, accels.data(), static_cast<int>(accels.size()));
    std::set<std::tuple<BYTE, WORD, WORD>> actual;
    for (const ACCEL& a : accels)
        actual.insert(std::make_tuple(static_cast<BYTE>(a.fVirt & (FVIRTKEY | FSHIFT | FCONTROL | FALT)), a.key, a.cmd));
    const BYTE ctrl = FVIRTKEY | FCONTROL, shift = FVIRTKEY | FSHIFT, alt = FVIRTKEY | FALT;
    const std::set<std::tuple<BYTE, WORD, WORD>> wanted = {
        {ctrl, 'C', IDM_EDIT_COPY},        {ctrl, VK_INSERT, IDM_EDIT_COPY}, {shift, VK_DELETE, IDM_EDIT_CUT},
        {ctrl, 'X', IDM_EDIT_CUT},         {ctrl, 'V', IDM_EDIT_PASTE},      {shift, VK_INSERT, IDM_EDIT_PASTE},
        {alt, VK_BACK, IDM_EDIT_UNDO},     {ctrl, 'Z', IDM_EDIT_UNDO},       {ctrl, 'A', IDM_EDIT_SELECT_ALL},
        {ctrl, 'D', IDM_EDIT_DESELECT}};
    EXPECT_EQ(wanted, actual);
    DestroyAcceleratorTable(table);
}

TEST(ProgramResources, IconAndButtonImage)
{
    HMODULE module = GetModuleHandleW(nullptr);
    for (int size : {16, 32, 48}) {
        HICON icon = static_cast<HICON>(LoadImageW(module, MAKEINTRESOURCEW(IDR_MAIN), IMAGE_ICON, size, size, 0));
        EXPECT_TRUE(icon) << size;
        if (icon)
            DestroyIcon(icon);
    }
    HRSRC info = FindResourceW(module, MAKEINTRESOURCEW(IDR_MENU_BUTTON_IMAGE), L"IMAGE");
    ASSERT_TRUE(info);
    const BYTE* png = static_cast<const BYTE*>(LockResource(LoadResource(module, info)));
    ASSERT_GE(SizeofResource(module, info), 24u);
    EXPECT_EQ(0, std::memcmp(png, "\x89PNG\r\n\x1A\n", 8));
    // IHDR: width and height, big-endian, small enough for a button.
    const auto be = [](const BYTE* p) { return (p[0] << 24) | (p[1] << 16) | (p[2] << 8) | p[3]; };
    EXPECT_EQ(16, be(png + 16));
    EXPECT_EQ(16, be(png + 20));
}

// The resource compiler keeps quiet about two texts under one id and drops
// one of them, so the headers are read where they stand.
TEST(ProgramResources, EveryStringIdNamedOnceWithItsTexts)
{
    const std::wstring folder = SourceTreePath(L"resources");
    ASSERT_FALSE(folder.empty());
    std::map<UINT, std::string> names;
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW((folder + L"\\*.h").c_str(), &found);
    ASSERT_NE(INVALID_HANDLE_VALUE, find);
    const std::regex define("#define\\s+(IDS_\\w+)\\s+(\\d+)");
    do {
        const std::string body = ReadFileBytes(folder + L"\\" + found.cFileName);
        for (std::sregex_iterator m(body.begin(), body.end(), define), end; m != end; ++m) {
            const UINT id = static_cast<UINT>(std::stoul((*m)[2]));
            const auto known = names.emplace(id, (*m)[1]);
            EXPECT_TRUE(known.second || known.first->second == (*m)[1])
                << id << " is both " << known.first->second << " and " << (*m)[1];
        }
    } while (FindNextFileW(find, &found));
    FindClose(find);
    EXPECT_GT(names.size(), 400u);

    for (const auto& n : names) {
        const WORD block = static_cast<WORD>(n.first / 16 + 1);
        std::map<UINT, std::wstring> ja, en;
        ReadStringTableBlock(block, kJapanese, ja);
        EXPECT_TRUE(ja.count(n.first)) << n.second << " has no Japanese text";
        if (n.first >= kFirstLibraryId) {
            ReadStringTableBlock(block, kEnglish, en);
            EXPECT_TRUE(en.count(n.first)) << n.second << " has no English text";
        }
    }
}
