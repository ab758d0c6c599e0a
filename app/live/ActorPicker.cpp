// Clicking an actor in the view: see ActorPicker.h.
#include "app/live/ActorPicker.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "actors/Actor.h"
#include "actors/BaseEngineLogic.h"
#include "actors/ComponentLookup.h"
#include "actors/MeshComponent.h"
#include "actors/TransformComponent.h"

ActorPicker::Ray ActorPicker::Through(const Eye& eye, float acrossX, float upY)
{
    // The projection maps a view-space point (x, y, z) to x * p00 / z across and y * p11 / z up; the point
    // at depth 1 that lands on (acrossX, upY) gives the direction.
    const float x = eye.projection(0, 0) != 0.0f ? acrossX / eye.projection(0, 0) : 0.0f;
    const float y = eye.projection(1, 1) != 0.0f ? upY / eye.projection(1, 1) : 0.0f;
    const Vector3 direction{eye.look.x + x * eye.right.x + y * eye.up.x, eye.look.y + x * eye.right.y + y * eye.up.y,
                            eye.look.z + x * eye.right.z + y * eye.up.z};
    return {eye.position, direction};
}

std::optional<float> ActorPicker::Meets(const Ray& ray, const Box& box, const Matrix4x4& toWorld)
{
    float determinant = 0.0f;
    const Matrix4x4 fromWorld = toWorld.Inverse(&determinant);
    if (!std::isfinite(determinant) || determinant == 0.0f)
    {
        return std::nullopt;
    }
    // A point along the ray keeps its parameter through an affine map, so distances compare across actors.
    const auto origin = fromWorld.Transform({ray.origin.x, ray.origin.y, ray.origin.z, 1.0f});
    const auto direction = fromWorld.Transform({ray.direction.x, ray.direction.y, ray.direction.z, 0.0f});
    const float low[3] = {box.low.x, box.low.y, box.low.z};
    const float high[3] = {box.high.x, box.high.y, box.high.z};
    float enter = 0.0f;
    float leave = std::numeric_limits<float>::max();
    for (int axis = 0; axis < 3; ++axis)
    {
        if (direction[axis] == 0.0f)
        {
            // Parallel to this pair of faces: inside them or never.
            if (origin[axis] < low[axis] || origin[axis] > high[axis])
            {
                return std::nullopt;
            }
            continue;
        }
        float near = (low[axis] - origin[axis]) / direction[axis];
        float far = (high[axis] - origin[axis]) / direction[axis];
        if (near > far)
        {
            std::swap(near, far);
        }
        enter = std::max(enter, near);
        leave = std::min(leave, far);
        if (!(enter <= leave))   // also what a NaN gives
        {
            return std::nullopt;
        }
    }
    const bool inside = enter == 0.0f && origin[0] >= low[0] && origin[0] <= high[0] && origin[1] >= low[1] &&
                        origin[1] <= high[1] && origin[2] >= low[2] && origin[2] <= high[2];
    return inside ? leave : enter;
}

std::optional<ActorPicker::Box> ActorPicker::BoundsOf(const MeshComponent& mesh)
{
    const std::vector<float>& positions = mesh.GetAttrib().vertices;
    if (mesh.GetShapes().empty())
    {
        return std::nullopt;
    }
    constexpr float kHuge = std::numeric_limits<float>::max();
    Box box{{kHuge, kHuge, kHuge}, {-kHuge, -kHuge, -kHuge}};
    bool any = false;
    for (const tinyobj::index_t& corner : mesh.GetShapes().front().mesh.indices)
    {
        // The mesh was checked when it loaded; a corner out of range is skipped all the same, never read.
        if (corner.vertex_index < 0 || static_cast<std::size_t>(corner.vertex_index) * 3 + 2 >= positions.size())
        {
            continue;
        }
        const float* p = &positions[static_cast<std::size_t>(corner.vertex_index) * 3];
        box.low = {std::min(box.low.x, p[0]), std::min(box.low.y, p[1]), std::min(box.low.z, p[2])};
        box.high = {std::max(box.high.x, p[0]), std::max(box.high.y, p[1]), std::max(box.high.z, p[2])};
        any = true;
    }
    if (!any)
    {
        return std::nullopt;
    }
    return box;
}

std::optional<ActorId> ActorPicker::Pick(const BaseEngineLogic& logic, const Ray& ray)
{
    std::optional<ActorId> nearest;
    float nearestDistance = std::numeric_limits<float>::max();
    for (const auto& [id, actor] : logic.GetActors())
    {
        const auto mesh = FindComponent<MeshComponent>(*actor);
        const auto transform = FindComponent<TransformComponent>(*actor);
        if (!mesh || !transform)
        {
            continue;
        }
        const std::optional<Box> box = BoundsOf(*mesh);
        if (!box)
        {
            continue;
        }
        if (const std::optional<float> distance = Meets(ray, *box, transform->GetTransform());
            distance && *distance < nearestDistance)
        {
            nearest = id;
            nearestDistance = *distance;
        }
    }
    return nearest;
}
