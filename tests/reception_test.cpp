// The reception of one minute in virtual time: a receiver script drives the serial line, the fake
// desktop's log says what the main window showed and when. Edges are timed by their arrival, so a
// window thread held up by slow reactions or a burst of queued characters measures the same marks
// as an idle one. And the rule-like parts: display formats and port texts.

#include "printers.h"
#include "receiver_script.h"
#include "reception/display_formats.h"
#include "reception/reception.h"
#include "routine_bench.h"
#include "ui/port_name.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <gtest/gtest.h>
#include <ostream>
#include <random>

namespace dcf::testing {
namespace {

using testing::PrintTo;

/// Seconds as the displays must show them: three decimals, right-aligned in 8 characters.
std::string seconds(int64_t ms)
{
    char text[32];
    std::snprintf(text, sizeof text, "%8.3f", static_cast<double>(ms) / 1000);
    return text;
}

template<typename Case = int>
class ReceptionOf : public ::testing::TestWithParam<Case>, public MarkWatcher
{
protected:
    void SetUp() override { w().txtComPort.setText("1"); }
    void markMeasured(const MeasuredMark &mark) override { measured.push_back(mark); }

    MainWindow &w() { return bench.frmDCF77; }

    /// Runs a reception as Start does. Nothing when the scenario's script ran out before it
    /// ended.
    std::optional<ReceptionEnd> receive()
    {
        try {
            return runReception(bench.reception(this));
        } catch (const ScriptExhausted &) {
            return std::nullopt;
        }
    }

    /// Characters arriving at `us`, between milliseconds too.
    void arrive(int64_t us, const std::string &characters)
    {
        vp.extraMicroseconds[us / 1000] = us % 1000;
        vp.serialAt(us / 1000, characters);
    }

    /// Every value written to the property, in order, joined.
    std::string written(const std::string &control, Property property) const
    {
        std::string result;
        for (const Drawn &entry : vp.desktop.of(control, property))
            result += entry.value;
        return result;
    }

    bool slept(int64_t at, int64_t ms) const
    {
        return std::ranges::find(vp.sleeps, std::pair {at, ms}) != vp.sleeps.end();
    }

    /// What the property showed at the end of the character step at `at`, before any reset that
    /// followed it.
    std::string afterStep(int64_t at, const std::string &control, Property property) const
    {
        const std::vector<Drawn> &drawn = vp.desktop.drawn;
        std::size_t end = 0;
        while (end < drawn.size() && drawn[end].at <= at
               && !(drawn[end].at == at && drawn[end].control == "txtZähl"
                    && drawn[end].value.empty()))
            ++end;
        return vp.desktop.valueAfter(control, property, end);
    }

