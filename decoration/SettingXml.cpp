#include "decoration/SettingXml.h"
#include "decoration/SettingLimits.h"
#include "decoration/XmlForm.h"
#include "foundation/File.h"
#include "foundation/ReplacingFileWriter.h"
#include "foundation/GlobalMemory.h"
#include "resources/strings_decoration.h"
#include "resources/strings_foundation_io.h"


namespace {

typedef CXmlDocument::CNode CNode;

const wchar_t kSettingsRoot[] = L"Settings";
const wchar_t kClipboardRoot[] = L"BorderingSettings";

std::wstring MakeTemplate(const wchar_t* root)
{
    return std::wstring(L"<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<") + root +
           L" xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\""
           L" xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\">\r\n</" + root + L">\r\n";
}

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

} // namespace

// ---------------------------------------------------------------- writing

bool CSettingXmlWriter::Build(const CSetting& s)
{
    CNode root;
    CXmlForm form(*this);
    form.text.filePath = FilePath;
    form.parts = Flags;
    form.where.push_back(kSettingsRoot);
    return Create(MakeTemplate(kSettingsRoot)) && SelectSingleNode(kSettingsRoot, root) &&
           AppendVersionElement(root, L"Version", kSettingsVersion) && WriteXml(form, root, s);
}

bool CSettingXmlWriter::GetBytes(std::string& bytes)
{
    // Saved into a stream of our own so that the exact length is known (a
    // global block may be larger than what was written into it).
    CComPtr<IStream> stream;
    HRESULT hr = CreateStreamOnHGlobal(nullptr, TRUE, &stream);
    if (FAILED(hr)) {
        m_err.SetWithCode(IDS_OPEN_MEMORY_STREAM_FAILED, hr);
        return false;
    }
    if (!SaveStream(stream))
        return false;
    STATSTG stat = {};
    HGLOBAL block = nullptr;
    hr = stream->Stat(&stat, STATFLAG_NONAME);
    if (SUCCEEDED(hr))
        hr = GetHGlobalFromStream(stream, &block);
    if (FAILED(hr) || stat.cbSize.QuadPart > 0x7FFFFFFF) {
        m_err.SetWithCode(IDS_XML_SAVE_FAILED, FAILED(hr) ? hr : E_OUTOFMEMORY);
        return false;
    }
    void* p = nullptr;
    CGlobalLocker lock(p, block);
    if (!p && stat.cbSize.QuadPart > 0) {
        m_err.SetWithCode(IDS_XML_SAVE_FAILED, FailedCallResult());
        return false;
    }
    bytes.assign(static_cast<const char*>(p), static_cast<size_t>(stat.cbSize.QuadPart));
    return true;
}

bool CSettingXmlWriter::Write(const CSetting& setting, const std::wstring& path)
{
    FilePath = path;
    std::string bytes;
    if (!Build(setting) || !GetBytes(bytes))
        return false;
    const HRESULT hr = WriteFileReplacing(path, bytes, KeepBackup, InUseRetryMs);
    if (FAILED(hr)) {
        // The replace then fails as access denied on the settings file
        // itself; what is in the way is the folder.
        const std::wstring backup = CReplacingFileWriter::BackupPath(path);
        const DWORD backupAttributes = GetFileAttributesW(backup.c_str());
        if (KeepBackup && backupAttributes != INVALID_FILE_ATTRIBUTES && (backupAttributes & FILE_ATTRIBUTE_DIRECTORY))
            m_err.Set(IDS_SETTING_BACKUP_IS_FOLDER, path, backup);
        else
            m_err.SetWithCode(IDS_XML_FILE_SAVE_FAILED, hr, path);
        return false;
    }
    return true;
}

