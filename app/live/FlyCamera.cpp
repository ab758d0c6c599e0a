// Fly mode's camera: see FlyCamera.h.
#include "app/live/FlyCamera.h"

#include <algorithm>
#include <cmath>

#include "scene/choreography/ChoreographyPlayer.h"
#include "scene/FreeCameraNode.h"

void FlyCamera::Enter(const FreeCameraNode& camera)
{
    m_pose = PoseOf(camera);
    m_pose.pitch = std::clamp(m_pose.pitch, -kSteepest, kSteepest);
    m_flying = true;
}

void FlyCamera::Update(const Input& input, float seconds)
{
    if (std::isfinite(input.wheel) && input.wheel != 0.0f)
    {
        m_speed = std::clamp(m_speed * std::pow(kWheelFactor, input.wheel), kSlowest, kFastest);
    }

    // Upside down (the presentation starts so), the world's right is the screen's left and its down the
    // screen's up: the turn follows the pointer as seen.
    const float flip = std::fabs(m_pose.roll) > 90.0f ? -1.0f : 1.0f;
    if (std::isfinite(input.turnX) && std::isfinite(input.turnY))
    {
        m_pose.yaw = std::remainder(m_pose.yaw + flip * input.turnX * kDegreesPerPixel, 360.0f);
        m_pose.pitch = std::clamp(m_pose.pitch + flip * input.turnY * kDegreesPerPixel, -kSteepest, kSteepest);
    }

    if (!(seconds > 0.0f))
    {
        return;
    }
    const Matrix4x4 axes = Orientation(m_pose);
    const float forward = std::clamp(input.forward, -1.0f, 1.0f);
    const float right = std::clamp(input.right, -1.0f, 1.0f);
    const float up = std::clamp(input.up, -1.0f, 1.0f);
    const Vector3 direction{forward * axes(2, 0) + right * axes(0, 0), forward * axes(2, 1) + right * axes(0, 1) + up,
                            forward * axes(2, 2) + right * axes(0, 2)};
    // Diagonally no faster than straight on.
    const Vector3 unit = Vector3::Normalize(direction);
    const float distance = m_speed * (input.fast ? kFastFactor : 1.0f) * std::min(seconds, kLongestStep);
    m_pose.position.x += unit.x * distance;
    m_pose.position.y += unit.y * distance;
    m_pose.position.z += unit.z * distance;
}

void FlyCamera::ApplyTo(FreeCameraNode& camera) const
{
    const Matrix4x4 axes = Orientation(m_pose);
    camera.SetPosition(m_pose.position.x, m_pose.position.y, m_pose.position.z);
    camera.SetBasis({axes(0, 0), axes(0, 1), axes(0, 2)}, {axes(1, 0), axes(1, 1), axes(1, 2)},
                    {axes(2, 0), axes(2, 1), axes(2, 2)});
}

Matrix4x4 FlyCamera::Orientation(const Pose& pose)
{
    // The same products as a track's angle played onto the camera, so that the keyed picture is this one.
    constexpr float kRadians = ChoreographyPlayer::kRadiansPerDegree;
    return Matrix4x4::RotationYawPitchRoll(pose.yaw * kRadians, pose.pitch * kRadians, pose.roll * kRadians);
}

FlyCamera::Pose FlyCamera::PoseOf(const FreeCameraNode& camera)
{
    const YawPitchRoll angles = ChoreographyPlayer::CameraAngles(camera);
    constexpr float kDegrees = ChoreographyPlayer::kDegreesPerRadian;
    return {camera.GetPosition(), angles.yaw * kDegrees, angles.pitch * kDegrees, angles.roll * kDegrees};
}
