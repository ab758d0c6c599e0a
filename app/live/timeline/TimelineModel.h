// What the timeline panel edits and by which rules, without drawing anything: the selection, snapping to the
// music's beats, and the edits on top of the ChoreographyEditor (new windows run a bar from the playhead, the
// selection never points past the end after an undo, a redo or a deletion; the keys' rules are TrackKeys', the
// loop's and the bookmarks' PassageMarks'). Portable and free of ImGui, so that every rule has tests of its own;
// the panel draws and turns input into these calls. It keeps no copy of the choreography: every read goes to the
// editor's current version. Part of the document (ChoreographyDocument), which saves.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/live/timeline/ChoreographyEditor.h"
#include "app/live/timeline/KeySelection.h"
#include "app/live/timeline/PassageMarks.h"
#include "app/live/timeline/TrackKeys.h"
#include "scene/Vector3.h"

class BaseEngineLogic;

class TimelineModel
{
public:
    using Part = Choreography::Problem::Part;

    // A part of the choreography (Problem's kinds name them) and, in a track, maybe one of its keys.
    struct Selection
    {
        Part part = Part::Choreography;
        std::size_t index = 0;
        std::optional<std::size_t> key;
        bool operator==(const Selection&) const = default;
    };

    // What stands on screen in this frame: the moment, and where a new track's first key starts from.
    struct Screen
    {
        double seconds = 0.0;
        std::optional<Vector3> camera;            // the camera's position; none without a camera
        const BaseEngineLogic* logic = nullptr;   // the live actors; null without any
    };

    // A beat shorter than this is no musical grid (a file may give any beat from 0): times are not snapped to it.
    static constexpr float kShortestBeat = 1e-3f;
    // A new window lasts a bar, unless a bar is longer than this (a file may give any beat); then a second.
    static constexpr float kLongestNewWindow = 60.0f;

    explicit TimelineModel(ChoreographyEditor& editor) : m_editor(editor) {}

    const ChoreographyEditor& Editor() const { return m_editor; }
    const Choreography& Current() const { return m_editor.Current(); }

    void SetScreen(const Screen& screen) { m_screen = screen; }
    const Screen& OnScreen() const { return m_screen; }
    // What `channel` of the camera (actor 0) or of an actor reads on screen, angles in degrees as tracks give
    // them. None for what is not there, and for the camera's angles: it keeps only its axes.
    std::optional<float> ValueOnScreen(ActorId actor, Choreography::Channel channel) const;

    // Snapping to the beat grid (on at first): where new windows and keys go, and how times are edited.
    bool SnapsToBeats() const { return m_snapToBeats; }
    void SetSnapToBeats(bool snap) { m_snapToBeats = snap; }
    // Whether times are edited in whole beats: snapping is on and the file's beat is a usable grid.
    bool EditsInBeats() const;
    // `seconds` on the nearest beat while snapping; as it is otherwise.
    float Snapped(float seconds) const;
    // The time of beat `beats`, rounded to a whole one (for a time edited in beats).
    float TimeOfBeat(float beats) const;
    // The moment on screen, snapped: where new windows and keys go.
    float PlayheadTime() const;
    // A new window: a bar from the playhead (a second without a usable beat).
    Choreography::Window NewWindow() const;

    const std::optional<Selection>& Selected() const { return m_selection; }
    bool IsSelected(Part part, std::size_t index) const;
    // A lane's label or bar clicked: selects it (in a track, with `key`). The actor clicked in the view stays
    // selected when the lane is one of its own (a key of one of its tracks taken in the graph view).
    void Select(Part part, std::size_t index, std::optional<std::size_t> key = std::nullopt);
    // An actor clicked in the view: its rows and tracks show selected, and the first of them is what the fields
    // edit (with its lanes brought into view). None selects nothing.
    void SelectActor(std::optional<ActorId> actor);
    // The actor clicked in the view, or else the one whose row or track is selected; none for the camera's lanes.
    std::optional<ActorId> SelectedActor() const;
    // The selection an edit of a track's keys leaves (the key added, the track whose key went): the actor clicked in
    // the view stays lit.
    void SelectEdited(const Selection& selection) { m_selection = selection; }
    // Drops a selection that an edit elsewhere (a file changed on disk) left pointing past the end; the model's
    // own edits keep it valid themselves.
    void KeepSelectionValid();
    // True once after a lane was added or duplicated: the panel brings the new one into view.
    bool TakeScrollRequest() { return std::exchange(m_scrollToSelection, false); }

    // Each ends a gesture under way first. What happened, for the panel to show, is Status().
    bool Undo();
    bool Redo();
    const std::string& Status() const { return m_status; }

