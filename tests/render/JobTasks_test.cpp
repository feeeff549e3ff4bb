#include "render/JobTasks.h"
#include "render/MultiPageRenderer.h"
#include "render/VectorKanteloTask.h"
#include "outline/SvgRenderer.h"
#include "tests/render/TaskTestSupport.h"
#include "resources/strings_engine.h"
#include "resources/strings_foundation_io.h"
#include <gtest/gtest.h>

namespace {

CSetting JobSetting(UINT type, bool singleFile, const std::wstring& folder)
{
    CSetting s = *MakeSetting(L"IPAGothic", SHIFTJIS_CHARSET, 200);
    s.SaveFormat.Type = type;
    s.SingleFile = singleFile;
    s.Unit = TextUnit::LINE;
    s.FnameType = FnameType::TEXT;
    s.FolderPath = folder;
    return s;
}

} // namespace

TEST(JobTasksTest, SaveTasksShareOneSnapshotAndNameTheirFiles)
{
    CTempFolder folder;
    CSaveJobTasks job;
    BuildSaveTasks(job, JobSetting(OutputType::PNG, true, folder.Path()), L"Abc\n\nabc\n  x  \n", nullptr);
    ASSERT_EQ(3u, job.Tasks.size());
    EXPECT_FALSE(job.IsOneFile());  // one file applies to PDF and HTML only
    const std::vector<std::wstring> expected = {folder.File(L"Abc.png"), folder.File(L"abc (2).png"),
                                                folder.File(L"x.png")};
    EXPECT_EQ(expected, job.OutputPaths());
    for (size_t i = 0; i < job.Tasks.size(); ++i) {
        EXPECT_EQ(static_cast<int>(i), job.Tasks[i]->No);
        EXPECT_EQ(job.Setting, job.Tasks[i]->GetSetting());
        EXPECT_EQ(job.Tasks[0]->m_saver, job.Tasks[i]->m_saver);
        EXPECT_EQ(nullptr, dynamic_cast<CVectorKanteloTask*>(job.Tasks[i].get()));
    }
    EXPECT_TRUE(job.ExistingOutputs().empty());
    WriteFileBytes(expected[1], "old");
    WriteFileBytes(folder.File(L"other.png"), "old");
    EXPECT_EQ(std::vector<std::wstring>{expected[1]}, job.ExistingOutputs());
    // Found as Windows finds them: in other letter case, and a folder of the name.
    WriteFileBytes(folder.File(L"X.PNG"), "old");
    ASSERT_TRUE(CreateDirectoryW(expected[0].c_str(), nullptr));
    EXPECT_EQ(expected, job.ExistingOutputs());

    EXPECT_EQ(static_cast<UINT>(IDS_TEXT_EMPTY), ThrownId([&] { BuildSaveTasks(job, JobSetting(OutputType::PNG, false, folder.Path()), L" \r\n\t", nullptr); }));
    EXPECT_TRUE(job.Tasks.empty());
}

TEST(JobTasksTest, OneFileJobDrawsEveryUnitAsAPageOfTheFirstUnitsDocument)
{
    CTempFolder folder;
    CSaveJobTasks job;
    BuildSaveTasks(job, JobSetting(OutputType::PDF, true, folder.Path()), L"one\ntwo\nthree", nullptr);
    ASSERT_TRUE(job.IsOneFile());
    EXPECT_EQ(folder.File(L"one.pdf"), job.DocumentPath);
    EXPECT_EQ(std::vector<std::wstring>{job.DocumentPath}, job.OutputPaths());
    for (const boost::shared_ptr<CKanteloTask>& task : job.Tasks) {
        CVectorKanteloTask* vector = dynamic_cast<CVectorKanteloTask*>(task.get());
        ASSERT_NE(nullptr, vector);
        EXPECT_EQ(job.Pages.get(), vector->GetRenderer().get());
        task->Execute();
        EXPECT_FALSE(task->HasError()) << Narrow(task->Err.message);
    }
    EXPECT_FALSE(FileExists(job.DocumentPath));  // written only when the job ends
    job.EndDocument();
    EXPECT_FALSE(job.IsOneFile());
    EXPECT_NE(std::string::npos, ReadFileBytes(job.DocumentPath).find("/Count 3"));
}

TEST(JobTasksTest, ClearedOneFileJobDropsItsDocumentAndAnEndOutOfMemoryIsNamed)
{
    CTempFolder folder;
    const CSetting setting = JobSetting(OutputType::SVG_TAG, true, folder.Path());
    CSaveJobTasks job;
    BuildSaveTasks(job, setting, L"one\ntwo\nthree", nullptr);
    // A cancelled task still holds the page renderer, as the worker's list does.
    const boost::shared_ptr<CKanteloTask> held = job.Tasks[2];
    job.Tasks[0]->Execute();
    job.Tasks[1]->Execute();
    EXPECT_EQ(1, CountFiles(folder.Path()));  // the temporary, with the first page
    job.Clear();
    EXPECT_EQ(0, CountFiles(folder.Path()));

    // An allocation, or a call that failed for want of memory, is named;
    // another failure stays as it was.
    struct CEndFails : CSvgRenderer {
        HRESULT code = 0;
        void EndDocument() override
        {
            if (code == 0)
                throw std::bad_alloc();
            throw my::CException(IDS_WRITE_FILE_FAILED, code, L"x");
        }
    };
    for (const HRESULT code : {S_OK, E_OUTOFMEMORY, HResultFromWin32(ERROR_NOT_ENOUGH_MEMORY), E_ACCESSDENIED}) {
        BuildSaveTasks(job, setting, L"one\ntwo\nthree", nullptr);
        boost::shared_ptr<CEndFails> fails(new CEndFails);
        fails->code = code;
        job.Pages->SetRenderer(fails);
        const std::wstring document = job.DocumentPath;
        const std::wstring expected = code == E_ACCESSDENIED
                                          ? my::CException(IDS_WRITE_FILE_FAILED, code, L"x").message
                                          : CSimpleErr::Format(IDS_OUTPUT_TOO_LARGE_FOR_MEMORY, document, L"3", L"three");
        EXPECT_EQ(Narrow(expected), Narrow(ThrownError([&] { job.EndDocument(); }).message)) << code;
    }
}

TEST(JobTasksTest, PreviewTaskByFormatAndPaneSize)
{
    CSetting s = JobSetting(OutputType::SVG, false, L"");
    s.Text = L"ab";
    boost::shared_ptr<CKanteloTask> task = BuildPreviewTask(s, 300, 120, nullptr);
    CVectorKanteloTask* vector = dynamic_cast<CVectorKanteloTask*>(task.get());
    ASSERT_NE(nullptr, vector);
    EXPECT_FALSE(vector->GetRenderer());  // drawn by its bitmap renderer alone
    EXPECT_TRUE(task->Path.empty());
    EXPECT_EQ(300, task->Size.cx);
    EXPECT_EQ(L"ab", task->Text);
    s.SaveFormat.Type = OutputType::JPEG;
    task = BuildPreviewTask(s, 300, 120, nullptr);
    EXPECT_EQ(nullptr, dynamic_cast<CVectorKanteloTask*>(task.get()));
    EXPECT_TRUE(task->m_saver);
    EXPECT_FALSE(BuildPreviewTask(s, 0, 120, nullptr));
    EXPECT_FALSE(BuildPreviewTask(s, 300, 0, nullptr));
}
