// The key map: every binding is found by its own chord where it acts and nowhere else, no key does two things at
// once, a key bound twice acts in the narrower context, Shift counts only where a chord names it, every action has
// a binding, and the help line names every key that can act in the run.
#include "app/live/KeyMap.h"

#include <gtest/gtest.h>

#include <string>

namespace
{
using Kind = KeyChord::Kind;

// The situation in which `context` holds, and nothing else does.
KeyMap::Situation Only(KeyContext context)
{
    KeyMap::Situation situation;
    situation.watching = context == KeyContext::Watching;
    situation.flying = context == KeyContext::Flying;
    situation.calibrating = context == KeyContext::Calibrating;
    situation.panelFocused = context == KeyContext::Panel;
    return situation;
}

bool Dispatched(KeyContext context)
{
    return context == KeyContext::Always || context == KeyContext::Watching || context == KeyContext::Flying ||
           context == KeyContext::Calibrating || context == KeyContext::Panel;
}

bool Overlap(const KeyChord& a, const KeyChord& b)
{
    return a.ctrl == b.ctrl && a.shift == b.shift && a.key <= b.lastKey && b.key <= a.lastKey;
}

const KeyBinding* Find(unsigned key, bool ctrl, bool shift, const KeyMap::Situation& situation = {})
{
    return KeyMap::Find({key, ctrl, shift}, situation);
}

KeyAction ActionOf(const KeyBinding* binding)
{
    EXPECT_NE(binding, nullptr);
    return binding != nullptr ? binding->action : KeyAction::Quit;
}
}

TEST(KeyMap, EveryKeyIsFoundWhereItActsAndNowhereElse)
{
    for (const KeyBinding& binding : KeyMap::Bindings())
    {
        if (binding.chord.kind != Kind::Press || !Dispatched(binding.when))
        {
            continue;
        }
        const std::string keys = KeyMap::Keys(binding);
        for (unsigned key = binding.chord.key; key <= binding.chord.lastKey; ++key)
        {
            const KeyMap::Press press{key, binding.chord.ctrl, binding.chord.shift};
            EXPECT_EQ(KeyMap::Find(press, Only(binding.when)), &binding) << keys;
            if (binding.when == KeyContext::Always)
            {
                continue;
            }
            // Elsewhere it is no control of its own (at most the same chord's for every situation), and a press
            // that finds nothing is told where it acts.
            const KeyBinding* always = KeyMap::Find(press, {});
            EXPECT_TRUE(always == nullptr || always->when == KeyContext::Always) << keys;
            if (always == nullptr)
            {
                EXPECT_EQ(KeyMap::FindElsewhere(press, {}), &binding) << keys;
            }
        }
    }
}

TEST(KeyMap, NoKeyDoesTwoThingsAtOnce)
{
    const auto bindings = KeyMap::Bindings();
    for (std::size_t i = 0; i < bindings.size(); ++i)
    {
        for (std::size_t j = i + 1; j < bindings.size(); ++j)
        {
            const KeyBinding& a = bindings[i];
            const KeyBinding& b = bindings[j];
            if (a.chord.kind == Kind::Gesture || b.chord.kind == Kind::Gesture || !Overlap(a.chord, b.chord))
            {
                continue;
            }
            const std::string pair = KeyMap::Keys(a) + " and " + KeyMap::Keys(b);
            // Two presses of one chord act in different contexts, one of them the narrower.
            EXPECT_FALSE(a.chord.kind == Kind::Press && b.chord.kind == Kind::Press && a.when == b.when) << pair;
            // A key held to fly is no key that acts when pressed, in fly mode or always.
            const bool aFlies = a.chord.kind == Kind::Held;
            const bool bFlies = b.chord.kind == Kind::Held;
            if (aFlies != bFlies)
            {
                const KeyBinding& pressed = aFlies ? b : a;
                EXPECT_FALSE(pressed.when == KeyContext::Always || pressed.when == KeyContext::Flying) << pair;
            }
        }
    }
}

