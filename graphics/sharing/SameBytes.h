// Whether two runs of bytes are equal, eight bytes at a step. The frame compares constants with what a buffer
// holds for every mesh; the C runtime's memcmp, which a Windows build calls in the system's msvcrt, compares a
// byte at a time under Wine and costs more than the upload it saves.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

inline bool SameBytes(const void* a, const void* b, std::size_t size)
{
    const auto* left = static_cast<const unsigned char*>(a);
    const auto* right = static_cast<const unsigned char*>(b);
    std::size_t at = 0;
    for (; at + sizeof(std::uint64_t) <= size; at += sizeof(std::uint64_t))
    {
        std::uint64_t x;
        std::uint64_t y;
        // Fixed-size copies: the compiler turns them into single loads.
        std::memcpy(&x, left + at, sizeof x);
        std::memcpy(&y, right + at, sizeof y);
        if (x != y)
        {
            return false;
        }
    }
    for (; at < size; ++at)
    {
        if (left[at] != right[at])
        {
            return false;
        }
    }
    return true;
}
