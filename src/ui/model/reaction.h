#pragma once

#include <functional>

namespace dcf {

/// Unwinds a long routine (reception, decoder, running clock) from its next event processing:
/// the program is ending, or a new Start replaces the running reception. Never escapes a reaction,
/// so it never crosses a frame of the window system.
struct RoutineInterrupted
{
    enum class Reason { ProgramEnded, Restart };
    Reason reason;
};

/// A reaction of a control or window (click, change, pointer movement).
using Reaction = std::function<void()>;

/// Runs `reaction` if there is one. An interruption ends only this reaction: the routine it
/// interrupted notices at its own next event processing.
void runReaction(const Reaction &reaction);

} // namespace dcf
