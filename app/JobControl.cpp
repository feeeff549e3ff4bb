#include "app/JobControl.h"
#include "decoration/Setting.h"
#include "foundation/GuardedRunner.h"
#include "foundation/Msg.h"
#include "foundation/ShellOps.h"
#include "foundation/StringUtil.h"
#include "platform/ScopedFlag.h"
#include "resources/strings_app.h"
#include "resources/strings_foundation.h"
#include "resources/strings_shell.h"
#include <climits>
#include <utility>

namespace {

// Units x 100 in an int; the bar takes 32-bit ranges (PBM_SETRANGE32).
int ProgressUnits(long long units)
{
    return static_cast<int>(std::min<long long>(units, INT_MAX));
}

} // namespace

CJobControl::CJobControl(CJobView& view, const CSetting& setting) : m_view(view), m_setting(setting) {}

CJobControl::~CJobControl()
{
    Abort();
}

CKanteloTaskPtr CJobControl::CreatePreviewTask(int cx, int cy)
{
    return BuildPreviewTask(m_setting, cx, cy, this);
}

void CJobControl::SchedulePreview(DWORD now)
{
    m_previewPending = true;
    m_previewPendingSince = now;
}

void CJobControl::StartJob(bool preview)
{
    if (preview && IsSaveRunning())
        return;
    CScopedFlag starting(m_starting);

    m_view.SetProgress(1, 0);
    if (!preview)
        m_view.SetJobControlsState(true);
    // The old job is over before any box of this one opens: the timer runs
    // inside every modal loop and must not take its tasks over. A task still
    // decoding a picture ends on its own: the window never waits for it.
    m_pool.Retire();
    m_jobTaskCount = 0;
    {
        CAutoLock<CAutoCriticalSection> lock(m_finishedLock);
        m_finished.clear();
    }
    m_saveJob.Clear();
    m_firstPath.clear();
    m_firstFolder.clear();

    if (preview) {
        const SIZE size = m_view.GetPreviewSize();
        my::CCtrlException error(nullptr, 0);
        CKanteloTaskPtr task;
        CatchToError(error, [&] { task = CreatePreviewTask(size.cx, size.cy); });
        if (error.IsError()) {
            m_view.ShowImage(boost::shared_ptr<CDib>(), false);
            m_view.ShowPreviewError(error.message);
        } else if (task) {
            m_pool.GetQueue().Push(task);
        }
    } else if (!BuildSaveJob()) {
        m_saveJob.Clear();
    } else {
        for (const CKanteloTaskPtr& task : m_saveJob.Tasks)
            m_pool.GetQueue().Push(task);
        // The queue holds them now, and each goes, with its image and
        // layout, once the timer has taken it over: memory holds the tasks
        // still to come, never the whole job's work.
        m_saveJob.Tasks.clear();
    }

    const int count = static_cast<int>(m_pool.GetQueue().GetTasks().size());
    if (count == 0) {
        m_view.SetJobControlsState(false);
        return;
    }
    m_jobIsPreview = preview;
    m_stopRequested = false;
    m_jobTaskCount = count;
    m_jobFinishedCount = 0;
    m_progressDone = 0;
    m_progressTotal = 1;
    m_pool.SetThreadCount(1);
    m_view.SetProgress(ProgressUnits(count * 100LL), 0);
    m_pool.Start();
}

bool CJobControl::BuildSaveJob()
{
    CMsg& msg = m_view.GetJobMsg();
    const std::wstring& folder = m_setting.FolderPath;
    const DWORD code = TryCreateFolder(folder);
    if (code == ERROR_FILENAME_EXCED_RANGE) {
        // A folder that is there is refused for the names of the files it would hold.
        msg.ShowResourceMessage2(IsExistingFolder(folder) ? IDS_FOLDER_TOO_LONG_FOR_FILES : IDS_OUTPUT_FOLDER_TOO_LONG,
                                 std::to_wstring(kMaxFolderPath), folder, MB_ICONERROR);
        return false;
    }
    if (code != 0) {
        // The folder, and why it could not be made.
        msg.ShowResourceMessage1(IDS_CREATE_OUTPUT_FOLDER_FAILED,
                                 folder + L"\n\n" + TrimCopyIf(FormatSystemMessage(HResultFromWin32(code)), IsSpaceOrCr),
                                 MB_ICONERROR);
        return false;
    }
    if (!RunAndReport(msg, [&] { BuildSaveTasks(m_saveJob, m_setting, m_setting.Text, this); }, false))
        return false;
    const std::vector<std::wstring> existing = m_saveJob.ExistingOutputs();
    return existing.empty() || msg.ConfirmOverwriteFiles(existing);
}

void CJobControl::Stop()
{
    m_stopRequested = true;
    m_pool.Cancel(true);
}

void CJobControl::Abort()
{
    m_pool.Abort(INFINITE);
    m_jobTaskCount = 0;
    m_previewPending = false;
    {
        CAutoLock<CAutoCriticalSection> lock(m_finishedLock);
        m_finished.clear();
    }
    m_saveJob.Clear();
}

void CJobControl::OnProgress(int done, int total)
{
    if (CMultiTaskThread::CallerIsRetired())
        return;
    m_progressDone = done;
    m_progressTotal = total;
}

