// Mouse state: see Mouse.h.
#include "app/Mouse.h"

namespace
{
// Only the newest event is kept; older ones are dropped as soon as a new one arrives.
constexpr std::size_t kMaxEvents = 1;
}

void Mouse::OnMouseMove(int x, int y)
{
    m_x = x;
    m_y = y;
    Push(Event::Move);
}

void Mouse::OnLeftPressed()
{
    m_leftPressed = true;
    Push(Event::LPress);
}

void Mouse::OnLeftReleased()
{
    m_leftPressed = false;
    Push(Event::LRelease);
}

void Mouse::OnRightPressed()
{
    m_rightPressed = true;
    Push(Event::RPress);
}

void Mouse::OnRightReleased()
{
    m_rightPressed = false;
    Push(Event::RRelease);
}

void Mouse::OnWheelUp()
{
    Push(Event::WheelUp);
}

void Mouse::OnWheelDown()
{
    Push(Event::WheelDown);
}

std::optional<Mouse::Event> Mouse::Read()
{
    if (m_events.empty())
    {
        return std::nullopt;
    }
    Event event = m_events.front();
    m_events.pop();
    return event;
}

void Mouse::Clear()
{
    m_events = {};
}

void Mouse::Push(Event::Type type)
{
    m_events.push(Event{type, m_leftPressed, m_rightPressed, m_x, m_y});
    while (m_events.size() > kMaxEvents)
    {
        m_events.pop();
    }
}
