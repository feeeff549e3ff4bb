// Replacing a file so that a crash or a power cut at any moment leaves either
// the old or the new file whole, never a torn one: the new text goes to a
// temporary file in the same folder (so the final step is a rename on one
// volume), is flushed to the disk, and only then takes the target's place.
// ReplaceFileW keeps the previous file as "<name>.bak"; a target that does not
// exist yet is moved into place with MoveFileExW (ReplaceFileW refuses it).
#pragma once
#include <windows.h>
#include <string>

class CReplacingFileWriter {
public:
    // Without keepBackup the previous file is simply replaced.
    explicit CReplacingFileWriter(const std::wstring& target, bool keepBackup = true);
    // Deletes a temporary file that was never committed.
    ~CReplacingFileWriter();
    CReplacingFileWriter(const CReplacingFileWriter&) = delete;
    CReplacingFileWriter& operator=(const CReplacingFileWriter&) = delete;

    // Writes and flushes the temporary file.
    HRESULT WriteTemporary(const std::string& bytes);
    // Puts the temporary file in the target's place.
    HRESULT Commit();
    // Forgets the temporary file, leaving it on the disk as a crash between
    // the two steps would.
    void Abandon() { m_temp.clear(); }

    const std::wstring& TemporaryPath() const { return m_temp; }
    static std::wstring BackupPath(const std::wstring& target) { return target + L".bak"; }

private:
    std::wstring m_target;
    std::wstring m_temp;
    bool m_keepBackup;
};

// Writes the bytes over the file unless it already holds exactly them
// (S_FALSE then: nothing was touched).
HRESULT WriteFileReplacing(const std::wstring& path, const std::string& bytes, bool keepBackup = true);
