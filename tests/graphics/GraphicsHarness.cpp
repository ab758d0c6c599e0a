// The harness is a GoogleTest environment, so it is built before the first test and torn down after the last
// one in the order shutdown uses: overlay back-ends, overlay context, graphics object, application.
#include "tests/graphics/GraphicsHarness.h"

#include "actors/ActorFactory.h"
#include "actors/LightRenderComponent.h"
#include "actors/MeshComponent.h"
#include "actors/MeshRenderComponent.h"
#include "app/SystemClass.h"
#include "graphics/D3DClass.h"
#include "graphics/GraphicsClass.h"
#include "scene/Scene3.h"
#include "tests/graphics/GpuReadback.h"
#include "tests/graphics/TestWindow.h"

#include <gtest/gtest.h>
#include <imgui.h>
#include <imgui_impl_win32.h>

#include <filesystem>
#include <stdexcept>

namespace
{
class GraphicsEnvironment : public testing::Environment
{
public:
    void SetUp() override
    {
        m_options = TestOptions(graphics_harness::kWidth, graphics_harness::kHeight);
        m_options.m_screenAspect = static_cast<float>(graphics_harness::kWidth) / graphics_harness::kHeight;
        ImGui::CreateContext();
        m_window = std::make_unique<TestWindow>(graphics_harness::kWidth, graphics_harness::kHeight);
        ImGui_ImplWin32_Init(m_window->Handle());
        m_application = std::make_unique<SystemClass>();
        if (!SystemClass::GetGraphics().Initialize(m_options, m_window->Handle()))
        {
            throw std::runtime_error("the graphics object did not start (see standard error)");
        }
    }

    void TearDown() override
    {
        SystemClass::GetGraphics().ShutdownOverlay();
        ImGui_ImplWin32_Shutdown();
        ImGui::DestroyContext();
        SystemClass::GetGraphics().Shutdown();
        m_application.reset();
        m_window.reset();
    }

    EngineOptions m_options;
    std::unique_ptr<TestWindow> m_window;
    std::unique_ptr<SystemClass> m_application;
};

GraphicsEnvironment* const g_environment =
    static_cast<GraphicsEnvironment*>(testing::AddGlobalTestEnvironment(new GraphicsEnvironment));
}

namespace graphics_harness
{
const EngineOptions& Options()
{
    return g_environment->m_options;
}

ID3D11Device* Device()
{
    return SystemClass::GetGraphics().GetD3D()->GetDevice();
}

ID3D11DeviceContext* Context()
{
    return SystemClass::GetGraphics().GetD3D()->GetDeviceContext();
}

IDXGISwapChain* SwapChain()
{
    return SystemClass::GetGraphics().GetD3D()->GetSwapChain();
}

Scene3& ApplicationScene()
{
    return *static_cast<Scene3*>(SystemClass::GetGraphics().GetScene());
}

void WaitForTheGpu()
{
    // Under Wine a staging copy of a render target, mapped at once, can still hold what an earlier frame left
    // in it; an event query that has completed marks the point where every earlier command has.
    D3D11_QUERY_DESC desc = {};
    desc.Query = D3D11_QUERY_EVENT;
    Microsoft::WRL::ComPtr<ID3D11Query> query;
    if (FAILED(Device()->CreateQuery(&desc, query.GetAddressOf())))
    {
        throw std::runtime_error("cannot create an event query");
    }
    Context()->End(query.Get());
    BOOL done = FALSE;
    while (Context()->GetData(query.Get(), &done, sizeof(done), 0) != S_OK || !done)
    {
        Sleep(1);
    }
}

std::vector<uint8_t> PixelsOf(ID3D11Texture2D* texture)
{
    D3D11_TEXTURE2D_DESC desc = {};
    texture->GetDesc(&desc);
    WaitForTheGpu();
    return ReadSubresource(Device(), Context(), texture, 0, desc.Width * 4, desc.Height);
}

std::vector<uint8_t> PixelOf(ID3D11Texture2D* texture, unsigned x, unsigned y)
{
    D3D11_TEXTURE2D_DESC desc = {};
    texture->GetDesc(&desc);
    const std::vector<uint8_t> pixels = PixelsOf(texture);
    const size_t at = (static_cast<size_t>(y) * desc.Width + x) * 4;
    return {pixels.begin() + static_cast<std::ptrdiff_t>(at), pixels.begin() + static_cast<std::ptrdiff_t>(at) + 4};
}
}

