// dcf77-bench: the real program on Qt's offscreen platform, fed by the simulated receiver on a
// pseudo-terminal, measured from the side:
//   start-up probes -> waiting -> receiving -> running clock -> more marks -> table of figures.

#include "baseline.h"
#include "bench_run.h"
#include "figures.h"
#include "process_usage.h"
#include "report.h"
#include "startup_probe.h"

#include <QApplication>
#include <QTest>
#include <QThread>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iostream>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using namespace dcf::bench;

constexpr int kExitMissed = 1;
constexpr int kExitFailed = 2;
constexpr int kFullStartupRuns = 5;
constexpr double kKiBPerMiB = 1024;
constexpr double kNsPerUs = 1e3;
constexpr int kShiftPositions = 100;
constexpr int64_t kShiftStepNs = 10'000;

const Target kProcessorTarget {1.0, false}; // per cent of a core
const Target kPulseErrorTarget {1.0, false}; // ms, 99th percentile
const Target kLatenessTarget {2.0, true}; // ms, 99th percentile

struct Options
{
    RunSettings run;
    int startupRuns = kFullStartupRuns;
    bool quick = false;
    bool help = false;
    std::string samplesPath;
};

const char *kHelp
    = R"(Usage: dcf77-bench [--quick] [--phase-seconds N] [--marks N] [--startup-runs N]
                   [--samples FILE]
Runs the program on Qt's offscreen platform with dcf77-sim on a pseudo-terminal and prints its
processor use while waiting, receiving and running the clock, the error of the measured marks,
how late the clock's seconds are shown, the start-up time and the peak memory.
  --quick            short phases for a quick check (10 s, 20 marks; about 2 minutes)
  --phase-seconds N  length of the waiting and the clock phase (default 60)
  --marks N          marks to measure (default 125)
  --startup-runs N   start-up probes (default 5)
  --samples FILE     also write every measured mark and clock second to FILE
Exit status: 0 all targets met, 1 a target missed, 2 the run failed.
)";

std::optional<int> wholeNumber(const char *text)
{
    try {
        std::size_t used = 0;
        const int value = std::stoi(text, &used);
        if (used == std::strlen(text) && value > 0)
            return value;
    } catch (const std::exception &) { }
    return std::nullopt;
}

std::optional<Options> parseOptions(int argc, char **argv)
{
    Options options;
    for (int index = 1; index < argc; ++index) {
        const std::string name = argv[index];
        if (name == "--help" || name == "-h") {
            options.help = true;
            continue;
        }
        if (name == "--quick") {
            options.quick = true;
            options.run.phaseSeconds = 10;
            options.run.marksWanted = 20;
            options.run.firstSecond = 50;
            options.startupRuns = 3;
            continue;
        }
        if (name == "--samples" && index + 1 < argc) {
            options.samplesPath = argv[++index];
            continue;
        }
        int *target = name == "--phase-seconds" ? &options.run.phaseSeconds
            : name == "--marks"                 ? &options.run.marksWanted
            : name == "--startup-runs"          ? &options.startupRuns
                                                : nullptr;
        const std::optional<int> value
            = target && index + 1 < argc ? wholeNumber(argv[++index]) : std::nullopt;
        if (!value) {
            std::cerr << "dcf77-bench: bad option " << name << " (see --help)\n";
            return std::nullopt;
        }
        *target = *value;
    }
    return options;
}

std::string phaseName(const char *name, const ProcessorMeter &meter)
{
    return std::string("Processor, ") + name + " ("
        + (meter.hasRun() ? withUnit(meter.wallSeconds(), 0, "s") : "not reached") + ")";
}

void addProcessor(Report &report, const char *name, const ProcessorMeter &meter)
{
    report.add(phaseName(name, meter),
               meter.hasRun() ? std::optional<double>(meter.percentOfCore()) : std::nullopt, 2,
               "% of a core", kProcessorTarget);
}

