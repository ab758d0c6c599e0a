// The music's beat from its samples: see BeatEstimator.h.
#include "app/live/timeline/BeatEstimator.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <vector>

namespace
{
// Onset strength is sampled every 2 ms: an onset is placed to within a hop, and a line through dozens of them
// places the beat to well under a millisecond.
constexpr double kHopSeconds = 0.002;
// Energy is summed over windows of this many hops (10 ms): short enough to part a drum from the next note.
constexpr int kWindowHops = 5;
// Energy below this fraction of the track's mean counts as this much: the rise out of near-silence (an encoder's
// noise, a reverb's tail) is no onset.
constexpr double kEnergyFloor = 1e-3;
// An onset is a rise of the energy by at least this much (natural log, some 1.3 dB) from one window to the next.
// A steady tone, even one that changes its pitch, rises by far less.
constexpr double kOnsetRise = 0.3;
// The beat most music has; of the pulses the music repeats at (a drum every other beat, eighths, sixteenths),
// the estimate prefers the one nearest to it, an octave away counting about half.
constexpr double kLikeliestBeatSeconds = 0.6;
constexpr double kPreferenceOctaves = 1.0;

struct Onsets
{
    std::vector<double> strength;   // per hop: the rise of the energy at the hop's start
    double hopSeconds = kHopSeconds;
};

Onsets OnsetStrength(std::span<const std::int16_t> samples, int channels, int sampleRate)
{
    Onsets onsets;
    const auto hop = static_cast<std::size_t>(std::max(1L, std::lround(sampleRate * kHopSeconds)));
    onsets.hopSeconds = static_cast<double>(hop) / sampleRate;
    const std::size_t frames = samples.size() / static_cast<std::size_t>(channels);
    const std::size_t hops = frames / hop;
    std::vector<double> hopEnergy(hops, 0.0);
    for (std::size_t h = 0; h < hops; ++h)
    {
        double sum = 0.0;
        for (std::size_t f = h * hop; f < (h + 1) * hop; ++f)
        {
            double mono = 0.0;
            for (int c = 0; c < channels; ++c)
            {
                mono += samples[f * static_cast<std::size_t>(channels) + static_cast<std::size_t>(c)];
            }
            mono /= channels * 32768.0;
            sum += mono * mono;
        }
        hopEnergy[h] = sum;
    }
    if (hops < 2 * kWindowHops)
    {
        return onsets;
    }
    double mean = 0.0;
    for (const double e : hopEnergy)
    {
        mean += e;
    }
    mean = mean / static_cast<double>(hops) * kWindowHops;
    const double floor = std::max(mean * kEnergyFloor, 1e-12);
    // Log energy of the window starting at each hop.
    std::vector<double> level(hops - kWindowHops + 1);
    double window = 0.0;
    for (std::size_t h = 0; h < hops; ++h)
    {
        window += hopEnergy[h];
        if (h >= kWindowHops)
        {
            window -= hopEnergy[h - kWindowHops];
        }
        if (h + 1 >= kWindowHops)
        {
            level[h + 1 - kWindowHops] = std::log(std::max(window, 0.0) + floor);
        }
    }
    // The window after a hop's start against the one before it: a sharp attack rises most where it begins.
    onsets.strength.assign(level.size(), 0.0);
    for (std::size_t h = kWindowHops; h < level.size(); ++h)
    {
        onsets.strength[h] = std::max(0.0, level[h] - level[h - kWindowHops]);
    }
    return onsets;
}

// The rough beat in hops: the lag at which the onset strength best matches itself, weighed by how likely such a
// beat is. Nothing when there are no onsets to match.
std::optional<double> RoughBeatHops(const Onsets& onsets)
{
    const std::vector<double>& s = onsets.strength;
    double mean = 0.0;
    for (const double v : s)
    {
        mean += v;
    }
    mean /= static_cast<double>(s.size());
    std::vector<double> centred(s.size());
    for (std::size_t i = 0; i < s.size(); ++i)
    {
        centred[i] = s[i] - mean;
    }
    const auto shortest = static_cast<std::size_t>(BeatEstimator::kShortestBeatSeconds / onsets.hopSeconds);
    const auto longest = static_cast<std::size_t>(std::ceil(BeatEstimator::kLongestBeatSeconds / onsets.hopSeconds));
    if (longest + 2 >= centred.size())
    {
        return std::nullopt;
    }
    std::vector<double> match(longest + 2, 0.0);
    for (std::size_t lag = shortest - 1; lag <= longest + 1; ++lag)
    {
        double sum = 0.0;
        for (std::size_t i = lag; i < centred.size(); ++i)
        {
            sum += centred[i] * centred[i - lag];
        }
        match[lag] = sum / static_cast<double>(centred.size() - lag);
    }
    std::optional<std::size_t> best;
    double bestScore = 0.0;
    for (std::size_t lag = shortest; lag <= longest; ++lag)
    {
        if (match[lag] <= 0.0 || match[lag] < match[lag - 1] || match[lag] < match[lag + 1])
        {
            continue;
        }
        const double octaves = std::log2(static_cast<double>(lag) * onsets.hopSeconds / kLikeliestBeatSeconds);
        const double score = match[lag] * std::exp(-0.5 * std::pow(octaves / kPreferenceOctaves, 2.0));
        if (score > bestScore)
        {
            bestScore = score;
            best = lag;
        }
    }
    if (!best)
    {
        return std::nullopt;
    }
    // Between hops: the peak of the parabola through the best lag and its neighbours.
    const double before = match[*best - 1], at = match[*best], after = match[*best + 1];
    const double curve = before - 2.0 * at + after;
    const double shift = curve < 0.0 ? std::clamp(0.5 * (before - after) / curve, -0.5, 0.5) : 0.0;
    return static_cast<double>(*best) + shift;
}

// The onset nearest to `expected` (in hops) within `reach` hops, placed between hops by a parabola; nothing when
// none there rises by kOnsetRise.
std::optional<double> OnsetNear(const Onsets& onsets, double expected, double reach)
{
    const std::vector<double>& s = onsets.strength;
    const auto first = static_cast<long>(std::max(1.0, std::ceil(expected - reach)));
    const auto last = static_cast<long>(std::min(static_cast<double>(s.size()) - 2.0, std::floor(expected + reach)));
    std::optional<long> best;
    for (long i = first; i <= last; ++i)
    {
        const auto u = static_cast<std::size_t>(i);
        if (s[u] >= kOnsetRise && (!best || s[u] > s[static_cast<std::size_t>(*best)]))
        {
            best = i;
        }
    }
    if (!best)
    {
        return std::nullopt;
    }
    const auto u = static_cast<std::size_t>(*best);
    const double curve = s[u - 1] - 2.0 * s[u] + s[u + 1];
    const double shift = curve < 0.0 ? std::clamp(0.5 * (s[u - 1] - s[u + 1]) / curve, -0.5, 0.5) : 0.0;
    return static_cast<double>(*best) + shift;
}

// A grid counts when it holds onsets on this share of its beats, from its first onset to its last.
constexpr double kCovered = 0.75;

struct Grid
{
    double start = 0.0;   // hops
    double beat = 0.0;    // hops
    int beats = 0;
    double spread = 0.0;    // hops
    double covered = 0.0;   // the share of the grid's beats with an onset, from the first onset to the last
};

// Fits t = start + k * beat through the onsets found near the grid `guess` (within `reach` hops of each beat),
// leaving out those farther than `keep` hops from it. Each onset weighs as the square of its strength: a drum
// places the beat more exactly than a soft note in a reverb's tail.
Grid FitGrid(const Onsets& onsets, const Grid& guess, double reach, double keep)
{
    struct Point
    {
        double k, t, weight;
    };
    const double hops = static_cast<double>(onsets.strength.size());
    std::vector<Point> points;
    const auto firstBeat = static_cast<long>(std::ceil(-guess.start / guess.beat));
    for (long k = firstBeat; guess.start + static_cast<double>(k) * guess.beat < hops; ++k)
    {
        const double expected = guess.start + static_cast<double>(k) * guess.beat;
        if (const std::optional<double> onset = OnsetNear(onsets, expected, reach);
            onset && std::abs(*onset - expected) <= keep)
        {
            const double strength = onsets.strength[static_cast<std::size_t>(std::lround(*onset))];
            points.push_back({static_cast<double>(k), *onset, strength * strength});
        }
    }
    Grid fitted;
    fitted.beats = static_cast<int>(points.size());
    if (points.size() < 2)
    {
        return fitted;
    }
    double total = 0.0, meanK = 0.0, meanT = 0.0;
    for (const Point& p : points)
    {
        total += p.weight;
        meanK += p.weight * p.k;
        meanT += p.weight * p.t;
    }
    meanK /= total;
    meanT /= total;
    double kk = 0.0, kt = 0.0;
    for (const Point& p : points)
    {
        kk += p.weight * (p.k - meanK) * (p.k - meanK);
        kt += p.weight * (p.k - meanK) * (p.t - meanT);
    }
    if (kk <= 0.0)
    {
        return fitted;
    }
    fitted.beat = kt / kk;
    fitted.start = meanT - fitted.beat * meanK;
    double squares = 0.0;
    for (const Point& p : points)
    {
        const double residual = p.t - (fitted.start + fitted.beat * p.k);
        squares += p.weight * residual * residual;
    }
    fitted.spread = std::sqrt(squares / total);
    fitted.covered = static_cast<double>(points.size()) / (points.back().k - points.front().k + 1.0);
    return fitted;
}

// The grid of beats `beat` hops long that the onsets fit best: the phase that meets most onset strength, then a
// wide search around it (an eighth of a beat either way, so never the off-beat), then narrower ones around each
// line fitted, keeping only onsets on it.
Grid FitCandidate(const Onsets& onsets, double beat)
{
    const std::vector<double>& s = onsets.strength;
    const auto beatHops = static_cast<std::size_t>(std::lround(beat));
    std::size_t bestPhase = 0;
    double bestSum = -1.0;
    for (std::size_t phase = 0; phase < beatHops; ++phase)
    {
        double sum = 0.0;
        for (double at = static_cast<double>(phase); at < static_cast<double>(s.size()) - 0.5; at += beat)
        {
            sum += s[std::min(s.size() - 1, static_cast<std::size_t>(std::lround(at)))];
        }
        if (sum > bestSum)
        {
            bestSum = sum;
            bestPhase = phase;
        }
    }
    const double onGrid = BeatEstimator::kOnGridSeconds / onsets.hopSeconds;
    Grid grid{static_cast<double>(bestPhase), beat, 0, 0.0, 0.0};
    grid = FitGrid(onsets, grid, beat / 8.0, beat / 8.0);
    for (int round = 0; round < 3 && grid.beats >= 2 && grid.beat > 0.0; ++round)
    {
        grid = FitGrid(onsets, grid, 2.0 * onGrid, onGrid);
    }
    return grid;
}
}

