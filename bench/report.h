#pragma once

// The benchmark's one table, and the arithmetic of its figures: summaries of samples, the marks
// a reader measured matched with those the simulated receiver sent, targets and verdicts. Each
// part of the benchmark records what it measured; its rows are composed here, so that every
// figure is worded and judged in one place. Qt-free, so that it can be checked on its own.
//   program parts, time service -> records -> rows (here) -> table -> exit status

#include "platform/receiver.h"
#include "process_usage.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace dcf::bench {

/// Median, 99th percentile and maximum of a set of samples, by nearest rank: the p-th
/// percentile is the smallest sample that at least p per cent of the samples do not exceed.
struct Summary
{
    std::size_t count = 0;
    double median = 0;
    double p99 = 0;
    double maximum = 0;
};

/// The sample at nearest rank `percent` (0 < percent <= 100) of `samples`; nothing when empty.
std::optional<double> percentile(std::vector<double> samples, double percent);
/// Nothing when there are no samples.
std::optional<Summary> summarize(const std::vector<double> &samples);
/// How many samples reach `threshold`.
std::size_t countReaching(const std::vector<double> &samples, double threshold);

struct MeanAndDeviation
{
    double mean = 0;
    /// The population's standard deviation.
    double deviation = 0;
};
/// Nothing when there are no samples.
std::optional<MeanAndDeviation> meanAndDeviation(const std::vector<double> &samples);

/// The nominal length of a mark, 100 or 200 ms, that a length in ms stands for.
double nominalMarkMs(double lengthMs);

/// The edges a simulated receiver sent, as dcf77-sim logs them with --log-writes: the moment
/// of each write on the monotonic clock, logged only while a reader has the port open. Measured
/// against them, a mark's error is the reader's own, apart from a sender that woke late; and
/// each edge's delivery from its write to its arrival stamp shows how quickly the reader took it.
class SentEdges
{
public:
    /// Reads a log; lines that are not "<ns> 1" or "<ns> 0" are skipped. Empty when there is
    /// no log.
    static SentEdges read(const std::string &path);

    /// Adds an edge; edges come in the order sent.
    void add(int64_t sentNs, char edge);
    bool empty() const { return m_edges.empty(); }

    struct Mark
    {
        /// The writes of its two edges.
        int64_t beginNs = 0;
        int64_t endNs = 0;
        double sentMs() const;
    };

    /// The mark whose edges arrived at these stamps (microseconds on the same clock): the last
    /// "1" written before the first, the last "0" before the second. A stamp may lie a little
    /// before its write, as a 50-baud mark's start reckoned back from its character does. Nothing
    /// when either is missing.
    std::optional<Mark> markArrivedAt(int64_t beginArrivalUs, int64_t endArrivalUs) const;
    /// Every mark sent whole, a "1" and the "0" after it, in order.
    std::vector<Mark> marks() const;

private:
    struct Edge
    {
        int64_t sentNs;
        char edge;
    };
    /// The last `edge` written at or before `arrivalNs`.
    std::optional<int64_t> lastSentBefore(int64_t arrivalNs, char edge) const;

    std::vector<Edge> m_edges;
};

/// A limit that a figure must keep.
struct Target
{
    enum Kind {
        Below, ///< value < limit
        AtMost, ///< value <= limit
        Within, ///< |value| <= limit
    };
    /// `judged`: which value of the row is judged, where it shows several ("p99 ").
    Target(double limitValue, Kind limitKind, std::string limitUnit = {},
           std::string judgedValue = {})
        : limit(limitValue)
        , kind(limitKind)
        , unit(std::move(limitUnit))
        , judged(std::move(judgedValue))
    { }

    double limit;
    Kind kind;
    std::string unit;
    std::string judged;

    bool isMetBy(double value) const;
    /// "p99 <= 0.3 ms", "< 1 % of a core", "within 0.5 ms".
    std::string text() const;
};

class Report
{
public:
    /// A heading over the rows added after it.
    void heading(std::string text);
    /// A figure without a target.
    void add(std::string figure, std::string measured);
    /// A figure judged by `value` against `target`, if there is one; no value is a MISS.
    void add(std::string figure, std::string measured, std::optional<double> value,
             const std::optional<Target> &target);

    bool allTargetsMet() const { return m_misses == 0; }
    void print(std::ostream &out) const;

private:
    struct Row
    {
        std::string figure;
        std::string measured;
        std::string target;
        std::string verdict;
        bool isHeading = false;
    };
    std::vector<Row> m_rows;
    int m_misses = 0;
};

