#include "foundation/Error.h"
#include "foundation/ResourceString.h"
#include "foundation/StringUtil.h"
#include "tests/common/TestSupport.h"
#include <gtest/gtest.h>
#include <boost/regex.hpp>
#include <functional>
#include <sstream>

TEST(SimpleErr, SetZeroEmptiesEverything)
{
    CSimpleErr e;
    e.SetWithCode(53601, E_FAIL, L"x");
    e.Set(0);
    EXPECT_EQ(0u, e.id);
    EXPECT_EQ(0, e.code);
    EXPECT_TRUE(e.message.empty());
    EXPECT_FALSE(e.IsError());
}

TEST(SimpleErr, CodeTextFillsFirstArgument)
{
    HRESULT hr = HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
    my::CException e(53631, hr, L"7");
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
    noArg.SetIdAndCode(53605, E_OUTOFMEMORY);
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
    e.SetWithCode(53601, static_cast<HRESULT>(0x8123ABCD));
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
        {boost::regex_constants::error_bad_pattern, 54279}, {boost::regex_constants::error_collate, 54266},
        {boost::regex_constants::error_ctype, 54267},       {boost::regex_constants::error_escape, 54268},
        {boost::regex_constants::error_backref, 54269},     {boost::regex_constants::error_brack, 54270},
        {boost::regex_constants::error_paren, 54271},       {boost::regex_constants::error_brace, 54272},
        {boost::regex_constants::error_badbrace, 54273},    {boost::regex_constants::error_range, 54274},
        {boost::regex_constants::error_space, 54275},       {boost::regex_constants::error_badrepeat, 54276},
        {boost::regex_constants::error_complexity, 54277},  {boost::regex_constants::error_stack, 54278},
    };
    for (const Case& c : cases) {
        CSimpleErr e;
        e.SetFromRegexError(boost::regex_error(c.code));
        EXPECT_EQ(c.id, e.id) << c.code;
        EXPECT_EQ(LoadResourceString(c.id), e.message);
    }
    // Any other code: the library's own text inside 54264.
    boost::regex_error empty(boost::regex_constants::error_empty);
    CSimpleErr e;
    e.SetFromRegexError(empty);
    EXPECT_EQ(54264u, e.id);
    EXPECT_EQ(L"正規表現エラー: " + WidenWhat(empty.what()), e.message);

    // A real compile error.
    try {
        boost::wregex r(L"(ab");
        ADD_FAILURE();
    } catch (const boost::regex_error& x) {
        e.SetFromRegexError(x);
    }
    EXPECT_EQ(54271u, e.id);
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
    stored.id = 53601;
    stored.code = E_FAIL;
    stored.message = L"kept as it stands";
    my::CException rethrown(stored);
    EXPECT_EQ(53601u, rethrown.id);
    EXPECT_EQ(E_FAIL, rethrown.code);
    EXPECT_EQ(L"kept as it stands", rethrown.message);

    HWND control = reinterpret_cast<HWND>(0x42);
    my::CCtrlException ctrl(control, 53621);
    my::CCtrlException copy(ctrl);
    EXPECT_EQ(control, copy.control);
    EXPECT_EQ(L"選択項目がありません", copy.message);
    my::CCtrlException assigned(stored);
    EXPECT_EQ(nullptr, assigned.control);
    assigned = ctrl;
    EXPECT_EQ(control, assigned.control);
    EXPECT_EQ(53621u, assigned.id);

    try {
        throw my::CException(53601, L"a");
    } catch (const std::exception& e) {
        EXPECT_STREQ("Unknown exception", e.what());
        const my::CException* mine = dynamic_cast<const my::CException*>(&e);
        ASSERT_TRUE(mine);
        EXPECT_EQ(L"内部エラー\n\na", mine->message);
    }

    // A missing string raises its own error in place of the one being built.
    try {
        my::CException e(2, L"x");
        ADD_FAILURE();
    } catch (const my::CException& e) {
        EXPECT_EQ(53631u, e.id);
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
        {"Error", [] { ThrowError(53625); }, 53625, L"データ形式が不正です"},
        {"ErrorArg", [] { ThrowErrorArg(53623, L"-1"); }, 53623, L"値が小さすぎます: -1"},
        {"Internal", [] { ThrowInternalError(L"d"); }, 53601, L"内部エラー\n\nd"},
        {"Consistency", [] { ThrowCheckConsistencyFailed(L"d"); }, 53601, L"内部エラー\n\ncheck_consistency\nd"},
        {"Equals", [] { ThrowCheckEqualsFailed(L"d"); }, 53601, L"内部エラー\n\ncheck_equals\nd"},
        {"Terminated", [] { ThrowTerminatedByUser(); }, 53605, L"処理が中断されました"},
        {"CastU64", [] { ThrowCastErrorU64(L"size_t", L"int", 18446744073709551615ull); }, 53606,
         L"size_t から int へのキャストはできません: 18446744073709551615"},
        {"CastInt", [] { ThrowCastErrorInt(L"DWORD", L"WORD", -70000); }, 53606,
         L"DWORD から WORD へのキャストはできません: -70000"},
        {"DataTooLarge", [] { ThrowDataTooLarge(L"x"); }, 53912, L"保存できるデーターサイズを超えています: x"},
        {"InvalidFormat", [] { ThrowInvalidDataFormat(); }, 53625, L"データ形式が不正です"},
        {"Overrun", [] { ThrowBufferOverrun(L"p"); }, 53607, L"不正なアドレスにアクセスしようとしました\n\np"},
        {"ControlText", [] { ThrowControlTextError(1001); }, 53620,
         L"コントロールからテキストを取得できませんでした ID: 1001"},
        {"NoSelection", [] { ThrowNoSelection(); }, 53621, L"選択項目がありません"},
        {"TimeToDate", [=] { ThrowTimeToDateError(time, 5); }, 53649,
         L"時刻から経過時間への変換に失敗しました\n\n2024-2-29 13:5:9.5"},
        {"DateToTime", [] { ThrowDateToTimeError(L"a", L"b"); }, 53650,
         L"経過時間から時刻への変換に失敗しました\n\na | b"},
        {"Pascal", [] { ThrowPascalStringTooLong("abc"); }, 53911, L"abc は、パスカル文字列で保存できません"},
        {"UnknownName", [] { ThrowUnknownName(L"T", L"n"); }, 53907, L"T として不明な名前 n が指定されました"},
        {"KeyExists", [] { ThrowKeyExists(L"map", L"k"); }, 53908, L"map にすでに存在するキー k を挿入しようとしました"},
        {"ComboBox", [] { ThrowComboBoxError(0xFFFF0ABCu); }, 53634,
         L"コモンダイアログボックスの表示に失敗しました: ffff0abc"},
        {"ImageSize", [] { ThrowInvalidImageSize(-1, 20); }, 53915, L"画像のサイズ (-1, 20) が不正です"},
        {"ImageRate", [] { ThrowInvalidImageRate(0.25); }, 53916, L"画像の拡大率 0.25 が不正です"},
        {"PrinterDC", [] { ThrowCreatePrinterDCError(); }, 53868, L"プリンタの取得に失敗しました"},
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
        EXPECT_EQ(53869u, e.id);
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