TEST(KeyMap, TheNarrowerContextWinsAndModifiersCountAsTheChordSays)
{
    using namespace VirtualKey;
    EXPECT_EQ(ActionOf(Find(kSpace, false, false)), KeyAction::Pause);
    EXPECT_EQ(ActionOf(Find(kSpace, false, false, Only(KeyContext::Calibrating))), KeyAction::TapBeat);
    EXPECT_EQ(ActionOf(Find(kReturn, false, false, Only(KeyContext::Calibrating))), KeyAction::KeepCalibration);
    EXPECT_EQ(Find(kReturn, false, false), nullptr);

    // Only where the world can be reloaded is F5 a control; elsewhere it says where it acts.
    EXPECT_EQ(Find(kF5, false, false), nullptr);
    ASSERT_NE(KeyMap::FindElsewhere({kF5, false, false}, {}), nullptr);
    EXPECT_EQ(KeyMap::WhereItActs(*KeyMap::FindElsewhere({kF5, false, false}, {})), "F5 acts only with --watch");
    EXPECT_EQ(ActionOf(Find(kF5, false, false, Only(KeyContext::Watching))), KeyAction::ReloadWorld);
    EXPECT_EQ(Find('G', false, false), nullptr);
    EXPECT_EQ(KeyMap::WhereItActs(*KeyMap::FindElsewhere({'G', false, false}, {})), "G acts in fly mode (F3)");
    EXPECT_EQ(ActionOf(Find('G', false, false, Only(KeyContext::Flying))), KeyAction::Carry);

    // Shift is free where no chord names it (K while flying fast); Ctrl always counts.
    EXPECT_EQ(ActionOf(Find('K', false, true)), KeyAction::KeyWhatYouSee);
    EXPECT_EQ(Find('K', true, false), nullptr);
    EXPECT_EQ(ActionOf(Find('Z', true, false)), KeyAction::Undo);
    EXPECT_EQ(ActionOf(Find('Z', true, true)), KeyAction::Redo);
    EXPECT_EQ(ActionOf(Find('Y', true, false)), KeyAction::Redo);
    EXPECT_EQ(Find('S', false, false), nullptr) << "S flies back; only Ctrl+S saves";
    EXPECT_EQ(ActionOf(Find('S', true, false)), KeyAction::Save);

    // A chord of nine keys: each is one of them, and its place tells which bookmark.
    const KeyBinding* jump = Find('5', true, false);
    EXPECT_EQ(ActionOf(jump), KeyAction::JumpToBookmark);
    EXPECT_EQ('5' - jump->chord.key, 4u);
    EXPECT_EQ(Find('0', true, false), nullptr);
    EXPECT_EQ(KeyMap::Keys(*jump), "Ctrl+1 to Ctrl+9");
    EXPECT_EQ(KeyMap::KeyName(jump->chord, '3'), "Ctrl+3");

    // Only undo and redo act again when held down.
    for (const KeyBinding& binding : KeyMap::Bindings())
    {
        EXPECT_EQ(binding.repeats, binding.action == KeyAction::Undo || binding.action == KeyAction::Redo)
            << KeyMap::Keys(binding);
    }
}

TEST(KeyMap, EveryActionHasABindingAndTheButtonsNameTheirKeys)
{
    for (int action = 0; action <= static_cast<int>(KeyAction::Carry); ++action)
    {
        EXPECT_EQ(KeyMap::Of(static_cast<KeyAction>(action)).action, static_cast<KeyAction>(action)) << action;
    }
    EXPECT_EQ(KeyMap::Label("Save", KeyAction::Save), "Save (Ctrl+S)");
    EXPECT_EQ(KeyMap::Label("Redo", KeyAction::Redo), "Redo (Ctrl+Y)") << "the first of its chords";
    EXPECT_EQ(KeyMap::Label("Fly", KeyAction::ToggleFly), "Fly (F3)");
    EXPECT_EQ(KeyMap::Of(KeyAction::FlyForward).chord.key, static_cast<unsigned>('W'));
}

TEST(KeyMap, TheHelpLineNamesEveryKeyThatCanActInTheRun)
{
    for (const bool watching : {false, true})
    {
        const std::string line = KeyMap::HelpLine(watching);
        for (const KeyBinding& binding : KeyMap::Bindings())
        {
            if (binding.chord.kind == Kind::Gesture || !Dispatched(binding.when))
            {
                continue;
            }
            const std::string entry = KeyMap::Keys(binding) + " " + binding.does;
            const bool shown = line.find(entry) != std::string::npos;
            EXPECT_EQ(shown, watching || binding.when != KeyContext::Watching) << entry;
        }
    }
}
