// Carrying an actor with the flown camera (G in fly mode): picked up, it keeps the place and turn it had seen
// from the camera, so it goes wherever the maker flies. Its pose is kept as its tracks would key it (a position
// and degrees of yaw, pitch and roll), and the matrix it is drawn with is the one those tracks build when they
// play, so the keyed actor stands exactly where it was seen. Portable: matrices and poses only.
#pragma once

#include <optional>

#include "app/live/FlyCamera.h"
#include "events/EngineTypes.h"
#include "events/Matrix4x4.h"

class ActorCarrier
{
public:
    // Picks `actor` up where `actorToWorld` has it, seen from the camera at `camera`.
    void PickUp(ActorId actor, const Matrix4x4& actorToWorld, const FlyCamera::Pose& camera);
    void PutDown() { m_actor.reset(); }
    std::optional<ActorId> Carried() const { return m_actor; }

    // Where the carried actor is with the camera at `camera`, as its tracks would key it.
    FlyCamera::Pose PoseUnder(const FlyCamera::Pose& camera) const;
    // The matrix an actor's six tracks build from `pose` when they play: rotation, then translation.
    static Matrix4x4 MatrixOf(const FlyCamera::Pose& pose);
    // The camera's own placing in the world: its axes as rows, then where it stands.
    static Matrix4x4 CameraToWorld(const FlyCamera::Pose& camera);

private:
    std::optional<ActorId> m_actor;
    Matrix4x4 m_offset;   // the actor's matrix in the camera's space
};
