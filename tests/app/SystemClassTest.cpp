// The application shell on a real window under Wine: what each window message does to the application's
// state, and when the frame loop ends. Time is driven by a fake clock so the 58-second rule runs instantly.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/MessageBox.h"
#include "app/SystemClass.h"
#include "actors/BaseEngineLogic.h"
#include "tests/ScratchDirectory.h"
#include "tests/app/FakeClock.h"

namespace
{
void DispatchPending()
{
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
    {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

LPARAM Point(int x, int y)
{
    return MAKELPARAM(static_cast<WORD>(static_cast<short>(x)), static_cast<WORD>(static_cast<short>(y)));
}

class SystemClassTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        SetMessageBoxHandler([this](const std::string& text, const std::string&) { m_boxes.push_back(text); });
        DispatchPending();
        m_system = std::make_unique<SystemClass>();
        m_system->SetTimeSource(m_clock.Source());
        ASSERT_TRUE(m_system->Initialize());
        m_window = m_system->GetWindowHandle();
        ASSERT_NE(m_window, nullptr);
        DispatchPending();
    }

    void TearDown() override
    {
        m_system->Shutdown();
        m_system.reset();
        DispatchPending();   // the quit message that destroying the window posts
        SetMessageBoxHandler(nullptr);
        EXPECT_TRUE(m_boxes.empty());
    }

    LRESULT Send(UINT message, WPARAM wParam, LPARAM lParam)
    {
        return SendMessageW(m_window, message, wParam, lParam);
    }

    FakeClock m_clock;
    std::unique_ptr<SystemClass> m_system;
    HWND m_window = nullptr;
    std::vector<std::string> m_boxes;
};
}

TEST_F(SystemClassTest, WindowIsTitledEngineAndTheOptionsHoldItsClientSize)
{
    wchar_t title[32] = {};
    GetWindowTextW(m_window, title, 32);
    EXPECT_STREQ(title, L"Engine");
    RECT client{};
    GetClientRect(m_window, &client);
    EXPECT_EQ(SystemClass::GetOptions().m_screenWidth, client.right);
    EXPECT_EQ(SystemClass::GetOptions().m_screenHeight, client.bottom);
    EXPECT_GT(client.right, 0);
    EXPECT_EQ(SystemClass::GetApplication(), m_system.get());
}

TEST_F(SystemClassTest, SizeMessagesRecordTheClientSizeButResizeNothingWithoutADevice)
{
    EXPECT_EQ(Send(WM_SIZE, SIZE_RESTORED, MAKELPARAM(640, 480)), 0);
    EXPECT_EQ(SystemClass::GetOptions().m_screenWidth, 640);
    EXPECT_EQ(SystemClass::GetOptions().m_screenHeight, 480);
    Send(WM_SIZE, SIZE_MINIMIZED, 0);
    EXPECT_EQ(SystemClass::GetOptions().m_screenWidth, 0);
    EXPECT_EQ(SystemClass::GetOptions().m_screenHeight, 0);
    Send(WM_SIZE, SIZE_MAXIMIZED, MAKELPARAM(65535, 1));   // unsigned 16-bit sizes
    EXPECT_EQ(SystemClass::GetOptions().m_screenWidth, 65535);
    EXPECT_EQ(m_system->GetFrameCounts().resizes, 0u);
    EXPECT_FALSE(m_system->GetSizeState().IsMinimized());
}

