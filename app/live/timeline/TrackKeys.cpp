// The keys of the timeline panel's model's tracks: see TrackKeys.h.
#include "app/live/timeline/TrackKeys.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iterator>

#include "app/live/timeline/TimelineModel.h"
#include "scene/choreography/BezierStretch.h"

namespace
{
using Part = Choreography::Problem::Part;
}

void TrackKeys::AddKey(std::size_t track, float time)
{
    if (track >= m_model.Current().tracks.size() || !std::isfinite(time))
    {
        return;
    }
    time = m_model.Snapped(time);
    std::size_t index = 0;
    m_model.Edit([&](Choreography& next) {
        Choreography::Track& keyed = next.tracks[track];
        const auto place = std::upper_bound(keyed.keys.begin(), keyed.keys.end(), time,
                                            [](float t, const Choreography::Key& key) { return t < key.time; });
        index = static_cast<std::size_t>(place - keyed.keys.begin());
        const float value =
            keyed.keys.empty() ? m_model.ValueOnScreen(keyed.actor, keyed.channel).value_or(0.0f) : keyed.ValueAt(time);
        // A key goes over to the next one as the key before it does: a new key in a smooth stretch stays smooth.
        const Choreography::Ease ease = index > 0 ? keyed.keys[index - 1].ease : Choreography::Ease::Linear;
        keyed.keys.insert(place, Choreography::Key{time, value, ease});
    });
    m_model.SelectEdited({Part::Track, track, index});
}

void TrackKeys::AddKeyAtPlayhead()
{
    const std::optional<TimelineModel::Selection>& selection = m_model.Selected();
    if (selection && selection->part == Part::Track)
    {
        AddKey(selection->index, m_model.PlayheadTime());
    }
}

void TrackKeys::DeleteSelectedKey()
{
    m_model.KeepSelectionValid();
    const std::optional<TimelineModel::Selection> selection = m_model.Selected();
    if (!selection || selection->part != Part::Track || !selection->key)
    {
        return;
    }
    const std::size_t track = selection->index;
    const auto key = static_cast<std::ptrdiff_t>(*selection->key);
    m_model.Edit([&](Choreography& next) { next.tracks[track].keys.erase(next.tracks[track].keys.begin() + key); });
    m_model.SelectEdited({Part::Track, track, std::nullopt});
}

void TrackKeys::GrabKey(std::size_t track, std::optional<std::size_t> key)
{
    m_model.Select(Part::Track, track, key);
    m_keyGrabbed = m_model.Selected() && m_model.Selected()->key.has_value();
    if (m_keyGrabbed)
    {
        m_model.BeginGesture();
    }
}

void TrackKeys::DragGrabbedKey(float time)
{
    // An undo or a save in the middle of the drag ends it: the key is let go then.
    const std::optional<TimelineModel::Selection>& selection = m_model.Selected();
    if (m_keyGrabbed && m_model.Editor().InGesture() && selection && selection->part == Part::Track && selection->key)
    {
        MoveKey(selection->index, *selection->key, time);
    }
}

void TrackKeys::LetGoOfKey()
{
    m_keyGrabbed = false;
    m_model.EndGesture();
}

void TrackKeys::MoveKey(std::size_t track, std::size_t key, float time)
{
    if (track >= m_model.Current().tracks.size() || !std::isfinite(time))
    {
        return;
    }
    const auto& keys = m_model.Current().tracks[track].keys;
    if (key >= keys.size())
    {
        return;
    }
    time = m_model.Snapped(time);
    // Between its neighbours: a key dragged past one would put the keys out of time order.
    if (key > 0)
    {
        time = std::max(time, keys[key - 1].time);
    }
    if (key + 1 < keys.size())
    {
        time = std::min(time, keys[key + 1].time);
    }
    if (time != keys[key].time)
    {
        m_model.Edit([&](Choreography& next) { next.tracks[track].keys[key].time = time; });
    }
}

