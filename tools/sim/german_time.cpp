#include "german_time.h"

#include <array>
#include <cctype>
#include <cstdio>

namespace dcf::sim {

namespace {

constexpr int64_t kChangeHourUtc = 1;
constexpr int kFirstYear = 2000;
constexpr int kLastYear = 2099;

int64_t changeInstant(int year, int month)
{
    return lastSundayOf(year, month) * kSecondsPerDay + kChangeHourUtc * kSecondsPerHour;
}

/// Reads exactly `width` digits at `pos`; advances `pos`.
std::optional<int> readDigits(std::string_view text, std::size_t &pos, std::size_t width)
{
    if (pos + width > text.size())
        return std::nullopt;
    int value = 0;
    for (std::size_t k = 0; k < width; ++k) {
        const char c = text[pos + k];
        if (!std::isdigit(static_cast<unsigned char>(c)))
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    pos += width;
    return value;
}

bool readChar(std::string_view text, std::size_t &pos, char wanted)
{
    if (pos >= text.size() || text[pos] != wanted)
        return false;
    ++pos;
    return true;
}

} // namespace

int utcOffsetHours(Zone zone)
{
    return zone == Zone::CEST ? 2 : 1;
}

const char *zoneName(Zone zone)
{
    return zone == Zone::CEST ? "CEST" : "CET";
}

int64_t summerTimeBegins(int year)
{
    return changeInstant(year, 3);
}

int64_t summerTimeEnds(int year)
{
    return changeInstant(year, 10);
}

Zone zoneAt(int64_t utcSeconds)
{
    const int year = civilFromDays(floorDiv(utcSeconds, kSecondsPerDay)).year;
    return utcSeconds >= summerTimeBegins(year) && utcSeconds < summerTimeEnds(year) ? Zone::CEST
                                                                                     : Zone::CET;
}

int64_t nextZoneChangeAfter(int64_t utcSeconds)
{
    const int year = civilFromDays(floorDiv(utcSeconds, kSecondsPerDay)).year;
    for (const int64_t change : {summerTimeBegins(year), summerTimeEnds(year)}) {
        if (change > utcSeconds)
            return change;
    }
    return summerTimeBegins(year + 1);
}

LegalTime legalTimeAt(int64_t utcSeconds)
{
    LegalTime time;
    time.zone = zoneAt(utcSeconds);
    const int64_t local = utcSeconds + utcOffsetHours(time.zone) * kSecondsPerHour;
    const int64_t days = floorDiv(local, kSecondsPerDay);
    const int64_t secondOfDay = local - days * kSecondsPerDay;
    time.date = civilFromDays(days);
    time.weekday = weekdayFromDays(days);
    time.hour = static_cast<int>(secondOfDay / kSecondsPerHour);
    time.minute = static_cast<int>(secondOfDay / kSecondsPerMinute % 60);
    time.second = static_cast<int>(secondOfDay % 60);
    return time;
}

std::string formatLegalTime(const LegalTime &time, bool withSeconds)
{
    std::array<char, 48> text {};
    if (withSeconds) {
        std::snprintf(text.data(), text.size(), "%04d-%02d-%02d %02d:%02d:%02d %s", time.date.year,
                      time.date.month, time.date.day, time.hour, time.minute, time.second,
                      zoneName(time.zone));
    } else {
        std::snprintf(text.data(), text.size(), "%04d-%02d-%02d %02d:%02d %s", time.date.year,
                      time.date.month, time.date.day, time.hour, time.minute, zoneName(time.zone));
    }
    return text.data();
}

InstantOrError parseLegalTime(std::string_view text, bool withSeconds)
{
    const std::string expected = withSeconds ? "\"YYYY-MM-DD HH:MM:SS\"" : "\"YYYY-MM-DD HH:MM\"";
    const auto malformed = [&] {
        return InstantOrError {std::nullopt,
                               "expected " + expected + ", optionally followed by "
                                   + "CET or CEST, not \"" + std::string(text) + "\""};
    };

    std::size_t pos = 0;
    const auto year = readDigits(text, pos, 4);
    if (!year || !readChar(text, pos, '-'))
        return malformed();
    const auto month = readDigits(text, pos, 2);
    if (!month || !readChar(text, pos, '-'))
        return malformed();
    const auto day = readDigits(text, pos, 2);
    if (!day || !readChar(text, pos, ' '))
        return malformed();
    const auto hour = readDigits(text, pos, 2);
    if (!hour || !readChar(text, pos, ':'))
        return malformed();
    const auto minute = readDigits(text, pos, 2);
    if (!minute)
        return malformed();
    std::optional<int> second = 0;
    if (withSeconds) {
        if (!readChar(text, pos, ':'))
            return malformed();
        second = readDigits(text, pos, 2);
        if (!second)
            return malformed();
    }
    std::optional<Zone> wantedZone;
    const std::string_view rest = text.substr(pos);
    if (rest == " CET")
        wantedZone = Zone::CET;
    else if (rest == " CEST")
        wantedZone = Zone::CEST;
    else if (!rest.empty())
        return malformed();

    const std::string quoted = "\"" + std::string(text) + "\"";
    if (*year < kFirstYear || *year > kLastYear)
        return {std::nullopt, quoted + ": the year must lie between 2000 and 2099"};
    if (*month < 1 || *month > 12 || *day < 1 || *day > daysInMonth(*year, *month))
        return {std::nullopt, quoted + ": no such date"};
    if (*hour > 23 || *minute > 59 || *second > 59)
        return {std::nullopt, quoted + ": no such time of day"};

    const int64_t local = daysFromCivil({*year, *month, *day}) * kSecondsPerDay
        + *hour * kSecondsPerHour + *minute * kSecondsPerMinute + *second;
    // CEST first: of the two readings of an October 02:xx the summer one comes first.
    for (const Zone zone : {Zone::CEST, Zone::CET}) {
        const int64_t utc = local - utcOffsetHours(zone) * kSecondsPerHour;
        if (zoneAt(utc) == zone && (!wantedZone || *wantedZone == zone))
            return {utc, {}};
    }
    if (wantedZone) {
        return {std::nullopt,
                quoted + ": Germany does not use " + zoneName(*wantedZone) + " at that time"};
    }
    return {std::nullopt, quoted + ": this hour is skipped when summer time begins"};
}

} // namespace dcf::sim
