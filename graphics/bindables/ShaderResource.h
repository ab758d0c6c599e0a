// Binds a texture view borrowed from the texture registry to one pixel-shader resource slot.
// The registry keeps the view alive; destroying this bindable leaves it there.
#pragma once

#include "graphics/bindables/Bindable.h"
#include "graphics/bindables/BindingRecord.h"

#include <d3d11.h>

class ShaderResource : public Bindable
{
public:
    ShaderResource(ID3D11ShaderResourceView* view, UINT slot) : m_textureView(view), m_slot(slot) {}
    void Bind(ID3D11DeviceContext* context) override
    {
        ID3D11ShaderResourceView* views[] = {m_textureView};
        if (BindingRecord::Of(context).Change(BindingRecord::Kind::PixelShaderResource, m_slot, m_textureView))
        {
            context->PSSetShaderResources(m_slot, 1u, views);
        }
    }

    ID3D11ShaderResourceView* GetView() const { return m_textureView; }
    UINT GetSlot() const { return m_slot; }

private:
    ID3D11ShaderResourceView* m_textureView;
    UINT m_slot;
};
