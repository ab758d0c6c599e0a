// The choreography's edit history: see ChoreographyEditor.h.
#include "app/live/timeline/ChoreographyEditor.h"

#include <unordered_set>
#include <utility>

namespace
{
// What `older` holds that `newer` does not share with it: the lists of the one that are not the other's.
std::size_t UnsharedBytes(const Choreography& older, const Choreography& newer)
{
    std::size_t bytes = 0;
    const auto add = [&bytes](const auto& mine, const auto& theirs) {
        bytes += mine.Identity() != theirs.Identity() ? mine.ElementBytes() : 0;
    };
    add(older.camera, newer.camera);
    add(older.actors, newer.actors);
    add(older.tracks, newer.tracks);
    std::unordered_set<const void*> shared;
    for (const Choreography::Track& track : newer.tracks)
    {
        shared.insert(track.keys.Identity());
    }
    for (const Choreography::Track& track : older.tracks)
    {
        bytes += shared.count(track.keys.Identity()) == 0 ? track.keys.ElementBytes() : 0;
    }
    return bytes;
}

}

ChoreographyEditor::ChoreographyEditor(Choreography start)
{
    SetCurrent(NewVersion(std::move(start)));
    m_playedRevision = m_current.revision;
}

void ChoreographyEditor::Change(Choreography next)
{
    if (next == m_current.choreography)
    {
        return;
    }
    Version previous = SetCurrent(NewVersion(std::move(next)));
    if (!m_gestureStart)
    {
        PushUndo(std::move(previous));
        m_redo.clear();
    }
}

void ChoreographyEditor::BeginGesture()
{
    if (!m_gestureStart)
    {
        m_gestureStart = m_current;
    }
}

void ChoreographyEditor::EndGesture()
{
    if (!m_gestureStart)
    {
        return;
    }
    Version start = std::move(*m_gestureStart);
    m_gestureStart.reset();
    if (start.revision != m_current.revision)   // a drag that ended where it began is no step
    {
        PushUndo(std::move(start));
        m_redo.clear();
    }
}

bool ChoreographyEditor::Undo()
{
    EndGesture();
    if (m_undo.empty())
    {
        return false;
    }
    UndoStep step = std::move(m_undo.back());
    m_undo.pop_back();
    m_undoBytes -= step.bytes;
    m_redo.push_back(SetCurrent(std::move(step.version)));
    return true;
}

bool ChoreographyEditor::Redo()
{
    EndGesture();
    if (m_redo.empty())
    {
        return false;
    }
    Version next = std::move(m_redo.back());
    m_redo.pop_back();
    PushUndo(SetCurrent(std::move(next)));
    return true;
}

std::shared_ptr<const Choreography> ChoreographyEditor::TakeToPlay()
{
    if (!m_problems.empty() || m_current.revision == m_playedRevision)
    {
        return nullptr;
    }
    m_playedRevision = m_current.revision;
    return std::make_shared<const Choreography>(m_current.choreography);
}

std::uint64_t ChoreographyEditor::PutBelow(Choreography version)
{
    Version below = NewVersion(std::move(version));
    const std::uint64_t revision = below.revision;
    PushUndo(std::move(below));
    m_redo.clear();
    return revision;
}

// `version` was current until the version now current replaced it.
void ChoreographyEditor::PushUndo(Version version)
{
    const std::size_t bytes = UnsharedBytes(version.choreography, m_current.choreography);
    m_undo.push_back({std::move(version), bytes});
    m_undoBytes += bytes;
    while (m_undo.size() > kUndoDepth || (m_undoBytes > kUndoBytes && m_undo.size() > 1))
    {
        m_undoBytes -= m_undo.front().bytes;
        m_undo.pop_front();
    }
}

ChoreographyEditor::Version ChoreographyEditor::SetCurrent(Version version)
{
    // Only what an edit made anew needs checking when it was made from a version that plays.
    const bool fromValid = m_problems.empty() && m_current.revision != 0;
    m_problems =
        fromValid ? version.choreography.ValidateEditOf(m_current.choreography) : version.choreography.Validate();
    return std::exchange(m_current, std::move(version));
}
