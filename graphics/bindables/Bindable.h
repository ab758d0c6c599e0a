// One piece of Direct3D 11 pipeline state that a drawable sets before its draw call, in the drawable's list
// order. Binding is cheap when nothing changes: each Bind asks the context's BindingRecord first and makes no
// Direct3D call when exactly this state is bound there already.
#pragma once

struct ID3D11DeviceContext;

class Bindable
{
public:
    virtual void Bind(ID3D11DeviceContext* context) = 0;
    virtual ~Bindable() = default;
};
