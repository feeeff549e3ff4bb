#include "render/SaveJob.h"
#include "render/JobTasks.h"
#include "render/OutputUnits.h"
#include "foundation/GuardedRunner.h"
#include "foundation/PathUtil.h"
#include "foundation/ResourceString.h"
#include "foundation/ShellOps.h"
#include "foundation/StringUtil.h"
#include "resources/strings_engine.h"
#include "resources/strings_foundation.h"
#include "resources/strings_foundation_io.h"

namespace {

// A file the job reports must be there: a name the file system bent or a
// writer that failed silently would otherwise pass for a written file.
// Another program saving the same name replaces it by one rename, so the
// name is never away.
void CheckWritten(const std::wstring& path)
{
    if (::GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES)
        throw my::CException(IDS_WRITE_FILE_FAILED, HResultFromWin32(ERROR_FILE_NOT_FOUND), path);
}

bool RunTasks(const CSetting& setting, const std::wstring& text, const std::wstring& folder,
              std::vector<std::wstring>& files, std::wstring& error, boost::shared_ptr<CDib>* firstImage,
              CKanteloTaskClient* client)
{
    if (SplitTextIntoUnits(text, setting.Unit).empty()) {
        error = CSimpleErr::Format(IDS_TEXT_EMPTY);
        return false;
    }
    const std::wstring full = GetFullPathOrSelf(folder);
    // A file where the folder should be is no folder: every unit would fail.
    CreateFolder(full);
    CSetting target(setting);
    target.FolderPath = full;
    CSaveJobTasks job;
    BuildSaveTasks(job, target, text, client);
    for (size_t i = 0; i < job.Tasks.size(); ++i) {
        // Each task goes, with its image and its layout, once its unit is
        // done, so that memory holds one unit's work however long the job.
        boost::shared_ptr<CKanteloTask> task;
        task.swap(job.Tasks[i]);
        task->Execute();
        if (task->HasError()) {
            error = task->Err.message;
            return false;
        }
        if (firstImage && i == 0)
            *firstImage = task->GetResultImage();
        if (!job.IsOneFile()) {
            CheckWritten(task->Path);
            files.push_back(task->Path);
        }
    }
    if (job.IsOneFile()) {
        job.EndDocument();
        CheckWritten(job.DocumentPath);
        files.push_back(job.DocumentPath);
    }
    return true;
}

} // namespace

bool RunSaveJob(const CSetting& setting, const std::wstring& text, const std::wstring& folder,
                std::vector<std::wstring>& files, std::wstring& error, boost::shared_ptr<CDib>* firstImage,
                CKanteloTaskClient* client)
{
    bool done = false;
    my::CCtrlException caught(nullptr, 0);
    CatchToError(caught, [&] { done = RunTasks(setting, text, folder, files, error, firstImage, client); });
    if (caught.id != 0)
        error = caught.message;
    return done;
}
