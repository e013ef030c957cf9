// The reception of one minute in virtual time: a receiver script drives the serial line, the
// control log says what the main window showed and when.

#include "control_log.h"
#include "program/program.h"
#include "receiver_script.h"
#include "reception/display_formats.h"
#include "reception/reception.h"
#include "ui/clock_window.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <random>
#include <set>

namespace dcf::testing {
namespace {

/// Start is pressed at 0; the reset sleeps a second, then the port opens.
constexpr int64_t kOpened = 1000;
constexpr int kLastTelegramBit = 58;

template<typename Case> std::string caseName(const ::testing::TestParamInfo<Case> &testCase)
{
    return testCase.param.name;
}

bool slept(const VirtualTime &time, int64_t at, int64_t ms)
{
    return std::ranges::find(time.sleeps, std::pair {at, ms}) != time.sleeps.end();
}

class Reception : public ::testing::Test
{
protected:
    void SetUp() override
    {
        program.start();
        w().txtComPort.setText("1");
        log.watch(w());
    }

    MainWindow &w() { return program.frmDCF77; }

    /// Presses Start. False when the scenario's script ran out before the command returned.
    bool pressStart()
    {
        try {
            w().cmdStart.click();
            return true;
        } catch (const ScriptExhausted &) {
            return false;
        }
    }

    /// Seconds 57 and 58 of a minute, the first mark half a second after the port opened, so
    /// that the next mark finds the first minute gap. Returns the start of the following minute.
    int64_t leadIn() { return receiver.minute(kOpened + 500 - 57 * kSecondMs, zeros, 57); }

    /// Times at which the reception handed over to the decoder.
    std::vector<int64_t> handOvers() const { return log.times("optPuls02", Property::Value, "1"); }

    /// Index of the last control write of the character step that showed a character at `at`,
    /// before any reset that followed it.
    std::size_t stepEnd(int64_t at) const
    {
        std::size_t last = log.entries.size();
        for (std::size_t index = 0; index < log.entries.size(); ++index) {
            const ControlLog::Entry &entry = log.entries[index];
            if (entry.at < at)
                continue;
            if (entry.at > at || (entry.control == "txtZähl" && entry.value.empty()))
                break;
            last = index;
        }
        return last;
    }

    void expectBits(const MinuteBits &bits)
    {
        for (int k = 0; k <= kLastTelegramBit; ++k) {
            const bool one = bits[static_cast<std::size_t>(k)] == 1;
            EXPECT_EQ(w().chkPuls(k).value(), one ? CheckBox::Checked : CheckBox::Unchecked) << k;
            EXPECT_EQ(w().chkPuls(k).backColor(),
                      one ? receptionColors::kBitOne : receptionColors::kBitZero)
                << k;
        }
        EXPECT_EQ(w().chkPuls(59).value(), CheckBox::Unchecked);
        EXPECT_EQ(w().chkPuls(59).backColor(), colors::kButtonFace);
    }

