// Replacing a file so that a crash, a full disk or a power cut at any moment
// leaves either the old or the new file whole, never a torn one: the new
// bytes go to a temporary file in the same folder (so the final step is a
// rename on one volume), every write, the flush and the close are checked,
// and only then does the temporary take the target's place, by one rename
// over it, so that the name holds the old file or the new one at every
// instant, never none. A failure leaves the target as it was and removes
// the temporary.
// The temporary is "<target name>~knt<4 hex digits>.tmp" beside the target
// (the name cut by whole characters from its end when the temporary's name
// would pass 255 UTF-8 bytes or its path MAX_PATH - 1 units; a folder that
// leaves no room at all fails with ERROR_FILENAME_EXCED_RANGE). It is made
// anew and held open without sharing up to the replace. Its tag is claimed
// by a named object from before the temporary is made until the replace has
// ended, so each Open first deletes the target's temporaries that no writer
// claims, those a killed save left, while another writer's live one (another
// thread or program instance) stays, also between its close and the replace.
// The previous file can be kept as "<name>.bak": a copy of it, "<target
// name>~knt<tag>.bak", is made before the rename and moved to the backup's
// name after it; one a killed save left (maybe cut short) goes with the next
// save, as a temporary does. A refused replace thus leaves nothing of ours.
// Earlier versions moved the old file to "<target name>~knt<tag>.old" first,
// so that a save of theirs killed between their two moves left it as the
// only copy: such an old file goes with a later save of the target once the
// target is there, and is put back at the target's name while it is
// missing; both only when no other target's name can be cut to the same
// stem. A target that does not exist yet is moved into place without
// replacing. A replace that meets a reader or another writer holding the
// target for the moment (under Wine nothing may be renamed over a file held
// open) is tried again for as long as the caller allows; only then does it
// fail as ERROR_SHARING_VIOLATION (the file is in use by another program).
#pragma once
#include "platform/Handle.h"
#include "platform/SlimLock.h"
#include <windows.h>
#include <cstddef>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

// A save job's clean-up context for its folder: while it lives, each writer
// of a file in the folder takes its target's leftovers from one listing of
// the folder, made at the first such writer's Open, and a target the
// listing did not hold is put in place without a look first. Under Wine each
// search of a folder, and each look-up of a name it does not hold, reads the
// whole folder, so a writer alone pays two such reads more than the writing
// itself needs. What a save killed after the listing leaves waits for the
// next job. A writer uses the first context made for its folder; any thread.
class CReplacingWriterFolder {
public:
    explicit CReplacingWriterFolder(const std::wstring& folder);
    ~CReplacingWriterFolder();
    CReplacingWriterFolder(const CReplacingWriterFolder&) = delete;
    CReplacingWriterFolder& operator=(const CReplacingWriterFolder&) = delete;

private:
    friend class CReplacingFileWriter;
    // Lists the folder the first time. False when it could not be listed
    // whole; else moves out the listed own files of the stem and tells
    // whether the folder held the name.
    bool Take(const std::wstring& stem, const std::wstring& name, std::vector<std::wstring>& ownFiles,
              bool& nameListed);

    std::wstring m_folder;  // with its separator
    CSlimLock m_lock;
    bool m_listed = false, m_complete = false;
    std::unordered_map<std::wstring, std::vector<std::wstring>> m_ownFiles;  // by the stem without case
    std::unordered_set<unsigned long long> m_names;  // every name without case, hashed (a false match costs a look-up)
};

// How long a replace is tried again while the target is in use, unless the
// caller says otherwise. Under Wine nothing may be renamed over a file
// someone holds open, and others hold the target for moments: a save that
// reads the settings file to compare, another writer's copy of it for a
// backup. 300 ms is many times that on a loaded machine, and short enough
// that a file another program keeps open is reported without a pause a user
// notices; a caller that saves on every keystroke must not wait each time,
// though.
const DWORD kReplaceInUseRetryMs = 300;

