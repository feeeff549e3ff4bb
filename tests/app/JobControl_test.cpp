#include "app/JobControl.h"
#include "decoration/NamedEffects.h"
#include "decoration/Setting.h"
#include "foundation/ReplacingFileWriter.h"
#include "foundation/ResourceString.h"
#include "foundation/ShellOps.h"
#include "platform/Handle.h"
#include "tests/common/RecordingMsg.h"
#include "tests/common/TestSupport.h"
#include "resources/strings_app.h"
#include "resources/strings_foundation.h"
#include "resources/strings_shell.h"
#include <gtest/gtest.h>
#include <boost/make_shared.hpp>
#include <atomic>
#include <functional>
#include <memory>
#include <thread>

namespace {

const DWORD kPatience = 20000;

// Records what the job control shows; its message boxes run the timer again,
// as a modal loop would.
class CTestView : public CJobView {
public:
    struct CFinished {
        int count = 0;
        bool oneFile = false;
        bool barFull = false;
        std::wstring path, folder;
    };
    class CReentrantMsg : public CRecordingMsg {
    public:
        std::function<void()> onBox;
        int Show(const std::wstring& text, UINT flags) override
        {
            if (onBox)
                onBox();
            return CRecordingMsg::Show(text, flags);
        }
    };

    SIZE pane = {400, 120};
    std::vector<bool> controls;  // every SetJobControlsState, in order
    int upper = 0, position = 0, maxUpper = 0;
    boost::shared_ptr<CDib> image;
    int images = 0;
    std::wstring previewError;
    std::vector<CFinished> finished;
    CReentrantMsg msg;

    SIZE GetPreviewSize() override { return pane; }
    void SetJobControlsState(bool running) override { controls.push_back(running); }
    void SetProgress(int u, int p) override
    {
        upper = u;
        position = p;
        maxUpper = std::max(maxUpper, u);
    }
    void ShowImage(const boost::shared_ptr<CDib>& i, bool) override
    {
        image = i;
        ++images;
    }
    void ShowPreviewError(const std::wstring& text) override { previewError = text; }
    void ShowFinished(int count, bool oneFile, const std::wstring& path, const std::wstring& folder) override
    {
        finished.push_back(CFinished{count, oneFile, upper == position, path, folder});
    }
    CMsg& GetJobMsg() override { return msg; }
    void WakeUp() override {}
};

class CTestJobControl : public CJobControl {
public:
    using CJobControl::CJobControl;
    std::function<CKanteloTaskPtr(int, int)> makePreview;
protected:
    CKanteloTaskPtr CreatePreviewTask(int cx, int cy) override
    {
        return makePreview ? makePreview(cx, cy) : CJobControl::CreatePreviewTask(cx, cy);
    }
};

// A task with the test's body in place of rendering.
class CFakeTask : public CKanteloTask {
public:
    std::function<void(CFakeTask&)> body;
    void Run() override { body(*this); }
};

CSetting FirstStartSetting(const std::wstring& folder, const std::wstring& text)
{
    CSetting s;
    s.FontSetting.FontFace = L"IPAGothic";
    s.FontSetting.CharSet = SHIFTJIS_CHARSET;
    s.FontSetting.Size = 300;
    const int ids[] = {IDS_PRESET_WHITE_THIN, IDS_PRESET_RED, IDS_PRESET_WHITE, IDS_PRESET_GLOW, IDS_PRESET_SHADOW};
    for (int i = 0; i < 5; ++i) {
        s.Borderings[i] = *GetNamedEffects().FindById(ids[i]);
        s.UseBorderings[i] = 1;
    }
    s.Unit = TextUnit::LINE;
    s.FnameType = FnameType::SEQ;
    s.Transparent = true;
    s.FolderPath = folder;
    s.Text = text;
    return s;
}

// The timer's clock as if the preview delay had passed since every change
// so far: a scheduled preview starts at the next tick.
DWORD Later() { return GetTickCount() + CJobControl::kPreviewDelay; }

// Runs the timer until the job has ended (and nothing is pending).
bool RunUntilIdle(CJobControl& jobs)
{
    const DWORD start = GetTickCount();
    do {
        jobs.OnTimer(Later());
        if (!jobs.IsRunning() && !jobs.IsPreviewPending())
            return true;
        Sleep(5);
    } while (GetTickCount() - start < kPatience);
    return false;
}

} // namespace

