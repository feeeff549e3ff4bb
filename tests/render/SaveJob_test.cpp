// Save jobs as the window and the render tool run them: what a failing disk
// leaves behind, and what the job reports.
#include "render/SaveJob.h"
#include "render/DocumentMemory.h"
#include "render/OutputUnits.h"
#include "foundation/ReplacingFileWriter.h"
#include "outline/PdfRenderer.h"
#include "outline/VectorRenderer.h"
#include "resources/strings_engine.h"
#include "resources/strings_foundation_io.h"
#include "resources/strings_outline.h"
#include "tests/outline/PdfTestSupport.h"
#include "tests/render/TaskTestSupport.h"
#include <gtest/gtest.h>
#include <memory>

namespace {

struct CFormatCase {
    const char* name;
    UINT type;
    bool singleFile;
    const wchar_t* extension;
    std::string signature;  // the file's first bytes
};

const CFormatCase kFormats[] = {
    {"PNG", OutputType::PNG, false, L"png", "\x89PNG"},
    {"JPEG", OutputType::JPEG, false, L"jpg", "\xFF\xD8"},
    {"PDF", OutputType::PDF, false, L"pdf", "%PDF"},
    {"PDF one file", OutputType::PDF, true, L"pdf", "%PDF"},
    {"SVG", OutputType::SVG, false, L"svg", "<?xml"},
    {"HTML", OutputType::SVG_TAG, false, L"html", "<svg"},
    {"HTML one file", OutputType::SVG_TAG, true, L"html", "<svg"},
    {"EMF", OutputType::EMF, false, L"emf", std::string("\x01\0\0\0", 4)},
};

CSetting JobSetting(const CFormatCase& f)
{
    CSetting s = *MakeSetting(L"IPAGothic", SHIFTJIS_CHARSET, 300);
    s.Borderings[0].SetPreset(30, RGB(255, 255, 255), 100, 0, 0, 0);
    s.UseBorderings[0] = 1;
    s.SaveFormat.Type = f.type;
    s.SingleFile = f.singleFile;
    s.Unit = TextUnit::LINE;
    s.FnameType = FnameType::SEQ;
    return s;
}

} // namespace

TEST(SaveJobTest, AFullDiskLeavesEveryOldFileAsItWas)
{
    for (const CFormatCase& f : kFormats) {
        CTempFolder folder;
        const CSetting setting = JobSetting(f);
        const std::wstring text = L"縁取り\n文字";
        const std::wstring first = folder.File(std::wstring(L"1.") + f.extension);
        ASSERT_TRUE(WriteFileBytes(first, "the old file"));
        std::vector<std::wstring> files;
        std::wstring error;
        // Room for far less than any of the files: each one fails part-way.
        SetReplacingWriterSpaceForTest(100);
        const bool saved = RunSaveJob(setting, text, folder.Path(), files, error);
        SetReplacingWriterSpaceForTest(-1);
        EXPECT_FALSE(saved) << f.name;
        EXPECT_TRUE(files.empty()) << f.name;  // nothing counts as written
        EXPECT_NE(std::wstring::npos, error.find(SystemText(HResultFromWin32(ERROR_DISK_FULL))))
            << f.name << ": " << Narrow(error);
        EXPECT_EQ("the old file", ReadFileBytes(first)) << f.name;
        EXPECT_EQ(1, CountFiles(folder.Path())) << f.name;  // no temporary left

        files.clear();
        ASSERT_TRUE(RunSaveJob(setting, text, folder.Path(), files, error)) << f.name << ": " << Narrow(error);
        ASSERT_EQ(f.singleFile ? 1u : 2u, files.size()) << f.name;
        EXPECT_EQ(first, files[0]);
        EXPECT_EQ(static_cast<int>(files.size()), CountFiles(folder.Path())) << f.name;
        for (const std::wstring& file : files)
            EXPECT_EQ(f.signature, ReadFileBytes(file).substr(0, f.signature.size())) << f.name;
    }
}

