#include "foundation/Error.h"
#include "resources/strings_foundation_io.h"
#include "foundation/ResourceString.h"
#include "foundation/StringUtil.h"
#include "resources/strings_foundation.h"
#include "tests/common/TestSupport.h"
#include <gtest/gtest.h>
#include <boost/regex.hpp>
#include <functional>
#include <sstream>

TEST(SimpleErr, SetZeroEmptiesEverything)
{
    CSimpleErr e;
    e.SetWithCode(IDS_INTERNAL_ERROR, E_FAIL, L"x");
    e.Set(0);
    EXPECT_EQ(0u, e.id);
    EXPECT_EQ(0, e.code);
    EXPECT_TRUE(e.message.empty());
    EXPECT_FALSE(e.IsError());
}

TEST(SimpleErr, CodeTextFillsFirstArgument)
{
    HRESULT hr = HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
    my::CException e(IDS_STRING_RESOURCE_MISSING, hr, L"7");
    EXPECT_EQ(hr, e.code);
    EXPECT_EQ(L"文字列リソースが見つかりません - " + SystemText(hr) + L"\n\nID: 7", e.message);
    // The trimmed system text neither starts nor ends with white space or CR.
    std::wstring text = e.GetCodeText();
    ASSERT_FALSE(text.empty());
    EXPECT_FALSE(IsSpaceOrCr(text.front()));
    EXPECT_FALSE(IsSpaceOrCr(text.back()));
    EXPECT_STREQ("Unknown exception", e.what());

    // A format without "%s" drops the system text.
    CSimpleErr noArg;
    noArg.SetIdAndCode(IDS_ABORTED, E_OUTOFMEMORY);
    EXPECT_EQ(L"処理が中断されました", noArg.message);
    EXPECT_EQ(E_OUTOFMEMORY, noArg.code);
}

TEST(SimpleErr, SystemMessages)
{
    // A system text with inserts is returned as it stands, not as unknown.
    std::wstring withInserts = FormatSystemMessage(HRESULT_FROM_WIN32(ERROR_MR_MID_NOT_FOUND));
    EXPECT_NE(std::wstring::npos, withInserts.find(L"%1")) << Narrow(withInserts);
    EXPECT_EQ(std::wstring::npos, withInserts.find(L"Unknown HRESULT"));

    // Facility 8 codes are looked up by their low word.
    EXPECT_EQ(FormatSystemMessage(ERROR_ACCESS_DENIED), FormatSystemMessage(static_cast<HRESULT>(0x80080005)));
    EXPECT_EQ(L"Unknown HRESULT: abcd", FormatSystemMessage(static_cast<HRESULT>(0x8008ABCD)));
    EXPECT_EQ(L"Unknown HRESULT: 8123abcd", FormatSystemMessage(static_cast<HRESULT>(0x8123ABCD)));

    CSimpleErr e;
    e.SetWithCode(IDS_INTERNAL_ERROR, static_cast<HRESULT>(0x8123ABCD));
    EXPECT_EQ(L"内部エラー\n\nUnknown HRESULT: 8123abcd", e.message);
}

TEST(SimpleErr, Win32CodesAsHResults)
{
    struct Case {
        DWORD error;
        HRESULT hr;
    } const cases[] = {
        {0, 0},
        {ERROR_ACCESS_DENIED, static_cast<HRESULT>(0x80070005)},
        {0x12345, static_cast<HRESULT>(0x80072345)},
        {0x80004005, static_cast<HRESULT>(0x80004005)},  // already an HRESULT
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.hr, HResultFromWin32(c.error)) << c.error;
        SetLastError(c.error);
        EXPECT_EQ(c.hr, HResultFromLastError()) << c.error;
    }
}

TEST(SimpleErr, RegexErrors)
{
    struct Case {
        boost::regex_constants::error_type code;
        UINT id;
    } const cases[] = {
        {boost::regex_constants::error_bad_pattern, IDS_REGEX_BAD_PATTERN}, {boost::regex_constants::error_collate, IDS_REGEX_COLLATE},
        {boost::regex_constants::error_ctype, IDS_REGEX_CTYPE},       {boost::regex_constants::error_escape, IDS_REGEX_ESCAPE},
        {boost::regex_constants::error_backref, IDS_REGEX_BACKREF},     {boost::regex_constants::error_brack, IDS_REGEX_BRACK},
        {boost::regex_constants::error_paren, IDS_REGEX_PAREN},       {boost::regex_constants::error_brace, IDS_REGEX_BRACE},
        {boost::regex_constants::error_badbrace, IDS_REGEX_BADBRACE},    {boost::regex_constants::error_range, IDS_REGEX_RANGE},
        {boost::regex_constants::error_space, IDS_REGEX_SPACE},       {boost::regex_constants::error_badrepeat, IDS_REGEX_BADREPEAT},
        {boost::regex_constants::error_complexity, IDS_REGEX_COMPLEXITY},  {boost::regex_constants::error_stack, IDS_REGEX_STACK},
    };
    for (const Case& c : cases) {
        CSimpleErr e;
        e.SetFromRegexError(boost::regex_error(c.code));
        EXPECT_EQ(c.id, e.id) << c.code;
        EXPECT_EQ(LoadResourceString(c.id), e.message);
    }
    // Any other code: the library's own text inside IDS_REGEX_ERROR.
    boost::regex_error empty(boost::regex_constants::error_empty);
    CSimpleErr e;
    e.SetFromRegexError(empty);
    EXPECT_EQ(UINT(IDS_REGEX_ERROR), e.id);
    EXPECT_EQ(L"正規表現エラー: " + WidenWhat(empty.what()), e.message);

    // A real compile error.
    try {
        boost::wregex r(L"(ab");
        ADD_FAILURE();
    } catch (const boost::regex_error& x) {
        e.SetFromRegexError(x);
    }
    EXPECT_EQ(UINT(IDS_REGEX_PAREN), e.id);
}

