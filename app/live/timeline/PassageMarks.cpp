// The loop and the bookmarks of the timeline panel's model: see PassageMarks.h.
#include "app/live/timeline/PassageMarks.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "app/live/timeline/TimelineModel.h"

bool PassageMarks::IsMoment(double seconds)
{
    if (!std::isfinite(seconds))
    {
        m_model.SetStatus("no loop set: the moment is no number");
    }
    return std::isfinite(seconds);
}

float PassageMarks::ShortestLoop() const
{
    const float beat = m_model.Current().beatSeconds;
    return m_model.EditsInBeats() ? std::max(beat, Choreography::kShortestLoop) : Choreography::kShortestLoop;
}

void PassageMarks::ChangeLoop(Choreography::Loop loop)
{
    if (!(std::isfinite(loop.in) && std::isfinite(loop.out)))
    {
        m_model.SetStatus("no loop set: the moment is no number");
        return;
    }
    // A loop shorter than this would jump back (and restart the music) every frame or two.
    const bool clamped = !(loop.out - loop.in >= ShortestLoop());
    if (clamped)
    {
        // The sum is rounded to a float; the next float up when that falls short of the length.
        loop.out = loop.in + ShortestLoop();
        while (loop.out - loop.in < ShortestLoop())
        {
            loop.out = std::nextafter(loop.out, Choreography::kForever);
        }
    }
    if (loop != m_model.Current().loop)
    {
        m_model.Edit([&](Choreography& next) { next.loop = loop; });
    }
    char text[160];
    std::snprintf(text, sizeof text, "loop %.3f to %.3f s%s", static_cast<double>(loop.in),
                  static_cast<double>(loop.out),
                  !clamped                 ? ""
                  : m_model.EditsInBeats() ? " (made a beat long: a loop lasts at least one beat)"
                                           : " (made a frame long: a loop lasts at least one frame)");
    m_model.SetStatus(text);
}

void PassageMarks::SetLoopIn(double seconds)
{
    if (!IsMoment(seconds))
    {
        return;
    }
    const float in = std::max(0.0f, m_model.Snapped(static_cast<float>(seconds)));
    const std::optional<Choreography::Loop>& loop = m_model.Current().loop;
    ChangeLoop(loop && in < loop->out ? Choreography::Loop{in, loop->out} : Choreography::Loop{in, in + m_model.Bar()});
}

void PassageMarks::SetLoopOut(double seconds)
{
    if (!IsMoment(seconds))
    {
        return;
    }
    const float out = m_model.Snapped(static_cast<float>(seconds));
    const std::optional<Choreography::Loop>& loop = m_model.Current().loop;
    if (loop && out > loop->in)
    {
        ChangeLoop(Choreography::Loop{loop->in, out});
    }
    else if (!(out > 0.0f))
    {
        // Nothing comes before the start, so no loop can end there.
        m_model.SetStatus("no loop ends at 0 s or before: set its out point later, or its in point (I) first");
    }
    else
    {
        ChangeLoop(Choreography::Loop{std::max(0.0f, out - m_model.Bar()), out});
    }
}

void PassageMarks::SetLoop(double from, double until)
{
    if (!IsMoment(from) || !IsMoment(until))
    {
        return;
    }
    const float a = std::max(0.0f, m_model.Snapped(static_cast<float>(std::min(from, until))));
    const float b = m_model.Snapped(static_cast<float>(std::max(from, until)));
    ChangeLoop(Choreography::Loop{a, std::max(a, b)});
}

std::optional<std::size_t> PassageMarks::AddBookmark(double seconds)
{
    const float time = m_model.Snapped(static_cast<float>(seconds));
    if (!std::isfinite(seconds) || !std::isfinite(time))
    {
        m_model.SetStatus("no bookmark set: the moment is no number");
        return std::nullopt;
    }
    const auto& bookmarks = m_model.Current().bookmarks;
    const auto place = std::lower_bound(bookmarks.begin(), bookmarks.end(), time,
                                        [](const Choreography::Bookmark& b, float t) { return b.time < t; });
    const auto index = static_cast<std::size_t>(place - bookmarks.begin());
    if (place != bookmarks.end() && place->time == time)
    {
        return index;
    }
    std::string name;
    for (std::size_t number = 1;; ++number)
    {
        name = "bookmark " + std::to_string(number);
        if (std::none_of(bookmarks.begin(), bookmarks.end(),
                         [&](const Choreography::Bookmark& b) { return b.name == name; }))
        {
            break;
        }
    }
    m_model.Edit([&](Choreography& next) {
        next.bookmarks.insert(next.bookmarks.begin() + static_cast<std::ptrdiff_t>(index),
                              Choreography::Bookmark{time, name});
    });
    m_model.SetStatus(name + " set");
    return index;
}

bool PassageMarks::RenameBookmark(std::size_t index, const std::string& name)
{
    if (index >= m_model.Current().bookmarks.size())
    {
        return false;
    }
    if (!Choreography::IsBookmarkName(name))
    {
        m_model.SetStatus("name not taken: a bookmark's name is a line of at most " +
                          std::to_string(Choreography::kLongestBookmarkName) +
                          " bytes of UTF-8 without control characters");
        return false;
    }
    if (name != m_model.Current().bookmarks[index].name)
    {
        m_model.Edit([&](Choreography& next) { next.bookmarks[index].name = name; });
    }
    return true;
}

void PassageMarks::DeleteBookmark(std::size_t index)
{
    if (index < m_model.Current().bookmarks.size())
    {
        m_model.Edit([&](Choreography& next) {
            next.bookmarks.erase(next.bookmarks.begin() + static_cast<std::ptrdiff_t>(index));
        });
    }
}

std::optional<float> PassageMarks::BookmarkTime(std::size_t index) const
{
    const auto& bookmarks = m_model.Current().bookmarks;
    return index < bookmarks.size() ? std::optional<float>(bookmarks[index].time) : std::nullopt;
}

std::optional<float> PassageMarks::JumpToBookmark(std::size_t index)
{
    const std::optional<float> time = BookmarkTime(index);
    if (!time)
    {
        const std::size_t count = m_model.Current().bookmarks.size();
        m_model.SetStatus("no bookmark " + std::to_string(index + 1) + " to jump to: " +
                          (count == 0 ? std::string("there are none (M adds one)")
                                      : "there " + std::string(count == 1 ? "is " : "are ") + std::to_string(count)));
    }
    return time;
}
