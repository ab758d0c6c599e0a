// Synthesises "DemoTrack01": about a minute of calm music in time with the presentation. A pad intro for the
// plaza (0-15 s), a pulse at 89.3 beats per minute for the flight (one bar per 43-unit causeway segment at 16
// units per second, with a bell melody from 29 s when the rings come together) and a wide, slow ending under
// the night sky from 44 s. Samples only: WAV encoding is WavFile's, and MP3 encoding happens in the build.
#pragma once

#include <cstdint>
#include <vector>

class MusicSynth
{
public:
    static constexpr int kSampleRate = 44100;
    static constexpr double kBeatSeconds = 43.0 / 16.0 / 4.0;   // a bar per causeway segment

    // Interleaved stereo 16-bit samples of the first `seconds` of the piece (the whole piece is 60 s).
    static std::vector<int16_t> Render(double seconds = 60.0);
};
