// GDI+ start-up and shutdown, reference-counted across guards with one process-wide token.
// A failed start-up is not reported here: bitmap loads then fail and name their file.
#include "graphics/registries/ImageLibraryGuard.h"

#include <windows.h>
// GDI+ needs the COM declarations that WIN32_LEAN_AND_MEAN leaves out of windows.h.
#include <objidl.h>
#include <gdiplus.h>

namespace
{
int g_guardCount = 0;
ULONG_PTR g_gdiplusToken = 0;
}   // namespace

ImageLibraryGuard::ImageLibraryGuard()
{
    if (g_guardCount++ == 0)
    {
        Gdiplus::GdiplusStartupInput input;   // version 1, no debug callback, background thread and codecs on
        Gdiplus::GdiplusStartup(&g_gdiplusToken, &input, nullptr);
    }
}

ImageLibraryGuard::~ImageLibraryGuard()
{
    if (--g_guardCount == 0)
    {
        Gdiplus::GdiplusShutdown(g_gdiplusToken);
        g_gdiplusToken = 0;
    }
}

int ImageLibraryGuard::ActiveCount()
{
    return g_guardCount;
}
