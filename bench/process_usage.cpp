#include "process_usage.h"

#include <chrono>
#include <fstream>
#include <string>
#include <sys/resource.h>

namespace dcf::bench {

namespace {

constexpr int64_t kUsPerSecond = 1'000'000;
constexpr double kNsPerSecond = 1e9;
/// user nice system idle iowait irq softirq steal; guest time is already inside user.
constexpr int kStatFields = 8;
constexpr int kIdleField = 3;
constexpr int kIoWaitField = 4;

} // namespace

int64_t monotonicNs()
{
    // The program's time base counts the same clock in whole milliseconds.
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

ProcessorMeter::Reading ProcessorMeter::read()
{
    Reading now;
    now.wallNs = monotonicNs();
    // User and system time of every thread of this process.
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    now.processorUs = (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * kUsPerSecond
        + usage.ru_utime.tv_usec + usage.ru_stime.tv_usec;
    // First line of /proc/stat: cpu user nice system idle iowait irq softirq steal ...
    std::ifstream stat("/proc/stat");
    std::string label;
    stat >> label;
    int64_t value = 0;
    for (int field = 0; stat >> value && field < kStatFields; ++field) {
        now.machineTicks += value;
        if (field != kIdleField && field != kIoWaitField)
            now.machineBusyTicks += value;
    }
    return now;
}

void ProcessorMeter::begin()
{
    m_begin = read();
    m_ended = false;
}

void ProcessorMeter::end()
{
    const Reading now = read();
    m_wallSeconds = static_cast<double>(now.wallNs - m_begin.wallNs) / kNsPerSecond;
    m_percentOfCore = m_wallSeconds > 0 ? static_cast<double>(now.processorUs - m_begin.processorUs)
            / kUsPerSecond / m_wallSeconds * 100.0
                                        : 0;
    const int64_t ticks = now.machineTicks - m_begin.machineTicks;
    m_machineBusyPercent = ticks > 0
        ? static_cast<double>(now.machineBusyTicks - m_begin.machineBusyTicks) * 100.0
            / static_cast<double>(ticks)
        : 0;
    m_ended = true;
}

long peakResidentKiB()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

} // namespace dcf::bench
