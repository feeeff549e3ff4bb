// Owners of WinINet handles (session, connection, request) and the exception
// that failing WinINet calls raise. Operations that may complete
// asynchronously return an HRESULT; every other failure raises
// CInternetException. Close never raises: it reports false.
#pragma once
#include "foundation/Error.h"
#include "inet/StatusCallback.h"
#include <windows.h>
#include <wininet.h>
#include <string>

// What failed; each operation has its message.
enum InternetOperation : UINT {
    kInetNone = 0,
    kInetSetOption = 1,
    kInetQueryOption = 2,
    kInetOpenSession = 3,
    kInetConnect = 4,
    kInetRead = 5,
    kInetWrite = 6,
    kInetQueryLength = 7,
    kInetHttpOpen = 8,
    kInetHttpRequest = 9,
    kInetHttpQuery = 10,
    kInetUnknownResponse = 11,
    kInetOpenFile = 12,
    kInetCloseHandle = 13,
    kInetSetCallback = 14,
    kInetTerminated = 15,
};

// The message of an operation; IDS_INET_UNKNOWN_RESPONSE for a code without one.
UINT InternetErrorMessageId(UINT operation);

class CInternetException : public my::CException {
public:
    HINTERNET handle = nullptr;
    UINT operation = 0;
    DWORD error = 0;
    DWORD extendedError = 0;

    // Without an error the thread's last error is taken: pass it whenever
    // anything ran after the failing call.
    CInternetException(HINTERNET handle, UINT operation, const DWORD* error = nullptr);
    CInternetException(HINTERNET handle, UINT operation, DWORD error);
    CInternetException(const CInternetException&) = default;
    CInternetException& operator=(const CInternetException&) = default;
    ~CInternetException() override = default;

    void Set(HINTERNET handle, UINT operation, const DWORD* error);
};

// The system's text of a network error, with netmsg.dll as a further source
// where it exists (it does not under Wine).
std::wstring NetworkErrorText(HRESULT code);

// E_ABORT raises IDS_DOWNLOAD_FAILED; any other code raises the id
// with the code's text.
[[noreturn]] void ThrowInternetError(UINT messageId, HRESULT code);

class CInternetHandle {
public:
    CInternetHandle() = default;
    virtual ~CInternetHandle();
    CInternetHandle(const CInternetHandle&) = delete;
    CInternetHandle& operator=(const CInternetHandle&) = delete;

    // True when nothing is open any more; false leaves the handle held.
    virtual bool Close();
    HINTERNET GetHandle() const { return m_handle; }
    // InternetSetOptionW with a DWORD value; operation 1.
    void SetOption(DWORD option, DWORD value);

    // A call under this handle was abandoned: WinINet may report this
    // handle's closing only when that call ends, after its owner is gone.
    void OutlivedByAbandonedCall() { m_outlived = true; }
    // The handle this one was opened under; none for a session.
    virtual CInternetHandle* GetParent() const { return nullptr; }

protected:
    friend class CInternetCall;
    // Closes the handle; on an asynchronous session a pending close is awaited
    // (within the callback's time limit).
    bool CloseWith(CInternetSession* session);
    HINTERNET m_handle = nullptr;

private:
    bool m_outlived = false;
};

class CInternetSession : public CInternetHandle {
public:
    CInternetSession() = default;
    // Raises operation 3 when the session cannot be opened.
    CInternetSession(const wchar_t* agent, DWORD accessType, const wchar_t* proxy,
                     const wchar_t* proxyBypass, DWORD flags);
    ~CInternetSession() override;

    // A null agent stands for the program's own file title.
    HRESULT Open(const wchar_t* agent, DWORD accessType, const wchar_t* proxy,
                 const wchar_t* proxyBypass, DWORD flags);
    bool Close() override;
    // Makes the session's context number the context of its handle and
    // routes the statuses to the callback (null removes it, once a delivery
    // in progress has ended). The session's close and its destruction remove
    // it likewise, so that the callback may go with the session. Operations
    // 1 and 14.
    void SetStatusCallback(CInternetStatusCallback* callback);
    bool IsAsync() const { return (m_flags & INTERNET_FLAG_ASYNC) != 0; }
    DWORD GetFlags() const { return m_flags; }
    CInternetStatusCallback* GetCallback() const { return m_callback; }
    // The context of every handle opened under this session since its Open:
    // a number of its own, never an address a later session may reuse.
    DWORD_PTR GetContext() const { return m_context; }

private:
    DWORD m_flags = 0;
    DWORD_PTR m_context = 0;
    CInternetStatusCallback* m_callback = nullptr;  // not owned
};