TEST(JobControlTest, PreviewFollowsAChangeAndShowsOnlyCompleteImages)
{
    CSetting setting = FirstStartSetting(L"", L"縁取り文字のテストです。プレビューの速度");
    CTestView view;
    CTestJobControl jobs(view, setting);
    jobs.SchedulePreview(GetTickCount());
    ASSERT_TRUE(RunUntilIdle(jobs));
    ASSERT_TRUE(view.image);
    EXPECT_GT(view.image->GetWidth(), 0);
    EXPECT_TRUE(view.controls.empty() || !view.controls.back());  // a preview never disables the inputs

    // A failed preview shows its error in the pane, in place of the image.
    jobs.makePreview = [&](int, int) {
        auto task = boost::make_shared<CFakeTask>();
        task->Init(&jobs);
        task->body = [](CFakeTask& t) { t.Err.Set(IDS_INTERNAL_ERROR, L"broken"); };
        return task;
    };
    jobs.SchedulePreview(GetTickCount());
    ASSERT_TRUE(RunUntilIdle(jobs));
    EXPECT_FALSE(view.image);
    EXPECT_NE(std::wstring::npos, view.previewError.find(L"broken"));

    // A task told to stop hands back what it had drawn so far: never shown.
    view.image.reset();
    jobs.makePreview = [&](int, int) {
        auto task = boost::make_shared<CFakeTask>();
        task->Init(&jobs);
        task->body = [&](CFakeTask& t) {
            jobs.Stop();  // as if Stop came in while it drew
            boost::shared_ptr<CDib> half(new CDib);
            half->CreateWithInfoHeader(4, 4, 32);
            half->AllocBits();
            const_cast<boost::shared_ptr<CDib>&>(t.GetResultImage()) = half;
        };
        return task;
    };
    jobs.SchedulePreview(GetTickCount());
    ASSERT_TRUE(RunUntilIdle(jobs));
    EXPECT_FALSE(view.image);

    // No pane, no task.
    jobs.makePreview = nullptr;
    view.pane = SIZE{0, 120};
    const int images = view.images;
    jobs.SchedulePreview(GetTickCount());
    jobs.OnTimer(Later());
    EXPECT_FALSE(jobs.IsRunning());
    EXPECT_EQ(images, view.images);
}

