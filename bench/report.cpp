#include "report.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iomanip>
#include <set>
#include <sstream>
#include <utility>

namespace dcf::bench {

namespace {

constexpr double kZeroMarkMs = 100;
constexpr double kOneMarkMs = 200;
/// Halfway between the two mark lengths, as the program divides them.
constexpr double kMarkSplitMs = 150;
constexpr double kUsPerMs = 1e3;
constexpr double kNsPerMs = 1e6;
constexpr int64_t kNsPerUs = 1000;
constexpr double kOffMs = 1.0;
/// How far a stamp may precede its write: one bit at 50 baud, far less than the 800 ms at least
/// between two edges of the same kind.
constexpr int64_t kStampSlackNs = 20'000'000;

const Target kProcessor {1, Target::Below, "% of a core"};
const Target kRecognition {3, Target::AtMost, "s"};
const Target kNoMark {0, Target::AtMost, "marks"};
const Target kMarksOffQuiet {1, Target::AtMost, "mark"};
const Target kLineError {0.3, Target::AtMost, "ms", "p99 "};
/// RI's leading edge wakes no wait: the reader samples it once a millisecond.
const Target kSampledLineError {1.3, Target::AtMost, "ms", "p99 "};
/// At 50 baud a length is read to the bit.
constexpr double kSlowBitMs = 20;
const Target kSlowError {kSlowBitMs, Target::AtMost, "ms", "max. "};
const Target kClockLate {1, Target::AtMost, "ms", "p99 "};
/// Percentage points that the program may lose beyond the plain reader.
constexpr double kMarginOverPlainReader = 1.0;

const Target kSampleMean {0.3, Target::Within, "ms"};
const Target kSampleDeviation {0.1, Target::AtMost, "ms"};
const Target kFirstSample {180, Target::AtMost, "s"};
const Target kChronyOffset {0.5, Target::Within, "ms"};

/// "0.020 / 0.232 / 0.313 ms", or "none".
std::string medianP99Maximum(const std::optional<Summary> &summary)
{
    if (!summary)
        return "none";
    return fixed(summary->median, 3) + " / " + fixed(summary->p99, 3) + " / "
        + fixed(summary->maximum, 3, "ms");
}

std::string counted(std::size_t count, const char *what)
{
    return " (" + std::to_string(count) + ' ' + what + ')';
}

void addSummary(Report &report, const std::string &what, const char *counting,
                const std::vector<double> &samples)
{
    report.add(what + counted(samples.size(), counting), medianP99Maximum(summarize(samples)));
}

/// "k of n (p %)" of the samples 1 ms or more off.
std::string shareOff(const std::vector<double> &errorsMs)
{
    std::string text = std::to_string(countReaching(errorsMs, kOffMs)) + " of "
        + std::to_string(errorsMs.size());
    if (!errorsMs.empty())
        text += " (" + fixed(100.0 * countReaching(errorsMs, kOffMs) / errorsMs.size(), 0, "%)");
    return text;
}

std::optional<double> percentOff(const std::vector<double> &errorsMs)
{
    if (errorsMs.empty())
        return std::nullopt;
    return std::round(100.0 * countReaching(errorsMs, kOffMs) / errorsMs.size());
}

void addProcessor(Report &report, const std::string &phase, const ProcessorMeter &meter,
                  bool judged)
{
    std::string figure = "Processor, " + phase;
    if (!meter.hasRun()) {
        report.add(figure + " (not reached)", "none", std::nullopt, kProcessor);
        return;
    }
    figure += " (" + fixed(meter.wallSeconds(), 0, "s") + ", machine "
        + fixed(meter.machineBusyPercent(), 0, "% busy)");
    report.add(figure, fixed(meter.percentOfCore(), 2, "% of a core"), meter.percentOfCore(),
               judged ? std::optional(kProcessor) : std::nullopt);
}

/// A line's error is judged at the 99th percentile, 50 baud's at its largest.
std::optional<Target> errorTarget(ReceiverKind kind)
{
    switch (kind) {
    case ReceiverKind::Characters:
        return std::nullopt;
    case ReceiverKind::Rxd50:
        return kSlowError;
    case ReceiverKind::Ri:
        return kSampledLineError;
    default:
        return kLineError;
    }
}

void addRecognition(Report &report, const PartRecord &part, const MarkMatch &match)
{
    std::string measured = "port not opened";
    std::optional<double> seconds;
    if (part.openedUs && part.knownUs && part.recognisedAs) {
        const double after = static_cast<double>(*part.knownUs - *part.openedUs) / 1e6;
        measured = fixed(after, 1, "s as ") + std::string(receiverKindName(*part.recognisedAs));
        if (*part.recognisedAs == part.kind)
            seconds = after;
    } else if (part.openedUs) {
        measured = "not recognised";
    }
    report.add("Kind recognised after the port opened", measured, seconds, kRecognition);
    report.add("Marks lost before the kind was known / in all",
               std::to_string(match.lostBeforeKnown) + " / " + std::to_string(match.lost) + " of "
                   + std::to_string(match.sentUpToLast),
               match.lostBeforeKnown, kNoMark);
}

/// The plain reader's marks against the lengths sent, and against 100 or 200 ms, in ms: its
/// lengths rounded to whole milliseconds, as the program rounds its own.
std::pair<std::vector<double>, std::vector<double>> plainErrors(const PlainReading &plain)
{
    std::pair<std::vector<double>, std::vector<double>> errors;
    for (std::size_t index = 0; index < plain.lengthsUs.size(); ++index) {
        const double lengthMs = std::round(plain.lengthsUs[index] / kUsPerMs);
        errors.second.push_back(std::abs(lengthMs - nominalMarkMs(lengthMs)));
        if (plain.sentUs[index] >= 0)
            errors.first.push_back(std::abs(lengthMs - plain.sentUs[index] / kUsPerMs));
    }
    return errors;
}

void addMarks(Report &report, const PartRecord &part, const MarkMatch &match)
{
    report.add("Marks classified other than sent",
               std::to_string(match.misclassified) + " of " + std::to_string(part.pulses.size()),
               match.misclassified, kNoMark);

    const std::optional<Summary> errors = summarize(match.errorsMs);
    const bool slow = part.kind == ReceiverKind::Rxd50;
    report.add("Mark error against the length sent" + counted(match.errorsMs.size(), "marks"),
               medianP99Maximum(errors),
               errors ? std::optional(slow ? errors->maximum : errors->p99) : std::nullopt,
               errorTarget(part.kind));

    const std::string offFigure = "Marks 1 ms or more off the length sent; off 100 / 200 ms";
    const std::string off = shareOff(match.errorsMs) + "; "
        + std::to_string(countReaching(match.nominalErrorsMs, kOffMs));
    if (part.kind != ReceiverKind::Characters) {
        report.add(offFigure, off);
    } else if (part.load == Load::ProcessorsBusy) {
        // Others' work delays every reader alike: the plain reader's share plus a margin, in
        // whole per cent as the shares are shown.
        const std::optional<double> plain = percentOff(plainErrors(part.plain).first);
        report.add(offFigure, off, plain ? percentOff(match.errorsMs) : std::nullopt,
                   Target {plain.value_or(0) + kMarginOverPlainReader, Target::AtMost, "%"});
    } else {
        report.add(offFigure, off, static_cast<double>(countReaching(match.errorsMs, kOffMs)),
                   kMarksOffQuiet);
    }
    addSummary(report, "Arrival stamps against the length sent", "marks", match.stampErrorsMs);
    addSummary(report, "Edge from its write to its arrival stamp", "edges", match.deliveriesMs);
    addSummary(report, "Edge waited from arrival to processing", "edges", part.waitsMs);
}

void addPlainReader(Report &report, const PlainReading &plain)
{
    const auto [errors, nominalErrors] = plainErrors(plain);
    report.add("Plain reader: marks 1 ms or more off sent; off 100 / 200 ms",
               shareOff(errors) + "; " + std::to_string(countReaching(nominalErrors, kOffMs)));
    addSummary(report, "Plain reader: wake-up late", "wake-ups", plain.wakeLatenessMs);
}

} // namespace

SentEdges SentEdges::read(const std::string &path)
{
    SentEdges edges;
    std::ifstream log(path);
    std::string line;
    while (std::getline(log, line)) {
        std::istringstream fields(line);
        long long sentNs = 0;
        char edge = 0;
        if (fields >> sentNs >> edge && (edge == '1' || edge == '0'))
            edges.add(sentNs, edge);
    }
    return edges;
}

void SentEdges::add(int64_t sentNs, char edge)
{
    m_edges.push_back({sentNs, edge});
}

double SentEdges::Mark::sentMs() const
{
    return static_cast<double>(endNs - beginNs) / kNsPerMs;
}

std::optional<int64_t> SentEdges::lastSentBefore(int64_t arrivalNs, char edge) const
{
    // Written in order: the edges up to the arrival end at the first one written after it.
    const auto end
        = std::upper_bound(m_edges.begin(), m_edges.end(), arrivalNs,
                           [](int64_t arrival, const Edge &sent) { return arrival < sent.sentNs; });
    const auto found = std::find_if(std::make_reverse_iterator(end), m_edges.rend(),
                                    [edge](const Edge &sent) { return sent.edge == edge; });
    if (found == m_edges.rend())
        return std::nullopt;
    return found->sentNs;
}

std::optional<SentEdges::Mark> SentEdges::markArrivedAt(int64_t beginArrivalUs,
                                                        int64_t endArrivalUs) const
{
    const std::optional<int64_t> begin
        = lastSentBefore(beginArrivalUs * kNsPerUs + kStampSlackNs, '1');
    const std::optional<int64_t> end = lastSentBefore(endArrivalUs * kNsPerUs + kStampSlackNs, '0');
    if (!begin || !end || *end < *begin)
        return std::nullopt;
    return Mark {*begin, *end};
}

std::vector<SentEdges::Mark> SentEdges::marks() const
{
    std::vector<Mark> whole;
    std::optional<int64_t> begin;
    for (const Edge &sent : m_edges) {
        if (sent.edge == '1')
            begin = sent.sentNs;
        else if (begin)
            whole.push_back({*std::exchange(begin, std::nullopt), sent.sentNs});
    }
    return whole;
}

std::optional<double> percentile(std::vector<double> samples, double percent)
{
    if (samples.empty())
        return std::nullopt;
    std::sort(samples.begin(), samples.end());
    const auto rank = static_cast<std::size_t>(
        std::ceil(percent / 100.0 * static_cast<double>(samples.size())));
    return samples[std::clamp<std::size_t>(rank, 1, samples.size()) - 1];
}

std::optional<Summary> summarize(const std::vector<double> &samples)
{
    if (samples.empty())
        return std::nullopt;
    return Summary {samples.size(), *percentile(samples, 50), *percentile(samples, 99),
                    *std::max_element(samples.begin(), samples.end())};
}

std::size_t countReaching(const std::vector<double> &samples, double threshold)
{
    return static_cast<std::size_t>(std::count_if(
        samples.begin(), samples.end(), [threshold](double value) { return value >= threshold; }));
}

std::optional<MeanAndDeviation> meanAndDeviation(const std::vector<double> &samples)
{
    if (samples.empty())
        return std::nullopt;
    double sum = 0;
    for (const double value : samples)
        sum += value;
    const double mean = sum / static_cast<double>(samples.size());
    double squares = 0;
    for (const double value : samples)
        squares += (value - mean) * (value - mean);
    return MeanAndDeviation {mean, std::sqrt(squares / static_cast<double>(samples.size()))};
}

double nominalMarkMs(double lengthMs)
{
    return lengthMs < kMarkSplitMs ? kZeroMarkMs : kOneMarkMs;
}

bool Target::isMetBy(double value) const
{
    switch (kind) {
    case Below:
        return value < limit;
    case AtMost:
        return value <= limit;
    case Within:
        return std::abs(value) <= limit;
    }
    return false;
}

std::string Target::text() const
{
    std::ostringstream out;
    out << judged
        << (kind == Below        ? "< "
                : kind == AtMost ? "<= "
                                 : "within ")
        << limit << ' ' << unit;
    return out.str();
}

void Report::heading(std::string text)
{
    m_rows.push_back({std::move(text), {}, {}, {}, true});
}

void Report::add(std::string figure, std::string measured)
{
    m_rows.push_back({std::move(figure), std::move(measured), {}, {}});
}

void Report::add(std::string figure, std::string measured, std::optional<double> value,
                 const std::optional<Target> &target)
{
    if (!target) {
        add(std::move(figure), std::move(measured));
        return;
    }
    const bool met = value && target->isMetBy(*value);
    if (!met)
        ++m_misses;
    m_rows.push_back(
        {std::move(figure), std::move(measured), target->text(), met ? "PASS" : "MISS"});
}

void Report::print(std::ostream &out) const
{
    std::size_t figureWidth = 6;
    std::size_t measuredWidth = 8;
    std::size_t targetWidth = 6;
    for (const Row &row : m_rows) {
        if (row.isHeading)
            continue;
        figureWidth = std::max(figureWidth, row.figure.size());
        measuredWidth = std::max(measuredWidth, row.measured.size());
        targetWidth = std::max(targetWidth, row.target.size());
    }
    const auto line = [&](const Row &row) {
        std::ostringstream text;
        text << std::left << std::setw(static_cast<int>(figureWidth)) << row.figure << "  "
             << std::right << std::setw(static_cast<int>(measuredWidth)) << row.measured << "  "
             << std::left << std::setw(static_cast<int>(targetWidth)) << row.target << "  "
             << row.verdict;
        std::string shown = text.str();
        shown.erase(shown.find_last_not_of(' ') + 1);
        out << shown << '\n';
    };
    line({"Figure", "Measured", "Target", ""});
    out << std::string(figureWidth + measuredWidth + targetWidth + 10, '-') << '\n';
    for (const Row &row : m_rows) {
        if (row.isHeading)
            out << '\n' << row.figure << '\n';
        else
            line(row);
    }
}

std::string fixed(double value, int decimals, const std::string &unit)
{
    std::ostringstream out;
    out << std::fixed << std::setprecision(decimals) << value;
    if (!unit.empty())
        out << ' ' << unit;
    return out.str();
}

MarkMatch matchMarks(const PartRecord &part)
{
    MarkMatch match;
    std::set<int64_t> measuredBegins;
    for (const MeasuredPulse &pulse : part.pulses) {
        match.nominalErrorsMs.push_back(std::abs(pulse.lengthMs - nominalMarkMs(pulse.lengthMs)));
        const std::optional<SentEdges::Mark> sent
            = part.sent.markArrivedAt(pulse.beginUs, pulse.endUs);
        if (!sent) {
            ++match.misclassified;
            continue;
        }
        measuredBegins.insert(sent->beginNs);
        const double sentMs = sent->sentMs();
        if (nominalMarkMs(pulse.lengthMs) != nominalMarkMs(sentMs))
            ++match.misclassified;
        // A 50-baud length is read to the bit: its error is against the bits sent.
        match.errorsMs.push_back(std::abs(pulse.lengthMs
                                          - (part.kind == ReceiverKind::Rxd50
                                                 ? std::round(sentMs / kSlowBitMs) * kSlowBitMs
                                                 : sentMs)));
        match.stampErrorsMs.push_back(
            std::abs(static_cast<double>(pulse.endUs - pulse.beginUs) / kUsPerMs - sentMs));
        match.deliveriesMs.push_back(static_cast<double>(pulse.beginUs * 1000 - sent->beginNs)
                                     / kNsPerMs);
        match.deliveriesMs.push_back(static_cast<double>(pulse.endUs * 1000 - sent->endNs)
                                     / kNsPerMs);
    }
    // Marks sent after the reception's last measured one fell into the running clock or the
    // next Start.
    int64_t lastEndNs = 0;
    for (const MeasuredPulse &pulse : part.pulses) {
        if (!part.decodedUs || pulse.endUs <= *part.decodedUs)
            lastEndNs = std::max(lastEndNs, pulse.endUs * 1000);
    }
    for (const SentEdges::Mark &sent : part.sent.marks()) {
        if (sent.endNs > lastEndNs)
            break;
        ++match.sentUpToLast;
        if (measuredBegins.contains(sent.beginNs))
            continue;
        ++match.lost;
        if (!part.knownUs || sent.beginNs < *part.knownUs * 1000)
            ++match.lostBeforeKnown;
    }
    return match;
}

void addProgram(Report &report, const ProgramRecord &record)
{
    report.heading("The program: dcf77 on Qt offscreen, dcf77-sim on a pseudo-terminal; "
                   + record.scheduling);
    addProcessor(report, "waiting for a receiver", record.waiting, true);
    const std::optional<Summary> startup = summarize(record.startupMs);
    report.add("Start-up to main window exposed, median of "
                   + std::to_string(record.startupMs.size()),
               startup ? fixed(startup->median, 1, "ms") : "none");
    report.add("Peak memory (ru_maxrss)",
               fixed(static_cast<double>(record.peakResidentKiB) / 1024, 1, "MiB"));
}

void addPart(Report &report, const PartRecord &part)
{
    report.heading(part.name);
    const MarkMatch match = matchMarks(part);
    addRecognition(report, part, match);
    addMarks(report, part, match);
    const std::optional<Summary> late = summarize(part.secondsLate);
    const std::string lateFigure
        = "Clock second shown late" + counted(part.secondsLate.size(), "seconds");
    report.add(lateFigure, medianP99Maximum(late), late ? std::optional(late->p99) : std::nullopt,
               part.load == Load::Quiet ? std::optional(kClockLate) : std::nullopt);
    // The window's load runs inside the process: there its processor time is the load's.
    const bool judged = part.load != Load::WindowBusy;
    addProcessor(report, judged ? "receiving" : "receiving, the repainting included",
                 part.receiving, judged);
    addProcessor(report, judged ? "running clock" : "running clock, the repainting included",
                 part.clock, judged);
    addPlainReader(report, part.plain);
}

void addTimeService(Report &report, const TimeServiceRecord &record)
{
    report.heading("Time service: the reference clock's path on the simulated receiver, sending "
                   "the current time to a private chronyd");
    report.add("Samples",
               std::to_string(record.offsetMs.size()) + " over "
                   + fixed(record.spanMinutes, 1, "min"));
    const std::optional<MeanAndDeviation> afterWrite = meanAndDeviation(record.afterWriteMs);
    const std::string afterFigure = "Sample's mark stamped after the simulator's write";
    report.add(afterFigure + ", mean", afterWrite ? fixed(afterWrite->mean, 4, "ms") : "none",
               afterWrite ? std::optional(afterWrite->mean) : std::nullopt, kSampleMean);
    report.add(afterFigure + ", standard deviation",
               afterWrite ? fixed(afterWrite->deviation, 4, "ms") : "none",
               afterWrite ? std::optional(afterWrite->deviation) : std::nullopt, kSampleDeviation);
    addSummary(report, afterFigure, "samples", record.afterWriteMs);
    const std::optional<MeanAndDeviation> offset = meanAndDeviation(record.offsetMs);
    report.add("Sample's mark from the true second, mean (sd; the simulator's lateness included)",
               offset ? fixed(offset->mean, 4) + " (" + fixed(offset->deviation, 4, "ms)")
                      : "none");
    report.add("First sample after the first mark",
               record.firstSampleSeconds ? fixed(*record.firstSampleSeconds, 0, "s") : "none",
               record.firstSampleSeconds, kFirstSample);
    addProcessor(report, "time service", record.meter, true);
    report.add("chronyd's sourcestats offset",
               record.chronyOffsetMs ? fixed(*record.chronyOffsetMs, 4, "ms") : "none",
               record.chronyOffsetMs, kChronyOffset);

    const std::optional<SoakRecord> &soak = record.soak;
    report.add("Soak, thirty virtual days: samples sent of the marks",
               soak ? std::to_string(soak->samples) + " of " + std::to_string(soak->marks)
                    : "not run");
    report.add("Soak: failed checks (a wrong second, a sample off its mark)",
               soak ? std::to_string(soak->failedChecks) : "not run",
               soak ? std::optional<double>(soak->failedChecks) : std::nullopt,
               Target {0, Target::AtMost, "checks"});
}

void writeSamples(std::ostream &out, const std::vector<PartRecord> &parts,
                  const TimeServiceRecord *timeService)
{
    out << "# <part>: mark <measured ms> <its start's arrival stamp, us> <between the arrival "
           "stamps, us> <longer wait of its edges, ms>\n"
           "# <part>: sent <a mark's writes, ns>\n"
           "# <part>: wait <from an edge's arrival to its processing, ms>\n"
           "# <part>: second <second shown> <late, ms>\n"
           "# <part>: plain-mark <as the plain reader measured it, us> <as sent, us>\n"
           "# time service: after-write <a sample's mark stamped after its write, ms>\n"
           "# time service: offset <a sample's mark from the true second, ms>\n";
    for (const PartRecord &part : parts) {
        const std::string prefix = part.name + ": ";
        for (const MeasuredPulse &pulse : part.pulses)
            out << prefix << "mark " << pulse.lengthMs << ' ' << pulse.beginUs << ' '
                << pulse.endUs - pulse.beginUs << ' ' << pulse.longestWaitMs << '\n';
        for (const SentEdges::Mark &sent : part.sent.marks())
            out << prefix << "sent " << sent.beginNs << ' ' << sent.endNs << '\n';
        for (const double wait : part.waitsMs)
            out << prefix << "wait " << wait << '\n';
        for (std::size_t index = 0; index < part.secondsLate.size(); ++index)
            out << prefix << "second " << part.secondsShown[index] << ' ' << part.secondsLate[index]
                << '\n';
        for (std::size_t index = 0; index < part.plain.lengthsUs.size(); ++index)
            out << prefix << "plain-mark " << part.plain.lengthsUs[index] << ' '
                << part.plain.sentUs[index] << '\n';
    }
    if (!timeService)
        return;
    for (const double after : timeService->afterWriteMs)
        out << "time service: after-write " << after << '\n';
    for (const double offset : timeService->offsetMs)
        out << "time service: offset " << offset << '\n';
}

} // namespace dcf::bench
