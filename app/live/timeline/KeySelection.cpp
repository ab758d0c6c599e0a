// Many keys edited at once: see KeySelection.h.
#include "app/live/timeline/KeySelection.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iterator>
#include <limits>
#include <utility>

#include "app/live/timeline/TimelineModel.h"

namespace
{
using Key = Choreography::Key;
using Part = Choreography::Problem::Part;

// How close to a beat a key's time must be to count as on the grid: times are floats, beats are products.
constexpr double kOnBeat = 1e-4;

std::string Counted(std::size_t count, const char* one, const char* many)
{
    return std::to_string(count) + " " + (count == 1 ? one : many);
}
}

// ---------------------------------------------------------------------------------------------------------------
// The set

void KeySelection::Follow() const
{
    const std::uint64_t revision = m_model.Editor().Revision();
    if (revision == m_revision)
    {
        return;
    }
    m_revision = revision;
    if (const auto found = m_remembered.find(revision); found != m_remembered.end())
    {
        m_picked = found->second;
    }
    else
    {
        // An edit made elsewhere (a key added, a file changed on disk): a key that moved in its track is found
        // again by its time; one that is gone is no longer selected.
        const auto& tracks = m_model.Current().tracks;
        std::vector<Picked> kept;
        for (const Picked& picked : m_picked)
        {
            if (picked.ref.track >= tracks.size())
            {
                continue;
            }
            const auto& keys = tracks[picked.ref.track].keys;
            if (picked.ref.key < keys.size() && keys[picked.ref.key].time == picked.time)
            {
                kept.push_back(picked);
                continue;
            }
            const auto place = std::lower_bound(keys.begin(), keys.end(), picked.time,
                                                [](const Key& key, float t) { return key.time < t; });
            if (place != keys.end() && place->time == picked.time)
            {
                kept.push_back({{picked.ref.track, static_cast<std::size_t>(place - keys.begin())}, picked.time});
            }
        }
        std::sort(kept.begin(), kept.end());
        kept.erase(std::unique(kept.begin(), kept.end(),
                               [](const Picked& a, const Picked& b) { return !(a < b) && !(b < a); }),
                   kept.end());
        m_picked = std::move(kept);
    }
    m_refs.clear();
    for (const Picked& picked : m_picked)
    {
        m_refs.push_back(picked.ref);
    }
}

const std::vector<KeySelection::KeyRef>& KeySelection::Keys() const
{
    Follow();
    return m_refs;
}

bool KeySelection::Contains(std::size_t track, std::size_t key) const
{
    const std::vector<KeyRef>& refs = Keys();
    return std::binary_search(refs.begin(), refs.end(), KeyRef{track, key});
}

void KeySelection::Set(std::vector<Picked> picked)
{
    std::sort(picked.begin(), picked.end());
    m_picked = std::move(picked);
    m_refs.clear();
    for (const Picked& p : m_picked)
    {
        m_refs.push_back(p.ref);
    }
    m_revision = m_model.Editor().Revision();
    if (!m_drag)   // a drag's versions in between are no undo steps
    {
        m_remembered[m_revision] = m_picked;
        while (m_remembered.size() > kRememberedVersions)
        {
            m_remembered.erase(m_remembered.begin());
        }
    }
}

void KeySelection::SetRefs(const std::vector<KeyRef>& refs)
{
    const auto& tracks = m_model.Current().tracks;
    std::vector<Picked> picked;
    picked.reserve(refs.size());
    for (const KeyRef& ref : refs)
    {
        if (ref.track < tracks.size() && ref.key < tracks[ref.track].keys.size())
        {
            picked.push_back({ref, tracks[ref.track].keys[ref.key].time});
        }
    }
    std::sort(picked.begin(), picked.end());
    picked.erase(
        std::unique(picked.begin(), picked.end(), [](const Picked& a, const Picked& b) { return a.ref == b.ref; }),
        picked.end());
    Set(std::move(picked));
}

