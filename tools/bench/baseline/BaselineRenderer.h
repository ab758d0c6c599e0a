// The baseline's Direct3D side: every buffer, view, state and shader made once, and a frame drawn with as few
// state changes as the picture allows (meshes sorted by shader and texture, one constant-buffer update per
// mesh, then the sky into the offscreen target and the post quad into the back buffer). No scene graph, no
// per-drawable bindable lists, no overlay; presenting and reading back are separate calls.
#pragma once

#include "graphics/bindables/ConstantBuffer.h"
#include "graphics/bindables/ConstantBufferLayouts.h"
#include "graphics/registries/ShaderHolder.h"
#include "graphics/registries/TextureHolder.h"
#include "tools/bench/baseline/BaselineWorld.h"

#include <d3d11.h>
#include <wrl/client.h>

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class BlendState;
class D3DClass;
class DepthStencilState;
class IndexBuffer;
class InputLayout;
class PresentationCamera;
class RasterizerState;
class SamplerState;
class VertexBuffer;

class BaselineRenderer
{
public:
    // What one frame submits, for the report.
    struct FrameCounts
    {
        std::size_t meshes = 0;         // world meshes drawn
        std::size_t triangles = 0;      // of the world meshes
        std::size_t draws = 0;          // draw calls, sky and post included
        std::size_t stateChanges = 0;   // shader, layout, texture and buffer bindings made per frame
    };

    BaselineRenderer(D3DClass& d3d, int width, int height);
    ~BaselineRenderer();
    BaselineRenderer(const BaselineRenderer&) = delete;
    BaselineRenderer& operator=(const BaselineRenderer&) = delete;

    // Start-up steps in the engine's order. Each returns false, with "file: reason" on standard error, when
    // something the frame cannot do without is missing; a failed Direct3D call throws DxException.
    bool LoadSkyTextures();   // "10.dds" and "11.dds"
    bool CompileShaders();    // the mesh, sky and post shader files
    void CreateScene();       // render targets, pipeline states, sky sphere and post quad
    // The world's meshes: OBJ files, material textures, the shaders they name, vertex and index buffers, and
    // the draw order. Meshes that cannot be loaded are reported and left out.
    void LoadWorld(const BaselineWorld& world);

    // Records one frame on the immediate context (nothing is presented).
    void RenderFrame(const PresentationCamera& camera);
    // Presents without waiting for vertical sync.
    void Present();
    // The back buffer as R, G, B, A bytes, row by row; call between RenderFrame and Present.
    bool ReadBackBuffer(std::vector<std::uint8_t>& rgba);

    const FrameCounts& Counts() const { return m_counts; }

private:
    struct MeshResources
    {
        std::unique_ptr<VertexBuffer> vertexBuffer;
        std::unique_ptr<IndexBuffer> indexBuffer;
        UINT indexCount = 0;
        ID3D11ShaderResourceView* diffuse = nullptr;   // borrowed from m_textures; null draws the material colour
        ID3D11ShaderResourceView* bump = nullptr;
        cbPerObject material{};   // the material fields; the matrices are per instance
    };
    struct ShaderPair
    {
        ID3D11VertexShader* vertexShader = nullptr;
        ID3D11PixelShader* pixelShader = nullptr;
        ID3D11InputLayout* layout = nullptr;
    };
    struct DrawItem
    {
        ShaderPair shaders;
        const MeshResources* mesh = nullptr;
        cbPerObject constants{};   // world matrices and material; view and projection per frame
    };

    std::optional<ShaderPair> ShadersFor(const std::string& vertexShader, const std::string& pixelShader);
    ID3D11ShaderResourceView* Texture(const std::string& fileName);
    void UpdatePerObject(const cbPerObject& constants);

    D3DClass& m_d3d;
    ID3D11Device* m_device;
    ID3D11DeviceContext* m_context;
    int m_width;
    int m_height;

    ShaderHolder m_shaders;
    TextureHolder m_textures;
    std::map<std::wstring, std::unique_ptr<InputLayout>> m_layouts;   // by vertex shader file
    std::map<std::string, std::unique_ptr<MeshResources>> m_meshes;   // by OBJ file; null when it failed
    std::vector<DrawItem> m_drawList;
    std::optional<WorldLight> m_light;

    Microsoft::WRL::ComPtr<ID3D11ShaderResourceView> m_skyViews[2];
    std::unique_ptr<MeshResources> m_skySphere;
    std::unique_ptr<MeshResources> m_postQuad;
    ShaderPair m_skyShaders;
    ShaderPair m_postShaders;

    Microsoft::WRL::ComPtr<ID3D11RenderTargetView> m_backBufferView;
    Microsoft::WRL::ComPtr<ID3D11Texture2D> m_offscreenTexture;
    Microsoft::WRL::ComPtr<ID3D11RenderTargetView> m_offscreenTarget;
    Microsoft::WRL::ComPtr<ID3D11ShaderResourceView> m_offscreenView;
    Microsoft::WRL::ComPtr<ID3D11Texture2D> m_depthBuffer;
    Microsoft::WRL::ComPtr<ID3D11DepthStencilView> m_depthView;
    std::unique_ptr<DepthStencilState> m_meshDepth;
    std::unique_ptr<DepthStencilState> m_skyDepth;
    std::unique_ptr<RasterizerState> m_meshRaster;
    std::unique_ptr<RasterizerState> m_skyRaster;
    std::unique_ptr<SamplerState> m_sampler;
    std::unique_ptr<BlendState> m_blend;
    std::unique_ptr<VertexConstantBuffer<cbPerObject>> m_perObject;
    std::unique_ptr<PixelConstantBuffer<cbPerFrame>> m_perFrame;

    FrameCounts m_counts;
};
