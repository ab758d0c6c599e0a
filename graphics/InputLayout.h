// The engine's one vertex input layout (position, normal, texture coordinate, colour, tangent in slot 0),
// validated against a vertex shader's byte code and shared by every InputLayout made for the same byte code.
// Other layouts do not exist.
#pragma once

#include "graphics/Bindable.h"

#include <d3d11.h>
#include <d3dcommon.h>
#include <wrl/client.h>

#include <memory>

class InputLayout : public Bindable {
public:
    InputLayout(ID3D11Device* device, ID3DBlob* pVertexShaderBytecode);
    void Bind(ID3D11DeviceContext* context) override;
    ID3D11InputLayout* Get() const { return pInputLayout->Get(); }

private:
    std::shared_ptr<const Microsoft::WRL::ComPtr<ID3D11InputLayout>> pInputLayout;
};
