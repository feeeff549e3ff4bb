#include "foundation/ReplacingFileWriter.h"
#include "foundation/ShellOps.h"
#include "foundation/ResourceString.h"
#include "resources/strings_foundation.h"
#include "resources/strings_foundation_io.h"
#include "tests/common/TestSupport.h"
#include <gtest/gtest.h>
#include <thread>

namespace {

// The temporary a save of the target killed while it wrote leaves.
std::wstring LeaveTemporary(const std::wstring& target)
{
    CReplacingFileWriter killed(target, false);
    const std::wstring leftover = SUCCEEDED(killed.Open()) ? killed.TemporaryPath() : L"";
    killed.Abandon();
    return leftover;
}

// A writer whose replace was refused (the target held) is alive between its
// temporary's close and the replace; once `go` is set it tries again.
HRESULT CommitAfterARefusal(const std::wstring& target, HANDLE ready, HANDLE go)
{
    CReplacingFileWriter writer(target, false);
    HRESULT hr = writer.WriteTemporary("first");
    if (SUCCEEDED(hr)) {
        const CHandle holder = HoldWithoutSharing(target);
        hr = SUCCEEDED(writer.Commit()) ? E_UNEXPECTED : S_OK;
    }
    SetEvent(ready);
    return SUCCEEDED(hr) && WaitForSingleObject(go, INFINITE) == WAIT_OBJECT_0 ? writer.Commit() : hr;
}

// A process that ends itself at its g_killAt-th change of a name or of bytes (a rename or a link: ntdll's
// NtSetInformationFile with class 10 or 11; a write: NtWriteFile; also inside the system's calls), as a
// kill at that instant would: a breakpoint stands on each entry's first instruction, mov eax, imm32, and
// does its work.
const char* const kStepEntries[] = {"NtSetInformationFile", "NtWriteFile"};
BYTE* g_step[2] = {};
DWORD g_stepEax[2] = {};
long g_steps = 0, g_killAt = 0;

LONG CALLBACK StopAtNameSteps(EXCEPTION_POINTERS* e)
{
    CONTEXT& c = *e->ContextRecord;
    const EXCEPTION_RECORD& r = *e->ExceptionRecord;
    const int i = r.ExceptionAddress == g_step[1];
    if (r.ExceptionCode != EXCEPTION_BREAKPOINT || r.ExceptionAddress != g_step[i])
        return EXCEPTION_CONTINUE_SEARCH;
    const DWORD infoClass = reinterpret_cast<const DWORD*>(c.Esp)[5];
    if ((i == 1 || infoClass == 10 || infoClass == 11) && ++g_steps == g_killAt)
        TerminateProcess(GetCurrentProcess(), 0);
    c.Eax = g_stepEax[i], c.Eip = reinterpret_cast<DWORD>(g_step[i]) + 5;
    return EXCEPTION_CONTINUE_EXECUTION;
}

// One save of each kind: an output over its old file, a new output, a settings file with its .bak.
void SaveTheNames(const std::wstring& folder, const std::string& version)
{
    CReplacingWriterFolder job(folder);
    WriteOutputFile(folder + L"\\a.png", (version + " a").data(), version.size() + 2);
    WriteOutputFile(folder + L"\\b.png", (version + " b").data(), version.size() + 2);
    WriteFileReplacing(folder + L"\\s.config", version + " s");
}

} // namespace

TEST(ReplacingFileWriter, NewThenReplacedKeepsBackup)
{
    CTempFolder folder;
    const std::wstring path = folder.File(L"s.config");
    const std::wstring bak = CReplacingFileWriter::BackupPath(path);

    EXPECT_EQ(S_OK, WriteFileReplacing(path, "one"));
    EXPECT_EQ("one", ReadFileBytes(path));
    EXPECT_FALSE(FileExists(bak));
    EXPECT_EQ(1, CountFiles(folder.Path()));  // no temporary left behind

    EXPECT_EQ(S_OK, WriteFileReplacing(path, "two"));
    EXPECT_EQ("two", ReadFileBytes(path));
    EXPECT_EQ("one", ReadFileBytes(bak));

    // The same text again touches nothing: the backup keeps the older text.
    EXPECT_EQ(S_FALSE, WriteFileReplacing(path, "two"));
    EXPECT_EQ("one", ReadFileBytes(bak));
    EXPECT_EQ(2, CountFiles(folder.Path()));

    EXPECT_EQ(S_OK, WriteFileReplacing(path, ""));
    EXPECT_EQ("", ReadFileBytes(path));
    EXPECT_EQ("two", ReadFileBytes(bak));
}

