// The start-up data in data/ (copied beside the tests) against the real compiler and device: the six shaders
// register in the set-up order with their kinds and accept the engine's input layout, and the two start-up
// textures load. A broken data file fails here rather than at the program's start.
#include "graphics/registries/ImageLibraryGuard.h"
#include "graphics/bindables/InputLayout.h"
#include "graphics/registries/ShaderHolder.h"
#include "graphics/registries/TextureHolder.h"
#include "tests/graphics/TestWindow.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace
{

std::string ErrorFileText()
{
    std::ifstream file(ShaderClass::kErrorFileName, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

}   // namespace

TEST(StartUpData, TheSixStartUpShadersRegisterAndTheirVertexStagesTakeTheInputLayout)
{
    const struct
    {
        const wchar_t* name;
        int kind;
    } startUp[] = {
        {L"BasicNormalMapPixelShader.fx", ShaderClass::Pixel},
        {L"BasicNormalMapVertexShader.fx", ShaderClass::Vertex},
        {L"SkyPixelShader.fx", ShaderClass::Pixel},
        {L"SkyVertexShader.fx", ShaderClass::Vertex},
        {L"PostPS.fx", ShaderClass::Pixel},
        {L"PostVS.fx", ShaderClass::Vertex},
    };
    ShaderHolder shaders;
    for (const auto& shader : startUp)
    {
        SCOPED_TRACE(testing::Message() << std::filesystem::path(shader.name).string());
        ASSERT_TRUE(shaders.Register(TestDevice().Device(), shader.name, shader.kind)) << ErrorFileText();
        ShaderClass& entry = shaders.Get(shader.name);
        if (shader.kind == ShaderClass::Vertex)
        {
            ASSERT_NE(nullptr, entry.GetVertexShader());
            EXPECT_NO_THROW(InputLayout(TestDevice().Device(), entry.GetByteCode()));
        }
        else
        {
            EXPECT_NE(nullptr, entry.GetPixelShader());
        }
    }
    std::filesystem::remove(ShaderClass::kErrorFileName);
}

TEST(StartUpData, TheStartUpTexturesLoad)
{
    ImageLibraryGuard gdiplus;
    TextureHolder textures;
    for (const char* name : {"D.bmp", "dirty-wicker-weave1-albedo.dds"})
    {
        SCOPED_TRACE(name);
        ASSERT_TRUE(textures.LoadTexture(TestDevice().Device(), TestDevice().Context(), name));
        EXPECT_NE(nullptr, textures.Get(name).GetTexture());
    }
}
