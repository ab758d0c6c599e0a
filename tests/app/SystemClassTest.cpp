// The application shell on a real window under Wine: what each window message does to the application's
// state, and when the frame loop ends. Time is driven by a fake clock so the 58-second rule runs instantly.
#include <gtest/gtest.h>

#include <d3d11.h>
#include <wrl/client.h>

#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#include <stb_image.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/MessageBox.h"
#include "app/live/PresentationControls.h"
#include "app/SystemClass.h"
#include "app/live/LiveTools.h"
#include "app/live/timeline/ChoreographyDocument.h"
#include "app/live/WorldReloader.h"
#include "actors/Actor.h"
#include "actors/BaseEngineLogic.h"
#include "actors/MeshParseCache.h"
#include "actors/TransformComponent.h"
#include "graphics/BackBufferReader.h"
#include "graphics/drawables/D3D11Drawable.h"
#include "graphics/D3DClass.h"
#include "graphics/GraphicsClass.h"
#include "graphics/registries/ShaderClass.h"
#include "graphics/registries/ShaderHolder.h"
#include "app/live/ShaderWatcher.h"
#include "graphics/registries/TextureHolder.h"
#include "scene/FreeCameraNode.h"
#include "scene/Scene3.h"
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

// A working folder with everything graphics start-up reads, copied from bin/ (where the tests start), and a
// small window. Without a world a start-up that gets past the graphics fails there, without a message box;
// WriteEmptyWorld lets it succeed. Message boxes are collected instead of shown.
class StartupFolder
{
public:
    StartupFolder()
    {
        m_dir.Write("EngineOptions.xml",
                    R"(<O><Graphics renderer="Direct3D 11" width="320" height="240" runfullspeed="yes"/></O>)");
        for (const char* name :
             {"D.bmp", "dirty-wicker-weave1-albedo.dds", "BasicNormalMapPixelShader.fx",
              "BasicNormalMapVertexShader.fx", "SkyPixelShader.fx", "SkyVertexShader.fx", "PostPS.fx", "PostVS.fx"})
        {
            std::filesystem::copy_file(name, m_dir.Path() / name);
        }
        m_previous = std::filesystem::current_path();
        SetMessageBoxHandler(
            [this](const std::string& text, const std::string& caption) { m_boxes.push_back(caption + ": " + text); });
    }
    ~StartupFolder()
    {
        std::filesystem::current_path(m_previous);
        DispatchPending();
        SetMessageBoxHandler(nullptr);
    }
    void Remove(const char* name) { std::filesystem::remove(m_dir.Path() / name); }
    void WriteEmptyWorld() { m_dir.Write("World1.xml", "<World><StaticActors/></World>"); }
    void Write(const char* name, const std::string& content) { m_dir.Write(name, content); }
    // Writes the file as an editor saves it, with a time stamp later than any before: an edit the engine can
    // see, however coarse the file system's clock.
    void Edit(const char* name, const std::string& content)
    {
        static int edits = 0;
        m_dir.Write(name, content);
        std::filesystem::last_write_time(m_dir.Path() / name,
                                         std::filesystem::file_time_type::clock::now() + std::chrono::seconds(++edits));
    }
    void Enter() { std::filesystem::current_path(m_dir.Path()); }
    std::string Read(const char* name) const
    {
        std::ifstream file(m_dir.Path() / name, std::ios::binary);
        std::stringstream text;
        text << file.rdbuf();
        return text.str();
    }

    std::vector<std::string> m_boxes;

private:
    ScratchDirectory m_dir;
    std::filesystem::path m_previous;
};

class SystemClassTest : public ::testing::Test
{
protected:
    // The shell's behaviour does not depend on the world, so a small window with an empty world keeps every
    // frame cheap under Wine's software rendering.
    void SetUp() override
    {
        WriteWorld();
        m_folder.Enter();
        DispatchPending();
        m_system = std::make_unique<SystemClass>();
        if (m_withControls)
        {
            m_system->GetLiveTools().EnableControls();
        }
        if (m_withWatch)
        {
            m_system->GetLiveTools().EnableWatch();
            m_system->GetLiveTools().SetWatchTiming({0, 0});   // every frame looks, and an edit counts at once
        }
        m_system->SetTimeSource(m_clock.Source());
        // A small picture keeps the software-rendered frames of the loop tests quick.
        m_system->Settings().screenWidth = 320;
        m_system->Settings().screenHeight = 180;
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
        EXPECT_TRUE(m_folder.m_boxes.empty());
    }

