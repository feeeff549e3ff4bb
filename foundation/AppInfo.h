// What the program knows about itself: maker, product and display names, the
// web-page address, the icons, the version and legal text of the running
// module, and the per-user data folder that holds the settings file. One
// process-wide object, filled once by start-up and only read afterwards.
#pragma once
#include "platform/Icon.h"
#include <windows.h>
#include <string>

class CAppInfo {
public:
    // First-time set-up from string ids and an icon id; does nothing when
    // already initialised. Throws for a missing string (IDS_STRING_RESOURCE_MISSING) and for a
    // missing or malformed version resource (IDS_VERSION_SIZE_FAILED-IDS_VERSION_INVALID, IDS_CAST_ERROR for a part
    // above 0xFFFF); the object then stays initialised with what was filled.
    void Initialize(UINT makerId, UINT productId, UINT displayId, UINT iconId);
    // Names only, no folder, icons or version; marks the object initialised.
    void SetNames(const std::wstring& maker, const std::wstring& product, const std::wstring& display);
    void SetWebPageUrl(UINT id);
    // Version and legal text of a module file (the running program by default).
    void ReadVersion(const std::wstring& modulePath);

    bool IsInitialized() const { return m_initialized; }
    const std::wstring& GetMakerName() const { return m_maker; }
    const std::wstring& GetProductName() const { return m_product; }
    const std::wstring& GetDisplayName() const { return m_display; }
    const std::wstring& GetWebPageUrl() const { return m_webPageUrl; }
    HICON GetLargeIcon() const { return m_largeIcon.Get(); }
    HICON GetSmallIcon() const { return m_smallIcon.Get(); }
    const WORD (&GetVersion() const)[4] { return m_version; }
    const std::wstring& GetLegalText() const { return m_legal; }
    // Application data folder\maker\product (maker\product alone when the
    // special folder cannot be read).
    const std::wstring& GetDataFolder() const { return m_dataFolder; }
    // Product name + "32.config".
    std::wstring GetConfigFileName() const;
    // Data folder joined with the settings file name.
    std::wstring GetConfigFilePath() const;
    // Display name, two spaces, the version as four numbers joined by dots.
    std::wstring GetAppTitleWithVersion() const;

private:
    bool m_initialized = false;
    std::wstring m_maker;
    std::wstring m_product;
    std::wstring m_display;
    std::wstring m_webPageUrl;
    CIconHandle m_largeIcon;
    CIconHandle m_smallIcon;
    WORD m_version[4] = {0, 0, 0, 0};
    std::wstring m_dataFolder;
    std::wstring m_legal;
};

// The process-wide application information (built on first use, so that
// static initialisation order across files does not matter).
CAppInfo& GetAppInfo();

// GetModuleFileNameW of the running executable.
std::wstring GetModuleFilePath();
