// Binds a pixel shader borrowed from the shader registry; the registry keeps it and its byte code alive.
// It refuses a null shader (a failed or mismatched registry entry) instead of binding nothing silently.
#pragma once

#include "graphics/Bindable.h"

#include <d3d11.h>
#include <d3dcommon.h>

class PixelShader : public Bindable {
public:
    // Throws std::invalid_argument when either pointer is null.
    PixelShader(ID3DBlob* bytecode, ID3D11PixelShader* shader);
    void Bind(ID3D11DeviceContext* context) override;

    ID3DBlob* GetBytecode() const { return m_bytecode; }
    ID3D11PixelShader* GetShader() const { return m_shader; }

private:
    ID3DBlob* m_bytecode;
    ID3D11PixelShader* m_shader;
};
