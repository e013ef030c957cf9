#pragma once

// One edge of the receiver's signal as the serial service delivers it, whatever kind of receiver
// it comes from (characters, a modem-status line, RxD at 50 baud): a second mark begins or ends,
// stamped when it happened on the monotonic clock. The reception reads these edges as the
// characters "1" and "0"; the time service takes them straight from the reader's thread.

#include <cstdint>

namespace dcf {

struct Edge
{
    /// True when a mark begins (the carrier drops), false when it ends.
    bool markBegins = false;
    /// When it happened: CLOCK_MONOTONIC microseconds, the clock of TimeBase::microseconds().
    int64_t stampMicroseconds = 0;
    bool operator==(const Edge &) const = default;
};

/// Takes edges on the thread that reads the receiver, in the order they happened. It must return
/// quickly: the next edge waits for it.
class EdgeListener
{
public:
    virtual ~EdgeListener() = default;
    virtual void edge(const Edge &edge) = 0;
};

} // namespace dcf
