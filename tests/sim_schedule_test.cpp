// The simulator's signal schedule, its faults, its command line and recordings.

#include "options.h"
#include "replay.h"
#include "schedule.h"

#include <gtest/gtest.h>
#include <sstream>

namespace dcf::sim {
namespace {

int64_t utcOf(const char *legalTime)
{
    return parseLegalTime(legalTime).utcSeconds.value();
}

struct Mark
{
    int64_t beginMs;
    int64_t lengthMs;
    bool operator==(const Mark &) const = default;
};

/// The marks of a stream of emissions, ignoring every character but "1" and "0".
std::vector<Mark> marksOf(const std::vector<Emission> &emissions)
{
    std::vector<Mark> marks;
    std::optional<int64_t> begin;
    for (const Emission &emission : emissions) {
        for (const char c : emission.characters) {
            if (c == '1') {
                EXPECT_FALSE(begin) << "mark at " << emission.atMs << " begins inside another";
                begin = emission.atMs;
            } else if (c == '0') {
                EXPECT_TRUE(begin) << "mark ends at " << emission.atMs << " without a beginning";
                marks.push_back({begin.value_or(0), emission.atMs - begin.value_or(0)});
                begin.reset();
            }
        }
    }
    return marks;
}

std::vector<Emission> firstMinutes(const SignalOptions &options, int minutes)
{
    SignalSchedule schedule(options);
    std::vector<Emission> all;
    for (int k = 0; k < minutes; ++k) {
        std::optional<PlannedMinute> minute = schedule.nextMinute();
        if (!minute)
            break;
        all.insert(all.end(), minute->emissions.begin(), minute->emissions.end());
    }
    return all;
}

SignalOptions startingAt(const char *legalTime)
{
    SignalOptions options;
    options.startUtc = utcOf(legalTime);
    return options;
}

TEST(Schedule, OneMarkPerSecondWithItsBitsLengthAndTheGapAt59)
{
    SignalSchedule schedule(startingAt("2026-12-05 14:36:00"));
    const PlannedMinute first = schedule.nextMinute().value();
    const PlannedMinute second = schedule.nextMinute().value();
    EXPECT_EQ(second.startMs, 60000);
    EXPECT_EQ(second.minuteStartUtc, first.minuteStartUtc + 60);
    EXPECT_NE(first.emissions.front().note.find("telegram for 2026-12-05 14:37 CET"),
              std::string::npos);

    const std::vector<Mark> marks = marksOf(first.emissions);
    ASSERT_EQ(marks.size(), 59u);
    for (int k = 0; k < 59; ++k)
        EXPECT_EQ(marks[k], (Mark {k * 1000, first.telegram.bits[k] ? 200 : 100})) << k;
    EXPECT_EQ(marksOf(second.emissions).front().beginMs, 60000);

    // Begun within a minute: seconds 56 to 58 of it, then the next minute on time.
    SignalSchedule late(startingAt("2026-12-05 14:36:56"));
    const PlannedMinute part = late.nextMinute().value();
    EXPECT_EQ(part.startMs, -56000);
    EXPECT_EQ(marksOf(part.emissions), (std::vector<Mark> {{0, 100}, {1000, 100}, {2000, 200}}));
    EXPECT_EQ(late.nextMinute().value().startMs, 4000);
}

TEST(Schedule, JitterStaysWithinItsBoundAndFollowsTheSeed)
{
    SignalOptions options = startingAt("2026-12-05 14:36:00");
    const std::vector<Mark> clean = marksOf(firstMinutes(options, 3));
    options.jitterMs = 15;
    options.seed = 42;
    const std::vector<Mark> marks = marksOf(firstMinutes(options, 3));
    ASSERT_EQ(marks.size(), clean.size());

    int64_t largest = 0;
    for (std::size_t k = 0; k < marks.size(); ++k) {
        const int64_t beginShift = marks[k].beginMs - clean[k].beginMs;
        const int64_t endShift = beginShift + marks[k].lengthMs - clean[k].lengthMs;
        EXPECT_LE(std::abs(beginShift), 15);
        EXPECT_LE(std::abs(endShift), 15);
        largest = std::max({largest, std::abs(beginShift), std::abs(endShift)});
    }
    EXPECT_GE(largest, 10); // it does move the edges

    EXPECT_EQ(marksOf(firstMinutes(options, 3)), marks);
    options.seed = 43;
    EXPECT_NE(marksOf(firstMinutes(options, 3)), marks);
}

TEST(Schedule, FaultsChangeTheMarkOfTheirSecondOnly)
{
    const struct
    {
        MarkFault kind;
        int64_t second;
        int64_t length; ///< 0: no mark in that second
    } table[] = {
        {MarkFault::Short, 5, kShortFaultMarkMs},
        {MarkFault::Long, 75, kLongFaultMarkMs},
        {MarkFault::Missing, 0, 0},
        {MarkFault::Missing, 29, 0}, // the gap of second 59: nothing to lose
    };
    // From 14:36:30, second 29 after the start is the gap of second 59.
    SignalOptions options = startingAt("2026-12-05 14:36:30");
    const std::vector<Mark> clean = marksOf(firstMinutes(options, 2));
    for (const auto &c : table) {
        std::vector<Mark> expected;
        for (const Mark &mark : clean) {
            if (mark.beginMs / 1000 != c.second)
                expected.push_back(mark);
            else if (c.length)
                expected.push_back({mark.beginMs, c.length});
        }
        options.faults = {{c.second, c.kind}};
        EXPECT_EQ(marksOf(firstMinutes(options, 2)), expected) << c.second;
    }
}

TEST(Schedule, NoiseAddsOtherCharactersAndLeavesTheMarksAlone)
{
    SignalOptions options = startingAt("2026-12-05 14:36:00");
    const std::vector<Mark> clean = marksOf(firstMinutes(options, 2));
    options.noisePerSecond = 7;
    const std::vector<Emission> noisy = firstMinutes(options, 2);

    int noise = 0;
    for (std::size_t k = 0; k < noisy.size(); ++k) {
        noise += noisy[k].characters.find_first_not_of("01") != std::string::npos;
        if (k > 0) {
            EXPECT_LE(noisy[k - 1].atMs, noisy[k].atMs);
        }
    }
    EXPECT_EQ(noise, 7 * 120);
    EXPECT_EQ(marksOf(noisy), clean);
}

TEST(Schedule, LeapSecondMinuteHasAZeroMarkIn59AndNoneIn60)
{
    SignalOptions options = startingAt("2026-07-01 01:59:00");
    options.leapMinuteUtc = options.startUtc;
    SignalSchedule schedule(options);
    const PlannedMinute leap = schedule.nextMinute().value();
    const std::vector<Mark> marks = marksOf(leap.emissions);
    ASSERT_EQ(marks.size(), 60u);
    EXPECT_EQ(marks.back(), (Mark {59000, 100}));
    EXPECT_TRUE(leap.telegram.bits[kLeapSecondBit]);

    const PlannedMinute next = schedule.nextMinute().value();
    EXPECT_EQ(next.startMs, 61000);
    EXPECT_EQ(next.minuteStartUtc, leap.minuteStartUtc + 60);
    EXPECT_EQ(marksOf(next.emissions).size(), 59u);
}

TEST(Schedule, SilenceEndsTheSignal)
{
    SignalOptions options = startingAt("2026-12-05 14:36:00");
    options.noisePerSecond = 3;
    options.silenceAfterMs = 75'000;
    SignalSchedule schedule(options);
    int minutes = 0;
    int64_t last = 0;
    while (std::optional<PlannedMinute> minute = schedule.nextMinute()) {
        ASSERT_LT(++minutes, 5);
        for (const Emission &emission : minute->emissions)
            last = std::max(last, emission.atMs);
    }
    EXPECT_EQ(minutes, 2);
    EXPECT_LT(last, 75'000);
    EXPECT_GE(last, 74'000);
}

TEST(Options, ReadsEveryOption)
{
    // clang-format off
    const OptionsOrError parsed = parseOptions({
        "--start", "2026-12-05 14:36:00", "--duration=30", "--link", "/tmp/x", "--verbose",
        "--jitter", "12", "--seed", "99", "--noise", "2", "--flood", "--short-mark", "3",
        "--long-mark=4", "--missing-mark", "5", "--missing-mark", "6", "--call-bit",
        "--leap-second=2026-12-05 14:59", "--silence-after", "90"});
    // clang-format on
    ASSERT_TRUE(parsed.options) << parsed.error;
    const Options &o = *parsed.options;
    EXPECT_EQ(o.startUtc, utcOf("2026-12-05 14:36:00"));
    EXPECT_EQ(o.durationSeconds, 30);
    EXPECT_EQ(o.linkPath, "/tmp/x");
    EXPECT_TRUE(o.verbose && o.flood && o.callBit);
    EXPECT_EQ(o.jitterMs, 12);
    EXPECT_EQ(o.seed, 99u);
    EXPECT_EQ(o.noisePerSecond, 2);
    ASSERT_EQ(o.faults.size(), 4u);
    EXPECT_EQ(o.faults[1].kind, MarkFault::Long);
    EXPECT_EQ(o.faults[1].second, 4);
    EXPECT_EQ(o.faults[3].second, 6);
    EXPECT_EQ(o.leapMinuteUtc, utcOf("2026-12-05 14:59:00"));
    EXPECT_EQ(signalOptionsFor(o, 0).silenceAfterMs, 90'000);

    // Without a time: the minute before the next full hour.
    const OptionsOrError bare = parseOptions({"--leap-second"});
    ASSERT_TRUE(bare.options);
    EXPECT_EQ(signalOptionsFor(*bare.options, utcOf("2026-12-05 14:20:10")).leapMinuteUtc,
              utcOf("2026-12-05 14:59:00"));
}

TEST(Options, RefusedWithTheReason)
{
    const std::pair<std::vector<std::string>, const char *> table[] = {
        {{"--bogus"}, "unknown option --bogus"},
        {{"stray"}, "unexpected argument \"stray\""},
        {{"--duration"}, "--duration needs a value"},
        {{"--jitter", "201"}, "from 0 to 200"},
        {{"--start", "2026-03-29 02:30:00"}, "--start: "},
        {{"--duration", "3", "--duration", "4"}, "more than once"},
        {{"--replay", "f", "--jitter", "3"}, "--jitter cannot be"},
    };
    for (const auto &[arguments, reason] : table) {
        const OptionsOrError parsed = parseOptions(arguments);
        EXPECT_FALSE(parsed.options) << reason;
        EXPECT_NE(parsed.error.find(reason), std::string::npos) << parsed.error;
    }
}

TEST(Replay, ReadsOffsetsCharactersCommentsAndEscapes)
{
    std::istringstream file("# recorded on the bench\n"
                            "\n"
                            "0 1\r\n"
                            "  100\t0   # end of the mark\n"
                            "100 \\x41\\\\#\n"
                            "1000 10\n");
    const std::vector<Emission> emissions = parseReplay(file, "rec.txt");
    ASSERT_EQ(emissions.size(), 4u);
    EXPECT_EQ(emissions[0].atMs, 0);
    EXPECT_EQ(emissions[0].characters, "1");
    EXPECT_EQ(emissions[1].atMs, 100);
    EXPECT_EQ(emissions[1].characters, "0");
    EXPECT_EQ(emissions[2].characters, "A\\#");
    EXPECT_EQ(emissions[3].atMs, 1000);
    EXPECT_EQ(emissions[3].characters, "10");
    EXPECT_THROW(loadReplay("/nonexistent/recording.txt"), ReplayError);
}

TEST(Replay, RefusesABadLineNamingTheFileAndTheLine)
{
    const std::pair<const char *, const char *> table[] = {
        {"-5 1", "MILLISECONDS CHARACTERS"},
        {"1000 # only a comment", "no characters"},
        {"1000 1 0", "after the characters"},
        {"1000 \\q", "unknown escape"},
        {"99999999999999999999 1", "too large"},
        {"499 0", "offset 499 lies before the previous one (500)"},
    };
    for (const auto &[line, reason] : table) {
        std::istringstream file(std::string("500 1\n# fine so far\n") + line + "\n");
        try {
            parseReplay(file, "rec.txt");
            ADD_FAILURE() << "accepted \"" << line << "\"";
        } catch (const ReplayError &error) {
            const std::string message = error.what();
            EXPECT_EQ(message.rfind("rec.txt:3: ", 0), 0u) << message;
            EXPECT_NE(message.find(reason), std::string::npos) << message;
        }
    }
}

} // namespace
} // namespace dcf::sim