TEST(SimpleErr, SingleLineAndStream)
{
    CSimpleErr e;
    e.message = L"one\n\ntwo\nthree";
    EXPECT_EQ(L"one two three", e.GetSingleLineText());
    e.id = 12;
    e.code = static_cast<HRESULT>(0x80004005);
    std::wostringstream os;
    os << e << L" " << 255;  // the stream's own flags come back afterwards
    EXPECT_EQ(L"No: 12 HR: 80004005 MSG: one\n\ntwo\nthree 255", os.str());
}

TEST(SimpleErr, ExceptionsCarryTheErrorValue)
{
    CSimpleErr stored;
    stored.id = IDS_INTERNAL_ERROR;
    stored.code = E_FAIL;
    stored.message = L"kept as it stands";
    my::CException rethrown(stored);
    EXPECT_EQ(UINT(IDS_INTERNAL_ERROR), rethrown.id);
    EXPECT_EQ(E_FAIL, rethrown.code);
    EXPECT_EQ(L"kept as it stands", rethrown.message);

    HWND control = reinterpret_cast<HWND>(0x42);
    my::CCtrlException ctrl(control, IDS_NO_SELECTION);
    my::CCtrlException copy(ctrl);
    EXPECT_EQ(control, copy.control);
    EXPECT_EQ(L"選択項目がありません", copy.message);
    my::CCtrlException assigned(stored);
    EXPECT_EQ(nullptr, assigned.control);
    assigned = ctrl;
    EXPECT_EQ(control, assigned.control);
    EXPECT_EQ(UINT(IDS_NO_SELECTION), assigned.id);

    try {
        throw my::CException(IDS_INTERNAL_ERROR, L"a");
    } catch (const std::exception& e) {
        EXPECT_STREQ("Unknown exception", e.what());
        const my::CException* mine = dynamic_cast<const my::CException*>(&e);
        ASSERT_TRUE(mine);
        EXPECT_EQ(L"内部エラー\n\na", mine->message);
    }

    // Arguments left out stand as empty texts, never as whatever the stack holds.
    my::CCtrlException bare(control, IDS_OPEN_FILE_FAILED);
    EXPECT_EQ(my::CException(IDS_OPEN_FILE_FAILED, L"", L"").message, bare.message);
    EXPECT_EQ(my::CException(IDS_OPEN_FILE_FAILED, L"", L"p").message,
              my::CException(IDS_OPEN_FILE_FAILED, CTextArg(), L"p").message);

    // A missing string raises its own error in place of the one being built.
    try {
        my::CException e(2, L"x");
        ADD_FAILURE();
    } catch (const my::CException& e) {
        EXPECT_EQ(UINT(IDS_STRING_RESOURCE_MISSING), e.id);
    }
}

