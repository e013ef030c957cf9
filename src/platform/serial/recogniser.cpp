#include "platform/serial/recogniser.h"

namespace dcf::serial {

namespace {

constexpr int64_t kShortestMarkUs = 50'000;
constexpr int64_t kLongestMarkUs = 300'000;
/// Marks come once a second, give or take a receiver's jitter, and the minute mark leaves a
/// second out.
constexpr int64_t kSecondUs = 1'000'000;
constexpr int64_t kPeriodToleranceUs = 100'000;

bool isSecondApart(int64_t span)
{
    for (const int64_t seconds : {1, 2}) {
        if (span >= seconds * kSecondUs - kPeriodToleranceUs
            && span <= seconds * kSecondUs + kPeriodToleranceUs)
            return true;
    }
    return false;
}

} // namespace

std::optional<Recognised> Recogniser::character(char c, int64_t stampMicroseconds)
{
    if (!m_characters)
        return std::nullopt;
    if (c == '1' || c == '0') {
        m_loneStamp.reset();
        m_oneSeen = m_oneSeen || c == '1';
        if (c == '0' && m_oneSeen)
            return Recognised {ReceiverKind::Characters, true};
        return std::nullopt;
    }
    const std::optional<int64_t> before = std::exchange(m_loneStamp, stampMicroseconds);
    if (before && isSecondApart(stampMicroseconds - *before))
        return Recognised {ReceiverKind::Rxd50, true};
    return std::nullopt;
}

std::optional<Recognised> Recogniser::lineChanged(unsigned line,
                                                  std::span<const LineChange> changes)
{
    if ((m_lines & line) == 0 || changes.size() < 3)
        return std::nullopt;
    const LineChange &begins = changes[changes.size() - 3];
    const LineChange &ends = changes[changes.size() - 2];
    const LineChange &next = changes[changes.size() - 1];
    const int64_t mark = ends.stampMicroseconds - begins.stampMicroseconds;
    if (begins.active == ends.active || next.active != begins.active || mark < kShortestMarkUs
        || mark > kLongestMarkUs
        || !isSecondApart(next.stampMicroseconds - begins.stampMicroseconds))
        return std::nullopt;
    return Recognised {kindOfLine(line), begins.active};
}

ReceiverKind kindOfLine(unsigned line)
{
    switch (line) {
    case kDcd:
        return ReceiverKind::Dcd;
    case kCts:
        return ReceiverKind::Cts;
    case kDsr:
        return ReceiverKind::Dsr;
    default:
        return ReceiverKind::Ri;
    }
}

} // namespace dcf::serial
