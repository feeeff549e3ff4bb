// Message maps: a class lists the messages it handles between
// BEGIN_MSG_MAP and END_MSG_MAP; the macros expand into one member,
// ProcessWindowMessage, that tests the entries in order and stops at the
// first handler that leaves its handled flag set. A handler clears the flag
// (bHandled = FALSE) to let the message go on to the later entries and,
// after the map, to the window's default processing.
//
//   class CMyDlg : public CDialogImpl<CMyDlg> {
//   public:
//       enum { IDD = 151 };
//       BEGIN_MSG_MAP(CMyDlg)
//           MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
//           COMMAND_ID_HANDLER(IDOK, OnOk)
//           COMMAND_HANDLER(157, CBN_SELCHANGE, OnFaceChanged)
//           NOTIFY_CODE_HANDLER(PSN_SETACTIVE, OnSetActive)
//           CHAIN_MSG_MAP(CDialogResize<CMyDlg>)
//           REFLECT_NOTIFICATIONS()
//       ALT_MSG_MAP(1)
//           MESSAGE_HANDLER(WM_PAINT, OnPaintOther)
//       END_MSG_MAP()
//       LRESULT OnInitDialog(UINT msg, WPARAM wp, LPARAM lp, BOOL& bHandled);
//       LRESULT OnOk(WORD code, WORD id, HWND control, BOOL& bHandled);
//       LRESULT OnFaceChanged(WORD code, WORD id, HWND control, BOOL& bHandled);
//       LRESULT OnSetActive(int id, NMHDR* header, BOOL& bHandled);
//   };
//
// Alternate maps (ALT_MSG_MAP(n)) are chosen by the map id the caller
// passes; a window's own procedure always asks for map 0. Reflection sends a
// notification that a control sent to its parent back to the control as
// OCM_xxx (the message + OCM__BASE, 0x2000); the control's map catches it
// with the REFLECTED_ entries and passes the rest to
// DEFAULT_REFLECTION_HANDLER(), which gives them the default answer of the
// original message.
#pragma once
#include <windows.h>
#include <commctrl.h>
#include <olectl.h>

// The interface through which a window procedure reaches a class's map.
class CMessageMap {
public:
    virtual BOOL ProcessWindowMessage(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lResult,
                                      DWORD dwMsgMapID = 0) = 0;

protected:
    ~CMessageMap() = default;
};

// The control a notification message of a parent concerns, or null when it
// concerns none (a command from a menu or an accelerator, a scroll bar of the
// window itself).
HWND GetNotifyingControl(HWND parent, UINT msg, WPARAM wParam, LPARAM lParam);

// Sends a control's notification back to the control as msg + OCM__BASE and
// returns its answer; handled is cleared (and 1 returned) when no control is
// concerned or the message is no notification.
LRESULT ReflectNotifications(HWND parent, UINT msg, WPARAM wParam, LPARAM lParam, BOOL& handled);

// For a reflected message (OCM__BASE + a notification), the answer the
// default window procedure gives to the original message; false for any
// other message.
BOOL DefaultReflectionHandler(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);

#define BEGIN_MSG_MAP(theClass)                                                                              \
public:                                                                                                      \
    BOOL ProcessWindowMessage(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lResult,          \
                              DWORD dwMsgMapID = 0)                                                          \
    {                                                                                                        \
        BOOL bHandled = TRUE;                                                                                \
        (void)hWnd;                                                                                          \
        (void)wParam;                                                                                        \
        (void)lParam;                                                                                        \
        (void)lResult;                                                                                       \
        (void)bHandled;                                                                                      \
        switch (dwMsgMapID) {                                                                                \
        case 0:

#define ALT_MSG_MAP(mapId)                                                                                   \
    break;                                                                                                   \
    case mapId:

#define END_MSG_MAP()                                                                                        \
    break;                                                                                                   \
    default:                                                                                                 \
        break;                                                                                               \
        }                                                                                                    \
        return FALSE;                                                                                        \
    }

// Runs `call` with the flag set; the map stops when the handler kept it set.
#define KNT_MSG_ENTRY_(condition, call)                                                                      \
    if (condition) {                                                                                         \
        bHandled = TRUE;                                                                                     \
        lResult = call;                                                                                      \
        if (bHandled)                                                                                        \
            return TRUE;                                                                                     \
    }

// LRESULT func(UINT msg, WPARAM wParam, LPARAM lParam, BOOL& bHandled)
#define MESSAGE_HANDLER(msg, func) KNT_MSG_ENTRY_(uMsg == (msg), func(uMsg, wParam, lParam, bHandled))
#define MESSAGE_RANGE_HANDLER(first, last, func)                                                             \
    KNT_MSG_ENTRY_(uMsg >= (first) && uMsg <= (last), func(uMsg, wParam, lParam, bHandled))
// Every message for which bool test(UINT msg) holds: one rule over a set.
#define MESSAGE_SET_HANDLER(test, func) KNT_MSG_ENTRY_(test(uMsg), func(uMsg, wParam, lParam, bHandled))

