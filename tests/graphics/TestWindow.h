// A plain hidden Win32 window for device tests, and one device shared by a test program's suites.
// No overlay, no message handling beyond the default procedure: the swap chain only needs a window handle.
#pragma once

#include "app/EngineOptions.h"
#include "graphics/D3DClass.h"

#include <windows.h>

#include <memory>

class TestWindow
{
public:
    TestWindow(int clientWidth, int clientHeight);
    ~TestWindow();
    TestWindow(const TestWindow&) = delete;
    TestWindow& operator=(const TestWindow&) = delete;

    HWND Handle() const { return m_window; }

private:
    HWND m_window = nullptr;
};

// Options for a small windowed test device; full speed unless the test says otherwise.
EngineOptions TestOptions(int width = 64, int height = 48, bool runFullSpeed = true);

// Created on first use and kept for the whole test program, since device creation is slow under Wine.
struct SharedTestDevice
{
    std::unique_ptr<TestWindow> window;
    std::shared_ptr<D3DClass> d3d;
    ID3D11Device* Device() const { return d3d->GetDevice(); }
    ID3D11DeviceContext* Context() const { return d3d->GetDeviceContext(); }
};
SharedTestDevice& TestDevice();
