#include "timeservice/minute_assembler.h"

#include <algorithm>
#include <cstdlib>
#include <utility>

namespace dcf::timeservice {

namespace {

constexpr int64_t kSecond = 1'000'000; // microseconds
/// How far a mark may begin from a whole number of seconds after the one before: receivers
/// jitter by some milliseconds, while a spurious edge lands anywhere.
constexpr int64_t kStepTolerance = 100'000;
constexpr int64_t kShortestMark = 40'000;
constexpr int64_t kShortestOne = 150'000;
constexpr int64_t kLongestMark = 260'000;
/// Longer than any pause between edges of a working receiver (1.9 s at the minute gap).
constexpr int64_t kSilenceAfter = 3 * kSecond;
constexpr int kLastMarkOfMinute = 58;

} // namespace

AssemblerStep MinuteAssembler::edge(const Edge &edge)
{
    AssemblerStep step;
    m_lastEdge = edge.stampMicroseconds;
    m_silent = false;
    if (edge.markBegins)
        markBegins(edge.stampMicroseconds, step);
    else
        markEnds(edge.stampMicroseconds, step);
    return step;
}

std::optional<AssembledMinute> MinuteAssembler::silence(int64_t nowMicroseconds)
{
    if (!m_lastEdge || m_silent || nowMicroseconds - *m_lastEdge <= kSilenceAfter)
        return std::nullopt;
    m_silent = true;
    m_second.reset();
    m_lastBegin.reset();
    m_markBegan.reset();
    m_candidate.reset();
    if (m_minute.fault == MinuteCheck::Passed)
        m_minute.fault = MinuteCheck::Incomplete;
    AssembledMinute silent = close();
    m_minute.fault = MinuteCheck::Incomplete;
    return silent;
}

void MinuteAssembler::markBegins(int64_t stamp, AssemblerStep &step)
{
    if (m_markBegan)
        fault(MinuteCheck::Noise); // the end of the last mark never came
    m_markBegan = stamp;
    m_candidate.reset();
    const std::optional<int64_t> previous = m_lastBegin;
    m_lastBegin = stamp;
    if (!previous) {
        ++m_minute.marks;
        return;
    }
    const int64_t since = stamp - *previous;
    const int64_t seconds = (since + kSecond / 2) / kSecond;
    if (seconds == 0 || std::llabs(since - seconds * kSecond) > kStepTolerance) {
        fault(MinuteCheck::Noise);
        m_second.reset();
        ++m_minute.marks;
        return;
    }
    if (m_second) {
        advance(static_cast<int>(std::min<int64_t>(seconds, 2 * kBitsPerMinute + 2)), step);
        return;
    }
    // Without the phase, only the minute gap tells which second this is.
    if (seconds == 2) {
        step.closed = close();
        m_second = 0;
        m_candidate = 0;
    }
    ++m_minute.marks;
}

void MinuteAssembler::advance(int seconds, AssemblerStep &step)
{
    int second = *m_second + seconds;
    const int length = minuteLength();
    if (second >= length) {
        for (int hole = *m_second + 1; hole < length; ++hole) {
            if (hasMark(hole))
                fault(MinuteCheck::MissingMark);
        }
        step.closed = close();
        second -= length;
        if (second >= kBitsPerMinute) { // a whole minute went by unheard
            m_second.reset();
            m_minute.fault = MinuteCheck::Incomplete;
            ++m_minute.marks;
            return;
        }
        if (second > 0)
            fault(MinuteCheck::MissingMark);
    } else {
        for (int hole = *m_second + 1; hole < second; ++hole) {
            if (hasMark(hole))
                fault(MinuteCheck::MissingMark);
        }
        if (!hasMark(second)) {
            fault(MinuteCheck::ExtraMark);
            m_second.reset();
            ++m_minute.marks;
            return;
        }
    }
    m_second = second;
    ++m_minute.marks;
    if (m_minute.fault == MinuteCheck::Passed)
        m_candidate = second;
}

void MinuteAssembler::markEnds(int64_t stamp, AssemblerStep &step)
{
    const std::optional<int> candidate = std::exchange(m_candidate, std::nullopt);
    if (!m_markBegan) {
        if (m_lastBegin) // listening may well begin inside a mark
            fault(MinuteCheck::Noise);
        return;
    }
    const int64_t began = *std::exchange(m_markBegan, std::nullopt);
    const int64_t length = stamp - began;
    if (length < kShortestMark || length > kLongestMark) {
        fault(MinuteCheck::BadMark);
        return;
    }
    if (m_second)
        m_minute.bits[static_cast<std::size_t>(*m_second)] = length >= kShortestOne;
    if (candidate && m_minute.fault == MinuteCheck::Passed)
        step.mark = TakenMark {.second = *candidate, .beganMicroseconds = began};
}

AssembledMinute MinuteAssembler::close()
{
    AssembledMinute closed = m_minute;
    m_minute = {};
    return closed;
}

void MinuteAssembler::fault(MinuteCheck check)
{
    if (m_minute.fault == MinuteCheck::Passed)
        m_minute.fault = check;
}

bool MinuteAssembler::hasMark(int second) const
{
    return second <= kLastMarkOfMinute
        || (second == kLastMarkOfMinute + 1 && isLeapSecondMinute(m_minute.bits));
}

int MinuteAssembler::minuteLength() const
{
    return isLeapSecondMinute(m_minute.bits) ? kBitsPerMinute + 1 : kBitsPerMinute;
}

} // namespace dcf::timeservice
