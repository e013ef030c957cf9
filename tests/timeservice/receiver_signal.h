#pragma once

// The simulator's signal as the time service receives it, played in virtual time: each mark's
// edges with the true UTC second it begins, editable before it is played, against a system clock
// that is off by a known amount and repeats a second at a leap second, as the kernel does.

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
    std::optional<int64_t> trueUtc; ///< the UTC second it begins; none for a spurious mark
    bool endLost = false;
};

/// Clean marks from `startUtc` on, to be edited and then played into a time service, which is
/// polled twice a second as the feed polls it; its samples and reports are kept.
class Playback final : public ClockPairSource, public SampleSink
{
public:
    static constexpr int64_t kOrigin = 5'000'000'000; ///< an uptime of 5000 s, in microseconds
    static constexpr int64_t kClockError = 1'234'567'891; ///< the system clock runs this far ahead

    Playback(int64_t startUtc, int minutes, std::optional<int64_t> leapMinuteUtc = {});

    /// The mark that begins the UTC second; it must be there.
    Mark &markAt(int64_t utc);
    /// No marks from `fromUtc` until `untilUtc` (not included).
    void silence(int64_t fromUtc, int64_t untilUtc);
    void play();

    ClockPair read() override;
    bool send(const Sample &sample) override;

    std::vector<Mark> marks;
    std::vector<Sample> samples;
    std::vector<MinuteReport> reports;

private:
    int64_t m_startUtc = 0;
    /// When sending has passed the leap second, from the start of sending.
    std::optional<int64_t> m_afterLeapMicroseconds;
    int64_t m_now = 0;
    TimeService m_service {*this, *this, [this](const MinuteReport &report) {
                               reports.push_back(report);
                           }};
};

} // namespace dcf::timeservice::testing
