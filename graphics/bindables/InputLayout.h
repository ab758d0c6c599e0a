// The engine's one vertex input layout (position, normal, texture coordinate, colour, tangent in slot 0),
// validated against a vertex shader's byte code and shared by every InputLayout made for the same byte code.
// Other layouts do not exist.
#pragma once

#include "graphics/bindables/Bindable.h"

#include <d3d11.h>
#include <d3dcommon.h>
#include <wrl/client.h>

#include <memory>

class ShaderClass;

class InputLayout : public Bindable
{
public:
    InputLayout(ID3D11Device* device, ID3DBlob* pVertexShaderBytecode);
    // Made from the byte code a shader-registry entry holds, and made again from the entry's byte code when a
    // reload has replaced it, at the first bind after that: the layout is checked against the shader's inputs.
    InputLayout(ID3D11Device* device, const ShaderClass& vertexShader);
    void Bind(ID3D11DeviceContext* context) override;
    ID3D11InputLayout* Get() const { return pInputLayout->Get(); }

    // Whether the layout can be made for this byte code (without throwing).
    static bool Accepts(ID3D11Device* device, ID3DBlob* vertexShaderBytecode);

private:
    void Create(ID3D11Device* device, ID3DBlob* pVertexShaderBytecode);

    std::shared_ptr<const Microsoft::WRL::ComPtr<ID3D11InputLayout>> pInputLayout;
    const ShaderClass* m_vertexShader = nullptr;
    // Held, not just compared: a freed blob's address could come back for another one.
    Microsoft::WRL::ComPtr<ID3DBlob> m_madeFrom;
};
