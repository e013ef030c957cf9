#pragma once

// The simulator's signal as the time service receives it: each mark's two edges with the true
// UTC second it begins, editable before it is played, and played in virtual time against a
// system clock that is off by a known amount (and repeats a second at a leap second, as the
// kernel does).

#include "schedule.h"
#include "timeservice/time_service.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace dcf::timeservice::testing {

struct Mark
{
    int64_t beginMs = 0; ///< from the start of sending
    int64_t endMs = 0;
    /// The UTC second it begins; none for a spurious one.
    std::optional<int64_t> trueUtc;
    bool endLost = false;
};

class ReceiverSignal
{
public:
    /// Clean marks from `startUtc` on (jitter and noise off, to be edited).
    ReceiverSignal(int64_t startUtc, int minutes, std::optional<int64_t> leapMinuteUtc = {});

    /// The mark that begins the UTC second; it must be there.
    Mark &markAt(int64_t utc);
    void remove(int64_t utc);
    void addGlitch(int64_t beginMs, int64_t lengthMs);
    /// Nothing from `fromUtc` until `untilUtc` (not included).
    void silence(int64_t fromUtc, int64_t untilUtc);

    std::vector<Edge> edges(int64_t originMicroseconds, int64_t delayMicroseconds) const;
    /// POSIX nanoseconds at a moment of sending.
    int64_t utcNanosecondsAt(int64_t sinceStartMicroseconds) const;

    std::vector<Mark> marks;

private:
    int64_t m_startUtc = 0;
    /// When sending has passed the leap second, from the start of sending.
    std::optional<int64_t> m_afterLeapMicroseconds;
};

/// A system clock `errorNanoseconds` ahead of the true time of the signal.
class VirtualClocks final : public ClockPairSource
{
public:
    VirtualClocks(const ReceiverSignal &signal, int64_t originMicroseconds,
                  int64_t errorNanoseconds);
    ClockPair read() override;

    int64_t nowMicroseconds = 0;

private:
    const ReceiverSignal &m_signal;
    int64_t m_origin;
    int64_t m_error;
};

class RecordedSamples final : public SampleSink
{
public:
    bool send(const Sample &sample) override
    {
        samples.push_back(sample);
        return true;
    }
    std::vector<Sample> samples;
};

/// Plays the signal into a time service, polling it twice a second as the feed does, and records
/// its samples and reports.
struct Playback
{
    static constexpr int64_t kOrigin = 5'000'000'000; ///< an uptime of 5000 s
    static constexpr int64_t kHandlingMicroseconds = 150; ///< from an edge's stamp to its sample

    Playback(const ReceiverSignal &signal, int64_t errorNanoseconds = 0,
             int64_t delayMicroseconds = 0);
    void play();

    const ReceiverSignal &signal;
    int64_t delayMicroseconds;
    VirtualClocks clocks;
    RecordedSamples sink;
    std::vector<MinuteReport> reports;
    TimeService service;
};

} // namespace dcf::timeservice::testing
