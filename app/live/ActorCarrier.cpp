// Carrying an actor with the flown camera: see ActorCarrier.h.
#include "app/live/ActorCarrier.h"

#include "scene/choreography/ChoreographyPlayer.h"

void ActorCarrier::PickUp(ActorId actor, const Matrix4x4& actorToWorld, const FlyCamera::Pose& camera)
{
    m_actor = actor;
    m_offset = actorToWorld * CameraToWorld(camera).Inverse();
}

FlyCamera::Pose ActorCarrier::PoseUnder(const FlyCamera::Pose& camera) const
{
    const Matrix4x4 carried = m_offset * CameraToWorld(camera);
    const YawPitchRoll angles = carried.GetYawPitchRoll();
    constexpr float kDegrees = ChoreographyPlayer::kDegreesPerRadian;
    return {{carried(3, 0), carried(3, 1), carried(3, 2)},
            angles.yaw * kDegrees,
            angles.pitch * kDegrees,
            angles.roll * kDegrees};
}

Matrix4x4 ActorCarrier::MatrixOf(const FlyCamera::Pose& pose)
{
    constexpr float kRadians = ChoreographyPlayer::kRadiansPerDegree;
    return Matrix4x4::RotationYawPitchRoll(pose.yaw * kRadians, pose.pitch * kRadians, pose.roll * kRadians) *
           Matrix4x4::Translation(pose.position.x, pose.position.y, pose.position.z);
}

Matrix4x4 ActorCarrier::CameraToWorld(const FlyCamera::Pose& camera)
{
    return FlyCamera::Orientation(camera) *
           Matrix4x4::Translation(camera.position.x, camera.position.y, camera.position.z);
}
