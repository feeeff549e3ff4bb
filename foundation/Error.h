// Errors of the whole program: one error value (message id, HRESULT, finished
// text) and the one exception type that carries it. The text is composed once,
// when the error is raised, from the string-table format of the id.
#pragma once
#include "resources/strings_foundation.h"
#include <windows.h>
#include <exception>
#include <iosfwd>
#include <string>

namespace boost { class regex_error; }

// A text argument of a message: accepts both literals and std::wstring, and
// stands for "no argument" when null.
struct CTextArg {
    const wchar_t* p;
    CTextArg() : p(nullptr) {}
    CTextArg(const wchar_t* s) : p(s) {}
    CTextArg(const std::wstring& s) : p(s.c_str()) {}
};

// GetLastError() as an HRESULT: 0 or a negative value unchanged, a positive
// code c as 0x80070000 | (c & 0xFFFF).
HRESULT HResultFromWin32(DWORD e);
HRESULT HResultFromLastError();

// The system's text of an HRESULT or Win32 code; "Unknown HRESULT: xxx" when
// the system has none.
std::wstring FormatSystemMessage(HRESULT code, HMODULE module = nullptr);

class CSimpleErr {
public:
    UINT id = 0;
    HRESULT code = 0;
    std::wstring message;

    void Set(UINT id, CTextArg a1 = {}, CTextArg a2 = {}, CTextArg a3 = {},
             CTextArg a4 = {}, CTextArg a5 = {}, CTextArg a6 = {});
    void SetWithCode(UINT id, HRESULT code, CTextArg a1 = {}, CTextArg a2 = {},
                     CTextArg a3 = {}, CTextArg a4 = {}, CTextArg a5 = {});
    void SetIdAndCode(UINT id, HRESULT code) { SetWithCode(id, code); }
    static std::wstring Format(UINT id, CTextArg a1 = {}, CTextArg a2 = {}, CTextArg a3 = {},
                               CTextArg a4 = {}, CTextArg a5 = {}, CTextArg a6 = {});
    std::wstring GetCodeText() const;
    void SetInternalError(CTextArg detail) { Set(IDS_INTERNAL_ERROR, detail); }
    void SetFromRegexError(const boost::regex_error& e);
    std::wstring GetSingleLineText() const;
    bool IsError() const { return id != 0; }
};

std::wostream& operator<<(std::wostream& os, const CSimpleErr& err);

namespace my {

class CException : public CSimpleErr, public std::exception {
public:
    explicit CException(UINT id) { Set(id); }
    CException(UINT id, CTextArg a1) { Set(id, a1); }
    CException(UINT id, CTextArg a1, CTextArg a2) { Set(id, a1, a2); }
    CException(UINT id, CTextArg a1, CTextArg a2, CTextArg a3) { Set(id, a1, a2, a3); }
    CException(UINT id, HRESULT code) { SetIdAndCode(id, code); }
    CException(UINT id, HRESULT code, CTextArg a1) { SetWithCode(id, code, a1); }
    CException(UINT id, HRESULT code, CTextArg a1, CTextArg a2) { SetWithCode(id, code, a1, a2); }
    CException(UINT id, HRESULT code, CTextArg a1, CTextArg a2, CTextArg a3) { SetWithCode(id, code, a1, a2, a3); }
    explicit CException(const CSimpleErr& err) : CSimpleErr(err) {}
    CException(const CException&) = default;
    CException& operator=(const CException&) = default;
    ~CException() override = default;
    // libstdc++ would say "std::exception"; the text to show is always `message`.
    const char* what() const noexcept override { return "Unknown exception"; }
};

class CCtrlException : public CException {
public:
    HWND control = nullptr;
    CCtrlException(HWND ctrl, UINT id) : CException(id), control(ctrl) {}
    explicit CCtrlException(const CSimpleErr& err) : CException(err) {}
    CCtrlException(const CCtrlException&) = default;
    CCtrlException& operator=(const CCtrlException&) = default;
};

} // namespace my

