// The live program under a storm of window messages: the real engine (shipped world, generated assets, real
// device, a small window) renders while another thread floods its window with size, activation, drag, mouse and
// key messages, posted, sent and sent without waiting. It does not measure speed: a fake clock moves on by a
// fixed step per frame, so what is checked does not depend on how fast the machine draws.
//
// ENGINE_STORM_MESSAGES (default 20000) and ENGINE_STORM_SEED (default 9) make the storm heavier or different.
#include <gtest/gtest.h>

#include <d3d11.h>
#include <dxgi.h>
#include <wrl/client.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "app/MessageBox.h"
#include "app/SystemClass.h"
#include "graphics/D3DClass.h"
#include "scene/Scene3.h"

using Microsoft::WRL::ComPtr;

namespace
{
constexpr std::int64_t kSecond = 1'000'000'000;
// The first frames step a second each: the opening shot is the slowest to draw in software, so the storm
// starts at 6 s. While it blows each frame is 2 ms of presentation time, so even a few thousand frames stay
// far from the end; once it is over, a second per frame brings the end in about fifty frames.
constexpr std::int64_t kLeadStep = kSecond;
constexpr std::uint64_t kLeadFrames = 6;
constexpr std::int64_t kStormStep = 2'000'000;
constexpr std::int64_t kCalmStep = kSecond;
constexpr int kStartWidth = 320;
constexpr int kStartHeight = 180;
// The last, real resize: the window is made this large by SetWindowPos, so Windows itself reports the size.
// Its frame stays above the 200 x 200 minimum tracking size, which SetWindowPos applies too.
constexpr int kFinalWidth = 336;
constexpr int kFinalHeight = 200;
// Posted after everything else: once the window procedure sees it, the storm is over and the queue is empty.
constexpr UINT kStormOverMessage = WM_APP + 9;

int EnvironmentInt(const char* name, int fallback)
{
    const char* text = std::getenv(name);
    return text != nullptr && std::atoi(text) > 0 ? std::atoi(text) : fallback;
}

// The window rules, written down again from the behaviour the window must have: when a size message or the end
// of a drag must resize the scene, and when time must not count.
class WindowRules
{
public:
    // Returns whether the message must reach the scene as one resize.
    bool Apply(UINT message, WPARAM wParam)
    {
        switch (message)
        {
        case WM_SIZE:
            if (wParam == SIZE_MINIMIZED)
            {
                m_minimized = true;
                m_maximized = false;
                return false;
            }
            if (wParam == SIZE_MAXIMIZED)
            {
                m_minimized = false;
                m_maximized = true;
                return true;
            }
            if (wParam == SIZE_RESTORED)
            {
                if (m_minimized || m_maximized)
                {
                    m_minimized = false;
                    m_maximized = false;
                    return true;
                }
                return !m_resizing;
            }
            return false;
        case WM_ACTIVATE: m_inactive = LOWORD(wParam) == WA_INACTIVE; return false;
        case WM_ENTERSIZEMOVE: m_resizing = true; return false;
        case WM_EXITSIZEMOVE: m_resizing = false; return true;
        default: return false;
        }
    }

    bool Paused() const { return m_inactive || m_resizing; }
    // A plain restored size in the middle of a drag: the drag's end resizes instead.
    bool IsSizeToDefer(UINT message, WPARAM wParam) const
    {
        return message == WM_SIZE && wParam == SIZE_RESTORED && m_resizing && !m_minimized && !m_maximized;
    }