    LRESULT Send(UINT message, WPARAM wParam, LPARAM lParam) { return SendMessageW(m_window, message, wParam, lParam); }

    virtual void WriteWorld() { m_folder.WriteEmptyWorld(); }

    StartupFolder m_folder;
    FakeClock m_clock;
    std::unique_ptr<SystemClass> m_system;
    HWND m_window = nullptr;
    bool m_withControls = false;
    bool m_withWatch = false;
};

// The same with engine.exe's live controls switched on.
class SystemClassControlsTest : public SystemClassTest
{
protected:
    SystemClassControlsTest() { m_withControls = true; }

    void PostKey(WPARAM key, bool repeated = false)
    {
        PostMessageW(m_window, WM_KEYDOWN, key, repeated ? LPARAM{1} << 30 : 0);
    }
};

// engine.exe --watch: the controls, and the files of a one-actor world that the tests edit while it runs.
class SystemClassWatchTest : public SystemClassControlsTest
{
protected:
    SystemClassWatchTest() { m_withWatch = true; }

    void WriteWorld() override
    {
        m_folder.Write("World1.xml", kWorld);
        m_folder.Write("Quad.xml", QuadActor(1, 2, 3));
        m_folder.Write("quad.obj", "v -1 -1 0\nv 1 -1 0\nv 1 1 0\nv -1 1 0\nvt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\n"
                                   "vn 0 0 -1\nf 1/1/1 2/2/1 3/3/1 4/4/1\n");
    }

    static constexpr const char* kWorld = R"(<World><StaticActors><Actor resource="Quad.xml"/></StaticActors></World>)";
    static std::string QuadActor(int x, int y, int z, const char* obj = "quad.obj")
    {
        return R"(<Actor type="Quad" resource="Quad.xml"><TransformComponent><Position x=")" + std::to_string(x) +
               R"(" y=")" + std::to_string(y) + R"(" z=")" + std::to_string(z) +
               R"("/></TransformComponent><MeshComponent><Obj>)" + obj +
               R"(</Obj></MeshComponent><MeshRenderComponent><PixelShader>BasicNormalMapPixelShader.fx</PixelShader>)"
               R"(<VertexShader>BasicNormalMapVertexShader.fx</VertexShader></MeshRenderComponent></Actor>)";
    }

    // Where the actor's transform and its scene node put it, and how many indices the node draws.
    struct Placement
    {
        std::weak_ptr<Actor> actor;
        std::shared_ptr<ISceneNode> node;
        float actorXyz[3] = {};
        float nodeXyz[3] = {};
        unsigned indices = 0;
    };
    static Placement PlacementOfActor1()
    {
        Placement placement;
        const std::shared_ptr<Actor> actor = SystemClass::GetLogic()->GetActor(1).lock();
        SceneTree& tree = static_cast<Scene3*>(SystemClass::GetGraphics().GetScene())->GetSceneTree();
        placement.actor = actor;
        placement.node = tree.FindActorNode(1);
        if (!actor || !placement.node)
        {
            return placement;
        }
        const auto transform = std::dynamic_pointer_cast<TransformComponent>(
            actor->GetComponent(TransformComponent::s_name.c_str()).lock());
        for (int i = 0; i < 3; ++i)
        {
            placement.actorXyz[i] = transform ? transform->GetTransform().m[12 + i] : 0.0f;
            placement.nodeXyz[i] = placement.node->GetProperties().m_toWorld.m[12 + i];
        }
        if (const auto* drawable = dynamic_cast<const D3D11Drawable*>(placement.node.get());
            drawable && drawable->GetIndexBuffer())
        {
            placement.indices = drawable->GetIndexBuffer()->m_count;
        }
        return placement;
    }
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

