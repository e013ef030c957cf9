#pragma once

// The running clock: after the decoder it counts hour, minute and second on against WinTimer and
// writes them into both windows, until Exit or a new Start interrupts it.

namespace dcf {

class Program;

/// Never returns normally; ends by RoutineInterrupted from its event processing.
void RunClock(Program &program);
/// One minute, second by second.
void Sekundenlauf(Program &program);

} // namespace dcf
