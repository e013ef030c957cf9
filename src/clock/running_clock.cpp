#include "clock/running_clock.h"

#include "ui/program.h"

namespace dcf {

// Placeholder until the running clock is built.
void RunClock(Program &) { }
void Sekundenlauf(Program &) { }

} // namespace dcf
