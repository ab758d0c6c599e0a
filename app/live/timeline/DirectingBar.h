// The timeline panel's lines for directing like a camera operator (ImGui): fly mode, keying what is seen, the
// loop and the bookmarks. It is
// drawn into the panel's window below what the panel itself shows, and reports what was clicked; the live tools
// carry it out. It edits nothing itself.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <utility>

#include "app/live/KeyMap.h"
#include "scene/choreography/Choreography.h"

class DirectingBar
{
public:
    struct State
    {
        bool flying = false;
        float flySpeed = 0.0f;   // units per second
        std::optional<ActorId> selectedActor;
        std::optional<ActorId> carriedActor;
        bool looping = false;
        std::optional<Choreography::Loop> loop;
        const CowVector<Choreography::Bookmark>* bookmarks = nullptr;
    };
    struct Clicked
    {
        bool fly = false;
        bool keyWhatYouSee = false;
        bool carry = false;
        bool looping = false;
        bool loopIn = false;
        bool loopOut = false;
        bool addBookmark = false;
        std::optional<std::size_t> jumpTo;
        std::optional<std::size_t> deleteBookmark;
        // A bookmark renamed (Enter in its name's field): which, and the name typed.
        std::optional<std::pair<std::size_t, std::string>> rename;
    };

    // Bookmarks shown at once; the list scrolls through the rest.
    static constexpr std::size_t kBookmarkRowsShown = 5;

    // Appends the line to the window "Timeline" (the panel), which must have been submitted in this frame.
    static Clicked Draw(const State& state);

private:
    // Bookmark `index`'s row: its time (a jump), its name (a field) and its delete button.
    static void DrawBookmark(const CowVector<Choreography::Bookmark>& bookmarks, std::size_t index,
                             const KeyChord& jump, Clicked& clicked);
};
