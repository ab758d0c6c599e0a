// Mouse state and the size rules that decide when the scene resizes.
#include <gtest/gtest.h>

#include "app/Mouse.h"
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
