// BaselineRenderer: see BaselineRenderer.h. The frame keeps the engine's picture (offscreen target, meshes,
// sky after them against the same depth buffer, post quad into the back buffer) and drops everything the
// picture does not need: state set once stays set, and a binding is only made when it changes.
#include "tools/bench/baseline/BaselineRenderer.h"

#include "graphics/AnsiConversion.h"
#include "graphics/bindables/BlendState.h"
#include "graphics/D3DClass.h"
#include "graphics/bindables/DepthStencilState.h"
#include "graphics/DxException.h"
#include "graphics/bindables/IndexBuffer.h"
#include "graphics/bindables/InputLayout.h"
#include "graphics/formats/LoadDdsTexture.h"
#include "graphics/bindables/RasterizerState.h"
#include "graphics/bindables/SamplerState.h"
#include "graphics/bindables/VertexBuffer.h"
#include "tools/bench/baseline/ObjMesh.h"
#include "tools/bench/baseline/PresentationCamera.h"
#include "tools/bench/baseline/SkyAndPostGeometry.h"

#include <algorithm>
#include <cstring>
#include <iostream>
#include <tuple>

using Microsoft::WRL::ComPtr;

namespace
{
const char* const kMeshVertexShader = "BasicNormalMapVertexShader.fx";
const char* const kMeshPixelShader = "BasicNormalMapPixelShader.fx";
const char* const kSkyVertexShader = "SkyVertexShader.fx";
const char* const kSkyPixelShader = "SkyPixelShader.fx";
const char* const kPostVertexShader = "PostVS.fx";
const char* const kPostPixelShader = "PostPS.fx";
const wchar_t* const kSkyTextures[2] = {L"10.dds", L"11.dds"};

// The per-object matrices the shaders expect: transposed, and the normal matrix from the world matrix with its
// last column forced to (0, 0, 0, 1), as the engine's drawables compute it.
void SetWorld(cbPerObject& constants, const Matrix4x4& world)
{
    constants.world = world.Transposed();
    Matrix4x4 affine = world.Transposed();
    affine.m[12] = 0.0f;
    affine.m[13] = 0.0f;
    affine.m[14] = 0.0f;
    affine.m[15] = 1.0f;
    constants.worldInvTranspose = affine.Inverse().Transposed();
}
}

BaselineRenderer::BaselineRenderer(D3DClass& d3d, int width, int height)
    : m_d3d(d3d), m_device(d3d.GetDevice()), m_context(d3d.GetDeviceContext()), m_width(width), m_height(height)
{
}

BaselineRenderer::~BaselineRenderer() = default;

bool BaselineRenderer::LoadSkyTextures()
{
    bool loaded = true;
    for (int i = 0; i < 2; ++i)
    {
        // The engine draws a sky whose file failed as black; so does the baseline (LoadDdsTexture has said why).
        if (FAILED(LoadDdsTexture(m_device, m_context, kSkyTextures[i], nullptr, m_skyViews[i].GetAddressOf())))
        {
            loaded = false;
        }
    }
    return loaded;
}

bool BaselineRenderer::CompileShaders()
{
    const auto sky = ShadersFor(kSkyVertexShader, kSkyPixelShader);
    const auto post = ShadersFor(kPostVertexShader, kPostPixelShader);
    const auto mesh = ShadersFor(kMeshVertexShader, kMeshPixelShader);
    if (!sky || !post || !mesh)
    {
        return false;
    }
    m_skyShaders = *sky;
    m_postShaders = *post;
    return true;
}

