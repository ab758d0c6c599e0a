// Mouse state the window procedure keeps for the scene: pointer position, the two buttons, whether the pointer
// is inside (and captured), and the most recent event. The queue is trimmed to one event after every push, so a
// reader only ever sees the newest; nothing here talks to Win32.
#pragma once

#include <optional>
#include <queue>

class Mouse
{
public:
    struct Event
    {
        enum Type : int
        {
            LPress = 0,
            LRelease = 1,
            RPress = 2,
            RRelease = 3,
            WheelUp = 4,
            WheelDown = 5,
            Move = 6,
        };
        Type type;
        bool leftPressed;
        bool rightPressed;
        int x;
        int y;
    };

    void OnMouseMove(int x, int y);
    void OnLeftPressed();
    void OnLeftReleased();
    void OnRightPressed();
    void OnRightReleased();
    void OnWheelUp();
    void OnWheelDown();

    int GetX() const { return m_x; }
    int GetY() const { return m_y; }
    bool IsLeftPressed() const { return m_leftPressed; }
    bool IsRightPressed() const { return m_rightPressed; }
    bool IsInWindow() const { return m_inWindow; }
    void SetInWindow(bool inWindow) { m_inWindow = inWindow; }

    // Takes the pending event, if any.
    std::optional<Event> Read();
    bool HasEvents() const { return !m_events.empty(); }
    std::size_t EventCount() const { return m_events.size(); }
    void Clear();

private:
    void Push(Event::Type type);

    int m_x = 0;
    int m_y = 0;
    bool m_leftPressed = false;
    bool m_rightPressed = false;
    bool m_inWindow = false;
    std::queue<Event> m_events;
};
