// MeshComponent's texture requests: every texture its materials name goes to the registry on the Direct3D
// device. Windows-only; the native build has MeshComponentWithoutDevice.cpp instead.
#include "actors/MeshComponent.h"

#include "app/SystemClass.h"
#include "graphics/D3DClass.h"
#include "graphics/GraphicsClass.h"
#include "graphics/registries/TextureHolder.h"

#include <iostream>

void MeshComponent::LoadMaterialTextures() const
{
    bool needsTextures = false;
    for (const tinyobj::material_t& material : m_materials)
    {
        for (const std::string& name : TextureNames(material))
        {
            needsTextures = needsTextures || !name.empty();
        }
    }
    if (!needsTextures)
    {
        return;
    }

    TextureHolder* textures = TextureHolder::Instance();
    SystemClass* application = SystemClass::GetApplication();
    const std::shared_ptr<D3DClass> d3d = application != nullptr ? SystemClass::GetGraphics().GetD3D() : nullptr;
    if (textures == nullptr || d3d == nullptr || d3d->GetDevice() == nullptr)
    {
        std::cerr << m_objFile << ": no graphics device or texture registry yet; its textures are not loaded\n";
        return;
    }
    for (const tinyobj::material_t& material : m_materials)
    {
        for (const std::string& name : TextureNames(material))
        {
            // A texture that fails names itself on standard error and draws as no texture; the mesh still loads.
            if (!name.empty())
            {
                textures->LoadTexture(d3d->GetDevice(), d3d->GetDeviceContext(), name);
            }
        }
    }
}