// Changes come in a burst (typing): the preview waits until the burst is
// over and starts once, kPreviewDelay after its last change; a preview that
// falls due while another still runs replaces it. The clock is the test's
// own, so a loaded machine changes nothing.
TEST(JobControlTest, PreviewStartsOnceThePreviewDelayAfterTheLastChange)
{
    CSetting setting = FirstStartSetting(L"", L"abc");
    CTestView view;
    CTestJobControl jobs(view, setting);
    std::vector<DWORD> started;  // the clock at each preview task made
    DWORD clock = 50000;
    CHandle release(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    jobs.makePreview = [&](int, int) {
        started.push_back(clock);
        auto task = boost::make_shared<CFakeTask>();
        task->Init(&jobs);
        // Runs until told to stop or released.
        task->body = [&](CFakeTask& t) {
            while (!t.IsTerminated() && WaitForSingleObject(release.Get(), 5) == WAIT_TIMEOUT) {
            }
        };
        return task;
    };
    const DWORD delay = CJobControl::kPreviewDelay;
    // Three changes within 400 ms, and the timer ticking every 100 ms.
    const int changes[] = {0, 150, 400};
    for (int t = 0; t < 400 + static_cast<int>(delay); t += 100) {
        clock = 50000 + t;
        for (int c : changes)
            if (c > t - 100 && c <= t)
                jobs.SchedulePreview(50000 + c);
        jobs.OnTimer(clock);
        EXPECT_TRUE(started.empty()) << t;
    }
    clock = 50000 + 400 + delay - 1;
    jobs.OnTimer(clock);
    EXPECT_TRUE(started.empty());
    clock = 50000 + 400 + delay;
    jobs.OnTimer(clock);
    ASSERT_EQ(1u, started.size());
    EXPECT_TRUE(jobs.IsRunning());
    EXPECT_FALSE(jobs.IsPreviewPending());

    // A change while it runs: it runs on until the next one is due, which
    // then takes its place.
    const DWORD change = clock + 20;
    jobs.SchedulePreview(change);
    clock = change + delay - 1;
    jobs.OnTimer(clock);
    EXPECT_EQ(1u, started.size());
    EXPECT_TRUE(jobs.IsRunning());
    clock = change + delay;
    jobs.OnTimer(clock);
    EXPECT_EQ(2u, started.size());
    SetEvent(release.Get());
    ASSERT_TRUE(RunUntilIdle(jobs));
    EXPECT_EQ(2u, started.size());
}

TEST(JobControlTest, SaveWritesEveryUnitAndAsksBeforeOverwriting)
{
    CTempFolder folder;
    CSetting setting = FirstStartSetting(folder.File(L"out"), L"一行目\r\n二行目\r\n三行目");
    CTestView view;
    CTestJobControl jobs(view, setting);
    jobs.StartJob(false);
    EXPECT_TRUE(jobs.IsSaveRunning());
    EXPECT_EQ(true, view.controls.at(0));
    ASSERT_TRUE(RunUntilIdle(jobs));
    ASSERT_EQ(1u, view.finished.size());
    EXPECT_EQ(3, view.finished[0].count);
    EXPECT_FALSE(view.finished[0].oneFile);
    EXPECT_EQ(folder.File(L"out\\1.png"), view.finished[0].path);
    EXPECT_EQ(folder.File(L"out"), view.finished[0].folder);
    EXPECT_FALSE(view.controls.back());
    EXPECT_TRUE(view.finished[0].barFull);
    for (const wchar_t* name : {L"out\\1.png", L"out\\2.png", L"out\\3.png"})
        EXPECT_TRUE(FileExists(folder.File(name))) << Narrow(name);

    // The same again: the three files exist; declining writes nothing.
    const std::string before = ReadFileBytes(folder.File(L"out\\2.png"));
    WriteFileBytes(folder.File(L"out\\2.png"), "kept");
    view.msg.answer = IDCANCEL;
    // A change during the question: its timer must not start a preview
    // inside the save job being built.
    view.msg.onBox = [&] {
        jobs.SchedulePreview(GetTickCount());
        jobs.OnTimer(Later());
    };
    jobs.StartJob(false);
    view.msg.onBox = nullptr;
    EXPECT_FALSE(jobs.IsRunning());
    EXPECT_TRUE(jobs.IsPreviewPending());
    ASSERT_EQ(1u, view.msg.boxes.size());
    EXPECT_NE(std::wstring::npos, view.msg.boxes[0].text.find(L"3 ")) << Narrow(view.msg.boxes[0].text);
    EXPECT_FALSE(view.controls.back());
    EXPECT_EQ("kept", ReadFileBytes(folder.File(L"out\\2.png")));

    // A one-file PDF: one document of three pages.
    setting.SaveFormat.Type = OutputType::PDF;
    setting.SingleFile = true;
    view.msg.answer = IDOK;
    jobs.StartJob(false);
    ASSERT_TRUE(RunUntilIdle(jobs));
    ASSERT_EQ(2u, view.finished.size());
    EXPECT_EQ(3, view.finished[1].count);
    EXPECT_TRUE(view.finished[1].oneFile);
    EXPECT_EQ(folder.File(L"out\\1.pdf"), view.finished[1].path);
    EXPECT_NE(std::string::npos, ReadFileBytes(folder.File(L"out\\1.pdf")).find("/Count 3"));

    // A document that cannot be written (a full volume): its error instead of
    // the finished dialog, the inputs back, and no preview after it.
    const std::string pdf = ReadFileBytes(folder.File(L"out\\1.pdf"));
    view.msg.Clear();
    SetReplacingWriterSpaceForTest(100);
    jobs.StartJob(false);
    const DWORD start = GetTickCount();
    while (jobs.IsSaveRunning() && GetTickCount() - start < kPatience) {
        jobs.OnTimer(Later());
        Sleep(5);
    }
    SetReplacingWriterSpaceForTest(-1);
    EXPECT_FALSE(jobs.IsRunning());
    EXPECT_EQ(1u, view.msg.errors.size());
    EXPECT_EQ(2u, view.finished.size());
    EXPECT_FALSE(view.controls.back());
    EXPECT_FALSE(jobs.IsPreviewPending());
    EXPECT_EQ(pdf, ReadFileBytes(folder.File(L"out\\1.pdf")));

    // A folder that cannot be made: IDS_CREATE_OUTPUT_FOLDER_FAILED, and the inputs come back.
    WriteFileBytes(folder.File(L"file"), "x");
    setting.FolderPath = folder.File(L"file\\sub");
    view.msg.Clear();
    jobs.StartJob(false);
    EXPECT_FALSE(jobs.IsRunning());
    ASSERT_EQ(1u, view.msg.boxes.size());
    EXPECT_EQ(static_cast<UINT>(MB_ICONERROR), view.msg.boxes[0].flags & MB_ICONMASK);
    EXPECT_FALSE(view.controls.back());
}

TEST(JobControlTest, StopDuringALongCharacterJob)
{
    CTempFolder folder;
    // 700 units: a 16-bit range would overflow at 655.
    CSetting setting = FirstStartSetting(folder.Path(), std::wstring(700, L'字'));
    setting.Unit = TextUnit::CHAR;
    CTestView view;
    CTestJobControl jobs(view, setting);
    // The box of the stop comes from inside the timer; its loop runs the timer again.
    int reentered = 0;
    view.msg.onBox = [&] {
        ++reentered;
        jobs.OnTimer(Later());
    };
    jobs.StartJob(false);
    EXPECT_EQ(70000, view.maxUpper);
    // Stopped once it is under way: its first file counted, far from its last.
    const DWORD start = GetTickCount();
    while (view.position == 0 && jobs.IsSaveRunning() && GetTickCount() - start < kPatience) {
        jobs.OnTimer(Later());
        Sleep(5);
    }
    ASSERT_GT(view.position, 0);
    ASSERT_LT(view.position, view.upper);
    jobs.Stop();
    ASSERT_TRUE(RunUntilIdle(jobs));
    ASSERT_EQ(1u, view.msg.boxes.size());
    EXPECT_EQ(LoadResourceString(IDS_JOB_STOPPED, false), view.msg.boxes[0].text);
    EXPECT_EQ(static_cast<UINT>(MB_ICONWARNING), view.msg.boxes[0].flags & MB_ICONMASK);
    EXPECT_EQ(1, reentered);
    EXPECT_TRUE(view.finished.empty());
    EXPECT_FALSE(view.controls.back());
}

// A save holds no unit the timer has taken over: each task goes, with its
// image and its layout, once it is shown (the pane keeps the newest image).
// The worker waits after handing each task back until the timer has looked.
TEST(JobControlTest, ASaveLetsEachUnitGoOnceTakenOver)
{
    class CWatchingJobControl : public CTestJobControl {
    public:
        using CTestJobControl::CTestJobControl;
        std::vector<boost::weak_ptr<CKanteloTask> > handed;  // the worker's, read between the events
        CHandle arrived{CreateEventW(nullptr, FALSE, FALSE, nullptr)};
        CHandle looked{CreateEventW(nullptr, FALSE, FALSE, nullptr)};
        void OnTaskFinished(boost::shared_ptr<CKanteloTask> task) override
        {
            if (task->Path.empty()) {  // the preview after the save
                CTestJobControl::OnTaskFinished(task);
                return;
            }
            handed.push_back(task);
            CTestJobControl::OnTaskFinished(task);
            SetEvent(arrived.Get());
            WaitForSingleObject(looked.Get(), kPatience);
        }
    };
    CTempFolder folder;
    std::wstring text;
    for (int i = 1; i <= 8; ++i)
        text += L"行" + std::to_wstring(i) + L"\r\n";
    CSetting setting = FirstStartSetting(folder.Path(), text);
    CTestView view;
    CWatchingJobControl jobs(view, setting);
    jobs.StartJob(false);
    size_t mostAlive = 0;
    for (int i = 1; i <= 8; ++i) {
        ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(jobs.arrived.Get(), kPatience)) << i;
        // The last one ends the job, which waits for the worker: let it go first.
        if (i < 8) {
            jobs.OnTimer(Later());
            size_t alive = 0;
            for (const boost::weak_ptr<CKanteloTask>& task : jobs.handed)
                alive += task.expired() ? 0 : 1;
            mostAlive = std::max(mostAlive, alive);
        }
        SetEvent(jobs.looked.Get());
    }
    ASSERT_TRUE(RunUntilIdle(jobs));
    EXPECT_EQ(1u, mostAlive) << "only the task the worker is handing back";
    ASSERT_EQ(1u, view.finished.size());
    EXPECT_EQ(8, view.finished[0].count);
    EXPECT_EQ(folder.File(L"1.png"), view.finished[0].path);
    EXPECT_EQ(folder.Path(), view.finished[0].folder);
}

