#include "clock/clock_window.h"
#include "decoding/decoder.h"
#include "property_log.h"
#include "ui/program.h"
#include "virtual_platform.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace dcf {
namespace {

using testing::PropertyLog;
using testing::VirtualPlatform;

// Saturday, 5 December 2026, 14:37, winter time.
const std::vector<int> kWorkedExample
    = {18, 21, 22, 23, 25, 26, 31, 33, 36, 38, 43, 44, 46, 49, 51, 52, 55};

// Every bit the decoder reads.
std::vector<int> readBits()
{
    std::vector<int> bits {17, 18};
    for (int bit = 21; bit <= 57; ++bit) {
        if (bit != 28 && bit != 35)
            bits.push_back(bit);
    }
    return bits;
}

class Decoder : public ::testing::Test
{
protected:
    void SetUp() override
    {
        program.start();
        log.watch(program.frmDCF77);
        log.watch(program.frmZeit());
    }

    void set(const std::vector<int> &bits, int16_t state = CheckBox::Checked)
    {
        for (int bit : bits)
            program.frmDCF77.chkPuls(bit).setValue(state);
    }

    void decode()
    {
        log.entries.clear();
        DecodeTelegram(program);
    }

    std::string mainText(int index) const { return program.frmDCF77.lblA(index).caption(); }
    std::string clockText(int index) { return program.frmZeit().lblB(index).caption(); }

    /// Everything the decoder produces, for comparing two decodes.
    std::vector<std::string> outcome()
    {
        const Global &g = program.g;
        std::vector<std::string> result {
            std::to_string(g.Minute), std::to_string(g.Stunde),
            std::to_string(g.Tag),    std::to_string(g.Wochentag),
            std::to_string(g.Monat),  std::to_string(g.Jahr),
            g.Zeitzone.str(),         g.Wochentagsname.str(),
            g.Monatsname.str(),
        };
        for (int index = 0; index <= 20; ++index)
            result.push_back(mainText(index));
        for (int index = 0; index <= 12; ++index)
            result.push_back(clockText(index));
        return result;
    }

