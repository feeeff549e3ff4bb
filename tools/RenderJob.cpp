#include "tools/RenderJob.h"
#include "decoration/KanteloTask.h"
#include "decoration/MultiPageRenderer.h"
#include "decoration/OutputUnits.h"
#include "decoration/SettingXml.h"
#include "decoration/VectorKanteloTask.h"
#include "foundation/File.h"
#include "foundation/PathUtil.h"
#include "foundation/ResourceString.h"
#include "foundation/StringUtil.h"
#include "foundation/TextDecode.h"
#include "platform/GdiPlus.h"
#include <ole2.h>
#include <shlobj.h>

CToolRuntime::CToolRuntime()
{
    SetResourceInstance(::GetModuleHandleW(nullptr));
    m_ole = SUCCEEDED(::OleInitialize(nullptr));
    Gdiplus::GdiplusStartupInput input;
    if (Gdiplus::GdiplusStartup(&m_gdiplusToken, &input, nullptr) != Gdiplus::Ok)
        m_gdiplusToken = 0;
}

CToolRuntime::~CToolRuntime()
{
    if (m_gdiplusToken)
        Gdiplus::GdiplusShutdown(m_gdiplusToken);
    if (m_ole)
        ::OleUninitialize();
}

bool LoadSettingsFile(CSetting& setting, const std::wstring& path, std::wstring& error)
{
    CSettingXmlReader reader;
    if (reader.Read(setting, path))
        return true;
    error = reader.GetError().message;
    return false;
}

bool ReadUtf8TextFile(std::wstring& text, const std::wstring& path, std::wstring& error)
{
    CFile file;
    std::string bytes;
    HRESULT hr = file.TryOpenRead(path.c_str());
    if (SUCCEEDED(hr))
        hr = file.TryReadAllToString(bytes);
    if (FAILED(hr)) {
        error = CSimpleErr::Format(53881, FormatSystemMessage(hr), path);
        return false;
    }
    if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0)
        bytes.erase(0, 3);
    if (!IsValidUtf8(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size())) {
        error = CSimpleErr::Format(53752, path);
        return false;
    }
    std::wstring wide;
    MultiByteToWideString(CP_UTF8, 0, bytes, wide);
    text = NormaliseLineEndsToLf(wide);
    return true;
}

namespace {

bool RunTasks(const CSetting& setting, const std::wstring& text, const std::wstring& folder,
              std::vector<std::wstring>& files, std::wstring& error)
{
    std::vector<std::wstring> units = SplitTextIntoUnits(text, setting.Unit);
    if (units.empty()) {
        error = CSimpleErr::Format(1001);
        return false;
    }
    std::wstring full;
    if (!GetFullPath(full, folder))
        full = folder;
    int rc = ::SHCreateDirectoryExW(nullptr, full.c_str(), nullptr);
    if (rc != ERROR_SUCCESS && rc != ERROR_ALREADY_EXISTS && rc != ERROR_FILE_EXISTS) {
        error = L"Cannot create the folder " + full + L": " + FormatSystemMessage(HResultFromWin32(rc));
        return false;
    }
    boost::shared_ptr<CSetting> snapshot(new CSetting(setting));
    snapshot->FolderPath = full;
    const int bearing = CalcMinLineHeadBearing(units, *snapshot);
    boost::shared_ptr<Gdiplus::CImageSaver> saver = snapshot->SaveFormat.CreateImageSaver();
    COutputNameCounts used;
    boost::shared_ptr<CMultiPageRenderer> pages;
    boost::shared_ptr<CVectorRenderer> document;
    std::wstring documentPath;
    if (snapshot->IsSingleOutputFile()) {
        documentPath = PathJoined(full, MakeOutputFileName(used, 1, units[0], *snapshot));
        used.clear();
        document = snapshot->SaveFormat.CreateRenderer();
        pages.reset(new CMultiPageRenderer);
        pages->SetRenderer(document);
        document->BeginDocument(documentPath);
    }
    for (size_t i = 0; i < units.size(); ++i) {
        const std::wstring path = PathJoined(full, MakeOutputFileName(used, static_cast<int>(i) + 1, units[i], *snapshot));
        boost::shared_ptr<CKanteloTask> task;
        if (pages || snapshot->SaveFormat.IsVector()) {
            boost::shared_ptr<CVectorKanteloTask> vector(new CVectorKanteloTask);
            vector->SetRenderer(pages ? boost::shared_ptr<CVectorRenderer>(pages) : snapshot->SaveFormat.CreateRenderer());
            task = vector;
        } else {
            task.reset(new CKanteloTask);
        }
        task->Init(nullptr);
        task->No = static_cast<int>(i);
        task->SetLineHeadBearing(bearing);
        task->SetSetting(snapshot);
        task->Text = units[i];
        task->Path = path;
        task->m_saver = saver;
        task->Execute();
        if (task->HasError()) {
            error = task->Err.message;
            return false;
        }
        if (!pages)
            files.push_back(path);
    }
    if (pages) {
        document->EndDocument();
        files.push_back(documentPath);
    }
    return true;
}

} // namespace

bool RunSaveJob(const CSetting& setting, const std::wstring& text, const std::wstring& folder,
                std::vector<std::wstring>& files, std::wstring& error)
{
    try {
        return RunTasks(setting, text, folder, files, error);
    } catch (const my::CException& e) {
        error = e.message;
    } catch (const std::exception& e) {
        error = CSimpleErr::Format(53602, WidenWhat(e.what()));
    } catch (...) {
        error = CSimpleErr::Format(53604);
    }
    return false;
}

void WriteLine(DWORD stdHandle, const std::wstring& line)
{
    HANDLE h = ::GetStdHandle(stdHandle);
    if (h == nullptr || h == INVALID_HANDLE_VALUE)
        return;
    std::wstring text = line + L"\n";
    DWORD written = 0;
    if (::GetFileType(h) == FILE_TYPE_CHAR &&
        ::WriteConsoleW(h, text.c_str(), static_cast<DWORD>(text.size()), &written, nullptr))
        return;
    int n = ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<size_t>(n > 0 ? n : 0), '\0');
    if (n > 0)
        ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &bytes[0], n, nullptr, nullptr);
    ::WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}