TEST(ReplacingFileWriter, InterruptedWriteLeavesOldFile)
{
    CTempFolder folder;
    const std::wstring path = folder.File(L"s.config");
    ASSERT_EQ(S_OK, WriteFileReplacing(path, "old settings"));
    std::wstring leftover;
    {
        CReplacingFileWriter writer(path);
        ASSERT_EQ(S_OK, writer.WriteTemporary("new settings"));
        leftover = writer.TemporaryPath();
        writer.Abandon();  // the process dies before the replace
    }
    EXPECT_EQ("old settings", ReadFileBytes(path));
    EXPECT_EQ("new settings", ReadFileBytes(leftover));
    // A later save removes the leftover.
    EXPECT_EQ(S_OK, WriteFileReplacing(path, "newer"));
    EXPECT_EQ("newer", ReadFileBytes(path));
    EXPECT_FALSE(FileExists(leftover));
    EXPECT_EQ("old settings", ReadFileBytes(CReplacingFileWriter::BackupPath(path)));

    // A writer dropped without committing removes its temporary.
    {
        CReplacingFileWriter writer(path);
        ASSERT_EQ(S_OK, writer.WriteTemporary("never"));
        leftover = writer.TemporaryPath();
        EXPECT_TRUE(FileExists(leftover));
    }
    EXPECT_FALSE(FileExists(leftover));
    EXPECT_EQ("newer", ReadFileBytes(path));
}

// A temporary is named for its target within the limits of names and paths;
// the next save removes one a killed save left, never one a live writer holds.
TEST(ReplacingFileWriter, TemporariesAreNamedForTheirTargetAndLeftoversGo)
{
    CTempFolder temp;
    const std::pair<size_t, std::wstring> cases[] = {  // the folder's length (0: the test's), the name
        {0, L"out.svg"}, {0, std::wstring(251, L'a') + L".svg"}, {0, std::wstring(83, L'\u7E01') + L".png"},
        {0, std::wstring(80, L'\u7E01') + L"\U0001F600.svg"},  // the cut falls on the pair
        {240, std::wstring(14, L'b') + L".png"},               // a path of MAX_PATH - 1 units
        {kMaxFolderPath, L"1.png"},                            // the longest folder the program takes
    };
    for (const auto& c : cases) {
        const std::wstring folder =
            c.first ? temp.File(std::wstring(c.first - temp.Path().size() - 1, L'f')) : temp.Path();
        const std::wstring path = folder + L"\\" + c.second;
        CreateDirectoryW(folder.c_str(), nullptr);
        CReplacingFileWriter killed(path, false), live(path, false);
        ASSERT_EQ(S_OK, killed.WriteTemporary("killed")) << Narrow(path);
        const std::wstring leftover = killed.TemporaryPath(), name = leftover.substr(folder.size() + 1);
        killed.Abandon();
        ASSERT_EQ(S_OK, live.WriteTemporary("live"));
        EXPECT_LE(leftover.size(), MAX_PATH - 1u);
        EXPECT_LE(WideCharToMultiByte(CP_UTF8, 0, name.c_str(), -1, nullptr, 0, nullptr, nullptr), 256);
        EXPECT_EQ(0, c.second.compare(0, name.size() - 12, name, 0, name.size() - 12)) << Narrow(name);
        EXPECT_EQ(S_OK, WriteFileReplacing(path, "saved", false));
        EXPECT_FALSE(FileExists(leftover)) << Narrow(name);
        EXPECT_EQ(S_OK, live.Commit());
        EXPECT_EQ(1, CountFiles(folder));
        DeleteFileW(path.c_str());
    }
    // An old file under a writer's name (where earlier versions moved it aside: a save killed between their two
    // moves left the only copy) goes with a save of its target while that is there and is put back at the name
    // while it is missing, before the save writes (one that fails leaves it there); never for x when y is cut
    // to x's stem (both cut, or x whole but at the edge of its room).
    const size_t room = MAX_PATH - 1 - temp.Path().size() - 1 - 12;  // units for a whole name here
    const std::wstring edge = std::wstring(room - 4, L'a') + L".png", nearEdge = edge.substr(1), roomy = edge.substr(2);
    const std::wstring kanji(79, L'\u7E01');  // 237 UTF-8 bytes
    const struct { std::wstring x, y; bool xThere, goes; } olds[] = {  // x is saved, the old file is y's
        {L"own.png", L"own.png", true, true}, {L"gone.png", L"gone.png", false, true}, {roomy, roomy, true, true},
        {std::wstring(251, L'a') + L".svg", std::wstring(251, L'a') + L".png", true, false},
        {edge, edge + L"zz", true, false}, {nearEdge, nearEdge + L"\U0001F600", true, false},
        {kanji + L"ab", kanji + L"ab", true, true}, {kanji + L"abc", kanji + L"abc\U0001F600", true, false},  // 239, 240 bytes
    };
    for (const auto& c : olds) {
        const std::wstring tmp = LeaveTemporary(temp.File(c.y)), old = tmp.substr(0, tmp.size() - 4) + L".old";
        ASSERT_TRUE(WriteFileBytes(old, "y") && (!c.xThere || WriteFileBytes(temp.File(c.x), "x")));
        SetReplacingWriterSpaceForTest(c.xThere ? -1 : 0);
        EXPECT_EQ(c.xThere ? S_OK : HResultFromWin32(ERROR_DISK_FULL), WriteOutputFile(temp.File(c.x), "x", 1));
        SetReplacingWriterSpaceForTest(-1);
        EXPECT_EQ(!c.goes, FileExists(old)) << Narrow(c.y);
        EXPECT_EQ(c.xThere ? "x" : "y", ReadFileBytes(temp.File(c.x))) << Narrow(c.y);
    }
}

