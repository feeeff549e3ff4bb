#include "tests/common/TestSupport.h"
#include "platform/FindFile.h"
#include <shellapi.h>
#include <cstdio>

std::wstring TestOutputDir()
{
    wchar_t buffer[MAX_PATH * 2];
    DWORD n = GetEnvironmentVariableW(L"KNT_TEST_OUTPUT_WIN", buffer, MAX_PATH * 2);
    std::wstring dir;
    if (n > 0 && n < MAX_PATH * 2) {
        dir.assign(buffer, n);
    } else {
        GetTempPathW(MAX_PATH, buffer);
        dir = std::wstring(buffer) + L"kantelo-test-output";
    }
    CreateDirectoryW(dir.c_str(), nullptr);
    return dir;
}

std::wstring TestOutputPath(const std::wstring& name) { return TestOutputDir() + L"\\" + name; }

std::wstring BuildPath(const std::wstring& relative)
{
    wchar_t self[MAX_PATH];
    const DWORD n = GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring path(self, n);
    path = path.substr(0, path.rfind(L'\\'));  // build\tests
    path = path.substr(0, path.rfind(L'\\'));
    return path + L"\\" + relative;
}

namespace {

// One of Wine's own exports of kernel32 (they map paths between Windows and
// the host), or null outside Wine.
template <class F>
F WineExport(const char* name)
{
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    return kernel ? reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(kernel, name))) : nullptr;
}

} // namespace

std::wstring SourceTreePath(const std::wstring& relative)
{
    typedef wchar_t*(CDECL * ToDos)(const char*);
    const ToDos toDos = WineExport<ToDos>("wine_get_dos_file_name");
    wchar_t* dos = toDos ? toDos(KNT_SOURCE_DIR) : nullptr;
    if (!dos)
        return std::wstring();
    std::wstring path = dos;
    HeapFree(GetProcessHeap(), 0, dos);
    if (!relative.empty())
        path += L'\\';
    for (wchar_t c : relative)
        path.push_back(c == L'/' ? L'\\' : c);
    return path;
}

DWORD RunWithOutputFile(const std::wstring& commandLine, const std::wstring& outputFile, DWORD timeoutMs)
{
    SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
    const CHandle out(CreateFileW(outputFile.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &sa, CREATE_ALWAYS, 0, nullptr));
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = out;
    si.hStdError = out;
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION pi = {};
    std::vector<wchar_t> line(commandLine.begin(), commandLine.end());
    line.push_back(0);
    DWORD exitCode = 0xFFFFFFFF;
    if (CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) {
        const CHandle process(pi.hProcess), thread(pi.hThread);
        WaitForSingleObject(process, timeoutMs);
        GetExitCodeProcess(process, &exitCode);
    }
    return exitCode;
}

std::wstring ChildCaseLine(const std::wstring& suite, const std::wstring& name)
{
    wchar_t self[MAX_PATH];
    const DWORD n = GetModuleFileNameW(nullptr, self, MAX_PATH);
    return L"\"" + std::wstring(self, n) + L"\" --gtest_also_run_disabled_tests --gtest_filter=" + suite + L".DISABLED_" + name;
}

CTempFolder::CTempFolder()
{
    wchar_t base[MAX_PATH];
    GetTempPathW(MAX_PATH, base);
    static LONG counter = 0;
    wchar_t name[64];
    swprintf(name, 64, L"knt-%lu-%ld-%lu", GetCurrentProcessId(), InterlockedIncrement(&counter), GetTickCount());
    m_path = std::wstring(base) + name;
    CreateDirectoryW(m_path.c_str(), nullptr);
}

CTempFolder::~CTempFolder()
{
    std::wstring from = m_path;
    from.push_back(L'\0');  // double NUL ends the list
    SHFILEOPSTRUCTW op = {};
    op.wFunc = FO_DELETE;
    op.pFrom = from.c_str();
    op.fFlags = FOF_NO_UI;
    SHFileOperationW(&op);
}

std::string ReadFileBytes(const std::wstring& path)
{
    std::string out;
    const CHandle h(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!h.IsValid())
        return out;
    char buf[65536];
    DWORD got = 0;
    while (ReadFile(h, buf, sizeof buf, &got, nullptr) && got > 0)
        out.append(buf, got);
    return out;
}

bool WriteFileBytes(const std::wstring& path, const std::string& bytes)
{
    const CHandle h(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    if (!h.IsValid())
        return false;
    DWORD written = 0;
    return WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) && written == bytes.size();
}

bool MakeFileOfSize(const std::wstring& path, LONGLONG size)
{
    CHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER at;
    at.QuadPart = size;
    return file.IsValid() && SetFilePointerEx(file.Get(), at, nullptr, FILE_BEGIN) && SetEndOfFile(file.Get());
}

std::string Narrow(const std::wstring& text)
{
    int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    if (n > 0)
        WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &out[0], n, nullptr, nullptr);
    return out;
}

UINT ThrownId(const std::function<void()>& f)
{
    try {
        f();
    } catch (const my::CException& e) {
        return e.id;
    }
    return 0;
}

