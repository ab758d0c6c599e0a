// The sound's latency as a user measures it: a click track plays through the music's own path, the user taps on
// each click they hear, and the time from a click's place in the track to its tap is the latency (plus how early
// or late the user taps, which the spread shows). This is the model: the clicks' schedule, the taps, the result,
// and the file that keeps a result for later runs ("MusicCalibration.xml", beside the options file, which it
// never touches). Portable: the application plays the clicks and timestamps the taps on the system clock.
#pragma once

#include <optional>
#include <string>
#include <vector>

class LatencyCalibration
{
public:
    static constexpr const char* kFileName = "MusicCalibration.xml";
    // Four clicks to find the beat, then the sixteen that count.
    static constexpr int kLeadInClicks = 4;
    static constexpr int kCountedClicks = 16;
    static constexpr int kClicks = kLeadInClicks + kCountedClicks;
    static constexpr double kFirstClickSeconds = 1.0;   // in the click track
    static constexpr double kBeatSeconds = 0.75;        // 80 beats per minute: time to hear, then tap
    // A tap belongs to the click before it, up to this much before the click (an eager tap) and up to a beat
    // less that after it: a latency up to 650 ms is measured.
    static constexpr double kEarliestTapSeconds = 0.1;
    // Fewer taps than this on counted clicks give no result.
    static constexpr int kFewestTaps = 8;

    struct Result
    {
        double latencySeconds = 0.0;   // the median time from a click's place in the track to its tap
        double spreadSeconds = 0.0;    // the taps' standard deviation around their mean
        int taps = 0;
    };

    // The click track's `seconds` as the place of each click: kFirstClickSeconds + k * kBeatSeconds.
    static double ClickSeconds(int click);
    static double TrackSeconds() { return ClickSeconds(kClicks - 1) + 1.0; }

    // A new run: the track started playing at `trackStartSeconds` on the system clock (its position 0 then).
    void Begin(double trackStartSeconds);
    // A better estimate of when the track started, as the track's position is read again.
    void RefineStart(double trackStartSeconds);
    // When the track's position passed click `click`'s place, on the system clock, from readings of the position
    // near it: the latency is measured from there. Under Wine the position falls behind the wall clock by tens
    // of milliseconds in a quarter of a minute, and the music's lead is taken against the position, so a click
    // is placed by its own readings rather than by the track's start. The earliest placing counts.
    void PlaceClick(int click, double seconds);
    // Where click `click` was placed: by its own readings, or else by the track's start.
    double ClickPlayedAt(int click) const;
    // A tap at `seconds` on the system clock. Taps on no counted click are ignored.
    void Tap(double seconds);
    // The taps so far on counted clicks; what counts needs kFewestTaps.
    int Taps() const { return static_cast<int>(m_offsets.size()); }
    // The track's start on the system clock, as placed so far (0 before Begin).
    double TrackStart() const { return m_trackStart.value_or(0.0); }
    std::optional<Result> Measure() const;
    // Where the clicks stand: the click heard last, by the track's clock (-1 before the first).
    int ClickAt(double seconds) const;

    // Reads the latency kept in `fileName`: nothing when there is no file; nothing, with `problem` set, when it is
    // not one this program wrote (or holds no whole number of milliseconds from 0 to `longestMs`).
    static std::optional<int> LoadKept(const std::string& fileName, int longestMs, std::string* problem);
    // Keeps `result` in `fileName`, through a temporary file; the version it replaces stays as FILE.bak. False,
    // with `problem` set, when it could not be written (the old file then stays as it was).
    static bool Keep(const Result& result, const std::string& fileName, std::string* problem);

private:
    std::optional<double> m_trackStart;
    // Tap minus click, per counted click, the last tap on each.
    std::vector<std::optional<double>> m_perClick;
    std::vector<double> m_offsets;
    std::vector<double> m_tapTimes;
    std::vector<std::optional<double>> m_placed;   // per click
    void Recount();
};
