// Shader compilation and the shader registry on the real compiler and device: kinds, error file, .cso byte
// code, exact keys, and lookups of names that never compiled.
#include "graphics/AnsiConversion.h"
#include "graphics/DxException.h"
#include "graphics/registries/ShaderHolder.h"
#include "tests/ScratchDirectory.h"
#include "tests/graphics/TestShaders.h"
#include "tests/graphics/TestWindow.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>

namespace
{

class ShaderRegistryTest : public testing::Test
{
protected:
    void SetUp() override { std::filesystem::remove(ShaderClass::kErrorFileName); }
    void TearDown() override { std::filesystem::remove(ShaderClass::kErrorFileName); }

    std::wstring Write(const std::string& name, const std::string& source)
    {
        return AnsiToWide(m_scratch.Write(name, source));
    }
    std::wstring VertexSource(const std::string& name)
    {
        return Write(name, std::string(test_shaders::kPerObject) + test_shaders::kVertexBody);
    }
    std::wstring PixelSource(const std::string& name)
    {
        return Write(name, std::string(test_shaders::kPerObject) + test_shaders::kPixelBody);
    }
    static std::string ErrorFileText()
    {
        std::ifstream file(ShaderClass::kErrorFileName, std::ios::binary);
        std::stringstream text;
        text << file.rdbuf();
        return text.str();
    }

    ID3D11Device* Device() { return TestDevice().Device(); }

    ScratchDirectory m_scratch;
    ShaderHolder m_holder;
};

}   // namespace

TEST(ShaderKinds, EachKindHasItsEntryPointAndTargetAndUnknownKindsArePixel)
{
    const struct
    {
        int kind;
        const char* entry;
        const char* target;
    } table[] = {
        {0, "ComputeShaderFX", "cs_5_0"}, {1, "DomainShaderFX", "ds_5_0"}, {2, "GeometryShaderFX", "gs_5_0"},
        {3, "HullShaderFX", "hs_5_0"},    {4, "PixelShaderFX", "ps_5_0"},  {5, "VertexShaderFX", "vs_5_0"},
        {6, "PixelShaderFX", "ps_5_0"},   {-1, "PixelShaderFX", "ps_5_0"},
    };
    ShaderClass fresh;
    EXPECT_EQ(ShaderClass::Pixel, fresh.GetType());
    EXPECT_EQ("PixelShaderFX", fresh.GetEntryPoint());
    for (const auto& row : table)
    {
        ShaderClass shader;
        shader.SetType(row.kind);
        EXPECT_EQ(row.entry, shader.GetEntryPoint()) << row.kind;
        EXPECT_EQ(row.target, shader.GetTarget()) << row.kind;
    }
}

TEST_F(ShaderRegistryTest, VertexAndPixelSourcesCompileAndCreateTheirShaderObjects)
{
    const std::wstring vs = VertexSource("Basic.VS.fx");
    const std::wstring ps = PixelSource("Basic.PS.Fx");
    ASSERT_TRUE(m_holder.Register(Device(), vs, ShaderClass::Vertex)) << ErrorFileText();
    ASSERT_TRUE(m_holder.Register(Device(), ps, ShaderClass::Pixel)) << ErrorFileText();
    ShaderClass& vertex = m_holder.Get(vs);
    ShaderClass& pixel = m_holder.Get(ps);
    EXPECT_NE(nullptr, vertex.GetVertexShader());
    EXPECT_EQ(nullptr, vertex.GetPixelShader());
    EXPECT_NE(nullptr, vertex.GetByteCode());
    EXPECT_NE(nullptr, pixel.GetPixelShader());
    EXPECT_EQ(nullptr, pixel.GetVertexShader());
    EXPECT_FALSE(std::filesystem::exists(ShaderClass::kErrorFileName));
}

