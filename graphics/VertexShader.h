// Binds a vertex shader borrowed from the shader registry; the registry keeps it and its byte code alive.
// It refuses a null shader (a failed or mismatched registry entry) instead of binding nothing silently.
#pragma once

#include "graphics/Bindable.h"

#include <d3d11.h>
#include <d3dcommon.h>

class VertexShader : public Bindable {
public:
    // Throws std::invalid_argument when either pointer is null.
    VertexShader(ID3DBlob* bytecode, ID3D11VertexShader* shader);
    void Bind(ID3D11DeviceContext* context) override;

    ID3DBlob* GetBytecode() const { return m_bytecode; }
    ID3D11VertexShader* GetShader() const { return m_shader; }

private:
    ID3DBlob* m_bytecode;
    ID3D11VertexShader* m_shader;
};
