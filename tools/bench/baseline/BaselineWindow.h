// The baseline's window: a plain overlapped window whose client area has the requested size, and the message
// pump. It handles no keys, mouse, resizing or full screen; closing it ends the run.
#pragma once

#include <windows.h>

class BaselineWindow
{
public:
    // Throws std::runtime_error when the class or the window cannot be created.
    BaselineWindow(int clientWidth, int clientHeight);
    ~BaselineWindow();
    BaselineWindow(const BaselineWindow&) = delete;
    BaselineWindow& operator=(const BaselineWindow&) = delete;

    HWND Handle() const { return m_window; }

    // Dispatches every waiting message; false once the window has been closed.
    bool PumpMessages();

private:
    HWND m_window = nullptr;
    bool m_closed = false;
};
