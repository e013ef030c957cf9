// Start and Exit as the program runs them: a Start's routines in turn (reception, decoder,
// running clock), a new Start replacing the active one without nesting, and leaving the decoder
// and the reactions alone; a port that cannot be used leaving everything as it was; Exit ending
// whatever runs. In virtual time, watched through the program's hooks and the desktop's log.

#include "printers.h"
#include "program/program.h"
#include "receiver_script.h"

#include <cerrno>
#include <functional>
#include <gtest/gtest.h>
#include <optional>
#include <ostream>
#include <tuple>

namespace dcf::testing {
namespace {

using testing::PrintTo;

struct Ended
{
    int64_t at;
    Routine routine;
    RoutineEnd how;
    int opens; ///< port openings so far
    bool operator==(const Ended &) const = default;
};

void PrintTo(const Ended &ended, std::ostream *out)
{
    *out << "routine " << static_cast<int>(ended.routine) << " ended "
         << static_cast<int>(ended.how) << " at " << ended.at << " ms after " << ended.opens
         << " openings";
}

class StartFlow : public ::testing::Test, public ProgramObserver, public WindowObserver
{
protected:
    void SetUp() override
    {
        program.addObserver(*this);
        program.start();
        w().txtComPort.setText("1");
    }

    MainWindow &w() { return program.mainWindow(); }

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

    /// A lead-in and a minute of the sample telegram; returns when that minute is complete.
    int64_t sampleMinute() { return receiver.minute(receiver.leadIn(), sample); }

    void routineEnded(Routine routine, RoutineEnd how) override
    {
        ended.push_back({vp.now(), routine, how, vp.serial.opens});
    }
    void minuteDecoded(const DecodedMinute &minute) override { decoded.push_back(minute); }
    void markMeasured(const MeasuredMark &) override { ++marksMeasured; }
    void secondShown(const ShownSecond &second) override { shownSeconds.push_back(second); }
    void propertyChanged(const Control &control, Property) override { onWrite(control); }

