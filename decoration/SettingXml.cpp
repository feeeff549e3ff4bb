#include "decoration/SettingXml.h"
#include "foundation/ReplacingFileWriter.h"
#include "decoration/SettingLimits.h"
#include "decoration/SettingNames.h"
#include "decoration/SettingXmlAccess.h"
#include "foundation/File.h"
#include "foundation/GlobalMemory.h"
#include "resources/strings_foundation_io.h"

using sxml::CNode;

namespace {

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

bool CSettingXmlWriter::AppendFont(IXMLDOMNode* parent, const CFontSetting& f)
{
    CNode e;
    return sxml::Begin(*this, parent, L"FontSetting", e) && sxml::WriteInt(*this, e, L"CharSet", static_cast<int>(f.CharSet)) &&
           sxml::WriteText(*this, e, L"FontFace", f.FontFace) && sxml::WriteInt(*this, e, L"Escapement", f.Escapement) &&
           sxml::WriteInt(*this, e, L"Orientation", f.Orientation) && sxml::WriteInt(*this, e, L"Weight", f.Weight) &&
           sxml::WriteBool(*this, e, L"Italic", f.Italic) && sxml::WriteBool(*this, e, L"Underline", f.Underline) &&
           sxml::WriteBool(*this, e, L"StrikeOut", f.StrikeOut) && sxml::WriteInt(*this, e, L"Size", f.Size, 1) &&
           sxml::WriteColor(*this, e, L"Color", f.Color) && sxml::WriteInt(*this, e, L"Alpha", f.Alpha) &&
           sxml::WriteInt(*this, e, L"CharWidth", f.CharWidth) && sxml::WriteInt(*this, e, L"LineWidth", f.LineWidth) &&
           sxml::WriteInt(*this, e, L"LeadingWidth", f.LeadingWidth) && sxml::End(*this, parent, e);
}

bool CSettingXmlWriter::AppendPaint(IXMLDOMNode* parent, const wchar_t* name, const CPaintSetting& p)
{
    CNode e, g, t;
    if (!sxml::Begin(*this, parent, name, e) || !sxml::WriteEnum(*this, e, L"Type", PaintTypeNames(), p.Type) ||
        !sxml::WriteColor(*this, e, L"Color", p.Color))
        return false;

    const CLinearGradation& lg = p.LinearGradation;
    if (!sxml::Begin(*this, e, L"LinearGradation", g) || !sxml::WriteInt(*this, g, L"Angle", static_cast<int>(lg.Angle)) ||
        !sxml::WriteEnum(*this, g, L"Unit", TextUnitNames(), lg.Unit) || !sxml::WriteBool(*this, g, L"Entire", lg.Entire != 0))
        return false;
    for (const CColorPosSetting& stop : lg.Stops) {
        CNode s;
        if (!sxml::Begin(*this, g, L"ColorPosSetting", s) || !sxml::WriteBool(*this, s, L"Use", stop.Use != 0) ||
            !sxml::WriteColor(*this, s, L"Color", stop.Color) || !sxml::WriteDouble(*this, s, L"Pos", stop.Pos) ||
            !sxml::End(*this, g, s))
            return false;
    }
    if (!sxml::End(*this, e, g))
        return false;

    const CTextureSetting& tx = p.Texture;
    if (!sxml::Begin(*this, e, L"Texture", t))
        return false;
    // Paths inside the file's folder are stored relative to it; a fragment
    // that belongs to no file keeps them as they are.
    const bool pathOk = FilePath.empty() ? sxml::WriteText(*this, t, L"Path", tx.Path)
                                         : sxml::WritePath(*this, t, L"Path", tx.Path, FilePath);
    return pathOk && sxml::WriteEnum(*this, t, L"Type", ImageFitTypeNames(), tx.Type) &&
           sxml::WriteEnum(*this, t, L"Unit", TextUnitNames(), tx.Unit) && sxml::WriteDouble(*this, t, L"RateX", tx.RateX) &&
           sxml::WriteDouble(*this, t, L"RateY", tx.RateY) && sxml::WriteBool(*this, t, L"SameRate", tx.SameRate) &&
           sxml::WriteBool(*this, t, L"Entire", tx.Entire) && sxml::WriteBool(*this, t, L"Flip", tx.Flip) &&
           sxml::WriteInt(*this, t, L"OffsetX", tx.OffsetX) && sxml::WriteInt(*this, t, L"OffsetY", tx.OffsetY) &&
           sxml::End(*this, e, t) && sxml::End(*this, parent, e);
}

bool CSettingXmlWriter::AppendBordering(IXMLDOMNode* parent, const wchar_t* name, const CBorderingSetting& b)
{
    CNode e;
    // Size is written in tenths with one decimal; Blur and Distance as the
    // plain number of tenths (older files were written that way).
    return sxml::Begin(*this, parent, name, e) && sxml::WriteInt(*this, e, L"Size", b.Size, 1) &&
           sxml::WriteInt(*this, e, L"Alpha", b.Alpha) && sxml::WriteInt(*this, e, L"Blur", b.Blur) &&
           sxml::WriteInt(*this, e, L"Angle", b.Angle) && sxml::WriteInt(*this, e, L"Distance", b.Distance) &&
           AppendPaint(e, L"PaintSetting", b.Paint) && sxml::End(*this, parent, e);
}

bool CSettingXmlWriter::Build(const CSetting& s)
{
    CNode root;
    if (!Create(MakeTemplate(kSettingsRoot)) || !SelectSingleNode(kSettingsRoot, root))
        return false;
    if (!sxml::WriteVersion(*this, root, L"Version", kSettingsVersion))
        return false;
    if ((Flags & WRITE_CONFIG_PATH) && !sxml::WriteText(*this, root, L"ConfigPath", s.ConfigPath))
        return false;
    if ((Flags & WRITE_WINDOW_LAYOUT) && !SaveWindowLayoutXml(*this, root, L"WindowLayout", s.WindowLayout))
        return false;
    if (!AppendFont(root, s.FontSetting) || !AppendPaint(root, L"PaintSetting", s.PaintSetting))
        return false;

    CNode use;
    if (!sxml::Begin(*this, root, L"UseBorderings", use))
        return false;
    for (BYTE on : s.UseBorderings)
        if (!sxml::WriteBool(*this, use, L"bool", on != 0))
            return false;
    CNode rows;
    if (!sxml::End(*this, root, use) || !sxml::Begin(*this, root, L"Borderings", rows))
        return false;
    for (const CBorderingSetting& b : s.Borderings)
        if (!AppendBordering(rows, L"BorderingSetting", b))
            return false;
    if (!sxml::End(*this, root, rows))
        return false;

    CNode format;
    if (!sxml::WriteEnum(*this, root, L"Unit", TextUnitNames(), s.Unit) ||
        !sxml::WriteEnum(*this, root, L"FnameType", FnameTypeNames(), s.FnameType) ||
        !sxml::WriteInt(*this, root, L"FnameSeqWidth", s.FnameSeqWidth) || !sxml::Begin(*this, root, L"SaveFormat", format) ||
        !sxml::WriteEnum(*this, format, L"Type", OutputTypeNames(), s.SaveFormat.Type) ||
        !sxml::WriteInt(*this, format, L"JpegQuality", s.SaveFormat.JpegQuality) || !sxml::End(*this, root, format) ||
        !sxml::WriteColor(*this, root, L"BkColor", s.BkColor) || !sxml::WriteBool(*this, root, L"Transparent", s.Transparent) ||
        !sxml::WriteBool(*this, root, L"SingleFile", s.SingleFile) ||
        !sxml::WriteFlags(*this, root, L"TrimType", TrimTypeFlags(), s.TrimType))
        return false;
    if ((Flags & WRITE_FOLDER_PATH) && !sxml::WriteText(*this, root, L"FolderPath", s.FolderPath))
        return false;
    if ((Flags & WRITE_FONT_LIST_DLG) && !WriteFontListDlgSetting(*this, root, L"FontListDlg", s.FontListDlg))
        return false;
    return true;
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
    const HRESULT hr = WriteFileReplacing(path, bytes, KeepBackup);
    if (FAILED(hr)) {
        m_err.SetWithCode(IDS_XML_FILE_SAVE_FAILED, hr, path);
        return false;
    }
    return true;
}

HGLOBAL CSettingXmlWriter::WriteBorderingSettings(const CBorderingSetting& bordering)
{
    CNode root;
    if (!Create(MakeTemplate(kClipboardRoot)) || !SelectSingleNode(kClipboardRoot, root) ||
        !sxml::WriteVersion(*this, root, L"Version", kSettingsVersion) || !AppendBordering(root, L"Bordering", bordering))
        return nullptr;
    return SaveGlobalMemory();
}

// ---------------------------------------------------------------- reading

bool CSettingXmlReader::ReadFont(IXMLDOMNode* parent, CFontSetting& f)
{
    CNode e;
    int charSet = 0;
    if (!sxml::Select(*this, parent, L"FontSetting", e) || !sxml::ReadInt(*this, e, L"CharSet", charSet))
        return false;
    f.CharSet = static_cast<UINT32>(charSet);
    if (!sxml::ReadText(*this, e, L"FontFace", f.FontFace) || !sxml::ReadInt(*this, e, L"Escapement", f.Escapement) ||
        !sxml::ReadInt(*this, e, L"Orientation", f.Orientation) || !sxml::ReadInt(*this, e, L"Weight", f.Weight) ||
        !sxml::ReadBool(*this, e, L"Italic", f.Italic) || !sxml::ReadBool(*this, e, L"Underline", f.Underline) ||
        !sxml::ReadBool(*this, e, L"StrikeOut", f.StrikeOut) || !sxml::ReadInt(*this, e, L"Size", f.Size, 1) ||
        !sxml::ReadColor(*this, e, L"Color", f.Color) || !sxml::ReadInt(*this, e, L"Alpha", f.Alpha) ||
        !sxml::ReadInt(*this, e, L"CharWidth", f.CharWidth) || !sxml::ReadInt(*this, e, L"LineWidth", f.LineWidth))
        return false;
    if (FileVersion >= kVersionWithLeading && !sxml::ReadInt(*this, e, L"LeadingWidth", f.LeadingWidth))
        return false;
    return true;
}

bool CSettingXmlReader::ReadPaint(IXMLDOMNode* parent, const wchar_t* name, CPaintSetting& p)
{
    CNode e, g, t;
    if (!sxml::Select(*this, parent, name, e) || !sxml::ReadEnum(*this, e, L"Type", PaintTypeNames(), p.Type) ||
        !sxml::ReadColor(*this, e, L"Color", p.Color))
        return false;

    CLinearGradation& lg = p.LinearGradation;
    bool entire = false;
    if (!sxml::Select(*this, e, L"LinearGradation", g) || !sxml::ReadUInt(*this, g, L"Angle", lg.Angle) ||
        !sxml::ReadEnum(*this, g, L"Unit", TextUnitNames(), lg.Unit) || !sxml::ReadBool(*this, g, L"Entire", entire))
        return false;
    lg.Entire = entire ? TRUE : FALSE;
    // As many stops as the record holds, not as the file holds.
    for (size_t i = 0; i < lg.Stops.size(); ++i) {
        CNode s;
        bool use = false;
        CColorPosSetting& stop = lg.Stops[i];
        if (!sxml::SelectAt(*this, g, L"ColorPosSetting", i, s) || !sxml::ReadBool(*this, s, L"Use", use) ||
            !sxml::ReadColor(*this, s, L"Color", stop.Color) || !sxml::ReadDouble(*this, s, L"Pos", stop.Pos))
            return false;
        stop.Use = use ? TRUE : FALSE;
    }

    CTextureSetting& tx = p.Texture;
    if (!sxml::Select(*this, e, L"Texture", t))
        return false;
    const bool pathOk = FilePath.empty() ? sxml::ReadText(*this, t, L"Path", tx.Path)
                                         : sxml::ReadPath(*this, t, L"Path", tx.Path, FilePath);
    return pathOk && sxml::ReadEnum(*this, t, L"Type", ImageFitTypeNames(), tx.Type) &&
           sxml::ReadEnum(*this, t, L"Unit", TextUnitNames(), tx.Unit) && sxml::ReadDouble(*this, t, L"RateX", tx.RateX) &&
           sxml::ReadDouble(*this, t, L"RateY", tx.RateY) && sxml::ReadBool(*this, t, L"SameRate", tx.SameRate) &&
           sxml::ReadBool(*this, t, L"Entire", tx.Entire) && sxml::ReadBool(*this, t, L"Flip", tx.Flip) &&
           sxml::ReadInt(*this, t, L"OffsetX", tx.OffsetX) && sxml::ReadInt(*this, t, L"OffsetY", tx.OffsetY);
}

bool CSettingXmlReader::ReadBordering(IXMLDOMNode* e, CBorderingSetting& b)
{
    if (!sxml::ReadInt(*this, e, L"Size", b.Size, 1) || !sxml::ReadInt(*this, e, L"Alpha", b.Alpha) ||
        !sxml::ReadInt(*this, e, L"Blur", b.Blur) || !sxml::ReadInt(*this, e, L"Angle", b.Angle) ||
        !sxml::ReadInt(*this, e, L"Distance", b.Distance))
        return false;
    if (FileVersion < kVersionWithPaint) {
        // Before paint records a decoration had only a colour.
        COLORREF color = 0;
        if (!sxml::ReadColor(*this, e, L"Color", color))
            return false;
        b.Paint = CPaintSetting();
        b.Paint.Color = color;
        return true;
    }
    return ReadPaint(e, L"PaintSetting", b.Paint);
}

bool CSettingXmlReader::ReadDocument(CSetting& s)
{
    CNode root;
    if (!SelectSingleNode(kSettingsRoot, root))
        return false;
    if (sxml::Has(*this, root, L"Version") && !sxml::ReadVersion(*this, root, L"Version", FileVersion))
        return false;
    if (sxml::Has(*this, root, L"ConfigPath") && !sxml::ReadText(*this, root, L"ConfigPath", s.ConfigPath))
        return false;
    if (sxml::Has(*this, root, L"WindowLayout") && !LoadWindowLayoutXml(*this, root, L"WindowLayout", s.WindowLayout))
        return false;
    if (!ReadFont(root, s.FontSetting))
        return false;
    if (FileVersion < kVersionWithPaint) {
        s.PaintSetting = CPaintSetting();
        s.PaintSetting.Color = s.FontSetting.Color;
    } else if (!ReadPaint(root, L"PaintSetting", s.PaintSetting)) {
        return false;
    }

    CNode use;
    if (!sxml::Select(*this, root, L"UseBorderings", use))
        return false;
    for (size_t i = 0; i < s.UseBorderings.size(); ++i) {
        CNode n;
        bool on = false;
        if (!sxml::SelectAt(*this, use, L"bool", i, n) || !sxml::ReadBool(*this, n, std::wstring(), on))
            return false;
        s.UseBorderings[i] = on ? TRUE : FALSE;
    }
    CNode rows;
    if (!sxml::Select(*this, root, L"Borderings", rows))
        return false;
    for (size_t i = 0; i < s.Borderings.size(); ++i) {
        CNode n;
        if (!sxml::SelectAt(*this, rows, L"BorderingSetting", i, n) || !ReadBordering(n, s.Borderings[i]))
            return false;
    }

    CNode format;
    if (!sxml::ReadEnum(*this, root, L"Unit", TextUnitNames(), s.Unit) ||
        !sxml::ReadEnum(*this, root, L"FnameType", FnameTypeNames(), s.FnameType) ||
        !sxml::ReadInt(*this, root, L"FnameSeqWidth", s.FnameSeqWidth) || !sxml::Select(*this, root, L"SaveFormat", format) ||
        !sxml::ReadEnum(*this, format, L"Type", OutputTypeNames(), s.SaveFormat.Type) ||
        !sxml::ReadInt(*this, format, L"JpegQuality", s.SaveFormat.JpegQuality) ||
        !sxml::ReadColor(*this, root, L"BkColor", s.BkColor) || !sxml::ReadBool(*this, root, L"Transparent", s.Transparent))
        return false;
    if (sxml::Has(*this, root, L"SingleFile") && !sxml::ReadBool(*this, root, L"SingleFile", s.SingleFile))
        return false;
    if (!sxml::ReadFlags(*this, root, L"TrimType", TrimTypeFlags(), s.TrimType))
        return false;
    if (sxml::Has(*this, root, L"FolderPath") && !sxml::ReadText(*this, root, L"FolderPath", s.FolderPath))
        return false;
    if (sxml::Has(*this, root, L"FontListDlg") && !ReadFontListDlgSetting(*this, root, L"FontListDlg", s.FontListDlg))
        return false;
    return true;
}

bool CSettingXmlReader::Read(CSetting& target, const std::wstring& path)
{
    FilePath = path;
    FileVersion = 0x01000000;
    if (!LoadFile(path))
        return false;
    const bool ok = ReadDocument(target);
    // Whatever was read, also before a failure, is brought into range.
    NormalizeSetting(target);
    return ok;
}

bool CSettingXmlReader::ReadBorderingSettings(CBorderingSetting& target, HGLOBAL block)
{
    FilePath.clear();
    FileVersion = 0x01000000;
    CNode root, node;
    if (!LoadGlobalMemory(block) || !SelectSingleNode(kClipboardRoot, root) ||
        !sxml::ReadVersion(*this, root, L"Version", FileVersion) || !sxml::Select(*this, root, L"Bordering", node))
        return false;
    const bool ok = ReadBordering(node, target);
    NormalizePaintEnums(target.Paint);
    ClampBordering(target);
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
    m_error.SetWithCode(IDS_XML_LOAD_FAILED, code, path);
    return m_result = UNOPENED;
}

CSettingsFileLoader::Result CSettingsFileLoader::Load(CSetting& target, const std::wstring& path)
{
    m_error = CSimpleErr();
    m_unopened.clear();
    m_version = 0;
    const std::wstring backup = CReplacingFileWriter::BackupPath(path);
    const bool haveFile = Exists(path);
    const bool haveBackup = Exists(backup);
    if (!haveFile && !haveBackup)
        return m_result = MISSING;
    HRESULT hr = haveFile ? TryOpenForReading(path) : S_OK;
    if (FAILED(hr))
        return Unopened(path, hr);
    if (haveFile) {
        // Into a copy: a file that fails half way must not leave half of it.
        CSetting copy(target);
        CSettingXmlReader reader;
        if (reader.Read(copy, path)) {
            target = copy;
            m_version = reader.FileVersion;
            return m_result = LOADED;
        }
        m_error = reader.m_err;
    } else {
        m_error.SetWithCode(IDS_XML_LOAD_FAILED, HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND), path);
    }
    if (haveBackup) {
        // A backup that cannot be opened now may hold the only good copy:
        // nothing is decided (and nothing written) before it was read.
        hr = TryOpenForReading(backup);
        if (FAILED(hr))
            return Unopened(backup, hr);
        CSetting copy(target);
        CSettingXmlReader reader;
        if (reader.Read(copy, backup)) {
            target = copy;
            m_version = reader.FileVersion;
            return m_result = FROM_BACKUP;
        }
    }
    return m_result = UNREADABLE;
}

HRESULT CSettingsFileLoader::AcceptFallback(const std::wstring& path)
{
    if (m_result != FROM_BACKUP && m_result != UNREADABLE)
        return S_FALSE;
    if (Exists(path) &&
        !MoveFileExW(path.c_str(), (path + L".broken").c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return FailedCallResult();
    if (m_result == FROM_BACKUP) {
        std::string bytes;
        CFile file;
        HRESULT hr = file.TryOpenRead(CReplacingFileWriter::BackupPath(path).c_str());
        if (SUCCEEDED(hr))
            hr = file.TryReadAllToString(bytes);
        if (FAILED(hr))
            return hr;
        return WriteFileReplacing(path, bytes, false);
    }
    return S_OK;
}