class CInternetConnection : public CInternetHandle {
public:
    CInternetConnection() = default;
    ~CInternetConnection() override;
    // An HTTP connection; operation 4 on failure.
    HRESULT Open(CInternetSession* session, const wchar_t* server, INTERNET_PORT port);
    bool Close() override;
    CInternetSession* GetSession() const { return m_session; }
    CInternetHandle* GetParent() const override { return m_session; }

private:
    CInternetSession* m_session = nullptr;  // not owned
};

class CHttpConnection : public CInternetConnection {
public:
    ~CHttpConnection() override;
    bool Close() override;
};

class CInternetFile : public CInternetHandle {
public:
    CInternetFile() = default;
    ~CInternetFile() override;
    bool Close() override;

    // One read into the buffers. Synchronous failures raise operation 5; on an
    // asynchronous session a pending read is awaited and any failure is the
    // result. The call reads into memory of its own, so that a read given up
    // on a cancel never writes into the caller's.
    HRESULT ReadEx(INTERNET_BUFFERSA* buffers);
    // The whole body, synchronously (operation 5).
    void ReadAll(std::string& out);
    // Every byte (operation 6); the count written.
    DWORD Write(const std::string& data);
    CInternetSession* GetSession() const;
    CInternetHandle* GetParent() const override { return m_connection; }

protected:
    CInternetConnection* m_connection = nullptr;  // not owned; cleared by Close
};

class CHttpFile : public CInternetFile {
public:
    CHttpFile() = default;
    CHttpFile(CInternetConnection* connection, const wchar_t* verb, const wchar_t* object,
              const wchar_t* version, const wchar_t* referrer, const wchar_t** acceptTypes, DWORD flags);
    ~CHttpFile() override;
    bool Close() override;

    // Null accept types stand for "*/*". Operation 8.
    HRESULT Open(CInternetConnection* connection, const wchar_t* verb, const wchar_t* object,
                 const wchar_t* version, const wchar_t* referrer, const wchar_t** acceptTypes, DWORD flags);
    // Does not wait for a pending send. Operation 9.
    HRESULT SendRequest(const wchar_t* headers, DWORD headersLength, const void* optional, DWORD optionalLength);
    HRESULT SendForm(const std::string& body, const std::wstring& charset);
    HRESULT SendFormText(const std::wstring& body, const std::wstring& charset);
    // Both wait for a pending call. Operation 9.
    HRESULT SendRequestEx();
    HRESULT EndRequest();
    // Operation 10 for these three, a missing header included.
    void QueryInfo(DWORD infoLevel, std::wstring& out);
    void QueryContentLength(DWORD& length);
    void QueryLastModified(SYSTEMTIME& time);
};

// One call that may end asynchronously, on the handle of `runsOn` or, for a
// call that creates a handle (a connect, an open), under it. Arms the
// session's callback for it; on leaving, when the wait abandoned the call,
// makes `runsOn` forget its handle (the abandon closed it) and the handles
// above it stop waiting for their own closing.
class CInternetCall {
public:
    CInternetCall(CInternetSession* session, CInternetHandle& runsOn, bool createsHandle,
                  const boost::shared_ptr<void>& memory = boost::shared_ptr<void>());
    ~CInternetCall();
    CInternetCall(const CInternetCall&) = delete;
    CInternetCall& operator=(const CInternetCall&) = delete;

    // The end of the call, read right after it returned `done`: at once, or,
    // when it is pending on the session, once the callback reports it. Any
    // other failure raises `operation` on runsOn's handle.
    HRESULT Finish(bool done, UINT operation);
    // Waits for a pending call; the callback's outcome.
    HRESULT Wait(ULONG statusCode);
    // The handle whose creation the callback was told of.
    HINTERNET CreatedHandle() const { return m_callback ? m_callback->GetHandle() : nullptr; }

private:
    CInternetSession* m_session;
    CInternetHandle& m_runsOn;
    CInternetStatusCallback* m_callback;
};
