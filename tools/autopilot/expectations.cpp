#include "expectations.h"

#include "ui/main_window.h"

#include <cctype>
#include <cstdio>

namespace dcf::autopilot {

namespace {

constexpr int64_t kMsPerSecond = 1000;
constexpr int64_t kMsPerMinute = 60 * kMsPerSecond;

// The names as the panel shows them: weekdays right-aligned in 10 characters, months padded to 9.
constexpr std::array<const char *, 8> kWeekdayNames
    = {"          ", "    Montag", "  Dienstag", "  Mittwoch",
       "Donnerstag", "   Freitag", "   Samstag", "   Sonntag"};
constexpr std::array<const char *, 13> kMonthNames
    = {"",     "Januar", "Februar",   "März",    "April",    "Mai",     "Juni",
       "Juli", "August", "September", "Oktober", "November", "Dezember"};
constexpr std::size_t kMonthNameCharacters = 9;

// Reading order of the result panel; lblA(9) is an empty box at the end of the third row.
const std::vector<std::vector<int>> kPanelRows
    = {{0}, {1, 2}, {3, 4, 5, 6, 7, 8, 10, 11, 12, 13, 14, 15}, {16, 17, 18, 19, 20}};

/// Characters of a UTF-8 text (the month names carry an umlaut).
std::size_t characterCount(const std::string &text)
{
    std::size_t count = 0;
    for (const char byte : text) {
        if ((static_cast<unsigned char>(byte) & 0xC0) != 0x80)
            ++count;
    }
    return count;
}

int64_t roundedDiv(int64_t value, int64_t divisor)
{
    return sim::floorDiv(value + divisor / 2, divisor);
}

bool isSeparator(const std::string &text)
{
    return text == "." || text == ":";
}

} // namespace

int64_t SimulatorTimeline::simulatedMsAt(int64_t realMs) const
{
    // The simulator waits for the next full second of the real clock before its first second.
    const int64_t anchorMs = (sim::floorDiv(launchedAtMs, kMsPerSecond) + 1) * kMsPerSecond;
    return startUtc * kMsPerSecond + (realMs - anchorMs);
}

int64_t SimulatorTimeline::nearestMinuteAt(int64_t realMs) const
{
    return roundedDiv(simulatedMsAt(realMs), kMsPerMinute) * sim::kSecondsPerMinute;
}

int64_t startJustBeforeMinuteMark(int64_t nowMs, int secondOfMinute)
{
    const int64_t firstSecond = sim::floorDiv(nowMs, kMsPerSecond) + 1;
    const int64_t minute = roundedDiv(firstSecond - secondOfMinute, sim::kSecondsPerMinute);
    return minute * sim::kSecondsPerMinute + secondOfMinute;
}

std::string startOption(int64_t utcSeconds)
{
    return sim::formatLegalTime(sim::legalTimeAt(utcSeconds));
}

ExpectedDecode expectedDecodeAt(int64_t minuteUtc)
{
    ExpectedDecode expected;
    expected.minuteUtc = minuteUtc;
    expected.legal = sim::legalTimeAt(minuteUtc);
    expected.telegram
        = sim::telegramSentDuring(minuteUtc - sim::kSecondsPerMinute, std::nullopt, false);
    return expected;
}

std::string twoDigits(int value)
{
    std::array<char, 16> text {};
    std::snprintf(text.data(), text.size(), "%02d", value);
    return text.data();
}

std::map<int, std::string> expectedPanelValues(const sim::LegalTime &legal)
{
    std::string month = kMonthNames.at(static_cast<std::size_t>(legal.month));
    month.append(kMonthNameCharacters - characterCount(month), ' ');
    std::array<char, 16> year {};
    std::snprintf(year.data(), year.size(), "%04d", legal.year);
    const std::string day = twoDigits(legal.day);

    return {
        {MainWindow::kZoneLabel, legal.zone == sim::Zone::CEST ? "Sommerzeit" : "Winterzeit"},
        {MainWindow::kWeekdayLabel, kWeekdayNames.at(static_cast<std::size_t>(legal.weekday))},
        {MainWindow::kDayLabel, day},
        {MainWindow::kMonthNameLabel, month},
        {MainWindow::kYearLabel, year.data()},
        {MainWindow::kNumericDayLabel, day},
        {MainWindow::kNumericMonthLabel, twoDigits(legal.month)},
        {MainWindow::kNumericYearLabel, year.data()},
        {MainWindow::kHourLabel, twoDigits(legal.hour)},
        {MainWindow::kMinuteLabel, twoDigits(legal.minute)},
    };
}

std::string visibleSeconds(const std::string &caption)
{
    std::size_t digits = 0;
    while (digits < caption.size() && std::isdigit(static_cast<unsigned char>(caption[digits])))
        ++digits;
    return caption.substr(0, digits);
}

std::vector<std::string> panelRows(const std::function<std::string(int index)> &caption)
{
    std::vector<std::string> rows;
    for (const std::vector<int> &indexes : kPanelRows) {
        std::string row;
        std::string previous;
        for (const int index : indexes) {
            std::string text = caption(index);
            if (index == MainWindow::kSecondsLabel)
                text = visibleSeconds(text);
            if (text.empty())
                continue;
            if (!row.empty() && !isSeparator(previous) && !isSeparator(text))
                row += ' ';
            row += text;
            previous = text;
        }
        rows.push_back(row);
    }
    return rows;
}

} // namespace dcf::autopilot
