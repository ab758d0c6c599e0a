// BaselineWindow: see BaselineWindow.h.
#include "tools/bench/baseline/BaselineWindow.h"

#include <stdexcept>

namespace
{
const wchar_t* const kClassName = L"EngineBaselineWindow";

LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_DESTROY)
    {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}
}

BaselineWindow::BaselineWindow(int clientWidth, int clientHeight)
{
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_HREDRAW | CS_VREDRAW | CS_OWNDC;
    windowClass.lpfnWndProc = WindowProcedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    windowClass.lpszClassName = kClassName;
    if (!RegisterClassExW(&windowClass))
    {
        throw std::runtime_error("cannot register the window class");
    }
    RECT rect = {0, 0, clientWidth, clientHeight};
    AdjustWindowRect(&rect, WS_OVERLAPPEDWINDOW, FALSE);
    m_window = CreateWindowExW(0, kClassName, L"Engine baseline", WS_OVERLAPPEDWINDOW, 0, 0, rect.right - rect.left,
                               rect.bottom - rect.top, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (m_window == nullptr)
    {
        UnregisterClassW(kClassName, GetModuleHandleW(nullptr));
        throw std::runtime_error("cannot create the window");
    }
    ShowWindow(m_window, SW_SHOW);
    SetForegroundWindow(m_window);
    SetFocus(m_window);
}

BaselineWindow::~BaselineWindow()
{
    if (m_window != nullptr && !m_closed)
    {
        DestroyWindow(m_window);
    }
    UnregisterClassW(kClassName, GetModuleHandleW(nullptr));
}

bool BaselineWindow::PumpMessages()
{
    MSG message = {};
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
    {
        if (message.message == WM_QUIT)
        {
            m_closed = true;
            return false;
        }
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return !m_closed;
}