    VirtualPlatform vp;
    Program program {vp.platform()};
    PropertyLog log {vp};
};

TEST_F(Decoder, WorkedExampleFillsBothPanelsInOrder)
{
    set(kWorkedExample);
    program.g.Sekunde = 42;
    const int eventsBefore = vp.events.processed;
    decode();

    const Global &g = program.g;
    EXPECT_EQ(g.Minute, 37);
    EXPECT_EQ(g.Stunde, 14);
    EXPECT_EQ(g.Tag, 5);
    EXPECT_EQ(g.Wochentag, 6);
    EXPECT_EQ(g.Monat, 12);
    EXPECT_EQ(g.Jahr, 26);
    EXPECT_EQ(g.Zeitzone.str(), "Winterzeit");
    EXPECT_EQ(g.Wochentagsname.str(), "   Samstag");
    EXPECT_EQ(g.Monatsname.str(), "Dezember ");
    EXPECT_EQ(g.Sekunde, 42);

    const std::vector<std::string> panel {
        "Der heutige Tag:",
        "Im Moment haben wir die Mitteleuropäische",
        "Winterzeit",
        "   Samstag",
        "den",
        "05",
        ".",
        "Dezember ",
        "2026",
        "",
        "=",
        "05",
        ".",
        "12",
        ".",
        "2026",
        "14",
        ":",
        "37",
        ":",
        "00",
    };
    for (int index = 0; index <= 20; ++index) {
        EXPECT_EQ(mainText(index), panel[static_cast<std::size_t>(index)])
            << "lblA(" << index << ")";
        EXPECT_TRUE(program.frmDCF77.lblA(index).visible()) << "lblA(" << index << ")";
    }
    const std::vector<std::string> clockPanel {
        "Heute ist:", "   Samstag", "der", "05", ".", "12", ".", "2026", "14", ":", "37", ":", "",
    };
    for (int index = 0; index <= 12; ++index)
        EXPECT_EQ(clockText(index), clockPanel[static_cast<std::size_t>(index)])
            << "lblB(" << index << ")";

    // Each value goes to the main window before the clock window; the panel is revealed last,
    // one label per yield, and neither lblA(9) nor lblB(12) is touched.
    std::vector<std::string> expected {
        "lblA(2).Caption",  "lblA(3).Caption", "lblB(1).Caption",  "lblA(5).Caption",
        "lblA(11).Caption", "lblB(3).Caption", "lblA(13).Caption", "lblA(7).Caption",
        "lblB(5).Caption",  "lblA(8).Caption", "lblA(15).Caption", "lblB(7).Caption",
        "lblA(16).Caption", "lblB(8).Caption", "lblA(18).Caption", "lblB(10).Caption",
        "lblA(20).Caption",
    };
    for (int index = 0; index <= 20; ++index)
        expected.push_back("lblA(" + std::to_string(index) + ").Visible");
    EXPECT_EQ(log.writes(), expected);
    EXPECT_EQ(vp.events.processed - eventsBefore, 22);
}

TEST(DecoderClockWindow, FirstWriteCreatesTheClockWindowHidden)
{
    VirtualPlatform vp;
    Program program {vp.platform()};
    program.start();
    ASSERT_FALSE(program.clockWindowExists());
    DecodeTelegram(program);
    ASSERT_TRUE(program.clockWindowExists());
    EXPECT_FALSE(program.frmZeit().isShown());
    EXPECT_TRUE(program.frmDCF77.isShown());
}

TEST_F(Decoder, AllBitsClearGiveZerosAndBlankNames)
{
    program.g.Zeitzone = "Sommerzeit";
    decode();
    const Global &g = program.g;
    for (int16_t value : {g.Minute, g.Stunde, g.Tag, g.Wochentag, g.Monat, g.Jahr})
        EXPECT_EQ(value, 0);
    EXPECT_EQ(mainText(3), std::string(10, ' '));
    EXPECT_EQ(clockText(1), std::string(10, ' '));
    EXPECT_EQ(mainText(7), std::string(9, ' '));
    EXPECT_EQ(mainText(8), "2000");
    EXPECT_EQ(mainText(5), "00");
    EXPECT_EQ(clockText(8), "00");
    EXPECT_EQ(mainText(2), "Sommerzeit");
}

struct FieldCase
{
    const char *name;
    std::vector<int> bits;
    int16_t Global::*field;
    int16_t value;
    int mainLabel;
    int clockLabel;
    std::string text;
};

class DecoderField : public Decoder, public ::testing::WithParamInterface<FieldCase>
{
};

TEST_P(DecoderField, SumsTheWeightsOfItsOwnBitsOnly)
{
    const FieldCase &c = GetParam();
    set(c.bits);
    decode();
    for (int16_t Global::*field : {&Global::Minute, &Global::Stunde, &Global::Tag,
                                   &Global::Wochentag, &Global::Monat, &Global::Jahr}) {
        EXPECT_EQ(program.g.*field, field == c.field ? c.value : 0);
    }
    EXPECT_EQ(mainText(c.mainLabel), c.text);
    EXPECT_EQ(clockText(c.clockLabel), c.text);
}

INSTANTIATE_TEST_SUITE_P(
    Fields, DecoderField,
    ::testing::Values(
        FieldCase {
            "AllMinuteBits", {21, 22, 23, 24, 25, 26, 27}, &Global::Minute, 85, 18, 10, "85"},
        FieldCase {"MinuteForty", {27}, &Global::Minute, 40, 18, 10, "40"},
        FieldCase {"AllHourBits", {29, 30, 31, 32, 33, 34}, &Global::Stunde, 45, 16, 8, "45"},
        FieldCase {"HourSeven", {29, 30, 31}, &Global::Stunde, 7, 16, 8, "07"},
        FieldCase {"AllDayBits", {36, 37, 38, 39, 40, 41}, &Global::Tag, 45, 5, 3, "45"},
        FieldCase {"DayTwenty", {41}, &Global::Tag, 20, 5, 3, "20"},
        FieldCase {"AllWeekdayBits", {42, 43, 44}, &Global::Wochentag, 7, 3, 1, "   Sonntag"},
        FieldCase {"Thursday", {44}, &Global::Wochentag, 4, 3, 1, "Donnerstag"},
        FieldCase {"AllMonthBits", {45, 46, 47, 48, 49}, &Global::Monat, 25, 13, 5, "25"},
        FieldCase {"MonthEight", {48}, &Global::Monat, 8, 13, 5, "08"},
        FieldCase {
            "AllYearBits", {50, 51, 52, 53, 54, 55, 56, 57}, &Global::Jahr, 165, 8, 7, "2165"},
        FieldCase {"YearEighty", {57}, &Global::Jahr, 80, 8, 7, "2080"},
        FieldCase {"YearForty", {56}, &Global::Jahr, 40, 8, 7, "2040"}),
    [](const ::testing::TestParamInfo<FieldCase> &param) { return std::string(param.param.name); });

TEST_F(Decoder, MonthNameIsPaddedOnTheMainWindowOnly)
{
    set({45, 46}); // March
    decode();
    EXPECT_EQ(mainText(7), "März     ");
    EXPECT_EQ(mainText(13), "03");
    EXPECT_EQ(clockText(5), "03");
    EXPECT_EQ(characterCount(mainText(7)), 9u);
}

struct ZoneCase
{
    const char *name;
    std::vector<int> bits;
    const char *before; ///< null: no telegram has set a zone yet
    std::string after;
};

class DecoderZone : public Decoder, public ::testing::WithParamInterface<ZoneCase>
{
};

TEST_P(DecoderZone, ZoneWord)
{
    const ZoneCase &c = GetParam();
    if (c.before)
        program.g.Zeitzone = c.before;
    set(c.bits);
    decode();
    EXPECT_EQ(program.g.Zeitzone.str(), c.after);
    EXPECT_EQ(mainText(2), c.after);
}

INSTANTIATE_TEST_SUITE_P(
    Zones, DecoderZone,
    ::testing::Values(ZoneCase {"Summer", {17}, "Winterzeit", "Sommerzeit"},
                      ZoneCase {"Winter", {18}, "Sommerzeit", "Winterzeit"},
                      ZoneCase {"BothWinterWins", {17, 18}, nullptr, "Winterzeit"},
                      ZoneCase {"NeitherKeepsSummer", {}, "Sommerzeit", "Sommerzeit"},
                      ZoneCase {"NeitherKeepsWinter", {}, "Winterzeit", "Winterzeit"},
                      ZoneCase {"NeitherBeforeAnyZone", {}, nullptr, std::string(10, ' ')}),
    [](const ::testing::TestParamInfo<ZoneCase> &param) { return std::string(param.param.name); });

TEST_F(Decoder, UnreadBitsAndGreyBoxesChangeNothing)
{
    set(kWorkedExample);
    decode();
    const std::vector<std::string> plain = outcome();

    // Parity, weather, reserve, announcement, leap-second, start and gap bits all set.
    set({0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 19, 20, 28, 35, 58, 59});
    decode();
    EXPECT_EQ(outcome(), plain);

    // A grey box is no 1, in any field.
    std::vector<int> clear;
    for (int bit : readBits()) {
        if (program.frmDCF77.chkPuls(bit).value() != CheckBox::Checked)
            clear.push_back(bit);
    }
    set(clear, CheckBox::Grayed);
    decode();
    EXPECT_EQ(outcome(), plain);
}

TEST_F(Decoder, NamesOfAnEarlierTelegramDoNotSurvive)
{
    set(kWorkedExample);
    decode();
    for (int bit : readBits())
        program.frmDCF77.chkPuls(bit).setValue(CheckBox::Unchecked);
    set({45, 46, 49}); // month 13, weekday 0
    decode();

    EXPECT_EQ(program.g.Monat, 13);
    EXPECT_EQ(program.g.Wochentagsname.str(), std::string(10, ' '));
    EXPECT_EQ(program.g.Monatsname.str(), std::string(9, ' '));
    EXPECT_EQ(mainText(3), std::string(10, ' '));
    EXPECT_EQ(clockText(1), std::string(10, ' '));
    EXPECT_EQ(mainText(7), std::string(9, ' '));
    EXPECT_EQ(mainText(13), "13");
    EXPECT_EQ(mainText(2), "Winterzeit");
}

TEST_F(Decoder, WholePanelShowsWhenHideIsPressedDuringTheReveal)
{
    set(kWorkedExample);
    for (int index = 0; index <= 20; ++index)
        program.frmDCF77.lblA(index).setVisible(false);
    program.g.i = 0;
    bool scripted = false;
    log.onEntry = [&](const PropertyLog::Entry &entry) {
        if (!scripted && entry.control == "lblA(5)" && entry.property == Property::Visible) {
            scripted = true;
            vp.at(vp.now(), [this] { program.frmDCF77.cmdHide.click(); });
        }
    };
    decode();

    ASSERT_TRUE(scripted);
    EXPECT_TRUE(program.frmZeit().isShown());
    EXPECT_FALSE(program.frmDCF77.isShown());
    for (int index = 0; index <= 20; ++index)
        EXPECT_TRUE(program.frmDCF77.lblA(index).visible()) << "lblA(" << index << ")";
}

TEST_F(Decoder, ExitDuringTheFirstYieldWritesNothing)
{
    set(kWorkedExample);
    vp.at(0, [this] { program.frmDCF77.cmdExit.click(); });
    log.entries.clear();
    EXPECT_THROW(DecodeTelegram(program), RoutineInterrupted);
    EXPECT_TRUE(vp.desktop.quitRequested);
    EXPECT_TRUE(log.entries.empty());
}

} // namespace
} // namespace dcf
