#include "receiver_signal.h"

#include <algorithm>
#include <stdexcept>

namespace dcf::timeservice::testing {

namespace {

constexpr int64_t kMicrosecondsPerMs = 1000;
constexpr int64_t kPollMicroseconds = 500'000;

} // namespace

ReceiverSignal::ReceiverSignal(int64_t startUtc, int minutes, std::optional<int64_t> leapMinuteUtc)
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
            m_afterLeapMicroseconds = (minute.startMs + 61'000) * kMicrosecondsPerMs;
    }
}

Mark &ReceiverSignal::markAt(int64_t utc)
{
    for (Mark &mark : marks) {
        if (mark.trueUtc == utc)
            return mark;
    }
    throw std::out_of_range("no mark at that second");
}

void ReceiverSignal::remove(int64_t utc)
{
    std::erase_if(marks, [utc](const Mark &mark) { return mark.trueUtc == utc; });
}

void ReceiverSignal::addGlitch(int64_t beginMs, int64_t lengthMs)
{
    marks.push_back({beginMs, beginMs + lengthMs, std::nullopt});
}

void ReceiverSignal::silence(int64_t fromUtc, int64_t untilUtc)
{
    std::erase_if(marks, [&](const Mark &mark) {
        return mark.trueUtc && *mark.trueUtc >= fromUtc && *mark.trueUtc < untilUtc;
    });
}

std::vector<Edge> ReceiverSignal::edges(int64_t originMicroseconds, int64_t delayMicroseconds) const
{
    std::vector<Edge> edges;
    for (const Mark &mark : marks) {
        edges.push_back({true, originMicroseconds + delayMicroseconds + mark.beginMs * 1000});
        if (!mark.endLost)
            edges.push_back({false, originMicroseconds + delayMicroseconds + mark.endMs * 1000});
    }
    std::stable_sort(edges.begin(), edges.end(), [](const Edge &a, const Edge &b) {
        return a.stampMicroseconds < b.stampMicroseconds;
    });
    return edges;
}

int64_t ReceiverSignal::utcNanosecondsAt(int64_t sinceStartMicroseconds) const
{
    int64_t utc = m_startUtc * 1'000'000'000 + sinceStartMicroseconds * 1000;
    if (m_afterLeapMicroseconds && sinceStartMicroseconds >= *m_afterLeapMicroseconds)
        utc -= 1'000'000'000;
    return utc;
}

VirtualClocks::VirtualClocks(const ReceiverSignal &signal, int64_t originMicroseconds,
                             int64_t errorNanoseconds)
    : m_signal(signal)
    , m_origin(originMicroseconds)
    , m_error(errorNanoseconds)
{ }

ClockPair VirtualClocks::read()
{
    return {m_signal.utcNanosecondsAt(nowMicroseconds - m_origin) + m_error,
            nowMicroseconds * 1000};
}

Playback::Playback(const ReceiverSignal &signal_, int64_t errorNanoseconds,
                   int64_t delayMicroseconds_)
    : signal(signal_)
    , delayMicroseconds(delayMicroseconds_)
    , clocks(signal_, kOrigin, errorNanoseconds)
    , service(clocks, sink, [this](const MinuteReport &report) { reports.push_back(report); })
{ }

void Playback::play()
{
    int64_t nextPoll = kOrigin;
    for (const Edge &edge : signal.edges(kOrigin, delayMicroseconds)) {
        for (; nextPoll < edge.stampMicroseconds; nextPoll += kPollMicroseconds) {
            clocks.nowMicroseconds = nextPoll;
            service.poll(nextPoll);
        }
        clocks.nowMicroseconds = edge.stampMicroseconds + kHandlingMicroseconds;
        service.edge(edge);
    }
}

} // namespace dcf::timeservice::testing
