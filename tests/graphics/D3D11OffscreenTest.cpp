// The post-processing quad: its clip-space corners and winding, the timer readings frozen into its colour,
// its identity constants, its bindable list, and that it pushes and pops one matrix.
#include "app/SystemClass.h"
#include "graphics/drawables/D3D11Offscreen.h"
#include "graphics/bindables/VertexBuffer.h"
#include "scene/MatrixStack.h"
#include "tests/app/FakeClock.h"
#include "tests/graphics/GpuReadback.h"
#include "tests/graphics/GraphicsHarness.h"

#include <gtest/gtest.h>

#include <cstring>

using graphics_harness::Context;
using graphics_harness::Device;

namespace
{
// Twice the signed area in clip space (y up); negative for clockwise.
float TwiceSignedArea(const std::vector<MeshVertex>& quad, std::uint16_t a, std::uint16_t b, std::uint16_t c)
{
    const float* p0 = quad[a].position;
    const float* p1 = quad[b].position;
    const float* p2 = quad[c].position;
    return (p1[0] - p0[0]) * (p2[1] - p0[1]) - (p2[0] - p0[0]) * (p1[1] - p0[1]);
}

std::vector<MeshVertex> VerticesOnTheGpu(const D3D11Offscreen& quad)
{
    const auto* buffer = dynamic_cast<const VertexBuffer*>(quad.GetBindables()[0].get());
    EXPECT_NE(buffer, nullptr);
    const std::vector<uint8_t> bytes = ReadBuffer(Device(), Context(), buffer->GetBuffer());
    std::vector<MeshVertex> vertices(bytes.size() / sizeof(MeshVertex));
    std::memcpy(vertices.data(), bytes.data(), vertices.size() * sizeof(MeshVertex));
    return vertices;
}
}

TEST(D3D11OffscreenQuad, TwoClockwiseTrianglesCoverTheViewportOnce)
{
    const std::vector<MeshVertex> quad = D3D11Offscreen::BuildQuad(0.0f, 0.0f);
    const std::vector<std::uint16_t> indices = D3D11Offscreen::QuadIndices();
    ASSERT_EQ(indices, (std::vector<std::uint16_t>{0, 1, 2, 0, 2, 3}));
    const float first = TwiceSignedArea(quad, indices[0], indices[1], indices[2]);
    const float second = TwiceSignedArea(quad, indices[3], indices[4], indices[5]);
    EXPECT_LT(first, 0.0f);
    EXPECT_LT(second, 0.0f);
    // Clip space spans 2 x 2; the halves meet on the diagonal from (-1, -1) to (1, 1) and add up to it.
    EXPECT_FLOAT_EQ(-(first + second) / 2.0f, 4.0f);
}

TEST(D3D11Offscreen, TheColourHoldsTheTimerReadingsOfItsConstruction)
{
    FakeClock clock;
    SystemClass::GetApplication()->SetTimeSource(clock.Source());
    FrameTimer& timer = SystemClass::GetTimer();
    timer.Reset();
    clock.Advance(3.0);
    timer.Tick();
    clock.Advance(0.25);
    timer.Tick();

    D3D11Offscreen quad(Device(), L"PostPS.fx");
    clock.Advance(5.0);
    timer.Tick();
    const std::vector<MeshVertex> vertices = VerticesOnTheGpu(quad);
    SystemClass::GetApplication()->SetTimeSource(FrameTimer::SystemNanoseconds);

    ASSERT_EQ(vertices.size(), 4u);
    for (const MeshVertex& v : vertices)
    {
        EXPECT_FLOAT_EQ(v.color[0], 0.25f);
        EXPECT_FLOAT_EQ(v.color[1], 3.25f);
        EXPECT_FLOAT_EQ(v.color[2], 0.25f);
        EXPECT_FLOAT_EQ(v.color[3], 3.25f);
    }
}

TEST(D3D11Offscreen, BindsTwelvePiecesOfStateWithIdentityConstants)
{
    DrawingWorld world;
    D3D11Offscreen& quad = *world.tree->GetOffscreen();
    ASSERT_TRUE(quad.IsDrawable());
    EXPECT_EQ(quad.GetBindables().size(), 12u);
    EXPECT_EQ(quad.GetIndexBuffer()->m_count, 6u);
    EXPECT_EQ(quad.GetVsPerObject()->m_slot, 0u);
    EXPECT_EQ(quad.GetPsPerObject()->m_slot, 0u);
    for (const auto* buffer : {static_cast<const ConstantBuffer<cbPerObject>*>(quad.GetVsPerObject()),
                               static_cast<const ConstantBuffer<cbPerObject>*>(quad.GetPsPerObject())})
    {
        const std::vector<uint8_t> bytes = ReadBuffer(Device(), Context(), buffer->GetBuffer());
        cbPerObject constants;
        ASSERT_EQ(bytes.size(), sizeof(constants));
        std::memcpy(&constants, bytes.data(), sizeof(constants));
        EXPECT_EQ(constants.world, Matrix4x4::Identity());
        EXPECT_EQ(constants.view, Matrix4x4::Identity());
        EXPECT_EQ(constants.projection, Matrix4x4::Identity());
        EXPECT_EQ(constants.worldInvTranspose, Matrix4x4::Identity());
        EXPECT_EQ(constants.materialAmbient[0] + constants.materialAmbient[1], 0.0f);
    }
    // Pre-render pushes the identity, post-render pops it.
    ASSERT_EQ(quad.PreRender(world.tree.get(), Context()), 0);
    EXPECT_EQ(world.tree->GetMatrixStack().Size(), 2u);
    EXPECT_EQ(world.tree->CurrentMatrix(), Matrix4x4::Identity());
    quad.PostRender(world.tree.get());
    EXPECT_EQ(world.tree->GetMatrixStack().Size(), 1u);
}

TEST(D3D11Offscreen, AMissingPixelShaderLeavesTheQuadUndrawn)
{
    testing::internal::CaptureStderr();
    D3D11Offscreen quad(Device(), L"NeverRegistered.fx");
    const std::string messages = testing::internal::GetCapturedStderr();
    EXPECT_NE(messages.find("NeverRegistered.fx: shader was never registered"), std::string::npos) << messages;
    EXPECT_FALSE(quad.IsDrawable());
    EXPECT_TRUE(quad.GetBindables().empty());
}
