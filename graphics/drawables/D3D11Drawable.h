// A scene node that draws itself: an ordered list of bindables, bound in list order, and one indexed draw of
// the index buffer that is also in the list. The mesh, sky and post-processing nodes derive from it; it fills
// no constant buffer itself and does not decide what its list holds.
#pragma once

#include "graphics/bindables/Bindable.h"
#include "graphics/bindables/BindingRecord.h"
#include "graphics/bindables/ConstantBufferLayouts.h"
#include "graphics/bindables/DepthStencilState.h"
#include "graphics/bindables/IndexBuffer.h"
#include "graphics/bindables/RasterizerState.h"
#include "scene/SceneNode.h"

#include <d3d11.h>
#include <wrl/client.h>

#include <memory>
#include <string>
#include <vector>

class ShaderClass;

class D3D11Drawable : public SceneNode
{
public:
    D3D11Drawable(BaseRenderComponent* renderComponent, DrawPass renderPass, const Matrix4x4* toWorld);

    // Binds every bindable in list order and draws all indices. A drawable without an index buffer, or with
    // an empty one, binds nothing and draws nothing. The list's state is known by one key (BindingRecord's
    // state set, found at the first draw): when the context holds exactly that state already, as it does for
    // the next of many meshes alike, only the binds made for each draw (AddPerDrawBind) are made again.
    // A MeshPassBatch open on the context submits the draws it holds first, so that this draw keeps its place.
    int Render(SceneTree* scene, ID3D11DeviceContext* context) override;
    // The binds and the draw that Render makes, without looking at any batch.
    void Submit(ID3D11DeviceContext* context);
    // The key of the list's state binds (found at the first call; null when they cannot be skipped), and the
    // binds themselves, after which the record holds the key: for a batch that makes the draw itself.
    const BindingRecord::StateSet* StateKey(ID3D11DeviceContext* context);
    void BindState(ID3D11DeviceContext* context);
    UINT IndexCount() const { return m_indexBuffer != nullptr ? m_indexBuffer->m_count : 0u; }

    void AddBind(std::unique_ptr<Bindable> bindable);
    // A bindable whose state changes from one draw to the next (a slot of a constant ring): bound for every
    // draw, and not part of the list's key.
    void AddPerDrawBind(std::unique_ptr<Bindable> bindable);
    // Remembers the buffer as the draw's index buffer and appends it to the list.
    void AddIndexBuffer(std::unique_ptr<IndexBuffer> indexBuffer);

    const std::vector<std::unique_ptr<Bindable>>& GetBindables() const { return m_bindables; }
    const IndexBuffer* GetIndexBuffer() const { return m_indexBuffer; }
    // False when construction gave up (a shader missing from the registry): the node then draws nothing.
    bool IsDrawable() const { return m_indexBuffer != nullptr; }

protected:
    // The registry entry of a compiled shader, or null, with a line on standard error naming the shader and
    // `user`, when the registry does not exist, never heard of the name or could not compile it.
    static ShaderClass* FindShader(const std::wstring& fileName, const std::string& user);
    // Drops every bindable: what was built so far is useless without the missing piece.
    void Abandon();
    // The states every drawable appends after its shaders and textures, in this order: the input layout of
    // `vertexShader`, a triangle list, the sampler, then the depth-stencil, rasterizer and blend states.
    void AddCommonStates(ID3D11Device* device, const ShaderClass& vertexShader,
                         const D3D11_DEPTH_STENCIL_DESC& depthStencil = DepthStencilState::DefaultDesc(),
                         const D3D11_RASTERIZER_DESC& rasterizer = RasterizerState::DefaultDesc());
    // The per-object record a drawable starts from: every matrix the identity, the rest zero.
    static cbPerObject IdentityPerObject();
    // Appends a vertex or pixel constant buffer bound at `slot`; the node keeps the returned pointer to refill
    // the buffer before each draw (the list owns it).
    template <class Buffer, class Constants>
    Buffer* AddConstantBuffer(ID3D11Device* device, const Constants& initial, UINT slot)
    {
        return AddSlottedBuffer(std::make_unique<Buffer>(device, initial), slot);
    }
    // The same for a binder of a buffer that another binder owns too (ConstantBuffer::ShareBuffer).
    template <class Buffer>
    Buffer* AddSharedConstantBuffer(Microsoft::WRL::ComPtr<ID3D11Buffer> shared, UINT slot)
    {
        return AddSlottedBuffer(std::make_unique<Buffer>(std::move(shared)), slot);
    }

    IndexBuffer* m_indexBuffer = nullptr;
    std::vector<std::unique_ptr<Bindable>> m_bindables;

private:
    // The list's bindables split by how often they must reach the context, each in list order.
    std::vector<Bindable*> m_stateBinds;
    std::vector<Bindable*> m_perDrawBinds;
    // The key of m_stateBinds' state; found at the first draw, null until then or when it cannot be skipped.
    const BindingRecord::StateSet* m_stateSet = nullptr;
    bool m_stateSetKnown = false;

    template <class Buffer>
    Buffer* AddSlottedBuffer(std::unique_ptr<Buffer> buffer, UINT slot)
    {
        buffer->m_slot = slot;
        Buffer* const kept = buffer.get();
        AddBind(std::move(buffer));
        return kept;
    }
};
