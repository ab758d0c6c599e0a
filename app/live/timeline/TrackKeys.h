// The keys of the timeline panel's model's tracks: a new key takes the value on screen or the track's own, a key
// dragged stays between its neighbours and on the beat grid while snapping and is one undo step until let go, and
// keying what is seen writes a camera's or an actor's six channels at once. Every change is one undo step through
// the model, which keeps the selection; the panel and the live tools call these through it. Portable.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <vector>

#include "scene/choreography/Choreography.h"

class TimelineModel;

class TrackKeys
{
public:
    // What one camera (actor 0) or actor shows: its six channels in the order of Choreography::Channel, angles in
    // degrees.
    struct SeenPose
    {
        ActorId actor = Choreography::Track::kCamera;
        std::array<float, Choreography::kChannelCount> channels{};
    };

    explicit TrackKeys(TimelineModel& model) : m_model(model) {}

    // A key in track `track` at `time` (snapped), selected. It takes the track's value at that time; as the
    // track's first key, the value its channel has on screen, so that keying starts where things stand.
    void AddKey(std::size_t track, float time);
    void AddKeyAtPlayhead();
    void DeleteSelectedKey();
    // A key taken in its lane (`key`: the one under the pointer, if any) selects it, and its drag along the lane
    // is one undo step until it is let go.
    void GrabKey(std::size_t track, std::optional<std::size_t> key);
    void DragGrabbedKey(float time);
    void LetGoOfKey();
    // Moves a key to `time` (snapped), held between its neighbours: keys stay in time order.
    void MoveKey(std::size_t track, std::size_t key, float time);

    // A key's Bezier handles, as the graph view drags them. `out` says which: towards the next key, or the one
    // before. The handle is clamped into its stretch; when `aligned`, the key's other handle turns to point the
    // opposite way at its own length (a missing one at the length it plays with), so the curve stays smooth
    // through the key; broken, it stays where it is. One undo step, or part of the gesture under way.
    void SetHandle(std::size_t track, std::size_t key, bool out, Choreography::Handle handle, bool aligned);
    // Drops a key's handles: it plays with a third of each stretch, flat.
    void ClearHandles(std::size_t track, std::size_t key);

    // Key what you see: every channel of each pose gets a key at `seconds` (snapped) holding its value, in one
    // undo step. A channel without a track gets one; a key already at that time takes the new value and keeps its
    // ease; a new key eases on as the key before it does. Returns the time keyed, or none when nothing could be
    // (a time or value that is not a finite number).
    std::optional<float> KeyWhatYouSee(double seconds, const std::vector<SeenPose>& poses);

private:
    TimelineModel& m_model;
    bool m_keyGrabbed = false;
};
