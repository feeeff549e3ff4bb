#include "foundation/Error.h"
#include "foundation/ResourceString.h"
#include "foundation/StringUtil.h"
#include "resources/strings_foundation.h"
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
    // Every slot gets a text, empty where the caller gave none: a format with
    // more "%s" than arguments would otherwise read whatever lies on the stack.
    const CTextArg given[6] = {a1, a2, a3, a4, a5, a6};
    const wchar_t* a[6];
    for (int i = 0; i < 6; ++i)
        a[i] = given[i].p ? given[i].p : L"";
    std::wstring out;
    FormatResource(out, id, a[0], a[1], a[2], a[3], a[4], a[5]);
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
    // Wine's text says only "sharing violation"; the user needs to know
    // that another program holds the file.
    if (code == HResultFromWin32(ERROR_SHARING_VIOLATION))
        return LoadResourceString(IDS_FILE_IN_USE);
    std::wstring text = FormatSystemMessage(code);
    TrimIf(text, IsSpaceOrCr);
    return text;
}

void CSimpleErr::SetFromRegexError(const boost::regex_error& e)
{
    UINT msg = 0;
    switch (e.code()) {
    case boost::regex_constants::error_bad_pattern: msg = IDS_REGEX_BAD_PATTERN; break;
    case boost::regex_constants::error_collate: msg = IDS_REGEX_COLLATE; break;
    case boost::regex_constants::error_ctype: msg = IDS_REGEX_CTYPE; break;
    case boost::regex_constants::error_escape: msg = IDS_REGEX_ESCAPE; break;
    case boost::regex_constants::error_backref: msg = IDS_REGEX_BACKREF; break;
    case boost::regex_constants::error_brack: msg = IDS_REGEX_BRACK; break;
    case boost::regex_constants::error_paren: msg = IDS_REGEX_PAREN; break;
    case boost::regex_constants::error_brace: msg = IDS_REGEX_BRACE; break;
    case boost::regex_constants::error_badbrace: msg = IDS_REGEX_BADBRACE; break;
    case boost::regex_constants::error_range: msg = IDS_REGEX_RANGE; break;
    case boost::regex_constants::error_space: msg = IDS_REGEX_SPACE; break;
    case boost::regex_constants::error_badrepeat: msg = IDS_REGEX_BADREPEAT; break;
    case boost::regex_constants::error_complexity: msg = IDS_REGEX_COMPLEXITY; break;
    case boost::regex_constants::error_stack: msg = IDS_REGEX_STACK; break;
    default:
        Set(IDS_REGEX_ERROR, WidenWhat(e.what()));
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
void ThrowInternalError(CTextArg detail) { throw my::CException(IDS_INTERNAL_ERROR, detail); }
void ThrowInternalErrorWhere(CTextArg where, CTextArg detail)
{
    std::wstring text = std::wstring(where.p ? where.p : L"") + L"\n" + (detail.p ? detail.p : L"");
    throw my::CException(IDS_INTERNAL_ERROR, text);
}
void ThrowCheckConsistencyFailed(CTextArg detail) { ThrowInternalErrorWhere(L"check_consistency", detail); }
void ThrowCheckEqualsFailed(CTextArg detail) { ThrowInternalErrorWhere(L"check_equals", detail); }
void ThrowResourceDataMissing(HRESULT code, CTextArg type, CTextArg name) { throw my::CException(IDS_RESOURCE_MISSING, code, type, name); }
void ThrowTerminatedByUser() { throw my::CException(IDS_ABORTED); }
void ThrowCastError(CTextArg from, CTextArg to, CTextArg value) { throw my::CException(IDS_CAST_ERROR, from, to, value); }
void ThrowCastErrorU64(CTextArg from, CTextArg to, unsigned long long value) { ThrowCastError(from, to, UInt64ToWString(value)); }
void ThrowCastErrorInt(CTextArg from, CTextArg to, long value) { ThrowCastError(from, to, NumberToWString(value)); }
void ThrowCastErrorText(CTextArg from, CTextArg to, CTextArg value) { ThrowCastError(from, to, value); }
void ThrowComCreateError(HRESULT code, CTextArg className) { throw my::CException(IDS_CREATE_COM_OBJECT_FAILED, code, className); }
void ThrowDataTooLarge(CTextArg text) { throw my::CException(IDS_DATA_TOO_LARGE, text); }
void ThrowInvalidDataFormat() { throw my::CException(IDS_DATA_FORMAT_INVALID); }
void ThrowBufferOverrun(CTextArg text) { throw my::CException(IDS_BUFFER_OVERRUN, text); }
void ThrowNewDCError(CTextArg text) { throw my::CException(IDS_ALLOC_DC_FAILED, text); }
void ThrowCreateDCError(CTextArg text) { throw my::CException(IDS_CREATE_DC_FAILED, text); }
void ThrowClipboardOpenError() { ThrowLastError(IDS_OPEN_CLIPBOARD_FAILED); }
void ThrowCreatePrinterDCError() { throw my::CException(IDS_GET_PRINTER_FAILED); }
void ThrowStartDocError() { ThrowLastError(IDS_START_DOC_FAILED); }
void ThrowStartPageError() { ThrowLastError(IDS_START_PAGE_FAILED); }
void ThrowControlTextError(int controlId) { throw my::CException(IDS_GET_CONTROL_TEXT_FAILED, NumberToWString(controlId)); }
void ThrowNoSelection() { throw my::CException(IDS_NO_SELECTION); }
void ThrowNoSelectionCtrl(HWND control) { throw my::CCtrlException(control, IDS_NO_SELECTION); }
void ThrowTimeToDateError(const SYSTEMTIME& t, unsigned fraction)
{
    std::wostringstream os;
    os << t.wYear << L"-" << t.wMonth << L"-" << t.wDay << L" " << t.wHour << L":" << t.wMinute
       << L":" << t.wSecond << L"." << fraction;
    throw my::CException(IDS_TIME_TO_FILETIME_FAILED, os.str());
}
void ThrowDateToTimeError(CTextArg a, CTextArg b) { throw my::CException(IDS_FILETIME_TO_TIME_FAILED, a, b); }
void ThrowLocalToUtcError(CTextArg a, CTextArg b) { throw my::CException(IDS_LOCAL_TO_UTC_FAILED, a, b); }
void ThrowUtcToLocalError(CTextArg a, CTextArg b) { throw my::CException(IDS_UTC_TO_LOCAL_FAILED, a, b); }
void ThrowInvalidNumberFormat(CTextArg text) { throw my::CException(IDS_NUMBER_FORMAT_INVALID, text); }
void ThrowNumberTooSmall(CTextArg text) { throw my::CException(IDS_NUMBER_TOO_SMALL, text); }
void ThrowNumberTooLarge(CTextArg text) { throw my::CException(IDS_NUMBER_TOO_LARGE, text); }
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
    throw my::CException(IDS_PASCAL_STRING_TOO_LONG, wide);
}
void ThrowUnknownName(CTextArg type, CTextArg name) { throw my::CException(IDS_UNKNOWN_NAME, type, name); }
void ThrowUnknownValue(CTextArg type, CTextArg value) { throw my::CException(IDS_UNKNOWN_VALUE, type, value); }
void ThrowKeyExists(CTextArg container, CTextArg key) { throw my::CException(IDS_KEY_EXISTS, container, key); }
void ThrowKeyNotFound(CTextArg container, CTextArg key) { throw my::CException(IDS_KEY_NOT_FOUND, container, key); }
void ThrowValueNotFound(CTextArg container, CTextArg value) { throw my::CException(IDS_VALUE_NOT_FOUND, container, value); }
void ThrowComboBoxError(unsigned long number) { throw my::CException(IDS_COMMON_DIALOG_FAILED, ToHex(number)); }
void ThrowInvalidImageSize(long width, long height) { throw my::CException(IDS_IMAGE_SIZE_INVALID, NumberToWString(width), NumberToWString(height)); }
void ThrowInvalidImageRate(double rate)
{
    std::wostringstream os;
    os << rate;
    throw my::CException(IDS_IMAGE_RATE_INVALID, os.str());
}
