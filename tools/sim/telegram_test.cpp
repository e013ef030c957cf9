// The simulator's legal time and time-code encoder.

#include "telegram.h"

#include <gtest/gtest.h>
#include <set>

namespace dcf::sim {
namespace {

TEST(LegalTimeText, ReadsOrRefuses)
{
    // The text, its UTC second (-1: refused), a part of the reason.
    const std::tuple<const char *, int64_t, const char *> table[] = {
        {"2025-07-14 09:05:07", 1752476707, ""},
        // The October hour that comes twice: summer first unless CET is asked.
        {"2026-10-25 02:30:00", 1792888200, ""},
        {"2026-10-25 02:30:00 CET", 1792891800, ""},
        {"2026-03-29 02:30:00", -1, "skipped"},
        {"2026-07-01 12:00:00 CET", -1, "does not use CET"},
        {"2026-02-29 12:00:00", -1, "no such date"},
        {"2026-01-01 24:00:00", -1, "no such time"},
        {"1999-12-31 12:00:00", -1, "2000 and 2099"},
        {"2026-1-01 12:00:00", -1, "expected"},
        {"2026-01-01 12:00", -1, "expected"},
    };
    for (const auto &[text, utc, errorPart] : table) {
        const InstantOrError parsed = parseLegalTime(text);
        EXPECT_EQ(parsed.utcSeconds.value_or(-1), utc) << text << ": " << parsed.error;
        EXPECT_NE(parsed.error.find(errorPart), std::string::npos) << parsed.error;
    }
}

std::set<int> setBits(const Telegram &telegram)
{
    std::set<int> bits;
    for (int k = 0; k < 60; ++k) {
        if (telegram.bits[static_cast<std::size_t>(k)])
            bits.insert(k);
    }
    return bits;
}

TEST(Encoder, SetsExactlyTheHandCheckedBits)
{
    const std::pair<const char *, std::set<int>> table[] = {
        // Saturday, winter time: minute 37, hour 14, day 5, weekday 6, month 12, year 26,
        // parities 1, 0 and 1.
        {"2026-12-05 14:37:00",
         {18, 20, 21, 22, 23, 25, 26, 28, 31, 33, 36, 38, 43, 44, 46, 49, 51, 52, 55, 58}},
        // Monday, summer time: every parity but the date's is 0.
        {"2025-07-14 09:05:00", {17, 20, 21, 23, 29, 32, 38, 40, 42, 45, 46, 47, 50, 52, 55, 58}},
        // Every field at its largest tens digit; the date's parity is 0.
        {"2099-12-31 23:59:00",
         {18, 20, 21, 24, 25, 27, 29, 30, 34, 35, 36, 40, 41, 44, 46, 49, 50, 53, 54, 57}},
        // Midnight on Saturday, New Year's Day 2000: the year field is all zeros.
        {"2000-01-01 00:00:00", {18, 20, 36, 43, 44, 45}},
    };
    for (const auto &[announced, bits] : table)
        EXPECT_EQ(setBits(encodeTelegram(legalTimeAt(utcOf(announced)), {})), bits) << announced;

    std::set<int> withCallBit = table[3].second;
    withCallBit.insert(kCallBit);
    EXPECT_EQ(setBits(encodeTelegram(legalTimeAt(utcOf(table[3].first)), {.callBit = true})),
              withCallBit);
}

// Changes of zone and leap seconds are announced in the telegrams sent during the hour before;
// the last of them already carries the new time and zone.
TEST(Encoder, AnnouncesZoneChangesAndLeapSecondsDuringTheHourBefore)
{
    const int64_t leapMinute = utcOf("2026-07-01 01:59:00"); // 23:59 UTC
    // Sent during, the zone change and leap second bits, the seconds, the time announced.
    const std::tuple<const char *, bool, bool, int, const char *> table[] = {
        {"2026-03-29 00:59:00", false, false, 60, "2026-03-29 01:00 CET"},
        {"2026-03-29 01:00:00", true, false, 60, "2026-03-29 01:01 CET"},
        {"2026-03-29 01:59:00", true, false, 60, "2026-03-29 03:00 CEST"},
        {"2026-03-29 03:00:00", false, false, 60, "2026-03-29 03:01 CEST"},
        {"2026-10-25 02:00:00 CEST", true, false, 60, "2026-10-25 02:01 CEST"},
        {"2026-10-25 02:59:00 CEST", true, false, 60, "2026-10-25 02:00 CET"},
        {"2026-10-25 02:00:00 CET", false, false, 60, "2026-10-25 02:01 CET"},
        // The last Sunday is the month's last day.
        {"2027-10-31 02:59:00 CEST", true, false, 60, "2027-10-31 02:00 CET"},
        {"2027-10-31 02:00:00 CET", false, false, 60, "2027-10-31 02:01 CET"},
        {"2026-07-01 00:59:00", false, false, 60, "2026-07-01 01:00 CEST"},
        {"2026-07-01 01:00:00", false, true, 60, "2026-07-01 01:01 CEST"},
        {"2026-07-01 01:59:00", false, true, 61, "2026-07-01 02:00 CEST"},
        {"2026-07-01 02:00:00", false, false, 60, "2026-07-01 02:01 CEST"},
    };
    for (const auto &[sentDuring, zoneChange, leapSecond, seconds, text] : table) {
        const int64_t minute = utcOf(sentDuring);
        const Telegram telegram = telegramSentDuring(minute, leapMinute, false);
        const LegalTime announced = legalTimeAt(minute + 60);
        EXPECT_EQ(formatLegalTime(announced, false), text);
        EXPECT_EQ(std::tuple(telegram.bits[kZoneChangeBit], telegram.bits[kLeapSecondBit],
                             telegram.seconds, telegram.bits[kSummerTimeBit],
                             telegram.bits[kWinterTimeBit]),
                  std::tuple(zoneChange, leapSecond, seconds, announced.zone == Zone::CEST,
                             announced.zone == Zone::CET))
            << sentDuring;
    }
}

} // namespace
} // namespace dcf::sim
