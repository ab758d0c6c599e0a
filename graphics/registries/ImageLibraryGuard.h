// Keeps GDI+ running while at least one guard exists: the first guard starts it, the last one shuts it down.
// It is not thread-safe; guards are made and destroyed on the main thread only.
#pragma once

class ImageLibraryGuard
{
public:
    ImageLibraryGuard();
    ~ImageLibraryGuard();
    ImageLibraryGuard(const ImageLibraryGuard&) = delete;
    ImageLibraryGuard& operator=(const ImageLibraryGuard&) = delete;

    // How many guards are alive; GDI+ runs exactly while this is above zero.
    static int ActiveCount();
};
