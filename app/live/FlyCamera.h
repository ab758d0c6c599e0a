// Fly mode's camera as state: where the maker flies it and how it is turned, moved by held keys and turned by the
// mouse, with angles kept as the choreography's tracks keep them (degrees of yaw, pitch and roll). So keying what
// is seen writes exactly the numbers that built the picture, and the tracks build the same picture back. It reads
// no input device and draws nothing: the live tools feed it and put its pose on the scene's one camera.
#pragma once

#include <array>

#include "events/Matrix4x4.h"
#include "scene/Vector3.h"

class FreeCameraNode;

class FlyCamera
{
public:
    // Where the camera stands and how it is turned: the six channels a camera's tracks drive, in their order
    // (x, y, z, yaw, pitch, roll), angles in degrees.
    struct Pose
    {
        Vector3 position;
        float yaw = 0.0f;
        float pitch = 0.0f;
        float roll = 0.0f;

        std::array<float, 6> Channels() const { return {position.x, position.y, position.z, yaw, pitch, roll}; }
    };

    // One frame's input: each direction -1, 0 or 1 (held keys), the pointer's travel in pixels while it turns
    // the camera, and wheel notches (positive away from the user).
    struct Input
    {
        float forward = 0.0f;
        float right = 0.0f;
        float up = 0.0f;
        bool fast = false;
        float turnX = 0.0f;
        float turnY = 0.0f;
        float wheel = 0.0f;
    };

    // Units per second at first: half the presentation's own flight, slow enough to place a camera by eye.
    static constexpr float kStartSpeed = 8.0f;
    static constexpr float kFastFactor = 4.0f;
    // Each wheel notch speeds up or slows down by this factor, within the two limits.
    static constexpr float kWheelFactor = 1.25f;
    static constexpr float kSlowest = 0.25f;
    static constexpr float kFastest = 512.0f;
    static constexpr float kDegreesPerPixel = 0.25f;
    // Looking straight up or down would make yaw and roll the same turn, which angles cannot tell apart.
    static constexpr float kSteepest = 89.0f;
    // A frame longer than this (a stall, a breakpoint) moves the camera as far as this would: it never leaps.
    static constexpr float kLongestStep = 0.25f;

    bool IsFlying() const { return m_flying; }
    // Takes the camera over where it stands, turned as it is (as near as angles can say: see PoseOf).
    void Enter(const FreeCameraNode& camera);
    // The speed set by the wheel stays for the next flight.
    void Leave() { m_flying = false; }

    // One frame of `seconds` of wall time: the wheel sets the speed, the pointer turns, the keys move along the
    // camera's look and right axes and the world's up.
    void Update(const Input& input, float seconds);
    const Pose& GetPose() const { return m_pose; }
    void SetPose(const Pose& pose) { m_pose = pose; }
    float GetSpeed() const { return m_speed; }

    // Puts the pose on `camera`: its position, and the basis the choreography's tracks build from these angles.
    void ApplyTo(FreeCameraNode& camera) const;

    // The rotation whose rows are the right, up and look axes for angles in degrees, built exactly as a camera's
    // tracks build it when they play.
    static Matrix4x4 Orientation(const Pose& pose);
    // A camera's position and its basis as angles in degrees, as a camera's tracks would read them.
    static Pose PoseOf(const FreeCameraNode& camera);

private:
    bool m_flying = false;
    Pose m_pose;
    float m_speed = kStartSpeed;
};
