// The bindables on the real device: descriptors read back through GetDesc, what Bind leaves on the context
// (and which binds the context's binding record keeps from reaching it), the objects that equal descriptions
// share, constant-buffer contents through staging copies, buffer sizes, borrowed objects, and one full draw
// that proves the input layout, shaders, texture, sampler and constant buffer work together.
#include "graphics/AnsiConversion.h"
#include "graphics/bindables/BindingRecord.h"
#include "graphics/bindables/BlendState.h"
#include "graphics/bindables/ConstantBuffer.h"
#include "graphics/bindables/ConstantBufferLayouts.h"
#include "graphics/bindables/DepthStencilState.h"
#include "graphics/bindables/IndexBuffer.h"
#include "graphics/bindables/InputLayout.h"
#include "graphics/bindables/PixelShader.h"
#include "graphics/bindables/RasterizerState.h"
#include "graphics/bindables/SamplerState.h"
#include "graphics/registries/ShaderHolder.h"
#include "graphics/bindables/ShaderResource.h"
#include "graphics/registries/TextureHolder.h"
#include "graphics/bindables/Topology.h"
#include "graphics/bindables/VertexBuffer.h"
#include "graphics/bindables/VertexShader.h"
#include "tests/ScratchDirectory.h"
#include "tests/graphics/GpuReadback.h"
#include "tests/graphics/TestShaders.h"
#include "tests/graphics/TestWindow.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cstring>
#include <memory>

using Microsoft::WRL::ComPtr;

namespace
{

class BindableTest : public testing::Test
{
protected:
    // ClearState unbinds behind the binding record's back, so the record is reset with it.
    void SetUp() override { ClearState(); }
    void TearDown() override { ClearState(); }

    void ClearState()
    {
        Context()->ClearState();
        BindingRecord::Reset(Context());
    }

    ID3D11Device* Device() { return TestDevice().Device(); }
    ID3D11DeviceContext* Context() { return TestDevice().Context(); }

    // The test vertex and pixel shaders, registered once per test in the fixture's registry.
    void RegisterTestShaders()
    {
        m_vsName =
            AnsiToWide(m_scratch.Write("TestVS.fx", std::string(test_shaders::kPerObject) + test_shaders::kVertexBody));
        m_psName =
            AnsiToWide(m_scratch.Write("TestPS.fx", std::string(test_shaders::kPerObject) + test_shaders::kPixelBody));
        ASSERT_TRUE(m_shaders.Register(Device(), m_vsName, ShaderClass::Vertex));
        ASSERT_TRUE(m_shaders.Register(Device(), m_psName, ShaderClass::Pixel));
    }

    ComPtr<ID3D11Buffer> BoundVertexBuffer()
    {
        ComPtr<ID3D11Buffer> bound;
        UINT stride = 0;
        UINT offset = 0;
        Context()->IAGetVertexBuffers(0, 1, bound.GetAddressOf(), &stride, &offset);
        return bound;
    }

    static ULONG RefCount(IUnknown* object)
    {
        object->AddRef();
        return object->Release();
    }

    ScratchDirectory m_scratch;
    ShaderHolder m_shaders;
    std::wstring m_vsName;
    std::wstring m_psName;
};

MeshVertex Vertex(float x, float y, float u, float v, float r, float g, float b)
{
    MeshVertex vertex = {};
    vertex.position[0] = x;
    vertex.position[1] = y;
    vertex.position[2] = 0.5f;
    vertex.position[3] = 1.0f;
    vertex.texCoord[0] = u;
    vertex.texCoord[1] = v;
    vertex.color[0] = r;
    vertex.color[1] = g;
    vertex.color[2] = b;
    vertex.color[3] = 1.0f;
    return vertex;
}

cbPerObject IdentityObject()
{
    cbPerObject object = {};
    object.world = Matrix4x4::Identity();
    object.view = Matrix4x4::Identity();
    object.projection = Matrix4x4::Identity();
    object.worldInvTranspose = Matrix4x4::Identity();
    return object;
}

}   // namespace

