#include "foundation/ReplacingFileWriter.h"
#include "foundation/Error.h"
#include "foundation/File.h"
#include "foundation/ShellOps.h"
#include "foundation/PathUtil.h"
#include "foundation/StringUtil.h"
#include "platform/FindFile.h"
#include "resources/strings_foundation_io.h"
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <iterator>
#include <utility>

namespace {

std::atomic<long long> g_spaceForTest(-1);
std::atomic<unsigned long> g_replaceTries(0);
std::atomic<DWORD> g_tryTimeForTest(0);

// Names of a writer's own files beside the target: "<stem>~knt<tag>.tmp" for
// the temporary, "<stem>~knt<tag>.bak" for the copy of the old file a backup
// is made from, and "<stem>~knt<tag>.old" for the old file earlier versions
// moved aside while they replaced it. The stem is the target's name (cut
// when it must be), so a name says whose file it is; the tag, four hex
// digits, tells apart writers of one target (other threads, other program
// instances).
const wchar_t kTagHead[] = L"~knt";
const size_t kTagDigits = 4;
const wchar_t kTemporarySuffix[] = L".tmp";
const wchar_t kBackupCopySuffix[] = L".bak";
const wchar_t kOwnBackupSuffix[] = L".old";
const size_t kTagLength = 4 + kTagDigits + 4;  // "~knt", the digits, the suffix
static_assert(kMaxFolderPath + 1 + kTagLength <= MAX_PATH - 1, "every folder the program takes holds a temporary");

// The longest file name the file systems take: Windows counts 255 UTF-16
// units, Linux under Wine 255 UTF-8 bytes (Wine cuts a longer name silently,
// even inside a character, so a temporary's name could never be found again).
const size_t kMaxNameBytes = 255;

// The target's folder (with its separator; empty for a bare name) and the
// stem of its own files' names: the target's name, cut from its end by whole
// characters until a name with the tag holds at most kMaxNameBytes bytes and
// its path at most MAX_PATH - 1 units, as the output names are fitted. False
// when the folder leaves no room for the tag itself.
bool SplitForOwnFiles(const std::wstring& target, std::wstring& folder, std::wstring& stem)
{
    const size_t cut = target.find_last_of(L"\\/");
    folder = cut == std::wstring::npos ? std::wstring() : target.substr(0, cut + 1);
    if (folder.size() + kTagLength > MAX_PATH - 1)
        return false;
    const std::wstring name = target.substr(folder.size());
    const size_t roomUnits = MAX_PATH - 1 - folder.size() - kTagLength, roomBytes = kMaxNameBytes - kTagLength;
    size_t end = 0, bytes = 0;
    while (end < name.size() && end + CharLengthAt(name, end) <= roomUnits &&
           bytes + CharUtf8Length(name, end) <= roomBytes) {
        bytes += CharUtf8Length(name, end);
        end += CharLengthAt(name, end);
    }
    stem = name.substr(0, end);
    return true;
}

// Whether a file name is "<stem>~knt<tag><suffix>".
bool IsOwnFileName(const std::wstring& name, const std::wstring& stem, const wchar_t* suffix)
{
    if (name.size() != stem.size() + kTagLength || !StartsWithNoCase(name, stem + kTagHead) ||
        !EndsWithNoCase(name, suffix))
        return false;
    const size_t digits = stem.size() + 4;
    for (size_t i = digits; i < digits + kTagDigits; ++i)
        if (HexDigitOrMinus(name[i]) < 0)
            return false;
    return true;
}

// The stem of any writer's own file name, empty for another name.
std::wstring OwnFileStem(const std::wstring& name)
{
    if (name.size() <= kTagLength)
        return std::wstring();
    const std::wstring stem = name.substr(0, name.size() - kTagLength);
    return IsOwnFileName(name, stem, kTemporarySuffix) || IsOwnFileName(name, stem, kBackupCopySuffix) ||
                   IsOwnFileName(name, stem, kOwnBackupSuffix)
               ? stem
               : std::wstring();
}

// Whether an old file under the stem can only be the target's: the stem is
// the target's whole name and a name one character longer, of any size,
// would still have fitted whole. Otherwise another target whose name begins
// with this one was cut to the same stem, and the old file may be its only copy.
bool OldFilesAreTheTargets(const std::wstring& target, const std::wstring& folder, const std::wstring& stem)
{
    const size_t longestChar = 2, longestCharBytes = 4;  // a surrogate pair
    size_t bytes = 0;
    for (size_t i = 0; i < stem.size(); i += CharLengthAt(stem, i))
        bytes += CharUtf8Length(stem, i);
    return folder.size() + stem.size() == target.size() &&
           folder.size() + stem.size() + longestChar + kTagLength <= MAX_PATH - 1 &&
           bytes + longestCharBytes + kTagLength <= kMaxNameBytes;
}

std::wstring BackupCopyOf(const std::wstring& temporary)
{
    return temporary.substr(0, temporary.size() - 4) + kBackupCopySuffix;
}

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Whether a move may have been refused because someone holds the target
// for the moment (Windows says "sharing violation", Wine's rename "access
// denied"). Such a refusal is tried again, and what the last try was told
// is reported.
bool IsInUseError(DWORD error)
{
    return error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
}

// A name without case as 64 bits (FNV-1a over its folded form).
unsigned long long NameHash(const std::wstring& name)
{
    unsigned long long hash = 14695981039346656037ull;
    for (const wchar_t c : NoCaseKey(name))
        hash = (hash ^ c) * 1099511628211ull;
    return hash;
}

// A writer's claim on its tag: a named object, held from before its
// temporary is made until the replace has ended and the old file is gone,
// so that every writer of the program, in this process or another, sees a
// live tag, also in the gap between closing the temporary and the replace,
// where its file no longer keeps others from deleting it. The clean-up
// claims a tag itself before it deletes one of its files, so no writer takes
// the tag meanwhile. The name is a hash of the full path without the suffix
// (object names are limited to MAX_PATH); two paths sharing one only keep a
// leftover one save longer.
// S_FALSE when another writer holds it; a failure when no claim can be made.
HRESULT ClaimTag(const std::wstring& ownFile, CHandle& claim)
{
    const unsigned long long hash = NameHash(GetFullPathOrSelf(ownFile.substr(0, ownFile.size() - 4)));
    wchar_t name[64];
    swprintf(name, 64, L"KanteloWriterTag-%08lX%08lX", static_cast<unsigned long>(hash >> 32),
             static_cast<unsigned long>(hash));
    ::SetLastError(0);
    claim.Attach(::CreateMutexW(nullptr, FALSE, name));
    if (!claim.IsValid())
        return HResultFromLastError();
    if (::GetLastError() != ERROR_ALREADY_EXISTS)
        return S_OK;
    claim.Close();
    return S_FALSE;
}

// The names in the folder (`folder` ends in its separator) that look like a
// writer's own files for the stem, by one search.
std::vector<std::wstring> FindOwnFiles(const std::wstring& folder, const std::wstring& stem)
{
    std::vector<std::wstring> names;
    CFindFile find;
    for (bool more = find.FindFile((folder + stem + kTagHead + L"*").c_str()); more; more = find.FindNextFile())
        if (!find.IsDirectory() && EqualsNoCase(OwnFileStem(find.GetFileName()), stem))
            names.push_back(find.GetFileName());
    return names;
}

// What earlier writers of the target left behind: a temporary or a backup's
// copy no writer claims is a killed save's (the copy maybe cut short, so it
// is never put back). An old file earlier versions moved aside goes only
// while the target exists, and is put back at the target's name while that
// is missing (a save of theirs killed between their two moves left the only
// copy there), both only when its name is surely the target's. True when an
// old file was put back.
bool RemoveLeftovers(const std::wstring& target, const std::wstring& folder, const std::wstring& stem,
                     const std::vector<std::wstring>& names, bool targetExists)
{
    const bool oldFilesAreTheTargets = OldFilesAreTheTargets(target, folder, stem);
    bool restored = false;
    for (const std::wstring& name : names) {
        const bool old = IsOwnFileName(name, stem, kOwnBackupSuffix);
        CHandle claim;
        if ((old && !oldFilesAreTheTargets) || ClaimTag(folder + name, claim) != S_OK)
            continue;
        if (old && !targetExists)
            targetExists = restored = MoveFileExW((folder + name).c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH) != 0;
        else
            ::DeleteFileW((folder + name).c_str());
    }
    return restored;
}

// The clean-up contexts alive: writers of files in their folders take the
// leftovers from them.
CSlimLock g_scopesLock;
std::vector<CReplacingWriterFolder*> g_scopes;

std::atomic<unsigned> g_tagCount(0);

// WriteFile takes a DWORD count; large buffers go in pieces of this size.
const size_t kWritePiece = 16u << 20;

// Numbers of kept copies: up to nine digits, so one more never overflows.
const size_t kCopyNumberDigits = 9;
const unsigned long kMaxCopyNumber = 999999999;

// The number in a name "<name>.<n><suffix>", 0 when the name is not such a
// copy (another copy's name, a leading zero, too many digits).
unsigned long CopyNumber(const std::wstring& fileName, const std::wstring& name, const std::wstring& suffix)
{
    const size_t head = name.size() + 1, digits = fileName.size() - std::min(fileName.size(), head + suffix.size());
    if (fileName.size() <= head + suffix.size() || digits > kCopyNumberDigits ||
        !StartsWithNoCase(fileName, name + L".") || !EndsWithNoCase(fileName, suffix) || fileName[head] == L'0')
        return 0;
    unsigned long n = 0;
    for (size_t i = head; i < head + digits; ++i) {
        if (fileName[i] < L'0' || fileName[i] > L'9')
            return 0;
        n = n * 10 + (fileName[i] - L'0');
    }
    return n;
}

// Every numbered copy of the path (folders in the way included, so that no
// number is given twice), by number.
std::vector<std::pair<unsigned long, std::wstring>> FindNumberedCopies(const std::wstring& path,
                                                                       const std::wstring& suffix)
{
    const size_t cut = path.find_last_of(L"\\/");
    const std::wstring folder = cut == std::wstring::npos ? std::wstring() : path.substr(0, cut + 1);
    const std::wstring name = path.substr(folder.size());
    std::vector<std::pair<unsigned long, std::wstring>> found;
    CFindFile find;
    for (bool more = find.FindFile((path + L".*" + suffix).c_str()); more; more = find.FindNextFile())
        if (const unsigned long n = CopyNumber(find.GetFileName(), name, suffix))
            found.emplace_back(n, folder + find.GetFileName());
    std::sort(found.begin(), found.end());
    return found;
}

} // namespace

