// D3D11Mesh: building the bindable list from the actor's components and filling the constants each frame.
// Texture and shader names are used exactly as the components hold them; the registries do the matching.
#include "graphics/drawables/D3D11Mesh.h"

#include "actors/Actor.h"
#include "actors/BaseEngineLogic.h"
#include "actors/MeshComponent.h"
#include "actors/MeshRenderComponent.h"
#include "graphics/AnsiConversion.h"
#include "graphics/bindables/PerObjectSlotBinding.h"
#include "graphics/bindables/PixelShader.h"
#include "graphics/bindables/ShaderResource.h"
#include "graphics/bindables/VertexBuffer.h"
#include "graphics/bindables/VertexShader.h"
#include "graphics/registries/ShaderClass.h"
#include "graphics/registries/TextureHolder.h"
#include "graphics/sharing/MeshPassBatch.h"
#include "graphics/sharing/PerObjectConstantRing.h"
#include "graphics/sharing/SameBytes.h"
#include "scene/FreeCameraNode.h"
#include "scene/LightManager.h"
#include "scene/SceneTree.h"
#include "scene/SubmissionProfile.h"

#include <cstring>
#include <iostream>
#include <optional>

namespace
{
// The view a texture name stands for: null for no name, or for one the registry does not hold or failed to
// load (that failure has already been reported by the registry).
ID3D11ShaderResourceView* TextureView(const std::string& name)
{
    TextureHolder* textures = TextureHolder::Instance();
    if (name.empty() || textures == nullptr || !textures->Contains(name))
    {
        return nullptr;
    }
    return textures->Get(name).GetTexture();
}

void Store3(float (&out)[3], const tinyobj::real_t (&in)[3])
{
    out[0] = in[0];
    out[1] = in[1];
    out[2] = in[2];
}

// The normals' matrix: the world matrix without its translation, inverted and transposed, in the transposed
// form the shaders read.
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

D3D11Mesh::D3D11Mesh(MeshRenderComponent* renderComponent, const Matrix4x4* toWorld, ID3D11Device* device)
    : D3D11Drawable(renderComponent, DrawPass_Main, toWorld)
{
    const std::shared_ptr<Actor>& owner = renderComponent != nullptr ? renderComponent->GetOwner() : nullptr;
    const std::string ownerName = owner ? owner->GetResource() + " (actor " + std::to_string(owner->GetId()) + ")"
                                        : std::string("a mesh without an actor");
    std::shared_ptr<MeshComponent> mesh;
    if (owner)
    {
        mesh = std::dynamic_pointer_cast<MeshComponent>(owner->GetComponent(MeshComponent::s_name.c_str()).lock());
    }
    if (!mesh)
    {
        std::cerr << ownerName << ": has no MeshComponent; its mesh draws nothing\n";
    }

    MeshData data = mesh ? mesh->BuildVertices() : MeshData{};
    AddBind(std::make_unique<VertexBuffer>(device, data.vertices));
    AddIndexBuffer(std::make_unique<IndexBuffer>(device, data.indices));

    const std::string vertexShaderName = renderComponent != nullptr ? renderComponent->GetVertexShaderFile() : "";
    const std::string pixelShaderName = renderComponent != nullptr ? renderComponent->GetPixelShaderFile() : "";
    ShaderClass* vertexShader = FindShader(AnsiToWide(vertexShaderName), ownerName);
    ShaderClass* pixelShader = FindShader(AnsiToWide(pixelShaderName), ownerName);
    if (vertexShader == nullptr || pixelShader == nullptr || vertexShader->GetVertexShader() == nullptr ||
        pixelShader->GetPixelShader() == nullptr)
    {
        if (vertexShader != nullptr && pixelShader != nullptr)
        {
            std::cerr << ownerName << ": \"" << vertexShaderName << "\" is not a vertex shader or \"" << pixelShaderName
                      << "\" not a pixel shader; its mesh draws nothing\n";
        }
        Abandon();
        return;
    }
    AddBind(std::make_unique<VertexShader>(*vertexShader));
    AddBind(std::make_unique<PixelShader>(*pixelShader));

    const tinyobj::material_t* material = mesh ? mesh->GetFirstMaterial() : nullptr;
    if (material == nullptr)
    {
        material = &FallbackMaterial();
    }
    // Always bound, even without a view, so that a mesh without a texture never shows the previous one's.
    ID3D11ShaderResourceView* diffuseView = TextureView(material->diffuse_texname);
    m_hasDiffuseTexture = diffuseView != nullptr;
    AddBind(std::make_unique<ShaderResource>(diffuseView, 0u));
    // Slot 1 stays unbound without a bump texture (the list keeps its 14 entries); the flag in the constants
    // tells the shader to ignore whatever an earlier draw left there.
    if (!material->bump_texname.empty())
    {
        ID3D11ShaderResourceView* bumpView = TextureView(material->bump_texname);
        m_hasNormalMap = bumpView != nullptr;
        AddBind(std::make_unique<ShaderResource>(bumpView, 1u));
    }

    AddCommonStates(device, *vertexShader);

    // Both stages read the same bytes, and each mesh writes them just before its own draw. Where the device
    // binds constant buffers at an offset, every draw has a slot of its own in one ring, written without a
    // fresh allocation; elsewhere one buffer serves every mesh, refilled with a discard map per draw (no
    // rebinding between meshes either way).
    m_objectRing = PerObjectConstantRing::ForDevice(device);
    if (m_objectRing)
    {
        AddPerDrawBind(std::make_unique<PerObjectSlotBinding>(m_objectRing, PerObjectSlotBinding::Stage::Vertex));
        // A pixel stage that reads only the material may keep an earlier mesh's slot with the same material.
        auto pixelSlot =
            std::make_unique<PerObjectSlotBinding>(m_objectRing, PerObjectSlotBinding::Stage::Pixel, pixelShader);
        m_pixelSlot = pixelSlot.get();
        AddPerDrawBind(std::move(pixelSlot));
    }
    else
    {
        const cbPerObject perObject = IdentityPerObject();
        m_objectConstants =
            SharedConstantBuffer<cbPerObject>::ForDevice(device, "mesh per-object constants", perObject);
        m_vsPerObject = AddSharedConstantBuffer<VertexConstantBuffer<cbPerObject>>(m_objectConstants->ShareBuffer(), 0);
        m_psPerObject = AddSharedConstantBuffer<PixelConstantBuffer<cbPerObject>>(m_objectConstants->ShareBuffer(), 0);
    }

    cbPerFrame perFrame{};
    const float ambient[4] = {0.2f, 0.2f, 0.2f, 1.0f};
    const float diffuse[4] = {0.9f, 0.9f, 0.9f, 1.0f};
    const float specular[4] = {0.8f, 0.8f, 0.8f, 1.0f};
    const float direction[4] = {0.0f, -1.0f, 1.0f, 1.0f};
    for (int i = 0; i < 4; ++i)
    {
        perFrame.lightAmbient[i] = ambient[i];
        perFrame.lightDiffuse[i] = diffuse[i];
        perFrame.lightSpecular[i] = specular[i];
        perFrame.lightDirection[i] = direction[i];
    }
    // The light and eye are the same for every mesh of a frame: one buffer for all of them.
    m_frameConstants = SharedConstantBuffer<cbPerFrame>::ForDevice(device, "mesh per-frame constants", perFrame);
    m_psPerFrame = AddSharedConstantBuffer<PixelConstantBuffer<cbPerFrame>>(m_frameConstants->ShareBuffer(), 1);
}

int D3D11Mesh::OnUpdate(SceneTree* scene, float step, ID3D11DeviceContext* context)
{
    (void)scene;
    (void)step;
    (void)context;
    return 0;
}

int D3D11Mesh::Render(SceneTree* scene, ID3D11DeviceContext* context)
{
    if (m_objectRing)
    {
        if (MeshPassBatch* batch = MeshPassBatch::OpenOn(context))
        {
            batch->Hold(*this, *m_objectRing, m_pixelSlot->ReadsMaterialOnly());
            return 0;
        }
    }
    return D3D11Drawable::Render(scene, context);
}

int D3D11Mesh::PreRender(SceneTree* scene, ID3D11DeviceContext* context)
{
    SceneNode::PreRender(scene, context);
    if (m_psPerFrame == nullptr)
    {
        return 0;   // abandoned at construction: nothing to fill, Render draws nothing
    }

    const MeshComponent* mesh = nullptr;
    {
        const SubmissionProfile::Scope timed(SubmissionProfile::Lookups);
        mesh = FindMeshComponent(scene);
    }

    std::optional<SubmissionProfile::Scope> constantsTimed(std::in_place, SubmissionProfile::Constants);
    const Matrix4x4& world = scene->CurrentMatrix();
    cbPerObject& perObject = m_constants;
    // The inverse is the dearest of the constants, and most meshes stand still: the world's two matrices are
    // worked out again only when the world matrix changed (the same bits in give the same bits out).
    if (!m_worldCached || !SameBytes(world.m, m_cachedWorld.m, sizeof(world.m)))
    {
        m_cachedWorld = world;
        perObject.world = world.Transposed();
        perObject.worldInvTranspose = WorldInverseTranspose(world);
        m_worldCached = true;
    }
    const std::shared_ptr<FreeCameraNode>& camera = scene->GetCamera();
    perObject.view = camera ? camera->GetViewTransposed() : Matrix4x4::Identity();
    perObject.projection = camera ? camera->GetProjTransposed() : Matrix4x4::Identity();

    const tinyobj::material_t* material = mesh ? mesh->GetFirstMaterial() : nullptr;
    if (material == nullptr)
    {
        material = &FallbackMaterial();
    }
    Store3(perObject.materialAmbient, material->ambient);
    Store3(perObject.materialDiffuse, material->diffuse);
    perObject.hasNormalMap = m_hasNormalMap ? 1.0f : 0.0f;
    perObject.hasDiffuseTexture = m_hasDiffuseTexture ? 1.0f : 0.0f;
    perObject.materialSpecular[0] = material->specular[0];
    perObject.materialSpecular[1] = material->specular[1];
    perObject.materialSpecular[2] = material->specular[2];
    perObject.materialSpecular[3] = material->shininess;
    perObject.materialConstant[0] = 0.1f;
    perObject.materialConstant[1] = 0.1f;
    perObject.materialConstant[2] = 0.1f;
    perObject.materialConstant[3] = 1.0f;
    constantsTimed.reset();

    const SubmissionProfile::Scope timed(SubmissionProfile::Writes);
    if (m_objectRing)
    {
        m_objectRing->Write(context, perObject);
    }
    else
    {
        m_objectConstants->Update(context, perObject);
    }

    // The light manager writes only the light and eye fields; the rest, zeroed at construction, goes to the GPU
    // too and stays zero.
    scene->GetLightManager()->FillLightConstants(m_frame);
    m_frameConstants->Update(context, m_frame);
    return 0;
}

MeshComponent* D3D11Mesh::FindMeshComponent(SceneTree* scene)
{
    if (m_props.m_actorId == kInvalidActorId)
    {
        return nullptr;
    }
    return m_meshLink.Find(*scene, m_props.m_actorId);
}

const tinyobj::material_t& D3D11Mesh::FallbackMaterial()
{
    static const tinyobj::material_t fallback = [] {
        tinyobj::material_t material{};
        material.diffuse[0] = 1.0f;
        material.diffuse[1] = 1.0f;
        material.diffuse[2] = 1.0f;
        material.dissolve = 1.0f;
        return material;
    }();
    return fallback;
}
