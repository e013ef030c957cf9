#include "figures.h"

#include <algorithm>
#include <cmath>
#include <sstream>

namespace dcf::bench {

namespace {

constexpr double kZeroMarkMs = 100;
constexpr double kOneMarkMs = 200;
/// Halfway between the two mark lengths, as the program divides them.
constexpr double kMarkSplitSeconds = 0.15;

} // namespace

std::optional<double> percentile(std::vector<double> samples, double percent)
{
    if (samples.empty())
        return std::nullopt;
    std::sort(samples.begin(), samples.end());
    const auto rank = static_cast<std::size_t>(
        std::ceil(percent / 100.0 * static_cast<double>(samples.size())));
    return samples[std::clamp<std::size_t>(rank, 1, samples.size()) - 1];
}

std::optional<Summary> summarize(const std::vector<double> &samples)
{
    if (samples.empty())
        return std::nullopt;
    Summary summary;
    summary.count = samples.size();
    summary.median = *percentile(samples, 50);
    summary.p99 = *percentile(samples, 99);
    summary.maximum = *std::max_element(samples.begin(), samples.end());
    return summary;
}

std::size_t countReaching(const std::vector<double> &samples, double threshold)
{
    return static_cast<std::size_t>(std::count_if(
        samples.begin(), samples.end(), [threshold](double value) { return value >= threshold; }));
}

std::optional<double> percentReaching(const std::vector<double> &samples, double threshold)
{
    if (samples.empty())
        return std::nullopt;
    return static_cast<double>(countReaching(samples, threshold)) * 100.0
        / static_cast<double>(samples.size());
}

std::string shareReaching(const std::vector<double> &samples, double threshold)
{
    std::ostringstream out;
    out << countReaching(samples, threshold) << " of " << samples.size();
    if (const std::optional<double> percent = percentReaching(samples, threshold))
        out << " (" << std::lround(*percent) << " %)";
    return out.str();
}

double nominalMarkMs(double measuredSeconds)
{
    return measuredSeconds < kMarkSplitSeconds ? kZeroMarkMs : kOneMarkMs;
}

double markErrorMs(double measuredSeconds)
{
    return std::abs(measuredSeconds * 1000.0 - nominalMarkMs(measuredSeconds));
}

double percentOfCore(double processorSeconds, double wallSeconds)
{
    return wallSeconds > 0 ? processorSeconds / wallSeconds * 100.0 : 0;
}

std::string Target::text(const std::string &unit) const
{
    std::ostringstream out;
    out << (inclusive ? "<= " : "< ") << limit << ' ' << unit;
    return out.str();
}

} // namespace dcf::bench
