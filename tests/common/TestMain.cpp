#include "tests/common/TestSupport.h"
#include "foundation/ResourceString.h"
#include "platform/GdiPlus.h"
#include <gtest/gtest.h>
#include <ole2.h>
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
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return out;
    char buf[65536];
    DWORD got = 0;
    while (ReadFile(h, buf, sizeof buf, &got, nullptr) && got > 0)
        out.append(buf, got);
    CloseHandle(h);
    return out;
}

bool WriteFileBytes(const std::wstring& path, const std::string& bytes)
{
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    BOOL ok = WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(h);
    return ok && written == bytes.size();
}

std::string Narrow(const std::wstring& text)
{
    int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    if (n > 0)
        WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &out[0], n, nullptr, nullptr);
    return out;
}

int wmain(int argc, wchar_t** argv)
{
    SetResourceInstance(GetModuleHandleW(nullptr));
    OleInitialize(nullptr);
    int rc;
    {
        Gdiplus::CGdiplusStartup gdiplus;
        testing::InitGoogleTest(&argc, argv);
        rc = RUN_ALL_TESTS();
    }
    OleUninitialize();
    return rc;
}
