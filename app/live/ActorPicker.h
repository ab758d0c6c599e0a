// Which actor lies under the pointer: a ray from the camera through the clicked point of the picture, tried
// against each drawn actor's bounds (the box around its mesh, turned and placed as its transform has it). The
// nearest box surface the ray meets wins; an actor without a mesh or a transform cannot be clicked. Portable: it reads
// the camera as numbers and the actors from the engine logic.
#pragma once

#include <optional>

#include "events/EngineTypes.h"
#include "events/Matrix4x4.h"
#include "scene/Vector3.h"

class BaseEngineLogic;
class MeshComponent;

class ActorPicker
{
public:
    struct Ray
    {
        Vector3 origin;
        Vector3 direction;
    };
    // An axis-aligned box in an actor's own space.
    struct Box
    {
        Vector3 low;
        Vector3 high;
    };
    // The camera as drawn: where it stands, its right, up and look axes, and its projection.
    struct Eye
    {
        Vector3 position;
        Vector3 right;
        Vector3 up;
        Vector3 look;
        Matrix4x4 projection;
    };

    // The ray through a point of the picture given from -1 to 1 across (left to right) and up (bottom to top).
    // The projection's scale factors say how wide the view opens, so a lens of any field of view or aspect
    // picks what it shows.
    static Ray Through(const Eye& eye, float acrossX, float upY);
    // How far along `ray` (in multiples of its direction) it meets the surface of `box` placed by `toWorld`: where
    // it enters, or, from inside, where it leaves, so that an actor enclosing the eye (a gallery walked through)
    // loses to whatever inside it the ray meets first. None when it misses, when the box lies behind the eye, or
    // when the transform cannot be inverted.
    static std::optional<float> Meets(const Ray& ray, const Box& box, const Matrix4x4& toWorld);
    // The box around the corners the mesh draws (its first shape); none for a mesh that draws nothing.
    static std::optional<Box> BoundsOf(const MeshComponent& mesh);
    // The actor whose box's surface `ray` meets first; none when it meets none.
    static std::optional<ActorId> Pick(const BaseEngineLogic& logic, const Ray& ray);
};
