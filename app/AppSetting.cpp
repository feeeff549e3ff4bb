#include "app/AppSetting.h"
#include "foundation/Error.h"

namespace knt {

namespace {
CSetting* g_setting = nullptr;
}

CSetting* GetAppSettingPtr() { return g_setting; }

void SetAppSettingPtr(CSetting* setting) { g_setting = setting; }

CSetting& GetAppSetting()
{
    if (!g_setting)
        ThrowInternalError(L"no settings");
    return *g_setting;
}

} // namespace knt
