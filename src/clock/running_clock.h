#pragma once

// The running clock: after the decoder it counts hour, minute and second on against WinTimer and
// writes them into both windows, until Exit or a new Start ends it through its event processing.

#include "clock/clock_context.h"

namespace dcf {

/// Never returns normally; ends by RoutineInterrupted from its event processing.
void RunClock(const ClockContext &context);
/// One minute, second by second.
void Sekundenlauf(const ClockContext &context);

} // namespace dcf