// A folder that leaves no room for a temporary's name, made as another program can (the \\?\ form), is said
// so, with the file, and nothing is written there.
TEST(ReplacingFileWriter, AFolderTooLongForTheTemporariesIsRefused)
{
    CTempFolder temp;
    const std::wstring folder = temp.File(std::wstring(MAX_PATH - 14 - temp.Path().size(), L'g')), path = folder + L"\\a.png";
    ASSERT_TRUE(CreateDirectoryW((L"\\\\?\\" + folder).c_str(), nullptr));
    EXPECT_EQ(my::CException(IDS_CREATE_FILE_FAILED, HResultFromWin32(ERROR_FILENAME_EXCED_RANGE), path).message,
              ThrownError([&] { WriteOutputFileOrThrow(path, "a", 1); }).message);
    EXPECT_EQ(0, CountFiles(folder));
}

// Run as a child process by the next test, with its events and target in the environment.
KNT_CHILD_CASE(ReplacingFileWriter, ChildCommitsAfterARefusal)
{
    wchar_t line[MAX_PATH + 32];
    int ready = 0, go = 0, at = 0;
    if (GetEnvironmentVariableW(L"KNT_WRITER_CHILD", line, MAX_PATH + 32) > 0 &&
        swscanf(line, L"%d %d %n", &ready, &go, &at) == 2) {
        EXPECT_EQ(S_OK, CommitAfterARefusal(line + at, HANDLE(INT_PTR(ready)), HANDLE(INT_PTR(go))));
    }
}

