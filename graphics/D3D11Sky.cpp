// D3D11Sky: the sphere, the sky's own depth and rasteriser states, and its constants.
// The sky shaders decide how the sphere meets the far plane; nothing here depends on the camera's range.
#include "graphics/D3D11Sky.h"

#include "graphics/AnsiConversion.h"
#include "graphics/BlendState.h"
#include "graphics/DepthStencilState.h"
#include "graphics/InputLayout.h"
#include "graphics/LoadDdsTexture.h"
#include "graphics/PixelShader.h"
#include "graphics/RasterizerState.h"
#include "graphics/SamplerState.h"
#include "graphics/ShaderClass.h"
#include "graphics/ShaderResource.h"
#include "graphics/Topology.h"
#include "graphics/VertexBuffer.h"
#include "graphics/VertexShader.h"
#include "scene/FreeCameraNode.h"
#include "scene/SceneTree.h"

#include <cmath>

using Microsoft::WRL::ComPtr;

namespace
{
constexpr float kPi = 3.14159265358979f;

MeshVertex SkyVertex(float x, float y, float z, float nx, float ny, float nz, float tx, float ty, float tz, float u,
                     float v)
{
    MeshVertex vertex{};
    vertex.position[0] = x;
    vertex.position[1] = y;
    vertex.position[2] = z;
    vertex.position[3] = 1.0f;
    vertex.normal[0] = nx;
    vertex.normal[1] = ny;
    vertex.normal[2] = nz;
    vertex.texCoord[0] = u;
    vertex.texCoord[1] = v;
    vertex.tangent[0] = tx;
    vertex.tangent[1] = ty;
    vertex.tangent[2] = tz;
    return vertex;
}

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
    AddBind(std::make_unique<VertexShader>(vertexShader->GetByteCode(), vertexShader->GetVertexShader()));
    AddBind(std::make_unique<PixelShader>(pixelShader->GetByteCode(), pixelShader->GetPixelShader()));

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

    AddBind(std::make_unique<InputLayout>(device, vertexShader->GetByteCode()));
    AddBind(std::make_unique<Topology>(D3D11_PRIMITIVE_TOPOLOGY_TRIANGLELIST));
    AddBind(std::make_unique<SamplerState>(device));
    AddBind(std::make_unique<DepthStencilState>(device, DepthStencilDesc()));
    AddBind(std::make_unique<RasterizerState>(device, RasterizerDesc()));
    AddBind(std::make_unique<BlendState>(device));

    cbPerObject perObject{};
    perObject.world = Matrix4x4::Identity();
    perObject.view = Matrix4x4::Identity();
    perObject.projection = Matrix4x4::Identity();
    perObject.worldInvTranspose = Matrix4x4::Identity();
    m_vsPerObject = AddConstantBuffer<VertexConstantBuffer<cbPerObject>>(device, perObject, 0);
    m_psPerObject = AddConstantBuffer<PixelConstantBuffer<cbPerObject>>(device, perObject, 0);
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
    m_psPerObject->Update(context, perObject);
    m_psPerFrame->Update(context, cbPerFrame{});
    return 0;
}

void D3D11Sky::BuildSphere(std::vector<MeshVertex>& vertices, std::vector<std::uint16_t>& indices)
{
    vertices.clear();
    indices.clear();
    vertices.reserve(kVertexCount);
    indices.reserve(kIndexCount);

    const float r = kRadius;
    const float phiStep = kPi / kStacks;
    const float thetaStep = 2.0f * kPi / kSlices;
    vertices.push_back(SkyVertex(0.0f, r, 0.0f, 0.0f, 1.0f, 0.0f, 1.0f, 0.0f, 0.0f, 0.0f, 0.0f));
    for (int i = 1; i <= kStacks - 1; ++i)
    {
        const float phi = i * phiStep;
        for (int j = 0; j <= kSlices; ++j)
        {
            const float theta = j * thetaStep;
            const float x = r * std::sin(phi) * std::cos(theta);
            const float y = r * std::cos(phi);
            const float z = r * std::sin(phi) * std::sin(theta);
            const float length = std::sqrt(x * x + y * y + z * z);
            // d(position)/d(theta), flattened: the direction of growing u.
            const float tx = -r * std::sin(phi) * std::sin(theta);
            const float tz = r * std::sin(phi) * std::cos(theta);
            const float tangentLength = std::sqrt(tx * tx + tz * tz);
            vertices.push_back(SkyVertex(x, y, z, x / length, y / length, z / length, tx / tangentLength, 0.0f,
                                         tz / tangentLength, theta / (2.0f * kPi), phi / kPi));
        }
    }
    vertices.push_back(SkyVertex(0.0f, -r, 0.0f, 0.0f, -1.0f, 0.0f, 1.0f, 0.0f, 0.0f, 0.0f, 1.0f));

    for (std::uint16_t i = 1; i <= kSlices; ++i)
    {
        indices.insert(indices.end(), {0, static_cast<std::uint16_t>(i + 1), i});
    }
    const int base = 1;
    const int ringSize = kSlices + 1;
    for (int i = 0; i < kStacks - 2; ++i)
    {
        for (int j = 0; j < kSlices; ++j)
        {
            const auto at = [&](int ring, int slice) { return static_cast<std::uint16_t>(base + ring * ringSize + slice); };
            indices.insert(indices.end(), {at(i, j), at(i, j + 1), at(i + 1, j)});
            indices.insert(indices.end(), {at(i + 1, j), at(i, j + 1), at(i + 1, j + 1)});
        }
    }
    const auto south = static_cast<std::uint16_t>(vertices.size() - 1);
    const int southBase = south - ringSize;
    for (int j = 0; j < kSlices; ++j)
    {
        indices.insert(indices.end(), {south, static_cast<std::uint16_t>(southBase + j),
                                       static_cast<std::uint16_t>(southBase + j + 1)});
    }
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