// Memory that runs out while a vector file is made, or surely would, is named
// with the file and the unit; a one-file document that cannot be finished
// leaves no file, its temporary (which holds the first page by then)
// included.
TEST(SaveJobTest, MemoryThatRunsOutIsNamedWithTheFileAndTheUnit)
{
    // The first page fits, the second, four times its drawing, does not:
    // below what the pages hold together, the growth of the second refuses it
    // while it is drawn (or its estimate refuses it first); below the estimate of the
    // second page (twice the first's), or of both pages for a PDF that holds
    // every page, the estimate refuses it: EMF keeps no count of its own.
    struct CCase {
        const CFormatCase& format;
        bool belowEstimate;
    } cases[] = {{kFormats[4], false}, {kFormats[6], false}, {kFormats[7], true}, {kFormats[3], true}};
    struct CCounter : CKanteloTaskClient {
        int told = 0;
        void OnTaskFinished(boost::shared_ptr<CKanteloTask>) override { ++told; }
    };
    for (const CCase& c : cases) {
        const CFormatCase& f = c.format;
        CTempFolder folder;
        const std::wstring text = L"縁\n縁縁縁縁";
        const CSetting setting = JobSetting(f);
        std::vector<std::wstring> files;
        std::wstring error;
        long long limit = 0;
        if (c.belowEstimate) {
            CTaskFonts fonts;
            fonts.Create(setting.FontSetting);
            CDocumentMemoryEstimate estimate(setting, fonts);
            const unsigned long long first = estimate.PageBytes(L"縁"), second = estimate.PageBytes(L"縁縁縁縁");
            limit = static_cast<long long>(HoldsEveryPage(setting) ? first + second - 1 : 2 * first);
        } else {
            ASSERT_TRUE(RunSaveJob(setting, text, folder.Path(), files, error)) << f.name << ": " << Narrow(error);
            size_t bytes = 0;
            for (const std::wstring& file : files) {
                bytes += ReadFileBytes(file).size();
                DeleteFileW(file.c_str());
            }
            limit = static_cast<long long>(bytes / 3);
        }
        CCounter counter;
        SetDocumentMemoryForTest(static_cast<long long>(kSaveReserve) + limit);
        const bool saved = RunSaveJob(setting, text, folder.Path(), files, error, nullptr, &counter);
        SetDocumentMemoryForTest(-1);
        EXPECT_FALSE(saved) << f.name;
        const std::wstring file = folder.File(std::wstring(f.singleFile ? L"1." : L"2.") + f.extension);
        EXPECT_EQ(Narrow(CSimpleErr::Format(IDS_OUTPUT_TOO_LARGE_FOR_MEMORY, file, L"2", L"縁縁縁縁")), Narrow(error))
            << f.name;
        EXPECT_EQ(f.singleFile ? 0 : 1, CountFiles(folder.Path())) << f.name;
        EXPECT_EQ(2, counter.told) << f.name;
    }
}

// A one-file PDF whose estimate fits in the limit but whose pages together would not is
// refused at the unit where it really stops fitting, whatever text follows it, and the text
// before that unit is written; a one-file HTML document, which holds one page at a time,
// from the growth of its page. Neither leaves a file.
TEST(SaveJobTest, AOneFileDocumentThatWouldOutgrowTheLimitIsRefusedAtTheUnitThatDoesNotFit)
{
    struct CCounter : CKanteloTaskClient {
        int told = 0;
        long long pdfHeld = 0;
        void OnTaskFinished(boost::shared_ptr<CKanteloTask>) override
        {
            ++told;
            pdfHeld = PdfMemoryInUse();
        }
    };
    const std::wstring line(30, L'縁');
    for (const CFormatCase& f : {kFormats[3], kFormats[6]}) {
        CTempFolder folder;
        const CSetting setting = JobSetting(f);
        const bool pdf = f.type == OutputType::PDF;
        const int lines = pdf ? 12 : 2;
        std::wstring text;
        for (int i = 0; i < 3 * lines; ++i)
            text += (pdf || i > 0 ? line : L"縁") + L"\n";
        const auto linesOf = [&](int n) { size_t end = 0; while (n-- > 0) end = text.find(L'\n', end) + 1; return text.substr(0, end); };
        // What the document (PDF) or the last page (HTML) really holds.
        std::vector<std::wstring> files;
        std::wstring error;
        CCounter whole;
        ASSERT_TRUE(RunSaveJob(setting, linesOf(lines), folder.Path(), files, error, nullptr, &whole)) << Narrow(error);
        const std::string bytes = ReadFileBytes(files.at(0));
        const double held = pdf ? static_cast<double>(whole.pdfHeld)
                                : static_cast<double>(bytes.size() - bytes.find("<svg", 1));
        ASSERT_TRUE(DeleteFileW(files[0].c_str()));
        SetDocumentMemoryForTest(static_cast<long long>(kSaveReserve + held * (pdf ? 0.6 : 0.5)));
        std::vector<int> named;  // the unit whose task failed last, by the text and a longer one
        for (const int n : {lines, 3 * lines}) {
            CCounter counter;
            EXPECT_FALSE(RunSaveJob(setting, linesOf(n), folder.Path(), files, error, nullptr, &counter)) << f.name;
            named.push_back(counter.told);
            EXPECT_EQ(Narrow(CSimpleErr::Format(IDS_OUTPUT_TOO_LARGE_FOR_MEMORY, files[0], std::to_wstring(counter.told), line)),
                      Narrow(error)) << f.name;
        }
        EXPECT_EQ(0, CountFiles(folder.Path())) << f.name;
        EXPECT_TRUE(named[0] == named[1] && named[0] > (pdf ? 2 : 1)) << f.name << ": " << named[0] << ", " << named[1];
        EXPECT_TRUE(!pdf || RunSaveJob(setting, linesOf(named[0] - 1), folder.Path(), files, error)) << Narrow(error);
        SetDocumentMemoryForTest(-1);
    }
}