// Two saves of one file at once, by two threads and by two programs: the second leaves the first
// one's temporary, also between its close and the replace, and both succeed, the later replace last.
TEST(ReplacingFileWriter, ALiveWritersTemporaryStaysUpToItsReplace)
{
    for (const bool otherProgram : {false, true}) {
        CTempFolder folder;
        const std::wstring target = folder.File(L"out.png");
        ASSERT_TRUE(WriteFileBytes(target, "old"));
        SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};  // handles the child inherits
        const CHandle ready(CreateEventW(&sa, TRUE, FALSE, nullptr)), go(CreateEventW(&sa, TRUE, FALSE, nullptr));
        HRESULT result = E_FAIL;
        std::thread first([&] {
            if (!otherProgram)
                return void(result = CommitAfterARefusal(target, ready, go));
            std::wstring line = ChildCaseLine(L"ReplacingFileWriter", L"ChildCommitsAfterARefusal");
            SetEnvironmentVariableW(L"KNT_WRITER_CHILD", (std::to_wstring(INT_PTR(ready.Get())) + L" " +
                                                          std::to_wstring(INT_PTR(go.Get())) + L" " + target).c_str());
            STARTUPINFOW si = {sizeof si};
            PROCESS_INFORMATION pi = {};
            DWORD code = 1;
            if (CreateProcessW(nullptr, &line[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) {
                const CHandle process(pi.hProcess), thread(pi.hThread);
                WaitForSingleObject(process, INFINITE);
                GetExitCodeProcess(process, &code);
            }
            SetEnvironmentVariableW(L"KNT_WRITER_CHILD", nullptr);
            result = HRESULT(code);
            SetEvent(ready);  // also when the child never got there
        });
        WaitForSingleObject(ready, INFINITE);
        EXPECT_EQ(S_OK, WriteOutputFile(target, "second", 6)) << otherProgram;
        EXPECT_EQ(2, CountFiles(folder.Path())) << otherProgram;  // the target and the first one's temporary
        SetEvent(go);
        first.join();
        EXPECT_EQ(S_OK, result) << otherProgram;
        EXPECT_TRUE(ReadFileBytes(target) == "first" && CountFiles(folder.Path()) == 1) << otherProgram;
    }
}

// Run as a child process by the next test: saves the names in its folder and ends at its step (0: none),
// or exits with the count of its steps.
KNT_CHILD_CASE(ReplacingFileWriter, ChildSavesUntilItsStep)
{
    g_killAt = _wtoi(_wgetenv(L"KNT_WRITER_STEP"));
    DWORD was = 0;
    ASSERT_TRUE(AddVectoredExceptionHandler(1, StopAtNameSteps));
    for (int i = 0; i < 2; ++i) {
        g_step[i] = reinterpret_cast<BYTE*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), kStepEntries[i]));
        ASSERT_TRUE(g_step[i][0] == 0xB8 && VirtualProtect(g_step[i], 1, PAGE_EXECUTE_READWRITE, &was));
        g_stepEax[i] = *reinterpret_cast<const DWORD*>(g_step[i] + 1), g_step[i][0] = 0xCC;
    }
    SaveTheNames(_wgetenv(L"KNT_WRITER_FOLDER"), "new");
    ExitProcess(g_steps);
}

// A save killed at any instant, between any two changes of names or bytes (those inside the system's calls
// too), leaves every name holding its old file or its new one, whole; the next save cleans up what it left,
// and never puts a copy the kill cut short in place (the settings file deleted meanwhile).
TEST(ReplacingFileWriter, ASaveKilledAtAnyInstantLeavesEveryNameWhole)
{
    CTempFolder folder, output;
    SetEnvironmentVariableW(L"KNT_WRITER_FOLDER", folder.Path().c_str());
    const wchar_t* names[] = {L"a.png", L"b.png", L"s.config", L"s.config.bak"};
    const std::string old[] = {"old a", "", "old s", "older s"}, now[] = {"new a", "new b", "new s", "old s"};
    DWORD steps = 0;
    for (DWORD killAt = 0; killAt <= steps; ++killAt) {  // first to the end, counting the steps
        for (int i = 0; i < 4; ++i)
            ASSERT_TRUE(i == 1 ? DeleteFileW(folder.File(names[i]).c_str()) || killAt == 0
                               : WriteFileBytes(folder.File(names[i]), old[i]));
        SetEnvironmentVariableW(L"KNT_WRITER_STEP", std::to_wstring(killAt).c_str());
        const DWORD made = RunWithOutputFile(ChildCaseLine(L"ReplacingFileWriter", L"ChildSavesUntilItsStep"),
                                             output.File(L"child.txt"), INFINITE);
        steps = killAt ? steps : made;
        ASSERT_TRUE(steps >= 8 && steps < 30) << steps;
        for (int i = 0; i < 4; ++i) {
            const std::string bytes = ReadFileBytes(folder.File(names[i]));
            EXPECT_TRUE(bytes == old[i] || bytes == now[i]) << Narrow(names[i]) << " at " << killAt << ": " << bytes;
        }
        DeleteFileW(folder.File(names[2]).c_str());
        SaveTheNames(folder.Path(), "next");
        EXPECT_EQ(4, CountFiles(folder.Path())) << killAt;
        const std::string backup = ReadFileBytes(folder.File(names[3]));
        EXPECT_TRUE(backup == old[3] || backup == now[3]) << "backup at " << killAt << ": " << backup;
    }
}