    const MinuteBits zeros = MinuteBits(59, 0);
    const MinuteBits sample = telegramAnnouncing("2024-03-15 14:37");
    VirtualPlatform vp;
    Program program {vp.platform()};
    ReceiverScript receiver {vp};
    ControlLog log {vp};
};

TEST_F(Reception, UndisturbedMinuteIsCollectedAndHandedOverOnce)
{
    const int64_t next = receiver.minute(leadIn(), sample);
    receiver.minute(next, zeros); // the receiver goes on sending
    vp.endAt(next + 5 * kSecondMs);

    pressStart();

    EXPECT_EQ(handOvers(), std::vector<int64_t> {next});
    EXPECT_EQ(program.g.PulsZaehler, 59);
    expectBits(sample);
    EXPECT_FALSE(w().optPuls01.value());
    EXPECT_EQ(w().optPuls02.backColor(), receptionColors::kFinishedBack);
    EXPECT_EQ(vp.serial.settings, "38400,N,8,1");
    EXPECT_EQ(vp.serial.readLength, 1);
    EXPECT_EQ(vp.serial.opens, 1);

    // Each "1" shows the count 0 and each "0" the count 1; nothing is read after the hand-over.
    const std::vector<std::string> signs = log.values("txtSign", Property::Text);
    const std::vector<std::string> counts = log.values("txtZahl", Property::Text);
    ASSERT_EQ(signs.size(), 2u * (2 + 59) + 1);
    ASSERT_EQ(counts.size(), signs.size());
    for (std::size_t n = 0; n < signs.size(); ++n)
        EXPECT_EQ(counts[n], signs[n] == "1" ? "0" : "1") << "character " << n;
    EXPECT_FALSE(log.writtenAfter("txtSign", next));
}

TEST_F(Reception, LeapSecondMarkIsNotStored)
{
    MinuteBits bits = sample;
    bits.push_back(1); // second 59 carries a mark, the gap moves to second 60
    const int64_t next = receiver.minute(leadIn(), bits);
    receiver.mark(next, kShortMarkMs);
    vp.endAt(next + kSecondMs);

    pressStart();

    EXPECT_EQ(handOvers(), std::vector<int64_t> {next});
    EXPECT_EQ(program.g.PulsZaehler, 60);
    expectBits(bits);
}

struct ShortMinuteCase
{
    const char *name;
    std::set<int> lostMarks;
    int64_t nextMarkLateMs; ///< the mark after the lost ones comes this much late
    int closingSecond; ///< the mark that finds the second gap; -1: second 0 of the next minute
    bool decoded;
};

class ShortMinute : public Reception, public ::testing::WithParamInterface<ShortMinuteCase>
{
};

TEST_P(ShortMinute, FiftyEightPulsesAreEnoughFiftySevenAreNot)
{
    const ShortMinuteCase &c = GetParam();
    const int64_t minute = leadIn();
    int64_t late = 0;
    for (int second = 0; second <= kLastTelegramBit; ++second) {
        if (c.lostMarks.contains(second)) {
            late = c.nextMarkLateMs;
            continue;
        }
        receiver.mark(minute + second * kSecondMs + late,
                      sample[static_cast<std::size_t>(second)] ? kLongMarkMs : kShortMarkMs);
        late = 0;
    }
    const int64_t next = minute + 60 * kSecondMs;
    receiver.minute(next, zeros);
    vp.endAt(next + 5 * kSecondMs);
    const int64_t closing = c.closingSecond < 0 ? next : minute + c.closingSecond * kSecondMs;

    pressStart();

    EXPECT_TRUE(slept(vp.time, closing, c.decoded ? 500 : 1000));
    if (c.decoded) {
        EXPECT_EQ(handOvers(), std::vector<int64_t> {next + 500});
        EXPECT_EQ(program.g.PulsZaehler, 58);
        EXPECT_EQ(vp.serial.opens, 1);
    } else {
        EXPECT_TRUE(handOvers().empty());
        EXPECT_EQ(log.times("txtFehler3", Property::Text, "       1"),
                  std::vector<int64_t> {closing});
        EXPECT_EQ(log.valueAt("txtFehler3", Property::BackColor, stepEnd(closing)),
                  logged(colors::kRed));
        EXPECT_EQ(vp.serial.opens, 2); // a new attempt
    }
}

INSTANTIATE_TEST_SUITE_P(Minutes, ShortMinute,
                         ::testing::Values(ShortMinuteCase {"FiftyEight", {30}, 600, -1, true},
                                           ShortMinuteCase {"FiftySeven", {30, 31}, 0, -1, false},
                                           ShortMinuteCase {
                                               "LostMarkMakesAnEarlyGap", {30}, 0, 31, false}),
                         caseName<ShortMinuteCase>);

struct PulseCase
{
    const char *name;
    int64_t lengthMs;
    bool short100; ///< chk100 rather than chk200
    const char *txtDCF1;
    const char *txtDCF2;
    bool bit; ///< chkPuls(30) after the pulse
    const char *txtFehler1;
    const char *txtFehler2;
};

class PulseLength : public Reception, public ::testing::WithParamInterface<PulseCase>
{
};

TEST_P(PulseLength, ClassifiesAndCountsErrorsAtStrictLimits)
{
    const PulseCase &c = GetParam();
    MinuteBits bits(30, 0);
    bits[29] = 1; // the position of second 30 starts with the class of this 200 ms mark
    const int64_t minute = leadIn();
    const int64_t odd = minute + 30 * kSecondMs;
    receiver.minute(minute, bits);
    receiver.mark(odd, c.lengthMs);
    receiver.minute(receiver.minute(minute, zeros, 31), zeros);
    vp.endAt(minute + 62 * kSecondMs);

    pressStart();

    const std::size_t step = stepEnd(odd + c.lengthMs);
    const auto at = [&](const char *control, Property property) {
        return log.valueAt(control, property, step).value_or("<none>");
    };
    EXPECT_EQ(at("chk100", Property::Value), c.short100 ? "1" : "0");
    EXPECT_EQ(at("chk200", Property::Value), c.short100 ? "0" : "1");
    EXPECT_EQ(at("txtDCF1", Property::Text), c.txtDCF1);
    EXPECT_EQ(at("txtDCF2", Property::Text), c.txtDCF2);
    EXPECT_EQ(at("chkPuls(30)", Property::Value), c.bit ? "1" : "0");
    EXPECT_EQ(at("chkPuls(30)", Property::BackColor),
              logged(c.bit ? receptionColors::kBitOne : receptionColors::kBitZero));
    EXPECT_EQ(at("txtFehler1", Property::Text), c.txtFehler1);
    EXPECT_EQ(at("txtFehler2", Property::Text), c.txtFehler2);
    for (const char *counter : {"txtFehler1", "txtFehler2"}) {
        EXPECT_EQ(at(counter, Property::BackColor),
                  logged(at(counter, Property::Text).empty() ? colors::kBlack : colors::kRed));
    }
    // An error abandons the attempt before the next wait; otherwise the minute completes.
    const bool error = *c.txtFehler1 || *c.txtFehler2;
    EXPECT_EQ(vp.serial.opens, error ? 2 : 1);
    EXPECT_EQ(handOvers().size(), error ? 0u : 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Lengths, PulseLength,
    ::testing::Values(
        PulseCase {"TwentyMsIsShortAndBitZero", 20, true, "   0.020", "", false, "       1", ""},
        PulseCase {"ThirtyMsIsNotShort", 30, true, "   0.030", "", false, "", ""},
        PulseCase {"HundredFiftyMsHasNoClass", 150, false, "", "   0.200", true, "", ""},
        PulseCase {"TwoHundredFiftyMsIsNoError", 250, false, "", "   0.200", true, "", ""},
        PulseCase {"ThreeHundredMsIsLong", 300, false, "", "   0.200", true, "", "       1"}),
    caseName<PulseCase>);

struct IntervalCase
{
    const char *name;
    int64_t firstMarkMs; ///< after the port opened; chosen where single precision rounds badly
    int64_t intervalMs;
    int16_t gaps;
};

class PulseInterval : public Reception, public ::testing::WithParamInterface<IntervalCase>
{
};

TEST_P(PulseInterval, MinuteGapLimitsAreStrict)
{
    const IntervalCase &c = GetParam();
    receiver.mark(kOpened + c.firstMarkMs, kShortMarkMs);
    receiver.mark(kOpened + c.firstMarkMs + c.intervalMs, kShortMarkMs);
    vp.endAt(kOpened + c.firstMarkMs + c.intervalMs + kSecondMs);

    pressStart();

    EXPECT_EQ(program.g.PausenZaehler, c.gaps);
    EXPECT_EQ(program.g.MinuteErkannt, c.gaps);
    EXPECT_EQ(w().txtPausZ.text(), c.gaps ? "       1" : "");
}

INSTANTIATE_TEST_SUITE_P(Intervals, PulseInterval,
                         ::testing::Values(IntervalCase {"Exactly1500IsNoGap", 2602, 1500, 0},
                                           IntervalCase {"Just1501IsAGap", 2602, 1501, 1},
                                           IntervalCase {"Exactly2500IsNoGap", 2601, 2500, 0},
                                           IntervalCase {"Just2499IsAGap", 2601, 2499, 1}),
                         caseName<IntervalCase>);

struct SequenceCase
{
    const char *name;
    std::vector<std::pair<int64_t, std::string>> input; ///< ms after the port opened
    float pulses;
    double pulseLength;
    int16_t gaps;
    const char *signs; ///< txtSign texts, joined
    const char *counts; ///< txtZahl texts, joined
    bool classified;
};

class CharacterSequence : public Reception, public ::testing::WithParamInterface<SequenceCase>
{
};

TEST_P(CharacterSequence, EdgesCountOnlyInTheirState)
{
    const SequenceCase &c = GetParam();
    for (const auto &[at, text] : c.input)
        vp.serialAt(kOpened + at, text);
    vp.endAt(kOpened + 3 * kSecondMs);

    pressStart();

    EXPECT_EQ(program.g.PulsZaehler, c.pulses);
    EXPECT_DOUBLE_EQ(program.g.PulsLaenge, c.pulseLength);
    EXPECT_EQ(program.g.PausenZaehler, c.gaps);
    std::string signs;
    for (const std::string &sign : log.values("txtSign", Property::Text))
        signs += sign;
    std::string counts;
    for (const std::string &count : log.values("txtZahl", Property::Text))
        counts += count;
    EXPECT_EQ(signs, c.signs);
    EXPECT_EQ(counts, c.counts);
    EXPECT_EQ(log.values("chk100", Property::Value).empty(), !c.classified);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Sequences, CharacterSequence,
    ::testing::Values(
        SequenceCase {"RepeatedOneStartsNoSecondPulse", {{500, "1"}, {550, "1"}, {600, "0"}},
                      1, 0.1, 0, "110", "012", true},
        SequenceCase {"FirstZeroEndsNoPulse", {{500, "0"}, {800, "1"}}, 1, 0, 0, "01", "00", false},
        SequenceCase {"OtherCharactersAreNoEdges",
                      {{500, "x"}, {510, "\r"}, {520, "2"}, {530, "\xB0"}},
                      0, 0, 0, "x\r2\u00B0", "0123", false},
        // The count of the minute starts afresh on the character after the first gap.
        SequenceCase {"FirstPulseTwoSecondsAfterOpeningIsAGap", {{2000, "1"}, {2100, "0"}},
                      0, 0.1, 1, "10", "01", true}),
    caseName<SequenceCase>);
// clang-format on

struct TimeOutCase
{
    const char *name;
    int64_t firstMarkMs; ///< marks every second from here, no minute gap
    int64_t handOverMs; ///< after the port opened
};

class TimeOut : public Reception, public ::testing::WithParamInterface<TimeOutCase>
{
};

TEST_P(TimeOut, EndsOnThePulseEndAfterAStartLaterThan121Seconds)
{
    for (int64_t at = GetParam().firstMarkMs; at < 125 * kSecondMs; at += kSecondMs)
        receiver.mark(kOpened + at, kShortMarkMs);
    vp.endAt(kOpened + 126 * kSecondMs);

    pressStart();

    EXPECT_EQ(handOvers(), std::vector<int64_t> {kOpened + GetParam().handOverMs});
    EXPECT_EQ(program.g.PausenZaehler, 0);
}

INSTANTIATE_TEST_SUITE_P(Starts, TimeOut,
                         ::testing::Values(TimeOutCase {"At121_5", 500, 121600},
                                           TimeOutCase {"NotAt121", 1000, 122100}),
                         caseName<TimeOutCase>);

/// Checks the reception's indexes at every event processing.
void probeIndexes(VirtualPlatform &vp, const Global &g, int64_t until)
{
    for (int64_t at = 0; at < until; at += 50) {
        vp.at(at, [&g] {
            ASSERT_GE(g.i, 1);
            ASSERT_LE(g.i, Global::kPulsTableLast);
            ASSERT_GE(g.BitNr, 0);
            ASSERT_LE(g.BitNr, g.i);
            ASSERT_GE(g.ZeichenZaehler, 0);
            // The entries next to the tables would catch a write past their ends.
            ASSERT_EQ(g.PulsZeit[0], 0);
            ASSERT_EQ(g.PulsAbstand[0], 0);
        });
    }
}

TEST_F(Reception, TooManyPulsesBeginANewAttempt)
{
    // Marks every 0.7 s: no gap, no error, and 150 pulse starts before the time-out.
    for (int n = 1; n <= 160; ++n)
        receiver.mark(kOpened + n * 700, 60);
    probeIndexes(vp, program.g, kOpened + 160 * 700);
    vp.endAt(kOpened + 160 * 700);

    pressStart();

    EXPECT_TRUE(slept(vp.time, kOpened + Global::kPulsTableLast * 700, 1000));
    EXPECT_EQ(vp.serial.opens, 2);
    EXPECT_TRUE(handOvers().empty());
}

TEST_F(Reception, FloodOfRandomCharactersStaysInBounds)
{
    std::mt19937 random(77);
    std::uniform_int_distribution<int> pause(1, 400);
    std::uniform_int_distribution<int> byte(0, 255);
    std::bernoulli_distribution edge(0.9);
    constexpr int64_t kUntil = 400 * kSecondMs;
    for (int64_t at = kOpened; at < kUntil; at += pause(random)) {
        const char c
            = edge(random) ? (byte(random) % 2 ? '1' : '0') : static_cast<char>(byte(random));
        vp.serialAt(at, std::string(1, c));
    }
    probeIndexes(vp, program.g, kUntil);
    vp.endAt(kUntil);

    EXPECT_NO_THROW(pressStart());
    EXPECT_GT(vp.serial.opens, 1);
}

TEST_F(Reception, CharacterCountStopsAtItsLimit)
{
    vp.serialAt(kOpened + 500, std::string(32770, 'x'));
    vp.endAt(kOpened + 600);

    pressStart();

    EXPECT_EQ(program.g.ZeichenZaehler, 32767);
    EXPECT_EQ(w().txtZahl.text(), "32767");
}

struct PortCase
{
    const char *text;
    const char *openError;
    const char *named; ///< what the message quotes
};

class UnusablePort : public Reception, public ::testing::WithParamInterface<PortCase>
{
};

TEST_P(UnusablePort, IsRefusedWithAMessageBeforeAnythingChangesAndStartWorksAgain)
{
    w().txtComPort.setText(GetParam().text);
    vp.serial.openError = GetParam().openError;
    const std::size_t before = log.entries.size();

    EXPECT_TRUE(pressStart());

    ASSERT_EQ(vp.desktop.messages.size(), 1u);
    EXPECT_NE(vp.desktop.messages[0].text.find(GetParam().named), std::string::npos);
    EXPECT_NE(vp.desktop.messages[0].text.find(GetParam().openError), std::string::npos);
    EXPECT_EQ(vp.serial.opens, 0);
    EXPECT_FALSE(vp.serial.isOpen());
    EXPECT_EQ(log.entries.size(), before); // no reset, no display touched
    EXPECT_EQ(vp.now(), 0);
    EXPECT_FALSE(program.receptionActive());

    w().txtComPort.setText("1");
    vp.serial.openError.clear();
    const int64_t next = receiver.minute(leadIn(), zeros);
    receiver.mark(next, kShortMarkMs);
    vp.endAt(next + kSecondMs);
    pressStart();
    EXPECT_EQ(handOvers(), std::vector<int64_t> {next});
}

INSTANTIATE_TEST_SUITE_P(Texts, UnusablePort,
                         ::testing::Values(PortCase {"", "", "ComPort No."},
                                           PortCase {"abc", "", "„abc“"}, PortCase {"0", "", "„0“"},
                                           PortCase {"40000", "", "„40000“"},
                                           PortCase {"1", "Permission denied", "/dev/ttyS0"}));

TEST_F(Reception, PortThatFailsDuringReceptionEndsIt)
{
    const int64_t minute = leadIn();
    receiver.minute(minute, zeros);
    const int64_t failure = minute + 20 * kSecondMs + 500;
    vp.serialFailsAt(failure, "Input/output error");

    EXPECT_TRUE(pressStart()); // returns although more marks are scripted

    EXPECT_EQ(vp.now(), failure);
    ASSERT_EQ(vp.desktop.messages.size(), 1u);
    EXPECT_NE(vp.desktop.messages[0].text.find("/dev/ttyS0"), std::string::npos);
    EXPECT_NE(vp.desktop.messages[0].text.find("Input/output error"), std::string::npos);
    EXPECT_FALSE(vp.serial.isOpen());
    EXPECT_FALSE(program.receptionActive());
    EXPECT_TRUE(handOvers().empty());

    vp.endAt(failure + 3 * kSecondMs);
    pressStart();
    EXPECT_EQ(vp.serial.opens, 2);
    EXPECT_TRUE(log.writtenAfter("txtSign", failure + kSecondMs));
}

TEST_F(Reception, StartPressedOverAndOverLeavesOneReception)
{
    const int64_t minute = leadIn();
    const int64_t third = receiver.minute(receiver.minute(minute, zeros), zeros);
    receiver.minute(third, zeros);
    vp.at(minute + 10500, [&] {
        for (int press = 0; press < 1000; ++press) {
            w().cmdStart.click(); // returns at once instead of nesting a reception
            ASSERT_EQ(vp.serial.opens, 1);
            ASSERT_TRUE(program.receptionActive());
        }
    });
    vp.endAt(third + kSecondMs);

    pressStart();

    // The active reception gave way to one fresh reception, which collected the next minute.
    EXPECT_EQ(vp.serial.opens, 2);
    EXPECT_EQ(handOvers(), std::vector<int64_t> {third});
}

TEST_F(Reception, ExitWhileWaitingEndsWithoutAnotherWrite)
{
    const int64_t minute = leadIn();
    receiver.minute(minute, zeros);
    const int64_t exit = minute + 20 * kSecondMs + 500;
    vp.at(exit, [&] { w().cmdExit.click(); });

    EXPECT_TRUE(pressStart());

    EXPECT_TRUE(vp.desktop.quitRequested);
    EXPECT_EQ(vp.desktop.drawn.size(), vp.desktop.drawnAtQuit);
    EXPECT_EQ(vp.now(), exit);
    EXPECT_FALSE(log.writtenAfter("txtSign", exit));
}

TEST_F(Reception, StartDuringTheClockEndsItForANewReception)
{
    log.watch(program.frmZeit());
    const int64_t handOver = receiver.minute(leadIn(), telegramAnnouncing("2026-12-05 14:37"));
    receiver.minute(receiver.minute(handOver, zeros), zeros);
    vp.at(handOver + 10'500, [&] { w().cmdStart.click(); });
    vp.endAt(handOver + 30'000);

    EXPECT_FALSE(pressStart()); // the new reception still waits for its minute

    EXPECT_EQ(vp.serial.opens, 2);
    EXPECT_EQ(program.frmZeit().lblB(10).caption(), "37");
    EXPECT_EQ(program.frmZeit().lblB(12).caption(), "11.00");
    for (const char *control : {"lblA(20)", "lblB(12)"}) {
        const std::vector<ControlLog::Entry> shown = log.of(control, Property::Caption);
        ASSERT_FALSE(shown.empty());
        EXPECT_EQ(shown.back().at, handOver + 11'000) << "the clock's next event processing";
    }
    for (int index = 0; index <= 20; ++index)
        EXPECT_FALSE(w().lblA(index).visible()) << index;
}

TEST_F(Reception, ResetClearsTheAttemptAndKeepsTheCharacterLine)
{
    Global &g = program.g;
    g.PulsZeit.fill(7);
    g.i = 99;
    g.Fehler1 = 1;
    g.ZeichenZaehler = 12;
    w().chkPuls(59).setValue(CheckBox::Checked);
    w().chkPuls(59).setBackColor(colors::kBlack);
    w().lblA(20).setVisible(true);
    w().txtFehler3.setText("       1");
    w().txtFehler3.setBackColor(colors::kRed);
    w().txtSign.setText("1");
    w().optPuls02.setValue(true);
    vp.time.advanceTo(5000);

    ResetReception(program.receptionContext());

    EXPECT_EQ(vp.time.sleeps, (std::vector<std::pair<int64_t, int64_t>> {{5000, 1000}}));
    EXPECT_EQ(g.i, 1);
    EXPECT_EQ(g.PauseAktiv, 1);
    EXPECT_EQ(g.Fehler1, 0);
    EXPECT_EQ(g.PulsZeit[120], 0);
    EXPECT_EQ(g.ZeichenZaehler, 12);
    EXPECT_EQ(w().chkPuls(59).value(), CheckBox::Unchecked);
    EXPECT_EQ(w().chkPuls(59).backColor(), colors::kButtonFace);
    EXPECT_FALSE(w().lblA(20).visible());
    EXPECT_EQ(w().txtFehler3.text(), "");
    EXPECT_EQ(w().txtFehler3.backColor(), colors::kBlack);
    EXPECT_FALSE(w().optPuls02.value());
    EXPECT_EQ(w().txtSign.text(), "1");
}

} // namespace
} // namespace dcf::testing