TEST_F(SystemClassTest, SizeMessagesResizeTheSceneButNotWhileMinimised)
{
    SceneTree& tree = static_cast<Scene3*>(SystemClass::GetGraphics().GetScene())->GetSceneTree();
    const auto offscreenSize = [&tree] {
        D3D11_TEXTURE2D_DESC desc = {};
        tree.GetOffscreenTexture()->GetDesc(&desc);
        return std::make_pair(desc.Width, desc.Height);
    };
    EXPECT_EQ(Send(WM_SIZE, SIZE_RESTORED, MAKELPARAM(640, 480)), 0);
    EXPECT_EQ(SystemClass::GetOptions().m_screenWidth, 640);
    EXPECT_EQ(SystemClass::GetOptions().m_screenHeight, 480);
    EXPECT_EQ(m_system->GetFrameCounts().resizes, 1u);
    EXPECT_EQ(offscreenSize(), std::make_pair(640u, 480u));

    Send(WM_SIZE, SIZE_MINIMIZED, 0);
    EXPECT_EQ(SystemClass::GetOptions().m_screenWidth, 0);
    EXPECT_EQ(SystemClass::GetOptions().m_screenHeight, 0);
    EXPECT_TRUE(m_system->GetSizeState().IsMinimized());
    EXPECT_EQ(m_system->GetFrameCounts().resizes, 1u);
    EXPECT_EQ(offscreenSize(), std::make_pair(640u, 480u)) << "a minimised window keeps its targets";

    Send(WM_SIZE, SIZE_RESTORED, MAKELPARAM(320, 200));
    EXPECT_FALSE(m_system->GetSizeState().IsMinimized());
    EXPECT_EQ(m_system->GetFrameCounts().resizes, 2u);
    EXPECT_EQ(offscreenSize(), std::make_pair(320u, 200u));
    Send(WM_SIZE, SIZE_MAXIMIZED, MAKELPARAM(800, 600));
    EXPECT_EQ(m_system->GetFrameCounts().resizes, 3u);
    EXPECT_EQ(offscreenSize(), std::make_pair(800u, 600u));

    // Sizes are unsigned 16-bit; a kind of size message the window does not act on only records them.
    Send(WM_SIZE, SIZE_MAXSHOW, MAKELPARAM(65535, 1));
    EXPECT_EQ(SystemClass::GetOptions().m_screenWidth, 65535);
    EXPECT_EQ(m_system->GetFrameCounts().resizes, 3u);
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

TEST_F(SystemClassTest, ActivationNeitherRestartsTheRunNorResumesItDuringADrag)
{
    FrameTimer& timer = SystemClass::GetTimer();
    timer.Reset();
    m_clock.Advance(5.0);
    Send(WM_ACTIVATE, WA_ACTIVE, 0);   // a second activation of the active window
    m_clock.Advance(1.0);
    timer.Tick();
    EXPECT_FLOAT_EQ(timer.TotalTime(), 6.0f) << "the run restarted";

    Send(WM_ENTERSIZEMOVE, 0, 0);
    Send(WM_ACTIVATE, WA_CLICKACTIVE, 0);   // activated in the middle of the drag
    m_clock.Advance(3.0);
    timer.Tick();
    EXPECT_TRUE(timer.IsStopped());
    Send(WM_ACTIVATE, WA_INACTIVE, 0);
    Send(WM_EXITSIZEMOVE, 0, 0);   // the drag ends while another window is active
    EXPECT_TRUE(timer.IsStopped());
    m_clock.Advance(4.0);
    timer.Tick();
    EXPECT_FLOAT_EQ(timer.TotalTime(), 6.0f);

    Send(WM_ACTIVATE, WA_ACTIVE, 0);
    m_clock.Advance(1.0);
    timer.Tick();
    EXPECT_FLOAT_EQ(timer.TotalTime(), 7.0f);
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

TEST_F(SystemClassTest, EachFrameHandlesOneMessage)
{
    // Three ordinary messages, then Escape: were the queue drained at once, the first frame would see them all.
    for (const WPARAM key : {WPARAM{'A'}, WPARAM{'B'}, WPARAM{'C'}, WPARAM{VK_ESCAPE}})
    {
        PostMessageW(m_window, WM_KEYDOWN, key, 0);
    }
    std::string seenByRenderedFrames;
    m_system->Settings().frameObserver = [this, &seenByRenderedFrames] {
        for (const unsigned char key : {'A', 'B', 'C'})
        {
            seenByRenderedFrames += m_system->GetKeys()[key] ? static_cast<char>(key) : '-';
        }
        seenByRenderedFrames += ' ';
    };
    m_system->Run();
    EXPECT_EQ(m_system->GetFrameCounts().updated, 4u);
    EXPECT_EQ(m_system->GetFrameCounts().rendered, 3u) << "the Escape frame is not rendered, nor any after it";
    EXPECT_EQ(seenByRenderedFrames, "A-- AB- ABC ");
}

TEST_F(SystemClassTest, WindowDeactivatedBeforeTheLoopKeepsTheTimerStopped)
{
    Send(WM_ACTIVATE, WA_INACTIVE, 0);
    // Ten seconds pass after each rendered frame; the loop's reset must not let any of them count.
    m_system->Settings().frameObserver = [this] { m_clock.Advance(10.0); };
    PostMessageW(m_window, WM_NULL, 0, 0);
    PostMessageW(m_window, WM_KEYDOWN, VK_ESCAPE, 0);
    m_system->Run();
    EXPECT_EQ(m_system->GetFrameCounts().updated, 2u);
    EXPECT_TRUE(SystemClass::GetTimer().IsStopped());
    EXPECT_EQ(SystemClass::GetTimer().TotalTime(), 0.0f);
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

    // The start-up split is measured on the real clock, whatever clock the timer was given.
    const StartupStats& startup = m_system->GetStartupStats();
    EXPECT_GT(startup.windowMs, 0.0);
    EXPECT_GT(startup.deviceMs, 0.0);
    EXPECT_GT(startup.shadersMs, 0.0);
    EXPECT_GT(startup.firstFrameMs, 0.0);
    EXPECT_GE(startup.optionsMs, 0.0);
    EXPECT_GE(startup.worldMs, 0.0);
    EXPECT_GT(startup.TotalMs(), startup.deviceMs + startup.shadersMs);
}

TEST(SystemClassStartup, MissingWorldFailsStartupWithoutAMessageBox)
{
    StartupFolder folder;
    folder.Enter();
    {
        SystemClass system;
        EXPECT_FALSE(system.Initialize());
        EXPECT_NE(system.GetWindowHandle(), nullptr);   // the window was already up when the world failed
        ASSERT_NE(SystemClass::GetLogic(), nullptr);
        EXPECT_EQ(SystemClass::GetLogic()->GetActorCount(), 0u);
        system.Shutdown();
        EXPECT_EQ(SystemClass::GetApplication(), nullptr);
    }
    EXPECT_TRUE(folder.m_boxes.empty());
}

TEST(SystemClassStartup, LensValuesThatWouldBreakThePictureAreReplacedBeforeTheCameraIsBuilt)
{
    StartupFolder folder;
    folder.Write(
        "EngineOptions.xml",
        R"(<O><Graphics renderer="Direct3D 11" width="0" height="240" screenNear="0" runfullspeed="yes"/></O>)");
    folder.WriteEmptyWorld();
    folder.Enter();
    {
        SystemClass system;
        testing::internal::CaptureStderr();
        const bool started = system.Initialize();
        const std::string messages = testing::internal::GetCapturedStderr();
        ASSERT_TRUE(started) << messages;
        // The window fell back to a width of 1280, so the aspect ratio is that of 1280 x 240.
        EngineOptions lens;
        lens.m_screenAspect = 1280.0f / 240.0f;
        const Scene3& scene = *static_cast<Scene3*>(SystemClass::GetGraphics().GetScene());
        EXPECT_EQ(scene.GetCamera()->GetProj(), FreeCameraNode(lens).GetProj());
        size_t lines = 0;
        for (size_t at = messages.find("EngineOptions.xml"); at != std::string::npos;
             at = messages.find("EngineOptions.xml", at + 1))
        {
            ++lines;
        }
        EXPECT_EQ(lines, 2u) << messages;
        system.Shutdown();
    }
    EXPECT_TRUE(folder.m_boxes.empty());
}

TEST(SystemClassStartup, MissingStartUpTextureShowsTheTextureMessageAndLoadsNoShader)
{
    StartupFolder folder;
    folder.Remove("D.bmp");
    folder.Enter();
    {
        SystemClass system;
        EXPECT_FALSE(system.Initialize());
        const GraphicsClass& graphics = SystemClass::GetGraphics();
        ASSERT_NE(graphics.GetTextures(), nullptr);
        EXPECT_TRUE(graphics.GetTextures()->Contains("D.bmp")) << "the failed entry stays";
        EXPECT_FALSE(graphics.GetTextures()->Contains("dirty-wicker-weave1-albedo.dds")) << "the list stops";
        EXPECT_EQ(graphics.GetShaders(), nullptr);
        EXPECT_EQ(graphics.GetScene(), nullptr);
        EXPECT_EQ(SystemClass::GetLogic(), nullptr);
        system.Shutdown();
    }
    EXPECT_EQ(folder.m_boxes, (std::vector<std::string>{"Error: Could not initialize the textures."}));

    // The entry point's view of the same start-up: one message, exit code 1.
    folder.m_boxes.clear();
    EXPECT_EQ(SystemClass::RunApplication(), SystemClass::kExitStartupFailed);
    EXPECT_EQ(folder.m_boxes.size(), 1u);
    EXPECT_EQ(SystemClass::GetApplication(), nullptr);
}

TEST(SystemClassStartup, ShaderThatDoesNotCompileShowsTheShaderMessageAndWritesTheCompilerOutput)
{
    StartupFolder folder;
    folder.Write("SkyPixelShader.fx", "float4 PixelShaderFX() : SV_TARGET\n{\n    return float4(1, 1, 1, 1)\n}\n");
    folder.Enter();
    {
        SystemClass system;
        EXPECT_FALSE(system.Initialize());
        ShaderHolder* shaders = SystemClass::GetGraphics().GetShaders();
        ASSERT_NE(shaders, nullptr);
        // The two before it compiled and stay registered; the failed one stays as an empty entry.
        EXPECT_NE(shaders->Get(L"BasicNormalMapPixelShader.fx").GetPixelShader(), nullptr);
        EXPECT_NE(shaders->Get(L"BasicNormalMapVertexShader.fx").GetVertexShader(), nullptr);
        EXPECT_TRUE(shaders->Contains(L"SkyPixelShader.fx"));
        EXPECT_FALSE(shaders->Contains(L"SkyVertexShader.fx"));
        EXPECT_EQ(SystemClass::GetGraphics().GetScene(), nullptr);
        system.Shutdown();
    }
    EXPECT_EQ(folder.m_boxes, (std::vector<std::string>{"Error: Could not initialize the shaders."}));
    const std::string compilerOutput = folder.Read(ShaderClass::kErrorFileName);
    EXPECT_NE(compilerOutput.find("SkyPixelShader.fx"), std::string::npos) << compilerOutput;

    folder.m_boxes.clear();
    EXPECT_EQ(SystemClass::RunApplication(), SystemClass::kExitStartupFailed);
    EXPECT_EQ(folder.m_boxes, (std::vector<std::string>{"Error: Could not initialize the shaders."}));
}

TEST_F(SystemClassControlsTest, PauseHoldsTimeAndTheEndCountsOnlyUnpausedTime)
{
    // A quarter second of wall time per frame; Space pauses in frame 4 and resumes in frame 40, and the held
    // key's auto-repeat in between changes nothing.
    const FrameTimer& timer = SystemClass::GetTimer();
    std::vector<float> totals;
    m_system->Settings().frameObserver = [&] {
        totals.push_back(timer.TotalTime());
        m_clock.Advance(0.25);
        if (totals.size() == 4 || totals.size() == 40)
        {
            PostKey(VK_SPACE);
        }
        if (totals.size() == 20)
        {
            PostKey(VK_SPACE, true);
        }
    };
    const std::int64_t wallStart = m_clock.Now();
    m_system->Run();

    ASSERT_GT(totals.size(), 60u);
    EXPECT_FLOAT_EQ(totals[4], totals[3] + 0.25f);
    for (std::size_t frame = 5; frame <= 40; ++frame)
    {
        EXPECT_EQ(totals[frame], totals[4]) << "frame " << frame << " while paused";
    }
    EXPECT_FLOAT_EQ(totals[41], totals[40] + 0.25f) << "time jumped on resuming";
    EXPECT_FALSE(m_system->GetLiveTools().GetControls()->IsPaused());

    // 36 paused frames of a quarter second each: 9 s longer than the 58 s of un-paused time.
    EXPECT_GT(timer.TotalTime(), 58.0f);
    EXPECT_LE(timer.TotalTime(), 58.25f);
    const double wallSeconds = static_cast<double>(m_clock.Now() - wallStart) / FakeClock::kSecond;
    EXPECT_NEAR(wallSeconds, 58.0 + 9.0, 0.5);
    // Paused frames are drawn but not updated; the last frame is updated but not drawn.
    const auto& counts = m_system->GetFrameCounts();
    EXPECT_EQ(counts.updated + 36, counts.rendered + 1);
}

TEST_F(SystemClassControlsTest, F12SavesTheBackBufferAsANewNumberedPngAndNeverOverwrites)
{
    m_folder.Write("screenshot-0002.png", "someone else's");
    int frames = 0;
    m_system->Settings().frameObserver = [&] {
        if (++frames == 6)
        {
            PostQuitMessage(0);
        }
    };
    PostKey(VK_F12);
    PostMessageW(m_window, WM_KEYUP, VK_F12, (LPARAM{1} << 30) | (LPARAM{1} << 31));
    PostKey(VK_F12);
    m_system->Run();

    D3D11_TEXTURE2D_DESC desc{};
    Microsoft::WRL::ComPtr<ID3D11Texture2D> backBuffer;
    ASSERT_TRUE(SUCCEEDED(
        SystemClass::GetGraphics().GetD3D()->GetSwapChain()->GetBuffer(0, IID_PPV_ARGS(backBuffer.GetAddressOf()))));
    backBuffer->GetDesc(&desc);
    for (const char* name : {"screenshot-0001.png", "screenshot-0003.png"})
    {
        int width = 0, height = 0, channels = 0;
        unsigned char* pixels = stbi_load(name, &width, &height, &channels, 3);
        ASSERT_NE(pixels, nullptr) << name;
        stbi_image_free(pixels);
        EXPECT_EQ(width, static_cast<int>(desc.Width)) << name;
        EXPECT_EQ(height, static_cast<int>(desc.Height)) << name;
    }
    EXPECT_EQ(m_folder.Read("screenshot-0002.png"), "someone else's");
    EXPECT_FALSE(std::filesystem::exists("screenshot-0004.png"));
}

TEST_F(SystemClassControlsTest, PauseKeysDuringADragOrWhileMinimisedNeverLetTimeRun)
{
    FrameTimer& timer = SystemClass::GetTimer();
    timer.Reset();
    Send(WM_SIZE, SIZE_MINIMIZED, 0);
    Send(WM_ENTERSIZEMOVE, 0, 0);
    Send(WM_KEYDOWN, VK_SPACE, 0);
    Send(WM_KEYUP, VK_SPACE, 0);
    m_clock.Advance(4.0);
    Send(WM_EXITSIZEMOVE, 0, 0);   // the drag ends, but the presentation is paused
    Send(WM_SIZE, SIZE_RESTORED, MAKELPARAM(320, 180));
    EXPECT_TRUE(timer.IsStopped());
    Send(WM_ENTERSIZEMOVE, 0, 0);
    Send(WM_KEYDOWN, VK_SPACE, 0);   // resumed in the middle of a drag: still stopped until it ends
    EXPECT_TRUE(timer.IsStopped());
    m_clock.Advance(3.0);
    Send(WM_EXITSIZEMOVE, 0, 0);
    EXPECT_FALSE(timer.IsStopped());
    m_clock.Advance(1.0);
    timer.Tick();
    EXPECT_FLOAT_EQ(timer.TotalTime(), 1.0f);
}

TEST_F(SystemClassWatchTest, AnEditedShaderIsDrawnFromTheNextFrameAndABrokenEditKeepsThePicture)
{
    // The post pass's shaders, rewritten between frames: a plain colour, then a syntax error, then another
    // colour with a vertex stage that draws the quad at half size.
    const std::string pixelIn = "struct PixelIn { float4 position : SV_POSITION; float2 tex : TEXCOORD; "
                                "float4 color : COLOR; };\n";
    const auto plain = [&pixelIn](const char* rgb) {
        return pixelIn + "float4 PixelShaderFX(PixelIn input) : SV_TARGET { return float4(" + rgb + ", 1.0f); }\n";
    };
    std::string halfQuad = m_folder.Read("PostVS.fx");
    const std::string fullQuad = "float4(input.position.xy, 0.0f, 1.0f)";
    ASSERT_NE(halfQuad.find(fullQuad), std::string::npos);
    halfQuad.replace(halfQuad.find(fullQuad), fullQuad.size(), "float4(input.position.xy * 0.5f, 0.0f, 1.0f)");

    BackBufferReader reader;
    std::vector<FrameImage> frames;
    std::string problemsAfterBrokenEdit;
    m_system->Settings().beforePresent = [&] {
        D3DClass& d3d = *SystemClass::GetGraphics().GetD3D();
        frames.push_back(reader.Read(d3d.GetSwapChain(), d3d.GetDevice(), d3d.GetDeviceContext()));
    };
    m_system->Settings().frameObserver = [&] {
        m_clock.Advance(1.0 / 60.0);
        switch (frames.size())
        {
        case 1: m_folder.Edit("PostPS.fx", plain("1.0f, 0.0f, 1.0f")); break;
        case 2:
            m_folder.Edit("PostPS.fx", pixelIn + "float4 PixelShaderFX(PixelIn input) : SV_TARGET { return }\n");
            break;
        case 3:
            problemsAfterBrokenEdit = m_system->GetLiveTools().GetShaderWatcher()->Problems();
            m_folder.Edit("PostPS.fx", plain("0.0f, 1.0f, 0.0f"));
            m_folder.Edit("PostVS.fx", halfQuad);
            break;
        default: PostQuitMessage(0); break;
        }
    };
    m_system->Run();
    ASSERT_EQ(frames.size(), 4u);

    const auto pixel = [&frames](std::size_t frame, int x, int y) {
        const FrameImage& image = frames[frame];
        const std::size_t at = (static_cast<std::size_t>(y) * image.width + x) * 4;
        return std::vector<int>{image.rgba[at], image.rgba[at + 1], image.rgba[at + 2]};
    };
    const int cx = frames[0].width / 2;
    const int cy = frames[0].height / 2;
    EXPECT_NE(pixel(0, cx, cy), (std::vector<int>{255, 0, 255}));
    EXPECT_EQ(pixel(1, cx, cy), (std::vector<int>{255, 0, 255})) << "the edit is drawn in the very next frame";
    EXPECT_EQ(pixel(1, 2, 2), (std::vector<int>{255, 0, 255}));
    EXPECT_TRUE(frames[2].rgba == frames[1].rgba) << "a broken edit changed the picture";
    EXPECT_FALSE(problemsAfterBrokenEdit.empty());
    EXPECT_FALSE(m_folder.Read(ShaderClass::kErrorFileName).empty());
    EXPECT_EQ(pixel(3, cx, cy), (std::vector<int>{0, 255, 0}));
    EXPECT_EQ(pixel(3, 2, 2), (std::vector<int>{0, 0, 0})) << "the new vertex stage draws a smaller quad";
    EXPECT_TRUE(m_system->GetLiveTools().GetShaderWatcher()->Problems().empty()) << "the file compiles again";
}

TEST_F(SystemClassWatchTest, AnEditedActorFileMovesItsMeshAndAFileThatFailsKeepsTheWorldAsItWas)
{
    std::vector<Placement> placements{PlacementOfActor1()};
    std::vector<float> times;
    std::vector<std::string> problems;
    const MeshParseCache* cache = MeshParseCache::Instance();
    ASSERT_NE(cache, nullptr);
    std::vector<std::size_t> parses{cache->StoreCount()};
    std::vector<std::string> statuses;
    m_system->Settings().frameObserver = [&] {
        placements.push_back(PlacementOfActor1());
        times.push_back(SystemClass::GetTimer().TotalTime());
        problems.push_back(m_system->GetLiveTools().GetWorldReloader()->Problem());
        const ChoreographyDocument* document = m_system->GetLiveTools().GetDocument();
        statuses.push_back(document != nullptr ? document->Model().Status() : std::string());
        parses.push_back(cache->StoreCount());
        m_clock.Advance(1.0 / 60.0);
        switch (placements.size() - 1)
        {
        case 1: m_folder.Edit("Quad.xml", QuadActor(4, 5, 6)); break;
        case 2: m_folder.Edit("World1.xml", R"(<World><StaticActors><Actor resource="Quad.xml"/>)"); break;
        case 3:
            m_folder.Edit("World1.xml", kWorld);
            m_folder.Edit("Quad.xml", QuadActor(0, 0, 0, "missing.obj"));
            PostKey(VK_F5);   // refused while the actor cannot be built, and said so in the panel's status line
            break;
        case 4: m_folder.Edit("Quad.xml", QuadActor(7, 8, 9)); break;
        case 5:
            // Mesh files are not watched, but F5 reloads them, and only them: the OBJ is now one triangle.
            m_folder.Edit("quad.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n");
            PostKey(VK_F5);
            break;
        default: PostQuitMessage(0); break;
        }
    };
    m_system->Run();
    ASSERT_EQ(placements.size(), 7u);

    const auto at = [](const Placement& placement, float x, float y, float z) {
        return placement.actorXyz[0] == x && placement.actorXyz[1] == y && placement.actorXyz[2] == z &&
               placement.nodeXyz[0] == x && placement.nodeXyz[1] == y && placement.nodeXyz[2] == z;
    };
    EXPECT_TRUE(at(placements[0], 1, 2, 3));
    EXPECT_EQ(placements[0].indices, 6u);
    // Frame 2: the new world, with a new actor and node where the edited file puts them.
    EXPECT_TRUE(at(placements[2], 4, 5, 6));
    EXPECT_TRUE(placements[0].actor.expired()) << "the old world's actor lives on";
    EXPECT_NE(placements[2].node, placements[1].node);
    EXPECT_TRUE(problems[1].empty()) << problems[1];
    EXPECT_EQ(parses[2], parses[0]) << "the unchanged OBJ was parsed again";
    // Frames 3 and 4: a broken world file, then an actor that cannot be built: the same world stays, and the
    // failing file is named.
    for (const std::size_t frame : {3u, 4u})
    {
        EXPECT_EQ(placements[frame].actor.lock(), placements[2].actor.lock()) << frame;
        EXPECT_EQ(placements[frame].node, placements[2].node) << frame;
        EXPECT_TRUE(at(placements[frame], 4, 5, 6)) << frame;
    }
    EXPECT_NE(problems[2].find("World1.xml"), std::string::npos) << problems[2];
    EXPECT_NE(problems[3].find("Quad.xml"), std::string::npos) << problems[3];
    EXPECT_TRUE(statuses[2].empty()) << "a reload of an edit that fails, unasked, leaves the status line alone";
    EXPECT_FALSE(statuses[3].empty() && statuses[4].empty()) << "F5 refused without a word";
    // Frame 5: fixed, and reloaded; frame 6: F5 with a changed mesh.
    EXPECT_TRUE(at(placements[5], 7, 8, 9));
    EXPECT_TRUE(problems[4].empty()) << problems[4];
    EXPECT_EQ(placements[6].indices, 3u);
    EXPECT_EQ(parses[6], parses[0] + 1);
    // Presentation time carried on through every reload, a frame at a time.
    for (std::size_t frame = 1; frame < times.size(); ++frame)
    {
        EXPECT_NEAR(times[frame] - times[frame - 1], 1.0f / 60.0f, 1e-3f) << frame;
    }
}
