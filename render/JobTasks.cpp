#include "render/JobTasks.h"
#include "render/DocumentMemory.h"
#include "render/MultiPageRenderer.h"
#include "render/OutputUnits.h"
#include "render/SaveFormatFactory.h"
#include "render/VectorKanteloTask.h"
#include "foundation/PathUtil.h"
#include "foundation/ReplacingFileWriter.h"
#include "platform/FindFile.h"
#include "resources/strings_engine.h"
#include <new>
#include <stdexcept>
#include <unordered_set>
#include <utility>

std::vector<std::wstring> CSaveJobTasks::OutputPaths() const
{
    std::vector<std::wstring> paths;
    if (IsOneFile()) {
        paths.push_back(DocumentPath);
        return paths;
    }
    for (const boost::shared_ptr<CKanteloTask>& task : Tasks)
        paths.push_back(task->Path);
    return paths;
}

namespace {

// The names in a folder (`folder` ends in its separator), long and short
// forms, as FileNameKey gives them; false when it cannot be listed whole. A
// folder that does not exist holds nothing.
bool ListNameKeys(const std::wstring& folder, std::unordered_set<std::wstring>& keys)
{
    keys.clear();
    CFindFile find;
    if (!find.FindFile((folder + L"*").c_str())) {
        const DWORD code = ::GetLastError();
        return code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND;
    }
    do {
        keys.insert(FileNameKey(find.GetFileName()));
        if (find.GetData().cAlternateFileName[0] != 0)
            keys.insert(FileNameKey(find.GetData().cAlternateFileName));
    } while (find.FindNextFile());
    return ::GetLastError() == ERROR_NO_MORE_FILES;
}

// The memory plan of a document that keeps every page until it ends: its
// growth is weighed over a sample of the estimate of all its pages. It is
// refused at the unit where it stops fitting, when that unit is drawn: only
// there is the unit known whatever text follows it, as the estimate is a
// lower bound alone and the rate of the growth is known once drawn.
boost::shared_ptr<CDocumentPlan> PlanDocumentMemory(const CSetting& setting, const std::vector<std::wstring>& units)
{
    CTaskFonts fonts;
    fonts.Create(setting.FontSetting);
    CDocumentMemoryEstimate estimate(setting, fonts);
    double bytes = 0;
    for (const std::wstring& unit : units)
        bytes += static_cast<double>(estimate.PageBytes(unit));
    return boost::shared_ptr<CDocumentPlan>(new CDocumentPlan(setting, bytes));
}

} // namespace

std::vector<std::wstring> CSaveJobTasks::ExistingOutputs() const
{
    // A folder is listed once rather than each file looked up: a lookup
    // costs tens of microseconds under Wine, and this runs on the window's
    // thread for every unit of a save. A folder that cannot be listed is
    // asked file by file.
    std::vector<std::wstring> existing;
    std::wstring listedFolder;
    std::unordered_set<std::wstring> keys;
    bool listed = false, known = false;
    for (const std::wstring& path : OutputPaths()) {
        std::wstring folder = path, name;
        SplitPathFileName(folder, name);
        if (!listed || folder != listedFolder) {
            known = ListNameKeys(folder, keys);
            listedFolder = folder;
            listed = true;
        }
        if (known ? keys.count(FileNameKey(name)) != 0
                  : ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES)
            existing.push_back(path);
    }
    return existing;
}

void CSaveJobTasks::EndDocument()
{
    if (!Pages)
        return;
    boost::shared_ptr<CVectorRenderer> document = Pages->GetRenderer();
    Pages->SetRenderer(nullptr);
    Pages.reset();
    if (!document)
        return;
    try {
        document->EndDocument();
    } catch (const std::bad_alloc&) {
        document.reset();
        ThrowOutputTooLargeForMemory(DocumentPath, UnitCount, LastUnit);
    } catch (const std::length_error&) {
        document.reset();
        ThrowOutputTooLargeForMemory(DocumentPath, UnitCount, LastUnit);
    } catch (const my::CException& e) {
        if (!IsMemoryFailure(e))
            throw;
        document.reset();
        ThrowOutputTooLargeForMemory(DocumentPath, UnitCount, LastUnit);
    }
}