void TrackKeys::SetHandle(std::size_t track, std::size_t key, bool out, Choreography::Handle handle, bool aligned)
{
    if (track >= m_model.Current().tracks.size() || !std::isfinite(handle.dt) || !std::isfinite(handle.dv))
    {
        return;
    }
    const auto& keys = m_model.Current().tracks[track].keys;
    if (key >= keys.size())
    {
        return;
    }
    const Choreography::Key& edited = keys[key];
    const bool hasNext = key + 1 < keys.size();
    const bool hasBefore = key > 0;
    const float spanAfter = hasNext ? keys[key + 1].time - edited.time : 0.0f;
    const float spanBefore = hasBefore ? edited.time - keys[key - 1].time : 0.0f;
    Choreography::Key changed = edited;
    std::optional<Choreography::Handle>& moved = out ? changed.out : changed.in;
    moved = out ? BezierStretch::ClampedOut(handle, spanAfter) : BezierStretch::ClampedIn(handle, spanBefore);
    const bool otherExists = out ? hasBefore : hasNext;
    if (aligned && otherExists)
    {
        // The other handle at its own length (as it plays: a missing one is a third of its stretch, flat).
        const Choreography::Handle other =
            out ? BezierStretch::InHandle(keys[key - 1], edited) : BezierStretch::OutHandle(edited, keys[key + 1]);
        const double length = std::hypot(static_cast<double>(other.dt), static_cast<double>(other.dv));
        const double pulled = std::hypot(static_cast<double>(moved->dt), static_cast<double>(moved->dv));
        if (pulled > 0.0)
        {
            const Choreography::Handle opposite{static_cast<float>(-moved->dt / pulled * length),
                                                static_cast<float>(-moved->dv / pulled * length)};
            (out ? changed.in : changed.out) =
                out ? BezierStretch::ClampedIn(opposite, spanBefore) : BezierStretch::ClampedOut(opposite, spanAfter);
        }
    }
    if (!(changed == edited))
    {
        m_model.Edit([&](Choreography& next) { next.tracks[track].keys[key] = changed; });
    }
}

void TrackKeys::ClearHandles(std::size_t track, std::size_t key)
{
    if (track < m_model.Current().tracks.size() && key < m_model.Current().tracks[track].keys.size())
    {
        const Choreography::Key& current = m_model.Current().tracks[track].keys[key];
        if (current.in || current.out)
        {
            m_model.Edit([&](Choreography& next) {
                next.tracks[track].keys[key].in.reset();
                next.tracks[track].keys[key].out.reset();
            });
        }
    }
}

std::optional<float> TrackKeys::KeyWhatYouSee(double seconds, const std::vector<SeenPose>& poses)
{
    const float time = m_model.Snapped(static_cast<float>(seconds));
    const auto finite = [](const SeenPose& pose) {
        return std::all_of(pose.channels.begin(), pose.channels.end(), [](float v) { return std::isfinite(v); });
    };
    if (!std::isfinite(seconds) || !std::isfinite(time) || poses.empty() ||
        !std::all_of(poses.begin(), poses.end(), finite))
    {
        m_model.SetStatus("nothing keyed: what is on screen is no finite number");
        return std::nullopt;
    }
    m_model.Edit([&](Choreography& next) {
        for (const SeenPose& pose : poses)
        {
            for (std::size_t channel = 0; channel < Choreography::kChannelCount; ++channel)
            {
                const auto kind = static_cast<Choreography::Channel>(channel);
                const auto& tracks = next.tracks;
                auto found = std::find_if(tracks.begin(), tracks.end(), [&](const Choreography::Track& track) {
                    return track.actor == pose.actor && track.channel == kind;
                });
                std::size_t index = static_cast<std::size_t>(found - tracks.begin());
                if (found == tracks.end())
                {
                    next.tracks.push_back(Choreography::Track{pose.actor, kind, {}});
                    index = next.tracks.size() - 1;
                }
                Choreography::Track& track = next.tracks[index];
                const auto place = std::lower_bound(track.keys.begin(), track.keys.end(), time,
                                                    [](const Choreography::Key& key, float t) { return key.time < t; });
                if (place != track.keys.end() && place->time == time)
                {
                    place->value = pose.channels[channel];
                    continue;
                }
                const Choreography::Ease ease =
                    place != track.keys.begin() ? std::prev(place)->ease : Choreography::Ease::Linear;
                track.keys.insert(place, Choreography::Key{time, pose.channels[channel], ease});
            }
        }
    });
    char text[64];
    std::snprintf(text, sizeof text, "keyed what is seen at %.3f s", static_cast<double>(time));
    m_model.SetStatus(text);
    m_model.KeepSelectionValid();
    return time;
}
