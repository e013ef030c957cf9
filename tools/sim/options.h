#pragma once

// The command line of dcf77-sim.

#include "schedule.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace dcf::sim {

inline constexpr int kExitBadUsage = 2;

struct Options
{
    bool help = false;
    bool verbose = false;
    /// Legal time of the first second sent; the current time when not given.
    std::optional<int64_t> startUtc;
    std::optional<int64_t> durationSeconds;
    std::optional<std::string> linkPath;
    std::optional<std::string> replayPath;

    int jitterMs = 0;
    uint64_t seed = 1;
    int noisePerSecond = 0;
    bool flood = false;
    std::vector<FaultAt> faults;
    bool callBit = false;
    /// --leap-second without a time: the minute that ends at the next full hour.
    bool leapSecondNextHour = false;
    std::optional<int64_t> leapMinuteUtc;
    std::optional<int64_t> silenceAfterSeconds;
};

struct OptionsOrError
{
    std::optional<Options> options;
    std::string error;
};

/// Reads the arguments (without the program name).
OptionsOrError parseOptions(const std::vector<std::string> &arguments);

std::string helpText();

/// The signal options for sending from `startUtc` on.
SignalOptions signalOptionsFor(const Options &options, int64_t startUtc);

} // namespace dcf::sim