my::CException ThrownError(const std::function<void()>& f)
{
    try {
        f();
    } catch (const my::CException& e) {
        return e;
    }
    return my::CException(CSimpleErr());
}

std::wstring SystemText(HRESULT hr)
{
    wchar_t* buffer = nullptr;
    DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                             nullptr, static_cast<DWORD>(hr), MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                             reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring text;
    if (n != 0 && buffer)
        text.assign(buffer, n);
    if (buffer)
        LocalFree(buffer);
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' '))
        text.pop_back();
    return text;
}

bool FileExists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool CanCreateWindows()
{
    HWND probe = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    if (!probe)
        return false;
    DestroyWindow(probe);
    return true;
}

CHandle HoldWithoutSharing(const std::wstring& path)
{
    return CHandle(CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
}

CClipboardTestLock::CClipboardTestLock() : m_mutex(CreateMutexW(nullptr, FALSE, L"KanteloTestClipboard"))
{
    WaitForSingleObject(m_mutex, 60000);
}

int CountFiles(const std::wstring& folder)
{
    CFindFile find;
    int n = 0;
    for (bool found = find.FindFile((folder + L"\\*").c_str()); found; found = find.FindNextFile())
        if (!find.IsDirectory())
            ++n;
    return n;
}

CClipboardTestLock::~CClipboardTestLock() { ReleaseMutex(m_mutex); }

namespace {

const LPCWSTR kStringType = MAKEINTRESOURCEW(6);  // RT_STRING

BOOL CALLBACK AddStringBlock(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR param)
{
    if (IS_INTRESOURCE(name))
        reinterpret_cast<std::vector<WORD>*>(param)->push_back(static_cast<WORD>(reinterpret_cast<ULONG_PTR>(name)));
    return TRUE;
}

} // namespace

std::vector<WORD> StringTableBlocks()
{
    std::vector<WORD> blocks;
    blocks.reserve(4096);  // no allocation failure can arise inside the callback
    EnumResourceNamesW(nullptr, kStringType, AddStringBlock, reinterpret_cast<LONG_PTR>(&blocks));
    return blocks;
}

// Block b holds ids (b-1)*16 to (b-1)*16+15 as 16 counted UTF-16 strings; a
// length of 0 is an absent id.
bool ReadStringTableBlock(WORD block, WORD language, std::map<UINT, std::wstring>& texts)
{
    HRSRC info = FindResourceExW(nullptr, kStringType, MAKEINTRESOURCEW(block), language);
    if (!info)
        return false;
    HGLOBAL data = LoadResource(nullptr, info);
    const WORD* p = static_cast<const WORD*>(LockResource(data));
    const WORD* end = p + SizeofResource(nullptr, info) / sizeof(WORD);
    for (UINT i = 0; i < 16 && p < end; ++i) {
        WORD length = *p++;
        if (length > 0)
            texts[(block - 1u) * 16u + i] = std::wstring(reinterpret_cast<const wchar_t*>(p), length);
        p += length;
    }
    return true;
}

namespace {

// The host's name of a Windows path.
std::string HostPath(const std::wstring& path)
{
    typedef char*(CDECL * ToHost)(const wchar_t*);
    const ToHost toHost = WineExport<ToHost>("wine_get_unix_file_name");
    char* host = toHost ? toHost(path.c_str()) : nullptr;
    if (!host)
        return std::string();
    std::string out = host;
    HeapFree(GetProcessHeap(), 0, host);
    return out;
}

} // namespace

std::string HostPathArg(const std::wstring& path)
{
    const std::string host = HostPath(path);
    if (host.empty())
        return host;
    std::string quoted = "'";
    for (char c : host)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

CHostCommandResult RunHostCommand(const std::string& shellCommand, DWORD timeoutMs)
{
    CHostCommandResult result;
    CTempFolder folder;
    const std::string dir = HostPathArg(folder.Path());
    if (dir.empty())
        return result;
    // The status file appears only once the command has ended and its output
    // is complete.
    const std::string script = "( " + shellCommand + " ) > " + dir + "/out 2>&1\n"
                               "echo $? > " + dir + "/status.tmp\n"
                               "mv " + dir + "/status.tmp " + dir + "/status\n";
    if (!WriteFileBytes(folder.File(L"run.sh"), script))
        return result;
    // Wine hands the arguments over as they stand: the script's host name.
    const std::string hostScript = HostPath(folder.File(L"run.sh"));
    std::wstring line = L"Z:\\bin\\sh \"" + std::wstring(hostScript.begin(), hostScript.end()) + L"\"";
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    std::vector<wchar_t> buffer(line.begin(), line.end());
    buffer.push_back(0);
    if (!CreateProcessW(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return result;
    if (pi.hThread)
        CloseHandle(pi.hThread);
    if (pi.hProcess)
        CloseHandle(pi.hProcess);
    const DWORD start = GetTickCount();
    while (!FileExists(folder.File(L"status"))) {
        if (GetTickCount() - start > timeoutMs)
            return result;
        Sleep(20);
    }
    result.finished = true;
    result.exitCode = atoi(ReadFileBytes(folder.File(L"status")).c_str());
    result.output = ReadFileBytes(folder.File(L"out"));
    return result;
}
