#pragma once

// What the operating system counts for this process: processor time over a phase and the peak
// resident memory. Child processes (the simulated receiver) are not included. Qt-free.

#include <cstdint>

namespace dcf::bench {

/// The time base's monotonic clock, read to the nanosecond.
int64_t monotonicNs();

class ProcessorMeter
{
public:
    void begin();
    void end();

    bool hasRun() const { return m_ended; }
    double wallSeconds() const;
    double processorSeconds() const;
    double percentOfCore() const;
    /// How busy the whole machine was meanwhile, all processes together, in per cent of all its
    /// cores: others' work delays the program's wake-ups.
    double machineBusyPercent() const;

private:
    struct MachineTicks
    {
        int64_t busy = 0;
        int64_t total = 0;
    };
    static MachineTicks machineTicks();

    int64_t m_wallBeginNs = 0;
    int64_t m_wallEndNs = 0;
    int64_t m_cpuBeginUs = 0;
    int64_t m_cpuEndUs = 0;
    MachineTicks m_machineBegin;
    MachineTicks m_machineEnd;
    bool m_ended = false;
};

/// ru_maxrss of this process, KiB.
long peakResidentKiB();

} // namespace dcf::bench