std::optional<BaselineRenderer::ShaderPair> BaselineRenderer::ShadersFor(const std::string& vertexShader,
                                                                         const std::string& pixelShader)
{
    const std::wstring vertexName = AnsiToWide(vertexShader);
    const std::wstring pixelName = AnsiToWide(pixelShader);
    // A file the registry cannot compile has its messages in "shader-error.txt"; a missing one has thrown.
    bool compiled = true;
    try
    {
        compiled = m_shaders.Register(m_device, vertexName, ShaderClass::Vertex) &&
                   m_shaders.Register(m_device, pixelName, ShaderClass::Pixel);
    }
    catch (const DxException& error)
    {
        std::wcerr << error.ToString() << L"\n";
        compiled = false;
    }
    if (!compiled || !m_shaders.Get(vertexName).GetVertexShader() || !m_shaders.Get(pixelName).GetPixelShader())
    {
        std::cerr << vertexShader << ", " << pixelShader << ": cannot make this vertex and pixel shader pair"
                  << " (see " << ShaderClass::kErrorFileName << ")\n";
        return std::nullopt;
    }
    ShaderClass& vertex = m_shaders.Get(vertexName);
    std::unique_ptr<InputLayout>& layout = m_layouts[vertexName];
    if (!layout)
    {
        layout = std::make_unique<InputLayout>(m_device, vertex.GetByteCode());
    }
    return ShaderPair{vertex.GetVertexShader(), m_shaders.Get(pixelName).GetPixelShader(), layout->Get()};
}

