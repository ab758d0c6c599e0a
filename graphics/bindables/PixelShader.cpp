// Pixel shader binding without class instances. The entry is borrowed; nothing is released here.
// The null check covers an entry registered under another kind, whose pixel shader slot stays empty. A reload
// only ever replaces a compiled shader by another, so the entry never loses its shader after that check.
#include "graphics/bindables/PixelShader.h"

#include "graphics/bindables/BindingRecord.h"
#include "graphics/registries/ShaderClass.h"

#include <stdexcept>

PixelShader::PixelShader(const ShaderClass& entry) : m_entry(&entry)
{
    if (!entry.GetByteCode() || !entry.GetPixelShader())
    {
        throw std::invalid_argument("PixelShader: the registry entry holds no compiled pixel shader");
    }
}

void PixelShader::Bind(ID3D11DeviceContext* context)
{
    // The entry is read at every bind, so a reloaded shader differs from the recorded one and is set again.
    ID3D11PixelShader* shader = m_entry->GetPixelShader();
    if (BindingRecord::Of(context).Change(BindingRecord::Kind::PixelShader, 0, shader))
    {
        context->PSSetShader(shader, nullptr, 0u);
    }
}

ID3DBlob* PixelShader::GetBytecode() const
{
    return m_entry->GetByteCode();
}

ID3D11PixelShader* PixelShader::GetShader() const
{
    return m_entry->GetPixelShader();
}
