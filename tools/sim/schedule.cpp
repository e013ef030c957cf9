#include "schedule.h"

#include <algorithm>

namespace dcf::sim {

namespace {

constexpr int64_t kMsPerSecond = 1000;
constexpr char kFirstNoiseCharacter = ' ';
constexpr char kLastNoiseCharacter = '~';

} // namespace

SignalSchedule::SignalSchedule(SignalOptions options)
    : m_options(std::move(options))
    , m_random(m_options.seed)
{
    m_minuteStartUtc = floorDiv(m_options.startUtc, kSecondsPerMinute) * kSecondsPerMinute;
    m_minuteStartMs = (m_minuteStartUtc - m_options.startUtc) * kMsPerSecond;
}

int64_t SignalSchedule::jitter()
{
    if (m_options.jitterMs <= 0)
        return 0;
    return m_random.uniform(-m_options.jitterMs, m_options.jitterMs);
}

std::optional<MarkFault> SignalSchedule::faultAt(int64_t second) const
{
    for (const FaultAt &fault : m_options.faults) {
        if (fault.second == second)
            return fault.kind;
    }
    return std::nullopt;
}

std::optional<PlannedMinute> SignalSchedule::nextMinute()
{
    const std::optional<int64_t> silence = m_options.silenceAfterMs;
    if (silence && m_minuteStartMs >= *silence)
        return std::nullopt;

    PlannedMinute minute;
    minute.minuteStartUtc = m_minuteStartUtc;
    minute.startMs = m_minuteStartMs;
    minute.telegram
        = telegramSentDuring(m_minuteStartUtc, m_options.leapMinuteUtc, m_options.callBit);

    for (int second = 0; second < minute.telegram.seconds; ++second) {
        const int64_t nominal = minute.startMs + second * kMsPerSecond;
        if (nominal < 0)
            continue; // before sending began
        for (int k = 0; k < m_options.noisePerSecond; ++k) {
            const int64_t at = nominal + m_random.uniform(0, kMsPerSecond - 1);
            char noise = '0';
            while (noise == '0' || noise == '1')
                noise = static_cast<char>(
                    m_random.uniform(kFirstNoiseCharacter, kLastNoiseCharacter));
            minute.emissions.push_back({at, std::string(1, noise)});
        }
        if (!minute.telegram.hasMark(second))
            continue;

        int64_t length
            = minute.telegram.bits[static_cast<std::size_t>(second)] ? kOneMarkMs : kZeroMarkMs;
        if (const auto fault = faultAt(nominal / kMsPerSecond)) {
            if (*fault == MarkFault::Missing)
                continue;
            length = *fault == MarkFault::Short ? kShortFaultMarkMs : kLongFaultMarkMs;
        }
        // A mark cannot end before it began, nor begin before sending did.
        const int64_t begin = std::max<int64_t>(nominal + jitter(), 0);
        const int64_t end = std::max(nominal + length + jitter(), begin + 1);
        minute.emissions.push_back({begin, "1"});
        minute.emissions.push_back({end, "0"});
    }

    std::stable_sort(minute.emissions.begin(), minute.emissions.end(),
                     [](const Emission &a, const Emission &b) { return a.atMs < b.atMs; });
    if (silence) {
        std::erase_if(minute.emissions,
                      [&](const Emission &emission) { return emission.atMs >= *silence; });
    }

    m_minuteStartUtc += kSecondsPerMinute;
    m_minuteStartMs += minute.telegram.seconds * kMsPerSecond;
    return minute;
}

} // namespace dcf::sim
