#pragma once

// Watches the running program from the side: it stands between the main window and its view,
// time-stamps the writes that mark a measured pulse and a shown clock second, samples the state
// the program has just written, and hands every notification on to the view unchanged. An edge's
// arrival stamp is in that state (StartZeit plus PulsBeginn or PulsEnde, on the monotonic clock to
// the microsecond), so the write of its time also tells how long the edge waited to be processed.

#include "ui/model/window.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace dcf {
class Program;
struct Global;
} // namespace dcf

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
    /// Records how late the clock showed the second in `g`, unless it falls due at no time.
    void recordSecond(double shownMs, const Global &g);

    Program &m_program;
    WindowObserver *m_view = nullptr;
    int64_t m_pulseStartUs = -1;
    double m_pulseStartWaitMs = 0;
    int m_clockSecondsShown = 0;
    int m_decodes = 0;
    /// When the clock's current minute began (`MinBeginn`); none before the clock's first second.
    std::optional<double> m_minuteStartSeconds;
};

} // namespace dcf::bench
