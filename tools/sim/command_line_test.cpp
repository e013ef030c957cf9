// The tools' command line, through the simulator's options.

#include "options.h"

#include <gtest/gtest.h>

namespace dcf::sim {
namespace {

using tools::CommandLine;

int64_t utcOf(const char *legalTime)
{
    return parseLegalTime(legalTime).utcSeconds.value();
}

TEST(CommandLine, ReadsEveryOptionOfTheSimulator)
{
    Options o;
    // clang-format off
    const CommandLine::Outcome outcome = simulatorCommandLine(o).read({
        "--start", "2026-12-05 14:36:00", "--duration=30", "--link", "/tmp/x", "--jitter", "12",
        "--seed", "18446744073709551615", "--noise", "2", "--flood", "--short-mark", "3",
        "--long-mark=4", "--missing-mark", "5", "--missing-mark", "6", "--call-bit",
        "--leap-second=2026-12-05 14:59", "--silence-after", "90"});
    // clang-format on
    ASSERT_EQ(outcome.kind, CommandLine::Outcome::Run) << outcome.error;
    EXPECT_EQ(o.startUtc, utcOf("2026-12-05 14:36:00"));
    EXPECT_EQ(o.durationSeconds, 30);
    EXPECT_EQ(o.linkPath, "/tmp/x");
    EXPECT_TRUE(o.flood && o.signal.callBit);
    EXPECT_EQ(o.signal.jitterMs, 12);
    EXPECT_EQ(o.signal.seed, UINT64_MAX);
    EXPECT_EQ(o.signal.noisePerSecond, 2);
    EXPECT_EQ(o.signal.faults,
              (std::vector<FaultAt> {{3, MarkFault::Short},
                                     {4, MarkFault::Long},
                                     {5, MarkFault::Missing},
                                     {6, MarkFault::Missing}}));
    const SignalOptions signal = signalFrom(o, 7);
    EXPECT_EQ(signal.startUtc, 7);
    EXPECT_EQ(signal.leapMinuteUtc, utcOf("2026-12-05 14:59:00"));
    EXPECT_EQ(signal.silenceAfterMs, 90'000);

    // Without a time: the minute before the next full hour.
    Options bare;
    EXPECT_EQ(simulatorCommandLine(bare).read({"--leap-second"}).kind, CommandLine::Outcome::Run);
    EXPECT_EQ(signalFrom(bare, utcOf("2026-12-05 14:20:10")).leapMinuteUtc,
              utcOf("2026-12-05 14:59:00"));
}

TEST(CommandLine, RefusesWithTheReason)
{
    const std::pair<std::vector<std::string>, const char *> table[] = {
        {{"--bogus"}, "unknown option --bogus (see --help)"},
        {{"stray"}, "unexpected argument \"stray\""},
        {{"--duration"}, "--duration needs a value"},
        {{"--flood=yes"}, "--flood takes no value"},
        {{"--jitter", "201"}, "--jitter wants a whole number from 0 to 200, not \"201\""},
        {{"--jitter", "12ms"}, "not \"12ms\""},
        {{"--duration", "0"}, "from 1 to"},
        {{"--short-mark", "-1"}, "--short-mark wants a whole number"},
        {{"--start", "2026-03-29 02:30:00"}, "--start: \"2026-03-29 02:30:00\": this hour is"},
        {{"--leap-second=14:59"}, "--leap-second: expected"},
        {{"--link="}, "--link needs a path"},
        {{"--duration", "3", "--duration", "4"}, "--duration is given more than once"},
    };
    for (const auto &[arguments, reason] : table) {
        Options o;
        const CommandLine::Outcome outcome = simulatorCommandLine(o).read(arguments);
        EXPECT_EQ(outcome.kind, CommandLine::Outcome::Error) << reason;
        EXPECT_NE(outcome.error.find(reason), std::string::npos) << outcome.error;
    }
}

TEST(CommandLine, HelpListsWhatTheUserMayGive)
{
    Options o;
    CommandLine line = simulatorCommandLine(o);
    bool internal = false;
    line.flag("--internal", {}, internal);
    EXPECT_EQ(line.read({"--seed", "3", "-h"}).kind, CommandLine::Outcome::Help);
    const std::string help = line.helpText();
    for (const char *shown : {"Usage: dcf77-sim [OPTION]...", "  -h, --help ", "  --jitter MS  ",
                              "  --leap-second[=\"YYYY-MM-DD HH:MM\"]\n", "Exit status: 0"})
        EXPECT_NE(help.find(shown), std::string::npos) << shown;
    EXPECT_EQ(help.find("--internal"), std::string::npos);
}

} // namespace
} // namespace dcf::sim
