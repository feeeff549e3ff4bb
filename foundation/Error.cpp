#include "foundation/Error.h"
#include "foundation/ResourceString.h"
#include "foundation/StringUtil.h"
#include <boost/regex.hpp>
#include <iomanip>
#include <sstream>

HRESULT HResultFromWin32(DWORD e)
{
    LONG v = static_cast<LONG>(e);
    if (v <= 0)
        return v;
    return static_cast<HRESULT>(0x80070000u | (e & 0xFFFFu));
}

HRESULT HResultFromLastError() { return HResultFromWin32(GetLastError()); }

static std::wstring ToHex(unsigned long v)
{
    std::wostringstream os;
    os << std::hex << std::nouppercase << v;
    return os.str();
}

std::wstring FormatSystemMessage(HRESULT code, HMODULE module)
{
    DWORD c = static_cast<DWORD>(code);
    // Facility 8 (FACILITY_WINDOWS) codes are looked up by their low word.
    if ((c & 0x1FFF0000u) == 0x00080000u)
        c &= 0xFFFFu;
    // Without IGNORE_INSERTS a system text that has inserts fails to format and
    // the user would see "Unknown HRESULT".
    DWORD flags = FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
    if (module)
        flags |= FORMAT_MESSAGE_FROM_HMODULE;
    wchar_t* buffer = nullptr;
    DWORD n = FormatMessageW(flags, module, c, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                             reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    if (n == 0 || !buffer) {
        if (buffer)
            LocalFree(buffer);
        return L"Unknown HRESULT: " + ToHex(c);
    }
    std::wstring text(buffer, n);
    LocalFree(buffer);
    return text;
}

std::wstring CSimpleErr::Format(UINT id, CTextArg a1, CTextArg a2, CTextArg a3,
                                CTextArg a4, CTextArg a5, CTextArg a6)
{
    const wchar_t* a[6] = {a1.p, a2.p, a3.p, a4.p, a5.p, a6.p};
    int n = 0;
    while (n < 6 && a[n])
        ++n;
    std::wstring out;
    switch (n) {
    case 0: FormatResource(out, id); break;
    case 1: FormatResource(out, id, a[0]); break;
    case 2: FormatResource(out, id, a[0], a[1]); break;
    case 3: FormatResource(out, id, a[0], a[1], a[2]); break;
    case 4: FormatResource(out, id, a[0], a[1], a[2], a[3]); break;
    case 5: FormatResource(out, id, a[0], a[1], a[2], a[3], a[4]); break;
    default: FormatResource(out, id, a[0], a[1], a[2], a[3], a[4], a[5]); break;
    }
    return out;
}

void CSimpleErr::Set(UINT id_, CTextArg a1, CTextArg a2, CTextArg a3, CTextArg a4, CTextArg a5, CTextArg a6)
{
    std::wstring text;
    if (id_ != 0)
        text = Format(id_, a1, a2, a3, a4, a5, a6);
    id = id_;
    code = 0;
    message.swap(text);
}

void CSimpleErr::SetWithCode(UINT id_, HRESULT code_, CTextArg a1, CTextArg a2, CTextArg a3, CTextArg a4, CTextArg a5)
{
    code = code_;
    std::wstring codeText = GetCodeText();
    std::wstring text = Format(id_, codeText, a1, a2, a3, a4, a5);
    id = id_;
    message.swap(text);
}

std::wstring CSimpleErr::GetCodeText() const
{
    std::wstring text = FormatSystemMessage(code);
    TrimIf(text, IsSpaceOrCr);
    return text;
}

void CSimpleErr::SetFromRegexError(const boost::regex_error& e)
{
    UINT msg = 0;
    switch (e.code()) {
    case boost::regex_constants::error_bad_pattern: msg = 54279; break;
    case boost::regex_constants::error_collate: msg = 54266; break;
    case boost::regex_constants::error_ctype: msg = 54267; break;
    case boost::regex_constants::error_escape: msg = 54268; break;
    case boost::regex_constants::error_backref: msg = 54269; break;
    case boost::regex_constants::error_brack: msg = 54270; break;
    case boost::regex_constants::error_paren: msg = 54271; break;
    case boost::regex_constants::error_brace: msg = 54272; break;
    case boost::regex_constants::error_badbrace: msg = 54273; break;
    case boost::regex_constants::error_range: msg = 54274; break;
    case boost::regex_constants::error_space: msg = 54275; break;
    case boost::regex_constants::error_badrepeat: msg = 54276; break;
    case boost::regex_constants::error_complexity: msg = 54277; break;
    case boost::regex_constants::error_stack: msg = 54278; break;
    default:
        Set(54264, WidenWhat(e.what()));
        return;
    }
    Set(msg);
}

std::wstring CSimpleErr::GetSingleLineText() const
{
    static const boost::wregex lines(L"\\n+");
    return boost::regex_replace(message, lines, L" ");
}

std::wostream& operator<<(std::wostream& os, const CSimpleErr& err)
{
    std::ios_base::fmtflags flags = os.flags();
    os << L"No: " << std::dec << err.id << L" HR: " << std::hex << std::nouppercase
       << static_cast<unsigned long>(err.code) << L" MSG: " << err.message;
    os.flags(flags);
    return os;
}

std::wstring WidenWhat(const char* what)
{
    std::wstring out;
    if (!what)
        return out;
    // Bytes above 0x7F are taken as Latin-1: the text is only shown, never parsed.
    for (size_t i = 0; what[i] && i < 255; ++i)
        out.push_back(static_cast<wchar_t>(static_cast<unsigned char>(what[i])));
    return out;
}

std::wstring UInt64ToWString(unsigned long long value)
{
    std::wostringstream os;
    os << value;
    return os.str();
}

std::wstring NumberToWString(long value)
{
    std::wostringstream os;
    os << value;
    return os.str();
}

void ThrowError(UINT id) { throw my::CException(id); }
void ThrowErrorArg(UINT id, CTextArg text) { throw my::CException(id, text); }
void ThrowErrorCode(UINT id, HRESULT code, CTextArg a1, CTextArg a2) { throw my::CException(id, code, a1, a2); }
void ThrowLastError(UINT id, CTextArg a1, CTextArg a2)
{
    HRESULT hr = HResultFromLastError();
    // A call that failed without a last error must not look like success.
    if (hr == 0)
        hr = E_FAIL;
    throw my::CException(id, hr, a1, a2);
}
void ThrowInternalError(CTextArg detail) { throw my::CException(53601, detail); }
void ThrowInternalErrorWhere(CTextArg where, CTextArg detail)
{
    std::wstring text = std::wstring(where.p ? where.p : L"") + L"\n" + (detail.p ? detail.p : L"");
    throw my::CException(53601, text);
}
void ThrowCheckConsistencyFailed(CTextArg detail) { ThrowInternalErrorWhere(L"check_consistency", detail); }
void ThrowCheckEqualsFailed(CTextArg detail) { ThrowInternalErrorWhere(L"check_equals", detail); }
void ThrowResourceDataMissing(HRESULT code, CTextArg type, CTextArg name) { throw my::CException(53626, code, type, name); }
void ThrowTerminatedByUser() { throw my::CException(53605); }
void ThrowCastError(CTextArg from, CTextArg to, CTextArg value) { throw my::CException(53606, from, to, value); }
void ThrowCastErrorU64(CTextArg from, CTextArg to, unsigned long long value) { ThrowCastError(from, to, UInt64ToWString(value)); }
void ThrowCastErrorInt(CTextArg from, CTextArg to, long value) { ThrowCastError(from, to, NumberToWString(value)); }
void ThrowCastErrorText(CTextArg from, CTextArg to, CTextArg value) { ThrowCastError(from, to, value); }
void ThrowComCreateError(HRESULT code, CTextArg className) { throw my::CException(53664, code, className); }
void ThrowDataTooLarge(CTextArg text) { throw my::CException(53912, text); }
void ThrowInvalidDataFormat() { throw my::CException(53625); }
void ThrowBufferOverrun(CTextArg text) { throw my::CException(53607, text); }
void ThrowNewDCError(CTextArg text) { throw my::CException(53834, text); }
void ThrowCreateDCError(CTextArg text) { throw my::CException(53835, text); }
void ThrowClipboardOpenError() { ThrowLastError(53808); }
void ThrowCreatePrinterDCError() { throw my::CException(53868); }
void ThrowStartDocError() { ThrowLastError(53869); }
void ThrowStartPageError() { ThrowLastError(53870); }
void ThrowControlTextError(int controlId) { throw my::CException(53620, NumberToWString(controlId)); }
void ThrowNoSelection() { throw my::CException(53621); }
void ThrowNoSelectionCtrl(HWND control) { throw my::CCtrlException(control, 53621); }
void ThrowTimeToDateError(const SYSTEMTIME& t, unsigned fraction)
{
    std::wostringstream os;
    os << t.wYear << L"-" << t.wMonth << L"-" << t.wDay << L" " << t.wHour << L":" << t.wMinute
       << L":" << t.wSecond << L"." << fraction;
    throw my::CException(53649, os.str());
}
void ThrowDateToTimeError(CTextArg a, CTextArg b) { throw my::CException(53650, a, b); }
void ThrowLocalToUtcError(CTextArg a, CTextArg b) { throw my::CException(53651, a, b); }
void ThrowUtcToLocalError(CTextArg a, CTextArg b) { throw my::CException(53652, a, b); }
void ThrowInvalidNumberFormat(CTextArg text) { throw my::CException(53622, text); }
void ThrowNumberTooSmall(CTextArg text) { throw my::CException(53623, text); }
void ThrowNumberTooLarge(CTextArg text) { throw my::CException(53624, text); }
void ThrowPascalStringTooLong(const char* text)
{
    std::wstring wide;
    if (text) {
        int n = MultiByteToWideChar(CP_THREAD_ACP, 0, text, -1, nullptr, 0);
        if (n > 0) {
            wide.assign(static_cast<size_t>(n), L'\0');
            MultiByteToWideChar(CP_THREAD_ACP, 0, text, -1, &wide[0], n);
            wide.resize(static_cast<size_t>(n - 1));
        }
    }
    throw my::CException(53911, wide);
}
void ThrowUnknownName(CTextArg type, CTextArg name) { throw my::CException(53907, type, name); }
void ThrowUnknownValue(CTextArg type, CTextArg value) { throw my::CException(53906, type, value); }
void ThrowKeyExists(CTextArg container, CTextArg key) { throw my::CException(53908, container, key); }
void ThrowKeyNotFound(CTextArg container, CTextArg key) { throw my::CException(53909, container, key); }
void ThrowValueNotFound(CTextArg container, CTextArg value) { throw my::CException(53910, container, value); }
void ThrowComboBoxError(unsigned long number) { throw my::CException(53634, ToHex(number)); }
void ThrowInvalidImageSize(long width, long height) { throw my::CException(53915, NumberToWString(width), NumberToWString(height)); }
void ThrowInvalidImageRate(double rate)
{
    std::wostringstream os;
    os << rate;
    throw my::CException(53916, os.str());
}
