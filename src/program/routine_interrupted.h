#pragma once

// How the long routines give way. Exit ends them all; a new Start ends the reception and the
// running clock (not the decoder, and not a reaction such as Hide). The program throws this from
// the event processing that it hands to each routine, and catches it where the routine began.

namespace dcf {

struct RoutineInterrupted
{
    enum class Reason { ProgramEnded, Restart };
    Reason reason;
};

} // namespace dcf