// A one-file PDF is refused at the unit with which its table would lie past what libHaru
// writes (a lowered limit stands for 2 GiB), whatever follows it, and leaves no file; the
// text before that unit is written up to the limit, its table pointing at every object.
TEST(SaveJobTest, APdfWhoseTableWouldPassTheLimitIsRefusedAtTheUnitThatTakesItThere)
{
    const CSetting setting = JobSetting(kFormats[3]);
    CTempFolder folder;
    std::vector<std::wstring> files;
    std::wstring error, three = L"縁\n縁縁\n縁縁縁\n";
    ASSERT_TRUE(RunSaveJob(setting, three, folder.Path(), files, error)) << Narrow(error);
    const CPdfFacts written = ReadPdfFacts(files[0]);
    EXPECT_EQ("", written.tableFault);
    ASSERT_TRUE(DeleteFileW(files[0].c_str()));
    SetPdfTableOffsetLimitForTest(written.table);
    for (const wchar_t* more : {L"縁縁縁縁\n", L"縁縁縁縁\n縁縁縁縁縁\n縁\n"}) {
        EXPECT_FALSE(RunSaveJob(setting, three + more, folder.Path(), files, error));
        EXPECT_EQ(Narrow(CSimpleErr::Format(IDS_OUTPUT_TOO_LARGE_FOR_PDF, files[0], L"4", L"縁縁縁縁")), Narrow(error));
        EXPECT_EQ(0, CountFiles(folder.Path()));
    }
    EXPECT_TRUE(RunSaveJob(setting, three, folder.Path(), files, error)) << Narrow(error);
    SetPdfTableOffsetLimitForTest(-1);
    EXPECT_EQ(written.bytes, ReadFileBytes(files.back()));
}

// A one-file save killed while it wrote left its temporary beside the
// document: the next save removes it, not the one another instance is writing.
TEST(SaveJobTest, ASaveRemovesWhatAKilledSaveOfItsDocumentLeft)
{
    for (const CFormatCase& f : {kFormats[0], kFormats[3], kFormats[6]}) {
        CTempFolder folder;
        const std::wstring document = folder.File(std::wstring(L"1.") + f.extension);
        CReplacingFileWriter killed(document, false), live(document, false);
        ASSERT_TRUE(SUCCEEDED(killed.WriteTemporary(std::string(1 << 20, 'k'))) && SUCCEEDED(live.Open()));
        const std::wstring leftover = killed.TemporaryPath();
        killed.Abandon();
        std::vector<std::wstring> files;
        std::wstring error;
        ASSERT_TRUE(RunSaveJob(JobSetting(f), L"縁取り\n文字", folder.Path(), files, error)) << Narrow(error);
        EXPECT_FALSE(FileExists(leftover)) << f.name;
        EXPECT_TRUE(FileExists(live.TemporaryPath())) << f.name;
    }
}

TEST(SaveJobTest, LongTitlesAreWrittenUnderTheNamesReported)
{
    // Lines of 90 and 300 kanji named by their text, two of them alike in
    // their first 300 characters: every file is written, under a cut name that
    // is unique, and each reported file is there.
    CTempFolder folder;
    CSetting setting = JobSetting(kFormats[0]);
    setting.FnameType = FnameType::TEXT;
    const std::wstring line90(90, L'\u7E01'), line300(300, L'\u6587');
    const std::wstring text = line90 + L"\n" + line300 + L"\n" + line300 + L"x";
    std::vector<std::wstring> files;
    std::wstring error;
    ASSERT_TRUE(RunSaveJob(setting, text, folder.Path(), files, error)) << Narrow(error);
    ASSERT_EQ(3u, files.size());
    EXPECT_EQ(3, CountFiles(folder.Path()));
    for (const std::wstring& f : files) {
        EXPECT_TRUE(FileExists(f)) << Narrow(f);
        const std::wstring name = f.substr(f.rfind(L'\\') + 1);
        EXPECT_LE(Utf8Length(name), kMaxFileNameBytes);
        EXPECT_EQ(L".png", name.substr(name.size() - 4));
    }
    EXPECT_EQ(line90.substr(0, 83) + L".png", files[0].substr(files[0].rfind(L'\\') + 1));
    EXPECT_NE(files[1], files[2]);
}