// A one-file job stopped after its first unit never ends its document: no
// file of a few pages appears in place of the whole one.
TEST(JobControlTest, AStoppedOneFileJobWritesNoDocument)
{
    CTempFolder folder;
    CSetting setting = FirstStartSetting(folder.Path(), std::wstring(200, L'字'));
    setting.Unit = TextUnit::CHAR;
    setting.SaveFormat.Type = OutputType::PDF;
    setting.SingleFile = true;
    CTestView view;
    CTestJobControl jobs(view, setting);
    jobs.StartJob(false);
    ASSERT_TRUE(jobs.IsSaveRunning());
    const DWORD start = GetTickCount();
    while (view.position < 100 && jobs.IsSaveRunning() && GetTickCount() - start < kPatience) {
        jobs.OnTimer(GetTickCount());
        Sleep(5);
    }
    ASSERT_TRUE(jobs.IsSaveRunning());  // the first unit is done, the job is not
    jobs.Stop();
    ASSERT_TRUE(RunUntilIdle(jobs));
    ASSERT_EQ(1u, view.msg.boxes.size());
    EXPECT_EQ(LoadResourceString(IDS_JOB_STOPPED, false), view.msg.boxes[0].text);
    EXPECT_TRUE(view.finished.empty());
    EXPECT_EQ(0, CountFiles(folder.Path())) << "the document was ended";
}