// Throwers keep the raising code at the call sites small. None returns.
[[noreturn]] void ThrowError(UINT id);
[[noreturn]] void ThrowErrorArg(UINT id, CTextArg text);
[[noreturn]] void ThrowErrorCode(UINT id, HRESULT code, CTextArg a1 = {}, CTextArg a2 = {});
[[noreturn]] void ThrowLastError(UINT id, CTextArg a1 = {}, CTextArg a2 = {});
[[noreturn]] void ThrowInternalError(CTextArg detail);
[[noreturn]] void ThrowInternalErrorWhere(CTextArg where, CTextArg detail);
[[noreturn]] void ThrowCheckConsistencyFailed(CTextArg detail);
[[noreturn]] void ThrowCheckEqualsFailed(CTextArg detail);
[[noreturn]] void ThrowResourceDataMissing(HRESULT code, CTextArg type, CTextArg name);
[[noreturn]] void ThrowTerminatedByUser();
[[noreturn]] void ThrowCastError(CTextArg from, CTextArg to, CTextArg value);
[[noreturn]] void ThrowCastErrorU64(CTextArg from, CTextArg to, unsigned long long value);
[[noreturn]] void ThrowCastErrorInt(CTextArg from, CTextArg to, long value);
[[noreturn]] void ThrowCastErrorText(CTextArg from, CTextArg to, CTextArg value);
[[noreturn]] void ThrowComCreateError(HRESULT code, CTextArg className);
[[noreturn]] void ThrowDataTooLarge(CTextArg text);
[[noreturn]] void ThrowInvalidDataFormat();
[[noreturn]] void ThrowBufferOverrun(CTextArg text);
[[noreturn]] void ThrowNewDCError(CTextArg text);
[[noreturn]] void ThrowCreateDCError(CTextArg text);
[[noreturn]] void ThrowClipboardOpenError();
[[noreturn]] void ThrowCreatePrinterDCError();
[[noreturn]] void ThrowStartDocError();
[[noreturn]] void ThrowStartPageError();
[[noreturn]] void ThrowControlTextError(int controlId);
[[noreturn]] void ThrowNoSelection();
[[noreturn]] void ThrowNoSelectionCtrl(HWND control);
[[noreturn]] void ThrowTimeToDateError(const SYSTEMTIME& time, unsigned fraction = 0);
[[noreturn]] void ThrowDateToTimeError(CTextArg a, CTextArg b);
[[noreturn]] void ThrowLocalToUtcError(CTextArg a, CTextArg b);
[[noreturn]] void ThrowUtcToLocalError(CTextArg a, CTextArg b);
[[noreturn]] void ThrowInvalidNumberFormat(CTextArg text);
[[noreturn]] void ThrowNumberTooSmall(CTextArg text);
[[noreturn]] void ThrowNumberTooLarge(CTextArg text);
[[noreturn]] void ThrowPascalStringTooLong(const char* text);
[[noreturn]] void ThrowUnknownName(CTextArg type, CTextArg name);
[[noreturn]] void ThrowUnknownValue(CTextArg type, CTextArg value);
[[noreturn]] void ThrowKeyExists(CTextArg container, CTextArg key);
[[noreturn]] void ThrowKeyNotFound(CTextArg container, CTextArg key);
[[noreturn]] void ThrowValueNotFound(CTextArg container, CTextArg value);
[[noreturn]] void ThrowComboBoxError(unsigned long number);
[[noreturn]] void ThrowInvalidImageSize(long width, long height);
[[noreturn]] void ThrowInvalidImageRate(double rate);

std::wstring UInt64ToWString(unsigned long long value);
std::wstring NumberToWString(long value);

// The what() text of a foreign exception, widened byte by byte (at most 255 units).
std::wstring WidenWhat(const char* what);
