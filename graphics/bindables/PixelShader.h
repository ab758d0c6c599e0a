// Binds the pixel shader of a shader-registry entry; the registry keeps it and its byte code alive. It reads
// the entry at every bind, so a shader the registry has reloaded is drawn with from the next frame on.
// It refuses an entry without a pixel shader (a failed or mismatched registration) instead of binding nothing.
#pragma once

#include "graphics/bindables/Bindable.h"

#include <d3d11.h>
#include <d3dcommon.h>

class ShaderClass;

class PixelShader : public Bindable
{
public:
    // Throws std::invalid_argument when the entry holds no compiled pixel shader.
    explicit PixelShader(const ShaderClass& entry);
    void Bind(ID3D11DeviceContext* context) override;

    ID3DBlob* GetBytecode() const;
    ID3D11PixelShader* GetShader() const;

private:
    const ShaderClass* m_entry;
};