TEST(JobControlTest, AWorkerThatDiesEndsTheJobWithAnError)
{
    CSetting setting = FirstStartSetting(L"", L"abc");
    CTestView view;
    CTestJobControl jobs(view, setting);
    // The thread ends inside the task: no task comes back.
    jobs.makePreview = [&](int, int) {
        auto task = boost::make_shared<CFakeTask>();
        task->Init(&jobs);
        task->body = [](CFakeTask&) { ExitThread(7); };
        return task;
    };
    jobs.SchedulePreview(GetTickCount());
    ASSERT_TRUE(RunUntilIdle(jobs));
    EXPECT_FALSE(view.previewError.empty());
    EXPECT_FALSE(jobs.IsRunning());
}

// Every preview runs on a worker thread that ends with it, while the window
// copies the new image into fresh memory. Whatever the ending thread lets go
// must be its own: a block of the window's freed under it (the header of the
// pane's copy, once) sent the copy's rows to wild addresses.
TEST(JobControlTest, WorkersThatEndLeaveTheMemoryOfOtherThreadsAlone)
{
    // Small blocks that point to blocks, as the window's objects do, each
    // filled with its own byte and checked before it is let go, churned on
    // a thread of their own while the previews come and go.
    struct CChurn {
        std::atomic<bool> stop{false};
        std::atomic<int> damaged{0};
        void Run()
        {
            std::vector<std::unique_ptr<std::vector<BYTE> > > ring(256);
            for (unsigned serial = 0; !stop; ++serial) {
                std::unique_ptr<std::vector<BYTE> >& node = ring[serial % ring.size()];
                if (node)
                    for (BYTE b : *node)
                        if (b != node->size()) {
                            ++damaged;
                            break;
                        }
                const size_t size = 8 + serial % 41;
                node.reset(new std::vector<BYTE>(size, static_cast<BYTE>(size)));
            }
        }
    } churn;
    std::thread churner([&] { churn.Run(); });
    CTestView view;
    CSetting setting = FirstStartSetting(L"", L"縁取り");
    CTestJobControl jobs(view, setting);
    // A number of previews, however long they take on this machine.
    const int previews = 40;
    for (int i = 0; i < previews && churn.damaged == 0; ++i) {
        setting.Text = setting.Text.size() < 12 ? setting.Text + L"字" : L"縁取り";
        jobs.SchedulePreview(GetTickCount());
        if (!RunUntilIdle(jobs))
            break;
    }
    churn.stop = true;
    churner.join();
    EXPECT_EQ(0, churn.damaged);
    EXPECT_EQ(previews, view.images);
}

