// The choreography the timeline's benchmarks edit many keys of: the presentation with `tracks` tracks (the actors'
// six channels, from actor 1 on) of `keysPerTrack` keys, one on each beat, their modes in turn.
#pragma once

#include <cstddef>
#include <utility>

#include "scene/choreography/Choreography.h"

inline Choreography ManyKeys(std::size_t tracks, std::size_t keysPerTrack)
{
    Choreography choreography = Choreography::Presentation();
    for (std::size_t t = 0; t < tracks; ++t)
    {
        Choreography::Track track;
        track.actor = static_cast<ActorId>(1 + t / Choreography::kChannelCount);
        track.channel = static_cast<Choreography::Channel>(t % Choreography::kChannelCount);
        for (std::size_t k = 0; k < keysPerTrack; ++k)
        {
            track.keys.push_back({choreography.beatSeconds * static_cast<float>(k), static_cast<float>(k % 7),
                                  static_cast<Choreography::Ease>(k % Choreography::kEaseCount)});
        }
        choreography.tracks.push_back(std::move(track));
    }
    return choreography;
}