TEST_F(SystemClassTest, DeactivationAndDraggingStopTheTimer)
{
    FrameTimer& timer = SystemClass::GetTimer();
    timer.Reset();
    Send(WM_ACTIVATE, WA_INACTIVE, 0);
    EXPECT_TRUE(timer.IsStopped());
    m_clock.Advance(10.0);
    Send(WM_ACTIVATE, WA_ACTIVE, 0);
    EXPECT_FALSE(timer.IsStopped());
    m_clock.Advance(1.0);
    timer.Tick();
    EXPECT_FLOAT_EQ(timer.TotalTime(), 1.0f);

    Send(WM_ENTERSIZEMOVE, 0, 0);
    EXPECT_TRUE(timer.IsStopped());
    EXPECT_TRUE(m_system->GetSizeState().IsResizing());
    Send(WM_SIZE, SIZE_RESTORED, MAKELPARAM(500, 400));
    m_clock.Advance(3.0);
    EXPECT_EQ(m_system->GetFrameCounts().resizes, 0u);
    Send(WM_EXITSIZEMOVE, 0, 0);
    EXPECT_FALSE(m_system->GetSizeState().IsResizing());
    EXPECT_EQ(m_system->GetFrameCounts().resizes, 1u);   // one resize when the drag ends
    m_clock.Advance(1.0);
    timer.Tick();
    EXPECT_FLOAT_EQ(timer.TotalTime(), 2.0f);
}

TEST_F(SystemClassTest, KeyTableFollowsKeyMessagesAndIgnoresCodesBeyondIt)
{
    Send(WM_KEYDOWN, 'A', 0);
    EXPECT_EQ(m_system->GetKeys()['A'], 1);
    Send(WM_KEYUP, 'A', 0);
    EXPECT_EQ(m_system->GetKeys()['A'], 0);
    Send(WM_KEYDOWN, 255, 0);
    EXPECT_EQ(m_system->GetKeys()[255], 1);
    EXPECT_EQ(Send(WM_KEYDOWN, 256, 0), 0);
    EXPECT_EQ(Send(WM_KEYDOWN, 100000, 0), 0);
    EXPECT_EQ(Send(WM_KEYUP, 256, 0), 0);
    EXPECT_EQ(m_system->GetKeys()[0], 0);
}

TEST_F(SystemClassTest, PointerInsideCapturesAndOnTheEdgeReleases)
{
    Mouse& mouse = m_system->GetMouse();
    Send(WM_MOUSEMOVE, 0, Point(100, 50));
    EXPECT_TRUE(mouse.IsInWindow());
    EXPECT_EQ(GetCapture(), m_window);
    EXPECT_EQ(mouse.GetX(), 100);
    EXPECT_EQ(mouse.GetY(), 50);
    EXPECT_EQ(mouse.Read()->type, Mouse::Event::Move);

    Send(WM_LBUTTONDOWN, MK_LBUTTON, Point(100, 50));
    EXPECT_TRUE(mouse.IsLeftPressed());
    Send(WM_MOUSEMOVE, 0, Point(0, 50));   // the left column counts as outside
    EXPECT_FALSE(mouse.IsInWindow());
    EXPECT_NE(GetCapture(), m_window);
    EXPECT_FALSE(mouse.IsLeftPressed());
    EXPECT_EQ(mouse.EventCount(), 1u);
    EXPECT_EQ(mouse.Read()->type, Mouse::Event::RRelease);   // both releases raised; the newer remains
}

TEST_F(SystemClassTest, DraggingOutsideReportsClampedPositions)
{
    Mouse& mouse = m_system->GetMouse();
    const int width = SystemClass::GetOptions().m_screenWidth;
    const int height = SystemClass::GetOptions().m_screenHeight;
    Send(WM_MOUSEMOVE, MK_LBUTTON, Point(-40, height + 300));
    EXPECT_EQ(mouse.GetX(), 0);
    EXPECT_EQ(mouse.GetY(), height - 1);
    Send(WM_MOUSEMOVE, MK_RBUTTON, Point(width + 5, -3));
    EXPECT_EQ(mouse.GetX(), width - 1);
    EXPECT_EQ(mouse.GetY(), 0);
    EXPECT_EQ(mouse.Read()->type, Mouse::Event::Move);
}

TEST_F(SystemClassTest, EachWheelMessageRaisesAtMostOneEvent)
{
    Mouse& mouse = m_system->GetMouse();
    Send(WM_MOUSEWHEEL, MAKEWPARAM(0, 360), 0);
    EXPECT_EQ(mouse.EventCount(), 1u);
    EXPECT_EQ(mouse.Read()->type, Mouse::Event::WheelUp);
    Send(WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-120)), 0);
    EXPECT_EQ(mouse.Read()->type, Mouse::Event::WheelDown);
    Send(WM_MOUSEWHEEL, MAKEWPARAM(0, 0), 0);
    EXPECT_FALSE(mouse.HasEvents());
}

