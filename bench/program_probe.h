#pragma once

// Watches the running program from the side: it stands between the main window and its view,
// time-stamps the writes that mark a measured pulse and a shown clock second, samples the state
// the program has just written, and hands every notification on to the view unchanged.

#include "ui/model/window.h"

#include <cstdint>
#include <vector>

namespace dcf {
class Program;
}

namespace dcf::bench {

/// The time base's monotonic clock, read to the nanosecond.
int64_t monotonicNs();

class ProgramProbe final : public WindowObserver
{
public:
    /// Inserts itself between the program's main window and the observer it has (its view).
    explicit ProgramProbe(Program &program);
    ~ProgramProbe() override;
    ProgramProbe(const ProgramProbe &) = delete;
    ProgramProbe &operator=(const ProgramProbe &) = delete;

    void propertyChanged(const Control &control, Property property) override;

    /// A pulse as the program measured it.
    struct Pulse
    {
        /// PulsLaenge after the pulse end, seconds.
        double measuredSeconds = 0;
        /// The same pulse between the writes of its start and end time, to the nanosecond.
        int64_t stampedNs = 0;
    };

    bool recordPulses = false;
    bool recordClock = false;

    const std::vector<Pulse> &pulses() const { return m_pulses; }
    /// Lateness of each recorded clock second, ms.
    const std::vector<double> &secondsLate() const { return m_secondsLate; }
    /// The second shown at each of them.
    const std::vector<int> &secondsShown() const { return m_secondsShown; }
    /// Clock seconds shown so far, recorded or not.
    int clockSecondsShown() const { return m_clockSecondsShown; }

private:
    Program &m_program;
    WindowObserver *m_view = nullptr;
    int64_t m_pulseStartNs = -1;
    std::vector<Pulse> m_pulses;
    std::vector<double> m_secondsLate;
    std::vector<int> m_secondsShown;
    int m_clockSecondsShown = 0;
};

} // namespace dcf::bench