DrawingWorld::DrawingWorld()
{
    tree = std::make_unique<SceneTree>(graphics_harness::Options(), graphics_harness::Device(),
                                       graphics_harness::Context(), [this] { return logic.get(); });
    camera = std::make_shared<FreeCameraNode>(graphics_harness::Options());
    tree->SetCamera(camera);
    logic = std::make_unique<BaseEngineLogic>();
    logic->SetState(EngineLogicState::Initialising);
    EXPECT_TRUE(logic->Init());
    logic->GetActorFactory()->RegisterComponent<MeshRenderComponent>();
    logic->GetActorFactory()->RegisterComponent<MeshComponent>();
    logic->GetActorFactory()->RegisterComponent<LightRenderComponent>();
    logic->SetState(EngineLogicState::Running);
}

DrawingWorld::~DrawingWorld()
{
    // The nodes point at their components, so the tree goes before the actors.
    tree.reset();
    logic.reset();
}

std::shared_ptr<Actor> DrawingWorld::MakeActor(ActorId id, const std::string& body)
{
    const std::string name = "actor" + std::to_string(id) + "-" + std::to_string(++m_files) + ".xml";
    const std::string path = scratch.Write(name, "<Actor type=\"Test\" resource=\"" + name + "\">" + body + "</Actor>");
    return logic->CreateActor(path, nullptr, nullptr, id);
}

std::string DrawingWorld::WriteObj(const std::string& name, const std::string& obj, const std::string& mtl)
{
    std::string text = obj;
    if (!mtl.empty())
    {
        // The loader looks for material files relative to the working directory, so the path is a full one,
        // with forward slashes: the loader takes a backslash for an escape character.
        text = "mtllib " + std::filesystem::path(scratch.Write(name + ".mtl", mtl)).generic_string() + "\n" + obj;
    }
    return scratch.Write(name + ".obj", text);
}

std::string DrawingWorld::MeshElements(const std::string& objPath)
{
    return "<MeshComponent><Obj>" + objPath +
           "</Obj></MeshComponent>"
           "<MeshRenderComponent><PixelShader>BasicNormalMapPixelShader.fx</PixelShader>"
           "<VertexShader>BasicNormalMapVertexShader.fx</VertexShader></MeshRenderComponent>";
}

std::string DrawingWorld::TransformAt(float x, float y, float z)
{
    return "<TransformComponent><Position x=\"" + std::to_string(x) + "\" y=\"" + std::to_string(y) + "\" z=\"" +
           std::to_string(z) + "\"/></TransformComponent>";
}

const char* const DrawingWorld::kFacingQuadObj = "v -1 -1 0\nv -1 1 0\nv 1 1 0\nv 1 -1 0\n"
                                                 "vt 0 1\nvt 0 0\nvt 1 0\nvt 1 1\n"
                                                 "vn 0 0 -1\n"
                                                 "usemtl Test\n"
                                                 "f 1/1/1 2/2/1 3/3/1 4/4/1\n";

std::string DrawingWorld::Material(const std::string& diffuse, const std::string& bump)
{
    std::string mtl = "newmtl Test\nKa 0.1 0.2 0.3\nKd 0.4 0.5 0.6\nKs 0.7 0.8 0.9\nNs 32\n";
    if (!diffuse.empty())
    {
        mtl += "map_Kd " + diffuse + "\n";
    }
    if (!bump.empty())
    {
        mtl += "map_bump " + bump + "\n";
    }
    return mtl;
}

std::string DrawingWorld::LitMaterial(const std::string& diffuse)
{
    return "newmtl Test\nKa 1 1 1\nKd 1 1 1\nKs 0 0 0\nNs 1\nmap_Kd " + diffuse + "\n";
}

std::shared_ptr<Actor> DrawingWorld::MakeQuadActor(ActorId id, float x, float y, float z, const std::string& material)
{
    const std::string obj =
        WriteObj("quad" + std::to_string(id) + "-" + std::to_string(++m_files), kFacingQuadObj, material);
    return MakeActor(id, TransformAt(x, y, z) + MeshElements(obj));
}
