// The job machinery of the main window: previews and save jobs as rendering
// tasks on the window's worker, collected on the user-interface thread.
//
// A preview is one task for the whole text at the preview pane's size; a
// save is one task per text unit, each writing its file (or a page of the
// job's one document). Only one job exists at a time. A setting change asks
// for a preview that starts kPreviewDelay after the change; a further change
// within that time pushes it back, so a burst of changes (typing) gives one
// preview, after the last of them. A preview that is due replaces one still
// running. A save job disables the inputs until it ends with the error of a
// failed task, the stop notice (143) or the finished dialog, then a fresh
// preview is due; when its one-file document cannot be written, the error is
// shown and no preview follows. A finished task is let go once the timer has
// taken it over.
//
// Only finished, complete images reach the pane: a task that failed or was
// told to stop may leave a half-drawn image behind, and it is dropped.
#pragma once
#include "app/TaskThreadPool.h"
#include "render/JobTasks.h"
#include "platform/CriticalSection.h"
#include <atomic>
#include <string>
#include <vector>

class CDib;
class CMsg;
class CSetting;

// What the job control needs of its window. Every call comes on the
// user-interface thread, except WakeUp.
class CJobView {
public:
    // The preview pane's client size.
    virtual SIZE GetPreviewSize() = 0;
    // Inputs off and Stop on while a save job runs, and back.
    virtual void SetJobControlsState(bool running) = 0;
    // The progress bar's range 0..upper and position (32-bit values).
    virtual void SetProgress(int upper, int position) = 0;
    // A finished image for the pane (aligned right for a vertical face) and
    // its size for the info strip; a null image clears both.
    virtual void ShowImage(const boost::shared_ptr<CDib>& image, bool alignRight) = 0;
    // The error of a failed preview, shown in the pane.
    virtual void ShowPreviewError(const std::wstring& text) = 0;
    // The finished dialog, modal.
    virtual void ShowFinished(int count, bool oneFile, const std::wstring& path, const std::wstring& folder) = 0;
    // The sink for the job's message boxes.
    virtual CMsg& GetJobMsg() = 0;
    // Worker thread: a task has finished; call OnTimer soon.
    virtual void WakeUp() = 0;

protected:
    ~CJobView() = default;
};

class CJobControl : public CKanteloTaskClient {
public:
    // A preview starts this long after the last change (milliseconds).
    static const DWORD kPreviewDelay = 500;

    CJobControl(CJobView& view, const CSetting& setting);
    ~CJobControl();
    CJobControl(const CJobControl&) = delete;
    CJobControl& operator=(const CJobControl&) = delete;

    // A setting changed at `now`: a preview is due kPreviewDelay later, and
    // an earlier request is pushed back to then.
    void SchedulePreview(DWORD now);
    // Queues the job's tasks and starts the worker. A preview while a save
    // job runs is dropped. A save creates the output folder (1004 on
    // failure), builds the tasks and asks before overwriting (IDS_CONFIRM_OVERWRITE_FILES).
    void StartJob(bool preview);
    // The Stop button: the queue is cancelled and the running task told to end.
    void Stop();
    // The window is going away: the worker is aborted and waited for; no
    // finished task is taken any more.
    void Abort();
    // The timer (and every wake-up): starts a preview that is due, takes finished
    // tasks over, moves the progress bar, and ends the job when its worker
    // has ended.
    void OnTimer(DWORD now);

    bool IsRunning() const { return m_jobTaskCount > 0; }
    bool IsSaveRunning() const { return m_jobTaskCount > 0 && !m_jobIsPreview; }
    bool IsPreviewPending() const { return m_previewPending; }

    // CKanteloTaskClient, on the worker thread.
    void OnProgress(int done, int total) override;
    void OnTaskFinished(boost::shared_ptr<CKanteloTask> task) override;

protected:
    // The preview's task (BuildPreviewTask); tests put tasks of their own here.
    virtual CKanteloTaskPtr CreatePreviewTask(int cx, int cy);

private:
    bool BuildSaveJob();
    void EndJob(bool failed, const CSimpleErr& error, DWORD now);

    CJobView& m_view;
    const CSetting& m_setting;

    bool m_previewPending = false;
    DWORD m_previewPendingSince = 0;
    int m_jobTaskCount = 0;
    int m_jobFinishedCount = 0;
    bool m_jobIsPreview = false;
    bool m_stopRequested = false;
    // StartJob may open message boxes, whose loops run the timer again.
    bool m_starting = false;
    std::atomic<int> m_progressDone{0};
    std::atomic<int> m_progressTotal{1};

    CTaskThreadPool m_pool;
    // The job's document; its tasks are on the queue.
    CSaveJobTasks m_saveJob;
    // Handed back by the worker, not yet taken over by the timer.
    std::vector<CKanteloTaskPtr> m_finished;
    // The first finished task's file and folder, for the finished dialog.
    std::wstring m_firstPath, m_firstFolder;
    CAutoCriticalSection m_finishedLock;
};
