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

/// User and system time of every thread of this process, microseconds.
int64_t processorUs()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * kUsPerSecond + usage.ru_utime.tv_usec
        + usage.ru_stime.tv_usec;
}

} // namespace

int64_t monotonicNs()
{
    // The program's time base counts the same clock in whole milliseconds.
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

ProcessorMeter::MachineTicks ProcessorMeter::machineTicks()
{
    // First line of /proc/stat: cpu user nice system idle iowait irq softirq steal ...
    std::ifstream stat("/proc/stat");
    std::string label;
    stat >> label;
    MachineTicks ticks;
    int64_t value = 0;
    for (int field = 0; stat >> value && field < kStatFields; ++field) {
        ticks.total += value;
        if (field != kIdleField && field != kIoWaitField)
            ticks.busy += value;
    }
    return ticks;
}

void ProcessorMeter::begin()
{
    m_machineBegin = machineTicks();
    m_wallBeginNs = monotonicNs();
    m_cpuBeginUs = processorUs();
    m_ended = false;
}

void ProcessorMeter::end()
{
    m_cpuEndUs = processorUs();
    m_wallEndNs = monotonicNs();
    m_machineEnd = machineTicks();
    m_ended = true;
}

double ProcessorMeter::wallSeconds() const
{
    return static_cast<double>(m_wallEndNs - m_wallBeginNs) / kNsPerSecond;
}

double ProcessorMeter::processorSeconds() const
{
    return static_cast<double>(m_cpuEndUs - m_cpuBeginUs) / kUsPerSecond;
}

double ProcessorMeter::percentOfCore() const
{
    return wallSeconds() > 0 ? processorSeconds() / wallSeconds() * 100.0 : 0;
}

double ProcessorMeter::machineBusyPercent() const
{
    const int64_t total = m_machineEnd.total - m_machineBegin.total;
    return total > 0 ? static_cast<double>(m_machineEnd.busy - m_machineBegin.busy)
            / static_cast<double>(total) * 100.0
                     : 0;
}

long peakResidentKiB()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

} // namespace dcf::bench
