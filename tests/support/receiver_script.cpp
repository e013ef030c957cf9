#include "receiver_script.h"

#include "telegram.h"

#include <stdexcept>
#include <string>

namespace dcf::testing {

MinuteBits telegramAnnouncing(const char *legalMinute)
{
    const std::optional<int64_t> announced = sim::parseLegalTime(legalMinute, false).utcSeconds;
    if (!announced)
        throw std::invalid_argument(std::string("no legal minute: ") + legalMinute);
    const sim::Telegram telegram = sim::telegramSentDuring(*announced - 60, std::nullopt, false);
    return MinuteBits(telegram.bits.begin(), telegram.bits.begin() + 59);
}

void ReceiverScript::mark(int64_t start, int64_t lengthMs)
{
    m_platform.serialAt(start, "1");
    m_platform.serialAt(start + lengthMs, "0");
}

int64_t ReceiverScript::minute(int64_t minuteStart, const MinuteBits &bits, int fromSecond)
{
    const int marks = static_cast<int>(bits.size());
    for (int second = fromSecond; second < marks; ++second) {
        const int bit = bits[static_cast<std::size_t>(second)];
        if (bit != kLostMark)
            mark(minuteStart + second * kSecondMs, bit ? kLongMarkMs : kShortMarkMs);
    }
    return minuteStart + (marks + 1) * kSecondMs;
}

} // namespace dcf::testing
