#pragma once

// Watches the running program through its hooks: each mark it measured, with the arrival stamps
// of its two edges, and each second its clock showed, with when it fell due. Each hook comes the
// moment the program has handled the edge or shown the second, so its time stamp also tells how
// long the edge waited to be processed and how late the second came.

#include "program/program_observer.h"

#include <cstdint>
#include <vector>

namespace dcf {
class Program;
} // namespace dcf

namespace dcf::bench {

/// The time base's monotonic clock, read to the nanosecond.
int64_t monotonicNs();

class ProgramProbe final : public ProgramObserver
{
public:
    /// Watches `program` from now on.
    explicit ProgramProbe(Program &program);
    ~ProgramProbe() override;
    ProgramProbe(const ProgramProbe &) = delete;
    ProgramProbe &operator=(const ProgramProbe &) = delete;

    void markBegan(int64_t arrivalMicroseconds) override;
    void markMeasured(const MeasuredMark &mark) override;
    void secondShown(const ShownSecond &second) override;
    void minuteDecoded(const DecodedMinute &minute) override;

    /// A pulse as the program measured it.
    struct Pulse
    {
        /// Its length as the program classifies it, seconds.
        double measuredSeconds = 0;
        /// The arrival stamps of its two edges, microseconds on the monotonic clock.
        int64_t beginUs = 0;
        int64_t endUs = 0;
        /// The longer of its two edges' waits from arrival to processing, ms.
        double longestWaitMs = 0;
    };

    /// What is recorded under one condition.
    struct Recording
    {
        std::vector<Pulse> pulses;
        /// How long each edge waited from its arrival to its processing, ms.
        std::vector<double> waitsMs;
        /// Lateness of each clock second, ms, and the second shown.
        std::vector<double> secondsLate;
        std::vector<int> secondsShown;
    };

    /// Where pulses and their edges' waits go; nowhere when null.
    Recording *marksTo = nullptr;
    /// Where clock seconds go; nowhere when null.
    Recording *secondsTo = nullptr;

    /// Clock seconds shown so far, recorded or not.
    int clockSecondsShown() const { return m_clockSecondsShown; }
    /// Minutes decoded so far.
    int decodes() const { return m_decodes; }

private:
    Program &m_program;
    double m_beginWaitMs = 0;
    int m_clockSecondsShown = 0;
    int m_decodes = 0;
    /// The clock's first second after a decode falls due the moment it is shown, to the
    /// truncated millisecond of its own start: it says nothing about lateness.
    bool m_clockJustStarted = false;
};

} // namespace dcf::bench
