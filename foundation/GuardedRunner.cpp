#include "foundation/GuardedRunner.h"
#include "platform/AtlException.h"
#include "resources/strings_foundation.h"
#include <boost/regex.hpp>
#include <new>

namespace {

// The result when even the conversion failed: no string of the table is
// needed, and a text that cannot be made is left empty.
void SetUnconverted(my::CCtrlException& result) noexcept
{
    result.id = IDS_UNKNOWN_EXCEPTION;
    result.code = E_FAIL;
    result.control = nullptr;
    try {
        result.message = L"Unknown exception is occurred";
    } catch (...) {
        result.message.clear();
    }
}

void Convert(my::CCtrlException& result, void (*call)(void*), void* context)
{
    result.Set(0);
    result.control = nullptr;
    try {
        call(context);
    } catch (const my::CCtrlException& e) {
        result = e;
    } catch (const my::CException& e) {
        static_cast<CSimpleErr&>(result) = e;
    } catch (const boost::regex_error& e) {
        result.SetFromRegexError(e);
    } catch (const std::bad_alloc&) {
        // libstdc++ calls it "std::bad_alloc"; users have always read this text.
        result.Set(IDS_STD_EXCEPTION, L"bad allocation");
    } catch (const std::exception& e) {
        // A fresh string per call, so workers may convert at the same time.
        result.Set(IDS_STD_EXCEPTION, WidenWhat(e.what()));
    } catch (const ATL::CAtlException& e) {
        result.SetIdAndCode(IDS_ATL_EXCEPTION, e.m_hr);
    } catch (...) {
        result.Set(IDS_UNKNOWN_EXCEPTION);
    }
}

} // namespace

namespace guarded_detail {

void CatchToErrorImpl(my::CCtrlException& result, void (*call)(void*), void* context) noexcept
{
    try {
        Convert(result, call, context);
    } catch (...) {
        SetUnconverted(result);
    }
}

} // namespace guarded_detail

bool ReportCaughtError(CMsg& sink, const my::CCtrlException& result, bool focusControl)
{
    if (result.id == 0)
        return true;
    if (focusControl && result.control)
        SetFocus(result.control);
    sink.ShowError(result);
    return false;
}