/// How the same edges would have fared with whole-millisecond stamps, wherever the simulator's
/// seconds fall within a millisecond.
std::string truncationNote(const std::vector<TimedMark> &marks)
{
    const auto misses = [](const std::vector<double> &errors) {
        const std::optional<double> p99 = percentile(errors, 99);
        return p99 && !kPulseErrorTarget.isMetBy(*p99);
    };
    int missed = 0;
    for (int position = 0; position < kShiftPositions; ++position)
        missed += misses(truncatedStampErrorsMs(marks, position * kShiftStepNs)) ? 1 : 0;
    return "The same edges moved to " + std::to_string(kShiftPositions)
        + " positions within the millisecond: lengths from two stamps truncated to whole ms "
          "would miss the mark target at "
        + std::to_string(missed) + " of them; lengths rounded from microsecond stamps "
        + (misses(roundedLengthErrorsMs(marks)) ? "miss it" : "meet it") + " at every one.";
}

/// Median, 99th percentile (judged against `target`) and maximum of `values`, in ms.
template<typename Values, typename Target>
void addMedianP99Maximum(Report &report, const std::string &what, const std::string &count,
                         const Values &values, const Target &target)
{
    const std::optional<Summary> summary = summarize(values);
    report.add(what + ", median (" + count + ")",
               summary ? withUnit(summary->median, 3, "ms") : "none");
    report.add(what + ", 99th percentile",
               summary ? std::optional<double>(summary->p99) : std::nullopt, 3, "ms", target);
    report.add(what + ", maximum", summary ? withUnit(summary->maximum, 3, "ms") : "none");
}

void addPulses(Report &report, const ProgramProbe &probe)
{
    std::vector<double> errors;
    std::vector<double> stampedErrors;
    for (const ProgramProbe::Pulse &pulse : probe.pulses()) {
        errors.push_back(markErrorMs(pulse.measuredSeconds));
        stampedErrors.push_back(std::abs(static_cast<double>(pulse.stampedNs) / kNsPerUs
                                         - nominalMarkMs(pulse.measuredSeconds) * 1000));
    }
    addMedianP99Maximum(report, "Mark length error", std::to_string(errors.size()) + " marks",
                        errors, kPulseErrorTarget);
    report.add("Marks measured 1 ms or more off", shareReaching(errors, 1.0));
    std::vector<TimedMark> timed;
    for (const ProgramProbe::Pulse &pulse : probe.pulses())
        timed.push_back({pulse.startNs, pulse.stampedNs, nominalMarkMs(pulse.measuredSeconds)});
    report.note(truncationNote(timed));
    if (const std::optional<Summary> stamped = summarize(stampedErrors)) {
        report.note("Marks timed from the side to the microsecond (start and end writes): |error| "
                    "median "
                    + withUnit(stamped->median, 0, "us") + ", 99th percentile "
                    + withUnit(stamped->p99, 0, "us") + ", maximum "
                    + withUnit(stamped->maximum, 0, "us") + ".");
    }
}

void addBaseline(Report &report, const Baseline &baseline)
{
    std::vector<double> errors;
    for (const double lengthUs : baseline.markLengthsUs) {
        // Rounded to whole milliseconds as the program rounds its lengths.
        errors.push_back(markErrorMs(std::round(lengthUs / 1000.0) / 1000.0));
    }
    const std::optional<Summary> marks = summarize(errors);
    const std::optional<Summary> wakes = summarize(baseline.wakeLatenessMs);
    report.add("Without the program: marks 1 ms or more off", shareReaching(errors, 1.0));
    report.add("Without the program: mark error, 99th percentile",
               marks ? withUnit(marks->p99, 3, "ms") : "none");
    report.add("Without the program: wake-up late, 99th percentile ("
                   + std::to_string(baseline.wakeLatenessMs.size()) + ")",
               wakes ? withUnit(wakes->p99, 3, "ms") : "none");
}

void addClock(Report &report, const ProgramProbe &probe)
{
    addMedianP99Maximum(report, "Clock second shown late",
                        std::to_string(probe.secondsLate().size()) + " seconds",
                        probe.secondsLate(), kLatenessTarget);
}