TEST_F(BindableTest, BlendStateTurnsBlendingOffAndWritesAllChannels)
{
    BlendState blend(Device());
    D3D11_BLEND_DESC desc = {};
    blend.Get()->GetDesc(&desc);
    EXPECT_FALSE(desc.AlphaToCoverageEnable);
    EXPECT_FALSE(desc.IndependentBlendEnable);
    EXPECT_FALSE(desc.RenderTarget[0].BlendEnable);
    EXPECT_EQ(D3D11_COLOR_WRITE_ENABLE_ALL, desc.RenderTarget[0].RenderTargetWriteMask);

    blend.Bind(Context());
    ComPtr<ID3D11BlendState> bound;
    float factor[4] = {9, 9, 9, 9};
    UINT mask = 0;
    Context()->OMGetBlendState(bound.GetAddressOf(), factor, &mask);
    EXPECT_EQ(blend.Get(), bound.Get());
    EXPECT_EQ(0.0f, factor[0]);
    EXPECT_EQ(0.0f, factor[3]);
    EXPECT_EQ(0xFFFFFFFFu, mask);
}

TEST_F(BindableTest, DepthStencilStateDefaultsAndCallerDescriptors)
{
    DepthStencilState state(Device());
    D3D11_DEPTH_STENCIL_DESC desc = {};
    state.Get()->GetDesc(&desc);
    EXPECT_TRUE(desc.DepthEnable);
    EXPECT_EQ(D3D11_DEPTH_WRITE_MASK_ALL, desc.DepthWriteMask);
    EXPECT_EQ(D3D11_COMPARISON_LESS, desc.DepthFunc);
    EXPECT_TRUE(desc.StencilEnable);
    EXPECT_EQ(0xFF, desc.StencilReadMask);
    EXPECT_EQ(0xFF, desc.StencilWriteMask);
    EXPECT_EQ(D3D11_STENCIL_OP_KEEP, desc.FrontFace.StencilFailOp);
    EXPECT_EQ(D3D11_STENCIL_OP_INCR, desc.FrontFace.StencilDepthFailOp);
    EXPECT_EQ(D3D11_STENCIL_OP_KEEP, desc.FrontFace.StencilPassOp);
    EXPECT_EQ(D3D11_COMPARISON_ALWAYS, desc.FrontFace.StencilFunc);
    EXPECT_EQ(D3D11_STENCIL_OP_KEEP, desc.BackFace.StencilFailOp);
    EXPECT_EQ(D3D11_STENCIL_OP_DECR, desc.BackFace.StencilDepthFailOp);
    EXPECT_EQ(D3D11_STENCIL_OP_KEEP, desc.BackFace.StencilPassOp);
    EXPECT_EQ(D3D11_COMPARISON_ALWAYS, desc.BackFace.StencilFunc);

    state.Bind(Context());
    ComPtr<ID3D11DepthStencilState> bound;
    UINT reference = 0;
    Context()->OMGetDepthStencilState(bound.GetAddressOf(), &reference);
    EXPECT_EQ(state.Get(), bound.Get());
    EXPECT_EQ(1u, reference);

    D3D11_DEPTH_STENCIL_DESC sky = DepthStencilState::DefaultDesc();
    sky.DepthFunc = D3D11_COMPARISON_LESS_EQUAL;
    DepthStencilState skyState(Device(), sky);
    skyState.Get()->GetDesc(&desc);
    EXPECT_EQ(D3D11_COMPARISON_LESS_EQUAL, desc.DepthFunc);
}

