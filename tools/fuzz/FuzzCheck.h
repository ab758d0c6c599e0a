// The fuzz targets' oracle beyond the sanitizers: a property of the result that must hold for every input.
// A broken property aborts, which libFuzzer records as a crash with the input that caused it. Not for use
// in engine code, where bad data is reported and survived instead.
#pragma once

#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(condition, message)                                                                                 \
    do                                                                                                                 \
    {                                                                                                                  \
        if (!(condition))                                                                                              \
        {                                                                                                              \
            std::fprintf(stderr, "%s:%d: property broken: %s (%s)\n", __FILE__, __LINE__, message, #condition);        \
            std::abort();                                                                                              \
        }                                                                                                              \
    } while (false)
