// The camera's path over a span: see CameraPath.h. The position is played as ChoreographyPlayer places the camera
// (the travelling value first, then every holding segment in order, then the tracks), so the line runs through
// the very places the frames show.
#include "app/live/CameraPath.h"

#include <algorithm>
#include <cmath>
#include <map>

namespace
{
using Channel = Choreography::Channel;

// An hour: a span that reaches further is cut there, so that a stray number never plays millions of frames.
constexpr double kLongestSeconds = 3600.0;
// Where a track takes over or hands back, a step longer than this (and than ten of the steps before) is a jump.
constexpr float kLongestCreep = 0.05f;

// The camera's x, y and z tracks (null for a coordinate without one) and their places in the choreography.
struct PositionTracks
{
    std::array<const Choreography::Track*, 3> tracks{};
    std::array<std::size_t, 3> index{};
};

PositionTracks PositionTracksOf(const Choreography& choreography)
{
    PositionTracks found;
    for (std::size_t track = 0; track < choreography.tracks.size(); ++track)
    {
        const Choreography::Track& candidate = choreography.tracks[track];
        const auto channel = static_cast<std::size_t>(candidate.channel);
        if (candidate.actor == Choreography::Track::kCamera && channel < 3)
        {
            found.tracks[channel] = &candidate;
            found.index[channel] = track;
        }
    }
    return found;
}

// What a frame leaves for the next: the travelling value, the camera's position, and how often the travelling
// value has wrapped so far (a wrap is a jump of the line).
struct Playing
{
    float travel = 0.0f;
    Vector3 position;
    std::size_t wraps = 0;
};

Playing PlayFrame(const Choreography& choreography, const PositionTracks& tracks, Playing state, float elapsed, float t)
{
    const Choreography::Travel& travel = choreography.travel;
    if (travel.window.Contains(t) && travel.wrap && state.travel + elapsed * travel.speed >= travel.wrap->at)
    {
        ++state.wraps;
    }
    state.travel = travel.Advance(state.travel, elapsed, t);
    Vector3& at = state.position;
    for (const Choreography::CameraSegment& segment : choreography.camera)
    {
        if (segment.window.Contains(t))
        {
            at = {segment.place[0].At(at.x, t, state.travel), segment.place[1].At(at.y, t, state.travel),
                  segment.place[2].At(at.z, t, state.travel)};
        }
    }
    float* const coordinates[] = {&at.x, &at.y, &at.z};
    for (std::size_t axis = 0; axis < 3; ++axis)
    {
        if (tracks.tracks[axis] != nullptr && tracks.tracks[axis]->DrivesAt(t))
        {
            *coordinates[axis] = tracks.tracks[axis]->ValueAt(t);
        }
    }
    return state;
}

// Whether the camera jumps between `before` and `after` (later): a segment begins or ends, or a track has two
// keys at one time in between. The travelling value's wraps are counted by the frames.
bool JumpsBetween(const Choreography& choreography, const PositionTracks& tracks, float before, float after)
{
    for (const Choreography::CameraSegment& segment : choreography.camera)
    {
        if (segment.window.Contains(before) != segment.window.Contains(after))
        {
            return true;
        }
    }
    for (const Choreography::Track* track : tracks.tracks)
    {
        if (track == nullptr)
        {
            continue;
        }
        const auto& keys = track->keys;
        auto key = std::upper_bound(keys.begin(), keys.end(), before,
                                    [](float time, const Choreography::Key& k) { return time < k.time; });
        for (; key != keys.end() && key->time <= after; ++key)
        {
            if (key + 1 != keys.end() && (key + 1)->time == key->time)
            {
                return true;
            }
        }
    }
    return false;
}

// Whether a track of the camera's position starts or stops driving between `before` and `after`.
bool DrivingChanges(const PositionTracks& tracks, float before, float after)
{
    return std::any_of(tracks.tracks.begin(), tracks.tracks.end(), [&](const Choreography::Track* track) {
        return track != nullptr && track->DrivesAt(before) != track->DrivesAt(after);
    });
}

float Distance(const Vector3& a, const Vector3& b)
{
    const Vector3 d{a.x - b.x, a.y - b.y, a.z - b.z};
    return std::sqrt(Vector3::Dot(d, d));
}

float NearPlane(const Matrix4x4& projection)
{
    // A left-handed perspective maps view depth z to (z * p22 + p32) / z: its near plane is at -p32 / p22.
    const float nearPlane = projection(2, 2) != 0.0f ? -projection(3, 2) / projection(2, 2) : 0.0f;
    return std::isfinite(nearPlane) && nearPlane > 0.0f ? nearPlane : 0.0f;
}

Vector3 Minus(const Vector3& a, const Vector3& b)
{
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
}

CameraPath CameraPath::Of(const Choreography& choreography, double from, double until, FixedStep step)
{
    CameraPath path;
    from = std::max(from, 0.0);
    until = std::min(until, kLongestSeconds);
    if (!(until >= from) || step.fps <= 0)
    {
        return path;
    }
    const PositionTracks tracks = PositionTracksOf(choreography);

    // The marks: the keys of each coordinate within the span, those at one time together.
    std::map<float, Mark> marks;
    for (std::size_t axis = 0; axis < 3; ++axis)
    {
        if (tracks.tracks[axis] == nullptr)
        {
            continue;
        }
        const auto& keys = tracks.tracks[axis]->keys;
        const auto first = std::lower_bound(keys.begin(), keys.end(), from,
                                            [](const Choreography::Key& k, double time) { return k.time < time; });
        for (auto key = first; key != keys.end() && key->time <= until; ++key)
        {
            Mark& mark = marks[key->time];
            mark.time = key->time;
            // A later key at the same time is the one that plays there.
            mark.keys[axis] = std::make_pair(tracks.index[axis], static_cast<std::size_t>(key - keys.begin()));
        }
    }

    // The beats, and every moment the line must pass through exactly.
    std::vector<float> beats;
    const double beat = choreography.beatSeconds;
    if (beat >= 1e-3)
    {
        // A beat on an edge of the span is in it, whatever the last bits of the division say.
        const double firstBeat = std::ceil(from / beat - 1e-6);
        const double lastBeat = std::floor(until / beat + 1e-6);
        if (lastBeat >= firstBeat && lastBeat - firstBeat < static_cast<double>(kMostTicks))
        {
            for (double k = firstBeat; k <= lastBeat; ++k)
            {
                beats.push_back(static_cast<float>(k * beat));
            }
        }
    }
    std::vector<double> moments{from, until};
    for (const float time : beats)
    {
        moments.push_back(time);
    }
    for (const auto& [time, mark] : marks)
    {
        moments.push_back(time);
    }
    std::sort(moments.begin(), moments.end());
    moments.erase(std::unique(moments.begin(), moments.end()), moments.end());

    // Every frame from the start, as a seek replays them; a moment between two frames is one shorter step on from
    // the frame before it.
    Playing state{choreography.travel.start, kStartPosition, 0};
    std::vector<std::size_t> wraps;   // per sample of the line
    const auto add = [&](float time, const Playing& at) {
        bool jumped = false;
        if (!path.m_line.empty())
        {
            const Sample& last = path.m_line.back();
            const float step = Distance(last.position, at.position);
            const float stepBefore =
                path.m_line.size() >= 2 ? Distance(path.m_line[path.m_line.size() - 2].position, last.position) : 0.0f;
            // A track that takes over from the segments (or hands back to them) jumps unless it starts where they
            // stand: a step far longer than the one before is such a jump.
            jumped = at.wraps != wraps.back() || JumpsBetween(choreography, tracks, last.time, time) ||
                     (DrivingChanges(tracks, last.time, time) && step > 10.0f * stepBefore + kLongestCreep);
        }
        path.m_line.push_back({time, at.position, jumped});
        wraps.push_back(at.wraps);
    };
    const long long lastFrame = step.FrameAtOrBefore(std::llround(until * 1e9));
    std::size_t moment = 0;
    long long before = 0;
    for (long long frame = 0; frame <= lastFrame; ++frame)
    {
        const long long now = step.Nanoseconds(frame);
        const double seconds = static_cast<double>(now) / 1e9;
        state = PlayFrame(choreography, tracks, state, static_cast<float>(static_cast<double>(now - before) / 1e9),
                          static_cast<float>(seconds));
        before = now;
        bool added = false;
        // The moments the frame itself shows take its place, on their own time.
        while (moment < moments.size() && std::llround(moments[moment] * 1e9) <= now)
        {
            add(static_cast<float>(moments[moment++]), state);
            added = true;
        }
        if (!added && seconds >= from && seconds <= until)
        {
            add(static_cast<float>(seconds), state);
        }
        const long long next = step.Nanoseconds(frame + 1);
        while (moment < moments.size() && std::llround(moments[moment] * 1e9) < next)
        {
            const double time = moments[moment++];
            add(static_cast<float>(time),
                PlayFrame(choreography, tracks, state, static_cast<float>(time - seconds), static_cast<float>(time)));
        }
    }

    // Ticks and marks stand on the line's own samples, taken at their very times.
    const auto positionAt = [&path](float time) {
        const auto found = std::lower_bound(path.m_line.begin(), path.m_line.end(), time,
                                            [](const Sample& sample, float t) { return sample.time < t; });
        return found != path.m_line.end() ? found->position : path.m_line.back().position;
    };
    for (const float time : beats)
    {
        path.m_ticks.push_back({time, positionAt(time), false});
    }
    for (auto& [time, mark] : marks)
    {
        mark.position = positionAt(time);
        path.m_marks.push_back(mark);
    }
    return path;
}

std::optional<CameraPath::Pixel> CameraPath::Project(const ActorPicker::Eye& eye, const Vector3& point, float width,
                                                     float height)
{
    const Vector3 offset = Minus(point, eye.position);
    const float depth = Vector3::Dot(offset, eye.look);
    if (!(depth > NearPlane(eye.projection)) || depth <= 0.0f)
    {
        return std::nullopt;
    }
    // The projection's scale factors, as the picture is drawn (ActorPicker::Through goes the other way).
    const float across = Vector3::Dot(offset, eye.right) * eye.projection(0, 0) / depth;
    const float up = Vector3::Dot(offset, eye.up) * eye.projection(1, 1) / depth;
    const Pixel pixel{(across + 1.0f) * 0.5f * width, (1.0f - up) * 0.5f * height};
    if (!std::isfinite(pixel.x) || !std::isfinite(pixel.y))
    {
        return std::nullopt;
    }
    return pixel;
}

std::vector<std::vector<CameraPath::Pixel>> CameraPath::ProjectLine(const ActorPicker::Eye& eye, float width,
                                                                    float height) const
{
    std::vector<std::vector<Pixel>> runs;
    std::vector<Pixel> run;
    const auto endRun = [&] {
        if (run.size() >= 2)
        {
            runs.push_back(std::move(run));
        }
        run.clear();
    };
    for (const Sample& sample : m_line)
    {
        if (sample.jumpedTo)
        {
            endRun();
        }
        if (const std::optional<Pixel> pixel = Project(eye, sample.position, width, height))
        {
            run.push_back(*pixel);
        }
        else
        {
            endRun();
        }
    }
    endRun();
    return runs;
}

std::optional<std::size_t> CameraPath::MarkAt(const ActorPicker::Eye& eye, float width, float height, Pixel pointer,
                                              float radius) const
{
    std::optional<std::size_t> nearest;
    float nearestSquared = radius * radius;
    for (std::size_t mark = 0; mark < m_marks.size(); ++mark)
    {
        if (const std::optional<Pixel> pixel = Project(eye, m_marks[mark].position, width, height))
        {
            const float dx = pixel->x - pointer.x;
            const float dy = pixel->y - pointer.y;
            if (dx * dx + dy * dy <= nearestSquared)
            {
                nearestSquared = dx * dx + dy * dy;
                nearest = mark;
            }
        }
    }
    return nearest;
}

std::optional<Vector3> CameraPath::OnViewPlane(const ActorPicker::Eye& eye, const Vector3& anchor, float width,
                                               float height, Pixel pointer)
{
    if (!(width > 0.0f && height > 0.0f))
    {
        return std::nullopt;
    }
    const ActorPicker::Ray ray =
        ActorPicker::Through(eye, 2.0f * pointer.x / width - 1.0f, 1.0f - 2.0f * pointer.y / height);
    const float towards = Vector3::Dot(ray.direction, eye.look);
    const float depth = Vector3::Dot(Minus(anchor, eye.position), eye.look);
    if (!(towards > 1e-6f) || !(depth > 0.0f))
    {
        return std::nullopt;
    }
    const float along = depth / towards;
    const Vector3 point{ray.origin.x + ray.direction.x * along, ray.origin.y + ray.direction.y * along,
                        ray.origin.z + ray.direction.z * along};
    if (!std::isfinite(point.x) || !std::isfinite(point.y) || !std::isfinite(point.z))
    {
        return std::nullopt;
    }
    return point;
}

bool CameraPath::MoveMark(Choreography& choreography, const Mark& mark, const Vector3& point)
{
    const Choreography& reading = choreography;
    for (std::size_t axis = 0; axis < 3; ++axis)
    {
        if (!mark.keys[axis])
        {
            continue;
        }
        const auto [track, key] = *mark.keys[axis];
        if (track >= reading.tracks.size() || reading.tracks[track].actor != Choreography::Track::kCamera ||
            static_cast<std::size_t>(reading.tracks[track].channel) != axis ||
            key >= reading.tracks[track].keys.size() || reading.tracks[track].keys[key].time != mark.time)
        {
            return false;
        }
    }
    const float coordinates[] = {point.x, point.y, point.z};
    for (std::size_t axis = 0; axis < 3; ++axis)
    {
        if (mark.keys[axis])
        {
            const auto [track, key] = *mark.keys[axis];
            choreography.tracks[track].keys[key].value = coordinates[axis];
        }
    }
    return true;
}
