// The application's window and its messages: creation, the window procedure, size, activation, keys and mouse.
// The rest of the application object is in SystemClass.cpp.
#include "app/SystemClass.h"

#include <windows.h>
#include <windowsx.h>

#include <imgui.h>
#include <imgui_impl_win32.h>

#include "app/MessageBox.h"
#include "app/MusicPlayer.h"
#include "app/live/LiveTools.h"
#include "graphics/D3DClass.h"
#include "scene/Scene.h"

extern IMGUI_IMPL_API LRESULT ImGui_ImplWin32_WndProcHandler(HWND, UINT, WPARAM, LPARAM);

namespace
{
// The overlay's Win32 handler dereferences its back-end data unchecked, so messages that arrive before the
// back-end is attached (during window creation) or after it is detached must not reach it.
bool OverlayBackendAttached()
{
    return ImGui::GetCurrentContext() != nullptr && ImGui::GetIO().BackendPlatformUserData != nullptr;
}
}

namespace
{
LRESULT CALLBACK WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
}

bool SystemClass::CreateAppWindow()
{
    m_instance = GetModuleHandleW(nullptr);

    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.style = CS_HREDRAW | CS_VREDRAW | CS_OWNDC;
    windowClass.lpfnWndProc = WndProc;
    windowClass.hInstance = m_instance;
    windowClass.hIcon = LoadIconW(nullptr, IDI_WINLOGO);
    windowClass.hIconSm = windowClass.hIcon;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    windowClass.lpszClassName = m_applicationName;
    if (!RegisterClassExW(&windowClass))
    {
        ShowMessageBox("RegisterClass Failed.", "");
        return false;
    }
    m_classRegistered = true;

    const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    const int screenHeight = GetSystemMetrics(SM_CYSCREEN);
    int x = 0;
    int y = 0;
    int width = screenWidth;
    int height = screenHeight;
    if (m_options.m_fullScreen)
    {
        DEVMODEW mode{};
        mode.dmSize = sizeof(mode);
        mode.dmPelsWidth = static_cast<DWORD>(screenWidth);
        mode.dmPelsHeight = static_cast<DWORD>(screenHeight);
        mode.dmBitsPerPel = 32;
        mode.dmFields = DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT;
        ChangeDisplaySettingsW(&mode, CDS_FULLSCREEN);
    }
    else
    {
        // The options file may give no size, or nonsense; a window needs a positive one.
        width = m_options.WindowWidth();
        height = m_options.WindowHeight();
        if (m_settings.screenWidth > 0 && m_settings.screenHeight > 0)
        {
            // An override names the picture's size, so the frame is added around it.
            RECT frame{0, 0, m_settings.screenWidth, m_settings.screenHeight};
            AdjustWindowRectEx(&frame, WS_OVERLAPPEDWINDOW, FALSE, WS_EX_APPWINDOW);
            width = frame.right - frame.left;
            height = frame.bottom - frame.top;
        }
        x = (screenWidth - width) / 2;
        y = (screenHeight - height) / 2;
    }

    m_window = CreateWindowExW(WS_EX_APPWINDOW, m_applicationName, m_applicationName, WS_OVERLAPPEDWINDOW, x, y, width,
                               height, nullptr, nullptr, m_instance, nullptr);
    if (!m_window)
    {
        ShowMessageBox("CreateWindow Failed.", "");
        return false;
    }

    ShowWindow(m_window, SW_SHOW);
    SetForegroundWindow(m_window);
    SetFocus(m_window);

    // Shutdown detaches only a back-end that was attached.
    m_overlayWin32 = ImGui_ImplWin32_Init(m_window);
    return true;
}

bool SystemClass::HasDevice() const
{
    const std::shared_ptr<D3DClass>& d3d = m_graphics.GetD3D();
    return d3d != nullptr && d3d->GetDevice() != nullptr;
}

void SystemClass::Resize()
{
    ++m_frameCounts.resizes;
    const std::shared_ptr<D3DClass> d3d = m_graphics.GetD3D();
    Scene* scene = m_graphics.GetScene();
    if (scene == nullptr || d3d == nullptr)
    {
        return;   // sizes seen before the scene exists only set the size it is created with
    }
    scene->OnResize(m_options, d3d->GetDevice(), d3d->GetDeviceContext());
}

void SystemClass::UpdateTimerPause()
{
    // Any reason alone pauses (an inactive window, a drag, the pause key), and time resumes only when none
    // holds: activating the window in the middle of a drag, or a drag that ends while another window is
    // active, must not count. Start is never called on a running timer, which would restart the run from zero
    // (a second activation message does that otherwise).
    const bool hold = m_inactive || m_sizeState.IsResizing() || m_live->HoldsTime();
    if (hold)
    {
        m_timer.Stop();
    }
    // Read while stopped: a timer just started reports its last tick's total less the whole pause until it ticks.
    const double moment = static_cast<double>(m_timer.TotalNanoseconds()) / 1e9;
    if (!hold && m_timer.IsStopped())
    {
        m_timer.Start();
    }
    // The music keeps to the same clock: it stops and goes on with it.
    if (m_music)
    {
        m_music->Follow(!hold, moment);
    }
}

