#include "ui/Firewall.h"

namespace {

// Boxes owned by the thread's active window, with the error caption.
CMessageBoxMsg g_defaultSink;
CMsg* g_sink = nullptr;
thread_local int t_showing = 0;

class CReportingSink : public CMsg {
public:
    int ShowError(const CSimpleErr& err) override
    {
        return Forward([&](CMsg& sink) { return sink.ShowError(err); }, err.message);
    }
    int Show(const std::wstring& text, UINT flags) override
    {
        return Forward([&](CMsg& sink) { return sink.Show(text, flags); }, text);
    }

private:
    template <class F>
    int Forward(F show, const std::wstring& text)
    {
        if (t_showing > 0) {
            OutputDebugStringW(text.c_str());
            return 0;
        }
        ++t_showing;
        int result = 0;
        // The sink runs inside a window procedure too.
        try {
            result = show(g_sink ? *g_sink : static_cast<CMsg&>(g_defaultSink));
        } catch (...) {
            OutputDebugStringW(text.c_str());
        }
        --t_showing;
        return result;
    }
};

CReportingSink g_reportingSink;

} // namespace

CMsg* SetWindowErrorSink(CMsg* sink)
{
    CMsg* previous = g_sink;
    g_sink = sink;
    return previous;
}

namespace firewall_detail {
CMsg& ReportingSink() { return g_reportingSink; }

void ReportUnconverted() noexcept
{
    // No string of the table can be trusted here; the sink gets a fixed text.
    // It runs inside GuardedCall's last catch, often for want of memory:
    // making that text may throw too, and nothing may leave the firewall.
    try {
        g_reportingSink.Show(L"Unknown exception is occurred", MB_ICONERROR);
    } catch (...) {
        OutputDebugStringW(L"Unknown exception is occurred");
    }
}
} // namespace firewall_detail