    // The state the program was in when the watch began.
    void Begin(bool minimized, bool maximized, bool resizing, bool inactive)
    {
        m_minimized = minimized;
        m_maximized = maximized;
        m_resizing = resizing;
        m_inactive = inactive;
    }

private:
    bool m_minimized = false;
    bool m_maximized = false;
    bool m_resizing = false;
    bool m_inactive = false;
};

// What the window procedure saw, as the messages were handled on the main thread.
struct StormWatch
{
    WindowRules rules;
    std::uint64_t stormMessagesHandled = 0;
    std::uint64_t expectedResizes = 0;
    std::uint64_t wrongResizes = 0;        // messages after which the scene's resize count moved otherwise
    std::uint64_t deferredSizes = 0;       // size messages during a drag that must wait for its end
    std::uint64_t resizesDuringDrag = 0;   // ... and that resized all the same
    std::uint64_t dragEnds = 0;
    std::string firstWrongResize;
    bool stormOver = false;
};

StormWatch* g_watch = nullptr;
WNDPROC g_engineWindowProc = nullptr;

bool IsStormMessage(UINT message)
{
    switch (message)
    {
    case WM_SIZE:
    case WM_ACTIVATE:
    case WM_ENTERSIZEMOVE:
    case WM_EXITSIZEMOVE:
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_MOUSEWHEEL:
    case WM_KEYDOWN:
    case WM_KEYUP: return true;
    default: return false;
    }
}

// Sits in front of the engine's window procedure: applies the rules to each message and checks what the
// engine's handling did to its resize count.
LRESULT CALLBACK WatchingWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    SystemClass* application = SystemClass::GetApplication();
    if (g_watch == nullptr || application == nullptr)
    {
        return CallWindowProcW(g_engineWindowProc, window, message, wParam, lParam);
    }
    StormWatch& watch = *g_watch;
    if (message == kStormOverMessage)
    {
        watch.stormOver = true;
    }
    if (IsStormMessage(message))
    {
        ++watch.stormMessagesHandled;
    }
    const bool deferred = watch.rules.IsSizeToDefer(message, wParam);
    // Some messages send others while they are handled (a window position change sends its size), so the
    // count is compared over the whole nest: what this message and those inside it must have done.
    const std::uint64_t expectedBefore = watch.expectedResizes;
    watch.expectedResizes += watch.rules.Apply(message, wParam) ? 1 : 0;
    const std::uint64_t before = application->GetFrameCounts().resizes;
    const LRESULT result = CallWindowProcW(g_engineWindowProc, window, message, wParam, lParam);
    const std::uint64_t resizes = application->GetFrameCounts().resizes - before;
    const std::uint64_t expected = watch.expectedResizes - expectedBefore;

    if (resizes != expected)
    {
        if (watch.wrongResizes++ == 0)
        {
            watch.firstWrongResize = "message " + std::to_string(message) + " wParam " + std::to_string(wParam) + ": " +
                                     std::to_string(resizes) + " resizes";
        }
    }
    if (deferred)
    {
        ++watch.deferredSizes;
        watch.resizesDuringDrag += resizes;
    }
    if (message == WM_EXITSIZEMOVE)
    {
        ++watch.dragEnds;
    }
    return result;
}

// Sizes of everything that must follow the client area, read in a frame.
struct TargetSizes
{
    int client[2] = {};
    UINT backBuffer[2] = {};
    UINT offscreen[2] = {};
    UINT depth[2] = {};
    float viewport[2] = {};
};

TargetSizes ReadTargetSizes(HWND window)
{
    TargetSizes sizes;
    RECT client{};
    GetClientRect(window, &client);
    sizes.client[0] = client.right;
    sizes.client[1] = client.bottom;

    D3DClass& d3d = *SystemClass::GetGraphics().GetD3D();
    DXGI_SWAP_CHAIN_DESC chain{};
    d3d.GetSwapChain()->GetDesc(&chain);
    sizes.backBuffer[0] = chain.BufferDesc.Width;
    sizes.backBuffer[1] = chain.BufferDesc.Height;

    SceneTree& tree = static_cast<Scene3*>(SystemClass::GetGraphics().GetScene())->GetSceneTree();
    D3D11_TEXTURE2D_DESC desc{};
    tree.GetOffscreenTexture()->GetDesc(&desc);
    sizes.offscreen[0] = desc.Width;
    sizes.offscreen[1] = desc.Height;

    // The frame leaves the back buffer and the depth buffer bound.
    ComPtr<ID3D11RenderTargetView> target;
    ComPtr<ID3D11DepthStencilView> depthView;
    d3d.GetDeviceContext()->OMGetRenderTargets(1, target.GetAddressOf(), depthView.GetAddressOf());
    if (depthView)
    {
        ComPtr<ID3D11Resource> resource;
        depthView->GetResource(resource.GetAddressOf());
        ComPtr<ID3D11Texture2D> texture;
        if (SUCCEEDED(resource.As(&texture)))
        {
            texture->GetDesc(&desc);
            sizes.depth[0] = desc.Width;
            sizes.depth[1] = desc.Height;
        }
    }
    UINT count = 1;
    D3D11_VIEWPORT viewport{};
    d3d.GetDeviceContext()->RSGetViewports(&count, &viewport);
    sizes.viewport[0] = viewport.Width;
    sizes.viewport[1] = viewport.Height;
    return sizes;
}

