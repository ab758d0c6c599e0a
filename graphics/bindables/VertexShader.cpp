// Vertex shader binding without class instances. The entry is borrowed; nothing is released here.
// The null check covers an entry registered under another kind, whose vertex shader slot stays empty. A reload
// only ever replaces a compiled shader by another, so the entry never loses its shader after that check.
#include "graphics/bindables/VertexShader.h"

#include "graphics/bindables/BindingRecord.h"
#include "graphics/registries/ShaderClass.h"

#include <stdexcept>

VertexShader::VertexShader(const ShaderClass& entry) : m_entry(&entry)
{
    if (!entry.GetByteCode() || !entry.GetVertexShader())
    {
        throw std::invalid_argument("VertexShader: the registry entry holds no compiled vertex shader");
    }
}

void VertexShader::Bind(ID3D11DeviceContext* context)
{
    // The entry is read at every bind, so a reloaded shader differs from the recorded one and is set again.
    ID3D11VertexShader* shader = m_entry->GetVertexShader();
    if (BindingRecord::Of(context).Change(BindingRecord::Kind::VertexShader, 0, shader))
    {
        context->VSSetShader(shader, nullptr, 0u);
    }
}

ID3DBlob* VertexShader::GetBytecode() const
{
    return m_entry->GetByteCode();
}

ID3D11VertexShader* VertexShader::GetShader() const
{
    return m_entry->GetVertexShader();
}
