#include "decoding/date_texts.h"

#include <array>

namespace dcf {

namespace {

constexpr std::array<std::string_view, 7> kWeekdays {
    "    Montag", "  Dienstag", "  Mittwoch", "Donnerstag",
    "   Freitag", "   Samstag", "   Sonntag",
};

constexpr std::array<std::string_view, 12> kMonths {
    "Januar", "Februar", "März",      "April",   "Mai",      "Juni",
    "Juli",   "August",  "September", "Oktober", "November", "Dezember",
};

template<std::size_t N>
std::string_view lookUp(const std::array<std::string_view, N> &names, int oneBased)
{
    if (oneBased < 1 || oneBased > static_cast<int>(N))
        return {};
    return names[static_cast<std::size_t>(oneBased - 1)];
}

} // namespace

std::string_view weekdayName(int weekday)
{
    return lookUp(kWeekdays, weekday);
}

std::string_view monthName(int month)
{
    return lookUp(kMonths, month);
}

} // namespace dcf