TEST_F(BindableTest, RasterizerStateDefaultsAndCallerDescriptors)
{
    RasterizerState state(Device());
    D3D11_RASTERIZER_DESC desc = {};
    state.Get()->GetDesc(&desc);
    EXPECT_EQ(D3D11_FILL_SOLID, desc.FillMode);
    EXPECT_EQ(D3D11_CULL_BACK, desc.CullMode);
    EXPECT_FALSE(desc.FrontCounterClockwise);
    EXPECT_EQ(0, desc.DepthBias);
    EXPECT_EQ(0.0f, desc.DepthBiasClamp);
    EXPECT_EQ(0.0f, desc.SlopeScaledDepthBias);
    EXPECT_TRUE(desc.DepthClipEnable);
    EXPECT_FALSE(desc.ScissorEnable);
    EXPECT_FALSE(desc.MultisampleEnable);
    EXPECT_FALSE(desc.AntialiasedLineEnable);
    state.Bind(Context());
    ComPtr<ID3D11RasterizerState> bound;
    Context()->RSGetState(bound.GetAddressOf());
    EXPECT_EQ(state.Get(), bound.Get());

    D3D11_RASTERIZER_DESC sky = RasterizerState::DefaultDesc();
    sky.CullMode = D3D11_CULL_NONE;
    RasterizerState skyState(Device(), sky);
    skyState.Get()->GetDesc(&desc);
    EXPECT_EQ(D3D11_CULL_NONE, desc.CullMode);
}

TEST_F(BindableTest, SamplerStateIsAnisotropicWrappingAndBindsToSlotZero)
{
    SamplerState sampler(Device());
    D3D11_SAMPLER_DESC desc = {};
    sampler.Get()->GetDesc(&desc);
    EXPECT_EQ(D3D11_FILTER_ANISOTROPIC, desc.Filter);
    EXPECT_EQ(D3D11_TEXTURE_ADDRESS_WRAP, desc.AddressU);
    EXPECT_EQ(D3D11_TEXTURE_ADDRESS_WRAP, desc.AddressV);
    EXPECT_EQ(D3D11_TEXTURE_ADDRESS_WRAP, desc.AddressW);
    EXPECT_EQ(0.0f, desc.MipLODBias);
    EXPECT_EQ(4u, desc.MaxAnisotropy);
    // The comparison function is not read back: the runtime normalises it away for non-comparison filters.
    EXPECT_EQ(0.0f, desc.BorderColor[0]);
    EXPECT_EQ(0.0f, desc.MinLOD);
    EXPECT_EQ(FLT_MAX, desc.MaxLOD);
    sampler.Bind(Context());
    ComPtr<ID3D11SamplerState> bound;
    Context()->PSGetSamplers(0, 1, bound.GetAddressOf());
    EXPECT_EQ(sampler.Get(), bound.Get());
}

TEST_F(BindableTest, ConstantBuffersAreDynamicAndHoldExactlyTheBytesWritten)
{
    cbPerObject initial = IdentityObject();
    initial.materialDiffuse[1] = 0.5f;
    VertexConstantBuffer<cbPerObject> perObject(Device(), initial);
    D3D11_BUFFER_DESC desc = {};
    perObject.GetBuffer()->GetDesc(&desc);
    EXPECT_EQ(320u, desc.ByteWidth);
    EXPECT_EQ(D3D11_USAGE_DYNAMIC, desc.Usage);
    EXPECT_EQ(static_cast<UINT>(D3D11_BIND_CONSTANT_BUFFER), desc.BindFlags);
    EXPECT_EQ(static_cast<UINT>(D3D11_CPU_ACCESS_WRITE), desc.CPUAccessFlags);
    EXPECT_EQ(0u, desc.MiscFlags);
    EXPECT_EQ(0u, desc.StructureByteStride);
    std::vector<uint8_t> expected(sizeof initial);
    std::memcpy(expected.data(), &initial, sizeof initial);
    EXPECT_EQ(expected, ReadBuffer(Device(), Context(), perObject.GetBuffer()));

    // Every byte, padding and reserved area included, comes from the record.
    cbPerFrame frame;
    std::memset(&frame, 0, sizeof frame);
    for (size_t i = 0; i < sizeof frame; ++i)
    {
        reinterpret_cast<uint8_t*>(&frame)[i] = static_cast<uint8_t>(i * 7 + 3);
    }
    PixelConstantBuffer<cbPerFrame> perFrame(Device(), cbPerFrame{});
    perFrame.GetBuffer()->GetDesc(&desc);
    EXPECT_EQ(176u, desc.ByteWidth);
    perFrame.Update(Context(), frame);
    perFrame.Update(Context(), frame);
    expected.assign(reinterpret_cast<uint8_t*>(&frame), reinterpret_cast<uint8_t*>(&frame) + sizeof frame);
    EXPECT_EQ(expected, ReadBuffer(Device(), Context(), perFrame.GetBuffer()));
}

