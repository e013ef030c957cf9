#include "receiver_signal.h"

#include <algorithm>
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
    sim::SignalOptions options;
    options.startUtc = startUtc;
    options.leapMinuteUtc = leapMinuteUtc;
    sim::SignalSchedule schedule(options);
    for (int n = 0; n < minutes; ++n) {
        const sim::PlannedMinute minute = *schedule.nextMinute();
        for (std::size_t k = 0; k + 1 < minute.emissions.size(); k += 2) {
            const int64_t begin = minute.emissions[k].atMs;
            marks.push_back({begin, minute.emissions[k + 1].atMs,
                             minute.minuteStartUtc + (begin - minute.startMs) / 1000});
        }
        if (leapMinuteUtc && minute.minuteStartUtc == *leapMinuteUtc)
            m_afterLeapMicroseconds = (minute.startMs + 61'000) * 1000;
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
    int64_t nextPoll = kOrigin;
    for (const Edge &edge : edges) {
        for (; nextPoll < edge.stampMicroseconds; nextPoll += kPollMicroseconds) {
            m_now = nextPoll;
            m_service.poll(nextPoll);
        }
        m_now = edge.stampMicroseconds + kHandlingMicroseconds;
        m_service.edge(edge);
    }
}

ClockPair Playback::read()
{
    const int64_t sinceStart = m_now - kOrigin;
    int64_t utc = m_startUtc * 1'000'000'000 + sinceStart * 1000 + kClockError;
    if (m_afterLeapMicroseconds && sinceStart >= *m_afterLeapMicroseconds)
        utc -= 1'000'000'000;
    return {utc, m_now * 1000};
}

bool Playback::send(const Sample &sample)
{
    samples.push_back(sample);
    return true;
}

} // namespace dcf::timeservice::testing