void KeySelection::Clear()
{
    SetRefs({});
}

void KeySelection::SelectBox(std::size_t firstTrack, std::size_t lastTrack, double from, double until, Combine combine,
                             double lowest, double highest)
{
    const auto& tracks = m_model.Current().tracks;
    if (firstTrack > lastTrack)
    {
        std::swap(firstTrack, lastTrack);
    }
    if (from > until)
    {
        std::swap(from, until);
    }
    if (lowest > highest)
    {
        std::swap(lowest, highest);
    }
    std::vector<KeyRef> boxed;
    for (std::size_t track = firstTrack; track <= lastTrack && track < tracks.size(); ++track)
    {
        const auto& keys = tracks[track].keys;
        const auto first =
            std::lower_bound(keys.begin(), keys.end(), from, [](const Key& key, double t) { return key.time < t; });
        for (auto key = first; key != keys.end() && key->time <= until; ++key)
        {
            if (key->value >= lowest && key->value <= highest)
            {
                boxed.push_back({track, static_cast<std::size_t>(key - keys.begin())});
            }
        }
    }
    const std::vector<KeyRef>& had = Keys();
    std::vector<KeyRef> result;
    switch (combine)
    {
    case Combine::Replace: result = std::move(boxed); break;
    case Combine::Add:
        std::set_union(had.begin(), had.end(), boxed.begin(), boxed.end(), std::back_inserter(result));
        break;
    case Combine::Toggle:
        std::set_symmetric_difference(had.begin(), had.end(), boxed.begin(), boxed.end(), std::back_inserter(result));
        break;
    }
    SetRefs(result);
}

void KeySelection::SelectKey(std::size_t track, std::size_t key, Combine combine)
{
    const auto& tracks = m_model.Current().tracks;
    if (track < tracks.size() && key < tracks[track].keys.size())
    {
        const float time = tracks[track].keys[key].time;
        SelectBox(track, track, time, time, combine);
        // Keys that meet share a time: the box takes them all, a click only the one under the pointer.
        std::vector<KeyRef> refs = Keys();
        std::erase_if(refs, [&](const KeyRef& ref) {
            return ref.track == track && ref.key != key && tracks[track].keys[ref.key].time == time &&
                   combine == Combine::Replace;
        });
        SetRefs(refs);
    }
}

void KeySelection::SelectAllInLoop()
{
    const std::optional<Choreography::Loop>& loop = m_model.Current().loop;
    constexpr double kAll = std::numeric_limits<double>::infinity();
    const std::size_t tracks = m_model.Current().tracks.size();
    if (tracks > 0)
    {
        SelectBox(0, tracks - 1, loop ? loop->in : -kAll, loop ? loop->out : kAll, Combine::Replace);
    }
    m_model.SetStatus(Counted(Keys().size(), "key", "keys") + " selected" + (loop ? " within the loop" : ""));
}

// ---------------------------------------------------------------------------------------------------------------
// Dragging

void KeySelection::Grab(KeyRef grabbed)
{
    if (!Contains(grabbed.track, grabbed.key))
    {
        SelectKey(grabbed.track, grabbed.key, Combine::Replace);
    }
    if (!Contains(grabbed.track, grabbed.key))
    {
        return;   // no such key
    }
    Drag drag;
    for (const Picked& picked : m_picked)
    {
        const Choreography::Key& key = m_model.Current().tracks[picked.ref.track].keys[picked.ref.key];
        drag.from.push_back(key.time);
        drag.values.push_back(key.value);
    }
    drag.grabbedFrom = m_model.Current().tracks[grabbed.track].keys[grabbed.key].time;
    m_model.BeginGesture();
    m_drag = std::move(drag);
}

