#include "render/SaveJob.h"
#include "render/JobTasks.h"
#include "render/OutputUnits.h"
#include "foundation/PathUtil.h"
#include "foundation/ResourceString.h"
#include "foundation/StringUtil.h"
#include "resources/strings_engine.h"
#include "resources/strings_foundation.h"
#include <shlobj.h>

namespace {

bool RunTasks(const CSetting& setting, const std::wstring& text, const std::wstring& folder,
              std::vector<std::wstring>& files, std::wstring& error)
{
    if (SplitTextIntoUnits(text, setting.Unit).empty()) {
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
    CSetting target(setting);
    target.FolderPath = full;
    CSaveJobTasks job;
    BuildSaveTasks(job, target, text, nullptr);
    for (const boost::shared_ptr<CKanteloTask>& task : job.Tasks) {
        task->Execute();
        if (task->HasError()) {
            error = task->Err.message;
            return false;
        }
        if (!job.IsOneFile())
            files.push_back(task->Path);
    }
    if (job.IsOneFile()) {
        job.EndDocument();
        files.push_back(job.DocumentPath);
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
        error = CSimpleErr::Format(IDS_STD_EXCEPTION, WidenWhat(e.what()));
    } catch (...) {
        error = CSimpleErr::Format(IDS_UNKNOWN_EXCEPTION);
    }
    return false;
}
