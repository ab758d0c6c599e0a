// D3D11Sky: the sphere, the sky's own depth and rasteriser states, and its constants.
// The sky shaders decide how the sphere meets the far plane; nothing here depends on the camera's range.
#include "graphics/drawables/D3D11Sky.h"

#include "graphics/AnsiConversion.h"
#include "graphics/formats/LoadDdsTexture.h"
#include "graphics/bindables/PixelShader.h"
#include "graphics/drawables/SkySphere.h"
#include "graphics/registries/ShaderClass.h"
#include "graphics/bindables/ShaderResource.h"
#include "graphics/bindables/VertexBuffer.h"
#include "graphics/bindables/VertexShader.h"
#include "scene/FreeCameraNode.h"
#include "scene/SceneTree.h"

#include <cmath>

using Microsoft::WRL::ComPtr;

namespace
{
Matrix4x4 WorldInverseTranspose(const Matrix4x4& world)
{
    Matrix4x4 a = world.Transposed();
    a.m[12] = 0.0f;
    a.m[13] = 0.0f;
    a.m[14] = 0.0f;
    a.m[15] = 1.0f;
    return a.Inverse().Transposed();
}
}

D3D11Sky::D3D11Sky(BaseRenderComponent* renderComponent, ID3D11Device* device, const std::wstring& textureFile)
    : D3D11Drawable(renderComponent, DrawPass_Main, nullptr)
{
    (void)renderComponent;   // the scene tree passes none; the sky has no actor
    const std::string user = "the sky of " + WideToAnsi(textureFile);
    std::vector<MeshVertex> vertices;
    std::vector<std::uint16_t> indices;
    BuildSphere(vertices, indices);
    AddBind(std::make_unique<VertexBuffer>(device, vertices));
    AddIndexBuffer(std::make_unique<IndexBuffer>(device, indices));

    ShaderClass* vertexShader = FindShader(L"SkyVertexShader.fx", user);
    ShaderClass* pixelShader = FindShader(L"SkyPixelShader.fx", user);
    if (vertexShader == nullptr || pixelShader == nullptr || vertexShader->GetVertexShader() == nullptr ||
        pixelShader->GetPixelShader() == nullptr)
    {
        Abandon();
        return;
    }
    AddBind(std::make_unique<VertexShader>(*vertexShader));
    AddBind(std::make_unique<PixelShader>(*pixelShader));

    // The loader names the file and the reason on standard error when it fails.
    ComPtr<ID3D11DeviceContext> context;
    device->GetImmediateContext(context.GetAddressOf());
    if (FAILED(LoadDdsTexture(device, context.Get(), textureFile.c_str(), m_texture.GetAddressOf(),
                              m_textureView.GetAddressOf())))
    {
        m_textureView.Reset();
        m_texture.Reset();
    }
    AddBind(std::make_unique<ShaderResource>(m_textureView.Get(), 0u));

    AddCommonStates(device, *vertexShader, DepthStencilDesc(), RasterizerDesc());

    const cbPerObject perObject = IdentityPerObject();
    m_vsPerObject = AddConstantBuffer<VertexConstantBuffer<cbPerObject>>(device, perObject, 0);
    // Both stages read the same record: one buffer, one upload.
    m_psPerObject = AddSharedConstantBuffer<PixelConstantBuffer<cbPerObject>>(m_vsPerObject->ShareBuffer(), 0);
    m_psPerFrame = AddConstantBuffer<PixelConstantBuffer<cbPerFrame>>(device, cbPerFrame{}, 1);
}

int D3D11Sky::OnUpdate(SceneTree* scene, float step, ID3D11DeviceContext* context)
{
    (void)scene;
    (void)step;
    (void)context;
    return 0;
}

int D3D11Sky::PreRender(SceneTree* scene, ID3D11DeviceContext* context)
{
    SceneNode::PreRender(scene, context);
    if (m_vsPerObject == nullptr)
    {
        return 0;
    }
    const Matrix4x4& world = scene->CurrentMatrix();
    // Zeroed whole: the sky has no material, and the shaders must not read leftovers.
    cbPerObject perObject{};
    perObject.world = world.Transposed();
    perObject.view = Matrix4x4::Identity();
    perObject.projection = Matrix4x4::Identity();
    if (const std::shared_ptr<FreeCameraNode>& camera = scene->GetCamera())
    {
        perObject.view = camera->GetView().Transposed();
        perObject.projection = camera->GetProj().Transposed();
    }
    perObject.worldInvTranspose = WorldInverseTranspose(world);
    m_vsPerObject->Update(context, perObject);
    m_psPerFrame->Update(context, cbPerFrame{});
    return 0;
}

void D3D11Sky::BuildSphere(std::vector<MeshVertex>& vertices, std::vector<std::uint16_t>& indices)
{
    SkySphere::Build(vertices, indices);
}

D3D11_DEPTH_STENCIL_DESC D3D11Sky::DepthStencilDesc()
{
    // The default state, except that the sky also passes where the depth equals the cleared far value.
    D3D11_DEPTH_STENCIL_DESC desc = DepthStencilState::DefaultDesc();
    desc.DepthFunc = D3D11_COMPARISON_LESS_EQUAL;
    return desc;
}

D3D11_RASTERIZER_DESC D3D11Sky::RasterizerDesc()
{
    // Seen from inside, the sphere's faces point away from the camera; none may be culled.
    D3D11_RASTERIZER_DESC desc = RasterizerState::DefaultDesc();
    desc.CullMode = D3D11_CULL_NONE;
    return desc;
}
