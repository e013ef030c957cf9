// A new Start while the clock runs: the clock that followed a received minute gives way to a
// fresh reception and never writes again.

#include "clock/clock_window.h"
#include "property_log.h"
#include "receiver_script.h"
#include "ui/program.h"

#include <gtest/gtest.h>

namespace dcf::testing {
namespace {

TEST(ClockAfterReception, StartDuringTheClockEndsItForANewReception)
{
    VirtualPlatform vp;
    Program program {vp.platform()};
    program.start();
    program.frmDCF77.txtComPort.setText("1");
    PropertyLog log {vp};
    log.watch(program.frmDCF77);
    log.watch(program.frmZeit());

    // The port opens 1 s after Start; seconds 57 and 58 of a minute follow, so that the next
    // mark finds the first gap; then Saturday, 5 December 2026, 14:37, and more minutes.
    const MinuteBits zeros(59, 0);
    ReceiverScript receiver {vp};
    const int64_t minute = receiver.minute(1500 - 57 * kSecondMs, zeros, 57);
    const int64_t handOver = receiver.minute(minute, telegramBits({37, 14, 5, 6, 12, 26, false}));
    receiver.minute(receiver.minute(handOver, zeros), zeros);
    vp.at(handOver + 10'500, [&] { program.frmDCF77.cmdStart.click(); });
    vp.endAt(handOver + 30'000);

    // The new reception is still waiting for its minute when the script ends.
    EXPECT_THROW(program.frmDCF77.cmdStart.click(), ScriptExhausted);

    EXPECT_EQ(vp.serial.opens, 2);
    EXPECT_EQ(program.frmZeit().lblB(10).caption(), "37");
    EXPECT_EQ(program.frmZeit().lblB(12).caption(), "11.00");
    const int64_t stopped = handOver + 11'000; // the clock's next event processing
    for (const char *control : {"lblA(20)", "lblB(12)"}) {
        ASSERT_FALSE(log.captions(control).empty());
        EXPECT_EQ(log.captions(control).back().at, stopped) << control;
    }
    for (int index = 0; index <= 20; ++index)
        EXPECT_FALSE(program.frmDCF77.lblA(index).visible()) << index;
}

} // namespace
} // namespace dcf::testing
