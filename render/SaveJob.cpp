#include "render/SaveJob.h"
#include "render/SaveFormatFactory.h"
#include "render/KanteloTask.h"
#include "render/MultiPageRenderer.h"
#include "render/OutputUnits.h"
#include "render/VectorKanteloTask.h"
#include "foundation/PathUtil.h"
#include "foundation/ResourceString.h"
#include "foundation/StringUtil.h"
#include "resources/strings_engine.h"
#include "resources/strings_foundation.h"
#include "resources/strings_foundation_io.h"
#include <shlobj.h>

namespace {

// A file the job reports must be there: a name the file system bent or a
// writer that failed silently would otherwise pass for a written file.
void CheckWritten(const std::wstring& path)
{
    if (::GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES)
        throw my::CException(IDS_WRITE_FILE_FAILED, HResultFromWin32(ERROR_FILE_NOT_FOUND), path);
}

bool RunTasks(const CSetting& setting, const std::wstring& text, const std::wstring& folder,
              std::vector<std::wstring>& files, std::wstring& error, boost::shared_ptr<CDib>* firstImage)
{
    std::vector<std::wstring> units = SplitTextIntoUnits(text, setting.Unit);
    if (units.empty()) {
        error = CSimpleErr::Format(IDS_TEXT_EMPTY);
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
    boost::shared_ptr<Gdiplus::CImageSaver> saver = CreateImageSaver(snapshot->SaveFormat);
    COutputNameCounts used;
    boost::shared_ptr<CMultiPageRenderer> pages;
    boost::shared_ptr<CVectorRenderer> document;
    std::wstring documentPath;
    if (snapshot->IsSingleOutputFile()) {
        documentPath = PathJoined(full, MakeOutputFileName(used, 1, units[0], *snapshot));
        used.clear();
        document = CreateRenderer(snapshot->SaveFormat);
        pages.reset(new CMultiPageRenderer);
        pages->SetRenderer(document);
        document->BeginDocument(documentPath);
    }
    for (size_t i = 0; i < units.size(); ++i) {
        const std::wstring path = PathJoined(full, MakeOutputFileName(used, static_cast<int>(i) + 1, units[i], *snapshot));
        boost::shared_ptr<CKanteloTask> task;
        if (pages || snapshot->SaveFormat.IsVector()) {
            boost::shared_ptr<CVectorKanteloTask> vector(new CVectorKanteloTask);
            vector->SetRenderer(pages ? boost::shared_ptr<CVectorRenderer>(pages) : CreateRenderer(snapshot->SaveFormat));
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
        if (i == 0 && firstImage)
            *firstImage = task->GetResultImage();
        if (!pages) {
            CheckWritten(path);
            files.push_back(path);
        }
    }
    if (pages) {
        document->EndDocument();
        CheckWritten(documentPath);
        files.push_back(documentPath);
    }
    return true;
}

} // namespace

bool RunSaveJob(const CSetting& setting, const std::wstring& text, const std::wstring& folder,
                std::vector<std::wstring>& files, std::wstring& error, boost::shared_ptr<CDib>* firstImage)
{
    try {
        return RunTasks(setting, text, folder, files, error, firstImage);
    } catch (const my::CException& e) {
        error = e.message;
    } catch (const std::exception& e) {
        error = CSimpleErr::Format(IDS_STD_EXCEPTION, WidenWhat(e.what()));
    } catch (...) {
        error = CSimpleErr::Format(IDS_UNKNOWN_EXCEPTION);
    }
    return false;
}
