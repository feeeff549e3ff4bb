#include "foundation/AppInfo.h"
#include "foundation/PathUtil.h"
#include "foundation/ResourceString.h"
#include "foundation/VersionInfo.h"
#include <shlobj.h>

void CAppInfo::Initialize(UINT makerId, UINT productId, UINT displayId, UINT iconId)
{
    if (m_initialized)
        return;
    m_initialized = true;
    m_maker = LoadResourceString(makerId);
    m_product = LoadResourceString(productId);
    m_display = LoadResourceString(displayId);

    wchar_t folder[MAX_PATH] = L"";
    if (!::SHGetSpecialFolderPathW(nullptr, folder, CSIDL_APPDATA, TRUE))
        folder[0] = L'\0';
    m_dataFolder = folder;
    PathJoin(m_dataFolder, m_maker);
    PathJoin(m_dataFolder, m_product);

    HINSTANCE module = ::GetModuleHandleW(nullptr);
    m_largeIcon.Reset(static_cast<HICON>(::LoadImageW(module, MAKEINTRESOURCEW(iconId), IMAGE_ICON,
        ::GetSystemMetrics(SM_CXICON), ::GetSystemMetrics(SM_CYICON), 0)));
    m_smallIcon.Reset(static_cast<HICON>(::LoadImageW(module, MAKEINTRESOURCEW(iconId), IMAGE_ICON,
        ::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON), 0)));

    ReadVersion(GetModuleFilePath());
}

void CAppInfo::SetNames(const std::wstring& maker, const std::wstring& product, const std::wstring& display)
{
    m_maker = maker;
    m_product = product;
    m_display = display;
    m_initialized = true;
}

void CAppInfo::SetWebPageUrl(UINT id)
{
    m_webPageUrl = LoadResourceString(id);
}

void CAppInfo::ReadVersion(const std::wstring& modulePath)
{
    CVersionInfo info;
    info.Load(modulePath);
    WORD version[4];
    info.GetProductVersionWords(version);
    std::copy(version, version + 4, m_version);
    m_legal = info.GetLegalCopyright();
}

std::wstring CAppInfo::GetConfigFileName() const
{
    return m_product + L"32.config";
}

std::wstring CAppInfo::GetConfigFilePath() const
{
    return PathJoined(m_dataFolder, GetConfigFileName());
}

std::wstring CAppInfo::GetAppTitleWithVersion() const
{
    return m_display + L"  " + FormatVersion(m_version);
}

CAppInfo& GetAppInfo()
{
    static CAppInfo info;
    return info;
}

std::wstring GetModuleFilePath()
{
    wchar_t buffer[MAX_PATH];
    DWORD n = ::GetModuleFileNameW(nullptr, buffer, MAX_PATH);
    return std::wstring(buffer, n < MAX_PATH ? n : MAX_PATH);
}
