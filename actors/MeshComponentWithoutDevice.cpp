// MeshComponent's texture requests in the native build, where there is no Direct3D device and so no texture
// registry: the materials keep their texture names and nothing is loaded, like a Windows mesh whose textures
// failed. It keeps OBJ and MTL reading buildable under the sanitizers and the fuzzer.
#include "actors/MeshComponent.h"

void MeshComponent::LoadMaterialTextures() const
{
}
