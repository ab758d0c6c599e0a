// Versions of the presentation's choreography that the editing tests tell apart: one actor row's rate changed, a
// track of many keys, and a version that cannot be played.
#pragma once

#include <cstddef>

#include "scene/choreography/Choreography.h"

inline Choreography WithRate(float rate)
{
    Choreography choreography = Choreography::Presentation();
    choreography.actors.front().rate = rate;
    return choreography;
}

// The presentation with two tracks: a short one for the camera's y, then one of `keys` keys for its x.
inline Choreography WithTrack(std::size_t keys, float value)
{
    Choreography choreography = Choreography::Presentation();
    choreography.tracks.push_back(
        {Choreography::Track::kCamera, Choreography::Channel::Y, {{0.0f, 2.0f}, {9.0f, 3.0f}}});
    Choreography::Track track;
    track.channel = Choreography::Channel::X;
    for (std::size_t k = 0; k < keys; ++k)
    {
        track.keys.push_back({static_cast<float>(k) * 0.01f, value, Choreography::Ease::Linear});
    }
    choreography.tracks.push_back(std::move(track));
    return choreography;
}

inline Choreography Unplayable(const Choreography& from)
{
    Choreography broken = from;
    broken.camera.front().window = {5.0f, 5.0f};
    return broken;
}
