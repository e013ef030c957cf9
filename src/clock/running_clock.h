#pragma once

// The running clock, the last routine of a Start: after the decoder it counts hour, minute and
// second on against WinTimer and writes them into both windows, until Exit or a new Start ends
// it through its event processing.

#include "clock/clock_context.h"

#include <cstdint>
#include <optional>

namespace dcf {

/// Never returns normally; its event processing ends it by an exception of the program's.
void RunClock(const ClockContext &context);
/// One minute, second by second. Its second 0 fell due at `secondZeroDue` (the end of the minute
/// before), or, for the clock's first minute, now. Returns when its end fell due (milliseconds).
int64_t Sekundenlauf(const ClockContext &context, std::optional<int64_t> secondZeroDue);

} // namespace dcf
