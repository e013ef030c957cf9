#include "decoding/date_texts.h"
#include "state/fixed_text.h"

#include <gtest/gtest.h>
#include <string>
#include <tuple>
#include <utility>

namespace dcf {
namespace {

TEST(DateTexts, WeekdayNamesRightAlignedInTen)
{
    const std::pair<int, std::string> table[] = {
        {1, "    Montag"}, {2, "  Dienstag"},         {3, "  Mittwoch"},
        {4, "Donnerstag"}, {5, "   Freitag"},         {6, "   Samstag"},
        {7, "   Sonntag"}, {0, std::string(10, ' ')}, {8, std::string(10, ' ')},
    };
    for (const auto &[weekday, shown] : table) {
        FixedText<10> field;
        field = weekdayName(weekday);
        EXPECT_EQ(field.str(), shown) << weekday;
    }
}

TEST(DateTexts, MonthNamesPaddedToNine)
{
    const std::pair<int, std::string> table[] = {
        {1, "Januar   "},         {2, "Februar  "},          {3, "März     "},  {4, "April    "},
        {5, "Mai      "},         {6, "Juni     "},          {7, "Juli     "},  {8, "August   "},
        {9, "September"},         {10, "Oktober  "},         {11, "November "}, {12, "Dezember "},
        {0, std::string(9, ' ')}, {13, std::string(9, ' ')},
    };
    for (const auto &[month, shown] : table) {
        FixedText<9> field;
        field = monthName(month);
        EXPECT_EQ(field.str(), shown) << month;
    }
}

TEST(DateTexts, NumberFormatsFillWithZerosButNeverCut)
{
    const std::tuple<int, std::string, std::string> table[] = {
        {0, "00", "0000"},    {5, "05", "0005"},      {37, "37", "0037"},
        {165, "165", "0165"}, {2026, "2026", "2026"}, {12345, "12345", "12345"},
        {-5, "-05", "-0005"},
    };
    for (const auto &[value, two, four] : table) {
        EXPECT_EQ(twoDigits(value), two);
        EXPECT_EQ(fourDigits(value), four);
    }
    EXPECT_EQ(secondsText(0, "."), "00.00");
    EXPECT_EQ(secondsText(7, ","), "07,00");
    EXPECT_EQ(secondsText(59, "\u066B"), "59\u066B00");
}

} // namespace
} // namespace dcf
