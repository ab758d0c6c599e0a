// The timeline panel's document: see ChoreographyEditor.h.
#include "app/live/timeline/ChoreographyEditor.h"

#include <filesystem>
#include <iostream>
#include <utility>

#include "scene/choreography/ChoreographyFile.h"

ChoreographyEditor::ChoreographyEditor(Choreography start, std::string fileName)
    : m_current(start), m_saved(start), m_played(std::make_shared<const Choreography>(std::move(start))),
      m_fileName(std::move(fileName))
{
    m_problems = m_current.Validate();
}

void ChoreographyEditor::Change(Choreography next)
{
    if (next == m_current)
    {
        return;
    }
    if (!m_gestureStart)
    {
        PushUndo(m_current);
        m_redo.clear();
    }
    SetCurrent(std::move(next));
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
    Choreography start = std::move(*m_gestureStart);
    m_gestureStart.reset();
    if (start != m_current)   // a drag that ended where it began is no step
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
    m_redo.push_back(std::move(m_current));
    Choreography previous = std::move(m_undo.back());
    m_undo.pop_back();
    SetCurrent(std::move(previous));
    return true;
}

bool ChoreographyEditor::Redo()
{
    EndGesture();
    if (m_redo.empty())
    {
        return false;
    }
    PushUndo(std::move(m_current));
    Choreography next = std::move(m_redo.back());
    m_redo.pop_back();
    SetCurrent(std::move(next));
    return true;
}

std::shared_ptr<const Choreography> ChoreographyEditor::TakeToPlay()
{
    if (!m_problems.empty() || m_current == *m_played)
    {
        return nullptr;
    }
    m_played = std::make_shared<const Choreography>(m_current);
    return m_played;
}

void ChoreographyEditor::AdoptFile(std::shared_ptr<const Choreography> loaded)
{
    EndGesture();
    if (*loaded != m_current)
    {
        PushUndo(std::move(m_current));
        m_redo.clear();
        SetCurrent(*loaded);
    }
    m_saved = *loaded;
    m_played = std::move(loaded);
}

bool ChoreographyEditor::Save()
{
    const std::string fileName = m_fileName.empty() ? FreeFileName(kNewFileName) : m_fileName;
    if (!m_problems.empty())
    {
        std::cerr << fileName << ": not saved: " << m_problems.front().Where() << ": " << m_problems.front().what
                  << std::endl;
        return false;
    }
    // The backup is a copy, so that the file itself is there all along; the new version then replaces it in one
    // rename.
    std::error_code error;
    const bool replacing = std::filesystem::exists(fileName, error);
    if (replacing)
    {
        std::filesystem::copy_file(fileName, fileName + kBackupSuffix,
                                   std::filesystem::copy_options::overwrite_existing, error);
        if (error)
        {
            std::cerr << fileName << ": not saved: no backup could be written to " << fileName << kBackupSuffix << ": "
                      << error.message() << std::endl;
            return false;
        }
    }
    std::string problem;
    if (!ChoreographyFile::Save(m_current, fileName, &problem))
    {
        std::cerr << problem << std::endl;
        return false;
    }
    m_fileName = fileName;
    m_saved = m_current;
    std::cerr << fileName << ": choreography saved (" << m_current.camera.size() << " camera segments, "
              << m_current.actors.size() << " actor rows, " << m_current.tracks.size() << " tracks"
              << (replacing ? ", the previous version in " + fileName + kBackupSuffix : std::string()) << ")"
              << std::endl;
    return true;
}

std::optional<std::string> ChoreographyEditor::WriteRecovery()
{
    if (m_recoveryDone || !HasUnsavedChanges())
    {
        return std::nullopt;
    }
    m_recoveryDone = true;
    const bool currentValid = m_problems.empty();
    const Choreography& version = currentValid ? m_current : LastValid();
    const std::string base = m_fileName.empty() ? FreeFileName(kNewFileName) : m_fileName;
    if (version == m_saved)
    {
        std::cerr << base << ": the unsaved edit is lost: " << m_problems.front().Where() << ": "
                  << m_problems.front().what << std::endl;
        return std::nullopt;
    }
    // An earlier recovery may hold work of its own, so it is never written over.
    const std::string recovery = FreeFileName(base + kRecoverySuffix);
    std::string problem;
    if (!ChoreographyFile::Save(version, recovery, &problem))
    {
        std::cerr << problem << "; the unsaved edits are lost" << std::endl;
        return std::nullopt;
    }
    std::cerr << base << ": unsaved edits written to " << recovery
              << (currentValid ? "" : " (as last played: the edit in progress was not valid)") << std::endl;
    return recovery;
}

std::string ChoreographyEditor::FreeFileName(const std::string& name)
{
    const std::filesystem::path path(name);
    const std::string stem = (path.parent_path() / path.stem()).string();
    const std::string extension = path.extension().string();
    std::string candidate = name;
    for (unsigned number = 2;; ++number)
    {
        std::error_code error;
        // A folder that cannot be looked into ends the search; writing there fails and says so.
        if (!std::filesystem::exists(candidate, error) || error)
        {
            return candidate;
        }
        candidate = stem + "-" + std::to_string(number) + extension;
    }
}

void ChoreographyEditor::PushUndo(Choreography version)
{
    m_undo.push_back(std::move(version));
    if (m_undo.size() > kUndoDepth)
    {
        m_undo.pop_front();
    }
}

void ChoreographyEditor::SetCurrent(Choreography version)
{
    m_current = std::move(version);
    m_problems = m_current.Validate();
}
