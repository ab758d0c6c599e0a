// MeshRenderComponent: shader names from XML, their registration, and the mesh node. Windows-only: shaders
// are compiled for the Direct3D device, and the node it builds is a Direct3D drawable.
#include "actors/MeshRenderComponent.h"

#include "actors/Actor.h"
#include "actors/ComponentLookup.h"
#include "actors/TransformComponent.h"
#include "app/SystemClass.h"
#include "graphics/AnsiConversion.h"
#include "graphics/drawables/D3D11Mesh.h"
#include "graphics/D3DClass.h"
#include "graphics/GraphicsClass.h"
#include "graphics/registries/ShaderClass.h"
#include "graphics/registries/ShaderHolder.h"

#include <tinyxml.h>

#include <iostream>

const std::string MeshRenderComponent::s_name = "MeshRenderComponent";

namespace
{
ID3D11Device* ApplicationDevice()
{
    if (SystemClass::GetApplication() == nullptr)
    {
        return nullptr;
    }
    const std::shared_ptr<D3DClass>& d3d = SystemClass::GetGraphics().GetD3D();
    return d3d != nullptr ? d3d->GetDevice() : nullptr;
}
}

bool MeshRenderComponent::InitDerived(const TiXmlElement* element)
{
    ReadShaderName(element, "PixelShader", m_pixelShaderFile);
    RegisterShader(m_pixelShaderFile, kNoPixelShader, ShaderClass::Pixel);
    ReadShaderName(element, "VertexShader", m_vertexShaderFile);
    RegisterShader(m_vertexShaderFile, kNoVertexShader, ShaderClass::Vertex);
    return true;
}

void MeshRenderComponent::ReadShaderName(const TiXmlElement* element, const char* childName, std::string& name)
{
    const TiXmlElement* child = element->FirstChildElement(childName);
    if (child == nullptr)
    {
        return;
    }
    const char* text = child->GetText();
    if (text == nullptr)
    {
        // The file name is required; keeping the current one is the least surprising reading of a blank.
        std::cerr << DocumentName(element) << ": <" << childName << "> on line " << child->Row()
                  << " names no shader file; ignored\n";
        return;
    }
    name = text;
}

void MeshRenderComponent::RegisterShader(const std::string& name, const char* noShader, int kind) const
{
    if (name == noShader)
    {
        return;
    }
    ShaderHolder* shaders = ShaderHolder::Instance();
    ID3D11Device* device = ApplicationDevice();
    if (shaders == nullptr || device == nullptr)
    {
        std::cerr << name << ": no graphics device or shader registry yet; the shader is not compiled\n";
        return;
    }
    const std::wstring wideName = AnsiToWide(name);
    if (shaders->Contains(wideName))
    {
        return;
    }
    // A file that cannot be read, or byte code the device refuses, throws DxException and ends the program, as
    // for the start-up shaders; the registry has already said which of the two it was, naming the file.
    const bool registered = shaders->Register(device, wideName, kind);
    if (!registered)
    {
        std::cerr << name << ": the shader does not compile (messages in " << ShaderClass::kErrorFileName
                  << ") or is not a .fx or .cso file; meshes that use it draw nothing\n";
    }
}

std::shared_ptr<ISceneNode> MeshRenderComponent::BuildSceneNode()
{
    if (!m_owner)
    {
        return nullptr;
    }
    const auto transform = FindComponent<TransformComponent>(*m_owner);
    if (!transform)
    {
        std::cerr << m_owner->GetResource() << ": actor " << m_owner->GetId()
                  << " has a MeshRenderComponent but no TransformComponent; the mesh is left out\n";
        return nullptr;
    }
    ID3D11Device* device = ApplicationDevice();
    if (device == nullptr)
    {
        std::cerr << m_owner->GetResource() << ": no graphics device; the mesh of actor " << m_owner->GetId()
                  << " is left out\n";
        return nullptr;
    }
    const Matrix4x4 toWorld = transform->GetTransform();
    return std::make_shared<D3D11Mesh>(this, &toWorld, device);
}
