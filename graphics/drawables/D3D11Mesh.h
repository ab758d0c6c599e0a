// The drawable of an actor's mesh: geometry and material from the actor's MeshComponent, shaders named by its
// MeshRenderComponent, and per-object and per-frame constants written every frame before the draw. Every mesh
// of a device binds the same two constant buffers (per object, refilled before each draw; per frame), so that
// binding them changes nothing from one mesh to the next. It does not reload anything after construction: a
// resize or a material edit leaves its buffers and views alone.
#pragma once

#include "graphics/bindables/ConstantBuffer.h"
#include "graphics/bindables/ConstantBufferLayouts.h"
#include "graphics/drawables/D3D11Drawable.h"
#include "graphics/sharing/SharedConstantBuffer.h"
#include "scene/ActorComponentLink.h"

#include <memory>

#include <tiny_obj_loader.h>

class MeshComponent;
class MeshRenderComponent;
class PerObjectConstantRing;
class PerObjectSlotBinding;
struct ID3D11Device;

class D3D11Mesh : public D3D11Drawable
{
public:
    // Bind order: vertex buffer, index buffer, vertex shader, pixel shader, diffuse texture (slot 0),
    // [bump texture (slot 1)], input layout, topology, sampler, depth-stencil, rasterizer and blend states,
    // vertex-stage per-object buffer (b0), pixel-stage per-object buffer (b0), pixel-stage per-frame buffer (b1).
    // The two per-object binds are PerObjectSlotBindings where the device offers a PerObjectConstantRing, else
    // the per-draw buffer's binders (GetVsPerObject, GetPsPerObject; null with a ring).
    // Fallbacks rather than failures: an owner without a mesh component draws nothing; a mesh without
    // materials draws with FallbackMaterial; a texture that is missing or failed to load binds no view, and
    // the shader is told so (the flags in cbPerObject): without a diffuse texture the material's diffuse
    // colour is drawn as it is, without a normal map the interpolated vertex normal lights the surface. A
    // shader that is not in the registry leaves the node without bindables, drawing nothing.
    D3D11Mesh(MeshRenderComponent* renderComponent, const Matrix4x4* toWorld, ID3D11Device* device);

    int OnUpdate(SceneTree* scene, float step, ID3D11DeviceContext* context) override;
    // With a ring, inside a MeshPassBatch: the draw is held with the slot PreRender wrote, and made when the
    // batch submits. Otherwise drawn at once.
    int Render(SceneTree* scene, ID3D11DeviceContext* context) override;
    // Pushes the node's matrix, then writes world, view, projection, the inverse transpose, the material and
    // the two texture flags into the per-object buffer or ring slot that both stages bind, and the light into
    // the per-frame buffer; each only when it holds other bytes (the per-object one holds the previous mesh's).
    // Always 0.
    int PreRender(SceneTree* scene, ID3D11DeviceContext* context) override;

    // What a mesh without materials draws with: white diffuse, no ambient, specular or textures.
    static const tinyobj::material_t& FallbackMaterial();

    VertexConstantBuffer<cbPerObject>* GetVsPerObject() const { return m_vsPerObject; }
    PixelConstantBuffer<cbPerObject>* GetPsPerObject() const { return m_psPerObject; }
    PixelConstantBuffer<cbPerFrame>* GetPsPerFrame() const { return m_psPerFrame; }

private:
    // The owner's mesh component, found through the engine logic by actor id (never through the render
    // component, which may already be gone) and looked up again only when the scene's actors changed; null
    // when there is none.
    MeshComponent* FindMeshComponent(SceneTree* scene);

    VertexConstantBuffer<cbPerObject>* m_vsPerObject = nullptr;
    PixelConstantBuffer<cbPerObject>* m_psPerObject = nullptr;
    PixelConstantBuffer<cbPerFrame>* m_psPerFrame = nullptr;
    std::shared_ptr<SharedConstantBuffer<cbPerObject>> m_objectConstants;
    std::shared_ptr<PerObjectConstantRing> m_objectRing;
    std::shared_ptr<SharedConstantBuffer<cbPerFrame>> m_frameConstants;
    ActorComponentLink<MeshComponent> m_meshLink;
    // The last world matrix drawn with; the constants, of which the two made from it stay as they are until it
    // changes, and the rest is filled every frame.
    Matrix4x4 m_cachedWorld;
    bool m_worldCached = false;
    cbPerObject m_constants = IdentityPerObject();
    cbPerFrame m_frame{};
    // Whether a view was bound in slot 0 and slot 1; fixed at construction like the views themselves.
    bool m_hasDiffuseTexture = false;
    bool m_hasNormalMap = false;
    // With a ring: the pixel stage's slot binding, which knows whether the shader reads only the material.
    PerObjectSlotBinding* m_pixelSlot = nullptr;
};
