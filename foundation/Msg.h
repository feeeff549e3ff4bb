// The interface through which the program talks to the user in message
// boxes: errors, and the confirmation questions of the library and the
// program. Every question has a fixed message, fixed buttons and icon and one
// answer that counts as yes; callers get a bool. A sink decides only how its
// boxes are owned and captioned (Show); the questions are shared.
#pragma once
#include "foundation/ResourceString.h"
#include <windows.h>
#include <list>
#include <string>
#include <type_traits>
#include <vector>

class CSimpleErr;

// MessageBoxW with the text fitted to the screen the box appears on
// (FitMessageText): every sink shows its boxes through this.
int ShowMessageBox(HWND owner, const std::wstring& text, const std::wstring& caption, UINT flags);

class CMsg {
public:
    virtual ~CMsg() = default;

    // The error's message with the error icon (and so the error caption).
    virtual int ShowError(const CSimpleErr& err);
    // MessageBoxW with the sink's owner and caption (here: none and ""); the
    // button id, 0 when the box failed.
    virtual int Show(const std::wstring& text, UINT flags);

    // The questions. OK and Cancel with the warning icon; true on OK.
    virtual bool ConfirmDiscardWork();
    virtual bool ConfirmCreateFolder(const std::wstring& path);
    // Asks, then creates the folder with its parents; a failure is shown
    // through this sink. True when the folder was created.
    virtual bool ConfirmAndCreateFolder(const std::wstring& path);
    virtual bool ConfirmOverwrite(const std::wstring& path);
    // True without a box when nothing exists at the path.
    virtual bool ConfirmOverwriteIfExists(const std::wstring& path);
    // The count of all names, and a list of the first ten ("..." after them).
    virtual bool ConfirmOverwriteFiles(const std::vector<std::wstring>& names);
    virtual bool ConfirmOverwriteFiles(const std::list<std::wstring>& names);
    virtual bool ConfirmResetShortcuts();
    virtual bool ConfirmOverwriteShortcut(const std::wstring& keyText);
    virtual bool ConfirmContinueAfterError(const CSimpleErr& err);
    virtual bool ConfirmContinueAfterConfigError(const std::wstring& path, const CSimpleErr& err);
    virtual bool ConfirmOverwriteNewerConfig();
    // Yes and No with the warning icon; true on Yes.
    virtual bool ConfirmExitPrinting();

    // A string-table text (none loaded for id 0: an empty box), or its format
    // filled, shown through Show; the button id.
    int ShowResourceMessage(UINT id, UINT flags);
    int ShowResourceMessage1(UINT id, const std::wstring& a, UINT flags);
    int ShowResourceMessage2(UINT id, const std::wstring& a, const std::wstring& b, UINT flags);
    // The value goes to the formatter unchanged: a number for "%d".
    template <class T>
    int ShowResourceMessageValue(UINT id, T value, UINT flags)
    {
        static_assert(std::is_arithmetic<T>::value, "only numbers pass through the formatter");
        std::wstring text;
        FormatResource(text, id, value);
        return Show(text, flags);
    }
};

// The caption rule of the program's sinks: the error caption for the error
// icon, the query caption for everything else.
inline bool IsErrorIconFlags(UINT flags) { return (flags & MB_ICONMASK) == MB_ICONERROR; }

// Boxes owned by the active window of the thread, else by `owner`, else by
// nothing; captioned IDS_ERROR_TITLE for errors and IDS_QUERY_TITLE otherwise.
class CMessageBoxMsg : public CMsg {
public:
    HWND owner = nullptr;
    // While set, boxes go to this sink instead of the screen (tests record
    // what the program would have asked).
    CMsg* redirect = nullptr;

    constexpr CMessageBoxMsg() = default;
    int Show(const std::wstring& text, UINT flags) override;

    HWND GetBoxOwner() const;
    static const std::wstring& GetCaption(UINT flags);
};

// A dialog that is its own sink: T is the dialog class (it has m_hWnd), the
// ids are its error and query captions.
template <class T, UINT ErrorCaptionId, UINT QueryCaptionId>
class CSimpleMsgImpl : public CMsg {
public:
    int Show(const std::wstring& text, UINT flags) override
    {
        return ShowMessageBox(static_cast<T*>(this)->m_hWnd, text, GetCaption(flags), flags);
    }
    static const std::wstring& GetCaption(UINT flags)
    {
        // Loaded once, on first use; static initialisation is thread-safe.
        if (IsErrorIconFlags(flags)) {
            static const ResourceString error(ErrorCaptionId);
            return error.str();
        }
        static const ResourceString query(QueryCaptionId);
        return query.str();
    }
};

namespace knt {

// The program's own sink, serving start-up and every command. The main
// window makes itself the owner while it exists.
class CMsg : public CMessageBoxMsg {
};

CMsg& GetMsg();

} // namespace knt
