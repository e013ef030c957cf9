#pragma once

// The time service: decides when the receiver's time can be trusted and turns every mark of a
// trusted minute into a sample of the computer's clock. A minute is trusted when the two minutes
// before it were whole, passed every check and follow each other; any fault stops the samples
// until two minutes agree again.
//   edges -> minute assembler -> time code -> trust and samples (here) -> chrony

#include "platform/edge.h"
#include "timeservice/clock_pair.h"
#include "timeservice/minute_assembler.h"
#include "timeservice/time_code.h"

#include <cstdint>
#include <functional>
#include <optional>

namespace dcf::timeservice {

/// One mark's start compared with the true second it marks.
struct Sample
{
    /// The mark's start as system time.
    int64_t systemNanoseconds = 0;
    /// The UTC second that began with the mark (POSIX seconds).
    int64_t trueUtcSeconds = 0;
    /// A leap second is announced and still ahead.
    bool leapSecondAhead = false;
    /// The mark's monotonic stamp, for the sink's own timing.
    int64_t monotonicMicroseconds = 0;
};

class SampleSink
{
public:
    virtual ~SampleSink() = default;
    /// Returns whether the sample went out.
    virtual bool send(const Sample &sample) = 0;
};

/// What became of a minute, once it is over.
struct MinuteReport
{
    /// Passed, or the first check that failed.
    MinuteCheck check = MinuteCheck::Incomplete;
    /// What the minute announced, when it passed (also when only its sequence was wrong).
    std::optional<TimeCode> time;
    int marks = 0;
    /// Samples that went out during the minute.
    int samples = 0;
    /// The minute that begins now gives samples.
    bool sending = false;
    /// The receiver fell silent.
    bool silent = false;
};

/// Not thread-safe: one thread at a time (the feed serialises the reader's edges and its polls).
class TimeService final : public EdgeListener
{
public:
    using ReportSink = std::function<void(const MinuteReport &)>;

    TimeService(ClockPairSource &clocks, SampleSink &sink, ReportSink reports = {});

    void edge(const Edge &edge) override;

    /// Notices a receiver that fell silent; call it every second or so.
    void poll(int64_t nowMicroseconds);

private:
    void finish(const AssembledMinute &minute, bool silent);
    void sample(int second, int64_t stampMicroseconds);

    ClockPairSource &m_clocks;
    SampleSink &m_sink;
    ReportSink m_reports;
    MinuteAssembler m_assembler;
    /// What the last minute announced, while it passed every check.
    std::optional<TimeCode> m_previous;
    /// The UTC start of the current minute, while it is trusted.
    std::optional<int64_t> m_trustedMinuteUtc;
    bool m_leapSecondAhead = false;
    int m_samples = 0;
};

} // namespace dcf::timeservice