    const MinuteBits zeros = MinuteBits(59, 0);
    const MinuteBits sample = minuteWith(kSaturdayInDecember);
    VirtualPlatform vp;
    RoutineBench bench {vp};
    ReceiverScript receiver {vp};
    std::vector<MeasuredMark> measured;
};

using Reception = ReceptionOf<>;

struct MinuteCase
{
    const char *name;
    bool leapSecond; ///< second 59 carries a mark, the gap moves to second 60
    bool longMarkFirst; ///< a 300 ms mark abandons the first attempt in the minute before
};

using CompleteMinute = ReceptionOf<MinuteCase>;

TEST_P(CompleteMinute, IsCollectedShownAndHandedOverOnce)
{
    MinuteBits bits = sample;
    if (GetParam().leapSecond)
        bits.push_back(1);
    int64_t minute = receiver.leadIn();
    int64_t opened = kOpened;
    if (GetParam().longMarkFirst) {
        receiver.minute(minute, MinuteBits(5, 0));
        receiver.mark(minute + 5 * kSecondMs, 300);
        opened = minute + 5 * kSecondMs + 300 + 1000; // after the reset's second
        minute = receiver.minute(minute, zeros, 6);
    }
    const int64_t next = receiver.minute(minute, bits);
    receiver.minute(next, zeros); // the receiver goes on sending
    vp.endAt(next + 5 * kSecondMs);

    EXPECT_EQ(receive(), ReceptionEnd::MinuteComplete);

    EXPECT_EQ(handOvers(vp.desktop), std::vector<int64_t> {next});
    EXPECT_EQ(vp.serial.opens, GetParam().longMarkFirst ? 2 : 1);
    EXPECT_EQ(bench.g.PulsZaehler, static_cast<float>(bits.size()));
    for (int k = 0; k <= 58; ++k) {
        EXPECT_EQ(shown(w().chkPuls(k)),
                  bits[static_cast<std::size_t>(k)] == 1 ? "1 (button text on 0,0,0)"
                                                         : "0 (button text on 0,255,0)")
            << k;
    }
    const std::string whiteOnBlack = " (255,255,255 on 0,0,0)";
    const std::pair<const Control *, std::string> displays[] = {
        {&w().chkPuls(59), "0 (button text on button face)"},
        {&w().txtZähl, "      " + std::to_string(bits.size()) + whiteOnBlack},
        {&w().txtZeit1, seconds(next - opened) + whiteOnBlack},
        {&w().txtZeit2, (bits.back() ? "   0.200" : "   0.100") + whiteOnBlack},
        {&w().txtPause, "   2.000" + whiteOnBlack},
        {&w().txtPausZ, "       2" + whiteOnBlack},
        {&w().txtFehler2, whiteOnBlack},
        {&w().txtSign, "1" + whiteOnBlack},
        {&w().txtZahl, "0" + whiteOnBlack},
        {&w().optPuls01, "0 (0,0,0 on 192,255,255)"},
        {&w().optPuls02, "1 (button text on 0,192,0)"},
    };
    for (const auto &[control, look] : displays)
        EXPECT_EQ(shown(*control), look) << control->displayName();

    // Each "1" turns optPuls01's text red; nothing is read after the hand-over.
    const std::string signs = written("txtSign", Property::Text);
    EXPECT_EQ(vp.desktop.times("optPuls01", Property::ForeColor, "255,0,0").size(),
              static_cast<std::size_t>(std::ranges::count(signs, '1')));
    EXPECT_FALSE(vp.desktop.writtenAfter("txtSign", next));
}

INSTANTIATE_TEST_SUITE_P(Minutes, CompleteMinute,
                         ::testing::Values(MinuteCase {"Undisturbed", false, false},
                                           MinuteCase {"LeapSecondMarkIsNotStored", true, false},
                                           MinuteCase {"AfterAnAbandonedAttempt", false, true}),
                         ::testing::PrintToStringParamName());

struct ShortMinuteCase
{
    const char *name;
    std::vector<int> lostMarks;
    std::vector<int64_t> extraMarksMs; ///< after the minute's start
    int closingSecond; ///< the mark that finds the second gap; -1: second 0 of the next minute
    bool decoded;
};

using ShortMinute = ReceptionOf<ShortMinuteCase>;

TEST_P(ShortMinute, FiftyEightPulsesAreEnoughFiftySevenOrSixtyOneAreNot)
{
    const ShortMinuteCase &c = GetParam();
    const int64_t minute = receiver.leadIn();
    MinuteBits bits = sample;
    for (const int second : c.lostMarks)
        bits[static_cast<std::size_t>(second)] = kLostMark;
    const int64_t next = receiver.minute(minute, bits);
    for (const int64_t extra : c.extraMarksMs)
        receiver.mark(minute + extra, kShortMarkMs);
    receiver.minute(next, zeros);
    vp.endAt(next + 5 * kSecondMs);
    const int64_t closing = c.closingSecond < 0 ? next : minute + c.closingSecond * kSecondMs;

    receive();

    EXPECT_TRUE(slept(closing, c.decoded ? 500 : 1000));
    EXPECT_EQ(handOvers(vp.desktop),
              c.decoded ? std::vector<int64_t> {next + 500} : std::vector<int64_t> {});
    EXPECT_EQ(vp.serial.opens, c.decoded ? 1 : 2); // too few pulses: a new attempt
    EXPECT_EQ(afterStep(closing, "txtFehler3", Property::Text) + " on "
                  + afterStep(closing, "txtFehler3", Property::BackColor),
              c.decoded ? " on 0,0,0" : "       1 on 255,0,0");
    EXPECT_TRUE(!c.decoded || bench.g.PulsZaehler == 58) << bench.g.PulsZaehler;
}

INSTANTIATE_TEST_SUITE_P(
    Minutes, ShortMinute,
    ::testing::Values(ShortMinuteCase {"FiftyEight", {30, 31}, {31'600}, -1, true},
                      ShortMinuteCase {"FiftySeven", {30, 31}, {}, -1, false},
                      ShortMinuteCase {"LostMarkMakesAnEarlyGap", {30}, {}, 31, false},
                      // Sixty pulses come with a leap second; more are no minute.
                      ShortMinuteCase {"SixtyOne", {}, {31'600, 32'600}, -1, false}),
    ::testing::PrintToStringParamName());

struct PulseCase
{
    const char *name;
    int64_t lengthMs;
    /// Then: txtZeit2|txtDCF1|txtDCF2|chk100|chk200|chkPuls(30) on its colour|txtFehler1 and
    /// txtFehler2 on theirs.
    const char *shown;
};

using PulseLength = ReceptionOf<PulseCase>;

TEST_P(PulseLength, ClassifiesAndCountsErrorsAtStrictLimits)
{
    MinuteBits bits(30, 0);
    bits[29] = 1; // the position of second 30 starts with the class of this 200 ms mark
    const int64_t minute = receiver.leadIn();
    const int64_t end = minute + 30 * kSecondMs + GetParam().lengthMs;
    receiver.minute(minute, bits);
    receiver.mark(end - GetParam().lengthMs, GetParam().lengthMs);
    receiver.minute(receiver.minute(minute, zeros, 31), zeros);
    vp.endAt(minute + 62 * kSecondMs);

    receive();

    const std::pair<const char *, Property> readings[]
        = {{"txtZeit2", Property::Text},         {"txtDCF1", Property::Text},
           {"txtDCF2", Property::Text},          {"chk100", Property::Value},
           {"chk200", Property::Value},          {"chkPuls(30)", Property::Value},
           {"chkPuls(30)", Property::BackColor}, {"txtFehler1", Property::Text},
           {"txtFehler1", Property::BackColor},  {"txtFehler2", Property::Text},
           {"txtFehler2", Property::BackColor}};
    std::string shown;
    for (const auto &[control, property] : readings)
        shown += afterStep(end, control, property) + "|";
    EXPECT_EQ(shown, GetParam().shown);
    // An error abandons the attempt before the next wait; otherwise the minute completes.
    const bool error = shown.find("255,0,0") != std::string::npos;
    EXPECT_EQ(vp.serial.opens, error ? 2 : 1);
    EXPECT_EQ(handOvers(vp.desktop).size(), error ? 0u : 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Lengths, PulseLength,
    ::testing::Values(PulseCase {"TwentyMsIsShortAndBitZero", 20,
                                 "   0.020|   0.020||1|0|0|0,255,0|       1|255,0,0||0,0,0|"},
                      PulseCase {"ThirtyMsIsNotShort", 30,
                                 "   0.030|   0.030||1|0|0|0,255,0||0,0,0||0,0,0|"},
                      PulseCase {"HundredFiftyMsHasNoClass", 150,
                                 "   0.150||   0.200|0|1|1|0,0,0||0,0,0||0,0,0|"},
                      PulseCase {"TwoHundredFiftyMsIsNoError", 250,
                                 "   0.250||   0.200|0|1|1|0,0,0||0,0,0||0,0,0|"},
                      PulseCase {"ThreeHundredMsIsLong", 300,
                                 "   0.300||   0.200|0|1|1|0,0,0||0,0,0|       1|255,0,0|"}),
    ::testing::PrintToStringParamName());

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
    const char *txtPause = "";
};

using CharacterSequence = ReceptionOf<SequenceCase>;

TEST_P(CharacterSequence, EdgesCountOnlyInTheirStateAndGapLimitsAreStrict)
{
    const SequenceCase &c = GetParam();
    for (const auto &[at, text] : c.input)
        vp.serialAt(kOpened + at, text);
    vp.endAt(kOpened + 6 * kSecondMs);

    receive();

    EXPECT_DOUBLE_EQ(bench.g.PulsLaenge, c.pulseLength);
    EXPECT_EQ(std::tuple(bench.g.PulsZaehler, bench.g.PausenZaehler, bench.g.MinuteErkannt),
              std::tuple(c.pulses, c.gaps, c.gaps));
    EXPECT_EQ(std::tuple(w().txtPause.text(), written("txtSign", Property::Text),
                         written("txtZahl", Property::Text),
                         !written("chk100", Property::Value).empty()),
              std::tuple(c.txtPause, c.signs, c.counts, c.classified));
}

// Two marks' starts at the minute gap limits, where single precision rounds badly.
SequenceCase gap(const char *name, int64_t first, int64_t interval, const char *txtPause)
{
    const bool found = *txtPause != 0;
    std::vector<std::pair<int64_t, std::string>> input {{first, "1"}, {first + 100, "0"}};
    input.insert(input.end(), {{first + interval, "1"}, {first + interval + 100, "0"}});
    return {name, input, found ? 0.0f : 2.0f, 0.1, int16_t(found), "1010", "0101", true, txtPause};
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
                      0, 0.1, 1, "10", "01", true, "   2.000"},
        gap("Exactly1500IsNoGap", 2602, 1500, ""), gap("Just1501IsAGap", 2602, 1501, "   1.501"),
        gap("Exactly2500IsNoGap", 2601, 2500, ""), gap("Just2499IsAGap", 2601, 2499, "   2.499")),
    ::testing::PrintToStringParamName());
// clang-format on

struct StampCase
{
    const char *name;
    int64_t startUs; ///< of the first mark, after the opening
    int64_t lengthUs;
    double length; ///< as classified
    int16_t gaps;
    bool ended;
};

using Stamps = ReceptionOf<StampCase>;

TEST_P(Stamps, AreTakenAsTheEdgesArrivedOnTheClockOfTheOpening)
{
    // On a machine up for a month, the port opens 700 us into its millisecond. An opening taken
    // from the millisecond count would add those microseconds to every time since; one kept in
    // single precision would be up to an eighth of a second off.
    const StampCase &c = GetParam();
    constexpr int64_t kUpMs = 2'600'000'000;
    vp.advanceTo(kUpMs);
    vp.extraMicroseconds[kUpMs + kOpened] = 700;
    const int64_t start = (kUpMs + kOpened) * 1000 + 700 + c.startUs;
    arrive(start, "1");
    arrive(start + c.lengthUs, "0");
    vp.endAt(start / 1000 + 300);

    receive();

    EXPECT_EQ(bench.g.PulsLaenge, c.length);
    EXPECT_EQ(bench.g.PausenZaehler, c.gaps);
    EXPECT_EQ(w().optPuls02.value(), c.ended);
    // Observers learn the stamps as they arrived and the length as classified.
    ASSERT_EQ(measured.size(), 1u);
    EXPECT_EQ(std::tuple(measured[0].beginMicroseconds, measured[0].endMicroseconds,
                         measured[0].lengthSeconds),
              std::tuple(start, start + c.lengthUs, c.length));
}

// Whole milliseconds would make the first two 101 and 99 ms; exact limits stay exact.
INSTANTIATE_TEST_SUITE_P(
    Marks, Stamps,
    ::testing::Values(StampCase {"NotLonger", 999'900, 100'200, 0.1, 0, false},
                      StampCase {"NotShorter", 1'000'100, 199'800, 0.2, 0, false},
                      StampCase {"Exact", 1'000'250, 250'000, 0.25, 0, false},
                      StampCase {"Exactly1500IsNoGap", 1'500'000, 100'000, 0.1, 0, false},
                      StampCase {"Just1501IsAGap", 1'501'000, 100'000, 0.1, 1, false},
                      StampCase {"Exactly121IsNoTimeOut", 121'000'000, 100'000, 0.1, 0, false},
                      StampCase {"Just121IsATimeOut", 121'000'001, 100'000, 0.1, 0, true}),
    ::testing::PrintToStringParamName());

struct Disturbance
{
    const char *name;
    int reactions; ///< at random moments of the minute
    int64_t holdMs; ///< each holds the window thread this long
};

/// A received minute after a lead-in, the receiver going on after it; returns the hand-over.
int64_t scriptMinute(VirtualPlatform &platform)
{
    ReceiverScript receiver(platform);
    const int64_t next = receiver.minute(receiver.leadIn(), minuteWith(kSaturdayInDecember));
    receiver.minute(next, MinuteBits(59, 0));
    return next;
}

/// What the desktop showed up to the hand-over to the decoder, without the times: one write a
/// line, the property by number, as in "txtZeit1 1 =   1.500".
std::string shownUntilHandOver(const FakeDesktop &desktop)
{
    std::string shown;
    for (const Drawn &entry : desktop.drawn) {
        const std::string property = std::to_string(static_cast<int>(entry.property));
        shown += entry.control + " " + property + " =" + entry.value + "\n";
        if (entry.control == "optPuls02" && entry.property == Property::Value && entry.value == "1")
            break;
    }
    return shown;
}

using LateProcessing = ReceptionOf<Disturbance>;

TEST_P(LateProcessing, MeasuresTheMarksAsAnIdleWindowThreadDoes)
{
    VirtualPlatform idle;
    RoutineBench idleBench {idle};
    idleBench.frmDCF77.txtComPort.setText("1");
    const int64_t handOver = scriptMinute(idle);
    idle.endAt(handOver + 3 * kSecondMs);
    EXPECT_EQ(runReception(idleBench.reception()), ReceptionEnd::MinuteComplete);

    scriptMinute(vp);
    std::mt19937 random(7);
    std::uniform_int_distribution<int64_t> moment(kOpened, handOver);
    int held = 0;
    for (int n = 0; n < GetParam().reactions; ++n) {
        vp.at(moment(random), [this, &held, hold = GetParam().holdMs] {
            ++held;
            vp.sleep(hold);
        });
    }
    vp.endAt(handOver + 3 * kSecondMs);

    receive();

    ASSERT_EQ(held, GetParam().reactions) << "the window thread was held up less than planned";
    EXPECT_EQ(bench.g.PulsZaehler, 59);
    // Every time, length, class, bit and counter as shown, in the same order.
    EXPECT_EQ(shownUntilHandOver(vp.desktop), shownUntilHandOver(idle.desktop));
}

INSTANTIATE_TEST_SUITE_P(
    Disturbances, LateProcessing,
    ::testing::Values(Disturbance {"ReactionsOf40ms", 120, 40},
                      // Each holds a whole mark and the next start back: a burst of three.
                      Disturbance {"QueuedBursts", 12, 1200}),
    ::testing::PrintToStringParamName());

TEST_F(Reception, TooManyPulsesBeginANewAttempt)
{
    // Marks every 0.7 s: no gap, no error, and 150 pulse starts before the time-out.
    for (int n = 1; n <= 160; ++n) {
        receiver.mark(kOpened + n * 700, 60);
        // The entry after the tables' end would show a write past it.
        vp.at(kOpened + n * 700, [this] {
            ASSERT_TRUE(bench.g.i <= Global::kPulsTableLast && bench.g.PulsAbstand[0] == 0);
        });
    }
    vp.endAt(kOpened + 160 * 700);

    receive();

    EXPECT_TRUE(slept(kOpened + Global::kPulsTableLast * 700, 1000));
    EXPECT_EQ(vp.serial.opens, 2);
    EXPECT_TRUE(handOvers(vp.desktop).empty());
}

TEST_F(Reception, CharacterCountStopsAtItsLimit)
{
    vp.serialAt(kOpened + 500, std::string(32770, 'x'));
    vp.endAt(kOpened + 600);

    receive();

    EXPECT_EQ(bench.g.ZeichenZaehler, 32767);
    EXPECT_EQ(w().txtZahl.text(), "32767");
}

TEST_F(Reception, ARefusedPortIsReportedBeforeAnythingChangesAndStartWorksAgain)
{
    vp.serial.deviceProblems["/dev/ttyS0"] = {PortFault::NoAccess, EACCES};
    const std::size_t before = vp.desktop.drawn.size();

    EXPECT_EQ(receive(), ReceptionEnd::PortUnusable);

    ASSERT_EQ(vp.desktop.messages.size(), 1u);
    EXPECT_NE(vp.desktop.messages[0].text.find("/dev/ttyS0"), std::string::npos);
    EXPECT_EQ(vp.serial.opens, 0);
    EXPECT_EQ(vp.desktop.drawn.size(), before); // no reset, no display touched
    EXPECT_EQ(vp.now(), 0);

    vp.serial.deviceProblems.clear();
    const int64_t next = receiver.minute(receiver.leadIn(), zeros);
    receiver.mark(next, kShortMarkMs);
    vp.endAt(next + kSecondMs);
    receive();
    EXPECT_EQ(handOvers(vp.desktop), std::vector<int64_t> {next});
}

// ---- The display formats and port texts ----

TEST(ReceptionFormats, CountsRightAlignedInEightSecondsWithThreeDecimals)
{
    const std::pair<double, const char *> counts[]
        = {{59, "      59"}, {12345678, "12345678"}, {123456789, "123456789"}};
    for (const auto &[count, text] : counts)
        EXPECT_EQ(countFormat(count), text);

    const std::tuple<double, const char *, const char *> times[] = {
        {2.0, ",", "   2,000"},
        {0.9996, ".", "   1.000"},
        {0.0004, ".", "   0.000"},
        {12345.678, ".", "12345.678"},
        // A separator of more than one byte still counts as one character.
        {0.25, "\u066B", "   0\u066B250"},
    };
    for (const auto &[value, separator, text] : times)
        EXPECT_EQ(secondsFormat(value, separator), text);

    EXPECT_EQ(characterText("\xFF"), "\u00FF") << "a high byte as its Latin-1 character";
}

TEST(ReceptionPortText, NamesTheDeviceOrNone)
{
    using Name = std::optional<std::string>;
    const std::tuple<const char *, Name, Name> table[]
        = {{"1", "COM1", "/dev/ttyS0"},
           {" 3\t", "COM3", "/dev/ttyS2"},
           {"007", "COM7", "/dev/ttyS6"},
           {"32767", "COM32767", "/dev/ttyS32766"},
           {" /dev/pts/4 ", std::nullopt, "/dev/pts/4"}};
    for (const auto &[text, onWindows, elsewhere] : table) {
        EXPECT_EQ(serialDeviceForPortText(text, DeviceNaming::Windows), onWindows) << text;
        EXPECT_EQ(serialDeviceForPortText(text, DeviceNaming::Posix), elsewhere) << text;
    }
    for (const char *text :
         {"  ", "0", "32768", "99999999999", "-1", "+2", "1.5", "COM1", "dev/ttyS0"}) {
        EXPECT_EQ(serialDeviceForPortText(text, DeviceNaming::Windows), std::nullopt) << text;
        EXPECT_EQ(serialDeviceForPortText(text, DeviceNaming::Posix), std::nullopt) << text;
    }
}

} // namespace
} // namespace dcf::testing