HGLOBAL CSettingXmlWriter::WriteBorderingSettings(const CBorderingSetting& bordering)
{
    // A fragment belongs to no file: its texture path stays as it is.
    CNode root, element;
    CXmlForm form(*this);
    form.where = {kClipboardRoot, L"Bordering"};
    if (!Create(MakeTemplate(kClipboardRoot)) || !SelectSingleNode(kClipboardRoot, root) ||
        !AppendVersionElement(root, L"Version", kSettingsVersion) ||
        !CreateElement(L"Bordering", std::wstring(), element) || !WriteXml(form, element, bordering) ||
        !AppendChild(root, element))
        return nullptr;
    return SaveGlobalMemory();
}

// ---------------------------------------------------------------- reading

namespace {

bool ReadVersionOf(CXmlForm& form, const CXmlDocument::CChildIndex& children, DWORD& version)
{
    CNode e;
    return form.doc.SelectIndexed(children, L"Version", e) && form.ReadValue(e, L"Version", [&](const std::wstring& text) {
        return ParseVersionDword(version, text) ? 0u : UINT(IDS_XML_PARSE_VERSION_FAILED);
    });
}

} // namespace

CSettingXmlReader::CSettingXmlReader() { SetSizeLimit(limits::kMaxDocumentBytes); }

bool CSettingXmlReader::ReadDocument(CXmlForm& form, CSetting& s)
{
    CNode root;
    CXmlDocument::CChildIndex children;
    children.Want(L"Version");
    if (!SelectSingleNode(kSettingsRoot, root) || !IndexFields(*this, root, s, children))
        return false;
    form.where.push_back(kSettingsRoot);
    if (children.Find(L"Version") && !ReadVersionOf(form, children, FileVersion))
        return false;
    form.version = FileVersion;
    return ReadIndexed(form, children, s);
}

bool CSettingXmlReader::Read(CSetting& target, const std::wstring& path)
{
    FilePath = path;
    FileVersion = kVersionUnstated;
    // A load failure names the file already.
    if (!LoadFile(path))
        return false;
    CXmlForm form(*this);
    form.text.filePath = FilePath;
    const bool ok = ReadDocument(form, target);
    if (!ok)
        form.NameSource();
    // Whatever was read, also before a failure, is brought into range.
    ClampFields(target);
    return ok;
}

bool CSettingXmlReader::ReadBorderingSettings(CBorderingSetting& target, HGLOBAL block)
{
    FilePath.clear();
    FileVersion = kVersionUnstated;
    CXmlForm form(*this);
    CNode root, node;
    CXmlDocument::CChildIndex children;
    children.Want(L"Version");
    children.Want(L"Bordering");
    form.where.push_back(kClipboardRoot);
    if (!LoadGlobalMemory(block) || !SelectSingleNode(kClipboardRoot, root) || !IndexChildren(root, children) ||
        !ReadVersionOf(form, children, FileVersion) || !SelectIndexed(children, L"Bordering", node)) {
        form.NameSource();
        return false;
    }
    form.version = FileVersion;
    form.where.push_back(L"Bordering");
    const bool ok = ReadXml(form, node, target);
    if (!ok)
        form.NameSource();
    ClampFields(target);
    return ok;
}

bool CSettingXmlReader::ReadBorderingSettingsBytes(CBorderingSetting& target, const std::string& bytes)
{
    CGlobalMemory block;
    void* p = nullptr;
    // A block cannot be empty: an empty text becomes one zero byte, which
    // fails to parse as it should.
    if (!block.Alloc(bytes.empty() ? 1 : bytes.size())) {
        m_err.SetWithCode(IDS_OPEN_MEMORY_STREAM_FAILED, E_OUTOFMEMORY);
        return false;
    }
    {
        CGlobalLocker lock(p, block);
        if (!p) {
            m_err.SetWithCode(IDS_OPEN_MEMORY_STREAM_FAILED, FailedCallResult());
            return false;
        }
        if (bytes.empty())
            *static_cast<char*>(p) = 0;
        else
            memcpy(p, bytes.data(), bytes.size());
    }
    return ReadBorderingSettings(target, block);
}

// ---------------------------------------------------------------- settings file

