#include "tools/ToolRuntime.h"
#include "decoration/SettingXml.h"
#include "foundation/File.h"
#include "foundation/ResourceString.h"
#include "foundation/StringUtil.h"
#include "foundation/TextDecode.h"
#include "imaging/WicImaging.h"
#include "platform/GdiPlus.h"
#include "resources/strings_foundation_io.h"
#include <ole2.h>

CToolRuntime::CToolRuntime()
{
    SetResourceInstance(::GetModuleHandleW(nullptr));
    m_ole = SUCCEEDED(::OleInitialize(nullptr));
    Gdiplus::GdiplusStartupInput input;
    if (Gdiplus::GdiplusStartup(&m_gdiplusToken, &input, nullptr) != Gdiplus::Ok)
        m_gdiplusToken = 0;
    try {
        wic::CreateImagingFactory();
        m_imaging = true;
    } catch (const my::CException&) {
        // Without it only the texture files GDI+ cannot read fail.
    }
}

CToolRuntime::~CToolRuntime()
{
    if (m_imaging)
        wic::ReleaseImagingFactory();
    if (m_gdiplusToken)
        Gdiplus::GdiplusShutdown(m_gdiplusToken);
    if (m_ole)
        ::OleUninitialize();
}

bool LoadSettingsFile(CSetting& setting, const std::wstring& path, std::wstring& error)
{
    CSettingXmlReader reader;
    if (reader.Read(setting, path))
        return true;
    error = reader.GetError().message;
    return false;
}

bool ReadUtf8TextFile(std::wstring& text, const std::wstring& path, std::wstring& error)
{
    CFile file;
    std::string bytes;
    HRESULT hr = file.TryOpenRead(path.c_str());
    if (SUCCEEDED(hr))
        hr = file.TryReadAllToString(bytes);
    if (FAILED(hr)) {
        error = CSimpleErr::Format(IDS_OPEN_FILE_FAILED, FormatSystemMessage(hr), path);
        return false;
    }
    if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0)
        bytes.erase(0, 3);
    if (!IsValidUtf8(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size())) {
        error = CSimpleErr::Format(IDS_CONVERT_TO_UTF16_FAILED, path);
        return false;
    }
    std::wstring wide;
    MultiByteToWideString(CP_UTF8, 0, bytes, wide);
    text = NormaliseLineEndsToLf(wide);
    return true;
}

void WriteLine(DWORD stdHandle, const std::wstring& line)
{
    HANDLE h = ::GetStdHandle(stdHandle);
    if (h == nullptr || h == INVALID_HANDLE_VALUE)
        return;
    std::wstring text = line + L"\n";
    DWORD written = 0;
    if (::GetFileType(h) == FILE_TYPE_CHAR &&
        ::WriteConsoleW(h, text.c_str(), static_cast<DWORD>(text.size()), &written, nullptr))
        return;
    int n = ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<size_t>(n > 0 ? n : 0), '\0');
    if (n > 0)
        ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &bytes[0], n, nullptr, nullptr);
    ::WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

void WriteValue(const std::wstring& key, double value, int decimals)
{
    wchar_t text[64];
    _snwprintf(text, 64, L"=%.*f", decimals, value);
    WriteLine(STD_OUTPUT_HANDLE, key + text);
}

double NowMs()
{
    static const LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        ::QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER t;
    ::QueryPerformanceCounter(&t);
    return t.QuadPart * 1000.0 / frequency.QuadPart;
}
