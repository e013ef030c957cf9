#include "timeservice/clock_pair.h"

#include <ctime>

namespace dcf::timeservice {

namespace {

int64_t nanoseconds(clockid_t clock)
{
    timespec now {};
    clock_gettime(clock, &now);
    return static_cast<int64_t>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

} // namespace

ClockPair SystemClocks::read()
{
    const int64_t before = nanoseconds(CLOCK_MONOTONIC);
    const int64_t realtime = nanoseconds(CLOCK_REALTIME);
    const int64_t after = nanoseconds(CLOCK_MONOTONIC);
    return {realtime, before + (after - before) / 2};
}

int64_t monotonicMicrosecondsNow()
{
    return nanoseconds(CLOCK_MONOTONIC) / 1000;
}

} // namespace dcf::timeservice