namespace {

// Whether a file that exists can be opened for reading; a failure to open is
// no sign of damage (another program may hold the file).
HRESULT TryOpenForReading(const std::wstring& path)
{
    CFile file;
    const HRESULT hr = file.TryOpenRead(path.c_str());
    return hr == HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND) || hr == HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND) ? S_OK : hr;
}

} // namespace

CSettingsFileLoader::Result CSettingsFileLoader::Unopened(const std::wstring& path, HRESULT code)
{
    m_unopened = path;
    m_errorPath = path;
    m_error.SetWithCode(IDS_XML_LOAD_FAILED, code, path);
    return m_result = UNOPENED;
}

bool CSettingsFileLoader::ReadWhole(CSetting& target, const std::wstring& path)
{
    // Into a copy: a file that fails half way must not leave half of it.
    CSetting copy(target);
    CSettingXmlReader reader;
    if (!reader.Read(copy, path)) {
        m_lastError = reader.m_err;
        return false;
    }
    target = copy;
    m_version = reader.FileVersion;
    return true;
}

CSettingsFileLoader::Result CSettingsFileLoader::Load(CSetting& target, const std::wstring& path)
{
    m_error = CSimpleErr();
    m_errorPath.clear();
    m_unopened.clear();
    m_kept.clear();
    m_backupDamaged = false;
    m_version = 0;
    const std::wstring backup = CReplacingFileWriter::BackupPath(path);
    const bool haveFile = Exists(path);
    const bool haveBackup = Exists(backup);
    if (!haveFile && !haveBackup)
        return m_result = MISSING;
    HRESULT hr = haveFile ? TryOpenForReading(path) : S_OK;
    if (FAILED(hr))
        return Unopened(path, hr);
    if (haveFile && ReadWhole(target, path))
        return m_result = LOADED;
    m_errorPath = path;
    if (haveFile)
        m_error = m_lastError;
    else
        m_error.SetWithCode(IDS_XML_LOAD_FAILED, HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND), path);
    if (haveBackup) {
        // A backup that cannot be opened now may hold the only good copy:
        // nothing is decided (and nothing written) before it was read.
        hr = TryOpenForReading(backup);
        if (FAILED(hr))
            return Unopened(backup, hr);
        if (ReadWhole(target, backup))
            return m_result = FROM_BACKUP;
        m_backupDamaged = true;
        if (!haveFile) {
            // The backup is all there is: its own reason is the one to tell.
            m_error = m_lastError;
            m_errorPath = backup;
        }
    }
    return m_result = UNREADABLE;
}

bool CSettingsFileLoader::KeepAside(const std::wstring& path)
{
    if (!Exists(path))
        return true;
    std::wstring keptAs;
    const HRESULT hr = KeepAsideNumbered(path, L".broken", kKeptDamagedCopies, keptAs);
    if (FAILED(hr)) {
        m_keepError.SetWithCode(IDS_MOVE_FILE_FAILED, hr, path, keptAs);
        return false;
    }
    m_kept.push_back(keptAs);
    return true;
}

bool CSettingsFileLoader::AcceptFallback(const std::wstring& path)
{
    m_keepError = CSimpleErr();
    m_restoreError = CSimpleErr();
    if (m_result != FROM_BACKUP && m_result != UNREADABLE)
        return true;
    const std::wstring backup = CReplacingFileWriter::BackupPath(path);
    // A damaged backup left in place would be written over by the next save.
    if (!KeepAside(path) || (m_backupDamaged && !KeepAside(backup)))
        return false;
    if (m_result == FROM_BACKUP) {
        std::string bytes;
        CFile file;
        HRESULT hr = file.TryOpenRead(backup.c_str());
        if (SUCCEEDED(hr))
            hr = file.TryReadAllToString(bytes);
        if (SUCCEEDED(hr))
            hr = WriteFileReplacing(path, bytes, false);
        if (FAILED(hr))
            m_restoreError.SetWithCode(IDS_COPY_FILE_FAILED, hr, backup, path);
    }
    return true;
}