void writeSamples(const std::string &path, const ProgramProbe &probe)
{
    std::ofstream out(path);
    out << "# mark <measured ms> <timed from the side, us> <start write, monotonic ns>\n"
           "# second <second shown> <late, ms>\n";
    for (const ProgramProbe::Pulse &pulse : probe.pulses())
        out << "mark " << pulse.measuredSeconds * 1000 << ' '
            << static_cast<double>(pulse.stampedNs) / kNsPerUs << ' ' << pulse.startNs << '\n';
    for (std::size_t index = 0; index < probe.secondsLate().size(); ++index)
        out << "second " << probe.secondsShown()[index] << ' ' << probe.secondsLate()[index]
            << '\n';
    if (!out)
        std::cerr << "dcf77-bench: cannot write " << path << '\n';
}

} // namespace

int main(int argc, char **argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (!qEnvironmentVariableIsSet("XDG_RUNTIME_DIR")) {
        // Where Qt would fall back to anyway, without a warning from every process.
        const std::string runtime = "/tmp/runtime-" + std::to_string(getuid());
        ::mkdir(runtime.c_str(), 0700);
        qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString(runtime));
    }
    if (argc == 2 && std::strcmp(argv[1], kStartupProbeOption) == 0)
        return runStartupProbe(argc, argv);
    if (argc == 3 && std::strcmp(argv[1], kBaselineOption) == 0)
        return runBaseline(argc, argv);

    const std::optional<Options> options = parseOptions(argc, argv);
    if (!options)
        return kExitFailed;
    if (options->help) {
        std::cout << kHelp;
        return 0;
    }

    QApplication application(argc, argv);
    dcf::prepareApplication();

    std::cerr << "dcf77-bench: start-up, " << options->startupRuns << " probes\n";
    QString failure;
    const std::vector<double> startup = measureStartup(options->startupRuns, failure);

    dcf::QtProgram bundle;
    bundle.program.start();
    if (failure.isEmpty() && !QTest::qWaitForWindowExposed(bundle.surface(bundle.program.frmDCF77)))
        failure = QStringLiteral("the main window was not exposed");

    BenchRun run(bundle, options->run);
    if (failure.isEmpty() && !run.run())
        failure = run.failure();

    if (!options->samplesPath.empty())
        writeSamples(options->samplesPath, run.probe());

    Report report;
    addProcessor(report, "waiting for a receiver", run.waiting);
    addProcessor(report, "receiving", run.receiving);
    addProcessor(report, "running clock", run.clock);
    addPulses(report, run.probe());
    addClock(report, run.probe());
    addBaseline(report, run.baseline());
    const std::optional<Summary> startupSummary = summarize(startup);
    report.add("Start-up to main window exposed, median of " + std::to_string(startup.size()),
               startupSummary ? withUnit(startupSummary->median, 1, "ms") : "none");
    report.add("Peak memory (ru_maxrss)",
               withUnit(static_cast<double>(peakResidentKiB()) / kKiBPerMiB, 1, "MiB"));
    report.note("Whole machine busy (all processes, " + std::to_string(QThread::idealThreadCount())
                + " cores): waiting " + withUnit(run.waiting.machineBusyPercent(), 0, "%")
                + ", receiving " + withUnit(run.receiving.machineBusyPercent(), 0, "%")
                + ", running clock " + withUnit(run.clock.machineBusyPercent(), 0, "%") + ".");
    report.note("Other processes of this project running (seen at a phase's beginning or end): "
                "waiting "
                + std::to_string(run.waiting.otherProjectProcesses()) + ", receiving "
                + std::to_string(run.receiving.otherProjectProcesses()) + ", running clock "
                + std::to_string(run.clock.otherProjectProcesses()) + ".");
    if (options->quick)
        report.note("Quick run: phases and marks fall short of the full run's 60 s and two "
                    "minutes.");

    std::cout << "dcf77-bench: the program on Qt offscreen, dcf77-sim on a pseudo-terminal\n\n";
    report.print(std::cout);
    if (!failure.isEmpty()) {
        std::cout << "\nThe run failed: " << failure.toStdString() << '\n';
        return kExitFailed;
    }
    return report.allTargetsMet() ? 0 : kExitMissed;
}