unsigned long ReplacingWriterTriesForTest() { return g_replaceTries; }

void SetReplacingWriterSpaceForTest(long long bytes) { g_spaceForTest = bytes; }

void SetReplacingWriterTryTimeForTest(DWORD ms) { g_tryTimeForTest = ms; }

CReplacingWriterFolder::CReplacingWriterFolder(const std::wstring& folder) : m_folder(folder)
{
    if (!m_folder.empty() && m_folder.back() != L'\\' && m_folder.back() != L'/')
        m_folder += L'\\';
    CSlimLockGuard lock(g_scopesLock);
    g_scopes.push_back(this);
}

CReplacingWriterFolder::~CReplacingWriterFolder()
{
    CSlimLockGuard lock(g_scopesLock);
    g_scopes.erase(std::find(g_scopes.begin(), g_scopes.end(), this));
}

bool CReplacingWriterFolder::Take(const std::wstring& stem, const std::wstring& name,
                                  std::vector<std::wstring>& ownFiles, bool& nameListed)
{
    CSlimLockGuard lock(m_lock);
    if (!m_listed) {
        m_listed = true;
        CFindFile find;
        bool more = find.FindFile((m_folder + L"*").c_str());
        // Complete only once the whole listing is held: a listing cut short
        // (by an allocation that failed, say) leaves each writer to search.
        bool complete = more;
        for (; more; more = find.FindNextFile()) {
            m_names.insert(NameHash(find.GetFileName()));
            if (find.GetData().cAlternateFileName[0] != 0)
                m_names.insert(NameHash(find.GetData().cAlternateFileName));
            const std::wstring own = find.IsDirectory() ? std::wstring() : OwnFileStem(find.GetFileName());
            if (!own.empty())
                m_ownFiles[NoCaseKey(own)].push_back(find.GetFileName());
        }
        m_complete = complete && ::GetLastError() == ERROR_NO_MORE_FILES;
    }
    if (!m_complete)
        return false;
    const auto found = m_ownFiles.find(NoCaseKey(stem));
    if (found != m_ownFiles.end()) {
        ownFiles.swap(found->second);
        m_ownFiles.erase(found);
    }
    nameListed = m_names.count(NameHash(name)) != 0;
    return true;
}