// LRESULT func(WORD code, WORD id, HWND control, BOOL& bHandled)
#define KNT_COMMAND_ENTRY_(msg, condition, func)                                                             \
    KNT_MSG_ENTRY_(uMsg == (msg) && (condition),                                                             \
                   func(HIWORD(wParam), LOWORD(wParam), reinterpret_cast<HWND>(lParam), bHandled))
#define COMMAND_HANDLER(id, nCode, func)                                                                      \
    KNT_COMMAND_ENTRY_(WM_COMMAND, LOWORD(wParam) == (id) && HIWORD(wParam) == (nCode), func)
#define COMMAND_ID_HANDLER(id, func) KNT_COMMAND_ENTRY_(WM_COMMAND, LOWORD(wParam) == (id), func)
#define COMMAND_CODE_HANDLER(nCode, func) KNT_COMMAND_ENTRY_(WM_COMMAND, HIWORD(wParam) == (nCode), func)
#define COMMAND_RANGE_HANDLER(first, last, func)                                                             \
    KNT_COMMAND_ENTRY_(WM_COMMAND, LOWORD(wParam) >= (first) && LOWORD(wParam) <= (last), func)
#define COMMAND_RANGE_CODE_HANDLER(first, last, nCode, func)                                                  \
    KNT_COMMAND_ENTRY_(WM_COMMAND,                                                                           \
                       LOWORD(wParam) >= (first) && LOWORD(wParam) <= (last) && HIWORD(wParam) == (nCode), func)

// LRESULT func(int id, NMHDR* header, BOOL& bHandled)
#define KNT_NOTIFY_ENTRY_(msg, condition, func)                                                              \
    KNT_MSG_ENTRY_(uMsg == (msg) && (condition),                                                             \
                   func(static_cast<int>(wParam), reinterpret_cast<NMHDR*>(lParam), bHandled))
#define KNT_NMHDR_ reinterpret_cast<NMHDR*>(lParam)
#define NOTIFY_HANDLER(id, nCode, func)                                                                       \
    KNT_NOTIFY_ENTRY_(WM_NOTIFY, KNT_NMHDR_->idFrom == static_cast<UINT_PTR>(id) && KNT_NMHDR_->code == (nCode), func)
#define NOTIFY_ID_HANDLER(id, func) KNT_NOTIFY_ENTRY_(WM_NOTIFY, KNT_NMHDR_->idFrom == static_cast<UINT_PTR>(id), func)
#define NOTIFY_CODE_HANDLER(nCode, func) KNT_NOTIFY_ENTRY_(WM_NOTIFY, KNT_NMHDR_->code == (nCode), func)
#define NOTIFY_RANGE_HANDLER(first, last, func)                                                              \
    KNT_NOTIFY_ENTRY_(WM_NOTIFY,                                                                             \
                      KNT_NMHDR_->idFrom >= static_cast<UINT_PTR>(first) &&                                  \
                          KNT_NMHDR_->idFrom <= static_cast<UINT_PTR>(last),                                 \
                      func)

// The same entries for notifications reflected back to the control itself.
#define REFLECTED_COMMAND_HANDLER(id, nCode, func)                                                            \
    KNT_COMMAND_ENTRY_(OCM_COMMAND, LOWORD(wParam) == (id) && HIWORD(wParam) == (nCode), func)
#define REFLECTED_COMMAND_CODE_HANDLER(nCode, func) KNT_COMMAND_ENTRY_(OCM_COMMAND, HIWORD(wParam) == (nCode), func)
#define REFLECTED_NOTIFY_CODE_HANDLER(nCode, func) KNT_NOTIFY_ENTRY_(OCM_NOTIFY, KNT_NMHDR_->code == (nCode), func)

// Offers the message to another map: a base class or mix-in (its map 0 or
// the given alternate map), or a member object.
#define CHAIN_MSG_MAP(theChainClass)                                                                         \
    if (theChainClass::ProcessWindowMessage(hWnd, uMsg, wParam, lParam, lResult))                            \
        return TRUE;
#define CHAIN_MSG_MAP_ALT(theChainClass, mapId)                                                              \
    if (theChainClass::ProcessWindowMessage(hWnd, uMsg, wParam, lParam, lResult, mapId))                     \
        return TRUE;
#define CHAIN_MSG_MAP_MEMBER(theMember)                                                                      \
    if ((theMember).ProcessWindowMessage(hWnd, uMsg, wParam, lParam, lResult))                               \
        return TRUE;

#define REFLECT_NOTIFICATIONS()                                                                              \
    KNT_MSG_ENTRY_(true, ReflectNotifications(hWnd, uMsg, wParam, lParam, bHandled))
#define DEFAULT_REFLECTION_HANDLER()                                                                         \
    if (DefaultReflectionHandler(hWnd, uMsg, wParam, lParam, lResult))                                       \
        return TRUE;
