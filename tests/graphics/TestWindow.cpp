// The test window class is registered once per process and never unregistered; windows are destroyed with
// their TestWindow. The shared device lives until the process ends.
#include "tests/graphics/TestWindow.h"

#include <stdexcept>

namespace
{

const wchar_t* const kClassName = L"EngineGraphicsTestWindow";

void RegisterTestClass()
{
    static bool registered = false;
    if (registered)
    {
        return;
    }
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = kClassName;
    if (!RegisterClassExW(&wc))
    {
        throw std::runtime_error("cannot register the test window class");
    }
    registered = true;
}

}   // namespace

TestWindow::TestWindow(int clientWidth, int clientHeight)
{
    RegisterTestClass();
    RECT rect = {0, 0, clientWidth, clientHeight};
    AdjustWindowRect(&rect, WS_OVERLAPPEDWINDOW, FALSE);
    m_window = CreateWindowExW(0, kClassName, L"graphics test", WS_OVERLAPPEDWINDOW, 0, 0, rect.right - rect.left,
                               rect.bottom - rect.top, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!m_window)
    {
        throw std::runtime_error("cannot create the test window");
    }
}

TestWindow::~TestWindow()
{
    if (m_window)
    {
        DestroyWindow(m_window);
    }
}

EngineOptions TestOptions(int width, int height, bool runFullSpeed)
{
    EngineOptions options;
    options.m_screenWidth = width;
    options.m_screenHeight = height;
    options.m_runFullSpeed = runFullSpeed;
    options.m_fullScreen = false;
    return options;
}

SharedTestDevice& TestDevice()
{
    static SharedTestDevice shared = [] {
        SharedTestDevice device;
        device.window = std::make_unique<TestWindow>(64, 48);
        device.d3d = std::make_shared<D3DClass>();
        if (!device.d3d->Initialize(TestOptions(), device.window->Handle()))
        {
            throw std::runtime_error("cannot initialise the shared test device");
        }
        return device;
    }();
    return shared;
}