void KeySelection::DragTo(float time, float valueShift)
{
    if (!m_drag || !std::isfinite(time))
    {
        return;
    }
    if (!m_model.Editor().InGesture() || m_revision != m_model.Editor().Revision())
    {
        // An undo, a save or a change on disk in the middle of the drag ended it.
        m_drag.reset();
        m_model.EndGesture();
        return;
    }
    const auto& tracks = m_model.Current().tracks;
    double shift = static_cast<double>(m_model.Snapped(time)) - m_drag->grabbedFrom;
    // The move stops where the first key would pass a key that is not selected, or go before the start.
    double lowest = -std::numeric_limits<double>::infinity();
    double highest = std::numeric_limits<double>::infinity();
    const char* heldBy = "held at a key that is not selected";
    for (std::size_t i = 0; i < m_picked.size(); ++i)
    {
        const KeyRef ref = m_picked[i].ref;
        const auto& keys = tracks[ref.track].keys;
        const double from = m_drag->from[i];
        lowest = std::max(lowest, -from);
        if (ref.key > 0 && !Contains(ref.track, ref.key - 1))
        {
            lowest = std::max(lowest, static_cast<double>(keys[ref.key - 1].time) - from);
        }
        if (ref.key + 1 < keys.size() && !Contains(ref.track, ref.key + 1))
        {
            highest = std::min(highest, static_cast<double>(keys[ref.key + 1].time) - from);
        }
    }
    if (shift < lowest || shift > highest)
    {
        const bool atStart = shift < lowest && std::any_of(m_drag->from.begin(), m_drag->from.end(),
                                                           [&](float from) { return from + lowest <= 0.0; });
        m_model.SetStatus(atStart ? "held at 0 s" : heldBy);
        shift = std::clamp(shift, lowest, std::max(lowest, highest));
    }
    std::vector<Picked> moved = m_picked;
    for (std::size_t i = 0; i < moved.size(); ++i)
    {
        moved[i].time = static_cast<float>(m_drag->from[i] + shift);
    }
    if (!std::isfinite(valueShift))
    {
        valueShift = 0.0f;
    }
    m_model.Edit([&](Choreography& next) {
        for (std::size_t i = 0; i < moved.size(); ++i)
        {
            Choreography::Key& key = next.tracks[moved[i].ref.track].keys[moved[i].ref.key];
            key.time = moved[i].time;
            key.value = m_drag->values[i] + valueShift;
        }
    });
    Set(std::move(moved));
}

void KeySelection::LetGo()
{
    if (m_drag)
    {
        m_drag.reset();
        m_model.EndGesture();
        Set(m_picked);   // remembered for undo and redo only now
    }
}

// ---------------------------------------------------------------------------------------------------------------
// Stretching

float KeySelection::Beat() const
{
    return m_model.Current().beatSeconds;
}

