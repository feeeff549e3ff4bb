// GDI+ through its flat API. mingw's C++ wrapper classes keep the native
// handle and the last status private, so the program has its own thin owners
// (declared in the Gdiplus namespace like the types they go with). This header
// pulls in only the types and the flat functions, never the wrappers.
#pragma once
#include <windows.h>
#include <objidl.h>
#include <cmath>
#include <cstddef>

#ifndef _COM_interface
#define _COM_interface struct
#endif
typedef _COM_interface IDirectDrawSurface7 IDirectDrawSurface7;
#define GDIPCONST const
#define WINGDIPAPI __stdcall
#define GDIPAPI __stdcall

namespace Gdiplus {
typedef float REAL;
typedef SHORT INT16;
typedef WORD UINT16;
#include <gdiplus/gdiplusenums.h>
#include <gdiplus/gdiplustypes.h>
#include <gdiplus/gdiplusgpstubs.h>
#include <gdiplus/gdiplusimaging.h>
#include <gdiplus/gdiplusinit.h>
#include <gdiplus/gdiplusmem.h>
#include <gdiplus/gdiplusmetaheader.h>
#include <gdiplus/gdipluspixelformats.h>
#include <gdiplus/gdipluscolor.h>
#include <gdiplus/gdipluscolormatrix.h>
#include <gdiplus/gdiplusflat.h>
#include <gdiplus/gdipluseffects.h>
#include <gdiplus/gdiplusimagecodec.h>
} // namespace Gdiplus

namespace Gdiplus {
using namespace DllExports;

// Starts GDI+ for the lifetime of the object; Run and the test main own one.
class CGdiplusStartup {
public:
    CGdiplusStartup()
    {
        GdiplusStartupInput input;
        m_status = GdiplusStartup(&m_token, &input, nullptr);
    }
    ~CGdiplusStartup() { if (m_status == Ok) GdiplusShutdown(m_token); }
    CGdiplusStartup(const CGdiplusStartup&) = delete;
    CGdiplusStartup& operator=(const CGdiplusStartup&) = delete;
    Status GetStatus() const { return m_status; }
private:
    ULONG_PTR m_token = 0;
    Status m_status = GenericError;
};
} // namespace Gdiplus