CReplacingFileWriter::CReplacingFileWriter(const std::wstring& target, bool keepBackup)
    : m_target(target), m_keepBackup(keepBackup)
{
}

CReplacingFileWriter::~CReplacingFileWriter() { DiscardTemporary(); }

void CReplacingFileWriter::DiscardTemporary()
{
    m_file.Close();
    if (!m_temp.empty()) {
        ::DeleteFileW(m_temp.c_str());
        m_temp.clear();
    }
    m_claim.Close();
}

void CReplacingFileWriter::Abandon()
{
    m_file.Close();
    m_temp.clear();
    m_claim.Close();
}

HRESULT CReplacingFileWriter::Open()
{
    DiscardTemporary();
    m_written = 0;
    std::wstring folder, stem;
    const bool fits = SplitForOwnFiles(m_target, folder, stem);
    // A job's context for the folder answers from its one listing; a
    // writer alone searches for its own leftovers and looks the target up.
    std::vector<std::wstring> leftovers;
    bool listed = false;
    m_targetMayExist = true;
    {
        CSlimSharedLockGuard lock(g_scopesLock);
        for (CReplacingWriterFolder* scope : g_scopes)
            if (fits && EqualsNoCase(scope->m_folder, folder) &&
                scope->Take(stem, m_target.substr(folder.size()), leftovers, m_targetMayExist)) {
                listed = true;
                break;
            }
    }
    // A folder at the target's name is refused before anything is written.
    const DWORD attributes = m_targetMayExist ? ::GetFileAttributesW(m_target.c_str()) : INVALID_FILE_ATTRIBUTES;
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return HResultFromWin32(ERROR_ACCESS_DENIED);
    m_targetMayExist = attributes != INVALID_FILE_ATTRIBUTES;
    if (!fits)
        return HResultFromWin32(ERROR_FILENAME_EXCED_RANGE);
    if (RemoveLeftovers(m_target, folder, stem, listed ? leftovers : FindOwnFiles(folder, stem), m_targetMayExist))
        m_targetMayExist = true;
    // Same folder as the target: the final rename then never crosses volumes.
    // Tags start apart in each process and call and are tried in turn; the
    // claim and the exclusive create settle a race for one.
    const unsigned first = ::GetTickCount() + ::GetCurrentProcessId() * 0x9E37u + g_tagCount++ * 0x101u;
    for (unsigned i = 0; i < (1u << (4 * kTagDigits)); ++i) {
        std::wstring temp = folder + stem + kTagHead;
        for (size_t d = kTagDigits; d-- > 0;)
            temp += L"0123456789ABCDEF"[((first + i) >> (4 * d)) & 0xF];
        temp += kTemporarySuffix;
        const HRESULT claimed = ClaimTag(temp, m_claim);
        if (claimed == S_FALSE)
            continue;
        if (FAILED(claimed))
            return claimed;
        // No sharing: while it is written, not even a writer that knows no claims can delete it.
        HANDLE file =
            ::CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (CHandle::IsValid(file)) {
            m_file.Attach(file);
            m_temp = temp;
            return S_OK;
        }
        const HRESULT hr = FailedCallResult();
        m_claim.Close();
        // A folder, or a file being deleted, answers "access denied" for a name in use.
        if (hr != HResultFromWin32(ERROR_FILE_EXISTS) && hr != HResultFromWin32(ERROR_ALREADY_EXISTS) &&
            !(hr == HResultFromWin32(ERROR_ACCESS_DENIED) && Exists(temp)))
            return hr;
    }
    return HResultFromWin32(ERROR_FILE_EXISTS);
}

