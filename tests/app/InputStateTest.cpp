// Mouse state, the size rules that decide when the scene resizes, and what the control keys ask for.
#include <gtest/gtest.h>

#include <cmath>
#include <utility>

#include "app/Mouse.h"
#include "app/live/PresentationControls.h"
#include "app/WindowSizeState.h"

TEST(Mouse, KeepsOnlyTheNewestEvent)
{
    Mouse mouse;
    mouse.OnMouseMove(10, 20);
    mouse.OnLeftPressed();
    ASSERT_EQ(mouse.EventCount(), 1u);
    const auto event = mouse.Read();
    ASSERT_TRUE(event.has_value());
    EXPECT_EQ(event->type, Mouse::Event::LPress);
    EXPECT_TRUE(event->leftPressed);
    EXPECT_EQ(event->x, 10);
    EXPECT_EQ(event->y, 20);
    EXPECT_FALSE(mouse.Read().has_value());
}

TEST(Mouse, ButtonsAndWheelCarryTheStoredPosition)
{
    Mouse mouse;
    mouse.OnMouseMove(3, 4);
    mouse.OnRightPressed();
    EXPECT_TRUE(mouse.IsRightPressed());
    mouse.OnWheelDown();
    auto event = mouse.Read();
    EXPECT_EQ(event->type, Mouse::Event::WheelDown);
    EXPECT_TRUE(event->rightPressed);
    EXPECT_EQ(event->x, 3);
    mouse.OnRightReleased();
    EXPECT_FALSE(mouse.IsRightPressed());
    EXPECT_EQ(mouse.Read()->type, Mouse::Event::RRelease);
    mouse.OnWheelUp();
    EXPECT_EQ(mouse.Read()->type, Mouse::Event::WheelUp);
}

TEST(WindowSizeState, MinimiseThenRestoreResizesOnlyOnRestore)
{
    WindowSizeState state;
    EXPECT_FALSE(state.OnSize(WindowSizeState::SizeKind::Minimized));
    EXPECT_TRUE(state.IsMinimized());
    EXPECT_TRUE(state.OnSize(WindowSizeState::SizeKind::Restored));
    EXPECT_FALSE(state.IsMinimized());
}

TEST(WindowSizeState, MaximiseAndRestoreBothResize)
{
    WindowSizeState state;
    EXPECT_TRUE(state.OnSize(WindowSizeState::SizeKind::Maximized));
    EXPECT_TRUE(state.IsMaximized());
    EXPECT_TRUE(state.OnSize(WindowSizeState::SizeKind::Restored));
    EXPECT_FALSE(state.IsMaximized());
}

TEST(WindowSizeState, DragWaitsForItsEnd)
{
    WindowSizeState state;
    state.OnEnterSizeMove();
    EXPECT_FALSE(state.OnSize(WindowSizeState::SizeKind::Restored));
    EXPECT_FALSE(state.OnSize(WindowSizeState::SizeKind::Restored));
    state.OnExitSizeMove();
    EXPECT_FALSE(state.IsResizing());
    EXPECT_TRUE(state.OnSize(WindowSizeState::SizeKind::Restored));   // a plain restore resizes again
}

TEST(WindowSizeState, RestoringFromMinimisedDuringADragStillResizes)
{
    WindowSizeState state;
    state.OnSize(WindowSizeState::SizeKind::Minimized);
    state.OnEnterSizeMove();
    EXPECT_TRUE(state.OnSize(WindowSizeState::SizeKind::Restored));
}

TEST(WindowSizeState, OtherKindsChangeNothing)
{
    WindowSizeState state;
    EXPECT_FALSE(state.OnSize(WindowSizeState::SizeKind::Other));
    EXPECT_FALSE(state.IsMinimized());
    EXPECT_FALSE(state.IsMaximized());
}

TEST(PresentationControls, ActionsLeaveRequestsThatAreHandedOutOnceAndSeeksStayWithinThePresentation)
{
    PresentationControls controls(58.0);
    EXPECT_FALSE(controls.Carry(KeyAction::Save, 10.0)) << "the document's, not a control's";
    EXPECT_FALSE(controls.TakeSeek().has_value());

    // The arrows seek from the moment on screen, or from a seek still waiting, so two presses add up.
    EXPECT_TRUE(controls.Carry(KeyAction::SeekOn, 10.0));
    EXPECT_TRUE(controls.Carry(KeyAction::SeekOn, 10.0));
    EXPECT_EQ(controls.TakeSeek(), 20.0);
    EXPECT_FALSE(controls.TakeSeek().has_value());
    controls.Carry(KeyAction::SeekBack, 3.0);
    EXPECT_EQ(controls.TakeSeek(), 0.0);
    controls.Carry(KeyAction::SeekOn, 56.5);
    EXPECT_EQ(controls.TakeSeek(), 58.0);
    controls.Carry(KeyAction::SeekToStart, 40.0);
    EXPECT_EQ(controls.TakeSeek(), 0.0);
    controls.RequestSeek(std::nan(""));
    EXPECT_FALSE(controls.TakeSeek().has_value());
    controls.RequestSeek(-1.0);
    controls.RequestSeek(33.25);   // the later request wins
    EXPECT_EQ(controls.TakeSeek(), 33.25);

    // Space, F1, F2, F3 and L toggle, twice back to where they were; F12, K, G, I, O and M leave one request each.
    for (int round = 0; round < 2; ++round)
    {
        for (const KeyAction toggle : {KeyAction::Pause, KeyAction::ToggleOverlay, KeyAction::TogglePanel,
                                       KeyAction::ToggleFly, KeyAction::ToggleLoop})
        {
            controls.Carry(toggle, 0.0);
        }
        const bool on = round == 0;
        EXPECT_EQ(controls.IsPaused(), on);
        EXPECT_EQ(controls.IsOverlayVisible(), on);
        EXPECT_EQ(controls.IsTimelineVisible(), on);
        EXPECT_EQ(controls.IsFlying(), on);
        EXPECT_EQ(controls.IsLooping(), on);
    }
    const std::pair<KeyAction, bool (PresentationControls::*)()> requests[] = {
        {KeyAction::Screenshot, &PresentationControls::TakeScreenshot},
        {KeyAction::KeyWhatYouSee, &PresentationControls::TakeKeyRequest},
        {KeyAction::Carry, &PresentationControls::TakeCarryRequest},
        {KeyAction::LoopIn, &PresentationControls::TakeLoopIn},
        {KeyAction::LoopOut, &PresentationControls::TakeLoopOut},
        {KeyAction::AddBookmark, &PresentationControls::TakeBookmark}};
    for (const auto& [action, take] : requests)
    {
        EXPECT_TRUE(controls.Carry(action, 0.0));
        EXPECT_TRUE(controls.Carry(action, 0.0));
        EXPECT_TRUE((controls.*take)());
        EXPECT_FALSE((controls.*take)()) << "two presses before a frame are one request";
    }

    // F5 is a control only where the world can be reloaded (engine.exe --watch); then it leaves one request.
    EXPECT_FALSE(controls.Carry(KeyAction::ReloadWorld, 0.0));
    EXPECT_FALSE(controls.TakeReload());
    controls.EnableReload();
    EXPECT_TRUE(controls.Carry(KeyAction::ReloadWorld, 0.0));
    EXPECT_TRUE(controls.TakeReload());
    EXPECT_FALSE(controls.TakeReload());
}