TEST(SaveJobTest, AnEmojiIsOneCharacterOfItsOwn)
{
    CTempFolder folder;
    CSetting setting = JobSetting(kFormats[0]);
    setting.Unit = TextUnit::CHAR;
    setting.FnameType = FnameType::TEXT;
    std::vector<std::wstring> files;
    std::wstring error;
    ASSERT_TRUE(RunSaveJob(setting, L"\U0001F600a", folder.Path(), files, error)) << Narrow(error);
    ASSERT_EQ(2u, files.size());
    EXPECT_EQ(folder.File(L"\U0001F600.png"), files[0]);
    EXPECT_EQ(folder.File(L"a.png"), files[1]);
    for (const std::wstring& f : files)
        EXPECT_TRUE(FileExists(f)) << Narrow(f);
}

TEST(SaveJobTest, AFileWhereTheFolderShouldBeIsReported)
{
    CTempFolder temp;
    const std::wstring notFolder = temp.File(L"out");
    ASSERT_TRUE(WriteFileBytes(notFolder, "a file"));
    std::vector<std::wstring> files;
    std::wstring error;
    EXPECT_FALSE(RunSaveJob(JobSetting(kFormats[0]), L"縁", notFolder, files, error));
    EXPECT_EQ(my::CException(IDS_CREATE_FOLDER_FAILED, HResultFromWin32(ERROR_ALREADY_EXISTS), notFolder).message, error);
    EXPECT_EQ("a file", ReadFileBytes(notFolder));
}

TEST(SaveJobTest, AFaceNoFontHasIsNamedInEveryFormat)
{
    // Raster and vector tasks alike refuse it, and write nothing.
    for (const CFormatCase& f : kFormats) {
        CTempFolder folder;
        CSetting setting = JobSetting(f);
        setting.FontSetting.FontFace = L"No Such Face 12345";
        std::vector<std::wstring> files;
        std::wstring error;
        EXPECT_FALSE(RunSaveJob(setting, L"縁", folder.Path(), files, error)) << f.name;
        EXPECT_EQ(Narrow(CSimpleErr::Format(IDS_FONT_FACE_NOT_INSTALLED, L"No Such Face 12345")), Narrow(error))
            << f.name;
        EXPECT_TRUE(files.empty()) << f.name;
    }
}

// A job of many lines holds one unit's task and picture at a time: each is
// let go once its file is written (the first unit's picture is handed back).
TEST(SaveJobTest, EachUnitIsLetGoOnceItsFileIsWritten)
{
    struct CWatch : CKanteloTaskClient {
        std::vector<boost::weak_ptr<CKanteloTask> > tasks;
        std::vector<boost::weak_ptr<CDib> > images;
        size_t mostTasksAlive = 0, mostImagesAlive = 0;
        void OnTaskFinished(boost::shared_ptr<CKanteloTask> task) override
        {
            tasks.push_back(task);
            images.push_back(task->GetResultImage());
            size_t tasksAlive = 0, imagesAlive = 0;
            for (size_t i = 0; i < tasks.size(); ++i) {
                tasksAlive += tasks[i].expired() ? 0 : 1;
                imagesAlive += i > 0 && !images[i].expired() ? 1 : 0;
            }
            mostTasksAlive = std::max(mostTasksAlive, tasksAlive);
            mostImagesAlive = std::max(mostImagesAlive, imagesAlive);
        }
    };
    for (const CFormatCase& f : {kFormats[0], kFormats[3]}) {
        CTempFolder folder;
        std::wstring text;
        for (int i = 0; i < 12; ++i)
            text += L"行" + std::to_wstring(i) + L"\n";
        CWatch watch;
        std::vector<std::wstring> files;
        std::wstring error;
        boost::shared_ptr<CDib> first;
        ASSERT_TRUE(RunSaveJob(JobSetting(f), text, folder.Path(), files, error, &first, &watch))
            << f.name << ": " << Narrow(error);
        ASSERT_EQ(12u, watch.tasks.size()) << f.name;
        EXPECT_EQ(1u, watch.mostTasksAlive) << f.name << ": only the task that just finished";
        EXPECT_GE(1u, watch.mostImagesAlive) << f.name;
        ASSERT_TRUE(first) << f.name;
        EXPECT_EQ(first, watch.images[0].lock()) << f.name;
    }
}