// The other thread: random messages in bursts, each burst waiting for the next frame so that the storm
// interleaves with rendering; then a fixed ending that leaves the window active, not dragged, restored, and
// resized for real.
class MessageStorm
{
public:
    MessageStorm(HWND window, unsigned seed, int count, const std::atomic<std::uint64_t>& frames)
        : m_window(window), m_random(seed), m_count(count), m_frames(frames)
    {
    }

    void Run()
    {
        int sent = 0;
        while (sent < m_count)
        {
            const int burst = std::uniform_int_distribution<int>(1, 200)(m_random);
            for (int i = 0; i < burst && sent < m_count; ++i, ++sent)
            {
                SendOne();
            }
            WaitForNextFrame();
        }
        Finish();
    }

    std::map<std::string, int> kinds;        // messages sent, by kind
    std::map<std::string, int> deliveries;   // by the way they were sent
    int failedSends = 0;

private:
    int Pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(m_random); }

    static LPARAM Point(int x, int y)
    {
        return MAKELPARAM(static_cast<WORD>(static_cast<short>(x)), static_cast<WORD>(static_cast<short>(y)));
    }

    void SendOne()
    {
        UINT message = 0;
        WPARAM wParam = 0;
        LPARAM lParam = 0;
        const int roll = Pick(0, 99);
        if (roll < 8)
        {
            const int kind = Pick(0, 99);
            if (kind < 15)
            {
                wParam = SIZE_MINIMIZED;   // a minimised window reports 0 x 0
                kinds["size minimised"]++;
            }
            else if (kind < 30)
            {
                wParam = SIZE_MAXIMIZED;
                lParam = MAKELPARAM(Pick(360, 420), Pick(240, 280));
                kinds["size maximised"]++;
            }
            else
            {
                wParam = SIZE_RESTORED;
                // Now and then an empty client area, which must not reach the device as a zero-sized target.
                lParam = Pick(0, 99) < 3 ? 0 : MAKELPARAM(Pick(200, 400), Pick(150, 300));
                kinds["size restored"]++;
            }
            message = WM_SIZE;
        }
        else if (roll < 16)
        {
            const int kind = Pick(0, 99);
            wParam = kind < 45 ? WA_INACTIVE : kind < 85 ? WA_ACTIVE : WA_CLICKACTIVE;
            message = WM_ACTIVATE;
            kinds[wParam == WA_INACTIVE ? "deactivate" : "activate"]++;
        }
        else if (roll < 20)
        {
            message = WM_ENTERSIZEMOVE;
            kinds["enter size/move"]++;
        }
        else if (roll < 24)
        {
            message = WM_EXITSIZEMOVE;
            kinds["exit size/move"]++;
        }
        else if (roll < 60)
        {
            message = WM_MOUSEMOVE;
            wParam = Pick(0, 99) < 30 ? static_cast<WPARAM>(Pick(1, 3)) : 0;   // MK_LBUTTON | MK_RBUTTON
            lParam = Point(Pick(-60, 460), Pick(-60, 340));
            kinds["mouse move"]++;
        }
        else if (roll < 72)
        {
            static constexpr UINT kButtons[] = {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_RBUTTONDOWN, WM_RBUTTONUP};
            message = kButtons[Pick(0, 3)];
            lParam = Point(Pick(0, 320), Pick(0, 180));
            kinds["mouse button"]++;
        }
        else if (roll < 80)
        {
            static constexpr short kDeltas[] = {-240, -120, 0, 120, 360};
            message = WM_MOUSEWHEEL;
            wParam = MAKEWPARAM(0, static_cast<WORD>(kDeltas[Pick(0, 4)]));
            kinds["mouse wheel"]++;
        }
        else
        {
            message = Pick(0, 1) ? WM_KEYDOWN : WM_KEYUP;
            // Any key but Escape, which would end the run; now and then a code beyond the key table.
            int key = Pick(0, 99) < 3 ? Pick(256, 70000) : Pick(0, 255);
            if (key == VK_ESCAPE)
            {
                key = 'E';
            }
            wParam = static_cast<WPARAM>(key);
            kinds["key"]++;
        }

        // Most go without waiting and are handled in bulk at the next message check; a few are posted (the loop
        // takes one per frame) or sent and waited for.
        const int way = Pick(0, 199);
        bool ok = true;
        if (way < 198)
        {
            ok = SendNotifyMessageW(m_window, message, wParam, lParam);
            deliveries["sent without waiting"]++;
        }
        else if (way < 199)
        {
            ok = PostMessageW(m_window, message, wParam, lParam);
            deliveries["posted"]++;
        }
        else
        {
            ok = SendWaiting(message, wParam, lParam);
            deliveries["sent and waited for"]++;
        }
        failedSends += ok ? 0 : 1;
    }

    bool SendWaiting(UINT message, WPARAM wParam, LPARAM lParam)
    {
        DWORD_PTR result = 0;
        return SendMessageTimeoutW(m_window, message, wParam, lParam, SMTO_NORMAL, 60'000, &result) != 0;
    }

    void WaitForNextFrame()
    {
        const std::uint64_t seen = m_frames.load();
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
        while (m_frames.load() == seen && std::chrono::steady_clock::now() < deadline)
        {
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
    }

    void Finish()
    {
        bool ok = SendWaiting(WM_EXITSIZEMOVE, 0, 0);
        ok &= SendWaiting(WM_ACTIVATE, WA_ACTIVE, 0);
        ok &= SendWaiting(WM_SIZE, SIZE_RESTORED, MAKELPARAM(kStartWidth, kStartHeight));
        RECT frame{0, 0, kFinalWidth, kFinalHeight};
        AdjustWindowRectEx(&frame, WS_OVERLAPPEDWINDOW, FALSE, WS_EX_APPWINDOW);
        ok &= SetWindowPos(m_window, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                           SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE) != 0;
        ok &= PostMessageW(m_window, kStormOverMessage, 0, 0) != 0;
        failedSends += ok ? 0 : 1;
    }

    HWND m_window;
    std::mt19937 m_random;
    int m_count;
    const std::atomic<std::uint64_t>& m_frames;
};
}

