// Fuzz target "choreography": any bytes as a choreography file, read by ChoreographyFile::Load. A refusal must
// name the file; a file that loads must be valid, write back to text that reads as the same choreography and
// writes again byte for byte, and play without a value going non-finite: every track at and between its keys,
// every coordinate, and the travelling value over a minute of frames. Playing onto a scene is left to the tests.
#include "scene/choreography/ChoreographyFile.h"
#include "tools/fuzz/FuzzCheck.h"
#include "tools/fuzz/FuzzWorkspace.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string file = FuzzWorkspace::Get().Write("choreography.xml", data, size);
    std::string problem;
    const std::optional<Choreography> loaded = ChoreographyFile::Load(file, &problem);
    if (!loaded)
    {
        FUZZ_CHECK(problem.rfind(file + ":", 0) == 0, "a refused file is named first");
        FUZZ_CHECK(problem.find('\n') == std::string::npos, "a refusal is one line");
        return 0;
    }
    FUZZ_CHECK(loaded->Validate().empty(), "what loads is valid");

    const std::string text = ChoreographyFile::Write(*loaded);
    const std::optional<Choreography> again = ChoreographyFile::Load(FuzzWorkspace::Get().Write("again.xml", text));
    FUZZ_CHECK(again && *again == *loaded, "the written file reads back as the same choreography");
    FUZZ_CHECK(ChoreographyFile::Write(*again) == text, "written again, byte for byte");

    for (const Choreography::Track& track : loaded->tracks)
    {
        for (std::size_t k = 0; k < track.keys.size() && k < 1000; ++k)
        {
            const float t = track.keys[k].time;
            const float next = k + 1 < track.keys.size() ? track.keys[k + 1].time : t + 1.0f;
            for (const float at : {t, t + (next - t) * 0.37f, std::nextafter(next, t)})
            {
                FUZZ_CHECK(std::isfinite(track.ValueAt(at)), "a track's value stays finite");
            }
        }
    }
    float travel = loaded->travel.start;
    for (int frame = 0; frame < 3600; ++frame)
    {
        const float t = static_cast<float>(frame) / 60.0f;
        travel = loaded->travel.Advance(travel, 1.0f / 60.0f, t);
        for (const Choreography::CameraSegment& segment : loaded->camera)
        {
            for (const Choreography::Coordinate& coordinate : segment.place)
            {
                FUZZ_CHECK(std::isfinite(coordinate.At(0.0f, t, travel)), "a camera coordinate stays finite");
            }
        }
    }
    FUZZ_CHECK(std::isfinite(travel), "the travelling value stays finite");
    return 0;
}
