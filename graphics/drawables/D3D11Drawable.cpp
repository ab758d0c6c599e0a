// D3D11Drawable: the bindable list, the draw and the shader lookup that the three drawables share.
// It never re-creates anything after construction.
#include "graphics/drawables/D3D11Drawable.h"

#include "graphics/AnsiConversion.h"
#include "graphics/bindables/BlendState.h"
#include "graphics/bindables/InputLayout.h"
#include "graphics/bindables/SamplerState.h"
#include "graphics/registries/ShaderHolder.h"
#include "graphics/sharing/MeshPassBatch.h"
#include "graphics/bindables/Topology.h"
#include "scene/SubmissionProfile.h"

#include <d3d11.h>

#include <cassert>
#include <iostream>
#include <stdexcept>

D3D11Drawable::D3D11Drawable(BaseRenderComponent* renderComponent, DrawPass renderPass, const Matrix4x4* toWorld)
    : SceneNode(renderComponent, renderPass, toWorld)
{
}

int D3D11Drawable::Render(SceneTree* scene, ID3D11DeviceContext* context)
{
    (void)scene;
    if (MeshPassBatch* batch = MeshPassBatch::OpenOn(context))
    {
        batch->Submit();
    }
    Submit(context);
    return 0;
}

void D3D11Drawable::Submit(ID3D11DeviceContext* context)
{
    if (m_indexBuffer == nullptr || m_indexBuffer->m_count == 0)
    {
        return;
    }
    {
        const SubmissionProfile::Scope timed(SubmissionProfile::Binds);
        const BindingRecord::StateSet* const key = StateKey(context);
        if (!BindingRecord::Of(context).Holds(key))
        {
            BindState(context);
        }
        // Last: their kinds and slots are not the others', so the order among them does not matter.
        for (Bindable* bindable : m_perDrawBinds)
        {
            bindable->Bind(context);
        }
    }
    const SubmissionProfile::Scope timed(SubmissionProfile::Draws);
    context->DrawIndexed(m_indexBuffer->m_count, 0u, 0);
}

const BindingRecord::StateSet* D3D11Drawable::StateKey(ID3D11DeviceContext* context)
{
    if (!m_stateSetKnown)
    {
        m_stateSet = BindingRecord::Of(context).Capture([&] {
            for (Bindable* bindable : m_stateBinds)
            {
                bindable->Bind(context);
            }
        });
        m_stateSetKnown = true;
    }
    return m_stateSet;
}

void D3D11Drawable::BindState(ID3D11DeviceContext* context)
{
    for (Bindable* bindable : m_stateBinds)
    {
        bindable->Bind(context);
    }
    BindingRecord::Of(context).Hold(StateKey(context));
}

void D3D11Drawable::AddBind(std::unique_ptr<Bindable> bindable)
{
    assert(bindable && "a drawable binds only real bindables");
    m_stateBinds.push_back(bindable.get());
    m_bindables.push_back(std::move(bindable));
    m_stateSetKnown = false;
}

void D3D11Drawable::AddPerDrawBind(std::unique_ptr<Bindable> bindable)
{
    assert(bindable && "a drawable binds only real bindables");
    m_perDrawBinds.push_back(bindable.get());
    m_bindables.push_back(std::move(bindable));
}

void D3D11Drawable::AddIndexBuffer(std::unique_ptr<IndexBuffer> indexBuffer)
{
    assert(indexBuffer && "a drawable needs a real index buffer");
    m_indexBuffer = indexBuffer.get();
    m_stateBinds.push_back(indexBuffer.get());
    m_bindables.push_back(std::move(indexBuffer));
    m_stateSetKnown = false;
}

ShaderClass* D3D11Drawable::FindShader(const std::wstring& fileName, const std::string& user)
{
    ShaderHolder* shaders = ShaderHolder::Instance();
    if (shaders == nullptr)
    {
        std::cerr << WideToAnsi(fileName) << ": no shader registry exists; " << user << " draws nothing\n";
        return nullptr;
    }
    try
    {
        return &shaders->Get(fileName);
    }
    catch (const std::runtime_error& error)
    {
        // The registry's text names the file and says whether it was never registered or did not compile.
        std::cerr << error.what() << "; " << user << " draws nothing\n";
        return nullptr;
    }
}

void D3D11Drawable::Abandon()
{
    m_stateBinds.clear();
    m_perDrawBinds.clear();
    m_bindables.clear();
    m_indexBuffer = nullptr;
    m_stateSet = nullptr;
    m_stateSetKnown = false;
}

void D3D11Drawable::AddCommonStates(ID3D11Device* device, const ShaderClass& vertexShader,
                                    const D3D11_DEPTH_STENCIL_DESC& depthStencil,
                                    const D3D11_RASTERIZER_DESC& rasterizer)
{
    AddBind(std::make_unique<InputLayout>(device, vertexShader));
    AddBind(std::make_unique<Topology>(D3D11_PRIMITIVE_TOPOLOGY_TRIANGLELIST));
    AddBind(std::make_unique<SamplerState>(device));
    AddBind(std::make_unique<DepthStencilState>(device, depthStencil));
    AddBind(std::make_unique<RasterizerState>(device, rasterizer));
    AddBind(std::make_unique<BlendState>(device));
}

cbPerObject D3D11Drawable::IdentityPerObject()
{
    cbPerObject perObject{};
    perObject.world = Matrix4x4::Identity();
    perObject.view = Matrix4x4::Identity();
    perObject.projection = Matrix4x4::Identity();
    perObject.worldInvTranspose = Matrix4x4::Identity();
    return perObject;
}