HRESULT CReplacingFileWriter::Write(const void* data, size_t size)
{
    if (!m_file.IsValid())
        return E_UNEXPECTED;
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        size_t piece = std::min(size, kWritePiece);
        bool full = false;
        const long long space = g_spaceForTest;
        if (space >= 0 && m_written + piece > static_cast<unsigned long long>(space)) {
            piece = m_written < static_cast<unsigned long long>(space) ? static_cast<size_t>(space - m_written) : 0;
            full = true;
        }
        DWORD written = 0;
        if (piece > 0 && !::WriteFile(m_file, p, static_cast<DWORD>(piece), &written, nullptr))
            return FailedCallResult();
        m_written += written;
        if (full)
            return HResultFromWin32(ERROR_DISK_FULL);
        if (written != piece)  // a short write without an error: the volume is full
            return HResultFromWin32(ERROR_DISK_FULL);
        p += piece;
        size -= piece;
    }
    return S_OK;
}

HRESULT CReplacingFileWriter::CloseTemporary()
{
    if (!m_file.IsValid())
        return S_OK;
    HRESULT hr = S_OK;
    // Data a full disk cannot take may first fail here or at the close.
    if (!::FlushFileBuffers(m_file))
        hr = FailedCallResult();
    if (!::CloseHandle(m_file.Detach()) && SUCCEEDED(hr))
        hr = FailedCallResult();
    return hr;
}

