#include "control_log.h"
#include "decoding/decoder.h"
#include "program/program.h"
#include "ui/clock_window.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace dcf {
namespace {

using testing::ControlLog;
using testing::VirtualPlatform;

// Saturday, 5 December 2026, 14:37, winter time.
const std::vector<int> kWorkedExample
    = {18, 21, 22, 23, 25, 26, 31, 33, 36, 38, 43, 44, 46, 49, 51, 52, 55};

class Decoder : public ::testing::Test
{
protected:
    void SetUp() override
    {
        program.start();
        log.watch(program.frmDCF77);
        log.watch(program.frmZeit());
    }

    void decode(const std::vector<int> &bits, int16_t others = CheckBox::Unchecked)
    {
        for (int bit = 0; bit < 60; ++bit)
            program.frmDCF77.chkPuls(bit).setValue(others);
        for (int bit : bits)
            program.frmDCF77.chkPuls(bit).setValue(CheckBox::Checked);
        log.entries.clear();
        DecodeTelegram(program.decodingContext());
    }

    /// Both panels, label by label.
    std::string panels()
    {
        std::string text;
        for (int index = 0; index <= 20; ++index)
            text += program.frmDCF77.lblA(index).caption() + "|";
        for (int index = 0; index <= 12; ++index)
            text += "|" + program.frmZeit().lblB(index).caption();
        return text;
    }