void CJobControl::OnTaskFinished(boost::shared_ptr<CKanteloTask> task)
{
    if (m_pool.IsAborting())
        return;
    {
        // A task of an earlier job, ended on a retired worker, is no one's.
        // Asked under the lock that StartJob empties the list under after
        // retiring: a task that was not retired then is emptied away.
        CAutoLock<CAutoCriticalSection> lock(m_finishedLock);
        if (CMultiTaskThread::CallerIsRetired())
            return;
        m_finished.push_back(task);
    }
    m_view.WakeUp();
}

void CJobControl::OnTimer(DWORD now)
{
    if (m_starting || m_pool.IsAborting())
        return;
    // Tick counts wrap after 49.7 days; the unsigned difference does not care.
    if (m_previewPending && static_cast<DWORD>(now - m_previewPendingSince) >= kPreviewDelay) {
        m_previewPending = false;
        StartJob(true);
    }
    if (m_jobTaskCount == 0)
        return;

    // Asked before the list is read: a worker that has ended has handed
    // back everything it ever will.
    const bool workerRunning = m_pool.IsRunning();
    // The tasks handed back since the last look. Taken over, each goes with
    // its image (the pane keeps the one it shows) and its layout.
    std::vector<CKanteloTaskPtr> arrived;
    {
        CAutoLock<CAutoCriticalSection> lock(m_finishedLock);
        arrived.swap(m_finished);
    }
    CKanteloTaskPtr failed;
    for (const CKanteloTaskPtr& task : arrived)
        if (!failed && task->HasError())
            failed = task;
    if (!failed && !arrived.empty()) {
        if (m_jobFinishedCount == 0) {
            m_firstPath = arrived.front()->Path;
            if (arrived.front()->GetSetting())
                m_firstFolder = arrived.front()->GetSetting()->FolderPath;
        }
        // The newest complete image; a task told to stop may have left a
        // half-drawn one.
        for (size_t i = arrived.size(); i-- > 0;) {
            CKanteloTask& task = *arrived[i];
            if (task.GetResultImage() && !task.IsTerminated()) {
                m_view.ShowImage(task.GetResultImage(), m_setting.FontSetting.IsVertical());
                break;
            }
        }
        // The worker may still hold the last task for a moment.
        for (const CKanteloTaskPtr& task : arrived)
            task->ReleaseResultImage();
        m_jobFinishedCount += static_cast<int>(arrived.size());
    }

    CSimpleErr error;
    if (failed) {
        error = failed->Err;
        m_pool.Cancel(true);
    } else {
        // The running task's share on top of the finished ones; the last
        // task's share stays in the counters after it finished, so the sum
        // is held to the range.
        const long long total = std::max(1, static_cast<int>(m_progressTotal));
        const long long upper = m_jobTaskCount * 100LL;
        const long long position = m_progressDone * 100LL / total + m_jobFinishedCount * 100LL;
        m_view.SetProgress(ProgressUnits(upper), ProgressUnits(std::min(position, upper)));
        // Every task handed back: the worker is only ending its thread, so
        // the job ends now rather than at the next tick (a keystroke's
        // preview must not wait for it).
        if (workerRunning && m_jobFinishedCount < m_jobTaskCount)
            return;
        if (!m_stopRequested && m_jobFinishedCount < m_jobTaskCount) {
            // The worker ended without handing a task back: a thread that
            // died. Waiting on would keep the inputs off for ever.
            m_pool.Wait(INFINITE);
            std::wstring detail = L"The worker ended before its tasks were finished";
            for (const CMultiTaskThreadPtr& worker : m_pool.GetWorkers())
                if (worker->GetExitError().IsError())
                    detail = worker->GetExitError().message;
            error.Set(IDS_INTERNAL_ERROR, detail);
        }
    }
    EndJob(error.IsError(), error, now);
}

void CJobControl::EndJob(bool failed, const CSimpleErr& error, DWORD now)
{
    const int count = m_jobTaskCount;
    m_jobTaskCount = 0;
    m_pool.Wait(INFINITE);

    if (m_jobIsPreview) {
        if (failed) {
            m_view.ShowImage(boost::shared_ptr<CDib>(), false);
            m_view.ShowPreviewError(error.message);
        }
        m_jobIsPreview = false;
        return;
    }

    m_view.SetJobControlsState(false);
    CMsg& msg = m_view.GetJobMsg();
    {
        CAutoLock<CAutoCriticalSection> lock(m_finishedLock);
        m_finished.clear();
    }
    if (failed) {
        m_saveJob.Clear();
        msg.ShowError(error);
    } else if (m_stopRequested) {
        m_saveJob.Clear();
        msg.ShowResourceMessage(IDS_JOB_STOPPED, MB_ICONWARNING);
    } else {
        const bool oneFile = m_saveJob.IsOneFile();
        // Moved, not copied: a copy shares the page renderer, whose
        // document Clear drops.
        CSaveJobTasks job;
        std::swap(job, m_saveJob);
        // A document that cannot be written is reported instead of the
        // finished dialog, and no preview follows: the pane keeps what the
        // job drew until the next change asks for one.
        if (!RunAndReport(msg, [&] { job.EndDocument(); }, false))
            return;
        m_view.ShowFinished(count, oneFile, m_firstPath, m_firstFolder);
    }
    SchedulePreview(now);
}
