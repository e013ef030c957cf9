// The simulator's calendar, German legal time and time-code encoder.

#include "civil_time.h"
#include "german_time.h"
#include "telegram.h"

#include <gtest/gtest.h>
#include <set>
#include <tuple>

namespace dcf::sim {
namespace {

int64_t utcOf(const char *legalTime)
{
    const InstantOrError parsed = parseLegalTime(legalTime);
    EXPECT_TRUE(parsed.utcSeconds) << legalTime << ": " << parsed.error;
    return parsed.utcSeconds.value_or(0);
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

TEST(Calendar, DayNumberAndWeekday)
{
    const struct
    {
        CivilDate date;
        int64_t days;
        int weekday;
    } table[] = {
        {{1970, 1, 1}, 0, 4},      {{1969, 12, 31}, -1, 3},  {{2000, 2, 29}, 11016, 2},
        {{2026, 12, 5}, 20792, 6}, {{2100, 3, 1}, 47541, 1},
    };
    for (const auto &c : table) {
        EXPECT_EQ(daysFromCivil(c.date), c.days);
        const CivilDate back = civilFromDays(c.days);
        EXPECT_EQ(std::tuple(back.year, back.month, back.day),
                  std::tuple(c.date.year, c.date.month, c.date.day));
        EXPECT_EQ(weekdayFromDays(c.days), c.weekday) << c.days;
    }
}

struct ChangeCase
{
    int year;
    CivilDate spring;
    CivilDate autumn;
};

class SummerTime : public ::testing::TestWithParam<ChangeCase>
{
};

TEST_P(SummerTime, BeginsAndEndsAtOneOClockUtcOnTheLastSundays)
{
    const ChangeCase &c = GetParam();
    const int64_t begins = summerTimeBegins(c.year);
    const int64_t ends = summerTimeEnds(c.year);
    EXPECT_EQ(begins, daysFromCivil(c.spring) * kSecondsPerDay + kSecondsPerHour);
    EXPECT_EQ(ends, daysFromCivil(c.autumn) * kSecondsPerDay + kSecondsPerHour);

    EXPECT_EQ(formatLegalTime(legalTimeAt(begins - 1)).substr(11), "01:59:59 CET");
    EXPECT_EQ(formatLegalTime(legalTimeAt(begins)).substr(11), "03:00:00 CEST");
    EXPECT_EQ(formatLegalTime(legalTimeAt(ends - 1)).substr(11), "02:59:59 CEST");
    EXPECT_EQ(formatLegalTime(legalTimeAt(ends)).substr(11), "02:00:00 CET");
    EXPECT_EQ(legalTimeAt(begins).weekday, 7);
    EXPECT_EQ(nextZoneChangeAfter(begins - 1), begins);
    EXPECT_EQ(nextZoneChangeAfter(begins), ends);
    EXPECT_EQ(nextZoneChangeAfter(ends), summerTimeBegins(c.year + 1));
}

INSTANTIATE_TEST_SUITE_P(Years, SummerTime,
                         ::testing::Values(ChangeCase {2024, {2024, 3, 31}, {2024, 10, 27}},
                                           ChangeCase {2027, {2027, 3, 28}, {2027, 10, 31}}));

TEST(LegalTimeText, ReadsOrRefuses)
{
    const struct
    {
        const char *text;
        int64_t utc; ///< -1: refused
        const char *errorPart;
    } table[] = {
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
    };
    for (const auto &c : table) {
        const InstantOrError parsed = parseLegalTime(c.text);
        EXPECT_EQ(parsed.utcSeconds.value_or(-1), c.utc) << c.text << ": " << parsed.error;
        EXPECT_NE(parsed.error.find(c.errorPart), std::string::npos) << parsed.error;
    }
}

struct EncodeCase
{
    const char *announced;
    std::set<int> bits;
};

class Encoder : public ::testing::TestWithParam<EncodeCase>
{
};

TEST_P(Encoder, SetsExactlyTheHandCheckedBits)
{
    const LegalTime time = legalTimeAt(utcOf(GetParam().announced));
    EXPECT_EQ(setBits(encodeTelegram(time, {})), GetParam().bits);
}

INSTANTIATE_TEST_SUITE_P(
    KnownTelegrams, Encoder,
    ::testing::Values(
        // Saturday, winter time: minute 37, hour 14, day 5, weekday 6, month 12, year 26,
        // parities 1, 0 and 1.
        EncodeCase {"2026-12-05 14:37:00", {18, 20, 21, 22, 23, 25, 26, 28, 31, 33,
                                            36, 38, 43, 44, 46, 49, 51, 52, 55, 58}},
        // Monday, summer time: every parity but the date's is 0.
        EncodeCase {"2025-07-14 09:05:00",
                    {17, 20, 21, 23, 29, 32, 38, 40, 42, 45, 46, 47, 50, 52, 55, 58}},
        // Every field at its largest tens digit; the date's parity is 0.
        EncodeCase {"2099-12-31 23:59:00", {18, 20, 21, 24, 25, 27, 29, 30, 34, 35,
                                            36, 40, 41, 44, 46, 49, 50, 53, 54, 57}},
        // Midnight on Saturday, New Year's Day 2000: the year field is all zeros.
        EncodeCase {"2000-01-01 00:00:00", {18, 20, 36, 43, 44, 45}}));

TEST(Encoder, CallBitOnRequestOnly)
{
    const LegalTime time = legalTimeAt(utcOf("2000-01-01 00:00:00"));
    std::set<int> expected = setBits(encodeTelegram(time, {}));
    expected.insert(kCallBit);
    EXPECT_EQ(setBits(encodeTelegram(time, {.callBit = true})), expected);
}

struct MinuteCase
{
    const char *sentDuring;
    bool zoneChangeAnnounced;
    const char *announced;
};

class ZoneChange : public ::testing::TestWithParam<MinuteCase>
{
};

// The announcement bit is set in the telegrams sent during the hour before a change; the last
// of them already carries the new time and zone.
TEST_P(ZoneChange, AnnouncedDuringTheHourBefore)
{
    const MinuteCase &c = GetParam();
    const int64_t minute = utcOf(c.sentDuring);
    const Telegram telegram = telegramSentDuring(minute, std::nullopt, false);
    EXPECT_EQ(telegram.bits[kZoneChangeBit], c.zoneChangeAnnounced);

    const LegalTime announced = legalTimeAt(minute + 60);
    EXPECT_EQ(formatLegalTime(announced, false), c.announced);
    EXPECT_EQ(telegram.bits[kSummerTimeBit], announced.zone == Zone::CEST);
    EXPECT_EQ(telegram.bits[kWinterTimeBit], announced.zone == Zone::CET);
}

INSTANTIATE_TEST_SUITE_P(
    SpringAndAutumn, ZoneChange,
    ::testing::Values(MinuteCase {"2026-03-29 00:59:00", false, "2026-03-29 01:00 CET"},
                      MinuteCase {"2026-03-29 01:00:00", true, "2026-03-29 01:01 CET"},
                      MinuteCase {"2026-03-29 01:59:00", true, "2026-03-29 03:00 CEST"},
                      MinuteCase {"2026-03-29 03:00:00", false, "2026-03-29 03:01 CEST"},
                      MinuteCase {"2026-10-25 02:00:00 CEST", true, "2026-10-25 02:01 CEST"},
                      MinuteCase {"2026-10-25 02:59:00 CEST", true, "2026-10-25 02:00 CET"},
                      MinuteCase {"2026-10-25 02:00:00 CET", false, "2026-10-25 02:01 CET"}));

struct LeapCase
{
    const char *sentDuring;
    bool announced;
    int seconds;
};

class LeapSecond : public ::testing::TestWithParam<LeapCase>
{
};

TEST_P(LeapSecond, AnnouncedDuringTheHourBeforeAndInsertedIntoItsMinute)
{
    const LeapCase &c = GetParam();
    const int64_t leapMinute = utcOf("2026-07-01 01:59:00"); // 23:59 UTC
    const Telegram telegram = telegramSentDuring(utcOf(c.sentDuring), leapMinute, false);
    EXPECT_EQ(telegram.bits[kLeapSecondBit], c.announced);
    EXPECT_EQ(telegram.seconds, c.seconds);
}

INSTANTIATE_TEST_SUITE_P(AroundIt, LeapSecond,
                         ::testing::Values(LeapCase {"2026-07-01 00:59:00", false, 60},
                                           LeapCase {"2026-07-01 01:00:00", true, 60},
                                           LeapCase {"2026-07-01 01:58:00", true, 60},
                                           LeapCase {"2026-07-01 01:59:00", true, 61},
                                           LeapCase {"2026-07-01 02:00:00", false, 60}));

} // namespace
} // namespace dcf::sim