// An output folder longer than the system allows is reported as such before
// anything is made, and the inputs come back.
TEST(JobControlTest, ATooLongOutputFolderIsReportedBeforeAnythingIsMade)
{
    CTempFolder folder;
    std::wstring deep = folder.File(L"out");
    while (deep.size() <= kMaxFolderPath)
        deep += L"\\" + std::wstring(30, L'd');
    CSetting setting = FirstStartSetting(deep, L"a");
    CTestView view;
    CTestJobControl jobs(view, setting);
    jobs.StartJob(false);
    EXPECT_FALSE(jobs.IsRunning());
    ASSERT_EQ(1u, view.msg.boxes.size());
    const std::wstring& text = view.msg.boxes[0].text;
    const std::wstring format = LoadResourceString(IDS_OUTPUT_FOLDER_TOO_LONG);
    EXPECT_EQ(0u, text.compare(0, format.find(L'%'), format, 0, format.find(L'%'))) << Narrow(text);
    EXPECT_NE(std::wstring::npos, text.find(deep));
    EXPECT_NE(std::wstring::npos, text.find(std::to_wstring(kMaxFolderPath)));
    EXPECT_FALSE(view.controls.back());
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(folder.File(L"out").c_str()));

    // One that is there (made through the \\?\ form) is refused for the names of the files in it.
    setting.FolderPath = folder.File(std::wstring(kMaxFolderPath - folder.Path().size(), L'o'));
    ASSERT_TRUE(CreateDirectoryW((L"\\\\?\\" + setting.FolderPath).c_str(), nullptr));
    view.msg.Clear();
    jobs.StartJob(false);
    ASSERT_EQ(1u, view.msg.boxes.size());
    EXPECT_EQ(CSimpleErr::Format(IDS_FOLDER_TOO_LONG_FOR_FILES, std::to_wstring(kMaxFolderPath), setting.FolderPath),
              view.msg.boxes[0].text);
}
