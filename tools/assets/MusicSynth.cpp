// A small additive/FM synthesiser rendered offline into a float stereo buffer: detuned saw pads through a
// gentle low-pass, FM plucks and bells, a sine bass, a soft kick and a noise shaker, then a Schroeder reverb
// and a soft limiter. Notes are placed on a beat grid from t = 0, which is when the presentation starts it.
#include "tools/assets/MusicSynth.h"

#include "tools/assets/Noise.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace
{

constexpr double kTau = 6.283185307179586;

double MidiToHz(int note)
{
    return 440.0 * std::pow(2.0, (note - 69) / 12.0);
}

struct Stereo
{
    std::vector<float> left;
    std::vector<float> right;
    explicit Stereo(size_t frames) : left(frames, 0.0f), right(frames, 0.0f) {}
    size_t Frames() const { return left.size(); }
    void Add(size_t i, float value, float pan)
    {
        // Constant-power pan, -1 left to +1 right.
        const float angle = static_cast<float>((pan + 1.0) * 0.25 * 3.14159265);
        left[i] += value * std::cos(angle);
        right[i] += value * std::sin(angle);
    }
};

// Band-limited sawtooth by polyBLEP, so the pads do not alias.
double PolyBlep(double t, double dt)
{
    if (t < dt)
    {
        t /= dt;
        return t + t - t * t - 1.0;
    }
    if (t > 1.0 - dt)
    {
        t = (t - 1.0) / dt;
        return t * t + t + t + 1.0;
    }
    return 0.0;
}

// Chords of the flight, one per bar, as MIDI notes (A minor, dreamy voicings).
const std::array<std::array<int, 4>, 4> kChords = {{
    {57, 60, 64, 71},   // Am(add9)
    {53, 57, 60, 64},   // Fmaj7
    {48, 55, 60, 62},   // C(add9)
    {55, 59, 62, 64},   // G6
}};
const std::array<int, 4> kRoots = {45, 41, 48, 43};

void Pad(Stereo& out, double start, double length, const std::array<int, 4>& chord, float level, double attack,
         double release, double cutoffHz)
{
    const int rate = MusicSynth::kSampleRate;
    const size_t first = static_cast<size_t>(std::max(0.0, start) * rate);
    const size_t last = std::min(out.Frames(), static_cast<size_t>((start + length + release) * rate));
    const double detune[3] = {-0.11, 0.0, 0.12};
    for (size_t n = 0; n < chord.size(); ++n)
    {
        const double hz = MidiToHz(chord[n]);
        double phase[3] = {0.13 * static_cast<double>(n), 0.51, 0.77};
        double lowA = 0.0;
        double lowB = 0.0;
        const double coefficient = 1.0 - std::exp(-kTau * cutoffHz / rate);
        const float pan = static_cast<float>(n) / 3.0f * 1.2f - 0.6f;
        for (size_t i = first; i < last; ++i)
        {
            const double t = static_cast<double>(i) / rate - start;
            double envelope = std::min(1.0, t / attack);
            if (t > length)
            {
                envelope *= std::max(0.0, 1.0 - (t - length) / release);
            }
            double sum = 0.0;
            for (int v = 0; v < 3; ++v)
            {
                const double dt = hz * std::pow(2.0, detune[v] / 12.0) / rate;
                phase[v] += dt;
                if (phase[v] >= 1.0)
                {
                    phase[v] -= 1.0;
                }
                sum += (2.0 * phase[v] - 1.0) - PolyBlep(phase[v], dt);
            }
            // Two one-pole stages: a soft 12 dB slope.
            lowA += coefficient * (sum - lowA);
            lowB += coefficient * (lowA - lowB);
            out.Add(i, static_cast<float>(lowB * envelope * level / 3.0), pan);
        }
    }
}

// Frequency-modulated tone with a decaying index: a pluck for ratio 1 and fast decay, a bell for ratio 3.5.
void Fm(Stereo& out, double start, int note, float level, double decay, double ratio, double index, float pan)
{
    const int rate = MusicSynth::kSampleRate;
    const double hz = MidiToHz(note);
    const size_t first = static_cast<size_t>(std::max(0.0, start) * rate);
    const size_t last = std::min(out.Frames(), first + static_cast<size_t>(decay * 6.0 * rate));
    for (size_t i = first; i < last; ++i)
    {
        const double t = static_cast<double>(i) / rate - start;
        const double envelope = std::exp(-t / decay) * std::min(1.0, t / 0.004);
        const double modulator = std::sin(kTau * hz * ratio * t) * index * std::exp(-t / (decay * 0.4));
        out.Add(i, static_cast<float>(std::sin(kTau * hz * t + modulator) * envelope * level), pan);
    }
}

void Bass(Stereo& out, double start, double length, int note, float level)
{
    const int rate = MusicSynth::kSampleRate;
    const double hz = MidiToHz(note);
    const size_t first = static_cast<size_t>(start * rate);
    const size_t last = std::min(out.Frames(), static_cast<size_t>((start + length + 0.05) * rate));
    for (size_t i = first; i < last; ++i)
    {
        const double t = static_cast<double>(i) / rate - start;
        double envelope = std::min(1.0, t / 0.01) * std::exp(-t / (length * 1.5));
        if (t > length)
        {
            envelope *= std::max(0.0, 1.0 - (t - length) / 0.05);
        }
        const double s = std::sin(kTau * hz * t);
        const double tone = std::tanh(1.6 * s) * 0.8 + 0.2 * std::sin(kTau * hz * 2.0 * t);
        out.Add(i, static_cast<float>(tone * envelope * level), 0.0f);
    }
}

void Kick(Stereo& out, double start, float level)
{
    const int rate = MusicSynth::kSampleRate;
    const size_t first = static_cast<size_t>(start * rate);
    const size_t last = std::min(out.Frames(), first + static_cast<size_t>(0.45 * rate));
    double phase = 0.0;
    for (size_t i = first; i < last; ++i)
    {
        const double t = static_cast<double>(i) / rate - start;
        const double hz = 44.0 + 80.0 * std::exp(-t / 0.035);
        phase += kTau * hz / rate;
        out.Add(i, static_cast<float>(std::sin(phase) * std::exp(-t / 0.16) * level), 0.0f);
    }
}

void Shaker(Stereo& out, double start, float level, float pan, uint32_t seed)
{
    const int rate = MusicSynth::kSampleRate;
    const size_t first = static_cast<size_t>(start * rate);
    const size_t last = std::min(out.Frames(), first + static_cast<size_t>(0.09 * rate));
    float previous = 0.0f;
    for (size_t i = first; i < last; ++i)
    {
        const double t = static_cast<double>(i) / rate - start;
        const float white = Noise::HashUnit(static_cast<uint32_t>(i), seed, 77u) * 2.0f - 1.0f;
        const float high = white - previous;   // first difference: a bright, thin noise
        previous = white;
        const double envelope = std::min(1.0, t / 0.006) * std::exp(-t / 0.028);
        out.Add(i, static_cast<float>(high * envelope * level), pan);
    }
}

// Schroeder reverb: parallel damped combs into series all-passes, with different lengths per side.
void Reverb(const std::vector<float>& in, std::vector<float>& out, int variant)
{
    const int combLengths[2][4] = {{1557, 1617, 1491, 1422}, {1580, 1640, 1514, 1445}};
    const int allpassLengths[2][2] = {{225, 556}, {248, 579}};
    std::vector<float> sum(in.size(), 0.0f);
    for (int c = 0; c < 4; ++c)
    {
        const int length = combLengths[variant][c] * 2;
        std::vector<float> buffer(static_cast<size_t>(length), 0.0f);
        size_t index = 0;
        float damped = 0.0f;
        for (size_t i = 0; i < in.size(); ++i)
        {
            const float delayed = buffer[index];
            damped = delayed * 0.7f + damped * 0.3f;
            buffer[index] = in[i] + damped * 0.86f;
            index = (index + 1) % buffer.size();
            sum[i] += delayed * 0.25f;
        }
    }
    for (int a = 0; a < 2; ++a)
    {
        std::vector<float> buffer(static_cast<size_t>(allpassLengths[variant][a]), 0.0f);
        size_t index = 0;
        for (size_t i = 0; i < sum.size(); ++i)
        {
            const float delayed = buffer[index];
            const float input = sum[i];
            buffer[index] = input + delayed * 0.5f;
            sum[i] = delayed - input * 0.5f;
            index = (index + 1) % buffer.size();
        }
    }
    out = std::move(sum);
}

}   // namespace

