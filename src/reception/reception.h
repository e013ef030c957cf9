#pragma once

// The reception of one minute: attempts of reset + port opening, then one character step per
// received character until the second minute gap, then Program::receptionFinished().

namespace dcf {

class Program;

/// The Start command's reception, from the first attempt on. Returns when the port cannot be used
/// (after telling the user); otherwise ends only by RoutineInterrupted or inside the running clock.
void runReception(Program &program);

/// Puts the reception state and displays back to the start of an attempt; sleeps 1000 ms.
void ResetReception(Program &program);

} // namespace dcf