HRESULT CReplacingFileWriter::WriteTemporary(const std::string& bytes)
{
    HRESULT hr = Open();
    if (SUCCEEDED(hr))
        hr = Write(bytes.data(), bytes.size());
    if (SUCCEEDED(hr) && !::FlushFileBuffers(m_file))
        hr = FailedCallResult();
    return hr;
}

HRESULT CReplacingFileWriter::Commit(DWORD inUseRetryMs)
{
    if (m_temp.empty())
        return E_UNEXPECTED;
    HRESULT hr = CloseTemporary();
    if (FAILED(hr))
        return hr;
    // Another writer's replace of the target stands in the way only for
    // moments: the replace is tried again for a while, a second time at
    // least (however long the first took), before what the system said of
    // the last try is given.
    bool inUse = false;
    const DWORD start = ::GetTickCount();
    for (DWORD pause = 1, tries = 1;; ++tries, pause = std::min<DWORD>(pause * 2, 20)) {
        ++g_replaceTries;
        hr = PutInPlace(inUse);
        const DWORD spent = ::GetTickCount() - start + tries * g_tryTimeForTest;
        if (SUCCEEDED(hr) || !inUse || inUseRetryMs == 0 || (tries > 1 && spent >= inUseRetryMs))
            break;
        ::Sleep(pause);
    }
    if (SUCCEEDED(hr)) {
        m_temp.clear();
        m_claim.Close();
    }
    return hr;
}