BeatEstimator::Result BeatEstimator::Estimate(std::span<const std::int16_t> samples, int channels, int sampleRate)
{
    Result result;
    if (channels < 1 || sampleRate < 1000)
    {
        result.why =
            "no samples to read (" + std::to_string(channels) + " channels at " + std::to_string(sampleRate) + " Hz)";
        return result;
    }
    const double seconds = static_cast<double>(samples.size() / static_cast<std::size_t>(channels)) / sampleRate;
    if (seconds < kFewestBeats * kShortestBeatSeconds)
    {
        result.why = "too short for " + std::to_string(kFewestBeats) + " beats";
        return result;
    }
    const Onsets onsets = OnsetStrength(samples, channels, sampleRate);
    const std::optional<double> rough = onsets.strength.empty() ? std::nullopt : RoughBeatHops(onsets);
    if (!rough)
    {
        result.why = "no repeating onsets";
        return result;
    }

    // The music repeats at several pulses at once (a drum every other beat, eighths, sixteenths): each of the
    // rough beat's doublings and halvings in range is fitted, and of those whose grid holds onsets on most of its
    // beats, the one nearest the likeliest beat is taken.
    std::optional<Grid> chosen;
    double chosenOctaves = 0.0;
    Grid widest;
    for (int octave = -3; octave <= 3; ++octave)
    {
        const double candidate = *rough * std::pow(2.0, octave);
        const double candidateSeconds = candidate * onsets.hopSeconds;
        if (candidateSeconds < kShortestBeatSeconds || candidateSeconds > kLongestBeatSeconds)
        {
            continue;
        }
        const Grid grid = FitCandidate(onsets, candidate);
        if (grid.beats > widest.beats)
        {
            widest = grid;
        }
        if (grid.beats < kFewestBeats || grid.beat <= 0.0 || grid.covered < kCovered)
        {
            continue;
        }
        const double octaves = std::abs(std::log2(grid.beat * onsets.hopSeconds / kLikeliestBeatSeconds));
        if (!chosen || octaves < chosenOctaves)
        {
            chosen = grid;
            chosenOctaves = octaves;
        }
    }
    if (!chosen)
    {
        result.why = "onsets on " + std::to_string(widest.beats) + " beats of one grid at most (" +
                     std::to_string(static_cast<int>(std::lround(widest.covered * 100.0))) +
                     "% of its beats), fewer than " + std::to_string(kFewestBeats);
        return result;
    }
    const Grid& grid = *chosen;
    result.found = true;
    result.beatSeconds = grid.beat * onsets.hopSeconds;
    const double start = grid.start * onsets.hopSeconds;
    result.firstBeatSeconds = start - std::round(start / result.beatSeconds) * result.beatSeconds;
    result.beats = grid.beats;
    result.spreadSeconds = grid.spread * onsets.hopSeconds;
    return result;
}