TEST_F(BindableTest, ConstantBuffersBindToTheirStageAndSlot)
{
    VertexConstantBuffer<cbPerObject> vertexStage(Device(), IdentityObject());
    PixelConstantBuffer<cbPerFrame> pixelStage(Device(), cbPerFrame{});
    pixelStage.m_slot = 1;
    vertexStage.Bind(Context());
    pixelStage.Bind(Context());
    ComPtr<ID3D11Buffer> vs0;
    ComPtr<ID3D11Buffer> ps1;
    ComPtr<ID3D11Buffer> ps0;
    Context()->VSGetConstantBuffers(0, 1, vs0.GetAddressOf());
    Context()->PSGetConstantBuffers(1, 1, ps1.GetAddressOf());
    Context()->PSGetConstantBuffers(0, 1, ps0.GetAddressOf());
    EXPECT_EQ(vertexStage.GetBuffer(), vs0.Get());
    EXPECT_EQ(pixelStage.GetBuffer(), ps1.Get());
    EXPECT_EQ(nullptr, ps0.Get());
}

TEST_F(BindableTest, VertexAndIndexBuffersHaveTheSizesOfTheirArrays)
{
    std::vector<MeshVertex> vertices(100, Vertex(0, 0, 0, 0, 1, 1, 1));
    VertexBuffer vertexBuffer(Device(), vertices);
    D3D11_BUFFER_DESC desc = {};
    vertexBuffer.GetBuffer()->GetDesc(&desc);
    EXPECT_EQ(6400u, desc.ByteWidth);
    EXPECT_EQ(D3D11_USAGE_DEFAULT, desc.Usage);
    EXPECT_EQ(static_cast<UINT>(D3D11_BIND_VERTEX_BUFFER), desc.BindFlags);
    EXPECT_EQ(0u, desc.CPUAccessFlags);
    // The structure stride is not read back: the runtime keeps it only for structured buffers.
    EXPECT_EQ(64u, vertexBuffer.m_stride);

    // A raw array with a partial vertex at the end loses it.
    VertexBuffer partial(Device(), vertices.data(), 3 * sizeof(MeshVertex) + 10);
    partial.GetBuffer()->GetDesc(&desc);
    EXPECT_EQ(192u, desc.ByteWidth);

    std::vector<uint16_t> indices(36);
    for (uint16_t i = 0; i < 36; ++i)
        indices[i] = static_cast<uint16_t>(65535 - i);
    IndexBuffer indexBuffer(Device(), indices);
    EXPECT_EQ(36u, indexBuffer.m_count);
    indexBuffer.GetBuffer()->GetDesc(&desc);
    EXPECT_EQ(72u, desc.ByteWidth);
    EXPECT_EQ(static_cast<UINT>(D3D11_BIND_INDEX_BUFFER), desc.BindFlags);
    const std::vector<uint8_t> bytes = ReadBuffer(Device(), Context(), indexBuffer.GetBuffer());
    EXPECT_EQ(0xFF, bytes[0]);
    EXPECT_EQ(0xFE, bytes[2]);

    vertexBuffer.Bind(Context());
    indexBuffer.Bind(Context());
    ComPtr<ID3D11Buffer> boundVertices;
    UINT stride = 0;
    UINT offset = 9;
    Context()->IAGetVertexBuffers(0, 1, boundVertices.GetAddressOf(), &stride, &offset);
    EXPECT_EQ(vertexBuffer.GetBuffer(), boundVertices.Get());
    EXPECT_EQ(64u, stride);
    EXPECT_EQ(0u, offset);
    ComPtr<ID3D11Buffer> boundIndices;
    DXGI_FORMAT format = DXGI_FORMAT_UNKNOWN;
    Context()->IAGetIndexBuffer(boundIndices.GetAddressOf(), &format, &offset);
    EXPECT_EQ(indexBuffer.GetBuffer(), boundIndices.Get());
    EXPECT_EQ(DXGI_FORMAT_R16_UINT, format);
}

