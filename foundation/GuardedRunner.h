// Runs an action so that nothing it throws escapes: whatever is thrown becomes
// one error value (with the control to focus, when the error names one).
// Window procedures, dialogs and worker threads run user actions through it.
#pragma once
#include "foundation/Error.h"
#include "foundation/Msg.h"
#include <type_traits>

namespace guarded_detail {
// The handlers live in one translation unit, so that callers need not compile
// boost.regex. `call` runs the action held at `context`.
void CatchToErrorImpl(my::CCtrlException& result, void (*call)(void*), void* context) noexcept;
} // namespace guarded_detail

// The reporting half of RunAndReport, for callers that catch into a record of
// their own: nothing for a result of id 0 (true); otherwise the failing
// control focused (when asked and named; before the box opens, so that it
// has the focus when the box closes) and the error shown (false).
bool ReportCaughtError(CMsg& sink, const my::CCtrlException& result, bool focusControl);

// Clears result, runs the action and fills result from what it throws:
// my::CCtrlException as it is; my::CException with a null control; a
// boost.regex error by its code; a standard exception as IDS_STD_EXCEPTION with its text;
// ATL::CAtlException as IDS_ATL_EXCEPTION with its HRESULT; anything else as IDS_UNKNOWN_EXCEPTION.
// Nothing leaves it: when the result itself cannot be made (a missing
// string, no memory) it is IDS_UNKNOWN_EXCEPTION with E_FAIL and a fixed
// English text, so that no caller needs a catch of its own. Success is
// result.id == 0.
template <class F>
void CatchToError(my::CCtrlException& result, F&& action) noexcept
{
    typedef typename std::remove_reference<F>::type Action;
    guarded_detail::CatchToErrorImpl(
        result, [](void* p) { (*static_cast<Action*>(p))(); },
        const_cast<void*>(static_cast<const volatile void*>(&action)));
}

// CatchToError, then ReportCaughtError. True when the action raised nothing.
template <class F>
bool RunAndReport(CMsg& sink, F&& action, bool focusControl)
{
    my::CCtrlException result(nullptr, 0);
    CatchToError(result, action);
    return ReportCaughtError(sink, result, focusControl);
}