class CReplacingFileWriter {
public:
    // Without keepBackup the previous file is simply replaced.
    explicit CReplacingFileWriter(const std::wstring& target, bool keepBackup = true);
    // Deletes a temporary file that was never committed.
    ~CReplacingFileWriter();
    CReplacingFileWriter(const CReplacingFileWriter&) = delete;
    CReplacingFileWriter& operator=(const CReplacingFileWriter&) = delete;

    // Creates a fresh temporary file beside the target (one made before is
    // deleted, and so are the target's temporaries no writer claims).
    HRESULT Open();
    // Appends to the temporary file; fewer bytes written than given is a failure.
    HRESULT Write(const void* data, size_t size);
    // Open, Write, then flush: the temporary is complete on the disk, and
    // still held until Commit or Abandon.
    HRESULT WriteTemporary(const std::string& bytes);
    // Flushes and closes a temporary still open, then puts it in the target's
    // place, trying again for up to inUseRetryMs while the target is in use
    // (0: one try; ERROR_SHARING_VIOLATION: the target stayed in use).
    HRESULT Commit(DWORD inUseRetryMs = kReplaceInUseRetryMs);
    // Closes and forgets the temporary file and lets its tag go, leaving it on the
    // disk as a crash between the two steps would (the next Open of the target removes it).
    void Abandon();

    const std::wstring& TemporaryPath() const { return m_temp; }
    static std::wstring BackupPath(const std::wstring& target) { return target + L".bak"; }

private:
    HRESULT CloseTemporary();
    // One try at the replace; `inUse` when the target (or the backup's
    // name) was held for the moment, so a later try may pass.
    HRESULT PutInPlace(bool& inUse);
    void DiscardTemporary();

    std::wstring m_target;
    std::wstring m_temp;
    CHandle m_file;
    CHandle m_claim;  // the tag's named object, held up to the end of the replace
    unsigned long long m_written = 0;
    bool m_keepBackup;
    bool m_targetMayExist = true;
};

// Writes the bytes over the file unless it already holds exactly them
// (S_FALSE then: nothing was touched). inUseRetryMs as for Commit.
HRESULT WriteFileReplacing(const std::wstring& path, const std::string& bytes, bool keepBackup = true,
                           DWORD inUseRetryMs = kReplaceInUseRetryMs);

// An output file: the bytes replace the target through a temporary, with no
// backup and no comparison. On failure the target is as it was.
HRESULT WriteOutputFile(const std::wstring& path, const void* data, size_t size);
// The same, raising IDS_CREATE_FILE_FAILED with the path when the file cannot be made there
// and IDS_WRITE_FILE_FAILED when it cannot be written or put in place.
void WriteOutputFileOrThrow(const std::wstring& path, const void* data, size_t size);

// A file that must be neither lost nor written over (a damaged settings file
// the program is about to replace) goes aside under a numbered name beside
// it, "<path>.<n><suffix>". n is one more than the highest number kept so
// far, so no earlier copy is ever replaced, even after older ones were
// removed; a copy at the nine-digit ceiling has no such number, and n is then
// one more than the highest copy whose next number is free. The move itself
// refuses to replace anything. Afterwards only the `keep` highest-numbered
// copies of the path (the new one at least) stay: lower ones are deleted
// (one that cannot be deleted just stays: nothing is lost, the folder only
// keeps one more). `keptAs` names the new copy.
HRESULT KeepAsideNumbered(const std::wstring& path, const std::wstring& suffix, size_t keep, std::wstring& keptAs);
// The copies KeepAsideNumbered made of the path, oldest first.
std::vector<std::wstring> NumberedCopies(const std::wstring& path, const std::wstring& suffix);

// A stand-in for a full volume, for tests: while the limit is 0 or more, a
// temporary file of any replacing writer that would grow past that many bytes
// takes what fits, and the write fails with ERROR_DISK_FULL. Negative: no limit.
void SetReplacingWriterSpaceForTest(long long bytes);
// How many tries at a replace the writers of the process have made, for tests.
unsigned long ReplacingWriterTriesForTest();
// A stand-in for a slow replace, for tests: each try counts that many
// milliseconds more against the caller's time for tries (0: none).
void SetReplacingWriterTryTimeForTest(DWORD ms);
