// The music's beat, found in its samples: the beat's length and where the grid of beats meets the track's start,
// for the timeline panel to show beside the choreography's `beat`. Onset strength is the rise of the sound's
// energy from one 10-ms window to the next; its autocorrelation gives the beat roughly, and a line fitted through
// the onsets on that rough grid gives it to a fraction of a millisecond. Portable and free of any decoder: it
// takes 16-bit PCM. It never invents a beat: music without a steady pulse gets a reason instead.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

class BeatEstimator
{
public:
    // The beat is looked for between these (200 down to 40 beats per minute).
    static constexpr double kShortestBeatSeconds = 0.3;
    static constexpr double kLongestBeatSeconds = 1.5;
    // So many onsets must sit on one grid, each within kOnGridSeconds of it, for a beat to count as found.
    static constexpr int kFewestBeats = 16;
    static constexpr double kOnGridSeconds = 0.02;

    struct Result
    {
        bool found = false;
        // The beat's length, and the beat of the fitted grid nearest to the track's start (negative when the grid
        // starts just before it), in seconds.
        double beatSeconds = 0.0;
        double firstBeatSeconds = 0.0;
        // How many onsets the grid was fitted through, and how far they sit from it (root mean square).
        int beats = 0;
        double spreadSeconds = 0.0;
        // Without a beat: why none was found.
        std::string why;
    };

    // `samples`: interleaved 16-bit PCM of `channels` channels at `sampleRate` frames per second.
    static Result Estimate(std::span<const std::int16_t> samples, int channels, int sampleRate);
};
