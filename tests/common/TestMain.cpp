#include "foundation/ResourceString.h"
#include "platform/GdiPlus.h"
#include <gtest/gtest.h>
#include <ole2.h>

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
