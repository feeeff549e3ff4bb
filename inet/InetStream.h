// Sinks for a downloaded body (memory, file), the temporary file names of
// downloads, and the file that deletes itself unless the download succeeded.
#pragma once
#include "foundation/HasMixins.h"
#include <windows.h>
#include <fstream>
#include <string>

// Begin once, then GetBuffer / Commit per read, then End once.
class CInetStream {
public:
    // expectedLength is 0xFFFFFFFF when unknown.
    virtual void Begin(DWORD expectedLength, DWORD chunkSize) = 0;
    virtual void GetBuffer(void*& buffer, DWORD& length) = 0;
    virtual void Commit(const void* buffer, DWORD bytes) = 0;
    virtual void End() = 0;
protected:
    ~CInetStream() = default;
};

// Reads straight into the caller's string, which always ends up holding
// exactly the bytes received, also after a failure part-way.
class CInetMemStream : public CInetStream {
public:
    explicit CInetMemStream(std::string& target) : m_target(&target) {}
    ~CInetMemStream();
    CInetMemStream(const CInetMemStream&) = delete;
    CInetMemStream& operator=(const CInetMemStream&) = delete;
    void Begin(DWORD expectedLength, DWORD chunkSize) override;
    void GetBuffer(void*& buffer, DWORD& length) override;
    void Commit(const void* buffer, DWORD bytes) override;
    void End() override;
    DWORD GetWritten() const { return m_written; }
private:
    DWORD m_written = 0;
    std::string* m_target;  // not owned
    DWORD m_expectedLength = 0;
    DWORD m_chunkSize = 0;
};

// Writes every read to a file. A write or close that fails raises IDS_OPEN_FILE_FAILED with
// E_FAIL and the path: a full disk must not pass for a complete download.
class CInetFileStream : public CInetStream {
public:
    std::ofstream file;

    CInetFileStream() = default;
    CInetFileStream(const CInetFileStream&) = delete;
    CInetFileStream& operator=(const CInetFileStream&) = delete;
    // Binary output, truncating; IDS_OPEN_FILE_FAILED when the file does not open.
    void Open(const std::wstring& path);
    void Close();
    const std::wstring& GetPath() const { return m_path; }

    void Begin(DWORD expectedLength, DWORD chunkSize) override;
    void GetBuffer(void*& buffer, DWORD& length) override;
    void Commit(const void* buffer, DWORD bytes) override;
    void End() override;
private:
    [[noreturn]] void ThrowWriteError() const;
    std::string m_buffer;
    std::wstring m_path;
};

// A new empty file in the temporary folder named "ZVR_", the process id in
// eight upper-case hexadecimal digits, "_" and a counter; a name that is
// taken is passed over.
HRESULT MakeTempFileName(std::wstring& name);
void MakeTempFileNameOrThrow(std::wstring& name);  // IDS_GET_TEMP_PATH_FAILED

// Deletes its file (or folder with its contents) when destroyed, unless
// released. A failed deletion is kept in the error record, never raised.
class CAutoDeleteFile : public CHasErr<CSimpleErr> {
public:
    CAutoDeleteFile() = default;
    virtual ~CAutoDeleteFile();
    CAutoDeleteFile(const CAutoDeleteFile&) = delete;
    CAutoDeleteFile& operator=(const CAutoDeleteFile&) = delete;
    void SetFile(const std::wstring& path);
    void SetFolder(const std::wstring& path);
    void Release();
    void Delete();
    const std::wstring& GetPath() const { return m_path; }
private:
    bool m_isFolder = false;
    std::wstring m_path;
};
