#include "foundation/GuardedRunner.h"
#include "foundation/StringUtil.h"
#include "platform/AtlException.h"
#include "resources/strings_foundation.h"
#include "tests/common/TestSupport.h"
#include <gtest/gtest.h>
#include <boost/regex.hpp>
#include <new>
#include <stdexcept>

namespace {

struct CFakeSink : CMsg {
    std::vector<CSimpleErr> shown;
    int ShowError(const CSimpleErr& err) override
    {
        shown.push_back(err);
        return IDOK;
    }
    int Show(const std::wstring&, UINT) override { return IDOK; }
};

} // namespace

TEST(GuardedRunner, EveryKindOfThrow)
{
    HWND fakeControl = reinterpret_cast<HWND>(0x1234);
    struct Case {
        const char* name;
        std::function<void()> action;
        UINT id;
        HRESULT code;
        std::wstring message;
        HWND control;
    } const cases[] = {
        {"nothing", [] {}, 0, 0, L"", nullptr},
        {"control", [=] { ThrowNoSelectionCtrl(fakeControl); }, IDS_NO_SELECTION, 0, L"選択項目がありません", fakeControl},
        {"with code", [] { throw my::CException(IDS_INTERNAL_ERROR, E_OUTOFMEMORY, L"x"); }, IDS_INTERNAL_ERROR, E_OUTOFMEMORY,
         L"内部エラー\n\n" + SystemText(E_OUTOFMEMORY), nullptr},
        {"regex", [] { boost::wregex r(L"(ab"); }, IDS_REGEX_PAREN, 0, L"() の対応がとれていません", nullptr},
        {"bad_alloc", [] { throw std::bad_alloc(); }, IDS_STD_EXCEPTION, 0, L"標準エラーが発生しました: bad allocation", nullptr},
        {"std", [] { throw std::runtime_error("disk \xE9t\xE9"); }, IDS_STD_EXCEPTION, 0,
         L"標準エラーが発生しました: disk \u00E9t\u00E9", nullptr},
        {"atl", [] { ATL::AtlThrow(E_OUTOFMEMORY); }, IDS_ATL_EXCEPTION, E_OUTOFMEMORY,
         L"ATLの例外が発生しました: " + SystemText(E_OUTOFMEMORY), nullptr},
        {"int", [] { throw 42; }, IDS_UNKNOWN_EXCEPTION, 0, L"不明な例外が発生しました", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        my::CCtrlException result(reinterpret_cast<HWND>(0x99), 0);
        result.Set(IDS_ABORTED);  // a stale result is cleared first
        CatchToError(result, c.action);
        EXPECT_EQ(c.id, result.id);
        EXPECT_EQ(c.code, result.code);
        EXPECT_EQ(c.message, result.message);
        EXPECT_EQ(c.control, result.control);

        CFakeSink sink;
        EXPECT_EQ(c.id == 0, RunAndReport(sink, c.action, false));
        ASSERT_EQ(c.id == 0 ? 0u : 1u, sink.shown.size());
        if (!sink.shown.empty()) {
            EXPECT_EQ(c.id, sink.shown[0].id);
            EXPECT_EQ(c.message, sink.shown[0].message);
        }
    }
}

TEST(GuardedRunner, LongStandardTextIsCut)
{
    my::CCtrlException result(nullptr, 0);
    std::string what(1000, 'w');
    CatchToError(result, [&] { throw std::length_error(what); });
    EXPECT_EQ(L"標準エラーが発生しました: " + std::wstring(255, L'w'), result.message);
}

TEST(GuardedRunner, ActionRunsOnceWithItsState)
{
    int calls = 0;
    my::CCtrlException result(nullptr, 0);
    CatchToError(result, [&] { ++calls; });
    EXPECT_EQ(1, calls);
    EXPECT_EQ(0u, result.id);

    struct CMoveOnly {
        int* calls;
        void operator()() { ++*calls; }
    };
    CFakeSink sink;
    CMoveOnly functor{&calls};
    EXPECT_TRUE(RunAndReport(sink, functor, true));
    EXPECT_TRUE(RunAndReport(sink, CMoveOnly{&calls}, true));
    EXPECT_EQ(3, calls);
    EXPECT_TRUE(sink.shown.empty());
}

TEST(GuardedRunner, NothingLeavesTheConversion)
{
    // Callers such as thread procedures and the tasks' Execute rely on it.
    my::CCtrlException result(nullptr, 0);
    const auto action = [] { throw 1; };
    static_assert(noexcept(CatchToError(result, action)), "CatchToError must not throw");
    CatchToError(result, action);
    EXPECT_EQ(UINT(IDS_UNKNOWN_EXCEPTION), result.id);
}
