// Files: one open file handle with two failure styles side by side. The
// "Try" operations return an HRESULT and leave reporting to the caller; the
// others raise my::CException with the message id, the HRESULT (whose system
// text fills the first "%s") and the path.
#pragma once
#include "platform/Handle.h"
#include <windows.h>
#include <string>
#include <vector>

// The HRESULT of a Win32 call that has just failed: HResultFromLastError, but
// E_FAIL when the call left no last error, so the failure never reads as S_OK.
HRESULT FailedCallResult();

class CFile {
public:
    CFile() = default;
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;

    HANDLE GetHandle() const { return m_h; }
    operator HANDLE() const { return m_h; }
    bool IsOpen() const { return m_h.IsValid(); }

    // CreateFileW as given. A handle held before is closed first, so a failed
    // open leaves the object closed and a second open never leaks the first.
    HRESULT Create(const wchar_t* path, DWORD access, DWORD share, DWORD disposition,
                   DWORD flags = FILE_ATTRIBUTE_NORMAL);

    HRESULT TryOpenRead(const wchar_t* path);
    HRESULT TryOpenWrite(const wchar_t* path);
    HRESULT TryOpenDirectory(const wchar_t* path);
    HRESULT TryCreateAlways(const wchar_t* path);
    HRESULT TryCreateNew(const wchar_t* path);
    void OpenRead(const std::wstring& path);       // IDS_OPEN_FILE_FAILED
    void OpenWrite(const std::wstring& path);      // IDS_OPEN_FILE_FAILED
    void OpenDirectory(const std::wstring& path);  // IDS_OPEN_FILE_FAILED
    void CreateAlways(const std::wstring& path);   // IDS_CREATE_FILE_FAILED
    void CreateNew(const std::wstring& path);      // IDS_CREATE_FILE_FAILED

    HRESULT TrySeekToStart();
    void SeekToStart();                            // IDS_SEEK_FILE_FAILED
    HRESULT TrySetEndOfFile();
    void SetEndOfFile();                           // IDS_SET_END_OF_FILE_FAILED
    HRESULT TryGetSize(ULONGLONG& size);
    void GetSize(ULONGLONG& size);                 // IDS_GET_FILE_SIZE_FAILED

    HRESULT TryRead(void* buffer, DWORD count, DWORD* read);
    HRESULT TryWrite(const void* buffer, DWORD count, DWORD* written = nullptr);
    HRESULT TryWrite(const std::vector<unsigned char>& bytes);
    HRESULT TryWrite(const std::string& bytes);
    // IDS_WRITE_FILE_FAILED. The pointer form also fails when fewer bytes than asked were written.
    void Write(const void* buffer, DWORD count);
    void Write(const std::vector<unsigned char>& bytes);
    void Write(const std::string& bytes);

    // The whole file from the current position. A positive limit below the
    // size gives HRESULT_FROM_WIN32(ERROR_MORE_DATA); 0 or less means none.
    HRESULT TryReadAll(std::vector<unsigned char>& bytes, int limit);
    // The whole file from its start.
    HRESULT TryReadAllToString(std::string& bytes);

    // Same size and same bytes.
    bool Equals(CFile& other);
    // 2: both hold the same bytes; 1: this file is a proper beginning of the
    // other; 0: otherwise or on any failure.
    int ComparePrefix(CFile& other);

    void Close() { m_h.Close(); }

private:
    CHandle m_h;
};

HRESULT GetFileSizeByPath(const wchar_t* path, ULONGLONG& size);

void DeleteFileOrThrow(const std::wstring& path);                                        // IDS_DELETE_FILE_FAILED
// The folder with everything in it, through the shell, silently.
void DeleteFolderOrThrow(const std::wstring& path);                                      // IDS_DELETE_FOLDER_FAILED
void CopyFileOrThrow(const std::wstring& from, const std::wstring& to, bool failIfExists); // IDS_COPY_FILE_FAILED
// Replaces an existing target; may copy across volumes, and then returns only
// when the data is on the disk, so a file moved into place is complete.
void MoveFileOrThrow(const std::wstring& from, const std::wstring& to);                  // IDS_MOVE_FILE_FAILED
// An empty file; an existing one is an error.
void CreateNewFileOrThrow(const std::wstring& path);                                     // IDS_CREATE_FILE_FAILED