std::vector<int16_t> MusicSynth::Render(double seconds)
{
    const double beat = kBeatSeconds;
    const double bar = beat * 4.0;
    const size_t frames = static_cast<size_t>(seconds * kSampleRate);
    Stereo dry(frames);   // goes to the output directly
    Stereo wet(frames);   // goes through the reverb as well

    const double flightStart = 22.0 * beat;   // 14.8 s
    const double ringsJoin = 43.0 * beat;     // 28.9 s
    const double vistaStart = 65.0 * beat;    // 43.7 s
    const double end = 60.0;

    // Intro: slow pads over the plaza, one chord per bar, opening up towards the flight.
    for (int b = 0; b * bar < flightStart; ++b)
    {
        const double start = b * bar;
        const double opening = std::min(1.0, start / flightStart);
        Pad(wet, start, bar, kChords[static_cast<size_t>(b % 4)], 0.15f, 1.4, 1.6, 700.0 + 900.0 * opening);
        // A single high pluck per bar, like a star coming out.
        Fm(wet, start + beat * 2.0, kChords[static_cast<size_t>(b % 4)][3] + 12, 0.05f, 0.9, 3.5, 1.2, 0.5f);
    }

    // Flight: pulse, bass, arpeggio and pads; the bell melody joins with the rings.
    const int arpeggio[8] = {0, 2, 1, 3, 2, 1, 3, 2};
    const int melody[16] = {76, 74, 72, 71, 72, 74, 76, 79, 77, 76, 74, 72, 71, 72, 74, 72};
    int step = 0;
    for (double t = flightStart; t < vistaStart - 0.01; t += beat, ++step)
    {
        const int barIndex = static_cast<int>(std::floor((t + 1e-6) / bar));
        const size_t chord = static_cast<size_t>(((barIndex % 4) + 4) % 4);
        const int beatInBar = step % 4;
        const bool build = t >= ringsJoin;
        if (beatInBar == 0 || beatInBar == 2)
        {
            Kick(dry, t, 0.5f);
        }
        if (beatInBar == 0)
        {
            Pad(wet, t, bar, kChords[chord], build ? 0.07f : 0.075f, 0.5, 0.8, build ? 1900.0 : 1500.0);
        }
        for (int eighth = 0; eighth < 2; ++eighth)
        {
            const double at = t + eighth * beat * 0.5;
            Shaker(dry, at, eighth == 1 ? 0.09f : 0.05f, 0.35f, static_cast<uint32_t>(step * 2 + eighth));
            Bass(dry, at, beat * 0.42, kRoots[chord] + (eighth == 1 && beatInBar == 3 ? 7 : 0), 0.16f);
        }
        for (int sixteenth = 0; sixteenth < 4; ++sixteenth)
        {
            const int index = arpeggio[(beatInBar * 4 + sixteenth) % 8];
            const float pan = sixteenth % 2 == 0 ? -0.45f : 0.45f;
            Fm(wet, t + sixteenth * beat * 0.25, kChords[chord][static_cast<size_t>(index)] + 12, 0.045f, 0.16, 1.0,
               1.6, pan);
        }
        if (build && beatInBar % 2 == 0)
        {
            const int note = melody[(step / 2) % 16];
            Fm(wet, t, note, 0.07f, 0.9, 3.5, 2.0, -0.15f);
        }
    }

    // Ending under the night sky: two long chords and scattered bells, fading out.
    const std::array<int, 4> wide1 = {41, 57, 64, 72};
    const std::array<int, 4> wide2 = {45, 60, 64, 71};
    Pad(wet, vistaStart, 6.5, wide1, 0.12f, 0.8, 3.0, 1300.0);
    Pad(wet, vistaStart + 6.5, end - vistaStart - 9.0, wide2, 0.12f, 2.5, 3.5, 1100.0);
    Bass(dry, vistaStart, 3.0, 29, 0.14f);
    const int stars[10] = {84, 88, 91, 83, 86, 88, 79, 84, 91, 95};
    for (int i = 0; i < 10; ++i)
    {
        const double at = vistaStart + 0.4 + i * 1.25 + 0.3 * Noise::HashUnit(static_cast<uint32_t>(i), 91u);
        Fm(wet, at, stars[i], 0.045f, 1.4, 3.5, 1.4, (i % 2 == 0) ? -0.6f : 0.6f);
    }

    std::vector<float> roomLeft, roomRight;
    Reverb(wet.left, roomLeft, 0);
    Reverb(wet.right, roomRight, 1);

    // Mix, then scale so the loudest moment sits just under full scale before the soft limiter.
    std::vector<double> mixLeft(frames), mixRight(frames);
    double peak = 1e-9;
    for (size_t i = 0; i < frames; ++i)
    {
        mixLeft[i] = dry.left[i] + wet.left[i] * 0.75 + roomLeft[i] * 0.55;
        mixRight[i] = dry.right[i] + wet.right[i] * 0.75 + roomRight[i] * 0.55;
        peak = std::max({peak, std::fabs(mixLeft[i]), std::fabs(mixRight[i])});
    }
    const double level = 0.95 / peak;
    std::vector<int16_t> samples;
    samples.reserve(frames * 2);
    for (size_t i = 0; i < frames; ++i)
    {
        const double t = static_cast<double>(i) / kSampleRate;
        const double fadeIn = std::min(1.0, t / 0.05);
        const double fadeOut = std::clamp((end - 0.5 - t) / 4.0, 0.0, 1.0);
        const double gain = fadeIn * fadeOut;
        const double l = std::tanh(mixLeft[i] * level * 1.2) * gain;
        const double r = std::tanh(mixRight[i] * level * 1.2) * gain;
        samples.push_back(static_cast<int16_t>(std::lround(std::clamp(l, -1.0, 1.0) * 30000.0)));
        samples.push_back(static_cast<int16_t>(std::lround(std::clamp(r, -1.0, 1.0) * 30000.0)));
    }
    return samples;
}