void KeySelection::Stretch(float ratio, Pivot pivot)
{
    Follow();
    if (m_picked.empty())
    {
        m_model.SetStatus("nothing stretched: no keys are selected");
        return;
    }
    if (!(ratio > 0.0f) || !std::isfinite(ratio))
    {
        m_model.SetStatus("nothing stretched: the ratio must be a number above 0");
        return;
    }
    const auto& tracks = m_model.Current().tracks;
    double about = m_model.PlayheadTime();
    if (pivot == Pivot::FirstKey)
    {
        about = std::numeric_limits<double>::infinity();
        for (const Picked& picked : m_picked)
        {
            about = std::min(about, static_cast<double>(tracks[picked.ref.track].keys[picked.ref.key].time));
        }
    }
    const double beat = Beat();
    const bool snapping = m_model.EditsInBeats();
    std::vector<Picked> stretched = m_picked;
    std::size_t offGrid = 0;
    // Track by track, keys in order: each key's new time against its neighbour before (already placed) and after.
    for (std::size_t first = 0; first < stretched.size();)
    {
        const std::size_t track = stretched[first].ref.track;
        const auto& keys = tracks[track].keys;
        std::vector<double> times(keys.size());
        std::vector<bool> selected(keys.size(), false);
        std::size_t last = first;
        for (; last < stretched.size() && stretched[last].ref.track == track; ++last)
        {
            selected[stretched[last].ref.key] = true;
        }
        for (std::size_t k = 0; k < keys.size(); ++k)
        {
            const double t = keys[k].time;
            times[k] = selected[k] ? about + ratio * (t - about) : t;
            if (times[k] < 0.0)
            {
                m_model.SetStatus("nothing stretched: a key would go before 0 s");
                return;
            }
            if (k > 0 && times[k] < times[k - 1])
            {
                m_model.SetStatus("nothing stretched: a key would pass one that is not selected (" +
                                  Choreography::Problem{Part::Track, track, k, {}}.Where() + ")");
                return;
            }
        }
        for (std::size_t k = 0; k < keys.size(); ++k)
        {
            const double t = keys[k].time;
            const double onGrid = beat > 0.0 ? std::round(t / beat) : 0.0;
            if (!selected[k] || !snapping || std::fabs(t / beat - onGrid) > kOnBeat)
            {
                continue;
            }
            const double snapped = std::round(times[k] / beat) * beat;
            // A key that did not meet its neighbour must not come to meet or pass it by snapping.
            const auto keepsApart = [&](std::size_t a, std::size_t b, double ta, double tb) {
                return keys[a].time == keys[b].time ? ta <= tb : ta < tb;
            };
            const bool fits = (k == 0 || keepsApart(k - 1, k, times[k - 1], snapped)) &&
                              (k + 1 == keys.size() || keepsApart(k, k + 1, snapped, times[k + 1]));
            if (fits)
            {
                times[k] = snapped;
            }
            else if (std::fabs(times[k] - snapped) > kOnBeat * beat)
            {
                ++offGrid;
            }
        }
        for (std::size_t i = first; i < last; ++i)
        {
            stretched[i].time = static_cast<float>(times[stretched[i].ref.key]);
        }
        first = last;
    }
    m_model.Edit([&](Choreography& next) {
        for (const Picked& picked : stretched)
        {
            Key& key = next.tracks[picked.ref.track].keys[picked.ref.key];
            key.time = picked.time;
            for (std::optional<Choreography::Handle>* handle : {&key.in, &key.out})
            {
                if (*handle)
                {
                    (*handle)->dt *= ratio;
                }
            }
        }
    });
    Set(std::move(stretched));
    char text[160];
    std::snprintf(text, sizeof text, "stretched %zu keys by %g about %s%s", m_picked.size(), static_cast<double>(ratio),
                  pivot == Pivot::FirstKey ? "the first key" : "the playhead",
                  offGrid == 0 ? ""
                               : (", " + Counted(offGrid, "key", "keys") +
                                  " kept off the beat to stay apart from "
                                  "their neighbours")
                                     .c_str());
    m_model.SetStatus(text);
}

// ---------------------------------------------------------------------------------------------------------------
// Copying and pasting

void KeySelection::Copy()
{
    Follow();
    if (m_picked.empty())
    {
        m_model.SetStatus("nothing copied: no keys are selected");
        return;
    }
    const auto& tracks = m_model.Current().tracks;
    float start = std::numeric_limits<float>::infinity();
    for (const Picked& picked : m_picked)
    {
        start = std::min(start, tracks[picked.ref.track].keys[picked.ref.key].time);
    }
    m_copied.clear();
    for (const Picked& picked : m_picked)
    {
        const Choreography::Track& track = tracks[picked.ref.track];
        if (m_copied.empty() || m_copied.back().actor != track.actor || m_copied.back().channel != track.channel)
        {
            m_copied.push_back({track.actor, track.channel, {}});
        }
        Key key = track.keys[picked.ref.key];
        key.time -= start;
        m_copied.back().keys.push_back(key);
    }
    m_model.SetStatus("copied " + Counted(m_picked.size(), "key", "keys") + " of " +
                      Counted(m_copied.size(), "track", "tracks"));
}