    VirtualPlatform vp;
    Program program {vp.platform()};
    ControlLog log {vp};
};

TEST_F(Decoder, WorkedExampleFillsBothPanelsInOrder)
{
    program.g.Sekunde = 42;
    const int eventsBefore = vp.events.processed;
    decode(kWorkedExample);

    const Global &g = program.g;
    EXPECT_EQ((std::vector<int> {g.Minute, g.Stunde, g.Tag, g.Wochentag, g.Monat, g.Jahr}),
              (std::vector<int> {37, 14, 5, 6, 12, 26}));
    EXPECT_EQ(g.Zeitzone.str() + g.Wochentagsname.str() + g.Monatsname.str(),
              "Winterzeit   SamstagDezember ");
    EXPECT_EQ(g.Sekunde, 42);
    EXPECT_EQ(panels(),
              "Der heutige Tag:|Im Moment haben wir die Mitteleuropäische|Winterzeit|   Samstag|"
              "den|05|.|Dezember |2026||=|05|.|12|.|2026|14|:|37|:|00|"
              "|Heute ist:|   Samstag|der|05|.|12|.|2026|14|:|37|:|");
    for (int index = 0; index <= 20; ++index)
        EXPECT_TRUE(program.frmDCF77.lblA(index).visible()) << index;
    EXPECT_FALSE(program.frmZeit().isShown());

    // Main window before clock window, the reveal last with a yield before each label; neither
    // lblA(9) nor lblB(12) is written.
    std::vector<std::string> expected;
    for (const char *label :
         {"A(2)", "A(3)", "B(1)", "A(5)", "A(11)", "B(3)", "A(13)", "A(7)", "B(5)", "A(8)", "A(15)",
          "B(7)", "A(16)", "B(8)", "A(18)", "B(10)", "A(20)"})
        expected.push_back(std::string("lbl") + label + ".Caption");
    for (int index = 0; index <= 20; ++index)
        expected.push_back("lblA(" + std::to_string(index) + ").Visible");
    EXPECT_EQ(log.writes(), expected);
    EXPECT_EQ(vp.events.processed - eventsBefore, 22);
}

struct FieldCase
{
    std::vector<int> bits;
    std::vector<int> values; ///< Minute, Stunde, Tag, Wochentag, Monat, Jahr
    std::string mainPanel; ///< lblA(3), (5), (7), (8), (13), (16), (18)
};

TEST_F(Decoder, FieldsArePlainSumsOfTheirOwnBitsAndNothingOfTheLastTelegramSurvives)
{
    const FieldCase table[] = {
        {{}, {0, 0, 0, 0, 0, 0}, "          |00|         |2000|00|00|00"},
        {{21, 22, 23, 24, 25, 26, 27},
         {85, 0, 0, 0, 0, 0},
         "          |00|         |2000|00|00|85"},
        {{29, 30, 31, 32, 33, 34}, {0, 45, 0, 0, 0, 0}, "          |00|         |2000|00|45|00"},
        {{36, 37, 38, 39, 40, 41}, {0, 0, 45, 0, 0, 0}, "          |45|         |2000|00|00|00"},
        {{42, 43, 44}, {0, 0, 0, 7, 0, 0}, "   Sonntag|00|         |2000|00|00|00"},
        {{44}, {0, 0, 0, 4, 0, 0}, "Donnerstag|00|         |2000|00|00|00"},
        {{45, 46, 47, 48, 49}, {0, 0, 0, 0, 25, 0}, "          |00|         |2000|25|00|00"},
        {{45, 46}, {0, 0, 0, 0, 3, 0}, "          |00|März     |2000|03|00|00"},
        {{50, 51, 52, 53, 54, 55, 56, 57},
         {0, 0, 0, 0, 0, 165},
         "          |00|         |2165|00|00|00"},
        {{57, 27, 41, 33}, {40, 10, 20, 0, 0, 80}, "          |20|         |2080|00|10|40"},
    };
    for (const FieldCase &c : table) {
        decode(kWorkedExample);
        decode(c.bits);
        const Global &g = program.g;
        EXPECT_EQ((std::vector<int> {g.Minute, g.Stunde, g.Tag, g.Wochentag, g.Monat, g.Jahr}),
                  c.values);
        std::string shown;
        for (int index : {3, 5, 7, 8, 13, 16, 18})
            shown += (shown.empty() ? "" : "|") + program.frmDCF77.lblA(index).caption();
        EXPECT_EQ(shown, c.mainPanel);
    }
}

TEST_F(Decoder, ZoneWordIsKeptWithoutZoneBitsAndWinterWinsOverSummer)
{
    decode({});
    EXPECT_EQ(program.frmDCF77.lblA(2).caption(), std::string(10, ' '));
    const std::pair<std::vector<int>, std::string> table[] = {
        {{17}, "Sommerzeit"}, {{}, "Sommerzeit"},   {{18}, "Winterzeit"},
        {{}, "Winterzeit"},   {{17}, "Sommerzeit"}, {{17, 18}, "Winterzeit"},
    };
    for (const auto &[bits, zone] : table) {
        decode(bits);
        EXPECT_EQ(program.g.Zeitzone.str(), zone);
        EXPECT_EQ(program.frmDCF77.lblA(2).caption(), zone);
    }
}

TEST_F(Decoder, UnreadBitsAndGreyBoxesChangeNothing)
{
    decode(kWorkedExample);
    const std::string plain = panels();

    std::vector<int> withUnread = kWorkedExample;
    for (int bit :
         {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 19, 20, 28, 35, 58, 59})
        withUnread.push_back(bit);
    decode(withUnread);
    EXPECT_EQ(panels(), plain);

    decode(kWorkedExample, CheckBox::Grayed);
    EXPECT_EQ(panels(), plain);
}

TEST_F(Decoder, WholePanelShowsWhenHideIsPressedDuringTheReveal)
{
    log.onEntry = [this](const ControlLog::Entry &entry) {
        if (entry.control == "lblA(5)" && entry.property == Property::Visible)
            vp.at(vp.now(), [this] { program.frmDCF77.cmdHide.click(); });
    };
    decode(kWorkedExample);

    EXPECT_TRUE(program.frmZeit().isShown());
    for (int index = 0; index <= 20; ++index)
        EXPECT_TRUE(program.frmDCF77.lblA(index).visible()) << index;
}

} // namespace
} // namespace dcf
