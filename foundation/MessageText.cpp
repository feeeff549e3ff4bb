// Breaking a message box's long unbroken runs.
//
// Goal: no line of a message box wider than a limit, whatever path or text it
// holds, so that the box lies within its screen. The box breaks its lines
// itself, at white space and between Japanese characters, but Wine's box
// never breaks a run longer than its line as Windows' does: a path of 247
// characters made it wider than a 1,280-pixel screen.
//
// Method: the text is cut into runs at the places where the box surely
// breaks a line when it must: white space, line ends, and the place between
// two CJK characters where the rules of line breaking allow one (not after an
// opening bracket, not before a small kana, a sound mark or closing
// punctuation). Where it is unsure, no break is counted. A run within the
// limit stays as it is. A wider one is cut into lines from its start, each
// the longest prefix within the limit (found by doubling, then halving),
// shortened to end just after its last path separator when it holds one, so
// that a path breaks where a reader expects it; "\n" goes between the lines.
//
// Edge cases: a text without a run over the limit comes back byte for byte; a
// surrogate pair is never split; a character wider than the limit makes a
// line of its own (every line holds at least one character); a separator that
// begins a line does not end it.
#include "foundation/MessageText.h"
#include "foundation/PathUtil.h"
#include "foundation/StringUtil.h"
#include "platform/Gdi.h"
#include <algorithm>
#include <cwchar>

namespace {

bool IsBoxLineBreak(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n' || c == 0x3000; }

bool IsIdeographOrHangul(UINT32 c)
{
    return (c >= 0x3400 && c <= 0x9FFF) || (c >= 0xF900 && c <= 0xFAFF) || (c >= 0x20000 && c <= 0x3FFFF) ||
           (c >= 0xAC00 && c <= 0xD7A3);
}

// A character the box may begin a line with after a CJK character.
bool MayStartCjkLine(UINT32 c)
{
    static const wchar_t kSmallKana[] = L"ぁぃぅぇぉっゃゅょゎゕゖァィゥェォッャュョヮヵヶ";
    if (IsIdeographOrHangul(c))
        return true;
    // Kana, less the sound and iteration marks, "・" and "ー" (0x3099-0x30A0, 0x30FB on).
    const bool kana = (c >= 0x3042 && c <= 0x3096) || (c >= 0x30A1 && c <= 0x30FA);
    return kana && !std::wcschr(kSmallKana, static_cast<wchar_t>(c));
}

// A CJK character the box may end a line with, before one that may start it.
bool MayEndCjkLine(UINT32 c)
{
    static const wchar_t kOpening[] = L"〈《「『【〔〖〘〚〝（＄［｛｟";
    const bool cjk = IsIdeographOrHangul(c) || (c >= 0x3001 && c <= 0x30FF) || (c >= 0xFF01 && c <= 0xFF60);
    return cjk && !std::wcschr(kOpening, static_cast<wchar_t>(c));
}

// The end of the run that starts at `start` (not a line break itself).
size_t RunEnd(const std::wstring& text, size_t start)
{
    size_t i = start;
    UINT32 previous = 0;
    while (i < text.size() && !IsBoxLineBreak(text[i])) {
        const UINT32 c = CodePointAt(text, i);
        if (i > start && MayEndCjkLine(previous) && MayStartCjkLine(c))
            break;
        previous = c;
        i += CharLengthAt(text, i);
    }
    return i;
}

// A position that splits no surrogate pair: `at` itself, or the unit before.
size_t CharBoundaryAtOrBefore(const std::wstring& text, size_t at)
{
    return at > 0 && at < text.size() && IsLowSurrogate(text[at]) && IsHighSurrogate(text[at - 1]) ? at - 1 : at;
}

// The end of the first line of text[start, end): the whole when it fits,
// else the longest prefix within the limit (at least one character), cut
// after its last separator. Measures grow only with the line, not the run.
size_t LineEnd(const std::wstring& text, size_t start, size_t end, const CTextWidth& width, int limit)
{
    const wchar_t* p = text.data() + start;
    const size_t length = end - start;
    size_t fits = CharLengthAt(text, start);  // units known to fit (or the one character forced)
    if (width(p, fits) <= limit) {
        size_t over = 0;  // units known not to fit
        for (size_t n = fits * 2; over == 0; n *= 2) {
            n = std::min(n, length);
            if (width(p, n) > limit)
                over = n;
            else if (n == length)
                return end;
            else
                fits = n;
        }
        while (over - fits > 1) {
            const size_t mid = fits + (over - fits) / 2;
            if (width(p, mid) <= limit)
                fits = mid;
            else
                over = mid;
        }
        fits = std::max(CharBoundaryAtOrBefore(text, start + fits) - start, CharLengthAt(text, start));
    }
    if (start + fits >= end)
        return end;
    for (size_t i = start + fits; i > start + 1; --i)
        if (IsPathSeparator(text[i - 1]))
            return i;
    return start + fits;
}

} // namespace

std::wstring BreakLongRuns(const std::wstring& text, const CTextWidth& width, int limit)
{
    std::wstring out;
    size_t copied = 0;  // text before this is in `out`
    for (size_t start = 0; start < text.size();) {
        if (IsBoxLineBreak(text[start])) {
            ++start;
            continue;
        }
        const size_t end = RunEnd(text, start);
        if (width(text.data() + start, end - start) > limit) {
            out.append(text, copied, start - copied);
            for (size_t line = start;;) {
                const size_t next = LineEnd(text, line, end, width, limit);
                out.append(text, line, next - line);
                if (next == end)
                    break;
                out.push_back(L'\n');
                line = next;
            }
            copied = end;
        }
        start = end;
    }
    if (copied == 0)
        return text;
    return out.append(text, copied, std::wstring::npos);
}

int MessageLineLimit(HWND owner)
{
    // The monitor the box appears on: its owner's, else the active window's,
    // else the primary one.
    MONITORINFO info = {sizeof info};
    const HMONITOR monitor = MonitorFromWindow(owner ? owner : GetActiveWindow(), MONITOR_DEFAULTTOPRIMARY);
    if (!GetMonitorInfoW(monitor, &info))
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &info.rcWork, 0);
    // The frame, icon and margins take 74 pixels beside the text under
    // Wine's box (less in Windows'); a quarter of the area leaves room for
    // them on any screen, and a line of three quarters is still read whole.
    return (info.rcWork.right - info.rcWork.left) * 3 / 4 - GetSystemMetrics(SM_CXICON);
}

std::wstring FitMessageText(const std::wstring& text, HWND owner)
{
    NONCLIENTMETRICSW metrics = {};
    metrics.cbSize = sizeof metrics;
    CFontHandle font;
    if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0))
        font.Reset(CreateFontIndirectW(&metrics.lfMessageFont));
    CScreenDC dc;
    if (!dc.IsValid() || !font)
        return text;
    CSelectObjectGuard selected(dc, font);
    if (selected.Failed())
        return text;
    // No work area to measure against (both look-ups failed): as it came,
    // rather than one character a line.
    return BreakLongRunsOn(dc, text, MessageLineLimit(owner));
}

std::wstring BreakLongRunsOn(HDC dc, const std::wstring& text, int limit)
{
    const auto width = [dc](const wchar_t* p, size_t length) {
        SIZE size = {0, 0};
        // An extent that cannot be read counts as fitting: the text stays as it was.
        return GetTextExtentPoint32W(dc, p, static_cast<int>(length), &size) ? static_cast<int>(size.cx) : 0;
    };
    return limit > 0 ? BreakLongRuns(text, width, limit) : text;
}