    // A field of the current version changed: `edit` makes the change on a copy, which becomes current.
    template <typename EditFunction>
    void Edit(EditFunction edit)
    {
        m_selectedKeys.Follow();
        Choreography next = m_editor.Current();
        edit(next);
        ClampChangedHandles(next);
        m_editor.Change(std::move(next));
    }
    // Handles of keys an edit moved closer together are clamped into their stretches, so that no edit makes a curve
    // run back in time; tracks the edit did not touch are not looked at.
    void ClampChangedHandles(Choreography& next) const;
    // A number dragged or typed, from the moment it is taken to the moment it is let go: one undo step.
    void BeginGesture() { m_editor.BeginGesture(); }
    void EndGesture() { m_editor.EndGesture(); }
    // The panel was closed or hidden: a gesture under way (a drag it can no longer see end) ends with it, so
    // that later edits are undo steps of their own.
    void OnHidden()
    {
        m_selectedKeys.LetGo();
        m_editor.EndGesture();
    }

    // Each selects what it made.
    void AddCameraSegment();
    // Like the selected row, when one is, with a new window: a row is usually made by copying one.
    void AddActorRow();
    // A track on the first channel of the camera that no track drives yet; none, with a status saying why, when
    // every channel has one.
    void AddCameraTrack();
    // A copy of the selected segment or row right after it, selected.
    void DuplicateSelected();
    // Removes the selected segment, row or track.
    void DeleteSelected();

    // The keys of the tracks (see TrackKeys): each change one undo step, a drag one from grab to let-go.
    void AddKey(std::size_t track, float time) { m_keys.AddKey(track, time); }
    void AddKeyAtPlayhead() { m_keys.AddKeyAtPlayhead(); }
    void DeleteSelectedKey() { m_keys.DeleteSelectedKey(); }
    void GrabKey(std::size_t track, std::optional<std::size_t> key) { m_keys.GrabKey(track, key); }
    void DragGrabbedKey(float time) { m_keys.DragGrabbedKey(time); }
    void LetGoOfKey() { m_keys.LetGoOfKey(); }
    void MoveKey(std::size_t track, std::size_t key, float time) { m_keys.MoveKey(track, key, time); }
    void SetHandle(std::size_t track, std::size_t key, bool out, Choreography::Handle handle, bool aligned)
    {
        m_keys.SetHandle(track, key, out, handle, aligned);
    }
    void ClearHandles(std::size_t track, std::size_t key) { m_keys.ClearHandles(track, key); }
    using SeenPose = TrackKeys::SeenPose;
    std::optional<float> KeyWhatYouSee(double seconds, const std::vector<SeenPose>& poses)
    {
        return m_keys.KeyWhatYouSee(seconds, poses);
    }

    // Many keys at once (see KeySelection): box select, drag, stretch, copy and paste, insert and remove time.
    KeySelection& SelectedKeys() { return m_selectedKeys; }
    const KeySelection& SelectedKeys() const { return m_selectedKeys; }

    // The loop and the bookmarks (see PassageMarks): each change one undo step.
    void SetLoopIn(double seconds) { m_marks.SetLoopIn(seconds); }
    void SetLoopOut(double seconds) { m_marks.SetLoopOut(seconds); }
    void SetLoop(double from, double until) { m_marks.SetLoop(from, until); }
    std::optional<std::size_t> AddBookmark(double seconds) { return m_marks.AddBookmark(seconds); }
    bool RenameBookmark(std::size_t index, const std::string& name) { return m_marks.RenameBookmark(index, name); }
    void DeleteBookmark(std::size_t index) { m_marks.DeleteBookmark(index); }
    std::optional<float> BookmarkTime(std::size_t index) const { return m_marks.BookmarkTime(index); }
    std::optional<float> JumpToBookmark(std::size_t index) { return m_marks.JumpToBookmark(index); }

    // A bar by the file's beat (a second without a usable one), as new windows last.
    float Bar() const;
    // What the panel shows of the last thing done.
    void SetStatus(std::string status) { m_status = std::move(status); }

    // An actor id as typed into a field: any whole number an id can hold (an unsigned 32-bit value), taken as it
    // is. What is not one (negative, fractional, too large) is refused with a status saying so, and so is 0 (no
    // actor) for a row; false then, and nothing changes.
    bool SetRowActor(std::size_t row, double typed);
    // For a track, 0 is the camera.
    bool SetTrackActor(std::size_t track, double typed);

private:
    // After an add: selects it and asks the panel to bring it into view.
    void SelectAdded(Part part, std::size_t index);
    // The id `typed` stands for; none, with a status saying why, when it stands for none that `allowNone` allows.
    std::optional<ActorId> TypedActorId(double typed, bool allowNone);

    ChoreographyEditor& m_editor;
    std::optional<Selection> m_selection;
    // Set by a click in the view, dropped by the selection of a lane that is not its own.
    std::optional<ActorId> m_clickedActor;
    bool m_snapToBeats = true;
    bool m_scrollToSelection = false;
    Screen m_screen;
    std::string m_status;
    TrackKeys m_keys{*this};
    PassageMarks m_marks{*this};
    KeySelection m_selectedKeys{*this};
};
