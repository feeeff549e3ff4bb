// The tasks of a job, built one way for every caller: the main window's job
// control queues them on its worker, the render tool runs them in turn.
// A save job cuts the text into units, names each unit's file, gives every
// task the one settings snapshot and the one image saver of the job and, when
// all units go into one document, a page renderer whose document is begun
// here and ended by the caller after the last task.
#pragma once
#include "decoration/Setting.h"
#include "render/KanteloTask.h"
#include <boost/shared_ptr.hpp>
#include <string>
#include <vector>

class CMultiPageRenderer;
class CReplacingWriterFolder;
struct CDocumentPlan;
class CVectorRenderer;

class CSaveJobTasks {
public:
    // The snapshot every task of the job shares.
    boost::shared_ptr<CSetting> Setting;
    std::vector<boost::shared_ptr<CKanteloTask> > Tasks;
    // One-file job only: the renderer the tasks draw their pages through,
    // and the document it writes.
    boost::shared_ptr<CMultiPageRenderer> Pages;
    std::wstring DocumentPath;
    // The writers' clean-up context for the job's folder: one listing of it
    // for the whole job, not a search per file.
    boost::shared_ptr<CReplacingWriterFolder> Leftovers;
    // One-file PDF only: its memory, weighed by the tasks as they draw.
    boost::shared_ptr<CDocumentPlan> Plan;
    // The job's last unit (number from 1, text): where a document that
    // cannot be ended stopped.
    int UnitCount = 0;
    std::wstring LastUnit;

    bool IsOneFile() const { return Pages != nullptr; }
    // The files the job writes, in task order (the document alone in a
    // one-file job).
    std::vector<std::wstring> OutputPaths() const;
    // Those of them that exist already.
    std::vector<std::wstring> ExistingOutputs() const;
    // Writes the one-file document and lets it go (nothing for other jobs).
    // Throws the renderer's error, memory that runs out as
    // IDS_OUTPUT_TOO_LARGE_FOR_MEMORY for the document and the last unit;
    // the document is let go either way.
    void EndDocument();
    // Drops the tasks and a begun document unwritten, with what it wrote so
    // far, also when tasks still hold the page renderer: a job hands its
    // tasks over and must not be copied, only moved, before it is cleared.
    void Clear();
};

// Builds the tasks of a save of `text` into setting.FolderPath, each reporting
// to `client` (may be null). Throws my::CException: 1001 when the text has no
// unit, the font's errors while the line-head bearing is measured,
// IDS_OUTPUT_TOO_LARGE_FOR_MEMORY when the one-file document cannot be begun
// for want of memory, the renderer's when it cannot be begun otherwise.
// Nothing is kept on failure.
void BuildSaveTasks(CSaveJobTasks& job, const CSetting& setting, const std::wstring& text,
                    CKanteloTaskClient* client);

// The preview: one task for the whole of setting.Text at cx x cy pixels,
// drawn by the raster task or, for the vector formats, by the vector task
// through its bitmap renderer alone; no file. Null when the size is empty.
boost::shared_ptr<CKanteloTask> BuildPreviewTask(const CSetting& setting, int cx, int cy,
                                                 CKanteloTaskClient* client);
