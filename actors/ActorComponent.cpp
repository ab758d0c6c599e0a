// ActorComponent: the component name hash.
// The hash only needs to be stable and case-insensitive; it is not meant to resist collisions on purpose.
#include "actors/ActorComponent.h"

ComponentId ActorComponent::ComponentIdFromName(const char* name)
{
    if (name == nullptr || *name == '\0')
    {
        return 0;
    }
    // 65521 is the largest prime below 2^16; 5552 bytes is the longest run after which `b` still cannot
    // overflow 32 bits before it is reduced (the Adler-32 bound).
    constexpr std::uint32_t kModulus = 65521;
    constexpr int kBlock = 5552;

    std::uint32_t a = 0;
    std::uint32_t b = 0;
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(name);
    while (*bytes != '\0')
    {
        for (int i = 0; i < kBlock && *bytes != '\0'; ++i, ++bytes)
        {
            unsigned char c = *bytes;
            if (c >= 'A' && c <= 'Z')
            {
                c = static_cast<unsigned char>(c - 'A' + 'a');
            }
            a += c;
            b += a;
        }
        a %= kModulus;
        b %= kModulus;
    }
    return (b << 16) | a;
}