TEST_F(BindableTest, EmptyArraysCreateNoBufferAndUnbindTheirSlot)
{
    VertexBuffer vertices(Device(), std::vector<MeshVertex>{});
    IndexBuffer indices(Device(), std::vector<uint16_t>{});
    EXPECT_EQ(nullptr, vertices.GetBuffer());
    EXPECT_EQ(nullptr, indices.GetBuffer());
    EXPECT_EQ(0u, indices.m_count);
    // Binding them clears what an earlier mesh left, so nothing stale is drawn from.
    VertexBuffer previous(Device(), std::vector<MeshVertex>(3));
    previous.Bind(Context());
    vertices.Bind(Context());
    indices.Bind(Context());
    EXPECT_EQ(nullptr, BoundVertexBuffer().Get());
}

TEST_F(BindableTest, TopologyIsSetAsGiven)
{
    Topology topology(D3D11_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
    EXPECT_EQ(4, topology.m_topology);
    topology.Bind(Context());
    D3D11_PRIMITIVE_TOPOLOGY bound = D3D11_PRIMITIVE_TOPOLOGY_UNDEFINED;
    Context()->IAGetPrimitiveTopology(&bound);
    EXPECT_EQ(D3D11_PRIMITIVE_TOPOLOGY_TRIANGLELIST, bound);
}

TEST_F(BindableTest, BorrowedShadersAndViewsOutliveTheirBindables)
{
    RegisterTestShaders();
    ShaderClass& vertexEntry = m_shaders.Get(m_vsName);
    ShaderClass& pixelEntry = m_shaders.Get(m_psName);
    D3D11_TEXTURE2D_DESC textureDesc = {
        4, 4, 1, 1, DXGI_FORMAT_R8G8B8A8_UNORM, {1, 0}, D3D11_USAGE_DEFAULT, D3D11_BIND_SHADER_RESOURCE, 0, 0};
    ComPtr<ID3D11Texture2D> texture;
    ComPtr<ID3D11ShaderResourceView> view;
    ASSERT_HRESULT_SUCCEEDED(Device()->CreateTexture2D(&textureDesc, nullptr, texture.GetAddressOf()));
    ASSERT_HRESULT_SUCCEEDED(Device()->CreateShaderResourceView(texture.Get(), nullptr, view.GetAddressOf()));

    const ULONG vsCount = RefCount(vertexEntry.GetVertexShader());
    const ULONG psCount = RefCount(pixelEntry.GetPixelShader());
    const ULONG viewCount = RefCount(view.Get());
    {
        auto vertexShader = std::make_unique<VertexShader>(vertexEntry);
        auto pixelShader = std::make_unique<PixelShader>(pixelEntry);
        auto resource = std::make_unique<ShaderResource>(view.Get(), 1u);
        vertexShader->Bind(Context());
        pixelShader->Bind(Context());
        resource->Bind(Context());
        ComPtr<ID3D11ShaderResourceView> bound;
        Context()->PSGetShaderResources(1, 1, bound.GetAddressOf());
        EXPECT_EQ(view.Get(), bound.Get());
        ClearState();
    }
    EXPECT_EQ(vsCount, RefCount(vertexEntry.GetVertexShader()));
    EXPECT_EQ(psCount, RefCount(pixelEntry.GetPixelShader()));
    EXPECT_EQ(viewCount, RefCount(view.Get()));
}

TEST_F(BindableTest, ABindThatWouldChangeNothingDoesNotReachTheContextUntilTheRecordIsReset)
{
    BlendState opaque(Device());
    D3D11_BLEND_DESC blendingDesc = {};
    blendingDesc.RenderTarget[0].BlendEnable = TRUE;
    blendingDesc.RenderTarget[0].SrcBlend = D3D11_BLEND_SRC_ALPHA;
    blendingDesc.RenderTarget[0].DestBlend = D3D11_BLEND_INV_SRC_ALPHA;
    blendingDesc.RenderTarget[0].BlendOp = D3D11_BLEND_OP_ADD;
    blendingDesc.RenderTarget[0].SrcBlendAlpha = D3D11_BLEND_ONE;
    blendingDesc.RenderTarget[0].DestBlendAlpha = D3D11_BLEND_ZERO;
    blendingDesc.RenderTarget[0].BlendOpAlpha = D3D11_BLEND_OP_ADD;
    blendingDesc.RenderTarget[0].RenderTargetWriteMask = D3D11_COLOR_WRITE_ENABLE_ALL;
    ComPtr<ID3D11BlendState> blending;
    ASSERT_HRESULT_SUCCEEDED(Device()->CreateBlendState(&blendingDesc, blending.GetAddressOf()));
    const auto boundBlend = [this] {
        ComPtr<ID3D11BlendState> bound;
        float factor[4];
        UINT mask = 0;
        Context()->OMGetBlendState(bound.GetAddressOf(), factor, &mask);
        return bound;
    };
    const float factor[4] = {0.0f, 0.0f, 0.0f, 0.0f};

    opaque.Bind(Context());
    EXPECT_EQ(opaque.Get(), boundBlend().Get());
    // Set behind the record's back: the record still says the opaque state is bound, so the bind is skipped.
    Context()->OMSetBlendState(blending.Get(), factor, 0xFFFFFFFF);
    opaque.Bind(Context());
    EXPECT_EQ(blending.Get(), boundBlend().Get()) << "a repeated bind reached Direct3D";
    BindingRecord::Reset(Context());
    opaque.Bind(Context());
    EXPECT_EQ(opaque.Get(), boundBlend().Get()) << "after a reset the bind must reach Direct3D";

    // A bind that changes the state always goes through, per kind and per slot.
    Topology triangles(D3D11_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
    Topology lines(D3D11_PRIMITIVE_TOPOLOGY_LINELIST);
    triangles.Bind(Context());
    lines.Bind(Context());
    D3D11_PRIMITIVE_TOPOLOGY topology = D3D11_PRIMITIVE_TOPOLOGY_UNDEFINED;
    Context()->IAGetPrimitiveTopology(&topology);
    EXPECT_EQ(D3D11_PRIMITIVE_TOPOLOGY_LINELIST, topology);
    PixelConstantBuffer<cbPerFrame> frame(Device(), cbPerFrame{});
    frame.m_slot = 1;
    frame.Bind(Context());
    frame.m_slot = 0;
    frame.Bind(Context());
    ComPtr<ID3D11Buffer> slot0;
    ComPtr<ID3D11Buffer> slot1;
    Context()->PSGetConstantBuffers(0, 1, slot0.GetAddressOf());
    Context()->PSGetConstantBuffers(1, 1, slot1.GetAddressOf());
    EXPECT_EQ(frame.GetBuffer(), slot0.Get());
    EXPECT_EQ(frame.GetBuffer(), slot1.Get());
}

TEST_F(BindableTest, ListsThatSetTheSameStateShareOneKeyHeldUntilOneOfItsEntriesChanges)
{
    BlendState opaque(Device());
    Topology triangles(D3D11_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
    Topology lines(D3D11_PRIMITIVE_TOPOLOGY_LINELIST);
    PixelConstantBuffer<cbPerFrame> frame(Device(), cbPerFrame{});
    frame.m_slot = 1;
    BindingRecord& record = BindingRecord::Of(Context());

    // Capturing makes no call: the context keeps what was set before it.
    lines.Bind(Context());
    const BindingRecord::StateSet* set = record.Capture([&] {
        opaque.Bind(Context());
        triangles.Bind(Context());
    });
    ASSERT_NE(set, nullptr);
    D3D11_PRIMITIVE_TOPOLOGY topology = D3D11_PRIMITIVE_TOPOLOGY_UNDEFINED;
    Context()->IAGetPrimitiveTopology(&topology);
    EXPECT_EQ(D3D11_PRIMITIVE_TOPOLOGY_LINELIST, topology) << "a capture reached Direct3D";
    EXPECT_FALSE(record.Change(BindingRecord::Kind::Topology, 0, nullptr, D3D11_PRIMITIVE_TOPOLOGY_LINELIST))
        << "a capture changed what the record knows";

    // The same state in another order is the same key; other state another.
    EXPECT_EQ(set, record.Capture([&] {
        triangles.Bind(Context());
        opaque.Bind(Context());
    }));
    EXPECT_NE(set, record.Capture([&] {
        opaque.Bind(Context());
        lines.Bind(Context());
    }));
    EXPECT_EQ(nullptr, record.Capture([] {})) << "nothing to skip";

    opaque.Bind(Context());
    triangles.Bind(Context());
    record.Hold(set);
    EXPECT_TRUE(record.Holds(set));
    frame.Bind(Context());
    EXPECT_TRUE(record.Holds(set)) << "a slot outside the set leaves it whole";
    triangles.Bind(Context());
    EXPECT_TRUE(record.Holds(set)) << "a bind that changes nothing leaves it whole";
    lines.Bind(Context());
    EXPECT_FALSE(record.Holds(set)) << "one of its entries changed";
    record.Hold(set);
    BindingRecord::Reset(Context());
    EXPECT_FALSE(record.Holds(set)) << "a reset forgets everything";
    EXPECT_FALSE(record.Holds(nullptr));
}

TEST_F(BindableTest, EqualDescriptionsShareOneObjectAndDifferentOnesDoNot)
{
    BlendState blendA(Device());
    BlendState blendB(Device());
    EXPECT_EQ(blendA.Get(), blendB.Get());
    SamplerState samplerA(Device());
    SamplerState samplerB(Device());
    EXPECT_EQ(samplerA.Get(), samplerB.Get());
    DepthStencilState depthA(Device());
    DepthStencilState depthB(Device(), DepthStencilState::DefaultDesc());
    D3D11_DEPTH_STENCIL_DESC lessEqual = DepthStencilState::DefaultDesc();
    lessEqual.DepthFunc = D3D11_COMPARISON_LESS_EQUAL;
    DepthStencilState depthC(Device(), lessEqual);
    EXPECT_EQ(depthA.Get(), depthB.Get());
    EXPECT_NE(depthA.Get(), depthC.Get());
    RasterizerState rasterA(Device());
    D3D11_RASTERIZER_DESC noCulling = RasterizerState::DefaultDesc();
    noCulling.CullMode = D3D11_CULL_NONE;
    RasterizerState rasterB(Device(), noCulling);
    EXPECT_NE(rasterA.Get(), rasterB.Get());

    RegisterTestShaders();
    ID3DBlob* bytecode = m_shaders.Get(m_vsName).GetByteCode();
    InputLayout layoutA(Device(), bytecode);
    InputLayout layoutB(Device(), bytecode);
    EXPECT_EQ(layoutA.Get(), layoutB.Get());

    const std::vector<MeshVertex> quad = {Vertex(0, 0, 0, 0, 1, 0, 0), Vertex(1, 0, 1, 0, 0, 1, 0)};
    std::vector<MeshVertex> other = quad;
    other[1].position[0] = 2.0f;
    VertexBuffer verticesA(Device(), quad);
    VertexBuffer verticesB(Device(), quad);
    VertexBuffer verticesC(Device(), other);
    EXPECT_EQ(verticesA.GetBuffer(), verticesB.GetBuffer());
    EXPECT_NE(verticesA.GetBuffer(), verticesC.GetBuffer());
    IndexBuffer indicesA(Device(), std::vector<uint16_t>{0, 1, 2});
    IndexBuffer indicesB(Device(), std::vector<uint16_t>{0, 1, 2});
    IndexBuffer indicesC(Device(), std::vector<uint16_t>{0, 2, 1});
    EXPECT_EQ(indicesA.GetBuffer(), indicesB.GetBuffer());
    EXPECT_NE(indicesA.GetBuffer(), indicesC.GetBuffer());

    // Shared objects live as long as any holder: the last one still binds a valid object.
    const ID3D11Buffer* const shared = verticesA.GetBuffer();
    {
        VertexBuffer transient(Device(), quad);
        EXPECT_EQ(shared, transient.GetBuffer());
    }
    verticesB.Bind(Context());
    EXPECT_EQ(shared, BoundVertexBuffer().Get());
}

TEST_F(BindableTest, ShaderBindablesRefuseAnEntryOfTheWrongKind)
{
    RegisterTestShaders();
    ShaderClass& pixelEntry = m_shaders.Get(m_psName);
    EXPECT_THROW(VertexShader{pixelEntry}, std::invalid_argument);
    EXPECT_THROW(PixelShader{ShaderClass()}, std::invalid_argument);
}

TEST_F(BindableTest, AMeshDrawnThroughTheBindablesShowsTextureVertexColourAndMaterial)
{
    RegisterTestShaders();
    ShaderClass& vertexEntry = m_shaders.Get(m_vsName);
    ShaderClass& pixelEntry = m_shaders.Get(m_psName);

    // A 1 x 1 texture of (128, 255, 255): sampled anywhere it gives that colour.
    TextureHolder textures;
    std::vector<uint8_t> tga(18, 0);
    tga[12] = 1;
    tga[14] = 1;
    tga[16] = 32;
    tga.insert(tga.end(), {255, 255, 128, 255});   // B, G, R, A
    const std::string texturePath = m_scratch.Write("texel.tga", std::string(tga.begin(), tga.end()));
    ASSERT_TRUE(textures.LoadTexture(Device(), Context(), texturePath));

    // Two triangles covering the left half of the target only (clip x from -1 to 0), with clockwise winding
    // so that the default back-face culling keeps them.
    const std::vector<MeshVertex> vertices = {Vertex(-1, 1, 0, 0, 1, 0.5f, 0), Vertex(0, 1, 1, 0, 1, 0.5f, 0),
                                              Vertex(0, -1, 1, 1, 1, 0.5f, 0), Vertex(-1, -1, 0, 1, 1, 0.5f, 0)};
    const std::vector<uint16_t> indices = {0, 1, 2, 0, 2, 3};

    cbPerObject object = IdentityObject();
    object.materialDiffuse[2] = 0.25f;

    std::vector<std::unique_ptr<Bindable>> bindables;
    bindables.push_back(std::make_unique<VertexBuffer>(Device(), vertices));
    auto indexBuffer = std::make_unique<IndexBuffer>(Device(), indices);
    const UINT indexCount = indexBuffer->m_count;
    bindables.push_back(std::move(indexBuffer));
    bindables.push_back(std::make_unique<VertexShader>(vertexEntry));
    bindables.push_back(std::make_unique<PixelShader>(pixelEntry));
    bindables.push_back(std::make_unique<ShaderResource>(textures.Get(texturePath).GetTexture(), 0u));
    bindables.push_back(std::make_unique<InputLayout>(Device(), vertexEntry));
    bindables.push_back(std::make_unique<Topology>(D3D11_PRIMITIVE_TOPOLOGY_TRIANGLELIST));
    bindables.push_back(std::make_unique<SamplerState>(Device()));
    bindables.push_back(std::make_unique<RasterizerState>(Device()));
    bindables.push_back(std::make_unique<BlendState>(Device()));
    auto vsObject = std::make_unique<VertexConstantBuffer<cbPerObject>>(Device(), IdentityObject());
    auto psObject = std::make_unique<PixelConstantBuffer<cbPerObject>>(Device(), IdentityObject());
    psObject->Update(Context(), object);
    bindables.push_back(std::move(vsObject));
    bindables.push_back(std::move(psObject));

    OffscreenTarget target(Device(), Context(), 8, 4);
    target.Clear(0.0f, 0.0f, 0.0f, 1.0f);
    for (const auto& bindable : bindables)
    {
        bindable->Bind(Context());
    }
    Context()->DrawIndexed(indexCount, 0, 0);

    // texture (0.502, 1, 1) x colour (1, 0.5, 0) + material (0, 0, 0.25) = (0.502, 0.5, 0.25)
    const std::vector<uint8_t> inside = target.Pixel(1, 2);
    EXPECT_NEAR(128, inside[0], 2);
    EXPECT_NEAR(128, inside[1], 2);
    EXPECT_NEAR(64, inside[2], 2);
    EXPECT_EQ((std::vector<uint8_t>{0, 0, 0, 255}), target.Pixel(6, 2)) << "the right half stays clear";
}