    const MinuteBits zeros = MinuteBits(59, 0);
    const MinuteBits sample = minuteWith(kSaturdayInDecember);
    const DecodedMinute kSample {37, 14, 5, 6, 12, 2026, "Winterzeit"};
    VirtualPlatform vp;
    Program program {vp.platform(), vp.windows()};
    ReceiverScript receiver {vp};
    std::vector<Ended> ended;
    std::vector<DecodedMinute> decoded;
    int marksMeasured = 0;
    std::vector<ShownSecond> shownSeconds;
    std::function<void(const Control &)> onWrite; ///< once the test watches the main window
};

TEST_F(StartFlow, RoutinesFollowEachOtherAndExitEndsTheClockAtOnce)
{
    const int64_t handOver = sampleMinute();
    receiver.minute(handOver, zeros);
    vp.at(handOver + 5500, [this] { w().cmdExit.click(); });

    EXPECT_TRUE(pressStart());

    EXPECT_EQ(marksMeasured, 2 + 59) << "the lead-in's and the minute's";
    EXPECT_EQ(decoded, std::vector<DecodedMinute> {kSample});
    ASSERT_EQ(shownSeconds.size(), 7u);
    EXPECT_EQ(std::make_tuple(shownSeconds.back().hour, shownSeconds.back().minute,
                              shownSeconds.back().second, shownSeconds.back().dueMilliseconds),
              std::make_tuple(14, 37, 6, handOver + 6000));
    EXPECT_EQ(
        ended,
        (std::vector<Ended> {{handOver, Routine::Reception, RoutineEnd::MinuteComplete, 1},
                             {handOver, Routine::Decoder, RoutineEnd::Decoded, 1},
                             {handOver + 6000, Routine::Clock, RoutineEnd::ProgramEnded, 1}}));
    EXPECT_TRUE(vp.desktop.quitRequested);
    EXPECT_EQ(vp.desktop.drawn.size(), vp.desktop.drawnAtQuit) << "drawn after Exit";
    EXPECT_EQ(w().lblA(MainWindow::kSecondsLabel).caption(), "06.00");
    EXPECT_FALSE(w().isShown());

    // No reaction runs any more: a position typed now moves nothing.
    const float left = w().left();
    w().txtLeft.setText(std::to_string(static_cast<int>(left) + 300));
    EXPECT_EQ(w().left(), left);
}

TEST_F(StartFlow, APortThatFailsEndsTheStartWithoutADecodeAndStartOpensItAgain)
{
    const int64_t handOver = sampleMinute();
    receiver.minute(handOver, zeros);
    const int64_t failure = handOver - 30 * kSecondMs;
    vp.lineAt(failure, [this] { vp.serial.fail({PortFault::Vanished, EIO}); });
    vp.endAt(handOver + 5000);

    EXPECT_TRUE(pressStart()); // although more marks are scripted

    EXPECT_EQ(ended,
              (std::vector<Ended> {{failure, Routine::Reception, RoutineEnd::PortFailed, 1}}));
    EXPECT_TRUE(decoded.empty());
    ASSERT_EQ(vp.desktop.messages.size(), 1u);
    EXPECT_NE(vp.desktop.messages[0].text.find("/dev/ttyS0"), std::string::npos);
    EXPECT_FALSE(vp.serial.isOpen());

    vp.endAt(failure + 3 * kSecondMs);
    EXPECT_FALSE(pressStart());
    EXPECT_EQ(vp.serial.opens, 2);
    EXPECT_TRUE(vp.desktop.writtenAfter("txtSign", failure + kSecondMs)) << "nothing read";
}

TEST_F(StartFlow, StartPressedOverAndOverEndsTheReceptionOnceForOneFreshReception)
{
    const int64_t minute = receiver.leadIn();
    const int64_t third = receiver.minute(receiver.minute(minute, zeros), sample);
    receiver.minute(third, zeros);
    vp.at(minute + 10500, [&] {
        for (int press = 0; press < 1000; ++press) {
            w().cmdStart.click(); // returns at once instead of nesting a reception
            ASSERT_EQ(vp.serial.opens, 1);
            ASSERT_TRUE(ended.empty());
        }
    });
    vp.endAt(third + kSecondMs);

    EXPECT_FALSE(pressStart());

    // The reception ended before the fresh one opened the port, and the fresh one collected the
    // next complete minute.
    ASSERT_GE(ended.size(), 2u);
    EXPECT_EQ(ended[0], (Ended {minute + 10'500, Routine::Reception, RoutineEnd::Restarted, 1}));
    EXPECT_EQ(ended[1], (Ended {third, Routine::Reception, RoutineEnd::MinuteComplete, 2}));
    EXPECT_EQ(handOvers(vp.desktop), std::vector<int64_t> {third});
    EXPECT_EQ(decoded, std::vector<DecodedMinute> {kSample});
}

TEST_F(StartFlow, StartDuringTheClockEndsItForANewReception)
{
    const int64_t handOver = sampleMinute();
    receiver.minute(receiver.minute(handOver, zeros), zeros);
    vp.at(handOver + 10'500, [&] { w().cmdStart.click(); });
    vp.endAt(handOver + 30'000);

    EXPECT_FALSE(pressStart()); // the new reception still waits for its minute

    EXPECT_TRUE(vp.desktop.messages.empty()) << "the device it has open is usable";
    EXPECT_EQ(vp.serial.opens, 2);
    EXPECT_EQ(ended.back(), (Ended {handOver + 11'000, Routine::Clock, RoutineEnd::Restarted, 1}));
    EXPECT_EQ(program.clockWindow().lblB(10).caption(), "37");
    for (const char *seconds : {"lblA(20)", "lblB(12)"}) {
        EXPECT_EQ(vp.desktop.valueAfter(seconds, Property::Caption), "11.00");
        EXPECT_FALSE(vp.desktop.writtenAfter(seconds, handOver + 11'000)) << seconds;
    }
    // The new attempt's reset cleared what the last one showed, and it has found no gap yet.
    for (int k = 0; k <= 59; ++k)
        EXPECT_EQ(shown(w().chkPuls(k)), "0 (button text on button face)") << k;
    for (int index = 0; index <= 20; ++index)
        EXPECT_FALSE(w().lblA(index).visible()) << index;
    for (const TextBox *box :
         {&w().txtFehler1, &w().txtFehler2, &w().txtFehler3, &w().txtPause, &w().txtPausZ})
        EXPECT_EQ(shown(*box), " (255,255,255 on 0,0,0)") << box->displayName();
    EXPECT_EQ(shown(w().optPuls02), "0 (button text on 192,255,255)");
}

TEST_F(StartFlow, StartLetsTheDecoderFinishBetweenItsYields)
{
    // Pressed once the decoder begins, and again while it reveals the panel label by label: each
    // at the next event processing.
    bool handedOver = false, revealing = false;
    onWrite = [&](const Control &control) {
        if ((&control == &w().optPuls02 && w().optPuls02.value()
             && !std::exchange(handedOver, true))
            || (&control == &w().lblA(3) && control.visible() && !std::exchange(revealing, true)))
            vp.at(vp.now(), [this] { w().cmdStart.click(); });
    };
    w().addObserver(*this);
    const int64_t handOver = sampleMinute();
    receiver.minute(handOver, zeros);
    vp.endAt(handOver + 3000);

    pressStart();

    EXPECT_EQ(decoded, std::vector<DecodedMinute> {kSample});
    ASSERT_GE(ended.size(), 3u);
    EXPECT_EQ(ended[1], (Ended {handOver, Routine::Decoder, RoutineEnd::Decoded, 1}));
    EXPECT_EQ(ended[2], (Ended {handOver, Routine::Clock, RoutineEnd::Restarted, 1}));
    // Every label of the panel was revealed before the new reception's reset hid it again.
    for (int index = 0; index <= MainWindow::kLastPanelLabel; ++index) {
        const std::string label = "lblA(" + std::to_string(index) + ")";
        EXPECT_FALSE(vp.desktop.times(label, Property::Visible, "1").empty()) << label;
    }
}

TEST_F(StartFlow, StartLetsHideFinish)
{
    receiver.minute(receiver.leadIn(), zeros);
    // Hide first; Start comes while Hide yields.
    vp.at(kOpened + 3000, [this] { w().cmdHide.click(); });
    vp.at(kOpened + 3000, [this] { w().cmdStart.click(); });
    vp.endAt(kOpened + 10'000);

    pressStart();

    EXPECT_TRUE(program.clockWindow().isShown());
    EXPECT_FALSE(w().isShown());
    EXPECT_EQ(ended.front(),
              (Ended {kOpened + 3000, Routine::Reception, RoutineEnd::Restarted, 1}));
    EXPECT_EQ(vp.serial.opens, 2);
}

struct UnusableCase
{
    const char *name;
    const char *portText;
    const char *quoted; ///< in the message
};

class UnusableSecondStart : public StartFlow, public ::testing::WithParamInterface<UnusableCase>
{
};

TEST_P(UnusableSecondStart, LeavesTheClockRunning)
{
    vp.serial.deviceProblems["/dev/nothing"] = {PortFault::NoSuchDevice, ENOENT};
    const int64_t handOver = sampleMinute();
    receiver.minute(receiver.minute(handOver, zeros), zeros);
    vp.at(handOver + 10'500, [this] {
        w().txtComPort.setText(GetParam().portText);
        w().cmdStart.click();
    });
    vp.endAt(handOver + 30'000);

    EXPECT_FALSE(pressStart());

    ASSERT_EQ(vp.desktop.messages.size(), 1u);
    EXPECT_NE(vp.desktop.messages[0].text.find(GetParam().quoted), std::string::npos)
        << vp.desktop.messages[0].text;
    EXPECT_EQ(std::make_tuple(vp.serial.opens, vp.serial.closes, vp.serial.isOpen()),
              std::make_tuple(1, 0, true));
    EXPECT_EQ(ended.size(), 2u) << "the clock was ended";
    for (const char *seconds : {"lblA(20)", "lblB(12)"})
        EXPECT_EQ(vp.desktop.valueAfter(seconds, Property::Caption), "30.00") << seconds;
}

INSTANTIATE_TEST_SUITE_P(Texts, UnusableSecondStart,
                         ::testing::Values(UnusableCase {"NoNumber", "abc", "„abc“"},
                                           UnusableCase {"Empty", "", "ComPort No."},
                                           UnusableCase {"NoDevice", "/dev/nothing",
                                                         "/dev/nothing"}),
                         [](const auto &test) { return std::string(test.param.name); });

} // namespace
} // namespace dcf::testing
