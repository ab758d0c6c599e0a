// engine.exe's key map: see KeyMap.h. The table is the one place a key is bound; everything else asks it.
#include "app/live/KeyMap.h"

#include <algorithm>
#include <cstdio>

namespace
{
using Kind = KeyChord::Kind;
using When = KeyContext;
using Do = KeyAction;
using namespace VirtualKey;

constexpr KeyChord Press(unsigned key)
{
    return {Kind::Press, key, key, false, false};
}

constexpr KeyChord Ctrl(unsigned key)
{
    return {Kind::Press, key, key, true, false};
}

constexpr KeyChord CtrlShift(unsigned key)
{
    return {Kind::Press, key, key, true, true};
}

constexpr KeyChord Shifted(unsigned key)
{
    return {Kind::Press, key, key, false, true};
}

constexpr KeyChord CtrlRange(unsigned first, unsigned last)
{
    return {Kind::Press, first, last, true, false};
}

constexpr KeyChord Held(unsigned key)
{
    return {Kind::Held, key, key, false, false};
}

constexpr KeyChord Gesture(unsigned button = 0)
{
    return {Kind::Gesture, button, button, false, false};
}

// clang-format off
// In the order the tables show them: watching, editing, the panel's gestures, fly mode. A key bound twice acts in
// the narrower context where that holds (Space taps while the calibration is open, and pauses otherwise).
constexpr KeyBinding kBindings[] = {
    {Press(kSpace),        When::Always,      Do::Pause,           "pause and resume"},
    {Press(kLeft),         When::Always,      Do::SeekBack,        "seek 5 s back"},
    {Press(kRight),        When::Always,      Do::SeekOn,          "seek 5 s on"},
    {Press(kHome),         When::Always,      Do::SeekToStart,     "back to 0 s"},
    {Gesture(),            When::Overlay,     Do::SeekWithSlider,  "seek to any moment", "the time slider"},
    {Press(kF1),           When::Always,      Do::ToggleOverlay,   "overlay on or off"},
    {Press(kF2),           When::Always,      Do::TogglePanel,     "timeline panel on or off"},
    {Press(kF12),          When::Always,      Do::Screenshot,      "save the picture as screenshot-NNNN.png"},
    {Press(kF5),           When::Watching,    Do::ReloadWorld,     "build the world again from its files"},
    {Press(kF4),           When::Always,      Do::Calibration,     "sound calibration on or off"},
    {Press(kSpace),        When::Calibrating, Do::TapBeat,         "tap a drum beat heard"},
    {Press(kReturn),       When::Calibrating, Do::KeepCalibration, "keep the calibration"},
    {Press(kEscape),       When::Always,      Do::Quit,            "quit"},
    {Press(kEscape),       When::Typing,      Do::CancelTyping,    "cancel the typing"},
    {Ctrl('S'),            When::Always,      Do::Save,            "save the choreography, keeping a .bak"},
    {Ctrl('Z'),            When::Always,      Do::Undo,            "undo", nullptr, true},
    {Ctrl('Y'),            When::Always,      Do::Redo,            "redo", nullptr, true},
    {CtrlShift('Z'),       When::Always,      Do::Redo,            "redo", nullptr, true},
    {Press('K'),           When::Always,      Do::KeyWhatYouSee,   "key what you see at the playhead"},
    {Press('I'),           When::Always,      Do::LoopIn,          "loop's in point at the playhead"},
    {Press('O'),           When::Always,      Do::LoopOut,         "loop's out point at the playhead"},
    {Press('L'),           When::Always,      Do::ToggleLoop,      "looping on or off"},
    {Press('M'),           When::Always,      Do::AddBookmark,     "bookmark at the playhead"},
    {CtrlRange('1', '9'),  When::Always,      Do::JumpToBookmark,  "jump to the first nine bookmarks"},
    {Gesture(),            When::View,        Do::SelectActor,     "select the actor under the pointer", "a click"},
    {Press('P'),           When::Always,      Do::ToggleCameraPath, "the camera's path in the view on or off"},
    {Gesture(),            When::View,        Do::DragPathMark,    "move its keys with the pointer on the view plane",
     "a drag on a mark of the camera's path"},
    {Gesture(),            When::Panel,       Do::SeekOnRuler,     "seek there", "a click or drag on the ruler"},
    {Gesture(),            When::Panel,       Do::LoopOnRuler,     "set the loop", "Shift+drag on the ruler"},
    {Gesture(),            When::Panel,       Do::Zoom,            "zoom the time",
     "the wheel over the ruler or lanes"},
    {Gesture(),            When::Panel,       Do::Scroll,          "scroll the time",
     "Shift+wheel over the ruler or lanes"},
    {Gesture(),            When::Panel,       Do::DragSpan,        "drag the time along",
     "a right or middle drag over the ruler or lanes"},
    {Gesture(),            When::Panel,       Do::SelectLane,      "select it, or drag a key", "a click on a lane"},
    {Gesture(),            When::Panel,       Do::AddKey,          "add a key there",
     "a double click on a track's lane"},
    {Gesture(),            When::Panel,       Do::TypeNumber,      "type a value", "Ctrl+click on a number"},
    {Gesture(),            When::Panel,       Do::DragInGraph,
     "drag the selected keys, or a handle (aligned)",
     "a drag on a key or handle in the graph"},
    {Gesture(),            When::Panel,       Do::BreakHandle,     "move a handle on its own (broken)",
     "Alt+drag on a handle in the graph"},
    {Gesture(),            When::Panel,       Do::KeyMenu,         "set its mode, or flatten its handles",
     "a right click on a key in the graph"},
    {Gesture(),            When::Panel,       Do::BoxSelect,       "select the keys in a box (Shift adds, Ctrl toggles)",
     "a drag on a track's lane or the graph where it has no key"},
    {Gesture(),            When::Panel,       Do::PickKeys,        "add a key to the selection, or toggle it",
     "Shift+click or Ctrl+click on a key"},
    {Gesture(),            When::Panel,       Do::DragKeys,        "move the selection along time, on the beat",
     "a drag on a selected key"},
    {Ctrl('A'),            When::Panel,       Do::SelectAllKeys,   "select every key within the loop (all without one)"},
    {Ctrl('C'),            When::Panel,       Do::CopyKeys,        "copy the selected keys"},
    {Ctrl('V'),            When::Panel,       Do::PasteKeys,       "paste them at the playhead"},
    {Press(kDelete),       When::Panel,       Do::DeleteKeys,      "delete the selected keys"},
    {Press(kInsert),       When::Panel,       Do::InsertBeat,      "insert a beat at the playhead"},
    {Shifted(kDelete),     When::Panel,       Do::RemoveBeat,      "remove the beat after the playhead"},
    {Press(kF3),           When::Always,      Do::ToggleFly,       "fly mode on or off"},
    {Held('W'),            When::Flying,      Do::FlyForward,      "forward"},
    {Held('S'),            When::Flying,      Do::FlyBack,         "back"},
    {Held('A'),            When::Flying,      Do::FlyLeft,         "left"},
    {Held('D'),            When::Flying,      Do::FlyRight,        "right"},
    {Held('Q'),            When::Flying,      Do::FlyDown,         "down"},
    {Held('E'),            When::Flying,      Do::FlyUp,           "up"},
    {Held(kShift),         When::Flying,      Do::FlyFaster,       "four times faster"},
    {Gesture(kRightButton), When::Flying,     Do::FlyTurn,         "turn the camera", "a right drag over the view"},
    {Gesture(),            When::Flying,      Do::FlySpeed,        "set the speed", "the wheel over the view"},
    {Press('G'),           When::Flying,      Do::Carry,           "carry the selected actor, or put it down"},
};
// clang-format on

bool Holds(KeyContext context, const KeyMap::Situation& situation)
{
    switch (context)
    {
    case When::Always: return true;
    case When::Watching: return situation.watching;
    case When::Flying: return situation.flying;
    case When::Calibrating: return situation.calibrating;
    case When::Panel: return situation.panelFocused;
    default: return false;   // gestures and typed keys are never a key press's to dispatch
    }
}

bool Dispatched(KeyContext context)
{
    return Holds(context, {true, true, true, true});
}

bool IsChordOf(const KeyChord& chord, const KeyMap::Press& press, bool shift)
{
    return chord.kind == Kind::Press && press.key >= chord.key && press.key <= chord.lastKey &&
           chord.ctrl == press.ctrl && chord.shift == shift;
}

// The bindings of the press in a context `accept` takes, with Shift as held and then, where none names it, without:
// the first in a context other than Always, else the first in Always.
template <typename Accept>
const KeyBinding* FindWhere(const KeyMap::Press& press, Accept accept)
{
    for (const bool shift : {press.shift, false})
    {
        const KeyBinding* always = nullptr;
        for (const KeyBinding& binding : kBindings)
        {
            if (!IsChordOf(binding.chord, press, shift) || !accept(binding.when))
            {
                continue;
            }
            if (binding.when != When::Always)
            {
                return &binding;
            }
            always = always != nullptr ? always : &binding;
        }
        if (always != nullptr || !press.shift)
        {
            return always;
        }
    }
    return nullptr;
}

void Append(std::string& line, const std::string& item, const char* separator)
{
    line += line.empty() ? "" : separator;
    line += item;
}
}

