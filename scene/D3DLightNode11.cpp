// D3DLightNode11: the light's per-frame update, which deliberately does nothing.
// Lights change only through Refresh and move events.
#include "scene/D3DLightNode11.h"

int D3DLightNode11::OnUpdate(SceneTree* scene, float step, ID3D11DeviceContext* context)
{
    (void)scene;
    (void)step;
    (void)context;
    return 0;
}
