#pragma once

// Sends emissions through the pseudo-terminal on an absolute monotonic schedule: offset 0 is
// one real second boundary, and every emission is due at the anchor plus its offset, so that
// the marks start on the real seconds and no error accumulates over a long run.

#include "pseudo_terminal.h"
#include "receiver_line.h"
#include "schedule.h"

#include <csignal>
#include <cstdint>
#include <optional>

namespace dcf::sim {

struct Anchor
{
    /// CLOCK_MONOTONIC nanoseconds of the real second boundary.
    int64_t monotonicNs = 0;
    /// The UTC second that begins there.
    int64_t utcSecond = 0;
};

/// The next full real-time second, on the monotonic clock.
Anchor anchorToNextSecond();

struct SenderSettings
{
    std::optional<int64_t> durationMs;
    /// Random bytes whenever the line takes them, besides the signal.
    bool flood = false;
    uint64_t seed = 1;
};

/// Sends the schedule until it ends and the duration has passed (or, without a duration, until
/// `stopRequested` turns true; a signal handler sets it and interrupts the waits).
void runSender(PseudoTerminal &terminal, ReceiverLine &line, const Anchor &anchor,
               SignalSchedule &schedule, const SenderSettings &settings,
               const volatile std::sig_atomic_t &stopRequested);

} // namespace dcf::sim