/// `value` with `decimals` decimals, and the unit after a blank if there is one.
std::string fixed(double value, int decimals, const std::string &unit = {});

/// What weighs on the machine while a part runs.
enum class Load {
    Quiet,
    WindowBusy, ///< the window thread repainting and held at random moments
    ProcessorsBusy, ///< a spinning process per processor
};

/// A mark as the program measured it: its edges' arrival stamps on the monotonic clock.
struct MeasuredPulse
{
    /// As the program classifies it, on the millisecond grid.
    double lengthMs = 0;
    int64_t beginUs = 0;
    int64_t endUs = 0;
    /// The longer of its edges' waits from arrival to processing.
    double longestWaitMs = 0;
};

/// What a plain reader beside the program measured: each mark and how it was sent, and how late
/// a sleeping thread woke.
struct PlainReading
{
    std::vector<double> lengthsUs;
    /// -1 where the sender's log lacks the mark.
    std::vector<double> sentUs;
    std::vector<double> wakeLatenessMs;
};

/// One receiver under one load, from the program's Start to the end of its running clock.
struct PartRecord
{
    std::string name;
    ReceiverKind kind = ReceiverKind::Characters;
    Load load = Load::Quiet;
    bool ran = false;

    std::vector<MeasuredPulse> pulses;
    /// From each edge's arrival to its processing.
    std::vector<double> waitsMs;
    /// How late each second of the running clock was shown, and which second it was.
    std::vector<double> secondsLate;
    std::vector<int> secondsShown;

    /// When the program had opened the port and when it knew the kind, monotonic.
    std::optional<int64_t> openedUs;
    std::optional<int64_t> knownUs;
    std::optional<ReceiverKind> recognisedAs;
    /// When the minute was decoded: marks sent after it are not the reception's.
    std::optional<int64_t> decodedUs;

    /// From the open to the decoded minute, and the running clock after it.
    ProcessorMeter receiving;
    ProcessorMeter clock;
    /// The edges its receiver sent while the program had the port open.
    SentEdges sent;
    PlainReading plain;
};

/// The program's marks of a part against the marks sent.
struct MarkMatch
{
    /// |measured - sent|, |between the arrival stamps - sent|, |measured - 100 or 200|, ms.
    std::vector<double> errorsMs;
    std::vector<double> stampErrorsMs;
    std::vector<double> nominalErrorsMs;
    /// Each edge from its write to its arrival stamp, ms.
    std::vector<double> deliveriesMs;
    /// Marks classified other than sent, or measured where none was sent.
    int misclassified = 0;
    /// Marks sent whole up to the program's last measured one, and those it never measured; of
    /// these, the ones that began before it knew the kind.
    int sentUpToLast = 0;
    int lost = 0;
    int lostBeforeKnown = 0;
};
MarkMatch matchMarks(const PartRecord &part);

/// What the program shows beside its parts.
struct ProgramRecord
{
    /// How the serial reader thread is scheduled: "the serial reader runs with ...".
    std::string scheduling;
    ProcessorMeter waiting;
    std::vector<double> startupMs;
    long peakResidentKiB = 0;
};
void addProgram(Report &report, const ProgramRecord &record);

/// The rows of one part, judged by its receiver kind and load.
void addPart(Report &report, const PartRecord &part);

/// The thirty virtual days of the time service's soak, as its test counts them.
struct SoakRecord
{
    long long samples = 0;
    long long marks = 0;
    /// The soak's checks that failed: a wrong second, a sample off its mark, too few samples.
    int failedChecks = 0;
};

/// The time service on the simulated receiver, feeding a private chronyd.
struct TimeServiceRecord
{
    /// Each sample's mark stamp after the simulator's write of that mark.
    std::vector<double> afterWriteMs;
    /// Each sample's mark start from the true second.
    std::vector<double> offsetMs;
    double spanMinutes = 0;
    std::optional<double> firstSampleSeconds;
    ProcessorMeter meter;
    std::optional<double> chronyOffsetMs;
    std::optional<SoakRecord> soak;
};

void addTimeService(Report &report, const TimeServiceRecord &record);

/// Every mark, edge wait, clock second, plain reader's mark and sample, for a closer look.
void writeSamples(std::ostream &out, const std::vector<PartRecord> &parts,
                  const TimeServiceRecord *timeService);

} // namespace dcf::bench
