#include "timeservice/time_service.h"

#include <utility>

namespace dcf::timeservice {

namespace {

constexpr int64_t kSecondsPerMinute = 60;

} // namespace

TimeService::TimeService(ClockPairSource &clocks, SampleSink &sink, ReportSink reports)
    : m_clocks(clocks)
    , m_sink(sink)
    , m_reports(std::move(reports))
{ }

void TimeService::edge(const Edge &edge)
{
    const AssemblerStep step = m_assembler.edge(edge);
    if (step.closed)
        finish(*step.closed, false);
    if (step.mark && m_trustedMinuteUtc)
        sample(step.mark->second, step.mark->beganMicroseconds);
}

void TimeService::poll(int64_t nowMicroseconds)
{
    if (const std::optional<AssembledMinute> silent = m_assembler.silence(nowMicroseconds))
        finish(*silent, true);
}

void TimeService::finish(const AssembledMinute &minute, bool silent)
{
    MinuteReport report {.check = minute.fault,
                         .time = std::nullopt,
                         .marks = minute.marks,
                         .samples = std::exchange(m_samples, 0),
                         .sending = false,
                         .silent = silent};
    m_trustedMinuteUtc.reset();
    if (report.check == MinuteCheck::Passed) {
        const TimeCodeReading reading = readTimeCode(minute.bits);
        report.check = reading.check;
        if (reading.check == MinuteCheck::Passed) {
            const TimeCode &time = reading.time;
            report.time = time;
            if (m_previous && time.utcSeconds == m_previous->utcSeconds + kSecondsPerMinute) {
                m_trustedMinuteUtc = time.utcSeconds;
                // The minute that begins on the hour follows the leap second.
                m_leapSecondAhead = time.leapSecondAnnounced && time.minute != 0;
            } else if (m_previous) {
                report.check = MinuteCheck::OutOfSequence;
            }
            m_previous = time;
        }
    }
    if (report.check != MinuteCheck::Passed && report.check != MinuteCheck::OutOfSequence)
        m_previous.reset();
    report.sending = m_trustedMinuteUtc.has_value();
    if (m_reports)
        m_reports(report);
}

void TimeService::sample(int second, int64_t stampMicroseconds)
{
    const Sample sample {.systemNanoseconds = systemNanoseconds(m_clocks.read(), stampMicroseconds),
                         .trueUtcSeconds = *m_trustedMinuteUtc + second,
                         .leapSecondAhead = m_leapSecondAhead,
                         .monotonicMicroseconds = stampMicroseconds};
    if (m_sink.send(sample))
        ++m_samples;
}

} // namespace dcf::timeservice