// Two writers saving one target again and again, as two program instances: all succeed, the target whole.
TEST(ReplacingFileWriter, ConcurrentReplacesOfOneTargetAllSucceed)
{
    for (const bool keepBackup : {false, true}) {
        CTempFolder folder;
        const std::wstring target = folder.File(L"out.png");
        const CHandle go(CreateEventW(nullptr, TRUE, FALSE, nullptr));
        int failed[2] = {};
        const auto saves = [&](int who) {
            WaitForSingleObject(go, INFINITE);
            for (int i = 0; i < 100; ++i)
                failed[who] += FAILED(WriteFileReplacing(target, std::string(10000 + i % 2, 'a' + who), keepBackup));
        };
        std::thread a(saves, 0), b(saves, 1);
        SetEvent(go);
        a.join(), b.join();
        const std::string now = ReadFileBytes(target);
        EXPECT_TRUE(failed[0] + failed[1] == 0 && now.size() > 9999 && now == std::string(now.size(), now[0])) << keepBackup;
        EXPECT_EQ(keepBackup ? 2 : 1, CountFiles(folder.Path()));
    }
}

// A job's writers clean up from one listing, made at the first Open (a later leftover waits for the
// next job); a target made after it is still replaced, a folder made in its place still refused.
TEST(ReplacingFileWriter, AJobsWritersCleanUpFromOneListing)
{
    CTempFolder folder;
    const std::wstring a = LeaveTemporary(folder.File(L"a.png")), b = LeaveTemporary(folder.File(L"b.png"));
    std::unique_ptr<CReplacingWriterFolder> job(new CReplacingWriterFolder(folder.Path()));
    EXPECT_EQ(S_OK, WriteOutputFile(folder.File(L"a.png"), "a", 1));
    const std::wstring c = LeaveTemporary(folder.File(L"c.png"));
    for (const wchar_t* name : {L"b.png", L"c.png", L"a.png"})
        EXPECT_EQ(S_OK, WriteOutputFile(folder.File(name), "new", 3));
    EXPECT_TRUE(!FileExists(a) && !FileExists(b) && FileExists(c));
    EXPECT_EQ("new", ReadFileBytes(folder.File(L"a.png")));
    ASSERT_TRUE(CreateDirectoryW(folder.File(L"d.png").c_str(), nullptr));
    EXPECT_EQ(HResultFromWin32(ERROR_ACCESS_DENIED), WriteOutputFile(folder.File(L"d.png"), "d", 1));
    job.reset();
    EXPECT_EQ(S_OK, WriteOutputFile(folder.File(L"c.png"), "c", 1));
    EXPECT_FALSE(FileExists(c));
    EXPECT_EQ(3, CountFiles(folder.Path()));  // a, b and c; d is a folder
}