TEST(SimpleErr, Throwers)
{
    SYSTEMTIME time = {2024, 2, 0, 29, 13, 5, 9, 0};
    struct Case {
        const char* name;
        std::function<void()> thrower;
        UINT id;
        std::wstring message;
    } const cases[] = {
        {"Error", [] { ThrowError(IDS_DATA_FORMAT_INVALID); }, IDS_DATA_FORMAT_INVALID, L"データ形式が不正です"},
        {"ErrorArg", [] { ThrowErrorArg(IDS_NUMBER_TOO_SMALL, L"-1"); }, IDS_NUMBER_TOO_SMALL, L"値が小さすぎます: -1"},
        {"Internal", [] { ThrowInternalError(L"d"); }, IDS_INTERNAL_ERROR, L"内部エラー\n\nd"},
        {"Consistency", [] { ThrowCheckConsistencyFailed(L"d"); }, IDS_INTERNAL_ERROR, L"内部エラー\n\ncheck_consistency\nd"},
        {"Equals", [] { ThrowCheckEqualsFailed(L"d"); }, IDS_INTERNAL_ERROR, L"内部エラー\n\ncheck_equals\nd"},
        {"Terminated", [] { ThrowTerminatedByUser(); }, IDS_ABORTED, L"処理が中断されました"},
        {"CastU64", [] { ThrowCastErrorU64(L"size_t", L"int", 18446744073709551615ull); }, IDS_CAST_ERROR,
         L"size_t から int へのキャストはできません: 18446744073709551615"},
        {"CastInt", [] { ThrowCastErrorInt(L"DWORD", L"WORD", -70000); }, IDS_CAST_ERROR,
         L"DWORD から WORD へのキャストはできません: -70000"},
        {"DataTooLarge", [] { ThrowDataTooLarge(L"x"); }, IDS_DATA_TOO_LARGE, L"保存できるデーターサイズを超えています: x"},
        {"InvalidFormat", [] { ThrowInvalidDataFormat(); }, IDS_DATA_FORMAT_INVALID, L"データ形式が不正です"},
        {"Overrun", [] { ThrowBufferOverrun(L"p"); }, IDS_BUFFER_OVERRUN, L"不正なアドレスにアクセスしようとしました\n\np"},
        {"ControlText", [] { ThrowControlTextError(1001); }, IDS_GET_CONTROL_TEXT_FAILED,
         L"コントロールからテキストを取得できませんでした ID: 1001"},
        {"NoSelection", [] { ThrowNoSelection(); }, IDS_NO_SELECTION, L"選択項目がありません"},
        {"TimeToDate", [=] { ThrowTimeToDateError(time, 5); }, IDS_TIME_TO_FILETIME_FAILED,
         L"時刻から経過時間への変換に失敗しました\n\n2024-2-29 13:5:9.5"},
        {"DateToTime", [] { ThrowDateToTimeError(L"a", L"b"); }, IDS_FILETIME_TO_TIME_FAILED,
         L"経過時間から時刻への変換に失敗しました\n\na | b"},
        {"Pascal", [] { ThrowPascalStringTooLong("abc"); }, IDS_PASCAL_STRING_TOO_LONG, L"abc は、パスカル文字列で保存できません"},
        {"UnknownName", [] { ThrowUnknownName(L"T", L"n"); }, IDS_UNKNOWN_NAME, L"T として不明な名前 n が指定されました"},
        {"KeyExists", [] { ThrowKeyExists(L"map", L"k"); }, IDS_KEY_EXISTS, L"map にすでに存在するキー k を挿入しようとしました"},
        {"ComboBox", [] { ThrowComboBoxError(0xFFFF0ABCu); }, IDS_COMMON_DIALOG_FAILED,
         L"コモンダイアログボックスの表示に失敗しました: ffff0abc"},
        {"ImageSize", [] { ThrowInvalidImageSize(-1, 20); }, IDS_IMAGE_SIZE_INVALID, L"画像のサイズ (-1, 20) が不正です"},
        {"ImageRate", [] { ThrowInvalidImageRate(0.25); }, IDS_IMAGE_RATE_INVALID, L"画像の拡大率 0.25 が不正です"},
        {"PrinterDC", [] { ThrowCreatePrinterDCError(); }, IDS_GET_PRINTER_FAILED, L"プリンタの取得に失敗しました"},
    };
    for (const Case& c : cases) {
        try {
            c.thrower();
            ADD_FAILURE() << c.name;
        } catch (const my::CException& e) {
            EXPECT_EQ(c.id, e.id) << c.name;
            EXPECT_EQ(c.message, e.message) << c.name;
            EXPECT_EQ(0, e.code) << c.name;
        }
    }

    // Throwers that take the code from the last error never report success.
    SetLastError(0);
    try {
        ThrowStartDocError();
    } catch (const my::CException& e) {
        EXPECT_EQ(UINT(IDS_START_DOC_FAILED), e.id);
        EXPECT_TRUE(FAILED(e.code));
        EXPECT_EQ(L"印刷の開始に失敗しました: " + SystemText(e.code), e.message);
    }
    try {
        ThrowComCreateError(REGDB_E_CLASSNOTREG, L"Cls");
    } catch (const my::CException& e) {
        // A code the system has no text for reads as unknown, with its digits.
        std::wstring system = SystemText(REGDB_E_CLASSNOTREG);
        if (system.empty())
            system = L"Unknown HRESULT: 80040154";
        EXPECT_EQ(L"COM オブジェクトの作成に失敗しました - " + system + L"\n\nCls", e.message);
    }
    try {
        ThrowNoSelectionCtrl(reinterpret_cast<HWND>(0x77));
    } catch (const my::CCtrlException& e) {
        EXPECT_EQ(reinterpret_cast<HWND>(0x77), e.control);
    }
}

TEST(SimpleErr, WidenWhat)
{
    EXPECT_EQ(L"", WidenWhat(nullptr));
    EXPECT_EQ(L"ab\u00E9", WidenWhat("ab\xE9"));
    EXPECT_EQ(255u, WidenWhat(std::string(300, 'x').c_str()).size());
}