LRESULT SystemClass::MessageHandler(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (OverlayBackendAttached() && ImGui_ImplWin32_WndProcHandler(window, message, wParam, lParam))
    {
        return 1;
    }

    switch (message)
    {
    case WM_SIZE:
    {
        if (m_settings.fixedPictureSize && m_settings.screenWidth > 0 && m_settings.screenHeight > 0)
        {
            return 0;   // the picture's size is not the window's
        }
        m_options.m_screenWidth = LOWORD(lParam);
        m_options.m_screenHeight = HIWORD(lParam);
        if (!HasDevice())
        {
            return 0;   // sizes seen during window creation only set the size the device is created with
        }
        WindowSizeState::SizeKind kind = WindowSizeState::SizeKind::Other;
        if (wParam == SIZE_RESTORED)
        {
            kind = WindowSizeState::SizeKind::Restored;
        }
        else if (wParam == SIZE_MINIMIZED)
        {
            kind = WindowSizeState::SizeKind::Minimized;
        }
        else if (wParam == SIZE_MAXIMIZED)
        {
            kind = WindowSizeState::SizeKind::Maximized;
        }
        if (m_sizeState.OnSize(kind))
        {
            Resize();
        }
        return 0;
    }
    case WM_ACTIVATE:
        if (m_settings.timerFollowsActivation)
        {
            m_inactive = LOWORD(wParam) == WA_INACTIVE;
            UpdateTimerPause();
        }
        return 0;
    case WM_ENTERSIZEMOVE:
        m_sizeState.OnEnterSizeMove();
        UpdateTimerPause();
        return 0;
    case WM_EXITSIZEMOVE:
        m_sizeState.OnExitSizeMove();
        UpdateTimerPause();
        Resize();
        return 0;
    case WM_GETMINMAXINFO: reinterpret_cast<MINMAXINFO*>(lParam)->ptMinTrackSize = POINT{200, 200}; return 0;
    case WM_KEYDOWN:
        if (wParam < m_keys.size() && !m_live->IsTyping())
        {
            m_keys[wParam] = 1;
            // Bit 30: the key was down before this message, so it is the keyboard's auto-repeat.
            if (m_live->OnKeyDown(static_cast<unsigned>(wParam), (lParam & (LPARAM{1} << 30)) != 0))
            {
                UpdateTimerPause();   // pausing stops the timer like an inactive window does
            }
        }
        return 0;
    case WM_KEYUP:
        if (wParam < m_keys.size())
        {
            m_keys[wParam] = 0;
        }
        return 0;
    case WM_MENUCHAR: return MAKELRESULT(0, MNC_CLOSE);   // close the menu without a beep
    case WM_MOUSEMOVE: OnMouseMove(wParam, lParam); return 0;
    case WM_LBUTTONDOWN: m_mouse.OnLeftPressed(); return 0;
    case WM_LBUTTONUP: m_mouse.OnLeftReleased(); return 0;
    case WM_RBUTTONDOWN: m_mouse.OnRightPressed(); return 0;
    case WM_RBUTTONUP: m_mouse.OnRightReleased(); return 0;
    case WM_MOUSEWHEEL:
    {
        const short delta = GET_WHEEL_DELTA_WPARAM(wParam);
        if (delta > 0)
        {
            m_mouse.OnWheelUp();
        }
        else if (delta < 0)
        {
            m_mouse.OnWheelDown();
        }
        return 0;
    }
    default: return DefWindowProcW(window, message, wParam, lParam);
    }
}

void SystemClass::OnMouseMove(WPARAM wParam, LPARAM lParam)
{
    const int x = GET_X_LPARAM(lParam);
    const int y = GET_Y_LPARAM(lParam);
    const int width = m_options.m_screenWidth;
    const int height = m_options.m_screenHeight;
    if (x > 0 && x < width && y > 0 && y < height)
    {
        m_mouse.OnMouseMove(x, y);
        if (!m_mouse.IsInWindow())
        {
            SetCapture(m_window);
            m_mouse.SetInWindow(true);
        }
    }
    else if (wParam & (MK_LBUTTON | MK_RBUTTON))
    {
        // Dragging outside keeps reporting positions, clamped to the client area.
        const int clampedX = x < 0 ? 0 : (x > width - 1 ? width - 1 : x);
        const int clampedY = y < 0 ? 0 : (y > height - 1 ? height - 1 : y);
        m_mouse.OnMouseMove(clampedX, clampedY);
    }
    else
    {
        ReleaseCapture();
        m_mouse.SetInWindow(false);
        m_mouse.OnLeftReleased();
        m_mouse.OnRightReleased();
    }
}

namespace
{
LRESULT CALLBACK WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message)
    {
    case WM_CLOSE:
    case WM_DESTROY: PostQuitMessage(0); return 0;
    default:
        // Messages can arrive after shutdown has cleared the application (DestroyWindow sends some).
        if (SystemClass* application = SystemClass::GetApplication())
        {
            return application->MessageHandler(window, message, wParam, lParam);
        }
        return DefWindowProcW(window, message, wParam, lParam);
    }
}
}
