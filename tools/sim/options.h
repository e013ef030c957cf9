#pragma once

// The command line of dcf77-sim.

#include "option_reading.h"
#include "receiver_line.h"
#include "schedule.h"

#include <cstdint>
#include <optional>
#include <string>

namespace dcf::sim {

struct Options
{
    /// Legal time of the first second sent; the current time when not given.
    std::optional<int64_t> startUtc;
    std::optional<int64_t> durationSeconds;
    std::optional<int64_t> silenceAfterSeconds;
    std::string linkPath;
    /// Where to log the moment of every edge written; nowhere when empty.
    std::string writeLogPath;
    bool flood = false;
    /// --leap-second without a time: the minute that ends at the next full hour.
    bool leapSecondNextHour = false;
    ReceiverSettings receiver;
    /// The shape of the signal; its start is set when sending begins.
    SignalOptions signal;
};

/// dcf77-sim's --help.
extern const char kSimulatorHelp[];

/// Reads dcf77-sim's arguments (argv[1] on) into `options`.
tools::Reading readSimulatorOptions(int argc, char **argv, Options &options);

/// The signal to send from `startUtc` on.
SignalOptions signalFrom(const Options &options, int64_t startUtc);

} // namespace dcf::sim
