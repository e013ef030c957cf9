#pragma once

// The simulator's signal as the time service receives it, played in virtual time: each mark's
// edges with the true UTC second it begins, editable before it is played, against a system clock
// that is off by a known amount and repeats a second at a leap second, as the kernel does.

#include "schedule.h"
#include "timeservice/time_service.h"

#include <cstdint>
#include <optional>
#include <set>
#include <vector>

namespace dcf::timeservice::testing {

struct Mark
{
    int64_t beginMs = 0; ///< from the start of sending
    int64_t endMs = 0;
    std::optional<int64_t> trueUtc; ///< the UTC second it begins; none for a spurious mark
    bool endLost = false;
};

/// Marks to be edited and then played into a time service, which is polled twice a second as the
/// feed polls it; its samples and reports are kept.
class Playback final : public ClockPairSource, public SampleSink
{
public:
    static constexpr int64_t kOrigin = 5'000'000'000; ///< an uptime of 5000 s, in microseconds
    static constexpr int64_t kClockError = 1'234'567'891; ///< the system clock runs this far ahead

    /// Sending begins at `startUtc`, with clean marks of `minutes` minutes.
    explicit Playback(int64_t startUtc, int minutes = 0, std::optional<int64_t> leapMinuteUtc = {});

    /// Adds the marks that `signal` sends in `minutes` minutes, from where sending has come.
    void add(const sim::SignalOptions &signal, int minutes);
    /// Where sending has come, from its start.
    int64_t sentMs() const { return m_sentMs; }
    /// The mark that begins the UTC second; it must be there.
    Mark &markAt(int64_t utc);
    /// No marks from `fromUtc` until `untilUtc` (not included).
    void silence(int64_t fromUtc, int64_t untilUtc);
    /// Plays the marks, on from where the last play ended.
    void play();
    /// Checks that every sample names the second its mark began in and puts it exactly where the
    /// system clock was then; returns their seconds.
    std::set<int64_t> checkedSamples() const;

    ClockPair read() override;
    bool send(const Sample &sample) override;

    std::vector<Mark> marks;
    std::vector<Sample> samples;
    std::vector<MinuteReport> reports;

private:
    int64_t systemNanosecondsAt(int64_t sinceStartMicroseconds) const;

    int64_t m_startUtc = 0;
    int64_t m_sentMs = 0;
    /// When sending has passed the leap second, from its start.
    std::optional<int64_t> m_afterLeapMicroseconds;
    int64_t m_now = kOrigin;
    int64_t m_nextPoll = kOrigin;
    TimeService m_service {*this, *this, [this](const MinuteReport &report) {
                               reports.push_back(report);
                           }};
};

} // namespace dcf::timeservice::testing
