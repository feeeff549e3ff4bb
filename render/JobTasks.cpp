#include "render/JobTasks.h"
#include "render/MultiPageRenderer.h"
#include "render/OutputUnits.h"
#include "render/SaveFormatFactory.h"
#include "render/VectorKanteloTask.h"
#include "foundation/PathUtil.h"
#include "resources/strings_engine.h"

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

std::vector<std::wstring> CSaveJobTasks::ExistingOutputs() const
{
    std::vector<std::wstring> existing;
    for (const std::wstring& path : OutputPaths())
        if (::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES)
            existing.push_back(path);
    return existing;
}

void CSaveJobTasks::EndDocument()
{
    if (!Pages)
        return;
    boost::shared_ptr<CVectorRenderer> document = Pages->GetRenderer();
    Pages.reset();
    if (document)
        document->EndDocument();
}

void CSaveJobTasks::Clear()
{
    Tasks.clear();
    Pages.reset();
    DocumentPath.clear();
    Setting.reset();
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
    const int bearing = CalcMinLineHeadBearing(units, snapshot.FontSetting);
    boost::shared_ptr<Gdiplus::CImageSaver> saver = CreateImageSaver(snapshot.SaveFormat);
    COutputNameCounts used;
    if (snapshot.IsSingleOutputFile()) {
        built.DocumentPath = PathJoined(folder, MakeOutputFileName(used, 1, units[0], snapshot));
        used.clear();
        boost::shared_ptr<CVectorRenderer> document = CreateRenderer(snapshot.SaveFormat);
        built.Pages.reset(new CMultiPageRenderer);
        built.Pages->SetRenderer(document);
        document->BeginDocument(built.DocumentPath);
    }
    for (size_t i = 0; i < units.size(); ++i) {
        boost::shared_ptr<CKanteloTask> task;
        if (built.Pages || snapshot.SaveFormat.IsVector()) {
            boost::shared_ptr<CVectorKanteloTask> vector(new CVectorKanteloTask);
            vector->SetRenderer(built.Pages ? boost::shared_ptr<CVectorRenderer>(built.Pages)
                                            : CreateRenderer(snapshot.SaveFormat));
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
    job = built;
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