void CSaveJobTasks::Clear()
{
    Tasks.clear();
    // Cancelled tasks may still hold the page renderer for a while: the
    // document, and its temporary file, go now.
    if (Pages)
        Pages->SetRenderer(nullptr);
    Pages.reset();
    DocumentPath.clear();
    Plan.reset();
    UnitCount = 0;
    LastUnit.clear();
    Setting.reset();
    Leftovers.reset();
}

void BuildSaveTasks(CSaveJobTasks& job, const CSetting& setting, const std::wstring& text,
                    CKanteloTaskClient* client)
{
    job.Clear();
    const std::vector<std::wstring> units = SplitTextIntoUnits(text, setting.Unit);
    if (units.empty())
        throw my::CException(IDS_TEXT_EMPTY);

    CSaveJobTasks built;
    built.Setting.reset(new CSetting(setting));
    const CSetting& snapshot = *built.Setting;
    const std::wstring& folder = snapshot.FolderPath;
    built.Leftovers.reset(new CReplacingWriterFolder(folder));
    const int bearing = CalcMinLineHeadBearing(units, snapshot.FontSetting);
    boost::shared_ptr<Gdiplus::CImageSaver> saver = CreateImageSaver(snapshot.SaveFormat);
    COutputNameCounts used;
    if (snapshot.IsSingleOutputFile()) {
        built.DocumentPath = PathJoined(folder, MakeOutputFileName(used, 1, units[0], snapshot));
        used.clear();
        if (HoldsEveryPage(snapshot))
            built.Plan = PlanDocumentMemory(snapshot, units);
        boost::shared_ptr<CVectorRenderer> document = CreateRenderer(snapshot.SaveFormat);
        built.Pages.reset(new CMultiPageRenderer);
        built.Pages->SetRenderer(document);
        try {
            document->BeginDocument(built.DocumentPath);
        } catch (const std::bad_alloc&) {
            ThrowOutputTooLargeForMemory(built.DocumentPath, 1, units[0]);
        } catch (const my::CException& e) {
            if (!IsMemoryFailure(e))
                throw;
            ThrowOutputTooLargeForMemory(built.DocumentPath, 1, units[0]);
        }
    }
    built.UnitCount = static_cast<int>(units.size());
    built.LastUnit = units.back();
    for (size_t i = 0; i < units.size(); ++i) {
        boost::shared_ptr<CKanteloTask> task;
        if (built.Pages || snapshot.SaveFormat.IsVector()) {
            boost::shared_ptr<CVectorKanteloTask> vector(new CVectorKanteloTask);
            vector->SetRenderer(built.Pages ? boost::shared_ptr<CVectorRenderer>(built.Pages)
                                            : CreateRenderer(snapshot.SaveFormat));
            vector->SetDocumentPath(built.DocumentPath);
            vector->SetDocumentPlan(built.Plan);
            task = vector;
        } else {
            task.reset(new CKanteloTask);
        }
        task->Init(client);
        task->No = static_cast<int>(i);
        task->SetLineHeadBearing(bearing);
        task->SetSetting(built.Setting);
        task->Text = units[i];
        task->Path = PathJoined(folder, MakeOutputFileName(used, static_cast<int>(i) + 1, units[i], snapshot));
        task->m_saver = saver;
        built.Tasks.push_back(task);
    }
    job = std::move(built);
}

boost::shared_ptr<CKanteloTask> BuildPreviewTask(const CSetting& setting, int cx, int cy,
                                                 CKanteloTaskClient* client)
{
    boost::shared_ptr<CKanteloTask> task;
    if (cx < 1 || cy < 1)
        return task;
    boost::shared_ptr<CSetting> snapshot(new CSetting(setting));
    if (snapshot->SaveFormat.IsVector())
        task.reset(new CVectorKanteloTask);
    else
        task.reset(new CKanteloTask);
    task->Init(client);
    task->No = 0;
    task->SetSetting(snapshot);
    task->SetSize(cx, cy);
    task->Text = snapshot->Text;
    task->m_saver = CreateImageSaver(snapshot->SaveFormat);
    return task;
}