TEST_F(ShaderRegistryTest, ASyntaxErrorWritesTheErrorFileAndLeavesAFailedEntryThatIsNotRecompiled)
{
    const std::wstring name = Write("Broken.fx", test_shaders::kSyntaxError);
    EXPECT_FALSE(m_holder.Register(Device(), name, ShaderClass::Pixel));
    ASSERT_TRUE(std::filesystem::exists(ShaderClass::kErrorFileName));
    EXPECT_FALSE(ErrorFileText().empty());
    EXPECT_TRUE(m_holder.Contains(name));

    // Fixing the file changes nothing: the failed entry stays and the second registration does not compile.
    std::filesystem::remove(ShaderClass::kErrorFileName);
    PixelSource("Broken.fx");
    EXPECT_TRUE(m_holder.Register(Device(), name, ShaderClass::Pixel));
    EXPECT_EQ(1u, m_holder.Size());
    EXPECT_FALSE(std::filesystem::exists(ShaderClass::kErrorFileName));

    // Binding it would draw nothing, so looking it up is an error that names the file.
    try
    {
        m_holder.Get(name);
        FAIL() << "a failed shader was handed out";
    }
    catch (const std::runtime_error& e)
    {
        EXPECT_NE(std::string::npos, std::string(e.what()).find("Broken.fx: shader did not compile")) << e.what();
    }
}

TEST_F(ShaderRegistryTest, ANewErrorReplacesTheOldErrorFile)
{
    std::ofstream(ShaderClass::kErrorFileName) << std::string(5000, 'x');
    EXPECT_FALSE(m_holder.Register(Device(), Write("Broken2.fx", test_shaders::kSyntaxError), ShaderClass::Pixel));
    const std::string text = ErrorFileText();
    EXPECT_LT(text.size(), 5000u);
    EXPECT_EQ(std::string::npos, text.find("xxxx"));
}

TEST_F(ShaderRegistryTest, CompiledObjectFilesLoadAsTheSameByteCode)
{
    ShaderClass compiled;
    compiled.SetType(ShaderClass::Vertex);
    ASSERT_TRUE(compiled.Compile(VertexSource("ToObject.fx")));
    const std::string bytes(static_cast<const char*>(compiled.GetByteCode()->GetBufferPointer()),
                            compiled.GetByteCode()->GetBufferSize());
    const std::wstring cso = Write("ToObject.CSO", bytes);

    ASSERT_TRUE(m_holder.Register(Device(), cso, ShaderClass::Vertex));
    ShaderClass& loaded = m_holder.Get(cso);
    ASSERT_NE(nullptr, loaded.GetVertexShader());
    EXPECT_EQ(bytes, std::string(static_cast<const char*>(loaded.GetByteCode()->GetBufferPointer()),
                                 loaded.GetByteCode()->GetBufferSize()));
}

TEST_F(ShaderRegistryTest, KeysAreExactSoNamesDifferingInCaseAreTwoEntries)
{
    const std::wstring lower = PixelSource("casing.fx");
    const std::wstring upper = lower.substr(0, lower.size() - 9) + L"CASING.FX";
    ASSERT_TRUE(m_holder.Register(Device(), lower, ShaderClass::Pixel));
    ASSERT_TRUE(m_holder.Register(Device(), upper, ShaderClass::Pixel));
    EXPECT_EQ(2u, m_holder.Size());
    EXPECT_NE(m_holder.Get(lower).GetPixelShader(), m_holder.Get(upper).GetPixelShader());
}

TEST_F(ShaderRegistryTest, UnknownExtensionsAndNamesWithoutADotFailWithoutWritingAnything)
{
    const std::wstring text = PixelSource("shader.hlsl");
    const std::wstring bare = PixelSource("PixelShader");
    EXPECT_FALSE(m_holder.Register(Device(), text, ShaderClass::Pixel));
    EXPECT_FALSE(m_holder.Register(Device(), bare, ShaderClass::Pixel));
    EXPECT_FALSE(std::filesystem::exists(ShaderClass::kErrorFileName));

    // A name with no dot is its own extension.
    ShaderClass shader;
    EXPECT_FALSE(shader.Compile(L"shader"));
}

TEST_F(ShaderRegistryTest, TheFirstRegistrationFixesTheKind)
{
    const std::wstring name = PixelSource("SkyPixelShader.fx");
    ASSERT_TRUE(m_holder.Register(Device(), name, ShaderClass::Pixel));
    EXPECT_TRUE(m_holder.Register(Device(), name, ShaderClass::Vertex));
    EXPECT_EQ(ShaderClass::Pixel, m_holder.Get(name).GetType());
    EXPECT_NE(nullptr, m_holder.Get(name).GetPixelShader());
    EXPECT_EQ(nullptr, m_holder.Get(name).GetVertexShader());
}

