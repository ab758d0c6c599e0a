// The render component of an actor drawn as a mesh: names its vertex and pixel shader files, registers and
// compiles them through the shader registry while the actor is built, and builds the actor's D3D11Mesh node.
// The geometry and material come from the actor's MeshComponent, which this component does not read itself.
#pragma once

#include "actors/BaseRenderComponent.h"

#include <string>

class MeshRenderComponent : public BaseRenderComponent
{
public:
    static const std::string s_name;   // "MeshRenderComponent"
    // The texts that ask for no shader of a kind (compared exactly, letter case included).
    static constexpr const char* kNoPixelShader = "NoPShader";
    static constexpr const char* kNoVertexShader = "NoVShader";

    const std::string& GetName() const override { return s_name; }
    const std::string& GetPixelShaderFile() const { return m_pixelShaderFile; }
    const std::string& GetVertexShaderFile() const { return m_vertexShaderFile; }

protected:
    // Reads "PixelShader" and "VertexShader" (an absent element keeps the current name, empty for a new
    // component) and registers each named shader once. A shader that fails to compile does not fail the
    // component: its node then draws nothing. Always true.
    bool InitDerived(const TiXmlElement* element) override;
    // A D3D11Mesh at the transform component's current matrix; empty when the owner has none.
    std::shared_ptr<ISceneNode> BuildSceneNode() override;

private:
    void ReadShaderName(const TiXmlElement* element, const char* childName, std::string& name);
    void RegisterShader(const std::string& name, const char* noShader, int kind) const;

    std::string m_pixelShaderFile;
    std::string m_vertexShaderFile;
};