TEST(WindowStorm, TheLiveProgramSurvivesAStormAndStillEndsAfter58SecondsOfUnpausedTime)
{
    const int messageCount = EnvironmentInt("ENGINE_STORM_MESSAGES", 20000);
    const unsigned seed = static_cast<unsigned>(EnvironmentInt("ENGINE_STORM_SEED", 9));

    std::vector<std::string> boxes;
    SetMessageBoxHandler(
        [&boxes](const std::string& text, const std::string& caption) { boxes.push_back(caption + ": " + text); });
    Scene3::ResetTimeline();

    auto clock = std::make_shared<std::int64_t>(1000 * kSecond);
    StormWatch watch;
    std::atomic<std::uint64_t> frames{0};
    std::int64_t step = kLeadStep;
    std::int64_t expectedTotal = 0;   // un-paused time by the rules
    std::int64_t pausedTime = 0;
    std::uint64_t timeMismatches = 0;
    std::string firstTimeMismatch;
    std::uint64_t calmFrames = 0;
    TargetSizes finalSizes;
    std::unique_ptr<MessageStorm> storm;
    std::thread stormThread;
    const auto wallStart = std::chrono::steady_clock::now();

    const int exitCode = SystemClass::RunApplication([&](SystemClass& system) {
        system.SetTimeSource([clock] { return *clock; });
        system.Settings().screenWidth = kStartWidth;
        system.Settings().screenHeight = kStartHeight;
        system.Settings().frameObserver = [&] {
            const HWND window = system.GetWindowHandle();
            if (frames.load() == 0)
            {
                // The watch begins with the first frame, from the state start-up left.
                const WindowSizeState& size = system.GetSizeState();
                watch.rules.Begin(size.IsMinimized(), size.IsMaximized(), size.IsResizing(),
                                  SystemClass::GetTimer().IsStopped() && !size.IsResizing());
                g_watch = &watch;
                g_engineWindowProc = reinterpret_cast<WNDPROC>(
                    SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WatchingWindowProc)));
            }
            if (frames.load() == kLeadFrames)
            {
                step = kStormStep;
                storm = std::make_unique<MessageStorm>(window, seed, messageCount, frames);
                stormThread = std::thread([&storm] { storm->Run(); });
            }

            // Between two frames the clock moves by one step; it counts unless the rules say time is paused.
            const std::int64_t total = SystemClass::GetTimer().TotalNanoseconds();
            if (total != expectedTotal && timeMismatches++ == 0)
            {
                firstTimeMismatch = "frame " + std::to_string(frames.load()) + ": total " + std::to_string(total) +
                                    " ns, expected " + std::to_string(expectedTotal) + " ns";
            }
            if (watch.stormOver)
            {
                step = kCalmStep;
                ++calmFrames;
                finalSizes = ReadTargetSizes(window);
            }
            (watch.rules.Paused() ? pausedTime : expectedTotal) += step;
            *clock += step;
            frames.fetch_add(1);
        };
    });
    if (stormThread.joinable())
    {
        stormThread.join();
    }
    g_watch = nullptr;
    SetMessageBoxHandler(nullptr);
    const double wallSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();

    EXPECT_EQ(exitCode, 0);
    EXPECT_TRUE(boxes.empty()) << boxes.front();
    ASSERT_NE(storm, nullptr) << "no frame was rendered";
    EXPECT_EQ(storm->failedSends, 0);
    EXPECT_GE(watch.stormMessagesHandled, static_cast<std::uint64_t>(messageCount)) << "messages were lost";
    ASSERT_TRUE(watch.stormOver) << "the run ended before the storm did";

    // Time: at every frame the run's total was exactly the un-paused time, and the run ended with the first
    // frame past 58 s, after the calm frames that followed the storm.
    EXPECT_EQ(timeMismatches, 0u) << firstTimeMismatch;
    EXPECT_GT(pausedTime, 0) << "the storm never paused the run";
    EXPECT_GT(expectedTotal, static_cast<std::int64_t>(58) * kSecond);
    EXPECT_LE(expectedTotal - kCalmStep, static_cast<std::int64_t>(58) * kSecond);
    EXPECT_GT(calmFrames, 25u);

    // Resizes: each message moved the scene's resize count exactly as the rules say; none during a drag, one
    // at each drag's end.
    EXPECT_EQ(watch.wrongResizes, 0u) << watch.firstWrongResize;
    EXPECT_EQ(watch.resizesDuringDrag, 0u);
    EXPECT_GT(watch.deferredSizes, 10u);
    EXPECT_GT(watch.dragEnds, 50u);
    EXPECT_GT(watch.expectedResizes, 100u);

    // The targets ended at the final client size, which Windows itself reported.
    EXPECT_EQ(finalSizes.client[0], kFinalWidth);
    EXPECT_EQ(finalSizes.client[1], kFinalHeight);
    for (const UINT* size : {finalSizes.backBuffer, finalSizes.offscreen, finalSizes.depth})
    {
        EXPECT_EQ(size[0], static_cast<UINT>(finalSizes.client[0]));
        EXPECT_EQ(size[1], static_cast<UINT>(finalSizes.client[1]));
    }
    EXPECT_EQ(finalSizes.viewport[0], static_cast<float>(finalSizes.client[0]));
    EXPECT_EQ(finalSizes.viewport[1], static_cast<float>(finalSizes.client[1]));

    std::printf("[ storm    ] %d messages (seed %u) in %.1f s wall time; %llu frames rendered, %llu after the storm\n",
                messageCount, seed, wallSeconds, static_cast<unsigned long long>(frames.load()),
                static_cast<unsigned long long>(calmFrames));
    for (const auto& [kind, count] : storm->kinds)
    {
        std::printf("[ storm    ]   %-22s %d\n", kind.c_str(), count);
    }
    for (const auto& [way, count] : storm->deliveries)
    {
        std::printf("[ storm    ]   %-22s %d\n", way.c_str(), count);
    }
    std::printf("[ storm    ] %llu resizes reached the scene (%llu drag ends, %llu sizes deferred to a drag's end); "
                "%.3f s paused, %.3f s counted\n",
                static_cast<unsigned long long>(watch.expectedResizes), static_cast<unsigned long long>(watch.dragEnds),
                static_cast<unsigned long long>(watch.deferredSizes), static_cast<double>(pausedTime) / kSecond,
                static_cast<double>(expectedTotal) / kSecond);
}
