// The decoder on the bit store: field sums, the zone word, the German names and both panels.

#include "decoding/date_texts.h"
#include "decoding/decoder.h"
#include "receiver_script.h"
#include "routine_bench.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace dcf::testing {
namespace {

class Decoder : public ::testing::Test
{
protected:
    void decode(const std::vector<int> &bits, int16_t others = CheckBox::Unchecked)
    {
        for (int bit = 0; bit < 60; ++bit)
            bench.frmDCF77.chkPuls(bit).setValue(others);
        for (int bit : bits)
            bench.frmDCF77.chkPuls(bit).setValue(CheckBox::Checked);
        DecodeTelegram(bench.decoding());
    }

    /// The labels of the main window's panel, then those of the clock window's.
    std::string panels(std::vector<int> main = {}, std::vector<int> clock = {})
    {
        if (main.empty() && clock.empty()) {
            for (int index = 0; index <= 20; ++index)
                main.push_back(index);
            for (int index = 0; index <= 12; ++index)
                clock.push_back(index);
        }
        std::string text;
        for (int index : main)
            text += bench.frmDCF77.lblA(index).caption() + "|";
        for (int index : clock)
            text += "|" + bench.frmZeit.lblB(index).caption();
        return text;
    }

    VirtualPlatform vp;
    RoutineBench bench {vp};
};

TEST_F(Decoder, SampleTelegramFillsAndRevealsBothPanels)
{
    bench.g.Sekunde = 42;
    decode(kSaturdayInDecember);

    const Global &g = bench.g;
    EXPECT_EQ((std::vector<int> {g.Minute, g.Stunde, g.Wochentag, g.Sekunde}),
              (std::vector<int> {37, 14, 6, 42}));
    // lblA(9) and lblB(12) stay empty: nothing writes the one, the running clock the other.
    EXPECT_EQ(panels(),
              "Der heutige Tag:|Im Moment haben wir die Mitteleuropäische|Winterzeit|   Samstag|"
              "den|05|.|Dezember |2026||=|05|.|12|.|2026|14|:|37|:|00|"
              "|Heute ist:|   Samstag|der|05|.|12|.|2026|14|:|37|:|");
    for (int index = 0; index <= 20; ++index)
        EXPECT_TRUE(bench.frmDCF77.lblA(index).visible()) << index;
    EXPECT_FALSE(bench.frmZeit.isShown());
}

TEST_F(Decoder, FieldsArePlainSumsOfTheirOwnBitsAndNothingOfTheLastTelegramSurvives)
{
    // Weekday, day, month name, year, month, hour, minute.
    const std::pair<std::vector<int>, const char *> table[] = {
        {{}, "          |00|         |2000|00|00|00|"},
        {{21, 22, 23, 24, 25, 26, 27}, "          |00|         |2000|00|00|85|"},
        {{29, 30, 31, 32, 33, 34}, "          |00|         |2000|00|45|00|"},
        {{36, 37, 38, 39, 40, 41}, "          |45|         |2000|00|00|00|"},
        {{42, 43, 44}, "   Sonntag|00|         |2000|00|00|00|"},
        {{45, 46, 47, 48, 49}, "          |00|         |2000|25|00|00|"},
        {{45, 46}, "          |00|März     |2000|03|00|00|"},
        {{50, 51, 52, 53, 54, 55, 56, 57}, "          |00|         |2165|00|00|00|"},
        {{57, 27, 41, 33}, "          |20|         |2080|00|10|40|"},
    };
    for (const auto &[bits, shown] : table) {
        decode(kSaturdayInDecember);
        decode(bits);
        EXPECT_EQ(panels({3, 5, 7, 8, 13, 16, 18}), shown);
    }
    EXPECT_EQ((std::vector<int> {bench.g.Minute, bench.g.Stunde}), (std::vector<int> {40, 10}));
}

TEST(DateTexts, EveryWeekdayAndMonthHasItsGermanName)
{
    std::string names;
    for (int n = 0; n <= 13; ++n)
        names += std::string(weekdayName(n)) + "|" + std::string(monthName(n)) + "\n";
    EXPECT_EQ(names,
              "|\n    Montag|Januar\n  Dienstag|Februar\n  Mittwoch|März\nDonnerstag|April\n"
              "   Freitag|Mai\n   Samstag|Juni\n   Sonntag|Juli\n|August\n|September\n"
              "|Oktober\n|November\n|Dezember\n|\n");
}

TEST_F(Decoder, ZoneWordIsKeptWithoutZoneBitsAndWinterWinsOverSummer)
{
    const std::pair<std::vector<int>, std::string> table[]
        = {{{}, std::string(10, ' ')}, {{17}, "Sommerzeit"}, {{}, "Sommerzeit"},
           {{18}, "Winterzeit"},       {{}, "Winterzeit"},   {{17}, "Sommerzeit"},
           {{17, 18}, "Winterzeit"}};
    for (const auto &[bits, zone] : table) {
        decode(bits);
        EXPECT_EQ(bench.frmDCF77.lblA(2).caption(), zone);
    }
}

TEST_F(Decoder, UnreadBitsAndGreyBoxesChangeNothing)
{
    decode(kSaturdayInDecember);
    const std::string plain = panels();

    std::vector<int> withUnread = kSaturdayInDecember;
    for (int bit :
         {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 19, 20, 28, 35, 58, 59})
        withUnread.push_back(bit);
    decode(withUnread);
    EXPECT_EQ(panels(), plain);

    decode(kSaturdayInDecember, CheckBox::Grayed);
    EXPECT_EQ(panels(), plain);
}

} // namespace
} // namespace dcf::testing
