#include "run_report.h"

#include "figures.h"
#include "process_usage.h"
#include "sent_edges.h"

#include <QThread>
#include <cmath>
#include <fstream>
#include <iostream>
#include <optional>

namespace dcf::bench {

namespace {

constexpr double kKiBPerMiB = 1024;
constexpr double kUsPerMs = 1e3;
constexpr double kMsPerSecond = 1e3;

const Target kProcessorTarget {1.0, false}; // per cent of a core
const Target kQuietMarksOffTarget {1.0, true}; // marks 1 ms or more off in a run
/// Percentage points that the program may lose beyond the plain reader.
constexpr double kMarginOverPlainReader = 1.0;
const Target kLatenessTarget {1.0, true}; // ms, 99th percentile on a quiet machine

std::string phaseName(const std::string &name, const ProcessorMeter &meter)
{
    return "Processor, " + name + " ("
        + (meter.hasRun() ? withUnit(meter.wallSeconds(), 0, "s") : "not reached") + ")";
}

void addProcessor(Report &report, const std::string &name, const ProcessorMeter &meter)
{
    report.add(phaseName(name, meter),
               meter.hasRun() ? std::optional<double>(meter.percentOfCore()) : std::nullopt, 2,
               "% of a core", kProcessorTarget);
}

/// Median, 99th percentile (judged against `target` if there is one) and maximum of `values`, in
/// ms.
void addMedianP99Maximum(Report &report, const std::string &what, const std::string &count,
                         const std::vector<double> &values, std::optional<Target> target)
{
    const std::optional<Summary> summary = summarize(values);
    report.add(what + ", median (" + count + ")",
               summary ? withUnit(summary->median, 3, "ms") : "none");
    if (target) {
        report.add(what + ", 99th percentile",
                   summary ? std::optional<double>(summary->p99) : std::nullopt, 3, "ms", *target);
    } else {
        report.add(what + ", 99th percentile", summary ? withUnit(summary->p99, 3, "ms") : "none");
    }
    report.add(what + ", maximum", summary ? withUnit(summary->maximum, 3, "ms") : "none");
}

std::vector<double> markErrors(const std::vector<ProgramProbe::Pulse> &pulses)
{
    std::vector<double> errors;
    for (const ProgramProbe::Pulse &pulse : pulses)
        errors.push_back(markErrorMs(pulse.measuredSeconds));
    return errors;
}

/// A plain reader's length rounded to whole milliseconds as the program rounds its lengths.
double asTheProgramRounds(double lengthUs)
{
    return std::round(lengthUs / kUsPerMs);
}

std::vector<double> plainReaderErrors(const Baseline &baseline)
{
    std::vector<double> errors;
    for (const double lengthUs : baseline.markLengthsUs)
        errors.push_back(markErrorMs(asTheProgramRounds(lengthUs) / kMsPerSecond));
    return errors;
}

std::vector<double> plainReaderErrorsAgainstSent(const Baseline &baseline)
{
    std::vector<double> errors;
    for (std::size_t index = 0; index < baseline.markLengthsUs.size(); ++index) {
        const double sentUs = baseline.sentLengthsUs[index];
        if (sentUs >= 0)
            errors.push_back(
                std::abs(asTheProgramRounds(baseline.markLengthsUs[index]) - sentUs / kUsPerMs));
    }
    return errors;
}

/// The program's marks measured against the lengths its receiver actually sent, so that a
/// sender that woke late does not count against the program.
struct AgainstSent
{
    /// |PulsLaenge - sent|, ms.
    std::vector<double> errors;
    /// |between the arrival stamps - sent|, ms.
    std::vector<double> stampErrors;
    /// From each edge's write to its arrival stamp, ms.
    std::vector<double> deliveries;
};

AgainstSent againstSent(const Condition &condition)
{
    const SentEdges sent = SentEdges::read(condition.writeLog);
    AgainstSent result;
    for (const ProgramProbe::Pulse &pulse : condition.recording.pulses) {
        const std::optional<SentEdges::Mark> mark = sent.markArrivedAt(pulse.beginUs, pulse.endUs);
        if (!mark)
            continue;
        result.errors.push_back(std::abs(pulse.measuredSeconds * kMsPerSecond - mark->sentMs));
        result.stampErrors.push_back(
            std::abs(static_cast<double>(pulse.endUs - pulse.beginUs) / kUsPerMs - mark->sentMs));
        result.deliveries.push_back(mark->beginDeliveryMs);
        result.deliveries.push_back(mark->endDeliveryMs);
    }
    return result;
}

/// How the marks off are judged: a count on a machine that leaves the program a processor, the
/// plain reader's share plus a margin where others' work delays every reader alike.
enum class MarksJudged { AtMostOne, LikeThePlainReader };

/// The figures of one condition: the program's marks, how long their edges waited to be
/// processed, the clock's seconds, and the plain reader beside them.
void addCondition(Report &report, const std::string &heading, const Condition &condition,
                  MarksJudged marksJudged, std::optional<Target> latenessTarget)
{
    report.heading(heading);
    const ProgramProbe::Recording &recorded = condition.recording;
    const std::vector<double> errors = markErrors(recorded.pulses);
    const std::vector<double> plainErrors = plainReaderErrors(condition.baseline);
    const AgainstSent sent = againstSent(condition);
    const std::vector<double> plainSentErrors = plainReaderErrorsAgainstSent(condition.baseline);

    // Marks missing from the sender's log are left out, and then counted.
    std::string marksCounted = std::to_string(sent.errors.size());
    if (sent.errors.size() != errors.size())
        marksCounted += " of " + std::to_string(errors.size());
    addMedianP99Maximum(report, "Mark error against the length sent", marksCounted + " marks",
                        sent.errors, std::nullopt);
    if (marksJudged == MarksJudged::AtMostOne) {
        report.add("Marks 1 ms or more off the length sent", shareReaching(sent.errors, 1.0),
                   sent.errors.empty() ? std::nullopt
                                       : std::optional<double>(countReaching(sent.errors, 1.0)),
                   "mark", kQuietMarksOffTarget);
    } else {
        // Judged in whole per cent, as the shares are shown.
        const std::optional<double> plain = percentReaching(plainSentErrors, 1.0);
        const std::optional<double> program = percentReaching(sent.errors, 1.0);
        const Target target {plain ? std::round(*plain) + kMarginOverPlainReader : 0, true};
        report.add("Marks 1 ms or more off the length sent", shareReaching(sent.errors, 1.0),
                   plain && program ? std::optional<double>(std::round(*program)) : std::nullopt,
                   "%", target);
    }
    report.add("Marks 1 ms or more off 100 / 200 ms", shareReaching(errors, 1.0));
    if (const std::optional<Summary> stamped = summarize(sent.stampErrors)) {
        const auto us = [](double ms) {
            return std::to_string(std::lround(ms * kUsPerMs));
        };
        report.add("Arrival stamps against the length sent, median / p99 / max.",
                   us(stamped->median) + " / " + us(stamped->p99) + " / " + us(stamped->maximum)
                       + " us");
    }
    addMedianP99Maximum(report, "Edge from its write to its arrival stamp",
                        std::to_string(sent.deliveries.size()) + " edges", sent.deliveries,
                        std::nullopt);
    addMedianP99Maximum(report, "Edge waited from arrival to processing",
                        std::to_string(recorded.waitsMs.size()) + " edges", recorded.waitsMs,
                        std::nullopt);
    addMedianP99Maximum(report, "Clock second shown late",
                        std::to_string(recorded.secondsLate.size()) + " seconds",
                        recorded.secondsLate, latenessTarget);

    const Baseline &baseline = condition.baseline;
    const std::optional<Summary> wakes = summarize(baseline.wakeLatenessMs);
    report.add("Without the program: marks 1 ms or more off the length sent",
               shareReaching(plainSentErrors, 1.0));
    report.add("Without the program: marks 1 ms or more off 100 / 200 ms",
               shareReaching(plainErrors, 1.0));
    report.add("Without the program: wake-up late, 99th percentile ("
                   + std::to_string(baseline.wakeLatenessMs.size()) + ")",
               wakes ? withUnit(wakes->p99, 3, "ms") : "none");
}

} // namespace

void writeSamples(const std::string &path, const BenchRun &run)
{
    std::ofstream out(path);
    out << "# <condition>: mark <measured ms> <between the arrival stamps, us> <longer wait of its "
           "edges, ms>\n"
           "# <condition>: wait <from an edge's arrival to its processing, ms>\n"
           "# <condition>: second <second shown> <late, ms>\n"
           "# <condition>: plain-mark <as the plain reader measured it, us>\n";
    for (const Condition *condition : {&run.quiet, &run.windowBusy, &run.processorsBusy}) {
        if (!condition->ran)
            continue;
        const std::string prefix = condition->name + ": ";
        const ProgramProbe::Recording &recorded = condition->recording;
        for (const ProgramProbe::Pulse &pulse : recorded.pulses)
            out << prefix << "mark " << pulse.measuredSeconds * 1000 << ' '
                << pulse.endUs - pulse.beginUs << ' ' << pulse.longestWaitMs << '\n';
        for (const double wait : recorded.waitsMs)
            out << prefix << "wait " << wait << '\n';
        for (std::size_t index = 0; index < recorded.secondsLate.size(); ++index)
            out << prefix << "second " << recorded.secondsShown[index] << ' '
                << recorded.secondsLate[index] << '\n';
        for (const double lengthUs : condition->baseline.markLengthsUs)
            out << prefix << "plain-mark " << lengthUs << '\n';
    }
    if (!out)
        std::cerr << "dcf77-bench: cannot write " << path << '\n';
}

Report reportOf(const BenchRun &run, const std::vector<double> &startup)
{
    Report report;
    addProcessor(report, "waiting for a receiver", run.waiting);
    addProcessor(report, "receiving", run.receiving);
    addProcessor(report, "running clock", run.clock);
    const std::optional<Summary> startupSummary = summarize(startup);
    report.add("Start-up to main window exposed, median of " + std::to_string(startup.size()),
               startupSummary ? withUnit(startupSummary->median, 1, "ms") : "none");
    report.add("Peak memory (ru_maxrss)",
               withUnit(static_cast<double>(peakResidentKiB()) / kKiBPerMiB, 1, "MiB"));

    addCondition(report, "Quiet machine", run.quiet, MarksJudged::AtMostOne, kLatenessTarget);
    std::string machineBusy = "waiting " + withUnit(run.waiting.machineBusyPercent(), 0, "%")
        + ", receiving " + withUnit(run.receiving.machineBusyPercent(), 0, "%") + ", running clock "
        + withUnit(run.clock.machineBusyPercent(), 0, "%");
    if (run.windowBusy.ran) {
        addCondition(report,
                     "Window kept busy: repainted continuously, held "
                         + std::to_string(WindowLoad::kHoldMs) + " ms at random moments ("
                         + std::to_string(run.windowLoad().holds()) + " times)",
                     run.windowBusy, MarksJudged::AtMostOne, std::nullopt);
        // The load runs inside the process, so its processor time is the load's.
        const ProcessorMeter &meter = run.windowBusy.meter;
        report.add(phaseName("whole process, the repainting included", meter),
                   meter.hasRun() ? withUnit(meter.percentOfCore(), 1, "% of a core") : "none");
        machineBusy
            += ", window kept busy " + withUnit(run.windowBusy.meter.machineBusyPercent(), 0, "%");
    }
    if (run.processorsBusy.ran) {
        addCondition(report,
                     "Processors kept busy: " + std::to_string(QThread::idealThreadCount())
                         + " spinning processes, one per core",
                     run.processorsBusy, MarksJudged::LikeThePlainReader, std::nullopt);
        addProcessor(report, "whole process", run.processorsBusy.meter);
        machineBusy += ", processors kept busy "
            + withUnit(run.processorsBusy.meter.machineBusyPercent(), 0, "%");
    }
    report.note("Whole machine busy (all processes, " + std::to_string(QThread::idealThreadCount())
                + " cores): " + machineBusy + ".");

    return report;
}

} // namespace dcf::bench
