// Vertex shader binding without class instances. The pointers are borrowed and never released here.
// The null check covers an entry registered under another kind, whose vertex shader slot stays empty.
#include "graphics/VertexShader.h"

#include "graphics/BindingRecord.h"

#include <stdexcept>

VertexShader::VertexShader(ID3DBlob* bytecode, ID3D11VertexShader* shader) : m_bytecode(bytecode), m_shader(shader)
{
    if (!bytecode || !shader) {
        throw std::invalid_argument("VertexShader: the registry entry holds no compiled vertex shader");
    }
}

void VertexShader::Bind(ID3D11DeviceContext* context)
{
    if (BindingRecord::Of(context).Change(BindingRecord::Kind::VertexShader, 0, m_shader))
    {
        context->VSSetShader(m_shader, nullptr, 0u);
    }
}
