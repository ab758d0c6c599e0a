// Screenshot files: see ScreenshotWriter.h.
#include "app/live/ScreenshotWriter.h"

#include <cstdio>
#include <iostream>
#include <stdexcept>

std::string ScreenshotWriter::NextFreeName(const std::filesystem::path& folder)
{
    for (unsigned number = 1;; ++number)
    {
        char name[32];
        std::snprintf(name, sizeof name, "screenshot-%04u.png", number);
        std::error_code error;
        // A folder that cannot be looked into ends the search; writing there fails and says so.
        if (!std::filesystem::exists(folder / name, error) || error)
        {
            return name;
        }
    }
}

std::string ScreenshotWriter::Save(IDXGISwapChain* swapChain, ID3D11Device* device, ID3D11DeviceContext* context)
{
    const std::string name = NextFreeName(std::filesystem::current_path());
    FrameImage image;
    try
    {
        image = m_reader.Read(swapChain, device, context);
    }
    catch (const std::runtime_error& error)   // a back-buffer format the reader cannot convert
    {
        std::cerr << name << ": no screenshot: " << error.what() << std::endl;
        return {};
    }
    if (!image.WritePng(name))
    {
        return {};   // WritePng has named the file and the problem
    }
    std::cerr << name << ": screenshot saved (" << image.width << " x " << image.height << ")" << std::endl;
    return name;
}