void BaselineRenderer::CreateScene()
{
    // Targets as the engine's scene tree makes them, same formats and flags, so the GPU does the same work.
    D3D11_TEXTURE2D_DESC offscreenDesc = {};
    offscreenDesc.Width = static_cast<UINT>(m_width);
    offscreenDesc.Height = static_cast<UINT>(m_height);
    offscreenDesc.MipLevels = 1;
    offscreenDesc.ArraySize = 1;
    offscreenDesc.Format = DXGI_FORMAT_R8G8B8A8_UNORM;
    offscreenDesc.SampleDesc.Count = 1;
    offscreenDesc.Usage = D3D11_USAGE_DEFAULT;
    offscreenDesc.BindFlags = D3D11_BIND_SHADER_RESOURCE | D3D11_BIND_RENDER_TARGET | D3D11_BIND_UNORDERED_ACCESS;
    DX_THROW_IF_FAILED(m_device->CreateTexture2D(&offscreenDesc, nullptr, m_offscreenTexture.GetAddressOf()));
    DX_THROW_IF_FAILED(
        m_device->CreateShaderResourceView(m_offscreenTexture.Get(), nullptr, m_offscreenView.GetAddressOf()));
    DX_THROW_IF_FAILED(
        m_device->CreateRenderTargetView(m_offscreenTexture.Get(), nullptr, m_offscreenTarget.GetAddressOf()));

    ComPtr<ID3D11Texture2D> backBuffer;
    DX_THROW_IF_FAILED(m_d3d.GetSwapChain()->GetBuffer(0, IID_PPV_ARGS(backBuffer.GetAddressOf())));
    DX_THROW_IF_FAILED(m_device->CreateRenderTargetView(backBuffer.Get(), nullptr, m_backBufferView.GetAddressOf()));

    D3D11_TEXTURE2D_DESC depthDesc = offscreenDesc;
    depthDesc.Format = DXGI_FORMAT_D24_UNORM_S8_UINT;
    depthDesc.BindFlags = D3D11_BIND_DEPTH_STENCIL;
    DX_THROW_IF_FAILED(m_device->CreateTexture2D(&depthDesc, nullptr, m_depthBuffer.GetAddressOf()));
    D3D11_DEPTH_STENCIL_VIEW_DESC depthViewDesc = {};
    depthViewDesc.Format = DXGI_FORMAT_D24_UNORM_S8_UINT;
    depthViewDesc.ViewDimension = D3D11_DSV_DIMENSION_TEXTURE2D;
    DX_THROW_IF_FAILED(
        m_device->CreateDepthStencilView(m_depthBuffer.Get(), &depthViewDesc, m_depthView.GetAddressOf()));

    m_meshDepth = std::make_unique<DepthStencilState>(m_device);
    D3D11_DEPTH_STENCIL_DESC skyDepthDesc = DepthStencilState::DefaultDesc();
    skyDepthDesc.DepthFunc = D3D11_COMPARISON_LESS_EQUAL;
    m_skyDepth = std::make_unique<DepthStencilState>(m_device, skyDepthDesc);
    m_meshRaster = std::make_unique<RasterizerState>(m_device);
    D3D11_RASTERIZER_DESC skyRasterDesc = RasterizerState::DefaultDesc();
    skyRasterDesc.CullMode = D3D11_CULL_NONE;
    m_skyRaster = std::make_unique<RasterizerState>(m_device, skyRasterDesc);
    m_sampler = std::make_unique<SamplerState>(m_device);
    m_blend = std::make_unique<BlendState>(m_device);
    m_perObject = std::make_unique<VertexConstantBuffer<cbPerObject>>(m_device, cbPerObject{});
    m_perFrame = std::make_unique<PixelConstantBuffer<cbPerFrame>>(m_device, cbPerFrame{});

    const auto upload = [this](const IndexedGeometry& geometry) {
        auto resources = std::make_unique<MeshResources>();
        resources->vertexBuffer = std::make_unique<VertexBuffer>(m_device, geometry.vertices);
        resources->indexBuffer = std::make_unique<IndexBuffer>(m_device, geometry.indices);
        resources->indexCount = static_cast<UINT>(geometry.indices.size());
        return resources;
    };
    m_skySphere = upload(BuildSkySphere());
    m_postQuad = upload(BuildPostQuad());

    // State no draw of the frame changes: set once, never again.
    m_blend->Bind(m_context);
    m_sampler->Bind(m_context);
    m_context->IASetPrimitiveTopology(D3D11_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
    D3D11_VIEWPORT viewport = {0.0f, 0.0f, static_cast<float>(m_width), static_cast<float>(m_height), 0.0f, 1.0f};
    m_context->RSSetViewports(1, &viewport);
    ID3D11Buffer* perObject = m_perObject->GetBuffer();
    ID3D11Buffer* perFrame = m_perFrame->GetBuffer();
    m_context->VSSetConstantBuffers(0, 1, &perObject);
    m_context->PSSetConstantBuffers(0, 1, &perObject);
    m_context->PSSetConstantBuffers(1, 1, &perFrame);
}

ID3D11ShaderResourceView* BaselineRenderer::Texture(const std::string& fileName)
{
    if (fileName.empty())
    {
        return nullptr;
    }
    // A texture that fails has been reported by its loader; the mesh draws without it, as in the engine.
    m_textures.LoadTexture(m_device, m_context, fileName);
    return m_textures.Get(fileName).GetTexture();
}

void BaselineRenderer::LoadWorld(const BaselineWorld& world)
{
    m_light = world.Light();
    for (const MeshInstance& instance : world.Meshes())
    {
        auto [found, isNew] = m_meshes.try_emplace(instance.objFile);
        if (isNew)
        {
            if (std::optional<ObjMesh> mesh = ObjMesh::Load(instance.objFile))
            {
                auto resources = std::make_unique<MeshResources>();
                resources->vertexBuffer = std::make_unique<VertexBuffer>(m_device, mesh->vertices);
                resources->indexBuffer = std::make_unique<IndexBuffer>(m_device, mesh->indices);
                resources->indexCount = static_cast<UINT>(mesh->indices.size());
                cbPerObject& constants = resources->material;
                if (mesh->hasMaterial)
                {
                    const ObjMaterial& material = mesh->material;
                    resources->diffuse = Texture(material.diffuseTexture);
                    resources->bump = Texture(material.bumpTexture);
                    std::copy(material.ambient, material.ambient + 3, constants.materialAmbient);
                    std::copy(material.diffuse, material.diffuse + 3, constants.materialDiffuse);
                    std::copy(material.specular, material.specular + 3, constants.materialSpecular);
                    constants.materialSpecular[3] = material.shininess;
                }
                else
                {
                    std::fill(constants.materialDiffuse, constants.materialDiffuse + 3, 1.0f);   // the engine's white
                }
                // As in the engine: the shader ignores a slot whose texture is missing and draws the material's
                // colour with the vertex normal instead.
                constants.hasDiffuseTexture = resources->diffuse != nullptr ? 1.0f : 0.0f;
                constants.hasNormalMap = resources->bump != nullptr ? 1.0f : 0.0f;
                const float materialConstant[4] = {0.1f, 0.1f, 0.1f, 1.0f};
                std::copy(materialConstant, materialConstant + 4, resources->material.materialConstant);
                found->second = std::move(resources);
            }
        }
        const MeshResources* mesh = found->second.get();
        if (mesh == nullptr)
        {
            continue;
        }
        const std::optional<ShaderPair> shaders = ShadersFor(instance.vertexShader, instance.pixelShader);
        if (!shaders)
        {
            std::cerr << instance.objFile << ": actor " << instance.actorNumber << " is left out: no shaders\n";
            continue;
        }
        DrawItem item;
        item.shaders = *shaders;
        item.mesh = mesh;
        item.constants = mesh->material;
        SetWorld(item.constants, instance.world);
        m_drawList.push_back(item);
    }

    // Grouped so that every shader, texture and buffer is bound once per run of equal items.
    std::stable_sort(m_drawList.begin(), m_drawList.end(), [](const DrawItem& a, const DrawItem& b) {
        return std::make_tuple(a.shaders.vertexShader, a.shaders.pixelShader, a.mesh->diffuse, a.mesh->bump, a.mesh) <
               std::make_tuple(b.shaders.vertexShader, b.shaders.pixelShader, b.mesh->diffuse, b.mesh->bump, b.mesh);
    });
}

void BaselineRenderer::UpdatePerObject(const cbPerObject& constants)
{
    m_perObject->Update(m_context, constants);
}

void BaselineRenderer::RenderFrame(const PresentationCamera& camera)
{
    m_counts = FrameCounts{};
    // Last frame left the offscreen image bound as a texture; it cannot be a texture and a target at once.
    ID3D11ShaderResourceView* noViews[2] = {nullptr, nullptr};
    m_context->PSSetShaderResources(0, 2, noViews);

    const float black[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    m_context->ClearRenderTargetView(m_offscreenTarget.Get(), black);
    m_context->ClearDepthStencilView(m_depthView.Get(), D3D11_CLEAR_DEPTH | D3D11_CLEAR_STENCIL, 1.0f, 0);
    ID3D11RenderTargetView* offscreen = m_offscreenTarget.Get();
    m_context->OMSetRenderTargets(1, &offscreen, m_depthView.Get());
    m_meshDepth->Bind(m_context);
    m_meshRaster->Bind(m_context);
    m_counts.stateChanges += 4;

    // Light: the world's first light shining along its z axis, seen from the camera; without one, the
    // engine's fixed default light.
    cbPerFrame frame{};
    const WorldLight light = m_light.value_or(WorldLight{});
    std::copy(light.ambient, light.ambient + 4, frame.lightAmbient);
    std::copy(light.diffuse, light.diffuse + 4, frame.lightDiffuse);
    std::copy(light.specular, light.specular + 4, frame.lightSpecular);
    if (m_light)
    {
        std::copy(light.direction, light.direction + 3, frame.lightDirection);
        std::copy(camera.Position().begin(), camera.Position().end(), frame.eyePosition);
    }
    else
    {
        frame.lightDirection[1] = -1.0f;
    }
    frame.lightDirection[3] = 1.0f;
    m_perFrame->Update(m_context, frame);

    const Matrix4x4 view = camera.View().Transposed();
    const Matrix4x4 projection = camera.Projection().Transposed();

    ShaderPair bound;
    ID3D11ShaderResourceView* boundTextures[2] = {nullptr, nullptr};
    const MeshResources* boundMesh = nullptr;
    const auto bindShaders = [this, &bound](const ShaderPair& shaders) {
        if (shaders.vertexShader != bound.vertexShader)
        {
            m_context->VSSetShader(shaders.vertexShader, nullptr, 0);
            ++m_counts.stateChanges;
        }
        if (shaders.pixelShader != bound.pixelShader)
        {
            m_context->PSSetShader(shaders.pixelShader, nullptr, 0);
            ++m_counts.stateChanges;
        }
        if (shaders.layout != bound.layout)
        {
            m_context->IASetInputLayout(shaders.layout);
            ++m_counts.stateChanges;
        }
        bound = shaders;
    };
    const auto bindBuffers = [this, &boundMesh](const MeshResources& mesh) {
        if (&mesh != boundMesh)
        {
            mesh.vertexBuffer->Bind(m_context);
            mesh.indexBuffer->Bind(m_context);
            m_counts.stateChanges += 2;
            boundMesh = &mesh;
        }
    };

    for (DrawItem& item : m_drawList)
    {
        bindShaders(item.shaders);
        if (item.mesh->diffuse != boundTextures[0] || item.mesh->bump != boundTextures[1])
        {
            boundTextures[0] = item.mesh->diffuse;
            boundTextures[1] = item.mesh->bump;
            m_context->PSSetShaderResources(0, 2, boundTextures);
            ++m_counts.stateChanges;
        }
        bindBuffers(*item.mesh);
        item.constants.view = view;
        item.constants.projection = projection;
        UpdatePerObject(item.constants);
        m_context->DrawIndexed(item.mesh->indexCount, 0, 0);
        ++m_counts.draws;
        ++m_counts.meshes;
        m_counts.triangles += item.mesh->indexCount / 3;
    }

    // Sky: after the meshes, into the same target and depth buffer, filling only what they left empty.
    cbPerObject sky{};
    SetWorld(sky, Matrix4x4{});
    sky.view = view;
    sky.projection = projection;
    UpdatePerObject(sky);
    bindShaders(m_skyShaders);
    ID3D11ShaderResourceView* skyView = m_skyViews[camera.SkySelector() == 1 ? 1 : 0].Get();
    m_context->PSSetShaderResources(0, 1, &skyView);
    m_skyDepth->Bind(m_context);
    m_skyRaster->Bind(m_context);
    bindBuffers(*m_skySphere);
    m_context->DrawIndexed(m_skySphere->indexCount, 0, 0);
    m_counts.stateChanges += 3;
    ++m_counts.draws;

    // Post pass: the quad covers the whole back buffer, so it needs neither a clear nor a depth buffer.
    ID3D11RenderTargetView* backBuffer = m_backBufferView.Get();
    m_context->OMSetRenderTargets(1, &backBuffer, nullptr);
    ID3D11ShaderResourceView* offscreenView = m_offscreenView.Get();
    m_context->PSSetShaderResources(0, 1, &offscreenView);
    bindShaders(m_postShaders);
    bindBuffers(*m_postQuad);
    m_context->DrawIndexed(m_postQuad->indexCount, 0, 0);
    m_counts.stateChanges += 2;
    ++m_counts.draws;
}

void BaselineRenderer::Present()
{
    // The result is ignored, as the engine ignores it: an occluded window is not an error.
    m_d3d.GetSwapChain()->Present(0, 0);
}

bool BaselineRenderer::ReadBackBuffer(std::vector<std::uint8_t>& rgba)
{
    ComPtr<ID3D11Texture2D> backBuffer;
    DX_THROW_IF_FAILED(m_d3d.GetSwapChain()->GetBuffer(0, IID_PPV_ARGS(backBuffer.GetAddressOf())));
    D3D11_TEXTURE2D_DESC desc = {};
    backBuffer->GetDesc(&desc);
    if (desc.Format != DXGI_FORMAT_R8G8B8A8_UNORM)
    {
        std::cerr << "back buffer: format " << desc.Format << " cannot be saved\n";
        return false;
    }
    desc.BindFlags = 0;
    desc.MiscFlags = 0;
    desc.Usage = D3D11_USAGE_STAGING;
    desc.CPUAccessFlags = D3D11_CPU_ACCESS_READ;
    ComPtr<ID3D11Texture2D> staging;
    DX_THROW_IF_FAILED(m_device->CreateTexture2D(&desc, nullptr, staging.GetAddressOf()));
    m_context->CopyResource(staging.Get(), backBuffer.Get());
    D3D11_MAPPED_SUBRESOURCE mapped = {};
    DX_THROW_IF_FAILED(m_context->Map(staging.Get(), 0, D3D11_MAP_READ, 0, &mapped));
    const std::size_t rowBytes = static_cast<std::size_t>(desc.Width) * 4;
    rgba.resize(rowBytes * desc.Height);
    for (UINT row = 0; row < desc.Height; ++row)
    {
        std::memcpy(rgba.data() + row * rowBytes,
                    static_cast<const std::uint8_t*>(mapped.pData) + row * mapped.RowPitch, rowBytes);
    }
    m_context->Unmap(staging.Get(), 0);
    return true;
}
