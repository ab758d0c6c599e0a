// The history of the choreography being edited: the version edited, its undo and redo steps, gestures that make
// one step of many changes, and which version is the one to play. A version shares with the one before it every
// list an edit did not touch, and the history is bounded by steps and by the bytes its versions do not share.
// Portable and free of ImGui; it reads and writes no file (the document it belongs to does: ChoreographyDocument).
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <vector>

#include "scene/choreography/Choreography.h"

class ChoreographyEditor
{
public:
    // The history holds at most this many steps, and at most kUndoBytes of what its versions do not share with
    // each other (a version shares all the tracks an edit did not touch), whichever is reached first; the oldest
    // steps go first, and the newest stays whatever its size.
    static constexpr std::size_t kUndoDepth = 256;
    static constexpr std::size_t kUndoBytes = std::size_t{256} << 20;

    // `start` is what plays now (valid).
    explicit ChoreographyEditor(Choreography start);

    // The version being edited; it may be invalid while an edit is half done (see Problems).
    const Choreography& Current() const { return m_current.choreography; }
    // What is wrong with Current(); empty when it can be played and saved.
    const std::vector<Choreography::Problem>& Problems() const { return m_problems; }
    // The current version's number: equal numbers are the same version, so that telling whether what is edited was
    // saved or played never compares whole choreographies.
    std::uint64_t Revision() const { return m_current.revision; }

    // Replaces the current version with `next`. Outside a gesture each change is one undo step; within one
    // (BeginGesture .. EndGesture, a drag of a number) the whole gesture is one.
    void Change(Choreography next);
    void BeginGesture();
    void EndGesture();
    bool InGesture() const { return m_gestureStart.has_value(); }

    bool CanUndo() const { return !m_undo.empty(); }
    bool CanRedo() const { return !m_redo.empty(); }
    std::size_t UndoSteps() const { return m_undo.size(); }
    // Each ends any gesture first. False when there was nothing to undo or redo.
    bool Undo();
    bool Redo();

    // The current version when it is valid and differs from the one handed out last, once: what to play.
    std::shared_ptr<const Choreography> TakeToPlay();
    // The current version plays already (its caller played it): TakeToPlay does not hand it out.
    void MarkPlayed() { m_playedRevision = m_current.revision; }
    // Puts `version` into the history right below the current version, one undo away, dropping what could be
    // redone (a file changed on disk while the edits on top of it stay); returns its number.
    std::uint64_t PutBelow(Choreography version);

private:
    struct Version
    {
        Choreography choreography;
        std::uint64_t revision = 0;
    };
    struct UndoStep
    {
        Version version;
        std::size_t bytes = 0;   // what it holds that the version after it does not share
    };

    Version NewVersion(Choreography choreography) { return {std::move(choreography), ++m_lastRevision}; }
    // Makes `version` current and returns the version it replaces.
    Version SetCurrent(Version version);
    void PushUndo(Version version);

    Version m_current;
    std::vector<Choreography::Problem> m_problems;
    std::deque<UndoStep> m_undo;
    std::size_t m_undoBytes = 0;
    std::vector<Version> m_redo;
    std::optional<Version> m_gestureStart;
    std::uint64_t m_lastRevision = 0;
    std::uint64_t m_playedRevision = 0;
};
