// The sound's latency as a user measures it: the music plays a passage of its own through its own device, the user
// taps on each drum beat they hear, and the time from a beat's place in the track to its tap is the latency (plus
// how early or late the user taps, which the spread shows). So what is measured is the music's own path: the same
// device, file and decoder whose lead the latency sets. This is the model: the beats' schedule, the taps, the
// result, and the file that keeps a result for later runs ("MusicCalibration.xml", beside the options file, which
// it never touches). Portable: the application plays the passage and timestamps the taps on the system clock.
#pragma once

#include <optional>
#include <string>
#include <vector>

class LatencyCalibration
{
public:
    static constexpr const char* kFileName = "MusicCalibration.xml";
    // Four beats to find the beat, then the sixteen that count.
    static constexpr int kLeadInBeats = 4;
    static constexpr int kCountedBeats = 16;
    static constexpr int kBeats = kLeadInBeats + kCountedBeats;
    // The beats tapped are the drum of the track's flight section ("DemoTrack01.mp3", as the build makes it): a
    // hit on every second beat of its 0.671875 s, from beat 22 (14.78 s) to beat 60 (40.31 s), 44.7 a minute,
    // time enough to hear each one and tap. Between them the track is quiet enough to hear where a hit begins.
    static constexpr double kTrackBeatSeconds = 0.671875;
    static constexpr double kFirstBeatSeconds = 22 * kTrackBeatSeconds;
    static constexpr double kBeatSeconds = 2 * kTrackBeatSeconds;
    // The passage starts this long before the first beat, and ends as long after the last.
    static constexpr double kLeadSeconds = 1.0;
    // A tap belongs to the beat before it, up to this much before the beat (an eager tap) and up to a beat
    // less that after it: a latency up to 1.24 s is measured.
    static constexpr double kEarliestTapSeconds = 0.1;
    // Fewer taps than this on counted beats give no result.
    static constexpr int kFewestTaps = 8;

    struct Result
    {
        double latencySeconds = 0.0;   // the median time from a beat's place in the track to its tap
        double spreadSeconds = 0.0;    // the taps' standard deviation around their mean
        int taps = 0;
    };

    // The place of each beat in the track, in its seconds: kFirstBeatSeconds + k * kBeatSeconds.
    static double BeatSeconds(int beat);
    // The passage played: from kLeadSeconds before the first beat to as long after the last.
    static double PassageStartSeconds() { return BeatSeconds(0) - kLeadSeconds; }
    static double PassageEndSeconds() { return BeatSeconds(kBeats - 1) + kLeadSeconds; }

    // A new run: the track started playing at `trackStartSeconds` on the system clock (its position 0 then).
    void Begin(double trackStartSeconds);
    // A better estimate of when the track started, as the track's position is read again.
    void RefineStart(double trackStartSeconds);
    // When the track's position passed beat `beat`'s place, on the system clock, from readings of the position
    // near it: the latency is measured from there, as the music's lead is taken against the position. A beat is
    // placed by its own readings rather than by the track's start, so that a position that falls behind the wall
    // clock (a machine too busy to decode in time) does not move it. The earliest placing counts.
    void PlaceBeat(int beat, double seconds);
    // Where beat `beat` was placed: by its own readings, or else by the track's start.
    double BeatPlayedAt(int beat) const;
    // A tap at `seconds` on the system clock. Taps on no counted beat are ignored.
    void Tap(double seconds);
    // The taps so far on counted beats; what counts needs kFewestTaps.
    int Taps() const { return static_cast<int>(m_offsets.size()); }
    // The track's start on the system clock, as placed so far (0 before Begin).
    double TrackStart() const { return m_trackStart.value_or(0.0); }
    std::optional<Result> Measure() const;
    // Where the beats stand: the beat heard last, by the track's clock (-1 before the first).
    int BeatAt(double seconds) const;

    // Reads the latency kept in `fileName`: nothing when there is no file; nothing, with `problem` set, when it is
    // not one this program wrote (or holds no whole number of milliseconds from 0 to `longestMs`).
    static std::optional<int> LoadKept(const std::string& fileName, int longestMs, std::string* problem);
    // Keeps `result` in `fileName`, through a temporary file; the version it replaces stays as FILE.bak. False,
    // with `problem` set, when it could not be written (the old file then stays as it was).
    static bool Keep(const Result& result, const std::string& fileName, std::string* problem);

private:
    std::optional<double> m_trackStart;
    // Tap minus beat, per counted beat, the last tap on each.
    std::vector<std::optional<double>> m_perBeat;
    std::vector<double> m_offsets;
    std::vector<double> m_tapTimes;
    std::vector<std::optional<double>> m_placed;   // per beat
    void Recount();
};
