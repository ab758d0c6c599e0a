// Mouse state, the size rules that decide when the scene resizes, and what the control keys ask for.
#include <gtest/gtest.h>

#include <cmath>

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

TEST(PresentationControls, KeysLeaveRequestsThatAreHandedOutOnceAndSeeksStayWithinThePresentation)
{
    using Controls = PresentationControls;
    Controls controls(58.0);
    EXPECT_FALSE(controls.OnKeyDown('A', false, 10.0));
    EXPECT_FALSE(controls.TakeSeek().has_value());

    // The arrows seek from the moment on screen, or from a seek still waiting, so two presses add up.
    EXPECT_TRUE(controls.OnKeyDown(Controls::kForwardKey, false, 10.0));
    EXPECT_TRUE(controls.OnKeyDown(Controls::kForwardKey, false, 10.0));
    EXPECT_EQ(controls.TakeSeek(), 20.0);
    EXPECT_FALSE(controls.TakeSeek().has_value());
    controls.OnKeyDown(Controls::kBackKey, false, 3.0);
    EXPECT_EQ(controls.TakeSeek(), 0.0);
    controls.OnKeyDown(Controls::kForwardKey, false, 56.5);
    EXPECT_EQ(controls.TakeSeek(), 58.0);
    controls.OnKeyDown(Controls::kStartKey, false, 40.0);
    EXPECT_EQ(controls.TakeSeek(), 0.0);
    controls.RequestSeek(std::nan(""));
    EXPECT_FALSE(controls.TakeSeek().has_value());
    controls.RequestSeek(-1.0);
    controls.RequestSeek(33.25);   // the later request wins
    EXPECT_EQ(controls.TakeSeek(), 33.25);

    // Space, F1 and F2 toggle; F12 leaves one screenshot.
    controls.OnKeyDown(Controls::kPauseKey, false, 0.0);
    controls.OnKeyDown(Controls::kOverlayKey, false, 0.0);
    controls.OnKeyDown(Controls::kTimelineKey, false, 0.0);
    controls.OnKeyDown(Controls::kScreenshotKey, false, 0.0);
    EXPECT_TRUE(controls.IsPaused());
    EXPECT_TRUE(controls.IsOverlayVisible());
    EXPECT_TRUE(controls.IsTimelineVisible());
    EXPECT_TRUE(controls.TakeScreenshot());
    EXPECT_FALSE(controls.TakeScreenshot());

    // A held key's auto-repeat is a control key, but does nothing.
    for (const unsigned key : {Controls::kPauseKey, Controls::kOverlayKey, Controls::kScreenshotKey,
                               Controls::kForwardKey, Controls::kStartKey})
    {
        EXPECT_TRUE(controls.OnKeyDown(key, true, 5.0));
    }
    EXPECT_TRUE(controls.IsPaused());
    EXPECT_TRUE(controls.IsOverlayVisible());
    EXPECT_FALSE(controls.TakeScreenshot());
    EXPECT_FALSE(controls.TakeSeek().has_value());
    controls.OnKeyDown(Controls::kPauseKey, false, 0.0);
    EXPECT_FALSE(controls.IsPaused());

    // F5 is a control only where the world can be reloaded (engine.exe --watch); then it leaves one request.
    EXPECT_FALSE(controls.OnKeyDown(Controls::kReloadKey, false, 0.0));
    EXPECT_FALSE(controls.TakeReload());
    controls.EnableReload();
    EXPECT_TRUE(controls.OnKeyDown(Controls::kReloadKey, false, 0.0));
    EXPECT_TRUE(controls.OnKeyDown(Controls::kReloadKey, true, 0.0));
    EXPECT_TRUE(controls.TakeReload());
    EXPECT_FALSE(controls.TakeReload()) << "an auto-repeat asked again";
}