HRESULT CReplacingFileWriter::PutInPlace(bool& inUse)
{
    inUse = false;
    // A target that was not there at Open is moved into place without a
    // look first (under Wine a missing name costs a scan of the folder); one
    // made meanwhile refuses the move and is replaced as any other.
    if (!m_targetMayExist) {
        if (MoveFileExW(m_temp.c_str(), m_target.c_str(), MOVEFILE_WRITE_THROUGH))
            return S_OK;
        const HRESULT hr = FailedCallResult();
        if (hr != HResultFromWin32(ERROR_ALREADY_EXISTS) && !Exists(m_target))
            return hr;
        m_targetMayExist = true;
    }
    // A folder at the target's name or a read-only target refuses every try
    // alike; a folder or a read-only file at the backup's name is refused
    // before anything moves, and tried again as a target held would be.
    const DWORD attributes = ::GetFileAttributesW(m_target.c_str());
    const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
    const DWORD barred = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY;
    if (exists && (attributes & barred))
        return HResultFromWin32(ERROR_ACCESS_DENIED);
    const std::wstring backup = BackupPath(m_target), copy = BackupCopyOf(m_temp);
    const bool keepOld = m_keepBackup && exists;
    if (keepOld) {
        const DWORD backupAttributes = ::GetFileAttributesW(backup.c_str());
        inUse = backupAttributes != INVALID_FILE_ATTRIBUTES && (backupAttributes & barred);
        if (inUse)
            return HResultFromWin32(ERROR_ACCESS_DENIED);
        // A copy of the old file, under our tag, goes to the backup's name
        // once the new file stands at the target's. (A second link to it
        // could not be deleted while a reader holds the target without
        // sharing, the very case that refuses the replace.) A file at the
        // copy's name is a killed save's under our claimed tag, and one a
        // failed copy leaves may be cut short.
        if (!CopyFileW(m_target.c_str(), copy.c_str(), FALSE)) {
            const DWORD error = GetLastError();
            ::DeleteFileW(copy.c_str());
            inUse = IsInUseError(error);
            return HResultFromWin32(error);
        }
    }
    // One rename puts the new file in the old one's place: at every instant
    // the name holds the one or the other, whole.
    if (!MoveFileExW(m_temp.c_str(), m_target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        const DWORD error = GetLastError();
        if (keepOld)
            ::DeleteFileW(copy.c_str());
        inUse = IsInUseError(error);
        // Wine refuses any rename over a file held open, with "access denied".
        return HResultFromWin32(inUse && exists ? ERROR_SHARING_VIOLATION : error);
    }
    // A backup refused now (another program holds it) stays the version
    // before: the new file is in place, and the save stands.
    if (keepOld && !MoveFileExW(copy.c_str(), backup.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        ::DeleteFileW(copy.c_str());
    return S_OK;
}

HRESULT WriteFileReplacing(const std::wstring& path, const std::string& bytes, bool keepBackup, DWORD inUseRetryMs)
{
    CFile current;
    if (SUCCEEDED(current.TryOpenRead(path.c_str()))) {
        std::string old;
        if (SUCCEEDED(current.TryReadAllToString(old)) && old == bytes)
            return S_FALSE;
    }
    current.Close();
    CReplacingFileWriter writer(path, keepBackup);
    HRESULT hr = writer.WriteTemporary(bytes);
    if (SUCCEEDED(hr))
        hr = writer.Commit(inUseRetryMs);
    return hr;
}

HRESULT KeepAsideNumbered(const std::wstring& path, const std::wstring& suffix, size_t keep, std::wstring& keptAs)
{
    std::vector<std::pair<unsigned long, std::wstring>> copies = FindNumberedCopies(path, suffix);
    // One past the highest copy whose successor is free: past every copy in
    // the ordinary case, and below a number at the ceiling (a name made by
    // hand, say) rather than at a name that cannot be counted.
    unsigned long next = 1;
    for (auto it = copies.rbegin(); it != copies.rend(); ++it)
        if (it->first < kMaxCopyNumber && (it == copies.rbegin() || std::prev(it)->first != it->first + 1)) {
            next = it->first + 1;
            break;
        }
    keptAs = path + L"." + std::to_wstring(next) + suffix;
    if (!MoveFileExW(path.c_str(), keptAs.c_str(), MOVEFILE_WRITE_THROUGH))
        return FailedCallResult();
    // Only once the new copy is safe do old ones go; the new one stays
    // whatever `keep` says, or the move would have lost the file after all.
    const size_t olderKept = keep > 0 ? keep - 1 : 0;
    for (size_t i = 0; i + olderKept < copies.size(); ++i)
        if (!(GetFileAttributesW(copies[i].second.c_str()) & FILE_ATTRIBUTE_DIRECTORY))
            DeleteFileW(copies[i].second.c_str());
    return S_OK;
}

std::vector<std::wstring> NumberedCopies(const std::wstring& path, const std::wstring& suffix)
{
    std::vector<std::wstring> names;
    for (const auto& copy : FindNumberedCopies(path, suffix))
        names.push_back(copy.second);
    return names;
}

HRESULT WriteOutputFile(const std::wstring& path, const void* data, size_t size)
{
    CReplacingFileWriter writer(path, false);
    HRESULT hr = writer.Open();
    if (SUCCEEDED(hr))
        hr = writer.Write(data, size);
    if (SUCCEEDED(hr))
        hr = writer.Commit();
    return hr;
}

void WriteOutputFileOrThrow(const std::wstring& path, const void* data, size_t size)
{
    CReplacingFileWriter writer(path, false);
    HRESULT hr = writer.Open();
    if (FAILED(hr))
        throw my::CException(IDS_CREATE_FILE_FAILED, hr, path);
    hr = writer.Write(data, size);
    if (SUCCEEDED(hr))
        hr = writer.Commit();
    if (FAILED(hr))
        throw my::CException(IDS_WRITE_FILE_FAILED, hr, path);
}