TEST_F(ShaderRegistryTest, AMissingSourceFileRaisesDxExceptionWithTheStoredResultName)
{
    // The exception only knows the call; standard error names the file, which is all a user sees of which one.
    std::ostringstream errors;
    std::streambuf* const previous = std::cerr.rdbuf(errors.rdbuf());
    try
    {
        m_holder.Register(Device(), AnsiToWide(m_scratch.File("Missing.fx")), ShaderClass::Pixel);
        ADD_FAILURE() << "no exception";
    }
    catch (const DxException& e)
    {
        EXPECT_LT(e.m_errorCode, 0);
        EXPECT_EQ(L"hResult", e.m_functionName);
        EXPECT_EQ(L"ShaderClass", e.m_fileName);
    }
    EXPECT_THROW(m_holder.Register(Device(), AnsiToWide(m_scratch.File("Missing.cso")), ShaderClass::Pixel),
                 DxException);
    std::cerr.rdbuf(previous);
    EXPECT_NE(errors.str().find("Missing.fx: cannot be read"), std::string::npos) << errors.str();
    EXPECT_NE(errors.str().find("Missing.cso: cannot be read"), std::string::npos) << errors.str();
}

TEST_F(ShaderRegistryTest, LookingUpANameThatWasNeverRegisteredNamesIt)
{
    try
    {
        m_holder.Get(L"Nowhere.fx");
        FAIL() << "no exception";
    }
    catch (const std::runtime_error& e)
    {
        EXPECT_EQ(std::string("Nowhere.fx: shader was never registered"), e.what());
    }
}

// What the byte code says it reads of a constant buffer decides whether a draw may keep an earlier draw's
// binding of it: a range that is too narrow would draw with another mesh's bytes.
TEST_F(ShaderRegistryTest, TheBytesAShaderReadsOfAConstantBufferComeFromItsReflection)
{
    const std::string pixelIn = "struct PixelIn { float4 position : SV_POSITION; };\n";
    const auto compile = [&](const std::string& name, const std::string& body) {
        const std::wstring file = Write(name, std::string(test_shaders::kPerObject) + pixelIn + body);
        EXPECT_TRUE(m_holder.Register(Device(), file, ShaderClass::Pixel)) << ErrorFileText();
        return m_holder.Get(file).ConstantBytesRead("PerObject");
    };
    // kPerObject: four matrices (0 to 256), materialAmbient at 256, materialDiffuse at 272, then 288 and 304.
    const auto diffuseOnly = compile("Diffuse.fx", "float4 PixelShaderFX(PixelIn input) : SV_TARGET "
                                                   "{ return float4(materialDiffuse, 1.0f); }");
    const auto withWorld = compile("World.fx", "float4 PixelShaderFX(PixelIn input) : SV_TARGET "
                                               "{ return world[1] + float4(materialAmbient, 0.0f); }");
    const auto none = compile("None.fx", "float4 PixelShaderFX(PixelIn input) : SV_TARGET "
                                         "{ return float4(1.0f, 0.0f, 0.0f, 1.0f); }");
    // A compiler that marks nothing as used gives no range at all, never a narrow one.
    if (diffuseOnly)
    {
        EXPECT_GE(diffuseOnly->begin, 256u);
        EXPECT_LE(diffuseOnly->end, 288u);
        EXPECT_GT(diffuseOnly->end, diffuseOnly->begin);
    }
    ASSERT_EQ(withWorld.has_value(), diffuseOnly.has_value());
    if (withWorld)
    {
        EXPECT_EQ(withWorld->begin, 0u);
        EXPECT_GE(withWorld->end, 268u);
    }
    ASSERT_TRUE(none.has_value());
    EXPECT_EQ(none->begin, none->end);
    std::cout << "reflection: " << (diffuseOnly ? "marks the variables read" : "marks no variable as read") << '\n';
}
