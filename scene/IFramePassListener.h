// How the scene tree's frame tells an observer (the device timer) that one of its passes has been submitted.
// The tree only calls it; what the observer does with the context is its own business, and without one the
// frame is exactly what it always was.
#pragma once

struct ID3D11DeviceContext;

class IFramePassListener
{
public:
    // The scene's passes, in the order a frame submits them.
    enum class Pass
    {
        Meshes,   // clearing the offscreen target and the node hierarchy's passes
        Sky,      // the selected sky, or nothing
        Post      // clearing the back buffer and the post-processing quad
    };

    virtual ~IFramePassListener() = default;
    // Every command of `pass` has been issued on `context`.
    virtual void OnPassSubmitted(Pass pass, ID3D11DeviceContext* context) = 0;
};
