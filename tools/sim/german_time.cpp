#include "german_time.h"

#include <array>
#include <chrono>
#include <cstdio>
#include <regex>
#include <stdexcept>

namespace dcf::sim {

namespace chrono = std::chrono;

namespace {

constexpr int64_t kChangeHourUtc = 1;
constexpr int kFirstYear = 2000;
constexpr int kLastYear = 2099;

int64_t secondsOf(chrono::sys_days day)
{
    return chrono::duration_cast<chrono::seconds>(day.time_since_epoch()).count();
}

chrono::sys_days dayOf(int64_t seconds)
{
    return chrono::floor<chrono::days>(chrono::sys_seconds(chrono::seconds(seconds)));
}

int64_t changeInstant(int year, unsigned month)
{
    const chrono::sys_days lastSunday {chrono::year(year) / chrono::month(month)
                                       / chrono::Sunday[chrono::last]};
    return secondsOf(lastSunday) + kChangeHourUtc * kSecondsPerHour;
}

int yearAt(int64_t utcSeconds)
{
    return static_cast<int>(chrono::year_month_day(dayOf(utcSeconds)).year());
}

/// Hours ahead of UTC.
int utcOffsetHours(Zone zone)
{
    return zone == Zone::CEST ? 2 : 1;
}

const char *zoneName(Zone zone)
{
    return zone == Zone::CEST ? "CEST" : "CET";
}

/// The instants at which summer time begins and ends in a year.
int64_t summerTimeBegins(int year)
{
    return changeInstant(year, 3);
}

int64_t summerTimeEnds(int year)
{
    return changeInstant(year, 10);
}

} // namespace

Zone zoneAt(int64_t utcSeconds)
{
    const int year = yearAt(utcSeconds);
    return utcSeconds >= summerTimeBegins(year) && utcSeconds < summerTimeEnds(year) ? Zone::CEST
                                                                                     : Zone::CET;
}

int64_t nextZoneChangeAfter(int64_t utcSeconds)
{
    const int year = yearAt(utcSeconds);
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
    const chrono::sys_days day = dayOf(local);
    const chrono::year_month_day date(day);
    const int64_t secondOfDay = local - secondsOf(day);
    time.year = static_cast<int>(date.year());
    time.month = static_cast<int>(static_cast<unsigned>(date.month()));
    time.day = static_cast<int>(static_cast<unsigned>(date.day()));
    time.weekday = static_cast<int>(chrono::weekday(day).iso_encoding());
    time.hour = static_cast<int>(secondOfDay / kSecondsPerHour);
    time.minute = static_cast<int>(secondOfDay / kSecondsPerMinute % 60);
    time.second = static_cast<int>(secondOfDay % 60);
    return time;
}

std::string formatLegalTime(const LegalTime &time, bool withSeconds)
{
    std::array<char, 48> text {};
    std::snprintf(text.data(), text.size(), "%04d-%02d-%02d %02d:%02d", time.year, time.month,
                  time.day, time.hour, time.minute);
    std::string formatted = text.data();
    if (withSeconds) {
        std::snprintf(text.data(), text.size(), ":%02d", time.second);
        formatted += text.data();
    }
    return formatted + " " + zoneName(time.zone);
}

InstantOrError parseLegalTime(std::string_view text, bool withSeconds)
{
    static const std::regex kShape(
        R"((\d{4})-(\d{2})-(\d{2}) (\d{2}):(\d{2})(:(\d{2}))?( CEST| CET)?)");
    const std::string quoted = "\"" + std::string(text) + "\"";
    std::match_results<std::string_view::const_iterator> parts;
    if (!std::regex_match(text.begin(), text.end(), parts, kShape)
        || parts[6].matched != withSeconds) {
        return {std::nullopt,
                std::string("expected ")
                    + (withSeconds ? "\"YYYY-MM-DD HH:MM:SS\"" : "\"YYYY-MM-DD HH:MM\"")
                    + ", optionally followed by CET or CEST, not " + quoted};
    }
    const auto field = [&](int index) {
        return parts[index].matched ? std::stoi(parts[index].str()) : 0;
    };
    const int year = field(1);
    const chrono::year_month_day date {chrono::year(year),
                                       chrono::month(static_cast<unsigned>(field(2))),
                                       chrono::day(static_cast<unsigned>(field(3)))};
    if (year < kFirstYear || year > kLastYear)
        return {std::nullopt, quoted + ": the year must lie between 2000 and 2099"};
    if (!date.ok())
        return {std::nullopt, quoted + ": no such date"};
    if (field(4) > 23 || field(5) > 59 || field(7) > 59)
        return {std::nullopt, quoted + ": no such time of day"};

    const int64_t local = secondsOf(chrono::sys_days(date)) + field(4) * kSecondsPerHour
        + field(5) * kSecondsPerMinute + field(7);
    std::optional<Zone> wanted;
    if (parts[8].matched)
        wanted = parts[8].str() == " CET" ? Zone::CET : Zone::CEST;
    // CEST first: of the two readings of an October 02:xx the summer one comes first.
    for (const Zone zone : {Zone::CEST, Zone::CET}) {
        const int64_t utc = local - utcOffsetHours(zone) * kSecondsPerHour;
        if (zoneAt(utc) == zone && (!wanted || *wanted == zone))
            return {utc, {}};
    }
    if (wanted)
        return {std::nullopt,
                quoted + ": Germany does not use " + zoneName(*wanted) + " at that time"};
    return {std::nullopt, quoted + ": this hour is skipped when summer time begins"};
}

int64_t utcOf(std::string_view text, bool withSeconds)
{
    const InstantOrError parsed = parseLegalTime(text, withSeconds);
    if (!parsed.utcSeconds)
        throw std::invalid_argument(std::string(text) + ": " + parsed.error);
    return *parsed.utcSeconds;
}

} // namespace dcf::sim
