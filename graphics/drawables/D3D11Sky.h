// The sky: a UV sphere of radius 5000 around the world origin, seen from inside, textured from a DDS file and
// drawn after the meshes with a less-or-equal depth test and no culling. It does not follow the camera and
// never rebuilds anything; the scene tree keeps two of them outside the node hierarchy.
#pragma once

#include "graphics/bindables/ConstantBuffer.h"
#include "graphics/bindables/ConstantBufferLayouts.h"
#include "graphics/drawables/D3D11Drawable.h"
#include "graphics/bindables/MeshVertex.h"
#include "graphics/drawables/SkySphere.h"

#include <d3d11.h>
#include <wrl/client.h>

#include <cstdint>
#include <string>
#include <vector>

class D3D11Sky : public D3D11Drawable
{
public:
    static constexpr float kRadius = SkySphere::kRadius;
    static constexpr int kSlices = SkySphere::kSlices;
    static constexpr int kStacks = SkySphere::kStacks;
    static constexpr std::size_t kVertexCount = SkySphere::kVertexCount;
    static constexpr std::size_t kIndexCount = SkySphere::kIndexCount;

    // Shaders "SkyVertexShader.fx" and "SkyPixelShader.fx" come from the shader registry. A texture that does
    // not load is reported by the loader and leaves nothing bound at pixel-shader slot 0; the sky still draws.
    D3D11Sky(BaseRenderComponent* renderComponent, ID3D11Device* device, const std::wstring& textureFile);

    int OnUpdate(SceneTree* scene, float step, ID3D11DeviceContext* context) override;
    // Pushes the identity and writes world, view, projection and the inverse transpose into the per-object
    // buffer that both stages bind; the per-frame buffer gets zeros. Always 0.
    int PreRender(SceneTree* scene, ID3D11DeviceContext* context) override;

    // SkySphere::Build: the sphere in the order the index buffer expects.
    static void BuildSphere(std::vector<MeshVertex>& vertices, std::vector<std::uint16_t>& indices);
    static D3D11_DEPTH_STENCIL_DESC DepthStencilDesc();
    static D3D11_RASTERIZER_DESC RasterizerDesc();

    ID3D11ShaderResourceView* GetTextureView() const { return m_textureView.Get(); }
    VertexConstantBuffer<cbPerObject>* GetVsPerObject() const { return m_vsPerObject; }
    PixelConstantBuffer<cbPerObject>* GetPsPerObject() const { return m_psPerObject; }
    PixelConstantBuffer<cbPerFrame>* GetPsPerFrame() const { return m_psPerFrame; }

private:
    // Declared texture first, so that the view is released before it.
    Microsoft::WRL::ComPtr<ID3D11Resource> m_texture;
    Microsoft::WRL::ComPtr<ID3D11ShaderResourceView> m_textureView;
    VertexConstantBuffer<cbPerObject>* m_vsPerObject = nullptr;
    PixelConstantBuffer<cbPerObject>* m_psPerObject = nullptr;
    PixelConstantBuffer<cbPerFrame>* m_psPerFrame = nullptr;
};
