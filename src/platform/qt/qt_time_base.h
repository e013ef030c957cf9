#pragma once

// The time base on Qt: the clock that stamps edges and paces the running clock, with sleeps that
// block in the operating system.

#include "platform/time_base.h"

namespace dcf {

/// The machine's monotonic clock to the microsecond: QtTimeBase's clock, for a thread that
/// stamps events without going through a time base.
int64_t monotonicMicroseconds();

/// The machine's monotonic clock in milliseconds. Sleeps block the thread in the operating system
/// (no event processing, no spinning) until an absolute deadline, so they do not drift.
class QtTimeBase final : public TimeBase
{
public:
    int64_t milliseconds() const override;
    int64_t microseconds() const override;
    void sleep(int64_t ms) override;
    void sleepUntil(int64_t deadline) override;
    void beginPrecisePeriod() override;
    void endPrecisePeriod() override;
};

} // namespace dcf
