// The settings as an XML document, in three places: the settings file (the
// whole snapshot), the decoration settings file ".knt" (without the window
// layout, configuration path, output folder and font list dialog) and the
// clipboard fragment "BorderingSettings" (one decoration). Readers and
// writers return true or false and leave the reason in the document's error
// record; they stop at the first failure.
//
// Numbers read from a document are clamped into the ranges the rendering
// arithmetic can hold (see SettingLimits.h), so a damaged or hostile file
// gives either an error or a usable snapshot. The settings file is written
// through a temporary file and a replace, so a crash while saving never
// loses it; an unreadable file can be replaced by its ".bak" once the user
// agreed (CSettingsFileLoader).
#pragma once
#include "decoration/Setting.h"
#include "foundation/ReplacingFileWriter.h"
#include "foundation/XmlDocument.h"
#include <windows.h>
#include <string>
#include <vector>

class CSettingXmlWriter : public CXmlDocument {
public:
    UINT Flags = 0;  // the parts written (SettingPart)
    std::wstring FilePath;
    // Keep the previous file as "<path>.bak" when replacing it.
    bool KeepBackup = false;
    // How long the replace waits for a file in use (CReplacingFileWriter::Commit).
    DWORD InUseRetryMs = kReplaceInUseRetryMs;

    // The settings file: every part, and a backup of the previous file.
    // Without it (a decoration settings file) neither.
    void SetWriteAll(bool all)
    {
        Flags = all ? UINT(SettingPart::ALL) : 0u;
        KeepBackup = all;
    }
    // Builds the document and replaces the file with it (untouched when it
    // already holds the same text).
    bool Write(const CSetting& setting, const std::wstring& path);
    // Builds the document of the flags without saving it.
    bool Build(const CSetting& setting);
    // The document's bytes as it would be saved.
    bool GetBytes(std::string& bytes);
    // The clipboard fragment in a new global memory block the caller owns;
    // null on failure.
    HGLOBAL WriteBorderingSettings(const CBorderingSetting& bordering);
};

class CXmlForm;

// Every refusal names its cause, the element (its path from the root) and the
// file or the clipboard. A document larger than limits::kMaxDocumentBytes is
// refused before it is read.
class CSettingXmlReader : public CXmlDocument {
public:
    std::wstring FilePath;
    DWORD FileVersion = kVersionUnstated;

    CSettingXmlReader();
    // Loads the file and fills the target in place; fields read before a
    // failure keep their new values.
    bool Read(CSetting& target, const std::wstring& path);
    bool ReadBorderingSettings(CBorderingSetting& target, HGLOBAL block);
    // The same from text already in memory (UTF-8 bytes).
    bool ReadBorderingSettingsBytes(CBorderingSetting& target, const std::string& bytes);

private:
    bool ReadDocument(CXmlForm& form, CSetting& target);
};

// Reading the settings file at start with the backup as fallback. The
// target changes only when a file was read completely.
class CSettingsFileLoader {
public:
    enum Result {
        LOADED,       // the settings file was read
        MISSING,      // neither the file nor its backup exists
        FROM_BACKUP,  // the file would not read; its ".bak" was read instead
        UNREADABLE,   // neither would read; the target is unchanged
        // The file, or its backup when the file would not read, exists but
        // cannot be opened (another program holds it without sharing, or
        // access is denied): nothing was read, the target is unchanged, and
        // neither file may be written over. Not a damaged file.
        UNOPENED,
    };

    // Damaged copies kept of each of the file and its backup.
    static const size_t kKeptDamagedCopies = 10;

    Result Load(CSetting& target, const std::wstring& path);
    // Why a file would not read (FROM_BACKUP, UNREADABLE: the settings file's
    // own reason, or the backup's when only the backup exists), or why the
    // file of GetUnopenedPath could not be opened (UNOPENED); GetErrorPath
    // names the file the reason is about.
    const CSimpleErr& GetError() const { return m_error; }
    const std::wstring& GetErrorPath() const { return m_errorPath; }
    const std::wstring& GetUnopenedPath() const { return m_unopened; }
    // Version of the document the settings came from.
    DWORD GetFileVersion() const { return m_version; }
    bool IsNewerVersion() const { return m_version > kSettingsVersion; }
    // Once the user agreed to go on: each file that would not read (the
    // settings file, and its backup when that would not read either) is kept
    // aside as "<name>.<n>.broken" (KeepAsideNumbered: never replaced, never
    // written over by later saves; the newest kKeptDamagedCopies of each
    // stay) and, after FROM_BACKUP, the backup is copied into the file's
    // place. False when a file could not be kept aside, with the reason and
    // the paths in GetKeepError. A backup that could not be copied loses
    // nothing (it stays, and the next save writes the file afresh): the
    // result is true and GetRestoreError says why.
    bool AcceptFallback(const std::wstring& path);
    const CSimpleErr& GetKeepError() const { return m_keepError; }
    const CSimpleErr& GetRestoreError() const { return m_restoreError; }
    // The damaged copies this load kept aside.
    const std::vector<std::wstring>& GetKeptCopies() const { return m_kept; }

private:
    Result Unopened(const std::wstring& path, HRESULT code);
    // The whole file or nothing; false leaves the reason in m_lastError.
    bool ReadWhole(CSetting& target, const std::wstring& path);
    bool KeepAside(const std::wstring& path);

    Result m_result = MISSING;
    CSimpleErr m_error;
    CSimpleErr m_lastError;
    CSimpleErr m_keepError;
    CSimpleErr m_restoreError;
    std::wstring m_errorPath;
    std::wstring m_unopened;
    std::vector<std::wstring> m_kept;
    bool m_backupDamaged = false;
    DWORD m_version = 0;
};
