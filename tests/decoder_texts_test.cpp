#include "decoding/date_texts.h"
#include "state/fixed_text.h"

#include <gtest/gtest.h>
#include <string>

namespace dcf {
namespace {

struct NameCase
{
    int value;
    std::string shown;
};

class WeekdayName : public ::testing::TestWithParam<NameCase>
{
};

TEST_P(WeekdayName, RightAlignedInTenCharacters)
{
    FixedText<10> field;
    field = weekdayName(GetParam().value);
    EXPECT_EQ(field.str(), GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(Table, WeekdayName,
                         ::testing::Values(NameCase {1, "    Montag"}, NameCase {2, "  Dienstag"},
                                           NameCase {3, "  Mittwoch"}, NameCase {4, "Donnerstag"},
                                           NameCase {5, "   Freitag"}, NameCase {6, "   Samstag"},
                                           NameCase {7, "   Sonntag"},
                                           NameCase {0, std::string(10, ' ')},
                                           NameCase {8, std::string(10, ' ')},
                                           NameCase {-1, std::string(10, ' ')}));

class MonthName : public ::testing::TestWithParam<NameCase>
{
};

TEST_P(MonthName, PaddedToNineCharacters)
{
    FixedText<9> field;
    field = monthName(GetParam().value);
    EXPECT_EQ(field.str(), GetParam().shown);
    EXPECT_EQ(characterCount(field.str()), 9u);
}

INSTANTIATE_TEST_SUITE_P(Table, MonthName,
                         ::testing::Values(NameCase {1, "Januar   "}, NameCase {2, "Februar  "},
                                           NameCase {3, "März     "}, NameCase {4, "April    "},
                                           NameCase {5, "Mai      "}, NameCase {6, "Juni     "},
                                           NameCase {7, "Juli     "}, NameCase {8, "August   "},
                                           NameCase {9, "September"}, NameCase {10, "Oktober  "},
                                           NameCase {11, "November "}, NameCase {12, "Dezember "},
                                           NameCase {0, std::string(9, ' ')},
                                           NameCase {13, std::string(9, ' ')},
                                           NameCase {25, std::string(9, ' ')}));

struct FormatCase
{
    int value;
    std::string twoDigits;
    std::string fourDigits;
};

class NumberFormat : public ::testing::TestWithParam<FormatCase>
{
};

TEST_P(NumberFormat, ZeroFilledButNeverCut)
{
    EXPECT_EQ(twoDigits(GetParam().value), GetParam().twoDigits);
    EXPECT_EQ(fourDigits(GetParam().value), GetParam().fourDigits);
}

INSTANTIATE_TEST_SUITE_P(
    Table, NumberFormat,
    ::testing::Values(FormatCase {0, "00", "0000"}, FormatCase {5, "05", "0005"},
                      FormatCase {37, "37", "0037"}, FormatCase {85, "85", "0085"},
                      FormatCase {165, "165", "0165"}, FormatCase {2026, "2026", "2026"},
                      FormatCase {12345, "12345", "12345"}, FormatCase {-5, "-05", "-0005"}));

struct SecondsCase
{
    int seconds;
    const char *separator;
    std::string shown;
};

class SecondsFormat : public ::testing::TestWithParam<SecondsCase>
{
};

TEST_P(SecondsFormat, TwoDigitsSeparatorAndTwoZeros)
{
    EXPECT_EQ(secondsText(GetParam().seconds, GetParam().separator), GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(Table, SecondsFormat,
                         ::testing::Values(SecondsCase {0, ".", "00.00"},
                                           SecondsCase {7, ".", "07.00"},
                                           SecondsCase {59, ".", "59.00"},
                                           SecondsCase {7, ",", "07,00"},
                                           SecondsCase {12, "\u066B", "12\u066B00"}));

} // namespace
} // namespace dcf
