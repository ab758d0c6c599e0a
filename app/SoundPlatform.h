// What the platform says about the music's way to the ear, for MusicLatency: whether the program runs under Wine,
// and the output latency Windows reports for a shared stream on the default device. It plays nothing and keeps
// nothing open.
#pragma once

#include <optional>

#include "app/MusicLatency.h"

class SoundPlatform
{
public:
    // Wine's ntdll exports wine_get_version, which Windows' never has: the usual way for a program to tell.
    static bool IsWine();
    // The stream latency of a shared-mode WASAPI stream on the default output device (IAudioClient's
    // GetStreamLatency, after Initialize), in seconds; nothing when there is no device or it does not answer.
    // Asked on a thread of its own, whose COM apartment it sets up and ends, so that the caller's is left alone.
    static std::optional<double> ReportedOutputLatencySeconds();
    // Both, for MusicLatency::Choose; the report is asked for only where it would be used: not under Wine.
    static MusicLatency::Platform Ask();
};