// A target that cannot be replaced (held open by another program: in use once
// the tries are over; read-only, or its backup's name a folder: access denied)
// is refused, and nothing of the attempt stays. What may pass later is tried
// twice at least, however long the first try took; a read-only target once.
TEST(ReplacingFileWriter, ARefusedReplaceLeavesOnlyWhatWasThere)
{
    SetReplacingWriterTryTimeForTest(kReplaceInUseRetryMs);
    for (const int refusal : {0, 1, 2})  // held, read-only, backup name taken
        for (const bool keepBackup : {true, false}) {
            if (refusal == 2 && !keepBackup)
                continue;
            CTempFolder folder;
            const std::wstring path = folder.File(L"out.svg");
            ASSERT_TRUE(WriteFileBytes(path, "old"));
            const bool held = refusal == 0;
            CHandle holder = held ? HoldWithoutSharing(path) : CHandle();
            ASSERT_TRUE(held ? holder.IsValid()
                        : refusal == 1 ? SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY)
                                       : CreateDirectoryW(CReplacingFileWriter::BackupPath(path).c_str(), nullptr));
            const unsigned long tries = ReplacingWriterTriesForTest();
            const HRESULT hr = WriteFileReplacing(path, "new", keepBackup);
            EXPECT_EQ(HResultFromWin32(held ? ERROR_SHARING_VIOLATION : ERROR_ACCESS_DENIED), hr) << refusal;
            EXPECT_EQ(refusal == 1 ? 1u : 2u, ReplacingWriterTriesForTest() - tries) << refusal << keepBackup;
            EXPECT_EQ(held, my::CException(IDS_WRITE_FILE_FAILED, hr, path).message ==
                                CSimpleErr::Format(IDS_WRITE_FILE_FAILED, LoadResourceString(IDS_FILE_IN_USE), path));
            holder.Close();
            SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            EXPECT_EQ("old", ReadFileBytes(path));
            EXPECT_EQ(1, CountFiles(folder.Path())) << refusal << keepBackup;
        }
    SetReplacingWriterTryTimeForTest(0);
}

TEST(ReplacingFileWriter, Failures)
{
    CTempFolder folder;
    const std::wstring path = folder.File(L"missing\\s.config");
    EXPECT_TRUE(FAILED(WriteFileReplacing(path, "x")));
    EXPECT_FALSE(FileExists(path));
    CReplacingFileWriter writer(folder.File(L"a"));
    EXPECT_EQ(E_UNEXPECTED, writer.Commit());  // nothing written yet
}

TEST(ReplacingFileWriter, WithoutBackup)
{
    CTempFolder folder;
    const std::wstring path = folder.File(L"d.knt");
    EXPECT_EQ(S_OK, WriteFileReplacing(path, "one", false));
    EXPECT_EQ(S_OK, WriteFileReplacing(path, "two", false));
    EXPECT_EQ("two", ReadFileBytes(path));
    EXPECT_FALSE(FileExists(CReplacingFileWriter::BackupPath(path)));
    EXPECT_EQ(1, CountFiles(folder.Path()));
}

TEST(ReplacingFileWriter, FullDiskLeavesTheOldFileAndNoTemporary)
{
    CTempFolder folder;
    const std::wstring path = folder.File(L"out.png");
    ASSERT_TRUE(WriteFileBytes(path, "old"));
    const std::string big(100000, 'x');
    struct Case {
        long long space;
        size_t pieces;  // the bytes go in this many writes
    };
    for (const Case c : {Case{0, 1}, Case{99999, 1}, Case{50000, 4}}) {
        SetReplacingWriterSpaceForTest(c.space);
        CReplacingFileWriter writer(path, false);
        ASSERT_EQ(S_OK, writer.Open());
        HRESULT hr = S_OK;
        const size_t step = big.size() / c.pieces;
        for (size_t at = 0; at < big.size() && SUCCEEDED(hr); at += step)
            hr = writer.Write(big.data() + at, step);
        SetReplacingWriterSpaceForTest(-1);
        EXPECT_EQ(HResultFromWin32(ERROR_DISK_FULL), hr) << c.space;
    }
    EXPECT_EQ("old", ReadFileBytes(path));
    EXPECT_EQ(1, CountFiles(folder.Path()));

    EXPECT_EQ(HResultFromWin32(ERROR_DISK_FULL), (SetReplacingWriterSpaceForTest(10),
                                                  WriteOutputFile(path, big.data(), big.size())));
    SetReplacingWriterSpaceForTest(-1);
    EXPECT_EQ("old", ReadFileBytes(path));
    EXPECT_EQ(S_OK, WriteOutputFile(path, big.data(), big.size()));
    EXPECT_EQ(big, ReadFileBytes(path));
    EXPECT_EQ(1, CountFiles(folder.Path()));
    // An output file has no backup, and a missing folder is an error with the path.
    EXPECT_FALSE(FileExists(CReplacingFileWriter::BackupPath(path)));
    const my::CException e = ThrownError([&] { WriteOutputFileOrThrow(folder.File(L"no\\x.png"), "a", 1); });
    EXPECT_EQ(UINT(IDS_CREATE_FILE_FAILED), e.id);
    EXPECT_NE(std::wstring::npos, e.message.find(L"no\\x.png"));
}

