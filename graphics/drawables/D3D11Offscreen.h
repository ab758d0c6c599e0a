// The post-processing quad: two clip-space triangles covering the viewport, drawn into the back buffer with
// the offscreen image bound at pixel-shader slot 0 by the scene tree. The image effect is the shaders' own;
// the quad binds no texture, writes no constants after construction and is not touched by a resize.
#pragma once

#include "graphics/bindables/ConstantBuffer.h"
#include "graphics/bindables/ConstantBufferLayouts.h"
#include "graphics/drawables/D3D11Drawable.h"
#include "graphics/bindables/MeshVertex.h"

#include <cstdint>
#include <string>
#include <vector>

class D3D11Offscreen : public D3D11Drawable
{
public:
    // Vertex shader "PostVS.fx" and the named pixel shader come from the shader registry. Every vertex's
    // colour is (elapsed, total, elapsed, total) of the frame timer at this moment, and stays so.
    D3D11Offscreen(ID3D11Device* device, const std::wstring& pixelShaderFile);

    int OnUpdate(SceneTree* scene, float step, ID3D11DeviceContext* context) override;
    // Pushes the identity; writes nothing. Always 0.
    int PreRender(SceneTree* scene, ID3D11DeviceContext* context) override;

    // Corners bottom-left, top-left, top-right, bottom-right; texture (0, 0) at the top-left of the screen.
    static std::vector<MeshVertex> BuildQuad(float elapsedSeconds, float totalSeconds);
    // Two triangles, clockwise on screen.
    static std::vector<std::uint16_t> QuadIndices();

    VertexConstantBuffer<cbPerObject>* GetVsPerObject() const { return m_vsPerObject; }
    PixelConstantBuffer<cbPerObject>* GetPsPerObject() const { return m_psPerObject; }

private:
    VertexConstantBuffer<cbPerObject>* m_vsPerObject = nullptr;
    PixelConstantBuffer<cbPerObject>* m_psPerObject = nullptr;
};
