// The screenshot key's work: reads the finished back buffer and saves it as the next free
// "screenshot-NNNN.png" in the working directory, naming the file in one line on standard error. It never
// replaces an existing file. Reading and encoding are the capture tool's own (BackBufferReader, FrameImage).
#pragma once

#include <filesystem>
#include <string>

#include "graphics/BackBufferReader.h"

class ScreenshotWriter
{
public:
    // Call while the back buffer holds the finished picture (before Present). Returns the file's name, or an
    // empty string when it could not be written (the line on standard error says why). A failed Direct3D
    // call throws DxException, as everywhere in the renderer.
    std::string Save(IDXGISwapChain* swapChain, ID3D11Device* device, ID3D11DeviceContext* context);

    // The first "screenshot-NNNN.png", counting from 0001, that does not exist in `folder`; four digits, more
    // once 9999 are taken.
    static std::string NextFreeName(const std::filesystem::path& folder);

private:
    BackBufferReader m_reader;
};