TEST(ReplacingFileWriter, DamagedCopiesAreKeptUnderNumbersNeverReused)
{
    CTempFolder folder;
    const std::wstring path = folder.File(L"s.config");
    // Names that are not copies of this file stay out of the count and are
    // never touched.
    const wchar_t* strangers[] = {L"s.config.broken", L"s.config.bak.1.broken", L"s.config.01.broken",
                                  L"s.config.x.broken", L"s.config.1234567890.broken"};
    for (const wchar_t* name : strangers)
        ASSERT_TRUE(WriteFileBytes(folder.File(name), "stranger"));
    std::wstring keptAs;
    for (int i = 1; i <= 5; ++i) {
        ASSERT_TRUE(WriteFileBytes(path, "damaged " + std::to_string(i)));
        ASSERT_EQ(S_OK, KeepAsideNumbered(path, L".broken", 3, keptAs));
        EXPECT_EQ(folder.File(L"s.config." + std::to_wstring(i) + L".broken"), keptAs);
        EXPECT_FALSE(FileExists(path));
    }
    // The newest three, each with its own bytes.
    const std::vector<std::wstring> copies = NumberedCopies(path, L".broken");
    ASSERT_EQ(3u, copies.size());
    for (int i = 3; i <= 5; ++i)
        EXPECT_EQ("damaged " + std::to_string(i), ReadFileBytes(copies[i - 3]));
    for (const wchar_t* name : strangers)
        EXPECT_EQ("stranger", ReadFileBytes(folder.File(name)));

    // A folder in the way holds its number; the next copy goes past it.
    ASSERT_TRUE(CreateDirectoryW(folder.File(L"s.config.9.broken").c_str(), nullptr));
    ASSERT_TRUE(WriteFileBytes(path, "damaged 6"));
    ASSERT_EQ(S_OK, KeepAsideNumbered(path, L".broken", 3, keptAs));
    EXPECT_EQ(folder.File(L"s.config.10.broken"), keptAs);
    EXPECT_EQ("damaged 6", ReadFileBytes(keptAs));

    // A file that cannot be moved fails, naming where it was to go; nothing
    // kept is deleted then.
    EXPECT_TRUE(FAILED(KeepAsideNumbered(path, L".broken", 1, keptAs)));
    EXPECT_EQ(folder.File(L"s.config.11.broken"), keptAs);
    EXPECT_EQ(3u, NumberedCopies(path, L".broken").size());

    // Keeping none still keeps the copy just made.
    const std::wstring other = folder.File(L"t.config");
    ASSERT_TRUE(WriteFileBytes(other, "damaged"));
    ASSERT_EQ(S_OK, KeepAsideNumbered(other, L".broken", 0, keptAs));
    EXPECT_EQ(std::vector<std::wstring>{keptAs}, NumberedCopies(other, L".broken"));

    // A copy numbered at the ceiling leaves no number above it: later copies
    // go on below it, in order, and every one is kept.
    ASSERT_TRUE(WriteFileBytes(folder.File(L"t.config.999999999.broken"), "stray"));
    for (const wchar_t* expected : {L"t.config.2.broken", L"t.config.3.broken"}) {
        ASSERT_TRUE(WriteFileBytes(other, "damaged"));
        ASSERT_EQ(S_OK, KeepAsideNumbered(other, L".broken", 10, keptAs));
        EXPECT_EQ(folder.File(expected), keptAs);
    }
    EXPECT_EQ("stray", ReadFileBytes(folder.File(L"t.config.999999999.broken")));
}
