// The exception firewall of every window boundary. A C++ exception that
// crosses user32 (a window or dialog procedure, a hook, an enumeration or
// property-sheet callback, a COM method) ends the process, so each of them
// runs its handler through GuardedCall: whatever the handler throws is
// converted by the guarded runner and shown through the window error sink,
// and the caller goes on with its default answer.
#pragma once
#include "foundation/GuardedRunner.h"

// The sink that shows errors caught at window boundaries; null restores the
// built-in one (a message box with the error caption). Returns the previous
// sink. The program sets its own message sink here at start-up.
CMsg* SetWindowErrorSink(CMsg* sink);

namespace firewall_detail {
// The sink that GuardedCall reports to: it drops an error raised while
// another one is being shown on the same thread (a handler that fails on
// every WM_PAINT would otherwise stack message boxes without end).
CMsg& ReportingSink();
// Last resort when even the conversion failed (a message text is missing).
void ReportUnconverted() noexcept;
} // namespace firewall_detail

// Runs the action; true when it raised nothing. An error that names a control
// moves the focus to it before it is shown.
template <class F>
bool GuardedCall(F&& action)
{
    try {
        return RunAndReport(firewall_detail::ReportingSink(), action, true);
    } catch (...) {
        firewall_detail::ReportUnconverted();
        return false;
    }
}
