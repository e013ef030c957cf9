// The clock as the user meets it: a minute received on the serial line, the decoded sentence,
// the running clock, the clock window, and a new Start while the clock runs.

#include "clock/clock_window.h"
#include "property_log.h"
#include "receiver_script.h"
#include "ui/program.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace dcf::testing {
namespace {

/// Start is pressed at 0; the reset sleeps a second, then the port opens.
constexpr int64_t kOpened = 1000;

// Saturday, 5 December 2026, 14:37, winter time.
const TelegramTime kSaturday {37, 14, 5, 6, 12, 26, false};

class ClockAfterReception : public ::testing::Test
{
protected:
    void SetUp() override
    {
        program.start();
        program.frmDCF77.txtComPort.setText("1");
        log.watch(program.frmDCF77);
        log.watch(program.frmZeit());

        // Seconds 57 and 58 of a minute, so that the following mark finds the first gap.
        const int64_t minute = receiver.minute(kOpened + 500 - 57 * kSecondMs, zeros, 57);
        handOver = receiver.minute(minute, telegramBits(kSaturday));
        receiver.minute(receiver.minute(handOver, zeros), zeros); // the receiver goes on
    }

    bool pressStart()
    {
        try {
            program.frmDCF77.cmdStart.click();
            return true;
        } catch (const ScriptExhausted &) {
            return false;
        }
    }

    bool writtenAfter(const std::string &control, int64_t at) const
    {
        for (const PropertyLog::Entry &entry : log.captions(control)) {
            if (entry.at > at)
                return true;
        }
        return false;
    }

    const MinuteBits zeros = MinuteBits(59, 0);
    VirtualPlatform vp;
    Program program {vp.platform()};
    PropertyLog log {vp};
    ReceiverScript receiver {vp};
    int64_t handOver = 0;
};

TEST_F(ClockAfterReception, ReceivedMinuteShowsTheSentenceAndHideShowsTheSameTime)
{
    bool checked = false;
    vp.at(handOver + 30'500, [&] {
        checked = true;
        const MainWindow &w = program.frmDCF77;
        std::string sentence;
        for (int index : {3, 4, 5, 6, 7, 8, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20}) {
            EXPECT_TRUE(w.lblA(index).visible()) << index;
            sentence += w.lblA(index).caption() + "|";
        }
        EXPECT_EQ(sentence, "   Samstag|den|05|.|Dezember |2026|=|05|.|12|.|2026|14|:|37|:|31.00|");
        EXPECT_EQ(w.lblA(2).caption(), "Winterzeit");

        program.frmDCF77.cmdHide.click();
        ClockWindow &clock = program.frmZeit();
        EXPECT_TRUE(clock.isShown());
        EXPECT_FALSE(program.frmDCF77.isShown());
        EXPECT_EQ(clock.left(), 0);
        EXPECT_EQ(clock.top(), 0);
        std::string shown;
        for (int index = 0; index <= 12; ++index)
            shown += clock.lblB(index).caption() + "|";
        EXPECT_EQ(shown, "Heute ist:|   Samstag|der|05|.|12|.|2026|14|:|37|:|31.00|");
    });
    vp.endAt(handOver + 61'500);

    EXPECT_FALSE(pressStart());

    EXPECT_TRUE(checked);
    EXPECT_EQ(program.frmZeit().lblB(10).caption(), "38");
    EXPECT_EQ(program.frmZeit().lblB(12).caption(), "01.00");
    EXPECT_EQ(vp.serial.opens, 1);
}

TEST_F(ClockAfterReception, StartDuringTheClockEndsItForANewReception)
{
    const int64_t pressed = handOver + 10'500;
    vp.at(pressed, [&] { program.frmDCF77.cmdStart.click(); });
    vp.endAt(handOver + 30'000);

    EXPECT_FALSE(pressStart()); // the new reception is still waiting for its minute

    EXPECT_EQ(vp.serial.opens, 2);
    const int64_t stopped = handOver + 11'000; // the clock's next event processing
    EXPECT_EQ(program.frmZeit().lblB(12).caption(), "11.00");
    for (const char *control : {"lblA(20)", "lblB(12)", "lblA(18)", "lblB(10)", "lblB(8)"})
        EXPECT_FALSE(writtenAfter(control, stopped)) << control;
    for (int index = 0; index <= 20; ++index)
        EXPECT_FALSE(program.frmDCF77.lblA(index).visible()) << index;
}

} // namespace
} // namespace dcf::testing
