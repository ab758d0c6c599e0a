// D3D11Offscreen: the quad, its default pipeline states and its identity constants.
// The timer readings travel in the colour attribute for whatever the post shaders make of them.
#include "graphics/drawables/D3D11Offscreen.h"

#include "app/SystemClass.h"
#include "graphics/AnsiConversion.h"
#include "graphics/bindables/PixelShader.h"
#include "graphics/registries/ShaderClass.h"
#include "graphics/bindables/VertexBuffer.h"
#include "graphics/bindables/VertexShader.h"

D3D11Offscreen::D3D11Offscreen(ID3D11Device* device, const std::wstring& pixelShaderFile)
    : D3D11Drawable(nullptr, DrawPass_Main, nullptr)
{
    float elapsed = 0.0f;
    float total = 0.0f;
    if (SystemClass::GetApplication() != nullptr)
    {
        elapsed = SystemClass::GetTimer().DeltaTime();
        total = SystemClass::GetTimer().TotalTime();
    }
    AddBind(std::make_unique<VertexBuffer>(device, BuildQuad(elapsed, total)));
    AddIndexBuffer(std::make_unique<IndexBuffer>(device, QuadIndices()));

    const std::string user = "the post pass";
    ShaderClass* vertexShader = FindShader(L"PostVS.fx", user);
    ShaderClass* pixelShader = FindShader(pixelShaderFile, user);
    if (vertexShader == nullptr || pixelShader == nullptr || vertexShader->GetVertexShader() == nullptr ||
        pixelShader->GetPixelShader() == nullptr)
    {
        Abandon();
        return;
    }
    AddBind(std::make_unique<VertexShader>(*vertexShader));
    AddBind(std::make_unique<PixelShader>(*pixelShader));
    AddCommonStates(device, *vertexShader);

    const cbPerObject perObject = IdentityPerObject();
    m_vsPerObject = AddConstantBuffer<VertexConstantBuffer<cbPerObject>>(device, perObject, 0);
    m_psPerObject = AddSharedConstantBuffer<PixelConstantBuffer<cbPerObject>>(m_vsPerObject->ShareBuffer(), 0);
}

int D3D11Offscreen::OnUpdate(SceneTree* scene, float step, ID3D11DeviceContext* context)
{
    (void)scene;
    (void)step;
    (void)context;
    return 0;
}

int D3D11Offscreen::PreRender(SceneTree* scene, ID3D11DeviceContext* context)
{
    SceneNode::PreRender(scene, context);
    return 0;
}

std::vector<MeshVertex> D3D11Offscreen::BuildQuad(float elapsedSeconds, float totalSeconds)
{
    struct Corner
    {
        float x, y, u, v;
    };
    const Corner corners[4] = {
        {-1.0f, -1.0f, 0.0f, 1.0f}, {-1.0f, 1.0f, 0.0f, 0.0f}, {1.0f, 1.0f, 1.0f, 0.0f}, {1.0f, -1.0f, 1.0f, 1.0f}};
    std::vector<MeshVertex> quad;
    quad.reserve(4);
    for (const Corner& corner : corners)
    {
        MeshVertex vertex{};
        vertex.position[0] = corner.x;
        vertex.position[1] = corner.y;
        vertex.position[2] = 0.0f;
        vertex.position[3] = 1.0f;
        vertex.normal[2] = -1.0f;
        vertex.texCoord[0] = corner.u;
        vertex.texCoord[1] = corner.v;
        vertex.color[0] = elapsedSeconds;
        vertex.color[1] = totalSeconds;
        vertex.color[2] = elapsedSeconds;
        vertex.color[3] = totalSeconds;
        vertex.tangent[0] = 1.0f;
        quad.push_back(vertex);
    }
    return quad;
}

std::vector<std::uint16_t> D3D11Offscreen::QuadIndices()
{
    return {0, 1, 2, 0, 2, 3};
}
