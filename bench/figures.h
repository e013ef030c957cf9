#pragma once

// The arithmetic of the benchmark's figures, apart from any measuring: summaries of samples,
// the error of a measured mark, how late a clock second was shown, and targets with their
// verdicts. Kept free of Qt and of clocks so that it can be checked on its own.

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace dcf::bench {

/// Median, 99th percentile and maximum of a set of samples, by nearest rank: the p-th
/// percentile is the smallest sample that at least p per cent of the samples do not exceed.
struct Summary
{
    std::size_t count = 0;
    double median = 0;
    double p99 = 0;
    double maximum = 0;
};

/// The sample at nearest rank `percent` (0 < percent <= 100) of `samples`; nothing when empty.
std::optional<double> percentile(std::vector<double> samples, double percent);
/// Nothing when there are no samples.
std::optional<Summary> summarize(const std::vector<double> &samples);

/// How many samples reach `threshold`.
std::size_t countReaching(const std::vector<double> &samples, double threshold);
/// The same as a share in per cent; nothing when there are no samples.
std::optional<double> percentReaching(const std::vector<double> &samples, double threshold);
/// "k of n (p %)": how many samples reach `threshold`.
std::string shareReaching(const std::vector<double> &samples, double threshold);

/// The nominal length of a mark, 100 or 200 ms, that a measured length in seconds stands for.
double nominalMarkMs(double measuredSeconds);
/// |measured - nominal| in milliseconds.
double markErrorMs(double measuredSeconds);

/// Processor time as a share of one core, in per cent.
double percentOfCore(double processorSeconds, double wallSeconds);

/// An upper limit that a figure must stay below (or at, when `inclusive`).
struct Target
{
    double limit = 0;
    bool inclusive = false;

    bool isMetBy(double value) const { return inclusive ? value <= limit : value < limit; }
    /// "< 1 %", "<= 2 ms".
    std::string text(const std::string &unit) const;
};

} // namespace dcf::bench
