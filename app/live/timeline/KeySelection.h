// Many keys edited at once in the timeline panel: a set of keys across tracks, picked by a box, a click or Ctrl+A,
// then moved along time on the beat, stretched about a moment, copied and pasted at the playhead, deleted, and time
// inserted or removed at the playhead for every track at once. Each change is one undo step through the model (a
// drag one from grab to let-go), and whatever cannot be done is refused with the reason in the model's status.
// The set is named by track and key index; it is remembered for each version it was made in, so an undo or redo
// brings back what was selected there, and an edit made elsewhere leaves only keys that are still there. Portable.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "scene/choreography/Choreography.h"

class TimelineModel;

class KeySelection
{
public:
    struct KeyRef
    {
        std::size_t track = 0;
        std::size_t key = 0;
        auto operator<=>(const KeyRef&) const = default;
    };
    // How a box or a click meets what is selected already: it takes its place, adds to it (Shift) or toggles the
    // keys it holds (Ctrl).
    enum class Combine : std::uint8_t
    {
        Replace,
        Add,
        Toggle
    };
    // What a stretch keeps in place: the selection's first key, or the playhead.
    enum class Pivot : std::uint8_t
    {
        FirstKey,
        Playhead
    };

    // Selections of this many versions are remembered for undo and redo; older ones are dropped.
    static constexpr std::size_t kRememberedVersions = 64;

    explicit KeySelection(TimelineModel& model) : m_model(model) {}

    // In track and key order.
    const std::vector<KeyRef>& Keys() const;
    bool Empty() const { return Keys().empty(); }
    bool Contains(std::size_t track, std::size_t key) const;
    void Clear();
    // Takes up the selection of the current version: the one remembered for it, or else what is left of the last
    // one. The model calls it before each edit and after an undo or redo, so that no version goes unseen.
    void Follow() const;

    // Shift adds, Ctrl toggles (Ctrl first when both are held), neither replaces.
    static Combine CombineFor(bool shift, bool ctrl)
    {
        return ctrl ? Combine::Toggle : shift ? Combine::Add : Combine::Replace;
    }

    // The keys of tracks `firstTrack` to `lastTrack` (in either order) between `from` and `until` seconds, and
    // (a box in the graph) between `lowest` and `highest` in value.
    void SelectBox(std::size_t firstTrack, std::size_t lastTrack, double from, double until, Combine combine,
                   double lowest = -std::numeric_limits<double>::infinity(),
                   double highest = std::numeric_limits<double>::infinity());
    void SelectKey(std::size_t track, std::size_t key, Combine combine);
    // Every key within the loop, its bounds included; every key when there is no loop.
    void SelectAllInLoop();

    // A drag of the selection along time: one undo step from Grab to LetGo. `grabbed` is the key under the pointer;
    // it lands on the beat while snapping and the others keep their distance to it. No key passes a key that is not
    // selected, nor goes before 0 s: the move stops there, and the status says so. The graph view drags values
    // too: every selected key's value is then its value at the grab plus `valueShift` (a shift that is no finite
    // number leaves the values as they were).
    void Grab(KeyRef grabbed);
    void DragTo(float time, float valueShift = 0.0f);
    void LetGo();
    bool Dragging() const { return m_drag.has_value(); }

    // Every selected key's time t goes to pivot + ratio * (t - pivot), its handles' times scaled with it. A key that
    // was on the beat grid lands on the nearest beat while snapping, unless that would make it meet or pass a
    // neighbour it did not meet; such a key keeps its exact time and the status counts it. Refused when the ratio is
    // no positive number, a key would pass one that is not selected or go before 0 s.
    void Stretch(float ratio, Pivot pivot);

    // Copies the selected keys, with their tracks' names (actor and channel), for Paste.
    void Copy();
    bool HasCopy() const { return !m_copied.empty(); }
    // The copied keys at the playhead (their first at the playhead, the others as far after it as they were),
    // onto the tracks of the same actor and channel. Copied from one actor while another actor is selected, onto
    // that actor's tracks of those channels. A track missing there is made. The keys a pasted track already held
    // within the pasted span give way to the pasted ones. The pasted keys are then selected.
    void Paste();
    void Delete();
    // A beat at the playhead: every key at or after it, the loop's bounds and the bookmarks there move a beat later.
    void InsertBeat();
    // The beat after the playhead goes: the keys in it are removed, and what follows moves a beat earlier; loop
    // bounds and bookmarks in it go to the playhead.
    void RemoveBeat();

private:
    struct Picked
    {
        KeyRef ref;
        float time = 0.0f;   // the key's time when it was picked: finds it again after an edit made elsewhere
        bool operator<(const Picked& other) const { return ref < other.ref; }
    };
    struct Drag
    {
        std::vector<float> from;     // each selected key's time at the grab
        std::vector<float> values;   // and its value
        float grabbedFrom = 0.0f;
    };
    struct CopiedTrack
    {
        ActorId actor = Choreography::Track::kCamera;
        Choreography::Channel channel = Choreography::Channel::X;
        std::vector<Choreography::Key> keys;   // times from the first copied key
    };

    void Set(std::vector<Picked> picked);
    void SetRefs(const std::vector<KeyRef>& refs);
    float Beat() const;
    // Shifts every key, loop bound and bookmark by `shift(t)`; drops the keys `removed(t)` says go.
    template <typename Shift, typename Removed>
    std::size_t ShiftTime(Shift shift, Removed removed);

    TimelineModel& m_model;
    mutable std::vector<Picked> m_picked;
    mutable std::vector<KeyRef> m_refs;
    mutable std::uint64_t m_revision = 0;
    mutable std::map<std::uint64_t, std::vector<Picked>> m_remembered;
    std::optional<Drag> m_drag;
    std::vector<CopiedTrack> m_copied;
};