std::span<const KeyBinding> KeyMap::Bindings()
{
    return kBindings;
}

const KeyBinding* KeyMap::Find(const Press& press, const Situation& situation)
{
    return FindWhere(press, [&situation](KeyContext when) { return Holds(when, situation); });
}

const KeyBinding* KeyMap::FindElsewhere(const Press& press, const Situation& situation)
{
    return FindWhere(press, [&situation](KeyContext when) { return Dispatched(when) && !Holds(when, situation); });
}

const KeyBinding& KeyMap::Of(KeyAction action)
{
    const auto found = std::find_if(std::begin(kBindings), std::end(kBindings),
                                    [action](const KeyBinding& binding) { return binding.action == action; });
    // Every action has a binding: KeyMapTest checks it, so this is a programmer's mistake only.
    return found != std::end(kBindings) ? *found : kBindings[0];
}

std::string KeyMap::KeyName(const KeyChord& chord, unsigned key)
{
    std::string name = chord.ctrl ? "Ctrl+" : "";
    name += chord.shift ? "Shift+" : "";
    if ((key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z'))
    {
        return name + static_cast<char>(key);
    }
    if (key >= kF1 && key < kF1 + 24)
    {
        return name + "F" + std::to_string(key - kF1 + 1);
    }
    switch (key)
    {
    case kReturn: return name + "Enter";
    case kShift: return name + "Shift";
    case kEscape: return name + "Escape";
    case kSpace: return name + "Space";
    case kHome: return name + "Home";
    case kLeft: return name + "Left";
    case kRight: return name + "Right";
    case kInsert: return name + "Insert";
    case kDelete: return name + "Delete";
    default: break;
    }
    char code[16];
    std::snprintf(code, sizeof code, "key 0x%02X", key);
    return name + code;
}

std::string KeyMap::Keys(const KeyBinding& binding)
{
    const KeyChord& chord = binding.chord;
    if (binding.gesture != nullptr)
    {
        return binding.gesture;
    }
    return chord.lastKey > chord.key ? KeyName(chord, chord.key) + " to " + KeyName(chord, chord.lastKey)
                                     : KeyName(chord, chord.key);
}

std::string KeyMap::Label(const char* name, KeyAction action)
{
    return std::string(name) + " (" + Keys(Of(action)) + ")";
}

const char* KeyMap::ContextName(KeyContext context)
{
    switch (context)
    {
    case When::Always: return "always";
    case When::Watching: return "with --watch";
    case When::Flying: return "flying";
    case When::Calibrating: return "calibrating";
    case When::Typing: return "typing";
    case When::Panel: return "in the panel";
    case When::Overlay: return "in the overlay";
    case When::View: return "over the view";
    }
    return "";
}

std::string KeyMap::WhereItActs(const KeyBinding& binding)
{
    const std::string keys = Keys(binding);
    switch (binding.when)
    {
    case When::Watching: return keys + " acts only with --watch";
    case When::Flying: return keys + " acts in fly mode (" + Keys(Of(Do::ToggleFly)) + ")";
    case When::Calibrating: return keys + " acts in the sound calibration (" + Keys(Of(Do::Calibration)) + ")";
    case When::Panel: return keys + " acts while the timeline panel has the keyboard";
    default: return keys + " acts " + ContextName(binding.when);
    }
}

std::string KeyMap::HelpLine(bool watching)
{
    // The keys, context by context; the gestures are where the pointer is, and the docs' tables name them.
    std::string line;
    for (const When context : {When::Always, When::Watching, When::Flying, When::Calibrating, When::Panel})
    {
        if (context == When::Watching && !watching)
        {
            continue;
        }
        std::string group;
        for (const KeyBinding& binding : kBindings)
        {
            if (binding.when == context && binding.chord.kind != Kind::Gesture)
            {
                Append(group, Keys(binding) + " " + binding.does, "  ");
            }
        }
        if (!group.empty())
        {
            Append(line, context == When::Always ? group : std::string(ContextName(context)) + ": " + group, "   ");
        }
    }
    return line;
}
