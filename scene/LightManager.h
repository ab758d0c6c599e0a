// The scene tree's lights: the one light node that lights the scene (the first registered) and a share of
// the camera for the eye position. It fills the light block of the per-frame shader constants; it does not
// upload them (the drawables do).
#pragma once

#include <list>
#include <memory>

class FreeCameraNode;
class LightNode;
class SceneTree;
struct cbPerFrame;

class LightManager
{
public:
    // Takes a fresh share of the scene's camera; called once per frame before the hierarchy is drawn.
    void PrepareFrame(SceneTree* scene);
    // Writes lightAmbient, lightDiffuse, lightSpecular, lightDirection and eyePosition, nothing else.
    // Without a light: the fixed default light shining straight down, seen from the origin.
    void FillLightConstants(cbPerFrame& out) const;

    // In registration order; the scene tree never lets it hold more than one.
    std::list<std::shared_ptr<LightNode>> m_lights;
    std::shared_ptr<FreeCameraNode> m_camera;
};
