#pragma once

// What the operating system counts for this process: processor time over a phase and the peak
// resident memory. Child processes (the simulated receiver) are not included. Qt-free.

#include <cstdint>

namespace dcf::bench {

/// The time base's monotonic clock, read to the nanosecond.
int64_t monotonicNs();

/// This process's processor time over a phase, and how busy the whole machine was meanwhile.
class ProcessorMeter
{
public:
    void begin();
    void end();

    bool hasRun() const { return m_ended; }
    double wallSeconds() const { return m_wallSeconds; }
    double percentOfCore() const { return m_percentOfCore; }
    /// All processes together, in per cent of all the cores: others' work delays the program's
    /// wake-ups.
    double machineBusyPercent() const { return m_machineBusyPercent; }

private:
    struct Reading
    {
        int64_t wallNs = 0;
        int64_t processorUs = 0;
        int64_t machineBusyTicks = 0;
        int64_t machineTicks = 0;
    };
    static Reading read();

    Reading m_begin;
    double m_wallSeconds = 0;
    double m_percentOfCore = 0;
    double m_machineBusyPercent = 0;
    bool m_ended = false;
};

/// ru_maxrss of this process, KiB.
long peakResidentKiB();

} // namespace dcf::bench
