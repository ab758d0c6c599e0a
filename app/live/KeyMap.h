// engine.exe's keys and mouse gestures in one table: for each, its chord, when it acts, what it does in a few
// words, and the action that carries it out. The window's dispatch finds a key press's binding here, the timeline
// panel's buttons and shortcuts and fly mode's held keys are read from it, and the overlay's help line and the key
// tables of README.md, docs/controls.md and the release's README.txt are made from it (tools/keys writes and checks
// those).
// Portable: keys are Win32 virtual-key codes given as numbers. It carries nothing out itself.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

// The Win32 virtual-key codes the table binds (VK_SPACE ...); letters and digits are their upper-case characters.
namespace VirtualKey
{
inline constexpr unsigned kRightButton = 0x02;
inline constexpr unsigned kReturn = 0x0D;
inline constexpr unsigned kShift = 0x10;
inline constexpr unsigned kEscape = 0x1B;
inline constexpr unsigned kSpace = 0x20;
inline constexpr unsigned kHome = 0x24;
inline constexpr unsigned kLeft = 0x25;
inline constexpr unsigned kRight = 0x27;
inline constexpr unsigned kInsert = 0x2D;
inline constexpr unsigned kDelete = 0x2E;
inline constexpr unsigned kF1 = 0x70;
inline constexpr unsigned kF2 = 0x71;
inline constexpr unsigned kF3 = 0x72;
inline constexpr unsigned kF4 = 0x73;
inline constexpr unsigned kF5 = 0x74;
inline constexpr unsigned kF12 = 0x7B;
}

// When a binding acts. A key press is dispatched in the first four, and in Panel while the panel has the keyboard's
// focus; the others name where a gesture, or a key the overlay library handles itself, acts.
enum class KeyContext : std::uint8_t
{
    Always,        // whenever engine.exe's controls are on, except while a field takes typed text
    Watching,      // only with --watch
    Flying,        // only in fly mode
    Calibrating,   // only while the sound calibration is open; there it comes before the same key's other binding
    Typing,        // while a field of the panel or the overlay takes typed text: the overlay library's
    Panel,         // in the timeline panel: over it (a gesture), or while it has the keyboard's focus (a key)
    Overlay,       // in the overlay (F1)
    View,          // over the view, outside the panel and the overlay
};

// What a binding does: the one switch that carries out a key press (LiveTools) names each, and the readers of held
// keys and button labels find their binding by it.
enum class KeyAction : std::uint8_t
{
    Pause,
    SeekBack,
    SeekOn,
    SeekToStart,
    SeekWithSlider,
    ToggleOverlay,
    TogglePanel,
    Screenshot,
    Calibration,
    TapBeat,
    KeepCalibration,
    ReloadWorld,
    Quit,
    CancelTyping,
    Save,
    Undo,
    Redo,
    KeyWhatYouSee,
    LoopIn,
    LoopOut,
    ToggleLoop,
    AddBookmark,
    JumpToBookmark,
    SelectActor,
    ToggleCameraPath,
    DragPathMark,
    SeekOnRuler,
    LoopOnRuler,
    Zoom,
    Scroll,
    DragSpan,
    SelectLane,
    AddKey,
    TypeNumber,
    DragInGraph,
    BreakHandle,
    KeyMenu,
    BoxSelect,
    PickKeys,
    DragKeys,
    SelectAllKeys,
    CopyKeys,
    PasteKeys,
    DeleteKeys,
    InsertBeat,
    RemoveBeat,
    ToggleFly,
    FlyForward,
    FlyBack,
    FlyLeft,
    FlyRight,
    FlyDown,
    FlyUp,
    FlyFaster,
    FlyTurn,
    FlySpeed,
    Carry,
};

struct KeyChord
{
    enum class Kind : std::uint8_t
    {
        Press,     // acts when the key goes down (the window's key messages)
        Held,      // read in every frame while it is held (fly mode's keys)
        Gesture,   // the pointer: named in words, read by whatever it is over
    };
    Kind kind = Kind::Press;
    // Virtual-key codes from `key` to `lastKey` (Ctrl+1 to Ctrl+9 is one chord); a gesture may name the button it
    // reads. 0 for none.
    unsigned key = 0;
    unsigned lastKey = 0;
    bool ctrl = false;
    bool shift = false;
};

struct KeyBinding
{
    KeyChord chord;
    KeyContext when = KeyContext::Always;
    KeyAction action = KeyAction::Pause;
    const char* does = "";
    // A gesture in words ("wheel over the ruler"); keys are named from their codes.
    const char* gesture = nullptr;
    // The keyboard's auto-repeat of a held key acts again (undo, redo); otherwise only the first press acts, so that
    // a slow frame never piles up work.
    bool repeats = false;
};

class KeyMap
{
public:
    // A key that went down, with the modifiers held.
    struct Press
    {
        unsigned key = 0;
        bool ctrl = false;
        bool shift = false;
    };
    // Which contexts hold, besides Always.
    struct Situation
    {
        bool watching = false;
        bool flying = false;
        bool calibrating = false;
        bool panelFocused = false;
    };

    // Every binding, in the order the tables show them.
    static std::span<const KeyBinding> Bindings();

    // The binding a key press sets off: the one whose chord it is, in a context that holds (a context other than
    // Always first). Shift counts only where a chord names it: Shift+K is K, Ctrl+Shift+Z is not Ctrl+Z. Ctrl
    // always counts. Null when the press is no control here.
    static const KeyBinding* Find(const Press& press, const Situation& situation);
    // The press's binding in a context that does not hold now (G while not flying), for a hint; null when none.
    static const KeyBinding* FindElsewhere(const Press& press, const Situation& situation);
    // The first binding of `action`, whose chord labels a button or whose key is read while held.
    static const KeyBinding& Of(KeyAction action);

    // A chord as the user reads it: "Ctrl+Shift+Z", "Ctrl+1 to Ctrl+9", "W"; a gesture's words.
    static std::string Keys(const KeyBinding& binding);
    // One key of a chord, with its modifiers: "Ctrl+3".
    static std::string KeyName(const KeyChord& chord, unsigned key);
    // A button's label naming its key: "Save (Ctrl+S)".
    static std::string Label(const char* name, KeyAction action);
    // "always", "with --watch", "flying" ...
    static const char* ContextName(KeyContext context);

    // Where a binding acts, for a key pressed where it does not: "G acts in fly mode (F3)".
    static std::string WhereItActs(const KeyBinding& binding);
    // The keys that can act in this run, context by context, in one line for the overlay (F5 only with --watch).
    static std::string HelpLine(bool watching);
};
