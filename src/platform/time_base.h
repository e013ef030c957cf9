#pragma once

// The time base of the whole program: the reception times edges on it, the running clock paces
// its seconds by it, and tests replace it with virtual time.

#include <cstdint>

namespace dcf {

/// The machine's monotonic millisecond count and blocking sleeps. The count is 64 bits wide, so it
/// never wraps while the program runs.
class TimeBase
{
public:
    virtual ~TimeBase() = default;

    /// Milliseconds since an arbitrary fixed point; never goes backwards.
    virtual int64_t milliseconds() const = 0;

    /// The same clock to the microsecond (milliseconds() is this count divided by 1000), for
    /// spans that whole milliseconds would blur. A clock without finer ticks keeps this default.
    virtual int64_t microseconds() const { return milliseconds() * 1000; }

    /// Blocks the thread for `ms` milliseconds without processing any event.
    virtual void sleep(int64_t ms) = 0;

    /// Blocks without processing events until milliseconds() has reached `deadline` (returns at
    /// once when it already has).
    virtual void sleepUntil(int64_t deadline) = 0;

    /// Raise and give back the system timer resolution around a wait (only Windows needs it).
    virtual void beginPrecisePeriod() { }
    virtual void endPrecisePeriod() { }
};

/// The time base of the reception and the running clock: the millisecond count in seconds.
inline double WinTimer(const TimeBase &time)
{
    return static_cast<double>(time.milliseconds()) / 1000.0;
}

} // namespace dcf