void KeySelection::Paste()
{
    if (m_copied.empty())
    {
        m_model.SetStatus("nothing pasted: copy keys first (Ctrl+C)");
        return;
    }
    const float at = m_model.PlayheadTime();
    // Keys of one actor go to the actor of the lane selected, when another one is.
    const Choreography& current = m_model.Current();
    const bool oneActor = std::all_of(m_copied.begin(), m_copied.end(),
                                      [&](const CopiedTrack& copied) { return copied.actor == m_copied[0].actor; });
    const std::optional<TimelineModel::Selection>& lane = m_model.Selected();
    const bool trackLane = lane && lane->part == Part::Track && lane->index < current.tracks.size();
    const std::optional<ActorId> selectedActor = m_model.SelectedActor();
    const bool elsewhere = oneActor && (trackLane || selectedActor);
    const ActorId onto = !elsewhere  ? m_copied[0].actor
                         : trackLane ? current.tracks[lane->index].actor
                                     : *selectedActor;
    std::size_t made = 0;
    std::size_t replaced = 0;
    std::size_t pasted = 0;
    std::vector<std::pair<std::size_t, std::pair<float, std::size_t>>> spans;   // track, first time, count
    m_model.Edit([&](Choreography& next) {
        for (const CopiedTrack& copied : m_copied)
        {
            const ActorId actor = elsewhere ? onto : copied.actor;
            const auto& tracks = std::as_const(next).tracks;
            const auto found = std::find_if(tracks.begin(), tracks.end(), [&](const Choreography::Track& track) {
                return track.actor == actor && track.channel == copied.channel;
            });
            std::size_t index = static_cast<std::size_t>(found - tracks.begin());
            if (found == tracks.end())
            {
                next.tracks.push_back(Choreography::Track{actor, copied.channel, {}});
                index = next.tracks.size() - 1;
                ++made;
            }
            auto& keys = next.tracks[index].keys.Edit();
            const float from = at + copied.keys.front().time;
            const float until = at + copied.keys.back().time;
            const auto begin =
                std::lower_bound(keys.begin(), keys.end(), from, [](const Key& key, float t) { return key.time < t; });
            const auto end =
                std::upper_bound(begin, keys.end(), until, [](float t, const Key& key) { return t < key.time; });
            replaced += static_cast<std::size_t>(end - begin);
            const auto place = keys.erase(begin, end);
            std::vector<Key> moved = copied.keys;
            for (Key& key : moved)
            {
                key.time += at;
            }
            const auto first = keys.insert(place, moved.begin(), moved.end());
            spans.push_back({index, {from, static_cast<std::size_t>(first - keys.begin())}});
            pasted += moved.size();
        }
    });
    std::vector<KeyRef> refs;
    for (std::size_t i = 0; i < spans.size(); ++i)
    {
        for (std::size_t k = 0; k < m_copied[i].keys.size(); ++k)
        {
            refs.push_back({spans[i].first, spans[i].second.second + k});
        }
    }
    SetRefs(refs);
    std::string status = "pasted " + Counted(pasted, "key", "keys");
    if (elsewhere && onto != m_copied[0].actor)
    {
        status += onto == Choreography::Track::kCamera ? " onto the camera" : " onto actor " + std::to_string(onto);
    }
    if (made > 0)
    {
        status += ", " + Counted(made, "track", "tracks") + " made";
    }
    if (replaced > 0)
    {
        status += ", " + Counted(replaced, "key", "keys") + " there replaced";
    }
    m_model.SetStatus(status);
}

void KeySelection::Delete()
{
    Follow();
    if (m_picked.empty())
    {
        m_model.SetStatus("nothing deleted: no keys are selected");
        return;
    }
    const std::size_t count = m_picked.size();
    m_model.Edit([&](Choreography& next) {
        for (auto picked = m_picked.rbegin(); picked != m_picked.rend(); ++picked)
        {
            auto& keys = next.tracks[picked->ref.track].keys;
            keys.erase(keys.begin() + static_cast<std::ptrdiff_t>(picked->ref.key));
        }
    });
    Clear();
    if (const std::optional<TimelineModel::Selection> lane = m_model.Selected(); lane && lane->key)
    {
        m_model.SelectEdited({lane->part, lane->index, std::nullopt});   // its key may be gone
    }
    m_model.SetStatus("deleted " + Counted(count, "key", "keys"));
}

