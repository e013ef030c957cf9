#include "receiver_signal.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <stdexcept>

namespace dcf::timeservice::testing {

namespace {

constexpr int64_t kPollMicroseconds = 500'000;
/// From an edge's stamp to the clocks read for its sample.
constexpr int64_t kHandlingMicroseconds = 150;

} // namespace

Playback::Playback(int64_t startUtc, int minutes, std::optional<int64_t> leapMinuteUtc)
    : m_startUtc(startUtc)
{
    sim::SignalOptions signal;
    signal.startUtc = startUtc;
    signal.leapMinuteUtc = leapMinuteUtc;
    add(signal, minutes);
}

void Playback::add(const sim::SignalOptions &signal, int minutes)
{
    sim::SignalSchedule schedule(signal);
    for (int n = 0; n < minutes; ++n) {
        const sim::PlannedMinute minute = *schedule.nextMinute();
        for (std::size_t k = 0; k + 1 < minute.emissions.size(); k += 2) {
            const int64_t begin = minute.emissions[k].atMs;
            // A jittered mark belongs to the second nearest to it.
            marks.push_back({m_sentMs + begin, m_sentMs + minute.emissions[k + 1].atMs,
                             minute.minuteStartUtc + (begin - minute.startMs + 500) / 1000});
        }
        const int64_t endMs = minute.startMs + minute.telegram.seconds * 1000;
        if (minute.telegram.seconds > 60)
            m_afterLeapMicroseconds = (m_sentMs + endMs) * 1000;
        if (n + 1 == minutes)
            m_sentMs += endMs;
    }
}

Mark &Playback::markAt(int64_t utc)
{
    const auto mark = std::ranges::find(marks, std::optional(utc), &Mark::trueUtc);
    if (mark == marks.end())
        throw std::out_of_range("no mark at that second");
    return *mark;
}

void Playback::silence(int64_t fromUtc, int64_t untilUtc)
{
    std::erase_if(marks, [&](const Mark &mark) {
        return mark.trueUtc && *mark.trueUtc >= fromUtc && *mark.trueUtc < untilUtc;
    });
}

void Playback::play()
{
    std::vector<Edge> edges;
    for (const Mark &mark : marks) {
        edges.push_back({true, kOrigin + mark.beginMs * 1000});
        if (!mark.endLost)
            edges.push_back({false, kOrigin + mark.endMs * 1000});
    }
    std::ranges::stable_sort(edges, {}, &Edge::stampMicroseconds);
    for (const Edge &edge : edges) {
        for (; m_nextPoll < edge.stampMicroseconds; m_nextPoll += kPollMicroseconds) {
            m_now = m_nextPoll;
            m_service.poll(m_nextPoll);
        }
        m_now = edge.stampMicroseconds + kHandlingMicroseconds;
        m_service.edge(edge);
    }
}

std::set<int64_t> Playback::checkedSamples() const
{
    std::set<int64_t> seconds;
    for (const Sample &sample : samples) {
        const int64_t sinceStart = sample.monotonicMicroseconds - kOrigin;
        const auto mark = std::ranges::find(marks, sinceStart / 1000, &Mark::beginMs);
        EXPECT_TRUE(mark != marks.end() && mark->trueUtc == sample.trueUtcSeconds)
            << "a sample of second " << sample.trueUtcSeconds << " from an edge at "
            << sinceStart / 1000 << " ms";
        EXPECT_EQ(sample.systemNanoseconds, systemNanosecondsAt(sinceStart));
        EXPECT_TRUE(seconds.insert(sample.trueUtcSeconds).second) << "two samples of one second";
    }
    return seconds;
}

int64_t Playback::systemNanosecondsAt(int64_t sinceStartMicroseconds) const
{
    int64_t utc = m_startUtc * 1'000'000'000 + sinceStartMicroseconds * 1000 + kClockError;
    if (m_afterLeapMicroseconds && sinceStartMicroseconds >= *m_afterLeapMicroseconds)
        utc -= 1'000'000'000;
    return utc;
}

ClockPair Playback::read()
{
    return {systemNanosecondsAt(m_now - kOrigin), m_now * 1000};
}

bool Playback::send(const Sample &sample)
{
    samples.push_back(sample);
    return true;
}

} // namespace dcf::timeservice::testing
