// The byte comparison the frame uses in place of memcmp: a difference anywhere, in the eight-byte steps or in
// the tail after them, makes two runs unequal, and runs of every length up to a few steps compare as memcmp does.
#include "graphics/sharing/SameBytes.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

TEST(SameBytes, FindsEveryDifferenceWhateverTheLengthAndPlace)
{
    for (std::size_t size = 0; size <= 40; ++size)
    {
        std::vector<unsigned char> a(size + 1);
        for (std::size_t i = 0; i < a.size(); ++i)
        {
            a[i] = static_cast<unsigned char>(i * 37 + 11);
        }
        std::vector<unsigned char> b = a;
        b[size] ^= 0xFF;   // past the compared run: must not count
        EXPECT_TRUE(SameBytes(a.data(), b.data(), size)) << size;
        for (std::size_t at = 0; at < size; ++at)
        {
            std::vector<unsigned char> c = a;
            c[at] ^= 0x01;
            EXPECT_FALSE(SameBytes(a.data(), c.data(), size)) << size << " at " << at;
            EXPECT_EQ(SameBytes(a.data() + 1, c.data() + 1, size - 1),
                      std::memcmp(a.data() + 1, c.data() + 1, size - 1) == 0)
                << "unaligned, " << size << " at " << at;
        }
    }
}
