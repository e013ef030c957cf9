#pragma once

// The system time of an edge: its stamp is on the monotonic clock, which chrony's samples do not
// use, so each stamp is carried over with a realtime/monotonic pair read next to each other.

#include <cstdint>

namespace dcf::timeservice {

struct ClockPair
{
    int64_t realtimeNanoseconds = 0;
    int64_t monotonicNanoseconds = 0;
};

class ClockPairSource
{
public:
    virtual ~ClockPairSource() = default;
    virtual ClockPair read() = 0;
};

/// CLOCK_REALTIME between two readings of CLOCK_MONOTONIC, paired with their middle.
class SystemClocks final : public ClockPairSource
{
public:
    ClockPair read() override;
};

/// A monotonic stamp as system time, through a pair read shortly after it.
inline int64_t systemNanoseconds(const ClockPair &pair, int64_t monotonicMicroseconds)
{
    return pair.realtimeNanoseconds + (monotonicMicroseconds * 1000 - pair.monotonicNanoseconds);
}

/// CLOCK_MONOTONIC now, in the microseconds of Edge stamps.
int64_t monotonicMicrosecondsNow();

} // namespace dcf::timeservice
