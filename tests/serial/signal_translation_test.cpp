// What the serial reader sees becomes edges, in virtual time: changes of a modem-status line
// (counted by the driver, also too quick to be seen apart), characters read at 50 and 75 baud, and
// the recognition of the kind with the edges seen meanwhile handed on with their stamps; and the
// bounded hand-over of what arrived from the reader thread to the window thread.

#include "platform/serial/arrival_queue.h"
#include "platform/serial/line_sampling.h"
#include "platform/serial/line_watch.h"
#include "platform/serial/signal_translation.h"
#include "platform/serial/slow_characters.h"
#include "printers.h"

#include <array>
#include <gtest/gtest.h>
#include <ostream>
#include <string>
#include <vector>

namespace dcf {

void PrintTo(const Edge &edge, std::ostream *out)
{
    *out << (edge.markBegins ? "begins" : "ends") << " at " << edge.stampMicroseconds << " us";
}

namespace serial {

void PrintTo(const Delivery &delivery, std::ostream *out)
{
    *out << (delivery.isEdge ? "edge " : "character ") << delivery.arrival.character << " at "
         << delivery.arrival.stampMicroseconds << " us";
}

namespace {

using testing::PrintTo;
using Watch = SignalTranslation::Watch;
constexpr int64_t kMs = 1000;
constexpr int64_t kSecond = 1000 * kMs;

/// What the driver counts for `line`, where it counts.
std::optional<LineCounts> countsOf(unsigned line, std::optional<uint32_t> count)
{
    LineCounts counts;
    (line == kDcd       ? counts.dcd
         : line == kCts ? counts.cts
         : line == kDsr ? counts.dsr
                        : counts.ri)
        = count.value_or(0);
    return count ? std::optional(counts) : std::nullopt;
}

// ---- One line through the driver's samples ----

struct LineCase
{
    const char *name;
    unsigned line;
    bool activeBefore;
    std::optional<uint32_t> countBefore;
    bool activeNow;
    std::optional<uint32_t> countNow;
    /// The states the line changed to, in order, all at the sample's stamp.
    std::vector<bool> changes;
};

using LineWatchCases = ::testing::TestWithParam<LineCase>;

TEST_P(LineWatchCases, ChangesBetweenTwoSamples)
{
    const LineCase &c = GetParam();
    LineWatch watch(c.line);
    std::vector<LineChange> changes;
    // Another line's state is no change of this one.
    watch.sample({10 * kMs, (c.activeBefore ? c.line : 0u) | kCts, countsOf(c.line, c.countBefore)},
                 changes);
    EXPECT_TRUE(changes.empty()) << "the first sample only sets the state";
    watch.sample({20 * kMs, c.activeNow ? c.line : 0u, countsOf(c.line, c.countNow)}, changes);
    std::vector<bool> states;
    for (const LineChange &change : changes) {
        states.push_back(change.active);
        EXPECT_EQ(change.stampMicroseconds, 20 * kMs);
    }
    EXPECT_EQ(states, c.changes);
}

INSTANTIATE_TEST_SUITE_P(
    Counted, LineWatchCases,
    ::testing::Values(
        LineCase {"one change", kDcd, false, 7, true, 8, {true}},
        LineCase {"nothing", kDcd, true, 8, true, 8, {}},
        LineCase {"a glitch: two changes, same state", kDcd, false, 8, false, 10, {true, false}},
        LineCase {"three changes in one wake-up", kDsr, true, 3, false, 6, {false, true, false}},
        LineCase {"the count not yet up", kDcd, false, 7, true, 7, {true}},
        LineCase {"the state not yet changed", kDcd, false, 7, false, 8, {}},
        LineCase {"a count that wraps", kDcd, false, 0xffffffff, true, 0, {true}},
        LineCase {"a count that restarted", kDcd, false, 5000, true, 2, {true}},
        LineCase {"without counts, the state tells", kDsr, true, {}, false, {}, {false}},
        LineCase {"RI's leading edge is not counted", kRi, false, 4, true, 4, {true}},
        LineCase {"RI's trailing edge", kRi, true, 4, false, 5, {false}},
        LineCase {"a whole RI pulse between samples", kRi, false, 4, false, 5, {true, false}},
        LineCase {"RI's gap between two pulses", kRi, true, 4, true, 5, {false, true}}));

TEST(LineSampling, FinelyOnlyWhereAnEdgeIsDue)
{
    constexpr int64_t kOpened = 100 * kSecond;
    EXPECT_EQ(lineSamplePeriod(kOpened + 2 * kSecond, std::nullopt, kOpened, false), kFineSampleUs)
        << "while the kind is recognised";
    EXPECT_EQ(lineSamplePeriod(kOpened + 4 * kSecond, std::nullopt, kOpened, false),
              kCoarseSampleUs)
        << "a silent line after the recognition";
    constexpr int64_t kMark = kOpened + 10 * kSecond;
    constexpr int64_t kFine = kFineSampleUs;
    constexpr int64_t kCoarse = kCoarseSampleUs;
    // Since the mark began; the period when every edge is sampled, and when only the starts are.
    const std::array<int64_t, 3> cases[] {
        {50, kCoarse, kCoarse},   {85, kFine, kCoarse},  {100, kFine, kCoarse},
        {150, kCoarse, kCoarse},  {215, kFine, kCoarse}, {500, kCoarse, kCoarse},
        {975, kCoarse, kCoarse},  {985, kFine, kFine},   {1015, kFine, kFine},
        {1500, kCoarse, kCoarse}, {1990, kFine, kFine},  {2100, kCoarse, kCoarse}};
    for (const auto &[sinceMarkMs, every, startsOnly] : cases) {
        EXPECT_EQ(lineSamplePeriod(kMark + sinceMarkMs * kMs, kMark, kOpened, false), every)
            << sinceMarkMs << " ms";
        EXPECT_EQ(lineSamplePeriod(kMark + sinceMarkMs * kMs, kMark, kOpened, true), startsOnly)
            << sinceMarkMs << " ms, only the starts sampled";
    }
}

// ---- Characters at 50 and 75 baud ----

struct SlowCase
{
    const char *name;
    int baud;
    std::string bytes;
    /// When the mark began and how long it lasted, in microseconds, against the arrival.
    int64_t beginsBeforeArrival;
    int64_t length;
};

using SlowCharacterCases = ::testing::TestWithParam<SlowCase>;

TEST_P(SlowCharacterCases, OneMark)
{
    const SlowCase &c = GetParam();
    constexpr int64_t kArrival = 50 * kSecond;
    SlowCharacters slow(c.baud);
    std::vector<Edge> edges;
    slow.characters(c.bytes, kArrival, edges);
    const int64_t ends = kArrival - c.beginsBeforeArrival + c.length;
    // The end of a mark that lasts beyond its character comes when its time has come, not before.
    if (ends > kArrival) {
        ASSERT_EQ(edges.size(), 1u);
        slow.due(ends - 1, edges);
        EXPECT_EQ(edges.size(), 1u);
        slow.due(ends, edges);
    }
    EXPECT_EQ(edges, (std::vector<Edge> {{true, kArrival - c.beginsBeforeArrival}, {false, ends}}));
    EXPECT_FALSE(slow.pending());
}

// At 50 baud a bit lasts 20 ms and a character arrives 9.5 bits after its start bit began; at 75
// baud a bit lasts 13.333 ms.
INSTANTIATE_TEST_SUITE_P(
    Marks, SlowCharacterCases,
    ::testing::Values(
        SlowCase {"100 ms: 0xF0", 50, "\xF0", 190'000, 100'000},
        SlowCase {"120 ms: 0xE0", 50, "\xE0", 190'000, 120'000},
        SlowCase {"20 ms: the start bit alone, escaped", 50, "\xFF\xFF", 190'000, 20'000},
        SlowCase {"180 ms: 0x00 with its stop bit", 50, std::string(1, '\0'), 190'000, 180'000},
        SlowCase {"a break is a long mark", 50, std::string("\xFF\0\0", 3), 190'000, 200'000},
        SlowCase {"a framing error is a long mark", 50, std::string("\xFF\0\x80", 3), 190'000,
                  200'000},
        SlowCase {"75 baud, 100 ms: 0xC0", 75, "\xC0", 126'663, 93'331},
        SlowCase {"75 baud, 200 ms: a break", 75, std::string("\xFF\0\0", 3), 126'663, 200'000}));

TEST(SlowCharacters, AMarkedBreakSplitAcrossReads)
{
    SlowCharacters slow(50);
    std::vector<Edge> edges;
    slow.characters("\xFF", 10 * kSecond, edges);
    slow.characters(std::string("\0", 1), 10 * kSecond, edges);
    EXPECT_TRUE(edges.empty());
    slow.characters(std::string("\0", 1), 10 * kSecond, edges);
    slow.due(11 * kSecond, edges);
    EXPECT_EQ(edges,
              (std::vector<Edge> {{true, 10 * kSecond - 190'000}, {false, 10 * kSecond + 10'000}}));
}

// ---- Recognition and translation ----

/// A receiver on a line: the marks (begin, length) on the chosen line, the mark's state.
struct LineReceiver
{
    unsigned line = kDcd;
    bool markActive = true;
    std::vector<std::pair<int64_t, int64_t>> marks;

    LineSample sampleAt(int64_t t) const
    {
        bool inMark = false;
        uint32_t count = 0; // on RI only the trailing edges (active to inactive)
        for (const auto &[begins, length] : marks) {
            inMark = inMark || (t >= begins && t < begins + length);
            count += (t >= begins && (line != kRi || !markActive) ? 1 : 0)
                + (t >= begins + length && (line != kRi || markActive) ? 1 : 0);
        }
        return {t, inMark == markActive ? line : 0u, countsOf(line, count)};
    }
};

/// A mark a second from `start`, 100 ms or 200 ms as in `bits`, none where there is a '-'.
std::vector<std::pair<int64_t, int64_t>> marksFrom(int64_t start, const std::string &bits)
{
    std::vector<std::pair<int64_t, int64_t>> marks;
    for (std::size_t second = 0; second < bits.size(); ++second) {
        if (bits[second] != '-')
            marks.emplace_back(start + static_cast<int64_t>(second) * kSecond,
                               bits[second] == '1' ? 200 * kMs : 100 * kMs);
    }
    return marks;
}

/// Samples the receiver every `period` from `from` to `to` and collects what the translation
/// delivers (also onto `more`); once a millisecond is how the reader samples while it recognises.
std::vector<Delivery> sampled(SignalTranslation &translation, const LineReceiver &receiver,
                              int64_t from, int64_t to, int64_t period = kMs,
                              std::vector<Delivery> *more = nullptr)
{
    std::vector<Delivery> out;
    for (int64_t t = from; t <= to; t += period)
        translation.lines(receiver.sampleAt(t), more ? *more : out);
    return out;
}

/// What a receiver's marks must come out as: "1" at each start, "0" at each end.
std::vector<Delivery> edgesOf(const std::vector<std::pair<int64_t, int64_t>> &marks)
{
    std::vector<Delivery> result;
    for (const auto &[begins, length] : marks) {
        result.push_back({{'1', begins}, true});
        result.push_back({{'0', begins + length}, true});
    }
    return result;
}

constexpr ReceiverChoice kUnknown {std::nullopt, Polarity::FromSignal, PowerLines::Dtr};

TEST(Recognition, ALineReceiverOfEitherPolarityLosesNoMarkAndFallsSilent)
{
    for (const bool markActive : {true, false}) {
        SCOPED_TRACE(markActive ? "mark while active" : "mark while inactive");
        // Opened at 0.05 s, the first mark at 0.4 s: known at the start of the second.
        const LineReceiver receiver {kCts, markActive, marksFrom(400 * kMs, "0100")};
        SignalTranslation translation(kUnknown, true);
        EXPECT_EQ(translation.watch(), Watch::CharactersAndLines);

        std::vector<Delivery> out = sampled(translation, receiver, 50 * kMs, 1399 * kMs);
        EXPECT_TRUE(out.empty()) << "nothing before the kind is known";
        EXPECT_FALSE(translation.kind());
        sampled(translation, receiver, 1400 * kMs, 4 * kSecond, kMs, &out);
        EXPECT_EQ(translation.kind(), ReceiverKind::Cts);
        EXPECT_EQ(translation.watch(), Watch::Line);
        EXPECT_EQ(translation.line(), kCts);
        EXPECT_EQ(out, edgesOf(receiver.marks));
        EXPECT_TRUE(sampled(translation, receiver, 4 * kSecond, 20 * kSecond, 7 * kMs).empty());
    }
}

TEST(Recognition, ThroughTheMinuteMarkWithinThreeSeconds)
{
    // Opened just before or just after the start of second 58, followed by the minute mark.
    const LineReceiver receiver {kDsr, true, marksFrom(0, "01-0110")};
    for (const int64_t opened : {kSecond - 10 * kMs, kSecond + 10 * kMs}) {
        SCOPED_TRACE(opened);
        SignalTranslation translation(kUnknown, true);
        std::vector<Delivery> out = sampled(translation, receiver, opened, opened + 3 * kSecond);
        EXPECT_EQ(translation.kind(), ReceiverKind::Dsr) << "not known 3 s after the open";
        sampled(translation, receiver, opened + 3 * kSecond + kMs, 7 * kSecond, kMs, &out);
        std::vector<Delivery> expected = edgesOf(marksFrom(kSecond, "1-0110"));
        if (opened > kSecond)
            expected.erase(expected.begin()); // the open came after it
        EXPECT_EQ(out, expected);
    }
}

TEST(Recognition, TheUsersPolarityHoldsAgainstTheSignals)
{
    // --invert on a receiver whose mark is the active state, recognised or chosen: the user's
    // word counts.
    const LineReceiver receiver {kDcd, true, marksFrom(0, "0000")};
    for (const std::optional<ReceiverKind> kind :
         {std::optional<ReceiverKind>(), {ReceiverKind::Dcd}}) {
        SignalTranslation translation({kind, Polarity::MarkWhileInactive, PowerLines::Dtr}, true);
        const std::vector<Delivery> out = sampled(translation, receiver, -5 * kMs, 3500 * kMs);
        EXPECT_EQ(translation.kind(), ReceiverKind::Dcd);
        ASSERT_GT(out.size(), 2u);
        EXPECT_EQ(out.front(), (Delivery {{'0', 0}, true}));
        EXPECT_EQ(out[1], (Delivery {{'1', 100 * kMs}, true}));
    }
}

TEST(Recognition, AChosenLineFindsItsPolarityFromTheSignalAndIgnoresTheOthers)
{
    const ReceiverChoice dcd {ReceiverKind::Dcd, Polarity::FromSignal, PowerLines::Dtr};
    SignalTranslation onCts(dcd, true);
    EXPECT_EQ(onCts.watch(), Watch::Line);
    sampled(onCts, {kCts, true, marksFrom(0, "0000")}, -kMs, 4 * kSecond);
    EXPECT_FALSE(onCts.kind()) << "a receiver on another line than the chosen one";

    SignalTranslation onDcd(dcd, true);
    const LineReceiver receiver {kDcd, false, marksFrom(0, "0000")};
    EXPECT_EQ(sampled(onDcd, receiver, -kMs, 4 * kSecond), edgesOf(receiver.marks));
}

TEST(Recognition, QuickChangesAreHandedOnAndDoNotHideTheReceiver)
{
    LineReceiver receiver {kDcd, true, marksFrom(0, "0100")};
    // The second mark begins with a bounce of three changes within one sample, the one it is
    // recognised by; the third has a 200 us spike in it. The counts show both.
    receiver.marks[1] = {kSecond + 200, 100};
    receiver.marks.insert(receiver.marks.begin() + 2, {kSecond + 500, 200 * kMs - 500});
    receiver.marks[3] = {2 * kSecond, 50 * kMs + 300};
    receiver.marks.insert(receiver.marks.begin() + 4, {2 * kSecond + 50 * kMs + 500, 50 * kMs});
    SignalTranslation translation(kUnknown, true);
    const std::vector<Delivery> out = sampled(translation, receiver, -kMs, 4 * kSecond);
    EXPECT_EQ(translation.kind(), ReceiverKind::Dcd);
    EXPECT_EQ(out,
              edgesOf({{0, 100 * kMs},
                       {kSecond + kMs, 0},
                       {kSecond + kMs, 199 * kMs},
                       {2 * kSecond, 51 * kMs},
                       {2 * kSecond + 51 * kMs, 50 * kMs},
                       {3 * kSecond, 100 * kMs}}));
}

TEST(Recognition, WhatCannotBeRecognisedDeliversNothingAndIsWatchedOn)
{
    // Half a second on, half off: no state that lasts 50 to 300 ms; odd characters at random.
    LineReceiver square {kDcd, true, {}};
    for (int64_t t = 0; t < 20 * kSecond; t += kSecond)
        square.marks.emplace_back(t, 500 * kMs);
    SignalTranslation translation(kUnknown, true);
    std::vector<Delivery> out = sampled(translation, square, 0, 20 * kSecond, 3 * kMs);
    translation.characters("x", 400 * kMs, out);
    translation.characters("y", 1900 * kMs, out);
    EXPECT_FALSE(translation.kind());
    EXPECT_EQ(translation.watch(), Watch::CharactersAndLines);
    EXPECT_TRUE(out.empty());
}

TEST(Recognition, CharactersHandOnEverythingReceivedMeanwhile)
{
    SignalTranslation translation(kUnknown, false);
    EXPECT_EQ(translation.watch(), Watch::Characters);
    std::vector<Delivery> out;
    translation.characters("?", 100 * kMs, out);
    translation.characters("1", 600 * kMs, out);
    EXPECT_TRUE(out.empty());
    translation.characters("0x", 700 * kMs, out);
    EXPECT_EQ(translation.kind(), ReceiverKind::Characters);
    translation.characters("1", 1600 * kMs, out);
    EXPECT_EQ(out,
              (std::vector<Delivery> {{{'?', 100 * kMs}, false},
                                      {{'1', 600 * kMs}, true},
                                      {{'0', 700 * kMs}, true},
                                      {{'x', 700 * kMs}, false},
                                      {{'1', 1600 * kMs}, true}}));
}

TEST(Recognition, LoneCharactersASecondApartAreAReceiverAt50Baud)
{
    SignalTranslation translation(kUnknown, false, 10 * kSecond);
    std::vector<Delivery> out;
    // At 38400 baud its marks read as breaks: lone NULs, the minute mark leaving one out.
    translation.characters(std::string(1, '\0'), 10'300 * kMs, out);
    translation.characters(std::string(1, '\0'), 11'300 * kMs, out);
    EXPECT_EQ(translation.kind(), ReceiverKind::Rxd50);
    EXPECT_EQ(translation.watch(), Watch::SlowCharacters);

    // Their lengths were not seen, so the first mark handed on must not follow the open by a
    // minute gap's pause (1.5 to 2.5 s): the reception would take it for one.
    translation.switchedToSlowCharacters(50);
    translation.characters(std::string("\xFF\0\0", 3), 12'490 * kMs, out);
    translation.due(12'500 * kMs, out);
    translation.characters("\xF0", 13'490 * kMs, out);
    EXPECT_FALSE(translation.nextDue());
    translation.characters(std::string("\xFF\0\0", 3), 14'490 * kMs, out);
    EXPECT_EQ(translation.nextDue(), 14'500 * kMs);
    translation.due(14'500 * kMs, out);
    EXPECT_EQ(out, edgesOf({{13'300 * kMs, 100 * kMs}, {14'300 * kMs, 200 * kMs}}));
}

// ---- The hand-over from the reader thread to the window thread ----

std::vector<Arrival> arrivals(std::string_view characters, int64_t stamp)
{
    std::vector<Arrival> result;
    for (const char c : characters)
        result.push_back({c, stamp++});
    return result;
}

TEST(ArrivalQueue, StallsTheReaderWhileFullAndWakesTheWindowThreadOnlyWhenEmpty)
{
    ArrivalQueue queue(4);
    EXPECT_TRUE(queue.put(arrivals("10", 5000)));
    EXPECT_FALSE(queue.put(arrivals("1011", 7000)))
        << "not empty: the window thread has not waited";
    EXPECT_EQ(queue.roomOrStall(), 0u);

    const ArrivalQueue::Taken first = queue.take();
    EXPECT_EQ(first.arrival, (Arrival {'1', 5000}));
    EXPECT_FALSE(first.resumeReader);
    EXPECT_TRUE(queue.take().resumeReader);
    EXPECT_EQ(queue.take().arrival, (Arrival {'1', 7000}));
    const ArrivalQueue::Taken last = queue.take();
    EXPECT_EQ(last.arrival, (Arrival {'0', 7001})) << "what did not fit is dropped, not queued";
    EXPECT_FALSE(last.resumeReader) << "told once";
    EXPECT_FALSE(queue.take().arrival);
    EXPECT_TRUE(queue.put(arrivals("0", 9000)));
}

TEST(ArrivalQueue, AFailedPortReadsAsNothingUntilTheNextOpen)
{
    ArrivalQueue queue(4);
    queue.put(arrivals("10", 1));
    EXPECT_TRUE(queue.fail({PortFault::Vanished, 5, {}, {}}));
    EXPECT_FALSE(queue.fail({PortFault::Other, 9, {}, {}})) << "the window thread knows already";
    EXPECT_EQ(queue.failure(), (PortProblem {PortFault::Vanished, 5, {}, {}}));
    EXPECT_FALSE(queue.take().arrival);

    queue.clear();
    EXPECT_FALSE(queue.failure());
    queue.put(arrivals("1", 2));
    EXPECT_EQ(queue.take().arrival, (Arrival {'1', 2}));
}

} // namespace
} // namespace serial
} // namespace dcf
