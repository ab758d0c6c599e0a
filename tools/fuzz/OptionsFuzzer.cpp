// Fuzz target "options": any bytes as "EngineOptions.xml", read by EngineOptions::Load. Beyond not crashing,
// the fields the file never sets must keep their defaults, and a height of 0 must not touch the aspect ratio.
// It does not open a window: what the window and device make of odd sizes is tested under Wine.
#include "app/EngineOptions.h"
#include "tools/fuzz/FuzzCheck.h"
#include "tools/fuzz/FuzzWorkspace.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string file = FuzzWorkspace::Get().Write("EngineOptions.xml", data, size);

    const EngineOptions defaults;
    EngineOptions options;
    options.Load(file);

    FUZZ_CHECK(options.m_fieldOfView == defaults.m_fieldOfView, "the field of view is never read from the file");
    FUZZ_CHECK(options.m_renderer == defaults.m_renderer, "only Direct3D 11 exists");
    if (options.m_screenHeight == 0)
    {
        FUZZ_CHECK(options.m_screenAspect == defaults.m_screenAspect, "a zero height keeps the aspect ratio");
    }
    return 0;
}
