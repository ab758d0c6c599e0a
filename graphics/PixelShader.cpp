// Vertex shader binding without class instances. The pointers are borrowed and never released here.
// The null check covers an entry registered under another kind, whose pixel shader slot stays empty.
#include "graphics/PixelShader.h"

#include "graphics/BindingRecord.h"

#include <stdexcept>

PixelShader::PixelShader(ID3DBlob* bytecode, ID3D11PixelShader* shader) : m_bytecode(bytecode), m_shader(shader)
{
    if (!bytecode || !shader) {
        throw std::invalid_argument("PixelShader: the registry entry holds no compiled pixel shader");
    }
}

void PixelShader::Bind(ID3D11DeviceContext* context)
{
    if (BindingRecord::Of(context).Change(BindingRecord::Kind::PixelShader, 0, m_shader))
    {
        context->PSSetShader(m_shader, nullptr, 0u);
    }
}