// ---------------------------------------------------------------------------------------------------------------
// Inserting and removing time

template <typename Shift, typename Removed>
std::size_t KeySelection::ShiftTime(Shift shift, Removed removed)
{
    Follow();
    const Choreography& current = m_model.Current();
    // The selection follows its keys: removed ones leave it, the others keep their place among what is left.
    std::vector<Picked> kept;
    for (const Picked& picked : m_picked)
    {
        const auto& keys = current.tracks[picked.ref.track].keys;
        if (removed(keys[picked.ref.key].time))
        {
            continue;
        }
        std::size_t before = 0;
        for (std::size_t k = 0; k < picked.ref.key; ++k)
        {
            before += removed(keys[k].time) ? 1 : 0;
        }
        kept.push_back({{picked.ref.track, picked.ref.key - before}, shift(keys[picked.ref.key].time)});
    }
    std::size_t removedKeys = 0;
    m_model.Edit([&](Choreography& next) {
        for (std::size_t t = 0; t < next.tracks.size(); ++t)
        {
            const auto& read = std::as_const(next).tracks[t].keys;
            // Tracks that end before the change are not copied.
            if (read.empty() || (shift(read.back().time) == read.back().time && !removed(read.back().time)))
            {
                continue;
            }
            auto& keys = next.tracks[t].keys.Edit();
            const auto gone =
                std::remove_if(keys.begin(), keys.end(), [&](const Key& key) { return removed(key.time); });
            removedKeys += static_cast<std::size_t>(keys.end() - gone);
            keys.erase(gone, keys.end());
            for (Key& key : keys)
            {
                key.time = shift(key.time);
            }
        }
        if (next.loop)
        {
            Choreography::Loop loop{shift(next.loop->in), shift(next.loop->out)};
            if (loop.out - loop.in < Choreography::kShortestLoop)
            {
                loop.out = loop.in + std::max(static_cast<float>(Beat()), Choreography::kShortestLoop);
            }
            next.loop = loop;
        }
        for (std::size_t b = 0; b < next.bookmarks.size(); ++b)
        {
            const float time = shift(std::as_const(next).bookmarks[b].time);
            if (time != std::as_const(next).bookmarks[b].time)
            {
                next.bookmarks[b].time = time;
            }
        }
    });
    Set(std::move(kept));
    m_model.KeepSelectionValid();
    return removedKeys;
}

void KeySelection::InsertBeat()
{
    const float beat = Beat();
    if (!(beat >= TimelineModel::kShortestBeat))
    {
        m_model.SetStatus("no beat inserted: the file's beat is too short to be one");
        return;
    }
    const float at = m_model.PlayheadTime();
    ShiftTime([&](float t) { return t >= at ? t + beat : t; }, [](float) { return false; });
    char text[96];
    std::snprintf(text, sizeof text, "a beat inserted at %.3f s", static_cast<double>(at));
    m_model.SetStatus(text);
}

void KeySelection::RemoveBeat()
{
    const float beat = Beat();
    if (!(beat >= TimelineModel::kShortestBeat))
    {
        m_model.SetStatus("no beat removed: the file's beat is too short to be one");
        return;
    }
    const float at = m_model.PlayheadTime();
    const float end = at + beat;
    const std::size_t removed = ShiftTime([&](float t) { return t < at    ? t
                                                                : t < end ? at
                                                                          : t - beat; },
                                          [&](float t) { return t >= at && t < end; });
    char text[128];
    std::snprintf(text, sizeof text, "the beat at %.3f s removed%s", static_cast<double>(at),
                  removed == 0 ? "" : (" with the " + Counted(removed, "key", "keys") + " in it").c_str());
    m_model.SetStatus(text);
}
