#include "telegram.h"

namespace dcf::sim {

namespace {

/// Writes `value` as BCD into `width` bits from `first` on; returns the number of ones.
int putBcd(Telegram &telegram, int first, int width, int value)
{
    const int bcd = (value / 10) << 4 | (value % 10);
    int ones = 0;
    for (int k = 0; k < width; ++k) {
        const bool bit = (bcd >> k & 1) != 0;
        telegram.bits[static_cast<std::size_t>(first + k)] = bit;
        ones += bit ? 1 : 0;
    }
    return ones;
}

void putEvenParity(Telegram &telegram, int bit, int ones)
{
    telegram.bits[static_cast<std::size_t>(bit)] = ones % 2 != 0;
}

} // namespace

Telegram encodeTelegram(const LegalTime &announced, const TelegramFlags &flags)
{
    Telegram telegram;
    telegram.seconds = flags.leapSecondMinute ? kLeapMinuteSeconds : kNormalMinuteSeconds;
    telegram.bits[kCallBit] = flags.callBit;
    telegram.bits[kZoneChangeBit] = flags.zoneChangeAnnounced;
    telegram.bits[kSummerTimeBit] = announced.zone == Zone::CEST;
    telegram.bits[kWinterTimeBit] = announced.zone == Zone::CET;
    telegram.bits[kLeapSecondBit] = flags.leapSecondAnnounced;
    telegram.bits[kTimeStartBit] = true;

    putEvenParity(telegram, kMinuteParityBit,
                  putBcd(telegram, kMinuteFirstBit, 7, announced.minute));
    putEvenParity(telegram, kHourParityBit, putBcd(telegram, kHourFirstBit, 6, announced.hour));
    int dateOnes = putBcd(telegram, kDayFirstBit, 6, announced.day);
    dateOnes += putBcd(telegram, kWeekdayFirstBit, 3, announced.weekday);
    dateOnes += putBcd(telegram, kMonthFirstBit, 5, announced.month);
    dateOnes += putBcd(telegram, kYearFirstBit, 8, announced.year % 100);
    putEvenParity(telegram, kDateParityBit, dateOnes);
    return telegram;
}

Telegram telegramSentDuring(int64_t minuteStartUtc, std::optional<int64_t> leapMinuteUtc,
                            bool callBit)
{
    const int64_t minuteEnd = minuteStartUtc + kSecondsPerMinute;
    TelegramFlags flags;
    flags.callBit = callBit;
    flags.zoneChangeAnnounced
        = nextZoneChangeAfter(minuteStartUtc) - minuteStartUtc <= kSecondsPerHour;
    if (leapMinuteUtc) {
        const int64_t untilLeap = *leapMinuteUtc - minuteStartUtc;
        flags.leapSecondAnnounced = untilLeap >= 0 && untilLeap < kSecondsPerHour;
        flags.leapSecondMinute = untilLeap == 0;
    }
    return encodeTelegram(legalTimeAt(minuteEnd), flags);
}

} // namespace dcf::sim
