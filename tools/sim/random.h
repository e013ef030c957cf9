#pragma once

// A small seeded generator (SplitMix64) whose sequence is the same on every platform and
// standard library, so a seed reproduces a faulty signal exactly.

#include <cstdint>

namespace dcf::sim {

class Random
{
public:
    explicit Random(uint64_t seed)
        : m_state(seed)
    { }

    uint64_t next()
    {
        uint64_t z = (m_state += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }

    /// Uniform in [low, high], both included.
    int64_t uniform(int64_t low, int64_t high)
    {
        const uint64_t span = static_cast<uint64_t>(high - low) + 1;
        // Rejecting the incomplete last block of the range keeps every value equally likely.
        const uint64_t limit = UINT64_MAX - UINT64_MAX % span;
        uint64_t value = next();
        while (value >= limit)
            value = next();
        return low + static_cast<int64_t>(value % span);
    }

private:
    uint64_t m_state;
};

} // namespace dcf::sim
