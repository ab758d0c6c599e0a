// One piece of Direct3D 11 pipeline state that a drawable sets before its draw call.
// It does not track what is currently bound: every Bind sets its state again, in the drawable's list order.
#pragma once

struct ID3D11DeviceContext;

class Bindable {
public:
    virtual void Bind(ID3D11DeviceContext* context) = 0;
    virtual ~Bindable() = default;
};