TEST_F(SystemClassTest, MinimumTrackingSizeAndMenuCharResult)
{
    MINMAXINFO info{};
    EXPECT_EQ(Send(WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info)), 0);
    EXPECT_EQ(info.ptMinTrackSize.x, 200);
    EXPECT_EQ(info.ptMinTrackSize.y, 200);
    EXPECT_EQ(Send(WM_MENUCHAR, 'x', 0), 0x10000);
}

TEST_F(SystemClassTest, CloseBoxPostsQuitButKeepsTheWindow)
{
    Send(WM_CLOSE, 0, 0);
    EXPECT_TRUE(IsWindow(m_window));
    MSG message;
    ASSERT_TRUE(PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(message.wParam, 0u);
}

TEST_F(SystemClassTest, QuitMessageEndsTheLoopBeforeAnyUpdate)
{
    PostQuitMessage(0);
    m_system->Run();
    EXPECT_EQ(m_system->GetFrameCounts().updated, 0u);
    EXPECT_EQ(m_system->GetFrameCounts().rendered, 0u);
}

TEST_F(SystemClassTest, EscapeFrameIsUpdatedButNotRendered)
{
    PostMessageW(m_window, WM_KEYDOWN, VK_ESCAPE, 0);
    m_system->Run();
    EXPECT_EQ(m_system->GetFrameCounts().updated, 1u);
    EXPECT_EQ(m_system->GetFrameCounts().rendered, 0u);
}

TEST_F(SystemClassTest, PresentationEndsAfter58SecondsOfUnpausedTime)
{
    // Every clock reading moves time on by half a second; the reading that restarts the stopped timer
    // moves it by ten, standing for ten seconds spent in another window.
    auto now = std::make_shared<std::int64_t>(0);
    const std::int64_t start = *now;
    m_system->SetTimeSource([now] {
        const bool stopped = SystemClass::GetTimer().IsStopped();
        *now += stopped ? 10 * FakeClock::kSecond : FakeClock::kSecond / 2;
        return *now;
    });
    PostMessageW(m_window, WM_ACTIVATE, WA_INACTIVE, 0);
    PostMessageW(m_window, WM_ACTIVATE, WA_ACTIVE, 0);
    m_system->Run();

    const FrameTimer& timer = SystemClass::GetTimer();
    EXPECT_GT(timer.TotalTime(), 58.0f);
    EXPECT_LT(timer.TotalTime(), 59.0f);
    EXPECT_GE(static_cast<double>(*now - start) / FakeClock::kSecond, 68.0);
    const auto& counts = m_system->GetFrameCounts();
    EXPECT_EQ(counts.updated, counts.rendered + 1);   // the last frame is updated but not rendered
    EXPECT_GE(counts.updated, 110u);
}

TEST(SystemClassStartup, MissingWorldFailsStartupWithoutAMessageBox)
{
    std::vector<std::string> boxes;
    SetMessageBoxHandler([&boxes](const std::string& text, const std::string&) { boxes.push_back(text); });
    ScratchDirectory dir;
    dir.Write("EngineOptions.xml", R"(<O><Graphics renderer="Direct3D 11" width="320" height="240"/></O>)");
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(dir.Path());
    {
        SystemClass system;
        EXPECT_FALSE(system.Initialize());
        EXPECT_NE(system.GetWindowHandle(), nullptr);   // the window was already up when the world failed
        EXPECT_EQ(SystemClass::GetLogic()->GetActorCount(), 0u);
        system.Shutdown();
        EXPECT_EQ(SystemClass::GetApplication(), nullptr);
    }
    std::filesystem::current_path(previous);
    DispatchPending();
    SetMessageBoxHandler(nullptr);
    EXPECT_TRUE(boxes.empty());
}
