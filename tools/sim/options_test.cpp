// The simulator's command line through getopt_long, and what the tools' shared loop makes of
// getopt's stops.

#include "options.h"

#include <gtest/gtest.h>
#include <sys/ioctl.h>

namespace dcf::sim {
namespace {

using tools::Reading;

Reading read(std::vector<std::string> arguments, Options &options)
{
    arguments.insert(arguments.begin(), "dcf77-sim");
    std::vector<char *> argv;
    for (std::string &argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    return readSimulatorOptions(static_cast<int>(arguments.size()), argv.data(), options);
}

TEST(SimulatorOptions, ReadsEveryOption)
{
    Options o;
    // clang-format off
    const Reading reading = read({
        "--start", "2026-12-05 14:36:00", "--duration=30", "--link", "/tmp/x", "--jitter", "12",
        "--seed", "18446744073709551615", "--noise", "2", "--flood", "--short-mark", "3",
        "--long-mark=4", "--missing-mark", "5", "--missing-mark", "6", "--call-bit",
        "--leap-second=2026-12-05 14:59", "--silence-after", "90", "--receiver", "ri", "--invert",
        "--needs-power", "both", "--log-writes", "/tmp/y"}, o);
    // clang-format on
    ASSERT_EQ(reading.kind, Reading::Run) << reading.why;
    EXPECT_EQ(std::tuple(o.startUtc, o.durationSeconds, o.linkPath, o.writeLogPath, o.flood),
              std::tuple(utcOf("2026-12-05 14:36:00"), 30, "/tmp/x", "/tmp/y", true));
    EXPECT_EQ(
        std::tuple(o.signal.callBit, o.signal.jitterMs, o.signal.seed, o.signal.noisePerSecond),
        std::tuple(true, 12, UINT64_MAX, 2));
    EXPECT_EQ(o.signal.faults,
              (std::vector<FaultAt> {{3, MarkFault::Short},
                                     {4, MarkFault::Long},
                                     {5, MarkFault::Missing},
                                     {6, MarkFault::Missing}}));
    EXPECT_EQ(std::tuple(o.receiver.kind, o.receiver.invert, o.receiver.neededPower),
              std::tuple(ReceiverKind::Ri, true, uint32_t {TIOCM_DTR | TIOCM_RTS}));
    const SignalOptions signal = signalFrom(o, 7);
    EXPECT_EQ(std::tuple(signal.startUtc, signal.leapMinuteUtc, signal.silenceAfterMs),
              std::tuple(7, utcOf("2026-12-05 14:59:00"), 90'000));

    // Without a time: the minute before the next full hour. Reading again starts afresh.
    Options bare;
    EXPECT_EQ(read({"--leap-second"}, bare).kind, Reading::Run);
    EXPECT_EQ(signalFrom(bare, utcOf("2026-12-05 14:20:10")).leapMinuteUtc,
              utcOf("2026-12-05 14:59:00"));
    EXPECT_EQ(bare.receiver.kind, ReceiverKind::Characters);
    EXPECT_EQ(read({"--seed", "3", "-h"}, bare).kind, Reading::Help);
    EXPECT_EQ(read({"--help"}, bare).kind, Reading::Help);
}

TEST(SimulatorOptions, RefuseWithTheReason)
{
    const std::pair<std::vector<std::string>, const char *> table[] = {
        {{"--bogus=3"}, "unknown option --bogus (see --help)"},
        {{"-x"}, "unknown option -x (see --help)"},
        {{"stray"}, "unexpected argument \"stray\""},
        {{"--duration"}, "--duration needs a value"},
        {{"--flood=yes"}, "--flood takes no value"},
        {{"--jitter", "201"}, "--jitter wants a whole number from 0 to 200, not \"201\""},
        {{"--duration", "0"}, "from 1 to"},
        {{"--start", "2026-03-29 02:30:00"}, "--start: \"2026-03-29 02:30:00\": this hour is"},
        {{"--leap-second=14:59"}, "--leap-second: expected"},
        {{"--link="}, "--link needs a path"},
        {{"--receiver", "usb"}, "--receiver: no receiver kind \"usb\""},
        {{"--invert"}, "--invert needs a receiver on dcd, cts, dsr or ri"},
        {{"--needs-power", "dcd"}, "--needs-power: dtr, rts or both, not \"dcd\""},
    };
    for (const auto &[arguments, reason] : table) {
        Options o;
        const Reading reading = read(arguments, o);
        EXPECT_EQ(reading.kind, Reading::Refused) << reason;
        EXPECT_NE(reading.why.find(reason), std::string::npos) << reading.why;
    }
}

} // namespace
} // namespace dcf::sim
