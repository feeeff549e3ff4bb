#include "ui/BoundCombos.h"
#include "foundation/StringUtil.h"
#include "resources/strings_foundation.h"
#include "ui/WindowUtil.h"

UINT ParseBoundedInt(const std::wstring& text, int low, int high, int& value)
{
    std::wstring t = text;
    TrimIf(t, IsSpaceOrCr);
    size_t i = 0;
    bool negative = false;
    if (i < t.size() && (t[i] == L'-' || t[i] == L'+'))
        negative = t[i++] == L'-';
    if (i >= t.size())
        return IDS_NUMBER_FORMAT_INVALID;
    long long n = 0;
    bool huge = false;
    for (; i < t.size(); ++i) {
        if (t[i] < L'0' || t[i] > L'9')
            return IDS_NUMBER_FORMAT_INVALID;
        if (!huge) {
            n = n * 10 + (t[i] - L'0');
            huge = n > 0xFFFFFFFFLL;  // beyond any int either way; the digits still count for the format
        }
    }
    if (negative)
        n = -n;
    if (huge)
        return negative ? IDS_NUMBER_TOO_SMALL : IDS_NUMBER_TOO_LARGE;
    if (n < low)
        return IDS_NUMBER_TOO_SMALL;
    if (n > high)
        return IDS_NUMBER_TOO_LARGE;
    value = static_cast<int>(n);
    return 0;
}

bool ParseClampedFixedPoint(const std::wstring& text, int decimals, int low, int high, int& value)
{
    int parsed = 0;
    if (ParseFixedPoint(parsed, text, decimals)) {
        value = parsed < low ? low : parsed > high ? high : parsed;
        return true;
    }
    // Refused: no number, or one beyond an int, which lies beyond the bounds too.
    size_t i = text.size() > 0 && (text[0] == L'-' || text[0] == L'+') ? 1 : 0;
    const size_t digits = text.find_first_not_of(L"0123456789", i);
    if (digits == i || i == text.size())
        return false;
    if (digits != std::wstring::npos && (text[digits] != L'.' || text.find_first_not_of(L"0123456789", digits + 1) !=
                                                                    std::wstring::npos))
        return false;
    value = text[0] == L'-' ? low : high;
    return true;
}

HWND FindComboEdit(HWND combo)
{
    for (HWND child = ::GetWindow(combo, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT))
        if (IsEditWindow(child))
            return child;
    return nullptr;
}

std::wstring ReadControlText(HWND control)
{
    if (!::IsWindow(control))
        throw my::CException(IDS_GET_CONTROL_TEXT_FAILED, NumberToWString(::GetDlgCtrlID(control)));
    std::wstring text;
    GetWindowTextString(control, text);
    return text;
}
